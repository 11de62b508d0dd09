#include "printing/Conversion.h"
#include "printing/RecordingCanvas.h"
#include "printing/Vo_A51_DotUnit.h"
#include "printing/Vo_A52_DotUnit.h"
#include "printing/Vo_A53_DotUnit.h"

#include <gtest/gtest.h>

using namespace printing;

namespace {

const QString Gothic = QStringLiteral("ＭＳ Ｐゴシック");

// A note with `rows` filled rows (row i: quantity i, price 1,000 x i,
// amount quantity x price), at 160 dpi without offsets.
PrintNote makeNote(int rows)
{
    PrintNote n;
    n.customerName = QStringLiteral("山田太郎");
    n.title = QStringLiteral("納品書　兼　請求書");
    for (int k = 0; k < 5; ++k)
        n.shopLines[k] = QStringLiteral("店%1").arg(k + 1);
    n.slipNo = QStringLiteral("123");
    n.issueDate = QDate(2026, 12, 9);
    for (int i = 0; i < rows; ++i) {
        PrintRow &r = n.rows[i];
        r.itemNo = QStringLiteral("品名1-%1").arg(i + 1);
        r.item = QStringLiteral("品名2-%1").arg(i + 1);
        r.unit = QStringLiteral("個%1").arg(i + 1);
        r.qty = QString::number(i + 1);
        r.price = QString::number(1000 * (i + 1));
        r.sales = QString::number(1000 * (i + 1) * (i + 1));
    }
    n.subtotal = QStringLiteral("91000");
    n.tax = QStringLiteral("7280");
    n.total = QStringLiteral("98280");
    n.taxCaption = QStringLiteral("消費税 8%");
    n.receipt = true;
    for (int k = 0; k < 9; ++k)
        n.remarks[k] = QStringLiteral("備考%1").arg(k + 1);
    n.dpiX = n.dpiY = QStringLiteral("160");
    return n;
}

template <typename Layout> RecordingCanvas draw(const PrintNote &note);

template <> RecordingCanvas draw<TVo_A51_Dot>(const PrintNote &note)
{
    RecordingCanvas c;
    TVo_A51_Dot().SLIP_A51_Prn(FixedNoteSource(note), c);
    return c;
}
template <> RecordingCanvas draw<TVo_A52_Dot>(const PrintNote &note)
{
    RecordingCanvas c;
    TVo_A52_Dot().SLIP_A52_Prn(FixedNoteSource(note), c);
    return c;
}
template <> RecordingCanvas draw<TVo_A53_Dot>(const PrintNote &note)
{
    RecordingCanvas c;
    TVo_A53_Dot().SLIP_A53_Prn(FixedNoteSource(note), c);
    return c;
}

// Position, font and text of the first op drawing `text`, for EXPECT_EQ.
QString where(const RecordingCanvas &c, const QString &text)
{
    const CanvasOp *op = c.findText(text);
    if (!op)
        return QStringLiteral("missing");
    QString style = op->font.style & StyleUnderline ? QStringLiteral(" u") : QString();
    return QStringLiteral("%1,%2 %3 %4%5")
        .arg(op->at.x())
        .arg(op->at.y())
        .arg(op->font.name)
        .arg(op->font.size)
        .arg(style);
}

QString line(const CanvasOp &op)
{
    return QStringLiteral("%1,%2-%3,%4")
        .arg(op.at.x())
        .arg(op.at.y())
        .arg(op.to.x())
        .arg(op.to.y());
}

QStringList allLines(const RecordingCanvas &c)
{
    QStringList out;
    for (const CanvasOp &op : c.lines())
        out << line(op);
    return out;
}

} // namespace

TEST(Layout1, HeaderAtLayoutUnitsAt160Dpi)
{
    const RecordingCanvas c = draw<TVo_A51_Dot>(makeNote(10));
    struct Row
    {
        QString text;
        QString expected;
    };
    const Row rows[] = {
        {"山田太郎 様", "20,20 Verdana 11"},
        {"店1", "530,30 " + Gothic + " 8"},
        {"店5", "530,110 " + Gothic + " 8"},
        {"納品書　兼　請求書", "30,90 " + Gothic + " 8"},
        {"伝票番号 ", "30,173 " + Gothic + " 8"},
        {"発行日 ", "655,173 " + Gothic + " 8"},
        {"123", "110,170 Tahoma 8"},
        {"2026/12/09", "720,170 Tahoma 8"},
        {"商品名", "30,214 " + Gothic + " 8"},
        {"数量", "540,214 " + Gothic + " 8"},
        {"単価", "660,214 " + Gothic + " 8"},
        {"金額(税抜き)", "726,214 " + Gothic + " 8"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(where(c, r.text), r.expected) << r.text.toStdString();
    const CanvasOp &first = c.ops().front();
    EXPECT_EQ(first.font.color, QColor(Qt::black));
    EXPECT_EQ(first.brush, QColor(Qt::white));
}

TEST(AllLayouts, UncheckedSlipNumberOrDateIsLeftOutButItsCaptionStays)
{
    struct Row
    {
        const char *name;
        bool printSlipNo;
        bool printDate;
    };
    const Row rows[] = {
        {"both checked", true, true},
        {"slip number unchecked", false, true},
        {"date unchecked", true, false},
        {"both unchecked", false, false},
    };
    for (const Row &r : rows) {
        PrintNote n = makeNote(2);
        n.printSlipNo = r.printSlipNo;
        n.printDate = r.printDate;
        for (const RecordingCanvas &c :
             {draw<TVo_A51_Dot>(n), draw<TVo_A52_Dot>(n), draw<TVo_A53_Dot>(n)}) {
            EXPECT_EQ(c.findText(QStringLiteral("123")) != nullptr, r.printSlipNo) << r.name;
            EXPECT_EQ(c.findText(QStringLiteral("2026/12/09")) != nullptr, r.printDate) << r.name;
            EXPECT_NE(c.findText(QStringLiteral("伝票番号 ")), nullptr) << r.name;
            EXPECT_NE(c.findText(QStringLiteral("発行日 ")), nullptr) << r.name;
        }
    }
}

TEST(Layout1, VerticalPictureWithTenRows)
{
    const RecordingCanvas c = draw<TVo_A51_Dot>(makeNote(10));
    for (int i = 0; i < 10; ++i) {
        const int r = 260 + 48 * i;
        const QString n = QString::number(i + 1);
        EXPECT_EQ(where(c, "品名1-" + n), QStringLiteral("30,%1 %2 8").arg(r - 18).arg(Gothic));
        EXPECT_EQ(where(c, "品名2-" + n), QStringLiteral("30,%1 %2 8").arg(r).arg(Gothic));
        EXPECT_EQ(where(c, "個" + n), QStringLiteral("580,%1 %2 6").arg(r - 18).arg(Gothic));
    }
    // The last row's cells: quantity, price, amount in Tahoma 8 at y 692.
    EXPECT_EQ(where(c, "         10"), "475,692 Tahoma 8");
    EXPECT_EQ(where(c, "     10,000"), "595,692 Tahoma 8");
    EXPECT_EQ(where(c, "    100,000"), "715,692 Tahoma 8");
    // Totals in the font of the last row's amounts.
    EXPECT_EQ(where(c, "　小　計"), "601,722 Tahoma 8");
    EXPECT_EQ(where(c, "     91,000"), "715,722 Tahoma 8");
    EXPECT_EQ(where(c, "消費税 8%"), "601,744 Tahoma 8");
    EXPECT_EQ(where(c, "      7,280"), "715,744 Tahoma 8");
    EXPECT_EQ(where(c, "税込合計"), "601,766 Tahoma 8");
    EXPECT_EQ(where(c, "     98,280"), "715,766 Tahoma 8");
    EXPECT_EQ(where(c, "税込合計代金を領収いたしました。"), "30,766 Tahoma 8 u");
    EXPECT_EQ(where(c, "備考1"), "76,830 " + Gothic + " 6 u");
    EXPECT_EQ(where(c, "備考9"), "76,990 " + Gothic + " 6 u");

    QStringList expected = {"20,50-500,50", "520,130-820,130", "20,210-820,210", "20,234-820,234"};
    for (int i = 0; i < 10; ++i)
        expected << QStringLiteral("20,%1-820,%1").arg(284 + 48 * i);
    expected << "20,820-820,820"
             << "30,1010-820,1010"
             << "20,1200-820,1200";
    EXPECT_EQ(allLines(c), expected);
    EXPECT_EQ(c.pageFeeds(), 0);
}

TEST(Layout1, CellsAndCaptionsShareTheirWidth)
{
    PrintNote n = makeNote(0);
    n.rows[0].qty = QStringLiteral("1000");
    n.rows[0].price = QStringLiteral("12345");
    n.rows[0].sales = QStringLiteral("-123456789");
    const RecordingCanvas c = draw<TVo_A51_Dot>(n);
    struct Row
    {
        const char *name;
        QString text;
        int advance;
        int count;
    };
    const Row rows[] = {
        {"quantity right-aligned in eleven cells", "      1,000", 8, 11},
        {"price right-aligned in eleven cells", "     12,345", 8, 11},
        {"long amount printed whole, twelve cells", "-123,456,789", 8, 12},
        {"subtotal caption four cells", "　小　計", 24, 4},
        {"tax caption six cells", "消費税 8%", 16, 6},
    };
    for (const Row &r : rows) {
        const CanvasOp *op = c.findText(r.text);
        ASSERT_NE(op, nullptr) << r.name;
        EXPECT_EQ(op->kind, CanvasOp::SpacedText) << r.name;
        EXPECT_EQ(op->options, TextOpaque | TextClipped) << r.name;
        EXPECT_EQ(op->advances, std::vector<int>(r.count, r.advance)) << r.name;
    }
}

TEST(Layout1, NoRowsPutsTotalsUnderTheHeadings)
{
    PrintNote n = makeNote(0);
    n.receipt = false;
    const RecordingCanvas c = draw<TVo_A51_Dot>(n);
    EXPECT_EQ(where(c, "　小　計"), "601,242 " + Gothic + " 8");
    EXPECT_EQ(where(c, "税込合計"), "601,286 " + Gothic + " 8");
    EXPECT_EQ(c.findText(QStringLiteral("税込合計代金を領収いたしました。")), nullptr);
    EXPECT_EQ(where(c, "備考1"), "76,350 " + Gothic + " 6 u");
    const QStringList lines = allLines(c);
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[4], "20,340-820,340") << "gap of 27 + 27 below the total";
    EXPECT_EQ(lines[5], "30,530-820,530") << "closing rule 190 below";
}

TEST(Layout1, OnlyRowThreeStandsInTheFirstRowPosition)
{
    PrintNote n = makeNote(5);
    for (int i : {0, 1, 3, 4})
        n.rows[i].qty = i == 1 ? QString() : QStringLiteral("0");
    const RecordingCanvas c = draw<TVo_A51_Dot>(n);
    EXPECT_EQ(where(c, "品名2-3"), "30,260 " + Gothic + " 8");
    EXPECT_EQ(c.findText(QStringLiteral("品名2-1")), nullptr);
    EXPECT_EQ(c.findText(QStringLiteral("品名2-4")), nullptr);
    EXPECT_EQ(where(c, "　小　計"), "601,290 Tahoma 8");
}

TEST(Layout1, ResolutionAndOffsets)
{
    struct Row
    {
        const char *name;
        QString dpiX, dpiY, top, left;
        QString name1, item1, bottom;
    };
    const Row rows[] = {
        {"160 dpi offsets 20 and -5", "160", "160", "20", "-5", "15,40 Verdana 11",
         "25,280 " + Gothic + " 8", "15,1220-815,1220"},
        {"203 dpi row at 330", "203", "203", "", "", "25,25 Verdana 11", "38,330 " + Gothic + " 8",
         "25,1523-1040,1523"},
        {"203 dpi offsets 20 and -5", "203", "203", "20", "-5", "20,45 Verdana 11",
         "33,350 " + Gothic + " 8", "20,1543-1035,1543"},
        {"360 x 180 dpi", "360", "180", "0", "0", "45,23 Verdana 11", "68,293 " + Gothic + " 8",
         "45,1350-1845,1350"},
    };
    for (const Row &r : rows) {
        PrintNote n = makeNote(10);
        n.dpiX = r.dpiX;
        n.dpiY = r.dpiY;
        n.top = r.top;
        n.left = r.left;
        const RecordingCanvas c = draw<TVo_A51_Dot>(n);
        EXPECT_EQ(where(c, "山田太郎 様"), r.name1) << r.name;
        EXPECT_EQ(where(c, "品名2-1"), r.item1) << r.name;
        EXPECT_EQ(line(c.lines().last()), r.bottom) << r.name;
    }
    // 203 dpi: every row step is 61 pixels, the totals follow with round(22.8336) = 23.
    PrintNote n = makeNote(10);
    n.dpiX = n.dpiY = QStringLiteral("203");
    const RecordingCanvas c = draw<TVo_A51_Dot>(n);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(c.findText(QStringLiteral("品名2-%1").arg(i + 1))->at.y(), 330 + 61 * i);
    const int sub = 330 + 61 * 10 - 23; // d18 = round(22.8384) = 23
    EXPECT_EQ(c.findText(QStringLiteral("　小　計"))->at.y(), sub);
    EXPECT_EQ(c.findText(QStringLiteral("税込合計"))->at.y(), sub + 28 + 28);
}

TEST(Layout1, CaptionThatIsNotAnIntegerFailsBeforeDrawing)
{
    struct Row
    {
        const char *name;
        QString dpi, top, left;
    };
    const Row rows[] = {
        {"offset with decimals", "160", "1.5", "0"},
        {"left offset with decimals", "160", "0", "-0.5"},
        {"empty resolution", "", "0", "0"},
    };
    for (const Row &r : rows) {
        PrintNote n = makeNote(3);
        n.dpiX = n.dpiY = r.dpi;
        n.top = r.top;
        n.left = r.left;
        RecordingCanvas c;
        EXPECT_THROW(TVo_A51_Dot().SLIP_A51_Prn(FixedNoteSource(n), c), ConversionError) << r.name;
        EXPECT_TRUE(c.ops().isEmpty()) << r.name;
    }
}

TEST(Layout1, PageFeedWhenAsked)
{
    PrintNote n = makeNote(1);
    n.newPage = true;
    const RecordingCanvas c = draw<TVo_A51_Dot>(n);
    EXPECT_EQ(c.pageFeeds(), 1);
    EXPECT_EQ(c.ops().last().kind, CanvasOp::PageFeed) << "the page feed is the last step";
}

TEST(Layout2, NumbersStartUnderTheirHeadings)
{
    PrintNote n = makeNote(0);
    n.rows[0].qty = QStringLiteral("5");
    n.rows[0].price = QStringLiteral("1200");
    n.rows[0].sales = QStringLiteral("6000");
    n.rows[1].qty = QStringLiteral("1");
    n.rows[1].sales = QStringLiteral("-123456789");
    const RecordingCanvas c = draw<TVo_A52_Dot>(n);
    struct Row
    {
        QString text;
        QString expected;
    };
    const Row rows[] = {
        {"数量", "530,214 " + Gothic + " 8"},
        {"単価", "620,214 " + Gothic + " 8"},
        {"金額(税抜き)", "724,214 " + Gothic + " 8"},
        {"5", "530,260 Tahoma 8"},
        {"1,200", "620,260 Tahoma 8"},
        {"6,000", "724,260 Tahoma 8"},
        {"-123,456,789", "724,308 Tahoma 8"},
        {"小計", "530,338 Tahoma 8"},
        {"¥91,000", "718,338 Tahoma 8"},
        {"消費税 8%", "530,360 Tahoma 8"},
        {"¥7,280", "718,360 Tahoma 8"},
        {"税込合計", "530,382 Tahoma 8"},
        {"¥98,280", "718,382 Tahoma 8"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(where(c, r.text), r.expected) << r.text.toStdString();
    for (const CanvasOp &op : c.texts())
        EXPECT_EQ(op.kind, CanvasOp::Text) << "no fixed-pitch cells: " << op.text.toStdString();
    EXPECT_EQ(line(c.lines().last()), "20,1200-820,1200");
}

TEST(Layout2, MoneyTextShiftUsesTheVerticalFactor)
{
    PrintNote n = makeNote(1);
    n.dpiX = QStringLiteral("360");
    n.dpiY = QStringLiteral("180");
    n.left = QStringLiteral("4");
    const RecordingCanvas c = draw<TVo_A52_Dot>(n);
    // round(2.25 x 724) - round(1.125 x 6) = 1629 - 7, plus the left offset.
    EXPECT_EQ(c.findText(QStringLiteral("¥91,000"))->at.x(), 1622 + 4);
    EXPECT_EQ(c.findText(QStringLiteral("小計"))->at.x(), 1193 + 4) << "round(1192.5)";
}

TEST(Layout3, LandscapePictureWithSixRows)
{
    const RecordingCanvas c = draw<TVo_A53_Dot>(makeNote(6));
    struct Row
    {
        QString text;
        QString expected;
    };
    const Row rows[] = {
        {"店1", "920,30 " + Gothic + " 8"},
        {"発行日 ", "1065,173 " + Gothic + " 8"},
        {"2026/12/09", "1120,170 Tahoma 8"},
        {"数量", "740,214 " + Gothic + " 8"},
        {"単価", "960,214 " + Gothic + " 8"},
        {"金額(税抜き)", "1122,214 " + Gothic + " 8"},
        {"品名1-1", "30,242 " + Gothic + " 9"},
        {"品名2-6", "30,500 " + Gothic + " 9"},
        {"個6", "801,482 " + Gothic + " 7"},
        {"          6", "675,500 Tahoma 9"},
        {"      6,000", "895,500 Tahoma 9"},
        {"     36,000", "1105,500 Tahoma 9"},
        {"　小　計", "1001,530 Tahoma 9"},
        {"消費税 8%", "1001,552 Tahoma 9"},
        {"税込合計", "1001,574 Tahoma 9"},
        {"     98,280", "1105,574 Tahoma 9"},
        {"税込合計代金を領収いたしました。", "30,574 Tahoma 9 u"},
        {"備考1", "76,638 " + Gothic + " 6 u"},
        {"備考9", "76,798 " + Gothic + " 6 u"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(where(c, r.text), r.expected) << r.text.toStdString();
    // A 112-unit cell at 160 dpi: 112 / 11 = 10 pixels per character.
    EXPECT_EQ(c.findText(QStringLiteral("     36,000"))->advances, std::vector<int>(11, 10));
    EXPECT_EQ(c.findText(QStringLiteral("　小　計"))->advances, std::vector<int>(4, 24));

    QStringList expected = {"20,50-601,50", "900,130-1250,130", "20,210-1250,210",
                            "20,234-1250,234"};
    for (int i = 0; i < 6; ++i)
        expected << QStringLiteral("20,%1-1250,%1").arg(284 + 48 * i);
    expected << "20,628-1250,628"
             << "30,818-1250,818";
    EXPECT_EQ(allLines(c), expected) << "no bottom rule";
}

TEST(Layout3, RowsBeyondSixStillPrint)
{
    const RecordingCanvas c = draw<TVo_A53_Dot>(makeNote(10));
    EXPECT_EQ(where(c, "品名2-10"), "30,692 " + Gothic + " 9");
    EXPECT_EQ(line(c.lines().last()), "30,1010-1250,1010");
}

TEST(Layout3, AmountCellAt360Dpi)
{
    PrintNote n = makeNote(1);
    n.dpiX = n.dpiY = QStringLiteral("360");
    const RecordingCanvas c = draw<TVo_A53_Dot>(n);
    const CanvasOp *price = c.findText(QStringLiteral("      1,000"));
    ASSERT_NE(price, nullptr);
    // Cell 112 units = 252 pixels; every character advances 22 pixels, so
    // the text ends 10 pixels before the cell's right edge.
    EXPECT_EQ(price->advances, std::vector<int>(11, 22));
    EXPECT_EQ(price->at.x(), 2014) << "round(2.25 x 895) = round(2013.75)";
}

TEST(AllLayouts, OffsetsMoveEveryItemWhateverTheResolution)
{
    using Draw = RecordingCanvas (*)(const PrintNote &);
    struct Row
    {
        const char *name;
        Draw draw;
        QString dpiX, dpiY;
    };
    const Row rows[] = {
        {"layout 1 at 203 dpi", &draw<TVo_A51_Dot>, "203", "203"},
        {"layout 2 at 360 x 180 dpi", &draw<TVo_A52_Dot>, "360", "180"},
        {"layout 3 at 300 dpi", &draw<TVo_A53_Dot>, "300", "300"},
    };
    for (const Row &r : rows) {
        PrintNote n = makeNote(10);
        n.dpiX = r.dpiX;
        n.dpiY = r.dpiY;
        const RecordingCanvas plain = r.draw(n);
        n.top = QStringLiteral("20");
        n.left = QStringLiteral("-5");
        const RecordingCanvas moved = r.draw(n);
        ASSERT_EQ(moved.ops().size(), plain.ops().size()) << r.name;
        for (qsizetype k = 0; k < plain.ops().size(); ++k) {
            const CanvasOp &a = plain.ops()[k];
            const CanvasOp &b = moved.ops()[k];
            EXPECT_EQ(b.text, a.text) << r.name;
            EXPECT_EQ(b.at - a.at, QPoint(-5, 20)) << r.name << " " << a.text.toStdString();
            if (a.kind == CanvasOp::Line) {
                EXPECT_EQ(b.to - a.to, QPoint(-5, 20)) << r.name << " line " << k;
            }
        }
    }
}

TEST(Layout1, CustomersOwnHonorificInPlaceOfTheDefault)
{
    PrintNote note = makeNote(10);
    note.honorific = QStringLiteral("御中");
    const RecordingCanvas c = draw<TVo_A51_Dot>(note);
    EXPECT_EQ(where(c, "山田太郎 御中"), "20,20 Verdana 11");
    EXPECT_EQ(where(c, "山田太郎 様"), "missing");
}
