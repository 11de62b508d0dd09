// ledger_bench: the history window's searches over a store of generated
// notes (100,000 unless KANRO_BENCH_NOTES says how many; one note in twenty
// for one of 200 customers, dates over three years, totals from 100 to
// 1,000,000), and recording one note. Each search lists at most what the
// window shows (1,001 rows asked, 1,000 shown) unless its name says "all":
// those are what the CSV export reads.
// The store is a SQLite file, or with KANRO_BENCH_STORE=postgres a private
// local PostgreSQL server started for the run, or the empty database that
// KANRO_BENCH_CONNECT names (a libpq connection string).
#include "PrivatePostgres.h"
#include "store/HistoryQuery.h"
#include "store/NoteLedger.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>

namespace {

const int kNotes = qEnvironmentVariableIsSet("KANRO_BENCH_NOTES")
                       ? qEnvironmentVariableIntValue("KANRO_BENCH_NOTES")
                       : 100000;
constexpr int kShown = 1001;
constexpr int kFillChunk = 10000; // notes recorded one by one before the rest are made

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

// Runs one statement on the store past the ledger (filling it quickly),
// without the ledger's statement timeout.
void rawExec(const ledger::StoreTarget &t, const QString &sql)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(
            t.shared() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        if (t.shared())
            db.setConnectOptions(t.location);
        else
            db.setDatabaseName(t.location);
        QSqlQuery q(db);
        if (!db.open() || !q.exec(sql))
            qFatal("%s: %s", qPrintable(sql.left(60)), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

// The first notes are recorded as the window records them; the rest are
// made by the database from the first one's row in one statement, with the
// same spread of customers (one of 2,000), dates and totals, so that a
// million notes take seconds rather than minutes.
QString fillStatement(bool postgres)
{
    const QString n = QString::number(kNotes);
    const QString columns = QStringLiteral(
        "printed_at, issued_on, slip_no, customer, zip, address, tel, subtotal, tax, total,"
        " tax_reg_no, layout, printer, copies, job_title, pdf_file, tax_included, note_json,"
        " note_uid");
    const QString total = QStringLiteral("(100 + i * 2654435761 % 999983)");
    const QString customer = QStringLiteral("(i * 2246822519 % 1000003 % 2000)");
    const QString values =
        QStringLiteral("printed_at, %1, CAST(100000 + i AS TEXT), '顧客' || %2 || ' 商店', zip,"
                       " address, tel, CAST(%3 * 10 / 11 AS TEXT), CAST(%3 - %3 * 10 / 11 AS TEXT),"
                       " CAST(%3 AS TEXT), tax_reg_no, layout, printer, copies, job_title, pdf_file,"
                       " tax_included, note_json, %4")
            .arg(postgres ? QStringLiteral("to_char(date '2024-01-01' + CAST(i * 1096 / %1 AS "
                                           "INTEGER), 'YYYY-MM-DD')")
                                .arg(n)
                          : QStringLiteral("date('2024-01-01', '+' || (i * 1096 / %1) || ' days')")
                                .arg(n),
                 postgres ? QStringLiteral("lpad(CAST(%1 AS TEXT), 4, '0')").arg(customer)
                          : QStringLiteral("substr('000' || %1, -4)").arg(customer),
                 total, postgres ? QStringLiteral("md5(CAST(i AS TEXT))")
                                 : QStringLiteral("lower(hex(randomblob(16)))"));
    const QString first = QStringLiteral("(SELECT * FROM notes ORDER BY id LIMIT 1) t");
    if (postgres)
        return QStringLiteral("INSERT INTO notes (%1) SELECT %2 FROM generate_series(%3, %4 - 1) i,"
                              " %5")
            .arg(columns, values)
            .arg(kFillChunk)
            .arg(n, first);
    return QStringLiteral("INSERT INTO notes (%1) WITH RECURSIVE s(i) AS (SELECT %3 UNION ALL"
                          " SELECT i + 1 FROM s WHERE i + 1 < %4) SELECT %2 FROM s, %5")
        .arg(columns, values)
        .arg(kFillChunk)
        .arg(n, first);
}

ledger::StoreTarget filledStore()
{
    static QTemporaryDir dir;
    static std::unique_ptr<PrivatePostgres> server;
    static const ledger::StoreTarget target = [] {
        ledger::StoreTarget t = ledger::StoreTarget::sqlite(ledger::ledgerFilePath(dir.path()));
        if (qEnvironmentVariableIsSet("KANRO_BENCH_CONNECT")) {
            // An empty database of a server of one's own, kept after the run.
            t = ledger::StoreTarget::postgres(qEnvironmentVariable("KANRO_BENCH_CONNECT"));
        } else if (qgetenv("KANRO_BENCH_STORE") == "postgres") {
            server = std::make_unique<PrivatePostgres>();
            if (!server->error().isEmpty() || !server->createDatabase(QStringLiteral("bench")))
                qFatal("no private PostgreSQL: %s", qPrintable(server->error()));
            t = ledger::StoreTarget::postgres(server->connectString(QStringLiteral("bench")));
        }
        ledger::NoteLedger ledger(t);
        std::mt19937 random(18);
        std::vector<ledger::IssuedNote> notes;
        for (int i = 0; i < std::min(kNotes, kFillChunk); ++i)
            notes.push_back(generatedNote(random, i));
        const ledger::LedgerStatus st = ledger.record(std::span(notes));
        if (!st.ok())
            qFatal("filling the store failed: %s", qPrintable(st.error));
        if (kNotes > kFillChunk)
            rawExec(t, fillStatement(t.shared()));
        rawExec(t, t.shared() ? QStringLiteral("VACUUM ANALYZE notes") : QStringLiteral("ANALYZE"));
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
void BM_CustomerCommon(benchmark::State &s)
{
    runSearch(s, {"", "", "", "", "顧客00", ""}, kShown); // one note in twenty
}
// Two characters are too few for the trigram index: the names are read.
void BM_CustomerTwoCharsAbsent(benchmark::State &s)
{
    runSearch(s, {"", "", "", "", "該当", ""}, kShown);
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
BENCHMARK(BM_CustomerCommon)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CustomerTwoCharsAbsent)->Unit(benchmark::kMillisecond);
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
