#pragma once

#include "printing/Canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QPen>
#include <QTransform>
#include <memory>
#include <optional>
#include <unordered_map>

class QPainter;

namespace printing {

// Widths, glyph inks and shaped glyphs of the texts a job draws, per font
// face, size and style and device resolution: every copy of a job draws the
// same texts again, and each is measured and shaped once per job.
class CanvasTextCache
{
public:
    // Where the underline and strike-out of a face go, from the baseline.
    struct Lines
    {
        qreal thickness;
        qreal underline; // below the baseline
        qreal strikeOut; // above it (negative)
    };
    struct Face
    {
        std::optional<Lines> lines;
        QHash<QString, qreal> widths;
        QHash<QString, QRectF> inks;
        QHash<QString, QList<QGlyphRun>> glyphs;
    };
    Face &face(const CanvasFont &font, int dpiY);

private:
    std::unordered_map<QString, Face> m_faces;
};

// Draws on a QPainter of a print job (or a preview image). Font sizes are
// points of the device's vertical resolution: the character height in
// pixels is size x dpiY / 72, rounded, as a printer device context counts it.
// Spaced text with TextOpaque (the fixed-pitch cells) is drawn on the brush
// colour, plain text without a background; text is placed by the top of its
// character cell (baseline = top + ascent).
class PainterCanvas : public Canvas
{
public:
    // dpiY 0 takes the painter device's logical resolution. Measurements are
    // kept in `cache` when given (shared by the canvases of one job; it must
    // outlive them), else in one of the canvas's own.
    explicit PainterCanvas(QPainter *painter, int dpiY = 0, CanvasTextCache *cache = nullptr);

    QPainter *painter() const { return m_painter; }
    // The Qt font that the current canvas font maps to.
    QFont qfont();
    qreal textWidth(const QString &text) override;
    QRectF glyphInk(const QString &glyph) override;

protected:
    void drawText(QPoint topLeft, const QString &text) override;
    void drawSpacedText(QPoint topLeft, int options, const QString &text,
                        const std::vector<int> &advances) override;
    void drawLine(QPoint from, QPoint to) override;

private:
    void prepareText();
    void finishText();
    CanvasTextCache::Face &face();
    enum class TextPath { Glyphs, LinedGlyphs, Painter };
    TextPath textPath() const;
    const CanvasTextCache::Lines &lines();
    void addLines(qreal x, qreal width, qreal baseline, std::vector<QLineF> &out);
    void drawLines(const std::vector<QLineF> &lines);
    // The glyphs `text` is drawn with, positions relative to the pen on the baseline.
    const QList<QGlyphRun> &glyphsOf(const QString &text);
    void drawGlyphs(QPointF baseline, const QList<QGlyphRun> &runs);

    QPainter *m_painter;
    int m_dpiY;
    // Qt font and ascent cached for the canvas font they were made from.
    CanvasFont m_cachedFor;
    std::optional<QFont> m_qfont;
    int m_ascent = 0;
    bool m_shapedDevice = false;
    struct PainterState
    {
        QFont font;
        QPen pen;
        QTransform transform;
        Qt::BGMode mode = Qt::TransparentMode;
    };
    PainterState m_saved; // what prepareText changed, for finishText
    std::unique_ptr<CanvasTextCache> m_ownCache;
    CanvasTextCache *m_cache;
    // The cache's face for the canvas font m_faceFor.
    CanvasFont m_faceFor;
    CanvasTextCache::Face *m_face = nullptr;
};

// Pixel height of a font of `points` at `dpiY`: points x dpiY / 72 rounded half up.
int fontPixelHeight(int points, int dpiY);

// The Qt font a canvas font is drawn with on a device of vertical
// resolution dpiY (the stretch is applied by the canvas, not the font).
QFont canvasQFont(const CanvasFont &font, int dpiY);

// The ink box of a glyph of a canvas font, relative to its pen position on
// the baseline, taken from an outline 64 times as large: unhinted, as a PDF
// or a printer driver draws it (the hinted box of a small size is rounded
// out to whole pixels).
QRectF canvasGlyphInk(const CanvasFont &font, int dpiY, const QString &glyph);

// Text widths and ink with the fonts a PainterCanvas of vertical resolution
// dpiY draws with, for a recording canvas that should decide every fit as
// the printed page does. Needs a QGuiApplication.
TextMeasure fontMetricsMeasure(int dpiY);

} // namespace printing
