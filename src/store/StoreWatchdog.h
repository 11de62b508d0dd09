#pragma once
// The bound on one operation with an open connection to the shared store.
// The server's statement timeout ends a slow statement, and the connect
// timeout a server that never takes the connection; neither helps when the
// server (or the network between) falls silent while a statement waits for
// its answer: the terminal would wait for ever. The watchdog shuts the
// connection's socket once the bound has passed, so that the waiting call
// returns with an error and the connection is made anew next time.

#include <QSqlDatabase>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace ledger {

class StoreWatchdog
{
public:
    StoreWatchdog();
    ~StoreWatchdog();
    StoreWatchdog(const StoreWatchdog &) = delete;
    StoreWatchdog &operator=(const StoreWatchdog &) = delete;

    // Shuts `socket` once `milliseconds` have passed, unless disarmed first.
    void arm(int socket, int milliseconds);
    void disarm();

private:
    void watch();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_socket = -1;
    std::optional<std::chrono::steady_clock::time_point> m_deadline;
    bool m_stopping = false;
    std::thread m_thread;
};

// The socket of an open PostgreSQL connection (libpq's, through the Qt
// driver's handle); -1 when there is none.
int postgresSocket(const QSqlDatabase &db);

} // namespace ledger
