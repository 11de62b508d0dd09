#include "transfer/DictionaryTransfer.h"

#include "transfer/LineTests.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <phonenumbers/phonenumbermatch.h>
#include <phonenumbers/phonenumbermatcher.h>
#include <phonenumbers/phonenumberutil.h>

QString narrowOrderText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        char16_t c = ch.unicode();
        if (c >= 0xFF01 && c <= 0xFF5E)
            c = char16_t(c - 0xFEE0);
        else if (c == 0x2010 || c == 0x2011 || c == 0x2012 || c == 0x2013 || c == 0x2212 ||
                 c == 0xFF70 || (c == u'ー' && !out.isEmpty() && out.back().isDigit()))
            c = u'-';
        out += QChar(c);
    }
    return out;
}

namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberMatch;
using i18n::phonenumbers::PhoneNumberMatcher;
using i18n::phonenumbers::PhoneNumberUtil;

constexpr qsizetype kLineLimit = 512; // characters read from one line
constexpr int kLinesRead = 400;       // lines read from one text

enum class Block { None, Orderer, Destination, Other };
enum class Field { None, Name, GivenName, Company, Zip, Address, Building, Tel, Fax, Ignore };

QString narrow(QStringView text)
{
    return narrowOrderText(text);
}

QString trimmed(QStringView text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && (text.at(b).isSpace() || text.at(b).unicode() < 0x20))
        ++b;
    while (e > b && (text.at(e - 1).isSpace() || text.at(e - 1).unicode() < 0x20))
        --e;
    return text.mid(b, e - b).toString();
}

// The text with every blank removed, for comparisons.
QString compact(QStringView text)
{
    QString out;
    for (const QChar c : narrow(text))
        if (!c.isSpace())
            out += c;
    return out;
}

QString digitsOf(QStringView text)
{
    QString out;
    for (const QChar c : narrow(text))
        if (c.isDigit() && c.unicode() < 0x80)
            out += c;
    return out;
}

bool isDecoration(QChar c)
{
    static const QString marks =
        QStringLiteral("【】[]［］■□◆◇●○◎▼▽▲△★☆<>＜＞〈〉《》『』「」|｜*＊=＝-―─━~〜・:：◯♪\"“”");
    return marks.contains(c) || c.isSpace();
}

bool isLeadingMark(QChar c)
{
    return isDecoration(c) || c == u'(' || c == u'（';
}

bool isLeadingNumber(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x2460 && u <= 0x2473) || (u >= 0x2776 && u <= 0x277F); // ① .. ⑳, ❶ ..
}

// The line with decorations and list numbers ("①", "1.", "(1)") cut from its
// start and decorations from its end.
QString undecorated(const QString &line, bool *decorated)
{
    qsizetype b = 0, e = line.size();
    while (b < e && (isLeadingMark(line.at(b)) || isLeadingNumber(line.at(b))))
        ++b;
    static const QRegularExpression listNumber(QStringLiteral("^[0-9０-９]{1,2}[.．)）]\\s*"));
    const auto m = listNumber.match(QStringView(line).mid(b, e - b));
    if (m.hasMatch())
        b += m.capturedLength();
    while (e > b && (isDecoration(line.at(e - 1)) && line.at(e - 1) != u'-'))
        --e;
    if (decorated)
        *decorated = b > 0 || e < line.size();
    return line.mid(b, e - b);
}

struct BlockWord
{
    const char16_t *word;
    Block block;
};

// Names of blocks, longest first within a family.
// clang-format off
const BlockWord kBlockWords[] = {
    {u"お届け先", Block::Destination},          {u"お届先", Block::Destination},
    {u"届け先", Block::Destination},            {u"ご送付先", Block::Destination},
    {u"送付先", Block::Destination},            {u"お送り先", Block::Destination},
    {u"送り先", Block::Destination},            {u"配送先", Block::Destination},
    {u"発送先", Block::Destination},            {u"お受取人", Block::Destination},
    {u"受取人", Block::Destination},            {u"受け取り人", Block::Destination},
    {u"納品先", Block::Destination},            {u"ご注文者", Block::Orderer},
    {u"注文者", Block::Orderer},                {u"ご購入者", Block::Orderer},
    {u"購入者", Block::Orderer},                {u"ご請求先", Block::Orderer},
    {u"請求先", Block::Orderer},                {u"ご依頼主", Block::Orderer},
    {u"依頼主", Block::Orderer},                {u"送り主", Block::Orderer},
    {u"発注者", Block::Orderer},                {u"発注元", Block::Orderer},
    {u"ご注文主", Block::Orderer},              {u"注文主", Block::Orderer},
    {u"差出人", Block::Orderer},                {u"発信元", Block::Orderer},
    {u"送信元", Block::Orderer},
    {u"発信者", Block::Orderer},                {u"お客様情報", Block::Orderer},
    {u"ご注文内容", Block::Other},              {u"注文内容", Block::Other},
    {u"ご注文商品", Block::Other},              {u"注文商品", Block::Other},
    {u"商品", Block::Other},                    {u"お支払", Block::Other},
    {u"支払", Block::Other},                    {u"配送方法", Block::Other},
    {u"備考", Block::Other},                    {u"ご注文確認", Block::Other},
    {u"注文番号", Block::Other},                {u"ご注文明細", Block::Other},
    {u"合計", Block::Other},                    {u"配送希望", Block::Other},
    {u"お届け希望", Block::Other},              {u"お届け日", Block::Other},
    {u"配達先", Block::Destination},            {u"宛先", Block::Destination},
    {u"お受け取り人", Block::Destination},      {u"落札者", Block::Orderer},
    {u"お申込者", Block::Orderer},              {u"申込者", Block::Orderer},
    {u"Ship to", Block::Destination},           {u"Recipient", Block::Destination},
    {u"Shipping address", Block::Destination},  {u"Shipping Address", Block::Destination},
    {u"Billing address", Block::Orderer},       {u"Billing Address", Block::Orderer},
    {u"お贈り先", Block::Destination},          {u"贈り先", Block::Destination},
    {u"贈り主", Block::Orderer},                {u"Delivery address", Block::Destination},
    {u"Delivery", Block::Destination},          {u"Deliver to", Block::Destination},
    {u"お届け", Block::Destination}, // "お届け：〒…"; after the longer words
    {u"届", Block::Destination},     // a staff memo's "届:〒…"
};
// clang-format on

struct LabelWord
{
    const char16_t *word;
    Field field;
};

// Field labels, longer forms before the shorter ones they start with.
const LabelWord kLabels[] = {
    {u"会社名・部署名・ご担当者名", Field::Name},
    {u"会社名・部署名・ご担当者", Field::Name},
    {u"会社名・部署名", Field::Company},
    {u"お届け先住所", Field::Address},
    {u"お届け先氏名", Field::Name},
    {u"お届け先名", Field::Name},
    {u"お届け先電話番号", Field::Tel},
    {u"送付先住所", Field::Address},
    {u"送付先氏名", Field::Name},
    {u"受取人名", Field::Name},
    {u"お名前(漢字)", Field::Name},
    {u"お名前", Field::Name},
    {u"御名前", Field::Name},
    {u"おなまえ", Field::Name},
    {u"名前", Field::Name},
    {u"ご氏名", Field::Name},
    {u"氏名", Field::Name},
    {u"宛名", Field::Name},
    {u"名称", Field::Name},
    {u"ご芳名", Field::Name},
    {u"芳名", Field::Name},
    {u"お客様名", Field::Name},
    {u"お客様", Field::Name},
    {u"客", Field::Name}, // a staff memo's "客:石田様"
    {u"ご担当者名", Field::Name},
    {u"ご担当者", Field::Name},
    {u"担当者名", Field::Name},
    {u"担当者", Field::Name},
    {u"ご担当", Field::Name},
    {u"担当", Field::Name},
    {u"会社名", Field::Company},
    {u"法人名", Field::Company},
    {u"団体名", Field::Company},
    {u"店舗名", Field::Company},
    {u"店名", Field::Company},
    {u"屋号", Field::Company},
    {u"施設名", Field::Company},
    {u"貴社名", Field::Company},
    {u"御社名", Field::Company},
    {u"部署名", Field::Company},
    {u"部署", Field::Company},
    {u"フリガナ", Field::Ignore},
    {u"ふりがな", Field::Ignore},
    {u"お名前(カナ)", Field::Ignore},
    {u"お名前(フリガナ)", Field::Ignore},
    {u"カナ", Field::Ignore},
    {u"郵便番号", Field::Zip},
    {u"〒", Field::Zip},
    {u"ご住所", Field::Address},
    {u"住所1", Field::Address},
    {u"住所2", Field::Building},
    {u"住所3", Field::Building},
    // An address in labelled parts: each goes on with the one before.
    {u"都道府県", Field::Address},
    {u"市区町村", Field::Address},
    {u"町名・番地", Field::Address},
    {u"町名", Field::Address},
    {u"丁目・番地", Field::Address},
    {u"建物名・部屋番号", Field::Building},
    {u"部屋番号", Field::Building},
    {u"住所", Field::Address},
    {u"所在地", Field::Address},
    {u"おところ", Field::Address},
    {u"建物名", Field::Building},
    {u"マンション名", Field::Building},
    {u"番地", Field::Address},
    {u"FAX番号", Field::Fax},
    {u"ファックス", Field::Fax},
    {u"FAX", Field::Fax},
    {u"Fax", Field::Fax},
    {u"fax", Field::Fax},
    {u"携帯電話番号", Field::Tel},
    {u"携帯電話", Field::Tel},
    {u"携帯番号", Field::Tel},
    {u"携帯", Field::Tel},
    {u"お電話番号", Field::Tel},
    {u"電話番号", Field::Tel},
    {u"お電話", Field::Tel},
    {u"電話", Field::Tel},
    {u"連絡先", Field::Tel},
    {u"TEL", Field::Tel},
    {u"Tel", Field::Tel},
    {u"tel", Field::Tel},
    {u"℡", Field::Tel},
    {u"Full name", Field::Name},
    {u"Name", Field::Name},
    {u"Company name", Field::Company},
    {u"Company", Field::Company},
    {u"Postal code", Field::Zip},
    {u"Zip code", Field::Zip},
    {u"ZIP", Field::Zip},
    {u"Address", Field::Address},
    {u"Phone", Field::Tel},
    {u"メールアドレス", Field::Ignore},
    {u"メール", Field::Ignore},
    {u"E-mail", Field::Ignore},
    {u"Email", Field::Ignore},
    {u"国", Field::Ignore},
    // Options of an item, not the destination: "名入れ：株式会社…".
    {u"名入れ内容", Field::Ignore},
    {u"名入れ文字", Field::Ignore},
    {u"お名入れ", Field::Ignore},
    {u"名入れ", Field::Ignore},
    {u"のし名", Field::Ignore},
    {u"のし", Field::Ignore},
    {u"表書き", Field::Ignore},
    {u"メッセージカード", Field::Ignore},
    {u"メッセージ", Field::Ignore},
    {u"熨斗", Field::Ignore},
    {u"包装", Field::Ignore},
    {u"ラッピング", Field::Ignore},
    {u"国名", Field::Ignore},
    {u"住所の種類", Field::Ignore}, // a cart's "住所の種類: 住宅"
    {u"色", Field::Ignore},
    {u"カラー", Field::Ignore},
    {u"サイズ", Field::Ignore},
    {u"日本", Field::Ignore},
    // A form that asks for the family and the given name apart.
    {u"姓", Field::Name},
    {u"名", Field::GivenName},
};

struct Labelled
{
    Field field = Field::None;
    QString value;
    bool sentence = false; // "住所は…です": the value is what a sentence says
    bool contact = false;  // "担当：…": the person in charge of a company or shop
};

bool isSeparator(QChar c)
{
    return c == u':' || c == u'：' || c.isSpace() || c == u'】' || c == u']' || c == u'］' ||
           c == u'|' || c == u'｜' || c == u')' || c == u'）' || c == u'」' || c == u'=' ||
           c == u'＝';
}

// Where word ends at the start of text, blanks between its characters
// allowed ("お　名　前", "電　　話" on forms padded to one width); -1 when it
// is not there.
qsizetype spacedPrefix(const QString &text, const QString &word)
{
    qsizetype at = 0;
    for (qsizetype k = 0; k < word.size(); ++k) {
        while (k > 0 && at < text.size() && text.at(at).isSpace())
            ++at;
        if (at >= text.size() || text.at(at) != word.at(k))
            return -1;
        ++at;
    }
    return at;
}

// A label at the start of the line (after decorations) and the value after
// it. A label runs into no other word: "住所録" is no 住所.
Labelled labelOf(const QString &line)
{
    QString core = narrow(undecorated(line, nullptr));
    // "母の住所は…", "実家の電話は…": whose field it is, before a sentence's label.
    static const QRegularExpression whose(QStringLiteral(
        "^[^\\s　:：の、。]{1,6}の(?=(ご?住所|お?名前|お?電話|電話番号|郵便番号|連絡先)は)"));
    core.remove(whose);
    for (const LabelWord &l : kLabels) {
        const QString word = QString::fromUtf16(l.word);
        qsizetype at = spacedPrefix(core, word);
        if (at < 0)
            continue;
        // "TEL(携帯)", "電話番号（自宅）"
        Field field = l.field;
        if (at < core.size() && (core.at(at) == u'(' || core.at(at) == u'（')) {
            const qsizetype close = core.indexOf(QRegularExpression(QStringLiteral("[)）]")), at);
            if (close > 0 && close - at <= 8) {
                // "お名前（名）：亜紀" after "お名前（姓）：福田"
                if (field == Field::Name && close == at + 2 && core.at(at + 1) == u'名')
                    field = Field::GivenName;
                // "受取人名(フリガナ)": the reading of the field, not the field.
                static const QRegularExpression reading(
                    QStringLiteral("フリガナ|ふりがな|カナ|読み"));
                if (QStringView(core).mid(at, close - at).contains(reading))
                    field = Field::Ignore;
                at = close + 1;
            }
        }
        // "会社名・団体名": one label naming two things the field may hold.
        if (at < core.size() && core.at(at) == u'・') {
            qsizetype end = at + 1;
            while (end < core.size() && end - at <= 6 && !isSeparator(core.at(end)))
                ++end;
            if (end < core.size() && end - at <= 6 && core.at(end - 1) == u'名')
                at = end;
        }
        // "ご担当者様：", "お名前様": a label honouring whom it asks for.
        if (at < core.size() && core.at(at) == u'様' &&
            (l.field == Field::Name || l.field == Field::Company))
            ++at;
        const bool freeText = at < core.size() && core.at(at) == u'は'; // "名前は…です"
        if (at < core.size() && !isSeparator(core.at(at)) && !freeText && l.field != Field::Zip &&
            !(l.field == Field::Tel && (core.at(at).isDigit() || core.at(at) == u'.')))
            continue;
        while (at < core.size() &&
               (isSeparator(core.at(at)) || core.at(at) == u'は' || core.at(at) == u'.'))
            ++at;
        QString value = trimmed(QStringView(core).mid(at));
        if (freeText) {
            static const QRegularExpression tail(
                QStringLiteral("(です|になります|でお願いします)?[。．.!！]*$"));
            value.remove(tail);
        }
        return {field, trimmed(value), freeText, word.contains(u"担当")};
    }
    return {};
}

// A sentence that gives several fields ("郵便番号は600-8008、電話は075-…です。"):
// a piece for each, split where a label follows "、" or "。". So too a form
// line with several labels and colons ("姓：森　名：太一"), split where one
// follows a full-width blank or a tab.
QStringList sentencePieces(const QString &line)
{
    QStringList pieces;
    qsizetype from = 0;
    static const QRegularExpression colon(QStringLiteral("[:：]"));
    for (qsizetype i = 0; i + 1 < line.size(); ++i) {
        const bool sentence = line.at(i) == u'、' || line.at(i) == u'。';
        if (!sentence && line.at(i) != u'　' && line.at(i) != u'\t')
            continue;
        const QString rest = trimmed(QStringView(line).mid(i + 1));
        if (!sentence) {
            const qsizetype at = rest.indexOf(colon);
            if (at < 1 || at > 10)
                continue;
        }
        const Labelled l = labelOf(rest);
        if (l.field == Field::None || l.field == Field::Ignore || l.value.isEmpty())
            continue;
        if (i > from)
            pieces.append(trimmed(QStringView(line).mid(from, i - from)));
        from = i + 1;
    }
    pieces.append(trimmed(QStringView(line).mid(from)));
    return pieces;
}

std::optional<std::pair<QString, QString>> leadingZip(const QString &text);

// "同上", "ご注文者と同じ", "購入者と同一": the same as the block before.
bool saysSame(const QString &text)
{
    return text.contains(u"同じ") || text.contains(u"同上") || text.contains(u"同一");
}

bool looksLikeName(const QString &line);
bool isAllKana(const QString &text);

// A header line: the block it opens, and what follows on the same line.
std::optional<std::pair<Block, QString>> headerOf(const QString &line, const PostalDictionary *dict)
{
    bool decorated = false;
    // "新しいお届け先：", "変更後のお届け先": the block all the same.
    static const QRegularExpression changed(QStringLiteral("^(?:新しい|変更後の)"));
    QString core = undecorated(line, &decorated).remove(changed);
    // "■ギフトのお届け先", "【商品お届け先】": a heading that qualifies its
    // block's word with a few words before it.
    static const QRegularExpression qualified(
        QStringLiteral("^(ギフトの?|贈答品?の?|商品の?|お品物の?|今回の)"
                       "(?=(お届け?|届け|ご?送付|お?送り|配送|発送|配達|納品)先)"));
    if (decorated)
        core.remove(qualified);
    for (const BlockWord &b : kBlockWords) {
        const QString word = QString::fromUtf16(b.word);
        if (!core.startsWith(word))
            continue;
        QString rest = core.mid(word.size());
        // "受取人(カナ) : マツオ アカリ": the reading, not the name.
        static const QRegularExpression reading(
            QStringLiteral("^[(（]?(?:カナ|フリガナ|ふりがな|よみ|ヨミ)[)）]?"));
        if (b.block != Block::Other && reading.match(rest).hasMatch())
            return std::make_pair(b.block, QString());
        for (const char16_t *tail : {u"様情報", u"の情報", u"情報", u"様", u"の方", u"について"})
            if (rest.startsWith(QString::fromUtf16(tail)))
                rest = rest.mid(QString::fromUtf16(tail).size());
        // "お届け先（ギフト）", "送付先(ご自宅)": a note on the block.
        static const QRegularExpression note(
            QStringLiteral("^[\\s　]*[（(][^（）()0-9]{1,10}[）)]"));
        if (b.block != Block::Other)
            rest.remove(note);
        if (b.block != Block::Other) {
            // "お届け先①", "お届け先2": one of several destinations, numbered.
            // "お届け先 2", "■お届け先 [1]" (the closing bracket may have gone
            // with the line's trailing marks).
            static const QRegularExpression index(
                QStringLiteral("^[\\s　]*[(（\\[［]?([0-9０-９]{1,2}|[\\x{2460}-\\x{2473}])"
                               "[)）\\]］]?(?![0-9０-９\\-－])"));
            rest.remove(index);
            // "送り先はいつもの実家です。": the destination follows;
            // "送り先は 京都市… です。": it is here.
            if (rest.startsWith(u'は') && !saysSame(rest)) {
                static const QRegularExpression tail(
                    QStringLiteral("(です|になります|でお願いします|まで)?[。．.!！]*$"));
                QString said = trimmed(QStringView(rest).mid(1));
                said.remove(tail);
                said = trimmed(said);
                const bool address = leadingZip(narrow(said)) ||
                                     (dict && dict->matchAddress(narrow(said)).cityFound());
                if (address)
                    return std::make_pair(b.block, said);
                // "受取人は義母の 佐野 和子 です。": a name with a blank in it.
                static const QRegularExpression kin(QStringLiteral("^[^\\s　]{1,6}の[\\s　]+"));
                said.remove(kin);
                const bool name =
                    looksLikeName(said) &&
                    trimmed(said).contains(QRegularExpression(QStringLiteral("[\\s　]")));
                return std::make_pair(b.block, name ? QStringLiteral("氏名：") + said : QString());
            }
        }
        // "受取人名：…", "お届け先名：…": the name of the block.
        if (b.block != Block::Other && rest.size() > 1 && rest.at(0) == u'名' &&
            isSeparator(rest.at(1)))
            return std::make_pair(b.block, QStringLiteral("氏名") + rest.mid(1));
        // "発注者<tab>盛岡…", "送付先　山田": a cell or a wide gap after the word.
        const bool spaced =
            rest.startsWith(u'\t') || rest.startsWith(u'　') || rest.startsWith(u"  ");
        rest = trimmed(rest);
        if (rest.isEmpty() && (decorated || b.block != Block::Other))
            return std::make_pair(b.block, QString());
        if (b.block == Block::Other)
            return decorated ? std::optional(std::make_pair(b.block, QString())) : std::nullopt;
        // "お届け先：山田太郎様", "[送付先] 山田 太郎 様", "お届け先住所：〒…"
        qsizetype sep = 0;
        while (sep < rest.size() &&
               (rest.at(sep) == u'：' || rest.at(sep) == u':' || rest.at(sep) == u']' ||
                rest.at(sep) == u'】' || rest.at(sep) == u'］' || rest.at(sep) == u'＞' ||
                rest.at(sep) == u'>' || rest.at(sep) == u'〉' || rest.at(sep) == u'》' ||
                rest.at(sep).isSpace()))
            ++sep;
        if (sep > 0 || spaced) {
            // "届け先：会社": which of the customer's places, no name.
            static const QRegularExpression place(QStringLiteral(
                "^(?:ご?自宅|会社|職場|勤務先|事務所|お店|店舗|実家)(?:へ|に|まで|宛)?[。.]?$"));
            const QString value = trimmed(QStringView(rest).mid(sep));
            return std::make_pair(b.block, place.match(value).hasMatch() ? QString() : value);
        }
        // "お届け先住所：" alone opens the block; with a value it is that field.
        if (const Labelled l = labelOf(rest); l.field != Field::None)
            return std::make_pair(b.block, l.value.isEmpty() ? QString() : rest);
        return std::nullopt;
    }
    return std::nullopt;
}

const PhoneNumberUtil &phoneUtil()
{
    return *PhoneNumberUtil::GetInstance();
}

QString nationalForm(const PhoneNumber &number)
{
    std::string out;
    phoneUtil().Format(number, PhoneNumberUtil::NATIONAL, &out);
    return QString::fromStdString(out);
}

// A postal code at the start of a text: its digits and what follows.
std::optional<std::pair<QString, QString>> leadingZip(const QString &text)
{
    static const QRegularExpression zip(
        QStringLiteral("^[(（]?〒?\\s*([0-9]{3})\\s?-?\\s?([0-9]{4})(?![0-9-])[)）]?\\s*"));
    const QString n = narrow(text);
    const auto m = zip.match(n);
    if (!m.hasMatch())
        return std::nullopt;
    return std::make_pair(m.captured(1) + m.captured(2),
                          trimmed(QStringView(n).mid(m.capturedEnd())));
}

QString dashedZip(const QString &digits)
{
    return digits.size() == 7 ? digits.left(3) + u'-' + digits.mid(3) : digits;
}

bool isGreetingOrNotice(const QString &line)
{
    static const char16_t *const words[] = {
        u"世話",     u"ありがと", u"いたします", u"致します",   u"ください",   u"下さい",
        u"注文",     u"確認",     u"よろしく",   u"宜しく",     u"下記",       u"以下",
        u"お知らせ", u"希望",     u"時間",       u"支払",       u"合計",       u"商品",
        u"数量",     u"円",       u"送料",       u"こんにちは", u"です",       u"ます",
        u"番号",     u"配送",     u"発送",       u"返信",       u"問い合わせ", u"メール",
        u"http",     u"@",        u"＠",         u"件名",       u"日時",       u"ショップ",
        u"様へ",     u"お客様",   u"拝啓",       u"敬具",       u"自宅",       u"実家",
        u"勤務先",   u"上記",     u"同じ",       u"同上",       u"同一",       u"備考",
        u"ギフト",   u"のし",     u"ラッピング", u"領収書",     u"履歴",
    };
    for (const char16_t *w : words)
        if (line.contains(QString::fromUtf16(w)))
            return true;
    return false;
}

// A company's or organisation's legal form, written before or after its name.
const QRegularExpression &companyForm()
{
    static const QRegularExpression form(
        QStringLiteral("株式会社|有限会社|合同会社|合資会社|合名会社|[(（][株有][)）]|㈱|㈲|"
                       "(医療|社会福祉|学校|宗教|独立行政|特定非営利活動|NPO|一般社団|一般財団|"
                       "公益社団|公益財団)法人"));
    return form;
}

bool hasCompanyForm(const QString &line)
{
    return line.contains(companyForm());
}

bool isHonorificName(const QString &line)
{
    // Not さん: "杉山さん" heads a colleague's forwarded note to the shop.
    // 宛 too, but not at the end of a sentence ("請求書は会社宛").
    static const QRegularExpression particle(QStringLiteral("[はをにでへがも]"));
    return line.endsWith(u"様") || line.endsWith(u"御中") || line.endsWith(u"殿") ||
           line.endsWith(u"さま") || (line.endsWith(u"宛") && !line.contains(particle));
}

// A 番地 written in kanji numerals, the whole text ("十五丁目三番地の二",
// "三番五号"; not "一番町保育園").
bool isKanjiStreet(const QString &text)
{
    static const QRegularExpression street(
        QStringLiteral("^[〇一二三四五六七八九十百千]+(丁目|番地?|号)([〇一二三四五六七八九十百千]+"
                       "(番地?|号)?|の|-)*$"));
    return text.contains(street);
}

// A line that can be a person's or company's name: short, no digits, no
// sentence, no greeting.
bool looksLikeName(const QString &line)
{
    const QString n = narrow(line);
    if (n.size() < 2 || n.size() > 40 ||
        n.contains(QRegularExpression(QStringLiteral("[0-9。、！？!?]"))) ||
        isKanjiStreet(trimmed(n)))
        return false;
    if (isGreetingOrNotice(n) && !isHonorificName(n))
        return false;
    // A sentence's particles between its words ("請求書は会社宛", "箱を二つ").
    static const QRegularExpression sentence(QStringLiteral("を|\\p{Han}[はでへに]\\p{Han}"));
    if (n.contains(sentence))
        return false;
    // A form's title, spaced out or not: "発　注　書", "FAX送信票".
    static const QRegularExpression title(
        QStringLiteral("^(御|ご)?(発注|注文|納品|請求|見積|送付|送信|申込|FAX|ファックス).{0,4}(書|"
                       "票|表|用紙|伝票)$"));
    if (compact(n).contains(title))
        return false;
    // A note on the tax ("（軽）は軽減税率対象") names nobody.
    static const QRegularExpression tax(QStringLiteral("軽減|税率|税込|税抜|消費税"));
    if (n.contains(tax))
        return false;
    for (const QChar c : n)
        if (c.unicode() >= 0x3040)
            return true;
    return false;
}

// The name without honorific and furigana: "山田 太郎（ヤマダ タロウ） 様" -> "山田 太郎".
QString cleanName(QString name)
{
    static const QRegularExpression kana(QStringLiteral(
        "[（(][\\x{30A0}-\\x{30FF}\\x{3040}-\\x{309F}\\x{FF66}-\\x{FF9F}\\s　]+[）)]"));
    name.remove(kana);
    // "山田 太郎 / ヤマダ タロウ": the reading after a slash.
    static const QRegularExpression slashKana(QStringLiteral(
        "[\\s　]*[/／][\\s　]*[\\x{3040}-\\x{309F}\\x{30A0}-\\x{30FF}\\x{FF66}-\\x{FF9F}\\s　]+$"));
    name.remove(slashKana);
    // "比嘉 ゆかり ヒガ ユカリ", "玉置 恵介<tab>タマキ ケイスケ": the reading in a
    // column of its own, or word for word after a family and given name
    // written with a kanji.
    static const QRegularExpression spacedKana(
        QStringLiteral("^([^\\s　]*\\p{Han}[^\\s　]*[\\s　]+[^\\s　]+)[\\s　]+"
                       "[\\x{30A0}-\\x{30FF}]+[\\s　]+[\\x{30A0}-\\x{30FF}]+$"));
    static const QRegularExpression cellKana(
        QStringLiteral("^(.*\\p{Han}.*?)\\t[\\s　]*[\\x{30A0}-\\x{30FF}\\s　]+$"));
    // "山田太郎 ヤマダタロウ": one word of kanji and its longer reading (a
    // word of three kanji may be a surname before a katakana given name).
    static const QRegularExpression wordKana(
        QStringLiteral("^(\\p{Han}{3,6})[\\s　]+([\\x{30A0}-\\x{30FF}]{5,})$"));
    const auto w = wordKana.match(name);
    if (const auto m = cellKana.match(name); m.hasMatch())
        name = m.captured(1);
    else if (w.hasMatch() &&
             w.captured(2).size() >= w.captured(1).size() + (w.captured(1).size() > 3 ? 1 : 2))
        name = w.captured(1);
    else if (const auto k = spacedKana.match(name);
             k.hasMatch() && !isAllKana(k.captured(1)) && !hasCompanyForm(name))
        name = k.captured(1);
    // "株式会社さくら 経理部 御中（ご担当：桜井様）": the person in charge named
    // in brackets after the company.
    static const QRegularExpression contact(
        QStringLiteral("[\\s　]*(御中|様)[\\s　]*[（(]ご?担当者?名?[\\s　:：]*"
                       "([^（）()\\s　:：][^（）():：]{0,11}?)[\\s　]*(様|さま|さん|殿)?[）)]$"));
    if (const auto m = contact.match(name); m.hasMatch())
        name = name.left(m.capturedStart()) + u' ' + m.captured(2);
    static const QRegularExpression note(
        QStringLiteral("(様|殿|御中|さま|さん)[\\s　]*[（(][^（）()]{1,12}[）)]$"));
    name.replace(note, QStringLiteral("\\1"));
    // "高田 雅子（母）": who the person is to the writer.
    static const QRegularExpression kin(QStringLiteral(
        "[\\s　]*[（(](義?(母|父|姉|兄|妹|弟)|娘|息子|妻|夫|祖母|祖父|叔母|伯母|叔父|伯父|"
        "孫|実家|自宅|友人|知人|親戚)[）)]$"));
    name.remove(kin);
    name = trimmed(name);
    bool person = false; // honoured as a person, not as a company (御中)
    for (const char16_t *h : {u"御中", u"様", u"殿", u"さま", u"さん", u"宛", u"あて"}) {
        const QString word = QString::fromUtf16(h);
        if (name.endsWith(word)) {
            name.chop(word.size());
            name = trimmed(name);
            person = word != u"御中" && word != u"宛" && word != u"あて";
            break;
        }
    }
    // "小鹿の望月様": a person known by the place they live in, as a phone
    // memo writes them; the surname is whom it goes to.
    static const QRegularExpression ofPlace(QStringLiteral("^\\p{Han}{2,4}の(?=\\p{Han}{2,3}$)"));
    if (person)
        name.remove(ofPlace);
    return name;
}

bool looksLikeBuilding(const QString &line)
{
    static const QRegularExpression building(QStringLiteral(
        "[0-9０-９]|ビル|マンション|ハイツ|コーポ|アパート|レジデンス|タワー|荘|寮|号室|階|棟|"
        "ハウス|メゾン|パレス|ヒルズ|コート|プラザ|センター"));
    return line.contains(building) && !isHonorificName(line);
}

// The fields one block yields.
struct Found
{
    QString zip, address, building, name, company, tel;
    bool sameAsOrderer = false;
    bool nameLabelled = false;
    bool empty() const { return address.isEmpty() && name.isEmpty() && zip.isEmpty(); }
};

bool isAddressText(const QString &text, const PostalDictionary *dict)
{
    if (dict) {
        // "神奈川県横浜市山下町7-7": a prefecture and a 番地 is an address even
        // when the city is not written as Japan Post names it.
        const AddressMatch m = dict->matchAddress(text);
        return m.cityFound() || (!m.prefecture.isEmpty() && m.consumed < text.size() &&
                                 !digitsOf(text).isEmpty() && !text.at(m.consumed).isDigit());
    }
    static const QRegularExpression pref(QStringLiteral("^(東京都|北海道|(京都|大阪)府|.{2,3}県)"));
    return text.contains(pref);
}

QString firstTelephone(const QString &text)
{
    const QStringList numbers = telephoneNumbersIn(text);
    return numbers.isEmpty() ? QString() : numbers.first();
}

// The telephone part of a line that may carry a FAX number after it.
QString beforeFax(const QString &text)
{
    static const QRegularExpression fax(QStringLiteral("(FAX|Fax|fax|ファックス|ＦＡＸ)"));
    // "TEL/FAX 03-…": one number for both is a telephone.
    static const QRegularExpression both(QStringLiteral(
        "(TEL|Tel|tel|ＴＥＬ|電話)[\\s　]*[/／・&＆兼][\\s　]*(FAX|Fax|fax|ＦＡＸ)"));
    QString shared = text;
    shared.replace(both, QStringLiteral("\\1"));
    const qsizetype at = shared.indexOf(fax);
    return at < 0 ? shared : shared.left(at);
}

struct AddressTail
{
    QString address, name; // the address without the words, and the words
};

// An address line that goes on after its 番地 with the name and telephone
// ("…与次郎1-9-1 松田 陽介 様 TEL 099-250-3333"): the telephone becomes the
// block's, the name a candidate, and the address ends at the 番地. Words
// after the 番地 alone, with neither honorific nor telephone, may be a
// building as well as a name: they go to *tail and stay in the address.
QString takeAddressTail(const QString &written, Found *f, QString *honorificName, AddressTail *tail)
{
    // "…4-12-1 石井です": a sentence's ending is no part of the address.
    static const QRegularExpression sentenceEnd(QStringLiteral("(です|になります)[。.!！]*$"));
    QString address = written;
    address.remove(sentenceEnd);
    // "… 中村 正 様（電話 0155-22-1234）": the telephone in brackets after the name.
    static const QRegularExpression bracketTel(QStringLiteral(
        "[（(](TEL|Tel|tel|電話|携帯|℡)[:：]?[\\s　]*([0-9][0-9\\-()（）]{8,})[）)]$"));
    address.replace(bracketTel, QStringLiteral(" \\1 \\2"));
    address = trimmed(address);
    static const QRegularExpression word(QStringLiteral("[^\\s　]+"));
    struct Span
    {
        qsizetype at, end;
        QString text;
    };
    std::vector<Span> words;
    for (auto it = word.globalMatch(address); it.hasNext();) {
        const auto m = it.next();
        words.push_back({m.capturedStart(), m.capturedEnd(), m.captured()});
    }
    // The 番地: the first word with a digit. Nothing after it: nothing to take.
    size_t street = 0;
    while (street < words.size() && digitsOf(words[street].text).isEmpty())
        ++street;
    if (street + 1 >= words.size())
        return address;
    size_t end = words.size();
    QString tel;
    static const QRegularExpression telLabel(
        QStringLiteral("^(TEL|Tel|tel|電話番号|電話|℡)[:：]?$"));
    if (digitsOf(words.back().text).size() >= 10) {
        // "TEL03-3411-0001": the label written onto the number.
        static const QRegularExpression gluedLabel(
            QStringLiteral("^[(（]?(TEL|Tel|tel|ＴＥＬ|電話番号|電話|℡)[:：.]?"));
        tel = firstTelephone(QString(words.back().text).remove(gluedLabel));
        if (tel.isEmpty())
            return address;
        --end;
        if (end > street + 1 && words[end - 1].text.contains(telLabel))
            --end;
    }
    if (!tel.isEmpty() && f->tel.isEmpty())
        f->tel = tel;
    // Without the telephone: "…2-11-8 サンハイツ305 090-…" keeps its building.
    QString withoutTel = trimmed(address.left(words[end - 1].end));
    if (!tel.isEmpty()) { // "…9-9（TEL 045-…）": the label before the number
        static const QRegularExpression label(
            QStringLiteral("[\\s　]*[(（]?(TEL|Tel|tel|ＴＥＬ|電話番号|電話|℡)[:：]?$"));
        withoutTel = trimmed(withoutTel.remove(label));
    }
    if (end <= street + 1)
        return withoutTel;
    // "…3-7-5 青山マンション203 石田 恭子様": the honoured words at the end
    // are the name, the words between it and the 番地 the building.
    if (isHonorificName(words[end - 1].text)) {
        size_t first = end - 1;
        while (first > street + 1 && end - first < 4 && digitsOf(words[first - 1].text).isEmpty() &&
               !looksLikeBuilding(words[first - 1].text))
            --first;
        const QString name = address.mid(words[first].at, words[end - 1].end - words[first].at);
        if (first > street + 1 && looksLikeName(name)) {
            if (honorificName->isEmpty())
                *honorificName = name;
            return trimmed(address.left(words[first - 1].end));
        }
    }
    // "…498-2 寺町ハイツ303 橋本 奈緒子": the building ends at its room or
    // floor; the words after it may be the name.
    size_t room = end - 1;
    while (room > street && digitsOf(words[room].text).isEmpty())
        --room;
    if (room > street && room + 1 < end && end - room <= 5 && tel.isEmpty()) {
        const QString after =
            address.mid(words[room + 1].at, words[end - 1].end - words[room + 1].at);
        if (looksLikeName(after) && !looksLikeBuilding(after)) {
            *tail = {trimmed(address.left(words[room].end)), after};
            return address;
        }
    }
    const QString words2 = address.mid(words[street + 1].at,
                                       words[end - 1].end - words[street + 1].at);
    if (!looksLikeName(words2) || (looksLikeBuilding(words2) && !isHonorificName(words2)))
        return withoutTel;
    const QString kept = trimmed(address.left(words[street].end));
    if (tel.isEmpty() && !isHonorificName(words2)) {
        *tail = {kept, words2};
        return address;
    }
    if (honorificName->isEmpty())
        *honorificName = words2; // as sure as a name with 様
    return kept;
}

// A prefecture alone on its line ("北海道"), as the address forms of foreign
// carts write it apart from the city.
bool isPrefectureOnly(const QString &text, const PostalDictionary *dict)
{
    if (!dict)
        return false;
    const AddressMatch m = dict->matchAddress(text);
    return !m.prefecture.isEmpty() && !m.cityFound() && m.consumed == trimmed(text).size();
}

// The prefecture of an ISO 3166-2 code's number ("27" of "JP-27" is 大阪府):
// the prefectures in their official order. Empty for another text.
QString prefectureOfIsoCode(const QString &number)
{
    static const char16_t *const names[] = {
        u"北海道", u"青森県", u"岩手県", u"宮城県", u"秋田県", u"山形県",   u"福島県", u"茨城県",
        u"栃木県", u"群馬県", u"埼玉県", u"千葉県", u"東京都", u"神奈川県", u"新潟県", u"富山県",
        u"石川県", u"福井県", u"山梨県", u"長野県", u"岐阜県", u"静岡県",   u"愛知県", u"三重県",
        u"滋賀県", u"京都府", u"大阪府", u"兵庫県", u"奈良県", u"和歌山県", u"鳥取県", u"島根県",
        u"岡山県", u"広島県", u"山口県", u"徳島県", u"香川県", u"愛媛県",   u"高知県", u"福岡県",
        u"佐賀県", u"長崎県", u"熊本県", u"大分県", u"宮崎県", u"鹿児島県", u"沖縄県",
    };
    bool ok = false;
    const int n = number.toInt(&ok);
    return ok && n >= 1 && n <= 47 ? QString::fromUtf16(names[n - 1]) : QString();
}

// An address that ends at its prefecture, city or town: the next line goes on
// with it ("神奈川県 横浜市港北区" / "日吉本町1-23-7").
bool isOpenAddress(const QString &address, const PostalDictionary *dict)
{
    if (!dict || address.isEmpty() || !digitsOf(address).isEmpty())
        return false;
    const AddressMatch m = dict->matchAddress(address);
    return !m.prefecture.isEmpty() && m.consumed == trimmed(address).size();
}

// A line that goes on with an open address: a town and 番地, or a city.
bool continuesAddress(const QString &address, const QString &value, const PostalDictionary *dict)
{
    if (leadingZip(value) || digitsOf(value).size() >= 10 || isHonorificName(value))
        return false;
    const AddressMatch before = dict->matchAddress(address);
    const AddressMatch after = dict->matchAddress(address + value);
    return !digitsOf(value).isEmpty() || isKanjiStreet(value) ? after.cityFound()
                                                              : after.consumed > before.consumed;
}

bool isAllKana(const QString &text)
{
    for (const QChar c : text)
        if (!c.isSpace() && !(c.unicode() >= 0x3040 && c.unicode() <= 0x30FF) &&
            !(c.unicode() >= 0xFF66 && c.unicode() <= 0xFF9F)) // half-width kana too
            return false;
    return true;
}

// A line that names a shop, an inn or an office rather than a building.
bool isPlaceOfBusiness(const QString &text)
{
    static const QRegularExpression place(QStringLiteral(
        "旅館|民宿|ホテル|別荘|山荘|ペンション|商店|店$|医院|クリニック|歯科|病院|事務所|"
        "学校|幼稚園|保育園|寺$|神社|教会|協会|組合|会館|工房|農園|喫茶|カフェ|食堂|美容室|"
        "サロン|教室|牧場|農場|果樹園|薬局|書店|酒造|道場|スタジオ|ギャラリー|処|[堂亭庵院塾]$"));
    return text.contains(place);
}

// "杉山 聡子 〒920-0961 石川県…": a name written before the postal code or
// the address on one line; the name and the rest.
std::optional<std::pair<QString, QString>> nameBeforeAddress(const QString &value,
                                                             const PostalDictionary *dict)
{
    if (leadingZip(value) || isAddressText(value, dict))
        return std::nullopt;
    // "望月様（常連）静岡市駿河区…": an honoured name, maybe with a note,
    // written straight before the address.
    static const QRegularExpression honoured(QStringLiteral(
        "^([^\\s　0-9]{1,16}?(?:様|さま|殿))(?:[（(][^（）()]{1,12}[）)])?[\\s　]*(.+)$"));
    if (const auto m = honoured.match(value); m.hasMatch() && looksLikeName(m.captured(1))) {
        const QString rest = m.captured(2);
        if (rest.startsWith(u'〒') || (leadingZip(rest) && rest.contains(u'-')) ||
            isAddressText(rest, dict))
            return std::make_pair(m.captured(1), rest);
    }
    static const QRegularExpression blank(QStringLiteral("[\\s　]+"));
    int tried = 0;
    for (auto it = blank.globalMatch(value); it.hasNext() && tried < 4; ++tried) {
        const auto m = it.next();
        // ("上田 麻衣 様, 〒554-0022 …": the comma after the name is not its.)
        QString head = trimmed(value.left(m.capturedStart()));
        while (head.endsWith(u',') || head.endsWith(u'，') || head.endsWith(u'、'))
            head = trimmed(head.chopped(1));
        const QString rest = trimmed(value.mid(m.capturedEnd()));
        if (!looksLikeName(head) || rest.isEmpty())
            continue;
        if (rest.startsWith(u'〒') || (leadingZip(rest) && rest.contains(u'-')) ||
            isAddressText(rest, dict))
            return std::make_pair(head, rest);
    }
    return std::nullopt;
}

// "山荘ゆふの森　フロント 安藤" below the address: an inn or shop, its desk
// and the person, not a building though the inn's name has 荘 in it.
bool isPlaceDeskAndPerson(const QString &value)
{
    static const QRegularExpression blanks(QStringLiteral("[\\s　]+"));
    const QStringList words = trimmed(value).split(blanks, Qt::SkipEmptyParts);
    return words.size() >= 3 && digitsOf(value).isEmpty() && isPlaceOfBusiness(words.first()) &&
           looksLikeName(value);
}

// A word with a count of one or two digits glued to it and nothing else
// ("煎茶2", "玄米茶 1"): an item of a memo, not a building, unless a building's
// word is in it ("コーポ田中2").
bool isItemAndCount(const QString &value)
{
    static const QRegularExpression itemCount(QStringLiteral("^[^\\s　0-9]+[\\s　]?[0-9]{1,2}$"));
    static const QRegularExpression buildingWord(QStringLiteral(
        "ビル|マンション|ハイツ|コーポ|アパート|レジデンス|タワー|荘|寮|棟|ハウス|メゾン|パレス|"
        "ヒルズ|コート|プラザ|センター|[A-Za-z]"));
    return value.contains(itemCount) && !value.contains(buildingWord);
}

// A department or post written after a company's name on its own line.
bool isDepartment(const QString &text)
{
    static const QRegularExpression dept(
        QStringLiteral("(部|課|室|係|支店|支社|営業所|事業所|センター|本部|工場|店|"
                       "[部課室係店所院]長|次長|主任|代表|支配人)$"));
    return compact(text).contains(dept);
}

// An address written on one line in the order of a foreign form, its parts
// split by commas ("2-14-7 メゾン桜新町203, 桜新町, 世田谷区, 東京都 154-0015",
// "…, 大阪市此花区, JP-27 554-0022"): the postal code's digits and the
// address in Japanese order. Nothing when the line is no such address.
std::optional<std::pair<QString, QString>> commaAddress(const QString &value,
                                                        const PostalDictionary *dict)
{
    if (!dict || (!value.contains(u',') && !value.contains(u'，')))
        return std::nullopt;
    static const QRegularExpression comma(QStringLiteral("[\\s　]*[,，][\\s　]*"));
    QStringList parts = value.split(comma, Qt::SkipEmptyParts);
    QString zip;
    static const QRegularExpression trailingZip(
        QStringLiteral("(?:^|[\\s　])〒?([0-9]{3})-?([0-9]{4})$"));
    static const QRegularExpression iso(QStringLiteral("(?:^|[\\s　])JP-([0-9]{2})$"));
    static const QRegularExpression country(QStringLiteral("^(Japan|JAPAN|日本)$"));
    for (qsizetype i = parts.size() - 1; i >= 0; --i) {
        QString part = trimmed(parts[i]);
        if (const auto m = trailingZip.match(part); m.hasMatch() && zip.isEmpty()) {
            zip = m.captured(1) + m.captured(2);
            part = trimmed(part.left(m.capturedStart()));
        }
        if (const auto m = iso.match(part); m.hasMatch()) {
            const QString prefecture = prefectureOfIsoCode(m.captured(1));
            part = trimmed(part.left(m.capturedStart()));
            if (!prefecture.isEmpty())
                parts.insert(i + 1, prefecture);
        }
        if (part.isEmpty() || part.contains(country))
            parts.removeAt(i);
        else
            parts[i] = part;
    }
    if (parts.size() < 2)
        return std::nullopt;
    // The prefecture or city stands last in a foreign form, first in ours:
    // prefecture, city and town are taken from that end while the dictionary
    // reads them as one, the rest (番地, building) stays in its order.
    const bool foreign = isPrefectureOnly(parts.back(), dict) ||
                         (digitsOf(parts.back()).isEmpty() &&
                          dict->matchAddress(parts.back()).consumed == parts.back().size() &&
                          !isPrefectureOnly(parts.front(), dict));
    if (foreign)
        std::reverse(parts.begin(), parts.end());
    QString address;
    for (bool more = true; more;) {
        more = false;
        // ("青葉区, 仙台市": a ward apart from its city is read with it.)
        QString longer = address;
        for (qsizetype k = 0; k < 2 && k < parts.size() && digitsOf(parts[k]).isEmpty(); ++k) {
            longer += parts[k];
            if (dict->matchAddress(longer).consumed == longer.size()) {
                address = longer;
                parts.remove(0, k + 1);
                more = true;
                break;
            }
        }
    }
    if (foreign)
        std::reverse(parts.begin(), parts.end());
    address += parts.join(u' ');
    if (!dict->matchAddress(address).cityFound())
        return std::nullopt;
    return std::make_pair(zip, address);
}

Found readBlock(const QStringList &lines, const PostalDictionary *dict)
{
    Found f;
    Field pending = Field::None; // a label on its own line: its value follows
    Field last = Field::None;
    QString unlabelledName, honorificName;
    QStringList nameLines;                 // every unlabelled line that may be a name
    QString previousName;                  // the line before, when it was such a line
    QString previousStreet;                // the line before, when it was an unread 番地
    QString previousBuilding;              // the line before, when it was a building
    bool previousNameAfterAddress = false; // previousName came right after the address
    QString nameAfterAddress;              // the first name-like line right below the address
    QString nameBelowThat;                 // a name-like line right below that one
    qsizetype previousLength = 0;          // characters of the line before
    // The first name line next to a postal code, address or telephone line:
    // in a free text the name stands by the address, a greeting elsewhere.
    QString nearName;
    bool previousField = false;
    AddressTail tailName; // words after the 番地 that may be the name
    // A shop, inn or office named on a line of its own: whose the labelled
    // person in charge is ("旅館もりや" … "担当：森谷 和彦"), or the line
    // above an unlabelled person in a signature ("ひなた整骨院" / "河野 大樹").
    QString placeLine, placeAbove, nameBelowPlace, introduced;
    bool contactLabelled = false, placeRightAboveLabel = false;
    for (const QString &line : lines) {
        const QString lineBeforeName = std::exchange(previousName, QString());
        const bool fieldBefore = std::exchange(previousField, false);
        // "一番町歯科医院 受付の中川です。": who writes for which shop or
        // company, for a block that names nobody else.
        static const QRegularExpression selfIntroduced(QStringLiteral(
            "(?:^|[。！!])[\\s　]*([^。、！!]{2,24}?)の(\\p{Han}{1,4})(?:です|と申します)[。！!]"));
        if (const auto m = selfIntroduced.match(narrow(line));
            m.hasMatch() && introduced.isEmpty()) {
            const QString place = trimmed(m.captured(1));
            if (isPlaceOfBusiness(place) || hasCompanyForm(place))
                introduced = place + u' ' + m.captured(2);
        }
        const QString lineBeforeStreet = std::exchange(previousStreet, QString());
        const QString lineBeforeBuilding = std::exchange(previousBuilding, QString());
        const bool nameBeforeAfterAddress = std::exchange(previousNameAfterAddress, false);
        const qsizetype lengthBefore = std::exchange(previousLength, line.size());
        Labelled l = labelOf(line);
        // "品物：" alone: the heading of what follows, no name.
        if (l.field == Field::None && pending == Field::None &&
            (line.endsWith(u':') || line.endsWith(u'：')) && line.size() <= 12)
            continue;
        if (l.field == Field::None && pending != Field::None) {
            l = {pending, narrow(undecorated(line, nullptr))};
            pending = Field::None;
        } else if (l.field != Field::None && l.value.isEmpty()) {
            // A label alone: its value is on the next line ("日本" stands alone).
            pending = l.field == Field::Ignore ? Field::None : l.field;
            last = l.field;
            continue;
        } else {
            pending = Field::None;
        }
        QString value = l.field == Field::None ? narrow(undecorated(line, nullptr)) : l.value;
        // "住所は前と同じですが、念のため書いておきます。": a sentence about the
        // field that does not give it; the field follows elsewhere. In
        // brackets it may ("住所はいつものところ（鹿児島市…）です").
        const auto gives = [&](const QString &v) {
            return (l.field != Field::Address || leadingZip(v) || isAddressText(v, dict)) &&
                   (l.field != Field::Zip || leadingZip(v)) &&
                   (l.field != Field::Tel || !firstTelephone(v).isEmpty());
        };
        if (l.sentence && !(compact(value).size() <= 12 && value.contains(u"同")) &&
            !gives(value)) {
            static const QRegularExpression bracketed(
                QStringLiteral("[（(「『]([^（）()「」『』]+)[）)」』]"));
            const auto b = bracketed.match(value);
            if (!b.hasMatch() || !gives(trimmed(b.captured(1))))
                continue;
            value = trimmed(b.captured(1));
        }
        if (l.field == Field::None || l.field == Field::Name) {
            // "大西 早苗 様（家内の姉です）", "お客様：前川 澄子 様（はじめて）": a
            // note after the honoured name (one naming the person in charge is
            // read with the name).
            static const QRegularExpression note(
                QStringLiteral("(様|殿|御中|さま)[\\s　]*[（(](?!ご?担当)[^（）()]{1,40}[）)]$"));
            value.replace(note, QStringLiteral("\\1"));
        }
        // "届け先：ご本人宅": the orderer's own address.
        static const QRegularExpression own(
            QStringLiteral("^(?:ご?本人(?:様)?(?:宅|の?住所)?|ご?自宅)(?:へ|に|まで)?$"));
        if (saysSame(line) || own.match(compact(value)).hasMatch()) {
            f.sameAsOrderer = true;
            // "同上", "ご注文者と同じ": the orderer's, read from there; a
            // remark in brackets ("（裏口の事務所へ）") is for the driver.
            static const QRegularExpression remark(QStringLiteral("[(（][^()（）]*[)）]"));
            if (compact(value).remove(remark).size() <= 12)
                continue;
        }
        if (value.isEmpty())
            continue;
        Field field = l.field;
        if (field == Field::None) {
            // "西尾由美子です", "西尾 ゆみこと申します": a line that only says
            // who writes; the words must be shaped as a name, not as a phrase.
            static const QRegularExpression selfNamed(QStringLiteral(
                "^(\\p{Han}{4,6}|\\p{Han}{1,3}[\\s　]+[\\p{Han}\\p{Hiragana}\\p{Katakana}]{1,5})"
                "(です|と申します)[。.!！]*$"));
            if (const auto m = selfNamed.match(value); m.hasMatch() && looksLikeName(m.captured(1)))
                value = m.captured(1);
        }
        if (field == Field::None || field == Field::Address) {
            if (const auto c = commaAddress(value, dict)) {
                if (f.zip.isEmpty() && !c->first.isEmpty())
                    f.zip = c->first;
                value = c->second;
            }
        }
        if (field == Field::None && isOpenAddress(f.address, dict) && f.building.isEmpty() &&
            continuesAddress(f.address, value, dict)) {
            f.address += value;
            last = Field::Address;
            previousField = true;
            continue;
        }
        if (field == Field::None && isPrefectureOnly(value, dict)) {
            if (f.address.isEmpty())
                f.address = value;
            last = Field::Address;
            previousField = true;
            continue;
        }
        if (field == Field::None) {
            // "世田谷区 東京都 154-0024", "世田谷区, 東京都 154-0024": city,
            // prefecture and postal code in the order of overseas address
            // forms; the prefecture may be given by its ISO code ("JP-27").
            static const QRegularExpression trailingZip(
                QStringLiteral("^([^0-9]*[^0-9\\s　,，、])[\\s　,，、]+(?:JP-([0-9]{2})[\\s　]+)?"
                               "〒?([0-9]{3})-?([0-9]{4})$"));
            if (const auto m = trailingZip.match(value); m.hasMatch() && dict) {
                static const QRegularExpression between(QStringLiteral("[\\s　,，、]+"));
                QStringList words = m.captured(1).split(between, Qt::SkipEmptyParts);
                if (const QString iso = prefectureOfIsoCode(m.captured(2)); !iso.isEmpty())
                    words.append(iso);
                if (words.size() >= 2 && isPrefectureOnly(words.back(), dict)) {
                    words.prepend(words.takeLast());
                    const QString address = words.join(QString());
                    if (isAddressText(address, dict)) {
                        if (f.zip.isEmpty())
                            f.zip = m.captured(3) + m.captured(4);
                        value = address;
                    }
                }
            }
            if (const auto split = nameBeforeAddress(value, dict)) {
                QString &slot = isHonorificName(split->first) ? honorificName : unlabelledName;
                if (slot.isEmpty())
                    slot = split->first;
                if (nearName.isEmpty() && !isHonorificName(split->first))
                    nearName = split->first;
                value = split->second;
            }
            // Unlabelled: the line's content decides.
            if (leadingZip(value) &&
                (value.contains(u'〒') || value.contains(u'-') ||
                 !leadingZip(value)->second.isEmpty() ||
                 (dict && !dict->lookupCode(leadingZip(value)->first).empty())))
                field = Field::Zip;
            else if (isAddressText(value, dict) &&
                     !(isHonorificName(value) && digitsOf(value).isEmpty())) {
                // ("金沢市立…小学校 校長 中川 博 殿" starts with a city but is a name.)
                field = Field::Address;
                // "水前寺5丁目8-21 …" above "熊本市中央区" above "熊本県".
                if (f.address.isEmpty() && !lineBeforeStreet.isEmpty() &&
                    isOpenAddress(value, dict)) {
                    // "3-2-1 一番町" in the order of a foreign form: the town
                    // goes before its 番地.
                    static const QRegularExpression commas(QStringLiteral("[\\s　]*[,，][\\s　]*"));
                    static const QRegularExpression numberFirst(
                        QStringLiteral("^([0-9][0-9-]*)[\\s　]+([^0-9\\s　]+)(.*)$"));
                    const auto n = numberFirst.match(lineBeforeStreet);
                    const QString town = value + (n.hasMatch() ? n.captured(2) : QString());
                    if (n.hasMatch() && dict->matchAddress(town).consumed == town.size())
                        value = town + n.captured(1) + n.captured(3);
                    else
                        value += QString(lineBeforeStreet).replace(commas, QStringLiteral(" "));
                }
            } else if (digitsOf(value).size() >= 10 && !firstTelephone(beforeFax(value)).isEmpty())
                field =
                    line.contains(QRegularExpression(QStringLiteral("^\\W*(FAX|Fax|fax|ＦＡＸ)")))
                        ? Field::Fax
                        : Field::Tel;
            else if (hasCompanyForm(value) && looksLikeName(value)) {
                // A company below a block that has its address and honoured
                // person is a footer's ("BASE株式会社"): the company goes first.
                if (!f.address.isEmpty() && (f.nameLabelled || !honorificName.isEmpty())) {
                    last = Field::None;
                    continue;
                }
                field = Field::Company;
            } else if (last == Field::Address && looksLikeBuilding(value) &&
                       !value.contains(QRegularExpression(
                           QStringLiteral("[:¥円×]|[0-9](袋|個|箱|缶|g|kg|ml|枚|包|点|セット)"))) &&
                       !isItemAndCount(value) && !isPlaceDeskAndPerson(value)) {
                // (Not an item or a field of its own: "商品: 有機ほうじ茶 2.5g×30包",
                // "煎茶2" in a phone memo.)
                field = Field::Building;
                previousBuilding = value;
            } else if (last == Field::Company && looksLikeName(value) && isDepartment(value))
                field = Field::Company; // "ホテル表町ガーデン　購買課" below the company
            else if (looksLikeName(value)) {
                if (isHonorificName(value) && honorificName.isEmpty()) {
                    honorificName = value;
                    // "旅館 ゆづき荘" above "宇都宮 直子 様": whom it is for.
                    // Right below the address it is the building unless it
                    // names a shop ("グランシャリオ三軒茶屋" / "喫茶ひだまり").
                    const bool building = nameBeforeAfterAddress &&
                                          !isPlaceOfBusiness(lineBeforeName) &&
                                          f.building.isEmpty();
                    if (!lineBeforeName.isEmpty() && building) {
                        f.building = lineBeforeName;
                        if (unlabelledName == lineBeforeName)
                            unlabelledName.clear();
                    } else if (!lineBeforeName.isEmpty() &&
                               (!isAllKana(lineBeforeName) || isPlaceOfBusiness(lineBeforeName)) &&
                               !compact(value).startsWith(compact(lineBeforeName))) {
                        // (A reading above is none: "ヤマグチ カズオ"; a shop
                        // in kana is: "あおばクリニック".)
                        honorificName = lineBeforeName + u' ' + value;
                        if (unlabelledName == lineBeforeName)
                            unlabelledName.clear();
                    } else if (!lineBeforeBuilding.isEmpty() && f.building == lineBeforeBuilding &&
                               digitsOf(lineBeforeBuilding).isEmpty() &&
                               isPlaceOfBusiness(lineBeforeBuilding)) {
                        // "別荘 しらかば荘" below the address, above "佐伯 達也 様":
                        // without a room number it is whom it goes to.
                        honorificName = lineBeforeBuilding + u' ' + value;
                        f.building.clear();
                    }
                } else {
                    if (unlabelledName.isEmpty())
                        unlabelledName = value;
                    if (placeLine.isEmpty() && isPlaceOfBusiness(value))
                        placeLine = value;
                    if (nameBelowPlace.isEmpty() && isPlaceOfBusiness(lineBeforeName) &&
                        !isPlaceOfBusiness(value) && !isAllKana(value)) {
                        placeAbove = lineBeforeName;
                        nameBelowPlace = value;
                    }
                    if (!isHonorificName(value)) {
                        previousName = value;
                        previousNameAfterAddress = last == Field::Address;
                        if (last == Field::Address && nameAfterAddress.isEmpty())
                            nameAfterAddress = value;
                        else if (!lineBeforeName.isEmpty() && lineBeforeName == nameAfterAddress &&
                                 !isAllKana(value))
                            nameBelowThat = value;
                    }
                    if (fieldBefore && nearName.isEmpty())
                        nearName = value;
                }
                nameLines.append(value);
                last = Field::Name;
                continue;
            } else {
                // Street and building on lines of their own above the city.
                if (!digitsOf(value).isEmpty())
                    previousStreet =
                        lineBeforeStreet.isEmpty() ? value : lineBeforeStreet + u' ' + value;
                last = Field::None;
                continue;
            }
        }
        last = field;
        if (field == Field::Zip || field == Field::Address || field == Field::Building ||
            field == Field::Tel) {
            previousField = true;
            if (!lineBeforeName.isEmpty() && nearName.isEmpty())
                nearName = lineBeforeName;
        }
        switch (field) {
        case Field::Zip:
            if (const auto z =
                    leadingZip(value.startsWith(u'〒') ? value : QStringLiteral("〒") + value)) {
                if (f.zip.isEmpty())
                    f.zip = z->first;
                if (!z->second.isEmpty() && f.address.isEmpty()) {
                    f.address = takeAddressTail(z->second, &f, &honorificName, &tailName);
                    last = Field::Address;
                }
            }
            break;
        case Field::Address:
            if (const auto z = leadingZip(value)) { // "住所：〒150-0001 東京都…"
                if (f.zip.isEmpty())
                    f.zip = z->first;
                value = z->second;
            }
            if (f.address.isEmpty())
                f.address = takeAddressTail(value, &f, &honorificName, &tailName);
            else if (isOpenAddress(f.address, dict) && f.building.isEmpty())
                f.address += value; // "都道府県：東京都" then "市区町村：世田谷区"
            else if (f.building.isEmpty() && !isAddressText(value, dict))
                f.building = value;
            break;
        case Field::Building:
            if (isOpenAddress(f.address, dict) && f.building.isEmpty()) {
                f.address += value; // "住所1：石川県金沢市" then "住所2：香林坊2丁目7-1"
                break;
            }
            // "住所：帯広市西三条南11丁目" / "3-1 小川アパート2号": the 番地 goes on.
            if (f.building.isEmpty() && f.address.endsWith(u"丁目") && value.front().isDigit()) {
                f.address += value;
                break;
            }
            // A long address line broken inside the building's name
            // ("…2-11-8 サンクレスト三" / "軒茶屋 1104号室") goes on without a blank.
            if (l.field == Field::None && f.building.isEmpty() && lengthBefore >= 30 &&
                !f.address.isEmpty() && !f.address.back().isDigit() &&
                !f.address.back().isSpace() && !value.front().isDigit() &&
                !digitsOf(f.address).isEmpty()) {
                f.address += value;
                break;
            }
            f.building = f.building.isEmpty() ? value : f.building + u' ' + value;
            break;
        case Field::Name:
            // "お客様　井口様　090-6666-1234": the telephone after the name.
            if (digitsOf(value).size() >= 10) {
                if (const QString tel = firstTelephone(beforeFax(value)); !tel.isEmpty()) {
                    if (f.tel.isEmpty())
                        f.tel = tel;
                    value = trimmed(value.left(value.indexOf(QRegularExpression(
                        QStringLiteral("(TEL|Tel|tel|電話|℡)?[:：]?[\\s　]*[0-9(（]")))));
                }
            }
            if (f.name.isEmpty()) {
                f.name = value;
                f.nameLabelled = true;
                contactLabelled = l.contact;
                placeRightAboveLabel = isPlaceOfBusiness(lineBeforeName);
            } else {
                nameLines.append(value);
            }
            break;
        case Field::GivenName:
            f.name = f.name.isEmpty() ? value : f.name + u' ' + value;
            f.nameLabelled = true;
            break;
        case Field::Company:
            f.company = f.company.isEmpty() ? value : f.company + u' ' + value;
            break;
        case Field::Tel:
            if (f.tel.isEmpty())
                f.tel = firstTelephone(beforeFax(value));
            if (l.field == Field::None) {
                const QString before = trimmed(value.left(value.indexOf(QRegularExpression(
                    QStringLiteral("(TEL|Tel|tel|電話|℡)?[:：]?[\\s　]*[0-9(]")))));
                if (looksLikeName(before))
                    (isHonorificName(before) ? honorificName : unlabelledName) = before;
            }
            break;
        case Field::Fax:
        case Field::Ignore:
        case Field::None:
            break;
        }
    }
    // "ご住所：…1-5-9" / "グリーンテラス三軒茶屋" with the person labelled: the
    // line below the address is its building.
    // So too when another name follows it ("グリーンテラス三軒茶屋" / "青山 桃子").
    if ((f.nameLabelled || !nameBelowThat.isEmpty()) && f.building.isEmpty() &&
        !nameAfterAddress.isEmpty() && !isPlaceOfBusiness(nameAfterAddress) &&
        !f.address.isEmpty() && !digitsOf(f.address).isEmpty()) {
        f.building = nameAfterAddress;
        if (unlabelledName == nameAfterAddress)
            unlabelledName.clear();
        if (nearName == nameAfterAddress)
            nearName = nameBelowThat;
        if (unlabelledName.isEmpty())
            unlabelledName = nameBelowThat;
    } else if (!f.nameLabelled && !nameBelowThat.isEmpty() && isPlaceOfBusiness(nameAfterAddress) &&
               nearName == nameAfterAddress) {
        nearName = nameAfterAddress + u' ' + nameBelowThat; // "喫茶こもれび" / "沢田 純"
    }
    if (!nearName.isEmpty() && !unlabelledName.isEmpty())
        unlabelledName = nearName;
    if (f.name.isEmpty())
        f.name = !honorificName.isEmpty() ? honorificName : unlabelledName;
    // "お客様：鈴木様" with "鈴木 光江" on a line of its own: the full name.
    // So too "…帯広会館 3F 田村 宛" signed "田村 恵美".
    if (const QString surname = compact(cleanName(f.name));
        (f.nameLabelled || f.name == honorificName) && surname.size() >= 1 && surname.size() <= 3) {
        for (const QString &n : nameLines)
            if (compact(n).startsWith(surname) && compact(cleanName(n)).size() > surname.size() &&
                !isAllKana(n)) {
                f.name = n;
                break;
            }
    }
    if (f.name.isEmpty() && f.company.isEmpty() && tailName.name.isEmpty())
        f.name = introduced;
    if (f.name.isEmpty() && f.company.isEmpty() && !tailName.name.isEmpty()) {
        // "平井1702 ゆのか温泉 フロント" with no name elsewhere: the words
        // after the 番地 are whom it goes to.
        f.name = tailName.name;
        f.address = tailName.address;
    } else if (!tailName.name.isEmpty() && !f.nameLabelled) {
        // "富山市本町9-21 土肥 和子" by a letter signed "土肥": the full name.
        const QString surname = compact(cleanName(f.name));
        const QString full = compact(tailName.name);
        // (Or "株式会社ミナト精機 総務部 長谷川恭子" by one signed "長谷川".)
        if (!surname.isEmpty() && full.size() > surname.size() &&
            (full.startsWith(surname) ||
             (hasCompanyForm(tailName.name) && full.contains(surname)))) {
            f.name = tailName.name;
            f.address = tailName.address;
        }
    }
    if (f.company.isEmpty() && !placeLine.isEmpty() && f.nameLabelled &&
        (contactLabelled || placeRightAboveLabel) && f.building != placeLine &&
        !compact(f.name).contains(compact(cleanName(placeLine))))
        f.company = placeLine;
    else if (f.company.isEmpty() && !f.nameLabelled && !nameBelowPlace.isEmpty() &&
             f.name == nameBelowPlace)
        f.name = placeAbove + u' ' + f.name;
    f.name = cleanName(f.name);
    // A company line that already holds the person ("株式会社… 長谷川 涼子")
    // with the surname again in the closing: the company line says it all.
    // A surname that is part of the company's own name ("有限会社 丸山園" and
    // "ご担当 丸山") is not: the person stands after that name.
    f.company = cleanName(f.company); // "株式会社北陸フーズ 御中"
    if (!f.company.isEmpty() && !f.name.isEmpty() && compact(f.company).contains(compact(f.name))) {
        static const QRegularExpression blanks(QStringLiteral("[\\s　]+"));
        QStringList words = f.company.split(blanks, Qt::SkipEmptyParts);
        // The company's own name: its first word, with the next one when the
        // first is only the legal form.
        const qsizetype own =
            words.size() > 1 && QString(words[0]).remove(companyForm()).isEmpty() ? 2 : 1;
        const bool afterName = compact(words.mid(own).join(QString())).contains(compact(f.name));
        if (afterName || words.size() == 1)
            f.name = f.company;
    }
    if (!f.company.isEmpty() && !compact(f.name).contains(compact(f.company)))
        f.name = f.name.isEmpty() ? f.company : f.company + u' ' + f.name;
    return f;
}

// Whether a line repeats the shop's own name, address or telephone.
struct ShopFilter
{
    QStringList texts;  // compacted lines and their parts, at least 5 characters
    QStringList phones; // digits of its telephone and fax numbers

    explicit ShopFilter(const QStringList &shopLines)
    {
        for (const QString &line : shopLines) {
            for (const QString &part :
                 line.split(QRegularExpression(QStringLiteral("[\\s　]+")), Qt::SkipEmptyParts)) {
                const QString c = compact(part);
                if (c.size() >= 5 && digitsOf(c).size() < 10)
                    texts.append(c);
                // Its address as quoted without the prefecture ("静岡市葵区…").
                static const QRegularExpression prefecture(
                    QStringLiteral("^(東京都|北海道|京都府|大阪府|.{2,3}県)(?=.{2,}[市区町村郡])"));
                if (QString city = c; city.remove(prefecture).size() < c.size() && city.size() >= 5)
                    texts.append(city);
                // "かんろ茶舗 御中" names the shop without its legal form.
                QString bare = c;
                bare.remove(companyForm());
                if (bare != c && bare.size() >= 4 && digitsOf(bare).isEmpty())
                    texts.append(bare);
            }
            static const QRegularExpression digitRun(QStringLiteral("[0-9][0-9-()]{8,}[0-9]"));
            auto it = digitRun.globalMatch(narrow(line));
            while (it.hasNext()) {
                const QString d = digitsOf(it.next().captured());
                if (d.size() >= 10)
                    phones.append(d);
            }
        }
    }
    bool matches(const QString &line) const
    {
        const QString c = compact(line);
        for (const QString &t : texts)
            if (c.contains(t))
                return true;
        const QString d = digitsOf(line);
        for (const QString &p : phones)
            if (d.contains(p))
                return true;
        return false;
    }
};

// Full-width digits and dashes of 番地 made ASCII; the building keeps its
// spelling otherwise.
QString streetPart(const QString &text)
{
    // A building written straight after the 番地 ("2-11-8サンハイツ305") gets
    // the one blank it is written with elsewhere.
    static const QRegularExpression glued(QStringLiteral(
        "^((?:[0-9一二三四五六七八九十]+丁目)?[0-9]+(?:(?:-|番地?の?)[0-9]+)*(?:号|番地?)?)"
        "(?=[^\\s0-9\\-丁目番地号の階FfＦ室棟町線条割区])"));
    QString out = trimmed(narrow(text));
    // "5 - 5 - 5": blanks around the dashes between numbers.
    static const QRegularExpression spacedDash(
        QStringLiteral("(?<=[0-9])[\\s　]*-[\\s　]*(?=[0-9])"));
    out.replace(spacedDash, QStringLiteral("-"));
    if (const auto m = glued.match(out); m.hasMatch())
        out.insert(m.capturedEnd(1), u' ');
    return out;
}

// Kyoto writes the streets before the town ("河原町通三条上る下丸屋町403"):
// when the town is not found right after the city, it is looked for after the
// last direction word. Returns the streets as written and updates *m to the
// town and the characters they cover; empty when there are none.
QString kyotoStreets(const PostalDictionary *dict, const QString &address, const QString &zip,
                     AddressMatch *m)
{
    if (!dict || !m->cityFound() || !m->town.isEmpty())
        return QString();
    static const QRegularExpression way(QStringLiteral(
        "(上る|下る|上ル|下ル|上がる|下がる|[東西]入る?|[東西]入ル)"));
    const QString rest = address.mid(m->consumed);
    qsizetype end = -1;
    for (auto it = way.globalMatch(rest); it.hasNext();)
        end = it.next().capturedEnd();
    if (end <= 0)
        return QString();
    const QString head = m->prefecture + m->city;
    const AddressMatch t = dict->matchAddress(head + rest.mid(end), zip);
    if (t.town.isEmpty() || t.city != m->city || t.prefecture != m->prefecture)
        return QString();
    const qsizetype consumed = m->consumed + end + (t.consumed - head.size());
    *m = t;
    m->consumed = consumed;
    return rest.left(end);
}

// A mail pasted from its HTML source: line-breaking tags made line ends,
// table cells tabs, other tags dropped and the common entities decoded.
// Plain text is left alone ("<お届け先>" is no tag: a tag starts with a letter).
QString withoutHtml(const QString &text)
{
    static const QRegularExpression anyTag(
        QStringLiteral("</?[A-Za-z][^<>\\n]*>|&#?[A-Za-z0-9]+;"));
    if (!text.isValidUtf16() || !text.contains(anyTag))
        return text;
    QString out = text;
    static const QRegularExpression lineEnd(
        QStringLiteral("<br\\s*/?>|</(p|div|tr|li|h[1-6]|table)>|<hr[^<>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    out.replace(lineEnd, QStringLiteral("\n"));
    static const QRegularExpression cell(QStringLiteral("</t[dh]>"),
                                         QRegularExpression::CaseInsensitiveOption);
    out.replace(cell, QStringLiteral("\t"));
    static const QRegularExpression tag(QStringLiteral("</?[A-Za-z][^<>\\n]*>"));
    out.remove(tag);
    static const QRegularExpression entity(
        QStringLiteral("&(#[0-9]{2,6}|#x[0-9A-Fa-f]{2,5}|[A-Za-z]+);"));
    QString decoded;
    qsizetype from = 0;
    for (auto it = entity.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        const QString name = m.captured(1);
        QString as;
        if (name.startsWith(u"#x"))
            as = QString(QChar(char16_t(name.mid(2).toUInt(nullptr, 16))));
        else if (name.startsWith(u'#'))
            as = QString(QChar(char16_t(name.mid(1).toUInt())));
        else if (name == u"nbsp" || name == u"ensp" || name == u"emsp")
            as = QStringLiteral(" ");
        else if (name == u"amp")
            as = QStringLiteral("&");
        else if (name == u"lt")
            as = QStringLiteral("<");
        else if (name == u"gt")
            as = QStringLiteral(">");
        else if (name == u"quot")
            as = QStringLiteral("\"");
        else if (name == u"yen")
            as = QStringLiteral("¥");
        else
            continue; // an unknown name stays as written
        decoded += QStringView(out).mid(from, m.capturedStart() - from);
        decoded += as.at(0).isNull() ? QString() : as;
        from = m.capturedEnd();
    }
    decoded += QStringView(out).mid(from);
    return decoded;
}

// A run of blanks (full or half width, tabs) as one half-width space, so the
// customer book finds "山田　太郎" typed either way.
QString singleSpaced(const QString &text)
{
    static const QRegularExpression blanks(QStringLiteral("[\\s\\x{3000}\\x{00A0}]+"));
    QString out = text;
    out.replace(blanks, QStringLiteral(" "));
    return trimmed(out);
}

// A chat copied bubble by bubble: each message under its sender's name on a
// line of its own ("ゆみこ" / "三重県津市…" / "ゆみこ" / "丸之内ハイム302"), or
// before it and a colon ("ゆみこ：三重県津市…"). The name that heads at
// least three of the lines and a fifth of them is the sender's; empty when
// there is none.
QString chatSpeaker(const QStringList &lines)
{
    QHash<QString, int> counts;
    int nonEmpty = 0;
    for (qsizetype i = 0; i < lines.size() && i < kLinesRead; ++i) {
        const QString line = trimmed(QStringView(lines[i]).left(kLineLimit));
        if (line.isEmpty())
            continue;
        ++nonEmpty;
        if (line.size() <= 20)
            ++counts[line];
        // "まお：…", "中島 直美: …": a nickname or a full name.
        static const QRegularExpression sender(
            QStringLiteral("^([^:：\\s　]{1,12}|[^:：\\s　]{1,6}[ 　][^:：\\s　]{1,6})[:：]"));
        if (const auto m = sender.match(line); m.hasMatch() && m.captured(1) != line)
            ++counts[m.captured(1)];
    }
    QString best;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        // The labels of an order's item lines ("単価：", "数量：") repeat too.
        static const QRegularExpression orderLabel(QStringLiteral(
            "単価|数量|価格|商品|品名|小計|合計|金額|個数|送料|手数料|税|注文|番号|日時|方法|オプション"));
        if (it.value() > most && it.value() >= 3 && it.value() * 5 >= nonEmpty &&
            digitsOf(it.key()).isEmpty() && !orderLabel.match(it.key()).hasMatch() &&
            looksLikeName(it.key()) &&
            labelOf(it.key()).field == Field::None) {
            best = it.key();
            most = it.value();
        }
    }
    return best;
}

// A reply that writes the quoted address again with what it left out
// (正しくは「山口市穂積町4-27 サンハイツ穂積 103号室」です): the street part of
// the same town, when it goes on from the one read. A reply that gives only
// the room ("部屋番号を書き忘れました。305号室です。") or the building and room
// in brackets adds them. A reply that says the quoted one was wrong
// (正しくは, 間違い, 訂正) gives the street part of the same town as it is
// written. Otherwise street as it was.
QString correctedStreet(const QStringList &fresh, const AddressMatch &placed, const QString &street,
                        const PostalDictionary &dict)
{
    static const QRegularExpression quotedText(QStringLiteral("「([^「」]+)」"));
    static const QRegularExpression sentenceEnd(
        QStringLiteral("[」』]?(です|になります|でお願いします|まで)?[。．.!！]*$"));
    static const QRegularExpression wrong(QStringLiteral("正しくは|間違|誤り|訂正|修正"));
    const bool correcting = fresh.join(u'\n').contains(wrong);
    for (const QString &raw : fresh) {
        QString line = narrow(trimmed(QStringView(raw).left(kLineLimit)));
        if (const auto q = quotedText.match(line); q.hasMatch())
            line = q.captured(1);
        const qsizetype at = line.indexOf(placed.city);
        if (at < 0)
            continue;
        QString address = trimmed(line.mid(at));
        address.remove(sentenceEnd);
        const AddressMatch m = dict.matchAddress(address, placed.codes.value(0));
        if (m.prefecture != placed.prefecture || m.city != placed.city || m.town != placed.town)
            continue;
        const QString written = singleSpaced(streetPart(address.mid(m.consumed)));
        if (compact(written).size() > compact(street).size() &&
            compact(written).startsWith(compact(street)))
            return written;
        if (correcting && !digitsOf(written).isEmpty())
            return written;
    }
    static const QRegularExpression room(QStringLiteral("[0-9]{1,4}号室"));
    for (const QString &raw : fresh) {
        const QString line = narrow(trimmed(QStringView(raw).left(kLineLimit)));
        QString added;
        if (const auto q = quotedText.match(line); q.hasMatch() && looksLikeBuilding(q.captured(1)))
            added = singleSpaced(q.captured(1));
        else if (const auto r = room.match(line); r.hasMatch())
            added = r.captured();
        // (Not the room the street already ends with: "… 305" and "305号室".)
        if (!added.isEmpty() && !street.isEmpty() && !compact(street).contains(compact(added)) &&
            (digitsOf(added).isEmpty() || !compact(street).endsWith(digitsOf(added))))
            return street + u' ' + added;
    }
    return street;
}

// The senders of a chat history copied with blanks for tabs ("09:25 原 健太
// 仙台市…"): the one to three words after the time that begin two or more
// of its lines, longest first.
QStringList timedChatSenders(const QStringList &lines, const QRegularExpression &timedLine)
{
    QHash<QString, int> counts;
    static const QRegularExpression blanks(QStringLiteral("[ 　]+"));
    for (qsizetype i = 0; i < lines.size() && i < kLinesRead; ++i) {
        const auto t = timedLine.match(trimmed(QStringView(lines[i]).left(kLineLimit)));
        if (!t.hasMatch())
            continue;
        const QStringList words = t.captured(1).split(blanks, Qt::SkipEmptyParts);
        QString prefix;
        for (qsizetype k = 0; k < 3 && k + 1 < words.size(); ++k) {
            // "木村 彩: …": a colon ends the sender's name.
            const qsizetype colon = words[k].indexOf(QRegularExpression(QStringLiteral("[:：]")));
            const QString word = colon < 0 ? words[k] : words[k].left(colon);
            if (word.isEmpty())
                break;
            prefix = k == 0 ? word : prefix + u' ' + word;
            ++counts[prefix];
            if (colon >= 0)
                break;
        }
    }
    QStringList senders;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() >= 2 && it.key().size() <= 24)
            senders.append(it.key());
    std::sort(senders.begin(), senders.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
    return senders;
}

// A mail that sets the addresses side by side ("配送先住所<tab>請求先住所",
// then a row per line with a cell under each): the destination's cells alone,
// one a line, until the rows end at a line with no tab.
QStringList destinationColumn(const QStringList &lines, const PostalDictionary *dict)
{
    QStringList out;
    qsizetype column = -1;
    for (const QString &line : lines) {
        const QStringList cells = line.split(u'\t');
        if (column >= 0 && cells.size() > column) {
            out.append(cells[column]);
            continue;
        }
        column = -1;
        if (cells.size() >= 2) {
            qsizetype destination = -1;
            bool allHeaders = true;
            for (qsizetype i = 0; i < cells.size() && allHeaders; ++i) {
                const auto h = headerOf(trimmed(cells[i]), dict);
                allHeaders = h && h->first != Block::Other && h->second.isEmpty();
                if (allHeaders && h->first == Block::Destination && destination < 0)
                    destination = i;
            }
            if (allHeaders && destination >= 0) {
                column = destination;
                out.append(cells[column]);
                continue;
            }
        }
        out.append(line);
    }
    return out;
}

} // namespace

QStringList telephoneNumbersIn(const QString &text)
{
    QStringList numbers;
    const std::string utf8 = narrow(text).left(kLineLimit).toStdString();
    PhoneNumberMatcher matcher(phoneUtil(), utf8, "JP", PhoneNumberMatcher::VALID, 20);
    PhoneNumberMatch match;
    while (matcher.HasNext() && matcher.Next(&match)) {
        if (match.number().country_code() == 81)
            numbers.append(nationalForm(match.number()));
    }
    return numbers;
}

QString DictionaryTransferResult::status() const
{
    QString s;
    if (fields.nothingToTransfer)
        return QString();
    if (!missing.isEmpty())
        s = QStringLiteral("転記できなかった欄：") + missing.join(u'、');
    if (!warning.isEmpty())
        s = s.isEmpty() ? warning : s + QStringLiteral("　") + warning;
    return s;
}

DictionaryTransferResult runDictionaryTransfer(const QString &memoText,
                                               const QStringList &shopLines,
                                               const PostalDictionary *dict)
{
    // A reply: what the customer writes now comes before what is quoted
    // ("> "). A destination complete in the new text is the one, unless the
    // quote holds a destination and the new text does not speak of sending
    // (a signature under "それでお願いします" is the orderer's).
    QStringList fresh;
    bool quoted = false;
    if (memoText.isValidUtf16()) {
        bool quotedDestination = false;
        for (const QString &raw : memoLinesOf(memoText)) {
            const QString line = trimmed(raw);
            if (line.startsWith(u'>') || line.startsWith(u'＞')) {
                quoted = true;
                const auto h = headerOf(trimmed(QStringView(line).mid(1)), dict);
                quotedDestination = quotedDestination || (h && h->first == Block::Destination);
            } else {
                fresh.append(raw);
            }
        }
        static const QRegularExpression sending(
            QStringLiteral("届け|送り先|送付先|配送先|発送先|送って|宛"));
        if (quoted && !fresh.isEmpty() &&
            (!quotedDestination || fresh.join(u'\n').contains(sending))) {
            DictionaryTransferResult own =
                runDictionaryTransfer(fresh.join(u'\n'), shopLines, dict);
            if (!own.fields.add1.isEmpty() && !own.fields.add2.isEmpty() &&
                !own.fields.custo1.isEmpty())
                return own;
        }
    }
    DictionaryTransferResult r;
    const ShopFilter shop(shopLines);

    // Lines by block; the shop's signature and mail or web lines are dropped.
    struct Part
    {
        Block block;
        QStringList lines;
    };
    std::vector<Part> parts{{Block::None, {}}};
    QString chatSender;
    QStringList columns; // the labels of a pasted table's columns
    const QStringList memoLines = destinationColumn(memoLinesOf(withoutHtml(memoText)), dict);
    const QString speaker = chatSpeaker(memoLines);
    // "09:25 原 健太 …", or with the date and in brackets as a chat's export
    // writes it: "[2026-12-01 19:32] 木村 彩: …".
    static const QRegularExpression timedLine(
        QStringLiteral("^[\\[［(（]?(?:[0-9]{4}[-/.][0-9]{1,2}[-/.][0-9]{1,2}[ 　]+)?"
                       "[0-9]{1,2}:[0-9]{2}(?::[0-9]{2})?[\\]］)）]?[ 　]+([^\t]+)$"));
    const QStringList timedSenders = timedChatSenders(memoLines, timedLine);
    int read = 0;
    for (const QString &raw : memoLines) {
        if (++read > kLinesRead)
            break;
        QString line = trimmed(QStringView(raw).left(kLineLimit));
        // A form's postal code left blank ("ご住所：〒　　　－"): the label
        // alone, its address on the next line.
        static const QRegularExpression blankZip(
            QStringLiteral("[〒][\\s\\x{3000}]*[-－ー−‐]?[\\s\\x{3000}]*$"));
        if (const qsizetype at = line.indexOf(blankZip); at >= 0)
            line = trimmed(QStringView(line).left(at));
        // A footer's copyright ("Shopify | © 2026 Shopify Inc.") names no customer.
        static const QRegularExpression copyright(
            QStringLiteral("©|\\([cC]\\)[\\s　]*[0-9]{4}|Copyright|All [Rr]ights [Rr]eserved"));
        if (line.isEmpty() || mailOrWebCount(line) > 0 || shop.matches(line) ||
            line.contains(copyright))
            continue;
        if (!speaker.isEmpty() && line.startsWith(speaker)) {
            const QString message = trimmed(QStringView(line).mid(speaker.size()));
            if (message.isEmpty() || message.startsWith(u'：') || message.startsWith(u':')) {
                if (chatSender.isEmpty())
                    chatSender = speaker;
                line = trimmed(QStringView(message).mid(message.isEmpty() ? 0 : 1));
                if (line.isEmpty())
                    continue;
            }
        }
        // A chat's saved history: "20:51<tab>山口 千夏<tab>送り先は…". The
        // message is read; its sender, when not the shop, names the customer.
        static const QRegularExpression chat(
            QStringLiteral("^[0-9]{1,2}:[0-9]{2}\t([^\t]{1,24})\t(.*)$"));
        if (const auto m = chat.match(line); m.hasMatch()) {
            if (chatSender.isEmpty())
                chatSender = trimmed(m.captured(1));
            line = trimmed(m.captured(2));
            if (line.isEmpty())
                continue;
        } else if (const auto t = timedLine.match(line); t.hasMatch()) {
            // The same history with blanks for tabs: "09:25 原 健太 仙台市…".
            const QString rest = t.captured(1);
            for (const QString &sender : timedSenders) {
                if (rest.size() > sender.size() && rest.startsWith(sender) &&
                    QStringView(u" 　:：").contains(rest.at(sender.size()))) {
                    if (chatSender.isEmpty() && !shop.matches(sender))
                        chatSender = sender;
                    line = trimmed(QStringView(rest).mid(sender.size()));
                    if (line.startsWith(u':') || line.startsWith(u'：'))
                        line = trimmed(QStringView(line).mid(1));
                    break;
                }
            }
        }
        // A rule ("━━━━", "-----") after a block that has given its address and
        // name closes the block: a signature or an item list may follow. A rule
        // between the lines of a block drawn as a table does not.
        if (undecorated(line, nullptr).isEmpty()) {
            if (line.size() >= 4 && parts.back().block != Block::None &&
                !parts.back().lines.isEmpty()) {
                QStringList read;
                for (const Part &p : parts)
                    if (p.block == parts.back().block)
                        read += p.lines;
                const Found so = readBlock(read, dict);
                if (!so.address.isEmpty() && !so.name.isEmpty())
                    parts.push_back({Block::None, {}});
            }
            continue;
        }
        // A table pasted from a spreadsheet: a row of labels only, then rows
        // of values under them, read as "label：value" lines.
        QStringList pieces;
        const QStringList cells = line.split(u'\t');
        if (cells.size() >= 2 && std::all_of(cells.begin(), cells.end(), [](const QString &c) {
                const Labelled l = labelOf(trimmed(c) + u'：');
                return l.field != Field::None && l.value.isEmpty();
            })) {
            columns = cells;
            continue;
        }
        if (cells.size() >= 2 && cells.size() == columns.size()) {
            for (qsizetype i = 0; i < cells.size(); ++i)
                if (!trimmed(cells[i]).isEmpty())
                    pieces.append(trimmed(columns[i]) + u'：' + trimmed(cells[i]));
        } else {
            columns.clear();
            pieces = sentencePieces(line);
        }
        // "のしの表書きは「御祝」、名前は上田で": the name printed on the gift.
        static const QRegularExpression giftWords(
            QStringLiteral("のし|熨斗|表書き|名入れ|メッセージカード"));
        const bool aboutTheGift = line.contains(giftWords);
        for (const QString &piece : pieces) {
            if (aboutTheGift) {
                const Labelled l = labelOf(piece);
                if (l.sentence && l.field == Field::Name)
                    continue;
            }
            if (const auto header = headerOf(piece, dict)) {
                parts.push_back({header->first, {}});
                if (!header->second.isEmpty())
                    parts.back().lines.append(header->second);
                continue;
            }
            parts.back().lines.append(piece);
        }
    }
    if (read == 0 ||
        std::all_of(parts.begin(), parts.end(), [](const Part &p) { return p.lines.isEmpty(); })) {
        r.fields.nothingToTransfer = true;
        return r;
    }

    auto gather = [&](Block b) {
        QStringList lines;
        for (const Part &p : parts)
            if (p.block == b)
                lines += p.lines;
        return lines;
    };
    const Found orderer = readBlock(gather(Block::Orderer), dict);
    Found found = readBlock(gather(Block::Destination), dict);
    if (found.empty()) {
        const bool hasOrderer = !orderer.empty();
        found = hasOrderer ? orderer : readBlock(gather(Block::None) + gather(Block::Other), dict);
    } else if (found.sameAsOrderer) {
        // "お名前：同上": what the destination leaves out is the orderer's; a
        // memo's "お客様：…" above "届け先：ご本人宅" is the orderer's too.
        const Found customer = orderer.empty() ? readBlock(gather(Block::None), dict) : orderer;
        if (found.address.isEmpty()) {
            found.zip = customer.zip;
            found.address = customer.address;
            found.building = customer.building;
        }
        if (found.name.isEmpty())
            found.name = customer.name;
        if (found.tel.isEmpty())
            found.tel = customer.tel;
    } else if (found.name.isEmpty() && orderer.empty()) {
        // "名前は藤原です。送り先は京都市…": the name given before the
        // destination, with no orderer to tell them apart.
        const Found before = readBlock(gather(Block::None), dict);
        if (before.nameLabelled)
            found.name = before.name;
    }
    if (found.tel.isEmpty() &&
        (found.sameAsOrderer || compact(found.name) == compact(orderer.name)))
        found.tel = orderer.tel;
    if (found.tel.isEmpty() && orderer.empty() && !found.name.isEmpty()) {
        // The sender's signature below: their telephone when they are whom
        // the goods go to.
        const Found sender = readBlock(gather(Block::None), dict);
        if (compact(sender.name) == compact(found.name))
            found.tel = sender.tel;
    }

    // The postal code, checked; the address split at the town.
    QString zip = found.zip;
    TransferResult &out = r.fields;
    AddressMatch placed; // the town the address was split at
    if (!found.address.isEmpty()) {
        AddressMatch m = dict ? dict->matchAddress(found.address, zip) : AddressMatch{};
        // "横浜市山下町…" without its ward: the postal code's ward put in.
        if (dict && !m.cityFound()) {
            for (const PostalPlace &p : dict->lookupCode(zip)) {
                const qsizetype shi = p.city.indexOf(u'市');
                if (shi < 0 || shi + 1 >= p.city.size() || p.town.isEmpty())
                    continue;
                QString a = trimmed(found.address);
                if (a.startsWith(p.prefecture))
                    a = trimmed(QStringView(a).mid(p.prefecture.size()));
                if (!a.startsWith(p.city.left(shi + 1)))
                    continue;
                const QString withWard = p.prefecture + p.city + a.mid(shi + 1);
                const AddressMatch t = dict->matchAddress(withWard, zip);
                if (t.town == p.town) {
                    found.address = withWard;
                    m = t;
                    break;
                }
            }
        }
        QString streets = kyotoStreets(dict, found.address, zip, &m);
        // "軽井沢町大字軽井沢1323": Japan Post names the town without 大字/字,
        // and so does the note.
        if (m.cityFound() && m.town.isEmpty() && streets.isEmpty()) {
            const QString rest = found.address.mid(m.consumed);
            for (const QString &aza : {QStringLiteral("大字"), QStringLiteral("字")}) {
                if (!rest.startsWith(aza))
                    continue;
                const QString head = m.prefecture + m.city;
                const AddressMatch t = dict->matchAddress(head + rest.mid(aza.size()), zip);
                if (!t.town.isEmpty() && t.city == m.city) {
                    const qsizetype consumed = m.consumed + aza.size() + t.consumed - head.size();
                    m = t;
                    m.consumed = consumed;
                }
                break;
            }
        }
        if (m.cityFound()) {
            placed = m;
            out.add1 = m.prefecture + m.city + streets + m.town;
            out.add2 = streetPart(found.address.mid(m.consumed));
            if (zip.isEmpty() && m.codes.size() == 1 && !m.town.isEmpty())
                zip = m.codes.first();
        } else {
            out.add1 = streetPart(found.address);
        }
        if (!found.building.isEmpty())
            out.add2 = out.add2.isEmpty() ? found.building : out.add2 + u' ' + found.building;
    }
    if (dict && !zip.isEmpty() && !out.add1.isEmpty())
        r.warning = zipAddressMismatch(*dict, zip, out.add1);
    out.zip = dashedZip(zip);
    out.add1 = singleSpaced(out.add1);
    out.add2 = singleSpaced(out.add2);
    if (quoted && dict && !placed.town.isEmpty() &&
        out.add1 == placed.prefecture + placed.city + placed.town)
        out.add2 = correctedStreet(fresh, placed, out.add2, *dict);
    // "1145-3（ご自宅）※郵便番号わからないとのこと": which place it is and a
    // staff's note, for the operator, not the label.
    static const QRegularExpression placeNote(
        QStringLiteral("[\\s　]*[（(](?:ご?自宅|会社|職場|勤務先|実家|事務所)[）)]|[\\s　]*※.*$"));
    out.add2 = trimmed(QString(out.add2).remove(placeNote));
    // "…405号、" ends a clause of the sentence that gave it.
    while (!out.add2.isEmpty() && QStringView(u"、。,.，．").contains(out.add2.back()))
        out.add2.chop(1);
    if (looksLikeName(chatSender) &&
        (found.name.isEmpty() || (compact(chatSender).startsWith(compact(found.name)) &&
                                  compact(chatSender).size() > compact(found.name).size())))
        found.name = chatSender; // "…4-12-1 石井です" from 石井 美穂
    out.custo1 = singleSpaced(found.name);
    out.tel = found.tel;

    if (out.zip.isEmpty())
        r.missing.append(QString::fromUtf16(kFieldZip));
    if (out.add1.isEmpty())
        r.missing.append(QString::fromUtf16(kFieldAddress));
    if (out.custo1.isEmpty())
        r.missing.append(QString::fromUtf16(kFieldName));
    if (out.tel.isEmpty())
        r.missing.append(QString::fromUtf16(kFieldTel));
    return r;
}

QStringList addressChoicesFor(const PostalDictionary &dict, const QString &zip)
{
    QStringList choices;
    for (const PostalPlace &p : dict.lookupCode(zip)) {
        const QString a = p.prefecture + p.city + p.town;
        if (!choices.contains(a))
            choices.append(a);
    }
    return choices;
}

QString zipAddressMismatch(const PostalDictionary &dict, const QString &zip, const QString &address)
{
    const std::vector<PostalPlace> places = dict.lookupCode(zip);
    if (places.empty())
        return postalCodeDigits(zip).isEmpty()
                   ? QString()
                   : QStringLiteral("郵便番号 %1 は辞書にありません").arg(zip);
    const AddressMatch m = dict.matchAddress(address, zip);
    if (!m.cityFound())
        return QString();
    const QString digits = postalCodeDigits(zip);
    for (const PostalPlace &p : places) {
        if (p.prefecture == m.prefecture && p.city == m.city &&
            (m.town.isEmpty() || p.town.isEmpty() || p.town == m.town || m.codes.contains(digits) ||
             !p.office.isEmpty()))
            return QString();
    }
    return QStringLiteral("郵便番号 %1 と住所の町域が一致しません").arg(zip);
}
