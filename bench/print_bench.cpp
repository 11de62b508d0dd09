// Time to print delivery notes with layout 1 into a PDF file, the way a print
// job does: a PDF writer at the printer's resolution, one page per copy.
#include "TestFonts.h"
#include "spooler/PdfSpooler.h"
#include "printer/VoPrinters.h"
#include "printing/PainterSurface.h"
#include "printing/PrintCommand.h"
#include "printing/Vo_A51_DotUnit.h"

#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>

using namespace printing;

namespace {

constexpr int Dpi = 600;

PrintNote tenRowNote()
{
    PrintNote n;
    n.customerName = QStringLiteral("株式会社　見本商事");
    n.title = QStringLiteral("納品書　兼　請求書");
    n.shopLines = {QStringLiteral("〒100-0001"), QStringLiteral("東京都千代田区千代田1-1"),
                   QStringLiteral("甘露商店"), QStringLiteral("TEL 03-0000-0000"),
                   QStringLiteral("FAX 03-0000-0001")};
    n.slipNo = QStringLiteral("1234");
    n.issueDate = QDate(2026, 12, 9);
    for (int i = 0; i < 10; ++i) {
        n.rows[i] = {QStringLiteral("商品番号 A-%1").arg(i + 1),
                     QStringLiteral("見本の品物 %1").arg(i + 1),
                     QStringLiteral("個"),
                     QString::number(i + 1),
                     QString::number(1234 * (i + 1)),
                     QString::number(1234 * (i + 1) * (i + 1))};
    }
    n.subtotal = QStringLiteral("478390");
    n.tax = QStringLiteral("47839");
    n.total = QStringLiteral("526229");
    n.taxCaption = QStringLiteral("消費税 10%");
    n.receipt = true;
    for (int k = 0; k < 9; ++k)
        n.remarks[k] = QStringLiteral("備考の行 %1: お買い上げありがとうございます。").arg(k + 1);
    n.dpiX = n.dpiY = QString::number(Dpi);
    return n;
}

void printCopies(const QString &path, int copies)
{
    QPdfWriter writer(path);
    writer.setResolution(Dpi);
    writer.setPageSize(QPageSize(QPageSize::A5));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    PainterSurface surface(&painter, [&writer] { writer.newPage(); });
    const FixedNoteSource source(tenRowNote());
    const TVo_A51_Dot layout;
    for (int k = 0; k < copies; ++k) {
        layout.SLIP_A51_Prn(source, surface);
        if (k + 1 < copies)
            surface.newPage();
    }
    painter.end();
}

void BM_PrintLayout1(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("note.pdf"));
    for (auto _ : state)
        printCopies(path, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_PrintLayout1)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same through the print job of the program: the printer object over the
// built-in PDF printer (600 dpi), which writes the job's file when it ends.
void BM_PrintJobOnPdfPrinter(benchmark::State &state)
{
    QTemporaryDir dir;
    PdfSpooler spooler(dir.path());
    TVoPrinter printer(spooler);
    printer.SetIndex(0);
    const FixedNoteSource source(tenRowNote());
    const NoteLayouts layouts;
    const int copies = static_cast<int>(state.range(0));
    for (auto _ : state) {
        runPrintJob(printer, QStringLiteral("bench"), copies, Dpi,
                    [&](PrintSurface &surface) { layouts.drawCopy(0, source, surface); });
    }
}
BENCHMARK(BM_PrintJobOnPdfPrinter)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    registerPrinterFontsForTest();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
