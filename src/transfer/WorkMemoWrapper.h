#pragma once

#include "transfer/LineWrap.h"

// The transfer's hidden work memo: a word-wrapping box 562 pixels wide in
// "ＭＳ Ｐゴシック" at 11 pixels. Its text area is 556 pixels: 2 pixels of
// sunken border and 1 pixel of edit margin on each side. The program draws
// "ＭＳ Ｐゴシック" with IPAPGothic, so the measuring uses IPAPGothic too;
// its ideographs are 11 pixels wide at this size, so a line of 60 kanji
// breaks after the 50th.
inline constexpr int kWorkMemoWidth = 562;
inline constexpr int kWorkMemoTextWidth = 556;
inline constexpr int kWorkMemoFontPixelSize = 11;

// A wrapper that measures with the work memo's font. Needs a
// QGuiApplication; the returned wrapper keeps its own font metrics.
LineWrapper workMemoWrapper();
