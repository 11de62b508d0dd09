// The print command through a private CUPS scheduler: a note printed on a
// file: queue registered for the continuous-forms feed with offsets.
#include "PrivateCupsd.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "spooler/CupsSpooler.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "spooler/SpoolerWithPdf.h"
#include "printer/VoPrinters.h"
#include "printing/PrinterRegistration.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cups/cups.h>
#include <gtest/gtest.h>

namespace {

const QString Manual = QStringLiteral("手差し");
const QString Continuous = QStringLiteral("連続(４．５インチ)");

bool waitForPdf(const QString &path, int ms = 30000)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly) && f.size() > 0 && f.readAll().trimmed().endsWith("%%EOF"))
            return true;
        QThread::msleep(50);
    }
    return false;
}

QStringList jobTitles(const QString &printer)
{
    cups_job_t *jobs = nullptr;
    const int n =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QString::fromUtf8(jobs[i].title);
    cupsFreeJobs(n, jobs);
    return out;
}

// Top-left corner in points of the first word starting with prefix.
QPointF wordAt(const QString &pdf, const QString &prefix)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    const QString xml = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression re(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
    for (auto it = re.globalMatch(xml); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(3).startsWith(prefix))
            return {m.captured(1).toDouble(), m.captured(2).toDouble()};
    }
    return {-1000, -1000};
}

} // namespace

TEST(PrintThroughCups, ContinuousFeedQueueGetsTheTitleAndShiftedPositions)
{
    PrivateCupsd cupsd;
    ASSERT_TRUE(cupsd.running()) << cupsd.error().toStdString();
    ::setenv("CUPS_SERVER", cupsd.server().toUtf8().constData(), 1);
    ASSERT_TRUE(cupsd.addPrinter(QStringLiteral("KanroA")));
    ASSERT_TRUE(cupsd.addPrinter(QStringLiteral("KanroB")));

    QTemporaryDir dir;
    registerFontSubstitutions();
    Dialogs::setTestMode(true);
    // KanroB (position 1) for both feeds; offsets only on continuous forms.
    const QString ini = printing::registrationFilePath(dir.path());
    printing::writeRegistration(ini, Manual, QStringLiteral("KanroB"), {"1", "0", "0"});
    printing::writeRegistration(ini, Continuous, QStringLiteral("KanroB"), {"1", "15", "-3"});
    createVoPrinter(std::make_unique<SpoolerWithPdf>(std::make_unique<CupsSpooler>(), dir.path()),
                    std::chrono::milliseconds(0));
    {
        TForm_Main w(dir.path());
        w.show();
        QApplication::processEvents();
        w.Edit_Custo1->setText(QStringLiteral("山田太郎"));
        w.dITEM_Ary[1]->setText(QStringLiteral("りんご"));
        w.dQTY_Ary[1]->setText(QStringLiteral("2"));
        w.dPRICE_Ary[1]->setText(QStringLiteral("1500"));

        const QString out = cupsd.outputPath(QStringLiteral("KanroB.pdf"));
        QPointF positions[2];
        for (int feed = 0; feed < 2; ++feed) {
            w.ComboBox_SEL->setCurrentIndex(feed);
            w.ComboBox_SELChange();
            EXPECT_EQ(VoPrinter->Index(), 1);
            EXPECT_EQ(w.ComboBox1->currentText(), "KanroB");
            w.KiNumEdit_Slipno->setText(QString::number(41 + feed));
            QFile::remove(out);
            Dialogs::pushAnswer(true);
            w.SpeedButton_F11Click();
            ASSERT_TRUE(waitForPdf(out)) << cupsd.log().toStdString();
            positions[feed] = wordAt(out, QStringLiteral("伝票番号"));
        }
        EXPECT_EQ(w.Label_Prn_Top->text(), "15");
        EXPECT_EQ(w.Label_Prn_Left->text(), "-3");
        const QStringList titles = jobTitles(QStringLiteral("KanroB"));
        const QString title =
            QStringLiteral("Kanro_Vey_1_0_%1-42")
                .arg(w.DateTimePicker_1->date().toString(QStringLiteral("yyyyMMdd")));
        EXPECT_TRUE(titles.contains(title)) << titles.join(", ").toStdString();
        // 15 pixels down and 3 to the left at 600 dpi, in points.
        const QPointF shift = positions[1] - positions[0];
        EXPECT_NEAR(shift.x(), -3 * 72.0 / 600, 72.0 / 600) << shift.x();
        EXPECT_NEAR(shift.y(), 15 * 72.0 / 600, 72.0 / 600) << shift.y();
        EXPECT_GT(positions[0].x(), 0);
    }
    destroyVoPrinter();
    Dialogs::resetForTest();
    ::unsetenv("CUPS_SERVER");
}
