// veltrano-router-simulator: a test peer that plays a GL.iNet, UniFi or Peplink
// router from a scenario file, plus the `ubus` and `hostapd_cli` commands its
// SSH side runs (the binary answers as those when called through symlinks of
// those names, or as `veltrano-router-simulator ubus|hostapd_cli ...`).

#include "ClientStateFile.h"
#include "HostapdCliCommand.h"
#include "RouterSimulator.h"
#include "ScenarioReader.h"
#include "ServerTls.h"
#include "StateLocation.h"
#include "UbusCommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void print(FILE* stream, const QByteArray& text) {
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stream);
    std::fflush(stream);
}

int fail(const QString& message) {
    print(stderr, "veltrano-router-simulator: " + message.toUtf8() + '\n');
    return 2;
}

// The timeline's cameras the scenario does not list join it with their
// address, name and band.
void addTimelineCameras(Scenario& scenario, const DemoTimeline& timeline) {
    for (const DemoTimeline::Camera& camera : timeline.cameras) {
        const bool listed =
            std::any_of(scenario.clients.cbegin(), scenario.clients.cend(), [&](const SimClient& client) {
                return client.mac.compare(camera.mac, Qt::CaseInsensitive) == 0;
            });
        if (!listed)
            scenario.clients.append(*ScenarioReader::readClient({{QStringLiteral("mac"), camera.mac},
                                                                 {QStringLiteral("ip"), camera.ip},
                                                                 {QStringLiteral("name"), camera.hostname},
                                                                 {QStringLiteral("band"), camera.band}}));
    }
}

int serve(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("serve"), QStringLiteral("serve a router"));
    const QCommandLineOption family(QStringLiteral("family"),
                                    QStringLiteral("glinet, unifi, unifi-classic or peplink"),
                                    QStringLiteral("family"));
    const QCommandLineOption address(QStringLiteral("address"), QStringLiteral("address to serve on"),
                                     QStringLiteral("address"));
    const QCommandLineOption scenario(QStringLiteral("scenario"), QStringLiteral("scenario file"),
                                      QStringLiteral("file"));
    const QCommandLineOption state(QStringLiteral("state"), QStringLiteral("state folder"),
                                   QStringLiteral("dir"));
    const QCommandLineOption cert(QStringLiteral("cert"), QStringLiteral("TLS certificate (PEM)"),
                                  QStringLiteral("pem"));
    const QCommandLineOption key(QStringLiteral("key"), QStringLiteral("TLS private key (PEM)"),
                                 QStringLiteral("pem"));
    const QCommandLineOption timeline(
        QStringLiteral("timeline"),
        QStringLiteral("demo timeline to play (resources/demo/demo-timeline.json)"), QStringLiteral("file"));
    const QCommandLineOption controlPort(QStringLiteral("control-port"), QStringLiteral("control port"),
                                         QStringLiteral("port"), QStringLiteral("9000"));
    parser.addOptions({family, address, scenario, state, cert, key, timeline, controlPort});
    parser.addHelpOption();
    parser.process(app);

    RouterSimulator::Options options;
    options.family = parser.value(family);
    if (!RouterSimulator::isFamily(options.family))
        return fail(QStringLiteral("--family must be glinet, unifi, unifi-classic or peplink"));
    if (!options.address.setAddress(parser.value(address)))
        return fail(QStringLiteral("--address must be an IP address"));
    bool portOk = false;
    const uint port = parser.value(controlPort).toUInt(&portOk);
    if (!portOk || port == 0 || port > 65535)
        return fail(QStringLiteral("--control-port must be a port number"));
    options.controlPort = static_cast<quint16>(port);
    if (RouterSimulator::needsTls(options.family) && (!parser.isSet(cert) || !parser.isSet(key)))
        return fail(QStringLiteral("this family serves HTTPS: give --cert and --key"));
    if (parser.isSet(cert) || parser.isSet(key)) {
        QString error;
        options.tls = serverTls(parser.value(cert), parser.value(key), &error);
        if (!options.tls)
            return fail(error);
    }
    if (!parser.isSet(state) || !QDir(parser.value(state)).exists())
        return fail(QStringLiteral("--state must name an existing folder"));
    options.stateFile = ClientStateFile::path(parser.value(state), options.family);

    QFile scenarioFile(parser.value(scenario));
    if (!scenarioFile.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read the scenario file"));
    ScenarioReader::Result read = ScenarioReader::read(scenarioFile.readAll());
    if (!read.scenario)
        return fail(read.error);

    if (parser.isSet(timeline)) {
        QFile timelineFile(parser.value(timeline));
        if (!timelineFile.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read the timeline file"));
        DemoTimelineRead played = DemoTimeline::read(timelineFile.readAll());
        if (!played.timeline)
            return fail(played.error);
        addTimelineCameras(*read.scenario, *played.timeline);
        options.timeline = played.timeline;
    }

    RouterSimulator simulator(*read.scenario, options);
    QString error;
    if (!simulator.start(&error))
        return fail(error);
    return QCoreApplication::exec();
}

// The state files the SSH-side commands read: ubus runs on the GL.iNet router,
// hostapd_cli on the UniFi access point (either controller generation).
QStringList stateFamilies(const QString& command) {
    if (command == QStringLiteral("ubus"))
        return {QStringLiteral("glinet")};
    return {QStringLiteral("unifi"), QStringLiteral("unifi-classic")};
}

// "client-ip client-port server-ip server-port", as sshd sets it.
QString sshServerAddress() {
    return qEnvironmentVariable("SSH_CONNECTION").split(QLatin1Char(' ')).value(2);
}

// Leaves bound Unix sockets named NAME... in FOLDER, as an access point's
// hostapd keeps its control sockets.
int makeUnixSockets(const QStringList& arguments) {
    if (arguments.size() < 2)
        return fail(QStringLiteral("usage: unix-sockets FOLDER NAME..."));
    for (const QString& name : arguments.mid(1)) {
        const QByteArray path = QFile::encodeName(arguments.first() + QLatin1Char('/') + name);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= qsizetype(sizeof(address.sun_path)))
            return fail(QStringLiteral("socket path too long"));
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
        const bool bound =
            fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
        if (fd >= 0)
            ::close(fd);
        if (!bound)
            return fail(QStringLiteral("cannot bind ") + QFile::decodeName(path));
    }
    return 0;
}

int runShellCommand(const QString& command, const QString& invokedAs, QStringList arguments) {
    QString stateDirectory;
    if (arguments.size() >= 2 && arguments.first() == QStringLiteral("--state")) {
        stateDirectory = arguments[1];
        arguments.remove(0, 2);
    }
    if (stateDirectory.isEmpty())
        stateDirectory = qEnvironmentVariable("VELTRANO_ROUTER_STATE");
    if (stateDirectory.isEmpty())
        stateDirectory = StateLocation::find(invokedAs, qEnvironmentVariable("PATH"),
                                             QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
    std::optional<Scenario> state;
    for (const QString& family : stateFamilies(command)) {
        if (!stateDirectory.isEmpty())
            state = ClientStateFile::read(ClientStateFile::path(stateDirectory, family));
        if (state)
            break;
    }
    if (!state) {
        print(stderr, command.toUtf8() + ": no simulator state found\n");
        return 255;
    }
    const CommandOutput output = command == QStringLiteral("ubus")
                                     ? UbusCommand::run(arguments, *state)
                                     : HostapdCliCommand::run(arguments, *state, sshServerAddress());
    print(stdout, output.standardOutput);
    print(stderr, output.standardError);
    return output.exitCode;
}

// The login the lab gives root over SSH and hands to the tests: user name and
// password on two lines.
int printCredentials(const QString& scenarioPath) {
    QFile scenarioFile(scenarioPath);
    if (!scenarioFile.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read the scenario file"));
    const ScenarioReader::Result read = ScenarioReader::read(scenarioFile.readAll());
    if (!read.scenario)
        return fail(read.error);
    print(stdout, read.scenario->username.toUtf8() + '\n' + read.scenario->password.toUtf8() + '\n');
    return 0;
}

QStringList argumentList(int argc, char** argv, int from) {
    QStringList arguments;
    for (int i = from; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char** argv) {
    const QString invokedAs = QString::fromLocal8Bit(argv[0]);
    const QString name = QFileInfo(invokedAs).fileName();
    if (name == QStringLiteral("ubus") || name == QStringLiteral("hostapd_cli"))
        return runShellCommand(name, invokedAs, argumentList(argc, argv, 1));
    const QString verb = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (verb == QStringLiteral("ubus") || verb == QStringLiteral("hostapd_cli"))
        return runShellCommand(verb, invokedAs, argumentList(argc, argv, 2));
    if (verb == QStringLiteral("serve"))
        return serve(argc, argv);
    if (verb == QStringLiteral("unix-sockets"))
        return makeUnixSockets(argumentList(argc, argv, 2));
    if (verb == QStringLiteral("credentials") && argc == 3)
        return printCredentials(QString::fromLocal8Bit(argv[2]));
    return fail(
        QStringLiteral("usage: veltrano-router-simulator serve --family F --address A --scenario FILE "
                       "--state DIR [--cert PEM --key PEM] [--timeline FILE] [--control-port N] | "
                       "credentials FILE | unix-sockets FOLDER NAME... | ubus ... | "
                       "hostapd_cli ..."));
}
