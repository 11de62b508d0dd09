#include "note/SummaryClosing.h"

#include <gtest/gtest.h>

using namespace closing;

namespace {

FixedDecimal yen(qint64 units)
{
    return *FixedDecimal::fromInteger(units);
}

RateShare standard(qint64 amount, qint64 tax)
{
    return {QStringLiteral("10"), false, yen(amount), yen(tax)};
}

RateShare reduced(qint64 amount, qint64 tax)
{
    return {QStringLiteral("8"), true, yen(amount), yen(tax)};
}

NoteEntry note(int day, std::vector<RateShare> rates, bool included = false, int sign = 1,
               bool cancelled = false)
{
    NoteEntry n;
    n.date = QDate(2026, 12, day);
    n.rates = std::move(rates);
    n.taxIncluded = included;
    n.sign = sign;
    n.cancelled = cancelled;
    return n;
}

PaymentEntry payment(qint64 amount, PaymentKind kind = PaymentKind::Payment)
{
    return {QDate(2026, 12, 5), kind, yen(amount), QStringLiteral("振込"), {}};
}

} // namespace

TEST(SummaryClosing, FiguresOfAPeriod)
{
    struct Row
    {
        const char *name;
        qint64 previous;
        std::vector<NoteEntry> notes;
        std::vector<PaymentEntry> payments;
        // carried, purchases, tax, included tax, billed, notes listed
        qint64 carried, purchases, tax, includedTax, billed;
        std::size_t listed;
    };
    const Row rows[] = {
        {"no activity keeps the balance", 10000, {}, {}, 10000, 0, 0, 0, 10000, 0},
        {"partial payment",
         10000,
         {note(3, {standard(1000, 100)})},
         {payment(4000)},
         6000,
         1000,
         100,
         0,
         7100,
         1},
        {"over-payment leaves a credit",
         1000,
         {note(3, {standard(500, 50)})},
         {payment(3000)},
         -2000,
         500,
         50,
         0,
         -1450,
         1},
        {"a bank fee the customer deducted",
         10000,
         {},
         {payment(9560), payment(440, PaymentKind::Adjustment)},
         0,
         0,
         0,
         0,
         0,
         0},
        {"a note cancelled in the period is left out",
         0,
         {note(3, {standard(1000, 100)}), note(4, {standard(2000, 200)}, false, 1, true)},
         {},
         0,
         1000,
         100,
         0,
         1100,
         1},
        {"a correction: the old note in red, the new in black",
         0,
         {note(3, {standard(1000, 100)}, false, -1), note(3, {standard(900, 90)})},
         {},
         0,
         -100,
         -10,
         0,
         -110,
         2},
        {"both tax modes and both rates",
         500,
         {note(1, {standard(1000, 100)}), note(2, {standard(1100, 100), reduced(1080, 80)}, true)},
         {},
         500,
         3180,
         100,
         180,
         3780,
         2},
    };
    for (const Row &r : rows) {
        const auto s = summarize(yen(r.previous), r.notes, r.payments);
        ASSERT_TRUE(s) << r.name;
        EXPECT_EQ(s->carried, yen(r.carried)) << r.name;
        EXPECT_EQ(s->purchases, yen(r.purchases)) << r.name;
        EXPECT_EQ(s->tax, yen(r.tax)) << r.name;
        EXPECT_EQ(s->includedTax, yen(r.includedTax)) << r.name;
        EXPECT_EQ(s->billed, yen(r.billed)) << r.name;
        EXPECT_EQ(s->notes.size(), r.listed) << r.name;
    }
}

TEST(SummaryClosing, RatesAreKeptApartByModeAndListedStandardFirst)
{
    const NoteEntry notes[] = {note(9, {reduced(1080, 80)}, true),
                               note(2, {standard(1000, 100), reduced(500, 40)})};
    const auto s = summarize({}, notes, {});
    ASSERT_TRUE(s);
    ASSERT_EQ(s->rates.size(), 2u);
    EXPECT_EQ(s->rates[0].percent, "10");
    EXPECT_EQ(s->rates[1].exclusiveAmount, yen(500));
    EXPECT_EQ(s->rates[1].exclusiveTax, yen(40));
    EXPECT_EQ(s->rates[1].inclusiveAmount, yen(1080));
    EXPECT_EQ(s->rates[1].includedTax, yen(80));
    EXPECT_EQ(s->notes.front().date, QDate(2026, 12, 2)) << "listed by date";
}

TEST(SummaryClosing, SumsBeyondTheRangeGiveNoSummary)
{
    const NoteEntry notes[] = {note(1, {standard(900000000000000, 0)}),
                               note(2, {standard(900000000000000, 0)})};
    EXPECT_FALSE(summarize({}, notes, {}));
}

TEST(SummaryClosing, Dates)
{
    struct Row
    {
        const char *name;
        QDate got;
        QDate expected;
    };
    const Row rows[] = {
        {"end of February", closingDate(2027, 2, kEndOfMonth), QDate(2027, 2, 28)},
        {"end of February, leap year", closingDate(2028, 2, kEndOfMonth), QDate(2028, 2, 29)},
        {"the 20th", closingDate(2026, 12, 20), QDate(2026, 12, 20)},
        {"next closing on the day", nextClosing(QDate(2026, 12, 20), 20), QDate(2026, 12, 20)},
        {"next closing after the day", nextClosing(QDate(2026, 12, 21), 20), QDate(2027, 1, 20)},
        {"next end of month", nextClosing(QDate(2027, 1, 31), kEndOfMonth), QDate(2027, 1, 31)},
        {"due at the end of next month", dueDate(QDate(2026, 12, 31), 1, kEndOfMonth),
         QDate(2027, 1, 31)},
        {"due on the 10th of next month", dueDate(QDate(2027, 1, 20), 1, 10), QDate(2027, 2, 10)},
        {"period after a closing", periodEndingOn(QDate(2027, 1, 20), QDate(2026, 12, 20)).from,
         QDate(2026, 12, 21)},
    };
    for (const Row &r : rows)
        EXPECT_EQ(r.got, r.expected) << r.name;
    const Period first = periodEndingOn(QDate(2026, 12, 20), std::nullopt);
    EXPECT_TRUE(first.contains(QDate(2020, 1, 1))) << "a first period holds everything before";
    EXPECT_FALSE(first.contains(QDate(2026, 12, 21)));
}

TEST(SummaryClosing, RateSharesAreTheRatesANotePrinted)
{
    printing::PrintNote n;
    n.standardRate = {QStringLiteral("10"), QStringLiteral("1000"), QStringLiteral("100"), true};
    n.reducedRate = {QStringLiteral("8"), QStringLiteral("0"), QStringLiteral("0"), false};
    auto shares = rateShares(n);
    ASSERT_EQ(shares.size(), 1u);
    EXPECT_EQ(shares[0].amount, yen(1000));
    n.reducedRate.inUse = true;
    n.reducedRate.subtotal = QStringLiteral("-540");
    shares = rateShares(n);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_TRUE(shares[1].reduced);
    EXPECT_EQ(shares[1].amount, yen(-540));
}
