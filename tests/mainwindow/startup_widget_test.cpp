// What start-up leaves for the first turn of the event loop, and the row
// cells bound by one walk over the window.
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(Startup, ButtonPicturesArriveInTheFirstLoopTurnBeforeTheFirstPaint)
{
    Dialogs::setTestMode(true);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TForm_Main w(dir.path());
    QPushButton *pictured[] = {w.BitBtn_1, w.BitBtn_MemoCLS, w.BitBtn_CLS, w.BitBtn_SendMail,
                               w.BitBtn_WebHelp};
    for (QPushButton *b : pictured)
        EXPECT_TRUE(b->icon().isNull()) << b->objectName().toStdString() << " before the loop";
    w.show();
    QCoreApplication::processEvents(); // one turn, before any paint is waited for
    for (QPushButton *b : pictured)
        EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();
    EXPECT_EQ(w.BitBtn_CLS->icon().cacheKey(), w.BitBtn_MemoCLS->icon().cacheKey())
        << "the two clear buttons share one picture";
    Dialogs::resetForTest();
}

TEST(Startup, RowCellTablesHoldEachRowsOwnCells)
{
    Dialogs::setTestMode(true);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TForm_Main w(dir.path());
    w.show();
    QCoreApplication::processEvents();
    for (int i = 1; i <= TForm_Main::kRows; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(w.dITEMNO_Ary[i], w.Edit_itemNo[i]);
        EXPECT_EQ(w.dITEM_Ary[i], w.Edit_item[i]);
        EXPECT_EQ(w.dQTY_Ary[i], w.KiNumEdit_QTY[i]);
        EXPECT_EQ(w.dUNIT_Ary[i], w.Edit_unit[i]);
        EXPECT_EQ(w.dPRICE_Ary[i], w.KiNumEdit_Price[i]);
        EXPECT_EQ(w.dSALES_Ary[i], w.KiNumEdit_Sales[i]);
    }
    Dialogs::resetForTest();
}

} // namespace
