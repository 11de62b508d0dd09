// Input-method modes as Qt's platform input context (the fcitx5 and IBus
// front ends) sees them: it asks the focus object for Qt::ImEnabled and
// Qt::ImHints, so the answers of the widget that really takes the keys (a
// date picker's inner line edit) are what count.
#include "platform/ImeMode.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QInputMethodQueryEvent>
#include <QLineEdit>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

QWidget *keyReceiver(QWidget *w)
{
    return w->focusProxy() ? w->focusProxy() : w;
}

// Whether the input context may compose in the widget that has the focus.
bool imEnabled(QWidget *w)
{
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(keyReceiver(w), &query);
    return query.value(Qt::ImEnabled).toBool();
}

TEST(ImeMode, TheFocusedReceiverAnswersAsTheModeSays)
{
    struct Row
    {
        const char *name;
        std::function<QWidget *()> make;
        TImeMode mode;
        bool enabled;
        Qt::InputMethodHints has;
    };
    const auto lineEdit = [] { return new QLineEdit; };
    const auto dateEdit = [] { return new QDateEdit; };
    const Row rows[] = {
        {"line edit, disabled: off, Latin only", lineEdit, TImeMode::imDisable, false,
         Qt::ImhLatinOnly},
        {"line edit, hiragana: on", lineEdit, TImeMode::imHira, true, Qt::ImhNone},
        {"line edit, half-width alphanumeric: Latin only", lineEdit, TImeMode::imSAlpha, true,
         Qt::ImhLatinOnly},
        {"line edit, closed: prefers Latin", lineEdit, TImeMode::imClose, true, Qt::ImhPreferLatin},
        {"date picker, disabled: its inner edit is off, digits only", dateEdit, TImeMode::imDisable,
         false, Qt::ImhDigitsOnly | Qt::ImhLatinOnly},
        {"date picker back on", dateEdit, TImeMode::imOpen, true, Qt::ImhNone},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        std::unique_ptr<QWidget> w(r.make());
        applyImeMode(w.get(), TImeMode::imDisable); // a previous mode is replaced
        applyImeMode(w.get(), r.mode);
        EXPECT_EQ(imEnabled(w.get()), r.enabled);
        EXPECT_EQ(keyReceiver(w.get())->inputMethodHints() & r.has, r.has);
        EXPECT_EQ(imeModeOf(w.get()), r.mode);
    }
}

} // namespace
