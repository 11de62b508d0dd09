// Customers and items on the main window: a printed note's destination and
// items come back by recall, with keys alone; the keys keep their meaning
// while no list is open; F5 repeats the customer's last rows; the list
// windows carry a CSV edited by another program.
#include "WindowFixture.h"
#include "mainwindow/CustomerListDialog.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "platform/ProfileFile.h"
#include "store/NoteLedger.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDateEdit>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QProcess>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

class CustomerRecallWindow : public WindowFixture
{
protected:
    // Prints the fixture's note to a company, with a destination and units.
    void printCompanyNote()
    {
        fillNote();
        w->Edit_Custo1->setText(QStringLiteral("山田商事"));
        w->setHonorific(QStringLiteral("御中"));
        w->Edit_Zip->setText(QStringLiteral("100-0001"));
        w->Edit_Add1->setText(QStringLiteral("東京都千代田区"));
        w->Edit_Add2->setText(QStringLiteral("千代田1-1"));
        w->Edit_Add3->setText(QStringLiteral("山田ビル"));
        w->Edit_tel->setText(QStringLiteral("03-1234-5678"));
        w->dUNIT_Ary[1]->setText(QStringLiteral("箱"));
        w->setReducedMark(1, true);
        Dialogs::pushAnswer(true);
        QTest::keyClick(w->Edit_Custo1, Qt::Key_F11);
    }
    void record(const QString &name, const QString &tel)
    {
        ledger::IssuedNote n;
        n.note.customerName = name;
        n.tel = tel;
        n.note.rows[0].itemNo = QStringLiteral("B100");
        ASSERT_TRUE(ledger::NoteLedger(w->ledgerPath()).record(n).ok());
    }
    // Types into a field that has the focus, as the operator does: ASCII
    // by keys, Japanese as the input method commits it (with `preedit`
    // still being composed after it).
    void type(QWidget *field, const QString &text, const QString &preedit = {})
    {
        field->setFocus(Qt::TabFocusReason);
        if (text.front().unicode() < 0x80) {
            QTest::keyClicks(field, text);
            return;
        }
        QInputMethodEvent commit(preedit, {});
        commit.setCommitString(text);
        QApplication::sendEvent(field, &commit);
    }
    bool listOpens(QCompleter *list)
    {
        return QTest::qWaitFor([list] { return list->popup()->isVisible(); }, 5000);
    }
    QWidget *focus() const { return QApplication::focusWidget(); }
};

} // namespace

TEST_F(CustomerRecallWindow, RecalledDestinationAndItemAreThePrintedOnes)
{
    printCompanyNote();
    ASSERT_TRUE(Dialogs::shownTexts().filter(QStringLiteral("記録できません")).isEmpty());
    w->Edit_Cls();
    w->Edit_CLS2();
    ASSERT_EQ(w->honorific(), QString());

    type(w->Edit_Custo1, QStringLiteral("山田"));
    ASSERT_TRUE(listOpens(w->customerRecallList()));
    QAbstractItemView *popup = w->customerRecallList()->popup();
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(w->Edit_Zip->text(), QStringLiteral("100-0001"));
    EXPECT_EQ(w->Edit_Add1->text(), QStringLiteral("東京都千代田区"));
    EXPECT_EQ(w->Edit_Add2->text(), QStringLiteral("千代田1-1"));
    EXPECT_EQ(w->Edit_Add3->text(), QStringLiteral("山田ビル"));
    EXPECT_EQ(w->Edit_Custo1->text(), QStringLiteral("山田商事"));
    EXPECT_EQ(w->Edit_tel->text(), QStringLiteral("03-1234-5678"));
    EXPECT_EQ(w->honorific(), QStringLiteral("御中"));
    EXPECT_EQ(w->printNote().honorific, QStringLiteral("御中"));

    // An item in a row whose quantity stands: the amount follows the price.
    w->dQTY_Ary[1]->setText(QStringLiteral("3"));
    type(w->Edit_itemNo[1], QStringLiteral("A0"));
    ASSERT_TRUE(listOpens(w->itemRecallList()));
    QTest::keyClick(w->itemRecallList()->popup(), Qt::Key_Down);
    QTest::keyClick(w->itemRecallList()->popup(), Qt::Key_Return);
    EXPECT_EQ(w->Edit_itemNo[1]->text(), QStringLiteral("A001"));
    EXPECT_EQ(w->Edit_item[1]->text(), QStringLiteral("りんご"));
    EXPECT_EQ(w->Edit_unit[1]->text(), QStringLiteral("箱"));
    EXPECT_EQ(w->KiNumEdit_Price[1]->Text(), QStringLiteral("1500"));
    EXPECT_TRUE(w->reducedMarked(1));
    EXPECT_EQ(w->KiNumEdit_Sales[1]->Text(), QStringLiteral("4500"));
}

// With no list open Enter and Up go where they always went; an open list
// takes Down, Enter and Escape, and Escape chooses nothing.
TEST_F(CustomerRecallWindow, KeysKeepTheirMeaningAndTheListWorksByKeys)
{
    record(QStringLiteral("佐藤一郎"), QStringLiteral("06-1111-2222"));
    record(QStringLiteral("佐藤花子"), QStringLiteral("06-3333-4444"));

    type(w->Edit_Custo1, QStringLiteral("佐藤"), QStringLiteral("い"));
    QTest::qWait(200);
    EXPECT_FALSE(w->customerRecallList()->popup()->isVisible()) << "nothing while composing";
    w->Edit_Custo1->clear();
    type(w->Edit_Custo1, QStringLiteral("佐"));
    QTest::qWait(200);
    EXPECT_FALSE(w->customerRecallList()->popup()->isVisible()) << "one character opens nothing";
    QTest::keyClick(w->Edit_Custo1, Qt::Key_Return);
    EXPECT_EQ(focus(), w->Edit_tel);
    QTest::keyClick(w->Edit_tel, Qt::Key_Up);
    EXPECT_EQ(focus(), w->Edit_Custo1);

    w->Edit_Custo1->clear();
    type(w->Edit_tel, QStringLiteral("06"));
    ASSERT_TRUE(listOpens(w->customerRecallList()));
    QTest::keyClick(w->customerRecallList()->popup(), Qt::Key_Escape);
    EXPECT_FALSE(w->customerRecallList()->popup()->isVisible());
    EXPECT_EQ(w->Edit_Custo1->text(), QString()) << "Escape chooses nothing";
    EXPECT_EQ(focus(), w->Edit_tel);
    QTest::keyClick(w->Edit_tel, Qt::Key_Return);
    EXPECT_EQ(focus(), w->DateTimePicker_1) << "the telephone's Enter once the list is closed";

    // Newest first: the second Down reaches the older customer.
    w->Edit_tel->clear();
    type(w->Edit_tel, QStringLiteral("06"));
    ASSERT_TRUE(listOpens(w->customerRecallList()));
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return})
        QTest::keyClick(w->customerRecallList()->popup(), key);
    EXPECT_EQ(w->Edit_Custo1->text(), QStringLiteral("佐藤一郎"));
    EXPECT_EQ(focus(), w->Edit_tel);
}

TEST_F(CustomerRecallWindow, F5FillsTheRowsOfTheCustomersLastNote)
{
    printCompanyNote();
    w->Edit_CLS2();
    w->dITEM_Ary[5]->setText(QStringLiteral("手書き"));
    Dialogs::pushAnswer(false);
    QTest::keyClick(w->Edit_Custo1, Qt::Key_F5);
    EXPECT_EQ(w->dITEM_Ary[5]->text(), QStringLiteral("手書き")) << "the operator said no";
    Dialogs::pushAnswer(true);
    QTest::keyClick(w->Edit_Custo1, Qt::Key_F5);
    EXPECT_EQ(w->dITEM_Ary[5]->text(), QString());
    EXPECT_EQ(w->dITEM_Ary[1]->text(), QStringLiteral("りんご"));
    EXPECT_EQ(w->dITEM_Ary[2]->text(), QStringLiteral("みかん"));
    EXPECT_EQ(w->KiNumEdit_sttl->Text(), w->printNote().total);
    EXPECT_EQ(Dialogs::shownTexts().size(), 3) << Dialogs::shownTexts().join(u'|').toStdString();

    w->Edit_Custo1->setText(QStringLiteral("初めての客"));
    w->Edit_tel->clear();
    QTest::keyClick(w->Edit_Custo1, Qt::Key_F5);
    EXPECT_EQ(Dialogs::shownTexts().last(),
              QStringLiteral("この得意先の前回の伝票は記録にありません。"));
}

// Export, one field changed by a spreadsheet-like script, import: that one
// change and nothing else; in UTF-8 and in CP932.
TEST_F(CustomerRecallWindow, CsvEditedByAnotherProgramChangesOneField)
{
    printCompanyNote();
    record(QStringLiteral("佐藤, 一郎"), QStringLiteral("06-1111-2222"));
    for (const bool cp932 : {false, true}) {
        CustomerListDialog dialog(*w, CustomerListDialog::Kind::Customers);
        dialog.CheckBox_Cp932->setChecked(cp932);
        dialog.exportCsv();
        QFile file(dialog.csvPath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        EXPECT_EQ(before.startsWith("\xEF\xBB\xBF"), !cp932);

        const QString script = QStringLiteral(
            "import csv, sys\n"
            "enc = sys.argv[2]\n"
            "with open(sys.argv[1], encoding=enc, newline='') as f: rows = list(csv.reader(f))\n"
            "col = rows[0].index('締日')\n"
            "row = [r for r in rows if r[1] == '山田商事'][0]\n"
            "row[col] = '20'\n"
            "with open(sys.argv[1], 'w', encoding=enc, newline='') as f: csv.writer(f).writerows(rows)\n");
        const int rc = QProcess::execute(
            QStringLiteral("python3"),
            {QStringLiteral("-c"), script, dialog.csvPath(),
             cp932 ? QStringLiteral("cp932") : QStringLiteral("utf-8-sig")});
        ASSERT_EQ(rc, 0) << before.toStdString();
        dialog.importCsv();
        EXPECT_EQ(dialog.Label_Status->text(), QStringLiteral("2 件を読み込みました"));

        std::vector<ledger::Customer> all;
        ASSERT_TRUE(ledger::NoteLedger(w->ledgerPath())
                        .findCustomers({ledger::CustomerQuery::By::Name, QString(), true}, -1, all)
                        .ok());
        ASSERT_EQ(all.size(), 2u);
        EXPECT_EQ(all[1].closingDay, 20);
        dialog.exportCsv();
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray after = file.readAll();
        file.close();
        const auto text = [cp932](const QByteArray &bytes) {
            bool ok = false;
            return cp932 ? decodeCp932(bytes, &ok) : QString::fromUtf8(bytes);
        };
        EXPECT_EQ(text(after), text(before).replace(QStringLiteral("03-1234-5678,,,0"),
                                                    QStringLiteral("03-1234-5678,20,,0")));
        // Back as it was for the next round.
        all[1].closingDay = 0;
        ASSERT_TRUE(ledger::NoteLedger(w->ledgerPath()).saveCustomer(all[1]).ok());
    }
}
