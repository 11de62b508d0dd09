#pragma once

#include <QList>
#include <QString>

class QWidget;

// Names for assistive technology (screen readers): every control that takes
// input or acts carries a Japanese accessible name taken from its caption and,
// where the field shows a help message when it receives the focus, that
// message as its accessible description.
//
// A new control is named with one call where the window names its controls:
//   nameControl(Edit_RegNo, captionText(label), help::RegNo);
//   nameFromCaption(CheckBox_Recp);            // a check box names itself
//   nameFromCaption(KiNumEdit_QTY[3], qtyCaption, QStringLiteral("3行目 "));
// and operableControls()/unnamedControls() let a test walk any window.

// Sets the accessible name and, when description is not empty, the
// accessible description. An empty description falls back to the control's
// hint (tooltip), so buttons without a help message still explain themselves.
void nameControl(QWidget *control, const QString &name, const QString &description = QString());

// The text a caption widget shows: a label's or caption panel's text, a
// button's or check box's text, a group box's title; mnemonic ampersands
// removed ("はい(&Y)" gives "はい(Y)"), surrounding blanks trimmed.
QString captionText(const QWidget *caption);

// Names control after caption (the control itself when caption is null),
// with prefix in front: nameFromCaption(qty3, panel"数量", "3行目 ") gives
// "3行目 数量".
void nameFromCaption(QWidget *control, const QWidget *caption = nullptr,
                     const QString &prefix = QString(), const QString &description = QString());

// The controls below root that take input or act, as the operator meets
// them with root shown: widgets that accept the focus (by Tab or click) and
// buttons (which act by mouse even without the focus). Parts of a composite
// control (the line edit inside a date picker or an editable combo box,
// popups, scroll bars) are not controls of their own; widgets hidden below
// root are left out, disabled ones are not (they are enabled later).
QList<QWidget *> operableControls(QWidget *root);

// operableControls(root) that have no accessible name.
QList<QWidget *> unnamedControls(QWidget *root);
