#pragma once

#include "platform/Fonts.h"

// Maps the printer font names of the layouts to the fonts installed here,
// as the program does at start.
inline void registerPrinterFontsForTest()
{
    static const bool done = [] {
        registerFontSubstitutions();
        return true;
    }();
    (void)done;
}
