// Any bytes as a customer or item list file (UTF-8, or CP932 when the bytes
// are not UTF-8, as the list windows read them): a read either fails with a
// message naming a line or gives entries whose fields are one line each and
// whose numbers are in range, and writing those entries and reading them
// back gives the same entries.
#include "FuzzSupport.h"

#include "platform/ProfileFile.h"
#include "store/NoteLedger.h"

#include <QStringDecoder>

namespace {

bool oneLine(const QString &s)
{
    for (const QChar ch : s)
        if (ch.unicode() < 0x20)
            return false;
    return true;
}

bool sameCustomers(const std::vector<ledger::Customer> &a, const std::vector<ledger::Customer> &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (a[k].code != b[k].code || a[k].name != b[k].name || a[k].honorific != b[k].honorific ||
            a[k].zip != b[k].zip || a[k].addressLines != b[k].addressLines || a[k].tel != b[k].tel ||
            a[k].closingDay != b[k].closingDay || a[k].paymentTerms != b[k].paymentTerms ||
            a[k].hidden != b[k].hidden)
            return false;
    return true;
}

bool sameItems(const std::vector<ledger::Item> &a, const std::vector<ledger::Item> &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (a[k].code != b[k].code || a[k].itemNo != b[k].itemNo || a[k].item != b[k].item ||
            a[k].unit != b[k].unit || a[k].price != b[k].price || a[k].reduced != b[k].reduced ||
            a[k].taxIncluded != b[k].taxIncluded || a[k].hidden != b[k].hidden)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        bool ok = false;
        text = decodeCp932(bytes, &ok);
    }
    const QString where = text.left(200);

    std::vector<ledger::Customer> customers;
    QString error;
    if (ledger::customersFromCsv(text, customers, error)) {
        for (const ledger::Customer &c : customers) {
            FUZZ_CHECK(!c.name.isEmpty(), where);
            FUZZ_CHECK(c.closingDay >= 0 && c.closingDay <= 31, where);
            for (const QString &f : {c.code, c.name, c.honorific, c.zip, c.addressLines[0],
                                     c.addressLines[1], c.addressLines[2], c.tel, c.paymentTerms})
                FUZZ_CHECK(oneLine(f), where + " field " + f);
        }
        std::vector<ledger::Customer> again;
        FUZZ_CHECK(ledger::customersFromCsv(ledger::customersCsv(customers), again, error),
                   where + " " + error);
        FUZZ_CHECK(sameCustomers(customers, again), where);
    } else {
        FUZZ_CHECK(customers.empty() && !error.isEmpty(), where);
    }

    std::vector<ledger::Item> items;
    if (ledger::itemsFromCsv(text, items, error)) {
        for (const ledger::Item &i : items)
            for (const QString &f : {i.code, i.itemNo, i.item, i.unit, i.price})
                FUZZ_CHECK(oneLine(f), where + " field " + f);
        std::vector<ledger::Item> again;
        FUZZ_CHECK(ledger::itemsFromCsv(ledger::itemsCsv(items), again, error),
                   where + " " + error);
        FUZZ_CHECK(sameItems(items, again), where);
    } else {
        FUZZ_CHECK(items.empty() && !error.isEmpty(), where);
    }
    return 0;
}
