#include "transfer/WorkMemoWrapper.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>

#include <memory>

namespace {

QFont workMemoFont()
{
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(kWorkMemoFontPixelSize);
    return font;
}

// Advances of grapheme clusters, remembered: a transfer measures the same
// few hundred characters again and again.
struct CachedMetrics {
    QFontMetrics metrics{workMemoFont()};
    QHash<QString, int> widths;

    int width(QStringView text)
    {
        const QString key = text.toString();
        auto it = widths.constFind(key);
        if (it != widths.constEnd())
            return *it;
        const int w = metrics.horizontalAdvance(key);
        widths.insert(key, w);
        return w;
    }
};

} // namespace

LineWrapper workMemoWrapper()
{
    auto metrics = std::make_shared<CachedMetrics>();
    return [metrics](const QString &line) {
        return wrapToWidth(line, kWorkMemoTextWidth,
                           [&metrics](QStringView text) { return metrics->width(text); });
    };
}
