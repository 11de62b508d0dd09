#include "printing/PainterCanvas.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>

namespace printing {

int fontPixelHeight(int points, int dpiY)
{
    const long long num = static_cast<long long>(points) * dpiY;
    return static_cast<int>((num * 2 + (num >= 0 ? 72 : -72)) / 144);
}

PainterCanvas::PainterCanvas(QPainter *painter, int dpiY, CanvasTextCache *cache)
    : m_painter(painter), m_dpiY(dpiY > 0 ? dpiY : painter->device()->logicalDpiY()),
      m_ownCache(cache ? nullptr : std::make_unique<CanvasTextCache>()),
      m_cache(cache ? cache : m_ownCache.get())
{
    const QPaintEngine *engine = painter->paintEngine();
    m_shapedDevice = engine && (engine->type() == QPaintEngine::Pdf ||
                                engine->type() == QPaintEngine::Raster);
}

CanvasTextCache::Face &CanvasTextCache::face(const CanvasFont &font, int dpiY)
{
    const QString key = font.name + QChar(0x1f) + QString::number(font.size) + QChar(0x1f) +
                        QString::number(font.style) + QChar(0x1f) + QString::number(dpiY);
    return m_faces[key];
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

CanvasTextCache::Face &PainterCanvas::face()
{
    if (!m_face || !(m_faceFor == font())) {
        m_faceFor = font();
        m_face = &m_cache->face(font(), m_dpiY);
    }
    return *m_face;
}

qreal PainterCanvas::textWidth(const QString &text)
{
    QHash<QString, qreal> &widths = face().widths;
    if (const auto it = widths.constFind(text); it != widths.constEnd())
        return *it;
    const qreal width = QFontMetricsF(qfont(), m_painter->device()).horizontalAdvance(text);
    widths.insert(text, width);
    return width;
}

QRectF PainterCanvas::glyphInk(const QString &glyph)
{
    QHash<QString, QRectF> &inks = face().inks;
    if (const auto it = inks.constFind(glyph); it != inks.constEnd())
        return *it;
    const QRectF ink = canvasGlyphInk(font(), m_dpiY, glyph);
    inks.insert(glyph, ink);
    return ink;
}

// Lays text out as drawText does: one line, left to right, its top at 0.
static QTextLine layOutOneLine(QTextLayout &layout)
{
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(Qt::LeftToRight);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
    return line;
}

const QList<QGlyphRun> &PainterCanvas::glyphsOf(const QString &text)
{
    QHash<QString, QList<QGlyphRun>> &glyphs = face().glyphs;
    if (const auto it = glyphs.constFind(text); it != glyphs.constEnd())
        return *it;
    // Shaped as drawText shapes it, font fallback included.
    QTextLayout layout(text, qfont(), m_painter->device());
    const QTextLine line = layOutOneLine(layout);
    QList<QGlyphRun> runs = layout.glyphRuns();
    for (QGlyphRun &run : runs) {
        QList<QPointF> positions = run.positions();
        for (QPointF &p : positions)
            p.ry() -= line.ascent();
        run.setPositions(positions);
    }
    return *glyphs.insert(text, runs);
}

const QTextLayout &PainterCanvas::layoutOf(const QString &text)
{
    auto &layouts = face().layouts;
    if (const auto it = layouts.constFind(text); it != layouts.constEnd())
        return **it;
    auto layout = std::make_shared<QTextLayout>(text, qfont(), m_painter->device());
    layout->setCacheEnabled(true); // keeps the shaped glyphs for every draw
    layOutOneLine(*layout);
    return **layouts.insert(text, layout);
}

// Draws text with its left end of the baseline at `at`, condensed to the
// canvas font's stretch, through the painter's own text drawing.
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

// How text is drawn. On the PDF and image devices it is shaped once per
// job: plain text as glyph runs, which those devices draw exactly as their
// text; text whose font draws lines (underline, strike-out) at its natural
// width as kept text layouts, which draw the lines as the painter's text
// drawing does (glyph runs place the lines of a moved run wrongly, Qt 6.4).
// Condensed text with lines, and text on a device that records the
// characters themselves (a test spooler's page), get the painter's text
// drawing, shaped anew each time.
PainterCanvas::TextPath PainterCanvas::textPath() const
{
    if (!m_shapedDevice)
        return TextPath::Painter;
    if (!(font().style & (StyleUnderline | StyleStrikeOut)))
        return TextPath::Glyphs;
    return font().stretch == 100 ? TextPath::Layout : TextPath::Painter;
}

// Draws text of natural width with its left end of the baseline at `at`,
// from its kept layout.
void PainterCanvas::drawLayout(QPointF at, const QString &text)
{
    const QTextLayout &layout = layoutOf(text);
    layout.draw(m_painter, at - QPointF(0, layout.lineAt(0).ascent()));
}

// Text sets the painter's font, pen and background mode (and moves it) and
// puts each back afterwards, one by one: a full save and restore would make
// a PDF page write its whole graphics state again around every text.
void PainterCanvas::prepareText()
{
    m_saved = {m_painter->font(), m_painter->pen(), m_painter->worldTransform(),
               m_painter->backgroundMode()};
    m_painter->setFont(qfont());
    m_painter->setPen(font().color);
    // Text needs no background on the white page: painted, it would cut the
    // descenders of the line above (a cell's background is filled apart).
    m_painter->setBackgroundMode(Qt::TransparentMode);
}

void PainterCanvas::finishText()
{
    if (m_painter->worldTransform() != m_saved.transform)
        m_painter->setWorldTransform(m_saved.transform);
    m_painter->setPen(m_saved.pen);
    m_painter->setBackgroundMode(m_saved.mode);
    if (!(m_painter->font() == m_saved.font))
        m_painter->setFont(m_saved.font);
}

// Draws shaped text with its left end of the baseline at `baseline`,
// condensed to the canvas font's stretch; leaves the painter moved there.
void PainterCanvas::drawGlyphs(QPointF baseline, const QList<QGlyphRun> &runs)
{
    m_painter->translate(baseline);
    if (font().stretch != 100)
        m_painter->scale(font().stretch / 100.0, 1.0);
    for (const QGlyphRun &run : runs)
        m_painter->drawGlyphRun(QPointF(0, 0), run);
}

void PainterCanvas::drawText(QPoint topLeft, const QString &text)
{
    if (text.isEmpty())
        return;
    prepareText();
    const QPointF baseline(topLeft.x(), topLeft.y() + m_ascent);
    switch (textPath()) {
    case TextPath::Glyphs:
        drawGlyphs(baseline, glyphsOf(text));
        break;
    case TextPath::Layout:
        drawLayout(baseline, text);
        break;
    case TextPath::Painter:
        drawStretched(m_painter, baseline, text, font().stretch);
        break;
    }
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
    if (options & TextOpaque) {
        const QFontMetrics metrics(m_painter->font(), m_painter->device());
        m_painter->fillRect(QRect(topLeft.x(), topLeft.y(), total, metrics.height()), brushColor());
    }
    const int baseline = topLeft.y() + m_ascent;
    const int stretch = font().stretch;
    // Each character at its own pen position. Shaped, the glyphs of one
    // face go out as one run (one text object on the page); an underline or
    // strike-out is drawn per character, under the character's own advance.
    const TextPath path = textPath();
    struct Run
    {
        QRawFont font;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    std::vector<Run> runs;
    int x = topLeft.x();
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A surrogate pair is one glyph; both units' advances are spent on it.
        const qsizetype units = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString glyph = text.mid(i, units);
        if (glyph != QLatin1String(" ")) {
            if (path == TextPath::Painter) {
                drawStretched(m_painter, QPoint(x, baseline), glyph, stretch);
            } else if (path == TextPath::Layout) {
                drawLayout(QPoint(x, baseline), glyph);
            } else {
                // Offsets along the run are in the run's condensed units.
                const qreal offset = (x - topLeft.x()) * 100.0 / stretch;
                for (const QGlyphRun &g : glyphsOf(glyph)) {
                    const QRawFont face = g.rawFont();
                    auto run = std::find_if(runs.begin(), runs.end(),
                                            [&face](const Run &r) { return r.font == face; });
                    if (run == runs.end())
                        run = runs.insert(runs.end(), Run{face, {}, {}});
                    run->glyphs += g.glyphIndexes();
                    for (const QPointF &p : g.positions())
                        run->positions.append(QPointF(p.x() + offset, p.y()));
                }
            }
        }
        for (qsizetype k = 0; k < units; ++k)
            x += static_cast<size_t>(i + k) < advances.size() ? advances[i + k] : 0;
        i += units - 1;
    }
    if (!runs.empty()) {
        QList<QGlyphRun> merged;
        for (const Run &r : runs) {
            QGlyphRun run;
            run.setRawFont(r.font);
            run.setGlyphIndexes(r.glyphs);
            run.setPositions(r.positions);
            merged.append(run);
        }
        drawGlyphs(QPointF(topLeft.x(), baseline), merged);
    }
    finishText();
}

void PainterCanvas::drawLine(QPoint from, QPoint to)
{
    m_painter->drawLine(from, to);
}

} // namespace printing
