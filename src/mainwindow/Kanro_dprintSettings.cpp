// The window's side of the settings file: controls loaded from and stored
// into the records of NoteSettings.
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "mainwindow/NoteSettings.h"
#include "note/NoteArithmetic.h"
#include "numedit/KiNumEdit.h"
#include "platform/CommandGuard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>

namespace {
// A stored index outside the list leaves the list without a selection.
void selectIndex(QComboBox *c, qint64 index)
{
    c->setCurrentIndex(index >= 0 && index < c->count() ? static_cast<int>(index) : -1);
}
} // namespace

void TForm_Main::readStartupSettings()
{
    const NoteSettings s = ::readStartupSettings(settingsFilePath());

    selectIndex(ComboBox_FontSize, s.Addr_Font);
    QFont holder = Label_Font_1->font();
    if (s.G13_FontSize > 0 && s.G13_FontSize < 1000)
        holder.setPointSize(static_cast<int>(s.G13_FontSize));
    if (!s.G16_FontName.isEmpty())
        holder.setFamily(s.G16_FontName);
    Label_Font_1->setFont(holder);

    KiNumEdit_TaxOld->setText(s.TaxOld);
    DateTimePicker_TaxEnforDate->setDate(s.TaxEnforDate);
    KiNumEdit_TaxNew->setText(s.TaxNew);
    Edit_Zip->setText(s.E_ZIP);
    Edit_Add1->setText(s.E_AD1);
    Edit_Add2->setText(s.E_AD2);
    Edit_Add3->setText(s.E_AD3);
    Edit_Custo1->setText(s.E_CUS);
    Edit_tel->setText(s.E_TEL);
    for (int i = 1; i <= 6; ++i)
        Edit_G[i]->setText(s.E_G[i - 1]);
    for (int i = 1; i <= 9; ++i)
        Edit_Remark[i]->setText(s.E_Rm[i - 1]);
    for (int i = 0; i <= 5; ++i)
        Edit_021[i]->setText(s.E_021[i]);
    KiNumEdit_KOSUU->setText(s.KOSUU);
    selectIndex(ComboBox_SEL, s.ComboBox_SEL);
    selectIndex(ComboBox_ime_Itemno, s.ime_Itemno);
    selectIndex(ComboBox_ime_Item, s.ime_Item);
    selectIndex(ComboBox_ime_Unit, s.ime_Unit);
    selectIndex(ComboBox_Paper, s.Comb_Paper);
    CheckBox_NewPage->setChecked(s.NewPage);
    // A hand-edited number that is not "T" + 13 digits is shown as it
    // stands; it is kept out of the print until corrected.
    Edit_TaxRegNo->setText(s.TaxRegNo);
    m_acceptedRegNo = s.TaxRegNo;
    KiNumEdit_TaxReduced->setText(s.TaxReduced);
    Edit_TxDisp->setText(s.TxDisp);
    readTransferChoice();
    ComboBox_TaxIncl->setCurrentIndex(s.TaxIncl ? 1 : 0);
    m_furtherRates = s.TaxRates;
    showFurtherRates();
    Edit_DbConnect->setText(readDbConnect(settingsFilePath()));
    showWaitingOutbox();
}

void TForm_Main::writeShutdownSettings()
{
    NoteSettings s;
    s.TaxOld = KiNumEdit_TaxOld->Text();
    s.TaxEnforDate = DateTimePicker_TaxEnforDate->date();
    s.TaxNew = KiNumEdit_TaxNew->Text();
    s.Addr_Font = ComboBox_FontSize->currentIndex();
    s.G13_FontSize = Label_Font_1->font().pointSize();
    s.G16_FontName = Label_Font_1->font().family();
    s.E_ZIP = Edit_Zip->text();
    s.E_AD1 = Edit_Add1->text();
    s.E_AD2 = Edit_Add2->text();
    s.E_AD3 = Edit_Add3->text();
    s.E_CUS = Edit_Custo1->text();
    s.E_TEL = Edit_tel->text();
    for (int i = 1; i <= 6; ++i)
        s.E_G[i - 1] = Edit_G[i]->text();
    for (int i = 1; i <= 9; ++i)
        s.E_Rm[i - 1] = Edit_Remark[i]->text();
    for (int i = 0; i <= 5; ++i)
        s.E_021[i] = Edit_021[i]->text();
    s.KOSUU = KiNumEdit_KOSUU->Text();
    s.ComboBox_SEL = ComboBox_SEL->currentIndex();
    s.ime_Itemno = ComboBox_ime_Itemno->currentIndex();
    s.ime_Item = ComboBox_ime_Item->currentIndex();
    s.ime_Unit = ComboBox_ime_Unit->currentIndex();
    s.NewPage = CheckBox_NewPage->isChecked();
    s.Comb_Paper = ComboBox_Paper->currentIndex();
    s.TaxRegNo = Edit_TaxRegNo->text();
    s.TaxReduced = KiNumEdit_TaxReduced->Text();
    s.TxDisp = Edit_TxDisp->text();
    s.TaxRates = m_furtherRates;
    s.TaxIncl = taxIncluded();
    ::writeShutdownSettings(settingsFilePath(), s);
}

void TForm_Main::SpeedButton_ini_s2rClick()
{
    const DetailLines lines = readDetailLines(settingsFilePath());
    for (int i = 1; i <= kRows; ++i) {
        Edit_itemNo[i]->setText(lines.itemNo[i - 1]);
        Edit_item[i]->setText(lines.item[i - 1]);
        KiNumEdit_QTY[i]->setText(lines.qty[i - 1]);
        Edit_unit[i]->setText(lines.unit[i - 1]);
        KiNumEdit_Price[i]->setText(lines.price[i - 1]);
        KiNumEdit_Sales[i]->setText(lines.sales[i - 1]);
        CheckBox_Reduced[i]->setChecked(isReducedMarkText(lines.reduced[i - 1]));
        showReducedMark(i);
    }
    showTaxCaption();
}

void TForm_Main::SpeedButton_ini_s2wClick()
{
    DetailLines lines;
    for (int i = 1; i <= kRows; ++i) {
        lines.itemNo[i - 1] = Edit_itemNo[i]->text();
        lines.item[i - 1] = Edit_item[i]->text();
        lines.qty[i - 1] = KiNumEdit_QTY[i]->Text();
        lines.unit[i - 1] = Edit_unit[i]->text();
        lines.price[i - 1] = KiNumEdit_Price[i]->Text();
        lines.sales[i - 1] = KiNumEdit_Sales[i]->Text();
        lines.reduced[i - 1] = reducedMarked(i) ? QStringLiteral("1") : QStringLiteral("0");
    }
    writeDetailLines(settingsFilePath(), lines);
}

void TForm_Main::ComboBox_ime_Change()
{
    runGuarded(this, [this] {
        writeImeModes(settingsFilePath(), ComboBox_ime_Itemno->currentIndex(),
                      ComboBox_ime_Item->currentIndex(), ComboBox_ime_Unit->currentIndex());
    });
}
