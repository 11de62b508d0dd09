// Building the window: its tabs, the controls on them, their names,
// geometry and creation order (which is the tab order).
#include "mainwindow/ButtonPictures.h"
#include "mainwindow/HelpMessages.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "mainwindow/ReducedRowColour.h"
#include "numedit/KiNumEdit.h"
#include "platform/Fonts.h"
#include "platform/ImeMode.h"
#include "transfer/SupportLinks.h"
#include "transfer/TransferPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace {

const QString kDefaultTitle = QStringLiteral("納品書　兼　請求書");

// Captions and heights of the window (pixels).
constexpr int kTopStrip = 3;
constexpr int kHelpHeight = 30;
constexpr int kFncHeight = 28;
constexpr int kStatusHeight = 22;
constexpr int kRowHeight = 40;
// The first tab from the note header down: the header's line, the two lines
// of column captions over the grid, the grid and the totals under it.
constexpr int kHeaderY = 166;
constexpr int kGridX = 2 + 2; // scroll box frame
constexpr int kCaptionY1 = kHeaderY + 24;
constexpr int kCaptionY2 = kCaptionY1 + 18;
constexpr int kGridY = kCaptionY2 + 18;
constexpr int kTotalsY = kGridY + 6 * kRowHeight + 6;

const QStringList kImeItems = {
    QStringLiteral("0:漢字未使用"),     QStringLiteral("1:漢字変換を閉じる"),
    QStringLiteral("2:漢字変換を開く"), QStringLiteral("3:変更しない"),
    QStringLiteral("4:英数半角"),       QStringLiteral("5:英数全角"),
    QStringLiteral("6:かな全角"),       QStringLiteral("7:かな半角"),
    QStringLiteral("8:カナ全角"),
};

template <typename W> W *named(W *w, const QString &name)
{
    w->setObjectName(name);
    return w;
}

QLabel *captionPanel(QWidget *parent, const QString &text, const QRect &r)
{
    auto *l = new QLabel(text, parent);
    l->setGeometry(r);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Raised);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QLabel *plainLabel(QWidget *parent, const QString &text, const QRect &r)
{
    auto *l = new QLabel(text, parent);
    l->setGeometry(r);
    return l;
}

QLabel *hiddenLabel(QWidget *parent, const QString &name, const QString &text = QString())
{
    auto *l = named(new QLabel(text, parent), name);
    l->hide();
    return l;
}

NoteLineEdit *textEdit(QWidget *parent, const QString &name, const QRect &r, int limit = 0)
{
    auto *e = named(new NoteLineEdit(parent), name);
    e->setGeometry(r);
    e->setTypingLimit(limit);
    return e;
}

TKiNumEdit *numEdit(QWidget *parent, const QString &name, const QRect &r)
{
    auto *e = named(new TKiNumEdit(parent), name);
    e->setAutoSize(false);
    e->setGeometry(r);
    return e;
}

QComboBox *comboBox(QWidget *parent, const QString &name, const QRect &r, const QStringList &items,
                    bool editable = false)
{
    auto *c = named(new QComboBox(parent), name);
    c->setGeometry(r);
    c->setEditable(editable);
    c->addItems(items);
    return c;
}

QDateEdit *dateEdit(QWidget *parent, const QString &name, const QRect &r)
{
    auto *d = named(new QDateEdit(parent), name);
    d->setGeometry(r);
    d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    d->setCalendarPopup(true);
    applyImeMode(d, TImeMode::imDisable);
    return d;
}

} // namespace

void TForm_Main::buildWindow()
{
    const int pageHeight = kClientHeight - kTopStrip - kHelpHeight - kFncHeight - kStatusHeight;
    PageControl1 = named(new QTabWidget(this), QStringLiteral("PageControl1"));
    PageControl1->setGeometry(0, kTopStrip, kClientWidth, pageHeight);
    TabSheet11 = named(new QWidget, QStringLiteral("TabSheet11"));
    TabSheet12 = named(new QWidget, QStringLiteral("TabSheet12"));
    TabSheet13 = named(new QWidget, QStringLiteral("TabSheet13"));
    PageControl1->addTab(TabSheet11, QStringLiteral("入力印刷"));
    PageControl1->addTab(TabSheet12, QStringLiteral("印刷設定"));
    PageControl1->addTab(TabSheet13, QStringLiteral("税率設定"));

    int y = kTopStrip + pageHeight;
    Panel_HelpMess = named(new QLabel(this), QStringLiteral("Panel_HelpMess"));
    Panel_HelpMess->setGeometry(0, y, kClientWidth, kHelpHeight);
    Panel_HelpMess->setFrameShape(QFrame::Box);
    Panel_HelpMess->setAutoFillBackground(true);
    {
        QPalette p = Panel_HelpMess->palette();
        p.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1)); // clInfoBk
        Panel_HelpMess->setPalette(p);
    }
    Panel_HelpMess->setIndent(6);
    y += kHelpHeight;

    Panel_Fnc = named(new QFrame(this), QStringLiteral("Panel_Fnc"));
    Panel_Fnc->setGeometry(0, y, kClientWidth, kFncHeight);
    for (int i = 1; i <= 12; ++i) {
        auto *b = named(new QToolButton(Panel_Fnc), QStringLiteral("SpeedButton_F%1").arg(i));
        const int group = (i - 1) / 4;
        b->setGeometry(4 + (i - 1) * 55 + group * 10, 2, 55, kFncHeight - 4);
        b->setFocusPolicy(Qt::NoFocus);
        SpeedButton_F[i] = b;
        setFunctionCaption(i, QStringLiteral("F%1").arg(i));
    }
    SpeedButton_F[11]->setToolTip(
        QStringLiteral("プリンタセットされているプリンタにゆうパック送り状を印刷"));
    SpeedButton_F[10]->setToolTip(QStringLiteral("印刷される納品書を画面で確かめます"));
    SpeedButton_F[10]->setAccessibleName(QStringLiteral("プレビュー (F10)"));
    {
        // The longest caption of the bar: a smaller font keeps it whole, up
        // to eight steps smaller. Each size measured loads a font, so the
        // width at full size gives the first guess, and the steps go from there.
        QFont f = SpeedButton_F[10]->font();
        const int room = SpeedButton_F[10]->width() - 10;
        const bool pixels = f.pixelSize() > 0;
        const qreal full = pixels ? f.pixelSize() : f.pointSizeF();
        const qreal step = pixels ? 1 : 0.5;
        auto widthAt = [&f, pixels](qreal size) {
            QFont g = f;
            if (pixels)
                g.setPixelSize(static_cast<int>(size));
            else
                g.setPointSizeF(size);
            return QFontMetrics(g).horizontalAdvance(QStringLiteral("プレビュー"));
        };
        int steps = 0;
        if (const int wide = widthAt(full); wide > room) {
            steps =
                std::clamp(static_cast<int>(std::ceil((full - full * room / wide) / step)), 1, 8);
            while (steps < 8 && widthAt(full - steps * step) > room)
                ++steps;
            while (steps > 1 && widthAt(full - (steps - 1) * step) <= room)
                --steps;
        }
        if (pixels)
            f.setPixelSize(static_cast<int>(full - steps * step));
        else
            f.setPointSizeF(full - steps * step);
        SpeedButton_F[10]->setFont(f);
    }
    y += kFncHeight;

    StatusBar1 = named(new QStatusBar(this), QStringLiteral("StatusBar1"));
    StatusBar1->setGeometry(0, y, kClientWidth, kStatusHeight);
    StatusBar1->setSizeGripEnabled(false);

    buildFirstTab();
    buildSecondTab();
    buildThirdTab();
    buildHiddenControls();
}

void TForm_Main::buildFirstTab()
{
    QWidget *t = TabSheet11;
    // The two clear buttons share one picture.
    const QIcon clearPicture = buttonPicture(ButtonPicture::Clear);

    // Creation order is the tab order: the destination fields come first.
    buildDestination(t, clearPicture);
    buildNoteHeader(t);
    buildItemGrid(t);
    // The header's check boxes come after the rows in the tab order, so that
    // Enter runs from the note date straight to the slip number.
    buildHeaderCheckBoxes(t);
    buildTotals(t);
    // The transfer panel is created last, so that it comes last in the tab
    // order.
    buildTransferPanel(t, clearPicture);
}

// The destination: postal code, address, name, telephone, the address
// warning and the clear button.
void TForm_Main::buildDestination(QWidget *t, const QIcon &clearPicture)
{
    auto *dest = named(new QFrame(t), QStringLiteral("Panel_Dest"));
    dest->setGeometry(2, 84, 761, 78);
    dest->setFrameShape(QFrame::StyledPanel);
    captionPanel(dest, QStringLiteral("郵便番号"), {4, 4, 72, 22});
    Edit_Zip = textEdit(dest, QStringLiteral("Edit_Zip"), {78, 4, 110, 22}, 16);
    captionPanel(dest, QStringLiteral("おところ①"), {4, 28, 72, 22});
    Edit_Add1 = textEdit(dest, QStringLiteral("Edit_Add1"), {78, 28, 420, 22});
    captionPanel(dest, QStringLiteral("おところ②"), {4, 52, 72, 22});
    Edit_Add2 = textEdit(dest, QStringLiteral("Edit_Add2"), {78, 52, 276, 22});
    captionPanel(dest, QStringLiteral("おところ③"), {358, 52, 72, 22});
    Edit_Add3 = textEdit(dest, QStringLiteral("Edit_Add3"), {432, 52, 324, 22});
    captionPanel(dest, QStringLiteral("おなまえ"), {192, 4, 72, 22});
    Edit_Custo1 = textEdit(dest, QStringLiteral("Edit_Custo1"), {266, 4, 232, 22}, 80);
    captionPanel(dest, QStringLiteral("でんわ"), {502, 4, 60, 22});
    Edit_tel = textEdit(dest, QStringLiteral("Edit_tel"), {564, 4, 140, 22});
    // Two lines of small red text between the address and the clear
    // button's caption.
    Label_Warning =
        named(plainLabel(dest, QString(), {502, 26, 196, 26}), QStringLiteral("Label_Warning"));
    Label_Warning->setWordWrap(true);
    {
        QFont wf = Label_Warning->font();
        wf.setPixelSize(10);
        Label_Warning->setFont(wf);
        QPalette p = Label_Warning->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        Label_Warning->setPalette(p);
    }
    BitBtn_CLS = named(new QPushButton(dest), QStringLiteral("BitBtn_CLS"));
    BitBtn_CLS->setGeometry(708, 4, 22, 22);
    BitBtn_CLS->setIcon(clearPicture);
    BitBtn_CLS->setFocusPolicy(Qt::NoFocus);
    BitBtn_CLS->setToolTip(QStringLiteral("お届け先と品名をクリアします"));
    {
        auto *l = named(plainLabel(dest, QStringLiteral("お届け先ｸﾘｱ"), {700, 26, 60, 18}),
                        QStringLiteral("Label_CLS"));
        QFont lf = l->font();
        lf.setPixelSize(10);
        l->setFont(lf);
    }
    for (NoteLineEdit *e : {Edit_Zip, Edit_tel})
        applyImeMode(e, TImeMode::imDisable);
    for (NoteLineEdit *e : {Edit_Add1, Edit_Add2, Edit_Add3, Edit_Custo1})
        applyImeMode(e, TImeMode::imHira);
    for (NoteLineEdit *e : {Edit_Zip, Edit_Add1, Edit_Add2, Edit_Add3, Edit_Custo1, Edit_tel})
        e->setCaretToEndOnEnter(true);
}

// The note date and the slip number.
void TForm_Main::buildNoteHeader(QWidget *t)
{
    DateTimePicker_1 = dateEdit(t, QStringLiteral("DateTimePicker_1"), {458, kHeaderY, 132, 22});
    KiNumEdit_Slipno = numEdit(t, QStringLiteral("KiNumEdit_Slipno"), {690, kHeaderY, 70, 22});
    KiNumEdit_Slipno->setIntegerLength(10);
    KiNumEdit_Slipno->setDecimalLength(0);
    KiNumEdit_Slipno->setComma(false);
    KiNumEdit_Slipno->setMinus(false);
    applyImeMode(KiNumEdit_Slipno, TImeMode::imDisable);
    // The window consumes keys of its entry fields, so their refusals are
    // silent (the row cells below too).
    KiNumEdit_Slipno->setErrorBeep(false);
}

// The column captions and the scroll box with the ten detail rows.
void TForm_Main::buildItemGrid(QWidget *t)
{
    // Column captions over the grid: 品名 1 over the first line of a row,
    // the rest over the second.
    const int cx = kGridX, c1 = kCaptionY1, c2 = kCaptionY2;
    captionPanel(t, QStringLiteral("No"), {cx, c1, 30, 36});
    captionPanel(t, QStringLiteral("品名 1"), {cx + 30, c1, 700, 18});
    captionPanel(t, QStringLiteral("品名 2"), {cx + 30, c2, 280, 18});
    captionPanel(t, QStringLiteral("数量"), {cx + 310, c2, 110, 18});
    captionPanel(t, QStringLiteral("単位"), {cx + 420, c2, 60, 18});
    captionPanel(t, QStringLiteral("単価"), {cx + 480, c2, 110, 18});
    captionPanel(t, QStringLiteral("金額"), {cx + 590, c2, 140, 18});

    // Detail grid: ten rows of 40 pixels, one row per scroll step.
    ScrollBox1 = named(new QScrollArea(t), QStringLiteral("ScrollBox1"));
    ScrollBox1->setGeometry(2, kGridY, 761, 6 * kRowHeight + 4);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ScrollBox1->verticalScrollBar()->setSingleStep(kRowHeight);
    // The grid box itself is no tab stop; it scrolls to the focused cell.
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    auto *grid = new QWidget;
    grid->setFixedSize(740, kRows * kRowHeight);
    QFont cellFont = font();
    cellFont.setPixelSize(13);
    for (int i = 1; i <= kRows; ++i)
        buildItemRow(grid, i, cellFont);
    ScrollBox1->setWidget(grid);
}

// Detail row i (1..10) on the grid: its number panel, cells and mark.
void TForm_Main::buildItemRow(QWidget *grid, int i, const QFont &cellFont)
{
    const int ry = (i - 1) * kRowHeight;
    Panel_dv[i] = named(captionPanel(grid, QString::number(i), {0, ry, 30, kRowHeight}),
                        QStringLiteral("Panel_dv%1").arg(i));
    Edit_itemNo[i] = textEdit(grid, QStringLiteral("Edit_itemNo%1").arg(i), {30, ry, 646, 20}, 50);
    Edit_item[i] = textEdit(grid, QStringLiteral("Edit_item%1").arg(i), {30, ry + 20, 280, 20}, 50);
    Edit_item[i]->setToolTip(QStringLiteral("半角50文字まで入力できます"));
    KiNumEdit_QTY[i] =
        numEdit(grid, QStringLiteral("KiNumEdit_QTY%1").arg(i), {310, ry + 20, 110, 20});
    Edit_unit[i] = textEdit(grid, QStringLiteral("Edit_unit%1").arg(i), {420, ry + 20, 60, 20}, 6);
    Edit_unit[i]->setToolTip(QStringLiteral("半角6文字まで入力できます"));
    KiNumEdit_Price[i] =
        numEdit(grid, QStringLiteral("KiNumEdit_Price%1").arg(i), {480, ry + 20, 110, 20});
    KiNumEdit_Sales[i] =
        numEdit(grid, QStringLiteral("KiNumEdit_Sales%1").arg(i), {590, ry + 20, 140, 20});
    for (QWidget *w :
         {static_cast<QWidget *>(Edit_itemNo[i]), static_cast<QWidget *>(Edit_item[i]),
          static_cast<QWidget *>(KiNumEdit_QTY[i]), static_cast<QWidget *>(Edit_unit[i]),
          static_cast<QWidget *>(KiNumEdit_Price[i]), static_cast<QWidget *>(KiNumEdit_Sales[i])})
        w->setFont(cellFont);
    for (NoteLineEdit *e : {Edit_itemNo[i], Edit_item[i], Edit_unit[i]})
        e->setCaretToEndOnEnter(true);
    // Quantity and price: whole numbers, separators, minus allowed; both
    // cells are wide enough for "-999,999,999".
    // Amounts take 15 integer digits: a product of two 9-digit values
    // must not be cut.
    for (TKiNumEdit *n : {KiNumEdit_QTY[i], KiNumEdit_Price[i], KiNumEdit_Sales[i]}) {
        n->setIntegerLength(9);
        n->setDecimalLength(0);
        n->setComma(true);
        n->setMinus(true);
        n->setErrorBeep(false);
        applyImeMode(n, TImeMode::imDisable);
    }
    KiNumEdit_Sales[i]->setIntegerLength(15);
    KiNumEdit_Sales[i]->setReadOnly(true);
    KiNumEdit_Sales[i]->setTabStop(false);
    // The reduced-rate mark: clicked, or F8 in any cell of the row. It
    // takes no focus, so Enter and Tab run through the cells as before.
    CheckBox_Reduced[i] = named(new QCheckBox(QStringLiteral("軽減"), grid),
                                QStringLiteral("CheckBox_Reduced%1").arg(i));
    CheckBox_Reduced[i]->setGeometry(678, ry, 52, 20);
    CheckBox_Reduced[i]->setFont(cellFont);
    CheckBox_Reduced[i]->setFocusPolicy(Qt::NoFocus);
    CheckBox_Reduced[i]->setToolTip(help::Reduced);
    CheckBox_Reduced[i]->setAccessibleName(QStringLiteral("%1行目 軽減税率").arg(i));
    Panel_dv[i]->setAutoFillBackground(true);
}

void TForm_Main::buildHeaderCheckBoxes(QWidget *t)
{
    CheckBox_Date_1 =
        named(new QCheckBox(QStringLiteral("日付"), t), QStringLiteral("CheckBox_Date_1"));
    CheckBox_Date_1->setGeometry(400, kHeaderY, 56, 22);
    CheckBox2 = named(new QCheckBox(QStringLiteral("伝票番号"), t), QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(594, kHeaderY, 94, 22);
    for (QCheckBox *c : {CheckBox_Date_1, CheckBox2}) {
        c->setChecked(true);
        c->setToolTip(QStringLiteral("チェックをはずすと日付を印字しません"));
    }
}

// The totals, the receipt mark, the printer and paper in use and the
// per-rate breakdown.
void TForm_Main::buildTotals(QWidget *t)
{
    const int cx = kGridX, ty = kTotalsY;
    KiNumEdit_sqty = numEdit(t, QStringLiteral("KiNumEdit_sqty"), {cx + 310, ty, 110, 22});
    Label_ssalCaption = named(captionPanel(t, QStringLiteral("合　計"), {cx + 480, ty, 110, 22}),
                              QStringLiteral("Label_ssalCaption"));
    KiNumEdit_ssal = numEdit(t, QStringLiteral("KiNumEdit_ssal"), {cx + 590, ty, 140, 22});
    Label_stax = named(captionPanel(t, QStringLiteral("消費税"), {cx + 480, ty + 24, 110, 22}),
                       QStringLiteral("Label_stax"));
    KiNumEdit_stax = numEdit(t, QStringLiteral("KiNumEdit_stax"), {cx + 590, ty + 24, 140, 22});
    captionPanel(t, QStringLiteral("税込合計"), {cx + 480, ty + 48, 110, 22});
    KiNumEdit_sttl = numEdit(t, QStringLiteral("KiNumEdit_sttl"), {cx + 590, ty + 48, 140, 22});
    for (TKiNumEdit *n : {KiNumEdit_sqty, KiNumEdit_ssal, KiNumEdit_stax, KiNumEdit_sttl}) {
        n->setIntegerLength(15);
        n->setReadOnly(true);
        n->setTabStop(false);
    }
    CheckBox_Recp =
        named(new QCheckBox(QStringLiteral("領収済"), t), QStringLiteral("CheckBox_Recp"));
    CheckBox_Recp->setGeometry(cx + 310, ty + 48, 110, 22);
    Label_SelectPaper =
        named(plainLabel(t, QString(), {cx, ty, 306, 22}), QStringLiteral("Label_SelectPaper"));
    Label_PrinterName2 = named(plainLabel(t, QString(), {cx, ty + 24, 306, 44}),
                               QStringLiteral("Label_PrinterName2"));
    Label_PrinterName2->setWordWrap(true);
    Label_PrinterName2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The per-rate breakdown, shown while a printed row is at the reduced
    // rate; it covers the printer name's second line, which the usual
    // "printer/paper/bin" text does not need, and ends before the receipt
    // box (cx + 310), which must stay visible while it is a tab stop.
    Label_TaxBreakdown = named(plainLabel(t, QString(), {cx, ty + 46, 306, 22}),
                               QStringLiteral("Label_TaxBreakdown"));
    Label_TaxBreakdown->setFrameShape(QFrame::StyledPanel);
    Label_TaxBreakdown->setAutoFillBackground(true);
    {
        QFont bf = Label_TaxBreakdown->font();
        bf.setPixelSize(12);
        Label_TaxBreakdown->setFont(bf);
        QPalette p = Label_TaxBreakdown->palette();
        p.setColor(QPalette::Window, kReducedRowColour.lighter(115));
        Label_TaxBreakdown->setPalette(p);
    }
    Label_TaxBreakdown->setAccessibleName(QStringLiteral("税率ごとの内訳"));
    Label_TaxBreakdown->hide();
}

// The transfer panel: the paste memo, its buttons and the support links.
void TForm_Main::buildTransferPanel(QWidget *t, const QIcon &clearPicture)
{
    auto *tp = named(new QFrame(t), QStringLiteral("Panel_Transfer"));
    tp->setGeometry(2, 2, 761, 80);
    {
        auto *caption = named(plainLabel(tp, TransferPanel::kCaption, {2, 0, 120, 16}),
                              QStringLiteral("Label1"));
        QFont cf = caption->font();
        cf.setPixelSize(11);
        caption->setFont(cf);
    }
    Memo1 = named(new QPlainTextEdit(tp), QStringLiteral("Memo1"));
    Memo1->setGeometry(2, 16, 560, 46);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    // Tab leaves the memo as in any one-line field; pasted text keeps its tabs.
    Memo1->setTabChangesFocus(true);
    Memo1->setFont(screenFont(TransferPanel::kMemoFontFamily, TransferPanel::kMemoFontPixelSize));
    Memo1->setToolTip(TransferPanel::kMemoHint + QStringLiteral("\n") +
                      TransferPanel::kPasteTransferKeyHelp);
    Label8 = named(plainLabel(tp, TransferPanel::kMemoInstruction, {2, 63, 560, 16}),
                   QStringLiteral("Label8"));
    {
        QFont lf = Label8->font();
        lf.setPixelSize(11);
        Label8->setFont(lf);
    }
    BitBtn_1 = named(new QPushButton(tp), QStringLiteral("BitBtn_1"));
    BitBtn_1->setGeometry(568, 2, 48, 58);
    BitBtn_1->setIcon(buttonPicture(ButtonPicture::Transfer));
    BitBtn_1->setIconSize(QSize(32, 32));
    BitBtn_1->setToolTip(TransferPanel::kTransferHint);
    BitBtn_MemoCLS = named(new QPushButton(tp), QStringLiteral("BitBtn_MemoCLS"));
    BitBtn_MemoCLS->setGeometry(622, 2, 26, 26);
    BitBtn_MemoCLS->setIcon(clearPicture);
    BitBtn_MemoCLS->setToolTip(TransferPanel::kClearHint);
    Label12 = named(plainLabel(tp, TransferPanel::kClearCaption, {652, 2, 100, 26}),
                    QStringLiteral("Label12"));
    BitBtn_SendMail = named(new QPushButton(SupportLinks::kSendMailCaption, tp),
                            QStringLiteral("BitBtn_SendMail"));
    BitBtn_SendMail->setToolTip(SupportLinks::kSupportMailAddress);
    BitBtn_SendMail->setGeometry(622, 34, 80, 26);
    BitBtn_SendMail->setIcon(buttonPicture(ButtonPicture::Mail));
    BitBtn_WebHelp = named(new QPushButton(tp), QStringLiteral("BitBtn_WebHelp"));
    BitBtn_WebHelp->setGeometry(708, 34, 26, 26);
    BitBtn_WebHelp->setIcon(buttonPicture(ButtonPicture::Home));
    BitBtn_WebHelp->setFocusPolicy(Qt::NoFocus);
    BitBtn_WebHelp->setToolTip(SupportLinks::productWebHost());
    // Paste memo starts empty and therefore grey.
    {
        QPalette p = Memo1->palette();
        p.setColor(QPalette::Base, QColor(0xC0, 0xC0, 0xC0));
        Memo1->setPalette(p);
    }
}

void TForm_Main::buildSecondTab()
{
    QWidget *t = TabSheet12;

    auto *g1 = named(new QGroupBox(QStringLiteral("プリンタセット"), t),
                     QStringLiteral("GroupBox_PrnSet"));
    g1->setGeometry(4, 4, 372, 262);
    plainLabel(g1, QStringLiteral("用紙選択"), {10, 24, 70, 22});
    ComboBox_SEL = comboBox(g1, QStringLiteral("ComboBox_SEL"), {84, 24, 200, 22},
                            {QStringLiteral("手差し"), QStringLiteral("連続(４．５インチ)")}, true);
    // A typed feed name names its own registration section; it never
    // becomes an item of the list.
    ComboBox_SEL->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1 = comboBox(g1, QStringLiteral("ComboBox1"), {10, 52, 352, 22}, {});
    ComboBox2 = comboBox(g1, QStringLiteral("ComboBox2"), {10, 76, 174, 22}, {});
    ComboBox3 = comboBox(g1, QStringLiteral("ComboBox3"), {188, 76, 174, 22}, {});
    for (QComboBox *c : {ComboBox1, ComboBox2, ComboBox3}) {
        c->setFocusPolicy(Qt::NoFocus);
        c->setAttribute(Qt::WA_TransparentForMouseEvents); // display only
        QPalette p = c->palette();
        p.setColor(QPalette::Button, QColor(0xC0, 0xC0, 0xC0));
        p.setColor(QPalette::Base, QColor(0xC0, 0xC0, 0xC0));
        c->setPalette(p);
    }
    BitBtn_PrnSet = named(new QPushButton(QStringLiteral("セットするプリンタを登録"), g1),
                          QStringLiteral("BitBtn_PrnSet"));
    BitBtn_PrnSet->setGeometry(10, 104, 220, 26);
    BitBtn_PrnSet->setToolTip(QStringLiteral("送り状ごとに使用にするプリンタをセットします"));
    BitBtn_PrnSet2 =
        named(new QPushButton(QStringLiteral("余白調整"), g1), QStringLiteral("BitBtn_PrnSet2"));
    BitBtn_PrnSet2->setGeometry(236, 104, 126, 26);
    BitBtn_PrnSet2->setToolTip(QStringLiteral("印刷する用紙の上余白、左余白を調整します"));
    plainLabel(g1, QStringLiteral("上余白"), {10, 136, 50, 22});
    Label_Prn_Top =
        named(plainLabel(g1, QString(), {62, 136, 60, 22}), QStringLiteral("Label_Prn_Top"));
    plainLabel(g1, QStringLiteral("左余白"), {130, 136, 50, 22});
    Label_Prn_Left =
        named(plainLabel(g1, QString(), {182, 136, 60, 22}), QStringLiteral("Label_Prn_Left"));
    for (QLabel *l : {Label_Prn_Top, Label_Prn_Left}) {
        l->setFrameShape(QFrame::StyledPanel);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    plainLabel(g1, QStringLiteral("印刷部数"), {10, 164, 70, 22});
    KiNumEdit_BUSUU = numEdit(g1, QStringLiteral("KiNumEdit_BUSUU"), {84, 164, 60, 22});
    KiNumEdit_BUSUU->setIntegerLength(3);
    KiNumEdit_BUSUU->setDecimalLength(0);
    KiNumEdit_BUSUU->setText(QStringLiteral("1"));
    applyImeMode(KiNumEdit_BUSUU, TImeMode::imDisable);
    CheckBox_NewPage = named(new QCheckBox(QStringLiteral("改ページ信号"), g1),
                             QStringLiteral("CheckBox_NewPage"));
    CheckBox_NewPage->setGeometry(160, 164, 200, 22);
    CheckBox_NewPage->setToolTip(
        QStringLiteral("白紙ページが出力される場合に、チェックをはずしてください。"));
    plainLabel(g1, QStringLiteral("印字用紙"), {10, 196, 70, 22});
    ComboBox_Paper = comboBox(g1, QStringLiteral("ComboBox_Paper"), {84, 196, 200, 22},
                              {QStringLiteral("A5縦1　(10行)"), QStringLiteral("A5縦2　(10行)"),
                               QStringLiteral("A5横　(6行)")});
    ComboBox_Paper->setToolTip(QStringLiteral("印字する用紙を A5の縦 または横 いずれか選択します"));

    auto *g2 = named(new QGroupBox(QStringLiteral("売上明細入力の設定"), t),
                     QStringLiteral("GroupBox_Entry"));
    g2->setGeometry(382, 4, 380, 130);
    const QStringList imeCaptions = {QStringLiteral("品名1"), QStringLiteral("品名2"),
                                     QStringLiteral("単位")};
    const QStringList imeNames = {QStringLiteral("ComboBox_ime_Itemno"),
                                  QStringLiteral("ComboBox_ime_Item"),
                                  QStringLiteral("ComboBox_ime_Unit")};
    QComboBox *ime[3] = {};
    for (int k = 0; k < 3; ++k) {
        plainLabel(g2, imeCaptions[k], {10, 24 + k * 24, 60, 22});
        ime[k] = comboBox(g2, imeNames[k], {72, 24 + k * 24, 180, 22}, kImeItems);
        ime[k]->setToolTip(QStringLiteral("IME(漢字変換)モードを指定します"));
    }
    ComboBox_ime_Itemno = ime[0];
    ComboBox_ime_Item = ime[1];
    ComboBox_ime_Unit = ime[2];
    plainLabel(g2, QStringLiteral("消費税の端数"), {10, 98, 100, 22});
    Edit_TxDisp = textEdit(g2, QStringLiteral("Edit_TxDisp"), {112, 98, 30, 22}, 1);
    Edit_TxDisp->setText(QStringLiteral("0"));
    Edit_TxDisp->setToolTip(help::TxDisp);
    applyImeMode(Edit_TxDisp, TImeMode::imDisable);
    // Beside the rounding mode: whether the note's prices include tax.
    ComboBox_TaxIncl = comboBox(g2, QStringLiteral("ComboBox_TaxIncl"), {150, 98, 70, 22},
                                {QStringLiteral("税抜"), QStringLiteral("税込")});
    ComboBox_TaxIncl->setCurrentIndex(0);
    ComboBox_TaxIncl->setToolTip(
        QStringLiteral("税込: 単価・金額は消費税込みで、合計に含まれる消費税を計算します"));
    ComboBox_TaxIncl->setAccessibleName(QStringLiteral("税込・税抜"));
    // The totals follow at once; the start-up read sets it before the rows
    // are bound, and the start-up's own sums follow then.
    connect(ComboBox_TaxIncl, &QComboBox::currentIndexChanged, this, [this] {
        if (dQTY_Ary[1])
            DEN_SUM();
    });

    auto *g3 =
        named(new QGroupBox(QStringLiteral("納品書印字"), t), QStringLiteral("GroupBox_Title"));
    g3->setGeometry(382, 138, 380, 52);
    Edit_021[0] = textEdit(g3, QStringLiteral("Edit_021_0"), {10, 22, 360, 22});
    Edit_021[0]->setText(kDefaultTitle);

    auto *g4 = named(new QGroupBox(QStringLiteral("納品書印字自社名など"), t),
                     QStringLiteral("GroupBox_Shop"));
    g4->setGeometry(4, 270, 372, 150);
    for (int i = 1; i <= 5; ++i)
        Edit_021[i] =
            textEdit(g4, QStringLiteral("Edit_021_%1").arg(i), {10, 22 + (i - 1) * 24, 352, 22});

    auto *g5 = named(new QGroupBox(QStringLiteral("納品書印字　注意事項など"), t),
                     QStringLiteral("GroupBox_Remark"));
    g5->setGeometry(382, 194, 380, 244);
    for (int i = 1; i <= 9; ++i) {
        Edit_Remark[i] = textEdit(g5, QStringLiteral("Edit_Remark%1").arg(i),
                                  {10, 20 + (i - 1) * 24, 360, 22}, 100);
        Edit_Remark[i]->setToolTip(QStringLiteral("最大9行　×　半角100文字まで"));
    }

    // Stored but never shown.
    for (int i = 1; i <= 6; ++i) {
        Edit_G[i] = textEdit(t, QStringLiteral("Edit_G%1").arg(i), {0, 0, 10, 10}, 60);
        Edit_G[i]->hide();
    }
    KiNumEdit_KOSUU = numEdit(t, QStringLiteral("KiNumEdit_KOSUU"), {0, 0, 10, 10});
    KiNumEdit_KOSUU->setText(QStringLiteral("1"));
    KiNumEdit_KOSUU->hide();

    buildTransferChoice(t);
}

void TForm_Main::buildThirdTab()
{
    Panel_TaxConf = named(new QFrame(TabSheet13), QStringLiteral("Panel_TaxConf"));
    Panel_TaxConf->setGeometry(20, 20, 320, 110);
    Panel_TaxConf->setFrameShape(QFrame::StyledPanel);
    plainLabel(Panel_TaxConf, QStringLiteral("旧税率"), {12, 10, 110, 24});
    KiNumEdit_TaxOld =
        numEdit(Panel_TaxConf, QStringLiteral("KiNumEdit_TaxOld"), {130, 10, 90, 24});
    plainLabel(Panel_TaxConf, QStringLiteral("新税率実施日"), {12, 42, 110, 24});
    DateTimePicker_TaxEnforDate =
        dateEdit(Panel_TaxConf, QStringLiteral("DateTimePicker_TaxEnforDate"), {130, 42, 130, 24});
    DateTimePicker_TaxEnforDate->setDate(QDate(1997, 4, 1));
    plainLabel(Panel_TaxConf, QStringLiteral("新税率"), {12, 74, 110, 24});
    KiNumEdit_TaxNew =
        numEdit(Panel_TaxConf, QStringLiteral("KiNumEdit_TaxNew"), {130, 74, 90, 24});
    for (TKiNumEdit *n : {KiNumEdit_TaxOld, KiNumEdit_TaxNew}) {
        n->setIntegerLength(4);
        n->setDecimalLength(1);
        n->setRightMark(QStringLiteral("%"));
        applyImeMode(n, TImeMode::imDisable);
    }
    KiNumEdit_TaxOld->setText(QStringLiteral("8"));
    KiNumEdit_TaxNew->setText(QStringLiteral("10"));
    DateTimePicker_TaxEnforDate->setDate(QDate(2019, 10, 1));

    // Beside the rates: the qualified invoice's registration number and the
    // reduced rate of the marked rows.
    Panel_Invoice = named(new QFrame(TabSheet13), QStringLiteral("Panel_Invoice"));
    Panel_Invoice->setGeometry(350, 20, 380, 110);
    Panel_Invoice->setFrameShape(QFrame::StyledPanel);
    plainLabel(Panel_Invoice, QStringLiteral("登録番号"), {12, 10, 90, 24});
    Edit_TaxRegNo =
        textEdit(Panel_Invoice, QStringLiteral("Edit_TaxRegNo"), {104, 10, 190, 24}, 14);
    Edit_TaxRegNo->setToolTip(help::TaxRegNo);
    Edit_TaxRegNo->setAccessibleName(QStringLiteral("登録番号"));
    applyImeMode(Edit_TaxRegNo, TImeMode::imDisable);
    plainLabel(Panel_Invoice, QStringLiteral("軽減税率"), {12, 42, 90, 24});
    KiNumEdit_TaxReduced =
        numEdit(Panel_Invoice, QStringLiteral("KiNumEdit_TaxReduced"), {104, 42, 90, 24});
    KiNumEdit_TaxReduced->setIntegerLength(4);
    KiNumEdit_TaxReduced->setDecimalLength(1);
    KiNumEdit_TaxReduced->setRightMark(QStringLiteral("%"));
    KiNumEdit_TaxReduced->setMinus(false);
    KiNumEdit_TaxReduced->setAccessibleName(QStringLiteral("軽減税率"));
    applyImeMode(KiNumEdit_TaxReduced, TImeMode::imDisable);
    KiNumEdit_TaxReduced->setText(QStringLiteral("8"));
    {
        auto *note = plainLabel(
            Panel_Invoice, QStringLiteral("明細の「軽減」を付けた行 (F8) に軽減税率をかけます"),
            {12, 74, 360, 24});
        QFont nf = note->font();
        nf.setPixelSize(12);
        note->setFont(nf);
    }

    // Below: the rate table's further rows, newest first; the two oldest
    // rows are the fields above (old rate, new rate from its date, and the
    // reduced rate).
    plainLabel(TabSheet13, QStringLiteral("税率表（実施日以降の改定・新しい順）"),
               {20, 140, 360, 24});
    TableWidget_TaxRates =
        named(new QTableWidget(0, 3, TabSheet13), QStringLiteral("TableWidget_TaxRates"));
    TableWidget_TaxRates->setGeometry(20, 166, 460, 150);
    TableWidget_TaxRates->setHorizontalHeaderLabels(
        {QStringLiteral("適用開始日"), QStringLiteral("標準税率 %"), QStringLiteral("軽減税率 %")});
    TableWidget_TaxRates->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    TableWidget_TaxRates->verticalHeader()->hide();
    TableWidget_TaxRates->setAccessibleName(QStringLiteral("税率表"));
    TableWidget_TaxRates->setToolTip(
        QStringLiteral("適用開始日 (2027/04/01) と税率 (0〜100) を入力します"));
    connect(TableWidget_TaxRates, &QTableWidget::cellChanged, this,
            [this](int row, int) { TableWidget_TaxRatesChanged(row); });
    Button_TaxRateAdd = named(new QPushButton(QStringLiteral("行を追加"), TabSheet13),
                              QStringLiteral("Button_TaxRateAdd"));
    Button_TaxRateAdd->setGeometry(490, 166, 100, 28);
    Button_TaxRateAdd->setAccessibleName(QStringLiteral("税率表の行を追加"));
    connect(Button_TaxRateAdd, &QPushButton::clicked, this, [this] { Button_TaxRateAddClick(); });
    Button_TaxRateDelete = named(new QPushButton(QStringLiteral("行を削除"), TabSheet13),
                                 QStringLiteral("Button_TaxRateDelete"));
    Button_TaxRateDelete->setGeometry(490, 200, 100, 28);
    Button_TaxRateDelete->setAccessibleName(QStringLiteral("税率表の行を削除"));
    connect(Button_TaxRateDelete, &QPushButton::clicked, this,
            [this] { Button_TaxRateDeleteClick(); });
}

void TForm_Main::buildHiddenControls()
{
    Label_CurrentDir = hiddenLabel(this, QStringLiteral("Label_CurrentDir"));
    Label_PrinterIndex =
        hiddenLabel(this, QStringLiteral("Label_PrinterIndex"), QStringLiteral("0"));
    Label_dpix = hiddenLabel(this, QStringLiteral("Label_dpix"));
    Label_dpiy = hiddenLabel(this, QStringLiteral("Label_dpiy"));
    Label_xTax = hiddenLabel(this, QStringLiteral("Label_xTax"));
    Label_d_i = hiddenLabel(this, QStringLiteral("Label_d_i"), QStringLiteral("Label_d_i"));
    Label_Font_1 = hiddenLabel(this, QStringLiteral("Label_Font_1"));
    Label_Font_1->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 10));
    Label_CutCut = hiddenLabel(this, QStringLiteral("Label_CutCut"));
    Label_0X = hiddenLabel(this, QStringLiteral("Label_0X"));
    ComboBox_FontSize = comboBox(
        this, QStringLiteral("ComboBox_FontSize"), {0, 0, 10, 10},
        {QStringLiteral("12"), QStringLiteral("11"), QStringLiteral("10"), QStringLiteral("9")});
    ComboBox_FontSize->hide();
    Memo2 = named(new QPlainTextEdit(this), QStringLiteral("Memo2"));
    Memo2->hide();
}
