#include "app/InstanceMessages.h"

#include "TestEnvironment.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// A later launch is a second process; its side runs in-process here, the
// socket between them is real.
TEST(InstanceMessages, KnownWordsReachTheRunningCopyAnythingElseIsDropped) {
    TestEnvironment env;
    const QString path = env.path(QStringLiteral("runtime/veltrano/instance.socket"));
    EXPECT_FALSE(InstanceMessages::send(path, ShellRequest::preferences)) << "nobody listens yet";

    InstanceMessages running(path);
    ASSERT_TRUE(running.listen());
    EXPECT_EQ(QFileInfo(QFileInfo(path).absolutePath()).permissions() & 0x0077, 0);
    QSignalSpy requests(&running, &InstanceMessages::requested);

    QLocalSocket silent;
    silent.connectToServer(path);
    for (const QByteArray& junk : {QByteArray("quit\n"), QByteArray(5000, 'p')}) {
        QLocalSocket other;
        other.connectToServer(path);
        ASSERT_TRUE(other.waitForConnected(1000));
        other.write(junk);
        ASSERT_TRUE(waitUntil([&] { return other.state() == QLocalSocket::UnconnectedState; }));
    }
    ASSERT_TRUE(InstanceMessages::send(path, ShellRequest::sessionLog));
    ASSERT_TRUE(InstanceMessages::send(path, ShellRequest::preferences));
    ASSERT_TRUE(waitUntil([&] { return requests.size() == 2; }));
    EXPECT_EQ(requests.at(0).at(0).value<ShellRequest>(), ShellRequest::sessionLog);
    EXPECT_EQ(requests.at(1).at(0).value<ShellRequest>(), ShellRequest::preferences);
    // One that never speaks is let go too.
    EXPECT_TRUE(waitUntil([&] { return silent.state() == QLocalSocket::UnconnectedState; }, 4000));
    EXPECT_EQ(requests.size(), 2);
}

} // namespace
