#include "numedit/NumValueModel.h"

#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

// Lets failures print QString values as text.
void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

NumFormat fmt(std::function<void(NumFormat &)> tweak = {})
{
    NumFormat f;
    if (tweak)
        tweak(f);
    return f;
}

struct TextRow
{
    const char *name;
    QString input;
    QString expected;
    NumFormat format = NumFormat();
};

} // namespace

TEST(FormatText, ExamplesWithCommaAndThreeDecimals)
{
    struct Row
    {
        QString value, plain, fixed, percent;
    };
    const std::vector<Row> rows = {
        {"", "", "0.000", ""},
        {"-", "-", "-0.000", "-%"},
        {"0", "0", "0.000", "0%"},
        {"0.", "0.", "0.000", "0.%"},
        {"12.5", "12.5", "12.500", "12.5%"},
        {"1234", "1,234", "1,234.000", "1,234%"},
        {"-1234567.5", "-1,234,567.5", "-1,234,567.500", "-1,234,567.5%"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.value.toStdString());
        EXPECT_EQ(FormatText(row.value, fmt()), row.plain);
        EXPECT_EQ(FormatText(row.value, fmt([](NumFormat &f) { f.DecimalFixed = true; })),
                  row.fixed);
        EXPECT_EQ(FormatText(row.value, fmt([](NumFormat &f) { f.RightMark = "%"; })), row.percent);
    }
}

TEST(FormatText, OtherShapes)
{
    const std::vector<TextRow> rows = {
        {"fixed with no decimals keeps the point", "12", "12.", fmt([](NumFormat &f) {
             f.DecimalFixed = true;
             f.DecimalLength = 0;
         })},
        {"fixed cuts a longer fraction", "1.23456", "1.234",
         fmt([](NumFormat &f) { f.DecimalFixed = true; })},
        {"both marks around a negative", "-5", "¥-5円", fmt([](NumFormat &f) {
             f.LeftMark = "¥";
             f.RightMark = "円";
         })},
        {"empty value shows no marks", "", "", fmt([](NumFormat &f) {
             f.LeftMark = "¥";
             f.RightMark = "円";
         })},
        {"empty fixed value shows marks", "", "¥0.000", fmt([](NumFormat &f) {
             f.LeftMark = "¥";
             f.DecimalFixed = true;
         })},
        {"no separators without Comma", "1234567", "1234567",
         fmt([](NumFormat &f) { f.Comma = false; })},
        {"three digits get no separator", "123", "123"},
        {"fifteen integer digits group fully", "123456789012345", "123,456,789,012,345"},
        {"separators in a fraction never", "1.23456", "1.23456"},
    };
    for (const TextRow &row : rows)
        EXPECT_EQ(FormatText(row.input, row.format), row.expected) << row.name;
}

TEST(FilterText, Examples)
{
    const NumFormat noMinus = fmt([](NumFormat &f) { f.Minus = false; });
    const NumFormat whole = fmt([](NumFormat &f) { f.DecimalLength = 0; });
    const NumFormat amount = fmt([](NumFormat &f) { f.IntegerLength = 15; });
    const NumFormat noInteger = fmt([](NumFormat &f) { f.IntegerLength = 0; });
    const std::vector<TextRow> rows = {
        {"separators skipped", "1,234", "1234"},
        {"letter stops the scan", "12a3", "12"},
        {"leading space gives empty", " 12", ""},
        {"plus sign gives empty", "+5", ""},
        {"minus inside stops", "1-2", "1"},
        {"second minus stops", "--1", "-"},
        {"second point stops", "1.2.3", "1.2"},
        {"fraction cut to DecimalLength", "12.34567", "12.345"},
        {"whole number cut to IntegerLength", "1234567890", "123456789"},
        {"sign not counted as digit", "-1234567890", "-123456789"},
        {"too long integer part with point empties", "1234567890.5", ""},
        {"leading zeros stay", "007", "007"},
        {"full-width digits", "１２３", "123"},
        {"full-width minus, point and comma", "－１，２３４．５", "-1234.5"},
        {"point refused with DecimalLength 0", "12.5", "12", whole},
        {"minus refused with Minus off", "-12", "", noMinus},
        {"yen sign gives empty", "¥100", ""},
        {"character above Latin-1 stops", "12円", "12"},
        {"fifteen-digit amount kept", "123456789012345", "123456789012345", amount},
        {"sixteenth digit of an amount cut", "1234567890123456", "123456789012345", amount},
        {"IntegerLength 0 keeps the sign only", "-5", "-", noInteger},
        {"IntegerLength 0 keeps a pure fraction", ".5", ".5", noInteger},
        {"empty stays empty", "", ""},
    };
    for (const TextRow &row : rows)
        EXPECT_EQ(FilterText(row.input, row.format), row.expected) << row.name;
}

TEST(TrimZeros, Examples)
{
    const std::vector<TextRow> rows = {
        {"leading zeros go", "007", "7"},
        {"all zeros leave one", "00", "0"},
        {"zeros before a point leave one", "000.5", "0.5"},
        {"lone point gets a zero", ".", "0."},
        {"minus and point", "-.", "-0."},
        {"negative", "-007", "-7"},
        {"zero unchanged", "0", "0"},
        {"negative zero unchanged", "-0", "-0"},
        {"lone minus unchanged", "-", "-"},
        {"empty unchanged", "", ""},
        {"inner zeros stay", "10", "10"},
        {"fraction zeros stay", "100.00", "100.00"},
        {"zeros after the point are not examined", "0.00", "0.00"},
    };
    for (const TextRow &row : rows)
        EXPECT_EQ(TrimZeros(row.input), row.expected) << row.name;
}

TEST(MapImeChar, FullWidthDigitsSignAndPointOnly)
{
    EXPECT_EQ(MapImeChar(QChar(0xFF10)), QLatin1Char('0'));
    EXPECT_EQ(MapImeChar(QChar(0xFF19)), QLatin1Char('9'));
    EXPECT_EQ(MapImeChar(QChar(0xFF0D)), QLatin1Char('-'));
    EXPECT_EQ(MapImeChar(QChar(0xFF0E)), QLatin1Char('.'));
    EXPECT_EQ(MapImeChar(QChar(0xFF0C)), QChar(0xFF0C)); // full-width comma passes
    EXPECT_EQ(MapImeChar(QChar(0x3042)), QChar(0x3042));
}

TEST(CaretTexts, PiecesBeforeTheCaret)
{
    struct Row
    {
        const char *name;
        QString value;
        NumFormat format;
        QString lead, fraction;
    };
    const NumFormat marks = fmt([](NumFormat &f) {
        f.LeftMark = "$";
        f.RightMark = "%";
    });
    const NumFormat fixed = fmt([](NumFormat &f) {
        f.DecimalFixed = true;
        f.LeftMark = "$";
        f.RightMark = "%";
    });
    const std::vector<Row> rows = {
        {"plain: display without right mark", "1234.5", marks, "$1,234.5", ""},
        {"plain empty", "", marks, "", ""},
        {"fixed: typed fraction after integer", "12.5", fixed, "$12", ".5"},
        {"fixed: empty shows after mark and 0", "", fixed, "$0", ""},
        {"fixed: lone sign", "-", fixed, "$-0", ""},
        {"fixed: no point yet", "1234", fixed, "$1,234", ""},
        {"fixed: bare point", "0.", fixed, "$0", "."},
    };
    for (const Row &row : rows) {
        const CaretPieces pieces = CaretTexts(row.value, row.format);
        EXPECT_EQ(pieces.lead, row.lead) << row.name;
        EXPECT_EQ(pieces.fraction, row.fraction) << row.name;
    }
}

namespace {

// A model whose display texts are ten pixels per character and which counts
// its change events and beeps.
struct Harness
{
    NumValueModel model;
    int changes = 0;
    int beeps = 0;
    int available = 1000;

    Harness()
    {
        model.setChangeHandler([this] { ++changes; });
        model.setBeepHandler([this] { ++beeps; });
        model.setWidthTest([](const QString &t) { return int(t.size()) * 10; },
                           [this] { return available; });
    }

    void type(const QString &keys)
    {
        for (QChar c : keys)
            model.InputChar(c, false);
    }
};

} // namespace

TEST(NumValueModel, TypingTable)
{
    struct Row
    {
        const char *name;
        std::function<void(Harness &)> setup;
        QString keys;
        QString text;
        QString valText;
        int beeps;
    };
    const auto none = [](Harness &) {};
    const std::vector<Row> rows = {
        {"minus, point and five", none, "-.5", "-0.5", "-0.5", 0},
        {"zeros are trimmed while typing", none, "005", "5", "5", 0},
        {"second zero stays one zero", none, "00", "0", "0", 0},
        {"sign after the digits", none, "12-", "-12", "-12", 0},
        {"sign toggles back", none, "12--", "12", "12", 0},
        {"negative takes IntegerLength digits", none, "-123456789", "-123456789", "-123,456,789",
         0},
        {"integer limit refuses", none, "1234567890", "123456789", "123,456,789", 1},
        {"limit counts the untrimmed zero", [](Harness &h) { h.model.setIntegerLength(1); }, "05",
         "0", "0", 1},
        {"fraction limit refuses", none, "1.2345", "1.234", "1.234", 1},
        {"second point refused", none, "1.2.", "1.2", "1.2", 1},
        {"point refused without decimals", [](Harness &h) { h.model.setDecimalLength(0); }, "1.",
         "1", "1", 1},
        {"minus refused with Minus off", [](Harness &h) { h.model.setMinus(false); }, "1-", "1",
         "1", 1},
        {"IntegerLength 0 takes digits after the point only",
         [](Harness &h) { h.model.setIntegerLength(0); }, "5.5", "0.5", "0.5", 1},
        {"other characters beep", none, "1a +", "1", "1", 3},
        {"full-width comma typed beeps", none, QString("1") + QChar(0xFF0C), "1", "1", 1},
        {"null character beeps", none, QString(QChar(0)), "", "", 1},
        {"Enter beeps without EnterFocusMove", none, "\r", "", "", 1},
        {"control characters of the shortcuts are silent", none, QString("\x01\x03\x08\x16\x18"),
         "", "", 0},
        {"fifteen-digit amount", [](Harness &h) { h.model.setIntegerLength(15); },
         "1234567890123456", "123456789012345", "123,456,789,012,345", 1},
        {"narrow field refuses before the digit limit", [](Harness &h) { h.available = 40; },
         "12345", "123", "123", 2},
        {"narrow field measures the marks",
         [](Harness &h) {
             h.available = 40;
             h.model.setRightMark("%");
         },
         "1234", "123", "123%", 1},
        {"point refused when 0. would not fit", [](Harness &h) { h.available = 10; }, ".", "", "",
         1},
        {"sign refused when it would not fit", [](Harness &h) { h.available = 30; }, "123-", "123",
         "123", 1},
        {"removing the sign needs no width",
         [](Harness &h) {
             h.model.setText("-123");
             h.available = 30;
         },
         "-", "123", "123", 0},
        {"no beep with ErrorBeep off", [](Harness &h) { h.model.setErrorBeep(false); }, "1a..",
         "1.", "1.", 0},
        {"read-only swallows silently",
         [](Harness &h) {
             h.model.setText("5");
             h.model.setReadOnly(true);
         },
         "1-.a\r", "5", "5", 0},
        {"typing replaces a selection",
         [](Harness &h) {
             h.model.setText("99");
             h.model.SelectAll();
         },
         "7", "7", "7", 0},
        {"refused digit over a selection leaves the field empty",
         [](Harness &h) {
             h.model.setText("9");
             h.model.SelectAll();
             h.available = 5;
         },
         "7", "", "", 1},
    };
    for (const Row &row : rows) {
        Harness h;
        row.setup(h);
        h.type(row.keys);
        EXPECT_EQ(h.model.Text(), row.text) << row.name;
        EXPECT_EQ(h.model.ValText(), row.valText) << row.name;
        EXPECT_EQ(h.beeps, row.beeps) << row.name;
    }
}

TEST(NumValueModel, EnterWithFocusMoveAsksToMove)
{
    Harness h;
    EXPECT_EQ(h.model.InputChar(QLatin1Char('\r'), true), NumValueModel::CharResult::MoveFocusNext);
    EXPECT_EQ(h.beeps, 0);
    h.model.setReadOnly(true);
    EXPECT_EQ(h.model.InputChar(QLatin1Char('\r'), true), NumValueModel::CharResult::Swallowed);
}

TEST(NumValueModel, ChangeAndModifiedTable)
{
    struct Row
    {
        const char *name;
        QString start;
        bool selected;
        bool modifiedBefore;
        std::function<void(NumValueModel &)> op;
        int changes;
        bool modifiedAfter;
    };
    const std::vector<Row> rows = {
        {"digit accepted", "1", false, false, [](NumValueModel &m) { m.InputDigit('2'); }, 1, true},
        {"point accepted", "1", false, false, [](NumValueModel &m) { m.InputPoint(); }, 1, true},
        {"sign accepted", "1", false, false, [](NumValueModel &m) { m.InputMinus(); }, 1, true},
        {"digit refused", "123456789", false, false, [](NumValueModel &m) { m.InputDigit('1'); }, 0,
         false},
        {"refusal keeps Modified", "123456789", false, true,
         [](NumValueModel &m) { m.InputDigit('1'); }, 0, true},
        {"delete without selection", "12", false, false,
         [](NumValueModel &m) { m.DeleteLastChar(); }, 1, true},
        {"delete with selection clears", "12", true, true,
         [](NumValueModel &m) { m.DeleteLastChar(); }, 0, false},
        {"delete on empty does nothing", "", false, true,
         [](NumValueModel &m) { m.DeleteLastChar(); }, 0, true},
        {"clear", "12", false, true, [](NumValueModel &m) { m.Clear(); }, 0, false},
        {"cut", "12", true, true, [](NumValueModel &m) { m.CutClear(); }, 1, false},
        {"paste keeps Modified off", "12", false, false, [](NumValueModel &m) { m.Paste("3"); }, 1,
         false},
        {"paste keeps Modified on", "12", false, true, [](NumValueModel &m) { m.Paste("3"); }, 1,
         true},
        {"paste of nothing usable still changes", "12", false, false,
         [](NumValueModel &m) { m.Paste(" 3"); }, 1, false},
        {"undo", "12", false, false,
         [](NumValueModel &m) {
             m.SaveUndo();
             m.Undo();
         },
         1, false},
        {"undo without a saved state", "12", false, true, [](NumValueModel &m) { m.Undo(); }, 0,
         true},
        {"set text", "12", false, true, [](NumValueModel &m) { m.setText("34"); }, 0, true},
        {"property setter", "12345", false, true, [](NumValueModel &m) { m.setIntegerLength(3); },
         0, true},
        {"leaving with a lone minus", "-", false, true, [](NumValueModel &m) { m.Leave(); }, 0,
         true},
    };
    for (const Row &row : rows) {
        Harness h;
        h.model.setText(row.start);
        if (row.selected)
            h.model.SelectAll();
        h.model.setModified(row.modifiedBefore);
        row.op(h.model);
        EXPECT_EQ(h.changes, row.changes) << row.name;
        EXPECT_EQ(h.model.Modified(), row.modifiedAfter) << row.name;
    }
}

TEST(NumValueModel, UndoTwiceAfterTypingOverASelection)
{
    Harness h;
    h.model.setText("5");
    h.model.SelectAll();
    h.type("7");
    EXPECT_EQ(h.model.Text(), "7");
    // The clearing and the commit each saved a state: undo gives the empty value...
    h.model.Undo();
    EXPECT_EQ(h.model.Text(), "");
    EXPECT_TRUE(h.model.CanUndo());
    // ...and a second undo brings the 7 back, selected.
    h.model.Undo();
    EXPECT_EQ(h.model.Text(), "7");
    EXPECT_EQ(h.model.SelLength(), 1);
    EXPECT_EQ(h.changes, 3);
}

// SwapUndo on its own (not through Undo) used to leave the old display
// behind: Text "9" shown as "1,234.5".
TEST(NumValueModel, SwapUndoKeepsTheDisplayInStep)
{
    Harness h;
    h.model.setText("1234.5");
    h.model.SaveUndo();
    h.model.setText("9");
    h.model.SwapUndo();
    EXPECT_EQ(h.model.Text(), "1234.5");
    EXPECT_EQ(h.model.ValText(), "1,234.5");
    h.model.SwapUndo();
    EXPECT_EQ(h.model.Text(), "9");
    EXPECT_EQ(h.model.ValText(), "9");
    EXPECT_EQ(h.changes, 0);
}

TEST(NumValueModel, SetTextLeavesTheUndoBufferAlone)
{
    Harness h;
    EXPECT_FALSE(h.model.CanUndo());
    h.type("12");
    h.model.setText("99");
    EXPECT_EQ(h.model.UndoBuffer(), "1");
    h.model.Undo();
    EXPECT_EQ(h.model.Text(), "1");
    EXPECT_EQ(h.model.UndoBuffer(), "99");
    h.model.ClearUndo();
    EXPECT_FALSE(h.model.CanUndo());
    EXPECT_EQ(h.model.UndoBuffer(), "");
}

TEST(NumValueModel, ProgramTextIsNeverRefusedForWidth)
{
    Harness h;
    h.available = 20;
    h.model.setIntegerLength(15);
    h.model.setText("123456789012345");
    EXPECT_EQ(h.model.Text(), "123456789012345");
    EXPECT_EQ(h.model.ValText(), "123,456,789,012,345");
    h.model.setText("");
    h.model.Paste("98765");
    EXPECT_EQ(h.model.Text(), "98765");
    EXPECT_EQ(h.beeps, 0);
}

TEST(NumValueModel, SetTextFiltersAndTrims)
{
    const std::vector<TextRow> rows = {
        {"separators removed", "1,234", "1234"}, {"leading space empties", " 12", ""},
        {"currency sign empties", "¥12", ""},    {"plus sign empties", "+12", ""},
        {"leading zeros trimmed", "0012", "12"}, {"designer default zero", "0", "0"},
    };
    for (const TextRow &row : rows) {
        Harness h;
        h.model.setText(row.input);
        EXPECT_EQ(h.model.Text(), row.expected) << row.name;
    }
}

TEST(NumValueModel, PasteAppendsOrReplaces)
{
    struct Row
    {
        const char *name;
        QString start;
        bool selected;
        QString clip;
        QString expected;
    };
    const std::vector<Row> rows = {
        {"appended to an unselected value", "12", false, "34", "1234"},
        {"replaces a selected value", "12", true, "34", "34"},
        {"completes a fraction", "0.", false, "5", "0.5"},
        {"mark adds nothing to unselected", "12", false, "$34", "12"},
        {"mark empties a selected value", "12", true, "$34", ""},
        {"pasted zeros trimmed", "", false, "0012", "12"},
        {"pasted separators removed", "1", false, ",234", "1234"},
    };
    for (const Row &row : rows) {
        Harness h;
        h.model.setText(row.start);
        if (row.selected)
            h.model.SelectAll();
        h.model.Paste(row.clip);
        EXPECT_EQ(h.model.Text(), row.expected) << row.name;
        EXPECT_EQ(h.model.SelLength(), 0) << row.name;
        EXPECT_EQ(h.model.UndoBuffer(), row.start) << row.name;
    }
}

TEST(NumValueModel, PropertySettersRefilter)
{
    struct Row
    {
        const char *name;
        QString start;
        std::function<void(NumValueModel &)> change;
        QString text;
        QString valText;
    };
    const std::vector<Row> rows = {
        {"lower IntegerLength cuts a whole number", "12345",
         [](NumValueModel &m) { m.setIntegerLength(3); }, "123", "123"},
        {"lower IntegerLength empties a number with a point", "12345.6",
         [](NumValueModel &m) { m.setIntegerLength(3); }, "", ""},
        {"Minus off empties a negative", "-12", [](NumValueModel &m) { m.setMinus(false); }, "",
         ""},
        {"DecimalLength 0 drops the fraction", "12.5",
         [](NumValueModel &m) { m.setDecimalLength(0); }, "12", "12"},
        {"lower DecimalLength cuts the fraction", "1.234",
         [](NumValueModel &m) { m.setDecimalLength(1); }, "1.2", "1.2"},
        {"negative IntegerLength ignored", "12345",
         [](NumValueModel &m) { m.setIntegerLength(-1); }, "12345", "12,345"},
        {"negative DecimalLength ignored", "1.5", [](NumValueModel &m) { m.setDecimalLength(-2); },
         "1.5", "1.5"},
        {"Comma off rebuilds the display", "12345", [](NumValueModel &m) { m.setComma(false); },
         "12345", "12345"},
        {"DecimalFixed pads", "1.5", [](NumValueModel &m) { m.setDecimalFixed(true); }, "1.5",
         "1.500"},
        {"marks rebuild the display", "3",
         [](NumValueModel &m) {
             m.setLeftMark("¥");
             m.setRightMark("%");
         },
         "3", "¥3%"},
        {"no zero trimming on refilter", "-", [](NumValueModel &m) { m.setIntegerLength(5); }, "-",
         "-"},
    };
    for (const Row &row : rows) {
        Harness h;
        h.type(row.start); // typed, so leading zeros and lone signs are possible
        const QString undo = h.model.UndoBuffer();
        const int changes = h.changes;
        row.change(h.model);
        EXPECT_EQ(h.model.Text(), row.text) << row.name;
        EXPECT_EQ(h.model.ValText(), row.valText) << row.name;
        EXPECT_EQ(h.model.UndoBuffer(), undo) << row.name;
        EXPECT_EQ(h.changes, changes) << row.name;
    }
}

TEST(NumValueModel, DeleteLastChar)
{
    const std::vector<TextRow> rows = {
        {"point goes with the last fraction digit", "12.5", "12"},
        {"trailing point goes", "0.", "0"},
        {"lone sign remains", "-5", "-"},
        {"last digit", "7", ""},
        {"no zero trimming", "10", "1"},
    };
    for (const TextRow &row : rows) {
        Harness h;
        h.type(row.input);
        h.model.DeleteLastChar();
        EXPECT_EQ(h.model.Text(), row.expected) << row.name;
    }
}

TEST(NumValueModel, LeavingCleansOnlyALoneMinus)
{
    Harness h;
    h.type("-");
    h.model.Leave();
    EXPECT_EQ(h.model.Text(), "");
    h.type("-0");
    h.model.Leave();
    EXPECT_EQ(h.model.Text(), "-0");
}

TEST(NumValueModel, SelectionIsAllOrNothing)
{
    Harness h;
    h.model.SelectAll();
    EXPECT_FALSE(h.model.HasSelection()); // nothing to select
    h.model.setDecimalFixed(true);
    h.model.SelectAll();
    EXPECT_EQ(h.model.SelLength(), 5); // "0.000"
    EXPECT_EQ(h.model.SelStart(), 0);
    h.model.setText("1234");
    EXPECT_EQ(h.model.SelLength(), 9); // "1,234.000": setting Text keeps the selection
    h.model.ClearSelect();
    EXPECT_EQ(h.model.SelLength(), 0);
}

TEST(NumValueModel, ClipboardTextFollowsImageCopy)
{
    Harness h;
    h.model.setText("1234");
    h.model.setRightMark("%");
    EXPECT_FALSE(h.model.ClipboardText().has_value());
    h.model.SelectAll();
    EXPECT_EQ(h.model.ClipboardText().value_or("?"), "1234");
    h.model.setImageCopy(true);
    EXPECT_EQ(h.model.ClipboardText().value_or("?"), "1,234%");
}

TEST(NumValueModel, CaretOffsetAddsThePieces)
{
    Harness h;
    h.model.setDecimalFixed(true);
    h.type("12.5");
    EXPECT_EQ(h.model.ValText(), "12.500");
    EXPECT_EQ(h.model.CaretOffset(), 40); // "12" and ".5"
}
