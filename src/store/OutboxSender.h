#pragma once
// Sends the notes waiting in this terminal's outbox to the shared store
// again, on a timer while any wait, so that they arrive once the server
// answers even when no further note is printed. Each try runs on a thread
// of its own: a server that is away costs the try its timeouts, never the
// window its answers. What the try leaves waiting is told by waitingChanged.

#include "store/NoteLedger.h"

#include <QObject>
#include <QTimer>

class QThread;

namespace ledger {

class OutboxSender : public QObject
{
    Q_OBJECT
public:
    // How often a try is made while notes wait.
    static constexpr int defaultIntervalMs = 20000;

    explicit OutboxSender(QObject *parent = nullptr);
    // Waits for a try under way (bounded by the store's timeouts).
    ~OutboxSender() override;

    void setInterval(int milliseconds) { m_timer.setInterval(milliseconds); }
    // The notes that wait in `ledgerFile` for `target`, as last counted:
    // tries are made while there are any and the target is shared.
    void setWaiting(int count, const QString &ledgerFile, const StoreTarget &target);
    // A try now, unless one is under way.
    void tryNow();
    bool active() const { return m_timer.isActive(); }

signals:
    // The notes still waiting after a try (-1 when they could not be counted).
    void waitingChanged(int count);

private:
    QTimer m_timer;
    QThread *m_try = nullptr;
    QString m_ledgerFile;
    StoreTarget m_target;
};

} // namespace ledger
