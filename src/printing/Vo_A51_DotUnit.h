#pragma once

#include "printing/LayoutRules.h"

// A5 portrait layout 1 ("A5縦1　(10行)"): quantities, prices and amounts
// right-aligned in fixed-pitch cells of 97 units; ten detail rows.
class TVo_A51_Dot
{
public:
    // The layout's positions, fonts and number style.
    static const printing::LayoutTable &table();

    // Draws one copy of the source's note on the surface's current page and
    // feeds the page when the note's page-feed mark is set.
    void SLIP_A51_Prn(const printing::PrintNoteSource &source,
                      printing::PrintSurface &surface) const;

    // Text spread evenly over a width (the amount cells and total captions).
    static void Eve2TextOut(printing::Canvas &canvas, const QString &text, int x, int y, int width,
                            int options)
    {
        printing::Eve2TextOut(canvas, text, x, y, width, options);
    }
};
