#include "note/RegistrationNumber.h"

#include <gtest/gtest.h>

namespace {

TEST(RegistrationNumber, CheckDigitOfCorporateNumbers)
{
    const struct
    {
        const char *name;
        const char *digits;
        int check;
    } rows[] = {
        {"National Tax Agency 7000012050002", "000012050002", 7},
        {"all zeros: sum 0 gives 9", "000000000000", 9},
        {"lowest digit weighs 1", "000000000001", 8},
        {"second lowest weighs 2", "000000000010", 7},
        {"sum a multiple of 9 gives 9", "000000000009", 9},
        {"eleven digits", "00001205000", -1},
        {"a letter", "00001205000A", -1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.check, corporateCheckDigit(QString::fromLatin1(row.digits)));
    }
}

TEST(RegistrationNumber, FormAndCheckDigit)
{
    const struct
    {
        const char *name;
        QString entered;
        QString kept;
        RegistrationCheck check;
    } rows[] = {
        {"empty: not registered", "", "", RegistrationCheck::Empty},
        {"corporate number", "T7000012050002", "T7000012050002", RegistrationCheck::Valid},
        {"full width converted", QString::fromUtf8("Ｔ７０００ ０１２０５０００２").remove(u' '),
         "T7000012050002", RegistrationCheck::Valid},
        {"blanks around removed", "  T7000012050002 ", "T7000012050002", RegistrationCheck::Valid},
        {"sole proprietor's number: check digit off, accepted", "T1234567890123", "T1234567890123",
         RegistrationCheck::CheckDigitOff},
        {"twelve digits", "T123456789012", "T123456789012", RegistrationCheck::Malformed},
        {"fourteen digits", "T12345678901234", "T12345678901234", RegistrationCheck::Malformed},
        {"no T", "1234567890123", "1234567890123", RegistrationCheck::Malformed},
        {"lower-case t", "t1234567890123", "t1234567890123", RegistrationCheck::Malformed},
        {"hyphens", "T1234-5678-90123", "T1234-5678-90123", RegistrationCheck::Malformed},
        {"Arabic-Indic digits", QString::fromUtf8("T١٢٣٤٥٦٧٨٩٠١٢٣"),
         QString::fromUtf8("T١٢٣٤٥٦٧٨٩٠١٢٣"), RegistrationCheck::Malformed},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const QString kept = normalizedRegistrationNumber(row.entered);
        EXPECT_EQ(row.kept, kept);
        EXPECT_EQ(row.check, checkRegistrationNumber(kept));
        const bool printable =
            row.check == RegistrationCheck::Valid || row.check == RegistrationCheck::CheckDigitOff;
        EXPECT_EQ(printable, isPrintableRegistrationNumber(kept));
    }
}

} // namespace
