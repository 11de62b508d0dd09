#include "transfer/Transfer.h"

#include "platform/HalfWidth.h"
#include "transfer/LineTests.h"
#include "transfer/NumericTest.h"

namespace {

// A memo line by index: the empty text past the end, at most the first
// kMemoLineLimit characters (never half a surrogate pair).
QString memoLine(const QStringList &lines, qsizetype index)
{
    if (index < 0 || index >= lines.size())
        return QString();
    return leftWhole(lines.at(index), kMemoLineLimit);
}

QString trimLeadingControls(const QString &text)
{
    qsizetype begin = 0;
    while (begin < text.size() && text.at(begin).unicode() <= 0x20)
        ++begin;
    return text.mid(begin);
}

QStringList firstWorkingLines(const QStringList &memoLines)
{
    QStringList w;
    for (int i = 0; i < kWorkingLines; ++i)
        w.append(trimLine(memoLine(memoLines, i)));
    return w;
}

} // namespace

const QStringList &labelWords()
{
    static const QStringList words = {
        QStringLiteral("："),         QStringLiteral(":"),        QStringLiteral("様"),
        QStringLiteral("〒"),         QStringLiteral("郵便番号"), QStringLiteral("ゆうびんばんごう"),
        QStringLiteral("℡"),          QStringLiteral("TEL"),      QStringLiteral("Tel"),
        QStringLiteral("tel"),        QStringLiteral("Ｔｅｌ"),   QStringLiteral("ｔｅｌ"),
        QStringLiteral("TEL"),        QStringLiteral("ＴＥＬ"),   QStringLiteral("お電話番号"),
        QStringLiteral("電話番号"),   QStringLiteral("お電話"),   QStringLiteral("電話"),
        QStringLiteral("おでんわ"),   QStringLiteral("でんわ"),   QStringLiteral("おなまえ"),
        QStringLiteral("お名前"),     QStringLiteral("御名前"),   QStringLiteral("名前"),
        QStringLiteral("御氏名"),     QStringLiteral("ご氏名"),   QStringLiteral("氏名"),
        QStringLiteral("おところ１"), QStringLiteral("おところ２"), QStringLiteral("おところ1"),
        QStringLiteral("おところ2"),  QStringLiteral("おところ"), QStringLiteral("ところ"),
        QStringLiteral("ご住所"),     QStringLiteral("住所１"),   QStringLiteral("住所２"),
        QStringLiteral("住所1"),      QStringLiteral("住所2"),    QStringLiteral("住所"),
        QStringLiteral("ご送付先"),   QStringLiteral("送付先"),   QStringLiteral("お送り先"),
        QStringLiteral("送り先"),     QStringLiteral("お届け先"), QStringLiteral("届け先"),
    };
    return words;
}

QStringList memoLinesOf(const QString &memoText)
{
    // Split by hand: a regular expression refuses texts with lone surrogates,
    // which a paste can carry.
    QStringList lines;
    if (memoText.isEmpty())
        return lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < memoText.size(); ++i) {
        const char16_t c = memoText.at(i).unicode();
        if (c != u'\r' && c != u'\n' && c != 0x2028 && c != 0x2029)
            continue;
        lines.append(memoText.mid(start, i - start));
        if (c == u'\r' && i + 1 < memoText.size() && memoText.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    lines.append(memoText.mid(start));
    return lines;
}

QString memoTextOf(const QStringList &lines)
{
    return lines.join(QLatin1Char('\n'));
}

QStringList compactMemoLines(const QStringList &memoLines, const LineWrapper &wrap)
{
    // The hidden work memo: kept lines, wrapped; only its first 16 lines count.
    QStringList workMemo;
    for (int i = 0; i < kMemoLinesExamined && workMemo.size() < kMemoLinesExamined; ++i) {
        const QString line = trimLine(memoLine(memoLines, i));
        if (line.isEmpty() || mailOrWebCount(line) > 0)
            continue;
        workMemo.append(wrap ? wrap(line) : QStringList{line});
    }
    QStringList kept;
    for (qsizetype i = 0; i < workMemo.size() && i < kMemoLinesExamined; ++i) {
        const QString piece = trimLine(workMemo.at(i));
        if (!piece.isEmpty())
            kept.append(piece);
    }
    return kept;
}

QStringList normaliseWorkingLines(const QStringList &memoLines)
{
    QStringList w = firstWorkingLines(memoLines);
    for (int i = 0; i < kWorkingLines; ++i) {
        for (const QString &word : labelWords())
            w[i] = trimLeadingControls(removeWord(w[i], word));
        w[i] = blankTrim(w[i]);
        if (numericTestText(w[i]).size() > 2)
            w[i] = toHalfWidth(w[i]);
        // The seventh line is converted on every pass, whatever i is.
        w[kWorkingLines - 1] = toHalfWidth(w[kWorkingLines - 1]);
    }
    return w;
}

QStringList splitPostalCodes(const QStringList &memoLines)
{
    QStringList w = firstWorkingLines(memoLines);
    for (int i = 0; i < kWorkingLines; ++i) {
        const QString head = w[i].left(8);
        const QString rest = leftWhole(w[i].mid(8), 80);
        if (classifyZipTel(head) != ZipTelAnswer::PostalCode || rest.size() < 7)
            continue;
        w[i] = head;
        for (int j = i + 1; j < kWorkingLines; ++j) {
            if (trimLine(w[j]).isEmpty()) {
                w[j] = rest;
                break;
            }
        }
    }
    return w;
}

TransferResult classifyWorkingLines(const QStringList &memoLines)
{
    QStringList w = firstWorkingLines(memoLines);
    QString zipSlot, telSlot, prefectureSlot, address1Slot, address2Slot, nameSlot;

    for (QString &line : w) {
        switch (classifyZipTel(line)) {
        case ZipTelAnswer::PostalCode:
            if (zipSlot.isEmpty())
                zipSlot = line;
            line.clear();
            break;
        case ZipTelAnswer::Telephone:
            if (telSlot.isEmpty())
                telSlot = line;
            line.clear();
            break;
        case ZipTelAnswer::Address:
        case ZipTelAnswer::Undecided:
            break;
        }
    }

    for (const QString &line : w) {
        if (line.isEmpty())
            continue;
        switch (lineKind(line)) {
        case LineKind::Prefecture:
            if (prefectureSlot.isEmpty())
                prefectureSlot = line;
            break;
        case LineKind::Name:
            if (nameSlot.isEmpty())
                nameSlot = line;
            break;
        case LineKind::Address:
            if (address1Slot.isEmpty())
                address1Slot = line;
            else if (address2Slot.isEmpty())
                address2Slot = line;
            break;
        }
    }

    TransferResult result;
    // Writing Edit_Zip and Edit_tel converts them (change handlers), and the
    // transfer converts them once more; the second pass finds nothing to do.
    auto settled = [](QString field) {
        for (int pass = 0; pass < 2; ++pass) {
            if (auto converted = zipTelConverted(field))
                field = *converted;
        }
        return field;
    };
    result.zip = settled(zipSlot);
    result.add1 = trimLine(prefectureSlot) + trimLine(address1Slot);
    result.add2 = address2Slot;
    result.custo1 = nameSlot;
    result.tel = settled(telSlot);
    return result;
}

TransferResult runTransfer(const QStringList &memoLines, const LineWrapper &wrap)
{
    const QStringList compacted = compactMemoLines(memoLines, wrap);
    if (compacted.isEmpty()) {
        TransferResult result;
        result.nothingToTransfer = true;
        return result;
    }
    const QStringList normalised = normaliseWorkingLines(compacted);
    const QStringList split = splitPostalCodes(normalised);
    TransferResult result = classifyWorkingLines(split);
    result.memoLines = split;
    return result;
}

TransferResult runTransferOnText(const QString &memoText, const LineWrapper &wrap)
{
    return runTransfer(memoLinesOf(memoText), wrap);
}

std::optional<QString> zipTelConverted(const QString &text)
{
    QString converted = toHalfWidth(text);
    if (converted == text)
        return std::nullopt;
    return converted;
}
