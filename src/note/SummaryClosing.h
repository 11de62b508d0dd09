#pragma once
// The arithmetic of a monthly summary invoice (合計請求書): which period a
// closing covers, when it is due, and the summary's figures from the
// period's notes and payments. Each delivery note already states its
// per-rate amounts and taxes, so the summary adds those figures up and
// never computes a tax again.

#include "note/FixedDecimal.h"
#include "note/PrintNote.h"

#include <QDate>
#include <QString>
#include <optional>
#include <span>
#include <vector>

namespace closing {

// A customer's closing day: 1 to 28, or the end of the month (31; any day
// outside 1 to 28 closes at the month's end).
constexpr int kEndOfMonth = 31;

// The closing date in a month: the closing day, or the month's last day.
QDate closingDate(int year, int month, int closingDay);
// The first closing date on or after `day`.
QDate nextClosing(QDate day, int closingDay);
// The period a closing covers: from the day after the previous closing to
// the closing date. A customer never closed before has everything up to the
// closing date in its first period (from is then not valid).
struct Period
{
    QDate from;
    QDate to;
    bool contains(QDate d) const { return (!from.isValid() || d >= from) && d <= to; }
};
Period periodEndingOn(QDate closing, std::optional<QDate> previousClosing);
// When a closing is to be paid: `months` after the closing's month, on
// `day` (1 to 28, or kEndOfMonth).
QDate dueDate(QDate closing, int months, int day);

// One rate's share of a note, as the note printed it: for a tax-exclusive
// note the amount is before tax and the tax is added; for a tax-inclusive
// one the amount includes the tax, which it names.
struct RateShare
{
    QString percent; // "10", "8"
    bool reduced = false;
    FixedDecimal amount;
    FixedDecimal tax;
};

// The rate shares a recorded note printed (the rates in use).
std::vector<RateShare> rateShares(const printing::PrintNote &note);

// A note as the summary counts it. A note cancelled within the period is
// left out; one cancelled after its period was closed comes back in the
// next period as a red entry (sign -1) dated by its cancellation. A
// correction is a red entry for the old note and the new note itself.
struct NoteEntry
{
    qint64 id = 0;
    QDate date;
    QString slipNo;
    bool taxIncluded = false;
    std::vector<RateShare> rates;
    int sign = 1;
    bool cancelled = false;
};

enum class PaymentKind { Payment, Adjustment };

struct PaymentEntry
{
    QDate date;
    PaymentKind kind = PaymentKind::Payment;
    FixedDecimal amount;
    QString method; // 振込, 現金, 手形, 相殺, その他
    QString memo;
};

// One rate's totals over the period, kept apart by how the notes stated
// their prices.
struct RateTotal
{
    QString percent;
    bool reduced = false;
    FixedDecimal exclusiveAmount; // tax-exclusive notes' amounts
    FixedDecimal exclusiveTax;    // their taxes
    FixedDecimal inclusiveAmount; // tax-inclusive notes' amounts
    FixedDecimal includedTax;     // the tax they contain
};

struct Summary
{
    FixedDecimal previous;    // 前回御請求額
    FixedDecimal paid;        // 御入金額
    FixedDecimal adjusted;    // 調整額
    FixedDecimal carried;     // 繰越金額 = previous - paid - adjusted
    FixedDecimal purchases;   // 今回御買上額 (tax-inclusive notes with their tax)
    FixedDecimal tax;         // 消費税額: the tax-exclusive notes' taxes
    FixedDecimal includedTax; // うち消費税: the tax inside the purchases
    FixedDecimal billed;      // 今回御請求額 = carried + purchases + tax
    // The rates in use: the standard ones first, then the reduced, each by
    // rate, highest first.
    std::vector<RateTotal> rates;
    // The notes counted, by date and then as given.
    std::vector<NoteEntry> notes;
};

// The summary of a period; nullopt when a sum leaves the amounts' range.
std::optional<Summary> summarize(FixedDecimal previous, std::span<const NoteEntry> notes,
                                 std::span<const PaymentEntry> payments);

} // namespace closing
