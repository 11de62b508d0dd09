#include "FakeSpooler.h"

#include "spooler/DevMode.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <cmath>

namespace {

// A page that records text and lines in device pixels and forwards all
// drawing to a QPicture.
class RecordingEngine : public QPaintEngine
{
public:
    explicit RecordingEngine(RecordedPage &page, double dpiY)
        : QPaintEngine(QPaintEngine::AllFeatures), page_(page), dpiY_(dpiY)
    {
    }

    bool begin(QPaintDevice *) override
    {
        picturePainter_.begin(&page_.picture);
        return true;
    }

    bool end() override
    {
        picturePainter_.end();
        return true;
    }

    void updateState(const QPaintEngineState &state) override
    {
        const QPaintEngine::DirtyFlags dirty = state.state();
        if (dirty & DirtyTransform) {
            transform_ = state.transform();
            picturePainter_.setTransform(transform_);
        }
        if (dirty & DirtyPen)
            picturePainter_.setPen(state.pen());
        if (dirty & DirtyBrush)
            picturePainter_.setBrush(state.brush());
        if (dirty & DirtyFont) {
            font_ = state.font();
            QFont pictureFont = font_;
            // The picture has its own resolution; keep the device size.
            if (font_.pixelSize() <= 0 && font_.pointSizeF() > 0)
                pictureFont.setPixelSize(int(std::lround(font_.pointSizeF() * dpiY_ / 72.0)));
            picturePainter_.setFont(pictureFont);
        }
    }

    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        page_.texts.push_back(RecordedText{item.text(), transform_.map(p), font_});
        picturePainter_.drawText(p, item.text());
    }

    void drawLines(const QLineF *lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            page_.lines.push_back(transform_.map(lines[i]));
        picturePainter_.drawLines(lines, count);
    }

    void drawLines(const QLine *lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            page_.lines.push_back(transform_.map(QLineF(lines[i])));
        picturePainter_.drawLines(lines, count);
    }

    void drawPath(const QPainterPath &path) override { picturePainter_.drawPath(path); }

    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        if (mode == PolylineMode)
            picturePainter_.drawPolyline(points, count);
        else
            picturePainter_.drawPolygon(points, count,
                                        mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
    }

    void drawRects(const QRectF *rects, int count) override
    {
        picturePainter_.drawRects(rects, count);
    }

    void drawPixmap(const QRectF &r, const QPixmap &pm, const QRectF &sr) override
    {
        picturePainter_.drawPixmap(r, pm, sr);
    }

    void drawImage(const QRectF &r, const QImage &image, const QRectF &sr,
                   Qt::ImageConversionFlags flags) override
    {
        picturePainter_.drawImage(r, image, sr, flags);
    }

    Type type() const override { return QPaintEngine::User; }

private:
    RecordedPage &page_;
    double dpiY_;
    QPainter picturePainter_;
    QTransform transform_;
    QFont font_;
};

class RecordingDevice : public QPaintDevice
{
public:
    RecordingDevice(RecordedPage &page, const DeviceMetrics &m)
        : metrics_(m), engine_(page, m.logPixelsY)
    {
    }
    ~RecordingDevice() override = default;

    QPaintEngine *paintEngine() const override { return const_cast<RecordingEngine *>(&engine_); }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return metrics_.horzRes;
        case PdmHeight:
            return metrics_.vertRes;
        case PdmWidthMM:
            return metrics_.horzSize;
        case PdmHeightMM:
            return metrics_.vertSize;
        case PdmNumColors:
            return metrics_.bitsPixel >= 24 ? 0x7fffffff : (1 << metrics_.bitsPixel);
        case PdmDepth:
            return metrics_.bitsPixel;
        case PdmDpiX:
        case PdmPhysicalDpiX:
            return metrics_.logPixelsX;
        case PdmDpiY:
        case PdmPhysicalDpiY:
            return metrics_.logPixelsY;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    DeviceMetrics metrics_;
    RecordingEngine engine_;
};

} // namespace

class FakeSpooler::Job : public SpoolerJob
{
public:
    Job(FakeSpooler &owner, std::size_t slot, RecordedJob record)
        : owner_(owner), slot_(slot), record_(std::move(record))
    {
        startPage();
    }
    ~Job() override { cancel(); }

    QPainter *painter() override { return &painter_; }
    QPaintDevice *device() override { return device_.get(); }

    void newPage() override
    {
        owner_.enter(Operation::NewPage);
        endPage();
        startPage();
    }

    void finish() override
    {
        owner_.enter(Operation::Finish);
        endPage();
        record_.finished = true;
        done_ = true;
        owner_.storeJob(slot_, record_);
    }

    void cancel() override
    {
        if (done_)
            return;
        endPage();
        record_.cancelled = true;
        done_ = true;
        owner_.storeJob(slot_, record_);
    }

private:
    void startPage()
    {
        record_.pages.emplace_back();
        device_ = std::make_unique<RecordingDevice>(record_.pages.back(), record_.metrics);
        painter_.begin(device_.get());
    }

    void endPage()
    {
        if (painter_.isActive())
            painter_.end();
    }

    FakeSpooler &owner_;
    std::size_t slot_;
    RecordedJob record_;
    std::unique_ptr<RecordingDevice> device_;
    QPainter painter_;
    bool done_ = false;
};

FakePrinter FakePrinter::standard(const QString &name, std::uint32_t attributes)
{
    using namespace devmode;
    FakePrinter p;
    p.name = name;
    p.attributes = attributes;
    p.caps.papers = {{DMPAPER_A5, QStringLiteral("A5")},
                     {DMPAPER_A4, QStringLiteral("A4")},
                     {DMPAPER_LETTER, QStringLiteral("Letter")}};
    p.caps.bins = {{DMBIN_AUTO, QStringLiteral("自動")}, {DMBIN_MANUAL, QStringLiteral("手差し")}};
    p.caps.resolutions = {{600, 600}, {300, 300}};
    p.caps.maxCopies = 99;
    p.defaults = newBlock(name, 8);
    DEVMODEW *dm = fields(p.defaults);
    dm->dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_SCALE |
                   DM_COPIES | DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX |
                   DM_YRESOLUTION | DM_COLLATE;
    dm->dmOrientation = DMORIENT_PORTRAIT;
    dm->dmPaperSize = DMPAPER_A5;
    dm->dmScale = 100;
    dm->dmCopies = 1;
    dm->dmDefaultSource = DMBIN_AUTO;
    dm->dmPrintQuality = 600;
    dm->dmYResolution = 600;
    dm->dmColor = DMCOLOR_MONOCHROME;
    dm->dmDuplex = DMDUP_SIMPLEX;
    dm->dmCollate = DMCOLLATE_FALSE;
    char *extra = driverBytes(p.defaults);
    for (int i = 0; i < 8; ++i)
        extra[i] = char(0xA0 + i);
    return p;
}

void FakeSpooler::setPrinters(std::vector<FakePrinter> printers)
{
    std::lock_guard lock(mutex_);
    printers_ = std::move(printers);
}

void FakeSpooler::addPrinter(FakePrinter printer)
{
    std::lock_guard lock(mutex_);
    printers_.push_back(std::move(printer));
}

void FakeSpooler::removePrinter(const QString &name)
{
    std::lock_guard lock(mutex_);
    std::erase_if(printers_, [&](const FakePrinter &p) { return p.name == name; });
}

void FakeSpooler::setPorts(QStringList ports)
{
    std::lock_guard lock(mutex_);
    ports_ = std::move(ports);
}

void FakeSpooler::setDefaultPrinter(const QString &name)
{
    std::lock_guard lock(mutex_);
    default_ = name;
}

void FakeSpooler::failOn(Operation op, const QString &cause, int times)
{
    std::lock_guard lock(mutex_);
    failures_[op] = Failure{cause, times};
}

void FakeSpooler::clearFailures()
{
    std::lock_guard lock(mutex_);
    failures_.clear();
}

void FakeSpooler::setValidator(std::function<void(const QString &, QByteArray &)> validator)
{
    std::lock_guard lock(mutex_);
    validator_ = std::move(validator);
}

std::vector<RecordedJob> FakeSpooler::jobs() const
{
    std::lock_guard lock(mutex_);
    return jobs_;
}

int FakeSpooler::calls(Operation op) const
{
    std::lock_guard lock(mutex_);
    auto it = calls_.find(op);
    return it == calls_.end() ? 0 : it->second;
}

QString FakeSpooler::lastWorkingDirectory() const
{
    std::lock_guard lock(mutex_);
    return workingDir_;
}

void FakeSpooler::enter(Operation op)
{
    std::lock_guard lock(mutex_);
    ++calls_[op];
    auto it = failures_.find(op);
    if (it == failures_.end())
        return;
    const QString cause = it->second.cause;
    if (it->second.times > 0 && --it->second.times == 0)
        failures_.erase(it);
    throw SpoolerError(cause.toStdString());
}

const FakePrinter &FakeSpooler::find(const QString &device) const
{
    for (const FakePrinter &p : printers_) {
        if (p.name == device)
            return p;
    }
    throw SpoolerError(
        QStringLiteral("The printer \"%1\" does not exist").arg(device).toStdString());
}

void FakeSpooler::storeJob(std::size_t slot, RecordedJob job)
{
    std::lock_guard lock(mutex_);
    if (slot < jobs_.size())
        jobs_[slot] = std::move(job);
}

std::vector<PrinterRecord> FakeSpooler::enumPrinters()
{
    std::lock_guard lock(mutex_);
    enter(Operation::EnumPrinters);
    std::vector<PrinterRecord> out;
    for (const FakePrinter &p : printers_)
        out.push_back(PrinterRecord{p.name, p.attributes});
    return out;
}

QStringList FakeSpooler::enumPorts()
{
    std::lock_guard lock(mutex_);
    enter(Operation::EnumPorts);
    return ports_;
}

QString FakeSpooler::defaultPrinter()
{
    std::lock_guard lock(mutex_);
    enter(Operation::DefaultPrinter);
    return default_;
}

QString FakeSpooler::driverName(const QString &device)
{
    std::lock_guard lock(mutex_);
    return find(device).driver;
}

QString FakeSpooler::portName(const QString &device)
{
    std::lock_guard lock(mutex_);
    return find(device).port;
}

QByteArray FakeSpooler::defaultSettings(const QString &device)
{
    std::lock_guard lock(mutex_);
    enter(Operation::DefaultSettings);
    return find(device).defaults;
}

void FakeSpooler::validateSettings(const QString &device, QByteArray &block)
{
    std::lock_guard lock(mutex_);
    enter(Operation::Validate);
    find(device);
    if (validator_)
        validator_(device, block);
}

DeviceCapabilities FakeSpooler::capabilities(const QString &device, const QByteArray &)
{
    std::lock_guard lock(mutex_);
    enter(Operation::Capabilities);
    return find(device).caps;
}

DeviceMetrics FakeSpooler::metrics(const QString &device, const QByteArray &block)
{
    std::lock_guard lock(mutex_);
    enter(Operation::Metrics);
    const FakePrinter &p = find(device);
    PageGeometry g = geometryFromBlock(block, 600);
    g.leftMm = p.leftMm;
    g.topMm = p.topMm;
    g.rightMm = p.rightMm;
    g.bottomMm = p.bottomMm;
    g.bitsPixel = p.bitsPixel;
    return computeMetrics(g);
}

std::unique_ptr<SpoolerJob> FakeSpooler::startJob(const QString &device, const QString &port,
                                                  const QByteArray &block, const QString &title)
{
    RecordedJob record;
    std::size_t slot = 0;
    {
        std::lock_guard lock(mutex_);
        enter(Operation::StartJob);
        record.metrics = metrics(device, block);
        record.device = device;
        record.port = port;
        record.title = title;
        record.settings = block;
        slot = jobs_.size();
        jobs_.push_back(record);
    }
    return std::make_unique<Job>(*this, slot, std::move(record));
}

void FakeSpooler::setWorkingDirectory(const QString &dir)
{
    std::lock_guard lock(mutex_);
    workingDir_ = dir;
}
