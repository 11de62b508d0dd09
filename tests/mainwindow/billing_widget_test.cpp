// The window "請求・入金" end to end: a printed note, a payment, the closing,
// the summary's preview and its print on A4 to the PDF printer.
#include "WindowFixture.h"
#include "mainwindow/BillingDialog.h"
#include "mainwindow/NoteLineEdit.h"
#include "platform/Dialogs.h"
#include "printing/PrintPreviewWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {

class BillingWindowTest : public WindowFixture
{
protected:
    void setUpPrinters() override
    {
        useFakeSpooler({FakePrinter::standard(QStringLiteral("P0"))}, {}, true);
    }
};

} // namespace

TEST_F(BillingWindowTest, ClosingPreviewAndPrintOfASummary)
{
    fillNote();
    w->Edit_tel->setText(QStringLiteral("03-1111-2222"));
    Dialogs::pushAnswer(true);
    QTest::keyClick(w->Edit_Custo1, Qt::Key_F11);
    ledger::NoteLedger store(w->storeTarget());
    std::vector<ledger::Customer> found;
    ASSERT_TRUE(
        store
            .findCustomers({ledger::CustomerQuery::By::Tel, QStringLiteral("0311112222")}, 1, found)
            .ok());
    ASSERT_EQ(found.size(), 1u) << "the printed note made its customer";
    found[0].closingDay = closing::kEndOfMonth;
    ASSERT_TRUE(store.saveCustomer(found[0]).ok());
    ledger::Payment paid{0,
                         {},
                         found[0].id,
                         QDate(2026, 12, 9),
                         closing::PaymentKind::Payment,
                         QStringLiteral("現金"),
                         *FixedDecimal::fromInteger(1000),
                         {},
                         false};
    ASSERT_TRUE(store.recordPayment(paid).ok());

    BillingDialog d(*w);
    d.Edit_ClosingDate->setDate(QDate(2026, 12, 31));
    d.Edit_BankAccount->setText(QStringLiteral("甘露銀行 本店 普通 1234567"));
    Dialogs::pushAnswer(true);
    d.Button_Closing->click();
    ASSERT_EQ(d.listed().size(), 1u);
    // 2 x 1,500 + 980 = 3,980 and its tax 398, less the 1,000 paid.
    EXPECT_EQ(d.Table_Closings->item(0, 2)->text(), "山田太郎");
    EXPECT_EQ(d.Table_Closings->item(0, 3)->text(), "3,378");
    EXPECT_EQ(d.listed()[0].invoice.bankAccount, "甘露銀行 本店 普通 1234567");
    // KANRO_SCREENSHOT_DIR=<dir> keeps a picture of the window.
    if (qEnvironmentVariableIsSet("KANRO_SCREENSHOT_DIR")) {
        d.show();
        QApplication::processEvents();
        d.grab().save(QDir(qEnvironmentVariable("KANRO_SCREENSHOT_DIR"))
                          .filePath(QStringLiteral("billing.png")));
    }

    int pages = 0;
    printing::PrintPreviewWindow::setExecHook([&](printing::PrintPreviewWindow &p) {
        pages = p.pageCount();
        return int(QDialog::Rejected);
    });
    QTest::keyClick(d.Table_Closings, Qt::Key_Return);
    printing::PrintPreviewWindow::setExecHook(nullptr);
    EXPECT_EQ(pages, 1);

    d.ComboBox_Printer->setCurrentIndex(d.ComboBox_Printer->count() - 1); // the PDF printer
    d.Button_Print->click();
    const QString pdf =
        QDir(dir.path()).filePath(QStringLiteral("納品書PDF/Kanro_Vey_1_請求_1.pdf"));
    ASSERT_TRUE(QFile::exists(pdf)) << d.Label_Status->text().toStdString();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(10000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    for (const char *item : {"今回御請求額", "3,378", "12月31日締", "甘露銀行"})
        EXPECT_TRUE(out.contains(QString::fromUtf8(item))) << item;
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    ASSERT_TRUE(info.waitForFinished(10000));
    EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput()).contains(QStringLiteral("(A4)")));
}
