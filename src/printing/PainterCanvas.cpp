#include "printing/PainterCanvas.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

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
// job and goes out as glyph runs, which those devices draw exactly as their
// text. The lines of a font that draws them (underline, strike-out) are
// drawn apart, where the painter's text drawing puts them (glyph runs place
// the lines of a moved run wrongly, Qt 6.4), on an unscaled page; on a
// scaled one (the preview's zoom) a thin line's pixels depend on rounding
// that only the painter's own text drawing keeps the same wherever the
// note is moved. That text, condensed text with lines, and text on a
// device that records the characters themselves (a test spooler's page)
// get the painter's text drawing, shaped anew each time.
PainterCanvas::TextPath PainterCanvas::textPath() const
{
    if (!m_shapedDevice)
        return TextPath::Painter;
    if (!(font().style & (StyleUnderline | StyleStrikeOut)))
        return TextPath::Glyphs;
    const bool unscaled = m_painter->worldTransform().type() <= QTransform::TxTranslate;
    return font().stretch == 100 && unscaled ? TextPath::LinedGlyphs : TextPath::Painter;
}

// Where the painter's text drawing puts the lines of the canvas font,
// relative to the baseline: the underline below it by the face's underline
// position rounded up, plus half a pixel, but within the descent; the
// strike-out a third of the ascent above it; both as thick as the face says.
const CanvasTextCache::Lines &PainterCanvas::lines()
{
    CanvasTextCache::Face &f = face();
    if (!f.lines) {
        const QRawFont raw = QRawFont::fromFont(qfont());
        const qreal position = raw.underlinePosition();
        qreal underline = std::ceil(position) + 0.5;
        if (position <= raw.descent())
            underline = std::min(underline, raw.descent() - 0.5);
        f.lines = CanvasTextCache::Lines{raw.lineThickness(), underline, -raw.ascent() / 3.0};
    }
    return *f.lines;
}

// The lines of the canvas font for text from x, `width` wide, on the
// baseline: from x and its end each rounded down, as the painter draws them.
void PainterCanvas::addLines(qreal x, qreal width, qreal baseline, std::vector<QLineF> &out)
{
    const QLineF at(std::floor(x), baseline, std::floor(x + width), baseline);
    if (font().style & StyleUnderline)
        out.push_back(at.translated(0, lines().underline));
    if (font().style & StyleStrikeOut)
        out.push_back(at.translated(0, lines().strikeOut));
}

void PainterCanvas::drawLines(const std::vector<QLineF> &lines)
{
    if (lines.empty())
        return;
    QPen pen = m_painter->pen();
    pen.setStyle(Qt::SolidLine);
    pen.setWidthF(this->lines().thickness);
    pen.setCapStyle(Qt::FlatCap);
    m_painter->setPen(pen);
    m_painter->drawLines(lines.data(), static_cast<int>(lines.size()));
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
// condensed to the canvas font's stretch. Text at its natural width leaves
// the painter's transform alone: a change of it makes a PDF page write its
// graphics state again.
void PainterCanvas::drawGlyphs(QPointF baseline, const QList<QGlyphRun> &runs)
{
    if (font().stretch == 100) {
        for (const QGlyphRun &run : runs)
            m_painter->drawGlyphRun(baseline, run);
        return;
    }
    m_painter->translate(baseline);
    m_painter->scale(font().stretch / 100.0, 1.0);
    for (const QGlyphRun &run : runs)
        m_painter->drawGlyphRun(QPointF(0, 0), run);
    m_painter->setWorldTransform(m_saved.transform);
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
    case TextPath::LinedGlyphs: {
        drawGlyphs(baseline, glyphsOf(text));
        std::vector<QLineF> lines;
        addLines(baseline.x(), textWidth(text), baseline.y(), lines);
        drawLines(lines);
        break;
    }
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
    // The lines of a font that draws them go under each character's own
    // advance, after the glyphs.
    std::vector<QLineF> lines;
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
            } else {
                if (path == TextPath::LinedGlyphs)
                    addLines(x, textWidth(glyph), baseline, lines);
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
    drawLines(lines);
    finishText();
}

void PainterCanvas::drawLine(QPoint from, QPoint to)
{
    m_painter->drawLine(from, to);
}

} // namespace printing
