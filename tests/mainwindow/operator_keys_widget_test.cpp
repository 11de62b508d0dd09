// The window as an operator meets it with the keyboard alone: where the
// focus goes back after the preview, the paste-and-transfer key, Escape in
// the print-position dialog, and the breakdown line clear of every control.
#include "WindowFixture.h"
#include "mainwindow/HistoryDialog.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/AccessibleNames.h"
#include "platform/Dialogs.h"
#include "printing/PrintPreviewWindow.h"
#include "printing/VODE97ZPrnUnit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateEdit>
#include <QInputMethodQueryEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

using printing::PrintPreviewWindow;

namespace {

class OperatorKeys : public WindowFixture
{
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }
    void TearDown() override
    {
        PrintPreviewWindow::setExecHook(nullptr);
        WindowFixture::TearDown();
    }
};

// F10 from each field of the first tab, Escape in the preview: the focus is
// back in that field, which is not entered again (its help text would be
// shown, an empty slip number issued) and nothing else changed.
TEST_F(OperatorKeys, ClosingThePreviewReturnsTheFocusToTheFieldThatHadIt)
{
    fillNote();
    bool opened = false;
    PrintPreviewWindow::setExecHook([&opened](PrintPreviewWindow &window) {
        opened = true;
        window.show();
        QApplication::setActiveWindow(&window);
        QApplication::processEvents();
        QTest::keyClick(window.scrollArea(), Qt::Key_Escape);
        return int(QDialog::Rejected);
    });
    int rows = 0;
    QStringList withoutPreview; // fields where F10 has no meaning
    for (QWidget *field : operableControls(w->PageControl1->widget(0))) {
        if (!(field->focusPolicy() & Qt::ClickFocus) || qobject_cast<QAbstractButton *>(field))
            continue;
        SCOPED_TRACE(field->accessibleName().toStdString());
        QWidget *receiver = field->focusProxy() ? field->focusProxy() : field;
        field->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), receiver);
        const QString slip = w->KiNumEdit_Slipno->Text();
        w->Panel_HelpMess->setText(QStringLiteral("(sentinel)"));
        opened = false;
        QTest::keyClick(receiver, Qt::Key_F10);
        QApplication::setActiveWindow(w.get());
        QApplication::processEvents();
        if (!opened) {
            withoutPreview.append(field->accessibleName());
            continue;
        }
        ++rows;
        EXPECT_EQ(w->focusWidget(), receiver);
        EXPECT_EQ(w->Panel_HelpMess->text(), QStringLiteral("(sentinel)")) << "field re-entered";
        EXPECT_EQ(w->KiNumEdit_Slipno->Text(), slip);
    }
    EXPECT_GE(rows, 60) << "ten rows of six cells alone are 60; without preview: "
                        << withoutPreview.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty());
    EXPECT_TRUE(spooler->jobs().empty());
}

// Ctrl+Shift+V pastes the clipboard into the memo and transfers it, from
// whichever kind of field has the focus; elsewhere than the first tab it
// does nothing.
TEST_F(OperatorKeys, CtrlShiftVPastesAndTransfersFromAnyFieldOfTheFirstTab)
{
    const QString order =
        QStringLiteral("お名前：山田太郎 様\r\n〒123-4567\r\n東京都港区芝1-2-3\r\n");
    struct Row
    {
        const char *name;
        int tab;
        QWidget *field;
        bool transfers;
    };
    const Row rows[] = {
        {"text field", 0, w->Edit_itemNo[3], true},
        {"numeric field", 0, w->KiNumEdit_QTY[2], true},
        {"date picker", 0, w->DateTimePicker_1, true},
        {"second tab: no transfer", 1, w->Edit_Remark[1], false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        w->BitBtn_MemoCLSClick();
        w->Edit_Zip->clear();
        w->Edit_Custo1->clear();
        w->PageControl1->setCurrentIndex(r.tab);
        QApplication::clipboard()->setText(order);
        r.field->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_V,
                        Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(w->Edit_Custo1->text(), r.transfers ? QStringLiteral("山田太郎") : QString());
        EXPECT_EQ(w->Edit_Zip->text(), r.transfers ? QStringLiteral("123-4567") : QString());
        if (r.transfers) {
            EXPECT_EQ(w->focusWidget(), w->Edit_Zip) << "as after the transfer button";
        }
    }
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty());
}

TEST_F(OperatorKeys, EscapeClosesThePrintPositionDialogWithoutRegistering)
{
    TForm_VODE97ZPrn dialog(w.get());
    for (TKiNumEdit *field : {dialog.KiNumEdit_TOP, dialog.KiNumEdit_LEFT}) {
        SCOPED_TRACE(field->objectName().toStdString());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        field->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(field, Qt::Key_7);
        QTest::keyClick(field, Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), int(QDialog::Rejected));
    }
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty()) << "the registration's question never came";
}

// With a reduced-rate row the breakdown line shows; it covers no control,
// so the receipt box it used to hide cannot be toggled unseen.
TEST_F(OperatorKeys, TheBreakdownLineCoversNoControl)
{
    fillNote();
    w->CheckBox_Reduced[1]->setChecked(true);
    w->DEN_SUM();
    QApplication::processEvents();
    ASSERT_TRUE(w->Label_TaxBreakdown->isVisible());
    const QRect line(w->Label_TaxBreakdown->mapTo(w.get(), QPoint()),
                     w->Label_TaxBreakdown->size());
    for (QWidget *c : operableControls(w->PageControl1->widget(0))) {
        // The part not clipped away (rows scrolled out of the grid are not
        // under the line).
        const QRect shown = c->visibleRegion().boundingRect();
        const QRect r(c->mapTo(w.get(), shown.topLeft()), shown.size());
        EXPECT_FALSE(line.intersects(r)) << c->accessibleName().toStdString();
    }
}

// Whether the platform input context may compose in the widget that takes
// a field's keys (for a date picker, the line edit inside it).
bool composes(QWidget *field)
{
    QWidget *target = field->focusProxy() ? field->focusProxy() : field;
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(target, &query);
    return query.value(Qt::ImEnabled).toBool();
}

TEST_F(OperatorKeys, FieldsMarkedInputMethodDisabledRefuseCompositions)
{
    TForm_VODE97ZPrn margins(w.get());
    HistoryDialog history(*w);
    // A field made read-only and writable again (QLineEdit then turns its
    // input-method attribute back on) keeps its mode.
    w->Edit_tel->setReadOnly(true);
    w->Edit_tel->setReadOnly(false);
    struct Row
    {
        const char *name;
        QWidget *field;
        bool composes;
    };
    const Row rows[] = {
        {"郵便番号", w->Edit_Zip, false},
        {"でんわ, after read-only and back", w->Edit_tel, false},
        {"日付 (inner edit)", w->DateTimePicker_1, false},
        {"新税率実施日 (inner edit)", w->DateTimePicker_TaxEnforDate, false},
        {"伝票番号", w->KiNumEdit_Slipno, false},
        {"数量", w->KiNumEdit_QTY[4], false},
        {"消費税の端数", w->Edit_TxDisp, false},
        {"登録番号", w->Edit_TaxRegNo, false},
        {"印刷部数", w->KiNumEdit_BUSUU, false},
        {"新税率", w->KiNumEdit_TaxNew, false},
        {"TOPﾏｰｼﾞﾝ", margins.KiNumEdit_TOP, false},
        {"LEFTﾏｰｼﾞﾝ", margins.KiNumEdit_LEFT, false},
        {"履歴 日付", history.Edit_DateFrom, false},
        {"履歴 合計金額", history.Edit_TotalMax, false},
        {"履歴 伝票番号", history.Edit_SlipNo, false},
        {"おなまえ: hiragana", w->Edit_Custo1, true},
        {"おところ①: hiragana", w->Edit_Add1, true},
        {"履歴 お客様名", history.Edit_Customer, true},
    };
    for (const Row &r : rows)
        EXPECT_EQ(composes(r.field), r.composes) << r.name;
}

} // namespace
