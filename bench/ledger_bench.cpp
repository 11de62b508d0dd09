// ledger_bench: the history window's searches over a ledger of 100,000
// generated notes (one note in twenty for one of 200 customers, dates
// over three years, totals from 100 to 1,000,000). Each search lists at
// most what the window shows (1,001 rows asked, 1,000 shown) unless its
// name says "all".
#include "store/HistoryQuery.h"
#include "store/NoteLedger.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>

namespace {

constexpr int kNotes = 100000;
constexpr int kShown = 1001;

QString ledgerFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = ledger::ledgerFilePath(dir.path());
        ledger::NoteLedger ledger(p);
        std::mt19937 random(18);
        std::vector<ledger::IssuedNote> notes(kNotes);
        const QDate first(2024, 1, 1);
        for (int i = 0; i < kNotes; ++i) {
            ledger::IssuedNote &n = notes[std::size_t(i)];
            n.note.customerName =
                QStringLiteral("顧客%1 商店").arg(random() % 2000, 4, 10, QLatin1Char('0'));
            n.note.slipNo = QString::number(100000 + i);
            n.note.issueDate = first.addDays(i * 1096LL / kNotes);
            const int total = 100 + int(random() % 1000000);
            n.note.subtotal = QString::number(total * 10 / 11);
            n.note.tax = QString::number(total - total * 10 / 11);
            n.note.total = QString::number(total);
            for (int r = 0; r < 6; ++r)
                n.note.rows[std::size_t(r)] = {
                    QStringLiteral("A%1").arg(r), QStringLiteral("商品名 %1").arg(r),
                    QStringLiteral("個"),         QStringLiteral("2"),
                    QStringLiteral("1500"),       QStringLiteral("3000")};
            n.zip = QStringLiteral("100-0001");
            n.addressLines = {QStringLiteral("東京都千代田区千代田"), QStringLiteral("1-1"),
                              QString()};
            n.tel = QStringLiteral("03-1234-5678");
            n.printer = QStringLiteral("Printer");
            n.jobTitle = QStringLiteral("Kanro_Vey_1_0_-%1").arg(n.note.slipNo);
        }
        const ledger::LedgerStatus st = ledger.record(std::span(notes));
        if (!st.ok())
            qFatal("filling the ledger failed: %s", qPrintable(st.error));
        return p;
    }();
    return path;
}

void runSearch(benchmark::State &state, const ledger::QueryTexts &texts, int limit)
{
    ledger::NoteLedger ledger(ledgerFile());
    const ledger::NoteQuery query = ledger::parseQuery(texts).query;
    std::vector<ledger::NoteSummary> found;
    ledger.search(query, limit, found); // opens the file
    for (auto _ : state) {
        ledger.search(query, limit, found);
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["rows"] = double(found.size());
}

void BM_NoCondition(benchmark::State &s)
{
    runSearch(s, {}, kShown);
}
void BM_DateOneMonth(benchmark::State &s)
{
    runSearch(s, {"2025-11-01", "2025-11-30", "", "", "", ""}, kShown);
}
void BM_DateOneMonthAll(benchmark::State &s)
{
    runSearch(s, {"2025-11-01", "2025-11-30", "", "", "", ""}, -1);
}
void BM_DateOneYear(benchmark::State &s)
{
    runSearch(s, {"2025-01-01", "2025-12-31", "", "", "", ""}, kShown);
}
void BM_AmountNarrow(benchmark::State &s)
{
    runSearch(s, {"", "", "4000", "5000", "", ""}, kShown);
}
void BM_AmountWide(benchmark::State &s)
{
    runSearch(s, {"", "", "100000", "900000", "", ""}, kShown);
}
void BM_CustomerRare(benchmark::State &s)
{
    runSearch(s, {"", "", "", "", "顧客0042", ""}, kShown);
}
void BM_CustomerAbsent(benchmark::State &s)
{
    runSearch(s, {"", "", "", "", "該当なし", ""}, kShown);
}
void BM_CustomerAbsentAll(benchmark::State &s)
{
    runSearch(s, {"", "", "", "", "該当なし", ""}, -1);
}
void BM_SlipNumber(benchmark::State &s)
{
    runSearch(s, {"", "", "", "", "", "154321"}, kShown);
}
void BM_Combined(benchmark::State &s)
{
    runSearch(s, {"2025-01-01", "2025-12-31", "1000", "500000", "顧客00", ""}, kShown);
}

BENCHMARK(BM_NoCondition)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateOneMonth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateOneMonthAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateOneYear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AmountNarrow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AmountWide)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CustomerRare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CustomerAbsent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CustomerAbsentAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SlipNumber)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Combined)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // Qt SQL loads its driver through it
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
