#pragma once

// A window holding the DPI page of the staged skin and a profile list, over a
// temporary home with two mouse profiles, wired to the emulated mouse through
// the settings image, the profile store and a mouse channel, with timer 2's
// flush running every 100 ms.

#include "emulator/Emulator.h"
#include "lighting/LightPreview.h"
#include "pages/mouse/DpiPage.h"
#include "pages/profiles/MouseDeviceProfiles.h"
#include "platform/PointerSettings.h"
#include "profiles/DeviceSession.h"
#include "support/TempDir.h"
#include "ui/WindowImplBase.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dpitest {

// The staged skin (English) as the window layer's resources, and store seams
// whose module folder holds the staged factory default files.
void UseStagedSkin();
zk::profiles::StoreSeams StagedStoreSeams();

// Processes events until `done` holds or `limit` passed; true when it held.
bool SpinUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(3));
void Spin(std::chrono::milliseconds time);
// Runs `action` as soon as the event loop runs (inside a modal run).
void Soon(std::function<void()> action);

// The window of the DPI page, with a "config_list" and the pointer-page
// picture sliders below it.
class PageWindow : public zk::ui::WindowImplBase {
public:
    explicit PageWindow(std::function<void(zk::ui::TNotifyUI&)> notify)
        : notify_(std::move(notify)) {}
    QString GetWindowClassName() const override { return QStringLiteral("DpiPageWnd"); }
    QString GetSkinFile() override { return QStringLiteral("Mouse_DPI.ui"); }
    void InitWindow() override;
    void Notify(zk::ui::TNotifyUI& msg) override {
        if (notify_)
            notify_(msg);
    }

private:
    std::function<void(zk::ui::TNotifyUI&)> notify_;
};

// Saves a picture of the page window as <ZK_SCREENSHOT_DIR>/<name>.png when
// that variable is set.
void MaybeScreenshot(QWidget* window, const QString& name);

// Opens `channel` on the configuration interface of `device`, marked
// connected; false when it cannot be opened.
bool OpenConfigChannel(zk::emulator::EmulatedDevice& device, zk::protocol::DeviceChannel& channel);

// Installs an emulated bus with the mouse alone and opens `channel` on its
// configuration interface, marked connected; null when it cannot be opened.
zk::emulator::EmulatedDevice*
PlugEmulatedMouse(std::unique_ptr<zk::emulator::EmulatorInstallation>& installation,
                  zk::protocol::DeviceChannel& channel);

// Reads the record bytes of a mouse device profile file (body bytes 512 on).
std::optional<std::array<std::uint8_t, zk::settings::kMouseSettingsRecordSize>>
RecordOfProfileFile(const std::string& name);

// The program's services for the pages of the test window: the real colour
// palette, message keys recorded, refreshes of the mouse pages counted.
class TestServices : public zk::pages::PageServices {
public:
    bool PickColour(QWidget* parent, std::uint32_t initial, std::uint32_t& chosen) override;
    void ShowMessage(std::string_view key) override { messages.emplace_back(key); }
    void RefreshPages(zk::pages::DeviceKind kind) override {
        if (kind == zk::pages::DeviceKind::Mouse && refresh)
            refresh();
    }

    zk::lighting::LightPreview& Preview() override { return preview; }
    zk::platform::PointerSettings& Pointer() override { return *pointer; }

    std::vector<std::string> messages;
    std::function<void()> refresh;
    zk::lighting::LightPreview preview;
    // Stored only (no desktop) unless a test puts in its own.
    std::unique_ptr<zk::platform::PointerSettings> pointer =
        std::make_unique<zk::platform::PointerSettings>(nullptr);
};

class DpiPageTest : public ::testing::Test {
protected:
    DpiPageTest();

    void SetUp() override;
    void TearDown() override;

    // Device capabilities as the mouse reports them (read through the channel).
    void SetLimits(std::uint8_t maxLevel, std::uint16_t base);
    // Puts levels into the live record.
    void SetLevels(const std::array<std::uint8_t, 6>& levels);
    QWidget* Control(const QString& name) const { return window_->FindControl(name); }
    // The CmdWriteData frames the mouse received.
    std::vector<zk::emulator::LoggedRequest> Writes() const;
    // Stops the 100 ms flush (for checks of the flag itself).
    void StopFlush() { flush_.stop(); }

    zktest::TempHome home_;
    std::unique_ptr<zk::emulator::EmulatorInstallation> installation_;
    zk::emulator::EmulatedDevice* mouse_ = nullptr;
    zk::protocol::DeviceChannel channel_;
    zk::profiles::MouseSession session_;
    zk::settings::MouseSettingsImage& image_ = session_.image;
    zk::profiles::MouseProfileStore* const store_ = &session_.store;
    TestServices services_;
    std::unique_ptr<zk::pages::DpiPage> page_;
    std::unique_ptr<zk::pages::MouseDeviceProfiles> profiles_;
    std::unique_ptr<PageWindow> window_;
    QTimer flush_;
    // Notifications the page did not take.
    std::function<void(zk::ui::TNotifyUI&)> otherNotify_;
};

} // namespace dpitest
