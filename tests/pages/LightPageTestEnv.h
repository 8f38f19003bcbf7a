#pragma once

// A window holding the mouse lighting page of the staged skin, over a
// temporary home with the factory mouse profiles, wired to the emulated mouse
// through the settings image, the profile store and a mouse channel, with
// timer 2's flush (and the colour layouts it chooses) every 100 ms and a light
// preview that reads the image's light bytes.

#include "DpiPageTestEnv.h"

#include "lighting/LightPreview.h"
#include "pages/mouse/LightingPage.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace lighttest {

// The window of the lighting page.
class LightWindow : public zk::ui::WindowImplBase {
public:
    explicit LightWindow(std::function<void(zk::ui::TNotifyUI&)> notify)
        : notify_(std::move(notify)) {}
    QString GetWindowClassName() const override { return QStringLiteral("LightPageWnd"); }
    QString GetSkinFile() override { return QStringLiteral("Mouse_deng.ui"); }
    void Notify(zk::ui::TNotifyUI& msg) override {
        if (notify_)
            notify_(msg);
    }

private:
    std::function<void(zk::ui::TNotifyUI&)> notify_;
};

// The test services with a preview bound to the page's settings image and a
// connected mouse.
class LightServices : public dpitest::TestServices {
public:
    LightServices(std::uint8_t* mouseLight, const std::atomic<std::int32_t>* connected)
        : bound(zk::lighting::LightPreviewBindings{.mouseLight = mouseLight,
                                                   .mouseConnected = connected}) {}
    zk::lighting::LightPreview& Preview() override { return bound; }
    zk::lighting::LightPreview bound;
};

class LightPageTest : public ::testing::Test {
protected:
    LightPageTest();

    void SetUp() override;
    void TearDown() override;

    QWidget* Control(const QString& name) const { return window_->FindControl(name); }
    template <class W> W* Control(const QString& name) const {
        return qobject_cast<W*>(Control(name));
    }
    std::uint8_t Byte(std::size_t offset) const { return image_.RecordByte(offset); }
    // The CmdWriteData frames the mouse received.
    std::vector<zk::emulator::LoggedRequest> Writes() const;
    // Waits for a write beyond the first `already`.
    bool NextWrite(std::size_t already);
    // Runs `frames` frames of the mouse preview on this thread (virtual time).
    void RunPreviewFrames(int frames);
    void StopFlush() { flush_.stop(); }

    zktest::TempHome home_;
    std::unique_ptr<zk::emulator::EmulatorInstallation> installation_;
    zk::emulator::EmulatedDevice* mouse_ = nullptr;
    zk::protocol::DeviceChannel channel_;
    zk::profiles::MouseSession session_;
    zk::settings::MouseSettingsImage& image_ = session_.image;
    LightServices services_;
    std::unique_ptr<zk::pages::MouseLightPage> page_;
    std::unique_ptr<LightWindow> window_;
    QTimer flush_;
};

} // namespace lighttest
