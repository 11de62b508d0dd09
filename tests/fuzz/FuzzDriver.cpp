// The fuzz targets' entry in the ordinary (g++) test build, where libFuzzer
// is not available: replays every file of the seed corpus, then feeds inputs
// made by deterministic random mutations of the seeds until the time is up.
//
//   fuzz_<name> <corpus folder> [seconds [seed]]
//
// A broken invariant or a sanitizer report ends the run; the input in hand is
// written to "fuzz-crash-<name>" in the current folder and its bytes are
// printed in hex, so the case can be replayed (pass the file instead of the
// folder) and turned into a test row.
#include "FuzzSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <csignal>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

// The sanitizer runtime's hook for dumping the input before a report ends
// the process. Declared weak: in a build without sanitizers it is absent and
// its address is null (the header may still be installed, so its presence
// says nothing about the runtime being linked).
extern "C" __attribute__((weak)) void __sanitizer_set_death_callback(void (*callback)(void));

namespace {

std::string g_name = "target";
std::string g_current;

void dumpCurrent()
{
    const std::string path = "fuzz-crash-" + g_name;
    if (FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(g_current.data(), 1, g_current.size(), f);
        std::fclose(f);
    }
    std::fprintf(stderr, "\nfailing input (%zu bytes, saved as %s):\n", g_current.size(),
                 path.c_str());
    for (size_t i = 0; i < g_current.size() && i < 4096; ++i)
        std::fprintf(stderr, "\\x%02x", static_cast<unsigned char>(g_current[i]));
    std::fprintf(stderr, "\n");
    std::fflush(stderr);
}

void onAbort(int)
{
    dumpCurrent();
    std::signal(SIGABRT, SIG_DFL);
    std::abort();
}

void run(const std::string &input)
{
    g_current = input;
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(g_current.data()), g_current.size());
}

// Bytes that matter to the parsers: line ends, separators, signs, digits,
// brackets, quotes, BOM and multi-byte lead bytes, extremes.
const std::vector<std::string> &tokens()
{
    static const std::vector<std::string> t = {
        "\r\n", "\n", "\r", "=", "[", "]", "\"", " ", "\t", "-", ".", ",", "0x", "$",
        "0", "9", "9999999999999999999", "922337203685477.5807", "-922337203685477.5808",
        "\xef\xbb\xbf", "\xff\xfe", "\x82\xa0", "\x81\x40", "\xe3\x80\x80", "\xef\xbc\x91",
        "\xe2\x80\xa8", "\xf0\xa0\xae\xb7", "\xed\xa0\x80", std::string(1, '\0'), "\xff",
        "Kn_Vey_1prn", "E_ZIP", "Comb_Paper", "TaxEnforDate", "1997/04/01", "2147483647",
        "-2147483648", "4294967296", "\xe6\xa7\x98", "TEL", "\xe3\x80\x92",
    };
    return t;
}

std::string mutate(std::string s, const std::vector<std::string> &corpus, std::mt19937_64 &rng)
{
    auto pick = [&](size_t n) { return n == 0 ? size_t(0) : size_t(rng() % n); };
    const int steps = 1 + int(rng() % 8);
    for (int i = 0; i < steps; ++i) {
        switch (rng() % 9) {
        case 0: // flip a bit
            if (!s.empty())
                s[pick(s.size())] ^= char(1u << (rng() % 8));
            break;
        case 1: // set a byte
            if (!s.empty())
                s[pick(s.size())] = char(rng());
            break;
        case 2: { // insert random bytes
            const size_t n = 1 + pick(8);
            std::string r(n, '\0');
            for (char &c : r)
                c = char(rng());
            s.insert(pick(s.size() + 1), r);
            break;
        }
        case 3: // erase a range
            if (!s.empty()) {
                const size_t at = pick(s.size());
                s.erase(at, 1 + pick(std::min<size_t>(16, s.size() - at)));
            }
            break;
        case 4: // duplicate a range
            if (!s.empty()) {
                const size_t at = pick(s.size());
                const std::string piece = s.substr(at, 1 + pick(32));
                s.insert(pick(s.size() + 1), piece);
            }
            break;
        case 5:
        case 6: { // insert a token
            const auto &t = tokens();
            s.insert(pick(s.size() + 1), t[pick(t.size())]);
            break;
        }
        case 7: { // splice with another seed
            const std::string &other = corpus[pick(corpus.size())];
            if (!other.empty()) {
                const size_t from = pick(other.size());
                s = s.substr(0, pick(s.size() + 1)) + other.substr(from);
            }
            break;
        }
        case 8: // change a number-like byte
            if (!s.empty()) {
                const size_t at = pick(s.size());
                s[at] = char('0' + rng() % 10);
            }
            break;
        }
    }
    if (s.size() > 8192)
        s.resize(8192);
    return s;
}

std::string readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().toStdString();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <corpus folder or file> [seconds [seed]]\n", argv[0]);
        return 2;
    }
    g_name = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName().toStdString();
    const double seconds = argc > 2 ? std::atof(argv[2]) : 20.0;
    const unsigned long long seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20261209ULL;

    std::signal(SIGABRT, onAbort);
    if (__sanitizer_set_death_callback)
        __sanitizer_set_death_callback(dumpCurrent);
    LLVMFuzzerInitialize(&argc, &argv);

    std::vector<std::string> corpus;
    const QFileInfo where(QString::fromLocal8Bit(argv[1]));
    if (where.isDir()) {
        const QDir dir(where.filePath());
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
            corpus.push_back(readFile(dir.filePath(name)));
    } else if (where.isFile()) {
        corpus.push_back(readFile(where.filePath()));
    } else {
        std::fprintf(stderr, "no corpus at %s\n", argv[1]);
        return 2;
    }
    if (corpus.empty())
        corpus.emplace_back();

    QElapsedTimer timer;
    timer.start();
    for (const std::string &seedInput : corpus)
        run(seedInput);
    const size_t replayed = corpus.size();

    std::mt19937_64 rng(seed);
    unsigned long long runs = 0;
    const qint64 budget = static_cast<qint64>(seconds * 1000);
    while (timer.elapsed() < budget) {
        const std::string &base = corpus[size_t(rng() % corpus.size())];
        run(mutate(base, corpus, rng));
        ++runs;
    }
    std::printf("%s: %zu seeds replayed, %llu mutated inputs in %.1f s, no finding\n",
                g_name.c_str(), replayed, runs, double(timer.elapsed()) / 1000.0);
    return 0;
}
