// The print preview (F10) on the main window over a scripted spooler: its
// key and button, the shared preparation, the pages and their drawing
// against the print job's, the registered offsets on screen, and the way
// out by Escape, "閉じる" and F11.
#include "CanvasOpText.h"
#include "WindowFixture.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "note/NoteArithmetic.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "printer/VoPrinters.h"
#include "printing/PrintCommand.h"
#include "printing/PrintPreviewWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace printing;

namespace {

class Preview : public WindowFixture
{
protected:
    void setUpPrinters() override
    {
        // P1: a printer that cannot print within 5 mm of the left edge and
        // 4 mm of the top.
        FakePrinter margins = FakePrinter::standard("P1");
        margins.leftMm = 5;
        margins.topMm = 4;
        useFakeSpooler({FakePrinter::standard("P0"), margins});
    }

    void TearDown() override
    {
        PrintPreviewWindow::setExecHook(nullptr);
        WindowFixture::TearDown();
    }

    // Runs F10; `inWindow` sees the open preview (shown and active) and
    // may act in it. Returns whether a window opened.
    bool preview(const std::function<void(PrintPreviewWindow &)> &inWindow = {})
    {
        bool opened = false;
        PrintPreviewWindow::setExecHook([&](PrintPreviewWindow &window) {
            opened = true;
            window.show();
            QApplication::setActiveWindow(&window);
            QApplication::processEvents();
            if (inWindow)
                inWindow(window);
            const int result = window.isVisible() ? QDialog::Rejected : window.result();
            window.hide();
            return result;
        });
        w->SpeedButton_F10Click();
        PrintPreviewWindow::setExecHook(nullptr);
        return opened;
    }

    // The pages the preview shows, each replayed through a recording canvas.
    std::vector<QStringList> previewPages()
    {
        std::vector<QStringList> pages;
        EXPECT_TRUE(preview([&](PrintPreviewWindow &window) {
            for (const PreviewPage &page : window.document().pages) {
                RecordingCanvas c;
                replayPage(page, c);
                pages.push_back(canvasOpTexts(c.ops()));
            }
        }));
        return pages;
    }
};

} // namespace

TEST_F(Preview, F10GoesWithF11AcrossTabs)
{
    for (int i = 1; i <= 12; ++i)
        EXPECT_EQ(w->SpeedButton_F[i]->isEnabled(),
                  (i >= 2 && i <= 5) || i == 8 || i == 9 || i == 10 || i == 11) // F3 to F5: customers
            << "F" << i;
    EXPECT_EQ(w->SpeedButton_F[10]->text(), QStringLiteral("プレビュー"));
    EXPECT_EQ(w->SpeedButton_F[10]->accessibleName(), QStringLiteral("プレビュー (F10)"));
    {
        // The caption fits its key in the largest font that lets it.
        const int room = w->SpeedButton_F[10]->width() - 10;
        QFont f = w->SpeedButton_F[10]->font();
        EXPECT_LE(QFontMetrics(f).horizontalAdvance(QStringLiteral("プレビュー")), room);
        EXPECT_LT(f.pixelSize(), w->font().pixelSize());
        f.setPixelSize(f.pixelSize() + 1);
        EXPECT_GT(QFontMetrics(f).horizontalAdvance(QStringLiteral("プレビュー")), room);
    }
    struct Row
    {
        const char *name;
        int tab;
        QString caption;
        bool enabled;
    };
    const Row rows[] = {
        {"print settings tab", 1, QStringLiteral("F10"), false},
        {"tax tab", 2, QStringLiteral("F10"), false},
        {"back to the first tab", 0, QStringLiteral("プレビュー"), true},
    };
    for (const Row &r : rows) {
        w->PageControl1->setCurrentIndex(r.tab);
        EXPECT_EQ(w->SpeedButton_F[10]->text(), r.caption) << r.name;
        EXPECT_EQ(w->SpeedButton_F[10]->isEnabled(), r.enabled) << r.name;
        EXPECT_EQ(w->SpeedButton_F[10]->isEnabled(), w->SpeedButton_F[11]->isEnabled()) << r.name;
    }
}

TEST_F(Preview, F10KeyAndButtonOpenThePreview)
{
    fillNote();
    struct Row
    {
        const char *name;
        std::function<void()> press;
    };
    const Row rows[] = {
        {"button", [&] { w->SpeedButton_F[10]->click(); }},
        {"key in an item cell",
         [&] {
             w->Edit_itemNo[2]->setFocus();
             QTest::keyClick(w->Edit_itemNo[2], Qt::Key_F10);
         }},
        {"key released in a remark line (second tab)",
         [&] {
             w->PageControl1->setCurrentIndex(1);
             w->Edit_Remark[3]->setFocus();
             QTest::keyClick(w->Edit_Remark[3], Qt::Key_F10);
             w->PageControl1->setCurrentIndex(0);
         }},
    };
    for (const Row &r : rows) {
        bool opened = false;
        PrintPreviewWindow::setExecHook([&](PrintPreviewWindow &window) {
            opened = true;
            EXPECT_EQ(window.windowTitle(), QStringLiteral("印刷プレビュー"));
            return int(QDialog::Rejected);
        });
        r.press();
        EXPECT_TRUE(opened) << r.name;
    }
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty()) << "the preview asks nothing";
    EXPECT_TRUE(spooler->jobs().empty()) << "and prints nothing";
}

TEST_F(Preview, RunsThePrintPreparationBeforeAnyWindow)
{
    struct Row
    {
        const char *name;
        std::function<void()> setUp;
        QStringList texts;
        bool opens;
        QWidget *focus;
    };
    const Row rows[] = {
        {"empty slip number",
         [&] { w->KiNumEdit_Slipno->setText(QString()); },
         {MissingSlipNoMessage},
         false,
         w->KiNumEdit_Slipno},
        {"price without quantity: the row pass's message, then the preview",
         [&] { w->dQTY_Ary[2]->setText(QString()); },
         {missingQuantityMessage(2)},
         true,
         w->Edit_itemNo[1]},
    };
    for (const Row &r : rows) {
        fillNote();
        r.setUp();
        Dialogs::resetForTest();
        Dialogs::setTestMode(true);
        w->Edit_itemNo[1]->setFocus();
        QApplication::processEvents();
        EXPECT_EQ(preview(), r.opens) << r.name;
        EXPECT_EQ(Dialogs::shownTexts(), r.texts) << r.name;
        EXPECT_EQ(w->focusWidget(), r.focus) << r.name;
        // The row pass and totals ran as for a print: row 2 is emptied.
        if (r.opens) {
            EXPECT_EQ(w->dPRICE_Ary[2]->Text(), QString()) << r.name;
            EXPECT_EQ(w->KiNumEdit_ssal->Text(), QStringLiteral("3000")) << r.name;
        }
    }
    EXPECT_TRUE(spooler->jobs().empty());
}

TEST_F(Preview, PagesForThreeCopiesWithAndWithoutPageFeed)
{
    struct Row
    {
        const char *name;
        bool newPage;
        std::vector<bool> drawn;
        QStringList labels;
    };
    const Row rows[] = {
        {"three copies",
         false,
         {true, true, true},
         {"1 / 3 ページ", "2 / 3 ページ", "3 / 3 ページ"}},
        {"three copies with 改ページ信号",
         true,
         {true, false, true, false, true, false},
         {"1 / 6 ページ", "2 / 6 ページ（白紙）", "3 / 6 ページ", "4 / 6 ページ（白紙）",
          "5 / 6 ページ", "6 / 6 ページ（白紙）"}},
    };
    for (const Row &r : rows) {
        fillNote();
        w->KiNumEdit_BUSUU->setText(QStringLiteral("3"));
        w->CheckBox_NewPage->setChecked(r.newPage);
        std::vector<bool> drawn;
        QStringList labels;
        QStringList firstPage;
        preview([&](PrintPreviewWindow &window) {
            for (int k = 0; k < window.pageCount(); ++k) {
                drawn.push_back(!window.document().pages[std::size_t(k)].ops.isEmpty());
                labels << window.Label_Page->text();
                EXPECT_EQ(window.Button_PrevPage->isEnabled(), k > 0) << r.name << k;
                EXPECT_EQ(window.Button_NextPage->isEnabled(), k + 1 < window.pageCount())
                    << r.name << k;
                QTest::keyClick(window.scrollArea(), Qt::Key_PageDown);
            }
            EXPECT_EQ(window.pageIndex(), window.pageCount() - 1) << r.name << ": stays at the end";
            QTest::keyClick(window.scrollArea(), Qt::Key_PageUp);
            EXPECT_EQ(window.pageIndex(), window.pageCount() - 2) << r.name;
        });
        EXPECT_EQ(drawn, r.drawn) << r.name;
        EXPECT_EQ(labels, r.labels) << r.name;
    }
    // The job feeds the same pages.
    for (const Row &r : rows) {
        w->CheckBox_NewPage->setChecked(r.newPage);
        Dialogs::pushAnswer(true);
        w->SpeedButton_F11Click();
        ASSERT_FALSE(spooler->jobs().empty());
        EXPECT_EQ(spooler->jobs().back().pages.size(), r.drawn.size()) << r.name;
    }
}

TEST_F(Preview, DrawsWhatThePrintJobDrawsItemForItem)
{
    struct Row
    {
        const char *name;
        int layout;
        bool newPage;
    };
    const Row rows[] = {
        {"layout 1", 0, false},
        {"layout 2 with 改ページ信号", 1, true},
        {"landscape layout", 2, false},
    };
    for (const Row &r : rows) {
        fillNote();
        w->ComboBox_Paper->setCurrentIndex(r.layout);
        w->KiNumEdit_BUSUU->setText(QStringLiteral("2"));
        w->CheckBox_NewPage->setChecked(r.newPage);
        w->Label_Prn_Top->setText(QStringLiteral("20"));
        w->Label_Prn_Left->setText(QStringLiteral("-5"));
        const std::vector<QStringList> shown = previewPages();

        // The print job's drawing for the same note, page by page, through
        // the recording canvas: the plan that F11 hands to the job.
        ASSERT_TRUE(w->preparePrint());
        const PrintPlan plan = w->printPlan();
        std::vector<QStringList> printed(1);
        drawCopies(
            plan.copies,
            [&] {
                RecordingCanvas copy;
                plan.drawCopy(copy);
                for (const CanvasOp &op : copy.ops()) {
                    if (op.kind == CanvasOp::PageFeed)
                        printed.emplace_back();
                    else
                        printed.back() << canvasOpText(op);
                }
            },
            [&] { printed.emplace_back(); });

        ASSERT_EQ(shown.size(), printed.size()) << r.name;
        for (std::size_t k = 0; k < shown.size(); ++k)
            EXPECT_EQ(shown[k], printed[k]) << r.name << ", page " << k + 1;
        EXPECT_GT(shown.front().size(), 40) << r.name << ": the note is drawn";
    }
}

TEST_F(Preview, RegisteredOffsetsMoveEveryItemAtThePreviewsScale)
{
    fillNote();
    // At a zoom where a 600 dpi device pixel is 0.2 screen pixels, offsets
    // of 20 and -5 device pixels are 4 and -1 screen pixels.
    auto shot = [&](const QString &top, const QString &left, QPointF *scale) {
        w->Label_Prn_Top->setText(top);
        w->Label_Prn_Left->setText(left);
        QImage image;
        preview([&](PrintPreviewWindow &window) {
            const double dpi = window.pageView()->logicalDpiX();
            window.setZoomPercent(0.2 * 600 / dpi * 100);
            *scale = window.pageView()->scale();
            image = window.pageView()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        });
        return image;
    };
    QPointF scale;
    const QImage plain = shot(QStringLiteral("0"), QStringLiteral("0"), &scale);
    EXPECT_NEAR(scale.x(), 0.2, 1e-9);
    EXPECT_NEAR(scale.y(), 0.2, 1e-9);
    const QImage moved = shot(QStringLiteral("20"), QStringLiteral("-5"), &scale);
    ASSERT_EQ(plain.size(), moved.size());
    const int dx = -1, dy = 4;

    // Inside the sheet, away from its edge: every pixel of the moved page
    // is the plain page's pixel moved by (dx, dy).
    const int m = PreviewPageView::Margin;
    const QRect inner(m + 8, m + 8, plain.width() - 2 * m - 16, plain.height() - 2 * m - 16);
    int inked = 0, mismatched = 0;
    for (int y = inner.top(); y <= inner.bottom(); ++y) {
        for (int x = inner.left(); x <= inner.right(); ++x) {
            const QRgb a = plain.pixel(x, y);
            inked += qGray(a) < 128 ? 1 : 0;
            mismatched += moved.pixel(x + dx, y + dy) != a ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 2000) << "the note is drawn";
    EXPECT_EQ(mismatched, 0) << "of " << inked << " inked pixels";
    EXPECT_NE(plain, moved);
    // The sheet's edge stays where it is.
    for (int x = m; x < plain.width() - m; x += 7) {
        EXPECT_EQ(plain.pixel(x, m - 1), moved.pixel(x, m - 1)) << x;
        EXPECT_EQ(plain.pixel(x, plain.height() - m), moved.pixel(x, plain.height() - m)) << x;
    }
}

TEST_F(Preview, SheetAndPrintableAreaOfTheCurrentPrinter)
{
    struct Row
    {
        const char *name;
        int printer;
        PreviewSheet sheet;
    };
    // A5 at 600 dpi: 3496 x 4961 pixels; 5 mm = 118 and 4 mm = 94 pixels.
    const Row rows[] = {
        {"no margins", 0, {QSize(3496, 4961), QRect(0, 0, 3496, 4961), 600, 600}},
        {"left and top margins",
         1,
         {QSize(3496, 4961), QRect(118, 94, 3496 - 118, 4961 - 94), 600, 600}},
    };
    for (const Row &r : rows) {
        fillNote();
        VoPrinter->SetIndex(r.printer);
        PreviewSheet sheet;
        preview([&](PrintPreviewWindow &window) { sheet = window.document().sheet; });
        EXPECT_EQ(sheet, r.sheet) << r.name;
    }
}

TEST_F(Preview, EscapeAndCloseReturnTheFocusToTheFieldItCameFrom)
{
    struct Row
    {
        const char *name;
        std::function<void(PrintPreviewWindow &)> close;
    };
    const Row rows[] = {
        {"Escape",
         [](PrintPreviewWindow &win) { QTest::keyClick(win.scrollArea(), Qt::Key_Escape); }},
        {"閉じる", [](PrintPreviewWindow &win) { win.Button_Close->click(); }},
    };
    for (const Row &r : rows) {
        fillNote();
        w->Edit_itemNo[2]->setFocus();
        QApplication::processEvents();
        bool closed = false;
        preview([&](PrintPreviewWindow &window) {
            r.close(window);
            closed = !window.isVisible();
        });
        EXPECT_TRUE(closed) << r.name;
        EXPECT_TRUE(Dialogs::shownTexts().isEmpty()) << r.name;
        EXPECT_EQ(w->focusWidget(), w->Edit_itemNo[2]) << r.name;
    }
    EXPECT_TRUE(spooler->jobs().empty());
}

TEST_F(Preview, F11InThePreviewAsksPrintsAndCloses)
{
    struct Row
    {
        const char *name;
        bool yes;
        std::function<void(PrintPreviewWindow &)> print;
    };
    const Row rows[] = {
        {"F11, answered No: nothing printed, the preview stays", false,
         [](PrintPreviewWindow &win) { QTest::keyClick(win.scrollArea(), Qt::Key_F11); }},
        {"F11, answered Yes", true,
         [](PrintPreviewWindow &win) { QTest::keyClick(win.scrollArea(), Qt::Key_F11); }},
        {"印刷 button, answered Yes", true,
         [](PrintPreviewWindow &win) { win.Button_Print->click(); }},
    };
    std::size_t jobs = 0;
    for (const Row &r : rows) {
        fillNote();
        Dialogs::resetForTest();
        Dialogs::setTestMode(true);
        w->Edit_itemNo[2]->setFocus();
        QApplication::processEvents();
        Dialogs::pushAnswer(r.yes);
        bool openAfter = false;
        preview([&](PrintPreviewWindow &window) {
            r.print(window);
            openAfter = window.isVisible();
        });
        EXPECT_EQ(Dialogs::shownTexts(), QStringList{ConfirmPrintMessage}) << r.name;
        EXPECT_EQ(openAfter, !r.yes) << r.name;
        jobs += r.yes ? 1 : 0;
        ASSERT_EQ(spooler->jobs().size(), jobs) << r.name;
        if (r.yes) {
            EXPECT_TRUE(spooler->jobs().back().finished) << r.name;
            EXPECT_EQ(spooler->jobs().back().title, QStringLiteral("Kanro_Vey_1_0_20261209-123"));
            EXPECT_EQ(w->focusWidget(), w->Edit_itemNo[2]) << r.name << ": as after a print";
        }
    }
}

TEST_F(Preview, PrinterThatCannotBeMeasuredGivesItsNoticeInsteadOfAWindow)
{
    fillNote();
    spooler->failOn(FakeSpooler::Operation::Metrics, QStringLiteral("device gone"));
    EXPECT_FALSE(preview());
    const QList<Dialogs::ShownBox> boxes = Dialogs::shownBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].kind, Dialogs::BoxKind::Error);
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("device gone")))
        << boxes[0].text.toStdString();
    // The same notice as the print command gives after its question.
    Dialogs::resetForTest();
    Dialogs::setTestMode(true);
    Dialogs::pushAnswer(true);
    w->SpeedButton_F11Click();
    ASSERT_EQ(Dialogs::shownBoxes().size(), 2);
    EXPECT_EQ(Dialogs::shownBoxes()[1], boxes[0]);
}
