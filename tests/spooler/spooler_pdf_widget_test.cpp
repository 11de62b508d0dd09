// The built-in PDF printer's files: pages, page size, origin of the
// drawing, names that never overwrite, and an unusable folder.
#include "spooler/DevMode.h"
#include "spooler/PdfSpooler.h"

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace devmode;

void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

QString field(const QString &info, const QString &name)
{
    const QRegularExpression re("^" + name + ":\\s*(.*)$", QRegularExpression::MultilineOption);
    return re.match(info).captured(1).trimmed();
}

// xMin and yMax (baseline side) of the first word in the PDF, in points.
QPointF firstWordAt(const QString &pdf)
{
    const QString html = run("pdftotext", {"-bbox", pdf, "-"});
    const QRegularExpression re(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\"");
    const auto m = re.match(html);
    return m.hasMatch() ? QPointF(m.captured(1).toDouble(), m.captured(3).toDouble())
                        : QPointF(-1, -1);
}

class PdfFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    PdfSpooler pdf{dir.path()};
    QString name = PdfSpooler::printerName();

    QByteArray block(int paper, bool landscape)
    {
        QByteArray b = pdf.defaultSettings(name);
        fields(b)->dmPaperSize = std::int16_t(paper);
        fields(b)->dmOrientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
        return b;
    }

    void print(const QString &title, const QByteArray &settings, int pages,
               const QString &text = "Kanro")
    {
        auto job = pdf.startJob(name, "PDF:", settings, title);
        for (int i = 0; i < pages; ++i) {
            if (i > 0)
                job->newPage();
            job->painter()->setFont(QFont("DejaVu Sans", 10));
            job->painter()->drawText(QPoint(600, 600), text);
        }
        job->finish();
    }
};

TEST_F(PdfFiles, PagesAndSizes)
{
    struct Row
    {
        const char *title;
        int paper;
        bool landscape;
        int pages;
        const char *size; // whole points, as the PDF writer rounds them
    };
    const Row rows[] = {
        {"a5", DMPAPER_A5, false, 2, "420 x 595 pts (A5)"},
        {"a4 landscape", DMPAPER_A4, true, 1, "842 x 595 pts (A4)"},
        {"hagaki", DMPAPER_JAPANESE_POSTCARD, false, 3, "284 x 419 pts"},
    };
    for (const Row &row : rows) {
        print(row.title, block(row.paper, row.landscape), row.pages);
        const QString file = dir.path() + "/納品書PDF/" + row.title + ".pdf";
        const QString info = run("pdfinfo", {file});
        EXPECT_EQ(field(info, "Pages"), QString::number(row.pages)) << row.title;
        EXPECT_EQ(field(info, "Page size"), row.size) << row.title;
        EXPECT_EQ(field(info, "Title"), row.title) << row.title;
    }
}

TEST_F(PdfFiles, DrawingOriginIsThePrintableAreasCorner)
{
    print("origin", block(DMPAPER_A5, false), 1);
    const QPointF at = firstWordAt(dir.path() + "/納品書PDF/origin.pdf");
    EXPECT_NEAR(at.x(), 72.0, 1.0) << "600 pixels at 600 dpi is one inch";
    EXPECT_NEAR(at.y(), 72.0, 4.0) << "baseline one inch down (descent below it)";

    // With margins the origin moves in by them: 10 mm = 28.35 pt.
    PageGeometry g{148, 210, 10, 10, 0, 0, 300, 300, false, 1};
    PdfPages pages(g, "margins");
    pages.painter()->setFont(QFont("DejaVu Sans", 10));
    pages.painter()->drawText(QPoint(300, 300), "Kanro");
    QFile out(dir.path() + "/margins.pdf");
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(pages.finish());
    out.close();
    EXPECT_NEAR(firstWordAt(out.fileName()).x(), 72.0 + 28.35, 1.0);
}

TEST_F(PdfFiles, SameTitleNeverOverwrites)
{
    print("Kanro_Vey_1_0_-123", block(DMPAPER_A5, false), 1, "first");
    const QString first = dir.path() + "/納品書PDF/Kanro_Vey_1_0_-123.pdf";
    QFile f(first);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    print("Kanro_Vey_1_0_-123", block(DMPAPER_A5, false), 2, "second");
    print("Kanro_Vey_1_0_-123", block(DMPAPER_A5, false), 1, "third");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(
        field(run("pdfinfo", {dir.path() + "/納品書PDF/Kanro_Vey_1_0_-123 (2).pdf"}), "Pages"),
        "2");
    EXPECT_TRUE(QFile::exists(dir.path() + "/納品書PDF/Kanro_Vey_1_0_-123 (3).pdf"));
}

TEST_F(PdfFiles, FileNamesFromTitles)
{
    struct Row
    {
        const char *title;
        const char *file;
    };
    const Row rows[] = {
        {"Kanro_Vey_1_0_-12", "Kanro_Vey_1_0_-12.pdf"},
        {"a/b:c*?", "a_b_c__.pdf"},
        {"  ", "納品書.pdf"},
        {"..", "納品書.pdf"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(PdfSpooler::fileNameFor("/f", QString::fromUtf8(row.title)),
                  "/f/" + QString::fromUtf8(row.file))
            << row.title;
}

TEST_F(PdfFiles, UnusableFolderIsReportedBeforeDrawing)
{
    QFile blocker(dir.path() + "/納品書PDF");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    std::string error;
    try {
        pdf.startJob(name, "PDF:", block(DMPAPER_A5, false), "t");
    } catch (const SpoolerError &e) {
        error = e.what();
    }
    EXPECT_EQ(QString::fromStdString(error),
              "Cannot create the folder " + dir.path() + "/納品書PDF");
}

TEST_F(PdfFiles, CancelledJobLeavesNoFile)
{
    auto job = pdf.startJob(name, "PDF:", block(DMPAPER_A5, false), "cancelled");
    job->painter()->drawText(QPoint(10, 10), "x");
    job->cancel();
    EXPECT_FALSE(QFile::exists(dir.path() + "/納品書PDF/cancelled.pdf"));
}

} // namespace
