// The picture buttons' pictures, and the row cells bound by one walk over
// the window.
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The picture buttons have their pictures from the start, drawn by the
// program at the size each asks for, also disabled.
TEST(Startup, PictureButtonsHaveTheirPicturesFromTheStart)
{
    Dialogs::setTestMode(true);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TForm_Main w(dir.path());
    struct Row
    {
        QPushButton *button;
        QSize size; // the picture's size on the button
    };
    const Row rows[] = {{w.BitBtn_1, {32, 32}},       {w.BitBtn_MemoCLS, {16, 16}},
                        {w.BitBtn_CLS, {16, 16}},     {w.BitBtn_SendMail, {16, 16}},
                        {w.BitBtn_WebHelp, {16, 16}}};
    for (const Row &r : rows) {
        const std::string name = r.button->objectName().toStdString();
        ASSERT_FALSE(r.button->icon().isNull()) << name;
        EXPECT_EQ(r.button->iconSize(), r.size) << name;
        for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
            const QImage picture = r.button->icon().pixmap(r.size, 2.0, mode).toImage();
            EXPECT_EQ(picture.size(), r.size * 2) << name << " at twice the resolution";
            // Something is drawn, and not everywhere.
            int inked = 0;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    inked += qAlpha(picture.pixel(x, y)) > 0;
            EXPECT_GT(inked, picture.width() * picture.height() / 10) << name << " mode " << mode;
            EXPECT_LT(inked, picture.width() * picture.height()) << name << " mode " << mode;
        }
    }
    EXPECT_EQ(w.BitBtn_CLS->icon().cacheKey(), w.BitBtn_MemoCLS->icon().cacheKey())
        << "the two clear buttons share one picture";
    // A disabled picture is not the normal one.
    const QIcon transfer = w.BitBtn_1->icon();
    EXPECT_NE(transfer.pixmap(QSize(32, 32), 1.0, QIcon::Normal).toImage(),
              transfer.pixmap(QSize(32, 32), 1.0, QIcon::Disabled).toImage());
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
