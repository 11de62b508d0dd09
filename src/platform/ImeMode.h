#pragma once

class QWidget;

// Input-method modes of an entry field. The order is the order of the items
// of the three input-mode selectors ("0:漢字未使用" … "8:カナ全角"), so item k
// of a selector is mode k.
enum class TImeMode {
    imDisable,
    imClose,
    imOpen,
    imDontCare,
    imSAlpha,
    imAlpha,
    imHira,
    imSKata,
    imKata
};

inline constexpr int kImeModeCount = 9;

// Applies a mode to a widget (entry fields, numeric fields, date pickers;
// for a date picker to the line edit inside it too): imDisable switches
// input methods off for it (typed keys arrive as they are, half width),
// every other mode switches them on with the closest input-method hints.
// Qt cannot open or close an input method, nor choose its kana mode, so
// imOpen, imHira, imSKata and imKata only allow it (README: the table of
// modes).
// The mode itself is kept on the widget (property "ImeMode") so that a
// build with a real input-method editor can map it exactly.
void applyImeMode(QWidget *widget, TImeMode mode);

// The mode last applied to a widget; imDontCare when none was.
TImeMode imeModeOf(const QWidget *widget);
