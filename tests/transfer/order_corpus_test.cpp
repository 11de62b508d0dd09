// The order-line corpus (tests/transfer/orders/*.txt: an order mail, then
// "=== expected" with tax=, total= and one row= line per note row:
// 品名1|品名2|数量|単位|単価|軽) through the order-line reader, graded mail by
// mail. A mail counts as right when its rows, tax mode and total all come out
// as expected and the note built from the rows totals what the mail states,
// so the operator need not edit anything. A mail with "unread=N" has N item
// lines the note cannot hold: they must be reported, and the note's total
// then differs from the mail's.
#include "CorpusFile.h"
#include "note/NoteArithmetic.h"
#include "printers.h"
#include "transfer/OrderLines.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// Mails 01-46 were written with the reader: 45 of 46 right (the free LINE
// message "…を3袋お願いします。1袋648円でしたよね？" was not read). Mails 47-86
// were written by someone who never saw the rules and graded blind before
// any change: 10 of 40 right (note total equal to the mail's for 23 of 40).
// The rules were then widened on their failures and on forms of our own, to
// 86 of 86 (40 of 40 and 46 of 46); the 40 are no longer blind, so that figure
// says nothing of fresh mails. Two mails may regress before the test fails.
constexpr double kMinimumRightShare = 0.97;

QString rowText(const OrderRow &r)
{
    return QStringList{r.name1,
                       r.name2,
                       QString::number(r.qty),
                       r.unit,
                       r.priced ? QString::number(r.price) : QString(),
                       r.reduced ? u"軽"_qs : QString()}
        .join(u'|');
}

QString taxText(OrderTaxMode m)
{
    return m == OrderTaxMode::Included   ? u"incl"_qs
           : m == OrderTaxMode::Excluded ? u"excl"_qs
                                         : u"unknown"_qs;
}

// The note's total for the rows at 10 % and 8 %, rounded down, as the
// window computes it.
QString noteTotal(const QList<OrderRow> &rows, bool included)
{
    DetailRows cells{};
    ReducedMarks marks{};
    for (qsizetype i = 0; i < rows.size() && i < kDetailRowCount; ++i) {
        cells[size_t(i)] = {QString::number(rows[i].qty), QString::number(rows[i].price), {}};
        marks[size_t(i)] = rows[i].reduced;
    }
    DEN_SALS(cells);
    return DEN_SUM(cells, marks, u"0.1"_qs, u"0.08"_qs, u"0"_qs, included).totals.sttl;
}

// Grades every *.txt of path; returns the share of mails right.
double rightShare(const QString &path)
{
    const QDir dir(path);
    const QStringList files = dir.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    EXPECT_GE(files.size(), 30);
    if (files.isEmpty())
        return 0;
    int right = 0, noteTotalsRight = 0;
    for (const QString &name : files) {
        const auto file = readCorpusFile(dir.filePath(name));
        EXPECT_TRUE(file) << name.toStdString();
        if (!file)
            continue;
        QStringList rows;
        QString tax = u"unknown"_qs, total;
        qsizetype unread = 0;
        for (const QString &line : file->expected) {
            if (line.startsWith(u"row="))
                rows.append(line.mid(4));
            else if (line.startsWith(u"tax="))
                tax = line.mid(4);
            else if (line.startsWith(u"total="))
                total = line.mid(6);
            else if (line.startsWith(u"unread="))
                unread = line.mid(7).toInt();
        }
        const OrderLines got = readOrderLines(file->text);
        QStringList gotRows;
        for (const OrderRow &r : got.rows)
            gotRows.append(rowText(r));
        const QString gotTotal = got.total ? QString::number(*got.total) : QString();
        const bool fits = got.rows.size() <= kDetailRowCount;
        // A total stated before tax is compared with the rows' plain sum.
        const QString sttl =
            noteTotal(got.rows, got.tax == OrderTaxMode::Included || got.totalBeforeTax);
        const bool noteRight = !fits || total.isEmpty() || (sttl == total) == (unread == 0);
        const bool ok = gotRows == rows && taxText(got.tax) == tax && gotTotal == total &&
                        noteRight && got.unread.size() == unread;
        right += ok ? 1 : 0;
        noteTotalsRight += noteRight ? 1 : 0;
        if (!ok) {
            std::cout << name.toStdString() << ": tax " << taxText(got.tax).toStdString()
                      << " (expected " << tax.toStdString() << "), total " << gotTotal.toStdString()
                      << " (expected " << total.toStdString() << "), note total "
                      << sttl.toStdString() << "\n";
            for (const QString &r : gotRows)
                std::cout << (rows.contains(r) ? "    " : "  + ") << r.toStdString() << "\n";
            for (const QString &r : rows)
                if (!gotRows.contains(r))
                    std::cout << "  - " << r.toStdString() << "\n";
            for (const QString &u : got.unread)
                std::cout << "  unread: " << u.toStdString() << "\n";
        }
    }
    const auto count = files.size();
    std::cout << "rows and total right without editing: " << right << " of " << count << "\n"
              << "note total equal to the mail's: " << noteTotalsRight << " of " << count << "\n";
    return double(right) / double(count);
}

TEST(OrderLineCorpus, RowsTaxAndTotal)
{
    EXPECT_GE(rightShare(QStringLiteral(KANRO_ORDER_LINES_CORPUS)), kMinimumRightShare);
}

// Forty mails of another writer (tests/transfer/unseen), graded first only
// after the rules above were done: 8 of 40 right before them, 22 of 40
// after. Their failures were then used to widen the rules by writing habit
// (options under other labels, tables copied with tabs, counts in brackets,
// a count label with one amount, fees and totals in sentences, the shop
// addressed before the order): 39 of 40. They are no longer unseen, so that
// figure says nothing of fresh mails. Mail 40 cannot pass: its rows carry no
// reduced mark, yet its total adds 8 % to them. One more may regress.
TEST(OrderLineCorpus, RowsOfUnseenMails)
{
    EXPECT_GE(rightShare(QStringLiteral(KANRO_UNSEEN_CORPUS)), 38.0 / 40);
}

// Mails of writers who never saw the rules (tests/transfer/writers), thirty
// each. c1 to c5: graded blind on arrival c1 13, c2 6 of 30 right; c1, c2
// and c4 then widened the rules; c3 and c5, graded blind at the end of that
// work, had 21 and 24 of 30. c6, c7, c9, c11, c12 and c13 came later:
// blind on arrival 13, 14, 15, 20, 18 and 16 of 30; each then widened the
// rules in turn. c8 and c10 were held back and graded once, blind, at the
// end of that work (15 and 20 of 30), then read too. Where the writers
// disagree with each other (a fee's remark kept or not, one price read as
// the order total, a discount spread over both rates, blanks in a name) no
// rule can please both. The floor is the figure reached, 333 of 390, less
// three.
TEST(OrderLineCorpus, RowsOfFiveWriters)
{
    EXPECT_GE(rightShare(QStringLiteral(KANRO_WRITERS_CORPUS)), 330.0 / 390);
}

} // namespace
