// Records kept as the law asks, through the window: F11 records the note
// before the job and keeps the PDF as sent; 取消 and 訂正 from the history
// with their reason and state; a cancelled note is not printed again; the
// next start ends the prints a killed program left open.
#include "WindowFixture.h"
#include "mainwindow/HistoryDialog.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "store/NoteLedger.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class RecordsWindow : public WindowFixture
{
protected:
    void setUpPrinters() override { useFakeSpooler({}, {}, true); }

    ledger::NoteLedger store() { return ledger::NoteLedger(w->ledgerPath()); }
    QByteArray pdfBytes(const QString &name)
    {
        QFile f(dir.filePath(QStringLiteral("納品書PDF/") + name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void print()
    {
        Dialogs::pushAnswer(true);
        w->SpeedButton_F11Click();
    }
    // Runs `step` on the history window, then closes it.
    void inHistory(const std::function<void(HistoryDialog &)> &step)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto *d = qobject_cast<HistoryDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            ran = true;
            step(*d);
            if (d->isVisible())
                d->reject();
        });
        w->SpeedButton_F9Click();
        EXPECT_TRUE(ran);
    }
    std::map<qint64, ledger::NoteStatus> states(const std::vector<qint64> &ids)
    {
        std::map<qint64, ledger::NoteStatus> st;
        store().statusOf(ids, st);
        return st;
    }
};

} // namespace

TEST_F(RecordsWindow, PdfAsSentCancellationAndCorrection)
{
    fillNote();
    print();
    w->KiNumEdit_Slipno->setText(QStringLiteral("124"));
    print();
    std::vector<ledger::NoteSummary> all;
    ASSERT_TRUE(store().search({}, -1, all).ok());
    ASSERT_EQ(all.size(), 2u);
    const qint64 second = all[0].id, first = all[1].id;

    // The very bytes the printer wrote come back.
    QByteArray kept;
    QString name;
    ASSERT_TRUE(store().keptPdf(first, kept, name).ok());
    EXPECT_EQ(kept, pdfBytes(QStringLiteral("Kanro_Vey_1_0_20261209-123.pdf")));
    EXPECT_FALSE(kept.isEmpty());

    Dialogs::resetForTest();
    Dialogs::setTestMode(true);
    inHistory([&](HistoryDialog &d) {
        d.Table_Notes->selectRow(0); // the newest: 124
        d.Button_Cancel->click();
        EXPECT_EQ(Dialogs::shownTexts().last(), "取消の理由を入力してください。");
        d.Edit_Reason->setText(QStringLiteral("二重に発行"));
        Dialogs::pushAnswer(true);
        d.Button_Cancel->click();
        EXPECT_EQ(d.Table_Notes->item(0, 6)->text(), "取消");
        d.Table_Notes->selectRow(0);
        d.Button_Reprint->click();
        EXPECT_TRUE(Dialogs::shownTexts().last().startsWith(
            QStringLiteral("この伝票は取消または訂正済みのため、再印刷できません。")));
        d.CheckBox_Voided->setChecked(false);
        ASSERT_EQ(d.listed().size(), 1u);
        d.CheckBox_Voided->setChecked(true);
        d.Table_Notes->selectRow(1); // 123
        d.Edit_Reason->setText(QStringLiteral("数量の誤り"));
        d.Button_Correct->click();
    });
    EXPECT_EQ(w->KiNumEdit_Slipno->Text(), "123") << "訂正 loads the note";
    w->dQTY_Ary[1]->setText(QStringLiteral("3"));
    w->DEN_SALS();
    print();
    ASSERT_TRUE(store().search({}, -1, all).ok());
    ASSERT_EQ(all.size(), 3u);
    const qint64 fix = all[0].id;
    auto st = states({first, second, fix});
    EXPECT_EQ(st[second].state, ledger::NoteState::Cancelled);
    EXPECT_EQ(st[second].reason, "二重に発行");
    EXPECT_EQ(st[first].state, ledger::NoteState::Corrected);
    EXPECT_EQ(st[first].correctedBy, fix);
    EXPECT_EQ(st[first].reason, "数量の誤り");
    EXPECT_EQ(st[fix].corrects, first);
    inHistory([&](HistoryDialog &d) {
        ASSERT_EQ(d.listed().size(), 3u);
        EXPECT_EQ(d.Table_Notes->item(0, 6)->text(), QStringLiteral("訂正(%1の)").arg(first));
        EXPECT_EQ(d.Table_Notes->item(2, 6)->text(), QStringLiteral("訂正済(→%1)").arg(fix));
        d.Button_Verify->click();
        EXPECT_EQ(Dialogs::shownTexts().last(), "すべての記録 (11 件) が一致しました。");
    });
}

// A note printed again after 画面に読込 is its reprint, never a new note.
TEST_F(RecordsWindow, LoadedNotePrintedAgainIsItsReprint)
{
    fillNote();
    print();
    std::vector<ledger::NoteSummary> all;
    ASSERT_TRUE(store().search({}, -1, all).ok());
    ASSERT_TRUE(w->loadIssuedNote(all[0].id));
    print();
    ASSERT_TRUE(store().search({}, -1, all).ok());
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].reprintOf, all[1].id);
}

// The shop's rounding changed since a note was recorded: loading sums it
// with its own rounding (the setting stays), printing it unchanged is its
// reprint with the recorded figures, a changed row is summed the same way,
// and another slip number is another note, summed with the shop's.
TEST_F(RecordsWindow, LoadedNoteKeepsItsOwnRounding)
{
    fillNote();
    w->dQTY_Ary[1]->setText(QStringLiteral("1"));
    w->dPRICE_Ary[1]->setText(QStringLiteral("1505")); // tax of 2,485: 248.5
    w->Edit_TxDisp->setText(QStringLiteral("0"));
    print();
    w->Edit_TxDisp->setText(QStringLiteral("1"));
    std::vector<ledger::NoteSummary> all;
    ASSERT_TRUE(store().search({}, -1, all).ok());
    ASSERT_EQ(all.size(), 1u);
    ASSERT_EQ(all[0].tax, QStringLiteral("248"));
    const qint64 old = all[0].id;
    Dialogs::resetForTest();
    Dialogs::setTestMode(true);
    ASSERT_TRUE(w->loadIssuedNote(old));
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty());
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("248"));
    EXPECT_TRUE(w->StatusBar1->currentMessage().contains(QStringLiteral("切捨て")));
    EXPECT_EQ(w->Edit_TxDisp->text(), QStringLiteral("1"));
    const QString slip = w->KiNumEdit_Slipno->Text();
    w->KiNumEdit_Slipno->setText(QStringLiteral("999"));
    emit w->KiNumEdit_Slipno->OnChange(w->KiNumEdit_Slipno);
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("249"));
    w->KiNumEdit_Slipno->setText(slip);
    emit w->KiNumEdit_Slipno->OnChange(w->KiNumEdit_Slipno);
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("248"));
    print();
    ASSERT_TRUE(store().search({}, -1, all).ok());
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].reprintOf, old);
    EXPECT_EQ(all[0].tax, QStringLiteral("248"));
    // Printed, the note is done: the window sums with the shop's rounding.
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("249"));

    ASSERT_TRUE(w->loadIssuedNote(old));
    w->dQTY_Ary[1]->setText(QStringLiteral("3")); // 5,495 at 10 %: 549.5
    w->KiNumEdit_QTYChange(w->KiNumEdit_QTY[1]);
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("549"));
    print();
    ASSERT_TRUE(store().search({}, -1, all).ok());
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].tax, QStringLiteral("549"));
    EXPECT_EQ(states({old})[old].state, ledger::NoteState::Corrected);
}

class InterruptedStart : public RecordsWindow
{
protected:
    bool startsWindow() const override { return false; }
};

// Two notes a killed program left "印刷中": one whose PDF was written
// whole, one whose job never ended. The next start ends both.
TEST_F(InterruptedStart, NextStartEndsPrintsLeftOpen)
{
    ledger::NoteLedger ledger(ledger::ledgerFilePath(dir.path()));
    ledger::IssuedNote done, lost;
    done.jobTitle = QStringLiteral("Kanro_Vey_1_0_20261209-7");
    lost.jobTitle = QStringLiteral("Kanro_Vey_1_0_20261209-8");
    ASSERT_TRUE(ledger.beginPrint(done).ok());
    ASSERT_TRUE(ledger.beginPrint(lost).ok());
    QDir().mkpath(dir.filePath(QStringLiteral("納品書PDF")));
    const QByteArray pdf("%PDF-1.4\n...\n%%EOF\n");
    QFile f(dir.filePath(QStringLiteral("納品書PDF/Kanro_Vey_1_0_20261209-7.pdf")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(pdf);
    f.close();
    QFile half(dir.filePath(QStringLiteral("納品書PDF/Kanro_Vey_1_0_20261209-8.pdf")));
    ASSERT_TRUE(half.open(QIODevice::WriteOnly)); // the job was killed mid-write
    half.close();

    startWindow();
    auto st = states({done.id, lost.id});
    EXPECT_EQ(st[done.id].state, ledger::NoteState::Issued);
    EXPECT_EQ(st[lost.id].state, ledger::NoteState::Failed);
    QByteArray kept;
    QString name;
    ASSERT_TRUE(store().keptPdf(done.id, kept, name).ok());
    EXPECT_EQ(kept, pdf);
    EXPECT_TRUE(w->StatusBar1->currentMessage().contains(QStringLiteral("2 件")));
}

// バックアップ while the window runs, then 復元 after a question.
TEST_F(RecordsWindow, BackupAndRestoreFromTheHistory)
{
    fillNote();
    print();
    inHistory([&](HistoryDialog &d) { d.Button_Backup->click(); });
    w->KiNumEdit_Slipno->setText(QStringLiteral("124"));
    print();
    inHistory([&](HistoryDialog &d) {
        ASSERT_EQ(d.listed().size(), 2u);
        Dialogs::pushAnswer(true);
        d.Button_Restore->click();
        EXPECT_TRUE(Dialogs::shownTexts().last().startsWith(QStringLiteral("発行履歴を Kanro_ledger-backup-")))
            << Dialogs::shownTexts().last().toStdString();
        EXPECT_EQ(d.listed().size(), 1u);
    });
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("Kanro_ledger-before-restore-*.db")}).size(), 1);
}

// A ledger that cannot be written (another program holds its lock): the
// note waits beside it and is recorded with the next print that can be.
TEST_F(RecordsWindow, NoteTheLedgerCannotTakeWaitsAndIsRecordedLater)
{
    fillNote();
    print();
    {
        QSqlDatabase lock = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lock"));
        lock.setDatabaseName(w->ledgerPath());
        ASSERT_TRUE(lock.open());
        QSqlQuery(lock).exec(QStringLiteral("BEGIN IMMEDIATE"));
        w->KiNumEdit_Slipno->setText(QStringLiteral("124"));
        print();
        EXPECT_TRUE(Dialogs::shownTexts().last().contains(QStringLiteral("記録を待つ伝票として")))
            << Dialogs::shownTexts().last().toStdString();
        lock.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("lock"));
    w->KiNumEdit_Slipno->setText(QStringLiteral("125"));
    print();
    std::vector<ledger::NoteSummary> all;
    ASSERT_TRUE(store().search({}, -1, all).ok());
    QStringList slips;
    for (const auto &n : all)
        slips << n.slipNo;
    slips.sort();
    EXPECT_EQ(slips, QStringList({"123", "124", "125"}));
}
