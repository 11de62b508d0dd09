#include "platform/Dialogs.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <deque>
#include <memory>

namespace {

struct TestState
{
    bool on = false;
    std::deque<bool> answers;
    QList<Dialogs::ShownBox> shown;
};

// Boxes being shown, and whether the program has asked them all to go.
struct RunState
{
    QList<QPointer<QMessageBox>> open;
    bool dismissing = false;
};

RunState &runState()
{
    static RunState state;
    return state;
}

// Runs a box modally unless the program is ending; the box can then be
// closed from outside by dismissAll().
void runBox(QMessageBox *box)
{
    RunState &state = runState();
    if (state.dismissing)
        return;
    state.open.append(box);
    box->exec();
    state.open.removeAll(box);
}

// The program's boxes run on the user-interface thread only.
TestState &testState()
{
    static TestState state;
    return state;
}

QMessageBox *createBox(QWidget *parent, const QString &text, QMessageBox::Icon icon)
{
    auto *box = new QMessageBox(parent);
    box->setIcon(icon);
    box->setWindowTitle(Dialogs::applicationTitle());
    box->setText(text);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

QMessageBox *createOkBox(QWidget *parent, const QString &text, QMessageBox::Icon icon)
{
    QMessageBox *box = createBox(parent, text, icon);
    QPushButton *ok = box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box->setDefaultButton(ok);
    box->setEscapeButton(ok);
    return box;
}

void recordOrShow(Dialogs::BoxKind kind, QWidget *parent, const QString &text)
{
    TestState &state = testState();
    if (state.on) {
        state.shown.append(Dialogs::ShownBox{kind, text, false, false});
        return;
    }
    std::unique_ptr<QMessageBox> box(kind == Dialogs::BoxKind::Error
                                         ? Dialogs::createErrorBox(parent, text)
                                         : Dialogs::createNoticeBox(parent, text));
    runBox(box.get());
}

} // namespace

namespace Dialogs {

QString applicationTitle()
{
    return QStringLiteral("◇Kanro_VEY_1");
}

QMessageBox *createQuestionBox(QWidget *parent, const QString &text, bool defaultYes)
{
    QMessageBox *box = createBox(parent, text, QMessageBox::NoIcon);
    QPushButton *yes = box->addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton *no = box->addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box->setDefaultButton(defaultYes ? yes : no);
    box->setEscapeButton(no);
    return box;
}

QMessageBox *createNoticeBox(QWidget *parent, const QString &text)
{
    return createOkBox(parent, text, QMessageBox::NoIcon);
}

QMessageBox *createErrorBox(QWidget *parent, const QString &text)
{
    return createOkBox(parent, text, QMessageBox::Critical);
}

bool askYesNo(QWidget *parent, const QString &text, bool defaultYes)
{
    TestState &state = testState();
    if (state.on) {
        bool answer = defaultYes;
        if (!state.answers.empty()) {
            answer = state.answers.front();
            state.answers.pop_front();
        }
        state.shown.append(ShownBox{BoxKind::Question, text, defaultYes, answer});
        return answer;
    }
    std::unique_ptr<QMessageBox> box(createQuestionBox(parent, text, defaultYes));
    runBox(box.get());
    // The escape button (No) counts as clicked when the box is closed.
    QAbstractButton *clicked = box->clickedButton();
    return clicked && box->buttonRole(clicked) == QMessageBox::YesRole;
}

void notify(QWidget *parent, const QString &text)
{
    recordOrShow(BoxKind::Notice, parent, text);
}

void showError(QWidget *parent, const QString &text)
{
    recordOrShow(BoxKind::Error, parent, text);
}

void dismissAll()
{
    RunState &state = runState();
    state.dismissing = true;
    for (const QPointer<QMessageBox> &box : std::as_const(state.open)) {
        if (box)
            box->reject();
    }
}

bool dismissing()
{
    return runState().dismissing;
}

void setTestMode(bool on)
{
    testState().on = on;
}

bool isTestMode()
{
    return testState().on;
}

void pushAnswer(bool yes)
{
    testState().answers.push_back(yes);
}

int pendingAnswers()
{
    return static_cast<int>(testState().answers.size());
}

QStringList shownTexts()
{
    QStringList texts;
    for (const ShownBox &box : testState().shown)
        texts.append(box.text);
    return texts;
}

QList<ShownBox> shownBoxes()
{
    return testState().shown;
}

void resetForTest()
{
    testState() = TestState{};
    runState().dismissing = false;
}

} // namespace Dialogs
