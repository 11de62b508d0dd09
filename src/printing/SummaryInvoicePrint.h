#pragma once
// The summary invoice as a job and as a preview: A4 portrait on any printer
// of the spooler (CUPS or the built-in PDF printer), the layout placed from
// the sheet's corner whatever margins the printer keeps.

#include "note/SummaryInvoice.h"
#include "printing/PrintPreview.h"

class Spooler;

namespace printing {

// "Kanro_Vey_1_請求_<請求No>": the job's title and the PDF printer's file name.
QString summaryJobTitle(const SummaryInvoice &invoice);

// The pages as the preview shows them: A4 at 600 dpi without margins.
PreviewDocument summaryPreview(const SummaryInvoice &invoice);

// Prints the invoice on `device` on A4 paper (the printer's default settings
// otherwise). Throws SpoolerError when the printer cannot take the job; a
// job that failed leaves nothing behind.
void printSummaryInvoice(Spooler &spooler, const QString &device, const SummaryInvoice &invoice);

} // namespace printing
