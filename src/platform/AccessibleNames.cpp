#include "platform/AccessibleNames.h"

#include "platform/AccessibleComboBox.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>
#include <QWidget>

namespace {

// "はい(&Y)" -> "はい(Y)", "A&&B" -> "A&B".
QString withoutMnemonics(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        out.append(text.at(i));
    }
    return out;
}

// A widget that is a working part of another control below root: the line
// edit of a date picker or an editable combo box, a focus proxy, the
// viewport of a scroll area.
bool isPartOfComposite(const QWidget *w, const QWidget *root)
{
    if (qobject_cast<const QScrollBar *>(w))
        return true;
    for (const QWidget *p = w->parentWidget(); p && p != root; p = p->parentWidget()) {
        if (qobject_cast<const QAbstractSpinBox *>(p) || qobject_cast<const QComboBox *>(p))
            return true;
        if (p->focusProxy() == w)
            return true;
    }
    if (const auto *area = qobject_cast<const QAbstractScrollArea *>(w->parentWidget()))
        return area->viewport() == w;
    return false;
}

} // namespace

void nameControl(QWidget *control, const QString &name, const QString &description)
{
    installAccessibleComboBox(); // lists then read their names, not their entries
    control->setAccessibleName(name);
    const QString d = description.isEmpty() ? control->toolTip() : description;
    if (!d.isEmpty())
        control->setAccessibleDescription(d);
}

QString captionText(const QWidget *caption)
{
    QString text;
    if (const auto *l = qobject_cast<const QLabel *>(caption))
        text = l->text();
    else if (const auto *b = qobject_cast<const QAbstractButton *>(caption))
        text = b->text();
    else if (const auto *g = qobject_cast<const QGroupBox *>(caption))
        text = g->title();
    return withoutMnemonics(text).trimmed();
}

void nameFromCaption(QWidget *control, const QWidget *caption, const QString &prefix,
                     const QString &description)
{
    nameControl(control, prefix + captionText(caption ? caption : control), description);
}

QList<QWidget *> operableControls(QWidget *root)
{
    QList<QWidget *> out;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (w->isWindow() || !w->isVisibleTo(root) || isPartOfComposite(w, root))
            continue;
        if (w->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractButton *>(w))
            out.append(w);
    }
    return out;
}

QList<QWidget *> unnamedControls(QWidget *root)
{
    QList<QWidget *> out;
    for (QWidget *w : operableControls(root))
        if (w->accessibleName().trimmed().isEmpty())
            out.append(w);
    return out;
}
