#pragma once

#include <QString>

// Full-width to half-width mapping of a whole text, as the destination fields
// and the transfer's numeric working lines need it:
//   full-width ASCII forms U+FF01..U+FF5E -> U+0021..U+007E ("１２３－" -> "123-");
//   the ideographic space U+3000 -> U+0020;
//   katakana -> half-width katakana, voiced marks split off ("ダ" -> "ﾀﾞ");
//   、。「」・ー -> ､｡｢｣･ｰ.
// Hiragana, kanji and characters without a half-width form stay as they are.
// Arrows, the box-drawing bar, ■ and ○ are left alone on purpose: order
// texts use them as bullets and their half-width forms render poorly.
// The whole text is converted, however long; lone surrogates pass through.
QString toHalfWidth(const QString &text);
