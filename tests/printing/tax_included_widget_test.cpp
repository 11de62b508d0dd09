// A tax-inclusive qualified invoice on paper: its captions and per-rate
// lines in every layout, legible glyph by glyph, and as PDFs for a look.
#include "GlyphCheck.h"
#include "TestFonts.h"
#include "printing/LayoutRules.h"
#include "printing/PainterCanvas.h"
#include "printing/PrintCommand.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <gtest/gtest.h>

using namespace printing;

namespace {

// 980 at 10 % and 1,080 at 8 %, prices with tax, rounded down: the tax in
// them is 89 and 80.
PrintNote includedInvoice()
{
    PrintNote n;
    n.customerName = QStringLiteral("山田太郎");
    n.title = QStringLiteral("納品書　兼　請求書");
    n.shopLines = {QStringLiteral("株式会社カンロ商店"), QStringLiteral("〒100-0001"),
                   QStringLiteral("東京都千代田区千代田1-1"), QStringLiteral("TEL 03-1234-5678"),
                   QStringLiteral("FAX 03-1234-5679")};
    n.slipNo = QStringLiteral("123");
    n.issueDate = QDate(2026, 12, 9);
    n.rows[0] = {QStringLiteral("A001"), QStringLiteral("ボールペン"), QStringLiteral("箱"),
                 QStringLiteral("1"),    QStringLiteral("980"),        QStringLiteral("980")};
    n.rows[1] = {QString(),
                 QStringLiteral("緑茶"),
                 QStringLiteral("本"),
                 QStringLiteral("1"),
                 QStringLiteral("1080"),
                 QStringLiteral("1080"),
                 true};
    n.subtotal = n.total = QStringLiteral("2060");
    n.tax = QStringLiteral("169");
    n.taxCaption = QStringLiteral("うち消費税");
    n.registrationNo = QStringLiteral("T1234567890123");
    n.standardRate = {QStringLiteral("10"), QStringLiteral("980"), QStringLiteral("89"), true};
    n.reducedRate = {QStringLiteral("8"), QStringLiteral("1080"), QStringLiteral("80"), true};
    n.taxIncluded = true;
    n.receipt = true;
    n.remarks[0] = QStringLiteral("毎度ありがとうございます。");
    n.dpiX = n.dpiY = QStringLiteral("600");
    return n;
}

} // namespace

TEST(TaxIncluded, RateLineReadsPerMode)
{
    const PrintTaxRate rate{QStringLiteral("10"), QStringLiteral("5500"), QStringLiteral("500"),
                            true};
    EXPECT_EQ(invoice::rateLine(rate), QStringLiteral("10%対象 ¥5,500 消費税 ¥500"));
    EXPECT_EQ(invoice::rateLine(rate, true), QStringLiteral("10%対象 ¥5,500（うち消費税 ¥500）"));
}

// In every layout: the inclusive captions, both rate lines, no third total,
// and no glyph over another. KANRO_STRESS_PDF_DIR=folder also writes the
// three PDFs (tax-included-layout<n>.pdf) for a look with pdftoppm -png.
TEST(TaxIncluded, InvoiceInEveryLayoutIsLegible)
{
    registerPrinterFontsForTest();
    const PrintNote note = includedInvoice();
    const QString dir = qEnvironmentVariable("KANRO_STRESS_PDF_DIR");
    for (int paper = 0; paper < 3; ++paper) {
        SCOPED_TRACE(paper);
        const RecordingCanvas page = glyphcheck::drawMeasured(note, paper);
        QStringList texts;
        for (const CanvasOp &op : page.ops())
            texts << op.text;
        for (const QString &expected :
             {QStringLiteral("お買上額（税込）"), QStringLiteral("うち消費税"),
              QStringLiteral("10%対象 ¥980（うち消費税 ¥89）"),
              QStringLiteral("8%対象 ¥1,080（うち消費税 ¥80）"), QStringLiteral("※は軽減税率対象")})
            EXPECT_TRUE(texts.contains(expected)) << expected.toStdString();
        EXPECT_TRUE(texts.contains(QStringLiteral("金額(税込)")));
        EXPECT_FALSE(texts.contains(QStringLiteral("金額(税抜き)")));
        EXPECT_FALSE(texts.contains(QStringLiteral("税込合計")));
        EXPECT_EQ(glyphcheck::legibilityFaults(page, 600), QStringList());

        if (dir.isEmpty())
            continue;
        QDir().mkpath(dir);
        glyphcheck::writeNotePdf(
            QStringLiteral("%1/tax-included-layout%2.pdf").arg(dir).arg(paper + 1), note, paper);
    }
}
