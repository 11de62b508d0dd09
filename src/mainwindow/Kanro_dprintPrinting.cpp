// Handlers of the printing tab and the print and printer set-up commands.
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/PrintRecording.h"
#include "mainwindow/NoteLineEdit.h"
#include "mainwindow/NoteSettings.h"
#include "note/NoteArithmetic.h"
#include "note/RegistrationNumber.h"
#include "numedit/KiNumEdit.h"
#include "platform/CommandGuard.h"
#include "platform/Dialogs.h"
#include "printer/VoPrinters.h"
#include "printing/PrintCommand.h"
#include "printing/PrintPreviewWindow.h"
#include "printing/PrinterNotices.h"
#include "printing/PrinterRegistration.h"
#include "printing/VODE97ZPrnUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <limits>
#include <memory>
#include <utility>

using namespace printing;

namespace {

const QString RegNoNotPrintedMessage =
    QStringLiteral("登録番号が T と13桁の数字になっていないため、登録番号を印字しません。"
                   "税率設定で直してください");

// The global printer object; the program creates it before the first window.
TVoPrinter &printerObject()
{
    if (!VoPrinter)
        throw EVoPrinterNoPrinter(QStringLiteral("TVoPrinter.CheckNoPrinter: No Printer"));
    return *VoPrinter;
}

// The note as the window's fields show it at the moment a copy is drawn.
class WindowNote : public PrintNoteSource
{
public:
    explicit WindowNote(const TForm_Main &w) : w(w) {}
    PrintNote printNote() const override { return w.printNote(); }

private:
    const TForm_Main &w;
};

// What the print-position dialog reads and writes on the window.
class WindowMargins : public MarginHost
{
public:
    explicit WindowMargins(TForm_Main &w) : w(w) {}
    QString feedSection() const override { return w.ComboBox_SEL->currentText(); }
    QString printerName() const override { return w.ComboBox1->currentText(); }
    QString printerIndexCaption() const override { return w.Label_PrinterIndex->text(); }
    QString topCaption() const override { return w.Label_Prn_Top->text(); }
    QString leftCaption() const override { return w.Label_Prn_Left->text(); }
    void setOffsets(const QString &top, const QString &left) override
    {
        w.Label_Prn_Top->setText(top);
        w.Label_Prn_Left->setText(left);
    }
    QString registrationDir() const override { return w.Label_CurrentDir->text(); }

private:
    TForm_Main &w;
};

void fillList(QComboBox *box, const QStringList &items, int selection)
{
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(selection);
}

QString registrationFile(const TForm_Main &w)
{
    return registrationFilePath(w.Label_CurrentDir->text());
}

// Reads the selected feed's registration into the labels. A printer
// registered by name is looked up in today's list: found elsewhere, its new
// position is selected and stored; found nowhere, printing stops with a
// notice until it is back.
void readFeedRegistration(TForm_Main &w)
{
    const QString file = registrationFile(w);
    const QString section = w.ComboBox_SEL->currentText();
    const Registration r = readRegistration(file, section);
    w.Label_Prn_Top->setText(r.top);
    w.Label_Prn_Left->setText(r.left);
    RegisteredChoice choice{r.printerIndex, false, std::nullopt};
    if (VoPrinter) {
        w.PrinterListGeneration_ = VoPrinter->ListGeneration();
        QStringList printers;
        try {
            printers = VoPrinter->PrinterNames();
        } catch (const EVoPrinterNoPrinter &) {
        }
        choice = chooseRegisteredPrinter(r, readRegisteredName(file, section), printers,
                                         VoPrinter->spooler().systemStatus());
    }
    w.Label_PrinterIndex->setText(choice.indexCaption);
    w.PrinterProblem_ = choice.problem;
    if (choice.writeBack)
        writeRegisteredIndex(file, section, choice.indexCaption);
}

} // namespace

// The printer set-up command (F7): the printer and its settings for the
// running program, remembered in "Vey_12prnno"; no paper feed is registered.
void TForm_Main::SpeedButton_F7Click()
{
    if (deferUntilPrintersListed([this] { SpeedButton_F7Click(); }))
        return;
    runGuarded(this, [this] {
        TVoPrinter &printer = printerObject();
        const qint64 stored = readPrinterChoice(settingsFilePath());
        // A stored number outside the int range is rejected like any other.
        const bool inRange =
            stored >= std::numeric_limits<int>::min() && stored <= std::numeric_limits<int>::max();
        selectPrinterOrFirst(printer, inRange ? static_cast<int>(stored) : -2);
        TVoPrinterSetupDialog(this).Execute();
        const int index = printer.Index();
        PrinterProblem_.reset(); // the operator picked the printer to use
        writePrinterChoice(settingsFilePath(), index);
        Label_PrinterIndex->setText(QString::number(index));
        SpeedButton_PRNSETClick();
    });
}

// The print command (F11): totals, slip number, confirmation, then one job
// with one copy per requested copy in the chosen layout.
void TForm_Main::SpeedButton_F11Click()
{
    if (deferUntilPrintersListed([this] { SpeedButton_F11Click(); }))
        return;
    printCommand();
}

bool TForm_Main::printerListPending()
{
    if (!VoPrinter || !VoPrinter->ListingPending())
        return false;
    if (!VoPrinter->TakeListing())
        return true;
    printersListed();
    return false;
}

bool TForm_Main::deferUntilPrintersListed(std::function<void()> command)
{
    m_afterPrinterList = nullptr; // the latest command asked for replaces an earlier one
    if (!printerListPending())
        return false;
    m_afterPrinterList = std::move(command);
    StatusBar1->showMessage(PrinterListWaitingStatus +
                            QStringLiteral("一覧が届きしだい続けます。"));
    return true;
}

void TForm_Main::printersListed()
{
    Tab_Change_CHK();
    StatusBar1->showMessage(printerListedStatus(PrinterProblem_, ComboBox1->currentText(),
                                                VoPrinter->spooler().systemStatus()));
    // After this handler: a command may open its own boxes.
    if (std::function<void()> command = std::exchange(m_afterPrinterList, nullptr))
        QTimer::singleShot(0, this, command);
}

// The registered printer is looked for again when it was missing (its
// print server may be back) or when a change of the installed printers
// dropped the selection; still missing, a notice says why and nothing is
// printed anywhere else.
bool TForm_Main::registeredPrinterReady(TVoPrinter &printer)
{
    // Never the wrong printer: nothing prints before the list is in.
    if (printerListPending()) {
        StatusBar1->showMessage(PrinterListWaitingStatus);
        return false;
    }
    if (PrinterProblem_ || PrinterListGeneration_ != printer.ListGeneration())
        SpeedButton_PrnIdGetClick();
    if (PrinterProblem_) {
        Dialogs::notify(this, printerProblemNotice(*PrinterProblem_));
        return false;
    }
    return true;
}

// A printer that cannot be reached is told in plain words; false for any
// other printer error, which the caller's error report shows.
bool TForm_Main::notifyPrinterProblem(const EVoPrinter &e)
{
    const auto problem = printerProblemOf(e, ComboBox1->currentText());
    if (!problem)
        return false;
    Dialogs::notify(this, printerProblemNotice(*problem));
    return true;
}

bool TForm_Main::printCommand()
{
    bool started = false;
    runGuarded(this, [this, &started] {
        if (!preparePrint())
            return;
        if (!Dialogs::askYesNo(this, ConfirmPrintMessage)) {
            if (Memo1->isVisible())
                Memo1->setFocus(Qt::OtherFocusReason);
            return;
        }
        const auto source = std::make_shared<WindowNote>(*this);
        PrintRecording recording(*this);
        const std::optional<PrintPlan> plan =
            printOnPrinter(ComboBox_Paper->currentIndex(), source, started,
                           [&](const PrintPlan &p) {
                               recording.beginWindowNote(source->printNote(), p.title, p.copies);
                           });
        recording.end(plan.has_value());
    });
    return started;
}

// The one way a note reaches the printer, for F11, the preview's print and
// the history's reprint: the registered printer's check, the layout's own
// page orientation for this job only, the question when the paper is
// smaller than A5, then the plan's copies. A printer that cannot be reached
// is told in plain words. `started` is set once the job is about to open.
std::optional<PrintPlan>
TForm_Main::printOnPrinter(int layout, std::shared_ptr<const PrintNoteSource> source, bool &started,
                           const std::function<void(const PrintPlan &)> &beforeJob)
{
    TVoPrinter &printer = printerObject();
    if (!registeredPrinterReady(printer))
        return std::nullopt;
    QPointer<TForm_Main> window(this);
    printer.SetOnJobTrouble([window](const QString &device, JobTrouble trouble) {
        if (window)
            Dialogs::notify(window, jobTroubleNotice(device, trouble));
    });
    struct JobOrientation
    {
        TVoPrinter &printer;
        ~JobOrientation() { printer.SetJobOrientation(std::nullopt); }
    } jobOrientation{printer};
    try {
        const TSize dpi = printer.DPI();
        const TSize sheet = printer.PaperExtent();
        if (sheetSmallerThanA5(sheet.cx, sheet.cy, dpi.cx, dpi.cy) &&
            !Dialogs::askYesNo(this, SmallPaperQuestion))
            return std::nullopt;
        PrintPlan plan = printPlan(layout, std::move(source));
        printer.SetJobOrientation(layoutIsLandscape(layout) ? voOrLandScape : voOrPortrait);
        started = true;
        // The record is made durable before the job is handed over.
        if (beforeJob)
            beforeJob(plan);
        runPrintJob(printer, plan.title, plan.copies, plan.fontDpiY, plan.drawCopy);
        return plan;
    } catch (const EVoPrinter &e) {
        if (!notifyPrinterProblem(e))
            throw;
        return std::nullopt;
    }
}

bool TForm_Main::preparePrint()
{
    DEN_SALS_2();
    DEN_SUM();
    // An amount or total beyond the number range would print empty or 0.
    const QString rangeNotice = rangeNoticeOfNote();
    if (!rangeNotice.isEmpty()) {
        Dialogs::notify(this, rangeNotice);
        return false;
    }
    // The focus goes only where it can: on the other tabs the slip
    // number and the memo are hidden, and the focus stays where it was.
    if (KiNumEdit_Slipno->Text().isEmpty()) {
        Dialogs::notify(this, MissingSlipNoMessage);
        if (KiNumEdit_Slipno->isVisible())
            KiNumEdit_Slipno->setFocus(Qt::OtherFocusReason);
        return false;
    }
    // A registration number that is not "T" + 13 digits (a hand-edited
    // settings file) is left off the page; the operator is told why.
    if (checkRegistrationNumber(Edit_TaxRegNo->text()) == RegistrationCheck::Malformed)
        Dialogs::notify(this, RegNoNotPrintedMessage);
    return true;
}

PrintPlan TForm_Main::printPlan()
{
    return printPlan(ComboBox_Paper->currentIndex(), std::make_shared<WindowNote>(*this));
}

PrintPlan TForm_Main::printPlan(int layout, std::shared_ptr<const PrintNoteSource> source)
{
    TVoPrinter &printer = printerObject();
    const TSize dpi = printer.DPI();
    const std::uint16_t scale = printer.Scale();
    Label_dpix->setText(QString::number(effectiveDpi(dpi.cx, scale)));
    Label_dpiy->setText(QString::number(effectiveDpi(dpi.cy, scale)));
    const PrintNote note = source->printNote();
    PrintPlan plan;
    plan.copies = copiesFromText(KiNumEdit_BUSUU->Text());
    plan.title = jobTitle(layout, jobTitleMiddle(note.issueDate), note.slipNo);
    plan.fontDpiY = dpi.cy;
    plan.drawCopy = [layout, source](PrintSurface &surface) {
        static const NoteLayouts layouts;
        layouts.drawCopy(layout, *source, surface);
    };
    return plan;
}

// The print preview (F10): the print command's preparation, then the pages
// the print would feed, in a modal window from which F11 prints. Closed
// without printing, the focus goes back to the field that had it when the
// window opened; that field was never left, so it is not entered again (an
// empty slip number is not issued, no text is reselected).
void TForm_Main::SpeedButton_F10Click()
{
    if (deferUntilPrintersListed([this] { SpeedButton_F10Click(); }))
        return;
    bool closedWithoutPrint = false;
    QPointer<QWidget> returnTo;
    runGuarded(this, [this, &closedWithoutPrint, &returnTo] {
        if (!preparePrint())
            return;
        TVoPrinter &printer = printerObject();
        if (!registeredPrinterReady(printer))
            return;
        std::optional<PreviewDocument> doc;
        try {
            const PrintPlan plan = printPlan();
            // The job turns the page to the layout's orientation; so does the preview.
            doc =
                buildPreview(sheetInOrientation(measureSheet(printer),
                                                layoutIsLandscape(ComboBox_Paper->currentIndex())),
                             plan);
        } catch (const EVoPrinter &e) {
            if (!notifyPrinterProblem(e))
                throw;
            return;
        }
        returnTo = focusWidget();
        PrintPreviewWindow window(std::move(*doc), this);
        window.setPrintHandler([this] { return printCommand(); });
        window.run();
        closedWithoutPrint = !window.printed();
    });
    // The window regaining activation re-enters no field (see eventFilter).
    if (closedWithoutPrint && returnTo && returnTo->isVisible() && returnTo->isEnabled())
        returnTo->setFocus(Qt::ActiveWindowFocusReason);
}

printing::PrintNote TForm_Main::printNote() const
{
    PrintNote n;
    n.customerName = Edit_Custo1->text();
    n.honorific = honorific();
    n.title = Edit_021[0]->text();
    for (int k = 0; k < 5; ++k)
        n.shopLines[k] = Edit_021[k + 1]->text();
    n.slipNo = KiNumEdit_Slipno->Text();
    n.issueDate = DateTimePicker_1->date();
    n.printSlipNo = CheckBox2->isChecked();
    n.printDate = CheckBox_Date_1->isChecked();
    for (int i = 1; i <= TForm_Main::kRows; ++i) {
        PrintRow &r = n.rows[i - 1];
        r.itemNo = dITEMNO_Ary[i]->text();
        r.item = dITEM_Ary[i]->text();
        r.unit = dUNIT_Ary[i]->text();
        r.qty = dQTY_Ary[i]->Text();
        r.price = dPRICE_Ary[i]->Text();
        r.sales = dSALES_Ary[i]->Text();
        r.reduced = reducedMarked(i);
    }
    n.subtotal = KiNumEdit_ssal->Text();
    n.tax = KiNumEdit_stax->Text();
    n.total = KiNumEdit_sttl->Text();
    n.taxCaption = Label_stax->text();
    const TForm_Main::InvoiceFigures f = invoiceFigures();
    n.standardRate = {ratePercentText(f.standardFraction), f.standardSubtotal, f.standardTax,
                      f.standardInUse};
    n.reducedRate = {ratePercentText(f.reducedFraction), f.reducedSubtotal, f.reducedTax,
                     f.reducedInUse};
    // With both rates in use the caption cell prints "消費税" alone: its
    // characters share the cell's 97 units, which "消費税 10%・8%" would
    // squeeze into each other, and the per-rate lines beside the totals
    // name each rate with its tax.
    if (f.standardInUse && f.reducedInUse)
        n.taxCaption = QStringLiteral("消費税");
    n.taxIncluded = taxIncluded();
    if (isPrintableRegistrationNumber(Edit_TaxRegNo->text()))
        n.registrationNo = Edit_TaxRegNo->text();
    n.receipt = CheckBox_Recp->isChecked();
    for (int k = 1; k <= 9; ++k)
        n.remarks[k - 1] = Edit_Remark[k]->text();
    n.newPage = CheckBox_NewPage->isChecked();
    n.dpiX = Label_dpix->text();
    n.dpiY = Label_dpiy->text();
    n.top = Label_Prn_Top->text();
    n.left = Label_Prn_Left->text();
    return n;
}

// Selects the printer in Label_PrinterIndex and refreshes the printer,
// paper and bin lists. Errors reach the caller's error report.
void TForm_Main::SpeedButton_PRNSETClick()
{
    if (!VoPrinter)
        return; // no printer layer (window tests): nothing to select
    const PrinterLists lists = selectPrinterAndLists(*VoPrinter, Label_PrinterIndex->text());
    if (!lists.refreshed)
        return;
    if (lists.printersFailed) {
        ComboBox1->setEnabled(false);
        return;
    }
    fillList(ComboBox1, lists.printers, lists.printerSel);
    if (lists.papersRead)
        fillList(ComboBox2, lists.papers, lists.paperSel);
    else
        ComboBox2->setCurrentIndex(-1);
    if (lists.binsRead)
        fillList(ComboBox3, lists.bins, lists.binSel);
    else
        ComboBox3->setCurrentIndex(-1);
}

// Reads the selected feed's registration and selects its printer, with the
// paper and bin registered for the feed where the printer offers them.
void TForm_Main::SpeedButton_PrnIdGetClick()
{
    const SpoolerReadReuse oneRead(VoPrinter ? &VoPrinter->spooler() : nullptr);
    readFeedRegistration(*this);
    SpeedButton_PRNSETClick();
    if (!VoPrinter || PrinterProblem_)
        return;
    const RegisteredPaper paper =
        readRegisteredPaper(registrationFile(*this), ComboBox_SEL->currentText());
    if (!paper.paper && !paper.bin)
        return;
    const bool offered = applyRegisteredPaper(*VoPrinter, paper);
    SpeedButton_PRNSETClick(); // the lists show the paper and bin now selected
    if (!offered)
        StatusBar1->showMessage(RegisteredPaperMissingMessage);
}

// Applies the registration of the selected paper feed.
void TForm_Main::ComboBox_SELChange()
{
    SpeedButton_PrnIdGetClick();
}

// Registers a printer for the selected feed, keeping the feed's offsets.
void TForm_Main::BitBtn_PrnSetClick()
{
    if (deferUntilPrintersListed([this] { BitBtn_PrnSetClick(); }))
        return;
    runGuarded(this, [this] {
        readFeedRegistration(*this);
        SpeedButton_PRNSETClick();
        TVoPrinterSetupDialog(this).Execute();
        Label_PrinterIndex->setText(QString::number(printerObject().Index()));
        const QString section = ComboBox_SEL->currentText();
        SpeedButton_PRNSETClick();
        writeRegistration(
            registrationFile(*this), section, ComboBox1->currentText(),
            {Label_PrinterIndex->text(), Label_Prn_Top->text(), Label_Prn_Left->text()});
        PrinterProblem_.reset(); // the printer now registered is the one selected
        writeRegisteredPaper(registrationFile(*this), section, currentPaper(printerObject()));
    });
}

// Opens the print-position dialog for the selected feed.
void TForm_Main::BitBtn_PrnSet2Click()
{
    TForm_VODE97ZPrn *dialog = findChild<TForm_VODE97ZPrn *>();
    if (!dialog)
        dialog = new TForm_VODE97ZPrn(this);
    Form_VODE97ZPrn = dialog;
    WindowMargins host(*this);
    dialog->setHost(&host);
    dialog->exec();
    dialog->setHost(nullptr);
}

// The dialog's register button.
void TForm_Main::BitBtn_MRGNClick()
{
    if (TForm_VODE97ZPrn *dialog = findChild<TForm_VODE97ZPrn *>())
        dialog->BitBtn_MRGN->click();
}
