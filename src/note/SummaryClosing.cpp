#include "note/SummaryClosing.h"

#include <algorithm>

namespace closing {

QDate closingDate(int year, int month, int closingDay)
{
    const QDate first(year, month, 1);
    if (closingDay < 1 || closingDay > 28)
        return QDate(year, month, first.daysInMonth());
    return QDate(year, month, closingDay);
}

QDate nextClosing(QDate day, int closingDay)
{
    const QDate inMonth = closingDate(day.year(), day.month(), closingDay);
    if (inMonth >= day)
        return inMonth;
    const QDate next = day.addMonths(1);
    return closingDate(next.year(), next.month(), closingDay);
}

Period periodEndingOn(QDate closing, std::optional<QDate> previousClosing)
{
    return {previousClosing ? previousClosing->addDays(1) : QDate(), closing};
}

QDate dueDate(QDate closing, int months, int day)
{
    const QDate month = QDate(closing.year(), closing.month(), 1).addMonths(months);
    return closingDate(month.year(), month.month(), day);
}

std::vector<RateShare> rateShares(const printing::PrintNote &note)
{
    std::vector<RateShare> shares;
    for (const printing::PrintTaxRate *r : {&note.standardRate, &note.reducedRate})
        if (r->inUse)
            shares.push_back({r->percent, r == &note.reducedRate,
                              FixedDecimal::parseAmount(r->subtotal),
                              FixedDecimal::parseAmount(r->tax)});
    return shares;
}

namespace {

// a += sign * b, checked.
bool accumulate(FixedDecimal &a, FixedDecimal b, int sign)
{
    const auto r = sign < 0 ? a.subtract(b) : a.add(b);
    if (r)
        a = *r;
    return bool(r);
}

RateTotal &totalFor(std::vector<RateTotal> &rates, const RateShare &share)
{
    const FixedDecimal percent = FixedDecimal::parseAmount(share.percent);
    for (RateTotal &t : rates)
        if (t.reduced == share.reduced && FixedDecimal::parseAmount(t.percent) == percent)
            return t;
    rates.push_back({share.percent, share.reduced, {}, {}, {}, {}});
    return rates.back();
}

} // namespace

std::optional<Summary> summarize(FixedDecimal previous, std::span<const NoteEntry> notes,
                                 std::span<const PaymentEntry> payments)
{
    Summary s;
    s.previous = previous;
    for (const PaymentEntry &p : payments)
        if (!accumulate(p.kind == PaymentKind::Payment ? s.paid : s.adjusted, p.amount, 1))
            return std::nullopt;
    s.carried = previous;
    if (!accumulate(s.carried, s.paid, -1) || !accumulate(s.carried, s.adjusted, -1))
        return std::nullopt;

    for (const NoteEntry &n : notes) {
        if (n.cancelled)
            continue;
        for (const RateShare &share : n.rates) {
            RateTotal &t = totalFor(s.rates, share);
            const bool ok = n.taxIncluded ? accumulate(t.inclusiveAmount, share.amount, n.sign) &&
                                                accumulate(t.includedTax, share.tax, n.sign) &&
                                                accumulate(s.purchases, share.amount, n.sign) &&
                                                accumulate(s.includedTax, share.tax, n.sign)
                                          : accumulate(t.exclusiveAmount, share.amount, n.sign) &&
                                                accumulate(t.exclusiveTax, share.tax, n.sign) &&
                                                accumulate(s.purchases, share.amount, n.sign) &&
                                                accumulate(s.tax, share.tax, n.sign);
            if (!ok)
                return std::nullopt;
        }
        s.notes.push_back(n);
    }
    std::stable_sort(s.notes.begin(), s.notes.end(),
                     [](const NoteEntry &a, const NoteEntry &b) { return a.date < b.date; });
    std::sort(s.rates.begin(), s.rates.end(), [](const RateTotal &a, const RateTotal &b) {
        if (a.reduced != b.reduced)
            return !a.reduced;
        return FixedDecimal::parseAmount(a.percent) > FixedDecimal::parseAmount(b.percent);
    });
    s.billed = s.carried;
    if (!accumulate(s.billed, s.purchases, 1) || !accumulate(s.billed, s.tax, 1))
        return std::nullopt;
    return s;
}

} // namespace closing
