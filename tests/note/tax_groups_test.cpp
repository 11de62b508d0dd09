// The note's tax by groups of equal rate, tax-exclusive and tax-inclusive:
// the worked examples, each exact to the yen.
#include "note/NoteArithmetic.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <ostream>
#include <utility>

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

// Rows of quantity 1 with the given amounts; a true second marks the row.
DetailRows rowsOf(std::initializer_list<std::pair<const char *, bool>> amounts, ReducedMarks &marks)
{
    DetailRows rows;
    marks = {};
    std::size_t i = 0;
    for (const auto &[amount, reduced] : amounts) {
        rows[i] = {QStringLiteral("1"), QString::fromLatin1(amount), QString::fromLatin1(amount)};
        marks[i++] = reduced;
    }
    return rows;
}

} // namespace

TEST(TaxGroups, WorkedExamples)
{
    const struct
    {
        const char *name;
        std::initializer_list<std::pair<const char *, bool>> rows;
        const char *standard, *reduced, *mode;
        bool included;
        NoteTotals totals;
        RateTotals standardRate, reducedRate;
    } cases[] = {
        {"three rows of 105 at 10%, exclusive: 31",
         {{"105", false}, {"105", false}, {"105", false}},
         "0.1",
         "0.08",
         "0",
         false,
         {"3", "315", "31", "346"},
         {true, "315", "31"},
         {false, "0", "0"}},
        {"8% and 8% on 2019-09-30: one group of 8,212, tax 656, not 657",
         {{"13940", false}, {"-5728", true}},
         "0.08",
         "0.08",
         "0",
         false,
         {"2", "8212", "656", "8868"},
         {false, "0", "0"},
         {true, "8212", "656"}},
        {"equal rates without a printed marked row: one standard group",
         {{"13940", false}, {"-5728", false}},
         "0.08",
         "0.08",
         "0",
         false,
         {"2", "8212", "656", "8868"},
         {true, "8212", "656"},
         {false, "0", "0"}},
        {"980 at 10% and 1,080 at 8% inclusive, round down: 89 and 80",
         {{"980", false}, {"1080", true}},
         "0.1",
         "0.08",
         "0",
         true,
         {"2", "2060", "169", "2060"},
         {true, "980", "89"},
         {true, "1080", "80"}},
        {"5,500 at 10% inclusive holds 500",
         {{"5500", false}},
         "0.1",
         "0.08",
         "1",
         true,
         {"1", "5500", "500", "5500"},
         {true, "5500", "500"},
         {false, "0", "0"}},
        {"only reduced rows, exclusive",
         {{"1000", true}, {"80", true}},
         "0.1",
         "0.08",
         "0",
         false,
         {"2", "1080", "86", "1166"},
         {false, "0", "0"},
         {true, "1080", "86"}},
        {"only reduced rows at 0%: still a rate line, tax 0",
         {{"1000", true}, {"80", true}},
         "0.1",
         "0",
         "2",
         false,
         {"2", "1080", "0", "1080"},
         {false, "0", "0"},
         {true, "1080", "0"}},
        {"0% reduced beside 10% inclusive",
         {{"1100", false}, {"1080", true}},
         "0.1",
         "0",
         "2",
         true,
         {"2", "2180", "100", "2180"},
         {true, "1100", "100"},
         {true, "1080", "0"}},
        {"a discount, exclusive, mode 1: 895 at 10% and -135 at 8%",
         {{"1000", false}, {"-105", false}, {"-135", true}},
         "0.1",
         "0.08",
         "1",
         false,
         {"3", "760", "79", "839"},
         {true, "895", "90"},
         {true, "-135", "-11"}},
        {"a discount, inclusive, mode 2 rounds away from zero",
         {{"1000", false}, {"-1081", true}},
         "0.1",
         "0.08",
         "2",
         true,
         {"2", "-81", "10", "-81"},
         {true, "1000", "91"},
         {true, "-1081", "-81"}},
        {"a discount, inclusive, mode 1: halves away from zero",
         {{"-1134", true}},
         "0.1",
         "0.08",
         "1",
         true,
         {"1", "-1134", "-84", "-1134"},
         {false, "0", "0"},
         {true, "-1134", "-84"}},
        {"inclusive with an unknown mode taxes nothing",
         {{"1100", false}},
         "0.1",
         "0.08",
         "x",
         true,
         {"1", "1100", "0", "1100"},
         {true, "1100", "0"},
         {false, "0", "0"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ReducedMarks marks;
        const DetailRows rows = rowsOf(c.rows, marks);
        const InvoiceTotals t =
            DEN_SUM(rows, marks, QString::fromLatin1(c.standard), QString::fromLatin1(c.reduced),
                    QString::fromLatin1(c.mode), c.included);
        EXPECT_EQ(c.totals, t.totals);
        EXPECT_EQ(c.standardRate, t.standard);
        EXPECT_EQ(c.reducedRate, t.reduced);
    }
}

TEST(TaxRateTable, RowInForceByDate)
{
    const std::vector<TaxRateRow> table =
        taxRateTable("8", QDate(2019, 10, 1), "10", "8",
                     {{QDate(2027, 4, 1), "10", "0"}, {QDate(2026, 1, 1), "10", "8"}});
    const struct
    {
        const char *name;
        QDate date;
        const char *standard, *reduced;
    } cases[] = {
        {"before the enforcement date: the old rate, reduced equal", QDate(2019, 9, 30), "8", "8"},
        {"on the enforcement date: the new rate", QDate(2019, 10, 1), "10", "8"},
        {"a further row between, out of order in the table", QDate(2026, 6, 1), "10", "8"},
        {"the day before the reduced rate falls to 0", QDate(2027, 3, 31), "10", "8"},
        {"the day of the change", QDate(2027, 4, 1), "10", "0"},
        {"an invalid note date takes the oldest row", QDate(), "8", "8"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const TaxRateRow row = taxRateRowInForce(table, c.date);
        EXPECT_EQ(QString::fromLatin1(c.standard), row.standard);
        EXPECT_EQ(QString::fromLatin1(c.reduced), row.reduced);
    }
    // The day of the change to 0 %: "0%対象 ¥1,080 消費税 ¥0" is still a line.
    ReducedMarks marks;
    const DetailRows rows = rowsOf({{"1100", false}, {"1080", true}}, marks);
    for (const auto &[date, reducedTax] :
         {std::pair{QDate(2027, 3, 31), "86"}, std::pair{QDate(2027, 4, 1), "0"}}) {
        const TaxRateRow r = taxRateRowInForce(table, date);
        const InvoiceTotals t =
            DEN_SUM(rows, marks, rateFractionText(r.standard), rateFractionText(r.reduced), "0");
        EXPECT_EQ(QString::fromLatin1(reducedTax), t.reduced.tax) << date.toString().toStdString();
        EXPECT_TRUE(t.reduced.inUse);
    }
}

// The rates and rounding a recorded note's figures came from. Rows: 1,505
// at the standard rate and 1,080 reduced (tax 150.5 + 86.4).
TEST(RecordFigures, FoundFromTheRecordedTotals)
{
    ReducedMarks marks;
    const DetailRows rows = rowsOf({{"1505", false}, {"1080", true}}, marks);
    // Today's mode is "0"; rounding "" expects no figures found.
    const struct
    {
        const char *name;
        const char *standard, *reduced;
        bool included;
        const char *tax, *total, *rounding;
    } cases[] = {
        // clang-format off
        {"today's mode gives the figures: kept",         "10", "8", false, "236", "2821", "0"},
        {"recorded rounding half up, today's truncates", "10", "8", false, "237", "2822", "1"},
        {"recorded rounding up",                         "10", "8", false, "238", "2823", "2"},
        {"the rates the note recorded, not today's",     "8",  "8", false, "206", "2791", "0"},
        {"tax-inclusive: the tax contained",             "10", "8", true,  "216", "2585", "0"},
        {"no rates and rounding give them",              "10", "8", false, "240", "2825", ""},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString standard = QString::fromLatin1(c.standard);
        const QString reduced = QString::fromLatin1(c.reduced);
        const auto found =
            figuresOfRecord(rows, marks, standard, reduced, c.included,
                            {{}, "2585", QString::fromLatin1(c.tax), QString::fromLatin1(c.total)},
                            QStringLiteral("0"));
        if (!*c.rounding) {
            EXPECT_FALSE(found);
            continue;
        }
        ASSERT_TRUE(found);
        EXPECT_EQ(*found, (RecordFigures{rateFractionText(standard), rateFractionText(reduced),
                                         QString::fromLatin1(c.rounding)}));
    }
}

TEST(TaxRateTable, StoredRowsAreReadDefensively)
{
    const struct
    {
        const char *name, *stored;
        bool ok;
    } cases[] = {
        {"a row", "2027/04/01,10,0", true},
        {"blanks around parts", " 2027/04/01 , 10 , 2.5 ", true},
        {"invalid date", "2027/02/30,10,8", false},
        {"rate above 100", "2027/04/01,101,8", false},
        {"negative rate", "2027/04/01,10,-1", false},
        {"not a number", "2027/04/01,ten,8", false},
        {"missing part", "2027/04/01,10", false},
        {"empty", "", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<TaxRateRow> row = parseTaxRateRow(QString::fromLatin1(c.stored));
        ASSERT_EQ(c.ok, row.has_value());
        if (row) {
            EXPECT_EQ(row, parseTaxRateRow(taxRateRowText(*row)));
        }
    }
}
