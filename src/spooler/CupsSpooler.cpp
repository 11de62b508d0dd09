#include "spooler/CupsSpooler.h"

#include "spooler/DevMode.h"
#include "spooler/PdfSpooler.h"

#include <QElapsedTimer>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <cups/cups.h>
#include <map>
#include <mutex>
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

// The scheduler as the operator knows it: "localhost:631" also when libcups
// talks to it through its local socket.
QString schedulerName()
{
    const QString server = QString::fromUtf8(cupsServer());
    const QString host = server.startsWith(QLatin1Char('/')) ? QStringLiteral("localhost") : server;
    return QStringLiteral("%1:%2").arg(host).arg(ippPort());
}

} // namespace

// Whether the scheduler lately took a connection and then kept silent. A
// silent scheduler costs each request its whole timeout, and one command
// makes several requests; so once one request found it silent, the other
// operations fail at once (for quietPeriod, or until a request is answered
// again) instead of waiting out a timeout each. Listings always ask: they
// run on the poll's worker thread and tell when the scheduler is back.
struct CupsSpooler::Health
{
    static constexpr std::chrono::seconds quietPeriod{10};

    bool silent()
    {
        std::lock_guard lock(mutex);
        return silentSince && std::chrono::steady_clock::now() - *silentSince < quietPeriod;
    }
    void markSilent()
    {
        std::lock_guard lock(mutex);
        silentSince = std::chrono::steady_clock::now();
    }
    void markAnswered()
    {
        std::lock_guard lock(mutex);
        silentSince.reset();
    }

    std::mutex mutex;
    std::optional<std::chrono::steady_clock::time_point> silentSince;
};

namespace {

[[noreturn]] void failNotAnswering(const QString &printer)
{
    const QString server = schedulerName();
    throw SpoolerError(SpoolerFault::NotAnswering, server, printer,
                       QStringLiteral("The CUPS scheduler at %1 does not answer").arg(server));
}

// One connection to the scheduler for one operation. Every request on it
// ends within the timeout: a scheduler that takes the connection and says
// nothing (stopped, hung) ends in SpoolerFault::NotAnswering, one that is
// not there in SpoolerFault::Unreachable.
class Http
{
public:
    enum Kind { Listing, Operation };

    Http(int timeoutMs, CupsSpooler::Health &health, Kind kind = Operation) : health_(health)
    {
        if (kind == Operation && health_.silent())
            failNotAnswering(QString());
        const char *server = cupsServer();
        http_ = httpConnect2(server, ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, timeoutMs,
                             nullptr);
        if (!http_) {
            const QString name = schedulerName();
            throw SpoolerError(SpoolerFault::Unreachable, name, QString(),
                               QStringLiteral("Cannot reach the CUPS scheduler at %1 (%2)")
                                   .arg(name, lastError()));
        }
        // A scheduler that stops answering ends the request instead of
        // holding the caller (no callback: the request is given up). libcups
        // waits a second of its own before it reads the answer, so the
        // socket gets that much less: 3 s for a request come to 2 s + 1 s.
        silentAfterMs_ = std::max(timeoutMs - 1000, timeoutMs / 2);
        httpSetTimeout(http_, silentAfterMs_ / 1000.0, nullptr, nullptr);
    }
    ~Http() { httpClose(http_); }
    Http(const Http &) = delete;
    Http &operator=(const Http &) = delete;
    http_t *get() const { return http_; }

    // cupsDoRequest with the timeout's outcome told apart: null only for a
    // request that got no answer for another reason (a dropped connection).
    ipp_t *request(ipp_t *request, const QString &printer)
    {
        QElapsedTimer t;
        t.start();
        ipp_t *response = cupsDoRequest(http_, request, "/");
        settle(response != nullptr, t, printer);
        return response;
    }
    cups_dinfo_t *destInfo(cups_dest_t *dest, const QString &printer)
    {
        QElapsedTimer t;
        t.start();
        cups_dinfo_t *info = cupsCopyDestInfo(http_, dest);
        settle(info != nullptr, t, printer);
        return info;
    }

    // After a failed step timed t: whether the scheduler kept silent (it is
    // then marked so).
    bool wentSilent(const QElapsedTimer &t)
    {
        if (httpError(http_) == ETIMEDOUT || t.elapsed() >= silentAfterMs_ - 50) {
            health_.markSilent();
            return true;
        }
        return false;
    }

private:
    void settle(bool answered, const QElapsedTimer &t, const QString &printer)
    {
        if (answered) {
            health_.markAnswered();
            return;
        }
        if (wentSilent(t))
            failNotAnswering(printer);
    }

    int silentAfterMs_ = 0;
    CupsSpooler::Health &health_;
    http_t *http_ = nullptr;
};

// A printer as the scheduler describes it, read with one Get-Printer-
// Attributes request on the operation's connection (cupsGetNamedDest would
// ignore the connection's timeout and wait for minutes).
class Dest
{
public:
    Dest(Http &http, const QString &name)
    {
        char uri[HTTP_MAX_URI];
        const QByteArray utf8 = name.toUtf8();
        httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost",
                         ippPort(), "/printers/%s", utf8.constData());
        ipp_t *request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
        static const char *const attributes[] = {"printer-uri-supported", "printer-make-and-model",
                                                 "device-uri", "printer-state",
                                                 "printer-is-accepting-jobs"};
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      int(std::size(attributes)), nullptr, attributes);
        ipp_t *response = http.request(request, name);
        if (!response) {
            const QString server = schedulerName();
            throw SpoolerError(
                SpoolerFault::Unreachable, server, name,
                QStringLiteral("The CUPS scheduler at %1 dropped the connection (%2)")
                    .arg(server, lastError()));
        }
        if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) {
            ippDelete(response);
            throw SpoolerError(SpoolerFault::NoSuchPrinter, schedulerName(), name,
                               QStringLiteral("The printer \"%1\" does not exist").arg(name));
        }
        if (failed(cupsLastError())) {
            ippDelete(response);
            fail(QStringLiteral("Cannot read the printer \"%1\"").arg(name));
        }
        num_ = cupsAddDest(utf8.constData(), nullptr, 0, &dest_);
        const auto add = [this](const char *option, const QByteArray &value) {
            if (!value.isEmpty())
                dest_->num_options =
                    cupsAddOption(option, value.constData(), dest_->num_options, &dest_->options);
        };
        for (const char *text : {"printer-uri-supported", "printer-make-and-model", "device-uri"}) {
            if (ipp_attribute_t *attr = ippFindAttribute(response, text, IPP_TAG_ZERO))
                add(text, QByteArray(ippGetString(attr, 0, nullptr)));
        }
        if (!cupsGetOption("printer-uri-supported", dest_->num_options, dest_->options))
            add("printer-uri-supported", QByteArray(uri));
        if (ipp_attribute_t *attr = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM))
            stopped_ = ippGetInteger(attr, 0) == IPP_PSTATE_STOPPED;
        if (ipp_attribute_t *attr =
                ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN))
            accepting_ = ippGetBoolean(attr, 0);
        ippDelete(response);
    }
    ~Dest() { cupsFreeDests(num_, dest_); }
    Dest(const Dest &) = delete;
    Dest &operator=(const Dest &) = delete;
    cups_dest_t *get() const { return dest_; }
    QString option(const char *name) const
    {
        return QString::fromUtf8(cupsGetOption(name, dest_->num_options, dest_->options));
    }
    bool stopped() const { return stopped_; }
    bool accepting() const { return accepting_; }

private:
    int num_ = 0;
    cups_dest_t *dest_ = nullptr;
    bool stopped_ = false;
    bool accepting_ = true;
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
    bool stopped = false;
    bool accepting = true;

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
    return CupsSpooler::binName(keyword, schedulerName);
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
    cups_dinfo_t *dinfo = http.destInfo(dest.get(), device);
    if (!dinfo)
        fail(QStringLiteral("Cannot read the capabilities of \"%1\"").arg(device));
    PrinterInfo info;
    info.stopped = dest.stopped();
    info.accepting = dest.accepting();
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
    CupsJob(int timeoutMs, std::shared_ptr<CupsSpooler::Health> health, const QString &device,
            const QString &title, const PageGeometry &g,
            std::vector<std::pair<QByteArray, QByteArray>> options)
        : timeoutMs_(timeoutMs), health_(std::move(health)), device_(device), title_(title),
          options_(std::move(options)), pages_(g, title)
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
        Http http(timeoutMs_, *health_);
        Dest dest(http, device_);
        cups_dinfo_t *dinfo = http.destInfo(dest.get(), device_);
        if (!dinfo)
            fail(QStringLiteral("Cannot read the capabilities of \"%1\"").arg(device_));
        cups_option_t *options = nullptr;
        int count = 0;
        for (const auto &[name, value] : options_)
            count = cupsAddOption(name.constData(), value.constData(), count, &options);
        int jobId = 0;
        const QByteArray title = title_.toUtf8();
        QElapsedTimer step;
        step.start();
        const ipp_status_t created = cupsCreateDestJob(http.get(), dest.get(), dinfo, &jobId,
                                                       title.constData(), count, options);
        QString error;
        if (failed(created) || jobId <= 0) {
            error = QStringLiteral("The scheduler refused the job (%1)").arg(lastError());
        } else if (step.restart(),
                   cupsStartDestDocument(http.get(), dest.get(), dinfo, jobId, title.constData(),
                                         CUPS_FORMAT_PDF, 0, nullptr, 1) != HTTP_STATUS_CONTINUE) {
            error = QStringLiteral("Cannot send the document (%1)").arg(lastError());
        } else {
            step.restart();
            const bool written =
                cupsWriteRequestData(http.get(), pdf.constData(), std::size_t(pdf.size())) ==
                HTTP_STATUS_CONTINUE;
            const ipp_status_t finished = cupsFinishDestDocument(http.get(), dest.get(), dinfo);
            if (!written || failed(finished))
                error = QStringLiteral("Cannot send the document (%1)").arg(lastError());
        }
        // A silent scheduler would not take the cancel either; asking would
        // only hold the window for another timeout.
        const bool silent = !error.isEmpty() && http.wentSilent(step);
        if (!error.isEmpty() && jobId > 0 && !silent)
            cupsCancelDestJob(http.get(), dest.get(), jobId);
        cupsFreeOptions(count, options);
        cupsFreeDestInfo(dinfo);
        if (silent)
            failNotAnswering(device_);
        if (!error.isEmpty()) {
            const bool rejected = failed(created) && !dest.accepting();
            throw SpoolerError(rejected ? SpoolerFault::NotAccepting : SpoolerFault::Other,
                               schedulerName(), device_, error);
        }
        jobId_ = jobId;
    }

    int jobId() const override { return jobId_; }

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
    std::shared_ptr<CupsSpooler::Health> health_;
    QString device_;
    QString title_;
    int jobId_ = 0;
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

// Capabilities read in the last moments, per printer; a read under way is
// waited for rather than made twice.
struct CupsSpooler::InfoCache
{
    static constexpr std::chrono::milliseconds reuse{1500};

    struct Entry
    {
        std::optional<PrinterInfo> info;
        std::chrono::steady_clock::time_point readAt;
        bool reading = false;
    };

    // Whether the current action may reuse what was read at readAt. Under mutex.
    bool fresh(std::chrono::steady_clock::time_point readAt) const
    {
        return reusing > 0 && std::chrono::steady_clock::now() - readAt < reuse;
    }

    PrinterInfo get(int timeoutMs, CupsSpooler::Health &health, const QString &device)
    {
        std::unique_lock lock(mutex);
        Entry &e = entries[device];
        ready.wait(lock, [&e] { return !e.reading; });
        if (e.info && fresh(e.readAt))
            return *e.info;
        e.reading = true;
        lock.unlock();
        try {
            Http http(timeoutMs, health);
            PrinterInfo info = readInfo(http, device);
            lock.lock();
            e.info = info;
            e.readAt = std::chrono::steady_clock::now();
            e.reading = false;
            ready.notify_all();
            return info;
        } catch (...) {
            if (!lock.owns_lock())
                lock.lock();
            e.info.reset();
            e.reading = false;
            ready.notify_all();
            throw;
        }
    }

    // What was read of a printer, when the current action may reuse it (a
    // read under way is waited for); nothing is asked of the scheduler.
    std::optional<PrinterInfo> reusable(const QString &device)
    {
        std::unique_lock lock(mutex);
        const auto it = entries.find(device);
        if (it == entries.end())
            return std::nullopt;
        Entry &e = it->second;
        ready.wait(lock, [&e] { return !e.reading; });
        if (e.info && fresh(e.readAt))
            return e.info;
        return std::nullopt;
    }

    // The default printer's name, kept as the other reads are.
    std::optional<QString> reusableDefault()
    {
        std::lock_guard lock(mutex);
        if (defaultName && fresh(defaultReadAt))
            return defaultName;
        return std::nullopt;
    }
    void keepDefault(const QString &name)
    {
        std::lock_guard lock(mutex);
        defaultName = name;
        defaultReadAt = std::chrono::steady_clock::now();
    }

    std::mutex mutex;
    std::condition_variable ready;
    std::map<QString, Entry> entries;
    std::optional<QString> defaultName; // under mutex
    std::chrono::steady_clock::time_point defaultReadAt;
    bool stopping = false; // under mutex: the prefetch ends before its next printer
    int reusing = 0;       // under mutex: open reuseReads(true) calls
};

CupsSpooler::CupsSpooler(int timeoutMs)
    : timeoutMs_(timeoutMs), health_(std::make_shared<Health>()),
      cache_(std::make_unique<InfoCache>())
{
}

CupsSpooler::~CupsSpooler()
{
    if (prefetcher_.joinable()) {
        {
            std::lock_guard lock(cache_->mutex);
            cache_->stopping = true;
        }
        prefetcher_.join();
    }
}

void CupsSpooler::reuseReads(bool on)
{
    std::lock_guard lock(cache_->mutex);
    cache_->reusing = std::max(0, cache_->reusing + (on ? 1 : -1));
    // The action is over: what it read is not reused by the next one.
    if (cache_->reusing == 0)
        std::erase_if(cache_->entries, [](const auto &entry) { return !entry.second.reading; });
}

// A shop has a printer or a few; others are read when selected.
constexpr qsizetype prefetchLimit = 4;

void CupsSpooler::prefetch(const QStringList &devices)
{
    if (prefetcher_.joinable() || devices.isEmpty())
        return; // one prefetch per spooler: it serves the first selection
    // libcups keeps its server and port per thread: the worker asks the caller's.
    const QByteArray server = cupsServer();
    const int port = ippPort();
    prefetcher_ = std::thread([this, devices, server, port] {
        cupsSetServer(server.constData());
        ippSetPort(port);
        // The default printer first: a printer not yet registered is selected by it.
        QStringList order = devices;
        try {
            const qsizetype at = order.indexOf(defaultPrinter());
            if (at > 0)
                order.move(at, 0);
        } catch (...) {
        }
        for (const QString &device : order.mid(0, prefetchLimit)) {
            {
                std::lock_guard lock(cache_->mutex);
                if (cache_->stopping)
                    return;
            }
            try {
                cache_->get(timeoutMs_, *health_, device);
            } catch (...) {
                // The selection reads it again and reports what it finds.
            }
        }
    });
}

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

QString CupsSpooler::binName(const QString &keyword, const QString &schedulerName)
{
    struct Known
    {
        const char *keyword;
        const char *name;
    };
    static const Known known[] = {
        {"auto", "自動選択"},
        {"manual", "手差し"},
        {"by-pass-tray", "手差しトレイ"},
        {"main", "メイン"},
        {"alternate", "補助トレイ"},
        {"envelope", "封筒"},
        {"manual-envelope", "封筒手差し"},
        {"large-capacity", "大容量トレイ"},
        {"top", "上段トレイ"},
        {"middle", "中段トレイ"},
        {"bottom", "下段トレイ"},
        {"side", "サイドトレイ"},
        {"rear", "背面トレイ"},
        {"photo", "写真用トレイ"},
        {"disc", "ディスクトレイ"},
        {"roll-1", "ロール紙"},
        {"tractor", "連続用紙"},
    };
    for (const Known &k : known) {
        if (keyword == QLatin1String(k.keyword))
            return QString::fromUtf8(k.name);
    }
    if (keyword.startsWith(QLatin1String("continuous")))
        return QStringLiteral("連続用紙");
    // tray-1, tray-2, … are numbered trays.
    static const QLatin1String tray("tray-");
    if (keyword.startsWith(tray)) {
        bool ok = false;
        const int n = keyword.mid(tray.size()).toInt(&ok);
        if (ok && n > 0)
            return QStringLiteral("トレイ%1").arg(n);
    }
    return schedulerName.isEmpty() ? keyword : schedulerName;
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
    ipp_t *response = http.request(request, QString());
    if (!response || (failed(cupsLastError()) && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)) {
        ippDelete(response);
        const QString server = schedulerName();
        throw SpoolerError(response ? SpoolerFault::Other : SpoolerFault::Unreachable, server,
                           QString(),
                           QStringLiteral("%1 (%2)").arg(QString::fromUtf8(what), lastError()));
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
    Http http(timeoutMs_, *health_, Http::Listing);
    std::vector<PrinterRecord> out;
    for (const Queue &q : listQueues(http, "Cannot list the printers"))
        out.push_back(PrinterRecord{q.name, q.hidden ? PRINTER_ATTRIBUTE_HIDDEN : 0u});
    return out;
}

QStringList CupsSpooler::enumPorts()
{
    Http http(timeoutMs_, *health_, Http::Listing);
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
    if (const std::optional<QString> kept = cache_->reusableDefault())
        return *kept;
    Http http(timeoutMs_, *health_);
    ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_DEFAULT);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "printer-name");
    ipp_t *response = http.request(request, QString());
    // No default is an answer (empty); no answer is an error, never "none".
    if (!response || (failed(cupsLastError()) && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)) {
        ippDelete(response);
        fail(QStringLiteral("Cannot read the default printer from the CUPS scheduler at %1")
                 .arg(schedulerName()));
    }
    QString name;
    if (ipp_attribute_t *attr = ippFindAttribute(response, "printer-name", IPP_TAG_NAME))
        name = QString::fromUtf8(ippGetString(attr, 0, nullptr));
    ippDelete(response);
    cache_->keepDefault(name);
    return name;
}

// The printer's make and its device, from the action's reads when it may
// reuse them (the selection of a printer asks for both).
QString CupsSpooler::driverName(const QString &device)
{
    QString make;
    if (const std::optional<PrinterInfo> info = cache_->reusable(device)) {
        make = info->make;
    } else {
        Http http(timeoutMs_, *health_);
        Dest dest(http, device);
        make = dest.option("printer-make-and-model");
    }
    return make.isEmpty() ? QStringLiteral("CUPS") : make;
}

QString CupsSpooler::portName(const QString &device)
{
    if (const std::optional<PrinterInfo> info = cache_->reusable(device))
        return withoutUserInfo(info->deviceUri);
    Http http(timeoutMs_, *health_);
    Dest dest(http, device);
    return withoutUserInfo(dest.option("device-uri"));
}

QByteArray CupsSpooler::defaultSettings(const QString &device)
{
    const PrinterInfo info = cache_->get(timeoutMs_, *health_, device);
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
    const PrinterInfo info = cache_->get(timeoutMs_, *health_, device);
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
    const PrinterInfo info = cache_->get(timeoutMs_, *health_, device);
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
    const PrinterInfo info = cache_->get(timeoutMs_, *health_, device);
    return computeMetrics(geometryFor(info, block));
}

JobStatus CupsSpooler::jobStatus(const QString &device, int jobId)
{
    // Asked from the poll's worker thread: it may wait out a timeout.
    Http http(timeoutMs_, *health_, Http::Listing);
    JobStatus status;
    {
        Dest dest(http, device);
        status.printerStopped = dest.stopped();
        status.printerAccepting = dest.accepting();
    }
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/jobs/%d", jobId);
    ipp_t *request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "job-state");
    ipp_t *response = http.request(request, device);
    if (!response || failed(cupsLastError())) {
        ippDelete(response);
        fail(QStringLiteral("Cannot read job %1 of \"%2\"").arg(jobId).arg(device));
    }
    if (ipp_attribute_t *attr = ippFindAttribute(response, "job-state", IPP_TAG_ENUM)) {
        switch (ippGetInteger(attr, 0)) {
        case IPP_JSTATE_PENDING:
            status.job = JobState::Pending;
            break;
        case IPP_JSTATE_HELD:
            status.job = JobState::Held;
            break;
        case IPP_JSTATE_PROCESSING:
            status.job = JobState::Processing;
            break;
        case IPP_JSTATE_STOPPED:
            status.job = JobState::Stopped;
            break;
        case IPP_JSTATE_CANCELED:
            status.job = JobState::Canceled;
            break;
        case IPP_JSTATE_ABORTED:
            status.job = JobState::Aborted;
            break;
        case IPP_JSTATE_COMPLETED:
            status.job = JobState::Completed;
            break;
        default:
            break;
        }
    }
    ippDelete(response);
    return status;
}

std::unique_ptr<SpoolerJob> CupsSpooler::startJob(const QString &device, const QString &,
                                                  const QByteArray &block, const QString &title)
{
    Http http(timeoutMs_, *health_);
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
    // A printer that rejects jobs is told before anything is drawn.
    if (!info.accepting)
        throw SpoolerError(SpoolerFault::NotAccepting, schedulerName(), device,
                           QStringLiteral("The printer \"%1\" does not accept jobs").arg(device));
    return std::make_unique<CupsJob>(timeoutMs_, health_, device, title, geometryFor(info, block),
                                     std::move(options));
}
