#pragma once

#include "spooler/Spooler.h"

#include <QString>
#include <QStringList>
#include <optional>

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

// Which printer a section registered, by name: "PrnDevice" (the printer's
// name in the printer list, written beside "PrnNoIndex" by this program; a
// position alone may come to name another printer when queues are added),
// "PrnName" (shown to the operator only) and whether the section holds a
// position at all. Older files have no "PrnDevice": device stays empty.
struct RegisteredName
{
    QString device;          // "PrnDevice", trimmed; empty when missing
    QString shown;           // "PrnName"
    bool registered = false; // "PrnNoIndex" present
};
RegisteredName readRegisteredName(const QString &filePath, const QString &section);

// Writes "PrnName" (trimmed), "PrnNoIndex", "PrnDevice" (the same name),
// "denPrn_Top", "denPrn_Left" in this order in one commit; throws
// ProfileWriteError when the file cannot be written.
void writeRegistration(const QString &filePath, const QString &section, const QString &printerName,
                       const Registration &registration);
// Stores a registered printer's new position ("PrnNoIndex" only).
void writeRegisteredIndex(const QString &filePath, const QString &section,
                          const QString &indexCaption);

// The paper and bin a registration selected ("PrnPaper", "PrnBin": the
// DMPAPER_* and DMBIN_* numbers the printer layer lists), stored beside the
// printer so that each feed of one printer keeps its own; nullopt for a key
// that is missing or not a number (older files: nothing changes).
struct RegisteredPaper
{
    std::optional<int> paper;
    std::optional<int> bin;
    bool operator==(const RegisteredPaper &) const = default;
};
RegisteredPaper readRegisteredPaper(const QString &filePath, const QString &section);
// Writes the keys that hold a value, in one commit.
void writeRegisteredPaper(const QString &filePath, const QString &section,
                          const RegisteredPaper &paper);
// Selects the registered paper and bin on the current printer where it
// offers them and applies the change. False when one of them is not offered
// (or cannot be read): the printer's own setting then stays.
bool applyRegisteredPaper(TVoPrinter &printer, const RegisteredPaper &paper);
// The paper and bin now selected on the printer (nullopt where unknown).
RegisteredPaper currentPaper(TVoPrinter &printer);
// The status line when a registered paper or bin is not offered.
inline const QString RegisteredPaperMissingMessage = QStringLiteral(
    "登録された用紙または給紙方法がこのプリンタにないため、プリンタの設定を使います。");

// Why the printer a print needs cannot be used. Shown to the operator as
// printerProblemNotice; the print is stopped and nothing goes elsewhere.
enum class PrinterIssue {
    SchedulerUnreachable, // the print server refuses connections or is not there
    SchedulerSilent,      // the print server takes connections but does not answer
    PrinterMissing,       // the server answers, the registered printer is not in its list
    NotAccepting,         // the printer rejects jobs
};
struct PrinterProblem
{
    PrinterIssue issue = PrinterIssue::PrinterMissing;
    QString printer; // may be empty when not known
    QString server;  // "localhost:631"
    bool operator==(const PrinterProblem &) const = default;
};

// How a feed's registration selects its printer among the visible printers.
struct RegisteredChoice
{
    QString indexCaption;                  // what Label_PrinterIndex gets
    bool writeBack = false;                // the printer moved: store indexCaption as "PrnNoIndex"
    std::optional<PrinterProblem> problem; // set: printing must stop with its notice
    bool operator==(const RegisteredChoice &) const = default;
};

// The choice for a registration, given the visible printers and how the
// system's scheduler answered its last listing:
// - with a stored name found at a position: that position (written back
//   when it differs from the stored one), e.g. "KanroB" stored at 1, the
//   list now "KanroA, Kanro0, KanroB, PDF" gives "2" and writeBack;
// - with a stored name found nowhere: the stored position as it stands and
//   the problem PrinterMissing, or the scheduler's fault when it did not
//   answer its listing;
// - without a stored name (an older file): as before, the stored position;
//   but when the section registered a printer and the scheduler could not
//   list its printers, the problem with the name "PrnName" shows (the
//   position then names the PDF printer or nothing, never the registered
//   printer). A stored position that is not an integer is passed on as it
//   stands (its conversion error follows).
RegisteredChoice chooseRegisteredPrinter(const Registration &registration,
                                         const RegisteredName &name,
                                         const QStringList &visiblePrinters,
                                         const SpoolerStatus &scheduler);

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
