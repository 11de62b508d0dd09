// The qualified invoice in the main window: today's rates on a fresh start,
// the reduced-rate mark of a row (F8 and the mouse), the tax label and the
// per-rate breakdown, the registration number and the reduced rate on the
// tax tab, and the new keys of the settings file.
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "platform/ProfileFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kSection = QStringLiteral("Kn_Vey_1prn");

class InvoiceWindowTest : public ::testing::Test
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

    // Row 1: 1 x 1,000 at the standard rate; row 2: 1 x 1,080.
    void fillTwoRows()
    {
        type(w->KiNumEdit_QTY[1], QStringLiteral("1"));
        type(w->KiNumEdit_Price[1], QStringLiteral("1000"));
        type(w->KiNumEdit_QTY[2], QStringLiteral("1"));
        type(w->KiNumEdit_Price[2], QStringLiteral("1080"));
    }

    QString stored(const QString &key) const
    {
        return ProfileFile(iniPath()).readString(kSection, key, QStringLiteral("<missing>"));
    }

    QTemporaryDir dir;
    std::unique_ptr<TForm_Main> w;
};

TEST_F(InvoiceWindowTest, FreshStartShowsTenPercentAndWritesTodaysRates)
{
    start();
    EXPECT_EQ(w->Label_stax->text(), QStringLiteral("消費税 10%"));
    EXPECT_EQ(w->Label_xTax->text(), QStringLiteral("0.1"));
    EXPECT_FALSE(w->Label_TaxBreakdown->isVisible());
    for (int i = 1; i <= TForm_Main::kRows; ++i)
        EXPECT_FALSE(w->CheckBox_Reduced[i]->isChecked()) << i;
    w->close();
    EXPECT_EQ(stored(QStringLiteral("TaxOld")), QStringLiteral("8"));
    EXPECT_EQ(stored(QStringLiteral("TaxEnforDate")), QStringLiteral("2019/10/01"));
    EXPECT_EQ(stored(QStringLiteral("TaxNew")), QStringLiteral("10"));
    EXPECT_EQ(stored(QStringLiteral("TaxReduced")), QStringLiteral("8"));
    EXPECT_EQ(stored(QStringLiteral("TaxRegNo")), QString());
    EXPECT_EQ(stored(QStringLiteral("TxDisp")), QStringLiteral("0"));
    EXPECT_EQ(stored(QStringLiteral("Reduced1")), QStringLiteral("0"));
}

TEST_F(InvoiceWindowTest, F8AndTheMouseMarkARowAndTheTaxFollowsPerRate)
{
    start();
    fillTwoRows();
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("208"));

    // F8 in a cell of row 2 marks it; the focus stays in the cell.
    focus(w->Edit_unit[2]);
    press(Qt::Key_F8);
    EXPECT_TRUE(w->CheckBox_Reduced[2]->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_unit[2]);
    EXPECT_EQ(w->Panel_dv[2]->text(), QStringLiteral("2\n※"));
    EXPECT_EQ(w->KiNumEdit_ssal->Text(), QStringLiteral("2080"));
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("186")) << "100 + 86";
    EXPECT_EQ(w->KiNumEdit_sttl->Text(), QStringLiteral("2266"));
    EXPECT_EQ(w->Label_stax->text(), QStringLiteral("消費税 10%・8%"));
    EXPECT_TRUE(w->Label_TaxBreakdown->isVisible());
    EXPECT_EQ(w->Label_TaxBreakdown->text(),
              QStringLiteral("10%対象 1,000（税 100）　8%対象 1,080（税 86）"));

    // The mouse marks row 1 too: every printed row reduced, one rate.
    QTest::mouseClick(w->CheckBox_Reduced[1], Qt::LeftButton);
    EXPECT_TRUE(w->CheckBox_Reduced[1]->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_unit[2]) << "the box takes no focus";
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("166")) << "2080 x 8 % = 166.4";
    EXPECT_EQ(w->Label_stax->text(), QStringLiteral("消費税 8%"));
    EXPECT_EQ(w->Label_TaxBreakdown->text(), QStringLiteral("8%対象 2,080（税 166）"));

    // F8 again and the F8 button clear the marks of the focused row.
    focus(w->KiNumEdit_Price[1]);
    press(Qt::Key_F8);
    EXPECT_FALSE(w->CheckBox_Reduced[1]->isChecked());
    focus(w->Edit_itemNo[2]);
    w->SpeedButton_F[8]->click();
    EXPECT_FALSE(w->CheckBox_Reduced[2]->isChecked());
    EXPECT_EQ(w->Panel_dv[2]->text(), QStringLiteral("2"));
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("208"));
    EXPECT_EQ(w->Label_stax->text(), QStringLiteral("消費税 10%"));
    EXPECT_FALSE(w->Label_TaxBreakdown->isVisible());

    // A marked row without quantity does not count as in use.
    focus(w->Edit_itemNo[5]);
    press(Qt::Key_F8);
    EXPECT_TRUE(w->CheckBox_Reduced[5]->isChecked());
    EXPECT_EQ(w->Label_stax->text(), QStringLiteral("消費税 10%"));
    EXPECT_FALSE(w->Label_TaxBreakdown->isVisible());

    // Enter still runs through the cells as before: price of row 1 to row 2.
    focus(w->KiNumEdit_Price[1]);
    press(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->Edit_itemNo[2]);

    // Clearing the rows clears the marks.
    w->Edit_CLS2();
    for (int i = 1; i <= TForm_Main::kRows; ++i)
        EXPECT_FALSE(w->CheckBox_Reduced[i]->isChecked()) << i;
    EXPECT_EQ(w->Panel_dv[5]->text(), QStringLiteral("5"));
}

TEST_F(InvoiceWindowTest, MarksAndRoundingModeSurviveARestart)
{
    putFile("[Kn_Vey_1prn]\r\nEdit_QTY2=1\r\nEdit_Sales2=1080\r\nReduced2=1\r\n"
            "Edit_QTY3=1\r\nEdit_Sales3=500\r\nReduced3=yes\r\nTxDisp=1\r\n");
    start();
    EXPECT_TRUE(w->CheckBox_Reduced[2]->isChecked());
    EXPECT_FALSE(w->CheckBox_Reduced[3]->isChecked()) << "\"yes\" is not a mark";
    EXPECT_EQ(w->Edit_TxDisp->text(), QStringLiteral("1"));
    EXPECT_EQ(w->Label_stax->text(), QStringLiteral("消費税 10%・8%"));
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("0")) << "restored rows wait";
    w->DEN_SUM();
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("136")) << "50 + 86.4 rounded";

    w->Edit_TxDisp->setText(QStringLiteral("2"));
    w->CheckBox_Reduced[3]->click();
    w->close();
    EXPECT_EQ(stored(QStringLiteral("Reduced2")), QStringLiteral("1"));
    EXPECT_EQ(stored(QStringLiteral("Reduced3")), QStringLiteral("1"));
    EXPECT_EQ(stored(QStringLiteral("Reduced4")), QStringLiteral("0"));
    EXPECT_EQ(stored(QStringLiteral("TxDisp")), QStringLiteral("2"));

    w.reset();
    start();
    EXPECT_EQ(w->Edit_TxDisp->text(), QStringLiteral("2"));
    EXPECT_TRUE(w->CheckBox_Reduced[3]->isChecked());
}

TEST_F(InvoiceWindowTest, RegistrationNumberIsConvertedCheckedOrRefused)
{
    start();
    w->PageControl1->setCurrentIndex(2);
    QApplication::processEvents();

    // Full-width entry becomes half width; a corporate number passes.
    focus(w->Edit_TaxRegNo);
    w->Edit_TaxRegNo->insert(QStringLiteral("Ｔ７０００")); // as the input method commits it
    EXPECT_EQ(w->Edit_TaxRegNo->text(), QStringLiteral("T7000"));
    QTest::keyClicks(w->Edit_TaxRegNo, QStringLiteral("012050002"));
    focus(w->KiNumEdit_TaxReduced);
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty());
    EXPECT_EQ(w->Edit_TaxRegNo->text(), QStringLiteral("T7000012050002"));

    // Something else is refused on leaving; the accepted number comes back.
    focus(w->Edit_TaxRegNo);
    w->Edit_TaxRegNo->selectAll();
    QTest::keyClicks(w->Edit_TaxRegNo, QStringLiteral("T123"));
    focus(w->KiNumEdit_TaxReduced);
    ASSERT_EQ(Dialogs::shownTexts().size(), 1);
    EXPECT_TRUE(Dialogs::shownTexts()[0].startsWith(QStringLiteral("登録番号は T と13桁")));
    EXPECT_EQ(w->Edit_TaxRegNo->text(), QStringLiteral("T7000012050002"));

    // A failing check digit warns in the help panel and is accepted.
    focus(w->Edit_TaxRegNo);
    w->Edit_TaxRegNo->selectAll();
    QTest::keyClicks(w->Edit_TaxRegNo, QStringLiteral("T1234567890123"));
    EXPECT_TRUE(w->Panel_HelpMess->text().startsWith(QStringLiteral("注意: 登録番号")));
    focus(w->KiNumEdit_TaxReduced);
    EXPECT_EQ(Dialogs::shownTexts().size(), 1) << "no notice";
    EXPECT_EQ(w->Edit_TaxRegNo->text(), QStringLiteral("T1234567890123"));
    EXPECT_TRUE(w->Panel_HelpMess->text().startsWith(QStringLiteral("注意: 登録番号")));

    // Empty means "not registered".
    focus(w->Edit_TaxRegNo);
    w->Edit_TaxRegNo->clear();
    focus(w->KiNumEdit_TaxReduced);
    EXPECT_EQ(Dialogs::shownTexts().size(), 1);
    w->close();
    EXPECT_EQ(stored(QStringLiteral("TaxRegNo")), QString());
}

TEST_F(InvoiceWindowTest, RatesAbove100OrNegativeAreRefused)
{
    start();
    w->PageControl1->setCurrentIndex(2);
    QApplication::processEvents();
    const struct
    {
        const char *name;
        TKiNumEdit *field;
        QString typed;
        QString kept;
        bool refused;
    } rows[] = {
        {"reduced rate 150", w->KiNumEdit_TaxReduced, "150", "8", true},
        {"reduced rate 100 is a rate", w->KiNumEdit_TaxReduced, "100", "100", false},
        {"reduced rate 6.5", w->KiNumEdit_TaxReduced, "6.5", "6.5", false},
        {"new rate 101", w->KiNumEdit_TaxNew, "101", "10", true},
        {"old rate negative", w->KiNumEdit_TaxOld, "-3", "8", true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Dialogs::resetForTest();
        Dialogs::setTestMode(true);
        type(row.field, row.typed); // entering selects the value: typing replaces it
        focus(w->Edit_TaxRegNo);
        EXPECT_EQ(row.field->Text(), row.kept);
        EXPECT_EQ(Dialogs::shownTexts().size(), row.refused ? 1 : 0);
        // Back to the defaults for the next row.
        row.field->setText(QString(row.field == w->KiNumEdit_TaxNew ? "10" : "8"));
    }
}

} // namespace
