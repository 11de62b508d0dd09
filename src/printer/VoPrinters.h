#pragma once
// The printer access layer: the one global printer object VoPrinter through
// which the program selects a printer among the visible installed printers,
// reads and changes its settings in a private copy, measures the page and
// runs print jobs; the snapshot of the installed printers it rests on; its
// errors; and the print and printer set-up dialogs.
//
// Canvas convention: during a job, Canvas() is a QPainter on the current
// page that draws in device pixels at the resolution DPI() reports, with the
// origin at the top-left corner of the printable area (Offset() pixels from
// the sheet's corner), as a printer device context does. Example: at 600 dpi
// on A5 portrait with no margins, PageExtent() is (3496, 4961) and
// Canvas()->drawText(QPoint(600, 600), ...) sets text one inch from the
// sheet's top and left edges.

#include "spooler/Spooler.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class FrameworkPrinter;
struct DEVMODEW;

class QDialog;
class QPainter;
class QPaintDevice;
class QWidget;

struct TSize
{
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    friend bool operator==(const TSize &, const TSize &) = default;
};

// A set of enumeration values (values below 32).
template <typename E> class VoSet
{
public:
    constexpr VoSet() = default;
    constexpr VoSet(std::initializer_list<E> values)
    {
        for (E v : values)
            include(v);
    }
    constexpr bool contains(E v) const { return bits_ & bit(v); }
    constexpr void include(E v) { bits_ |= bit(v); }
    constexpr void exclude(E v) { bits_ &= ~bit(v); }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr std::uint32_t bits() const { return bits_; }
    friend constexpr bool operator==(VoSet, VoSet) = default;

private:
    static constexpr std::uint32_t bit(E v) { return std::uint32_t(1) << unsigned(v); }
    std::uint32_t bits_ = 0;
};

enum TVoAvailInfo { voAvPaperSize, voAvBin, voAvQuality, voAvMaxCopies };
using TVoAvailInfos = VoSet<TVoAvailInfo>;

enum TVoPrintCap {
    voPcOrientation,
    voPcPaperSize,
    voPcPaperlength,
    voPcPaperWidth,
    voPcScale,
    voPcCopies,
    voPcDefaultSource,
    voPcPrintQuality,
    voPcColor,
    voPcDuplex,
    voPcYResolution,
    voPcTTOption,
    voPcCollate,
    voPcFormName,
    voPcLogPixels,
    voPcMediaType,
    voPcDitherType,
};
using TVoPrintCaps = VoSet<TVoPrintCap>;

// The DEVMODEW field flag that stands for each changeable setting.
std::uint32_t printCapFlag(TVoPrintCap cap);

enum TVoPaperOrientation { voOrPortrait, voOrLandScape };
enum TVoDuplex { voDupSimplex, voDupHorizontal, voDupVertical };

// Base of every error of this layer; what() is the message (UTF-8). An
// error that a spooler failure caused keeps its kind, the scheduler and the
// printer concerned (SpoolerFault::Other and empty names otherwise), so the
// print command can tell the operator what happened in plain words.
class EVoPrinter : public std::runtime_error
{
public:
    explicit EVoPrinter(const QString &message) : std::runtime_error(message.toStdString()) {}
    EVoPrinter(const QString &message, SpoolerFault fault, const QString &server,
               const QString &printer)
        : std::runtime_error(message.toStdString()), fault_(fault), server_(server),
          printer_(printer)
    {
    }
    QString Message() const { return QString::fromUtf8(what()); }
    SpoolerFault Fault() const { return fault_; }
    QString Server() const { return server_; }
    QString PrinterName() const { return printer_; }

private:
    SpoolerFault fault_ = SpoolerFault::Other;
    QString server_;
    QString printer_;
};
class EVOPrinterRangeError : public EVoPrinter
{
    using EVoPrinter::EVoPrinter;
};
class EVOPrinterPaperSizeError : public EVoPrinter
{
    using EVoPrinter::EVoPrinter;
};
class EVoPrinterBinError : public EVoPrinter
{
    using EVoPrinter::EVoPrinter;
};
class EVoPrinterNoPrinter : public EVoPrinter
{
    using EVoPrinter::EVoPrinter;
};
class EVoPrinterNotSupported : public EVoPrinter
{
    using EVoPrinter::EVoPrinter;
};
class EVoPrinterNoInfo : public EVoPrinter
{
    using EVoPrinter::EVoPrinter;
};
class EVoPrinterIllegalIndex : public EVoPrinter
{
    using EVoPrinter::EVoPrinter;
};
class EVoPrinterNoUserPaperExtent : public EVoPrinter
{
    using EVoPrinter::EVoPrinter;
};

// An internal consistency check of this layer that failed (a program
// fault, not a printer condition). The message ends with " (VoPrinters)";
// a check without a message of its own reads "アサートの失敗 (VoPrinters)".
class EVoAssertionFailed : public std::logic_error
{
public:
    explicit EVoAssertionFailed(const QString &message);
    QString Message() const { return QString::fromUtf8(what()); }
};

// One enumeration of the installed printers. Level is 4: records carry the
// printer name and the attribute word.
class TVoAllPrintersInfo
{
public:
    // Takes a snapshot from the spooler; a failed enumeration raises
    // EVoPrinter naming the cause.
    explicit TVoAllPrintersInfo(Spooler &spooler);
    explicit TVoAllPrintersInfo(std::vector<PrinterRecord> records);

    int Level() const { return 4; }
    std::uint32_t Count() const { return std::uint32_t(records_.size()); }
    // 0 <= i < Count(); not checked.
    QString Name(int i) const { return records_[std::size_t(i)].name; }
    std::uint32_t Attributes(int i) const { return records_[std::size_t(i)].attributes; }
    // Same printers, names and attribute words, in the same order.
    bool Compare(const TVoAllPrintersInfo &Another) const;

    const std::vector<PrinterRecord> &records() const { return records_; }

private:
    std::vector<PrinterRecord> records_;
};

class TVoPrinter;
using TNotifyEvent = std::function<void(TVoPrinter *Sender)>;

// What became of a job handed to a scheduler, as far as the operator must
// hear of it: the printer is paused or rejects jobs (the job waits), or the
// job ended without printing.
enum class JobTrouble { None, PrinterStopped, NotAccepting, JobStopped, JobCanceled, JobAborted };
struct JobVerdict
{
    JobTrouble trouble = JobTrouble::None;
    bool done = false; // nothing more to learn: completed, or trouble found
};
// One look at a job: completed ends the watch in silence; stopped, canceled
// or aborted end it with that trouble; a waiting job on a paused or
// rejecting printer ends it with the printer's trouble; else watch on.
JobVerdict judgeJob(const JobStatus &status);

// The printer (device name) and what happened to the job sent to it.
using TJobTroubleEvent = std::function<void(const QString &Printer, JobTrouble Trouble)>;

// How long a job is followed after it was handed over.
inline constexpr std::chrono::seconds JobWatchTime{15};

// The settings-change broadcast that makes the printer object check the
// installed printers and ports.
inline constexpr unsigned WM_WININICHANGE = 0x001A;

class TVoPrinter
{
public:
    // When the installed printers are first listed: at once on the calling
    // thread (a scheduler that takes the connection and does not answer
    // then holds the caller for its whole timeout), or on a worker thread
    // while the object holds no printer yet (ListingPending()), so that the
    // program's window need not wait for the scheduler.
    enum class FirstListing { Now, InBackground };
    explicit TVoPrinter(Spooler &spooler, FirstListing first = FirstListing::Now);
    ~TVoPrinter();
    TVoPrinter(const TVoPrinter &) = delete;
    TVoPrinter &operator=(const TVoPrinter &) = delete;

    // Print job (no printer check). A spooler failure raises EVoPrinter
    // naming the operation and the cause; the job is then cancelled. A job
    // that EndDoc handed to a scheduler is followed from the poll's worker
    // thread for JobWatchTime; trouble is reported through OnJobTrouble on
    // this object's thread, a completed job says nothing.
    void BeginDoc(const QString &Title);
    // The page orientation of the jobs begun from now on, whatever the
    // settings say (nullopt: as the settings say). The settings themselves,
    // and what the set-up dialog shows, stay as they are.
    void SetJobOrientation(std::optional<TVoPaperOrientation> orientation);
    void Newpage();
    void EndDoc();
    void Abort(); // never throws
    QPainter *Canvas();
    QPaintDevice *Handle();
    bool Printing() const;

    bool HasPaperSizeNumber(int SizeNumber);
    bool HasBinNumber(int BinNumber);
    void ForceUpdate();
    void ApplySettings();
    void DiscardModification();
    int GetPaperSizeNumbers(int Index);
    int GetBinNumbers(int Index);
    TSize GetQualities(int Index);
    int PaperSizeNumbers(int i) { return GetPaperSizeNumbers(i); }
    int BinNumbers(int i) { return GetBinNumbers(i); }
    TSize Qualities(int i) { return GetQualities(i); }

    int Index();
    void SetIndex(int v);
    const QStringList &PrinterNames();
    bool Modified() const { return FModified; }
    TVoPrintCaps PrintCaps();
    TVoAvailInfos AvailInfos();

    int PaperSizeNumber();
    void SetPaperSizeNumber(int v);
    const QStringList &PaperSizeNames();
    int PaperSizeIndex();
    void SetPaperSizeIndex(int v);
    int NumPaperSizes();
    TSize UserPaperExtent();
    void SetUserPaperExtent(TSize v);

    int BinNumber();
    void SetBinNumber(int v);
    const QStringList &BinNames();
    int BinIndex();
    void SetBinIndex(int v);
    int NumBins();

    TVoPaperOrientation Orientation();
    void SetOrientation(TVoPaperOrientation v);
    std::uint16_t MaxCopies();
    std::uint16_t Copies();
    void SetCopies(std::uint16_t v);
    bool Collate();
    void SetCollate(bool v);
    bool Color();
    void SetColor(bool v);
    TVoDuplex Duplex();
    void SetDuplex(TVoDuplex v);
    std::uint16_t Scale();
    void SetScale(std::uint16_t v);
    TSize Quality();
    void SetQuality(TSize v);
    int NumQualities();
    QString Port();
    void SetPort(const QString &v);
    const QStringList &PortNames();

    TSize PageExtent();
    TSize MMPageExtent();
    TSize PaperExtent();
    TSize MMPaperExtent();
    TSize Offset();
    TSize DPI();
    int ColorBitCount();

    // True while the first listing taken in the background has not been
    // taken in: no printer can be selected meanwhile (EVoPrinterNoPrinter).
    bool ListingPending() const { return FListingPending; }
    // Takes the background listing in once it has come back, waiting up to
    // `wait` for it; true when this call took it in (the printers then
    // count as changed). The worker also posts its arrival to this object's
    // thread, which takes it in there and runs OnListed.
    bool TakeListing(std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    void SetOnListed(TNotifyEvent handler) { FOnListed = std::move(handler); }

    // Counts the changes of the installed printers this object took in
    // (each one dropped the selection for the system's default printer).
    int ListGeneration() const { return FListGeneration; }

    TNotifyEvent OnSystemChanged() const { return FOnSystemChanged; }
    void SetOnSystemChanged(TNotifyEvent handler) { FOnSystemChanged = std::move(handler); }

    // The hook on the application's main window: reacts to WM_WININICHANGE
    // by taking a fresh snapshot and ports on the calling thread; always
    // answers false (not handled). A failed enumeration raises EVoPrinter
    // and leaves the old snapshot in place.
    bool MainWindowHook(unsigned Msg);
    // The same reaction with a snapshot and port list taken elsewhere (the
    // poll's worker thread).
    void SystemChanged(TVoAllPrintersInfo fresh, const QStringList &ports);

    // Polls the spooler every interval on a worker thread and runs the
    // reaction on the thread that owns this object (which needs a running
    // Qt event loop) whenever the printers or ports differ from the last
    // poll. An interval of 0 stops polling.
    void StartPolling(std::chrono::milliseconds interval);
    void StopPolling();
    // Follows a job on the worker thread (started for it when polling is off).
    void WatchJob(const QString &device, int jobId);
    TJobTroubleEvent OnJobTrouble() const { return FOnJobTrouble; }
    void SetOnJobTrouble(TJobTroubleEvent handler) { FOnJobTrouble = std::move(handler); }

    // The framework printer; a fresh one is built on first use after the
    // printer list changed, with the system's default printer selected.
    FrameworkPrinter &Framework();
    Spooler &spooler() { return spooler_; }
    const TVoAllPrintersInfo &AllInfo() const { return *AllInfo_; }

private:
    struct DeviceLock;
    class Poller;  // PrinterPoll.h
    class Listing; // PrinterPoll.h

    void CheckNoPrinter();
    void CheckSupport(TVoPrintCap c, const char *m);
    void LoadSettings();
    void EnsureSettings();
    void UpdateInfo();
    int FrameworkIndex(const char *operation);
    DEVMODEW *Settings();
    void SetChanged(bool changed);
    DeviceMetrics Metrics(const char *operation);
    void ListCheck(TVoPrintCap c, const char *supportMessage, TVoAvailInfo info,
                   const char *noListMessage);
    void React(TVoAllPrintersInfo fresh, const std::function<QStringList()> &readPorts);
    void AdoptListing(std::vector<PrinterRecord> records);
    void ListingArrived();

    Spooler &spooler_;
    std::unique_ptr<TVoAllPrintersInfo> AllInfo_;
    std::unique_ptr<FrameworkPrinter> framework_;
    std::vector<std::uint16_t> pPaperNumbers;
    QStringList FPaperNames;
    std::vector<std::uint16_t> pBinNumbers;
    QStringList FBinNames;
    std::vector<Resolution> pResolutions;
    std::int32_t FNumResolutions = 0;
    QStringList FPrinterNames;
    QStringList FPortNames;
    std::int32_t FMaxCopies = 0;
    std::int32_t FIndex = -1;
    TNotifyEvent FOnSystemChanged;
    TJobTroubleEvent FOnJobTrouble;
    int FListGeneration = 0;
    TVoAvailInfos FAvailInfos;
    bool FModified = false;
    std::unique_ptr<QByteArray> pSettings;
    QString PortName;
    bool FListingPending = false;
    TNotifyEvent FOnListed;
    std::unique_ptr<Listing> listing_;
    std::unique_ptr<Poller> poller_;
};

// The global printer object: created before the first window, freed at
// program end. createVoPrinter keeps the spooler for the object's lifetime.
// The program creates it once its QApplication exists:
//     createVoPrinter(createSystemSpooler(QDir::currentPath()));
// (createSystemSpooler in spooler/Spooler.h), tells the PDF printer
// the recorded working directory with
//     VoPrinter->spooler().setWorkingDirectory(dir);
// and calls destroyVoPrinter() after the event loop has ended.
extern TVoPrinter *VoPrinter;
// pollInterval 0 leaves the printer list unwatched (tests).
void createVoPrinter(std::unique_ptr<Spooler> spooler,
                     std::chrono::milliseconds pollInterval = std::chrono::seconds(3),
                     TVoPrinter::FirstListing first = TVoPrinter::FirstListing::Now);
void destroyVoPrinter();

// The print dialog and the printer set-up dialog. Execute shows the dialog
// (modal) for the framework printer's current printer; when the operator
// confirms, the chosen printer and settings become the framework printer's
// current ones and VoPrinter->ForceUpdate() runs. Returns whether the
// operator confirmed.
class TVoPrintDialog
{
public:
    explicit TVoPrintDialog(QWidget *parent = nullptr) : parent_(parent) {}
    bool Execute();

private:
    QWidget *parent_;
};

class TVoPrinterSetupDialog
{
public:
    explicit TVoPrinterSetupDialog(QWidget *parent = nullptr) : parent_(parent) {}
    bool Execute();

private:
    QWidget *parent_;
};

// Test seam: when set, the dialogs call this instead of QDialog::exec();
// it may change the dialog's controls and returns QDialog::Accepted or
// QDialog::Rejected. Pass nullptr to restore the real modal loop.
void setPrinterDialogExecHook(std::function<int(QDialog &)> hook);
