// Where the single-instance socket lives, and what it answers.
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

TEST(SingleInstance, SocketInTheUsersRuntimeFolder)
{
    QTemporaryDir runtime;
    const QString title = QStringLiteral("◇Kanro_VEY_1");
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray savedTmp = qgetenv("TMPDIR");
    struct Row
    {
        const char *name;
        QByteArray runtimeDir; // empty: unset
        bool inRuntime;
    };
    const Row rows[] = {
        {"runtime folder set", runtime.path().toLocal8Bit(), true},
        {"runtime folder unset: the plain name in the temporary folder", "", false},
        {"runtime folder missing: the plain name", "/nonexistent/kanro-runtime", false},
        {"relative runtime folder: the plain name", "relative", false},
    };
    for (const Row &r : rows) {
        if (r.runtimeDir.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", r.runtimeDir);
        const QString name = SingleInstance::serverName(title);
        EXPECT_TRUE(QDir::fromNativeSeparators(name).section('/', -1).startsWith("kanro-"))
            << r.name;
        if (r.inRuntime)
            EXPECT_EQ(name, QDir(runtime.path()).filePath(name.section('/', -1))) << r.name;
        else
            EXPECT_FALSE(name.contains('/')) << r.name;
    }
    // Another TMPDIR changes nothing: a second start finds the first.
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    qputenv("TMPDIR", "/tmp/other-a");
    const QString a = SingleInstance::serverName(title);
    qputenv("TMPDIR", "/tmp/other-b");
    EXPECT_EQ(SingleInstance::serverName(title), a);
    qputenv("TMPDIR", savedTmp);
    if (saved.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
}

namespace {
// A raw client of the instance socket: sends bytes, then reads the answer
// while the first instance's event loop runs.
struct Client
{
    int fd = -1;
    explicit Client(const QString &path)
    {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const QByteArray p = QFile::encodeName(path);
        std::memcpy(a.sun_path, p.constData(), static_cast<size_t>(p.size()));
        if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ~Client()
    {
        if (fd >= 0)
            ::close(fd);
    }
    // What the instance sends back before it closes, within the time given.
    QByteArray answer(int ms)
    {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents();
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0) {
                char c[16];
                const ssize_t n = ::recv(fd, c, sizeof c, 0);
                if (n <= 0)
                    break; // closed
                got.append(c, n);
            }
        }
        return got;
    }
};
} // namespace

TEST(SingleInstance, OnlyAnActivationLineIsAnswered)
{
    static int argc = 1;
    static char name[] = "single_instance_test";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    QTemporaryDir runtime;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    const QString title = QStringLiteral("◇Kanro_VEY_1 requests");
    const QString path = SingleInstance::serverName(title);
    {
        SingleInstance first(title);
        ASSERT_TRUE(first.claim());
        int requests = 0;
        QObject::connect(&first, &SingleInstance::activationRequested, [&requests] { ++requests; });

        // Only the user may connect, and nothing else is left beside it.
        struct stat st;
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_TRUE(S_ISSOCK(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_EQ(QDir(runtime.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                 QDir::NoDotAndDotDot),
                  QStringList{path.section('/', -1)});

        struct Row
        {
            const char *name;
            QByteArray sent;
            bool closeAfter; // the client stops sending (half-close)
            QByteArray answer;
            int requests;
        };
        const Row rows[] = {
            {"activation", "activate\n", false, "1", 1},
            {"activation in pieces", "acti", false, "", 0}, // the rest follows below
            {"another line", "hello\n", false, "", 0},
            {"no line, then closed", "activate", true, "", 0},
            {"overlong, no line", QByteArray(300, 'a'), false, "", 0},
            {"nothing, then closed", "", true, "", 0},
        };
        for (const Row &r : rows) {
            requests = 0;
            Client c(path);
            ASSERT_GE(c.fd, 0) << r.name;
            if (!r.sent.isEmpty()) {
                ASSERT_EQ(::send(c.fd, r.sent.constData(), size_t(r.sent.size()), MSG_NOSIGNAL),
                          r.sent.size())
                    << r.name;
            }
            if (r.closeAfter)
                ::shutdown(c.fd, SHUT_WR);
            if (QByteArray(r.name) == "activation in pieces") {
                EXPECT_EQ(c.answer(100), QByteArray()) << r.name;
                ::send(c.fd, "vate\n", 5, MSG_NOSIGNAL);
                EXPECT_EQ(c.answer(2000), QByteArray("1")) << r.name;
                EXPECT_EQ(requests, 1) << r.name;
                continue;
            }
            EXPECT_EQ(c.answer(r.answer.isEmpty() ? 300 : 2000), r.answer) << r.name;
            EXPECT_EQ(requests, r.requests) << r.name;
        }
        // A later start is still answered after all of them.
        requests = 0;
        Client later(path);
        ::send(later.fd, "activate\n", 9, MSG_NOSIGNAL);
        EXPECT_EQ(later.answer(2000), QByteArray("1"));
        EXPECT_EQ(requests, 1);
    }
    // The socket goes with the instance.
    EXPECT_FALSE(QFileInfo::exists(path));
    if (saved.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
}
