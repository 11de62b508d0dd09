#include "printing/LayoutRules.h"

#include "printing/Conversion.h"
#include "printing/TextFit.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace printing {

// The note is a Japanese business form: its date (2026/12/09) and digit
// grouping follow the Japanese locale whatever the desktop's locale is.
static QLocale noteLocale()
{
    return QLocale(QLocale::Japanese, QLocale::Japan);
}

long long roundHalfAway(long double v)
{
    return v >= 0 ? static_cast<long long>(v + 0.5L) : static_cast<long long>(v - 0.5L);
}

FixedDecimal scaleFactor(int dpi)
{
    // Formed in extended precision, then stored with four decimals; the
    // default rounding mode of the conversion is to nearest, ties to even.
    const long double factor = static_cast<long double>(dpi) / LayoutUnitsPerInch;
    return FixedDecimal::fromRaw(static_cast<qint64>(std::llrintl(factor * 10000.0L)));
}

static int scaled(FixedDecimal factor, int d)
{
    return static_cast<int>(roundHalfAway(factor.toLongDouble() * d));
}

int Geometry::w(int d) const
{
    return scaled(sx, d);
}

int Geometry::h(int d) const
{
    return scaled(sy, d);
}

Geometry Geometry::fromNote(const PrintNote &note)
{
    // Any 32-bit caption converts, but a resolution or an offset beyond
    // these bounds puts everything far off the paper anyway; bounded, every
    // position and every step between rows stays inside int.
    const auto bounded = [](int v, int limit) { return std::clamp(v, -limit, limit); };
    Geometry g;
    g.sx = scaleFactor(bounded(captionToInt(note.dpiX), MaxResolution));
    g.sy = scaleFactor(bounded(captionToInt(note.dpiY), MaxResolution));
    g.top = bounded(captionToIntOrZero(note.top), MaxOffset);
    g.left = bounded(captionToIntOrZero(note.left), MaxOffset);
    return g;
}

bool isZeroQuantity(const QString &fieldText)
{
    return FixedDecimal::parseAmount(fieldText).isZero();
}

QString amountText(FixedDecimal value)
{
    // Whole units rounded half away from zero, as magnitude and sign; the
    // magnitude is unsigned so that the most negative value has one too.
    const qint64 raw = value.raw();
    const bool negative = raw < 0;
    const quint64 magnitude = negative ? 0 - static_cast<quint64>(raw) : static_cast<quint64>(raw);
    const quint64 scale = FixedDecimal::kScale;
    const quint64 units = magnitude / scale + (magnitude % scale >= scale / 2 ? 1 : 0);
    const QString digits = QString::number(units);
    const QString sep = noteLocale().groupSeparator();
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out.append(sep);
        out.append(digits.at(i));
    }
    return negative && units != 0 ? QLatin1Char('-') + out : out;
}

QString amountText(const QString &fieldText)
{
    return amountText(FixedDecimal::parseAmount(fieldText));
}

QString fixedPitchCellText(const QString &amount)
{
    if (amount.size() >= FixedPitchCellChars)
        return amount;
    return QString(FixedPitchCellChars - amount.size(), QLatin1Char(' ')) + amount;
}

std::vector<int> evenAdvances(const QString &text, int width)
{
    const qsizetype n = text.size();
    if (n == 0)
        return {};
    return std::vector<int>(static_cast<size_t>(n), static_cast<int>(width / n));
}

void Eve2TextOut(Canvas &canvas, const QString &text, int x, int y, int width, int options)
{
    if (text.isEmpty())
        return;
    canvas.extTextOut(x, y, options, text, evenAdvances(text, width));
}

void amountCellOut(Canvas &c, const QString &amount, int x, int y, int width)
{
    const QString cell = fixedPitchCellText(amount);
    const int pitch = width / FixedPitchCellChars;
    const int options = TextOpaque | TextClipped;
    const int before = c.font().stretch;
    const qreal natural = visibleWidth(c, amount);
    // Without font metrics there is nothing to condense to.
    if (width / cell.size() >= pitch || natural <= 0) {
        // Every character keeps the cell's pitch; glyphs that would run into
        // their neighbour at that pitch are drawn narrower within it.
        const std::vector<int> advances = evenAdvances(cell, width);
        c.setFontStretch(collisionFreeStretch(c, cell, advances, AmountStretchFloor));
        Eve2TextOut(c, cell, x, y, width, options);
        c.setFontStretch(before);
        return;
    }
    const int stretch = amountStretch(c, amount, width);
    const std::vector<int> advances = naturalAdvances(c, amount, stretch);
    int total = 0;
    for (int a : advances)
        total += a;
    c.setFontStretch(stretch);
    c.extTextOut(x + FixedPitchCellChars * pitch - total, y, options, amount, advances);
    c.setFontStretch(before);
}

void captionCellOut(Canvas &c, const QString &caption, int x, int y, int width)
{
    if (caption.isEmpty())
        return;
    const int options = TextOpaque | TextClipped;
    if (!spacedGlyphsCollide(c, caption, evenAdvances(caption, width), NaturalStretch)) {
        Eve2TextOut(c, caption, x, y, width, options);
        return;
    }
    const FittedText fitted = fitText(c, caption, width);
    const qreal natural = c.textWidth(fitted.text) * fitted.stretch / 100.0;
    const qreal spare = fitted.stretch == NaturalStretch ? std::max<qreal>(0, width - natural) : 0;
    const int before = c.font().stretch;
    c.setFontStretch(fitted.stretch);
    c.extTextOut(x, y, options, fitted.text,
                 naturalAdvances(c, fitted.text, fitted.stretch, spare));
    c.setFontStretch(before);
}

QString shortDateText(const QDate &date)
{
    return noteLocale().toString(date, QLocale::ShortFormat);
}

namespace {

// Draws an amount right-aligned in a fixed-pitch cell at device row y.
void drawCell(Canvas &c, const Geometry &g, const QString &amount, int ux, int dw, int y)
{
    amountCellOut(c, amount, g.x(ux), y, g.w(dw));
}

// Draws a text from layout x `ux` fitted into the room up to layout x `endUx`.
void fitted(Canvas &c, const Geometry &g, int ux, int endUx, int y, const QString &text,
            const QString &keep = {})
{
    fitTextOut(c, g.x(ux), y, g.x(endUx) - g.x(ux), text, keep);
}

// Layout 2's numbers: plain text condensed as a whole, never cut.
void fittedAmount(Canvas &c, int x, int endX, int y, const QString &amount)
{
    fitAmountOut(c, x, y, endX - x, amount);
}

void rule(Canvas &c, int x1, int y1, int x2, int y2)
{
    c.moveTo(x1, y1);
    c.lineTo(x2, y2);
}

void setFont(Canvas &c, const QString &name, int size, int style)
{
    c.setFontName(name);
    c.setFontSize(size);
    c.setFontStyle(style);
}

// Layout 2's currency sign in front of the totals.
const QString YenSign = QStringLiteral("\u00A5");

} // namespace

void drawNote(const LayoutTable &t, const PrintNote &note, PrintSurface &surface)
{
    const Geometry g = Geometry::fromNote(note);
    Canvas &c = surface.canvas();

    c.setFontColor(Qt::black);
    c.setBrushColor(Qt::white);

    setFont(c, VerdanaFont, 11, StyleRegular);
    fitted(c, g, CustomerNameX, t.customerNameEnd(), g.y(20), note.customerName,
           u' ' + (note.honorific.isEmpty() ? defaultHonorific() : note.honorific));
    rule(c, g.x(20), g.y(50), g.x(t.nameRuleEnd), g.y(50));

    setFont(c, GothicFont, 8, StyleRegular);
    for (int k = 0; k < 5; ++k)
        fitted(c, g, t.shopX, t.shopLineEnd(), g.y(30 + 20 * k), note.shopLines[k]);
    rule(c, g.x(t.shopRuleFrom), g.y(130), g.x(t.ruleEnd), g.y(130));
    invoice::drawRegistration(c, g, t, note);

    setFont(c, GothicFont, 8, StyleRegular);
    fitted(c, g, TextX, t.titleEnd(), g.y(90), note.title);
    c.textOut(g.x(TextX), g.y(173), QStringLiteral("伝票番号 "));
    fitted(c, g, t.dateCaptionX, t.dateCaptionEnd(), g.y(173), QStringLiteral("発行日 "));
    setFont(c, TahomaFont, 8, StyleRegular);
    if (note.printSlipNo)
        fitted(c, g, SlipNoX, t.slipNoEnd(), g.y(170), note.slipNo);
    if (note.printDate)
        fitted(c, g, t.dateX, t.ruleEnd, g.y(170), shortDateText(note.issueDate));
    rule(c, g.x(20), g.y(210), g.x(t.ruleEnd), g.y(210));

    setFont(c, GothicFont, 8, StyleRegular);
    c.textOut(g.x(TextX), g.y(214), QStringLiteral("商品名"));
    c.textOut(g.x(t.qtyHeadX), g.y(214), QStringLiteral("数量"));
    c.textOut(g.x(t.priceHeadX), g.y(214), QStringLiteral("単価"));
    // A tax-inclusive note's amounts include tax; its heading says so.
    c.textOut(g.x(t.amountHeadX), g.y(214),
              note.taxIncluded ? QStringLiteral("金額(税込)") : QStringLiteral("金額(税抜き)"));
    rule(c, g.x(20), g.y(234), g.x(t.ruleEnd), g.y(234));

    // The running line position: every step is rounded on its own.
    int r = g.y(260);
    const int d18 = g.h(18);
    const int d24 = g.h(24);
    for (const PrintRow &row : note.rows) {
        if (isZeroQuantity(row.qty))
            continue;
        setFont(c, GothicFont, t.itemSize, StyleRegular);
        fitted(c, g, TextX, t.itemName1End(), r - d18, invoice::firstItemLine(row));
        fitted(c, g, TextX, t.itemName2End(), r, row.item);
        setFont(c, GothicFont, t.unitSize, StyleRegular);
        fitted(c, g, t.unitX, t.unitEnd(), r - d18, row.unit);
        setFont(c, TahomaFont, t.numberSize, StyleRegular);
        if (t.fixedPitch) {
            drawCell(c, g, amountText(row.qty), t.qtyX, t.amountCellW, r);
            drawCell(c, g, amountText(row.price), t.priceX, t.amountCellW, r);
            drawCell(c, g, amountText(row.sales), t.amountX, t.amountCellW, r);
        } else {
            fittedAmount(c, g.x(t.qtyX), g.x(t.plainQtyEnd()), r, amountText(row.qty));
            fittedAmount(c, g.x(t.priceX), g.x(t.plainPriceEnd()), r, amountText(row.price));
            fittedAmount(c, g.x(t.amountX), g.x(t.plainAmountEnd()), r, amountText(row.sales));
        }
        rule(c, g.x(20), r + d24, g.x(t.ruleEnd), r + d24);
        r += g.h(48);
    }

    // Totals, in the font the rows (or the headings) left.
    r -= d18;
    const int subtotalY = r;
    // A tax-inclusive note: the sum with its caption, the tax contained in
    // it, and no third figure (the total would repeat the sum); its line
    // stays, so everything below keeps its place.
    const std::array<std::pair<QString, QString>, 3> totals = {{
        {note.taxIncluded ? invoice::IncludedSubtotalCaption
         : t.fixedPitch   ? QStringLiteral("　小　計")
                          : QStringLiteral("小計"),
         note.subtotal},
        {note.taxIncluded ? invoice::IncludedTaxCaption : note.taxCaption, note.tax},
        {QStringLiteral("税込合計"), note.total},
    }};
    for (size_t k = 0; k < totals.size(); ++k) {
        if (k > 0)
            r += g.h(22);
        if (k == 2 && note.taxIncluded)
            break;
        const auto &[caption, value] = totals[k];
        if (t.fixedPitch) {
            captionCellOut(c, caption, g.x(t.captionX), r, g.w(t.captionCellW));
            drawCell(c, g, amountText(value), t.amountX, t.amountCellW, r);
        } else {
            // Six units left of the amount column, converted with sy.
            const int moneyX = g.x(t.amountX) - g.h(LayoutTable::MoneyShift);
            fitted(c, g, t.captionX, t.plainCaptionEnd(), r, caption);
            fittedAmount(c, moneyX, g.x(t.plainAmountEnd()), r, YenSign + amountText(value));
        }
    }

    invoice::drawRateLines(c, g, t, note, subtotalY, subtotalY + g.h(22), r);

    c.setFontStyle(StyleUnderline);
    if (note.receipt)
        fitted(c, g, TextX, t.receiptEnd(), r, QStringLiteral("税込合計代金を領収いたしました。"));
    r += g.h(27);
    r += g.h(27);
    rule(c, g.x(20), r, g.x(t.ruleEnd), r);
    r += g.h(10);
    c.setFontName(GothicFont);
    c.setFontSize(6);
    for (const QString &remark : note.remarks) {
        fitted(c, g, RemarkX, t.remarkEnd(), r, remark);
        r += g.h(20);
    }
    rule(c, g.x(30), r, g.x(t.ruleEnd), r);
    if (t.bottomRule)
        rule(c, g.x(20), g.y(1200), g.x(t.ruleEnd), g.y(1200));

    if (note.newPage)
        surface.newPage();
}

namespace invoice {

int rateLineWidth(const LayoutTable &t)
{
    return t.captionX - TotalsX - RightGap;
}

QString rateLine(const PrintTaxRate &rate, bool taxIncluded)
{
    if (taxIncluded)
        return rate.percent + QStringLiteral("%対象 ") + YenSign + amountText(rate.subtotal) +
               QStringLiteral("（うち消費税 ") + YenSign + amountText(rate.tax) +
               QStringLiteral("）");
    return rate.percent + QStringLiteral("%対象 ") + YenSign + amountText(rate.subtotal) +
           QStringLiteral(" 消費税 ") + YenSign + amountText(rate.tax);
}

bool hasReducedRow(const PrintNote &note)
{
    return std::any_of(note.rows.begin(), note.rows.end(),
                       [](const PrintRow &row) { return row.reduced && !isZeroQuantity(row.qty); });
}

QString firstItemLine(const PrintRow &row)
{
    return row.reduced ? ReducedMark + row.itemNo : row.itemNo;
}

void drawRegistration(Canvas &c, const Geometry &g, const LayoutTable &t, const PrintNote &note)
{
    if (note.registrationNo.isEmpty())
        return;
    const CanvasFont before = c.font();
    setFont(c, GothicFont, FontSize, StyleRegular);
    // A number must never lose a digit: condensed as a whole, not cut.
    fittedAmount(c, g.x(t.shopX), g.x(t.shopLineEnd()), g.y(RegistrationY),
                 RegistrationCaption + note.registrationNo);
    c.setFont(before);
}

void drawRateLines(Canvas &c, const Geometry &g, const LayoutTable &t, const PrintNote &note,
                   int subtotalY, int taxY, int totalY)
{
    const bool reduced = hasReducedRow(note);
    if (!reduced && !note.taxIncluded)
        return;
    const CanvasFont before = c.font();
    setFont(c, GothicFont, FontSize, StyleRegular);
    // The standard rate first, on the subtotal line; the reduced rate on the
    // next free line.
    int y = subtotalY;
    for (const PrintTaxRate *rate : {&note.standardRate, &note.reducedRate}) {
        if (!rate->inUse)
            continue;
        // Figures are condensed as a whole, never cut, within the room
        // before the total captions.
        fittedAmount(c, g.x(TotalsX), g.x(TotalsX + rateLineWidth(t)), y,
                     rateLine(*rate, note.taxIncluded));
        y = taxY;
    }
    if (reduced)
        fitted(c, g, TotalsX, t.receiptEnd(), totalY + g.h(LegendStep), Legend);
    c.setFont(before);
}

} // namespace invoice

} // namespace printing
