#pragma once

// Shared pieces of the fuzz targets. Each target defines
// LLVMFuzzerTestOneInput (and, where it needs Qt's GUI side,
// LLVMFuzzerInitialize); it is linked either with libFuzzer (clang,
// tools/fuzz.sh) or with the replay-and-mutate driver in FuzzDriver.cpp (the
// ordinary test build, run by CTest for a bounded time).

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace fuzz {

// A broken invariant: say which and abort, so that libFuzzer (or the driver)
// keeps the input that caused it.
[[noreturn]] inline void fail(const char *file, int line, const char *what, const QString &detail)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n  %s\n", file, line, what,
                 detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(cond, detail)                                                                   \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::fuzz::fail(__FILE__, __LINE__, #cond, (detail));                                     \
    } while (0)

// Reads the fuzzer's bytes as a stream of choices; an exhausted input gives
// zeros and empty texts, so every byte string is a valid input.
class Input
{
public:
    Input(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }
    size_t remaining() const { return m_size - m_pos; }

    uint8_t byte() { return empty() ? 0 : m_data[m_pos++]; }
    bool flag() { return byte() & 1; }
    // A value in [lo, hi] from as many bytes as the span needs.
    int64_t range(int64_t lo, int64_t hi)
    {
        const uint64_t span = static_cast<uint64_t>(hi) - static_cast<uint64_t>(lo);
        uint64_t v = 0;
        for (uint64_t s = span; s != 0 && !empty(); s >>= 8)
            v = (v << 8) | byte();
        if (span != UINT64_MAX)
            v %= span + 1;
        return static_cast<int64_t>(static_cast<uint64_t>(lo) + v);
    }
    int64_t int64()
    {
        uint64_t v = 0;
        for (int i = 0; i < 8; ++i)
            v = (v << 8) | byte();
        return static_cast<int64_t>(v);
    }
    // Raw bytes up to a length given by the next byte (at most max).
    std::string bytes(size_t max)
    {
        size_t n = byte();
        n = n > max ? max : n;
        n = n > remaining() ? remaining() : n;
        std::string out(reinterpret_cast<const char *>(m_data + m_pos), n);
        m_pos += n;
        return out;
    }
    // Text up to a length given by the next byte, read as UTF-8 (malformed
    // sequences become U+FFFD).
    QString text(size_t maxBytes = 255) { return QString::fromStdString(bytes(maxBytes)); }
    // The rest of the input as UTF-8 text.
    QString rest()
    {
        const QString t = QString::fromUtf8(reinterpret_cast<const char *>(m_data + m_pos),
                                            static_cast<qsizetype>(remaining()));
        m_pos = m_size;
        return t;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Makes sure a QGuiApplication on the offscreen platform exists (for the
// fonts the real line wrapper and the layouts measure with).
void ensureGuiApplication();

} // namespace fuzz
