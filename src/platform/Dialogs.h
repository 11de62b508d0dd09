#pragma once

// Message boxes of the program: modal boxes captioned with the application
// title. Questions carry the buttons "はい(&Y)" and "いいえ(&N)", notices
// the button "OK", both without an icon; the general error report is the
// same box with an error icon.
//
// Test seam: in test mode no box is ever shown. Each call records its text
// (shownTexts(), shownBoxes()) and a question takes the next scripted answer
// (pushAnswer()); with no answer queued it takes its default button, as if
// the operator had pressed Enter. resetForTest() clears everything and
// leaves test mode.

#include <QList>
#include <QString>
#include <QStringList>

class QMessageBox;
class QWidget;

namespace Dialogs {

// "◇Kanro_VEY_1"
QString applicationTitle();

// Asks a question; true for "はい(&Y)". Closing the box or pressing Escape
// answers "いいえ(&N)". defaultYes chooses the button that Enter presses.
bool askYesNo(QWidget *parent, const QString &text, bool defaultYes = true);

// Shows a notice and returns when it is dismissed.
void notify(QWidget *parent, const QString &text);

// The general error report: an error's text, button "OK".
void showError(QWidget *parent, const QString &text);

// The program is ending (a termination signal, the end of the session):
// every box that is open closes as if Escape had been pressed, and every
// later box returns at once without showing (a question answers "いいえ(&N)"),
// so that nothing waits for an operator who is no longer there.
void dismissAll();
bool dismissing();

// The boxes themselves, built but not shown (askYesNo, notify and
// showError run them with exec()). The caller owns the box.
QMessageBox *createQuestionBox(QWidget *parent, const QString &text, bool defaultYes);
QMessageBox *createNoticeBox(QWidget *parent, const QString &text);
QMessageBox *createErrorBox(QWidget *parent, const QString &text);

// ---- test seam ----
enum class BoxKind { Question, Notice, Error };

struct ShownBox
{
    BoxKind kind;
    QString text;
    bool defaultYes; // questions only; false for notices and errors
    bool answer;     // the answer a question returned; false otherwise

    friend bool operator==(const ShownBox &, const ShownBox &) = default;
};

void setTestMode(bool on);
bool isTestMode();
// Queues the answer of the next question (true = "はい(&Y)").
void pushAnswer(bool yes);
// Answers queued but not yet taken.
int pendingAnswers();
// Texts of every box "shown" in test mode, in order, whatever its kind.
QStringList shownTexts();
QList<ShownBox> shownBoxes();
// Leaves test mode and forgets the queue and the record.
void resetForTest();

} // namespace Dialogs
