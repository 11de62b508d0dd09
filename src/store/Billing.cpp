// Payments and monthly summary invoices: what a customer paid, the closing
// of a period into a recorded summary, balances and a customer's ledger.
#include "note/PrintNoteJson.h"
#include "store/NoteLedger.h"
#include "store/StoreConnection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUuid>
#include <algorithm>

namespace ledger {
namespace {

using Failure = NoteLedger::Failure;

QString isoDate(const QDate &d)
{
    return d.isValid() ? d.toString(Qt::ISODate) : QStringLiteral("");
}

QDate dateOf(const QVariant &v)
{
    return QDate::fromString(v.toString().left(10), Qt::ISODate);
}

FixedDecimal amountOf(const QVariant &v)
{
    return FixedDecimal::parseAmount(v.toString());
}

FixedDecimal negated(FixedDecimal v)
{
    return FixedDecimal().subtract(v).value_or(v);
}

QString nowText()
{
    const QDateTime now = NoteLedger::nowProvider();
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
}

// The ids a customer's records may carry: its own and those of the entries
// merged into it.
const char *const customerIds = "(SELECT id FROM customers WHERE id = ? OR merged_into = ?)";

// A note n that reached its customer: printed, or recorded before prints
// had states; not one whose print failed or is still running.
const char *const handedOver =
    "NOT EXISTS (SELECT 1 FROM note_events e WHERE e.note_id = n.id AND e.kind = 'failed')"
    " AND (NOT EXISTS (SELECT 1 FROM note_events e WHERE e.note_id = n.id AND e.kind ="
    " 'printing') OR EXISTS (SELECT 1 FROM note_events e WHERE e.note_id = n.id AND e.kind ="
    " 'printed'))";
// A note n cancelled (取消) or corrected (訂正): void from the event's date.
const char *const voided = "EXISTS (SELECT 1 FROM note_events e WHERE e.note_id = n.id AND"
                           " e.kind IN ('cancelled', 'corrected'))";
// The date of the event that voided note n.
const char *const voidedOn = "(SELECT min(substr(e.at, 1, 10)) FROM note_events e WHERE"
                             " e.note_id = n.id AND e.kind IN ('cancelled', 'corrected'))";

QJsonArray ratesToJson(const std::vector<closing::RateShare> &rates)
{
    QJsonArray a;
    for (const closing::RateShare &r : rates)
        a.append(QJsonObject{{QStringLiteral("percent"), r.percent},
                             {QStringLiteral("reduced"), r.reduced},
                             {QStringLiteral("amount"), r.amount.toText()},
                             {QStringLiteral("tax"), r.tax.toText()}});
    return a;
}

std::vector<closing::RateShare> ratesFromJson(const QJsonArray &a)
{
    std::vector<closing::RateShare> out;
    for (const QJsonValue &v : a) {
        const QJsonObject o = v.toObject();
        out.push_back({o.value(QStringLiteral("percent")).toString(),
                       o.value(QStringLiteral("reduced")).toBool(),
                       FixedDecimal::parseAmount(o.value(QStringLiteral("amount")).toString()),
                       FixedDecimal::parseAmount(o.value(QStringLiteral("tax")).toString())});
    }
    return out;
}

QJsonObject paymentToJson(const closing::PaymentEntry &p)
{
    return {{QStringLiteral("date"), isoDate(p.date)},
            {QStringLiteral("adjustment"), p.kind == closing::PaymentKind::Adjustment},
            {QStringLiteral("amount"), p.amount.toText()},
            {QStringLiteral("method"), p.method},
            {QStringLiteral("memo"), p.memo}};
}

closing::PaymentEntry paymentFromJson(const QJsonObject &o)
{
    return {QDate::fromString(o.value(QStringLiteral("date")).toString(), Qt::ISODate),
            o.value(QStringLiteral("adjustment")).toBool() ? closing::PaymentKind::Adjustment
                                                           : closing::PaymentKind::Payment,
            FixedDecimal::parseAmount(o.value(QStringLiteral("amount")).toString()),
            o.value(QStringLiteral("method")).toString(),
            o.value(QStringLiteral("memo")).toString()};
}

QJsonArray textsToJson(std::span<const QString> texts)
{
    QJsonArray a;
    for (const QString &t : texts)
        a.append(t);
    return a;
}

template <std::size_t N> void textsFromJson(const QJsonValue &v, std::array<QString, N> &out)
{
    const QJsonArray a = v.toArray();
    for (std::size_t k = 0; k < N && k < std::size_t(a.size()); ++k)
        out[k] = a.at(qsizetype(k)).toString();
}

// The note as the summary counts it, from its recorded JSON.
closing::NoteEntry noteEntry(qint64 id, const QString &issuedOn, const QString &slipNo,
                             const QString &json)
{
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    const printing::PrintNote n =
        printing::printNoteFromJson(o.value(QStringLiteral("note")).toObject());
    closing::NoteEntry e;
    e.id = id;
    e.date = QDate::fromString(issuedOn, Qt::ISODate);
    e.slipNo = slipNo;
    e.taxIncluded = n.taxIncluded;
    e.rates = closing::rateShares(n);
    return e;
}

} // namespace

QJsonObject summaryInvoiceToJson(const printing::SummaryInvoice &inv)
{
    const closing::Summary &s = inv.summary;
    QJsonArray notes;
    for (const closing::NoteEntry &n : s.notes)
        notes.append(QJsonObject{{QStringLiteral("id"), n.id},
                                 {QStringLiteral("date"), isoDate(n.date)},
                                 {QStringLiteral("slipNo"), n.slipNo},
                                 {QStringLiteral("taxIncluded"), n.taxIncluded},
                                 {QStringLiteral("sign"), n.sign},
                                 {QStringLiteral("rates"), ratesToJson(n.rates)}});
    QJsonArray payments;
    for (const closing::PaymentEntry &p : inv.payments)
        payments.append(paymentToJson(p));
    QJsonArray rates;
    for (const closing::RateTotal &r : s.rates)
        rates.append(QJsonObject{{QStringLiteral("percent"), r.percent},
                                 {QStringLiteral("reduced"), r.reduced},
                                 {QStringLiteral("exclusiveAmount"), r.exclusiveAmount.toText()},
                                 {QStringLiteral("exclusiveTax"), r.exclusiveTax.toText()},
                                 {QStringLiteral("inclusiveAmount"), r.inclusiveAmount.toText()},
                                 {QStringLiteral("includedTax"), r.includedTax.toText()}});
    QJsonObject figures;
    const std::pair<const char *, FixedDecimal> named[] = {
        {"previous", s.previous},       {"paid", s.paid},           {"adjusted", s.adjusted},
        {"carried", s.carried},         {"purchases", s.purchases}, {"tax", s.tax},
        {"includedTax", s.includedTax}, {"billed", s.billed}};
    for (const auto &[key, value] : named)
        figures.insert(QLatin1String(key), value.toText());
    return {{QStringLiteral("invoiceNo"), inv.invoiceNo},
            {QStringLiteral("issueDate"), isoDate(inv.issueDate)},
            {QStringLiteral("closingDate"), isoDate(inv.closingDate)},
            {QStringLiteral("periodFrom"), isoDate(inv.period.from)},
            {QStringLiteral("periodTo"), isoDate(inv.period.to)},
            {QStringLiteral("dueDate"), isoDate(inv.dueDate)},
            {QStringLiteral("shopLines"), textsToJson(inv.shopLines)},
            {QStringLiteral("registrationNo"), inv.registrationNo},
            {QStringLiteral("bankAccount"), inv.bankAccount},
            {QStringLiteral("customerZip"), inv.customerZip},
            {QStringLiteral("customerAddress"), textsToJson(inv.customerAddress)},
            {QStringLiteral("customerName"), inv.customerName},
            {QStringLiteral("honorific"), inv.honorific},
            {QStringLiteral("figures"), figures},
            {QStringLiteral("rates"), rates},
            {QStringLiteral("notes"), notes},
            {QStringLiteral("payments"), payments}};
}

printing::SummaryInvoice summaryInvoiceFromJson(const QJsonObject &o)
{
    auto date = [&](const char *key) {
        return QDate::fromString(o.value(QLatin1String(key)).toString(), Qt::ISODate);
    };
    printing::SummaryInvoice inv;
    inv.invoiceNo = o.value(QStringLiteral("invoiceNo")).toString();
    inv.issueDate = date("issueDate");
    inv.closingDate = date("closingDate");
    inv.period = {date("periodFrom"), date("periodTo")};
    inv.dueDate = date("dueDate");
    textsFromJson(o.value(QStringLiteral("shopLines")), inv.shopLines);
    inv.registrationNo = o.value(QStringLiteral("registrationNo")).toString();
    inv.bankAccount = o.value(QStringLiteral("bankAccount")).toString();
    inv.customerZip = o.value(QStringLiteral("customerZip")).toString();
    textsFromJson(o.value(QStringLiteral("customerAddress")), inv.customerAddress);
    inv.customerName = o.value(QStringLiteral("customerName")).toString();
    inv.honorific = o.value(QStringLiteral("honorific")).toString();
    const QJsonObject f = o.value(QStringLiteral("figures")).toObject();
    closing::Summary &s = inv.summary;
    const std::pair<const char *, FixedDecimal *> named[] = {
        {"previous", &s.previous},       {"paid", &s.paid},           {"adjusted", &s.adjusted},
        {"carried", &s.carried},         {"purchases", &s.purchases}, {"tax", &s.tax},
        {"includedTax", &s.includedTax}, {"billed", &s.billed}};
    for (const auto &[key, value] : named)
        *value = FixedDecimal::parseAmount(f.value(QLatin1String(key)).toString());
    for (const QJsonValue &v : o.value(QStringLiteral("rates")).toArray()) {
        const QJsonObject r = v.toObject();
        auto amount = [&](const char *key) {
            return FixedDecimal::parseAmount(r.value(QLatin1String(key)).toString());
        };
        s.rates.push_back({r.value(QStringLiteral("percent")).toString(),
                           r.value(QStringLiteral("reduced")).toBool(), amount("exclusiveAmount"),
                           amount("exclusiveTax"), amount("inclusiveAmount"),
                           amount("includedTax")});
    }
    for (const QJsonValue &v : o.value(QStringLiteral("notes")).toArray()) {
        const QJsonObject n = v.toObject();
        closing::NoteEntry e;
        e.id = n.value(QStringLiteral("id")).toInteger();
        e.date = QDate::fromString(n.value(QStringLiteral("date")).toString(), Qt::ISODate);
        e.slipNo = n.value(QStringLiteral("slipNo")).toString();
        e.taxIncluded = n.value(QStringLiteral("taxIncluded")).toBool();
        e.sign = n.value(QStringLiteral("sign")).toInt(1) < 0 ? -1 : 1;
        e.rates = ratesFromJson(n.value(QStringLiteral("rates")).toArray());
        s.notes.push_back(std::move(e));
    }
    for (const QJsonValue &v : o.value(QStringLiteral("payments")).toArray())
        inv.payments.push_back(paymentFromJson(v.toObject()));
    return inv;
}

std::pair<int, int> paymentTermsOf(const QString &terms)
{
    const QString t = terms.normalized(QString::NormalizationForm_KC).remove(u' ');
    int months = 1;
    if (t.contains(QStringLiteral("当月")))
        months = 0;
    else if (t.contains(QStringLiteral("翌々月")))
        months = 2;
    else if (const auto m = QRegularExpression(QStringLiteral("(\\d+)[ヶケか]?月後")).match(t);
             m.hasMatch())
        months = std::min(m.captured(1).toInt(), 24);
    int day = closing::kEndOfMonth;
    if (const auto m = QRegularExpression(QStringLiteral("月(\\d+)日")).match(t); m.hasMatch()) {
        const int d = m.captured(1).toInt();
        day = d >= 1 && d <= 28 ? d : closing::kEndOfMonth;
    } else if (const auto m2 = QRegularExpression(QStringLiteral("後(\\d+)日")).match(t);
               m2.hasMatch()) {
        const int d = m2.captured(1).toInt();
        day = d >= 1 && d <= 28 ? d : closing::kEndOfMonth;
    }
    return {months, day};
}

LedgerStatus NoteLedger::recordPayment(Payment &p)
{
    if (p.uid.isEmpty())
        p.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return run([&]() -> std::optional<Failure> {
        Connection &c = *m_db;
        QVariant id;
        if (auto f = c.exec(
                QStringLiteral("INSERT INTO payments (uid, customer_id, paid_on, kind, method,"
                               " amount, memo, recorded_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"
                               " ON CONFLICT (uid) DO NOTHING RETURNING id"),
                &id,
                {p.uid, p.customerId, isoDate(p.paidOn),
                 p.kind == closing::PaymentKind::Adjustment ? 1 : 0, text(p.method),
                 p.amount.toText(), text(p.memo), nowText()}))
            return f;
        if (!id.isValid())
            if (auto f =
                    c.exec(QStringLiteral("SELECT id FROM payments WHERE uid = ?"), &id, {p.uid}))
                return f;
        p.id = id.toLongLong();
        return std::nullopt;
    });
}

LedgerStatus NoteLedger::cancelPayment(qint64 paymentId, const QString &reason)
{
    if (reason.trimmed().isEmpty())
        return {QStringLiteral("取消の理由を入力してください"), {}, {}};
    return run([&]() -> std::optional<Failure> {
        return m_db->exec(QStringLiteral("INSERT INTO payment_cancellations (payment_id, reason,"
                                         " recorded_at) VALUES (?, ?, ?) ON CONFLICT DO NOTHING"),
                          nullptr, {paymentId, reason.trimmed(), nowText()});
    });
}

LedgerStatus NoteLedger::paymentsOf(qint64 customerId, std::vector<Payment> &out)
{
    out.clear();
    return run([&]() -> std::optional<Failure> {
        QSqlQuery q(m_db->db);
        q.prepare(QStringLiteral("SELECT p.id, p.uid, p.paid_on, p.kind, p.method, p.amount,"
                                 " p.memo, pc.payment_id IS NOT NULL FROM payments p"
                                 " LEFT JOIN payment_cancellations pc ON pc.payment_id = p.id"
                                 " WHERE p.customer_id IN %1 ORDER BY p.paid_on, p.id")
                      .arg(QLatin1String(customerIds)));
        q.addBindValue(customerId);
        q.addBindValue(customerId);
        if (!q.exec())
            return m_db->failure(q.lastError());
        while (q.next()) {
            Payment p;
            p.id = q.value(0).toLongLong();
            p.uid = q.value(1).toString();
            p.customerId = customerId;
            p.paidOn = dateOf(q.value(2));
            p.kind = q.value(3).toInt() == 1 ? closing::PaymentKind::Adjustment
                                             : closing::PaymentKind::Payment;
            p.method = q.value(4).toString();
            p.amount = amountOf(q.value(5));
            p.memo = q.value(6).toString();
            p.cancelled = q.value(7).toBool();
            out.push_back(std::move(p));
        }
        return std::nullopt;
    });
}

LedgerStatus NoteLedger::setOpeningBalance(qint64 customerId, FixedDecimal amount)
{
    return run([&]() -> std::optional<Failure> {
        return m_db->exec(QStringLiteral("UPDATE customers SET opening_balance = ? WHERE id = ?"),
                          nullptr, {amount.toText(), customerId});
    });
}

LedgerStatus NoteLedger::closePeriod(const ClosingRequest &request,
                                     std::vector<ClosingRecord> &made,
                                     const std::function<void(int, int)> &progress)
{
    made.clear();
    return run([&]() -> std::optional<Failure> {
        Connection &c = *m_db;
        struct Due
        {
            qint64 id;
            QString name, honorific, zip, terms;
            std::array<QString, 3> address;
            FixedDecimal opening;
        };
        std::vector<Due> due;
        {
            QSqlQuery q(c.db);
            q.setForwardOnly(true);
            if (!q.exec(
                    QStringLiteral("SELECT id, name, honorific, zip, address1, address2, address3,"
                                   " payment_terms, opening_balance, closing_day FROM customers"
                                   " WHERE merged_into IS NULL AND closing_day > 0 ORDER BY id")))
                return c.failure(q.lastError());
            while (q.next()) {
                const int day = q.value(9).toInt();
                if (closing::closingDate(request.closingDate.year(), request.closingDate.month(),
                                         day) != request.closingDate)
                    continue;
                due.push_back(
                    {q.value(0).toLongLong(),
                     q.value(1).toString(),
                     q.value(2).toString(),
                     q.value(3).toString(),
                     q.value(7).toString(),
                     {q.value(4).toString(), q.value(5).toString(), q.value(6).toString()},
                     amountOf(q.value(8))});
            }
        }
        // One run is one transaction: all its summaries or none, and one
        // write to the disk instead of one per customer.
        if (auto f = c.begin())
            return f;
        int done = 0;
        for (const Due &d : due) {
            if (progress)
                progress(done++, int(due.size()));
            std::optional<ClosingRecord> record;
            if (auto f = closeOne(
                    c, request, d.id,
                    [&](printing::SummaryInvoice &inv, std::optional<QDate> previousClosing) {
                        const auto [months, day] = paymentTermsOf(d.terms);
                        inv.issueDate = request.issueDate;
                        inv.closingDate = request.closingDate;
                        inv.period = closing::periodEndingOn(request.closingDate, previousClosing);
                        inv.dueDate = closing::dueDate(request.closingDate, months, day);
                        inv.shopLines = request.shopLines;
                        inv.registrationNo = request.registrationNo;
                        inv.bankAccount = request.bankAccount;
                        inv.customerZip = d.zip;
                        inv.customerAddress = d.address;
                        inv.customerName = d.name;
                        inv.honorific =
                            d.honorific.isEmpty() ? printing::defaultHonorific() : d.honorific;
                    },
                    d.opening, record)) {
                made.clear();
                return c.rollback(*f);
            }
            if (record)
                made.push_back(std::move(*record));
        }
        if (!c.db.commit()) {
            made.clear();
            return c.rollback(c.failure(c.db.lastError()));
        }
        if (progress)
            progress(done, int(due.size()));
        return std::nullopt;
    });
}

std::optional<Failure> NoteLedger::closeOne(
    Connection &c, const ClosingRequest &request, qint64 customerId,
    const std::function<void(printing::SummaryInvoice &, std::optional<QDate>)> &fill,
    FixedDecimal opening, std::optional<ClosingRecord> &record)
{
    const QString closingText = isoDate(request.closingDate);
    // A customer closed on this date or later stays as it is.
    QVariant later;
    if (auto f = c.exec(QStringLiteral("SELECT count(*) FROM closings WHERE customer_id = ? AND"
                                       " closing_date >= ?"),
                        &later, {customerId, closingText}))
        return f;
    if (later.toInt() > 0)
        return std::nullopt;
    FixedDecimal previous = opening;
    std::optional<QDate> previousClosing;
    {
        QSqlQuery q(c.db);
        q.prepare(QStringLiteral("SELECT billed, closing_date FROM closings WHERE customer_id = ?"
                                 " ORDER BY closing_date DESC LIMIT 1"));
        q.addBindValue(customerId);
        if (!q.exec())
            return c.failure(q.lastError());
        if (q.next()) {
            previous = amountOf(q.value(0));
            previousClosing = dateOf(q.value(1));
        }
    }
    const QString ids = QLatin1String(customerIds);
    // The notes not yet closed, dated up to the closing (a note entered
    // late for an earlier period comes into this one); reprints are copies.
    // A note voided before its period was closed is left out; one voided
    // after that comes back as a red entry dated by its voiding.
    std::vector<closing::NoteEntry> notes;
    {
        QSqlQuery q(c.db);
        q.setForwardOnly(true);
        q.prepare(
            QStringLiteral("SELECT n.id, n.issued_on, n.slip_no, n.note_json, 'n' FROM notes n"
                           " JOIN note_customers nc ON nc.note_id = n.id"
                           " WHERE nc.customer_id IN %1 AND n.reprint_of IS NULL"
                           " AND n.issued_on <= ? AND NOT EXISTS (SELECT 1 FROM"
                           " closing_items ci WHERE ci.kind = 'n' AND ci.item_id = n.id)"
                           " AND %2 AND NOT %3"
                           " UNION ALL"
                           " SELECT n.id, %4, n.slip_no, n.note_json, 'v' FROM notes n"
                           " JOIN note_customers nc ON nc.note_id = n.id"
                           " WHERE nc.customer_id IN %1 AND %4 <= ? AND EXISTS (SELECT 1"
                           " FROM closing_items ci WHERE ci.kind = 'n' AND ci.item_id ="
                           " n.id) AND NOT EXISTS (SELECT 1 FROM closing_items ci WHERE"
                           " ci.kind = 'v' AND ci.item_id = n.id)"
                           " ORDER BY 2, 1")
                .arg(ids, QLatin1String(handedOver), QLatin1String(voided),
                     QLatin1String(voidedOn)));
        for (const QVariant &v :
             QVariantList{customerId, customerId, closingText, customerId, customerId, closingText})
            q.addBindValue(v);
        if (!q.exec())
            return c.failure(q.lastError());
        while (q.next()) {
            notes.push_back(noteEntry(q.value(0).toLongLong(), q.value(1).toString(),
                                      q.value(2).toString(), q.value(3).toString()));
            if (q.value(4).toString() == QStringLiteral("v"))
                notes.back().sign = -1;
        }
    }
    // Payments not yet closed and not cancelled; and cancellations of
    // payments an earlier summary counted, which come back negative.
    std::vector<closing::PaymentEntry> payments;
    std::vector<std::pair<char, qint64>> items;
    {
        QSqlQuery q(c.db);
        q.setForwardOnly(true);
        q.prepare(
            QStringLiteral(
                "SELECT p.id, p.paid_on, p.kind, p.method, p.amount, p.memo, 'p' FROM payments p"
                " WHERE p.customer_id IN %1 AND p.paid_on <= ? AND NOT EXISTS (SELECT 1 FROM"
                " closing_items ci WHERE ci.kind = 'p' AND ci.item_id = p.id) AND NOT EXISTS"
                " (SELECT 1 FROM payment_cancellations pc WHERE pc.payment_id = p.id)"
                " UNION ALL"
                " SELECT p.id, substr(pc.recorded_at, 1, 10), p.kind, p.method, p.amount,"
                " pc.reason, 'x' FROM payments p JOIN payment_cancellations pc ON"
                " pc.payment_id = p.id WHERE p.customer_id IN %1 AND EXISTS (SELECT 1 FROM"
                " closing_items ci WHERE ci.kind = 'p' AND ci.item_id = p.id) AND NOT EXISTS"
                " (SELECT 1 FROM closing_items ci WHERE ci.kind = 'x' AND ci.item_id = p.id)"
                " ORDER BY 2, 1")
                .arg(ids));
        for (const QVariant &v :
             QVariantList{customerId, customerId, closingText, customerId, customerId})
            q.addBindValue(v);
        if (!q.exec())
            return c.failure(q.lastError());
        while (q.next()) {
            const bool reversal = q.value(6).toString() == QStringLiteral("x");
            const FixedDecimal amount = amountOf(q.value(4));
            payments.push_back({dateOf(q.value(1)),
                                q.value(2).toInt() == 1 ? closing::PaymentKind::Adjustment
                                                        : closing::PaymentKind::Payment,
                                reversal ? negated(amount) : amount, q.value(3).toString(),
                                reversal ? QStringLiteral("取消 ") + q.value(5).toString()
                                         : q.value(5).toString()});
            items.push_back({reversal ? 'x' : 'p', q.value(0).toLongLong()});
        }
    }
    if (notes.empty() && payments.empty())
        return std::nullopt;
    const std::optional<closing::Summary> summary = closing::summarize(previous, notes, payments);
    if (!summary)
        return Failure{QStringLiteral("a summary beyond the amounts' range"), 0};
    for (const closing::NoteEntry &n : notes)
        items.push_back({n.sign < 0 ? 'v' : 'n', n.id});

    ClosingRecord r;
    r.customerId = customerId;
    r.closingDate = request.closingDate;
    printing::SummaryInvoice &inv = r.invoice;
    inv.summary = *summary;
    inv.payments = payments;
    fill(inv, previousClosing);
    QVariant number;
    if (auto f = c.exec(QStringLiteral("INSERT INTO counters (name, value) VALUES ('invoice', 0)"
                                       " ON CONFLICT (name) DO NOTHING")))
        return f;
    if (auto f = c.exec(QStringLiteral("UPDATE counters SET value = value + 1 WHERE name ="
                                       " 'invoice' RETURNING value"),
                        &number))
        return f;
    inv.invoiceNo = number.toString();
    r.invoiceNo = inv.invoiceNo;
    r.customerName = inv.customerName;
    r.dueDate = inv.dueDate;
    QVariant id;
    if (auto f =
            c.exec(QStringLiteral("INSERT INTO closings (customer_id, customer_name, closing_date,"
                                  " due_date, invoice_no, previous, paid, adjusted, purchases, tax,"
                                  " billed, invoice_json, recorded_at) VALUES"
                                  " (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"),
                   &id,
                   {customerId, text(inv.customerName), isoDate(inv.closingDate),
                    isoDate(inv.dueDate), inv.invoiceNo, summary->previous.toText(),
                    summary->paid.toText(), summary->adjusted.toText(), summary->purchases.toText(),
                    summary->tax.toText(), summary->billed.toText(),
                    QString::fromUtf8(
                        QJsonDocument(summaryInvoiceToJson(inv)).toJson(QJsonDocument::Compact)),
                    nowText()}))
        return f;
    r.id = id.toLongLong();
    for (const auto &[kind, item] : items)
        if (auto f = c.exec(QStringLiteral("INSERT INTO closing_items (kind, item_id, closing_id)"
                                           " VALUES (?, ?, ?)"),
                            nullptr, {QString(QChar::fromLatin1(kind)), item, r.id}))
            return f;
    record = std::move(r);
    return std::nullopt;
}

LedgerStatus NoteLedger::findClosings(qint64 customerId, const NoteQuery &query,
                                      std::vector<ClosingRecord> &out)
{
    out.clear();
    return run([&]() -> std::optional<Failure> {
        const bool sqlite = m_db->sqlite;
        const QString amount = sqlite ? QStringLiteral("CAST(billed AS REAL)")
                                      : QStringLiteral("kanro_amount(billed)");
        QStringList where;
        QVariantList values;
        if (customerId > 0) {
            where << QStringLiteral("customer_id IN ") + QLatin1String(customerIds);
            values << customerId << customerId;
        }
        appendQueryConditions(query, sqlite, "closing_date", amount, "customer_name", "invoice_no",
                              where, values);
        QSqlQuery q(m_db->db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT id, customer_id, customer_name, closing_date, due_date,"
                                 " invoice_no, invoice_json FROM closings%1"
                                 " ORDER BY closing_date DESC, id DESC")
                      .arg(where.isEmpty()
                               ? QString()
                               : QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "))));
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!q.exec())
            return m_db->failure(q.lastError());
        while (q.next()) {
            ClosingRecord r;
            r.id = q.value(0).toLongLong();
            r.customerId = q.value(1).toLongLong();
            r.customerName = q.value(2).toString();
            r.closingDate = dateOf(q.value(3));
            r.dueDate = dateOf(q.value(4));
            r.invoiceNo = q.value(5).toString();
            r.invoice = summaryInvoiceFromJson(
                QJsonDocument::fromJson(q.value(6).toString().toUtf8()).object());
            out.push_back(std::move(r));
        }
        return std::nullopt;
    });
}

LedgerStatus NoteLedger::balances(std::vector<Balance> &out)
{
    out.clear();
    return run([&]() -> std::optional<Failure> {
        QSqlQuery q(m_db->db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral(
                "SELECT c.id, c.code, c.name, c.opening_balance, k.closing_date, k.previous,"
                " k.paid, k.purchases, k.tax, k.billed, k.due_date FROM customers c"
                " LEFT JOIN closings k ON k.id = (SELECT id FROM closings WHERE customer_id ="
                " c.id ORDER BY closing_date DESC LIMIT 1) WHERE c.merged_into IS NULL"
                " AND (k.id IS NOT NULL OR c.opening_balance NOT IN ('0', '')) ORDER BY c.code")))
            return m_db->failure(q.lastError());
        while (q.next()) {
            Balance b;
            b.customerId = q.value(0).toLongLong();
            b.code = q.value(1).toString();
            b.name = q.value(2).toString();
            if (q.value(4).isNull()) {
                b.previous = b.billed = amountOf(q.value(3));
            } else {
                b.closingDate = dateOf(q.value(4));
                b.previous = amountOf(q.value(5));
                b.paid = amountOf(q.value(6));
                b.purchases = amountOf(q.value(7));
                b.tax = amountOf(q.value(8));
                b.billed = amountOf(q.value(9));
                b.dueDate = dateOf(q.value(10));
            }
            out.push_back(std::move(b));
        }
        return std::nullopt;
    });
}

LedgerStatus NoteLedger::customerLedger(qint64 customerId, std::vector<LedgerLine> &out)
{
    out.clear();
    return run([&]() -> std::optional<Failure> {
        QVariant opening;
        if (auto f =
                m_db->exec(QStringLiteral("SELECT opening_balance FROM customers WHERE id = ?"),
                           &opening, {customerId}))
            return f;
        QSqlQuery q(m_db->db);
        q.setForwardOnly(true);
        // Kind order within a day: notes, voided notes, payments, cancelled
        // payments, summaries.
        q.prepare(QStringLiteral(
                      "SELECT n.issued_on, 0, n.slip_no, n.total, n.id FROM notes n JOIN"
                      " note_customers nc ON nc.note_id = n.id WHERE nc.customer_id IN %1"
                      " AND n.reprint_of IS NULL AND %2"
                      " UNION ALL SELECT %3, 1, n.slip_no, n.total, n.id FROM notes n JOIN"
                      " note_customers nc ON nc.note_id = n.id WHERE nc.customer_id IN %1"
                      " AND n.reprint_of IS NULL AND %4"
                      " UNION ALL SELECT paid_on, 2 + kind, method, amount, id FROM payments"
                      " WHERE customer_id IN %1"
                      " UNION ALL SELECT substr(pc.recorded_at, 1, 10), 4, p.method, p.amount, p.id"
                      " FROM payments p JOIN payment_cancellations pc ON pc.payment_id = p.id"
                      " WHERE p.customer_id IN %1"
                      " UNION ALL SELECT closing_date, 5, invoice_no, billed, id FROM closings"
                      " WHERE customer_id IN %1 ORDER BY 1, 2, 5")
                      .arg(QLatin1String(customerIds), QLatin1String(handedOver),
                           QLatin1String(voidedOn), QLatin1String(voided)));
        for (int k = 0; k < 10; ++k)
            q.addBindValue(customerId);
        if (!q.exec())
            return m_db->failure(q.lastError());
        FixedDecimal balance = amountOf(opening);
        while (q.next()) {
            LedgerLine l;
            l.date = dateOf(q.value(0));
            l.reference = q.value(2).toString();
            l.amount = amountOf(q.value(3));
            switch (q.value(1).toInt()) {
            case 0:
                l.kind = LedgerLine::Kind::Note;
                balance = balance.add(l.amount).value_or(balance);
                break;
            case 1: // a voided note is owed no more
                l.kind = LedgerLine::Kind::Note;
                l.reference = QStringLiteral("取消 ") + l.reference;
                l.amount = negated(l.amount);
                balance = balance.add(l.amount).value_or(balance);
                break;
            case 2:
            case 3:
                l.kind = q.value(1).toInt() == 2 ? LedgerLine::Kind::Payment
                                                 : LedgerLine::Kind::Adjustment;
                balance = balance.subtract(l.amount).value_or(balance);
                break;
            case 4: // a cancelled payment is owed again
                l.kind = LedgerLine::Kind::Payment;
                l.reference = QStringLiteral("取消 ") + l.reference;
                l.amount = negated(l.amount);
                balance = balance.subtract(l.amount).value_or(balance);
                break;
            default:
                l.kind = LedgerLine::Kind::Summary;
                break;
            }
            l.balance = balance;
            out.push_back(std::move(l));
        }
        return std::nullopt;
    });
}

namespace {

QByteArray csvText(const QStringList &header, const std::vector<QStringList> &rows)
{
    QString out = header.join(u',') + QStringLiteral("\r\n");
    for (const QStringList &r : rows)
        out += r.join(u',') + QStringLiteral("\r\n");
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

} // namespace

QByteArray balancesCsv(const std::vector<Balance> &balances)
{
    std::vector<QStringList> rows;
    for (const Balance &b : balances)
        rows.push_back({csvField(b.code, true), csvField(b.name, true), isoDate(b.closingDate),
                        b.previous.toText(), b.paid.toText(), b.purchases.toText(), b.tax.toText(),
                        b.billed.toText(), isoDate(b.dueDate)});
    return csvText(
        {QStringLiteral("得意先コード"), QStringLiteral("得意先名"), QStringLiteral("締日"),
         QStringLiteral("前回御請求額"), QStringLiteral("御入金額"), QStringLiteral("今回御買上額"),
         QStringLiteral("消費税額"), QStringLiteral("今回御請求額"), QStringLiteral("支払期限")},
        rows);
}

QByteArray customerLedgerCsv(const std::vector<LedgerLine> &lines)
{
    std::vector<QStringList> rows;
    for (const LedgerLine &l : lines) {
        static const QString kinds[] = {QStringLiteral("納品"), QStringLiteral("入金"),
                                        QStringLiteral("調整"), QStringLiteral("請求")};
        rows.push_back({isoDate(l.date), kinds[int(l.kind)], csvField(l.reference, true),
                        l.amount.toText(), l.balance.toText()});
    }
    return csvText({QStringLiteral("日付"), QStringLiteral("区分"),
                    QStringLiteral("伝票番号・摘要"), QStringLiteral("金額"),
                    QStringLiteral("残高")},
                   rows);
}

} // namespace ledger
