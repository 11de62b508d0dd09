// Test entry for widget tests: a QApplication on the offscreen platform
// (unless the caller chose another, e.g. xvfb), with the locale pinned.
#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
