#include "spooler/PdfSpooler.h"

#include "spooler/DevMode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <functional>

using namespace devmode;

namespace {

constexpr int pdfDpi = 600;

QString sanitizedTitle(const QString &title)
{
    QString out;
    for (QChar c : title) {
        if (c.unicode() < 0x20 || c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' ||
            c == u'"' || c == u'<' || c == u'>' || c == u'|' || c.unicode() == 0x7f)
            out += u'_';
        else
            out += c;
    }
    out = out.trimmed();
    if (out.isEmpty() || out == QLatin1String(".") || out == QLatin1String(".."))
        out = QStringLiteral("納品書");
    // Keep the name within common file-name limits (255 bytes in UTF-8),
    // cut between characters: a surrogate pair goes as a whole.
    while (out.toUtf8().size() > 200)
        out.chop(out.size() >= 2 && out.back().isLowSurrogate() &&
                         out.at(out.size() - 2).isHighSurrogate()
                     ? 2
                     : 1);
    return out;
}

class PdfFileJob : public SpoolerJob
{
public:
    PdfFileJob(const PageGeometry &g, const QString &folder, const QString &title,
               std::function<void(const QString &)> written)
        : pages_(g, title), folder_(folder), title_(title), written_(std::move(written))
    {
    }
    ~PdfFileJob() override { cancel(); }

    QPainter *painter() override { return pages_.painter(); }
    QPaintDevice *device() override { return pages_.device(); }
    void newPage() override { pages_.newPage(); }

    void finish() override
    {
        done_ = true;
        const QByteArray pdf = pages_.finish();
        if (!QDir().mkpath(folder_))
            throw SpoolerError(
                QStringLiteral("Cannot create the folder %1").arg(folder_).toStdString());
        // Opened with NewOnly, so an existing file is never replaced even
        // when another job takes the same name meanwhile.
        for (int attempt = 0; attempt < 1000; ++attempt) {
            const QString path = PdfSpooler::fileNameFor(folder_, title_);
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                if (QFileInfo::exists(path))
                    continue;
                throw SpoolerError(QStringLiteral("Cannot write %1: %2")
                                       .arg(path, file.errorString())
                                       .toStdString());
            }
            if (file.write(pdf) != pdf.size() || !file.flush()) {
                const QString why = file.errorString();
                file.close();
                file.remove();
                throw SpoolerError(
                    QStringLiteral("Cannot write %1: %2").arg(path, why).toStdString());
            }
            file.close();
            written_(path);
            return;
        }
        throw SpoolerError(
            QStringLiteral("No free file name for %1 in %2").arg(title_, folder_).toStdString());
    }

    void cancel() override
    {
        if (done_)
            return;
        done_ = true;
        pages_.finish();
    }

private:
    PdfPages pages_;
    QString folder_;
    QString title_;
    std::function<void(const QString &)> written_;
    bool done_ = false;
};

} // namespace

// --- PdfPages ------------------------------------------------------------------

PdfPages::PdfPages(const PageGeometry &geometry, const QString &title) : geometry_(geometry)
{
    buffer_.open(QIODevice::WriteOnly);
    writer_ = std::make_unique<QPdfWriter>(&buffer_);
    writer_->setTitle(title);
    writer_->setCreator(QStringLiteral("Kanro_VEY_1"));
    writer_->setResolution(geometry.dpiX);
    const DeviceMetrics m = computeMetrics(geometry);
    const QPageSize size(QSizeF(geometry.widthMm, geometry.lengthMm), QPageSize::Millimeter,
                         QString(), QPageSize::FuzzyMatch);
    // Margins of the oriented sheet, from the device measures.
    const double left = m.physicalOffsetX * 72.0 / geometry.dpiX;
    const double top = m.physicalOffsetY * 72.0 / geometry.dpiY;
    const double right = (m.physicalWidth - m.physicalOffsetX - m.horzRes) * 72.0 / geometry.dpiX;
    const double bottom = (m.physicalHeight - m.physicalOffsetY - m.vertRes) * 72.0 / geometry.dpiY;
    QPageLayout layout(size, geometry.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(left, top, right, bottom), QPageLayout::Point);
    layout.setMode(QPageLayout::StandardMode);
    writer_->setPageLayout(layout);
    painter_.begin(writer_.get());
    preparePainter();
}

PdfPages::~PdfPages()
{
    if (painter_.isActive())
        painter_.end();
}

void PdfPages::preparePainter()
{
    if (geometry_.dpiY > 0 && geometry_.dpiY != geometry_.dpiX)
        painter_.scale(1.0, double(geometry_.dpiX) / geometry_.dpiY);
}

QPaintDevice *PdfPages::device()
{
    return writer_.get();
}

void PdfPages::newPage()
{
    if (!writer_->newPage())
        throw SpoolerError("Cannot start a new page");
    ++pages_;
}

QByteArray PdfPages::finish()
{
    if (painter_.isActive())
        painter_.end();
    buffer_.close();
    return buffer_.data();
}

// --- PdfSpooler ------------------------------------------------------------------

PdfSpooler::PdfSpooler(const QString &workingDirectory) : workingDir_(workingDirectory) {}

QString PdfSpooler::printerName()
{
    return QStringLiteral("納品書PDF に保存");
}

QString PdfSpooler::folderName()
{
    return QStringLiteral("納品書PDF");
}

QString PdfSpooler::fileNameFor(const QString &folder, const QString &title)
{
    const QString base = sanitizedTitle(title);
    QString path = QDir(folder).filePath(base + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1 (%2).pdf").arg(base).arg(n));
    return path;
}

QString PdfSpooler::outputFolder() const
{
    std::lock_guard lock(mutex_);
    return QDir(workingDir_.isEmpty() ? QDir::currentPath() : workingDir_).filePath(folderName());
}

void PdfSpooler::setWorkingDirectory(const QString &dir)
{
    std::lock_guard lock(mutex_);
    workingDir_ = dir;
}

std::vector<PrinterRecord> PdfSpooler::enumPrinters()
{
    return {PrinterRecord{printerName(), 0}};
}

QStringList PdfSpooler::enumPorts()
{
    return {QStringLiteral("PDF:")};
}

QString PdfSpooler::defaultPrinter()
{
    return printerName();
}

static void requireOwn(const QString &device)
{
    if (device != PdfSpooler::printerName())
        throw SpoolerError(
            QStringLiteral("The printer \"%1\" does not exist").arg(device).toStdString());
}

QString PdfSpooler::driverName(const QString &device)
{
    requireOwn(device);
    return QStringLiteral("Kanro PDF");
}

QString PdfSpooler::portName(const QString &device)
{
    requireOwn(device);
    return QStringLiteral("PDF:");
}

QByteArray PdfSpooler::defaultSettings(const QString &device)
{
    requireOwn(device);
    QByteArray block = newBlock(device, 0);
    DEVMODEW *dm = fields(block);
    dm->dmFields =
        DM_ORIENTATION | DM_PAPERSIZE | DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_YRESOLUTION;
    dm->dmOrientation = DMORIENT_PORTRAIT;
    dm->dmPaperSize = DMPAPER_A5;
    dm->dmDefaultSource = DMBIN_AUTO;
    dm->dmPrintQuality = pdfDpi;
    dm->dmYResolution = pdfDpi;
    dm->dmCopies = 1;
    dm->dmScale = 100;
    return block;
}

void PdfSpooler::validateSettings(const QString &device, QByteArray &block)
{
    requireOwn(device);
    DEVMODEW *dm = fields(block);
    if (!dm)
        throw SpoolerError("The settings block is too short");
    int w = 0;
    int l = 0;
    const bool userSize =
        dm->dmPaperSize == DMPAPER_USER && dm->dmPaperWidth > 0 && dm->dmPaperLength > 0;
    if (!userSize && !paperDimensions(dm->dmPaperSize, w, l))
        dm->dmPaperSize = DMPAPER_A5;
    if (dm->dmPaperSize != DMPAPER_USER)
        dm->dmFields &= ~(DM_PAPERLENGTH | DM_PAPERWIDTH);
    if (dm->dmOrientation != DMORIENT_LANDSCAPE)
        dm->dmOrientation = DMORIENT_PORTRAIT;
    dm->dmDefaultSource = DMBIN_AUTO;
    dm->dmPrintQuality = pdfDpi;
    dm->dmYResolution = pdfDpi;
    dm->dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
}

DeviceCapabilities PdfSpooler::capabilities(const QString &device, const QByteArray &)
{
    requireOwn(device);
    DeviceCapabilities caps;
    caps.papers = {{DMPAPER_A5, QStringLiteral("A5")},
                   {DMPAPER_A4, QStringLiteral("A4")},
                   {DMPAPER_B5, QStringLiteral("B5 (JIS)")},
                   {DMPAPER_LETTER, QStringLiteral("レター")},
                   {DMPAPER_JAPANESE_POSTCARD, QStringLiteral("はがき")}};
    caps.bins = {{DMBIN_AUTO, QStringLiteral("自動選択")}};
    caps.resolutions = {{pdfDpi, pdfDpi}};
    return caps;
}

DeviceMetrics PdfSpooler::metrics(const QString &device, const QByteArray &block)
{
    requireOwn(device);
    PageGeometry g = geometryFromBlock(block, pdfDpi);
    g.bitsPixel = 24;
    return computeMetrics(g);
}

std::unique_ptr<SpoolerJob> PdfSpooler::startJob(const QString &device, const QString &,
                                                 const QByteArray &block, const QString &title)
{
    requireOwn(device);
    PageGeometry g = geometryFromBlock(block, pdfDpi);
    const QString folder = outputFolder();
    // Report an unusable folder before anything is drawn.
    if (!QDir().mkpath(folder))
        throw SpoolerError(QStringLiteral("Cannot create the folder %1").arg(folder).toStdString());
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isWritable())
        throw SpoolerError(
            QStringLiteral("The folder %1 is not writable").arg(folder).toStdString());
    {
        const std::lock_guard lock(mutex_);
        lastFile_.clear();
    }
    return std::make_unique<PdfFileJob>(g, folder, title, [this](const QString &path) {
        const std::lock_guard lock(mutex_);
        lastFile_ = path;
    });
}

QString PdfSpooler::writtenFile(const QString &)
{
    const std::lock_guard lock(mutex_);
    return lastFile_;
}
