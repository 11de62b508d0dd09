#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace {
// The request a later start sends; the first instance answers with one byte
// so that the later start knows it was heard before it exits.
constexpr char kActivate[] = "activate\n";
constexpr int kTimeoutMs = 2000;
} // namespace

SingleInstance::SingleInstance(const QString &title, QObject *parent)
    : QObject(parent), m_name(serverName(title))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString &title)
{
    // Socket names become file names; a hash keeps them ASCII and short.
    const QByteArray hash =
        QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    const QString name =
        QStringLiteral("kanro-%1-%2").arg(QString::fromLatin1(hash)).arg(::getuid());
    // The user's private runtime folder when the session has one: the same
    // for every start of the user whatever its TMPDIR, and no other user can
    // squat the name there. Elsewhere the name goes to the temporary folder.
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(name);
    return name;
}

bool SingleInstance::claim()
{
    if (askRunningInstance())
        return false;

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // Nobody answered, so a socket file left by a crashed instance is
        // stale. Another process may have started listening in between:
        // ask once more before taking the name over.
        if (askRunningInstance())
            return false;
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            return true; // run without the guard rather than not at all
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return true;
}

bool SingleInstance::askRunningInstance()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    // Someone listens: an instance runs, whatever happens to the request.
    socket.write(kActivate);
    socket.flush();
    if (socket.bytesToWrite() > 0)
        socket.waitForBytesWritten(kTimeoutMs);
    // Waiting for the answer keeps the connection open until the request
    // has been read.
    socket.waitForReadyRead(kTimeoutMs);
    return true;
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto answer = [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine().startsWith("activate")) {
                socket->write("1");
                socket->flush();
                emit activationRequested();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, answer);
        answer(); // the request may have arrived with the connection
    }
}
