#pragma once

// TKiNumEdit: the single-line numeric input control used for every quantity,
// price, amount, total, rate, slip number, copy count and offset. It draws
// its own text and caret and takes input one keystroke at a time at the end
// of the number; the value logic lives in NumValueModel.

#include "numedit/NumValueModel.h"
#include "platform/ImeMode.h"

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

class QMenu;
class QAction;

class TKiNumEdit : public QWidget
{
    Q_OBJECT

public:
    enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
    enum TVertAlignment { taTopJustify = 0, taBottomJustify = 1, taVCenter = 2 };
    enum TBorderStyle { bsNone = 0, bsSingle = 1 };
    // Input-method modes, shared with every entry field of the program.
    using TImeMode = ::TImeMode;
    using enum ::TImeMode;

    // Positions (and tags) of the built-in popup menu's items.
    enum PopupItem {
        piUndo = 0,
        piSeparator1 = 1,
        piCut = 2,
        piCopy = 3,
        piPaste = 4,
        piDelete = 5,
        piSeparator2 = 6,
        piSelectAll = 7,
    };

    explicit TKiNumEdit(QWidget *parent = nullptr);
    ~TKiNumEdit() override;

    // Value text: optional "-", digits, at most one "." and digits. Setting it
    // filters and trims the text, never refuses it for width, and raises no
    // OnChange.
    QString Text() const { return model_.Text(); }
    void setText(const QString &text) { model_.setText(text); }
    // Display text: separators, padded decimals and marks.
    QString ValText() const { return model_.ValText(); }

    int IntegerLength() const { return model_.IntegerLength(); }
    void setIntegerLength(int value) { model_.setIntegerLength(value); }
    int DecimalLength() const { return model_.DecimalLength(); }
    void setDecimalLength(int value) { model_.setDecimalLength(value); }
    bool Minus() const { return model_.Minus(); }
    void setMinus(bool value) { model_.setMinus(value); }
    bool Comma() const { return model_.Comma(); }
    void setComma(bool value) { model_.setComma(value); }
    bool DecimalFixed() const { return model_.DecimalFixed(); }
    void setDecimalFixed(bool value) { model_.setDecimalFixed(value); }
    QString LeftMark() const { return model_.LeftMark(); }
    void setLeftMark(const QString &value) { model_.setLeftMark(value); }
    QString RightMark() const { return model_.RightMark(); }
    void setRightMark(const QString &value) { model_.setRightMark(value); }
    bool ErrorBeep() const { return model_.ErrorBeep(); }
    void setErrorBeep(bool value) { model_.setErrorBeep(value); }
    bool ReadOnly() const { return model_.ReadOnly(); }
    void setReadOnly(bool value) { model_.setReadOnly(value); }
    bool ImageCopy() const { return model_.ImageCopy(); }
    void setImageCopy(bool value) { model_.setImageCopy(value); }

    TAlignment Alignment() const { return alignment_; }
    void setAlignment(TAlignment value);
    TVertAlignment VertAlignment() const { return vertAlignment_; }
    void setVertAlignment(TVertAlignment value);
    int TopMargin() const { return topMargin_; }
    void setTopMargin(int value);
    int LeftMargin() const { return leftMargin_; }
    void setLeftMargin(int value);
    int BottomMargin() const { return bottomMargin_; }
    void setBottomMargin(int value);
    int RightMargin() const { return rightMargin_; }
    void setRightMargin(int value);
    bool AutoSelect() const { return autoSelect_; }
    void setAutoSelect(bool value);
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void setBorderStyle(TBorderStyle value);
    // 3-D look: a single border is drawn as a sunken two-pixel edge.
    bool Ctl3D() const { return ctl3D_; }
    void setCtl3D(bool value);
    QColor DisabledColor() const { return disabledColor_; }
    void setDisabledColor(const QColor &value);
    QColor Color() const { return color_; }
    void setColor(const QColor &value);
    bool HideSelection() const { return hideSelection_; }
    void setHideSelection(bool value) { hideSelection_ = value; }
    bool EnterFocusMove() const { return enterFocusMove_; }
    void setEnterFocusMove(bool value) { enterFocusMove_ = value; }
    bool ArrowFocusMove() const { return arrowFocusMove_; }
    void setArrowFocusMove(bool value) { arrowFocusMove_ = value; }
    // imDisable switches input methods off for the control; the other modes
    // switch them on (the mode is kept as set).
    TImeMode ImeMode() const { return imeModeOf(this); }
    void setImeMode(TImeMode mode) { applyImeMode(this, mode); }
    // Tab stop: whether Tab and the focus-moving keys stop at the control.
    bool TabStop() const { return focusPolicy() == Qt::StrongFocus; }
    void setTabStop(bool value);

    bool Modified() const { return model_.Modified(); }
    void setModified(bool value) { model_.setModified(value); }
    bool CanUndo() const { return model_.CanUndo(); }
    int SelStart() const { return model_.SelStart(); }
    int SelLength() const { return model_.SelLength(); }

    void Clear() { model_.Clear(); }
    void Undo() { model_.Undo(); }
    void ClearUndo() { model_.ClearUndo(); }
    void SelectAll() { model_.SelectAll(); }
    void ClearSelect() { model_.ClearSelect(); }
    void ClearSelection();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();

    // The popup menu a right click opens: the built-in EditPopup unless
    // another menu was assigned. The built-in menu is made when it is first
    // asked for: a window holds dozens of these controls, and few of their
    // menus are ever opened.
    QMenu *PopupMenu() const;
    void setPopupMenu(QMenu *menu);
    QMenu *EditPopup() const;

    // Owner's key handlers, run before the control's own work. OnKeyDown may
    // set the key to 0 to skip the control's key-down handling (the typed
    // character still arrives); OnKeyPress may replace the character, also by
    // QChar() (no character, which the control refuses with a beep).
    std::function<void(TKiNumEdit *sender, int &key, Qt::KeyboardModifiers shift)> OnKeyDown;
    std::function<void(TKiNumEdit *sender, QChar &key)> OnKeyPress;

    // Geometry as last computed: the text's rectangle from the last paint
    // and the caret (empty while the control has no focus), both in widget
    // coordinates; the height of "M"; the caret width (2 for bold fonts).
    QRect DrawRect() const { return drawRect_; }
    QRect CaretRect() const;
    int FontHeight() const { return fontHeight_; }
    int CaretWidth() const { return caretWidth_; }
    // The client area inside the border.
    QRect ClientRect() const;
    // Where the display text starts, from the placement tables.
    QPoint TextOrigin() const;

    QSize sizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    // The operator changed the value (typing, deleting, the sign, cut, paste,
    // undo); never raised for values the program sets.
    void OnChange(TKiNumEdit *sender);
    // Focus entered and left the control, after the control's own work.
    void entered(TKiNumEdit *sender);
    void exited(TKiNumEdit *sender);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    bool event(QEvent *event) override;

private:
    int borderWidth() const;
    int borderAllowance() const;
    int textWidth(const QString &text) const;
    void measureFont();
    void adjustHeight();
    void refresh();
    void positionCaret();
    bool handleKeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool handleChar(QChar c); // false: the character was left alone
    void moveFocus(bool next);
    void buildPopup() const;
    void enablePopupItems();
    void popupClicked(QAction *action);

    NumValueModel model_;
    TAlignment alignment_ = taRightJustify;
    TVertAlignment vertAlignment_ = taVCenter;
    int topMargin_ = 2;
    int leftMargin_ = 2;
    int bottomMargin_ = 2;
    int rightMargin_ = 2;
    bool autoSelect_ = true;
    bool autoSize_ = true;
    TBorderStyle borderStyle_ = bsSingle;
    bool ctl3D_ = true;
    QColor disabledColor_;
    QColor color_;
    bool hideSelection_ = true;
    bool enterFocusMove_ = false;
    bool arrowFocusMove_ = false;

    bool nowInit_ = true;
    int fontHeight_ = 0;
    int caretWidth_ = 1;
    bool dblClickFlag_ = false;
    bool entered_ = false; // between entering and leaving the control
    QRect drawRect_;
    bool caretOn_ = false;      // the caret exists (focus)
    bool caretVisible_ = false; // blink phase
    int caretTimer_ = 0;
    QString preedit_; // input-method composition not yet committed
    mutable QMenu *editPopup_ = nullptr;
    QPointer<QMenu> popupMenu_;
    bool ownPopup_ = true; // PopupMenu is EditPopup
};
