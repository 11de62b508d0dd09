// ledger_bench: the history window's searches over a store of generated
// notes (100,000 unless KANRO_BENCH_NOTES says how many; one note in twenty
// for one of 200 customers, dates over three years, totals from 100 to
// 1,000,000), and recording one note. Each search lists at most what the
// window shows (1,001 rows asked, 1,000 shown) unless its name says "all".
// The store is a SQLite file, or with KANRO_BENCH_STORE=postgres a private
// local PostgreSQL server started for the run.
#include "PrivatePostgres.h"
#include "store/HistoryQuery.h"
#include "store/NoteLedger.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>

namespace {

const int kNotes = qEnvironmentVariableIsSet("KANRO_BENCH_NOTES")
                       ? qEnvironmentVariableIntValue("KANRO_BENCH_NOTES")
                       : 100000;
constexpr int kShown = 1001;
constexpr int kFillChunk = 10000; // notes per transaction while filling

ledger::IssuedNote generatedNote(std::mt19937 &random, int i)
{
    ledger::IssuedNote n;
    const QDate first(2024, 1, 1);
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
    n.addressLines = {QStringLiteral("東京都千代田区千代田"), QStringLiteral("1-1"), QString()};
    n.tel = QStringLiteral("03-1234-5678");
    n.printer = QStringLiteral("Printer");
    n.jobTitle = QStringLiteral("Kanro_Vey_1_0_-%1").arg(n.note.slipNo);
    return n;
}

ledger::StoreTarget filledStore()
{
    static QTemporaryDir dir;
    static std::unique_ptr<PrivatePostgres> server;
    static const ledger::StoreTarget target = [] {
        ledger::StoreTarget t = ledger::StoreTarget::sqlite(ledger::ledgerFilePath(dir.path()));
        if (qgetenv("KANRO_BENCH_STORE") == "postgres") {
            server = std::make_unique<PrivatePostgres>();
            if (!server->error().isEmpty() || !server->createDatabase(QStringLiteral("bench")))
                qFatal("no private PostgreSQL: %s", qPrintable(server->error()));
            t = ledger::StoreTarget::postgres(server->connectString(QStringLiteral("bench")));
        }
        ledger::NoteLedger ledger(t);
        std::mt19937 random(18);
        for (int start = 0; start < kNotes; start += kFillChunk) {
            std::vector<ledger::IssuedNote> notes;
            for (int i = start; i < std::min(kNotes, start + kFillChunk); ++i)
                notes.push_back(generatedNote(random, i));
            const ledger::LedgerStatus st = ledger.record(std::span(notes));
            if (!st.ok())
                qFatal("filling the store failed: %s", qPrintable(st.error));
        }
        if (t.shared())
            server->exec(QStringLiteral("bench"), QStringLiteral("VACUUM ANALYZE notes"));
        return t;
    }();
    return target;
}

void runSearch(benchmark::State &state, const ledger::QueryTexts &texts, int limit)
{
    ledger::NoteLedger ledger(filledStore());
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

// One printed note recorded (one transaction, synchronous on SQLite).
void BM_RecordOne(benchmark::State &state)
{
    ledger::NoteLedger ledger(filledStore());
    std::mt19937 random(7);
    int i = kNotes;
    for (auto _ : state) {
        ledger::IssuedNote n = generatedNote(random, i++);
        const ledger::LedgerStatus st = ledger.record(n);
        if (!st.ok())
            state.SkipWithError(qPrintable(st.error));
    }
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
BENCHMARK(BM_RecordOne)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // Qt SQL loads its driver through it
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
