#pragma once

#include <QString>

// The product's own endpoints and the links the mail and web buttons hand to
// the desktop (platform/Shell.h openLink).
namespace SupportLinks {

inline const QString kSupportMailAddress = QStringLiteral("support@kanro.example");
inline const QString kProductWebPage = QStringLiteral("https://kanro.example/");

// BitBtn_SendMail: caption "E-Mail", tooltip the support address.
inline const QString kSendMailCaption = QStringLiteral("E-Mail");

// The support message link, unencoded, ending in "bcc=&" with no body:
// mailto:support@kanro.example?subject=Kanroへの問い合わせ&cc=&bcc=&
QString supportMailLink();

// Tooltip of BitBtn_WebHelp: the web site's host name ("kanro.example").
QString productWebHost();

} // namespace SupportLinks

namespace SupportLinks {

// BitBtn_SendMailClick and BitBtn_WebHelpClick: hand the link to the desktop;
// the outcome is ignored and no field or focus changes.
void openSupportMail();
void openProductWebPage();

} // namespace SupportLinks
