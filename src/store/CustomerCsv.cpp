// The customer and item lists as CSV, in the column names a shop's
// spreadsheet shows. Reading is strict: a file with any fault is refused
// whole, with the line that has it, so that an import is never half done.
#include "store/NoteLedger.h"
#include "store/StoreConnection.h"

#include <QRegularExpression>

namespace ledger {
namespace {

const QStringList customerHeader = {
    QStringLiteral("コード"),   QStringLiteral("得意先名"), QStringLiteral("敬称"),
    QStringLiteral("郵便番号"), QStringLiteral("住所1"),    QStringLiteral("住所2"),
    QStringLiteral("住所3"),    QStringLiteral("電話番号"), QStringLiteral("締日"),
    QStringLiteral("支払条件"), QStringLiteral("非表示")};
const QStringList itemHeader = {QStringLiteral("コード"), QStringLiteral("品名1"),
                                QStringLiteral("品名2"),  QStringLiteral("単位"),
                                QStringLiteral("単価"),   QStringLiteral("軽減税率"),
                                QStringLiteral("税込"),   QStringLiteral("非表示")};

// A field longer than this is no name, address or price.
constexpr int maxFieldLength = 1000;

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// Whether the text is apostrophes followed by what begins a formula.
bool apostrophesBeforeFormula(const QString &v)
{
    qsizetype k = 0;
    while (k < v.size() && v.at(k) == u'\'')
        ++k;
    return k > 0 && k < v.size() && QStringLiteral("=+-@").contains(v.at(k));
}


QString line(const QStringList &fields)
{
    return fields.join(u',') + QStringLiteral("\r\n");
}

// The records of a CSV text: fields split at commas, quoted fields may hold
// commas, doubled quotes and line breaks; each record keeps the number of
// the line it starts on. False (with the line) for an unclosed quote or
// text after a closing quote.
struct Record
{
    int line = 0;
    QStringList fields;
};

bool parseCsv(const QString &text, std::vector<Record> &out, QString &error)
{
    qsizetype i = text.startsWith(QChar(0xFEFF)) ? 1 : 0;
    int lineNo = 1;
    const qsizetype n = text.size();
    while (i < n) {
        Record r{lineNo, {}};
        bool endOfRecord = false;
        while (!endOfRecord) {
            QString field;
            if (i < n && text.at(i) == u'"') {
                ++i;
                for (;;) {
                    if (i >= n) {
                        error = QStringLiteral("%1 行目: 引用符が閉じていません").arg(r.line);
                        return false;
                    }
                    const QChar ch = text.at(i++);
                    if (ch == u'"') {
                        if (i < n && text.at(i) == u'"') {
                            field += u'"';
                            ++i;
                            continue;
                        }
                        break;
                    }
                    if (ch == u'\n')
                        ++lineNo;
                    field += ch;
                }
                if (i < n && text.at(i) != u',' && text.at(i) != u'\r' && text.at(i) != u'\n') {
                    error = QStringLiteral("%1 行目: 引用符の後に文字があります").arg(lineNo);
                    return false;
                }
            } else {
                while (i < n && text.at(i) != u',' && text.at(i) != u'\r' && text.at(i) != u'\n')
                    field += text.at(i++);
            }
            r.fields << field;
            if (i < n && text.at(i) == u',') {
                ++i;
                continue;
            }
            endOfRecord = true;
            if (i < n && text.at(i) == u'\r')
                ++i;
            if (i < n && text.at(i) == u'\n')
                ++i;
            ++lineNo;
        }
        if (!(r.fields.size() == 1 && r.fields.front().isEmpty()))
            out.push_back(std::move(r));
    }
    return true;
}

// The fields of one record by column name, checked as they are read.
class Fields
{
public:
    Fields(const QStringList &header, const Record &r, QString &error)
        : m_header(header), m_record(r), m_error(error)
    {
    }

    QString text(const QString &column)
    {
        const qsizetype k = m_header.indexOf(column);
        if (k < 0 || k >= m_record.fields.size())
            return {};
        QString v = m_record.fields.at(k);
        if (v.size() > maxFieldLength)
            return fail(column, QStringLiteral("長すぎます"));
        for (const QChar ch : v)
            if (ch.unicode() < 0x20)
                return fail(column, QStringLiteral("改行や制御文字があります"));
        return unguardedCsvText(v);
    }
    bool flag(const QString &column)
    {
        const QString v = text(column).trimmed();
        if (!v.isEmpty() && v != u"0" && v != u"1")
            fail(column, QStringLiteral("0 か 1 ではありません"));
        return v == u"1";
    }
    int number(const QString &column, int low, int high)
    {
        const QString v = text(column).trimmed();
        if (v.isEmpty())
            return 0;
        bool ok = false;
        const int x = v.toInt(&ok);
        if (!ok || x < low || x > high)
            fail(column, QStringLiteral("%1 から %2 の数ではありません").arg(low).arg(high));
        return ok ? x : 0;
    }
    bool failed() const { return !m_error.isEmpty(); }

private:
    QString fail(const QString &column, const QString &why)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("%1 行目の %2: %3").arg(m_record.line).arg(column, why);
        return {};
    }
    const QStringList &m_header;
    const Record &m_record;
    QString &m_error;
};

// The header record, with the columns that must be there.
bool readHeader(const std::vector<Record> &records, const QStringList &required,
                QStringList &header, QString &error)
{
    if (records.empty()) {
        error = QStringLiteral("見出しの行がありません");
        return false;
    }
    header = records.front().fields;
    for (QString &h : header)
        h = h.trimmed();
    for (const QString &r : required)
        if (!header.contains(r)) {
            error = QStringLiteral("1 行目: 列「%1」がありません").arg(r);
            return false;
        }
    return true;
}

} // namespace

QString csvTextField(const QString &v)
{
    return csvField(apostrophesBeforeFormula(v) ? u'\'' + v : v, true);
}

QString unguardedCsvText(const QString &field)
{
    return apostrophesBeforeFormula(field) ? field.mid(1) : field;
}

QString customersCsv(const std::vector<Customer> &customers)
{
    QString out = line(customerHeader);
    for (const Customer &c : customers)
        out += line({csvTextField(c.code), csvTextField(c.name),
                     csvTextField(c.honorific), csvTextField(c.zip),
                     csvTextField(c.addressLines[0]), csvTextField(c.addressLines[1]),
                     csvTextField(c.addressLines[2]), csvTextField(c.tel),
                     c.closingDay > 0 ? QString::number(c.closingDay) : QString(),
                     csvTextField(c.paymentTerms), flag(c.hidden)});
    return out;
}

QString itemsCsv(const std::vector<Item> &items)
{
    QString out = line(itemHeader);
    for (const Item &i : items)
        out += line({csvTextField(i.code), csvTextField(i.itemNo), csvTextField(i.item),
                     csvTextField(i.unit), csvField(i.price, false), flag(i.reduced),
                     flag(i.taxIncluded), flag(i.hidden)});
    return out;
}

bool customersFromCsv(const QString &text, std::vector<Customer> &out, QString &error)
{
    out.clear();
    error.clear();
    std::vector<Record> records;
    QStringList header;
    if (!parseCsv(text, records, error) ||
        !readHeader(records, {customerHeader[0], customerHeader[1]}, header, error))
        return false;
    std::vector<Customer> read;
    for (std::size_t k = 1; k < records.size(); ++k) {
        Fields f(header, records[k], error);
        Customer c;
        c.code = f.text(customerHeader[0]).trimmed();
        c.name = f.text(customerHeader[1]).trimmed();
        c.honorific = f.text(customerHeader[2]).trimmed();
        c.zip = f.text(customerHeader[3]);
        for (int a = 0; a < 3; ++a)
            c.addressLines[std::size_t(a)] = f.text(customerHeader[4 + a]);
        c.tel = f.text(customerHeader[7]);
        c.closingDay = f.number(customerHeader[8], 0, 31);
        c.paymentTerms = f.text(customerHeader[9]);
        c.hidden = f.flag(customerHeader[10]);
        if (!f.failed() && c.name.isEmpty())
            error = QStringLiteral("%1 行目: 得意先名がありません").arg(records[k].line);
        if (!error.isEmpty())
            return false;
        read.push_back(std::move(c));
    }
    out = std::move(read);
    return true;
}

bool itemsFromCsv(const QString &text, std::vector<Item> &out, QString &error)
{
    out.clear();
    error.clear();
    std::vector<Record> records;
    QStringList header;
    if (!parseCsv(text, records, error) ||
        !readHeader(records, {itemHeader[0], itemHeader[1]}, header, error))
        return false;
    static const QRegularExpression price(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    std::vector<Item> read;
    for (std::size_t k = 1; k < records.size(); ++k) {
        Fields f(header, records[k], error);
        Item i;
        i.code = f.text(itemHeader[0]).trimmed();
        i.itemNo = f.text(itemHeader[1]).trimmed();
        i.item = f.text(itemHeader[2]).trimmed();
        i.unit = f.text(itemHeader[3]);
        i.price = f.text(itemHeader[4]).trimmed();
        i.reduced = f.flag(itemHeader[5]);
        i.taxIncluded = f.flag(itemHeader[6]);
        i.hidden = f.flag(itemHeader[7]);
        if (!f.failed() && !i.price.isEmpty() && !price.match(i.price).hasMatch())
            error = QStringLiteral("%1 行目の 単価: 数ではありません").arg(records[k].line);
        if (!f.failed() && error.isEmpty() && i.itemNo.isEmpty() && i.item.isEmpty())
            error = QStringLiteral("%1 行目: 品名がありません").arg(records[k].line);
        if (!error.isEmpty())
            return false;
        read.push_back(std::move(i));
    }
    out = std::move(read);
    return true;
}

bool csvRecords(const QString &text, std::vector<QStringList> &out, QString &error)
{
    out.clear();
    std::vector<Record> records;
    if (!parseCsv(text, records, error))
        return false;
    for (Record &r : records)
        out.push_back(std::move(r.fields));
    return true;
}

} // namespace ledger
