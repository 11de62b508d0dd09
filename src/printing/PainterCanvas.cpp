#include "printing/PainterCanvas.h"

#include <QPaintDevice>
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

QFont PainterCanvas::qfont()
{
    if (!m_qfont || !(m_cachedFor == font())) {
        m_cachedFor = font();
        QFont f(font().name);
        f.setPixelSize(std::max(1, fontPixelHeight(font().size, m_dpiY)));
        f.setBold(font().style & StyleBold);
        f.setItalic(font().style & StyleItalic);
        f.setUnderline(font().style & StyleUnderline);
        f.setStrikeOut(font().style & StyleStrikeOut);
        f.setKerning(false);
        m_qfont = f;
        m_ascent = QFontMetrics(f, m_painter->device()).ascent();
    }
    return *m_qfont;
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
    m_painter->drawText(QPoint(topLeft.x(), topLeft.y() + m_ascent), text);
    finishText();
}

void PainterCanvas::drawSpacedText(QPoint topLeft, int /*options*/, const QString &text,
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
    m_painter->fillRect(QRect(topLeft.x(), topLeft.y(), total, metrics.height()), brushColor());
    m_painter->setBackgroundMode(Qt::TransparentMode);
    const int baseline = topLeft.y() + m_ascent;
    int x = topLeft.x();
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A surrogate pair is one glyph; both units' advances are spent on it.
        const qsizetype units = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString glyph = text.mid(i, units);
        if (glyph != QLatin1String(" "))
            m_painter->drawText(QPoint(x, baseline), glyph);
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
