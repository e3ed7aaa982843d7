#include "platform/KeySender.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <unistd.h>

using platform::KeySender;

namespace {

// An Xvfb of the test's own, on whatever display number is free.
class PrivateXServer {
public:
    bool start() {
        int fds[2];
        if (::pipe(fds) != 0) return false;
        m_server.setProgram(QStringLiteral("Xvfb"));
        m_server.setArguments({"-displayfd", QString::number(fds[1]), "-screen", "0", "640x480x24",
                               "-nolisten", "tcp"});
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.setChildProcessModifier([fd = fds[0]] { ::close(fd); });
        m_server.start();
        ::close(fds[1]);
        QByteArray number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (number.isEmpty()) return false;
        m_display = ":" + number;
        return true;
    }
    ~PrivateXServer() {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }
    QByteArray display() const { return m_display; }

private:
    QProcess m_server;
    QByteArray m_display;
};

QStringList readLines(QProcess& p, int count) {
    QStringList lines;
    while (lines.size() < count && p.waitForReadyRead(5000))
        while (p.canReadLine() && lines.size() < count)
            lines << QString::fromLatin1(p.readLine()).trimmed();
    return lines;
}

}  // namespace

TEST(KeySender, TheProgramInFrontReceivesExactlyTheFourKeys) {
#ifndef OSTRELY_KEY_RECORDER
    GTEST_SKIP() << "built without Xlib: no key recorder";
#else
    if (QStandardPaths::findExecutable("Xvfb").isEmpty()) GTEST_SKIP() << "Xvfb is not installed";
    PrivateXServer server;
    ASSERT_TRUE(server.start());

    QProcess recorder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromLatin1(server.display()));
    recorder.setProcessEnvironment(env);
    recorder.start(QStringLiteral(OSTRELY_KEY_RECORDER));
    ASSERT_TRUE(recorder.waitForStarted());
    ASSERT_EQ(readLines(recorder, 1), QStringList{"ready"});

    QStringList warnings;
    {
        KeySender sender(server.display(), [&](const QString& w) { warnings << w; });
        EXPECT_TRUE(sender.send(KeySender::Key::PageDown));
        EXPECT_TRUE(sender.send(KeySender::Key::PageUp));
        EXPECT_TRUE(sender.send(KeySender::Key::KeypadMinus));
        EXPECT_TRUE(sender.send(KeySender::Key::KeypadPlus));
    }
    EXPECT_EQ(readLines(recorder, 8),
              (QStringList{"down Next", "up Next", "down Prior", "up Prior", "down KP_Subtract",
                           "up KP_Subtract", "down KP_Add", "up KP_Add"}));
    // Nothing more: one press and release per key, no stray repeats.
    EXPECT_FALSE(recorder.waitForReadyRead(200));
    EXPECT_TRUE(warnings.isEmpty());
    recorder.kill();
    recorder.waitForFinished();
#endif
}

TEST(KeySender, WithoutAnXServerItSaysSoOnceAndSendsNothing) {
    QStringList warnings;
    const QByteArray saved = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    {
        KeySender noDisplay({}, [&](const QString& w) { warnings << w; });
        EXPECT_FALSE(noDisplay.send(KeySender::Key::PageDown));
        EXPECT_FALSE(noDisplay.send(KeySender::Key::KeypadPlus));
        EXPECT_FALSE(noDisplay.isAvailable());
    }
    if (!saved.isEmpty()) qputenv("DISPLAY", saved);
    EXPECT_EQ(warnings.size(), 1);

    warnings.clear();
    KeySender gone(":8765", [&](const QString& w) { warnings << w; });
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(gone.send(KeySender::Key::PageUp));
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(":8765"));
}
