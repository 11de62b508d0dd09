#pragma once

// Legibility check of a printed page: which glyphs a page draws over one
// another and which a later text background paints out. The page is a
// recording canvas that measured every fit with the fonts a PainterCanvas
// draws with; the glyph boxes are those fonts' ink boxes, placed as the
// PainterCanvas places them (own advances for plain text, the given
// advances for spaced text, both condensed by the font's stretch).

#include "note/PrintNote.h"
#include "printing/RecordingCanvas.h"

#include <QRectF>
#include <QStringList>
#include <vector>

namespace glyphcheck {

struct GlyphBox
{
    QRectF ink;       // device pixels
    QString glyph;    // one character (grapheme cluster)
    qsizetype op = 0; // index of the drawing step among the page's ops
    bool cjk = false; // Chinese, Japanese, full-width characters
};

// Draws one copy of `note` with the layout of paper choice `paper` (0, 1, 2
// as the paper list) on a recording canvas that measures with real fonts at
// the note's vertical resolution.
printing::RecordingCanvas drawMeasured(const printing::PrintNote &note, int paper);

// Every glyph with ink on the page.
std::vector<GlyphBox> glyphBoxes(const printing::RecordingCanvas &page, int dpiY);

// The text backgrounds the PainterCanvas paints (spaced text with
// TextOpaque: the fixed-pitch cells), with the op that paints each.
std::vector<std::pair<QRectF, qsizetype>> backgrounds(const printing::RecordingCanvas &page,
                                                      int dpiY);

// What makes the page hard to read, one line each: two glyphs that share
// most of their height and overlap by more than a tenth of the narrower
// one's width (CJK glyphs) or a quarter (others); a glyph of which a later
// background covers more than a tenth. Empty for a legible page.
QStringList legibilityFaults(const printing::RecordingCanvas &page, int dpiY);

// Draws the note with the layout and checks it.
QStringList legibilityFaults(const printing::PrintNote &note, int paper);

// Writes the note in layout `paper` as a one-page A5 PDF at 600 dpi, turned
// as the layout is, for a look with pdftoppm.
void writeNotePdf(const QString &path, const printing::PrintNote &note, int paper);

} // namespace glyphcheck
