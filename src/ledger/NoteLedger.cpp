#include "ledger/NoteLedger.h"

#include "note/PrintNoteJson.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

namespace ledger {
namespace {

// SQLite's primary result codes that mean the file is not a sound database.
constexpr int sqliteCorrupt = 11;
constexpr int sqliteNotADatabase = 26;

// The schema, one step per version: step k turns version k into k + 1.
// A new version appends a step (ALTER TABLE, new indexes) and raises
// NoteLedger::schemaVersion; a file of any older version is brought up to
// date step by step when it is first opened.
const std::vector<std::vector<const char *>> migrations = {
    {
        "CREATE TABLE notes ("
        " id INTEGER PRIMARY KEY AUTOINCREMENT,"
        " printed_at TEXT NOT NULL,"
        " issued_on TEXT NOT NULL,"
        " slip_no TEXT NOT NULL,"
        " customer TEXT NOT NULL,"
        " zip TEXT NOT NULL,"
        " address TEXT NOT NULL,"
        " tel TEXT NOT NULL,"
        " subtotal TEXT NOT NULL,"
        " tax TEXT NOT NULL,"
        " total TEXT NOT NULL,"
        " tax_reg_no TEXT NOT NULL,"
        " layout INTEGER NOT NULL,"
        " printer TEXT NOT NULL,"
        " copies INTEGER NOT NULL,"
        " job_title TEXT NOT NULL,"
        " pdf_file TEXT NOT NULL,"
        " note_json TEXT NOT NULL,"
        " reprint_of INTEGER REFERENCES notes(id))",
        // The date index also carries the customer and the total, so that a
        // search by date, customer part or amount walks it newest first
        // without reading the rows (each row holds its whole note) and
        // stops once the list is full.
        "CREATE INDEX notes_issued_on ON notes(issued_on, customer, total)",
        "CREATE INDEX notes_slip_no ON notes(slip_no)",
        "CREATE INDEX notes_customer ON notes(customer)",
        // Totals are kept as the fields' texts; ranges compare them as numbers.
        "CREATE INDEX notes_total ON notes(CAST(total AS REAL))",
    },
};

// The listed columns, in the order of NoteSummary and of the CSV.
const char *const summaryColumns =
    "id, printed_at, issued_on, slip_no, customer, zip, address, tel, subtotal, tax, total,"
    " tax_reg_no, layout, printer, copies, job_title, pdf_file, reprint_of";

} // namespace

struct NoteLedger::Failure
{
    QString text;
    int code = 0; // SQLite's primary result code, 0 when unknown
};

namespace {

using Failure = NoteLedger::Failure;

Failure failureOf(const QSqlError &e)
{
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    QString text = e.databaseText();
    if (text.isEmpty())
        text = e.text();
    return {text, ok ? (code & 0xff) : 0};
}

// Qt binds a null string as SQL NULL; the text columns hold "" instead.
QString text(const QString &s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

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

// One Qt SQL connection of its own, removed with the object.
struct NoteLedger::Connection
{
    QString name;
    QSqlDatabase db;

    explicit Connection(const QString &path, int busyTimeout)
    {
        static std::atomic<int> serial{0};
        name = QStringLiteral("kanro_ledger_%1").arg(serial++);
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout));
    }
    ~Connection()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }

    std::optional<Failure> exec(const QString &sql, QVariant *firstValue = nullptr)
    {
        QSqlQuery q(db);
        if (!q.exec(sql))
            return failureOf(q.lastError());
        if (firstValue && q.next())
            *firstValue = q.value(0);
        return std::nullopt;
    }

    // Creates the schema or brings it up to date.
    std::optional<Failure> prepareSchema()
    {
        QVariant version;
        if (auto f = exec(QStringLiteral("PRAGMA user_version"), &version))
            return f;
        const int v = version.toInt();
        if (v > NoteLedger::schemaVersion)
            return Failure{QStringLiteral("a newer program's ledger (version %1)").arg(v), 0};
        // Readers never wait for the writer, and a crash mid-write leaves
        // the last committed notes intact.
        if (auto f = exec(QStringLiteral("PRAGMA journal_mode=WAL")))
            return f;
        if (v == NoteLedger::schemaVersion)
            return std::nullopt;
        if (!db.transaction())
            return failureOf(db.lastError());
        for (std::size_t step = std::size_t(v); step < migrations.size(); ++step)
            for (const char *sql : migrations[step])
                if (auto f = exec(QString::fromLatin1(sql))) {
                    db.rollback();
                    return f;
                }
        if (auto f =
                exec(QStringLiteral("PRAGMA user_version = %1").arg(NoteLedger::schemaVersion))) {
            db.rollback();
            return f;
        }
        if (!db.commit()) {
            const Failure f = failureOf(db.lastError());
            db.rollback();
            return f;
        }
        return std::nullopt;
    }
};

NoteLedger::NoteLedger(QString path) : m_path(std::move(path)) {}

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
    m_db = std::make_unique<Connection>(m_path, m_busyTimeout);
    if (!m_db->db.open())
        return failureOf(m_db->db.lastError());
    return m_db->prepareSchema();
}

LedgerStatus NoteLedger::run(const std::function<std::optional<Failure>()> &op)
{
    LedgerStatus status;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::optional<Failure> f = ensureOpen();
        if (!f)
            f = op();
        if (!f)
            return status;
        close();
        if (!isDamage(*f) || attempt > 0) {
            status.error = f->text;
            return status;
        }
        const QString aside = setAsidePath(m_path, nowProvider());
        if (!QFile::rename(m_path, aside)) {
            status.error = QStringLiteral("%1 (the damaged file could not be moved)").arg(f->text);
            return status;
        }
        // The journal files belong to the damaged file.
        for (const char *suffix : {"-wal", "-shm"}) {
            const QString from = m_path + QLatin1String(suffix);
            if (QFileInfo::exists(from) && !QFile::rename(from, aside + QLatin1String(suffix)))
                QFile::remove(from);
        }
        status.setAside = aside;
    }
    return status;
}

LedgerStatus NoteLedger::record(IssuedNote &note)
{
    return record(std::span<IssuedNote>(&note, 1));
}

LedgerStatus NoteLedger::record(std::span<IssuedNote> notes)
{
    const QDateTime now = nowProvider();
    const QString printedAt = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
    std::vector<qint64> ids;
    const LedgerStatus status = run([&]() -> std::optional<Failure> {
        ids.clear();
        QSqlDatabase &db = m_db->db;
        if (notes.size() > 1 && !db.transaction())
            return failureOf(db.lastError());
        QSqlQuery q(db);
        q.prepare(QStringLiteral(
            "INSERT INTO notes (printed_at, issued_on, slip_no, customer, zip, address, tel,"
            " subtotal, tax, total, tax_reg_no, layout, printer, copies, job_title, pdf_file,"
            " note_json, reprint_of) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
            "?)"));
        for (const IssuedNote &note : notes) {
            const printing::PrintNote &n = note.note;
            const QVariantList values = {
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
                noteJson(note),
                note.reprintOf > 0 ? QVariant(note.reprintOf)
                                   : QVariant(QMetaType(QMetaType::LongLong)),
            };
            for (int k = 0; k < values.size(); ++k)
                q.bindValue(k, values.at(k));
            if (!q.exec()) {
                const Failure f = failureOf(q.lastError());
                if (notes.size() > 1)
                    db.rollback();
                return f;
            }
            ids.push_back(q.lastInsertId().toLongLong());
        }
        if (notes.size() > 1 && !db.commit()) {
            const Failure f = failureOf(db.lastError());
            db.rollback();
            return f;
        }
        return std::nullopt;
    });
    if (status.ok())
        for (std::size_t k = 0; k < notes.size(); ++k) {
            notes[k].id = ids[k];
            notes[k].printedAt = now;
        }
    return status;
}

LedgerStatus NoteLedger::search(const NoteQuery &query, int limit, std::vector<NoteSummary> &out)
{
    out.clear();
    return run([&]() -> std::optional<Failure> {
        QStringList where;
        QVariantList values;
        if (query.from) {
            where << QStringLiteral("issued_on >= ?");
            values << query.from->toString(Qt::ISODate);
        }
        if (query.to) {
            where << QStringLiteral("issued_on <= ?");
            values << query.to->toString(Qt::ISODate);
        }
        if (query.minTotal) {
            where << QStringLiteral("CAST(total AS REAL) >= ?");
            values << *query.minTotal;
        }
        if (query.maxTotal) {
            where << QStringLiteral("CAST(total AS REAL) <= ?");
            values << *query.maxTotal;
        }
        if (!query.customer.isEmpty()) {
            where << QStringLiteral("instr(customer, ?) > 0");
            values << query.customer;
        }
        if (!query.slipNo.trimmed().isEmpty()) {
            where << QStringLiteral("slip_no = ?");
            values << query.slipNo.trimmed();
        }
        const QString filter =
            where.isEmpty() ? QString()
                            : QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
        const QString order = QStringLiteral(" ORDER BY issued_on DESC, id DESC");
        const QString cut = limit >= 0 ? QStringLiteral(" LIMIT %1").arg(limit) : QString();
        const QString columns = QLatin1String(summaryColumns);
        QString sql;
        if (!query.slipNo.trimmed().isEmpty()) {
            // The slip number index finds the few notes at once.
            sql = QStringLiteral("SELECT %1 FROM notes%2%3%4").arg(columns, filter, order, cut);
        } else {
            // The matching ids from the date index alone, then their rows.
            sql = QStringLiteral("SELECT %1 FROM notes WHERE id IN (SELECT id FROM notes INDEXED BY"
                                 " notes_issued_on%2%3%4)%3")
                      .arg(columns, filter, order, cut);
        }
        QSqlQuery q(m_db->db);
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            return failureOf(q.lastError());
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!q.exec())
            return failureOf(q.lastError());
        while (q.next())
            out.push_back(summaryFrom(q));
        if (q.lastError().isValid())
            return failureOf(q.lastError());
        return std::nullopt;
    });
}

std::optional<IssuedNote> NoteLedger::load(qint64 id, LedgerStatus &status)
{
    std::optional<IssuedNote> result;
    status = run([&]() -> std::optional<Failure> {
        QSqlQuery q(m_db->db);
        q.prepare(QStringLiteral("SELECT %1, note_json FROM notes WHERE id = ?")
                      .arg(QLatin1String(summaryColumns)));
        q.addBindValue(id);
        if (!q.exec())
            return failureOf(q.lastError());
        if (!q.next())
            return Failure{QStringLiteral("no note %1 in the ledger").arg(id), 0};
        const NoteSummary s = summaryFrom(q);
        QJsonParseError parseError{};
        const QJsonDocument doc =
            QJsonDocument::fromJson(q.value(18).toString().toUtf8(), &parseError);
        if (!doc.isObject())
            return Failure{QStringLiteral("note %1: %2").arg(id).arg(parseError.errorString()), 0};
        const QJsonObject o = doc.object();
        IssuedNote n;
        n.id = s.id;
        n.printedAt = QDateTime::fromString(s.printedAt, Qt::ISODate);
        n.note = printing::printNoteFromJson(o.value(QStringLiteral("note")).toObject());
        const QJsonArray lines = o.value(QStringLiteral("addressLines")).toArray();
        for (int k = 0; k < 3 && k < lines.size(); ++k)
            n.addressLines[std::size_t(k)] = lines.at(k).toString();
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

namespace {

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

} // namespace

QByteArray notesCsv(const std::vector<NoteSummary> &notes)
{
    QString out = QString::fromLatin1(summaryColumns).remove(u' ');
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
        };
        out += fields.join(u',') + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

} // namespace ledger
