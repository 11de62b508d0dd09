#pragma once

// What a screen reader meets in a numeric field: an editable text (read-only
// for totals and amounts) whose text is the displayed number ("1,500",
// "10%") and whose value is the number itself (1500, 10). Qt's default for
// a plain QWidget would be a nameless "filler" that exposes neither.

class QAccessibleInterface;
class QObject;
class QString;

// Registers the interface with Qt's accessibility (once; every TKiNumEdit
// calls it when made).
void installKiNumEditAccessibility();

// The factory installed above: the interface for a TKiNumEdit, null for
// every other object.
QAccessibleInterface *kiNumEditAccessibleFactory(const QString &className, QObject *object);
