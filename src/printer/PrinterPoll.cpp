#include "printer/PrinterPoll.h"

#include <QCoreApplication>
#include <QObject>
#include <QTimer>
#include <algorithm>

TVoPrinter::Poller::Poller(TVoPrinter &owner, std::chrono::milliseconds interval)
    : owner_(owner), spooler_(owner.spooler_), interval_(interval),
      lastPrinters_(owner.AllInfo().records()), receiver_(new QObject)
{
    thread_ = std::thread([this] { run(); });
}

TVoPrinter::Poller::~Poller()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    delete receiver_;
}

void TVoPrinter::Poller::watch(const QString &device, int jobId)
{
    {
        std::lock_guard lock(mutex_);
        watches_.push_back(Watch{device, jobId, std::chrono::steady_clock::now() + JobWatchTime});
        woken_ = true;
    }
    wake_.notify_all();
}

void TVoPrinter::Poller::run()
{
    std::unique_lock lock(mutex_);
    Clock::time_point nextList = Clock::now() + interval_;
    while (!stop_) {
        Clock::time_point until = lists() ? nextList : Clock::time_point::max();
        if (!watches_.empty())
            until = std::min(until, Clock::now() + watchStep);
        const auto woken = [this] { return stop_ || woken_; };
        if (until == Clock::time_point::max())
            wake_.wait(lock, woken);
        else
            wake_.wait_until(lock, until, woken);
        woken_ = false;
        if (stop_)
            break;
        const std::vector<Watch> watches = watches_;
        lock.unlock();
        if (lists() && Clock::now() >= nextList) {
            list();
            nextList = Clock::now() + interval_;
        }
        std::vector<int> ended;
        for (const Watch &w : watches) {
            if (look(w) || Clock::now() >= w.until)
                ended.push_back(w.jobId);
        }
        lock.lock();
        std::erase_if(watches_, [&ended](const Watch &w) {
            return std::find(ended.begin(), ended.end(), w.jobId) != ended.end();
        });
    }
}

void TVoPrinter::Poller::list()
{
    std::vector<PrinterRecord> printers;
    QStringList ports;
    try {
        printers = spooler_.enumPrinters();
        ports = spooler_.enumPorts();
    } catch (const SpoolerError &) {
        return; // a scheduler that does not answer now is asked again later
    }
    // Without an application object nothing can be delivered yet;
    // the difference stays and is posted by a later poll.
    if (!QCoreApplication::instance())
        return;
    const bool changed = printers != lastPrinters_ || (lastPorts_ && *lastPorts_ != ports);
    lastPrinters_ = printers;
    lastPorts_ = ports;
    if (changed) {
        TVoPrinter *owner = &owner_;
        QObject *receiver = receiver_;
        QMetaObject::invokeMethod(
            receiver_,
            [owner, receiver, printers, ports] { deliver(owner, receiver, printers, ports); },
            Qt::QueuedConnection);
    }
}

bool TVoPrinter::Poller::look(const Watch &w)
{
    JobVerdict verdict;
    try {
        verdict = judgeJob(spooler_.jobStatus(w.device, w.jobId));
    } catch (const SpoolerError &) {
        return false; // asked again at the next step
    }
    if (verdict.trouble != JobTrouble::None && QCoreApplication::instance()) {
        TVoPrinter *owner = &owner_;
        const QString device = w.device;
        const JobTrouble trouble = verdict.trouble;
        QMetaObject::invokeMethod(
            receiver_,
            [owner, device, trouble] {
                if (owner->FOnJobTrouble) {
                    try {
                        owner->FOnJobTrouble(device, trouble);
                    } catch (const std::exception &) {
                        // a handler's error must not cross the event loop
                    }
                }
            },
            Qt::QueuedConnection);
    }
    return verdict.done;
}

void TVoPrinter::Poller::deliver(TVoPrinter *owner, QObject *receiver,
                                 const std::vector<PrinterRecord> &printers,
                                 const QStringList &ports)
{
    if (owner->Printing()) {
        QTimer::singleShot(200, receiver, [owner, receiver, printers, ports] {
            deliver(owner, receiver, printers, ports);
        });
        return;
    }
    try {
        owner->SystemChanged(TVoAllPrintersInfo(printers), ports);
    } catch (const std::exception &) {
        // The reaction raises nothing itself; a handler's error must
        // not cross the event loop.
    }
}

// What one look at a followed job tells (declared in VoPrinters.h).
JobVerdict judgeJob(const JobStatus &status)
{
    switch (status.job) {
    case JobState::Completed:
        return {JobTrouble::None, true};
    case JobState::Stopped:
        return {JobTrouble::JobStopped, true};
    case JobState::Canceled:
        return {JobTrouble::JobCanceled, true};
    case JobState::Aborted:
        return {JobTrouble::JobAborted, true};
    default:
        break;
    }
    if (status.printerStopped)
        return {JobTrouble::PrinterStopped, true};
    if (!status.printerAccepting)
        return {JobTrouble::NotAccepting, true};
    return {JobTrouble::None, false};
}

// ---------------------------------------------------------------------------
// The first listing in the background

TVoPrinter::Listing::Listing(TVoPrinter &owner) : receiver_(new QObject)
{
    thread_ = std::thread([this, &owner] {
        Spooler &spooler = owner.spooler_;
        std::vector<PrinterRecord> printers;
        try {
            printers = spooler.enumPrinters();
        } catch (const SpoolerError &) {
            // no printer until the poll finds one
        }
        QStringList visible;
        for (const PrinterRecord &r : printers) {
            if (!(r.attributes & PRINTER_ATTRIBUTE_HIDDEN))
                visible.append(r.name);
        }
        // The registered printer's first selection then finds it read.
        spooler.prefetch(visible);
        {
            std::lock_guard lock(mutex_);
            records_ = std::move(printers);
        }
        done_.notify_all();
        if (QCoreApplication::instance()) {
            TVoPrinter *target = &owner;
            QMetaObject::invokeMethod(
                receiver_, [target] { target->ListingArrived(); }, Qt::QueuedConnection);
        }
    });
}

TVoPrinter::Listing::~Listing()
{
    thread_.join();
    delete receiver_;
}

std::optional<std::vector<PrinterRecord>>
TVoPrinter::Listing::result(std::chrono::milliseconds wait)
{
    std::unique_lock lock(mutex_);
    done_.wait_for(lock, wait, [this] { return records_.has_value(); });
    return records_;
}

bool TVoPrinter::TakeListing(std::chrono::milliseconds wait)
{
    if (!FListingPending)
        return false;
    std::optional<std::vector<PrinterRecord>> printers = listing_->result(wait);
    if (!printers)
        return false;
    AdoptListing(std::move(*printers));
    return true;
}

void TVoPrinter::ListingArrived()
{
    if (!TakeListing() || !FOnListed)
        return;
    try {
        FOnListed(this);
    } catch (const std::exception &) {
        // a handler's error must not cross the event loop
    }
}

// ---------------------------------------------------------------------------
// The printer object's side: starting and stopping the poll, following a job

void TVoPrinter::StartPolling(std::chrono::milliseconds interval)
{
    poller_.reset();
    if (interval.count() > 0)
        poller_ = std::make_unique<Poller>(*this, interval);
}

void TVoPrinter::StopPolling()
{
    poller_.reset();
}

void TVoPrinter::WatchJob(const QString &device, int jobId)
{
    if (!poller_)
        poller_ = std::make_unique<Poller>(*this, std::chrono::milliseconds(0));
    poller_->watch(device, jobId);
}
