#include "transfer/PostalDictionary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <algorithm>
#include <future>
#include <mutex>

namespace {

constexpr char kMagic[] = "KANRO-POSTAL 1";

int kanjiDigit(char16_t c)
{
    switch (c) {
    case u'〇':
        return 0;
    case u'一':
        return 1;
    case u'二':
        return 2;
    case u'三':
        return 3;
    case u'四':
        return 4;
    case u'五':
        return 5;
    case u'六':
        return 6;
    case u'七':
        return 7;
    case u'八':
        return 8;
    case u'九':
        return 9;
    default:
        return -1;
    }
}

int kanjiUnit(char16_t c)
{
    switch (c) {
    case u'十':
        return 10;
    case u'百':
        return 100;
    case u'千':
        return 1000;
    default:
        return 0;
    }
}

// Old and variant kanji seen in place names, with the form Japan Post uses.
// A switch, not a table object: the dictionary's loader may still be folding
// on its worker thread while the program's static objects are destroyed.
char16_t newForm(char16_t c)
{
    switch (c) {
    case u'澤':
        return u'沢';
    case u'邊':
    case u'邉':
        return u'辺';
    case u'廣':
        return u'広';
    case u'齋':
        return u'斎';
    case u'齊':
        return u'斉';
    case u'櫻':
        return u'桜';
    case u'國':
        return u'国';
    case u'嶋':
    case u'嶌':
        return u'島';
    case u'龍':
        return u'竜';
    case u'髙':
        return u'高';
    case u'﨑':
    case u'嵜':
        return u'崎';
    case u'德':
        return u'徳';
    case u'濱':
        return u'浜';
    case u'檜':
        return u'桧';
    case u'舘':
        return u'館';
    case u'槇':
        return u'槙';
    case u'瀨':
        return u'瀬';
    case u'冨':
        return u'富';
    case u'淺':
        return u'浅';
    case u'關':
        return u'関';
    case u'實':
        return u'実';
    case u'惠':
        return u'恵';
    case u'驛':
        return u'駅';
    case u'縣':
        return u'県';
    case u'瀧':
        return u'滝';
    case u'栁':
        return u'柳';
    case u'萬':
        return u'万';
    default:
        return c;
    }
}

std::uint64_t nameHash(QStringView folded, std::size_t seed)
{
    return qHash(folded, seed);
}

} // namespace

QString foldPlaceName(QStringView name)
{
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        char16_t c = name.at(i).unicode();
        if (kanjiDigit(c) >= 0 || kanjiUnit(c) > 0) {
            int total = 0, current = 0;
            qsizetype j = i;
            for (; j < name.size(); ++j) {
                const char16_t d = name.at(j).unicode();
                if (const int digit = kanjiDigit(d); digit >= 0) {
                    current = current * 10 + digit;
                } else if (const int unit = kanjiUnit(d); unit > 0) {
                    total += (current == 0 ? 1 : current) * unit;
                    current = 0;
                } else {
                    break;
                }
                if (total + current > 99999)
                    break;
            }
            out += QString::number(total + current);
            i = j - 1;
            continue;
        }
        if (c >= 0xFF01 && c <= 0xFF5E)
            c = char16_t(c - 0xFEE0); // full-width ASCII
        switch (c) {
        case u' ':
        case u'\t':
        case 0x3000:
            continue;
        case u'ヶ':
        case u'ヵ':
        case u'が':
        case u'ガ':
            c = u'ケ';
            break;
        case u'ノ':
        case u'之':
            c = u'の';
            break;
        case 0x2010:
        case 0x2011:
        case 0x2012:
        case 0x2013:
        case 0x2014:
        case 0x2015:
        case 0x2212:
        case 0xFF70:
            c = u'-';
            break;
        case u'ー':
            if (!out.isEmpty() && out.back().isDigit())
                c = u'-';
            break;
        default:
            c = newForm(c);
        }
        out += QChar(c);
    }
    return out;
}

QString postalCodeDigits(QStringView text)
{
    QString digits;
    int dashes = 0;
    qsizetype dashAt = -1;
    for (const QChar ch : text) {
        char16_t c = ch.unicode();
        if (c >= 0xFF10 && c <= 0xFF19)
            c = char16_t(c - 0xFEE0);
        if (c >= u'0' && c <= u'9') {
            digits += QChar(c);
        } else if (c == u'-' || c == u'－' || c == u'ー' || c == u'‐' || c == u'−' || c == u'ｰ') {
            ++dashes;
            dashAt = digits.size();
        } else if (c != u'〒' && c != u' ' && c != 0x3000) {
            return QString();
        }
    }
    if (digits.size() != 7 || dashes > 1 || (dashes == 1 && dashAt != 3))
        return QString();
    return digits;
}

std::shared_ptr<const PostalDictionary> PostalDictionary::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return nullptr;
    }
    return fromData(file.readAll(), error);
}

namespace {
// The decimal number a field holds (digits only, at most nine), or -1.
qint64 decimal(QStringView field)
{
    if (field.isEmpty() || field.size() > 9)
        return -1;
    qint64 n = 0;
    for (const QChar c : field) {
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}
} // namespace

std::shared_ptr<const PostalDictionary> PostalDictionary::fromData(const QByteArray &compressed,
                                                                   QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return nullptr;
    };
    auto dict = std::make_shared<PostalDictionary>();
    {
        // Decoded once, as a whole: the entries' fields are read where they
        // stand in this text, nothing is copied line by line.
        const QByteArray raw = qUncompress(compressed);
        if (raw.isEmpty())
            return fail(QStringLiteral("the postal dictionary is not compressed data"));
        dict->pool_ = QString::fromUtf8(raw);
        dict->entries_.reserve(std::size_t(std::count(raw.cbegin(), raw.cend(), '\n')));
    }
    const QStringView all(dict->pool_);
    if (all.size() > 0xFFFFFFFFLL)
        return fail(QStringLiteral("the postal dictionary is too large"));

    qsizetype lineNo = 0;
    for (qsizetype begin = 0; begin < all.size();) {
        qsizetype end = all.indexOf(u'\n', begin);
        if (end < 0)
            end = all.size();
        const QStringView line = all.sliced(begin, end - begin);
        const qsizetype lineAt = begin;
        begin = end + 1;
        ++lineNo;
        if (lineNo == 1) {
            if (line != QLatin1String(kMagic))
                return fail(QStringLiteral("the postal dictionary has an unknown format"));
            continue;
        }
        if (line.isEmpty())
            continue;
        const auto bad = [&] {
            return fail(QStringLiteral("the postal dictionary is damaged at line %1").arg(lineNo));
        };
        if (line.startsWith(u"P ")) {
            if (dict->prefectures_.size() >= 255)
                return bad();
            dict->prefectures_.append(line.mid(2).toString());
        } else if (line.startsWith(u"C ")) {
            const qsizetype blank = line.indexOf(u' ', 2);
            const qint64 pref = blank < 0 ? -1 : decimal(line.mid(2, blank - 2));
            if (pref < 0 || pref >= dict->prefectures_.size() || dict->cities_.size() >= 0xFFFF)
                return bad();
            dict->cities_.push_back({std::uint8_t(pref), line.mid(blank + 1).toString()});
        } else {
            // code \t city \t town [\t street \t office]
            qsizetype tabs[4];
            int n = 0;
            for (qsizetype i = line.indexOf(u'\t'); i >= 0; i = line.indexOf(u'\t', i + 1)) {
                if (n == 4)
                    return bad();
                tabs[n++] = i;
            }
            if (n != 2 && n != 4)
                return bad();
            const qint64 code = tabs[0] == 7 ? decimal(line.first(7)) : -1;
            const qint64 city = decimal(line.sliced(tabs[0] + 1, tabs[1] - tabs[0] - 1));
            if (code < 0 || city < 0 || city >= qint64(dict->cities_.size()))
                return bad();
            const qsizetype townEnd = n == 4 ? tabs[2] : line.size();
            const qsizetype streetLength = n == 4 ? tabs[3] - tabs[2] - 1 : 0;
            const qsizetype officeLength = n == 4 ? line.size() - tabs[3] - 1 : 0;
            const qsizetype townLength = townEnd - tabs[1] - 1;
            if (townLength > 0xFFFF || streetLength > 0xFFFF || officeLength > 0xFFFF)
                return bad();
            const Entry e{std::uint32_t(code),         std::uint32_t(lineAt + tabs[1] + 1),
                          std::uint16_t(city),         std::uint16_t(townLength),
                          std::uint16_t(streetLength), std::uint16_t(officeLength)};
            if (!dict->entries_.empty() && dict->entries_.back().code > e.code)
                return bad();
            dict->entries_.push_back(e);
        }
    }
    if (dict->entries_.empty())
        return fail(QStringLiteral("the postal dictionary is empty"));
    dict->entries_.shrink_to_fit();

    dict->townIndex_.reserve(dict->entries_.size());
    for (std::uint32_t i = 0; i < dict->entries_.size(); ++i) {
        const Entry &e = dict->entries_[i];
        if (e.officeLength == 0)
            dict->townIndex_.push_back({nameHash(foldPlaceName(dict->town(e)), e.city), i});
    }
    std::sort(dict->townIndex_.begin(), dict->townIndex_.end());
    dict->townIndex_.shrink_to_fit();
    for (std::uint16_t c = 0; c < dict->cities_.size(); ++c) {
        const QString &name = dict->cities_[c].name;
        dict->cityIndex_.push_back({nameHash(foldPlaceName(name), 0), c});
        // A town or village is often written without its 郡 ("軽井沢町" for
        // 北佐久郡軽井沢町); several of the same name are told apart by the code.
        const qsizetype gun = name.indexOf(u'郡');
        if (gun > 0 && gun + 2 < name.size())
            dict->cityIndex_.push_back({nameHash(foldPlaceName(name.mid(gun + 1)), 0), c});
    }
    std::sort(dict->cityIndex_.begin(), dict->cityIndex_.end());
    return dict;
}

PostalPlace PostalDictionary::placeOf(const Entry &e) const
{
    const City &c = cities_[e.city];
    return {QStringLiteral("%1").arg(e.code, 7, 10, QLatin1Char('0')),
            prefectures_.at(c.prefecture),
            c.name,
            town(e).toString(),
            street(e).toString(),
            office(e).toString()};
}

std::vector<PostalPlace> PostalDictionary::lookupCode(QStringView code) const
{
    std::vector<PostalPlace> places;
    const QString digits = postalCodeDigits(code);
    if (digits.isEmpty())
        return places;
    const std::uint32_t key = digits.toUInt();
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const Entry &e, std::uint32_t k) { return e.code < k; });
    for (; it != entries_.end() && it->code == key; ++it)
        places.push_back(placeOf(*it));
    return places;
}

QStringList PostalDictionary::codesFor(QStringView prefecture, QStringView city,
                                       QStringView town) const
{
    QStringList codes;
    const QString foldedCity = foldPlaceName(city);
    const QString foldedTown = foldPlaceName(town);
    for (std::uint16_t c = 0; c < cities_.size(); ++c) {
        if (foldPlaceName(cities_[c].name) != foldedCity ||
            (!prefecture.isEmpty() && prefectures_.at(cities_[c].prefecture) != prefecture))
            continue;
        const std::uint64_t h = nameHash(foldedTown, c);
        auto it = std::lower_bound(townIndex_.begin(), townIndex_.end(),
                                   std::pair<std::uint64_t, std::uint32_t>{h, 0});
        for (; it != townIndex_.end() && it->first == h; ++it) {
            const Entry &e = entries_[it->second];
            const QString code = placeOf(e).code;
            if (e.city == c && foldPlaceName(this->town(e)) == foldedTown && !codes.contains(code))
                codes.append(code);
        }
    }
    return codes;
}

std::vector<int> PostalDictionary::citiesStartingAt(QStringView rest, int prefecture,
                                                    qsizetype *length) const
{
    // Longest first: "札幌市北区" before "札幌市".
    for (qsizetype len = std::min<qsizetype>(rest.size(), 14); len >= 2; --len) {
        const std::uint64_t h = nameHash(foldPlaceName(rest.left(len)), 0);
        std::vector<int> found;
        auto it = std::lower_bound(cityIndex_.begin(), cityIndex_.end(),
                                   std::pair<std::uint64_t, std::uint16_t>{h, 0});
        for (; it != cityIndex_.end() && it->first == h; ++it) {
            if (prefecture < 0 || cities_[it->second].prefecture == prefecture)
                found.push_back(it->second);
        }
        if (!found.empty()) {
            *length = len;
            return found;
        }
    }
    return {};
}

AddressMatch PostalDictionary::matchAddress(QStringView address, QStringView zipHint) const
{
    AddressMatch m;
    qsizetype at = 0;
    while (at < address.size() && (address.at(at).isSpace()))
        ++at;
    int pref = -1;
    for (int p = 0; p < prefectures_.size(); ++p) {
        if (address.mid(at).startsWith(prefectures_.at(p))) {
            pref = p;
            at += prefectures_.at(p).size();
            break;
        }
    }
    while (at < address.size() && address.at(at).isSpace())
        ++at;
    qsizetype cityLength = 0;
    std::vector<int> cities = citiesStartingAt(address.mid(at), pref, &cityLength);
    if (cities.size() > 1) {
        // The same city name in several prefectures: the postal code decides.
        const std::vector<PostalPlace> hinted = lookupCode(zipHint);
        std::vector<int> chosen;
        for (int c : cities) {
            for (const PostalPlace &p : hinted) {
                if (p.city == cities_[c].name &&
                    p.prefecture == prefectures_.at(cities_[c].prefecture))
                    chosen.push_back(c);
            }
        }
        cities = chosen;
    }
    if (cities.size() != 1) {
        if (pref >= 0) {
            m.prefecture = prefectures_.at(pref);
            m.consumed = at;
        }
        return m;
    }
    const int city = cities.front();
    m.prefecture = prefectures_.at(cities_[city].prefecture);
    m.city = cities_[city].name;
    at += cityLength;
    m.consumed = at;

    // The longest town written; a shorter one when only that one has the
    // postal code written with the address ("士幌西2線" under the code of
    // 士幌 is 士幌, then 西2線).
    QString hint;
    for (const QChar c : zipHint)
        if (c.isDigit())
            hint += QChar(u'0' + c.digitValue());
    const QStringView rest = address.mid(at);
    std::optional<AddressMatch> longest;
    for (qsizetype len = std::min<qsizetype>(rest.size(), 30); len >= 0; --len) {
        const QString folded = foldPlaceName(rest.left(len));
        if (len > 0 && folded.isEmpty())
            continue;
        const std::uint64_t h = nameHash(folded, std::size_t(city));
        auto it = std::lower_bound(townIndex_.begin(), townIndex_.end(),
                                   std::pair<std::uint64_t, std::uint32_t>{h, 0});
        AddressMatch t = m;
        bool hinted = false;
        for (; it != townIndex_.end() && it->first == h; ++it) {
            const Entry &e = entries_[it->second];
            if (e.city != city || foldPlaceName(town(e)) != folded)
                continue;
            if (t.codes.isEmpty()) {
                t.town = town(e).toString();
                t.consumed = at + len;
            }
            const QString code = placeOf(e).code;
            if (!t.codes.contains(code))
                t.codes.append(code);
            hinted = hinted || QString(code).remove(u'-') == hint;
        }
        if (t.codes.isEmpty())
            continue;
        if (hint.size() != 7 || hinted)
            return t;
        if (!longest)
            longest = t;
    }
    return longest.value_or(m);
}

std::size_t PostalDictionary::memoryBytes() const
{
    std::size_t bytes = sizeof(*this) + std::size_t(pool_.capacity()) * 2 +
                        entries_.capacity() * sizeof(Entry) +
                        townIndex_.capacity() * sizeof(townIndex_[0]) +
                        cityIndex_.capacity() * sizeof(cityIndex_[0]);
    for (const City &c : cities_)
        bytes += sizeof(City) + std::size_t(c.name.capacity()) * 2;
    for (const QString &p : prefectures_)
        bytes += sizeof(QString) + std::size_t(p.capacity()) * 2;
    return bytes;
}

QString postalDictionaryPath()
{
    const QString fromEnv = qEnvironmentVariable("KANRO_POSTAL_DICT");
    if (!fromEnv.isEmpty())
        return fromEnv;
    if (QCoreApplication::instance()) {
        const QString installed = QDir(QCoreApplication::applicationDirPath())
                                      .filePath(QStringLiteral("../share/kanro-vey-1/jpostal.dat"));
        if (QFile::exists(installed))
            return QDir::cleanPath(installed);
    }
    return QStringLiteral(KANRO_POSTAL_DICT_SOURCE);
}

namespace PostalDictionaryLoader {
namespace {
// In this order: at the program's end the load still running is waited for
// (pending goes first) before what it writes goes.
std::mutex mutex;
QString error;
std::shared_future<std::shared_ptr<const PostalDictionary>> pending;
} // namespace

void startLoading(const QString &path)
{
    std::lock_guard lock(mutex);
    if (pending.valid())
        return;
    pending = std::async(std::launch::async, [path] {
                  QString why;
                  auto dict = PostalDictionary::load(path, &why);
                  std::lock_guard inner(mutex);
                  error = why;
                  return dict;
              }).share();
}

std::shared_ptr<const PostalDictionary> loaded()
{
    std::shared_future<std::shared_ptr<const PostalDictionary>> f;
    {
        std::lock_guard lock(mutex);
        f = pending;
    }
    if (!f.valid() || f.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return nullptr;
    return f.get();
}

std::shared_ptr<const PostalDictionary> get()
{
    startLoading();
    std::shared_future<std::shared_ptr<const PostalDictionary>> f;
    {
        std::lock_guard lock(mutex);
        f = pending;
    }
    return f.get();
}

QString loadError()
{
    std::lock_guard lock(mutex);
    return error;
}
} // namespace PostalDictionaryLoader
