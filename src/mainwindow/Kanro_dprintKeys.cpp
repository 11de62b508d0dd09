// Keys and focus: which handler a field's keys go to, the handlers, the
// window's function keys, and what entering and leaving a field does (help
// message, row cursor, recorded row, checks on leaving).
#include "mainwindow/HelpMessages.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/CommandGuard.h"
#include "transfer/TransferPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>

namespace {

const QColor kRowCursorColour(0xA6, 0xCA, 0xF0); // clSkyBlue

void setCellColour(QWidget *w, const QColor &colour)
{
    if (auto *n = qobject_cast<TKiNumEdit *>(w)) {
        n->setColor(colour);
        return;
    }
    QPalette p = w->palette();
    p.setColor(QPalette::Base, colour);
    w->setPalette(p);
}

int trailingNumber(const QString &name)
{
    qsizetype i = name.size();
    while (i > 0 && name.at(i - 1).isDigit())
        --i;
    bool ok = false;
    const int n = name.mid(i).toInt(&ok);
    return ok ? n : 0;
}

} // namespace

// ---------------------------------------------------------------------------
// Event wiring

void TForm_Main::setKeyHandler(QWidget *w, KeyHandler h)
{
    w->setProperty("kanroKeyHandler", static_cast<int>(h));
    w->installEventFilter(this);
    // Composite controls (the date pickers) receive keys in an inner edit.
    for (QLineEdit *inner : w->findChildren<QLineEdit *>()) {
        inner->setProperty("kanroKeyHandler", static_cast<int>(h));
        inner->setProperty("kanroField", QVariant::fromValue(static_cast<QObject *>(w)));
        inner->installEventFilter(this);
    }
}

void TForm_Main::bindHandlers()
{

    // Key handlers of the fields (the window itself runs FormKeyDown too).
    setKeyHandler(Edit_Zip, KeyHandler::Zip);
    for (QWidget *w : {static_cast<QWidget *>(Edit_Custo1), static_cast<QWidget *>(Edit_Add1),
                       static_cast<QWidget *>(Edit_Add2), static_cast<QWidget *>(Edit_Add3),
                       static_cast<QWidget *>(DateTimePicker_1)})
        setKeyHandler(w, KeyHandler::Form);
    setKeyHandler(Edit_tel, KeyHandler::Tel);
    setKeyHandler(KiNumEdit_Slipno, KeyHandler::Slipno);
    for (int i = 1; i <= kRows; ++i) {
        setKeyHandler(Edit_itemNo[i], KeyHandler::ItemNo);
        setKeyHandler(Edit_item[i], KeyHandler::Item);
        setKeyHandler(KiNumEdit_QTY[i], KeyHandler::Form);
        setKeyHandler(Edit_unit[i], KeyHandler::Form);
        setKeyHandler(KiNumEdit_Sales[i], KeyHandler::Form);
        setKeyHandler(KiNumEdit_Price[i], KeyHandler::Form2);
    }
    for (NoteLineEdit *e : Edit_021)
        setKeyHandler(e, KeyHandler::Form);
    for (int i = 1; i <= 9; ++i)
        setKeyHandler(Edit_Remark[i], KeyHandler::RemarkUp);

    // Fields whose entry shows a help message or paints the row cursor.
    for (QWidget *w :
         {static_cast<QWidget *>(KiNumEdit_BUSUU), static_cast<QWidget *>(ComboBox_ime_Itemno),
          static_cast<QWidget *>(ComboBox_ime_Item), static_cast<QWidget *>(ComboBox_ime_Unit),
          static_cast<QWidget *>(ComboBox_Paper), static_cast<QWidget *>(Edit_TxDisp),
          static_cast<QWidget *>(Memo1), static_cast<QWidget *>(Edit_TaxRegNo),
          static_cast<QWidget *>(KiNumEdit_TaxOld), static_cast<QWidget *>(KiNumEdit_TaxNew),
          static_cast<QWidget *>(KiNumEdit_TaxReduced)})
        w->installEventFilter(this);
    // Keys a cell leaves alone (Down in a unit cell, Page Down) would scroll
    // the grid away from the focused cell; they do nothing.
    ScrollBox1->installEventFilter(this);

    // Buttons.
    connect(SpeedButton_F[2], &QToolButton::clicked, this, [this] { SpeedButton_F2Click(); });
    connect(SpeedButton_F[6], &QToolButton::clicked, this, [this] { SpeedButton_F6Click(); });
    connect(SpeedButton_F[10], &QToolButton::clicked, this, [this] { SpeedButton_F10Click(); });
    connect(SpeedButton_F[11], &QToolButton::clicked, this, [this] { SpeedButton_F11Click(); });
    setUpHistoryKey();
    setUpPasteTransferKey();
    setUpSharedStore();
    setUpCustomerRecall();
    connect(BitBtn_CLS, &QPushButton::clicked, this, [this] { BitBtn_CLSClick(); });
    connect(BitBtn_1, &QPushButton::clicked, this, [this] { BitBtn_1Click(); });
    connect(BitBtn_MemoCLS, &QPushButton::clicked, this, [this] { BitBtn_MemoCLSClick(); });
    connect(BitBtn_SendMail, &QPushButton::clicked, this, [this] { BitBtn_SendMailClick(); });
    connect(BitBtn_WebHelp, &QPushButton::clicked, this, [this] { BitBtn_WebHelpClick(); });
    connect(BitBtn_PrnSet, &QPushButton::clicked, this, [this] { BitBtn_PrnSetClick(); });
    connect(BitBtn_PrnSet2, &QPushButton::clicked, this, [this] { BitBtn_PrnSet2Click(); });

    // Changes.
    // A tab change applies the feed's printer registration, which can fail
    // (no printer, a damaged registration); the error report catches it.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (m_shown)
            runGuarded(this, [this] { PageControl1Change(); });
    });
    connect(Edit_Zip, &QLineEdit::textChanged, this, [this] { Edit_ZipChange(); });
    connect(Edit_tel, &QLineEdit::textChanged, this, [this] { Edit_telChange(); });
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { Memo1Change(); });
    connect(DateTimePicker_1, &QDateEdit::dateChanged, this, [this] { DateTimePicker_1Change(); });
    // Only an operator's choice stores the modes; program selections at
    // start-up do not (QComboBox::activated is the operator's signal).
    connect(ComboBox_ime_Itemno, &QComboBox::activated, this, [this] { ComboBox_ime_Change(); });
    connect(SpeedButton_F[8], &QToolButton::clicked, this, [this] { SpeedButton_F8Click(); });
    connect(Edit_TaxRegNo, &QLineEdit::textChanged, this, [this] { Edit_TaxRegNoChange(); });
    for (int i = 1; i <= kRows; ++i) {
        // A click (the operator's toggle) sets the mark like F8 does.
        connect(CheckBox_Reduced[i], &QCheckBox::clicked, this,
                [this, i](bool checked) { setReducedMark(i, checked); });
    }
    // Another slip number is another note: a loaded note's own rates and
    // rounding cease to apply (and apply again when its number comes back).
    connect(KiNumEdit_Slipno, &TKiNumEdit::OnChange, this, [this] {
        if (m_loadedRecord)
            refreshFigures();
    });
    for (int i = 1; i <= kRows; ++i) {
        connect(KiNumEdit_QTY[i], &TKiNumEdit::OnChange, this,
                [this](TKiNumEdit *s) { KiNumEdit_QTYChange(s); });
        connect(KiNumEdit_Price[i], &TKiNumEdit::OnChange, this,
                [this](TKiNumEdit *s) { KiNumEdit_PriceChange(s); });
    }
}

bool TForm_Main::eventFilter(QObject *watched, QEvent *event)
{
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w)
        return QWidget::eventFilter(watched, event);
    if (w == ScrollBox1) {
        // Only the grid's scrolling keys stop here; others (Ctrl+Tab to the
        // next tab) travel on.
        if (event->type() == QEvent::KeyPress) {
            const auto *ke = static_cast<QKeyEvent *>(event);
            const bool scrolling = ke->key() == Qt::Key_Up || ke->key() == Qt::Key_Down ||
                                   ke->key() == Qt::Key_Left || ke->key() == Qt::Key_Right ||
                                   ke->key() == Qt::Key_PageUp || ke->key() == Qt::Key_PageDown;
            if (scrolling && !(ke->modifiers() & Qt::ControlModifier)) {
                event->accept();
                return true;
            }
        }
        return QWidget::eventFilter(watched, event);
    }
    QWidget *field = w;
    if (auto *owner = qobject_cast<QWidget *>(w->property("kanroField").value<QObject *>()))
        field = owner;

    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        // The window losing and regaining activation, or a popup menu,
        // neither enters nor leaves a field; the first activation enters
        // the field that start-up chose.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const bool passing =
            reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
        if (field == this)
            break;
        if (event->type() == QEvent::FocusIn) {
            if (passing && m_enteredField == field)
                break;
            // The focus was moved while the window was inactive (behind a
            // modal box): the field it left never saw its focus go, so it is
            // left now, before the new one is entered.
            if (m_enteredField && m_enteredField != field)
                fieldExited(m_enteredField);
            m_enteredField = field;
            fieldEntered(field);
        } else {
            if (passing)
                break;
            m_enteredField = nullptr;
            fieldExited(field);
        }
        break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto *ke = static_cast<QKeyEvent *>(event);
        // The paste memo keeps Enter and every other key for its text; only
        // the three function keys work there as in every field.
        if (w == Memo1) {
            if (event->type() == QEvent::KeyPress && functionKey(ke->key()))
                return true;
            break;
        }
        // Keys that reach the window from controls without a handler (list
        // boxes, check boxes, buttons) have no meaning.
        KeyHandler h = KeyHandler::None;
        if (const QVariant v = w->property("kanroKeyHandler"); v.isValid())
            h = static_cast<KeyHandler>(v.toInt());
        if (h == KeyHandler::None)
            break;
        const bool release = event->type() == QEvent::KeyRelease;
        const bool isEnter = ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
        if (h == KeyHandler::RemarkUp) {
            // The remark lines act on key release; pressing Enter there only
            // has its character swallowed. A release whose press went to
            // another field (Enter in the shop line above has just moved
            // the focus here) is not a key of this line.
            if (!release) {
                m_remarkPressField = field;
                m_remarkPressKey = ke->key();
                return isEnter;
            }
            if (ke->isAutoRepeat())
                return false;
            if (m_remarkPressField != field || m_remarkPressKey != ke->key())
                return false;
            m_remarkPressField = nullptr;
            return dispatchKey(field, KeyHandler::Form, ke->key());
        }
        if (release)
            break;
        if (ke->key() == Qt::Key_F8 && (h == KeyHandler::ItemNo || h == KeyHandler::Item ||
                                        h == KeyHandler::Form || h == KeyHandler::Form2)) {
            const int row = trailingNumber(field->objectName());
            const bool rowCell = row >= 1 && row <= kRows &&
                                 (field == Edit_itemNo[row] || field == Edit_item[row] ||
                                  field == KiNumEdit_QTY[row] || field == Edit_unit[row] ||
                                  field == KiNumEdit_Price[row] || field == KiNumEdit_Sales[row]);
            if (rowCell) {
                setReducedMark(row, !reducedMarked(row));
                return true;
            }
        }
        const bool handled = dispatchKey(field, h, ke->key());
        // Every field with a key handler also swallows the Enter character.
        return handled || isEnter;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool TForm_Main::dispatchKey(QWidget *w, KeyHandler h, int key)
{
    switch (h) {
    case KeyHandler::Form:
        return FormKeyDown(w, key);
    case KeyHandler::Form2:
        return FormKeyDown2(w, key);
    case KeyHandler::Zip:
        return Edit_ZipKeyDown(w, key);
    case KeyHandler::Tel:
        return Edit_telKeyDown(w, key);
    case KeyHandler::Slipno:
        return KiNumEdit_SlipnoKeyDown(w, key);
    case KeyHandler::ItemNo:
        return Edit_itemNoKeyDown(w, key);
    case KeyHandler::Item:
        return Edit_itemKeyDown(w, key);
    case KeyHandler::RemarkUp:
    case KeyHandler::None:
        break;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Keys

namespace {
bool isEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}
} // namespace

void TForm_Main::moveFocus(bool next)
{
    focusNextPrevChild(next);
}

void TForm_Main::focusCell(QWidget *w)
{
    if (w && w->isEnabled())
        w->setFocus(Qt::OtherFocusReason);
}

int TForm_Main::focusedRow() const
{
    bool ok = false;
    const int r = Label_d_i->text().toInt(&ok);
    return ok ? r : 0;
}

// The window's own key handler: it runs only while no control has the
// focus. Keys that a control leaves alone and that travel up to the window
// keep having no meaning.
void TForm_Main::keyPressEvent(QKeyEvent *event)
{
    QWidget *focus = QApplication::focusWidget();
    if (focus == nullptr || focus == this) {
        const int key = event->key();
        if (FormKeyDown(this, key) || isEnterKey(key)) {
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

// The function keys every dispatcher knows (F2, F7, F11 whatever the state of
// their buttons; F9 while its button is enabled).
bool TForm_Main::functionKey(int Key)
{
    switch (Key) {
    case Qt::Key_F2:
        SpeedButton_F2Click();
        return true;
    case Qt::Key_F7:
        SpeedButton_F7Click();
        return true;
    case Qt::Key_F10:
        SpeedButton_F10Click();
        return true;
    case Qt::Key_F11:
        SpeedButton_F11Click();
        return true;
    case Qt::Key_F9:
        if (SpeedButton_F[9]->isEnabled())
            SpeedButton_F9Click();
        return true;
    default:
        return customerKey(Key);
    }
}

// The skeleton every field's key handler shares: the function keys first,
// then Up, Down and Enter as the field's steps say. A key without a step
// (and any other key) is left to the field; Enter and Return are one key.
bool TForm_Main::keyStep(int Key, const KeySteps &steps)
{
    if (functionKey(Key))
        return true;
    const std::function<void()> *step = nullptr;
    if (Key == Qt::Key_Up)
        step = &steps.up;
    else if (Key == Qt::Key_Down)
        step = &steps.down;
    else if (isEnterKey(Key))
        step = &steps.enter;
    if (step == nullptr || !*step)
        return false;
    (*step)();
    return true;
}

bool TForm_Main::FormKeyDown(QWidget *, int Key)
{
    return keyStep(Key, {.up = [this] { moveFocus(false); }, .enter = [this] { moveFocus(true); }});
}

bool TForm_Main::FormKeyDown2(QWidget *, int Key)
{
    return keyStep(Key, {.up = [this] { moveFocus(false); },
                         .enter =
                             [this] {
                                 // The last usable row's price ends the entry.
                                 if (focusedRow() != wSLPMAX)
                                     moveFocus(true);
                             }});
}

// Up in the postal code, the first field, is left to the field.
bool TForm_Main::Edit_ZipKeyDown(QWidget *, int Key)
{
    return keyStep(Key, {.enter = [this] { moveFocus(true); }});
}

bool TForm_Main::Edit_telKeyDown(QWidget *, int Key)
{
    return keyStep(Key, {.up = [this] { moveFocus(false); },
                         .enter = [this] { focusCell(DateTimePicker_1); }});
}

bool TForm_Main::KiNumEdit_SlipnoKeyDown(QWidget *, int Key)
{
    return keyStep(
        Key, {.up = [this] { moveFocus(false); }, .enter = [this] { focusCell(Edit_itemNo[1]); }});
}

bool TForm_Main::Edit_itemNoKeyDown(QWidget *, int Key)
{
    const int r = focusedRow();
    return keyStep(Key, {.up =
                             [this, r] {
                                 if (r == 1)
                                     focusCell(KiNumEdit_Slipno);
                                 else if (r > 1 && r <= kRows)
                                     focusCell(Edit_item[r - 1]);
                             },
                         .down =
                             [this, r] {
                                 if (r >= 1 && r <= kRows)
                                     focusCell(Edit_item[r]);
                             },
                         .enter = [this] { moveFocus(true); }});
}

bool TForm_Main::Edit_itemKeyDown(QWidget *, int Key)
{
    const int r = focusedRow();
    return keyStep(Key, {.up = [this] { moveFocus(false); },
                         .down =
                             [this, r] {
                                 // Into a disabled row (landscape layout) the focus
                                 // cannot go; the key then does nothing.
                                 if (r >= 1 && r < kRows)
                                     focusCell(Edit_itemNo[r + 1]);
                             },
                         .enter = [this] { moveFocus(true); }});
}

// ---------------------------------------------------------------------------
// Focus: help messages, caret, recorded row, row cursor

void TForm_Main::fieldEntered(QWidget *w)
{
    auto show = [this](const QString &m) { Panel_HelpMess->setText(m); };
    if (w == Edit_Zip)
        show(help::Zip);
    else if (w == Edit_Add1) {
        Edit_Warning();
        show(help::Add1);
    } else if (w == Edit_Add2 || w == Edit_Add3) {
        Edit_Warning();
        show(help::Add23);
    } else if (w == Edit_Custo1)
        show(help::Custo);
    else if (w == Edit_tel)
        show(help::Tel);
    else if (w == DateTimePicker_1) {
        show(help::Date);
        paintCell(w, true);
    } else if (w == KiNumEdit_Slipno) {
        SpeedButton_slipnoClick();
        show(help::Slipno);
        paintCell(w, true);
    } else if (w == KiNumEdit_BUSUU)
        show(help::Busuu);
    else if (w == ComboBox_ime_Itemno || w == ComboBox_ime_Item || w == ComboBox_ime_Unit)
        show(help::Ime);
    else if (w == ComboBox_Paper)
        show(help::Paper);
    else if (w == Edit_TxDisp)
        show(help::TxDisp);
    else if (w == Edit_TaxRegNo) {
        m_acceptedRegNo = Edit_TaxRegNo->text();
        Edit_TaxRegNoChange(); // the help, or the check-digit warning
    } else if (w == KiNumEdit_TaxOld || w == KiNumEdit_TaxNew || w == KiNumEdit_TaxReduced)
        m_rateBeforeEntry = static_cast<TKiNumEdit *>(w)->Text();
    else if (w == Memo1)
        show(TransferPanel::kMemoHelp);
    else if (std::find(Edit_021.begin(), Edit_021.end(), w) != Edit_021.end())
        show(help::Printed);
    else if (std::find(Edit_Remark.begin() + 1, Edit_Remark.end(), w) != Edit_Remark.end())
        show(help::Remark);
    else {
        const QString name = w->objectName();
        const int row = trailingNumber(name);
        const QString *message = nullptr;
        if (row >= 1 && row <= kRows) {
            if (w == Edit_itemNo[row])
                message = &help::ItemNo;
            else if (w == Edit_item[row])
                message = &help::Item;
            else if (w == Edit_unit[row])
                message = &help::Unit;
            else if (w == KiNumEdit_QTY[row])
                message = &help::Qty;
            else if (w == KiNumEdit_Price[row])
                message = &help::Price;
        }
        if (!message)
            return;
        show(*message);
        Label_d_i->setText(QString::number(row));
        d_i = row;
        paintCell(w, true);
        ScrollBox1->ensureWidgetVisible(w, 0, 0);
    }
}

void TForm_Main::fieldExited(QWidget *w)
{
    if (w == DateTimePicker_1 || w == KiNumEdit_Slipno) {
        paintCell(w, false);
        return;
    }
    if (w == Edit_TaxRegNo) {
        Edit_TaxRegNoExit();
        return;
    }
    if (w == Edit_Zip) {
        Edit_ZipExit();
        return;
    }
    if (w == KiNumEdit_TaxOld || w == KiNumEdit_TaxNew || w == KiNumEdit_TaxReduced) {
        rateFieldExited(static_cast<TKiNumEdit *>(w));
        return;
    }
    // A row cell repaints the cell of its column in the recorded row,
    // which is the row being left.
    const int r = focusedRow();
    if (r < 1 || r > kRows)
        return;
    const int row = trailingNumber(w->objectName());
    if (row < 1 || row > kRows)
        return;
    if (w == Edit_itemNo[row])
        paintCell(Edit_itemNo[r], false);
    else if (w == Edit_item[row])
        paintCell(Edit_item[r], false);
    else if (w == Edit_unit[row])
        paintCell(Edit_unit[r], false);
    else if (w == KiNumEdit_QTY[row])
        paintCell(KiNumEdit_QTY[r], false);
    else if (w == KiNumEdit_Price[row])
        paintCell(KiNumEdit_Price[r], false);
}

void TForm_Main::paintCell(QWidget *w, bool cursor)
{
    setCellColour(w, cursor ? kRowCursorColour : QApplication::palette().color(QPalette::Base));
}
