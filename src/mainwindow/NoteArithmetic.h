#pragma once

// The note's arithmetic: row amounts, totals, consumption tax and the choice
// of the tax rate. It works on the texts of the cells, exactly as the window
// holds them, and needs no widgets; the window copies its cells in and out.

#include "platform/FixedDecimal.h"

#include <QDate>
#include <QString>
#include <array>
#include <functional>

// The three numeric cells of one detail row (quantity, unit price, amount),
// as the plain numbers the numeric fields hold.
struct RowCells
{
    QString qty;
    QString price;
    QString sales;

    friend bool operator==(const RowCells &, const RowCells &) = default;
};

constexpr int kDetailRowCount = 10;
// Index 0 is row 1.
using DetailRows = std::array<RowCells, kDetailRowCount>;

// Live row pass, run on every edit of a quantity or unit price. For each row
// (enabled or not), with q and p the quantity and price read by the amount
// parser:
//   q != 0, p != 0: amount := q x p (rounded to the ten-thousandth, ties to
//                   even), e.g. 3 x 1200 -> "3600"; a product beyond the
//                   fixed-point range leaves the amount empty
//   q != 0, p == 0: amount := empty
//   q == 0, p != 0: price := empty, amount := empty (a price typed into a
//                   row without a quantity is wiped at once); but in the row
//                   quantityEditedRow (1..10), whose quantity the operator
//                   has just changed to 0 (backspaced to empty, or a first
//                   "-"), only the amount is emptied, so that the price
//                   typed before stays
//   both 0:         the row is left as it stands
void DEN_SALS(DetailRows &rows, int quantityEditedRow = 0);

// The notice shown at print time for a row with a price but no quantity,
// e.g. row 3: "3行目　数量の入力がないので、単価を０にします".
QString missingQuantityMessage(int row);

// Print-time row pass: as DEN_SALS, except that
//   q == 0, p != 0: beforeWipe(row number 1..10) is called first (the caller
//                   shows missingQuantityMessage(row) and returns when it is
//                   dismissed); then price and amount are emptied; one call
//                   per such row, in row order
//   both 0:         amount := empty
void DEN_SALS_2(DetailRows &rows, const std::function<void(int row)> &beforeWipe);

// Texts of the four totals.
struct NoteTotals
{
    QString sqty; // total quantity
    QString ssal; // subtotal
    QString stax; // consumption tax
    QString sttl; // tax-inclusive total

    friend bool operator==(const NoteTotals &, const NoteTotals &) = default;
};

// The consumption tax for subtotal S and tax factor R (the fraction, 0.05
// for 5 %) in the rounding mode txDisp. x is computed in 80-bit extended
// precision as (count of S x count of R) / 100,000,000, then:
//   "0"  truncation toward zero             1010 at 5 %: x = 50.5  -> 50
//   "1"  halves away from zero              1010 at 5 %: x = 50.5  -> 51
//   "2"  trunc(x + 0.9) away from zero      1002 at 5 %: x = 50.1  -> 51
//        (not a ceiling: a fraction below   1001 at 5 %: x = 50.05 -> 50
//         0.1 is dropped)
//   any other text, the empty one included: 0.
// nullopt when the tax lies outside the fixed-point range.
std::optional<FixedDecimal> consumptionTax(FixedDecimal subtotal, FixedDecimal factor,
                                           const QString &txDisp);

// Totals and tax. Q is the sum of the ten quantity texts, S the sum of the
// ten amount texts as they stand (not recomputed), R is xTaxText, all read
// by the amount parser; T = consumptionTax(S, R, txDispText); the total is
// S + T. Sums are exact; a value beyond the fixed-point range is never cut
// or wrapped but leaves its field empty, together with the fields that
// depend on it:
//   Q out of range      -> sqty empty
//   S out of range      -> ssal, stax and sttl empty
//   T out of range      -> stax and sttl empty
//   S + T out of range  -> sttl empty
NoteTotals DEN_SUM(const DetailRows &rows, const QString &xTaxText, const QString &txDispText);

// The applicable rate: its fraction as text for the hidden tax factor, and
// the caption of the tax label.
struct TaxRateChoice
{
    QString xTax;        // "0.05" for the rate 5
    QString staxCaption; // "消費税 5%"

    friend bool operator==(const TaxRateChoice &, const TaxRateChoice &) = default;
};

// Chooses the old rate when the enforcement date is later than the note
// date, otherwise the new one (a note dated on the enforcement date takes
// the new rate). Each rate text (percent, read by the amount parser) is
// divided by 100 and rounded to the ten-thousandth; the caption shows that
// fraction x 100: rate "2.5" gives "0.025" and "消費税 2.5%". An invalid
// date compares as earlier than every valid date.
TaxRateChoice TAX_RATE_CHK(const QString &oldRateText, const QString &newRateText, QDate enforDate,
                           QDate noteDate);
