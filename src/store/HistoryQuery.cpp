#include "store/HistoryQuery.h"

#include <QRegularExpression>

namespace ledger {
namespace {

// Full-width digits and signs as their ASCII forms; other characters kept.
QString asciiDigits(const QString &text)
{
    QString out = text.trimmed();
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19)
            c = QChar(u'0' + (u - 0xFF10));
        else if (u == 0xFF0D || u == 0x2212)
            c = u'-';
        else if (u == 0xFF0C)
            c = u',';
        else if (u == 0xFF0E)
            c = u'.';
        else if (u == 0xFF0F)
            c = u'/';
    }
    return out;
}

} // namespace

std::optional<QDate> parseDateText(const QString &text)
{
    static const QRegularExpression separated(
        QStringLiteral("^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})$"));
    static const QRegularExpression compact(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    const QString t = asciiDigits(text);
    QRegularExpressionMatch m = separated.match(t);
    if (!m.hasMatch())
        m = compact.match(t);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid())
        return std::nullopt;
    return d;
}

std::optional<double> parseAmountText(const QString &text)
{
    static const QRegularExpression amount(
        QStringLiteral("^-?(\\d{1,3}(,\\d{3})+|\\d+)(\\.\\d+)?$"));
    QString t = asciiDigits(text);
    if (!amount.match(t).hasMatch())
        return std::nullopt;
    t.remove(u',');
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

ParsedQuery parseQuery(const QueryTexts &texts)
{
    ParsedQuery p;
    const struct
    {
        const QString &text;
        std::optional<QDate> &target;
    } dates[] = {{texts.from, p.query.from}, {texts.to, p.query.to}};
    for (const auto &d : dates) {
        if (d.text.trimmed().isEmpty())
            continue;
        d.target = parseDateText(d.text);
        if (!d.target) {
            p.error = QStringLiteral("日付は 2026-12-09 の形で入力してください");
            return p;
        }
    }
    const struct
    {
        const QString &text;
        std::optional<double> &target;
    } amounts[] = {{texts.minTotal, p.query.minTotal}, {texts.maxTotal, p.query.maxTotal}};
    for (const auto &a : amounts) {
        if (a.text.trimmed().isEmpty())
            continue;
        a.target = parseAmountText(a.text);
        if (!a.target) {
            p.error = QStringLiteral("金額は数字で入力してください");
            return p;
        }
    }
    p.query.customer = texts.customer.trimmed();
    p.query.slipNo = asciiDigits(texts.slipNo);
    return p;
}

} // namespace ledger
