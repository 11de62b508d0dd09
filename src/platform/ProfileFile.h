#pragma once

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>
#include <stdexcept>
#include <string>
#include <vector>

// Raised when a profile file cannot be written; the message names the file's
// full path: "/home/shop/Kanro_Vey_1.ini に書き込めません".
class ProfileWriteError : public std::runtime_error
{
public:
    explicit ProfileWriteError(const QString &fullPath);
    QString path() const { return m_path; }

private:
    QString m_path;
};

// A profile (".ini") file: "[section]" lines open sections, "key=value" lines
// hold settings. The file is read once when the object is made; writes change
// the copy in memory and commit() replaces the file atomically, so a crash
// leaves either the old file or the new one. Where the folder refuses new
// files but the file itself may be written, commit() rewrites it in place.
//
// Reading: section and key names match without regard to case; a value is
// trimmed of characters up to U+0020 at both ends and loses one pair of
// enclosing double quotes. The first occurrence of a section or key counts.
// Lines that are not settings (comments starting with ";", blank lines, a key
// line without "=", lines before the first section, lines whose bytes are not
// valid in the file's encoding) are ignored for reads and kept as they stand.
//
// Writing: an existing key keeps its line's text up to and including "=" and
// gets the new value; a new key goes right after the last key line of its
// section (after the header when it has none); a new section goes at the end
// of the file. Every other line is written back byte for byte, line endings
// included; new lines use the file's own line ending (CRLF for a new file).
//
// Encodings: UTF-16LE with BOM, UTF-8 with BOM, other valid UTF-8 holding any
// non-ASCII byte, otherwise CP932 (pure ASCII counts as CP932). A file is
// written back in its own encoding; a new file is CP932. When a value written
// into a CP932 file does not survive the round trip through CP932 ("€",
// "𠮷", the wave dash U+301C), the whole file is converted to UTF-16LE with
// BOM so that nothing is lost. A line whose bytes were not valid in the old
// encoding (ignored for reads) becomes a comment, ";" and its decoded text,
// so that it stays ignored and no section or key appears or disappears.
// A CP932 file whose bytes after a write would read as UTF-8 (its only bytes
// that are not UTF-8 were overwritten) is converted to UTF-16LE the same way;
// a UTF-8 file left with ASCII only is CP932 from then on (same bytes).
//
// Integers: decimal with an optional sign; a value of at least three
// characters starting "0x"/"0X", or one starting "$", is hexadecimal; anything
// else (or a number outside 64 bits) gives the default. Dates: "1997/04/01",
// also read with a one-digit month or day.
class ProfileFile
{
public:
    enum class Encoding { Cp932, Utf8, Utf8Bom, Utf16LeBom };

    // Never throws: a missing, empty, unreadable or garbled file reads as
    // empty. A file that exists but cannot be read (no permission, not a
    // regular file, larger than 256 MiB) refuses commit(), so that its
    // content is never replaced by the few keys written here.
    explicit ProfileFile(const QString &path);

    QString readString(const QString &section, const QString &key, const QString &def = {}) const;
    qint64 readInteger(const QString &section, const QString &key, qint64 def) const;
    QDate readDate(const QString &section, const QString &key, const QDate &def) const;
    bool hasKey(const QString &section, const QString &key) const;

    // Line breaks inside a value (or name) are written as blanks, so that a
    // value can never add lines of its own to the file.
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, qint64 value);
    void writeDate(const QString &section, const QString &key, const QDate &value);

    // Writes all changes made since construction in one atomic step; throws
    // ProfileWriteError. Does nothing when nothing has changed. Afterwards
    // removes the temporaries that an earlier commit, killed while writing
    // its temporary or before renaming it, left beside the file.
    void commit();

    // The encoding the file is in now (after any switch forced by a write).
    Encoding encoding() const { return m_encoding; }
    // The full path used in the write error.
    QString fullPath() const;

    // The value rules on their own, for tests and callers holding text.
    static QString valueOf(const QString &rawValue);
    static bool parseInteger(const QString &value, qint64 *out);
    static QDate parseDate(const QString &value);
    static QString formatDate(const QDate &date);

private:
    struct Line
    {
        QByteArray raw;    // bytes of the line without its line ending
        QByteArray eol;    // the line ending's bytes (empty on an unterminated last line)
        QString text;      // decoded text of raw
        bool valid = true; // raw decodes without error in the file's encoding
    };
    struct Section
    {
        QString name;             // as written in the header (empty for the preamble)
        std::vector<Line> lines;  // header line first (except for the preamble)
        QHash<QString, int> keys; // folded key name -> index in lines, first occurrence
        int lastKeyLine = -1;
    };

    QString writeTarget() const;
    void removeStaleTemporaries() const;
    void load();
    void split(const QByteArray &body);
    void index();
    Section *findSection(const QString &section);
    const Line *findLine(const QString &section, const QString &key) const;
    Line makeLine(const QString &text);
    void encodeLine(Line &line);
    void switchToUtf16();
    void keepEncodingRecognisable();
    QByteArray eolBytes() const;
    QByteArray serialize() const;

    QString m_path;
    Encoding m_encoding = Encoding::Cp932;
    QString m_eol = QStringLiteral("\r\n");
    QByteArray m_tail;                  // a dangling odd byte at the end of a UTF-16 file
    std::vector<Section> m_sections;    // [0] is the preamble before the first header
    QHash<QString, int> m_sectionIndex; // folded section name -> first occurrence
    bool m_readFailed = false;
    bool m_changed = false;
};

// CP932 (Windows' Shift_JIS) through the same converter as the profile
// files, for other files a shop's Windows programs exchange (CSV lists).
// decodeCp932: ok is false when a byte did not map (it reads as U+FFFD);
// encodeCp932: false when a character has no CP932 form.
QString decodeCp932(const QByteArray &bytes, bool *ok);
bool encodeCp932(const QString &text, QByteArray *out);
