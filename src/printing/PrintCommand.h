#pragma once

#include "note/PrintNote.h"
#include "printing/Vo_A51_DotUnit.h"
#include "printing/Vo_A52_DotUnit.h"
#include "printing/Vo_A53_DotUnit.h"

#include <QDate>
#include <QString>
#include <cstdint>
#include <functional>

class TVoPrinter;

namespace printing {

// The print command's messages.
inline const QString MissingSlipNoMessage = QStringLiteral("伝票番号を入力したください");
inline const QString ConfirmPrintMessage = QStringLiteral("印刷しますか?");

// The resolution the layouts scale to: the device's dots per inch divided by
// the printer's scale in percent (truncating). A scale of 0, which a driver
// without scaling may report, counts as 100 instead of dividing by zero.
// 600 dpi at 50 % -> 1200; 203 dpi at 100 % -> 203.
int effectiveDpi(int dpi, std::uint16_t scale);

// The question when the paper cannot hold the whole note.
inline const QString SmallPaperQuestion =
    QStringLiteral("用紙が A5 より小さいため、一部が印字されません。印刷しますか?");

// Whether a layout is drawn on a landscape page: the landscape layout (2)
// is, layouts 1 and 2 (0, 1) are not. The print command turns the job's
// page accordingly, whatever orientation the set-up dialog chose.
bool layoutIsLandscape(int paperIndex);

// Whether a sheet of width x height pixels at dpiX x dpiY is smaller than
// A5 (148 x 210 mm) on either side, however it is turned, with a millimetre
// of tolerance: Hagaki (100 x 148 mm) is, A5 either way round, B5 and A4
// are not. A sheet without a resolution counts as large enough.
bool sheetSmallerThanA5(int width, int height, int dpiX, int dpiY);

// The number of copies in the copies field: its integer value, 0 for a text
// that is not an integer ("", "2.5", "x"); negative counts print nothing.
int copiesFromText(const QString &text);

// Characters up to U+0020 removed at both ends (U+3000 stays).
QString trimBlanksAndControls(const QString &text);

// The middle field of the job title: the issue date as yyyyMMdd, so that a
// shop finds a job (or the PDF named after it) by date and slip number.
QString jobTitleMiddle(const QDate &issueDate);

// "Kanro_Vey_1_<layout index>_<middle>-<slip number trimmed>":
// layout 0, middle "" and slip " 123 " give "Kanro_Vey_1_0_-123".
QString jobTitle(int paperIndex, const QString &middle, const QString &slipNo);

// The three layout objects, one each, and the choice by the paper item:
// 0 layout 1, 1 layout 2, 2 the landscape layout; any other index draws
// nothing.
struct NoteLayouts
{
    TVo_A51_Dot Vo_A51_Dot;
    TVo_A52_Dot Vo_A52_Dot;
    TVo_A53_Dot Vo_A53_Dot;

    void drawCopy(int paperIndex, const PrintNoteSource &source, PrintSurface &surface) const;
};

// One print as the print command settles it before a job opens: what F11
// prints and what the preview (F10) shows.
struct PrintPlan
{
    QString title;
    int copies = 0;
    int fontDpiY = 0; // the device's vertical resolution, that font sizes refer to
    std::function<void(PrintSurface &)> drawCopy;
};

// The pages of a job in order: drawCopy once per copy, and a page feed
// between two copies (a feed at the end of a copy is its layout's own).
// Copies 0 or fewer draw nothing.
void drawCopies(int copies, const std::function<void()> &drawCopy,
                const std::function<void()> &newPage);

// Opens a job titled `title` on the printer, draws `copies` copies with
// drawCopy and a page feed between two copies, and ends the job. When
// drawing or a page feed fails the job is aborted and the error passed on
// unchanged; no further copy is drawn. `fontDpiY` is the device's vertical
// resolution that font sizes refer to.
void runPrintJob(TVoPrinter &printer, const QString &title, int copies, int fontDpiY,
                 const std::function<void(PrintSurface &)> &drawCopy);

} // namespace printing
