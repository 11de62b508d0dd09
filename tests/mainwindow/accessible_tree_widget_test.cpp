// What a screen reader reads, through Qt's accessibility interfaces (the
// ones the AT-SPI bridge serves): the main window's three tabs and every
// dialog. Each window has a title; each control the operator can reach is
// reached by the walk with a name; numeric fields expose their displayed
// text and their value; lists, boxes and margin fields carry their labels.
#include "WindowFixture.h"
#include "mainwindow/HistoryDialog.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "numedit/KiNumEdit.h"
#include "platform/AccessibleNames.h"
#include "platform/Dialogs.h"
#include "printer/VoPrinters.h"
#include "printing/PrintPreviewWindow.h"
#include "printing/VODE97ZPrnUnit.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using printing::PrintPreviewWindow;

namespace {

// Every interface below `iface`, by the widget it stands for.
void walk(QAccessibleInterface *iface, std::map<QObject *, QAccessibleInterface *> &out)
{
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface *child = iface->child(i);
        if (!child || out.count(child->object()))
            continue;
        out[child->object()] = child;
        walk(child, out);
    }
}

// Checks one window as a screen reader meets it; returns the number of
// controls checked.
int checkWindow(QWidget *window)
{
    SCOPED_TRACE(window->windowTitle().toStdString());
    QAccessibleInterface *root = QAccessible::queryAccessibleInterface(window);
    EXPECT_NE(root, nullptr);
    if (!root)
        return 0;
    EXPECT_FALSE(root->text(QAccessible::Name).trimmed().isEmpty()) << "window without a title";
    std::map<QObject *, QAccessibleInterface *> reached;
    walk(root, reached);
    int checked = 0;
    for (QWidget *c : operableControls(window)) {
        SCOPED_TRACE(c->objectName().toStdString());
        const auto it = reached.find(c);
        EXPECT_NE(it, reached.end()) << "not in the accessible tree";
        if (it == reached.end())
            continue;
        QAccessibleInterface *iface = it->second;
        EXPECT_FALSE(iface->text(QAccessible::Name).trimmed().isEmpty());
        if (auto *num = qobject_cast<TKiNumEdit *>(c)) {
            EXPECT_EQ(iface->role(), QAccessible::EditableText);
            QAccessibleTextInterface *text = iface->textInterface();
            QAccessibleValueInterface *value = iface->valueInterface();
            EXPECT_NE(text, nullptr);
            EXPECT_NE(value, nullptr);
            if (text) {
                EXPECT_EQ(text->text(0, text->characterCount()), num->ValText());
            }
            if (value) {
                EXPECT_EQ(value->currentValue().toDouble(), num->Text().toDouble());
            }
            EXPECT_EQ(iface->text(QAccessible::Value), num->ValText());
        }
        ++checked;
    }
    return checked;
}

class AccessibleTree : public WindowFixture
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
        setPrinterDialogExecHook(nullptr);
        WindowFixture::TearDown();
    }
    QString nameOf(QWidget *c) const
    {
        return QAccessible::queryAccessibleInterface(c)->text(QAccessible::Name);
    }
};

TEST_F(AccessibleTree, TheThreeTabsAndEveryDialogAreReadable)
{
    fillNote();
    w->DEN_SALS_2();
    w->DEN_SUM();
    int checked = 0;
    for (int tab = 0; tab < w->PageControl1->count(); ++tab) {
        w->PageControl1->setCurrentIndex(tab);
        QApplication::processEvents();
        checked += checkWindow(w.get());
    }
    EXPECT_GE(checked, 100);
    w->PageControl1->setCurrentIndex(0);

    int dialogs = 0;
    PrintPreviewWindow::setExecHook([&](PrintPreviewWindow &window) {
        window.show();
        EXPECT_GT(checkWindow(&window), 0);
        ++dialogs;
        return int(QDialog::Rejected);
    });
    w->SpeedButton_F10Click();
    setPrinterDialogExecHook([&](QDialog &dialog) {
        dialog.show();
        EXPECT_GT(checkWindow(&dialog), 0);
        ++dialogs;
        return int(QDialog::Rejected);
    });
    w->SpeedButton_F7Click();
    TForm_VODE97ZPrn margins(w.get());
    margins.show();
    checked = checkWindow(&margins);
    EXPECT_EQ(checked, 3) << "two margins and the button";
    HistoryDialog history(*w);
    history.show();
    EXPECT_GT(checkWindow(&history), 0);
    for (QMessageBox *box :
         {Dialogs::createQuestionBox(w.get(), QStringLiteral("印刷しますか?"), true),
          Dialogs::createNoticeBox(w.get(), QStringLiteral("お知らせ")),
          Dialogs::createErrorBox(w.get(), QStringLiteral("エラー"))}) {
        box->show();
        EXPECT_GE(checkWindow(box), int(box->buttons().size())) << "its buttons";
        delete box;
    }
    EXPECT_EQ(dialogs, 2) << "the preview and the printer set-up opened";
}

TEST_F(AccessibleTree, ListsBoxesAndMarginFieldsAreNamedByTheirLabels)
{
    TForm_VODE97ZPrn margins(w.get());
    struct Row
    {
        const char *what;
        QWidget *control;
        QString name;
    };
    const Row rows[] = {
        {"input mode of item line 1, not its value", w->ComboBox_ime_Itemno,
         QStringLiteral("品名1 入力モード")},
        {"input mode of the unit", w->ComboBox_ime_Unit, QStringLiteral("単位 入力モード")},
        {"layout list, not \"A5\"", w->ComboBox_Paper, QStringLiteral("印字用紙")},
        {"paper feed list", w->ComboBox_SEL, QStringLiteral("用紙選択")},
        {"bin list, not \"自動選択\"", w->ComboBox3, QStringLiteral("給紙方法")},
        {"receipt box", w->CheckBox_Recp, QStringLiteral("領収済")},
        {"total", w->KiNumEdit_sttl, QStringLiteral("税込合計")},
        {"top margin, not its group", margins.KiNumEdit_TOP, QStringLiteral("TOPﾏｰｼﾞﾝ")},
        {"left margin", margins.KiNumEdit_LEFT, QStringLiteral("LEFTﾏｰｼﾞﾝ")},
    };
    for (const Row &r : rows)
        EXPECT_EQ(nameOf(r.control), r.name) << r.what;
}

} // namespace
