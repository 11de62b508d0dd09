#include "store/OutboxSender.h"

#include <QThread>
#include <memory>

namespace ledger {

OutboxSender::OutboxSender(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(defaultIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &OutboxSender::tryNow);
}

OutboxSender::~OutboxSender()
{
    if (m_try) {
        m_try->wait();
        delete m_try;
    }
}

void OutboxSender::setWaiting(int count, const QString &ledgerFile, const StoreTarget &target)
{
    m_ledgerFile = ledgerFile;
    m_target = target;
    if (count > 0 && target.shared()) {
        if (!m_timer.isActive())
            m_timer.start();
    } else if (count == 0 || !target.shared()) {
        m_timer.stop();
    }
}

void OutboxSender::tryNow()
{
    if (m_try || !m_target.shared())
        return;
    // The try makes its own connections: a connection belongs to its thread.
    auto left = std::make_shared<int>(-1);
    m_try = QThread::create([file = m_ledgerFile, target = m_target, left] {
        NoteLedger outbox(file);
        NoteLedger store(target);
        int sent = 0;
        outbox.sendTo(store, false, sent);
        int count = -1;
        if (outbox.waitingCount(count).ok())
            *left = count;
    });
    connect(m_try, &QThread::finished, this, [this, left] {
        m_try->deleteLater();
        m_try = nullptr;
        if (*left == 0)
            m_timer.stop();
        emit waitingChanged(*left);
    });
    m_try->start();
}

} // namespace ledger
