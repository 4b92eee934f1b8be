#include "platform/JournalSystemLog.h"

#include <QByteArray>
#include <QDir>
#include <QMap>
#include <QTemporaryFile>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <tuple>
#include <unistd.h>

namespace {

constexpr char socketPath[] = "/run/systemd/journal/socket";

// Fields of one native-protocol datagram: "KEY=value\n", or for values that
// need it "KEY\n" + 64-bit little-endian length + value + "\n".
std::optional<QMap<QByteArray, QByteArray>> decodeDatagram(const QByteArray& datagram) {
    QMap<QByteArray, QByteArray> fields;
    qsizetype at = 0;
    while (at < datagram.size()) {
        const qsizetype lineEnd = datagram.indexOf('\n', at);
        if (lineEnd < 0)
            return std::nullopt;
        const QByteArray line = datagram.mid(at, lineEnd - at);
        const qsizetype equals = line.indexOf('=');
        if (equals >= 0) {
            fields.insert(line.left(equals), line.mid(equals + 1));
            at = lineEnd + 1;
            continue;
        }
        quint64 length = 0;
        if (lineEnd + 1 + 8 > datagram.size())
            return std::nullopt;
        for (int i = 7; i >= 0; --i)
            length = (length << 8) | static_cast<quint8>(datagram[lineEnd + 1 + i]);
        const qsizetype valueAt = lineEnd + 1 + 8;
        if (static_cast<quint64>(datagram.size() - valueAt) < length + 1 ||
            datagram[valueAt + static_cast<qsizetype>(length)] != '\n')
            return std::nullopt;
        fields.insert(line, datagram.mid(valueAt, static_cast<qsizetype>(length)));
        at = valueAt + static_cast<qsizetype>(length) + 1;
    }
    return fields;
}

class JournalSystemLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("VELTRANO_PRIVATE_RUN"))
            GTEST_SKIP() << "needs an empty private /run; run through run-with-private-run.sh (ctest does)";
    }

    void TearDown() override {
        if (journal >= 0) {
            ::close(journal);
            ::unlink(socketPath);
        }
    }

    void listenAsJournal() {
        ASSERT_TRUE(QDir().mkpath(QStringLiteral("/run/systemd/journal")));
        journal = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(journal, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, socketPath);
        ASSERT_EQ(::bind(journal, reinterpret_cast<sockaddr*>(&address), sizeof address), 0)
            << std::strerror(errno);
        const timeval timeout{5, 0};
        ::setsockopt(journal, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }

    QMap<QByteArray, QByteArray> receive() {
        QByteArray datagram(64 * 1024, '\0');
        const ssize_t size = ::recv(journal, datagram.data(), datagram.size(), 0);
        EXPECT_GT(size, 0) << std::strerror(errno);
        datagram.truncate(std::max<ssize_t>(size, 0));
        const auto fields = decodeDatagram(datagram);
        EXPECT_TRUE(fields) << "undecodable datagram: " << datagram.toStdString();
        return fields.value_or(QMap<QByteArray, QByteArray>{});
    }

    int journal = -1;
};

// The message carries user text: it must be neither a format nor split at its
// line break. A bare code still says what happened, through its words.
TEST_F(JournalSystemLogTest, SendsEveryFieldWithTheCodesWordsInTheMessage) {
    listenAsJournal();
    JournalSystemLog log;
    log.write(SystemLogLevel::info, QStringLiteral("VT-4001"), VtCode::monitorStarted);
    log.write(SystemLogLevel::debug,
              QStringLiteral("VT-5001 [DIAG] %s %n %%\n  mac = 00:11 \u2014 caf\u00e9"),
              VtCode::bandwidthSample);
    log.write(SystemLogLevel::error, QStringLiteral("VT-4008"), VtCode::nodeUnreachable);

    const std::vector<std::tuple<QString, QByteArray, QByteArray>> expected{
        {QStringLiteral("VT-4001 monitoring started"), "6", "VT-4001"},
        {QStringLiteral("VT-5001 throughput sample: [DIAG] %s %n %%\n  mac = 00:11 \u2014 caf\u00e9"), "7",
         "VT-5001"},
        {QStringLiteral("VT-4008 router unreachable"), "3", "VT-4008"}};
    for (const auto& [message, priority, code] : expected) {
        const auto fields = receive();
        EXPECT_EQ(QString::fromUtf8(fields.value("MESSAGE")).toStdString(), message.toStdString());
        EXPECT_EQ(fields.value("PRIORITY"), priority);
        EXPECT_EQ(fields.value("SYSLOG_IDENTIFIER"), program_invocation_short_name);
        EXPECT_EQ(fields.value("VELTRANO_SUBSYSTEM"), "com.brightfold.Veltrano");
        EXPECT_EQ(fields.value("VELTRANO_CATEGORY"), "core");
        EXPECT_EQ(fields.value("VELTRANO_CODE"), code);
    }
}

// What `write` puts on standard error while it runs.
QByteArray standardErrorOf(const std::function<void()>& write) {
    QTemporaryFile capture;
    if (!capture.open())
        return "capture file not opened";
    const int savedStandardError = ::dup(STDERR_FILENO);
    ::dup2(capture.handle(), STDERR_FILENO);
    write();
    ::dup2(savedStandardError, STDERR_FILENO);
    ::close(savedStandardError);
    capture.seek(0);
    return capture.readAll();
}

// Also when the socket file outlived the journal, as after a crash of the journal.
TEST_F(JournalSystemLogTest, WithoutAListeningJournalEachEventIsOneLineOnStandardError) {
    ASSERT_NE(::access(socketPath, F_OK), 0) << "the private /run should hold no journal";
    JournalSystemLog log;
    const auto writeBoth = [&log] {
        log.write(SystemLogLevel::error, QStringLiteral("VT-1004 ssh exited 255"), VtCode::transportFailed);
        log.write(SystemLogLevel::info, QStringLiteral("VT-5001 two\nlines"), VtCode::bandwidthSample);
    };
    const QByteArray name = program_invocation_short_name;
    const QByteArray expected = name + ": error: VT-1004 router connection failed: ssh exited 255\n" + name +
                                ": info: VT-5001 throughput sample: two\\nlines\n";
    EXPECT_EQ(standardErrorOf(writeBoth).toStdString(), expected.toStdString());

    listenAsJournal();
    ::close(journal);
    journal = -1;
    EXPECT_EQ(standardErrorOf([] {
                  JournalSystemLog().write(SystemLogLevel::info, QStringLiteral("VT-4001"),
                                           VtCode::monitorStarted);
              }).toStdString(),
              std::string(name) + ": info: VT-4001 monitoring started\n");
    ::unlink(socketPath);
}

} // namespace
