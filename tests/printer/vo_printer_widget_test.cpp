// The printer object with painting and an event loop: jobs over the
// scripted spooler, the set-up dialog, the poll and the global object.
#include "spooler/DevMode.h"
#include "FakeSpooler.h"
#include "printer/PrinterSetupForm.h"
#include "printer/VoPrinters.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace devmode;

void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

std::string raised(const std::function<void()> &call)
{
    try {
        call();
    } catch (const EVoPrinter &e) {
        return e.what();
    }
    return "";
}

// The global printer over a scripted spooler, freed after each test.
class Global : public ::testing::Test
{
protected:
    FakeSpooler *spooler = nullptr;

    void SetUp() override
    {
        auto fake = std::make_unique<FakeSpooler>();
        spooler = fake.get();
        spooler->setPrinters({FakePrinter::standard("A"),
                              FakePrinter::standard("H", PRINTER_ATTRIBUTE_HIDDEN),
                              FakePrinter::standard("B")});
        spooler->setDefaultPrinter("A");
        createVoPrinter(std::move(fake), std::chrono::milliseconds(0));
    }
    void TearDown() override
    {
        setPrinterDialogExecHook(nullptr);
        destroyVoPrinter();
    }
    DEVMODEW applied() { return *fields(VoPrinter->Framework().printer().settings->bytes()); }
};

using Jobs = Global;

TEST_F(Jobs, PagesTitleAndDrawingAreRecorded)
{
    VoPrinter->BeginDoc("Kanro_Vey_1_0_-123");
    EXPECT_TRUE(VoPrinter->Printing());
    QPainter *canvas = VoPrinter->Canvas();
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(VoPrinter->Handle()->logicalDpiX(), 600);
    canvas->setFont(QFont("IPAPGothic", 12));
    canvas->drawText(QPoint(600, 300), "納品書");
    canvas->drawLine(QPoint(0, 0), QPoint(100, 0));
    VoPrinter->Newpage();
    VoPrinter->Canvas()->drawText(QPoint(10, 20), "2");
    VoPrinter->EndDoc();
    EXPECT_FALSE(VoPrinter->Printing());

    const auto jobs = spooler->jobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].title, "Kanro_Vey_1_0_-123");
    EXPECT_EQ(jobs[0].device, "A");
    EXPECT_TRUE(jobs[0].finished);
    ASSERT_EQ(jobs[0].pages.size(), 2u);
    ASSERT_EQ(jobs[0].pages[0].texts.size(), 1u);
    EXPECT_EQ(jobs[0].pages[0].texts[0].text, "納品書");
    EXPECT_EQ(jobs[0].pages[0].texts[0].position, QPointF(600, 300));
    EXPECT_EQ(jobs[0].pages[0].texts[0].font.pointSize(), 12);
    ASSERT_EQ(jobs[0].pages[0].lines.size(), 1u);
    EXPECT_EQ(jobs[0].pages[0].lines[0], QLineF(0, 0, 100, 0));
    EXPECT_EQ(jobs[0].pages[1].texts.at(0).position, QPointF(10, 20));
    EXPECT_FALSE(jobs[0].pages[0].picture.isNull());
}

TEST_F(Jobs, JobUsesTheAppliedSettingsOnly)
{
    VoPrinter->SetCopies(3);
    VoPrinter->BeginDoc("t1");
    VoPrinter->EndDoc();
    VoPrinter->ApplySettings();
    VoPrinter->BeginDoc("t2");
    VoPrinter->EndDoc();
    const auto jobs = spooler->jobs();
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(fields(jobs[0].settings)->dmCopies, 1);
    EXPECT_EQ(fields(jobs[1].settings)->dmCopies, 3);
}

TEST_F(Jobs, FailuresCancelTheJobAndNameTheCause)
{
    struct Row
    {
        const char *name;
        FakeSpooler::Operation failing;
        std::function<void()> run;
        std::string message;
        bool jobRecorded;
    };
    const Row rows[] = {
        {"start refused", FakeSpooler::Operation::StartJob, [] { VoPrinter->BeginDoc("t"); },
         "TVoPrinter.BeginDoc: Cannot start the print job (printer offline)", false},
        {"new page fails", FakeSpooler::Operation::NewPage,
         [] {
             VoPrinter->BeginDoc("t");
             VoPrinter->Newpage();
         },
         "TVoPrinter.Newpage: Cannot start a new page; the print job was cancelled (printer "
         "offline)",
         true},
        {"end fails", FakeSpooler::Operation::Finish,
         [] {
             VoPrinter->BeginDoc("t");
             VoPrinter->EndDoc();
         },
         "TVoPrinter.EndDoc: Cannot print the job; it was cancelled (printer offline)", true},
    };
    for (const Row &row : rows) {
        spooler->clearFailures();
        const std::size_t before = spooler->jobs().size();
        spooler->failOn(row.failing, "printer offline", 1);
        EXPECT_EQ(raised(row.run), row.message) << row.name;
        EXPECT_FALSE(VoPrinter->Printing()) << row.name;
        EXPECT_EQ(VoPrinter->Framework().settingsLockCount(), 0) << row.name;
        const auto jobs = spooler->jobs();
        EXPECT_EQ(jobs.size(), before + (row.jobRecorded ? 1 : 0)) << row.name;
        if (row.jobRecorded) {
            EXPECT_TRUE(jobs.back().cancelled) << row.name;
            EXPECT_FALSE(jobs.back().finished) << row.name;
        }
    }
    // The object goes on working.
    VoPrinter->BeginDoc("after");
    VoPrinter->EndDoc();
    EXPECT_TRUE(spooler->jobs().back().finished);
}

TEST_F(Jobs, AbortCancels)
{
    VoPrinter->BeginDoc("t");
    VoPrinter->Canvas()->drawText(QPoint(1, 1), "x");
    VoPrinter->Abort();
    EXPECT_FALSE(VoPrinter->Printing());
    EXPECT_EQ(VoPrinter->Canvas(), nullptr);
    ASSERT_EQ(spooler->jobs().size(), 1u);
    EXPECT_TRUE(spooler->jobs()[0].cancelled);
    VoPrinter->Abort(); // nothing running: no effect
}

using Dialog = Global;

TEST_F(Dialog, OpensOnTheCurrentPrinterAndItsSettings)
{
    VoPrinter->SetIndex(1); // B
    VoPrinter->SetPaperSizeNumber(DMPAPER_A4);
    VoPrinter->SetOrientation(voOrLandScape);
    VoPrinter->ApplySettings();
    QStringList printers;
    QString paper;
    QString bin;
    bool landscape = false;
    setPrinterDialogExecHook([&](QDialog &dialog) {
        auto &form = static_cast<PrinterSetupForm &>(dialog);
        for (int i = 0; i < form.printerBox()->count(); ++i)
            printers << form.printerBox()->itemText(i);
        EXPECT_EQ(form.printerBox()->currentText(), "B");
        paper = form.paperBox()->currentText();
        bin = form.binBox()->currentText();
        landscape = form.landscapeButton()->isChecked();
        EXPECT_EQ(form.windowTitle(), "プリンタの設定");
        EXPECT_EQ(form.okButton()->text(), "OK");
        return int(QDialog::Rejected);
    });
    TVoPrinterSetupDialog setup;
    EXPECT_FALSE(setup.Execute());
    EXPECT_EQ(printers, QStringList({"A", "B"})) << "hidden printers are not offered";
    EXPECT_EQ(paper, "A4");
    EXPECT_EQ(bin, "自動");
    EXPECT_TRUE(landscape);
}

TEST_F(Dialog, ConfirmingMakesTheChoiceCurrentAndDropsTheCopy)
{
    VoPrinter->SetCopies(7);
    setPrinterDialogExecHook([](QDialog &dialog) {
        auto &form = static_cast<PrinterSetupForm &>(dialog);
        EXPECT_TRUE(PrinterSetupForm::selectText(form.printerBox(), "B"));
        EXPECT_TRUE(PrinterSetupForm::selectText(form.paperBox(), "Letter"));
        EXPECT_TRUE(PrinterSetupForm::selectText(form.binBox(), "手差し"));
        form.landscapeButton()->setChecked(true);
        return int(QDialog::Accepted);
    });
    TVoPrinterSetupDialog setup;
    EXPECT_TRUE(setup.Execute());
    EXPECT_EQ(VoPrinter->Index(), 1);
    EXPECT_FALSE(VoPrinter->Modified());
    EXPECT_EQ(VoPrinter->Copies(), 1);
    EXPECT_EQ(VoPrinter->PaperSizeNumber(), DMPAPER_LETTER);
    EXPECT_EQ(VoPrinter->BinNumber(), DMBIN_MANUAL);
    EXPECT_EQ(VoPrinter->Orientation(), voOrLandScape);
    EXPECT_EQ(applied().dmPaperSize, DMPAPER_LETTER);
    EXPECT_EQ(VoPrinter->Framework().printer().device, "B");
    EXPECT_EQ(VoPrinter->Framework().settingsLockCount(), 0);
}

TEST_F(Dialog, CancellingKeepsEvenTheUnappliedCopy)
{
    VoPrinter->SetCopies(7);
    setPrinterDialogExecHook([](QDialog &dialog) {
        auto &form = static_cast<PrinterSetupForm &>(dialog);
        PrinterSetupForm::selectText(form.printerBox(), "B");
        return int(QDialog::Rejected);
    });
    TVoPrintDialog print;
    EXPECT_FALSE(print.Execute());
    EXPECT_TRUE(VoPrinter->Modified());
    EXPECT_EQ(VoPrinter->Copies(), 7);
    EXPECT_EQ(VoPrinter->Index(), 0);
}

TEST_F(Dialog, RefusedSettingsRaiseAndChangeNothing)
{
    spooler->failOn(FakeSpooler::Operation::Validate, "bad block", 1);
    setPrinterDialogExecHook([](QDialog &dialog) {
        PrinterSetupForm::selectText(static_cast<PrinterSetupForm &>(dialog).printerBox(), "B");
        return int(QDialog::Accepted);
    });
    TVoPrinterSetupDialog setup;
    EXPECT_EQ(raised([&] { setup.Execute(); }),
              "TVoPrinterSetupDialog.Execute: Cannot select the printer (bad block)");
    EXPECT_EQ(VoPrinter->Index(), 0);
}

// The printer list may change while the operator has the dialog open (the
// reaction runs in the dialog's event loop): the choice still goes to the
// printer of that name, or is reported when that printer is gone.
TEST_F(Dialog, PrinterListChangingWhileTheDialogIsOpen)
{
    struct Row
    {
        const char *name;
        std::vector<PrinterRecord> listDuringDialog;
        std::string error;
        int indexAfter;
    };
    const Row rows[] = {
        {"a printer added before the chosen one",
         {{"A", 0}, {"New", 0}, {"H", PRINTER_ATTRIBUTE_HIDDEN}, {"B", 0}},
         "",
         2},
        {"the chosen printer removed",
         {{"A", 0}},
         "TVoPrinterSetupDialog.Execute: Cannot select the printer "
         "(Printer \"B\" is not installed)",
         0},
    };
    for (const Row &row : rows) {
        SetUp();
        setPrinterDialogExecHook([&row](QDialog &dialog) {
            auto &form = static_cast<PrinterSetupForm &>(dialog);
            EXPECT_TRUE(PrinterSetupForm::selectText(form.printerBox(), "B"));
            VoPrinter->SystemChanged(TVoAllPrintersInfo(row.listDuringDialog), {});
            EXPECT_TRUE(PrinterSetupForm::selectText(form.paperBox(), "Letter"));
            return int(QDialog::Accepted);
        });
        TVoPrinterSetupDialog setup;
        EXPECT_EQ(raised([&] { setup.Execute(); }), row.error) << row.name;
        EXPECT_EQ(VoPrinter->Index(), row.indexAfter) << row.name;
        if (row.error.empty()) {
            EXPECT_EQ(VoPrinter->Framework().printer().device, "B") << row.name;
            EXPECT_EQ(applied().dmPaperSize, DMPAPER_LETTER) << row.name;
        }
        TearDown();
    }
}

using Poll = Global;

TEST_F(Poll, ChangesReachTheUserInterfaceThread)
{
    spooler->setPorts({"P1"});
    int changes = 0;
    VoPrinter->SetOnSystemChanged([&](TVoPrinter *) { ++changes; });
    VoPrinter->SetIndex(1);
    VoPrinter->SetCopies(3);
    VoPrinter->StartPolling(std::chrono::milliseconds(30));
    const auto pump = [&](int expected) {
        QElapsedTimer t;
        t.start();
        while (changes < expected && t.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    };
    // Nothing changes: a few polls pass without a reaction.
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(VoPrinter->Modified());

    spooler->setPorts({"P1", "P2"});
    pump(1);
    EXPECT_EQ(changes, 1) << "ports changed";
    EXPECT_TRUE(VoPrinter->Modified()) << "a port change keeps the settings copy";

    spooler->removePrinter("B");
    pump(2);
    EXPECT_EQ(changes, 2) << "printer removed";
    EXPECT_FALSE(VoPrinter->Modified());
    EXPECT_EQ(VoPrinter->PrinterNames(), QStringList({"A"}));
    VoPrinter->StopPolling();
}

TEST_F(Poll, ARunningJobKeepsThePrinterListUntilItEnds)
{
    int changes = 0;
    VoPrinter->SetOnSystemChanged([&](TVoPrinter *) { ++changes; });
    VoPrinter->StartPolling(std::chrono::milliseconds(20));
    VoPrinter->BeginDoc("long job");
    spooler->removePrinter("B");
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(VoPrinter->Printing());
    VoPrinter->Canvas()->drawText(QPoint(1, 1), "still drawing");
    VoPrinter->EndDoc();
    t.restart();
    while (changes == 0 && t.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(spooler->jobs().back().finished);
    VoPrinter->StopPolling();
}

// The first listing on a worker thread: the object holds no printer until
// the listing is taken in on this thread, which runs OnListed; a listing
// that fails ends the wait all the same, with no printer.
TEST(GlobalObject, FirstListingInTheBackground)
{
    for (const bool fails : {false, true}) {
        auto fake = std::make_unique<FakeSpooler>();
        fake->setPrinters({FakePrinter::standard("A"), FakePrinter::standard("B")});
        if (fails)
            fake->failOn(FakeSpooler::Operation::EnumPrinters, "down");
        createVoPrinter(std::move(fake), std::chrono::milliseconds(0),
                        TVoPrinter::FirstListing::InBackground);
        int listed = 0;
        VoPrinter->SetOnListed([&](TVoPrinter *) { ++listed; });
        EXPECT_TRUE(VoPrinter->ListingPending()) << "taken in only on this thread";
        EXPECT_THROW(VoPrinter->SetIndex(0), EVoPrinterNoPrinter);
        QElapsedTimer t;
        t.start();
        while (listed == 0 && t.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_EQ(listed, 1) << fails;
        EXPECT_FALSE(VoPrinter->ListingPending());
        if (fails)
            EXPECT_THROW(VoPrinter->PrinterNames(), EVoPrinterNoPrinter);
        else
            EXPECT_EQ(VoPrinter->PrinterNames(), QStringList({"A", "B"}));
        destroyVoPrinter();
    }
}

TEST(GlobalObject, CreatedAndFreed)
{
    EXPECT_EQ(VoPrinter, nullptr);
    auto fake = std::make_unique<FakeSpooler>();
    fake->setPrinters({FakePrinter::standard("A")});
    createVoPrinter(std::move(fake), std::chrono::milliseconds(10));
    ASSERT_NE(VoPrinter, nullptr);
    EXPECT_EQ(VoPrinter->PrinterNames(), QStringList({"A"}));
    destroyVoPrinter();
    EXPECT_EQ(VoPrinter, nullptr);
}

} // namespace
