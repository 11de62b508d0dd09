#include "printing/PrinterRegistration.h"

#include "platform/ProfileFile.h"
#include "printer/VoPrinters.h"
#include "printing/Conversion.h"
#include "printing/PrintCommand.h"

#include <QDir>

namespace printing {

namespace {
const QString KeyName = QStringLiteral("PrnName");
const QString KeyIndex = QStringLiteral("PrnNoIndex");
const QString KeyDevice = QStringLiteral("PrnDevice");
const QString KeyPaper = QStringLiteral("PrnPaper");
const QString KeyBin = QStringLiteral("PrnBin");
const QString KeyTop = QStringLiteral("denPrn_Top");
const QString KeyLeft = QStringLiteral("denPrn_Left");
} // namespace

QString registrationFilePath(const QString &dir)
{
    return QDir(dir).filePath(RegistrationFileName);
}

Registration readRegistration(const QString &filePath, const QString &section)
{
    const ProfileFile file(filePath);
    Registration r;
    r.printerIndex = file.readString(section, KeyIndex, QStringLiteral("0"));
    r.top = file.readString(section, KeyTop, QStringLiteral("0"));
    r.left = file.readString(section, KeyLeft, QStringLiteral("0"));
    return r;
}

RegisteredName readRegisteredName(const QString &filePath, const QString &section)
{
    const ProfileFile file(filePath);
    RegisteredName n;
    n.device = trimBlanksAndControls(file.readString(section, KeyDevice, QString()));
    n.shown = file.readString(section, KeyName, QString());
    // A value no position could have tells a missing key from any stored one.
    const QString missing = QStringLiteral("\x01");
    n.registered = file.readString(section, KeyIndex, missing) != missing;
    return n;
}

void writeRegistration(const QString &filePath, const QString &section, const QString &printerName,
                       const Registration &registration)
{
    ProfileFile file(filePath);
    const QString name = trimBlanksAndControls(printerName);
    file.writeString(section, KeyName, name);
    file.writeString(section, KeyIndex, registration.printerIndex);
    file.writeString(section, KeyDevice, name);
    file.writeString(section, KeyTop, registration.top);
    file.writeString(section, KeyLeft, registration.left);
    file.commit();
}

void writeRegisteredIndex(const QString &filePath, const QString &section,
                          const QString &indexCaption)
{
    ProfileFile file(filePath);
    file.writeString(section, KeyIndex, indexCaption);
    file.commit();
}

RegisteredPaper readRegisteredPaper(const QString &filePath, const QString &section)
{
    const ProfileFile file(filePath);
    const auto number = [&file, &section](const QString &key) -> std::optional<int> {
        bool ok = false;
        const int n = file.readString(section, key, QString()).trimmed().toInt(&ok);
        return ok ? std::optional<int>(n) : std::nullopt;
    };
    return RegisteredPaper{number(KeyPaper), number(KeyBin)};
}

void writeRegisteredPaper(const QString &filePath, const QString &section,
                          const RegisteredPaper &paper)
{
    ProfileFile file(filePath);
    if (paper.paper)
        file.writeString(section, KeyPaper, QString::number(*paper.paper));
    if (paper.bin)
        file.writeString(section, KeyBin, QString::number(*paper.bin));
    file.commit();
}

bool applyRegisteredPaper(TVoPrinter &printer, const RegisteredPaper &paper)
{
    bool offered = true;
    try {
        if (paper.paper) {
            if (printer.HasPaperSizeNumber(*paper.paper))
                printer.SetPaperSizeNumber(*paper.paper);
            else
                offered = false;
        }
    } catch (const EVoPrinter &) {
        offered = false;
    }
    try {
        if (paper.bin) {
            if (printer.HasBinNumber(*paper.bin))
                printer.SetBinNumber(*paper.bin);
            else
                offered = false;
        }
    } catch (const EVoPrinter &) {
        offered = false;
    }
    if (printer.Modified())
        printer.ApplySettings();
    return offered;
}

RegisteredPaper currentPaper(TVoPrinter &printer)
{
    RegisteredPaper p;
    try {
        p.paper = printer.PaperSizeNumber();
    } catch (const EVoPrinter &) {
    }
    try {
        p.bin = printer.BinNumber();
    } catch (const EVoPrinter &) {
    }
    return p;
}

RegisteredChoice chooseRegisteredPrinter(const Registration &registration,
                                         const RegisteredName &name,
                                         const QStringList &visiblePrinters,
                                         const SpoolerStatus &scheduler)
{
    RegisteredChoice choice;
    choice.indexCaption = registration.printerIndex;
    bool isInt = false;
    const int stored = registration.printerIndex.trimmed().toInt(&isInt);
    if (!isInt)
        return choice;
    const auto schedulerProblem = [&scheduler](const QString &printer) {
        return PrinterProblem{scheduler.fault == SpoolerFault::NotAnswering
                                  ? PrinterIssue::SchedulerSilent
                                  : PrinterIssue::SchedulerUnreachable,
                              printer, scheduler.server};
    };
    if (!name.device.isEmpty()) {
        const qsizetype at = visiblePrinters.indexOf(name.device);
        if (at >= 0) {
            choice.indexCaption = QString::number(at);
            choice.writeBack = at != stored;
        } else if (!scheduler.reachable()) {
            choice.problem = schedulerProblem(name.device);
        } else {
            choice.problem = PrinterProblem{PrinterIssue::PrinterMissing, name.device, QString()};
        }
        return choice;
    }
    const QString shown = trimBlanksAndControls(name.shown);
    if (name.registered && !scheduler.reachable() && !visiblePrinters.contains(shown))
        choice.problem = schedulerProblem(shown);
    return choice;
}

PrinterLists selectPrinterAndLists(TVoPrinter &printer, const QString &indexCaption)
{
    const int n = captionToInt(indexCaption);
    try {
        printer.SetIndex(n);
    } catch (...) {
        printer.SetIndex(0);
    }
    PrinterLists lists;
    try {
        printer.SetIndex(n);
    } catch (const EVOPrinterRangeError &) {
        printer.SetIndex(0);
        return lists;
    }
    lists.refreshed = true;
    try {
        lists.printers = printer.PrinterNames();
        lists.printerSel = printer.Index();
    } catch (const EVoPrinter &) {
        lists.printersFailed = true;
        return lists;
    }
    try {
        lists.papers = printer.PaperSizeNames();
        lists.papersRead = true;
        lists.paperSel = printer.PaperSizeIndex();
    } catch (const EVoPrinter &) {
        lists.paperSel = -1;
    }
    try {
        lists.bins = printer.BinNames();
        lists.binsRead = true;
        lists.binSel = printer.BinIndex();
    } catch (const EVoPrinter &) {
        lists.binSel = -1;
    }
    return lists;
}

void selectPrinterOrFirst(TVoPrinter &printer, int index)
{
    try {
        printer.SetIndex(index);
    } catch (...) {
        printer.SetIndex(0);
    }
}

} // namespace printing
