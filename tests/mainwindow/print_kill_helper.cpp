// A stand-in operator for the kill test: the main window in <dir> on the
// built-in PDF printer prints one note after another (F11, "はい") until it
// is killed; each note takes the next slip number of the settings file.
//
//   print_kill_helper print <dir>   prints "ready", then prints forever
//   print_kill_helper start <dir>   starts the window once and ends
#include "FakeSpooler.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "mainwindow/NoteSettings.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "printer/VoPrinters.h"
#include "spooler/SpoolerWithPdf.h"

#include <QApplication>
#include <QLineEdit>
#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    QApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[2]);
    registerFontSubstitutions();
    Dialogs::setTestMode(true);
    createVoPrinter(std::make_unique<SpoolerWithPdf>(std::make_unique<FakeSpooler>(), dir),
                    std::chrono::milliseconds(0));
    {
        TForm_Main w(dir);
        w.show();
        QApplication::processEvents();
        if (std::strcmp(argv[1], "print") == 0) {
            std::printf("ready\n");
            std::fflush(stdout);
            for (;;) {
                w.Edit_Custo1->setText(QStringLiteral("山田太郎"));
                w.dITEM_Ary[1]->setText(QStringLiteral("りんご"));
                w.dQTY_Ary[1]->setText(QStringLiteral("2"));
                w.dPRICE_Ary[1]->setText(QStringLiteral("1500"));
                w.KiNumEdit_Slipno->setText(
                    QString::number(issueNextSlipNumber(settingsPath(dir))));
                Dialogs::pushAnswer(true);
                w.SpeedButton_F11Click();
            }
        }
    }
    destroyVoPrinter();
    return 0;
}
