#include "numedit/NumValueModel.h"

#include <utility>

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// "1234567" -> "1,234,567"; no separator in front of the leftmost character.
QString groupThousands(const QString &digits)
{
    QString out;
    const qsizetype n = digits.size();
    out.reserve(n + n / 3);
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits[i];
    }
    return out;
}

} // namespace

QString FormatText(const QString &value, const NumFormat &format)
{
    QString rest = value;
    const bool negative = rest.contains(QLatin1Char('-'));
    if (negative)
        rest.remove(rest.indexOf(QLatin1Char('-')), 1);

    QString integer = rest;
    QString fraction;
    const qsizetype point = rest.indexOf(QLatin1Char('.'));
    const bool hasPoint = point >= 0;
    if (hasPoint) {
        integer = rest.left(point);
        fraction = rest.mid(point + 1);
    }

    if (format.Comma)
        integer = groupThousands(integer);
    if (format.DecimalFixed) {
        const qsizetype places = qMax(0, format.DecimalLength);
        if (fraction.size() < places)
            fraction += QString(places - fraction.size(), QLatin1Char('0'));
        else
            fraction.truncate(places);
    }
    if (hasPoint || format.DecimalFixed)
        fraction.prepend(QLatin1Char('.'));
    if (format.DecimalFixed && integer.isEmpty())
        integer = QStringLiteral("0");

    QString result = integer + fraction;
    if (negative)
        result.prepend(QLatin1Char('-'));
    if (result.isEmpty())
        return result;
    return format.LeftMark + result + format.RightMark;
}

QChar MapImeChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0xFF10 && u <= 0xFF19)
        return QChar(char16_t(u - 0xFF10 + '0'));
    if (u == 0xFF0D)
        return QLatin1Char('-');
    if (u == 0xFF0E)
        return QLatin1Char('.');
    return c;
}

QString FilterText(const QString &text, const NumFormat &format)
{
    // Full-width forms first; the full-width comma is dropped like ",".
    QString mapped;
    mapped.reserve(text.size());
    for (QChar c : text) {
        if (c.unicode() == 0xFF0C)
            continue;
        mapped += MapImeChar(c);
    }

    QString result;
    bool pointSeen = false;
    for (qsizetype i = 0; i < mapped.size(); ++i) {
        const QChar c = mapped[i];
        if (c == QLatin1Char(','))
            continue;
        if (isDigit(c)) {
            result += c;
        } else if (c == QLatin1Char('.') && format.DecimalLength > 0 && !pointSeen) {
            pointSeen = true;
            result += c;
        } else if (c == QLatin1Char('-') && format.Minus && i == 0) {
            result += c;
        } else {
            break;
        }
    }
    if (result.isEmpty())
        return result;

    const qsizetype sign = result.startsWith(QLatin1Char('-')) ? 1 : 0;
    const qsizetype point = result.indexOf(QLatin1Char('.'));
    if (point >= 0) {
        if (result.size() - point - 1 > format.DecimalLength)
            result.truncate(point + 1 + format.DecimalLength);
        if (point - sign > format.IntegerLength)
            result.clear();
    } else if (result.size() - sign > format.IntegerLength) {
        result.truncate(sign + qMax(0, format.IntegerLength));
    }
    return result;
}

QString TrimZeros(const QString &value)
{
    QString rest = value;
    const bool negative = rest.contains(QLatin1Char('-'));
    if (negative)
        rest.remove(0, 1);

    qsizetype point = rest.indexOf(QLatin1Char('.'));
    if (point < 0)
        point = rest.size();
    qsizetype zeros = 0;
    while (zeros < point && rest[zeros] == QLatin1Char('0'))
        ++zeros;
    rest.remove(0, zeros);
    if (rest.isEmpty() && zeros > 0)
        rest = QStringLiteral("0");
    if (rest.startsWith(QLatin1Char('.')))
        rest.prepend(QLatin1Char('0'));
    if (negative)
        rest.prepend(QLatin1Char('-'));
    return rest;
}

CaretPieces CaretTexts(const QString &value, const NumFormat &format)
{
    NumFormat plain = format;
    plain.RightMark.clear();
    if (!format.DecimalFixed)
        return {FormatText(value, plain), QString()};

    const qsizetype point = value.indexOf(QLatin1Char('.'));
    const QString integer = point >= 0 ? value.left(point) : value;
    const QString fraction = point >= 0 ? value.mid(point) : QString();
    plain.DecimalLength = 0;
    plain.DecimalFixed = false;
    QString lead;
    if (integer.isEmpty())
        lead = format.LeftMark + QStringLiteral("0");
    else if (integer == QStringLiteral("-"))
        lead = format.LeftMark + QStringLiteral("-0");
    else
        lead = FormatText(integer, plain);
    return {lead, fraction};
}

NumValueModel::NumValueModel() : valText_(FormatText(QString(), format_)) {}

void NumValueModel::setWidthTest(Measure measure, std::function<int()> available)
{
    measure_ = std::move(measure);
    available_ = std::move(available);
}

void NumValueModel::refresh()
{
    if (onRefresh_)
        onRefresh_();
}

void NumValueModel::changed()
{
    if (onChange_)
        onChange_();
}

void NumValueModel::refuse()
{
    if (errorBeep_ && onBeep_)
        onBeep_();
}

void NumValueModel::setValue(const QString &value)
{
    text_ = value;
    valText_ = FormatText(text_, format_);
}

void NumValueModel::commit(const QString &candidate)
{
    SaveUndo();
    setValue(candidate);
    refresh();
    modified_ = true;
    changed();
}

bool NumValueModel::TextFits(const QString &candidate) const
{
    if (!measure_)
        return true;
    const int available = available_ ? available_() : 0;
    return measure_(FormatText(candidate, format_)) <= available;
}

void NumValueModel::setText(const QString &text)
{
    if (text == text_)
        return;
    setValue(TrimZeros(FilterText(text, format_)));
    refresh();
}

void NumValueModel::refilter()
{
    setValue(FilterText(text_, format_));
    refresh();
}

void NumValueModel::setIntegerLength(int value)
{
    if (value < 0 || value == format_.IntegerLength)
        return;
    format_.IntegerLength = value;
    refilter();
}

void NumValueModel::setDecimalLength(int value)
{
    if (value < 0 || value == format_.DecimalLength)
        return;
    format_.DecimalLength = value;
    refilter();
}

void NumValueModel::setMinus(bool value)
{
    if (value == format_.Minus)
        return;
    format_.Minus = value;
    refilter();
}

void NumValueModel::setComma(bool value)
{
    if (value == format_.Comma)
        return;
    format_.Comma = value;
    setValue(text_);
    refresh();
}

void NumValueModel::setDecimalFixed(bool value)
{
    if (value == format_.DecimalFixed)
        return;
    format_.DecimalFixed = value;
    setValue(text_);
    refresh();
}

void NumValueModel::setLeftMark(const QString &value)
{
    if (value == format_.LeftMark)
        return;
    format_.LeftMark = value;
    setValue(text_);
    refresh();
}

void NumValueModel::setRightMark(const QString &value)
{
    if (value == format_.RightMark)
        return;
    format_.RightMark = value;
    setValue(text_);
    refresh();
}

void NumValueModel::SelectAll()
{
    selected_ = !valText_.isEmpty();
    refresh();
}

void NumValueModel::ClearSelect()
{
    selected_ = false;
    refresh();
}

void NumValueModel::InputDigit(QChar digit)
{
    if (readOnly_)
        return;
    if (HasSelection())
        Clear();

    // The limits count the typed digits before leading zeros are trimmed, so
    // with IntegerLength 1 the value 0 takes no further digit.
    const qsizetype point = text_.indexOf(QLatin1Char('.'));
    qsizetype integerDigits = point >= 0 ? point : text_.size();
    const qsizetype fractionDigits = point >= 0 ? text_.size() - point - 1 : 0;
    if (text_.contains(QLatin1Char('-')))
        --integerDigits;
    if (point >= 0 ? fractionDigits >= format_.DecimalLength
                   : integerDigits >= format_.IntegerLength) {
        refuse();
        return;
    }

    const QString candidate = TrimZeros(text_ + digit);
    if (!TextFits(candidate)) {
        refuse();
        return;
    }
    commit(candidate);
}

void NumValueModel::InputPoint()
{
    if (readOnly_)
        return;
    if (format_.DecimalLength == 0) {
        refuse();
        return;
    }
    if (HasSelection())
        Clear();
    if (text_.contains(QLatin1Char('.'))) {
        refuse();
        return;
    }
    // The width test measures what will be shown: "." typed into an empty
    // field shows "0.".
    const QString candidate = TrimZeros(text_ + QLatin1Char('.'));
    if (!TextFits(candidate)) {
        refuse();
        return;
    }
    commit(candidate);
}

void NumValueModel::InputMinus()
{
    if (readOnly_)
        return;
    if (!format_.Minus) {
        refuse();
        return;
    }
    if (HasSelection())
        Clear();
    if (text_.contains(QLatin1Char('-'))) {
        QString positive = text_;
        positive.remove(positive.indexOf(QLatin1Char('-')), 1);
        commit(positive);
        return;
    }
    const QString candidate = QLatin1Char('-') + text_;
    if (!TextFits(candidate)) {
        refuse();
        return;
    }
    commit(candidate);
}

void NumValueModel::DeleteLastChar()
{
    if (readOnly_ || text_.isEmpty())
        return;
    if (HasSelection()) {
        Clear();
        return;
    }
    QString shorter = text_;
    shorter.chop(1);
    if (shorter.endsWith(QLatin1Char('.')))
        shorter.chop(1);
    commit(shorter);
}

void NumValueModel::Clear()
{
    SaveUndo();
    setValue(QString());
    selected_ = false;
    refresh();
    modified_ = false;
}

void NumValueModel::Undo()
{
    if (!canUndo_)
        return;
    SwapUndo();
    valText_ = FormatText(text_, format_);
    selected_ = !valText_.isEmpty();
    refresh();
    changed();
}

void NumValueModel::SaveUndo()
{
    undoBuffer_ = text_;
    canUndo_ = true;
}

void NumValueModel::SwapUndo()
{
    std::swap(text_, undoBuffer_);
    // The display always shows the value in hand.
    valText_ = FormatText(text_, format_);
    canUndo_ = true;
}

void NumValueModel::ClearUndo()
{
    undoBuffer_.clear();
    canUndo_ = false;
}

void NumValueModel::Paste(const QString &clipboardText)
{
    SaveUndo();
    const QString combined = HasSelection() ? clipboardText : text_ + clipboardText;
    setValue(TrimZeros(FilterText(combined, format_)));
    selected_ = false;
    refresh();
    changed();
}

std::optional<QString> NumValueModel::ClipboardText() const
{
    if (!HasSelection())
        return std::nullopt;
    return imageCopy_ ? valText_ : text_;
}

void NumValueModel::CutClear()
{
    Clear();
    changed();
}

void NumValueModel::Leave()
{
    if (text_ != QStringLiteral("-"))
        return;
    setValue(QString());
    refresh();
}

NumValueModel::CharResult NumValueModel::InputChar(QChar c, bool enterFocusMove)
{
    if (readOnly_)
        return CharResult::Swallowed;
    switch (c.unicode()) {
    case 1:  // Ctrl+A
    case 3:  // Ctrl+C
    case 8:  // Backspace
    case 22: // Ctrl+V
    case 24: // Ctrl+X
        // Their work was done when the key went down.
        return CharResult::Swallowed;
    case 13:
        if (enterFocusMove)
            return CharResult::MoveFocusNext;
        refuse();
        return CharResult::Swallowed;
    case '-':
        InputMinus();
        return CharResult::Swallowed;
    case '.':
        InputPoint();
        return CharResult::Swallowed;
    default:
        break;
    }
    if (isDigit(c))
        InputDigit(c);
    else
        refuse();
    return CharResult::Swallowed;
}

int NumValueModel::CaretOffset() const
{
    if (!measure_)
        return 0;
    const CaretPieces pieces = CaretTexts(text_, format_);
    int offset = measure_(pieces.lead);
    if (!pieces.fraction.isEmpty())
        offset += measure_(pieces.fraction);
    return offset;
}
