#include "transfer/LineWrap.h"

#include <QTextBoundaryFinder>

#include <vector>

namespace {

bool isBreakBlank(QStringView cluster)
{
    if (cluster.size() != 1)
        return false;
    const char16_t u = cluster.front().unicode();
    return u == u' ' || u == u'\t' || u == 0x3000;
}

struct Cluster {
    qsizetype start;
    qsizetype length;
    int width;
    bool blank;
};

std::vector<Cluster> clustersOf(const QString &line, const TextWidth &widthOf)
{
    std::vector<Cluster> clusters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, line);
    qsizetype start = 0;
    while (start < line.size()) {
        finder.setPosition(start);
        qsizetype end = finder.toNextBoundary();
        if (end <= start || end > line.size())
            end = start + 1;
        const QStringView text = QStringView(line).sliced(start, end - start);
        clusters.push_back({start, end - start, qMax(0, widthOf(text)), isBreakBlank(text)});
        start = end;
    }
    return clusters;
}

} // namespace

QStringList wrapToWidth(const QString &line, int maxWidth, const TextWidth &widthOf)
{
    if (line.isEmpty())
        return {QString()};
    const std::vector<Cluster> clusters = clustersOf(line, widthOf);

    QStringList pieces;
    std::size_t pieceStart = 0;       // first cluster of the current piece
    std::size_t breakAfterBlank = 0;  // first cluster after the last blank run; 0 = none
    long long x = 0;                  // width of the current piece so far
    auto flush = [&](std::size_t end) {
        const qsizetype from = clusters[pieceStart].start;
        const qsizetype to = end < clusters.size() ? clusters[end].start : line.size();
        pieces.append(line.mid(from, to - from));
        pieceStart = end;
        breakAfterBlank = 0;
    };

    for (std::size_t i = 0; i < clusters.size(); ++i) {
        const Cluster &c = clusters[i];
        if (c.blank) {
            // Blanks never force a break; a break may follow them.
            x += c.width;
            breakAfterBlank = i + 1;
            continue;
        }
        if (x + c.width > maxWidth && i > pieceStart) {
            if (breakAfterBlank > pieceStart && breakAfterBlank <= i) {
                const std::size_t restStart = breakAfterBlank;
                flush(restStart);
                x = 0;
                for (std::size_t k = restStart; k < i; ++k)
                    x += clusters[k].width;
            }
            if (x + c.width > maxWidth && i > pieceStart) {
                flush(i);
                x = 0;
            }
        }
        x += c.width;
    }
    flush(clusters.size());
    return pieces;
}

LineWrapper fixedWidthWrapper(int maxWidth, int halfWidth, int fullWidth)
{
    return [=](const QString &line) {
        return wrapToWidth(line, maxWidth, [=](QStringView text) {
            return text.front().unicode() >= 0x100 ? fullWidth : halfWidth;
        });
    };
}
