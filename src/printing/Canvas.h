#pragma once

#include <QColor>
#include <QPoint>
#include <QRectF>
#include <QString>
#include <functional>
#include <vector>

namespace printing {

// Font style bits of the printer font (the layouts use regular and underline).
enum FontStyle : int {
    StyleRegular = 0,
    StyleBold = 1,
    StyleItalic = 2,
    StyleUnderline = 4,
    StyleStrikeOut = 8,
};

// The running printer font: each text is drawn with the name, size and style
// last set. Sizes are in points of the device's vertical resolution.
struct CanvasFont
{
    QString name;
    int size = 10;
    int style = StyleRegular;
    QColor color = Qt::black;
    // Horizontal scale of the glyphs in percent: 100 draws them as the font
    // makes them, 80 condenses every glyph and advance to four fifths.
    int stretch = 100;

    bool operator==(const CanvasFont &) const = default;
};

// Natural measures of texts in a font, in device pixels, for a canvas that
// records instead of drawing: the width (sum of advances) and the ink box of
// a glyph relative to its pen position on the baseline.
struct TextMeasure
{
    std::function<qreal(const CanvasFont &font, const QString &text)> width;
    std::function<QRectF(const CanvasFont &font, const QString &glyph)> ink;
};

// Options of extTextOut, as the printer device context understands them.
inline constexpr int TextOpaque = 2;
inline constexpr int TextClipped = 4;

// A printer page to draw on, in device pixels. Text is placed by the top-left
// corner of its character cell; lines use the pen the print job provides
// (solid, black, one device pixel). The canvas keeps the font, the brush and
// the pen position; concrete canvases only draw.
class Canvas
{
public:
    virtual ~Canvas() = default;

    void setFontName(const QString &name) { m_font.name = name; }
    void setFontSize(int points) { m_font.size = points; }
    void setFontStyle(int style) { m_font.style = style; }
    void setFontColor(const QColor &color) { m_font.color = color; }
    void setFontStretch(int percent) { m_font.stretch = percent; }
    void setBrushColor(const QColor &color) { m_brush = color; }
    // The whole font state at once (a recorded page drawn again).
    void setFont(const CanvasFont &font) { m_font = font; }
    const CanvasFont &font() const { return m_font; }
    QColor brushColor() const { return m_brush; }

    void textOut(int x, int y, const QString &text) { drawText(QPoint(x, y), text); }
    void moveTo(int x, int y) { m_penPos = QPoint(x, y); }
    void lineTo(int x, int y)
    {
        drawLine(m_penPos, QPoint(x, y));
        m_penPos = QPoint(x, y);
    }
    // Draws text whose k-th UTF-16 unit is advanced by advances[k] pixels
    // instead of its own width.
    void extTextOut(int x, int y, int options, const QString &text,
                    const std::vector<int> &advances)
    {
        drawSpacedText(QPoint(x, y), options, text, advances);
    }

    // Width in device pixels that `text` takes in the current font at its
    // natural width (stretch 100): the sum of its glyph advances. A canvas
    // without font metrics answers 0, so every text fits on it.
    virtual qreal textWidth(const QString &text) = 0;
    // The ink box of one glyph in the current font at stretch 100, relative
    // to its pen position on the baseline; empty without font metrics.
    virtual QRectF glyphInk(const QString &glyph) = 0;

protected:
    virtual void drawText(QPoint topLeft, const QString &text) = 0;
    virtual void drawSpacedText(QPoint topLeft, int options, const QString &text,
                                const std::vector<int> &advances) = 0;
    virtual void drawLine(QPoint from, QPoint to) = 0;

private:
    CanvasFont m_font;
    QColor m_brush = Qt::white;
    QPoint m_penPos;
};

// Where a layout draws one copy: the canvas of the current page and the page
// feed of the open print job.
class PrintSurface
{
public:
    virtual ~PrintSurface() = default;
    virtual Canvas &canvas() = 0;
    virtual void newPage() = 0;
};

} // namespace printing
