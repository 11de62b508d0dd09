#include "printer/PrinterSetupForm.h"

#include "platform/AccessibleNames.h"
#include "spooler/DevMode.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace devmode;

PrinterSetupForm::PrinterSetupForm(FrameworkPrinter &framework, const QString &title,
                                   QWidget *parent)
    : QDialog(parent), spooler_(framework.spooler())
{
    setWindowTitle(title);
    setModal(true);
    setMinimumWidth(380);
    printer_ = new QComboBox(this);
    printer_->setObjectName("ComboBox_Printer");
    paper_ = new QComboBox(this);
    paper_->setObjectName("ComboBox_Paper");
    bin_ = new QComboBox(this);
    bin_->setObjectName("ComboBox_Bin");
    portrait_ = new QRadioButton(QStringLiteral("縦"), this);
    portrait_->setObjectName("RadioButton_Portrait");
    landscape_ = new QRadioButton(QStringLiteral("横"), this);
    landscape_->setObjectName("RadioButton_Landscape");
    status_ = new QLabel(this);
    status_->setObjectName("Label_Status");
    status_->setWordWrap(true);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("プリンタ名(&N):"), printer_);
    form->addRow(QStringLiteral("用紙サイズ(&Z):"), paper_);
    form->addRow(QStringLiteral("給紙方法(&S):"), bin_);
    // A screen reader reads each list by its label ("プリンタ名"), not by
    // the entry it shows.
    for (QComboBox *list : {printer_, paper_, bin_}) {
        const QString label = captionText(form->labelForField(list));
        nameControl(list, label.left(label.indexOf(QLatin1Char('('))));
    }
    auto *orientation = new QGroupBox(QStringLiteral("印刷の向き"), this);
    auto *orientationLayout = new QHBoxLayout(orientation);
    orientationLayout->addWidget(portrait_);
    orientationLayout->addWidget(landscape_);

    nameFromCaption(portrait_, nullptr, captionText(orientation) + QLatin1Char(' '));
    nameFromCaption(landscape_, nullptr, captionText(orientation) + QLatin1Char(' '));
    auto *buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok_->setObjectName("Button_OK");
    ok_->setDefault(true);
    cancel_ = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel_->setObjectName("Button_Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(orientation);
    layout->addWidget(status_);
    layout->addWidget(buttons);

    const int current = framework.printerIndex();
    int currentVisible = -1;
    const auto &records = framework.printers();
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].attributes & PRINTER_ATTRIBUTE_HIDDEN)
            continue;
        if (int(i) == current)
            currentVisible = int(names_.size());
        names_.append(records[i].name);
        printer_->addItem(records[i].name);
    }
    if (currentVisible >= 0) {
        if (const SettingsHandlePtr settings = framework.printer().settings)
            block_ = settings->bytes();
    }
    printer_->setCurrentIndex(currentVisible >= 0 ? currentVisible : 0);
    loadPrinter(printer_->currentIndex());
    connect(printer_, &QComboBox::currentIndexChanged, this, [this](int i) {
        block_.clear();
        loadPrinter(i);
    });
}

bool PrinterSetupForm::selectText(QComboBox *box, const QString &text)
{
    const int i = box->findText(text);
    if (i < 0)
        return false;
    box->setCurrentIndex(i);
    return true;
}

void PrinterSetupForm::loadPrinter(int visiblePosition)
{
    paper_->clear();
    bin_->clear();
    status_->clear();
    ok_->setEnabled(false);
    if (visiblePosition < 0 || visiblePosition >= int(names_.size()))
        return;
    const QString device = names_[visiblePosition];
    Spooler &spooler = spooler_;
    DeviceCapabilities caps;
    try {
        if (block_.isEmpty())
            block_ = spooler.defaultSettings(device);
        caps = spooler.capabilities(device, block_);
    } catch (const SpoolerError &e) {
        block_.clear();
        status_->setText(QStringLiteral("このプリンタの設定を読み込めません: %1")
                             .arg(QString::fromUtf8(e.what())));
        return;
    }
    const DEVMODEW *dm = fields(block_);
    if (!dm)
        return;
    for (const PaperEntry &p : caps.papers)
        paper_->addItem(p.name, int(p.number));
    for (const BinEntry &b : caps.bins)
        bin_->addItem(b.name, int(b.number));
    paper_->setCurrentIndex(paper_->findData(int(dm->dmPaperSize)));
    bin_->setCurrentIndex(bin_->findData(int(dm->dmDefaultSource)));
    paper_->setEnabled(paper_->count() > 0 && (dm->dmFields & DM_PAPERSIZE));
    bin_->setEnabled(bin_->count() > 0 && (dm->dmFields & DM_DEFAULTSOURCE));
    const bool turnable = dm->dmFields & DM_ORIENTATION;
    portrait_->setEnabled(turnable);
    landscape_->setEnabled(turnable);
    (dm->dmOrientation == DMORIENT_LANDSCAPE ? landscape_ : portrait_)->setChecked(true);
    ok_->setEnabled(true);
}

void PrinterSetupForm::commit(FrameworkPrinter &framework)
{
    const int visible = printer_->currentIndex();
    if (visible < 0 || visible >= int(names_.size()) || block_.isEmpty())
        throw SpoolerError("No printer is chosen");
    const QString device = names_[visible];
    Spooler &spooler = spooler_;
    QByteArray block = block_;
    DEVMODEW *dm = fields(block);
    if (paper_->isEnabled() && paper_->currentIndex() >= 0) {
        const int number = paper_->currentData().toInt();
        if (number != dm->dmPaperSize) {
            dm->dmPaperSize = std::int16_t(number);
            if (number != DMPAPER_USER)
                dm->dmFields &= ~(DM_PAPERLENGTH | DM_PAPERWIDTH);
        }
    }
    if (bin_->isEnabled() && bin_->currentIndex() >= 0)
        dm->dmDefaultSource = std::int16_t(bin_->currentData().toInt());
    if (portrait_->isEnabled())
        dm->dmOrientation = landscape_->isChecked() ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    // The name is looked up in the framework's list of this moment, which
    // refuses a printer that has been removed meanwhile.
    spooler.validateSettings(device, block);
    framework.setPrinter(device, spooler.driverName(device), spooler.portName(device),
                         std::make_shared<SettingsHandle>(block));
}
