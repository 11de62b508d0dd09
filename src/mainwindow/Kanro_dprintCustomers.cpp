// Customers and items on the main window: recall while typing in the name,
// telephone and postal-code fields and in the 品名 1 cells, the honorific
// beside the name, "前回と同じ内容" (F5) and the keys of the list windows
// (F3 得意先, F4 商品).
//
// A recall list opens only on committed text (never while the input method
// composes) once the field holds two characters (name, 品名 1) or two digits
// (telephone, postal code). While it is open, Up and Down walk it, Enter
// chooses and Escape closes it; with no list open every key keeps its
// meaning in the field.
#include "store/CustomerRecall.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/CommandGuard.h"
#include "platform/Dialogs.h"
#include "store/NoteLedger.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QShortcut>
#include <QStandardItemModel>
#include <QToolButton>

namespace {

// How many entries a recall list offers.
constexpr int kRecallLimit = 12;
// The lists are wider than the fields, so that the address shows.
constexpr int kCustomerListWidth = 560;
constexpr int kItemListWidth = 420;

const QString NoLastNoteMessage =
    QStringLiteral("この得意先の前回の伝票は記録にありません。");
const QString ReplaceWithLastQuestion =
    QStringLiteral("画面の明細を、この得意先の前回の伝票と同じ内容で置き換えますか?");

QCompleter *makeRecallList(QWidget *owner, const QString &name)
{
    auto *list = new QCompleter(new QStandardItemModel(owner), owner);
    list->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    list->setMaxVisibleItems(8);
    list->popup()->setObjectName(name);
    list->popup()->setAccessibleName(name);
    return list;
}

void offer(QCompleter *list, QWidget *field, const QStringList &lines, int width)
{
    auto *model = static_cast<QStandardItemModel *>(list->model());
    model->clear();
    for (int k = 0; k < lines.size(); ++k) {
        auto *row = new QStandardItem(lines.at(k));
        row->setData(k, Qt::UserRole);
        row->setEditable(false);
        model->appendRow(row);
    }
    if (lines.isEmpty()) {
        list->popup()->hide();
        return;
    }
    list->setWidget(field);
    list->setCompletionPrefix(QString());
    list->complete(QRect(0, 0, width, field->height()));
}

QString customerLine(const ledger::Customer &c)
{
    QStringList address;
    for (const QString &l : c.addressLines)
        if (!l.isEmpty())
            address << l;
    return QStringLiteral("%1 %2　〒%3 %4　%5")
        .arg(c.name, c.honorific, c.zip, address.join(u' '), c.tel);
}

QString itemLine(const ledger::Item &i)
{
    return QStringLiteral("%1 %2　%3　%4%5")
        .arg(i.itemNo, i.item, i.unit, i.price,
             i.reduced ? QStringLiteral("　※軽減") : QString());
}

} // namespace

void TForm_Main::setUpCustomerRecall()
{
    // The honorific beside the name, which gives it the room.
    QRect name = Edit_Custo1->geometry();
    name.setWidth(name.width() - 54);
    Edit_Custo1->setGeometry(name);
    ComboBox_Honorific = new QComboBox(Edit_Custo1->parentWidget());
    ComboBox_Honorific->setObjectName(QStringLiteral("ComboBox_Honorific"));
    ComboBox_Honorific->addItems({QStringLiteral("様"), QStringLiteral("御中")});
    ComboBox_Honorific->setGeometry(name.right() + 3, name.top(), 50, name.height());
    // Out of the Enter and Tab chains of the destination, whose order is
    // fixed; Alt+K switches it from any field.
    ComboBox_Honorific->setFocusPolicy(Qt::ClickFocus);
    ComboBox_Honorific->setToolTip(
        QStringLiteral("おなまえの後に印刷する敬称 (会社・部署は御中)。Alt+K で切り替えます"));
    ComboBox_Honorific->setAccessibleName(QStringLiteral("敬称"));
    ComboBox_Honorific->setAccessibleDescription(ComboBox_Honorific->toolTip());
    auto *toggle = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_K), this);
    connect(toggle, &QShortcut::activated, this, [this] {
        ComboBox_Honorific->setCurrentIndex(1 - ComboBox_Honorific->currentIndex());
    });

    m_recall = new CustomerRecall(this);
    m_customerList = makeRecallList(this, QStringLiteral("得意先の候補"));
    m_itemList = makeRecallList(this, QStringLiteral("商品の候補"));
    connect(m_customerList, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &i) { chooseCustomer(i.data(Qt::UserRole).toInt()); });
    connect(m_itemList, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &i) { chooseItem(i.data(Qt::UserRole).toInt()); });
    for (NoteLineEdit *field : {Edit_Custo1, Edit_tel, Edit_Zip})
        connect(field, &QLineEdit::textEdited, this, [this, field] { destinationEdited(field); });
    for (int i = 1; i <= kRows; ++i)
        connect(Edit_itemNo[i], &QLineEdit::textEdited, this, [this, i] { itemNoEdited(i); });

    connect(SpeedButton_F[3], &QToolButton::clicked, this, [this] { SpeedButton_F3Click(); });
    connect(SpeedButton_F[4], &QToolButton::clicked, this, [this] { SpeedButton_F4Click(); });
    connect(SpeedButton_F[5], &QToolButton::clicked, this, [this] { SpeedButton_F5Click(); });
}

void TForm_Main::showCustomerKeys()
{
    setFunctionCaption(3, QStringLiteral("得意先"));
    SpeedButton_F[3]->setToolTip(QStringLiteral("得意先の一覧: 検索・編集・統合・CSV"));
    setFunctionCaption(4, QStringLiteral("商品"));
    SpeedButton_F[4]->setToolTip(QStringLiteral("商品の一覧: 検索・編集・統合・CSV"));
    setFunctionCaption(5, QStringLiteral("前回"));
    SpeedButton_F[5]->setToolTip(
        QStringLiteral("前回と同じ内容: この得意先の前回の伝票の明細を入れます"));
    for (int k : {3, 4, 5})
        SpeedButton_F[k]->setEnabled(true);
}

bool TForm_Main::customerKey(int Key)
{
    switch (Key) {
    case Qt::Key_F3:
        SpeedButton_F3Click();
        return true;
    case Qt::Key_F4:
        SpeedButton_F4Click();
        return true;
    case Qt::Key_F5:
        SpeedButton_F5Click();
        return true;
    default:
        return false;
    }
}

QString TForm_Main::honorific() const
{
    return ComboBox_Honorific && ComboBox_Honorific->currentIndex() == 1 ? QStringLiteral("御中")
                                                                         : QString();
}

void TForm_Main::setHonorific(const QString &h)
{
    if (ComboBox_Honorific)
        ComboBox_Honorific->setCurrentIndex(h == u"御中" ? 1 : 0);
}

QCompleter *TForm_Main::customerRecallList() const
{
    return m_customerList;
}

QCompleter *TForm_Main::itemRecallList() const
{
    return m_itemList;
}

void TForm_Main::destinationEdited(NoteLineEdit *field)
{
    ledger::CustomerQuery query;
    if (field == Edit_Custo1) {
        query.by = ledger::CustomerQuery::By::Name;
        query.text = field->text().trimmed();
    } else {
        query.by = field == Edit_tel ? ledger::CustomerQuery::By::Tel
                                     : ledger::CustomerQuery::By::Zip;
        query.text = ledger::digitsOf(field->text());
    }
    if (query.text.size() < 2 || field->composing() || !field->hasFocus()) {
        m_recall->forget();
        m_customerList->popup()->hide();
        return;
    }
    const QString asked = field->text();
    m_recall->askCustomers(storeTarget(), query, kRecallLimit,
                           [this, field, asked](std::vector<ledger::Customer> found) {
                               if (!field->hasFocus() || field->text() != asked)
                                   return;
                               m_offeredCustomers = std::move(found);
                               QStringList lines;
                               for (const ledger::Customer &c : m_offeredCustomers)
                                   lines << customerLine(c);
                               offer(m_customerList, field, lines, kCustomerListWidth);
                           });
}

void TForm_Main::itemNoEdited(int row)
{
    NoteLineEdit *field = Edit_itemNo[row];
    const QString part = field->text().trimmed();
    if (part.size() < 2 || field->composing() || !field->hasFocus()) {
        m_recall->forget();
        m_itemList->popup()->hide();
        return;
    }
    const QString asked = field->text();
    m_recall->askItems(storeTarget(), part, kRecallLimit,
                       [this, field, row, asked](std::vector<ledger::Item> found) {
                           if (!field->hasFocus() || field->text() != asked)
                               return;
                           m_offeredItems = std::move(found);
                           m_itemRow = row;
                           QStringList lines;
                           for (const ledger::Item &i : m_offeredItems)
                               lines << itemLine(i);
                           offer(m_itemList, field, lines, kItemListWidth);
                       });
}

void TForm_Main::chooseCustomer(int index)
{
    if (index < 0 || std::size_t(index) >= m_offeredCustomers.size())
        return;
    const ledger::Customer c = m_offeredCustomers[std::size_t(index)];
    Edit_Zip->setText(c.zip);
    Edit_Add1->setText(c.addressLines[0]);
    Edit_Add2->setText(c.addressLines[1]);
    Edit_Add3->setText(c.addressLines[2]);
    Edit_Custo1->setText(c.name);
    Edit_tel->setText(c.tel);
    setHonorific(c.honorific);
    Edit_Warning();
}

void TForm_Main::chooseItem(int index)
{
    const int row = m_itemRow;
    if (index < 0 || std::size_t(index) >= m_offeredItems.size() || row < 1 || row > kRows)
        return;
    const ledger::Item &i = m_offeredItems[std::size_t(index)];
    Edit_itemNo[row]->setText(i.itemNo);
    Edit_item[row]->setText(i.item);
    Edit_unit[row]->setText(i.unit);
    KiNumEdit_Price[row]->setText(i.price);
    setReducedMark(row, i.reduced);
    // The amount follows as for a typed price.
    KiNumEdit_PriceChange(KiNumEdit_Price[row]);
}

void TForm_Main::showRows(const printing::PrintNote &n)
{
    for (int i = 1; i <= kRows; ++i) {
        const printing::PrintRow &r = n.rows[std::size_t(i - 1)];
        dITEMNO_Ary[i]->setText(r.itemNo);
        dITEM_Ary[i]->setText(r.item);
        dUNIT_Ary[i]->setText(r.unit);
        dQTY_Ary[i]->setText(r.qty);
        dPRICE_Ary[i]->setText(r.price);
        dSALES_Ary[i]->setText(r.sales);
        setReducedMark(i, r.reduced);
    }
    DEN_SALS();
    DEN_SUM();
}

void TForm_Main::SpeedButton_F5Click()
{
    if (PageControl1->currentIndex() != 0)
        return;
    runGuarded(this, [this] {
        ledger::NoteLedger store(storeTarget());
        qint64 id = 0;
        ledger::LedgerStatus status =
            store.lastNoteOf(Edit_Custo1->text(), Edit_Zip->text(), Edit_tel->text(), id);
        std::optional<ledger::IssuedNote> last;
        if (status.ok() && id != 0)
            last = store.load(id, status);
        if (!status.ok()) {
            Dialogs::notify(this, QStringLiteral("発行履歴を読めませんでした。\n%1").arg(status.error));
            return;
        }
        if (!last) {
            Dialogs::notify(this, NoLastNoteMessage);
            return;
        }
        bool rowsFilled = false;
        for (int i = 1; i <= kRows && !rowsFilled; ++i)
            rowsFilled = !dITEMNO_Ary[i]->text().isEmpty() || !dITEM_Ary[i]->text().isEmpty() ||
                         !dUNIT_Ary[i]->text().isEmpty() ||
                         !(dQTY_Ary[i]->Text().isEmpty() || dQTY_Ary[i]->Text() == u"0") ||
                         !(dPRICE_Ary[i]->Text().isEmpty() || dPRICE_Ary[i]->Text() == u"0");
        if (rowsFilled && !Dialogs::askYesNo(this, ReplaceWithLastQuestion, false))
            return;
        // The prices mean what they meant on that note.
        ComboBox_TaxIncl->setCurrentIndex(last->note.taxIncluded ? 1 : 0);
        showRows(last->note);
        focusCell(Edit_itemNo[1]);
    });
}
