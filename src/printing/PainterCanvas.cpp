#include "printing/PainterCanvas.h"

#include <QPaintDevice>
#include <QFontMetricsF>
#include <QPainter>

namespace printing {

int fontPixelHeight(int points, int dpiY)
{
    const long long num = static_cast<long long>(points) * dpiY;
    return static_cast<int>((num * 2 + (num >= 0 ? 72 : -72)) / 144);
}

PainterCanvas::PainterCanvas(QPainter *painter, int dpiY)
    : m_painter(painter), m_dpiY(dpiY > 0 ? dpiY : painter->device()->logicalDpiY())
{
}

QFont canvasQFont(const CanvasFont &font, int dpiY)
{
    QFont f(font.name);
    f.setPixelSize(std::max(1, fontPixelHeight(font.size, dpiY)));
    f.setBold(font.style & StyleBold);
    f.setItalic(font.style & StyleItalic);
    f.setUnderline(font.style & StyleUnderline);
    f.setStrikeOut(font.style & StyleStrikeOut);
    f.setKerning(false);
    return f;
}

QRectF canvasGlyphInk(const CanvasFont &font, int dpiY, const QString &glyph)
{
    constexpr int Magnify = 64;
    QFont big = canvasQFont(font, dpiY);
    big.setPixelSize(big.pixelSize() * Magnify);
    const QRectF r = QFontMetricsF(big).tightBoundingRect(glyph);
    return QRectF(r.left() / Magnify, r.top() / Magnify, r.width() / Magnify,
                  r.height() / Magnify);
}

TextMeasure fontMetricsMeasure(int dpiY)
{
    return {[dpiY](const CanvasFont &font, const QString &text) {
                return QFontMetricsF(canvasQFont(font, dpiY)).horizontalAdvance(text);
            },
            [dpiY](const CanvasFont &font, const QString &glyph) {
                return canvasGlyphInk(font, dpiY, glyph);
            }};
}

QFont PainterCanvas::qfont()
{
    if (!m_qfont || !(m_cachedFor == font())) {
        m_cachedFor = font();
        const QFont f = canvasQFont(font(), m_dpiY);
        m_qfont = f;
        m_ascent = QFontMetrics(f, m_painter->device()).ascent();
    }
    return *m_qfont;
}

QString PainterCanvas::measureKey(const QString &text) const
{
    const CanvasFont &f = font();
    return f.name + QChar(0x1f) + QString::number(f.size) + QChar(0x1f) +
           QString::number(f.style) + QChar(0x1f) + text;
}

qreal PainterCanvas::textWidth(const QString &text)
{
    const QString key = measureKey(text);
    if (const auto it = m_widths.constFind(key); it != m_widths.constEnd())
        return *it;
    const qreal width = QFontMetricsF(qfont(), m_painter->device()).horizontalAdvance(text);
    m_widths.insert(key, width);
    return width;
}

QRectF PainterCanvas::glyphInk(const QString &glyph)
{
    const QString key = measureKey(glyph);
    if (const auto it = m_inks.constFind(key); it != m_inks.constEnd())
        return *it;
    const QRectF ink = canvasGlyphInk(font(), m_dpiY, glyph);
    m_inks.insert(key, ink);
    return ink;
}

// Draws text with its left end of the baseline at `at`, condensed to the
// canvas font's stretch.
static void drawStretched(QPainter *p, QPointF at, const QString &text, int stretch)
{
    if (stretch == 100) {
        p->drawText(at, text);
        return;
    }
    p->save();
    p->translate(at);
    p->scale(stretch / 100.0, 1.0);
    p->drawText(QPointF(0, 0), text);
    p->restore();
}

void PainterCanvas::prepareText()
{
    m_painter->save();
    m_painter->setFont(qfont());
    m_painter->setPen(font().color);
    m_painter->setBackground(brushColor());
    m_painter->setBackgroundMode(Qt::OpaqueMode);
}

void PainterCanvas::finishText()
{
    m_painter->restore();
}

void PainterCanvas::drawText(QPoint topLeft, const QString &text)
{
    if (text.isEmpty())
        return;
    prepareText();
    // Plain text needs no background on the white page; painted, it would
    // cut the descenders of the line above.
    m_painter->setBackgroundMode(Qt::TransparentMode);
    drawStretched(m_painter, QPoint(topLeft.x(), topLeft.y() + m_ascent), text, font().stretch);
    finishText();
}

void PainterCanvas::drawSpacedText(QPoint topLeft, int options, const QString &text,
                                   const std::vector<int> &advances)
{
    if (text.isEmpty())
        return;
    prepareText();
    // Like the device's extended text output: the whole run's background
    // first, then the glyphs, so a glyph wider than its advance is not
    // cut by the next character's background.
    int total = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        total += static_cast<size_t>(i) < advances.size() ? advances[i] : 0;
    const QFontMetrics metrics(m_painter->font(), m_painter->device());
    if (options & TextOpaque)
        m_painter->fillRect(QRect(topLeft.x(), topLeft.y(), total, metrics.height()), brushColor());
    m_painter->setBackgroundMode(Qt::TransparentMode);
    const int baseline = topLeft.y() + m_ascent;
    int x = topLeft.x();
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A surrogate pair is one glyph; both units' advances are spent on it.
        const qsizetype units = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString glyph = text.mid(i, units);
        if (glyph != QLatin1String(" "))
            drawStretched(m_painter, QPoint(x, baseline), glyph, font().stretch);
        for (qsizetype k = 0; k < units; ++k)
            x += static_cast<size_t>(i + k) < advances.size() ? advances[i + k] : 0;
        i += units - 1;
    }
    finishText();
}

void PainterCanvas::drawLine(QPoint from, QPoint to)
{
    m_painter->drawLine(from, to);
}

} // namespace printing
