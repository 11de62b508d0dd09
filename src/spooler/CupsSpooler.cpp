#include "spooler/CupsSpooler.h"

#include "spooler/CupsInternal.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>

using namespace cupsdetail;

bool CupsSpooler::InfoCache::fresh(std::chrono::steady_clock::time_point readAt) const
{
    return reusing > 0 && std::chrono::steady_clock::now() - readAt < reuse;
}

PrinterInfo CupsSpooler::InfoCache::get(int timeoutMs, CupsSpooler::Health &health,
                                        const QString &device)
{
    std::unique_lock lock(mutex);
    Entry &e = entries[device];
    ready.wait(lock, [&e] { return !e.reading; });
    if (e.info && fresh(e.readAt))
        return *e.info;
    e.reading = true;
    lock.unlock();
    try {
        Http http(timeoutMs, health);
        PrinterInfo info = readInfo(http, device);
        lock.lock();
        e.info = info;
        e.readAt = std::chrono::steady_clock::now();
        e.reading = false;
        ready.notify_all();
        return info;
    } catch (...) {
        if (!lock.owns_lock())
            lock.lock();
        e.info.reset();
        e.reading = false;
        ready.notify_all();
        throw;
    }
}

std::optional<PrinterInfo> CupsSpooler::InfoCache::reusable(const QString &device)
{
    std::unique_lock lock(mutex);
    const auto it = entries.find(device);
    if (it == entries.end())
        return std::nullopt;
    Entry &e = it->second;
    ready.wait(lock, [&e] { return !e.reading; });
    if (e.info && fresh(e.readAt))
        return e.info;
    return std::nullopt;
}

std::optional<QString> CupsSpooler::InfoCache::reusableDefault()
{
    std::lock_guard lock(mutex);
    if (defaultName && fresh(defaultReadAt))
        return defaultName;
    return std::nullopt;
}

void CupsSpooler::InfoCache::keepDefault(const QString &name)
{
    std::lock_guard lock(mutex);
    defaultName = name;
    defaultReadAt = std::chrono::steady_clock::now();
}

CupsSpooler::CupsSpooler(int timeoutMs)
    : timeoutMs_(timeoutMs), health_(std::make_shared<Health>()),
      cache_(std::make_unique<InfoCache>())
{
}

CupsSpooler::~CupsSpooler()
{
    if (prefetcher_.joinable()) {
        {
            std::lock_guard lock(cache_->mutex);
            cache_->stopping = true;
        }
        prefetcher_.join();
    }
}

void CupsSpooler::reuseReads(bool on)
{
    std::lock_guard lock(cache_->mutex);
    cache_->reusing = std::max(0, cache_->reusing + (on ? 1 : -1));
    // The action is over: what it read is not reused by the next one.
    if (cache_->reusing == 0)
        std::erase_if(cache_->entries, [](const auto &entry) { return !entry.second.reading; });
}

// A shop has a printer or a few; others are read when selected.
constexpr qsizetype prefetchLimit = 4;

void CupsSpooler::prefetch(const QStringList &devices)
{
    if (prefetcher_.joinable() || devices.isEmpty())
        return; // one prefetch per spooler: it serves the first selection
    // libcups keeps its server and port per thread: the worker asks the caller's.
    const QByteArray server = cupsServer();
    const int port = ippPort();
    prefetcher_ = std::thread([this, devices, server, port] {
        cupsSetServer(server.constData());
        ippSetPort(port);
        // The default printer first: a printer not yet registered is selected by it.
        QStringList order = devices;
        try {
            const qsizetype at = order.indexOf(defaultPrinter());
            if (at > 0)
                order.move(at, 0);
        } catch (...) {
        }
        for (const QString &device : order.mid(0, prefetchLimit)) {
            {
                std::lock_guard lock(cache_->mutex);
                if (cache_->stopping)
                    return;
            }
            try {
                cache_->get(timeoutMs_, *health_, device);
            } catch (...) {
                // The selection reads it again and reports what it finds.
            }
        }
    });
}
