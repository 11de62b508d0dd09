#include "platform/CommandGuard.h"
#include "platform/Dialogs.h"

#include <gtest/gtest.h>
#include <ostream>
#include <stdexcept>

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

class DialogsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Dialogs::resetForTest();
        Dialogs::setTestMode(true);
    }
    void TearDown() override { Dialogs::resetForTest(); }
};

TEST_F(DialogsTest, QuestionsTakeScriptedAnswersThenTheirDefaultButton)
{
    Dialogs::pushAnswer(false);
    Dialogs::pushAnswer(true);
    EXPECT_FALSE(Dialogs::askYesNo(nullptr, QString::fromUtf8("終了しますか?")));
    EXPECT_TRUE(Dialogs::askYesNo(nullptr, QString::fromUtf8("印刷しますか?"), false));
    EXPECT_EQ(0, Dialogs::pendingAnswers());
    // Queue empty: the default button answers.
    EXPECT_TRUE(Dialogs::askYesNo(nullptr, "a"));
    EXPECT_FALSE(Dialogs::askYesNo(nullptr, "b", false));

    const QList<Dialogs::ShownBox> expected = {
        {Dialogs::BoxKind::Question, QString::fromUtf8("終了しますか?"), true, false},
        {Dialogs::BoxKind::Question, QString::fromUtf8("印刷しますか?"), false, true},
        {Dialogs::BoxKind::Question, "a", true, true},
        {Dialogs::BoxKind::Question, "b", false, false},
    };
    EXPECT_EQ(expected, Dialogs::shownBoxes());
}

TEST_F(DialogsTest, EveryKindIsRecordedInOrder)
{
    Dialogs::notify(nullptr, QString::fromUtf8("転送テキストがありません"));
    Dialogs::askYesNo(nullptr, "q");
    Dialogs::showError(nullptr, "Printer selection failed");
    const QStringList expected = {QString::fromUtf8("転送テキストがありません"), "q",
                                  "Printer selection failed"};
    EXPECT_EQ(expected, Dialogs::shownTexts());
    ASSERT_EQ(3, Dialogs::shownBoxes().size());
    EXPECT_EQ(Dialogs::BoxKind::Notice, Dialogs::shownBoxes()[0].kind);
    EXPECT_EQ(Dialogs::BoxKind::Error, Dialogs::shownBoxes()[2].kind);
}

TEST_F(DialogsTest, ResetForgetsQueueAndRecordAndLeavesTestMode)
{
    Dialogs::pushAnswer(false);
    Dialogs::notify(nullptr, "x");
    Dialogs::resetForTest();
    EXPECT_FALSE(Dialogs::isTestMode());
    EXPECT_EQ(0, Dialogs::pendingAnswers());
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty());
}

struct Custom
{
};

TEST_F(DialogsTest, GuardTurnsEveryEscapingErrorIntoOneErrorBox)
{
    const struct
    {
        const char *name;
        std::function<void()> command;
        bool finished;
        QStringList texts;
    } rows[] = {
        {"normal command", [] {}, true, {}},
        {"empty command", {}, true, {}},
        {"std::exception text",
         [] { throw std::runtime_error("Printer selection failed"); },
         false,
         {"Printer selection failed"}},
        {"UTF-8 text",
         [] { throw std::runtime_error("/tmp/x.ini に書き込めません"); },
         false,
         {QString::fromUtf8("/tmp/x.ini に書き込めません")}},
        {"invalid UTF-8 does not crash",
         [] { throw std::runtime_error("bad \xff byte"); },
         false,
         {QString::fromUtf8("bad \xff byte")}},
        {"foreign exception", [] { throw Custom{}; }, false, {"Unknown error"}},
        {"integer thrown", [] { throw 42; }, false, {"Unknown error"}},
        {"command that asked first",
         [] {
             Dialogs::askYesNo(nullptr, "q");
             throw std::logic_error("late");
         },
         false,
         {"q", "late"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Dialogs::resetForTest();
        Dialogs::setTestMode(true);
        EXPECT_EQ(row.finished, runGuarded(nullptr, row.command));
        EXPECT_EQ(row.texts, Dialogs::shownTexts());
        if (!row.finished) {
            EXPECT_EQ(Dialogs::BoxKind::Error, Dialogs::shownBoxes().last().kind);
        }
    }
}

TEST_F(DialogsTest, NestedGuardReportsOnceAndOuterCommandGoesOn)
{
    bool outerContinued = false;
    const bool finished = runGuarded(nullptr, [&] {
        runGuarded(nullptr, [] { throw std::runtime_error("inner"); });
        outerContinued = true;
    });
    EXPECT_TRUE(finished);
    EXPECT_TRUE(outerContinued);
    EXPECT_EQ(QStringList{"inner"}, Dialogs::shownTexts());
}

} // namespace
