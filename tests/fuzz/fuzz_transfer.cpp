// Any text as the transfer memo, through the whole transfer with the
// fixed-width wrapper and with the work memo's real font: the transfer ends
// with a well-formed result, and transferring the memo it leaves behind ends
// well too. The same text through the dictionary transfer, with the postal
// dictionary and without it: fields are single lines and the postal code is
// seven digits with a hyphen or nothing. The same text through the
// order-line reader: every row fits the note's cells (names and units within
// their lengths, whole, one line; counts and prices within nine digits). The
// same bytes as the entry lines of a postal dictionary file: a damaged file
// is refused, one that loads answers look-ups with places read from its own
// text.
#include "FuzzSupport.h"
#include "transfer/DictionaryTransfer.h"
#include "transfer/OrderLines.h"
#include "transfer/Transfer.h"
#include "transfer/WorkMemoWrapper.h"

namespace {

void checkWellFormed(const QString &memo, const TransferResult &r, const char *wrapper)
{
    const QString where = QString::fromLatin1(wrapper) + ": " + memo.left(200);
    if (r.nothingToTransfer) {
        FUZZ_CHECK(r.memoLines.isEmpty(), where);
        FUZZ_CHECK((r.zip + r.add1 + r.add2 + r.custo1 + r.tel).isEmpty(), where);
        return;
    }
    FUZZ_CHECK(r.memoLines.size() == kWorkingLines, where);
    for (const QString &line : r.memoLines) {
        // Half-width conversion may split voiced kana in two.
        FUZZ_CHECK(line.size() <= 2 * kMemoLineLimit, where);
        FUZZ_CHECK(!line.contains(u'\n') && !line.contains(u'\r'), where);
    }
    for (const QString &field : {r.zip, r.add1, r.add2, r.custo1, r.tel})
        FUZZ_CHECK(!field.contains(u'\n') && !field.contains(u'\r'), where + " field " + field);
    FUZZ_CHECK(!zipTelConverted(r.zip).has_value(), where + " zip " + r.zip);
    FUZZ_CHECK(!zipTelConverted(r.tel).has_value(), where + " tel " + r.tel);
}

void checkDictionaryResult(const QString &memo, const DictionaryTransferResult &r)
{
    const QString where = QStringLiteral("dictionary: ") + memo.left(200);
    const TransferResult &f = r.fields;
    for (const QString &field : {f.zip, f.add1, f.add2, f.custo1, f.tel, r.status()})
        FUZZ_CHECK(!field.contains(u'\n') && !field.contains(u'\r'), where + " field " + field);
    FUZZ_CHECK(f.zip.isEmpty() || (f.zip.size() == 8 && f.zip.at(3) == u'-'),
               where + " zip " + f.zip);
    FUZZ_CHECK(f.memoLines.isEmpty(), where);
    if (f.nothingToTransfer)
        FUZZ_CHECK((f.zip + f.add1 + f.add2 + f.custo1 + f.tel).isEmpty(), where);
}

void checkOrderLines(const QString &memo, const OrderLines &o)
{
    const QString where = QStringLiteral("order lines: ") + memo.left(200);
    for (const OrderRow &r : o.rows) {
        const QString row = where + " row " + r.name1;
        FUZZ_CHECK(!r.name1.isEmpty() && r.name1.size() <= kItemNameLength, row);
        FUZZ_CHECK(r.name2.size() <= kItemNameLength && r.unit.size() <= kUnitLength, row);
        for (const QString &text : {r.name1, r.name2, r.unit}) {
            FUZZ_CHECK(!text.contains(u'\n') && !text.contains(u'\r'), row);
            FUZZ_CHECK(text.isEmpty() || !text.back().isHighSurrogate(), row);
        }
        FUZZ_CHECK(r.qty >= 1 && r.qty <= kOrderNumberLimit, row);
        FUZZ_CHECK(r.price >= -kOrderNumberLimit && r.price <= kOrderNumberLimit, row);
    }
    const QString status = orderLinesStatus(o, o.total);
    FUZZ_CHECK(!status.contains(u'\n'), where + " status " + status);
}

const PostalDictionary *fuzzDictionary()
{
    static const auto dict = PostalDictionary::load(postalDictionaryPath(), nullptr);
    return dict.get();
}

void fuzzDictionaryFile(const QByteArray &lines)
{
    const QByteArray text = "KANRO-POSTAL 1\nP 東京都\nC 0 渋谷区\n" + lines;
    const auto dict = PostalDictionary::fromData(qCompress(text, 1), nullptr);
    if (!dict)
        return;
    const QString where = QStringLiteral("dictionary file: ") + QString::fromUtf8(lines.left(200));
    for (const QByteArray &line : lines.split('\n')) {
        for (const PostalPlace &p : dict->lookupCode(QString::fromUtf8(line.left(7)))) {
            FUZZ_CHECK(p.code.size() == 7 && p.city == QStringLiteral("渋谷区"), where);
            FUZZ_CHECK(!(p.town + p.street + p.office).contains(u'\t'), where);
        }
    }
    dict->matchAddress(QStringLiteral("東京都渋谷区") + QString::fromUtf8(lines.left(60)));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::ensureGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ensureGuiApplication();
    static const LineWrapper fixed = fixedWidthWrapper(kWorkMemoTextWidth, 6, 11);
    static const LineWrapper real = workMemoWrapper();

    const QString memo =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const TransferResult a = runTransferOnText(memo, fixed);
    checkWellFormed(memo, a, "fixed");
    const TransferResult b = runTransferOnText(memo, real);
    checkWellFormed(memo, b, "work memo");
    if (!b.nothingToTransfer) {
        const QString left = memoTextOf(b.memoLines);
        checkWellFormed(left, runTransferOnText(left, real), "again");
    }
    const QStringList shop = {QStringLiteral("有限会社かんろ茶舗"),
                              QStringLiteral("TEL 054-255-1234")};
    checkDictionaryResult(memo, runDictionaryTransfer(memo, shop, fuzzDictionary()));
    checkDictionaryResult(memo, runDictionaryTransfer(memo, shop, nullptr));
    checkOrderLines(memo, readOrderLines(memo));
    fuzzDictionaryFile(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
