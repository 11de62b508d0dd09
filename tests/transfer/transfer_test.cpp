#include "transfer/Transfer.h"

#include "transfer/NumericTest.h"
#include "transfer/WorkMemoWrapper.h"

#include "printers.h"

#include <gtest/gtest.h>

namespace {

// Kanji and full-width forms 11 pixels, everything else 6: close to the work
// memo's font, without needing a GUI.
LineWrapper testWrapper()
{
    return fixedWidthWrapper(kWorkMemoTextWidth, 6, 11);
}

struct Outcome {
    QStringList memo;
    QString zip;
    QString add1;
    QString add2;
    QString custo1;
    QString tel;
};

struct Case {
    const char *name;
    QStringList memo;
    Outcome expected;
};

QStringList seven(QStringList lines)
{
    while (lines.size() < kWorkingLines)
        lines.append(QString());
    return lines;
}

void checkCases(const Case *begin, const Case *end)
{
    for (const Case *c = begin; c != end; ++c) {
        const TransferResult r = runTransfer(c->memo, testWrapper());
        SCOPED_TRACE(c->name);
        EXPECT_FALSE(r.nothingToTransfer);
        EXPECT_EQ(r.memoLines, seven(c->expected.memo));
        EXPECT_EQ(r.zip, c->expected.zip);
        EXPECT_EQ(r.add1, c->expected.add1);
        EXPECT_EQ(r.add2, c->expected.add2);
        EXPECT_EQ(r.custo1, c->expected.custo1);
        EXPECT_EQ(r.tel, c->expected.tel);
    }
}

// Sixty kanji without a blank: 50 fit the work memo, the last ten, with the
// marker 階, form a second address line.
QString sixtyKanji()
{
    return u"東京都千代田区丸の内一丁目九番二号グラントウキョウサウスタワー"
           u"株式会社見本商事営業本部第二営業部販売"
           u"促進課四十一階御中宛"_qs;
}

TEST(Transfer, EdgeCasesOfTheSteps)
{
    const QString kanji60 = sixtyKanji();
    ASSERT_EQ(kanji60.size(), 60);
    const QString noMarker60 = kanji60.left(50) + u"第二営業部販売促進課"_qs;
    const Case cases[] = {
        {"Yamada memo",
         {u"お名前：山田太郎 様"_qs, u"〒123-4567"_qs, u"東京都港区芝1-2-3"_qs,
          u"電話番号：03-1234-5678"_qs, u"yamada@example.com"_qs},
         {{u"山田太郎"_qs, u"123-4567"_qs, u"東京都港区芝1-2-3"_qs, u"03-1234-5678"_qs},
          u"123-4567"_qs, u"東京都港区芝1-2-3"_qs, QString(), u"山田太郎"_qs, u"03-1234-5678"_qs}},
        {"prefecture on its own line",
         {u"東京都"_qs, u"港区芝1-2-3"_qs},
         {{u"東京都"_qs, u"港区芝1-2-3"_qs}, QString(), u"東京都港区芝1-2-3"_qs, QString(),
          QString(), QString()}},
        {"second prefecture dropped",
         {u"東京都"_qs, u"大阪府"_qs, u"港区芝1-2-3"_qs},
         {{u"東京都"_qs, u"大阪府"_qs, u"港区芝1-2-3"_qs}, QString(), u"東京都港区芝1-2-3"_qs,
          QString(), QString(), QString()}},
        {"postal code split from the address",
         {u"123-4567東京都港区芝1-2-3"_qs, u"山田太郎"_qs},
         {{u"123-4567"_qs, u"山田太郎"_qs, u"東京都港区芝1-2-3"_qs}, u"123-4567"_qs,
          u"東京都港区芝1-2-3"_qs, QString(), u"山田太郎"_qs, QString()}},
        {"short rest is not split",
         {u"〒123-4567 港区"_qs},
         {{u"123-4567 港区"_qs}, QString(), u"123-4567 港区"_qs, QString(), QString(), QString()}},
        {"extension number splits the telephone",
         {u"山田太郎"_qs, u"03-1234-5678 内線1234"_qs},
         {{u"山田太郎"_qs, u"03-1234-"_qs, u"5678 内線1234"_qs}, u"03-1234-"_qs,
          u"5678 内線1234"_qs, QString(), u"山田太郎"_qs, QString()}},
        {"telephone alone is not split",
         {u"03-1234-5678"_qs},
         {{u"03-1234-5678"_qs}, QString(), QString(), QString(), QString(), u"03-1234-5678"_qs}},
        {"full-width telephone",
         {u"ＴＥＬ：０３－１２３４－５６７８"_qs},
         {{u"０３－１２３４－５６７８"_qs}, QString(), QString(), QString(), QString(),
          u"03-1234-5678"_qs}},
        {"full-width postal code converted by the numeric test",
         {u"〒１２３－４５６７"_qs},
         {{u"123-4567"_qs}, u"123-4567"_qs, QString(), QString(), QString(), QString()}},
        {"second telephone dropped",
         {u"TEL 03-1234-5678"_qs, u"携帯 090-1234-5678"_qs},
         {{u"03-1234-5678"_qs, u"携帯 090-1234-5678"_qs}, QString(), u"携帯 090-1234-5678"_qs,
          QString(), QString(), u"03-1234-5678"_qs}},
        {"mobile after a fixed number, both labelled",
         {u"電話：03-1234-5678"_qs, u"電話：090-1234-5678"_qs},
         {{u"03-1234-5678"_qs, u"090-1234-5678"_qs}, QString(), QString(), QString(), QString(),
          u"03-1234-5678"_qs}},
        {"building line after the name is dropped",
         {u"山田太郎"_qs, u"ＡＢビル５Ｆ"_qs},
         {{u"山田太郎"_qs, u"ＡＢビル５Ｆ"_qs}, QString(), QString(), QString(), u"山田太郎"_qs,
          QString()}},
        {"building line before the name takes the name slot",
         {u"ＡＢビル５Ｆ"_qs, u"山田太郎"_qs},
         {{u"ＡＢビル５Ｆ"_qs, u"山田太郎"_qs}, QString(), QString(), QString(),
          u"ＡＢビル５Ｆ"_qs, QString()}},
        {"label-only lines become empty and take a split rest",
         {u"123-4567東京都港区芝1-2-3"_qs, u"様"_qs, u"お名前："_qs, u"山田太郎"_qs},
         {{u"123-4567"_qs, u"東京都港区芝1-2-3"_qs, QString(), u"山田太郎"_qs}, u"123-4567"_qs,
          u"東京都港区芝1-2-3"_qs, QString(), u"山田太郎"_qs, QString()}},
        {"sixty kanji wrap into two lines",
         {kanji60, u"山田太郎"_qs},
         {{kanji60.left(50), kanji60.mid(50), u"山田太郎"_qs}, QString(), kanji60.left(50),
          kanji60.mid(50), u"山田太郎"_qs, QString()}},
        {"wrapped remainder without a marker takes the name slot",
         {noMarker60, u"山田太郎"_qs},
         {{noMarker60.left(50), noMarker60.mid(50), u"山田太郎"_qs}, QString(), noMarker60.left(50),
          QString(), u"第二営業部販売促進課"_qs, QString()}},
        {"seventh line converted even when not numeric",
         {u"東京都"_qs, u"港区芝1-2-3"_qs, u"ＡＢビル"_qs, u"123-4567"_qs, u"03-1234-5678"_qs,
          u"ご依頼主：見本商店"_qs, u"ヤマダ　タロウ"_qs},
         {{u"東京都"_qs, u"港区芝1-2-3"_qs, u"ＡＢビル"_qs, u"123-4567"_qs, u"03-1234-5678"_qs,
           u"ご依頼主見本商店"_qs, u"ﾔﾏﾀﾞ ﾀﾛｳ"_qs},
          u"123-4567"_qs, u"東京都港区芝1-2-3"_qs, QString(), u"ＡＢビル"_qs, u"03-1234-5678"_qs}},
        {"order-number line takes an address slot",
         {u"ご注文番号: 12345"_qs, u"東京都港区芝1-2-3"_qs, u"山田太郎"_qs},
         {{u"ご注文番号 12345"_qs, u"東京都港区芝1-2-3"_qs, u"山田太郎"_qs}, QString(),
          u"ご注文番号 12345"_qs, u"東京都港区芝1-2-3"_qs, u"山田太郎"_qs, QString()}},
        {"nine-digit line is an address line",
         {u"123456789"_qs, u"山田太郎"_qs},
         {{u"123456789"_qs, u"山田太郎"_qs}, QString(), u"123456789"_qs, QString(),
          u"山田太郎"_qs, QString()}},
        {"third address line dropped",
         {u"港区芝1-2-3"_qs, u"ＡＢＣビル１２３号"_qs, u"株式会社市川商店"_qs},
         {{u"港区芝1-2-3"_qs, u"ＡＢＣビル１２３号"_qs, u"株式会社市川商店"_qs}, QString(),
          u"港区芝1-2-3"_qs, u"ＡＢＣビル１２３号"_qs, QString(), QString()}},
        {"second postal code dropped",
         {u"〒123-4567"_qs, u"〒765-4321"_qs},
         {{u"123-4567"_qs, u"765-4321"_qs}, u"123-4567"_qs, QString(), QString(), QString(),
          QString()}},
    };
    checkCases(std::begin(cases), std::end(cases));
}

TEST(Transfer, TwentyLinesUseTheFirstSevenKeptOnes)
{
    QStringList memo;
    for (int i = 1; i <= 20; ++i)
        memo.append(QStringLiteral("品目%1").arg(i));
    const TransferResult r = runTransfer(memo, testWrapper());
    EXPECT_EQ(r.memoLines, memo.mid(0, 7));
    EXPECT_EQ(r.custo1, u"品目1"_qs);
}

TEST(Transfer, LinesPastTheSixteenthAreNeverExamined)
{
    QStringList memo;
    for (int i = 0; i < 10; ++i)
        memo.append(QStringLiteral("user%1@example.com").arg(i));
    memo << u"山田太郎"_qs << QString() << u"   "_qs << u"123-4567"_qs << u"港区芝1-2-3"_qs
         << u"03-1234-5678"_qs        // index 15, the last one looked at
         << u"東京都"_qs << u"佐藤花子"_qs; // 16 and 17: never examined
    const TransferResult r = runTransfer(memo, testWrapper());
    EXPECT_EQ(r.memoLines,
              seven({u"山田太郎"_qs, u"123-4567"_qs, u"港区芝1-2-3"_qs, u"03-1234-5678"_qs}));
    EXPECT_EQ(r.add1, u"港区芝1-2-3"_qs);
    EXPECT_EQ(r.custo1, u"山田太郎"_qs);
}

TEST(Transfer, NothingToTransfer)
{
    const QStringList memos[] = {
        {},
        {QString()},
        {u"   "_qs, u"\t"_qs, QString(), u"yamada@example.com"_qs},
        {u"https://shop.example.jp/order"_qs, u" "_qs},
    };
    for (const QStringList &memo : memos) {
        const TransferResult r = runTransfer(memo, testWrapper());
        EXPECT_TRUE(r.nothingToTransfer) << memo.join(u'|').toStdString();
        EXPECT_EQ(r.memoLines, QStringList()) << memo.join(u'|').toStdString();
    }
}

// A line of ideographic spaces survives trimming and compaction but is blank
// afterwards: the memo then holds seven empty lines and nothing is written.
TEST(Transfer, IdeographicBlankLineIsTransferredAsNothing)
{
    const TransferResult r = runTransfer({u"https://shop.example.jp/"_qs, u"　　"_qs}, testWrapper());
    EXPECT_FALSE(r.nothingToTransfer);
    EXPECT_EQ(r.memoLines, seven({}));
    EXPECT_EQ(r.add1 + r.add2 + r.custo1 + r.zip + r.tel, QString());
}

TEST(Transfer, SecondTransferOfThePreparedMemoGivesTheSameFields)
{
    const QStringList memo = {u"お名前：山田太郎 様"_qs, u"〒123-4567東京都港区芝1-2-3"_qs,
                              u"ＴＥＬ：０３－１２３４－５６７８"_qs};
    const TransferResult first = runTransfer(memo, testWrapper());
    const TransferResult second = runTransfer(first.memoLines, testWrapper());
    EXPECT_EQ(second.memoLines, first.memoLines);
    EXPECT_EQ(second.zip, first.zip);
    EXPECT_EQ(second.add1, first.add1);
    EXPECT_EQ(second.custo1, first.custo1);
    EXPECT_EQ(second.tel, first.tel);
}

TEST(Transfer, LabelWordsInOrder)
{
    const QStringList &words = labelWords();
    ASSERT_EQ(words.size(), 45);
    EXPECT_EQ(words.at(7), u"TEL"_qs);
    EXPECT_EQ(words.at(12), u"TEL"_qs);
    EXPECT_LT(words.indexOf(u"お電話番号"_qs), words.indexOf(u"電話番号"_qs));
    EXPECT_LT(words.indexOf(u"電話番号"_qs), words.indexOf(u"電話"_qs));
    EXPECT_LT(words.indexOf(u"おところ１"_qs), words.indexOf(u"おところ"_qs));
    EXPECT_LT(words.indexOf(u"おところ"_qs), words.indexOf(u"ところ"_qs));
}

TEST(Transfer, NormalisationOfSingleLines)
{
    struct Row {
        const char *name;
        QString line;
        QString expected;
    } rows[] = {
        {"honorific prefix goes with the label", u"お電話番号：03-1234-5678"_qs, u"03-1234-5678"_qs},
        {"labels anywhere in the line", u"山田太郎様（お届け先）"_qs, u"山田太郎（）"_qs},
        {"leading blank after a label", u"住所： 東京都港区"_qs, u"東京都港区"_qs},
        {"ideographic blanks trimmed", u"　山田　太郎　"_qs, u"山田　太郎"_qs},
        {"numeric line converted", u"１２３－４５６７　東京都"_qs, u"123-4567 東京都"_qs},
        {"03 numbers are not", u"０３－１２３４－５６７８"_qs, u"０３－１２３４－５６７８"_qs},
        {"090 numbers are not", u"０９０－１２３４－５６７８"_qs, u"０９０－１２３４－５６７８"_qs},
        {"fullwidth Tel label", u"Ｔｅｌ．０３"_qs, u".03"_qs},
        {"kana label", u"ゆうびんばんごう　123-4567"_qs, u"123-4567"_qs},
        {"tokoro label eats part of a word", u"ところざわ市"_qs, u"ざわ市"_qs},
    };
    for (const Row &r : rows)
        EXPECT_EQ(normaliseWorkingLines({r.line}).at(0), r.expected) << r.name;
}

TEST(Transfer, NumericTestFollowsTheNumericField)
{
    struct Row {
        const char *name;
        QString text;
        QString expected;
    } rows[] = {
        {"postal code", u"123-4567"_qs, u"123"_qs},
        {"Tokyo number", u"03-1234-5678"_qs, u"3"_qs},
        {"mobile number", u"090-1234-5678"_qs, u"90"_qs},
        {"full width", u"１２３－４５６７"_qs, u"123"_qs},
        {"name", u"山田"_qs, QString()},
        {"ten digits cut to nine", u"0123456789"_qs, u"12345678"_qs},
    };
    for (const Row &r : rows)
        EXPECT_EQ(numericTestText(r.text), r.expected) << r.name;
}

TEST(Transfer, ZipTelChangeRule)
{
    EXPECT_EQ(zipTelConverted(u"０３－１２３４－５６７８"_qs), std::optional<QString>(u"03-1234-5678"_qs));
    EXPECT_EQ(zipTelConverted(u"03-1234-5678"_qs), std::nullopt);
    EXPECT_EQ(zipTelConverted(QString()), std::nullopt);
    const QString once = *zipTelConverted(u"１２３ー４５６７ ﾃｽﾄ テスト"_qs);
    EXPECT_EQ(zipTelConverted(once), std::nullopt);
}

TEST(Transfer, MemoTextRoundTrip)
{
    EXPECT_EQ(memoLinesOf(QString()), QStringList());
    EXPECT_EQ(memoLinesOf(u"a\r\nb\rc\nd\u2029e"_qs),
              (QStringList{u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs, u"e"_qs}));
    EXPECT_EQ(memoLinesOf(u"a\n"_qs), (QStringList{u"a"_qs, QString()}));
    const QString lone(QChar(0xD800));
    EXPECT_EQ(memoLinesOf(lone + u"\nb"_qs), (QStringList{lone, u"b"_qs}));
    EXPECT_EQ(memoTextOf({u"a"_qs, QString(), u"b"_qs}), u"a\n\nb"_qs);
    const TransferResult r =
        runTransferOnText(u"お名前：山田太郎\r\n〒123-4567\r\n"_qs, testWrapper());
    EXPECT_EQ(r.custo1, u"山田太郎"_qs);
    EXPECT_EQ(r.zip, u"123-4567"_qs);
}

} // namespace
