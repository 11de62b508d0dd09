#pragma once

#include <QString>
#include <QStringView>
#include <compare>
#include <cstdint>
#include <optional>
#include <span>

// A signed decimal with four places, held as a 64-bit count of
// ten-thousandths: 12.5 is the count 125000, -3 is -30000. Quantities,
// prices, amounts, totals, tax rates and print scale factors use it.
//
// The range is that of the count: -922337203685477.5808 to
// 922337203685477.5807, i.e. 15 integer digits. Arithmetic is exact and
// checked: an operation whose result leaves the range gives no value instead
// of wrapping. No input, however large or malformed, has undefined behaviour.
class FixedDecimal
{
public:
    static constexpr qint64 kScale = 10000; // counts per unit

    constexpr FixedDecimal() = default;

    static constexpr FixedDecimal fromRaw(qint64 raw) { return FixedDecimal(raw); }
    // A whole number of units; nullopt outside the range.
    static std::optional<FixedDecimal> fromInteger(qint64 units);
    constexpr qint64 raw() const { return m_raw; }

    // Strict reading of a plain number: an optional "-", digits, and an
    // optional "." followed by at most four digits. Digits may be missing
    // on one side of the point but not on both: "12." is 12 (the form a
    // field shows right after the point key), ".5" is 0.5, "." is no
    // number. No blanks, signs "+", separators or exponents. "-0" is 0.
    // nullopt for anything else and for values outside the range.
    static std::optional<FixedDecimal> parse(QStringView text);

    // The amount parser: a field's text read as a number, 0 for everything
    // that is not one (empty, "-" alone, "abc", "1,234", out of range).
    // More lenient than parse() in two respects, both harmless: blanks and
    // control characters (codes up to U+0020) at either end are ignored,
    // and decimals beyond the fourth are rounded to the nearest
    // ten-thousandth, ties to even ("12.34565" is 12.3456).
    static FixedDecimal parseAmount(QStringView text);

    // Shortest decimal text: no separators, "." as the point, no trailing
    // zeros, no point for whole numbers (1234, 12.5, -3, 0, 0.0001).
    QString toText() const;

    // Checked arithmetic; nullopt when the exact result leaves the range.
    std::optional<FixedDecimal> add(FixedDecimal other) const;
    std::optional<FixedDecimal> subtract(FixedDecimal other) const;
    // The exact sum of all values; nullopt only when the sum itself leaves
    // the range (intermediate sums may, as in 900e12 + 900e12 - 900e12).
    static std::optional<FixedDecimal> sum(std::span<const FixedDecimal> values);
    // The exact product rounded to the nearest ten-thousandth, ties to even
    // (0.0001 x 0.5 = 0.00005 gives 0; 0.0003 x 0.5 = 0.00015 gives 0.0002).
    std::optional<FixedDecimal> multiply(FixedDecimal other) const;
    // The exact quotient by a whole number rounded to the nearest
    // ten-thousandth, ties to even (a rate of 2.5 divided by 100 is 0.025).
    // nullopt for a zero divisor or a result outside the range.
    std::optional<FixedDecimal> divide(qint64 divisor) const;

    // Truncated toward zero to whole units (12.9 -> 12, -12.9 -> -12).
    qint64 wholeUnits() const { return m_raw / kScale; }
    bool isZero() const { return m_raw == 0; }

    // The value as an 80-bit extended number (exact: every count fits the
    // 64-bit significand; the division by 10000 rounds once).
    long double toLongDouble() const { return static_cast<long double>(m_raw) / 10000.0L; }

    friend constexpr bool operator==(FixedDecimal, FixedDecimal) = default;
    friend constexpr std::strong_ordering operator<=>(FixedDecimal a, FixedDecimal b)
    {
        return a.m_raw <=> b.m_raw;
    }

private:
    constexpr explicit FixedDecimal(qint64 raw) : m_raw(raw) {}

    qint64 m_raw = 0;
};
