#pragma once

#include <QLineEdit>

// A single-line text field of the note. Its character limit (counted in
// UTF-16 code units) restricts only what the operator types, pastes, drops
// or composes: text set by the program, such as restored settings or the
// transfer's results, is never cut. An over-long text can still be
// shortened by the operator, just not lengthened. What an edit inserts
// beyond the limit is cut to what fits, as in an edit control: 20 digits
// pasted into an empty field of 16 leave the first 16.
//
// The field holds one line: control characters never enter it, whether
// pasted, dropped, composed or set by the program (see oneLine()).
class NoteLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit NoteLineEdit(QWidget *parent = nullptr);

    // 0 means no limit.
    void setTypingLimit(int limit) { m_limit = limit > 0 ? limit : 0; }
    int typingLimit() const { return m_limit; }

    // Whether entering the field puts the caret at the end of its text
    // (instead of selecting everything, as Qt does on Tab).
    void setCaretToEndOnEnter(bool on) { m_caretToEnd = on; }

    // Whether the input method is composing (text not yet committed) here.
    bool composing() const { return m_composing; }

    // Sets the text as oneLine() leaves it; never cut to the limit.
    void setText(const QString &text);

    // Empties the field and forgets its undo history. QLineEdit::clear()
    // records the removal as one more undoable step, so a field the program
    // clears after every note would keep every keystroke of the day.
    void clear() { setText(QString()); }

    // A text as a one-line field takes it: a tab, a line feed, a carriage
    // return or a CR LF pair becomes one blank; every other character below
    // U+0020 (NUL among them) is dropped. "a\tb\r\nc\0d" gives "a b cd".
    static QString oneLine(const QString &text);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // Runs an operator's edit; what it inserted is made one line and cut to
    // the room the limit leaves.
    template <typename Edit> void limited(Edit edit);

    int m_limit = 0;
    bool m_caretToEnd = false;
    bool m_composing = false;
};
