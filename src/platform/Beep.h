#pragma once

#include <functional>

// The system's default beep, sounded for refused input.
void systemBeep();

// Test seam: while a hook is installed, systemBeep() calls it instead of
// sounding. Returns the hook that was installed before (empty: the real beep).
std::function<void()> setBeepHook(std::function<void()> hook);

// Counts the beeps while it lives and silences them; restores the previous
// hook when it goes out of scope.
class BeepCounter
{
public:
    BeepCounter();
    ~BeepCounter();
    BeepCounter(const BeepCounter &) = delete;
    BeepCounter &operator=(const BeepCounter &) = delete;

    int count() const { return count_; }
    void reset() { count_ = 0; }

private:
    int count_ = 0;
    std::function<void()> previous_;
};
