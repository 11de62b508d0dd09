#pragma once

// Lists read by their label. On Linux Qt's own interface for a combo box
// reports the entry it shows as its name ("0:漢字未使用" for each of three
// selectors), and a screen reader announces that instead of what the list
// is for. This one keeps Qt's shape (role combo box, the popup list as its
// child, the line edit of an editable list, "show menu" and "press") but
// takes the name from the accessible name or the buddy label, and the shown
// entry as the value.

class QAccessibleInterface;
class QObject;
class QString;

// Registers the interface with Qt's accessibility (once; nameControl()
// calls it, so every window that names its controls has it).
void installAccessibleComboBox();

// The factory installed above: the interface for a QComboBox, null for
// every other object.
QAccessibleInterface *accessibleComboBoxFactory(const QString &className, QObject *object);
