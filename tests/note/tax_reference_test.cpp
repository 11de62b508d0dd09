// An independent check of the note's tax: random notes against a reference
// written from the rules alone (exact rationals, rates grouped by value),
// over both modes, the three rounding modes, rows of both rates and random
// dates against a three-row rate table.
#include "note/NoteArithmetic.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <tuple>

namespace {

__extension__ typedef __int128 Wide;

// x = num / den rounded: "0" toward zero, "1" halves away from zero, "2" any
// fraction away from zero.
Wide rounded(Wide num, Wide den, int mode)
{
    const bool negative = num < 0;
    const Wide a = negative ? -num : num;
    Wide q = a / den;
    const Wide rest = a % den;
    if ((mode == 1 && 2 * rest >= den) || (mode == 2 && rest != 0))
        ++q;
    return negative ? -q : q;
}

// A money text from a count of hundredths of a yen.
QString money(long long hundredths)
{
    const bool negative = hundredths < 0;
    const long long a = negative ? -hundredths : hundredths;
    QString s = QString::number(a / 100);
    if (a % 100)
        s += QStringLiteral(".%1").arg(a % 100, 2, 10, QLatin1Char('0'));
    if (s.contains(u'.'))
        while (s.endsWith(u'0'))
            s.chop(1);
    return negative ? u'-' + s : s;
}

// A rate in tenths of a percent as its percent text: 25 -> "2.5".
QString percent(int tenths)
{
    return tenths % 10 ? QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10)
                       : QString::number(tenths / 10);
}

} // namespace

TEST(TaxReference, RandomNotesAgreeWithTheRules)
{
    std::mt19937_64 rng(20261210);
    const auto pick = [&rng](long long lo, long long hi) {
        return std::uniform_int_distribution<long long>(lo, hi)(rng);
    };
    const int rates[] = {0, 0, 5, 8, 8, 10, 10, 25, 125, 1000}; // tenths of a percent
    const auto rate = [&] { return rates[pick(0, std::size(rates) - 1)]; };

    constexpr int kNotes = 100000;
    long long equalRateNotes = 0, includedNotes = 0, rowsChecked = 0;
    Wide taxSum = 0;
    for (int n = 0; n < kNotes; ++n) {
        // The table: since always (old, reduced), from d2 (new, reduced),
        // from d3 (its own standard and reduced).
        const int oldRate = rate(), newRate = rate(), reducedRate = rate();
        const int thirdStandard = rate(), thirdReduced = rate();
        const QDate d2 = QDate(2019, 1, 1).addDays(pick(0, 1500));
        const QDate d3 = d2.addDays(pick(1, 1500));
        const QDate noteDate = QDate(2018, 6, 1).addDays(pick(0, 4000));
        const std::vector<TaxRateRow> table =
            taxRateTable(percent(oldRate), d2, percent(newRate), percent(reducedRate),
                         {{d3, percent(thirdStandard), percent(thirdReduced)}});
        const int standardInForce = noteDate >= d3   ? thirdStandard
                                    : noteDate >= d2 ? newRate
                                                     : oldRate;
        const int reducedInForce = noteDate >= d3 ? thirdReduced : reducedRate;

        const int mode = static_cast<int>(pick(0, 2));
        const bool included = pick(0, 1) == 1;
        DetailRows rows;
        ReducedMarks marks{};
        std::map<int, Wide> groups; // rate in tenths -> sum in hundredths of a yen
        Wide sum = 0;
        const int rowCount = static_cast<int>(pick(1, 10));
        for (int i = 0; i < rowCount; ++i) {
            const long long amount = pick(0, 3) == 0 ? pick(-2000000, 0) : pick(0, 1000000000);
            marks[i] = pick(0, 1) == 1;
            rows[i] = {QStringLiteral("1"), money(amount), money(amount)};
            groups[marks[i] ? reducedInForce : standardInForce] += amount;
            sum += amount;
        }
        // Reference: per rate, x = sum x r / 100 (exclusive) or
        // sum x r / (100 + r) (inclusive), in hundredths and tenths.
        std::set<std::tuple<QString, QString, QString>> expectedGroups;
        Wide tax = 0;
        for (const auto &[r, s] : groups) {
            const Wide t = included ? rounded(s * r, Wide(100) * (1000 + r), mode)
                                    : rounded(s * r, Wide(100) * 1000, mode);
            tax += t;
            expectedGroups.insert({percent(r), money(static_cast<long long>(s)),
                                   QString::number(static_cast<long long>(t))});
        }
        equalRateNotes += standardInForce == reducedInForce;
        includedNotes += included;
        rowsChecked += rowCount;
        taxSum += tax;

        const TaxRateRow row = taxRateRowInForce(table, noteDate);
        const InvoiceTotals got =
            DEN_SUM(rows, marks, rateFractionText(row.standard), rateFractionText(row.reduced),
                    QString::number(mode), included);
        std::set<std::tuple<QString, QString, QString>> gotGroups;
        for (const auto &[used, rateText, g] :
             {std::tuple{got.standard.inUse, row.standard, got.standard},
              std::tuple{got.reduced.inUse, row.reduced, got.reduced}}) {
            if (used)
                gotGroups.insert({ratePercentText(rateFractionText(rateText)), g.subtotal, g.tax});
        }
        const QString expectedTotal =
            money(static_cast<long long>(included ? sum : sum + tax * 100));
        if (got.totals.stax != QString::number(static_cast<long long>(tax)) ||
            got.totals.sttl != expectedTotal || gotGroups != expectedGroups) {
            ADD_FAILURE() << "note " << n << " mode " << mode << " included " << included
                          << " date " << noteDate.toString(Qt::ISODate).toStdString() << ": tax "
                          << got.totals.stax.toStdString() << " expected "
                          << static_cast<long long>(tax) << ", total "
                          << got.totals.sttl.toStdString() << " expected "
                          << expectedTotal.toStdString();
            return;
        }
    }
    std::printf("%d notes (%lld tax-inclusive, %lld with equal rates, %lld rows): all agree; "
                "sum of their taxes %lld\n",
                kNotes, includedNotes, equalRateNotes, rowsChecked, static_cast<long long>(taxSum));
}
