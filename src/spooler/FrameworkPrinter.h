#pragma once
// The GUI framework's printer object: the current printer (a raw position
// in its printer list, -1 for the system's default), the device, driver
// and port names, the current settings block in a movable block with a lock
// count, and the print job with its page canvas.

#include "spooler/DevMode.h"
#include "spooler/Spooler.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

class QPainter;
class QPaintDevice;

// A settings block kept the way the framework keeps it: callers lock it to
// reach the bytes and unlock it again. The lock count lets tests prove that
// no operation leaves a block locked.
class SettingsHandle
{
public:
    explicit SettingsHandle(QByteArray block) : bytes_(std::move(block)) {}

    // The block's bytes; valid until the matching unlock().
    char *lock();
    // The same bytes as an array, for callers that hold a lock.
    QByteArray &lockedBytes() { return bytes_; }
    void unlock();
    int lockCount() const { return locks_; }
    qsizetype size() const { return bytes_.size(); }
    // A copy of the bytes (no lock needed).
    QByteArray bytes() const { return bytes_; }

private:
    QByteArray bytes_;
    int locks_ = 0;
};

using SettingsHandlePtr = std::shared_ptr<SettingsHandle>;

class FrameworkPrinter
{
public:
    // printers: the list the framework works with, in spooler order.
    FrameworkPrinter(Spooler &spooler, std::vector<PrinterRecord> printers);
    ~FrameworkPrinter(); // cancels a running job
    FrameworkPrinter(const FrameworkPrinter &) = delete;
    FrameworkPrinter &operator=(const FrameworkPrinter &) = delete;

    Spooler &spooler() { return spooler_; }
    const std::vector<PrinterRecord> &printers() const { return printers_; }

    // The raw position of the current printer. A pending -1 resolves to the
    // system's default printer (the first visible printer when the spooler
    // names none or a hidden one); -1 only when the list has no printer to
    // choose. A default that cannot be read throws SpoolerError and stays
    // pending.
    int printerIndex();
    // Selects the printer at a raw position (-1: the default printer) with
    // its driver's default settings. Throws SpoolerError for a position
    // outside the list or when the driver's settings cannot be read (the
    // printer is selected then, without settings).
    void setPrinterIndex(int index);

    struct Current
    {
        QString device;
        QString driver;
        QString port;
        SettingsHandlePtr settings; // null: no settings loaded
    };
    Current printer();
    // Makes a printer of the list current with the given names and settings
    // (null forgets the old settings). Throws SpoolerError for a device
    // that is not in the list.
    void setPrinter(const QString &device, const QString &driver, const QString &port,
                    SettingsHandlePtr settings);

    // Locks held on the current settings block (0 without one).
    int settingsLockCount() const;

    // Device measures of the current printer with its current settings.
    DeviceMetrics metrics();

    // Print job. The title becomes the spooler's job name. A job
    // orientation (DMORIENT_PORTRAIT or DMORIENT_LANDSCAPE; 0 none) turns
    // the page of the jobs begun while it is set, leaving the current
    // settings as they are.
    void setJobOrientation(std::int16_t orientation) { jobOrientation_ = orientation; }
    QString title() const { return title_; }
    void setTitle(const QString &title) { title_ = title; }
    void beginDoc();
    void newPage();
    void endDoc();
    void abort();
    bool printing() const { return job_ != nullptr; }
    // The scheduler's id of the last job endDoc handed over (0: none, or a
    // printer without a scheduler) and its printer.
    int lastJobId() const { return lastJobId_; }
    QString lastJobDevice() const { return lastJobDevice_; }
    // The page being drawn during a job, nullptr outside one. Coordinates
    // are device pixels at metrics().logPixelsX/Y with the origin at the
    // printable area's top-left corner.
    QPainter *canvas();
    QPaintDevice *handle();

private:
    void resolveIndex();
    QByteArray currentBlock();

    Spooler &spooler_;
    std::vector<PrinterRecord> printers_;
    int index_ = -1;
    bool resolved_ = false;
    QString device_;
    QString driver_;
    QString port_;
    SettingsHandlePtr settings_;
    QString title_;
    std::unique_ptr<SpoolerJob> job_;
    int lastJobId_ = 0;
    std::int16_t jobOrientation_ = 0;
    QString lastJobDevice_;
};
