#pragma once
// One file of a graded corpus: the pasted text, a line "=== expected", then
// the expected values as "key=value" lines.

#include <QFile>
#include <QString>
#include <QStringList>
#include <optional>

struct CorpusFile
{
    QString text;
    QStringList expected; // the "key=value" lines, blank lines left out
};

// nullopt when the file cannot be read or has no "=== expected" line.
inline std::optional<CorpusFile> readCorpusFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString all = QString::fromUtf8(file.readAll());
    const QString marker = QStringLiteral("\n=== expected\n");
    const qsizetype split = all.indexOf(marker);
    if (split <= 0)
        return std::nullopt;
    return CorpusFile{all.left(split),
                      all.mid(split + marker.size()).split(u'\n', Qt::SkipEmptyParts)};
}
