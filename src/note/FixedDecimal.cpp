#include "note/FixedDecimal.h"

#include <limits>

namespace {

// Products of two counts need 127 bits; GCC and Clang provide a 128-bit
// integer on 64-bit targets (__extension__ keeps -Wpedantic quiet).
__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();

std::optional<FixedDecimal> fromWide(Int128 value)
{
    if (value > kMax || value < kMin)
        return std::nullopt;
    return FixedDecimal::fromRaw(static_cast<qint64>(value));
}

// Rounds numerator / denominator (denominator > 0) to the nearest whole
// number, ties to even. Both operands are far inside the 128-bit range.
Int128 divideHalfEven(Int128 numerator, Int128 denominator)
{
    Int128 quotient = numerator / denominator; // truncated toward zero
    Int128 rest = numerator % denominator;     // same sign as numerator
    if (rest < 0)
        rest = -rest;
    const Int128 twice = rest * 2;
    if (twice > denominator || (twice == denominator && (quotient & 1) != 0))
        quotient += numerator < 0 ? -1 : 1;
    return quotient;
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Reads "-"? digits* ("." digits*)? with at least one digit. Decimals
// beyond the fourth are rounded (ties to even) when allowed, otherwise they
// make the text invalid.
std::optional<FixedDecimal> parseNumber(QStringView text, bool roundExtraDecimals)
{
    qsizetype pos = 0;
    const bool negative = pos < text.size() && text[pos] == u'-';
    if (negative)
        ++pos;

    // Magnitude in counts; anything beyond this cap is out of range anyway,
    // so accumulation stops there instead of overflowing on long texts.
    constexpr UInt128 cap = UInt128(1) << 70;
    UInt128 whole = 0;
    bool tooLarge = false;
    int digits = 0;
    while (pos < text.size() && isAsciiDigit(text[pos])) {
        if (!tooLarge) {
            whole = whole * 10 + UInt128(text[pos].unicode() - u'0');
            tooLarge = whole > cap;
        }
        ++pos;
        ++digits;
    }

    UInt128 fraction = 0;
    int places = 0;
    // Rounding of decimals beyond the fourth: the first dropped digit, and
    // whether any later dropped digit is non-zero.
    int firstDropped = 0;
    bool laterNonZero = false;
    if (pos < text.size() && text[pos] == u'.') {
        ++pos;
        while (pos < text.size() && isAsciiDigit(text[pos])) {
            const int d = text[pos].unicode() - u'0';
            if (places < 4)
                fraction = fraction * 10 + UInt128(d);
            else if (places == 4)
                firstDropped = d;
            else if (d != 0)
                laterNonZero = true;
            ++places;
            ++pos;
            ++digits;
        }
    }
    if (pos != text.size() || digits == 0)
        return std::nullopt;
    if (places > 4 && !roundExtraDecimals)
        return std::nullopt;
    if (tooLarge)
        return std::nullopt;

    for (int p = places; p < 4; ++p)
        fraction *= 10;
    UInt128 magnitude = whole * FixedDecimal::kScale + fraction;
    if (firstDropped > 5 || (firstDropped == 5 && (laterNonZero || (magnitude & 1) != 0)))
        ++magnitude;

    const Int128 value = negative ? -Int128(magnitude) : Int128(magnitude);
    return fromWide(value);
}

} // namespace

std::optional<FixedDecimal> FixedDecimal::fromInteger(qint64 units)
{
    return fromWide(Int128(units) * kScale);
}

std::optional<FixedDecimal> FixedDecimal::parse(QStringView text)
{
    return parseNumber(text, false);
}

FixedDecimal FixedDecimal::parseAmount(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return parseNumber(text.sliced(begin, end - begin), true).value_or(FixedDecimal());
}

QString FixedDecimal::toText() const
{
    // Magnitude in unsigned arithmetic, so the smallest count negates safely.
    const quint64 magnitude =
        m_raw < 0 ? 0 - static_cast<quint64>(m_raw) : static_cast<quint64>(m_raw);
    const quint64 whole = magnitude / kScale;
    const quint64 fraction = magnitude % kScale;

    QString text;
    if (m_raw < 0)
        text += u'-';
    text += QString::number(whole);
    if (fraction != 0) {
        QString decimals = QString::number(fraction).rightJustified(4, u'0');
        while (decimals.endsWith(u'0'))
            decimals.chop(1);
        text += u'.';
        text += decimals;
    }
    return text;
}

std::optional<FixedDecimal> FixedDecimal::add(FixedDecimal other) const
{
    return fromWide(Int128(m_raw) + other.m_raw);
}

std::optional<FixedDecimal> FixedDecimal::subtract(FixedDecimal other) const
{
    return fromWide(Int128(m_raw) - other.m_raw);
}

std::optional<FixedDecimal> FixedDecimal::sum(std::span<const FixedDecimal> values)
{
    // Each term is below 2^63 in magnitude, so 2^64 terms still fit.
    Int128 total = 0;
    for (FixedDecimal v : values)
        total += v.m_raw;
    return fromWide(total);
}

std::optional<FixedDecimal> FixedDecimal::multiply(FixedDecimal other) const
{
    // |product| <= 2^126: exact in 128 bits.
    const Int128 product = Int128(m_raw) * other.m_raw;
    return fromWide(divideHalfEven(product, kScale));
}

std::optional<FixedDecimal> FixedDecimal::divide(qint64 divisor) const
{
    if (divisor == 0)
        return std::nullopt;
    Int128 numerator = m_raw;
    Int128 denominator = divisor;
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    return fromWide(divideHalfEven(numerator, denominator));
}
