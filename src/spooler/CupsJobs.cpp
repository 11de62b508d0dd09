// The scheduler's queues and jobs: the printer listings, the default
// printer, a printer's make and device, a job's state, and the job that
// draws into a PDF and submits it.

#include "spooler/CupsInternal.h"
#include "spooler/DevMode.h"
#include "spooler/PdfSpooler.h"

#include <QUrl>
#include <algorithm>
#include <cstring>

using namespace devmode;
using namespace cupsdetail;

namespace {

QString withoutUserInfo(const QString &uri)
{
    const QUrl url(uri);
    if (!url.isValid() || url.userInfo().isEmpty())
        return uri;
    return url.toString(QUrl::RemoveUserInfo);
}

class CupsJob : public SpoolerJob
{
public:
    CupsJob(int timeoutMs, std::shared_ptr<CupsSpooler::Health> health, const QString &device,
            const QString &title, const PageGeometry &g,
            std::vector<std::pair<QByteArray, QByteArray>> options)
        : timeoutMs_(timeoutMs), health_(std::move(health)), device_(device), title_(title),
          options_(std::move(options)), pages_(g, title)
    {
    }
    ~CupsJob() override { cancel(); }

    QPainter *painter() override { return pages_.painter(); }
    QPaintDevice *device() override { return pages_.device(); }
    void newPage() override { pages_.newPage(); }

    void finish() override
    {
        done_ = true;
        const QByteArray pdf = pages_.finish();
        Http http(timeoutMs_, *health_);
        Dest dest(http, device_);
        cups_dinfo_t *dinfo = http.destInfo(dest.get(), device_);
        if (!dinfo)
            fail(QStringLiteral("Cannot read the capabilities of \"%1\"").arg(device_));
        cups_option_t *options = nullptr;
        int count = 0;
        for (const auto &[name, value] : options_)
            count = cupsAddOption(name.constData(), value.constData(), count, &options);
        int jobId = 0;
        const QByteArray title = title_.toUtf8();
        QElapsedTimer step;
        step.start();
        const ipp_status_t created = cupsCreateDestJob(http.get(), dest.get(), dinfo, &jobId,
                                                       title.constData(), count, options);
        QString error;
        if (failed(created) || jobId <= 0) {
            error = QStringLiteral("The scheduler refused the job (%1)").arg(lastError());
        } else if (step.restart(),
                   cupsStartDestDocument(http.get(), dest.get(), dinfo, jobId, title.constData(),
                                         CUPS_FORMAT_PDF, 0, nullptr, 1) != HTTP_STATUS_CONTINUE) {
            error = QStringLiteral("Cannot send the document (%1)").arg(lastError());
        } else {
            step.restart();
            const bool written =
                cupsWriteRequestData(http.get(), pdf.constData(), std::size_t(pdf.size())) ==
                HTTP_STATUS_CONTINUE;
            const ipp_status_t finished = cupsFinishDestDocument(http.get(), dest.get(), dinfo);
            if (!written || failed(finished))
                error = QStringLiteral("Cannot send the document (%1)").arg(lastError());
        }
        // A silent scheduler would not take the cancel either; asking would
        // only hold the window for another timeout.
        const bool silent = !error.isEmpty() && http.wentSilent(step);
        if (!error.isEmpty() && jobId > 0 && !silent)
            cupsCancelDestJob(http.get(), dest.get(), jobId);
        cupsFreeOptions(count, options);
        cupsFreeDestInfo(dinfo);
        if (silent)
            failNotAnswering(device_);
        if (!error.isEmpty()) {
            const bool rejected = failed(created) && !dest.accepting();
            throw SpoolerError(rejected ? SpoolerFault::NotAccepting : SpoolerFault::Other,
                               schedulerName(), device_, error);
        }
        jobId_ = jobId;
    }

    int jobId() const override { return jobId_; }

    void cancel() override
    {
        // Nothing reached the scheduler before finish(); dropping the pages
        // is all a cancel needs.
        if (done_)
            return;
        done_ = true;
        pages_.finish();
    }

private:
    int timeoutMs_;
    std::shared_ptr<CupsSpooler::Health> health_;
    QString device_;
    QString title_;
    int jobId_ = 0;
    std::vector<std::pair<QByteArray, QByteArray>> options_;
    PdfPages pages_;
    bool done_ = false;
};

QByteArray resolutionText(const Resolution &r)
{
    return r.x == r.y ? QByteArray::number(r.x) + "dpi"
                      : QByteArray::number(r.x) + "x" + QByteArray::number(r.y) + "dpi";
}

struct Queue
{
    QString name;
    bool hidden = false;
    QString deviceUri;
};

// The scheduler's queues in one request (CUPS-Get-Printers), so a silent
// scheduler costs one timeout.
std::vector<Queue> listQueues(Http &http, const char *what)
{
    ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    static const char *const attributes[] = {"printer-name", "printer-type", "printer-is-temporary",
                                             "device-uri"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  int(std::size(attributes)), nullptr, attributes);
    ipp_t *response = http.request(request, QString());
    if (!response || (failed(cupsLastError()) && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)) {
        ippDelete(response);
        const QString server = schedulerName();
        throw SpoolerError(response ? SpoolerFault::Other : SpoolerFault::Unreachable, server,
                           QString(),
                           QStringLiteral("%1 (%2)").arg(QString::fromUtf8(what), lastError()));
    }
    std::vector<Queue> queues;
    Queue current;
    bool inPrinter = false;
    bool typeDiscovered = false;
    bool temporary = false;
    const auto finish = [&] {
        if (inPrinter && !current.name.isEmpty()) {
            current.hidden = typeDiscovered || temporary;
            queues.push_back(current);
        }
        current = Queue{};
        typeDiscovered = false;
        temporary = false;
    };
    for (ipp_attribute_t *attr = ippFirstAttribute(response); attr;
         attr = ippNextAttribute(response)) {
        const char *name = ippGetName(attr);
        if (!name) { // group separator
            finish();
            inPrinter = false;
            continue;
        }
        if (ippGetGroupTag(attr) != IPP_TAG_PRINTER)
            continue;
        inPrinter = true;
        if (!std::strcmp(name, "printer-name"))
            current.name = QString::fromUtf8(ippGetString(attr, 0, nullptr));
        else if (!std::strcmp(name, "printer-type"))
            typeDiscovered = unsigned(ippGetInteger(attr, 0)) & CUPS_PRINTER_DISCOVERED;
        else if (!std::strcmp(name, "printer-is-temporary"))
            temporary = ippGetBoolean(attr, 0);
        else if (!std::strcmp(name, "device-uri"))
            current.deviceUri = withoutUserInfo(QString::fromUtf8(ippGetString(attr, 0, nullptr)));
    }
    finish();
    ippDelete(response);
    return queues;
}

} // namespace

std::vector<PrinterRecord> CupsSpooler::enumPrinters()
{
    Http http(timeoutMs_, *health_, Http::Listing);
    std::vector<PrinterRecord> out;
    for (const Queue &q : listQueues(http, "Cannot list the printers"))
        out.push_back(PrinterRecord{q.name, q.hidden ? PRINTER_ATTRIBUTE_HIDDEN : 0u});
    return out;
}

QStringList CupsSpooler::enumPorts()
{
    Http http(timeoutMs_, *health_, Http::Listing);
    QStringList ports;
    for (const Queue &q : listQueues(http, "Cannot list the ports")) {
        if (!q.deviceUri.isEmpty())
            ports.append(q.deviceUri);
    }
    return ports;
}

QString CupsSpooler::defaultPrinter()
{
    // The user's choice first, as the CUPS tools take it.
    for (const char *variable : {"LPDEST", "PRINTER"}) {
        const QString name = QString::fromLocal8Bit(qgetenv(variable));
        if (!name.isEmpty() && name != QLatin1String("lp"))
            return name.section(QLatin1Char('/'), 0, 0);
    }
    if (const std::optional<QString> kept = cache_->reusableDefault())
        return *kept;
    Http http(timeoutMs_, *health_);
    ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_DEFAULT);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "printer-name");
    ipp_t *response = http.request(request, QString());
    // No default is an answer (empty); no answer is an error, never "none".
    if (!response || (failed(cupsLastError()) && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND)) {
        ippDelete(response);
        fail(QStringLiteral("Cannot read the default printer from the CUPS scheduler at %1")
                 .arg(schedulerName()));
    }
    QString name;
    if (ipp_attribute_t *attr = ippFindAttribute(response, "printer-name", IPP_TAG_NAME))
        name = QString::fromUtf8(ippGetString(attr, 0, nullptr));
    ippDelete(response);
    cache_->keepDefault(name);
    return name;
}

// The printer's make and its device, from the action's reads when it may
// reuse them (the selection of a printer asks for both).
QString CupsSpooler::driverName(const QString &device)
{
    QString make;
    if (const std::optional<PrinterInfo> info = cache_->reusable(device)) {
        make = info->make;
    } else {
        Http http(timeoutMs_, *health_);
        Dest dest(http, device);
        make = dest.option("printer-make-and-model");
    }
    return make.isEmpty() ? QStringLiteral("CUPS") : make;
}

QString CupsSpooler::portName(const QString &device)
{
    if (const std::optional<PrinterInfo> info = cache_->reusable(device))
        return withoutUserInfo(info->deviceUri);
    Http http(timeoutMs_, *health_);
    Dest dest(http, device);
    return withoutUserInfo(dest.option("device-uri"));
}

JobStatus CupsSpooler::jobStatus(const QString &device, int jobId)
{
    // Asked from the poll's worker thread: it may wait out a timeout.
    Http http(timeoutMs_, *health_, Http::Listing);
    JobStatus status;
    {
        Dest dest(http, device);
        status.printerStopped = dest.stopped();
        status.printerAccepting = dest.accepting();
    }
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/jobs/%d", jobId);
    ipp_t *request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "job-state");
    ipp_t *response = http.request(request, device);
    if (!response || failed(cupsLastError())) {
        ippDelete(response);
        fail(QStringLiteral("Cannot read job %1 of \"%2\"").arg(jobId).arg(device));
    }
    if (ipp_attribute_t *attr = ippFindAttribute(response, "job-state", IPP_TAG_ENUM)) {
        switch (ippGetInteger(attr, 0)) {
        case IPP_JSTATE_PENDING:
            status.job = JobState::Pending;
            break;
        case IPP_JSTATE_HELD:
            status.job = JobState::Held;
            break;
        case IPP_JSTATE_PROCESSING:
            status.job = JobState::Processing;
            break;
        case IPP_JSTATE_STOPPED:
            status.job = JobState::Stopped;
            break;
        case IPP_JSTATE_CANCELED:
            status.job = JobState::Canceled;
            break;
        case IPP_JSTATE_ABORTED:
            status.job = JobState::Aborted;
            break;
        case IPP_JSTATE_COMPLETED:
            status.job = JobState::Completed;
            break;
        default:
            break;
        }
    }
    ippDelete(response);
    return status;
}

std::unique_ptr<SpoolerJob> CupsSpooler::startJob(const QString &device, const QString &,
                                                  const QByteArray &block, const QString &title)
{
    Http http(timeoutMs_, *health_);
    const PrinterInfo info = readInfo(http, device);
    const DEVMODEW *dm = fields(block);
    const Media media = resolveMedia(info, block);
    const QString source = resolveSource(info, block);
    std::vector<std::pair<QByteArray, QByteArray>> options;
    QByteArray mediaCol = "{media-size={x-dimension=" + QByteArray::number(media.width) +
                          " y-dimension=" + QByteArray::number(media.length) + "}";
    if (!source.isEmpty())
        mediaCol += " media-source=" + source.toUtf8();
    mediaCol += "}";
    options.emplace_back("media-col", mediaCol);
    if (dm && (dm->dmFields & DM_COPIES) && std::uint16_t(dm->dmCopies) > 1)
        options.emplace_back("copies", QByteArray::number(std::min<int>(std::uint16_t(dm->dmCopies),
                                                                        info.maxCopies)));
    if (info.duplex && dm) {
        options.emplace_back("sides", dm->dmDuplex == DMDUP_VERTICAL     ? "two-sided-long-edge"
                                      : dm->dmDuplex == DMDUP_HORIZONTAL ? "two-sided-short-edge"
                                                                         : "one-sided");
    }
    options.emplace_back("print-color-mode",
                         info.color && dm && dm->dmColor == DMCOLOR_COLOR ? "color" : "monochrome");
    if (!info.resolutions.empty())
        options.emplace_back("printer-resolution", resolutionText(resolveResolution(info, block)));
    options.emplace_back("print-scaling", "none");
    // A printer that rejects jobs is told before anything is drawn.
    if (!info.accepting)
        throw SpoolerError(SpoolerFault::NotAccepting, schedulerName(), device,
                           QStringLiteral("The printer \"%1\" does not accept jobs").arg(device));
    return std::make_unique<CupsJob>(timeoutMs_, health_, device, title, geometryFor(info, block),
                                     std::move(options));
}
