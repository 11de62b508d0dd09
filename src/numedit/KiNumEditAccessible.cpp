#include "numedit/KiNumEditAccessible.h"

#include "numedit/KiNumEdit.h"

#include <QAccessibleWidget>
#include <QFontMetrics>
#include <mutex>

namespace {

class KiNumEditAccessible : public QAccessibleWidget,
                            public QAccessibleTextInterface,
                            public QAccessibleValueInterface
{
public:
    explicit KiNumEditAccessible(TKiNumEdit *edit)
        : QAccessibleWidget(edit, QAccessible::EditableText)
    {
    }

    TKiNumEdit *edit() const { return static_cast<TKiNumEdit *>(widget()); }
    QString shown() const { return edit()->ValText(); }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return shown();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !edit()->ReadOnly();
        s.readOnly = edit()->ReadOnly();
        return s;
    }

    // Text: the displayed number, one line; the caret stands after it.
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0 && edit()->SelLength() > 0) {
            *startOffset = 0;
            *endOffset = characterCount();
        }
    }
    int selectionCount() const override { return edit()->SelLength() > 0 ? 1 : 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return characterCount(); }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override
    {
        return shown().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(shown().size()); }
    QRect characterRect(int offset) const override
    {
        const QString s = shown();
        if (offset < 0 || offset >= s.size())
            return {};
        const QFontMetrics fm(edit()->font());
        const QRect r = edit()->DrawRect();
        const int x = r.left() + fm.horizontalAdvance(s.left(offset));
        const QRect local(x, r.top(), fm.horizontalAdvance(s.at(offset)), r.height());
        return QRect(edit()->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        for (int i = 0; i < characterCount(); ++i)
            if (characterRect(i).contains(point))
                return i;
        return -1;
    }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = -1;
        return {};
    }

    // Value: the number as typed, without separators and marks; empty is 0.
    QVariant currentValue() const override { return edit()->Text().toDouble(); }
    void setCurrentValue(const QVariant &value) override
    {
        if (!edit()->ReadOnly() && edit()->isEnabled())
            edit()->setText(value.toString());
    }
    QVariant maximumValue() const override
    {
        double m = 1;
        for (int i = 0; i < edit()->IntegerLength(); ++i)
            m *= 10;
        return m - 1;
    }
    QVariant minimumValue() const override
    {
        return edit()->Minus() ? -maximumValue().toDouble() : 0.0;
    }
    QVariant minimumStepSize() const override { return 0.0; }
};

} // namespace

QAccessibleInterface *kiNumEditAccessibleFactory(const QString &, QObject *object)
{
    if (auto *edit = qobject_cast<TKiNumEdit *>(object))
        return new KiNumEditAccessible(edit);
    return nullptr;
}

void installKiNumEditAccessibility()
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(kiNumEditAccessibleFactory); });
}
