// A long working day: 1,000 notes through the window, each typed row by row,
// filled by a transfer of pasted order text, printed to the built-in PDF
// printer and cleared. The heap stays flat after warm-up, and every PDF
// written is complete.
#include "WindowFixture.h"
#include "mainwindow/Kanro_dprintUnit.h"
#include "mainwindow/NoteLineEdit.h"
#include "numedit/KiNumEdit.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "printer/VoPrinters.h"
#include "spooler/SpoolerWithPdf.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <malloc.h>

// Under AddressSanitizer malloc statistics are not kept; its allocator
// counts the bytes in use (GCC ships no header for it, the runtime has it).
#if defined(__SANITIZE_ADDRESS__)
#define KANRO_ASAN_HEAP 1
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// The notes of a run; KANRO_LONG_RUN_NOTES overrides it for a quick look.
int noteCount()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("KANRO_LONG_RUN_NOTES", &ok);
    return ok && n > 0 ? n : 1000;
}

// Bytes the program holds on the heap right now (under AddressSanitizer its
// allocator's count, which leaves out freed blocks in quarantine).
qint64 liveHeapBytes()
{
#ifdef KANRO_ASAN_HEAP
    return static_cast<qint64>(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 m = mallinfo2();
    return static_cast<qint64>(m.uordblks + m.hblkhd);
#endif
}

// A PDF is complete when it has its header, its cross-reference start and
// its end-of-file mark at the end.
bool isCompletePdf(const QByteArray &bytes)
{
    const QByteArray tail = bytes.right(64).trimmed();
    return bytes.startsWith("%PDF-1.") && tail.endsWith("%%EOF") && bytes.contains("startxref");
}

int pageCount(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(60000);
    static const QRegularExpression re(QStringLiteral("Pages:\\s+(\\d+)"));
    return re.match(QString::fromUtf8(p.readAllStandardOutput())).captured(1).toInt();
}

class LongRun : public WindowFixture
{
protected:
    // The PDF printer alone (the fake lists none).
    void setUpPrinters() override { useFakeSpooler({}, {}, true); }

    // Keys typed into a field as the operator types them.
    static void type(QWidget *field, const QString &text)
    {
        field->setFocus();
        QTest::keyClicks(field, text);
    }

    void oneNote(int n)
    {
        // The test double records every box; a fresh record per note keeps
        // that record out of the heap measurement.
        Dialogs::resetForTest();
        Dialogs::setTestMode(true);
        QElapsedTimer phase;
        phase.start();
        // The order text of a customer, pasted and transferred.
        w->Memo1->setPlainText(QStringLiteral("〒150-00%1\n東京都渋谷区神宮前%2-2-3\n"
                                              "ソフト表能ビル%3F\n山田　太郎%4　様\n"
                                              "TEL 03-1234-%5\n")
                                   .arg(n % 100, 2, 10, QLatin1Char('0'))
                                   .arg(n % 9 + 1)
                                   .arg(n % 20 + 1)
                                   .arg(n)
                                   .arg(n % 10000, 4, 10, QLatin1Char('0')));
        w->BitBtn_1Click();
        transferNs += phase.nsecsElapsed();
        phase.restart();

        w->KiNumEdit_Slipno->setText(QString::number(n));
        const int rows = 1 + n % 4;
        for (int r = 1; r <= rows; ++r) {
            type(w->dITEMNO_Ary[r], QStringLiteral("A%1").arg(n * 10 + r));
            type(w->dITEM_Ary[r], QStringLiteral("item%1").arg(r));
            type(w->dQTY_Ary[r], QString::number(r + n % 7));
            type(w->dUNIT_Ary[r], QStringLiteral("pc"));
            type(w->dPRICE_Ary[r], QString::number(100 * r + n % 1000));
        }

        typingNs += phase.nsecsElapsed();
        phase.restart();
        Dialogs::pushAnswer(true); // 印刷しますか?
        w->SpeedButton_F11Click();
        printNs += phase.nsecsElapsed();

        // Clear: the destination (asked), the rows and the memo.
        Dialogs::pushAnswer(true);
        w->BitBtn_CLSClick();
        for (int r = 1; r <= rows; ++r) {
            w->dITEMNO_Ary[r]->clear();
            w->dITEM_Ary[r]->clear();
            w->dQTY_Ary[r]->setText(QString());
            w->dUNIT_Ary[r]->clear();
            w->dPRICE_Ary[r]->setText(QString());
            w->dSALES_Ary[r]->setText(QString());
        }
        w->DEN_SUM();
        w->BitBtn_MemoCLSClick();
        QApplication::processEvents();
    }

    qint64 transferNs = 0, typingNs = 0, printNs = 0;
};

TEST_F(LongRun, ThousandNotesKeepTheHeapFlatAndEveryPdfComplete)
{
    const int notes = noteCount();
    const int warmUp = std::min(50, notes / 4);
    QElapsedTimer timer;
    timer.start();
    qint64 afterWarmUp = 0;
    qint64 highest = 0;
    for (int n = 1; n <= notes; ++n) {
        oneNote(n);
        ASSERT_TRUE(Dialogs::shownTexts().size() == 2)
            << "unexpected box: "
            << Dialogs::shownTexts().join(QStringLiteral(" / ")).toStdString();
        if (n == warmUp)
            afterWarmUp = liveHeapBytes();
        if (n > warmUp)
            highest = std::max(highest, liveHeapBytes());
        if (n % 100 == 0)
            std::printf("after %d notes: live heap %lld bytes\n", n,
                        static_cast<long long>(liveHeapBytes()));
    }
    const qint64 ms = timer.elapsed();

    const QDir out(dir.filePath(QStringLiteral("納品書PDF")));
    const QStringList pdfs = out.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    ASSERT_EQ(pdfs.size(), notes);
    int checkedPages = 0;
    for (int i = 0; i < pdfs.size(); ++i) {
        QFile f(out.filePath(pdfs[i]));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(isCompletePdf(f.readAll())) << pdfs[i].toStdString();
        // poppler reads every 50th in full.
        if (i % 50 == 0) {
            EXPECT_EQ(pageCount(out.filePath(pdfs[i])), 1) << pdfs[i].toStdString();
            ++checkedPages;
        }
    }

    const qint64 growth = highest - afterWarmUp;
    std::printf("%d notes in %.1f s (%.1f ms a note); live heap after %d notes %.1f MiB, "
                "highest later %.1f MiB (growth %lld bytes); %d PDFs read by poppler\n",
                notes, double(ms) / 1000, double(ms) / notes, warmUp,
                double(afterWarmUp) / (1 << 20), double(highest) / (1 << 20),
                static_cast<long long>(growth), checkedPages);
    std::printf("a note: transfer %.1f ms, typing %.1f ms, printing %.1f ms\n",
                transferNs / 1e6 / notes, typingNs / 1e6 / notes, printNs / 1e6 / notes);
    // A leak of 1 KiB a note would grow the heap by about 1 MiB.
    EXPECT_LT(growth, 512 * 1024);
}

} // namespace
