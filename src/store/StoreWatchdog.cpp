#include "store/StoreWatchdog.h"

#include <QSqlDriver>
#include <QVariant>
#include <dlfcn.h>
#include <sys/socket.h>

namespace ledger {

StoreWatchdog::StoreWatchdog() : m_thread([this] { watch(); }) {}

StoreWatchdog::~StoreWatchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void StoreWatchdog::arm(int socket, int milliseconds)
{
    {
        std::lock_guard lock(m_mutex);
        m_socket = socket;
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    }
    m_wake.notify_one();
}

void StoreWatchdog::disarm()
{
    std::lock_guard lock(m_mutex);
    m_deadline.reset();
}

void StoreWatchdog::watch()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (!m_deadline) {
            m_wake.wait(lock);
            continue;
        }
        const auto deadline = *m_deadline;
        if (m_wake.wait_until(lock, deadline) == std::cv_status::timeout && m_deadline &&
            *m_deadline == deadline) {
            // The waiting call sees a closed connection and returns.
            ::shutdown(m_socket, SHUT_RDWR);
            m_deadline.reset();
        }
    }
}

int postgresSocket(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "pg_conn*") != 0)
        return -1;
    void *conn = *static_cast<void *const *>(handle.constData());
    // The driver's own libpq, loaded with it; the store needs no build
    // dependency on libpq for this one call.
    using Socket = int (*)(const void *);
    static const Socket socketOf = []() -> Socket {
        void *lib = ::dlopen("libpq.so.5", RTLD_NOW | RTLD_NOLOAD);
        return lib ? reinterpret_cast<Socket>(::dlsym(lib, "PQsocket")) : nullptr;
    }();
    return conn && socketOf ? socketOf(conn) : -1;
}

} // namespace ledger
