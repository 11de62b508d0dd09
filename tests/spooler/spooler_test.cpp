// Spooler pieces without painting: device measures, the settings block,
// the CUPS mappings, the framework printer and the PDF printer's place in
// the printer list.
#include "spooler/CupsSpooler.h"
#include "spooler/DevMode.h"
#include "FakeSpooler.h"
#include "spooler/FrameworkPrinter.h"
#include "spooler/SpoolerWithPdf.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace devmode;

void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

std::string thrown(const std::function<void()> &call)
{
    try {
        call();
    } catch (const SpoolerError &e) {
        return e.what();
    }
    return "";
}

TEST(DevModeBlock, LayoutAndWideFields)
{
    QByteArray block = newBlock(QString(40, QChar('P')), 16);
    EXPECT_EQ(block.size(), 220 + 16);
    const DEVMODEW *dm = fields(block);
    EXPECT_EQ(dm->dmSize, 220);
    EXPECT_EQ(dm->dmDriverExtra, 16);
    EXPECT_EQ(wide(dm->dmDeviceName, CCHDEVICENAME), QString(31, QChar('P')))
        << "cut to 31 and a NUL";
    EXPECT_EQ(fields(QByteArray(100, '\0')), nullptr);
    EXPECT_EQ(driverBytes(block) - block.data(), 220);
}

TEST(DeviceMeasures, FromGeometry)
{
    struct Row
    {
        const char *name;
        PageGeometry g;
        DeviceMetrics expected;
    };
    const Row rows[] = {
        {"A5 at 600 dpi without margins",
         {148, 210, 0, 0, 0, 0, 600, 600, false, 24},
         {3496, 4961, 148, 210, 600, 600, 3496, 4961, 0, 0, 24, 1}},
        {"A5 with margins",
         {148, 210, 5, 10, 5, 10, 600, 600, false, 1},
         {3496 - 236, 4961 - 472, 138, 190, 600, 600, 3496, 4961, 118, 236, 1, 1}},
        {"landscape turns the sheet and its margins",
         {148, 210, 1, 2, 3, 4, 600, 600, true, 1},
         {4961 - 47 - 94, 3496 - 71 - 24, 204, 144, 600, 600, 4961, 3496, 47, 71, 1, 1}},
        {"different x and y resolutions",
         {210, 297, 0, 0, 0, 0, 360, 180, false, 1},
         {2976, 2105, 210, 297, 360, 180, 2976, 2105, 0, 0, 1, 1}},
    };
    for (const Row &row : rows) {
        const DeviceMetrics m = computeMetrics(row.g);
        EXPECT_EQ(m.horzRes, row.expected.horzRes) << row.name;
        EXPECT_EQ(m.vertRes, row.expected.vertRes) << row.name;
        EXPECT_EQ(m.horzSize, row.expected.horzSize) << row.name;
        EXPECT_EQ(m.vertSize, row.expected.vertSize) << row.name;
        EXPECT_EQ(m.physicalWidth, row.expected.physicalWidth) << row.name;
        EXPECT_EQ(m.physicalHeight, row.expected.physicalHeight) << row.name;
        EXPECT_EQ(m.physicalOffsetX, row.expected.physicalOffsetX) << row.name;
        EXPECT_EQ(m.physicalOffsetY, row.expected.physicalOffsetY) << row.name;
        EXPECT_EQ(m.bitsPixel, row.expected.bitsPixel) << row.name;
    }
}

TEST(DeviceMeasures, GeometryFromBlock)
{
    QByteArray block = newBlock("X", 0);
    DEVMODEW *dm = fields(block);
    dm->dmFields = DM_PAPERSIZE | DM_ORIENTATION | DM_PRINTQUALITY;
    dm->dmPaperSize = DMPAPER_JAPANESE_POSTCARD;
    dm->dmOrientation = DMORIENT_LANDSCAPE;
    dm->dmPrintQuality = 300;
    PageGeometry g = geometryFromBlock(block, 600);
    EXPECT_EQ(g.widthMm, 100);
    EXPECT_EQ(g.lengthMm, 148);
    EXPECT_TRUE(g.landscape);
    EXPECT_EQ(g.dpiX, 300);
    EXPECT_EQ(g.dpiY, 300) << "no y resolution: square";

    dm->dmPrintQuality = DMRES_HIGH;
    EXPECT_EQ(geometryFromBlock(block, 600).dpiX, 600)
        << "a quality code takes the device's resolution";

    dm->dmPaperSize = DMPAPER_USER;
    dm->dmPaperWidth = 1000;
    dm->dmPaperLength = 2000;
    EXPECT_EQ(geometryFromBlock(block, 600).lengthMm, 200);
    dm->dmPaperSize = 70;
    EXPECT_EQ(thrown([&] { geometryFromBlock(block, 600); }), "Unknown paper size 70");
}

TEST(CupsMapping, PapersByDimensions)
{
    struct Row
    {
        const char *name;
        int width;
        int length;
        int number;
    };
    const Row rows[] = {
        {"A5", 14800, 21000, DMPAPER_A5},
        {"A5 from 420 x 595 pt", 14817, 20990, DMPAPER_A5},
        {"A4", 21000, 29700, DMPAPER_A4},
        {"JIS B5", 18200, 25700, DMPAPER_B5},
        {"ISO B5 is another size", 17600, 25000, DMPAPER_USER},
        {"Letter", 21590, 27940, DMPAPER_LETTER},
        {"Hagaki", 10000, 14800, DMPAPER_JAPANESE_POSTCARD},
        {"Envelope #10", 10477, 24130, DMPAPER_USER},
        {"A5 turned is not A5", 21000, 14800, DMPAPER_USER},
    };
    for (const Row &row : rows)
        EXPECT_EQ(CupsSpooler::paperNumberFor(row.width, row.length), row.number) << row.name;
}

TEST(CupsMapping, SourcesPerPrinter)
{
    struct Row
    {
        const char *name;
        QStringList sources;
        std::vector<int> numbers;
    };
    const Row rows[] = {
        {"known sources", {"auto", "manual", "top", "bottom", "tractor"}, {7, 4, 1, 2, 8}},
        {"first continuous feed only", {"continuous", "continuous-2", "auto"}, {8, 257, 7}},
        {"trays by position", {"tray-1", "tray-2", "manual"}, {256, 257, 4}},
        {"none", {}, {}},
    };
    for (const Row &row : rows)
        EXPECT_EQ(CupsSpooler::binNumbersFor(row.sources), row.numbers) << row.name;
}

TEST(CupsMapping, BinNamesInJapanese)
{
    struct Row
    {
        const char *keyword;
        const char *schedulerName;
        const char *shown;
    };
    const Row rows[] = {
        {"auto", "Automatic", "自動選択"},
        {"manual", "Manual Feed", "手差し"},
        {"tray-1", "Tray 1", "トレイ1"},
        {"tray-2", "", "トレイ2"},
        {"tray-10", "Tray 10", "トレイ10"},
        {"by-pass-tray", "Bypass", "手差しトレイ"},
        {"main", "Main", "メイン"},
        {"envelope", "Envelope", "封筒"},
        {"tractor", "Continuous Forms", "連続用紙"},
        {"continuous-2", "", "連続用紙"},
        {"tray-x: not a number, the printer's name", "Tray X", "Tray X"},
        {"unknown keyword with a localized name", "Fach 7", "Fach 7"},
        {"unknown keyword without a name", "", "unknown keyword without a name"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(CupsSpooler::binName(QString::fromUtf8(r.keyword), QString::fromUtf8(r.schedulerName)),
                  QString::fromUtf8(r.shown))
            << r.keyword;
}

TEST(Framework, SelectionSettingsAndLocks)
{
    FakeSpooler spooler;
    spooler.setPrinters({FakePrinter::standard("H", PRINTER_ATTRIBUTE_HIDDEN),
                         FakePrinter::standard("A"), FakePrinter::standard("B")});
    spooler.setDefaultPrinter("B");
    FrameworkPrinter fw(spooler, spooler.enumPrinters());
    EXPECT_EQ(fw.printerIndex(), 2);
    spooler.setDefaultPrinter("gone");
    fw.setPrinterIndex(-1);
    EXPECT_EQ(fw.printerIndex(), 1) << "unknown default: first visible printer";
    EXPECT_EQ(thrown([&] { fw.setPrinterIndex(3); }), "Printer index out of range");
    EXPECT_EQ(thrown([&] { fw.setPrinter("Z", "", "", nullptr); }),
              "Printer \"Z\" is not installed");

    SettingsHandlePtr handle = fw.printer().settings;
    ASSERT_TRUE(handle);
    handle->lock();
    EXPECT_EQ(fw.settingsLockCount(), 1);
    handle->unlock();
    handle->unlock();
    EXPECT_EQ(fw.settingsLockCount(), 0) << "never below zero";

    fw.setPrinter("B", "d", "p", nullptr);
    EXPECT_EQ(fw.printerIndex(), 2);
    EXPECT_FALSE(fw.printer().settings);
    EXPECT_EQ(fw.metrics().logPixelsX, 600) << "settings reloaded on demand";
}

TEST(PdfPrinterInList, AlwaysLastAndTheFallbackDefault)
{
    QTemporaryDir dir;
    auto fake = std::make_unique<FakeSpooler>();
    FakeSpooler &system = *fake;
    SpoolerWithPdf spooler(std::move(fake), dir.path());

    // No system printers, and the system unreachable at start: no error.
    system.failOn(FakeSpooler::Operation::EnumPrinters, "connection refused");
    std::vector<PrinterRecord> expected{{PdfSpooler::printerName(), 0}};
    EXPECT_EQ(spooler.enumPrinters(), expected);
    EXPECT_EQ(spooler.defaultPrinter(), PdfSpooler::printerName());

    system.clearFailures();
    system.setPrinters({FakePrinter::standard("A")});
    expected.insert(expected.begin(), PrinterRecord{"A", 0});
    EXPECT_EQ(spooler.enumPrinters(), expected);

    // Once it listed printers, an unreachable system is reported.
    system.failOn(FakeSpooler::Operation::EnumPrinters, "connection refused");
    EXPECT_EQ(thrown([&] { spooler.enumPrinters(); }), "connection refused");

    system.setDefaultPrinter("A");
    EXPECT_EQ(spooler.defaultPrinter(), "A");
    // Once the system listed printers, its default is never the PDF
    // printer: none stays none, a failed read is reported.
    system.setDefaultPrinter("");
    EXPECT_EQ(spooler.defaultPrinter(), "");
    system.failOn(FakeSpooler::Operation::DefaultPrinter, "timed out");
    EXPECT_EQ(thrown([&] { spooler.defaultPrinter(); }), "timed out");
    system.clearFailures();
    system.setDefaultPrinter("A");
    EXPECT_EQ(spooler.driverName(PdfSpooler::printerName()), "Kanro PDF");
    EXPECT_EQ(spooler.driverName("A"), "Fake Driver");
    spooler.setWorkingDirectory("/w");
    EXPECT_EQ(spooler.pdf().outputFolder(), "/w/納品書PDF");
}

TEST(PdfPrinter, ValidationKeepsWhatItCanPrint)
{
    PdfSpooler pdf(QDir::tempPath());
    const QString name = PdfSpooler::printerName();
    QByteArray block = pdf.defaultSettings(name);
    DEVMODEW *dm = fields(block);
    dm->dmPaperSize = 70;
    dm->dmDefaultSource = DMBIN_MANUAL;
    dm->dmPrintQuality = 300;
    dm->dmOrientation = DMORIENT_LANDSCAPE;
    pdf.validateSettings(name, block);
    dm = fields(block);
    EXPECT_EQ(dm->dmPaperSize, DMPAPER_A5);
    EXPECT_EQ(dm->dmDefaultSource, DMBIN_AUTO);
    EXPECT_EQ(dm->dmPrintQuality, 600);
    EXPECT_EQ(dm->dmOrientation, DMORIENT_LANDSCAPE);
    const DeviceCapabilities caps = pdf.capabilities(name, block);
    std::vector<int> numbers;
    for (const PaperEntry &p : caps.papers)
        numbers.push_back(p.number);
    EXPECT_EQ(numbers, (std::vector<int>{DMPAPER_A5, DMPAPER_A4, DMPAPER_B5, DMPAPER_LETTER,
                                         DMPAPER_JAPANESE_POSTCARD}));
    EXPECT_EQ(caps.bins.size(), 1u);
    EXPECT_EQ(thrown([&] { pdf.defaultSettings("A"); }), "The printer \"A\" does not exist");
}

} // namespace

TEST(PdfPrinter, LongTitlesAreCutBetweenCharacters)
{
    // U+2000B is a surrogate pair, four bytes in UTF-8: a cut after 200
    // bytes that halves a pair would leave a replacement mark in the name.
    const QString pair = QString::fromUcs4(U"\U0002000B");
    struct Row
    {
        const char *name;
        QString title;
    };
    const Row rows[] = {
        {"pairs only", pair.repeated(80)},
        {"one ASCII before the pairs", "x" + pair.repeated(80)},
        {"two ASCII before the pairs", "xy" + pair.repeated(80)},
        {"three byte kanji then pairs", QStringLiteral("納品書").repeated(20) + pair.repeated(60)},
    };
    for (const Row &r : rows) {
        const QString file = QFileInfo(PdfSpooler::fileNameFor("/nowhere", r.title)).fileName();
        const QString base = file.chopped(4);
        EXPECT_TRUE(file.endsWith(".pdf")) << r.name;
        EXPECT_LE(base.toUtf8().size(), 200) << r.name;
        EXPECT_GT(base.toUtf8().size(), 196) << r.name << ": no more than one character short";
        EXPECT_TRUE(r.title.startsWith(base)) << r.name;
        EXPECT_FALSE(base.back().isHighSurrogate()) << r.name;
        EXPECT_FALSE(base.contains(QChar(0xFFFD))) << r.name;
        EXPECT_EQ(QString::fromUtf8(base.toUtf8()), base) << r.name;
    }
}
