#pragma once
// A spooler's printers followed by the built-in PDF printer, which is
// always listed last. Operations on the PDF printer go to it, all others
// to the system spooler.
//
// Default printer: the system spooler's default. The PDF printer is the
// default only while the system spooler lists no printer (a machine without
// any printer still prints); once it has, a default that cannot be read is
// an error, and no default leaves the choice to the framework printer,
// which takes the first visible printer: never the PDF printer while a
// printer of the system is listed.
//
// A system spooler that cannot be reached is no error while it has not
// listed any printer yet (at start-up the list then holds the PDF printer
// alone); once it has listed printers, a failed listing is reported, so a
// restarting scheduler does not make its printers vanish for a moment.

#include "spooler/PdfSpooler.h"
#include "spooler/Spooler.h"

#include <memory>
#include <mutex>

class SpoolerWithPdf : public Spooler
{
public:
    SpoolerWithPdf(std::unique_ptr<Spooler> system, const QString &workingDirectory);

    Spooler &system() { return *system_; }
    PdfSpooler &pdf() { return pdf_; }

    std::vector<PrinterRecord> enumPrinters() override;
    QStringList enumPorts() override;
    QString defaultPrinter() override;
    QString driverName(const QString &device) override;
    QString portName(const QString &device) override;
    QByteArray defaultSettings(const QString &device) override;
    void validateSettings(const QString &device, QByteArray &block) override;
    DeviceCapabilities capabilities(const QString &device, const QByteArray &block) override;
    DeviceMetrics metrics(const QString &device, const QByteArray &block) override;
    std::unique_ptr<SpoolerJob> startJob(const QString &device, const QString &port,
                                         const QByteArray &block, const QString &title) override;
    void setWorkingDirectory(const QString &dir) override;
    void prefetch(const QStringList &devices) override;
    void reuseReads(bool on) override { system_->reuseReads(on); }
    JobStatus jobStatus(const QString &device, int jobId) override;
    QString writtenFile(const QString &device) override { return target(device).writtenFile(device); }
    // The outcome of the last listing of the system spooler.
    SpoolerStatus systemStatus() override;

private:
    Spooler &target(const QString &device);

    std::unique_ptr<Spooler> system_;
    PdfSpooler pdf_;
    std::mutex mutex_;
    bool systemListedPrinters_ = false;
    SpoolerStatus status_;
};
