#include "printing/Conversion.h"

#include <limits>

namespace printing {

ConversionError::ConversionError(const QString &text)
    : std::runtime_error(
          QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString())
{
}

int captionToInt(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && text.at(i) == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text.at(i) == QLatin1Char('0') &&
               (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        throw ConversionError(text);
    long long value = 0;
    for (; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            throw ConversionError(text);
        value = value * base + digit;
        if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            throw ConversionError(text);
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        throw ConversionError(text);
    return static_cast<int>(value);
}

int captionToIntOrZero(const QString &text)
{
    return text.isEmpty() ? 0 : captionToInt(text);
}

} // namespace printing
