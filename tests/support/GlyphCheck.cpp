#include "GlyphCheck.h"

#include "printing/PainterCanvas.h"
#include "printing/PrintCommand.h"
#include "printing/TextFit.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBoundaryFinder>
#include <algorithm>

using namespace printing;

namespace glyphcheck {

namespace {

QList<QPair<qsizetype, qsizetype>> graphemes(const QString &text)
{
    QList<QPair<qsizetype, qsizetype>> out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype p = finder.toNextBoundary(); p > 0; p = finder.toNextBoundary()) {
        out.append({start, p - start});
        start = p;
    }
    return out;
}

QString describe(const GlyphBox &g, const RecordingCanvas &page)
{
    const CanvasOp &op = page.ops()[g.op];
    return QStringLiteral("'%1' of \"%2\" at %3,%4")
        .arg(g.glyph, op.text.left(24))
        .arg(g.ink.left(), 0, 'f', 1)
        .arg(g.ink.top(), 0, 'f', 1);
}

} // namespace

RecordingCanvas drawMeasured(const PrintNote &note, int paper)
{
    RecordingCanvas page;
    page.setMeasure(fontMetricsMeasure(note.dpiY.toInt()));
    NoteLayouts().drawCopy(paper, FixedNoteSource(note), page);
    return page;
}

std::vector<GlyphBox> glyphBoxes(const RecordingCanvas &page, int dpiY)
{
    std::vector<GlyphBox> out;
    const QList<CanvasOp> &ops = page.ops();
    for (qsizetype k = 0; k < ops.size(); ++k) {
        const CanvasOp &op = ops[k];
        if (op.kind != CanvasOp::Text && op.kind != CanvasOp::SpacedText)
            continue;
        const QFontMetricsF m(canvasQFont(op.font, dpiY));
        const qreal scale = op.font.stretch / 100.0;
        const qreal baseline = op.at.y() + m.ascent();
        for (const auto &[start, length] : graphemes(op.text)) {
            const QString glyph = op.text.mid(start, length);
            qreal x = op.at.x();
            if (op.kind == CanvasOp::Text) {
                x += m.horizontalAdvance(op.text.left(start)) * scale;
            } else {
                for (qsizetype i = 0; i < start && static_cast<size_t>(i) < op.advances.size(); ++i)
                    x += op.advances[i];
            }
            const QRectF ink = canvasGlyphInk(op.font, dpiY, glyph);
            if (ink.isEmpty())
                continue;
            out.push_back({QRectF(x + ink.left() * scale, baseline + ink.top(), ink.width() * scale,
                                  ink.height()),
                           glyph, k, isCjkGlyph(glyph)});
        }
    }
    return out;
}

std::vector<std::pair<QRectF, qsizetype>> backgrounds(const RecordingCanvas &page, int dpiY)
{
    std::vector<std::pair<QRectF, qsizetype>> out;
    const QList<CanvasOp> &ops = page.ops();
    for (qsizetype k = 0; k < ops.size(); ++k) {
        const CanvasOp &op = ops[k];
        if (op.text.isEmpty())
            continue;
        if (op.kind == CanvasOp::SpacedText && (op.options & TextOpaque)) {
            int width = 0;
            for (qsizetype i = 0; i < op.text.size(); ++i)
                width += static_cast<size_t>(i) < op.advances.size() ? op.advances[i] : 0;
            // The PainterCanvas fills with the integer line height.
            out.push_back({QRectF(op.at.x(), op.at.y(), width,
                                  QFontMetrics(canvasQFont(op.font, dpiY)).height()),
                           k});
        }
    }
    return out;
}

QStringList legibilityFaults(const RecordingCanvas &page, int dpiY)
{
    QStringList faults;
    std::vector<GlyphBox> glyphs = glyphBoxes(page, dpiY);
    std::sort(glyphs.begin(), glyphs.end(),
              [](const GlyphBox &a, const GlyphBox &b) { return a.ink.left() < b.ink.left(); });
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const GlyphBox &a = glyphs[i];
        for (size_t j = i + 1; j < glyphs.size() && glyphs[j].ink.left() < a.ink.right(); ++j) {
            const GlyphBox &b = glyphs[j];
            const QRectF both = a.ink & b.ink;
            if (both.isEmpty())
                continue;
            const qreal lower = std::min(a.ink.height(), b.ink.height());
            if (both.height() > 0.5 * lower && inkCollides(a.ink, a.cjk, b.ink, b.cjk))
                faults << QStringLiteral("overlap %1 px: %2 and %3")
                              .arg(both.width(), 0, 'f', 1)
                              .arg(describe(a, page), describe(b, page));
        }
    }
    const auto fills = backgrounds(page, dpiY);
    for (const GlyphBox &g : glyphs) {
        const qreal area = g.ink.width() * g.ink.height();
        for (const auto &[fill, op] : fills) {
            if (op <= g.op)
                continue;
            const QRectF covered = g.ink & fill;
            if (!covered.isEmpty() && covered.width() * covered.height() > 0.1 * area)
                faults << QStringLiteral("painted out by \"%1\": %2")
                              .arg(page.ops()[op].text.left(24), describe(g, page));
        }
    }
    return faults;
}

QStringList legibilityFaults(const PrintNote &note, int paper)
{
    return legibilityFaults(drawMeasured(note, paper), note.dpiY.toInt());
}

void writeNotePdf(const QString &path, const printing::PrintNote &note, int paper)
{
    QPdfWriter pdf(path);
    pdf.setResolution(600);
    pdf.setPageSize(QPageSize(QPageSize::A5));
    pdf.setPageOrientation(paper == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&pdf);
    printing::PainterCanvas canvas(&painter, 600);
    struct Surface : printing::PrintSurface
    {
        printing::Canvas &c;
        explicit Surface(printing::Canvas &canvas) : c(canvas) {}
        printing::Canvas &canvas() override { return c; }
        void newPage() override {}
    } surface(canvas);
    printing::NoteLayouts().drawCopy(paper, printing::FixedNoteSource(note), surface);
}

} // namespace glyphcheck
