#include "transfer/OrderLines.h"

#include "transfer/DictionaryTransfer.h"
#include "transfer/LineTests.h"
#include "transfer/OrderText.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

constexpr qsizetype kLineLimit = 512; // characters read from one line
constexpr int kLinesRead = 400;       // lines read from one text

const QString &kUnits = order_text::kCountWords;

using order_text::isBlank;

// A line made only of rules and blanks ("────", "-----", "****") separates
// entries.
bool isRule(QStringView n)
{
    static const QString rules = QStringLiteral("-=_~*#─━―‐═┄┅・.…┏┓┗┛┣┫┳┻╋┌┐└┘├┤┬┴┼┃│");
    for (const QChar c : n)
        if (!isBlank(c) && !rules.contains(c))
            return false;
    return true;
}

// The left border of a box drawn around the items ("┃ 煎茶").
bool isBorder(QChar c)
{
    return QStringView(u"┃│｜|").contains(c);
}

// Marks before a name or label: bullets, list numbers, boxes.
bool isLeadingMark(QChar c)
{
    static const QString marks = QStringLiteral("・●○◆◇■□▼▽▶►>＞-*+#♪=―─━└├┗┣↳┃│|｜");
    const char16_t u = c.unicode();
    return isBlank(c) || isBorder(c) || marks.contains(c) || (u >= 0x2460 && u <= 0x2473) ||
           (u >= 0x2776 && u <= 0x277F);
}

// Marks that tag an item for a legend ("※は軽減税率対象"); cut from names.
const QString kTagMarks = QStringLiteral("※★☆◎*＊");

// A name's runs of blanks, full or half width, as one half-width space, as
// the customer's name and address are written: the items book then finds
// "川根茶　上級" typed either way.
QString oneSpaced(const QString &name)
{
    static const QRegularExpression blanks(QStringLiteral("[\\s\\x{3000}]+"));
    return QString(name).replace(blanks, QStringLiteral(" "));
}

// The line's first character past blanks and opening brackets ("（* は…）").
QChar leadingMark(QStringView n)
{
    for (const QChar c : n)
        if (!c.isSpace() && c != u'\u3000' && !QStringView(u"(（[［【").contains(c))
            return c;
    return QChar();
}

QString compact(QStringView n)
{
    QString out;
    for (const QChar c : n)
        if (!isBlank(c))
            out += c;
    return out;
}

// The mail's line for reading numbers and words: narrowed (same length as
// the original, so positions carry over) and every yen sign made "¥".
QString prepared(QStringView line)
{
    QString n = narrowOrderText(line);
    for (QChar &c : n)
        if (c == u'\uFFE5' || c == u'\\')
            c = u'\u00A5';
    // "¥1,836.00": yen written with sen, blanked so that the text keeps its
    // length (positions in it are positions in the line as written).
    if (n.contains(u".00")) {
        static const QRegularExpression sen(QStringLiteral("(¥ ?[\\d,]{1,11})\\.00(?!\\d)"));
        for (auto it = sen.globalMatch(n); it.hasNext();)
            n.replace(it.next().capturedEnd(1), 3, QStringLiteral("   "));
    }
    return n;
}

struct Money
{
    qsizetype begin = 0, end = 0;
    qint64 value = 0;
    bool marked = false; // "¥", "円", "@" or points: surely money
    bool valid = true;   // within nine digits
};

// glued: digits right after a Japanese word count too ("送料660"), as on
// a summary line; after a Latin letter they stay part of a code.
QList<Money> moneyIn(const QString &n, bool glued = false)
{
    static const QRegularExpression re(
        QStringLiteral("([-▲△]\\s*)?([¥@]\\s*)?(\\d{1,3}(?:,\\d{3})+|\\d+)(?![\\d,.])"
                       "(\\s*(?:円|\\(円\\)|pt|ポイント))?"));
    QList<Money> out;
    for (auto it = re.globalMatch(n); it.hasNext();) {
        const auto m = it.next();
        Money money;
        money.begin = m.capturedStart();
        money.end = m.capturedEnd();
        money.marked = m.capturedLength(2) > 0 || m.capturedLength(4) > 0;
        bool ok = false;
        const qint64 v = m.captured(3).remove(u',').toLongLong(&ok);
        money.valid = ok && v <= kOrderNumberLimit;
        // Beyond nine digits the value stays out of range, so that no row
        // takes it.
        const qint64 kept = money.valid ? v : kOrderNumberLimit + 1;
        money.value = m.capturedLength(1) > 0 ? -kept : kept;
        // A digit run glued to a letter or a decimal point is part of a
        // name ("2.5g", "KR-100"), not an amount; so is one after a code's
        // hyphen ("[A-31]").
        if (m.capturedLength(1) > 0 && money.begin > 0 && n.at(money.begin - 1).isLetterOrNumber())
            continue;
        if (money.begin > 0 && !money.marked) {
            const QChar before = n.at(money.begin - 1);
            if ((before.isLetterOrNumber() && (!glued || before.unicode() < 0x80)) ||
                before == u'.')
                continue;
        }
        // Dates, times and rates ("3/15", "12月20日", "14:00", "8%") are no
        // amounts.
        if (!money.marked && m.capturedLength(1) == 0) {
            const QChar after = money.end < n.size() ? n.at(money.end) : QChar();
            const QChar before = money.begin > 0 ? n.at(money.begin - 1) : QChar();
            static const QString dateAfter = QStringLiteral("/月日時年:%");
            if ((!after.isNull() && dateAfter.contains(after)) || before == u'/' ||
                (before == u':' && money.begin > 1 && n.at(money.begin - 2).isDigit()))
                continue;
        }
        out.append(money);
    }
    return out;
}

QString unitOf(const QString &word)
{
    return word == u"つ" ? QString() : word;
}

// The original text of [begin, end) as a name: leading bullets and list
// numbers, trailing separators cut; tag marks noted and cut.
QString nameFrom(const QString &o, qsizetype begin, qsizetype end, QString *tags)
{
    QString s = o.mid(begin, end - begin);
    // Columns of a pasted table: a bare number column after the name (入数)
    // goes, the name's own columns are joined by a space.
    if (s.contains(u'\t')) {
        static const QRegularExpression numberColumns(
            QStringLiteral("(?:\\t[\\s\\x{3000}]*[0-9０-９]+)+[\\s\\x{3000}]*$"));
        s.remove(numberColumns);
        static const QRegularExpression tabs(QStringLiteral("[ \\x{3000}]*\\t+[ \\x{3000}]*"));
        s.replace(tabs, QStringLiteral(" "));
        s = blankTrim(s);
    }
    static const QRegularExpression listNumber(QStringLiteral(
        "^[\\s\\x{3000}]*(?:[0-9０-９]{1,2}[.．)）]|[(（\\[［][0-9０-９]{1,2}[)）\\]］]|"
        "[一二三四五六七八九十]{1,2}[、.．]|"
        "[0-9０-９]{1,2}[\\s\\x{3000}]+(?=[^\\s\\x{3000}0-9０-９]))"));
    s.remove(listNumber);
    // A sentence's opening words before the name ("今回は煎茶…", "あと、玄米茶…").
    static const QRegularExpression opener(
        QStringLiteral("^[\\s\\x{3000}]*(?:(?:今回は|今回も|それから|それと|いつもの|前回と同じ|"
                       "例の)[、,\\s\\x{3000}]*|(?:"
                       "あと|また)[、,\\s\\x{3000}]+)"));
    s.remove(opener);
    // Whom it is for ("自宅用に本山茶100g", "お歳暮用に").
    static const QRegularExpression purpose(
        QStringLiteral("^[\\s\\x{3000}]*(?:自宅|自分|家|贈答|ギフト|お歳暮|御歳暮|お中元|御中元|"
                       "プレゼント|来客|お客様|事務所|店)用に[、,\\s\\x{3000}]*"));
    s.remove(purpose);
    // The shop addressed before the order in a short mail ("かんろ茶舗さん 玄米茶…").
    static const QRegularExpression addressee(
        QStringLiteral("^[\\s\\x{3000}]*[^\\s\\x{3000}、,]{1,20}?(?:さん|御中|(?<![模仕同])様)(?:"
                       "へ)?[\\s\\x{3000}、,]+"
                       "(?=[^\\s\\x{3000}])"));
    s.remove(addressee);
    // The reduced mark as a word of its own: "[軽] 煎茶", the 軽
    // column of a table ("煎茶 100g    軽  1,404円"), and a rate column ("8%").
    static const QRegularExpression reducedWord(
        QStringLiteral("^[\\s\\x{3000}・●○◆◇■□*]*[\\[［【(（]軽[\\]］】)）][\\s\\x{3000}]*|"
                       "[\\s\\x{3000}]+軽[\\s\\x{3000}]*$"));
    if (s.contains(u'軽')) {
        const qsizetype before = s.size();
        s.remove(reducedWord);
        if (tags && s.size() != before)
            *tags += u'軽';
    }
    // The reduced rate as a remark before or after the name: "【8%】",
    // "（軽減税率対象）", "(軽減税率8%対象)", "【8%対象】", "※軽減税率対象".
    static const QRegularExpression reducedRemark(QStringLiteral(
        "^[\\s\\x{3000}・●○◆◇■□*]*[\\[［【(（〔](?:軽減税率|軽減|軽|税率|[8８][%％]|対象|商品|品目|の|"
        "[\\s\\x{3000}])+[\\]］】)）〕][\\s\\x{3000}]*|"
        "[\\s\\x{3000}]*(?:[\\[［【(（〔](?:軽減税率|軽減|軽|税率|[8８][%％]|対象|商品|品目|の|"
        "[\\s\\x{3000}])+[\\]］】)）〕]|※[\\s\\x{3000}]*軽減税率?(?:[(（]?[8８][%％][)）]?)?"
        "(?:対象)?(?:商品)?)[\\s\\x{3000}]*$|^軽[\\s\\x{3000}]+"));
    for (auto it = reducedRemark.globalMatch(s); it.hasNext();) {
        const QString m = it.next().captured(0);
        if (m.contains(u'軽') || m.contains(u'8') || m.contains(u'８')) {
            s.remove(reducedRemark);
            if (tags)
                *tags += u'軽';
            break;
        }
    }
    // A remark on the price, not the item ("煎茶 100g（税込）").
    static const QRegularExpression taxRemark(
        QStringLiteral("[\\s\\x{3000}]*[(（](?:税込み?|税抜き?|税別|内税|外税|送料込み?|送料別|"
                       "送料無料|[・、,/\\s])+[)）]"
                       "[\\s\\x{3000}]*$"));
    s.remove(taxRemark);
    static const QRegularExpression rateColumn(
        QStringLiteral("[\\s\\x{3000}]+([0-9０-９]{1,2})(?:\\.[0-9])?[%％][\\s\\x{3000}]*$"));
    if (const auto r = rateColumn.match(s); r.hasMatch()) {
        if (tags && narrowOrderText(r.captured(1)) == u"8")
            *tags += u'軽';
        s.truncate(r.capturedStart());
    }
    // A leading product code before the name ("GT-TB100  業務用 煎茶", "A1024 煎茶"):
    // letters and digits with a hyphen, two letters or three digits, then a
    // Japanese name.
    static const QRegularExpression code(
        QStringLiteral("^[\\s\\x{3000}]*((?=[A-Za-z0-9_./#-]*[A-Za-z])(?=[A-Za-z0-9_./#-]*[0-9])"
                       "(?=[A-Za-z0-9_./#-]*(?:-|[A-Za-z]{2}|[0-9]{3}))[A-Za-z0-9][A-Za-z0-9_./"
                       "#-]*)[\\s\\x{3000}]+"
                       "(?=.*[^\\x{0000}-\\x{00FF}])"));
    s.remove(code);
    qsizetype b = 0, e = s.size();
    while (b < e && (isLeadingMark(s.at(b)) || kTagMarks.contains(s.at(b)))) {
        // A circled number ("①煎茶") tags the item for a legend too ("※①②は
        // 軽減税率対象").
        const char16_t u = s.at(b).unicode();
        if ((kTagMarks.contains(s.at(b)) || (u >= 0x2460 && u <= 0x2473)) && tags)
            *tags += u >= 0x2460 ? QString(s.at(b)) : narrowOrderText(QStringView(s).mid(b, 1));
        ++b;
    }
    // A tag mark in brackets ("新茶詰合せ（※）") is the mark.
    static const QRegularExpression bracketedTag(
        QStringLiteral("[(（]([※★☆◎*＊])[)）][\\s\\x{3000}]*$"));
    if (const auto t = bracketedTag.match(QStringView(s).left(e)); t.hasMatch()) {
        if (tags)
            *tags += t.captured(1);
        e = t.capturedStart();
    }
    static const QString trailing = QStringLiteral(":：/／|｜、,，-=をが@＠(（…‥→･・.．·¥￥");
    // "… 各4,400円": "each" before the price goes with the leaders.
    if (e - b > 2 && s.at(e - 1) == u'各' &&
        (isBlank(s.at(e - 2)) || trailing.contains(s.at(e - 2))))
        --e;
    while (e > b && (isBlank(s.at(e - 1)) || trailing.contains(s.at(e - 1)) ||
                     kTagMarks.contains(s.at(e - 1)))) {
        if (kTagMarks.contains(s.at(e - 1)) && tags)
            *tags += narrowOrderText(QStringView(s).mid(e - 1, 1));
        --e;
    }
    // A bracket left open by the price cut out of it ("煎茶（税込1,404円）を3袋"
    // leaves "煎茶（税込").
    // A bracket left open by a wrap keeps its words ("（化粧箱入" / "り）").
    static const QRegularExpression remnant(QStringLiteral("[0-9０-９税円¥￥]"));
    const qsizetype open = std::max(s.lastIndexOf(u'（', e - 1), s.lastIndexOf(u'(', e - 1));
    if (open > b && std::max(s.lastIndexOf(u'）', e - 1), s.lastIndexOf(u')', e - 1)) < open &&
        e - open <= 8 &&
        (e - open == 1 || remnant.match(QStringView(s).mid(open, e - open)).hasMatch())) {
        e = open;
        while (e > b && isBlank(s.at(e - 1)))
            --e;
    }
    // The standard rate as a remark ("[10%対象]"), and a price's label left
    // at the end ("粉末茶 500g 単価 2,400円").
    static const QRegularExpression standardRemark(QStringLiteral(
        "(?:[\\s\\x{3000}]*(?:[\\[［【(（](?:10|１０)[%％](?:対象)?[\\]］】)）]|単価|価格|金額|税込価格))+$"));
    if (const auto r = standardRemark.match(QStringView(s).left(e)); r.hasMatch())
        e = std::max(b, r.capturedStart());
    // …and before the name ("［１０％］茶筒").
    static const QRegularExpression standardFirst(
        QStringLiteral("^[\\[［【(（](?:10|１０)[%％](?:対象)?[\\]］】)）][\\s\\x{3000}]*"));
    if (const auto r = standardFirst.match(QStringView(s).mid(b, e - b)); r.hasMatch())
        b += r.capturedLength();
    // A product code in brackets before the name ("[A-31] 玉露") or after it
    // ("煎茶 100g (#SN-100)").
    static const QRegularExpression bracketedCode(QStringLiteral(
        "^[\\[［(（](?:商品ID|商品番号|品番|ID|SKU)?[:：]?(?=[^\\]］)）]*[0-9-])"
        "[A-Za-z0-9][A-Za-z0-9_-]*[\\]］)）][\\s\\x{3000}]*(?=[^\\x{0000}-\\x{00FF}])|"
        "[\\s\\x{3000}]*(?:[(（](?:#[A-Za-z0-9_-]+|[A-Za-z_-]*[0-9]{5,}[A-Za-z0-9_-]*)[)）]|"
        "[(（\\[［][a-z0-9]+(?:[-_][a-z0-9]+)+[)）\\]］])$"));
    return s.mid(b, e - b).remove(bracketedCode);
}

// ---- words ----

enum class Summary { None, Fee, Discount, Subtotal, Tax, Total, Ignore };

struct SummaryWord
{
    const char16_t *word;
    Summary kind;
};

// Words that open a summary line, longer forms before the shorter ones they
// start with.
// clang-format off
const SummaryWord kSummaryWords[] = {
    {u"合計数量", Summary::Ignore}, {u"合計点数", Summary::Ignore}, {u"数量合計", Summary::Ignore},
    {u"商品点数", Summary::Ignore}, {u"獲得", Summary::Ignore}, {u"今回獲得", Summary::Ignore},
    {u"付与", Summary::Ignore}, {u"保有", Summary::Ignore}, {u"商品合計", Summary::Subtotal},
    {u"商品小計", Summary::Subtotal}, {u"商品代金", Summary::Subtotal}, {u"商品金額", Summary::Subtotal},
    {u"お買上小計", Summary::Subtotal}, {u"小計", Summary::Subtotal}, {u"税抜合計", Summary::Subtotal},
    {u"税抜金額", Summary::Subtotal}, {u"本体合計", Summary::Subtotal}, {u"うち消費税", Summary::Tax},
    {u"内消費税", Summary::Tax}, {u"消費税", Summary::Tax}, {u"税金", Summary::Tax},
    {u"合計金額", Summary::Total}, {u"総合計", Summary::Total}, {u"お支払い金額", Summary::Total},
    {u"お支払金額", Summary::Total}, {u"お支払い合計", Summary::Total}, {u"お支払合計", Summary::Total},
    {u"お支払総額", Summary::Total}, {u"お支払い総額", Summary::Total}, {u"ご請求金額", Summary::Total},
    {u"ご請求額", Summary::Total}, {u"決済金額", Summary::Total},
    {u"支払い金額", Summary::Total}, {u"支払金額", Summary::Total}, {u"支払額", Summary::Total},
    {u"支払い額", Summary::Total}, {u"GrandTotal", Summary::Total}, {u"Total", Summary::Total},
    {u"TOTAL", Summary::Total}, {u"Subtotal", Summary::Subtotal}, {u"SubTotal", Summary::Subtotal},
    {u"Shipping", Summary::Fee}, {u"運賃", Summary::Fee}, {u"税(含む)", Summary::Tax}, {u"税(込)", Summary::Tax}, {u"Taxes", Summary::Tax}, {u"Tax", Summary::Tax}, {u"Discount", Summary::Discount}, {u"請求金額", Summary::Total}, {u"請求額", Summary::Total},
    {u"ご注文合計", Summary::Total}, {u"注文合計", Summary::Total}, {u"ご注文金額", Summary::Total},
    {u"注文金額", Summary::Total}, {u"お買上金額", Summary::Total}, {u"お買い上げ金額", Summary::Total},
    {u"税込合計", Summary::Total}, {u"総額", Summary::Total}, {u"総計", Summary::Total},
    {u"全部で", Summary::Total}, {u"しめて", Summary::Total}, {u"締めて", Summary::Total},
    {u"計", Summary::Total}, {u"合計", Summary::Total}, {u"配送料", Summary::Fee},
    {u"配送", Summary::Fee}, {u"送料", Summary::Fee}, {u"代金引換手数料", Summary::Fee},
    {u"代引き手数料", Summary::Fee}, {u"代引手数料", Summary::Fee}, {u"代引料", Summary::Fee},
    {u"代引", Summary::Fee}, {u"決済手数料", Summary::Fee}, {u"振込手数料", Summary::Fee},
    {u"手数料", Summary::Fee}, {u"ギフトラッピング", Summary::Fee}, {u"ラッピング", Summary::Fee},
    {u"ギフト包装", Summary::Fee}, {u"包装料", Summary::Fee}, {u"のし代", Summary::Fee}, {u"のし", Summary::Fee}, {u"熨斗", Summary::Fee},
    {u"熨斗代", Summary::Fee}, {u"クール便", Summary::Fee}, {u"箱代", Summary::Fee},
    {u"梱包料", Summary::Fee}, {u"クーポン", Summary::Discount}, {u"ご利用ポイント", Summary::Discount},
    {u"利用ポイント", Summary::Discount}, {u"ポイント", Summary::Discount}, {u"point", Summary::Discount}, {u"Point", Summary::Discount}, {u"値引", Summary::Discount},
    {u"割引", Summary::Discount}, {u"ディスカウント", Summary::Discount}, {u"会員割引", Summary::Discount},
    {u"まとめ買い割引", Summary::Discount}, {u"セール値引", Summary::Discount},
};
// clang-format on

Summary summaryOf(QStringView c, QString *word)
{
    // The words as strings once: the reader asks at every position of a line.
    static const auto words = [] {
        QList<std::pair<QString, Summary>> out;
        for (const SummaryWord &w : kSummaryWords)
            out.append({QString::fromUtf16(w.word), w.kind});
        return out;
    }();
    if (c.isEmpty())
        return Summary::None;
    for (const auto &[s, kind] : words) {
        // A one-character word ("計") stands alone before its amount, never
        // at the start of a longer word ("計量スプーン").
        if (c.startsWith(s) && (s.size() > 1 || c.size() == 1 || c.at(1).isDigit() ||
                                c.at(1) == u':' || c.at(1) == u'\u00A5')) {
            *word = s;
            return kind;
        }
    }
    return Summary::None;
}

// "大分県でしたら送料" (a clause, then a fee's word): the fee's word; empty
// for any other name.
QString feeAfterClause(const QString &name)
{
    static const QRegularExpression clause(
        QStringLiteral("(?:なら|たら|ので|では|には|は|の|、|\\))$"));
    const QString c = compact(prepared(name));
    QString word;
    for (qsizetype k = 1; k + 1 < c.size(); ++k)
        if (clause.match(QStringView(c).left(k)).hasMatch() &&
            summaryOf(QStringView(c).mid(k), &word) == Summary::Fee && word.size() == c.size() - k)
            return word;
    // "パンフレットに送料は一律": the fee's word, then what the sentence says of it.
    static const QRegularExpression told(QStringLiteral(
        "(送料|配送料|代引き?手数料|手数料)(?:は|が|も)(?:全国)?(?:一律|いつもの|通常)?$"));
    if (const auto m = told.match(c); m.hasMatch() && m.capturedStart() > 0)
        return m.captured(1);
    return QString();
}

// A fee's or discount's label without its remarks ("送料（税込）", "送料（北海道）")
// and a discount's rate ("法人割引 5%", twice for "法人割引 5%（1・2に対して）"); a
// count stays ("名入れ料（2客分）"), as does the fee's word after the delivery
// it belongs to ("お届け先1 送料" is the shipping).
QString withoutFeeRemarks(QString label)
{
    static const QRegularExpression feeRemark(QStringLiteral(
        "[\\s\\x{3000}]*[（(](?:[^）)0-9０-９]*|[^）)]*(?:税|%|％|対して|割引)[^）)]*|"
        "[0-9０-９]{1,2}[%％](?:OFF|オフ|引き?)?)[）)]$|"
        "(?<=\\S)[\\s\\x{3000}]*[0-9０-９]{1,2}[%％](?:OFF|オフ)?$|"
        "^(?:お届け先|配送先|送付先)[0-9０-９]*[\\s\\x{3000}]+"));
    return label.remove(feeRemark).remove(feeRemark);
}

// A product code standing alone ("B-500", "SQ-GYO-50", "sen-yb100"):
// Latin letters and digits joined by a hyphen or underscore, no words.
bool isProductCode(const QString &text)
{
    static const QRegularExpression code(
        QStringLiteral("^(?=[A-Za-z0-9_./#-]*[-_])(?=[A-Za-z0-9_./"
                       "#-]*[A-Za-z])[A-Za-z0-9][A-Za-z0-9_./#-]{1,23}$"));
    return code.match(text).hasMatch();
}

// Whether a summary word may begin with this character (a quick test before
// the words are tried at every position of a line).
bool mayStartSummary(QChar c)
{
    static const QString firsts = [] {
        QString out = QStringLiteral("お");
        for (const SummaryWord &w : kSummaryWords)
            if (!out.contains(QChar(w.word[0])))
                out += QChar(w.word[0]);
        return out;
    }();
    return firsts.contains(c);
}

enum class Label {
    None,
    Name,
    Code,
    Option,
    NamedOption,
    Price,
    Qty,
    LineTotal,
    Unit,
    Rate,
    Other
};

struct LabelWord
{
    const char16_t *word;
    Label label;
};

// clang-format off
const LabelWord kLabels[] = {
    {u"商品名", Label::Name}, {u"商品名称", Label::Name}, {u"品名", Label::Name},
    {u"商品", Label::Name}, {u"品目", Label::Name}, {u"アイテム", Label::Name},
    {u"作品名", Label::Name}, {u"作品代金", Label::Price}, {u"作品価格", Label::Price},
    {u"ギフト包装", Label::NamedOption}, {u"ギフトラッピング", Label::NamedOption}, {u"商品番号", Label::Code},
    {u"商品コード", Label::Code}, {u"品番", Label::Code}, {u"型番", Label::Code},
    {u"商品ID", Label::Code}, {u"SKU", Label::Code}, {u"JANコード", Label::Code},
    {u"管理番号", Label::Code}, {u"ASIN", Label::Code}, {u"オプション", Label::Option}, {u"商品オプション", Label::Option},
    {u"項目選択肢", Label::Option}, {u"選択項目", Label::Option}, {u"ギフト", Label::Option}, {u"項目", Label::Option}, {u"選択肢", Label::Option}, {u"バリエーション", Label::Option},
    {u"仕様", Label::NamedOption}, {u"種類", Label::NamedOption}, {u"のし", Label::NamedOption},
    {u"熨斗", Label::NamedOption}, {u"名入れ", Label::NamedOption}, {u"サイズ", Label::NamedOption},
    {u"カラー", Label::NamedOption}, {u"色", Label::NamedOption}, {u"容量", Label::NamedOption}, {u"規格", Label::NamedOption},
    {u"内容量", Label::NamedOption}, {u"ラッピング", Label::NamedOption}, {u"包装", Label::NamedOption},
    {u"味", Label::NamedOption}, {u"単価", Label::Price}, {u"価格", Label::Price},
    {u"販売価格", Label::Price}, {u"税込価格", Label::Price}, {u"税込単価", Label::Price},
    {u"本体価格", Label::Price}, {u"商品価格", Label::Price}, {u"値段", Label::Price},
    {u"税抜価格", Label::Price}, {u"税抜単価", Label::Price}, {u"税別価格", Label::Price},
    {u"税別単価", Label::Price}, {u"商品の価格", Label::Price}, {u"数量", Label::Qty}, {u"個数", Label::Qty},
    {u"注文数", Label::Qty}, {u"注文数量", Label::Qty}, {u"購入数", Label::Qty},
    {u"小計", Label::LineTotal}, {u"金額", Label::LineTotal}, {u"合計", Label::LineTotal},
    {u"商品の小計", Label::LineTotal}, {u"商品の合計", Label::LineTotal},
    {u"単位", Label::Unit}, {u"税率", Label::Rate}, {u"Quantity", Label::Qty}, {u"Qty", Label::Qty},
    {u"Price", Label::Price}, {u"Size", Label::NamedOption}, {u"Color", Label::NamedOption},
    {u"Colour", Label::NamedOption}, {u"Style", Label::NamedOption}, {u"Option", Label::Option}, {u"Variant", Label::Option}, {u"Engraving", Label::NamedOption}, {u"Flavor", Label::NamedOption},
};
// clang-format on

// A label's kind; a bracketed remark ("単価(税込)") does not change it.
Label labelOf(QString c)
{
    static const QRegularExpression remark(QStringLiteral("\\(.*\\)$"));
    c.remove(remark);
    c.remove(u'・'); // "項目・選択肢"
    static const QRegularExpression number(QStringLiteral("[0-9０-９]{1,2}$"));
    c.remove(number); // "商品1", "数量2" in a form of numbered fields
    static const auto labels = [] {
        QList<std::pair<QString, Label>> out;
        for (const LabelWord &w : kLabels)
            out.append({QString::fromUtf16(w.word), w.label});
        return out;
    }();
    for (const auto &[w, label] : labels)
        if (c == w)
            return label;
    // "オプション情報", "バリエーション選択": an option's label with more words.
    if ((c.contains(u"オプション") || c.contains(u"バリエーション")) && !c.endsWith(u'料') &&
        !c.endsWith(u"料金") && !c.endsWith(u'代') && !c.endsWith(u"価格"))
        return Label::Option;
    return c.isEmpty() ? Label::None : Label::Other;
}

enum class Section { None, Items, Other };

// A heading's section: the order's items, or another block (the orderer,
// the destination, payment, remarks).
Section sectionOf(const QString &c)
{
    static const char16_t *const itemWords[] = {
        u"商品",       u"注文内容", u"明細",       u"注文品",     u"購入品",
        u"品名",       u"注文の品", u"お買い上げ", u"お買上げ",   u"作品",
        u"お届け内容", u"発注内容", u"アイテム",   u"品物",       u"買い物",
        u"お買物",     u"カート",   u"注文詳細",   u"注文の詳細", u"購入内容"};
    for (const char16_t *w : itemWords)
        if (c.contains(QStringView(w)))
            return Section::Items;
    return Section::Other;
}

// A line that is a block's name by itself ("注文内容", "お届け先:"), with or
// without marks around it.
std::optional<Section> knownHeading(QString c)
{
    while (!c.isEmpty() && (isLeadingMark(c.back()) || c.back() == u':'))
        c.chop(1);
    static const char16_t *const itemWords[] = {
        u"商品",         u"注文内容",     u"ご注文内容",     u"注文商品",   u"ご注文商品",
        u"明細",         u"注文明細",     u"ご注文明細",     u"ご注文概要", u"注文概要",
        u"購入商品",     u"ご購入商品",   u"注文品",         u"ご注文品",   u"発注内容",
        u"ご注文の品",   u"購入作品",     u"ご購入作品",     u"作品",       u"品物",
        u"お品物",       u"注文アイテム", u"ご注文アイテム", u"注文の概要", u"ご注文の概要",
        u"注文の詳細",   u"ご注文の詳細", u"ご注文",         u"注文",       u"Ordersummary",
        u"Orderdetails", u"Items",        u"Orderitems"};
    static const char16_t *const otherWords[] = {
        u"お届け先",     u"お届け先住所", u"送付先",     u"配送先",   u"ご注文者",
        u"注文者",       u"購入者",       u"ご購入者",   u"ご依頼主", u"依頼主",
        u"請求先",       u"ご請求先",     u"納品先",     u"お支払い", u"お支払方法",
        u"お支払い方法", u"備考",         u"お客様情報", u"配送方法", u"送り主"};
    for (const char16_t *w : itemWords)
        if (c == QStringView(w))
            return Section::Items;
    // "注文のまとめ", "ご購入内訳", "お買い上げ明細": the order's own summary.
    static const QRegularExpression orderHeading(
        QStringLiteral("^(?:ご|お)?(?:注文|購入|買い?上げ?|買物|買い物)(?:の)?(?:商品|品)?(?:まとめ|内訳|内容|明細|"
                       "詳細|概要|一覧|品目|リスト)?$"));
    if (c.size() > 3 && orderHeading.match(c).hasMatch())
        return Section::Items;
    for (const char16_t *w : otherWords)
        if (c == QStringView(w))
            return Section::Other;
    return std::nullopt;
}

struct Pending
{
    QString name, code, unit, tags;
    QStringList options;
    std::optional<qint64> price, qty, total;
    bool reduced = false, standard = false;
    bool badQty = false;       // a quantity that is no whole count ("250g")
    bool countOnName = false;  // "煎茶 特選 × 2": the amount under it is the line's
    QString wholeName;         // that name with its count, should the count be the name's
    qsizetype nameLine = 0;    // the length of the line the name was read from
    bool countedTotal = false; // that amount may still be the price (see finish())
    qsizetype indent = 0;      // blanks before the name's line
    bool countFirst = false;   // a labelled count came before the name
    bool blankEnd = false;     // the name's line ended in a blank: wrapped there
    bool empty() const { return name.isEmpty() && code.isEmpty() && !price && !total; }
    bool priced() const { return price.has_value() || total.has_value(); }
};

// What one line says about an item, read from a price with its quantity in
// one of the written forms.
struct ItemLine
{
    QString name, unit, tags;
    QStringList options; // written in brackets in the name ("［色：黒］")
    std::optional<qint64> price, qty, total;
    bool priceLabel = false;   // "単価 ¥756": the amount is surely the unit price
    bool countedTotal = false; // "× 2  2,160円": the line total, or the price?
};

// A row of a table without currency marks, read by its arithmetic: the last
// three numbers are count, price and line total, or price, count and line
// total, and count × price = total ("客室用 湯呑み  30個  600  18,000").
std::optional<ItemLine> tableRow(const QString &o, const QString &n, const QList<Money> &money)
{
    static const QRegularExpression unitAfter(
        QStringLiteral("[\\s\\x{3000}]*(%1)(?=[\\s\\x{3000}]|$)").arg(kUnits));
    // A rate column may follow ("煎茶 100g  2  1,080  2,160  8%").
    static const QRegularExpression tail(
        QStringLiteral("[\\s\\x{3000}円)]*(?:\\d{1,2}(?:\\.\\d)?%|軽)?[\\s\\x{3000}]*$"));
    if (money.size() < 3 || !tail.match(n, money.back().end, QRegularExpression::NormalMatch,
                                        QRegularExpression::AnchorAtOffsetMatchOption)
                                 .hasMatch())
        return std::nullopt;
    const Money &a = money[money.size() - 3], &b = money[money.size() - 2], &t = money.back();
    // Each number stands apart from the name's words.
    if (a.begin == 0 || !isBlank(n.at(a.begin - 1)) || !a.valid || !b.valid || !t.valid)
        return std::nullopt;
    auto unitAt = [&](const Money &m) {
        const auto u = unitAfter.match(n, m.end, QRegularExpression::NormalMatch,
                                       QRegularExpression::AnchorAtOffsetMatchOption);
        return u.hasMatch() ? std::optional<QString>(unitOf(u.captured(1))) : std::nullopt;
    };
    // Which of the two is the count: the one without a currency mark, or
    // with a unit; else the smaller ("1,296  2  2,592", "3,240  1  3,240":
    // no shop sells at 2 yen), the first of two equal ones.
    const bool bIsCount = (a.marked && !b.marked) || (!unitAt(a) && unitAt(b)) ||
                          (!a.marked && !b.marked && !unitAt(a) && b.value < a.value);
    const Money &count = bIsCount ? b : a;
    const Money &price = bIsCount ? a : b;
    if (count.value <= 0 || count.marked || count.value * price.value != t.value)
        return std::nullopt;
    ItemLine r;
    r.qty = count.value;
    r.price = price.value;
    r.unit = unitAt(count).value_or(QString());
    r.name = nameFrom(o, 0, a.begin, &r.tags);
    return r.name.isEmpty() ? std::nullopt : std::optional<ItemLine>(r);
}

std::optional<ItemLine> readItemLine(const QString &o, const QString &n, bool priceLabelled)
{
    const QList<Money> money = moneyIn(n);
    auto nameBefore = [&](qsizetype end, ItemLine &r) {
        // "特上深蒸し茶100g 1袋1,620円×3袋": the price's "per bag" is no name.
        static const QRegularExpression perUnit(
            QStringLiteral("[\\s\\x{3000}]*1(?:%1)(?:あたり|当たり|につき)?$").arg(kUnits));
        if (end > 0 && end < n.size() && (n.at(end).isDigit() || n.at(end) == u'¥'))
            if (const auto m = perUnit.match(QStringView(n).left(end)); m.hasMatch())
                end = m.capturedStart();
        r.name = nameFrom(o, 0, end, &r.tags);
        // An option in brackets after the name: "茶葉入れ ［色：黒］",
        // "煎茶（のし：御中元）".
        static const QRegularExpression option(
            QStringLiteral("[\\s\\x{3000}]*[\\[［(（]([^\\]］)）:：\\d税]{1,16}[:：][^\\]］)）]{1,"
                           "24})[\\]］)）]"));
        for (auto it = option.globalMatch(r.name); it.hasNext();)
            r.options.append(blankTrim(it.next().captured(1)));
        if (!r.options.isEmpty())
            r.name = blankTrim(QString(r.name).remove(option));
        // The price's own label is no name ("価格  1,188(円) x 1(個)").
        const Label l = labelOf(compact(prepared(r.name)));
        if (l == Label::Price || l == Label::LineTotal) {
            r.priceLabel = l == Label::Price;
            r.name.clear();
        }
    };
    static const QRegularExpression times(
        QStringLiteral(
            "(?:[\\s\\x{3000}]*\\([^)]{0,16}\\)|\\))?[\\s\\x{3000}]*(?:[x×X*]|を)[\\s\\x{3000}]*"
            "(?:(?:数量|個数)[\\s\\x{3000}:]*)?(\\d{1,9})(?!\\d)[\\s\\x{3000}]*"
            "(?:\\((%1)\\)|(%1))?")
            .arg(kUnits));
    static const QRegularExpression equals(QStringLiteral("[\\s\\x{3000}]*="));
    static const QRegularExpression qtyUnit(
        QStringLiteral(
            "(?:^|(?<=[\\s\\x{3000}]))(\\d{1,9})[\\s\\x{3000}]*(%1)(?=[\\s\\x{3000}@¥(]|$)")
            .arg(kUnits));
    static const QRegularExpression timesBefore(
        QStringLiteral(
            "(?<![0-9A-Za-z.])[x×X*][\\s\\x{3000}]*(\\d{1,9})(?!\\d)[\\s\\x{3000}]*(%1)?")
            .arg(kUnits));
    // A bare count between two amounts: "¥1,620  2  ¥3,240".
    static const QRegularExpression countBetween(
        QStringLiteral("[\\s\\x{3000}]+(\\d{1,9})[\\s\\x{3000}]*(%1)?(?=[\\s\\x{3000}]|$)")
            .arg(kUnits));
    // Labels inside the line: "川根茶 100g　単価 1,296円　数量 2　金額 2,592円".
    static const QRegularExpression inlineQty(
        QStringLiteral(
            "(?:数量|個数)[\\s\\x{3000}:]*(\\d{1,9})(?!\\d)[\\s\\x{3000}]*(?:\\((%1)\\)|(%1))?")
            .arg(kUnits));
    static const QRegularExpression inlineLabel(QStringLiteral(
        "((?:販売|税込|税抜|税別|本体|商品)?(?:単価|価格)|金額|小計)[\\s\\x{3000}:]*$"));
    const bool anyMarked =
        std::any_of(money.begin(), money.end(), [](const Money &m) { return m.marked; });
    auto skip = [&](const Money &m) { return !m.marked && (!priceLabelled || anyMarked); };

    // A sentence with the count before its price: "ほうじ茶を3袋お願いします。
    // 1袋648円でしたよね", "あと玄米茶も2袋（540円）".
    static const QRegularExpression sentence(
        QStringLiteral("^[\\s\\x{3000}]*(?:あと|それと|それから|また|今回は|今回も)?[、\\s\\x{3000}"
                       "]*(.+?)(?:を|も)"
                       "[\\s\\x{3000}]*(\\d{1,9})[\\s\\x{3000}]*(%1)")
            .arg(kUnits));
    if (const auto sm = sentence.match(n); sm.hasMatch() && anyMarked) {
        QList<Money> after;
        bool before = false; // a price before the count is read by the forms below
        for (const Money &m : money) {
            if (m.marked && m.begin >= sm.capturedEnd())
                after.append(m);
            before = before || (m.marked && m.begin < sm.capturedEnd());
        }
        if (!before && after.size() == 1 && after.front().valid && after.front().value > 0) {
            ItemLine r;
            r.name = nameFrom(o, sm.capturedStart(1), sm.capturedEnd(1), &r.tags);
            r.qty = sm.captured(2).toLongLong();
            r.unit = unitOf(sm.captured(3));
            r.price = after.front().value;
            if (!r.name.isEmpty())
                return r;
        }
    }

    if (const auto q = inlineQty.match(n); q.hasMatch()) {
        ItemLine r;
        qsizetype nameEnd = q.capturedStart();
        for (const Money &m : money) {
            const auto l = inlineLabel.match(n.left(m.begin));
            if (!l.hasMatch() || !m.valid)
                continue;
            nameEnd = std::min(nameEnd, l.capturedStart());
            if (l.captured(1).endsWith(u"単価") || l.captured(1).endsWith(u"価格"))
                r.price = m.value;
            else
                r.total = m.value;
        }
        // "価格: 4,860円  数量: 1" after the price's own label.
        if (!r.price && priceLabelled)
            for (const Money &m : money)
                if (m.valid && m.end <= q.capturedStart() && !skip(m)) {
                    r.price = m.value;
                    nameEnd = std::min(nameEnd, m.begin);
                    break;
                }
        // "抹茶カステラ 1本 / 1,620円 / 数量 2": one amount, unlabelled, the
        // price or the line's total (the order's total decides, see finish()).
        if (!r.price && !r.total) {
            QList<Money> before;
            for (const Money &m : money)
                if (m.marked && m.valid && m.end <= q.capturedStart())
                    before.append(m);
            if (before.size() == 1 && before.front().value > 0) {
                r.total = before.front().value;
                r.countedTotal = true;
                nameEnd = std::min(nameEnd, before.front().begin);
            }
        }
        if (r.price || r.total) {
            r.qty = q.captured(1).toLongLong();
            r.unit = unitOf(q.captured(2).isEmpty() ? q.captured(3) : q.captured(2));
            nameBefore(nameEnd, r);
            return r;
        }
    }

    // With no currency mark on the line, an amount of three digits or more
    // standing apart ("煎茶 1,080 × 2", "× 5  5,400") still reads next to a count.
    auto plain = [&](const Money &m) {
        const QChar after = m.end < n.size() ? n.at(m.end) : QChar(u' ');
        return !anyMarked && m.valid && m.value >= 100 && !after.isLetter();
    };
    for (qsizetype i = 0; i < money.size(); ++i) {
        const Money &m = money[i];
        // price × quantity [= line total]
        const auto t = times.match(n, m.end, QRegularExpression::NormalMatch,
                                   QRegularExpression::AnchorAtOffsetMatchOption);
        if (skip(m) && !(t.hasMatch() && plain(m)))
            continue;
        if (t.hasMatch() && m.valid) {
            ItemLine r;
            nameBefore(m.begin, r);
            r.price = m.value;
            r.qty = t.captured(1).toLongLong();
            r.unit = unitOf(t.captured(2).isEmpty() ? t.captured(3) : t.captured(2));
            const qsizetype after = t.capturedEnd();
            const auto eq = equals.match(n, after, QRegularExpression::NormalMatch,
                                         QRegularExpression::AnchorAtOffsetMatchOption);
            if (eq.hasMatch() && i + 1 < money.size() && money[i + 1].begin >= eq.capturedEnd())
                r.total = money[i + 1].value;
            return r;
        }
        // quantity and unit, then "@price" [line total]
        if (n.at(m.begin) == u'@' || n.mid(m.begin, m.end - m.begin).contains(u'@')) {
            ItemLine r;
            r.price = m.value;
            qsizetype nameEnd = m.begin;
            for (auto it = qtyUnit.globalMatch(n.left(m.begin)); it.hasNext();) {
                const auto q = it.next();
                r.qty = q.captured(1).toLongLong();
                r.unit = unitOf(q.captured(2));
                nameEnd = q.capturedStart();
            }
            if (!r.qty) // "朝霧100g ×2　@1,620"
                for (auto it = timesBefore.globalMatch(n.left(m.begin)); it.hasNext();) {
                    const auto q = it.next();
                    r.qty = q.captured(1).toLongLong();
                    r.unit = unitOf(q.captured(2));
                    nameEnd = q.capturedStart();
                }
            nameBefore(nameEnd, r);
            if (i + 1 < money.size())
                r.total = money[i + 1].value;
            return r;
        }
    }
    // Count, price and line total that agree, with or without marks.
    if (auto row = tableRow(o, n, money))
        return row;
    // A count column first ("2   ほうじ茶 3g×30包   ￥864   ￥1,728"): the count
    // times the price is the line total.
    static const QRegularExpression leadingCount(
        QStringLiteral("^[\\s\\x{3000}]*(\\d{1,4})[\\s\\x{3000}]+(?=[^\\s\\x{3000}\\d¥])"));
    if (const auto c = leadingCount.match(n); c.hasMatch() && money.size() >= 3) {
        const Money &p = money[money.size() - 2], &t = money.back();
        const qint64 count = c.captured(1).toLongLong();
        if (p.valid && t.valid && p.begin > c.capturedEnd() && count > 0 &&
            count * p.value == t.value && (p.marked || !anyMarked)) {
            ItemLine r;
            r.qty = count;
            r.price = p.value;
            r.total = t.value;
            r.name = nameFrom(o, c.capturedEnd(), p.begin, &r.tags);
            if (!r.name.isEmpty())
                return r;
        }
    }

    // "× quantity" or "quantity unit", then the line total; or a price, then
    // "quantity unit"; or a price alone.
    for (qsizetype i = 0; i < money.size(); ++i) {
        const Money &m = money[i];
        if (skip(m) && !plain(m))
            continue;
        ItemLine r;
        QRegularExpressionMatch q;
        // "2袋（1袋1,080円）", "3袋 各540円": the amount is for one.
        static const QRegularExpression perOne(
            QStringLiteral("[(\\s\\x{3000}]*(?:1[\\s\\x{3000}]*(?:%1)(?:あたり|当たり|につき)?|各)["
                           "\\s\\x{3000}]*$")
                .arg(kUnits));
        auto countIn = [&](const QString &left) {
            QRegularExpressionMatch found;
            for (auto it = timesBefore.globalMatch(left); it.hasNext();)
                found = it.next();
            if (!found.hasMatch())
                for (auto it = qtyUnit.globalMatch(left); it.hasNext();)
                    found = it.next();
            // "煎茶100g×3 3,240円": × glued to the name, a bare count right
            // before the amount ("3g×30包" with its unit stays a pack size).
            static const QRegularExpression gluedCount(
                QStringLiteral("[x×X*](\\d{1,4})()[\\s\\x{3000}]+$"));
            if (!found.hasMatch())
                found = gluedCount.match(left);
            // A count in brackets right before the amount: "煎茶 ［1個］ 3,780円",
            // "煎茶 （数量：2袋） 2,160円"; a bare number needs its label or unit.
            static const QRegularExpression bracketCount(
                QStringLiteral(
                    "[\\[(【<〈](?=[\\s\\x{3000}]*(?:数量|個数|\\d{1,9}[\\s\\x{3000}]*(?:%1)))"
                    "[\\s\\x{3000}]*(?:(?:数量|個数)[\\s\\x{3000}:]*)?(\\d{1,9})[\\s\\x{3000}]*"
                    "(%1)?[\\s\\x{3000}]*[\\])】>〉][\\s\\x{3000}]*$")
                    .arg(kUnits));
            if (!found.hasMatch())
                found = bracketCount.match(left);
            return found;
        };
        // "煎茶 2 × 1,080円": the count, then times the price of one.
        static const QRegularExpression countTimes(
            QStringLiteral("(?:^|[\\s\\x{3000}])(\\d{1,4})[\\s\\x{3000}]*(%1)?[\\s\\x{3000}]*[x×X*]"
                           "[\\s\\x{3000}]*$")
                .arg(kUnits));
        if (const auto t = countTimes.match(n.left(m.begin)); t.hasMatch() && m.valid) {
            r.qty = t.captured(1).toLongLong();
            r.unit = unitOf(t.captured(2));
            r.price = m.value;
            nameBefore(t.capturedStart(1), r);
            if (!r.name.isEmpty() && *r.qty > 0)
                return r;
            r = ItemLine();
        }
        auto one = perOne.match(n.left(m.begin));
        if (one.hasMatch())
            q = countIn(n.left(one.capturedStart()));
        if (!q.hasMatch()) {
            one = QRegularExpressionMatch();
            q = countIn(n.left(m.begin));
        }
        if (!q.hasMatch() && skip(m))
            continue; // a plain number counts only after a count
        if (q.hasMatch()) {
            r.qty = q.captured(1).toLongLong();
            r.unit = unitOf(q.captured(2));
            if (one.hasMatch()) {
                r.price = m.value;
            } else {
                r.total = m.value;
                r.countedTotal = true;
            }
            nameBefore(q.capturedStart(), r);
            return r;
        }
        r.price = m.value;
        nameBefore(m.begin, r);
        const auto count = countBetween.match(n, m.end, QRegularExpression::NormalMatch,
                                              QRegularExpression::AnchorAtOffsetMatchOption);
        if (count.hasMatch()) {
            const auto total =
                std::find_if(money.begin() + i + 1, money.end(), [&](const Money &t) {
                    return t.begin >= count.capturedEnd() && !skip(t);
                });
            if (total != money.end()) {
                r.qty = count.captured(1).toLongLong();
                r.unit = unitOf(count.captured(2));
                r.total = total->value;
                return r;
            }
        }
        const auto after = qtyUnit.match(n, m.end);
        const auto next = std::find_if(money.begin() + i + 1, money.end(), [&](const Money &t) {
            return !skip(t) && (!after.hasMatch() || t.begin >= after.capturedEnd());
        });
        if (after.hasMatch() && (next == money.end() || after.capturedStart() < next->begin)) {
            r.qty = after.captured(1).toLongLong();
            r.unit = unitOf(after.captured(2));
            if (next != money.end())
                r.total = next->value;
        }
        return r;
    }
    return std::nullopt;
}

// Tax words of the mail, and whether a line marks its item reduced or
// standard ("8%", "軽減", "(軽)"; "10%").
bool saysReduced(const QString &n)
{
    static const QRegularExpression re(
        QStringLiteral("(?<![\\d.])8(?:\\.0)?%|軽減|[(\\[【]軽[)\\]】]"));
    return re.match(n).hasMatch();
}

bool saysStandard(const QString &n)
{
    static const QRegularExpression re(QStringLiteral("(?<![\\d.])10(?:\\.0)?%"));
    return re.match(n).hasMatch();
}

// Whether an item is food or drink, for a mail that says only that food is
// at the reduced rate: tea, sweets and the like are; the ware to make and
// serve them (急須, 茶筒, 茶碗) and wrapping are not.
bool isFood(const QString &name)
{
    static const QRegularExpression ware(QStringLiteral(
        "急須|湯呑|湯飲|茶碗|茶托|茶筒|茶缶(?!入)|茶筅|茶杓|茶巾|茶こし|茶漉|茶器|茶香炉|香炉|"
        "ポット|ピッチャー|カップ|マグ|グラス|皿|鉢|盆|箸|懐紙|紙袋|風呂敷|ラッピング|"
        "包装|手提げ|タオル|前掛|エプロン|缶のみ|ストッカー|保存容器|フィルター|スプーン|"
        "トレー|器"));
    static const QRegularExpression english(
        QStringLiteral("[Tt]eapot|[Kk]yusu|[Cc]up|[Mm]ug|[Ww]hisk|[Cc]hasen|[Bb]owl|[Gg]lass"));
    static const QRegularExpression englishFood(QStringLiteral(
        "[Tt]ea(?![Pp]ot)|[Ss]encha|[Mm]atcha|[Hh]ojicha|[Gg]enmaicha|[Gg]yokuro|[Bb]ancha|"
        "[Cc]ookie|[Ss]weets|[Cc]andy|[Cc]hocolate|[Yy]okan"));
    if (englishFood.match(name).hasMatch() && !english.match(name).hasMatch())
        return true;
    static const QRegularExpression food(QStringLiteral(
        "茶|菓子|羊羹|ようかん|饅頭|まんじゅう|カステラ|煎餅|せんべい|最中|落雁|クッキー|"
        "チョコ|飴|餅|大福|ゼリー|プリン|ラテ|ティー|紅茶|抹茶|ほうじ|玄米|玉露|番茶|ジュース|"
        "蜂蜜|はちみつ|ジャム|海苔|のり|ふりかけ|佃煮|漬|梅|干し|茶葉|ティーバッグ|パウダー|粉末"));
    return food.match(name).hasMatch() && !ware.match(name).hasMatch();
}

// The cells of a table line: split at tabs, rules (│ |) and runs of blanks.
struct Cell
{
    qsizetype begin, end;
};

QList<Cell> cellsOf(const QString &n)
{
    static const QRegularExpression separator(
        QStringLiteral("[\\s\\x{3000}]*[\\t│┃|/][\\s\\x{3000}]*|[ ]{2,}|\\x{3000}[\\s\\x{3000}]*"));
    // A table drawn with borders ("│品　名│数量│") has its cells between
    // them only: blanks inside a cell space out its words.
    static const QRegularExpression border(QStringLiteral("[\\s\\x{3000}]*[│┃|][\\s\\x{3000}]*"));
    const bool boxed = n.count(u'│') + n.count(u'┃') + n.count(u'|') >= 3;
    QList<Cell> cells;
    qsizetype at = 0;
    for (auto it = (boxed ? border : separator).globalMatch(n); it.hasNext();) {
        const auto m = it.next();
        if (m.capturedStart() > at)
            cells.append({at, m.capturedStart()});
        at = m.capturedEnd();
    }
    if (at < n.size())
        cells.append({at, n.size()});
    return cells;
}

// The cells of a line copied from a screen: every tab a border, empty cells
// kept.
QList<Cell> tabCells(const QString &n)
{
    QList<Cell> cells;
    qsizetype at = 0;
    for (;;) {
        const qsizetype tab = n.indexOf(u'\t', at);
        const qsizetype end = tab < 0 ? n.size() : tab;
        qsizetype b = at, e = end;
        while (b < e && isBlank(n.at(b)))
            ++b;
        while (e > b && isBlank(n.at(e - 1)))
            --e;
        cells.append({b, e});
        if (tab < 0)
            return cells;
        at = tab + 1;
    }
}

enum class Column { Other, Name, Size, Qty, Price, Total, Rate, Reduced, Unit, Option };

// A table head's column for a cell's word ("品名", "数量", "単価(税抜)").
Column columnOf(QString c)
{
    static const QRegularExpression remark(QStringLiteral("\\(.*\\)$"));
    c.remove(remark);
    c.remove(u'・'); // "項目・選択肢"
    static const std::pair<const char16_t *, Column> words[] = {
        {u"品名", Column::Name},         {u"商品名", Column::Name},
        {u"商品", Column::Name},         {u"品目", Column::Name},
        {u"商品の詳細", Column::Name},   {u"数量", Column::Qty},
        {u"個数", Column::Qty},          {u"注文数", Column::Qty},
        {u"単価", Column::Price},        {u"価格", Column::Price},
        {u"販売価格", Column::Price},    {u"金額", Column::Total},
        {u"小計", Column::Total},        {u"商品の合計", Column::Total},
        {u"売上", Column::Total},        {u"商品詳細", Column::Name},
        {u"合計", Column::Total},        {u"税率", Column::Rate},
        {u"単位", Column::Unit},         {u"規格", Column::Size},
        {u"容量", Column::Size},         {u"内容量", Column::Size},
        {u"項目選択肢", Column::Option}, {u"選択肢", Column::Option},
        {u"オプション", Column::Option}, {u"バリエーション", Column::Option},
        {u"備考", Column::Option},       {u"軽減", Column::Reduced},
        {u"軽減税率", Column::Reduced},  {u"軽", Column::Reduced},
        {u"ITEM", Column::Name},         {u"Item", Column::Name},
        {u"Product", Column::Name},      {u"QTY", Column::Qty},
        {u"Qty", Column::Qty},           {u"Quantity", Column::Qty},
        {u"UNITPRICE", Column::Price},   {u"Unitprice", Column::Price},
        {u"Price", Column::Price},       {u"SUBTOTAL", Column::Total},
        {u"Subtotal", Column::Total},    {u"Total", Column::Total}};
    for (const auto &[w, column] : words)
        if (c == QStringView(w))
            return column;
    // "商品名/商品コード/規格": the name's column with its code and size.
    if (c.startsWith(u"商品名/") || c.startsWith(u"品名/"))
        return Column::Name;
    return Column::Other;
}

// A label short enough to be an item's attribute (柄, 色味, 茶葉の種類), and
// none of the order's own fields (dates, addresses, numbers).
bool attributeLabel(QString label)
{
    // A bracketed remark does not lengthen it ("名入れ文字（1客目）"), nor
    // does being the kind of something ("和紅茶の種類").
    static const QRegularExpression remark(QStringLiteral("\\([^()]{1,8}\\)$"));
    label.remove(remark);
    static const QRegularExpression kindOf(
        QStringLiteral("(?:の(?:種類|色|サイズ|柄|味)|名入れ|表書き|のし)$"));
    if ((label.size() > 5 && !(label.size() <= 8 && kindOf.match(label).hasMatch())) ||
        std::all_of(label.begin(), label.end(), [](QChar ch) { return ch.unicode() < 0x80; }))
        return false;
    for (const char16_t *w :
         {u"日",   u"時",         u"番号",          u"先",   u"者",   u"方法",
          u"備考", u"届",         u"支払",          u"送",   u"連絡", u"メール",
          u"電話", u"住所",       u"名前",          u"氏名", u"状態", u"期",
          u"区分", u"様",         u"TEL",           u"〒",   u"希望", u"同梱",
          u"注意", u"要望",       u"メッセージ",    u"販売", u"出品", u"ショップ",
          u"店",   u"ステータス", u"コンディション"})
        if (label.contains(QStringView(w)))
            return false;
    return true;
}

// An option as written, without the closing bracket of a line written in
// brackets ("（のし：御中元）" read from after its opening one).
QString optionText(const QString &text)
{
    // A label padded to line up the colons ("色　　：白") is the label, and
    // a value set off after its colon ("オプション：　黒") is the value.
    static const QRegularExpression afterColon(QStringLiteral("^([^:：]{1,12}[:：])\\x{3000}+"));
    static const QRegularExpression padded(
        QStringLiteral("^([^:：]{1,8}?)(?:\\x{3000}|\\s{2,})[\\s\\x{3000}]*(?=[:：])"));
    // A request's closing words are no part of it ("御歳暮（上野）でお願いします").
    static const QRegularExpression request(QStringLiteral(
        "[\\s\\x{3000}]*で?(?:お願い(?:します|いたします|致します)?|よろしく.*)[。!！]*$"));
    // The empty cells of a drawn table after it ("のし：御年賀│      │").
    static const QRegularExpression cellsAfter(
        QStringLiteral("(?:[\\s\\x{3000}]*[│┃|])+[\\s\\x{3000}]*$"));
    QString t = blankTrim(QString(text)
                              .remove(cellsAfter)
                              .remove(request)
                              .replace(padded, QStringLiteral("\\1"))
                              .replace(afterColon, QStringLiteral("\\1")));
    if ((t.endsWith(u')') && !t.contains(u'(')) || (t.endsWith(u'）') && !t.contains(u'（')))
        t = blankTrim(t.chopped(1));
    return t;
}

class Reader
{
public:
    OrderLines result;

    // o: the line as written; n: the same prepared (see prepared()).
    void line(const QString &o, const QString &n)
    {
        // A blank line between a counted name and its prices ("かんぶせ茶 × 4"
        // / "" / "¥1,188" / "¥4,752", as a mail's HTML lays them out) ends
        // the entry only when something else follows.
        if (const QString label = std::exchange(heldLabel, QString()); !label.isEmpty()) {
            // Its value, unless the line is the next label of a head (labels
            // one after another head a table whose cells follow one per line).
            const QString c = compact(n);
            const Label l = labelOf(c);
            const bool head = std::exchange(labelRun, l != Label::Other && l != Label::None);
            if (!head && !c.isEmpty() && (l == Label::Other || l == Label::None) &&
                !knownHeading(c) && !n.contains(u'\t')) { // a table's head or row is no value
                const QString joined = label + u'：' + blankTrim(o);
                line(joined, prepared(joined));
                return;
            }
        } else {
            labelRun = false;
        }
        if (std::exchange(countNext, false) && !cur.name.isEmpty()) {
            static const QRegularExpression count(QStringLiteral("^(\\d{1,4})(%1)?$").arg(kUnits));
            if (const auto m = count.match(compact(n)); m.hasMatch()) {
                if (cur.countOnName && !cur.wholeName.isEmpty()) {
                    cur.name = cur.wholeName; // "クッキー 12枚": the name's own count
                    cur.unit.clear();
                }
                cur.qty = m.captured(1).toLongLong();
                if (m.capturedLength(2) > 0)
                    cur.unit = unitOf(m.captured(2));
                return;
            }
        }
        if (std::exchange(openAfterBlank, false)) {
            static const QRegularExpression amountOnly(
                QStringLiteral("^[-▲]?¥?\\d[\\d,]*(?:円|JPY)?$"));
            if (!amountOnly.match(compact(n)).hasMatch())
                commit();
        }
        // A fee in brackets after other words ("代金引換（手数料330円）").
        static const QRegularExpression feeInBrackets(QStringLiteral(
            "[(]([^()]{0,8}?(?:手数料|送料))[\\s\\x{3000}:]*(\\d{1,3}(?:,\\d{3})+|\\d{1,7})円[)]"));
        if (n.contains(u'('))
            for (auto it = feeInBrackets.globalMatch(n); it.hasNext();) {
                const auto m = it.next();
                if (m.capturedStart() > 0)
                    feesInPassing.append({compact(o.mid(m.capturedStart(1), m.capturedLength(1))),
                                          m.captured(2).remove(u',').toLongLong()});
            }
        if (isRule(n)) {
            if (blankTrim(n).isEmpty() && !cur.name.isEmpty() && !cur.priced() &&
                (cur.countOnName || !cur.qty))
                openAfterBlank = true;
            else
                commit();
            return;
        }
        qsizetype b = 0;
        static const QRegularExpression listNumber(
            QStringLiteral("[\\s\\x{3000}]*(?:\\d{1,2}[.)](?!\\d)|\\(\\d{1,2}\\)|\\[\\d{1,2}\\])"));
        // A table's row number ("4　 法人割引（5%）  △1,810").
        static const QRegularExpression rowNumber(
            QStringLiteral("[\\s\\x{3000}]*\\d{1,2}[\\s\\x{3000}]+(?=[^\\s\\x{3000}\\d])"));
        if (const auto k = listNumber.match(n, 0, QRegularExpression::NormalMatch,
                                            QRegularExpression::AnchorAtOffsetMatchOption);
            k.hasMatch())
            b = k.capturedEnd();
        else if (const auto r = rowNumber.match(n, 0, QRegularExpression::NormalMatch,
                                                QRegularExpression::AnchorAtOffsetMatchOption);
                 r.hasMatch() && !columns.isEmpty())
            b = r.capturedEnd();
        numbered = b > 0;
        // A box's border ("┃") is no indent; a mark in the place of a blank
        // ("★煎茶" over "　湯呑み") is.
        indent = 0;
        while (indent < o.size() && (isBlank(o.at(indent)) || kTagMarks.contains(o.at(indent)) ||
                                     isBorder(o.at(indent))))
            ++indent;
        if (indent > 0 && isBorder(o.at(0)))
            --indent;
        while (b < n.size() && (isLeadingMark(n.at(b)) || n.at(b) == u'(' || n.at(b) == u'（'))
            ++b;
        plainStart = b == indent;
        const QString c = compact(QStringView(n).mid(b));
        // A summary word alone on its line ("■送料"), its amount alone on the
        // next ("¥660"): read as one line.
        if (!heldSummary.isEmpty()) {
            const QString label = std::exchange(heldSummary, QString());
            static const QRegularExpression amountOnly(QStringLiteral(
                "^[・●◆*]?(?:\\(税[込抜別][^)]{0,8}\\))?:?[-▲△]?¥?\\d[\\d,]*(?:円|\\(円\\)|JPY)?"
                "(?:\\(税[込抜別][^)]{0,8}\\))?$"));
            if (amountOnly.match(compact(n)).hasMatch()) {
                const QString joined = label + QStringLiteral("：") + o;
                line(joined, prepared(joined));
                return;
            }
        }
        {
            QString word;
            const Summary k = summaryOf(c, &word);
            // "割引 (WELCOME10)": the word with its code or remark.
            static const QRegularExpression remark(QStringLiteral("^\\([^()]{1,16}\\):?$"));
            if (k != Summary::None && k != Summary::Ignore &&
                (c == word || c == word + u':' ||
                 (c.startsWith(word) && remark.match(QStringView(c).mid(word.size())).hasMatch())))
                heldSummary = c == word || c == word + u':' ? word : blankTrim(o);
            // "クーポン値引き" / "-300円": a summary's label of more words.
            else if (QString whole;
                     k != Summary::Ignore && c.size() <= 12 && !c.contains(u':') &&
                     std::none_of(c.begin(), c.end(),
                                  [](QChar ch) { return ch.isDigit() || ch == u'×'; }) &&
                     labelSummary(c, &whole) != Summary::None &&
                     labelSummary(c, &whole) != Summary::Ignore)
                heldSummary = blankTrim(o);
        }
        // "[送料]  660(円)", "【合計】 8,048円": a summary word in brackets, then
        // its amount.
        static const QRegularExpression bracketed(
            QStringLiteral("[\\[【〔<]([^\\]】〕>]{1,16})[\\]】〕>][\\s\\x{3000}:]*(?=[-▲¥\\d])"));
        if (const auto k = bracketed.match(n, b, QRegularExpression::NormalMatch,
                                           QRegularExpression::AnchorAtOffsetMatchOption);
            k.hasMatch()) {
            QString word;
            const QString inner = compact(k.captured(1));
            if ((summaryOf(inner, &word) != Summary::None ||
                 labelSummary(inner, &word) != Summary::None) &&
                summary(o, n, k.capturedStart(1),
                        inner + compact(QStringView(n).mid(k.capturedEnd(1) + 1)), inner))
                return;
        }
        // A tax remark wrapped onto a line of its own ("（税込）") belongs to
        // the line above; the entry goes on.
        static const QRegularExpression remarkOnly(
            QStringLiteral("^\\((?:税[込抜別]|内税|外税|送料[込別])[^()]{0,10}\\)$"));
        if (remarkOnly.match(compact(n)).hasMatch())
            return;
        // "【軽減税率（8%）対象商品】", "■10%対象": the items under it are at that
        // rate, up to the next such heading.
        static const QRegularExpression group(
            QStringLiteral("^[\\[【<〔]?(?:(軽減)税率|(標準)税率)?\\(?(?:(8)|(10))?(?:\\.0)?%?\\)?("
                           "?:税率)?対象(?:の)?"
                           "(?:商品|品目)?[\\]】>〕]?:?$"));
        if (const auto g = group.match(c); g.hasMatch() && g.capturedLength(0) > 2) {
            const bool reduced = g.capturedLength(1) > 0 || g.capturedLength(3) > 0;
            // "* 軽減税率対象商品" explains a mark the items carry.
            if (const QChar lead = leadingMark(n); reduced && kTagMarks.contains(lead)) {
                mentionsReduced = true;
                legendTags += lead;
                return;
            }
            if (reduced || g.capturedLength(2) > 0 || g.capturedLength(4) > 0) {
                commit();
                mentionsReduced = true;
                rateGroup = reduced ? Rate::Reduced : Rate::Standard;
                return;
            }
        }
        // "8%対象 ¥3,240", "(うち10%対象 ¥5,500 内消費税 ¥500)": the mail's own
        // breakdown by rate, not a row.
        static const QRegularExpression rateShare(
            QStringLiteral("^[(\\[]?(?:[^:%\\d]{1,10}:)?(?:うち|内訳|内)?:?(?:税率)?\\d+(?:\\.\\d+)"
                           "?%(?:対象|の?商品)(?!:[^\\d¥])"));
        if (rateShare.match(c).hasMatch()) {
            static const QRegularExpression eight(QStringLiteral("(?<![\\d.])8(?:\\.0)?%対象"));
            if (const auto at = eight.match(c); at.hasMatch())
                for (const Money &m : moneyIn(c))
                    if (m.marked && m.begin >= at.capturedEnd()) {
                        reducedBase = m.value;
                        break;
                    }
            return;
        }
        if (tableLine(o, n))
            return;
        if (summary(o, n, b, c))
            return;
        if (notice(c, leadingMark(n)))
            return;
        if (labelled(o, n, b, c))
            return;
        unlabelled(o, n, c);
    }

    void finish()
    {
        commit();
        // A mail that prices nothing lists its items with counts alone; in a
        // priced mail such a line is reported as not read.
        const bool pricesNothing = result.itemCount() == 0 && !result.total;
        if (pricesNothing) {
            result.rows.append(unpriced.isEmpty() ? unpricedLoose : unpriced);
            // Items counted in sentences after the list ("茶こしも1個入れてください").
            if (!unpriced.isEmpty())
                for (const OrderRow &r : std::as_const(unpricedLoose))
                    if (std::none_of(unpriced.begin(), unpriced.end(), [&](const OrderRow &u) {
                            return u.name1.contains(r.name1) || r.name1.contains(u.name1);
                        }))
                        result.rows.append(r);
        }
        // An item listed twice, once without its price, is read once.
        for (const OrderRow &r : pricesNothing ? QList<OrderRow>() : unpriced) {
            const QString name = compact(r.name1);
            if (std::none_of(result.rows.begin(), result.rows.end(), [&](const OrderRow &p) {
                    const QString priced = compact(p.name1);
                    return !p.fee && (priced.contains(name) || name.contains(priced));
                }))
                result.unread.append(r.name1);
        }
        // "× 2  2,160円" is a line total in most shops and a unit price in
        // some; when the total agrees only with the amounts read as prices,
        // they were prices.
        if (!countedTotals.isEmpty() && result.total && !taxByTotal()) {
            const QList<OrderRow> before = result.rows;
            for (const Amount &a : std::as_const(countedTotals))
                result.rows[a.row].price = a.value;
            if (!taxByTotal())
                result.rows = before;
        }
        // Glued counts read as counts, the amount as the line's total or the
        // price of one: used when exactly one such reading reaches the total.
        constexpr qsizetype kMostGlued = 8;
        if (!gluedCounts.isEmpty() && gluedCounts.size() <= kMostGlued && result.total &&
            !taxByTotal()) {
            const QList<OrderRow> before = result.rows;
            int fits = 0;
            QList<OrderRow> found;
            for (quint32 set = 1; set < (quint32(1) << gluedCounts.size()); ++set)
                for (const bool lineTotal : {true, false}) {
                    bool whole = true;
                    for (qsizetype k = 0; k < gluedCounts.size(); ++k) {
                        if (!(set & (quint32(1) << k)))
                            continue;
                        const Glued &g = gluedCounts[k];
                        OrderRow &r = result.rows[g.row];
                        whole = whole && (!lineTotal || r.price % g.count == 0);
                        r.name1 = g.name;
                        r.unit = g.unit;
                        r.qty = g.count;
                        r.price = lineTotal ? r.price / g.count : r.price;
                    }
                    if (whole && taxByTotal()) {
                        ++fits;
                        found = result.rows;
                    }
                    result.rows = before;
                }
            if (fits == 1)
                result.rows = found;
        }
        // "数量: 3" / "価格: ¥1,980" where ¥1,980 is the line's: one price read
        // as the line's total when only that reaches the order's total.
        if (result.total && !taxByTotal()) {
            int fits = 0;
            qsizetype found = -1;
            for (qsizetype i = 0; i < result.rows.size(); ++i) {
                OrderRow &r = result.rows[i];
                if (r.fee || r.qty < 2 || r.price <= 0 || r.price % r.qty != 0)
                    continue;
                const qint64 price = r.price;
                r.price = price / r.qty;
                if (taxByTotal()) {
                    ++fits;
                    found = i;
                }
                r.price = price;
            }
            if (fits == 1)
                result.rows[found].price /= result.rows[found].qty;
        }
        applyMarks();
        // A mail that lists its items twice (a confirmation, then a packing
        // list): rows repeated exactly are read once when only that reaches
        // the total.
        if (result.total && !taxByTotal()) {
            QList<OrderRow> once;
            for (const OrderRow &r : std::as_const(result.rows))
                if (!once.contains(r))
                    once.append(r);
            if (once.size() < result.rows.size()) {
                std::swap(once, result.rows);
                if (!taxByTotal())
                    std::swap(once, result.rows);
            }
        }
        // A chat that offers items with their prices, then confirms them with
        // counts: an item named again at the same price is the later one.
        if (result.total && !taxByTotal()) {
            QList<OrderRow> last;
            for (qsizetype i = 0; i < result.rows.size(); ++i) {
                const OrderRow &r = result.rows[i];
                const bool again = !r.fee && std::any_of(result.rows.begin() + i + 1,
                                                         result.rows.end(), [&](const OrderRow &l) {
                                                             return !l.fee && l.name1 == r.name1 &&
                                                                    l.price == r.price;
                                                         });
                if (!again)
                    last.append(r);
            }
            if (last.size() < result.rows.size()) {
                std::swap(last, result.rows);
                if (!taxByTotal())
                    std::swap(last, result.rows);
            }
        }
        // Fees named in passing: rows when they bring the rows to the total,
        // all of them or one alone.
        if (!feesInPassing.isEmpty() && result.total && !taxByTotal()) {
            const QList<OrderRow> before = result.rows;
            auto add = [&](const Fee &f) {
                OrderRow fee;
                fee.name1 = f.name;
                fee.qty = 1;
                fee.price = f.amount;
                fee.fee = true;
                result.rows.append(fee);
            };
            for (const Fee &f : std::as_const(feesInPassing))
                add(f);
            if (taxByTotal() != OrderTaxMode::Included) {
                result.rows = before;
                for (const Fee &f : std::as_const(feesInPassing)) {
                    add(f);
                    if (taxByTotal() == OrderTaxMode::Included)
                        break;
                    result.rows.removeLast();
                }
            }
        }
        if (!pricesNothing) // with no price the tax mode stays unknown
            decideTax();
    }

    bool mentionsTen = false, taxLineEight = false, mentionsReduced = false;
    int inclWords = 0, exclWords = 0;

private:
    Pending cur;
    Section section = Section::None;
    QString heldSummary;     // a summary word on a line of its own, waiting for its amount
    struct Fee
    {
        QString name;
        qint64 amount;
    };
    // "送料表では東北は990円とありました", "代金引換（手数料330円）"
    QList<Fee> feesInPassing;
    bool allReduced = false; // "全品軽減税率対象"
    enum class Rate { None, Reduced, Standard } rateGroup = Rate::None; // under "【8%対象】"
    QList<OrderRow> unpriced;      // items named with a count but no price
    QList<OrderRow> unpricedLoose; // the same outside the items or in sentences
    QList<Column> columns;         // the last table head's columns
    QStringList reducedNames;      // items a note names as reduced (compact)
    QStringList reducedWords;      // words of the items a note names as reduced
    bool reducedFood = false;      // "食品は軽減税率": the food items

    // A row of the table under a head that names its columns ("品名  数量  単価"):
    // as many cells as the head, a count and an amount where the head says.
    bool tableLine(const QString &o, const QString &n)
    {
        if (columns.isEmpty())
            return false;
        QList<Cell> cells = cellsOf(n);
        // A row's number under a head that wrote "No. 品名" as one cell.
        static const QRegularExpression rowNumber(QStringLiteral("^\\d{1,3}$"));
        if (cells.size() == columns.size() + 1 &&
            rowNumber
                .match(QStringView(n).mid(cells.front().begin,
                                          cells.front().end - cells.front().begin))
                .hasMatch())
            cells.removeFirst();
        // A screen copied with tabs keeps its empty cells, and a row may be
        // broken over lines: the name's cells first ("未発送<TAB>煎茶"), the
        // amounts' last, after a tab ("<TAB>￥2,160<TAB>2<TAB>￥4,320").
        qsizetype first = 0; // the column of the first cell
        bool part = false;
        if (cells.size() != columns.size() && n.contains(u'\t')) {
            cells = tabCells(n);
            // Summaries below the table ("合計（税込）<TAB>36,015") are no part.
            QString word;
            // A label may stand in the last cell ("<TAB>2<TAB>¥1,980<TAB>商品の小計: ¥3,960").
            const qsizetype colon = n.indexOf(u':');
            part = cells.size() >= 2 && cells.size() < columns.size() &&
                   (colon < 0 || colon > cells.back().begin) &&
                   summaryOf(compact(n), &word) == Summary::None;
            if (part && cells.front().begin == cells.front().end)
                first = columns.size() - cells.size();
        }
        if (!part && cells.size() != columns.size())
            return false;
        static const QRegularExpression count(
            QStringLiteral("^(\\d{1,9})[\\s\\x{3000}]*(%1)?$").arg(kUnits));
        static const QRegularExpression amount(QStringLiteral(
            "^([-▲△])?[¥@]?[\\s\\x{3000}]*(\\d{1,3}(?:,\\d{3})+|\\d{1,9})[\\s\\x{3000}]*(?:円)?$"));
        Pending p;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const QString cell = blankTrim(n.mid(cells[i].begin, cells[i].end - cells[i].begin));
            if (part && cell.isEmpty())
                continue;
            auto money = [&]() -> std::optional<qint64> {
                static const QRegularExpression label(
                    QStringLiteral("^[^:]{1,10}:[\\s\\x{3000}]*"));
                const auto m = amount.match(QString(cell).remove(label));
                if (!m.hasMatch())
                    return std::nullopt;
                const qint64 v = m.captured(2).remove(u',').toLongLong();
                return m.capturedLength(1) > 0 ? -v : v;
            };
            switch (columns[first + i]) {
            case Column::Name:
            case Column::Size: { // "規格" belongs to the name: "玄米茶 500g"
                const QString part = nameFrom(o, cells[i].begin, cells[i].end, &p.tags);
                p.name = p.name.isEmpty() || part.isEmpty() ? p.name + part : p.name + u' ' + part;
                break;
            }
            case Column::Qty: {
                const auto m = count.match(cell);
                if (!m.hasMatch())
                    return false;
                p.qty = m.captured(1).toLongLong();
                p.unit = unitOf(m.captured(2));
                break;
            }
            case Column::Price:
                if (!(p.price = money()))
                    return false;
                break;
            case Column::Total:
                if (!(p.total = money()))
                    return false;
                break;
            case Column::Rate:
                p.reduced = saysReduced(cell) || cell.contains(u'軽');
                p.standard = saysStandard(cell);
                break;
            case Column::Reduced: // any mark in the column: "※", "○", "軽"
                p.reduced = !saysStandard(cell) && cell != u"-" && cell != u"×";
                break;
            case Column::Unit:
                p.unit = blankTrim(o.mid(cells[i].begin, cells[i].end - cells[i].begin));
                break;
            case Column::Option:
                if (!cell.isEmpty())
                    p.options.append(
                        blankTrim(o.mid(cells[i].begin, cells[i].end - cells[i].begin)));
                break;
            case Column::Other:
                break;
            }
        }
        if (part && !p.name.isEmpty() && !p.priced()) {
            commit(); // the row's name (with its count, "2<TAB>玉露"); its amounts follow
            cur = p;
            cur.indent = indent;
            cur.countFirst = p.qty.has_value();
            return true;
        }
        // "Gyokuro 50g" / "SQ-GYO-50<TAB>2<TAB>¥2,970": the name's cell holds
        // the code of the name above.
        if (!cur.name.isEmpty() && !cur.priced() && p.priced() && isProductCode(p.name)) {
            cur.code = p.name;
            p.name.clear();
        }
        // The amounts of the name above (its options between): "<TAB>2<TAB>¥3,024".
        if (p.name.isEmpty() && (p.qty || cur.qty) && p.priced() && !cur.name.isEmpty() &&
            !cur.priced()) {
            if (p.qty && cur.countOnName && cur.qty && *cur.qty != *p.qty &&
                !cur.wholeName.isEmpty()) {
                cur.name = cur.wholeName; // "ティーバッグ 20包" over a row of 4: the name's count
                cur.unit.clear();
            }
            if (p.qty)
                cur.qty = p.qty;
            cur.price = p.price;
            cur.total = p.total;
            // One amount under "価格" beside a count: the price or the
            // row's total (the order's total decides, see finish()).
            if (p.price && !p.total && *cur.qty > 1 &&
                std::none_of(columns.begin(), columns.end(),
                             [](Column c) { return c == Column::Total; })) {
                cur.total = std::exchange(cur.price, std::nullopt);
                cur.countedTotal = true;
            }
            if (!p.unit.isEmpty())
                cur.unit = p.unit;
            cur.reduced = cur.reduced || p.reduced;
            cur.standard = cur.standard || p.standard;
            return true;
        }
        // A list that prices nothing ("数量  商品の詳細") names its items with
        // their counts.
        const bool pricesNothing = std::none_of(columns.begin(), columns.end(), [](Column c) {
            return c == Column::Price || c == Column::Total;
        });
        if (part || p.name.isEmpty() || !p.qty || (!p.priced() && !pricesNothing))
            return false;
        commit();
        cur = p;
        cur.indent = indent;
        return true;
    }
    bool numbered = false;  // the line begins with a list number ("1.", "[2]")
    bool openAfterBlank = false; // a blank line came after a name without its price
    bool countCell = false;      // the count was a table's cell on a line of its own
    bool countNext = false;      // "数量" alone: its count comes on the next line
    QString heldLabel;           // a field's label alone, waiting for its value
    bool labelRun = false;       // labels alone one after another: a table's head
    bool plainStart = true; // nor with a bullet or other mark
    // A name line at least this long may have been wrapped by the mailer;
    // a sentence is no name ("先日はありがとうございました。…").
    static constexpr qsizetype kWrappedLine = 34;
    bool wrappedName() const
    {
        static const QRegularExpression prose(QStringLiteral("[。、！？!?]|す$"));
        const auto opened = [](const QString &s, QChar open, QChar close) {
            return s.count(open) > s.count(close);
        };
        return !cur.name.isEmpty() && !cur.priced() && !cur.qty && cur.options.isEmpty() &&
               (cur.nameLine >= kWrappedLine || opened(cur.name, u'（', u'）') ||
                opened(cur.name, u'(', u')')) &&
               plainStart && indent <= cur.indent && !prose.match(cur.name).hasMatch();
    }
    qsizetype indent = 0;  // blanks before the line being read
    QString legendTags;    // tag marks a legend explains as reduced
    std::optional<qint64> statedTax;
    std::optional<qint64> reducedTax, reducedBase; // stated for the reduced rate
    struct Tagged
    {
        qsizetype row;
        QString tags;
    };
    QList<Tagged> tagged;
    struct Amount
    {
        qsizetype row;
        qint64 value;
    };
    QList<Amount> countedTotals; // rows priced from "× 2  2,160円" as a line total
    struct Glued
    {
        qsizetype row;
        qint64 count;
        QString unit, name;
    };
    QList<Glued> gluedCounts; // rows whose name ends in "×2袋"

    void commit()
    {
        Pending p = std::exchange(cur, Pending{});
        if (p.empty())
            return;
        p.name = oneSpaced(p.name);
        // "季節の和菓子詰め合わせ - 12個入り / こしあん": a cart's title, then
        // the variation it was ordered in.
        if (const qsizetype dash = p.name.indexOf(QStringLiteral(" - ")); dash > 0) {
            const QString variant = p.name.mid(dash + 3);
            static const QRegularExpression variantLike(
                QStringLiteral(" / |入り?$|\\d+(?:g|kg|ml|個|本|袋|包|枚)$"));
            if (variant.size() <= 24 && dash >= 4 &&
                (variantLike.match(variant).hasMatch() || variant.at(0).unicode() < 0x80)) {
                p.options.prepend(variant);
                p.name.truncate(dash);
            }
        }
        // "ラテベース 300ml ×2　1,296円×2": the count said twice.
        static const QRegularExpression countAgain(
            QStringLiteral("[\\s\\x{3000}]+[x×X*]\\s*(\\d{1,4})$"));
        if (const auto m = countAgain.match(prepared(p.name));
            m.hasMatch() && m.capturedStart() > 0 && p.qty && m.captured(1).toLongLong() == *p.qty)
            p.name.truncate(m.capturedStart());
        // "[のし:御歳暮][名入れ:森]": options side by side in brackets.
        static const QRegularExpression bracketed(
            QStringLiteral("^(?:[\\[［【][^\\]］】]+[\\]］】])+$"));
        static const QRegularExpression inner(QStringLiteral("[\\[［【]([^\\]］】]+)[\\]］】]"));
        QStringList options;
        for (const QString &option : std::as_const(p.options)) {
            if (!bracketed.match(QString(option).remove(u' ')).hasMatch()) {
                options.append(option);
                continue;
            }
            for (auto it = inner.globalMatch(option); it.hasNext();)
                options.append(blankTrim(it.next().captured(1)));
        }
        p.options = options;
        // "湯呑み 藍染め（色：白）": an attribute in brackets after the name is
        // its option.
        static const QRegularExpression attribute(
            QStringLiteral("[\\s\\x{3000}]*[(（]([^()（）:：]{1,8})[:：]([^()（）]{1,20})[)）]$"));
        if (const auto a = attribute.match(p.name);
            a.hasMatch() && attributeLabel(blankTrim(a.captured(1)))) {
            p.options.prepend(blankTrim(a.captured(1)) + u'：' + blankTrim(a.captured(2)));
            p.name.truncate(a.capturedStart());
        }
        if (!p.priced()) {
            // A count with a unit and no price ("棒ほうじ茶 100g　2袋"): a row
            // only if the mail prices nothing (see finish()).
            if (p.qty && !p.name.isEmpty()) {
                OrderRow r;
                r.name1 = leftWhole(p.name, kItemNameLength);
                r.name2 = leftWhole(p.options.join(QStringLiteral(" / ")), kItemNameLength);
                r.qty = *p.qty;
                r.unit = leftWhole(p.unit, kUnitLength);
                r.priced = false;
                r.reduced = p.reduced && !p.standard;
                if (r.qty > kOrderNumberLimit)
                    result.unread.append(p.name);
                else
                    unpriced.append(r);
            }
            return;
        }
        if (p.badQty) {
            result.unread.append(p.name.isEmpty() ? p.code : p.name);
            return;
        }
        if (p.name.isEmpty() && p.code.isEmpty()) {
            result.unread.append(QString::number(p.price.value_or(*p.total)));
            return;
        }
        OrderRow r;
        r.name1 = leftWhole(p.name.isEmpty() ? p.code : p.name, kItemNameLength);
        r.name2 = leftWhole(p.options.join(QStringLiteral(" / ")), kItemNameLength);
        r.unit = leftWhole(p.unit, kUnitLength);
        if (p.price) {
            r.price = *p.price;
            r.qty = p.qty.value_or(0);
            if (!p.qty)
                r.qty = (p.total && *p.price != 0 && *p.total % *p.price == 0) ? *p.total / *p.price
                                                                               : 1;
        } else {
            // Only a line total: its price per unit when it divides evenly.
            r.qty = p.qty.value_or(1);
            if (p.countedTotal && r.qty > 1 && *p.total % r.qty != 0) {
                // "数量: 3  ¥400" was the price: it does not divide.
                r.price = *std::exchange(p.total, std::nullopt);
            } else {
                if (r.qty == 0 || *p.total % r.qty != 0) {
                    result.unread.append(r.name1);
                    return;
                }
                r.price = *p.total / r.qty;
                if (p.countedTotal && r.qty > 1)
                    countedTotals.append({result.rows.size(), *p.total});
            }
        }
        if (r.qty <= 0 || r.qty > kOrderNumberLimit || std::abs(r.price) > kOrderNumberLimit) {
            result.unread.append(r.name1);
            return;
        }
        if (p.total && p.price && r.qty * r.price != *p.total)
            result.unread.append(r.name1);
        r.reduced = (p.reduced || rateGroup == Rate::Reduced) && !p.standard;
        // "大分県でしたら送料770円です": the shipping, told in a sentence.
        if (const QString fee = feeAfterClause(r.name1); !fee.isEmpty() && r.qty == 1) {
            r.name1 = fee;
            r.name2.clear();
            r.fee = true;
            r.reduced = false;
        }
        // "送料  1  0  0": a fee of nothing is no row.
        if (QString word;
            r.price == 0 && labelSummary(compact(prepared(r.name1)), &word) == Summary::Fee)
            return;
        // "[5] 送料（東北）" / "価格：990円": a fee entered as an item.
        if (const QString label = withoutFeeRemarks(r.name1);
            !r.fee && r.qty == 1 && r.name2.isEmpty()) {
            QString word;
            const QString c = compact(prepared(label));
            if (summaryOf(c, &word) == Summary::Fee && word == c) {
                r.name1 = label;
                r.fee = true;
                r.reduced = false;
            }
        }
        if (!p.tags.isEmpty())
            tagged.append({result.rows.size(), p.tags});
        // "深蒸し茶 100g×2袋　¥2,160": a count glued to the name may be the
        // count or part of the name ("3g×30包"); the order's total decides.
        static const QRegularExpression gluedCount(
            QStringLiteral("^(.*[^\\s\\x{3000}])[\\s\\x{3000}]*[x×X*](\\d{1,4})(%1)?$")
                .arg(kUnits));
        if (!p.qty && r.qty == 1)
            if (const auto m = gluedCount.match(prepared(r.name1));
                m.hasMatch() && m.captured(2).toLongLong() >= 2)
                gluedCounts.append({result.rows.size(), m.captured(2).toLongLong(),
                                    unitOf(m.captured(3)), r.name1.left(m.capturedEnd(1))});
        result.rows.append(r);
    }

    void addFee(const QString &o, qsizetype b, qsizetype end, qint64 price)
    {
        if (price == 0) // "ギフト包装料 0円": nothing to charge, no row
            return;
        OrderRow r;
        QString name = withoutFeeRemarks(nameFrom(o, b, end, nullptr));
        // "送料はいつもの800円で", "送料表では": in a sentence the fee's word
        // is its name.
        QString word;
        const QString c = compact(prepared(name));
        static const QRegularExpression particle(QStringLiteral("[はがもを]|では"));
        if (summaryOf(c, &word) == Summary::Fee && c.size() > word.size() &&
            particle.match(c.mid(word.size())).hasMatch())
            name = word;
        else if (const QString fee = feeAfterClause(name); !fee.isEmpty())
            name = fee;
        if (name.size() <= 6) // "送　料" spaced out to fill a column
            name = compact(name);
        r.name1 = leftWhole(name, kItemNameLength);
        r.qty = 1;
        r.price = price;
        r.fee = true;
        result.rows.append(r);
    }

    // A label that ends in a summary word or a fee's word, its amount right
    // after the colon: "今回のご請求額：3,206円", "PayPayポイント利用：-304円",
    // "メッセージカード料金: 110円".
    static Summary labelledSummary(const QString &n, qsizetype b, QString *word)
    {
        const qsizetype colon = n.indexOf(u':', b);
        if (colon < 0) {
            // "お買い上げ合計　5,000円": the label, blanks, then the amount; a
            // word that only ends like a fee ("…料") is an item's name here.
            static const QRegularExpression spaced(
                QStringLiteral("((?:[^\\d:(]|\\([^()]{1,8}\\)){1,14}?)[\\s\\x{3000}]+[-▲△]?¥?[\\s\\x{3000}]*\\d"));
            const auto m = spaced.match(n, b, QRegularExpression::NormalMatch,
                                        QRegularExpression::AnchorAtOffsetMatchOption);
            return m.hasMatch() ? labelSummary(compact(m.captured(1)), word, false) : Summary::None;
        }
        static const QRegularExpression amountNext(
            QStringLiteral("[\\s\\x{3000}]*[-▲△]?[\\s\\x{3000}]*¥?[\\s\\x{3000}]*\\d"));
        if (!amountNext
                 .match(n, colon + 1, QRegularExpression::NormalMatch,
                        QRegularExpression::AnchorAtOffsetMatchOption)
                 .hasMatch())
            return Summary::None;
        return labelSummary(compact(QStringView(n).mid(b, colon - b)), word);
    }

    // The same for the label alone ("今回のご請求額", "楽天ポイント利用").
    static Summary labelSummary(QString label, QString *word, bool feeWords = true)
    {
        static const QRegularExpression remark(QStringLiteral("\\([^)]*\\)$"));
        label.remove(remark);
        if (label.isEmpty() || label.size() > 14 || labelOf(label) != Label::Other)
            return Summary::None;
        // Points earned or held, and last year's or last order's sums.
        for (const char16_t *w :
             {u"獲得", u"付与", u"保有", u"残高", u"前回", u"昨年", u"去年", u"前年", u"先月"})
            if (label.contains(QStringView(w)))
                return Summary::Ignore;
        const bool points = label.contains(u"ポイント") || label.contains(u"pt");
        if (points && (label.contains(u"予定") || label.contains(u"可能")))
            return Summary::Ignore;
        label.remove(QStringLiteral("予定")); // "お支払い予定金額" is the total
        for (qsizetype k = 1; k < label.size(); ++k) {
            if (!mayStartSummary(label.at(k)))
                continue;
            const Summary kind = summaryOf(QStringView(label).mid(k), word);
            if (kind != Summary::None && label.size() - k - word->size() <= 2) {
                *word = label;
                return kind;
            }
        }
        for (const char16_t *w : {u"料金", u"料", u"代"})
            if (feeWords && label.endsWith(QStringView(w)) && label.size() > 1 &&
                !label.contains(u"商品")) {
                *word = label;
                return Summary::Fee;
            }
        return Summary::None;
    }

    // Where the compact word of `count` characters from b ends in n.
    static qsizetype afterCompact(const QString &n, qsizetype b, qsizetype count)
    {
        qsizetype k = b;
        for (; k < n.size() && count > 0; ++k)
            if (!isBlank(n.at(k)))
                --count;
        return k;
    }

    // A summary line from b; `label`, when known (in brackets), may end in
    // its word ("[楽天ポイント利用]").
    bool summary(const QString &o, const QString &n, qsizetype b, const QString &c,
                 const QString &label = QString())
    {
        QString word;
        Summary kind = summaryOf(c, &word);
        if (kind == Summary::None && !label.isEmpty())
            kind = labelSummary(label, &word);
        if (kind == Summary::None)
            kind = labelledSummary(n, b, &word);
        if (kind == Summary::None)
            return false;
        if (kind == Summary::Ignore)
            return true;
        // "配送希望日：2026-12-12", "配送方法：宅配便": the delivery's wishes and
        // ways, no fee.
        static const QRegularExpression deliveryWish(QStringLiteral(
            "^(?:希望|指定|日|時間|予定|方法|業者|会社|伝票|状況|先|要請|[Mm]ethod|[Aa]ddress)"));
        if (kind == Summary::Fee && c.startsWith(word) &&
            deliveryWish.match(QStringView(c).mid(word.size())).hasMatch())
            return true;
        // "送料込みで合計11,244円": the shipping is in the price, no row of its own.
        if (kind == Summary::Fee && c.startsWith(word) && c.mid(word.size()).startsWith(u'込')) {
            commit();
            // "送料込みで8,640円": the amount right after is the order's total.
            static const QRegularExpression inclusive(
                QStringLiteral("^込み?(?:で|の|、)?(?:合計|総額)?[-¥]?\\d"));
            static const QRegularExpression past(QStringLiteral("昨年|去年|前年|前回|先月|以前"));
            if (inclusive.match(c.mid(word.size())).hasMatch() && !past.match(c).hasMatch()) {
                const QList<Money> money = moneyIn(n, true);
                const auto m = std::find_if(money.begin(), money.end(), [&](const Money &a) {
                    return a.begin >= b && a.valid;
                });
                if (m != money.end() && m->value > 0) {
                    result.total = m->value;
                    restOfLine(o, n, m->end); // "（送料660円）" after it
                    return true;
                }
            }
            restOfLine(o, n, afterCompact(n, b, word.size()));
            return true;
        }
        const QList<Money> money = moneyIn(n, true);
        auto first = std::find_if(money.begin(), money.end(),
                                  [&](const Money &m) { return m.marked && m.begin >= b; });
        if (first == money.end())
            first = std::find_if(money.begin(), money.end(), [&](const Money &m) {
                return m.begin >= b; // the label's own digits ("10%対象") never come first here
            });
        if (first == money.end()) {
            // "送料無料", "送料について": nothing to add; an item line that
            // begins with such a word falls through to the item reader.
            return kind == Summary::Fee && c.contains(u"無料") && !c.contains(u'×');
        }
        const Money m = *first;
        // "全部で3袋" counts; "全部で1,600円" sums.
        if (!m.marked && (word == u"全部で" || word == u"しめて" || word == u"締めて"))
            return false;
        if (kind == Summary::Fee && c.contains(u"無料")) { // "送料：無料（5,000円以上）"
            // "送料無料で合計5,940円": the total may follow.
            restOfLine(o, n, afterCompact(n, b, word.size()));
            return true;
        }
        // "ラッピング：あり（+220円）" under an item is its option; the fee
        // comes on a line of its own.
        static const QRegularExpression choice(
            QStringLiteral("^:(?:あり|有り|なし|無し|希望|要|不要|する|しない)"));
        if (kind == Summary::Fee && c.startsWith(word) &&
            choice.match(c.mid(word.size())).hasMatch())
            return false;
        // A line total inside the entry being read ("小計：6,480円"); taken for
        // the order's subtotal it would change nothing either. "合計" is
        // always the order's.
        if (word == u"小計" && cur.price && !cur.total && m.valid &&
            (m.value == *cur.price * cur.qty.value_or(1) ||
             (!cur.qty && *cur.price != 0 && m.value % *cur.price == 0))) {
            cur.total = m.value;
            return true;
        }
        if (kind == Summary::Fee && n.contains(u'×') && section == Section::Items)
            return false; // "【送料無料】煎茶 3,000円 × 1" is an item
        commit();
        if (!m.valid) {
            result.unread.append(blankTrim(o));
            return true;
        }
        switch (kind) {
        case Summary::Fee: {
            // "送料合計" sums the shipping rows already read.
            const bool sumOfFees =
                (word.contains(u"合計") || c.startsWith(word + QStringLiteral("合計"))) &&
                std::any_of(result.rows.begin(), result.rows.end(),
                            [](const OrderRow &r) { return r.fee && r.price > 0; });
            // "送料：880円 × 10件 = 8,800円": a fee is one row of its sum.
            static const QRegularExpression times(QStringLiteral(
                "[^=]{0,6}?[x×*][\\s\\x{3000}]*\\d{1,4}[^=\\d]{0,4}=[\\s\\x{3000}]*[¥]?"));
            qint64 value = m.value;
            if (const auto t = times.match(n, m.end, QRegularExpression::NormalMatch,
                                           QRegularExpression::AnchorAtOffsetMatchOption);
                t.hasMatch())
                for (const Money &sum : money)
                    if (sum.begin >= t.capturedEnd() - 1 && sum.valid) {
                        value = sum.value;
                        break;
                    }
            if (value != 0 && !sumOfFees)
                addFee(o, b, labelEnd(n, b, m.begin), value);
            // "送料550円込みで5,950円ですよね": the fee, then the total with it.
            static const QRegularExpression withIt(
                QStringLiteral("^[\\s\\x{3000}]*込み?(?:で|の)?(?:合計|総額|計)?[\\s\\x{3000}:]*¥?"
                               "(\\d{1,3}(?:,\\d{3})+|\\d{1,9})(?![\\d,])[\\s\\x{3000}]*円"));
            if (const auto w = withIt.match(n, m.end, QRegularExpression::NormalMatch,
                                            QRegularExpression::AnchorAtOffsetMatchOption);
                w.hasMatch()) {
                result.total = w.captured(1).remove(u',').toLongLong();
                return true;
            }
            if (value != m.value)
                return true;
            break;
        }
        case Summary::Discount: {
            // Points alone ("今回のポイント 30pt") are earned, not spent, unless
            // used, negative or in yen.
            static const QRegularExpression used(QStringLiteral("利用|使用|値引|割引|充当"));
            const QString amount = n.mid(m.begin, m.end - m.begin);
            const bool points = word.endsWith(u"ポイント") && !used.match(c).hasMatch() &&
                                m.value > 0 && !amount.contains(u'円') && !amount.contains(u'¥');
            if (m.value != 0 && !points && !c.contains(u"獲得") && !c.contains(u"付与") &&
                !c.contains(u"予定") && !c.contains(u"残高") && !c.contains(u"保有"))
                addFee(o, b, labelEnd(n, b, m.begin), -std::abs(m.value));
            break;
        }
        case Summary::Tax: {
            // "消費税 8% 784円 / 10% 400円": the tax of each rate.
            static const QRegularExpression byRate(QStringLiteral(
                "(?<![\\d.])(\\d{1,2})%[\\s\\x{3000}:]*¥?(\\d{1,3}(?:,\\d{3})*)(?![\\d,])"));
            qint64 rates = 0, eight = 0;
            int found = 0;
            for (auto it = byRate.globalMatch(n); it.hasNext(); ++found) {
                const auto r = it.next();
                const qint64 v = r.captured(2).remove(u',').toLongLong();
                rates += v;
                if (r.captured(1) == u"8")
                    eight = v;
            }
            if (found >= 2) {
                statedTax = statedTax.value_or(0) + rates;
                if (eight > 0) {
                    taxLineEight = true;
                    reducedTax = eight;
                }
                return true;
            }
            // The tax is the line's last amount; one before it is the rate's
            // base ("消費税 8%対象 30,000円  2,400").
            // Up to the next summary on the line ("消費税 2,520円、合計 …").
            const qsizetype bound = nextSummary(n, m.end);
            qsizetype last = money.size() - 1;
            while (last > 0 &&
                   (money[last].value < 0 || !money[last].valid || money[last].begin >= bound))
                --last;
            const qint64 tax = std::abs(money[last].value);
            statedTax = statedTax.value_or(0) + tax;
            if (saysReduced(n)) {
                taxLineEight = true;
                reducedTax = tax;
                if (last > 0 && money[last - 1].marked && money[last - 1].begin >= m.begin)
                    reducedBase = money[last - 1].value;
            }
            restOfLine(o, n, money[last].end);
            return true;
        }
        case Summary::Total: {
            result.total = m.value;
            // "合計（税抜）32,200円": the sum before tax.
            static const QRegularExpression beforeTax(QStringLiteral("税抜|税別|外税"));
            result.totalBeforeTax = beforeTax.match(n).hasMatch();
            break;
        }
        default:
            break;
        }
        restOfLine(o, n, m.end);
        return true;
    }

    // Further summaries on the same line: "小計 9,936円　送料 660円　合計
    // 10,596円", "（送料660円）" after a total, "代引手数料 330円 → お支払い
    // 7,150円". Each word counts only with its amount right after it.
    void restOfLine(const QString &o, const QString &n, qsizetype from)
    {
        const QList<Money> money = moneyIn(n, true);
        static const QRegularExpression between(
            QStringLiteral("^(?:[:=]|\\(税[込抜別]\\)|い|は)*$"));
        for (qsizetype k = from; k < n.size(); ++k) {
            if (!mayStartSummary(n.at(k)))
                continue;
            const QString c = compact(QStringView(n).mid(k));
            QString word;
            Summary kind = summaryOf(c, &word);
            if (kind == Summary::None && c.startsWith(u"お支払")) {
                kind = Summary::Total;
                word = QStringLiteral("お支払");
            }
            if (kind == Summary::None || kind == Summary::Ignore)
                continue;
            const qsizetype end = afterCompact(n, k, word.size());
            const auto next = std::find_if(money.begin(), money.end(),
                                           [&](const Money &m) { return m.begin >= end; });
            if (next == money.end() || !next->valid)
                return;
            if (!between.match(compact(QStringView(n).mid(end, next->begin - end))).hasMatch())
                continue;
            if (kind == Summary::Total && word == u"お支払") {
                result.total = next->value;
                restOfLine(o, n, next->end);
            } else {
                summary(o, n, k, c);
            }
            return;
        }
    }

    // Where the next summary word on the line begins, or its end.
    static qsizetype nextSummary(const QString &n, qsizetype from)
    {
        for (qsizetype k = from; k < n.size(); ++k) {
            if (!mayStartSummary(n.at(k)))
                continue;
            QString word;
            const Summary kind = summaryOf(compact(QStringView(n).mid(k)), &word);
            if (kind != Summary::None && kind != Summary::Ignore)
                return k;
        }
        return n.size();
    }

    static qsizetype labelEnd(const QString &n, qsizetype b, qsizetype moneyBegin)
    {
        for (qsizetype k = b; k < moneyBegin; ++k)
            if (QStringView(u":]】〕>").contains(n.at(k)))
                return k;
        return moneyBegin;
    }

    // "※は軽減税率対象商品です" names the mark of reduced items; "※軽減税率対象"
    // under an item marks that item.
    // lead: the line's first mark, cut from c.
    bool notice(const QString &c, QChar lead)
    {
        if (!c.contains(u"軽減") && !c.contains(u"8%対象"))
            return false;
        mentionsReduced = true;
        // "※上記は全品 軽減税率（8%）対象です", "全商品8%": every item.
        for (const char16_t *w : {u"全品", u"全商品", u"すべて", u"全て"})
            if (c.contains(QStringView(w)) && !c.contains(u'円') && !c.contains(u'¥')) {
                allReduced = true;
                return true;
            }
        static const QRegularExpression legend(QStringLiteral(
            "^(?:([※★☆◎*])(?:印|マーク)?(?:は|の|が付|がつ|付|:|=|…|・)|\\(?([※★☆◎*])\\)軽減)"));
        // The mark may have gone with the line's leading marks ("（* は…）").
        const QString marked = kTagMarks.contains(lead) && !c.startsWith(lead) ? lead + c : c;
        const auto m = legend.match(marked);
        if (m.hasMatch()) {
            legendTags += m.captured(1) + m.captured(2);
            return true;
        }
        // "※①②は軽減税率8%対象": the items numbered so.
        static const QRegularExpression numbered(
            QStringLiteral("^[※*]?([\\x{2460}-\\x{2473}、,・]+)(?:は|が|:)"));
        if (const auto k = numbered.match(c); k.hasMatch()) {
            legendTags += k.captured(1);
            return true;
        }
        // "* 軽減税率対象商品" after the items: the mark's legend too.
        if (kTagMarks.contains(lead))
            legendTags += lead;
        // "（※軽減税率対象商品）" after items that carry ※ explains the mark.
        if (!c.isEmpty() && kTagMarks.contains(c.front()) &&
            (cur.tags.contains(c.front()) ||
             std::any_of(tagged.begin(), tagged.end(),
                         [&](const Tagged &t) { return t.tags.contains(c.front()); }))) {
            legendTags += c.front();
            return true;
        }
        // "（軽）＝軽減税率対象" explains a mark as well.
        if (c.contains(u'=') && moneyIn(c).isEmpty())
            return true;
        // "※軽減税率対象商品：ほうじ茶 100g、抹茶 20g" names the items.
        // "（税込。軽減税率8%対象：食品）": the food items.
        static const QRegularExpression foodNamed(
            QStringLiteral("対象:(?:飲食料品|食料品|飲食品|食品|食べ物|お茶)(?:類)?\\)?$"));
        if (foodNamed.match(c).hasMatch()) {
            reducedFood = true;
            return true;
        }
        if (const qsizetype colon = c.indexOf(u':'); colon > 0 && c.left(colon).contains(u"対象")) {
            for (QString name : c.mid(colon + 1).split(QRegularExpression(QStringLiteral("[、,/]")),
                                                       Qt::SkipEmptyParts)) {
                // The bracket the whole note was written in closes after
                // the last name ("（8%対象: 玄米茶、セット（5種））").
                if (name.endsWith(u')') && name.count(u')') > name.count(u'('))
                    name.chop(1);
                reducedNames.append(name);
            }
            return true;
        }
        // "※食品は軽減税率8%適用です": every food item; "※本山茶は軽減税率対象
        // です": the items of that name.
        static const QRegularExpression subject(
            QStringLiteral("^[※*]?([^※*()（）:は]{2,12})は(?:全て|すべて)?軽減"));
        if (const auto w = subject.match(c); w.hasMatch()) {
            const QString word = w.captured(1);
            static const QRegularExpression food(
                QStringLiteral("^(?:飲食料品|食料品|飲食品|食品|食べ物|お茶)(?:類)?$"));
            static const QRegularExpression all(
                QStringLiteral("^(?:この|本|当|こちらの|上記の?)(?:商品|品)?$"));
            if (food.match(word).hasMatch())
                reducedFood = true;
            else if (all.match(word).hasMatch())
                allReduced = true;
            else if (!word.contains(u"印") && !word.contains(u"マーク"))
                reducedWords.append(word);
            return true;
        }
        // "(軽)は軽減税率対象商品です" explains marks the item lines carry
        // themselves; it marks no item of its own.
        if (c.contains(u'は') || c.contains(u'印'))
            return true;
        // "※軽減税率対象" under an item marks it; "商品名：玉露 50g
        // 【軽減税率対象】" is the item itself.
        static const QRegularExpression noticeWords(
            QStringLiteral("軽減税率|軽減|税率|8%|対象|商品|品目|適用|です|の|[※★*()\\[\\]【】]"));
        if (moneyIn(c).isEmpty() && c.size() <= 20 && QString(c).remove(noticeWords).size() <= 2) {
            if (!cur.empty())
                cur.reduced = true;
            else if (!result.rows.isEmpty() && !result.rows.back().fee)
                result.rows.back().reduced = true;
            return true;
        }
        return false;
    }

    // A mark at the line's end: "煎茶 ¥1,080 ×2 ★", "単価：￥5,400 ※".
    static QString tailTag(const QString &o)
    {
        static const QRegularExpression tag(
            QStringLiteral("[\\s\\x{3000}]([※★☆◎])[\\s\\x{3000}]*$"));
        const auto t = tag.match(o);
        return t.hasMatch() ? t.captured(1) : QString();
    }

    // A mark before the text ("■", "◆"), not blanks alone.
    static bool marked(const QString &n, qsizetype b)
    {
        // A frame's or tree's line ("┃ 煎茶", "└ のし") leads no heading.
        static const QString frames = QStringLiteral("┃│└├┗┣↳");
        for (qsizetype k = 0; k < b; ++k)
            if (!isBlank(n.at(k)) && !isBorder(n.at(k)) && !frames.contains(n.at(k)))
                return true;
        return false;
    }

    bool labelled(const QString &o, const QString &n, qsizetype b, const QString &c)
    {
        static const QRegularExpression bracket(QStringLiteral(
            "[\\[【［〔<〈《]([^\\]】］〕>〉》]{1,16})[\\]】］〕>〉》][\\s\\x{3000}]*"));
        static const QRegularExpression colon(QStringLiteral(
            "((?:[^:(\\[［【]|\\([^:()]*\\)){1,16}?)[\\s\\x{3000}]*:[\\s\\x{3000}]*"));
        QString label;
        qsizetype valueAt = -1;
        bool bracketed = false;
        if (const auto m = bracket.match(n, b, QRegularExpression::NormalMatch,
                                         QRegularExpression::AnchorAtOffsetMatchOption);
            m.hasMatch()) {
            label = compact(m.captured(1));
            if (label == u"軽") // "【軽】煎茶": the reduced mark before a name
                return false;
            valueAt = m.capturedEnd();
            bracketed = true;
        } else if (const auto k = colon.match(n, b, QRegularExpression::NormalMatch,
                                              QRegularExpression::AnchorAtOffsetMatchOption);
                   k.hasMatch()) {
            label = compact(k.captured(1));
            valueAt = k.capturedEnd();
        } else {
            // A heading without brackets ("■ご注文商品", "お届け先"), or the head
            // of a table ("品名  数量  単価  金額").
            static const QRegularExpression digits(QStringLiteral("\\d"));
            int heads = 0;
            for (const char16_t *w :
                 {u"品名", u"数量", u"単価", u"金額", u"価格"}) // 品名 in 商品名 once
                heads += c.contains(QStringView(w)) ? 1 : 0;
            // Or every cell a column's word ("数量<TAB>商品の詳細").
            if (const QList<Cell> cells = cellsOf(n);
                heads < 2 && cells.size() >= 2 &&
                std::all_of(cells.begin(), cells.end(), [&](const Cell &cell) {
                    return columnOf(compact(QStringView(n).mid(
                               cell.begin, cell.end - cell.begin))) != Column::Other;
                }))
                heads = 2;
            if (heads >= 2 && !digits.match(c).hasMatch()) {
                commit();
                section = Section::Items;
                columns.clear();
                // A head copied with tabs has its cells between tabs only
                // ("商品名/商品コード/規格<TAB>金額").
                for (const Cell &cell : n.contains(u'\t') ? tabCells(n) : cellsOf(n))
                    columns.append(
                        columnOf(compact(QStringView(n).mid(cell.begin, cell.end - cell.begin))));
                return true;
            }
            // A label set off by blanks instead of a colon ("商品名　煎茶",
            // "数量 2").
            static const QRegularExpression spaced(
                QStringLiteral("([^\\s\\x{3000}:\\d]{1,8})[\\s\\x{3000}]+(?=\\S)"));
            if (const auto m = spaced.match(n, b, QRegularExpression::NormalMatch,
                                            QRegularExpression::AnchorAtOffsetMatchOption);
                m.hasMatch()) {
                const Label l = labelOf(m.captured(1));
                // A code so set off only when the code is all that follows.
                static const QRegularExpression codeOnly(
                    QStringLiteral("[A-Za-z0-9][A-Za-z0-9_./#-]*[\\s\\x{3000}]*$"));
                const bool code = l == Label::Code &&
                                  codeOnly
                                      .match(n, m.capturedEnd(), QRegularExpression::NormalMatch,
                                             QRegularExpression::AnchorAtOffsetMatchOption)
                                      .hasMatch();
                if (l != Label::Other && l != Label::None &&
                    (l != Label::NamedOption || !cur.name.isEmpty()) &&
                    (l != Label::Code || code)) {
                    label = m.captured(1);
                    valueAt = m.capturedEnd();
                }
            }
        }
        if (valueAt < 0) {
            if (labelOf(c) == Label::Qty && !cur.name.isEmpty()) {
                countNext = true; // "数量" / "2": the count on the next line
                return true;
            }
            // A field's label alone, its value on the next line ("商品名" /
            // "抹茶ロールケーキ"), or a table's head one cell per line ("型番" /
            // "単価（税抜）" / "数量"): no entry of its own.
            if (const Label l = labelOf(c);
                (l == Label::Name || l == Label::Code || l == Label::Price ||
                 l == Label::LineTotal || l == Label::Qty || l == Label::Unit) &&
                !marked(n, b) && c.size() <= 8) {
                if (cur.name.isEmpty() && !cur.priced())
                    section = Section::Items;
                heldLabel = c;
                return true;
            }
            static const QRegularExpression digits(QStringLiteral("\\d"));
            if (const auto known = knownHeading(c)) {
                commit();
                section = *known;
                return true;
            }
            // Among the items a marked short line is an item's name
            // ("◆新茶詰合せ「翠」") unless it names a block.
            static const QRegularExpression blockWord(
                QStringLiteral("先|者|主|方法|支払|備考|情報|配送|届|注文|明細|内容|合計|"
                               "メッセージ|連絡|指定|希望"));
            if (marked(n, b) && !numbered && c.size() <= 12 && !digits.match(c).hasMatch() &&
                labelOf(c) == Label::Other &&
                (section != Section::Items || blockWord.match(c).hasMatch())) {
                commit();
                section = sectionOf(c);
                return true;
            }
            return false;
        }
        const QString value = o.mid(valueAt);
        const QString nv = n.mid(valueAt);
        const Label kind = labelOf(label);
        // "ギフトラッピング　330円 × 1 = 330円": a wrapping's word followed by
        // its price is a fee's line, no option.
        static const QRegularExpression amountFirst(
            QStringLiteral("^[\\s\\x{3000}]*(?:¥[\\s\\x{3000}]*\\d|\\d[\\d,]*[\\s\\x{3000}]*円)"));
        if (kind == Label::NamedOption && !bracketed && amountFirst.match(nv).hasMatch())
            return false;
        if (kind == Label::Other || kind == Label::None) {
            if (const auto known = knownHeading(label)) {
                commit();
                section = *known;
                // "品物：深蒸し茶2本詰合せ　1箱": the first item on the heading's line.
                static const QRegularExpression remark(QStringLiteral("^\\(.*\\)$"));
                if (section == Section::Items && !blankTrim(value).isEmpty() &&
                    !remark.match(compact(nv)).hasMatch()) // "（価格は税抜）" is a remark
                    unlabelled(value, nv, compact(nv));
                return true;
            }
            // "麦茶パック：5袋": a name and its count, no label.
            static const QRegularExpression countOnly(
                QStringLiteral("^[\\s\\x{3000}]*\\d{1,4}[\\s\\x{3000}]*(?:%1)[\\s\\x{3000}]*$")
                    .arg(kUnits));
            if (!bracketed && countOnly.match(nv).hasMatch())
                return false;
            // "【父の日ギフト】 八十八夜摘み…" among the items is a name, and so
            // is "[A-31] 玉露…" anywhere: a product code, no block's name.
            static const QRegularExpression code(
                QStringLiteral("^(?=.*\\d)[A-Za-z0-9][A-Za-z0-9_-]*$"));
            if (bracketed && (section == Section::Items || code.match(label).hasMatch()) &&
                !blankTrim(value).isEmpty())
                return false;
            // A short attribute under an item's name ("柄：染付").
            if (!bracketed && !cur.name.isEmpty() && section != Section::Other &&
                attributeLabel(label) && !blankTrim(value).isEmpty()) {
                // A surcharge in brackets ("化粧箱入り (+¥200)") is no price.
                static const QRegularExpression surcharge(QStringLiteral("\\(\\+[^()]*\\)"));
                const QList<Money> money = moneyIn(QString(nv).remove(surcharge));
                if (std::none_of(money.begin(), money.end(),
                                 [](const Money &m) { return m.marked; })) {
                    cur.options.append(optionText(o.mid(b)));
                    return true;
                }
            }
            if (bracketed || blankTrim(value).isEmpty()) {
                commit();
                section = sectionOf(label);
            }
            return true;
        }
        if (saysReduced(nv))
            cur.reduced = true;
        if (saysStandard(nv))
            cur.standard = true;
        switch (kind) {
        case Label::Name: {
            if (!cur.name.isEmpty() || cur.priced())
                commit();
            if (blankTrim(value).isEmpty()) { // "品名" alone heads a block of items
                section = Section::Items;
                return true;
            }
            const auto item = readItemLine(value, nv, false);
            if (item) {
                merge(*item);
            } else {
                cur.name = nameFrom(value, 0, value.size(), &cur.tags);
                cur.indent = indent;
                // A name left with a blank at its end was wrapped there
                // ("商品名: 抹茶生チョコレート " / "6粒入 ").
                cur.blankEnd = o.endsWith(u' ');
                cur.nameLine = cur.blankEnd ? kWrappedLine : o.size();
                // "詰合せ　のし：御歳暮 / 名入れ：青木": the options written
                // after the name on its line.
                static const QRegularExpression options(
                    QStringLiteral("[\\s\\x{3000}]+([^\\s\\x{3000}:：/()（）［］\\[\\]]{1,8})[:：]"));
                if (const auto m = options.match(cur.name);
                    m.hasMatch() && m.capturedStart() > 0 &&
                    (attributeLabel(m.captured(1)) || labelOf(m.captured(1)) == Label::NamedOption)) {
                    for (const QString &option :
                         cur.name.mid(m.capturedStart(1)).split(u'/', Qt::SkipEmptyParts))
                        if (!blankTrim(option).isEmpty())
                            cur.options.append(blankTrim(option));
                    cur.name.truncate(m.capturedStart());
                }
            }
            break;
        }
        case Label::Code:
            // Several codes under one name ("ASIN: …", "SKU: …") stay one
            // entry; a second code after a count or price starts the next,
            // unless the count headed the item ("数量: 2" before its name).
            if ((cur.priced() && !cur.name.isEmpty()) ||
                (!cur.code.isEmpty() &&
                 (cur.name.isEmpty() || (cur.qty && !cur.countFirst) || cur.priced())))
                commit();
            if (cur.code.isEmpty())
                cur.code = blankTrim(value);
            section = Section::Items; // a product's code opens its entry anywhere
            break;
        case Label::Option: {
            // "オプション：のし：御中元" is the option's own label and value; any
            // other value keeps the label it is written with ("バリエーション：
            // 10包入り").
            static const QRegularExpression none(QStringLiteral("^(?:なし|無し|指定なし|-|ー)$"));
            const QString v = optionText(value);
            if (v.isEmpty() || none.match(v).hasMatch())
                break;
            cur.options.append(nv.contains(u':') ? v : optionText(o.mid(b)));
            break;
        }
        case Label::NamedOption:
            cur.options.append(optionText(o.mid(b)));
            break;
        case Label::Price:
        case Label::LineTotal: {
            // "価格：無料" under "のし代": nothing to charge.
            static const QRegularExpression free(
                QStringLiteral("^[\\s\\x{3000}]*(?:無料|0円|¥0)[\\s\\x{3000}]*$"));
            if (kind == Label::Price && free.match(nv).hasMatch() && !cur.name.isEmpty()) {
                cur.price = 0;
                break;
            }
            // "商品の小計: ￥5,400" under rows already read sums them.
            if (kind == Label::LineTotal && cur.empty() && !result.rows.isEmpty())
                return true;
            auto item = readItemLine(value, nv, true);
            if (!item)
                return true;
            // "価格：5,400円　数量：6　金額：32,400円" names no item: the amount
            // read as a name goes.
            static const QRegularExpression amountOnly(
                QStringLiteral("^[\\d,¥￥円\\s\\x{3000}各@]*$"));
            if (amountOnly.match(item->name).hasMatch())
                item->name.clear();
            // "金額：1,080円×2点＝2,160円" is price and count as well.
            if (kind == Label::Price || (item->price && item->qty)) {
                merge(*item);
                cur.tags += tailTag(value);
            } else if (item->price) {
                cur.total = item->price;
            }
            break;
        }
        case Label::Qty: {
            // "数量：2　単価：1,080円　小計：2,160円": the price on the same line.
            if (const QList<Money> money = moneyIn(nv);
                std::any_of(money.begin(), money.end(), [](const Money &m) { return m.marked; }))
                if (const auto item = readItemLine(o.mid(b), n.mid(b), false);
                    item && item->qty && item->name.isEmpty()) {
                    merge(*item);
                    break;
                }
            // "数量: 3   ¥1,080": the count, then one amount, the line's total
            // or its price (the order's total decides, see finish()).
            static const QRegularExpression countThenAmount(
                QStringLiteral("^[\\s\\x{3000}]*(\\d{1,9})[\\s\\x{3000}]*(%1)?[\\s\\x{3000}]+"
                               "(¥[\\s\\x{3000}]*[\\d,]+|[\\d,]+[\\s\\x{3000}]*円)[\\s\\x{3000}]*$")
                    .arg(kUnits));
            if (const auto m = countThenAmount.match(nv); m.hasMatch() && !cur.priced()) {
                const QList<Money> money = moneyIn(nv.mid(m.capturedStart(3)));
                if (money.size() == 1 && money.front().valid) {
                    cur.qty = m.captured(1).toLongLong();
                    if (!m.captured(2).isEmpty())
                        cur.unit = unitOf(m.captured(2));
                    cur.total = money.front().value;
                    cur.countedTotal = true;
                    break;
                }
            }
            // "数量：2（箱）": the unit may stand in brackets.
            static const QRegularExpression q(
                QStringLiteral(
                    "^[\\s\\x{3000}]*(\\d{1,9})(?!\\d)[\\s\\x{3000}]*(?:\\((%1)\\)|(%1))?")
                    .arg(kUnits));
            const auto m = q.match(nv);
            if (m.hasMatch()) {
                // "ティーバッグ 徳用 50包" / "個数：1": the first count was the name's.
                if (cur.countOnName && cur.qty && *cur.qty != m.captured(1).toLongLong() &&
                    !cur.wholeName.isEmpty()) {
                    cur.name = cur.wholeName;
                    cur.unit.clear();
                    cur.countOnName = false;
                }
                cur.countFirst = cur.name.isEmpty() && cur.code.isEmpty();
                cur.qty = m.captured(1).toLongLong();
                if (const QString unit = m.captured(2) + m.captured(3); !unit.isEmpty())
                    cur.unit = unitOf(unit);
                else if (m.capturedEnd() < nv.size() && nv.at(m.capturedEnd()).isLetter())
                    cur.badQty = true; // a weight or volume, not a count
            } else if (!blankTrim(nv).isEmpty()) {
                cur.badQty = true;
            }
            break;
        }
        case Label::Unit:
            cur.unit = blankTrim(value);
            break;
        default:
            break;
        }
        return true;
    }

    void merge(const ItemLine &item)
    {
        if (!item.name.isEmpty() && wrappedName()) {
            // "…ほうじ茶 化粧" / "箱入り 3,780円 × 1": a wrapped name goes on.
            cur.name += (cur.blankEnd ? u" "_qs : QString()) + item.name;
            cur.nameLine = 0;
        } else if (!item.name.isEmpty()) {
            if (cur.priced() || !cur.name.isEmpty())
                commit();
            cur.name = item.name;
            cur.indent = indent;
        } else if (cur.countOnName && !cur.priced() && item.qty && cur.qty &&
                   *item.qty != *cur.qty && !cur.wholeName.isEmpty()) {
            // "懐紙 5帖", then "550円 × 2点": the first count was the name's.
            cur.name = cur.wholeName;
            cur.unit.clear();
        }
        cur.tags += item.tags;
        // "1,080円 × 4点" then "4,320円" alone: the line's total.
        if (item.name.isEmpty() && item.price && !item.qty && !item.total && cur.price && cur.qty &&
            !cur.total && *item.price == *cur.price * *cur.qty &&
            (*cur.qty > 1 || std::exchange(countCell, false))) {
            cur.total = item.price;
            return;
        }
        cur.options += item.options;
        if (item.price)
            cur.price = item.price;
        if (item.qty)
            cur.qty = item.qty;
        if (item.total)
            cur.total = item.total;
        cur.countedTotal = item.countedTotal;
        if (!item.unit.isEmpty())
            cur.unit = item.unit;
    }

    void unlabelled(const QString &o, const QString &n, const QString &c)
    {
        if (c.isEmpty()) {
            commit();
            return;
        }
        // "2 × 焙じ茶フィナンシェ": the count before the name, as carts write it.
        static const QRegularExpression countFirst(QStringLiteral(
            "^[\\s\\x{3000}]*(\\d{1,4})[\\s\\x{3000}]*[x×X*][\\s\\x{3000}]+(?=\\D)"));
        if (const auto m = countFirst.match(n); m.hasMatch()) {
            const QList<Money> after = moneyIn(n.mid(m.capturedEnd()));
            if (std::none_of(after.begin(), after.end(), [](const Money &a) { return a.marked; })) {
                commit();
                cur.name = nameFrom(o, m.capturedEnd(), o.size(), &cur.tags);
                cur.qty = m.captured(1).toLongLong();
                cur.countOnName = true;
                cur.indent = indent;
                cur.nameLine = o.size();
                return;
            }
        }
        // "ほうじ茶ラテパウダー" / "サイズ: 200g" / "× 1" / "¥1,620": the count
        // alone before the price, as after the name.
        static const QRegularExpression timesAlone(QStringLiteral("^[x×X*](\\d{1,4})$"));
        if (const auto m = timesAlone.match(c);
            m.hasMatch() && !cur.name.isEmpty() && !cur.qty && !cur.priced()) {
            cur.qty = m.captured(1).toLongLong();
            cur.countOnName = true;
            return;
        }
        // A table's cells one per line ("1,404円" / "2" / "2,808円", "1,080円" /
        // "× 3" / "3,240円"): the count after the price, alone on its line.
        static const QRegularExpression bare(
            QStringLiteral("^(?:[x×X*])?(\\d{1,4})(%1)?$").arg(kUnits));
        if (const auto m = bare.match(c);
            m.hasMatch() && (m.capturedStart(1) > 0 || m.capturedLength(2) == 0) &&
            !cur.name.isEmpty() &&
            ((cur.price && !cur.total) || (!cur.price && cur.total && cur.countedTotal)) &&
            (!cur.qty || (cur.countOnName && !cur.wholeName.isEmpty()))) {
            if (cur.qty) { // "ティーバッグ 15包" then "× 3": the name's own count
                cur.name = cur.wholeName;
                cur.unit.clear();
            }
            if (!cur.price) { // the amount above it was the price
                cur.price = std::exchange(cur.total, std::nullopt);
                cur.countedTotal = false;
            }
            cur.qty = m.captured(1).toLongLong();
            if (m.capturedLength(2) > 0)
                cur.unit = unitOf(m.captured(2));
            countCell = true;
            return;
        }
        // "2,000円 × 6 ＝ 12,000円　※玄米茶 500g": the name after its prices.
        static const QRegularExpression priceFirst(
            QStringLiteral(
                "^[\\s\\x{3000}]*¥?[\\d,]+円?[\\s\\x{3000}]*[x×X*][\\s\\x{3000}]*\\d{1,9}(?:%1)?["
                "\\s\\x{3000}]*"
                "(?:=[\\s\\x{3000}]*¥?[\\d,]+円?)?(?=[\\s\\x{3000}]+[^\\s\\x{3000}\\d¥(])")
                .arg(kUnits));
        if (const auto p = priceFirst.match(n);
            p.hasMatch() && (cur.name.isEmpty() || cur.priced())) {
            const QString name = blankTrim(o.mid(p.capturedEnd()));
            const QString swapped = name + u'　' + blankTrim(o.left(p.capturedEnd()));
            const QList<Money> inName = moneyIn(prepared(name));
            if (!name.isEmpty() && std::none_of(inName.begin(), inName.end(),
                                                [](const Money &m) { return m.marked; })) {
                commit();
                unlabelled(swapped, prepared(swapped), compact(prepared(swapped)));
                return;
            }
        }
        // "木村 健太さんが ¥5,520 を支払い", "昨年は合計12,000円": payments and sums,
        // not items; "500円OFFクーポン" describes a discount read elsewhere.
        static const QRegularExpression off(
            QStringLiteral("\\d(?:円|%)?(?:OFF|off|Off|オフ|引き)"));
        static const QRegularExpression sums(QStringLiteral(
            "支払|合計|総額|ご請求|獲得|付与|の注文を|を注文し|注文しました|購入しました|末尾|"
            "Visa|VISA|Mastercard|JCB|AMEX|クレジット"));
        if (sums.match(c).hasMatch() || off.match(c).hasMatch())
            return;
        auto item = readItemLine(o, n, false);
        // A sentence with an amount and no count ("先月は5,000円以上で送料無料
        // でした") is no item: its "name" ends in a particle or the amount
        // is a bound.
        static const QRegularExpression prose(QStringLiteral("[はがでにへ]$|。"));
        static const QRegularExpression bound(
            QStringLiteral("\\d(?:円|pt)?(?:以上|以下|未満|から|より|まで)"));
        if (item && !item->qty &&
            (prose.match(item->name).hasMatch() || bound.match(c).hasMatch())) {
            // "送料表では東北は990円とありました": shipping named in passing,
            // a row only if the order's total includes it (see finish()).
            if (item->price && *item->price > 0 && !bound.match(c).hasMatch() &&
                c.contains(u"送料") && !c.contains(u"無料") && !c.contains(u'込'))
                feesInPassing.append({QStringLiteral("送料"), *item->price});
            item.reset();
        }
        if (item) {
            // "煎茶 × 2" / "¥1,404" / "¥2,808": the price, then the line's total.
            if (item->name.isEmpty() && cur.countOnName && cur.countedTotal && cur.total &&
                !cur.price && cur.qty && item->price && !item->qty && !item->total &&
                *item->price == *cur.total * *cur.qty) {
                cur.price = cur.total;
                cur.total = item->price;
                cur.countedTotal = false;
                return;
            }
            if (item->name.isEmpty() && cur.countOnName && !cur.priced() && item->price &&
                !item->qty && !item->total) {
                if (item->priceLabel) { // "単価 ¥756" under "棒ほうじ茶 × 2"
                    cur.price = item->price;
                } else {
                    cur.total = item->price;
                    cur.countedTotal = true;
                }
                return;
            }
            if (item->name.isEmpty() && cur.name.isEmpty() && section != Section::Items) {
                result.unread.append(blankTrim(o));
                return;
            }
            merge(*item);
            cur.tags += tailTag(o);
            // "1,404円 × 2　　のし：御年賀": an option set off after the price.
            static const QRegularExpression labelAfter(
                QStringLiteral("[\\s\\x{3000}]{2,}([^\\s\\x{3000}:：\\d]{1,6})[:：][\\s\\x{3000}]*("
                               "[^\\s\\x{3000}][^:：]{0,20})$"));
            if (const auto a = labelAfter.match(o); a.hasMatch() && attributeLabel(a.captured(1))) {
                const QList<Money> money = moneyIn(n);
                if (!money.isEmpty() && money.back().end <= a.capturedStart())
                    cur.options.append(a.captured(1) + u'：' + blankTrim(a.captured(2)));
            }
            // "@1,980円（色：白）": an option in brackets after the price.
            static const QRegularExpression optionAfter(QStringLiteral(
                "[(（]([^()（）:：]{1,8}[:：][^()（）]{1,20})[)）][\\s\\x{3000}]*$"));
            if (const auto a = optionAfter.match(o);
                a.hasMatch() && attributeLabel(blankTrim(a.captured(1).section(
                                    QRegularExpression(QStringLiteral("[:：]")), 0, 0)))) {
                const QList<Money> money = moneyIn(n);
                if (!money.isEmpty() && money.back().end <= a.capturedStart())
                    cur.options.append(blankTrim(a.captured(1)));
            }
            if (saysReduced(n))
                cur.reduced = true;
            if (saysStandard(n))
                cur.standard = true;
            return;
        }
        // "本山茶100gを4袋と、玄米茶を2袋お願いします": counts in a sentence, for a
        // mail that prices nothing.
        static const QRegularExpression counted(
            QStringLiteral(
                "(?:^|[、,]|と|あと)[\\s\\x{3000}]*([^、,。!?\\s\\x{3000}][^、,。!?]*?)"
                "(?:(?:を|も)[\\s\\x{3000}]*|(?<=[^\\s\\x{3000}\\d]))(\\d{1,9})[\\s\\x{3000}]*(%1)")
                .arg(kUnits));
        static const QRegularExpression countAtEnd(
            QStringLiteral("(?:(?<![0-9A-Za-z.])[\\s\\x{3000}]*[x×X*][\\s\\x{3000}]*(\\d{1,9})["
                           "\\s\\x{3000}]*(%1)?|"
                           "(?:[\\s\\x{3000}]+|を|:[\\s\\x{3000}]*)(\\d{1,9})[\\s\\x{3000}]*(%1))["
                           "\\s\\x{3000}]*$")
                .arg(kUnits));
        // "深蒸し茶 特上100gを３袋、玄米茶を２袋": several items counted in one
        // sentence without prices, each an entry of its own.
        if (section != Section::Other) {
            QList<QRegularExpressionMatch> each;
            for (auto it = counted.globalMatch(n); it.hasNext();)
                each.append(it.next());
            const QList<Money> money = moneyIn(n);
            if (each.size() >= 2 &&
                std::none_of(money.begin(), money.end(), [](const Money &m) { return m.marked; })) {
                commit();
                for (const auto &m : each) {
                    cur.name = nameFrom(o, m.capturedStart(1), m.capturedEnd(1), &cur.tags);
                    cur.qty = m.captured(2).toLongLong();
                    cur.unit = unitOf(m.captured(3));
                    cur.indent = indent;
                    commit();
                }
                return;
            }
        }
        auto count = countAtEnd.match(n);
        // "・玄米茶200g　3" in a memo: a listed name and a bare count (the
        // groups as countAtEnd's, the count in the third).
        static const QRegularExpression listed(QStringLiteral("^[\\s\\x{3000}]*[・●\\-*]"));
        static const QRegularExpression bareCount(
            QStringLiteral("(?!)()()|[\\s\\x{3000}]+(\\d{1,2})()[\\s\\x{3000}]*$"));
        // …or a name ending in its weight ("玉露50g 2").
        static const QRegularExpression weighed(
            QStringLiteral("\\d(?:g|kg|ml|mL|L|P|包)[\\s\\x{3000}]+\\d{1,2}[\\s\\x{3000}]*$"));
        if (!count.hasMatch() && (listed.match(o).hasMatch() || weighed.match(n).hasMatch()) &&
            moneyIn(n).size() <= 1)
            if (const auto bare = bareCount.match(n); bare.hasMatch() && bare.capturedStart() > 1)
                count = bare;
        if (section == Section::Other || !count.hasMatch()) {
            // Outside the items only a count with its unit, kept for a mail
            // that prices nothing and never reported.
            auto loose = [&](qsizetype begin, qsizetype end, const QString &qty,
                             const QString &unit) {
                OrderRow r;
                r.name1 = leftWhole(oneSpaced(nameFrom(o, begin, end, nullptr)), kItemNameLength);
                r.qty = qty.toLongLong();
                r.unit = unitOf(unit);
                r.priced = false;
                if (!r.name1.isEmpty() && r.qty > 0 && r.qty <= kOrderNumberLimit)
                    unpricedLoose.append(r);
            };
            if (count.hasMatch() && count.capturedLength(3) > 0 && count.capturedStart() > 0)
                loose(0, count.capturedStart(), count.captured(3), count.captured(4));
            else if (count.hasMatch() && count.capturedLength(1) > 0 && count.capturedStart() > 0)
                loose(0, count.capturedStart(), count.captured(1),
                      count.captured(2)); // "本山茶 ×3"
            else
                for (auto it = counted.globalMatch(n); it.hasNext();) {
                    const auto m = it.next();
                    loose(m.capturedStart(1), m.capturedEnd(1), m.captured(2), m.captured(3));
                }
            if (section == Section::Other)
                return;
        }
        if (cur.priced()) {
            // An indented line or one in brackets continues the entry
            // ("　のし：御中元"); any other starts the next one.
            static const QRegularExpression request(QStringLiteral("願い|ください|下さい"));
            if ((indent > cur.indent || c.startsWith(u'(')) && !request.match(c).hasMatch()) {
                // A note under the item ("※1セットは両親用…") is the buyer's
                // remark, not an option to print.
                if (!c.startsWith(u'※'))
                    cur.options.append(optionText(o));
                return;
            }
            commit();
        }
        // A name with its count starts an entry of its own; a line above it
        // without count or price was no item ("Shopify 注文 #2001").
        if (!cur.name.isEmpty() && count.hasMatch() && count.capturedStart() > 0 &&
            !(cur.blankEnd && wrappedName()))
            commit();
        // "代引き、明日午前着希望": a request, not an option of the item above.
        static const QRegularExpression remark(QStringLiteral("[、。]|希望|願い|ください"));
        const bool hasCount = count.hasMatch() && count.capturedStart() > 0;
        auto takeCount = [&](const QString &before) {
            const bool times = count.capturedLength(1) > 0;
            cur.qty = count.captured(times ? 1 : 3).toLongLong();
            cur.unit = unitOf(count.captured(times ? 2 : 4));
            cur.countOnName = true;
            cur.wholeName = before + nameFrom(o, 0, o.size(), nullptr);
        };
        if (cur.name.isEmpty()) {
            cur.name = nameFrom(o, 0, hasCount ? count.capturedStart() : o.size(), &cur.tags);
            // A name left with a blank at its end was wrapped there.
            cur.blankEnd = !hasCount && o.endsWith(u' ');
            cur.nameLine = cur.blankEnd ? kWrappedLine : o.size();
            cur.indent = indent;
            if (hasCount)
                takeCount(QString());
        } else if (cur.blankEnd && wrappedName() && hasCount && c.size() <= 16) {
            // "波佐見焼 マグ " / "ブルー × 2": the wrapped name, then its count.
            const QString before = cur.name + u' ';
            cur.name = before + nameFrom(o, 0, count.capturedStart(), &cur.tags);
            cur.nameLine = 0;
            takeCount(before);
        } else if (cur.qty && !cur.priced() && indent <= cur.indent &&
                   (c.size() > 16 || remark.match(c).hasMatch())) {
            // A hasCount name without its price yet takes short lines as
            // options ("50g"); a long one is the text going on.
            commit();
        } else if (wrappedName() && c.size() <= 12) {
            // "…ポスト投函 お試し" / "セット": the mailer wrapped a long name.
            cur.name += (cur.blankEnd ? u" "_qs : QString()) + nameFrom(o, 0, o.size(), &cur.tags);
            cur.nameLine = 0;
        } else if (isProductCode(c) && cur.code.isEmpty()) {
            cur.code = c; // "業務用 煎茶 500g" / "B-500": its code
        } else if (const QString option = nameFrom(o, 0, o.size(), nullptr); !option.isEmpty()) {
            cur.options.append(option); // not a code alone ("(honyama-toku100)")
        }
    }

    void applyMarks()
    {
        for (OrderRow &r : result.rows) {
            const QString name = compact(prepared(r.name1));
            if (!r.fee && (reducedNames.contains(name) ||
                           std::any_of(reducedWords.begin(), reducedWords.end(),
                                       [&](const QString &w) { return name.contains(w); }) ||
                           (reducedFood && isFood(name))))
                r.reduced = true;
        }
        for (const Tagged &t : tagged) {
            bool reduced = false;
            for (const QChar ch : t.tags)
                reduced = reduced || ch == u'軽' || legendTags.contains(ch) ||
                          (legendTags.isEmpty() && ch == u'※' && mentionsReduced);
            if (reduced)
                result.rows[t.row].reduced = true;
        }
        // A mail whose tax is at 8 % alone and names no 10 %: every item is
        // at the reduced rate (fees stay at the standard rate).
        const bool anyMarked = std::any_of(result.rows.begin(), result.rows.end(),
                                           [](const OrderRow &r) { return r.reduced; });
        if (anyMarked)
            return;
        if ((taxLineEight && !mentionsTen) || allReduced) {
            for (OrderRow &r : result.rows)
                r.reduced = !r.fee;
            return;
        }
        markByReducedFigures();
    }

    // The reduced rate's base ("8%対象 3,888円") or tax ("消費税（8%）696円")
    // picks out the reduced items when exactly one set of items fits it; so
    // does the tax of both rates in one figure ("消費税 980円" on 11,000 yen
    // of tea and 1,000 of ware), the food among the items deciding between
    // sets that fit alike.
    void markByReducedFigures()
    {
        if (!reducedBase && !reducedTax && !statedTax)
            return;
        qint64 others = 0, discount = 0; // fees at the standard rate; discounts
        for (const OrderRow &r : result.rows)
            if (r.fee && r.price >= 0)
                others += r.qty * r.price;
            else if (r.fee)
                discount += r.qty * r.price;
        QList<qsizetype> items;
        for (qsizetype i = 0; i < result.rows.size(); ++i)
            if (!result.rows[i].fee)
                items.append(i);
        constexpr qsizetype kMostItems = 16; // 65,536 sets at most
        // Amounts of up to twelve digits: no sum of sixteen overflows.
        constexpr qint64 kLargestAmount = 999'999'999'999;
        if (items.isEmpty() || items.size() > kMostItems ||
            std::any_of(items.begin(), items.end(), [&](qsizetype i) {
                return std::abs(result.rows[i].qty * result.rows[i].price) > kLargestAmount;
            }))
            return;
        qint64 itemSum = 0;
        quint32 food = 0;
        for (qsizetype k = 0; k < items.size(); ++k) {
            itemSum += result.rows[items[k]].qty * result.rows[items[k]].price;
            if (isFood(compact(prepared(result.rows[items[k]].name1))))
                food |= quint32(1) << k;
        }
        // The tax of both rates as the mail may have worked it: on the
        // prices before tax, or contained in prices with tax; a discount
        // taken from the standard rate, from the reduced one, or from both
        // in proportion ("法人割引 5%" on the whole order).
        // The spread is worked with a yen of slack, and the items' tax alone
        // may fit many sets: both only for the food.
        auto bothRates = [&](qint64 reduced, bool spread) {
            const auto fits = [&](qint64 r, qint64 s, qint64 slack) {
                return std::abs(r * 8 / 100 + s * 10 / 100 - *statedTax) <= slack ||
                       std::abs(r * 8 / 108 + s * 10 / 110 - *statedTax) <= slack;
            };
            const qint64 standard = itemSum - reduced + others;
            // …or the items' tax alone ("小計 ￥3,672 (うち消費税 ￥272)").
            if (fits(reduced, standard + discount, 0) ||
                (discount && fits(reduced + discount, standard, 0)) ||
                (spread && (others || discount) && fits(reduced, itemSum - reduced, 0)))
                return true;
            if (!discount || itemSum <= 0)
                return false;
            // The product may pass 64 bits (twelve-digit items, nine-digit
            // discount): no spread is worked for such sums.
            qint64 product = 0;
            if (__builtin_mul_overflow(discount, reduced, &product))
                return false;
            const qint64 share = product / itemSum;
            return spread && fits(reduced + share, standard + discount - share, 1);
        };
        if (!reducedBase && !reducedTax && bothRates(0, false))
            return; // all at the standard rate, as unmarked
        int fits = 0;
        quint32 found = 0;
        bool foodFits = false;
        for (quint32 set = 1; set < (quint32(1) << items.size()); ++set) {
            qint64 sum = 0;
            for (qsizetype k = 0; k < items.size(); ++k)
                if (set & (quint32(1) << k))
                    sum += result.rows[items[k]].qty * result.rows[items[k]].price;
            const bool fit =
                reducedBase  ? sum == *reducedBase
                : reducedTax ? (sum * 8 / 100 == *reducedTax || sum * 8 / 108 == *reducedTax)
                             : bothRates(sum, set == food);
            if (fit) {
                ++fits;
                found = set;
                foodFits = foodFits || set == food;
            }
        }
        if (fits > 1 && foodFits && !reducedBase && !reducedTax) {
            fits = 1;
            found = food;
        }
        if (fits != 1)
            return;
        for (qsizetype k = 0; k < items.size(); ++k)
            result.rows[items[k]].reduced = (found & (quint32(1) << k)) != 0;
    }

    void decideTax()
    {
        if (const auto byTotal = taxByTotal()) {
            result.tax = *byTotal;
            return;
        }
        if (exclWords > 0 && inclWords == 0)
            result.tax = OrderTaxMode::Excluded;
        else if (inclWords > 0 && exclWords == 0)
            result.tax = OrderTaxMode::Included;
    }

    // The tax mode under which the rows add up to the mail's total.
    std::optional<OrderTaxMode> taxByTotal() const
    {
        qint64 sum = 0, standard = 0, reduced = 0;
        bool overflow = false;
        for (const OrderRow &r : result.rows) {
            qint64 amount = 0;
            overflow = overflow || __builtin_mul_overflow(r.qty, r.price, &amount) ||
                       __builtin_add_overflow(sum, amount, &sum) ||
                       __builtin_add_overflow(r.reduced ? reduced : standard, amount,
                                              r.reduced ? &reduced : &standard);
        }
        if (result.total && !overflow && !result.rows.isEmpty()) {
            const qint64 t = *result.total;
            if (sum == t)
                return result.totalBeforeTax ? OrderTaxMode::Excluded : OrderTaxMode::Included;
            qint64 withTax = 0;
            if (statedTax && !__builtin_add_overflow(sum, *statedTax, &withTax) && withTax == t)
                return OrderTaxMode::Excluded;
            // The tax a tax-exclusive note adds (10 % and 8 %, rounded
            // down), within a yen; reduced / 100 * 8 + the rest keeps the
            // product in range.
            const qint64 added = standard / 10 + reduced / 100 * 8 + reduced % 100 * 8 / 100;
            qint64 note = 0;
            qint64 off = 0;
            if (!__builtin_add_overflow(sum, added, &note) &&
                !__builtin_sub_overflow(note, t, &off) && off >= -1 && off <= 1)
                return OrderTaxMode::Excluded;
        }
        return std::nullopt;
    }
};

} // namespace

qsizetype OrderLines::itemCount() const
{
    return std::count_if(rows.begin(), rows.end(), [](const OrderRow &r) { return !r.fee; });
}

namespace {

// skipQuoted: the reply's own lines only; otherwise all, quote marks cut.
OrderLines readLines(const QStringList &lines, const QList<bool> &quoted, bool skipQuoted)
{
    Reader reader;
    static const QRegularExpression incl(
        QStringLiteral("税込|内税|うち消費税|内消費税|税.{0,12}を含む"));
    static const QRegularExpression excl(QStringLiteral("税抜|税別|外税|本体価格"));
    int count = 0;
    for (const QString &line : lines) {
        if (++count > kLinesRead)
            break;
        if (skipQuoted && quoted[count - 1])
            continue;
        static const QRegularExpression quoteMarks(
            QStringLiteral("^[ \\t\\x{3000}]*(?:[>＞][ \\x{3000}]?)+"));
        QString text = line;
        if (quoted[count - 1])
            text.remove(quoteMarks);
        // "湯呑み 白磁 × 2　←箱はいらないとのこと": a note pointing back at
        // the line is no part of it.
        static const QRegularExpression pointer(QStringLiteral("[\\s\\x{3000}]*(?:←|<-|＜－).*$"));
        if (const qsizetype at = text.indexOf(pointer); at > 0)
            text.truncate(at);
        for (const QString &piece : order_text::memoEntries(leftWhole(text, kLineLimit))) {
            const QString o = piece;
            const QString n = prepared(o);
            if (n.contains(u'税')) {
                reader.inclWords += incl.match(n).hasMatch() ? 1 : 0;
                reader.exclWords += excl.match(n).hasMatch() ? 1 : 0;
            }
            reader.mentionsTen = reader.mentionsTen || (n.contains(u'%') && saysStandard(n));
            reader.line(o, n);
        }
    }
    reader.finish();
    return reader.result;
}

} // namespace

OrderLines readOrderLines(const QString &mailText)
{
    // No-break and typographic spaces from a browser's copy read as blanks;
    // zero-width ones go.
    QString text = order_text::withoutHtml(mailText);
    for (QChar &c : text)
        if (c == u'\u00A0' || (c >= u'\u2000' && c <= u'\u200A') || c == u'\u202F' ||
            c == u'\u205F')
            c = u' ';
    static const QRegularExpression zeroWidth(QStringLiteral("[\\x{200B}\\x{FEFF}]"));
    text.remove(zeroWidth);
    // An image's text left by a mail's HTML ("[商品画像]	かんぶせ茶 80g × 4").
    static const QRegularExpression image(
        QStringLiteral("^[ \\t\\x{3000}]*[\\[［](?:商品画像|商品イメージ|画像|image|Image|IMAGE)[\\]］][ \\t\\x{3000}]*"),
        QRegularExpression::MultilineOption);
    text.remove(image);
    // A code in a table's last cell ("未出荷<TAB>煎茶<TAB>SKU: KC-20") is a
    // line of its own, as the code lines under the name are.
    static const QRegularExpression codeCell(
        QStringLiteral("(?<=[^\\s\\x{3000}])\t(?=(?:SKU|ASIN|JANコード|JAN|商品コード|商品番号|"
                       "品番|型番)[ \t]*[:：])"));
    text.replace(codeCell, QStringLiteral("\n"));
    // …and a field's line that ends the name's cell before the amounts
    // ("注文商品ID: 2190…<TAB>¥1,080<TAB>¥1,080"): the amounts on a line of their own.
    static const QRegularExpression fieldThenAmounts(
        QStringLiteral("^([^\t\n:：]{1,12}[:：] *[^\t\n ][^\t\n]*)\t(?=[¥￥\\d])"),
        QRegularExpression::MultilineOption);
    text.replace(fieldThenAmounts, QStringLiteral("\\1\n\t"));
    const QStringList lines = order_text::withoutSpeakers(
        text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))));
    // A reply quotes earlier mails ("> "): their prices are a catalogue's or
    // last order's. They are read only when the reply itself lists nothing.
    const QList<bool> quoted = order_text::quotedLines(lines);
    if (quoted.contains(true)) {
        OrderLines own = readLines(lines, quoted, true);
        if (own.itemCount() > 0)
            return own;
    }
    return readLines(lines, quoted, false);
}

namespace {
QString yen(qint64 value)
{
    return QStringLiteral("¥") + QLocale(QLocale::Japanese, QLocale::Japan).toString(value);
}
} // namespace

QString orderLinesStatus(const OrderLines &order, std::optional<qint64> noteTotal)
{
    QStringList parts;
    // A total stated before tax is the sum of the rows' amounts.
    if (order.total && order.totalBeforeTax) {
        qint64 sum = 0, amount = 0;
        bool overflow = false;
        for (const OrderRow &r : order.rows)
            overflow = overflow || __builtin_mul_overflow(r.qty, r.price, &amount) ||
                       __builtin_add_overflow(sum, amount, &sum);
        if (!overflow && sum != *order.total)
            parts.append(QStringLiteral("注文の税抜合計 %1 と明細の合計 %2 が %3 違います")
                             .arg(yen(*order.total), yen(sum), yen(std::abs(sum - *order.total))));
    } else if (order.total && noteTotal && *noteTotal != *order.total)
        parts.append(
            QStringLiteral("注文の合計 %1 と納品書の税込合計 %2 が %3 違います")
                .arg(yen(*order.total), yen(*noteTotal), yen(std::abs(*noteTotal - *order.total))));
    else if (order.total && !noteTotal)
        parts.append(QStringLiteral("納品書の合計を計算できません"));
    if (!order.unread.isEmpty())
        parts.append(QStringLiteral("読めなかった明細：") + order.unread.join(u'、'));
    // Rows that all lack a price leave nothing for the tax mode to change.
    const bool nothingPriced =
        !order.rows.isEmpty() && std::none_of(order.rows.begin(), order.rows.end(),
                                              [](const OrderRow &r) { return r.priced; });
    if (order.tax == OrderTaxMode::Unknown && !nothingPriced)
        parts.append(QStringLiteral("税込・税抜は注文文から判らないため変えていません"));
    return parts.join(QStringLiteral("　"));
}

QString rowsLeftOutNotice(qsizetype rows, qsizetype filled)
{
    return QStringLiteral("注文の明細は %1 行あります。納品書には %2 行まで転記し、残りの %3 行は"
                          "転記していません")
        .arg(rows)
        .arg(filled)
        .arg(rows - filled);
}
