#pragma once
// A private PostgreSQL server for tests: Debian's initdb and pg_ctl make a
// cluster in a temporary folder that listens on a free localhost port and a
// private socket folder, with trust authentication for the superuser
// "kanro". Run as root (as CI does), the server runs as the unprivileged
// user "nobody", since PostgreSQL refuses to run as root. The destructor
// stops it; a test may stop, kill and start it again in between.

#include <QString>
#include <QTemporaryDir>
#include <sys/types.h>

class PrivatePostgres
{
public:
    PrivatePostgres();
    ~PrivatePostgres();
    PrivatePostgres(const PrivatePostgres &) = delete;
    PrivatePostgres &operator=(const PrivatePostgres &) = delete;

    // Empty when the server runs; otherwise why it does not.
    QString error() const { return m_error; }
    int port() const { return m_port; }

    // A libpq keyword connection string for a database of this server.
    QString connectString(const QString &database = QStringLiteral("postgres")) const;
    // Creates an empty database; false (and error()) when that fails.
    bool createDatabase(const QString &name);
    // Runs one statement as the superuser in a database (a test's raw look).
    bool exec(const QString &database, const QString &sql);

    bool start();
    // A fast shutdown: connections are ended, the server exits.
    bool stop();
    // SIGKILL to the server process and its children, as a crash.
    void kill();
    // SIGSTOP (true) or SIGCONT (false) to the server and its sessions: a
    // server that accepts connections at the network level but never answers.
    void freeze(bool frozen);

private:
    pid_t serverPid() const;
    static void signalChildren(pid_t pid, int signal);
    bool run(const QStringList &command, QString *output = nullptr);
    QStringList asServerUser(const QString &program, const QStringList &args) const;

    QTemporaryDir m_tmp;
    QString m_bin;
    QString m_data;
    QString m_sockets;
    int m_port = -1;
    bool m_running = false;
    QString m_error;
};
