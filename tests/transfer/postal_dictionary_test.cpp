// The postal dictionary read from the committed file.
#include "printers.h"
#include "transfer/PostalDictionary.h"

#include <gtest/gtest.h>

namespace {

const PostalDictionary &dictionary()
{
    static const auto dict = [] {
        QString error;
        auto d = PostalDictionary::load(QStringLiteral(KANRO_POSTAL_DICT_FILE), &error);
        EXPECT_TRUE(d) << error.toStdString();
        return d;
    }();
    return *dict;
}

QStringList towns(const std::vector<PostalPlace> &places)
{
    QStringList out;
    for (const PostalPlace &p : places)
        out.append(p.prefecture + p.city + p.town + p.office);
    return out;
}

TEST(PostalDictionary, CodeToPlaces)
{
    const struct
    {
        const char *name;
        QString code;
        QStringList expected;
    } rows[] = {
        {"address code with hyphen", u"150-0001"_qs, {u"東京都渋谷区神宮前"_qs}},
        {"full width with mark", u"〒１００－０００４"_qs, {u"東京都千代田区大手町"_qs}},
        {"one code, two towns",
         u"0110951"_qs,
         {u"秋田県秋田市土崎港相染町"_qs, u"秋田県秋田市土崎港古川町"_qs}},
        {"business office", u"0018612"_qs, {u"北海道札幌市北区北二十四条西札幌市北区役所"_qs}},
        {"unknown code", u"0000000"_qs, {}},
        {"hyphen misplaced", u"1500-001"_qs, {}},
        {"six digits", u"150000"_qs, {}},
    };
    for (const auto &row : rows)
        EXPECT_EQ(towns(dictionary().lookupCode(row.code)), row.expected) << row.name;
}

TEST(PostalDictionary, AddressToCodes)
{
    const struct
    {
        const char *name;
        QString address;
        QString town; // prefecture + city + town found
        QString rest; // what is left for 番地 and building
        QStringList codes;
    } rows[] = {
        {"plain",
         u"東京都渋谷区神宮前1-2-3 青山ハイツ101"_qs,
         u"東京都渋谷区神宮前"_qs,
         u"1-2-3 青山ハイツ101"_qs,
         {u"1500001"_qs}},
        {"prefecture missing",
         u"渋谷区神宮前一丁目2番3号"_qs,
         u"東京都渋谷区神宮前"_qs,
         u"一丁目2番3号"_qs,
         {u"1500001"_qs}},
        {"ヶ written ケ",
         u"東京都西東京市ひばりケ丘1-1"_qs,
         u"東京都西東京市ひばりが丘"_qs,
         u"1-1"_qs,
         {u"2020001"_qs}},
        {"Arabic numerals for 条",
         u"北海道札幌市北区北24条西6丁目1-1"_qs,
         u"北海道札幌市北区北二十四条西"_qs,
         u"6丁目1-1"_qs,
         {u"0010024"_qs}},
        {"city only",
         u"東京都渋谷区どこか町1"_qs,
         u"東京都渋谷区"_qs,
         u"どこか町1"_qs,
         {u"1500000"_qs}},
        {"ambiguous city, code decides",
         u"府中市宮西町1-1"_qs,
         u"東京都府中市宮西町"_qs,
         u"1-1"_qs,
         {u"1830022"_qs}},
        {"no city", u"どこか遠く1-1"_qs, QString(), u"どこか遠く1-1"_qs, {}},
    };
    for (const auto &row : rows) {
        const AddressMatch m = dictionary().matchAddress(row.address, u"1830022");
        EXPECT_EQ(m.prefecture + m.city + m.town, row.town) << row.name;
        EXPECT_EQ(row.address.mid(m.consumed), row.rest) << row.name;
        EXPECT_EQ(m.codes, row.codes) << row.name;
    }
    EXPECT_EQ(dictionary().codesFor(u"東京都", u"西東京市", u"ひばりヶ丘"),
              QStringList{u"2020001"_qs});
}

TEST(PostalDictionary, FieldsReadWhereTheLineHasThem)
{
    const auto dict = PostalDictionary::fromData(
        qCompress(
            u"KANRO-POSTAL 1\nP 東京都\nC 0 渋谷区\n1500002\t0\t渋谷\n"
            "1508798\t0\t宇田川町\t\t某社\n1508799\t0\t渋谷\t2丁目24-12\t渋谷郵便局"_qs.toUtf8()),
        nullptr);
    ASSERT_NE(dict, nullptr);
    const std::vector<PostalPlace> office = dict->lookupCode(u"1508799");
    ASSERT_EQ(office.size(), 1u);
    EXPECT_EQ(office[0].town + u'|' + office[0].street + u'|' + office[0].office,
              u"渋谷|2丁目24-12|渋谷郵便局"_qs);
    const std::vector<PostalPlace> noStreet = dict->lookupCode(u"1508798");
    ASSERT_EQ(noStreet.size(), 1u);
    EXPECT_EQ(noStreet[0].town + u'|' + noStreet[0].street + u'|' + noStreet[0].office,
              u"宇田川町||某社"_qs);
}

TEST(PostalDictionary, DamagedFilesAreRefused)
{
    const struct
    {
        const char *name;
        QByteArray data;
    } rows[] = {
        {"not compressed", QByteArray("KANRO-POSTAL 1\n")},
        {"wrong magic", qCompress(QByteArray("OTHER\n"))},
        {"city of unknown prefecture", qCompress(QByteArray("KANRO-POSTAL 1\nC 3 x\n"))},
        {"entry of unknown city",
         qCompress(QByteArray("KANRO-POSTAL 1\nP a\nC 0 b\n1234567\t1\tt\n"))},
        {"short code", qCompress(QByteArray("KANRO-POSTAL 1\nP a\nC 0 b\n123456\t0\tt\n"))},
        {"codes out of order",
         qCompress(QByteArray("KANRO-POSTAL 1\nP a\nC 0 b\n2000000\t0\tt\n1000000\t0\tt\n"))},
        {"no entries", qCompress(QByteArray("KANRO-POSTAL 1\nP a\n"))},
        {"street without office",
         qCompress(QByteArray("KANRO-POSTAL 1\nP a\nC 0 b\n1234567\t0\tt\ts\n"))},
        {"code with a sign", qCompress(QByteArray("KANRO-POSTAL 1\nP a\nC 0 b\n+123456\t0\tt\n"))},
    };
    for (const auto &row : rows) {
        QString error;
        EXPECT_EQ(PostalDictionary::fromData(row.data, &error), nullptr) << row.name;
        EXPECT_FALSE(error.isEmpty()) << row.name;
    }
}

} // namespace
