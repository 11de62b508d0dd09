// The amount parser and the fixed-point arithmetic against a reference
// computed independently in 128-bit integers: any text through parse() and
// parseAmount(), any pair of counts through add, subtract, multiply and
// divide, any list through sum. No undefined behaviour (the sanitizers
// watch), and every result equals the reference, out-of-range included.
#include "FuzzSupport.h"

#include "note/FixedDecimal.h"

#include <limits>
#include <optional>
#include <vector>

namespace {

__extension__ typedef __int128 I128;

constexpr I128 kMax = std::numeric_limits<qint64>::max();
constexpr I128 kMin = std::numeric_limits<qint64>::min();

std::optional<qint64> inRange(I128 v)
{
    if (v > kMax || v < kMin)
        return std::nullopt;
    return static_cast<qint64>(v);
}

// Floor division and a ties-to-even rounding of p / d (d > 0), written apart
// from the code under test.
I128 roundHalfEven(I128 p, I128 d)
{
    I128 q = p / d;
    if (p % d != 0 && p < 0)
        --q; // floor
    const I128 r = p - q * d; // 0 <= r < d
    if (2 * r > d || (2 * r == d && (q % 2 != 0)))
        ++q;
    return q;
}

// Reference reading of "-"? digits* ("." digits*)?, at least one digit:
// the value in counts, rounded to four places when `round`, otherwise
// refused with more than four places.
std::optional<qint64> referenceParse(const QString &t, bool round)
{
    qsizetype i = 0;
    const bool negative = !t.isEmpty() && t[0] == u'-';
    if (negative)
        i = 1;
    QString whole;
    QString frac;
    bool point = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'.' && !point) {
            point = true;
        } else if (c >= u'0' && c <= u'9') {
            (point ? frac : whole) += c;
        } else {
            return std::nullopt;
        }
    }
    if (whole.isEmpty() && frac.isEmpty())
        return std::nullopt;
    if (frac.size() > 4 && !round)
        return std::nullopt;
    while (whole.size() > 1 && whole[0] == u'0')
        whole.remove(0, 1);
    if (whole.size() > 16)
        return std::nullopt; // at least 10^16 units: far beyond the range
    I128 units = 0;
    for (QChar c : whole)
        units = units * 10 + (c.unicode() - u'0');
    I128 counts = units * 10000;
    I128 f = 0;
    for (int k = 0; k < 4; ++k)
        f = f * 10 + (k < frac.size() ? frac[k].unicode() - u'0' : 0);
    counts += f;
    if (frac.size() > 4) {
        const int first = frac[4].unicode() - u'0';
        bool later = false;
        for (qsizetype k = 5; k < frac.size(); ++k)
            later = later || frac[k] != u'0';
        if (first > 5 || (first == 5 && (later || counts % 2 != 0)))
            ++counts;
    }
    return inRange(negative ? -counts : counts);
}

QString show(std::optional<FixedDecimal> v)
{
    return v ? QString::number(v->raw()) : QStringLiteral("none");
}
QString show(std::optional<qint64> v)
{
    return v ? QString::number(*v) : QStringLiteral("none");
}

bool same(std::optional<FixedDecimal> got, std::optional<qint64> want)
{
    return got.has_value() == want.has_value() && (!got || got->raw() == *want);
}

void checkText(const QString &text)
{
    const std::optional<FixedDecimal> parsed = FixedDecimal::parse(text);
    const std::optional<qint64> want = referenceParse(text, false);
    FUZZ_CHECK(same(parsed, want), "parse(" + text + ") = " + show(parsed) + ", want " + show(want));

    // The amount parser: blanks and controls at both ends ignored, extra
    // decimals rounded, everything else that is no number counts as 0.
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text[b].unicode() <= 0x20)
        ++b;
    while (e > b && text[e - 1].unicode() <= 0x20)
        --e;
    const std::optional<qint64> amount = referenceParse(text.mid(b, e - b), true);
    const qint64 got = FixedDecimal::parseAmount(text).raw();
    FUZZ_CHECK(got == amount.value_or(0),
               "parseAmount(" + text + ") = " + QString::number(got) + ", want " + show(amount));

    if (parsed) {
        const QString shown = parsed->toText();
        FUZZ_CHECK(FixedDecimal::parse(shown) == parsed, "toText round trip of " + text + ": " + shown);
        FUZZ_CHECK(!shown.contains(u'.') || !shown.endsWith(u'0'), "trailing zero in " + shown);
        FUZZ_CHECK(!shown.endsWith(u'.') && shown != u"-0", "not shortest: " + shown);
    }
}

void checkArithmetic(qint64 a, qint64 b, qint64 divisor)
{
    const FixedDecimal x = FixedDecimal::fromRaw(a);
    const FixedDecimal y = FixedDecimal::fromRaw(b);
    const QString args = QString::number(a) + ", " + QString::number(b);

    FUZZ_CHECK(same(x.add(y), inRange(I128(a) + b)), "add " + args + " = " + show(x.add(y)));
    FUZZ_CHECK(same(x.subtract(y), inRange(I128(a) - b)),
               "subtract " + args + " = " + show(x.subtract(y)));
    const std::optional<qint64> product = inRange(roundHalfEven(I128(a) * b, 10000));
    FUZZ_CHECK(same(x.multiply(y), product),
               "multiply " + args + " = " + show(x.multiply(y)) + ", want " + show(product));

    std::optional<qint64> quotient;
    if (divisor != 0) {
        I128 n = a;
        I128 d = divisor;
        if (d < 0) {
            n = -n;
            d = -d;
        }
        quotient = inRange(roundHalfEven(n, d));
    }
    FUZZ_CHECK(same(x.divide(divisor), quotient),
               "divide " + QString::number(a) + " by " + QString::number(divisor) + " = " +
                   show(x.divide(divisor)) + ", want " + show(quotient));

    const std::optional<FixedDecimal> whole = FixedDecimal::fromInteger(a);
    FUZZ_CHECK(same(whole, inRange(I128(a) * 10000)), "fromInteger " + QString::number(a));
    FUZZ_CHECK(x.wholeUnits() == static_cast<qint64>(I128(a) / 10000), "wholeUnits " + args);

    // Text round trip of any count.
    FUZZ_CHECK(FixedDecimal::parse(x.toText()) == std::optional<FixedDecimal>(x),
               "toText round trip of count " + QString::number(a) + ": " + x.toText());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Input in(data, size);
    switch (in.byte() % 3) {
    case 0:
        checkText(in.rest());
        break;
    case 1: {
        const qint64 a = in.int64();
        const qint64 b = in.int64();
        const qint64 d = in.flag() ? in.range(-1000, 1000) : in.int64();
        checkArithmetic(a, b, d);
        break;
    }
    default: {
        // A list summed exactly: the sum may leave and re-enter the range.
        std::vector<FixedDecimal> values;
        I128 total = 0;
        while (!in.empty() && values.size() < 64) {
            const qint64 v = in.flag() ? in.int64() : in.range(-100000000, 100000000);
            values.push_back(FixedDecimal::fromRaw(v));
            total += v;
        }
        const std::optional<FixedDecimal> s = FixedDecimal::sum(values);
        FUZZ_CHECK(same(s, inRange(total)), "sum of " + QString::number(values.size()) +
                                                " values = " + show(s));
        break;
    }
    }
    return 0;
}
