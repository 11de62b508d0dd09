#include "mainwindow/Kanro_dprintUnit.h"

#include "mainwindow/HelpMessages.h"
#include "mainwindow/NoteLineEdit.h"
#include "mainwindow/NoteSettings.h"
#include "numedit/KiNumEdit.h"
#include "platform/CommandGuard.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "printer/VoPrinters.h"
#include "printing/PrinterNotices.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QThread>
#include <QToolButton>

std::function<QDate()> TForm_Main::todayProvider = [] { return QDate::currentDate(); };

namespace {

const QString kAppTitle = QStringLiteral("◇Kanro_VEY_1");
const QString kWindowCaption = QStringLiteral("Kanro　< A5 納品書 印刷　> ver1.12");

} // namespace

// ---------------------------------------------------------------------------
// Construction

TForm_Main::TForm_Main(const QString &workingDir, QWidget *parent)
    : QWidget(parent), m_workingDir(workingDir)
{
    setObjectName(QStringLiteral("Form_Main"));
    setWindowTitle(kAppTitle);
    setFont(screenFont(kFontPGothic, 16));
    setFixedSize(kClientWidth, kClientHeight);
    buildWindow();
    bindHandlers();
    nameControls();
    if (const QScreen *screen = QApplication::primaryScreen()) {
        const QRect desk = screen->availableGeometry();
        move(desk.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
}

TForm_Main::~TForm_Main()
{
    // A window that is destroyed without having been closed (the program
    // ends by another path) still stores the settings.
    if (m_shown && !m_shutdownDone)
        FormDestroy();
    if (m_printsLeftOpen)
        m_printsLeftOpen->wait();
}

// ---------------------------------------------------------------------------
// Lifecycle

void TForm_Main::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        m_startingUp = true;
        runGuarded(this, [this] { FormShow(); });
        m_startingUp = false;
        // Not from inside the show event: the window is only now being shown.
        if (m_closePending)
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void TForm_Main::requestClose()
{
    Dialogs::dismissAll();
    if (m_startingUp)
        m_closePending = true;
    else
        close();
}

void TForm_Main::closeEvent(QCloseEvent *event)
{
    // Closing always succeeds and asks nothing; the shutdown sequence runs
    // once, whichever way the window was closed.
    if (m_shown && !m_shutdownDone)
        FormDestroy();
    event->accept();
}

QString TForm_Main::settingsFilePath() const
{
    return settingsPath(Label_CurrentDir->text());
}

void TForm_Main::FormShow()
{
    // The start-up selections of the registered printer read it once.
    const SpoolerReadReuse oneRead(VoPrinter ? &VoPrinter->spooler() : nullptr);
    setWindowTitle(kWindowCaption);
    DateTimePicker_1->setDate(todayProvider());
    Label_CurrentDir->setText(m_workingDir.isEmpty() ? QDir::currentPath() : m_workingDir);
    // The built-in PDF printer writes under the same recorded directory.
    if (VoPrinter)
        VoPrinter->spooler().setWorkingDirectory(Label_CurrentDir->text());
    Label_Prn_Top->clear();
    Label_Prn_Left->clear();
    Edit_Cls();
    Memo1->clear();
    Memo2->clear();

    readStartupSettings();
    m_settingsRead = true;

    if (ComboBox_FontSize->currentIndex() < 0)
        ComboBox_FontSize->setCurrentIndex(0);
    StatusBar1->showMessage(QStringLiteral("  "));

    for (int i = 1; i <= 12; ++i) {
        SpeedButton_F[i]->setEnabled(false);
        setFunctionCaption(i, QStringLiteral("F%1").arg(i));
    }
    setFunctionCaption(2, QStringLiteral("中止"));
    SpeedButton_F[2]->setEnabled(true);
    setFunctionCaption(8, QStringLiteral("軽減"));
    SpeedButton_F[8]->setEnabled(true);
    SpeedButton_F[8]->setToolTip(help::Reduced);
    setFunctionCaption(11, QStringLiteral("印刷"));
    SpeedButton_F[11]->setEnabled(true);
    setFunctionCaption(10, QStringLiteral("プレビュー"));
    SpeedButton_F[10]->setEnabled(true);
    showCustomerKeys();

    // A registration that cannot be applied (a damaged printer index) is
    // reported, and start-up goes on: the stored rows must still come back,
    // or the next shutdown would overwrite them with empty ones. A printer
    // list still out (its scheduler silent) is applied when it comes in.
    const bool listPending = VoPrinter && VoPrinter->ListingPending() && !VoPrinter->TakeListing();
    if (listPending) {
        QPointer<TForm_Main> window(this);
        VoPrinter->SetOnListed([window](TVoPrinter *) {
            if (window)
                window->printersListed();
        });
        StatusBar1->showMessage(printing::PrinterListWaitingStatus);
    } else {
        runGuarded(this, [this] { ComboBox_SELChange(); });
    }
    if (ComboBox_SEL->currentIndex() < 0)
        ComboBox_SEL->setCurrentIndex(0);

    Ary_DAT_SET();
    Ary_TabOrder();
    TAX_RATE_CHK();
    Edit_CLS2();
    SpeedButton_ini_s2rClick();
    m_rowsRestored = true;
    Ary_DAT_SET();
    Tab_Change_CHK();
    runGuarded(this, [this] { finishInterruptedPrints(); });

    Edit_Zip->setFocus(Qt::OtherFocusReason);
}

void TForm_Main::FormDestroy()
{
    m_shutdownDone = true;
    // A start-up cut short (an exception) stores only what it loaded: empty
    // fields must never overwrite stored ones.
    runGuarded(this, [this] {
        if (m_rowsRestored)
            SpeedButton_ini_s2wClick();
        if (m_settingsRead)
            writeShutdownSettings();
    });
}

void TForm_Main::SpeedButton_F2Click()
{
    if (Dialogs::askYesNo(this, QStringLiteral("終了しますか?")))
        close();
    else if (Edit_Zip->isVisible())
        Edit_Zip->setFocus(Qt::OtherFocusReason);
    // On the other tabs the postal code cannot take the focus; the focus
    // stays where it was.
}

void TForm_Main::SpeedButton_F6Click() {}

void TForm_Main::PageControl1Change()
{
    Tab_Change_CHK();
    Panel_HelpMess->clear();
    if (PageControl1->currentIndex() == 0) {
        setFunctionCaption(11, QStringLiteral("印刷"));
        SpeedButton_F[11]->setEnabled(true);
    } else {
        setFunctionCaption(11, QStringLiteral("F11"));
        SpeedButton_F[11]->setEnabled(false);
    }
    // The preview goes with the print.
    setFunctionCaption(10, SpeedButton_F[11]->isEnabled() ? QStringLiteral("プレビュー")
                                                          : QStringLiteral("F10"));
    SpeedButton_F[10]->setEnabled(SpeedButton_F[11]->isEnabled());
    // The row mark belongs to the rows of the first tab.
    setFunctionCaption(8, PageControl1->currentIndex() == 0 ? QStringLiteral("軽減")
                                                            : QStringLiteral("F8"));
    SpeedButton_F[8]->setEnabled(PageControl1->currentIndex() == 0);
    Ary_DAT_SET();
}

void TForm_Main::Tab_Change_CHK()
{
    // A failing printer selection is reported; labels and usable rows are
    // brought in line all the same. Its three steps read the printer once.
    // While the printer list is out, no printer can be selected yet.
    if (!VoPrinter || !VoPrinter->ListingPending())
        runGuarded(this, [this] {
            const SpoolerReadReuse oneRead(VoPrinter ? &VoPrinter->spooler() : nullptr);
            ComboBox_SELChange();
            SpeedButton_PRNSETClick();
            SpeedButton_PrnIdGetClick();
        });
    Label_SelectPaper->setText(ComboBox_Paper->currentText());
    Label_PrinterName2->setText(ComboBox1->currentText() + QLatin1Char('/') +
                                ComboBox2->currentText() + QLatin1Char('/') +
                                ComboBox3->currentText());
    switch (ComboBox_Paper->currentIndex()) {
    case 0:
    case 1:
        wSLPMAX = 10;
        break;
    case 2:
        wSLPMAX = 6;
        break;
    default:
        break; // no layout selected: the limit stays as it was
    }
    denSLPMAX();
}
