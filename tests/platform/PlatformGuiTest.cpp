#include "platform/Log.h"
#include "platform/PrivateFonts.h"
#include "platform/QtLog.h"
#include "platform/SingleInstance.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QLocalSocket>
#include <QProcess>
#include <QStringList>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using zk::platform::SingleInstance;

namespace {

const QString kProbe = QStringLiteral(ZK_INSTANCE_PROBE);

// Runs the event loop until `done` holds or the time is up.
template <typename Pred> bool WaitFor(Pred done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

int RunSecond(const QString& name) {
    QProcess p;
    p.start(kProbe, {"second", name});
    if (!p.waitForFinished(15000))
        return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

} // namespace

TEST(SingleInstance, EachLaterStartActivatesTheFirstOnceAndExitsZero) {
    zktest::TempDir dir;
    const QString name = QString::fromStdString((dir / "inst").string());
    QProcess first;
    first.start(kProbe, {"first", name});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(first.waitForReadyRead(10000));
    ASSERT_EQ(first.readLine().trimmed(), "ready");

    QByteArray seen;
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(RunSecond(name), 0);
        // Each start is seen by the time the next one begins, and only once.
        ASSERT_TRUE(WaitFor([&] {
            first.waitForReadyRead(50);
            seen += first.readAll();
            return seen.count("activated") >= i;
        }));
    }
    first.waitForReadyRead(300);
    seen += first.readAll();
    EXPECT_EQ(seen, "activated 1\nactivated 2\nactivated 3\n");
    first.kill();
    first.waitForFinished();
}

TEST(SingleInstance, SocketLeftByACrashedInstanceDoesNotBlockTheNextStart) {
    zktest::TempDir dir;
    const QString name = QString::fromStdString((dir / "inst").string());
    {
        QProcess crashed;
        crashed.start(kProbe, {"first", name});
        ASSERT_TRUE(crashed.waitForReadyRead(10000));
        crashed.kill();
        crashed.waitForFinished();
    }
    ASSERT_TRUE(QFile::exists(name)); // the dead instance's socket is still there

    SingleInstance instance(name);
    int handled = 0;
    instance.SetActivationHandler([&] { ++handled; });
    int signalled = 0;
    QObject::connect(&instance, &SingleInstance::activated, [&] { ++signalled; });
    ASSERT_EQ(instance.Start(), SingleInstance::Role::First);
    EXPECT_TRUE(instance.IsListening());

    // A later start reaches this instance (run in the background so that this
    // event loop can accept it).
    QProcess second;
    second.start(kProbe, {"second", name});
    ASSERT_TRUE(
        WaitFor([&] { return second.state() == QProcess::NotRunning && signalled >= 1; }, 15000));
    EXPECT_EQ(second.exitCode(), 0);
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(signalled, 1);
    EXPECT_EQ(handled, 1);

    // A stranger that sends something else is no activation.
    QLocalSocket stranger;
    stranger.connectToServer(name);
    ASSERT_TRUE(stranger.waitForConnected(2000));
    stranger.write("HELLO\n");
    stranger.waitForBytesWritten(1000);
    WaitFor([&] { return stranger.state() == QLocalSocket::UnconnectedState; }, 1000);
    EXPECT_EQ(signalled, 1);
}

TEST(PrivateFonts, LoadsRealFontsAndSkipsEmptyOrMissingOnes) {
    zktest::TempDir dir;
    fs::create_directories(dir / "Font");
    std::ofstream(dir / "Font/Empty.ttf").close();
    const QString folder = QString::fromStdString(dir.str()) + "/";

    EXPECT_FALSE(zk::platform::LoadPrivateFont(folder, "Font/Empty.ttf"));
    EXPECT_FALSE(zk::platform::LoadPrivateFont(folder, "Font/Missing.otf"));
    EXPECT_TRUE(zk::platform::PrivateFontFamilies().isEmpty());

    const fs::path system = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (fs::exists(system)) {
        fs::copy_file(system, dir / "Font/Real.ttf");
        const int before = QFontDatabase::families().size();
        EXPECT_TRUE(zk::platform::LoadPrivateFont(folder, "Font/Real.ttf"));
        EXPECT_EQ(zk::platform::PrivateFontFamilies(), QStringList{"DejaVu Sans"});
        EXPECT_GE(QFontDatabase::families().size(), before);
    }
    // Removal skips the failed ones and forgets everything.
    zk::platform::RemovePrivateFonts();
    EXPECT_TRUE(zk::platform::PrivateFontFamilies().isEmpty());
    zk::platform::RemovePrivateFonts();
}

namespace {
QStringList g_messages;
void Collect(QtMsgType, const QMessageLogContext& ctx, const QString& msg) {
    g_messages << QString::fromUtf8(ctx.category) + ":" + msg;
}
} // namespace

TEST(QtLog, DebugLinesGoToTheZk412vCategory) {
    QLoggingCategory::setFilterRules("zk412v.debug=true");
    auto previousHandler = qInstallMessageHandler(Collect);
    zk::platform::InstallQtDebugSink();
    zk::platform::DebugLine("\xE8\xAF\xBB line");
    qInstallMessageHandler(previousHandler);
    zk::platform::SetDebugSink({});
    QLoggingCategory::setFilterRules("");
    EXPECT_EQ(g_messages, QStringList{QString::fromUtf8("zk412v:\xE8\xAF\xBB line")});
}
