#include "WindowFixture.h"

#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "printer/VoPrinters.h"
#include "spooler/SpoolerWithPdf.h"

#include <QApplication>
#include <QCheckBox>

void WindowFixture::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    // KANRO_KEEP_PDF=1 keeps the printed files for a look.
    dir.setAutoRemove(!qEnvironmentVariableIsSet("KANRO_KEEP_PDF"));
    registerFontSubstitutions();
    Dialogs::setTestMode(true);
    TForm_Main::todayProvider = [] { return QDate(2026, 12, 9); };
    setUpPrinters();
    if (startsWindow())
        startWindow();
}

void WindowFixture::TearDown()
{
    w.reset();
    destroyVoPrinter();
    Dialogs::resetForTest();
    TForm_Main::todayProvider = [] { return QDate::currentDate(); };
}

void WindowFixture::useFakeSpooler(std::vector<FakePrinter> printers, const QString &defaultPrinter,
                                   bool pdf)
{
    auto fake = std::make_unique<FakeSpooler>();
    fake->setPrinters(std::move(printers));
    if (!defaultPrinter.isEmpty())
        fake->setDefaultPrinter(defaultPrinter);
    spooler = fake.get();
    std::unique_ptr<Spooler> s = std::move(fake);
    if (pdf)
        s = std::make_unique<SpoolerWithPdf>(std::move(s), dir.path());
    createVoPrinter(std::move(s), std::chrono::milliseconds(0));
}

void WindowFixture::startWindow()
{
    w = std::make_unique<TForm_Main>(dir.path());
    w->show();
    QApplication::setActiveWindow(w.get());
    QApplication::processEvents();
}

void WindowFixture::fillNote()
{
    w->Edit_Custo1->setText(QStringLiteral("山田太郎"));
    w->KiNumEdit_Slipno->setText(QStringLiteral("123"));
    w->dITEMNO_Ary[1]->setText(QStringLiteral("A001"));
    w->dITEM_Ary[1]->setText(QStringLiteral("りんご"));
    w->dQTY_Ary[1]->setText(QStringLiteral("2"));
    w->dPRICE_Ary[1]->setText(QStringLiteral("1500"));
    w->dITEM_Ary[2]->setText(QStringLiteral("みかん"));
    w->dQTY_Ary[2]->setText(QStringLiteral("1"));
    w->dPRICE_Ary[2]->setText(QStringLiteral("980"));
    w->CheckBox_Recp->setChecked(true);
}
