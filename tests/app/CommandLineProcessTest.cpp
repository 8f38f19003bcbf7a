// The program's command line as a person meets it in a terminal: the version, the help, a
// clear error with exit code 2, and no diagnostic lines unless they are asked for.

#include "MainWndTestEnv.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int code = -1;
    QString out, err;
};

Outcome Program(const QStringList& args, const QProcessEnvironment& env, int runMs = 15000) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(apptest::StageDir() + QStringLiteral("/zk412v"), args);
    Outcome r;
    if (!p.waitForStarted(5000))
        return r;
    if (!p.waitForFinished(runMs)) {
        p.terminate(); // a start that runs: end it as the session would
        if (!p.waitForFinished(5000))
            p.kill();
        p.waitForFinished(5000);
    } else {
        r.code = p.exitCode();
    }
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QProcessEnvironment Environment(const zktest::TempDir& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString h = QString::fromStdString(home.str());
    env.insert("HOME", h);
    env.insert("XDG_CONFIG_HOME", h + "/.config");
    env.insert("XDG_RUNTIME_DIR", h);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("QT_LOGGING_RULES");
    env.remove("ZK412V_DEBUG");
    return env;
}

TEST(CommandLineProcess, VersionHelpAndUnknownOptions) {
    zktest::TempDir home;
    const auto env = Environment(home);

    const Outcome version = Program({"--version"}, env);
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^zk412v \\d+\\.\\d+\\.\\d+\\n$"))
                    .match(version.out)
                    .hasMatch())
        << version.out.toStdString();

    const Outcome help = Program({"--help"}, env);
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: zk412v")));
    EXPECT_TRUE(help.err.isEmpty());

    for (const QStringList& bad : {QStringList{"--frobnicate"}, QStringList{"--emulate", "x"},
                                   QStringList{"--keyboard-model", "9"}}) {
        const Outcome r = Program(bad, env);
        EXPECT_EQ(r.code, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("zk412v: "))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST(CommandLineProcess, DiagnosticLinesOnlyWhenAskedFor) {
    zktest::TempDir home;
    auto env = Environment(home);
    const Outcome quiet = Program({"--emulate"}, env, 2500);
    EXPECT_FALSE(quiet.err.contains(QStringLiteral("zk412v: InitWindow")))
        << quiet.err.toStdString();
    EXPECT_FALSE(quiet.out.contains(QStringLiteral("InitWindow")));

    zktest::TempDir home2;
    env = Environment(home2);
    env.insert("QT_LOGGING_RULES", "zk412v.debug=true");
    const Outcome loud = Program({"--emulate"}, env, 2500);
    EXPECT_TRUE(loud.err.contains(QStringLiteral("zk412v: InitWindow"))) << loud.err.toStdString();
}

} // namespace
