// Printer registration per paper feed, the printer set-up command and the
// print-position dialog, on the main window over a scripted spooler.
#include "WindowFixture.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteSettings.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "platform/ProfileFile.h"
#include "printer/PrinterSetupForm.h"
#include "printer/VoPrinters.h"
#include "printing/PrinterRegistration.h"
#include "printing/VODE97ZPrnUnit.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace printing;

namespace {

const QString Manual = QStringLiteral("手差し");
const QString Continuous = QStringLiteral("連続(４．５インチ)");

class Registering : public WindowFixture
{
protected:
    void setUpPrinters() override
    {
        useFakeSpooler(
            {FakePrinter::standard("P0"), FakePrinter::standard("P1"), FakePrinter::standard("P2")},
            QStringLiteral("P1"));
    }
    bool startsWindow() const override { return false; }
    void TearDown() override
    {
        setPrinterDialogExecHook(nullptr);
        WindowFixture::TearDown();
    }
    void start() { startWindow(); }
    QString ini() const { return registrationFilePath(dir.path()); }
    // The set-up dialog picks printer `name` (empty: keeps it) and answers.
    void scriptSetupDialog(const QString &name, bool confirm)
    {
        setPrinterDialogExecHook([name, confirm](QDialog &dialog) {
            auto &form = static_cast<PrinterSetupForm &>(dialog);
            if (!name.isEmpty())
                PrinterSetupForm::selectText(form.printerBox(), name);
            return confirm ? QDialog::Accepted : QDialog::Rejected;
        });
    }
    void selectFeed(const QString &feed)
    {
        w->ComboBox_SEL->setCurrentText(feed);
        w->ComboBox_SELChange();
    }
};

} // namespace

TEST_F(Registering, FirstStartSelectsPrinterZeroWithoutOffsets)
{
    start();
    EXPECT_EQ(VoPrinter->Index(), 0);
    EXPECT_EQ(w->ComboBox1->currentText(), "P0");
    EXPECT_EQ(w->ComboBox2->currentText(), "A5");
    EXPECT_EQ(w->Label_Prn_Top->text(), "0");
    EXPECT_EQ(w->Label_Prn_Left->text(), "0");
    EXPECT_FALSE(QFile::exists(ini())) << "only a registration creates the file";
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty());
}

TEST_F(Registering, EachFeedKeepsItsPrinterAndOffsets)
{
    writeRegistration(ini(), Manual, "P2", {"2", "15", "-3"});
    start();
    selectFeed(Manual);
    EXPECT_EQ(VoPrinter->Index(), 2);
    EXPECT_EQ(w->Label_Prn_Top->text(), "15");
    selectFeed(Continuous);
    EXPECT_EQ(VoPrinter->Index(), 0);
    EXPECT_EQ(w->Label_Prn_Top->text(), "0");
    EXPECT_EQ(w->Label_Prn_Left->text(), "0");
    selectFeed(Manual);
    EXPECT_EQ(VoPrinter->Index(), 2);
    EXPECT_EQ(w->ComboBox1->currentText(), "P2");
    EXPECT_EQ(w->Label_Prn_Left->text(), "-3");
}

TEST_F(Registering, RegisteringAPrinterKeepsTheOffsets)
{
    struct Row
    {
        const char *name;
        QString choose;
        bool confirm;
        QString stored;
    };
    const Row rows[] = {
        {"confirmed choice", "P1", true, "1"},
        {"cancelled dialog still writes the printer selected before", "P0", false, "1"},
    };
    writeRegistration(ini(), Manual, "P2", {"2", "15", "-3"});
    start();
    selectFeed(Manual);
    for (const Row &r : rows) {
        scriptSetupDialog(r.choose, r.confirm);
        w->BitBtn_PrnSetClick();
        EXPECT_EQ(readRegistration(ini(), Manual), (Registration{r.stored, "15", "-3"})) << r.name;
        EXPECT_EQ(ProfileFile(ini()).readString(Manual, "PrnName"), "P" + r.stored) << r.name;
    }
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty());
}

TEST_F(Registering, TypedFeedNameHasItsOwnSection)
{
    start();
    selectFeed(QStringLiteral("ラベル"));
    scriptSetupDialog("P2", true);
    w->BitBtn_PrnSetClick();
    EXPECT_EQ(readRegistration(ini(), QStringLiteral("ラベル")), (Registration{"2", "0", "0"}));
    EXPECT_EQ(readRegistration(ini(), Manual), Registration{});
}

TEST_F(Registering, IndexThatIsNotAnIntegerIsReported)
{
    writeRegistration(ini(), Manual, "P2", {"x", "0", "0"});
    start();
    Dialogs::resetForTest();
    Dialogs::setTestMode(true);
    w->ComboBox_SEL->setCurrentText(Manual);
    w->BitBtn_PrnSetClick();
    EXPECT_EQ(Dialogs::shownTexts(), QStringList{"'x' is not a valid integer value"});
    EXPECT_EQ(readRegistration(ini(), Manual).printerIndex, "x") << "stops before writing";
}

TEST_F(Registering, TabChangeWithDamagedRegistrationIsReportedNotThrown)
{
    start();
    writeRegistration(ini(), Manual, "P2", {"x", "0", "0"});
    Dialogs::resetForTest();
    Dialogs::setTestMode(true);
    w->ComboBox_SEL->setCurrentText(Manual);
    w->PageControl1->setCurrentIndex(1);
    EXPECT_EQ(Dialogs::shownTexts(), QStringList{"'x' is not a valid integer value"});
    EXPECT_EQ(w->PageControl1->currentIndex(), 1) << "the tab still changes";
}

TEST_F(Registering, PrinterSetupCommandRemembersItsChoice)
{
    const QString settings = dir.filePath(QStringLiteral("Kanro_Vey_1.ini"));
    start();
    struct Row
    {
        const char *name;
        qint64 stored;
        QString choose;
        bool confirm;
        qint64 after;
    };
    const Row rows[] = {
        // Writing -1 selects the default printer (P1); reading gives its position.
        {"first use: default printer, cancelled", -1, "", false, 1},
        {"stored printer, confirmed P2", 0, "P2", true, 2},
        {"stored printer rejected falls back to 0", 7, "", false, 0},
    };
    for (const Row &r : rows) {
        if (r.stored != -1)
            writePrinterChoice(settings, r.stored);
        scriptSetupDialog(r.choose, r.confirm);
        w->SpeedButton_F7Click();
        EXPECT_EQ(readPrinterChoice(settings), r.after) << r.name;
        EXPECT_EQ(w->Label_PrinterIndex->text(), QString::number(r.after)) << r.name;
        EXPECT_EQ(w->ComboBox1->currentIndex(), r.after) << r.name;
    }
}

TEST_F(Registering, MarginDialogWritesWhereTheWindowReads)
{
    writeRegistration(ini(), Manual, "P2", {"2", "15", "-3"});
    start();
    selectFeed(Manual);
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<TForm_VODE97ZPrn *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->KiNumEdit_TOP->Text(), "15");
        dialog->KiNumEdit_TOP->setText("20");
        dialog->KiNumEdit_LEFT->setText("-5");
        Dialogs::pushAnswer(true);
        dialog->BitBtn_MRGN->click();
    });
    w->BitBtn_PrnSet2Click();
    EXPECT_EQ(w->Label_Prn_Top->text(), "20");
    EXPECT_EQ(w->Label_Prn_Left->text(), "-5");
    EXPECT_EQ(readRegistration(ini(), Manual), (Registration{"2", "20", "-5"}));
    EXPECT_EQ(ProfileFile(ini()).readString(Manual, "PrnName"), "P2");
}
