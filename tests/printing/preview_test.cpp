// The preview's page model and zoom arithmetic, without a window.
#include "CanvasOpText.h"
#include "printing/PrintPreview.h"

#include <gtest/gtest.h>

using namespace printing;

namespace {

PrintNote twoRowNote(int dpi)
{
    PrintNote n;
    n.customerName = QStringLiteral("山田太郎");
    n.title = QStringLiteral("納品書　兼　請求書");
    n.slipNo = QStringLiteral("7");
    n.issueDate = QDate(2026, 12, 9);
    n.rows[0] = {QStringLiteral("A001"), QStringLiteral("りんご"), QStringLiteral("箱"),
                 QStringLiteral("2"), QStringLiteral("1500"), QStringLiteral("3000")};
    n.rows[1] = {QString(), QStringLiteral("みかん"), QString(),
                 QStringLiteral("1"), QStringLiteral("980"), QStringLiteral("980")};
    n.subtotal = QStringLiteral("3980");
    n.tax = QStringLiteral("398");
    n.total = QStringLiteral("4378");
    n.taxCaption = QStringLiteral("消費税 10%");
    n.remarks[0] = QStringLiteral("備考");
    n.dpiX = n.dpiY = QString::number(dpi);
    return n;
}

const PreviewSheet A5At600{QSize(3496, 4961), QRect(0, 0, 3496, 4961), 600, 600};

// A plan like the print command's: `layout` is the paper item.
PrintPlan planFor(const PrintNote &note, int layout, int copies)
{
    PrintPlan plan;
    plan.copies = copies;
    plan.fontDpiY = 600;
    plan.drawCopy = [note, layout](PrintSurface &surface) {
        static const NoteLayouts layouts;
        layouts.drawCopy(layout, FixedNoteSource(note), surface);
    };
    return plan;
}

// The drawing of one copy straight from the layout, page feeds left out.
QStringList copyDrawing(const PrintNote &note, int layout)
{
    RecordingCanvas c;
    NoteLayouts().drawCopy(layout, FixedNoteSource(note), c);
    QList<CanvasOp> ops;
    for (const CanvasOp &op : c.ops())
        if (op.kind != CanvasOp::PageFeed)
            ops.append(op);
    return canvasOpTexts(ops);
}

QStringList replayed(const PreviewPage &page)
{
    RecordingCanvas c;
    replayPage(page, c);
    return canvasOpTexts(c.ops());
}

} // namespace

TEST(PreviewPages, OnePagePerCopyAndEveryPageFeed)
{
    struct Row
    {
        const char *name;
        int layout;
        int copies;
        bool newPage;
        std::vector<bool> drawn; // per page: whether the copy is on it
    };
    const Row rows[] = {
        {"three copies", 0, 3, false, {true, true, true}},
        {"three copies with 改ページ信号", 0, 3, true, {true, false, true, false, true, false}},
        {"one copy with 改ページ信号 ends on an empty page", 1, 1, true, {true, false}},
        {"landscape layout, two copies", 2, 2, false, {true, true}},
        {"no copies: no page", 0, 0, false, {}},
        {"negative copies: no page", 0, -2, true, {}},
        {"paper item without a layout feeds empty pages", 5, 2, false, {false, false}},
    };
    for (const Row &r : rows) {
        PrintNote note = twoRowNote(600);
        note.newPage = r.newPage;
        const PreviewDocument doc = buildPreview(A5At600, planFor(note, r.layout, r.copies));
        EXPECT_EQ(doc.sheet, A5At600) << r.name;
        ASSERT_EQ(doc.pages.size(), r.drawn.size()) << r.name;
        const QStringList copy = copyDrawing(note, r.layout);
        for (std::size_t k = 0; k < r.drawn.size(); ++k) {
            EXPECT_EQ(replayed(doc.pages[k]), r.drawn[k] ? copy : QStringList())
                << r.name << ", page " << k + 1;
        }
    }
}

TEST(PreviewPages, ReplayDrawsEveryItemAsRecordedInEveryLayout)
{
    // Offsets and an odd resolution make every coordinate its own; the
    // replay must carry font, brush, options and advances item by item.
    for (int layout = 0; layout < 3; ++layout) {
        PrintNote note = twoRowNote(203);
        note.top = QStringLiteral("20");
        note.left = QStringLiteral("-5");
        note.receipt = true;
        const PreviewDocument doc = buildPreview(A5At600, planFor(note, layout, 1));
        ASSERT_EQ(doc.pages.size(), 1u) << layout;
        const QStringList expected = copyDrawing(note, layout);
        EXPECT_GT(expected.size(), 40) << layout;
        EXPECT_EQ(replayed(doc.pages[0]), expected) << "layout " << layout;
    }
}

TEST(PreviewPages, LayoutErrorsPassOn)
{
    PrintNote note = twoRowNote(600);
    note.top = QStringLiteral("1.5"); // an offset with decimals cannot be printed
    EXPECT_ANY_THROW(buildPreview(A5At600, planFor(note, 0, 1)));
}

TEST(PreviewZoom, ScaleIsScreenPixelsPerDevicePixel)
{
    struct Row
    {
        const char *name;
        int dpiX, dpiY;
        double zoom;
        QPointF screen;
        QPointF expected;
    };
    const Row rows[] = {
        {"600 dpi at 100 % on 96 dpi", 600, 600, 100, {96, 96}, {0.16, 0.16}},
        {"600 dpi at 125 %", 600, 600, 125, {96, 96}, {0.2, 0.2}},
        {"160 dpi at 200 %", 160, 160, 200, {96, 96}, {1.2, 1.2}},
        {"600 x 300 dpi keeps the axes apart", 600, 300, 100, {96, 96}, {0.16, 0.32}},
        {"144 dpi screen", 600, 600, 100, {144, 144}, {0.24, 0.24}},
    };
    for (const Row &r : rows) {
        const PreviewSheet sheet{QSize(1000, 1000), QRect(0, 0, 1000, 1000), r.dpiX, r.dpiY};
        const QPointF s = previewScale(sheet, r.zoom, r.screen);
        EXPECT_NEAR(s.x(), r.expected.x(), 1e-12) << r.name;
        EXPECT_NEAR(s.y(), r.expected.y(), 1e-12) << r.name;
    }
}

TEST(PreviewZoom, FitShowsTheWholeSheet)
{
    // A5 at 600 dpi is 559.36 x 793.76 pixels of a 96 dpi screen at 100 %.
    struct Row
    {
        const char *name;
        QSize viewport;
        double expected;
    };
    const Row rows[] = {
        {"height decides", QSize(600, 820), 100.0 * 796 / 793.76},
        {"width decides", QSize(300, 2000), 100.0 * 276 / 559.36},
        {"half height", QSize(600, 421), 100.0 * 397 / 793.76},
        {"tiny window stays at the least zoom", QSize(30, 30), MinZoomPercent},
        {"huge window stays at the largest zoom", QSize(9000, 9000), MaxZoomPercent},
    };
    for (const Row &r : rows)
        EXPECT_NEAR(fitZoomPercent(A5At600, r.viewport, 12, {96, 96}), r.expected, 1e-9) << r.name;
}

TEST(PreviewZoom, StepsUpAndDown)
{
    struct Row
    {
        const char *name;
        double from;
        int direction;
        double expected;
    };
    const Row rows[] = {
        {"100 up", 100, +1, 125},
        {"100 down", 100, -1, 75},
        {"fitted 80 up", 80, +1, 100},
        {"fitted 80 down", 80, -1, 75},
        {"a hair below a step counts as it", 99.9999999, +1, 125},
        {"200 up", 200, +1, 300},
        {"largest stays", 400, +1, 400},
        {"least step stays", 25, -1, 25},
        {"fitted below the least step does not reduce", 20, -1, 20},
        {"fitted below the least step enlarges to it", 20, +1, 25},
    };
    for (const Row &r : rows)
        EXPECT_DOUBLE_EQ(zoomStep(r.from, r.direction), r.expected) << r.name;
}
