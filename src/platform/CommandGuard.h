#pragma once

// The general error report: every command handler runs inside
// runGuarded(), so that an error escaping a command is shown to the operator
// as a box with its text and never crosses the Qt event loop.

#include <functional>

class QWidget;

// Runs command. An exception derived from std::exception is shown through
// Dialogs::showError with its what() read as UTF-8; any other exception as
// "Unknown error". Returns true when the command finished normally.
bool runGuarded(QWidget *parent, const std::function<void()> &command);
