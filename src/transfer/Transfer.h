#pragma once

#include "transfer/LineWrap.h"

#include <QString>
#include <QStringList>

#include <optional>

// The text transfer: pasted order text in the memo is compacted, cleaned of
// label words, normalised and sorted into the destination fields (postal
// code, address lines 1 and 2, name, telephone). Window-independent; the
// window applies the result.

inline constexpr int kMemoLinesExamined = 16; // compaction looks at memo lines 0..15
inline constexpr int kWorkingLines = 7;       // at most seven lines are used
inline constexpr int kMemoLineLimit = 4096;   // characters read from one memo line

// The label words removed from each working line, in removal order (45
// entries; "TEL" stands twice). Longer forms precede the shorter ones they
// contain, so "お電話番号" goes as a whole.
const QStringList &labelWords();

// What the transfer leaves behind.
struct TransferResult {
    // The memo as the operator sees it afterwards: seven working lines
    // (empty ones included) after a transfer; the compacted lines, none of
    // them, when there was nothing to transfer.
    QStringList memoLines;

    // Nothing was left after compaction: show "転送テキストがありません" and
    // leave the destination and the focus as they are.
    bool nothingToTransfer = false;

    // When nothingToTransfer is false the destination is cleared first
    // (warning label, Edit_Zip, Edit_Add1..3, Edit_Custo1, Edit_tel), then
    // these are written; Edit_Add3 stays empty. zip and tel are already in
    // half width, as their change handlers leave them. The focus goes to
    // Edit_Zip.
    QString zip;
    QString add1;
    QString add2;
    QString custo1;
    QString tel;

    // On every path the address warning is refreshed afterwards from
    // Edit_Add1 (more than 40 characters warns).
};

// The memo's text split into lines at CR LF, LF, CR and the Unicode line and
// paragraph separators; the empty text has no line.
QStringList memoLinesOf(const QString &memoText);

// Lines joined with LF: what the memo is set to.
QString memoTextOf(const QStringList &lines);

// Compaction and copy back: memo lines 0..15 trimmed, blank lines and mail
// or web lines dropped, the rest wrapped by `wrap`; the first 16 wrapped
// pieces that are not blank, trimmed.
QStringList compactMemoLines(const QStringList &memoLines, const LineWrapper &wrap);

// Label-word removal and normalisation of memo lines 0..6 into seven
// working lines.
QStringList normaliseWorkingLines(const QStringList &memoLines);

// Postal-code split of seven working lines: a line whose first 8 characters
// are a postal code and whose rest (characters 9..88) has at least 7
// characters keeps the postal code; the rest goes to the next empty line.
QStringList splitPostalCodes(const QStringList &memoLines);

// The destination fields filled from seven working lines (classification
// passes and assembly); memoLines and nothingToTransfer are left alone.
TransferResult classifyWorkingLines(const QStringList &memoLines);

// The whole transfer over the memo's lines.
TransferResult runTransfer(const QStringList &memoLines, const LineWrapper &wrap);

// The whole transfer over the memo's text.
TransferResult runTransferOnText(const QString &memoText, const LineWrapper &wrap);

// Change rule of Edit_Zip and Edit_tel: the half-width form of text when it
// differs from text, or nothing when the field is already settled. Writing
// the returned text raises one more change, which answers nothing.
std::optional<QString> zipTelConverted(const QString &text);
