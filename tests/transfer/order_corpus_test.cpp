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

// Reached when the corpus was written: 45 of 46 (the free LINE message
// "…を3袋お願いします。1袋648円でしたよね？" is not read). With the forty mails
// 47-86, written without sight of the rules and graded blind: 55 of 86 (the
// new ones 10 of 40); the test holds that until their rows are worked on.
constexpr double kMinimumRightShare = 0.6;

QString rowText(const OrderRow &r)
{
    return QStringList{r.name1,
                       r.name2,
                       QString::number(r.qty),
                       r.unit,
                       QString::number(r.price),
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

TEST(OrderLineCorpus, RowsTaxAndTotal)
{
    const QDir dir(QStringLiteral(KANRO_ORDER_LINES_CORPUS));
    const QStringList files = dir.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 30);
    int right = 0, noteTotalsRight = 0;
    for (const QString &name : files) {
        const auto file = readCorpusFile(dir.filePath(name));
        ASSERT_TRUE(file) << name.toStdString();
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
        const QString sttl = noteTotal(got.rows, got.tax == OrderTaxMode::Included);
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
    EXPECT_GE(double(right) / double(count), kMinimumRightShare);
}

} // namespace
