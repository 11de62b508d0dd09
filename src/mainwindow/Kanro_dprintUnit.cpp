#include "mainwindow/Kanro_dprintUnit.h"

#include "platform/ImeMode.h"
#include "mainwindow/ButtonPictures.h"
#include "mainwindow/HelpMessages.h"
#include "note/NoteArithmetic.h"
#include "mainwindow/NoteLineEdit.h"
#include "note/NoteRange.h"
#include "mainwindow/NoteSettings.h"
#include "note/RegistrationNumber.h"
#include "numedit/KiNumEdit.h"
#include "platform/CommandGuard.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/HalfWidth.h"
#include "platform/ImeMode.h"
#include "printer/VoPrinters.h"
#include "printing/LayoutRules.h"
#include "transfer/SupportLinks.h"
#include "transfer/TransferPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <memory>

std::function<QDate()> TForm_Main::todayProvider = [] { return QDate::currentDate(); };

namespace {

const QString kAppTitle = QStringLiteral("◇Kanro_VEY_1");
const QString kWindowCaption = QStringLiteral("Kanro　< A5 納品書 印刷　> ver1.12");
const QString kDefaultTitle = QStringLiteral("納品書　兼　請求書");
const QString kAddressWarning =
    QStringLiteral("警告:おところ①の文字数が多すぎます。　おところ②へ分割してください");
const QColor kRowCursorColour(0xA6, 0xCA, 0xF0); // clSkyBlue
// The row-number panel of a row at the reduced rate.
const QColor kReducedRowColour(0xFF, 0xD8, 0xA0);

// Captions and heights of the window (pixels).
constexpr int kTopStrip = 3;
constexpr int kHelpHeight = 30;
constexpr int kFncHeight = 28;
constexpr int kStatusHeight = 22;
constexpr int kRowHeight = 40;

const QStringList kImeItems = {
    QStringLiteral("0:漢字未使用"),     QStringLiteral("1:漢字変換を閉じる"),
    QStringLiteral("2:漢字変換を開く"), QStringLiteral("3:変更しない"),
    QStringLiteral("4:英数半角"),       QStringLiteral("5:英数全角"),
    QStringLiteral("6:かな全角"),       QStringLiteral("7:かな半角"),
    QStringLiteral("8:カナ全角"),
};

// Notices of the qualified invoice.
const QString kRegNoRefused =
    QStringLiteral("登録番号は T と13桁の数字で入力してください。入力前の番号に戻します");
const QString kRateRefused =
    QStringLiteral("税率は 0 から 100 までの数値で入力してください。入力前の税率に戻します");

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

void setCellColour(QWidget *w, const QColor &colour)
{
    if (auto *n = qobject_cast<TKiNumEdit *>(w)) {
        n->setColor(colour);
        return;
    }
    QPalette p = w->palette();
    p.setColor(QPalette::Base, colour);
    w->setPalette(p);
}

int trailingNumber(const QString &name)
{
    qsizetype i = name.size();
    while (i > 0 && name.at(i - 1).isDigit())
        --i;
    bool ok = false;
    const int n = name.mid(i).toInt(&ok);
    return ok ? n : 0;
}

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
}

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
            steps = std::clamp(static_cast<int>(std::ceil((full - full * room / wide) / step)), 1, 8);
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

    // Destination fields are created first: creation order is the tab order.
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

    // Note header.
    const int hy = 166;
    DateTimePicker_1 = dateEdit(t, QStringLiteral("DateTimePicker_1"), {458, hy, 132, 22});
    KiNumEdit_Slipno = numEdit(t, QStringLiteral("KiNumEdit_Slipno"), {690, hy, 70, 22});
    KiNumEdit_Slipno->setIntegerLength(10);
    KiNumEdit_Slipno->setDecimalLength(0);
    KiNumEdit_Slipno->setComma(false);
    KiNumEdit_Slipno->setMinus(false);
    applyImeMode(KiNumEdit_Slipno, TImeMode::imDisable);
    // The window consumes keys of its entry fields, so their refusals are
    // silent (the row cells below too).
    KiNumEdit_Slipno->setErrorBeep(false);

    // Column captions over the grid: 品名 1 over the first line of a row,
    // the rest over the second.
    const int cx = 2 + 2; // scroll box frame
    const int c1 = hy + 24, c2 = c1 + 18;
    captionPanel(t, QStringLiteral("No"), {cx, c1, 30, 36});
    captionPanel(t, QStringLiteral("品名 1"), {cx + 30, c1, 700, 18});
    captionPanel(t, QStringLiteral("品名 2"), {cx + 30, c2, 280, 18});
    captionPanel(t, QStringLiteral("数量"), {cx + 310, c2, 110, 18});
    captionPanel(t, QStringLiteral("単位"), {cx + 420, c2, 60, 18});
    captionPanel(t, QStringLiteral("単価"), {cx + 480, c2, 110, 18});
    captionPanel(t, QStringLiteral("金額"), {cx + 590, c2, 140, 18});

    // Detail grid: ten rows of 40 pixels, one row per scroll step.
    ScrollBox1 = named(new QScrollArea(t), QStringLiteral("ScrollBox1"));
    const int gy = c2 + 18;
    ScrollBox1->setGeometry(2, gy, 761, 6 * kRowHeight + 4);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ScrollBox1->verticalScrollBar()->setSingleStep(kRowHeight);
    // The grid box itself is no tab stop; it scrolls to the focused cell.
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    auto *grid = new QWidget;
    grid->setFixedSize(740, kRows * kRowHeight);
    QFont cellFont = font();
    cellFont.setPixelSize(13);
    for (int i = 1; i <= kRows; ++i) {
        const int ry = (i - 1) * kRowHeight;
        Panel_dv[i] = named(captionPanel(grid, QString::number(i), {0, ry, 30, kRowHeight}),
                            QStringLiteral("Panel_dv%1").arg(i));
        Edit_itemNo[i] =
            textEdit(grid, QStringLiteral("Edit_itemNo%1").arg(i), {30, ry, 646, 20}, 50);
        Edit_item[i] =
            textEdit(grid, QStringLiteral("Edit_item%1").arg(i), {30, ry + 20, 280, 20}, 50);
        Edit_item[i]->setToolTip(QStringLiteral("半角50文字まで入力できます"));
        KiNumEdit_QTY[i] =
            numEdit(grid, QStringLiteral("KiNumEdit_QTY%1").arg(i), {310, ry + 20, 110, 20});
        Edit_unit[i] =
            textEdit(grid, QStringLiteral("Edit_unit%1").arg(i), {420, ry + 20, 60, 20}, 6);
        Edit_unit[i]->setToolTip(QStringLiteral("半角6文字まで入力できます"));
        KiNumEdit_Price[i] =
            numEdit(grid, QStringLiteral("KiNumEdit_Price%1").arg(i), {480, ry + 20, 110, 20});
        KiNumEdit_Sales[i] =
            numEdit(grid, QStringLiteral("KiNumEdit_Sales%1").arg(i), {590, ry + 20, 140, 20});
        for (QWidget *w :
             {static_cast<QWidget *>(Edit_itemNo[i]), static_cast<QWidget *>(Edit_item[i]),
              static_cast<QWidget *>(KiNumEdit_QTY[i]), static_cast<QWidget *>(Edit_unit[i]),
              static_cast<QWidget *>(KiNumEdit_Price[i]),
              static_cast<QWidget *>(KiNumEdit_Sales[i])})
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
    ScrollBox1->setWidget(grid);

    // The header's check boxes come after the rows in the tab order, so that
    // Enter runs from the note date straight to the slip number.
    CheckBox_Date_1 =
        named(new QCheckBox(QStringLiteral("日付"), t), QStringLiteral("CheckBox_Date_1"));
    CheckBox_Date_1->setGeometry(400, hy, 56, 22);
    CheckBox2 = named(new QCheckBox(QStringLiteral("伝票番号"), t), QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(594, hy, 94, 22);
    for (QCheckBox *c : {CheckBox_Date_1, CheckBox2}) {
        c->setChecked(true);
        c->setToolTip(QStringLiteral("チェックをはずすと日付を印字しません"));
    }

    // Totals.
    const int ty = gy + 6 * kRowHeight + 6;
    KiNumEdit_sqty = numEdit(t, QStringLiteral("KiNumEdit_sqty"), {cx + 310, ty, 110, 22});
    captionPanel(t, QStringLiteral("合　計"), {cx + 480, ty, 110, 22});
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
    // "printer/paper/bin" text does not need.
    Label_TaxBreakdown = named(plainLabel(t, QString(), {cx, ty + 46, 326, 22}),
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

    // Transfer panel (created last so that it comes last in the tab order).
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
    Memo1->setToolTip(TransferPanel::kMemoHint);
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

// ---------------------------------------------------------------------------
// Event wiring

void TForm_Main::setKeyHandler(QWidget *w, KeyHandler h)
{
    w->setProperty("kanroKeyHandler", static_cast<int>(h));
    w->installEventFilter(this);
    // Composite controls (the date pickers) receive keys in an inner edit.
    for (QLineEdit *inner : w->findChildren<QLineEdit *>()) {
        inner->setProperty("kanroKeyHandler", static_cast<int>(h));
        inner->setProperty("kanroField", QVariant::fromValue(static_cast<QObject *>(w)));
        inner->installEventFilter(this);
    }
}

void TForm_Main::bindHandlers()
{

    // Key handlers of the fields (the window itself runs FormKeyDown too).
    setKeyHandler(Edit_Zip, KeyHandler::Zip);
    for (QWidget *w : {static_cast<QWidget *>(Edit_Custo1), static_cast<QWidget *>(Edit_Add1),
                       static_cast<QWidget *>(Edit_Add2), static_cast<QWidget *>(Edit_Add3),
                       static_cast<QWidget *>(DateTimePicker_1)})
        setKeyHandler(w, KeyHandler::Form);
    setKeyHandler(Edit_tel, KeyHandler::Tel);
    setKeyHandler(KiNumEdit_Slipno, KeyHandler::Slipno);
    for (int i = 1; i <= kRows; ++i) {
        setKeyHandler(Edit_itemNo[i], KeyHandler::ItemNo);
        setKeyHandler(Edit_item[i], KeyHandler::Item);
        setKeyHandler(KiNumEdit_QTY[i], KeyHandler::Form);
        setKeyHandler(Edit_unit[i], KeyHandler::Form);
        setKeyHandler(KiNumEdit_Sales[i], KeyHandler::Form);
        setKeyHandler(KiNumEdit_Price[i], KeyHandler::Form2);
    }
    for (NoteLineEdit *e : Edit_021)
        setKeyHandler(e, KeyHandler::Form);
    for (int i = 1; i <= 9; ++i)
        setKeyHandler(Edit_Remark[i], KeyHandler::RemarkUp);

    // Fields whose entry shows a help message or paints the row cursor.
    for (QWidget *w :
         {static_cast<QWidget *>(KiNumEdit_BUSUU), static_cast<QWidget *>(ComboBox_ime_Itemno),
          static_cast<QWidget *>(ComboBox_ime_Item), static_cast<QWidget *>(ComboBox_ime_Unit),
          static_cast<QWidget *>(ComboBox_Paper), static_cast<QWidget *>(Edit_TxDisp),
          static_cast<QWidget *>(Memo1), static_cast<QWidget *>(Edit_TaxRegNo),
          static_cast<QWidget *>(KiNumEdit_TaxOld), static_cast<QWidget *>(KiNumEdit_TaxNew),
          static_cast<QWidget *>(KiNumEdit_TaxReduced)})
        w->installEventFilter(this);
    // Keys a cell leaves alone (Down in a unit cell, Page Down) would scroll
    // the grid away from the focused cell; they do nothing.
    ScrollBox1->installEventFilter(this);

    // Buttons.
    connect(SpeedButton_F[2], &QToolButton::clicked, this, [this] { SpeedButton_F2Click(); });
    connect(SpeedButton_F[6], &QToolButton::clicked, this, [this] { SpeedButton_F6Click(); });
    connect(SpeedButton_F[10], &QToolButton::clicked, this, [this] { SpeedButton_F10Click(); });
    connect(SpeedButton_F[11], &QToolButton::clicked, this, [this] { SpeedButton_F11Click(); });
    setUpHistoryKey();
    connect(BitBtn_CLS, &QPushButton::clicked, this, [this] { BitBtn_CLSClick(); });
    connect(BitBtn_1, &QPushButton::clicked, this, [this] { BitBtn_1Click(); });
    connect(BitBtn_MemoCLS, &QPushButton::clicked, this, [this] { BitBtn_MemoCLSClick(); });
    connect(BitBtn_SendMail, &QPushButton::clicked, this, [this] { BitBtn_SendMailClick(); });
    connect(BitBtn_WebHelp, &QPushButton::clicked, this, [this] { BitBtn_WebHelpClick(); });
    connect(BitBtn_PrnSet, &QPushButton::clicked, this, [this] { BitBtn_PrnSetClick(); });
    connect(BitBtn_PrnSet2, &QPushButton::clicked, this, [this] { BitBtn_PrnSet2Click(); });

    // Changes.
    // A tab change applies the feed's printer registration, which can fail
    // (no printer, a damaged registration); the error report catches it.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (m_shown)
            runGuarded(this, [this] { PageControl1Change(); });
    });
    connect(Edit_Zip, &QLineEdit::textChanged, this, [this] { Edit_ZipChange(); });
    connect(Edit_tel, &QLineEdit::textChanged, this, [this] { Edit_telChange(); });
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { Memo1Change(); });
    connect(DateTimePicker_1, &QDateEdit::dateChanged, this, [this] { DateTimePicker_1Change(); });
    // Only an operator's choice stores the modes; program selections at
    // start-up do not (QComboBox::activated is the operator's signal).
    connect(ComboBox_ime_Itemno, &QComboBox::activated, this, [this] { ComboBox_ime_Change(); });
    connect(SpeedButton_F[8], &QToolButton::clicked, this, [this] { SpeedButton_F8Click(); });
    connect(Edit_TaxRegNo, &QLineEdit::textChanged, this, [this] { Edit_TaxRegNoChange(); });
    for (int i = 1; i <= kRows; ++i) {
        // A click (the operator's toggle) sets the mark like F8 does.
        connect(CheckBox_Reduced[i], &QCheckBox::clicked, this,
                [this, i](bool checked) { setReducedMark(i, checked); });
    }
    for (int i = 1; i <= kRows; ++i) {
        connect(KiNumEdit_QTY[i], &TKiNumEdit::OnChange, this,
                [this](TKiNumEdit *s) { KiNumEdit_QTYChange(s); });
        connect(KiNumEdit_Price[i], &TKiNumEdit::OnChange, this,
                [this](TKiNumEdit *s) { KiNumEdit_PriceChange(s); });
    }
}

bool TForm_Main::eventFilter(QObject *watched, QEvent *event)
{
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w)
        return QWidget::eventFilter(watched, event);
    if (w == ScrollBox1) {
        // Only the grid's scrolling keys stop here; others (Ctrl+Tab to the
        // next tab) travel on.
        if (event->type() == QEvent::KeyPress) {
            const auto *ke = static_cast<QKeyEvent *>(event);
            const bool scrolling = ke->key() == Qt::Key_Up || ke->key() == Qt::Key_Down ||
                                   ke->key() == Qt::Key_Left || ke->key() == Qt::Key_Right ||
                                   ke->key() == Qt::Key_PageUp || ke->key() == Qt::Key_PageDown;
            if (scrolling && !(ke->modifiers() & Qt::ControlModifier)) {
                event->accept();
                return true;
            }
        }
        return QWidget::eventFilter(watched, event);
    }
    QWidget *field = w;
    if (auto *owner = qobject_cast<QWidget *>(w->property("kanroField").value<QObject *>()))
        field = owner;

    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        // The window losing and regaining activation, or a popup menu,
        // neither enters nor leaves a field; the first activation enters
        // the field that start-up chose.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const bool passing =
            reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
        if (field == this)
            break;
        if (event->type() == QEvent::FocusIn) {
            if (passing && m_enteredField == field)
                break;
            // The focus was moved while the window was inactive (behind a
            // modal box): the field it left never saw its focus go, so it is
            // left now, before the new one is entered.
            if (m_enteredField && m_enteredField != field)
                fieldExited(m_enteredField);
            m_enteredField = field;
            fieldEntered(field);
        } else {
            if (passing)
                break;
            m_enteredField = nullptr;
            fieldExited(field);
        }
        break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto *ke = static_cast<QKeyEvent *>(event);
        // The paste memo keeps Enter and every other key for its text; only
        // the three function keys work there as in every field.
        if (w == Memo1) {
            if (event->type() == QEvent::KeyPress && functionKey(ke->key()))
                return true;
            break;
        }
        // Keys that reach the window from controls without a handler (list
        // boxes, check boxes, buttons) have no meaning.
        KeyHandler h = KeyHandler::None;
        if (const QVariant v = w->property("kanroKeyHandler"); v.isValid())
            h = static_cast<KeyHandler>(v.toInt());
        if (h == KeyHandler::None)
            break;
        const bool release = event->type() == QEvent::KeyRelease;
        const bool isEnter = ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
        if (h == KeyHandler::RemarkUp) {
            // The remark lines act on key release; pressing Enter there only
            // has its character swallowed. A release whose press went to
            // another field (Enter in the shop line above has just moved
            // the focus here) is not a key of this line.
            if (!release) {
                m_remarkPressField = field;
                m_remarkPressKey = ke->key();
                return isEnter;
            }
            if (ke->isAutoRepeat())
                return false;
            if (m_remarkPressField != field || m_remarkPressKey != ke->key())
                return false;
            m_remarkPressField = nullptr;
            return dispatchKey(field, KeyHandler::Form, ke->key());
        }
        if (release)
            break;
        if (ke->key() == Qt::Key_F8 && (h == KeyHandler::ItemNo || h == KeyHandler::Item ||
                                        h == KeyHandler::Form || h == KeyHandler::Form2)) {
            const int row = trailingNumber(field->objectName());
            const bool rowCell = row >= 1 && row <= kRows &&
                                 (field == Edit_itemNo[row] || field == Edit_item[row] ||
                                  field == KiNumEdit_QTY[row] || field == Edit_unit[row] ||
                                  field == KiNumEdit_Price[row] || field == KiNumEdit_Sales[row]);
            if (rowCell) {
                setReducedMark(row, !reducedMarked(row));
                return true;
            }
        }
        const bool handled = dispatchKey(field, h, ke->key());
        // Every field with a key handler also swallows the Enter character.
        return handled || isEnter;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool TForm_Main::dispatchKey(QWidget *w, KeyHandler h, int key)
{
    switch (h) {
    case KeyHandler::Form:
        return FormKeyDown(w, key);
    case KeyHandler::Form2:
        return FormKeyDown2(w, key);
    case KeyHandler::Zip:
        return Edit_ZipKeyDown(w, key);
    case KeyHandler::Tel:
        return Edit_telKeyDown(w, key);
    case KeyHandler::Slipno:
        return KiNumEdit_SlipnoKeyDown(w, key);
    case KeyHandler::ItemNo:
        return Edit_itemNoKeyDown(w, key);
    case KeyHandler::Item:
        return Edit_itemKeyDown(w, key);
    case KeyHandler::RemarkUp:
    case KeyHandler::None:
        break;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Keys

namespace {
bool isEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}
} // namespace

void TForm_Main::moveFocus(bool next)
{
    focusNextPrevChild(next);
}

void TForm_Main::focusCell(QWidget *w)
{
    if (w && w->isEnabled())
        w->setFocus(Qt::OtherFocusReason);
}

int TForm_Main::focusedRow() const
{
    bool ok = false;
    const int r = Label_d_i->text().toInt(&ok);
    return ok ? r : 0;
}

// The window's own key handler: it runs only while no control has the
// focus. Keys that a control leaves alone and that travel up to the window
// keep having no meaning.
void TForm_Main::keyPressEvent(QKeyEvent *event)
{
    QWidget *focus = QApplication::focusWidget();
    if (focus == nullptr || focus == this) {
        const int key = event->key();
        if (FormKeyDown(this, key) || isEnterKey(key)) {
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

// The function keys every dispatcher knows (F2, F7, F11 whatever the state of
// their buttons; F9 while its button is enabled).
bool TForm_Main::functionKey(int Key)
{
    switch (Key) {
    case Qt::Key_F2:
        SpeedButton_F2Click();
        return true;
    case Qt::Key_F7:
        SpeedButton_F7Click();
        return true;
    case Qt::Key_F10:
        SpeedButton_F10Click();
        return true;
    case Qt::Key_F11:
        SpeedButton_F11Click();
        return true;
    case Qt::Key_F9:
        if (SpeedButton_F[9]->isEnabled())
            SpeedButton_F9Click();
        return true;
    default:
        return false;
    }
}

bool TForm_Main::FormKeyDown(QWidget *, int Key)
{
    if (functionKey(Key))
        return true;
    switch (Key) {
    case Qt::Key_Up:
        moveFocus(false);
        return true;
    default:
        if (isEnterKey(Key)) {
            moveFocus(true);
            return true;
        }
        return false;
    }
}

bool TForm_Main::FormKeyDown2(QWidget *, int Key)
{
    if (functionKey(Key))
        return true;
    switch (Key) {
    case Qt::Key_Up:
        moveFocus(false);
        return true;
    default:
        if (isEnterKey(Key)) {
            // The last usable row's price ends the entry.
            if (focusedRow() != wSLPMAX)
                moveFocus(true);
            return true;
        }
        return false;
    }
}

bool TForm_Main::Edit_ZipKeyDown(QWidget *, int Key)
{
    if (functionKey(Key))
        return true;
    if (isEnterKey(Key)) {
        moveFocus(true);
        return true;
    }
    return false;
}

bool TForm_Main::Edit_telKeyDown(QWidget *, int Key)
{
    if (functionKey(Key))
        return true;
    switch (Key) {
    case Qt::Key_Up:
        moveFocus(false);
        return true;
    default:
        if (isEnterKey(Key)) {
            focusCell(DateTimePicker_1);
            return true;
        }
        return false;
    }
}

bool TForm_Main::KiNumEdit_SlipnoKeyDown(QWidget *, int Key)
{
    if (functionKey(Key))
        return true;
    switch (Key) {
    case Qt::Key_Up:
        moveFocus(false);
        return true;
    default:
        if (isEnterKey(Key)) {
            focusCell(Edit_itemNo[1]);
            return true;
        }
        return false;
    }
}

bool TForm_Main::Edit_itemNoKeyDown(QWidget *, int Key)
{
    const int r = focusedRow();
    if (functionKey(Key))
        return true;
    switch (Key) {
    case Qt::Key_Up:
        if (r == 1)
            focusCell(KiNumEdit_Slipno);
        else if (r > 1 && r <= kRows)
            focusCell(Edit_item[r - 1]);
        return true;
    case Qt::Key_Down:
        if (r >= 1 && r <= kRows)
            focusCell(Edit_item[r]);
        return true;
    default:
        if (isEnterKey(Key)) {
            moveFocus(true);
            return true;
        }
        return false;
    }
}

bool TForm_Main::Edit_itemKeyDown(QWidget *, int Key)
{
    const int r = focusedRow();
    if (functionKey(Key))
        return true;
    switch (Key) {
    case Qt::Key_Up:
        moveFocus(false);
        return true;
    case Qt::Key_Down:
        // Into a disabled row (landscape layout) the focus cannot go; the
        // key then does nothing.
        if (r >= 1 && r < kRows)
            focusCell(Edit_itemNo[r + 1]);
        return true;
    default:
        if (isEnterKey(Key)) {
            moveFocus(true);
            return true;
        }
        return false;
    }
}

// ---------------------------------------------------------------------------
// Focus: help messages, caret, recorded row, row cursor

void TForm_Main::fieldEntered(QWidget *w)
{
    auto show = [this](const QString &m) { Panel_HelpMess->setText(m); };
    if (w == Edit_Zip)
        show(help::Zip);
    else if (w == Edit_Add1) {
        Edit_Warning();
        show(help::Add1);
    } else if (w == Edit_Add2 || w == Edit_Add3) {
        Edit_Warning();
        show(help::Add23);
    } else if (w == Edit_Custo1)
        show(help::Custo);
    else if (w == Edit_tel)
        show(help::Tel);
    else if (w == DateTimePicker_1) {
        show(help::Date);
        paintCell(w, true);
    } else if (w == KiNumEdit_Slipno) {
        SpeedButton_slipnoClick();
        show(help::Slipno);
        paintCell(w, true);
    } else if (w == KiNumEdit_BUSUU)
        show(help::Busuu);
    else if (w == ComboBox_ime_Itemno || w == ComboBox_ime_Item || w == ComboBox_ime_Unit)
        show(help::Ime);
    else if (w == ComboBox_Paper)
        show(help::Paper);
    else if (w == Edit_TxDisp)
        show(help::TxDisp);
    else if (w == Edit_TaxRegNo) {
        m_acceptedRegNo = Edit_TaxRegNo->text();
        Edit_TaxRegNoChange(); // the help, or the check-digit warning
    } else if (w == KiNumEdit_TaxOld || w == KiNumEdit_TaxNew || w == KiNumEdit_TaxReduced)
        m_rateBeforeEntry = static_cast<TKiNumEdit *>(w)->Text();
    else if (w == Memo1)
        show(TransferPanel::kMemoHelp);
    else if (std::find(Edit_021.begin(), Edit_021.end(), w) != Edit_021.end())
        show(help::Printed);
    else if (std::find(Edit_Remark.begin() + 1, Edit_Remark.end(), w) != Edit_Remark.end())
        show(help::Remark);
    else {
        const QString name = w->objectName();
        const int row = trailingNumber(name);
        const QString *message = nullptr;
        if (row >= 1 && row <= kRows) {
            if (w == Edit_itemNo[row])
                message = &help::ItemNo;
            else if (w == Edit_item[row])
                message = &help::Item;
            else if (w == Edit_unit[row])
                message = &help::Unit;
            else if (w == KiNumEdit_QTY[row])
                message = &help::Qty;
            else if (w == KiNumEdit_Price[row])
                message = &help::Price;
        }
        if (!message)
            return;
        show(*message);
        Label_d_i->setText(QString::number(row));
        d_i = row;
        paintCell(w, true);
        ScrollBox1->ensureWidgetVisible(w, 0, 0);
    }
}

void TForm_Main::fieldExited(QWidget *w)
{
    if (w == DateTimePicker_1 || w == KiNumEdit_Slipno) {
        paintCell(w, false);
        return;
    }
    if (w == Edit_TaxRegNo) {
        Edit_TaxRegNoExit();
        return;
    }
    if (w == KiNumEdit_TaxOld || w == KiNumEdit_TaxNew || w == KiNumEdit_TaxReduced) {
        rateFieldExited(static_cast<TKiNumEdit *>(w));
        return;
    }
    // A row cell repaints the cell of its column in the recorded row,
    // which is the row being left.
    const int r = focusedRow();
    if (r < 1 || r > kRows)
        return;
    const int row = trailingNumber(w->objectName());
    if (row < 1 || row > kRows)
        return;
    if (w == Edit_itemNo[row])
        paintCell(Edit_itemNo[r], false);
    else if (w == Edit_item[row])
        paintCell(Edit_item[r], false);
    else if (w == Edit_unit[row])
        paintCell(Edit_unit[r], false);
    else if (w == KiNumEdit_QTY[row])
        paintCell(KiNumEdit_QTY[r], false);
    else if (w == KiNumEdit_Price[row])
        paintCell(KiNumEdit_Price[r], false);
}

void TForm_Main::paintCell(QWidget *w, bool cursor)
{
    setCellColour(w, cursor ? kRowCursorColour : QApplication::palette().color(QPalette::Base));
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

    // A registration that cannot be applied (a damaged printer index) is
    // reported, and start-up goes on: the stored rows must still come back,
    // or the next shutdown would overwrite them with empty ones.
    runGuarded(this, [this] { ComboBox_SELChange(); });
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

// ---------------------------------------------------------------------------
// The note

void TForm_Main::Ary_DAT_SET()
{
    // Names are matched without regard to case; the first control of a name
    // in the window's order wins. One walk over the window serves all sixty
    // look-ups (a walk per look-up was a noticeable part of start-up).
    QHash<QString, QWidget *> byName;
    for (QWidget *w : findChildren<QWidget *>()) {
        if (!w->objectName().isEmpty()) {
            const QString key = w->objectName().toCaseFolded();
            if (!byName.contains(key))
                byName.insert(key, w);
        }
    }
    auto find = [&byName](const QString &name) -> QWidget * {
        return byName.value(name.toCaseFolded(), nullptr);
    };
    for (int i = 1; i <= kRows; ++i) {
        const QString n = QString::number(i);
        dITEMNO_Ary[i] = qobject_cast<NoteLineEdit *>(find(QStringLiteral("Edit_ITEMNO") + n));
        dITEM_Ary[i] = qobject_cast<NoteLineEdit *>(find(QStringLiteral("Edit_ITEM") + n));
        dQTY_Ary[i] = qobject_cast<TKiNumEdit *>(find(QStringLiteral("KiNumEdit_QTY") + n));
        dUNIT_Ary[i] = qobject_cast<NoteLineEdit *>(find(QStringLiteral("Edit_Unit") + n));
        dPRICE_Ary[i] = qobject_cast<TKiNumEdit *>(find(QStringLiteral("KiNumEdit_price") + n));
        dSALES_Ary[i] = qobject_cast<TKiNumEdit *>(find(QStringLiteral("KiNumEdit_Sales") + n));

        const std::pair<QComboBox *, QWidget *> modes[] = {{ComboBox_ime_Itemno, dITEMNO_Ary[i]},
                                                           {ComboBox_ime_Item, dITEM_Ary[i]},
                                                           {ComboBox_ime_Unit, dUNIT_Ary[i]}};
        for (const auto &[selector, cell] : modes) {
            const int k = selector->currentIndex();
            if (cell && k >= 0 && k < kImeModeCount)
                applyImeMode(cell, static_cast<TImeMode>(k));
        }
    }
}

void TForm_Main::Ary_TabOrder()
{
    // 品名 1, 品名 2, 数量, 単位, 単価, 金額 per row, rows in order; the
    // amount takes no focus, so Tab runs on to the next row's 品名 1.
    QWidget *prev = KiNumEdit_Slipno;
    for (int i = 1; i <= kRows; ++i) {
        for (QWidget *w :
             {static_cast<QWidget *>(Edit_itemNo[i]), static_cast<QWidget *>(Edit_item[i]),
              static_cast<QWidget *>(KiNumEdit_QTY[i]), static_cast<QWidget *>(Edit_unit[i]),
              static_cast<QWidget *>(KiNumEdit_Price[i]),
              static_cast<QWidget *>(KiNumEdit_Sales[i])}) {
            setTabOrder(prev, w);
            prev = w;
        }
    }
}

void TForm_Main::denSLPMAX()
{
    for (int i = 1; i <= kRows; ++i) {
        const bool on = i <= wSLPMAX;
        for (QWidget *w :
             {static_cast<QWidget *>(Edit_itemNo[i]), static_cast<QWidget *>(Edit_item[i]),
              static_cast<QWidget *>(KiNumEdit_QTY[i]), static_cast<QWidget *>(Edit_unit[i]),
              static_cast<QWidget *>(KiNumEdit_Price[i]),
              static_cast<QWidget *>(KiNumEdit_Sales[i])})
            w->setEnabled(on);
        CheckBox_Reduced[i]->setEnabled(on);
    }
}

void TForm_Main::Edit_CLS2()
{
    ScrollBox1->verticalScrollBar()->setValue(0);
    for (TKiNumEdit *n : {KiNumEdit_sqty, KiNumEdit_ssal, KiNumEdit_stax, KiNumEdit_sttl})
        n->setText(QStringLiteral("0"));
    for (int i = 1; i <= kRows; ++i) {
        for (TKiNumEdit *n : {KiNumEdit_QTY[i], KiNumEdit_Price[i], KiNumEdit_Sales[i]}) {
            n->setDecimalLength(0);
            n->setDecimalFixed(false);
        }
    }
    for (int i = 1; i <= kRows; ++i) {
        Edit_itemNo[i]->clear();
        Edit_item[i]->clear();
        Edit_unit[i]->clear();
        for (TKiNumEdit *n : {KiNumEdit_QTY[i], KiNumEdit_Price[i], KiNumEdit_Sales[i]})
            n->setText(QStringLiteral("0"));
        CheckBox_Reduced[i]->setChecked(false);
        showReducedMark(i);
    }
    Label_TaxBreakdown->hide();
    showTaxCaption();
    update();
}

void TForm_Main::Edit_Cls()
{
    for (QLabel *l : {Label_Warning, Label_CutCut, Label_0X})
        l->clear();
    for (NoteLineEdit *e : {Edit_Zip, Edit_Add1, Edit_Add2, Edit_Add3, Edit_Custo1, Edit_tel})
        e->clear();
}

void TForm_Main::Edit_Warning()
{
    if (Edit_Add1->text().size() > 40)
        Label_Warning->setText(kAddressWarning);
    else
        Label_Warning->clear();
}

namespace {
DetailRows rowsOf(const TForm_Main &f)
{
    DetailRows rows;
    for (int i = 1; i <= TForm_Main::kRows; ++i)
        rows[i - 1] = {f.dQTY_Ary[i]->Text(), f.dPRICE_Ary[i]->Text(), f.dSALES_Ary[i]->Text()};
    return rows;
}

void storeRows(TForm_Main &f, const DetailRows &rows)
{
    for (int i = 1; i <= TForm_Main::kRows; ++i) {
        const RowCells &c = rows[i - 1];
        // Writing an unchanged text would still reformat the field.
        if (f.dQTY_Ary[i]->Text() != c.qty)
            f.dQTY_Ary[i]->setText(c.qty);
        if (f.dPRICE_Ary[i]->Text() != c.price)
            f.dPRICE_Ary[i]->setText(c.price);
        if (f.dSALES_Ary[i]->Text() != c.sales)
            f.dSALES_Ary[i]->setText(c.sales);
    }
}
} // namespace

void TForm_Main::DEN_SALS(int quantityEditedRow)
{
    DetailRows rows = rowsOf(*this);
    ::DEN_SALS(rows, quantityEditedRow);
    storeRows(*this, rows);
}

void TForm_Main::DEN_SALS_2()
{
    DetailRows rows = rowsOf(*this);
    ::DEN_SALS_2(rows, [this](int row) { Dialogs::notify(this, missingQuantityMessage(row)); });
    storeRows(*this, rows);
}

namespace {
ReducedMarks marksOf(const TForm_Main &f)
{
    ReducedMarks marks{};
    for (int i = 1; i <= TForm_Main::kRows; ++i)
        marks[static_cast<std::size_t>(i - 1)] = f.reducedMarked(i);
    return marks;
}
} // namespace

void TForm_Main::DEN_SUM()
{
    // Each rate's tax from its own sum; without a marked row the figures
    // are those of the single rate.
    const InvoiceTotals it =
        ::DEN_SUM(rowsOf(*this), marksOf(*this), Label_xTax->text(),
                  rateFractionText(KiNumEdit_TaxReduced->Text()), Edit_TxDisp->text());
    const NoteTotals &t = it.totals;
    KiNumEdit_sqty->setText(t.sqty);
    KiNumEdit_ssal->setText(t.ssal);
    KiNumEdit_stax->setText(t.stax);
    KiNumEdit_sttl->setText(t.sttl);

    if (it.reduced.inUse) {
        const auto part = [](const QString &fraction, const RateTotals &r) {
            return ratePercentText(fraction) + QStringLiteral("%対象 ") +
                   printing::amountText(r.subtotal) + QStringLiteral("（税 ") +
                   printing::amountText(r.tax) + QStringLiteral("）");
        };
        QStringList parts;
        if (it.standard.inUse)
            parts << part(Label_xTax->text(), it.standard);
        parts << part(rateFractionText(KiNumEdit_TaxReduced->Text()), it.reduced);
        Label_TaxBreakdown->setText(parts.join(QStringLiteral("　")));
        Label_TaxBreakdown->setToolTip(Label_TaxBreakdown->text());
        Label_TaxBreakdown->show();
    } else {
        Label_TaxBreakdown->hide();
    }
    showTaxCaption();
}

QString TForm_Main::rangeNoticeOfNote() const
{
    return outOfRangeNotice(rowsOf(*this), {KiNumEdit_sqty->Text(), KiNumEdit_ssal->Text(),
                                            KiNumEdit_stax->Text(), KiNumEdit_sttl->Text()});
}

void TForm_Main::TAX_RATE_CHK()
{
    const TaxRateChoice c =
        ::TAX_RATE_CHK(KiNumEdit_TaxOld->Text(), KiNumEdit_TaxNew->Text(),
                       DateTimePicker_TaxEnforDate->date(), DateTimePicker_1->date());
    Label_xTax->setText(c.xTax);
    m_standardCaption = c.staxCaption;
    showTaxCaption();
}

void TForm_Main::showTaxCaption()
{
    // Before the first rate choice the label keeps its design caption.
    if (m_standardCaption.isEmpty())
        return;
    // Until the rows are bound (start-up sets the note date first) no row
    // can be marked: the caption is the rate choice's.
    if (!dQTY_Ary[1]) {
        Label_stax->setText(m_standardCaption);
        return;
    }
    const InvoiceFigures f = invoiceFigures();
    const QString caption = taxLabelCaption(m_standardCaption, f.standardFraction,
                                            f.reducedFraction, f.standardInUse, f.reducedInUse);
    Label_stax->setText(caption);
    // Two rates make the caption longer than its panel: it is then set
    // smaller; otherwise the label takes the window's font as always.
    Label_stax->setFont(QFont());
    QFont small = Label_stax->font();
    if (QFontMetrics(small).horizontalAdvance(caption) > Label_stax->contentsRect().width() - 6) {
        small.setPixelSize(12);
        Label_stax->setFont(small);
    }
}

TForm_Main::InvoiceFigures TForm_Main::invoiceFigures() const
{
    InvoiceFigures f;
    f.standardFraction = Label_xTax->text();
    f.reducedFraction = rateFractionText(KiNumEdit_TaxReduced->Text());
    const InvoiceTotals it = ::DEN_SUM(rowsOf(*this), marksOf(*this), f.standardFraction,
                                       f.reducedFraction, Edit_TxDisp->text());
    f.standardInUse = it.standard.inUse;
    f.reducedInUse = it.reduced.inUse;
    f.standardSubtotal = it.standard.subtotal;
    f.standardTax = it.standard.tax;
    f.reducedSubtotal = it.reduced.subtotal;
    f.reducedTax = it.reduced.tax;
    return f;
}

bool TForm_Main::reducedMarked(int row) const
{
    return row >= 1 && row <= kRows && CheckBox_Reduced[row]->isChecked();
}

void TForm_Main::showReducedMark(int row)
{
    // A marked row shows "※" under its number on an orange panel.
    const bool marked = reducedMarked(row);
    Panel_dv[row]->setText(marked ? QStringLiteral("%1\n※").arg(row) : QString::number(row));
    QPalette p = Panel_dv[row]->palette();
    p.setColor(QPalette::Window,
               marked ? kReducedRowColour : QApplication::palette().color(QPalette::Window));
    Panel_dv[row]->setPalette(p);
}

void TForm_Main::setReducedMark(int row, bool marked)
{
    if (row < 1 || row > kRows)
        return;
    CheckBox_Reduced[row]->setChecked(marked);
    showReducedMark(row);
    // The split between the rates changes the tax: the totals follow at
    // once (the amounts stay as they stand).
    DEN_SUM();
}

void TForm_Main::SpeedButton_F8Click()
{
    const int row = focusedRow();
    if (row >= 1 && row <= kRows && CheckBox_Reduced[row]->isEnabled())
        setReducedMark(row, !reducedMarked(row));
}

void TForm_Main::Edit_TaxRegNoChange()
{
    // Full-width entry becomes half width at once (writing the converted
    // text raises one more change, which finds nothing left to convert).
    const QString text = Edit_TaxRegNo->text();
    const QString half = toHalfWidth(text);
    if (half != text) {
        Edit_TaxRegNo->setText(half);
        return;
    }
    if (!Edit_TaxRegNo->hasFocus())
        return;
    Panel_HelpMess->setText(checkRegistrationNumber(half.trimmed()) ==
                                    RegistrationCheck::CheckDigitOff
                                ? help::TaxRegNoCheckDigit
                                : help::TaxRegNo);
}

void TForm_Main::Edit_TaxRegNoExit()
{
    const QString text = normalizedRegistrationNumber(Edit_TaxRegNo->text());
    switch (checkRegistrationNumber(text)) {
    case RegistrationCheck::Malformed:
        // A hand-edited number passed through unchanged stays as it is (F11
        // says why it is not printed); a new entry is refused.
        if (Edit_TaxRegNo->text() == m_acceptedRegNo)
            return;
        Edit_TaxRegNo->setText(m_acceptedRegNo);
        Dialogs::notify(this, kRegNoRefused);
        return;
    case RegistrationCheck::CheckDigitOff:
        Panel_HelpMess->setText(help::TaxRegNoCheckDigit);
        break;
    case RegistrationCheck::Empty:
    case RegistrationCheck::Valid:
        break;
    }
    if (Edit_TaxRegNo->text() != text)
        Edit_TaxRegNo->setText(text);
    m_acceptedRegNo = text;
}

void TForm_Main::rateFieldExited(TKiNumEdit *field)
{
    // A rate is a percentage: 0 to 100. Anything else is refused and the
    // text of the moment the field was entered comes back.
    const QString text = field->Text();
    const FixedDecimal v = FixedDecimal::parseAmount(text);
    const bool ok = v.raw() >= 0 && v.raw() <= 100 * FixedDecimal::kScale;
    if (ok)
        return;
    field->setText(m_rateBeforeEntry);
    Dialogs::notify(this, kRateRefused);
}

void TForm_Main::KiNumEdit_QTYChange(TKiNumEdit *Sender)
{
    // The row of the edited quantity keeps its price while the quantity
    // passes through 0.
    int row = 0;
    for (int i = 1; i <= kRows; ++i) {
        if (dQTY_Ary[i] == Sender)
            row = i;
    }
    DEN_SALS(row);
    DEN_SUM();
}

void TForm_Main::KiNumEdit_PriceChange(TKiNumEdit *)
{
    DEN_SALS();
    DEN_SUM();
}

void TForm_Main::SpeedButton1Click()
{
    DEN_SALS();
    DEN_SUM();
}

void TForm_Main::DateTimePicker_1Change()
{
    TAX_RATE_CHK();
}

void TForm_Main::SpeedButton_slipnoClick()
{
    if (!KiNumEdit_Slipno->Text().isEmpty())
        return;
    runGuarded(this, [this] {
        KiNumEdit_Slipno->setText(QString::number(issueNextSlipNumber(settingsFilePath())));
    });
}

void TForm_Main::BitBtn_CLSClick()
{
    if (Dialogs::askYesNo(this, QStringLiteral("お届け先をクリアますか?")))
        Edit_Cls();
}
