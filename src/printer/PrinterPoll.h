#pragma once
// The printer object's poll: watches the spooler on a worker thread and runs
// the reaction on the owner's thread when the printers or ports differ from
// the last look; it also follows the jobs handed to a scheduler (every half
// second, for JobWatchTime) and reports on the owner's thread the first
// trouble a job meets. An interval of 0 lists nothing and only follows jobs.
#include "printer/VoPrinters.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QObject;

// The first listing of the installed printers, taken on a worker thread
// (see TVoPrinter::FirstListing): the worker lists the printers, starts
// reading the visible ones' capabilities (Spooler::prefetch) and posts its
// arrival to the owner's thread. A listing that fails leaves no printer
// (the poll lists again later). The destructor waits for the worker, at
// most one listing's timeout.
class TVoPrinter::Listing
{
public:
    explicit Listing(TVoPrinter &owner);
    ~Listing();
    // The printers once the worker is through, waiting up to `wait`.
    std::optional<std::vector<PrinterRecord>> result(std::chrono::milliseconds wait);

private:
    std::mutex mutex_;
    std::condition_variable done_;
    std::optional<std::vector<PrinterRecord>> records_;
    QObject *receiver_;
    std::thread thread_;
};

class TVoPrinter::Poller
{
public:
    Poller(TVoPrinter &owner, std::chrono::milliseconds interval);
    ~Poller();

    bool lists() const { return interval_.count() > 0; }
    void watch(const QString &device, int jobId);

private:
    using Clock = std::chrono::steady_clock;
    struct Watch
    {
        QString device;
        int jobId = 0;
        Clock::time_point until;
    };
    static constexpr std::chrono::milliseconds watchStep{500};

    void run();
    void list();
    // One look at a job; true when watching it can end.
    bool look(const Watch &w);
    // Runs the reaction on the owner's thread; while a job is running the
    // printer list is left as it is until the job has ended.
    static void deliver(TVoPrinter *owner, QObject *receiver,
                        const std::vector<PrinterRecord> &printers, const QStringList &ports);

    TVoPrinter &owner_;
    Spooler &spooler_;
    std::chrono::milliseconds interval_;
    std::vector<PrinterRecord> lastPrinters_;
    std::optional<QStringList> lastPorts_;
    QObject *receiver_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool woken_ = false;
    std::vector<Watch> watches_;
    std::thread thread_;
};
