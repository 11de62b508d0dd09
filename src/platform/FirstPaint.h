#pragma once

#include <QWidget>
#include <chrono>
#include <functional>

// Runs work once, in a turn of the event loop after the window's first
// paint, so that what the window does not show (fonts opened ahead for
// printing, say) does not hold its first picture back. A window that is
// not painted within `latest` (never shown, or hidden at once) has the work
// run then; the work is dropped if the window goes first.
void runAfterFirstPaint(QWidget *window, std::function<void()> work,
                        std::chrono::milliseconds latest = std::chrono::seconds(2));
