// The main window on the offscreen platform: start-up and shutdown against a
// settings file in a temporary working directory, the note's live
// arithmetic, tab changes, keyboard navigation and focus painting.
#include "platform/ImeMode.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Beep.h"
#include "platform/Dialogs.h"
#include "FakeSpooler.h"
#include "platform/ProfileFile.h"
#include "printer/VoPrinters.h"
#include "printing/PrinterRegistration.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kSection = QStringLiteral("Kn_Vey_1prn");
const QColor kSkyBlue(0xA6, 0xCA, 0xF0);

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        Dialogs::setTestMode(true);
        TForm_Main::todayProvider = [] { return QDate(2026, 12, 9); };
    }

    void TearDown() override
    {
        w.reset();
        Dialogs::resetForTest();
        TForm_Main::todayProvider = [] { return QDate::currentDate(); };
    }

    QString iniPath() const { return dir.filePath(QStringLiteral("Kanro_Vey_1.ini")); }

    void putFile(const QByteArray &bytes)
    {
        QFile f(iniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    void start()
    {
        w = std::make_unique<TForm_Main>(dir.path());
        w->show();
        QApplication::setActiveWindow(w.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }

    // Puts the focus into a field as the operator would.
    void focus(QWidget *target)
    {
        target->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }

    void press(int key) { QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key)); }

    void type(QWidget *field, const QString &text)
    {
        focus(field);
        QTest::keyClicks(QApplication::focusWidget(), text);
    }

    // The field the focus is in (a date picker rather than its inner edit).
    QWidget *focused() const
    {
        QWidget *f = QApplication::focusWidget();
        for (QWidget *p = f; p; p = p->parentWidget()) {
            if (qobject_cast<QDateEdit *>(p))
                return p;
        }
        return f;
    }

    QString stored(const QString &key) const
    {
        return ProfileFile(iniPath()).readString(kSection, key, QStringLiteral("<missing>"));
    }

    QTemporaryDir dir;
    std::unique_ptr<TForm_Main> w;
};

QColor colourOf(QWidget *w)
{
    if (auto *n = qobject_cast<TKiNumEdit *>(w))
        return n->Color();
    return w->palette().color(QPalette::Base);
}

TEST_F(MainWindowTest, FirstStartWithoutSettingsFileTakesTheDefaults)
{
    start();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Kanro　< A5 納品書 印刷　> ver1.12"));
    EXPECT_EQ(w->Edit_021[0]->text(), QStringLiteral("納品書　兼　請求書"));
    // Today's rates: 8 % before 2019/10/01, 10 % since.
    EXPECT_EQ(w->KiNumEdit_TaxOld->Text(), QStringLiteral("8"));
    EXPECT_EQ(w->KiNumEdit_TaxNew->Text(), QStringLiteral("10"));
    EXPECT_EQ(w->DateTimePicker_TaxEnforDate->date(), QDate(2019, 10, 1));
    EXPECT_EQ(w->KiNumEdit_TaxReduced->Text(), QStringLiteral("8"));
    EXPECT_EQ(w->Edit_TaxRegNo->text(), QString());
    EXPECT_EQ(w->DateTimePicker_1->date(), QDate(2026, 12, 9));
    EXPECT_EQ(w->ComboBox_Paper->currentIndex(), 0);
    EXPECT_EQ(w->ComboBox_SEL->currentIndex(), 0);
    EXPECT_FALSE(w->CheckBox_NewPage->isChecked());
    EXPECT_TRUE(w->CheckBox_Date_1->isChecked());
    EXPECT_TRUE(w->CheckBox2->isChecked());
    EXPECT_FALSE(w->CheckBox_Recp->isChecked());
    EXPECT_EQ(w->Edit_TxDisp->text(), QStringLiteral("0"));
    EXPECT_EQ(w->KiNumEdit_BUSUU->Text(), QStringLiteral("1"));
    EXPECT_EQ(w->wSLPMAX, 10);
    EXPECT_EQ(w->Label_xTax->text(), QStringLiteral("0.1"));
    EXPECT_EQ(w->Label_stax->text(), QStringLiteral("消費税 10%"));
    EXPECT_EQ(w->KiNumEdit_sttl->Text(), QStringLiteral("0"));
    EXPECT_EQ(w->StatusBar1->currentMessage(), QStringLiteral("  "));
    EXPECT_EQ(w->Label_CurrentDir->text(), dir.path());
    for (int i = 1; i <= 12; ++i) {
        // F3 "得意先", F4 "商品", F5 "前回"; F8 "軽減"; F9 "履歴" and F10 follow F11
        const bool on = (i >= 2 && i <= 5) || i == 8 || i == 9 || i == 10 || i == 11;
        EXPECT_EQ(w->SpeedButton_F[i]->isEnabled(), on) << "F" << i;
    }
    EXPECT_EQ(w->SpeedButton_F[2]->text(), QStringLiteral("中止"));
    EXPECT_EQ(w->SpeedButton_F[11]->text(), QStringLiteral("印刷"));
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_Zip);
    EXPECT_FALSE(QFile::exists(iniPath())) << "reading must not create the file";

    // The first slip number issued without a stored counter is 2; emptying
    // the field and entering it again issues 3.
    focus(w->KiNumEdit_Slipno);
    EXPECT_EQ(w->KiNumEdit_Slipno->Text(), QStringLiteral("2"));
    EXPECT_EQ(stored(QStringLiteral("iSLIPNO")), QStringLiteral("2"));
    focus(w->Edit_Zip);
    w->KiNumEdit_Slipno->setText(QString());
    focus(w->KiNumEdit_Slipno);
    EXPECT_EQ(w->KiNumEdit_Slipno->Text(), QStringLiteral("3"));
    EXPECT_EQ(stored(QStringLiteral("iSLIPNO")), QStringLiteral("3"));
}

TEST_F(MainWindowTest, PreparedCp932FileLoadsAndItsUnknownLinesSurviveShutdown)
{
    const QByteArray original =
        readBytes(QStringLiteral(KANRO_TEST_DATA "/mainwindow_prepared_cp932.ini"));
    ASSERT_FALSE(original.isEmpty());
    putFile(original);
    start();

    EXPECT_EQ(w->Edit_Add1->text(), QStringLiteral("東京都渋谷区神宮前１－２－３"));
    EXPECT_EQ(w->Edit_Custo1->text(), QStringLiteral("山田　太郎 様"));
    EXPECT_EQ(w->Edit_Remark[1]->text(), QStringLiteral("お振込みは月末までに"));
    EXPECT_EQ(w->Edit_021[0]->text(), QStringLiteral("納品書"));
    EXPECT_EQ(w->DateTimePicker_TaxEnforDate->date(), QDate(2014, 4, 1));
    EXPECT_EQ(w->Label_stax->text(), QStringLiteral("消費税 8%"));
    EXPECT_EQ(w->ComboBox_Paper->currentIndex(), 2) << "key written in lower case is found";
    EXPECT_EQ(w->ComboBox_SEL->currentIndex(), 1);
    EXPECT_TRUE(w->CheckBox_NewPage->isChecked());
    EXPECT_EQ(w->ComboBox_ime_Itemno->currentIndex(), 6);
    EXPECT_EQ(imeModeOf(w->Edit_itemNo[1]), TImeMode::imHira);
    EXPECT_EQ(imeModeOf(w->Edit_item[1]), TImeMode::imDisable);
    // Rows come back as stored, amounts included, and nothing is recomputed.
    EXPECT_EQ(w->Edit_itemNo[1]->text(), QStringLiteral("ボールペン"));
    EXPECT_EQ(w->Edit_unit[1]->text(), QStringLiteral("本"));
    EXPECT_EQ(w->KiNumEdit_Sales[1]->Text(), QStringLiteral("3700"));
    EXPECT_EQ(w->KiNumEdit_ssal->Text(), QStringLiteral("0"));
    // The landscape layout: six usable rows.
    EXPECT_EQ(w->wSLPMAX, 6);
    EXPECT_TRUE(w->Edit_itemNo[6]->isEnabled());
    EXPECT_FALSE(w->Edit_itemNo[7]->isEnabled());

    w->close();
    const QByteArray written = readBytes(iniPath());
    ASSERT_FALSE(written.isEmpty());
    EXPECT_FALSE(written.startsWith("\xEF\xBB\xBF")) << "stays CP932";
    EXPECT_FALSE(written.startsWith("\xFF\xFE")) << "stays CP932";
    const QList<QByteArray> before = original.split('\n');
    const QList<QByteArray> after = written.split('\n');
    for (const char *unknown :
         {"Tab_My=2", "OP023My=", "[Kn_Yamatoprn]", "YamatoNo=1234", "Tab_My=0", "; "}) {
        for (const QByteArray &line : before) {
            if (line.startsWith(unknown)) {
                EXPECT_TRUE(after.contains(line)) << line.toStdString();
            }
        }
    }
    EXPECT_EQ(stored(QStringLiteral("E_Rm1")), QStringLiteral("お振込みは月末までに"));
    EXPECT_EQ(stored(QStringLiteral("Comb_Paper")), QStringLiteral("2"));
    EXPECT_EQ(stored(QStringLiteral("Edit_Sales1")), QStringLiteral("3700"));
    EXPECT_EQ(stored(QStringLiteral("Edit_QTY8")), QStringLiteral("2"));
}

TEST_F(MainWindowTest, CloseBoxAndF2YesWriteTheSameFile)
{
    QByteArray results[2];
    for (int way = 0; way < 2; ++way) {
        QFile::remove(iniPath());
        start();
        type(w->Edit_Add1, QStringLiteral("Sapporo 1-2"));
        type(w->Edit_itemNo[2], QStringLiteral("pen"));
        type(w->KiNumEdit_QTY[2], QStringLiteral("4"));
        w->CheckBox_NewPage->setChecked(true);
        if (way == 0) {
            w->close();
            EXPECT_TRUE(Dialogs::shownTexts().isEmpty()) << "the close box asks nothing";
        } else {
            Dialogs::pushAnswer(true);
            focus(w->Edit_Add2);
            press(Qt::Key_F2);
            EXPECT_EQ(Dialogs::shownTexts(), QStringList{QStringLiteral("終了しますか?")});
            EXPECT_FALSE(w->isVisible());
        }
        EXPECT_TRUE(w->shutdownDone());
        results[way] = readBytes(iniPath());
        w.reset();
        Dialogs::resetForTest();
        Dialogs::setTestMode(true);
    }
    EXPECT_FALSE(results[0].isEmpty());
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(stored(QStringLiteral("E_AD1")), QStringLiteral("Sapporo 1-2"));
    EXPECT_EQ(stored(QStringLiteral("Edit_ITEMNO2")), QStringLiteral("pen"));
    EXPECT_EQ(stored(QStringLiteral("Edit_QTY2")), QStringLiteral("4"));
    EXPECT_EQ(stored(QStringLiteral("NewPage")), QStringLiteral("1"));
}

TEST_F(MainWindowTest, DamagedPrinterRegistrationIsReportedAndStartUpStillRestoresTheRows)
{
    auto spooler = std::make_unique<FakeSpooler>();
    spooler->setPrinters({FakePrinter::standard("P0"), FakePrinter::standard("P1")});
    createVoPrinter(std::move(spooler), std::chrono::milliseconds(0));
    struct Release
    {
        ~Release() { destroyVoPrinter(); }
    } release;
    printing::writeRegistration(printing::registrationFilePath(dir.path()),
                                QStringLiteral("手差し"), QStringLiteral("P1"),
                                {QStringLiteral("x"), QStringLiteral("0"), QStringLiteral("0")});
    putFile("[Kn_Vey_1prn]\r\nEdit_ITEMNO1=pen\r\nEdit_QTY1=2\r\nEdit_Price1=300\r\n");
    start();

    ASSERT_FALSE(Dialogs::shownTexts().isEmpty()) << "the damaged index is reported";
    for (const QString &text : Dialogs::shownTexts())
        EXPECT_EQ(text, QStringLiteral("'x' is not a valid integer value"));
    EXPECT_EQ(w->Edit_itemNo[1]->text(), QStringLiteral("pen"));
    EXPECT_EQ(w->wSLPMAX, 10);
    EXPECT_TRUE(w->Edit_itemNo[10]->isEnabled());
    EXPECT_EQ(w->Label_stax->text(), QStringLiteral("消費税 10%"));
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_Zip);

    // The cells are bound: an edit recomputes the row.
    type(w->KiNumEdit_QTY[1], QStringLiteral("3"));
    EXPECT_EQ(w->KiNumEdit_Sales[1]->Text(), QStringLiteral("900"));

    // A tab change reports again and still follows the tab.
    Dialogs::resetForTest();
    Dialogs::setTestMode(true);
    w->PageControl1->setCurrentIndex(1);
    EXPECT_EQ(Dialogs::shownTexts().size(), 1);
    EXPECT_EQ(w->SpeedButton_F[11]->isEnabled(), false);

    w->close();
    EXPECT_EQ(stored(QStringLiteral("Edit_ITEMNO1")), QStringLiteral("pen"));
    EXPECT_EQ(stored(QStringLiteral("Edit_QTY1")), QStringLiteral("3"));
}

TEST_F(MainWindowTest, F2AnsweredNoKeepsRunningWithFocusInPostalCode)
{
    start();
    Dialogs::pushAnswer(false);
    focus(w->Edit_itemNo[3]);
    press(Qt::Key_F2);
    EXPECT_EQ(Dialogs::shownTexts(), QStringList{QStringLiteral("終了しますか?")});
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->shutdownDone());
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_Zip);
    EXPECT_FALSE(QFile::exists(iniPath()));
}

TEST_F(MainWindowTest, F11FollowsTheActiveTab)
{
    start();
    struct Row
    {
        const char *name;
        int tab;
        QString caption;
        bool enabled;
    };
    const Row rows[] = {
        {"print settings tab", 1, QStringLiteral("F11"), false},
        {"tax tab", 2, QStringLiteral("F11"), false},
        {"back to the first tab", 0, QStringLiteral("印刷"), true},
    };
    for (const Row &r : rows) {
        w->Panel_HelpMess->setText(QStringLiteral("x"));
        w->PageControl1->setCurrentIndex(r.tab);
        EXPECT_EQ(w->SpeedButton_F[11]->text(), r.caption) << r.name;
        EXPECT_EQ(w->SpeedButton_F[11]->isEnabled(), r.enabled) << r.name;
        EXPECT_EQ(w->SpeedButton_F[2]->isEnabled(), true) << r.name;
        EXPECT_EQ(w->Panel_HelpMess->text(), QString())
            << r.name << ": a tab change clears the help";
    }
}

TEST_F(MainWindowTest, QuantityAndPriceTypedGiveAmountAndTotalsWithTax)
{
    start();
    type(w->KiNumEdit_QTY[1], QStringLiteral("3"));
    type(w->KiNumEdit_Price[1], QStringLiteral("1200"));
    EXPECT_EQ(w->KiNumEdit_Sales[1]->Text(), QStringLiteral("3600"));
    EXPECT_EQ(w->KiNumEdit_sqty->Text(), QStringLiteral("3"));
    EXPECT_EQ(w->KiNumEdit_ssal->Text(), QStringLiteral("3600"));
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("360"));
    EXPECT_EQ(w->KiNumEdit_sttl->Text(), QStringLiteral("3960"));

    // A price typed into a row without a quantity is wiped at once.
    type(w->KiNumEdit_Price[2], QStringLiteral("5"));
    EXPECT_EQ(w->KiNumEdit_Price[2]->Text(), QString());

    // The rate follows the note date; the tax amount waits for the next edit.
    w->KiNumEdit_TaxOld->setText(QStringLiteral("3"));
    w->DateTimePicker_1->setDate(QDate(1997, 3, 31));
    EXPECT_EQ(w->Label_stax->text(), QStringLiteral("消費税 3%"));
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("360"));
    type(w->KiNumEdit_QTY[1], QStringLiteral("30"));
    EXPECT_EQ(w->KiNumEdit_Sales[1]->Text(), QStringLiteral("36000"));
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("1080"));
}

// Restoring rows raises no change event: a price without a quantity stays
// until the print-time pass names the row and wipes it, and a stored amount
// that is not quantity x price counts as it stands until recomputed.
TEST_F(MainWindowTest, RestoredRowsWaitForThePrintTimePass)
{
    putFile("[Kn_Vey_1prn]\r\nEdit_QTY1=2\r\nEdit_Price1=300\r\nEdit_Sales1=999\r\n"
            "Edit_QTY3=0\r\nEdit_Price3=500\r\nEdit_Sales3=700\r\n");
    start();
    EXPECT_EQ(w->KiNumEdit_Price[3]->Text(), QStringLiteral("500"));
    EXPECT_EQ(w->KiNumEdit_Sales[3]->Text(), QStringLiteral("700"));
    EXPECT_EQ(w->KiNumEdit_Sales[1]->Text(), QStringLiteral("999"));
    for (TKiNumEdit *total : {w->KiNumEdit_sqty, w->KiNumEdit_ssal, w->KiNumEdit_stax,
                              w->KiNumEdit_sttl})
        EXPECT_EQ(total->Text(), QStringLiteral("0")) << total->objectName().toStdString();
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty());

    // The amounts as they stand: 999 + 700.
    w->DEN_SUM();
    EXPECT_EQ(w->KiNumEdit_ssal->Text(), QStringLiteral("1699"));

    w->DEN_SALS_2();
    w->DEN_SUM();
    EXPECT_EQ(Dialogs::shownTexts(),
              QStringList{QStringLiteral("3行目　数量の入力がないので、単価を０にします")});
    EXPECT_EQ(w->KiNumEdit_Price[3]->Text(), QString());
    EXPECT_EQ(w->KiNumEdit_Sales[3]->Text(), QString());
    EXPECT_EQ(w->KiNumEdit_Sales[1]->Text(), QStringLiteral("600"));
    EXPECT_EQ(w->KiNumEdit_sqty->Text(), QStringLiteral("2"));
    EXPECT_EQ(w->KiNumEdit_ssal->Text(), QStringLiteral("600"));
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("60"));
    EXPECT_EQ(w->KiNumEdit_sttl->Text(), QStringLiteral("660"));
}

TEST_F(MainWindowTest, LandscapeLayoutDisablesRowsSevenToTenWhileTheirAmountsCount)
{
    start();
    type(w->KiNumEdit_QTY[8], QStringLiteral("2"));
    type(w->KiNumEdit_Price[8], QStringLiteral("100"));
    ASSERT_EQ(w->KiNumEdit_Sales[8]->Text(), QStringLiteral("200"));

    w->PageControl1->setCurrentIndex(1);
    w->ComboBox_Paper->setCurrentIndex(2);
    EXPECT_TRUE(w->Edit_itemNo[8]->isEnabled()) << "takes effect on the next tab change";
    w->PageControl1->setCurrentIndex(0);
    EXPECT_EQ(w->wSLPMAX, 6);
    for (int i = 1; i <= 10; ++i) {
        const bool on = i <= 6;
        for (QWidget *cell :
             {static_cast<QWidget *>(w->Edit_itemNo[i]), static_cast<QWidget *>(w->Edit_item[i]),
              static_cast<QWidget *>(w->KiNumEdit_QTY[i]), static_cast<QWidget *>(w->Edit_unit[i]),
              static_cast<QWidget *>(w->KiNumEdit_Price[i]),
              static_cast<QWidget *>(w->KiNumEdit_Sales[i])})
            EXPECT_EQ(cell->isEnabled(), on) << cell->objectName().toStdString();
    }
    type(w->KiNumEdit_QTY[1], QStringLiteral("3"));
    type(w->KiNumEdit_Price[1], QStringLiteral("1200"));
    EXPECT_EQ(w->KiNumEdit_sqty->Text(), QStringLiteral("5"));
    EXPECT_EQ(w->KiNumEdit_ssal->Text(), QStringLiteral("3800"));

    // Enter in the price of the last usable row stays there.
    focus(w->KiNumEdit_Price[6]);
    press(Qt::Key_Return);
    EXPECT_EQ(focused(), w->KiNumEdit_Price[6]);
    // Down from item 2 of the last usable row has nowhere to go.
    focus(w->Edit_item[6]);
    press(Qt::Key_Down);
    EXPECT_EQ(focused(), w->Edit_item[6]);

    // A ten-row layout enables all rows again.
    w->PageControl1->setCurrentIndex(1);
    w->ComboBox_Paper->setCurrentIndex(0);
    w->PageControl1->setCurrentIndex(0);
    EXPECT_EQ(w->wSLPMAX, 10);
    EXPECT_TRUE(w->KiNumEdit_Price[10]->isEnabled());
}

TEST_F(MainWindowTest, StoredLayoutOutsideTheListLeavesEveryRowDisabled)
{
    putFile("[Kn_Vey_1prn]\r\nComb_Paper=5\r\n");
    start();
    EXPECT_EQ(w->ComboBox_Paper->currentIndex(), -1);
    EXPECT_EQ(w->wSLPMAX, 0);
    for (int i = 1; i <= 10; ++i)
        EXPECT_FALSE(w->Edit_itemNo[i]->isEnabled()) << i;
    w->close();
    EXPECT_EQ(stored(QStringLiteral("Comb_Paper")), QStringLiteral("-1"));
}

TEST_F(MainWindowTest, EnterAndCursorKeysWalkTheNote)
{
    start();
    struct Row
    {
        const char *name;
        QWidget *from;
        std::vector<int> keys;
        std::vector<QWidget *> visits; // focus after each key
    };
    const int Enter = Qt::Key_Return;
    const Row rows[] = {
        {"Enter from the postal code",
         w->Edit_Zip,
         std::vector<int>(8, Enter),
         {w->Edit_Add1, w->Edit_Add2, w->Edit_Add3, w->Edit_Custo1, w->Edit_tel,
          w->DateTimePicker_1, w->KiNumEdit_Slipno, w->Edit_itemNo[1]}},
        {"Enter through row 1 skips the amount",
         w->Edit_itemNo[1],
         std::vector<int>(6, Enter),
         {w->Edit_item[1], w->KiNumEdit_QTY[1], w->Edit_unit[1], w->KiNumEdit_Price[1],
          w->Edit_itemNo[2], w->Edit_item[2]}},
        {"Up from item 1 of row 1 to the slip number and Enter back",
         w->Edit_itemNo[1],
         {Qt::Key_Up, Enter},
         {w->KiNumEdit_Slipno, w->Edit_itemNo[1]}},
        {"Up from item 1 of row 4 to item 2 of row 3",
         w->Edit_itemNo[4],
         {Qt::Key_Up},
         {w->Edit_item[3]}},
        {"Down from item 1 of row 4 to item 2 of row 4",
         w->Edit_itemNo[4],
         {Qt::Key_Down},
         {w->Edit_item[4]}},
        {"Down from item 2 of row 4 to item 1 of row 5",
         w->Edit_item[4],
         {Qt::Key_Down},
         {w->Edit_itemNo[5]}},
        {"Up from item 2 to item 1 of the same row",
         w->Edit_item[5],
         {Qt::Key_Up},
         {w->Edit_itemNo[5]}},
        {"Down in item 2 of row 10 stays", w->Edit_item[10], {Qt::Key_Down}, {w->Edit_item[10]}},
        {"Enter in the price of row 10 stays",
         w->KiNumEdit_Price[10],
         {Enter},
         {w->KiNumEdit_Price[10]}},
        {"Enter in the telephone goes to the note date",
         w->Edit_tel,
         {Enter},
         {w->DateTimePicker_1}},
        {"Up in the quantity goes back to item 2",
         w->KiNumEdit_QTY[3],
         {Qt::Key_Up},
         {w->Edit_item[3]}},
        {"Enter in a shop line goes on to the next", w->Edit_021[1], {Enter}, {w->Edit_021[2]}},
    };
    for (const Row &r : rows) {
        if (w->Edit_021[1]->isAncestorOf(r.from) || r.from == w->Edit_021[1])
            w->PageControl1->setCurrentIndex(1);
        else
            w->PageControl1->setCurrentIndex(0);
        focus(r.from);
        ASSERT_EQ(focused(), r.from) << r.name;
        for (size_t k = 0; k < r.keys.size(); ++k) {
            press(r.keys[k]);
            EXPECT_EQ(focused(), r.visits[k])
                << r.name << ", key " << k << ": at "
                << (focused() ? focused()->objectName().toStdString() : "none");
        }
    }
}

TEST_F(MainWindowTest, EnteringFieldsShowsHelpRecordsTheRowAndPaintsTheCursor)
{
    start();
    struct Row
    {
        const char *name;
        QWidget *field;
        QString help;
    };
    const Row rows[] = {
        {"postal code", w->Edit_Zip, QStringLiteral("お届け先の郵便番号を入力して下さい")},
        {"address 1", w->Edit_Add1, QStringLiteral("お届け先のおところ①を入力して下さい")},
        {"address 3", w->Edit_Add3, QStringLiteral("お届け先のおところを入力して下さい")},
        {"name", w->Edit_Custo1, QStringLiteral("お届け先のおなまえを入力して下さい")},
        {"telephone", w->Edit_tel, QStringLiteral("お届け先のでんわを入力して下さい")},
        {"note date", w->DateTimePicker_1, QStringLiteral("日付を入力してください")},
        {"item 1", w->Edit_itemNo[2], QStringLiteral("品名1を入力してください")},
        {"item 2", w->Edit_item[2], QStringLiteral("品名2を入力してください")},
        {"unit", w->Edit_unit[2], QStringLiteral("単位名を入力してください")},
        {"quantity", w->KiNumEdit_QTY[2],
         QStringLiteral("数量を入力してください (数量が０の行は印字されません)")},
        {"price", w->KiNumEdit_Price[2], QStringLiteral("単価を入力してください")},
        {"memo", w->Memo1,
         QStringLiteral("テキストを貼り付けることができます　７行以内に収めてください")},
    };
    for (const Row &r : rows) {
        focus(r.field);
        EXPECT_EQ(w->Panel_HelpMess->text(), r.help) << r.name;
    }

    // The caret goes to the end of a text field's text.
    w->Edit_itemNo[3]->setText(QStringLiteral("abcdef"));
    focus(w->Edit_itemNo[3]);
    EXPECT_EQ(w->Edit_itemNo[3]->cursorPosition(), 6);
    EXPECT_FALSE(w->Edit_itemNo[3]->hasSelectedText());

    // Row cursor: the focused cell is sky blue and its row recorded; the
    // cell left gets the window colour back.
    focus(w->KiNumEdit_QTY[3]);
    EXPECT_EQ(w->Label_d_i->text(), QStringLiteral("3"));
    EXPECT_EQ(w->d_i, 3);
    EXPECT_EQ(colourOf(w->KiNumEdit_QTY[3]), kSkyBlue);
    focus(w->KiNumEdit_Price[4]);
    EXPECT_EQ(w->Label_d_i->text(), QStringLiteral("4"));
    EXPECT_NE(colourOf(w->KiNumEdit_QTY[3]), kSkyBlue);
    EXPECT_EQ(colourOf(w->KiNumEdit_Price[4]), kSkyBlue);
    focus(w->DateTimePicker_1);
    EXPECT_NE(colourOf(w->KiNumEdit_Price[4]), kSkyBlue);
    EXPECT_EQ(colourOf(w->DateTimePicker_1), kSkyBlue);
    focus(w->Edit_Zip);
    EXPECT_NE(colourOf(w->DateTimePicker_1), kSkyBlue);
    EXPECT_EQ(w->Label_d_i->text(), QStringLiteral("4")) << "not reset outside the grid";
}

TEST_F(MainWindowTest, AddressWarningAppearsOnEnteringAnAddressField)
{
    start();
    struct Row
    {
        const char *name;
        int length;
        bool warned;
    };
    for (const Row &r : {Row{"40 characters", 40, false}, Row{"41 characters", 41, true}}) {
        w->Edit_Add1->setText(QString(r.length, QChar(u'あ')));
        focus(w->Edit_Zip);
        EXPECT_EQ(w->Label_Warning->text().isEmpty(), true) << r.name << ": not on every change";
        focus(w->Edit_Add2);
        EXPECT_EQ(!w->Label_Warning->text().isEmpty(), r.warned) << r.name;
    }
}

TEST_F(MainWindowTest, ClearButtonEmptiesTheDestinationOnlyWhenAnsweredYes)
{
    start();
    for (bool yes : {false, true}) {
        w->Edit_Zip->setText(QStringLiteral("150-0001"));
        w->Edit_Custo1->setText(QStringLiteral("山田"));
        w->Edit_itemNo[1]->setText(QStringLiteral("pen"));
        Dialogs::pushAnswer(yes);
        w->BitBtn_CLS->click();
        EXPECT_EQ(w->Edit_Zip->text().isEmpty(), yes);
        EXPECT_EQ(w->Edit_Custo1->text().isEmpty(), yes);
        EXPECT_EQ(w->Edit_itemNo[1]->text(), QStringLiteral("pen"));
    }
    EXPECT_EQ(Dialogs::shownTexts().value(0), QStringLiteral("お届け先をクリアますか?"));
}

TEST_F(MainWindowTest, InputModeChoiceAppliesOnReturnToTheFirstTab)
{
    start();
    w->PageControl1->setCurrentIndex(1);
    w->ComboBox_ime_Itemno->setCurrentIndex(6);
    emit w->ComboBox_ime_Itemno->activated(6);
    EXPECT_EQ(imeModeOf(w->Edit_itemNo[1]), TImeMode::imDisable);
    EXPECT_EQ(stored(QStringLiteral("ime_Itemno")), QStringLiteral("6")) << "written at once";
    w->PageControl1->setCurrentIndex(0);
    EXPECT_EQ(imeModeOf(w->Edit_itemNo[1]), TImeMode::imHira);
    EXPECT_TRUE(w->Edit_itemNo[1]->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_FALSE(w->Edit_Zip->testAttribute(Qt::WA_InputMethodEnabled));
}

TEST_F(MainWindowTest, CharacterLimitsRestrictTypingButNeverCutProgramText)
{
    start();
    const QString longZip = QStringLiteral("12345678901234567890");
    w->Edit_Zip->setText(longZip);
    EXPECT_EQ(w->Edit_Zip->text(), longZip);

    w->Edit_Zip->clear();
    type(w->Edit_Zip, QStringLiteral("123456789012345678"));
    EXPECT_EQ(w->Edit_Zip->text(), QStringLiteral("1234567890123456"));

    // An over-long text can be shortened but not lengthened.
    w->Edit_unit[1]->setText(QStringLiteral("abcdefgh"));
    focus(w->Edit_unit[1]);
    press(Qt::Key_X);
    EXPECT_EQ(w->Edit_unit[1]->text(), QStringLiteral("abcdefgh"));
    press(Qt::Key_Backspace);
    EXPECT_EQ(w->Edit_unit[1]->text(), QStringLiteral("abcdefg"));
}

TEST_F(MainWindowTest, FunctionKeysWorkFromTheFieldsWithKeyHandlersOnly)
{
    start();
    struct Row
    {
        const char *name;
        int tab;
        QWidget *field;
        bool asks;
    };
    const Row rows[] = {
        {"note title", 1, w->Edit_021[0], true},
        {"shop line", 1, w->Edit_021[4], true},
        {"quantity", 0, w->KiNumEdit_QTY[2], true},
        {"unit price", 0, w->KiNumEdit_Price[2], true},
        {"copies field has no handler", 1, w->KiNumEdit_BUSUU, false},
        {"rounding mode has no handler", 1, w->Edit_TxDisp, false},
        {"tax rate has no handler", 2, w->KiNumEdit_TaxNew, false},
    };
    for (const Row &r : rows) {
        Dialogs::resetForTest();
        Dialogs::setTestMode(true);
        Dialogs::pushAnswer(false);
        w->PageControl1->setCurrentIndex(r.tab);
        focus(r.field);
        press(Qt::Key_F2);
        EXPECT_EQ(Dialogs::shownTexts().size(), r.asks ? 1 : 0) << r.name;
        EXPECT_TRUE(w->isVisible()) << r.name;
    }

    // The remark lines act when the key is released.
    Dialogs::resetForTest();
    Dialogs::setTestMode(true);
    Dialogs::pushAnswer(false);
    w->PageControl1->setCurrentIndex(1);
    focus(w->Edit_Remark[3]);
    QTest::keyPress(w->Edit_Remark[3], Qt::Key_F2);
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty()) << "not on key press";
    QTest::keyRelease(w->Edit_Remark[3], Qt::Key_F2);
    EXPECT_EQ(Dialogs::shownTexts(), QStringList{QStringLiteral("終了しますか?")});
    // F2 answered No away from the first tab leaves the focus where it was.
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_Remark[3]);
    QTest::keyPress(w->Edit_Remark[3], Qt::Key_Return);
    QTest::keyRelease(w->Edit_Remark[3], Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_Remark[4]);
}

// A key stroke as the platform delivers it: the press to the field that has
// the focus, the release to the field that has it after the press.
void stroke(int key)
{
    QTest::keyPress(QApplication::focusWidget(), static_cast<Qt::Key>(key));
    QTest::keyRelease(QApplication::focusWidget(), static_cast<Qt::Key>(key));
}

TEST_F(MainWindowTest, RemarkLinesActOnlyOnKeysPressedInThem)
{
    start();
    w->PageControl1->setCurrentIndex(1);
    struct Row
    {
        const char *name;
        QWidget *from;
        int key;
        QWidget *to;
    };
    const Row rows[] = {
        {"Enter in the last shop line stops at remark 1", w->Edit_021[5], Qt::Key_Return,
         w->Edit_Remark[1]},
        {"Enter in remark 1 goes to remark 2", w->Edit_Remark[1], Qt::Key_Return,
         w->Edit_Remark[2]},
        {"Up in remark 2 goes to remark 1", w->Edit_Remark[2], Qt::Key_Up, w->Edit_Remark[1]},
        {"Up in remark 1 goes to the last shop line", w->Edit_Remark[1], Qt::Key_Up,
         w->Edit_021[5]},
    };
    for (const Row &r : rows) {
        focus(r.from);
        stroke(r.key);
        EXPECT_EQ(QApplication::focusWidget(), r.to)
            << r.name << ": at " << QApplication::focusWidget()->objectName().toStdString();
    }
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty());
}

TEST_F(MainWindowTest, KeysLeftAloneByACellDoNotScrollTheGrid)
{
    start();
    QScrollBar *bar = w->ScrollBox1->verticalScrollBar();
    for (int key : {Qt::Key_Down, Qt::Key_PageDown}) {
        focus(w->Edit_unit[2]);
        ASSERT_EQ(bar->value(), 0);
        press(key);
        EXPECT_EQ(bar->value(), 0) << "key " << key;
        EXPECT_EQ(focused(), w->Edit_unit[2]) << "key " << key;
    }
    // Ctrl+Tab still reaches the tabs.
    focus(w->Edit_unit[2]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(w->PageControl1->currentIndex(), 1);
    w->PageControl1->setCurrentIndex(0);
    // The grid box is no stop of its own: Tab past the last row leaves it.
    focus(w->KiNumEdit_Price[10]);
    press(Qt::Key_Tab);
    EXPECT_NE(focused(), w->ScrollBox1);
    EXPECT_FALSE(w->ScrollBox1->isAncestorOf(focused()));
}

TEST_F(MainWindowTest, WindowHandlesKeysOnlyWhileNoControlHasTheFocus)
{
    start();
    QApplication::focusWidget()->clearFocus();
    ASSERT_EQ(QApplication::focusWidget(), nullptr);
    Dialogs::pushAnswer(false);
    QTest::keyClick(w.get(), Qt::Key_F2);
    EXPECT_EQ(Dialogs::shownTexts(), QStringList{QStringLiteral("終了しますか?")});
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_Zip) << "No puts the focus into the postal code";

    QApplication::focusWidget()->clearFocus();
    QTest::keyClick(w.get(), Qt::Key_Return);
    EXPECT_NE(QApplication::focusWidget(), nullptr) << "Enter moves to a tab stop";
}

TEST_F(MainWindowTest, TypedFeedNameStaysOutOfTheFeedList)
{
    start();
    w->PageControl1->setCurrentIndex(1);
    focus(w->ComboBox_SEL);
    w->ComboBox_SEL->setEditText(QString());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Tractor"));
    press(Qt::Key_Return);
    EXPECT_EQ(w->ComboBox_SEL->count(), 2);
    EXPECT_EQ(w->ComboBox_SEL->currentText(), QStringLiteral("Tractor"));
}

TEST_F(MainWindowTest, EnterIsSwallowedWithoutABeep)
{
    start();
    BeepCounter beeps;
    w->Edit_item[1]->setText(QStringLiteral("ab"));
    focus(w->Edit_item[1]);
    press(Qt::Key_Return);
    EXPECT_EQ(w->Edit_item[1]->text(), QStringLiteral("ab"));
    EXPECT_EQ(focused(), w->KiNumEdit_QTY[1]);
    type(w->KiNumEdit_QTY[1], QStringLiteral("5"));
    press(Qt::Key_Return);
    EXPECT_EQ(w->KiNumEdit_QTY[1]->Text(), QStringLiteral("5"));
    EXPECT_EQ(focused(), w->Edit_unit[1]);
    EXPECT_EQ(beeps.count(), 0);
}

TEST_F(MainWindowTest, RestoredPostalCodeAndTelephoneAreConvertedToHalfWidth)
{
    putFile(QStringLiteral(
                "[Kn_Vey_1prn]\r\nE_ZIP=１５０－０００１\r\nE_TEL=０３－１２３４－５６７８\r\n")
                .toUtf8());
    start();
    EXPECT_EQ(w->Edit_Zip->text(), QStringLiteral("150-0001"));
    EXPECT_EQ(w->Edit_tel->text(), QStringLiteral("03-1234-5678"));
}

TEST_F(MainWindowTest, TransferButtonFillsTheDestinationFromTheMemo)
{
    start();
    w->Edit_Add3->setText(QStringLiteral("old line"));
    w->Memo1->setPlainText(QStringLiteral(
        "〒１５０－０００１\n東京都渋谷区神宮前1-2-3\n山田太郎\nTEL 03-1234-5678\n"));
    w->BitBtn_1->click();
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty());
    EXPECT_EQ(w->Edit_Zip->text(), QStringLiteral("150-0001"));
    EXPECT_EQ(w->Edit_tel->text(), QStringLiteral("03-1234-5678"));
    EXPECT_EQ(w->Edit_Add3->text(), QString()) << "the destination is cleared first";
    EXPECT_FALSE(w->Edit_Add1->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_Zip);

    // An empty memo: a notice, and the destination stays.
    w->BitBtn_MemoCLS->click();
    EXPECT_EQ(w->Memo1->palette().color(QPalette::Base), QColor(0xC0, 0xC0, 0xC0));
    w->BitBtn_1->click();
    EXPECT_EQ(Dialogs::shownTexts(), QStringList{QStringLiteral("転送テキストがありません")});
    EXPECT_EQ(w->Edit_Zip->text(), QStringLiteral("150-0001"));
}

} // namespace
