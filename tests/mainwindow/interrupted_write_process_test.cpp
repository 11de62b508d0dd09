// Writes cut short by the end of the process. The program (or, for the
// single-key writes, a stand-in process doing the same writes) is asked to
// end with SIGTERM and killed with SIGKILL at a random moment while it
// writes, 200 times each: the file is always one of its complete versions,
// and a temporary that a kill inside a commit left is removed by the next write.
#include "mainwindow/NoteSettings.h"
#include "platform/ProfileFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <random>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(KANRO_BINARY_DIR "/Kanro_VEY_1");
const QString kHelper = QStringLiteral(KANRO_BINARY_DIR "/tests/mainwindow/interrupted_write_helper");
const QString kSettings = QStringLiteral("Kanro_Vey_1.ini");
const QString kRegistration = QStringLiteral("Kanro_a500.ini");
constexpr int kRounds = 200;

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QThread::msleep(5);
    }
    return true;
}

void sleepMicroseconds(qint64 us)
{
    if (us > 0)
        ::usleep(static_cast<useconds_t>(us));
}

class InterruptedWriteTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "interrupted_write_process_test";
        static char *argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }

    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        ASSERT_TRUE(sockets.isValid());
    }

    // Empties the working folder and puts the prepared files in.
    void prepare(const QList<std::pair<QString, QByteArray>> &files)
    {
        QDir dir(work.path());
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
            dir.remove(name);
        for (const auto &[name, bytes] : files)
            writeBytes(dir.filePath(name), bytes);
    }

    QStringList entries() const
    {
        return QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot,
                                           QDir::Name);
    }

    std::unique_ptr<QProcess> start(const QString &program, const QStringList &args)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMPDIR"), sockets.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), sockets.path());
        // No leak report at exit: the end of the process is the writes'
        // time window, not a long scan (other tests look for leaks).
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(work.path());
        p->setProcessChannelMode(QProcess::SeparateChannels);
        p->setStandardErrorFile(QProcess::nullDevice());
        p->start(program, args);
        return p;
    }

    // The program runs its loop once its instance socket exists.
    bool waitForProgram()
    {
        return waitUntil(
            [this] {
                return !QDir(sockets.path())
                            .entryList({QStringLiteral("kanro-*")}, QDir::System)
                            .isEmpty();
            },
            30000);
    }

    void clearSockets()
    {
        QDir dir(sockets.path());
        for (const QString &name :
             dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot))
            dir.remove(name);
    }

    // A kill while a commit writes its temporary, or before its rename,
    // leaves the temporary; the next commit (here one more write) must remove it.
    // Returns whether one was left.
    bool temporaryLeftAndCleaned(const QString &file, const QStringList &clean)
    {
        if (clean.contains(QStringList(entries()).join(u'/')))
            return false;
        ProfileFile next(file);
        next.writeString(QStringLiteral("after"), QStringLiteral("kill"), QStringLiteral("1"));
        next.commit();
        const QStringList now = entries();
        EXPECT_TRUE(clean.contains(now.join(u'/'))) << now.join(u' ').toStdString();
        return true;
    }

    static void endAndKill(QProcess &p, qint64 killAfterUs)
    {
        const pid_t pid = static_cast<pid_t>(p.processId());
        ::kill(pid, SIGTERM);
        sleepMicroseconds(killAfterUs);
        ::kill(pid, SIGKILL);
        p.waitForFinished(30000);
    }

    // Starts the stand-in, lets it write for a moment, asks it to end and
    // kills it; version(k) is the file after its k-th write, and writes()
    // reads k back from the file.
    void interruptStandIn(const QString &mode, const QString &file, const QByteArray &old,
                          const std::function<QByteArray(qint64)> &version,
                          const std::function<qint64()> &writes)
    {
        std::uniform_int_distribution<qint64> beforeEnd(0, 20000);
        std::uniform_int_distribution<qint64> killAfter(0, 30000);
        qint64 highest = 0;
        int temporariesLeft = 0;
        for (int round = 0; round < kRounds; ++round) {
            SCOPED_TRACE(round);
            prepare({{QFileInfo(file).fileName(), old}});
            const QStringList before = entries();
            auto p = start(kHelper, {mode, work.path()});
            ASSERT_TRUE(p->waitForReadyRead(30000)) << mode.toStdString();
            ASSERT_EQ(p->readLine().trimmed(), QByteArray("ready"));
            sleepMicroseconds(beforeEnd(rng));
            endAndKill(*p, killAfter(rng));

            // At least one write was done before "ready".
            const QByteArray now = readBytes(file);
            const qint64 k = writes();
            const bool complete = k >= 1 && version(k) == now;
            highest = std::max(highest, k);
            EXPECT_TRUE(complete) << mode.toStdString() << " file not complete:\n"
                                  << now.toStdString();
            if (temporaryLeftAndCleaned(file, {before.join(u'/')}))
                ++temporariesLeft;
        }
        std::printf("%s: up to %lld writes before the kill; %d kills left a temporary that the "
                    "next write removed\n",
                    mode.toUtf8().constData(), static_cast<long long>(highest), temporariesLeft);
    }

    QTemporaryDir work;
    QTemporaryDir sockets;
    std::mt19937_64 rng{20261209};
};

TEST_F(InterruptedWriteTest, ShutdownWritesLeaveTheOldOrTheCompleteNewSettings)
{
    const QByteArray old = readBytes(QStringLiteral(KANRO_TEST_DATA "/mainwindow_prepared_cp932.ini"));
    // After the shutdown's first operation (the detail lines) and before its
    // second (the settings) the file is complete as well.
    QByteArray middle;
    {
        QTemporaryDir scratch;
        const QString path = scratch.filePath(kSettings);
        writeBytes(path, old);
        // The window writes its rows as it holds them: a reduced-rate mark
        // is "1" or "0", never missing.
        DetailLines lines = readDetailLines(path);
        for (QString &mark : lines.reduced)
            mark = mark == QStringLiteral("1") ? mark : QStringLiteral("0");
        writeDetailLines(path, lines);
        middle = readBytes(path);
    }

    // One uninterrupted shutdown gives the new file and its duration.
    prepare({{kSettings, old}});
    const QStringList before = entries();
    qint64 shutdownUs = 0;
    {
        auto p = start(kProgram, {});
        ASSERT_TRUE(waitForProgram());
        QElapsedTimer t;
        t.start();
        ::kill(static_cast<pid_t>(p->processId()), SIGTERM);
        ASSERT_TRUE(p->waitForFinished(30000));
        shutdownUs = t.nsecsElapsed() / 1000;
        ASSERT_EQ(p->exitCode(), 0);
    }
    const QByteArray fresh = readBytes(work.filePath(kSettings));
    ASSERT_NE(fresh, old);
    ASSERT_NE(fresh, middle);
    const QStringList after = entries();

    int oldSeen = 0, middleSeen = 0, newSeen = 0, temporariesLeft = 0;
    std::uniform_int_distribution<qint64> delay(0, shutdownUs + shutdownUs / 2);
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        clearSockets();
        prepare({{kSettings, old}});
        auto p = start(kProgram, {});
        ASSERT_TRUE(waitForProgram());
        endAndKill(*p, delay(rng));
        const QByteArray now = readBytes(work.filePath(kSettings));
        if (now == old)
            ++oldSeen;
        else if (now == middle)
            ++middleSeen;
        else if (now == fresh)
            ++newSeen;
        else
            FAIL() << "a settings file that is neither the old nor a complete new one:\n"
                   << now.toStdString();
        if (temporaryLeftAndCleaned(work.filePath(kSettings), {before.join(u'/'), after.join(u'/')}))
            ++temporariesLeft;
    }
    std::printf("shutdown %lld us; of %d kills: old %d, rows written %d, complete %d; "
                "%d left a temporary that the next write removed\n",
                static_cast<long long>(shutdownUs), kRounds, oldSeen, middleSeen, newSeen,
                temporariesLeft);
    // The kills fell before, during and after the writes.
    EXPECT_GT(oldSeen, 0);
    EXPECT_GT(newSeen, 0);
}

TEST_F(InterruptedWriteTest, SlipNumberWriteIsWholeOrNotAtAll)
{
    const QByteArray old = readBytes(QStringLiteral(KANRO_TEST_DATA "/mainwindow_prepared_cp932.ini"));
    ASSERT_TRUE(old.contains("iSLIPNO=41\r\n"));
    // The k-th issue stores 41 + k.
    auto version = [&old](qint64 k) {
        QByteArray v = old;
        v.replace("iSLIPNO=41\r\n", "iSLIPNO=" + QByteArray::number(41 + k) + "\r\n");
        return v;
    };
    const QString path = work.filePath(kSettings);
    interruptStandIn(QStringLiteral("slip"), path, old, version, [&path] {
        return ProfileFile(path).readInteger(QStringLiteral("Kn_Vey_1prn"),
                                             QStringLiteral("iSLIPNO"), 0) -
               41;
    });
}

TEST_F(InterruptedWriteTest, RegistrationWriteIsWholeOrNotAtAll)
{
    // Written in CP932 by hand: "[手差し]" and "[連続(４．５インチ)]".
    const QByteArray manual = QByteArray::fromHex("5b8ee88db782b55d"); // [手差し]
    const QByteArray continuous =
        QByteArray::fromHex("5b984191b128825381448254834383938360295d"); // [連続(４．５インチ)]
    // A registration also stores the printer's name ("PrnDevice"), added
    // after the section's last key.
    auto file = [&](const QByteArray &name, const QByteArray &index, const QByteArray &top,
                     const QByteArray &left, const QByteArray &device = {}) {
        const QByteArray deviceLine = device.isEmpty() ? QByteArray() : "PrnDevice=" + device + "\r\n";
        return "; feeds\r\n" + manual + "\r\nPrnName=" + name + "\r\nPrnNoIndex=" + index +
               "\r\ndenPrn_Top=" + top + "\r\ndenPrn_Left=" + left + "\r\n" + deviceLine +
               "\r\n" + continuous +
               "\r\nPrnName=lp0\r\nPrnNoIndex=1\r\ndenPrn_Top=0\r\ndenPrn_Left=0\r\n";
    };
    const QByteArray old = file("old", "2", "12", "-3");
    auto version = [&file](qint64 k) {
        return file("PDF", QByteArray::number(k % 3), QByteArray::number(k),
                    QByteArray::number(-k), "PDF");
    };
    const QString path = work.filePath(kRegistration);
    interruptStandIn(QStringLiteral("registration"), path, old, version, [&path] {
        return ProfileFile(path).readInteger(QStringLiteral("手差し"),
                                             QStringLiteral("denPrn_Top"), 0);
    });
}

} // namespace
