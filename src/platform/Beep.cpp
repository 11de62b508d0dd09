#include "platform/Beep.h"

#include <QApplication>
#include <utility>

namespace {
std::function<void()> &beepHook()
{
    static std::function<void()> hook;
    return hook;
}
} // namespace

void systemBeep()
{
    if (beepHook()) {
        beepHook()();
        return;
    }
    // Without a GUI application there is no device to sound.
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QApplication::beep();
}

std::function<void()> setBeepHook(std::function<void()> hook)
{
    return std::exchange(beepHook(), std::move(hook));
}

BeepCounter::BeepCounter() : previous_(setBeepHook([this] { ++count_; })) {}

BeepCounter::~BeepCounter()
{
    setBeepHook(std::move(previous_));
}
