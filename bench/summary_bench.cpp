// The monthly summary invoice: a customer with 1,000 notes in the period,
// its figures summed and every page laid out with the printer fonts'
// measures (what the preview draws) at 600 dpi; the same read from the
// store and previewed; and closing 1,000 customers with 20 notes each in a
// SQLite store.
#include "printing/PainterCanvas.h"
#include "printing/RecordingCanvas.h"
#include "printing/SummaryInvoiceLayout.h"
#include "printing/SummaryInvoicePrint.h"
#include "store/NoteLedger.h"

#include <QGuiApplication>
#include <QTemporaryDir>
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

// `customers` customers (closing at the month's end), `notes` notes each in
// December, in a new SQLite store.
std::unique_ptr<ledger::NoteLedger> storeWith(const QTemporaryDir &dir, int customers, int notes)
{
    auto store = std::make_unique<ledger::NoteLedger>(
        ledger::StoreTarget::sqlite(ledger::ledgerFilePath(dir.path())));
    std::vector<ledger::IssuedNote> all;
    for (int c = 0; c < customers; ++c)
        for (int k = 0; k < notes; ++k) {
            ledger::IssuedNote n;
            n.note.customerName = QStringLiteral("得意先%1").arg(c);
            n.tel = QStringLiteral("03%1").arg(10000000 + c);
            n.note.issueDate = QDate(2026, 12, 1 + k % 28);
            n.note.slipNo = QString::number(c * notes + k);
            n.note.standardRate = {QStringLiteral("10"), QStringLiteral("12000"),
                                   QStringLiteral("1200"), true};
            n.note.reducedRate = {QStringLiteral("8"), QStringLiteral("5400"),
                                  QStringLiteral("432"), true};
            n.note.total = QStringLiteral("19032");
            all.push_back(std::move(n));
        }
    store->record(std::span(all));
    std::vector<ledger::Customer> found;
    store->findCustomers({ledger::CustomerQuery::By::Tel, QStringLiteral("03")}, -1, found);
    for (ledger::Customer &c : found) {
        c.closingDay = closing::kEndOfMonth;
        store->saveCustomer(c);
    }
    return store;
}

void BM_Close1000CustomersOf20Notes(benchmark::State &state)
{
    std::size_t made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        auto store = storeWith(dir, 1000, 20);
        state.ResumeTiming();
        std::vector<ledger::ClosingRecord> out;
        store->closePeriod({QDate(2026, 12, 31), QDate(2027, 1, 1), {}, {}, {}}, out);
        made = out.size();
    }
    state.counters["summaries"] = double(made);
}
BENCHMARK(BM_Close1000CustomersOf20Notes)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StoredSummaryPreview1000Notes(benchmark::State &state)
{
    QTemporaryDir dir;
    auto store = storeWith(dir, 1, 1000);
    std::vector<ledger::ClosingRecord> out;
    store->closePeriod({QDate(2026, 12, 31), QDate(2027, 1, 1), {}, {}, {}}, out);
    std::size_t pages = 0;
    for (auto _ : state) {
        std::vector<ledger::ClosingRecord> found;
        store->findClosings(0, {}, found);
        pages = printing::summaryPreview(found.at(0).invoice).pages.size();
    }
    state.counters["pages"] = double(pages);
}
BENCHMARK(BM_StoredSummaryPreview1000Notes)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
