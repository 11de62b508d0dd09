#include "mainwindow/BillingDialog.h"

#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteSettings.h"
#include "note/RegistrationNumber.h"
#include "platform/Dialogs.h"
#include "platform/ImeMode.h"
#include "printer/VoPrinters.h"
#include "printing/LayoutRules.h"
#include "printing/PrintPreviewWindow.h"
#include "printing/SummaryInvoicePrint.h"
#include "spooler/Spooler.h"
#include "store/HistoryQuery.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kBankAccountKey = QStringLiteral("BankAccount");

template <class W> W *named(W *w, const QString &name, const QString &accessible)
{
    w->setObjectName(name);
    w->setAccessibleName(accessible);
    return w;
}

QString yenText(FixedDecimal v)
{
    return printing::amountText(v);
}

// A read-only list in a window of its own, with "CSV出力".
void showTable(QWidget *parent, const QString &title, const QStringList &headers,
               const std::vector<QStringList> &rows, const std::function<void()> &exportCsv)
{
    QDialog d(parent);
    d.setWindowTitle(title);
    d.resize(760, 480);
    auto *table = named(new QTableWidget(int(rows.size()), int(headers.size()), &d),
                        QStringLiteral("Table_List"), title);
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    for (int r = 0; r < int(rows.size()); ++r)
        for (int c = 0; c < int(headers.size()) && c < rows[std::size_t(r)].size(); ++c) {
            auto *item = new QTableWidgetItem(rows[std::size_t(r)][c]);
            if (c >= 2)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(r, c, item);
        }
    auto *csv = named(new QPushButton(QStringLiteral("CSV出力"), &d), QStringLiteral("Button_Csv"),
                      QStringLiteral("CSV出力"));
    auto *close = named(new QPushButton(QStringLiteral("閉じる"), &d),
                        QStringLiteral("Button_Close"), QStringLiteral("閉じる"));
    QObject::connect(csv, &QPushButton::clicked, &d, exportCsv);
    QObject::connect(close, &QPushButton::clicked, &d, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(csv);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(&d);
    layout->addWidget(table, 1);
    layout->addLayout(buttons);
    d.exec();
}

} // namespace

BillingDialog::BillingDialog(TForm_Main &main)
    : QDialog(&main), m_main(main), m_ledger(main.storeTarget())
{
    setObjectName(QStringLiteral("BillingDialog"));
    setWindowTitle(QStringLiteral("請求・入金"));
    resize(820, 520);

    Edit_ClosingDate =
        named(new QDateEdit(this), QStringLiteral("Edit_ClosingDate"), QStringLiteral("締日"));
    Edit_ClosingDate->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    Edit_ClosingDate->setCalendarPopup(true);
    const QDate today = TForm_Main::todayProvider();
    Edit_ClosingDate->setDate(closing::closingDate(
        today.year(), today.month(), today.day() <= 28 ? today.day() : closing::kEndOfMonth));
    applyImeMode(Edit_ClosingDate, TImeMode::imDisable);
    Button_Closing = named(new QPushButton(QStringLiteral("請求締め"), this),
                           QStringLiteral("Button_Closing"), QStringLiteral("請求締め"));
    Edit_BankAccount =
        named(new QLineEdit(this), QStringLiteral("Edit_BankAccount"), QStringLiteral("振込先"));
    Edit_BankAccount->setText(readShopText(main.settingsFilePath(), kBankAccountKey));
    Edit_BankAccount->setPlaceholderText(
        QStringLiteral("例: 甘露銀行 本店 普通 1234567 カンロショウテン"));

    auto *top = new QHBoxLayout;
    auto *dateLabel = new QLabel(QStringLiteral("締日"), this);
    dateLabel->setBuddy(Edit_ClosingDate);
    auto *bankLabel = new QLabel(QStringLiteral("振込先"), this);
    bankLabel->setBuddy(Edit_BankAccount);
    top->addWidget(dateLabel);
    top->addWidget(Edit_ClosingDate);
    top->addWidget(Button_Closing);
    top->addSpacing(16);
    top->addWidget(bankLabel);
    top->addWidget(Edit_BankAccount, 1);

    auto *search = new QHBoxLayout;
    auto field = [&](QLineEdit *&edit, const QString &name, const QString &label, int width,
                     bool imeOff) {
        edit = named(new QLineEdit(this), name, label);
        edit->setMaximumWidth(width);
        if (imeOff)
            applyImeMode(edit, TImeMode::imDisable);
        auto *caption = new QLabel(label, this);
        caption->setBuddy(edit);
        search->addWidget(caption);
        search->addWidget(edit);
    };
    field(Edit_From, QStringLiteral("Edit_From"), QStringLiteral("締日"), 96, true);
    field(Edit_To, QStringLiteral("Edit_To"), QStringLiteral("～"), 96, true);
    field(Edit_BilledMin, QStringLiteral("Edit_BilledMin"), QStringLiteral("請求額"), 90, true);
    field(Edit_BilledMax, QStringLiteral("Edit_BilledMax"), QStringLiteral("～"), 90, true);
    field(Edit_Customer, QStringLiteral("Edit_Customer"), QStringLiteral("得意先"), 160, false);
    field(Edit_InvoiceNo, QStringLiteral("Edit_InvoiceNo"), QStringLiteral("請求No"), 70, true);
    Button_Search = named(new QPushButton(QStringLiteral("検索"), this),
                          QStringLiteral("Button_Search"), QStringLiteral("検索"));
    Button_Search->setAutoDefault(false);
    search->addWidget(Button_Search);
    search->addStretch(1);
    for (QLineEdit *e :
         {Edit_From, Edit_To, Edit_BilledMin, Edit_BilledMax, Edit_Customer, Edit_InvoiceNo})
        connect(e, &QLineEdit::returnPressed, this, [this] { listClosings(); });
    connect(Button_Search, &QPushButton::clicked, this, [this] { listClosings(); });

    Table_Closings = named(new QTableWidget(0, 6, this), QStringLiteral("Table_Closings"),
                           QStringLiteral("請求書"));
    Table_Closings->setHorizontalHeaderLabels(
        {QStringLiteral("締日"), QStringLiteral("請求No"), QStringLiteral("得意先"),
         QStringLiteral("今回御請求額"), QStringLiteral("今回御買上額"),
         QStringLiteral("支払期限")});
    Table_Closings->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table_Closings->setSelectionMode(QAbstractItemView::SingleSelection);
    Table_Closings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table_Closings->setTabKeyNavigation(false);
    Table_Closings->verticalHeader()->setVisible(false);
    Table_Closings->horizontalHeader()->setStretchLastSection(true);
    Table_Closings->setColumnWidth(2, 240);
    Table_Closings->installEventFilter(this);

    ComboBox_Printer =
        named(new QComboBox(this), QStringLiteral("ComboBox_Printer"), QStringLiteral("プリンタ"));
    if (VoPrinter) {
        try {
            for (const PrinterRecord &p : VoPrinter->spooler().enumPrinters())
                ComboBox_Printer->addItem(p.name);
        } catch (const std::exception &) {
            // No list: the print button says so when pressed.
        }
    }
    auto button = [this](const QString &text, const QString &name) {
        auto *b = named(new QPushButton(text, this), name, text);
        b->setAutoDefault(false);
        return b;
    };
    Button_Preview = button(QStringLiteral("プレビュー"), QStringLiteral("Button_Preview"));
    Button_Print = button(QStringLiteral("A4 印刷"), QStringLiteral("Button_Print"));
    Button_Payment = button(QStringLiteral("入金登録"), QStringLiteral("Button_Payment"));
    Button_Balances = button(QStringLiteral("売掛残高一覧"), QStringLiteral("Button_Balances"));
    Button_Ledger = button(QStringLiteral("売掛元帳"), QStringLiteral("Button_Ledger"));
    Button_Close = button(QStringLiteral("閉じる"), QStringLiteral("Button_Close"));
    Button_Closing->setAutoDefault(false);
    Label_Status = named(new QLabel(this), QStringLiteral("Label_Status"), QStringLiteral("状態"));

    auto *printRow = new QHBoxLayout;
    auto *printerLabel = new QLabel(QStringLiteral("プリンタ"), this);
    printerLabel->setBuddy(ComboBox_Printer);
    printRow->addWidget(printerLabel);
    printRow->addWidget(ComboBox_Printer, 1);
    for (QPushButton *b : {Button_Preview, Button_Print})
        printRow->addWidget(b);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Label_Status, 1);
    for (QPushButton *b : {Button_Payment, Button_Balances, Button_Ledger, Button_Close})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(search);
    layout->addWidget(Table_Closings, 1);
    layout->addLayout(printRow);
    layout->addLayout(buttons);

    connect(Button_Closing, &QPushButton::clicked, this, [this] { runClosing(); });
    connect(Button_Preview, &QPushButton::clicked, this, [this] { previewSelected(); });
    connect(Button_Print, &QPushButton::clicked, this, [this] { printSelected(); });
    connect(Button_Payment, &QPushButton::clicked, this, [this] { enterPayment(); });
    connect(Button_Balances, &QPushButton::clicked, this, [this] { showBalances(); });
    connect(Button_Ledger, &QPushButton::clicked, this, [this] { showLedger(); });
    connect(Button_Close, &QPushButton::clicked, this, &QDialog::reject);
    connect(Edit_BankAccount, &QLineEdit::editingFinished, this, [this] {
        const QString path = m_main.settingsFilePath();
        if (Edit_BankAccount->text().trimmed() != readShopText(path, kBankAccountKey))
            writeShopText(path, kBankAccountKey, Edit_BankAccount->text());
    });

    listClosings();
    Edit_ClosingDate->setFocus(Qt::OtherFocusReason);
}

bool BillingDialog::checked(const ledger::LedgerStatus &status)
{
    if (status.ok())
        return true;
    Dialogs::notify(this,
                    QStringLiteral("請求の記録を読み書きできませんでした。\n%1").arg(status.error));
    return false;
}

void BillingDialog::runClosing()
{
    const QDate on = Edit_ClosingDate->date();
    if (!Dialogs::askYesNo(
            this, QStringLiteral("%1 締めの請求書を作りますか?").arg(printing::shortDateText(on))))
        return;
    ledger::ClosingRequest request;
    request.closingDate = on;
    request.issueDate = TForm_Main::todayProvider();
    const printing::PrintNote shop = m_main.printNote();
    request.shopLines = shop.shopLines;
    request.registrationNo = shop.registrationNo;
    request.bankAccount = Edit_BankAccount->text().trimmed();
    QProgressDialog progress(QStringLiteral("請求書を作っています…"), QString(), 0, 1, this);
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    std::vector<ledger::ClosingRecord> made;
    const bool ok = checked(m_ledger.closePeriod(request, made, [&](int done, int of) {
        progress.setMaximum(std::max(of, 1));
        progress.setValue(done);
    }));
    listClosings();
    if (ok)
        Label_Status->setText(made.empty()
                                  ? QStringLiteral("%1 締めで請求する得意先はありません")
                                        .arg(printing::shortDateText(on))
                                  : QStringLiteral("%1 件の請求書を作りました").arg(made.size()));
}

void BillingDialog::listClosings()
{
    const ledger::ParsedQuery parsed =
        ledger::parseQuery({Edit_From->text(), Edit_To->text(), Edit_BilledMin->text(),
                            Edit_BilledMax->text(), Edit_Customer->text(), Edit_InvoiceNo->text()});
    if (!parsed.error.isEmpty()) {
        Dialogs::notify(this, parsed.error);
        return;
    }
    if (!checked(m_ledger.findClosings(0, parsed.query, m_listed)))
        m_listed.clear();
    Table_Closings->setRowCount(int(m_listed.size()));
    for (int r = 0; r < int(m_listed.size()); ++r) {
        const ledger::ClosingRecord &c = m_listed[std::size_t(r)];
        const QString cells[] = {printing::shortDateText(c.closingDate),
                                 c.invoiceNo,
                                 c.customerName,
                                 yenText(c.invoice.summary.billed),
                                 yenText(c.invoice.summary.purchases),
                                 printing::shortDateText(c.dueDate)};
        for (int k = 0; k < 6; ++k) {
            auto *item = new QTableWidgetItem(cells[k]);
            if (k == 3 || k == 4)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            Table_Closings->setItem(r, k, item);
        }
    }
    if (!m_listed.empty())
        Table_Closings->selectRow(0);
    Label_Status->setText(QStringLiteral("請求書 %1 件").arg(m_listed.size()));
}

const ledger::ClosingRecord *BillingDialog::selected() const
{
    const int row = Table_Closings->currentRow();
    return row >= 0 && row < int(m_listed.size()) ? &m_listed[std::size_t(row)] : nullptr;
}

void BillingDialog::previewSelected()
{
    const ledger::ClosingRecord *c = selected();
    if (!c)
        return;
    printing::PrintPreviewWindow preview(printing::summaryPreview(c->invoice), this);
    preview.setWindowTitle(QStringLiteral("印刷プレビュー 請求書 %1").arg(c->invoiceNo));
    preview.setPrintHandler([this] {
        printSelected();
        return true;
    });
    preview.run();
}

void BillingDialog::printSelected()
{
    const ledger::ClosingRecord *c = selected();
    if (!c)
        return;
    if (!VoPrinter || ComboBox_Printer->currentText().isEmpty()) {
        Dialogs::notify(this, QStringLiteral("印刷できるプリンタがありません"));
        return;
    }
    try {
        printing::printSummaryInvoice(VoPrinter->spooler(), ComboBox_Printer->currentText(),
                                      c->invoice);
        Label_Status->setText(QStringLiteral("請求書 %1 を %2 に送りました")
                                  .arg(c->invoiceNo, ComboBox_Printer->currentText()));
    } catch (const std::exception &e) {
        Dialogs::notify(this, QStringLiteral("請求書を印刷できませんでした。\n%1")
                                  .arg(QString::fromStdString(e.what())));
    }
}

void BillingDialog::enterPayment()
{
    std::optional<ledger::Payment> p = askPayment(this, m_ledger, TForm_Main::todayProvider());
    if (p && checked(m_ledger.recordPayment(*p)))
        Label_Status->setText(QStringLiteral("入金 %1 円を記録しました").arg(yenText(p->amount)));
}

void BillingDialog::writeCsv(const QString &stem, const QByteArray &csv)
{
    const QString path = QDir(m_main.Label_CurrentDir->text())
                             .filePath(QStringLiteral("%1_%2.csv")
                                           .arg(stem, ledger::NoteLedger::nowProvider().toString(
                                                          QStringLiteral("yyyyMMdd_HHmmss"))));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit()) {
        Dialogs::notify(this, QStringLiteral("%1 に書き込めません").arg(path));
        return;
    }
    Dialogs::notify(this, QStringLiteral("%1 に書き出しました。").arg(path));
}

void BillingDialog::showBalances()
{
    std::vector<ledger::Balance> all;
    if (!checked(m_ledger.balances(all)))
        return;
    std::vector<QStringList> rows;
    for (const ledger::Balance &b : all)
        rows.push_back({b.code, b.name, yenText(b.previous), yenText(b.paid), yenText(b.purchases),
                        yenText(b.tax), yenText(b.billed),
                        b.dueDate.isValid() ? printing::shortDateText(b.dueDate) : QString()});
    showTable(this, QStringLiteral("売掛残高一覧"),
              {QStringLiteral("コード"), QStringLiteral("得意先"), QStringLiteral("前回"),
               QStringLiteral("入金"), QStringLiteral("買上"), QStringLiteral("消費税"),
               QStringLiteral("今回"), QStringLiteral("支払期限")},
              rows, [&] { writeCsv(QStringLiteral("売掛残高一覧"), ledger::balancesCsv(all)); });
}

void BillingDialog::showLedger()
{
    const ledger::ClosingRecord *c = selected();
    if (!c) {
        Dialogs::notify(this, QStringLiteral("一覧で得意先の請求書を選んでください"));
        return;
    }
    std::vector<ledger::LedgerLine> lines;
    if (!checked(m_ledger.customerLedger(c->customerId, lines)))
        return;
    static const QString kinds[] = {QStringLiteral("納品"), QStringLiteral("入金"),
                                    QStringLiteral("調整"), QStringLiteral("請求")};
    std::vector<QStringList> rows;
    for (const ledger::LedgerLine &l : lines)
        rows.push_back({printing::shortDateText(l.date), kinds[int(l.kind)], l.reference,
                        yenText(l.amount), yenText(l.balance)});
    showTable(this, QStringLiteral("売掛元帳 %1").arg(c->customerName),
              {QStringLiteral("日付"), QStringLiteral("区分"), QStringLiteral("伝票番号・摘要"),
               QStringLiteral("金額"), QStringLiteral("残高")},
              rows, [&] {
                  writeCsv(QStringLiteral("売掛元帳_%1").arg(c->invoice.customerName),
                           ledger::customerLedgerCsv(lines));
              });
}

bool BillingDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Table_Closings && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            previewSelected();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

std::optional<ledger::Payment> askPayment(QWidget *parent, ledger::NoteLedger &store,
                                          const QDate &today)
{
    QDialog d(parent);
    d.setObjectName(QStringLiteral("PaymentDialog"));
    d.setWindowTitle(QStringLiteral("入金登録"));
    auto *find =
        named(new QLineEdit(&d), QStringLiteral("Edit_Find"), QStringLiteral("得意先の検索"));
    auto *customers =
        named(new QComboBox(&d), QStringLiteral("ComboBox_Customer"), QStringLiteral("得意先"));
    auto *date =
        named(new QDateEdit(today, &d), QStringLiteral("Edit_PaidOn"), QStringLiteral("入金日"));
    date->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    applyImeMode(date, TImeMode::imDisable);
    auto *kind = named(new QComboBox(&d), QStringLiteral("ComboBox_Kind"), QStringLiteral("区分"));
    kind->addItems({QStringLiteral("振込"), QStringLiteral("現金"), QStringLiteral("手形"),
                    QStringLiteral("相殺"), QStringLiteral("その他"), QStringLiteral("調整")});
    auto *amount = named(new QLineEdit(&d), QStringLiteral("Edit_Amount"), QStringLiteral("金額"));
    applyImeMode(amount, TImeMode::imDisable);
    auto *memo = named(new QLineEdit(&d), QStringLiteral("Edit_Memo"), QStringLiteral("摘要"));
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    box->button(QDialogButtonBox::Ok)->setText(QStringLiteral("記録"));
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("やめる"));
    auto *form = new QFormLayout(&d);
    form->addRow(QStringLiteral("得意先の検索"), find);
    form->addRow(QStringLiteral("得意先"), customers);
    form->addRow(QStringLiteral("入金日"), date);
    form->addRow(QStringLiteral("区分"), kind);
    form->addRow(QStringLiteral("金額"), amount);
    form->addRow(QStringLiteral("摘要"), memo);
    form->addRow(box);
    auto refill = [&] {
        std::vector<ledger::Customer> found;
        customers->clear();
        if (store
                .findCustomers({ledger::CustomerQuery::By::Name, find->text().trimmed()}, 50, found)
                .ok())
            for (const ledger::Customer &c : found)
                customers->addItem(QStringLiteral("%1 %2").arg(c.code, c.name), c.id);
    };
    // The chosen customer's payments; a wrong one is cancelled, never changed.
    auto *history = named(new QTableWidget(0, 4, &d), QStringLiteral("Table_Payments"),
                          QStringLiteral("この得意先の入金"));
    history->setHorizontalHeaderLabels({QStringLiteral("入金日"), QStringLiteral("区分"),
                                        QStringLiteral("金額"), QStringLiteral("摘要")});
    history->setEditTriggers(QAbstractItemView::NoEditTriggers);
    history->setSelectionBehavior(QAbstractItemView::SelectRows);
    history->verticalHeader()->setVisible(false);
    auto *cancel =
        named(new QPushButton(QStringLiteral("選んだ入金を取消"), &d),
              QStringLiteral("Button_CancelPayment"), QStringLiteral("選んだ入金を取消"));
    cancel->setAutoDefault(false);
    form->insertRow(form->rowCount() - 1, QStringLiteral("この得意先の入金"), history);
    form->insertRow(form->rowCount() - 1, QString(), cancel);
    std::vector<ledger::Payment> shown;
    auto relist = [&] {
        shown.clear();
        if (customers->currentIndex() >= 0)
            store.paymentsOf(customers->currentData().toLongLong(), shown);
        history->setRowCount(int(shown.size()));
        for (int r = 0; r < int(shown.size()); ++r) {
            const ledger::Payment &p = shown[std::size_t(r)];
            const QString cells[] = {printing::shortDateText(p.paidOn),
                                     p.method +
                                         (p.cancelled ? QStringLiteral("（取消）") : QString()),
                                     yenText(p.amount), p.memo};
            for (int c = 0; c < 4; ++c)
                history->setItem(r, c, new QTableWidgetItem(cells[c]));
        }
    };
    QObject::connect(cancel, &QPushButton::clicked, &d, [&] {
        const int row = history->currentRow();
        if (row < 0 || row >= int(shown.size()) || shown[std::size_t(row)].cancelled)
            return;
        bool ok = false;
        const QString reason =
            QInputDialog::getText(&d, QStringLiteral("入金の取消"), QStringLiteral("取消の理由"),
                                  QLineEdit::Normal, QString(), &ok);
        if (!ok)
            return;
        const ledger::LedgerStatus st = store.cancelPayment(shown[std::size_t(row)].id, reason);
        if (!st.ok())
            Dialogs::notify(&d, st.error);
        relist();
    });
    QObject::connect(customers, &QComboBox::currentIndexChanged, &d, relist);
    QObject::connect(find, &QLineEdit::textChanged, &d, refill);
    refill();
    relist();
    QObject::connect(box, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    std::optional<ledger::Payment> result;
    QObject::connect(box, &QDialogButtonBox::accepted, &d, [&] {
        const QString digits = amount->text().trimmed().remove(u',').remove(u'¥');
        const std::optional<FixedDecimal> value = FixedDecimal::parse(digits);
        if (customers->currentIndex() < 0 || !value || value->isZero()) {
            Dialogs::notify(&d, QStringLiteral("得意先と金額を入力してください"));
            return;
        }
        ledger::Payment p;
        p.customerId = customers->currentData().toLongLong();
        p.paidOn = date->date();
        const bool adjustment = kind->currentIndex() == kind->count() - 1;
        p.kind = adjustment ? closing::PaymentKind::Adjustment : closing::PaymentKind::Payment;
        p.method = kind->currentText();
        p.amount = *value;
        p.memo = memo->text().trimmed();
        result = p;
        d.accept();
    });
    d.exec();
    return result;
}
