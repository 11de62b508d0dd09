#include "transfer/OrderText.h"

#include "transfer/DictionaryTransfer.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

namespace order_text {

namespace {

bool isQuoted(const QString &line)
{
    for (const QChar c : line) {
        if (c == u'>' || c == u'＞')
            return true;
        if (!isBlank(c))
            return false;
    }
    return false;
}

// A sentence in its clauses: a list with an amount in every clause
// ("ほうじ茶 1,296円×2、玄米茶 540円×1、送料660円"), or an item, then its sums
// after a comma ("煎茶（1,980円）×3、送料無料で合計5,940円です").
QStringList clausesOf(const QString &line)
{
    static const QRegularExpression priced(QStringLiteral("[0-9０-９]円|[¥￥][0-9０-９]"));
    static const QRegularExpression comma(QStringLiteral("[、，]"));
    if (const QStringList clauses = line.split(comma, Qt::SkipEmptyParts);
        clauses.size() >= 2 && std::all_of(clauses.begin(), clauses.end(), [](const QString &c) {
            return priced.match(c).hasMatch();
        }))
        return clauses;
    static const QRegularExpression clause(
        QStringLiteral("[、,，](?=[\\s\\x{3000}]*(?:送料|配送料|合計|総額|お支払|代引|手数料))"));
    if (const auto m = clause.match(line); m.hasMatch()) {
        const QString head = line.left(m.capturedStart());
        if (priced.match(head).hasMatch() && !head.contains(u"合計") && !head.contains(u"送料"))
            return {head, line.mid(m.capturedEnd())};
    }
    return {line};
}

// A memo's line of several entries ("煎茶×3 3,240円 / 送料660 / 計4,770"):
// split when two pieces or more carry an amount and every piece has words.
QStringList slashEntries(const QString &line)
{
    static const QRegularExpression separator(
        QStringLiteral("[\\s\\x{3000}]+[/／|][\\s\\x{3000}]+|／"));
    if (!line.contains(u'/') && !line.contains(u'／') && !line.contains(u'|'))
        return {line};
    const QStringList pieces = line.split(separator, Qt::SkipEmptyParts);
    static const QRegularExpression amount(QStringLiteral("\\d{3}|\\d,\\d{3}|[0-9０-９]+円"));
    // "単価 1,080円 / 数量 2 / 金額 2,160円" are the fields of one item.
    static const QRegularExpression field(
        QStringLiteral("^[\\s\\x{3000}]*(?:単価|価格|数量|個数|金額|小計)"));
    int priced = 0;
    for (const QString &p : pieces) {
        // "消費税 8% 784円 / 10% 400円": the tax by rate, one summary.
        static const QRegularExpression rateOnly(
            QStringLiteral("^[\\s\\x{3000}]*[0-9０-９]{1,2}[%％]"));
        if (field.match(p).hasMatch() || rateOnly.match(p).hasMatch())
            return {line};
        if (std::none_of(p.begin(), p.end(), [](QChar c) { return c.isLetter(); }))
            return {line};
        priced += amount.match(narrowOrderText(p)).hasMatch() ? 1 : 0;
    }
    return pieces.size() >= 2 && priced >= 2 ? pieces : QStringList{line};
}

} // namespace

QString withoutHtml(const QString &text)
{
    static const QRegularExpression hint(
        QStringLiteral(
            "<(?:br|td|tr|p|div|table|b|span|font)\\b|&(?:yen|nbsp|amp|#\\d+|#x[0-9a-f]+);"),
        QRegularExpression::CaseInsensitiveOption);
    if (!hint.match(text).hasMatch())
        return text;
    QString t = text;
    static const QRegularExpression cell(QStringLiteral("</t[dh]>[ \\t]*(?=<t[dh][\\s>])"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression lineEnd(
        QStringLiteral("<br\\s*/?>[ \\t]*(?:\\r?\\n)?|</(?:tr|p|div|li|table)>[ \\t]*(?:\\r?\\n)?"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tag(QStringLiteral("</?[A-Za-z][^<>\\n]{0,200}>"));
    t.replace(cell, QStringLiteral("\t"));
    t.replace(lineEnd, QStringLiteral("\n"));
    t.remove(tag);
    static const std::pair<const char16_t *, const char16_t *> entities[] = {
        {u"&yen;", u"¥"},   {u"&nbsp;", u" "}, {u"&lt;", u"<"}, {u"&gt;", u">"},
        {u"&quot;", u"\""}, {u"&#39;", u"'"},  {u"&amp;", u"&"}};
    // Numeric references ("&#65509;", "&#xFFE5;") first, "&amp;" last.
    static const QRegularExpression numeric(QStringLiteral("&#(x[0-9A-Fa-f]{1,5}|[0-9]{1,6});"));
    QString out;
    qsizetype at = 0;
    for (auto it = numeric.globalMatch(t); it.hasNext();) {
        const auto m = it.next();
        const QString code = m.captured(1);
        bool ok = false;
        const uint u = code.startsWith(u'x') ? code.mid(1).toUInt(&ok, 16) : code.toUInt(&ok, 10);
        out += QStringView(t).mid(at, m.capturedStart() - at);
        if (ok && u > 0 && u < 0x110000 && (u < 0xD800 || u > 0xDFFF))
            out += QString::fromUcs4(reinterpret_cast<const char32_t *>(&u), 1);
        at = m.capturedEnd();
    }
    out += QStringView(t).mid(at);
    for (const auto &[from, to] : entities)
        out.replace(QString::fromUtf16(from), QString::fromUtf16(to), Qt::CaseInsensitive);
    return out;
}

QStringList withoutSpeakers(const QStringList &lines)
{
    // A time (with its date) at the line's start, then the message.
    static const QRegularExpression stamp(
        QStringLiteral("^\\[?(?:\\d{4}[-/.]\\d{1,2}[-/.]\\d{1,2}(?:\\([^)]{1,3}\\))?[ \\t]+)?"
                       "\\d{1,2}:\\d{2}(?::\\d{2})?\\]?[ \\t\\x{3000}]+"));
    // A speaker set off by a tab or a colon.
    static const QRegularExpression marked(
        QStringLiteral("^(?:[^\\t:：]{1,24}\\t|[^\\s:：\\d][^:：\\t]{0,20}?[:：][ \\t\\x{3000}]*)"));
    static const QRegularExpression words(QStringLiteral("^([^\\s\\x{3000}]{1,12})(?:[ \\x{3000}]([^\\s\\x{3000}]{1,8}))?[ \\t\\x{3000}]"));
    // A speaker set off by a blank only is known by speaking twice: the
    // most frequent first words (family and given name, or one name); one
    // with a colon too.
    QHash<QString, int> said;
    for (const QString &line : lines)
        if (const auto t = stamp.match(narrowOrderText(line)); !t.hasMatch())
            continue;
        else if (const auto m = marked.match(narrowOrderText(line).mid(t.capturedEnd()));
                 m.hasMatch())
            ++said[m.captured(0)];
        else if (const auto w = words.match(line.mid(t.capturedEnd())); w.hasMatch()) {
                ++said[w.captured(1)];
                if (w.capturedLength(2) > 0)
                    ++said[w.captured(1) + u' ' + w.captured(2)];
            }
    QStringList out;
    out.reserve(lines.size());
    bool inQuotes = false; // a message of several lines, in quotes in the export
    for (const QString &line : lines) {
        // Full-width times and colons ("１８：４１　比嘉 美穂：") read as narrow.
        const QString narrow = narrowOrderText(line);
        const auto t = stamp.match(narrow);
        if (!t.hasMatch()) {
            if (inQuotes && line.endsWith(u'"')) {
                inQuotes = false;
                out.append(line.chopped(1));
            } else {
                out.append(line);
            }
            continue;
        }
        QString rest = line.mid(t.capturedEnd());
        if (const auto m = marked.match(narrow.mid(t.capturedEnd())); m.hasMatch()) {
            // "10:41<TAB>かんろ茶舗<TAB>", or a speaker with a colon heard twice
            // (a message's own label is no speaker: "9:05 送料：800円").
            if (m.captured(0).endsWith(u'\t') || said.value(m.captured(0)) >= 2)
                rest.remove(0, m.capturedLength());
        } else if (const auto w = words.match(rest); w.hasMatch()) {
            const QString two = w.captured(1) + u' ' + w.captured(2);
            if (w.capturedLength(2) > 0 && said.value(two) >= 2)
                rest.remove(0, w.capturedEnd());
            else if (said.value(w.captured(1)) >= 2)
                rest.remove(0, w.capturedLength(1) + 1);
        }
        inQuotes = rest.startsWith(u'"') && !rest.endsWith(u'"');
        if (inQuotes)
            rest.remove(0, 1);
        out.append(rest);
    }
    return out;
}

QList<bool> quotedLines(const QStringList &lines)
{
    static const QRegularExpression header(
        QStringLiteral("^[\\s\\x{3000}]*(?:-{2,}[\\s\\x{3000}]*(?:Original Message|Forwarded "
                       "message|元のメッセージ|"
                       "転送されたメッセージ)[\\s\\x{3000}]*-{2,}|.*\\bwrote:|.*<[^<>@\\s]+@[^<>"
                       "\\s]+>[^<>]*[:：])"
                       "[\\s\\x{3000}]*$"),
        QRegularExpression::CaseInsensitiveOption);
    QList<bool> quoted;
    bool after = false;
    for (const QString &line : lines) {
        quoted.append(after || isQuoted(line));
        after = after || (line.size() < 200 && header.match(line).hasMatch());
    }
    return quoted;
}

// As in "ありがとうございます！玉露 50g（2,160円）×2で…" or "以上でお願いします。
// 送料は600円です。合計4,920円ですね。"; an emoji ends a sentence too
// (not ★, a mark of reduced items).
QStringList memoEntries(const QString &line)
{
    // "…を3袋お願いします。1袋648円でしたよね" prices the sentence before: no split.
    static const QRegularExpression sentenceEnd(
        QStringLiteral(
            "(?:(?<=[。？\\x{FE0F}\\x{1F300}-\\x{1FAFF}])|(?<=[^\\x{0000}-\\x{007F}]{3}[！!?]))"
            "[\\s\\x{3000}]*(?=[^\\s\\x{3000}」』)）!?！？])"
            "(?![\\s\\x{3000}]*[1１][\\s\\x{3000}]*(?:%1)(?:あたり|当たり|につき)?[\\s\\x{3000}]*["
            "0-9０-９¥￥])")
            .arg(kCountWords));
    QStringList out;
    // Most lines end no sentence inside: no need to try the expression.
    const bool ends = std::any_of(line.begin(), line.end(), [](QChar c) {
        return c == u'。' || c == u'！' || c == u'？' || c == u'!' || c == u'?' ||
               c.isHighSurrogate() || c == u'\uFE0F';
    });
    for (const QString &sentence :
         ends ? line.split(sentenceEnd, Qt::SkipEmptyParts) : QStringList{line}) {
        const QStringList clauses = clausesOf(sentence);
        for (const QString &c : clauses)
            out += slashEntries(c);
    }
    return out.isEmpty() ? QStringList{line} : out;
}

} // namespace order_text
