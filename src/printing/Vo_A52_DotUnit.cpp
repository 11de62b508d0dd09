#include "printing/Vo_A52_DotUnit.h"

const printing::LayoutTable &TVo_A52_Dot::table()
{
    static const printing::LayoutTable t = [] {
        printing::LayoutTable t;
        t.qtyHeadX = 530;
        t.priceHeadX = 620;
        t.amountHeadX = 724;
        t.fixedPitch = false;
        t.qtyX = 530;
        t.priceX = 620;
        t.amountX = 724;
        t.captionX = 530;
        return t;
    }();
    return t;
}

void TVo_A52_Dot::SLIP_A52_Prn(const printing::PrintNoteSource &source,
                               printing::PrintSurface &surface) const
{
    printing::drawNote(table(), source.printNote(), surface);
}
