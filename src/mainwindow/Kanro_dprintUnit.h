#pragma once

#include "note/NoteArithmetic.h"
#include "note/PrintNote.h"
#include "printing/PrinterRegistration.h"
#include "store/NoteLedger.h"

#include <QDate>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace ledger {
class OutboxSender;
}

class QCheckBox;
class QComboBox;
class QCompleter;
class QDateEdit;
class QFont;
class QFrame;
class QGroupBox;
class QIcon;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QThread;
class QToolButton;
class NoteLineEdit;
class TKiNumEdit;
class TVoPrinter;
class EVoPrinter;
struct OrderLines;
namespace printing {
struct PrintNote;
struct PrintPlan;
} // namespace printing

// The main window: the delivery note being prepared, every on-screen
// setting, the start-up sequence (settings read once when first shown) and
// the shutdown sequence (settings written once when the window closes).
//
// Control names are member names and objectNames. Only the window's own
// files in mainwindow/ (Kanro_dprint*.cpp: building, keys, the note,
// settings, transfer panel, printing, ledger, accessible names; and the
// history dialog) read and write these controls. The layers beneath
// (note/, transfer/, printing/, printer/) never see the window: they take
// and return plain values, or ask through an interface the window's files
// implement (the margin dialog's printing::MarginHost). The program's start
// only creates, shows and closes the window.
// Row cells are indexed 1 to 10 in the cell tables.
class QTextStream;

class TForm_Main : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kRows = 10;
    static constexpr int kClientWidth = 769;
    static constexpr int kClientHeight = 661;

    // workingDir: the directory recorded at start-up; empty means the
    // process's current directory at the moment the window is first shown.
    explicit TForm_Main(const QString &workingDir = QString(), QWidget *parent = nullptr);
    ~TForm_Main() override;

    // Today's date as the note date takes it at start-up; tests replace it.
    static std::function<QDate()> todayProvider;

    // ---- lifecycle ----
    void FormShow();
    void FormDestroy();
    void SpeedButton_F2Click();
    void SpeedButton_F6Click();
    void PageControl1Change();
    void Tab_Change_CHK();
    // Ends the run from outside (a termination signal, the end of the
    // session): the window closes as through its close box, without a
    // question. Open message boxes are dismissed; while start-up runs, the
    // window closes as soon as start-up has restored the note, so that the
    // shutdown stores what was read and never rows it has not restored.
    void requestClose();

    // ---- settings file ----
    QString settingsFilePath() const;
    void SpeedButton_ini_s2rClick();
    void SpeedButton_ini_s2wClick();
    void ComboBox_ime_Change();

    // ---- the note ----
    void Ary_DAT_SET();
    void Ary_TabOrder();
    void denSLPMAX();
    void Edit_CLS2();
    void Edit_Cls();
    void Edit_Warning();
    // quantityEditedRow: the row (1..10) whose quantity raised the change
    // event, 0 for any other caller.
    void DEN_SALS(int quantityEditedRow = 0);
    void DEN_SALS_2();
    void DEN_SUM();
    // The notice naming the first row amount or total beyond the number
    // range, empty when the note can be printed (see NoteRange.h).
    QString rangeNoticeOfNote() const;
    void TAX_RATE_CHK();
    void KiNumEdit_QTYChange(TKiNumEdit *Sender);
    void KiNumEdit_PriceChange(TKiNumEdit *Sender);
    void SpeedButton1Click();
    void SpeedButton_slipnoClick();
    void DateTimePicker_1Change();
    void BitBtn_CLSClick();

    // ---- the qualified invoice ----
    // Whether row 1..10 carries the reduced-rate mark.
    bool reducedMarked(int row) const;
    // Sets or clears a row's mark, then recomputes the totals (DEN_SUM).
    void setReducedMark(int row, bool marked);
    // F8 in a row's cells and the F8 button: toggles the mark of the
    // focused row.
    void SpeedButton_F8Click();
    // The totals per rate from the rows, marks and rates as they stand.
    struct InvoiceFigures
    {
        QString standardFraction, reducedFraction; // "0.1", "0.08"
        bool standardInUse = false, reducedInUse = false;
        QString standardSubtotal, standardTax, reducedSubtotal, reducedTax;
    };
    InvoiceFigures invoiceFigures() const;
    // The note's totals and per-rate figures for the fields as they stand.
    const InvoiceTotals &invoiceTotals() const;
    // Leaving the registration number: converts, checks, refuses.
    void Edit_TaxRegNoExit();
    void Edit_TaxRegNoChange();

    // ---- transfer panel ----
    void Edit_ZipChange();
    void Edit_telChange();
    void BitBtn_1Click();
    // The order's rows into the detail rows (asks before replacing typed
    // rows); returns the status line's part about them.
    QString fillOrderRows(const OrderLines &order);
    // Ctrl+Shift+V on the first tab: the clipboard into the memo, then BitBtn_1Click.
    void pasteAndTransfer();
    void BitBtn_MemoCLSClick();
    void Memo1Change();
    void BitBtn_SendMailClick();
    void BitBtn_WebHelpClick();
    // The choice of transfer rules ("TrMode") on the settings tab, and the
    // postal dictionary behind Edit_Zip (bodies in Kanro_dprintTransfer.cpp).
    void buildTransferChoice(QWidget *tab);
    void readTransferChoice();
    void ComboBox_TrModeChange();
    void Edit_ZipExit();
    // Starts loading the postal dictionary in the background when the
    // dictionary transfer is chosen; the program calls it a moment after the
    // window's first paint, so that the first transfer finds it loaded
    // instead of waiting for it.
    void preloadDictionary();

    // ---- printing tab (bodies in Kanro_dprintPrinting.cpp) ----
    void SpeedButton_F7Click();
    void SpeedButton_F10Click();
    void SpeedButton_F11Click();
    // The print command's steps before its question, shared by print (F11)
    // and preview (F10): the print-time row pass, the totals and the checks
    // that stop it with a message. False when it stopped.
    bool preparePrint();
    bool registeredPrinterReady(TVoPrinter &printer);
    // The printer list taken at start-up on a worker thread is still out:
    // true while it is (one that has come back is taken in here first).
    bool printerListPending();
    // A command that needs the printer, asked for while the list is out,
    // waits for it: the status line says so and the command runs once the
    // list is in (the latest one asked for). False: run it now.
    bool deferUntilPrintersListed(std::function<void()> command);
    // The list came in after the window appeared: the registration applies
    // and the status line says which printer prints, or why none can.
    void printersListed();
    bool notifyPrinterProblem(const EVoPrinter &e);
    // The job that would print `source` in `layout` now (no arguments: the
    // window's note in the chosen layout); writes the effective resolution
    // into Label_dpix and Label_dpiy. Its drawCopy reads `source`.
    printing::PrintPlan printPlan();
    printing::PrintPlan printPlan(int layout,
                                  std::shared_ptr<const printing::PrintNoteSource> source);
    // The print path of F11, the preview's print and the reprint: checks,
    // the job's orientation, the small-paper question and the job; the
    // plan it ran, or nothing when a check or the operator stopped it.
    std::optional<printing::PrintPlan>
    printOnPrinter(int layout, std::shared_ptr<const printing::PrintNoteSource> source,
                   bool &started,
                   const std::function<void(const printing::PrintPlan &)> &beforeJob = {});
    // The print command; true once the operator has confirmed the print.
    bool printCommand();
    void SpeedButton_PRNSETClick();
    void SpeedButton_PrnIdGetClick();
    void ComboBox_SELChange();
    void BitBtn_PrnSetClick();
    void BitBtn_PrnSet2Click();
    void BitBtn_MRGNClick();
    // Everything a layout prints, read from the fields as they stand.
    printing::PrintNote printNote() const;

    // ---- issued-notes ledger (bodies in Kanro_dprintLedger.cpp) ----
    // The history window (F9).
    void SpeedButton_F9Click();
    QString ledgerPath() const;
    // Where the notes are recorded and searched: the shared store when
    // "DbConnect" names one, this PC's ledger file otherwise.
    ledger::StoreTarget storeTarget() const;
    // The next slip number: from the shared store's counter when there is
    // one (nullopt, after a notice, while it cannot be reached), else from
    // the settings file's counter.
    std::optional<qint64> issueSlipNumber();
    // The shared store's field and buttons on the settings tab.
    void setUpSharedStore();
    void BitBtn_DbTestClick();
    void BitBtn_DbMoveClick();
    // Shows how many notes wait to be sent to the shared store; while any
    // wait, they are sent again on a timer.
    void showWaitingNotes(int count);
    // The same for the notes a previous session left waiting.
    void showWaitingOutbox();
    // Records a note the print command has just printed, with the window's
    // destination; a ledger that fails gives a notice and nothing else.
    void recordPrintedNote(const printing::PrintNote &note, const QString &title, int copies);
    // Prints a recorded note again as recorded (today's printer and
    // offsets) and records the reprint; false when nothing was printed.
    bool reprintIssuedNote(qint64 id);
    // Loads a recorded note into the window, after a question when the
    // window holds rows not printed yet; false when nothing was loaded.
    bool loadIssuedNote(qint64 id);
    // Rows with content that differ from the rows last printed or loaded.
    bool holdsUnsavedRows() const;

    // ---- records kept as the law asks (Kanro_dprintRecords.cpp) ----
    // Records a note the store could not take before its job: the old way,
    // after it (the shared store's outbox, or a notice).
    void recordAfterwards(ledger::IssuedNote issued);
    // The record of a note printed from the window's fields.
    ledger::IssuedNote issuedFromWindow(const printing::PrintNote &note, const QString &title,
                                        int copies) const;
    // A recorded note loaded with "画面に読込" or "訂正": printing it again
    // records a reprint (unchanged) or a correction of it (changed, or
    // chosen with "訂正" and its reason).
    struct LoadedRecord
    {
        qint64 id = 0;
        QString slipNo;
        QStringList rows;
        bool correction = false;
        QString reason;
        // The rates and rounding mode the note was made with, found from
        // its recorded figures; nullopt when none gives them again.
        std::optional<RecordFigures> figures;
    };
    std::optional<LoadedRecord> m_loadedRecord;
    // The loaded note's own rates and rounding while the window still holds
    // it (its slip number unchanged); null otherwise, when the shop's apply.
    const RecordFigures *loadedFigures() const;
    // The rate caption and the totals again after the loaded note's figures
    // began or ceased to apply.
    void refreshFigures();
    // Notes whose print the program did not live to end: a PDF found
    // complete completes the record, anything else marks it failed.
    void finishInterruptedPrints();
    // The shared store's check of them, under way (waited for at the end).
    std::unique_ptr<QThread> m_printsLeftOpen;
    // 取消 of a recorded note, with its reason; false (after a notice) when refused.
    bool cancelIssuedNote(qint64 id, const QString &reason);
    // 訂正: loads the note; the next print records the correction.
    bool startCorrection(qint64 id, const QString &reason);
    // "--verify-records": verifies the store of the working directory's
    // settings, prints the result; 0 when every record matches.
    static int verifyRecordsCommand(const QString &workingDir, QTextStream &out);

    // ---- customers and items (bodies in Kanro_dprintCustomers.cpp) ----
    // The honorific printed after the name, beside the name field.
    QComboBox *ComboBox_Honorific = nullptr;
    QString honorific() const;
    void setHonorific(const QString &honorific);
    // F3 and F4: the customer and item windows; F5: the rows of the
    // customer's last note ("前回と同じ内容").
    void SpeedButton_F3Click();
    void SpeedButton_F4Click();
    void SpeedButton_F5Click();
    // The recall lists: one for the destination's fields, one for the
    // 品名 1 cells (attached to the cell being typed in).
    QCompleter *customerRecallList() const;
    QCompleter *itemRecallList() const;
    // The rows of a note into the grid, with their marks and amounts.
    void showRows(const printing::PrintNote &note);

    // ---- keys (true when the key was handled) ----
    bool FormKeyDown(QWidget *Sender, int Key);
    bool FormKeyDown2(QWidget *Sender, int Key);
    bool Edit_ZipKeyDown(QWidget *Sender, int Key);
    bool Edit_telKeyDown(QWidget *Sender, int Key);
    bool KiNumEdit_SlipnoKeyDown(QWidget *Sender, int Key);
    bool Edit_itemNoKeyDown(QWidget *Sender, int Key);
    bool Edit_itemKeyDown(QWidget *Sender, int Key);

    // ---- window state ----
    int wSLPMAX = 0;
    int d_i = 0;
    bool shutdownDone() const { return m_shutdownDone; }

    // ---- controls ----
    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheet11 = nullptr;
    QWidget *TabSheet12 = nullptr;
    QWidget *TabSheet13 = nullptr;
    QLabel *Panel_HelpMess = nullptr;
    QFrame *Panel_Fnc = nullptr;
    std::array<QToolButton *, 13> SpeedButton_F{}; // [1] .. [12]
    QStatusBar *StatusBar1 = nullptr;
    // The shared store (settings tab).
    QLineEdit *Edit_DbConnect = nullptr;
    QPushButton *BitBtn_DbTest = nullptr;
    QPushButton *BitBtn_DbMove = nullptr;
    QLabel *Label_DbTest = nullptr;
    ledger::OutboxSender *m_outboxSender = nullptr;

    // transfer panel
    QPlainTextEdit *Memo1 = nullptr;
    QPlainTextEdit *Memo2 = nullptr; // hidden work memo
    QLabel *Label8 = nullptr;
    QPushButton *BitBtn_1 = nullptr;
    QPushButton *BitBtn_MemoCLS = nullptr;
    QLabel *Label12 = nullptr;
    QPushButton *BitBtn_SendMail = nullptr;
    QPushButton *BitBtn_WebHelp = nullptr;

    // destination
    NoteLineEdit *Edit_Zip = nullptr;
    NoteLineEdit *Edit_Add1 = nullptr;
    NoteLineEdit *Edit_Add2 = nullptr;
    NoteLineEdit *Edit_Add3 = nullptr;
    NoteLineEdit *Edit_Custo1 = nullptr;
    NoteLineEdit *Edit_tel = nullptr;
    QLabel *Label_Warning = nullptr;
    QPushButton *BitBtn_CLS = nullptr;

    // note header
    QCheckBox *CheckBox_Date_1 = nullptr;
    QDateEdit *DateTimePicker_1 = nullptr;
    QCheckBox *CheckBox2 = nullptr;
    TKiNumEdit *KiNumEdit_Slipno = nullptr;
    QCheckBox *CheckBox_Recp = nullptr;

    // detail rows, index 1 .. 10
    QScrollArea *ScrollBox1 = nullptr;
    std::array<QLabel *, kRows + 1> Panel_dv{};
    std::array<NoteLineEdit *, kRows + 1> Edit_itemNo{};
    std::array<NoteLineEdit *, kRows + 1> Edit_item{};
    std::array<TKiNumEdit *, kRows + 1> KiNumEdit_QTY{};
    std::array<NoteLineEdit *, kRows + 1> Edit_unit{};
    std::array<TKiNumEdit *, kRows + 1> KiNumEdit_Price{};
    std::array<TKiNumEdit *, kRows + 1> KiNumEdit_Sales{};
    std::array<QCheckBox *, kRows + 1> CheckBox_Reduced{}; // reduced-rate mark "軽減"
    // cell tables bound by Ary_DAT_SET
    std::array<NoteLineEdit *, kRows + 1> dITEMNO_Ary{};
    std::array<NoteLineEdit *, kRows + 1> dITEM_Ary{};
    std::array<TKiNumEdit *, kRows + 1> dQTY_Ary{};
    std::array<NoteLineEdit *, kRows + 1> dUNIT_Ary{};
    std::array<TKiNumEdit *, kRows + 1> dPRICE_Ary{};
    std::array<TKiNumEdit *, kRows + 1> dSALES_Ary{};

    // totals
    TKiNumEdit *KiNumEdit_sqty = nullptr;
    TKiNumEdit *KiNumEdit_ssal = nullptr;
    TKiNumEdit *KiNumEdit_stax = nullptr;
    TKiNumEdit *KiNumEdit_sttl = nullptr;
    QLabel *Label_stax = nullptr;
    QLabel *Label_ssalCaption = nullptr;  // "合　計", or "お買上額（税込）"
    QLabel *Label_TaxBreakdown = nullptr; // per-rate subtotals and taxes
    QLabel *Label_SelectPaper = nullptr;
    QLabel *Label_PrinterName2 = nullptr;

    // second tab: printer set
    QComboBox *ComboBox_SEL = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QComboBox *ComboBox2 = nullptr;
    QComboBox *ComboBox3 = nullptr;
    QPushButton *BitBtn_PrnSet = nullptr;
    QPushButton *BitBtn_PrnSet2 = nullptr;
    QLabel *Label_Prn_Top = nullptr;
    QLabel *Label_Prn_Left = nullptr;
    TKiNumEdit *KiNumEdit_BUSUU = nullptr;
    QCheckBox *CheckBox_NewPage = nullptr;
    QComboBox *ComboBox_Paper = nullptr;
    QComboBox *ComboBox_TrMode = nullptr; // item 0: TrMode "0", item 1: TrMode "1"
    // second tab: entry settings
    QComboBox *ComboBox_ime_Itemno = nullptr;
    QComboBox *ComboBox_ime_Item = nullptr;
    QComboBox *ComboBox_ime_Unit = nullptr;
    NoteLineEdit *Edit_TxDisp = nullptr;
    // the note's choice: 0 "税抜" (tax-exclusive), 1 "税込" (tax-inclusive)
    QComboBox *ComboBox_TaxIncl = nullptr;
    bool taxIncluded() const;
    // second tab: printed texts, index 0 .. 5 (0 is the note title)
    std::array<NoteLineEdit *, 6> Edit_021{};
    std::array<NoteLineEdit *, 10> Edit_Remark{}; // [1] .. [9]
    // hidden stored fields
    std::array<NoteLineEdit *, 7> Edit_G{}; // [1] .. [6]
    TKiNumEdit *KiNumEdit_KOSUU = nullptr;

    // third tab: tax rates
    QFrame *Panel_TaxConf = nullptr;
    TKiNumEdit *KiNumEdit_TaxOld = nullptr;
    QDateEdit *DateTimePicker_TaxEnforDate = nullptr;
    TKiNumEdit *KiNumEdit_TaxNew = nullptr;
    // third tab: the qualified invoice
    QFrame *Panel_Invoice = nullptr;
    NoteLineEdit *Edit_TaxRegNo = nullptr;
    TKiNumEdit *KiNumEdit_TaxReduced = nullptr;
    // third tab: the rate table's further rows (valid from, standard, reduced)
    QTableWidget *TableWidget_TaxRates = nullptr;
    QPushButton *Button_TaxRateAdd = nullptr;
    QPushButton *Button_TaxRateDelete = nullptr;
    std::vector<TaxRateRow> m_furtherRates; // in the order of their keys
    bool m_fillingRates = false;            // the table is being filled

    // hidden labels and controls that carry state
    QLabel *Label_CurrentDir = nullptr;
    QLabel *Label_PrinterIndex = nullptr;
    QLabel *Label_dpix = nullptr;
    QLabel *Label_dpiy = nullptr;
    QLabel *Label_xTax = nullptr;
    QLabel *Label_d_i = nullptr;
    QLabel *Label_Font_1 = nullptr;
    QLabel *Label_CutCut = nullptr;
    QLabel *Label_0X = nullptr;
    QComboBox *ComboBox_FontSize = nullptr;
    // Set while the selected feed's registered printer cannot be used (not
    // found, its print server down): printing stops with its notice until
    // the registration applies again or the operator picks a printer.
    std::optional<printing::PrinterProblem> PrinterProblem_;
    // The printer object's list generation when the registration was last
    // applied; a list change since then resets its selection.
    int PrinterListGeneration_ = -1;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class KeyHandler { None, Form, Form2, Zip, Tel, Slipno, ItemNo, Item, RemarkUp };

    void buildWindow();
    void buildFirstTab();
    // The first tab's blocks, in creation (and so tab) order.
    void buildDestination(QWidget *t, const QIcon &clearPicture);
    void buildNoteHeader(QWidget *t);
    void buildItemGrid(QWidget *t);
    void buildItemRow(QWidget *grid, int i, const QFont &cellFont);
    void buildHeaderCheckBoxes(QWidget *t);
    void buildTotals(QWidget *t);
    void buildTransferPanel(QWidget *t, const QIcon &clearPicture);
    void buildSecondTab();
    void buildThirdTab();
    void buildHiddenControls();
    void bindHandlers();
    // Accessible names and descriptions of every operable control
    // (Kanro_dprintAccessible.cpp); a new control is named there.
    void nameControls();
    // A function button's caption and its accessible name ("印刷 (F11)").
    void setFunctionCaption(int i, const QString &caption);
    void setKeyHandler(QWidget *w, KeyHandler h);
    bool dispatchKey(QWidget *w, KeyHandler h, int key);
    // What a field's key handler does with Up, Down and Enter; an empty
    // step leaves that key to the field.
    struct KeySteps
    {
        std::function<void()> up = {};
        std::function<void()> down = {};
        std::function<void()> enter = {};
    };
    // The shared key handler: true when the key was handled.
    bool keyStep(int Key, const KeySteps &steps);
    bool functionKey(int Key);
    void fieldEntered(QWidget *w);
    void fieldExited(QWidget *w);
    void paintCell(QWidget *w, bool cursor);
    int focusedRow() const;
    void moveFocus(bool next);
    void focusCell(QWidget *w);
    void readStartupSettings();
    void writeShutdownSettings();
    void setUpHistoryKey();
    void setUpCustomerRecall();
    void showCustomerKeys();
    bool customerKey(int Key);
    void destinationEdited(NoteLineEdit *field);
    void itemNoEdited(int row);
    void chooseCustomer(int index);
    void chooseItem(int index);
    void setUpPasteTransferKey();
    QStringList rowTexts() const;
    void showReducedMark(int row);
    void showTaxCaption();
    void rateFieldExited(TKiNumEdit *field);
    // The rate table: the two oldest rows from the rate fields, the further
    // rows from the tax tab's table; and the reduced rate in force on the
    // note's date as the fraction the tax uses ("0.08").
    std::vector<TaxRateRow> taxRateRows() const;
    QString reducedFractionInForce() const;
    // The further rows shown newest first; a cell edit is checked as a
    // stored row is (refused: the row comes back); add and delete buttons.
    void showFurtherRates();
    void TableWidget_TaxRatesChanged(int row);
    void Button_TaxRateAddClick();
    void Button_TaxRateDeleteClick();
    void furtherRatesChanged();

    QString m_workingDir;
    QPointer<QWidget> m_enteredField; // the field whose entry ran last
    // The remark line and key of the last key press there: a remark line
    // acts on the release of a key that was pressed in it.
    QPointer<QWidget> m_remarkPressField;
    int m_remarkPressKey = 0;
    QString m_standardCaption; // the tax label as the rate choice made it
    QString m_acceptedRegNo;   // the registration number kept when an entry is refused
    QString m_rateBeforeEntry; // a rate field's text when it was entered
    bool m_shown = false;
    bool m_shutdownDone = false;
    // What the note's sums were last computed from, and the sums.
    struct TotalsInputs
    {
        DetailRows rows;
        ReducedMarks marks;
        QString standardFraction, reducedFraction, rounding;
        bool taxIncluded = false;
        friend bool operator==(const TotalsInputs &, const TotalsInputs &) = default;
    };
    mutable std::optional<std::pair<TotalsInputs, InvoiceTotals>> m_totals;
    QStringList m_issuedRows; // the rows as last printed or loaded
    friend class PrintRecording;
    bool m_startingUp = false;
    bool m_closePending = false;
    std::function<void()> m_afterPrinterList; // deferUntilPrintersListed
    // What start-up has loaded; the shutdown writes only that.
    bool m_settingsRead = false;
    bool m_rowsRestored = false;
    // Recall while typing (Kanro_dprintCustomers.cpp).
    class CustomerRecall *m_recall = nullptr;
    QCompleter *m_customerList = nullptr;
    QCompleter *m_itemList = nullptr;
    std::vector<ledger::Customer> m_offeredCustomers;
    std::vector<ledger::Item> m_offeredItems;
    int m_itemRow = 0; // the row whose 品名 1 the item list serves
};
