#include "note/FixedDecimal.h"

#include <gtest/gtest.h>
#include <limits>
#include <ostream>

// Failures print texts readably rather than as UTF-16 code units.
void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();

FixedDecimal raw(qint64 r)
{
    return FixedDecimal::fromRaw(r);
}

struct ParseRow
{
    const char *name;
    QString text;
    std::optional<qint64> expected; // raw count, nullopt = no number
};

TEST(FixedDecimalParse, StrictForms)
{
    const ParseRow rows[] = {
        {"whole number", "1234", 12340000},
        {"decimals", "12.5", 125000},
        {"four decimals", "0.0001", 1},
        {"negative", "-3", -30000},
        {"minus zero is zero", "-0", 0},
        {"trailing point as typed", "12.", 120000},
        {"zero with trailing point", "0.", 0},
        {"leading point", ".5", 5000},
        {"negative leading point", "-.25", -2500},
        {"leading zeros", "000000000000000000000000007", 70000},
        {"largest value", "922337203685477.5807", kMax},
        {"smallest value", "-922337203685477.5808", kMin},
        {"empty", "", std::nullopt},
        {"minus alone", "-", std::nullopt},
        {"point alone", ".", std::nullopt},
        {"minus point", "-.", std::nullopt},
        {"five decimals", "12.34567", std::nullopt},
        {"separator", "1,234", std::nullopt},
        {"blanks", "  5", std::nullopt},
        {"plus sign", "+5", std::nullopt},
        {"two points", "1.2.3", std::nullopt},
        {"two minus", "--1", std::nullopt},
        {"minus after digits", "5-", std::nullopt},
        {"letters", "abc", std::nullopt},
        {"exponent", "1e3", std::nullopt},
        {"full-width digit", QString::fromUtf8("１"), std::nullopt},
        {"one count above range", "922337203685477.5808", std::nullopt},
        {"one count below range", "-922337203685477.5809", std::nullopt},
        {"huge digit string", QString(400, u'9'), std::nullopt},
        {"huge negative", "-" + QString(400, u'9') + ".5", std::nullopt},
    };
    for (const ParseRow &row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<FixedDecimal> value = FixedDecimal::parse(row.text);
        ASSERT_EQ(row.expected.has_value(), value.has_value());
        if (value) {
            EXPECT_EQ(*row.expected, value->raw());
        }
    }
}

TEST(FixedDecimalParse, AmountParserReadsAnythingElseAsZero)
{
    const ParseRow rows[] = {
        {"empty", "", 0},
        {"minus alone", "-", 0},
        {"letters", "abc", 0},
        {"separators are not part of a number", "1,234", 0},
        {"blanks around are ignored", "  5 ", 50000},
        {"tab and newline around", "\t-7\n", -70000},
        {"ideographic space is not a blank", QString::fromUtf8("5　"), 0},
        {"blank inside", "1 000", 0},
        {"fifth decimal below half dropped", "12.34564", 123456},
        {"fifth decimal above half rounds up", "12.34566", 123457},
        {"tie rounds to even (down)", "12.34565", 123456},
        {"tie rounds to even (up)", "12.34575", 123458},
        {"just above tie rounds up", "12.345650001", 123457},
        {"negative tie rounds to even", "-0.00015", -2},
        {"rounding may not leave the range", "922337203685477.58075", 0},
        {"rounding at the top stays in range", "922337203685477.58065", kMax - 1},
        {"out of range", "1000000000000000", 0},
        {"trailing point", "3.", 30000},
    };
    for (const ParseRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(*row.expected, FixedDecimal::parseAmount(row.text).raw());
    }
}

TEST(FixedDecimalText, ShortestDecimalText)
{
    const struct
    {
        const char *name;
        qint64 raw;
        const char *text;
    } rows[] = {
        {"whole", 12340000, "1234"},
        {"one decimal", 125000, "12.5"},
        {"negative whole", -30000, "-3"},
        {"zero", 0, "0"},
        {"smallest step", 1, "0.0001"},
        {"negative fraction only", -5000, "-0.5"},
        {"inner zero kept", 10500, "1.05"},
        {"largest", kMax, "922337203685477.5807"},
        {"smallest", kMin, "-922337203685477.5808"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(QString::fromLatin1(row.text), raw(row.raw).toText());
        // The text reads back to the same value.
        EXPECT_EQ(row.raw, FixedDecimal::parse(raw(row.raw).toText())->raw());
    }
}

TEST(FixedDecimalArithmetic, MultiplyRoundsToNearestTiesToEven)
{
    const struct
    {
        const char *name;
        qint64 a, b;
        std::optional<qint64> product;
    } rows[] = {
        {"3 x 1200", 30000, 12000000, 36000000},
        {"-2 x 100", -20000, 1000000, -2000000},
        {"0.0001 x 0.5 tie goes to even 0", 1, 5000, 0},
        {"0.0003 x 0.5 tie goes to even 0.0002", 3, 5000, 2},
        {"-0.0003 x 0.5 tie goes to even -0.0002", -3, 5000, -2},
        {"0.0001 x 0.6 rounds up", 1, 6000, 1},
        {"0.0001 x 0.4 rounds down", 1, 4000, 0},
        {"1000 x 1234567 is never cut", 10000000, 12345670000, 12345670000000},
        {"15-digit result fits", 9223372036854770000, 10000, 9223372036854770000},
        {"999999999 x 999999999 overflows", 9999999990000, 9999999990000, std::nullopt},
        {"smallest x -1 overflows", kMin, -10000, std::nullopt},
        {"smallest x smallest overflows", kMin, kMin, std::nullopt},
        {"largest x 1", kMax, 10000, kMax},
        {"smallest x 1", kMin, 10000, kMin},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<FixedDecimal> p = raw(row.a).multiply(raw(row.b));
        ASSERT_EQ(row.product.has_value(), p.has_value());
        if (p) {
            EXPECT_EQ(*row.product, p->raw());
        }
    }
}

TEST(FixedDecimalArithmetic, AddAndSubtractDetectOverflow)
{
    EXPECT_EQ(raw(30000), raw(10000).add(raw(20000)));
    EXPECT_EQ(raw(kMax), raw(kMax - 1).add(raw(1)));
    EXPECT_EQ(std::nullopt, raw(kMax).add(raw(1)));
    EXPECT_EQ(std::nullopt, raw(kMin).add(raw(-1)));
    EXPECT_EQ(raw(-1), raw(kMax).add(raw(kMin)));
    EXPECT_EQ(std::nullopt, raw(kMin).subtract(raw(1)));
    EXPECT_EQ(std::nullopt, raw(0).subtract(raw(kMin)));

    const FixedDecimal swing[] = {raw(kMax), raw(kMax), raw(kMin), raw(kMin), raw(5)};
    EXPECT_EQ(raw(3), FixedDecimal::sum(swing)); // intermediate sums leave the range
    const FixedDecimal over[] = {raw(kMax), raw(1)};
    EXPECT_EQ(std::nullopt, FixedDecimal::sum(over));
    EXPECT_EQ(raw(0), FixedDecimal::sum({}));
}

TEST(FixedDecimalArithmetic, DivideByWholeNumber)
{
    const struct
    {
        const char *name;
        qint64 a, divisor;
        std::optional<qint64> quotient;
    } rows[] = {
        {"rate 5 / 100", 50000, 100, 500},
        {"rate 2.5 / 100", 25000, 100, 250},
        {"0.005 / 100 tie to even 0", 50, 100, 0},
        {"0.015 / 100 tie to even 0.0002", 150, 100, 2},
        {"negative tie to even", -150, 100, -2},
        {"negative divisor", 150, -100, -2},
        {"smallest / -1 overflows", kMin, -1, std::nullopt},
        {"smallest / smallest", kMin, kMin, 1},
        {"by zero", 10000, 0, std::nullopt},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<FixedDecimal> q = raw(row.a).divide(row.divisor);
        ASSERT_EQ(row.quotient.has_value(), q.has_value());
        if (q) {
            EXPECT_EQ(*row.quotient, q->raw());
        }
    }
}

TEST(FixedDecimalArithmetic, ComparisonAndConversions)
{
    EXPECT_LT(raw(-1), raw(0));
    EXPECT_GT(raw(kMax), raw(kMin));
    EXPECT_EQ(12, raw(129999).wholeUnits());
    EXPECT_EQ(-12, raw(-129999).wholeUnits());
    EXPECT_EQ(12.5L, raw(125000).toLongDouble());
    EXPECT_EQ(raw(-50000), FixedDecimal::fromInteger(-5));
    EXPECT_EQ(std::nullopt, FixedDecimal::fromInteger(922337203685478));
}

} // namespace
