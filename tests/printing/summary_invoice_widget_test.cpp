// The monthly summary invoice on A4: what a customer must find on it, page
// numbers for a long period, legible glyph by glyph, and a PDF for a look.
#include "GlyphCheck.h"
#include "TestFonts.h"
#include "printing/PainterCanvas.h"
#include "printing/SummaryInvoiceLayout.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace printing;

namespace {

constexpr int Dpi = 600;

FixedDecimal yen(qint64 v)
{
    return *FixedDecimal::fromInteger(v);
}

// A customer with `notes` notes in the period (every third tax-inclusive,
// the fifth cancelled after an earlier closing) and two payments.
SummaryInvoice sampleInvoice(int notes)
{
    SummaryInvoice inv;
    inv.invoiceNo = QStringLiteral("2026-0042");
    inv.issueDate = QDate(2026, 12, 21);
    inv.closingDate = QDate(2026, 12, 20);
    inv.period = closing::periodEndingOn(inv.closingDate, QDate(2026, 11, 20));
    inv.dueDate = closing::dueDate(inv.closingDate, 1, closing::kEndOfMonth);
    inv.shopLines = {QStringLiteral("株式会社カンロ商店"), QStringLiteral("〒100-0001"),
                     QStringLiteral("東京都千代田区千代田1-1"), QStringLiteral("TEL 03-1234-5678")};
    inv.registrationNo = QStringLiteral("T1234567890123");
    inv.bankAccount = QStringLiteral("カンロ銀行 本店 普通 1234567");
    inv.customerZip = QStringLiteral("150-0001");
    inv.customerAddress = {QStringLiteral("東京都渋谷区神宮前1-2-3"),
                           QStringLiteral("神宮前ビル5階")};
    inv.customerName = QStringLiteral("有限会社サンプル商事 仕入部");
    inv.honorific = QStringLiteral("御中");
    std::vector<closing::NoteEntry> entries;
    for (int k = 0; k < notes; ++k) {
        closing::NoteEntry n;
        n.id = k + 1;
        n.date = inv.period.from.addDays(k % 30);
        n.slipNo = QString::number(1000 + k);
        n.taxIncluded = k % 3 == 2;
        n.sign = k == 4 ? -1 : 1;
        n.rates = {{QStringLiteral("10"), false, yen(12000 + k), yen(1200)},
                   {QStringLiteral("8"), true, yen(5400), yen(432)}};
        entries.push_back(n);
    }
    inv.payments = {{QDate(2026, 11, 30),
                     closing::PaymentKind::Payment,
                     yen(120000),
                     QStringLiteral("振込"),
                     {}},
                    {QDate(2026, 11, 30),
                     closing::PaymentKind::Adjustment,
                     yen(440),
                     {},
                     QStringLiteral("振込手数料")}};
    inv.summary = *closing::summarize(yen(150000), entries, inv.payments);
    return inv;
}

// Each page on its own recording canvas, measured with the real fonts.
struct Pages : PrintSurface
{
    std::vector<RecordingCanvas> pages;
    Pages() { newPage(); }
    Canvas &canvas() override { return pages.back(); }
    void newPage() override
    {
        pages.emplace_back();
        pages.back().setMeasure(fontMetricsMeasure(Dpi));
    }
    QString text(std::size_t page) const
    {
        QStringList all;
        for (const CanvasOp &op : pages[page].ops())
            all << op.text;
        return all.join(u'|');
    }
};

Geometry geometry()
{
    Geometry g;
    g.sx = g.sy = scaleFactor(Dpi);
    return g;
}

} // namespace

TEST(SummaryInvoice, PagesHoldEveryLineWithTheQualifiedInvoiceItems)
{
    struct Row
    {
        const char *name;
        int notes;
        int pages;
    };
    const int first = summarylayout::linesOnPage(0);
    const int later = summarylayout::linesOnPage(1);
    // Two payment lines follow the notes.
    const Row rows[] = {
        {"one page", first - 2, 1},
        {"one line more", first - 1, 2},
        {"three pages", first + later, 3},
    };
    for (const Row &r : rows) {
        const SummaryInvoice inv = sampleInvoice(r.notes);
        EXPECT_EQ(summarylayout::pageCount(inv), r.pages) << r.name;
        Pages out;
        drawSummaryInvoice(inv, geometry(), out);
        ASSERT_EQ(int(out.pages.size()), r.pages) << r.name;
        int slips = 0;
        for (std::size_t p = 0; p < out.pages.size(); ++p) {
            EXPECT_TRUE(out.text(p).contains(QStringLiteral("%1 / %2").arg(p + 1).arg(r.pages)))
                << r.name;
            for (const CanvasOp &op : out.pages[p].ops())
                slips += int(QRegularExpression(QStringLiteral("^1\\d{3}( 取消| 税込)?$"))
                                 .match(op.text)
                                 .hasMatch());
            EXPECT_EQ(glyphcheck::legibilityFaults(out.pages[p], Dpi), QStringList())
                << r.name << " page " << p + 1;
        }
        EXPECT_EQ(slips, r.notes) << r.name << ": every note listed once";
        const QString head = out.text(0);
        for (const QString &item :
             {QStringLiteral("登録番号 T1234567890123"), QStringLiteral("12月20日締"),
              QStringLiteral("有限会社サンプル商事 仕入部 御中"), QStringLiteral("今回御請求額"),
              amountText(inv.summary.billed), QStringLiteral("8%対象※"),
              QStringLiteral("※は軽減税率対象"), QStringLiteral("お支払期限 2027年1月31日")})
            EXPECT_TRUE(head.contains(item)) << r.name << ": " << item.toStdString();
        if (r.pages == 2 && qEnvironmentVariableIsSet("KANRO_STRESS_PDF_DIR")) {
            QPdfWriter pdf(QDir(qEnvironmentVariable("KANRO_STRESS_PDF_DIR"))
                               .filePath(QStringLiteral("summary-invoice.pdf")));
            pdf.setResolution(Dpi);
            pdf.setPageSize(QPageSize(QPageSize::A4));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter painter(&pdf);
            PainterCanvas canvas(&painter, Dpi);
            struct Surface : PrintSurface
            {
                Canvas &c;
                QPdfWriter &w;
                Surface(Canvas &canvas, QPdfWriter &writer) : c(canvas), w(writer) {}
                Canvas &canvas() override { return c; }
                void newPage() override { w.newPage(); }
            } surface(canvas, pdf);
            drawSummaryInvoice(inv, geometry(), surface);
        }
    }
}
