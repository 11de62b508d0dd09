// The print command end to end: the main window, the printer object over the
// built-in PDF printer, and the PDF it writes, read back with poppler.
#include "WindowFixture.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "printer/VoPrinters.h"
#include "spooler/SpoolerWithPdf.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace {

struct Word
{
    QString text;
    double x;
    double y;
};

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The words of one page with their top-left corners in device pixels of a
// 600 dpi page (PDF points x 600 / 72).
QList<Word> wordsOf(const QString &pdf, int page)
{
    const QString xml =
        run(QStringLiteral("pdftotext"),
            {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page),
             QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    static const QRegularExpression re(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
    QList<Word> words;
    for (auto it = re.globalMatch(xml); it.hasNext();) {
        const auto m = it.next();
        words.append({m.captured(3), m.captured(1).toDouble() * 600 / 72,
                      m.captured(2).toDouble() * 600 / 72});
    }
    return words;
}

int pageCount(const QString &pdf)
{
    static const QRegularExpression re(QStringLiteral("Pages:\\s+(\\d+)"));
    return re.match(run(QStringLiteral("pdfinfo"), {pdf})).captured(1).toInt();
}

class PrintEndToEnd : public WindowFixture
{
protected:
    // The PDF printer alone (the fake lists none).
    void setUpPrinters() override { useFakeSpooler({}, {}, true); }

    QStringList pdfs() const
    {
        return QDir(dir.filePath(QStringLiteral("納品書PDF")))
            .entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    }
    QString pdfPath(const QString &name) const
    {
        return dir.filePath(QStringLiteral("納品書PDF/") + name);
    }
};

// The first word whose text starts with `prefix` (and lies below y0).
const Word *find(const QList<Word> &words, const QString &prefix, double y0 = -1)
{
    for (const Word &word : words)
        if (word.text.startsWith(prefix) && word.y > y0)
            return &word;
    return nullptr;
}

} // namespace

TEST_F(PrintEndToEnd, LayoutOnePositionsInThePdf)
{
    fillNote();
    Dialogs::pushAnswer(true);
    w->SpeedButton_F11Click();
    EXPECT_EQ(Dialogs::shownTexts(), QStringList{"印刷しますか?"});
    ASSERT_EQ(pdfs(), QStringList{"Kanro_Vey_1_0_20261209-123.pdf"});
    EXPECT_EQ(w->Label_dpix->text(), "600");
    EXPECT_EQ(w->Label_dpiy->text(), "600");
    const QList<Word> words = wordsOf(pdfPath(pdfs().front()), 1);

    // Device pixels at 600 dpi: 3.75 pixels per layout unit, rounded.
    // Japanese text drawn in Tahoma comes from a fallback font whose box is
    // taller than Tahoma's cell: its top lies up to 8 pixels above the
    // line position; the words in their own font must be within 1 pixel.
    struct Row
    {
        const char *name;
        QString prefix;
        int x;
        int y;
        double yTolerance = 1.0;
    };
    const Row rows[] = {
        {"title", "納品書", 113, 338},
        {"slip number caption", "伝票番号", 113, 649},
        {"slip number", "123", 413, 638},
        {"issue date", "2026/12/09", 2700, 638},
        {"heading", "商品名", 113, 803},
        {"row 1 upper line", "A001", 113, 975 - 68},
        {"row 1 lower line", "りんご", 113, 975},
        {"row 2 lower line", "みかん", 113, 975 + 180},
        // Amount cells: 11 characters of 364 / 11 = 33 pixels from x 2681.
        {"row 1 amount 3,000", "3", 2681 + 6 * 33, 975},
        {"subtotal 3,980 after the rows", "3", 2681 + 6 * 33, 975 + 360 - 68},
        {"tax amount 398 (10 %)", "398", 2681 + 8 * 33, 975 + 360 - 68 + 83},
        {"total 4,378", "4", 2681 + 6 * 33, 975 + 360 - 68 + 83 + 83},
        {"receipt sentence, on the total's line", "税込合計代金を領収", 113,
         975 + 360 - 68 + 83 + 83, 8.0},
    };
    for (const Row &r : rows) {
        const Word *word = find(words, r.prefix, r.y - 10);
        ASSERT_NE(word, nullptr) << r.name;
        EXPECT_LE(std::abs(word->x - r.x), 1.0) << r.name << " x " << word->x;
        EXPECT_LE(std::abs(word->y - r.y), r.yTolerance) << r.name << " y " << word->y;
    }
}

TEST_F(PrintEndToEnd, CopiesAndPageFeeds)
{
    struct Row
    {
        const char *name;
        bool newPage;
        int pages;
        std::vector<bool> drawn;
    };
    const Row rows[] = {
        {"three copies, no page feed", false, 3, {true, true, true}},
        {"three copies with page feed", true, 6, {true, false, true, false, true, false}},
    };
    for (const Row &r : rows) {
        fillNote();
        w->KiNumEdit_BUSUU->setText(QStringLiteral("3"));
        w->CheckBox_NewPage->setChecked(r.newPage);
        const QStringList before = pdfs();
        Dialogs::pushAnswer(true);
        w->SpeedButton_F11Click();
        QStringList added = pdfs();
        for (const QString &old : before)
            added.removeAll(old);
        ASSERT_EQ(added.size(), 1) << r.name;
        const QString pdf = pdfPath(added.front());
        EXPECT_EQ(pageCount(pdf), r.pages) << r.name;
        std::vector<bool> drawn;
        for (int page = 1; page <= r.pages; ++page)
            drawn.push_back(!wordsOf(pdf, page).isEmpty());
        EXPECT_EQ(drawn, r.drawn) << r.name;
    }
}

TEST_F(PrintEndToEnd, EmptySlipNumberPrintsNothing)
{
    fillNote();
    w->KiNumEdit_Slipno->setText(QString());
    w->SpeedButton_F11Click();
    EXPECT_EQ(Dialogs::shownTexts(), QStringList{"伝票番号を入力したください"});
    EXPECT_TRUE(pdfs().isEmpty());
    // The focus goes to the slip number, whose entry issues the next number.
    EXPECT_EQ(QApplication::focusWidget(), w->KiNumEdit_Slipno);
    EXPECT_EQ(w->KiNumEdit_Slipno->Text(), "2");
}

TEST_F(PrintEndToEnd, DecliningPrintsNothingButKeepsTheTotals)
{
    fillNote();
    Dialogs::pushAnswer(false);
    w->SpeedButton_F11Click();
    EXPECT_EQ(Dialogs::shownTexts(), QStringList{"印刷しますか?"});
    EXPECT_TRUE(pdfs().isEmpty());
    EXPECT_EQ(w->dSALES_Ary[1]->Text(), "3000");
    EXPECT_EQ(w->KiNumEdit_ssal->Text(), "3980");
    EXPECT_EQ(QApplication::focusWidget(), w->Memo1) << "the focus goes to the transfer memo";
}

TEST_F(PrintEndToEnd, OffsetWithDecimalsFailsAtPrintTime)
{
    fillNote();
    w->Label_Prn_Top->setText(QStringLiteral("1.5"));
    Dialogs::pushAnswer(true);
    w->SpeedButton_F11Click();
    EXPECT_EQ(Dialogs::shownTexts(),
              QStringList({"印刷しますか?", "'1.5' is not a valid integer value"}));
    EXPECT_TRUE(pdfs().isEmpty()) << "the job was cancelled";
}

TEST_F(PrintEndToEnd, EachLayoutFromThePaperChoice)
{
    fillNote();
    for (int k = 1; k <= 5; ++k)
        w->Edit_021[k]->setText(QStringLiteral("甘露商店 %1").arg(k));
    for (int k = 1; k <= 9; ++k)
        w->Edit_Remark[k]->setText(
            QStringLiteral("備考 %1: お買い上げありがとうございます。").arg(k));
    for (int i = 3; i <= 6; ++i) {
        w->dITEMNO_Ary[i]->setText(QStringLiteral("B%1").arg(i));
        w->dITEM_Ary[i]->setText(QStringLiteral("品物 %1").arg(i));
        w->dUNIT_Ary[i]->setText(QStringLiteral("箱"));
        w->dQTY_Ary[i]->setText(QString::number(i * 10));
        w->dPRICE_Ary[i]->setText(QString::number(1234 * i));
    }
    // Device pixels at 600 dpi of a mark each layout sets apart. Six rows:
    // the total 1,171,742 (10 %) stands at 975 + 6 x 180 - 68 + 83 + 83 = 2153.
    struct Row
    {
        const char *name;
        int paper;
        bool landscape;
        QString prefix;
        int x;
        int y;
    };
    const Row rows[] = {
        {"layout 1: total in the 715-unit cell", 0, false, "1,", 2681 + 2 * 33, 2153},
        // round(3.75 x 724) - round(3.75 x 6) = 2715 - 23
        {"layout 2: total with the yen sign", 1, false, "¥1,171,742", 2692, 2153},
        {"layout 2: row 6 quantity from x 530", 1, false, "60", 1988, 975 + 5 * 180},
        // Cell 1105 / 112: x 4144, 420 / 11 = 38 pixels a character.
        {"landscape: total in the 1105-unit cell", 2, true, "1,", 4144 + 2 * 38, 2153},
    };
    for (const Row &r : rows) {
        w->ComboBox_Paper->setCurrentIndex(r.paper);
        VoPrinter->SetOrientation(r.landscape ? voOrLandScape : voOrPortrait);
        VoPrinter->ApplySettings();
        const QStringList before = pdfs();
        Dialogs::pushAnswer(true);
        w->SpeedButton_F11Click();
        QStringList added = pdfs();
        for (const QString &old : before)
            added.removeAll(old);
        ASSERT_EQ(added.size(), 1) << r.name;
        EXPECT_TRUE(added.front().startsWith(QStringLiteral("Kanro_Vey_1_%1_").arg(r.paper)))
            << r.name;
        const QList<Word> words = wordsOf(pdfPath(added.front()), 1);
        const Word *word = find(words, r.prefix, r.y - 10);
        ASSERT_NE(word, nullptr) << r.name;
        EXPECT_LE(std::abs(word->x - r.x), 1.0) << r.name << " x " << word->x;
        EXPECT_LE(std::abs(word->y - r.y), 1.0) << r.name << " y " << word->y;
    }
}

TEST_F(PrintEndToEnd, HundredCopiesInOneJob)
{
    fillNote();
    w->KiNumEdit_BUSUU->setText(QStringLiteral("100"));
    Dialogs::pushAnswer(true);
    w->SpeedButton_F11Click();
    ASSERT_EQ(pdfs().size(), 1);
    EXPECT_EQ(pageCount(pdfPath(pdfs().front())), 100);
}

TEST_F(PrintEndToEnd, UncheckedDateAndSlipNumberBoxesLeaveThemOffThePage)
{
    fillNote();
    w->CheckBox_Date_1->setChecked(false);
    w->CheckBox2->setChecked(false);
    Dialogs::pushAnswer(true);
    w->SpeedButton_F11Click();
    ASSERT_EQ(pdfs().size(), 1);
    EXPECT_TRUE(pdfs().front().endsWith(QStringLiteral("-123.pdf")))
        << "the job title still carries the number";
    const QList<Word> words = wordsOf(pdfPath(pdfs().front()), 1);
    EXPECT_EQ(find(words, QStringLiteral("2026/12/09")), nullptr);
    EXPECT_EQ(find(words, QStringLiteral("123")), nullptr);
    EXPECT_NE(find(words, QStringLiteral("伝票番号")), nullptr);
    EXPECT_NE(find(words, QStringLiteral("発行日")), nullptr);
}
