#include "note/NoteArithmetic.h"
#include "note/NoteRange.h"

#include <gtest/gtest.h>
#include <ostream>
#include <vector>

// Failures print texts readably rather than as UTF-16 code units.
void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

DetailRows oneRow(const QString &qty, const QString &price, const QString &sales)
{
    DetailRows rows;
    rows[0] = RowCells{qty, price, sales};
    return rows;
}

struct RowPassCase
{
    const char *name;
    RowCells before;
    RowCells afterLive;
    RowCells afterPrint;
    bool printMessage; // the print pass reports the row
};

// Both passes over the same inputs; they differ only where both numbers are 0
// (live keeps the amount, print empties it) and in the print-time message.
const RowPassCase kRowCases[] = {
    {"3 x 1200 gives 3600", {"3", "1200", ""}, {"3", "1200", "3600"}, {"3", "1200", "3600"}, false},
    {"negative quantity", {"-2", "100", ""}, {"-2", "100", "-200"}, {"-2", "100", "-200"}, false},
    {"stale amount replaced", {"2", "5", "999"}, {"2", "5", "10"}, {"2", "5", "10"}, false},
    {"decimals multiply exactly",
     {"1.5", "0.3", ""},
     {"1.5", "0.3", "0.45"},
     {"1.5", "0.3", "0.45"},
     false},
    {"product tie rounds to even",
     {"0.0001", "0.5", "x"},
     {"0.0001", "0.5", "0"},
     {"0.0001", "0.5", "0"},
     false},
    {"1000 x 1234567 is never cut",
     {"1000", "1234567", ""},
     {"1000", "1234567", "1234567000"},
     {"1000", "1234567", "1234567000"},
     false},
    {"15-digit amount",
     {"999999", "922337203", ""},
     {"999999", "922337203", "922336280662797"},
     {"999999", "922337203", "922336280662797"},
     false},
    {"product beyond range leaves amount empty",
     {"922337203685477", "999999999", "5"},
     {"922337203685477", "999999999", ""},
     {"922337203685477", "999999999", ""},
     false},
    {"quantity without price empties amount",
     {"4", "", "800"},
     {"4", "", ""},
     {"4", "", ""},
     false},
    {"price reading as 0 counts as missing",
     {"4", "abc", "800"},
     {"4", "abc", ""},
     {"4", "abc", ""},
     false},
    {"price without quantity is wiped", {"0", "500", "0"}, {"0", "", ""}, {"0", "", ""}, true},
    {"quantity minus alone counts as 0", {"-", "500", ""}, {"-", "", ""}, {"-", "", ""}, true},
    {"quantity beyond range reads as 0",
     {"999999999999999", "999999999", "1"},
     {"999999999999999", "", ""},
     {"999999999999999", "", ""},
     true},
    {"both 0: live keeps, print empties amount",
     {"0", "0", "0"},
     {"0", "0", "0"},
     {"0", "0", ""},
     false},
    {"both empty with leftover amount", {"", "", "70"}, {"", "", "70"}, {"", "", ""}, false},
};

TEST(RowPasses, LiveAndPrintTimeStepsPerRow)
{
    for (const RowPassCase &c : kRowCases) {
        SCOPED_TRACE(c.name);
        DetailRows live = oneRow(c.before.qty, c.before.price, c.before.sales);
        DEN_SALS(live);
        EXPECT_EQ(c.afterLive.qty, live[0].qty);
        EXPECT_EQ(c.afterLive.price, live[0].price);
        EXPECT_EQ(c.afterLive.sales, live[0].sales);

        DetailRows print = oneRow(c.before.qty, c.before.price, c.before.sales);
        std::vector<int> reported;
        DEN_SALS_2(print, [&](int row) { reported.push_back(row); });
        EXPECT_EQ(c.afterPrint.qty, print[0].qty);
        EXPECT_EQ(c.afterPrint.price, print[0].price);
        EXPECT_EQ(c.afterPrint.sales, print[0].sales);
        EXPECT_EQ(c.printMessage ? std::vector<int>{1} : std::vector<int>{}, reported);
    }
}

// A change event from a row's quantity field that leaves the quantity at 0
// empties only that row's amount; every other row, and every other caller,
// keeps the step that wipes a price without a quantity.
TEST(RowPasses, QuantityEditedToZeroKeepsItsRowsPrice)
{
    const struct
    {
        const char *name;
        RowCells row2;
        int editedRow;
        RowCells after;
    } rows[] = {
        {"quantity backspaced to empty", {"", "1200", "3600"}, 2, {"", "1200", ""}},
        {"a first minus", {"-", "1200", "3600"}, 2, {"-", "1200", ""}},
        {"quantity typed as 0", {"0", "1200", "3600"}, 2, {"0", "1200", ""}},
        {"another row's quantity was edited", {"", "1200", "3600"}, 5, {"", "", ""}},
        {"a price change event (no quantity edited)", {"", "1200", "3600"}, 0, {"", "", ""}},
        {"quantity edited to a number", {"-2", "1200", ""}, 2, {"-2", "1200", "-2400"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        DetailRows cells;
        cells[1] = row.row2;
        cells[3] = RowCells{"0", "500", "0"}; // a stored price without quantity
        DEN_SALS(cells, row.editedRow);
        EXPECT_EQ(row.after, cells[1]);
        EXPECT_EQ((RowCells{"0", "", ""}), cells[3]) << "other rows are wiped as before";
    }
}

TEST(PrintRange, NoticeNamesTheFirstValueBeyondTheRange)
{
    const NoteTotals fine{"3", "3600", "180", "3780"};
    const struct
    {
        const char *name;
        std::function<void(DetailRows &)> rows;
        NoteTotals totals;
        const char *notice;
    } cases[] = {
        {"everything fits", [](DetailRows &r) { r[0] = {"3", "1200", "3600"}; }, fine, ""},
        {"largest product that fits",
         [](DetailRows &r) { r[0] = {"999999", "922337203", "922336280662797"}; }, fine, ""},
        {"9 digits times 9 digits",
         [](DetailRows &r) { r[2] = {"999999999", "999999999", ""}; }, fine,
         "3行目の金額が大きすぎるため印刷できません"},
        {"the first such row is named",
         [](DetailRows &r) {
             r[4] = {"-999999999", "999999999", ""};
             r[7] = {"999999999", "999999999", ""};
         },
         fine, "5行目の金額が大きすぎるため印刷できません"},
        {"a quantity without price is no amount",
         [](DetailRows &r) { r[0] = {"999999999", "", ""}; }, fine, ""},
        {"quantity total", [](DetailRows &) {}, {"", "1", "0", "1"},
         "数量の合計が大きすぎるため印刷できません"},
        {"subtotal", [](DetailRows &) {}, {"1", "", "", ""}, "合計が大きすぎるため印刷できません"},
        {"tax", [](DetailRows &) {}, {"1", "1", "", ""}, "消費税が大きすぎるため印刷できません"},
        {"tax-inclusive total", [](DetailRows &) {}, {"1", "1", "1", ""},
         "税込合計が大きすぎるため印刷できません"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        DetailRows rows;
        c.rows(rows);
        EXPECT_EQ(QString::fromUtf8(c.notice), outOfRangeNotice(rows, c.totals));
    }
}

TEST(PrintRange, TotalsOfTenLargeAmountsAreCaught)
{
    // Each amount fits; their sum does not, so DEN_SUM leaves the subtotal empty.
    DetailRows rows;
    for (RowCells &r : rows)
        r = {"999999", "922337203", "922336280662797"};
    const NoteTotals totals = DEN_SUM(rows, QStringLiteral("0.05"), QStringLiteral("0"));
    EXPECT_EQ(QString::fromUtf8("合計が大きすぎるため印刷できません"),
              outOfRangeNotice(rows, totals));
}

TEST(RowPasses, EveryRowIsProcessedIncludingDisabledOnes)
{
    DetailRows rows;
    rows[6] = RowCells{"2", "3", ""}; // row 7: disabled in the landscape layout
    rows[9] = RowCells{"5", "7", ""};
    DEN_SALS(rows);
    EXPECT_EQ(QString("6"), rows[6].sales);
    EXPECT_EQ(QString("35"), rows[9].sales);
}

TEST(RowPasses, PrintPassReportsEachRowInOrderBeforeWipingIt)
{
    DetailRows rows;
    rows[1] = RowCells{"0", "500", "0"};
    rows[2] = RowCells{"1", "2", ""};
    rows[7] = RowCells{"", "30", "9"};
    std::vector<QString> events;
    DEN_SALS_2(rows, [&](int row) {
        // Called while the row still holds its price.
        const RowCells &cells = rows[static_cast<std::size_t>(row - 1)];
        events.push_back(missingQuantityMessage(row) + " price=" + cells.price);
    });
    const std::vector<QString> expected = {
        QString::fromUtf8("2行目　数量の入力がないので、単価を０にします price=500"),
        QString::fromUtf8("8行目　数量の入力がないので、単価を０にします price=30"),
    };
    EXPECT_EQ(expected, events);
    EXPECT_EQ(RowCells({"0", "", ""}), rows[1]);
    EXPECT_EQ(RowCells({"1", "2", "2"}), rows[2]);
    EXPECT_EQ(RowCells({"", "", ""}), rows[7]);
}

TEST(RowPasses, MissingQuantityMessageForRowTen)
{
    EXPECT_EQ(QString::fromUtf8("10行目　数量の入力がないので、単価を０にします"),
              missingQuantityMessage(10));
}

struct TaxCase
{
    const char *name;
    const char *subtotal;
    const char *factor;
    const char *mode;
    const char *tax;
};

TEST(ConsumptionTax, RoundingModes)
{
    const TaxCase rows[] = {
        {"5% of 1001 truncated", "1001", "0.05", "0", "50"},
        {"5% of 1001 rounded", "1001", "0.05", "1", "50"},
        {"5% of 1001: the ceiling raises 0.05", "1001", "0.05", "2", "51"},
        {"5% of 1002 truncated", "1002", "0.05", "0", "50"},
        {"5% of 1002 rounded", "1002", "0.05", "1", "50"},
        {"5% of 1002 raised", "1002", "0.05", "2", "51"},
        {"5% of 1010 truncated", "1010", "0.05", "0", "50"},
        {"5% of 1010 half goes up", "1010", "0.05", "1", "51"},
        {"5% of 1010 raised", "1010", "0.05", "2", "51"},
        {"8% of 999 truncated", "999", "0.08", "0", "79"},
        {"8% of 999 rounded", "999", "0.08", "1", "80"},
        {"8% of 999 raised", "999", "0.08", "2", "80"},
        {"exact tax unchanged by the ceiling", "1000", "0.05", "2", "50"},
        {"10% of 1000.5: the smallest fraction is raised", "1000.5", "0.1", "2", "101"},
        {"10% of 1005 (x = 100.5) truncated", "1005", "0.1", "0", "100"},
        {"10% of 1005 (x = 100.5) half goes up", "1005", "0.1", "1", "101"},
        {"10% of 1005 (x = 100.5) raised", "1005", "0.1", "2", "101"},
        {"10% of 1000.5 (x = 100.05) rounded down", "1000.5", "0.1", "1", "100"},
        {"8% of 1000.625 (x = 80.05) truncated", "1000.625", "0.08", "0", "80"},
        {"8% of 1000.625 (x = 80.05) rounded down", "1000.625", "0.08", "1", "80"},
        {"8% of 1000.625 (x = 80.05) raised", "1000.625", "0.08", "2", "81"},
        {"8% of 1006.25 (x = 80.5) half goes up", "1006.25", "0.08", "1", "81"},
        {"8% of 1006.25 (x = 80.5) raised", "1006.25", "0.08", "2", "81"},
        {"ceiling of the largest subtotal at 8%", "922337203685477", "0.08", "2", "73786976294839"},
        {"ceiling beyond the range", "922337203685477", "2", "2", ""},
        {"negative truncated toward zero", "-1010", "0.05", "0", "-50"},
        {"negative half goes away from zero", "-1010", "0.05", "1", "-51"},
        {"negative ceiling away from zero", "-1002", "0.05", "2", "-51"},
        {"negative ceiling raises 0.05 too", "-1001", "0.05", "2", "-51"},
        {"negative exact tax unchanged", "-1000", "0.1", "2", "-100"},
        {"mode 3 gives 0", "1000", "0.05", "3", "0"},
        {"blank mode gives 0", "1000", "0.05", " ", "0"},
        {"letter mode gives 0", "1000", "0.05", "a", "0"},
        {"empty mode gives 0", "1000", "0.05", "", "0"},
        {"mode compared exactly", "1000", "0.05", "0 ", "0"},
        {"tax beyond 32 bits", "100000000000", "0.08", "1", "8000000000"},
        {"largest subtotal at 8%", "922337203685477", "0.08", "0", "73786976294838"},
        {"tax beyond the range", "922337203685477", "2", "0", ""},
        {"factor unreadable counts as 0", "1000", "abc", "1", "0"},
    };
    for (const TaxCase &row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<FixedDecimal> tax =
            consumptionTax(FixedDecimal::parseAmount(QString::fromLatin1(row.subtotal)),
                           FixedDecimal::parseAmount(QString::fromLatin1(row.factor)),
                           QString::fromLatin1(row.mode));
        EXPECT_EQ(QString::fromLatin1(row.tax), tax ? tax->toText() : QString());
    }
}

struct SumCase
{
    const char *name;
    DetailRows rows;
    const char *xTax;
    const char *mode;
    NoteTotals expected;
};

DetailRows amounts(std::initializer_list<std::pair<const char *, const char *>> qtyAndSales)
{
    DetailRows rows;
    std::size_t i = 0;
    for (const auto &[qty, sales] : qtyAndSales)
        rows[i++] = RowCells{qty, "", sales};
    return rows;
}

TEST(Totals, SumsTaxAndTotal)
{
    const SumCase cases[] = {
        {"plain sum at 5% rounded",
         amounts({{"1", "1000"}, {"2", "2"}}),
         "0.05",
         "1",
         {"3", "1002", "50", "1052"}},
        {"amounts taken as they stand",
         amounts({{"", "abc"}, {"1.5", "0.25"}, {"-1", "-"}}),
         "0.05",
         "0",
         {"0.5", "0.25", "0", "0.25"}},
        {"unknown mode: total equals subtotal",
         amounts({{"1", "1010"}}),
         "0.05",
         "x",
         {"1", "1010", "0", "1010"}},
        {"empty note", DetailRows{}, "0.05", "0", {"0", "0", "0", "0"}},
        {"negative subtotal",
         amounts({{"-1", "-1010"}}),
         "0.05",
         "1",
         {"-1", "-1010", "-51", "-1061"}},
        {"15-digit subtotal is not cut",
         amounts({{"1", "500000000000000"}, {"1", "400000000000000"}}),
         "0",
         "0",
         {"2", "900000000000000", "0", "900000000000000"}},
        {"quantity sum overflow empties only the quantity total",
         amounts({{"900000000000000", "1"}, {"900000000000000", "2"}}),
         "0.05",
         "0",
         {"", "3", "0", "3"}},
        {"subtotal overflow empties subtotal, tax and total",
         amounts({{"1", "900000000000000"}, {"1", "900000000000000"}}),
         "0.05",
         "0",
         {"2", "", "", ""}},
        {"only the exact sum counts, not a running sum",
         amounts({{"1", "900000000000000"}, {"1", "900000000000000"}, {"1", "-900000000000000"}}),
         "0",
         "0",
         {"3", "900000000000000", "0", "900000000000000"}},
        {"total overflow empties only the total",
         amounts({{"1", "900000000000000"}}),
         "0.05",
         "0",
         {"1", "900000000000000", "45000000000000", ""}},
        {"tax overflow empties tax and total",
         amounts({{"1", "900000000000000"}}),
         "5",
         "0",
         {"1", "900000000000000", "", ""}},
    };
    for (const SumCase &c : cases) {
        SCOPED_TRACE(c.name);
        const NoteTotals totals =
            DEN_SUM(c.rows, QString::fromLatin1(c.xTax), QString::fromLatin1(c.mode));
        EXPECT_EQ(c.expected.sqty, totals.sqty);
        EXPECT_EQ(c.expected.ssal, totals.ssal);
        EXPECT_EQ(c.expected.stax, totals.stax);
        EXPECT_EQ(c.expected.sttl, totals.sttl);
    }
}

TEST(RateChoice, OldOrNewRateByNoteDate)
{
    const QDate enfor(1997, 4, 1);
    const struct
    {
        const char *name;
        QString oldRate, newRate;
        QDate noteDate;
        TaxRateChoice expected;
    } rows[] = {
        {"day before enforcement takes the old rate",
         "3",
         "5",
         QDate(1997, 3, 31),
         {"0.03", QString::fromUtf8("消費税 3%")}},
        {"enforcement day takes the new rate",
         "3",
         "5",
         QDate(1997, 4, 1),
         {"0.05", QString::fromUtf8("消費税 5%")}},
        {"later note takes the new rate",
         "5",
         "8",
         QDate(2026, 12, 9),
         {"0.08", QString::fromUtf8("消費税 8%")}},
        {"rate with a decimal",
         "3",
         "2.5",
         QDate(1998, 1, 1),
         {"0.025", QString::fromUtf8("消費税 2.5%")}},
        {"rate with a trailing point",
         "3",
         "10.",
         QDate(1998, 1, 1),
         {"0.1", QString::fromUtf8("消費税 10%")}},
        {"empty rate gives 0", "3", "", QDate(1998, 1, 1), {"0", QString::fromUtf8("消費税 0%")}},
        {"fraction rounded to four places",
         "3",
         "2.125",
         QDate(1998, 1, 1),
         {"0.0212", QString::fromUtf8("消費税 2.12%")}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const TaxRateChoice choice = TAX_RATE_CHK(row.oldRate, row.newRate, enfor, row.noteDate);
        EXPECT_EQ(row.expected.xTax, choice.xTax);
        EXPECT_EQ(row.expected.staxCaption, choice.staxCaption);
    }
}

TEST(RateChoice, ChosenFactorFeedsTheTax)
{
    // The fraction text written for the hidden factor is read back by the totals.
    const TaxRateChoice choice = TAX_RATE_CHK("3", "8", QDate(2014, 4, 1), QDate(2014, 4, 1));
    const NoteTotals totals = DEN_SUM(amounts({{"1", "999"}}), choice.xTax, "2");
    EXPECT_EQ(QString("80"), totals.stax);
    EXPECT_EQ(QString("1079"), totals.sttl);
}

DetailRows rowsOfAmounts(std::initializer_list<const char *> sales)
{
    DetailRows rows;
    std::size_t i = 0;
    for (const char *amount : sales)
        rows[i++] = RowCells{"1", "", amount};
    return rows;
}

ReducedMarks marked(std::initializer_list<int> rowsOneBased)
{
    ReducedMarks m{};
    for (const int r : rowsOneBased)
        m[static_cast<std::size_t>(r - 1)] = true;
    return m;
}

TEST(TaxPerRate, EachRateRoundedOnceFromItsOwnSum)
{
    const struct
    {
        const char *name;
        DetailRows rows;
        ReducedMarks marks;
        const char *mode;
        InvoiceTotals expected;
        const char *factor = "0.1";
        const char *reducedFactor = "0.08";
    } cases[] = {
        {"three rows of 105 at 10%: one rounding, not three",
         rowsOfAmounts({"105", "105", "105"}),
         {},
         "0",
         {{"3", "315", "31", "346"}, {true, "315", "31"}, {false, "0", "0"}}},
        {"1000 at 10% plus 1080 at 8%",
         rowsOfAmounts({"1000", "1080"}),
         marked({2}),
         "0",
         {{"2", "2080", "186", "2266"}, {true, "1000", "100"}, {true, "1080", "86"}}},
        {"three reduced rows of 105 at 8%: 25.2 once",
         rowsOfAmounts({"105", "105", "105"}),
         marked({1, 2, 3}),
         "0",
         {{"3", "315", "25", "340"}, {false, "0", "0"}, {true, "315", "25"}}},
        {"halves at both rates, mode 1 (x = 100.5 and 80.5)",
         rowsOfAmounts({"1005", "1006.25"}),
         marked({2}),
         "1",
         {{"2", "2011.25", "182", "2193.25"}, {true, "1005", "101"}, {true, "1006.25", "81"}}},
        {"a twentieth at both rates, mode 1 (x = 100.05 and 80.05)",
         rowsOfAmounts({"1000.5", "1000.625"}),
         marked({2}),
         "1",
         {{"2", "2001.125", "180", "2181.125"}, {true, "1000.5", "100"}, {true, "1000.625", "80"}}},
        {"a twentieth at both rates, mode 2 raises both",
         rowsOfAmounts({"1000.5", "1000.625"}),
         marked({2}),
         "2",
         {{"2", "2001.125", "182", "2183.125"}, {true, "1000.5", "101"}, {true, "1000.625", "81"}}},
        {"halves at both rates, mode 2",
         rowsOfAmounts({"1005", "1006.25"}),
         marked({2}),
         "2",
         {{"2", "2011.25", "182", "2193.25"}, {true, "1005", "101"}, {true, "1006.25", "81"}}},
        {"discount rows in either rate, mode 1",
         rowsOfAmounts({"1000", "-105", "1080", "-135"}),
         marked({3, 4}),
         "1",
         {{"4", "1840", "166", "2006"}, {true, "895", "90"}, {true, "945", "76"}}},
        {"a negative reduced sum rounds away from zero in mode 2",
         rowsOfAmounts({"500", "-1001"}),
         marked({2}),
         "2",
         {{"2", "-501", "-31", "-532"}, {true, "500", "50"}, {true, "-1001", "-81"}}},
        {"unknown mode taxes neither rate",
         rowsOfAmounts({"1000", "1080"}),
         marked({2}),
         "x",
         {{"2", "2080", "0", "2080"}, {true, "1000", "0"}, {true, "1080", "0"}}},
        {"a marked row without quantity is not in use",
         DetailRows{RowCells{"1", "", "1000"}, RowCells{"0", "", ""}},
         marked({2}),
         "0",
         {{"1", "1000", "100", "1100"}, {true, "1000", "100"}, {false, "0", "0"}}},
        {"subtotal beyond the range empties subtotal, tax and total",
         rowsOfAmounts({"900000000000000", "900000000000000"}),
         marked({2}),
         "0",
         {{"2", "", "", ""},
          {true, "900000000000000", "90000000000000"},
          {true, "900000000000000", "72000000000000"}}},
        {"one rate's sum beyond the range empties the tax, the exact subtotal stays",
         rowsOfAmounts({"900000000000000", "900000000000000", "-900000000000000"}),
         marked({3}),
         "0",
         {{"3", "900000000000000", "", ""},
          {true, "", ""},
          {true, "-900000000000000", "-72000000000000"}}},
        {"sum of the two taxes beyond the range empties tax and total",
         rowsOfAmounts({"400000000000000", "400000000000000"}),
         marked({2}),
         "0",
         {{"2", "800000000000000", "", ""},
          {true, "400000000000000", "600000000000000"},
          {true, "400000000000000", "560000000000000"}},
         "1.5",
         "1.4"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const InvoiceTotals t =
            DEN_SUM(c.rows, c.marks, QString::fromLatin1(c.factor),
                    QString::fromLatin1(c.reducedFactor), QString::fromLatin1(c.mode));
        EXPECT_EQ(c.expected.totals.sqty, t.totals.sqty);
        EXPECT_EQ(c.expected.totals.ssal, t.totals.ssal);
        EXPECT_EQ(c.expected.totals.stax, t.totals.stax);
        EXPECT_EQ(c.expected.totals.sttl, t.totals.sttl);
        EXPECT_EQ(c.expected.standard.inUse, t.standard.inUse);
        EXPECT_EQ(c.expected.standard.subtotal, t.standard.subtotal);
        EXPECT_EQ(c.expected.standard.tax, t.standard.tax);
        EXPECT_EQ(c.expected.reduced.inUse, t.reduced.inUse);
        EXPECT_EQ(c.expected.reduced.subtotal, t.reduced.subtotal);
        EXPECT_EQ(c.expected.reduced.tax, t.reduced.tax);
    }
}

TEST(TaxPerRate, WithoutMarksEveryFigureEqualsTheSingleRate)
{
    // The cases of the single-rate totals, once more through the per-rate sum.
    const DetailRows notes[] = {
        amounts({{"1", "1000"}, {"2", "2"}}),
        amounts({{"", "abc"}, {"1.5", "0.25"}, {"-1", "-"}}),
        amounts({{"-1", "-1010"}}),
        amounts({{"1", "900000000000000"}, {"1", "900000000000000"}}),
        amounts({{"1", "900000000000000"}, {"1", "900000000000000"}, {"1", "-900000000000000"}}),
        amounts({{"1", "900000000000000"}}),
        DetailRows{},
    };
    for (const DetailRows &rows : notes) {
        for (const char *mode : {"0", "1", "2", "3", ""}) {
            for (const char *factor : {"0.05", "0.1", "5"}) {
                SCOPED_TRACE(std::string(mode) + " at " + factor);
                const NoteTotals single = DEN_SUM(rows, factor, mode);
                const InvoiceTotals split = DEN_SUM(rows, ReducedMarks{}, factor, "0.08", mode);
                EXPECT_EQ(single, split.totals);
            }
        }
    }
}

TEST(TaxPerRate, MarksRatesAndTheTaxLabel)
{
    EXPECT_TRUE(isReducedMarkText("1"));
    for (const char *unmarked : {"yes", "0", "", " 1", "true", "2"})
        EXPECT_FALSE(isReducedMarkText(QString::fromLatin1(unmarked))) << unmarked;

    EXPECT_EQ(rateFractionText("8"), QStringLiteral("0.08"));
    EXPECT_EQ(rateFractionText("10"), QStringLiteral("0.1"));
    EXPECT_EQ(rateFractionText("abc"), QStringLiteral("0"));
    EXPECT_EQ(ratePercentText("0.08"), QStringLiteral("8"));
    EXPECT_EQ(ratePercentText("0.025"), QStringLiteral("2.5"));

    const QString standard = QString::fromUtf8("消費税 10%");
    const struct
    {
        const char *name;
        bool standardInUse, reducedInUse;
        QString expected;
    } rows[] = {
        {"no reduced row keeps the rate choice's caption", true, false, standard},
        {"empty note keeps it too", false, false, standard},
        {"both rates in use", true, true, QString::fromUtf8("消費税 10%・8%")},
        {"only reduced rows", false, true, QString::fromUtf8("消費税 8%")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.expected,
                  taxLabelCaption(standard, "0.1", "0.08", row.standardInUse, row.reducedInUse));
    }
}

} // namespace
