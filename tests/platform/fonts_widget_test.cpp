// The Windows font names the program uses resolve to installed stand-ins.
#include "platform/Fonts.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <gtest/gtest.h>

namespace {

// As the program starts: the font database is read on a worker thread,
// Wine's Tahoma added there, and the substitutions wait for it.
TEST(Fonts, WindowsNamesResolveToTheirStandIns)
{
    const FontDatabaseLoad load;
    registerFontSubstitutions();
    struct Row
    {
        const char *name;
        QString requested;
        QString drawnWith;
    };
    const Row rows[] = {
        {"proportional gothic", kFontPGothic, QStringLiteral("IPAPGothic")},
        {"proportional mincho", kFontPMincho, QStringLiteral("IPAPMincho")},
        {"Verdana", QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")},
        {"Tahoma", QStringLiteral("Tahoma"), QStringLiteral("Tahoma")},
    };
    for (const Row &r : rows) {
        QFont f(r.requested);
        f.setPixelSize(20);
        EXPECT_EQ(QFontInfo(f).family(), r.drawnWith) << r.name;
        EXPECT_EQ(substituteFamily(r.requested), r.drawnWith) << r.name;
        // The window's controls name the stand-in itself, and draw with it.
        const QFont screen = screenFont(r.requested, 20);
        EXPECT_EQ(screen.family(), r.drawnWith) << r.name;
        EXPECT_EQ(screen.pixelSize(), 20) << r.name;
        EXPECT_EQ(QFontInfo(screen).family(), r.drawnWith) << r.name;
    }
}

// Tahoma's digits are narrow enough for the fixed-pitch amount cells:
// 0.546 em, where DejaVu Sans would take 0.636 em.
TEST(Fonts, TahomaDigitsKeepTheirWidth)
{
    registerFontSubstitutions();
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(1000);
    const qreal width = QFontMetricsF(f).horizontalAdvance(QLatin1Char('0'));
    EXPECT_NEAR(width / 1000.0, 0.546, 0.002);
}

} // namespace
