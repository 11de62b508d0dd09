#include "FakeSpooler.h"
#include "platform/ProfileFile.h"
#include "printer/VoPrinters.h"
#include "printing/Conversion.h"
#include "printing/PrinterRegistration.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace printing;

namespace {
const QString Manual = QStringLiteral("手差し");
const QString Continuous = QStringLiteral("連続(４．５インチ)");
} // namespace

TEST(Registration, MissingFileOrSectionReadsPrinterZeroAndNoOffsets)
{
    QTemporaryDir dir;
    const QString path = registrationFilePath(dir.path());
    EXPECT_EQ(readRegistration(path, Manual), Registration{});
    EXPECT_FALSE(QFile::exists(path)) << "reading creates no file";
}

TEST(Registration, SectionsPerFeedRoundTrip)
{
    QTemporaryDir dir;
    const QString path = registrationFilePath(dir.path());
    writeRegistration(path, Manual, QStringLiteral("  Office  "), {"2", "15", "-3"});
    writeRegistration(path, QStringLiteral("typed feed"), QStringLiteral("Label"), {"1", "0", "4"});
    EXPECT_EQ(readRegistration(path, Manual), (Registration{"2", "15", "-3"}));
    EXPECT_EQ(readRegistration(path, Continuous), Registration{}) << "the other feed is untouched";
    EXPECT_EQ(readRegistration(path, QStringLiteral("TYPED FEED")), (Registration{"1", "0", "4"}))
        << "section names match without case";

    // A second registration of the same feed keeps one section, in key order.
    writeRegistration(path, Manual, QStringLiteral("Office"), {"2", "1.5", "-3"});
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    const QByteArray manualCp932 = "\x8e\xe8\x8d\xb7\x82\xb5"; // 手差し
    EXPECT_EQ(bytes.count("[" + manualCp932 + "]"), 1);
    EXPECT_EQ(bytes.left(bytes.indexOf("[typed feed]")),
              "[" + manualCp932 +
                  "]\r\nPrnName=Office\r\nPrnNoIndex=2\r\nPrnDevice=Office\r\ndenPrn_Top=1.5\r\n"
                  "denPrn_Left=-3\r\n");
    EXPECT_EQ(readRegistration(path, Manual).top, "1.5") << "texts are kept as they stand";
}

TEST(Registration, NameStoredBesideThePosition)
{
    QTemporaryDir dir;
    const QString path = registrationFilePath(dir.path());
    EXPECT_EQ(readRegisteredName(path, Manual).registered, false);
    writeRegistration(path, Manual, QStringLiteral(" KanroB "), {"1", "0", "0"});
    const RegisteredName n = readRegisteredName(path, Manual);
    EXPECT_EQ(n.device, "KanroB");
    EXPECT_EQ(n.shown, "KanroB");
    EXPECT_TRUE(n.registered);
    writeRegisteredIndex(path, Manual, "2");
    EXPECT_EQ(readRegistration(path, Manual), (Registration{"2", "0", "0"}));
    EXPECT_EQ(readRegisteredName(path, Manual).device, "KanroB");

    // An older section: a position and the shown name, no device key.
    {
        ProfileFile f(path);
        f.writeString(Continuous, "PrnName", "Office");
        f.writeString(Continuous, "PrnNoIndex", "0");
        f.commit();
    }
    const RegisteredName old = readRegisteredName(path, Continuous);
    EXPECT_EQ(old.device, "");
    EXPECT_EQ(old.shown, "Office");
    EXPECT_TRUE(old.registered);
}

TEST(Registration, ChoiceOfTheRegisteredPrinter)
{
    const QString pdf = QStringLiteral("納品書 PDF");
    const QStringList shifted{"Kanro0", "KanroA", "KanroB", pdf};
    const QStringList pdfOnly{pdf};
    const SpoolerStatus answered;
    const SpoolerStatus refused{SpoolerFault::Unreachable, "localhost:631"};
    const SpoolerStatus silent{SpoolerFault::NotAnswering, "localhost:631"};
    const RegisteredName byName{"KanroB", "KanroB", true};
    const RegisteredName older{"", "KanroB", true};
    const RegisteredName none{"", "", false};
    struct Row
    {
        const char *name;
        Registration stored;
        RegisteredName registered;
        QStringList printers;
        SpoolerStatus scheduler;
        RegisteredChoice expected;
    };
    const Row rows[] = {
        {"name found where it was", {"2"}, byName, shifted, answered, {"2", false, std::nullopt}},
        {"name found at a new position is written back",
         {"1"},
         byName,
         shifted,
         answered,
         {"2", true, std::nullopt}},
        {"name gone while the server answers: printer missing",
         {"1"},
         byName,
         {"KanroA", pdf},
         answered,
         {"1", false, PrinterProblem{PrinterIssue::PrinterMissing, "KanroB", ""}}},
        {"name not listed, server refuses",
         {"1"},
         byName,
         pdfOnly,
         refused,
         {"1", false,
          PrinterProblem{PrinterIssue::SchedulerUnreachable, "KanroB", "localhost:631"}}},
        {"name not listed, server silent",
         {"1"},
         byName,
         pdfOnly,
         silent,
         {"1", false, PrinterProblem{PrinterIssue::SchedulerSilent, "KanroB", "localhost:631"}}},
        {"the PDF printer registered by name needs no server",
         {"0"},
         {pdf, pdf, true},
         pdfOnly,
         refused,
         {"0", false, std::nullopt}},
        {"older file, server answers: the position as before",
         {"1"},
         older,
         shifted,
         answered,
         {"1", false, std::nullopt}},
        {"older file, server down: the shown name in the problem",
         {"1"},
         older,
         pdfOnly,
         refused,
         {"1", false,
          PrinterProblem{PrinterIssue::SchedulerUnreachable, "KanroB", "localhost:631"}}},
        {"nothing registered, server down: the PDF printer may print",
         {"0"},
         none,
         pdfOnly,
         refused,
         {"0", false, std::nullopt}},
        {"a position that is not a number is passed on",
         {"x"},
         byName,
         shifted,
         answered,
         {"x", false, std::nullopt}},
    };
    for (const Row &r : rows) {
        const RegisteredChoice got =
            chooseRegisteredPrinter(r.stored, r.registered, r.printers, r.scheduler);
        EXPECT_EQ(got.indexCaption, r.expected.indexCaption) << r.name;
        EXPECT_EQ(got.writeBack, r.expected.writeBack) << r.name;
        EXPECT_EQ(got.problem.has_value(), r.expected.problem.has_value()) << r.name;
        if (got.problem && r.expected.problem) {
            EXPECT_EQ(int(got.problem->issue), int(r.expected.problem->issue)) << r.name;
            EXPECT_EQ(got.problem->printer, r.expected.problem->printer) << r.name;
            EXPECT_EQ(got.problem->server, r.expected.problem->server) << r.name;
        }
    }
}

TEST(Registration, UnwritableFileRaisesTheWriteError)
{
    QTemporaryDir dir;
    const QString path = registrationFilePath(dir.filePath(QStringLiteral("missing/dir")));
    EXPECT_THROW(writeRegistration(path, Manual, QString(), {}), ProfileWriteError);
}

namespace {

struct Selecting : ::testing::Test
{
    FakeSpooler spooler;
    std::unique_ptr<TVoPrinter> printer;

    void build(int count)
    {
        std::vector<FakePrinter> printers;
        for (int i = 0; i < count; ++i)
            printers.push_back(FakePrinter::standard(QStringLiteral("P%1").arg(i)));
        spooler.setPrinters(printers);
        if (count > 1)
            spooler.setDefaultPrinter(QStringLiteral("P1"));
        printer = std::make_unique<TVoPrinter>(spooler);
    }
};

} // namespace

TEST_F(Selecting, PositionsAndFallBacks)
{
    build(3);
    struct Row
    {
        const char *name;
        QString caption;
        int index;
        bool refreshed;
    };
    const Row rows[] = {
        {"registered printer 2", "2", 2, true},
        {"printer 0", "0", 0, true},
        {"default printer", "-1", 1, true},
        {"beyond the installed printers selects 0, lists kept", "3", 0, false},
        {"below -1 selects 0, lists kept", "-2", 0, false},
    };
    for (const Row &r : rows) {
        printer->SetIndex(2);
        const PrinterLists lists = selectPrinterAndLists(*printer, r.caption);
        EXPECT_EQ(printer->Index(), r.index) << r.name;
        EXPECT_EQ(lists.refreshed, r.refreshed) << r.name;
        if (r.refreshed) {
            EXPECT_EQ(lists.printers, QStringList({"P0", "P1", "P2"})) << r.name;
            EXPECT_EQ(lists.printerSel, r.index) << r.name;
            EXPECT_EQ(lists.papers.size(), 3) << r.name;
            EXPECT_EQ(lists.papers.value(lists.paperSel), "A5") << r.name;
            EXPECT_EQ(lists.bins.size(), 2) << r.name;
            EXPECT_GE(lists.binSel, 0) << r.name;
        }
    }
}

TEST_F(Selecting, IndexThatIsNotAnIntegerFails)
{
    build(2);
    EXPECT_THROW(selectPrinterAndLists(*printer, QStringLiteral("1.5")), ConversionError);
    EXPECT_THROW(selectPrinterAndLists(*printer, QString()), ConversionError);
}

TEST_F(Selecting, NoPrinterInstalledReachesTheCaller)
{
    build(0);
    EXPECT_THROW(selectPrinterAndLists(*printer, QStringLiteral("0")), EVoPrinterNoPrinter);
    EXPECT_THROW(selectPrinterOrFirst(*printer, -1), EVoPrinterNoPrinter);
}

TEST_F(Selecting, PrinterWithoutPaperOrBinListsLeavesNoSelection)
{
    FakePrinter bare = FakePrinter::standard(QStringLiteral("Bare"));
    bare.caps.papers.clear();
    bare.caps.bins.clear();
    spooler.setPrinters({bare});
    printer = std::make_unique<TVoPrinter>(spooler);
    const PrinterLists lists = selectPrinterAndLists(*printer, QStringLiteral("0"));
    EXPECT_TRUE(lists.refreshed);
    EXPECT_EQ(lists.printers, QStringList{"Bare"});
    EXPECT_EQ(lists.paperSel, -1);
    EXPECT_EQ(lists.binSel, -1);
}

TEST_F(Selecting, StoredChoiceFallsBackToPrinterZero)
{
    build(3);
    struct Row
    {
        const char *name;
        int stored;
        int index;
    };
    const Row rows[] = {
        {"stored printer", 2, 2},
        {"default printer", -1, 1},
        {"rejected below -1", -5, 0},
        {"rejected beyond", 9, 0},
    };
    for (const Row &r : rows) {
        selectPrinterOrFirst(*printer, r.stored);
        EXPECT_EQ(printer->Index(), r.index) << r.name;
    }
}
