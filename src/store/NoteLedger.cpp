#include "store/NoteLedger.h"

#include "store/StoreConnection.h"

#include "note/PrintNoteJson.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>
#include <atomic>
#include <cmath>
#include <utility>
#include <sys/vfs.h>

namespace ledger {
namespace {

// SQLite's primary result codes that mean the file is not a sound database.
constexpr int sqliteCorrupt = 11;
constexpr int sqliteNotADatabase = 26;

// statfs's f_type of the network file systems.
constexpr long nfsMagic = 0x6969;
constexpr long smbMagic = 0x517B;
constexpr long cifsMagic = 0xFF534D42;
constexpr long smb2Magic = 0xFE534D42;
constexpr long fuseMagic = 0x65735546;

} // namespace

namespace {

using Failure = NoteLedger::Failure;

bool isDamage(const Failure &f)
{
    return f.code == sqliteCorrupt || f.code == sqliteNotADatabase;
}

NoteSummary summaryFrom(const QSqlQuery &q)
{
    NoteSummary s;
    int c = 0;
    s.id = q.value(c++).toLongLong();
    s.printedAt = q.value(c++).toString();
    s.issuedOn = q.value(c++).toString();
    s.slipNo = q.value(c++).toString();
    s.customer = q.value(c++).toString();
    s.zip = q.value(c++).toString();
    s.address = q.value(c++).toString();
    s.tel = q.value(c++).toString();
    s.subtotal = q.value(c++).toString();
    s.tax = q.value(c++).toString();
    s.total = q.value(c++).toString();
    s.taxRegNo = q.value(c++).toString();
    s.layout = q.value(c++).toInt();
    s.printer = q.value(c++).toString();
    s.copies = q.value(c++).toInt();
    s.jobTitle = q.value(c++).toString();
    s.pdfFile = q.value(c++).toString();
    s.reprintOf = q.value(c++).toLongLong();
    s.taxIncluded = q.value(c++).toInt() != 0;
    return s;
}

QString noteJson(const IssuedNote &n)
{
    QJsonObject o;
    o.insert(QStringLiteral("note"), printing::printNoteToJson(n.note));
    QJsonArray lines;
    for (const QString &l : n.addressLines)
        lines.append(l);
    o.insert(QStringLiteral("addressLines"), lines);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

// Where a damaged ledger goes: beside it, named with the date and time.
QString setAsidePath(const QString &path, const QDateTime &now)
{
    const QFileInfo info(path);
    const QString stem = QStringLiteral("%1/%2-damaged-%3")
                             .arg(info.absolutePath(), info.completeBaseName(),
                                  now.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString candidate = stem + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = QStringLiteral("%1-%2.db").arg(stem).arg(n);
    return candidate;
}

} // namespace

std::function<QDateTime()> NoteLedger::nowProvider = [] { return QDateTime::currentDateTime(); };

QString IssuedNote::addressText() const
{
    QStringList parts;
    for (const QString &l : addressLines)
        if (!l.isEmpty())
            parts.append(l);
    return parts.join(u' ');
}

QString ledgerFilePath(const QString &workingDir)
{
    return QDir(workingDir).filePath(QStringLiteral("Kanro_ledger.db"));
}

std::function<long(const QString &folder)> fileSystemTypeProvider = [](const QString &folder) {
    struct statfs info
    {
    };
    if (::statfs(QFile::encodeName(folder).constData(), &info) != 0)
        return 0L;
    return long(info.f_type);
};

QString networkFileSystem(const QString &folder)
{
    switch (fileSystemTypeProvider(folder)) {
    case nfsMagic:
        return QStringLiteral("NFS");
    case smbMagic:
    case cifsMagic:
    case smb2Magic:
        return QStringLiteral("SMB/CIFS");
    case fuseMagic:
        return QStringLiteral("FUSE");
    default:
        return {};
    }
}

QString networkLedgerMessage(const QString &path, const QString &fileSystem)
{
    return QStringLiteral(
               "発行履歴のファイル %1 はネットワーク上のファイルシステム (%2) にあり、"
               "複数の PC から安全には使えません。共有の記録先 (PostgreSQL、設定の DbConnect) "
               "を使ってください。")
        .arg(path, fileSystem);
}

NoteLedger::NoteLedger(QString path) : NoteLedger(StoreTarget::sqlite(std::move(path))) {}

NoteLedger::NoteLedger(StoreTarget target) : m_target(std::move(target)) {}

NoteLedger::~NoteLedger() = default;

void NoteLedger::setBusyTimeout(int milliseconds)
{
    m_busyTimeout = milliseconds;
    close();
}

void NoteLedger::close()
{
    m_db.reset();
}

std::optional<NoteLedger::Failure> NoteLedger::ensureOpen()
{
    if (m_db)
        return std::nullopt;
    if (!m_target.shared()) {
        const QString folder = QFileInfo(m_target.location).absolutePath();
        const QString network = networkFileSystem(folder);
        if (!network.isEmpty())
            return Failure{networkLedgerMessage(m_target.location, network), 0};
    }
    noticeVanishedStore();
    m_db = std::make_unique<Connection>(m_target, m_busyTimeout);
    if (!m_db->db.open())
        return m_db->failure(m_db->db.lastError());
    if (auto f = m_db->prepareSchema())
        return f;
    return settleOpenedStore();
}

LedgerStatus NoteLedger::run(const std::function<std::optional<Failure>()> &op)
{
    LedgerStatus status;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::optional<Failure> f = ensureOpen();
        if (!f && !status.setAside.isEmpty())
            status.notice += recoverFrom(status.setAside);
        if (!f) {
            // A shared store that falls silent while it is asked is given up
            // just after its own statement timeout would have answered.
            m_db->watchedSocket = m_db->watchdog ? postgresSocket(m_db->db) : -1;
            m_db->watch();
            f = op();
            if (m_db && m_db->watchedSocket >= 0) {
                m_db->watchdog->disarm();
                m_db->watchedSocket = -1;
            }
        }
        status.notice += std::exchange(m_notice, {});
        if (!f)
            return status;
        close();
        if (!isDamage(*f) || attempt > 0 || m_target.shared()) {
            status.error = f->text;
            return status;
        }
        const QString &path = m_target.location;
        const QString aside = setAsidePath(path, nowProvider());
        forgetStoreFile(path);
        if (!QFile::rename(path, aside)) {
            status.error = QStringLiteral("%1 (the damaged file could not be moved)").arg(f->text);
            return status;
        }
        // The journal files belong to the damaged file.
        for (const char *suffix : {"-wal", "-shm"}) {
            const QString from = path + QLatin1String(suffix);
            if (QFileInfo::exists(from) && !QFile::rename(from, aside + QLatin1String(suffix)))
                QFile::remove(from);
        }
        status.setAside = aside;
    }
    return status;
}

namespace {

// A note's row in recordColumns' order. Each print is a new note with a new
// uid (a reprint copies its original's fields); a note kept for sending
// keeps the uid its first attempt was made with.
QVariantList rowValues(IssuedNote &note, const QString &printedAt, bool newNote)
{
    if (newNote || note.uid.isEmpty())
        note.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const printing::PrintNote &n = note.note;
    return {
        printedAt,
        text(n.issueDate.isValid() ? n.issueDate.toString(Qt::ISODate) : QString()),
        text(n.slipNo.trimmed()),
        text(n.customerName),
        text(note.zip),
        text(note.addressText()),
        text(note.tel),
        text(n.subtotal),
        text(n.tax),
        text(n.total),
        text(note.taxRegNo),
        note.layout,
        text(note.printer),
        note.copies,
        text(note.jobTitle),
        text(note.pdfFile),
        n.taxIncluded ? 1 : 0,
        noteJson(note),
        note.reprintOf > 0 ? QVariant(note.reprintOf) : QVariant(QMetaType(QMetaType::LongLong)),
        note.uid,
    };
}

} // namespace

LedgerStatus NoteLedger::record(IssuedNote &note)
{
    return record(std::span<IssuedNote>(&note, 1));
}

LedgerStatus NoteLedger::record(std::span<IssuedNote> notes)
{
    return recordNotes(notes, false);
}

LedgerStatus NoteLedger::keepForSending(IssuedNote &note)
{
    return recordNotes(std::span<IssuedNote>(&note, 1), true);
}

LedgerStatus NoteLedger::recordNotes(std::span<IssuedNote> notes, bool queue,
                                     const std::function<std::optional<Failure>(qint64)> &also)
{
    const QDateTime now = nowProvider();
    const QString printedAt = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
    std::vector<qint64> ids;
    const LedgerStatus status = run([&]() -> std::optional<Failure> {
        ids.clear();
        Connection &c = *m_db;
        // A note, its place in the chain, its customer and its items go in
        // together.
        if (auto f = c.begin())
            return f;
        for (IssuedNote &note : notes) {
            qint64 id = 0;
            std::optional<Failure> f = c.insert(rowValues(note, printedAt, !queue), id);
            if (!f)
                f = rememberCustomerAndItems(note, id, printedAt);
            if (!f && queue)
                f = c.exec(QStringLiteral("INSERT INTO outbox (note_id) VALUES (?) ON CONFLICT "
                                          "DO NOTHING"),
                           nullptr, {id});
            if (!f && also)
                f = also(id);
            if (f)
                return c.rollback(*f);
            ids.push_back(id);
        }
        if (!c.db.commit())
            return c.rollback(c.failure(c.db.lastError()));
        return std::nullopt;
    });
    if (status.ok())
        for (std::size_t k = 0; k < notes.size(); ++k) {
            notes[k].id = ids[k];
            notes[k].printedAt = now;
        }
    return status;
}

LedgerStatus NoteLedger::nextNumber(const QString &counter, qint64 seed, qint64 &number)
{
    return run([&]() -> std::optional<Failure> {
        Connection &c = *m_db;
        if (auto f = c.exec(QStringLiteral("INSERT INTO counters (name, value) VALUES (?, ?)"
                                           " ON CONFLICT (name) DO NOTHING"),
                            nullptr, {counter, seed}))
            return f;
        QVariant value;
        if (auto f = c.exec(QStringLiteral("UPDATE counters SET value = value + 1 WHERE name = ?"
                                           " RETURNING value"),
                            &value, {counter}))
            return f;
        if (!value.isValid())
            return Failure{QStringLiteral("no counter %1").arg(counter), 0};
        number = value.toLongLong();
        return std::nullopt;
    });
}

LedgerStatus NoteLedger::waitingCount(int &count)
{
    count = 0;
    return run([&]() -> std::optional<Failure> {
        QVariant value;
        if (auto f = m_db->exec(QStringLiteral("SELECT count(*) FROM outbox"), &value))
            return f;
        count = value.toInt();
        return std::nullopt;
    });
}

namespace {

// The printed note and the destination's lines kept in a note's JSON.
void readNoteJson(IssuedNote &n, const QJsonObject &o)
{
    n.note = printing::printNoteFromJson(o.value(QStringLiteral("note")).toObject());
    const QJsonArray lines = o.value(QStringLiteral("addressLines")).toArray();
    for (int k = 0; k < 3 && k < lines.size(); ++k)
        n.addressLines[std::size_t(k)] = lines.at(k).toString();
}

// A record's value by its column's name in schema::recordColumns.
QVariant recordValue(const QVariantList &row, QLatin1String column)
{
    static const QStringList names =
        QString::fromLatin1(schema::recordColumns).split(QStringLiteral(", "));
    return row.value(names.indexOf(column));
}

} // namespace

LedgerStatus NoteLedger::sendTo(NoteLedger &target, bool all, int &sent)
{
    sent = 0;
    return run([&]() -> std::optional<Failure> {
        QSqlQuery q(m_db->db);
        q.setForwardOnly(true);
        // A reprint names its original by this ledger's id, which the target
        // knows by the original's uid. Waiting notes were printed from the
        // shared store's notes and name them by its ids already.
        const QString sql =
            QStringLiteral("SELECT n.id, %1, o.note_uid FROM notes n LEFT JOIN notes o"
                           " ON o.id = n.reprint_of%2 ORDER BY n.id")
                .arg(QString::fromLatin1(schema::recordColumns)
                         .replace(QStringLiteral(", "), QStringLiteral(", n."))
                         .prepend("n."),
                     all ? QString()
                         : QStringLiteral(" WHERE n.id IN (SELECT note_id FROM outbox)"));
        if (!q.exec(sql))
            return m_db->failure(q.lastError());
        struct Pending
        {
            qint64 id;
            QVariantList row;
            QString originalUid;
        };
        std::vector<Pending> pending;
        while (q.next()) {
            Pending p{q.value(0).toLongLong(), {}, q.value(schema::recordColumnCount + 1).toString()};
            for (int k = 1; k <= schema::recordColumnCount; ++k)
                p.row << q.value(k);
            pending.push_back(std::move(p));
        }
        q.finish();
        std::optional<Failure> failure;
        for (Pending &p : pending) {
            const LedgerStatus st = target.run([&]() -> std::optional<Failure> {
                Connection &t = *target.m_db;
                if (all) {
                    QVariant original;
                    if (!p.originalUid.isEmpty())
                        if (auto f =
                                t.exec(QStringLiteral("SELECT id FROM notes WHERE note_uid = ?"),
                                       &original, {p.originalUid}))
                            return f;
                    p.row[schema::recordColumnCount - 2] =
                        original.isValid() ? original : QVariant(QMetaType(QMetaType::LongLong));
                }
                qint64 id = 0;
                if (auto f = t.begin())
                    return f;
                if (auto f = t.insert(p.row, id))
                    return t.rollback(*f);
                // The note's customer and items, as if it had been recorded
                // there at once (its summary invoices count it).
                IssuedNote note;
                readNoteJson(note,
                             QJsonDocument::fromJson(
                                 recordValue(p.row, QLatin1String("note_json")).toString().toUtf8())
                                 .object());
                note.zip = recordValue(p.row, QLatin1String("zip")).toString();
                note.tel = recordValue(p.row, QLatin1String("tel")).toString();
                if (auto f = target.rememberCustomerAndItems(
                        note, id, recordValue(p.row, QLatin1String("printed_at")).toString()))
                    return t.rollback(*f);
                if (auto f = carryPrintEnd(*m_db, p.id, t, id))
                    return t.rollback(*f);
                return t.db.commit() ? std::nullopt : t.rollback(t.failure(t.db.lastError()));
            });
            if (!st.ok()) {
                failure = Failure{st.error, 0};
                break;
            }
            ++sent;
            if (auto f = m_db->exec(QStringLiteral("DELETE FROM outbox WHERE note_id = ?"), nullptr,
                                    {p.id}))
                return f;
        }
        return failure;
    });
}

LedgerStatus NoteLedger::describe(QString &what)
{
    return run([&]() -> std::optional<Failure> {
        QSqlQuery q(m_db->db);
        if (m_db->sqlite) {
            if (!q.exec(QStringLiteral("SELECT sqlite_version()")) || !q.next())
                return m_db->failure(q.lastError());
            what = QStringLiteral("SQLite %1, %2").arg(q.value(0).toString(), m_target.location);
        } else {
            if (!q.exec(QStringLiteral("SELECT current_setting('server_version'),"
                                       " current_database(), current_user")) ||
                !q.next())
                return m_db->failure(q.lastError());
            what = QStringLiteral("PostgreSQL %1, database %2, user %3")
                       .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString());
        }
        return std::nullopt;
    });
}

namespace {

// A part of a name this long or longer is looked up in the trigram index;
// a shorter one is compared with every name in date order.
constexpr int indexedNameLength = 3;
// Where a condition matches fewer notes than this, its own index finds them
// and they are sorted by date; where every condition matches more, the
// notes are walked newest first by the date index until the list is full
// (one note in 200 or more matches, so that walk ends soon).
constexpr int fewNotes = 5000;
// A shorter part held by this many names or fewer is looked for by the
// customer index, name by name.
constexpr int fewNames = 100;

// FTS5 reads a text in double quotes as one phrase: with the trigram
// tokenizer, exactly the names that hold it.
QString ftsPhrase(const QString &part)
{
    QString quoted = part;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

LedgerStatus NoteLedger::search(const NoteQuery &query, int limit, std::vector<NoteSummary> &out)
{
    out.clear();
    return run([&]() -> std::optional<Failure> {
        const bool sqlite = m_db->sqlite;
        const QString amount =
            sqlite ? QStringLiteral("CAST(total AS REAL)") : QStringLiteral("kanro_amount(total)");
        const QString slipNo = query.slipNo.trimmed();
        const bool indexedName = query.customer.toUcs4().size() >= indexedNameLength;
        QStringList where;
        QVariantList values;
        appendQueryConditions(query, sqlite, "issued_on", amount, "customer", "slip_no", where,
                              values);
        if (!sqlite && indexedName) {
            // The trigram index's way in; the name itself decides.
            where << QStringLiteral("customer_grams LIKE '%' || kanro_grams(?) || '%'");
            values << query.customer;
        }
        // A part too short for the trigram index: first the names that hold
        // it. None: no note can match; a few: their notes by the customer index.
        QVariantList names;
        if (!query.customer.isEmpty() && !indexedName) {
            QSqlQuery q(m_db->db);
            q.setForwardOnly(true);
            q.prepare(QStringLiteral("SELECT name FROM customer_names WHERE %1 LIMIT %2")
                          .arg(sqlite ? QStringLiteral("instr(name, ?) > 0")
                                      : QStringLiteral("strpos(name, ?) > 0"))
                          .arg(fewNames + 1));
            q.addBindValue(query.customer);
            if (!q.exec())
                return m_db->failure(q.lastError());
            while (q.next())
                names << q.value(0);
            if (names.isEmpty())
                return std::nullopt;
            if (names.size() > fewNames)
                names.clear();
        }
        const QString namesIn = QStringLiteral("customer IN (%1)")
                                    .arg(QStringList(names.size(), QStringLiteral("?")).join(u','));
        if (!names.isEmpty()) {
            where << namesIn;
            values << names;
        }

        // SQLite: the index of the condition that matches fewest notes.
        enum class Way { DateIndex, Plain, Names, Amounts, Customers } way = Way::Plain;
        if (sqlite && slipNo.isEmpty()) {
            way = Way::DateIndex;
            int fewest = fewNotes;
            const auto count = [&](const QString &sql, const QVariantList &bound,
                                   Way candidate) -> std::optional<Failure> {
                QVariant n;
                if (auto f = m_db->exec(QStringLiteral("SELECT count(*) FROM (%1 LIMIT %2)")
                                            .arg(sql)
                                            .arg(fewNotes),
                                        &n, bound))
                    return f;
                if (n.toInt() < fewest) {
                    fewest = n.toInt();
                    way = candidate;
                }
                return std::nullopt;
            };
            if (indexedName)
                if (auto f = count(QStringLiteral("SELECT rowid FROM notes_customer_grams"
                                                  " WHERE notes_customer_grams MATCH ?"),
                                   {ftsPhrase(query.customer)}, Way::Names))
                    return f;
            if (!names.isEmpty())
                if (auto f = count(QStringLiteral("SELECT 1 FROM notes INDEXED BY notes_customer"
                                                  " WHERE %1")
                                       .arg(namesIn),
                                   names, Way::Customers))
                    return f;
            if (query.minTotal || query.maxTotal)
                if (auto f = count(QStringLiteral("SELECT 1 FROM notes INDEXED BY notes_total"
                                                  " WHERE %1 BETWEEN ? AND ?")
                                       .arg(amount),
                                   {query.minTotal.value_or(-HUGE_VAL),
                                    query.maxTotal.value_or(HUGE_VAL)},
                                   Way::Amounts))
                    return f;
        }
        if (way == Way::Names) {
            where << QStringLiteral("id IN (SELECT rowid FROM notes_customer_grams"
                                    " WHERE notes_customer_grams MATCH ?)");
            values << ftsPhrase(query.customer);
        }
        if (!query.withVoided)
            where << QStringLiteral("id NOT IN (SELECT note_id FROM note_events"
                                    " WHERE kind IN ('cancelled', 'corrected'))");
        const QString filter =
            where.isEmpty() ? QString()
                            : QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
        const QString order = QStringLiteral(" ORDER BY issued_on DESC, id DESC");
        const QString cut = limit >= 0 ? QStringLiteral(" LIMIT %1").arg(limit) : QString();
        const QString columns = QLatin1String(schema::summaryColumns);
        QString sql;
        switch (way) {
        case Way::Plain:
            // The slip number index finds the few notes at once; PostgreSQL's
            // planner picks its index itself, the listed ids first (from the
            // listing index alone when it walks that), then their rows.
            sql = sqlite || limit < 0
                      ? QStringLiteral("SELECT %1 FROM notes%2%3%4").arg(columns, filter, order, cut)
                      : QStringLiteral("SELECT %1 FROM notes WHERE id IN (SELECT id FROM notes%2%3%4)%3")
                            .arg(columns, filter, order, cut);
            break;
        case Way::Names:
            sql = QStringLiteral("SELECT %1 FROM notes NOT INDEXED%2%3%4")
                      .arg(columns, filter, order, cut);
            break;
        case Way::Amounts:
            sql = QStringLiteral("SELECT %1 FROM notes INDEXED BY notes_total%2%3%4")
                      .arg(columns, filter, order, cut);
            break;
        case Way::Customers:
            sql = QStringLiteral("SELECT %1 FROM notes INDEXED BY notes_customer%2%3%4")
                      .arg(columns, filter, order, cut);
            break;
        case Way::DateIndex:
            // The matching ids from the date index alone, then their rows.
            sql = QStringLiteral("SELECT %1 FROM notes WHERE id IN (SELECT id FROM notes INDEXED BY"
                                 " notes_issued_on%2%3%4)%3")
                      .arg(columns, filter, order, cut);
            break;
        }
        QSqlQuery q(m_db->db);
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            return m_db->failure(q.lastError());
        for (const QVariant &v : values)
            q.addBindValue(v);
        m_db->watch();
        if (!q.exec())
            return m_db->failure(q.lastError());
        while (q.next())
            out.push_back(summaryFrom(q));
        if (q.lastError().isValid())
            return m_db->failure(q.lastError());
        return std::nullopt;
    });
}

std::optional<IssuedNote> NoteLedger::load(qint64 id, LedgerStatus &status)
{
    std::optional<IssuedNote> result;
    status = run([&]() -> std::optional<Failure> {
        QSqlQuery q(m_db->db);
        q.prepare(QStringLiteral("SELECT %1, note_json, note_uid FROM notes WHERE id = ?")
                      .arg(QLatin1String(schema::summaryColumns)));
        q.addBindValue(id);
        if (!q.exec())
            return m_db->failure(q.lastError());
        if (!q.next())
            return Failure{QStringLiteral("no note %1 in the ledger").arg(id), 0};
        const NoteSummary s = summaryFrom(q);
        QJsonParseError parseError{};
        const QJsonDocument doc =
            QJsonDocument::fromJson(q.value(schema::summaryColumnCount).toString().toUtf8(), &parseError);
        if (!doc.isObject())
            return Failure{QStringLiteral("note %1: %2").arg(id).arg(parseError.errorString()), 0};
        IssuedNote n;
        n.id = s.id;
        n.uid = q.value(schema::summaryColumnCount + 1).toString();
        n.printedAt = QDateTime::fromString(s.printedAt, Qt::ISODate);
        readNoteJson(n, doc.object());
        n.zip = s.zip;
        n.tel = s.tel;
        n.taxRegNo = s.taxRegNo;
        n.layout = s.layout;
        n.printer = s.printer;
        n.copies = s.copies;
        n.jobTitle = s.jobTitle;
        n.pdfFile = s.pdfFile;
        n.reprintOf = s.reprintOf;
        result = std::move(n);
        return std::nullopt;
    });
    return status.ok() ? result : std::nullopt;
}

QString csvField(const QString &value, bool text)
{
    QString v = value;
    // A text that begins like a formula is kept as text by spreadsheets
    // that would otherwise run it (customer names come from pasted orders).
    if (text && !v.isEmpty() &&
        (v.front() == u'=' || v.front() == u'+' || v.front() == u'-' || v.front() == u'@' ||
         v.front() == u'\t' || v.front() == u'\r'))
        v.prepend(u'\'');
    if (v.contains(u',') || v.contains(u'"') || v.contains(u'\n') || v.contains(u'\r')) {
        v.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        v = u'"' + v + u'"';
    }
    return v;
}

QByteArray notesCsv(const std::vector<NoteSummary> &notes)
{
    QString out = QString::fromLatin1(schema::summaryColumns).remove(u' ');
    out += QStringLiteral("\r\n");
    for (const NoteSummary &s : notes) {
        const QStringList fields = {
            QString::number(s.id),       csvField(s.printedAt, false),
            csvField(s.issuedOn, false), csvField(s.slipNo, true),
            csvField(s.customer, true),  csvField(s.zip, true),
            csvField(s.address, true),   csvField(s.tel, true),
            csvField(s.subtotal, false), csvField(s.tax, false),
            csvField(s.total, false),    csvField(s.taxRegNo, true),
            QString::number(s.layout),   csvField(s.printer, true),
            QString::number(s.copies),   csvField(s.jobTitle, true),
            csvField(s.pdfFile, true),   s.reprintOf > 0 ? QString::number(s.reprintOf) : QString(),
            s.taxIncluded ? QStringLiteral("1") : QStringLiteral("0"),
        };
        out += fields.join(u',') + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

} // namespace ledger
