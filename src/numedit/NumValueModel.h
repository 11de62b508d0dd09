#pragma once

// The value model of the numeric edit control: the value text the program
// reads and writes (optional "-", digits, at most one "." and digits), the
// display text drawn from it (separators, padded decimals, marks), and the
// edit operations that keystrokes, menu commands and the clipboard apply to
// the value. Typing always acts at the end of the number; the selection is
// all or nothing. No widgets here: the control supplies width measurement,
// the beep and repainting through callbacks.

#include <QChar>
#include <QString>
#include <functional>
#include <optional>

// What shapes a value and its display.
struct NumFormat
{
    int IntegerLength = 9;     // most digits before the point
    int DecimalLength = 3;     // most digits after the point; 0: whole numbers only
    bool Minus = true;         // a negative sign may be entered
    bool Comma = true;         // group the integer digits by three with ","
    bool DecimalFixed = false; // always show exactly DecimalLength decimals
    QString LeftMark;          // shown in front of a non-empty number
    QString RightMark;         // shown after a non-empty number
};

// Value text to display text. With Comma on and DecimalLength 3:
// "-1234567.5" shows "-1,234,567.5", with DecimalFixed "-1,234,567.500";
// "" shows "" (no marks) but "0.000" with DecimalFixed; "-" with RightMark
// "%" shows "-%".
QString FormatText(const QString &value, const NumFormat &format);

// Any text to a value text: full-width digits, "－" and "．" read as ASCII,
// "," skipped, cut at the first character that breaks the rules, then the
// length limits ("1,234" -> "1234", "12a3" -> "12", "12.34567" -> "12.345",
// "1234567890" -> "123456789", "1234567890.5" -> "" with 9 integer digits).
// Leading zeros stay.
QString FilterText(const QString &text, const NumFormat &format);

// Leading zeros of the integer part removed: "007" -> "7", "00" -> "0",
// "000.5" -> "0.5", "." -> "0.", "-." -> "-0.", "-007" -> "-7".
QString TrimZeros(const QString &value);

// A character committed by an input method, as the control reads it:
// full-width digits, hyphen-minus and full stop become their ASCII forms;
// everything else (the full-width comma too) passes unchanged.
QChar MapImeChar(QChar c);

// The display text in front of the caret, in two pieces whose widths add up
// to the caret offset. With DecimalFixed off, lead is the display of the
// value without the right mark and fraction is empty. With DecimalFixed on,
// lead is the display of the integer part alone ("0" for an empty integer
// part, "-0" for a lone sign, marks in front) and fraction is the typed
// fraction with its point, so "12.5" shown as "12.500" puts the caret after
// "12.5".
struct CaretPieces
{
    QString lead;
    QString fraction;
};
CaretPieces CaretTexts(const QString &value, const NumFormat &format);

class NumValueModel
{
public:
    using Measure = std::function<int(const QString &)>;

    NumValueModel();

    // Raised for the operator's changes of the value (the OnChange table).
    void setChangeHandler(std::function<void()> handler) { onChange_ = std::move(handler); }
    // Refused input; called only while ErrorBeep is on.
    void setBeepHandler(std::function<void()> handler) { onBeep_ = std::move(handler); }
    // The display or the selection changed: repaint and reposition the caret.
    void setRefreshHandler(std::function<void()> handler) { onRefresh_ = std::move(handler); }
    // Width test: measure gives the pixel width of a display text, available
    // the width the text may take. Without a measure every value fits.
    void setWidthTest(Measure measure, std::function<int()> available);

    const NumFormat &format() const { return format_; }

    QString Text() const { return text_; }
    void setText(const QString &text);
    QString ValText() const { return valText_; }

    int IntegerLength() const { return format_.IntegerLength; }
    void setIntegerLength(int value);
    int DecimalLength() const { return format_.DecimalLength; }
    void setDecimalLength(int value);
    bool Minus() const { return format_.Minus; }
    void setMinus(bool value);
    bool Comma() const { return format_.Comma; }
    void setComma(bool value);
    bool DecimalFixed() const { return format_.DecimalFixed; }
    void setDecimalFixed(bool value);
    QString LeftMark() const { return format_.LeftMark; }
    void setLeftMark(const QString &value);
    QString RightMark() const { return format_.RightMark; }
    void setRightMark(const QString &value);
    bool ErrorBeep() const { return errorBeep_; }
    void setErrorBeep(bool value) { errorBeep_ = value; }
    bool ReadOnly() const { return readOnly_; }
    void setReadOnly(bool value) { readOnly_ = value; }
    bool ImageCopy() const { return imageCopy_; }
    void setImageCopy(bool value) { imageCopy_ = value; }

    bool Modified() const { return modified_; }
    void setModified(bool value) { modified_ = value; }
    bool CanUndo() const { return canUndo_; }
    QString UndoBuffer() const { return undoBuffer_; }

    // All or nothing: SelStart is always 0, SelLength 0 or the display length.
    bool HasSelection() const { return selected_ && !valText_.isEmpty(); }
    int SelStart() const { return 0; }
    int SelLength() const { return HasSelection() ? int(valText_.size()) : 0; }
    void SelectAll();
    void ClearSelect();

    bool TextFits(const QString &candidate) const;

    // One typed character each; the keystroke is always consumed.
    void InputDigit(QChar digit);
    void InputPoint();
    void InputMinus();
    // Backspace and Delete.
    void DeleteLastChar();

    void Clear();
    void Undo();
    void SaveUndo();
    void SwapUndo();
    void ClearUndo();

    // Clipboard text appended to the value, or replacing it when selected.
    void Paste(const QString &clipboardText);
    // What copy and cut put on the clipboard: the display text with
    // ImageCopy, else the value text; nothing when nothing is selected.
    std::optional<QString> ClipboardText() const;
    // The value side of cut, after the text went to the clipboard.
    void CutClear();

    // Focus leaves: a lone "-" becomes empty.
    void Leave();

    // The character table: what a typed character does.
    enum class CharResult {
        Swallowed,     // handled (perhaps refused with a beep)
        MoveFocusNext, // Enter with EnterFocusMove: focus to the next control
    };
    CharResult InputChar(QChar c, bool enterFocusMove);

    // Pixel offset of the caret from the left edge of the display text.
    int CaretOffset() const;

private:
    void commit(const QString &candidate);
    void refuse();
    void setValue(const QString &value);
    void refresh();
    void changed();
    void refilter();

    NumFormat format_;
    QString text_;
    QString valText_;
    QString undoBuffer_;
    bool canUndo_ = false;
    bool modified_ = false;
    bool selected_ = false;
    bool errorBeep_ = true;
    bool readOnly_ = false;
    bool imageCopy_ = false;

    std::function<void()> onChange_;
    std::function<void()> onBeep_;
    std::function<void()> onRefresh_;
    Measure measure_;
    std::function<int()> available_;
};
