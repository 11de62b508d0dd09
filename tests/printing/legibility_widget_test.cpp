// Every printed page legible: stress notes through every layout at the
// resolutions printers have, checked glyph by glyph with real fonts.
#include "GlyphCheck.h"
#include "TestFonts.h"
#include "printing/PainterCanvas.h"
#include "printing/PrintCommand.h"
#include "printing/TextFit.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <gtest/gtest.h>
#include <iostream>

using namespace printing;

namespace {

struct Resolution
{
    const char *name;
    int dpiX, dpiY;
};
const Resolution Resolutions[] = {
    {"160 dpi", 160, 160},
    {"203 dpi", 203, 203},
    {"360 x 180 dpi", 360, 180},
    {"600 dpi", 600, 600},
};
const char *const Layouts[] = {"layout 1", "layout 2", "landscape"};

QString repeated(const QString &piece, int length)
{
    QString s;
    while (s.size() < length)
        s += piece;
    return s.left(length);
}

// The longest texts and numbers the entry form lets through.
PrintNote stressNote(const QString &taxCaption, const QString &itemPiece)
{
    PrintNote n;
    n.customerName = repeated(QStringLiteral("株式会社長い名前の商事"), 80);
    n.title = QStringLiteral("納品書　兼　請求書");
    for (int k = 0; k < 5; ++k)
        n.shopLines[k] = repeated(
            QStringLiteral("東京都千代田区丸の内一丁目%1番地 TEL 03-1234-5678 ").arg(k + 1), 60);
    n.slipNo = QStringLiteral("9999999999");
    n.issueDate = QDate(2026, 12, 31);
    for (int i = 0; i < 10; ++i) {
        PrintRow &r = n.rows[i];
        r.itemNo = repeated(itemPiece, 50);
        r.item = repeated(itemPiece, 50);
        r.unit = QStringLiteral("ケース箱袋本");
        r.qty = i % 2 ? QStringLiteral("999999999") : QStringLiteral("-999999999");
        r.price = QStringLiteral("999999991");
        // The largest amounts a note holds (ten-thousandths in 64 bits).
        r.sales = i % 2 ? QStringLiteral("888888888888888") : QStringLiteral("-922337203685477");
    }
    n.subtotal = QStringLiteral("888888888888888");
    n.tax = QStringLiteral("-88888888888888");
    n.total = QStringLiteral("922337203685477");
    n.taxCaption = taxCaption;
    n.receipt = true;
    for (int k = 0; k < 9; ++k)
        n.remarks[k] = repeated(QStringLiteral("お振込みは月末までにお願いします。ABC-123 "), 100);
    return n;
}

struct Stress
{
    const char *name;
    PrintNote note;
};

// A note with the qualified invoice's extras: the registration number under
// the shop block, "※" before every other row and both per-rate lines.
PrintNote withInvoiceExtras(PrintNote n, const QString &subtotal, const QString &tax)
{
    n.registrationNo = QStringLiteral("T1234567890123");
    for (std::size_t i = 0; i < n.rows.size(); i += 2)
        n.rows[i].reduced = true;
    n.standardRate = {QStringLiteral("10"), subtotal, tax, true};
    n.reducedRate = {QStringLiteral("8"), subtotal, tax, true};
    n.taxCaption = QStringLiteral("消費税");
    return n;
}

PrintNote ordinaryNote(const QString &taxCaption);

std::vector<Stress> stressNotes()
{
    return {
        {"qualified invoice, longest figures",
         withInvoiceExtras(
             stressNote(QStringLiteral("消費税 10%"), QStringLiteral("特選北海道産じゃがいも男爵")),
             QStringLiteral("-922337203685477"), QStringLiteral("-92233720368547"))},
        {"qualified invoice, ordinary figures",
         withInvoiceExtras(ordinaryNote(QStringLiteral("消費税 10%")), QStringLiteral("5400"),
                           QStringLiteral("540"))},
        {"Japanese item names, 10 %",
         stressNote(QStringLiteral("消費税 10%"), QStringLiteral("特選北海道産じゃがいも男爵"))},
        {"Latin item names, 8.5 %",
         stressNote(QStringLiteral("消費税 8.5%"), QStringLiteral("WMW Item 9,800 "))},
        {"digits as item names, 10 %",
         stressNote(QStringLiteral("消費税 10%"), QStringLiteral("-9,800"))},
    };
}

// The note of a new user: two rows, today's rate.
PrintNote ordinaryNote(const QString &taxCaption)
{
    PrintNote n;
    n.customerName = QStringLiteral("山田太郎");
    n.title = QStringLiteral("納品書　兼　請求書");
    n.shopLines = {QStringLiteral("株式会社カンロ商店"), QStringLiteral("〒100-0001"),
                   QStringLiteral("東京都千代田区千代田1-1"), QStringLiteral("TEL 03-1234-5678"),
                   QStringLiteral("FAX 03-1234-5679")};
    n.slipNo = QStringLiteral("123");
    n.issueDate = QDate(2026, 12, 9);
    n.rows[0] = {QStringLiteral("A001"), QStringLiteral("りんご"), QStringLiteral("個"),
                 QStringLiteral("2"),    QStringLiteral("1500"),   QStringLiteral("3000")};
    n.rows[1] = {QString(),           QStringLiteral("みかん"), QStringLiteral("箱"),
                 QStringLiteral("1"), QStringLiteral("980"),    QStringLiteral("980")};
    n.subtotal = QStringLiteral("3980");
    n.tax = QStringLiteral("398");
    n.total = QStringLiteral("4378");
    n.taxCaption = taxCaption;
    n.receipt = true;
    n.remarks[0] = QStringLiteral("毎度ありがとうございます。");
    return n;
}

void setResolution(PrintNote &n, const Resolution &r)
{
    n.dpiX = QString::number(r.dpiX);
    n.dpiY = QString::number(r.dpiY);
}

RecordingCanvas drawUnmeasured(const PrintNote &note, int paper)
{
    RecordingCanvas page;
    NoteLayouts().drawCopy(paper, FixedNoteSource(note), page);
    return page;
}

} // namespace

TEST(Legibility, StressNotesHaveNoCollisionsInAnyLayoutOrResolution)
{
    registerPrinterFontsForTest();
    for (const Stress &s : stressNotes()) {
        for (int paper = 0; paper < 3; ++paper) {
            for (const Resolution &res : Resolutions) {
                PrintNote n = s.note;
                setResolution(n, res);
                const QStringList faults = glyphcheck::legibilityFaults(n, paper);
                // KANRO_LEGIBILITY_REPORT=1 also counts what the layouts did
                // before texts were fitted.
                if (qEnvironmentVariableIsSet("KANRO_LEGIBILITY_REPORT")) {
                    std::cout
                        << s.name << ", " << Layouts[paper] << ", " << res.name << ": unfitted "
                        << glyphcheck::legibilityFaults(drawUnmeasured(n, paper), res.dpiY).size()
                        << " faults, fitted " << faults.size() << "\n";
                }
                EXPECT_TRUE(faults.isEmpty())
                    << s.name << ", " << Layouts[paper] << ", " << res.name << ": " << faults.size()
                    << " faults, first: " << faults.value(0).toStdString();
            }
        }
    }
}

TEST(Legibility, CheckerFindsWhatTheUnfittedLayoutsDid)
{
    registerPrinterFontsForTest();
    struct Row
    {
        const char *name;
        int paper;
        PrintNote note;
        QString expectedFault; // a part of one fault line
    };
    const Row rows[] = {
        {"tax caption 10 % squeezed in layout 1", 0, ordinaryNote(QStringLiteral("消費税 10%")),
         "of \"消費税 10%\""},
        {"tax caption 10 % squeezed in the landscape layout", 2,
         ordinaryNote(QStringLiteral("消費税 10%")), "of \"消費税 10%\""},
        {"15-digit amounts pile up", 0,
         stressNote(QStringLiteral("消費税 10%"), QStringLiteral("あ")),
         "'8' of \"888,888,888,888,888\""},
        {"long item names painted out by the quantity cell", 0,
         stressNote(QStringLiteral("消費税 10%"), QStringLiteral("あ")),
         "painted out by \"-999,999,999\""},
        {"customer name over the shop block", 0,
         stressNote(QStringLiteral("消費税 10%"), QStringLiteral("あ")),
         "of \"東京都千代田区丸の内一丁目1番地"},
    };
    for (const Row &r : rows) {
        PrintNote n = r.note;
        setResolution(n, {"600 dpi", 600, 600});
        // Drawn without font metrics, the layouts place every text as they
        // did before texts were fitted.
        const QStringList faults = glyphcheck::legibilityFaults(drawUnmeasured(n, r.paper), 600);
        EXPECT_FALSE(faults.filter(r.expectedFault).isEmpty())
            << r.name << ": " << faults.size() << " faults, first "
            << faults.value(0).toStdString();
    }
}

TEST(Legibility, OrdinaryNotesPrintAsBeforeExceptWhatCollided)
{
    registerPrinterFontsForTest();
    for (const QString &caption : {QStringLiteral("消費税 8%"), QStringLiteral("消費税 10%"),
                                   QStringLiteral("消費税 8%・10%")}) {
        for (int paper = 0; paper < 3; ++paper) {
            for (const Resolution &res : Resolutions) {
                PrintNote n = ordinaryNote(caption);
                setResolution(n, res);
                const RecordingCanvas before = drawUnmeasured(n, paper);
                const RecordingCanvas now = glyphcheck::drawMeasured(n, paper);
                const std::string where =
                    caption.toStdString() + ", " + Layouts[paper] + ", " + res.name;
                ASSERT_EQ(now.ops().size(), before.ops().size()) << where;
                QStringList changed;
                for (qsizetype k = 0; k < now.ops().size(); ++k) {
                    const CanvasOp &a = before.ops()[k];
                    const CanvasOp &b = now.ops()[k];
                    const bool differs = a.text != b.text || a.at != b.at || !(a.font == b.font) ||
                                         a.advances != b.advances || a.kind != b.kind;
                    if (!differs)
                        continue;
                    changed << b.text;
                    if (qEnvironmentVariableIsSet("KANRO_LEGIBILITY_REPORT"))
                        std::cout << where << ": \"" << b.text.toStdString() << "\" stretch "
                                  << b.font.stretch
                                  << (a.advances == b.advances ? ", same advances\n"
                                                               : ", own advances\n");
                }
                // What changed collided before: the tax caption spread over
                // its cell in layouts 1 and 3, a digit touching the thousands
                // separator in layout 1's 8-pixel pitch at 160 dpi ("4,378").
                const QStringList faultsBefore = glyphcheck::legibilityFaults(before, res.dpiY);
                // "発行日 " came within a pixel of the landscape date: it
                // touched without overlapping.
                const bool touched = paper == 2 && res.dpiX == res.dpiY;
                for (const QString &text : changed) {
                    if (touched && text == QStringLiteral("発行日 "))
                        continue;
                    EXPECT_FALSE(faultsBefore.filter("\"" + text.left(24) + "\"").isEmpty())
                        << where << ": changed without need: " << text.toStdString();
                }
                EXPECT_EQ(glyphcheck::legibilityFaults(now, res.dpiY).join("\n"), "") << where;
                // Today's rate: the caption that collided in layouts 1 and 3 is mended.
                if (caption.contains("10") && paper != 1 && res.dpiX == res.dpiY) {
                    EXPECT_TRUE(changed.contains(caption)) << where;
                }
            }
        }
    }
}

TEST(Legibility, PainterCanvasMeasuresAndCondensesAsTheRecordingCanvas)
{
    registerPrinterFontsForTest();
    QImage image(1200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    PainterCanvas canvas(&p, 203);
    RecordingCanvas recording;
    recording.setMeasure(fontMetricsMeasure(203));
    const QString text = QStringLiteral("特選北海道産じゃがいも 9,800");
    for (Canvas *c : {static_cast<Canvas *>(&canvas), static_cast<Canvas *>(&recording)}) {
        c->setFontName(GothicFont);
        c->setFontSize(8);
    }
    EXPECT_DOUBLE_EQ(canvas.textWidth(text), recording.textWidth(text));
    EXPECT_EQ(fitText(canvas, text, 200), fitText(recording, text, 200));

    // The condensed text's ink is as much narrower as its stretch says.
    auto inkWidth = [&](int stretch) {
        image.fill(Qt::white);
        canvas.setFontStretch(stretch);
        canvas.textOut(10, 10, text);
        int left = image.width(), right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        return right - left + 1;
    };
    const int natural = inkWidth(100);
    const int condensed = inkWidth(60);
    EXPECT_NEAR(condensed, natural * 0.6, 3) << natural;
}

// KANRO_STRESS_PDF_DIR=folder writes every stress note in every layout as
// a 600 dpi PDF through the PainterCanvas, for a look (pdftoppm -png).
TEST(Legibility, StressPdfsForALook)
{
    const QString dir = qEnvironmentVariable("KANRO_STRESS_PDF_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KANRO_STRESS_PDF_DIR to write the stress PDFs";
    registerPrinterFontsForTest();
    QDir().mkpath(dir);
    int index = 0;
    std::vector<Stress> notes = stressNotes();
    notes.push_back({"ordinary note, 10 %", ordinaryNote(QStringLiteral("消費税 10%"))});
    for (const Stress &s : notes) {
        ++index;
        for (int paper = 0; paper < 3; ++paper) {
            PrintNote n = s.note;
            setResolution(n, {"600 dpi", 600, 600});
            glyphcheck::writeNotePdf(
                QStringLiteral("%1/stress%2-layout%3.pdf").arg(dir).arg(index).arg(paper + 1), n,
                paper);
        }
    }
}
