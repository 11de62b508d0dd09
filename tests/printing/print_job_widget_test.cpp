#include "TestFonts.h"
#include "FakeSpooler.h"
#include "printer/VoPrinters.h"
#include "printing/Conversion.h"
#include "printing/PrintCommand.h"

#include <gtest/gtest.h>
#include <memory>

using namespace printing;

TEST(PrintCommand, EffectiveResolution)
{
    struct Row
    {
        const char *name;
        int dpi;
        std::uint16_t scale;
        int effective;
    };
    const Row rows[] = {
        {"no scaling", 203, 100, 203},
        {"half size doubles", 600, 50, 1200},
        {"truncating", 600, 70, 857},
        {"enlarged", 360, 200, 180},
        {"no scale reported counts as 100", 600, 0, 600},
    };
    for (const Row &r : rows)
        EXPECT_EQ(effectiveDpi(r.dpi, r.scale), r.effective) << r.name;
}

TEST(PrintCommand, SheetSmallerThanA5)
{
    struct Row
    {
        const char *name;
        int width, height, dpiX, dpiY;
        bool smaller;
    };
    const Row rows[] = {
        {"A5 portrait at 600 dpi", 3496, 4961, 600, 600, false},
        {"A5 landscape", 4961, 3496, 600, 600, false},
        {"A5 at 360 x 180 dpi", 2098, 1488, 360, 180, false},
        {"A4", 4961, 7016, 600, 600, false},
        {"JIS B5", 4299, 6071, 600, 600, false},
        {"Hagaki 100 x 148 mm", 2362, 3496, 600, 600, true},
        {"A5 half a millimetre short still counts as A5", 3484, 4949, 600, 600, false},
        {"two millimetres narrower than A5", 3449, 4961, 600, 600, true},
        {"A6", 2480, 3496, 600, 600, true},
        {"no resolution", 100, 100, 0, 0, false},
    };
    for (const Row &r : rows)
        EXPECT_EQ(sheetSmallerThanA5(r.width, r.height, r.dpiX, r.dpiY), r.smaller) << r.name;
}

TEST(PrintCommand, CopiesFromText)
{
    struct Row
    {
        const char *name;
        QString text;
        int copies;
    };
    const Row rows[] = {
        {"one", "1", 1},  {"three", "3", 3},      {"zero", "0", 0},         {"negative", "-2", -2},
        {"empty", "", 0}, {"decimals", "2.5", 0}, {"not a number", "x", 0}, {"hundred", "100", 100},
    };
    for (const Row &r : rows)
        EXPECT_EQ(copiesFromText(r.text), r.copies) << r.name;
}

TEST(PrintCommand, JobTitle)
{
    struct Row
    {
        const char *name;
        int paper;
        QString middle;
        QString slip;
        QString title;
    };
    const Row rows[] = {
        {"empty middle", 0, "", "123", "Kanro_Vey_1_0_-123"},
        {"blanks around the slip number", 1, "", "  12 ", "Kanro_Vey_1_1_-12"},
        {"control characters trimmed", 2, "20261209", "\t7\n", "Kanro_Vey_1_2_20261209-7"},
        {"ideographic space stays", 0, "", "\u30005", "Kanro_Vey_1_0_-\u30005"},
        {"slip number 0", 0, "", "0", "Kanro_Vey_1_0_-0"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(jobTitle(r.paper, r.middle, r.slip), r.title) << r.name;
    EXPECT_EQ(jobTitleMiddle(QDate(2026, 12, 9)), "20261209");
    EXPECT_EQ(jobTitleMiddle(QDate()), "");
}

namespace {

struct PrintJob : ::testing::Test
{
    FakeSpooler spooler;
    std::unique_ptr<TVoPrinter> printer;
    NoteLayouts layouts;

    void SetUp() override
    {
        registerPrinterFontsForTest();
        spooler.setPrinters({FakePrinter::standard(QStringLiteral("Office"))});
        printer = std::make_unique<TVoPrinter>(spooler);
        printer->SetIndex(0);
    }

    static PrintNote note()
    {
        PrintNote n;
        n.customerName = QStringLiteral("山田");
        n.slipNo = QStringLiteral("5");
        n.rows[0].qty = QStringLiteral("2");
        n.rows[0].item = QStringLiteral("りんご");
        n.taxCaption = QStringLiteral("消費税 10%");
        n.dpiX = n.dpiY = QStringLiteral("600");
        return n;
    }

    // Per page: how many texts were drawn on it.
    std::vector<int> textsPerPage() const
    {
        std::vector<int> out;
        const std::vector<RecordedJob> jobs = spooler.jobs();
        for (const RecordedPage &p : jobs.back().pages)
            out.push_back(static_cast<int>(p.texts.size()));
        return out;
    }

    void print(const PrintNote &n, int copies, int paper)
    {
        const FixedNoteSource source(n);
        runPrintJob(*printer, QStringLiteral("Kanro_Vey_1_0_-5"), copies, 600,
                    [&](PrintSurface &s) { layouts.drawCopy(paper, source, s); });
    }
};

} // namespace

TEST_F(PrintJob, CopiesAndPageFeeds)
{
    struct Row
    {
        const char *name;
        int copies;
        int paper;
        bool newPage;
        std::vector<bool> drawn;
    };
    const Row rows[] = {
        {"three copies without page feed", 3, 0, false, {true, true, true}},
        {"three copies with page feed: empty page after each",
         3,
         1,
         true,
         {true, false, true, false, true, false}},
        {"one landscape copy", 1, 2, false, {true}},
        {"no valid layout: a page per copy, nothing drawn", 2, 3, false, {false, false}},
        {"layout -1 draws nothing either", 1, -1, false, {false}},
    };
    for (const Row &r : rows) {
        PrintNote n = note();
        n.newPage = r.newPage;
        print(n, r.copies, r.paper);
        const RecordedJob job = spooler.jobs().back();
        EXPECT_TRUE(job.finished) << r.name;
        EXPECT_EQ(job.title, "Kanro_Vey_1_0_-5") << r.name;
        std::vector<bool> drawn;
        for (int texts : textsPerPage())
            drawn.push_back(texts > 0);
        EXPECT_EQ(drawn, r.drawn) << r.name;
    }
}

TEST_F(PrintJob, NoCopiesOpensAndClosesAnEmptyJob)
{
    for (int copies : {0, -1}) {
        print(note(), copies, 0);
        const RecordedJob job = spooler.jobs().back();
        EXPECT_TRUE(job.finished);
        for (const RecordedPage &p : job.pages)
            EXPECT_TRUE(p.texts.empty()) << copies;
    }
}

TEST_F(PrintJob, DrawingErrorAbortsTheJobAndIsPassedOn)
{
    PrintNote n = note();
    n.top = QStringLiteral("1.5");
    try {
        print(n, 3, 0);
        ADD_FAILURE() << "no error";
    } catch (const ConversionError &e) {
        EXPECT_STREQ(e.what(), "'1.5' is not a valid integer value");
    }
    ASSERT_EQ(spooler.jobs().size(), 1u);
    EXPECT_TRUE(spooler.jobs().back().cancelled);
    EXPECT_FALSE(spooler.jobs().back().finished);
    EXPECT_FALSE(printer->Printing());
}

TEST_F(PrintJob, PageFeedFailureAbortsTheJob)
{
    spooler.failOn(FakeSpooler::Operation::NewPage, QStringLiteral("paper jam"));
    EXPECT_THROW(print(note(), 2, 0), EVoPrinter);
    EXPECT_TRUE(spooler.jobs().back().cancelled);
}

TEST_F(PrintJob, DevicePositionsOnThePrintersPage)
{
    PrintNote n = note();
    n.top = QStringLiteral("15");
    n.left = QStringLiteral("-3");
    print(n, 1, 0);
    const std::vector<RecordedJob> jobs = spooler.jobs();
    const RecordedPage &page = jobs.back().pages.front();
    // At 600 dpi (3.75 pixels a unit) the rule under the name runs from
    // (75, 188) to (1875, 188), shifted by the offsets.
    ASSERT_FALSE(page.lines.empty());
    EXPECT_EQ(page.lines.front(), QLineF(72, 203, 1872, 203));
    // Texts are recorded at their baseline: the name's left edge is exact.
    EXPECT_EQ(page.texts.front().text.left(2), QStringLiteral("山田"));
    EXPECT_EQ(page.texts.front().position.x(), 72);
    EXPECT_GT(page.texts.front().position.y(), 75 + 15);
}
