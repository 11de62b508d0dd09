// The monthly summary invoice of a customer with 1,000 notes in the period:
// its figures summed and every page laid out with the printer fonts'
// measures (what the preview draws), at 600 dpi.
#include "printing/PainterCanvas.h"
#include "printing/RecordingCanvas.h"
#include "printing/SummaryInvoiceLayout.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

using namespace printing;

namespace {

std::vector<closing::NoteEntry> notes(int count)
{
    std::vector<closing::NoteEntry> out;
    for (int k = 0; k < count; ++k) {
        closing::NoteEntry n;
        n.id = k + 1;
        n.date = QDate(2026, 11, 21).addDays(k % 30);
        n.slipNo = QString::number(10000 + k);
        n.taxIncluded = k % 4 == 0;
        n.rates = {{QStringLiteral("10"), false, *FixedDecimal::fromInteger(12000 + k),
                    *FixedDecimal::fromInteger(1200)},
                   {QStringLiteral("8"), true, *FixedDecimal::fromInteger(5400),
                    *FixedDecimal::fromInteger(432)}};
        out.push_back(std::move(n));
    }
    return out;
}

// Pages recorded one after another, measured with the real fonts.
struct Pages : PrintSurface
{
    RecordingCanvas page;
    int count = 1;
    Pages() { page.setMeasure(fontMetricsMeasure(600)); }
    Canvas &canvas() override { return page; }
    void newPage() override { ++count; }
};

void BM_SummaryPreview1000Notes(benchmark::State &state)
{
    const auto entries = notes(1000);
    Geometry g;
    g.sx = g.sy = scaleFactor(600);
    int pages = 0;
    for (auto _ : state) {
        SummaryInvoice inv;
        inv.invoiceNo = QStringLiteral("1");
        inv.closingDate = inv.issueDate = QDate(2026, 12, 20);
        inv.period = closing::periodEndingOn(inv.closingDate, QDate(2026, 11, 20));
        inv.customerName = QStringLiteral("株式会社見本商事");
        inv.summary = *closing::summarize({}, entries, {});
        Pages out;
        drawSummaryInvoice(inv, g, out);
        pages = out.count;
        benchmark::DoNotOptimize(out.page.ops().size());
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_SummaryPreview1000Notes)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
