// The numeric value model under any sequence of operations and texts: the
// format properties, typed characters, the edit commands, paste, undo, focus
// leave, and the free functions FilterText and FormatText on any text.
// After every step Text is a plain number (optional "-", digits, at most one
// "." and digits) and ValText is FormatText of Text.
#include "FuzzSupport.h"

#include "numedit/NumValueModel.h"

#include <QRegularExpression>

namespace {

bool isPlainNumber(const QString &text)
{
    static const QRegularExpression plain(QStringLiteral("\\A-?[0-9]*(\\.[0-9]*)?\\z"));
    return plain.match(text).hasMatch();
}

const QString kChars[] = {
    QStringLiteral("0"), QStringLiteral("7"), QStringLiteral("9"), QStringLiteral("-"),
    QStringLiteral("."), QStringLiteral(","), QStringLiteral("\r"), QStringLiteral("\b"),
    QStringLiteral("a"), QStringLiteral("１"), QStringLiteral("－"), QStringLiteral("．"),
    QStringLiteral("，"), QStringLiteral("\x01"), QStringLiteral("\x16"), QStringLiteral("\x18"),
};

const QString kMarks[] = {QString(), QStringLiteral("¥"), QStringLiteral("%"),
                          QStringLiteral("-"), QStringLiteral("0."), QStringLiteral("個")};

QString describe(const NumValueModel &m)
{
    return QStringLiteral("Text \"%1\" ValText \"%2\" (int %3 dec %4 minus %5 comma %6 fixed %7)")
        .arg(m.Text(), m.ValText())
        .arg(m.IntegerLength())
        .arg(m.DecimalLength())
        .arg(m.Minus())
        .arg(m.Comma())
        .arg(m.DecimalFixed());
}

void checkModel(const NumValueModel &m, int step)
{
    FUZZ_CHECK(isPlainNumber(m.Text()),
               QStringLiteral("step %1: ").arg(step) + describe(m));
    FUZZ_CHECK(m.ValText() == FormatText(m.Text(), m.format()),
               QStringLiteral("step %1: ").arg(step) + describe(m));
    FUZZ_CHECK(m.SelLength() == 0 || m.SelLength() == m.ValText().size(),
               QStringLiteral("step %1: selection %2 of ").arg(step).arg(m.SelLength()) + describe(m));
    if (const std::optional<QString> clip = m.ClipboardText())
        FUZZ_CHECK(*clip == (m.ImageCopy() ? m.ValText() : m.Text()), describe(m));
}

void checkFreeFunctions(const QString &text, const NumFormat &format)
{
    const QString filtered = FilterText(text, format);
    FUZZ_CHECK(isPlainNumber(filtered), "FilterText(" + text + ") = " + filtered);
    FUZZ_CHECK(FilterText(filtered, format) == filtered, "FilterText not idempotent on " + text);
    if (!format.Minus)
        FUZZ_CHECK(!filtered.contains(u'-'), "minus kept with Minus off: " + filtered);
    const QString trimmed = TrimZeros(filtered);
    FUZZ_CHECK(isPlainNumber(trimmed), "TrimZeros(" + filtered + ") = " + trimmed);
    // The display keeps the value's digits in order.
    QString digits;
    for (QChar c : FormatText(filtered, NumFormat{format.IntegerLength, format.DecimalLength,
                                                  format.Minus, format.Comma, false, {}, {}}))
        if (c.isDigit())
            digits += c;
    QString want;
    for (QChar c : filtered)
        if (c.isDigit())
            want += c;
    FUZZ_CHECK(digits == want, "FormatText lost digits of " + filtered);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Input in(data, size);
    NumValueModel m;
    int changes = 0;
    m.setChangeHandler([&] { ++changes; });
    m.setBeepHandler([] {});
    // A measure of 7 pixels per character and a width the input chooses.
    int available = static_cast<int>(in.range(0, 200));
    if (in.flag())
        m.setWidthTest([](const QString &t) { return int(t.size()) * 7; },
                       [&available] { return available; });

    for (int step = 0; !in.empty() && step < 400; ++step) {
        switch (in.byte() % 24) {
        case 0:
            m.setIntegerLength(static_cast<int>(in.range(-2, 20)));
            break;
        case 1:
            m.setDecimalLength(static_cast<int>(in.range(-2, 8)));
            break;
        case 2:
            m.setMinus(in.flag());
            break;
        case 3:
            m.setComma(in.flag());
            break;
        case 4:
            m.setDecimalFixed(in.flag());
            break;
        case 5:
            m.setLeftMark(kMarks[in.byte() % std::size(kMarks)]);
            break;
        case 6:
            m.setRightMark(kMarks[in.byte() % std::size(kMarks)]);
            break;
        case 7:
            m.setText(in.text(64));
            break;
        case 8:
        case 9:
        case 10:
            m.InputChar(kChars[in.byte() % std::size(kChars)][0], in.flag());
            break;
        case 11:
            m.InputChar(QChar(static_cast<char16_t>(in.range(0, 0xFFFF))), false);
            break;
        case 12:
            m.DeleteLastChar();
            break;
        case 13:
            m.SelectAll();
            break;
        case 14:
            m.ClearSelect();
            break;
        case 15:
            m.Paste(in.text(64));
            break;
        case 16:
            m.Undo();
            break;
        case 17:
            m.SwapUndo();
            break;
        case 18:
            m.Clear();
            break;
        case 19:
            if (m.ClipboardText())
                m.CutClear();
            break;
        case 20:
            m.Leave();
            break;
        case 21:
            m.setReadOnly(in.flag());
            m.setImageCopy(in.flag());
            break;
        case 22:
            available = static_cast<int>(in.range(0, 200));
            break;
        default: {
            NumFormat f = m.format();
            checkFreeFunctions(in.text(), f);
            (void)m.CaretOffset();
            break;
        }
        }
        checkModel(m, step);
    }
    return 0;
}
