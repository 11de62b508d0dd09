#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// The request a later start sends; the first instance answers with one byte
// so that the later start knows it was heard before it exits.
constexpr char kActivate[] = "activate\n";
constexpr int kTimeoutMs = 2000;
// A request is one short line; anything longer is not ours.
constexpr qsizetype kMaxRequest = 256;

// The socket file of a name: plain names go to the temporary folder.
QByteArray socketPath(const QString &name)
{
    const QString path = QDir::isAbsolutePath(name) ? name : QDir(QDir::tempPath()).filePath(name);
    return QFile::encodeName(path);
}

bool fillAddress(sockaddr_un &address, const QByteArray &path)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    return true;
}

// Waits until fd is ready for events or the time is up; false on time-out.
bool waitFor(int fd, short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left));
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            return false;
    }
}

struct Fd
{
    int fd;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};
} // namespace

SingleInstance::SingleInstance(const QString &title, QObject *parent)
    : QObject(parent), m_name(serverName(title))
{
}

SingleInstance::~SingleInstance()
{
    for (auto &[fd, connection] : m_connections) {
        delete connection.notifier;
        ::close(fd);
    }
    if (m_listener >= 0) {
        delete m_acceptor;
        ::close(m_listener);
        ::unlink(m_path.constData());
    }
}

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
    if (listen())
        return true;
    // Nobody answered, so a socket file left by a crashed instance is stale.
    // Another process may have started listening in between: ask once more
    // before taking the name over.
    if (askRunningInstance())
        return false;
    ::unlink(socketPath(m_name).constData());
    listen(); // without the guard rather than not at all
    return true;
}

bool SingleInstance::askRunningInstance()
{
    sockaddr_un address;
    if (!fillAddress(address, socketPath(m_name)))
        return false;
    const Fd s{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
    if (s.fd < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
    if (::connect(s.fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        // A listener whose queue is full takes the connection a little later.
        if (errno != EAGAIN && errno != EINPROGRESS)
            return false;
        if (!waitFor(s.fd, POLLOUT, deadline))
            return false;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(s.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
            return false;
    }
    // Someone listens: an instance runs, whatever happens to the request.
    const char *request = kActivate;
    size_t left = sizeof kActivate - 1;
    while (left > 0 && waitFor(s.fd, POLLOUT, deadline)) {
        const ssize_t n = ::send(s.fd, request, left, MSG_NOSIGNAL);
        if (n > 0) {
            request += n;
            left -= static_cast<size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        }
    }
    // Waiting for the answer keeps the connection open until the request
    // has been read.
    if (left == 0 && waitFor(s.fd, POLLIN, deadline)) {
        char answer;
        [[maybe_unused]] const ssize_t n = ::recv(s.fd, &answer, 1, 0);
    }
    return true;
}

bool SingleInstance::listen()
{
    const QByteArray path = socketPath(m_name);
    sockaddr_un address; // later starts connect to this path: it must fit
    if (!fillAddress(address, path))
        return false;
    // The socket is bound in a private folder beside its place, made the
    // user's alone, and then linked into place: it is never reachable by
    // others, and an existing socket (another instance) is never replaced.
    // The folder is hidden: only the placed socket carries the name.
    const qsizetype slash = path.lastIndexOf('/');
    QByteArray folder = path.left(slash + 1) + ".kanro-stage.XXXXXX";
    if (!::mkdtemp(folder.data()))
        return false;
    const QByteArray staged = folder + "/s";
    sockaddr_un stagedAddress;
    int fd = -1;
    bool placed = false;
    if (fillAddress(stagedAddress, staged)) {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        placed = fd >= 0 &&
                 ::bind(fd, reinterpret_cast<const sockaddr *>(&stagedAddress),
                        sizeof stagedAddress) == 0 &&
                 ::chmod(staged.constData(), S_IRUSR | S_IWUSR) == 0 && ::listen(fd, 16) == 0 &&
                 ::link(staged.constData(), path.constData()) == 0;
    }
    ::unlink(staged.constData());
    ::rmdir(folder.constData());
    if (!placed) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_listener = fd;
    m_path = path;
    m_acceptor = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_acceptor, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    for (;;) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return; // nothing more waiting (or the peer gave up)
        auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        m_connections.emplace(fd, Connection{notifier, {}});
        connect(notifier, &QSocketNotifier::activated, this, [this, fd] { readRequest(fd); });
        readRequest(fd); // the request may have arrived with the connection
    }
}

void SingleInstance::readRequest(int fd)
{
    const auto it = m_connections.find(fd);
    if (it == m_connections.end())
        return;
    QByteArray &received = it->second.received;
    char buffer[128];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            received.append(buffer, n);
            if (received.size() > kMaxRequest)
                break;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            break;
        dropConnection(fd); // the peer closed, or the socket failed
        return;
    }
    if (received.contains('\n')) {
        if (received.startsWith("activate")) {
            ::send(fd, "1", 1, MSG_NOSIGNAL);
            emit activationRequested();
        }
        dropConnection(fd);
    } else if (received.size() > kMaxRequest) {
        dropConnection(fd);
    }
}

void SingleInstance::dropConnection(int fd)
{
    const auto it = m_connections.find(fd);
    if (it == m_connections.end())
        return;
    it->second.notifier->setEnabled(false);
    it->second.notifier->deleteLater();
    m_connections.erase(it);
    ::close(fd);
}
