#pragma once

// Whether the note's numbers can be printed: a row amount or a total beyond
// the fixed-point range is left empty by the row pass and the totals, and
// printing it would show an empty amount or a total of 0 without a word.
// The print command asks first and stops with the notice.

#include "note/NoteArithmetic.h"

#include <QString>

// The notice for the first value out of range, or an empty text when every
// value fits. Rows come first, in row order, then the totals:
//   a row whose quantity and price are both non-zero but whose product lies
//   beyond the range (999999999 x 999999999), e.g. row 3:
//     "3行目の金額が大きすぎるため印刷できません"
//   a total that DEN_SUM left empty:
//     "数量の合計が大きすぎるため印刷できません"
//     "合計が大きすぎるため印刷できません"
//     "消費税が大きすぎるため印刷できません"
//     "税込合計が大きすぎるため印刷できません"
QString outOfRangeNotice(const DetailRows &rows, const NoteTotals &totals);
