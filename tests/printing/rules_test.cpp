#include "printing/Conversion.h"
#include "printing/LayoutRules.h"
#include "printing/RecordingCanvas.h"

#include <gtest/gtest.h>

using namespace printing;

TEST(LayoutRules, ScaleFactorHasFourDecimalsTiesToEven)
{
    struct Row
    {
        const char *name;
        int dpi;
        qint64 factor;
    };
    const Row rows[] = {
        {"160 dpi is one", 160, 10000},
        {"180 dpi", 180, 11250},
        {"203 dpi rounds 1.26875 to even", 203, 12688},
        {"300 dpi", 300, 18750},
        {"360 dpi", 360, 22500},
        {"600 dpi", 600, 37500},
        {"72 dpi", 72, 4500},
        {"1 dpi rounds 0.00625 to even", 1, 62},
    };
    for (const Row &r : rows)
        EXPECT_EQ(scaleFactor(r.dpi).raw(), r.factor) << r.name;
}

TEST(LayoutRules, ConversionRoundsEachProductHalfAwayFromZero)
{
    Geometry g;
    g.sx = scaleFactor(203);
    g.sy = scaleFactor(203);
    g.top = 7;
    g.left = -5;
    EXPECT_EQ(g.h(48), 61) << "row step round(60.9024)";
    EXPECT_EQ(g.y(260), 330 + 7) << "first row round(329.888) + top";
    EXPECT_EQ(g.x(20), 25 - 5) << "round(25.376) + left";
    EXPECT_EQ(g.w(97), 123) << "round(123.0736), no offset";
    EXPECT_EQ(roundHalfAway(2.5L), 3);
    EXPECT_EQ(roundHalfAway(-2.5L), -3);
    EXPECT_EQ(roundHalfAway(-2.4L), -2);
    Geometry half;
    half.sx = FixedDecimal::fromRaw(5000);
    EXPECT_EQ(half.w(7), 4) << "3.5 rounds up";
    EXPECT_EQ(half.w(-7), -4) << "-3.5 rounds away from zero";
}

// Captions near the ends of int used to overflow "position + offset"; they
// are bounded so that every position stays far off the paper but defined.
TEST(LayoutRules, ExtremeCaptionsAreBounded)
{
    struct Row
    {
        const char *name;
        const char *dpi, *top, *left;
        qint64 sx;
        int wantTop, wantLeft;
    };
    const Row rows[] = {
        {"ordinary captions pass unchanged", "600", "-12", "7", 37500, -12, 7},
        {"the bounds themselves pass", "65536", "16777216", "-16777216", 4096000, 16777216,
         -16777216},
        {"largest int offsets", "203", "2147483647", "-2147483648", 12688, MaxOffset, -MaxOffset},
        {"largest int resolution", "2147483647", "", "", 4096000, 0, 0},
        {"negative resolution keeps its sign", "-2147483648", "0", "0", -4096000, 0, 0},
    };
    for (const Row &r : rows) {
        PrintNote note;
        note.dpiX = QString::fromLatin1(r.dpi);
        note.dpiY = QString::fromLatin1(r.dpi);
        note.top = QString::fromLatin1(r.top);
        note.left = QString::fromLatin1(r.left);
        const Geometry g = Geometry::fromNote(note);
        EXPECT_EQ(g.sx.raw(), r.sx) << r.name;
        EXPECT_EQ(g.sy.raw(), r.sx) << r.name;
        EXPECT_EQ(g.top, r.wantTop) << r.name;
        EXPECT_EQ(g.left, r.wantLeft) << r.name;
        // The farthest positions a layout reaches are defined ints.
        EXPECT_EQ(g.y(1400), static_cast<int>(roundHalfAway(g.sy.toLongDouble() * 1400)) + g.top)
            << r.name;
        // A whole note draws without overflow (the sanitizers watch).
        note.rows[0].qty = QStringLiteral("1");
        RecordingCanvas rec;
        drawNote(LayoutTable{}, note, rec);
        EXPECT_FALSE(rec.texts().isEmpty()) << r.name;
    }
}

TEST(LayoutRules, AmountText)
{
    struct Row
    {
        const char *name;
        QString text;
        QString amount;
    };
    const Row rows[] = {
        {"groups of three", "1234567", "1,234,567"},
        {"small", "5", "5"},
        {"exactly three digits", "999", "999"},
        {"negative", "-123456789", "-123,456,789"},
        {"empty is zero", "", "0"},
        {"minus alone is zero", "-", "0"},
        {"not a number is zero", "abc", "0"},
        {"decimals round half away", "1234.5", "1,235"},
        {"negative decimals round half away", "-0.5", "-1"},
        {"small negative rounds to plain zero", "-0.4", "0"},
        {"carry across groups", "999999.5", "1,000,000"},
        {"leading zeros dropped", "000120", "120"},
        {"separators are not a number", "1,234", "0"},
        {"largest value rounds up", "922337203685477.5807", "922,337,203,685,478"},
        {"most negative value", "-922337203685477.5808", "-922,337,203,685,478"},
        {"beyond the range is not a number", "123456789012345678", "0"},
        {"blanks around are ignored", " 42 ", "42"},
        {"two points is not a number", "1.2.3", "0"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(amountText(r.text), r.amount) << r.name;
}

TEST(LayoutRules, ZeroQuantitySkipsTheRow)
{
    struct Row
    {
        const char *name;
        QString text;
        bool zero;
    };
    const Row rows[] = {
        {"zero", "0", true},
        {"empty", "", true},
        {"non-number", "x", true},
        {"zero decimals", "0.00", true},
        {"one", "1", false},
        {"negative", "-2", false},
        {"small fraction is not zero", "0.3", false},
    };
    for (const Row &r : rows)
        EXPECT_EQ(isZeroQuantity(r.text), r.zero) << r.name;
}

TEST(LayoutRules, FixedPitchCellKeepsWholeAmounts)
{
    struct Row
    {
        const char *name;
        QString amount;
        QString cell;
        int advance;
    };
    // A 97-unit cell at 160 dpi is 97 pixels wide.
    const Row rows[] = {
        {"quantity 1,000", "1,000", "      1,000", 8},
        {"price 12,345", "12,345", "     12,345", 8},
        {"eleven characters fill the cell", "123,456,789", "123,456,789", 8},
        {"negative nine digits keep the minus", "-123,456,789", "-123,456,789", 97 / 12},
        {"very long amount", "-12,345,678,901", "-12,345,678,901", 97 / 15},
    };
    for (const Row &r : rows) {
        const QString cell = fixedPitchCellText(r.amount);
        EXPECT_EQ(cell, r.cell) << r.name;
        const std::vector<int> adv = evenAdvances(cell, 97);
        EXPECT_EQ(adv.size(), static_cast<size_t>(cell.size())) << r.name;
        EXPECT_EQ(adv.front(), r.advance) << r.name;
    }
}

TEST(LayoutRules, Eve2TextOutSharesTheWidthEqually)
{
    RecordingCanvas c;
    Eve2TextOut(c, QStringLiteral("消費税 8%"), 10, 20, 97, TextOpaque | TextClipped);
    Eve2TextOut(c, QString(), 10, 20, 97, 6);
    ASSERT_EQ(c.ops().size(), 1) << "empty text draws nothing";
    const CanvasOp &op = c.ops().front();
    EXPECT_EQ(op.at, QPoint(10, 20));
    EXPECT_EQ(op.options, 6);
    EXPECT_EQ(op.advances, std::vector<int>(6, 16)) << "97 / 6 truncated";
}

TEST(Conversion, CaptionToInt)
{
    struct Row
    {
        const char *name;
        QString text;
        bool ok;
        int value;
    };
    const Row rows[] = {
        {"decimal", "203", true, 203},
        {"negative", "-5", true, -5},
        {"plus sign", "+15", true, 15},
        {"leading blanks", "  20", true, 20},
        {"hex with dollar", "$1F", true, 31},
        {"hex with 0x", "0x10", true, 16},
        {"int max", "2147483647", true, 2147483647},
        {"int min", "-2147483648", true, -2147483647 - 1},
        {"decimals fail", "1.5", false, 0},
        {"trailing blank fails", "20 ", false, 0},
        {"empty fails", "", false, 0},
        {"sign alone fails", "-", false, 0},
        {"overflow fails", "2147483648", false, 0},
        {"full-width digits fail", "２０", false, 0},
    };
    for (const Row &r : rows) {
        if (r.ok) {
            EXPECT_EQ(captionToInt(r.text), r.value) << r.name;
        } else {
            try {
                captionToInt(r.text);
                ADD_FAILURE() << r.name << ": no error";
            } catch (const ConversionError &e) {
                EXPECT_EQ(QString::fromUtf8(e.what()),
                          QStringLiteral("'%1' is not a valid integer value").arg(r.text))
                    << r.name;
            }
        }
    }
    EXPECT_EQ(captionToIntOrZero(QString()), 0);
    EXPECT_THROW(captionToIntOrZero(QStringLiteral("1.5")), ConversionError);
}

TEST(LayoutRules, DateAndGroupingAreJapaneseWhateverTheDesktopLocale)
{
    const QLocale saved;
    for (const QLocale &desktop : {QLocale(QLocale::Japanese, QLocale::Japan), QLocale::c(),
                                   QLocale(QLocale::English, QLocale::UnitedStates),
                                   QLocale(QLocale::German, QLocale::Germany)}) {
        QLocale::setDefault(desktop);
        EXPECT_EQ(shortDateText(QDate(2026, 12, 9)), QStringLiteral("2026/12/09"))
            << desktop.name().toStdString();
        EXPECT_EQ(amountText(QStringLiteral("1234567")), QStringLiteral("1,234,567"))
            << desktop.name().toStdString();
    }
    QLocale::setDefault(saved);
}
