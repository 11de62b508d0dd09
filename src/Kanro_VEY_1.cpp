// Program entry: single instance, creates the windows, runs the loop.
#include "mainwindow/Kanro_dprintUnit.h"
#include "platform/FirstPaint.h"
#include "platform/Fonts.h"
#include "platform/SessionEnd.h"
#include "platform/SingleInstance.h"
#include "spooler/Spooler.h"
#include "printer/VoPrinters.h"
#include "printing/VODE97ZPrnUnit.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QTextStream>
#include <QTimer>

#include <string_view>

namespace {
const QString kAppTitle = QStringLiteral("◇Kanro_VEY_1");

// Restores the window if minimised, raises it and gives it the focus.
void bringToFront(QWidget *w)
{
    if (w->isMinimized())
        w->showNormal();
    w->show();
    w->raise();
    w->activateWindow();
}
} // namespace

int main(int argc, char **argv)
{
    // "--verify-records": walks the chain of the working directory's store,
    // prints the result and exits 0 when every record matches, 1 otherwise.
    for (int k = 1; k < argc; ++k)
        if (std::string_view(argv[k]) == "--verify-records") {
            QCoreApplication core(argc, argv);
            QTextStream out(stdout);
            return TForm_Main::verifyRecordsCommand(QDir::currentPath(), out);
        }

    startFontConfigurationLoad(); // overlaps with connecting to the display
    QApplication app(argc, argv);
    // Overlaps with listing the printers; gone before the application object.
    FontDatabaseLoad fontDatabaseLoad;
    // A Japanese shop's program: dates, calendars and digit grouping are
    // Japanese even on a desktop set to another language.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));

    // Termination signals and the end of the desktop session close the
    // window as the operator would, so that its shutdown sequence stores
    // the settings. Installed first: a signal that arrives early waits in
    // the pipe until the loop runs.
    SessionEnd sessionEnd;
    sessionEnd.install();

    // Another instance runs: it comes to the front and this one ends silently.
    SingleInstance instance(kAppTitle);
    if (!instance.claim())
        return 0;

    // The name only: a display name would be appended to every window title.
    QApplication::setApplicationName(kAppTitle);
    // The installed menu entry: desktops find its icon and name through it.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.kanro.Kanro_VEY_1"));

    // The one printer object lives from before the first window to the end.
    // The printers are listed on a worker thread while the window is built:
    // a scheduler that does not answer must not keep the window from
    // appearing; the window applies the registered printer once they are in.
    createVoPrinter(createSystemSpooler(QDir::currentPath()), std::chrono::seconds(3),
                    TVoPrinter::FirstListing::InBackground);
    registerFontSubstitutions(); // before the first font is used
    struct PrinterRelease
    {
        ~PrinterRelease() { destroyVoPrinter(); }
    } printerRelease;

    TForm_Main Form_Main;
    Form_VODE97ZPrn = new TForm_VODE97ZPrn(&Form_Main);
    QObject::connect(&instance, &SingleInstance::activationRequested, &Form_Main,
                     [&Form_Main] { bringToFront(&Form_Main); });

    // The end may be asked for while start-up still shows its boxes, before
    // the loop runs (quit() then has no loop to end): the window closes once
    // start-up is through, and the program ends without entering the loop.
    bool ending = false;
    QObject::connect(&sessionEnd, &SessionEnd::endRequested, &Form_Main,
                     [&Form_Main, &ending](int) {
                         ending = true;
                         Form_Main.requestClose();
                         QCoreApplication::quit();
                     });

    Form_Main.show();
    if (ending) {
        Form_Main.close();
        Form_VODE97ZPrn = nullptr;
        return 0;
    }
    // Once the window's first picture is on the screen: the first print or
    // preview then finds its fonts open.
    runAfterFirstPaint(&Form_Main, [&Form_Main] {
        preloadPrinterFonts();
        // The dictionary a second later: the window's start-up is through.
        QTimer::singleShot(std::chrono::seconds(1), &Form_Main,
                           [&Form_Main] { Form_Main.preloadDictionary(); });
    });
    const int rc = app.exec();
    Form_VODE97ZPrn = nullptr; // freed with its parent window
    return rc;
}
