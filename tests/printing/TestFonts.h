#pragma once

#include <QFont>
#include <QFontDatabase>

// Maps the printer font names of the layouts to the fonts installed here,
// as the program does at start.
inline void registerPrinterFontsForTest()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
}
