#include "PrivatePostgres.h"

#include "PrivateCupsd.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <atomic>
#include <csignal>
#include <pwd.h>
#include <unistd.h>

namespace {

// The newest Debian server binaries (13 or newer).
QString serverBinaries()
{
    QString best;
    int bestVersion = 0;
    for (const QString &v : QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs)) {
        bool ok = false;
        const int n = v.toInt(&ok);
        const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(v);
        if (ok && n >= 13 && n > bestVersion && QFile::exists(bin + QStringLiteral("/pg_ctl"))) {
            best = bin;
            bestVersion = n;
        }
    }
    return best;
}

constexpr const char *serverUser = "nobody";

void giveToServerUser(const QString &path)
{
    if (::geteuid() != 0)
        return;
    if (const passwd *pw = ::getpwnam(serverUser))
        if (::chown(QFile::encodeName(path).constData(), pw->pw_uid, pw->pw_gid) != 0)
            qWarning("cannot hand %s to %s", qPrintable(path), serverUser);
}

} // namespace

PrivatePostgres::PrivatePostgres()
{
    m_bin = serverBinaries();
    if (m_bin.isEmpty()) {
        m_error = QStringLiteral("no PostgreSQL server binaries under /usr/lib/postgresql");
        return;
    }
    if (!m_tmp.isValid()) {
        m_error = QStringLiteral("cannot create a temporary directory");
        return;
    }
    m_data = m_tmp.filePath(QStringLiteral("data"));
    m_sockets = m_tmp.filePath(QStringLiteral("sockets"));
    QDir().mkpath(m_sockets);
    giveToServerUser(m_tmp.path());
    giveToServerUser(m_sockets);
    m_port = PrivateCupsd::freePort();
    if (m_port <= 0) {
        m_error = QStringLiteral("no free TCP port");
        return;
    }
    if (!run(asServerUser(QStringLiteral("initdb"), {"-D", m_data, "-U", "kanro", "-A", "trust",
                                                     "-E", "UTF8", "--locale=C", "--no-sync"})))
        return;
    start();
}

PrivatePostgres::~PrivatePostgres()
{
    if (m_running)
        run(asServerUser(QStringLiteral("pg_ctl"),
                         {"-D", m_data, "-m", "immediate", "-w", "stop"}));
}

QStringList PrivatePostgres::asServerUser(const QString &program, const QStringList &args) const
{
    QStringList command{m_bin + u'/' + program};
    command += args;
    if (::geteuid() == 0)
        command = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"),
                              QString::fromLatin1(serverUser), QStringLiteral("--")} +
                  command;
    return command;
}

bool PrivatePostgres::run(const QStringList &command, QString *output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_tmp.path());
    p.start(command.front(), command.mid(1));
    const bool finished = p.waitForFinished(60000);
    const QString out = QString::fromLocal8Bit(p.readAll());
    if (output)
        *output = out;
    if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = QStringLiteral("%1 failed: %2").arg(command.join(u' '), out);
        return false;
    }
    return true;
}

bool PrivatePostgres::start()
{
    // No fsync: the tests' data need not survive a power cut.
    const QString options = QStringLiteral("-p %1 -k %2 -h 127.0.0.1 -F -c max_connections=60")
                                .arg(m_port)
                                .arg(m_sockets);
    m_running = run(asServerUser(QStringLiteral("pg_ctl"),
                                 {"-D", m_data, "-l", m_tmp.filePath(QStringLiteral("log")), "-o",
                                  options, "-w", "-t", "30", "start"}));
    if (m_running)
        m_error.clear();
    return m_running;
}

bool PrivatePostgres::stop()
{
    if (!m_running)
        return true;
    m_running =
        !run(asServerUser(QStringLiteral("pg_ctl"), {"-D", m_data, "-m", "fast", "-w", "stop"}));
    return !m_running;
}

pid_t PrivatePostgres::serverPid() const
{
    QFile pidFile(m_data + QStringLiteral("/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return 0;
    return pid_t(pidFile.readLine().trimmed().toInt());
}

void PrivatePostgres::signalChildren(pid_t pid, int signal)
{
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray s = stat.readAll();
        const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1).toInt() == pid)
            ::kill(pid_t(entry.toInt()), signal);
    }
}

void PrivatePostgres::freeze(bool frozen)
{
    // The sessions already open too, so that an open connection meets
    // the same silence as a new one.
    if (const pid_t pid = serverPid(); pid > 0) {
        ::kill(pid, frozen ? SIGSTOP : SIGCONT);
        signalChildren(pid, frozen ? SIGSTOP : SIGCONT);
    }
}

void PrivatePostgres::kill()
{
    const pid_t pid = serverPid();
    if (pid <= 0)
        return;
    // The server's children first, so that none holds its shared memory
    // when it starts again.
    signalChildren(pid, SIGKILL);
    ::kill(pid, SIGKILL);
    for (int i = 0; i < 100 && ::kill(pid, 0) == 0; ++i)
        QThread::msleep(20);
    m_running = false;
}

QString PrivatePostgres::connectString(const QString &database) const
{
    return QStringLiteral("host=127.0.0.1 port=%1 user=kanro dbname=%2").arg(m_port).arg(database);
}

bool PrivatePostgres::exec(const QString &database, const QString &sql)
{
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("private_postgres_%1").arg(serial++);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setConnectOptions(connectString(database));
        if (!db.open()) {
            m_error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            ok = q.exec(sql);
            if (!ok)
                m_error = q.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool PrivatePostgres::createDatabase(const QString &name)
{
    return exec(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE \"%1\"").arg(name));
}
