#include "printing/TextFit.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>

namespace printing {

namespace {

bool isBlank(QChar ch)
{
    return ch == QLatin1Char(' ') || ch == QChar(0x3000);
}

// The stretch in whole percent that brings `natural` pixels within `width`;
// 0 when there is no room (width 0 or below) or the width measured is not a
// number, so that the result is always in [0, 100].
int stretchFor(qreal natural, int width)
{
    if (natural <= width)
        return NaturalStretch;
    const double percent = 100.0 * width / natural;
    if (!(percent > 0))
        return 0;
    return static_cast<int>(std::floor(std::min(percent, double(NaturalStretch))));
}

// Positions after each whole character (grapheme cluster) of `text`.
std::vector<qsizetype> characterEnds(const QString &text)
{
    std::vector<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype p = finder.toNextBoundary(); p > 0; p = finder.toNextBoundary())
        ends.push_back(p);
    return ends;
}

} // namespace

qreal visibleWidth(Canvas &canvas, const QString &text)
{
    qsizetype n = text.size();
    while (n > 0 && isBlank(text.at(n - 1)))
        --n;
    return n > 0 ? canvas.textWidth(text.left(n)) : 0;
}

FittedText fitText(Canvas &canvas, const QString &text, int width, const QString &keep)
{
    // A negative room (a layout at a negative resolution) is no room.
    width = std::max(width, 0);
    const QString whole = text + keep;
    const qreal natural = visibleWidth(canvas, whole);
    if (natural <= width)
        return {whole, NaturalStretch};
    const int stretch = stretchFor(natural, width);
    if (stretch >= LegibleStretch)
        return {whole, stretch};
    // Cut: the longest run of whole characters that fits at the floor.
    const qreal room = width * 100.0 / LegibleStretch;
    QString best = keep;
    for (qsizetype end : characterEnds(text)) {
        const QString candidate = text.left(end) + keep;
        if (visibleWidth(canvas, candidate) > room)
            break;
        best = candidate;
    }
    return {best, std::max(LegibleStretch, stretchFor(visibleWidth(canvas, best), width))};
}

void fitTextOut(Canvas &canvas, int x, int y, int width, const QString &text, const QString &keep)
{
    const FittedText fitted = fitText(canvas, text, width, keep);
    const int before = canvas.font().stretch;
    canvas.setFontStretch(fitted.stretch);
    canvas.textOut(x, y, fitted.text);
    canvas.setFontStretch(before);
}

int amountStretch(Canvas &canvas, const QString &amount, int width)
{
    return std::max(AmountStretchFloor, stretchFor(visibleWidth(canvas, amount), width));
}

void fitAmountOut(Canvas &canvas, int x, int y, int width, const QString &amount)
{
    const int before = canvas.font().stretch;
    canvas.setFontStretch(amountStretch(canvas, amount, width));
    canvas.textOut(x, y, amount);
    canvas.setFontStretch(before);
}

std::vector<int> naturalAdvances(Canvas &canvas, const QString &text, int stretch, qreal extra)
{
    const qsizetype n = text.size();
    std::vector<int> out;
    out.reserve(static_cast<size_t>(n));
    long long previous = 0;
    for (qsizetype k = 1; k <= n; ++k) {
        // A surrogate pair is measured as one glyph: its width falls on the
        // second unit, the first advances 0.
        const bool splitsPair = k < n && text.at(k - 1).isHighSurrogate();
        const qreal p = splitsPair ? 0 : canvas.textWidth(text.left(k)) * stretch / 100.0
                                             + extra * static_cast<qreal>(k) / static_cast<qreal>(n);
        const long long at = splitsPair ? previous : std::llround(p);
        out.push_back(static_cast<int>(at - previous));
        previous = at;
    }
    return out;
}

bool isCjkGlyph(const QString &glyph)
{
    const char32_t u = glyph.isEmpty() ? 0 : glyph.toUcs4().value(0);
    return (u >= 0x2E80 && u <= 0x9FFF)    // radicals, CJK symbols, kana, ideographs
           || (u >= 0xF900 && u <= 0xFAFF) // compatibility ideographs
           || (u >= 0xFF00 && u <= 0xFF60) // full-width forms
           || (u >= 0xFFE0 && u <= 0xFFE6) // full-width signs
           || (u >= 0x20000 && u <= 0x3FFFF);
}

bool inkCollides(const QRectF &a, bool aCjk, const QRectF &b, bool bCjk)
{
    const qreal overlap = std::min(a.right(), b.right()) - std::max(a.left(), b.left());
    const qreal narrower = std::min(a.width(), b.width());
    return overlap > (aCjk || bCjk ? 0.10 : 0.25) * narrower;
}

bool spacedGlyphsCollide(Canvas &canvas, const QString &text, const std::vector<int> &advances,
                         int stretch)
{
    const qreal scale = stretch / 100.0;
    QRectF previous;
    bool previousCjk = false;
    int x = 0;
    for (qsizetype k = 0; k < text.size(); ++k) {
        const qsizetype units = text.at(k).isHighSurrogate() && k + 1 < text.size() ? 2 : 1;
        const QString glyph = text.mid(k, units);
        const QRectF ink = canvas.glyphInk(glyph);
        if (!ink.isEmpty()) {
            const QRectF placed(x + ink.left() * scale, ink.top(), ink.width() * scale,
                                ink.height());
            const bool cjk = isCjkGlyph(glyph);
            if (!previous.isNull() && inkCollides(previous, previousCjk, placed, cjk))
                return true;
            previous = placed;
            previousCjk = cjk;
        }
        for (qsizetype u = 0; u < units; ++u)
            x += static_cast<size_t>(k + u) < advances.size() ? advances[k + u] : 0;
        k += units - 1;
    }
    return false;
}

int collisionFreeStretch(Canvas &canvas, const QString &text, const std::vector<int> &advances,
                         int floor)
{
    for (int stretch = NaturalStretch; stretch > floor; --stretch)
        if (!spacedGlyphsCollide(canvas, text, advances, stretch))
            return stretch;
    return floor;
}

} // namespace printing
