#include "note/NoteRange.h"

namespace {
const QString kTooLarge = QStringLiteral("が大きすぎるため印刷できません");
} // namespace

QString outOfRangeNotice(const DetailRows &rows, const NoteTotals &totals)
{
    for (int i = 0; i < kDetailRowCount; ++i) {
        const RowCells &row = rows[static_cast<std::size_t>(i)];
        const FixedDecimal q = FixedDecimal::parseAmount(row.qty);
        const FixedDecimal p = FixedDecimal::parseAmount(row.price);
        if (!q.isZero() && !p.isZero() && !q.multiply(p))
            return QString::number(i + 1) + QStringLiteral("行目の金額") + kTooLarge;
    }
    const std::pair<const QString *, const char16_t *> sums[] = {
        {&totals.sqty, u"数量の合計"},
        {&totals.ssal, u"合計"},
        {&totals.stax, u"消費税"},
        {&totals.sttl, u"税込合計"},
    };
    for (const auto &[text, name] : sums) {
        if (text->isEmpty())
            return QString::fromUtf16(name) + kTooLarge;
    }
    return QString();
}
