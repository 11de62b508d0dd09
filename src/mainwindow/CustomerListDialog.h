#pragma once
// The windows "得意先" (F3) and "商品" (F4): the lists the notes keep,
// searched, edited in place and saved, two entries merged, entries hidden
// (never deleted: notes are copies and keep what they printed), and the
// whole list written to or read from a CSV file in the working directory
// ("得意先.csv", "商品.csv"): UTF-8 with a byte-order mark, or CP932 when
// asked; reading takes either. A file with a fault changes nothing.
//
// Keyboard: Enter in the search field searches, Tab walks the list and the
// buttons, F2 in a cell edits it, Escape closes.

#include "store/NoteLedger.h"

#include <QDialog>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TForm_Main;

class CustomerListDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Kind { Customers, Items };
    static constexpr int kListLimit = 2000;

    CustomerListDialog(TForm_Main &main, Kind kind);

    void search();
    void addEntry();
    // Stores every listed row as the table shows it; false after a notice
    // when a cell cannot be taken (nothing is stored then).
    bool saveChanges();
    // The current row keeps; the other selected row goes into it.
    void mergeSelected();
    void exportCsv();
    void importCsv();
    // Takes the customers and items of every recorded note into the lists.
    void takeFromHistory();
    QString csvPath() const;

    QLineEdit *Edit_Search = nullptr;
    QCheckBox *CheckBox_ShowHidden = nullptr;
    QTableWidget *Table_List = nullptr;
    QPushButton *Button_Add = nullptr;
    QPushButton *Button_Save = nullptr;
    QPushButton *Button_Merge = nullptr;
    QPushButton *Button_Export = nullptr;
    QPushButton *Button_Import = nullptr;
    QPushButton *Button_History = nullptr;
    QCheckBox *CheckBox_Cp932 = nullptr;
    QPushButton *Button_Close = nullptr;
    QLabel *Label_Status = nullptr;

private:
    bool checked(const ledger::LedgerStatus &status);
    QString tableCsv() const;
    void showList(const QString &csv, const QStringList &lastUsed);

    TForm_Main &m_main;
    Kind m_kind;
    ledger::NoteLedger m_ledger;
    std::vector<qint64> m_ids; // the listed rows' entries; new rows are 0
};
