// zk412vctl through the running window program: the tool's requests travel
// over the request socket to the main window (wired with the emulated
// devices), which carries them out on its GUI thread, so the devices, the
// profile files and the window's controls all show the change. Malformed
// requests get an answer, never a crash.

#include "MainWndTestEnv.h"

#include "app/ControlService.h"
#include "app/Subsystems.h"
#include "control/Texts.h"
#include "control/Tool.h"
#include "emulator/Emulator.h"
#include "platform/ControlSocket.h"
#include "platform/Folders.h"
#include "profiles/ProfileIndex.h"
#include "settings/MouseSettingsImage.h"
#include "ui/Controls.h"

#include <QSlider>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <future>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
namespace emu = zk::emulator;
namespace fs = std::filesystem;

namespace {

class CtlWindowTest : public apptest::MainWndTest {
protected:
    void SetUp() override {
        apptest::MainWndTest::SetUp();
        zk::control::Texts::LoadEnglish(apptest::StageDir().toStdString());
        places_ = {(run_ / "ctl").string(), (run_ / "instance.lock").string(),
                   (run_ / "tool.lock").string(), 20000};
        // The window program's instance lock, as its start-up holds it.
        lock_ = ::open(places_.instanceLock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_EQ(::flock(lock_, LOCK_EX), 0);
    }
    void TearDown() override {
        service_.reset();
        ::close(lock_);
        apptest::MainWndTest::TearDown();
    }

    // Two mouse profiles, "profile1" selected, before the window reads them.
    void TwoMouseProfiles() {
        const fs::path folder = fs::path(zk::platform::GetDataFolder()) / "ms";
        fs::create_directories(folder);
        const fs::path factory =
            fs::path(apptest::StageDir().toStdString()) / "msdevicedefault.config";
        fs::copy_file(factory, folder / "profile1.config");
        fs::copy_file(factory, folder / "fps.config");
        zk::profiles::ProfileIndex index(zk::profiles::DeviceKind::Mouse);
        index.SetName(zk::profiles::ProfileKind::Device, 0, "profile1");
        index.SetName(zk::profiles::ProfileKind::Device, 1, "fps");
        index.SetCount(zk::profiles::ProfileKind::Device, 2);
        index.SetSelected(zk::profiles::ProfileKind::Device, 0);
    }

    void OpenServed() {
        ASSERT_NO_FATAL_FAILURE(WireEmulated());
        ASSERT_NO_FATAL_FAILURE(Open());
        service_ = std::make_unique<zk::app::ControlService>(
            *wnd_, QString::fromStdString(places_.socketPath));
        ASSERT_TRUE(service_->Start());
        ASSERT_NO_FATAL_FAILURE(WaitForMouseRead(0ms));
        ASSERT_TRUE(SpinUntil(
            [this] { return wnd_->Channel(zk::app::kChannelMousepad).IsConnected(); }, 3s));
        Spin(300ms);
    }

    // The tool as a user runs it, on a thread of its own while the window's
    // event loop answers.
    zk::control::Outcome Tool(std::vector<std::string> args) {
        auto result = std::async(std::launch::async,
                                 [this, args] { return zk::control::RunTool(args, places_); });
        EXPECT_TRUE(
            SpinUntil([&] { return result.wait_for(0ms) == std::future_status::ready; }, 20s));
        return result.get();
    }

    // Sends raw bytes to the request socket; the answer's bytes, if any.
    std::string Raw(const std::string& bytes, bool halfClose) {
        auto result = std::async(std::launch::async, [this, bytes, halfClose] {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, places_.socketPath.c_str(), sizeof address.sun_path - 1);
            std::string answer;
            if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
                if (halfClose)
                    ::shutdown(fd, SHUT_WR);
                timeval wait{8, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
                char chunk[4096];
                for (ssize_t n; (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;)
                    answer.append(chunk, static_cast<std::size_t>(n));
            }
            ::close(fd);
            return answer;
        });
        EXPECT_TRUE(
            SpinUntil([&] { return result.wait_for(0ms) == std::future_status::ready; }, 15s));
        return result.get();
    }

    std::vector<std::uint8_t> MouseMemory() {
        return bus_->Mouse()->Memory(emu::MemoryArea::Settings);
    }

    zktest::TempDir run_;
    zk::control::ToolPlaces places_;
    int lock_ = -1;
    std::unique_ptr<zk::app::ControlService> service_;
};

TEST_F(CtlWindowTest, CommandsReachTheDeviceAndTheWindowShowsThem) {
    OpenServed();
    const auto caps = bus_->Mouse()->Memory(emu::MemoryArea::Capabilities);
    const int base = caps[13] | (caps[14] << 8);

    const auto dpi = Tool({"dpi", "2", std::to_string(base + 700)});
    ASSERT_EQ(dpi.exitCode, 0) << dpi.err;
    EXPECT_EQ(zk::settings::DpiOfLevel(MouseMemory()[16], base), base + 700);
    auto* slider = wnd_->FindControl<QSlider>(QStringLiteral("DPI_slider_2"));
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(zk::settings::DpiOfLevel(slider->value(), base), base + 700);

    const auto rate = Tool({"rate", "1000"});
    ASSERT_EQ(rate.exitCode, 0) << rate.err;
    EXPECT_EQ(MouseMemory()[14], 3);
    auto* rateSlider = wnd_->FindControl<QSlider>(QStringLiteral("USB_rate_slider"));
    ASSERT_NE(rateSlider, nullptr);
    EXPECT_EQ(rateSlider->value(), 4);

    const auto light = Tool({"light", "mousepad", "--mode", "Steady"});
    ASSERT_EQ(light.exitCode, 0) << light.err;
    EXPECT_EQ(bus_->Mousepad()->Memory(emu::MemoryArea::Settings)[1], 3);
    EXPECT_EQ(zk::ui::GetCurSel(wnd_->FindControl(QStringLiteral("mp_deng_combo_modeSelect"))), 3);

    // The same command lines and exit codes as without the window.
    const auto bad = Tool({"dpi", "2", "1"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("out of range"), std::string::npos);
    const auto shown = Tool({"show", "--json"});
    EXPECT_NE(shown.out.find("\"reportRate\":1000"), std::string::npos) << shown.out;
}

TEST_F(CtlWindowTest, AProfileIsAppliedThroughTheWindowsList) {
    TwoMouseProfiles();
    OpenServed();
    QWidget* list = wnd_->FindControl(QStringLiteral("config_list"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(zk::ui::GetCount(list), 2);
    const auto applied = Tool({"profile", "apply", "mouse", "fps"});
    ASSERT_EQ(applied.exitCode, 0) << applied.err;
    EXPECT_EQ(zk::ui::GetCurSel(list), 1);
    EXPECT_EQ(zk::profiles::ProfileIndex(zk::profiles::DeviceKind::Mouse)
                  .SelectedName(zk::profiles::ProfileKind::Device),
              "fps");

    // An imported profile joins the list at its end; the selection stays.
    const std::string file = (run_ / "tournament.config").string();
    ASSERT_EQ(Tool({"profile", "export", "mouse", "fps", file}).exitCode, 0);
    const auto imported = Tool({"profile", "import", "mouse", file});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    ASSERT_EQ(zk::ui::GetCount(list), 3);
    EXPECT_EQ(zk::ui::GetItemText(list, 2), QStringLiteral("tournament"));
    EXPECT_EQ(zk::ui::GetCurSel(list), 1);
}

TEST_F(CtlWindowTest, MalformedRequestsAreAnsweredAndTheWindowGoesOn) {
    OpenServed();
    const std::string good = zk::platform::EncodeRequest({"/", {"list"}});
    auto u32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                           static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
    };
    const std::vector<std::pair<const char*, std::string>> refused = {
        {"not a request", "GET / HTTP/1.0\r\n\r\n"},
        {"larger than the bound", "ZKQ1" + u32(0x7FFFFFF0)},
        {"string beyond its body", "ZKQ1" + u32(8) + u32(1) + u32(0x10000)},
        {"no strings", "ZKQ1" + u32(4) + u32(0)},
    };
    for (const auto& [what, bytes] : refused) {
        SCOPED_TRACE(what);
        const auto reply = zk::platform::DecodeReply(Raw(bytes, false));
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->exitCode, 2);
        EXPECT_NE(reply->err.find("refused"), std::string::npos);
    }
    // A request cut short and a silent peer are dropped without an answer.
    EXPECT_EQ(Raw(good.substr(0, good.size() - 2), true), "");
    // Nothing of it reached a device; a whole request still works.
    const auto listed = Tool({"list"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find("mousepad"), std::string::npos);
    EXPECT_TRUE(wnd_->isVisible());
}

// Another user who can reach the socket (its mode opened up) is refused by
// its credentials: no answer, nothing carried out.
TEST_F(CtlWindowTest, APeerOfAnotherUserIsRefused) {
    if (::getuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    OpenServed();
    fs::permissions(run_.path(), fs::perms::all);
    fs::permissions(places_.socketPath, fs::perms::all);
    const std::string request = zk::platform::EncodeRequest({"/", {"stage", "6"}});
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, places_.socketPath.c_str(), sizeof address.sun_path - 1);
    int result[2];
    ASSERT_EQ(::pipe(result), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // Only system calls here: the parent has threads.
        char outcome = 'x';
        if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            outcome = 'c';
            if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
                char answer[64];
                outcome = ::recv(fd, answer, sizeof answer, 0) > 0 ? 'a' : 'r';
            }
        }
        [[maybe_unused]] const auto n = ::write(result[1], &outcome, 1);
        ::_exit(0);
    }
    ::close(result[1]);
    int status = 0;
    ASSERT_TRUE(SpinUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 10s));
    char outcome = 0;
    ASSERT_EQ(::read(result[0], &outcome, 1), 1);
    ::close(result[0]);
    EXPECT_EQ(outcome, 'r'); // connected, then closed without an answer
    Spin(200ms);
    EXPECT_NE(MouseMemory()[19], 5);
}

} // namespace
