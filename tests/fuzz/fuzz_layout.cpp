// Any note through the three layouts on the recording canvas, at any
// resolution and offsets: field texts and numbers from the input, captions
// of the resolution and offset labels as numbers or as any text. A caption
// that is not an integer is the one refusal (ConversionError, before anything
// is drawn); otherwise every layout draws without undefined behaviour, and
// at the resolutions and offsets a printer and a registration can have every
// position lies on the note's area of the page.
#include "FuzzSupport.h"

#include "printing/Conversion.h"
#include "printing/RecordingCanvas.h"
#include "printing/Vo_A51_DotUnit.h"
#include "printing/Vo_A52_DotUnit.h"
#include "printing/Vo_A53_DotUnit.h"

#include <QDate>

#include <cmath>

namespace {

const QString kNumbers[] = {
    QString(), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("-1"),
    QStringLiteral("12.5"), QStringLiteral("1234567"), QStringLiteral("922337203685477.5807"),
    QStringLiteral("-922337203685477.5808"), QStringLiteral("0.5"), QStringLiteral("-0.5"),
    QStringLiteral("abc"), QStringLiteral("1,234"), QStringLiteral("99999999999999999999"),
};

QString numberText(fuzz::Input &in)
{
    switch (in.byte() % 3) {
    case 0:
        return kNumbers[in.byte() % std::size(kNumbers)];
    case 1:
        return QString::number(in.int64());
    default:
        return in.text(40);
    }
}

struct Caption
{
    QString text;
    bool sane = false; // a value a printer or a registration can hold
};

// A resolution or offset caption: a realistic integer, any integer, or any text.
Caption caption(fuzz::Input &in, bool resolution)
{
    switch (in.byte() % 4) {
    case 0:
    case 1: {
        const qint64 v = resolution ? in.range(1, 4800) : in.range(-20000, 20000);
        return {QString::number(v), true};
    }
    case 2:
        return {QString::number(in.range(INT32_MIN, INT32_MAX)), false};
    default:
        return {in.text(24), false};
    }
}

bool isIntegerCaption(const QString &text)
{
    try {
        (void)printing::captionToInt(text);
        return true;
    } catch (const printing::ConversionError &) {
        return false;
    }
}

void checkOps(const printing::RecordingCanvas &rec, const printing::PrintNote &note, bool sane,
              const char *layout)
{
    if (!sane)
        return;
    const double sx = note.dpiX.toDouble() / 160.0;
    const double sy = note.dpiY.toDouble() / 160.0;
    const int left = note.left.isEmpty() ? 0 : note.left.toInt();
    const int top = note.top.isEmpty() ? 0 : note.top.toInt();
    // The note's area, generously: the landscape layout's rules end at 1250
    // units, the portrait layouts' bottom rule stands at 1200 (one pixel of
    // rounding either way). A wrapped or saturated position lands far outside.
    // Layout 2 places its currency sign six units left of the amount
    // column measured with the vertical factor; with unequal resolutions
    // that may reach a little left of the note.
    const double x0 = left - 6 * sy - 1, x1 = left + 1400 * sx + 1;
    const double y0 = top - 1, y1 = top + 1400 * sy + 1;
    auto inside = [&](QPoint p) { return p.x() >= x0 && p.x() <= x1 && p.y() >= y0 && p.y() <= y1; };
    for (const printing::CanvasOp &op : rec.ops()) {
        if (op.kind == printing::CanvasOp::PageFeed)
            continue;
        const QString what = QStringLiteral("%1 at %2,%3 dpi %4x%5 offsets %6,%7: %8")
                                 .arg(QString::fromLatin1(layout))
                                 .arg(op.at.x())
                                 .arg(op.at.y())
                                 .arg(note.dpiX, note.dpiY, note.left, note.top, op.text.left(40));
        FUZZ_CHECK(inside(op.at), what);
        if (op.kind == printing::CanvasOp::Line)
            FUZZ_CHECK(inside(op.to), what);
        for (int a : op.advances)
            FUZZ_CHECK(a >= 0 && a <= 1400 * sx + 1, what);
    }
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
    fuzz::Input in(data, size);
    printing::PrintNote note;
    const Caption dx = caption(in, true);
    const Caption dy = in.flag() ? dx : caption(in, true);
    const Caption top = caption(in, false);
    const Caption left = caption(in, false);
    note.dpiX = dx.text;
    note.dpiY = dy.text;
    note.top = top.text;
    note.left = left.text;
    const bool sane = dx.sane && dy.sane && top.sane && left.sane;

    note.printSlipNo = in.flag();
    note.printDate = in.flag();
    note.receipt = in.flag();
    note.newPage = in.flag();
    note.issueDate = in.flag() ? QDate(2026, 12, 9) : QDate::fromJulianDay(in.range(-10000000, 10000000));
    note.customerName = in.text(80);
    note.title = in.text(40);
    for (QString &line : note.shopLines)
        line = in.text(60);
    note.slipNo = numberText(in);
    for (printing::PrintRow &row : note.rows) {
        row.itemNo = in.text(60);
        row.item = in.text(60);
        row.unit = in.text(10);
        row.qty = numberText(in);
        row.price = numberText(in);
        row.sales = numberText(in);
    }
    note.subtotal = numberText(in);
    note.tax = numberText(in);
    note.total = numberText(in);
    note.taxCaption = in.text(20);
    for (QString &remark : note.remarks)
        remark = in.text(80);

    const bool convertible = isIntegerCaption(note.dpiX) && isIntegerCaption(note.dpiY) &&
                             (note.top.isEmpty() || isIntegerCaption(note.top)) &&
                             (note.left.isEmpty() || isIntegerCaption(note.left));
    const printing::FixedNoteSource source(note);
    auto draw = [&](const char *name, auto &&layoutCall) {
        printing::RecordingCanvas rec;
        bool refused = false;
        try {
            layoutCall(rec);
        } catch (const printing::ConversionError &) {
            refused = true;
        }
        FUZZ_CHECK(refused == !convertible,
                   QStringLiteral("%1: refused %2 for captions %3 %4 %5 %6")
                       .arg(QString::fromLatin1(name))
                       .arg(refused)
                       .arg(note.dpiX, note.dpiY, note.top, note.left));
        if (refused) {
            FUZZ_CHECK(rec.ops().isEmpty(), QString::fromLatin1(name) + ": drew before refusing");
            return;
        }
        checkOps(rec, note, sane, name);
        FUZZ_CHECK(rec.pageFeeds() == (note.newPage ? 1 : 0), QString::fromLatin1(name));
    };
    draw("A51", [&](printing::RecordingCanvas &rec) { TVo_A51_Dot().SLIP_A51_Prn(source, rec); });
    draw("A52", [&](printing::RecordingCanvas &rec) { TVo_A52_Dot().SLIP_A52_Prn(source, rec); });
    draw("A53", [&](printing::RecordingCanvas &rec) { TVo_A53_Dot().SLIP_A53_Prn(source, rec); });
    return 0;
}
