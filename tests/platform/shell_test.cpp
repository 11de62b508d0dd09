#include "platform/Shell.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(Shell, RecorderCapturesLinksAndNests)
{
    LinkRecorder outer;
    openLink(QStringLiteral("https://a.example/"));
    {
        LinkRecorder inner;
        openLink(QStringLiteral("mailto:x@y.example?subject=件名&"));
        EXPECT_EQ(inner.links(), QStringList{QStringLiteral("mailto:x@y.example?subject=件名&")});
    }
    openLink(QStringLiteral("https://b.example/"));
    EXPECT_EQ(outer.links(),
              (QStringList{QStringLiteral("https://a.example/"), QStringLiteral("https://b.example/")}));
}

// With a stand-in xdg-open first on PATH, the exact link text arrives as its
// only argument: no percent-encoding of the Japanese subject, nothing added.
TEST(Shell, HandsTheExactTextToXdgOpen)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("argv.txt"));
    const QString script = dir.filePath(QStringLiteral("xdg-open"));
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '%1.tmp' && mv '%1.tmp' '%1'\n")
                    .arg(out)
                    .toUtf8());
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit() + ":" + oldPath);

    const QString link = QStringLiteral("mailto:support@kanro.example?subject=Kanroへの問い合わせ&cc=&bcc=&");
    openLink(link);

    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(out) && timer.elapsed() < 10000)
        QThread::msleep(20);
    qputenv("PATH", oldPath);

    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "stand-in xdg-open was not run";
    EXPECT_EQ(QString::fromUtf8(f.readAll()), QStringLiteral("1|") + link);
}

} // namespace
