#pragma once
// A private CUPS scheduler for tests: its own configuration, spool, state
// and log under a temporary directory, a free TCP port on localhost and a
// local socket. It never touches the system's scheduler. Point libcups at
// it with CUPS_SERVER=server() before the first libcups call.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class PrivateCupsd
{
public:
    PrivateCupsd()
    {
        if (!tmp_.isValid()) {
            error_ = "cannot create a temporary directory";
            return;
        }
        root_ = tmp_.path();
        QFile::setPermissions(root_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                         QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                         QFile::ExeOther);
        for (const char *sub : {"etc", "state", "cache", "spool", "tmp", "log", "out"})
            QDir(root_).mkpath(sub);
        QFile::setPermissions(root_ + "/out", QFile::Permissions(0x7777));
        port_ = freePort();
        if (port_ <= 0) {
            error_ = "no free TCP port";
            return;
        }
        const QString source = QStringLiteral(KANRO_SOURCE_DIR "/tests/cups/");
        if (!configure(source + "cupsd.conf.in", root_ + "/etc/cupsd.conf") ||
            !configure(source + "cups-files.conf.in", root_ + "/etc/cups-files.conf"))
            return;
        process_.setProgram(QStringLiteral("cupsd"));
        process_.setArguments(
            {"-f", "-c", root_ + "/etc/cupsd.conf", "-s", root_ + "/etc/cups-files.conf"});
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start();
        if (!process_.waitForStarted(5000)) {
            error_ = "cupsd does not start: " + process_.errorString();
            return;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!listening(port_)) {
            if (process_.state() != QProcess::Running ||
                std::chrono::steady_clock::now() > deadline) {
                error_ =
                    "cupsd does not listen: " + QString::fromLocal8Bit(process_.readAll()) + log();
                return;
            }
            QThread::msleep(20);
        }
        running_ = true;
    }

    ~PrivateCupsd()
    {
        if (process_.state() != QProcess::NotRunning) {
            resume(); // a stopped scheduler would not see the terminate
            process_.terminate();
            if (!process_.waitForFinished(5000)) {
                process_.kill();
                process_.waitForFinished(2000);
            }
        }
    }

    bool running() const { return running_; }

    // Faults a shop meets: the scheduler stopped (it keeps its connections
    // and answers nothing), running again, or gone for good.
    void pause() const { ::kill(pid_t(process_.processId()), SIGSTOP); }
    void resume() const { ::kill(pid_t(process_.processId()), SIGCONT); }
    void killHard()
    {
        resume();
        process_.kill();
        process_.waitForFinished(5000);
    }
    QString error() const { return error_; }
    QString server() const { return QStringLiteral("localhost:%1").arg(port_); }
    QString root() const { return root_; }
    QString outputPath(const QString &file) const { return root_ + "/out/" + file; }
    QString log() const
    {
        QFile f(root_ + "/log/error_log");
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
    }

    // Runs a CUPS command-line tool against this scheduler; returns its
    // exit code and puts its output into *output.
    int run(const QString &program, const QStringList &args, QString *output = nullptr) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CUPS_SERVER", server());
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        if (!p.waitForFinished(20000))
            return -1;
        if (output)
            *output = QString::fromLocal8Bit(p.readAll());
        return p.exitCode();
    }

    // A queue with the test PPD that prints into out/<name>.pdf.
    bool addPrinter(const QString &name, bool withPpd = true) const
    {
        QStringList args{"-p", name, "-E", "-v", "file://" + outputPath(name + ".pdf")};
        if (withPpd)
            args << "-P" << QStringLiteral(KANRO_SOURCE_DIR "/tests/cups/kanro-test.ppd");
        return run("lpadmin", args) == 0;
    }

private:
    bool configure(const QString &from, const QString &to)
    {
        QFile in(from);
        QFile out(to);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
            error_ = "cannot write " + to;
            return false;
        }
        QString text = QString::fromUtf8(in.readAll());
        text.replace("@ROOT@", root_).replace("@PORT@", QString::number(port_));
        out.write(text.toUtf8());
        return true;
    }

public:
    // A TCP port on localhost that nothing listens on now.
    static int freePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0)
            return -1;
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        int port = -1;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
            port = ntohs(addr.sin_port);
        ::close(fd);
        return port;
    }

    // Whether something on localhost accepts connections on port.
    static bool listening(int port)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0)
            return false;
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(quint16(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
        ::close(fd);
        return ok;
    }

private:
    QTemporaryDir tmp_{QDir::tempPath() + "/kanro-cupsd-XXXXXX"};
    QString root_;
    int port_ = -1;
    QProcess process_;
    QString error_;
    bool running_ = false;
};
