#pragma once

#include "printing/Canvas.h"

#include <QList>

namespace printing {

// One drawing step as a recording canvas saw it, with the font in force.
struct CanvasOp
{
    enum Kind { Text, SpacedText, Line, PageFeed };
    Kind kind = Text;
    QPoint at; // top-left of text, start of a line
    QPoint to; // end of a line
    QString text;
    CanvasFont font; // font state when text was drawn
    QColor brush;
    int options = 0;
    std::vector<int> advances;
};

// A canvas and print surface that records instead of drawing, so tests can
// assert every device position, text and font of a page.
class RecordingCanvas : public Canvas, public PrintSurface
{
public:
    Canvas &canvas() override { return *this; }
    void newPage() override;

    // Measures texts with `measure` (for instance fontMetricsMeasure for
    // real fonts); without one every text measures 0 and fits.
    void setMeasure(TextMeasure measure) { m_measure = std::move(measure); }
    qreal textWidth(const QString &text) override
    {
        return m_measure.width ? m_measure.width(font(), text) : 0;
    }
    QRectF glyphInk(const QString &glyph) override
    {
        return m_measure.ink ? m_measure.ink(font(), glyph) : QRectF();
    }

    const QList<CanvasOp> &ops() const { return m_ops; }
    void clear() { m_ops.clear(); }

    // The texts drawn (plain or spaced) in drawing order.
    QList<CanvasOp> texts() const;
    QList<CanvasOp> lines() const;
    // The first text op whose text equals `text`; nullptr when none.
    const CanvasOp *findText(const QString &text) const;
    int pageFeeds() const;

protected:
    void drawText(QPoint topLeft, const QString &text) override;
    void drawSpacedText(QPoint topLeft, int options, const QString &text,
                        const std::vector<int> &advances) override;
    void drawLine(QPoint from, QPoint to) override;

private:
    QList<CanvasOp> m_ops;
    TextMeasure m_measure;
};

} // namespace printing
