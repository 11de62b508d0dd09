#pragma once

#include "printing/LayoutRules.h"

// A5 portrait layout 2 ("A5縦2　(10行)"): numbers left-aligned under their
// headings, totals with a yen sign in front.
class TVo_A52_Dot
{
public:
    // The layout's positions, fonts and number style.
    static const printing::LayoutTable &table();

    // Draws one copy of the source's note on the surface's current page and
    // feeds the page when the note's page-feed mark is set.
    void SLIP_A52_Prn(const printing::PrintNoteSource &source,
                      printing::PrintSurface &surface) const;
};
