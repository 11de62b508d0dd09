#include "numedit/KiNumEdit.h"

#include "platform/Beep.h"

#include <QtTest/QTest>
#include <gtest/gtest.h>

TEST(KiNumEditWidget, DefaultsAndTyping)
{
    TKiNumEdit edit;
    EXPECT_EQ(edit.width(), 121);
    EXPECT_EQ(edit.IntegerLength(), 9);
    edit.setText(QStringLiteral("1,234"));
    EXPECT_EQ(edit.Text(), QStringLiteral("1234"));
    EXPECT_EQ(edit.ValText(), QStringLiteral("1,234"));
}
