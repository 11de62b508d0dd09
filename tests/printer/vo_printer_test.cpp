// TVoPrinter over the scripted spooler: selection, settings copy, lists,
// extents, messages and the reaction to a changed printer list.
#include "spooler/DevMode.h"
#include "FakeSpooler.h"
#include "printer/VoPrinters.h"
#include "spooler/FrameworkPrinter.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

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

struct Fixture : ::testing::Test
{
    FakeSpooler spooler;
    std::unique_ptr<TVoPrinter> printer;

    void build(std::vector<FakePrinter> printers, const QString &defaultPrinter = QString())
    {
        spooler.setPrinters(std::move(printers));
        spooler.setDefaultPrinter(defaultPrinter);
        printer = std::make_unique<TVoPrinter>(spooler);
    }

    DEVMODEW applied() { return *fields(printer->Framework().printer().settings->bytes()); }
    int locks() { return printer->Framework().settingsLockCount(); }
};

// The message of the EVoPrinter the call raises, "" when it raises none.
template <typename E = EVoPrinter> std::string raised(const std::function<void()> &call)
{
    try {
        call();
    } catch (const E &e) {
        return e.what();
    }
    return "";
}

FakePrinter withFields(const QString &name, std::uint32_t dmFields)
{
    FakePrinter p = FakePrinter::standard(name);
    fields(p.defaults)->dmFields = dmFields;
    return p;
}

} // namespace

using NoPrinter = Fixture;

TEST_F(NoPrinter, EveryCheckedOperationRaisesWhileNoVisiblePrinterExists)
{
    const std::vector<std::pair<const char *, std::function<void(TVoPrinter &)>>> rows = {
        {"Index read", [](TVoPrinter &p) { p.Index(); }},
        {"Index write", [](TVoPrinter &p) { p.SetIndex(0); }},
        {"PrinterNames", [](TVoPrinter &p) { p.PrinterNames(); }},
        {"PaperSizeNumber", [](TVoPrinter &p) { p.PaperSizeNumber(); }},
        {"Copies write", [](TVoPrinter &p) { p.SetCopies(2); }},
        {"PaperSizeNames", [](TVoPrinter &p) { p.PaperSizeNames(); }},
        {"Scale", [](TVoPrinter &p) { p.Scale(); }},
        {"DPI", [](TVoPrinter &p) { p.DPI(); }},
        {"ApplySettings", [](TVoPrinter &p) { p.ApplySettings(); }},
        {"Port", [](TVoPrinter &p) { p.Port(); }},
        {"AvailInfos", [](TVoPrinter &p) { p.AvailInfos(); }},
    };
    for (const auto &list :
         {std::vector<FakePrinter>{},
          std::vector<FakePrinter>{FakePrinter::standard("H1", PRINTER_ATTRIBUTE_HIDDEN),
                                   FakePrinter::standard("H2", PRINTER_ATTRIBUTE_HIDDEN)}}) {
        build(list);
        for (const auto &[name, call] : rows) {
            EXPECT_EQ(raised<EVoPrinterNoPrinter>([&, &call = call] { call(*printer); }),
                      "TVoPrinter.CheckNoPrinter: No Printer")
                << name << " with " << list.size() << " printers";
        }
    }
}

TEST_F(NoPrinter, PortsJobsAndDiscardNeedNoPrinter)
{
    spooler.setPorts({"LPT1:", "FILE:", "LPT1:"});
    build({});
    EXPECT_EQ(printer->PortNames(), QStringList({"LPT1:", "FILE:"}));
    printer->DiscardModification();
    EXPECT_FALSE(printer->Printing());
    EXPECT_FALSE(printer->Modified());
    printer->Abort();
    EXPECT_EQ(printer->Canvas(), nullptr);
}

using Selection = Fixture;

TEST_F(Selection, HiddenPrintersAreLeftOutOfNamesAndPositions)
{
    build({FakePrinter::standard("A"), FakePrinter::standard("B", PRINTER_ATTRIBUTE_HIDDEN),
           FakePrinter::standard("C")},
          "A");
    EXPECT_EQ(printer->PrinterNames(), QStringList({"A", "C"}));
    EXPECT_EQ(printer->Index(), 0);
    printer->SetIndex(1);
    EXPECT_EQ(printer->Framework().printer().device, "C");
    EXPECT_EQ(printer->Framework().printerIndex(), 2);
    EXPECT_EQ(printer->Index(), 1);
}

TEST_F(Selection, ReadingIndexWhileTheFrameworkHoldsAHiddenPrinterRaises)
{
    build({FakePrinter::standard("A"), FakePrinter::standard("B", PRINTER_ATTRIBUTE_HIDDEN)}, "A");
    printer->Framework().setPrinterIndex(1);
    EXPECT_EQ(raised<EVoPrinterIllegalIndex>([&] { printer->Index(); }),
              "TVoPrinter.GetIndex: Printers.PrinterIndex is Illegal");
}

TEST_F(Selection, DefaultPrinterIsSelectedAtFirstUse)
{
    struct Row
    {
        const char *name;
        QString defaultPrinter;
        int index;
        const char *device;
    };
    // Printers: H (hidden), A, B.
    const Row rows[] = {
        {"the system's default", "B", 1, "B"},
        {"no default: the first visible printer", "", 0, "A"},
        {"a hidden default cannot be selected: the first visible printer", "H", 0, "A"},
    };
    for (const Row &row : rows) {
        build({FakePrinter::standard("H", PRINTER_ATTRIBUTE_HIDDEN), FakePrinter::standard("A"),
               FakePrinter::standard("B")},
              row.defaultPrinter);
        EXPECT_EQ(printer->Index(), row.index) << row.name;
        EXPECT_EQ(printer->Framework().printer().device, row.device) << row.name;
        // Selecting another printer and the default again both work.
        printer->SetIndex(1 - row.index);
        printer->SetIndex(-1);
        EXPECT_EQ(printer->Index(), row.index) << row.name;
    }
}

TEST_F(Selection, IndexWrites)
{
    struct Row
    {
        const char *name;
        int value;
        std::string error;  // "" when the write succeeds
        const char *device; // framework device afterwards
        bool copyKept;      // the unapplied change survives
    };
    const Row rows[] = {
        {"same value changes nothing", 1, "", "B", true},
        {"other value selects and resets", 2, "", "C", false},
        {"-1 selects the default printer", -1, "", "A", false},
        {"-2 is out of range", -2, "TVoPrinter.SetIndex: Index is out of Range", "B", true},
        {"beyond the visible printers", 3, "TVoPrinter.SetIndex: Index is out of Range", "B", true},
    };
    for (const Row &row : rows) {
        build({FakePrinter::standard("A"), FakePrinter::standard("B"), FakePrinter::standard("C")},
              "A");
        printer->SetIndex(1);
        printer->SetCopies(5);
        ASSERT_TRUE(printer->Modified());
        EXPECT_EQ(raised<EVOPrinterRangeError>([&] { printer->SetIndex(row.value); }), row.error)
            << row.name;
        EXPECT_EQ(printer->Framework().printer().device, row.device) << row.name;
        EXPECT_EQ(printer->Modified(), row.copyKept) << row.name;
        EXPECT_EQ(printer->Copies(), row.copyKept ? 5 : 1) << row.name;
        EXPECT_EQ(locks(), 0) << row.name;
    }
}

TEST_F(Selection, NewPrinterStartsFromItsDriverDefaults)
{
    build({FakePrinter::standard("A"), FakePrinter::standard("B")}, "A");
    printer->SetCopies(3);
    printer->ApplySettings();
    EXPECT_EQ(applied().dmCopies, 3);
    printer->SetIndex(1);
    printer->SetIndex(0);
    EXPECT_EQ(applied().dmCopies, 1);
}

TEST_F(Selection, WritingIndexOfADeletedPrinterReportsTheCause)
{
    build({FakePrinter::standard("A"), FakePrinter::standard("B")}, "A");
    spooler.removePrinter("B");
    EXPECT_EQ(raised([&] { printer->SetIndex(1); }),
              "TVoPrinter.SetIndex: Cannot select the printer (The printer \"B\" does not exist)");
    EXPECT_EQ(locks(), 0);
}

using Settings = Fixture;

TEST_F(Settings, UnsupportedSettingsRaiseTheirMessages)
{
    build({withFields("A", 0)}, "A");
    const std::vector<std::pair<std::string, std::function<void(TVoPrinter &)>>> rows = {
        {"TVoPrinter.GetPaperSizeNumber: PaperSize is not Supported",
         [](TVoPrinter &p) { p.PaperSizeNumber(); }},
        {"TVoPrinter.SetPaperSizeNumber: PaperSize is not Supported",
         [](TVoPrinter &p) { p.SetPaperSizeNumber(9); }},
        {"TVoPrinter.GetBinNumber: Bin is not Supported", [](TVoPrinter &p) { p.BinNumber(); }},
        {"TVoPrinter.SetBinNumber: Bin is not Supported", [](TVoPrinter &p) { p.SetBinNumber(7); }},
        {"TVoPrinter.GetOrientation: Orientation is not Supported",
         [](TVoPrinter &p) { p.Orientation(); }},
        {"TVoPrinter.SetOrientation: Orientation is not Supported",
         [](TVoPrinter &p) { p.SetOrientation(voOrLandScape); }},
        {"TVoPrinter.GetCopies: Copies not Supported", [](TVoPrinter &p) { p.Copies(); }},
        {"TVoPrinter.SetCopies: Copies not Supported", [](TVoPrinter &p) { p.SetCopies(2); }},
        {"TVoPrinter.GetCollate: Collate is not Supported", [](TVoPrinter &p) { p.Collate(); }},
        {"TVoPrinter.SetCollate: Collate is not Supported",
         [](TVoPrinter &p) { p.SetCollate(true); }},
        {"TVoPrinter.GetColor: Color is not Supported", [](TVoPrinter &p) { p.Color(); }},
        {"TVoPrinter.SetColor: Color is not Supported", [](TVoPrinter &p) { p.SetColor(true); }},
        {"TVoPrinter.GetDuplex: Duplex is not Supported", [](TVoPrinter &p) { p.Duplex(); }},
        {"TVoPrinter.SetDuplex: Duplex is not Supported",
         [](TVoPrinter &p) { p.SetDuplex(voDupVertical); }},
        {"TVoPrinter.SetScale: Scale is not Supported", [](TVoPrinter &p) { p.SetScale(50); }},
        {"TVoPrinter.GetQuality: PrintQuality is not Supported",
         [](TVoPrinter &p) { p.Quality(); }},
        {"TVoPrinter.SetQuality: PrintQuality is not Supported",
         [](TVoPrinter &p) {
             p.SetQuality({300, 300});
         }},
        {"TVoPrinter.GetUserpaperExtent: Cannot Get User paper Extent",
         [](TVoPrinter &p) { p.UserPaperExtent(); }},
        {"TVoPrinter.SetpaperExtent: PaperSize is not Supported",
         [](TVoPrinter &p) {
             p.SetUserPaperExtent({1000, 2000});
         }},
        {"TVoPrinter.GetNumPaperSize: PaperSize is not Supported",
         [](TVoPrinter &p) { p.NumPaperSizes(); }},
        {"TVoPrinter.GetPaperSizeNames: PaperSize is not Supported",
         [](TVoPrinter &p) { p.PaperSizeNames(); }},
        {"TVoPrinter.GetPaperSizeNumber: PaperSize is not Supported",
         [](TVoPrinter &p) { p.PaperSizeNumbers(0); }},
        {"TVoPrinter.HasPaperNumber: PaperSize is not Supported",
         [](TVoPrinter &p) { p.HasPaperSizeNumber(9); }},
        {"TVoPrinter.GetPaperSizeIndex: PaperSize is not Supported",
         [](TVoPrinter &p) { p.PaperSizeIndex(); }},
        {"TVoPrinter.SetPaperSizeIndex: PaperSize is not Supported",
         [](TVoPrinter &p) { p.SetPaperSizeIndex(0); }},
        {"TVoPrinter.GetNumBins: Bin is not Supported", [](TVoPrinter &p) { p.NumBins(); }},
        {"TVoPrinter.GetBinNames: Bin is not Supported", [](TVoPrinter &p) { p.BinNames(); }},
        {"TVoPrinter.GetBunNumbers: Bin is not Supported", [](TVoPrinter &p) { p.BinNumbers(0); }},
        {"TVoPrinter.SetBin: Bin is not Supported", [](TVoPrinter &p) { p.HasBinNumber(7); }},
        {"TVoPrinter.GetBinIndex: Bin is not Supported", [](TVoPrinter &p) { p.BinIndex(); }},
        {"TVoPrinter.SetBinIndex: Bin is not Supported", [](TVoPrinter &p) { p.SetBinIndex(0); }},
        {"TVoPrinter.GetNumQualities: PrintQuality is not Supported",
         [](TVoPrinter &p) { p.NumQualities(); }},
        {"TVoPrinter.GetQualities: PrintQuality is not Supported",
         [](TVoPrinter &p) { p.Qualities(0); }},
        {"TVoPrinter.GetMaxCopies: Copies is not Supported", [](TVoPrinter &p) { p.MaxCopies(); }},
    };
    for (const auto &[message, call] : rows) {
        EXPECT_EQ(raised([&, &call = call] { call(*printer); }), message);
        EXPECT_EQ(locks(), 0) << message;
    }
    EXPECT_FALSE(printer->Modified());
    EXPECT_EQ(printer->Scale(), 100);
}

TEST_F(Settings, MissingListsRaiseTheirMessages)
{
    FakePrinter bare = FakePrinter::standard("A");
    bare.caps = DeviceCapabilities{};
    build({bare}, "A");
    const std::vector<std::pair<std::string, std::function<void(TVoPrinter &)>>> rows = {
        {"TVoPrinter.GetNumPaperSizes: No Papersize Info Available",
         [](TVoPrinter &p) { p.NumPaperSizes(); }},
        {"TVoPrinter.GetPaperSizeNames: No Papersize Info Available",
         [](TVoPrinter &p) { p.PaperSizeNames(); }},
        {"TVoPrinter.GetNumPaperSizeNumbers: No Papersize Info Available",
         [](TVoPrinter &p) { p.PaperSizeNumbers(0); }},
        {"TVoPrinter.HasPapserSizeNumber: No PaperSize Info Available",
         [](TVoPrinter &p) { p.HasPaperSizeNumber(9); }},
        {"TVoPrinter.GetPaperSizeIndex: No Papersize Info Available",
         [](TVoPrinter &p) { p.PaperSizeIndex(); }},
        {"TVoPrinter.SetPaperSizeIndex: No Papersize Info Available",
         [](TVoPrinter &p) { p.SetPaperSizeIndex(0); }},
        {"TVoPrinter.GetNumBins: No Bin Info Available", [](TVoPrinter &p) { p.NumBins(); }},
        {"TVoPrinter.GetBinNames: No Bin Info Available", [](TVoPrinter &p) { p.BinNames(); }},
        {"TVoPrinter.GetBinNumbers: No Bin Info Available", [](TVoPrinter &p) { p.BinNumbers(0); }},
        {"TVoPrinter.HasBinNumber: No Bin Info Available",
         [](TVoPrinter &p) { p.HasBinNumber(7); }},
        {"TVoPrinter.GetBinIndex: No Bin Info Available", [](TVoPrinter &p) { p.BinIndex(); }},
        {"TVoPrinter.SetBinIndex: No Bin Info Available", [](TVoPrinter &p) { p.SetBinIndex(0); }},
        {"TVoPrinter.GetNumQualities: No Quality Info Available",
         [](TVoPrinter &p) { p.NumQualities(); }},
        {"TVoPrinter.GetQualities: No Quality Info Available",
         [](TVoPrinter &p) { p.Qualities(0); }},
        {"TVoPrinter.GetMaxCopies: No MaxCopies Info Available",
         [](TVoPrinter &p) { p.MaxCopies(); }},
    };
    for (const auto &[message, call] : rows)
        EXPECT_EQ(raised<EVoPrinterNoInfo>([&, &call = call] { call(*printer); }), message);
    EXPECT_TRUE(printer->AvailInfos().empty());
}

TEST_F(Settings, ListsAndPositions)
{
    FakePrinter p = FakePrinter::standard("A");
    p.caps.papers = {{DMPAPER_A5, "A5"},
                     {DMPAPER_A4, "A4"},
                     {DMPAPER_A5, "A5 again"},
                     {DMPAPER_B5, QString(70, QChar('x'))}};
    p.caps.bins = {{DMBIN_AUTO, "自動"},
                   {DMBIN_MANUAL, "手差し"},
                   {DMBIN_AUTO, "自動 2"},
                   {DMBIN_TRACTOR, "連続用紙トラクタフィーダー（後部）"}};
    build({p}, "A");
    EXPECT_EQ(printer->AvailInfos(),
              TVoAvailInfos({voAvPaperSize, voAvBin, voAvQuality, voAvMaxCopies}));
    EXPECT_EQ(printer->NumPaperSizes(), 4);
    EXPECT_EQ(printer->PaperSizeNames().at(3).size(), 64) << "paper names keep 64 characters";
    EXPECT_EQ(printer->BinNames().at(3), QString("連続用紙トラクタフィーダー（後部）").left(24));
    EXPECT_EQ(printer->PaperSizeIndex(), 0) << "a repeated paper number gives the first position";
    EXPECT_EQ(printer->BinIndex(), 2) << "a repeated bin number gives the last position";
    EXPECT_EQ(printer->PaperSizeNumbers(1), DMPAPER_A4);
    EXPECT_EQ(printer->BinNumbers(1), DMBIN_MANUAL);
    EXPECT_EQ(printer->Qualities(1), (TSize{300, 300}));
    EXPECT_EQ(printer->NumQualities(), 2);
    EXPECT_EQ(printer->MaxCopies(), 99);
    EXPECT_TRUE(printer->HasPaperSizeNumber(DMPAPER_B5));
    EXPECT_FALSE(printer->HasPaperSizeNumber(DMPAPER_LETTER));
    EXPECT_TRUE(printer->HasBinNumber(DMBIN_TRACTOR));
    EXPECT_FALSE(printer->HasBinNumber(DMBIN_LOWER));

    printer->SetPaperSizeIndex(1);
    EXPECT_EQ(printer->PaperSizeNumber(), DMPAPER_A4);
    printer->SetBinIndex(1);
    EXPECT_EQ(printer->BinNumber(), DMBIN_MANUAL);
    EXPECT_EQ(printer->BinIndex(), 1);

    const std::vector<std::pair<std::string, std::function<void()>>> errors = {
        {"TVoPrinter.GetPaperNumbers: Index is our of range",
         [&] { printer->PaperSizeNumbers(4); }},
        {"TVoPrinter.GetPaperNumbers: Index is our of range",
         [&] { printer->PaperSizeNumbers(-1); }},
        {"TVoPrinter.GetBunNumbers: Index is our of range", [&] { printer->BinNumbers(4); }},
        {"TVoPrinter.GetQualities: Index is our of range", [&] { printer->Qualities(2); }},
        {"TVoPrinter:SetPaperSizeIndex: No such PaperSize Index",
         [&] { printer->SetPaperSizeIndex(4); }},
        {"TVoPrinter:SetBinIndex: No such Bin Index", [&] { printer->SetBinIndex(-1); }},
        {"TVoPrinter.SetCopies: Too Small Copies", [&] { printer->SetCopies(0); }},
    };
    for (const auto &[message, call] : errors)
        EXPECT_EQ(raised(call), message);
}

TEST_F(Settings, CurrentValueOutsideTheListHasNoPosition)
{
    build({FakePrinter::standard("A")}, "A");
    printer->SetUserPaperExtent({1000, 1480});
    EXPECT_EQ(printer->PaperSizeNumber(), DMPAPER_USER);
    EXPECT_EQ(printer->UserPaperExtent(), (TSize{1000, 1480}));
    EXPECT_EQ(raised<EVOPrinterPaperSizeError>([&] { printer->PaperSizeIndex(); }),
              "TVoPrinter.GetPaperSizeIndex: Cannot Get Paper Index");
    printer->SetBinNumber(DMBIN_LOWER);
    EXPECT_EQ(raised<EVoPrinterBinError>([&] { printer->BinIndex(); }),
              "TVoPrinter.GetBinIndex: Cannot Get Bin Index");
    // A standard size clears the user size flags, so the user extent is gone.
    printer->SetPaperSizeNumber(DMPAPER_A4);
    EXPECT_FALSE(printer->PrintCaps().contains(voPcPaperlength));
    EXPECT_EQ(raised<EVoPrinterNoUserPaperExtent>([&] { printer->UserPaperExtent(); }),
              "TVoPrinter.GetUserpaperExtent: Cannot Get User paper Extent");
}

TEST_F(Settings, SettersMarkAChangeOnlyWhenTheValueChanges)
{
    struct Row
    {
        const char *name;
        std::function<void(TVoPrinter &)> set;
        bool modifies;
    };
    const Row rows[] = {
        {"same paper", [](TVoPrinter &p) { p.SetPaperSizeNumber(DMPAPER_A5); }, false},
        {"other paper", [](TVoPrinter &p) { p.SetPaperSizeNumber(DMPAPER_A4); }, true},
        {"same bin", [](TVoPrinter &p) { p.SetBinNumber(DMBIN_AUTO); }, false},
        {"other bin", [](TVoPrinter &p) { p.SetBinNumber(DMBIN_MANUAL); }, true},
        {"same orientation", [](TVoPrinter &p) { p.SetOrientation(voOrPortrait); }, false},
        {"landscape", [](TVoPrinter &p) { p.SetOrientation(voOrLandScape); }, true},
        {"same copies", [](TVoPrinter &p) { p.SetCopies(1); }, false},
        {"more copies, no upper limit", [](TVoPrinter &p) { p.SetCopies(500); }, true},
        {"collate off again", [](TVoPrinter &p) { p.SetCollate(false); }, false},
        {"collate on", [](TVoPrinter &p) { p.SetCollate(true); }, true},
        {"colour off again", [](TVoPrinter &p) { p.SetColor(false); }, false},
        {"colour on", [](TVoPrinter &p) { p.SetColor(true); }, true},
        {"simplex again", [](TVoPrinter &p) { p.SetDuplex(voDupSimplex); }, false},
        {"duplex", [](TVoPrinter &p) { p.SetDuplex(voDupHorizontal); }, true},
        {"same scale", [](TVoPrinter &p) { p.SetScale(100); }, false},
        {"quality always marks",
         [](TVoPrinter &p) {
             p.SetQuality({600, 600});
         },
         true},
        {"user size always marks",
         [](TVoPrinter &p) {
             p.SetUserPaperExtent({1000, 1480});
         },
         true},
        {"same port", [](TVoPrinter &p) { p.SetPort("FAKE:"); }, false},
        {"other port", [](TVoPrinter &p) { p.SetPort("LPT2:"); }, true},
    };
    for (const Row &row : rows) {
        build({FakePrinter::standard("A")}, "A");
        row.set(*printer);
        EXPECT_EQ(printer->Modified(), row.modifies) << row.name;
        EXPECT_EQ(applied().dmCopies, 1) << row.name;
    }
}

TEST_F(Settings, ReadBackOfStoredValues)
{
    build({FakePrinter::standard("A")}, "A");
    printer->SetOrientation(voOrLandScape);
    printer->SetDuplex(voDupVertical);
    printer->SetColor(true);
    printer->SetCollate(true);
    printer->SetCopies(40000);
    EXPECT_EQ(printer->Orientation(), voOrLandScape);
    EXPECT_EQ(printer->Duplex(), voDupVertical);
    EXPECT_TRUE(printer->Color());
    EXPECT_TRUE(printer->Collate());
    EXPECT_EQ(printer->Copies(), 40000);

    printer->SetQuality({-3, 600});
    EXPECT_EQ(printer->Quality(), (TSize{-3, 0})) << "a quality code has no y resolution";
    EXPECT_FALSE(printer->PrintCaps().contains(voPcYResolution));
    printer->SetQuality({300, 150});
    EXPECT_EQ(printer->Quality(), (TSize{300, 150}));

    // Stored values outside the two known ones are read and left alone.
    fields(printer->Framework().printer().settings->lockedBytes())->dmCollate = 7;
    fields(printer->Framework().printer().settings->lockedBytes())->dmDuplex = 9;
    printer->DiscardModification();
    printer->SetCollate(true);
    printer->SetCollate(false);
    EXPECT_FALSE(printer->Modified());
    EXPECT_EQ(printer->Duplex(), voDupVertical);
}

using Extents = Fixture;

TEST_F(Extents, MeasuresFollowTheAppliedSettings)
{
    FakePrinter p = FakePrinter::standard("A");
    p.leftMm = 5;
    p.topMm = 4.233; // 100 pixels at 600 dpi
    p.rightMm = 5;
    p.bottomMm = 10;
    p.bitsPixel = 24;
    build({p}, "A");
    // A5 at 600 dpi: 148 x 210 mm = 3496 x 4961 pixels.
    EXPECT_EQ(printer->DPI(), (TSize{600, 600}));
    EXPECT_EQ(printer->PaperExtent(), (TSize{3496, 4961}));
    EXPECT_EQ(printer->Offset(), (TSize{118, 100}));
    EXPECT_EQ(printer->PageExtent(), (TSize{3496 - 236, 4961 - 100 - 236}));
    EXPECT_EQ(printer->MMPageExtent(), (TSize{1380, 1960}));
    EXPECT_EQ(printer->MMPaperExtent(), (TSize{1479, 2100})) << "3496 x 254 x 100 / 600 / 100";
    EXPECT_EQ(printer->ColorBitCount(), 24);

    printer->SetOrientation(voOrLandScape);
    printer->SetQuality({300, 300});
    EXPECT_EQ(printer->DPI(), (TSize{600, 600})) << "no effect before ApplySettings";
    printer->ApplySettings();
    EXPECT_EQ(printer->DPI(), (TSize{300, 300}));
    EXPECT_EQ(printer->PaperExtent(), (TSize{2480, 1748}));
    EXPECT_EQ(printer->Offset(), (TSize{50, 59}))
        << "landscape: the portrait top margin is the left one";

    printer->SetScale(50);
    EXPECT_EQ(printer->MMPaperExtent(), (TSize{1049, 739})) << "scale of the settings copy";
}

TEST_F(Extents, ScaleReads100WithoutScaling)
{
    build({withFields("A", DM_PAPERSIZE | DM_ORIENTATION)}, "A");
    EXPECT_EQ(printer->Scale(), 100);
    EXPECT_EQ(printer->MMPaperExtent(), (TSize{1479, 2100}));
}

using Copy = Fixture;

TEST_F(Copy, ApplySettingsHandsTheWholeBlockToTheDriver)
{
    build({FakePrinter::standard("A")}, "A");
    QByteArray seen;
    spooler.setValidator([&](const QString &, QByteArray &block) {
        seen = block;
        fields(block)->dmScale = 90; // the driver's merge
    });
    printer->ApplySettings();
    EXPECT_EQ(spooler.calls(FakeSpooler::Operation::Validate), 0) << "nothing changed";

    printer->SetCopies(4);
    printer->SetPort("LPT9:");
    const int capabilityReads = spooler.calls(FakeSpooler::Operation::Capabilities);
    printer->ApplySettings();
    EXPECT_FALSE(printer->Modified());
    EXPECT_EQ(fields(seen)->dmCopies, 4);
    EXPECT_EQ(seen.mid(sizeof(DEVMODEW)), FakePrinter::standard("A").defaults.mid(sizeof(DEVMODEW)))
        << "driver bytes travel with the copy";
    EXPECT_EQ(applied().dmCopies, 4);
    EXPECT_EQ(applied().dmScale, 90);
    EXPECT_EQ(printer->Framework().printer().port, "LPT9:");
    EXPECT_EQ(printer->Copies(), 4);
    printer->NumBins();
    EXPECT_EQ(spooler.calls(FakeSpooler::Operation::Capabilities), capabilityReads + 1)
        << "lists reload after ApplySettings";
    EXPECT_EQ(locks(), 0);
}

TEST_F(Copy, RejectedSettingsLeaveThePrinterAndTheCopy)
{
    build({FakePrinter::standard("A")}, "A");
    printer->SetCopies(4);
    spooler.failOn(FakeSpooler::Operation::Validate, "invalid copies", 1);
    EXPECT_EQ(raised([&] { printer->ApplySettings(); }),
              "TVoPrinter.ApplySettings: The printer did not accept the settings (invalid copies)");
    EXPECT_EQ(locks(), 0);
    EXPECT_TRUE(printer->Modified());
    EXPECT_EQ(applied().dmCopies, 1);
    printer->ApplySettings();
    EXPECT_EQ(applied().dmCopies, 4);
}

TEST_F(Copy, DiscardAndForceUpdateDropTheChanges)
{
    build({FakePrinter::standard("A")}, "A");
    printer->SetCopies(4);
    printer->DiscardModification();
    EXPECT_FALSE(printer->Modified());
    EXPECT_EQ(printer->Copies(), 1);
    printer->SetCopies(6);
    const int reads = spooler.calls(FakeSpooler::Operation::Capabilities);
    printer->ForceUpdate();
    EXPECT_FALSE(printer->Modified());
    EXPECT_EQ(printer->Copies(), 1);
    EXPECT_EQ(spooler.calls(FakeSpooler::Operation::Capabilities), reads + 1);
}

TEST_F(Copy, FailingCapabilityReadIsRetriedAndLeavesNothingLocked)
{
    build({FakePrinter::standard("A")}, "A");
    spooler.failOn(FakeSpooler::Operation::Capabilities, "server restarting", 1);
    EXPECT_EQ(raised([&] { printer->NumPaperSizes(); }),
              "TVoPrinter.UpdateInfo: Cannot read the printer's capabilities (server restarting)");
    EXPECT_EQ(locks(), 0);
    EXPECT_EQ(printer->NumPaperSizes(), 3);
}

TEST_F(Copy, SettingsThatCannotBeReadAreReported)
{
    build({FakePrinter::standard("A")}, "A");
    spooler.failOn(FakeSpooler::Operation::DefaultSettings, "printer gone");
    printer->Framework().setPrinter("A", "Fake Driver", "FAKE:", nullptr);
    EXPECT_EQ(raised([&] { printer->Copies(); }),
              "TVoPrinter.LoadSettings: Cannot get the printer settings (printer gone)");
    EXPECT_EQ(locks(), 0);
}

TEST(AllPrintersInfo, Compare)
{
    using R = std::vector<PrinterRecord>;
    struct Row
    {
        const char *name;
        R a;
        R b;
        bool same;
    };
    const Row rows[] = {
        {"both empty", {}, {}, true},
        {"same list", {{"A", 0}, {"B", 0x20}}, {{"A", 0}, {"B", 0x20}}, true},
        {"one more", {{"A", 0}}, {{"A", 0}, {"B", 0}}, false},
        {"renamed", {{"A", 0}}, {{"a", 0}}, false},
        {"attribute changed", {{"A", 0}}, {{"A", 0x20}}, false},
        {"order matters", {{"A", 0}, {"B", 0}}, {{"B", 0}, {"A", 0}}, false},
    };
    for (const Row &row : rows)
        EXPECT_EQ(TVoAllPrintersInfo(row.a).Compare(TVoAllPrintersInfo(row.b)), row.same)
            << row.name;
    EXPECT_EQ(TVoAllPrintersInfo(R{}).Level(), 4);
}

using Changes = Fixture;

TEST_F(Changes, ChangedPrinterListStartsAfresh)
{
    build({FakePrinter::standard("A"), FakePrinter::standard("B"), FakePrinter::standard("C")},
          "C");
    int raisedEvents = 0;
    printer->SetOnSystemChanged([&](TVoPrinter *sender) {
        EXPECT_EQ(sender, printer.get());
        ++raisedEvents;
    });
    printer->SetIndex(0);
    printer->SetCopies(3);
    spooler.removePrinter("B");
    EXPECT_FALSE(printer->MainWindowHook(WM_WININICHANGE));
    EXPECT_EQ(raisedEvents, 1);
    EXPECT_FALSE(printer->Modified());
    EXPECT_EQ(printer->PrinterNames(), QStringList({"A", "C"}));
    EXPECT_EQ(printer->Index(), 1) << "the default printer is selected again";
    EXPECT_EQ(printer->Copies(), 1);
}

TEST_F(Changes, OtherMessagesAndUnchangedListsKeepEverything)
{
    spooler.setPorts({"P1"});
    build({FakePrinter::standard("A"), FakePrinter::standard("B")}, "A");
    int raisedEvents = 0;
    printer->SetOnSystemChanged([&](TVoPrinter *) { ++raisedEvents; });
    printer->PortNames();
    printer->SetIndex(1);
    printer->SetCopies(3);
    const int enumerations = spooler.calls(FakeSpooler::Operation::EnumPrinters);
    EXPECT_FALSE(printer->MainWindowHook(0x0010));
    EXPECT_EQ(spooler.calls(FakeSpooler::Operation::EnumPrinters), enumerations);
    printer->MainWindowHook(WM_WININICHANGE);
    EXPECT_EQ(raisedEvents, 0);
    EXPECT_EQ(printer->Index(), 1);
    EXPECT_TRUE(printer->Modified());

    spooler.setPorts({"P1", "P2"});
    printer->MainWindowHook(WM_WININICHANGE);
    EXPECT_EQ(raisedEvents, 1) << "ports changed";
    EXPECT_EQ(printer->Index(), 1);
    EXPECT_TRUE(printer->Modified());
}

TEST_F(Changes, FirstBroadcastRaisesWhenPortsWereNeverRead)
{
    spooler.setPorts({"P1"});
    build({FakePrinter::standard("A")}, "A");
    int raisedEvents = 0;
    printer->SetOnSystemChanged([&](TVoPrinter *) { ++raisedEvents; });
    printer->MainWindowHook(WM_WININICHANGE);
    printer->MainWindowHook(WM_WININICHANGE);
    EXPECT_EQ(raisedEvents, 1);
}

TEST_F(Changes, ReorderedPrintersCountAsAChange)
{
    build({FakePrinter::standard("A"), FakePrinter::standard("B")}, "A");
    int raisedEvents = 0;
    printer->SetOnSystemChanged([&](TVoPrinter *) { ++raisedEvents; });
    spooler.setPrinters({FakePrinter::standard("B"), FakePrinter::standard("A")});
    printer->MainWindowHook(WM_WININICHANGE);
    EXPECT_EQ(raisedEvents, 1);
    EXPECT_EQ(printer->PrinterNames(), QStringList({"B", "A"}));
}

TEST_F(Changes, FailedEnumerationKeepsTheOldSnapshot)
{
    build({FakePrinter::standard("A")}, "A");
    spooler.addPrinter(FakePrinter::standard("B"));
    spooler.failOn(FakeSpooler::Operation::EnumPrinters, "scheduler down", 1);
    EXPECT_EQ(raised([&] { printer->MainWindowHook(WM_WININICHANGE); }),
              "TVoAllPrintersInfo.Create: Cannot enumerate printers (scheduler down)");
    EXPECT_EQ(printer->PrinterNames(), QStringList({"A"}));
}

TEST_F(Changes, AllPrintersGoneMakesOperationsReportNoPrinter)
{
    build({FakePrinter::standard("A")}, "A");
    spooler.setPrinters({});
    printer->MainWindowHook(WM_WININICHANGE);
    EXPECT_EQ(raised<EVoPrinterNoPrinter>([&] { printer->Index(); }),
              "TVoPrinter.CheckNoPrinter: No Printer");
}

TEST(JobWatch, WhatEachLookAtAJobTells)
{
    struct Row
    {
        const char *name;
        JobStatus status;
        JobTrouble trouble;
        bool done;
    };
    const Row rows[] = {
        {"completed says nothing", {JobState::Completed, false, true}, JobTrouble::None, true},
        {"completed on a printer paused since",
         {JobState::Completed, true, true},
         JobTrouble::None,
         true},
        {"pending on a running printer: look again",
         {JobState::Pending, false, true},
         JobTrouble::None,
         false},
        {"processing: look again", {JobState::Processing, false, true}, JobTrouble::None, false},
        {"pending on a paused printer",
         {JobState::Pending, true, true},
         JobTrouble::PrinterStopped,
         true},
        {"pending on a rejecting printer",
         {JobState::Pending, false, false},
         JobTrouble::NotAccepting,
         true},
        {"stopped job", {JobState::Stopped, false, true}, JobTrouble::JobStopped, true},
        {"canceled job", {JobState::Canceled, false, true}, JobTrouble::JobCanceled, true},
        {"aborted job", {JobState::Aborted, false, true}, JobTrouble::JobAborted, true},
    };
    for (const Row &r : rows) {
        const JobVerdict v = judgeJob(r.status);
        EXPECT_EQ(int(v.trouble), int(r.trouble)) << r.name;
        EXPECT_EQ(v.done, r.done) << r.name;
    }
}
