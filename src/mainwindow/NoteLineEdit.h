#pragma once

#include <QLineEdit>

// A single-line text field of the note. Its character limit (counted in
// UTF-16 code units) restricts only what the operator types, pastes, drops
// or composes: text set by the program, such as restored settings or the
// transfer's results, is never cut. An over-long text can still be
// shortened by the operator, just not lengthened.
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

protected:
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // Runs an operator's edit and takes it back if it made the text longer
    // than the limit allows.
    template <typename Edit> void limited(Edit edit);

    int m_limit = 0;
    bool m_caretToEnd = false;
};
