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

// The status line once the printer list taken at start-up has come in:
// the printer the selected feed prints on ("プリンタ「KanroB」で印刷します。"),
// after the scheduler's silence when it did not answer and another printer
// stands in, or the problem that keeps the registered printer from printing.
QString printerListedStatus(const std::optional<PrinterProblem> &problem, const QString &printer,
                            const SpoolerStatus &scheduler);
// While the list is still out.
inline const QString PrinterListWaitingStatus = QStringLiteral("プリンタの一覧を待っています…");

// The problem an error of the printer layer stands for, when it is one the
// operator can act on (the print server unreachable or silent, the printer
// gone or rejecting jobs); nullopt for any other error, which goes to the
// general error report. `printer` names the printer when the error does not.
std::optional<PrinterProblem> printerProblemOf(const EVoPrinter &error, const QString &printer);

// The notice for a job's trouble on a printer; empty for JobTrouble::None.
QString jobTroubleNotice(const QString &printer, JobTrouble trouble);

} // namespace printing
