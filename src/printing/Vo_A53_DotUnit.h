#pragma once

#include "printing/LayoutRules.h"

// A5 landscape layout ("A5横　(6行)"): layout 1 stretched to the wide page,
// fixed-pitch cells of 112 units and larger row fonts. The printer must be
// set to landscape A5; every row with a quantity is printed, also rows 7 to 10.
class TVo_A53_Dot
{
public:
    // The layout's positions, fonts and number style.
    static const printing::LayoutTable &table();

    // Draws one copy of the source's note on the surface's current page and
    // feeds the page when the note's page-feed mark is set.
    void SLIP_A53_Prn(const printing::PrintNoteSource &source,
                      printing::PrintSurface &surface) const;

    static void Eve2TextOut(printing::Canvas &canvas, const QString &text, int x, int y, int width,
                            int options)
    {
        printing::Eve2TextOut(canvas, text, x, y, width, options);
    }
};
