#pragma once

#include "printing/Canvas.h"

#include <QString>
#include <vector>

namespace printing {

// How far a text may be condensed horizontally, in percent of its natural
// width. Below three fifths the strokes of the 6 to 11 point fonts crowd
// into each other and a text stops being read at a glance.
inline constexpr int NaturalStretch = 100;
inline constexpr int LegibleStretch = 60;
// Amounts are never cut (a cut number is a wrong number), so they may go
// further: the longest amount a note holds, "-922,337,203,685,477" (20
// characters, 175.5 pixels in Tahoma 8 at 160 dpi), needs 50 % to fit an
// amount cell of 97 units; Tahoma's digits (0.546 em) are wide enough to
// stay distinct at half width.
inline constexpr int AmountStretchFloor = 50;

// A text as it is drawn into the room its layout gives it: the characters
// that are drawn and the stretch they are drawn with.
struct FittedText
{
    QString text;
    int stretch = NaturalStretch;

    bool operator==(const FittedText &) const = default;
};

// The width that decides whether a text fits: its natural width in the
// canvas's current font, without trailing blanks (they draw nothing).
qreal visibleWidth(Canvas &canvas, const QString &text);

// Fits `text` followed by `keep` into `width` pixels in the canvas's current
// font: unchanged when it fits; otherwise condensed (stretch below 100) just
// enough, down to LegibleStretch; a text that does not fit even then is cut
// after its last whole character that still fits at LegibleStretch, and
// `keep` (for instance " 様" after a name) stays whole. A canvas without font
// metrics fits everything unchanged.
FittedText fitText(Canvas &canvas, const QString &text, int width, const QString &keep = {});

// Draws `text` (and `keep`) fitted into `width` pixels from its top-left
// point; the canvas's stretch is left as it was.
void fitTextOut(Canvas &canvas, int x, int y, int width, const QString &text,
                const QString &keep = {});

// The stretch that fits an amount into `width` pixels: 100 when it fits,
// else just enough, not below AmountStretchFloor. Amounts are never cut.
int amountStretch(Canvas &canvas, const QString &amount, int width);

// Draws an amount as plain text from its top-left point, condensed as a
// whole when it is wider than `width` (layout 2's numbers and totals).
void fitAmountOut(Canvas &canvas, int x, int y, int width, const QString &amount);

// Advances for drawing `text` with its own glyph widths scaled by
// stretch / 100 and `extra` pixels spread evenly after the characters,
// rounded so that their sum is the rounded total: the k-th advance is
// round(P(k + 1)) - round(P(k)) with P(k) the scaled width of the first k
// units plus k x extra / n.
std::vector<int> naturalAdvances(Canvas &canvas, const QString &text, int stretch, qreal extra = 0);

// Chinese and Japanese characters and the full-width forms.
bool isCjkGlyph(const QString &glyph);

// Whether two glyph ink boxes collide: they overlap horizontally by more
// than a tenth of the narrower one's width when either is a CJK glyph (their
// strokes fill the box), by more than a quarter otherwise. The vertical
// overlap is the caller's matter (glyphs on one line share their height).
bool inkCollides(const QRectF &a, bool aCjk, const QRectF &b, bool bCjk);

// Whether two neighbouring glyphs of `text` collide when it is drawn with
// `advances` and `stretch` in the canvas's current font. Blanks have no ink
// and are skipped.
bool spacedGlyphsCollide(Canvas &canvas, const QString &text, const std::vector<int> &advances,
                         int stretch);

// The largest stretch from 100 down to `floor` at which `text` drawn with
// `advances` has no colliding neighbours; `floor` when none has.
int collisionFreeStretch(Canvas &canvas, const QString &text, const std::vector<int> &advances,
                         int floor);

} // namespace printing
