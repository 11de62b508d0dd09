#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "printing/PrinterRegistration.h"
#include "printing/VODE97ZPrnUnit.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace printing;

namespace {

struct Host : MarginHost
{
    QString dir;
    QString section = QStringLiteral("手差し");
    QString top = QStringLiteral("15");
    QString left = QStringLiteral("-3");
    QString feedSection() const override { return section; }
    QString printerName() const override { return QStringLiteral(" Office "); }
    QString printerIndexCaption() const override { return QStringLiteral("2"); }
    QString topCaption() const override { return top; }
    QString leftCaption() const override { return left; }
    void setOffsets(const QString &t, const QString &l) override
    {
        top = t;
        left = l;
    }
    QString registrationDir() const override { return dir; }
};

void key(QWidget *w, int k)
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

struct MarginDialog : ::testing::Test
{
    QTemporaryDir dir;
    Host host;
    TForm_VODE97ZPrn dialog;

    void SetUp() override
    {
        Dialogs::setTestMode(true);
        host.dir = dir.path();
        dialog.setHost(&host);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QApplication::processEvents();
    }
    void TearDown() override { Dialogs::resetForTest(); }
};

} // namespace

TEST_F(MarginDialog, ShowsTheRegisteredOffsets)
{
    EXPECT_EQ(dialog.windowTitle(), "印字位置調整");
    EXPECT_EQ(dialog.size(), QSize(190, 160));
    EXPECT_EQ(dialog.KiNumEdit_TOP->Text(), "15");
    EXPECT_EQ(dialog.KiNumEdit_LEFT->Text(), "-3");
    // Both fields and the button lie inside the dialog, wide enough for offsets.
    for (QWidget *w : {static_cast<QWidget *>(dialog.KiNumEdit_TOP),
                       static_cast<QWidget *>(dialog.KiNumEdit_LEFT),
                       static_cast<QWidget *>(dialog.BitBtn_MRGN)}) {
        const QRect r(w->mapTo(&dialog, QPoint(0, 0)), w->size());
        EXPECT_TRUE(dialog.rect().contains(r)) << w->objectName().toStdString();
        EXPECT_GE(w->width(), 70) << w->objectName().toStdString();
    }
}

TEST_F(MarginDialog, FieldsTakeWholeNumbersOnly)
{
    // The field opens with its text selected: typing replaces it.
    QTest::keyClicks(dialog.KiNumEdit_TOP, QStringLiteral("12"));
    EXPECT_EQ(dialog.KiNumEdit_TOP->Text(), "12");
    QTest::keyClicks(dialog.KiNumEdit_TOP, QStringLiteral(".5"));
    EXPECT_EQ(dialog.KiNumEdit_TOP->Text(), "125") << "the point is refused";
}

TEST_F(MarginDialog, DecliningKeepsTheDialogAndWritesNothing)
{
    Dialogs::pushAnswer(false);
    dialog.KiNumEdit_TOP->setText(QStringLiteral("20"));
    dialog.BitBtn_MRGN->click();
    EXPECT_EQ(Dialogs::shownTexts(), QStringList{"印字位置調整の余白を登録しますか?"});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(host.top, "15");
    EXPECT_FALSE(QFile::exists(registrationFilePath(dir.path())));
    EXPECT_EQ(dialog.KiNumEdit_TOP->Text(), "20") << "typed offsets stay";
}

TEST_F(MarginDialog, RegisteringWritesTheFeedsSectionAndCloses)
{
    Dialogs::pushAnswer(true);
    dialog.KiNumEdit_TOP->setText(QStringLiteral("20"));
    dialog.KiNumEdit_LEFT->setText(QStringLiteral("-5"));
    dialog.BitBtn_MRGN->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(host.top, "20");
    EXPECT_EQ(host.left, "-5");
    EXPECT_EQ(readRegistration(registrationFilePath(dir.path()), QStringLiteral("手差し")),
              (Registration{"2", "20", "-5"}));
}

TEST_F(MarginDialog, WriteErrorIsReportedAndTheDialogStays)
{
    host.dir = dir.filePath(QStringLiteral("gone"));
    Dialogs::pushAnswer(true);
    dialog.BitBtn_MRGN->click();
    ASSERT_EQ(Dialogs::shownBoxes().size(), 2);
    EXPECT_EQ(Dialogs::shownBoxes().at(1).kind, Dialogs::BoxKind::Error);
    EXPECT_TRUE(Dialogs::shownBoxes().at(1).text.endsWith(" に書き込めません"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(host.top, "15");
}

TEST_F(MarginDialog, EnterAndUpMoveTheFocus)
{
    dialog.activateWindow();
    dialog.KiNumEdit_TOP->setFocus();
    key(dialog.KiNumEdit_TOP, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), dialog.KiNumEdit_LEFT);
    key(dialog.KiNumEdit_LEFT, Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), dialog.KiNumEdit_TOP);
    dialog.KiNumEdit_LEFT->setFocus();
    key(dialog.KiNumEdit_LEFT, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), dialog.BitBtn_MRGN);
}

// A keyboard-only operator: Enter through both fields to the register
// button, Enter there asks, and the answer registers.
TEST_F(MarginDialog, EnterOnTheRegisterButtonRegisters)
{
    const struct
    {
        const char *name;
        bool answer;
        bool registered;
    } rows[] = {
        {"answered yes: written and closed", true, true},
        {"answered no: the dialog stays", false, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(registrationFilePath(dir.path()));
        host.top = QStringLiteral("15");
        Dialogs::resetForTest();
        Dialogs::setTestMode(true);
        dialog.show();
        dialog.activateWindow();
        QApplication::processEvents();
        dialog.KiNumEdit_TOP->setFocus();
        dialog.KiNumEdit_TOP->setText(QStringLiteral("21"));
        key(dialog.KiNumEdit_TOP, Qt::Key_Return);
        EXPECT_TRUE(Dialogs::shownTexts().isEmpty()) << "Enter in a field only moves on";
        key(dialog.KiNumEdit_LEFT, Qt::Key_Return);
        ASSERT_EQ(QApplication::focusWidget(), dialog.BitBtn_MRGN);
        EXPECT_TRUE(dialog.BitBtn_MRGN->isDefault());
        Dialogs::pushAnswer(row.answer);
        key(dialog.BitBtn_MRGN, Qt::Key_Return);
        EXPECT_EQ(Dialogs::shownTexts(), QStringList{"印字位置調整の余白を登録しますか?"});
        EXPECT_EQ(QFile::exists(registrationFilePath(dir.path())), row.registered);
        EXPECT_EQ(dialog.isVisible(), !row.registered);
        EXPECT_EQ(host.top, row.registered ? "21" : "15");
    }
}

