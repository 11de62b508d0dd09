#include "numedit/KiNumEdit.h"
#include "platform/Beep.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGridLayout>
#include <QImage>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

// Lets failures print QString values as text.
void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

QString clipboardText()
{
    return QGuiApplication::clipboard()->text();
}

void setClipboard(const QString &text)
{
    if (text.isNull())
        QGuiApplication::clipboard()->clear();
    else
        QGuiApplication::clipboard()->setText(text);
}

// Three controls side by side in an active window; beeps are counted.
class KiNumEditTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(420, 60);
        for (int i = 0; i < 3; ++i) {
            edits[i] = new TKiNumEdit(window.get());
            edits[i]->move(5 + 135 * i, 10);
        }
        a = edits[0];
        b = edits[1];
        c = edits[2];
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        setClipboard(QString());
    }

    // Focus as the operator's click gives it: nothing selected.
    void clickInto(TKiNumEdit *edit)
    {
        QTest::mouseClick(edit, Qt::LeftButton, {}, edit->rect().center());
        ASSERT_TRUE(edit->hasFocus());
    }

    void rightClick(TKiNumEdit *edit)
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, edit->rect().center(),
                                edit->mapToGlobal(edit->rect().center()));
        QApplication::sendEvent(edit, &event);
    }

    BeepCounter beeps;
    std::unique_ptr<QWidget> window;
    TKiNumEdit *edits[3] = {};
    TKiNumEdit *a = nullptr;
    TKiNumEdit *b = nullptr;
    TKiNumEdit *c = nullptr;
};

struct KeyRow
{
    const char *name;
    bool readOnly;
    QString start;
    bool selected;
    QString clipboardBefore;
    std::function<void(TKiNumEdit *)> keys;
    QString text;
    bool selectedAfter;
    int beeps;
    QString clipboardAfter;
};

std::function<void(TKiNumEdit *)> key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    return [k, m](TKiNumEdit *e) { QTest::keyClick(e, k, m); };
}

std::function<void(TKiNumEdit *)> typed(const char *text)
{
    return [text](TKiNumEdit *e) { QTest::keyClicks(e, QString::fromLatin1(text)); };
}

} // namespace

TEST_F(KiNumEditTest, KeyboardAndCharacterTables)
{
    const auto navigation = [](TKiNumEdit *e) {
        for (Qt::Key k : {Qt::Key_Home, Qt::Key_End, Qt::Key_Left, Qt::Key_Right, Qt::Key_PageUp,
                          Qt::Key_PageDown, Qt::Key_Up, Qt::Key_Down})
            QTest::keyClick(e, k);
    };
    const std::vector<KeyRow> rows = {
        {"digits, point and sign at the end", false, "", false, "", typed("12.5-"), "-12.5", false,
         0, ""},
        {"Shift+Left selects all", false, "12", false, "", key(Qt::Key_Left, Qt::ShiftModifier),
         "12", true, 0, ""},
        {"Shift+Right selects all", false, "12", false, "", key(Qt::Key_Right, Qt::ShiftModifier),
         "12", true, 0, ""},
        {"Ctrl+A selects all", false, "12", false, "", key(Qt::Key_A, Qt::ControlModifier), "12",
         true, 0, ""},
        {"Ctrl+Shift+A is no select-all; its character is swallowed", false, "12", false, "",
         key(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier), "12", false, 0, ""},
        {"Ctrl+B types a control character that beeps", false, "12", false, "",
         key(Qt::Key_B, Qt::ControlModifier), "12", false, 1, ""},
        {"navigation keys only drop the selection", false, "12", true, "", navigation, "12", false,
         0, ""},
        {"Backspace drops the point with the last digit", false, "12.5", false, "",
         key(Qt::Key_Backspace), "12", false, 0, ""},
        {"Delete works like Backspace", false, "12.5", false, "", key(Qt::Key_Delete), "12", false,
         0, ""},
        {"Backspace over a selection clears", false, "12", true, "", key(Qt::Key_Backspace), "",
         false, 0, ""},
        {"typing over a selection replaces", false, "12", true, "", typed("7"), "7", false, 0, ""},
        {"Ctrl+C copies the selection", false, "1234", true, "",
         key(Qt::Key_C, Qt::ControlModifier), "1234", true, 0, "1234"},
        {"Ctrl+C without selection copies nothing", false, "1234", false, "x",
         key(Qt::Key_C, Qt::ControlModifier), "1234", false, 0, "x"},
        {"Ctrl+X cuts", false, "1234", true, "", key(Qt::Key_X, Qt::ControlModifier), "", false, 0,
         "1234"},
        {"Ctrl+V appends", false, "12", false, "34", key(Qt::Key_V, Qt::ControlModifier), "1234",
         false, 0, "34"},
        {"Ctrl+V replaces a selection", false, "12", true, "34",
         key(Qt::Key_V, Qt::ControlModifier), "34", false, 0, "34"},
        {"Enter beeps without EnterFocusMove", false, "12", false, "", key(Qt::Key_Return), "12",
         false, 1, ""},
        {"Escape beeps", false, "12", false, "", key(Qt::Key_Escape), "12", false, 1, ""},
        {"Ctrl+Backspace deletes nothing; its character beeps", false, "12", false, "",
         key(Qt::Key_Backspace, Qt::ControlModifier), "12", false, 1, ""},
        {"Ctrl+Enter types a line feed that beeps, even with EnterFocusMove", false, "12", false,
         "",
         [](TKiNumEdit *e) {
             e->setEnterFocusMove(true);
             QTest::keyClick(e, Qt::Key_Return, Qt::ControlModifier);
             e->setEnterFocusMove(false);
         },
         "12", false, 1, ""},
        {"letters and space beep", false, "12", false, "", typed("a b"), "12", false, 3, ""},
        {"Alt+digit types nothing", false, "12", false, "", key(Qt::Key_3, Qt::AltModifier), "12",
         false, 0, ""},
        {"read-only: Ctrl+C copies", true, "1234", true, "", key(Qt::Key_C, Qt::ControlModifier),
         "1234", true, 0, "1234"},
        {"read-only: Shift+Left selects", true, "12", false, "",
         key(Qt::Key_Left, Qt::ShiftModifier), "12", true, 0, ""},
        {"read-only: navigation drops the selection", true, "12", true, "", navigation, "12", false,
         0, ""},
        {"read-only: Ctrl+V does nothing", true, "12", false, "34",
         key(Qt::Key_V, Qt::ControlModifier), "12", false, 0, "34"},
        {"read-only: Ctrl+X does nothing", true, "12", true, "",
         key(Qt::Key_X, Qt::ControlModifier), "12", true, 0, ""},
        {"read-only: Backspace and Delete do nothing", true, "12", false, "",
         [](TKiNumEdit *e) {
             QTest::keyClick(e, Qt::Key_Backspace);
             QTest::keyClick(e, Qt::Key_Delete);
         },
         "12", false, 0, ""},
        {"read-only: characters are swallowed silently", true, "12", false, "", typed("3.-a\r"),
         "12", false, 0, ""},
    };
    for (const KeyRow &row : rows) {
        SCOPED_TRACE(row.name);
        clickInto(a);
        a->setReadOnly(false);
        a->setText(row.start);
        if (row.selected)
            a->SelectAll();
        else
            a->ClearSelect();
        a->setReadOnly(row.readOnly);
        setClipboard(row.clipboardBefore.isEmpty() ? QString() : row.clipboardBefore);
        beeps.reset();

        row.keys(a);

        EXPECT_EQ(a->Text(), row.text);
        EXPECT_EQ(a->SelLength() > 0, row.selectedAfter);
        EXPECT_EQ(beeps.count(), row.beeps);
        EXPECT_EQ(clipboardText(), row.clipboardAfter);
        EXPECT_TRUE(a->hasFocus());
    }
}

TEST_F(KiNumEditTest, OwnerKeyHandlersRunFirst)
{
    clickInto(a);
    a->setText("12");
    // Clearing the key skips the control's key-down work.
    a->OnKeyDown = [](TKiNumEdit *, int &k, Qt::KeyboardModifiers) {
        if (k == Qt::Key_Delete)
            k = 0;
    };
    QTest::keyClick(a, Qt::Key_Delete);
    EXPECT_EQ(a->Text(), "12");

    // Replacing the character: 1 becomes 9, Enter becomes no character.
    a->OnKeyPress = [](TKiNumEdit *, QChar &ch) {
        if (ch == QLatin1Char('1'))
            ch = QLatin1Char('9');
        if (ch.unicode() == 13)
            ch = QChar();
    };
    QTest::keyClicks(a, "1");
    EXPECT_EQ(a->Text(), "129");
    beeps.reset();
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_EQ(beeps.count(), 1); // the null character beeps like any other
    a->setErrorBeep(false);
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_EQ(beeps.count(), 1);
}

TEST_F(KiNumEditTest, KeysWithoutMeaningReachTheWindow)
{
    clickInto(a);
    QKeyEvent f11(QEvent::KeyPress, Qt::Key_F11, Qt::NoModifier);
    QApplication::sendEvent(a, &f11);
    EXPECT_FALSE(f11.isAccepted());
    QKeyEvent digit(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, "5");
    QApplication::sendEvent(a, &digit);
    EXPECT_TRUE(digit.isAccepted());
}

TEST_F(KiNumEditTest, EntryByTabSelectsAndEntryByClickAppends)
{
    b->setText("5");
    c->setText("5");
    clickInto(a);
    QTest::keyClick(a, Qt::Key_Tab);
    ASSERT_TRUE(b->hasFocus());
    EXPECT_EQ(b->SelLength(), 1);
    QTest::keyClicks(b, "7");
    EXPECT_EQ(b->Text(), "7");

    clickInto(c);
    EXPECT_EQ(c->SelLength(), 0);
    QTest::keyClicks(c, "7");
    EXPECT_EQ(c->Text(), "57");

    // Leaving with HideSelection drops the selection; without, it stays.
    c->SelectAll();
    b->setHideSelection(false);
    QTest::keyClick(c, Qt::Key_Backtab);
    ASSERT_TRUE(b->hasFocus());
    EXPECT_EQ(c->SelLength(), 0);
    EXPECT_EQ(b->SelLength(), 1);
    QTest::keyClick(b, Qt::Key_Tab);
    EXPECT_EQ(b->SelLength(), 1);

    // Without AutoSelect, Tab entry selects nothing.
    a->setText("3");
    a->setAutoSelect(false);
    QTest::keyClick(c, Qt::Key_Tab); // wraps round to a
    ASSERT_TRUE(a->hasFocus());
    EXPECT_EQ(a->SelLength(), 0);
}

TEST_F(KiNumEditTest, EnterAndLeaveSignalsAndLoneMinus)
{
    clickInto(b);
    QSignalSpy entered(a, &TKiNumEdit::entered);
    QSignalSpy exited(a, &TKiNumEdit::exited);
    QSignalSpy changes(a, &TKiNumEdit::OnChange);
    clickInto(a);
    EXPECT_EQ(entered.count(), 1);
    QTest::keyClicks(a, "-");
    EXPECT_EQ(changes.count(), 1);
    QTest::keyClick(a, Qt::Key_Tab);
    EXPECT_EQ(exited.count(), 1);
    EXPECT_EQ(a->Text(), "");
    EXPECT_EQ(changes.count(), 1); // the clean-up raises no change

    clickInto(a);
    QTest::keyClicks(a, "-0");
    QTest::keyClick(a, Qt::Key_Tab);
    EXPECT_EQ(a->Text(), "-0");
    ASSERT_EQ(changes.count(), 3);
    EXPECT_EQ(changes.at(0).at(0).value<TKiNumEdit *>(), a);
}

TEST_F(KiNumEditTest, ReactivatingTheWindowIsNoNewEntry)
{
    clickInto(a);
    QSignalSpy entered(a, &TKiNumEdit::entered);
    QSignalSpy exited(a, &TKiNumEdit::exited);
    QTest::keyClicks(a, "-");
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(a->hasFocus());
    EXPECT_TRUE(a->CaretRect().isNull());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_TRUE(a->hasFocus());
    EXPECT_EQ(entered.count(), 0);
    EXPECT_EQ(exited.count(), 0);
    EXPECT_EQ(a->SelLength(), 0); // no AutoSelect
    EXPECT_EQ(a->Text(), "-");    // no lone-minus clean-up either
}

TEST_F(KiNumEditTest, UndoTwiceThroughThePopupMenu)
{
    a->setText("5");
    clickInto(a);
    a->SelectAll();
    QTest::keyClicks(a, "7");
    QMenu *menu = a->EditPopup();
    QAction *undo = menu->actions().at(TKiNumEdit::piUndo);
    undo->trigger();
    EXPECT_EQ(a->Text(), "");
    undo->trigger();
    EXPECT_EQ(a->Text(), "7");
    EXPECT_EQ(a->SelLength(), 1);
}

TEST_F(KiNumEditTest, ImageCopyPutsTheDisplayText)
{
    a->setText("1234");
    a->setRightMark("%");
    a->SelectAll();
    a->CopyToClipboard();
    EXPECT_EQ(clipboardText(), "1234");
    a->setImageCopy(true);
    a->CopyToClipboard();
    EXPECT_EQ(clipboardText(), "1,234%");
    QSignalSpy changes(a, &TKiNumEdit::OnChange);
    a->CutToClipboard();
    EXPECT_EQ(clipboardText(), "1,234%");
    EXPECT_EQ(a->Text(), "");
    EXPECT_EQ(changes.count(), 1);
    EXPECT_FALSE(a->Modified());
}

TEST_F(KiNumEditTest, PasteWithoutTextDoesNothing)
{
    a->setText("12");
    auto *image = new QMimeData;
    image->setImageData(QImage(2, 2, QImage::Format_RGB32));
    QGuiApplication::clipboard()->setMimeData(image);
    QSignalSpy changes(a, &TKiNumEdit::OnChange);
    a->PasteFromClipboard();
    EXPECT_EQ(a->Text(), "12");
    EXPECT_EQ(changes.count(), 0);
    EXPECT_FALSE(a->CanUndo());
}

// The right-click menu: the field's own until another is assigned, none
// when none is, and the own again when it is assigned back; the own menu
// is made only when first asked for.
TEST_F(KiNumEditTest, PopupMenuAssignment)
{
    auto other = std::make_unique<QMenu>();
    struct Row
    {
        const char *name;
        std::function<void(TKiNumEdit *)> assign;
        bool expectOwn;
        bool expectOther;
    };
    const std::vector<Row> rows = {
        {"fresh field", [](TKiNumEdit *) {}, true, false},
        {"another menu", [&](TKiNumEdit *e) { e->setPopupMenu(other.get()); }, false, true},
        {"no menu", [](TKiNumEdit *e) { e->setPopupMenu(nullptr); }, false, false},
        {"the own menu back", [](TKiNumEdit *e) { e->setPopupMenu(e->EditPopup()); }, true, false},
    };
    for (const Row &r : rows) {
        TKiNumEdit field;
        EXPECT_TRUE(field.findChildren<QMenu *>().isEmpty()) << r.name;
        r.assign(&field);
        QMenu *expected = r.expectOwn ? field.EditPopup() : r.expectOther ? other.get() : nullptr;
        EXPECT_EQ(field.PopupMenu(), expected) << r.name;
    }
    // An assigned menu that is destroyed leaves the field without one.
    TKiNumEdit field;
    field.setPopupMenu(other.get());
    other.reset();
    EXPECT_EQ(field.PopupMenu(), nullptr);
}

TEST_F(KiNumEditTest, PopupMenuItemsAndEnabling)
{
    QMenu *menu = a->EditPopup();
    ASSERT_EQ(a->PopupMenu(), menu);
    const QList<QAction *> items = menu->actions();
    ASSERT_EQ(items.size(), 8);
    const QStringList captions = {"元に戻す(&U)", "", "切り取り(&T)",  "コピー(&C)", "貼り付け(&P)",
                                  "削除(&D)",     "", "すべて選択(&A)"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(items[i]->data().toInt(), i);
        EXPECT_EQ(items[i]->isSeparator(), captions[i].isEmpty()) << i;
        if (!captions[i].isEmpty()) {
            EXPECT_EQ(items[i]->text(), captions[i]);
        }
    }

    struct Row
    {
        const char *name;
        std::function<void(TKiNumEdit *)> setup;
        QString clipboard;
        // undo, cut, copy, paste, delete, select all
        std::vector<bool> enabled;
    };
    const std::vector<Row> rows = {
        {"fresh empty field", [](TKiNumEdit *) {}, "9", {false, false, false, true, false, false}},
        {"empty clipboard", [](TKiNumEdit *) {}, "", {false, false, false, false, false, false}},
        {"typed value, nothing selected",
         [](TKiNumEdit *e) { QTest::keyClicks(e, "12"); },
         "",
         {true, false, false, false, false, true}},
        {"selected value",
         [](TKiNumEdit *e) {
             e->setText("12");
             e->SelectAll();
         },
         "9",
         {false, true, true, true, true, false}},
        {"read-only selected value after an edit",
         [](TKiNumEdit *e) {
             QTest::keyClicks(e, "12");
             e->SelectAll();
             e->setReadOnly(true);
         },
         "9",
         {false, false, true, false, false, false}},
        {"read-only unselected value",
         [](TKiNumEdit *e) {
             e->setText("12");
             e->setReadOnly(true);
         },
         "9",
         {false, false, false, false, false, true}},
    };
    const int checked[] = {TKiNumEdit::piUndo,  TKiNumEdit::piCut,    TKiNumEdit::piCopy,
                           TKiNumEdit::piPaste, TKiNumEdit::piDelete, TKiNumEdit::piSelectAll};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        auto *edit = new TKiNumEdit(window.get());
        edit->move(5, 35);
        edit->show();
        clickInto(edit);
        row.setup(edit);
        setClipboard(row.clipboard.isEmpty() ? QString() : row.clipboard);
        rightClick(edit);
        QMenu *popup = edit->EditPopup();
        EXPECT_TRUE(popup->isVisible());
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(popup->actions().at(checked[i])->isEnabled(), row.enabled[i]) << checked[i];
        popup->hide();
        delete edit;
    }
}

TEST_F(KiNumEditTest, OpeningThePopupTakesTheFocusAndItemsAct)
{
    b->setText("1234");
    clickInto(a);
    QMenu *menu = b->EditPopup();
    QSignalSpy changes(b, &TKiNumEdit::OnChange);
    // Each step opens the menu again, so its items are enabled afresh.
    const auto choose = [&](int item) {
        rightClick(b);
        EXPECT_TRUE(menu->isVisible());
        menu->actions().at(item)->trigger();
        menu->hide();
    };
    rightClick(b);
    EXPECT_TRUE(b->hasFocus());
    // Entering selected everything; the menu does not count as leaving.
    EXPECT_EQ(b->SelLength(), 5);
    menu->hide();

    choose(TKiNumEdit::piCopy);
    EXPECT_EQ(clipboardText(), "1234");
    choose(TKiNumEdit::piDelete);
    EXPECT_EQ(b->Text(), "");
    EXPECT_EQ(changes.count(), 0); // delete clears without a change event
    choose(TKiNumEdit::piPaste);
    EXPECT_EQ(b->Text(), "1234");
    EXPECT_EQ(changes.count(), 1);
    choose(TKiNumEdit::piSelectAll);
    EXPECT_EQ(b->SelLength(), 5);
    choose(TKiNumEdit::piCut);
    EXPECT_EQ(b->Text(), "");
    EXPECT_EQ(changes.count(), 2);
    choose(TKiNumEdit::piUndo);
    EXPECT_EQ(b->Text(), "1234");
    EXPECT_EQ(changes.count(), 3);
    // Disabled items do nothing: with the whole text selected, select-all
    // is off, and a read-only field keeps its value.
    b->setReadOnly(true);
    choose(TKiNumEdit::piDelete);
    EXPECT_EQ(b->Text(), "1234");
}

TEST_F(KiNumEditTest, EnterAndArrowFocusMove)
{
    for (TKiNumEdit *e : edits) {
        e->setEnterFocusMove(true);
        e->setArrowFocusMove(true);
    }
    clickInto(a);
    QTest::keyClick(a, Qt::Key_Return);
    QTRY_VERIFY(b->hasFocus());
    QTest::keyClick(b, Qt::Key_Enter);
    QTRY_VERIFY(c->hasFocus());
    QTest::keyClick(c, Qt::Key_Up);
    QTRY_VERIFY(b->hasFocus());
    QTest::keyClick(b, Qt::Key_Up);
    QTRY_VERIFY(a->hasFocus());
    QTest::keyClick(a, Qt::Key_Down);
    QTRY_VERIFY(b->hasFocus());
    EXPECT_EQ(beeps.count(), 0);

    // Switched off: Enter beeps, the arrows stay put.
    b->setEnterFocusMove(false);
    b->setArrowFocusMove(false);
    QTest::keyClick(b, Qt::Key_Return);
    QTest::keyClick(b, Qt::Key_Down);
    QTest::keyClick(b, Qt::Key_Up);
    QCoreApplication::processEvents();
    EXPECT_TRUE(b->hasFocus());
    EXPECT_EQ(beeps.count(), 1);

    // A read-only field still moves with the arrows.
    b->setReadOnly(true);
    b->setArrowFocusMove(true);
    QTest::keyClick(b, Qt::Key_Down);
    QTRY_VERIFY(c->hasFocus());
}

TEST_F(KiNumEditTest, EnterInAControlWithoutParentIsLeftAlone)
{
    TKiNumEdit lone;
    lone.setEnterFocusMove(true);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(&lone, &enter);
    EXPECT_FALSE(enter.isAccepted());
    EXPECT_EQ(beeps.count(), 0);
}

TEST_F(KiNumEditTest, CaretAfterTypedFractionInDecimalFixedField)
{
    a->setDecimalFixed(true);
    a->setLeftMark("$");
    clickInto(a);
    const QFontMetrics fm(a->font());
    // Empty value shows $0.000; the caret stands after "$0".
    EXPECT_EQ(a->ValText(), "$0.000");
    EXPECT_EQ(a->CaretRect().left(), a->DrawRect().left() + fm.horizontalAdvance("$0"));

    QTest::keyClicks(a, "12.5");
    EXPECT_EQ(a->ValText(), "$12.500");
    const QRect caret = a->CaretRect();
    EXPECT_EQ(caret.left(),
              a->DrawRect().left() + fm.horizontalAdvance("$12") + fm.horizontalAdvance(".5"));
    EXPECT_LT(caret.left(),
              a->DrawRect().left() + a->DrawRect().width() - fm.horizontalAdvance("0"));
    EXPECT_EQ(caret.top(), a->DrawRect().top());
    EXPECT_EQ(caret.height(), a->FontHeight());
    EXPECT_EQ(a->inputMethodQuery(Qt::ImCursorRectangle).toRect(), caret);

    // Without DecimalFixed the caret stands before the right mark.
    b->setRightMark("%");
    clickInto(b);
    QTest::keyClicks(b, "12");
    EXPECT_EQ(b->CaretRect().left(), b->DrawRect().left() + fm.horizontalAdvance("12"));

    // The caret exists only while the control has the focus.
    EXPECT_TRUE(a->CaretRect().isNull());
}

TEST_F(KiNumEditTest, TextPlacement)
{
    // A borderless 121 x 40 field: the client area is the whole widget.
    a->setText("1234");
    a->setAutoSize(false);
    a->setBorderStyle(TKiNumEdit::bsNone);
    a->resize(121, 40);
    a->setLeftMargin(5);
    a->setRightMargin(4);
    a->setBottomMargin(3);
    const int w = QFontMetrics(a->font()).horizontalAdvance("1,234");
    const int fh = a->FontHeight();
    struct Row
    {
        const char *name;
        TKiNumEdit::TAlignment align;
        TKiNumEdit::TVertAlignment valign;
        int x, y;
    };
    const std::vector<Row> rows = {
        {"right, centred", TKiNumEdit::taRightJustify, TKiNumEdit::taVCenter, 121 - 4 - w - 1,
         (40 - fh - 2 - 3) / 2 + 2},
        {"left, top", TKiNumEdit::taLeftJustify, TKiNumEdit::taTopJustify, 5, 2},
        {"centre, bottom", TKiNumEdit::taCenter, TKiNumEdit::taBottomJustify,
         (121 - 5 - 4) / 2 + 5 - w / 2 - 1, 40 - fh - 3},
    };
    for (const Row &row : rows) {
        a->setAlignment(row.align);
        a->setVertAlignment(row.valign);
        EXPECT_EQ(a->TextOrigin(), QPoint(row.x, row.y)) << row.name;
        a->update();
        QApplication::processEvents();
        EXPECT_EQ(a->DrawRect(), QRect(row.x, row.y, w, fh)) << row.name;
    }
}

TEST_F(KiNumEditTest, NarrowFieldRefusesWithBeepButProgramTextIsKept)
{
    a->resize(40, a->height());
    clickInto(a);
    QTest::keyClicks(a, "123456789");
    EXPECT_LT(a->Text().size(), 9);
    EXPECT_GE(a->Text().size(), 1);
    EXPECT_EQ(beeps.count(), 9 - a->Text().size());
    // What was accepted fits inside the margins and the border.
    EXPECT_LE(QFontMetrics(a->font()).horizontalAdvance(a->ValText()),
              a->ClientRect().width() - a->LeftMargin() - a->RightMargin() - 4);

    beeps.reset();
    a->setText("123456789");
    EXPECT_EQ(a->Text(), "123456789");
    a->SelectAll();
    setClipboard("987654321");
    QTest::keyClick(a, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(a->Text(), "987654321");
    EXPECT_EQ(beeps.count(), 0);
}

TEST_F(KiNumEditTest, FifteenDigitAmounts)
{
    a->setIntegerLength(15);
    a->resize(200, a->height());
    a->setText("123456789012345");
    EXPECT_EQ(a->ValText(), "123,456,789,012,345");
    a->setText("");
    clickInto(a);
    QTest::keyClicks(a, "1234567890123456");
    EXPECT_EQ(a->Text(), "123456789012345");
    EXPECT_EQ(beeps.count(), 1);
}

TEST_F(KiNumEditTest, MetricsHeightAndCaretWidth)
{
    const QFontMetrics fm(a->font());
    EXPECT_EQ(a->FontHeight(), fm.height());
    EXPECT_EQ(a->width(), 121);
    // AutoSize: client height = "M" height + top and bottom margins.
    EXPECT_EQ(a->ClientRect().height(), a->FontHeight() + 4);
    a->setTopMargin(5);
    EXPECT_EQ(a->ClientRect().height(), a->FontHeight() + 7);
    a->setTopMargin(-1); // ignored
    EXPECT_EQ(a->TopMargin(), 5);
    a->setBorderStyle(TKiNumEdit::bsNone);
    EXPECT_EQ(a->height(), a->FontHeight() + 7);

    QFont big = a->font();
    big.setPixelSize(30);
    big.setBold(true);
    a->setFont(big);
    EXPECT_EQ(a->FontHeight(), QFontMetrics(big).height());
    EXPECT_EQ(a->height(), a->FontHeight() + 7);
    EXPECT_EQ(a->CaretWidth(), 2);
    clickInto(a);
    EXPECT_EQ(a->CaretRect().width(), 2);

    b->setAutoSize(false);
    b->resize(121, 50);
    b->setBottomMargin(9);
    EXPECT_EQ(b->height(), 50);
}

TEST(KiNumEditDefaults, FreshControl)
{
    // Callers rely on these (the offset fields take them unchanged).
    TKiNumEdit e;
    EXPECT_EQ(e.Text(), "");
    EXPECT_EQ(e.ValText(), "");
    EXPECT_EQ(e.IntegerLength(), 9);
    EXPECT_EQ(e.DecimalLength(), 3);
    EXPECT_TRUE(e.Minus());
    EXPECT_TRUE(e.Comma());
    EXPECT_FALSE(e.DecimalFixed());
    EXPECT_TRUE(e.ErrorBeep());
    EXPECT_FALSE(e.ReadOnly());
    EXPECT_EQ(e.Alignment(), TKiNumEdit::taRightJustify);
    EXPECT_EQ(e.VertAlignment(), TKiNumEdit::taVCenter);
    EXPECT_EQ(QList<int>({e.TopMargin(), e.LeftMargin(), e.BottomMargin(), e.RightMargin()}),
              QList<int>({2, 2, 2, 2}));
    EXPECT_TRUE(e.AutoSelect());
    EXPECT_TRUE(e.AutoSize());
    EXPECT_EQ(e.BorderStyle(), TKiNumEdit::bsSingle);
    EXPECT_TRUE(e.HideSelection());
    EXPECT_FALSE(e.ImageCopy());
    EXPECT_FALSE(e.EnterFocusMove());
    EXPECT_FALSE(e.ArrowFocusMove());
    EXPECT_TRUE(e.TabStop());
    EXPECT_EQ(e.ImeMode(), TKiNumEdit::imDontCare);
    EXPECT_FALSE(e.CanUndo());
    EXPECT_FALSE(e.Modified());
    EXPECT_EQ(e.width(), 121);
    EXPECT_EQ(e.cursor().shape(), Qt::IBeamCursor);
}

TEST_F(KiNumEditTest, AutoSizeHeightHoldsInsideALayout)
{
    // A tall window whose layout would stretch a field of free height.
    QWidget tall;
    tall.resize(200, 300);
    auto *layout = new QVBoxLayout(&tall);
    auto *edit = new TKiNumEdit(&tall);
    layout->addWidget(edit);
    tall.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tall));
    EXPECT_EQ(edit->ClientRect().height(), edit->FontHeight() + 4);

    edit->setTopMargin(6);
    QApplication::processEvents(); // the layout runs later
    EXPECT_EQ(edit->ClientRect().height(), edit->FontHeight() + 8);

    // Without AutoSize the layout decides.
    edit->setAutoSize(false);
    QApplication::processEvents();
    EXPECT_GT(edit->ClientRect().height(), 200);
}

TEST_F(KiNumEditTest, InputMethodCharacters)
{
    clickInto(a);
    // A composition not yet committed changes nothing.
    QInputMethodEvent composing(QStringLiteral("１"), {});
    QApplication::sendEvent(a, &composing);
    EXPECT_EQ(a->Text(), "");
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("－１２．５"));
    QApplication::sendEvent(a, &commit);
    EXPECT_EQ(a->Text(), "-12.5");
    EXPECT_EQ(beeps.count(), 0);

    QInputMethodEvent comma;
    comma.setCommitString(QStringLiteral("，"));
    QApplication::sendEvent(a, &comma);
    EXPECT_EQ(beeps.count(), 1);
    EXPECT_EQ(a->Text(), "-12.5");

    EXPECT_TRUE(a->inputMethodQuery(Qt::ImEnabled).toBool());
    a->setImeMode(TKiNumEdit::imDisable);
    EXPECT_FALSE(a->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_FALSE(a->inputMethodQuery(Qt::ImEnabled).toBool());
    a->setImeMode(TKiNumEdit::imHira);
    EXPECT_TRUE(a->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_EQ(a->ImeMode(), TKiNumEdit::imHira);
}

TEST_F(KiNumEditTest, MouseClickDragAndDoubleClick)
{
    a->setText("1234");
    clickInto(a);
    EXPECT_EQ(a->SelLength(), 0);

    const QRect text = a->DrawRect();
    // A drag that starts left of the text selects nothing until it reaches it.
    QTest::mousePress(a, Qt::LeftButton, {}, QPoint(1, text.center().y()));
    QMouseEvent outside(QEvent::MouseMove, QPointF(text.left() - 2, 2),
                        a->mapToGlobal(QPointF(text.left() - 2, 2)), Qt::NoButton, Qt::LeftButton,
                        Qt::NoModifier);
    QApplication::sendEvent(a, &outside);
    EXPECT_EQ(a->SelLength(), 0);
    // y is not looked at.
    QMouseEvent over(QEvent::MouseMove, QPointF(text.left(), 0),
                     a->mapToGlobal(QPointF(text.left(), 0)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(a, &over);
    EXPECT_EQ(a->SelLength(), 5);
    QTest::mouseRelease(a, Qt::LeftButton, {}, text.center());

    QTest::mouseClick(a, Qt::LeftButton, {}, text.center());
    EXPECT_EQ(a->SelLength(), 0);
    QTest::mouseDClick(a, Qt::LeftButton, {}, text.center());
    EXPECT_EQ(a->SelLength(), 5);
    // The next click is a new button-down and drops the selection.
    QTest::mouseClick(a, Qt::LeftButton, {}, text.center());
    EXPECT_EQ(a->SelLength(), 0);

    // Through the window system a double click arrives as press, release,
    // press, double click, release; the selection survives the second press.
    const QPoint inWindow = a->mapTo(window.get(), text.center());
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, inWindow);
    EXPECT_EQ(a->SelLength(), 5);
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, inWindow, 1000);
    EXPECT_EQ(a->SelLength(), 0);
}

TEST_F(KiNumEditTest, SelectionColourOnlyBehindTheText)
{
    a->setText("88");
    a->setColor(QColor(0xA6, 0xCA, 0xF0));
    a->SelectAll();
    const QColor highlight = a->palette().color(QPalette::Active, QPalette::Highlight);
    QImage image = a->grab().toImage();
    const QRect text = a->DrawRect();
    EXPECT_EQ(image.pixelColor(text.topLeft()), highlight);
    EXPECT_EQ(image.pixelColor(a->ClientRect().topLeft()), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(image.pixelColor(text.left() - 2, text.top()), QColor(0xA6, 0xCA, 0xF0));

    // Disabled: no selection colour, text in DisabledColor.
    a->setDisabledColor(Qt::red);
    a->setEnabled(false);
    image = a->grab().toImage();
    EXPECT_EQ(image.pixelColor(text.topLeft()), QColor(0xA6, 0xCA, 0xF0));
    bool red = false;
    for (int y = text.top(); y <= text.bottom(); ++y)
        for (int x = text.left(); x <= text.right(); ++x)
            red = red || image.pixelColor(x, y) == QColor(Qt::red);
    EXPECT_TRUE(red);
}

// A window with differently configured fields. With KANRO_SCREENSHOT=<file>
// it saves a picture of itself there; for a real X screen:
//   KANRO_SCREENSHOT=/tmp/numedit.png QT_QPA_PLATFORM=xcb xvfb-run -a
//     build/test/tests/numedit/numedit_KiNumEdit_widget_test
//     --gtest_filter='KiNumEditWindow*'
TEST(KiNumEditWindow, ShowsDifferentlyConfiguredFields)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("TKiNumEdit"));
    auto *grid = new QGridLayout(&window);
    struct Field
    {
        const char *label;
        std::function<void(TKiNumEdit *)> configure;
        QString display;
    };
    const std::vector<Field> fields = {
        {"数量 (default)", [](TKiNumEdit *e) { e->setText("1234.5"); }, "1,234.5"},
        {"金額 (15 digits)",
         [](TKiNumEdit *e) {
             e->setIntegerLength(15);
             e->setText("123456789012345");
             e->setMinimumWidth(200);
         },
         "123,456,789,012,345"},
        {"新税率 (RightMark %)",
         [](TKiNumEdit *e) {
             e->setRightMark("%");
             e->setText("8");
         },
         "8%"},
        {"DecimalFixed, $ mark",
         [](TKiNumEdit *e) {
             e->setDecimalFixed(true);
             e->setDecimalLength(2);
             e->setLeftMark("$");
             e->setText("-12.5");
         },
         "$-12.50"},
        {"left aligned, no comma",
         [](TKiNumEdit *e) {
             e->setAlignment(TKiNumEdit::taLeftJustify);
             e->setComma(false);
             e->setText("98765");
         },
         "98765"},
        {"selected, sky blue",
         [](TKiNumEdit *e) {
             e->setColor(QColor(0xA6, 0xCA, 0xF0));
             e->setText("500");
             e->SelectAll();
             e->setHideSelection(false);
         },
         "500"},
        {"disabled",
         [](TKiNumEdit *e) {
             e->setText("42");
             e->setEnabled(false);
         },
         "42"},
        {"bold, no border",
         [](TKiNumEdit *e) {
             QFont f = e->font();
             f.setBold(true);
             e->setFont(f);
             e->setBorderStyle(TKiNumEdit::bsNone);
             e->setText("7");
         },
         "7"},
    };
    std::vector<TKiNumEdit *> edits;
    int row = 0;
    for (const Field &field : fields) {
        auto *edit = new TKiNumEdit(&window);
        field.configure(edit);
        grid->addWidget(new QLabel(QString::fromUtf8(field.label), &window), row, 0);
        grid->addWidget(edit, row, 1);
        edits.push_back(edit);
        EXPECT_EQ(edit->ValText(), field.display) << field.label;
        ++row;
    }
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    (void)QTest::qWaitForWindowActive(&window); // a bare X server may refuse
    edits[0]->setFocus();
    QApplication::processEvents();
    for (TKiNumEdit *edit : edits)
        EXPECT_TRUE(window.rect().contains(edit->geometry())) << edit->ValText().toStdString();

    if (const QByteArray path = qgetenv("KANRO_SCREENSHOT"); !path.isEmpty()) {
        EXPECT_TRUE(window.grab().save(QString::fromLocal8Bit(path), "PNG"));
    }
}
