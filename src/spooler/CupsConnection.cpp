// The connection to the scheduler: one per operation, each request bounded
// by the timeout, and the scheduler's silence remembered (Health).

#include "spooler/CupsInternal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace cupsdetail {

QString lastError()
{
    const char *text = cupsLastErrorString();
    if (text && *text)
        return QString::fromUtf8(text);
    return QString::fromLocal8Bit(std::strerror(errno));
}

[[noreturn]] void fail(const QString &what)
{
    throw SpoolerError(QStringLiteral("%1 (%2)").arg(what, lastError()).toStdString());
}

bool failed(ipp_status_t status)
{
    return status > IPP_STATUS_OK_CONFLICTING;
}

// The scheduler as the operator knows it: "localhost:631" also when libcups
// talks to it through its local socket.
QString schedulerName()
{
    const QString server = QString::fromUtf8(cupsServer());
    const QString host = server.startsWith(QLatin1Char('/')) ? QStringLiteral("localhost") : server;
    return QStringLiteral("%1:%2").arg(host).arg(ippPort());
}

[[noreturn]] void failNotAnswering(const QString &printer)
{
    const QString server = schedulerName();
    throw SpoolerError(SpoolerFault::NotAnswering, server, printer,
                       QStringLiteral("The CUPS scheduler at %1 does not answer").arg(server));
}

Http::Http(int timeoutMs, CupsSpooler::Health &health, Kind kind) : health_(health)
{
    if (kind == Operation && health_.silent())
        failNotAnswering(QString());
    const char *server = cupsServer();
    http_ = httpConnect2(server, ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, timeoutMs,
                         nullptr);
    if (!http_) {
        const QString name = schedulerName();
        throw SpoolerError(
            SpoolerFault::Unreachable, name, QString(),
            QStringLiteral("Cannot reach the CUPS scheduler at %1 (%2)").arg(name, lastError()));
    }
    // A scheduler that stops answering ends the request instead of
    // holding the caller (no callback: the request is given up). libcups
    // waits a second of its own before it reads the answer, so the
    // socket gets that much less: 3 s for a request come to 2 s + 1 s.
    silentAfterMs_ = std::max(timeoutMs - 1000, timeoutMs / 2);
    httpSetTimeout(http_, silentAfterMs_ / 1000.0, nullptr, nullptr);
}

Http::~Http()
{
    httpClose(http_);
}

ipp_t *Http::request(ipp_t *request, const QString &printer)
{
    QElapsedTimer t;
    t.start();
    ipp_t *response = cupsDoRequest(http_, request, "/");
    settle(response != nullptr, t, printer);
    return response;
}

cups_dinfo_t *Http::destInfo(cups_dest_t *dest, const QString &printer)
{
    QElapsedTimer t;
    t.start();
    cups_dinfo_t *info = cupsCopyDestInfo(http_, dest);
    settle(info != nullptr, t, printer);
    return info;
}

bool Http::wentSilent(const QElapsedTimer &t)
{
    if (httpError(http_) == ETIMEDOUT || t.elapsed() >= silentAfterMs_ - 50) {
        health_.markSilent();
        return true;
    }
    return false;
}

void Http::settle(bool answered, const QElapsedTimer &t, const QString &printer)
{
    if (answered) {
        health_.markAnswered();
        return;
    }
    if (wentSilent(t))
        failNotAnswering(printer);
}

Dest::Dest(Http &http, const QString &name)
{
    char uri[HTTP_MAX_URI];
    const QByteArray utf8 = name.toUtf8();
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", utf8.constData());
    ipp_t *request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    static const char *const attributes[] = {"printer-uri-supported", "printer-make-and-model",
                                             "device-uri", "printer-state",
                                             "printer-is-accepting-jobs"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  int(std::size(attributes)), nullptr, attributes);
    ipp_t *response = http.request(request, name);
    if (!response) {
        const QString server = schedulerName();
        throw SpoolerError(SpoolerFault::Unreachable, server, name,
                           QStringLiteral("The CUPS scheduler at %1 dropped the connection (%2)")
                               .arg(server, lastError()));
    }
    if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) {
        ippDelete(response);
        throw SpoolerError(SpoolerFault::NoSuchPrinter, schedulerName(), name,
                           QStringLiteral("The printer \"%1\" does not exist").arg(name));
    }
    if (failed(cupsLastError())) {
        ippDelete(response);
        fail(QStringLiteral("Cannot read the printer \"%1\"").arg(name));
    }
    num_ = cupsAddDest(utf8.constData(), nullptr, 0, &dest_);
    const auto add = [this](const char *option, const QByteArray &value) {
        if (!value.isEmpty())
            dest_->num_options =
                cupsAddOption(option, value.constData(), dest_->num_options, &dest_->options);
    };
    for (const char *text : {"printer-uri-supported", "printer-make-and-model", "device-uri"}) {
        if (ipp_attribute_t *attr = ippFindAttribute(response, text, IPP_TAG_ZERO))
            add(text, QByteArray(ippGetString(attr, 0, nullptr)));
    }
    if (!cupsGetOption("printer-uri-supported", dest_->num_options, dest_->options))
        add("printer-uri-supported", QByteArray(uri));
    if (ipp_attribute_t *attr = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM))
        stopped_ = ippGetInteger(attr, 0) == IPP_PSTATE_STOPPED;
    if (ipp_attribute_t *attr =
            ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN))
        accepting_ = ippGetBoolean(attr, 0);
    ippDelete(response);
}

Dest::~Dest()
{
    cupsFreeDests(num_, dest_);
}

QString Dest::option(const char *name) const
{
    return QString::fromUtf8(cupsGetOption(name, dest_->num_options, dest_->options));
}

} // namespace cupsdetail

bool CupsSpooler::Health::silent()
{
    std::lock_guard lock(mutex);
    return silentSince && std::chrono::steady_clock::now() - *silentSince < quietPeriod;
}

void CupsSpooler::Health::markSilent()
{
    std::lock_guard lock(mutex);
    silentSince = std::chrono::steady_clock::now();
}

void CupsSpooler::Health::markAnswered()
{
    std::lock_guard lock(mutex);
    silentSince.reset();
}
