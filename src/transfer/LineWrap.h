#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

// Breaks one line of text into the pieces a word-wrapping multi-line edit
// box of a given text width shows, the way the transfer's hidden work memo
// holds a long kept line.
using LineWrapper = std::function<QStringList(const QString &line)>;

// Width in pixels of a piece of text (one grapheme cluster at a time).
using TextWidth = std::function<int(QStringView text)>;

// Wraps line at maxWidth pixels as an edit box does: a line that fits stays
// whole; otherwise it breaks after the last blank (space, tab or ideographic
// space) that lets the piece fit, and a word wider than the box is broken
// before the first character that no longer fits. Blanks at a break stay at
// the end of the earlier piece, as the box lets them hang past the margin.
// Every piece holds at least one character; characters are never split
// inside a grapheme cluster or a surrogate pair. An empty line gives one
// empty piece.
QStringList wrapToWidth(const QString &line, int maxWidth, const TextWidth &widthOf);

// A wrapper for tests and previews: every grapheme counts as `fullWidth`
// pixels when its first code unit is U+0100 or above (kanji, kana,
// full-width forms) and as `halfWidth` otherwise.
LineWrapper fixedWidthWrapper(int maxWidth, int halfWidth = 1, int fullWidth = 2);
