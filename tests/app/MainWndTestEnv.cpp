#include "MainWndTestEnv.h"

#include "app/AppMain.h"
#include "app/Subsystems.h"
#include "app/Wiring.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "platform/Log.h"
#include "support/WidgetTools.h"
#include "ui/MenuWnd.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QComboBox>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace apptest {

QString StageDir() {
    const char* stage = std::getenv("ZK_STAGE_DIR");
    return stage ? QString::fromUtf8(stage) : QString();
}

bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // Then wait for events (at most 2 ms) as the program's loop does, so
        // that what the window does when its loop is about to wait runs too.
        QTimer::singleShot(2, qApp, [] {});
        QAbstractEventDispatcher::instance()->processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void Spin(std::chrono::milliseconds time) {
    SpinUntil([] { return false; }, time);
}

std::vector<zk::emulator::LoggedRequest> Requests(const zk::emulator::EmulatedDevice& device,
                                                  std::uint8_t command) {
    std::vector<zk::emulator::LoggedRequest> out;
    for (const auto& r : device.RequestLog())
        if (r.frame[3] == command)
            out.push_back(r);
    return out;
}

std::vector<zk::emulator::LoggedRequest> WritesOf(const zk::emulator::EmulatedDevice& device) {
    constexpr std::uint8_t kCmdWriteData = 0x06;
    return Requests(device, kCmdWriteData);
}

void StartInLanguage(bool chinese) {
    zk::platform::IniFile(zk::platform::GetDataFolder() + "main.ini")
        .WriteInt("SKINIMAGE", "LANGUAGE", chinese ? 1 : 0);
}

void LetEarlierQuitPass() {
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

DebugLines::DebugLines() {
    zk::platform::SetDebugSink([this](std::string_view line) {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    });
}

DebugLines::~DebugLines() {
    zk::platform::SetDebugSink({});
}

int DebugLines::Count(const std::string& line) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(lines_.begin(), lines_.end(), line));
}

void MainWndTest::SetUp() {
    auto& rm = zk::ui::ResourceManager::GetInstance();
    rm.SetInstancePath(StageDir() + QStringLiteral("/"));
    rm.SetResourcePath(StageDir() + QStringLiteral("/skin/"));
    ASSERT_TRUE(rm.LoadResource(QStringLiteral("res.xml")));
    zk::app::ApplySkinStyle(rm.GetResourcePath());
    zk::app::RegisterControlClasses();
    wnd_ = std::make_unique<zk::app::CMainWnd>();
    wnd_->SetMessageBox(
        [this](QWidget*, const QString& text, bool isKey) {
            boxes_.push_back({text, isKey, false});
            if (whileBoxOpen_)
                whileBoxOpen_();
            return 1;
        },
        [this](QWidget*) {
            boxes_.push_back({QStringLiteral("message_text_20"), true, true});
            return 0;
        });
}

void MainWndTest::TearDown() {
    if (wnd_ && wnd_->IsWindow())
        CloseAndWait();
    wnd_.reset();
}

void MainWndTest::Open() {
    ASSERT_TRUE(wnd_->Create(nullptr, QStringLiteral("ORVANE ZK412V"), zk::ui::WindowStyle::Frame,
                             QRect(0, 0, 800, 572)));
    wnd_->CenterWindow();
    wnd_->ShowWindow(true);
    // The start-up ends with the timers started and the window hidden.
    ASSERT_TRUE(SpinUntil([this] { return wnd_->TimersStarted(); }));
}

void MainWndTest::CloseAndWait() {
    wnd_->Close();
    ASSERT_TRUE(SpinUntil([this] { return !wnd_->IsWindow(); }, std::chrono::seconds(15)));
}

void MainWndTest::WireEmulated(zk::app::AppOptions options,
                               const std::set<zk::device::DeviceKind>& unplugged) {
    options.emulate = true;
    zk::app::WireSubsystems(*wnd_, options);
    subsystems_ = zk::app::Subsystems::Of(*wnd_);
    ASSERT_NE(subsystems_, nullptr);
    bus_ = subsystems_->Emulator();
    ASSERT_NE(bus_, nullptr);
    mouse_ = bus_->Mouse();
    keyboard_ = bus_->Keyboard();
    mousepad_ = bus_->Mousepad();
    for (auto kind : unplugged)
        bus_->Find(kind)->Unplug();
}

void MainWndTest::WaitForMouseRead(std::chrono::milliseconds settle,
                                   std::chrono::milliseconds limit) {
    ASSERT_TRUE(
        SpinUntil([this] { return wnd_->Channel(zk::app::kChannelMouse).IsConnected(); }, limit));
    ASSERT_TRUE(SpinUntil([this] { return mouse_->RequestCount() >= kReadMouseAllFrames; }, limit));
    Spin(settle);
}

void MainWndTest::WaitForKeyboardRead(std::chrono::milliseconds settle) {
    ASSERT_TRUE(
        SpinUntil([this] { return subsystems_->KeyboardImage().capabilities.keyCount != 0; },
                  std::chrono::seconds(5)));
    Spin(settle);
}

void MainWndTest::WaitForLightPages(const char* keyboardModes) {
    ASSERT_TRUE(SpinUntil(
        [this, keyboardModes] {
            auto* kb = Find<QComboBox>(keyboardModes);
            auto* mp = Find<QComboBox>("mp_deng_combo_modeSelect");
            return kb && kb->count() > 0 && mp && mp->count() > 0;
        },
        std::chrono::seconds(5)));
}

void MainWndTest::OpenEmulated(const zk::app::AppOptions& options) {
    ASSERT_NO_FATAL_FAILURE(WireEmulated(options));
    ASSERT_NO_FATAL_FAILURE(Open());
    WaitForMouseRead();
}

void MainWndTest::ShowPage(const char* deviceTab, const char* pageTab,
                           std::chrono::milliseconds settle) {
    for (const char* name : {deviceTab, pageTab}) {
        auto* tab = Find<QAbstractButton>(name);
        ASSERT_NE(tab, nullptr) << name;
        tab->click();
    }
    Spin(settle);
}

void MainWndTest::ChooseMenuItem(const char* name) {
    zk::ui::MenuCmd cmd;
    cmd.szName = QString::fromLatin1(name);
    wnd_->SendMessage(zk::ui::UIMSG_MENUCLICK, reinterpret_cast<zk::ui::WPARAM>(&cmd));
}

void MainWndTest::Screenshot(const QString& name) const {
    zktest::SaveWindowPicture(wnd_.get(), name);
}

} // namespace apptest
