#pragma once
// What the CUPS spooler's files share: the connection to the scheduler
// (CupsConnection.cpp), a printer's papers, sources and resolutions
// (CupsMedia.cpp), and the per-printer read cache (CupsSpooler.cpp). Only
// files in src/spooler/ include it.

#include "spooler/CupsSpooler.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <chrono>
#include <condition_variable>
#include <cups/cups.h>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

// Whether the scheduler lately took a connection and then kept silent. A
// silent scheduler costs each request its whole timeout, and one command
// makes several requests; so once one request found it silent, the other
// operations fail at once (for quietPeriod, or until a request is answered
// again) instead of waiting out a timeout each. Listings always ask: they
// run on the poll's worker thread and tell when the scheduler is back.
struct CupsSpooler::Health
{
    static constexpr std::chrono::seconds quietPeriod{10};

    bool silent();
    void markSilent();
    void markAnswered();

    std::mutex mutex;
    std::optional<std::chrono::steady_clock::time_point> silentSince;
};

namespace cupsdetail {

// The keywords a CUPS settings block carries after its public fields.
struct CupsDriverBytes
{
    char magic[8];
    char media[128];
    char source[64];
};
inline constexpr char driverMagic[8] = {'K', 'a', 'n', 'r', 'o', 'C', 'U', 'P'};

// --- Connection (CupsConnection.cpp) ---

QString lastError();
[[noreturn]] void fail(const QString &what);
bool failed(ipp_status_t status);
QString schedulerName();
[[noreturn]] void failNotAnswering(const QString &printer);

// One connection to the scheduler for one operation. Every request on it
// ends within the timeout: a scheduler that takes the connection and says
// nothing (stopped, hung) ends in SpoolerFault::NotAnswering, one that is
// not there in SpoolerFault::Unreachable.
class Http
{
public:
    enum Kind { Listing, Operation };

    Http(int timeoutMs, CupsSpooler::Health &health, Kind kind = Operation);
    ~Http();
    Http(const Http &) = delete;
    Http &operator=(const Http &) = delete;
    http_t *get() const { return http_; }

    // cupsDoRequest with the timeout's outcome told apart: null only for a
    // request that got no answer for another reason (a dropped connection).
    ipp_t *request(ipp_t *request, const QString &printer);
    cups_dinfo_t *destInfo(cups_dest_t *dest, const QString &printer);

    // After a failed step timed t: whether the scheduler kept silent (it is
    // then marked so).
    bool wentSilent(const QElapsedTimer &t);

private:
    void settle(bool answered, const QElapsedTimer &t, const QString &printer);

    int silentAfterMs_ = 0;
    CupsSpooler::Health &health_;
    http_t *http_ = nullptr;
};

// A printer as the scheduler describes it, read with one Get-Printer-
// Attributes request on the operation's connection (cupsGetNamedDest would
// ignore the connection's timeout and wait for minutes).
class Dest
{
public:
    Dest(Http &http, const QString &name);
    ~Dest();
    Dest(const Dest &) = delete;
    Dest &operator=(const Dest &) = delete;
    cups_dest_t *get() const { return dest_; }
    QString option(const char *name) const;
    bool stopped() const { return stopped_; }
    bool accepting() const { return accepting_; }

private:
    int num_ = 0;
    cups_dest_t *dest_ = nullptr;
    bool stopped_ = false;
    bool accepting_ = true;
};

// --- Media, sources and resolutions (CupsMedia.cpp) ---

struct Media
{
    QString keyword;
    QString name;
    int number = 0;
    int width = 0; // hundredths of a millimetre
    int length = 0;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// What a printer offers, read once per request.
struct PrinterInfo
{
    std::vector<Media> media;
    QString defaultMedia;
    QStringList sources;
    QStringList sourceNames;
    std::vector<int> sourceNumbers;
    QString defaultSource;
    std::vector<Resolution> resolutions;
    Resolution defaultResolution{600, 600};
    int maxCopies = 1;
    int defaultCopies = 1;
    bool color = false;
    bool defaultColor = false;
    bool duplex = false;
    QString defaultSides;
    QString make;
    QString deviceUri;
    bool stopped = false;
    bool accepting = true;

    const Media *find(const QString &keyword) const
    {
        for (const Media &m : media) {
            if (m.keyword == keyword)
                return &m;
        }
        return nullptr;
    }
    int sourceNumber(const QString &keyword) const
    {
        const auto i = sources.indexOf(keyword);
        return i < 0 ? -1 : sourceNumbers[std::size_t(i)];
    }
};

PrinterInfo readInfo(Http &http, const QString &device);

// The block's driver bytes when they are this spooler's (null otherwise).
CupsDriverBytes *driverPart(QByteArray &block);
const CupsDriverBytes *driverPart(const QByteArray &block);
void setKeyword(char *field, std::size_t capacity, const QString &keyword);
QString keyword(const char *field, std::size_t capacity);

Media resolveMedia(const PrinterInfo &info, const QByteArray &block);
QString resolveSource(const PrinterInfo &info, const QByteArray &block);
Resolution resolveResolution(const PrinterInfo &info, const QByteArray &block);
PageGeometry geometryFor(const PrinterInfo &info, const QByteArray &block);

} // namespace cupsdetail

// --- Read cache (CupsSpooler.cpp) ---

// Capabilities read in the last moments, per printer; a read under way is
// waited for rather than made twice.
struct CupsSpooler::InfoCache
{
    static constexpr std::chrono::milliseconds reuse{1500};

    struct Entry
    {
        std::optional<cupsdetail::PrinterInfo> info;
        std::chrono::steady_clock::time_point readAt;
        bool reading = false;
    };

    // Whether the current action may reuse what was read at readAt. Under mutex.
    bool fresh(std::chrono::steady_clock::time_point readAt) const;

    cupsdetail::PrinterInfo get(int timeoutMs, CupsSpooler::Health &health, const QString &device);

    // What was read of a printer, when the current action may reuse it (a
    // read under way is waited for); nothing is asked of the scheduler.
    std::optional<cupsdetail::PrinterInfo> reusable(const QString &device);

    // The default printer's name, kept as the other reads are.
    std::optional<QString> reusableDefault();
    void keepDefault(const QString &name);

    std::mutex mutex;
    std::condition_variable ready;
    std::map<QString, Entry> entries;
    std::optional<QString> defaultName; // under mutex
    std::chrono::steady_clock::time_point defaultReadAt;
    bool stopping = false; // under mutex: the prefetch ends before its next printer
    int reusing = 0;       // under mutex: open reuseReads(true) calls
};
