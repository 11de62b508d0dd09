// The transfer panel in the main window: order text pasted into Memo1
// through the clipboard, the transfer button pressed, the destination
// fields, the memo's colour and the focus checked; the mail and web buttons.
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QColor kSilver(0xC0, 0xC0, 0xC0);

class TransferPanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        Dialogs::setTestMode(true);
        TForm_Main::todayProvider = [] { return QDate(2026, 12, 9); };
        w = std::make_unique<TForm_Main>(dir.path());
        w->show();
        QApplication::setActiveWindow(w.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }

    void TearDown() override
    {
        w.reset();
        Dialogs::resetForTest();
        TForm_Main::todayProvider = [] { return QDate::currentDate(); };
    }

    // Copies text to the clipboard and pastes it into the memo.
    void pasteIntoMemo(const QString &text)
    {
        QApplication::clipboard()->setText(text);
        QTest::mouseClick(w->Memo1->viewport(), Qt::LeftButton);
        w->Memo1->paste();
        QApplication::processEvents();
    }

    void pressTransfer()
    {
        QTest::mouseClick(w->BitBtn_1, Qt::LeftButton);
        QApplication::processEvents();
    }

    QColor memoColour() const { return w->Memo1->palette().color(QPalette::Base); }

    QTemporaryDir dir;
    std::unique_ptr<TForm_Main> w;
};

TEST_F(TransferPanelTest, PastedOrderTextFillsTheDestination)
{
    EXPECT_EQ(memoColour(), kSilver);
    pasteIntoMemo(QStringLiteral("お名前：山田太郎 様\r\n〒123-4567\r\n東京都港区芝1-2-3\r\n"
                                 "電話番号：03-1234-5678\r\nyamada@example.com\r\n"));
    EXPECT_NE(memoColour(), kSilver);

    pressTransfer();

    EXPECT_EQ(w->Edit_Custo1->text(), QStringLiteral("山田太郎"));
    EXPECT_EQ(w->Edit_Zip->text(), QStringLiteral("123-4567"));
    EXPECT_EQ(w->Edit_Add1->text(), QStringLiteral("東京都港区芝1-2-3"));
    EXPECT_EQ(w->Edit_Add2->text(), QString());
    EXPECT_EQ(w->Edit_Add3->text(), QString());
    EXPECT_EQ(w->Edit_tel->text(), QStringLiteral("03-1234-5678"));
    EXPECT_EQ(w->Memo1->toPlainText(),
              QStringLiteral("山田太郎\n123-4567\n東京都港区芝1-2-3\n03-1234-5678\n\n\n"));
    EXPECT_NE(memoColour(), kSilver);
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_Zip);
    EXPECT_EQ(w->Label_Warning->text(), QString());
    EXPECT_EQ(Dialogs::shownTexts(), QStringList());
}

TEST_F(TransferPanelTest, FullWidthTelephoneArrivesInHalfWidth)
{
    pasteIntoMemo(QStringLiteral("ＴＥＬ：０３－１２３４－５６７８\n〒１２３－４５６７"));
    pressTransfer();
    EXPECT_EQ(w->Edit_tel->text(), QStringLiteral("03-1234-5678"));
    EXPECT_EQ(w->Edit_Zip->text(), QStringLiteral("123-4567"));
    EXPECT_EQ(w->Memo1->toPlainText(), QStringLiteral("０３－１２３４－５６７８\n123-4567\n\n\n\n\n"));
}

// The rewritten memo shows its first line from the left, with the caret at
// the start, however far the paste had scrolled it.
TEST_F(TransferPanelTest, RewrittenMemoShowsItsStart)
{
    QString text;
    for (int i = 1; i <= 5; ++i)
        text += QStringLiteral("品目%1\n").arg(i);
    // Last, so the paste leaves the caret at its far end.
    text += QString(u"山"_qs).repeated(45) + QStringLiteral("一丁目");
    pasteIntoMemo(text);
    ASSERT_GT(w->Memo1->verticalScrollBar()->value(), 0);
    ASSERT_GT(w->Memo1->horizontalScrollBar()->value(), 0);

    pressTransfer();

    EXPECT_EQ(w->Memo1->textCursor().position(), 0);
    EXPECT_EQ(w->Memo1->verticalScrollBar()->value(), 0);
    EXPECT_EQ(w->Memo1->horizontalScrollBar()->value(), 0);
}

// Text copied from Windows programs ends its lines in CR LF; each such pair
// is one line break, so the tenth pasted line is still among the sixteen
// memo lines the transfer looks at.
TEST_F(TransferPanelTest, CrLfPasteCountsOneLinePerLine)
{
    QString text;
    for (int i = 1; i <= 9; ++i)
        text += QStringLiteral("user%1@example.com\r\n").arg(i);
    text += QStringLiteral("山田太郎\r\n");
    pasteIntoMemo(text);
    EXPECT_EQ(w->Memo1->document()->blockCount(), 11);

    pressTransfer();

    EXPECT_EQ(w->Edit_Custo1->text(), QStringLiteral("山田太郎"));
    EXPECT_EQ(Dialogs::shownTexts(), QStringList());
}

TEST_F(TransferPanelTest, NothingToTransferKeepsTheDestination)
{
    w->Edit_Zip->setText(QStringLiteral("999-9999"));
    w->Edit_Custo1->setText(QStringLiteral("前の客"));
    pasteIntoMemo(QStringLiteral("   \n\nyamada@example.com\n"));

    pressTransfer();

    EXPECT_EQ(Dialogs::shownTexts(), QStringList{QStringLiteral("転送テキストがありません")});
    EXPECT_EQ(w->Memo1->toPlainText(), QString());
    EXPECT_EQ(memoColour(), kSilver);
    EXPECT_EQ(w->Edit_Zip->text(), QStringLiteral("999-9999"));
    EXPECT_EQ(w->Edit_Custo1->text(), QStringLiteral("前の客"));
    EXPECT_NE(QApplication::focusWidget(), w->Edit_Zip);
}

TEST_F(TransferPanelTest, LongFirstAddressRaisesTheWarning)
{
    const QString address = QStringLiteral("港区芝公園一丁目二番三号見本ビルディング東館二十三階総務部第二営業部販売促進課御中宛");
    pasteIntoMemo(QStringLiteral("東京都\n") + address + QStringLiteral("\n山田太郎"));
    pressTransfer();
    EXPECT_EQ(w->Edit_Add1->text(), QStringLiteral("東京都") + address);
    EXPECT_GT(w->Edit_Add1->text().size(), 40);
    EXPECT_EQ(w->Label_Warning->text(),
              QStringLiteral("警告:おところ①の文字数が多すぎます。　おところ②へ分割してください"));
}

TEST_F(TransferPanelTest, PastingFullWidthIntoTheTelephoneFieldConvertsIt)
{
    QApplication::clipboard()->setText(QStringLiteral("０３－１２３４－５６７８"));
    w->Edit_tel->setFocus(Qt::MouseFocusReason);
    w->Edit_tel->paste();
    EXPECT_EQ(w->Edit_tel->text(), QStringLiteral("03-1234-5678"));
}

TEST_F(TransferPanelTest, TabLeavesTheMemoInsteadOfTypingATab)
{
    pasteIntoMemo(QStringLiteral("山田太郎"));
    ASSERT_TRUE(w->Memo1->hasFocus());
    QTest::keyClick(w->Memo1, Qt::Key_Tab);
    EXPECT_EQ(w->Memo1->toPlainText(), QStringLiteral("山田太郎"));
    EXPECT_FALSE(w->Memo1->hasFocus());
}

TEST_F(TransferPanelTest, ClearButtonEmptiesOnlyTheMemo)
{
    w->Edit_Custo1->setText(QStringLiteral("山田太郎"));
    pasteIntoMemo(QStringLiteral("東京都"));
    QTest::mouseClick(w->BitBtn_MemoCLS, Qt::LeftButton);
    EXPECT_EQ(w->Memo1->toPlainText(), QString());
    EXPECT_EQ(memoColour(), kSilver);
    EXPECT_EQ(w->Edit_Custo1->text(), QStringLiteral("山田太郎"));
}

TEST_F(TransferPanelTest, MailAndWebButtonsHandTheirLinksOver)
{
    LinkRecorder links;
    w->Edit_Custo1->setText(QStringLiteral("山田太郎"));
    QTest::mouseClick(w->BitBtn_SendMail, Qt::LeftButton);
    QTest::mouseClick(w->BitBtn_WebHelp, Qt::LeftButton);
    EXPECT_EQ(links.links(),
              (QStringList{QStringLiteral("mailto:support@kanro.example?subject=Kanroへの問い合わせ&cc=&bcc=&"),
                           QStringLiteral("https://kanro.example/")}));
    EXPECT_EQ(w->Edit_Custo1->text(), QStringLiteral("山田太郎"));
    EXPECT_EQ(w->BitBtn_SendMail->text(), QStringLiteral("E-Mail"));
    EXPECT_EQ(w->BitBtn_SendMail->toolTip(), QStringLiteral("support@kanro.example"));
    EXPECT_EQ(w->BitBtn_WebHelp->toolTip(), QStringLiteral("kanro.example"));
}

} // namespace
