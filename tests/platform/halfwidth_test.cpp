#include "platform/HalfWidth.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char *name;
    QString input;
    QString expected;
};

TEST(HalfWidth, MapsTheListedClassesAndLeavesTheRest)
{
    const Row rows[] = {
        {"full-width letters, digits and ideographic space", u"ＡＢＣ　１２３"_qs, u"ABC 123"_qs},
        {"full-width ASCII signs", u"！＂＃＄％＆＇（）＊＋，－．／：；＜＝＞？＠［＼］＾＿｀｛｜｝～"_qs,
         u"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~"_qs},
        {"voiced katakana split into base and mark", u"ヤマダ"_qs, u"ﾔﾏﾀﾞ"_qs},
        {"semi-voiced mark", u"ポプラ"_qs, u"ﾎﾟﾌﾟﾗ"_qs},
        {"punctuation and long vowel", u"、。「」・ー"_qs, u"､｡｢｣･ｰ"_qs},
        {"hiragana unchanged", u"やまだ"_qs, u"やまだ"_qs},
        {"kanji unchanged", u"山田"_qs, u"山田"_qs},
        {"half width unchanged", u"03-1234-5678"_qs, u"03-1234-5678"_qs},
        {"full-width telephone", u"０３－１２３４－５６７８"_qs, u"03-1234-5678"_qs},
        {"bullets kept", u"■○→│"_qs, u"■○→│"_qs},
        {"postal mark kept", u"〒"_qs, u"〒"_qs},
        {"empty", QString(), QString()},
        {"lone surrogate passes through", QString(QChar(0xD800)) + u"Ａ"_qs,
         QString(QChar(0xD800)) + u"A"_qs},
    };
    for (const Row &row : rows)
        EXPECT_EQ(toHalfWidth(row.input), row.expected) << row.name;
}

TEST(HalfWidth, ConvertsLongTextsWhole)
{
    // Longer than the 255 characters a fixed buffer would keep.
    const QString input = QString(u"ダ"_qs).repeated(300);
    const QString output = toHalfWidth(input);
    EXPECT_EQ(output.size(), 600);
    EXPECT_EQ(output, QString(u"ﾀﾞ"_qs).repeated(300));
}

TEST(HalfWidth, IsSettledAfterOneConversion)
{
    const QString mixed = u"東京都港区芝１－２－３　ＡＢビル５Ｆ　ガーデン"_qs;
    const QString once = toHalfWidth(mixed);
    EXPECT_EQ(toHalfWidth(once), once);
}

} // namespace
