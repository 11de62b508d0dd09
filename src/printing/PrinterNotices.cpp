#include "printing/PrinterNotices.h"

namespace printing {

namespace {
// What keeps a print from its printer, without what became of the print.
QString problemText(const PrinterProblem &problem)
{
    const QString onPrinter =
        problem.printer.isEmpty()
            ? QString()
            : QStringLiteral("プリンタ「%1」に印刷できません。").arg(problem.printer);
    switch (problem.issue) {
    case PrinterIssue::SchedulerUnreachable:
        return QStringLiteral("印刷サーバー（CUPS %1）に接続できません。").arg(problem.server) +
               onPrinter;
    case PrinterIssue::SchedulerSilent:
        return QStringLiteral("印刷サーバー（CUPS %1）が応答しません。").arg(problem.server) +
               onPrinter;
    case PrinterIssue::PrinterMissing:
        return QStringLiteral(
                   "プリンタ「%1」が見つかりません（削除されたか、名前が変わりました）。")
            .arg(problem.printer);
    case PrinterIssue::NotAccepting:
        return QStringLiteral("プリンタ「%1」はジョブを受け付けていません。").arg(problem.printer);
    }
    return QString();
}
} // namespace

QString printerProblemNotice(const PrinterProblem &problem)
{
    return problemText(problem) + QStringLiteral("印刷を中止しました。");
}

QString printerListedStatus(const std::optional<PrinterProblem> &problem, const QString &printer,
                            const SpoolerStatus &scheduler)
{
    if (problem)
        return problemText(*problem);
    const QString prints = QStringLiteral("プリンタ「%1」で印刷します。").arg(printer);
    if (scheduler.reachable())
        return prints;
    const QString server = scheduler.fault == SpoolerFault::NotAnswering
                               ? QStringLiteral("印刷サーバー（CUPS %1）が応答しません。")
                               : QStringLiteral("印刷サーバー（CUPS %1）に接続できません。");
    return server.arg(scheduler.server) + prints;
}

std::optional<PrinterProblem> printerProblemOf(const EVoPrinter &error, const QString &printer)
{
    const QString name = error.PrinterName().isEmpty() ? printer : error.PrinterName();
    switch (error.Fault()) {
    case SpoolerFault::Unreachable:
        return PrinterProblem{PrinterIssue::SchedulerUnreachable, name, error.Server()};
    case SpoolerFault::NotAnswering:
        return PrinterProblem{PrinterIssue::SchedulerSilent, name, error.Server()};
    case SpoolerFault::NoSuchPrinter:
        return PrinterProblem{PrinterIssue::PrinterMissing, name, error.Server()};
    case SpoolerFault::NotAccepting:
        return PrinterProblem{PrinterIssue::NotAccepting, name, error.Server()};
    case SpoolerFault::Other:
        break;
    }
    return std::nullopt;
}

QString jobTroubleNotice(const QString &printer, JobTrouble trouble)
{
    const QString notPrinted = QStringLiteral("納品書は印刷されていません。");
    switch (trouble) {
    case JobTrouble::None:
        return QString();
    case JobTrouble::PrinterStopped:
        return QStringLiteral("プリンタ「%1」は停止しています。ジョブは待機中です。").arg(printer);
    case JobTrouble::NotAccepting:
        return QStringLiteral("プリンタ「%1」はジョブを受け付けていません。ジョブは待機中です。")
            .arg(printer);
    case JobTrouble::JobStopped:
        return QStringLiteral("プリンタ「%1」で印刷ジョブが停止しました。").arg(printer) +
               notPrinted;
    case JobTrouble::JobCanceled:
        return QStringLiteral("プリンタ「%1」で印刷ジョブが取り消されました。").arg(printer) +
               notPrinted;
    case JobTrouble::JobAborted:
        return QStringLiteral("プリンタ「%1」で印刷ジョブが中断されました。").arg(printer) +
               notPrinted;
    }
    return QString();
}

} // namespace printing
