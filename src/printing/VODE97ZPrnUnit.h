#pragma once

#include <QDialog>
#include <QString>

class QGroupBox;
class QLabel;
class QPushButton;
class TKiNumEdit;

namespace printing {

// What the print-position dialog reads from and writes to the main window.
class MarginHost
{
public:
    virtual ~MarginHost() = default;
    virtual QString feedSection() const = 0; // text of the paper-feed box
    virtual QString printerName() const = 0; // the printer list's text
    virtual QString printerIndexCaption() const = 0;
    virtual QString topCaption() const = 0;
    virtual QString leftCaption() const = 0;
    virtual void setOffsets(const QString &top, const QString &left) = 0;
    // Where "Kanro_a500.ini" lies: the working directory recorded at
    // start-up, the same place the main window reads it from.
    virtual QString registrationDir() const = 0;
};

} // namespace printing

// The print-position dialog "印字位置調整": the top and left offsets of the
// selected paper feed, in printer pixels. The fields take whole numbers
// only, because printing needs whole-number offsets.
class TForm_VODE97ZPrn : public QDialog
{
    Q_OBJECT

public:
    explicit TForm_VODE97ZPrn(QWidget *parent = nullptr);

    void setHost(printing::MarginHost *host) { m_host = host; }

    QGroupBox *GroupBox1;
    QLabel *Label5;
    QLabel *Label6;
    TKiNumEdit *KiNumEdit_TOP;
    TKiNumEdit *KiNumEdit_LEFT;
    QPushButton *BitBtn_MRGN;

    void FormShow();
    void BitBtn_MRGNClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    printing::MarginHost *m_host = nullptr;
};

// The one instance, created at start.
extern TForm_VODE97ZPrn *Form_VODE97ZPrn;
