#include "printing/LayoutRules.h"
#include "printing/RecordingCanvas.h"
#include "printing/TextFit.h"
#include "printing/Vo_A51_DotUnit.h"
#include "printing/Vo_A52_DotUnit.h"
#include "printing/Vo_A53_DotUnit.h"

#include <array>
#include <gtest/gtest.h>

using namespace printing;

namespace {

// A canvas whose fonts are simple: ASCII 10 pixels, everything else 20,
// at every size and stretch 100.
RecordingCanvas canvas()
{
    RecordingCanvas c;
    auto width = [](const CanvasFont &, const QString &text) {
        qreal w = 0;
        for (QChar ch : text)
            w += ch.unicode() < 0x80 ? 10 : 20;
        return w;
    };
    // The ink fills the advance but for one pixel on either side.
    auto ink = [width](const CanvasFont &f, const QString &glyph) {
        return QRectF(1, -8, width(f, glyph) - 2, 10);
    };
    c.setMeasure({width, ink});
    return c;
}

} // namespace

TEST(TextFit, CondensedThenCut)
{
    struct Row
    {
        const char *name;
        QString text;
        QString keep;
        int width;
        FittedText expected;
    };
    const Row rows[] = {
        {"fits unchanged", "abcde", "", 50, {"abcde", 100}},
        {"trailing blanks draw nothing and need no room", "発行日 ", "", 60, {"発行日 ", 100}},
        {"condensed just enough", "abcde", "", 40, {"abcde", 80}},
        {"stretch rounds down so that it fits", "abc", "", 20, {"abc", 66}},
        {"condensed to the floor", "abcdefghij", "", 60, {"abcdefghij", 60}},
        {"cut after the last character that fits at the floor", "abcdefghijk", "", 60,
         {"abcdefghij", 60}},
        // 100 / 0.6 = 166.7 pixels hold eight characters (160): 100 / 160 -> 62 %.
        {"a cut text fills its room at the floor or above", "あいうえおかきくけこさ", "", 100,
         {"あいうえおかきく", 62}},
        {"the kept suffix stays whole", "山田太郎山田太郎", " 様", 90, {"山田太郎山田 様", 60}},
        {"no room", "abc", "", 0, {"", 100}},
        {"a negative room is no room", "abc", "", -5, {"", 100}},
        {"nothing in a negative room", "", "", -5, {"", 100}},
    };
    for (const Row &r : rows) {
        RecordingCanvas c = canvas();
        EXPECT_EQ(fitText(c, r.text, r.width, r.keep), r.expected) << r.name;
    }
}

TEST(TextFit, CanvasWithoutMetricsDrawsAsBefore)
{
    RecordingCanvas c;
    EXPECT_EQ(fitText(c, QStringLiteral("とても長い品名"), 1), (FittedText{"とても長い品名", 100}));
    amountCellOut(c, QStringLiteral("-922,337,203,685,477"), 0, 0, 97);
    EXPECT_EQ(c.ops().back().advances, std::vector<int>(20, 4)) << "97 / 20, as the cell did";
}

TEST(TextFit, AmountsAreCondensedNeverCut)
{
    struct Row
    {
        const char *name;
        QString amount;
        int width;
        int stretch;
    };
    const Row rows[] = {
        {"fits", "1,234", 50, 100},
        {"condensed", "1,234,567", 72, 80},
        {"floor, even when still too wide", "123,456,789,012,345", 10, AmountStretchFloor},
        {"floor in a negative room", "", -5, AmountStretchFloor},
    };
    for (const Row &r : rows) {
        RecordingCanvas c = canvas();
        EXPECT_EQ(amountStretch(c, r.amount, r.width), r.stretch) << r.name;
        fitAmountOut(c, 5, 7, r.width, r.amount);
        EXPECT_EQ(c.ops().back().text, r.amount) << r.name;
        EXPECT_EQ(c.ops().back().font.stretch, r.stretch) << r.name;
        EXPECT_EQ(c.font().stretch, 100) << r.name << ": the canvas's stretch is restored";
    }
}

TEST(TextFit, NaturalAdvancesRoundTheirSum)
{
    RecordingCanvas c = canvas();
    EXPECT_EQ(naturalAdvances(c, QStringLiteral("ab"), 100), (std::vector<int>{10, 10}));
    // 10 x 0.55 = 5.5 each: positions 5.5, 11, 16.5 round to 6, 11, 17.
    EXPECT_EQ(naturalAdvances(c, QStringLiteral("abc"), 55), (std::vector<int>{6, 5, 6}));
    // 7 spare pixels spread after three characters: 12.33, 24.67, 37.
    EXPECT_EQ(naturalAdvances(c, QStringLiteral("abc"), 100, 7), (std::vector<int>{12, 13, 12}));
}

TEST(TextFit, AmountCells)
{
    struct Row
    {
        const char *name;
        QString amount;
        int width;
        QString text;
        int x;
        int stretch;
        std::vector<int> advances;
    };
    const Row rows[] = {
        {"eleven characters keep the pitch", "1,234", 97, "      1,234", 100, 100,
         std::vector<int>(11, 8)},
        {"twelve characters in 97 pixels keep the pitch 8", "-123,456,789", 97, "-123,456,789", 100,
         100, std::vector<int>(12, 8)},
        // 123 / 12 = 10 < 123 / 11 = 11: 120 pixels condensed to 123 x 100 / 120 -> 102 %, so
        // natural; it ends at 100 + 11 x 11 = 221.
        {"twelve characters in 123 pixels are set in their own widths", "-123,456,789", 123,
         "-123,456,789", 221 - 120, 100, std::vector<int>(12, 10)},
        // 19 characters of 10 = 190 pixels into 97: stretch 51, 5.1 pixels each, 97 in all.
        {"a 15-digit amount is condensed as a whole", "123,456,789,012,345", 97,
         "123,456,789,012,345", 100 + 88 - 97, 51,
         {5, 5, 5, 5, 6, 5, 5, 5, 5, 5, 5, 5, 5, 5, 6, 5, 5, 5, 5}},
    };
    for (const Row &r : rows) {
        RecordingCanvas c = canvas();
        amountCellOut(c, r.amount, 100, 0, r.width);
        const CanvasOp &op = c.ops().back();
        EXPECT_EQ(op.text, r.text) << r.name;
        EXPECT_EQ(op.at.x(), r.x) << r.name;
        EXPECT_EQ(op.font.stretch, r.stretch) << r.name;
        EXPECT_EQ(op.advances, r.advances) << r.name;
        EXPECT_EQ(op.options, TextOpaque | TextClipped) << r.name;
    }
}

TEST(TextFit, CaptionCells)
{
    struct Row
    {
        const char *name;
        QString caption;
        int width;
        int stretch;
        std::vector<int> advances;
    };
    const Row rows[] = {
        {"spread evenly while every glyph fits its share", "税込合計", 97, 100,
         std::vector<int>(4, 24)},
        // 6 x 13 = 78 < 20 for the Japanese characters: own widths
        // 20, 20, 20, 10, 10, 10 (90) and 7 spare pixels spread.
        {"own widths when the share is too narrow", "消費税 10", 97, 100,
         {21, 21, 22, 11, 11, 11}},
        // 140 pixels into 97: 69 %, positions 13.8, 27.6, 41.4, 48.3, ... 96.6.
        {"condensed when wider than the cell", "消費税 10%・8%", 97, 69,
         {14, 14, 13, 7, 7, 7, 7, 14, 7, 7}},
    };
    for (const Row &r : rows) {
        RecordingCanvas c = canvas();
        captionCellOut(c, r.caption, 0, 0, r.width);
        const CanvasOp &op = c.ops().back();
        EXPECT_EQ(op.text, r.caption) << r.name;
        EXPECT_EQ(op.font.stretch, r.stretch) << r.name;
        EXPECT_EQ(op.advances, r.advances) << r.name;
    }
}

TEST(TextFit, RoomsOfTheThreeLayouts)
{
    struct Row
    {
        const char *name;
        int (LayoutTable::*end)() const;
        std::array<int, 3> ends; // layout 1, layout 2, landscape
    };
    const Row rows[] = {
        {"customer name to the end of its rule", &LayoutTable::customerNameEnd, {500, 500, 601}},
        {"slip number a gap before 発行日", &LayoutTable::slipNoEnd, {645, 645, 1055}},
        {"発行日 a gap before the date", &LayoutTable::dateCaptionEnd, {710, 710, 1110}},
        {"item name 1 a gap before the unit", &LayoutTable::itemName1End, {570, 570, 791}},
        {"item name 2 a gap before the quantity", &LayoutTable::itemName2End, {465, 520, 665}},
        {"receipt sentence a gap before the captions", &LayoutTable::receiptEnd, {591, 520, 991}},
        {"shop lines to the rule end", &LayoutTable::shopLineEnd, {820, 820, 1250}},
    };
    const std::array<const LayoutTable *, 3> tables = {&TVo_A51_Dot::table(), &TVo_A52_Dot::table(),
                                                       &TVo_A53_Dot::table()};
    for (const Row &r : rows) {
        for (size_t k = 0; k < tables.size(); ++k) {
            const int end = (tables[k]->*r.end)();
            EXPECT_EQ(end, r.ends[k]) << r.name << ", layout " << k + 1;
        }
    }
    const LayoutTable &two = TVo_A52_Dot::table();
    EXPECT_EQ(two.plainQtyEnd(), 610);
    EXPECT_EQ(two.plainPriceEnd(), 714);
    EXPECT_EQ(two.plainCaptionEnd(), 708) << "a gap before the money text at 718";
}
