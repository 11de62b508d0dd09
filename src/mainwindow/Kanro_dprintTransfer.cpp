// Handlers of the transfer panel and the destination's change events.
#include "mainwindow/Kanro_dprintUnit.h"

#include <QPlainTextEdit>

void TForm_Main::Edit_ZipChange() {}

void TForm_Main::Edit_telChange() {}

void TForm_Main::BitBtn_1Click() {}

// The memo is white while it holds text and silver while it is empty.
void TForm_Main::Memo1Change()
{
    QPalette p = Memo1->palette();
    p.setColor(QPalette::Base, Memo1->toPlainText().isEmpty() ? QColor(0xC0, 0xC0, 0xC0)
                                                              : palette().color(QPalette::Base));
    Memo1->setPalette(p);
}

void TForm_Main::BitBtn_MemoCLSClick()
{
    Memo1->clear();
    Memo2->clear();
    Memo1Change();
}

void TForm_Main::BitBtn_SendMailClick() {}

void TForm_Main::BitBtn_WebHelpClick() {}
