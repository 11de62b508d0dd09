#include "platform/Dialogs.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

QStringList buttonTexts(const QMessageBox &box)
{
    QStringList texts;
    for (QAbstractButton *button : box.buttons())
        texts.append(button->text());
    texts.sort();
    return texts;
}

// The boxes are built and inspected, never shown.
TEST(DialogBoxes, QuestionBoxHasTitleNoIconAndYesNoButtons)
{
    for (const bool defaultYes : {true, false}) {
        SCOPED_TRACE(defaultYes ? "default yes" : "default no");
        std::unique_ptr<QMessageBox> box(
            Dialogs::createQuestionBox(nullptr, QString::fromUtf8("終了しますか?"), defaultYes));
        EXPECT_EQ(QString::fromUtf8("◇Kanro_VEY_1"), box->windowTitle());
        EXPECT_EQ(QString::fromUtf8("終了しますか?"), box->text());
        EXPECT_EQ(QMessageBox::NoIcon, box->icon());
        EXPECT_EQ(Qt::ApplicationModal, box->windowModality());
        EXPECT_EQ((QStringList{QString::fromUtf8("いいえ(&N)"), QString::fromUtf8("はい(&Y)")}),
                  buttonTexts(*box));
        ASSERT_NE(nullptr, box->defaultButton());
        EXPECT_EQ(defaultYes ? QString::fromUtf8("はい(&Y)") : QString::fromUtf8("いいえ(&N)"),
                  box->defaultButton()->text());
        ASSERT_NE(nullptr, box->escapeButton());
        EXPECT_EQ(QString::fromUtf8("いいえ(&N)"), box->escapeButton()->text());
    }
}

TEST(DialogBoxes, NoticeAndErrorBoxesHaveOnlyOk)
{
    std::unique_ptr<QMessageBox> notice(Dialogs::createNoticeBox(nullptr, "n"));
    std::unique_ptr<QMessageBox> error(Dialogs::createErrorBox(nullptr, "<b>e</b>"));
    EXPECT_EQ(QStringList{"OK"}, buttonTexts(*notice));
    EXPECT_EQ(QStringList{"OK"}, buttonTexts(*error));
    EXPECT_EQ(QMessageBox::NoIcon, notice->icon());
    EXPECT_EQ(QMessageBox::Critical, error->icon());
    EXPECT_EQ(Qt::PlainText, error->textFormat()); // error texts are never read as markup
    EXPECT_EQ(QString::fromUtf8("◇Kanro_VEY_1"), error->windowTitle());
}

} // namespace
