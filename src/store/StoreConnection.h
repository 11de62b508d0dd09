#pragma once
// Inside the store: its one Qt SQL connection, the schema's migration steps
// and the helpers that every part of the store (notes, and the records that
// later concerns add) shares. Not for use outside src/store.

#include "store/NoteLedger.h"
#include "store/StoreWatchdog.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <memory>
#include <vector>

namespace ledger {

struct NoteLedger::Failure
{
    QString text;
    int code = 0; // SQLite's primary result code, 0 when unknown
};

namespace schema {
// One list of steps per back end: step k turns version k into k + 1.
extern const std::vector<std::vector<const char *>> sqliteMigrations;
extern const std::vector<std::vector<const char *>> postgresMigrations;
// The listed columns, in the order of NoteSummary and of the CSV.
extern const char *const summaryColumns;
// The columns a note is recorded with, in the order of rowValues().
extern const char *const recordColumns;
constexpr int recordColumnCount = 20;
constexpr int summaryColumnCount = 19;
} // namespace schema

// PostgreSQL's error codes are SQLSTATE texts, never SQLite's numbers.
inline NoteLedger::Failure failureOf(const QSqlError &e, bool sqlite = true)
{
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    QString text = e.databaseText();
    if (text.isEmpty())
        text = e.text();
    return {text.trimmed(), ok && sqlite ? (code & 0xff) : 0};
}

// The program moves a store file away itself (set aside, restored): its
// absence is then no loss to tell (NoteRecords.cpp).
void forgetStoreFile(const QString &path);

// Qt binds a null string as SQL NULL; the text columns hold "" instead.
inline QString text(const QString &s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

// A CSV field: quoted where it holds a comma, quote or line break; a text
// field that begins like a spreadsheet formula is kept as text ("'=…").
QString csvField(const QString &value, bool text);

// One Qt SQL connection of its own, removed with the object.
struct NoteLedger::Connection
{
    QString name;
    QSqlDatabase db;
    bool sqlite = true;
    std::unique_ptr<StoreWatchdog> watchdog; // a shared store's
    int watchedSocket = -1; // while an operation runs on a shared store

    // Each statement gets the whole bound, so that a batch of notes may
    // take longer than one statement may.
    void watch()
    {
        if (watchedSocket >= 0)
            watchdog->arm(watchedSocket, sharedStoreTimeoutMs + silentServerMarginMs);
    }

    Connection(const StoreTarget &target, int busyTimeout)
    {
        static std::atomic<int> serial{0};
        name = QStringLiteral("kanro_store_%1").arg(serial++);
        sqlite = !target.shared();
        if (sqlite) {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(target.location);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout));
        } else {
            // The driver hands these options to libpq as they stand; the
            // timeouts come last, so that they win over the settings' own.
            // Keepalives and the TCP user timeout notice a network that has
            // gone away; the watchdog bounds what they cannot see.
            db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            db.setConnectOptions(
                QStringLiteral("%1 connect_timeout=%2 options='-c statement_timeout=%3'"
                               " keepalives=1 keepalives_idle=2 keepalives_interval=1"
                               " keepalives_count=2 tcp_user_timeout=%3")
                    .arg(target.location)
                    .arg(sharedStoreTimeoutMs / 1000)
                    .arg(sharedStoreTimeoutMs));
            watchdog = std::make_unique<StoreWatchdog>();
        }
    }
    ~Connection()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }

    NoteLedger::Failure failure(const QSqlError &e) const { return failureOf(e, sqlite); }

    // Begins a transaction that writes. SQLite takes the write lock at once,
    // waiting for another writer as long as the busy timeout allows: begun
    // as a reader, it could not wait, and another terminal's commit between
    // would fail it with "database is locked".
    std::optional<NoteLedger::Failure> begin()
    {
        if (!sqlite)
            return db.transaction() ? std::nullopt : std::optional(failure(db.lastError()));
        return exec(QStringLiteral("BEGIN IMMEDIATE"));
    }

    // Appends a new note's or event's row to the hash chain; inside the
    // caller's transaction (NoteRecords.cpp).
    std::optional<NoteLedger::Failure> appendToChain(const char *kind, qint64 rowId);

    std::optional<NoteLedger::Failure> exec(const QString &sql, QVariant *firstValue = nullptr,
                                const QVariantList &values = {})
    {
        watch();
        QSqlQuery q(db);
        if (values.isEmpty() ? !q.exec(sql) : !q.prepare(sql))
            return failure(q.lastError());
        if (!values.isEmpty()) {
            for (const QVariant &v : values)
                q.addBindValue(v);
            if (!q.exec())
                return failure(q.lastError());
        }
        if (firstValue && q.next())
            *firstValue = q.value(0);
        return std::nullopt;
    }

    std::optional<NoteLedger::Failure> rollback(NoteLedger::Failure f)
    {
        db.rollback();
        return f;
    }

    // The schema version of the store: 0 for an empty one.
    std::optional<NoteLedger::Failure> version(int &v)
    {
        QVariant value;
        if (sqlite) {
            if (auto f = exec(QStringLiteral("PRAGMA user_version"), &value))
                return f;
        } else {
            if (auto f = exec(QStringLiteral("SELECT to_regclass('schema_migrations') IS NOT NULL"),
                              &value))
                return f;
            if (value.toBool())
                if (auto f =
                        exec(QStringLiteral("SELECT max(version) FROM schema_migrations"), &value))
                    return f;
        }
        v = value.toInt();
        return std::nullopt;
    }

    // Creates the schema or brings it up to date; a newer one is left alone.
    std::optional<NoteLedger::Failure> prepareSchema()
    {
        int v = 0;
        if (auto f = version(v))
            return f;
        if (v > NoteLedger::schemaVersion)
            return NoteLedger::Failure{QStringLiteral("a newer program's ledger (version %1)").arg(v), 0};
        if (sqlite) {
            // Readers never wait for the writer, and a crash or a power cut
            // mid-write leaves the last committed notes intact.
            if (auto f = exec(QStringLiteral("PRAGMA journal_mode=WAL")))
                return f;
            if (auto f = exec(QStringLiteral("PRAGMA synchronous=FULL")))
                return f;
        }
        if (v == NoteLedger::schemaVersion)
            return std::nullopt;
        if (auto f = begin())
            return f;
        if (!sqlite) {
            // Terminals starting at once migrate one after the other; the
            // later ones find the work done.
            if (auto f = exec(QStringLiteral("SELECT pg_advisory_xact_lock(20261226)")))
                return rollback(*f);
            // A step over many notes (an index built) may take longer than
            // one statement may; the others wait for the lock meanwhile.
            if (auto f = exec(QStringLiteral("SET LOCAL statement_timeout = 0")))
                return rollback(*f);
        }
        // Read again under the lock: another connection may have migrated
        // the store meanwhile.
        if (auto f = version(v))
            return rollback(*f);
        if (v > NoteLedger::schemaVersion)
            return rollback(NoteLedger::Failure{
                QStringLiteral("a newer program's ledger (version %1)").arg(v), 0});
        if (v == NoteLedger::schemaVersion) {
            db.commit();
            return std::nullopt;
        }
        if (auto f =
                exec(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_migrations ("
                                    " version INTEGER PRIMARY KEY, applied_at TEXT NOT NULL)")))
            return rollback(*f);
        const auto &steps = sqlite ? schema::sqliteMigrations : schema::postgresMigrations;
        const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
        for (std::size_t step = std::size_t(v); step < steps.size(); ++step) {
            for (const char *sql : steps[step])
                if (auto f = exec(QString::fromLatin1(sql)))
                    return rollback(*f);
            if (auto f = exec(QStringLiteral("INSERT INTO schema_migrations (version, applied_at)"
                                             " VALUES (?, ?)"),
                              nullptr, {int(step + 1), now}))
                return rollback(*f);
        }
        if (sqlite)
            if (auto f =
                    exec(QStringLiteral("PRAGMA user_version = %1").arg(NoteLedger::schemaVersion)))
                return rollback(*f);
        if (!db.commit())
            return rollback(failure(db.lastError()));
        return std::nullopt;
    }

    // Inserts one note's row unless the store holds its uid already; the
    // note's id in the store either way.
    std::optional<NoteLedger::Failure> insert(const QVariantList &row, qint64 &id)
    {
        watch();
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO notes (%1) VALUES (%2) ON CONFLICT (note_uid) DO "
                                 "NOTHING RETURNING id")
                      .arg(QLatin1String(schema::recordColumns),
                           QStringList(schema::recordColumnCount, QStringLiteral("?")).join(u',')));
        for (int k = 0; k < row.size(); ++k)
            q.bindValue(k, row.at(k));
        if (!q.exec())
            return failure(q.lastError());
        if (q.next()) {
            id = q.value(0).toLongLong();
            return appendToChain("note", id);
        }
        q.finish();
        QVariant existing;
        if (auto f = exec(QStringLiteral("SELECT id FROM notes WHERE note_uid = ?"), &existing,
                          {row.last()}))
            return f;
        id = existing.toLongLong();
        return std::nullopt;
    }
};

// A history query's conditions on a table: the date range on `date`, the
// amount range on the expression `amount`, a part of `name` and the number
// in `number`, each appended to `where` with its values.
inline void appendQueryConditions(const NoteQuery &query, bool sqlite, const char *date,
                                  const QString &amount, const char *name, const char *number,
                                  QStringList &where, QVariantList &values)
{
    if (query.from) {
        where << QStringLiteral("%1 >= ?").arg(QLatin1String(date));
        values << query.from->toString(Qt::ISODate);
    }
    if (query.to) {
        where << QStringLiteral("%1 <= ?").arg(QLatin1String(date));
        values << query.to->toString(Qt::ISODate);
    }
    if (query.minTotal) {
        where << amount + QStringLiteral(" >= ?");
        values << *query.minTotal;
    }
    if (query.maxTotal) {
        where << amount + QStringLiteral(" <= ?");
        values << *query.maxTotal;
    }
    if (!query.customer.isEmpty()) {
        where << QString::fromLatin1(sqlite ? "instr(%1, ?) > 0" : "strpos(%1, ?) > 0")
                     .arg(QLatin1String(name));
        values << query.customer;
    }
    if (!query.slipNo.trimmed().isEmpty()) {
        where << QStringLiteral("%1 = ?").arg(QLatin1String(number));
        values << query.slipNo.trimmed();
    }
}

// Runs `op` in a transaction of its own: all it writes, or nothing.
// The end of a note's print (printed with its PDF, or failed) as `from`
// recorded it, recorded again in `to` for the note's copy there; inside a
// transaction of `to`.
std::optional<NoteLedger::Failure> carryPrintEnd(NoteLedger::Connection &from, qint64 fromId,
                                                 NoteLedger::Connection &to, qint64 toId);

inline std::optional<NoteLedger::Failure>
inTransaction(NoteLedger::Connection &c,
              const std::function<std::optional<NoteLedger::Failure>()> &op)
{
    if (auto f = c.begin())
        return f;
    if (auto f = op())
        return c.rollback(*f);
    if (!c.db.commit())
        return c.rollback(c.failure(c.db.lastError()));
    return std::nullopt;
}

} // namespace ledger
