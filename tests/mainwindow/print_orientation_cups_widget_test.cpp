// Each layout on the page it is drawn for, whatever the set-up dialog last
// chose, and a question before a note goes on paper smaller than A5: the
// print command against a private CUPS scheduler, pages read with pdfinfo.
#include "DriverlessPrinter.h"
#include "PrivateCupsd.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "spooler/CupsSpooler.h"
#include "spooler/DevMode.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "spooler/SpoolerWithPdf.h"
#include "printer/VoPrinters.h"
#include "printing/PrintCommand.h"
#include "printing/PrinterRegistration.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <cups/cups.h>
#include <optional>
#include <gtest/gtest.h>

using namespace devmode;
using namespace printing;

namespace {

bool waitForPdf(const QString &path, int ms = 30000)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly) && f.size() > 0 && f.readAll().trimmed().endsWith("%%EOF"))
            return true;
        QThread::msleep(50);
    }
    return false;
}

// The first page as it shows: width and height in points after its rotation.
QSizeF shownPage(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(20000);
    const QString info = QString::fromLocal8Bit(p.readAllStandardOutput());
    const auto size =
        QRegularExpression(QStringLiteral("Page size:\\s*([0-9.]+) x ([0-9.]+)")).match(info);
    const auto rot = QRegularExpression(QStringLiteral("Page rot:\\s*([0-9]+)")).match(info);
    QSizeF s(size.captured(1).toDouble(), size.captured(2).toDouble());
    if (rot.captured(1).toInt() % 180 == 90)
        s.transpose();
    return s;
}

int jobCount(const QString &printer)
{
    cups_job_t *jobs = nullptr;
    const int n =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
    cupsFreeJobs(n, jobs);
    return n;
}

} // namespace

TEST(PrintOrientation, EachLayoutOnItsOwnPageAndAQuestionForSmallPaper)
{
    PrivateCupsd cupsd;
    ASSERT_TRUE(cupsd.running()) << cupsd.error().toStdString();
    ::setenv("CUPS_SERVER", cupsd.server().toUtf8().constData(), 1);
    cupsSetServer(cupsd.server().toUtf8().constData());
    ASSERT_TRUE(cupsd.addPrinter(QStringLiteral("KanroA")));
    QTemporaryDir dir;
    registerFontSubstitutions();
    Dialogs::setTestMode(true);
    writeRegistration(registrationFilePath(dir.path()), QStringLiteral("手差し"),
                      QStringLiteral("KanroA"), {"0", "0", "0"});
    createVoPrinter(std::make_unique<SpoolerWithPdf>(std::make_unique<CupsSpooler>(), dir.path()),
                    std::chrono::milliseconds(0));
    {
        TForm_Main w(dir.path());
        w.show();
        QApplication::processEvents();
        w.Edit_Custo1->setText(QStringLiteral("山田太郎"));
        w.KiNumEdit_Slipno->setText(QStringLiteral("5"));
        const QString out = cupsd.outputPath(QStringLiteral("KanroA.pdf"));

        // The scheduler's filter turns every page onto the queue's A5 sheet;
        // the page the program sends is read where it lands unchanged, in
        // the built-in PDF printer's file.
        struct Row
        {
            const char *name;
            int layout;
            bool dialogLandscape; // what the set-up dialog last chose
            bool landscapePage;
        };
        const Row rows[] = {
            {"layout 1, dialog portrait", 0, false, false},
            {"layout 1, dialog landscape: still portrait", 0, true, false},
            {"layout 2, dialog landscape: still portrait", 1, true, false},
            {"landscape layout, dialog portrait: landscape", 2, false, true},
            {"landscape layout, dialog landscape", 2, true, true},
        };
        const QString pdfDir = QDir(dir.path()).filePath(QStringLiteral("納品書PDF"));
        for (const bool onCups : {true, false}) {
            VoPrinter->SetIndex(onCups ? 0 : 1);
            for (const Row &r : rows) {
                VoPrinter->SetOrientation(r.dialogLandscape ? voOrLandScape : voOrPortrait);
                VoPrinter->ApplySettings();
                w.ComboBox_Paper->setCurrentIndex(r.layout);
                QFile::remove(out);
                QDir(pdfDir).removeRecursively();
                Dialogs::pushAnswer(true);
                w.SpeedButton_F11Click();
                EXPECT_EQ(Dialogs::shownTexts().size(), 1)
                    << r.name << ": " << Dialogs::shownTexts().join(" | ").toStdString();
                QString file = out;
                if (!onCups) {
                    const QStringList files = QDir(pdfDir).entryList(QDir::Files);
                    ASSERT_EQ(files.size(), 1) << r.name;
                    file = QDir(pdfDir).filePath(files.front());
                }
                ASSERT_TRUE(waitForPdf(file)) << r.name << cupsd.log().toStdString();
                const QSizeF page = shownPage(file);
                if (!onCups) {
                    EXPECT_EQ(page.width() > page.height(), r.landscapePage)
                        << r.name << ": " << page.width() << " x " << page.height();
                }
                EXPECT_NEAR(std::max(page.width(), page.height()), 595.3, 2) << r.name << ": A5";
                EXPECT_EQ(VoPrinter->Orientation(),
                          r.dialogLandscape ? voOrLandScape : voOrPortrait)
                    << r.name << ": the operator's choice stays";
                Dialogs::resetForTest();
                Dialogs::setTestMode(true);
            }
        }
        VoPrinter->SetIndex(0);

        // Hagaki is smaller than A5: asked first; No prints nothing, Yes prints.
        VoPrinter->SetOrientation(voOrPortrait);
        VoPrinter->SetPaperSizeNumber(DMPAPER_JAPANESE_POSTCARD);
        VoPrinter->ApplySettings();
        w.ComboBox_Paper->setCurrentIndex(0);
        const int before = jobCount(QStringLiteral("KanroA"));
        Dialogs::pushAnswer(true);
        Dialogs::pushAnswer(false);
        w.SpeedButton_F11Click();
        EXPECT_EQ(Dialogs::shownTexts(), (QStringList{ConfirmPrintMessage, SmallPaperQuestion}));
        EXPECT_EQ(jobCount(QStringLiteral("KanroA")), before) << "No prints nothing";
        Dialogs::pushAnswer(true);
        Dialogs::pushAnswer(true);
        w.SpeedButton_F11Click();
        EXPECT_EQ(jobCount(QStringLiteral("KanroA")), before + 1);
    }
    destroyVoPrinter();
    Dialogs::resetForTest();
    ::unsetenv("CUPS_SERVER");
    cupsSetServer(nullptr);
}

namespace {

// The media-col the scheduler keeps for a printer's last job, as text.
QString lastJobMediaCol(const QString &printer)
{
    cups_job_t *jobs = nullptr;
    const int n =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
    int id = 0;
    for (int i = 0; i < n; ++i)
        id = std::max(id, jobs[i].id);
    cupsFreeJobs(n, jobs);
    ipp_t *request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = QStringLiteral("ipp://localhost/jobs/%1").arg(id).toUtf8();
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    QString text;
    if (ipp_attribute_t *attr = ippFindAttribute(response, "media-col", IPP_TAG_ZERO)) {
        char buffer[1024];
        ippAttributeString(attr, buffer, sizeof buffer);
        text = QString::fromUtf8(buffer);
    }
    ippDelete(response);
    return text;
}

} // namespace

// One printer for both feeds: the manual feed registered with A5 from the
// manual bin, continuous forms with A4 from the tractor; after a restart
// each feed sends its own paper and bin.
TEST(PrintOrientation, EachFeedKeepsItsPaperAndBin)
{
    PrivateCupsd cupsd;
    ASSERT_TRUE(cupsd.running()) << cupsd.error().toStdString();
    ::setenv("CUPS_SERVER", cupsd.server().toUtf8().constData(), 1);
    cupsSetServer(cupsd.server().toUtf8().constData());
    ASSERT_TRUE(cupsd.addPrinter(QStringLiteral("KanroA")));
    QTemporaryDir dir;
    registerFontSubstitutions();
    Dialogs::setTestMode(true);
    setPrinterDialogExecHook([](QDialog &) { return int(QDialog::Rejected); });
    struct Feed
    {
        int item;
        int paper;
        int bin;
        const char *width;
        const char *source;
    };
    const Feed feeds[] = {
        // The sheet as the test PPD gives it in points (A5 420, A4 595 wide).
        {0, DMPAPER_A5, DMBIN_MANUAL, "x-dimension=14817 ", "media-source=manual}"},
        {1, DMPAPER_A4, DMBIN_TRACTOR, "x-dimension=20990 ", "media-source=tractor}"},
    };
    const auto startWindow = [&dir] {
        createVoPrinter(
            std::make_unique<SpoolerWithPdf>(std::make_unique<CupsSpooler>(), dir.path()),
            std::chrono::milliseconds(0));
        auto w = std::make_unique<TForm_Main>(dir.path());
        w->show();
        QApplication::processEvents();
        return w;
    };
    {
        auto w = startWindow();
        for (const Feed &f : feeds) {
            w->ComboBox_SEL->setCurrentIndex(f.item);
            w->ComboBox_SELChange();
            VoPrinter->SetPaperSizeNumber(f.paper);
            VoPrinter->SetBinNumber(f.bin);
            VoPrinter->ApplySettings();
            w->BitBtn_PrnSetClick(); // the set-up dialog is cancelled
            const RegisteredPaper stored = readRegisteredPaper(registrationFilePath(dir.path()),
                                                               w->ComboBox_SEL->currentText());
            EXPECT_EQ(stored, (RegisteredPaper{f.paper, f.bin})) << f.item;
        }
        w.reset();
        destroyVoPrinter();
    }
    {
        auto w = startWindow();
        w->Edit_Custo1->setText(QStringLiteral("山田太郎"));
        w->KiNumEdit_Slipno->setText(QStringLiteral("9"));
        for (const Feed &f : feeds) {
            w->ComboBox_SEL->setCurrentIndex(f.item);
            w->ComboBox_SELChange();
            EXPECT_EQ(VoPrinter->PaperSizeNumber(), f.paper) << f.item;
            EXPECT_EQ(VoPrinter->BinNumber(), f.bin) << f.item;
            Dialogs::pushAnswer(true);
            w->SpeedButton_F11Click();
            const QString mediaCol = lastJobMediaCol(QStringLiteral("KanroA"));
            EXPECT_TRUE(mediaCol.contains(QString::fromUtf8(f.width))) << mediaCol.toStdString();
            EXPECT_TRUE(mediaCol.contains(QString::fromUtf8(f.source))) << mediaCol.toStdString();
        }
        // A bin the printer does not offer: its own setting stays, and the
        // status line says so.
        const QString ini = registrationFilePath(dir.path());
        writeRegisteredPaper(ini, w->ComboBox_SEL->currentText(), RegisteredPaper{DMPAPER_A4, 999});
        w->ComboBox_SELChange();
        EXPECT_EQ(w->StatusBar1->currentMessage(), RegisteredPaperMissingMessage);
        w.reset();
        destroyVoPrinter();
    }
    setPrinterDialogExecHook(nullptr);
    Dialogs::resetForTest();
    ::unsetenv("CUPS_SERVER");
    cupsSetServer(nullptr);
}

namespace {

// The page's text line by line as a reader sees it, turned upright first;
// runs of blanks count as one.
QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput())
        .replace(QRegularExpression(QStringLiteral("[ \\t]+")), QStringLiteral(" "));
}

// Whether a word runs across the sheet's short side, i.e. the note is
// turned a quarter on the sheet: its box is taller than wide.
std::optional<bool> wordRunsDown(const QString &pdf, const QString &word)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished(20000);
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    const auto m = QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" "
                                                     "xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">") +
                                      QRegularExpression::escape(word) + QStringLiteral("</word>"))
                       .match(html);
    if (!m.hasMatch())
        return std::nullopt;
    const double w = m.captured(3).toDouble() - m.captured(1).toDouble();
    const double h = m.captured(4).toDouble() - m.captured(2).toDouble();
    return h > w;
}

// A driverless printer behind a queue added with the everywhere model, as a
// shop sets one up; the scheduler that serves it is pointed at for libcups.
struct DriverlessQueue
{
    PrivateCupsd cupsd;
    DriverlessPrinter printer;
    QString error;

    DriverlessQueue()
    {
        if (!cupsd.running()) {
            error = cupsd.error();
            return;
        }
        if (!printer.running()) {
            error = printer.error();
            return;
        }
        QString output;
        if (!printer.addQueue(cupsd, QStringLiteral("KanroIPP"), &output)) {
            error = "lpadmin -m everywhere: " + output + cupsd.log();
            return;
        }
        ::setenv("CUPS_SERVER", cupsd.server().toUtf8().constData(), 1);
        cupsSetServer(cupsd.server().toUtf8().constData());
    }
    ~DriverlessQueue()
    {
        ::unsetenv("CUPS_SERVER");
        cupsSetServer(nullptr);
    }
};

// The window on a note with items at both rates, the shop block and a
// registration number: the parts a page too narrow loses.
std::unique_ptr<TForm_Main> startWindowOn(const QString &dir)
{
    const QString settings = QDir(dir).filePath(QStringLiteral("Kanro_Vey_1.ini"));
    if (!QFile::exists(settings))
        QFile::copy(QStringLiteral(KANRO_TEST_DATA "/invoice_prepared_cp932.ini"), settings);
    createVoPrinter(std::make_unique<SpoolerWithPdf>(std::make_unique<CupsSpooler>(), dir),
                    std::chrono::milliseconds(0));
    auto w = std::make_unique<TForm_Main>(dir);
    w->show();
    QApplication::processEvents();
    w->KiNumEdit_Slipno->setText(QStringLiteral("7"));
    return w;
}

} // namespace

// A driverless printer whose queue defaults to A5: every layout arrives on
// an A5 sheet, whole, with the media the printer was asked for; the
// landscape layout on a landscape page.
TEST(PrintOrientation, DriverlessPrinterGetsEachLayoutWhole)
{
    DriverlessQueue queue;
    ASSERT_TRUE(queue.error.isEmpty()) << queue.error.toStdString();
    QTemporaryDir dir;
    registerFontSubstitutions();
    Dialogs::setTestMode(true);
    writeRegistration(registrationFilePath(dir.path()), QStringLiteral("手差し"),
                      QStringLiteral("KanroIPP"), {"0", "0", "0"});
    {
        auto w = startWindowOn(dir.path());
        ASSERT_EQ(VoPrinter->PrinterNames().value(VoPrinter->Index()), QStringLiteral("KanroIPP"));
        EXPECT_EQ(VoPrinter->PaperSizeNumber(), DMPAPER_A5) << "the queue's default paper";
        struct Row
        {
            const char *name;
            int layout;
            bool dialogLandscape;
            bool landscapePage;
        };
        const Row rows[] = {
            {"layout 1", 0, false, false},
            {"layout 2, dialog landscape", 1, true, false},
            {"landscape layout, dialog portrait", 2, false, true},
        };
        int job = 0;
        for (const Row &r : rows) {
            VoPrinter->SetOrientation(r.dialogLandscape ? voOrLandScape : voOrPortrait);
            VoPrinter->ApplySettings();
            w->ComboBox_Paper->setCurrentIndex(r.layout);
            Dialogs::pushAnswer(true);
            w->SpeedButton_F11Click();
            EXPECT_EQ(Dialogs::shownTexts(), QStringList{ConfirmPrintMessage}) << r.name;
            DriverlessPrinter::Job got;
            ASSERT_TRUE(queue.printer.waitForJob(++job, &got))
                << r.name << queue.cupsd.log().toStdString() << queue.printer.log().toStdString();
            // The printer is fed A5 upright; the landscape note arrives on it
            // turned a quarter, the others upright.
            const QSizeF page = shownPage(got.pdf);
            EXPECT_NEAR(page.width(), 419.5, 2) << r.name << ": A5 as fed";
            EXPECT_NEAR(page.height(), 595.3, 2) << r.name << ": A5 as fed";
            EXPECT_EQ(wordRunsDown(got.pdf, QStringLiteral("T1234567890123")), r.landscapePage)
                << r.name;
            const QString mediaCol = got.attributes.value(QStringLiteral("IPP_MEDIA_COL"));
            EXPECT_TRUE(mediaCol.contains(QStringLiteral("x-dimension=14800 y-dimension=21000")))
                << r.name << ": " << mediaCol.toStdString();
            // The right-hand side of the note: shop block and tax summary.
            const QString text = pdfText(got.pdf);
            for (const char *expected :
                 {"甘露商店", "登録番号 T1234567890123", "10%対象 ¥5,400 消費税 ¥540"}) {
                EXPECT_TRUE(text.contains(QString::fromUtf8(expected)))
                    << r.name << ": " << expected << "\n"
                    << text.toStdString();
            }
            Dialogs::resetForTest();
            Dialogs::setTestMode(true);
        }
        w.reset();
        destroyVoPrinter();
    }
    Dialogs::resetForTest();
}

// One driverless printer for both feeds: the manual feed registered with A5
// from the manual bin, continuous forms with A4 from tray 1; after a restart
// the printer receives each feed's own paper and bin.
TEST(PrintOrientation, DriverlessPrinterGetsEachFeedsPaperAndBin)
{
    DriverlessQueue queue;
    ASSERT_TRUE(queue.error.isEmpty()) << queue.error.toStdString();
    QTemporaryDir dir;
    registerFontSubstitutions();
    Dialogs::setTestMode(true);
    setPrinterDialogExecHook([](QDialog &) { return int(QDialog::Rejected); });
    struct Feed
    {
        int item;
        int paper;
        const char *bin; // as the printer names it to the operator
        const char *media;
        const char *source;
    };
    const Feed feeds[] = {
        {0, DMPAPER_A5, "手差し", "x-dimension=14800 y-dimension=21000", "media-source=manual"},
        {1, DMPAPER_A4, "トレイ1", "x-dimension=21000 y-dimension=29700", "media-source=tray-1"},
    };
    {
        auto w = startWindowOn(dir.path());
        for (const Feed &f : feeds) {
            w->ComboBox_SEL->setCurrentIndex(f.item);
            w->ComboBox_SELChange();
            const int bin = VoPrinter->BinNames().indexOf(QString::fromUtf8(f.bin));
            ASSERT_GE(bin, 0) << VoPrinter->BinNames().join(",").toStdString();
            VoPrinter->SetPaperSizeNumber(f.paper);
            VoPrinter->SetBinIndex(bin);
            VoPrinter->ApplySettings();
            w->BitBtn_PrnSetClick(); // the set-up dialog is cancelled
        }
        w.reset();
        destroyVoPrinter();
    }
    {
        auto w = startWindowOn(dir.path());
        int job = 0;
        for (const Feed &f : feeds) {
            w->ComboBox_SEL->setCurrentIndex(f.item);
            w->ComboBox_SELChange();
            Dialogs::pushAnswer(true);
            w->SpeedButton_F11Click();
            DriverlessPrinter::Job got;
            ASSERT_TRUE(queue.printer.waitForJob(++job, &got)) << queue.cupsd.log().toStdString();
            const QString mediaCol = got.attributes.value(QStringLiteral("IPP_MEDIA_COL"));
            EXPECT_TRUE(mediaCol.contains(QString::fromUtf8(f.media))) << mediaCol.toStdString();
            EXPECT_TRUE(mediaCol.contains(QString::fromUtf8(f.source))) << mediaCol.toStdString();
            const QSizeF page = shownPage(got.pdf);
            EXPECT_NEAR(page.height(), f.paper == DMPAPER_A5 ? 595.3 : 841.9, 2) << f.item;
        }
        w.reset();
        destroyVoPrinter();
    }
    setPrinterDialogExecHook(nullptr);
    Dialogs::resetForTest();
}
