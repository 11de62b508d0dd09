#include "transfer/LineWrap.h"

#include <gtest/gtest.h>

namespace {

// One pixel per character: widths read as character counts.
QStringList wrapAt(const QString &line, int width)
{
    return wrapToWidth(line, width, [](QStringView) { return 1; });
}

TEST(LineWrap, BreaksLikeAnEditBox)
{
    struct Row {
        const char *name;
        QString line;
        int width;
        QStringList expected;
    } rows[] = {
        {"fits", u"abcde"_qs, 5, {u"abcde"_qs}},
        {"character break without blanks", u"abcdefg"_qs, 3, {u"abc"_qs, u"def"_qs, u"g"_qs}},
        {"word break keeps the blank on the first piece", u"ab cd ef"_qs, 5,
         {u"ab cd "_qs, u"ef"_qs}},
        {"blanks hang past the margin", u"abcde   f"_qs, 5, {u"abcde   "_qs, u"f"_qs}},
        {"long word after a short one moves, then breaks", u"ab cdefgh"_qs, 4,
         {u"ab "_qs, u"cdef"_qs, u"gh"_qs}},
        {"ideographic space is a break", u"山田　太郎様"_qs, 4, {u"山田　"_qs, u"太郎様"_qs}},
        {"empty line stays one empty piece", QString(), 5, {QString()}},
        {"zero width still advances", u"ab"_qs, 0, {u"a"_qs, u"b"_qs}},
    };
    for (const Row &r : rows)
        EXPECT_EQ(wrapAt(r.line, r.width), r.expected) << r.name;
}

TEST(LineWrap, KeepsSurrogatePairsAndClustersWhole)
{
    const QString yoshi = u"𠮷"_qs;
    EXPECT_EQ(wrapAt(yoshi + yoshi + yoshi, 2), (QStringList{yoshi + yoshi, yoshi}));
    const QString ga = u"か\u3099"_qs; // base and combining voiced mark
    EXPECT_EQ(wrapAt(ga + ga, 1), (QStringList{ga, ga}));
}

TEST(LineWrap, FixedWidthWrapperCountsFullWidthDouble)
{
    const LineWrapper wrap = fixedWidthWrapper(10, 1, 2);
    EXPECT_EQ(wrap(u"山田太郎さま"_qs), (QStringList{u"山田太郎さ"_qs, u"ま"_qs}));
    EXPECT_EQ(wrap(u"ab山田太郎c"_qs), (QStringList{u"ab山田太郎"_qs, u"c"_qs}));
}

TEST(LineWrap, PiecesJoinBackToTheLine)
{
    const QString line = u"東京都港区芝公園一丁目二番三号　ＡＢＣビルディング　１２３４号室 room 5F"_qs;
    for (int width = 1; width < 40; ++width) {
        const QStringList pieces = wrapAt(line, width);
        EXPECT_EQ(pieces.join(QString()), line) << width;
        for (const QString &p : pieces)
            EXPECT_FALSE(p.isEmpty()) << width;
    }
}

} // namespace
