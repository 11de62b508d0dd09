#pragma once

#include "note/FixedDecimal.h"
#include "note/PrintNote.h"
#include "printing/Canvas.h"

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

// Draws an amount right-aligned in a fixed-pitch cell `width` pixels wide:
// eleven characters of width / 11 pixels, as Eve2TextOut sets them, while
// every character keeps that pitch (an amount of up to eleven characters,
// or one whose own share width / length is still the cell's pitch: twelve
// characters in 97 pixels). A longer amount is condensed as a whole, with
// its own glyph widths, to the cell's width and ends where the eleven-
// character amounts end, x + 11 x (width / 11). At 600 dpi a 15-digit
// amount (19 characters, 618 pixels in Tahoma 8) stands in 364 pixels at
// stretch 58 instead of 19 pixels per 36-pixel digit.
void amountCellOut(Canvas &canvas, const QString &amount, int x, int y, int width);

// Draws a total caption in its cell of `width` pixels: spread evenly (one
// cell of width / n per character, as Eve2TextOut sets it) while no glyph
// is wider than its share; otherwise with the glyphs' own widths and the
// spare room spread after them, or condensed (and at LegibleStretch cut)
// when the caption is wider than the cell. At 160 dpi "消費税 10%" would get
// 13 pixels per 18-pixel character; it is set in its own widths (96.8 of 97
// pixels) instead.
void captionCellOut(Canvas &canvas, const QString &caption, int x, int y, int width);

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

    // Where each text of variable length must end (layout x), so that it
    // stays clear of the next thing drawn on its line. NeighbourGap is kept
    // free before that neighbour. Layout 1 / 2 / 3:
    // - customer name (from x 20): the end of the rule under it, 500 / 500 / 601;
    // - note title (x 30, beside shop line 4): the same rule end;
    // - shop lines and remarks: the rule end, 820 / 820 / 1250;
    // - slip number (x 110): the caption "発行日 ", 645 / 645 / 1055;
    // - caption "発行日 ": the date, 710 / 710 / 1110;
    // - item name 1 (upper line, x 30): the unit, 570 / 570 / 791;
    // - item name 2 (lower line, x 30): the quantity's cell or column,
    //   465 / 520 / 665;
    // - unit (upper line): the rule end;
    // - receipt sentence (x 30, on the total's line): the total captions,
    //   591 / 520 / 991;
    // layout 2's plain numbers: quantity to the price column 610, price to
    // the amount column 714, amount and the money texts to the rule end 820;
    // its caption "小計" and the tax caption to the money text at 708.
    int customerNameEnd() const { return nameRuleEnd; }
    int titleEnd() const { return nameRuleEnd; }
    int shopLineEnd() const { return ruleEnd; }
    int slipNoEnd() const { return dateCaptionX - NeighbourGap; }
    int dateCaptionEnd() const { return dateX - NeighbourGap; }
    int itemName1End() const { return unitX - NeighbourGap; }
    int itemName2End() const { return qtyX - NeighbourGap; }
    int unitEnd() const { return ruleEnd; }
    int receiptEnd() const { return captionX - NeighbourGap; }
    int remarkEnd() const { return ruleEnd; }
    int plainQtyEnd() const { return priceX - NeighbourGap; }
    int plainPriceEnd() const { return amountX - NeighbourGap; }
    int plainAmountEnd() const { return ruleEnd; }
    // Layout 2's money texts start 6 units (converted with sy) left of the
    // amount column; its captions end a gap before that, at 708.
    int plainCaptionEnd() const { return amountX - MoneyShift - NeighbourGap; }

    // Ten layout units, the width of a digit in Tahoma 8 (0.546 em of 17.8
    // units = 9.7): wider than a blank or a thousands separator, so that a
    // number and the text before it read as two.
    static constexpr int NeighbourGap = 10;
    // Layout 2's currency sign stands 6 units left of the amount column.
    static constexpr int MoneyShift = 6;
};

// Layout x of the texts the tables do not vary.
inline constexpr int CustomerNameX = 20;
inline constexpr int TextX = 30; // title, captions, item names, receipt sentence
inline constexpr int SlipNoX = 110;
inline constexpr int RemarkX = 76;

// The qualified invoice's additions, in layout units. They are drawn only
// for a note that uses them; a note without a registration number and
// without a reduced row prints item for item as before.
namespace invoice {
// "登録番号 T1234567890123" under the shop lines, at the shop lines' x: line
// 5 stands at y 110 and the rule under the shop block at 130; 8 points are
// 17.8 units, so a line at 140 ends at 158, clear of the slip number at 170.
inline constexpr int RegistrationY = 140;
inline constexpr int FontSize = 8;
// The per-rate lines ("10%対象 ¥5,400 消費税 ¥540") stand on the subtotal
// and tax lines, left of the total captions, from the receipt sentence's x
// (which uses only the total line). They may run to RightGap units before
// the captions: 551 units in layout 1, 480 in layout 2, 951 in layout 3; a
// nine-digit line at 8 points takes about 375.
inline constexpr int TotalsX = 30;
inline constexpr int RightGap = 20;
// The legend "※は軽減税率対象" stands at TotalsX in the blank gap under the
// total line, one 27-unit step down: 8 points end 44.8 units below the
// total line, 9 units above the rule that closes the gap at 54.
inline constexpr int LegendStep = 27;

inline const QString RegistrationCaption = QStringLiteral("登録番号 ");
inline const QString ReducedMark = QStringLiteral("※");
inline const QString Legend = QStringLiteral("※は軽減税率対象");

// The width a per-rate line may take in a layout (layout units).
int rateLineWidth(const LayoutTable &table);
// "10%対象 ¥5,400 消費税 ¥540": the rate, its subtotal and its tax; on a
// tax-inclusive note "10%対象 ¥5,500（うち消費税 ¥500）".
QString rateLine(const PrintTaxRate &rate, bool taxIncluded = false);
// The captions of the subtotal and tax lines of a tax-inclusive note.
inline const QString IncludedSubtotalCaption = QStringLiteral("お買上額（税込）");
inline const QString IncludedTaxCaption = QStringLiteral("うち消費税");
// Whether a printed row (quantity not 0) is reduced: the legend and the
// per-rate lines print then.
bool hasReducedRow(const PrintNote &note);
// The first item-name line of a row as printed: "※" in front when reduced.
QString firstItemLine(const PrintRow &row);

// Draws the registration number when the note has one.
void drawRegistration(Canvas &canvas, const Geometry &g, const LayoutTable &table,
                      const PrintNote &note);
// Draws the per-rate lines on the subtotal and tax lines (device y) and the
// legend below the total line, when a printed row is reduced; a
// tax-inclusive note prints the line of each rate in use always (it names
// the rate its tax was taken at), the legend as before. The running
// font is left as it was.
void drawRateLines(Canvas &canvas, const Geometry &g, const LayoutTable &table,
                   const PrintNote &note, int subtotalY, int taxY, int totalY);
} // namespace invoice

// Draws one copy of the note with a layout's table on the surface's canvas,
// then feeds the page when the note asks for it. Throws ConversionError
// before drawing anything when a resolution or offset caption is not an
// integer.
void drawNote(const LayoutTable &table, const PrintNote &note, PrintSurface &surface);

} // namespace printing
