// The printer layer against a private CUPS scheduler started from
// tests/cups: listing, capabilities, jobs, failures and list changes.
#include "PrivateCupsd.h"
#include "spooler/CupsSpooler.h"
#include "spooler/DevMode.h"
#include "spooler/SpoolerWithPdf.h"
#include "printer/VoPrinters.h"
#include "spooler/FrameworkPrinter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QRegularExpression>
#include <QThread>
#include <cstdlib>
#include <iostream>
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace devmode;

void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

void PrintTo(const TSize &s, std::ostream *os)
{
    *os << "(" << s.cx << ", " << s.cy << ")";
}

namespace {

PrivateCupsd *cupsd = nullptr;

struct CupsJobInfo
{
    QString title;
    QString state;
};

std::vector<CupsJobInfo> jobsOf(const QString &printer)
{
    cups_job_t *jobs = nullptr;
    const int n =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
    std::vector<CupsJobInfo> out;
    for (int i = 0; i < n; ++i)
        out.push_back({QString::fromUtf8(jobs[i].title), QString::number(int(jobs[i].state))});
    cupsFreeJobs(n, jobs);
    return out;
}

// The job's attribute as the scheduler keeps it, as text.
QString jobAttribute(int jobId, const char *name)
{
    ipp_t *request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = QStringLiteral("ipp://localhost/jobs/%1").arg(jobId).toUtf8();
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 name);
    ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    QString text;
    if (ipp_attribute_t *attr = ippFindAttribute(response, name, IPP_TAG_ZERO)) {
        char buffer[1024];
        ippAttributeString(attr, buffer, sizeof buffer);
        text = QString::fromUtf8(buffer);
    }
    ippDelete(response);
    return text;
}

int lastJobId(const QString &printer)
{
    cups_job_t *jobs = nullptr;
    const int n =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
    int id = 0;
    for (int i = 0; i < n; ++i)
        id = std::max(id, jobs[i].id);
    cupsFreeJobs(n, jobs);
    return id;
}

QString pdfinfo(const QString &path)
{
    QProcess p;
    p.start("pdfinfo", {path});
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

QString field(const QString &info, const QString &name)
{
    const QRegularExpression re("^" + name + ":\\s*(.*)$", QRegularExpression::MultilineOption);
    return re.match(info).captured(1).trimmed();
}

// Waits until the file exists and holds a whole PDF.
bool waitForPdf(const QString &path, int ms = 15000)
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

std::string raised(const std::function<void()> &call)
{
    try {
        call();
    } catch (const EVoPrinter &e) {
        return e.what();
    }
    return "";
}

class Cups : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        cupsd = new PrivateCupsd;
        if (cupsd->running()) {
            ::setenv("CUPS_SERVER", cupsd->server().toUtf8().constData(), 1);
            cupsd->addPrinter("KanroA");
            cupsd->addPrinter("KanroB");
            cupsd->run("lpadmin", {"-d", "KanroB"});
        }
    }
    static void TearDownTestSuite()
    {
        delete cupsd;
        cupsd = nullptr;
    }
    void SetUp() override
    {
        // A scheduler that cannot be started is a failure, never a skip.
        ASSERT_TRUE(cupsd->running()) << cupsd->error().toStdString();
    }
};

TEST_F(Cups, ListsItsQueuesWithTheDefaultAndThePdfPrinterLast)
{
    CupsSpooler cups;
    const std::vector<PrinterRecord> expected{{"KanroA", 0}, {"KanroB", 0}};
    EXPECT_EQ(cups.enumPrinters(), expected);
    EXPECT_EQ(cups.defaultPrinter(), "KanroB");
    EXPECT_EQ(cups.portName("KanroA"), "file://" + cupsd->outputPath("KanroA.pdf"));
    EXPECT_TRUE(cups.enumPorts().contains("file://" + cupsd->outputPath("KanroB.pdf")));
    EXPECT_EQ(cups.driverName("KanroA"), "Kanro Test Printer");

    SpoolerWithPdf spooler(std::make_unique<CupsSpooler>(), QDir::tempPath());
    TVoPrinter printer(spooler);
    EXPECT_EQ(printer.PrinterNames(), QStringList({"KanroA", "KanroB", PdfSpooler::printerName()}));
    EXPECT_EQ(printer.Index(), 1);
}

TEST_F(Cups, CapabilitiesComeFromThePrinterDescription)
{
    SpoolerWithPdf spooler(std::make_unique<CupsSpooler>(), QDir::tempPath());
    TVoPrinter printer(spooler);
    printer.SetIndex(0);
    struct Paper
    {
        int number;
        const char *name;
    };
    const Paper papers[] = {{DMPAPER_A5, "A5"},
                            {DMPAPER_A4, "A4"},
                            {DMPAPER_B5, "B5 (JIS)"},
                            {DMPAPER_LETTER, "レター"},
                            {DMPAPER_JAPANESE_POSTCARD, "はがき"},
                            {DMPAPER_USER, "105 x 241 mm"}};
    ASSERT_EQ(printer.NumPaperSizes(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(printer.PaperSizeNumbers(i), papers[i].number) << papers[i].name;
        EXPECT_EQ(printer.PaperSizeNames().at(i), QString::fromUtf8(papers[i].name));
    }
    struct Bin
    {
        int number;
        const char *name;
    };
    const Bin bins[] = {{DMBIN_AUTO, "自動選択"},
                        {DMBIN_MANUAL, "手差し"},
                        {DMBIN_UPPER, "上段トレイ"},
                        {DMBIN_LOWER, "下段トレイ"},
                        {DMBIN_TRACTOR, "連続用紙"}};
    ASSERT_EQ(printer.NumBins(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(printer.BinNumbers(i), bins[i].number) << bins[i].name;
        EXPECT_EQ(printer.BinNames().at(i), QString::fromUtf8(bins[i].name));
    }
    ASSERT_EQ(printer.NumQualities(), 3);
    EXPECT_EQ(printer.Qualities(0), (TSize{300, 300}));
    EXPECT_EQ(printer.Qualities(2), (TSize{360, 180}));
    EXPECT_EQ(printer.MaxCopies(), 9999);
    EXPECT_EQ(printer.PaperSizeIndex(), 0);
    EXPECT_EQ(printer.BinIndex(), 0);
    EXPECT_FALSE(printer.Color());

    // A5 of the description is 420 x 595 pt with 12 pt margins: at 600 dpi
    // 3500 x 4958 pixels, the printable area 100 pixels in.
    EXPECT_EQ(printer.DPI(), (TSize{600, 600}));
    EXPECT_EQ(printer.PaperExtent(), (TSize{3500, 4958}));
    EXPECT_EQ(printer.Offset(), (TSize{100, 100}));
    EXPECT_EQ(printer.PageExtent(), (TSize{3300, 4758}));
    EXPECT_EQ(printer.ColorBitCount(), 1);

    printer.SetQuality({360, 180});
    printer.SetBinIndex(4);
    printer.SetPaperSizeIndex(1);
    printer.ApplySettings();
    EXPECT_EQ(printer.DPI(), (TSize{360, 180}));
    EXPECT_EQ(printer.PaperExtent(), (TSize{2975, 2105})) << "A4 of 595 x 842 pt";
    EXPECT_EQ(printer.BinNumber(), DMBIN_TRACTOR);
    const QByteArray block = printer.Framework().printer().settings->bytes();
    EXPECT_EQ(CupsSpooler::mediaKeyword(block), "iso_a4_210x297mm");
    EXPECT_EQ(CupsSpooler::sourceKeyword(block), "tractor");
    EXPECT_EQ(printer.Framework().settingsLockCount(), 0);
}

TEST_F(Cups, ValidationMergesChangedBlocks)
{
    CupsSpooler cups;
    struct Row
    {
        const char *name;
        std::function<void(DEVMODEW &)> change;
        int paper;
        const char *media;
        int bin;
        const char *source;
        int copies;
        int dpi;
    };
    const Row rows[] = {
        {"defaults stay", [](DEVMODEW &) {}, DMPAPER_A5, "iso_a5_148x210mm", DMBIN_AUTO, "auto", 1,
         600},
        {"paper number picks its medium",
         [](DEVMODEW &d) { d.dmPaperSize = DMPAPER_JAPANESE_POSTCARD; }, DMPAPER_JAPANESE_POSTCARD,
         "jpn_hagaki_100x148mm", DMBIN_AUTO, "auto", 1, 600},
        {"plain 256 is the first other size", [](DEVMODEW &d) { d.dmPaperSize = DMPAPER_USER; },
         DMPAPER_USER, "na_number-10_4.125x9.5in", DMBIN_AUTO, "auto", 1, 600},
        {"user size of a listed medium",
         [](DEVMODEW &d) {
             d.dmPaperSize = DMPAPER_USER;
             d.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
             d.dmPaperWidth = 2100;
             d.dmPaperLength = 2970;
         },
         DMPAPER_A4, "iso_a4_210x297mm", DMBIN_AUTO, "auto", 1, 600},
        {"user size of no listed medium",
         [](DEVMODEW &d) {
             d.dmPaperSize = DMPAPER_USER;
             d.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
             d.dmPaperWidth = 1143;
             d.dmPaperLength = 2000;
         },
         DMPAPER_USER, "custom_114.3x200mm", DMBIN_AUTO, "auto", 1, 600},
        {"unknown paper falls back to the default", [](DEVMODEW &d) { d.dmPaperSize = 70; },
         DMPAPER_A5, "iso_a5_148x210mm", DMBIN_AUTO, "auto", 1, 600},
        {"bin number picks its source", [](DEVMODEW &d) { d.dmDefaultSource = DMBIN_TRACTOR; },
         DMPAPER_A5, "iso_a5_148x210mm", DMBIN_TRACTOR, "tractor", 1, 600},
        {"unknown bin falls back", [](DEVMODEW &d) { d.dmDefaultSource = 300; }, DMPAPER_A5,
         "iso_a5_148x210mm", DMBIN_AUTO, "auto", 1, 600},
        {"copies above the limit", [](DEVMODEW &d) { d.dmCopies = std::int16_t(40000); },
         DMPAPER_A5, "iso_a5_148x210mm", DMBIN_AUTO, "auto", 9999, 600},
        {"unoffered resolution",
         [](DEVMODEW &d) {
             d.dmPrintQuality = 1200;
             d.dmYResolution = 1200;
         },
         DMPAPER_A5, "iso_a5_148x210mm", DMBIN_AUTO, "auto", 1, 600},
        {"offered resolution",
         [](DEVMODEW &d) {
             d.dmPrintQuality = 300;
             d.dmYResolution = 300;
         },
         DMPAPER_A5, "iso_a5_148x210mm", DMBIN_AUTO, "auto", 1, 300},
    };
    for (const Row &row : rows) {
        QByteArray block = cups.defaultSettings("KanroA");
        row.change(*fields(block));
        cups.validateSettings("KanroA", block);
        const DEVMODEW *dm = fields(block);
        EXPECT_EQ(dm->dmPaperSize, row.paper) << row.name;
        EXPECT_EQ(CupsSpooler::mediaKeyword(block), row.media) << row.name;
        EXPECT_EQ(dm->dmDefaultSource, row.bin) << row.name;
        EXPECT_EQ(CupsSpooler::sourceKeyword(block), row.source) << row.name;
        EXPECT_EQ(std::uint16_t(dm->dmCopies), row.copies) << row.name;
        EXPECT_EQ(dm->dmPrintQuality, row.dpi) << row.name;
    }
}

TEST_F(Cups, TwoPageJobArrivesAsPdfWithItsNameAndPaper)
{
    SpoolerWithPdf spooler(std::make_unique<CupsSpooler>(), QDir::tempPath());
    TVoPrinter printer(spooler);
    printer.SetIndex(0);
    printer.SetPaperSizeIndex(1); // A4
    printer.SetBinNumber(DMBIN_MANUAL);
    printer.ApplySettings();
    const QString out = cupsd->outputPath("KanroA.pdf");
    QFile::remove(out);
    printer.BeginDoc("Kanro_Vey_1_0_-123");
    ASSERT_NE(printer.Canvas(), nullptr);
    printer.Canvas()->drawText(QPoint(600, 600), "納品書 1");
    printer.Newpage();
    printer.Canvas()->drawText(QPoint(600, 600), "納品書 2");
    printer.EndDoc();
    EXPECT_FALSE(printer.Printing());
    ASSERT_TRUE(waitForPdf(out)) << cupsd->log().toStdString();
    const QString info = pdfinfo(out);
    EXPECT_EQ(field(info, "Pages"), "2") << info.toStdString();
    EXPECT_TRUE(field(info, "Page size").startsWith("595")) << info.toStdString();
    const auto jobs = jobsOf("KanroA");
    ASSERT_FALSE(jobs.empty());
    EXPECT_EQ(jobs.back().title, "Kanro_Vey_1_0_-123");
    const QString media = jobAttribute(lastJobId("KanroA"), "media-col");
    EXPECT_TRUE(media.contains("media-source=manual")) << media.toStdString();
    EXPECT_TRUE(media.contains("x-dimension=2")) << media.toStdString();
}

TEST_F(Cups, AbortedJobNeverReachesTheScheduler)
{
    SpoolerWithPdf spooler(std::make_unique<CupsSpooler>(), QDir::tempPath());
    TVoPrinter printer(spooler);
    printer.SetIndex(1);
    const std::size_t before = jobsOf("KanroB").size();
    printer.BeginDoc("Kanro_Vey_1_0_-cancelled");
    printer.Canvas()->drawText(QPoint(100, 100), "x");
    printer.Abort();
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(jobsOf("KanroB").size(), before);
}

TEST_F(Cups, RejectedJobAndDeletedPrinterAreReportedAndCancelled)
{
    ASSERT_TRUE(cupsd->addPrinter("KanroC"));
    SpoolerWithPdf spooler(std::make_unique<CupsSpooler>(), QDir::tempPath());
    TVoPrinter printer(spooler);
    printer.SetIndex(2);
    ASSERT_EQ(printer.PrinterNames().at(2), "KanroC");

    // A rejecting printer is told before anything is drawn; one that starts
    // rejecting while the job is drawn refuses it at the end.
    ASSERT_EQ(cupsd->run("cupsreject", {"KanroC"}), 0);
    const std::string refused = raised([&] { printer.BeginDoc("rejected"); });
    EXPECT_EQ(refused, "TVoPrinter.BeginDoc: Cannot start the print job (The printer \"KanroC\" "
                       "does not accept jobs)");
    EXPECT_FALSE(printer.Printing());
    ASSERT_EQ(cupsd->run("cupsaccept", {"KanroC"}), 0);
    printer.BeginDoc("rejected");
    ASSERT_EQ(cupsd->run("cupsreject", {"KanroC"}), 0);
    const std::string rejected = raised([&] { printer.EndDoc(); });
    EXPECT_TRUE(rejected.starts_with("TVoPrinter.EndDoc: Cannot print the job; it was cancelled "
                                     "(The scheduler refused the job ("))
        << rejected;
    EXPECT_FALSE(printer.Printing());

    ASSERT_EQ(cupsd->run("lpadmin", {"-x", "KanroC"}), 0);
    const std::string gone = raised([&] { printer.BeginDoc("deleted"); });
    EXPECT_TRUE(gone.starts_with(
        "TVoPrinter.BeginDoc: Cannot start the print job (The printer \"KanroC\" does not exist"))
        << gone;
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(printer.Framework().settingsLockCount(), 0);
    EXPECT_NE(raised([&] {
                  printer.SetCopies(2);
                  printer.ApplySettings();
              }),
              "");
    EXPECT_EQ(printer.Framework().settingsLockCount(), 0);
}

// One operator action reads a printer once; the next action, and any job,
// ask the scheduler again. Rows run in order on one spooler.
TEST_F(Cups, CapabilityReadsAreReusedWithinOneActionOnly)
{
    ASSERT_TRUE(cupsd->addPrinter("KanroE"));
    CupsSpooler cups(600);
    const auto papers = [&] { return cups.capabilities("KanroE", {}).papers.size(); };
    const auto failure = [&](const std::function<void()> &call) -> std::string {
        try {
            call();
        } catch (const SpoolerError &e) {
            return e.what();
        }
        return "";
    };
    {
        const SpoolerReadReuse action(&cups);
        const std::size_t first = papers();
        ASSERT_GT(first, 0u);
        const QString defaultName = cups.defaultPrinter();
        // A job reads afresh even inside the action: it sees the rejection.
        ASSERT_EQ(cupsd->run("cupsreject", {"KanroE"}), 0);
        EXPECT_EQ(failure([&] { cups.startJob("KanroE", {}, cups.defaultSettings("KanroE"), "t"); }),
                  "The printer \"KanroE\" does not accept jobs");
        ASSERT_EQ(cupsd->run("cupsaccept", {"KanroE"}), 0);
        // The scheduler stops: the action still has what it read.
        cupsd->pause();
        QElapsedTimer t;
        t.start();
        EXPECT_EQ(papers(), first);
        // The selection's other reads too: the make, the device, the default.
        EXPECT_EQ(cups.driverName("KanroE"), "Kanro Test Printer");
        EXPECT_EQ(cups.portName("KanroE"), "file://" + cupsd->outputPath("KanroE.pdf"));
        EXPECT_EQ(cups.defaultPrinter(), defaultName);
        EXPECT_LT(t.elapsed(), 100) << "reused, not asked";
    }
    // The next action asks and finds the scheduler silent, within the timeout.
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(failure([&] { papers(); }),
              "The CUPS scheduler at " + cupsd->server().toStdString() + " does not answer");
    EXPECT_LT(t.elapsed(), 2000);
    // Outside an action the make is asked for: a silent scheduler fails it.
    EXPECT_EQ(failure([&] { cups.driverName("KanroE"); }),
              "The CUPS scheduler at " + cupsd->server().toStdString() + " does not answer");
    cupsd->resume();
    EXPECT_EQ(cupsd->run("lpadmin", {"-x", "KanroE"}), 0);
}

// A prefetch reads the printers on a worker thread; a selection right after
// finds them read, and a spooler destroyed while a scheduler keeps silent
// ends within one timeout.
TEST_F(Cups, PrefetchServesTheFirstSelectionAndNeverHoldsTheEnd)
{
    {
        CupsSpooler cups(600);
        cups.prefetch({"KanroA", "KanroB"});
        const SpoolerReadReuse action(&cups);
        const std::size_t expected = CupsSpooler().capabilities("KanroB", {}).papers.size();
        // The worker reads both meanwhile (tens of milliseconds); what it
        // read stays reusable for a second and a half.
        QThread::msleep(800);
        cupsd->pause();
        QElapsedTimer t;
        t.start();
        EXPECT_EQ(cups.capabilities("KanroB", {}).papers.size(), expected);
        EXPECT_LT(t.elapsed(), 100) << "prefetched";
        cupsd->resume();
    }
    cupsd->pause();
    QElapsedTimer t;
    t.start();
    {
        CupsSpooler cups(600);
        cups.prefetch({"KanroA", "KanroB"});
    }
    EXPECT_LT(t.elapsed(), 2000) << "the worker's request ends within its timeout";
    cupsd->resume();
}

TEST_F(Cups, RemovedPrinterIsNoticedWithinOnePoll)
{
    ASSERT_TRUE(cupsd->addPrinter("KanroD"));
    SpoolerWithPdf spooler(std::make_unique<CupsSpooler>(), QDir::tempPath());
    TVoPrinter printer(spooler);
    ASSERT_TRUE(printer.PrinterNames().contains("KanroD"));
    int changes = 0;
    printer.SetOnSystemChanged([&](TVoPrinter *) { ++changes; });
    const std::chrono::milliseconds interval(500);
    printer.StartPolling(interval);
    ASSERT_EQ(cupsd->run("lpadmin", {"-x", "KanroD"}), 0);
    QElapsedTimer t;
    t.start();
    // The removal is seen by the next poll: within one interval plus the
    // time of one listing (given a second interval of room, as a loaded
    // two-core machine may be slow to list; a missed poll would take two).
    while (changes == 0 && t.elapsed() < 8 * interval.count())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(changes, 1);
    EXPECT_LT(t.elapsed(), 3 * interval.count());
    std::cout << "removal noticed after " << t.elapsed() << " ms\n";
    EXPECT_FALSE(printer.PrinterNames().contains("KanroD"));
    printer.StopPolling();
}

TEST_F(Cups, UnreachableSchedulerAtStartLeavesThePdfPrinterAlone)
{
    std::vector<PrinterRecord> listed;
    std::string cupsError;
    // libcups keeps its server per thread: this thread asks a closed port.
    std::thread other([&] {
        cupsSetServer("localhost:1");
        SpoolerWithPdf spooler(std::make_unique<CupsSpooler>(500), QDir::tempPath());
        listed = spooler.enumPrinters();
        try {
            CupsSpooler().enumPrinters();
        } catch (const SpoolerError &e) {
            cupsError = e.what();
        }
    });
    other.join();
    const std::vector<PrinterRecord> expected{{PdfSpooler::printerName(), 0}};
    EXPECT_EQ(listed, expected);
    EXPECT_TRUE(cupsError.starts_with("Cannot reach the CUPS scheduler at localhost")) << cupsError;
}

TEST_F(Cups, SilentSchedulerEndsInAnErrorWithinTheTimeout)
{
    // A listener that accepts connections and never answers.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len), 0);
    const QByteArray server = "localhost:" + QByteArray::number(ntohs(addr.sin_port));
    std::string error;
    qint64 elapsed = 0;
    std::thread other([&] {
        cupsSetServer(server.constData());
        QElapsedTimer t;
        t.start();
        try {
            CupsSpooler(500).enumPrinters();
        } catch (const SpoolerError &e) {
            error = e.what();
        }
        elapsed = t.elapsed();
    });
    other.join();
    ::close(fd);
    EXPECT_EQ(error, "The CUPS scheduler at " + server.toStdString() + " does not answer");
    EXPECT_LT(elapsed, 3000);
}

} // namespace
