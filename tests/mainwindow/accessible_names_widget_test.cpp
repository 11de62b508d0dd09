// Accessible names: every control of the three tabs that takes input or acts
// has a Japanese name from its caption; fields with a help message carry it
// as their description. The walk is generic, so a control added later
// without a name fails it.
#include "WindowFixture.h"
#include "mainwindow/HelpMessages.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/AccessibleNames.h"
#include "platform/Dialogs.h"
#include "printer/VoPrinters.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

std::string describe(const QList<QWidget *> &widgets)
{
    std::string out;
    for (const QWidget *w : widgets)
        out +=
            std::string(w->metaObject()->className()) + " '" + w->objectName().toStdString() + "' ";
    return out;
}

class AccessibleNamesTest : public WindowFixture
{
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }
};

TEST_F(AccessibleNamesTest, EveryOperableControlOfTheThreeTabsHasAName)
{
    std::set<QWidget *> walked;
    for (int tab = 0; tab < w->PageControl1->count(); ++tab) {
        w->PageControl1->setCurrentIndex(tab);
        QApplication::processEvents();
        const QList<QWidget *> controls = operableControls(w.get());
        for (QWidget *c : controls)
            walked.insert(c);
        EXPECT_TRUE(unnamedControls(w.get()).isEmpty())
            << "tab " << tab << ": " << describe(unnamedControls(w.get()));
    }
    // The walk reaches the rows inside the scroll box, the function buttons
    // (no focus, but they act) and the controls of every tab.
    for (QWidget *c :
         {static_cast<QWidget *>(w->Edit_itemNo[10]), static_cast<QWidget *>(w->KiNumEdit_Price[7]),
          static_cast<QWidget *>(w->SpeedButton_F[11]), static_cast<QWidget *>(w->BitBtn_CLS),
          static_cast<QWidget *>(w->Edit_Remark[9]), static_cast<QWidget *>(w->ComboBox_SEL),
          static_cast<QWidget *>(w->KiNumEdit_TaxNew),
          static_cast<QWidget *>(w->DateTimePicker_TaxEnforDate)})
        EXPECT_EQ(walked.count(c), 1u) << c->objectName().toStdString();
    // Hidden stored fields and the inner edit of a date picker are no
    // controls of their own.
    EXPECT_EQ(walked.count(w->Edit_G[1]), 0u);
    for (QLineEdit *inner : w->DateTimePicker_1->findChildren<QLineEdit *>())
        EXPECT_EQ(walked.count(inner), 0u);
    EXPECT_GE(walked.size(), 100u) << "ten rows of six cells alone are 60";
}

TEST_F(AccessibleNamesTest, NamesComeFromCaptionsAndDescriptionsFromTheHelpMessages)
{
    struct Row
    {
        const char *what;
        QWidget *control;
        QString name;
        QString description;
    };
    const Row rows[] = {
        {"quantity cell of row 3", w->KiNumEdit_QTY[3], QStringLiteral("3行目 数量"), help::Qty},
        {"item line 1 of row 10", w->Edit_itemNo[10], QStringLiteral("10行目 品名1"), help::ItemNo},
        {"unit price of row 1", w->KiNumEdit_Price[1], QStringLiteral("1行目 単価"), help::Price},
        {"postal code", w->Edit_Zip, QStringLiteral("郵便番号"), help::Zip},
        {"address line 2", w->Edit_Add2, QStringLiteral("おところ②"), help::Add23},
        {"note date after its check box", w->DateTimePicker_1, QStringLiteral("日付"), help::Date},
        {"slip number", w->KiNumEdit_Slipno, QStringLiteral("伝票番号"), help::Slipno},
        {"copies", w->KiNumEdit_BUSUU, QStringLiteral("印刷部数"), help::Busuu},
        {"shop line 2 from its group", w->Edit_021[2], QStringLiteral("2行目 納品書印字自社名など"),
         help::Printed},
        {"button from its own text", w->BitBtn_PrnSet2, QStringLiteral("余白調整"),
         QStringLiteral("印刷する用紙の上余白、左余白を調整します")},
        {"check box from its text, hint as description", w->CheckBox_NewPage,
         QStringLiteral("改ページ信号"),
         QStringLiteral("白紙ページが出力される場合に、チェックをはずしてください。")},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(r.control->accessibleName(), r.name);
        EXPECT_EQ(r.control->accessibleDescription(), r.description);
    }
}

TEST_F(AccessibleNamesTest, FunctionButtonsAreNamedAfterTheirCaptionAndKeyAndFollowTabChanges)
{
    EXPECT_EQ(w->SpeedButton_F[11]->accessibleName(), QStringLiteral("印刷 (F11)"));
    EXPECT_EQ(w->SpeedButton_F[2]->accessibleName(), QStringLiteral("中止 (F2)"));
    EXPECT_EQ(w->SpeedButton_F[5]->accessibleName(), QStringLiteral("前回 (F5)"));
    EXPECT_EQ(w->SpeedButton_F[6]->accessibleName(), QStringLiteral("F6"));
    w->PageControl1->setCurrentIndex(1);
    EXPECT_EQ(w->SpeedButton_F[11]->accessibleName(), QStringLiteral("F11"));
    w->PageControl1->setCurrentIndex(0);
    EXPECT_EQ(w->SpeedButton_F[11]->accessibleName(), QStringLiteral("印刷 (F11)"));
    // Whatever a button's caption, its name says it and the key.
    for (int i = 1; i <= 12; ++i) {
        const QString key = QStringLiteral("F%1").arg(i);
        const QString caption = w->SpeedButton_F[i]->text();
        const QString expected = caption == key ? key : QStringLiteral("%1 (%2)").arg(caption, key);
        EXPECT_EQ(w->SpeedButton_F[i]->accessibleName(), expected) << key.toStdString();
    }
}

// The walker itself, on a small tree: it must report what a real window
// would hide from a screen reader, and nothing that is not a control.
TEST(AccessibleWalk, ReportsUnnamedControlsAndSkipsPartsHiddenOnesAndLabels)
{
    QWidget root;
    auto *layout = new QVBoxLayout(&root);
    auto *caption = new QLabel(QStringLiteral("お名&前"), &root);
    auto *named = new QLineEdit(&root);
    auto *unnamed = new QLineEdit(&root);
    unnamed->setObjectName(QStringLiteral("unnamed"));
    auto *hidden = new QLineEdit(&root);
    hidden->hide();
    auto *date = new QDateEdit(&root);
    date->setAccessibleName(QStringLiteral("日付"));
    auto *combo = new QComboBox(&root);
    combo->setEditable(true);
    combo->setObjectName(QStringLiteral("combo"));
    auto *button = new QToolButton(&root);
    button->setFocusPolicy(Qt::NoFocus);
    button->setObjectName(QStringLiteral("button"));
    auto *group = new QGroupBox(QStringLiteral("グループ"), &root);
    auto *inGroup = new QCheckBox(QStringLiteral("領収済"), group);
    (new QVBoxLayout(group))->addWidget(inGroup);
    for (QWidget *c : {static_cast<QWidget *>(caption), static_cast<QWidget *>(named),
                       static_cast<QWidget *>(unnamed), static_cast<QWidget *>(hidden),
                       static_cast<QWidget *>(date), static_cast<QWidget *>(combo),
                       static_cast<QWidget *>(button), static_cast<QWidget *>(group)})
        layout->addWidget(c);
    hidden->hide();

    nameFromCaption(named, caption);
    EXPECT_EQ(named->accessibleName(), QStringLiteral("お名前"));

    const QList<QWidget *> controls = operableControls(&root);
    EXPECT_EQ(controls.size(), 6) << describe(controls);
    EXPECT_FALSE(controls.contains(caption));
    EXPECT_FALSE(controls.contains(hidden));
    EXPECT_TRUE(controls.contains(button)) << "a button acts without the focus";
    for (QLineEdit *inner : date->findChildren<QLineEdit *>())
        EXPECT_FALSE(controls.contains(inner));
    EXPECT_FALSE(controls.contains(combo->lineEdit()));

    QList<QWidget *> missing = unnamedControls(&root);
    std::sort(missing.begin(), missing.end());
    QList<QWidget *> expected = {unnamed, combo, button, inGroup};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(missing, expected) << describe(missing);

    nameFromCaption(inGroup, nullptr, QStringLiteral("グループ "));
    EXPECT_EQ(inGroup->accessibleName(), QStringLiteral("グループ 領収済"));
    EXPECT_FALSE(unnamedControls(&root).contains(inGroup));
}

TEST(AccessibleWalk, CaptionTextDropsMnemonicsAndTrims)
{
    struct Row
    {
        const char *what;
        QString text;
        QString expected;
    };
    const Row rows[] = {
        {"mnemonic dropped", QStringLiteral("はい(&Y)"), QStringLiteral("はい(Y)")},
        {"double ampersand is one", QStringLiteral("A&&B"), QStringLiteral("A&B")},
        {"blanks trimmed, full-width space inside kept", QStringLiteral(" 合　計 "),
         QStringLiteral("合　計")},
        {"trailing ampersand kept", QStringLiteral("&"), QStringLiteral("&")},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        QLabel l(r.text);
        EXPECT_EQ(captionText(&l), r.expected);
        QPushButton b(r.text);
        EXPECT_EQ(captionText(&b), r.expected);
    }
}

} // namespace
