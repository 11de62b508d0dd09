#include "numedit/KiNumEdit.h"

#include "numedit/KiNumEditAccessible.h"
#include "platform/Beep.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

namespace {

// The default size of a new control, in pixels.
constexpr int kDefaultWidth = 121;
constexpr int kDefaultHeight = 20;

Qt::KeyboardModifiers significantModifiers(Qt::KeyboardModifiers modifiers)
{
    return modifiers &
           (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

// The characters a key press types, as the platform's character messages
// deliver them: Ctrl+letter gives the control codes 1 to 26, Backspace 8
// (with Ctrl 127), Enter 13 (with Ctrl 10), Escape 27; Delete, Alt
// combinations and keys without text type nothing.
QString typedChars(const QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = significantModifiers(event->modifiers());
    if (key == Qt::Key_Delete)
        return {};
    if (modifiers & Qt::ControlModifier) {
        if (modifiers & Qt::AltModifier)
            return event->text(); // AltGr characters
        if (key >= Qt::Key_A && key <= Qt::Key_Z)
            return QString(QChar(char16_t(key - Qt::Key_A + 1)));
        if (key == Qt::Key_Backspace)
            return QString(QChar(char16_t(127)));
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return QString(QChar(char16_t(10)));
        return {};
    }
    if (modifiers & Qt::AltModifier)
        return {};
    switch (key) {
    case Qt::Key_Backspace:
        return QString(QChar(char16_t(8)));
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QString(QChar(char16_t(13)));
    case Qt::Key_Escape:
        return QString(QChar(char16_t(27)));
    default:
        break;
    }
    return event->text();
}

bool clipboardHasText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

} // namespace

TKiNumEdit::TKiNumEdit(QWidget *parent) : QWidget(parent)
{
    installKiNumEditAccessibility();
    nowInit_ = true;
    resize(kDefaultWidth, kDefaultHeight);
    setCursor(Qt::IBeamCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    // With AutoSize the height follows the font, also inside a layout.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    color_ = palette().color(QPalette::Active, QPalette::Base);
    disabledColor_ = palette().color(QPalette::Disabled, QPalette::Text);

    model_.setRefreshHandler([this] { refresh(); });
    model_.setBeepHandler([] { systemBeep(); });
    model_.setChangeHandler([this] { emit OnChange(this); });
    model_.setWidthTest([this](const QString &text) { return textWidth(text); },
                        [this] {
                            return ClientRect().width() - leftMargin_ - rightMargin_ -
                                   2 * borderAllowance();
                        });

    measureFont();
    adjustHeight();
    nowInit_ = false;
}

TKiNumEdit::~TKiNumEdit()
{
    // The model's handlers point back here; nothing may call them now.
    model_.setRefreshHandler({});
    model_.setChangeHandler({});
}

int TKiNumEdit::borderWidth() const
{
    if (borderStyle_ == bsNone)
        return 0;
    return ctl3D_ ? 2 : 1;
}

int TKiNumEdit::borderAllowance() const
{
    return borderStyle_ == bsSingle && ctl3D_ ? 2 : 1;
}

QRect TKiNumEdit::ClientRect() const
{
    const int b = borderWidth();
    return rect().adjusted(b, b, -b, -b);
}

int TKiNumEdit::textWidth(const QString &text) const
{
    return QFontMetrics(font()).horizontalAdvance(text);
}

void TKiNumEdit::measureFont()
{
    fontHeight_ = QFontMetrics(font()).size(Qt::TextSingleLine, QStringLiteral("M")).height();
    caretWidth_ = font().bold() ? 2 : 1;
}

void TKiNumEdit::adjustHeight()
{
    updateGeometry(); // a layout asks for the new size hint
    if (!autoSize_)
        return;
    resize(width(), fontHeight_ + topMargin_ + bottomMargin_ + 2 * borderWidth());
}

QPoint TKiNumEdit::TextOrigin() const
{
    const QRect client = ClientRect();
    const int w = textWidth(model_.ValText());
    int x = 0;
    switch (alignment_) {
    case taLeftJustify:
        x = leftMargin_;
        break;
    case taRightJustify:
        x = client.width() - rightMargin_ - w - 1;
        break;
    case taCenter:
        x = (client.width() - leftMargin_ - rightMargin_) / 2 + leftMargin_ - w / 2 - 1;
        break;
    }
    int y = 0;
    switch (vertAlignment_) {
    case taTopJustify:
        y = topMargin_;
        break;
    case taBottomJustify:
        y = client.height() - fontHeight_ - bottomMargin_;
        break;
    case taVCenter:
        y = (client.height() - fontHeight_ - topMargin_ - bottomMargin_) / 2 + topMargin_;
        break;
    }
    return client.topLeft() + QPoint(x, y);
}

QRect TKiNumEdit::CaretRect() const
{
    if (!caretOn_)
        return {};
    const QPoint origin = TextOrigin();
    return QRect(origin.x() + model_.CaretOffset(), origin.y(), caretWidth_, fontHeight_);
}

QSize TKiNumEdit::sizeHint() const
{
    const int h =
        autoSize_ ? fontHeight_ + topMargin_ + bottomMargin_ + 2 * borderWidth() : kDefaultHeight;
    return QSize(kDefaultWidth, h);
}

void TKiNumEdit::refresh()
{
    drawRect_ = QRect(TextOrigin(), QSize(textWidth(model_.ValText()), fontHeight_));
    update();
    positionCaret();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, model_.Text().toDouble());
        QAccessible::updateAccessibility(&event);
    }
}

void TKiNumEdit::positionCaret()
{
    if (!caretOn_)
        return;
    caretVisible_ = true;
    if (caretTimer_)
        killTimer(caretTimer_);
    caretTimer_ = 0;
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0)
        caretTimer_ = startTimer(flash / 2);
    update();
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImFont);
}

void TKiNumEdit::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != caretTimer_) {
        QWidget::timerEvent(event);
        return;
    }
    caretVisible_ = !caretVisible_;
    update(CaretRect());
}

void TKiNumEdit::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect client = ClientRect();

    // Border: a sunken two-pixel edge with the 3-D look, else a plain line.
    const QPalette &pal = palette();
    if (borderStyle_ == bsSingle && ctl3D_) {
        const QRect r = rect();
        p.setPen(pal.color(QPalette::Dark));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        const QRect in = r.adjusted(1, 1, -1, -1);
        p.setPen(pal.color(QPalette::Shadow));
        p.drawLine(in.topLeft(), in.topRight());
        p.drawLine(in.topLeft(), in.bottomLeft());
        p.setPen(pal.color(QPalette::Midlight));
        p.drawLine(in.bottomLeft(), in.bottomRight());
        p.drawLine(in.topRight(), in.bottomRight());
    } else if (borderStyle_ == bsSingle) {
        p.setPen(pal.color(QPalette::WindowText));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

    p.fillRect(client, color_);
    p.setClipRect(client);

    const QString valText = model_.ValText();
    drawRect_ = QRect(TextOrigin(), QSize(textWidth(valText), fontHeight_));

    QColor background = color_;
    QColor foreground = pal.color(QPalette::Active, QPalette::Text);
    if (!isEnabled()) {
        foreground = disabledColor_;
    } else if (model_.HasSelection()) {
        background = pal.color(QPalette::Active, QPalette::Highlight);
        foreground = pal.color(QPalette::Active, QPalette::HighlightedText);
    }
    if (!valText.isEmpty()) {
        // Only the text's own rectangle takes the selection colour.
        p.fillRect(drawRect_, background);
        p.setPen(foreground);
        p.setFont(font());
        p.drawText(drawRect_, Qt::AlignCenter | Qt::TextSingleLine, valText);
    }

    if (!preedit_.isEmpty() && caretOn_) {
        // The input method's composition stands at the caret, underlined,
        // until it is committed.
        const QRect caret = CaretRect();
        QFont underlined = font();
        underlined.setUnderline(true);
        const QRect box(caret.topLeft(), QSize(textWidth(preedit_), fontHeight_));
        p.fillRect(box, color_);
        p.setFont(underlined);
        p.setPen(pal.color(QPalette::Active, QPalette::Text));
        p.drawText(box, Qt::AlignLeft | Qt::TextSingleLine, preedit_);
    }

    if (caretOn_ && caretVisible_ && hasFocus()) {
        // Like the system caret, inverts what lies under it.
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillRect(CaretRect(), Qt::white);
    }
}

void TKiNumEdit::setAlignment(TAlignment value)
{
    if (value == alignment_)
        return;
    alignment_ = value;
    refresh();
}

void TKiNumEdit::setVertAlignment(TVertAlignment value)
{
    if (value == vertAlignment_)
        return;
    vertAlignment_ = value;
    refresh();
}

void TKiNumEdit::setLeftMargin(int value)
{
    if (value < 0 || value == leftMargin_)
        return;
    leftMargin_ = value;
    refresh();
}

void TKiNumEdit::setRightMargin(int value)
{
    if (value < 0 || value == rightMargin_)
        return;
    rightMargin_ = value;
    refresh();
}

void TKiNumEdit::setTopMargin(int value)
{
    if (value < 0 || value == topMargin_)
        return;
    topMargin_ = value;
    adjustHeight();
    refresh();
}

void TKiNumEdit::setBottomMargin(int value)
{
    if (value < 0 || value == bottomMargin_)
        return;
    bottomMargin_ = value;
    adjustHeight();
    refresh();
}

void TKiNumEdit::setAutoSize(bool value)
{
    if (value == autoSize_)
        return;
    autoSize_ = value;
    QSizePolicy policy = sizePolicy();
    policy.setVerticalPolicy(value ? QSizePolicy::Fixed : QSizePolicy::Preferred);
    setSizePolicy(policy);
    adjustHeight();
    refresh();
}

void TKiNumEdit::setBorderStyle(TBorderStyle value)
{
    if (value == borderStyle_)
        return;
    borderStyle_ = value;
    adjustHeight();
    refresh();
}

void TKiNumEdit::setCtl3D(bool value)
{
    if (value == ctl3D_)
        return;
    ctl3D_ = value;
    adjustHeight();
    refresh();
}

void TKiNumEdit::setAutoSelect(bool value)
{
    if (value == autoSelect_)
        return;
    autoSelect_ = value;
    update();
}

void TKiNumEdit::setDisabledColor(const QColor &value)
{
    if (value == disabledColor_)
        return;
    disabledColor_ = value;
    update();
}

void TKiNumEdit::setColor(const QColor &value)
{
    if (value == color_)
        return;
    color_ = value;
    update();
}

void TKiNumEdit::setTabStop(bool value)
{
    setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TKiNumEdit::ClearSelection()
{
    if (model_.HasSelection())
        model_.Clear();
}

void TKiNumEdit::CopyToClipboard()
{
    if (const auto text = model_.ClipboardText())
        QGuiApplication::clipboard()->setText(*text);
}

void TKiNumEdit::CutToClipboard()
{
    const auto text = model_.ClipboardText();
    if (!text)
        return;
    QGuiApplication::clipboard()->setText(*text);
    model_.CutClear();
}

void TKiNumEdit::PasteFromClipboard()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return;
    model_.Paste(data->text());
}

void TKiNumEdit::moveFocus(bool next)
{
    if (!parentWidget())
        return;
    // Posted, like the dialog manager's message: the move happens after the
    // current key has been handled.
    QMetaObject::invokeMethod(
        this, [this, next] { focusNextPrevChild(next); }, Qt::QueuedConnection);
}

bool TKiNumEdit::handleKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool none = modifiers == Qt::NoModifier;
    const bool shiftOnly = modifiers == Qt::ShiftModifier;
    const bool ctrlOnly = modifiers == Qt::ControlModifier;

    if ((key == Qt::Key_Left || key == Qt::Key_Right) && shiftOnly) {
        SelectAll();
        return true;
    }
    if (key == Qt::Key_A && ctrlOnly) {
        SelectAll();
        return true;
    }
    if (key == Qt::Key_C && ctrlOnly) {
        CopyToClipboard();
        return true;
    }
    if (none) {
        switch (key) {
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_End:
        case Qt::Key_Home:
        case Qt::Key_Left:
        case Qt::Key_Right:
            // The caret stays after the number; only the selection goes.
            ClearSelect();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            ClearSelect();
            if (arrowFocusMove_)
                moveFocus(key == Qt::Key_Down);
            return true;
        default:
            break;
        }
    }

    // A read-only control still selects, copies and moves the focus.
    if (model_.ReadOnly())
        return false;

    if (key == Qt::Key_V && ctrlOnly) {
        PasteFromClipboard();
        return true;
    }
    if (key == Qt::Key_X && ctrlOnly) {
        CutToClipboard();
        return true;
    }
    if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && none) {
        model_.DeleteLastChar();
        return true;
    }
    return false;
}

bool TKiNumEdit::handleChar(QChar c)
{
    if (OnKeyPress)
        OnKeyPress(this, c);
    if (model_.InputChar(c, enterFocusMove_) == NumValueModel::CharResult::MoveFocusNext) {
        // Enter in a control without a parent form is left alone.
        if (!parentWidget())
            return false;
        moveFocus(true);
    }
    return true;
}

void TKiNumEdit::keyPressEvent(QKeyEvent *event)
{
    int key = event->key();
    const Qt::KeyboardModifiers modifiers = significantModifiers(event->modifiers());
    if (OnKeyDown)
        OnKeyDown(this, key, modifiers);
    bool consumed = key != 0 && handleKeyDown(key, modifiers);

    const QString chars = typedChars(event);
    for (QChar c : chars)
        consumed = handleChar(c) || consumed;
    event->setAccepted(consumed);
}

void TKiNumEdit::inputMethodEvent(QInputMethodEvent *event)
{
    if (preedit_ != event->preeditString()) {
        preedit_ = event->preeditString();
        update();
    }
    for (QChar c : event->commitString())
        handleChar(MapImeChar(c));
    event->accept();
}

QVariant TKiNumEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled:
        return ImeMode() != imDisable;
    case Qt::ImCursorRectangle: {
        if (caretOn_)
            return CaretRect();
        const QPoint origin = TextOrigin();
        return QRect(origin.x() + model_.CaretOffset(), origin.y(), caretWidth_, fontHeight_);
    }
    case Qt::ImFont:
        return font();
    case Qt::ImHints:
        return int(inputMethodHints());
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition:
        return int(model_.ValText().size());
    case Qt::ImSurroundingText:
        return model_.ValText();
    case Qt::ImCurrentSelection:
        return model_.HasSelection() ? model_.ValText() : QString();
    default:
        return QWidget::inputMethodQuery(query);
    }
}

void TKiNumEdit::focusInEvent(QFocusEvent *event)
{
    caretOn_ = true;
    // Closing a popup menu, or the window becoming active again while the
    // control was the one entered, is no new entry; the first activation is.
    const bool entry = event->reason() != Qt::PopupFocusReason &&
                       !(event->reason() == Qt::ActiveWindowFocusReason && entered_);
    if (entry) {
        entered_ = true;
        if (autoSelect_)
            SelectAll();
    }
    refresh();
    if (entry)
        emit entered(this);
}

void TKiNumEdit::focusOutEvent(QFocusEvent *event)
{
    caretOn_ = false;
    caretVisible_ = false;
    preedit_.clear();
    if (caretTimer_)
        killTimer(caretTimer_);
    caretTimer_ = 0;
    // A popup menu or another window taking the focus is no exit.
    const bool exit =
        event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
    if (exit) {
        entered_ = false;
        model_.Leave();
        if (hideSelection_)
            ClearSelect();
    }
    update();
    if (exit)
        emit exited(this);
}

void TKiNumEdit::mousePressEvent(QMouseEvent *event)
{
    if (!dblClickFlag_ && event->button() == Qt::LeftButton) {
        // Take the focus only while the program owns the active window.
        if (QApplication::activeWindow() && !hasFocus())
            setFocus(Qt::MouseFocusReason);
        ClearSelect();
    }
    event->accept();
    dblClickFlag_ = false;
}

void TKiNumEdit::mouseMoveEvent(QMouseEvent *event)
{
    const int x = event->position().toPoint().x();
    if ((event->buttons() & Qt::LeftButton) && x >= drawRect_.left() &&
        x <= drawRect_.left() + drawRect_.width())
        SelectAll();
    event->accept();
}

void TKiNumEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    SelectAll();
    dblClickFlag_ = true;
    // The button-down that comes with a double click keeps the selection.
    mousePressEvent(event);
}

void TKiNumEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = PopupMenu();
    if (!menu) {
        event->ignore();
        return;
    }
    menu->popup(event->globalPos());
    event->accept();
}

void TKiNumEdit::resizeEvent(QResizeEvent *)
{
    refresh();
}

void TKiNumEdit::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FontChange:
        if (!nowInit_) {
            measureFont();
            adjustHeight();
            refresh();
        }
        break;
    case QEvent::ParentChange:
        measureFont();
        adjustHeight();
        refresh();
        break;
    case QEvent::EnabledChange:
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

bool TKiNumEdit::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        // Keys the control handles itself are not taken by shortcuts.
        auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = significantModifiers(key->modifiers());
        const int k = key->key();
        bool wanted = false;
        if (modifiers == Qt::ControlModifier)
            wanted = k == Qt::Key_A || k == Qt::Key_C || k == Qt::Key_V || k == Qt::Key_X;
        else if (modifiers == Qt::ShiftModifier)
            wanted = k == Qt::Key_Left || k == Qt::Key_Right || !key->text().isEmpty();
        else if (modifiers == Qt::NoModifier)
            wanted = k == Qt::Key_Backspace || k == Qt::Key_Delete || k == Qt::Key_Home ||
                     k == Qt::Key_End || k == Qt::Key_Left || k == Qt::Key_Right ||
                     k == Qt::Key_Up || k == Qt::Key_Down || k == Qt::Key_PageUp ||
                     k == Qt::Key_PageDown ||
                     (!key->text().isEmpty() && key->text().at(0).isPrint());
        if (wanted) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

QMenu *TKiNumEdit::PopupMenu() const
{
    return ownPopup_ ? EditPopup() : popupMenu_.data();
}

void TKiNumEdit::setPopupMenu(QMenu *menu)
{
    ownPopup_ = menu && menu == editPopup_;
    popupMenu_ = ownPopup_ ? nullptr : menu;
}

QMenu *TKiNumEdit::EditPopup() const
{
    if (!editPopup_)
        buildPopup();
    return editPopup_;
}

void TKiNumEdit::buildPopup() const
{
    auto *self = const_cast<TKiNumEdit *>(this);
    editPopup_ = new QMenu(self);
    const QString captions[] = {
        QStringLiteral("元に戻す(&U)"),
        QString(),
        QStringLiteral("切り取り(&T)"),
        QStringLiteral("コピー(&C)"),
        QStringLiteral("貼り付け(&P)"),
        QStringLiteral("削除(&D)"),
        QString(),
        QStringLiteral("すべて選択(&A)"),
    };
    int tag = 0;
    for (const QString &caption : captions) {
        QAction *action =
            caption.isEmpty() ? editPopup_->addSeparator() : editPopup_->addAction(caption);
        action->setData(tag++);
    }
    connect(editPopup_, &QMenu::aboutToShow, self, &TKiNumEdit::enablePopupItems);
    connect(editPopup_, &QMenu::triggered, self, &TKiNumEdit::popupClicked);
}

void TKiNumEdit::enablePopupItems()
{
    if (!hasFocus())
        setFocus(Qt::OtherFocusReason);
    const bool selected = model_.HasSelection();
    const bool writable = !model_.ReadOnly();
    const QList<QAction *> items = editPopup_->actions();
    items[piUndo]->setEnabled(model_.CanUndo() && writable);
    items[piCut]->setEnabled(selected && writable);
    items[piCopy]->setEnabled(selected);
    items[piPaste]->setEnabled(clipboardHasText() && writable);
    items[piDelete]->setEnabled(selected && writable);
    items[piSelectAll]->setEnabled(!selected && !model_.Text().isEmpty());
}

void TKiNumEdit::popupClicked(QAction *action)
{
    switch (action->data().toInt()) {
    case piUndo:
        Undo();
        break;
    case piCut:
        CutToClipboard();
        break;
    case piCopy:
        CopyToClipboard();
        break;
    case piPaste:
        PasteFromClipboard();
        break;
    case piDelete:
        Clear();
        break;
    case piSelectAll:
        SelectAll();
        break;
    default:
        break;
    }
}
