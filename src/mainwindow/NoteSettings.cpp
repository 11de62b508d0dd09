#include "mainwindow/NoteSettings.h"

#include "platform/ProfileFile.h"

#include <QDir>
#include <stdexcept>

namespace {

using Key = SettingKey<NoteSettings>;
using DetailKey = SettingKey<DetailLines>;

const QString kPrinterChoiceKey = QStringLiteral("Vey_12prnno");
const QString kTransferModeKey = QStringLiteral("TrMode");
constexpr qint64 kPrinterChoiceDefault = -1;
// The rate table's further rows: the table's rows 3 to 12, oldest first as
// the first two are "TaxOld" and "TaxEnforDate"/"TaxNew".
constexpr int kFirstFurtherRate = 3;
constexpr int kLastFurtherRate = 12;
QString furtherRateKey(int n)
{
    return QStringLiteral("TaxRate%1").arg(n);
}
const QString kTaxInclKey = QStringLiteral("TaxIncl");

const QString kSlipNumberKey = QStringLiteral("iSLIPNO");
constexpr qint64 kSlipNumberDefault = 1;
// The slip-number field shows whole numbers of at most 10 digits without a
// minus; an issued number must fit it, or the note would print a cut number
// while the counter holds another.
constexpr qint64 kSlipNumberMax = 9'999'999'999;

// Field accessors: one per member, indexed ones for the arrays of fields.
#define KANRO_FIELD(member) [](NoteSettings &s, int) -> SettingSlot { return &s.member; }
#define KANRO_ELEMENT(member)                                                                      \
    [](NoteSettings &s, int i) -> SettingSlot { return &s.member.at(static_cast<size_t>(i)); }

std::vector<Key> makeStartupKeys()
{
    const SettingType I = SettingType::Integer;
    const SettingType T = SettingType::Text;
    const SettingType N = SettingType::NumericText;
    const QString none;
    std::vector<Key> keys = {
        {QStringLiteral("Addr_Font"), I, qint64(1), KANRO_FIELD(Addr_Font), 0},
        {QStringLiteral("G13_FontSize"), I, qint64(10), KANRO_FIELD(G13_FontSize), 0},
        {QStringLiteral("G16_FontName"), T, none, KANRO_FIELD(G16_FontName), 0},
        {QStringLiteral("TaxOld"), N, QStringLiteral("8"), KANRO_FIELD(TaxOld), 0},
        {QStringLiteral("TaxEnforDate"), SettingType::Date, QDate(2019, 10, 1),
         KANRO_FIELD(TaxEnforDate), 0},
        {QStringLiteral("TaxNew"), N, QStringLiteral("10"), KANRO_FIELD(TaxNew), 0},
        {QStringLiteral("E_ZIP"), T, none, KANRO_FIELD(E_ZIP), 0},
        {QStringLiteral("E_AD1"), T, none, KANRO_FIELD(E_AD1), 0},
        {QStringLiteral("E_AD2"), T, none, KANRO_FIELD(E_AD2), 0},
        {QStringLiteral("E_AD3"), T, none, KANRO_FIELD(E_AD3), 0},
        {QStringLiteral("E_CUS"), T, none, KANRO_FIELD(E_CUS), 0},
        {QStringLiteral("E_TEL"), T, none, KANRO_FIELD(E_TEL), 0},
    };
    for (int i = 0; i < 6; ++i)
        keys.push_back({QStringLiteral("E_G%1").arg(i + 1), T, none, KANRO_ELEMENT(E_G), i});
    for (int i = 0; i < 9; ++i)
        keys.push_back({QStringLiteral("E_Rm%1").arg(i + 1), T, none, KANRO_ELEMENT(E_Rm), i});
    keys.push_back({QStringLiteral("E_021_0"), T, QStringLiteral("納品書　兼　請求書"),
                    KANRO_ELEMENT(E_021), 0});
    for (int i = 1; i < 6; ++i)
        keys.push_back({QStringLiteral("E_021_%1").arg(i), T, none, KANRO_ELEMENT(E_021), i});
    const std::vector<Key> tail = {
        {QStringLiteral("KOSUU"), N, QStringLiteral("1"), KANRO_FIELD(KOSUU), 0},
        {QStringLiteral("ComboBox_SEL"), I, qint64(0), KANRO_FIELD(ComboBox_SEL), 0},
        {QStringLiteral("ime_Itemno"), I, qint64(0), KANRO_FIELD(ime_Itemno), 0},
        {QStringLiteral("ime_Item"), I, qint64(0), KANRO_FIELD(ime_Item), 0},
        {QStringLiteral("ime_Unit"), I, qint64(0), KANRO_FIELD(ime_Unit), 0},
        {QStringLiteral("Comb_Paper"), I, qint64(0), KANRO_FIELD(Comb_Paper), 0},
        {QStringLiteral("NewPage"), SettingType::Flag, false, KANRO_FIELD(NewPage), 0},
        // The qualified invoice's keys, after every older one.
        {QStringLiteral("TaxRegNo"), T, none, KANRO_FIELD(TaxRegNo), 0},
        {QStringLiteral("TaxReduced"), N, QStringLiteral("8"), KANRO_FIELD(TaxReduced), 0},
        {QStringLiteral("TxDisp"), T, QStringLiteral("0"), KANRO_FIELD(TxDisp), 0},
    };
    keys.insert(keys.end(), tail.begin(), tail.end());
    return keys;
}

#undef KANRO_FIELD
#undef KANRO_ELEMENT

const Key &startupKey(const QString &name)
{
    for (const Key &k : startupSettingKeys()) {
        if (k.key == name)
            return k;
    }
    throw std::logic_error("no settings key " + name.toStdString());
}

// The shutdown writer's order: the tax settings first, the font keys after
// them, then the start-up order, except that "NewPage" comes before
// "Comb_Paper"; the invoice keys last.
std::vector<const Key *> makeShutdownKeys()
{
    const QStringList head = {QStringLiteral("TaxOld"),       QStringLiteral("TaxEnforDate"),
                              QStringLiteral("TaxNew"),       QStringLiteral("Addr_Font"),
                              QStringLiteral("G13_FontSize"), QStringLiteral("G16_FontName")};
    const QStringList tail = {QStringLiteral("NewPage"), QStringLiteral("Comb_Paper"),
                              QStringLiteral("TaxRegNo"), QStringLiteral("TaxReduced"),
                              QStringLiteral("TxDisp")};
    QStringList order = head;
    for (const Key &k : startupSettingKeys()) {
        if (!head.contains(k.key) && !tail.contains(k.key))
            order.append(k.key);
    }
    order += tail;
    std::vector<const Key *> keys;
    for (const QString &name : order)
        keys.push_back(&startupKey(name));
    return keys;
}

// The detail columns in the order of their keys; a key's index runs over
// columns x rows, so its accessor needs to capture nothing.
const struct
{
    const char *prefix;
    std::array<QString, 10> DetailLines::*column;
} kDetailColumns[] = {
    {"Edit_ITEMNO", &DetailLines::itemNo}, {"Edit_ITEM", &DetailLines::item},
    {"Edit_QTY", &DetailLines::qty},       {"Edit_Unit", &DetailLines::unit},
    {"Edit_Price", &DetailLines::price},   {"Edit_Sales", &DetailLines::sales},
    {"Reduced", &DetailLines::reduced},
};

std::vector<DetailKey> makeDetailKeys()
{
    std::vector<DetailKey> keys;
    int index = 0;
    for (const auto &c : kDetailColumns) {
        for (int row = 1; row <= 10; ++row, ++index) {
            keys.push_back(
                {QString::fromLatin1(c.prefix) + QString::number(row), SettingType::Text, QString(),
                 [](DetailLines &d, int i) -> SettingSlot {
                     return &(d.*kDetailColumns[i / 10].column).at(static_cast<size_t>(i % 10));
                 },
                 index});
        }
    }
    return keys;
}

template <class Record>
void readKey(const ProfileFile &file, const SettingKey<Record> &k, Record &record)
{
    const QString section = settingsSection();
    const SettingSlot slot = k.field(record, k.index);
    switch (k.type) {
    case SettingType::Integer:
        *std::get<qint64 *>(slot) = file.readInteger(section, k.key, std::get<qint64>(k.def));
        return;
    case SettingType::Text:
    case SettingType::NumericText:
        *std::get<QString *>(slot) = file.readString(section, k.key, std::get<QString>(k.def));
        return;
    case SettingType::Date:
        *std::get<QDate *>(slot) = file.readDate(section, k.key, std::get<QDate>(k.def));
        return;
    case SettingType::Flag:
        if (file.hasKey(section, k.key))
            *std::get<bool *>(slot) = file.readString(section, k.key) == QLatin1String("1");
        else
            *std::get<bool *>(slot) = std::get<bool>(k.def);
        return;
    }
}

template <class Record>
void writeKey(ProfileFile &file, const SettingKey<Record> &k, Record &record)
{
    const QString section = settingsSection();
    const SettingSlot slot = k.field(record, k.index);
    switch (k.type) {
    case SettingType::Integer:
        file.writeInteger(section, k.key, *std::get<qint64 *>(slot));
        return;
    case SettingType::Text:
    case SettingType::NumericText:
        file.writeString(section, k.key, *std::get<QString *>(slot));
        return;
    case SettingType::Date:
        file.writeDate(section, k.key, *std::get<QDate *>(slot));
        return;
    case SettingType::Flag:
        file.writeString(section, k.key,
                         *std::get<bool *>(slot) ? QStringLiteral("1") : QStringLiteral("0"));
        return;
    }
}

void setDefault(const Key &k, NoteSettings &s)
{
    std::visit(
        [&](auto *field) { *field = std::get<std::remove_pointer_t<decltype(field)>>(k.def); },
        k.field(s, k.index));
}

} // namespace

NoteSettings::NoteSettings()
{
    for (const Key &k : startupSettingKeys())
        setDefault(k, *this);
}

QString settingsSection()
{
    return QStringLiteral("Kn_Vey_1prn");
}

QString settingsPath(const QString &workingDir)
{
    return QDir(workingDir).filePath(QStringLiteral("Kanro_Vey_1.ini"));
}

const std::vector<SettingKey<NoteSettings>> &startupSettingKeys()
{
    static const std::vector<Key> keys = makeStartupKeys();
    return keys;
}

const std::vector<const SettingKey<NoteSettings> *> &shutdownSettingKeys()
{
    static const std::vector<const Key *> keys = makeShutdownKeys();
    return keys;
}

const std::vector<SettingKey<DetailLines>> &detailLineKeys()
{
    static const std::vector<DetailKey> keys = makeDetailKeys();
    return keys;
}

NoteSettings readStartupSettings(const QString &iniPath)
{
    const ProfileFile file(iniPath);
    NoteSettings settings;
    for (const Key &k : startupSettingKeys())
        readKey(file, k, settings);
    const QString section = settingsSection();
    for (int n = kFirstFurtherRate; n <= kLastFurtherRate; ++n) {
        if (const auto row = parseTaxRateRow(file.readString(section, furtherRateKey(n))))
            settings.TaxRates.push_back(*row);
    }
    settings.TaxIncl = file.readString(section, kTaxInclKey) == QLatin1String("1");
    return settings;
}

void writeShutdownSettings(const QString &iniPath, const NoteSettings &settings)
{
    ProfileFile file(iniPath);
    NoteSettings values = settings; // the accessors hand out writable fields
    for (const Key *k : shutdownSettingKeys())
        writeKey(file, *k, values);
    // The keys beyond the table are written only where used or already
    // present, so a file that never used them keeps its bytes.
    const QString section = settingsSection();
    for (int n = kFirstFurtherRate; n <= kLastFurtherRate; ++n) {
        const std::size_t i = static_cast<std::size_t>(n - kFirstFurtherRate);
        if (i < settings.TaxRates.size())
            file.writeString(section, furtherRateKey(n), taxRateRowText(settings.TaxRates[i]));
        else if (file.hasKey(section, furtherRateKey(n)))
            file.writeString(section, furtherRateKey(n), QString());
    }
    if (settings.TaxIncl || file.hasKey(section, kTaxInclKey))
        file.writeString(section, kTaxInclKey,
                         settings.TaxIncl ? QStringLiteral("1") : QStringLiteral("0"));
    file.commit();
}

DetailLines readDetailLines(const QString &iniPath)
{
    const ProfileFile file(iniPath);
    DetailLines lines;
    for (const DetailKey &k : detailLineKeys())
        readKey(file, k, lines);
    return lines;
}

void writeDetailLines(const QString &iniPath, const DetailLines &lines)
{
    ProfileFile file(iniPath);
    DetailLines values = lines;
    for (const DetailKey &k : detailLineKeys())
        writeKey(file, k, values);
    file.commit();
}

void writeImeModes(const QString &iniPath, qint64 ime_Itemno, qint64 ime_Item, qint64 ime_Unit)
{
    NoteSettings values;
    values.ime_Itemno = ime_Itemno;
    values.ime_Item = ime_Item;
    values.ime_Unit = ime_Unit;
    ProfileFile file(iniPath);
    for (const char *name : {"ime_Itemno", "ime_Item", "ime_Unit"})
        writeKey(file, startupKey(QString::fromLatin1(name)), values);
    file.commit();
}

qint64 readPrinterChoice(const QString &iniPath)
{
    return ProfileFile(iniPath).readInteger(settingsSection(), kPrinterChoiceKey,
                                            kPrinterChoiceDefault);
}

void writePrinterChoice(const QString &iniPath, qint64 printerIndex)
{
    ProfileFile file(iniPath);
    file.writeInteger(settingsSection(), kPrinterChoiceKey, printerIndex);
    file.commit();
}

bool readDictionaryTransfer(const QString &iniPath)
{
    // KANRO_TRMODE_DEFAULT stands in for a missing key: the tests of the
    // word-list transfer run the window with "0".
    const QString missing = qEnvironmentVariable("KANRO_TRMODE_DEFAULT", QStringLiteral("1"));
    return ProfileFile(iniPath).readString(settingsSection(), kTransferModeKey, missing) !=
           QLatin1String("0");
}

void writeDictionaryTransfer(const QString &iniPath, bool dictionary)
{
    ProfileFile file(iniPath);
    file.writeString(settingsSection(), kTransferModeKey,
                     dictionary ? QStringLiteral("1") : QStringLiteral("0"));
    file.commit();
}

qint64 issueNextSlipNumber(const QString &iniPath)
{
    ProfileFile file(iniPath);
    const qint64 last = file.readInteger(settingsSection(), kSlipNumberKey, kSlipNumberDefault);
    const qint64 next = last < 0 || last >= kSlipNumberMax ? 1 : last + 1;
    file.writeInteger(settingsSection(), kSlipNumberKey, next);
    file.commit();
    return next;
}

namespace {
const QString kDbConnectKey = QStringLiteral("DbConnect");
} // namespace

QString readShopText(const QString &iniPath, const QString &key)
{
    return ProfileFile(iniPath).readString(settingsSection(), key).trimmed();
}

void writeShopText(const QString &iniPath, const QString &key, const QString &value)
{
    ProfileFile file(iniPath);
    file.writeString(settingsSection(), key, value.trimmed());
    file.commit();
}

QString readDbConnect(const QString &iniPath)
{
    return readShopText(iniPath, kDbConnectKey);
}

void writeDbConnect(const QString &iniPath, const QString &connect)
{
    writeShopText(iniPath, kDbConnectKey, connect);
}

qint64 readSlipNumber(const QString &iniPath)
{
    return ProfileFile(iniPath).readInteger(settingsSection(), kSlipNumberKey, kSlipNumberDefault);
}

void writeSlipNumber(const QString &iniPath, qint64 number)
{
    ProfileFile file(iniPath);
    file.writeInteger(settingsSection(), kSlipNumberKey, number);
    file.commit();
}
