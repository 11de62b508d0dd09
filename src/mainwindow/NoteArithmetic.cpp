#include "mainwindow/NoteArithmetic.h"

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
        t = x >= 0 ? std::trunc(x + 0.9L) : std::trunc(x - 0.9L);
    else
        return FixedDecimal();

    // Whole units the fixed-point type can hold; checked before converting
    // so that a huge x never reaches an out-of-range integer conversion.
    constexpr long double limit = 922337203685477.0L;
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
