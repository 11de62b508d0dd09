// The dictionary transfer in the window: TrMode missing means the dictionary
// transfer; an order mail pasted and transferred fills the destination and
// names the empty fields in the status line; leaving Edit_Zip with a known
// code fills the empty first address line; the operator's choice of rules is
// stored as "TrMode" and nothing else in the settings file changes.
#include "WindowFixture.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "mainwindow/NoteSettings.h"
#include "printers.h"
#include "transfer/Transfer.h"

#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class DictionaryTransferWindow : public WindowFixture
{
};

TEST_F(DictionaryTransferWindow, MailToDestinationAndZipFill)
{
    ASSERT_EQ(w->ComboBox_TrMode->currentIndex(), 1) << "no TrMode key: dictionary transfer";
    w->Memo1->setPlainText(u"【ご注文者】\nお名前：佐藤 花子\n電話番号：080-1111-2222\n"
                           "【お届け先】\nお名前：山田 太郎 様\n郵便番号：1500001\n"
                           "住所：東京都渋谷区神宮前1-2-3 青山ハイツ101\n"
                           "【ご注文内容】\n煎茶 100g × 2\n"_qs);
    w->BitBtn_1->click();
    EXPECT_EQ(w->Edit_Zip->text(), u"150-0001"_qs);
    EXPECT_EQ(w->Edit_Add1->text(), u"東京都渋谷区神宮前"_qs);
    EXPECT_EQ(w->Edit_Add2->text(), u"1-2-3 青山ハイツ101"_qs);
    EXPECT_EQ(w->Edit_Custo1->text(), u"山田 太郎"_qs);
    EXPECT_EQ(w->Edit_tel->text(), QString())
        << "the destination has none, and the orderer's is another person's";
    EXPECT_EQ(w->StatusBar1->currentMessage(), u"転記できなかった欄：電話番号"_qs);

    w->Memo1->setPlainText(u"お名前：山田 太郎\n"_qs);
    w->BitBtn_1->click();
    EXPECT_EQ(w->StatusBar1->currentMessage(), u"転記できなかった欄：郵便番号、住所、電話番号"_qs);

    // Leaving Edit_Zip with a known code and an empty first address line.
    w->Edit_Add1->clear();
    w->Edit_Zip->setFocus(Qt::TabFocusReason);
    w->Edit_Zip->setText(u"100-0004"_qs);
    w->Edit_Add2->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(w->Edit_Add1->text(), u"東京都千代田区大手町"_qs);

    // A town that does not belong to the code warns in the status line.
    w->Edit_Zip->setFocus(Qt::TabFocusReason);
    w->Edit_Zip->setText(u"150-0001"_qs);
    w->Edit_Add2->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(w->StatusBar1->currentMessage(), u"郵便番号 150-0001 と住所の町域が一致しません"_qs);
}

TEST_F(DictionaryTransferWindow, ChoiceStoredOnlyWhenChanged)
{
    const QString ini = settingsPath(dir.path());
    auto stored = [&] {
        QFile f(ini);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    EXPECT_FALSE(stored().contains("TrMode")) << "nothing written before the operator chooses";
    w->ComboBox_TrMode->setCurrentIndex(0);
    emit w->ComboBox_TrMode->activated(0);
    EXPECT_FALSE(readDictionaryTransfer(ini));
    w->Memo1->setPlainText(u"氏名：佐藤 一郎\n郵便番号：812-0011\n"_qs);
    w->BitBtn_1->click();
    EXPECT_EQ(w->Memo1->toPlainText().count(u'\n'), kWorkingLines - 1)
        << "TrMode 0: the word-list transfer leaves its seven working lines";
}

} // namespace
