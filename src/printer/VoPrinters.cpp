#include "printer/VoPrinters.h"

#include "printer/PrinterPoll.h"
#include "spooler/DevMode.h"
#include "spooler/FrameworkPrinter.h"

#include <algorithm>
#include <cstring>
#include <optional>

using namespace devmode;

namespace {

QString withCause(const char *operation, const QString &what, const std::exception &e)
{
    return QStringLiteral("%1: %2 (%3)")
        .arg(QString::fromUtf8(operation), what, QString::fromUtf8(e.what()));
}

// The layer's error for a spooler failure: the operation, what it could not
// do and the cause, with the kind of fault kept for the operator's notice.
EVoPrinter spoolerFailure(const char *operation, const QString &what, const SpoolerError &e)
{
    return EVoPrinter(withCause(operation, what, e), e.fault(), e.server(), e.printer());
}

} // namespace

std::uint32_t printCapFlag(TVoPrintCap cap)
{
    switch (cap) {
    case voPcOrientation:
        return DM_ORIENTATION;
    case voPcPaperSize:
        return DM_PAPERSIZE;
    case voPcPaperlength:
        return DM_PAPERLENGTH;
    case voPcPaperWidth:
        return DM_PAPERWIDTH;
    case voPcScale:
        return DM_SCALE;
    case voPcCopies:
        return DM_COPIES;
    case voPcDefaultSource:
        return DM_DEFAULTSOURCE;
    case voPcPrintQuality:
        return DM_PRINTQUALITY;
    case voPcColor:
        return DM_COLOR;
    case voPcDuplex:
        return DM_DUPLEX;
    case voPcYResolution:
        return DM_YRESOLUTION;
    case voPcTTOption:
        return DM_TTOPTION;
    case voPcCollate:
        return DM_COLLATE;
    case voPcFormName:
        return DM_FORMNAME;
    case voPcLogPixels:
        return DM_LOGPIXELS;
    case voPcMediaType:
        return DM_MEDIATYPE;
    case voPcDitherType:
        return DM_DITHERTYPE;
    }
    return 0;
}

EVoAssertionFailed::EVoAssertionFailed(const QString &message)
    : std::logic_error((message.isEmpty() ? QStringLiteral("アサートの失敗 (VoPrinters)")
                                          : message + QStringLiteral(" (VoPrinters)"))
                           .toStdString())
{
}

// ---------------------------------------------------------------------------
// TVoAllPrintersInfo

TVoAllPrintersInfo::TVoAllPrintersInfo(Spooler &spooler)
{
    try {
        records_ = spooler.enumPrinters();
    } catch (const SpoolerError &e) {
        throw spoolerFailure("TVoAllPrintersInfo.Create",
                             QStringLiteral("Cannot enumerate printers"), e);
    }
}

TVoAllPrintersInfo::TVoAllPrintersInfo(std::vector<PrinterRecord> records)
    : records_(std::move(records))
{
}

bool TVoAllPrintersInfo::Compare(const TVoAllPrintersInfo &Another) const
{
    if (Count() != Another.Count())
        return false;
    if (Count() == 0)
        return true;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].name != Another.records_[i].name ||
            records_[i].attributes != Another.records_[i].attributes)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Device lock: the framework printer's current settings block, locked for
// the lifetime of this object and unlocked on every path.

struct TVoPrinter::DeviceLock
{
    DeviceLock(TVoPrinter &owner, const char *operation)
    {
        FrameworkPrinter &fw = owner.Framework();
        try {
            current = fw.printer();
            if (!current.settings) {
                fw.setPrinterIndex(fw.printerIndex());
                current = fw.printer();
            }
        } catch (const SpoolerError &e) {
            throw spoolerFailure(operation, QStringLiteral("Cannot get the printer settings"), e);
        }
        if (!current.settings)
            throw EVoPrinter(QStringLiteral("%1: Cannot get the printer settings")
                                 .arg(QString::fromUtf8(operation)));
        current.settings->lock();
    }
    ~DeviceLock() { release(); }
    DeviceLock(const DeviceLock &) = delete;
    DeviceLock &operator=(const DeviceLock &) = delete;

    void release()
    {
        if (current.settings && !released) {
            current.settings->unlock();
            released = true;
        }
    }
    QByteArray &bytes() { return current.settings->lockedBytes(); }

    FrameworkPrinter::Current current;
    bool released = false;
};

// ---------------------------------------------------------------------------
// TVoPrinter (the poll and the job watch are in PrinterPoll.cpp)

TVoPrinter::TVoPrinter(Spooler &spooler, FirstListing first)
    : spooler_(spooler),
      AllInfo_(first == FirstListing::Now
                   ? std::make_unique<TVoAllPrintersInfo>(spooler)
                   : std::make_unique<TVoAllPrintersInfo>(std::vector<PrinterRecord>{}))
{
    if (first == FirstListing::InBackground) {
        FListingPending = true;
        listing_ = std::make_unique<Listing>(*this);
    }
}

TVoPrinter::~TVoPrinter()
{
    poller_.reset();
    listing_.reset();
    DiscardModification();
}

FrameworkPrinter &TVoPrinter::Framework()
{
    if (!framework_)
        framework_ = std::make_unique<FrameworkPrinter>(spooler_, AllInfo_->records());
    return *framework_;
}

void TVoPrinter::CheckNoPrinter()
{
    for (const PrinterRecord &r : AllInfo_->records()) {
        if (!(r.attributes & PRINTER_ATTRIBUTE_HIDDEN))
            return;
    }
    FIndex = -1;
    throw EVoPrinterNoPrinter(QStringLiteral("TVoPrinter.CheckNoPrinter: No Printer"));
}

void TVoPrinter::CheckSupport(TVoPrintCap c, const char *m)
{
    if (!PrintCaps().contains(c))
        throw EVoPrinterNotSupported(QString::fromUtf8(m));
}

void TVoPrinter::LoadSettings()
{
    pSettings.reset();
    DeviceLock lock(*this, "TVoPrinter.LoadSettings");
    if (lock.bytes().size() <= 0)
        throw EVoAssertionFailed(QString());
    pSettings = std::make_unique<QByteArray>(lock.bytes());
    PortName = lock.current.port;
}

void TVoPrinter::EnsureSettings()
{
    if (!pSettings)
        LoadSettings();
}

DEVMODEW *TVoPrinter::Settings()
{
    EnsureSettings();
    DEVMODEW *dm = fields(*pSettings);
    if (!dm)
        throw EVoAssertionFailed(QString());
    return dm;
}

void TVoPrinter::SetChanged(bool changed)
{
    if (changed)
        FModified = true;
}

TVoPrintCaps TVoPrinter::PrintCaps()
{
    CheckNoPrinter();
    const DEVMODEW *dm = Settings();
    TVoPrintCaps caps;
    for (int c = voPcOrientation; c <= voPcDitherType; ++c) {
        if (dm->dmFields & printCapFlag(TVoPrintCap(c)))
            caps.include(TVoPrintCap(c));
    }
    return caps;
}

int TVoPrinter::FrameworkIndex(const char *operation)
{
    try {
        return Framework().printerIndex();
    } catch (const SpoolerError &e) {
        throw spoolerFailure(operation, QStringLiteral("Cannot read the default printer"), e);
    }
}

void TVoPrinter::UpdateInfo()
{
    const int fi = FrameworkIndex("TVoPrinter.UpdateInfo");
    if (fi == FIndex)
        return;
    FIndex = fi;
    try {
        PrintCaps();
        FAvailInfos = TVoAvailInfos();
        pPaperNumbers.clear();
        FPaperNames.clear();
        pBinNumbers.clear();
        FBinNames.clear();
        pResolutions.clear();
        FNumResolutions = 0;
        DeviceCapabilities caps;
        {
            DeviceLock lock(*this, "TVoPrinter.UpdateInfo");
            try {
                caps = spooler_.capabilities(lock.current.device, lock.bytes());
            } catch (const SpoolerError &e) {
                throw spoolerFailure("TVoPrinter.UpdateInfo",
                                     QStringLiteral("Cannot read the printer's capabilities"), e);
            }
        }
        if (!caps.papers.empty()) {
            FAvailInfos.include(voAvPaperSize);
            for (const PaperEntry &p : caps.papers) {
                pPaperNumbers.push_back(p.number);
                FPaperNames.append(p.name.left(64));
            }
        }
        if (!caps.bins.empty()) {
            FAvailInfos.include(voAvBin);
            for (const BinEntry &b : caps.bins) {
                pBinNumbers.push_back(b.number);
                FBinNames.append(b.name.left(24));
            }
        }
        if (!caps.resolutions.empty()) {
            FAvailInfos.include(voAvQuality);
            pResolutions = caps.resolutions;
            FNumResolutions = std::int32_t(pResolutions.size());
        }
        if (caps.maxCopies > 0) {
            FAvailInfos.include(voAvMaxCopies);
            FMaxCopies = caps.maxCopies;
        }
    } catch (...) {
        // Lists that could not be read are read again on next use.
        FIndex = -1;
        throw;
    }
}

void TVoPrinter::ListCheck(TVoPrintCap c, const char *supportMessage, TVoAvailInfo info,
                           const char *noListMessage)
{
    CheckNoPrinter();
    CheckSupport(c, supportMessage);
    UpdateInfo();
    if (!FAvailInfos.contains(info))
        throw EVoPrinterNoInfo(QString::fromUtf8(noListMessage));
}

TVoAvailInfos TVoPrinter::AvailInfos()
{
    CheckNoPrinter();
    UpdateInfo();
    return FAvailInfos;
}

// --- print job --------------------------------------------------------------

void TVoPrinter::BeginDoc(const QString &Title)
{
    FrameworkPrinter &fw = Framework();
    fw.setTitle(Title);
    try {
        fw.beginDoc();
    } catch (const SpoolerError &e) {
        throw spoolerFailure("TVoPrinter.BeginDoc", QStringLiteral("Cannot start the print job"),
                             e);
    }
}

void TVoPrinter::SetJobOrientation(std::optional<TVoPaperOrientation> orientation)
{
    const int value = !orientation                   ? 0
                      : *orientation == voOrPortrait ? DMORIENT_PORTRAIT
                                                     : DMORIENT_LANDSCAPE;
    Framework().setJobOrientation(std::int16_t(value));
}

void TVoPrinter::Newpage()
{
    try {
        Framework().newPage();
    } catch (const SpoolerError &e) {
        throw spoolerFailure("TVoPrinter.Newpage",
                             QStringLiteral("Cannot start a new page; the print job was cancelled"),
                             e);
    }
}

void TVoPrinter::EndDoc()
{
    FrameworkPrinter &fw = Framework();
    try {
        fw.endDoc();
    } catch (const SpoolerError &e) {
        throw spoolerFailure("TVoPrinter.EndDoc",
                             QStringLiteral("Cannot print the job; it was cancelled"), e);
    }
    if (fw.lastJobId() > 0)
        WatchJob(fw.lastJobDevice(), fw.lastJobId());
}

void TVoPrinter::Abort()
{
    Framework().abort();
}

QPainter *TVoPrinter::Canvas()
{
    return Framework().canvas();
}

QPaintDevice *TVoPrinter::Handle()
{
    return Framework().handle();
}

bool TVoPrinter::Printing() const
{
    return framework_ && framework_->printing();
}

// --- settings copy ------------------------------------------------------------

void TVoPrinter::ForceUpdate()
{
    DiscardModification();
    FIndex = -1;
    UpdateInfo();
}

void TVoPrinter::DiscardModification()
{
    pSettings.reset();
    FModified = false;
}

void TVoPrinter::ApplySettings()
{
    CheckNoPrinter();
    if (!FModified)
        return;
    if (!pSettings)
        throw EVoAssertionFailed(QStringLiteral("TVoPrinter.ApplySettings; No Setteing Info"));
    DeviceLock lock(*this, "TVoPrinter.ApplySettings");
    const qsizetype size = lock.bytes().size();
    if (size <= 0)
        throw EVoAssertionFailed(
            QStringLiteral("TVoPrinter.ApplySettings; Devmode Size Should be greater than 0"));
    // The changed copy over the framework's block, merged and validated by
    // the driver; the framework takes the block only when the driver
    // accepts it, so a rejected change leaves the printer as it was and the
    // copy with its changes in place.
    QByteArray merged = lock.bytes();
    std::memcpy(merged.data(), pSettings->constData(),
                std::size_t(std::min(size, pSettings->size())));
    try {
        spooler_.validateSettings(lock.current.device, merged);
    } catch (const SpoolerError &e) {
        throw spoolerFailure("TVoPrinter.ApplySettings",
                             QStringLiteral("The printer did not accept the settings"), e);
    }
    const FrameworkPrinter::Current current = lock.current;
    const QString port = PortName;
    lock.release();
    try {
        Framework().setPrinter(current.device, current.driver, port,
                               std::make_shared<SettingsHandle>(merged));
    } catch (const SpoolerError &e) {
        throw spoolerFailure("TVoPrinter.ApplySettings",
                             QStringLiteral("Cannot select the printer"), e);
    }
    DiscardModification();
    FIndex = -1;
}

// --- index and names --------------------------------------------------------

int TVoPrinter::Index()
{
    CheckNoPrinter();
    FrameworkPrinter &fw = Framework();
    const int i = FrameworkIndex("TVoPrinter.GetIndex");
    if (i == -1)
        return -1;
    const auto &records = AllInfo_->records();
    if (i >= 0 && i < int(records.size()) &&
        (records[std::size_t(i)].attributes & PRINTER_ATTRIBUTE_HIDDEN))
        throw EVoPrinterIllegalIndex(
            QStringLiteral("TVoPrinter.GetIndex: Printers.PrinterIndex is Illegal"));
    const QString device = fw.printer().device;
    int position = -1;
    for (std::size_t k = 0; k < records.size(); ++k) {
        if (records[k].name == device) {
            position = int(k);
            break;
        }
    }
    if (position < 0)
        throw EVoAssertionFailed(QString());
    int hiddenBefore = 0;
    for (int k = 0; k < position; ++k) {
        if (records[std::size_t(k)].attributes & PRINTER_ATTRIBUTE_HIDDEN)
            ++hiddenBefore;
    }
    return position - hiddenBefore;
}

void TVoPrinter::SetIndex(int v)
{
    CheckNoPrinter();
    if (v < -1)
        throw EVOPrinterRangeError(QStringLiteral("TVoPrinter.SetIndex: Index is out of Range"));
    // A default printer that cannot be read matters only to -1: a printer
    // chosen by position is selected all the same.
    bool same = false;
    try {
        same = Index() == v;
    } catch (const EVoPrinterIllegalIndex &) {
        throw;
    } catch (const EVoPrinter &) {
        if (v == -1)
            throw;
    }
    if (same)
        return;
    int target = -1;
    if (v >= 0) {
        int visible = 0;
        const auto &records = AllInfo_->records();
        for (std::size_t k = 0; k < records.size(); ++k) {
            if (records[k].attributes & PRINTER_ATTRIBUTE_HIDDEN)
                continue;
            if (visible == v) {
                target = int(k);
                break;
            }
            ++visible;
        }
        if (target < 0)
            throw EVOPrinterRangeError(
                QStringLiteral("TVoPrinter.SetIndex: Index is out of Range"));
    }
    FrameworkPrinter &fw = Framework();
    // The new printer starts from its driver's default settings; a copy of
    // the old printer's settings has no meaning any more.
    DiscardModification();
    FIndex = -1;
    try {
        fw.setPrinterIndex(target);
        const FrameworkPrinter::Current cur = fw.printer();
        fw.setPrinter(cur.device, cur.driver, cur.port, nullptr);
    } catch (const SpoolerError &e) {
        throw spoolerFailure("TVoPrinter.SetIndex", QStringLiteral("Cannot select the printer"), e);
    }
    UpdateInfo();
    DiscardModification();
}

const QStringList &TVoPrinter::PrinterNames()
{
    CheckNoPrinter();
    FPrinterNames.clear();
    for (const PrinterRecord &r : AllInfo_->records()) {
        if (!(r.attributes & PRINTER_ATTRIBUTE_HIDDEN))
            FPrinterNames.append(r.name);
    }
    return FPrinterNames;
}

const QStringList &TVoPrinter::PortNames()
{
    QStringList ports;
    try {
        ports = spooler_.enumPorts();
    } catch (const SpoolerError &e) {
        throw spoolerFailure("TVoPrinter.GetPortNames", QStringLiteral("Cannot enumerate ports"),
                             e);
    }
    FPortNames.clear();
    for (const QString &p : ports) {
        if (!FPortNames.contains(p))
            FPortNames.append(p);
    }
    return FPortNames;
}

// --- device settings ----------------------------------------------------------

int TVoPrinter::PaperSizeNumber()
{
    CheckNoPrinter();
    CheckSupport(voPcPaperSize, "TVoPrinter.GetPaperSizeNumber: PaperSize is not Supported");
    return Settings()->dmPaperSize;
}

void TVoPrinter::SetPaperSizeNumber(int v)
{
    CheckNoPrinter();
    CheckSupport(voPcPaperSize, "TVoPrinter.SetPaperSizeNumber: PaperSize is not Supported");
    UpdateInfo();
    DEVMODEW *dm = Settings();
    if (dm->dmPaperSize == v)
        return;
    dm->dmPaperSize = std::int16_t(v);
    if (v != DMPAPER_USER)
        dm->dmFields &= ~(DM_PAPERLENGTH | DM_PAPERWIDTH);
    FModified = true;
}

int TVoPrinter::BinNumber()
{
    CheckNoPrinter();
    CheckSupport(voPcDefaultSource, "TVoPrinter.GetBinNumber: Bin is not Supported");
    return Settings()->dmDefaultSource;
}

void TVoPrinter::SetBinNumber(int v)
{
    CheckNoPrinter();
    CheckSupport(voPcDefaultSource, "TVoPrinter.SetBinNumber: Bin is not Supported");
    UpdateInfo();
    DEVMODEW *dm = Settings();
    SetChanged(dm->dmDefaultSource != v);
    dm->dmDefaultSource = std::int16_t(v);
}

TVoPaperOrientation TVoPrinter::Orientation()
{
    CheckNoPrinter();
    CheckSupport(voPcOrientation, "TVoPrinter.GetOrientation: Orientation is not Supported");
    return Settings()->dmOrientation == DMORIENT_PORTRAIT ? voOrPortrait : voOrLandScape;
}

void TVoPrinter::SetOrientation(TVoPaperOrientation v)
{
    CheckNoPrinter();
    CheckSupport(voPcOrientation, "TVoPrinter.SetOrientation: Orientation is not Supported");
    DEVMODEW *dm = Settings();
    const std::int16_t value = v == voOrPortrait ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
    SetChanged(dm->dmOrientation != value);
    dm->dmOrientation = value;
}

std::uint16_t TVoPrinter::Copies()
{
    CheckNoPrinter();
    CheckSupport(voPcCopies, "TVoPrinter.GetCopies: Copies not Supported");
    return std::uint16_t(Settings()->dmCopies);
}

void TVoPrinter::SetCopies(std::uint16_t v)
{
    CheckNoPrinter();
    CheckSupport(voPcCopies, "TVoPrinter.SetCopies: Copies not Supported");
    if (v == 0)
        throw EVOPrinterRangeError(QStringLiteral("TVoPrinter.SetCopies: Too Small Copies"));
    DEVMODEW *dm = Settings();
    const std::int16_t value = std::int16_t(v);
    SetChanged(dm->dmCopies != value);
    dm->dmCopies = value;
}

bool TVoPrinter::Collate()
{
    CheckNoPrinter();
    CheckSupport(voPcCollate, "TVoPrinter.GetCollate: Collate is not Supported");
    return Settings()->dmCollate == DMCOLLATE_TRUE;
}

void TVoPrinter::SetCollate(bool v)
{
    CheckNoPrinter();
    CheckSupport(voPcCollate, "TVoPrinter.SetCollate: Collate is not Supported");
    DEVMODEW *dm = Settings();
    if (v && dm->dmCollate == DMCOLLATE_FALSE) {
        dm->dmCollate = DMCOLLATE_TRUE;
        FModified = true;
    } else if (!v && dm->dmCollate == DMCOLLATE_TRUE) {
        dm->dmCollate = DMCOLLATE_FALSE;
        FModified = true;
    }
}

bool TVoPrinter::Color()
{
    CheckNoPrinter();
    CheckSupport(voPcColor, "TVoPrinter.GetColor: Color is not Supported");
    return Settings()->dmColor == DMCOLOR_COLOR;
}

void TVoPrinter::SetColor(bool v)
{
    CheckNoPrinter();
    CheckSupport(voPcColor, "TVoPrinter.SetColor: Color is not Supported");
    DEVMODEW *dm = Settings();
    if (v && dm->dmColor == DMCOLOR_MONOCHROME) {
        dm->dmColor = DMCOLOR_COLOR;
        FModified = true;
    } else if (!v && dm->dmColor == DMCOLOR_COLOR) {
        dm->dmColor = DMCOLOR_MONOCHROME;
        FModified = true;
    }
}

TVoDuplex TVoPrinter::Duplex()
{
    CheckNoPrinter();
    CheckSupport(voPcDuplex, "TVoPrinter.GetDuplex: Duplex is not Supported");
    switch (Settings()->dmDuplex) {
    case DMDUP_SIMPLEX:
        return voDupSimplex;
    case DMDUP_HORIZONTAL:
        return voDupHorizontal;
    default:
        return voDupVertical;
    }
}

void TVoPrinter::SetDuplex(TVoDuplex v)
{
    CheckNoPrinter();
    CheckSupport(voPcDuplex, "TVoPrinter.SetDuplex: Duplex is not Supported");
    DEVMODEW *dm = Settings();
    const std::int16_t value = v == voDupSimplex      ? DMDUP_SIMPLEX
                               : v == voDupHorizontal ? DMDUP_HORIZONTAL
                                                      : DMDUP_VERTICAL;
    SetChanged(dm->dmDuplex != value);
    dm->dmDuplex = value;
}

std::uint16_t TVoPrinter::Scale()
{
    CheckNoPrinter();
    if (!PrintCaps().contains(voPcScale))
        return 100;
    return std::uint16_t(Settings()->dmScale);
}

void TVoPrinter::SetScale(std::uint16_t v)
{
    CheckNoPrinter();
    CheckSupport(voPcScale, "TVoPrinter.SetScale: Scale is not Supported");
    DEVMODEW *dm = Settings();
    const std::int16_t value = std::int16_t(v);
    SetChanged(dm->dmScale != value);
    dm->dmScale = value;
}

TSize TVoPrinter::Quality()
{
    CheckNoPrinter();
    CheckSupport(voPcPrintQuality, "TVoPrinter.GetQuality: PrintQuality is not Supported");
    const DEVMODEW *dm = Settings();
    TSize q;
    q.cx = dm->dmPrintQuality;
    q.cy = (q.cx > 0 && (dm->dmFields & DM_YRESOLUTION)) ? dm->dmYResolution : 0;
    return q;
}

void TVoPrinter::SetQuality(TSize v)
{
    CheckNoPrinter();
    CheckSupport(voPcPrintQuality, "TVoPrinter.SetQuality: PrintQuality is not Supported");
    DEVMODEW *dm = Settings();
    FModified = true;
    dm->dmPrintQuality = std::int16_t(v.cx);
    if (v.cx <= 0) {
        dm->dmYResolution = 0;
        dm->dmFields &= ~DM_YRESOLUTION;
    } else {
        dm->dmYResolution = std::int16_t(v.cy);
        dm->dmFields |= DM_YRESOLUTION;
    }
}

TSize TVoPrinter::UserPaperExtent()
{
    CheckNoPrinter();
    const TVoPrintCaps caps = PrintCaps();
    if (!caps.contains(voPcPaperSize) || !caps.contains(voPcPaperlength) ||
        !caps.contains(voPcPaperWidth) || PaperSizeNumber() != DMPAPER_USER)
        throw EVoPrinterNoUserPaperExtent(
            QStringLiteral("TVoPrinter.GetUserpaperExtent: Cannot Get User paper Extent"));
    const DEVMODEW *dm = Settings();
    return TSize{dm->dmPaperWidth, dm->dmPaperLength};
}

void TVoPrinter::SetUserPaperExtent(TSize v)
{
    CheckNoPrinter();
    CheckSupport(voPcPaperSize, "TVoPrinter.SetpaperExtent: PaperSize is not Supported");
    UpdateInfo();
    DEVMODEW *dm = Settings();
    FModified = true;
    dm->dmPaperSize = DMPAPER_USER;
    dm->dmPaperWidth = std::int16_t(v.cx);
    dm->dmPaperLength = std::int16_t(v.cy);
    dm->dmFields |= DM_PAPERLENGTH | DM_PAPERWIDTH;
}

QString TVoPrinter::Port()
{
    CheckNoPrinter();
    EnsureSettings();
    return PortName;
}

void TVoPrinter::SetPort(const QString &v)
{
    CheckNoPrinter();
    EnsureSettings();
    SetChanged(PortName != v);
    PortName = v;
}

// --- capability lists -----------------------------------------------------------

int TVoPrinter::NumPaperSizes()
{
    ListCheck(voPcPaperSize, "TVoPrinter.GetNumPaperSize: PaperSize is not Supported",
              voAvPaperSize, "TVoPrinter.GetNumPaperSizes: No Papersize Info Available");
    return int(FPaperNames.size());
}

const QStringList &TVoPrinter::PaperSizeNames()
{
    ListCheck(voPcPaperSize, "TVoPrinter.GetPaperSizeNames: PaperSize is not Supported",
              voAvPaperSize, "TVoPrinter.GetPaperSizeNames: No Papersize Info Available");
    return FPaperNames;
}

int TVoPrinter::GetPaperSizeNumbers(int Index)
{
    ListCheck(voPcPaperSize, "TVoPrinter.GetPaperSizeNumber: PaperSize is not Supported",
              voAvPaperSize, "TVoPrinter.GetNumPaperSizeNumbers: No Papersize Info Available");
    if (Index < 0 || Index >= int(FPaperNames.size()) || Index >= int(pPaperNumbers.size()))
        throw EVOPrinterRangeError(
            QStringLiteral("TVoPrinter.GetPaperNumbers: Index is our of range"));
    return pPaperNumbers[std::size_t(Index)];
}

bool TVoPrinter::HasPaperSizeNumber(int SizeNumber)
{
    ListCheck(voPcPaperSize, "TVoPrinter.HasPaperNumber: PaperSize is not Supported", voAvPaperSize,
              "TVoPrinter.HasPapserSizeNumber: No PaperSize Info Available");
    return std::find(pPaperNumbers.begin(), pPaperNumbers.end(), SizeNumber) != pPaperNumbers.end();
}

int TVoPrinter::PaperSizeIndex()
{
    ListCheck(voPcPaperSize, "TVoPrinter.GetPaperSizeIndex: PaperSize is not Supported",
              voAvPaperSize, "TVoPrinter.GetPaperSizeIndex: No Papersize Info Available");
    const int n = PaperSizeNumber();
    for (std::size_t i = 0; i < pPaperNumbers.size(); ++i) {
        if (pPaperNumbers[i] == n)
            return int(i);
    }
    throw EVOPrinterPaperSizeError(
        QStringLiteral("TVoPrinter.GetPaperSizeIndex: Cannot Get Paper Index"));
}

void TVoPrinter::SetPaperSizeIndex(int v)
{
    ListCheck(voPcPaperSize, "TVoPrinter.SetPaperSizeIndex: PaperSize is not Supported",
              voAvPaperSize, "TVoPrinter.SetPaperSizeIndex: No Papersize Info Available");
    if (v < 0 || v >= int(FPaperNames.size()) || v >= int(pPaperNumbers.size()))
        throw EVOPrinterPaperSizeError(
            QStringLiteral("TVoPrinter:SetPaperSizeIndex: No such PaperSize Index"));
    SetPaperSizeNumber(pPaperNumbers[std::size_t(v)]);
}

int TVoPrinter::NumBins()
{
    ListCheck(voPcDefaultSource, "TVoPrinter.GetNumBins: Bin is not Supported", voAvBin,
              "TVoPrinter.GetNumBins: No Bin Info Available");
    return int(FBinNames.size());
}

const QStringList &TVoPrinter::BinNames()
{
    ListCheck(voPcDefaultSource, "TVoPrinter.GetBinNames: Bin is not Supported", voAvBin,
              "TVoPrinter.GetBinNames: No Bin Info Available");
    return FBinNames;
}

int TVoPrinter::GetBinNumbers(int Index)
{
    ListCheck(voPcDefaultSource, "TVoPrinter.GetBunNumbers: Bin is not Supported", voAvBin,
              "TVoPrinter.GetBinNumbers: No Bin Info Available");
    if (Index < 0 || Index >= int(FBinNames.size()) || Index >= int(pBinNumbers.size()))
        throw EVOPrinterRangeError(
            QStringLiteral("TVoPrinter.GetBunNumbers: Index is our of range"));
    return pBinNumbers[std::size_t(Index)];
}

bool TVoPrinter::HasBinNumber(int BinNumber)
{
    ListCheck(voPcDefaultSource, "TVoPrinter.SetBin: Bin is not Supported", voAvBin,
              "TVoPrinter.HasBinNumber: No Bin Info Available");
    return std::find(pBinNumbers.begin(), pBinNumbers.end(), BinNumber) != pBinNumbers.end();
}

int TVoPrinter::BinIndex()
{
    ListCheck(voPcDefaultSource, "TVoPrinter.GetBinIndex: Bin is not Supported", voAvBin,
              "TVoPrinter.GetBinIndex: No Bin Info Available");
    const int n = BinNumber();
    for (std::size_t i = pBinNumbers.size(); i-- > 0;) {
        if (pBinNumbers[i] == n)
            return int(i);
    }
    throw EVoPrinterBinError(QStringLiteral("TVoPrinter.GetBinIndex: Cannot Get Bin Index"));
}

void TVoPrinter::SetBinIndex(int v)
{
    ListCheck(voPcDefaultSource, "TVoPrinter.SetBinIndex: Bin is not Supported", voAvBin,
              "TVoPrinter.SetBinIndex: No Bin Info Available");
    if (v < 0 || v >= int(FBinNames.size()) || v >= int(pBinNumbers.size()))
        throw EVoPrinterBinError(QStringLiteral("TVoPrinter:SetBinIndex: No such Bin Index"));
    SetBinNumber(pBinNumbers[std::size_t(v)]);
}

int TVoPrinter::NumQualities()
{
    ListCheck(voPcPrintQuality, "TVoPrinter.GetNumQualities: PrintQuality is not Supported",
              voAvQuality, "TVoPrinter.GetNumQualities: No Quality Info Available");
    return FNumResolutions;
}

TSize TVoPrinter::GetQualities(int Index)
{
    ListCheck(voPcPrintQuality, "TVoPrinter.GetQualities: PrintQuality is not Supported",
              voAvQuality, "TVoPrinter.GetQualities: No Quality Info Available");
    if (Index < 0 || Index >= FNumResolutions)
        throw EVOPrinterRangeError(
            QStringLiteral("TVoPrinter.GetQualities: Index is our of range"));
    const Resolution &r = pResolutions[std::size_t(Index)];
    return TSize{r.x, r.y};
}

std::uint16_t TVoPrinter::MaxCopies()
{
    ListCheck(voPcCopies, "TVoPrinter.GetMaxCopies: Copies is not Supported", voAvMaxCopies,
              "TVoPrinter.GetMaxCopies: No MaxCopies Info Available");
    return std::uint16_t(FMaxCopies);
}

// --- extents --------------------------------------------------------------------

DeviceMetrics TVoPrinter::Metrics(const char *operation)
{
    CheckNoPrinter();
    try {
        return Framework().metrics();
    } catch (const SpoolerError &e) {
        throw spoolerFailure(operation, QStringLiteral("Cannot measure the page"), e);
    }
}

TSize TVoPrinter::PageExtent()
{
    const DeviceMetrics m = Metrics("TVoPrinter.GetPageExtent");
    return TSize{m.horzRes, m.vertRes};
}

TSize TVoPrinter::MMPageExtent()
{
    const DeviceMetrics m = Metrics("TVoPrinter.GetMMPageExtent");
    return TSize{m.horzSize * 10, m.vertSize * 10};
}

TSize TVoPrinter::PaperExtent()
{
    const DeviceMetrics m = Metrics("TVoPrinter.GetPaperExtent");
    return TSize{m.physicalWidth, m.physicalHeight};
}

TSize TVoPrinter::MMPaperExtent()
{
    const DeviceMetrics m = Metrics("TVoPrinter.GetMMPaperExtent");
    const std::int64_t scale = Scale();
    if (m.logPixelsX <= 0 || m.logPixelsY <= 0)
        throw EVoAssertionFailed(QString());
    // 64-bit: sheet pixels × 254 × a large scale would not fit 32 bits.
    const std::int64_t cx = (std::int64_t(m.physicalWidth) * 254 * scale / m.logPixelsX) / 100;
    const std::int64_t cy = (std::int64_t(m.physicalHeight) * 254 * scale / m.logPixelsY) / 100;
    return TSize{std::int32_t(cx), std::int32_t(cy)};
}

TSize TVoPrinter::Offset()
{
    const DeviceMetrics m = Metrics("TVoPrinter.GetOffset");
    return TSize{m.physicalOffsetX, m.physicalOffsetY};
}

TSize TVoPrinter::DPI()
{
    const DeviceMetrics m = Metrics("TVoPrinter.GetDPI");
    return TSize{m.logPixelsX, m.logPixelsY};
}

int TVoPrinter::ColorBitCount()
{
    const DeviceMetrics m = Metrics("TVoPrinter.GetColorBitCount");
    return m.bitsPixel * m.planes;
}

// --- printer list changes ---------------------------------------------------------

bool TVoPrinter::MainWindowHook(unsigned Msg)
{
    if (Msg != WM_WININICHANGE)
        return false;
    React(TVoAllPrintersInfo(spooler_), [this] {
        QStringList ports;
        try {
            ports = spooler_.enumPorts();
        } catch (const SpoolerError &e) {
            throw spoolerFailure("TVoPrinter.GetPortNames",
                                 QStringLiteral("Cannot enumerate ports"), e);
        }
        return ports;
    });
    return false;
}

void TVoPrinter::SystemChanged(TVoAllPrintersInfo fresh, const QStringList &ports)
{
    React(std::move(fresh), [&ports] { return ports; });
}

void TVoPrinter::AdoptListing(std::vector<PrinterRecord> records)
{
    FListingPending = false;
    ++FListGeneration;
    framework_.reset();
    AllInfo_ = std::make_unique<TVoAllPrintersInfo>(std::move(records));
    FIndex = -1;
    DiscardModification();
}

void TVoPrinter::React(TVoAllPrintersInfo fresh, const std::function<QStringList()> &readPorts)
{
    // A list taken while the first one is still out is the newer of the two.
    if (FListingPending) {
        AdoptListing(fresh.records());
        if (FOnListed)
            FOnListed(this);
        return;
    }
    if (!AllInfo_->Compare(fresh)) {
        ++FListGeneration;
        framework_.reset();
        AllInfo_ = std::make_unique<TVoAllPrintersInfo>(std::move(fresh));
        FIndex = -1;
        DiscardModification();
        if (FOnSystemChanged)
            FOnSystemChanged(this);
        return;
    }
    const QStringList before = FPortNames;
    const QStringList ports = readPorts();
    FPortNames.clear();
    for (const QString &p : ports) {
        if (!FPortNames.contains(p))
            FPortNames.append(p);
    }
    if (before != FPortNames && FOnSystemChanged)
        FOnSystemChanged(this);
}

// ---------------------------------------------------------------------------
// The global printer object

TVoPrinter *VoPrinter = nullptr;

namespace {
std::unique_ptr<Spooler> &globalSpooler()
{
    static std::unique_ptr<Spooler> spooler;
    return spooler;
}
} // namespace

void createVoPrinter(std::unique_ptr<Spooler> spooler, std::chrono::milliseconds pollInterval,
                     TVoPrinter::FirstListing first)
{
    destroyVoPrinter();
    globalSpooler() = std::move(spooler);
    VoPrinter = new TVoPrinter(*globalSpooler(), first);
    if (pollInterval.count() > 0)
        VoPrinter->StartPolling(pollInterval);
}

void destroyVoPrinter()
{
    delete VoPrinter;
    VoPrinter = nullptr;
    globalSpooler().reset();
}
