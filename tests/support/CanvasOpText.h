#pragma once

#include "printing/RecordingCanvas.h"

#include <QStringList>

// One recorded drawing step as a line of text (kind, position, text, font,
// brush, options, advances), so that two drawings compare item for item and
// a difference prints both sides.
inline QString canvasOpText(const printing::CanvasOp &op)
{
    using printing::CanvasOp;
    switch (op.kind) {
    case CanvasOp::Line:
        return QStringLiteral("line %1,%2 -> %3,%4")
            .arg(op.at.x())
            .arg(op.at.y())
            .arg(op.to.x())
            .arg(op.to.y());
    case CanvasOp::PageFeed:
        return QStringLiteral("page feed");
    case CanvasOp::Text:
    case CanvasOp::SpacedText: {
        QStringList advances;
        for (int a : op.advances)
            advances << QString::number(a);
        return QStringLiteral("%1 %2,%3 \"%4\" %5 %6pt style %7 %8 on %9 options %10 [%11]")
            .arg(op.kind == CanvasOp::Text ? QStringLiteral("text") : QStringLiteral("spaced"))
            .arg(op.at.x())
            .arg(op.at.y())
            .arg(op.text, op.font.name)
            .arg(op.font.size)
            .arg(op.font.style)
            .arg(op.font.color.name(), op.brush.name())
            .arg(op.options)
            .arg(advances.join(QLatin1Char(' ')));
    }
    }
    return {};
}

inline QStringList canvasOpTexts(const QList<printing::CanvasOp> &ops)
{
    QStringList out;
    for (const printing::CanvasOp &op : ops)
        out << canvasOpText(op);
    return out;
}
