#include "printing/SummaryInvoicePrint.h"

#include "printing/PainterCanvas.h"
#include "printing/SummaryInvoiceLayout.h"
#include "spooler/DevMode.h"
#include "spooler/Spooler.h"

#include <QPainter>

namespace printing {

namespace {

constexpr int PreviewDpi = 600;

Geometry geometryAt(int dpiX, int dpiY, int offsetX, int offsetY)
{
    Geometry g;
    g.sx = scaleFactor(dpiX);
    g.sy = scaleFactor(dpiY);
    // Layout positions count from the sheet's corner; the canvas from the
    // printable area's.
    g.left = -offsetX;
    g.top = -offsetY;
    return g;
}

} // namespace

QString summaryJobTitle(const SummaryInvoice &invoice)
{
    return QStringLiteral("Kanro_Vey_1_請求_%1").arg(invoice.invoiceNo);
}

PreviewDocument summaryPreview(const SummaryInvoice &invoice)
{
    PreviewDocument doc;
    const QSize a4(4961, 7016); // 210 x 297 mm at 600 dpi
    doc.sheet = {a4, QRect(QPoint(0, 0), a4), PreviewDpi, PreviewDpi};
    doc.fontDpiY = PreviewDpi;
    // Each page recorded on its own canvas, measured as the printer fonts draw.
    struct Pages : PrintSurface
    {
        std::vector<RecordingCanvas> pages;
        Pages() { newPage(); }
        Canvas &canvas() override { return pages.back(); }
        void newPage() override
        {
            pages.emplace_back();
            pages.back().setMeasure(fontMetricsMeasure(PreviewDpi));
        }
    } out;
    drawSummaryInvoice(invoice, geometryAt(PreviewDpi, PreviewDpi, 0, 0), out);
    for (const RecordingCanvas &page : out.pages)
        doc.pages.push_back({page.ops()});
    return doc;
}

void printSummaryInvoice(Spooler &spooler, const QString &device, const SummaryInvoice &invoice)
{
    QByteArray block = spooler.defaultSettings(device);
    if (DEVMODEW *f = devmode::fields(block)) {
        f->dmPaperSize = devmode::DMPAPER_A4;
        f->dmOrientation = devmode::DMORIENT_PORTRAIT;
        f->dmFields |= devmode::DM_PAPERSIZE | devmode::DM_ORIENTATION;
    }
    spooler.validateSettings(device, block);
    const DeviceMetrics m = spooler.metrics(device, block);
    std::unique_ptr<SpoolerJob> job =
        spooler.startJob(device, spooler.portName(device), block, summaryJobTitle(invoice));
    try {
        CanvasTextCache cache;
        PainterCanvas canvas(job->painter(), m.logPixelsY, &cache);
        struct Surface : PrintSurface
        {
            Canvas &c;
            SpoolerJob &j;
            Surface(Canvas &canvas, SpoolerJob &job) : c(canvas), j(job) {}
            Canvas &canvas() override { return c; }
            void newPage() override { j.newPage(); }
        } surface(canvas, *job);
        drawSummaryInvoice(
            invoice, geometryAt(m.logPixelsX, m.logPixelsY, m.physicalOffsetX, m.physicalOffsetY),
            surface);
        job->finish();
    } catch (...) {
        job->cancel();
        throw;
    }
}

} // namespace printing
