#include "MainWndTestEnv.h"

#include "app/AppMain.h"
#include "app/Wiring.h"
#include "platform/Log.h"
#include "ui/ResourceManager.h"

#include <QCoreApplication>
#include <QThread>

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
        QThread::msleep(2);
    }
    return true;
}

void Spin(std::chrono::milliseconds time) {
    SpinUntil([] { return false; }, time);
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
    ASSERT_TRUE(SpinUntil([this] { return wnd_->HasTimer(zk::app::kTimerLightFlush); }));
}

void MainWndTest::CloseAndWait() {
    wnd_->Close();
    ASSERT_TRUE(SpinUntil([this] { return !wnd_->IsWindow(); }, std::chrono::seconds(15)));
}

} // namespace apptest
