#pragma once

#include <QString>

#include <ostream>

// Lets GoogleTest print QString values (and lists of them) as text.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
