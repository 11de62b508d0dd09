#include "transfer/LineTests.h"

#include <array>
#include <climits>

namespace {

bool isTrimmable(QChar c)
{
    return c.unicode() <= 0x20;
}

bool isBlank(QChar c)
{
    return c.unicode() == 0x20 || c.unicode() == 0x3000;
}

bool isDigitCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || u == u'-' || (u >= 0xFF10 && u <= 0xFF19) || u == 0xFF0D;
}

} // namespace

QString trimLine(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmable(text.at(begin)))
        ++begin;
    while (end > begin && isTrimmable(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QString leftWhole(const QString &text, qsizetype n)
{
    if (text.size() <= n)
        return text;
    if (n > 0 && text.at(n - 1).isHighSurrogate() && text.at(n).isLowSurrogate())
        --n;
    return text.left(n);
}

QString blankTrim(const QString &text)
{
    const QString t = trimLine(text);
    qsizetype begin = 0;
    qsizetype end = t.size();
    while (begin < end && isBlank(t.at(begin)))
        ++begin;
    while (end > begin && isBlank(t.at(end - 1)))
        --end;
    return t.mid(begin, end - begin);
}

int occurrenceCount(const QString &text, const QString &pattern)
{
    if (pattern.isEmpty())
        return 0;
    int count = 0;
    qsizetype pos = 0;
    const qsizetype last = text.size() - pattern.size();
    while (pos <= last) {
        if (QStringView(text).sliced(pos, pattern.size()) == pattern) {
            ++count;
            pos += pattern.size();
        } else {
            ++pos;
        }
    }
    return count;
}

QString removeWord(const QString &text, const QString &word)
{
    if (word.isEmpty())
        return text;
    QString result;
    result.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype hit = text.indexOf(word, pos, Qt::CaseSensitive);
        if (hit < 0)
            break;
        result.append(QStringView(text).sliced(pos, hit - pos));
        pos = hit + word.size();
    }
    result.append(QStringView(text).sliced(pos));
    return result;
}

int digitCharacterCount(const QString &text)
{
    int count = 0;
    for (QChar c : text)
        count += isDigitCharacter(c) ? 1 : 0;
    return count;
}

ZipTelAnswer classifyZipTel(const QString &text)
{
    const qsizetype n = trimLine(text).size();
    // Trimmed characters are never digit characters, so counting the whole
    // text counts the same digits as counting the trimmed one.
    const qsizetype o = n - digitCharacterCount(text);
    if (n == 8 && o == 0)
        return ZipTelAnswer::PostalCode;
    if (n >= 10 && o <= 1)
        return ZipTelAnswer::Telephone;
    if (n >= 10 && o >= 3)
        return ZipTelAnswer::Address;
    return ZipTelAnswer::Undecided;
}

QString zipTelCaption(ZipTelAnswer answer)
{
    switch (answer) {
    case ZipTelAnswer::PostalCode:
        return QStringLiteral("〒");
    case ZipTelAnswer::Telephone:
        return QStringLiteral("TEL");
    case ZipTelAnswer::Address:
        return QStringLiteral("ADD");
    case ZipTelAnswer::Undecided:
        break;
    }
    return QStringLiteral("〒/電話番工判断");
}

int mailOrWebCount(const QString &text)
{
    static const std::array<QString, 7> patterns = {
        QStringLiteral("@"),   QStringLiteral(".com"), QStringLiteral(".jp"),
        QStringLiteral(".co"), QStringLiteral(".org"), QStringLiteral(".ne"),
        QStringLiteral(".net"),
    };
    int count = 0;
    for (const QString &p : patterns)
        count += occurrenceCount(text, p);
    return count;
}

const QStringList &prefectureNames()
{
    static const QStringList names = {
        QStringLiteral("北海道"), QStringLiteral("青森県"), QStringLiteral("岩手県"),
        QStringLiteral("宮城県"), QStringLiteral("秋田県"), QStringLiteral("山形県"),
        QStringLiteral("福島県"), QStringLiteral("茨城県"), QStringLiteral("栃木県"),
        QStringLiteral("群馬県"), QStringLiteral("埼玉県"), QStringLiteral("千葉県"),
        QStringLiteral("東京都"), QStringLiteral("神奈川県"), QStringLiteral("新潟県"),
        QStringLiteral("富山県"), QStringLiteral("石川県"), QStringLiteral("福井県"),
        QStringLiteral("山梨県"), QStringLiteral("長野県"), QStringLiteral("岐阜県"),
        QStringLiteral("静岡県"), QStringLiteral("愛知県"), QStringLiteral("三重県"),
        QStringLiteral("滋賀県"), QStringLiteral("京都府"), QStringLiteral("大阪府"),
        QStringLiteral("兵庫県"), QStringLiteral("奈良県"), QStringLiteral("和歌山県"),
        QStringLiteral("鳥取県"), QStringLiteral("島根県"), QStringLiteral("岡山県"),
        QStringLiteral("広島県"), QStringLiteral("山口県"), QStringLiteral("徳島県"),
        QStringLiteral("香川県"), QStringLiteral("愛媛県"), QStringLiteral("高知県"),
        QStringLiteral("福岡県"), QStringLiteral("佐賀県"), QStringLiteral("長崎県"),
        QStringLiteral("熊本県"), QStringLiteral("大分県"), QStringLiteral("宮崎県"),
        QStringLiteral("鹿児島県"), QStringLiteral("沖縄県"),
    };
    return names;
}

bool isPrefecture(const QString &text)
{
    return prefectureNames().contains(text, Qt::CaseSensitive);
}

const QStringList &addressMarkers()
{
    static const QStringList markers = {
        // digits and hyphen, half width
        QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
        QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
        QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("-"),
        // digits and hyphen, full width
        QStringLiteral("０"), QStringLiteral("１"), QStringLiteral("２"), QStringLiteral("３"),
        QStringLiteral("４"), QStringLiteral("５"), QStringLiteral("６"), QStringLiteral("７"),
        QStringLiteral("８"), QStringLiteral("９"), QStringLiteral("－"),
        // administrative words
        QStringLiteral("北海道"), QStringLiteral("都"), QStringLiteral("県"),
        QStringLiteral("府"), QStringLiteral("市"), QStringLiteral("区"), QStringLiteral("町"),
        QStringLiteral("村"), QStringLiteral("字"), QStringLiteral("番地"),
        QStringLiteral("丁目"), QStringLiteral("階"), QStringLiteral("号"),
        // floor letters: upper case only
        QStringLiteral("F"), QStringLiteral("Ｆ"),
        // post office
        QStringLiteral("郵便局"), QStringLiteral("局留"), QStringLiteral("局止"),
        // building words, full-width and half-width katakana
        QStringLiteral("ビル"), QStringLiteral("ﾋﾞﾙ"), QStringLiteral("メゾン"),
        QStringLiteral("ﾒｿﾞﾝ"), QStringLiteral("マンション"), QStringLiteral("ﾏﾝｼｮﾝ"),
        QStringLiteral("ハイツ"), QStringLiteral("ﾊｲﾂ"), QStringLiteral("コーポ"),
        QStringLiteral("ｺｰﾎﾟ"), QStringLiteral("カーサ"), QStringLiteral("ｶｰｻ"),
        // schools
        QStringLiteral("小学校"), QStringLiteral("中学"), QStringLiteral("中学校"),
        QStringLiteral("高校"), QStringLiteral("高等学校"),
    };
    return markers;
}

NameAddressScore nameAddressScore(const QString &text)
{
    const QString line = trimLine(text);
    NameAddressScore result;
    result.length = static_cast<int>(qMin<qsizetype>(line.size(), INT_MAX));
    for (const QString &marker : addressMarkers()) {
        result.score += occurrenceCount(line, marker);
        // Only zero or not zero matters; stop before a long line could overflow.
        if (result.score > 1'000'000)
            break;
    }
    return result;
}

LineKind lineKind(const QString &text)
{
    if (isPrefecture(text))
        return LineKind::Prefecture;
    const NameAddressScore s = nameAddressScore(text);
    if (s.score == 0 || s.length <= 6)
        return LineKind::Name;
    return LineKind::Address;
}
