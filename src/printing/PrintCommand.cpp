#include "printing/PrintCommand.h"

#include "printer/VoPrinters.h"
#include "printing/PainterSurface.h"

#include <algorithm>

namespace printing {

int effectiveDpi(int dpi, std::uint16_t scale)
{
    const int percent = scale == 0 ? 100 : scale;
    return static_cast<int>(static_cast<long long>(dpi) * 100 / percent);
}

bool layoutIsLandscape(int paperIndex)
{
    return paperIndex == 2;
}

bool sheetSmallerThanA5(int width, int height, int dpiX, int dpiY)
{
    if (dpiX <= 0 || dpiY <= 0)
        return false;
    const double w = width * 25.4 / dpiX;
    const double h = height * 25.4 / dpiY;
    const double shortSide = std::min(w, h);
    const double longSide = std::max(w, h);
    return shortSide < 148 - 1 || longSide < 210 - 1;
}

int copiesFromText(const QString &text)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok ? n : 0;
}

QString trimBlanksAndControls(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

QString jobTitleMiddle(const QDate &issueDate)
{
    return issueDate.isValid() ? issueDate.toString(QStringLiteral("yyyyMMdd")) : QString();
}

QString jobTitle(int paperIndex, const QString &middle, const QString &slipNo)
{
    return QStringLiteral("Kanro_Vey_1_%1_%2-%3")
        .arg(paperIndex)
        .arg(middle, trimBlanksAndControls(slipNo));
}

void NoteLayouts::drawCopy(int paperIndex, const PrintNoteSource &source,
                           PrintSurface &surface) const
{
    switch (paperIndex) {
    case 0:
        Vo_A51_Dot.SLIP_A51_Prn(source, surface);
        break;
    case 1:
        Vo_A52_Dot.SLIP_A52_Prn(source, surface);
        break;
    case 2:
        Vo_A53_Dot.SLIP_A53_Prn(source, surface);
        break;
    default:
        break;
    }
}

void drawCopies(int copies, const std::function<void()> &drawCopy,
                const std::function<void()> &newPage)
{
    while (copies > 0) {
        drawCopy();
        --copies;
        if (copies > 0)
            newPage();
    }
}

void runPrintJob(TVoPrinter &printer, const QString &title, int copies, int fontDpiY,
                 const std::function<void(PrintSurface &)> &drawCopy)
{
    printer.BeginDoc(title);
    // The copies draw the same texts: measured and shaped once for the job.
    CanvasTextCache texts;
    try {
        drawCopies(
            copies,
            [&] {
                // The canvas is taken afresh for every copy: a page feed may
                // hand out another painter.
                PainterSurface surface(
                    printer.Canvas(), [&printer] { printer.Newpage(); }, fontDpiY, &texts);
                drawCopy(surface);
            },
            [&printer] { printer.Newpage(); });
    } catch (...) {
        printer.Abort();
        throw;
    }
    printer.EndDoc();
}

} // namespace printing
