#pragma once
// The built-in PDF printer: always available, it writes each job as a PDF
// file named after the job title into the folder "納品書PDF" of the working
// directory. An existing file is never overwritten: the second job titled
// "T" becomes "T (2).pdf", the third "T (3).pdf", and so on.
//
// Papers A5, A4, JIS B5, Letter and Hagaki; one automatic bin; 600 dpi;
// no unprintable margin.

#include "spooler/Spooler.h"

#include <QBuffer>
#include <QPainter>
#include <memory>
#include <mutex>

class QPdfWriter;

// Pages drawn with QPainter into a PDF held in memory: the page size and
// orientation from the geometry, the painter in device pixels at the
// geometry's resolution with its origin at the printable area's top-left
// corner (a y resolution that differs from x is met by scaling).
class PdfPages
{
public:
    PdfPages(const PageGeometry &geometry, const QString &title);
    ~PdfPages();
    QPainter *painter() { return &painter_; }
    QPaintDevice *device();
    void newPage();
    // Ends the document and returns the PDF.
    QByteArray finish();
    int pageCount() const { return pages_; }

private:
    void preparePainter();

    PageGeometry geometry_;
    QBuffer buffer_;
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
    int pages_ = 1;
};

class PdfSpooler : public Spooler
{
public:
    explicit PdfSpooler(const QString &workingDirectory);

    // The printer's name in the printer list: a name no CUPS queue can
    // carry (it has a space), so the two never clash.
    static QString printerName();
    static QString folderName(); // "納品書PDF"
    // The file a job with this title is written to in a folder: the title
    // with characters unfit for file names replaced by "_", ".pdf", and a
    // " (n)" before ".pdf" from n = 2 on while the name is taken.
    static QString fileNameFor(const QString &folder, const QString &title);

    QString outputFolder() const;

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
    // The file the last job wrote; empty while a job runs or when it failed.
    QString writtenFile(const QString &device) override;

private:
    mutable std::mutex mutex_;
    QString workingDir_;
    QString lastFile_;
};
