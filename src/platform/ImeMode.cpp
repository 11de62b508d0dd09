#include "platform/ImeMode.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodQueryEvent>
#include <QLineEdit>
#include <QVariant>
#include <QWidget>

namespace {

// The widgets that receive the keys of `widget`: itself, and for a date
// picker or spin box the line edit inside, which is its focus proxy and
// the object the platform input context (the fcitx5 or IBus front end)
// asks whether it accepts input methods; for an editable list its edit.
QList<QWidget *> keyReceivers(QWidget *widget)
{
    QList<QWidget *> out{widget};
    if (qobject_cast<QAbstractSpinBox *>(widget)) {
        for (QLineEdit *inner : widget->findChildren<QLineEdit *>())
            out.append(inner);
    } else if (auto *combo = qobject_cast<QComboBox *>(widget); combo && combo->lineEdit()) {
        out.append(combo->lineEdit());
    }
    if (QWidget *proxy = widget->focusProxy(); proxy && !out.contains(proxy))
        out.append(proxy);
    return out;
}

// Answers the input-method queries of a widget whose mode is imDisable with
// Qt::ImEnabled false. The attribute alone is not enough: Qt asks the
// widget's inputMethodQuery() first, and QLineEdit answers "enabled" for
// any writable line edit, attribute or not; the front ends go by that
// answer.
class InputMethodGate : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::InputMethodQuery)
            return false;
        auto *w = static_cast<QWidget *>(watched);
        if (imeModeOf(w) != TImeMode::imDisable)
            return false;
        auto *query = static_cast<QInputMethodQueryEvent *>(event);
        const Qt::InputMethodQueries queries = query->queries();
        for (int bit = 0; bit < 32; ++bit) {
            const auto q = static_cast<Qt::InputMethodQuery>(queries.toInt() & (1u << bit));
            if (q)
                query->setValue(q, q == Qt::ImEnabled ? QVariant(false) : w->inputMethodQuery(q));
        }
        query->accept();
        return true;
    }
};

QObject *inputMethodGate()
{
    static InputMethodGate gate;
    return &gate;
}

} // namespace

void applyImeMode(QWidget *widget, TImeMode mode)
{
    const bool spinBox = qobject_cast<QAbstractSpinBox *>(widget) != nullptr;
    for (QWidget *w : keyReceivers(widget)) {
        w->setProperty("ImeMode", static_cast<int>(mode));
        w->installEventFilter(inputMethodGate()); // once per widget: Qt replaces a repeat
        // With Qt::ImEnabled false the front end (fcitx5, IBus) gives the
        // field no focus-in and passes its keys by, half width as typed.
        w->setAttribute(Qt::WA_InputMethodEnabled, mode != TImeMode::imDisable);

        Qt::InputMethodHints hints = w->inputMethodHints();
        hints &= ~(Qt::ImhPreferLatin | Qt::ImhLatinOnly | Qt::ImhPreferNumbers |
                   Qt::ImhHiddenText | Qt::ImhDigitsOnly | Qt::ImhNoPredictiveText);
        switch (mode) {
        case TImeMode::imDisable:
            // Also told to input methods that still look (virtual
            // keyboards): Latin only, and digits only in a date.
            hints |= Qt::ImhLatinOnly | Qt::ImhNoPredictiveText;
            if (spinBox)
                hints |= Qt::ImhDigitsOnly;
            break;
        case TImeMode::imSAlpha:
            hints |= Qt::ImhLatinOnly;
            break;
        case TImeMode::imClose: // direct input: the editor stays closed
        case TImeMode::imAlpha:
            hints |= Qt::ImhPreferLatin;
            break;
        default:
            break;
        }
        w->setInputMethodHints(hints);
        if (w->hasFocus())
            QGuiApplication::inputMethod()->update(Qt::ImEnabled | Qt::ImHints);
    }
}

TImeMode imeModeOf(const QWidget *widget)
{
    const QVariant v = widget->property("ImeMode");
    if (!v.isValid())
        return TImeMode::imDontCare;
    const int m = v.toInt();
    if (m < 0 || m >= kImeModeCount)
        return TImeMode::imDontCare;
    return static_cast<TImeMode>(m);
}
