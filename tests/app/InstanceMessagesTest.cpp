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
    EXPECT_FALSE(InstanceMessages::send(path, {ShellRequest::preferences, {}})) << "nobody listens yet";

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
    // A startup id of the length desktops make, as a plain launch brings it.
    const QByteArray startupId =
        "xfce4-panel/|usr|bin|veltrano/4242-0-studio-laptop_TIME" + QByteArray(60, '7');
    ASSERT_TRUE(InstanceMessages::send(path, {ShellRequest::sessionLog, {}}));
    ASSERT_TRUE(InstanceMessages::send(path, {ShellRequest::activate, startupId}));
    ASSERT_TRUE(waitUntil([&] { return requests.size() == 2; }));
    EXPECT_EQ(requests.at(0).at(0).value<ShellRequest>(), ShellRequest::sessionLog);
    EXPECT_EQ(requests.at(0).at(1).toByteArray(), QByteArray());
    EXPECT_EQ(requests.at(1).at(0).value<ShellRequest>(), ShellRequest::activate);
    EXPECT_EQ(requests.at(1).at(1).toByteArray(), startupId);
    // One that never speaks is let go too.
    EXPECT_TRUE(waitUntil([&] { return silent.state() == QLocalSocket::UnconnectedState; }, 4000));
    EXPECT_EQ(requests.size(), 2);
}

// The token comes from the launch's environment, which any program may set:
// it travels only as one printable word, and a bad one costs the request
// nothing but the token.
TEST(ShellMessage, ATokenTravelsAsOnePrintableWordOrNotAtAll) {
    const auto read = [](QByteArrayView line) { return shellMessageFromLine(line); };
    EXPECT_EQ(shellMessageLine({ShellRequest::preferences, {}}), "preferences\n") << "older copies read this";
    EXPECT_EQ(read("session-log\n")->request, ShellRequest::sessionLog);
    const std::optional<ShellMessage> activate =
        read(shellMessageLine({ShellRequest::activate, "gnome-shell/Veltrano/7-1_TIME99"}));
    ASSERT_TRUE(activate);
    EXPECT_EQ(activate->request, ShellRequest::activate);
    EXPECT_EQ(activate->activationToken, "gnome-shell/Veltrano/7-1_TIME99");
    for (const QByteArray& bad : {QByteArray("two words"), QByteArray("tab\there"), QByteArray("\x1b[2J"),
                                  QByteArray("caf\xc3\xa9"), QByteArray(256, 't')}) {
        EXPECT_EQ(shellMessageLine({ShellRequest::activate, bad}), "activate\n") << bad.toStdString();
        const std::optional<ShellMessage> received = read("activate " + bad + '\n');
        ASSERT_TRUE(received) << bad.toStdString();
        EXPECT_EQ(received->activationToken, QByteArray()) << bad.toStdString();
    }
    EXPECT_FALSE(read("activatex token"));
    EXPECT_FALSE(read(" token"));
    EXPECT_FALSE(read("quit preferences"));
}

} // namespace
