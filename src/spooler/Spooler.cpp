#include "spooler/Spooler.h"

#include "spooler/DevMode.h"

#include <cmath>
#include <utility>

namespace {

int pixels(double mm, int dpi)
{
    return int(std::lround(mm * dpi / 25.4));
}

} // namespace

DeviceMetrics computeMetrics(const PageGeometry &g)
{
    double width = g.widthMm;
    double length = g.lengthMm;
    double left = g.leftMm;
    double top = g.topMm;
    double right = g.rightMm;
    double bottom = g.bottomMm;
    if (g.landscape) {
        std::swap(width, length);
        const double oldLeft = left;
        left = top;
        top = right;
        right = bottom;
        bottom = oldLeft;
    }
    DeviceMetrics m;
    m.logPixelsX = g.dpiX;
    m.logPixelsY = g.dpiY;
    m.physicalWidth = pixels(width, g.dpiX);
    m.physicalHeight = pixels(length, g.dpiY);
    m.physicalOffsetX = pixels(left, g.dpiX);
    m.physicalOffsetY = pixels(top, g.dpiY);
    m.horzRes = m.physicalWidth - m.physicalOffsetX - pixels(right, g.dpiX);
    m.vertRes = m.physicalHeight - m.physicalOffsetY - pixels(bottom, g.dpiY);
    m.horzSize = int(std::lround(width - left - right));
    m.vertSize = int(std::lround(length - top - bottom));
    m.bitsPixel = g.bitsPixel;
    m.planes = 1;
    return m;
}

PageGeometry geometryFromBlock(const QByteArray &block, int fallbackDpi)
{
    const DEVMODEW *dm = devmode::fields(block);
    if (!dm)
        throw SpoolerError("The settings block is too short");
    PageGeometry g;
    int width = 0;
    int length = 0;
    if (dm->dmPaperSize == devmode::DMPAPER_USER) {
        width = dm->dmPaperWidth;
        length = dm->dmPaperLength;
        if (width <= 0 || length <= 0)
            throw SpoolerError("The user paper size is not set");
    } else if (!devmode::paperDimensions(dm->dmPaperSize, width, length)) {
        throw SpoolerError(
            QStringLiteral("Unknown paper size %1").arg(dm->dmPaperSize).toStdString());
    }
    g.widthMm = width / 10.0;
    g.lengthMm = length / 10.0;
    g.landscape = (dm->dmFields & devmode::DM_ORIENTATION) &&
                  dm->dmOrientation == devmode::DMORIENT_LANDSCAPE;
    g.dpiX = fallbackDpi;
    g.dpiY = fallbackDpi;
    if ((dm->dmFields & devmode::DM_PRINTQUALITY) && dm->dmPrintQuality > 0) {
        g.dpiX = dm->dmPrintQuality;
        g.dpiY = ((dm->dmFields & devmode::DM_YRESOLUTION) && dm->dmYResolution > 0)
                     ? dm->dmYResolution
                     : dm->dmPrintQuality;
    }
    return g;
}
