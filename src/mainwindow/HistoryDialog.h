#pragma once
// The history window "発行履歴": the issued notes, newest first, found by
// date range, amount range, customer and slip number in any combination;
// the selected note printed again (再印刷) or loaded into the main window
// (画面に読込), the listed notes written to a CSV file (CSV出力).
//
// Keyboard: Enter in a search field searches, Down moves into the list,
// arrows move in the list, Enter on a row loads it; Escape closes.

#include "store/NoteLedger.h"

#include <QDialog>
#include <vector>

class QCheckBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TForm_Main;

// The notices of the ledger: a damaged file set aside, a note not recorded.
QString ledgerSetAsideMessage(const QString &file);
QString ledgerNotRecordedMessage(const QString &why);
// What the operator must hear of an operation: the file set aside and what
// it still gave, or a store file that vanished.
QString ledgerNoticeOf(const ledger::LedgerStatus &status);

class HistoryDialog : public QDialog
{
    Q_OBJECT
public:
    // The most notes one search lists; narrower conditions find the rest.
    static constexpr int kListLimit = 1000;

    explicit HistoryDialog(TForm_Main &main);

    void search();
    void reprintSelected();
    void loadSelected();
    void exportCsv();
    // The id of the selected note; 0 when none.
    qint64 selectedId() const;
    const std::vector<ledger::NoteSummary> &listed() const { return m_listed; }

    QLineEdit *Edit_DateFrom = nullptr;
    QLineEdit *Edit_DateTo = nullptr;
    QLineEdit *Edit_TotalMin = nullptr;
    QLineEdit *Edit_TotalMax = nullptr;
    QLineEdit *Edit_Customer = nullptr;
    QLineEdit *Edit_SlipNo = nullptr;
    QPushButton *Button_Search = nullptr;
    QTableWidget *Table_Notes = nullptr;
    QLabel *Label_Status = nullptr;
    QPushButton *Button_Reprint = nullptr;
    QPushButton *Button_Load = nullptr;
    QPushButton *Button_Csv = nullptr;
    QPushButton *Button_Billing = nullptr; // the window "請求・入金"
    QPushButton *Button_Close = nullptr;

    // ---- records kept as the law asks (HistoryRecords.cpp) ----
    // 取消 with the reason typed in Edit_Reason; 訂正 loads the note for
    // its correction; the PDF as sent saved again; the chain verified; the
    // records of the date range written out for an inspection; a backup.
    void cancelSelected();
    void correctSelected();
    void savePdfSelected();
    void verifyRecords();
    void exportRecords();
    void backupStore();
    // Puts the newest backup of the working directory in place of this
    // PC's store, after a question; the replaced file is kept.
    void restoreStore();
    QLineEdit *Edit_Reason = nullptr;
    QCheckBox *CheckBox_Voided = nullptr; // 取消・訂正済も表示
    QPushButton *Button_Cancel = nullptr;
    QPushButton *Button_Correct = nullptr;
    QPushButton *Button_SavePdf = nullptr;
    QPushButton *Button_Verify = nullptr;
    QPushButton *Button_Export = nullptr;
    QPushButton *Button_Backup = nullptr;
    QPushButton *Button_Restore = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUpRecords(QGridLayout *grid, QHBoxLayout *buttons);
    // The state column (状態) of the listed notes.
    void showStates();
    // Shows a notice when the ledger had to be set aside.
    bool checked(const ledger::LedgerStatus &status);

    TForm_Main &m_main;
    ledger::NoteLedger m_ledger;
    ledger::NoteQuery m_query; // the conditions of the list shown
    std::vector<ledger::NoteSummary> m_listed;
};
