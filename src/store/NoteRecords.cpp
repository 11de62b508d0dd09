// Records kept as the law asks: the hash chain over notes and events, the
// print states, cancellations and corrections, the PDF as sent, the export
// for an inspection, and the SQLite store's backup and restore.
//
// The chain: record k has the hash
//   SHA-256( hash(k-1) "\n" kind "\n" content )   (hash(0) = "")
// in lowercase hex, where kind is "note" or "event" and content is the
// row's columns below, in that order, each written as "<bytes>:<UTF-8>" or
// "-" for NULL. The columns are fixed here, whatever columns later schema
// steps add, so that a record once hashed always hashes alike.

#include "store/NoteLedger.h"

#include "store/StoreConnection.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <algorithm>

namespace ledger {
namespace {

using Failure = NoteLedger::Failure;

const char *const noteContentColumns =
    "id, printed_at, issued_on, slip_no, customer, zip, address, tel, subtotal, tax, total,"
    " tax_reg_no, layout, printer, copies, job_title, pdf_file, tax_included, note_json,"
    " reprint_of, note_uid";
const char *const eventContentColumns =
    "id, note_id, kind, at, who, reason, ref_id, pdf_file, pdf_sha256";

// The text file of an export: what the columns mean and how to verify.
const char exportReadme[] = R"(発行履歴の書き出し (Kanro_VEY_1)

notes.csv   発行した伝票 1 件につき 1 行 (UTF-8、BOM 付き、行末 CRLF)。
  id            記録先での伝票の番号
  printed_at    記録した日時 (ISO 8601)
  issued_on     伝票の日付
  slip_no       伝票番号
  customer, zip, address, tel   取引先
  subtotal, tax, total          小計・消費税・合計 (円)
  tax_reg_no    登録番号
  layout        用紙 (0 A5縦1, 1 A5縦2, 2 A5横)
  printer, copies, job_title, pdf_file   印刷先・部数・ジョブ名・(旧形式の) PDF ファイル名
  reprint_of    再印刷のとき、元の伝票の id
  tax_included  1 税込, 0 税抜
  state         発行 / 訂正(元の id の) / 訂正済(→訂正した伝票の id) / 取消 / 印刷中 / 印刷失敗
  corrects      この伝票が訂正した伝票の id (赤黒の黒)
  corrected_by  この伝票を訂正した伝票の id (赤黒の赤)
  reason, who, at   取消・訂正の理由、した人 (OS のユーザー名@端末)、日時
  pdf_sha256    送付した PDF の SHA-256 (pdf/<id>.pdf)
  record_seq, record_hash   記録の連鎖での番号とハッシュ

events.csv  伝票ごとの記録事項 (printing 印刷に渡す前, printed 印刷済, failed 失敗,
            cancelled 取消, corrected 訂正された) と、その連鎖での番号とハッシュ。
pdf/        送付した PDF そのもの (伝票の id ごと)。sha256sum で pdf_sha256 と照合できます。

記録の連鎖の確かめ方
  記録 k のハッシュ = SHA-256( 記録 k-1 のハッシュ + "
" + 種類 + "
" + 内容 ) (16 進小文字)
  記録 1 の前のハッシュは空文字列。種類は伝票なら "note"、記録事項なら "event"。
  内容は伝票なら id, printed_at, issued_on, slip_no, customer, zip, address, tel, subtotal,
  tax, total, tax_reg_no, layout, printer, copies, job_title, pdf_file, tax_included,
  note_json, reprint_of, note_uid の順、記録事項なら id, note_id, kind, at, who, reason,
  ref_id, pdf_file, pdf_sha256 の順に、各列を「UTF-8 のバイト数:値」(NULL は「-」) と
  改行で並べたもの。記録先全体はプログラムの「記録の検証」または
  Kanro_VEY_1 --verify-records (作業フォルダーで実行) で確かめられます。
)";

// Any key will do as long as every terminal uses the same one.
constexpr int chainLockKey = 20261210;

QByteArray canonical(const QSqlQuery &q, int columns)
{
    QByteArray out;
    for (int k = 0; k < columns; ++k) {
        const QVariant v = q.value(k);
        if (v.isNull()) {
            out += '-';
        } else {
            const QByteArray b = v.toString().toUtf8();
            out += QByteArray::number(b.size()) + ':' + b;
        }
        out += '\n';
    }
    return out;
}

QString chainHash(const QString &previous, const char *kind, const QByteArray &content)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(previous.toLatin1() + '\n' + kind + '\n');
    h.addData(content);
    return QString::fromLatin1(h.result().toHex());
}

QString sha256Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// The content of one record as hashed; false when its row is gone.
std::optional<Failure> contentOf(NoteLedger::Connection &c, const QString &kind, qint64 rowId,
                                 QByteArray &content, bool &found, QString *slipNo = nullptr)
{
    const bool note = kind == u"note";
    QSqlQuery q(c.db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE id = ?")
                  .arg(QLatin1String(note ? noteContentColumns : eventContentColumns),
                       note ? QStringLiteral("notes") : QStringLiteral("note_events")));
    q.addBindValue(rowId);
    if (!q.exec())
        return c.failure(q.lastError());
    found = q.next();
    if (found) {
        content = canonical(q, note ? 21 : 9);
        if (slipNo && note)
            *slipNo = q.value(3).toString();
    }
    return std::nullopt;
}

LedgerStatus refused(const QString &why)
{
    LedgerStatus s;
    s.error = why;
    return s;
}

QString nowText()
{
    const QDateTime now = NoteLedger::nowProvider();
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
}

// Appends one event and its place in the chain; inside a transaction.
std::optional<Failure> addEvent(NoteLedger::Connection &c, qint64 noteId, const char *kind,
                                const QString &who, const QString &reason, qint64 refId,
                                const QString &pdfFile = {}, const QString &pdfSha = {},
                                const QString &at = {})
{
    QSqlQuery q(c.db);
    q.prepare(QStringLiteral("INSERT INTO note_events (note_id, kind, at, who, reason, ref_id,"
                             " pdf_file, pdf_sha256) VALUES (?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"));
    q.addBindValue(noteId);
    q.addBindValue(QString::fromLatin1(kind));
    q.addBindValue(at.isEmpty() ? nowText() : at);
    q.addBindValue(text(who));
    q.addBindValue(text(reason));
    q.addBindValue(refId > 0 ? QVariant(refId) : QVariant(QMetaType(QMetaType::LongLong)));
    q.addBindValue(text(pdfFile));
    q.addBindValue(text(pdfSha));
    if (!q.exec() || !q.next())
        return c.failure(q.lastError());
    const qint64 id = q.value(0).toLongLong();
    q.finish();
    return c.appendToChain("event", id);
}

// Keeps a PDF's bytes once, by their SHA-256 (answered in *sha); inside a
// transaction.
std::optional<Failure> keepPdf(NoteLedger::Connection &c, const QByteArray &pdf, QString *sha)
{
    *sha = sha256Hex(pdf);
    QSqlQuery q(c.db);
    q.prepare(QStringLiteral("INSERT INTO pdfs (sha256, bytes) VALUES (?, ?)"
                             " ON CONFLICT (sha256) DO NOTHING"));
    q.addBindValue(*sha);
    q.addBindValue(pdf);
    return q.exec() ? std::nullopt : std::optional<Failure>(c.failure(q.lastError()));
}

// Every event of these notes, in the order recorded.
struct EventRow
{
    qint64 id = 0;
    qint64 noteId = 0;
    QString kind;
    QString at;
    QString who;
    QString reason;
    qint64 refId = 0;
    QString pdfFile;
    QString pdfSha;
};

std::optional<Failure> eventsWhere(NoteLedger::Connection &c, const QString &condition,
                                   const QVariantList &values, std::vector<EventRow> &out)
{
    QSqlQuery q(c.db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM note_events WHERE %2 ORDER BY id")
                  .arg(QLatin1String(eventContentColumns), condition));
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        return c.failure(q.lastError());
    while (q.next())
        out.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString(),
                       q.value(3).toString(), q.value(4).toString(), q.value(5).toString(),
                       q.value(6).toLongLong(), q.value(7).toString(), q.value(8).toString()});
    return std::nullopt;
}

// A note's state after one more of its events.
void applyEvent(NoteStatus &s, const EventRow &e)
{
    if (e.kind == u"printing") {
        s.state = NoteState::Printing;
        s.corrects = e.refId;
        if (e.refId > 0) {
            s.reason = e.reason;
            s.who = e.who;
            s.at = e.at;
        }
    } else if (e.kind == u"printed") {
        if (s.state == NoteState::Printing || s.state == NoteState::Failed)
            s.state = NoteState::Issued;
        s.pdfFile = e.pdfFile;
        s.pdfSha256 = e.pdfSha;
    } else if (e.kind == u"failed") {
        s.state = NoteState::Failed;
        s.reason = e.reason;
        s.pdfFile = e.pdfFile;
    } else if (e.kind == u"cancelled" || e.kind == u"corrected") {
        // The red half: the note no longer stands, for this reason.
        const bool cancelled = e.kind == u"cancelled";
        s.state = cancelled ? NoteState::Cancelled : NoteState::Corrected;
        s.correctedBy = cancelled ? 0 : e.refId;
        s.reason = e.reason;
        s.who = e.who;
        s.at = e.at;
    }
}

// The SQLite files this program has had open: one that vanishes is said.
QSet<QString> &seenFiles()
{
    static QSet<QString> files;
    return files;
}
QMutex seenFilesMutex;

} // namespace

QString noteStateText(const NoteStatus &s)
{
    switch (s.state) {
    case NoteState::Printing:
        return QStringLiteral("印刷中");
    case NoteState::Failed:
        return QStringLiteral("印刷失敗");
    case NoteState::Cancelled:
        return QStringLiteral("取消");
    case NoteState::Corrected:
        return QStringLiteral("訂正済(→%1)").arg(s.correctedBy);
    case NoteState::Issued:
        break;
    }
    return s.corrects > 0 ? QStringLiteral("訂正(%1の)").arg(s.corrects) : QStringLiteral("発行");
}

QString operatorName()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    return QStringLiteral("%1@%2").arg(user, QSysInfo::machineHostName());
}

std::optional<Failure> NoteLedger::Connection::appendToChain(const char *kind, qint64 rowId)
{
    // Appends are serialized: SQLite's writer holds the file's lock for the
    // transaction already; on PostgreSQL terminals wait for this lock.
    if (!sqlite)
        if (auto f = exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(chainLockKey)))
            return f;
    QByteArray content;
    bool found = false;
    if (auto f = contentOf(*this, QString::fromLatin1(kind), rowId, content, found))
        return f;
    if (!found)
        return Failure{QStringLiteral("no %1 %2 to chain").arg(QLatin1String(kind)).arg(rowId), 0};
    QSqlQuery last(db);
    if (!last.exec(QStringLiteral("SELECT seq, hash FROM chain ORDER BY seq DESC LIMIT 1")))
        return failure(last.lastError());
    qint64 seq = 0;
    QString previous;
    if (last.next()) {
        seq = last.value(0).toLongLong();
        previous = last.value(1).toString();
    }
    last.finish();
    return exec(QStringLiteral("INSERT INTO chain (seq, kind, row_id, hash) VALUES (?, ?, ?, ?)"),
                nullptr,
                {seq + 1, QString::fromLatin1(kind), rowId, chainHash(previous, kind, content)});
}

std::optional<Failure> NoteLedger::settleOpenedStore()
{
    // Only while the chain is empty (the first open after the step that
    // made it): later, a note outside the chain is one put in past the
    // program, and verification names it.
    if (!m_target.shared()) {
        const QMutexLocker lock(&seenFilesMutex);
        seenFiles().insert(QFileInfo(m_target.location).absoluteFilePath());
    }
    Connection &c = *m_db;
    QVariant started;
    if (auto f = c.exec(QStringLiteral("SELECT EXISTS (SELECT 1 FROM chain) OR NOT EXISTS"
                                       " (SELECT 1 FROM notes)"),
                        &started))
        return f;
    if (started.toBool())
        return std::nullopt; // joined already, or nothing to join (nothing written)
    return inTransaction(c, [&]() -> std::optional<Failure> {
        QSqlQuery q(c.db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT id FROM notes WHERE id NOT IN (SELECT row_id FROM"
                                   " chain WHERE kind = 'note') ORDER BY id")))
            return c.failure(q.lastError());
        std::vector<qint64> ids;
        while (q.next())
            ids.push_back(q.value(0).toLongLong());
        q.finish();
        for (qint64 id : ids)
            if (auto f = c.appendToChain("note", id))
                return f;
        return std::nullopt;
    });
}

void NoteLedger::noticeVanishedStore()
{
    if (m_target.shared())
        return;
    const QString path = QFileInfo(m_target.location).absoluteFilePath();
    const QMutexLocker lock(&seenFilesMutex);
    if (QFileInfo::exists(path)) {
        seenFiles().insert(path);
        return;
    }
    if (!seenFiles().remove(path))
        return;
    m_notice = QStringLiteral("発行履歴のファイル %1 がプログラムの実行中になくなりました"
                              " (消されたか移されました)。新しい発行履歴を始めます。"
                              "前の記録はバックアップから戻してください。")
                   .arg(path);
}

QString NoteLedger::recoverFrom(const QString &damagedFile)
{
    const QString name = QStringLiteral("kanro_recover_%1").arg(quintptr(this));
    int kept = 0;
    QStringList lost;
    {
        QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        old.setDatabaseName(damagedFile);
        old.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (old.open()) {
            Connection &c = *m_db;
            // The highest id any readable part of the file still names.
            qint64 last = 0;
            for (const char *sql : {"SELECT max(id) FROM notes", "SELECT id FROM notes",
                                    "SELECT seq FROM sqlite_sequence WHERE name = 'notes'"}) {
                QSqlQuery q(old);
                q.setForwardOnly(true);
                if (q.exec(QString::fromLatin1(sql)))
                    while (q.next())
                        last = std::max(last, q.value(0).toLongLong());
            }
            std::map<qint64, qint64> newId;
            inTransaction(c, [&]() -> std::optional<Failure> {
                for (qint64 id = 1; id <= last; ++id) {
                    QSqlQuery q(old);
                    q.setForwardOnly(true);
                    q.prepare(QStringLiteral("SELECT %1 FROM notes WHERE id = ?")
                                  .arg(QLatin1String(schema::recordColumns)));
                    q.addBindValue(id);
                    if (!q.exec()) {
                        lost << QString::number(id);
                        continue;
                    }
                    if (!q.next()) {
                        if (q.lastError().isValid())
                            lost << QString::number(id);
                        continue;
                    }
                    QVariantList row;
                    for (int k = 0; k < schema::recordColumnCount; ++k)
                        row << q.value(k);
                    // The reprint link follows its note to the new id.
                    QVariant &reprint = row[schema::recordColumnCount - 2];
                    if (!reprint.isNull())
                        reprint = newId.count(reprint.toLongLong())
                                      ? QVariant(newId[reprint.toLongLong()])
                                      : QVariant(QMetaType(QMetaType::LongLong));
                    qint64 inserted = 0;
                    if (c.insert(row, inserted)) {
                        lost << QString::number(id);
                        continue;
                    }
                    newId[id] = inserted;
                    ++kept;
                }
                // The events and PDFs the file still gives, for the notes kept.
                QSqlQuery e(old);
                e.setForwardOnly(true);
                if (e.exec(QStringLiteral("SELECT e.note_id, e.kind, e.at, e.who, e.reason,"
                                          " e.ref_id, e.pdf_file, e.pdf_sha256, p.bytes FROM"
                                          " note_events e LEFT JOIN pdfs p ON p.sha256 ="
                                          " e.pdf_sha256 ORDER BY e.id")))
                    while (e.next()) {
                        if (!newId.count(e.value(0).toLongLong()))
                            continue;
                        const QString sha = e.value(7).toString();
                        if (!sha.isEmpty())
                            c.exec(QStringLiteral("INSERT INTO pdfs (sha256, bytes) VALUES (?, ?)"
                                                  " ON CONFLICT (sha256) DO NOTHING"),
                                   nullptr, {sha, e.value(8).toByteArray()});
                        const qint64 ref = e.value(5).toLongLong();
                        QSqlQuery ins(c.db);
                        ins.prepare(QStringLiteral(
                            "INSERT INTO note_events (note_id, kind, at, who, reason, ref_id,"
                            " pdf_file, pdf_sha256) VALUES (?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"));
                        for (const QVariant &v :
                             {QVariant(newId[e.value(0).toLongLong()]), e.value(1), e.value(2),
                              e.value(3), e.value(4),
                              newId.count(ref) ? QVariant(newId[ref])
                                               : QVariant(QMetaType(QMetaType::LongLong)),
                              e.value(6), e.value(7)})
                            ins.addBindValue(v);
                        if (ins.exec() && ins.next()) {
                            const qint64 eventId = ins.value(0).toLongLong();
                            ins.finish();
                            if (auto f = c.appendToChain("event", eventId))
                                return f;
                        }
                    }
                return std::nullopt;
            });
        }
        old.close();
    }
    QSqlDatabase::removeDatabase(name);
    QString said = QStringLiteral("壊れたファイルから読めた伝票 %1 件を新しい発行履歴に移しました。")
                       .arg(kept);
    if (!lost.isEmpty())
        said += QStringLiteral("読めなかった伝票 (元の id): %1。").arg(lost.join(QStringLiteral(", ")));
    return said;
}

void forgetStoreFile(const QString &path)
{
    const QMutexLocker lock(&seenFilesMutex);
    seenFiles().remove(QFileInfo(path).absoluteFilePath());
}

LedgerStatus NoteLedger::beginPrint(IssuedNote &note, qint64 corrects, const QString &reason)
{
    if (corrects > 0) {
        std::map<qint64, NoteStatus> st;
        const LedgerStatus s = statusOf({corrects}, st);
        if (!s.ok())
            return s;
        const NoteState was = st[corrects].state;
        if (was == NoteState::Cancelled || was == NoteState::Corrected)
            return refused(QStringLiteral("伝票 %1 は取消または訂正済みのため、訂正できません。")
                        .arg(corrects));
    }
    const QString who = operatorName();
    return recordNotes(std::span<IssuedNote>(&note, 1), false, [&](qint64 id) {
        return addEvent(*m_db, id, "printing", who, reason, corrects);
    });
}

LedgerStatus NoteLedger::endPrint(qint64 noteId, bool printed, const QString &pdfFile,
                                  const QByteArray &pdf, const QString &why)
{
    return run([&]() -> std::optional<Failure> {
        Connection &c = *m_db;
        return inTransaction(c, [&]() -> std::optional<Failure> {
            std::vector<EventRow> events;
            if (auto f = eventsWhere(c, QStringLiteral("note_id = ?"), {noteId}, events))
                return f;
            for (const EventRow &e : events)
                if (e.kind == u"printed" || e.kind == u"failed")
                    return std::nullopt; // ended already (the next start got there first)
            QString sha;
            if (printed && !pdf.isEmpty())
                if (auto f = keepPdf(c, pdf, &sha))
                    return f;
            if (auto f = addEvent(c, noteId, printed ? "printed" : "failed", QString(), why, 0,
                                  pdfFile, sha))
                return f;
            // A correction takes effect once it is printed: the corrected
            // note gets its red half, naming the black one.
            for (const EventRow &e : events)
                if (printed && e.kind == u"printing" && e.refId > 0)
                    return addEvent(c, e.refId, "corrected", e.who, e.reason, noteId);
            return std::nullopt;
        });
    });
}

std::optional<Failure> carryPrintEnd(NoteLedger::Connection &from, qint64 fromId,
                                     NoteLedger::Connection &to, qint64 toId)
{
    const QString ends = QStringLiteral("note_id = ? AND kind IN ('printed', 'failed')");
    std::vector<EventRow> events;
    // A note sent again (its answer lost) has its end there already.
    if (auto f = eventsWhere(to, ends, {toId}, events))
        return f;
    if (!events.empty())
        return std::nullopt;
    if (auto f = eventsWhere(from, ends, {fromId}, events))
        return f;
    for (const EventRow &e : events) {
        QString sha;
        if (!e.pdfSha.isEmpty()) {
            QVariant bytes;
            if (auto f = from.exec(QStringLiteral("SELECT bytes FROM pdfs WHERE sha256 = ?"),
                                   &bytes, {e.pdfSha}))
                return f;
            if (bytes.isValid())
                if (auto f = keepPdf(to, bytes.toByteArray(), &sha))
                    return f;
        }
        if (auto f = addEvent(to, toId, e.kind == u"printed" ? "printed" : "failed", e.who,
                              e.reason, 0, e.pdfFile, sha, e.at))
            return f;
    }
    return std::nullopt;
}

LedgerStatus NoteLedger::unfinishedPrints(std::vector<NoteSummary> &out, const QString &who)
{
    out.clear();
    return run([&]() -> std::optional<Failure> {
        QSqlQuery q(m_db->db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral(
            "SELECT id, job_title, printed_at, slip_no FROM notes WHERE id IN (SELECT note_id"
            " FROM note_events WHERE kind = 'printing' AND (? = '' OR who = ?)) AND id NOT IN"
            " (SELECT note_id FROM note_events WHERE kind IN ('printed', 'failed')) ORDER BY id"));
        q.addBindValue(text(who));
        q.addBindValue(text(who));
        if (!q.exec())
            return m_db->failure(q.lastError());
        while (q.next()) {
            NoteSummary s;
            s.id = q.value(0).toLongLong();
            s.jobTitle = q.value(1).toString();
            s.printedAt = q.value(2).toString();
            s.slipNo = q.value(3).toString();
            out.push_back(s);
        }
        return std::nullopt;
    });
}

LedgerStatus NoteLedger::cancel(qint64 noteId, const QString &reason, const QString &who)
{
    if (reason.trimmed().isEmpty())
        return refused(QStringLiteral("取消の理由を入力してください。"));
    std::map<qint64, NoteStatus> st;
    const LedgerStatus s = statusOf({noteId}, st);
    if (!s.ok())
        return s;
    if (st[noteId].state == NoteState::Cancelled || st[noteId].state == NoteState::Corrected)
        return refused(QStringLiteral("伝票 %1 は取消または訂正済みです。").arg(noteId));
    return run([&]() -> std::optional<Failure> {
        return inTransaction(*m_db, [&] {
            return addEvent(*m_db, noteId, "cancelled", who, reason.trimmed(), 0);
        });
    });
}

LedgerStatus NoteLedger::statusOf(const std::vector<qint64> &ids,
                                  std::map<qint64, NoteStatus> &out)
{
    out.clear();
    return run([&]() -> std::optional<Failure> {
        for (qint64 id : ids)
            out[id] = NoteStatus{};
        if (ids.empty())
            return std::nullopt;
        QStringList marks;
        QVariantList values;
        for (qint64 id : ids) {
            marks << QStringLiteral("?");
            values << id;
        }
        std::vector<EventRow> events;
        if (auto f = eventsWhere(*m_db,
                                 QStringLiteral("note_id IN (%1)").arg(marks.join(u',')),
                                 values, events))
            return f;
        for (const EventRow &e : events)
            applyEvent(out[e.noteId], e);
        return std::nullopt;
    });
}

LedgerStatus NoteLedger::keptPdf(qint64 noteId, QByteArray &bytes, QString &fileName)
{
    bytes.clear();
    fileName.clear();
    return run([&]() -> std::optional<Failure> {
        std::vector<EventRow> events;
        if (auto f = eventsWhere(*m_db, QStringLiteral("note_id = ? AND kind = 'printed'"),
                                 {noteId}, events))
            return f;
        if (events.empty() || events.back().pdfSha.isEmpty())
            return Failure{QStringLiteral("伝票 %1 には保存された PDF がありません。").arg(noteId),
                           0};
        QVariant value;
        if (auto f = m_db->exec(QStringLiteral("SELECT bytes FROM pdfs WHERE sha256 = ?"), &value,
                                {events.back().pdfSha}))
            return f;
        bytes = value.toByteArray();
        fileName = events.back().pdfFile;
        if (sha256Hex(bytes) != events.back().pdfSha)
            return Failure{QStringLiteral("伝票 %1 の PDF が記録と一致しません。").arg(noteId), 0};
        return std::nullopt;
    });
}

LedgerStatus NoteLedger::verifyRecords(ChainCheck &check)
{
    check = ChainCheck{};
    return run([&]() -> std::optional<Failure> {
        Connection &c = *m_db;
        QSqlQuery q(c.db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT seq, kind, row_id, hash FROM chain ORDER BY seq")))
            return c.failure(q.lastError());
        // Read whole first: PostgreSQL's driver holds one result at a time.
        struct Link
        {
            qint64 seq;
            QString kind;
            qint64 rowId;
            QString hash;
        };
        std::vector<Link> links;
        while (q.next())
            links.push_back({q.value(0).toLongLong(), q.value(1).toString(),
                             q.value(2).toLongLong(), q.value(3).toString()});
        q.finish();
        QString previous;
        qint64 expected = 1;
        for (const Link &link : links) {
            const qint64 seq = link.seq;
            const QString &kind = link.kind;
            const qint64 rowId = link.rowId;
            const QString what = kind == u"note" ? QStringLiteral("伝票 id %1").arg(rowId)
                                                 : QStringLiteral("記録事項 id %1").arg(rowId);
            if (seq != expected) {
                check.firstMismatch =
                    QStringLiteral("記録 %1 がありません (削除されています)").arg(expected);
                return std::nullopt;
            }
            QByteArray content;
            bool found = false;
            QString slip;
            if (auto f = contentOf(c, kind, rowId, content, found, &slip))
                return f;
            if (!found) {
                check.firstMismatch =
                    QStringLiteral("記録 %1 (%2) がありません (削除されています)").arg(seq).arg(what);
                return std::nullopt;
            }
            const QString hash = chainHash(previous, kind == u"note" ? "note" : "event", content);
            if (hash != link.hash) {
                check.firstMismatch =
                    QStringLiteral("記録 %1 (%2%3) が記録時と一致しません (変更されています)")
                        .arg(seq)
                        .arg(what, slip.isEmpty() ? QString()
                                                  : QStringLiteral(", 伝票番号 %1").arg(slip));
                return std::nullopt;
            }
            previous = hash;
            ++expected;
            ++check.checked;
        }
        // A row the chain does not know was put in past the program.
        for (const auto &[table, kind] :
             {std::pair{"notes", "note"}, std::pair{"note_events", "event"}}) {
            QVariant stray;
            if (auto f = c.exec(QStringLiteral("SELECT min(id) FROM %1 WHERE id NOT IN (SELECT"
                                               " row_id FROM chain WHERE kind = '%2')")
                                    .arg(QLatin1String(table), QLatin1String(kind)),
                                &stray))
                return f;
            if (!stray.isNull()) {
                check.firstMismatch =
                    QStringLiteral("%1 id %2 は記録の連鎖にありません (後から加えられています)")
                        .arg(kind == std::string_view("note") ? QStringLiteral("伝票")
                                                              : QStringLiteral("記録事項"))
                        .arg(stray.toLongLong());
                return std::nullopt;
            }
        }
        // Each kept PDF is the one its record names.
        QSqlQuery p(c.db);
        p.setForwardOnly(true);
        if (!p.exec(QStringLiteral("SELECT e.note_id, e.pdf_sha256, p.bytes FROM note_events e"
                                   " LEFT JOIN pdfs p ON p.sha256 = e.pdf_sha256"
                                   " WHERE e.pdf_sha256 <> '' ORDER BY e.id")))
            return c.failure(p.lastError());
        while (p.next())
            if (sha256Hex(p.value(2).toByteArray()) != p.value(1).toString()) {
                check.firstMismatch =
                    QStringLiteral("伝票 id %1 の PDF が記録と一致しません").arg(p.value(0).toLongLong());
                return std::nullopt;
            }
        return std::nullopt;
    });
}

LedgerStatus NoteLedger::exportRecords(const QDate &from, const QDate &to, const QString &folder,
                                       int &count)
{
    count = 0;
    NoteQuery query;
    query.from = from;
    query.to = to;
    std::vector<NoteSummary> notes;
    LedgerStatus status = search(query, -1, notes);
    if (!status.ok())
        return status;
    std::reverse(notes.begin(), notes.end()); // oldest first
    status = run([&]() -> std::optional<Failure> {
        Connection &c = *m_db;
        if (!QDir().mkpath(folder + QStringLiteral("/pdf")))
            return Failure{QStringLiteral("%1 を作れません").arg(folder), 0};
        std::map<QString, QString> hashOf; // "note:7" -> chain hash
        std::map<QString, qint64> seqOf;
        {
            QSqlQuery q(c.db);
            q.setForwardOnly(true);
            if (!q.exec(QStringLiteral("SELECT seq, kind, row_id, hash FROM chain")))
                return c.failure(q.lastError());
            while (q.next()) {
                const QString key =
                    q.value(1).toString() + u':' + QString::number(q.value(2).toLongLong());
                hashOf[key] = q.value(3).toString();
                seqOf[key] = q.value(0).toLongLong();
            }
        }
        std::vector<qint64> ids;
        for (const NoteSummary &n : notes)
            ids.push_back(n.id);
        std::map<qint64, NoteStatus> states;
        std::vector<EventRow> events;
        if (!ids.empty()) {
            for (const NoteSummary &n : notes) {
                std::vector<EventRow> own;
                if (auto f = eventsWhere(c, QStringLiteral("note_id = ?"), {n.id}, own))
                    return f;
                for (const EventRow &e : own)
                    applyEvent(states[n.id], e);
                events.insert(events.end(), own.begin(), own.end());
            }
        }
        // notesCsv's lines, each followed by the record's own columns.
        QString out = QString::fromLatin1(schema::summaryColumns).remove(u' ') +
                      QStringLiteral(",state,corrects,corrected_by,reason,who,at,pdf_sha256,"
                                     "record_seq,record_hash\r\n");
        QByteArray csv = QByteArray("\xEF\xBB\xBF") + out.toUtf8();
        // The summary lines are rebuilt one note at a time so that quoted
        // line breaks never split a row.
        for (const NoteSummary &n : notes) {
            QByteArray line = notesCsv({n});
            line = line.mid(line.indexOf("\r\n") + 2); // past BOM and header
            line.chop(2);
            const NoteStatus &s = states[n.id];
            const QString key = QStringLiteral("note:%1").arg(n.id);
            const QStringList extra = {
                noteStateText(s),
                s.corrects > 0 ? QString::number(s.corrects) : QString(),
                s.correctedBy > 0 ? QString::number(s.correctedBy) : QString(),
                csvField(s.reason, true),
                csvField(s.who, true),
                s.at,
                s.pdfSha256,
                QString::number(seqOf.count(key) ? seqOf[key] : 0),
                hashOf[key],
            };
            csv += line + ',' + extra.join(u',').toUtf8() + "\r\n";
        }
        QString ev = QStringLiteral("\xFEFF"
                                    "id,note_id,kind,at,who,reason,ref_id,pdf_file,pdf_sha256,"
                                    "record_seq,record_hash\r\n");
        for (const EventRow &e : events) {
            const QString key = QStringLiteral("event:%1").arg(e.id);
            ev += QStringList{QString::number(e.id), QString::number(e.noteId), e.kind, e.at,
                              csvField(e.who, true), csvField(e.reason, true),
                              e.refId > 0 ? QString::number(e.refId) : QString(),
                              csvField(e.pdfFile, true), e.pdfSha,
                              QString::number(seqOf.count(key) ? seqOf[key] : 0), hashOf[key]}
                      .join(u',') +
                  QStringLiteral("\r\n");
        }
        auto write = [&](const QString &name, const QByteArray &bytes) -> std::optional<Failure> {
            QSaveFile f(QDir(folder).filePath(name));
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
                return Failure{QStringLiteral("%1 に書き込めません").arg(f.fileName()), 0};
            return std::nullopt;
        };
        if (auto f = write(QStringLiteral("notes.csv"), csv))
            return f;
        if (auto f = write(QStringLiteral("events.csv"), ev.toUtf8()))
            return f;
        for (const EventRow &e : events) {
            if (e.pdfSha.isEmpty())
                continue;
            QVariant bytes;
            if (auto f = c.exec(QStringLiteral("SELECT bytes FROM pdfs WHERE sha256 = ?"), &bytes,
                                {e.pdfSha}))
                return f;
            if (auto f = write(QStringLiteral("pdf/%1.pdf").arg(e.noteId), bytes.toByteArray()))
                return f;
        }
        if (auto f = write(QStringLiteral("説明.txt"), QByteArray(exportReadme)))
            return f;
        count = int(notes.size());
        return std::nullopt;
    });
    return status;
}

LedgerStatus NoteLedger::backupTo(const QString &file)
{
    if (m_target.shared())
        return refused(QStringLiteral("共有の記録先は pg_dump でバックアップしてください。"));
    if (QFileInfo::exists(file))
        return refused(QStringLiteral("%1 はすでにあります").arg(file));
    // VACUUM INTO reads one consistent state of the store, whatever other
    // connections write meanwhile, and writes a compact copy.
    return run([&]() -> std::optional<Failure> {
        return m_db->exec(QStringLiteral("VACUUM INTO ?"), nullptr, {file});
    });
}

LedgerStatus NoteLedger::restoreFrom(const QString &backup, const QString &ledgerPath,
                                     QString &keptAs)
{
    keptAs.clear();
    {
        ChainCheck check;
        NoteLedger copy(backup);
        const LedgerStatus s = copy.verifyRecords(check);
        if (!s.ok())
            return s;
        if (!check.ok())
            return refused(QStringLiteral("バックアップ %1 の記録が一致しません: %2")
                        .arg(backup, check.firstMismatch));
    }
    const QString stamp = nowProvider().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QFileInfo info(ledgerPath);
    if (info.exists()) {
        // Folding the journal in first, the file alone is the whole store.
        {
            NoteLedger current(ledgerPath);
            current.run([&]() -> std::optional<Failure> {
                return current.m_db->exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
            });
        }
        forgetStoreFile(ledgerPath);
        keptAs = QStringLiteral("%1/%2-before-restore-%3.db")
                     .arg(info.absolutePath(), info.completeBaseName(), stamp);
        if (!QFile::rename(ledgerPath, keptAs))
            return refused(QStringLiteral("%1 を移せません").arg(ledgerPath));
        for (const char *suffix : {"-wal", "-shm"})
            QFile::rename(ledgerPath + QLatin1String(suffix), keptAs + QLatin1String(suffix));
    }
    if (!QFile::copy(backup, ledgerPath))
        return refused(QStringLiteral("%1 を %2 に写せません").arg(backup, ledgerPath));
    QFile::setPermissions(ledgerPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    return {};
}

} // namespace ledger
