// Tax in the window: the rate table's further rows on the tax tab and the
// rate the note's date takes from them.
#include "WindowFixture.h"
#include "mainwindow/NoteSettings.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {

class TaxWindowTest : public WindowFixture
{
protected:
    bool startsWindow() const override { return false; }
};

} // namespace

TEST_F(TaxWindowTest, FurtherRateRowsApplyByNoteDateAndAreEditedInTheTable)
{
    NoteSettings s;
    s.TaxRates = {{QDate(2027, 4, 1), QStringLiteral("10"), QStringLiteral("0")}};
    writeShutdownSettings(settingsPath(dir.path()), s);
    startWindow();
    ASSERT_EQ(w->TableWidget_TaxRates->rowCount(), 1);
    EXPECT_EQ(w->TableWidget_TaxRates->item(0, 0)->text(), QStringLiteral("2027/04/01"));

    w->KiNumEdit_QTY[1]->setText(QStringLiteral("1"));
    w->KiNumEdit_Price[1]->setText(QStringLiteral("1100"));
    w->KiNumEdit_QTY[2]->setText(QStringLiteral("1"));
    w->KiNumEdit_Price[2]->setText(QStringLiteral("1080"));
    w->SpeedButton1Click();
    w->setReducedMark(2, true);
    const struct
    {
        const char *name;
        QDate date;
        const char *tax, *breakdown;
    } cases[] = {
        {"the day before the cut: 8 %", QDate(2027, 3, 31), "196",
         "10%対象 1,100（税 110）　8%対象 1,080（税 86）"},
        {"the day of the cut: 0 % still prints its line", QDate(2027, 4, 1), "110",
         "10%対象 1,100（税 110）　0%対象 1,080（税 0）"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        w->DateTimePicker_1->setDate(c.date);
        w->DEN_SUM();
        EXPECT_EQ(w->KiNumEdit_stax->Text(), QString::fromLatin1(c.tax));
        EXPECT_EQ(w->Label_TaxBreakdown->text(), QString::fromUtf8(c.breakdown));
    }

    // An edit that does not read is refused and the row comes back; a good
    // one applies at once and is stored.
    w->TableWidget_TaxRates->item(0, 2)->setText(QStringLiteral("101"));
    QApplication::processEvents();
    EXPECT_EQ(w->TableWidget_TaxRates->item(0, 2)->text(), QStringLiteral("0"));
    EXPECT_EQ(Dialogs::shownTexts().size(), 1);
    w->TableWidget_TaxRates->item(0, 2)->setText(QStringLiteral("5"));
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("164")) << "110 + 54";
    w->Button_TaxRateAdd->click();
    EXPECT_EQ(w->TableWidget_TaxRates->rowCount(), 2);
    EXPECT_EQ(w->TableWidget_TaxRates->item(0, 0)->text(), QStringLiteral("2027/04/01"))
        << "newest first";
    w->close();
    const NoteSettings after = readStartupSettings(settingsPath(dir.path()));
    ASSERT_EQ(after.TaxRates.size(), 2u);
    EXPECT_EQ(after.TaxRates[0].reduced, QStringLiteral("5"));
    EXPECT_EQ(after.TaxRates[1].validFrom, QDate(2026, 12, 10));
}

TEST_F(TaxWindowTest, TaxInclusiveNoteFromEntryToPrintedNote)
{
    startWindow();
    w->KiNumEdit_QTY[1]->setText(QStringLiteral("1"));
    w->KiNumEdit_Price[1]->setText(QStringLiteral("980"));
    w->KiNumEdit_QTY[2]->setText(QStringLiteral("1"));
    w->KiNumEdit_Price[2]->setText(QStringLiteral("1080"));
    w->SpeedButton1Click();
    w->setReducedMark(2, true);
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("184")) << "98 + 86 on top";

    w->ComboBox_TaxIncl->setCurrentIndex(1);
    EXPECT_EQ(w->KiNumEdit_ssal->Text(), QStringLiteral("2060"));
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("169")) << "89 + 80 within";
    EXPECT_EQ(w->KiNumEdit_sttl->Text(), QStringLiteral("2060"));
    EXPECT_EQ(w->Label_ssalCaption->text(), QStringLiteral("お買上額（税込）"));
    EXPECT_EQ(w->Label_stax->text(), QStringLiteral("うち消費税"));
    EXPECT_EQ(w->Label_TaxBreakdown->text(),
              QStringLiteral("10%対象 980（うち消費税 89）　8%対象 1,080（うち消費税 80）"));
    const printing::PrintNote n = w->printNote();
    EXPECT_TRUE(n.taxIncluded);
    EXPECT_EQ(n.tax, QStringLiteral("169"));

    // The choice survives a restart; back to 税抜 the captions return.
    w->close();
    EXPECT_TRUE(readStartupSettings(settingsPath(dir.path())).TaxIncl);
    w.reset();
    startWindow();
    EXPECT_EQ(w->ComboBox_TaxIncl->currentIndex(), 1);
    w->ComboBox_TaxIncl->setCurrentIndex(0);
    EXPECT_EQ(w->Label_ssalCaption->text(), QStringLiteral("合　計"));
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("184"));
}
