#include "printing/VODE97ZPrnUnit.h"

#include "numedit/KiNumEdit.h"
#include "platform/AccessibleNames.h"
#include "platform/CommandGuard.h"
#include "platform/Dialogs.h"
#include "platform/ImeMode.h"
#include "printing/PrinterRegistration.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

TForm_VODE97ZPrn *Form_VODE97ZPrn = nullptr;

namespace {

void setUpOffsetField(TKiNumEdit *edit, const QString &name)
{
    edit->setObjectName(name);
    edit->setIntegerLength(9);
    edit->setDecimalLength(0); // whole numbers only
    edit->setMinus(true);
    edit->setErrorBeep(false);
    edit->setFixedWidth(90); // room for nine digits and the sign
    applyImeMode(edit, TImeMode::imDisable);
}

} // namespace

TForm_VODE97ZPrn::TForm_VODE97ZPrn(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_VODE97ZPrn"));
    setWindowTitle(QStringLiteral("印字位置調整"));
    setModal(true);

    GroupBox1 = new QGroupBox(QStringLiteral("印字位置調整セット"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label5 = new QLabel(QStringLiteral("TOPﾏｰｼﾞﾝ"), GroupBox1);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label6 = new QLabel(QStringLiteral("LEFTﾏｰｼﾞﾝ"), GroupBox1);
    Label6->setObjectName(QStringLiteral("Label6"));
    KiNumEdit_TOP = new TKiNumEdit(GroupBox1);
    setUpOffsetField(KiNumEdit_TOP, QStringLiteral("KiNumEdit_TOP"));
    KiNumEdit_LEFT = new TKiNumEdit(GroupBox1);
    setUpOffsetField(KiNumEdit_LEFT, QStringLiteral("KiNumEdit_LEFT"));
    BitBtn_MRGN = new QPushButton(QStringLiteral("印字位置登録"), this);
    BitBtn_MRGN->setObjectName(QStringLiteral("BitBtn_MRGN"));
    // The dialog's default button: Enter on it registers, so the margins
    // can be registered from the keyboard (Enter in an offset field stays
    // that field's own and moves on).
    BitBtn_MRGN->setDefault(true);

    auto *grid = new QGridLayout(GroupBox1);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->addWidget(Label5, 0, 0);
    grid->addWidget(KiNumEdit_TOP, 0, 1);
    grid->addWidget(Label6, 1, 0);
    grid->addWidget(KiNumEdit_LEFT, 1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(GroupBox1);
    layout->addWidget(BitBtn_MRGN);
    // Each offset field is named, and read, by its label.
    Label5->setBuddy(KiNumEdit_TOP);
    Label6->setBuddy(KiNumEdit_LEFT);
    nameFromCaption(KiNumEdit_TOP, Label5);
    nameFromCaption(KiNumEdit_LEFT, Label6);
    nameFromCaption(BitBtn_MRGN);
    // Escape leaves without registering, from the fields too (they keep
    // every printable key, not Escape).
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &QDialog::reject);
    setTabOrder(KiNumEdit_TOP, KiNumEdit_LEFT);
    setTabOrder(KiNumEdit_LEFT, BitBtn_MRGN);

    // Enter moves on, Up in the left field moves back; the keys still reach
    // the fields.
    KiNumEdit_TOP->OnKeyDown = [this](TKiNumEdit *, int &key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            KiNumEdit_LEFT->setFocus(Qt::TabFocusReason);
    };
    KiNumEdit_LEFT->OnKeyDown = [this](TKiNumEdit *, int &key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Up)
            KiNumEdit_TOP->setFocus(Qt::BacktabFocusReason);
        else if (key == Qt::Key_Return || key == Qt::Key_Enter)
            BitBtn_MRGN->setFocus(Qt::TabFocusReason);
    };
    connect(BitBtn_MRGN, &QPushButton::clicked, this,
            [this] { runGuarded(this, [this] { BitBtn_MRGNClick(); }); });
}

void TForm_VODE97ZPrn::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TForm_VODE97ZPrn::FormShow()
{
    // Only the offset group and the button fit in 190 x 160.
    setFixedSize(190, 160);
    if (m_host) {
        KiNumEdit_TOP->setText(m_host->topCaption());
        KiNumEdit_LEFT->setText(m_host->leftCaption());
    }
    KiNumEdit_TOP->setFocus(Qt::OtherFocusReason);
}

void TForm_VODE97ZPrn::BitBtn_MRGNClick()
{
    if (!m_host)
        return;
    const QString section = m_host->feedSection();
    if (!Dialogs::askYesNo(this, printing::MarginQuestion))
        return;
    const QString top = KiNumEdit_TOP->Text();
    const QString left = KiNumEdit_LEFT->Text();
    printing::writeRegistration(printing::registrationFilePath(m_host->registrationDir()), section,
                                m_host->printerName(), {m_host->printerIndexCaption(), top, left});
    m_host->setOffsets(top, left);
    accept();
}
