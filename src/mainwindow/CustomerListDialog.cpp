#include "mainwindow/CustomerListDialog.h"

#include "mainwindow/Kanro_dprintUnit.h"
#include "platform/CommandGuard.h"
#include "platform/Dialogs.h"
#include "platform/ProfileFile.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The columns that are yes/no: shown as check boxes.
const QStringList flagColumns = {QStringLiteral("非表示"), QStringLiteral("軽減税率"),
                                 QStringLiteral("税込")};
const QString LastUsedColumn = QStringLiteral("最終利用");

} // namespace

CustomerListDialog::CustomerListDialog(TForm_Main &main, Kind kind)
    : QDialog(&main), m_main(main), m_kind(kind), m_ledger(main.storeTarget())
{
    const bool customers = kind == Kind::Customers;
    const QString title = customers ? QStringLiteral("得意先") : QStringLiteral("商品");
    setObjectName(customers ? QStringLiteral("CustomerListDialog")
                            : QStringLiteral("ItemListDialog"));
    setWindowTitle(title);
    setAccessibleName(title);
    setModal(true);
    resize(900, 520);

    auto *top = new QHBoxLayout;
    auto *caption = new QLabel(customers ? QStringLiteral("得意先名(&S)")
                                         : QStringLiteral("品名1(&S)"),
                               this);
    Edit_Search = new QLineEdit(this);
    Edit_Search->setObjectName(QStringLiteral("Edit_Search"));
    Edit_Search->setAccessibleName(caption->text().remove(QStringLiteral("(&S)")));
    caption->setBuddy(Edit_Search);
    CheckBox_ShowHidden = new QCheckBox(QStringLiteral("非表示も表示(&H)"), this);
    CheckBox_ShowHidden->setObjectName(QStringLiteral("CheckBox_ShowHidden"));
    top->addWidget(caption);
    top->addWidget(Edit_Search, 1);
    top->addWidget(CheckBox_ShowHidden);

    Table_List = new QTableWidget(this);
    Table_List->setObjectName(QStringLiteral("Table_List"));
    Table_List->setAccessibleName(title + QStringLiteral("の一覧"));
    Table_List->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table_List->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Table_List->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed);
    Table_List->setTabKeyNavigation(false);

    auto button = [this](const QString &text, const QString &name) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        b->setAccessibleName(QString(text).remove(QRegularExpression(QStringLiteral("\\(&.\\)"))));
        return b;
    };
    Button_Add = button(QStringLiteral("追加(&A)"), QStringLiteral("Button_Add"));
    Button_Save = button(QStringLiteral("保存(&W)"), QStringLiteral("Button_Save"));
    Button_Merge = button(QStringLiteral("統合(&M)"), QStringLiteral("Button_Merge"));
    Button_Merge->setToolTip(
        QStringLiteral("二つの行を選び、カーソルの行にもう一方を統合します (もう一方は非表示に)"));
    Button_Export = button(QStringLiteral("CSV書出(&E)"), QStringLiteral("Button_Export"));
    Button_Import = button(QStringLiteral("CSV読込(&I)"), QStringLiteral("Button_Import"));
    Button_History = button(QStringLiteral("履歴から取込(&R)"), QStringLiteral("Button_History"));
    Button_History->setToolTip(
        QStringLiteral("発行履歴のすべての伝票から得意先と商品を登録・更新します"));
    CheckBox_Cp932 = new QCheckBox(QStringLiteral("Shift_JIS (CP932) で書き出す"), this);
    CheckBox_Cp932->setObjectName(QStringLiteral("CheckBox_Cp932"));
    Button_Close = button(QStringLiteral("閉じる"), QStringLiteral("Button_Close"));
    Label_Status = new QLabel(this);
    Label_Status->setObjectName(QStringLiteral("Label_Status"));
    Label_Status->setWordWrap(true);

    auto *buttons = new QHBoxLayout;
    for (QWidget *b : {static_cast<QWidget *>(Button_Add), static_cast<QWidget *>(Button_Save),
                       static_cast<QWidget *>(Button_Merge), static_cast<QWidget *>(Button_Export),
                       static_cast<QWidget *>(Button_Import), static_cast<QWidget *>(Button_History),
                       static_cast<QWidget *>(CheckBox_Cp932)})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(Button_Close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Table_List, 1);
    layout->addWidget(Label_Status);
    layout->addLayout(buttons);

    connect(Edit_Search, &QLineEdit::returnPressed, this, [this] { search(); });
    connect(CheckBox_ShowHidden, &QCheckBox::toggled, this, [this] { search(); });
    connect(Button_Add, &QPushButton::clicked, this, [this] { addEntry(); });
    connect(Button_Save, &QPushButton::clicked, this, [this] { saveChanges(); });
    connect(Button_Merge, &QPushButton::clicked, this, [this] { mergeSelected(); });
    connect(Button_Export, &QPushButton::clicked, this, [this] { exportCsv(); });
    connect(Button_Import, &QPushButton::clicked, this, [this] { importCsv(); });
    connect(Button_History, &QPushButton::clicked, this, [this] { takeFromHistory(); });
    connect(Button_Close, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(Edit_Search, CheckBox_ShowHidden);
    setTabOrder(CheckBox_ShowHidden, Table_List);

    search();
    Edit_Search->setFocus(Qt::OtherFocusReason);
}

bool CustomerListDialog::checked(const ledger::LedgerStatus &status)
{
    if (status.ok())
        return true;
    Dialogs::notify(this, QStringLiteral("記録を読み書きできませんでした。\n%1").arg(status.error));
    return false;
}

QString CustomerListDialog::csvPath() const
{
    return QDir(m_main.Label_CurrentDir->text())
        .filePath(m_kind == Kind::Customers ? QStringLiteral("得意先.csv")
                                            : QStringLiteral("商品.csv"));
}

void CustomerListDialog::search()
{
    const bool withHidden = CheckBox_ShowHidden->isChecked();
    QStringList lastUsed;
    m_ids.clear();
    QString csv;
    if (m_kind == Kind::Customers) {
        std::vector<ledger::Customer> found;
        if (!checked(m_ledger.findCustomers(
                {ledger::CustomerQuery::By::Name, Edit_Search->text().trimmed(), withHidden},
                kListLimit, found)))
            return;
        for (const ledger::Customer &c : found) {
            m_ids.push_back(c.id);
            lastUsed << c.lastUsed.left(16).replace(u'T', u' ');
        }
        csv = ledger::customersCsv(found);
    } else {
        std::vector<ledger::Item> found;
        if (!checked(m_ledger.findItems(Edit_Search->text().trimmed(), kListLimit, withHidden,
                                        found)))
            return;
        for (const ledger::Item &i : found) {
            m_ids.push_back(i.id);
            lastUsed << i.lastUsed.left(16).replace(u'T', u' ');
        }
        csv = ledger::itemsCsv(found);
    }
    showList(csv, lastUsed);
    Label_Status->setText(QStringLiteral("%1 件").arg(m_ids.size()));
}

void CustomerListDialog::showList(const QString &csv, const QStringList &lastUsed)
{
    std::vector<QStringList> rows;
    QString error;
    ledger::csvRecords(csv, rows, error); // the lists' own text always reads
    QStringList header = rows.empty() ? QStringList() : rows.front();
    header << LastUsedColumn;
    Table_List->clear();
    Table_List->setColumnCount(int(header.size()));
    Table_List->setHorizontalHeaderLabels(header);
    Table_List->setRowCount(std::max(0, int(rows.size()) - 1));
    for (std::size_t r = 1; r < rows.size(); ++r) {
        for (qsizetype k = 0; k < header.size(); ++k) {
            auto *cell = new QTableWidgetItem;
            const QString column = header.at(k);
            if (column == LastUsedColumn) {
                cell->setText(lastUsed.value(qsizetype(r) - 1));
                cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
            } else if (flagColumns.contains(column)) {
                cell->setFlags((cell->flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsEditable);
                cell->setCheckState(rows[r].value(k) == u"1" ? Qt::Checked : Qt::Unchecked);
            } else {
                // The export's guard against spreadsheet formulas is for files only.
                cell->setText(ledger::unguardedCsvText(rows[r].value(k)));
            }
            Table_List->setItem(int(r) - 1, int(k), cell);
        }
    }
    Table_List->resizeColumnsToContents();
}

// The table as the lists' CSV, for the same reader and checks as a file.
QString CustomerListDialog::tableCsv() const
{
    QStringList header;
    const int columns = Table_List->columnCount() - 1; // without the last use
    for (int k = 0; k < columns; ++k)
        header << Table_List->horizontalHeaderItem(k)->text();
    QString csv = header.join(u',') + QStringLiteral("\r\n");
    for (int r = 0; r < Table_List->rowCount(); ++r) {
        QStringList fields;
        for (int k = 0; k < columns; ++k) {
            const QTableWidgetItem *cell = Table_List->item(r, k);
            if (flagColumns.contains(header.at(k)))
                fields << (cell && cell->checkState() == Qt::Checked ? QStringLiteral("1")
                                                                     : QStringLiteral("0"));
            else
                fields << ledger::csvTextField(cell ? cell->text() : QString());
        }
        csv += fields.join(u',') + QStringLiteral("\r\n");
    }
    return csv;
}

void CustomerListDialog::addEntry()
{
    const int row = Table_List->rowCount();
    Table_List->insertRow(row);
    for (int k = 0; k < Table_List->columnCount(); ++k) {
        auto *cell = new QTableWidgetItem;
        if (flagColumns.contains(Table_List->horizontalHeaderItem(k)->text())) {
            cell->setFlags((cell->flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsEditable);
            cell->setCheckState(Qt::Unchecked);
        }
        Table_List->setItem(row, k, cell);
    }
    m_ids.push_back(0);
    Table_List->setCurrentCell(row, 1);
    Table_List->setFocus(Qt::OtherFocusReason);
}

bool CustomerListDialog::saveChanges()
{
    QString error;
    ledger::LedgerStatus status;
    const QString csv = tableCsv();
    if (m_kind == Kind::Customers) {
        std::vector<ledger::Customer> rows;
        if (ledger::customersFromCsv(csv, rows, error)) {
            for (std::size_t k = 0; k < rows.size() && k < m_ids.size(); ++k)
                rows[k].id = m_ids[k];
            status = m_ledger.importCustomers(rows);
        }
    } else {
        std::vector<ledger::Item> rows;
        if (ledger::itemsFromCsv(csv, rows, error)) {
            for (std::size_t k = 0; k < rows.size() && k < m_ids.size(); ++k)
                rows[k].id = m_ids[k];
            status = m_ledger.importItems(rows);
        }
    }
    if (!error.isEmpty()) {
        // The table's line k + 1 is the CSV's line k + 2.
        Dialogs::notify(this, QStringLiteral("保存できません (一覧の見出しを 1 行目として)。\n%1")
                                  .arg(error));
        return false;
    }
    if (!checked(status))
        return false;
    search();
    Label_Status->setText(QStringLiteral("保存しました"));
    return true;
}

void CustomerListDialog::mergeSelected()
{
    const QModelIndexList selected = Table_List->selectionModel()->selectedRows();
    const int current = Table_List->currentRow();
    if (selected.size() != 2 || current < 0) {
        Dialogs::notify(this, QStringLiteral("統合する二つの行を選んでください (残す行にカーソルを)。"));
        return;
    }
    const int other = selected[0].row() == current ? selected[1].row() : selected[0].row();
    const qint64 kept = m_ids.at(std::size_t(current));
    const qint64 gone = m_ids.at(std::size_t(other));
    if (kept == 0 || gone == 0) {
        Dialogs::notify(this, QStringLiteral("先に保存してください。"));
        return;
    }
    const auto text = [this](int row) { return Table_List->item(row, 1)->text(); };
    if (!Dialogs::askYesNo(this,
                           QStringLiteral("「%1」を「%2」に統合しますか?").arg(text(other), text(current)),
                           false))
        return;
    const ledger::LedgerStatus status = m_kind == Kind::Customers
                                            ? m_ledger.mergeCustomers(kept, gone)
                                            : m_ledger.mergeItems(kept, gone);
    if (checked(status))
        search();
}

void CustomerListDialog::exportCsv()
{
    QString text;
    if (m_kind == Kind::Customers) {
        std::vector<ledger::Customer> all;
        if (!checked(m_ledger.findCustomers({ledger::CustomerQuery::By::Name, QString(), true}, -1,
                                            all)))
            return;
        text = ledger::customersCsv(all);
    } else {
        std::vector<ledger::Item> all;
        if (!checked(m_ledger.findItems(QString(), -1, true, all)))
            return;
        text = ledger::itemsCsv(all);
    }
    QByteArray bytes;
    if (CheckBox_Cp932->isChecked()) {
        if (!encodeCp932(text, &bytes)) {
            Dialogs::notify(this, QStringLiteral("Shift_JIS にない文字があるため、UTF-8 で書き出してください。"));
            return;
        }
    } else {
        bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    }
    QSaveFile file(csvPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        Dialogs::notify(this, QStringLiteral("%1 に書き込めません").arg(csvPath()));
        return;
    }
    Label_Status->setText(QStringLiteral("%1 に書き出しました").arg(csvPath()));
}

void CustomerListDialog::importCsv()
{
    QFile file(csvPath());
    // A list is a few megabytes at most; anything far beyond is no list.
    constexpr qint64 maxBytes = 64 * 1024 * 1024;
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxBytes) {
        Dialogs::notify(this, QStringLiteral("%1 を読めません").arg(csvPath()));
        return;
    }
    const QByteArray bytes = file.readAll();
    // UTF-8 (with or without its mark) when the bytes are valid UTF-8, else CP932.
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        bool ok = false;
        text = decodeCp932(bytes, &ok);
        if (!ok) {
            Dialogs::notify(this, QStringLiteral("%1 の文字コードを読めません (UTF-8 か Shift_JIS)")
                                      .arg(csvPath()));
            return;
        }
    }
    QString error;
    ledger::LedgerStatus status;
    std::size_t count = 0;
    if (m_kind == Kind::Customers) {
        std::vector<ledger::Customer> rows;
        if (ledger::customersFromCsv(text, rows, error))
            status = m_ledger.importCustomers(rows);
        count = rows.size();
    } else {
        std::vector<ledger::Item> rows;
        if (ledger::itemsFromCsv(text, rows, error))
            status = m_ledger.importItems(rows);
        count = rows.size();
    }
    if (!error.isEmpty()) {
        Dialogs::notify(this, QStringLiteral("%1 を読み込めません。何も変えていません。\n%2")
                                  .arg(csvPath(), error));
        return;
    }
    if (!checked(status))
        return;
    search();
    Label_Status->setText(QStringLiteral("%1 件を読み込みました").arg(count));
}

void CustomerListDialog::takeFromHistory()
{
    int notes = 0;
    if (!checked(m_ledger.rememberRecordedNotes(notes)))
        return;
    search();
    Label_Status->setText(QStringLiteral("発行履歴の伝票 %1 件から取り込みました").arg(notes));
}

void TForm_Main::SpeedButton_F3Click()
{
    runGuarded(this, [this] {
        CustomerListDialog dialog(*this, CustomerListDialog::Kind::Customers);
        dialog.exec();
    });
}

void TForm_Main::SpeedButton_F4Click()
{
    runGuarded(this, [this] {
        CustomerListDialog dialog(*this, CustomerListDialog::Kind::Items);
        dialog.exec();
    });
}
