#pragma once
// The CUPS scheduler as the spooler (libcups 2.4). The scheduler is the one
// libcups is pointed at (CUPS_SERVER, client.conf); every request uses a
// connection of its own with a connect timeout, so a scheduler that is down
// or slow shows as a SpoolerError instead of a hang.
//
// - Printers: the scheduler's own queues (one CUPS-Get-Printers request, no
//   network browsing), in its order; a queue that was only discovered or is
//   temporary counts as hidden. The default: LPDEST or PRINTER when set,
//   else the scheduler's default. The port of a printer is its device URI (without user info).
// - Papers map to DMPAPER_* by their dimensions (A5 11, A4 9, JIS B5 13,
//   Letter 1, Hagaki 43, any other size 256); paper sources map per printer
//   to DMBIN_* (auto 7, manual 4, top 1, bottom 2, the first continuous-feed
//   source 8, any other the 256 + its position in the printer's list).
// - A settings block keeps the exact IPP keywords (media name, media
//   source) in its driver bytes, so a block round-trips exactly; when a
//   public field was changed, validation picks the keyword that matches it.
// - A job is drawn into a PDF at the block's resolution and page, and
//   submitted with the job title as job name and the block as options.

#include "platform/Spooler.h"

#include <QByteArray>
#include <QString>

class CupsSpooler : public Spooler
{
public:
    // timeoutMs: connect timeout and longest wait for an answer in each
    // request (a silent scheduler costs a few of these per operation).
    explicit CupsSpooler(int timeoutMs = 2000);

    // The keywords a block carries in its driver bytes (empty when none).
    static QString mediaKeyword(const QByteArray &block);
    static QString sourceKeyword(const QByteArray &block);
    // DMPAPER_* for a sheet in hundredths of a millimetre (±1 mm).
    static int paperNumberFor(int width, int length);
    // DMBIN_* for each source keyword of a printer, in the printer's order.
    static std::vector<int> binNumbersFor(const QStringList &sourceKeywords);

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

private:
    int timeoutMs_;
};
