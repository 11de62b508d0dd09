// Handlers of the transfer panel and the destination's change events.
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "platform/CommandGuard.h"
#include "platform/Dialogs.h"
#include "transfer/SupportLinks.h"
#include "transfer/Transfer.h"
#include "transfer/TransferPanel.h"
#include "transfer/WorkMemoWrapper.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTabWidget>

namespace {
void convertToHalfWidth(NoteLineEdit *field)
{
    // Writing the converted text raises one more change, which finds
    // nothing left to convert.
    if (const std::optional<QString> converted = zipTelConverted(field->text()))
        field->setText(*converted);
}
} // namespace

void TForm_Main::Edit_ZipChange()
{
    convertToHalfWidth(Edit_Zip);
}

void TForm_Main::Edit_telChange()
{
    convertToHalfWidth(Edit_tel);
}

void TForm_Main::BitBtn_1Click()
{
    runGuarded(this, [this] {
        static const LineWrapper wrap = workMemoWrapper();
        const TransferResult r = runTransferOnText(Memo1->toPlainText(), wrap);
        Memo2->setPlainText(memoTextOf(r.memoLines));
        Memo1->setPlainText(memoTextOf(r.memoLines));
        if (r.nothingToTransfer) {
            Dialogs::notify(this, TransferPanel::kNothingToTransfer);
        } else {
            Edit_Cls();
            Edit_Zip->setText(r.zip);
            Edit_Add1->setText(r.add1);
            Edit_Add2->setText(r.add2);
            Edit_Custo1->setText(r.custo1);
            Edit_tel->setText(r.tel);
            convertToHalfWidth(Edit_Zip);
            convertToHalfWidth(Edit_tel);
            Edit_Zip->setFocus(Qt::OtherFocusReason);
        }
        Edit_Warning();
    });
}

// Ctrl+Shift+V anywhere on the first tab: the clipboard's text replaces the
// memo's and is transferred at once, so a pasted order needs no mouse (the
// memo itself is no tab stop). Fields take no Ctrl+Shift keys of their own.
void TForm_Main::setUpPasteTransferKey()
{
    auto *key =
        new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), PageControl1->widget(0));
    key->setContext(Qt::WidgetWithChildrenShortcut);
    connect(key, &QShortcut::activated, this, [this] { pasteAndTransfer(); });
}

void TForm_Main::pasteAndTransfer()
{
    Memo1->setPlainText(QGuiApplication::clipboard()->text());
    BitBtn_1Click();
}

void TForm_Main::Memo1Change()
{
    QPalette p = Memo1->palette();
    p.setColor(QPalette::Base,
               TransferPanel::memoColor(Memo1->toPlainText(), palette().color(QPalette::Base)));
    Memo1->setPalette(p);
}

void TForm_Main::BitBtn_MemoCLSClick()
{
    Memo1->clear();
    Memo2->clear();
    Memo1Change();
}

void TForm_Main::BitBtn_SendMailClick()
{
    runGuarded(this, [] { SupportLinks::openSupportMail(); });
}

void TForm_Main::BitBtn_WebHelpClick()
{
    runGuarded(this, [] { SupportLinks::openProductWebPage(); });
}
