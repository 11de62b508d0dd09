#include "platform/Shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

std::function<void(const QString &)> &linkHandler()
{
    static std::function<void(const QString &)> handler;
    return handler;
}

void launchWithDesktop(const QString &link)
{
    // xdg-open receives the text untouched. QDesktopServices would re-encode
    // the URL (percent-encoding the Japanese subject), so it is only the
    // fallback for desktops without xdg-open.
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!xdgOpen.isEmpty() && QProcess::startDetached(xdgOpen, {link}))
        return;
    QDesktopServices::openUrl(QUrl::fromEncoded(link.toUtf8(), QUrl::TolerantMode));
}

} // namespace

void openLink(const QString &link)
{
    if (linkHandler()) {
        linkHandler()(link);
        return;
    }
    launchWithDesktop(link);
}

LinkRecorder::LinkRecorder()
    : m_previous(linkHandler())
{
    linkHandler() = [this](const QString &link) { m_links.append(link); };
}

LinkRecorder::~LinkRecorder()
{
    linkHandler() = m_previous;
}
