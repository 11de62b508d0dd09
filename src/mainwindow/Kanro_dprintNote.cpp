// The note: binding the row cells, clearing, the amounts and totals, the
// tax rate choice, the reduced-rate marks and the registration number.
#include "mainwindow/HelpMessages.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "mainwindow/NoteSettings.h"
#include "mainwindow/ReducedRowColour.h"
#include "note/NoteArithmetic.h"
#include "note/NoteRange.h"
#include "note/RegistrationNumber.h"
#include "numedit/KiNumEdit.h"
#include "platform/CommandGuard.h"
#include "platform/Dialogs.h"
#include "platform/HalfWidth.h"
#include "platform/ImeMode.h"
#include "printing/LayoutRules.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <algorithm>

namespace {

const QString kAddressWarning =
    QStringLiteral("警告:おところ①の文字数が多すぎます。　おところ②へ分割してください");

// Notices of the qualified invoice.
const QString kRegNoRefused =
    QStringLiteral("登録番号は T と13桁の数字で入力してください。入力前の番号に戻します");
const QString kRateRowRefused =
    QStringLiteral("適用開始日は 2027/04/01 の形で、税率は 0 から 100 "
                   "までの数値で入力してください。入力前の行に戻します");
const QString kRateRefused =
    QStringLiteral("税率は 0 から 100 までの数値で入力してください。入力前の税率に戻します");

} // namespace

void TForm_Main::Ary_DAT_SET()
{
    // Names are matched without regard to case; the first control of a name
    // in the window's order wins. One walk over the window serves all sixty
    // look-ups (a walk per look-up was a noticeable part of start-up).
    QHash<QString, QWidget *> byName;
    for (QWidget *w : findChildren<QWidget *>()) {
        if (!w->objectName().isEmpty()) {
            const QString key = w->objectName().toCaseFolded();
            if (!byName.contains(key))
                byName.insert(key, w);
        }
    }
    auto find = [&byName](const QString &name) -> QWidget * {
        return byName.value(name.toCaseFolded(), nullptr);
    };
    for (int i = 1; i <= kRows; ++i) {
        const QString n = QString::number(i);
        dITEMNO_Ary[i] = qobject_cast<NoteLineEdit *>(find(QStringLiteral("Edit_ITEMNO") + n));
        dITEM_Ary[i] = qobject_cast<NoteLineEdit *>(find(QStringLiteral("Edit_ITEM") + n));
        dQTY_Ary[i] = qobject_cast<TKiNumEdit *>(find(QStringLiteral("KiNumEdit_QTY") + n));
        dUNIT_Ary[i] = qobject_cast<NoteLineEdit *>(find(QStringLiteral("Edit_Unit") + n));
        dPRICE_Ary[i] = qobject_cast<TKiNumEdit *>(find(QStringLiteral("KiNumEdit_price") + n));
        dSALES_Ary[i] = qobject_cast<TKiNumEdit *>(find(QStringLiteral("KiNumEdit_Sales") + n));

        const std::pair<QComboBox *, QWidget *> modes[] = {{ComboBox_ime_Itemno, dITEMNO_Ary[i]},
                                                           {ComboBox_ime_Item, dITEM_Ary[i]},
                                                           {ComboBox_ime_Unit, dUNIT_Ary[i]}};
        for (const auto &[selector, cell] : modes) {
            const int k = selector->currentIndex();
            if (cell && k >= 0 && k < kImeModeCount)
                applyImeMode(cell, static_cast<TImeMode>(k));
        }
    }
}

void TForm_Main::Ary_TabOrder()
{
    // 品名 1, 品名 2, 数量, 単位, 単価, 金額 per row, rows in order; the
    // amount takes no focus, so Tab runs on to the next row's 品名 1.
    QWidget *prev = KiNumEdit_Slipno;
    for (int i = 1; i <= kRows; ++i) {
        for (QWidget *w :
             {static_cast<QWidget *>(Edit_itemNo[i]), static_cast<QWidget *>(Edit_item[i]),
              static_cast<QWidget *>(KiNumEdit_QTY[i]), static_cast<QWidget *>(Edit_unit[i]),
              static_cast<QWidget *>(KiNumEdit_Price[i]),
              static_cast<QWidget *>(KiNumEdit_Sales[i])}) {
            setTabOrder(prev, w);
            prev = w;
        }
    }
}

void TForm_Main::denSLPMAX()
{
    for (int i = 1; i <= kRows; ++i) {
        const bool on = i <= wSLPMAX;
        for (QWidget *w :
             {static_cast<QWidget *>(Edit_itemNo[i]), static_cast<QWidget *>(Edit_item[i]),
              static_cast<QWidget *>(KiNumEdit_QTY[i]), static_cast<QWidget *>(Edit_unit[i]),
              static_cast<QWidget *>(KiNumEdit_Price[i]),
              static_cast<QWidget *>(KiNumEdit_Sales[i])})
            w->setEnabled(on);
        CheckBox_Reduced[i]->setEnabled(on);
    }
}

void TForm_Main::Edit_CLS2()
{
    ScrollBox1->verticalScrollBar()->setValue(0);
    for (TKiNumEdit *n : {KiNumEdit_sqty, KiNumEdit_ssal, KiNumEdit_stax, KiNumEdit_sttl})
        n->setText(QStringLiteral("0"));
    for (int i = 1; i <= kRows; ++i) {
        for (TKiNumEdit *n : {KiNumEdit_QTY[i], KiNumEdit_Price[i], KiNumEdit_Sales[i]}) {
            n->setDecimalLength(0);
            n->setDecimalFixed(false);
        }
    }
    for (int i = 1; i <= kRows; ++i) {
        Edit_itemNo[i]->clear();
        Edit_item[i]->clear();
        Edit_unit[i]->clear();
        for (TKiNumEdit *n : {KiNumEdit_QTY[i], KiNumEdit_Price[i], KiNumEdit_Sales[i]})
            n->setText(QStringLiteral("0"));
        CheckBox_Reduced[i]->setChecked(false);
        showReducedMark(i);
    }
    Label_TaxBreakdown->hide();
    showTaxCaption();
    update();
}

void TForm_Main::Edit_Cls()
{
    for (QLabel *l : {Label_Warning, Label_CutCut, Label_0X})
        l->clear();
    for (NoteLineEdit *e : {Edit_Zip, Edit_Add1, Edit_Add2, Edit_Add3, Edit_Custo1, Edit_tel})
        e->clear();
    setHonorific(QString());
}

void TForm_Main::Edit_Warning()
{
    if (Edit_Add1->text().size() > 40)
        Label_Warning->setText(kAddressWarning);
    else
        Label_Warning->clear();
}

namespace {
DetailRows rowsOf(const TForm_Main &f)
{
    DetailRows rows;
    for (int i = 1; i <= TForm_Main::kRows; ++i)
        rows[i - 1] = {f.dQTY_Ary[i]->Text(), f.dPRICE_Ary[i]->Text(), f.dSALES_Ary[i]->Text()};
    return rows;
}

void storeRows(TForm_Main &f, const DetailRows &rows)
{
    for (int i = 1; i <= TForm_Main::kRows; ++i) {
        const RowCells &c = rows[i - 1];
        // Writing an unchanged text would still reformat the field.
        if (f.dQTY_Ary[i]->Text() != c.qty)
            f.dQTY_Ary[i]->setText(c.qty);
        if (f.dPRICE_Ary[i]->Text() != c.price)
            f.dPRICE_Ary[i]->setText(c.price);
        if (f.dSALES_Ary[i]->Text() != c.sales)
            f.dSALES_Ary[i]->setText(c.sales);
    }
}
} // namespace

void TForm_Main::DEN_SALS(int quantityEditedRow)
{
    DetailRows rows = rowsOf(*this);
    ::DEN_SALS(rows, quantityEditedRow);
    storeRows(*this, rows);
}

void TForm_Main::DEN_SALS_2()
{
    DetailRows rows = rowsOf(*this);
    ::DEN_SALS_2(rows, [this](int row) { Dialogs::notify(this, missingQuantityMessage(row)); });
    storeRows(*this, rows);
}

namespace {
ReducedMarks marksOf(const TForm_Main &f)
{
    ReducedMarks marks{};
    for (int i = 1; i <= TForm_Main::kRows; ++i)
        marks[static_cast<std::size_t>(i - 1)] = f.reducedMarked(i);
    return marks;
}
} // namespace

void TForm_Main::DEN_SUM()
{
    // Each rate's tax from its own sum; without a marked row the figures
    // are those of the single rate.
    const InvoiceTotals &it = invoiceTotals();
    const NoteTotals &t = it.totals;
    KiNumEdit_sqty->setText(t.sqty);
    KiNumEdit_ssal->setText(t.ssal);
    KiNumEdit_stax->setText(t.stax);
    KiNumEdit_sttl->setText(t.sttl);

    // A tax-inclusive note always shows its rates: they name the rate the
    // contained tax was taken at.
    const bool included = m_totals->first.taxIncluded;
    if (it.reduced.inUse || (included && it.standard.inUse)) {
        const auto part = [included](const QString &fraction, const RateTotals &r) {
            return ratePercentText(fraction) + QStringLiteral("%対象 ") +
                   printing::amountText(r.subtotal) +
                   (included ? QStringLiteral("（うち消費税 ") : QStringLiteral("（税 ")) +
                   printing::amountText(r.tax) + QStringLiteral("）");
        };
        QStringList parts;
        if (it.standard.inUse)
            parts << part(m_totals->first.standardFraction, it.standard);
        if (it.reduced.inUse)
            parts << part(m_totals->first.reducedFraction, it.reduced);
        Label_TaxBreakdown->setText(parts.join(QStringLiteral("　")));
        Label_TaxBreakdown->setToolTip(Label_TaxBreakdown->text());
        Label_TaxBreakdown->show();
    } else {
        Label_TaxBreakdown->hide();
    }
    showTaxCaption();
}

QString TForm_Main::rangeNoticeOfNote() const
{
    return outOfRangeNotice(rowsOf(*this), {KiNumEdit_sqty->Text(), KiNumEdit_ssal->Text(),
                                            KiNumEdit_stax->Text(), KiNumEdit_sttl->Text()});
}

void TForm_Main::TAX_RATE_CHK()
{
    // The standard rate of the row in force; the reduced one is read live
    // by the sums (reducedFractionInForce).
    const RecordFigures *loaded = loadedFigures();
    const QString standard =
        loaded ? ratePercentText(loaded->standardFraction)
               : taxRateRowInForce(taxRateRows(), DateTimePicker_1->date()).standard;
    const TaxRateChoice c = ::TAX_RATE_CHK(standard, standard, QDate(), QDate());
    Label_xTax->setText(c.xTax);
    m_standardCaption = c.staxCaption;
    showTaxCaption();
}

std::vector<TaxRateRow> TForm_Main::taxRateRows() const
{
    return taxRateTable(KiNumEdit_TaxOld->Text(), DateTimePicker_TaxEnforDate->date(),
                        KiNumEdit_TaxNew->Text(), KiNumEdit_TaxReduced->Text(), m_furtherRates);
}

QString TForm_Main::reducedFractionInForce() const
{
    if (const RecordFigures *loaded = loadedFigures())
        return loaded->reducedFraction;
    return rateFractionText(taxRateRowInForce(taxRateRows(), DateTimePicker_1->date()).reduced);
}

const RecordFigures *TForm_Main::loadedFigures() const
{
    if (!m_loadedRecord || !m_loadedRecord->figures ||
        KiNumEdit_Slipno->Text().trimmed() != m_loadedRecord->slipNo.trimmed())
        return nullptr;
    return &*m_loadedRecord->figures;
}

void TForm_Main::refreshFigures()
{
    TAX_RATE_CHK();
    DEN_SUM();
}

void TForm_Main::showFurtherRates()
{
    std::vector<TaxRateRow> rows = m_furtherRates;
    std::stable_sort(rows.begin(), rows.end(), [](const TaxRateRow &a, const TaxRateRow &b) {
        return a.validFrom > b.validFrom;
    });
    m_furtherRates = rows;
    m_fillingRates = true;
    TableWidget_TaxRates->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const QStringList cells = taxRateRowText(rows[static_cast<std::size_t>(r)]).split(u',');
        for (int c = 0; c < 3; ++c)
            TableWidget_TaxRates->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    m_fillingRates = false;
}

void TForm_Main::TableWidget_TaxRatesChanged(int row)
{
    if (m_fillingRates || row < 0 || row >= static_cast<int>(m_furtherRates.size()))
        return;
    QStringList cells;
    for (int c = 0; c < 3; ++c) {
        const QTableWidgetItem *item = TableWidget_TaxRates->item(row, c);
        cells << toHalfWidth(item ? item->text() : QString()).trimmed();
    }
    if (const auto parsed = parseTaxRateRow(cells.join(u','))) {
        m_furtherRates[static_cast<std::size_t>(row)] = *parsed;
        furtherRatesChanged();
        return;
    }
    // The cell edit is dropped after the signal returns.
    QMetaObject::invokeMethod(
        this, [this] { showFurtherRates(); }, Qt::QueuedConnection);
    Dialogs::notify(this, kRateRowRefused);
}

void TForm_Main::Button_TaxRateAddClick()
{
    // A new row starts from the rates in force today, dated tomorrow.
    const QDate today = todayProvider();
    TaxRateRow row = taxRateRowInForce(taxRateRows(), today);
    row.validFrom = today.addDays(1);
    m_furtherRates.push_back(row);
    furtherRatesChanged();
}

void TForm_Main::Button_TaxRateDeleteClick()
{
    const int r = TableWidget_TaxRates->currentRow();
    if (r < 0 || r >= static_cast<int>(m_furtherRates.size()))
        return;
    m_furtherRates.erase(m_furtherRates.begin() + r);
    furtherRatesChanged();
}

void TForm_Main::furtherRatesChanged()
{
    showFurtherRates();
    TAX_RATE_CHK();
    DEN_SUM();
}

void TForm_Main::showTaxCaption()
{
    // Before the first rate choice the label keeps its design caption.
    if (m_standardCaption.isEmpty())
        return;
    // Until the rows are bound (start-up sets the note date first) no row
    // can be marked: the caption is the rate choice's.
    if (!dQTY_Ary[1]) {
        Label_stax->setText(m_standardCaption);
        return;
    }
    const InvoiceFigures f = invoiceFigures();
    const bool included = taxIncluded();
    Label_ssalCaption->setText(included ? printing::invoice::IncludedSubtotalCaption
                                        : QStringLiteral("合　計"));
    const QString caption =
        included ? printing::invoice::IncludedTaxCaption
                 : taxLabelCaption(m_standardCaption, f.standardFraction, f.reducedFraction,
                                   f.standardInUse, f.reducedInUse);
    Label_stax->setText(caption);
    // Two rates make the caption longer than its panel: it is then set
    // smaller; otherwise the label takes the window's font as always.
    Label_stax->setFont(QFont());
    QFont small = Label_stax->font();
    if (QFontMetrics(small).horizontalAdvance(caption) > Label_stax->contentsRect().width() - 6) {
        small.setPixelSize(12);
        Label_stax->setFont(small);
    }
}

// The sums are computed once for each state of what they depend on (rows,
// marks, both rates, the rounding mode) and read by the totals, the caption,
// the preview and every printed copy.
const InvoiceTotals &TForm_Main::invoiceTotals() const
{
    // A loaded note is summed with its own rates and rounding (see
    // loadedFigures), everything else with the shop's.
    const RecordFigures *loaded = loadedFigures();
    TotalsInputs in{rowsOf(*this),
                    marksOf(*this),
                    loaded ? loaded->standardFraction : Label_xTax->text(),
                    reducedFractionInForce(),
                    loaded ? loaded->rounding : Edit_TxDisp->text(),
                    taxIncluded()};
    if (!m_totals || m_totals->first != in) {
        const InvoiceTotals it = ::DEN_SUM(in.rows, in.marks, in.standardFraction,
                                           in.reducedFraction, in.rounding, in.taxIncluded);
        m_totals.emplace(std::move(in), it);
    }
    return m_totals->second;
}

TForm_Main::InvoiceFigures TForm_Main::invoiceFigures() const
{
    InvoiceFigures f;
    const InvoiceTotals &it = invoiceTotals();
    f.standardFraction = m_totals->first.standardFraction;
    f.reducedFraction = m_totals->first.reducedFraction;
    f.standardInUse = it.standard.inUse;
    f.reducedInUse = it.reduced.inUse;
    f.standardSubtotal = it.standard.subtotal;
    f.standardTax = it.standard.tax;
    f.reducedSubtotal = it.reduced.subtotal;
    f.reducedTax = it.reduced.tax;
    return f;
}

bool TForm_Main::taxIncluded() const
{
    return ComboBox_TaxIncl->currentIndex() == 1;
}

bool TForm_Main::reducedMarked(int row) const
{
    return row >= 1 && row <= kRows && CheckBox_Reduced[row]->isChecked();
}

void TForm_Main::showReducedMark(int row)
{
    // A marked row shows "※" under its number on an orange panel.
    const bool marked = reducedMarked(row);
    Panel_dv[row]->setText(marked ? QStringLiteral("%1\n※").arg(row) : QString::number(row));
    QPalette p = Panel_dv[row]->palette();
    p.setColor(QPalette::Window,
               marked ? kReducedRowColour : QApplication::palette().color(QPalette::Window));
    Panel_dv[row]->setPalette(p);
}

void TForm_Main::setReducedMark(int row, bool marked)
{
    if (row < 1 || row > kRows)
        return;
    CheckBox_Reduced[row]->setChecked(marked);
    showReducedMark(row);
    // The split between the rates changes the tax: the totals follow at
    // once (the amounts stay as they stand).
    DEN_SUM();
}

void TForm_Main::SpeedButton_F8Click()
{
    const int row = focusedRow();
    if (row >= 1 && row <= kRows && CheckBox_Reduced[row]->isEnabled())
        setReducedMark(row, !reducedMarked(row));
}

void TForm_Main::Edit_TaxRegNoChange()
{
    // Full-width entry becomes half width at once (writing the converted
    // text raises one more change, which finds nothing left to convert).
    const QString text = Edit_TaxRegNo->text();
    const QString half = toHalfWidth(text);
    if (half != text) {
        Edit_TaxRegNo->setText(half);
        return;
    }
    if (!Edit_TaxRegNo->hasFocus())
        return;
    Panel_HelpMess->setText(checkRegistrationNumber(half.trimmed()) ==
                                    RegistrationCheck::CheckDigitOff
                                ? help::TaxRegNoCheckDigit
                                : help::TaxRegNo);
}

void TForm_Main::Edit_TaxRegNoExit()
{
    const QString text = normalizedRegistrationNumber(Edit_TaxRegNo->text());
    switch (checkRegistrationNumber(text)) {
    case RegistrationCheck::Malformed:
        // A hand-edited number passed through unchanged stays as it is (F11
        // says why it is not printed); a new entry is refused.
        if (Edit_TaxRegNo->text() == m_acceptedRegNo)
            return;
        Edit_TaxRegNo->setText(m_acceptedRegNo);
        Dialogs::notify(this, kRegNoRefused);
        return;
    case RegistrationCheck::CheckDigitOff:
        Panel_HelpMess->setText(help::TaxRegNoCheckDigit);
        break;
    case RegistrationCheck::Empty:
    case RegistrationCheck::Valid:
        break;
    }
    if (Edit_TaxRegNo->text() != text)
        Edit_TaxRegNo->setText(text);
    m_acceptedRegNo = text;
}

void TForm_Main::rateFieldExited(TKiNumEdit *field)
{
    // A rate is a percentage: 0 to 100. Anything else is refused and the
    // text of the moment the field was entered comes back.
    const QString text = field->Text();
    const FixedDecimal v = FixedDecimal::parseAmount(text);
    const bool ok = v.raw() >= 0 && v.raw() <= 100 * FixedDecimal::kScale;
    if (ok)
        return;
    field->setText(m_rateBeforeEntry);
    Dialogs::notify(this, kRateRefused);
}

void TForm_Main::KiNumEdit_QTYChange(TKiNumEdit *Sender)
{
    // The row of the edited quantity keeps its price while the quantity
    // passes through 0.
    int row = 0;
    for (int i = 1; i <= kRows; ++i) {
        if (dQTY_Ary[i] == Sender)
            row = i;
    }
    DEN_SALS(row);
    DEN_SUM();
}

void TForm_Main::KiNumEdit_PriceChange(TKiNumEdit *)
{
    DEN_SALS();
    DEN_SUM();
}

void TForm_Main::SpeedButton1Click()
{
    DEN_SALS();
    DEN_SUM();
}

void TForm_Main::DateTimePicker_1Change()
{
    TAX_RATE_CHK();
}

void TForm_Main::SpeedButton_slipnoClick()
{
    if (!KiNumEdit_Slipno->Text().isEmpty())
        return;
    runGuarded(this, [this] {
        if (const std::optional<qint64> number = issueSlipNumber())
            KiNumEdit_Slipno->setText(QString::number(*number));
    });
}

void TForm_Main::BitBtn_CLSClick()
{
    if (Dialogs::askYesNo(this, QStringLiteral("お届け先をクリアますか?")))
        Edit_Cls();
}
