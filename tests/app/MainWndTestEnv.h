#pragma once

#include "app/AppOptions.h"
#include "app/MainWnd.h"
#include "emulator/Emulator.h"
#include "support/TempDir.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zk::app {
class Subsystems;
}

namespace apptest {

// The mouse's whole read at its connection: CmdStart, capabilities, 10 chunks
// of the default table, 5 × 10 of the profile tables, CmdFinish.
inline constexpr std::size_t kReadMouseAllFrames = 63;

// The requests with `command` (frame byte 3) a device received, oldest first.
std::vector<zk::emulator::LoggedRequest> Requests(const zk::emulator::EmulatedDevice& device,
                                                  std::uint8_t command);
// The data writes (CmdWriteData) a device received, oldest first.
std::vector<zk::emulator::LoggedRequest> WritesOf(const zk::emulator::EmulatedDevice& device);

// The language the window starts in: Chinese or English.
void StartInLanguage(bool chinese);

// A main window closed by an earlier test asked the application to quit,
// which keeps any later modal loop from running: lets that request pass.
void LetEarlierQuitPass();

// The folder with the built program and its skin (ZK_STAGE_DIR).
QString StageDir();

// Runs the event loop until `done` holds or the time is up; true when it held.
bool SpinUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(5));
void Spin(std::chrono::milliseconds time);

// The program's diagnostic lines, collected while the object lives.
class DebugLines {
public:
    DebugLines();
    ~DebugLines();
    int Count(const std::string& line) const;
    bool Has(const std::string& line) const { return Count(line) > 0; }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// A main window over the staged skin, with a temporary home and a recording
// message box. Configure seams before Open().
class MainWndTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the window as the entry point does, shows it and waits for its
    // "windowinit" start-up to be done.
    void Open();
    // Closes the window and waits until its destroy sequence has run.
    void CloseAndWait();

    // Wires the subsystems as `zk412v --emulate` runs them, with `options`
    // (`emulate` is set here); the devices of `unplugged` are pulled out
    // before any thread starts. Sets subsystems_, bus_ and the three devices.
    void WireEmulated(zk::app::AppOptions options = {},
                      const std::set<zk::device::DeviceKind>& unplugged = {});
    // Waits until the emulated mouse is connected and its whole read at the
    // connection has arrived, then lets the event loop run for `settle`.
    void WaitForMouseRead(std::chrono::milliseconds settle = std::chrono::milliseconds(100),
                          std::chrono::milliseconds limit = std::chrono::seconds(3));
    // Waits until the emulated keyboard was read (500 ms after the start),
    // then lets the event loop run for `settle`.
    void WaitForKeyboardRead(std::chrono::milliseconds settle = std::chrono::milliseconds(200));
    // Waits until the keyboard's and the mousepad's light pages were filled
    // from their devices (`keyboardModes`: the keyboard model's mode combo).
    void WaitForLightPages(const char* keyboardModes = "kb_deng_combo_modeSelect");
    // The program as `zk412v --emulate` starts it: WireEmulated, Open and
    // WaitForMouseRead.
    void OpenEmulated(const zk::app::AppOptions& options = {});
    // Clicks a device tab ("ms_tab") and then one of its page tabs
    // ("ms_dpi_Op_tab"), and lets the page settle for `settle`.
    void ShowPage(const char* deviceTab, const char* pageTab,
                  std::chrono::milliseconds settle = std::chrono::milliseconds(50));

    template <class T = QWidget> T* Find(const char* name) const {
        return wnd_->FindControl<T>(QString::fromLatin1(name));
    }
    // Chooses an item of the window's menus ("lan_en", ...) as the menu
    // delivers it.
    void ChooseMenuItem(const char* name);
    // Saves the window as <ZK_SCREENSHOT_DIR>/<name>.png when that variable is set.
    void Screenshot(const QString& name) const;

    struct ShownBox {
        QString text;
        bool isKey;
        bool timed;
    };

    zktest::TempHome home_;
    DebugLines lines_;
    std::unique_ptr<zk::app::CMainWnd> wnd_;
    // Set by WireEmulated.
    zk::app::Subsystems* subsystems_ = nullptr;
    zk::emulator::EmulatedBus* bus_ = nullptr;
    zk::emulator::EmulatedDevice* mouse_ = nullptr;
    zk::emulator::EmulatedDevice* keyboard_ = nullptr;
    zk::emulator::EmulatedDevice* mousepad_ = nullptr;
    std::vector<ShownBox> boxes_;
    // Runs inside the (modal) message box, while it is open.
    std::function<void()> whileBoxOpen_;
};

} // namespace apptest
