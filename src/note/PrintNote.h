#pragma once

#include <QDate>
#include <QString>
#include <array>

namespace printing {

// One detail row as its fields show it; numbers are the fields' plain texts.
struct PrintRow
{
    QString itemNo; // "品名 1"
    QString item;   // "品名 2"
    QString unit;
    QString qty;
    QString price;
    QString sales;
    bool reduced = false; // taxed at the reduced rate: printed with "※"
};

// One tax rate's share of the note, as the totals computed it: the rate in
// percent ("10"), the sum of its rows' amounts and its tax (plain number
// texts). inUse: a printed row (quantity not 0) carries this rate.
struct PrintTaxRate
{
    QString percent;
    QString subtotal;
    QString tax;
    bool inUse = false;
};

// Everything a layout prints, read from the main window at the start of each
// copy. Resolution and offsets are the captions of the window's labels and
// are converted (and may fail) when the copy is drawn.
struct PrintNote
{
    QString customerName;
    // Printed after the name: "様" for a person, "御中" for a company or
    // department. Empty reads as "様"; in the JSON only when it is another.
    QString honorific;
    QString title;
    std::array<QString, 5> shopLines;
    QString slipNo;
    QDate issueDate;
    // The check boxes "伝票番号" and "日付": unchecked, the number or the date
    // is left out of the printout (its caption stays, for writing by hand).
    bool printSlipNo = true;
    bool printDate = true;
    std::array<PrintRow, 10> rows;
    QString subtotal; // before tax
    QString tax;
    QString total; // including tax
    QString taxCaption;
    // The qualified invoice. registrationNo is "T" + 13 digits, or empty when
    // the shop is not registered (or its number is not valid): then nothing
    // is printed for it. The two rates are always filled; the per-rate lines
    // and the legend print only when a printed row is reduced.
    QString registrationNo;
    PrintTaxRate standardRate; // unmarked rows, the rate chosen by date
    PrintTaxRate reducedRate;  // marked rows
    // A tax-inclusive note (内税): amounts include tax, subtotal and total are
    // the tax-inclusive sum and tax is the tax contained in it; the totals
    // read "お買上額（税込）" and "うち消費税" and each rate in use prints its
    // line "10%対象 ¥5,500（うち消費税 ¥500）". In the JSON only when set.
    bool taxIncluded = false;
    bool receipt = false;
    std::array<QString, 9> remarks;
    bool newPage = false;
    QString dpiX; // effective resolution written by the print command
    QString dpiY;
    QString top; // registered offsets in printer pixels; empty counts as 0
    QString left;
};

// The honorific printed when a note names none.
inline QString defaultHonorific()
{
    return QStringLiteral("様");
}

// The supplier of the note (the main window in the program, a fixed note in tests).
class PrintNoteSource
{
public:
    virtual ~PrintNoteSource() = default;
    virtual PrintNote printNote() const = 0;
};

// A source that hands out a fixed note.
class FixedNoteSource : public PrintNoteSource
{
public:
    explicit FixedNoteSource(PrintNote note) : m_note(std::move(note)) {}
    PrintNote printNote() const override { return m_note; }
    PrintNote &note() { return m_note; }

private:
    PrintNote m_note;
};

} // namespace printing
