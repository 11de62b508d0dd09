// The ledger on the main window: F11 records, F9 finds, 再印刷 prints the
// same drawing again, 画面に読込 restores the window; a failing ledger never
// stops printing.
#include "FileSizeLimit.h"
#include "WindowFixture.h"
#include "store/NoteLedger.h"
#include "mainwindow/HistoryDialog.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "printer/VoPrinters.h"
#include "printing/PrinterRegistration.h"
#include "spooler/DevMode.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

const QString NotRecorded = QStringLiteral("印刷は済みましたが、発行履歴に記録できませんでした。");

class LedgerWindow : public WindowFixture
{
protected:
    void setUpPrinters() override
    {
        useFakeSpooler({FakePrinter::standard(QStringLiteral("Fake"))}, QStringLiteral("Fake"));
    }

    // The shared note with a destination and a unit.
    void fillNote()
    {
        WindowFixture::fillNote();
        w->Edit_Zip->setText(QStringLiteral("100-0001"));
        w->Edit_Add1->setText(QStringLiteral("東京都千代田区"));
        w->Edit_Add3->setText(QStringLiteral("1-1"));
        w->Edit_tel->setText(QStringLiteral("03-1234-5678"));
        w->dUNIT_Ary[1]->setText(QStringLiteral("箱"));
    }

    void pressF11()
    {
        Dialogs::pushAnswer(true);
        QTest::keyClick(w->Edit_Custo1, Qt::Key_F11);
    }

    std::vector<ledger::NoteSummary> recorded()
    {
        std::vector<ledger::NoteSummary> all;
        ledger::NoteLedger(w->ledgerPath()).search({}, -1, all);
        return all;
    }
};

// Text by text and line by line, positions and fonts included.
void expectSameDrawing(const RecordedJob &a, const RecordedJob &b)
{
    ASSERT_EQ(a.pages.size(), b.pages.size());
    for (std::size_t p = 0; p < a.pages.size(); ++p) {
        const RecordedPage &x = a.pages[p];
        const RecordedPage &y = b.pages[p];
        ASSERT_EQ(x.texts.size(), y.texts.size()) << "page " << p;
        for (std::size_t k = 0; k < x.texts.size(); ++k) {
            EXPECT_EQ(x.texts[k].text, y.texts[k].text) << "text " << k;
            EXPECT_EQ(x.texts[k].position, y.texts[k].position) << x.texts[k].text.toStdString();
            EXPECT_EQ(x.texts[k].font, y.texts[k].font) << x.texts[k].text.toStdString();
        }
        ASSERT_EQ(x.lines.size(), y.lines.size()) << "page " << p;
        for (std::size_t k = 0; k < x.lines.size(); ++k)
            EXPECT_EQ(x.lines[k], y.lines[k]) << "line " << k;
    }
}

} // namespace

TEST_F(LedgerWindow, PrintFindReprintAndLoad)
{
    fillNote();
    pressF11();
    ASSERT_EQ(spooler->jobs().size(), 1u);
    ASSERT_TRUE(spooler->jobs()[0].finished);
    ASSERT_EQ(recorded().size(), 1u);
    EXPECT_EQ(recorded()[0].customer, "山田太郎");
    EXPECT_EQ(recorded()[0].total, "4378");
    EXPECT_EQ(recorded()[0].printer, "Fake");
    EXPECT_TRUE(recorded()[0].pdfFile.isEmpty());

    // Another note is being written: its row is not printed yet.
    w->Edit_Cls();
    w->Edit_CLS2();
    w->KiNumEdit_Slipno->setText(QString());
    w->CheckBox_Recp->setChecked(false);
    w->DateTimePicker_1->setDate(QDate(2026, 12, 10));
    w->dITEM_Ary[1]->setText(QStringLiteral("書きかけ"));
    Dialogs::resetForTest();
    Dialogs::setTestMode(true);

    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto *d = qobject_cast<HistoryDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        ran = true;
        EXPECT_EQ(d->windowTitle(), "発行履歴");
        d->Edit_Customer->setText(QStringLiteral("田太"));
        d->Edit_DateFrom->setText(QStringLiteral("2026-12-01"));
        QTest::keyClick(d->Edit_Customer, Qt::Key_Return);
        ASSERT_EQ(d->listed().size(), 1u);
        EXPECT_EQ(d->Table_Notes->item(0, 2)->text(), "山田太郎");
        EXPECT_EQ(d->Table_Notes->item(0, 3)->text(), "4,378");
        EXPECT_EQ(d->Table_Notes->item(0, 4)->text(), "税抜");
        // KANRO_SCREENSHOT_DIR=<dir> keeps a picture of the window.
        if (qEnvironmentVariableIsSet("KANRO_SCREENSHOT_DIR"))
            d->grab().save(QDir(qEnvironmentVariable("KANRO_SCREENSHOT_DIR"))
                               .filePath(QStringLiteral("history.png")));

        Dialogs::pushAnswer(true); // 再印刷しますか?
        QTest::mouseClick(d->Button_Reprint, Qt::LeftButton);
        EXPECT_EQ(spooler->jobs().size(), 2u);
        ASSERT_EQ(d->listed().size(), 2u) << "the list shows the reprint";
        EXPECT_EQ(d->listed()[0].reprintOf, d->listed()[1].id);

        // Down into the list, down to the original, Enter loads it.
        QTest::keyClick(d->Edit_Customer, Qt::Key_Down);
        QTest::keyClick(d->Table_Notes, Qt::Key_Down);
        EXPECT_EQ(d->selectedId(), d->listed()[1].id);
        Dialogs::pushAnswer(true); // replace the unsaved row
        QTest::keyClick(d->Table_Notes, Qt::Key_Return);
    });
    QTest::keyClick(w->Edit_Custo1, Qt::Key_F9);
    ASSERT_TRUE(ran);
    EXPECT_EQ(Dialogs::shownTexts(),
              (QStringList{"再印刷しますか?",
                           "画面の明細は印刷されていません。発行履歴の伝票で置き換えますか?"}));

    const std::vector<RecordedJob> jobs = spooler->jobs();
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_TRUE(jobs[1].finished);
    EXPECT_EQ(jobs[1].title, jobs[0].title);
    ASSERT_FALSE(jobs[0].pages.empty());
    ASSERT_GT(jobs[0].pages[0].texts.size(), 20u) << "a whole note was drawn";
    expectSameDrawing(jobs[0], jobs[1]);

    // The window holds the recorded note again.
    EXPECT_EQ(w->Edit_Zip->text(), "100-0001");
    EXPECT_EQ(w->Edit_Add1->text(), "東京都千代田区");
    EXPECT_EQ(w->Edit_Add3->text(), "1-1");
    EXPECT_EQ(w->Edit_Custo1->text(), "山田太郎");
    EXPECT_EQ(w->Edit_tel->text(), "03-1234-5678");
    EXPECT_EQ(w->KiNumEdit_Slipno->Text(), "123");
    EXPECT_EQ(w->DateTimePicker_1->date(), QDate(2026, 12, 9));
    EXPECT_TRUE(w->CheckBox_Recp->isChecked());
    EXPECT_EQ(w->dITEM_Ary[1]->text(), "りんご");
    EXPECT_EQ(w->dUNIT_Ary[1]->text(), "箱");
    EXPECT_EQ(w->dSALES_Ary[1]->Text(), "3000");
    EXPECT_EQ(w->dITEM_Ary[2]->text(), "みかん");
    EXPECT_EQ(w->KiNumEdit_sttl->Text(), "4378");
    EXPECT_FALSE(w->holdsUnsavedRows());
}

// A reprint takes the print command's way: the landscape layout reprints on
// a landscape sheet of the same paper, and a registered printer that is gone
// stops it with F11's notice.
TEST_F(LedgerWindow, ReprintTakesThePrintCommandsWay)
{
    printing::writeRegistration(printing::registrationFilePath(dir.path()),
                                w->ComboBox_SEL->currentText(), QStringLiteral("Fake"),
                                {"0", "0", "0"});
    w->ComboBox_SELChange();
    w->ComboBox_Paper->setCurrentIndex(2);
    fillNote();
    pressF11();
    ASSERT_EQ(recorded().size(), 1u);
    Dialogs::pushAnswer(true);
    ASSERT_TRUE(w->reprintIssuedNote(recorded()[0].id));
    const std::vector<RecordedJob> jobs = spooler->jobs();
    ASSERT_EQ(jobs.size(), 2u);
    expectSameDrawing(jobs[0], jobs[1]);
    const auto sheet = [](const RecordedJob &j) {
        const auto *dm = reinterpret_cast<const DEVMODEW *>(j.settings.constData());
        return std::pair{int(dm->dmOrientation), int(dm->dmPaperSize)};
    };
    EXPECT_EQ(sheet(jobs[0]), (std::pair{int(devmode::DMORIENT_LANDSCAPE), devmode::DMPAPER_A5}));
    EXPECT_EQ(sheet(jobs[1]), sheet(jobs[0]));

    spooler->setPrinters({FakePrinter::standard(QStringLiteral("Other"))});
    VoPrinter->MainWindowHook(WM_WININICHANGE);
    const QString gone =
        QStringLiteral("プリンタ「Fake」が見つかりません（削除されたか、名前が変わりました）。"
                       "印刷を中止しました。");
    Dialogs::resetForTest();
    Dialogs::setTestMode(true);
    pressF11();
    Dialogs::pushAnswer(true);
    EXPECT_FALSE(w->reprintIssuedNote(recorded()[0].id));
    EXPECT_EQ(Dialogs::shownTexts(), (QStringList{"印刷しますか?", gone, "再印刷しますか?", gone}));
    EXPECT_EQ(spooler->jobs().size(), 2u);
}

TEST_F(LedgerWindow, DecliningTheQuestionKeepsTheWindow)
{
    fillNote();
    pressF11();
    w->Edit_CLS2();
    w->dITEM_Ary[1]->setText(QStringLiteral("書きかけ"));
    ASSERT_TRUE(w->holdsUnsavedRows());
    const qint64 id = recorded().at(0).id;
    Dialogs::pushAnswer(false);
    EXPECT_FALSE(w->loadIssuedNote(id));
    EXPECT_EQ(w->dITEM_Ary[1]->text(), "書きかけ");
}

// Only a job that ended well is recorded; a failing ledger never stops
// printing and says why.
TEST_F(LedgerWindow, WhatIsRecordedAndWhenTheLedgerFails)
{
    std::unique_ptr<QSqlDatabase> lock;
    std::unique_ptr<FileSizeLimit> limit;
    struct Row
    {
        const char *name;
        std::function<void()> before;
        bool confirm;
        bool jobFinished;
        int notes;      // notes in the ledger afterwards
        QString notice; // the start of the last box's text; empty: none
    };
    const QString path = ledger::ledgerFilePath(dir.path());
    const Row rows[] = {
        {"declined: nothing printed, nothing recorded", [] {}, false, false, 0, ""},
        // Recorded before the job was handed over, then marked failed.
        {"the job fails at its end: recorded as failed",
         [this] {
             spooler->failOn(FakeSpooler::Operation::Finish, QStringLiteral("paper jam"), 1);
         },
         true, false, 1, "TVoPrinter.EndDoc"},
        {"another program holds the write lock",
         [&] {
             std::vector<ledger::NoteSummary> none;
             ledger::NoteLedger(path).search({}, 0, none); // the file exists
             lock = std::make_unique<QSqlDatabase>(
                 QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lock")));
             lock->setDatabaseName(path);
             lock->open();
             QSqlQuery(*lock).exec(QStringLiteral("BEGIN IMMEDIATE"));
         },
         true, true, 0, NotRecorded},
        {"the ledger's name is taken by a folder", [&] { QDir().mkpath(path); }, true, true, 0,
         NotRecorded},
        {"disk full", [&] { limit = std::make_unique<FileSizeLimit>(512); }, true, true, 0,
         NotRecorded},
        {"a damaged file is set aside and a new one started",
         [&] {
             QFile f(path);
             f.open(QIODevice::WriteOnly);
             f.write(QByteArray(4096, 'x'));
         },
         // The new file also takes the two notes that waited (locked, folder).
         true, true, 3, "発行履歴のファイルが壊れていたため"},
    };
    for (const Row &r : rows) {
        QDir(path).removeRecursively();
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        r.before();
        const std::size_t jobsBefore = spooler->jobs().size();
        fillNote();
        Dialogs::resetForTest();
        Dialogs::setTestMode(true);
        Dialogs::pushAnswer(r.confirm);
        QTest::keyClick(w->Edit_Custo1, Qt::Key_F11);
        limit.reset();
        if (lock) {
            lock->close();
            lock.reset();
            QSqlDatabase::removeDatabase(QStringLiteral("lock"));
        }
        const std::vector<RecordedJob> jobs = spooler->jobs();
        const bool finished = jobs.size() > jobsBefore && jobs.back().finished;
        EXPECT_EQ(finished, r.jobFinished) << r.name;
        const QStringList texts = Dialogs::shownTexts();
        if (r.notice.isEmpty()) {
            EXPECT_EQ(texts.size(), 1) << r.name; // the confirmation only
        } else {
            ASSERT_FALSE(texts.isEmpty()) << r.name;
            EXPECT_TRUE(texts.back().startsWith(r.notice))
                << r.name << ": " << texts.back().toStdString();
        }
        if (QFileInfo(path).isFile())
            EXPECT_EQ(int(recorded().size()), r.notes) << r.name;
        else
            EXPECT_EQ(r.notes, 0) << r.name;
        spooler->clearFailures();
    }
}

TEST_F(LedgerWindow, HistoryKeyFollowsThePrintKey)
{
    EXPECT_TRUE(w->SpeedButton_F[9]->isEnabled());
    EXPECT_EQ(w->SpeedButton_F[9]->text(), "履歴");
    EXPECT_EQ(w->SpeedButton_F[9]->accessibleName(), "履歴 (F9)");
    w->PageControl1->setCurrentIndex(1);
    QApplication::processEvents();
    EXPECT_FALSE(w->SpeedButton_F[11]->isEnabled());
    EXPECT_FALSE(w->SpeedButton_F[9]->isEnabled());
    EXPECT_EQ(w->SpeedButton_F[9]->text(), "F9");
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (auto *d = QApplication::activeModalWidget()) {
            opened = true;
            d->close();
        }
    });
    w->FormKeyDown(w.get(), Qt::Key_F9);
    QApplication::processEvents();
    EXPECT_FALSE(opened);
    w->PageControl1->setCurrentIndex(0);
    QApplication::processEvents();
    EXPECT_TRUE(w->SpeedButton_F[9]->isEnabled());
    EXPECT_EQ(w->SpeedButton_F[9]->text(), "履歴");
}
