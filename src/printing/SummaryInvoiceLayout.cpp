#include "printing/SummaryInvoiceLayout.h"

#include "printing/TextFit.h"

#include <algorithm>

namespace printing {

using namespace summarylayout;

namespace {

constexpr int TitleSize = 18;
constexpr int NameSize = 13;
constexpr int TextSize = 9;
constexpr int SmallSize = 8;

// The detail columns: date and slip number, then one amount column per rate,
// the tax and the line's total, spread over what is left of the width.
constexpr int DateX = Left;
constexpr int SlipX = 200;
constexpr int AmountsX = 430;

// One detail line as printed.
struct DetailLine
{
    QString date;
    QString slip;
    std::vector<QString> rateAmounts; // per column of summary.rates
    QString tax;
    QString total;
};

// -v; the one value without a negative (the range's lower end) stays.
FixedDecimal negated(FixedDecimal v)
{
    return FixedDecimal().subtract(v).value_or(v);
}

QString yen(FixedDecimal v)
{
    return QStringLiteral("¥") + amountText(v);
}

// "10%対象", "8%対象※"
QString rateCaption(const closing::RateTotal &r)
{
    return r.percent + QStringLiteral("%対象") + (r.reduced ? QStringLiteral("※") : QString());
}

std::vector<DetailLine> detailLines(const SummaryInvoice &inv)
{
    const auto &rates = inv.summary.rates;
    std::vector<DetailLine> lines;
    for (const closing::NoteEntry &n : inv.summary.notes) {
        DetailLine l;
        l.date = n.date.toString(QStringLiteral("MM/dd"));
        l.slip = n.slipNo;
        if (n.sign < 0)
            l.slip += QStringLiteral(" 取消");
        else if (n.taxIncluded)
            l.slip += QStringLiteral(" 税込");
        l.rateAmounts.resize(rates.size());
        FixedDecimal amount, tax;
        for (const closing::RateShare &s : n.rates) {
            const FixedDecimal signedAmount = n.sign < 0 ? negated(s.amount) : s.amount;
            const FixedDecimal signedTax = n.sign < 0 ? negated(s.tax) : s.tax;
            for (std::size_t k = 0; k < rates.size(); ++k)
                if (rates[k].reduced == s.reduced && FixedDecimal::parseAmount(rates[k].percent) ==
                                                         FixedDecimal::parseAmount(s.percent))
                    l.rateAmounts[k] = amountText(signedAmount);
            amount = amount.add(signedAmount).value_or(amount);
            tax = tax.add(signedTax).value_or(tax);
        }
        // A tax-inclusive note's tax is inside its amount.
        l.tax = n.taxIncluded ? QStringLiteral("(内)") + amountText(tax) : amountText(tax);
        l.total = amountText(n.taxIncluded ? amount : amount.add(tax).value_or(amount));
        lines.push_back(std::move(l));
    }
    for (const closing::PaymentEntry &p : inv.payments) {
        DetailLine l;
        l.date = p.date.toString(QStringLiteral("MM/dd"));
        l.slip = p.kind == closing::PaymentKind::Payment
                     ? QStringLiteral("御入金（%1）").arg(p.method)
                     : QStringLiteral("調整");
        if (!p.memo.isEmpty())
            l.slip += QStringLiteral(" ") + p.memo;
        l.rateAmounts.resize(rates.size());
        l.total = amountText(negated(p.amount));
        lines.push_back(std::move(l));
    }
    return lines;
}

class PageWriter
{
public:
    PageWriter(Canvas &c, const Geometry &g) : m_c(c), m_g(g) {}

    void font(int size, int style = StyleRegular)
    {
        m_c.setFontName(GothicFont);
        m_c.setFontSize(size);
        m_c.setFontStyle(style);
        m_c.setFontColor(Qt::black);
    }
    // Text from (x, y), condensed or cut to end before x + width.
    void text(int x, int y, int width, const QString &s)
    {
        if (!s.isEmpty())
            fitTextOut(m_c, m_g.x(x), m_g.y(y), m_g.w(width), s);
    }
    // An amount ending at `right`, condensed when wider than `width`; never cut.
    void amount(int right, int y, int width, const QString &s)
    {
        if (s.isEmpty())
            return;
        const int stretch = amountStretch(m_c, s, m_g.w(width));
        const int drawn = int(m_c.textWidth(s) * stretch / 100.0 + 0.5);
        const int before = m_c.font().stretch;
        m_c.setFontStretch(stretch);
        m_c.textOut(m_g.x(right) - drawn, m_g.y(y), s);
        m_c.setFontStretch(before);
    }
    void centred(int y, const QString &s)
    {
        const int w = int(m_c.textWidth(s) + 0.5);
        m_c.textOut(m_g.x(PageWidth / 2) - w / 2, m_g.y(y), s);
    }
    void hline(int x1, int x2, int y)
    {
        m_c.moveTo(m_g.x(x1), m_g.y(y));
        m_c.lineTo(m_g.x(x2), m_g.y(y));
    }
    void vline(int x, int y1, int y2)
    {
        m_c.moveTo(m_g.x(x), m_g.y(y1));
        m_c.lineTo(m_g.x(x), m_g.y(y2));
    }

private:
    Canvas &m_c;
    const Geometry &m_g;
};

// The right edges of the amount columns: one per rate, the tax, the total.
std::vector<int> amountColumns(std::size_t rates)
{
    const int n = int(rates) + 2;
    std::vector<int> rights;
    for (int k = 1; k <= n; ++k)
        rights.push_back(AmountsX + (Right - AmountsX) * k / n);
    return rights;
}

void drawDetailHeader(PageWriter &w, const SummaryInvoice &inv, int y)
{
    const std::vector<int> cols = amountColumns(inv.summary.rates.size());
    const int colW = cols[0] - AmountsX - 10;
    w.font(TextSize);
    w.text(DateX, y, SlipX - DateX - 10, QStringLiteral("日付"));
    w.text(SlipX, y, AmountsX - SlipX - 10, QStringLiteral("伝票番号・摘要"));
    std::size_t k = 0;
    for (const closing::RateTotal &r : inv.summary.rates)
        w.amount(cols[k++], y, colW, rateCaption(r));
    w.amount(cols[k++], y, colW, QStringLiteral("消費税"));
    w.amount(cols[k], y, colW, QStringLiteral("合計"));
    w.hline(Left, Right, y + 30);
}

void drawDetail(PageWriter &w, const SummaryInvoice &inv, const DetailLine &l, int y)
{
    const std::vector<int> cols = amountColumns(inv.summary.rates.size());
    const int colW = cols[0] - AmountsX - 10;
    w.font(TextSize);
    w.text(DateX, y, SlipX - DateX - 10, l.date);
    w.text(SlipX, y, AmountsX - SlipX - 10, l.slip);
    std::size_t k = 0;
    for (const QString &a : l.rateAmounts)
        w.amount(cols[k++], y, colW, a);
    w.amount(cols[k++], y, colW, l.tax);
    w.amount(cols[k], y, colW, l.total);
}

void drawFirstPageHead(PageWriter &w, const SummaryInvoice &inv)
{
    const closing::Summary &s = inv.summary;
    w.font(TitleSize);
    w.centred(60, QStringLiteral("御　請　求　書"));

    // Number and dates, right.
    w.font(TextSize);
    w.text(900, 130, Right - 900, QStringLiteral("請求No %1").arg(inv.invoiceNo));
    w.text(900, 160, Right - 900, QStringLiteral("発行日 %1").arg(japaneseDate(inv.issueDate)));

    // The customer, left.
    if (!inv.customerZip.isEmpty())
        w.text(Left, 200, 560, QStringLiteral("〒") + inv.customerZip);
    int y = 230;
    for (const QString &line : inv.customerAddress) {
        w.text(Left, y, 560, line);
        y += 30;
    }
    w.font(NameSize);
    w.text(Left, 340, 560, inv.customerName + QStringLiteral(" ") + inv.honorific);
    w.hline(Left, 660, 380);

    // The closing and the issuer, right.
    w.font(TextSize);
    const QString period =
        inv.summary.notes.empty() && !inv.period.from.isValid()
            ? QString()
            : QStringLiteral("（%1～%2）")
                  .arg(inv.period.from.isValid() ? shortDateText(inv.period.from) : QString(),
                       shortDateText(inv.period.to));
    w.text(760, 200, Right - 760, closingCaption(inv.closingDate) + period);
    y = 240;
    for (const QString &line : inv.shopLines)
        if (!line.isEmpty()) {
            w.text(760, y, Right - 760, line);
            y += 28;
        }
    if (!inv.registrationNo.isEmpty()) {
        w.text(760, y, Right - 760, QStringLiteral("登録番号 ") + inv.registrationNo);
        y += 28;
    }
    if (!inv.bankAccount.isEmpty())
        w.text(760, y, Right - 760, QStringLiteral("振込先 ") + inv.bankAccount);

    w.text(Left, 410, 660 - Left, QStringLiteral("下記のとおり御請求申し上げます。"));

    // The summary row: seven boxes across.
    const QString heads[] = {QStringLiteral("前回御請求額"), QStringLiteral("御入金額"),
                             QStringLiteral("調整額"),       QStringLiteral("繰越金額"),
                             QStringLiteral("今回御買上額"), QStringLiteral("消費税額"),
                             QStringLiteral("今回御請求額")};
    const FixedDecimal values[] = {s.previous,  s.paid, s.adjusted, s.carried,
                                   s.purchases, s.tax,  s.billed};
    constexpr int top = 470, mid = 506, bottom = 556;
    const int cell = (Right - Left) / 7;
    w.hline(Left, Right, top);
    w.hline(Left, Right, mid);
    w.hline(Left, Right, bottom);
    for (int k = 0; k <= 7; ++k)
        w.vline(k == 7 ? Right : Left + k * cell, top, bottom);
    for (int k = 0; k < 7; ++k) {
        const int x = Left + k * cell;
        w.font(SmallSize);
        w.text(x + 8, top + 8, cell - 16, heads[k]);
        w.font(k == 6 ? NameSize : TextSize, k == 6 ? StyleBold : StyleRegular);
        w.amount(x + cell - 8, mid + 12, cell - 16, amountText(values[k]));
    }
    w.font(SmallSize);
    if (!s.includedTax.isZero())
        w.text(Left + 4 * cell + 8, bottom + 6, cell * 2,
               QStringLiteral("（うち消費税 %1）").arg(yen(s.includedTax)));
    if (inv.dueDate.isValid())
        w.text(Left, bottom + 36, 600,
               QStringLiteral("お支払期限 %1").arg(japaneseDate(inv.dueDate)));

    // The per-rate box.
    w.font(TextSize);
    y = 640;
    for (const closing::RateTotal &r : s.rates) {
        if (!r.exclusiveAmount.isZero() || r.inclusiveAmount.isZero()) {
            w.text(Left + 10, y, 700,
                   QStringLiteral("%1 %2　消費税 %3")
                       .arg(rateCaption(r), yen(r.exclusiveAmount), yen(r.exclusiveTax)));
            y += 30;
        }
        if (!r.inclusiveAmount.isZero()) {
            w.text(Left + 10, y, 700,
                   QStringLiteral("%1（税込） %2（うち消費税 %3）")
                       .arg(rateCaption(r), yen(r.inclusiveAmount), yen(r.includedTax)));
            y += 30;
        }
    }
}

bool hasReduced(const SummaryInvoice &inv)
{
    return std::any_of(inv.summary.rates.begin(), inv.summary.rates.end(),
                       [](const closing::RateTotal &r) { return r.reduced; });
}

} // namespace

namespace summarylayout {

int linesOnPage(int page)
{
    const int from = page == 0 ? FirstPageLinesY : LaterPageLinesY;
    return (LastLineY - from) / LineStep + 1;
}

int pageCount(const SummaryInvoice &invoice)
{
    int lines = int(invoice.summary.notes.size() + invoice.payments.size());
    int pages = 1;
    for (lines -= linesOnPage(0); lines > 0; lines -= linesOnPage(pages))
        ++pages;
    return pages;
}

} // namespace summarylayout

QString japaneseDate(const QDate &date)
{
    return QStringLiteral("%1年%2月%3日").arg(date.year()).arg(date.month()).arg(date.day());
}

QString closingCaption(const QDate &closing)
{
    return QStringLiteral("%1月%2日締").arg(closing.month()).arg(closing.day());
}

void drawSummaryInvoice(const SummaryInvoice &inv, const Geometry &g, PrintSurface &surface)
{
    const std::vector<DetailLine> lines = detailLines(inv);
    const int pages = pageCount(inv);
    std::size_t next = 0;
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            surface.newPage();
        PageWriter w(surface.canvas(), g);
        int y = 0;
        if (page == 0) {
            drawFirstPageHead(w, inv);
            y = FirstPageLinesY - 40;
        } else {
            w.font(TextSize);
            w.text(Left, 100, Right - Left,
                   QStringLiteral("御請求書（つづき）　請求No %1　%2 %3")
                       .arg(inv.invoiceNo, inv.customerName, inv.honorific));
            y = LaterPageLinesY - 40;
        }
        drawDetailHeader(w, inv, y);
        const int count = linesOnPage(page);
        y += 40;
        for (int k = 0; k < count && next < lines.size(); ++k, ++next, y += LineStep)
            drawDetail(w, inv, lines[next], y);
        w.hline(Left, Right, LastLineY + LineStep);
        w.font(SmallSize);
        if (hasReduced(inv))
            w.text(Left, LastLineY + LineStep + 10, 400, QStringLiteral("※は軽減税率対象"));
        w.centred(LastLineY + LineStep + 40, QStringLiteral("%1 / %2").arg(page + 1).arg(pages));
    }
}

} // namespace printing
