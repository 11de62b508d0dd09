#include "note/RegistrationNumber.h"

#include "platform/HalfWidth.h"

namespace {
bool allAsciiDigits(QStringView text)
{
    for (const QChar ch : text) {
        if (ch < u'0' || ch > u'9')
            return false;
    }
    return true;
}
} // namespace

QString normalizedRegistrationNumber(const QString &text)
{
    return toHalfWidth(text).trimmed();
}

int corporateCheckDigit(const QString &twelveDigits)
{
    if (twelveDigits.size() != 12 || !allAsciiDigits(twelveDigits))
        return -1;
    int sum = 0;
    for (int n = 1; n <= 12; ++n) {
        const int p = twelveDigits.at(12 - n).unicode() - u'0';
        sum += p * (n % 2 == 1 ? 1 : 2);
    }
    return 9 - sum % 9;
}

RegistrationCheck checkRegistrationNumber(const QString &text)
{
    if (text.isEmpty())
        return RegistrationCheck::Empty;
    if (text.size() != 14 || text.at(0) != u'T' || !allAsciiDigits(QStringView(text).mid(1)))
        return RegistrationCheck::Malformed;
    const int check = corporateCheckDigit(text.mid(2));
    return check == text.at(1).unicode() - u'0' ? RegistrationCheck::Valid
                                                : RegistrationCheck::CheckDigitOff;
}

bool isPrintableRegistrationNumber(const QString &text)
{
    const RegistrationCheck c = checkRegistrationNumber(text);
    return c == RegistrationCheck::Valid || c == RegistrationCheck::CheckDigitOff;
}
