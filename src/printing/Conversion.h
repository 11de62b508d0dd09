#pragma once

#include <QString>
#include <stdexcept>

namespace printing {

// The conversion error of a caption that is not an integer, as the
// application's error report shows it: '<text>' is not a valid integer value.
class ConversionError : public std::runtime_error
{
public:
    explicit ConversionError(const QString &text);
};

// Integer value of a caption: leading blanks, an optional sign, decimal
// digits or hexadecimal after "$" or "0x"; nothing may follow. A 32-bit
// signed value; anything else throws ConversionError.
int captionToInt(const QString &text);

// Like captionToInt, but the empty text counts as 0.
int captionToIntOrZero(const QString &text);

} // namespace printing
