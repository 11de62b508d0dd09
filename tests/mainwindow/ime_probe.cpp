// Types into the main window's fields through the desktop's real input
// method and reports, field by field, what arrived. Run by
// tools/ime-check.sh inside a private X server and session bus with fcitx5
// and mozc (the input method switched on once, its state shared by every
// field); the keys come from xdotool, as from a keyboard.
//
// One line per field:
//   <field> | im=<fcitx5-remote state> | before Enter "<text>" | after "<text>" | PASS/FAIL
// A field marked input-method disabled passes when the typed digits are in
// it, half width, before any Enter (nothing waited in a composition). The
// name field passes when a conversion committed with Enter left the focus
// in it. Exit code: the number of failed fields.
#include "mainwindow/HistoryDialog.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "printer/VoPrinters.h"
#include "printing/VODE97ZPrnUnit.h"
#include "spooler/PdfSpooler.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs a tool while the window keeps answering (the keys it sends come
// back to this process through the X server and the input method).
QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    while (p.state() != QProcess::NotRunning)
        settle(20);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString imState()
{
    // 0 no focused input context, 1 inactive (direct keys), 2 active.
    return run(QStringLiteral("fcitx5-remote"), {});
}

void keys(const QStringList &args)
{
    run(QStringLiteral("xdotool"), args);
    settle(400);
}

QString textOf(QWidget *w)
{
    if (auto *n = qobject_cast<TKiNumEdit *>(w))
        return n->Text();
    if (auto *d = qobject_cast<QDateEdit *>(w))
        return d->text();
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->text();
    return {};
}

struct Field
{
    QString name;
    QWidget *widget;
    QString typed;
    std::function<void()> before; // brings the field up (tab, dialog)
    QString expectedAfterEnter;   // empty: the typed text anywhere in it
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    Dialogs::setTestMode(true); // no box waits for an operator
    createVoPrinter(std::make_unique<PdfSpooler>(dir.path()));
    registerFontSubstitutions();
    int failed = 0;
    {
        TForm_Main w(dir.path());
        Form_VODE97ZPrn = new TForm_VODE97ZPrn(&w);
        HistoryDialog history(w);
        w.show();
        w.activateWindow();
        settle(1500);

        // The name field: the input method switched on, a conversion
        // committed with Enter; the focus stays.
        w.PageControl1->setCurrentIndex(0);
        w.Edit_Custo1->setFocus();
        settle(300);
        run(QStringLiteral("fcitx5-remote"), {QStringLiteral("-o")});
        settle(300);
        const QString stateOn = imState();
        keys({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("80"),
              QStringLiteral("kanro")});
        keys({QStringLiteral("key"), QStringLiteral("space")});
        keys({QStringLiteral("key"), QStringLiteral("Return")});
        const bool kept = QApplication::focusWidget() == w.Edit_Custo1;
        const QString name = w.Edit_Custo1->text();
        const bool nameOk = kept && !name.isEmpty() && name != QStringLiteral("kanro");
        failed += nameOk ? 0 : 1;
        std::printf("%-28s | im=%s | committed \"%s\" | focus %s | %s\n", "おなまえ (conversion)",
                    qPrintable(stateOn), qPrintable(name), kept ? "kept" : "moved",
                    nameOk ? "PASS" : "FAIL");

        auto tab = [&w](int i) { return [&w, i] { w.PageControl1->setCurrentIndex(i); }; };
        auto showDialog = [](QWidget *d) {
            return [d] {
                d->show();
                d->activateWindow();
                settle(500);
            };
        };
        // A field with the input method on, for comparison: the digits wait
        // in a composition (not in the text) until Enter commits them.
        {
            w.Edit_Add1->clear();
            w.Edit_Add1->setFocus();
            settle(300);
            keys({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("80"),
                  QStringLiteral("15")});
            const QString before = w.Edit_Add1->text();
            keys({QStringLiteral("key"), QStringLiteral("Return")});
            const QString after = w.Edit_Add1->text();
            const bool composed = before.isEmpty() && !after.isEmpty();
            failed += composed ? 0 : 1;
            std::printf("%-28s | im=%s | before Enter \"%s\" | after \"%s\" | %s\n",
                        "おところ① (on, comparison)", qPrintable(imState()), qPrintable(before),
                        qPrintable(after), composed ? "PASS (composed)" : "FAIL");
        }
        const Field fields[] = {
            {QStringLiteral("郵便番号"), w.Edit_Zip, QStringLiteral("1234"), tab(0), {}},
            {QStringLiteral("でんわ"), w.Edit_tel, QStringLiteral("0312"), tab(0), {}},
            {QStringLiteral("数量 (1行目)"), w.KiNumEdit_QTY[1], QStringLiteral("15"), tab(0), {}},
            {QStringLiteral("日付 (day part)"), w.DateTimePicker_1, QStringLiteral("15"), tab(0),
             QStringLiteral("/15")},
            {QStringLiteral("印刷部数"), w.KiNumEdit_BUSUU, QStringLiteral("3"), tab(1), {}},
            {QStringLiteral("消費税の端数"), w.Edit_TxDisp, QStringLiteral("2"), tab(1), {}},
            {QStringLiteral("登録番号"), w.Edit_TaxRegNo, QStringLiteral("1234"), tab(2), {}},
            {QStringLiteral("新税率"), w.KiNumEdit_TaxNew, QStringLiteral("12"), tab(2), {}},
            {QStringLiteral("TOPﾏｰｼﾞﾝ"),
             Form_VODE97ZPrn->KiNumEdit_TOP,
             QStringLiteral("53"),
             showDialog(Form_VODE97ZPrn),
             {}},
            {QStringLiteral("LEFTﾏｰｼﾞﾝ"),
             Form_VODE97ZPrn->KiNumEdit_LEFT,
             QStringLiteral("3"),
             showDialog(Form_VODE97ZPrn),
             {}},
            {QStringLiteral("履歴 日付"),
             history.Edit_DateFrom,
             QStringLiteral("2026"),
             showDialog(&history),
             {}},
            {QStringLiteral("履歴 合計金額"),
             history.Edit_TotalMin,
             QStringLiteral("500"),
             showDialog(&history),
             {}},
            {QStringLiteral("履歴 伝票番号"),
             history.Edit_SlipNo,
             QStringLiteral("12"),
             showDialog(&history),
             {}},
        };
        for (const Field &f : fields) {
            f.before();
            if (auto *e = qobject_cast<QLineEdit *>(f.widget))
                e->clear();
            if (auto *n = qobject_cast<TKiNumEdit *>(f.widget))
                n->setText(QString());
            f.widget->setFocus();
            settle(300);
            if (auto *d = qobject_cast<QDateEdit *>(f.widget))
                d->setSelectedSection(QDateTimeEdit::DaySection); // typing replaces the day
            const QString state = imState();
            QWidget *focus = QApplication::focusWidget();
            const QString focusName = focus
                                          ? QString::fromLatin1(focus->metaObject()->className()) +
                                                QLatin1Char(' ') + focus->objectName()
                                          : QStringLiteral("none");
            keys(
                {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("80"), f.typed});
            const QString before = textOf(f.widget);
            keys({QStringLiteral("key"), QStringLiteral("Return")});
            const QString after = textOf(f.widget);
            const bool ok = f.expectedAfterEnter.isEmpty() ? before.contains(f.typed)
                                                           : after.contains(f.expectedAfterEnter);
            failed += ok ? 0 : 1;
            std::printf("%-28s | im=%s | focus %s | before Enter \"%s\" | after \"%s\" | %s\n",
                        qPrintable(f.name), qPrintable(state), qPrintable(focusName),
                        qPrintable(before), qPrintable(after), ok ? "PASS" : "FAIL");
            std::fflush(stdout);
        }
        Form_VODE97ZPrn->hide();
        history.hide();
        Form_VODE97ZPrn = nullptr; // freed with the window
    }
    destroyVoPrinter();
    return failed;
}
