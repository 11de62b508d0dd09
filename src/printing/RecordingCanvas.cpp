#include "printing/RecordingCanvas.h"

namespace printing {

void RecordingCanvas::newPage()
{
    CanvasOp op;
    op.kind = CanvasOp::PageFeed;
    m_ops.append(op);
}

QList<CanvasOp> RecordingCanvas::texts() const
{
    QList<CanvasOp> out;
    for (const CanvasOp &op : m_ops)
        if (op.kind == CanvasOp::Text || op.kind == CanvasOp::SpacedText)
            out.append(op);
    return out;
}

QList<CanvasOp> RecordingCanvas::lines() const
{
    QList<CanvasOp> out;
    for (const CanvasOp &op : m_ops)
        if (op.kind == CanvasOp::Line)
            out.append(op);
    return out;
}

const CanvasOp *RecordingCanvas::findText(const QString &text) const
{
    for (const CanvasOp &op : m_ops)
        if ((op.kind == CanvasOp::Text || op.kind == CanvasOp::SpacedText) && op.text == text)
            return &op;
    return nullptr;
}

int RecordingCanvas::pageFeeds() const
{
    int n = 0;
    for (const CanvasOp &op : m_ops)
        n += op.kind == CanvasOp::PageFeed ? 1 : 0;
    return n;
}

void RecordingCanvas::drawText(QPoint topLeft, const QString &text)
{
    CanvasOp op;
    op.kind = CanvasOp::Text;
    op.at = topLeft;
    op.text = text;
    op.font = font();
    op.brush = brushColor();
    m_ops.append(op);
}

void RecordingCanvas::drawSpacedText(QPoint topLeft, int options, const QString &text,
                                     const std::vector<int> &advances)
{
    CanvasOp op;
    op.kind = CanvasOp::SpacedText;
    op.at = topLeft;
    op.text = text;
    op.font = font();
    op.brush = brushColor();
    op.options = options;
    op.advances = advances;
    m_ops.append(op);
}

void RecordingCanvas::drawLine(QPoint from, QPoint to)
{
    CanvasOp op;
    op.kind = CanvasOp::Line;
    op.at = from;
    op.to = to;
    m_ops.append(op);
}

} // namespace printing
