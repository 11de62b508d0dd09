#pragma once

// The registration number of a qualified invoice issuer (適格請求書発行事業者):
// "T" followed by 13 digits. For a company the 13 digits are its corporate
// number, whose first digit is a check digit over the other twelve; a sole
// proprietor's number carries no such check, so a failing check digit is only
// a warning.

#include <QString>

enum class RegistrationCheck {
    Empty,         // not registered
    Valid,         // "T" + 13 digits whose check digit fits
    CheckDigitOff, // "T" + 13 digits, check digit does not fit (accepted)
    Malformed,     // anything else (refused on entry, not printed)
};

// The entered text as it is kept: full-width characters converted to half
// width ("Ｔ１２３…" -> "T123…"), blanks around it removed.
QString normalizedRegistrationNumber(const QString &text);

// The check digit of a corporate number's last twelve digits: 9 - (sum of
// Pn x Qn mod 9), n counted from the lowest digit, Qn = 1 for odd n and 2
// for even n. "000012050002" (the National Tax Agency, 7000012050002) -> 7.
// -1 when the text is not twelve digits.
int corporateCheckDigit(const QString &twelveDigits);

RegistrationCheck checkRegistrationNumber(const QString &text);

// Whether the number may be printed: Valid or CheckDigitOff.
bool isPrintableRegistrationNumber(const QString &text);
