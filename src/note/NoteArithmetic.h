#pragma once

// The note's arithmetic: row amounts, totals, consumption tax and the choice
// of the tax rate. It works on the texts of the cells, exactly as the window
// holds them, and needs no widgets; the window copies its cells in and out.

#include "note/FixedDecimal.h"

#include <QDate>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

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
//   "2"  ceiling away from zero             1001 at 5 %: x = 50.05 -> 51
//                                          -1001 at 5 %: x = -50.05 -> -51
//   any other text, the empty one included: 0.
// Mode "2" is decided on the exact product of the two counts (an integer),
// so no fraction, however small, is lost to the floating-point quotient.
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

// The reduced-rate marks of the ten rows (index 0 is row 1): a marked row is
// taxed at the reduced rate. The stored value "1" marks a row; anything else
// ("yes", "0", empty) leaves it unmarked.
using ReducedMarks = std::array<bool, kDetailRowCount>;
bool isReducedMarkText(const QString &storedValue);

// One rate's share of the note: the sum of its rows' amounts and the tax
// computed once from that sum. A rate is in use when one of its rows has a
// quantity other than 0 (a row that prints).
struct RateTotals
{
    bool inUse = false;
    QString subtotal;
    QString tax;

    friend bool operator==(const RateTotals &, const RateTotals &) = default;
};

struct InvoiceTotals
{
    NoteTotals totals;
    RateTotals standard; // unmarked rows, the rate chosen by date
    RateTotals reduced;  // marked rows

    friend bool operator==(const InvoiceTotals &, const InvoiceTotals &) = default;
};

// Totals and tax per rate: the amounts of unmarked rows are summed at the
// standard factor xTaxText, those of marked rows at reducedXTaxText; each
// tax is rounded once from its own sum (never per row) and the note's tax
// is their sum. Three rows of 105 at 10 % in mode "0": 31 (per-row rounding
// would give 30); 1000 at 10 % plus 1080 at 8 %: 100 + 86 = 186. Without a
// marked row every figure equals DEN_SUM's above. Out-of-range values empty
// their fields as there; a rate's sum or tax out of range also empties the
// note's tax and total.
//
// A rate is a group: when the two factors are equal every row belongs to
// one group, summed and rounded once, whatever its mark. It is reported as
// the reduced rate when a printed row is marked (so the one "8%対象" line and
// the legend print), otherwise as the standard rate; the other group is then
// not in use and reads 0. 13,940 unmarked and -5,728 marked at 8 % and 8 %,
// mode "0": one group of 8,212, tax 656 (apart: 1,115 - 458 = 657).
//
// Tax-inclusive (taxIncluded): the amounts include tax. Each group's sum is
// its tax-inclusive figure and the tax in it is sum x f / (1 + f), computed
// exactly and rounded once by the mode; the subtotal and the total are both
// the sum of the amounts (nothing is added) and the tax is the sum of the
// groups' taxes. 980 at 10 % plus 1,080 at 8 %, mode "0": 89 + 80.
InvoiceTotals DEN_SUM(const DetailRows &rows, const ReducedMarks &marks, const QString &xTaxText,
                      const QString &reducedXTaxText, const QString &txDispText,
                      bool taxIncluded = false);

// What a recorded note's figures were made with: its rates as fractions and
// a rounding mode. figuresOfRecord tries the note's own rates (the percent
// texts it recorded) with the preferred mode first, then "0", "1", "2", and
// answers the first whose totals of the rows equal the recorded subtotal,
// tax and total; nullopt when none does (the record came from other
// arithmetic, and its figures cannot be given again).
struct RecordFigures
{
    QString standardFraction;
    QString reducedFraction;
    QString rounding;

    friend bool operator==(const RecordFigures &, const RecordFigures &) = default;
};
std::optional<RecordFigures> figuresOfRecord(const DetailRows &rows, const ReducedMarks &marks,
                                             const QString &standardPercent,
                                             const QString &reducedPercent, bool taxIncluded,
                                             const NoteTotals &recorded,
                                             const QString &preferredRounding);

// The tax contained in a tax-inclusive total at factor f (0.1 for 10 %):
// total x f / (1 + f), decided exactly and rounded as consumptionTax rounds
// ("0" toward zero, "1" halves away from zero, "2" away from zero; any other
// mode 0): 5,500 at 10 % -> 500, 980 at 10 % -> 89.09 -> 89 in mode "0".
// nullopt when the tax lies outside the fixed-point range.
std::optional<FixedDecimal> includedTax(FixedDecimal total, FixedDecimal factor,
                                        const QString &txDisp);

// A rate in percent as the fraction the tax uses: "8" -> "0.08", "2.125"
// -> "0.0212" (rounded to the ten-thousandth); not a number counts as 0.
QString rateFractionText(const QString &percentText);
// A fraction shown as percent: "0.08" -> "8", "0.025" -> "2.5".
QString ratePercentText(const QString &fractionText);

// The tax label: with rows at the reduced rate in use it names the rates in
// use ("消費税 10%・8%", or "消費税 8%" when every printed row is reduced);
// otherwise it is the caption the rate choice made ("消費税 10%").
QString taxLabelCaption(const QString &standardCaption, const QString &xTaxText,
                        const QString &reducedXTaxText, bool standardInUse, bool reducedInUse);

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

// One row of the tax-rate table: the date it applies from and the standard
// and reduced rates in percent (numeric texts, "10", "8", "0"). An invalid
// date means "since always" (the oldest row).
struct TaxRateRow
{
    QDate validFrom;
    QString standard;
    QString reduced;

    friend bool operator==(const TaxRateRow &, const TaxRateRow &) = default;
};

// The table by date. Its two oldest rows are the old rate (since always) and
// the new rate from its enforcement date, both with the reduced rate
// reducedRate; further rows follow in any order.
std::vector<TaxRateRow> taxRateTable(const QString &oldRate, QDate enforDate,
                                     const QString &newRate, const QString &reducedRate,
                                     const std::vector<TaxRateRow> &furtherRows);

// The row in force on noteDate: of the rows not dated after the note, the
// newest (a note dated on a row's date takes that row); of rows with the same
// date the later one in the table. An invalid date compares as earlier than
// every valid date, as TAX_RATE_CHK compares. With rows since always, 2019/10/01
// (10 %, 8 %) and 2027/04/01 (10 %, 0 %): 2027/03/31 -> 8 %, 2027/04/01 -> 0 %.
// An empty table gives an empty row (rates of 0).
TaxRateRow taxRateRowInForce(const std::vector<TaxRateRow> &table, QDate noteDate);

// A further row as stored: "2027/04/01,10,0" (date, standard %, reduced %).
// nullopt unless the date is valid and both rates are numbers from 0 to 100.
std::optional<TaxRateRow> parseTaxRateRow(const QString &stored);
QString taxRateRowText(const TaxRateRow &row);
