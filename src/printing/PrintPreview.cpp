#include "printing/PrintPreview.h"

#include "printer/VoPrinters.h"

#include <algorithm>
#include <array>

namespace printing {

PreviewSheet measureSheet(TVoPrinter &printer)
{
    const TSize paper = printer.PaperExtent();
    const TSize offset = printer.Offset();
    const TSize page = printer.PageExtent();
    const TSize dpi = printer.DPI();
    PreviewSheet sheet;
    sheet.paper = QSize(paper.cx, paper.cy);
    sheet.printable = QRect(offset.cx, offset.cy, page.cx, page.cy);
    sheet.dpiX = dpi.cx;
    sheet.dpiY = dpi.cy;
    return sheet;
}

PreviewDocument buildPreview(const PreviewSheet &sheet, const PrintPlan &plan)
{
    PreviewDocument doc;
    doc.sheet = sheet;
    doc.fontDpiY = plan.fontDpiY;
    if (plan.copies <= 0)
        return doc;
    doc.pages.emplace_back();
    drawCopies(
        plan.copies,
        [&] {
            // A fresh canvas per copy, as the job takes one per copy.
            RecordingCanvas copy;
            plan.drawCopy(copy);
            for (const CanvasOp &op : copy.ops()) {
                if (op.kind == CanvasOp::PageFeed)
                    doc.pages.emplace_back();
                else
                    doc.pages.back().ops.append(op);
            }
        },
        [&] { doc.pages.emplace_back(); });
    return doc;
}

void replayPage(const PreviewPage &page, Canvas &canvas)
{
    for (const CanvasOp &op : page.ops) {
        switch (op.kind) {
        case CanvasOp::Text:
            canvas.setFont(op.font);
            canvas.setBrushColor(op.brush);
            canvas.textOut(op.at.x(), op.at.y(), op.text);
            break;
        case CanvasOp::SpacedText:
            canvas.setFont(op.font);
            canvas.setBrushColor(op.brush);
            canvas.extTextOut(op.at.x(), op.at.y(), op.options, op.text, op.advances);
            break;
        case CanvasOp::Line:
            canvas.moveTo(op.at.x(), op.at.y());
            canvas.lineTo(op.to.x(), op.to.y());
            break;
        case CanvasOp::PageFeed:
            break; // pages are split already
        }
    }
}

QPointF previewScale(const PreviewSheet &sheet, double zoomPercent, QPointF screenDpi)
{
    const double z = zoomPercent / 100.0;
    return {sheet.dpiX > 0 ? z * screenDpi.x() / sheet.dpiX : z,
            sheet.dpiY > 0 ? z * screenDpi.y() / sheet.dpiY : z};
}

double fitZoomPercent(const PreviewSheet &sheet, QSize viewport, int margin, QPointF screenDpi)
{
    const QPointF at100 = previewScale(sheet, 100, screenDpi);
    const double w = sheet.paper.width() * at100.x();
    const double h = sheet.paper.height() * at100.y();
    if (w <= 0 || h <= 0)
        return 100;
    const double fw = (viewport.width() - 2.0 * margin) / w;
    const double fh = (viewport.height() - 2.0 * margin) / h;
    return std::clamp(std::min(fw, fh) * 100, MinZoomPercent, MaxZoomPercent);
}

double zoomStep(double zoomPercent, int direction)
{
    static constexpr std::array<double, 9> steps{25, 50, 75, 100, 125, 150, 200, 300, 400};
    // A zoom within a hair of a step counts as that step.
    constexpr double eps = 1e-6;
    if (direction > 0) {
        for (double s : steps)
            if (s > zoomPercent + eps)
                return s;
    } else if (direction < 0) {
        for (auto it = steps.rbegin(); it != steps.rend(); ++it)
            if (*it < zoomPercent - eps)
                return *it;
    }
    return zoomPercent;
}

} // namespace printing
