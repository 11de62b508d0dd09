#include "note/NoteArithmetic.h"

#include <QStringList>
#include <cmath>

namespace {

enum class RowCase { Amount, NoPrice, NoQuantity, Empty };

RowCase classify(const RowCells &row)
{
    const bool hasQty = !FixedDecimal::parseAmount(row.qty).isZero();
    const bool hasPrice = !FixedDecimal::parseAmount(row.price).isZero();
    if (hasQty && hasPrice)
        return RowCase::Amount;
    if (hasQty)
        return RowCase::NoPrice;
    if (hasPrice)
        return RowCase::NoQuantity;
    return RowCase::Empty;
}

// The amount's text, or empty when the product leaves the fixed-point range.
QString amountText(const RowCells &row)
{
    const std::optional<FixedDecimal> amount =
        FixedDecimal::parseAmount(row.qty).multiply(FixedDecimal::parseAmount(row.price));
    return amount ? amount->toText() : QString();
}

// Exact sum of the ten texts read by the amount parser; nullopt when the
// sum leaves the fixed-point range.
template <typename Pick> std::optional<FixedDecimal> sumColumn(const DetailRows &rows, Pick pick)
{
    std::array<FixedDecimal, kDetailRowCount> values;
    for (std::size_t i = 0; i < rows.size(); ++i)
        values[i] = FixedDecimal::parseAmount(pick(rows[i]));
    return FixedDecimal::sum(values);
}

// Whole units the fixed-point type can hold.
constexpr qint64 kWholeUnitLimit = 922337203685477;

// The tax raised to the next whole unit away from zero, decided on the exact
// product of the counts (x = product / 100,000,000): 1001 at 5 % has the
// product 50,050,000,000 -> 51; -1001 -> -51; an exact 50 stays 50.
// The product of two counts needs up to 127 bits (__extension__ keeps
// -Wpedantic quiet about the compiler's 128-bit integer).
__extension__ typedef __int128 Int128;

std::optional<FixedDecimal> ceilingAwayFromZero(FixedDecimal subtotal, FixedDecimal factor)
{
    constexpr Int128 scale = 100000000;
    const Int128 product = static_cast<Int128>(subtotal.raw()) * factor.raw();
    Int128 units = product / scale; // toward zero
    if (product % scale != 0)
        units += product > 0 ? 1 : -1;
    if (units > kWholeUnitLimit || units < -kWholeUnitLimit)
        return std::nullopt;
    return FixedDecimal::fromInteger(static_cast<qint64>(units));
}

QString textOf(const std::optional<FixedDecimal> &value)
{
    return value ? value->toText() : QString();
}

} // namespace

void DEN_SALS(DetailRows &rows, int quantityEditedRow)
{
    for (int i = 0; i < kDetailRowCount; ++i) {
        RowCells &row = rows[static_cast<std::size_t>(i)];
        switch (classify(row)) {
        case RowCase::Amount:
            row.sales = amountText(row);
            break;
        case RowCase::NoPrice:
            row.sales.clear();
            break;
        case RowCase::NoQuantity:
            if (i + 1 != quantityEditedRow)
                row.price.clear();
            row.sales.clear();
            break;
        case RowCase::Empty:
            break;
        }
    }
}

QString missingQuantityMessage(int row)
{
    return QString::number(row) + QStringLiteral("行目　数量の入力がないので、単価を０にします");
}

void DEN_SALS_2(DetailRows &rows, const std::function<void(int row)> &beforeWipe)
{
    for (int i = 0; i < kDetailRowCount; ++i) {
        RowCells &row = rows[static_cast<std::size_t>(i)];
        switch (classify(row)) {
        case RowCase::Amount:
            row.sales = amountText(row);
            break;
        case RowCase::NoPrice:
            row.sales.clear();
            break;
        case RowCase::NoQuantity:
            if (beforeWipe)
                beforeWipe(i + 1);
            row.price.clear();
            row.sales.clear();
            break;
        case RowCase::Empty:
            row.sales.clear();
            break;
        }
    }
}

std::optional<FixedDecimal> consumptionTax(FixedDecimal subtotal, FixedDecimal factor,
                                           const QString &txDisp)
{
    // Both counts convert exactly (64-bit significand); the product and the
    // quotient are each rounded once to extended precision.
    const long double x = static_cast<long double>(subtotal.raw()) *
                          static_cast<long double>(factor.raw()) / 100000000.0L;
    long double t;
    if (txDisp == u"0")
        t = std::trunc(x);
    else if (txDisp == u"1")
        t = x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L);
    else if (txDisp == u"2")
        return ceilingAwayFromZero(subtotal, factor);
    else
        return FixedDecimal();

    // Whole units the fixed-point type can hold; checked before converting
    // so that a huge x never reaches an out-of-range integer conversion.
    constexpr long double limit = static_cast<long double>(kWholeUnitLimit);
    if (!(t >= -limit && t <= limit))
        return std::nullopt;
    return FixedDecimal::fromInteger(static_cast<qint64>(t));
}

NoteTotals DEN_SUM(const DetailRows &rows, const QString &xTaxText, const QString &txDispText)
{
    const FixedDecimal factor = FixedDecimal::parseAmount(xTaxText);
    const std::optional<FixedDecimal> quantity =
        sumColumn(rows, [](const RowCells &r) -> const QString & { return r.qty; });
    const std::optional<FixedDecimal> subtotal =
        sumColumn(rows, [](const RowCells &r) -> const QString & { return r.sales; });

    std::optional<FixedDecimal> tax;
    std::optional<FixedDecimal> total;
    if (subtotal) {
        tax = consumptionTax(*subtotal, factor, txDispText);
        if (tax)
            total = subtotal->add(*tax);
    }
    return NoteTotals{textOf(quantity), textOf(subtotal), textOf(tax), textOf(total)};
}

bool isReducedMarkText(const QString &storedValue)
{
    return storedValue == u"1";
}

std::optional<FixedDecimal> includedTax(FixedDecimal total, FixedDecimal factor,
                                        const QString &txDisp)
{
    // In counts: x = total x factor / (kScale x (kScale + factor)) whole units.
    const Int128 n = static_cast<Int128>(total.raw()) * factor.raw();
    const Int128 d =
        static_cast<Int128>(FixedDecimal::kScale) * (FixedDecimal::kScale + factor.raw());
    if (d <= 0 || !(txDisp == u"0" || txDisp == u"1" || txDisp == u"2"))
        return FixedDecimal();
    Int128 units = n / d; // toward zero
    const Int128 rest = n % d < 0 ? -(n % d) : n % d;
    const bool up = txDisp == u"2" ? rest != 0 : txDisp == u"1" && 2 * rest >= d;
    if (up)
        units += n > 0 ? 1 : -1;
    if (units > kWholeUnitLimit || units < -kWholeUnitLimit)
        return std::nullopt;
    return FixedDecimal::fromInteger(static_cast<qint64>(units));
}

InvoiceTotals DEN_SUM(const DetailRows &rows, const ReducedMarks &marks, const QString &xTaxText,
                      const QString &reducedXTaxText, const QString &txDispText, bool taxIncluded)
{
    InvoiceTotals out;
    const NoteTotals plain = DEN_SUM(rows, xTaxText, txDispText);
    out.totals.sqty = plain.sqty;
    out.totals.ssal = plain.ssal;

    const FixedDecimal standardFactor = FixedDecimal::parseAmount(xTaxText);
    const FixedDecimal reducedFactor = FixedDecimal::parseAmount(reducedXTaxText);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!FixedDecimal::parseAmount(rows[i].qty).isZero())
            (marks[i] ? out.reduced : out.standard).inUse = true;
    }
    // Equal factors make one group: the reduced one when a printed row is
    // marked, otherwise the standard one.
    const bool oneGroup = standardFactor.raw() == reducedFactor.raw();
    const bool allReduced = oneGroup && out.reduced.inUse;
    if (oneGroup)
        (allReduced ? out.standard : out.reduced).inUse = false;

    // Each group's rows on their own; the other group's amounts count as 0.
    DetailRows standardRows;
    DetailRows reducedRows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool reduced = oneGroup ? allReduced : marks[i];
        (reduced ? reducedRows : standardRows)[i] = rows[i];
    }
    const auto sales = [](const RowCells &r) -> const QString & { return r.sales; };
    const auto taxOf = [&](const std::optional<FixedDecimal> &sum, FixedDecimal factor) {
        if (!sum)
            return std::optional<FixedDecimal>();
        return taxIncluded ? includedTax(*sum, factor, txDispText)
                           : consumptionTax(*sum, factor, txDispText);
    };
    const std::optional<FixedDecimal> standardSum = sumColumn(standardRows, sales);
    const std::optional<FixedDecimal> reducedSum = sumColumn(reducedRows, sales);
    const std::optional<FixedDecimal> standardTax = taxOf(standardSum, standardFactor);
    const std::optional<FixedDecimal> reducedTax = taxOf(reducedSum, reducedFactor);
    out.standard.subtotal = textOf(standardSum);
    out.standard.tax = textOf(standardTax);
    out.reduced.subtotal = textOf(reducedSum);
    out.reduced.tax = textOf(reducedTax);

    // The note's subtotal is the exact sum of all rows, as without marks.
    const std::optional<FixedDecimal> subtotal =
        plain.ssal.isEmpty() ? std::nullopt
                             : std::optional<FixedDecimal>(FixedDecimal::parseAmount(plain.ssal));
    std::optional<FixedDecimal> tax;
    std::optional<FixedDecimal> total;
    if (subtotal && standardTax && reducedTax) {
        tax = standardTax->add(*reducedTax);
        if (tax)
            total = taxIncluded ? subtotal : subtotal->add(*tax);
    }
    out.totals.stax = subtotal ? textOf(tax) : QString();
    out.totals.sttl = subtotal ? textOf(total) : QString();
    return out;
}

std::optional<RecordFigures> figuresOfRecord(const DetailRows &rows, const ReducedMarks &marks,
                                             const QString &standardPercent,
                                             const QString &reducedPercent, bool taxIncluded,
                                             const NoteTotals &recorded,
                                             const QString &preferredRounding)
{
    RecordFigures f{rateFractionText(standardPercent), rateFractionText(reducedPercent), {}};
    for (const QString &mode :
         {preferredRounding, QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")}) {
        const NoteTotals t =
            DEN_SUM(rows, marks, f.standardFraction, f.reducedFraction, mode, taxIncluded).totals;
        if (t.ssal == recorded.ssal && t.stax == recorded.stax && t.sttl == recorded.sttl) {
            f.rounding = mode;
            return f;
        }
    }
    return std::nullopt;
}

QString rateFractionText(const QString &percentText)
{
    // Dividing by 100 can only shrink the value, so it always succeeds.
    return FixedDecimal::parseAmount(percentText).divide(100).value_or(FixedDecimal()).toText();
}

QString ratePercentText(const QString &fractionText)
{
    // A fraction read from its own text is at most the range / 100 times 100.
    return FixedDecimal::parseAmount(fractionText)
        .multiply(FixedDecimal::fromRaw(100 * FixedDecimal::kScale))
        .value_or(FixedDecimal())
        .toText();
}

QString taxLabelCaption(const QString &standardCaption, const QString &xTaxText,
                        const QString &reducedXTaxText, bool standardInUse, bool reducedInUse)
{
    if (!reducedInUse)
        return standardCaption;
    const QString reduced = ratePercentText(reducedXTaxText) + QStringLiteral("%");
    if (!standardInUse)
        return QStringLiteral("消費税 ") + reduced;
    return QStringLiteral("消費税 ") + ratePercentText(xTaxText) + QStringLiteral("%・") + reduced;
}

TaxRateChoice TAX_RATE_CHK(const QString &oldRateText, const QString &newRateText, QDate enforDate,
                           QDate noteDate)
{
    const QString &rateText = enforDate > noteDate ? oldRateText : newRateText;
    // Dividing by 100 can only shrink the value, so it always succeeds; the
    // percent is the rounded fraction x 100, which always fits as well.
    const FixedDecimal fraction =
        FixedDecimal::parseAmount(rateText).divide(100).value_or(FixedDecimal());
    const FixedDecimal percent =
        fraction.multiply(FixedDecimal::fromRaw(100 * FixedDecimal::kScale))
            .value_or(FixedDecimal());
    return TaxRateChoice{fraction.toText(),
                         QStringLiteral("消費税 ") + percent.toText() + QStringLiteral("%")};
}

std::vector<TaxRateRow> taxRateTable(const QString &oldRate, QDate enforDate,
                                     const QString &newRate, const QString &reducedRate,
                                     const std::vector<TaxRateRow> &furtherRows)
{
    std::vector<TaxRateRow> table = {{QDate(), oldRate, reducedRate},
                                     {enforDate, newRate, reducedRate}};
    table.insert(table.end(), furtherRows.begin(), furtherRows.end());
    return table;
}

TaxRateRow taxRateRowInForce(const std::vector<TaxRateRow> &table, QDate noteDate)
{
    const TaxRateRow *best = nullptr;
    for (const TaxRateRow &row : table) {
        if (row.validFrom > noteDate)
            continue;
        if (!best || !(row.validFrom < best->validFrom))
            best = &row;
    }
    return best ? *best : TaxRateRow{};
}

std::optional<TaxRateRow> parseTaxRateRow(const QString &stored)
{
    const QStringList parts = stored.split(u',');
    if (parts.size() != 3)
        return std::nullopt;
    TaxRateRow row{QDate::fromString(parts[0].trimmed(), QStringLiteral("yyyy/MM/dd")),
                   parts[1].trimmed(), parts[2].trimmed()};
    if (!row.validFrom.isValid())
        return std::nullopt;
    for (const QString &rate : {row.standard, row.reduced}) {
        const std::optional<FixedDecimal> v = FixedDecimal::parse(rate);
        if (!v || v->raw() < 0 || v->raw() > 100 * FixedDecimal::kScale)
            return std::nullopt;
    }
    return row;
}

QString taxRateRowText(const TaxRateRow &row)
{
    return row.validFrom.toString(QStringLiteral("yyyy/MM/dd")) + u',' + row.standard + u',' +
           row.reduced;
}
