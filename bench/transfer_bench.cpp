// transfer_bench: the postal dictionary (load time, memory, look-ups both
// ways) and the dictionary transfer of a 100-line order mail.
#include "transfer/DictionaryTransfer.h"
#include "transfer/OrderLines.h"
#include "transfer/PostalDictionary.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <unistd.h>

namespace {

const QString kDictFile = QStringLiteral(KANRO_SOURCE_DIR "/data/postal/jpostal.dat");

const PostalDictionary &dictionary()
{
    static const auto dict = PostalDictionary::load(kDictFile, nullptr);
    return *dict;
}

long residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> f = statm.readAll().split(' ');
    return f.size() > 1 ? f[1].toLong() * sysconf(_SC_PAGESIZE) : 0;
}

void BM_DictionaryLoad(benchmark::State &state)
{
    std::size_t bytes = 0;
    long resident = 0;
    for (auto _ : state) {
        const long before = residentBytes();
        auto dict = PostalDictionary::load(kDictFile, nullptr);
        resident = residentBytes() - before;
        bytes = dict->memoryBytes();
        benchmark::DoNotOptimize(dict);
    }
    state.counters["held_MB"] = double(bytes) / 1e6;
    state.counters["rss_growth_MB"] = double(resident) / 1e6;
}
// One load per repetition: the first shows the resident growth of a fresh process.
BENCHMARK(BM_DictionaryLoad)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

void BM_CodeLookup(benchmark::State &state)
{
    const QString codes[] = {u"1500001"_qs, u"530-0001"_qs, u"0110951"_qs, u"9999999"_qs};
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(dictionary().lookupCode(codes[i++ % 4]));
}
BENCHMARK(BM_CodeLookup);

void BM_AddressMatch(benchmark::State &state)
{
    const QString addresses[] = {
        u"東京都渋谷区神宮前1-2-3 青山ハイツ101"_qs, u"北海道札幌市北区北24条西6丁目1-1"_qs,
        u"大阪府大阪市北区梅田3-1-1"_qs, u"東京都西東京市ひばりケ丘1-2-3"_qs};
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(dictionary().matchAddress(addresses[i++ % 4]));
}
BENCHMARK(BM_AddressMatch);

// A marketplace mail of 100 lines: greeting, orderer, destination, 80 item
// lines and the shop's signature.
QString hundredLineMail()
{
    QStringList lines = {u"山田 太郎 様"_qs,
                         u"この度はご注文いただき誠にありがとうございます。"_qs,
                         u"[注文者] 佐藤 花子 (サトウ ハナコ) 様"_qs,
                         u"  〒420-0853 静岡県静岡市葵区追手町9-6"_qs,
                         u"  (TEL) 054-221-0000"_qs,
                         u"[送付先] 山田 太郎 (ヤマダ タロウ) 様"_qs,
                         u"  〒150-0001 東京都渋谷区神宮前1-2-3 青山ハイツ101"_qs,
                         u"  (TEL) 090-1234-5678"_qs,
                         u"[商品]"_qs};
    for (int i = 0; lines.size() < 96; ++i)
        lines.append(QStringLiteral("静岡煎茶 深蒸し %1 100g × 2  2,160円").arg(i));
    lines += {u"有限会社かんろ茶舗"_qs, u"〒420-0031 静岡県静岡市葵区呉服町2-3-5"_qs,
              u"TEL 054-255-1234 FAX 054-255-1235"_qs, u"https://kanro-chaho.example.jp/"_qs};
    return lines.join(u'\n');
}

void BM_Transfer100Lines(benchmark::State &state)
{
    const QString mail = hundredLineMail();
    const QStringList shop = {u"有限会社かんろ茶舗"_qs,
                              u"〒420-0031 静岡県静岡市葵区呉服町2-3-5"_qs,
                              u"TEL 054-255-1234 FAX 054-255-1235"_qs};
    const PostalDictionary *dict = &dictionary();
    for (auto _ : state)
        benchmark::DoNotOptimize(runDictionaryTransfer(mail, shop, dict));
    if (runDictionaryTransfer(mail, shop, dict).fields.add1 != u"東京都渋谷区神宮前")
        state.SkipWithError("the mail was not read as expected");
}
BENCHMARK(BM_Transfer100Lines)->Unit(benchmark::kMicrosecond);

// The same paste read for its order lines (the button runs both).
void BM_OrderLines100Lines(benchmark::State &state)
{
    const QString mail = hundredLineMail();
    for (auto _ : state)
        benchmark::DoNotOptimize(readOrderLines(mail));
    const OrderLines o = readOrderLines(mail);
    if (o.rows.size() != 87 || o.rows.front().price != 1080 || o.rows.front().qty != 2)
        state.SkipWithError("the order lines were not read as expected");
}
BENCHMARK(BM_OrderLines100Lines)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
