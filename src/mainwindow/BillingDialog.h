#pragma once
// The window "請求・入金": the monthly closing (請求締め) for a closing date,
// the recorded summary invoices with their preview and print on A4, a
// customer's payments, the balances of all customers (売掛残高一覧) and a
// customer's ledger (売掛元帳), the last two also as CSV.
//
// Keyboard: Tab walks the fields and buttons, Enter in the list previews
// the selected summary, Escape closes.

#include "store/NoteLedger.h"

#include <QDialog>
#include <vector>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TForm_Main;

class BillingDialog : public QDialog
{
    Q_OBJECT
public:
    explicit BillingDialog(TForm_Main &main);

    void runClosing();
    void listClosings();
    void previewSelected();
    void printSelected();
    void enterPayment();
    void showBalances();
    void showLedger();
    const std::vector<ledger::ClosingRecord> &listed() const { return m_listed; }

    QDateEdit *Edit_ClosingDate = nullptr;
    QLineEdit *Edit_BankAccount = nullptr;
    QPushButton *Button_Closing = nullptr;
    // The search of recorded summaries, read as the history reads its fields.
    QLineEdit *Edit_From = nullptr;
    QLineEdit *Edit_To = nullptr;
    QLineEdit *Edit_BilledMin = nullptr;
    QLineEdit *Edit_BilledMax = nullptr;
    QLineEdit *Edit_Customer = nullptr;
    QLineEdit *Edit_InvoiceNo = nullptr;
    QPushButton *Button_Search = nullptr;
    QTableWidget *Table_Closings = nullptr;
    QComboBox *ComboBox_Printer = nullptr;
    QPushButton *Button_Preview = nullptr;
    QPushButton *Button_Print = nullptr;
    QPushButton *Button_Payment = nullptr;
    QPushButton *Button_Balances = nullptr;
    QPushButton *Button_Ledger = nullptr;
    QPushButton *Button_Close = nullptr;
    QLabel *Label_Status = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool checked(const ledger::LedgerStatus &status);
    const ledger::ClosingRecord *selected() const;
    void writeCsv(const QString &stem, const QByteArray &csv);

    TForm_Main &m_main;
    ledger::NoteLedger m_ledger;
    std::vector<ledger::ClosingRecord> m_listed;
};

// The dialog "入金登録": a customer found by name, the date, the kind
// (振込, 現金, 手形, 相殺, その他, or 調整) and the amount, and a memo.
// Answers the payment to record, or nothing when cancelled.
std::optional<ledger::Payment> askPayment(QWidget *parent, ledger::NoteLedger &store,
                                          const QDate &today);
