#include "TestFonts.h"
#include "printing/LayoutRules.h"
#include "printing/PainterCanvas.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace printing;

namespace {

// A white 160 dpi page with the painted ink's bounding box.
struct Page
{
    QImage image{600, 300, QImage::Format_RGB32};
    Page()
    {
        image.fill(Qt::white);
        const int dpm = qRound(160 / 0.0254);
        image.setDotsPerMeterX(dpm);
        image.setDotsPerMeterY(dpm);
    }
    QRect ink(QRect within = QRect(0, 0, 600, 300)) const
    {
        QRect box;
        for (int y = within.top(); y <= within.bottom(); ++y)
            for (int x = within.left(); x <= within.right(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    box |= QRect(x, y, 1, 1);
        return box;
    }
};

} // namespace

TEST(PainterCanvas, FontHeightInPixels)
{
    struct Row
    {
        const char *name;
        int points, dpi, pixels;
    };
    const Row rows[] = {
        {"8 pt at 160 dpi rounds 17.78", 8, 160, 18},
        {"8 pt at 600 dpi", 8, 600, 67},
        {"11 pt at 203 dpi rounds 31.01", 11, 203, 31},
        {"6 pt at 72 dpi", 6, 72, 6},
        {"9 pt at 360 dpi", 9, 360, 45},
    };
    for (const Row &r : rows)
        EXPECT_EQ(fontPixelHeight(r.points, r.dpi), r.pixels) << r.name;
}

TEST(PainterCanvas, TextStandsBelowItsTopLeftCorner)
{
    registerPrinterFontsForTest();
    Page page;
    {
        QPainter p(&page.image);
        PainterCanvas c(&p);
        c.setFontName(TahomaFont);
        c.setFontSize(20);
        c.textOut(100, 50, QStringLiteral("HH"));
    }
    const QRect ink = page.ink();
    ASSERT_FALSE(ink.isEmpty());
    // The cell's top carries the internal leading: capitals start a few
    // pixels below y, never above it, and the glyphs start at x.
    EXPECT_GE(ink.top(), 50);
    EXPECT_LE(ink.top(), 50 + 12);
    EXPECT_GE(ink.left(), 100);
    EXPECT_LE(ink.left(), 100 + 6);
    EXPECT_LE(ink.bottom(), 50 + fontPixelHeight(20, 160) + 10);
}

TEST(PainterCanvas, SpacedTextUsesTheGivenAdvances)
{
    registerPrinterFontsForTest();
    Page page;
    {
        QPainter p(&page.image);
        PainterCanvas c(&p);
        c.setFontName(TahomaFont);
        c.setFontSize(8);
        // An eleven-character cell, 97 units wide at 160 dpi: the ones stand
        // 8 pixels apart from x 200; the blanks draw nothing.
        Eve2TextOut(c, fixedPitchCellText(QStringLiteral("1")), 200, 100, 97, 6);
        Eve2TextOut(c, QStringLiteral("1 1"), 200, 200, 300, 6);
    }
    const QRect last = page.ink(QRect(0, 90, 600, 40));
    EXPECT_GE(last.left(), 200 + 10 * 8) << "the eleventh cell";
    EXPECT_LE(last.right(), 200 + 11 * 8 + 2);
    const QRect first = page.ink(QRect(0, 190, 300, 40));
    const QRect second = page.ink(QRect(300, 190, 300, 40));
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    EXPECT_EQ(second.left() - first.left(), 200) << "two advances of 100";
}

TEST(PainterCanvas, LinesUseThePainterPen)
{
    Page page;
    {
        QPainter p(&page.image);
        PainterCanvas c(&p);
        c.moveTo(20, 50);
        c.lineTo(500, 50);
    }
    EXPECT_EQ(page.ink(), QRect(20, 50, 481, 1));
}

// Measures are kept per font for the copies of a job: a font switched back
// and forth still gets its own widths and inks, as a fresh measure gives.
TEST(PainterCanvas, KeptMeasuresFollowTheFont)
{
    registerPrinterFontsForTest();
    Page page;
    QPainter p(&page.image);
    PainterCanvas c(&p, 160);
    const QString text = QStringLiteral("甘露商店 1,800");
    struct Row
    {
        const char *name;
        int size;
        int style;
    };
    const Row rows[] = {
        {"8 pt", 8, StyleRegular}, {"20 pt", 20, StyleRegular}, {"20 pt bold", 20, StyleBold},
        {"8 pt again", 8, StyleRegular}, {"20 pt again", 20, StyleRegular},
    };
    for (int pass = 0; pass < 2; ++pass) {
        for (const Row &r : rows) {
            c.setFontName(TahomaFont);
            c.setFontSize(r.size);
            c.setFontStyle(r.style);
            const QFont f = canvasQFont(c.font(), 160);
            EXPECT_DOUBLE_EQ(c.textWidth(text), QFontMetricsF(f, &page.image).horizontalAdvance(text))
                << r.name << " pass " << pass;
            EXPECT_EQ(c.glyphInk(QStringLiteral("甘")),
                      canvasGlyphInk(c.font(), 160, QStringLiteral("甘")))
                << r.name << " pass " << pass;
        }
    }
    c.setFontSize(8);
    const qreal small = c.textWidth(text);
    c.setFontSize(20);
    EXPECT_GT(c.textWidth(text), 2 * small);
}

// Text goes out as glyphs shaped once per job: on the page it must look
// exactly as each character drawn by the painter's own text drawing, font
// fallback, underline, strike-out and condensing included.
TEST(PainterCanvas, ShapedGlyphsDrawAsThePaintersText)
{
    registerPrinterFontsForTest();
    struct Row
    {
        const char *name;
        QString font;
        int size;
        int style;
        int stretch;
        QString text;
    };
    const Row rows[] = {
        {"mincho", QStringLiteral("ＭＳ 明朝"), 11, StyleRegular, 100, QStringLiteral("納品書　兼　請求書")},
        {"latin and digits", TahomaFont, 9, StyleRegular, 100, QStringLiteral("TEL 03-0000-0000")},
        {"bold", GothicFont, 9, StyleBold, 100, QStringLiteral("合計 ¥526,229")},
        {"underlined", GothicFont, 8, StyleUnderline, 100, QStringLiteral("備考 お買い上げ")},
        {"struck out", GothicFont, 8, StyleStrikeOut, 100, QStringLiteral("取消 1,800")},
        {"condensed", GothicFont, 9, StyleRegular, 70, QStringLiteral("株式会社 見本商事")},
        {"condensed and underlined", GothicFont, 9, StyleUnderline, 80, QStringLiteral("ab 甘露")},
        {"fallback faces", TahomaFont, 9, StyleRegular, 100, QStringLiteral("A①甘㈱Ω")},
        {"surrogate pair", GothicFont, 9, StyleRegular, 100, QStringLiteral("𠮷野家 𩸽")},
    };
    CanvasTextCache shared;
    for (const Row &r : rows) {
        CanvasFont font;
        font.name = r.font;
        font.size = r.size;
        font.style = r.style;
        font.stretch = r.stretch;
        const QFont qf = canvasQFont(font, 160);
        std::vector<int> advances;
        for (qsizetype i = 0; i < r.text.size(); ++i)
            advances.push_back(i % 3 == 0 ? 31 : 23);

        // What the painter draws: the plain text at once, the spaced text
        // character by character (a surrogate pair as one) at its pen position.
        Page expected;
        {
            QPainter p(&expected.image);
            p.setFont(qf);
            p.setPen(Qt::black);
            const int ascent = QFontMetrics(qf, &expected.image).ascent();
            auto draw = [&](QPointF at, const QString &s) {
                p.save();
                p.translate(at);
                p.scale(r.stretch / 100.0, 1.0);
                p.drawText(QPointF(0, 0), s);
                p.restore();
            };
            draw(QPointF(20, 20 + ascent), r.text);
            int x = 20;
            for (qsizetype i = 0; i < r.text.size(); ++i) {
                const qsizetype units = r.text.at(i).isHighSurrogate() ? 2 : 1;
                const QString glyph = r.text.mid(i, units);
                if (glyph != QLatin1String(" "))
                    draw(QPointF(x, 150 + ascent), glyph);
                for (qsizetype k = 0; k < units; ++k)
                    x += advances[static_cast<size_t>(i + k)];
                i += units - 1;
            }
        }
        // The canvas, twice: its own measures, and a cache shared with the
        // rows before (and drawn from it the second time).
        for (int pass = 0; pass < 3; ++pass) {
            Page page;
            {
                QPainter p(&page.image);
                PainterCanvas c(&p, 160, pass == 0 ? nullptr : &shared);
                c.setFont(font);
                c.textOut(20, 20, r.text);
                c.extTextOut(20, 150, 0, r.text, advances);
            }
            ASSERT_FALSE(page.ink().isEmpty()) << r.name;
            int differing = 0;
            for (int y = 0; y < page.image.height(); ++y)
                for (int x = 0; x < page.image.width(); ++x)
                    differing += page.image.pixel(x, y) != expected.image.pixel(x, y);
            EXPECT_EQ(differing, 0) << r.name << " pass " << pass;
        }
    }
}
