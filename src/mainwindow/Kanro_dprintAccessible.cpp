// Accessible names (Japanese, from each control's caption) and descriptions
// (the help message the help panel shows, else the control's hint) of the
// main window's controls.
#include "mainwindow/HelpMessages.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/AccessibleNames.h"
#include "transfer/SupportLinks.h"
#include "transfer/TransferPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

namespace {

// "3行目 数量": a detail cell is named by its row and its column caption.
QString rowName(int row, const QString &column)
{
    return QStringLiteral("%1行目 %2").arg(row).arg(column);
}

} // namespace

void TForm_Main::setFunctionCaption(int i, const QString &caption)
{
    QToolButton *b = SpeedButton_F[i];
    b->setText(caption);
    const QString key = QStringLiteral("F%1").arg(i);
    b->setAccessibleName(caption == key ? key : QStringLiteral("%1 (%2)").arg(caption, key));
}

void TForm_Main::nameControls()
{
    // The tab control hands its focus to the tab bar; both carry the name,
    // the tabs themselves are read by their captions.
    nameControl(PageControl1, QStringLiteral("画面の切り替え"));
    nameControl(PageControl1->tabBar(), QStringLiteral("画面の切り替え"));

    // Transfer panel.
    nameControl(Memo1, QStringLiteral("テキスト貼り付けメモ"),
                TransferPanel::kMemoHelp + QStringLiteral("　") +
                    TransferPanel::kPasteTransferKeyHelp);
    nameControl(BitBtn_1, TransferPanel::kCaption);
    nameControl(BitBtn_MemoCLS, captionText(Label12));
    nameControl(BitBtn_SendMail, QStringLiteral("メールで問い合わせ (%1)").arg(captionText(BitBtn_SendMail)));
    nameControl(BitBtn_WebHelp, QStringLiteral("ホームページを開く"));

    // Destination, named after their caption panels.
    nameControl(Edit_Zip, QStringLiteral("郵便番号"), help::Zip);
    nameControl(Edit_Add1, QStringLiteral("おところ①"), help::Add1);
    nameControl(Edit_Add2, QStringLiteral("おところ②"), help::Add23);
    nameControl(Edit_Add3, QStringLiteral("おところ③"), help::Add23);
    nameControl(Edit_Custo1, QStringLiteral("おなまえ"), help::Custo);
    nameControl(Edit_tel, QStringLiteral("でんわ"), help::Tel);
    nameControl(BitBtn_CLS, QStringLiteral("お届け先クリア"));

    // Note header: the check boxes are the captions of the two fields.
    nameControl(DateTimePicker_1, captionText(CheckBox_Date_1), help::Date);
    nameControl(KiNumEdit_Slipno, captionText(CheckBox2), help::Slipno);
    nameControl(CheckBox_Date_1, captionText(CheckBox_Date_1) + QStringLiteral("を印字する"));
    nameControl(CheckBox2, captionText(CheckBox2) + QStringLiteral("を印字する"),
                QStringLiteral("チェックをはずすと伝票番号を印字しません"));

    // Detail rows, named after the column caption panels over the grid.
    for (int i = 1; i <= kRows; ++i) {
        nameControl(Edit_itemNo[i], rowName(i, QStringLiteral("品名1")), help::ItemNo);
        nameControl(Edit_item[i], rowName(i, QStringLiteral("品名2")), help::Item);
        nameControl(KiNumEdit_QTY[i], rowName(i, QStringLiteral("数量")), help::Qty);
        nameControl(Edit_unit[i], rowName(i, QStringLiteral("単位")), help::Unit);
        nameControl(KiNumEdit_Price[i], rowName(i, QStringLiteral("単価")), help::Price);
        nameControl(KiNumEdit_Sales[i], rowName(i, QStringLiteral("金額")));
    }

    // Totals.
    nameControl(KiNumEdit_sqty, QStringLiteral("数量合計"));
    nameControl(KiNumEdit_ssal, QStringLiteral("合計"));
    nameControl(KiNumEdit_stax, QStringLiteral("消費税"));
    nameControl(KiNumEdit_sttl, QStringLiteral("税込合計"));
    nameFromCaption(CheckBox_Recp);

    // Second tab.
    nameControl(ComboBox_SEL, QStringLiteral("用紙選択"));
    nameControl(ComboBox1, QStringLiteral("プリンタ"));
    nameControl(ComboBox2, QStringLiteral("用紙サイズ"));
    nameControl(ComboBox3, QStringLiteral("給紙方法"));
    nameFromCaption(BitBtn_PrnSet);
    nameFromCaption(BitBtn_PrnSet2);
    nameControl(KiNumEdit_BUSUU, QStringLiteral("印刷部数"), help::Busuu);
    nameFromCaption(CheckBox_NewPage);
    nameControl(ComboBox_Paper, QStringLiteral("印字用紙"), help::Paper);
    nameControl(ComboBox_ime_Itemno, QStringLiteral("品名1 入力モード"), help::Ime);
    nameControl(ComboBox_ime_Item, QStringLiteral("品名2 入力モード"), help::Ime);
    nameControl(ComboBox_ime_Unit, QStringLiteral("単位 入力モード"), help::Ime);
    nameControl(Edit_TxDisp, QStringLiteral("消費税の端数"), help::TxDisp);
    nameControl(Edit_021[0], QStringLiteral("納品書のタイトル"), help::Printed);
    const auto *shop = findChild<QGroupBox *>(QStringLiteral("GroupBox_Shop"));
    for (int i = 1; i <= 5; ++i)
        nameControl(Edit_021[i], rowName(i, captionText(shop)), help::Printed);
    for (int i = 1; i <= 9; ++i)
        nameControl(Edit_Remark[i], rowName(i, QStringLiteral("注意事項など")), help::Remark);

    // Third tab.
    nameControl(KiNumEdit_TaxOld, QStringLiteral("旧税率"));
    nameControl(DateTimePicker_TaxEnforDate, QStringLiteral("新税率実施日"));
    nameControl(KiNumEdit_TaxNew, QStringLiteral("新税率"));
}
