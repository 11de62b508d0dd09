// Payments and summary invoices in the store: a closing's figures, what it
// locks, reprints, balances and the customer's ledger; and an independent
// reference over many customers and periods.
#include "StoreFixture.h"

#include <QRandomGenerator>
#include <map>

using namespace ledger;

namespace {

FixedDecimal yen(qint64 v)
{
    return *FixedDecimal::fromInteger(v);
}

// A note for a customer told by its telephone, with a 10 % and an 8 % share.
IssuedNote noteFor(const QString &name, const QString &tel, QDate date, qint64 standard,
                   qint64 reduced, bool included)
{
    IssuedNote n;
    n.note.customerName = name;
    n.tel = tel;
    n.note.issueDate = date;
    n.note.slipNo = QString::number(date.toJulianDay() % 100000);
    n.note.taxIncluded = included;
    const qint64 stdTax = included ? standard * 10 / 110 : standard / 10;
    const qint64 redTax = included ? reduced * 8 / 108 : reduced * 8 / 100;
    n.note.standardRate = {QStringLiteral("10"), QString::number(standard), QString::number(stdTax),
                           standard != 0};
    n.note.reducedRate = {QStringLiteral("8"), QString::number(reduced), QString::number(redTax),
                          reduced != 0};
    n.note.subtotal = QString::number(standard + reduced);
    n.note.tax = QString::number(stdTax + redTax);
    n.note.total =
        QString::number(included ? standard + reduced : standard + reduced + stdTax + redTax);
    return n;
}

// The customer a note with this telephone made, given a closing day and terms.
qint64 customer(NoteLedger &l, const QString &tel, int closingDay, const QString &terms = {})
{
    std::vector<Customer> found;
    EXPECT_TRUE(l.findCustomers({CustomerQuery::By::Tel, tel}, 1, found).ok());
    if (found.empty())
        return 0;
    found[0].closingDay = closingDay;
    found[0].paymentTerms = terms;
    EXPECT_TRUE(l.saveCustomer(found[0]).ok());
    return found[0].id;
}

class BillingTest : public StoreBackEndTest
{
protected:
    std::vector<ClosingRecord> close(NoteLedger &l, QDate on)
    {
        std::vector<ClosingRecord> made;
        const LedgerStatus st = l.closePeriod(
            {on, on.addDays(1), {QStringLiteral("甘露商店")}, QStringLiteral("T1234567890123"), {}},
            made);
        EXPECT_TRUE(st.ok()) << st.error.toStdString();
        return made;
    }
};

} // namespace

INSTANTIATE_TEST_SUITE_P(BackEnds, BillingTest,
                         ::testing::Values(StoreTarget::Kind::Sqlite, StoreTarget::Kind::Postgres),
                         backEndName);

TEST_P(BillingTest, AClosingCountsWhatIsOpenAndLocksIt)
{
    NoteLedger l(store);
    IssuedNote notes[] = {
        noteFor(QStringLiteral("山田商店"), QStringLiteral("0311112222"), QDate(2026, 11, 25), 1000,
                540, false),
        noteFor(QStringLiteral("山田商店"), QStringLiteral("0311112222"), QDate(2026, 12, 20), 1100,
                0, true),
        noteFor(QStringLiteral("山田商店"), QStringLiteral("0311112222"), QDate(2026, 12, 21), 500,
                0, false),
    };
    ASSERT_TRUE(l.record(std::span(notes)).ok());
    IssuedNote reprint = notes[0];
    reprint.reprintOf = notes[0].id;
    ASSERT_TRUE(l.record(reprint).ok());
    const qint64 id = customer(l, QStringLiteral("0311112222"), 20, QStringLiteral("翌月10日"));
    ASSERT_GT(id, 0);
    ASSERT_TRUE(l.setOpeningBalance(id, yen(10000)).ok());
    Payment paid{0,
                 {},
                 id,
                 QDate(2026, 12, 5),
                 closing::PaymentKind::Payment,
                 QStringLiteral("振込"),
                 yen(9560),
                 {},
                 false};
    Payment fee{0,
                {},
                id,
                QDate(2026, 12, 5),
                closing::PaymentKind::Adjustment,
                QStringLiteral("その他"),
                yen(440),
                QStringLiteral("振込手数料"),
                false};
    ASSERT_TRUE(l.recordPayment(paid).ok());
    ASSERT_TRUE(l.recordPayment(fee).ok());
    ASSERT_TRUE(l.recordPayment(fee).ok()) << "a retry";

    std::vector<ClosingRecord> made = close(l, QDate(2026, 12, 20));
    ASSERT_EQ(made.size(), 1u);
    const closing::Summary &s = made[0].invoice.summary;
    EXPECT_EQ(s.previous, yen(10000));
    EXPECT_EQ(s.carried, yen(0)) << "one adjustment, the retry not counted";
    EXPECT_EQ(s.purchases, yen(1000 + 540 + 1100)) << "the reprint is a copy";
    EXPECT_EQ(s.tax, yen(100 + 43));
    EXPECT_EQ(s.includedTax, yen(100));
    EXPECT_EQ(s.billed, yen(2783));
    EXPECT_EQ(made[0].dueDate, QDate(2027, 1, 10));
    EXPECT_TRUE(close(l, QDate(2026, 12, 20)).empty()) << "closed once";

    // Cancelling a closed payment and the note after the closing date come next time.
    ASSERT_TRUE(l.cancelPayment(paid.id, QStringLiteral("二重入力")).ok());
    EXPECT_FALSE(l.cancelPayment(fee.id, QString()).ok()) << "a reason is required";
    made = close(l, QDate(2027, 1, 20));
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].invoice.summary.previous, yen(2783));
    EXPECT_EQ(made[0].invoice.summary.paid, yen(-9560));
    EXPECT_EQ(made[0].invoice.summary.billed, yen(2783 + 9560 + 550));
    EXPECT_EQ(made[0].invoice.period.from, QDate(2026, 12, 21));

    std::vector<ClosingRecord> found;
    ASSERT_TRUE(l.findClosings(id, {}, found).ok());
    ASSERT_EQ(found.size(), 2u);
    std::vector<ClosingRecord> byAmount;
    NoteQuery above;
    above.minTotal = 10000;
    above.customer = QStringLiteral("山田");
    ASSERT_TRUE(l.findClosings(0, above, byAmount).ok());
    ASSERT_EQ(byAmount.size(), 1u) << "searched by amount and customer";
    EXPECT_EQ(byAmount[0].closingDate, QDate(2027, 1, 20));
    EXPECT_EQ(summaryInvoiceToJson(found[0].invoice), summaryInvoiceToJson(made[0].invoice))
        << "a reprint prints what was recorded";
    std::vector<Balance> balances;
    ASSERT_TRUE(l.balances(balances).ok());
    ASSERT_EQ(balances.size(), 1u);
    EXPECT_EQ(balances[0].billed, yen(12893));
    std::vector<LedgerLine> lines;
    ASSERT_TRUE(l.customerLedger(id, lines).ok());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().balance, yen(12893)) << "the running balance meets the summary";
}

// A failed or unfinished print is not billed; a note voided before its
// closing is left out, one voided after it comes back red in the next.
TEST_P(BillingTest, VoidedAndFailedNotes)
{
    NoteLedger l(store);
    const QString tel = QStringLiteral("0322223333");
    const auto at = [](QDate d) { return [=] { return QDateTime(d, QTime(10, 0)); }; };
    IssuedNote printed = noteFor(QStringLiteral("鈴木"), tel, QDate(2026, 12, 10), 1000, 0, false);
    IssuedNote failed = noteFor(QStringLiteral("鈴木"), tel, QDate(2026, 12, 11), 2000, 0, false);
    IssuedNote cancelled =
        noteFor(QStringLiteral("鈴木"), tel, QDate(2026, 12, 12), 3000, 0, false);
    IssuedNote running = noteFor(QStringLiteral("鈴木"), tel, QDate(2026, 12, 13), 4000, 0, false);
    ASSERT_TRUE(l.beginPrint(printed).ok());
    ASSERT_TRUE(l.endPrint(printed.id, true, {}, {}).ok());
    ASSERT_TRUE(l.beginPrint(failed).ok());
    ASSERT_TRUE(l.endPrint(failed.id, false, {}, {}, QStringLiteral("用紙切れ")).ok());
    ASSERT_TRUE(l.record(cancelled).ok());
    ASSERT_TRUE(l.cancel(cancelled.id, QStringLiteral("二重発行"), {}).ok());
    ASSERT_TRUE(l.beginPrint(running).ok());
    const qint64 id = customer(l, tel, 20);

    std::vector<ClosingRecord> made = close(l, QDate(2026, 12, 20));
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].invoice.summary.purchases, yen(1000));
    EXPECT_EQ(made[0].invoice.summary.notes.size(), 1u);

    NoteLedger::nowProvider = at(QDate(2026, 12, 24));
    ASSERT_TRUE(l.endPrint(running.id, true, {}, {}).ok());
    ASSERT_TRUE(l.cancel(printed.id, QStringLiteral("返品"), {}).ok());
    made = close(l, QDate(2027, 1, 20));
    ASSERT_EQ(made.size(), 1u);
    const closing::Summary &s = made[0].invoice.summary;
    EXPECT_EQ(s.purchases, yen(-1000 + 4000)) << "red for the closed note, the finished print";
    EXPECT_EQ(s.tax, yen(-100 + 400));
    ASSERT_EQ(s.notes.size(), 2u);
    EXPECT_EQ(s.notes[0].sign, 1) << "the note by its date first";
    EXPECT_EQ(s.notes[1].sign, -1);
    EXPECT_EQ(s.notes[1].date, QDate(2026, 12, 24)) << "dated by its cancellation";

    NoteLedger::nowProvider = at(QDate(2027, 1, 21));
    ASSERT_TRUE(l.cancel(running.id, QStringLiteral("返品"), {}).ok());
    made = close(l, QDate(2027, 2, 20));
    ASSERT_EQ(made.size(), 1u) << "a cancellation after January's closing comes in February";
    EXPECT_EQ(made[0].invoice.summary.purchases, yen(-4000));
    std::vector<LedgerLine> lines;
    ASSERT_TRUE(l.customerLedger(id, lines).ok());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().balance, made[0].invoice.summary.billed);
}

TEST(PaymentTerms, CommonWordings)
{
    const std::pair<const char *, std::pair<int, int>> rows[] = {
        {"翌月末", {1, closing::kEndOfMonth}},
        {"翌月10日", {1, 10}},
        {"当月25日", {0, 25}},
        {"翌々月末", {2, closing::kEndOfMonth}},
        {"３ヶ月後１０日", {3, 10}},
        {"", {1, closing::kEndOfMonth}},
    };
    for (const auto &[text, expected] : rows)
        EXPECT_EQ(paymentTermsOf(QString::fromUtf8(text)), expected) << text;
}

// 200 customers with random notes (both modes and rates) and payments over
// six months, closed month by month on their closing days: every summary
// equals sums taken straight from what was recorded.
TEST(BillingReference, SixPeriodsOfTwoHundredCustomers)
{
    QTemporaryDir dir;
    NoteLedger l(StoreTarget::sqlite(ledgerFilePath(dir.path())));
    QRandomGenerator rng(20261210);
    struct Cust
    {
        QString tel;
        int day;
        qint64 id = 0;
        std::vector<IssuedNote> notes;
        std::vector<Payment> payments;
    };
    std::vector<Cust> customers;
    std::vector<IssuedNote> all;
    const int days[] = {5, 20, closing::kEndOfMonth};
    for (int k = 0; k < 200; ++k) {
        Cust c{QStringLiteral("03%1").arg(10000000 + k), days[k % 3], 0, {}, {}};
        for (int n = int(rng.bounded(12)); n > 0; --n)
            c.notes.push_back(noteFor(QStringLiteral("得意先%1").arg(k), c.tel,
                                      QDate(2026, 12, 1).addDays(rng.bounded(180)),
                                      rng.bounded(-2000, 50000), rng.bounded(0, 20000),
                                      rng.bounded(2) == 1));
        all.insert(all.end(), c.notes.begin(), c.notes.end());
        customers.push_back(std::move(c));
    }
    ASSERT_TRUE(l.record(std::span(all)).ok());
    for (Cust &c : customers) {
        if (c.notes.empty())
            continue;
        c.id = customer(l, c.tel, c.day);
        for (int n = int(rng.bounded(4)); n > 0; --n) {
            Payment p{0,
                      {},
                      c.id,
                      QDate(2026, 12, 1).addDays(rng.bounded(180)),
                      rng.bounded(4) == 0 ? closing::PaymentKind::Adjustment
                                          : closing::PaymentKind::Payment,
                      QStringLiteral("振込"),
                      yen(rng.bounded(1, 30000)),
                      {},
                      false};
            ASSERT_TRUE(l.recordPayment(p).ok());
            c.payments.push_back(p);
        }
    }
    std::map<qint64, std::vector<ClosingRecord>> byCustomer;
    for (int m = 0; m < 6; ++m)
        for (int day : days) {
            const QDate month = QDate(2026, 12, 1).addMonths(m);
            std::vector<ClosingRecord> made;
            ASSERT_TRUE(
                l.closePeriod(
                     {closing::closingDate(month.year(), month.month(), day), month, {}, {}, {}},
                     made)
                    .ok());
            for (ClosingRecord &r : made)
                byCustomer[r.customerId].push_back(std::move(r));
        }
    int checked = 0;
    for (const Cust &c : customers) {
        if (c.id == 0)
            continue;
        qint64 previous = 0;
        QDate from;
        for (const ClosingRecord &r : byCustomer[c.id]) {
            const QDate to = r.closingDate;
            auto inPeriod = [&](QDate d) { return (!from.isValid() || d > from) && d <= to; };
            qint64 paid = 0, adjusted = 0, purchases = 0, tax = 0;
            for (const Payment &p : c.payments)
                if (inPeriod(p.paidOn))
                    (p.kind == closing::PaymentKind::Payment ? paid : adjusted) +=
                        p.amount.wholeUnits();
            for (const IssuedNote &n : c.notes)
                if (inPeriod(n.note.issueDate)) {
                    purchases += n.note.subtotal.toLongLong();
                    if (!n.note.taxIncluded)
                        tax += n.note.tax.toLongLong();
                }
            const qint64 billed = previous - paid - adjusted + purchases + tax;
            const closing::Summary &s = r.invoice.summary;
            ASSERT_EQ(s.previous, yen(previous)) << c.tel.toStdString();
            ASSERT_EQ(s.paid, yen(paid)) << c.tel.toStdString();
            ASSERT_EQ(s.adjusted, yen(adjusted)) << c.tel.toStdString();
            ASSERT_EQ(s.purchases, yen(purchases)) << c.tel.toStdString();
            ASSERT_EQ(s.tax, yen(tax)) << c.tel.toStdString();
            ASSERT_EQ(s.billed, yen(billed)) << c.tel.toStdString();
            previous = billed;
            from = to;
            ++checked;
        }
    }
    EXPECT_GT(checked, 600);
    std::printf("%d summaries checked against the reference\n", checked);
}
