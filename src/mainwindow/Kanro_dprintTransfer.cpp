// Handlers of the transfer panel and the destination's change events.
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "mainwindow/NoteSettings.h"
#include "note/FixedDecimal.h"
#include "numedit/KiNumEdit.h"
#include "platform/CommandGuard.h"
#include "platform/Dialogs.h"
#include "transfer/DictionaryTransfer.h"
#include "transfer/OrderLines.h"
#include "transfer/PostalDictionary.h"
#include "transfer/SupportLinks.h"
#include "transfer/Transfer.h"
#include "transfer/TransferPanel.h"
#include "transfer/WorkMemoWrapper.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>

namespace {
void convertToHalfWidth(NoteLineEdit *field)
{
    // Writing the converted text raises one more change, which finds
    // nothing left to convert.
    if (const std::optional<QString> converted = zipTelConverted(field->text()))
        field->setText(*converted);
}
} // namespace

void TForm_Main::Edit_ZipChange()
{
    // A code being typed is read against the dictionary when the field is
    // left: the load runs meanwhile.
    if (m_shown && ComboBox_TrMode->currentIndex() == 1 && !Edit_Zip->text().isEmpty())
        PostalDictionaryLoader::startLoading();
    convertToHalfWidth(Edit_Zip);
}

void TForm_Main::preloadDictionary()
{
    if (ComboBox_TrMode->currentIndex() == 1)
        PostalDictionaryLoader::startLoading();
}

void TForm_Main::Edit_telChange()
{
    convertToHalfWidth(Edit_tel);
}

void TForm_Main::BitBtn_1Click()
{
    runGuarded(this, [this] {
        if (ComboBox_TrMode->currentIndex() == 1) {
            // The dictionary transfer: the memo keeps the pasted text.
            QStringList shop;
            for (int i = 1; i <= 5; ++i)
                shop.append(Edit_021[i]->text());
            const auto dict = PostalDictionaryLoader::get();
            const DictionaryTransferResult r =
                runDictionaryTransfer(Memo1->toPlainText(), shop, dict.get());
            // The same paste's order lines fill the detail rows.
            const OrderLines order = readOrderLines(Memo1->toPlainText());
            if (r.fields.nothingToTransfer && order.rows.isEmpty()) {
                Dialogs::notify(this, TransferPanel::kNothingToTransfer);
            } else {
                QStringList status;
                // A paste of order lines alone leaves the destination as typed.
                const bool destination =
                    !r.fields.nothingToTransfer &&
                    (order.rows.isEmpty() || !r.fields.zip.isEmpty() || !r.fields.add1.isEmpty() ||
                     !r.fields.custo1.isEmpty() || !r.fields.tel.isEmpty());
                if (destination) {
                    Edit_Cls();
                    Edit_Zip->setText(r.fields.zip);
                    Edit_Add1->setText(r.fields.add1);
                    Edit_Add2->setText(r.fields.add2);
                    Edit_Custo1->setText(r.fields.custo1);
                    Edit_tel->setText(r.fields.tel);
                    Edit_Zip->setFocus(Qt::OtherFocusReason);
                    status.append(r.status());
                    if (!dict)
                        status.append(QStringLiteral("郵便番号辞書を読めません"));
                }
                status.append(fillOrderRows(order));
                status.removeAll(QString());
                StatusBar1->showMessage(status.join(QStringLiteral("　")));
            }
            Edit_Warning();
            return;
        }
        static const LineWrapper wrap = workMemoWrapper();
        const TransferResult r = runTransferOnText(Memo1->toPlainText(), wrap);
        Memo2->setPlainText(memoTextOf(r.memoLines));
        Memo1->setPlainText(memoTextOf(r.memoLines));
        if (r.nothingToTransfer) {
            Dialogs::notify(this, TransferPanel::kNothingToTransfer);
        } else {
            Edit_Cls();
            Edit_Zip->setText(r.zip);
            Edit_Add1->setText(r.add1);
            Edit_Add2->setText(r.add2);
            Edit_Custo1->setText(r.custo1);
            Edit_tel->setText(r.tel);
            convertToHalfWidth(Edit_Zip);
            convertToHalfWidth(Edit_tel);
            Edit_Zip->setFocus(Qt::OtherFocusReason);
        }
        Edit_Warning();
    });
}

namespace {
bool rowIsEmpty(const NoteLineEdit *name1, const NoteLineEdit *name2, const NoteLineEdit *unit,
                const std::array<const TKiNumEdit *, 3> &numbers)
{
    for (const NoteLineEdit *e : {name1, name2, unit})
        if (!e->text().isEmpty())
            return false;
    for (const TKiNumEdit *n : numbers)
        if (!FixedDecimal::parseAmount(n->Text()).isZero())
            return false;
    return true;
}
} // namespace

QString TForm_Main::fillOrderRows(const OrderLines &order)
{
    if (order.rows.isEmpty())
        return {};
    bool typed = false;
    for (int i = 1; i <= kRows; ++i)
        typed = typed || reducedMarked(i) ||
                !rowIsEmpty(Edit_itemNo[i], Edit_item[i], Edit_unit[i],
                            {KiNumEdit_QTY[i], KiNumEdit_Price[i], KiNumEdit_Sales[i]});
    if (typed && !Dialogs::askYesNo(this, QString::fromUtf16(kReplaceRowsQuestion), false))
        return QStringLiteral("明細は転記していません");

    // The rows the layout prints: ten, six in landscape.
    const auto filled = std::min<qsizetype>(order.rows.size(), wSLPMAX);
    if (order.rows.size() > filled)
        Dialogs::notify(this, rowsLeftOutNotice(order.rows.size(), filled));
    Edit_CLS2();
    if (order.tax != OrderTaxMode::Unknown)
        ComboBox_TaxIncl->setCurrentIndex(order.tax == OrderTaxMode::Included ? 1 : 0);
    for (int i = 1; i <= filled; ++i) {
        const OrderRow &r = order.rows[i - 1];
        Edit_itemNo[i]->setText(r.name1);
        Edit_item[i]->setText(r.name2);
        Edit_unit[i]->setText(r.unit);
        KiNumEdit_QTY[i]->setText(QString::number(r.qty));
        // An item the mail names without a price leaves its price to the
        // operator rather than printing 0.
        KiNumEdit_Price[i]->setText(r.priced ? QString::number(r.price) : QString());
        CheckBox_Reduced[i]->setChecked(r.reduced);
        showReducedMark(i);
    }
    // Amounts and totals follow as after a typed price.
    KiNumEdit_PriceChange(KiNumEdit_Price[1]);

    // The total is whole yen: every row is a whole count at a whole price.
    std::optional<qint64> noteTotal;
    if (const auto t = FixedDecimal::parse(KiNumEdit_sttl->Text()))
        noteTotal = t->wholeUnits();
    return orderLinesStatus(order, noteTotal);
}

// Ctrl+Shift+V anywhere on the first tab: the clipboard's text replaces the
// memo's and is transferred at once, so a pasted order needs no mouse (the
// memo itself is no tab stop). Fields take no Ctrl+Shift keys of their own.
void TForm_Main::setUpPasteTransferKey()
{
    auto *key =
        new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), PageControl1->widget(0));
    key->setContext(Qt::WidgetWithChildrenShortcut);
    connect(key, &QShortcut::activated, this, [this] { pasteAndTransfer(); });
}

void TForm_Main::pasteAndTransfer()
{
    Memo1->setPlainText(QGuiApplication::clipboard()->text());
    BitBtn_1Click();
}

void TForm_Main::Memo1Change()
{
    // A paste is the first sign of a transfer: the dictionary starts loading
    // in the background, after the window has long been painted.
    if (m_shown && !Memo1->document()->isEmpty())
        PostalDictionaryLoader::startLoading();
    QPalette p = Memo1->palette();
    p.setColor(QPalette::Base,
               TransferPanel::memoColor(Memo1->toPlainText(), palette().color(QPalette::Base)));
    Memo1->setPalette(p);
}

void TForm_Main::BitBtn_MemoCLSClick()
{
    Memo1->clear();
    Memo2->clear();
    Memo1Change();
}

void TForm_Main::BitBtn_SendMailClick()
{
    runGuarded(this, [] { SupportLinks::openSupportMail(); });
}

void TForm_Main::BitBtn_WebHelpClick()
{
    runGuarded(this, [] { SupportLinks::openProductWebPage(); });
}

void TForm_Main::buildTransferChoice(QWidget *tab)
{
    auto *g = new QGroupBox(QStringLiteral("転記の方式"), tab);
    g->setObjectName(QStringLiteral("GroupBox_TrMode"));
    g->setGeometry(4, 424, 372, 52);
    ComboBox_TrMode = new QComboBox(g);
    ComboBox_TrMode->setObjectName(QStringLiteral("ComboBox_TrMode"));
    ComboBox_TrMode->setGeometry(10, 22, 352, 22);
    ComboBox_TrMode->addItems(
        {QStringLiteral("語句による転記"), QStringLiteral("郵便番号辞書による転記")});
    ComboBox_TrMode->setCurrentIndex(1);
    ComboBox_TrMode->setAccessibleName(QStringLiteral("転記の方式"));
    ComboBox_TrMode->setToolTip(QStringLiteral("貼り付けた注文文を転記する規則を選びます"));
    // Only the operator's choice is stored (activated, not currentIndexChanged).
    connect(ComboBox_TrMode, &QComboBox::activated, this, [this] { ComboBox_TrModeChange(); });
}

void TForm_Main::readTransferChoice()
{
    ComboBox_TrMode->setCurrentIndex(readDictionaryTransfer(settingsFilePath()) ? 1 : 0);
}

void TForm_Main::ComboBox_TrModeChange()
{
    runGuarded(this, [this] {
        writeDictionaryTransfer(settingsFilePath(), ComboBox_TrMode->currentIndex() == 1);
    });
}

void TForm_Main::Edit_ZipExit()
{
    if (ComboBox_TrMode->currentIndex() != 1 || postalCodeDigits(Edit_Zip->text()).isEmpty())
        return;
    const auto dict = PostalDictionaryLoader::get();
    if (!dict)
        return;
    const QString zip = Edit_Zip->text();
    if (!Edit_Add1->text().isEmpty()) {
        const QString warning = zipAddressMismatch(*dict, zip, Edit_Add1->text());
        if (!warning.isEmpty())
            StatusBar1->showMessage(warning);
        return;
    }
    const QStringList choices = addressChoicesFor(*dict, zip);
    if (choices.size() == 1) {
        Edit_Add1->setText(choices.first());
    } else if (choices.size() > 1) {
        // Several towns share the code: a short list under the address line.
        auto *menu = new QMenu(this);
        menu->setObjectName(QStringLiteral("Menu_ZipTowns"));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        for (const QString &c : choices)
            menu->addAction(c, this, [this, c] { Edit_Add1->setText(c); });
        menu->popup(Edit_Add1->mapToGlobal(QPoint(0, Edit_Add1->height())));
    }
}
