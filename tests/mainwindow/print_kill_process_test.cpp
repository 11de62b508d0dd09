// Prints killed at random moments between F11 and the end of the job
// (KANRO_KILL_ROUNDS times, default 20), each followed by a new start:
// every PDF in the folder belongs to exactly one record, and every record
// has its PDF (the very bytes, kept in the store) or its failure.
#include "store/NoteLedger.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <thread>

namespace {

const QString kHelper = QStringLiteral(KANRO_BINARY_DIR "/tests/mainwindow/print_kill_helper");

QProcessEnvironment helperEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

} // namespace

TEST(PrintKillTest, EveryPdfHasOneRecordAndEveryRecordItsPdfOrFailure)
{
    static int argc = 1;
    static char name[] = "print_kill_process_test";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const int rounds = qEnvironmentVariableIsSet("KANRO_KILL_ROUNDS")
                           ? qEnvironmentVariableIntValue("KANRO_KILL_ROUNDS")
                           : 20;
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> delay(0, 1500);
    for (int round = 0; round < rounds; ++round) {
        QProcess p;
        p.setProcessEnvironment(helperEnvironment());
        p.start(kHelper, {QStringLiteral("print"), dir.path()});
        ASSERT_TRUE(p.waitForReadyRead(60000)) << "round " << round;
        std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
        p.kill();
        p.waitForFinished(10000);
    }
    QProcess last;
    last.setProcessEnvironment(helperEnvironment());
    last.start(kHelper, {QStringLiteral("start"), dir.path()});
    ASSERT_TRUE(last.waitForFinished(60000));
    ASSERT_EQ(last.exitCode(), 0);

    ledger::NoteLedger store(ledger::ledgerFilePath(dir.path()));
    std::vector<ledger::NoteSummary> notes;
    ASSERT_TRUE(store.search({}, -1, notes).ok());
    std::vector<qint64> ids;
    for (const ledger::NoteSummary &n : notes)
        ids.push_back(n.id);
    std::map<qint64, ledger::NoteStatus> states;
    ASSERT_TRUE(store.statusOf(ids, states).ok());
    std::map<QString, int> named; // file name -> records naming it
    int printed = 0, failed = 0;
    for (const auto &[id, s] : states) {
        if (!s.pdfFile.isEmpty())
            ++named[QFileInfo(s.pdfFile).fileName()];
        if (s.state == ledger::NoteState::Issued) {
            ++printed;
            QByteArray kept;
            QString file;
            ASSERT_TRUE(store.keptPdf(id, kept, file).ok()) << "note " << id;
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
            EXPECT_EQ(f.readAll(), kept) << file.toStdString();
        } else {
            EXPECT_EQ(s.state, ledger::NoteState::Failed) << "note " << id << " left open";
            ++failed;
        }
    }
    const QStringList pdfs = QDir(dir.filePath(QStringLiteral("納品書PDF")))
                                 .entryList({QStringLiteral("*.pdf")}, QDir::Files);
    for (const QString &pdf : pdfs)
        EXPECT_EQ(named[pdf], 1) << pdf.toStdString();
    EXPECT_EQ(int(named.size()), int(pdfs.size()));
    ledger::ChainCheck check;
    ASSERT_TRUE(store.verifyRecords(check).ok());
    EXPECT_TRUE(check.ok()) << check.firstMismatch.toStdString();
    std::printf("%d rounds: %d notes printed, %d failed, %lld PDFs\n", rounds, printed, failed,
                qlonglong(pdfs.size()));
}
