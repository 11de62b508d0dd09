// A printer's papers, sources and resolutions as settings blocks carry
// them: the DMPAPER_*/DMBIN_* numbers, the IPP keywords kept in the driver
// bytes, and the page a block stands for.

#include "spooler/CupsInternal.h"
#include "spooler/DevMode.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace devmode;
using namespace cupsdetail;

namespace {

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

} // namespace

namespace cupsdetail {

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

} // namespace cupsdetail

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
