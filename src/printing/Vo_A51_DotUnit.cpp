#include "printing/Vo_A51_DotUnit.h"

const printing::LayoutTable &TVo_A51_Dot::table()
{
    static const printing::LayoutTable t; // the defaults are this layout
    return t;
}

void TVo_A51_Dot::SLIP_A51_Prn(const printing::PrintNoteSource &source,
                               printing::PrintSurface &surface) const
{
    printing::drawNote(table(), source.printNote(), surface);
}
