// The issued-notes ledger on the main window: recording each printed note,
// the history key F9, printing a recorded note again and loading it back;
// the shop's shared store with its field and buttons on the settings tab,
// its slip-number counter and this terminal's outbox, sent again on a timer.
#include "mainwindow/HistoryDialog.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "mainwindow/NoteSettings.h"
#include "mainwindow/PrintRecording.h"
#include "numedit/KiNumEdit.h"
#include "platform/AccessibleNames.h"
#include "platform/CommandGuard.h"
#include "platform/Dialogs.h"
#include "printer/VoPrinters.h"
#include "printing/PrintCommand.h"
#include "spooler/FrameworkPrinter.h"
#include "store/NoteLedger.h"
#include "store/OutboxSender.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <memory>

using namespace printing;

QString ledgerSetAsideMessage(const QString &file)
{
    return QStringLiteral(
               "発行履歴のファイルが壊れていたため %1 に移し、新しい発行履歴を始めました。")
        .arg(file);
}

QString ledgerNotRecordedMessage(const QString &why)
{
    return QStringLiteral("印刷は済みましたが、発行履歴に記録できませんでした。\n%1").arg(why);
}

namespace {

const QString ConfirmReprintMessage = QStringLiteral("再印刷しますか?");
const QString RecordedFiguresMessage =
    QStringLiteral("この伝票は記録時の税率 %1%・%2%、端数処理「%3」で計算しています"
                   "（設定は変わりません）");

QString roundingName(const QString &mode)
{
    return mode == u"1"   ? QStringLiteral("四捨五入")
           : mode == u"2" ? QStringLiteral("切上げ")
                          : QStringLiteral("切捨て");
}
const QString ReplaceRowsQuestion =
    QStringLiteral("画面の明細は印刷されていません。発行履歴の伝票で置き換えますか?");

// Keeps F9 enabled exactly while F11 is, captioned "履歴" then and "F9"
// otherwise, whoever switches F11.
class HistoryKeyMirror : public QObject
{
public:
    HistoryKeyMirror(QToolButton *f11, QToolButton *f9) : QObject(f9), m_f11(f11), m_f9(f9)
    {
        f11->installEventFilter(this);
        sync();
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_f11 && event->type() == QEvent::EnabledChange)
            sync();
        return false;
    }

private:
    void sync()
    {
        const bool on = m_f11->isEnabled();
        m_f9->setEnabled(on);
        m_f9->setText(on ? QStringLiteral("履歴") : QStringLiteral("F9"));
        // Named like the other function keys: caption and key, or the key alone.
        m_f9->setAccessibleName(on ? QStringLiteral("履歴 (F9)") : QStringLiteral("F9"));
    }
    QToolButton *m_f11;
    QToolButton *m_f9;
};

// A recorded note printed with the window's printer settings of the moment:
// its resolution, the feed's offsets and the page-feed choice.
class RecordedNote : public PrintNoteSource
{
public:
    RecordedNote(const TForm_Main &w, PrintNote note) : w(w), note(std::move(note)) {}
    PrintNote printNote() const override
    {
        PrintNote n = note;
        n.dpiX = w.Label_dpix->text();
        n.dpiY = w.Label_dpiy->text();
        n.top = w.Label_Prn_Top->text();
        n.left = w.Label_Prn_Left->text();
        n.newPage = w.CheckBox_NewPage->isChecked();
        return n;
    }

private:
    const TForm_Main &w;
    PrintNote note;
};

bool rowHasContent(const QStringList &cells)
{
    // itemNo, item, unit, qty, price, sales; an empty number field shows 0.
    for (int k = 0; k < cells.size(); ++k) {
        const QString &c = cells.at(k);
        if (k < 3 ? !c.isEmpty() : !(c.isEmpty() || c == u"0"))
            return true;
    }
    return false;
}

const QString WaitingNotesMessage =
    QStringLiteral("共有の記録先に送れていない伝票が %1 件あります (接続できしだい送ります)");
const QString SlipNumberAwayMessage =
    QStringLiteral("共有の記録先に接続できないため、伝票番号を発行できません。"
                   "伝票番号を入力してください。\n%1");

// The first line of a store's message, for the one-line answers.
QString firstLine(const QString &text)
{
    return text.section(u'\n', 0, 0).trimmed();
}

// Records the note and shows why when that fails; never throws. With a
// shared store, a note it does not take waits in this terminal's file, and
// notes waiting there are sent once it answers again. Returns how many
// notes wait (-1 when that is not known).
int recordNote(QWidget *parent, TVoPrinter &printer, const ledger::StoreTarget &target,
               const QString &ledgerFile, ledger::IssuedNote issued)
{
    try {
        issued.printer = printer.Framework().printer().device;
        issued.pdfFile = printer.spooler().writtenFile(issued.printer);
    } catch (const std::exception &) {
        // The printer's name is only for the record.
    }
    // The record ends with the print and the PDF as sent, wherever it went.
    const QByteArray pdf = issued.pdfFile.isEmpty() ? QByteArray() : fileBytes(issued.pdfFile);
    ledger::NoteLedger store(target);
    const ledger::LedgerStatus status = store.record(issued);
    if (!status.setAside.isEmpty())
        Dialogs::notify(parent, ledgerSetAsideMessage(status.setAside));
    if (status.ok())
        store.endPrint(issued.id, true, issued.pdfFile, pdf);
    if (!target.shared()) {
        if (!status.ok())
            Dialogs::notify(parent, ledgerNotRecordedMessage(status.error));
        return -1;
    }
    ledger::NoteLedger outbox(ledgerFile);
    if (!status.ok()) {
        const ledger::LedgerStatus kept = outbox.keepForSending(issued);
        if (!kept.ok())
            Dialogs::notify(parent, ledgerNotRecordedMessage(kept.error));
        else
            outbox.endPrint(issued.id, true, issued.pdfFile, pdf);
    }
    int waiting = -1;
    if (!outbox.waitingCount(waiting).ok())
        return -1;
    if (status.ok() && waiting > 0) {
        // The timer's try may be sending the same notes: counted again.
        int sent = 0;
        outbox.sendTo(store, false, sent);
        if (!outbox.waitingCount(waiting).ok())
            return -1;
    }
    return waiting;
}

} // namespace

void TForm_Main::setUpHistoryKey()
{
    QToolButton *f9 = SpeedButton_F[9];
    f9->setToolTip(QStringLiteral("印刷した伝票を探し、再印刷や画面への読込をします"));
    connect(f9, &QToolButton::clicked, this, [this] { SpeedButton_F9Click(); });
    new HistoryKeyMirror(SpeedButton_F[11], f9);
}

QString TForm_Main::ledgerPath() const
{
    return ledger::ledgerFilePath(Label_CurrentDir->text());
}

ledger::StoreTarget TForm_Main::storeTarget() const
{
    const QString connect = Edit_DbConnect ? Edit_DbConnect->text().trimmed() : QString();
    return connect.isEmpty() ? ledger::StoreTarget::sqlite(ledgerPath())
                             : ledger::StoreTarget::postgres(connect);
}

std::optional<qint64> TForm_Main::issueSlipNumber()
{
    const ledger::StoreTarget target = storeTarget();
    if (!target.shared())
        return issueNextSlipNumber(settingsFilePath());
    // The first terminal to ask starts the shop's counter after its own.
    qint64 number = 0;
    const ledger::LedgerStatus status = ledger::NoteLedger(target).nextNumber(
        QStringLiteral("slip"), readSlipNumber(settingsFilePath()), number);
    if (!status.ok()) {
        Dialogs::notify(this, SlipNumberAwayMessage.arg(firstLine(status.error)));
        return std::nullopt;
    }
    writeSlipNumber(settingsFilePath(), number);
    return number;
}

void TForm_Main::setUpSharedStore()
{
    auto *box = new QGroupBox(QStringLiteral("共有の記録先 (PostgreSQL)"), TabSheet12);
    box->setObjectName(QStringLiteral("GroupBox_DbConnect"));
    // Beside the transfer choice, below the printed notes' remarks.
    box->setGeometry(380, 438, 382, 100);
    auto *caption = new QLabel(QStringLiteral("DbConnect"), box);
    caption->setGeometry(4, 20, 78, 22);
    Edit_DbConnect = new QLineEdit(box);
    Edit_DbConnect->setObjectName(QStringLiteral("Edit_DbConnect"));
    Edit_DbConnect->setGeometry(84, 20, 288, 22);
    Edit_DbConnect->setPlaceholderText(QStringLiteral("service=shop  (空欄: この PC の発行履歴)"));
    Edit_DbConnect->setToolTip(
        QStringLiteral("libpq の接続文字列 (host=… dbname=… user=…)。パスワードは ~/.pgpass に"));
    caption->setBuddy(Edit_DbConnect);
    BitBtn_DbTest = new QPushButton(QStringLiteral("接続テスト"), box);
    BitBtn_DbTest->setObjectName(QStringLiteral("BitBtn_DbTest"));
    BitBtn_DbTest->setGeometry(84, 44, 100, 24);
    BitBtn_DbMove = new QPushButton(QStringLiteral("発行履歴を移す"), box);
    BitBtn_DbMove->setObjectName(QStringLiteral("BitBtn_DbMove"));
    BitBtn_DbMove->setToolTip(QStringLiteral(
        "この PC の発行履歴の伝票を共有の記録先へ移します (何度押しても二重になりません)"));
    BitBtn_DbMove->setGeometry(190, 44, 132, 24);
    Label_DbTest = new QLabel(box);
    Label_DbTest->setObjectName(QStringLiteral("Label_DbTest"));
    // The answer takes up to two lines of a smaller font.
    Label_DbTest->setGeometry(10, 70, 362, 28);
    Label_DbTest->setWordWrap(true);
    QFont answerFont = Label_DbTest->font();
    answerFont.setPixelSize(11);
    Label_DbTest->setFont(answerFont);
    nameFromCaption(Edit_DbConnect, box, QString(), Edit_DbConnect->toolTip());
    nameFromCaption(BitBtn_DbTest);
    nameFromCaption(BitBtn_DbMove);
    // Notes left waiting are sent again on a timer, and the status line
    // follows what each try leaves.
    m_outboxSender = new ledger::OutboxSender(this);
    m_outboxSender->setObjectName(QStringLiteral("OutboxSender"));
    connect(m_outboxSender, &ledger::OutboxSender::waitingChanged, this,
            [this](int count) { showWaitingNotes(count); });
    connect(BitBtn_DbTest, &QPushButton::clicked, this, [this] { BitBtn_DbTestClick(); });
    connect(BitBtn_DbMove, &QPushButton::clicked, this, [this] { BitBtn_DbMoveClick(); });
    // Stored when the operator changes it, never otherwise.
    connect(Edit_DbConnect, &QLineEdit::editingFinished, this, [this] {
        runGuarded(this, [this] {
            if (Edit_DbConnect->text().trimmed() != readDbConnect(settingsFilePath()))
                writeDbConnect(settingsFilePath(), Edit_DbConnect->text());
        });
    });
}

void TForm_Main::BitBtn_DbTestClick()
{
    const ledger::StoreTarget target = storeTarget();
    if (!target.shared()) {
        Label_DbTest->setText(
            QStringLiteral("共有の記録先は設定されていません (この PC の %1 に記録します)")
                .arg(ledgerPath()));
        return;
    }
    QString what;
    const ledger::LedgerStatus status = ledger::NoteLedger(target).describe(what);
    Label_DbTest->setText(status.ok()
                              ? QStringLiteral("接続できました: %1").arg(what)
                              : QStringLiteral("接続できません: %1").arg(firstLine(status.error)));
}

void TForm_Main::BitBtn_DbMoveClick()
{
    const ledger::StoreTarget target = storeTarget();
    if (!target.shared()) {
        Label_DbTest->setText(QStringLiteral("先に DbConnect に共有の記録先を設定してください"));
        return;
    }
    ledger::NoteLedger shared(target);
    int sent = 0;
    const ledger::LedgerStatus status = ledger::NoteLedger(ledgerPath()).sendTo(shared, true, sent);
    Label_DbTest->setText(
        status.ok() ? QStringLiteral("この PC の発行履歴 %1 件を共有の記録先へ移しました").arg(sent)
                    : QStringLiteral("%1 件を移したところで止まりました: %2")
                          .arg(sent)
                          .arg(firstLine(status.error)));
}

void TForm_Main::showWaitingOutbox()
{
    int count = 0;
    if (storeTarget().shared() && QFileInfo::exists(ledgerPath()) &&
        ledger::NoteLedger(ledgerPath()).waitingCount(count).ok())
        showWaitingNotes(count);
}

void TForm_Main::showWaitingNotes(int count)
{
    if (m_outboxSender && count >= 0)
        m_outboxSender->setWaiting(count, ledgerPath(), storeTarget());
    const QString prefix = WaitingNotesMessage.section(u'%', 0, 0);
    if (count > 0)
        StatusBar1->showMessage(WaitingNotesMessage.arg(count));
    else if (count == 0 && StatusBar1->currentMessage().startsWith(prefix))
        StatusBar1->showMessage(QStringLiteral("  "));
}

QStringList TForm_Main::rowTexts() const
{
    QStringList cells;
    for (int i = 1; i <= kRows; ++i)
        cells << dITEMNO_Ary[i]->text() << dITEM_Ary[i]->text() << dUNIT_Ary[i]->text()
              << dQTY_Ary[i]->Text() << dPRICE_Ary[i]->Text() << dSALES_Ary[i]->Text();
    return cells;
}

bool TForm_Main::holdsUnsavedRows() const
{
    const QStringList cells = rowTexts();
    if (cells == m_issuedRows)
        return false;
    for (int i = 0; i < kRows; ++i)
        if (rowHasContent(cells.mid(i * 6, 6)))
            return true;
    return false;
}

void TForm_Main::SpeedButton_F9Click()
{
    runGuarded(this, [this] {
        HistoryDialog dialog(*this);
        dialog.exec();
    });
}

void TForm_Main::recordPrintedNote(const PrintNote &note, const QString &title, int copies)
{
    m_issuedRows = rowTexts();
    recordAfterwards(issuedFromWindow(note, title, copies));
}

ledger::IssuedNote TForm_Main::issuedFromWindow(const PrintNote &note, const QString &title,
                                                int copies) const
{
    ledger::IssuedNote issued;
    issued.note = note;
    issued.zip = Edit_Zip->text();
    issued.addressLines = {Edit_Add1->text(), Edit_Add2->text(), Edit_Add3->text()};
    issued.tel = Edit_tel->text();
    issued.taxRegNo = note.registrationNo;
    issued.layout = ComboBox_Paper->currentIndex();
    issued.copies = copies;
    issued.jobTitle = title;
    return issued;
}

void TForm_Main::recordAfterwards(ledger::IssuedNote issued)
{
    if (VoPrinter)
        showWaitingNotes(
            recordNote(this, *VoPrinter, storeTarget(), ledgerPath(), std::move(issued)));
}

bool TForm_Main::reprintIssuedNote(qint64 id)
{
    bool printed = false;
    runGuarded(this, [&] {
        ledger::LedgerStatus status;
        std::optional<ledger::IssuedNote> recorded =
            ledger::NoteLedger(storeTarget()).load(id, status);
        if (!status.setAside.isEmpty())
            Dialogs::notify(this, ledgerSetAsideMessage(status.setAside));
        if (!recorded) {
            Dialogs::notify(this,
                            QStringLiteral("発行履歴を読めませんでした。\n%1").arg(status.error));
            return;
        }
        if (!Dialogs::askYesNo(this, ConfirmReprintMessage))
            return;
        if (!reprintAllowed(*this, id))
            return;
        // The note as recorded, on today's printer with today's offsets.
        const auto source = std::make_shared<RecordedNote>(*this, recorded->note);
        bool started = false;
        PrintRecording recording(*this);
        const std::optional<PrintPlan> plan =
            printOnPrinter(recorded->layout, source, started, [&](const PrintPlan &p) {
                ledger::IssuedNote again = *recorded;
                again.note = source->printNote();
                again.copies = p.copies;
                again.jobTitle = p.title;
                again.pdfFile.clear();
                again.reprintOf = recorded->reprintOf > 0 ? recorded->reprintOf : recorded->id;
                recording.begin(std::move(again));
            });
        recording.end(plan.has_value());
        printed = plan.has_value();
    });
    return printed;
}

bool TForm_Main::loadIssuedNote(qint64 id)
{
    ledger::LedgerStatus status;
    const std::optional<ledger::IssuedNote> recorded =
        ledger::NoteLedger(storeTarget()).load(id, status);
    if (!status.setAside.isEmpty())
        Dialogs::notify(this, ledgerSetAsideMessage(status.setAside));
    if (!recorded) {
        Dialogs::notify(this, QStringLiteral("発行履歴を読めませんでした。\n%1").arg(status.error));
        return false;
    }
    if (holdsUnsavedRows() && !Dialogs::askYesNo(this, ReplaceRowsQuestion, false))
        return false;
    const PrintNote &n = recorded->note;
    Edit_Zip->setText(recorded->zip);
    Edit_Add1->setText(recorded->addressLines[0]);
    Edit_Add2->setText(recorded->addressLines[1]);
    Edit_Add3->setText(recorded->addressLines[2]);
    Edit_Custo1->setText(n.customerName);
    Edit_tel->setText(recorded->tel);
    CheckBox_Recp->setChecked(n.receipt);
    CheckBox2->setChecked(n.printSlipNo);
    CheckBox_Date_1->setChecked(n.printDate);
    if (n.issueDate.isValid())
        DateTimePicker_1->setDate(n.issueDate);
    KiNumEdit_Slipno->setText(n.slipNo);
    ComboBox_TaxIncl->setCurrentIndex(n.taxIncluded ? 1 : 0);
    setHonorific(n.honorific);
    ComboBox_Paper->setCurrentIndex(recorded->layout);
    showRows(n);
    m_issuedRows = rowTexts();
    m_loadedRecord = LoadedRecord{recorded->id, n.slipNo, m_issuedRows, false, {}, {}};
    // The note is summed again with the rates it recorded and the rounding
    // mode that gives its figures, not with today's settings (which stay as
    // they are for every other note). Notes of older versions recorded no
    // rates: today's for their date stand in.
    DetailRows rows;
    ReducedMarks marks{};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const printing::PrintRow &r = n.rows[i];
        rows[i] = {r.qty, r.price, r.sales};
        marks[i] = r.reduced;
    }
    const QString standard = n.standardRate.percent.isEmpty() ? ratePercentText(Label_xTax->text())
                                                              : n.standardRate.percent;
    const QString reduced = n.reducedRate.percent.isEmpty()
                                ? ratePercentText(reducedFractionInForce())
                                : n.reducedRate.percent;
    m_loadedRecord->figures =
        figuresOfRecord(rows, marks, standard, reduced, n.taxIncluded,
                        {QString(), n.subtotal, n.tax, n.total}, Edit_TxDisp->text());
    refreshFigures();
    const TaxRateRow shop = taxRateRowInForce(taxRateRows(), DateTimePicker_1->date());
    if (const RecordFigures *f = loadedFigures();
        f && (f->rounding != Edit_TxDisp->text() ||
              f->standardFraction != rateFractionText(shop.standard) ||
              f->reducedFraction != rateFractionText(shop.reduced)))
        StatusBar1->showMessage(RecordedFiguresMessage.arg(ratePercentText(f->standardFraction),
                                                           ratePercentText(f->reducedFraction),
                                                           roundingName(f->rounding)));
    // No rates and rounding give the recorded figures again: the note
    // cannot be printed again as it was, and printing it is its correction.
    if (n.subtotal != KiNumEdit_ssal->Text() || n.tax != KiNumEdit_stax->Text() ||
        n.total != KiNumEdit_sttl->Text()) {
        m_loadedRecord->correction = true;
        m_loadedRecord->reason = QStringLiteral("端数処理・税率の変更による再計算");
        Dialogs::notify(
            this, QStringLiteral("この伝票の金額は、今の端数処理・税率では記録と異なります。\n"
                                 "記録: 小計 %1  消費税 %2  合計 %3\n"
                                 "現在: 小計 %4  消費税 %5  合計 %6\n"
                                 "印刷すると、この伝票の訂正として記録します。"
                                 "記録どおりに出すには発行履歴の「再印刷」を使ってください。")
                      .arg(n.subtotal, n.tax, n.total, KiNumEdit_ssal->Text(),
                           KiNumEdit_stax->Text(), KiNumEdit_sttl->Text()));
    }
    Edit_Zip->setFocus(Qt::OtherFocusReason);
    return true;
}
