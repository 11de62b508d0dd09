#include "transfer/LineTests.h"

#include <gtest/gtest.h>

namespace {

TEST(LineTests, OccurrenceCount)
{
    struct Row {
        const char *name;
        QString text;
        QString pattern;
        int expected;
    } rows[] = {
        {"hyphens in an address", u"1-2-3"_qs, u"-"_qs, 2},
        {"no overlap", u"aaaa"_qs, u"aa"_qs, 2},
        {"odd run leaves one over", u"aaaaa"_qs, u"aa"_qs, 2},
        {"kanji", u"東京都港区"_qs, u"区"_qs, 1},
        {"text shorter than pattern", u"a"_qs, u".com"_qs, 0},
        {"pattern at the very end", u"x.com"_qs, u".com"_qs, 1},
        {"after an ideographic space", u"芝　1-2"_qs, u"-"_qs, 1},
        {"case counts", u"TEL tel Tel"_qs, u"tel"_qs, 1},
        {"width counts", u"１1"_qs, u"1"_qs, 1},
        {"kana kind counts", u"ビルびる"_qs, u"ビル"_qs, 1},
        {"empty text", QString(), u"-"_qs, 0},
        {"empty pattern counts nothing", u"abc"_qs, QString(), 0},
    };
    for (const Row &r : rows)
        EXPECT_EQ(occurrenceCount(r.text, r.pattern), r.expected) << r.name;
}

TEST(LineTests, TrimmingKeepsTheIdeographicSpaceUntilBlankTrim)
{
    struct Row {
        const char *name;
        QString text;
        QString trimmed;
        QString blankTrimmed;
    } rows[] = {
        {"spaces and controls", u" \t山田\r\n"_qs, u"山田"_qs, u"山田"_qs},
        {"ideographic spaces", u"　山田　太郎　"_qs, u"　山田　太郎　"_qs, u"山田　太郎"_qs},
        {"mixed blank run", u"\t 　 山田 　"_qs, u"　 山田 　"_qs, u"山田"_qs},
        {"only blanks", u" 　 "_qs, u"　"_qs, QString()},
        {"NUL counts as a control", QString(QChar(0)) + u"a"_qs, u"a"_qs, u"a"_qs},
        {"no-break space stays", u"\u00A0a"_qs, u"\u00A0a"_qs, u"\u00A0a"_qs},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(trimLine(r.text), r.trimmed) << r.name;
        EXPECT_EQ(blankTrim(r.text), r.blankTrimmed) << r.name;
    }
}

TEST(LineTests, RemoveWord)
{
    struct Row {
        const char *name;
        QString text;
        QString word;
        QString expected;
    } rows[] = {
        {"everywhere in the line", u"様山田様様"_qs, u"様"_qs, u"山田"_qs},
        {"left to right without overlap", u"aaa"_qs, u"aa"_qs, u"a"_qs},
        {"exact case", u"TEL Tel"_qs, u"TEL"_qs, u" Tel"_qs},
        {"absent", u"山田"_qs, u"様"_qs, u"山田"_qs},
    };
    for (const Row &r : rows)
        EXPECT_EQ(removeWord(r.text, r.word), r.expected) << r.name;
}

TEST(LineTests, LeftWholeNeverCutsASurrogatePair)
{
    const QString yoshi = u"𠮷"_qs; // two code units
    EXPECT_EQ(leftWhole(u"ab"_qs + yoshi, 3), u"ab"_qs);
    EXPECT_EQ(leftWhole(u"ab"_qs + yoshi, 4), u"ab"_qs + yoshi);
    EXPECT_EQ(leftWhole(u"abc"_qs, 8), u"abc"_qs);
    EXPECT_EQ(leftWhole(u"abc"_qs, 0), QString());
}

TEST(LineTests, ZipTelClassifier)
{
    struct Row {
        const char *name;
        QString text;
        ZipTelAnswer expected;
    } rows[] = {
        {"postal code", u"123-4567"_qs, ZipTelAnswer::PostalCode},
        {"full-width postal code", u"１２３－４５６７"_qs, ZipTelAnswer::PostalCode},
        {"eight bare digits", u"12345678"_qs, ZipTelAnswer::PostalCode},
        {"seven bare digits undecided", u"1234567"_qs, ZipTelAnswer::Undecided},
        {"nine characters undecided", u"123-45678"_qs, ZipTelAnswer::Undecided},
        {"telephone", u"03-1234-5678"_qs, ZipTelAnswer::Telephone},
        {"ten digits", u"0312345678"_qs, ZipTelAnswer::Telephone},
        {"one other character", u"+81-3-1234-5678"_qs, ZipTelAnswer::Telephone},
        {"two other characters", u"(03)1234-5678"_qs, ZipTelAnswer::Undecided},
        {"two inner blanks", u"03 1234 5678"_qs, ZipTelAnswer::Undecided},
        {"address", u"東京都港区芝1-2-3"_qs, ZipTelAnswer::Address},
        {"name", u"山田太郎"_qs, ZipTelAnswer::Undecided},
        {"empty", QString(), ZipTelAnswer::Undecided},
        {"outer blanks ignored", u"  123-4567\t"_qs, ZipTelAnswer::PostalCode},
        {"ideographic space is another character", u"　123-4567"_qs, ZipTelAnswer::Undecided},
        {"long vowel mark is no hyphen", u"123ー4567"_qs, ZipTelAnswer::Undecided},
        {"minus sign is no hyphen", u"03\u22121234\u22125678"_qs, ZipTelAnswer::Undecided},
        {"postal mark makes nine", u"〒123-4567"_qs, ZipTelAnswer::Undecided},
    };
    for (const Row &r : rows)
        EXPECT_EQ(zipTelCaption(classifyZipTel(r.text)), zipTelCaption(r.expected)) << r.name;
}

TEST(LineTests, ZipTelCaptions)
{
    EXPECT_EQ(zipTelCaption(ZipTelAnswer::PostalCode), u"〒"_qs);
    EXPECT_EQ(zipTelCaption(ZipTelAnswer::Telephone), u"TEL"_qs);
    EXPECT_EQ(zipTelCaption(ZipTelAnswer::Address), u"ADD"_qs);
    EXPECT_EQ(zipTelCaption(ZipTelAnswer::Undecided), u"〒/電話番工判断"_qs);
}

TEST(LineTests, MailOrWebCount)
{
    struct Row {
        const char *name;
        QString text;
        int expected;
    } rows[] = {
        {"mail address", u"yamada@example.com"_qs, 3}, // @, .com, .co
        {"japanese domain", u"www.shop.jp"_qs, 1},
        {"co.jp", u"info@a.co.jp"_qs, 3},
        {".net also counts .ne", u"a.net"_qs, 2},
        {".org", u"x.org"_qs, 1},
        {"plain name", u"山田太郎"_qs, 0},
        {"full-width at sign is no mail", u"yamada＠example"_qs, 0},
        {"dotted abbreviation with .co inside", u"Mr.Cook"_qs, 0},
        {"company abbreviation", u"ABC.Co"_qs, 0},
        {"upper-case domain is missed", u"WWW.SHOP.JP"_qs, 0},
    };
    for (const Row &r : rows)
        EXPECT_EQ(mailOrWebCount(r.text), r.expected) << r.name;
}

TEST(LineTests, Prefectures)
{
    const QStringList &names = prefectureNames();
    ASSERT_EQ(names.size(), 47);
    EXPECT_EQ(names.first(), u"北海道"_qs);
    EXPECT_EQ(names.at(12), u"東京都"_qs);
    EXPECT_EQ(names.last(), u"沖縄県"_qs);
    for (const QString &name : names)
        EXPECT_TRUE(isPrefecture(name)) << name.toStdString();

    struct Row {
        const char *name;
        QString text;
        bool expected;
    } rows[] = {
        {"with the rest of the address", u"東京都港区芝1-2-3"_qs, false},
        {"trailing blank", u"東京都 "_qs, false},
        {"without its suffix", u"東京"_qs, false},
        {"empty", QString(), false},
    };
    for (const Row &r : rows)
        EXPECT_EQ(isPrefecture(r.text), r.expected) << r.name;
}

TEST(LineTests, AddressMarkers)
{
    EXPECT_EQ(addressMarkers().size(), 57);
    struct Row {
        const char *name;
        QString text;
        int length;
        int score;
    } rows[] = {
        {"digits and hyphens", u"港区芝1-2-3"_qs, 8, 6},
        {"nested school words count twice", u"中学校"_qs, 3, 2},
        {"half-width building word", u"ﾒｿﾞﾝ"_qs, 4, 1},
        {"lower-case f is no floor", u"5f"_qs, 2, 1},
        {"trimmed before counting", u"  山田  "_qs, 2, 0},
        {"post office", u"渋谷郵便局留"_qs, 6, 2},
    };
    for (const Row &r : rows) {
        const NameAddressScore s = nameAddressScore(r.text);
        EXPECT_EQ(s.length, r.length) << r.name;
        EXPECT_EQ(s.score, r.score) << r.name;
    }
}

TEST(LineTests, LineKind)
{
    struct Row {
        const char *name;
        QString text;
        LineKind expected;
    } rows[] = {
        {"prefecture alone", u"東京都"_qs, LineKind::Prefecture},
        {"last prefecture", u"沖縄県"_qs, LineKind::Prefecture},
        {"Hokkaido is a prefecture before a marker", u"北海道"_qs, LineKind::Prefecture},
        {"full address", u"東京都港区芝1-2-3"_qs, LineKind::Address},
        {"short fragment is a name", u"東京都港区"_qs, LineKind::Name},
        {"eight-character address", u"港区芝1-2-3"_qs, LineKind::Address},
        {"plain name", u"山田太郎"_qs, LineKind::Name},
        {"name with ideographic space", u"山田　太郎"_qs, LineKind::Name},
        {"village marker in a short name", u"村田太郎"_qs, LineKind::Name},
        {"company with city marker", u"株式会社市川商店"_qs, LineKind::Address},
        {"latin name with F", u"Fujita Kenji"_qs, LineKind::Address},
        {"latin name without marker", u"Yamada Taro"_qs, LineKind::Name},
        {"order number", u"ご注文番号 12345"_qs, LineKind::Address},
        {"nine digits", u"123456789"_qs, LineKind::Address},
        {"six-character building", u"ＡＢビル５Ｆ"_qs, LineKind::Name},
        {"seven characters with a marker", u"ABCDEF1"_qs, LineKind::Address},
    };
    for (const Row &r : rows)
        EXPECT_EQ(static_cast<int>(lineKind(r.text)), static_cast<int>(r.expected)) << r.name;
}

} // namespace
