#include "TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct Finished {
    int exitCode = -1;
    QString out;
    QString err;
};

Finished run(const QString& program, const QStringList& arguments,
             const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(20000))
        process.kill();
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// Both programs answer --help and --version, which need no display, and
// refuse what they do not know with a usage line and status 2.
TEST(ProgramCommandLineTest, HelpVersionAndUnknownOptions) {
    for (const QString& program : {QStringLiteral(VELTRANO_PATH), QStringLiteral(VELTRANO_CLI_PATH)}) {
        const Finished help = run(program, {QStringLiteral("--help")});
        EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
        EXPECT_TRUE(help.out.contains(QStringLiteral("--demo"))) << help.out.toStdString();
        const Finished version = run(program, {QStringLiteral("--version")});
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_TRUE(version.out.contains(QStringLiteral("(build 2"))) << version.out.toStdString();
        const Finished unknown = run(program, {QStringLiteral("--bogus")});
        EXPECT_EQ(unknown.exitCode, 2);
        EXPECT_TRUE(unknown.err.contains(QStringLiteral("usage: "))) << unknown.err.toStdString();
    }
}

// Started from a terminal with no desktop, the tray says where it belongs
// instead of letting Qt abort, and the demo leaves no profile behind.
TEST(ProgramCommandLineTest, WithoutADisplayTheTraySaysSoAndLeavesNothing) {
    TestEnvironment env;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& variable :
         {QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("QT_QPA_PLATFORM")})
        environment.remove(variable);
    for (const char* variable : {"TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
        environment.insert(QString::fromLatin1(variable), env.path(QString::fromLatin1(variable)));
    QDir().mkpath(env.path(QStringLiteral("TMPDIR")));

    const Finished demo = run(QStringLiteral(VELTRANO_PATH), {QStringLiteral("--demo")}, environment);
    EXPECT_EQ(demo.exitCode, 2);
    EXPECT_EQ(demo.err, QStringLiteral("No display: start Veltrano from a desktop session, or run "
                                       "`veltrano-cli watch --demo` in a terminal\n"));
    const Finished unknown = run(QStringLiteral(VELTRANO_PATH), {QStringLiteral("--bogus")}, environment);
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("usage: "))) << unknown.err.toStdString();
    EXPECT_EQ(run(QStringLiteral(VELTRANO_PATH), {QStringLiteral("--version")}, environment).exitCode, 0);

    EXPECT_TRUE(QDir(env.path(QStringLiteral("TMPDIR"))).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(env.path(QStringLiteral("XDG_CONFIG_HOME"))));
}

// The demo plays its script in a profile of its own: the user's folders stay
// untouched, and every line says it is the demo.
TEST(ProgramCommandLineTest, DemoWatchLeavesTheUsersFoldersAlone) {
    TestEnvironment env;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"})
        environment.insert(QString::fromLatin1(variable), env.path(QString::fromLatin1(variable)));
    const Finished watch = run(
        QStringLiteral(VELTRANO_CLI_PATH),
        {QStringLiteral("watch"), QStringLiteral("--demo"), QStringLiteral("--count"), QStringLiteral("3")},
        environment);
    ASSERT_EQ(watch.exitCode, 0) << watch.err.toStdString();
    const QStringList lines = watch.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith(QStringLiteral("Demo \u2014 "))) << line.toStdString();
        EXPECT_TRUE(line.contains(QStringLiteral("A: Excellent"))) << line.toStdString();
    }
    QDirIterator written(env.path(QString()), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                         QDirIterator::Subdirectories);
    EXPECT_FALSE(written.hasNext()) << written.next().toStdString();
}

} // namespace
