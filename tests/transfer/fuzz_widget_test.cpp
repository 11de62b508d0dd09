// Random and adversarial memo texts through the whole transfer, with the
// fixed-width wrapper and with the work memo's real font: the transfer must
// always finish with a well-formed result.
#include "transfer/Transfer.h"

#include "transfer/LineTests.h"
#include "transfer/WorkMemoWrapper.h"

#include "printers.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <random>

namespace {

// Pieces the generator strings together: label words, digits of both
// widths, blanks, controls, line breaks, lone and paired surrogates,
// combining marks, mail and web fragments, prefecture names.
const QStringList &alphabet()
{
    static const QStringList pieces = [] {
        QStringList p = labelWords();
        p << prefectureNames().mid(0, 5);
        p << u"0"_qs << u"1"_qs << u"9"_qs << u"-"_qs << u"０"_qs << u"５"_qs << u"－"_qs
          << u" "_qs << u"　"_qs << u"\t"_qs << u"\r"_qs << u"\n"_qs << u"\r\n"_qs << u"\u2028"_qs
          << u"@"_qs << u".co"_qs << u".jp"_qs << u"ビル"_qs << u"ﾋﾞﾙ"_qs << u"ダ"_qs << u"ヴ"_qs
          << u"山田"_qs << u"太郎"_qs << u"港区芝"_qs << u"F"_qs << u"Ｆ"_qs << u"．"_qs << u"，"_qs
          << u"𠮷"_qs << u"\u3099"_qs << u"\u200B"_qs << u"\uFEFF"_qs << u"\uFFFF"_qs;
        p << QString(QChar(0)) << QString(QChar(0x1F)) << QString(QChar(0x7F))
          << QString(QChar(0xD800)) << QString(QChar(0xDC00)) << QString(QChar(0xDBFF));
        return p;
    }();
    return pieces;
}

QString randomText(std::mt19937 &rng, int pieces)
{
    const QStringList &a = alphabet();
    std::uniform_int_distribution<qsizetype> pick(0, a.size() - 1);
    QString text;
    for (int i = 0; i < pieces; ++i)
        text += a.at(pick(rng));
    return text;
}

QString randomMemo(std::mt19937 &rng)
{
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> small(0, 60);
    switch (kind(rng)) {
    case 0: // one very long line
        return randomText(rng, 3000 + small(rng) * 100);
    case 1: // only blanks and breaks
        return QString(u" 　\t\r\n"_qs).repeated(small(rng) + 1);
    case 2: { // random code units, surrogates included
        std::uniform_int_distribution<int> unit(0, 0xFFFF);
        QString text;
        for (int i = 0, n = small(rng) * 10; i < n; ++i)
            text += QChar(static_cast<char16_t>(unit(rng)));
        return text;
    }
    case 3: // many short lines
        return randomText(rng, 200);
    default:
        return randomText(rng, small(rng));
    }
}

void checkWellFormed(const QString &memo, const TransferResult &r)
{
    SCOPED_TRACE(memo.left(200).toStdString());
    if (r.nothingToTransfer) {
        EXPECT_TRUE(r.memoLines.isEmpty());
        EXPECT_TRUE((r.zip + r.add1 + r.add2 + r.custo1 + r.tel).isEmpty());
        return;
    }
    ASSERT_EQ(r.memoLines.size(), kWorkingLines);
    for (const QString &line : r.memoLines) {
        // Half-width conversion may split voiced kana in two.
        EXPECT_LE(line.size(), 2 * kMemoLineLimit);
        EXPECT_FALSE(line.contains(u'\n') || line.contains(u'\r'));
    }
    for (const QString &field : {r.zip, r.add1, r.add2, r.custo1, r.tel})
        EXPECT_FALSE(field.contains(u'\n') || field.contains(u'\r'));
    EXPECT_EQ(zipTelConverted(r.zip), std::nullopt);
    EXPECT_EQ(zipTelConverted(r.tel), std::nullopt);
    // A transfer of the prepared memo finishes as well.
    const TransferResult again = runTransfer(r.memoLines, fixedWidthWrapper(kWorkMemoTextWidth));
    EXPECT_EQ(again.memoLines.size(), again.nothingToTransfer ? 0 : kWorkingLines);
}

TEST(TransferFuzz, RandomMemosWithBothWrappers)
{
    std::mt19937 rng(20261209);
    const LineWrapper wrappers[] = {fixedWidthWrapper(kWorkMemoTextWidth, 6, 11),
                                    workMemoWrapper(), fixedWidthWrapper(1)};
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 300; ++i) {
        const QString memo = randomMemo(rng);
        const LineWrapper &wrap = wrappers[i % 3];
        checkWellFormed(memo, runTransferOnText(memo, wrap));
    }
    EXPECT_LT(timer.elapsed(), 120000);
}

TEST(TransferFuzz, AdversarialMemos)
{
    const QString rows[] = {
        QString(),
        QString(100000, u'1'),
        QString(100000, u'　'),
        QString(50000, u'ダ'),
        (QString(u"123-4567"_qs) + QString(5000, u'東')).repeated(3),
        QString(u"\n"_qs).repeated(10000),
        QString(u"様\n"_qs).repeated(20),
        QString(u"@\n"_qs).repeated(16) + u"山田太郎"_qs,
        QString(QChar(0xD800)).repeated(9) + u"\n"_qs + QString(QChar(0xDC00)).repeated(9),
        u"12345678"_qs + QString(QChar(0xD842)) + QString(100, u'x'),
        u"1234567"_qs + QString(80, u'a') + u"𠮷𠮷"_qs,
        QString(QChar(0)).repeated(20),
    };
    const LineWrapper wrap = workMemoWrapper();
    for (const QString &memo : rows)
        checkWellFormed(memo, runTransferOnText(memo, wrap));
}

// The rest of a split is cut at 80 characters; the cut never leaves the first
// half of a surrogate pair behind.
TEST(TransferFuzz, SplitRestKeepsSurrogatePairsWhole)
{
    const QString line = u"123-4567"_qs + QString(79, u'a') + u"𠮷"_qs + u"b"_qs;
    const TransferResult r = runTransfer({line, u"様"_qs}, fixedWidthWrapper(100000));
    ASSERT_EQ(r.memoLines.size(), kWorkingLines);
    EXPECT_EQ(r.memoLines.at(1), QString(79, u'a'));
}

} // namespace
