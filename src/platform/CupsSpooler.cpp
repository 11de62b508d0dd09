#include "platform/CupsSpooler.h"

#include "platform/DevMode.h"
#include "platform/PdfSpooler.h"

#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cups/cups.h>
#include <optional>

using namespace devmode;

namespace {

// The keywords a CUPS settings block carries after its public fields.
struct CupsDriverBytes
{
    char magic[8];
    char media[128];
    char source[64];
};
constexpr char driverMagic[8] = {'K', 'a', 'n', 'r', 'o', 'C', 'U', 'P'};

QString lastError()
{
    const char *text = cupsLastErrorString();
    if (text && *text)
        return QString::fromUtf8(text);
    return QString::fromLocal8Bit(std::strerror(errno));
}

[[noreturn]] void fail(const QString &what)
{
    throw SpoolerError(QStringLiteral("%1 (%2)").arg(what, lastError()).toStdString());
}

bool failed(ipp_status_t status)
{
    return status > IPP_STATUS_OK_CONFLICTING;
}

class Http
{
public:
    explicit Http(int timeoutMs)
    {
        const char *server = cupsServer();
        http_ = httpConnect2(server, ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, timeoutMs,
                             nullptr);
        if (!http_)
            fail(QStringLiteral("Cannot reach the CUPS scheduler at %1")
                     .arg(QString::fromUtf8(server)));
        // A scheduler that stops answering ends the request instead of
        // holding the caller.
        httpSetTimeout(http_, timeoutMs / 1000.0, nullptr, nullptr);
    }
    ~Http() { httpClose(http_); }
    Http(const Http &) = delete;
    Http &operator=(const Http &) = delete;
    http_t *get() const { return http_; }

private:
    http_t *http_ = nullptr;
};

class Dest
{
public:
    Dest(Http &http, const QString &name)
    {
        dest_ = cupsGetNamedDest(http.get(), name.toUtf8().constData(), nullptr);
        if (!dest_)
            fail(QStringLiteral("The printer \"%1\" does not exist").arg(name));
    }
    ~Dest() { cupsFreeDests(1, dest_); }
    Dest(const Dest &) = delete;
    Dest &operator=(const Dest &) = delete;
    cups_dest_t *get() const { return dest_; }
    QString option(const char *name) const
    {
        return QString::fromUtf8(cupsGetOption(name, dest_->num_options, dest_->options));
    }

private:
    cups_dest_t *dest_ = nullptr;
};

struct Media
{
    QString keyword;
    QString name;
    int number = 0;
    int width = 0; // hundredths of a millimetre
    int length = 0;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// What a printer offers, read once per request.
struct PrinterInfo
{
    std::vector<Media> media;
    QString defaultMedia;
    QStringList sources;
    QStringList sourceNames;
    std::vector<int> sourceNumbers;
    QString defaultSource;
    std::vector<Resolution> resolutions;
    Resolution defaultResolution{600, 600};
    int maxCopies = 1;
    int defaultCopies = 1;
    bool color = false;
    bool defaultColor = false;
    bool duplex = false;
    QString defaultSides;
    QString make;
    QString deviceUri;

    const Media *find(const QString &keyword) const
    {
        for (const Media &m : media) {
            if (m.keyword == keyword)
                return &m;
        }
        return nullptr;
    }
    int sourceNumber(const QString &keyword) const
    {
        const auto i = sources.indexOf(keyword);
        return i < 0 ? -1 : sourceNumbers[std::size_t(i)];
    }
};

// The names the operator sees: Japanese for the papers and sources this
// program knows, the scheduler's own text for the others.
QString paperName(int number, const QString &schedulerName)
{
    switch (number) {
    case DMPAPER_A5:
        return QStringLiteral("A5");
    case DMPAPER_A4:
        return QStringLiteral("A4");
    case DMPAPER_B5:
        return QStringLiteral("B5 (JIS)");
    case DMPAPER_LETTER:
        return QStringLiteral("レター");
    case DMPAPER_JAPANESE_POSTCARD:
        return QStringLiteral("はがき");
    default:
        return schedulerName;
    }
}

QString sourceName(const QString &keyword, const QString &schedulerName)
{
    if (keyword == QLatin1String("auto"))
        return QStringLiteral("自動選択");
    if (keyword == QLatin1String("manual"))
        return QStringLiteral("手差し");
    if (keyword == QLatin1String("top"))
        return QStringLiteral("上段トレイ");
    if (keyword == QLatin1String("bottom"))
        return QStringLiteral("下段トレイ");
    if (keyword == QLatin1String("tractor") || keyword.startsWith(QLatin1String("continuous")))
        return QStringLiteral("連続用紙");
    return schedulerName;
}

Media mediaFrom(const cups_size_t &size, const QString &name)
{
    Media m;
    m.keyword = QString::fromUtf8(size.media);
    m.width = size.width;
    m.length = size.length;
    m.left = size.left;
    m.top = size.top;
    m.right = size.right;
    m.bottom = size.bottom;
    m.number = CupsSpooler::paperNumberFor(size.width, size.length);
    m.name = paperName(m.number, name.isEmpty() ? m.keyword : name);
    return m;
}

int dpiOf(ipp_attribute_t *attr, int i, int &y)
{
    ipp_res_t units = IPP_RES_PER_INCH;
    int x = ippGetResolution(attr, i, &y, &units);
    if (units == IPP_RES_PER_CM) {
        x = int(std::lround(x * 2.54));
        y = int(std::lround(y * 2.54));
    }
    return x;
}

PrinterInfo readInfo(Http &http, const QString &device)
{
    Dest dest(http, device);
    cups_dinfo_t *dinfo = cupsCopyDestInfo(http.get(), dest.get());
    if (!dinfo)
        fail(QStringLiteral("Cannot read the capabilities of \"%1\"").arg(device));
    PrinterInfo info;
    http_t *h = http.get();
    cups_dest_t *d = dest.get();

    // Papers in the printer's own order (media-supported), each with its
    // size and margins from the media database.
    if (ipp_attribute_t *attr = cupsFindDestSupported(h, d, dinfo, "media")) {
        for (int i = 0; i < ippGetCount(attr); ++i) {
            const char *kw = ippGetString(attr, i, nullptr);
            cups_size_t size{};
            if (!kw || info.find(QString::fromUtf8(kw)) ||
                !cupsGetDestMediaByName(h, d, dinfo, kw, CUPS_MEDIA_FLAGS_DEFAULT, &size))
                continue;
            const char *name = cupsLocalizeDestMedia(h, d, dinfo, CUPS_MEDIA_FLAGS_DEFAULT, &size);
            info.media.push_back(mediaFrom(size, QString::fromUtf8(name ? name : kw)));
            info.media.back().keyword = QString::fromUtf8(kw);
        }
    }
    if (info.media.empty()) {
        const int count = cupsGetDestMediaCount(h, d, dinfo, CUPS_MEDIA_FLAGS_DEFAULT);
        for (int i = 0; i < count; ++i) {
            cups_size_t size{};
            if (!cupsGetDestMediaByIndex(h, d, dinfo, i, CUPS_MEDIA_FLAGS_DEFAULT, &size) ||
                info.find(QString::fromUtf8(size.media)))
                continue;
            const char *name = cupsLocalizeDestMedia(h, d, dinfo, CUPS_MEDIA_FLAGS_DEFAULT, &size);
            info.media.push_back(mediaFrom(size, QString::fromUtf8(name)));
        }
    }
    cups_size_t def{};
    ipp_attribute_t *mediaDefault = cupsFindDestDefault(h, d, dinfo, "media");
    const char *defaultKeyword = mediaDefault ? ippGetString(mediaDefault, 0, nullptr) : nullptr;
    if (defaultKeyword && info.find(QString::fromUtf8(defaultKeyword))) {
        info.defaultMedia = QString::fromUtf8(defaultKeyword);
    } else if (cupsGetDestMediaDefault(h, d, dinfo, CUPS_MEDIA_FLAGS_DEFAULT, &def)) {
        info.defaultMedia = QString::fromUtf8(def.media);
        if (!info.find(info.defaultMedia))
            info.media.push_back(
                mediaFrom(def, QString::fromUtf8(cupsLocalizeDestMedia(h, d, dinfo, 0, &def))));
    } else if (!info.media.empty()) {
        info.defaultMedia = info.media.front().keyword;
    }

    if (ipp_attribute_t *attr = cupsFindDestSupported(h, d, dinfo, "media-source")) {
        for (int i = 0; i < ippGetCount(attr); ++i) {
            const char *kw = ippGetString(attr, i, nullptr);
            if (!kw)
                continue;
            info.sources.append(QString::fromUtf8(kw));
            const char *name = cupsLocalizeDestValue(h, d, dinfo, "media-source", kw);
            info.sourceNames.append(
                sourceName(QString::fromUtf8(kw), QString::fromUtf8(name ? name : kw)));
        }
        info.sourceNumbers = CupsSpooler::binNumbersFor(info.sources);
    }
    if (ipp_attribute_t *attr = cupsFindDestDefault(h, d, dinfo, "media-source"))
        info.defaultSource = QString::fromUtf8(ippGetString(attr, 0, nullptr));
    if (!info.sources.isEmpty() && !info.sources.contains(info.defaultSource))
        info.defaultSource = info.sources.contains(QStringLiteral("auto")) ? QStringLiteral("auto")
                                                                           : info.sources.front();

    if (ipp_attribute_t *attr = cupsFindDestSupported(h, d, dinfo, "printer-resolution")) {
        for (int i = 0; i < ippGetCount(attr); ++i) {
            int y = 0;
            const int x = dpiOf(attr, i, y);
            info.resolutions.push_back(Resolution{x, y});
        }
    }
    if (ipp_attribute_t *attr = cupsFindDestDefault(h, d, dinfo, "printer-resolution")) {
        int y = 0;
        const int x = dpiOf(attr, 0, y);
        info.defaultResolution = Resolution{x, y};
    } else if (!info.resolutions.empty()) {
        info.defaultResolution = info.resolutions.front();
    }

    if (ipp_attribute_t *attr = cupsFindDestSupported(h, d, dinfo, "copies")) {
        int upper = 1;
        ippGetRange(attr, 0, &upper);
        info.maxCopies = std::clamp(upper, 1, 32767);
    }
    if (ipp_attribute_t *attr = cupsFindDestDefault(h, d, dinfo, "copies"))
        info.defaultCopies = std::max(1, ippGetInteger(attr, 0));
    if (ipp_attribute_t *attr = cupsFindDestSupported(h, d, dinfo, "print-color-mode")) {
        for (int i = 0; i < ippGetCount(attr); ++i) {
            if (!std::strcmp(ippGetString(attr, i, nullptr), "color"))
                info.color = true;
        }
    }
    if (ipp_attribute_t *attr = cupsFindDestDefault(h, d, dinfo, "print-color-mode"))
        info.defaultColor = info.color && !std::strcmp(ippGetString(attr, 0, nullptr), "color");
    if (ipp_attribute_t *attr = cupsFindDestSupported(h, d, dinfo, "sides")) {
        for (int i = 0; i < ippGetCount(attr); ++i) {
            if (std::strncmp(ippGetString(attr, i, nullptr), "two-sided", 9) == 0)
                info.duplex = true;
        }
    }
    if (ipp_attribute_t *attr = cupsFindDestDefault(h, d, dinfo, "sides"))
        info.defaultSides = QString::fromUtf8(ippGetString(attr, 0, nullptr));
    cupsFreeDestInfo(dinfo);

    info.make = dest.option("printer-make-and-model");
    info.deviceUri = dest.option("device-uri");
    return info;
}

CupsDriverBytes *driverPart(QByteArray &block)
{
    const DEVMODEW *dm = fields(block);
    if (!dm || dm->dmDriverExtra < sizeof(CupsDriverBytes) ||
        block.size() < qsizetype(sizeof(DEVMODEW) + sizeof(CupsDriverBytes)))
        return nullptr;
    auto *bytes = reinterpret_cast<CupsDriverBytes *>(driverBytes(block));
    return std::memcmp(bytes->magic, driverMagic, sizeof driverMagic) == 0 ? bytes : nullptr;
}

const CupsDriverBytes *driverPart(const QByteArray &block)
{
    return driverPart(const_cast<QByteArray &>(block));
}

void setKeyword(char *field, std::size_t capacity, const QString &keyword)
{
    const QByteArray utf8 = keyword.toUtf8();
    std::memset(field, 0, capacity);
    std::memcpy(field, utf8.constData(),
                std::min<std::size_t>(std::size_t(utf8.size()), capacity - 1));
}

QString keyword(const char *field, std::size_t capacity)
{
    return QString::fromUtf8(field, qsizetype(strnlen(field, capacity)));
}

// The media a block stands for: its user size, or the keyword it carries
// when that keyword still has the block's paper number, or the first
// medium with that number, or the printer's default.
Media resolveMedia(const PrinterInfo &info, const QByteArray &block)
{
    const DEVMODEW *dm = fields(block);
    const CupsDriverBytes *extra = driverPart(block);
    const QString carried = extra ? keyword(extra->media, sizeof extra->media) : QString();
    const Media *fallback = info.find(info.defaultMedia);
    // The user size counts only with its two field flags; a plain paper
    // number 256 picks the printer's first medium of another size.
    if (dm && dm->dmPaperSize == DMPAPER_USER && (dm->dmFields & DM_PAPERWIDTH) &&
        (dm->dmFields & DM_PAPERLENGTH) && dm->dmPaperWidth > 0 && dm->dmPaperLength > 0) {
        const int w = dm->dmPaperWidth * 10;
        const int l = dm->dmPaperLength * 10;
        if (const Media *m = info.find(carried);
            m && std::abs(m->width - w) <= 100 && std::abs(m->length - l) <= 100)
            return *m;
        for (const Media &m : info.media) {
            if (std::abs(m.width - w) <= 100 && std::abs(m.length - l) <= 100)
                return m;
        }
        Media custom = fallback ? *fallback : Media{};
        custom.keyword = QStringLiteral("custom_%1x%2mm").arg(w / 100.0).arg(l / 100.0);
        custom.name = custom.keyword;
        custom.number = DMPAPER_USER;
        custom.width = w;
        custom.length = l;
        return custom;
    }
    if (const Media *m = info.find(carried); m && dm && m->number == dm->dmPaperSize)
        return *m;
    for (const Media &m : info.media) {
        if (dm && m.number == dm->dmPaperSize)
            return m;
    }
    if (fallback)
        return *fallback;
    if (!info.media.empty())
        return info.media.front();
    throw SpoolerError("The printer offers no paper size");
}

QString resolveSource(const PrinterInfo &info, const QByteArray &block)
{
    if (info.sources.isEmpty())
        return QString();
    const DEVMODEW *dm = fields(block);
    const CupsDriverBytes *extra = driverPart(block);
    const QString carried = extra ? keyword(extra->source, sizeof extra->source) : QString();
    if (dm && info.sourceNumber(carried) == dm->dmDefaultSource)
        return carried;
    for (qsizetype i = 0; i < info.sources.size(); ++i) {
        if (dm && info.sourceNumbers[std::size_t(i)] == dm->dmDefaultSource)
            return info.sources[i];
    }
    return info.defaultSource;
}

Resolution resolveResolution(const PrinterInfo &info, const QByteArray &block)
{
    const DEVMODEW *dm = fields(block);
    if (dm && (dm->dmFields & DM_PRINTQUALITY) && dm->dmPrintQuality > 0) {
        const Resolution wanted{dm->dmPrintQuality,
                                ((dm->dmFields & DM_YRESOLUTION) && dm->dmYResolution > 0)
                                    ? dm->dmYResolution
                                    : dm->dmPrintQuality};
        if (info.resolutions.empty() || std::find(info.resolutions.begin(), info.resolutions.end(),
                                                  wanted) != info.resolutions.end())
            return wanted;
    }
    return info.defaultResolution;
}

PageGeometry geometryFor(const PrinterInfo &info, const QByteArray &block)
{
    const Media media = resolveMedia(info, block);
    const Resolution res = resolveResolution(info, block);
    const DEVMODEW *dm = fields(block);
    PageGeometry g;
    g.widthMm = media.width / 100.0;
    g.lengthMm = media.length / 100.0;
    g.leftMm = media.left / 100.0;
    g.topMm = media.top / 100.0;
    g.rightMm = media.right / 100.0;
    g.bottomMm = media.bottom / 100.0;
    g.dpiX = res.x;
    g.dpiY = res.y;
    g.landscape = dm && (dm->dmFields & DM_ORIENTATION) && dm->dmOrientation == DMORIENT_LANDSCAPE;
    g.bitsPixel = info.color ? 24 : 1;
    return g;
}

QString withoutUserInfo(const QString &uri)
{
    const QUrl url(uri);
    if (!url.isValid() || url.userInfo().isEmpty())
        return uri;
    return url.toString(QUrl::RemoveUserInfo);
}

class CupsJob : public SpoolerJob
{
public:
    CupsJob(int timeoutMs, const QString &device, const QString &title, const PageGeometry &g,
            std::vector<std::pair<QByteArray, QByteArray>> options)
        : timeoutMs_(timeoutMs), device_(device), title_(title), options_(std::move(options)),
          pages_(g, title)
    {
    }
    ~CupsJob() override { cancel(); }

    QPainter *painter() override { return pages_.painter(); }
    QPaintDevice *device() override { return pages_.device(); }
    void newPage() override { pages_.newPage(); }

    void finish() override
    {
        done_ = true;
        const QByteArray pdf = pages_.finish();
        Http http(timeoutMs_);
        Dest dest(http, device_);
        cups_dinfo_t *dinfo = cupsCopyDestInfo(http.get(), dest.get());
        if (!dinfo)
            fail(QStringLiteral("Cannot read the capabilities of \"%1\"").arg(device_));
        cups_option_t *options = nullptr;
        int count = 0;
        for (const auto &[name, value] : options_)
            count = cupsAddOption(name.constData(), value.constData(), count, &options);
        int jobId = 0;
        const QByteArray title = title_.toUtf8();
        const ipp_status_t created = cupsCreateDestJob(http.get(), dest.get(), dinfo, &jobId,
                                                       title.constData(), count, options);
        QString error;
        if (failed(created) || jobId <= 0) {
            error = QStringLiteral("The scheduler refused the job (%1)").arg(lastError());
        } else if (cupsStartDestDocument(http.get(), dest.get(), dinfo, jobId, title.constData(),
                                         CUPS_FORMAT_PDF, 0, nullptr, 1) != HTTP_STATUS_CONTINUE) {
            error = QStringLiteral("Cannot send the document (%1)").arg(lastError());
        } else {
            const bool written =
                cupsWriteRequestData(http.get(), pdf.constData(), std::size_t(pdf.size())) ==
                HTTP_STATUS_CONTINUE;
            const ipp_status_t finished = cupsFinishDestDocument(http.get(), dest.get(), dinfo);
            if (!written || failed(finished))
                error = QStringLiteral("Cannot send the document (%1)").arg(lastError());
        }
        if (!error.isEmpty() && jobId > 0)
            cupsCancelDestJob(http.get(), dest.get(), jobId);
        cupsFreeOptions(count, options);
        cupsFreeDestInfo(dinfo);
        if (!error.isEmpty())
            throw SpoolerError(error.toStdString());
    }

    void cancel() override
    {
        // Nothing reached the scheduler before finish(); dropping the pages
        // is all a cancel needs.
        if (done_)
            return;
        done_ = true;
        pages_.finish();
    }

private:
    int timeoutMs_;
    QString device_;
    QString title_;
    std::vector<std::pair<QByteArray, QByteArray>> options_;
    PdfPages pages_;
    bool done_ = false;
};

QByteArray resolutionText(const Resolution &r)
{
    return r.x == r.y ? QByteArray::number(r.x) + "dpi"
                      : QByteArray::number(r.x) + "x" + QByteArray::number(r.y) + "dpi";
}

} // namespace

CupsSpooler::CupsSpooler(int timeoutMs) : timeoutMs_(timeoutMs) {}

QString CupsSpooler::mediaKeyword(const QByteArray &block)
{
    const CupsDriverBytes *extra = driverPart(block);
    return extra ? keyword(extra->media, sizeof extra->media) : QString();
}

QString CupsSpooler::sourceKeyword(const QByteArray &block)
{
    const CupsDriverBytes *extra = driverPart(block);
    return extra ? keyword(extra->source, sizeof extra->source) : QString();
}

int CupsSpooler::paperNumberFor(int width, int length)
{
    struct Known
    {
        int number;
        int width;
        int length;
    };
    static constexpr Known known[] = {
        {DMPAPER_A5, 14800, 21000},
        {DMPAPER_A4, 21000, 29700},
        {DMPAPER_B5, 18200, 25700},
        {DMPAPER_LETTER, 21590, 27940},
        {DMPAPER_JAPANESE_POSTCARD, 10000, 14800},
    };
    for (const Known &k : known) {
        if (std::abs(width - k.width) <= 100 && std::abs(length - k.length) <= 100)
            return k.number;
    }
    return DMPAPER_USER;
}

std::vector<int> CupsSpooler::binNumbersFor(const QStringList &sourceKeywords)
{
    std::vector<int> numbers;
    bool continuousTaken = false;
    std::vector<int> taken;
    for (qsizetype k = 0; k < sourceKeywords.size(); ++k) {
        const QString &kw = sourceKeywords[k];
        int number = 0;
        if (kw == QLatin1String("auto"))
            number = DMBIN_AUTO;
        else if (kw == QLatin1String("manual"))
            number = DMBIN_MANUAL;
        else if (kw == QLatin1String("top"))
            number = DMBIN_UPPER;
        else if (kw == QLatin1String("bottom"))
            number = DMBIN_LOWER;
        else if (!continuousTaken &&
                 (kw.startsWith(QLatin1String("continuous")) || kw == QLatin1String("tractor"))) {
            number = DMBIN_TRACTOR;
            continuousTaken = true;
        }
        if (number == 0 || std::find(taken.begin(), taken.end(), number) != taken.end())
            number = DMBIN_USER + int(k);
        taken.push_back(number);
        numbers.push_back(number);
    }
    return numbers;
}

namespace {

struct Queue
{
    QString name;
    bool hidden = false;
    QString deviceUri;
};

// The scheduler's queues in one request (CUPS-Get-Printers), so a silent
// scheduler costs one timeout.
std::vector<Queue> listQueues(Http &http, const char *what)
{
    ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    static const char *const attributes[] = {"printer-name", "printer-type", "printer-is-temporary",
                                             "device-uri"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  int(std::size(attributes)), nullptr, attributes);
    ipp_t *response = cupsDoRequest(http.get(), request, "/");
    if (!response || (failed(cupsLastError()) && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)) {
        ippDelete(response);
        fail(QString::fromUtf8(what));
    }
    std::vector<Queue> queues;
    Queue current;
    bool inPrinter = false;
    bool typeDiscovered = false;
    bool temporary = false;
    const auto finish = [&] {
        if (inPrinter && !current.name.isEmpty()) {
            current.hidden = typeDiscovered || temporary;
            queues.push_back(current);
        }
        current = Queue{};
        typeDiscovered = false;
        temporary = false;
    };
    for (ipp_attribute_t *attr = ippFirstAttribute(response); attr;
         attr = ippNextAttribute(response)) {
        const char *name = ippGetName(attr);
        if (!name) { // group separator
            finish();
            inPrinter = false;
            continue;
        }
        if (ippGetGroupTag(attr) != IPP_TAG_PRINTER)
            continue;
        inPrinter = true;
        if (!std::strcmp(name, "printer-name"))
            current.name = QString::fromUtf8(ippGetString(attr, 0, nullptr));
        else if (!std::strcmp(name, "printer-type"))
            typeDiscovered = unsigned(ippGetInteger(attr, 0)) & CUPS_PRINTER_DISCOVERED;
        else if (!std::strcmp(name, "printer-is-temporary"))
            temporary = ippGetBoolean(attr, 0);
        else if (!std::strcmp(name, "device-uri"))
            current.deviceUri = withoutUserInfo(QString::fromUtf8(ippGetString(attr, 0, nullptr)));
    }
    finish();
    ippDelete(response);
    return queues;
}

} // namespace

std::vector<PrinterRecord> CupsSpooler::enumPrinters()
{
    Http http(timeoutMs_);
    std::vector<PrinterRecord> out;
    for (const Queue &q : listQueues(http, "Cannot list the printers"))
        out.push_back(PrinterRecord{q.name, q.hidden ? PRINTER_ATTRIBUTE_HIDDEN : 0u});
    return out;
}

QStringList CupsSpooler::enumPorts()
{
    Http http(timeoutMs_);
    QStringList ports;
    for (const Queue &q : listQueues(http, "Cannot list the ports")) {
        if (!q.deviceUri.isEmpty())
            ports.append(q.deviceUri);
    }
    return ports;
}

QString CupsSpooler::defaultPrinter()
{
    // The user's choice first, as the CUPS tools take it.
    for (const char *variable : {"LPDEST", "PRINTER"}) {
        const QString name = QString::fromLocal8Bit(qgetenv(variable));
        if (!name.isEmpty() && name != QLatin1String("lp"))
            return name.section(QLatin1Char('/'), 0, 0);
    }
    Http http(timeoutMs_);
    ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_DEFAULT);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "printer-name");
    ipp_t *response = cupsDoRequest(http.get(), request, "/");
    QString name;
    if (ipp_attribute_t *attr = ippFindAttribute(response, "printer-name", IPP_TAG_NAME))
        name = QString::fromUtf8(ippGetString(attr, 0, nullptr));
    ippDelete(response);
    return name;
}

QString CupsSpooler::driverName(const QString &device)
{
    Http http(timeoutMs_);
    Dest dest(http, device);
    const QString make = dest.option("printer-make-and-model");
    return make.isEmpty() ? QStringLiteral("CUPS") : make;
}

QString CupsSpooler::portName(const QString &device)
{
    Http http(timeoutMs_);
    Dest dest(http, device);
    return withoutUserInfo(dest.option("device-uri"));
}

QByteArray CupsSpooler::defaultSettings(const QString &device)
{
    Http http(timeoutMs_);
    const PrinterInfo info = readInfo(http, device);
    QByteArray block = newBlock(device, sizeof(CupsDriverBytes));
    auto *extra = reinterpret_cast<CupsDriverBytes *>(driverBytes(block));
    std::memcpy(extra->magic, driverMagic, sizeof driverMagic);
    DEVMODEW *dm = fields(block);
    dm->dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_COLOR;
    dm->dmOrientation = DMORIENT_PORTRAIT;
    dm->dmCopies = std::int16_t(std::clamp(info.defaultCopies, 1, info.maxCopies));
    dm->dmColor = info.defaultColor ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
    dm->dmScale = 100;
    if (const Media *m = info.find(info.defaultMedia)) {
        dm->dmPaperSize = std::int16_t(m->number);
        dm->dmPaperWidth = std::int16_t(std::lround(m->width / 10.0));
        dm->dmPaperLength = std::int16_t(std::lround(m->length / 10.0));
        if (m->number == DMPAPER_USER)
            dm->dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
        setKeyword(extra->media, sizeof extra->media, m->keyword);
    }
    if (!info.sources.isEmpty()) {
        dm->dmFields |= DM_DEFAULTSOURCE;
        dm->dmDefaultSource = std::int16_t(info.sourceNumber(info.defaultSource));
        setKeyword(extra->source, sizeof extra->source, info.defaultSource);
    }
    if (!info.resolutions.empty()) {
        dm->dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
        dm->dmPrintQuality = std::int16_t(info.defaultResolution.x);
        dm->dmYResolution = std::int16_t(info.defaultResolution.y);
    }
    if (info.duplex) {
        dm->dmFields |= DM_DUPLEX;
        dm->dmDuplex = info.defaultSides == QLatin1String("two-sided-long-edge") ? DMDUP_VERTICAL
                       : info.defaultSides == QLatin1String("two-sided-short-edge")
                           ? DMDUP_HORIZONTAL
                           : DMDUP_SIMPLEX;
    }
    return block;
}

void CupsSpooler::validateSettings(const QString &device, QByteArray &block)
{
    DEVMODEW *dm = fields(block);
    if (!dm)
        throw SpoolerError("The settings block is too short");
    Http http(timeoutMs_);
    const PrinterInfo info = readInfo(http, device);
    if (!driverPart(block)) {
        // A block from elsewhere: give it this printer's driver bytes.
        const QByteArray pub = block.left(sizeof(DEVMODEW));
        block = pub + QByteArray(sizeof(CupsDriverBytes), '\0');
        dm = fields(block);
        dm->dmDriverExtra = sizeof(CupsDriverBytes);
        std::memcpy(reinterpret_cast<CupsDriverBytes *>(driverBytes(block))->magic, driverMagic,
                    sizeof driverMagic);
    }
    auto *extra = driverPart(block);
    const Media media = resolveMedia(info, block);
    dm->dmPaperSize = std::int16_t(media.number);
    if (media.number != DMPAPER_USER) {
        dm->dmPaperWidth = std::int16_t(std::lround(media.width / 10.0));
        dm->dmPaperLength = std::int16_t(std::lround(media.length / 10.0));
    }
    setKeyword(extra->media, sizeof extra->media, media.keyword);
    if (!info.sources.isEmpty()) {
        const QString source = resolveSource(info, block);
        dm->dmDefaultSource = std::int16_t(info.sourceNumber(source));
        setKeyword(extra->source, sizeof extra->source, source);
    }
    if (!info.resolutions.empty() &&
        (dm->dmPrintQuality > 0 || !(dm->dmFields & DM_PRINTQUALITY))) {
        const Resolution r = resolveResolution(info, block);
        dm->dmPrintQuality = std::int16_t(r.x);
        dm->dmYResolution = std::int16_t(r.y);
        dm->dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
    }
    if (dm->dmOrientation != DMORIENT_LANDSCAPE)
        dm->dmOrientation = DMORIENT_PORTRAIT;
    // dmCopies holds the unsigned count the printer object writes.
    dm->dmCopies = std::int16_t(std::clamp<int>(std::uint16_t(dm->dmCopies), 1, info.maxCopies));
    if (!info.color)
        dm->dmColor = DMCOLOR_MONOCHROME;
    if (!info.duplex)
        dm->dmDuplex = DMDUP_SIMPLEX;
}

DeviceCapabilities CupsSpooler::capabilities(const QString &device, const QByteArray &)
{
    Http http(timeoutMs_);
    const PrinterInfo info = readInfo(http, device);
    DeviceCapabilities caps;
    for (const Media &m : info.media)
        caps.papers.push_back(PaperEntry{std::uint16_t(m.number), m.name});
    for (qsizetype i = 0; i < info.sources.size(); ++i)
        caps.bins.push_back(
            BinEntry{std::uint16_t(info.sourceNumbers[std::size_t(i)]), info.sourceNames[i]});
    caps.resolutions = info.resolutions;
    caps.maxCopies = info.maxCopies;
    return caps;
}

DeviceMetrics CupsSpooler::metrics(const QString &device, const QByteArray &block)
{
    Http http(timeoutMs_);
    const PrinterInfo info = readInfo(http, device);
    return computeMetrics(geometryFor(info, block));
}

std::unique_ptr<SpoolerJob> CupsSpooler::startJob(const QString &device, const QString &,
                                                  const QByteArray &block, const QString &title)
{
    Http http(timeoutMs_);
    const PrinterInfo info = readInfo(http, device);
    const DEVMODEW *dm = fields(block);
    const Media media = resolveMedia(info, block);
    const QString source = resolveSource(info, block);
    std::vector<std::pair<QByteArray, QByteArray>> options;
    QByteArray mediaCol = "{media-size={x-dimension=" + QByteArray::number(media.width) +
                          " y-dimension=" + QByteArray::number(media.length) + "}";
    if (!source.isEmpty())
        mediaCol += " media-source=" + source.toUtf8();
    mediaCol += "}";
    options.emplace_back("media-col", mediaCol);
    if (dm && (dm->dmFields & DM_COPIES) && std::uint16_t(dm->dmCopies) > 1)
        options.emplace_back("copies", QByteArray::number(std::min<int>(std::uint16_t(dm->dmCopies),
                                                                        info.maxCopies)));
    if (info.duplex && dm) {
        options.emplace_back("sides", dm->dmDuplex == DMDUP_VERTICAL     ? "two-sided-long-edge"
                                      : dm->dmDuplex == DMDUP_HORIZONTAL ? "two-sided-short-edge"
                                                                         : "one-sided");
    }
    options.emplace_back("print-color-mode",
                         info.color && dm && dm->dmColor == DMCOLOR_COLOR ? "color" : "monochrome");
    if (!info.resolutions.empty())
        options.emplace_back("printer-resolution", resolutionText(resolveResolution(info, block)));
    options.emplace_back("print-scaling", "none");
    return std::make_unique<CupsJob>(timeoutMs_, device, title, geometryFor(info, block),
                                     std::move(options));
}
