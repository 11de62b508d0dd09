// The history window's records as the law asks: the state of each note,
// 取消 and 訂正 with their reason, the PDF as sent, the verification of the
// chain, the export for an inspection and the backup of the store.
#include "mainwindow/HistoryDialog.h"

#include "mainwindow/Kanro_dprintUnit.h"
#include "platform/Dialogs.h"
#include "store/HistoryQuery.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>

namespace {

QPushButton *recordButton(QWidget *parent, const QString &text, const QString &name)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAccessibleName(text);
    b->setAutoDefault(false);
    return b;
}

QString stamp()
{
    return ledger::NoteLedger::nowProvider().toString(QStringLiteral("yyyyMMdd_HHmmss"));
}

} // namespace

void HistoryDialog::setUpRecords(QGridLayout *grid, QHBoxLayout *buttons)
{
    CheckBox_Voided = new QCheckBox(QStringLiteral("取消・訂正済も表示"), this);
    CheckBox_Voided->setObjectName(QStringLiteral("CheckBox_Voided"));
    CheckBox_Voided->setAccessibleName(CheckBox_Voided->text());
    CheckBox_Voided->setChecked(true);
    grid->addWidget(CheckBox_Voided, 0, 6);
    connect(CheckBox_Voided, &QCheckBox::toggled, this, [this] { search(); });

    Table_Notes->setColumnCount(7);
    Table_Notes->setHorizontalHeaderItem(6, new QTableWidgetItem(QStringLiteral("状態")));

    auto *caption = new QLabel(QStringLiteral("理由"), this);
    Edit_Reason = new QLineEdit(this);
    Edit_Reason->setObjectName(QStringLiteral("Edit_Reason"));
    Edit_Reason->setAccessibleName(QStringLiteral("取消・訂正の理由"));
    Edit_Reason->setPlaceholderText(QStringLiteral("取消・訂正の理由 (必須)"));
    caption->setBuddy(Edit_Reason);
    Button_Cancel = recordButton(this, QStringLiteral("取消"), QStringLiteral("Button_Cancel"));
    Button_Correct = recordButton(this, QStringLiteral("訂正"), QStringLiteral("Button_Correct"));
    Button_SavePdf =
        recordButton(this, QStringLiteral("送付したPDFを保存"), QStringLiteral("Button_SavePdf"));
    Button_Verify = recordButton(this, QStringLiteral("記録の検証"), QStringLiteral("Button_Verify"));
    Button_Export =
        recordButton(this, QStringLiteral("調査用に書き出し"), QStringLiteral("Button_Export"));
    Button_Backup =
        recordButton(this, QStringLiteral("バックアップ"), QStringLiteral("Button_Backup"));
    Button_Restore = recordButton(this, QStringLiteral("復元"), QStringLiteral("Button_Restore"));
    buttons->addWidget(caption);
    buttons->addWidget(Edit_Reason, 1);
    for (QPushButton *b : {Button_Cancel, Button_Correct, Button_SavePdf, Button_Verify,
                           Button_Export, Button_Backup, Button_Restore})
        buttons->addWidget(b);
    connect(Button_Cancel, &QPushButton::clicked, this, [this] { cancelSelected(); });
    connect(Button_Correct, &QPushButton::clicked, this, [this] { correctSelected(); });
    connect(Button_SavePdf, &QPushButton::clicked, this, [this] { savePdfSelected(); });
    connect(Button_Verify, &QPushButton::clicked, this, [this] { verifyRecords(); });
    connect(Button_Export, &QPushButton::clicked, this, [this] { exportRecords(); });
    connect(Button_Backup, &QPushButton::clicked, this, [this] { backupStore(); });
    connect(Button_Restore, &QPushButton::clicked, this, [this] { restoreStore(); });
}

void HistoryDialog::showStates()
{
    std::vector<qint64> ids;
    for (const ledger::NoteSummary &s : m_listed)
        ids.push_back(s.id);
    std::map<qint64, ledger::NoteStatus> states;
    m_ledger.statusOf(ids, states);
    for (int r = 0; r < int(m_listed.size()); ++r)
        Table_Notes->setItem(
            r, 6, new QTableWidgetItem(ledger::noteStateText(states[m_listed[std::size_t(r)].id])));
}

void HistoryDialog::cancelSelected()
{
    const qint64 id = selectedId();
    if (id == 0)
        return;
    if (Edit_Reason->text().trimmed().isEmpty()) {
        Dialogs::notify(this, QStringLiteral("取消の理由を入力してください。"));
        Edit_Reason->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!Dialogs::askYesNo(this, QStringLiteral("この伝票を取消として記録しますか?"), false))
        return;
    if (m_main.cancelIssuedNote(id, Edit_Reason->text())) {
        Edit_Reason->clear();
        search();
    }
}

void HistoryDialog::correctSelected()
{
    const qint64 id = selectedId();
    if (id == 0)
        return;
    if (m_main.startCorrection(id, Edit_Reason->text()))
        accept();
    else
        Edit_Reason->setFocus(Qt::OtherFocusReason);
}

void HistoryDialog::savePdfSelected()
{
    const qint64 id = selectedId();
    if (id == 0)
        return;
    QByteArray bytes;
    QString name;
    const ledger::LedgerStatus st = m_ledger.keptPdf(id, bytes, name);
    if (!st.ok()) {
        Dialogs::notify(this, st.error);
        return;
    }
    // Beside the others, never over an existing file.
    const QDir dir(m_main.Label_CurrentDir->text());
    QString path = dir.filePath(QStringLiteral("送付したPDF_%1_%2").arg(id).arg(QFileInfo(name).fileName()));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("送付したPDF_%1_%2_%3").arg(id).arg(n).arg(QFileInfo(name).fileName()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        Dialogs::notify(this, QStringLiteral("%1 に書き込めません").arg(path));
        return;
    }
    Dialogs::notify(this, QStringLiteral("送付した PDF を %1 に保存しました。").arg(path));
}

void HistoryDialog::verifyRecords()
{
    ledger::ChainCheck check;
    if (!checked(m_ledger.verifyRecords(check)))
        return;
    Dialogs::notify(this, check.ok() ? QStringLiteral("すべての記録 (%1 件) が一致しました。")
                                           .arg(check.checked)
                                     : QStringLiteral("一致しない記録があります。\n%1")
                                           .arg(check.firstMismatch));
}

void HistoryDialog::exportRecords()
{
    // The dates of the search fields; empty ones take every date.
    const QDate from = m_query.from.value_or(QDate(1900, 1, 1));
    const QDate to = m_query.to.value_or(QDate(9999, 12, 31));
    const QString folder = QDir(m_main.Label_CurrentDir->text())
                               .filePath(QStringLiteral("調査用_発行履歴_%1").arg(stamp()));
    int count = 0;
    if (!checked(m_ledger.exportRecords(from, to, folder, count)))
        return;
    Dialogs::notify(this, QStringLiteral("%1 件を %2 に書き出しました。").arg(count).arg(folder));
}

void HistoryDialog::backupStore()
{
    const QString file = QDir(m_main.Label_CurrentDir->text())
                             .filePath(QStringLiteral("Kanro_ledger-backup-%1.db").arg(stamp()));
    if (!checked(m_ledger.backupTo(file)))
        return;
    Dialogs::notify(this, QStringLiteral("発行履歴を %1 にバックアップしました。").arg(file));
}

void HistoryDialog::restoreStore()
{
    if (m_main.storeTarget().shared()) {
        Dialogs::notify(this, QStringLiteral("共有の記録先は pg_restore で戻してください。"));
        return;
    }
    const QDir dir(m_main.Label_CurrentDir->text());
    const QStringList backups = dir.entryList({QStringLiteral("Kanro_ledger-backup-*.db")},
                                              QDir::Files, QDir::Name | QDir::Reversed);
    if (backups.isEmpty()) {
        Dialogs::notify(this, QStringLiteral("バックアップ (Kanro_ledger-backup-….db) がありません。"));
        return;
    }
    const QString backup = dir.filePath(backups.front());
    if (!Dialogs::askYesNo(this,
                           QStringLiteral("発行履歴をバックアップ %1 の時点に戻しますか?\n"
                                          "今の発行履歴は消さずに別の名前で残します。")
                               .arg(backups.front()),
                           false))
        return;
    m_ledger.release();
    QString keptAs;
    const ledger::LedgerStatus st =
        ledger::NoteLedger::restoreFrom(backup, m_main.ledgerPath(), keptAs);
    if (!st.ok()) {
        Dialogs::notify(this, st.error);
        return;
    }
    Dialogs::notify(this, QStringLiteral("発行履歴を %1 から戻しました。前の発行履歴は %2 にあります。")
                              .arg(backups.front(), keptAs));
    search();
}
