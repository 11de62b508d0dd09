// The shared store on the main window: slip numbers from its counter, F11
// recording into it, a stopped server that neither stops printing nor loses
// a note, the connection test and moving this PC's ledger over.
#include "PrivatePostgres.h"
#include "WindowFixture.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "mainwindow/NoteSettings.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "store/NoteLedger.h"
#include "store/OutboxSender.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

class SharedStoreWindow : public WindowFixture
{
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        ASSERT_TRUE(server.error().isEmpty()) << server.error().toStdString();
        ASSERT_TRUE(server.createDatabase(QStringLiteral("shop")));
        shop = ledger::StoreTarget::postgres(server.connectString(QStringLiteral("shop")));
        w->Edit_DbConnect->setText(shop.location);
    }

    void printNote()
    {
        fillNote();
        Dialogs::pushAnswer(true);
        QTest::keyClick(w->Edit_Custo1, Qt::Key_F11);
    }

    int notesIn(const ledger::StoreTarget &t)
    {
        std::vector<ledger::NoteSummary> all;
        ledger::NoteLedger(t).search({}, -1, all);
        return int(all.size());
    }

    int waiting()
    {
        int n = -1;
        ledger::NoteLedger(w->ledgerPath()).waitingCount(n);
        return n;
    }

    PrivatePostgres server;
    ledger::StoreTarget shop;
};

} // namespace

TEST_F(SharedStoreWindow, PrintsWhileTheServerIsAwayAndLosesNothing)
{
    // Slip numbers: the counter starts after this terminal's own.
    w->KiNumEdit_Slipno->setText(QString());
    w->SpeedButton_slipnoClick();
    EXPECT_EQ(w->KiNumEdit_Slipno->Text(), "2");
    EXPECT_EQ(readSlipNumber(w->settingsFilePath()), 2) << "iSLIPNO still written";
    qint64 other = 0;
    ASSERT_TRUE(ledger::NoteLedger(shop).nextNumber(QStringLiteral("slip"), 0, other).ok());
    EXPECT_EQ(other, 3) << "another terminal gets the next one";

    printNote();
    EXPECT_EQ(notesIn(shop), 1);
    EXPECT_EQ(waiting(), 0);

    ASSERT_TRUE(server.stop());
    for (int k = 1; k <= 2; ++k) {
        QElapsedTimer timer;
        timer.start();
        printNote();
        EXPECT_LT(timer.elapsed(), ledger::sharedStoreTimeoutMs + 2000) << k;
        EXPECT_TRUE(spooler->jobs().back().finished) << k;
        EXPECT_EQ(waiting(), k);
        EXPECT_EQ(w->StatusBar1->currentMessage(),
                  QStringLiteral("共有の記録先に送れていない伝票が %1 件あります "
                                 "(接続できしだい送ります)")
                      .arg(k));
    }
    w->KiNumEdit_Slipno->setText(QString());
    Dialogs::resetForTest();
    Dialogs::setTestMode(true);
    w->SpeedButton_slipnoClick();
    EXPECT_TRUE(w->KiNumEdit_Slipno->Text().isEmpty()) << "the operator types one";
    ASSERT_EQ(Dialogs::shownTexts().size(), 1);
    EXPECT_TRUE(Dialogs::shownTexts()[0].startsWith(
        QStringLiteral("共有の記録先に接続できないため、伝票番号を発行できません。")));
    w->BitBtn_DbTest->click();
    EXPECT_TRUE(w->Label_DbTest->text().startsWith(QStringLiteral("接続できません: ")))
        << w->Label_DbTest->text().toStdString();

    ASSERT_TRUE(server.start());
    printNote();
    EXPECT_EQ(waiting(), 0);
    EXPECT_EQ(notesIn(shop), 4) << "each note once";
    EXPECT_EQ(w->StatusBar1->currentMessage().trimmed(), "");
    w->BitBtn_DbTest->click();
    EXPECT_TRUE(w->Label_DbTest->text().startsWith(QStringLiteral("接続できました: PostgreSQL")))
        << w->Label_DbTest->text().toStdString();
}

TEST_F(SharedStoreWindow, MovesThisPcsLedgerOnce)
{
    w->Edit_DbConnect->clear();
    printNote();
    printNote();
    EXPECT_EQ(notesIn(ledger::StoreTarget::sqlite(w->ledgerPath())), 2);
    w->Edit_DbConnect->setText(shop.location);
    for (int round = 0; round < 2; ++round) {
        w->BitBtn_DbMove->click();
        EXPECT_EQ(w->Label_DbTest->text(),
                  QStringLiteral("この PC の発行履歴 2 件を共有の記録先へ移しました"));
    }
    EXPECT_EQ(notesIn(shop), 2);
}

// Notes left waiting are sent on a timer once the server answers again,
// without another print, and a try never holds up the window.
TEST_F(SharedStoreWindow, WaitingNotesAreSentOnATimer)
{
    auto *sender = w->findChild<ledger::OutboxSender *>();
    ASSERT_TRUE(sender);
    sender->setInterval(300);
    ASSERT_TRUE(server.stop());
    printNote();
    ASSERT_EQ(waiting(), 1);
    EXPECT_TRUE(sender->active());

    ASSERT_TRUE(server.start());
    server.freeze(true);
    QElapsedTimer timer;
    timer.start();
    sender->tryNow();
    QTest::qWait(100);
    EXPECT_LT(timer.elapsed(), 1000) << "the window answers while the server is silent";
    server.freeze(false);

    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w->StatusBar1->currentMessage().trimmed().isEmpty(); }, 20000));
    EXPECT_EQ(waiting(), 0);
    EXPECT_EQ(notesIn(shop), 1);
    EXPECT_FALSE(sender->active());
}

// A print this terminal left open in the shared store is ended by the next
// start off the window's thread: a server that is away costs start-up
// nothing, one that answers gets the print marked failed (no PDF was
// written).
TEST_F(SharedStoreWindow, PrintLeftOpenIsEndedWithoutHoldingTheWindow)
{
    ledger::IssuedNote open;
    open.jobTitle = QStringLiteral("納品書 41");
    open.note.slipNo = QStringLiteral("41");
    ASSERT_TRUE(ledger::NoteLedger(shop).beginPrint(open).ok());

    ASSERT_TRUE(server.stop());
    QElapsedTimer timer;
    timer.start();
    w->finishInterruptedPrints();
    EXPECT_LT(timer.elapsed(), 500);
    w->m_printsLeftOpen->wait();
    ASSERT_TRUE(server.start());

    w->finishInterruptedPrints();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w->StatusBar1->currentMessage().contains(QStringLiteral("1 件")); }, 20000));
    std::map<qint64, ledger::NoteStatus> st;
    ASSERT_TRUE(ledger::NoteLedger(shop).statusOf({open.id}, st).ok());
    EXPECT_EQ(st[open.id].state, ledger::NoteState::Failed);
}
