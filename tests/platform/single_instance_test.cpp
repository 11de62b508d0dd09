// Where the single-instance socket lives.
#include "platform/SingleInstance.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

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
