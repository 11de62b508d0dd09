#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Hands a link (a mailto: link, a web address) to the desktop's default
// handler, exactly as written: the text is passed to xdg-open as one argument
// without any percent-encoding, so "subject=Kanroへの問い合わせ" arrives as
// such. The outcome is not reported; when no handler is installed nothing
// happens.
void openLink(const QString &link);

// Test seam: while an instance lives, openLink records each link instead of
// launching anything. Instances nest; the newest one records.
class LinkRecorder
{
public:
    LinkRecorder();
    ~LinkRecorder();
    LinkRecorder(const LinkRecorder &) = delete;
    LinkRecorder &operator=(const LinkRecorder &) = delete;

    const QStringList &links() const { return m_links; }

private:
    QStringList m_links;
    std::function<void(const QString &)> m_previous;
};
