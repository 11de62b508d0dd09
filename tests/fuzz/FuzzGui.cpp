#include "FuzzSupport.h"

#include <QGuiApplication>
#include <QLocale>

#include <clocale>

namespace fuzz {

void ensureGuiApplication()
{
    if (QGuiApplication::instance())
        return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::setlocale(LC_ALL, "C.UTF-8");
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    static int argc = 1;
    static char name[] = "kanro_fuzz";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = new QGuiApplication(argc, argv);
    (void)app;
}

} // namespace fuzz
