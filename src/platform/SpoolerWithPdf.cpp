#include "platform/SpoolerWithPdf.h"

#include "platform/CupsSpooler.h"

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
    } catch (const SpoolerError &) {
        std::lock_guard lock(mutex_);
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
    QString name;
    try {
        name = system_->defaultPrinter();
    } catch (const SpoolerError &) {
        name.clear();
    }
    return name.isEmpty() ? pdf_.defaultPrinter() : name;
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

std::unique_ptr<Spooler> createSystemSpooler(const QString &workingDirectory)
{
    return std::make_unique<SpoolerWithPdf>(std::make_unique<CupsSpooler>(), workingDirectory);
}
