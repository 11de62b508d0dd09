// Printing through the printer object to the built-in PDF printer, on a
// machine whose system spooler has no printers.
#include "spooler/DevMode.h"
#include "FakeSpooler.h"
#include "spooler/SpoolerWithPdf.h"
#include "printer/VoPrinters.h"
#include "spooler/FrameworkPrinter.h"

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

void PrintTo(const TSize &s, std::ostream *os)
{
    *os << "(" << s.cx << ", " << s.cy << ")";
}

namespace {

QString pdfField(const QString &file, const QString &name)
{
    QProcess p;
    p.start("pdfinfo", {file});
    p.waitForFinished(10000);
    const QRegularExpression re("^" + name + ":\\s*(.*)$", QRegularExpression::MultilineOption);
    return re.match(QString::fromLocal8Bit(p.readAllStandardOutput())).captured(1).trimmed();
}

class PdfPrinting : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    void SetUp() override
    {
        createVoPrinter(
            std::make_unique<SpoolerWithPdf>(std::make_unique<FakeSpooler>(), dir.path()),
            std::chrono::milliseconds(0));
    }
    void TearDown() override { destroyVoPrinter(); }

    void printNote(const QString &title, int copies)
    {
        VoPrinter->BeginDoc(title);
        for (int i = 0; i < copies; ++i) {
            if (i > 0)
                VoPrinter->Newpage();
            VoPrinter->Canvas()->drawText(QPoint(300, 300), QStringLiteral("納品書"));
        }
        VoPrinter->EndDoc();
    }
};

TEST_F(PdfPrinting, PrintsWithoutAnySystemPrinter)
{
    EXPECT_EQ(VoPrinter->PrinterNames(), QStringList({PdfSpooler::printerName()}));
    EXPECT_EQ(VoPrinter->Index(), 0);
    EXPECT_EQ(VoPrinter->DPI(), (TSize{600, 600}));
    EXPECT_EQ(VoPrinter->PaperSizeNames(),
              QStringList({"A5", "A4", "B5 (JIS)", "レター", "はがき"}));

    printNote("Kanro_Vey_1_0_-7", 2);
    const QString file = dir.path() + "/納品書PDF/Kanro_Vey_1_0_-7.pdf";
    EXPECT_EQ(pdfField(file, "Pages"), "2");
    EXPECT_EQ(pdfField(file, "Page size"), "420 x 595 pts (A5)");

    QFile first(file);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    const QByteArray before = first.readAll();
    first.close();
    VoPrinter->SetPaperSizeNumber(devmode::DMPAPER_A4);
    VoPrinter->ApplySettings();
    printNote("Kanro_Vey_1_0_-7", 1);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), before) << "the first file is untouched";
    const QString second = dir.path() + "/納品書PDF/Kanro_Vey_1_0_-7 (2).pdf";
    EXPECT_EQ(pdfField(second, "Pages"), "1");
    EXPECT_EQ(pdfField(second, "Page size"), "595 x 842 pts (A4)");
}

TEST_F(PdfPrinting, UnwritableFolderEndsInAnError)
{
    QFile blocker(dir.path() + "/納品書PDF");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    std::string message;
    try {
        VoPrinter->BeginDoc("t");
    } catch (const EVoPrinter &e) {
        message = e.what();
    }
    EXPECT_EQ(QString::fromStdString(message),
              "TVoPrinter.BeginDoc: Cannot start the print job (Cannot create the folder " +
                  dir.path() + "/納品書PDF)");
    EXPECT_FALSE(VoPrinter->Printing());
    EXPECT_EQ(VoPrinter->Framework().settingsLockCount(), 0);
}

TEST_F(PdfPrinting, WorkingDirectoryCanBeSetLater)
{
    QTemporaryDir other;
    VoPrinter->spooler().setWorkingDirectory(other.path());
    printNote("moved", 1);
    EXPECT_TRUE(QFile::exists(other.path() + "/納品書PDF/moved.pdf"));
    EXPECT_FALSE(QFile::exists(dir.path() + "/納品書PDF/moved.pdf"));
}

} // namespace
