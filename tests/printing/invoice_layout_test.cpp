// The qualified invoice's additions on paper, in all three layouts, and the
// proof that a note without them prints item for item as before.
#include "printing/LayoutRules.h"
#include "printing/RecordingCanvas.h"
#include "printing/Vo_A51_DotUnit.h"
#include "printing/Vo_A52_DotUnit.h"
#include "printing/Vo_A53_DotUnit.h"

#include <gtest/gtest.h>

using namespace printing;

namespace {

const QString Gothic = QStringLiteral("ＭＳ Ｐゴシック");

// Two rows, 5,400 at the standard rate and 1,080 at the reduced rate once
// row 2 is marked, at 160 dpi without offsets.
PrintNote makeNote()
{
    PrintNote n;
    n.customerName = QStringLiteral("山田太郎");
    n.title = QStringLiteral("納品書　兼　請求書");
    for (int k = 0; k < 5; ++k)
        n.shopLines[k] = QStringLiteral("店%1").arg(k + 1);
    n.slipNo = QStringLiteral("123");
    n.issueDate = QDate(2026, 12, 9);
    n.rows[0] = {QStringLiteral("ボールペン"), QStringLiteral("黒"),   QStringLiteral("箱"),
                 QStringLiteral("3"),          QStringLiteral("1800"), QStringLiteral("5400")};
    n.rows[1] = {QStringLiteral("緑茶"), QStringLiteral("500ml"), QStringLiteral("本"),
                 QStringLiteral("10"),   QStringLiteral("108"),   QStringLiteral("1080")};
    n.subtotal = QStringLiteral("6480");
    n.tax = QStringLiteral("626");
    n.total = QStringLiteral("7106");
    n.taxCaption = QStringLiteral("消費税 10%");
    n.receipt = true;
    for (int k = 0; k < 9; ++k)
        n.remarks[k] = QStringLiteral("備考%1").arg(k + 1);
    n.dpiX = n.dpiY = QStringLiteral("160");
    return n;
}

PrintNote withInvoice(PrintNote n)
{
    n.registrationNo = QStringLiteral("T1234567890123");
    n.rows[1].reduced = true;
    n.standardRate = {QStringLiteral("10"), QStringLiteral("5400"), QStringLiteral("540"), true};
    n.reducedRate = {QStringLiteral("8"), QStringLiteral("1080"), QStringLiteral("86"), true};
    n.taxCaption = QStringLiteral("消費税");
    return n;
}

using Draw = RecordingCanvas (*)(const PrintNote &);
RecordingCanvas draw1(const PrintNote &n)
{
    RecordingCanvas c;
    TVo_A51_Dot().SLIP_A51_Prn(FixedNoteSource(n), c);
    return c;
}
RecordingCanvas draw2(const PrintNote &n)
{
    RecordingCanvas c;
    TVo_A52_Dot().SLIP_A52_Prn(FixedNoteSource(n), c);
    return c;
}
RecordingCanvas draw3(const PrintNote &n)
{
    RecordingCanvas c;
    TVo_A53_Dot().SLIP_A53_Prn(FixedNoteSource(n), c);
    return c;
}

struct LayoutRow
{
    const char *name;
    Draw draw;
    const LayoutTable &table;
};
const LayoutRow kLayouts[] = {
    {"layout 1", &draw1, TVo_A51_Dot::table()},
    {"layout 2", &draw2, TVo_A52_Dot::table()},
    {"layout 3", &draw3, TVo_A53_Dot::table()},
};

// One op as text, every field that reaches the page.
QString describe(const CanvasOp &op)
{
    QStringList adv;
    for (const int a : op.advances)
        adv << QString::number(a);
    return QStringLiteral("%1 %2,%3 %4,%5 [%6] %7 %8 %9 %10 %11 opt%12 {%13}")
        .arg(op.kind)
        .arg(op.at.x())
        .arg(op.at.y())
        .arg(op.to.x())
        .arg(op.to.y())
        .arg(op.text)
        .arg(op.font.name)
        .arg(op.font.size)
        .arg(op.font.style)
        .arg(op.font.color.name())
        .arg(op.brush.name())
        .arg(op.options)
        .arg(adv.join(u','));
}

QStringList describeAll(const RecordingCanvas &c)
{
    QStringList out;
    for (const CanvasOp &op : c.ops())
        out << describe(op);
    return out;
}

const CanvasOp *textStartingWith(const RecordingCanvas &c, const QString &prefix)
{
    for (const CanvasOp &op : c.ops()) {
        if (op.kind != CanvasOp::Line && op.text.startsWith(prefix))
            return &op;
    }
    return nullptr;
}

TEST(InvoiceLayout, NoteWithoutTheNewItemsPrintsItemForItemAsBefore)
{
    // "Before" is the note as an older settings file gives it: no number,
    // no mark, rate figures left empty. The window now fills the figures of
    // the single rate; that, a mark on a row that does not print, and a
    // reduced rate whose rows print nothing change no item of the page.
    const PrintNote before = makeNote();
    PrintNote now = before;
    now.standardRate = {QStringLiteral("10"), QStringLiteral("6480"), QStringLiteral("648"), true};
    now.reducedRate = {QStringLiteral("8"), QStringLiteral("0"), QStringLiteral("0"), false};
    now.rows[5].reduced = true; // quantity 0: not printed
    now.rows[5].itemNo = QStringLiteral("印字されない行");
    for (const LayoutRow &l : kLayouts) {
        SCOPED_TRACE(l.name);
        const QStringList a = describeAll(l.draw(before));
        const QStringList b = describeAll(l.draw(now));
        ASSERT_EQ(a.size(), b.size());
        for (qsizetype k = 0; k < a.size(); ++k)
            EXPECT_EQ(a[k], b[k]) << "item " << k;
    }
}

TEST(InvoiceLayout, RegistrationMarksRateLinesAndLegendAt160Dpi)
{
    const PrintNote n = withInvoice(makeNote());
    for (const LayoutRow &l : kLayouts) {
        SCOPED_TRACE(l.name);
        const RecordingCanvas c = l.draw(n);
        const CanvasOp *reg = c.findText(QStringLiteral("登録番号 T1234567890123"));
        ASSERT_NE(reg, nullptr);
        EXPECT_EQ(reg->at, QPoint(l.table.shopX, 140)) << "below shop line 5 (110) and its rule";
        EXPECT_EQ(reg->font.name, Gothic);
        EXPECT_EQ(reg->font.size, 8);

        // Only the marked row carries the mark, on its first item line.
        EXPECT_NE(c.findText(QStringLiteral("ボールペン")), nullptr);
        const CanvasOp *mark = c.findText(QStringLiteral("※緑茶"));
        ASSERT_NE(mark, nullptr);
        EXPECT_EQ(mark->at, QPoint(30, 308 - 18)) << "row 2's upper line";
        EXPECT_EQ(c.findText(QStringLiteral("※黒")), nullptr);

        // Rows end at 308: subtotal 338, tax 360, total 382.
        const CanvasOp *standard = c.findText(QStringLiteral("10%対象 ¥5,400 消費税 ¥540"));
        const CanvasOp *reduced = c.findText(QStringLiteral("8%対象 ¥1,080 消費税 ¥86"));
        const CanvasOp *legend = c.findText(QStringLiteral("※は軽減税率対象"));
        ASSERT_NE(standard, nullptr);
        ASSERT_NE(reduced, nullptr);
        ASSERT_NE(legend, nullptr);
        EXPECT_EQ(standard->at, QPoint(30, 338));
        EXPECT_EQ(reduced->at, QPoint(30, 360));
        EXPECT_EQ(legend->at, QPoint(30, 382 + 27));
        for (const CanvasOp *op : {standard, reduced, legend}) {
            EXPECT_EQ(op->font.name, Gothic);
            EXPECT_EQ(op->font.size, 8);
            EXPECT_EQ(op->font.style, StyleRegular);
        }
        // The receipt sentence and the remarks keep their fonts and lines.
        const CanvasOp *receipt = c.findText(QStringLiteral("税込合計代金を領収いたしました。"));
        ASSERT_NE(receipt, nullptr);
        EXPECT_EQ(receipt->at, QPoint(30, 382));
        EXPECT_EQ(receipt->font.name, QStringLiteral("Tahoma"));
        EXPECT_EQ(receipt->font.style, StyleUnderline);
        EXPECT_EQ(c.findText(QStringLiteral("備考1"))->at.y(), 382 + 54 + 10);
    }
}

TEST(InvoiceLayout, RateLinesForTheRatesInUse)
{
    const struct
    {
        const char *name;
        bool standardInUse;
        bool reducedMarked;
        QStringList lines; // top to bottom, from the subtotal line
    } rows[] = {
        {"both rates: standard first",
         true,
         true,
         {QStringLiteral("10%対象 ¥5,400 消費税 ¥540"),
          QStringLiteral("8%対象 ¥1,080 消費税 ¥86")}},
        {"only reduced rows: one line on the subtotal line",
         false,
         true,
         {QStringLiteral("8%対象 ¥1,080 消費税 ¥86")}},
        {"no reduced row: no line, no legend", true, false, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        PrintNote n = withInvoice(makeNote());
        n.standardRate.inUse = row.standardInUse;
        n.rows[1].reduced = row.reducedMarked;
        const RecordingCanvas c = draw1(n);
        QStringList found;
        for (const CanvasOp &op : c.texts()) {
            if (op.text.contains(QStringLiteral("%対象")))
                found << op.text;
        }
        EXPECT_EQ(found, row.lines);
        if (!row.lines.isEmpty()) {
            EXPECT_EQ(textStartingWith(c, row.lines[0])->at.y(), 338);
        }
        EXPECT_EQ(c.findText(QStringLiteral("※は軽減税率対象")) != nullptr, row.reducedMarked);
    }
}

TEST(InvoiceLayout, AdditionsScaleAndMoveWithTheOffsets)
{
    PrintNote n = withInvoice(makeNote());
    n.dpiX = QStringLiteral("360");
    n.dpiY = QStringLiteral("180");
    n.top = QStringLiteral("20");
    n.left = QStringLiteral("-5");
    const RecordingCanvas c = draw1(n);
    // sx = 2.25, sy = 1.125: x 530 -> 1192.5 -> 1193; y 140 -> 157.5 -> 158.
    EXPECT_EQ(c.findText(QStringLiteral("登録番号 T1234567890123"))->at,
              QPoint(1193 - 5, 158 + 20));
    const CanvasOp *legend = c.findText(QStringLiteral("※は軽減税率対象"));
    const CanvasOp *receipt = c.findText(QStringLiteral("税込合計代金を領収いたしました。"));
    EXPECT_EQ(legend->at.x(), 68 - 5) << "round(2.25 x 30) = 68";
    EXPECT_EQ(legend->at.y(), receipt->at.y() + 30) << "round(1.125 x 27) = 30";
}

TEST(InvoiceLayout, RateLinesLeaveRoomBeforeTheTotalCaptions)
{
    // A nine-digit line at 8 points takes about 375 units; every layout
    // gives the lines more than that.
    EXPECT_EQ(invoice::rateLineWidth(TVo_A51_Dot::table()), 551);
    EXPECT_EQ(invoice::rateLineWidth(TVo_A52_Dot::table()), 480);
    EXPECT_EQ(invoice::rateLineWidth(TVo_A53_Dot::table()), 951);
    EXPECT_EQ(invoice::rateLine({QStringLiteral("10"), QStringLiteral("-123456789"),
                                 QStringLiteral("-12345678"), true}),
              QStringLiteral("10%対象 ¥-123,456,789 消費税 ¥-12,345,678"));
}

} // namespace
