#include "mainwindow/NoteLineEdit.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <algorithm>

NoteLineEdit::NoteLineEdit(QWidget *parent) : QLineEdit(parent) {}

QString NoteLineEdit::oneLine(const QString &text)
{
    const auto isControl = [](QChar c) { return c.unicode() < 0x20; };
    if (std::none_of(text.begin(), text.end(), isControl))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!isControl(c))
            out.append(c);
        else if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            continue; // the line feed that follows stands for the pair
        else if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            out.append(QLatin1Char(' '));
    }
    return out;
}

void NoteLineEdit::setText(const QString &text)
{
    QLineEdit::setText(oneLine(text));
}

template <typename Edit> void NoteLineEdit::limited(Edit edit)
{
    const QString before = text();
    edit();
    const QString after = text();
    if (after == before)
        return;
    // The edit replaced before[p, before.size() - s) by after[p, cursor):
    // the caret stands at the end of what an edit inserts.
    const qsizetype cursor = cursorPosition();
    qsizetype s = 0;
    const qsizetype maxSuffix = std::min(before.size(), after.size() - cursor);
    while (s < maxSuffix && before.at(before.size() - 1 - s) == after.at(after.size() - 1 - s))
        ++s;
    if (s < after.size() - cursor)
        return; // not an insertion before the caret (e.g. a deletion after it)
    qsizetype p = 0;
    const qsizetype maxPrefix = std::min(cursor, before.size() - s);
    while (p < maxPrefix && before.at(p) == after.at(p))
        ++p;
    const QString inserted = after.mid(p, cursor - p);
    QString fit = oneLine(inserted);
    if (m_limit > 0) {
        // An over-long text set by the program may be shortened, never
        // lengthened.
        const qsizetype maxLength = std::max<qsizetype>(m_limit, before.size());
        qsizetype room = std::max<qsizetype>(0, maxLength - (p + s));
        if (fit.size() > room) {
            if (room > 0 && fit.at(room - 1).isHighSurrogate())
                --room; // never half a character
            fit.truncate(room);
        }
    }
    if (fit == inserted)
        return;
    QLineEdit::setText(after.left(p) + fit + after.right(s));
    setCursorPosition(static_cast<int>(p + fit.size()));
}

void NoteLineEdit::keyPressEvent(QKeyEvent *event)
{
    limited([&] { QLineEdit::keyPressEvent(event); });
}

void NoteLineEdit::inputMethodEvent(QInputMethodEvent *event)
{
    m_composing = !event->preeditString().isEmpty();
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
