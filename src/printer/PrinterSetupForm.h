#pragma once
// The printer set-up dialog (Japanese, modal): printer, paper size, paper
// source, orientation (縦/横), OK and キャンセル. It opens with the framework
// printer's current printer and settings selected; commit() hands the chosen
// printer and settings to the framework printer of that moment. The form
// keeps no reference to the framework printer it opened on, because a
// change of the installed printers while the dialog is open replaces it.

#include "spooler/FrameworkPrinter.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

class PrinterSetupForm : public QDialog
{
    Q_OBJECT
public:
    // title: the window caption ("プリンタの設定" or "印刷").
    PrinterSetupForm(FrameworkPrinter &framework, const QString &title, QWidget *parent = nullptr);

    QComboBox *printerBox() const { return printer_; }
    QComboBox *paperBox() const { return paper_; }
    QComboBox *binBox() const { return bin_; }
    QRadioButton *portraitButton() const { return portrait_; }
    QRadioButton *landscapeButton() const { return landscape_; }
    QPushButton *okButton() const { return ok_; }

    // Selects the entry of a combo box by its text; false when absent.
    static bool selectText(QComboBox *box, const QString &text);

    // Makes the chosen printer and settings the current ones of
    // `framework`. Throws SpoolerError when the printer refuses them or is
    // no longer installed.
    void commit(FrameworkPrinter &framework);

private:
    void loadPrinter(int visiblePosition);

    Spooler &spooler_;
    QStringList names_; // the visible printers, in list order
    QByteArray block_;  // settings of the printer shown
    QComboBox *printer_;
    QComboBox *paper_;
    QComboBox *bin_;
    QRadioButton *portrait_;
    QRadioButton *landscape_;
    QLabel *status_;
    QPushButton *ok_;
    QPushButton *cancel_;
};
