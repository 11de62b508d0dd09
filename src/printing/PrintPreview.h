#pragma once
// The print preview's pages, apart from any window: which pages a print
// would feed and what the layouts draw on each, recorded through the canvas
// interface once and drawn again on any canvas (the screen's painter, or a
// recording canvas in tests); and the zoom arithmetic of the preview.

#include "printing/PrintCommand.h"
#include "printing/RecordingCanvas.h"

#include <QList>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <vector>

class TVoPrinter;

namespace printing {

// The sheet a job is drawn on, in the printer's device pixels: the paper,
// the printable area within it (the canvas origin is its top-left corner)
// and the device resolution. A5 portrait at 600 dpi without margins: paper
// 3496 x 4961, printable (0, 0, 3496, 4961).
struct PreviewSheet
{
    QSize paper;
    QRect printable;
    int dpiX = 0;
    int dpiY = 0;

    friend bool operator==(const PreviewSheet &, const PreviewSheet &) = default;
};

// The current printer's sheet with its current settings, as a job would
// get it. A printer that cannot be measured raises the printer layer's
// error.
PreviewSheet measureSheet(TVoPrinter &printer);

// One page of the job: what is drawn on it, in device pixels from the
// printable area's corner. A page feed of "改ページ信号" gives a page
// without drawing.
struct PreviewPage
{
    QList<CanvasOp> ops;
};

struct PreviewDocument
{
    PreviewSheet sheet;
    int fontDpiY = 0;
    std::vector<PreviewPage> pages; // none when the plan has no copies
};

// Runs the plan's copies as a job would (the same copy loop and page
// feeds), recording each page instead of printing it. Errors of the
// layouts (a resolution or offset caption that is not an integer) pass on.
// Copies 3 give three pages; with the page-feed mark six, every second one
// empty.
PreviewDocument buildPreview(const PreviewSheet &sheet, const PrintPlan &plan);

// Draws a recorded page again on `canvas`, through the same canvas calls.
void replayPage(const PreviewPage &page, Canvas &canvas);

// Zoom. Percentages are of the sheet's real size on the screen: at 100 % a
// 600 dpi device pixel is 96 / 600 = 0.16 pixels of a 96 dpi screen.
inline constexpr double MinZoomPercent = 10;
inline constexpr double MaxZoomPercent = 400;

// Screen pixels per device pixel across and down.
QPointF previewScale(const PreviewSheet &sheet, double zoomPercent, QPointF screenDpi);

// The zoom at which the whole sheet fits `viewport` (screen pixels) with
// `margin` pixels around it; never below MinZoomPercent.
double fitZoomPercent(const PreviewSheet &sheet, QSize viewport, int margin, QPointF screenDpi);

// The next zoom step above (direction > 0) or below (direction < 0) the
// given zoom, from 25, 50, 75, 100, 125, 150, 200, 300, 400 %; beyond the
// last step in that direction the zoom stays. 80 % enlarges to 100 % and
// reduces to 75 %; 400 % stays 400 %, a fitted 20 % does not reduce.
double zoomStep(double zoomPercent, int direction);

} // namespace printing
