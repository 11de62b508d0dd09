// The built program as a process: one instance per user, and termination
// signals that run the window's shutdown sequence.
#include "platform/ProfileFile.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(KANRO_BINARY_DIR "/Kanro_VEY_1");
const QString kSection = QStringLiteral("Kn_Vey_1prn");

bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(50);
    }
    return true;
}

class ProgramTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "program_process_test";
        static char *argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            app = new QCoreApplication(argc, argv);
    }

    void SetUp() override
    {
        ASSERT_TRUE(QFile::exists(kProgram)) << kProgram.toStdString();
        ASSERT_TRUE(work.isValid());
        ASSERT_TRUE(sockets.isValid());
    }

    void TearDown() override
    {
        for (auto &p : processes) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    // A process of the program in the working directory, with its own
    // directory for local sockets so that it never meets a real instance.
    QProcess *launch(const QProcessEnvironment &extra = {})
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMPDIR"), sockets.path());
        // The socket lives in the user's runtime folder: a private one here.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), sockets.path());
        for (const QString &k : extra.keys())
            env.insert(k, extra.value(k));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(work.path());
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(kProgram, {});
        processes.push_back(std::move(p));
        return processes.back().get();
    }

    // The first instance listens once its socket exists.
    bool waitForListening()
    {
        return waitUntil(
            [this] {
                return !QDir(sockets.path())
                            .entryList({QStringLiteral("kanro-*")}, QDir::System)
                            .isEmpty();
            },
            20000);
    }

    QString iniPath() const { return work.filePath(QStringLiteral("Kanro_Vey_1.ini")); }

    static inline QCoreApplication *app = nullptr;
    QTemporaryDir work;
    QTemporaryDir sockets;
    std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(ProgramTest, SecondStartExitsZeroWithoutAWindowAndTheFirstKeepsRunning)
{
    QProcess *first = launch();
    ASSERT_TRUE(first->waitForStarted(10000));
    ASSERT_TRUE(waitForListening());

    QProcess *second = launch();
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(first->state(), QProcess::Running);
    // A window would have stored its settings when it closed.
    EXPECT_FALSE(QFile::exists(iniPath()));

    ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
    ASSERT_TRUE(first->waitForFinished(20000));
    EXPECT_EQ(first->exitCode(), 0);
}

TEST_F(ProgramTest, TerminationSignalsRunTheShutdownSequence)
{
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        QFile::remove(iniPath());
        {
            QFile f(iniPath());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("[Kn_Vey_1prn]\r\nE_AD1=Sapporo\r\nEdit_ITEMNO1=pen\r\n");
        }
        QProcess *p = launch();
        ASSERT_TRUE(p->waitForStarted(10000));
        ASSERT_TRUE(waitForListening());
        ::kill(static_cast<pid_t>(p->processId()), sig);
        ASSERT_TRUE(p->waitForFinished(20000));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0);
        ProfileFile ini(iniPath());
        // Keys the file did not hold are there now: the shutdown writer ran.
        EXPECT_EQ(ini.readString(kSection, QStringLiteral("E_021_0")),
                  QStringLiteral("納品書　兼　請求書"));
        EXPECT_EQ(ini.readString(kSection, QStringLiteral("Comb_Paper")), QStringLiteral("0"));
        EXPECT_EQ(ini.readString(kSection, QStringLiteral("E_AD1")), QStringLiteral("Sapporo"));
        EXPECT_EQ(ini.readString(kSection, QStringLiteral("Edit_ITEMNO1")), QStringLiteral("pen"));
        waitUntil(
            [this] {
                return QDir(sockets.path())
                    .entryList({QStringLiteral("kanro-*")}, QDir::System)
                    .isEmpty();
            },
            5000);
    }
}

TEST_F(ProgramTest, SocketLeftByAKilledInstanceDoesNotBlockTheNextStart)
{
    QProcess *crashed = launch();
    ASSERT_TRUE(crashed->waitForStarted(10000));
    ASSERT_TRUE(waitForListening());
    crashed->kill(); // SIGKILL: the socket file stays behind
    ASSERT_TRUE(crashed->waitForFinished(10000));
    ASSERT_FALSE(
        QDir(sockets.path()).entryList({QStringLiteral("kanro-*")}, QDir::System).isEmpty());

    QProcess *next = launch();
    ASSERT_TRUE(next->waitForStarted(10000));
    // It keeps running (a second instance would have ended at once) ...
    EXPECT_FALSE(next->waitForFinished(3000));
    EXPECT_EQ(next->state(), QProcess::Running);
    // ... and it answers later starts itself.
    QProcess *later = launch();
    ASSERT_TRUE(later->waitForFinished(20000));
    EXPECT_EQ(later->exitCode(), 0);
    EXPECT_EQ(next->state(), QProcess::Running);
    ::kill(static_cast<pid_t>(next->processId()), SIGTERM);
    EXPECT_TRUE(next->waitForFinished(20000));
}

// Under a private X server, text typed into the window reaches the file
// when the program is terminated.
TEST_F(ProgramTest, SigtermKeepsWhatWasTyped)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xvfb.isEmpty() || xdotool.isEmpty())
        GTEST_SKIP() << "Xvfb or xdotool missing";

    int display = 0;
    QProcess server;
    for (int n = 170 + (::getpid() % 50); n < 300; ++n) {
        if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
            QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            continue;
        server.start(xvfb, {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"),
                            QStringLiteral("0"), QStringLiteral("1024x768x24"),
                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (server.waitForStarted(5000) &&
            waitUntil([n] { return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)); },
                      10000)) {
            display = n;
            break;
        }
        server.kill();
        server.waitForFinished(2000);
    }
    if (display == 0)
        GTEST_SKIP() << "no X server could be started";
    const QString dpy = QStringLiteral(":%1").arg(display);

    QProcessEnvironment env;
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), dpy);
    // The X11 stack (libdbus) keeps allocations past exit; they are not ours.
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    QProcess *p = launch(env);
    ASSERT_TRUE(p->waitForStarted(10000));
    ASSERT_TRUE(waitForListening());

    auto xdo = [&](const QStringList &args) {
        QProcess x;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("DISPLAY"), dpy);
        x.setProcessEnvironment(e);
        x.start(xdotool, args);
        x.waitForFinished(20000);
        return QString::fromUtf8(x.readAllStandardOutput()).trimmed();
    };
    const QString id =
        xdo({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
             QStringLiteral("--name"), QStringLiteral("Kanro")})
            .section(QLatin1Char('\n'), 0, 0);
    ASSERT_FALSE(id.isEmpty());
    // Without a window manager the focus has to be given explicitly; the
    // window then needs a moment before keys reach its focused field.
    // Generous waits: CI runs this beside other tests on two cores.
    QThread::msleep(2000);
    xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), id});
    QThread::msleep(2000);
    // The focus starts in the postal code.
    xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"),
         QStringLiteral("0600001")});
    QThread::msleep(1500);

    ::kill(static_cast<pid_t>(p->processId()), SIGTERM);
    ASSERT_TRUE(p->waitForFinished(20000));
    EXPECT_EQ(p->exitCode(), 0);
    server.terminate();
    server.waitForFinished(5000);

    EXPECT_EQ(ProfileFile(iniPath()).readString(kSection, QStringLiteral("E_ZIP")),
              QStringLiteral("0600001"));
}

// In one process: a later claim reaches the first instance, which is asked
// to come to the front.
TEST_F(ProgramTest, LaterClaimAsksTheFirstInstanceToShowItself)
{
    qputenv("TMPDIR", sockets.path().toLocal8Bit());
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", sockets.path().toLocal8Bit());
    const QString title = QStringLiteral("◇Kanro_VEY_1 test");
    SingleInstance first(title);
    ASSERT_TRUE(first.claim());
    int requests = 0;
    QObject::connect(&first, &SingleInstance::activationRequested, [&requests] { ++requests; });

    bool secondClaimed = true;
    std::unique_ptr<QThread> later(QThread::create([&] {
        SingleInstance second(title);
        secondClaimed = second.claim();
    }));
    later->start();
    EXPECT_TRUE(waitUntil([&requests] { return requests > 0; }, 10000));
    EXPECT_TRUE(waitUntil([&later] { return later->isFinished(); }, 10000));
    EXPECT_FALSE(secondClaimed);
    EXPECT_EQ(requests, 1);
    qunsetenv("TMPDIR");
    if (runtime.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", runtime);
}

} // namespace
