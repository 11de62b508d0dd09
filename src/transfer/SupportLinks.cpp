#include "transfer/SupportLinks.h"

#include <QUrl>

namespace SupportLinks {

QString supportMailLink()
{
    const QString prefix = QStringLiteral("mailto:") + kSupportMailAddress + QLatin1Char('?');
    return prefix + QStringLiteral("subject=Kanroへの問い合わせ&") + QStringLiteral("cc=&")
        + QStringLiteral("bcc=&") + QString();
}

QString productWebHost()
{
    return QUrl(kProductWebPage).host();
}

} // namespace SupportLinks

#include "platform/Shell.h"

namespace SupportLinks {

void openSupportMail()
{
    openLink(supportMailLink());
}

void openProductWebPage()
{
    openLink(kProductWebPage);
}

} // namespace SupportLinks
