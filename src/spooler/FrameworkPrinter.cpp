#include "spooler/FrameworkPrinter.h"

char *SettingsHandle::lock()
{
    ++locks_;
    return bytes_.data();
}

void SettingsHandle::unlock()
{
    if (locks_ > 0)
        --locks_;
}

FrameworkPrinter::FrameworkPrinter(Spooler &spooler, std::vector<PrinterRecord> printers)
    : spooler_(spooler), printers_(std::move(printers))
{
}

FrameworkPrinter::~FrameworkPrinter()
{
    if (job_)
        job_->cancel();
}

void FrameworkPrinter::resolveIndex()
{
    if (resolved_)
        return;
    // A default that cannot be read is reported (and asked again next
    // time); guessing would print on a printer nobody chose.
    const QString name = spooler_.defaultPrinter();
    resolved_ = true;
    // A hidden printer cannot be the default: once selected, no other
    // printer could be chosen through the printer object any more.
    int found = -1;
    for (std::size_t i = 0; i < printers_.size(); ++i) {
        if (printers_[i].name == name && !(printers_[i].attributes & PRINTER_ATTRIBUTE_HIDDEN)) {
            found = int(i);
            break;
        }
    }
    if (found < 0) {
        for (std::size_t i = 0; i < printers_.size(); ++i) {
            if (!(printers_[i].attributes & PRINTER_ATTRIBUTE_HIDDEN)) {
                found = int(i);
                break;
            }
        }
    }
    index_ = found;
    if (index_ >= 0) {
        device_ = printers_[std::size_t(index_)].name;
        driver_.clear();
        port_.clear();
        settings_.reset();
        try {
            driver_ = spooler_.driverName(device_);
            port_ = spooler_.portName(device_);
            settings_ = std::make_shared<SettingsHandle>(spooler_.defaultSettings(device_));
        } catch (const SpoolerError &) {
            // The printer is selected without settings; the next request
            // for them tries again and reports the cause.
        }
    }
}

int FrameworkPrinter::printerIndex()
{
    resolveIndex();
    return index_;
}

void FrameworkPrinter::setPrinterIndex(int index)
{
    if (index == -1) {
        resolved_ = false;
        resolveIndex();
        if (index_ >= 0 && !settings_)
            settings_ = std::make_shared<SettingsHandle>(spooler_.defaultSettings(device_));
        return;
    }
    if (index < 0 || index >= int(printers_.size()))
        throw SpoolerError("Printer index out of range");
    resolved_ = true;
    index_ = index;
    device_ = printers_[std::size_t(index)].name;
    driver_.clear();
    port_.clear();
    settings_.reset();
    driver_ = spooler_.driverName(device_);
    port_ = spooler_.portName(device_);
    settings_ = std::make_shared<SettingsHandle>(spooler_.defaultSettings(device_));
}

FrameworkPrinter::Current FrameworkPrinter::printer()
{
    resolveIndex();
    return Current{device_, driver_, port_, settings_};
}

void FrameworkPrinter::setPrinter(const QString &device, const QString &driver, const QString &port,
                                  SettingsHandlePtr settings)
{
    int found = -1;
    for (std::size_t i = 0; i < printers_.size(); ++i) {
        if (printers_[i].name == device) {
            found = int(i);
            break;
        }
    }
    if (found < 0)
        throw SpoolerError(
            QStringLiteral("Printer \"%1\" is not installed").arg(device).toStdString());
    resolved_ = true;
    index_ = found;
    device_ = device;
    driver_ = driver;
    port_ = port;
    settings_ = std::move(settings);
}

int FrameworkPrinter::settingsLockCount() const
{
    return settings_ ? settings_->lockCount() : 0;
}

QByteArray FrameworkPrinter::currentBlock()
{
    resolveIndex();
    if (index_ < 0)
        throw SpoolerError("No printer is selected");
    if (!settings_)
        settings_ = std::make_shared<SettingsHandle>(spooler_.defaultSettings(device_));
    return settings_->bytes();
}

DeviceMetrics FrameworkPrinter::metrics()
{
    const QByteArray block = currentBlock();
    return spooler_.metrics(device_, block);
}

void FrameworkPrinter::beginDoc()
{
    if (job_)
        throw SpoolerError("A print job is already running");
    QByteArray block = currentBlock();
    if (jobOrientation_ != 0) {
        if (DEVMODEW *dm = devmode::fields(block)) {
            dm->dmOrientation = jobOrientation_;
            dm->dmFields |= devmode::DM_ORIENTATION;
        }
    }
    job_ = spooler_.startJob(device_, port_, block, title_);
}

void FrameworkPrinter::newPage()
{
    if (!job_)
        throw SpoolerError("No print job is running");
    try {
        job_->newPage();
    } catch (...) {
        abort();
        throw;
    }
}

void FrameworkPrinter::endDoc()
{
    if (!job_)
        throw SpoolerError("No print job is running");
    std::unique_ptr<SpoolerJob> job = std::move(job_);
    lastJobId_ = 0;
    lastJobDevice_ = device_;
    try {
        job->finish();
    } catch (...) {
        job->cancel();
        throw;
    }
    lastJobId_ = job->jobId();
}

void FrameworkPrinter::abort()
{
    if (!job_)
        return;
    std::unique_ptr<SpoolerJob> job = std::move(job_);
    job->cancel();
}

QPainter *FrameworkPrinter::canvas()
{
    return job_ ? job_->painter() : nullptr;
}

QPaintDevice *FrameworkPrinter::handle()
{
    return job_ ? job_->device() : nullptr;
}
