// Any bytes as a profile file: every key type is read, one key is written,
// and the file is read again. The write never throws for a readable file,
// the written key reads back as written, every other probed key reads as
// before, and - unless the value forced a change of encoding - every other
// line keeps its bytes: the file changes in one place, inside the written
// key's line or by lines added there.
#include "FuzzSupport.h"

#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <vector>

namespace {

const QString kSections[] = {QStringLiteral("Kn_Vey_1prn"), QStringLiteral("kn_vey_1PRN"),
                             QStringLiteral("Kn_Yamatoprn"), QStringLiteral("手差し"),
                             QStringLiteral("New"), QStringLiteral(" spaced ")};
const QString kKeys[] = {QStringLiteral("E_ZIP"),   QStringLiteral("Comb_Paper"),
                         QStringLiteral("comb_paper"), QStringLiteral("TaxEnforDate"),
                         QStringLiteral("iSLIPNO"), QStringLiteral("E_Rm1"),
                         QStringLiteral("PrnName"), QStringLiteral("K")};
const QString kValues[] = {QStringLiteral("123-4567"),
                           QStringLiteral("納品書　兼　請求書"),
                           QStringLiteral("€ 100"),
                           QStringLiteral("𠮷野家"),
                           QStringLiteral("〜"),
                           QString(),
                           QStringLiteral("  padded  "),
                           QStringLiteral("\"quoted\""),
                           QStringLiteral("two\r\nlines"),
                           QStringLiteral("x=y;[z]")};

QString folded(const QString &s)
{
    return s.trimmed().toCaseFolded();
}

struct Reads
{
    QString text;
    qint64 number = 0;
    QDate date;
    bool present = false;

    bool operator==(const Reads &) const = default;
};

Reads readAll(const ProfileFile &f, const QString &section, const QString &key)
{
    return {f.readString(section, key, QStringLiteral("<none>")),
            f.readInteger(section, key, -77), f.readDate(section, key, QDate(1997, 4, 1)),
            f.hasKey(section, key)};
}

QByteArray slurp(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void spit(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        fuzz::fail(__FILE__, __LINE__, "cannot prepare the file", path);
}

// The file's code units: bytes, or 16-bit units after a UTF-16 BOM.
std::vector<uint32_t> unitsOf(const QByteArray &bytes, bool wide)
{
    std::vector<uint32_t> u;
    if (!wide) {
        for (char c : bytes)
            u.push_back(static_cast<unsigned char>(c));
        return u;
    }
    qsizetype i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        u.push_back(static_cast<unsigned char>(bytes[i]) |
                    (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (i < bytes.size())
        u.push_back(0x10000 | static_cast<unsigned char>(bytes[i])); // the odd byte
    return u;
}

// Old and new differ in one stretch, and the old side of it holds no line
// end: no other line was touched.
void checkOneChange(const QByteArray &oldBytes, const QByteArray &newBytes, bool wide,
                    const QString &what)
{
    const std::vector<uint32_t> a = unitsOf(oldBytes, wide);
    const std::vector<uint32_t> b = unitsOf(newBytes, wide);
    size_t p = 0;
    while (p < a.size() && p < b.size() && a[p] == b[p])
        ++p;
    size_t s = 0;
    while (s < a.size() - p && s < b.size() - p && a[a.size() - 1 - s] == b[b.size() - 1 - s])
        ++s;
    // Lines end at LF (with a CR before it); a lone CR is part of a line.
    for (size_t i = p; i < a.size() - s; ++i)
        FUZZ_CHECK(a[i] != '\n' && !(a[i] == '\r' && i + 1 < a.size() && a[i + 1] == '\n'),
                   what + QStringLiteral(": a line end at unit %1 was rewritten").arg(i));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // In memory where possible: every commit syncs the file to disk.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/kanro-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/kanro-fuzz-XXXXXX"));
    static const QString path = dir.filePath(QStringLiteral("Kanro_Vey_1.ini"));

    fuzz::Input in(data, size);
    const uint8_t pick = in.byte();
    const uint8_t kind = in.byte();
    const QString section = kSections[pick % std::size(kSections)];
    const QString key = kKeys[(pick / 8) % std::size(kKeys)];
    const QByteArray original(reinterpret_cast<const char *>(data) + (size - in.remaining()),
                              static_cast<qsizetype>(in.remaining()));
    spit(path, original);

    const ProfileFile before(path);
    std::vector<std::pair<std::pair<QString, QString>, Reads>> probes;
    for (const QString &s : kSections)
        for (const QString &k : kKeys)
            probes.push_back({{s, k}, readAll(before, s, k)});

    ProfileFile writer(path);
    const ProfileFile::Encoding encodingBefore = writer.encoding();
    QString expectText;
    QString rawWritten; // the value's text as it stands in the file
    const QString what = QStringLiteral("[%1] %2 kind %3").arg(section, key).arg(kind);
    switch (kind % 4) {
    case 0:
    case 1: {
        const QString value = kind % 8 < 4 ? kValues[(kind / 8) % std::size(kValues)]
                                           : QString::fromUtf8(original.left(24));
        writer.writeString(section, key, value);
        QString single = value;
        single.replace(u'\r', u' ').replace(u'\n', u' ');
        single.remove(QChar(0)); // a NUL never reaches the file
        expectText = ProfileFile::valueOf(single);
        rawWritten = single;
        break;
    }
    case 2: {
        const qint64 v = kind & 4 ? -1 : qint64(kind) * 1234567;
        writer.writeInteger(section, key, v);
        expectText = QString::number(v);
        rawWritten = expectText;
        break;
    }
    default: {
        const QDate d = QDate(1990, 1, 1).addDays(kind * 97);
        writer.writeDate(section, key, d);
        expectText = ProfileFile::formatDate(d);
        rawWritten = expectText;
        break;
    }
    }
    try {
        writer.commit();
    } catch (const ProfileWriteError &e) {
        fuzz::fail(__FILE__, __LINE__, "commit of a readable file threw", QString::fromUtf8(e.what()));
    }
    const bool sameEncoding = writer.encoding() == encodingBefore;

    const QByteArray written = slurp(path);
    const ProfileFile after(path);
    FUZZ_CHECK(after.encoding() == writer.encoding(), what + ": encoding not kept on reading");
    FUZZ_CHECK(after.readString(section, key, QStringLiteral("<none>")) == expectText,
               what + ": reads back " + after.readString(section, key) + ", want " + expectText);
    for (const auto &[where, reads] : probes) {
        if (folded(where.first) == folded(section) && folded(where.second) == folded(key))
            continue;
        FUZZ_CHECK(readAll(after, where.first, where.second) == reads,
                   what + ": probe [" + where.first + "] " + where.second + " changed from " +
                       reads.text + " to " + after.readString(where.first, where.second));
    }
    if (sameEncoding && !original.isEmpty())
        checkOneChange(original, written, writer.encoding() == ProfileFile::Encoding::Utf16LeBom,
                       what);

    // Writing the same value again leaves the file as it is.
    {
        ProfileFile again(path);
        again.writeString(section, key, rawWritten);
        again.commit();
        FUZZ_CHECK(slurp(path) == written, what + ": rewriting the same value changed the file");
    }
    return 0;
}
