// Two processes of the program: the second start hands its activation to the
// first and exits 0 without a window.

#include "MainWndTestEnv.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

struct ProgramRun {
    QString program;
    QProcessEnvironment env;
    zktest::TempDir home;

    ProgramRun() {
        program = apptest::StageDir() + QStringLiteral("/zk412v");
        env = QProcessEnvironment::systemEnvironment();
        const QString h = QString::fromStdString(home.str());
        env.insert("HOME", h);
        env.insert("XDG_CONFIG_HOME", h + "/.config");
        env.insert("XDG_DATA_HOME", h + "/.local/share");
        env.insert("XDG_RUNTIME_DIR", h); // private socket folder (mode 0700)
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_LOGGING_RULES", "zk412v.debug=true");
        env.insert("ZK412V_TRAY", "1");
    }

    void Start(QProcess& p) {
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, {});
    }
};

int CountLines(const QString& out, const QString& line) {
    return static_cast<int>(out.count(QStringLiteral("zk412v: ") + line + QLatin1Char('\n')));
}

} // namespace

TEST(SingleInstance, SecondStartActivatesTheFirstOnceAndExitsWithoutAWindow) {
    ProgramRun run;
    QProcess first;
    run.Start(first);
    ASSERT_TRUE(first.waitForStarted(5000));
    QString firstOut;
    auto readFirst = [&] {
        first.waitForReadyRead(20);
        firstOut += QString::fromUtf8(first.readAll());
    };
    const auto until = [&](const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + 20s;
        while (!done() && std::chrono::steady_clock::now() < end)
            readFirst();
        return done();
    };
    ASSERT_TRUE(until([&] { return CountLines(firstOut, "windowinit root") == 1; }))
        << firstOut.toStdString();

    auto second = [&] {
        QProcess p;
        run.Start(p);
        EXPECT_TRUE(p.waitForFinished(15000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        const QString out = QString::fromUtf8(p.readAll());
        EXPECT_EQ(CountLines(out, "InitWindow"), 0) << out.toStdString();
    };
    second();
    // No device: the first hides and shows "message_text_1".
    EXPECT_TRUE(until([&] { return CountLines(firstOut, "activation message") == 1; }));
    EXPECT_TRUE(until([&] { return CountLines(firstOut, "no device: message_text_1") == 1; }));

    // A third start while that box is open: activated again, no second box.
    second();
    EXPECT_TRUE(until([&] { return CountLines(firstOut, "activation message") == 2; }));
    readFirst();
    EXPECT_EQ(CountLines(firstOut, "no device: message_text_1"), 1) << firstOut.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished(5000);
}
