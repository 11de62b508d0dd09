// Time of the print preview on the main window over the built-in PDF printer
// (A5, 600 dpi) with a ten-row note in three copies: from F10 to the first
// painted page, and a page switch or a zoom change until the page is painted
// again. The first F10 of a process is the slowest; run with
// --benchmark_min_time=0.000001 for that one alone.
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "FakeSpooler.h"
#include "platform/Fonts.h"
#include "spooler/SpoolerWithPdf.h"
#include "printer/VoPrinters.h"
#include "printing/PrintPreviewWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>

using namespace printing;

namespace {

std::unique_ptr<QTemporaryDir> workDir;
std::unique_ptr<TForm_Main> mainWindow;

// The main window with a ten-row note, made once for all benchmarks.
TForm_Main &window()
{
    if (!mainWindow) {
        workDir = std::make_unique<QTemporaryDir>();
        createVoPrinter(
            std::make_unique<SpoolerWithPdf>(std::make_unique<FakeSpooler>(), workDir->path()),
            std::chrono::milliseconds(0));
        auto form = std::make_unique<TForm_Main>(workDir->path());
        form->show();
        QApplication::processEvents();
        form->Edit_Custo1->setText(QStringLiteral("株式会社　見本商事"));
        form->KiNumEdit_Slipno->setText(QStringLiteral("1234"));
        for (int i = 1; i <= 10; ++i) {
            form->dITEMNO_Ary[i]->setText(QStringLiteral("商品番号 A-%1").arg(i));
            form->dITEM_Ary[i]->setText(QStringLiteral("見本の品物 %1").arg(i));
            form->dUNIT_Ary[i]->setText(QStringLiteral("個"));
            form->dQTY_Ary[i]->setText(QString::number(i));
            form->dPRICE_Ary[i]->setText(QString::number(1234 * i));
        }
        for (int k = 1; k <= 9; ++k)
            form->Edit_Remark[k]->setText(QStringLiteral("備考の行 %1").arg(k));
        form->KiNumEdit_BUSUU->setText(QStringLiteral("3"));
        mainWindow = std::move(form);
    }
    return *mainWindow;
}

// Runs F10; `inWindow` gets the shown window once its first page is painted
// and the time that took.
void withPreview(const std::function<void(PrintPreviewWindow &, double seconds)> &inWindow)
{
    QElapsedTimer timer;
    PrintPreviewWindow::setExecHook([&](PrintPreviewWindow &win) {
        bool painted = false;
        win.pageView()->onPainted = [&] { painted = true; };
        win.show();
        win.pageView()->repaint();
        while (!painted)
            QApplication::processEvents();
        const double seconds = timer.nsecsElapsed() / 1e9;
        win.pageView()->onPainted = nullptr;
        inWindow(win, seconds);
        return int(QDialog::Rejected);
    });
    timer.start();
    window().SpeedButton_F10Click();
    PrintPreviewWindow::setExecHook(nullptr);
}

void BM_F10ToFirstPaintedPage(benchmark::State &state)
{
    for (auto _ : state)
        withPreview([&](PrintPreviewWindow &, double seconds) { state.SetIterationTime(seconds); });
}
BENCHMARK(BM_F10ToFirstPaintedPage)->Unit(benchmark::kMillisecond)->UseManualTime();

// One step in the window, timed until the page is painted again.
void timeSteps(benchmark::State &state, const std::function<void(PrintPreviewWindow &, int)> &step)
{
    withPreview([&](PrintPreviewWindow &win, double) {
        int k = 0;
        for (auto _ : state) {
            QElapsedTimer t;
            t.start();
            step(win, k++);
            win.pageView()->repaint();
            state.SetIterationTime(t.nsecsElapsed() / 1e9);
        }
    });
}

void BM_PageSwitch(benchmark::State &state)
{
    timeSteps(state, [](PrintPreviewWindow &win, int k) { win.showPage((k + 1) % win.pageCount()); });
}
BENCHMARK(BM_PageSwitch)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_Zoom(benchmark::State &state)
{
    timeSteps(state, [](PrintPreviewWindow &win, int k) {
        switch (k % 4) {
        case 0:
            win.setZoomPercent(100);
            break;
        case 1:
            win.setZoomPercent(200);
            break;
        case 2:
            win.zoomIn();
            break;
        default:
            win.zoomToFit();
            break;
        }
    });
}
BENCHMARK(BM_Zoom)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    registerFontSubstitutions();
    Dialogs::setTestMode(true);
    // As the program starts: the window is up and the printer fonts are open.
    window();
    preloadPrinterFonts();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    mainWindow.reset();
    destroyVoPrinter();
    workDir.reset();
    return 0;
}
