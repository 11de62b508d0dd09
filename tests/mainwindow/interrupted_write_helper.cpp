// A stand-in process for the interrupted-write test: it repeats one of the
// program's single-key writes, as the program does them, until it is asked
// to end; then it performs a last burst of writes (its "shutdown") and exits.
// The test kills it at random moments in between.
//
//   interrupted_write_helper slip <dir>          issues slip numbers
//   interrupted_write_helper registration <dir>  registers the manual feed
//
// Prints "ready" once the first write is done.
#include "mainwindow/NoteSettings.h"
#include "printing/PrinterRegistration.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {
volatile std::sig_atomic_t g_endRequested = 0;
void onTerm(int)
{
    g_endRequested = 1;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    QCoreApplication app(argc, argv);
    std::signal(SIGTERM, onTerm);
    const bool slip = std::strcmp(argv[1], "slip") == 0;
    const QDir dir(QString::fromLocal8Bit(argv[2]));
    const QString settings = dir.filePath(QStringLiteral("Kanro_Vey_1.ini"));
    const QString registration = printing::registrationFilePath(dir.path());

    // Registration k stores position k % 3, top k and left -k.
    auto writeOnce = [&](qint64 k) {
        if (slip)
            issueNextSlipNumber(settings);
        else
            printing::writeRegistration(registration, QStringLiteral("手差し"),
                                        QStringLiteral(" PDF "),
                                        {QString::number(k % 3), QString::number(k),
                                         QString::number(-k)});
    };
    qint64 k = 1;
    writeOnce(k++);
    std::printf("ready\n");
    std::fflush(stdout);
    while (!g_endRequested)
        writeOnce(k++);
    for (int i = 0; i < 50; ++i)
        writeOnce(k++);
    return 0;
}
