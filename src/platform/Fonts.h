#pragma once

#include <QFont>
#include <QString>

// The program names the fonts of the Japanese desktop it was designed for
// ("ＭＳ Ｐゴシック", "ＭＳ Ｐ明朝", "Verdana", "Tahoma"). Here they are drawn
// with metric-compatible stand-ins registered as Qt font substitutions, so
// every caller keeps the original names. Call once before the first window.
void registerFontSubstitutions();

// Starts loading the font configuration (fontconfig reads and parses its
// configuration files, a fifth of the work before the first window can be
// mapped) on a worker thread, so that it overlaps with connecting to the
// display. Call first thing in main; registerFontSubstitutions() waits for
// it. Without this call everything loads on first use as before.
void startFontConfigurationLoad();

// Reads the installed fonts into Qt's font database on a worker thread,
// Wine's Tahoma (when installed) added first, while the main thread lists
// the printers: a tenth of the work before the first window. Made right
// after the QApplication, so that it is gone (its destructor waits) before
// the QApplication goes; registerFontSubstitutions() waits for the load.
// Without it everything loads on first use as before.
class FontDatabaseLoad
{
public:
    FontDatabaseLoad();
    ~FontDatabaseLoad();
    FontDatabaseLoad(const FontDatabaseLoad &) = delete;
    FontDatabaseLoad &operator=(const FontDatabaseLoad &) = delete;
};

// The family that a name given by the program resolves to after
// registerFontSubstitutions(): the installed family itself.
QString substituteFamily(const QString &family);

// A font for the window's controls, in pixels: one of the program's names
// given as the installed stand-in itself. Asked for by the original name,
// Qt first looks for that absent family and for its fallbacks in every
// script of the text (a fontconfig sort over all installed fonts each
// time) before it takes the substitute; named directly, the substitute is
// found at once and fallbacks are looked up only for a character it lacks.
// Draws the same glyphs.
QFont screenFont(const QString &family, int pixelSize);

// Opens the fonts that printing uses (the two Japanese fonts, Verdana and
// Tahoma) and draws a few glyphs with each, so that the first print or
// print preview does not wait for them (about 40 ms on a loaded 2-core
// machine). The program runs it once its window is up.
void preloadPrinterFonts();

inline const QString kFontPGothic = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kFontPMincho = QStringLiteral("ＭＳ Ｐ明朝");
