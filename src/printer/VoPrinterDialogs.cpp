#include "printer/PrinterSetupForm.h"
#include "printer/VoPrinters.h"

#include <functional>

namespace {

std::function<int(QDialog &)> &execHook()
{
    static std::function<int(QDialog &)> hook;
    return hook;
}

// Shows the dialog for the framework printer's current printer; on OK the
// chosen printer and settings become current and the printer object
// reloads what it knows.
bool executeSetup(QWidget *parent, const QString &title)
{
    if (!VoPrinter)
        return false;
    PrinterSetupForm form(VoPrinter->Framework(), title, parent);
    const int result = execHook() ? execHook()(form) : form.exec();
    if (result != QDialog::Accepted)
        return false;
    try {
        // The framework printer of this moment: a change of the installed
        // printers while the dialog was open has replaced the one it opened on.
        form.commit(VoPrinter->Framework());
    } catch (const SpoolerError &e) {
        throw EVoPrinter(QStringLiteral("%1.Execute: Cannot select the printer (%2)")
                             .arg(title == QStringLiteral("印刷")
                                      ? QStringLiteral("TVoPrintDialog")
                                      : QStringLiteral("TVoPrinterSetupDialog"),
                                  QString::fromUtf8(e.what())));
    }
    VoPrinter->ForceUpdate();
    return true;
}

} // namespace

void setPrinterDialogExecHook(std::function<int(QDialog &)> hook)
{
    execHook() = std::move(hook);
}

bool TVoPrintDialog::Execute()
{
    return executeSetup(parent_, QStringLiteral("印刷"));
}

bool TVoPrinterSetupDialog::Execute()
{
    return executeSetup(parent_, QStringLiteral("プリンタの設定"));
}
