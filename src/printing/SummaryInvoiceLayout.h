#pragma once
// The monthly summary invoice (合計請求書) on A4 portrait: the issuer with
// its registration number and bank account, the customer, the period and
// its closing, the summary row (前回御請求額 … 今回御請求額), the per-rate
// box, one line per note and per payment, and page numbers. With the
// delivery notes it lists, it forms the qualified invoice: it adds up the
// notes' own per-rate amounts and taxes and names them by date and slip
// number.

#include "note/SummaryInvoice.h"
#include "printing/Canvas.h"
#include "printing/LayoutRules.h"

#include <QDate>
#include <QString>

namespace printing {


namespace summarylayout {
// A4 in layout units (1/160 inch): 210 x 297 mm.
inline constexpr int PageWidth = 1323;
inline constexpr int PageHeight = 1871;
inline constexpr int Left = 90;
inline constexpr int Right = 1233;
// Detail lines: where they start on the first and on later pages, the
// step, and the last line's y on every page.
inline constexpr int FirstPageLinesY = 810;
inline constexpr int LaterPageLinesY = 200;
inline constexpr int LineStep = 32;
inline constexpr int LastLineY = 1740;

// How many detail lines (notes, then payments) a page holds.
int linesOnPage(int page);
// The number of pages the invoice takes (at least one).
int pageCount(const SummaryInvoice &invoice);
} // namespace summarylayout

// "2026年12月31日"
QString japaneseDate(const QDate &date);
// "12月20日締"
QString closingCaption(const QDate &closing);

// Draws every page of the invoice, a page feed between two pages.
void drawSummaryInvoice(const SummaryInvoice &invoice, const Geometry &g, PrintSurface &surface);

} // namespace printing
