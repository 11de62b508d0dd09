#pragma once

#include "note/NoteArithmetic.h"

#include <QDate>
#include <QString>
#include <array>
#include <variant>
#include <vector>

// The settings file "Kanro_Vey_1.ini" of the main window, section
// "Kn_Vey_1prn": which keys exist, their types and defaults, and the order in
// which each operation reads or writes them. The keys are data (the tables
// below); readers and writers walk the same tables. Each operation opens the
// file, does its reads or writes and commits once, so a failed write leaves
// the whole operation unapplied and throws ProfileWriteError.

// Everything the start-up reader restores and the shutdown writer stores.
// A default-constructed value holds the defaults of a first start: Addr_Font
// 1, G13_FontSize 10, TaxOld "8", TaxEnforDate 2019/10/01, TaxNew "10"
// (today's rates: 8 % before the 2019 rise, 10 % since), E_021[0]
// "納品書　兼　請求書", KOSUU "1", TaxReduced "8", TxDisp "0"; every other text
// empty, every other integer 0, NewPage unchecked.
// The invoice keys "TaxRegNo", "TaxReduced" and "TxDisp" come after every
// older key, in the start-up reader and in the shutdown writer alike; an
// older file without them reads their defaults.
// Integer selections are kept as read: a value outside its list (Comb_Paper
// 5) or -1 for "nothing selected" is the window's concern.
struct NoteSettings
{
    NoteSettings(); // the defaults of the key table

    qint64 Addr_Font;     // hidden size selector: items "12", "11", "10", "9"
    qint64 G13_FontSize;  // point size of the print-font holder
    QString G16_FontName; // empty keeps "ＭＳ Ｐゴシック"
    QString TaxOld;       // numeric text, old tax rate in percent
    QDate TaxEnforDate;   // enforcement date of the new rate
    QString TaxNew;       // numeric text, new tax rate in percent
    QString E_ZIP, E_AD1, E_AD2, E_AD3, E_CUS, E_TEL; // destination
    std::array<QString, 6> E_G;                       // hidden fields Edit_G1 to Edit_G6
    std::array<QString, 9> E_Rm;                      // remark lines 1 to 9
    std::array<QString, 6> E_021; // note title (0) and the shop's own lines 1 to 5
    QString KOSUU;                // numeric text of the hidden count field
    qint64 ComboBox_SEL;          // paper feed: 0 "手差し", 1 "連続(４．５インチ)"
    qint64 ime_Itemno, ime_Item, ime_Unit; // input-mode selectors
    qint64 Comb_Paper;                     // layout 0, 1 or 2
    bool NewPage;                          // page-feed check box; stored as "1"/"0"
    QString TaxRegNo;   // registration number "T" + 13 digits; empty: not registered
    QString TaxReduced; // numeric text, reduced tax rate in percent
    QString TxDisp;     // rounding mode of the tax: "0", "1" or "2"
    // Beyond the key table, stored only when used (an older file is written
    // back as it was): the rate table's further rows, keys "TaxRate3" ..
    // "TaxRate12" ("2027/04/01,10,0"; a row that does not read is skipped),
    // and the tax-inclusive choice, key "TaxIncl" ("1" tax-inclusive,
    // anything else tax-exclusive).
    std::vector<TaxRateRow> TaxRates;
    bool TaxIncl = false;

    bool operator==(const NoteSettings &) const = default;
};

// The ten detail rows as their cells' texts (numeric cells hold their plain
// number text), row 1 at index 0. Amounts are restored as stored. `reduced`
// holds each row's reduced-rate mark as stored ("1" marked, anything else
// not), keys "Reduced1".."Reduced10" after the amounts.
struct DetailLines
{
    std::array<QString, 10> itemNo, item, qty, unit, price, sales, reduced;

    bool operator==(const DetailLines &) const = default;
};

enum class SettingType {
    Integer,     // decimal; read also in "0x"/"$" hexadecimal
    Text,        // any text, trimmed and unquoted on read
    NumericText, // the plain number text of a numeric field
    Date,        // "1997/04/01"
    Flag,        // "1" checked; anything else read as unchecked; written "1"/"0"
};

using SettingValue = std::variant<qint64, QString, QDate, bool>;
using SettingSlot = std::variant<qint64 *, QString *, QDate *, bool *>;

// One key: its name in the file, its type and default, and the field of the
// record it maps to (field(record, index) with index into arrays of fields).
template <class Record> struct SettingKey
{
    QString key;
    SettingType type;
    SettingValue def;
    SettingSlot (*field)(Record &, int);
    int index;
};

QString settingsSection();                       // "Kn_Vey_1prn"
QString settingsPath(const QString &workingDir); // <dir>/Kanro_Vey_1.ini

// The keys of NoteSettings in the start-up reader's order.
const std::vector<SettingKey<NoteSettings>> &startupSettingKeys();
// The same keys in the shutdown writer's order.
const std::vector<const SettingKey<NoteSettings> *> &shutdownSettingKeys();
// The 70 detail-line keys in the order of their reader and writer: item name
// line 1 of rows 1 to 10 ("Edit_ITEMNO1".."Edit_ITEMNO10"), then "Edit_ITEM",
// "Edit_QTY", "Edit_Unit", "Edit_Price", "Edit_Sales", "Reduced".
const std::vector<SettingKey<DetailLines>> &detailLineKeys();

// Start-up reader: every key of NoteSettings; missing or unreadable values
// give their defaults.
NoteSettings readStartupSettings(const QString &iniPath);
// Shutdown writer (after writeDetailLines).
void writeShutdownSettings(const QString &iniPath, const NoteSettings &settings);

// SpeedButton_ini_s2rClick: a missing key gives an empty cell.
DetailLines readDetailLines(const QString &iniPath);
// SpeedButton_ini_s2wClick.
void writeDetailLines(const QString &iniPath, const DetailLines &lines);

// ComboBox_ime_Change: "ime_Itemno", "ime_Item", "ime_Unit" in this order.
void writeImeModes(const QString &iniPath, qint64 ime_Itemno, qint64 ime_Item, qint64 ime_Unit);

// "Vey_12prnno": the printer chosen in the printer set-up dialog, -1 for the
// system's default printer (also when nothing is stored).
qint64 readPrinterChoice(const QString &iniPath);

// "TrMode": the transfer's rules. "1" (also when missing or unknown) the
// dictionary transfer, "0" the word-list transfer. Written only when the
// operator changes it, so an older file stays as it was.
bool readDictionaryTransfer(const QString &iniPath);
void writeDictionaryTransfer(const QString &iniPath, bool dictionary);
void writePrinterChoice(const QString &iniPath, qint64 printerIndex);

// SpeedButton_slipnoClick's issue, called when the slip-number field is
// entered empty: reads "iSLIPNO" (default 1), adds 1, stores and returns it.
// Without a stored counter the first number is therefore 2. Numbers stay
// within what the field shows (1 to 9999999999): after the largest, or from
// a negative counter, numbering starts again at 1.
qint64 issueNextSlipNumber(const QString &iniPath);

// "DbConnect": the shop's shared store, a libpq keyword connection string
// ("service=shop", "host=… dbname=… user=…"); empty, also when missing: this
// PC's own ledger file. Written only when the operator changes it, so that
// a file without it stays as it was. Passwords never go here: libpq reads
// ~/.pgpass and ~/.pg_service.conf itself.
// A shop text of "Kn_Vey_1prn" that only its own field writes (the bank
// account of the summary invoices, "BankAccount"), trimmed.
QString readShopText(const QString &iniPath, const QString &key);
void writeShopText(const QString &iniPath, const QString &key, const QString &value);
QString readDbConnect(const QString &iniPath);
void writeDbConnect(const QString &iniPath, const QString &connect);

// "iSLIPNO" as stored (default 1), and storing a number the shared store
// issued, so that the file holds the last number as with its own counter.
qint64 readSlipNumber(const QString &iniPath);
void writeSlipNumber(const QString &iniPath, qint64 number);
