#include "printing/Vo_A53_DotUnit.h"

const printing::LayoutTable &TVo_A53_Dot::table()
{
    static const printing::LayoutTable t = [] {
        printing::LayoutTable t;
        t.nameRuleEnd = 601;
        t.shopX = 920;
        t.shopRuleFrom = 900;
        t.ruleEnd = 1250;
        t.dateCaptionX = 1065;
        t.dateX = 1120;
        t.qtyHeadX = 740;
        t.priceHeadX = 960;
        t.amountHeadX = 1122;
        t.itemSize = 9;
        t.unitX = 801;
        t.unitSize = 7;
        t.numberSize = 9;
        t.qtyX = 675;
        t.priceX = 895;
        t.amountX = 1105;
        t.amountCellW = 112;
        t.captionX = 1001;
        t.captionCellW = 97;
        t.bottomRule = false;
        return t;
    }();
    return t;
}

void TVo_A53_Dot::SLIP_A53_Prn(const printing::PrintNoteSource &source,
                               printing::PrintSurface &surface) const
{
    printing::drawNote(table(), source.printNote(), surface);
}
