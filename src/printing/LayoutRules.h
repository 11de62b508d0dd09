#pragma once

#include "platform/FixedDecimal.h"
#include "printing/Canvas.h"
#include "printing/PrintNote.h"

#include <QDate>
#include <QString>
#include <cstdint>
#include <vector>

namespace printing {

// Layout positions are given in layout units of 1/160 inch.
inline constexpr int LayoutUnitsPerInch = 160;

// Rounds half away from zero: 60.5 -> 61, -60.5 -> -61.
long long roundHalfAway(long double v);

// The scale factor dpi / 160 with four decimals, rounded to the nearest
// ten-thousandth with ties to even: 180 dpi -> 1.1250, 203 dpi -> 1.2688.
FixedDecimal scaleFactor(int dpi);

// Bounds of the captions a copy is drawn with: far beyond any printer and
// any paper, and small enough that no position overflows.
inline constexpr int MaxResolution = 1 << 16; // dpi
inline constexpr int MaxOffset = 1 << 24;     // printer pixels

// Converts layout units to device pixels for one copy. Offsets are printer
// pixels added after scaling. At 203 dpi: y(260) = round(329.888) + top = 330
// + top, and a row step h(48) = round(60.9024) = 61.
struct Geometry
{
    FixedDecimal sx = FixedDecimal::fromRaw(FixedDecimal::kScale);
    FixedDecimal sy = FixedDecimal::fromRaw(FixedDecimal::kScale);
    int left = 0;
    int top = 0;

    int x(int ux) const { return w(ux) + left; }
    int y(int uy) const { return h(uy) + top; }
    int w(int d) const;
    int h(int d) const;

    // From the captions of the resolution and offset labels; a caption that
    // is not an integer throws ConversionError, an empty offset counts as 0.
    // Resolutions are bounded to +-MaxResolution dpi and offsets to
    // +-MaxOffset pixels (a caption of 2147483647 draws as 16777216).
    static Geometry fromNote(const PrintNote &note);
};

// Whether a quantity text counts as 0 (empty and non-numbers too): such a
// row is not printed.
bool isZeroQuantity(const QString &fieldText);

// The amount text of a field: its value rounded half away from zero to a
// whole number, thousands separators, minus sign in front, no blanks around
// it. 1234567 -> "1,234,567"; a text that is not a number prints as 0.
QString amountText(const QString &fieldText);
QString amountText(FixedDecimal value);

// The eleven characters of a fixed-pitch amount cell: the amount
// right-aligned with blanks. A longer amount is kept whole (it then shares
// the cell's width equally among its own characters).
QString fixedPitchCellText(const QString &amount);

inline constexpr int FixedPitchCellChars = 11;

// Advances that give every UTF-16 unit of `text` width / length pixels.
std::vector<int> evenAdvances(const QString &text, int width);

// Draws `text` spread evenly over `width` pixels from (x, y).
void Eve2TextOut(Canvas &canvas, const QString &text, int x, int y, int width, int options);

// The issue date as the short date format shows it (2026/12/09).
QString shortDateText(const QDate &date);

// Font names the layouts use.
inline const QString GothicFont = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString VerdanaFont = QStringLiteral("Verdana");
inline const QString TahomaFont = QStringLiteral("Tahoma");

// Everything in which the three layouts differ (layout units, points).
struct LayoutTable
{
    int nameRuleEnd = 500;
    int shopX = 530;
    int shopRuleFrom = 520;
    int ruleEnd = 820;
    int dateCaptionX = 655;
    int dateX = 720;
    int qtyHeadX = 540;
    int priceHeadX = 660;
    int amountHeadX = 726;
    int itemSize = 8;
    int unitX = 580;
    int unitSize = 6;
    int numberSize = 8;
    // Fixed-pitch cells (layouts 1 and 3) or plain left-aligned numbers (layout 2).
    bool fixedPitch = true;
    int qtyX = 475;
    int priceX = 595;
    int amountX = 715;
    int amountCellW = 97;
    int captionX = 601;
    int captionCellW = 97;
    bool bottomRule = true;
};

// Draws one copy of the note with a layout's table on the surface's canvas,
// then feeds the page when the note asks for it. Throws ConversionError
// before drawing anything when a resolution or offset caption is not an
// integer.
void drawNote(const LayoutTable &table, const PrintNote &note, PrintSurface &surface);

} // namespace printing
