// Records kept as the law asks, on the main window: each print recorded
// before its job and ended after it, prints the program did not live to
// end, cancellation (取消) and correction (訂正), and the command-line
// verification of the chain.
#include "mainwindow/HistoryDialog.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteSettings.h"
#include "mainwindow/PrintRecording.h"
#include "platform/Dialogs.h"
#include "printer/VoPrinters.h"
#include "spooler/FrameworkPrinter.h"
#include "spooler/PdfSpooler.h"
#include "store/NoteLedger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSet>
#include <QStatusBar>
#include <QTextStream>
#include <QThread>

namespace {

const QString RefusedReprintMessage =
    QStringLiteral("この伝票は取消または訂正済みのため、再印刷できません。\n%1");

// A PDF that a killed program finished writing ends with its trailer.
bool completePdf(const QByteArray &bytes)
{
    return bytes.startsWith("%PDF") && bytes.trimmed().endsWith("%%EOF");
}

// Notes this PC's ledger file could not take (read-only, locked) wait in
// a file of their own beside it and are recorded once it takes them.
QString heldNotesPath(const TForm_Main &w)
{
    return QDir(w.Label_CurrentDir->text()).filePath(QStringLiteral("Kanro_ledger-waiting.db"));
}

bool holdForLater(TForm_Main &w, ledger::IssuedNote issued, const QByteArray &pdf)
{
    ledger::NoteLedger held(heldNotesPath(w));
    if (!held.keepForSending(issued).ok())
        return false;
    // Its print ends there too, with the PDF, and goes with it when sent.
    held.endPrint(issued.id, true, issued.pdfFile, pdf);
    Dialogs::notify(&w, ledgerNotRecordedMessage(
                            QStringLiteral("記録を待つ伝票として %1 に置きました。"
                                           "記録できるようになりしだい記録します。")
                                .arg(heldNotesPath(w))));
    return true;
}

void recordHeldNotes(TForm_Main &w, ledger::NoteLedger &store)
{
    if (!QFileInfo::exists(heldNotesPath(w)))
        return;
    ledger::NoteLedger held(heldNotesPath(w));
    int waiting = 0, sent = 0;
    if (held.waitingCount(waiting).ok() && waiting > 0)
        held.sendTo(store, false, sent);
}

} // namespace

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

PrintRecording::~PrintRecording()
{
    if (m_begun && !m_ended)
        end(false, QStringLiteral("印刷でエラーが起きました"));
}

void PrintRecording::beginWindowNote(const printing::PrintNote &note, const QString &title,
                                     int copies)
{
    m_window = true;
    ledger::IssuedNote issued = w.issuedFromWindow(note, title, copies);
    const auto &loaded = w.m_loadedRecord;
    // A loaded record printed again under its own slip number is its
    // reprint when nothing changed, and its correction otherwise.
    if (loaded && loaded->slipNo.trimmed() == note.slipNo.trimmed()) {
        if (loaded->correction)
            return begin(std::move(issued), loaded->id, loaded->reason);
        if (w.rowTexts() == loaded->rows) {
            issued.reprintOf = loaded->id;
            return begin(std::move(issued));
        }
        return begin(std::move(issued), loaded->id,
                     QStringLiteral("画面に読込んで変更し、再発行"));
    }
    begin(std::move(issued));
}

void PrintRecording::begin(ledger::IssuedNote issued, qint64 corrects, const QString &reason)
{
    m_begun = true;
    m_issued = std::move(issued);
    try {
        if (VoPrinter)
            m_issued.printer = VoPrinter->Framework().printer().device;
    } catch (const std::exception &) {
        // The printer's name is only for the record.
    }
    ledger::NoteLedger store(w.storeTarget());
    ledger::IssuedNote attempt = m_issued;
    const ledger::LedgerStatus st = store.beginPrint(attempt, corrects, reason);
    if (!st.setAside.isEmpty() || !st.notice.isEmpty())
        Dialogs::notify(&w, ledgerNoticeOf(st));
    m_recorded = st.ok();
    if (m_recorded)
        m_issued = attempt;
}

void PrintRecording::end(bool printed, const QString &why)
{
    m_ended = true;
    if (m_window && printed) {
        w.m_issuedRows = w.rowTexts();
        const bool ownFigures = w.m_loadedRecord && w.m_loadedRecord->figures;
        w.m_loadedRecord.reset();
        if (ownFigures)
            w.refreshFigures();
    }
    if (!m_begun)
        return;
    const ledger::StoreTarget target = w.storeTarget();
    QString pdfFile;
    QByteArray pdf;
    if (printed && VoPrinter) {
        try {
            pdfFile = VoPrinter->spooler().writtenFile(VoPrinter->Framework().printer().device);
        } catch (const std::exception &) {
            // The printer's name is only for the record.
        }
        if (!pdfFile.isEmpty())
            pdf = fileBytes(pdfFile);
    }
    if (!m_recorded) {
        m_issued.pdfFile = pdfFile;
        if (printed && !(!target.shared() && holdForLater(w, m_issued, pdf)))
            w.recordAfterwards(m_issued);
        return;
    }
    ledger::NoteLedger store(target);
    const ledger::LedgerStatus st = store.endPrint(m_issued.id, printed, pdfFile, pdf, why);
    if (!st.ok())
        Dialogs::notify(&w, ledgerNotRecordedMessage(st.error));
    if (!target.shared() && st.ok())
        recordHeldNotes(w, store);
    // The shared store answers again: the notes waiting in this terminal's
    // outbox go there now.
    if (target.shared()) {
        ledger::NoteLedger outbox(w.ledgerPath());
        int waiting = -1;
        if (!outbox.waitingCount(waiting).ok())
            return;
        if (waiting > 0) {
            int sent = 0;
            outbox.sendTo(store, false, sent);
            waiting -= sent;
        }
        w.showWaitingNotes(waiting);
    }
}

QString ledgerNoticeOf(const ledger::LedgerStatus &status)
{
    if (status.setAside.isEmpty())
        return status.notice;
    const QString aside = ledgerSetAsideMessage(status.setAside);
    return status.notice.isEmpty() ? aside : aside + u'\n' + status.notice;
}

bool reprintAllowed(TForm_Main &w, qint64 id)
{
    std::map<qint64, ledger::NoteStatus> st;
    if (!ledger::NoteLedger(w.storeTarget()).statusOf({id}, st).ok())
        return true; // the reprint's own load has said what failed
    const ledger::NoteState s = st[id].state;
    if (s != ledger::NoteState::Cancelled && s != ledger::NoteState::Corrected)
        return true;
    Dialogs::notify(&w, RefusedReprintMessage.arg(ledger::noteStateText(st[id])));
    return false;
}

namespace {

struct EndedPrints
{
    qsizetype open = 0;
    int completed = 0;
};

// Ends the prints of `who` (every print when empty) that a killed program
// left open in `target`: a PDF found whole in `pdfFolder` completes its
// record, anything else marks it failed. Needs no window: it may run on a
// thread of its own.
EndedPrints endPrintsLeftOpen(const ledger::StoreTarget &target, const QString &pdfFolder,
                              const QString &who)
{
    EndedPrints ended;
    ledger::NoteLedger store(target);
    std::vector<ledger::NoteSummary> open;
    if (!store.unfinishedPrints(open, who).ok() || open.empty())
        return ended;
    ended.open = qsizetype(open.size());
    const QDir folder(pdfFolder);
    QSet<QString> taken;
    for (const ledger::NoteSummary &n : open) {
        // The PDF printer's file for this title: "<title>.pdf" or
        // "<title> (k).pdf", written after the note was recorded.
        const QString base =
            QFileInfo(PdfSpooler::fileNameFor(QStringLiteral("/nonexistent"), n.jobTitle))
                .completeBaseName();
        const QDateTime recorded = QDateTime::fromString(n.printedAt, Qt::ISODate);
        QString found;
        for (const QFileInfo &f :
             folder.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time)) {
            const QString name = f.completeBaseName();
            if ((name == base || name.startsWith(base + QStringLiteral(" ("))) &&
                !taken.contains(f.filePath()) && f.lastModified().secsTo(recorded) <= 1) {
                found = f.filePath();
                break;
            }
        }
        const QByteArray bytes = found.isEmpty() ? QByteArray() : fileBytes(found);
        const bool done = completePdf(bytes);
        if (!found.isEmpty())
            taken.insert(found);
        if (store.endPrint(n.id, done, found, done ? bytes : QByteArray(),
                           done ? QString()
                                : QStringLiteral("印刷の途中でプログラムが終了しました"))
                .ok() &&
            done)
            ++ended.completed;
    }
    return ended;
}

} // namespace

void TForm_Main::finishInterruptedPrints()
{
    const ledger::StoreTarget target = storeTarget();
    const QString folder = QDir(Label_CurrentDir->text()).filePath(PdfSpooler::folderName());
    const auto tell = [this](const EndedPrints &e) {
        if (e.open > 0)
            StatusBar1->showMessage(
                QStringLiteral(
                    "前回印刷の途中で終わった伝票 %1 件の記録を締めました (PDF あり %2 件)")
                    .arg(e.open)
                    .arg(e.completed));
    };
    if (!target.shared()) {
        // Start-up never creates a ledger.
        if (QFileInfo::exists(target.location))
            tell(endPrintsLeftOpen(target, folder, QString()));
        return;
    }
    // Start-up never waits for a shared store: it is asked on a thread of
    // its own. Only this terminal's prints are ended there; another
    // terminal's may be under way.
    if (m_printsLeftOpen && m_printsLeftOpen->isRunning())
        return;
    auto ended = std::make_shared<EndedPrints>();
    m_printsLeftOpen.reset(QThread::create([target, folder, ended] {
        *ended = endPrintsLeftOpen(target, folder, ledger::operatorName());
    }));
    connect(m_printsLeftOpen.get(), &QThread::finished, this, [tell, ended] { tell(*ended); });
    m_printsLeftOpen->start();
}

bool TForm_Main::cancelIssuedNote(qint64 id, const QString &reason)
{
    const ledger::LedgerStatus st =
        ledger::NoteLedger(storeTarget()).cancel(id, reason, ledger::operatorName());
    if (!st.ok())
        Dialogs::notify(this, st.error);
    return st.ok();
}

bool TForm_Main::startCorrection(qint64 id, const QString &reason)
{
    if (reason.trimmed().isEmpty()) {
        Dialogs::notify(this, QStringLiteral("訂正の理由を入力してください。"));
        return false;
    }
    if (!reprintAllowed(*this, id) || !loadIssuedNote(id))
        return false;
    m_loadedRecord->correction = true;
    m_loadedRecord->reason = reason.trimmed();
    StatusBar1->showMessage(
        QStringLiteral("伝票 %1 の訂正: 直して F11 で印刷すると訂正として記録します").arg(id));
    return true;
}

int TForm_Main::verifyRecordsCommand(const QString &workingDir, QTextStream &out)
{
    const QString connect = readDbConnect(settingsPath(workingDir)).trimmed();
    const ledger::StoreTarget target =
        connect.isEmpty() ? ledger::StoreTarget::sqlite(ledger::ledgerFilePath(workingDir))
                          : ledger::StoreTarget::postgres(connect);
    if (!target.shared() && !QFileInfo::exists(target.location)) {
        out << QStringLiteral("発行履歴 %1 がありません\n").arg(target.location);
        return 1;
    }
    ledger::ChainCheck check;
    const ledger::LedgerStatus st = ledger::NoteLedger(target).verifyRecords(check);
    if (!st.ok()) {
        out << QStringLiteral("記録を検証できません: %1\n").arg(st.error);
        return 1;
    }
    if (!check.ok()) {
        out << QStringLiteral("一致しない記録があります: %1 (それまでの %2 件は一致)\n")
                   .arg(check.firstMismatch)
                   .arg(check.checked);
        return 1;
    }
    out << QStringLiteral("すべての記録 (%1 件) が一致しました\n").arg(check.checked);
    return 0;
}
