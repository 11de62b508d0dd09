#pragma once
// What the operator reads when a print cannot reach its printer or a job
// handed to a printer meets trouble: fixed Japanese notices naming the
// printer and, where it is the cause, the print server with its port.

#include "printer/VoPrinters.h"
#include "printing/PrinterRegistration.h"

#include <QString>
#include <optional>

namespace printing {

// "プリンタ「KanroB」が見つかりません。…": one text per issue; a problem
// without a printer name leaves the printer out.
QString printerProblemNotice(const PrinterProblem &problem);

// The problem an error of the printer layer stands for, when it is one the
// operator can act on (the print server unreachable or silent, the printer
// gone or rejecting jobs); nullopt for any other error, which goes to the
// general error report. `printer` names the printer when the error does not.
std::optional<PrinterProblem> printerProblemOf(const EVoPrinter &error, const QString &printer);

// The notice for a job's trouble on a printer; empty for JobTrouble::None.
QString jobTroubleNotice(const QString &printer, JobTrouble trouble);

} // namespace printing
