#pragma once
// The CUPS scheduler as the spooler (libcups 2.4). The scheduler is the one
// libcups is pointed at (CUPS_SERVER, client.conf); every operation uses a
// connection of its own with a connect and answer timeout, so a scheduler
// that is down shows as SpoolerFault::Unreachable and one that stopped
// answering as SpoolerFault::NotAnswering, each within one timeout, instead
// of a hang. After a request found the scheduler silent, operations other
// than the listings fail at once for a while (see Health).
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
// - While reads are reused (Spooler::reuseReads), a printer's capabilities,
//   once read, serve its settings, capability, metric, make and device
//   reads (and the default printer's name) for up to
//   InfoCache::reuse: one selection of a printer makes several of them in a
//   row. Otherwise, and for a job always, they are read afresh (a job must
//   see a printer that stopped accepting). prefetch() reads them on a
//   worker thread ahead of the first selection.

#include "spooler/Spooler.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <thread>

class CupsSpooler : public Spooler
{
public:
    // timeoutMs: connect timeout and the longest a request waits for its
    // answer (a silent scheduler costs one of these per operation, then
    // nothing while it stays silent).
    explicit CupsSpooler(int timeoutMs = 3000);
    ~CupsSpooler() override;

    // The keywords a block carries in its driver bytes (empty when none).
    static QString mediaKeyword(const QByteArray &block);
    static QString sourceKeyword(const QByteArray &block);
    // The name shown for a paper source: Japanese for the common IPP
    // keywords (auto 自動選択, manual 手差し, tray-1 トレイ1, by-pass-tray
    // 手差しトレイ, main メイン, envelope 封筒, …), else the printer's own
    // localized name (the keyword when it has none).
    static QString binName(const QString &keyword, const QString &schedulerName);
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
    JobStatus jobStatus(const QString &device, int jobId) override;
    void prefetch(const QStringList &devices) override;
    void reuseReads(bool on) override;

    // Whether the scheduler lately kept silent (shared with running jobs).
    struct Health;
    // Capabilities read lately, per printer.
    struct InfoCache;

private:
    int timeoutMs_;
    std::shared_ptr<Health> health_;
    std::unique_ptr<InfoCache> cache_;
    std::thread prefetcher_; // joined before cache_ goes
};
