#include "store/CustomerRecall.h"

#include <QThread>
#include <memory>
#include <optional>

struct CustomerRecall::Question
{
    int serial = 0;
    ledger::StoreTarget target;
    bool items = false;
    ledger::CustomerQuery query;
    QString itemNoPart;
    int limit = 0;
    std::function<void(std::vector<ledger::Customer>)> customersAnswer;
    std::function<void(std::vector<ledger::Item>)> itemsAnswer;
};

// Lives on the lookup thread, with the store connection it opened there.
class CustomerRecall::Worker : public QObject
{
public:
    explicit Worker(CustomerRecall *owner) : m_owner(owner) {}

    void put(Question q)
    {
        const std::lock_guard lock(m_mutex);
        m_pending = std::move(q);
    }
    void closeStore() { m_store.reset(); }

    // Answers the newest question waiting, if any.
    void answer()
    {
        std::optional<Question> q;
        {
            const std::lock_guard lock(m_mutex);
            q.swap(m_pending);
        }
        if (!q)
            return;
        if (!m_store || m_store->target().kind != q->target.kind ||
            m_store->path() != q->target.location)
            m_store = std::make_unique<ledger::NoteLedger>(q->target);
        CustomerRecall *owner = m_owner;
        const int serial = q->serial;
        // A store that cannot answer offers nothing: recall is a help, and
        // printing and recording report the store's troubles themselves.
        if (q->items) {
            std::vector<ledger::Item> found;
            if (!m_store->findItems(q->itemNoPart, q->limit, false, found).ok())
                found.clear();
            QMetaObject::invokeMethod(owner, [owner, serial, found = std::move(found),
                                              deliver = std::move(q->itemsAnswer)]() mutable {
                if (serial == owner->m_serial)
                    deliver(std::move(found));
            });
        } else {
            std::vector<ledger::Customer> found;
            if (!m_store->findCustomers(q->query, q->limit, found).ok())
                found.clear();
            QMetaObject::invokeMethod(owner, [owner, serial, found = std::move(found),
                                              deliver = std::move(q->customersAnswer)]() mutable {
                if (serial == owner->m_serial)
                    deliver(std::move(found));
            });
        }
    }

private:
    CustomerRecall *m_owner;
    std::mutex m_mutex;
    std::optional<Question> m_pending;
    std::unique_ptr<ledger::NoteLedger> m_store;
};

CustomerRecall::CustomerRecall(QObject *parent) : QObject(parent) {}

CustomerRecall::~CustomerRecall()
{
    if (!m_thread)
        return;
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
    delete m_thread;
}

void CustomerRecall::post(Question q)
{
    if (!m_thread) {
        // Started on the first question, so that start-up never waits for it.
        m_thread = new QThread;
        m_thread->setObjectName(QStringLiteral("customer recall"));
        m_worker = new Worker(this);
        m_worker->moveToThread(m_thread);
        Worker *worker = m_worker;
        // The store's connection belongs to the lookup thread and is closed there.
        connect(m_thread, &QThread::finished, m_worker, [worker] { worker->closeStore(); },
                Qt::DirectConnection);
        m_thread->start();
    }
    q.serial = ++m_serial;
    m_worker->put(std::move(q));
    Worker *worker = m_worker;
    QMetaObject::invokeMethod(m_worker, [worker] { worker->answer(); }, Qt::QueuedConnection);
}

void CustomerRecall::askCustomers(const ledger::StoreTarget &target,
                                  const ledger::CustomerQuery &query, int limit,
                                  std::function<void(std::vector<ledger::Customer>)> answer)
{
    Question q;
    q.target = target;
    q.query = query;
    q.limit = limit;
    q.customersAnswer = std::move(answer);
    post(std::move(q));
}

void CustomerRecall::askItems(const ledger::StoreTarget &target, const QString &itemNoPart,
                              int limit, std::function<void(std::vector<ledger::Item>)> answer)
{
    Question q;
    q.target = target;
    q.items = true;
    q.itemNoPart = itemNoPart;
    q.limit = limit;
    q.itemsAnswer = std::move(answer);
    post(std::move(q));
}

void CustomerRecall::forget()
{
    ++m_serial;
}
