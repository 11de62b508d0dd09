#pragma once
// A driverless (IPP Everywhere) printer for tests: CUPS's own ippeveprinter
// on a free port of localhost, offering A4, A5, B5 and Letter from the bins
// auto, manual and tray-1, A5 by default. Each job it receives lands in its
// folder as job-N.pdf, the document as the printer got it, and job-N.env,
// the job's IPP attributes (IPP_MEDIA_COL=..., one a line).

#include "PrivateCupsd.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

class DriverlessPrinter
{
public:
    // The document and the attributes of one received job.
    struct Job
    {
        QString pdf;
        QMap<QString, QString> attributes; // IPP_MEDIA_COL -> {media-size=...}
    };

    DriverlessPrinter()
    {
        if (!tmp_.isValid()) {
            error_ = "cannot create a temporary directory";
            return;
        }
        // KANRO_KEEP_JOBS=1 leaves the received jobs behind for a look.
        tmp_.setAutoRemove(qEnvironmentVariableIsEmpty("KANRO_KEEP_JOBS"));
        root_ = tmp_.path();
        QDir(root_).mkpath("spool");
        QDir(root_).mkpath("jobs");
        port_ = PrivateCupsd::freePort();
        if (port_ <= 0) {
            error_ = "no free TCP port";
            return;
        }
        if (!write(root_ + "/attributes.conf", attributes()) ||
            !write(root_ + "/job.sh", "#!/bin/sh\n"
                                      "out='" + root_.toUtf8() + "/jobs'\n"
                                      "env | grep '^IPP_' > \"$out/job-$IPP_JOB_ID.part\"\n"
                                      "cp \"$1\" \"$out/job-$IPP_JOB_ID.pdf\"\n"
                                      "mv \"$out/job-$IPP_JOB_ID.part\" \"$out/job-$IPP_JOB_ID.env\"\n"))
            return;
        QFile::setPermissions(root_ + "/job.sh", QFile::ReadOwner | QFile::WriteOwner |
                                                     QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LD_PRELOAD", QStringLiteral(KANRO_NO_DNSSD));
        env.remove("ASAN_OPTIONS");
        process_.setProcessEnvironment(env);
        process_.setProgram(QStringLiteral("ippeveprinter"));
        process_.setArguments({"-p", QString::number(port_), "-n", "localhost", "-a",
                               root_ + "/attributes.conf", "-c", root_ + "/job.sh", "-d",
                               root_ + "/spool", "KanroDriverless"});
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start();
        if (!process_.waitForStarted(5000)) {
            error_ = "ippeveprinter does not start: " + process_.errorString();
            return;
        }
        QElapsedTimer t;
        t.start();
        while (!PrivateCupsd::listening(port_)) {
            if (process_.state() != QProcess::Running || t.elapsed() > 10000) {
                error_ = "ippeveprinter does not listen: " +
                         QString::fromLocal8Bit(process_.readAll());
                return;
            }
            QThread::msleep(20);
        }
        running_ = true;
    }

    ~DriverlessPrinter()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(5000)) {
                process_.kill();
                process_.waitForFinished(2000);
            }
        }
    }

    bool running() const { return running_; }
    QString error() const { return error_; }
    QString uri() const { return QStringLiteral("ipp://localhost:%1/ipp/print").arg(port_); }

    // A queue for this printer on the scheduler, set up as a shop would:
    // lpadmin with the everywhere model, which reads the printer itself.
    bool addQueue(const PrivateCupsd &cupsd, const QString &name, QString *output) const
    {
        return cupsd.run("lpadmin", {"-p", name, "-E", "-v", uri(), "-m", "everywhere"},
                         output) == 0;
    }

    // Waits for job number id (1 for the first this printer receives).
    bool waitForJob(int id, Job *job, int ms = 30000) const
    {
        const QString base = root_ + QStringLiteral("/jobs/job-%1").arg(id);
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(base + ".env")) {
            if (t.elapsed() > ms)
                return false;
            QThread::msleep(50);
        }
        QFile env(base + ".env");
        if (!env.open(QIODevice::ReadOnly))
            return false;
        job->pdf = base + ".pdf";
        job->attributes.clear();
        for (const QByteArray &line : env.readAll().split('\n')) {
            const int eq = line.indexOf('=');
            if (eq > 0)
                job->attributes.insert(QString::fromUtf8(line.left(eq)),
                                       QString::fromUtf8(line.mid(eq + 1)));
        }
        return true;
    }

    QString log() { return QString::fromLocal8Bit(process_.readAll()); }

private:
    static QByteArray attributes()
    {
        return "ATTR keyword media-supported "
               "iso_a4_210x297mm,iso_a5_148x210mm,iso_b5_176x250mm,na_letter_8.5x11in\n"
               "ATTR collection media-size-supported "
               "{MEMBER integer x-dimension 21000 MEMBER integer y-dimension 29700},"
               "{MEMBER integer x-dimension 14800 MEMBER integer y-dimension 21000},"
               "{MEMBER integer x-dimension 17600 MEMBER integer y-dimension 25000},"
               "{MEMBER integer x-dimension 21590 MEMBER integer y-dimension 27940}\n"
               "ATTR keyword media-default iso_a5_148x210mm\n"
               "ATTR keyword media-ready iso_a5_148x210mm,iso_a4_210x297mm\n"
               "ATTR keyword media-source-supported auto,manual,tray-1\n"
               "ATTR mimeMediaType document-format-supported "
               "application/pdf,image/pwg-raster,image/urf\n"
               "ATTR resolution pwg-raster-document-resolution-supported 300dpi\n"
               "ATTR keyword pwg-raster-document-type-supported black_1,sgray_8\n"
               "ATTR keyword urf-supported V1.4,CP1,W8,RS300\n";
    }

    bool write(const QString &path, const QByteArray &text)
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) {
            error_ = "cannot write " + path;
            return false;
        }
        return true;
    }

    QTemporaryDir tmp_{QDir::tempPath() + "/kanro-ippeve-XXXXXX"};
    QString root_;
    int port_ = -1;
    QProcess process_;
    QString error_;
    bool running_ = false;
};
