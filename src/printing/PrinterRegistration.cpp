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

void writeRegistration(const QString &filePath, const QString &section, const QString &printerName,
                       const Registration &registration)
{
    ProfileFile file(filePath);
    file.writeString(section, KeyName, trimBlanksAndControls(printerName));
    file.writeString(section, KeyIndex, registration.printerIndex);
    file.writeString(section, KeyTop, registration.top);
    file.writeString(section, KeyLeft, registration.left);
    file.commit();
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
