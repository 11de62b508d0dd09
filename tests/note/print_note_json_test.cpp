// The printing note as JSON: every field back as it was, and older or
// foreign texts read without harm.
#include "note/PrintNoteJson.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace printing;

namespace {

PrintNote fullNote()
{
    PrintNote n;
    n.customerName = QStringLiteral("山田太郎");
    n.title = QStringLiteral("納品書　兼　請求書");
    for (int k = 0; k < 5; ++k)
        n.shopLines[std::size_t(k)] = QStringLiteral("店%1").arg(k);
    n.slipNo = QStringLiteral("123");
    n.issueDate = QDate(2026, 12, 9);
    n.printSlipNo = false;
    n.printDate = false;
    for (int i = 0; i < 10; ++i)
        n.rows[std::size_t(i)] = {QStringLiteral("N%1").arg(i), QStringLiteral("品%1").arg(i),
                                  QStringLiteral("個"),         QString::number(i + 1),
                                  QString::number(100 * i),     QString::number(100 * i * (i + 1))};
    n.subtotal = QStringLiteral("3980");
    n.tax = QStringLiteral("318");
    n.total = QStringLiteral("4298");
    n.taxCaption = QStringLiteral("消費税(8%)");
    n.rows[2].reduced = true;
    n.registrationNo = QStringLiteral("T1234567890123");
    n.standardRate = {QStringLiteral("10"), QStringLiteral("2900"), QStringLiteral("290"), true};
    n.reducedRate = {QStringLiteral("8"), QStringLiteral("1080"), QStringLiteral("86"), true};
    n.receipt = true;
    for (int k = 0; k < 9; ++k)
        n.remarks[std::size_t(k)] = QStringLiteral("備考%1").arg(k);
    n.newPage = true;
    n.dpiX = QStringLiteral("600");
    n.dpiY = QStringLiteral("300");
    n.top = QStringLiteral("-12");
    n.left = QStringLiteral("7");
    return n;
}

} // namespace

TEST(PrintNoteJsonTest, RoundTripKeepsEveryField)
{
    const PrintNote n = fullNote();
    const QJsonObject json = printNoteToJson(n);
    // Through text, as the ledger stores it.
    const PrintNote back =
        printNoteFromJson(QJsonDocument::fromJson(QJsonDocument(json).toJson()).object());
    EXPECT_EQ(printNoteToJson(back), json);
    EXPECT_EQ(back.customerName, n.customerName);
    EXPECT_EQ(back.shopLines[4], "店4");
    EXPECT_EQ(back.issueDate, QDate(2026, 12, 9));
    EXPECT_FALSE(back.printSlipNo);
    EXPECT_FALSE(back.printDate);
    EXPECT_EQ(back.rows[9].itemNo, "N9");
    EXPECT_EQ(back.rows[9].sales, "9000");
    EXPECT_EQ(back.remarks[8], "備考8");
    EXPECT_TRUE(back.receipt);
    // The qualified invoice's marks and per-rate figures come back for an exact reprint.
    EXPECT_TRUE(back.rows[2].reduced);
    EXPECT_FALSE(back.rows[3].reduced);
    EXPECT_EQ(back.registrationNo, "T1234567890123");
    EXPECT_EQ(back.standardRate.subtotal, "2900");
    EXPECT_EQ(back.reducedRate.tax, "86");
    EXPECT_TRUE(back.reducedRate.inUse);
    EXPECT_TRUE(back.newPage);
    EXPECT_EQ(back.top, "-12");
    EXPECT_EQ(json.size(), 22) << "a field of PrintNote is missing from noteFields";
}

TEST(PrintNoteJsonTest, MissingOrForeignValuesKeepDefaults)
{
    struct Row
    {
        const char *name;
        const char *json;
    };
    const Row rows[] = {
        {"an older note without the flags", R"({"customerName":"a"})"},
        {"values of another type",
         R"({"customerName":"a","printDate":"yes","rows":{},"issueDate":7})"},
        {"more rows than the note holds",
         R"({"customerName":"a","rows":[{},{},{},{},{},{},{},{},{},{},{"item":"x"}]})"},
    };
    for (const Row &r : rows) {
        const PrintNote n = printNoteFromJson(QJsonDocument::fromJson(r.json).object());
        EXPECT_EQ(n.customerName, "a") << r.name;
        EXPECT_TRUE(n.printDate) << r.name;
        EXPECT_TRUE(n.printSlipNo) << r.name;
        EXPECT_FALSE(n.issueDate.isValid()) << r.name;
        EXPECT_TRUE(n.rows[9].item.isEmpty()) << r.name;
    }
}

TEST(PrintNoteJsonTest, TaxInclusiveKeyOnlyWhenSet)
{
    PrintNote note;
    note.subtotal = QStringLiteral("2060");
    const QByteArray exclusive = QJsonDocument(printNoteToJson(note)).toJson();
    EXPECT_FALSE(exclusive.contains("taxIncluded")) << "a tax-exclusive note's JSON as before";
    EXPECT_FALSE(printNoteFromJson(printNoteToJson(note)).taxIncluded);

    note.taxIncluded = true;
    const QJsonObject json = printNoteToJson(note);
    EXPECT_EQ(json.value(QStringLiteral("taxIncluded")), QJsonValue(true));
    EXPECT_TRUE(printNoteFromJson(json).taxIncluded);
    QJsonObject foreign = json;
    foreign.insert(QStringLiteral("taxIncluded"), QStringLiteral("yes"));
    EXPECT_FALSE(printNoteFromJson(foreign).taxIncluded);
}

TEST(PrintNoteJsonTest, HonorificKeyOnlyWhenNotTheDefault)
{
    struct Row
    {
        const char *name;
        QString honorific;
        bool written;
    } rows[] = {{"none", QString(), false},
                {"様 is the default", QStringLiteral("様"), false},
                {"御中", QStringLiteral("御中"), true}};
    for (const Row &r : rows) {
        PrintNote note;
        note.honorific = r.honorific;
        const QJsonObject json = printNoteToJson(note);
        EXPECT_EQ(json.contains(QStringLiteral("honorific")), r.written) << r.name;
        EXPECT_EQ(printNoteFromJson(json).honorific, r.written ? r.honorific : QString()) << r.name;
    }
}
