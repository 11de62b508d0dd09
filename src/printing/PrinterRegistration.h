#pragma once

#include <QString>
#include <QStringList>

class TVoPrinter;

namespace printing {

// The printer registration file: one section per paper feed ("手差し",
// "連続(４．５インチ)", or any name typed into the feed box) with the
// printer's position and the top and left offsets in printer pixels.
inline const QString RegistrationFileName = QStringLiteral("Kanro_a500.ini");
inline const QString MarginQuestion = QStringLiteral("印字位置調整の余白を登録しますか?");

// dir + "/Kanro_a500.ini"; dir is the working directory recorded at start.
QString registrationFilePath(const QString &dir);

// The texts of one section as they stand; missing keys read "0".
struct Registration
{
    QString printerIndex = QStringLiteral("0"); // "PrnNoIndex"
    QString top = QStringLiteral("0");          // "denPrn_Top"
    QString left = QStringLiteral("0");         // "denPrn_Left"

    bool operator==(const Registration &) const = default;
};

Registration readRegistration(const QString &filePath, const QString &section);

// Writes "PrnName" (trimmed), "PrnNoIndex", "denPrn_Top", "denPrn_Left" in
// this order in one commit; throws ProfileWriteError when the file cannot be
// written.
void writeRegistration(const QString &filePath, const QString &section, const QString &printerName,
                       const Registration &registration);

// What the three display lists show after a printer was selected.
struct PrinterLists
{
    bool refreshed = false;      // false: the lists keep their contents
    bool printersFailed = false; // the printer list could not be read: disable it
    QStringList printers;
    int printerSel = -1;
    bool papersRead = false; // false: the paper list keeps its contents
    QStringList papers;
    int paperSel = -1; // -1: no selection
    bool binsRead = false;
    QStringList bins;
    int binSel = -1;
};

// Selects the printer at the position in `indexCaption` (not an integer:
// ConversionError) and reads the lists: a position the printer object
// rejects falls back to printer 0. With a position beyond the installed
// printers, printer 0 is selected and the lists stay as they are. With no
// printer installed EVoPrinterNoPrinter reaches the caller.
PrinterLists selectPrinterAndLists(TVoPrinter &printer, const QString &indexCaption);

// Selects the stored printer (or printer 0 when that fails for any reason).
void selectPrinterOrFirst(TVoPrinter &printer, int index);

} // namespace printing
