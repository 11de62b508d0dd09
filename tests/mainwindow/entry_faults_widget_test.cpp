// Entry faults of the main window: silent refusals in the numeric fields,
// room for nine digits and the sign, a price kept while the quantity is
// corrected, the row cursor after real modal boxes, the focus after F11 on
// the second tab, function keys in the paste memo, the address warning's
// room, the print command's range check, and what the one-line fields let
// in (cut to the limit, no control characters).
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Beep.h"
#include "platform/Dialogs.h"
#include "platform/ProfileFile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

const QColor kSkyBlue(0xA6, 0xCA, 0xF0);

class EntryFaultsTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        Dialogs::setTestMode(true);
        start();
    }

    void TearDown() override
    {
        w.reset();
        Dialogs::resetForTest();
    }

    void start()
    {
        w = std::make_unique<TForm_Main>(dir.path());
        w->show();
        QApplication::setActiveWindow(w.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }

    void focus(QWidget *target)
    {
        target->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }

    void press(int key) { QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key)); }

    void type(QWidget *field, const QString &text)
    {
        focus(field);
        QTest::keyClicks(QApplication::focusWidget(), text);
    }

    QTemporaryDir dir;
    std::unique_ptr<TForm_Main> w;
};

QColor colourOf(QWidget *w)
{
    if (auto *n = qobject_cast<TKiNumEdit *>(w))
        return n->Color();
    return w->palette().color(QPalette::Base);
}

// ---- numeric fields ----------------------------------------------------------

TEST_F(EntryFaultsTest, RefusedKeysAreSilentInTheWindowsNumericFields)
{
    const struct
    {
        const char *name;
        TKiNumEdit *TForm_Main::*single;
        std::array<TKiNumEdit *, TForm_Main::kRows + 1> TForm_Main::*row;
        int beeps;
    } rows[] = {
        {"quantity", nullptr, &TForm_Main::KiNumEdit_QTY, 0},
        {"unit price", nullptr, &TForm_Main::KiNumEdit_Price, 0},
        {"slip number", &TForm_Main::KiNumEdit_Slipno, nullptr, 0},
        // Not bound to the window's key-press handler: it keeps its beep.
        {"copies field", &TForm_Main::KiNumEdit_BUSUU, nullptr, 3},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        TKiNumEdit *field = row.single ? (*w).*row.single : ((*w).*row.row)[2];
        if (field == w->KiNumEdit_BUSUU)
            w->PageControl1->setCurrentIndex(1);
        else
            w->PageControl1->setCurrentIndex(0);
        QApplication::processEvents();
        focus(field);
        const QString before = field->Text();
        BeepCounter beeps;
        QTest::keyClicks(field, QStringLiteral("a.,"));
        EXPECT_EQ(beeps.count(), row.beeps);
        EXPECT_EQ(field->Text(), before);
    }
}

TEST_F(EntryFaultsTest, QuantityAndPriceCellsTakeNineDigitsAndTheSign)
{
    const struct
    {
        const char *name;
        std::array<TKiNumEdit *, TForm_Main::kRows + 1> TForm_Main::*column;
        const char *typed;
        const char *text;
    } rows[] = {
        {"quantity, nine digits", &TForm_Main::KiNumEdit_QTY, "999999999", "999999999"},
        {"quantity, minus and nine digits", &TForm_Main::KiNumEdit_QTY, "-999999999",
         "-999999999"},
        {"quantity, a tenth digit is refused", &TForm_Main::KiNumEdit_QTY, "1234567890",
         "123456789"},
        {"price, nine digits", &TForm_Main::KiNumEdit_Price, "999999999", "999999999"},
        {"price, minus and nine digits", &TForm_Main::KiNumEdit_Price, "-999999999",
         "-999999999"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        TKiNumEdit *field = ((*w).*row.column)[3];
        field->setText(QStringLiteral("0"));
        type(field, QString::fromLatin1(row.typed)); // the selected 0 is replaced
        EXPECT_EQ(field->Text(), QString::fromLatin1(row.text));
    }
}

// The live row pass as the operator meets it: a quantity corrected after
// the price keeps the price.
TEST_F(EntryFaultsTest, PriceTypedBeforeCorrectingTheQuantityStays)
{
    const struct
    {
        const char *name;
        const char *qty;   // typed first (empty: nothing)
        const char *price; // then typed
        std::function<void(EntryFaultsTest &)> correct;
        const char *qtyAfter;
        const char *priceAfter;
        const char *salesAfter;
    } rows[] = {
        {"quantity backspaced to empty", "3", "1200",
         [](EntryFaultsTest &t) {
             t.focus(t.w->KiNumEdit_QTY[1]);
             t.press(Qt::Key_End);
             t.press(Qt::Key_Backspace);
         },
         "", "1200", ""},
        {"a negative quantity started with a minus", "3", "1200",
         [](EntryFaultsTest &t) { t.type(t.w->KiNumEdit_QTY[1], QStringLiteral("-")); }, "-",
         "1200", ""},
        {"the negative quantity completed", "3", "1200",
         [](EntryFaultsTest &t) { t.type(t.w->KiNumEdit_QTY[1], QStringLiteral("-2")); }, "-2",
         "1200", "-2400"},
        {"a price typed into a row without a quantity is still wiped", "", "5",
         [](EntryFaultsTest &) {}, "0", "", ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        for (TKiNumEdit *n : {w->KiNumEdit_QTY[1], w->KiNumEdit_Price[1], w->KiNumEdit_Sales[1]})
            n->setText(QStringLiteral("0"));
        if (*row.qty)
            type(w->KiNumEdit_QTY[1], QString::fromLatin1(row.qty));
        type(w->KiNumEdit_Price[1], QString::fromLatin1(row.price));
        row.correct(*this);
        EXPECT_EQ(w->KiNumEdit_QTY[1]->Text(), QString::fromLatin1(row.qtyAfter));
        EXPECT_EQ(w->KiNumEdit_Price[1]->Text(), QString::fromLatin1(row.priceAfter));
        EXPECT_EQ(w->KiNumEdit_Sales[1]->Text(), QString::fromLatin1(row.salesAfter));
    }
}

// ---- the print command -------------------------------------------------------

TEST_F(EntryFaultsTest, PrintStopsAtAnAmountBeyondTheNumberRange)
{
    w->KiNumEdit_Slipno->setText(QStringLiteral("7"));
    w->KiNumEdit_QTY[2]->setText(QStringLiteral("999999999"));
    w->KiNumEdit_Price[2]->setText(QStringLiteral("999999999"));
    focus(w->Edit_itemNo[1]);
    press(Qt::Key_F11);
    // Stopped before the confirmation, so before any job.
    EXPECT_EQ(Dialogs::shownTexts(),
              QStringList{QStringLiteral("2行目の金額が大きすぎるため印刷できません")});
}

// ---- focus and the row cursor ------------------------------------------------

// Real boxes, answered by a timer as the operator would; the window is
// activated again afterwards as a window manager does.
TEST_F(EntryFaultsTest, NoCellStaysSkyBlueAfterARealBox)
{
    const struct
    {
        const char *name;
        QWidget *(*cell)(TForm_Main &);
        const char *slipNo;
        int key;
        QWidget *(*focusAfter)(TForm_Main &);
    } rows[] = {
        {"F2 answered No", [](TForm_Main &f) -> QWidget * { return f.KiNumEdit_QTY[3]; }, "",
         Qt::Key_F2, [](TForm_Main &f) -> QWidget * { return f.Edit_Zip; }},
        {"F11 stopped by an empty slip number",
         [](TForm_Main &f) -> QWidget * { return f.KiNumEdit_Price[2]; }, "", Qt::Key_F11,
         [](TForm_Main &f) -> QWidget * { return f.KiNumEdit_Slipno; }},
        {"F11 answered No", [](TForm_Main &f) -> QWidget * { return f.Edit_unit[4]; }, "5",
         Qt::Key_F11, [](TForm_Main &f) -> QWidget * { return f.Memo1; }},
    };
    Dialogs::resetForTest(); // real boxes from here on
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        w->KiNumEdit_Slipno->setText(QString::fromLatin1(row.slipNo));
        QWidget *cell = row.cell(*w);
        focus(cell);
        ASSERT_EQ(colourOf(cell), kSkyBlue);
        bool answered = false;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&answered] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            QAbstractButton *button = box->escapeButton(); // いいえ(&N), or OK
            if (button) {
                answered = true;
                button->click();
            }
        });
        answer.start(20);
        press(row.key);
        answer.stop();
        ASSERT_TRUE(answered);
        QApplication::setActiveWindow(w.get());
        QApplication::processEvents();
        QWidget *expected = row.focusAfter(*w);
        EXPECT_EQ(QApplication::focusWidget(), expected);
        EXPECT_EQ(colourOf(cell), QApplication::palette().color(QPalette::Base));
    }
}

TEST_F(EntryFaultsTest, F11OnTheSecondTabLeavesTheFocusWhereItWas)
{
    const struct
    {
        const char *name;
        const char *slipNo;
        bool answer;
        const char *box;
    } rows[] = {
        {"empty slip number", "", false, "伝票番号を入力したください"},
        {"confirmation answered No", "5", false, "印刷しますか?"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Dialogs::resetForTest();
        Dialogs::setTestMode(true);
        Dialogs::pushAnswer(row.answer);
        w->KiNumEdit_Slipno->setText(QString::fromLatin1(row.slipNo));
        w->PageControl1->setCurrentIndex(1);
        QApplication::processEvents();
        focus(w->Edit_021[1]);
        press(Qt::Key_F11);
        QApplication::processEvents();
        EXPECT_EQ(Dialogs::shownTexts(), QStringList{QString::fromUtf8(row.box)});
        EXPECT_EQ(QApplication::focusWidget(), w->Edit_021[1]);
        EXPECT_NE(QApplication::focusWidget(), w->ComboBox_SEL->lineEdit());
        w->PageControl1->setCurrentIndex(0);
        QApplication::processEvents();
    }
}

TEST_F(EntryFaultsTest, FunctionKeysWorkFromThePasteMemo)
{
    const struct
    {
        const char *name;
        int key;
        Dialogs::BoxKind kind;
        const char *text; // empty: any text
    } rows[] = {
        {"F2 asks to quit", Qt::Key_F2, Dialogs::BoxKind::Question, "終了しますか?"},
        {"F11 prints (stopped by the empty slip number)", Qt::Key_F11, Dialogs::BoxKind::Notice,
         "伝票番号を入力したください"},
        {"F7 runs the printer set-up (no printer in this test)", Qt::Key_F7,
         Dialogs::BoxKind::Error, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Dialogs::resetForTest();
        Dialogs::setTestMode(true);
        Dialogs::pushAnswer(false);
        w->Memo1->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), w->Memo1);
        press(row.key);
        ASSERT_EQ(Dialogs::shownBoxes().size(), 1);
        EXPECT_EQ(Dialogs::shownBoxes().at(0).kind, row.kind);
        if (*row.text) {
            EXPECT_EQ(Dialogs::shownBoxes().at(0).text, QString::fromUtf8(row.text));
        }
        EXPECT_TRUE(w->isVisible());
    }
    // Enter stays the memo's own: it breaks the line.
    w->Memo1->clear();
    w->Memo1->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(w->Memo1, QStringLiteral("a"));
    press(Qt::Key_Return);
    QTest::keyClicks(w->Memo1, QStringLiteral("b"));
    EXPECT_EQ(w->Memo1->toPlainText(), QStringLiteral("a\nb"));
}

TEST_F(EntryFaultsTest, AddressWarningHasItsOwnRoomBesideTheClearCaption)
{
    w->Edit_Add1->setText(QString(41, QChar(0x3042)));
    w->Edit_Warning();
    ASSERT_FALSE(w->Label_Warning->text().isEmpty());
    auto *caption = w->findChild<QLabel *>(QStringLiteral("Label_CLS"));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->text(), QStringLiteral("お届け先ｸﾘｱ"));
    const QRect warning = w->Label_Warning->geometry();
    EXPECT_FALSE(warning.intersects(caption->geometry()));
    EXPECT_FALSE(warning.intersects(w->BitBtn_CLS->geometry()));
    EXPECT_FALSE(warning.intersects(w->Edit_Add1->geometry()));
    // The whole text, wrapped, fits the label.
    const QRect needed = w->Label_Warning->fontMetrics().boundingRect(
        QRect(QPoint(0, 0), warning.size()), Qt::TextWordWrap | Qt::TextWrapAnywhere,
        w->Label_Warning->text());
    EXPECT_LE(needed.width(), warning.width());
    EXPECT_LE(needed.height(), warning.height());
}

// ---- one-line fields -----------------------------------------------------------

TEST(NoteLineEditText, OneLineDropsOrReplacesControlCharacters)
{
    const struct
    {
        const char *name;
        QString in;
        QString out;
    } rows[] = {
        {"plain text unchanged", QStringLiteral("山田 太郎"), QStringLiteral("山田 太郎")},
        {"tab becomes a blank", QStringLiteral("a\tb"), QStringLiteral("a b")},
        {"CR LF becomes one blank", QStringLiteral("a\r\nb"), QStringLiteral("a b")},
        {"lone LF and CR become blanks", QStringLiteral("a\nb\rc"), QStringLiteral("a b c")},
        {"NUL is dropped", QStringLiteral("山田") + QChar(0) + QStringLiteral("様"),
         QStringLiteral("山田様")},
        {"other controls are dropped", QStringLiteral("a\x01\x1b\x1f" "b"), QStringLiteral("ab")},
        {"blank and ideographic space stay", QStringLiteral(" \u3000"), QStringLiteral(" \u3000")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(NoteLineEdit::oneLine(row.in), row.out);
    }
}

// A clear by the program starts the field afresh: it keeps no undo history,
// which would otherwise hold every keystroke typed there all day.
TEST_F(EntryFaultsTest, ProgramClearsForgetTheFieldsUndoHistory)
{
    const struct
    {
        const char *name;
        NoteLineEdit *field;
        std::function<void()> clear;
    } rows[] = {
        {"the field's own clear", w->dITEM_Ary[1], [this] { w->dITEM_Ary[1]->clear(); }},
        {"clearing the destination", w->Edit_Add1,
         [this] {
             Dialogs::pushAnswer(true);
             w->BitBtn_CLSClick();
         }},
        {"clearing the rows", w->dITEMNO_Ary[2], [this] { w->Edit_CLS2(); }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        row.field->setFocus();
        QTest::keyClicks(row.field, QStringLiteral("abc"));
        ASSERT_EQ(row.field->text(), QStringLiteral("abc"));
        ASSERT_TRUE(row.field->isUndoAvailable());
        row.clear();
        EXPECT_TRUE(row.field->text().isEmpty());
        EXPECT_FALSE(row.field->isUndoAvailable());
    }
}

TEST_F(EntryFaultsTest, OverLongInsertionsAreCutToWhatFits)
{
    const QString digits20 = QStringLiteral("12345678901234567890");
    const struct
    {
        const char *name;
        QString before;
        int selectFrom, selectLength; // selection before the edit; -1: caret at the end
        std::function<void(NoteLineEdit *)> edit;
        QString after;
    } rows[] = {
        {"paste into an empty postal code", QString(), -1, 0,
         [&](NoteLineEdit *e) {
             QApplication::clipboard()->setText(digits20);
             QTest::keySequence(e, QKeySequence::Paste);
         },
         QStringLiteral("1234567890123456")},
        {"paste after text keeps the text and fills the rest", QStringLiteral("060"), -1, 0,
         [&](NoteLineEdit *e) {
             QApplication::clipboard()->setText(digits20);
             QTest::keySequence(e, QKeySequence::Paste);
         },
         QStringLiteral("0601234567890123")},
        {"paste at the start", QStringLiteral("99"), 0, 0,
         [&](NoteLineEdit *e) {
             QApplication::clipboard()->setText(digits20);
             e->setCursorPosition(0);
             QTest::keySequence(e, QKeySequence::Paste);
         },
         QStringLiteral("1234567890123499")},
        {"paste over a selection", QStringLiteral("abcdef"), 1, 4,
         [&](NoteLineEdit *e) {
             QApplication::clipboard()->setText(digits20);
             QTest::keySequence(e, QKeySequence::Paste);
         },
         QStringLiteral("a12345678901234f")},
        {"input-method commit", QStringLiteral("0"), -1, 0,
         [&](NoteLineEdit *e) {
             QInputMethodEvent ime;
             ime.setCommitString(digits20);
             QApplication::sendEvent(e, &ime);
         },
         QStringLiteral("0123456789012345")},
        {"drop", QString(), -1, 0,
         [&](NoteLineEdit *e) {
             QMimeData data;
             data.setText(digits20);
             QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton,
                             Qt::NoModifier);
             // Straight to the field: outside a drag, the application
             // would not route a drop.
             static_cast<QObject *>(e)->event(&drop);
         },
         QStringLiteral("1234567890123456")},
        {"a paste that fits is taken whole", QString(), -1, 0,
         [&](NoteLineEdit *e) {
             QApplication::clipboard()->setText(QStringLiteral("060-0001"));
             QTest::keySequence(e, QKeySequence::Paste);
         },
         QStringLiteral("060-0001")},
        {"a pasted NUL and tab", QString(), -1, 0,
         [&](NoteLineEdit *e) {
             QApplication::clipboard()->setText(QStringLiteral("06") + QChar(0) +
                                                QStringLiteral("0\t1"));
             QTest::keySequence(e, QKeySequence::Paste);
         },
         QStringLiteral("060 1")},
    };
    NoteLineEdit *zip = w->Edit_Zip;
    ASSERT_EQ(zip->typingLimit(), 16);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        focus(zip);
        zip->setText(row.before);
        if (row.selectFrom >= 0)
            zip->setSelection(row.selectFrom, row.selectLength);
        else
            zip->setCursorPosition(static_cast<int>(zip->text().size()));
        row.edit(zip);
        EXPECT_EQ(zip->text(), row.after);
    }
}

TEST_F(EntryFaultsTest, ControlCharactersNeverReachTheFieldsOrTheFile)
{
    // Set by the program.
    w->Edit_021[2]->setText(QStringLiteral("札幌\t本店\r\n"));
    EXPECT_EQ(w->Edit_021[2]->text(), QStringLiteral("札幌 本店 "));
    // Through the transfer: a NUL inside the name line.
    w->Memo1->setPlainText(QStringLiteral("お名前：山田") + QChar(0) +
                           QStringLiteral("太郎 様\r\n〒123-4567\r\n東京都港区芝1-2-3\r\n"));
    w->BitBtn_1Click();
    EXPECT_FALSE(w->Edit_Custo1->text().contains(QChar(0))) << w->Edit_Custo1->text().toStdString();
    EXPECT_TRUE(w->Edit_Custo1->text().startsWith(QStringLiteral("山田")));
    w->close();
    QFile f(dir.filePath(QStringLiteral("Kanro_Vey_1.ini")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_FALSE(bytes.contains('\0'));
    EXPECT_FALSE(bytes.contains('\t'));
}

} // namespace
