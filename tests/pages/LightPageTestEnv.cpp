#include "LightPageTestEnv.h"

#include "app/windows/ColorPalette.h"
#include "settings/SettingsFlush.h"

namespace lighttest {

using namespace zk;

namespace {

// Virtual time for the preview ticker: sleeps pass at once, and the loop stops
// after the asked number of frames.
class FrameClock final : public lighting::TickerClock {
public:
    explicit FrameClock(int frames) : frames_(frames) {}
    std::uint32_t NowMs() override { return now_; }
    bool Sleep(std::uint32_t ms) override {
        now_ += ms;
        return false;
    }
    bool WaitStop(std::uint32_t ms) override {
        now_ += ms;
        return frames_-- <= 0;
    }

private:
    int frames_;
    std::uint32_t now_ = 0;
};

} // namespace

LightPageTest::LightPageTest()
    : session_(channel_, dpitest::StagedStoreSeams()),
      services_(image_.RecordBytes().data(), &channel_.connected) {}

void LightPageTest::SetUp() {
    dpitest::UseStagedSkin();
    app::RegisterColorPalette();
    mouse_ = dpitest::PlugEmulatedMouse(installation_, channel_);
    ASSERT_NE(mouse_, nullptr);

    ASSERT_TRUE(session_.store.InitialiseProfiles().created);
    ASSERT_EQ(session_.store.LoadDeviceProfile(0), profiles::kProfileRead);

    window_ = std::make_unique<LightWindow>([this](ui::TNotifyUI& msg) {
        if (page_ && page_->Claims(msg.senderName))
            page_->Notify(msg);
    });
    ASSERT_TRUE(window_->Create(nullptr, QStringLiteral("Lighting"), ui::WindowStyle::Frame,
                                QRect(0, 0, 460, 540)));
    page_ = std::make_unique<pages::MouseLightPage>(window_.get(), session_, services_);
    services_.refresh = [this] { page_->Refresh(); };
    page_->Refresh();
    window_->ShowWindow(true);
    dpitest::SpinUntil([this] { return window_->isVisible(); });

    // Timer 2 as the program runs it: the write, then the colour layouts.
    QObject::connect(&flush_, &QTimer::timeout, [this] {
        settings::FlushTargets targets;
        targets.mouseChannel = &channel_;
        targets.mouse = &image_;
        if (const auto outcome = settings::FlushPendingWrites(targets); outcome.mouseLayouts)
            pages::ApplyMouseLightLayouts(window_.get(), *outcome.mouseLayouts);
    });
    flush_.setTimerType(Qt::PreciseTimer);
    flush_.start(100);
    mouse_->ClearRequestLog();
}

void LightPageTest::TearDown() {
    flush_.stop();
    page_.reset();
    if (window_ && window_->IsWindow()) {
        window_->Close();
        dpitest::SpinUntil([this] { return !window_->IsWindow(); });
    }
    window_.reset();
    channel_.hid.Close();
    installation_.reset();
}

std::vector<emulator::LoggedRequest> LightPageTest::Writes() const {
    std::vector<emulator::LoggedRequest> out;
    for (const auto& r : mouse_->RequestLog())
        if (r.frame[3] == static_cast<std::uint8_t>(protocol::Command::WriteData))
            out.push_back(r);
    return out;
}

bool LightPageTest::NextWrite(std::size_t already) {
    return dpitest::SpinUntil([&] { return Writes().size() > already; });
}

void LightPageTest::RunPreviewFrames(int frames) {
    FrameClock clock(frames);
    services_.bound.RunMouseTicker(clock);
}

} // namespace lighttest
