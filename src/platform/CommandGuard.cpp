#include "platform/CommandGuard.h"

#include "platform/Dialogs.h"

#include <QString>
#include <exception>

namespace {

// Showing the report may itself fail (out of memory); nothing may escape.
void report(QWidget *parent, const QString &text) noexcept
{
    try {
        Dialogs::showError(parent, text);
    } catch (...) {
    }
}

} // namespace

bool runGuarded(QWidget *parent, const std::function<void()> &command)
{
    try {
        if (command)
            command();
        return true;
    } catch (const std::exception &error) {
        QString text;
        try {
            text = QString::fromUtf8(error.what());
        } catch (...) {
        }
        report(parent, text);
    } catch (...) {
        report(parent, QStringLiteral("Unknown error"));
    }
    return false;
}
