// An order mail pasted and transferred fills the destination and the detail
// rows: names, options, units, marks, amounts, the tax mode and the total; a
// mail with more rows than the note leaves them out with a notice and says
// by how much the totals differ; rows already typed are replaced only when
// the operator says so; with the word-list rules the rows stay untouched.
#include "WindowFixture.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "printers.h"
#include "transfer/OrderLines.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <gtest/gtest.h>

namespace {

class OrderRowsWindow : public WindowFixture
{
protected:
    QStringList row(int i) const
    {
        return {w->Edit_itemNo[i]->text(),
                w->Edit_item[i]->text(),
                w->KiNumEdit_QTY[i]->Text(),
                w->Edit_unit[i]->text(),
                w->KiNumEdit_Price[i]->Text(),
                w->KiNumEdit_Sales[i]->Text(),
                w->CheckBox_Reduced[i]->isChecked() ? u"軽"_qs : QString()};
    }
};

TEST_F(OrderRowsWindow, PasteFillsRowsTaxModeAndTotal)
{
    w->Memo1->setPlainText(u"【お届け先】\nお名前：山田 太郎 様\n郵便番号：1500001\n"
                           "住所：東京都渋谷区神宮前1-2-3\n電話番号：090-1234-5678\n\n"
                           "【ご注文商品】\n商品名：※八女玉露 極 50g\nオプション：のし：御中元\n"
                           "単価：3,240円（税込）\n数量：2個\n\n"
                           "商品名：有田焼 急須\n単価：4,400円（税込）\n数量：1\n\n"
                           "送料：880円\nクーポン割引：-500円\nお支払い金額：11,260円\n"
                           "※は軽減税率対象商品です\n"_qs);
    w->BitBtn_1->click();
    EXPECT_EQ(w->Edit_Custo1->text(), u"山田 太郎"_qs);
    EXPECT_EQ(row(1), (QStringList{u"八女玉露 極 50g"_qs, u"のし：御中元"_qs, u"2"_qs, u"個"_qs,
                                   u"3240"_qs, u"6480"_qs, u"軽"_qs}));
    EXPECT_EQ(row(2),
              (QStringList{u"有田焼 急須"_qs, {}, u"1"_qs, {}, u"4400"_qs, u"4400"_qs, {}}));
    EXPECT_EQ(row(3), (QStringList{u"送料"_qs, {}, u"1"_qs, {}, u"880"_qs, u"880"_qs, {}}));
    EXPECT_EQ(row(4),
              (QStringList{u"クーポン割引"_qs, {}, u"1"_qs, {}, u"-500"_qs, u"-500"_qs, {}}));
    EXPECT_EQ(row(5)[0], QString());
    EXPECT_EQ(w->ComboBox_TaxIncl->currentIndex(), 1) << "prices with tax: a tax-inclusive note";
    EXPECT_EQ(w->KiNumEdit_sttl->Text(), u"11260"_qs);
    EXPECT_TRUE(w->StatusBar1->currentMessage().isEmpty())
        << w->StatusBar1->currentMessage().toStdString();
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty());
    // KANRO_SCREENSHOT_DIR set: a picture of the filled note to look at.
    if (const QString out = qEnvironmentVariable("KANRO_SCREENSHOT_DIR"); !out.isEmpty())
        w->grab().save(out + u"/order-rows.png"_qs);

    // Twelve items over typed rows: declined first, then accepted.
    QString twelve;
    for (int i = 1; i <= 12; ++i)
        twelve += u"商品名：煎茶 %1\n単価：1,000円\n数量：1\n\n"_qs.arg(i);
    twelve += u"合計：12,000円（税込）\n"_qs;
    w->Memo1->setPlainText(twelve);
    Dialogs::pushAnswer(false);
    w->BitBtn_1->click();
    EXPECT_EQ(Dialogs::shownTexts(), QStringList{QString::fromUtf16(kReplaceRowsQuestion)});
    EXPECT_EQ(row(1)[0], u"八女玉露 極 50g"_qs) << "declined: the typed rows stay";
    EXPECT_EQ(w->StatusBar1->currentMessage(), u"明細は転記していません"_qs);

    Dialogs::pushAnswer(true);
    w->BitBtn_1->click();
    EXPECT_EQ(
        Dialogs::shownTexts().last(),
        u"注文の明細は 12 行あります。納品書には 10 行まで転記し、残りの 2 行は転記していません"_qs);
    EXPECT_EQ(row(10), (QStringList{u"煎茶 10"_qs, {}, u"1"_qs, {}, u"1000"_qs, u"1000"_qs, {}}));
    EXPECT_EQ(w->KiNumEdit_sttl->Text(), u"10000"_qs);
    EXPECT_EQ(w->StatusBar1->currentMessage(),
              u"注文の合計 ¥12,000 と納品書の税込合計 ¥10,000 が ¥2,000 違います"_qs);

    // An item named without a price leaves its price cell to the operator.
    w->Memo1->setPlainText(u"・番茶　3袋\n"_qs);
    Dialogs::pushAnswer(true);
    w->BitBtn_1->click();
    EXPECT_EQ(row(1)[0], u"番茶"_qs);
    EXPECT_EQ(row(1)[2], u"3"_qs);
    EXPECT_EQ(row(1)[4], QString());

    // The word-list rules leave the rows alone.
    w->ComboBox_TrMode->setCurrentIndex(0);
    w->Memo1->setPlainText(u"商品名：玉露\n単価：3,000円\n数量：1\n"_qs);
    w->BitBtn_1->click();
    EXPECT_EQ(row(1)[0], u"番茶"_qs);
}

} // namespace
