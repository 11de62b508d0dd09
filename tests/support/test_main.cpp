// Test entry for tests that need no widgets: pins the locale so that number
// and date formatting is checked explicitly, never by accident.
#include <QLocale>
#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char **argv)
{
    std::setlocale(LC_ALL, "C.UTF-8");
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
