// The customers and items of the store: kept current by every recorded
// note, recalled while the operator types, and edited in their windows.
#include "store/NoteLedger.h"
#include "store/StoreConnection.h"

#include <QUuid>

namespace ledger {
namespace {

using Failure = NoteLedger::Failure;

const char *const customerColumns =
    "id, code, name, honorific, zip, address1, address2, address3, tel, closing_day,"
    " payment_terms, hidden, last_used, last_note_id";
const char *const itemColumns =
    "id, code, item_no, item, unit, price, reduced, tax_included, hidden, last_used";

// A merge chain is never longer than the entries merged; a loop (which no
// operation makes, but a hand-edited store could hold) stops here.
constexpr int maxMergeHops = 16;

Customer customerFrom(const QSqlQuery &q)
{
    Customer c;
    int k = 0;
    c.id = q.value(k++).toLongLong();
    c.code = q.value(k++).toString();
    c.name = q.value(k++).toString();
    c.honorific = q.value(k++).toString();
    c.zip = q.value(k++).toString();
    for (QString &line : c.addressLines)
        line = q.value(k++).toString();
    c.tel = q.value(k++).toString();
    c.closingDay = q.value(k++).toInt();
    c.paymentTerms = q.value(k++).toString();
    c.hidden = q.value(k++).toInt() != 0;
    c.lastUsed = q.value(k++).toString();
    c.lastNoteId = q.value(k++).toLongLong();
    return c;
}

Item itemFrom(const QSqlQuery &q)
{
    Item i;
    int k = 0;
    i.id = q.value(k++).toLongLong();
    i.code = q.value(k++).toString();
    i.itemNo = q.value(k++).toString();
    i.item = q.value(k++).toString();
    i.unit = q.value(k++).toString();
    i.price = q.value(k++).toString();
    i.reduced = q.value(k++).toInt() != 0;
    i.taxIncluded = q.value(k++).toInt() != 0;
    i.hidden = q.value(k++).toInt() != 0;
    i.lastUsed = q.value(k++).toString();
    return i;
}

QString honorificOf(const QString &h)
{
    const QString t = h.trimmed();
    return t.isEmpty() ? printing::defaultHonorific() : t;
}

// The entry a match found, or the one it was merged into.
std::optional<Failure> followMerges(auto &c, const char *table, qint64 &id)
{
    for (int hop = 0; hop < maxMergeHops; ++hop) {
        QVariant next;
        if (auto f = c.exec(QStringLiteral("SELECT merged_into FROM %1 WHERE id = ?")
                                .arg(QLatin1String(table)),
                            &next, {id}))
            return f;
        if (next.isNull() || !next.isValid())
            return std::nullopt;
        id = next.toLongLong();
    }
    return std::nullopt;
}

// The first id the statement selects, 0 when none.
std::optional<Failure> firstId(auto &c, const QString &sql,
                               const QVariantList &values, qint64 &id)
{
    QVariant v;
    if (auto f = c.exec(sql, &v, values))
        return f;
    id = v.isValid() && !v.isNull() ? v.toLongLong() : 0;
    return std::nullopt;
}

// Inserts a row and gives it its code when it brought none: the id with six
// digits ("000042"), or, where an imported code holds that already, the id
// with a suffix ("000042-2").
std::optional<Failure> insertWithCode(auto &c, const char *table,
                                      const QString &columns, const QVariantList &values,
                                      QString &code, qint64 &id)
{
    const bool given = !code.trimmed().isEmpty();
    // Until the id is known the row holds a code no other terminal can hold.
    const QString stored =
        given ? code.trimmed() : u'~' + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QVariantList all = values;
    all.prepend(stored);
    QStringList marks(all.size(), QStringLiteral("?"));
    if (auto f = firstId(c,
                         QStringLiteral("INSERT INTO %1 (code, %2) VALUES (%3) RETURNING id")
                             .arg(QLatin1String(table), columns, marks.join(u',')),
                         all, id))
        return f;
    if (given) {
        code = stored;
        return std::nullopt;
    }
    QString candidate = QStringLiteral("%1").arg(id, 6, 10, QLatin1Char('0'));
    for (int n = 2;; ++n) {
        qint64 holder = 0;
        if (auto f = firstId(c, QStringLiteral("SELECT id FROM %1 WHERE code = ?").arg(QLatin1String(table)),
                             {candidate}, holder))
            return f;
        if (holder == 0)
            break;
        candidate = QStringLiteral("%1-%2").arg(id, 6, 10, QLatin1Char('0')).arg(n);
    }
    code = candidate;
    return c.exec(QStringLiteral("UPDATE %1 SET code = ? WHERE id = ?").arg(QLatin1String(table)),
                  nullptr, {candidate, id});
}

QVariantList customerValues(const Customer &x)
{
    return {text(x.name.trimmed()),
            honorificOf(x.honorific),
            text(x.zip),
            digitsOf(x.zip),
            text(x.addressLines[0]),
            text(x.addressLines[1]),
            text(x.addressLines[2]),
            text(x.tel),
            digitsOf(x.tel),
            x.closingDay,
            text(x.paymentTerms),
            x.hidden ? 1 : 0,
            text(x.lastUsed)};
}
const QString customerSetColumns = QStringLiteral(
    "name, honorific, zip, zip_digits, address1, address2, address3, tel, tel_digits,"
    " closing_day, payment_terms, hidden, last_used");

QVariantList itemValues(const Item &x)
{
    return {text(x.itemNo.trimmed()), text(x.item.trimmed()), text(x.unit), text(x.price),
            x.reduced ? 1 : 0,        x.taxIncluded ? 1 : 0,  x.hidden ? 1 : 0,
            text(x.lastUsed)};
}
const QString itemSetColumns =
    QStringLiteral("item_no, item, unit, price, reduced, tax_included, hidden, last_used");

QString assignments(const QString &columns)
{
    QStringList parts = columns.split(u',');
    for (QString &p : parts)
        p = p.trimmed() + QStringLiteral(" = ?");
    return parts.join(QStringLiteral(", "));
}

// Adds an entry (id 0) or updates it by id.
std::optional<Failure> storeEntry(auto &c, const char *table,
                                  const QString &columns, const QVariantList &values,
                                  QString &code, qint64 &id)
{
    if (id == 0)
        return insertWithCode(c, table, columns, values, code, id);
    QVariantList all = values;
    QString set = assignments(columns);
    if (!code.trimmed().isEmpty()) {
        set.prepend(QStringLiteral("code = ?, "));
        all.prepend(code.trimmed());
    }
    all.append(id);
    return c.exec(QStringLiteral("UPDATE %1 SET %2 WHERE id = ?").arg(QLatin1String(table), set),
                  nullptr, all);
}

// A recall: the matching rows, newest first, at most `limit` (< 0: all).
// The ids come from the named index alone, walked newest first (an
// index-only scan on PostgreSQL, whose planner is left to pick it), then
// their rows: a text nobody has is a walk through the index, never through
// every row.
// `candidates`, when given, is what the inner walk reads instead of the
// whole table.
QString recallSql(bool sqlite, const char *columns, const char *table, const char *index,
                  const QString &where, int limit, const QString &candidates = {})
{
    const QString order = QStringLiteral(" ORDER BY last_used DESC, id DESC");
    const QString cut = limit >= 0 ? QStringLiteral(" LIMIT %1").arg(limit) : QString();
    const QString from =
        !candidates.isEmpty()
            ? candidates
            : QLatin1String(table) +
                  (sqlite ? QStringLiteral(" INDEXED BY %1").arg(QLatin1String(index)) : QString());
    return QStringLiteral("SELECT %1 FROM %2 WHERE id IN (SELECT id FROM %3 WHERE %4%5%6)%5")
        .arg(QLatin1String(columns), QLatin1String(table), from, where, order, cut);
}

} // namespace

QString digitsOf(const QString &number)
{
    QString out;
    for (const QChar ch : number)
        if (const int d = ch.digitValue(); d >= 0 && d <= 9)
            out += QChar(u'0' + d);
    return text(out);
}

std::optional<NoteLedger::Failure>
NoteLedger::rememberCustomerAndItems(const IssuedNote &note, qint64 noteId, const QString &usedAt)
{
    Connection &c = *m_db;
    const printing::PrintNote &n = note.note;
    const QString name = n.customerName.trimmed();
    const QString tel = digitsOf(note.tel);
    if (!name.isEmpty() || !tel.isEmpty()) {
        qint64 id = 0;
        if (!name.isEmpty())
            if (auto f = firstId(c,
                                 QStringLiteral("SELECT id FROM customers WHERE name = ? AND"
                                                " zip_digits = ? ORDER BY merged_into IS NOT NULL,"
                                                " last_used DESC LIMIT 1"),
                                 {name, digitsOf(note.zip)}, id))
                return f;
        if (id == 0 && !tel.isEmpty())
            if (auto f = firstId(c,
                                 QStringLiteral("SELECT id FROM customers WHERE tel_digits = ?"
                                                " ORDER BY merged_into IS NOT NULL, last_used DESC"
                                                " LIMIT 1"),
                                 {tel}, id))
                return f;
        if (id != 0)
            if (auto f = followMerges(c, "customers", id))
                return f;
        Customer x;
        x.name = name;
        x.honorific = n.honorific;
        x.zip = note.zip;
        x.addressLines = note.addressLines;
        x.tel = note.tel;
        x.lastUsed = usedAt;
        if (id == 0) {
            QString code;
            QVariantList values = customerValues(x);
            values << noteId;
            if (auto f = insertWithCode(c, "customers", customerSetColumns + ", last_note_id",
                                        values, code, id))
                return f;
        } else {
            // What the lists alone hold (code, closing day, terms, hidden)
            // stays; the destination is as the note printed it.
            if (auto f = c.exec(
                    QStringLiteral("UPDATE customers SET name = ?, honorific = ?, zip = ?,"
                                   " zip_digits = ?, address1 = ?, address2 = ?, address3 = ?,"
                                   " tel = ?, tel_digits = ?, last_used = ?, last_note_id = ?"
                                   " WHERE id = ?"),
                    nullptr,
                    {x.name, honorificOf(x.honorific), text(x.zip), digitsOf(x.zip),
                     text(x.addressLines[0]), text(x.addressLines[1]), text(x.addressLines[2]),
                     text(x.tel), tel, usedAt, noteId, id}))
                return f;
        }
        // The note belongs to this customer (its summary invoices count it).
        if (auto f = c.exec(QStringLiteral("INSERT INTO note_customers (note_id, customer_id)"
                                           " VALUES (?, ?) ON CONFLICT DO NOTHING"),
                            nullptr, {noteId, id}))
            return f;
    }
    for (const printing::PrintRow &r : n.rows) {
        const QString itemNo = r.itemNo.trimmed();
        const QString item = r.item.trimmed();
        if (itemNo.isEmpty() && item.isEmpty())
            continue;
        qint64 id = 0;
        if (auto f = firstId(c,
                             QStringLiteral("SELECT id FROM items WHERE item_no = ? AND item = ?"
                                            " ORDER BY merged_into IS NOT NULL, last_used DESC"
                                            " LIMIT 1"),
                             {itemNo, item}, id))
            return f;
        if (id != 0)
            if (auto f = followMerges(c, "items", id))
                return f;
        if (id != 0) {
            if (auto f = c.exec(QStringLiteral("UPDATE items SET unit = ?, price = ?, reduced = ?,"
                                               " tax_included = ?, last_used = ? WHERE id = ?"),
                                nullptr,
                                {text(r.unit), text(r.price), r.reduced ? 1 : 0,
                                 n.taxIncluded ? 1 : 0, usedAt, id}))
                return f;
            continue;
        }
        Item x;
        x.itemNo = itemNo;
        x.item = item;
        x.unit = r.unit;
        x.price = r.price;
        x.reduced = r.reduced;
        x.taxIncluded = n.taxIncluded;
        x.lastUsed = usedAt;
        QString code;
        if (auto f = insertWithCode(c, "items", itemSetColumns, itemValues(x), code, id))
            return f;
    }
    return std::nullopt;
}

LedgerStatus NoteLedger::findCustomers(const CustomerQuery &query, int limit,
                                       std::vector<Customer> &out)
{
    out.clear();
    return run([&]() -> std::optional<Failure> {
        const bool sqlite = m_db->sqlite;
        QString where;
        QString value;
        QString candidates;
        switch (query.by) {
        case CustomerQuery::By::Name:
            value = query.text.trimmed();
            // PostgreSQL: the pairs' index finds the candidates, the text decides.
            where =
                sqlite ? QStringLiteral("instr(name, ?) > 0")
                       : QStringLiteral("name_grams @> kanro_ngrams(?, 2) AND strpos(name, ?) > 0");
            break;
        case CustomerQuery::By::Tel:
            value = digitsOf(query.text);
            where = sqlite ? QStringLiteral("instr(tel_digits, ?) > 0")
                           : QStringLiteral("strpos(tel_digits, ?) > 0");
            // PostgreSQL: three digits or more, the customers whose numbers
            // hold every run of three come from the index first (whatever
            // the planner guesses of a number like 999…, which it takes
            // for common), then the digits decide.
            if (!sqlite && value.size() >= 3)
                candidates =
                    QStringLiteral("(SELECT id, last_used, hidden, tel_digits FROM customers"
                                   " WHERE tel_grams @> kanro_ngrams(?, 3) OFFSET 0) AS c");
            break;
        case CustomerQuery::By::Zip:
            // The codes that start with the digits: from the digits up to
            // the digits followed by ':', the character after '9'.
            value = digitsOf(query.text);
            where = QStringLiteral("zip_digits >= ? AND zip_digits < ?");
            break;
        }
        if (!query.withHidden)
            where += QStringLiteral(" AND hidden = 0");
        QSqlQuery q(m_db->db);
        q.setForwardOnly(true);
        if (!q.prepare(
                recallSql(sqlite, customerColumns, "customers",
                          query.by == CustomerQuery::By::Zip ? "customers_zip" : "customers_recall",
                          where, limit, candidates)))
            return m_db->failure(q.lastError());
        if (!candidates.isEmpty())
            q.addBindValue(text(value));
        q.addBindValue(text(value));
        if (query.by == CustomerQuery::By::Zip)
            q.addBindValue(value + u':');
        else if (!sqlite && query.by == CustomerQuery::By::Name)
            q.addBindValue(text(value));
        if (!q.exec())
            return m_db->failure(q.lastError());
        while (q.next())
            out.push_back(customerFrom(q));
        return std::nullopt;
    });
}

LedgerStatus NoteLedger::findItems(const QString &itemNoPart, int limit, bool withHidden,
                                   std::vector<Item> &out)
{
    out.clear();
    return run([&]() -> std::optional<Failure> {
        QString where = m_db->sqlite ? QStringLiteral("instr(item_no, ?) > 0")
                                     : QStringLiteral("strpos(item_no, ?) > 0");
        if (!withHidden)
            where += QStringLiteral(" AND hidden = 0");
        QSqlQuery q(m_db->db);
        q.setForwardOnly(true);
        if (!q.prepare(recallSql(m_db->sqlite, itemColumns, "items", "items_recall", where, limit)))
            return m_db->failure(q.lastError());
        q.addBindValue(text(itemNoPart.trimmed()));
        if (!q.exec())
            return m_db->failure(q.lastError());
        while (q.next())
            out.push_back(itemFrom(q));
        return std::nullopt;
    });
}

LedgerStatus NoteLedger::saveCustomer(Customer &customer)
{
    return importCustomers(std::span<Customer>(&customer, 1));
}

LedgerStatus NoteLedger::saveItem(Item &item)
{
    return importItems(std::span<Item>(&item, 1));
}

namespace {

// Stores entries by id or code, all in one transaction: a known code
// updates its entry, an unknown or empty one adds one. An edit or an import
// without a last use keeps the one stored.
template <class Entry>
std::optional<Failure> storeEntries(auto &c, const char *table, const QString &columns,
                                    QVariantList (*values)(const Entry &),
                                    std::vector<Entry> &entries)
{
    return inTransaction(c, [&]() -> std::optional<Failure> {
        for (Entry &x : entries) {
            if (x.id == 0 && !x.code.trimmed().isEmpty())
                if (auto f = firstId(c,
                                     QStringLiteral("SELECT id FROM %1 WHERE code = ?")
                                         .arg(QLatin1String(table)),
                                     {x.code.trimmed()}, x.id))
                    return f;
            QVariantList row = values(x);
            const bool keepUse = x.id != 0 && x.lastUsed.isEmpty(); // last_used is last
            if (keepUse)
                row.removeLast();
            if (auto f = storeEntry(c, table, keepUse ? columns.section(u',', 0, -2) : columns,
                                    row, x.code, x.id))
                return f;
        }
        return std::nullopt;
    });
}

} // namespace

LedgerStatus NoteLedger::importCustomers(std::span<Customer> customers)
{
    std::vector<Customer> result;
    const LedgerStatus status = run([&]() -> std::optional<Failure> {
        result.assign(customers.begin(), customers.end());
        return storeEntries(*m_db, "customers", customerSetColumns, &customerValues, result);
    });
    if (status.ok())
        std::copy(result.begin(), result.end(), customers.begin());
    return status;
}

LedgerStatus NoteLedger::importItems(std::span<Item> items)
{
    std::vector<Item> result;
    const LedgerStatus status = run([&]() -> std::optional<Failure> {
        result.assign(items.begin(), items.end());
        return storeEntries(*m_db, "items", itemSetColumns, &itemValues, result);
    });
    if (status.ok())
        std::copy(result.begin(), result.end(), items.begin());
    return status;
}

namespace {

// Hides `gone` and points it at `kept`; the kept entry takes the later use.
std::optional<Failure> merge(auto &c, const char *table, qint64 kept,
                             qint64 gone)
{
    if (kept == gone)
        return Failure{QStringLiteral("an entry cannot be merged into itself"), 0};
    qint64 target = kept;
    if (auto f = followMerges(c, table, target))
        return f;
    if (target == gone)
        return Failure{QStringLiteral("the entry was merged into the other already"), 0};
    const QString t = QLatin1String(table);
    for (const qint64 id : {kept, gone}) {
        qint64 found = 0;
        if (auto f = firstId(c, QStringLiteral("SELECT id FROM %1 WHERE id = ?").arg(t), {id}, found))
            return f;
        if (found == 0)
            return Failure{QStringLiteral("no entry %1").arg(id), 0};
    }
    return inTransaction(c, [&]() -> std::optional<Failure> {
        if (auto f = c.exec(QStringLiteral("UPDATE %1 SET last_used = (SELECT max(last_used) FROM"
                                           " %1 WHERE id IN (?, ?)) WHERE id = ?")
                                .arg(t),
                            nullptr, {kept, gone, kept}))
            return f;
        if (t == u"customers")
            if (auto f = c.exec(QStringLiteral("UPDATE customers SET last_note_id = (SELECT"
                                               " last_note_id FROM customers WHERE id IN (?, ?)"
                                               " ORDER BY last_used DESC LIMIT 1) WHERE id = ?"),
                                nullptr, {kept, gone, kept}))
                return f;
        // Entries merged into `gone` earlier now lead to `kept` directly.
        if (auto f = c.exec(QStringLiteral("UPDATE %1 SET merged_into = ? WHERE merged_into = ?").arg(t),
                            nullptr, {kept, gone}))
            return f;
        return c.exec(QStringLiteral("UPDATE %1 SET hidden = 1, merged_into = ? WHERE id = ?").arg(t),
                      nullptr, {kept, gone});
    });
}

} // namespace

LedgerStatus NoteLedger::mergeCustomers(qint64 kept, qint64 gone)
{
    return run([&] { return merge(*m_db, "customers", kept, gone); });
}

LedgerStatus NoteLedger::mergeItems(qint64 kept, qint64 gone)
{
    return run([&] { return merge(*m_db, "items", kept, gone); });
}

LedgerStatus NoteLedger::rememberRecordedNotes(int &notes)
{
    notes = 0;
    // In steps, so that a large ledger is never held in memory at once.
    constexpr int step = 500;
    qint64 after = 0;
    for (;;) {
        std::vector<qint64> ids;
        LedgerStatus status = run([&]() -> std::optional<Failure> {
            QSqlQuery q(m_db->db);
            q.setForwardOnly(true);
            q.prepare(QStringLiteral("SELECT id FROM notes WHERE id > ? ORDER BY id LIMIT %1")
                          .arg(step));
            q.addBindValue(after);
            if (!q.exec())
                return m_db->failure(q.lastError());
            while (q.next())
                ids.push_back(q.value(0).toLongLong());
            return std::nullopt;
        });
        if (!status.ok() || ids.empty())
            return status;
        for (const qint64 id : ids) {
            const std::optional<IssuedNote> note = load(id, status);
            if (!note)
                return status;
            status = run([&]() -> std::optional<Failure> {
                return inTransaction(*m_db, [&] {
                    return rememberCustomerAndItems(*note, id,
                                                    note->printedAt.toString(Qt::ISODate));
                });
            });
            if (!status.ok())
                return status;
            ++notes;
        }
        after = ids.back();
    }
}

LedgerStatus NoteLedger::lastNoteOf(const QString &name, const QString &zip, const QString &tel,
                                    qint64 &noteId)
{
    noteId = 0;
    return run([&]() -> std::optional<Failure> {
        Connection &c = *m_db;
        qint64 id = 0;
        if (!name.trimmed().isEmpty())
            if (auto f = firstId(c,
                                 QStringLiteral("SELECT id FROM customers WHERE name = ? AND"
                                                " zip_digits = ? ORDER BY merged_into IS NOT NULL,"
                                                " last_used DESC LIMIT 1"),
                                 {name.trimmed(), digitsOf(zip)}, id))
                return f;
        if (id == 0 && !digitsOf(tel).isEmpty())
            if (auto f = firstId(c,
                                 QStringLiteral("SELECT id FROM customers WHERE tel_digits = ?"
                                                " ORDER BY merged_into IS NOT NULL, last_used DESC"
                                                " LIMIT 1"),
                                 {digitsOf(tel)}, id))
                return f;
        if (id == 0)
            return std::nullopt;
        if (auto f = followMerges(c, "customers", id))
            return f;
        return firstId(c, QStringLiteral("SELECT last_note_id FROM customers WHERE id = ?"), {id},
                       noteId);
    });
}

} // namespace ledger
