// Work held back until a window's first picture is on the screen.
#include "platform/FirstPaint.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Runs the event loop for a while.
void spin(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

class PaintedWidget : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

TEST(FirstPaint, WorkRunsOnceAfterTheFirstPaint)
{
    struct Row
    {
        const char *name;
        bool show;           // the window is shown
        bool destroy;        // the window goes before anything is painted
        bool expectRun;      // the work runs at all
        bool expectAfterPaint;
    };
    const Row rows[] = {
        {"shown window", true, false, true, true},
        {"never shown: at the latest time", false, false, true, false},
        {"gone before: never", false, true, false, false},
    };
    for (const Row &r : rows) {
        auto w = std::make_unique<PaintedWidget>();
        w->resize(200, 100);
        int runs = 0;
        int paintsAtRun = -1;
        PaintedWidget *raw = w.get();
        runAfterFirstPaint(
            w.get(),
            [&runs, &paintsAtRun, raw] {
                ++runs;
                paintsAtRun = raw->paints;
            },
            std::chrono::milliseconds(300));
        EXPECT_EQ(runs, 0) << r.name << ": not at once";
        if (r.show) {
            w->show();
        }
        if (r.destroy)
            w.reset();
        spin(800);
        EXPECT_EQ(runs, r.expectRun ? 1 : 0) << r.name;
        if (r.expectAfterPaint) {
            EXPECT_GE(paintsAtRun, 1) << r.name << ": after the window's paint";
        } else if (r.expectRun) {
            EXPECT_EQ(paintsAtRun, 0) << r.name;
        }
    }
}

} // namespace
