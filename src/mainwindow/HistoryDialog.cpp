#include "mainwindow/HistoryDialog.h"

#include "mainwindow/BillingDialog.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "platform/Dialogs.h"
#include "platform/ImeMode.h"
#include "store/HistoryQuery.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

template <class W> W *named(W *w, const QString &name, const QString &accessible)
{
    w->setObjectName(name);
    w->setAccessibleName(accessible);
    return w;
}

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The amount as the window shows it: digits grouped by thousands.
QString groupedAmount(const QString &plain)
{
    QString sign;
    QString digits = plain;
    if (digits.startsWith(u'-')) {
        sign = QStringLiteral("-");
        digits.remove(0, 1);
    }
    const qsizetype dot = digits.indexOf(u'.');
    QString whole = dot < 0 ? digits : digits.left(dot);
    const QString fraction = dot < 0 ? QString() : digits.mid(dot);
    for (qsizetype k = whole.size() - 3; k > 0; k -= 3)
        whole.insert(k, u',');
    return sign + whole + fraction;
}

} // namespace

HistoryDialog::HistoryDialog(TForm_Main &main)
    : QDialog(&main), m_main(main), m_ledger(main.storeTarget())
{
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(QStringLiteral("発行履歴"));
    setAccessibleName(QStringLiteral("発行履歴"));
    setModal(true);
    resize(720, 480);

    auto *grid = new QGridLayout;
    auto field = [this](const QString &name, const QString &accessible, int width) {
        auto *e = named(new QLineEdit(this), name, accessible);
        e->setFixedWidth(width);
        e->installEventFilter(this);
        return e;
    };
    Edit_DateFrom = field(QStringLiteral("Edit_DateFrom"), QStringLiteral("日付 から"), 100);
    Edit_DateTo = field(QStringLiteral("Edit_DateTo"), QStringLiteral("日付 まで"), 100);
    Edit_TotalMin = field(QStringLiteral("Edit_TotalMin"), QStringLiteral("合計金額 から"), 100);
    Edit_TotalMax = field(QStringLiteral("Edit_TotalMax"), QStringLiteral("合計金額 まで"), 100);
    Edit_Customer = field(QStringLiteral("Edit_Customer"), QStringLiteral("お客様名"), 220);
    Edit_SlipNo = field(QStringLiteral("Edit_SlipNo"), QStringLiteral("伝票番号"), 100);
    // Dates, amounts and slip numbers are typed half width, the input
    // method off; the customer's name keeps it.
    for (QLineEdit *e : {Edit_DateFrom, Edit_DateTo, Edit_TotalMin, Edit_TotalMax, Edit_SlipNo})
        applyImeMode(e, TImeMode::imDisable);
    Edit_DateFrom->setPlaceholderText(QStringLiteral("年-月-日"));
    Edit_DateTo->setPlaceholderText(QStringLiteral("年-月-日"));
    grid->addWidget(new QLabel(QStringLiteral("日付"), this), 0, 0);
    grid->addWidget(Edit_DateFrom, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("～"), this), 0, 2);
    grid->addWidget(Edit_DateTo, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("お客様名"), this), 0, 4);
    grid->addWidget(Edit_Customer, 0, 5);
    grid->addWidget(new QLabel(QStringLiteral("合計金額"), this), 1, 0);
    grid->addWidget(Edit_TotalMin, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("～"), this), 1, 2);
    grid->addWidget(Edit_TotalMax, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("伝票番号"), this), 1, 4);
    grid->addWidget(Edit_SlipNo, 1, 5, Qt::AlignLeft);
    Button_Search = named(new QPushButton(QStringLiteral("検索"), this),
                          QStringLiteral("Button_Search"), QStringLiteral("検索"));
    grid->addWidget(Button_Search, 1, 6);
    grid->setColumnStretch(7, 1);

    Table_Notes = named(new QTableWidget(0, 6, this), QStringLiteral("Table_Notes"),
                        QStringLiteral("発行した伝票"));
    Table_Notes->setHorizontalHeaderLabels({QStringLiteral("日付"), QStringLiteral("伝票番号"),
                                            QStringLiteral("お客様名"), QStringLiteral("合計金額"),
                                            QStringLiteral("税"), QStringLiteral("プリンタ")});
    Table_Notes->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table_Notes->setSelectionMode(QAbstractItemView::SingleSelection);
    Table_Notes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table_Notes->setTabKeyNavigation(false);
    Table_Notes->verticalHeader()->setVisible(false);
    Table_Notes->horizontalHeader()->setStretchLastSection(true);
    Table_Notes->setColumnWidth(0, 100);
    Table_Notes->setColumnWidth(1, 90);
    Table_Notes->setColumnWidth(2, 240);
    Table_Notes->setColumnWidth(3, 100);
    Table_Notes->setColumnWidth(4, 44);
    Table_Notes->installEventFilter(this);

    Label_Status =
        named(new QLabel(this), QStringLiteral("Label_Status"), QStringLiteral("検索結果"));

    auto button = [this](const QString &text, const QString &name) {
        auto *b = named(new QPushButton(text, this), name, text);
        b->setAutoDefault(false);
        return b;
    };
    Button_Search->setAutoDefault(false);
    Button_Reprint = button(QStringLiteral("再印刷"), QStringLiteral("Button_Reprint"));
    Button_Load = button(QStringLiteral("画面に読込"), QStringLiteral("Button_Load"));
    Button_Csv = button(QStringLiteral("CSV出力"), QStringLiteral("Button_Csv"));
    Button_Billing = button(QStringLiteral("請求・入金"), QStringLiteral("Button_Billing"));
    Button_Close = button(QStringLiteral("閉じる"), QStringLiteral("Button_Close"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Label_Status, 1);
    for (QPushButton *b : {Button_Reprint, Button_Load, Button_Csv, Button_Billing, Button_Close})
        buttons->addWidget(b);

    auto *records = new QHBoxLayout;
    setUpRecords(grid, records);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(Table_Notes, 1);
    layout->addLayout(records);
    layout->addLayout(buttons);

    connect(Button_Search, &QPushButton::clicked, this, [this] { search(); });
    connect(Button_Reprint, &QPushButton::clicked, this, [this] { reprintSelected(); });
    connect(Button_Load, &QPushButton::clicked, this, [this] { loadSelected(); });
    connect(Button_Csv, &QPushButton::clicked, this, [this] { exportCsv(); });
    connect(Button_Billing, &QPushButton::clicked, this, [this] {
        BillingDialog billing(m_main);
        billing.exec();
    });
    connect(Button_Close, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(Edit_DateFrom, Edit_DateTo);
    setTabOrder(Edit_DateTo, Edit_Customer);
    setTabOrder(Edit_Customer, Edit_TotalMin);
    setTabOrder(Edit_TotalMin, Edit_TotalMax);
    setTabOrder(Edit_TotalMax, Edit_SlipNo);
    setTabOrder(Edit_SlipNo, Button_Search);
    setTabOrder(Button_Search, Table_Notes);
    setTabOrder(Table_Notes, Button_Reprint);
    setTabOrder(Button_Reprint, Button_Load);
    setTabOrder(Button_Load, Button_Csv);
    setTabOrder(Button_Csv, Button_Billing);
    setTabOrder(Button_Billing, Edit_Reason);
    setTabOrder(Edit_Reason, Button_Cancel);
    setTabOrder(Button_Cancel, Button_Correct);
    setTabOrder(Button_Correct, Button_SavePdf);
    setTabOrder(Button_SavePdf, Button_Verify);
    setTabOrder(Button_Verify, Button_Export);
    setTabOrder(Button_Export, Button_Backup);
    setTabOrder(Button_Backup, Button_Restore);
    setTabOrder(Button_Restore, Button_Close);

    search();
    Edit_Customer->setFocus(Qt::OtherFocusReason);
}

bool HistoryDialog::checked(const ledger::LedgerStatus &status)
{
    if (!status.setAside.isEmpty() || !status.notice.isEmpty())
        Dialogs::notify(this, ledgerNoticeOf(status));
    if (!status.ok()) {
        Dialogs::notify(this, QStringLiteral("発行履歴を読めませんでした。\n%1").arg(status.error));
        return false;
    }
    return true;
}

void HistoryDialog::search()
{
    const ledger::ParsedQuery parsed =
        ledger::parseQuery({Edit_DateFrom->text(), Edit_DateTo->text(), Edit_TotalMin->text(),
                            Edit_TotalMax->text(), Edit_Customer->text(), Edit_SlipNo->text()});
    if (!parsed.error.isEmpty()) {
        Label_Status->setText(parsed.error);
        return;
    }
    ledger::NoteQuery query = parsed.query;
    query.withVoided = CheckBox_Voided->isChecked();
    std::vector<ledger::NoteSummary> found;
    // One more than shown tells whether the list is cut.
    if (!checked(m_ledger.search(query, kListLimit + 1, found)))
        found.clear();
    const bool cut = found.size() > std::size_t(kListLimit);
    if (cut)
        found.resize(kListLimit);
    m_query = query;
    m_listed = std::move(found);

    Table_Notes->setRowCount(int(m_listed.size()));
    for (int r = 0; r < int(m_listed.size()); ++r) {
        const ledger::NoteSummary &s = m_listed[std::size_t(r)];
        QString customer = s.customer;
        if (s.reprintOf > 0)
            customer += QStringLiteral("（再印刷）");
        const QString cells[] = {s.issuedOn,
                                 s.slipNo,
                                 customer,
                                 groupedAmount(s.total),
                                 s.taxIncluded ? QStringLiteral("税込") : QStringLiteral("税抜"),
                                 s.printer};
        for (int c = 0; c < 6; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (c == 3)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            Table_Notes->setItem(r, c, item);
        }
    }
    showStates();
    if (!m_listed.empty())
        Table_Notes->selectRow(0);
    Label_Status->setText(cut ? QStringLiteral("新しい順に %1 件を表示しています").arg(kListLimit)
                              : QStringLiteral("%1 件").arg(m_listed.size()));
}

qint64 HistoryDialog::selectedId() const
{
    const int r = Table_Notes->currentRow();
    if (r < 0 || r >= int(m_listed.size()) || Table_Notes->selectedItems().isEmpty())
        return 0;
    return m_listed[std::size_t(r)].id;
}

void HistoryDialog::reprintSelected()
{
    const qint64 id = selectedId();
    if (id == 0)
        return;
    if (m_main.reprintIssuedNote(id))
        search();
}

void HistoryDialog::loadSelected()
{
    const qint64 id = selectedId();
    if (id == 0)
        return;
    if (m_main.loadIssuedNote(id))
        accept();
}

void HistoryDialog::exportCsv()
{
    // Every note of the shown conditions, also beyond the listed ones.
    std::vector<ledger::NoteSummary> all;
    if (!checked(m_ledger.search(m_query, -1, all)))
        return;
    const QString path = QDir(m_main.Label_CurrentDir->text())
                             .filePath(QStringLiteral("発行履歴_%1.csv")
                                           .arg(ledger::NoteLedger::nowProvider().toString(
                                               QStringLiteral("yyyyMMdd_HHmmss"))));
    QSaveFile file(path);
    const QByteArray csv = ledger::notesCsv(all);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit()) {
        Dialogs::notify(this, QStringLiteral("%1 に書き込めません").arg(path));
        return;
    }
    Dialogs::notify(this,
                    QStringLiteral("%1 件を %2 に書き出しました。").arg(all.size()).arg(path));
}

bool HistoryDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (watched == Table_Notes) {
        if (isEnter(key)) {
            loadSelected();
            return true;
        }
        return false;
    }
    if (isEnter(key)) {
        search();
        return true;
    }
    if (key == Qt::Key_Down && Table_Notes->rowCount() > 0) {
        Table_Notes->setFocus(Qt::TabFocusReason);
        if (Table_Notes->currentRow() < 0)
            Table_Notes->selectRow(0);
        return true;
    }
    return false;
}
