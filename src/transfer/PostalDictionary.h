#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <vector>

// Japan Post's postal codes (address and business-office codes) as converted
// by tools/postal-dict.py into data/postal/jpostal.dat. Immutable once
// loaded, so any thread may read it.
//
// Names are compared in a folded form (foldPlaceName) so that the spellings
// people write find the dictionary's: "ひばりケ丘" and "ひばりヶ丘", "霞ノ浦" and
// "霞の浦", "北29条西" and "北二十九条西", "大澤" and "大沢" are each the same.

struct PostalPlace
{
    QString code; // seven digits
    QString prefecture, city, town;
    QString street, office; // business-office codes only
};

// An address read against the dictionary by longest match of prefecture,
// city and town, as written from its start.
struct AddressMatch
{
    QString prefecture, city, town; // the dictionary's spelling; empty where not found
    qsizetype consumed = 0;         // characters of the address they cover
    QStringList codes;              // address codes of the town (city-wide code when no town)
    bool cityFound() const { return !city.isEmpty(); }
};

class PostalDictionary
{
public:
    // Reads the converted file; nullptr with *error set when it is missing or
    // damaged (the data is outside text: every field is checked).
    static std::shared_ptr<const PostalDictionary> load(const QString &path, QString *error);
    static std::shared_ptr<const PostalDictionary> fromData(const QByteArray &compressed,
                                                            QString *error);

    qsizetype size() const { return qsizetype(entries_.size()); }

    // The places of a code ("1500001", "150-0001" or full width); several
    // towns for one code happen. Empty for an unknown code.
    std::vector<PostalPlace> lookupCode(QStringView code) const;

    // Address codes of a town, in every spelling foldPlaceName equates.
    QStringList codesFor(QStringView prefecture, QStringView city, QStringView town) const;

    // Longest match of the address's start; a prefecture may be missing. When
    // the city is ambiguous without it, zipHint (a code) chooses.
    AddressMatch matchAddress(QStringView address, QStringView zipHint = {}) const;

    // Bytes held, for the memory budget.
    std::size_t memoryBytes() const;

private:
    // One line of the file: its fields stand in pool_ as the file has them,
    // "town", then "street" and "office" each after a tab.
    struct Entry
    {
        std::uint32_t code;
        std::uint32_t townAt; // in pool_
        std::uint16_t city;
        std::uint16_t townLength, streetLength, officeLength;
    };
    struct City
    {
        std::uint8_t prefecture;
        QString name;
    };

    QStringView town(const Entry &e) const
    {
        return QStringView(pool_).mid(e.townAt, e.townLength);
    }
    QStringView street(const Entry &e) const
    {
        return QStringView(pool_).mid(e.townAt + e.townLength + 1, e.streetLength);
    }
    QStringView office(const Entry &e) const
    {
        return QStringView(pool_).mid(e.townAt + e.townLength + e.streetLength + 2, e.officeLength);
    }
    PostalPlace placeOf(const Entry &e) const;
    std::vector<int> citiesStartingAt(QStringView rest, int prefecture, qsizetype *length) const;

    QStringList prefectures_;
    std::vector<City> cities_;
    std::vector<Entry> entries_; // sorted by code
    QString pool_;               // the file's text, decoded once
    // (hash of city and folded town, entry) for address codes, sorted.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> townIndex_;
    // (hash of folded city name, city), sorted.
    std::vector<std::pair<std::uint64_t, std::uint16_t>> cityIndex_;
};

// The folded form of a place name or address: full-width digits and Latin
// letters made half width, kanji numerals before or inside 丁目/条/番/号 and
// elsewhere made Arabic (二十九 -> 29), ヶ/ヵ/ケ/が/ガ -> ケ, ノ/之 -> の, old kanji forms
// made new (澤 -> 沢), blanks dropped, dashes unified.
QString foldPlaceName(QStringView name);

// Seven digits from a written postal code ("150-0001", "〒１５００００１"), or an
// empty text when it is none.
QString postalCodeDigits(QStringView text);

// Where the program finds the dictionary: $KANRO_POSTAL_DICT, the installed
// copy beside the program (../share/kanro-vey-1/jpostal.dat), the checkout's
// data/postal/jpostal.dat.
QString postalDictionaryPath();

// The program's dictionary, loaded once on a worker thread. startLoading()
// begins the load (called on first use, never before the first paint);
// loaded() answers without waiting (nullptr until ready); get() waits for it
// (nullptr when it could not be read; loadError() says why).
namespace PostalDictionaryLoader {
void startLoading(const QString &path = postalDictionaryPath());
std::shared_ptr<const PostalDictionary> loaded();
std::shared_ptr<const PostalDictionary> get();
QString loadError();
} // namespace PostalDictionaryLoader
