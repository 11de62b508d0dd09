// customer_bench: recall while typing over 100,000 customers and 20,000
// items (KANRO_BENCH_CUSTOMERS / KANRO_BENCH_ITEMS say otherwise): the
// store's query for two typed characters or digits, common and absent (a
// whole scan), and the whole way from a keystroke's question to the answer
// arriving on the asking thread. The target is 30 ms. The store is a SQLite
// file, or with KANRO_BENCH_STORE=postgres a private local PostgreSQL.
#include "PrivatePostgres.h"
#include "store/CustomerRecall.h"
#include "store/NoteLedger.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>

namespace {

int count(const char *variable, int fallback)
{
    return qEnvironmentVariableIsSet(variable) ? qEnvironmentVariableIntValue(variable) : fallback;
}
const int kCustomers = count("KANRO_BENCH_CUSTOMERS", 100000);
const int kItems = count("KANRO_BENCH_ITEMS", 20000);
constexpr int kChunk = 10000;
constexpr int kLimit = 12; // what the window's list offers

const QString kSurnames[] = {QStringLiteral("山田"), QStringLiteral("佐藤"), QStringLiteral("鈴木"),
                             QStringLiteral("高橋"), QStringLiteral("田中"), QStringLiteral("伊藤"),
                             QStringLiteral("渡辺"), QStringLiteral("中村")};
const QString kKinds[] = {QStringLiteral("商店"), QStringLiteral("工業"), QStringLiteral("商事"),
                          QStringLiteral("様邸"), QStringLiteral("食品")};

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
        ledger::NoteLedger store(t);
        std::mt19937 random(30);
        const QDateTime first(QDate(2024, 1, 1), QTime(9, 0));
        for (int start = 0; start < kCustomers; start += kChunk) {
            std::vector<ledger::Customer> chunk;
            for (int i = start; i < std::min(kCustomers, start + kChunk); ++i) {
                ledger::Customer c;
                c.code = QStringLiteral("C%1").arg(i, 6, 10, QLatin1Char('0'));
                c.name = kSurnames[random() % 8] + kKinds[random() % 5] +
                         QString::number(i);
                c.zip = QStringLiteral("%1-%2").arg(random() % 1000, 3, 10, QLatin1Char('0'))
                            .arg(random() % 10000, 4, 10, QLatin1Char('0'));
                c.addressLines = {QStringLiteral("東京都千代田区千代田"), QStringLiteral("1-1"),
                                  QString()};
                c.tel = QStringLiteral("0%1-%2-%3").arg(random() % 100).arg(random() % 10000)
                            .arg(random() % 10000, 4, 10, QLatin1Char('0'));
                c.lastUsed = first.addSecs(qint64(random() % (3 * 365 * 86400))).toString(Qt::ISODate);
                chunk.push_back(c);
            }
            if (const ledger::LedgerStatus st = store.importCustomers(chunk); !st.ok())
                qFatal("filling customers failed: %s", qPrintable(st.error));
        }
        for (int start = 0; start < kItems; start += kChunk) {
            std::vector<ledger::Item> chunk;
            for (int i = start; i < std::min(kItems, start + kChunk); ++i) {
                ledger::Item it;
                it.code = QStringLiteral("I%1").arg(i, 6, 10, QLatin1Char('0'));
                it.itemNo = QStringLiteral("商品%1").arg(i);
                it.item = QStringLiteral("規格 %1").arg(random() % 100);
                it.unit = QStringLiteral("個");
                it.price = QString::number(100 + random() % 10000);
                it.lastUsed = first.addSecs(qint64(random() % (3 * 365 * 86400))).toString(Qt::ISODate);
                chunk.push_back(it);
            }
            if (const ledger::LedgerStatus st = store.importItems(chunk); !st.ok())
                qFatal("filling items failed: %s", qPrintable(st.error));
        }
        if (t.shared())
            server->exec(QStringLiteral("bench"), QStringLiteral("VACUUM ANALYZE"));
        return t;
    }();
    return target;
}

void recall(benchmark::State &state, ledger::CustomerQuery::By by, const QString &text)
{
    ledger::NoteLedger store(filledStore());
    std::vector<ledger::Customer> found;
    store.findCustomers({by, text}, kLimit, found); // opens the store
    for (auto _ : state) {
        store.findCustomers({by, text}, kLimit, found);
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["rows"] = double(found.size());
}

void BM_NameCommon(benchmark::State &s)
{
    recall(s, ledger::CustomerQuery::By::Name, QStringLiteral("山田"));
}
void BM_NameAbsent(benchmark::State &s)
{
    recall(s, ledger::CustomerQuery::By::Name, QStringLiteral("該当"));
}
void BM_TelTwoDigits(benchmark::State &s)
{
    recall(s, ledger::CustomerQuery::By::Tel, QStringLiteral("03"));
}
// Three digits many numbers hold: the most candidates the index gives.
void BM_TelThreeDigits(benchmark::State &s)
{
    recall(s, ledger::CustomerQuery::By::Tel, QStringLiteral("012"));
}
void BM_TelAbsent(benchmark::State &s)
{
    recall(s, ledger::CustomerQuery::By::Tel, QStringLiteral("99999999999"));
}
void BM_ZipTwoDigits(benchmark::State &s)
{
    recall(s, ledger::CustomerQuery::By::Zip, QStringLiteral("10"));
}
void BM_ZipSevenDigits(benchmark::State &s)
{
    recall(s, ledger::CustomerQuery::By::Zip, QStringLiteral("1000001"));
}

void items(benchmark::State &state, const QString &part)
{
    ledger::NoteLedger store(filledStore());
    std::vector<ledger::Item> found;
    store.findItems(part, kLimit, false, found);
    for (auto _ : state) {
        store.findItems(part, kLimit, false, found);
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["rows"] = double(found.size());
}
void BM_ItemCommon(benchmark::State &s)
{
    items(s, QStringLiteral("商品"));
}
void BM_ItemAbsent(benchmark::State &s)
{
    items(s, QStringLiteral("該当"));
}

// A keystroke's question through the lookup thread until its answer is
// delivered on this thread, as the window receives it.
void BM_KeystrokeToAnswer(benchmark::State &state)
{
    const ledger::StoreTarget target = filledStore();
    CustomerRecall recall;
    for (auto _ : state) {
        bool answered = false;
        recall.askCustomers(target, {ledger::CustomerQuery::By::Name, QStringLiteral("佐藤")},
                            kLimit, [&](std::vector<ledger::Customer>) { answered = true; });
        while (!answered)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

BENCHMARK(BM_NameCommon)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NameAbsent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TelTwoDigits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TelThreeDigits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TelAbsent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZipTwoDigits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZipSevenDigits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ItemCommon)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ItemAbsent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeToAnswer)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // Qt SQL loads its driver through it
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
