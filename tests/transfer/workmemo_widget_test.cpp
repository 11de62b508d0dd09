#include "transfer/WorkMemoWrapper.h"

#include "transfer/Transfer.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>

#include <gtest/gtest.h>

namespace {

QFont memoFont()
{
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(kWorkMemoFontPixelSize);
    return font;
}

TEST(WorkMemoWrapper, MeasuresWithIPAPGothicAtElevenPixels)
{
    const QFont font = memoFont();
    EXPECT_EQ(QFontInfo(font).family(), u"IPAPGothic"_qs);
    EXPECT_EQ(QFontMetrics(font).horizontalAdvance(u"東"_qs), 11);
}

TEST(WorkMemoWrapper, SixtyKanjiBreakAfterTheFiftieth)
{
    const QString kanji = u"東京都港区芝公園"_qs;
    QString line;
    for (int i = 0; i < 60; ++i)
        line.append(kanji.at(i % kanji.size()));
    const QStringList pieces = workMemoWrapper()(line);
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_EQ(pieces.at(0), line.left(50));
    EXPECT_EQ(pieces.at(1), line.mid(50));
}

TEST(WorkMemoWrapper, OrdinaryLinesStayWhole)
{
    const LineWrapper wrap = workMemoWrapper();
    const QString rows[] = {
        u"東京都港区芝公園一丁目二番三号　ＡＢＣビルディング１２３４号室"_qs,
        u"お名前：山田太郎 様"_qs,
        u"Tokyo-to Minato-ku Shibakoen 1-2-3, ABC Building Room 1234, Japan 105-0011"_qs,
    };
    for (const QString &line : rows)
        EXPECT_EQ(wrap(line), QStringList{line}) << line.toStdString();
}

TEST(WorkMemoWrapper, LongLatinTextBreaksAtABlankWithinTheTextArea)
{
    const QString word = u"Minato-ku "_qs;
    const QString line = word.repeated(20).trimmed();
    const QStringList pieces = workMemoWrapper()(line);
    ASSERT_GE(pieces.size(), 2);
    const QFontMetrics metrics(memoFont());
    for (const QString &p : pieces) {
        EXPECT_LE(metrics.horizontalAdvance(p.trimmed()), kWorkMemoTextWidth) << p.toStdString();
        EXPECT_TRUE(p.startsWith(u"Minato"_qs)) << p.toStdString();
    }
    EXPECT_EQ(pieces.join(QString()), line);
}

TEST(WorkMemoWrapper, TransferClassifiesEachPieceOfAWrappedLine)
{
    // Kanji only: each is 11 pixels, so the break falls after the 50th.
    const QString line = u"東京都千代田区丸内一丁目九番二号株式会社見本商事営業本部第二営業部販売促進課"
                         u"総務経理人事企画開発品質管理室北棟四十一階中"_qs;
    ASSERT_EQ(line.size(), 60);
    const TransferResult r = runTransfer({line, u"山田太郎"_qs}, workMemoWrapper());
    EXPECT_EQ(r.memoLines.mid(0, 3), (QStringList{line.left(50), line.mid(50), u"山田太郎"_qs}));
    EXPECT_EQ(r.add1, line.left(50));
    EXPECT_EQ(r.add2, line.mid(50));
    EXPECT_EQ(r.custo1, u"山田太郎"_qs);
}

} // namespace
