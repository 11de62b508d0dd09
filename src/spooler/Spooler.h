#pragma once
// The print spooler as this program sees it: the printer list, ports, a
// driver's capability lists and default settings, validation of a changed
// settings block, device measures for a block, and print jobs drawn with a
// QPainter. Backends (private to this folder; createSystemSpooler() below is
// the one way in): CupsSpooler (the system's CUPS scheduler), PdfSpooler (the
// built-in PDF printer) and SpoolerWithPdf (the two together). The tests'
// scripted FakeSpooler lives in tests/support/.
//
// Threading: enumPrinters(), enumPorts() and jobStatus() may be called from
// the printer poll's worker thread while the user-interface thread uses the
// other operations, and enumPrinters() and prefetch() from the worker that
// takes the first listing; every backend allows that. All other operations
// belong to the user-interface thread.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

class QPainter;
class QPaintDevice;

// The attribute bit of a printer that is left out of every list shown.
inline constexpr std::uint32_t PRINTER_ATTRIBUTE_HIDDEN = 0x20;

struct PrinterRecord
{
    QString name;
    std::uint32_t attributes = 0;
    friend bool operator==(const PrinterRecord &, const PrinterRecord &) = default;
};

// What kept a spooler operation from its printer, where the operator must
// be told more than "it failed".
enum class SpoolerFault {
    Other,         // any other failure; what() says it
    Unreachable,   // the scheduler refuses connections or is not there
    NotAnswering,  // the scheduler took the connection but did not answer in time
    NoSuchPrinter, // the scheduler answered that the printer does not exist
    NotAccepting,  // the printer rejects jobs (cupsreject)
};

// A spooler operation that failed; what() names the operation and the cause.
// fault() tells the kind; server() names the scheduler ("localhost:631") and
// printer() the printer concerned, where known.
class SpoolerError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
    SpoolerError(SpoolerFault fault, const QString &server, const QString &printer,
                 const QString &what)
        : std::runtime_error(what.toStdString()), fault_(fault), server_(server), printer_(printer)
    {
    }
    SpoolerFault fault() const { return fault_; }
    QString server() const { return server_; }
    QString printer() const { return printer_; }

private:
    SpoolerFault fault_ = SpoolerFault::Other;
    QString server_;
    QString printer_;
};

// The outcome of the last listing of the system's scheduler: fault Other
// with an empty server when it answered (or there is no such scheduler).
struct SpoolerStatus
{
    SpoolerFault fault = SpoolerFault::Other;
    QString server;
    bool reachable() const { return server.isEmpty(); }
};

// A submitted job as the scheduler sees it, with its printer's state.
enum class JobState { Pending, Held, Processing, Stopped, Canceled, Aborted, Completed, Unknown };
struct JobStatus
{
    JobState job = JobState::Unknown;
    bool printerStopped = false; // paused (cupsdisable)
    bool printerAccepting = true;
};

struct PaperEntry
{
    std::uint16_t number = 0; // DMPAPER_*
    QString name;             // at most 64 characters are used
};

struct BinEntry
{
    std::uint16_t number = 0; // DMBIN_*
    QString name;             // at most 24 characters are used
};

struct Resolution
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Resolution &, const Resolution &) = default;
};

// What a driver offers. An empty list stands for "not available" (the
// count query's -1 or 0); maxCopies 0 likewise.
struct DeviceCapabilities
{
    std::vector<PaperEntry> papers;
    std::vector<BinEntry> bins;
    std::vector<Resolution> resolutions;
    int maxCopies = 0;
};

// The device measures of a printer for one settings block, as a printer
// device context reports them (pixels at the effective resolution, sizes in
// millimetres).
struct DeviceMetrics
{
    int horzRes = 0;         // printable width, pixels
    int vertRes = 0;         // printable height, pixels
    int horzSize = 0;        // printable width, mm
    int vertSize = 0;        // printable height, mm
    int logPixelsX = 0;      // pixels per inch across
    int logPixelsY = 0;      // pixels per inch down
    int physicalWidth = 0;   // sheet width, pixels
    int physicalHeight = 0;  // sheet height, pixels
    int physicalOffsetX = 0; // printable area from the sheet's left edge
    int physicalOffsetY = 0; // printable area from the sheet's top edge
    int bitsPixel = 1;
    int planes = 1;
    friend bool operator==(const DeviceMetrics &, const DeviceMetrics &) = default;
};

// The sheet, margins and resolution behind a printer's device measures.
// Margins are given for the portrait sheet; landscape turns the sheet a
// quarter turn anticlockwise, so the portrait top margin becomes the left.
struct PageGeometry
{
    double widthMm = 0; // portrait sheet
    double lengthMm = 0;
    double leftMm = 0;
    double topMm = 0;
    double rightMm = 0;
    double bottomMm = 0;
    int dpiX = 0;
    int dpiY = 0;
    bool landscape = false;
    int bitsPixel = 1;
};

// Device measures for a geometry, pixels rounded to the nearest. Example:
// A5 at 600 dpi without margins is 3496 x 4961 pixels, 148 x 210 mm.
DeviceMetrics computeMetrics(const PageGeometry &g);

// The sheet and resolution a settings block asks for: its paper number (or
// the user size for DMPAPER_USER), orientation and dmPrintQuality /
// dmYResolution (fallbackDpi when they hold no positive resolution).
// Margins are left at 0. Throws SpoolerError for a paper number without
// known dimensions.
PageGeometry geometryFromBlock(const QByteArray &block, int fallbackDpi);

// One running print job. painter() draws the current page in device pixels
// at the block's resolution (logPixelsX/Y), the origin at the top-left
// corner of the printable area. Each failing call throws SpoolerError; a job
// that failed is cancelled and leaves nothing behind.
class SpoolerJob
{
public:
    virtual ~SpoolerJob() = default;
    virtual QPainter *painter() = 0;
    virtual QPaintDevice *device() = 0;
    virtual void newPage() = 0;
    virtual void finish() = 0; // hands the pages to the printer
    virtual void cancel() = 0; // drops the job; never throws
    // The scheduler's id of the job after finish(); 0 where no scheduler
    // keeps the job (the PDF printer, the fake).
    virtual int jobId() const { return 0; }
};

class Spooler
{
public:
    virtual ~Spooler() = default;

    // The printers in spooler order. Throws SpoolerError when the list
    // cannot be taken.
    virtual std::vector<PrinterRecord> enumPrinters() = 0;
    // The ports in spooler order (may repeat). Throws SpoolerError.
    virtual QStringList enumPorts() = 0;
    // The system's default printer; empty when there is none.
    virtual QString defaultPrinter() = 0;

    // The driver name and port of a printer.
    virtual QString driverName(const QString &device) = 0;
    virtual QString portName(const QString &device) = 0;

    // The driver's default settings block for a printer.
    virtual QByteArray defaultSettings(const QString &device) = 0;
    // Merges and validates a changed block in place, as the driver would.
    virtual void validateSettings(const QString &device, QByteArray &block) = 0;
    // The capability lists for a printer with the given settings.
    virtual DeviceCapabilities capabilities(const QString &device, const QByteArray &block) = 0;
    // The device measures for a printer with the given settings.
    virtual DeviceMetrics metrics(const QString &device, const QByteArray &block) = 0;
    // Starts a job on the printer with the given settings and job title.
    virtual std::unique_ptr<SpoolerJob> startJob(const QString &device, const QString &port,
                                                 const QByteArray &block, const QString &title) = 0;

    // The state of a job that finish() handed over and of its printer.
    // May be called from the poll's worker thread. Throws SpoolerError.
    virtual JobStatus jobStatus(const QString &device, int jobId)
    {
        (void)device;
        (void)jobId;
        return JobStatus{JobState::Completed, false, true};
    }
    // How the system's scheduler answered its last listing.
    virtual SpoolerStatus systemStatus() { return {}; }

    // Where the built-in PDF printer writes ("<dir>/納品書PDF"); ignored by
    // backends without one.
    virtual void setWorkingDirectory(const QString &) {}

    // Starts reading these printers' capabilities in the background, so
    // that their first selection finds them read; a hint, never throws.
    virtual void prefetch(const QStringList &) {}
    // While on (nested), capability reads of a printer reuse a read made
    // moments before: one operator action, such as selecting a printer and
    // filling its lists, then sees one state of the printer and asks once.
    // Off, every read asks the printer.
    virtual void reuseReads(bool on) { (void)on; }

    // The file the last job finished on this printer was written to, for
    // printers that write files (the built-in PDF printer); empty otherwise.
    virtual QString writtenFile(const QString &device)
    {
        (void)device;
        return {};
    }
};

// The program's spooler: the CUPS scheduler (CUPS_SERVER respected) and
// the built-in PDF printer writing under workingDirectory.
std::unique_ptr<Spooler> createSystemSpooler(const QString &workingDirectory);

// Reuses capability reads for the lifetime of this object (see reuseReads).
class SpoolerReadReuse
{
public:
    explicit SpoolerReadReuse(Spooler *spooler) : spooler_(spooler)
    {
        if (spooler_)
            spooler_->reuseReads(true);
    }
    ~SpoolerReadReuse()
    {
        if (spooler_)
            spooler_->reuseReads(false);
    }
    SpoolerReadReuse(const SpoolerReadReuse &) = delete;
    SpoolerReadReuse &operator=(const SpoolerReadReuse &) = delete;

private:
    Spooler *spooler_;
};
