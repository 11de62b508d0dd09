#include "platform/Fonts.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <fontconfig/fontconfig.h>
#include <future>

namespace {
// Tahoma's digits are 0.546 em wide; DejaVu's 0.636 em would overlap in the
// fixed-pitch amount cells, so the metric-compatible Tahoma of Wine is
// loaded as an application font when it is installed.
const char *const kTahomaFile = "/usr/share/wine/fonts/tahoma.ttf";

// The worker's result; its destructor at exit waits for a load still running.
std::future<void> &fontConfigurationLoad()
{
    static std::future<void> load;
    return load;
}

// The database load's result: the family Wine's Tahoma registered as, or
// empty when it is not installed.
std::future<QString> &fontDatabaseLoad()
{
    static std::future<QString> load;
    return load;
}

void waitForFontConfiguration()
{
    // Qt would otherwise load the configuration a second time alongside.
    if (fontConfigurationLoad().valid())
        fontConfigurationLoad().wait();
}

// Adds Wine's Tahoma as an application font. Before the database is first
// read: an application font added later makes Qt read it all again.
QString addTahoma()
{
    if (!QFile::exists(QString::fromLatin1(kTahomaFile)))
        return {};
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(kTahomaFile));
    if (id < 0)
        return {};
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? QString() : families.first();
}
} // namespace

void startFontConfigurationLoad()
{
    std::future<void> &load = fontConfigurationLoad();
    // FcInit loads the library's default configuration, the one Qt's font
    // database takes; fontconfig guards it for use from several threads.
    if (!load.valid())
        load = std::async(std::launch::async, [] { FcInit(); });
}

FontDatabaseLoad::FontDatabaseLoad()
{
    // Qt's font functions may be called from any thread once the
    // application object exists.
    std::future<QString> &load = fontDatabaseLoad();
    if (!load.valid()) {
        load = std::async(std::launch::async, [] {
            waitForFontConfiguration();
            QString tahoma = addTahoma();
            QFontDatabase::families(); // reads the installed fonts
            return tahoma;
        });
    }
}

FontDatabaseLoad::~FontDatabaseLoad()
{
    if (fontDatabaseLoad().valid())
        fontDatabaseLoad().wait();
}

void registerFontSubstitutions()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    waitForFontConfiguration();
    const QString tahoma =
        fontDatabaseLoad().valid() ? fontDatabaseLoad().get() : addTahoma();

    QFont::insertSubstitutions(kFontPGothic,
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック")});
    QFont::insertSubstitutions(kFontPMincho,
                               {QStringLiteral("IPAPMincho"), QStringLiteral("IPA P明朝")});
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));

    // Wine's font is itself called "Tahoma", so it needs no substitution;
    // without it, fall back to DejaVu Sans.
    if (tahoma.isEmpty())
        QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"));
}

QString substituteFamily(const QString &family)
{
    // Qt keeps substitutions in lower case; answer with the database's
    // spelling of the first installed one.
    const QStringList installed = QFontDatabase::families();
    for (const QString &candidate : QFont::substitutes(family)) {
        for (const QString &name : installed) {
            if (name.compare(candidate, Qt::CaseInsensitive) == 0)
                return name;
        }
    }
    return family;
}

QFont screenFont(const QString &family, int pixelSize)
{
    QFont font(substituteFamily(family));
    font.setPixelSize(pixelSize);
    return font;
}

void preloadPrinterFonts()
{
    QImage image(64, 64, QImage::Format_RGB32);
    QPainter painter(&image);
    for (const QString &family : {kFontPGothic, kFontPMincho, QStringLiteral("Verdana"),
                                  QStringLiteral("Tahoma")}) {
        QFont font(family);
        font.setPixelSize(48);
        painter.setFont(font);
        painter.drawText(0, 48, QStringLiteral("納品書 1,234 様"));
    }
}
