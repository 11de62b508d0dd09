#include "platform/AccessibleComboBox.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>
#include <mutex>

namespace {

class AccessibleComboBox : public QAccessibleWidget
{
public:
    explicit AccessibleComboBox(QComboBox *combo) : QAccessibleWidget(combo, QAccessible::ComboBox)
    {
    }

    QComboBox *combo() const { return static_cast<QComboBox *>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return combo()->isEditable() ? combo()->lineEdit()->text() : combo()->currentText();
        // Name: the accessible name, else the buddy label's text.
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return combo()->isEditable() ? 2 : 1; }

    QAccessibleInterface *child(int index) const override
    {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(combo()->view());
        if (index == 1 && combo()->isEditable())
            return QAccessible::queryAccessibleInterface(combo()->lineEdit());
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        if (child->object() == combo()->view())
            return 0;
        if (combo()->isEditable() && child->object() == combo()->lineEdit())
            return 1;
        return -1;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName == showMenuAction() || actionName == pressAction())
            combo()->showPopup();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

} // namespace

QAccessibleInterface *accessibleComboBoxFactory(const QString &, QObject *object)
{
    if (auto *combo = qobject_cast<QComboBox *>(object))
        return new AccessibleComboBox(combo);
    return nullptr;
}

void installAccessibleComboBox()
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(accessibleComboBoxFactory); });
}
