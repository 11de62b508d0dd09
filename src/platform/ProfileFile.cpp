#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <limits>
#include <unicode/ucnv.h>

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

// A settings file holds a few kilobytes; anything beyond this is not one and
// is treated as unreadable (which also keeps every length within ICU's
// 32-bit counts).
constexpr qint64 kMaxFileSize = 256 * 1024 * 1024;
const QByteArray kUtf16LeBom("\xFF\xFE", 2);

bool isBlank(QChar c)
{
    return c.unicode() <= 0x20;
}

// Characters up to U+0020 removed at both ends; U+3000 stays.
QString trimBlanks(const QString &s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s.at(begin)))
        ++begin;
    while (end > begin && isBlank(s.at(end - 1)))
        --end;
    return s.mid(begin, end - begin);
}

QString fold(const QString &name)
{
    return trimBlanks(name).toCaseFolded();
}

// A value or name never carries a line break of its own into the file, nor
// a NUL, which ends the value for every reader that takes the file as C text.
QString singleLine(QString s)
{
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    s.remove(QChar(0));
    return s;
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int hexDigit(QChar c)
{
    if (isAsciiDigit(c))
        return c.unicode() - '0';
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        return c.unicode() - 'a' + 10;
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    return -1;
}

// The text of a line when it is a section header ("[name]"), else null.
QString headerName(const QString &text)
{
    const QString t = trimBlanks(text);
    if (!t.startsWith(QLatin1Char('[')))
        return {};
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return {};
    QString name = trimBlanks(t.mid(1, close - 1));
    if (name.isNull())
        name = QLatin1String(""); // "[]" is a header with an empty name
    return name;
}

// The position of "=" when the line holds a setting, else -1.
qsizetype keyLineEquals(const QString &text)
{
    const QString t = trimBlanks(text);
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('[')))
        return -1;
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq < 0 || trimBlanks(text.left(eq)).isEmpty())
        return -1;
    return eq;
}

bool isAscii(const QByteArray &bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// CP932 through ICU's "windows-31j" converter. Conversions report whether
// every byte or character was mapped.
class Cp932
{
public:
    Cp932()
    {
        UErrorCode err = U_ZERO_ERROR;
        m_conv = ucnv_open("windows-31j", &err);
        if (U_FAILURE(err))
            m_conv = nullptr;
    }
    ~Cp932()
    {
        if (m_conv)
            ucnv_close(m_conv);
    }
    Cp932(const Cp932 &) = delete;
    Cp932 &operator=(const Cp932 &) = delete;

    QString decode(const QByteArray &bytes, bool *ok)
    {
        if (isAscii(bytes)) { // CP932 agrees with ASCII, backslash and tilde included
            *ok = true;
            return QString::fromLatin1(bytes);
        }
        if (!m_conv) {
            *ok = false;
            return QString::fromLatin1(bytes);
        }
        QString out = run(bytes, UCNV_TO_U_CALLBACK_STOP, ok);
        if (!*ok) {
            bool ignored = false;
            out = run(bytes, UCNV_TO_U_CALLBACK_SUBSTITUTE, &ignored);
        }
        return out;
    }

    // True when the text maps to CP932 and reads back unchanged.
    bool encode(const QString &text, QByteArray *out)
    {
        if (!m_conv || text.size() > kMaxFileSize)
            return false;
        UErrorCode err = U_ZERO_ERROR;
        ucnv_setFromUCallBack(m_conv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        const int32_t capacity = static_cast<int32_t>(text.size()) * 2 + 1;
        QByteArray buf(capacity, Qt::Uninitialized);
        err = U_ZERO_ERROR;
        const int32_t n = ucnv_fromUChars(m_conv, buf.data(), capacity,
                                          reinterpret_cast<const UChar *>(text.utf16()),
                                          static_cast<int32_t>(text.size()), &err);
        if (U_FAILURE(err))
            return false;
        buf.truncate(n);
        bool ok = false;
        if (decode(buf, &ok) != text || !ok)
            return false;
        *out = buf;
        return true;
    }

private:
    QString run(const QByteArray &bytes, UConverterToUCallback action, bool *ok)
    {
        UErrorCode err = U_ZERO_ERROR;
        ucnv_setToUCallBack(m_conv, action, nullptr, nullptr, nullptr, &err);
        const int32_t capacity = static_cast<int32_t>(bytes.size()) * 2 + 1;
        QString buf(capacity, Qt::Uninitialized);
        err = U_ZERO_ERROR;
        const int32_t n =
            ucnv_toUChars(m_conv, reinterpret_cast<UChar *>(buf.data()), capacity,
                          bytes.constData(), static_cast<int32_t>(bytes.size()), &err);
        *ok = U_SUCCESS(err);
        if (U_FAILURE(err) && action != UCNV_TO_U_CALLBACK_STOP)
            return {};
        buf.truncate(U_SUCCESS(err) ? n : 0);
        return buf;
    }

    UConverter *m_conv = nullptr;
};

QString decodeUtf8(const QByteArray &bytes, bool *ok)
{
    QStringDecoder dec(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                   QStringConverter::Flag::ConvertInitialBom);
    QString s = dec(bytes);
    *ok = !dec.hasError();
    return s;
}

QString decodeUtf16(const QByteArray &bytes)
{
    QString s(bytes.size() / 2, Qt::Uninitialized);
    std::memcpy(s.data(), bytes.constData(), static_cast<size_t>(s.size()) * 2);
    return s;
}

QByteArray encodeUtf16(const QString &s)
{
    return QByteArray(reinterpret_cast<const char *>(s.utf16()), s.size() * 2);
}

bool isValidNonAsciiUtf8(const QByteArray &bytes)
{
    if (isAscii(bytes))
        return false;
    bool ok = false;
    decodeUtf8(bytes, &ok);
    return ok;
}

} // namespace

ProfileWriteError::ProfileWriteError(const QString &fullPath)
    : std::runtime_error((fullPath + QStringLiteral(" に書き込めません")).toStdString()),
      m_path(fullPath)
{
}

ProfileFile::ProfileFile(const QString &path) : m_path(path)
{
    load();
}

QString ProfileFile::fullPath() const
{
    return QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath());
}

void ProfileFile::load()
{
    m_sections.clear();
    m_sections.emplace_back();
    const QFileInfo info(m_path);
    QByteArray bytes;
    if (info.exists() || info.isSymLink()) {
        QFile file(m_path);
        if (!info.isFile() || info.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) {
            m_readFailed = true;
        } else {
            bytes = file.readAll();
            if (file.error() != QFileDevice::NoError) {
                m_readFailed = true;
                bytes.clear();
            }
        }
    }

    QByteArray body;
    if (bytes.startsWith(kUtf16LeBom)) {
        m_encoding = Encoding::Utf16LeBom;
        body = bytes.mid(2);
        if (body.size() % 2 != 0) {
            m_tail = body.right(1);
            body.chop(1);
        }
    } else if (bytes.startsWith(kUtf8Bom)) {
        m_encoding = Encoding::Utf8Bom;
        body = bytes.mid(3);
    } else {
        m_encoding = isValidNonAsciiUtf8(bytes) ? Encoding::Utf8 : Encoding::Cp932;
        body = bytes;
    }
    split(body);
    index();
}

// Splits the body into lines at LF (CR LF counts as one ending) and decodes
// each line on its own, so that a bad line spoils nothing but itself.
void ProfileFile::split(const QByteArray &body)
{
    const bool wide = m_encoding == Encoding::Utf16LeBom;
    const qsizetype unit = wide ? 2 : 1;
    auto isUnit = [&](qsizetype at, char c) {
        return body.at(at) == c && (!wide || body.at(at + 1) == '\0');
    };

    Cp932 cp932;
    bool eolSeen = false;
    Section *current = &m_sections.front();
    qsizetype start = 0;
    const qsizetype size = body.size();
    while (start < size) {
        qsizetype at = start;
        while (at < size && !isUnit(at, '\n'))
            at += unit;
        Line line;
        qsizetype contentEnd = at;
        if (at < size) {
            if (at - unit >= start && isUnit(at - unit, '\r'))
                contentEnd = at - unit;
            line.eol = body.mid(contentEnd, at + unit - contentEnd);
        }
        line.raw = body.mid(start, contentEnd - start);
        switch (m_encoding) {
        case Encoding::Utf16LeBom:
            line.text = decodeUtf16(line.raw);
            break;
        case Encoding::Utf8:
        case Encoding::Utf8Bom:
            line.text = decodeUtf8(line.raw, &line.valid);
            break;
        case Encoding::Cp932:
            line.text = cp932.decode(line.raw, &line.valid);
            break;
        }
        if (!eolSeen && !line.eol.isEmpty()) {
            eolSeen = true;
            m_eol = line.eol.size() > unit ? QStringLiteral("\r\n") : QStringLiteral("\n");
        }
        start = at + unit;

        const QString header = line.valid ? headerName(line.text) : QString();
        if (!header.isNull()) {
            m_sections.emplace_back();
            current = &m_sections.back();
            current->name = header;
        }
        current->lines.push_back(std::move(line));
    }
}

void ProfileFile::index()
{
    m_sectionIndex.clear();
    for (size_t s = 0; s < m_sections.size(); ++s) {
        Section &section = m_sections[s];
        section.keys.clear();
        section.lastKeyLine = s == 0 ? -1 : 0;
        if (s > 0 && !m_sectionIndex.contains(fold(section.name)))
            m_sectionIndex.insert(fold(section.name), static_cast<int>(s));
        for (size_t i = (s == 0 ? 0 : 1); i < section.lines.size(); ++i) {
            const Line &line = section.lines[i];
            if (!line.valid)
                continue;
            const qsizetype eq = keyLineEquals(line.text);
            if (eq < 0)
                continue;
            const QString key = fold(line.text.left(eq));
            if (!section.keys.contains(key))
                section.keys.insert(key, static_cast<int>(i));
            section.lastKeyLine = static_cast<int>(i);
        }
    }
}

ProfileFile::Section *ProfileFile::findSection(const QString &section)
{
    const auto it = m_sectionIndex.constFind(fold(section));
    return it == m_sectionIndex.cend() ? nullptr : &m_sections[static_cast<size_t>(*it)];
}

const ProfileFile::Line *ProfileFile::findLine(const QString &section, const QString &key) const
{
    const auto s = m_sectionIndex.constFind(fold(section));
    if (s == m_sectionIndex.cend())
        return nullptr;
    const Section &sec = m_sections[static_cast<size_t>(*s)];
    const auto k = sec.keys.constFind(fold(key));
    return k == sec.keys.cend() ? nullptr : &sec.lines[static_cast<size_t>(*k)];
}

QString ProfileFile::valueOf(const QString &rawValue)
{
    QString v = trimBlanks(rawValue);
    if (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"')))
        v = v.mid(1, v.size() - 2);
    return v;
}

bool ProfileFile::hasKey(const QString &section, const QString &key) const
{
    return findLine(section, key) != nullptr;
}

QString ProfileFile::readString(const QString &section, const QString &key,
                                const QString &def) const
{
    const Line *line = findLine(section, key);
    if (!line)
        return def;
    return valueOf(line->text.mid(line->text.indexOf(QLatin1Char('=')) + 1));
}

bool ProfileFile::parseInteger(const QString &value, qint64 *out)
{
    const bool hex0x = value.size() >= 3 && value.at(0) == QLatin1Char('0') &&
                       (value.at(1) == QLatin1Char('x') || value.at(1) == QLatin1Char('X'));
    const bool hexDollar = value.startsWith(QLatin1Char('$'));
    if (hex0x || hexDollar) {
        const QString digits = value.mid(hex0x ? 2 : 1);
        if (digits.isEmpty())
            return false;
        quint64 n = 0;
        for (QChar c : digits) {
            const int d = hexDigit(c);
            if (d < 0 || n > (static_cast<quint64>(std::numeric_limits<qint64>::max()) >> 4))
                return false;
            n = n * 16 + static_cast<quint64>(d);
        }
        if (n > static_cast<quint64>(std::numeric_limits<qint64>::max()))
            return false;
        *out = static_cast<qint64>(n);
        return true;
    }

    qsizetype i = 0;
    const bool negative = value.startsWith(QLatin1Char('-'));
    if (negative || value.startsWith(QLatin1Char('+')))
        i = 1;
    if (i >= value.size())
        return false;
    // Accumulated as a negative number so that the most negative value fits.
    qint64 n = 0;
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    for (; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (!isAsciiDigit(c))
            return false;
        const int d = c.unicode() - '0';
        if (n < (kMin + d) / 10)
            return false;
        n = n * 10 - d;
    }
    if (!negative) {
        if (n == kMin)
            return false;
        n = -n;
    }
    *out = n;
    return true;
}

qint64 ProfileFile::readInteger(const QString &section, const QString &key, qint64 def) const
{
    qint64 n = 0;
    if (!findLine(section, key) || !parseInteger(readString(section, key), &n))
        return def;
    return n;
}

QDate ProfileFile::parseDate(const QString &value)
{
    const QStringList parts = value.split(QLatin1Char('/'));
    if (parts.size() != 3 || parts[0].size() != 4 || parts[1].isEmpty() || parts[1].size() > 2 ||
        parts[2].isEmpty() || parts[2].size() > 2)
        return {};
    int fields[3] = {0, 0, 0};
    for (int p = 0; p < 3; ++p) {
        for (QChar c : parts[p]) {
            if (!isAsciiDigit(c))
                return {};
            fields[p] = fields[p] * 10 + (c.unicode() - '0');
        }
    }
    return QDate(fields[0], fields[1], fields[2]); // invalid when the day does not exist
}

QString ProfileFile::formatDate(const QDate &date)
{
    if (!date.isValid())
        return {};
    return QStringLiteral("%1/%2/%3")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

QDate ProfileFile::readDate(const QString &section, const QString &key, const QDate &def) const
{
    if (!findLine(section, key))
        return def;
    const QDate d = parseDate(readString(section, key));
    return d.isValid() ? d : def;
}

QByteArray ProfileFile::eolBytes() const
{
    return m_encoding == Encoding::Utf16LeBom ? encodeUtf16(m_eol) : m_eol.toLatin1();
}

// Gives the line the bytes of its text; a CP932 file whose new text does not
// survive CP932 becomes UTF-16LE first.
void ProfileFile::encodeLine(Line &line)
{
    line.valid = true;
    switch (m_encoding) {
    case Encoding::Utf16LeBom:
        line.raw = encodeUtf16(line.text);
        return;
    case Encoding::Utf8:
    case Encoding::Utf8Bom:
        line.raw = line.text.toUtf8();
        return;
    case Encoding::Cp932: {
        QByteArray bytes;
        if (Cp932().encode(line.text, &bytes)) {
            line.raw = bytes;
            return;
        }
        switchToUtf16();
        line.raw = encodeUtf16(line.text);
        return;
    }
    }
}

void ProfileFile::switchToUtf16()
{
    m_encoding = Encoding::Utf16LeBom;
    for (Section &section : m_sections) {
        for (Line &line : section.lines) {
            // A line whose bytes did not decode was ignored; its bytes
            // cannot stand in a UTF-16 file, and its decoded text might read
            // as a header or a key there. It stays ignored as a comment.
            if (!line.valid) {
                line.text.prepend(QLatin1Char(';'));
                line.valid = true;
            }
            line.raw = encodeUtf16(line.text);
            line.eol = encodeUtf16(QString::fromLatin1(line.eol));
        }
    }
}

ProfileFile::Line ProfileFile::makeLine(const QString &text)
{
    Line line;
    line.text = text;
    encodeLine(line);
    line.eol = eolBytes();
    return line;
}

void ProfileFile::writeString(const QString &section, const QString &key, const QString &value)
{
    const QString v = singleLine(value);
    const QString k = trimBlanks(singleLine(key));
    Section *sec = findSection(section);
    if (!sec) {
        // A new section at the end of the file; the last line gets a line
        // ending first if the file stopped without one.
        for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it) {
            if (!it->lines.empty()) {
                if (it->lines.back().eol.isEmpty())
                    it->lines.back().eol = eolBytes();
                break;
            }
        }
        Section added;
        added.name = trimBlanks(singleLine(section));
        added.lines.push_back(makeLine(QLatin1Char('[') + added.name + QLatin1Char(']')));
        added.lastKeyLine = 0;
        m_sections.push_back(std::move(added));
        m_sectionIndex.insert(fold(m_sections.back().name),
                              static_cast<int>(m_sections.size() - 1));
        sec = &m_sections.back();
    }

    const auto existing = sec->keys.constFind(fold(k));
    if (existing != sec->keys.cend()) {
        Line &line = sec->lines[static_cast<size_t>(*existing)];
        const qsizetype eq = line.text.indexOf(QLatin1Char('='));
        if (line.text.mid(eq + 1) == v)
            return;
        line.text = line.text.left(eq + 1) + v;
        encodeLine(line);
        m_changed = true;
        return;
    }

    // A new key right after the last key line of the section (or its header).
    const int after = sec->lastKeyLine;
    if (after >= 0 && sec->lines[static_cast<size_t>(after)].eol.isEmpty())
        sec->lines[static_cast<size_t>(after)].eol = eolBytes();
    Line line = makeLine(k + QLatin1Char('=') + v);
    // makeLine may have switched the encoding: look the section up again.
    sec = findSection(section);
    const int at = after + 1;
    sec->lines.insert(sec->lines.begin() + at, std::move(line));
    sec->keys.insert(fold(k), at);
    sec->lastKeyLine = at;
    m_changed = true;
}

void ProfileFile::writeInteger(const QString &section, const QString &key, qint64 value)
{
    writeString(section, key, QString::number(value));
}

void ProfileFile::writeDate(const QString &section, const QString &key, const QDate &value)
{
    writeString(section, key, formatDate(value));
}

QByteArray ProfileFile::serialize() const
{
    QByteArray out;
    if (m_encoding == Encoding::Utf16LeBom)
        out += kUtf16LeBom;
    else if (m_encoding == Encoding::Utf8Bom)
        out += kUtf8Bom;
    for (const Section &section : m_sections) {
        for (const Line &line : section.lines) {
            out += line.raw;
            out += line.eol;
        }
    }
    out += m_tail;
    return out;
}

namespace {

// The marker that names a commit's temporary: "Kanro_Vey_1.ini.AbcDef.kanro-tmp".
// No name a person gives a copy ends so, so the next commit may remove any
// such file that a killed commit left.
const QString kTemporarySuffix = QStringLiteral(".kanro-tmp");

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

// Rewrites the file where it is, for a folder the user may not write in.
bool writeInPlace(const QString &path, const QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// A new file beside target, named target + ".XXXXXX" + the marker, created
// as a new file is (0666 less the umask); -1 when the folder refuses it.
int createTemporary(const QString &target, QString *name)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString random;
        for (int i = 0; i < 6; ++i)
            random += QLatin1Char(letters[QRandomGenerator::global()->bounded(52)]);
        *name = target + QLatin1Char('.') + random + kTemporarySuffix;
        const int fd = ::open(QFile::encodeName(*name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

QString ProfileFile::writeTarget() const
{
    // A link is followed: the file it names is replaced, the link stays.
    const QFileInfo info(m_path);
    return info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
}

// The encoding of a file without BOM is told from its bytes, so the bytes
// written must tell the encoding they are in. Overwriting the lines that held
// a CP932 file's only bytes not valid as UTF-8 leaves bytes that would read
// as UTF-8, every other non-ASCII line decoded anew: such a file becomes
// UTF-16LE, as when CP932 cannot hold a value. A UTF-8 file left with ASCII
// only reads as CP932, which decodes ASCII alike: only the name changes.
void ProfileFile::keepEncodingRecognisable()
{
    if (m_encoding == Encoding::Cp932 && isValidNonAsciiUtf8(serialize()))
        switchToUtf16();
    else if (m_encoding == Encoding::Utf8 && isAscii(serialize()))
        m_encoding = Encoding::Cp932;
}

void ProfileFile::commit()
{
    if (!m_changed)
        return;
    if (m_readFailed)
        throw ProfileWriteError(fullPath());
    keepEncodingRecognisable();
    const QByteArray bytes = serialize();
    const QString target = writeTarget();
    const QByteArray targetName = QFile::encodeName(target);
    // A file the user may not write stays as it is, as with the platform's
    // own profile writer, even where the folder would let it be replaced.
    if (QFileInfo::exists(target) && ::access(targetName.constData(), W_OK) != 0)
        throw ProfileWriteError(fullPath());

    QString temporary;
    const int fd = createTemporary(target, &temporary);
    if (fd < 0) {
        // A file the user may write in a folder the user may not: the
        // atomic replace needs a new file beside it, so the file is
        // rewritten in place instead, as the platform's own profile writer does.
        if (!QFileInfo::exists(target) || QFileInfo(QFileInfo(target).absolutePath()).isWritable() ||
            !writeInPlace(target, bytes))
            throw ProfileWriteError(fullPath());
        m_changed = false;
        return;
    }
    const QByteArray temporaryName = QFile::encodeName(temporary);
    // The file keeps its permissions; a new one gets those of a new file.
    struct stat existing {};
    bool ok = ::stat(targetName.constData(), &existing) != 0 ||
              ::fchmod(fd, existing.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporaryName.constData(), targetName.constData()) == 0;
    if (!ok) {
        ::unlink(temporaryName.constData());
        throw ProfileWriteError(fullPath());
    }
    m_changed = false;
    removeStaleTemporaries();
}

void ProfileFile::removeStaleTemporaries() const
{
    // A commit's temporary has a name while it is written and until its
    // rename over the file; a process killed meanwhile leaves it behind. The
    // next commit removes such leftovers: the file's name, ".", six letters
    // and the marker. Earlier builds named them the file's name, "." and six
    // letters of mixed case ("Kanro_Vey_1.ini.Ab3xYz"); those go too, while
    // names a person gives, like ".backup" or ".OLD123", stay.
    const QFileInfo info(writeTarget());
    const QString escaped = QRegularExpression::escape(info.fileName());
    const QRegularExpression ours(QStringLiteral("\\A%1\\.[A-Za-z]{6}%2\\z")
                                      .arg(escaped, QRegularExpression::escape(kTemporarySuffix)));
    const QRegularExpression earlier(QStringLiteral("\\A%1\\.[A-Za-z0-9]{6}\\z").arg(escaped));
    static const QRegularExpression oneCase(QStringLiteral("\\A[a-z0-9]*\\z|\\A[A-Z0-9]*\\z"));
    QDir dir = info.absoluteDir();
    for (const QString &name : dir.entryList({info.fileName() + QStringLiteral(".??????*")},
                                             QDir::Files | QDir::Hidden)) {
        if (ours.match(name).hasMatch() ||
            (earlier.match(name).hasMatch() && !oneCase.match(name.right(6)).hasMatch()))
            dir.remove(name);
    }
}

QString decodeCp932(const QByteArray &bytes, bool *ok)
{
    Cp932 codec;
    return codec.decode(bytes, ok);
}

bool encodeCp932(const QString &text, QByteArray *out)
{
    Cp932 codec;
    return codec.encode(text, out);
}
