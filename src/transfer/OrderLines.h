#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The order lines of a pasted order mail, read for the note's detail rows:
// each item with its name, options, quantity, unit and unit price; shipping,
// fees and wrapping as rows of their own; coupons and points as negative
// rows; whether the mail's prices include tax, and the order total it states.
// Nothing is guessed: a line that looks like an item but cannot be read is
// named in `unread`, and a mail that does not say how its prices stand leaves
// the tax mode Unknown.
//
//   [商品]
//   特上深蒸し煎茶 100g
//   価格  1,620(円) x 2(個) = 3,240(円)  (税込、送料別)
//   ※軽減税率対象
//   送料        600(円)
//   請求金額  3,840(円)
// gives 特上深蒸し煎茶 100g | | 2 | 個 | 1620 | reduced, then 送料 | | 1 | | 600,
// tax-inclusive, total 3840.

// Lengths of the note's text cells (characters, UTF-16 code units); names
// are cut with leftWhole (LineTests.h), never inside a surrogate pair.
inline constexpr qsizetype kItemNameLength = 50; // 品名 1 and 品名 2
inline constexpr qsizetype kUnitLength = 6;      // 単位
// Quantities and prices have nine integer digits.
inline constexpr qint64 kOrderNumberLimit = 999'999'999;

struct OrderRow
{
    QString name1;        // the item's name; a product code only when it is all there is
    QString name2;        // options: のし, size, colour …
    qint64 qty = 0;       // whole units
    QString unit;         // as stated (個, 袋, kg …), empty when not stated
    qint64 price = 0;     // yen, per unit; negative for coupons and points
    bool reduced = false; // at the reduced rate (food); fees never are
    bool fee = false;     // shipping, fee, wrapping, discount: not an item
    bool priced = true;   // false: the mail names the item and count but no price
    friend bool operator==(const OrderRow &, const OrderRow &) = default;
};

enum class OrderTaxMode { Unknown, Included, Excluded };

struct OrderLines
{
    QList<OrderRow> rows; // in the mail's order
    OrderTaxMode tax = OrderTaxMode::Unknown;
    std::optional<qint64> total; // the order total the mail states
    bool totalBeforeTax = false; // that total is labelled as before tax ("合計（税抜）")
    QStringList unread;          // item-like lines that could not be read
    // How many rows are items (not fees or discounts).
    qsizetype itemCount() const;
};

OrderLines readOrderLines(const QString &mailText);

// The status line after the rows were filled: the note's total against the
// mail's ("注文の合計 ¥8,240 と納品書の税込合計 ¥8,239 が ¥1 違います"), the
// item lines not read, and a tax mode the mail does not state. noteTotal is
// empty when the note's total is out of range. Empty when all is well.
QString orderLinesStatus(const OrderLines &order, std::optional<qint64> noteTotal);

// The notice when the mail lists more rows than the note holds.
QString rowsLeftOutNotice(qsizetype rows, qsizetype filled);

// The question before rows the operator has typed are replaced.
inline constexpr const char16_t *kReplaceRowsQuestion =
    u"明細に入力済みの行があります。注文の明細で置き換えますか?";
