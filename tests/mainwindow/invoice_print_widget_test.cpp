// The qualified invoice through the print command: a prepared settings file
// printed on the built-in PDF printer and read back with pdftotext, and the
// same file without the invoice keys drawn item for item as before.
#include "WindowFixture.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "printer/VoPrinters.h"
#include "printing/RecordingCanvas.h"
#include "printing/Vo_A51_DotUnit.h"
#include "printing/Vo_A52_DotUnit.h"
#include "printing/Vo_A53_DotUnit.h"
#include "spooler/SpoolerWithPdf.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace printing;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The page's text with every run of blanks as one blank.
QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
    return QString::fromUtf8(p.readAllStandardOutput()).replace(blanks, QStringLiteral(" "));
}

// The prepared file without the lines of the invoice keys: an older file.
QByteArray withoutInvoiceKeys(const QByteArray &file)
{
    QByteArray out;
    static const QRegularExpression key(QStringLiteral("^(TaxRegNo|TaxReduced|Reduced\\d+)="));
    for (const QByteArray &line : file.split('\n')) {
        if (!key.match(QString::fromLatin1(line)).hasMatch())
            out += line + '\n';
    }
    out.chop(1);
    return out;
}

class InvoicePrint : public WindowFixture
{
protected:
    // The PDF printer alone; each test writes its settings, then starts.
    void setUpPrinters() override { useFakeSpooler({}, {}, true); }
    bool startsWindow() const override { return false; }

    void start(const QByteArray &settings)
    {
        QFile f(dir.filePath(QStringLiteral("Kanro_Vey_1.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(settings);
        f.close();
        startWindow();
    }

    // The one PDF of a layout (the job title names the layout: 0, 1, 2).
    QString pdfOf(int layout) const
    {
        const QDir out(dir.filePath(QStringLiteral("納品書PDF")));
        const QStringList files =
            out.entryList({QStringLiteral("Kanro_Vey_1_%1_*.pdf").arg(layout)}, QDir::Files);
        return files.size() == 1 ? out.filePath(files.first()) : QString();
    }

    const QByteArray prepared =
        readBytes(QStringLiteral(KANRO_TEST_DATA "/invoice_prepared_cp932.ini"));
};

TEST_F(InvoicePrint, PreparedFilePrintsTheQualifiedInvoice)
{
    ASSERT_FALSE(prepared.isEmpty());
    for (int layout = 0; layout < 3; ++layout) {
        SCOPED_TRACE(layout);
        Dialogs::resetForTest();
        Dialogs::setTestMode(true);
        start(prepared);
        w->ComboBox_Paper->setCurrentIndex(layout);
        VoPrinter->SetOrientation(layout == 2 ? voOrLandScape : voOrPortrait);
        VoPrinter->ApplySettings();
        w->KiNumEdit_Slipno->setText(QStringLiteral("77"));
        Dialogs::pushAnswer(true);
        w->SpeedButton_F11Click();
        EXPECT_EQ(Dialogs::shownTexts(), QStringList{QStringLiteral("印刷しますか?")});
        EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("626")) << "540 + 86";
        const QString pdf = pdfOf(layout);
        ASSERT_FALSE(pdf.isEmpty());
        const QString text = pdfText(pdf);
        for (const char *expected : {"登録番号 T1234567890123", "※緑茶", "※牛乳", "※は軽減税率対象",
                                     "10%対象 ¥5,400 消費税 ¥540", "8%対象 ¥1,080 消費税 ¥86"}) {
            EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                    << text.toStdString();
        }
        EXPECT_FALSE(text.contains(QStringLiteral("※ボールペン")));
        w.reset();
    }
}

TEST_F(InvoicePrint, SameFileWithoutTheInvoiceKeysDrawsItemForItemAsBefore)
{
    start(withoutInvoiceKeys(prepared));
    w->KiNumEdit_Slipno->setText(QStringLiteral("77"));
    w->Label_dpix->setText(QStringLiteral("600"));
    w->Label_dpiy->setText(QStringLiteral("600"));
    w->DEN_SALS_2();
    w->DEN_SUM();
    EXPECT_EQ(w->KiNumEdit_stax->Text(), QStringLiteral("648")) << "6,480 at 10 %";
    const PrintNote now = w->printNote();
    EXPECT_TRUE(now.registrationNo.isEmpty());
    // What the window handed the layouts before the invoice: every field but
    // the new ones.
    PrintNote before = now;
    before.registrationNo.clear();
    before.standardRate = {};
    before.reducedRate = {};
    for (PrintRow &row : before.rows)
        row.reduced = false;
    const auto draw = [](int layout, const PrintNote &n) {
        RecordingCanvas c;
        const FixedNoteSource source(n);
        if (layout == 0)
            TVo_A51_Dot().SLIP_A51_Prn(source, c);
        else if (layout == 1)
            TVo_A52_Dot().SLIP_A52_Prn(source, c);
        else
            TVo_A53_Dot().SLIP_A53_Prn(source, c);
        return c;
    };
    for (int layout = 0; layout < 3; ++layout) {
        SCOPED_TRACE(layout);
        const RecordingCanvas a = draw(layout, before);
        const RecordingCanvas b = draw(layout, now);
        ASSERT_EQ(a.ops().size(), b.ops().size());
        for (qsizetype k = 0; k < a.ops().size(); ++k) {
            const CanvasOp &x = a.ops()[k];
            const CanvasOp &y = b.ops()[k];
            EXPECT_EQ(x.kind, y.kind) << k;
            EXPECT_EQ(x.at, y.at) << k;
            EXPECT_EQ(x.to, y.to) << k;
            EXPECT_EQ(x.text, y.text) << k;
            EXPECT_EQ(x.font, y.font) << k;
            EXPECT_EQ(x.advances, y.advances) << k;
            EXPECT_EQ(x.options, y.options) << k;
        }
        for (const CanvasOp &op : b.texts()) {
            EXPECT_FALSE(op.text.contains(QStringLiteral("※"))) << op.text.toStdString();
            EXPECT_FALSE(op.text.contains(QStringLiteral("登録番号")));
            EXPECT_FALSE(op.text.contains(QStringLiteral("対象")));
        }
    }
}

TEST_F(InvoicePrint, HandEditedNumberIsShownButLeftOffThePageWithANotice)
{
    QByteArray file = prepared;
    file.replace("TaxRegNo=T1234567890123", "TaxRegNo=T12-34");
    start(file);
    EXPECT_EQ(w->Edit_TaxRegNo->text(), QStringLiteral("T12-34"));
    // Passing through the field without changing it asks nothing.
    w->PageControl1->setCurrentIndex(2);
    w->Edit_TaxRegNo->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    w->KiNumEdit_TaxReduced->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(Dialogs::shownTexts().isEmpty());
    EXPECT_EQ(w->Edit_TaxRegNo->text(), QStringLiteral("T12-34"));
    w->PageControl1->setCurrentIndex(0);
    w->KiNumEdit_Slipno->setText(QStringLiteral("78"));
    Dialogs::pushAnswer(true);
    w->SpeedButton_F11Click();
    ASSERT_EQ(Dialogs::shownTexts().size(), 2);
    EXPECT_TRUE(Dialogs::shownTexts()[0].startsWith(QStringLiteral("登録番号が T と13桁")));
    EXPECT_EQ(Dialogs::shownTexts()[1], QStringLiteral("印刷しますか?"));
    const QString text = pdfText(pdfOf(0));
    EXPECT_FALSE(text.contains(QStringLiteral("登録番号"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("※緑茶")));
}

} // namespace
