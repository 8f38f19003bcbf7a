#include "platform/Log.h"
#include "platform/PrivateFonts.h"
#include "platform/QtLog.h"
#include "platform/RequestServer.h"
#include "platform/SingleInstance.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QProcess>
#include <QStringList>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

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

// A connected Unix stream socket, or -1.
int ConnectTo(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
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
    const int stranger = ConnectTo(name.toStdString());
    ASSERT_GE(stranger, 0);
    ::send(stranger, "HELLO\n", 6, MSG_NOSIGNAL);
    char byte = 0;
    WaitFor([&] { return ::recv(stranger, &byte, 1, MSG_DONTWAIT) == 0; }, 1000);
    ::close(stranger);
    EXPECT_EQ(signalled, 1);
}

// Clients of the request socket at once, each in its own way: whole
// requests, requests trickling in piece by piece, a reply far larger than the
// socket's buffer, and peers that leave mid-request. Each whole request gets
// its own answer; a peer that leaves disturbs no one.
TEST(RequestServer, ServesManyClientsAtOnceWhateverPiecesTheirBytesComeIn) {
    using zk::platform::ControlReply;
    using zk::platform::ControlRequest;
    zktest::TempDir dir;
    const std::string path = (dir / "ctl").string();
    std::ofstream(path) << "left by a program that is gone";
    const std::string big(3 * 1024 * 1024, 'x');
    int handled = 0;
    zk::platform::RequestServer server(
        QString::fromStdString(path), [&](const ControlRequest& request) {
            ++handled;
            const bool large = request.args.size() == 1 && request.args[0] == "big";
            return ControlReply{static_cast<int>(request.args.size()),
                                large ? big : request.workingFolder, "e"};
        });
    ASSERT_TRUE(server.Start());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    struct Client {
        const char* what;
        ControlRequest request;
        std::size_t piece; // bytes per send; 0: the whole request at once
        std::size_t cut;   // leaves after sending this many bytes; 0: never
    };
    std::vector<Client> clients = {
        {"byte by byte", {"/one", {"a", "b"}}, 1, 0},
        {"header split", {"/two", {"c"}}, 5, 0},
        {"large reply", {"/three", {"big"}}, 0, 0},
        {"gone inside the header", {"/four", {"d"}}, 1, 5},
        {"gone inside the body", {"/five", {"e", "f"}}, 4, 15},
    };
    for (int i = 0; i < 8; ++i)
        clients.push_back({"whole", {"/w" + std::to_string(i), {}}, 0, 0});

    auto run = [&path](const Client& c) -> std::string {
        const int fd = ConnectTo(path);
        if (fd < 0)
            return "no connection";
        timeval wait{10, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        const std::string bytes = zk::platform::EncodeRequest(c.request);
        const std::size_t end = c.cut ? c.cut : bytes.size();
        const std::size_t piece = c.piece ? c.piece : bytes.size();
        for (std::size_t at = 0; at < end; at += piece) {
            ::send(fd, bytes.data() + at, std::min(piece, end - at), MSG_NOSIGNAL);
            if (c.piece)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        std::string answer;
        if (!c.cut) {
            char chunk[65536];
            for (ssize_t n; (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;)
                answer.append(chunk, static_cast<std::size_t>(n));
        }
        ::close(fd);
        return answer;
    };
    std::vector<std::future<std::string>> answers;
    for (const Client& c : clients)
        answers.push_back(std::async(std::launch::async, run, c));
    ASSERT_TRUE(WaitFor(
        [&] {
            for (auto& a : answers)
                if (a.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
                    return false;
            return true;
        },
        20000));

    int whole = 0;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        const Client& c = clients[i];
        SCOPED_TRACE(c.what);
        const std::string answer = answers[i].get();
        if (c.cut) {
            EXPECT_EQ(answer, "");
            continue;
        }
        ++whole;
        const auto reply = zk::platform::DecodeReply(answer);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->exitCode, static_cast<int>(c.request.args.size()));
        EXPECT_EQ(reply->out, c.request.args == std::vector<std::string>{"big"}
                                  ? big
                                  : c.request.workingFolder);
        EXPECT_EQ(reply->err, "e");
    }
    EXPECT_EQ(handled, whole);

    // The tool's own client still gets through afterwards.
    auto tool = std::async(std::launch::async, [&path] {
        ControlReply reply;
        const auto result = zk::platform::SendControlRequest(path, {"/t", {"x"}}, reply, 5000);
        return result == zk::platform::SendResult::Answered ? reply.out : "no answer";
    });
    ASSERT_TRUE(WaitFor(
        [&] { return tool.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_EQ(tool.get(), "/t");
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
