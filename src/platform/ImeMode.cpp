#include "platform/ImeMode.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QVariant>
#include <QWidget>

void applyImeMode(QWidget *widget, TImeMode mode)
{
    widget->setProperty("ImeMode", static_cast<int>(mode));
    widget->setAttribute(Qt::WA_InputMethodEnabled, mode != TImeMode::imDisable);

    Qt::InputMethodHints hints = widget->inputMethodHints();
    hints &= ~(Qt::ImhPreferLatin | Qt::ImhLatinOnly | Qt::ImhPreferNumbers | Qt::ImhHiddenText);
    switch (mode) {
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
    widget->setInputMethodHints(hints);
    if (widget->hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled | Qt::ImHints);
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
