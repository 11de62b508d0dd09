#include "mainwindow/NoteLineEdit.h"

#include <QContextMenuEvent>
#include <QMenu>

NoteLineEdit::NoteLineEdit(QWidget *parent) : QLineEdit(parent) {}

template <typename Edit> void NoteLineEdit::limited(Edit edit)
{
    const QString before = text();
    const int cursor = cursorPosition();
    edit();
    const qsizetype after = text().size();
    if (m_limit > 0 && after > m_limit && after > before.size()) {
        setText(before);
        setCursorPosition(cursor);
    }
}

void NoteLineEdit::keyPressEvent(QKeyEvent *event)
{
    limited([&] { QLineEdit::keyPressEvent(event); });
}

void NoteLineEdit::inputMethodEvent(QInputMethodEvent *event)
{
    limited([&] { QLineEdit::inputMethodEvent(event); });
}

void NoteLineEdit::dropEvent(QDropEvent *event)
{
    limited([&] { QLineEdit::dropEvent(event); });
}

void NoteLineEdit::contextMenuEvent(QContextMenuEvent *event)
{
    // The standard menu's paste runs inside exec().
    limited([&] {
        QMenu *menu = createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->exec(event->globalPos());
    });
}

void NoteLineEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (m_caretToEnd) {
        deselect();
        setCursorPosition(text().size());
    }
}
