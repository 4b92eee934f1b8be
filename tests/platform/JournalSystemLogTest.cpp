#include "platform/JournalSystemLog.h"

#include <QByteArray>
#include <QDir>
#include <QtEndian>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr char socketPath[] = "/run/systemd/journal/socket";

// One field as the native protocol carries it: "KEY=value\n", or for a value
// with a line break "KEY\n" + 64-bit little-endian length + value + "\n".
QByteArray field(const QByteArray& key, const QByteArray& value) {
    if (!value.contains('\n'))
        return key + '=' + value + '\n';
    QByteArray length(8, '\0');
    qToLittleEndian<quint64>(quint64(value.size()), length.data());
    return key + '\n' + length + value + '\n';
}

// The message carries user text: it must be neither a format nor split at its
// line break, in the journal or, without one, on standard error, where no
// control character may reach the terminal. A bare code still says what
// happened, through its words.
TEST(JournalSystemLogTest, SendsEveryFieldOrOneLineOnStandardErrorWithTheCodesWords) {
    if (!qEnvironmentVariableIsSet("VELTRANO_PRIVATE_RUN"))
        GTEST_SKIP() << "needs an empty private /run; run through run-with-private-run.sh (ctest does)";
    const auto writeBoth = [] {
        JournalSystemLog log;
        log.write(SystemLogLevel::info, QStringLiteral("VT-4001"), VtCode::monitorStarted);
        log.write(SystemLogLevel::debug, QStringLiteral("VT-5001 %s %n\n caf\u00e9\x1b]0;x\u009b"),
                  VtCode::bandwidthSample);
    };
    const QByteArray name = program_invocation_short_name;

    ASSERT_NE(::access(socketPath, F_OK), 0) << "the private /run should hold no journal";
    testing::internal::CaptureStderr();
    writeBoth();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              (name + ": info: VT-4001 monitoring started\n" + name +
               ": debug: VT-5001 throughput sample: %s %n\\n caf\xc3\xa9\\x1B]0;x\\x9B\n")
                  .toStdString());

    ASSERT_TRUE(QDir().mkpath(QStringLiteral("/run/systemd/journal")));
    const int journal = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socketPath);
    ASSERT_EQ(::bind(journal, reinterpret_cast<sockaddr*>(&address), sizeof address), 0)
        << std::strerror(errno);
    const timeval timeout{5, 0};
    ::setsockopt(journal, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    writeBoth();
    QByteArray datagrams[2];
    for (QByteArray& datagram : datagrams) {
        datagram.resize(64 * 1024);
        datagram.truncate(std::max<ssize_t>(::recv(journal, datagram.data(), datagram.size(), 0), 0));
    }
    ::close(journal);
    ::unlink(socketPath);

    for (const QByteArray& expected :
         {field("MESSAGE", "VT-4001 monitoring started"), field("PRIORITY", "6"),
          field("SYSLOG_IDENTIFIER", name), field("VELTRANO_SUBSYSTEM", "com.brightfold.Veltrano"),
          field("VELTRANO_CATEGORY", "core"), field("VELTRANO_CODE", "VT-4001")})
        EXPECT_TRUE(datagrams[0].contains(expected)) << expected.toStdString();
    EXPECT_TRUE(datagrams[1].contains(
        field("MESSAGE", "VT-5001 throughput sample: %s %n\n caf\xc3\xa9\x1b]0;x\xc2\x9b")))
        << datagrams[1].toStdString();
    EXPECT_TRUE(datagrams[1].contains(field("PRIORITY", "7")));
}

} // namespace
