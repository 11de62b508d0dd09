#pragma once
// Recall of customers and items while the operator types: each lookup runs
// on a thread of its own with its own store connection, so that a slow or
// unreachable shared store (up to its 3 s timeout) never holds the window.
// Only the answer to the latest question is delivered; answers overtaken by
// a later keystroke are dropped, and questions that pile up while the store
// is slow are skipped for the newest. QtCore and the store only.

#include "store/NoteLedger.h"

#include <QObject>
#include <functional>
#include <mutex>
#include <vector>

class QThread;

class CustomerRecall : public QObject
{
public:
    explicit CustomerRecall(QObject *parent = nullptr);
    ~CustomerRecall() override;

    void askCustomers(const ledger::StoreTarget &target, const ledger::CustomerQuery &query,
                      int limit, std::function<void(std::vector<ledger::Customer>)> answer);
    void askItems(const ledger::StoreTarget &target, const QString &itemNoPart, int limit,
                  std::function<void(std::vector<ledger::Item>)> answer);
    // Drops the answer to any question still open.
    void forget();

private:
    struct Question;
    class Worker;
    void post(Question q);

    QThread *m_thread = nullptr;
    Worker *m_worker = nullptr;
    int m_serial = 0; // the latest question; only its answer is delivered
};
