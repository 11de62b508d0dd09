// Renders the main window with a sample note on each of its three tabs, and
// the print preview of that note. With KANRO_SCREENSHOT_DIR set
// (tools/screenshot.sh does so, under an X server) the pictures are written
// there as main-tab1.png .. main-tab3.png and preview.png.
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "FakeSpooler.h"
#include "platform/Fonts.h"
#include "spooler/SpoolerWithPdf.h"
#include "printer/VoPrinters.h"
#include "printing/PrintPreviewWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const char kSampleNote[] = "[Kn_Vey_1prn]\n"
                           "E_ZIP=150-0001\n"
                           "E_AD1=東京都渋谷区神宮前１－２－３\n"
                           "E_AD2=表参道ハイツ　２０１号\n"
                           "E_CUS=山田　太郎 様\n"
                           "E_TEL=03-1234-5678\n"
                           "E_021_1=甘露商店\n"
                           "E_021_2=〒100-0001 東京都千代田区千代田１－１\n"
                           "E_021_3=TEL 03-0000-0000\n"
                           "E_Rm1=お振込みは月末までにお願いいたします。\n"
                           "E_Rm2=返品は到着後７日以内にご連絡ください。\n"
                           "Edit_ITEMNO1=ボールペン　黒\n"
                           "Edit_ITEM1=0.5mm　10本入り\n"
                           "Edit_QTY1=3\n"
                           "Edit_Unit1=箱\n"
                           "Edit_Price1=1200\n"
                           "Edit_Sales1=3600\n"
                           "Edit_ITEMNO2=大学ノート\n"
                           "Edit_ITEM2=A4　罫線\n"
                           "Edit_QTY2=12\n"
                           "Edit_Unit2=冊\n"
                           "Edit_Price2=150\n"
                           "Edit_Sales2=1800\n"
                           "Edit_ITEMNO3=緑茶　ティーバッグ\n"
                           "Edit_ITEM3=50袋入り\n"
                           "Edit_QTY3=2\n"
                           "Edit_Unit3=袋\n"
                           "Edit_Price3=540\n"
                           "Edit_Sales3=1080\n"
                           "Reduced3=1\n"
                           "TaxRegNo=T1234567890123\n";

void writeSampleNote(const QTemporaryDir &dir)
{
    QFile f(dir.filePath(QStringLiteral("Kanro_Vey_1.ini")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(kSampleNote);
}

TEST(WindowScreenshot, EveryTabRendersAtTheFixedWindowSize)
{
    registerFontSubstitutions();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    writeSampleNote(dir);
    Dialogs::setTestMode(true);
    TForm_Main::todayProvider = [] { return QDate(2026, 12, 9); };
    {
        TForm_Main w(dir.path());
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        QApplication::setActiveWindow(&w);
        (void)QTest::qWaitForWindowActive(&w); // without a window manager it may stay inactive
        // Totals as the operator sees them after the first edit.
        w.SpeedButton1Click();
        w.KiNumEdit_Slipno->setText(QStringLiteral("42"));

        const QString out = qEnvironmentVariable("KANRO_SCREENSHOT_DIR");
        for (int tab = 0; tab < 3; ++tab) {
            w.PageControl1->setCurrentIndex(tab);
            if (tab == 0)
                w.Edit_itemNo[2]->setFocus();
            QApplication::processEvents();
            const QPixmap shot = w.grab();
            EXPECT_EQ(shot.size(), QSize(769, 661)) << tab;
            // Something is drawn: the picture is not one flat colour.
            const QImage img = shot.toImage();
            EXPECT_NE(img.pixel(40, 200), img.pixel(700, 620)) << tab;
            if (!out.isEmpty()) {
                EXPECT_TRUE(
                    shot.save(QDir(out).filePath(QStringLiteral("main-tab%1.png").arg(tab + 1))))
                    << tab;
            }
        }
        w.close();
    }
    TForm_Main::todayProvider = [] { return QDate::currentDate(); };
    Dialogs::resetForTest();
}

TEST(WindowScreenshot, PreviewOfTheSampleNote)
{
    registerFontSubstitutions();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    writeSampleNote(dir);
    Dialogs::setTestMode(true);
    TForm_Main::todayProvider = [] { return QDate(2026, 12, 9); };
    // The built-in PDF printer: A5 at 600 dpi.
    createVoPrinter(std::make_unique<SpoolerWithPdf>(std::make_unique<FakeSpooler>(), dir.path()),
                    std::chrono::milliseconds(0));
    {
        TForm_Main w(dir.path());
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        w.SpeedButton1Click();
        w.KiNumEdit_Slipno->setText(QStringLiteral("42"));
        w.CheckBox_Recp->setChecked(true);
        bool shown = false;
        printing::PrintPreviewWindow::setExecHook([&](printing::PrintPreviewWindow &preview) {
            preview.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&preview));
            QApplication::processEvents();
            const QPixmap shot = preview.grab();
            const QImage img = shot.toImage();
            // The sheet is white in the middle of the grey desk.
            const QPoint mid = preview.pageView()->mapTo(&preview, preview.pageView()->rect().center());
            EXPECT_EQ(img.pixel(mid), qRgb(255, 255, 255));
            const QString out = qEnvironmentVariable("KANRO_SCREENSHOT_DIR");
            if (!out.isEmpty()) {
                EXPECT_TRUE(shot.save(QDir(out).filePath(QStringLiteral("preview.png"))));
            }
            shown = true;
            return int(QDialog::Rejected);
        });
        w.SpeedButton_F10Click();
        printing::PrintPreviewWindow::setExecHook(nullptr);
        EXPECT_TRUE(shown);
        EXPECT_TRUE(Dialogs::shownTexts().isEmpty()) << Dialogs::shownTexts().join(',').toStdString();
        w.close();
    }
    destroyVoPrinter();
    TForm_Main::todayProvider = [] { return QDate::currentDate(); };
    Dialogs::resetForTest();
}

} // namespace
