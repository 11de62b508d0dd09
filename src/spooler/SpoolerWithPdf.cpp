#include "spooler/SpoolerWithPdf.h"

#include "spooler/CupsSpooler.h"

SpoolerWithPdf::SpoolerWithPdf(std::unique_ptr<Spooler> system, const QString &workingDirectory)
    : system_(std::move(system)), pdf_(workingDirectory)
{
}

Spooler &SpoolerWithPdf::target(const QString &device)
{
    if (device == PdfSpooler::printerName())
        return pdf_;
    return *system_;
}

std::vector<PrinterRecord> SpoolerWithPdf::enumPrinters()
{
    std::vector<PrinterRecord> printers;
    try {
        printers = system_->enumPrinters();
        std::lock_guard lock(mutex_);
        systemListedPrinters_ = !printers.empty();
        status_ = SpoolerStatus{};
    } catch (const SpoolerError &e) {
        std::lock_guard lock(mutex_);
        status_ = SpoolerStatus{e.fault(), e.server().isEmpty() ? QStringLiteral("?") : e.server()};
        if (systemListedPrinters_)
            throw;
    }
    for (const PrinterRecord &r : pdf_.enumPrinters())
        printers.push_back(r);
    return printers;
}

QStringList SpoolerWithPdf::enumPorts()
{
    QStringList ports;
    try {
        ports = system_->enumPorts();
    } catch (const SpoolerError &) {
        std::lock_guard lock(mutex_);
        if (systemListedPrinters_)
            throw;
    }
    ports += pdf_.enumPorts();
    return ports;
}

QString SpoolerWithPdf::defaultPrinter()
{
    // The PDF printer is the default only while the list holds no printer
    // of the system; otherwise a failed read is reported and no default
    // leaves the choice to the list (its first printer of the system).
    bool listed = false;
    {
        std::lock_guard lock(mutex_);
        listed = systemListedPrinters_;
    }
    try {
        const QString name = system_->defaultPrinter();
        if (!name.isEmpty() || listed)
            return name;
    } catch (const SpoolerError &) {
        if (listed)
            throw;
    }
    return pdf_.defaultPrinter();
}

JobStatus SpoolerWithPdf::jobStatus(const QString &device, int jobId)
{
    return target(device).jobStatus(device, jobId);
}

SpoolerStatus SpoolerWithPdf::systemStatus()
{
    std::lock_guard lock(mutex_);
    return status_;
}

QString SpoolerWithPdf::driverName(const QString &device)
{
    return target(device).driverName(device);
}

QString SpoolerWithPdf::portName(const QString &device)
{
    return target(device).portName(device);
}

QByteArray SpoolerWithPdf::defaultSettings(const QString &device)
{
    return target(device).defaultSettings(device);
}

void SpoolerWithPdf::validateSettings(const QString &device, QByteArray &block)
{
    target(device).validateSettings(device, block);
}

DeviceCapabilities SpoolerWithPdf::capabilities(const QString &device, const QByteArray &block)
{
    return target(device).capabilities(device, block);
}

DeviceMetrics SpoolerWithPdf::metrics(const QString &device, const QByteArray &block)
{
    return target(device).metrics(device, block);
}

std::unique_ptr<SpoolerJob> SpoolerWithPdf::startJob(const QString &device, const QString &port,
                                                     const QByteArray &block, const QString &title)
{
    return target(device).startJob(device, port, block, title);
}

void SpoolerWithPdf::setWorkingDirectory(const QString &dir)
{
    pdf_.setWorkingDirectory(dir);
    system_->setWorkingDirectory(dir);
}

void SpoolerWithPdf::prefetch(const QStringList &devices)
{
    QStringList system;
    for (const QString &d : devices) {
        if (&target(d) == system_.get())
            system.append(d);
    }
    system_->prefetch(system);
}

std::unique_ptr<Spooler> createSystemSpooler(const QString &workingDirectory)
{
    return std::make_unique<SpoolerWithPdf>(std::make_unique<CupsSpooler>(), workingDirectory);
}
