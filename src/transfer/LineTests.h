#pragma once

#include <QString>
#include <QStringList>

// Tests the text transfer applies to single lines of pasted order text.
// Lengths and positions count UTF-16 code units, as the memo and the edits
// count characters.

// Characters with codes up to U+0020 (spaces, control characters) removed at
// both ends. The ideographic space U+3000 stays.
QString trimLine(const QString &text);

// The first n characters of text, one fewer when the n-th would be the first
// half of a surrogate pair, so a cut never leaves half a character.
QString leftWhole(const QString &text, qsizetype n);

// trimLine, then every leading and trailing U+0020 and U+3000 removed.
QString blankTrim(const QString &text);

// Non-overlapping occurrences of pattern in text, scanning left to right,
// compared exactly (case, width and kana kind all count). "aaaa"/"aa" -> 2.
// An empty pattern counts 0.
int occurrenceCount(const QString &text, const QString &pattern);

// Every non-overlapping occurrence of word deleted, scanning left to right.
QString removeWord(const QString &text, const QString &word);

// Answer of the postal-code and telephone classifier.
enum class ZipTelAnswer {
    PostalCode, // "〒": exactly 8 characters, all digits or hyphens of either width
    Telephone,  // "TEL": 10 or more characters, at most one of them not a digit or hyphen
    Address,    // "ADD": 10 or more characters, 3 or more of them other characters
    Undecided,  // "〒/電話番工判断"
};

ZipTelAnswer classifyZipTel(const QString &text);

// The caption the classifier's answer carries: "〒", "TEL", "ADD", "〒/電話番工判断".
QString zipTelCaption(ZipTelAnswer answer);

// Number of digit characters (0-9, "-", ０-９, "－") in text.
int digitCharacterCount(const QString &text);

// Sum of the counts of "@", ".com", ".jp", ".co", ".org", ".ne", ".net".
// A line whose count is above 0 is a mail or web address and is not transferred.
int mailOrWebCount(const QString &text);

// The 47 prefectures in their fixed order, 北海道 first, 沖縄県 last.
const QStringList &prefectureNames();

// True when text is exactly one prefecture name (no trimming, no folding).
bool isPrefecture(const QString &text);

// The 57 address markers in their fixed order (digits, hyphens,
// administrative words, floor letters, post office, building and school words).
const QStringList &addressMarkers();

// Length and address score of a line, after trimLine.
struct NameAddressScore {
    int length = 0;
    int score = 0;
};

NameAddressScore nameAddressScore(const QString &text);

enum class LineKind { Prefecture, Name, Address };

// Kind of a working line that is neither a postal code nor a telephone
// number: a prefecture alone; a name when it holds no marker or has at most
// six characters; an address line otherwise. "東京都港区" (5) is a name,
// "港区芝1-2-3" (8) an address.
LineKind lineKind(const QString &text);
