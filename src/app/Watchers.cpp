#include "app/Watchers.h"

#include "app/MainWnd.h"
#include "platform/FileIo.h"
#include "platform/ForegroundApp.h"
#include "platform/Log.h"
#include "profiles/AppWatcher.h"
#include "profiles/ProfileIndex.h"
#include "ui/Controls.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <pthread.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>

namespace zk::app {

namespace {

using profiles::CycleResult;

// How long a watcher waits for the main thread between looks at its stop
// event (the main thread's answer wakes it at once).
constexpr std::chrono::milliseconds kMainThreadWait{1000};

// The selectors of the main window, on the main thread.
class WindowSelectors final : public profiles::WatchedSelectors {
public:
    explicit WindowSelectors(CMainWnd& window) : window_(&window) {}

    std::optional<int> Count(std::string_view selector) override {
        QWidget* control = Find(selector);
        if (!control)
            return std::nullopt;
        return ui::GetCount(control);
    }

    void Select(std::string_view selector, int index) override {
        if (QWidget* control = Find(selector))
            ui::SelectItem(control, index, true);
    }

    bool Closing() const override { return window_ && window_->IsClosing(); }

private:
    QWidget* Find(std::string_view selector) const {
        if (!window_ || !window_->IsWindow())
            return nullptr;
        return window_->FindControl(
            QString::fromUtf8(selector.data(), static_cast<int>(selector.size())));
    }

    QPointer<CMainWnd> window_;
};

// What the watchers share with the main thread: the context of their calls
// and the selectors. A child of the window, so it goes after the threads.
class WatcherHost final : public QObject {
public:
    explicit WatcherHost(CMainWnd& window) : QObject(&window), selectors_(window) {}

    std::optional<CycleResult>
    OnMainThread(const ThreadParam& param,
                 std::function<CycleResult(profiles::WatchedSelectors&)> cycle) {
        struct Pending {
            std::mutex mutex;
            std::optional<CycleResult> result;
        };
        auto pending = std::make_shared<Pending>();
        auto stop = param.stop;
        QMetaObject::invokeMethod(
            this,
            [this, pending, stop, cycle = std::move(cycle)] {
                const CycleResult result = cycle(selectors_);
                {
                    std::lock_guard lock(pending->mutex);
                    pending->result = result;
                }
                stop->Wake();
            },
            Qt::QueuedConnection);
        for (;;) {
            {
                std::lock_guard lock(pending->mutex);
                if (pending->result)
                    return pending->result;
            }
            if (stop->WaitFor(kMainThreadWait))
                return std::nullopt;
        }
    }

private:
    WindowSelectors selectors_;
};

ThreadPlaces::Body WatcherBody(WatcherHost* host, const profiles::WatcherEntry& watcher) {
    return [host, &watcher](const ThreadParam& param) {
        const std::string name = "zk-watch-" + std::to_string(param.place);
        pthread_setname_np(pthread_self(), name.c_str());
        const auto foreground = platform::ForegroundApp::OnX11();
        profiles::WatcherEnvironment env;
        env.foreground = [&foreground] { return foreground->ForegroundExecutable(); };
        env.onMainThread = [host, &param](auto cycle) {
            return host->OnMainThread(param, std::move(cycle));
        };
        env.wait = [stop = param.stop](std::chrono::milliseconds wait) {
            return stop->WaitFor(wait);
        };
        // A write of the index file ends an idle watcher's sleep.
        const auto indexPath = profiles::ProfileIndex(watcher.device).File().Path();
        const auto wake = platform::FileReplacements().Subscribe(
            [stop = param.stop, indexPath](const std::filesystem::path& written) {
                if (written == indexPath)
                    stop->Wake();
            });
        env.log = [](std::string_view line) { platform::DebugLine(line); };
        profiles::RunWatcher(watcher, env);
    };
}

} // namespace

static_assert(kPlaceWatcherLast - kPlaceWatcherFirst + 1 == profiles::kWatcherCount);

void InstallWatchers(CMainWnd& window, MainWndSeams& seams) {
    auto* host = new WatcherHost(window);
    const auto& watchers = profiles::Watchers();
    for (int i = 0; i < profiles::kWatcherCount; ++i)
        seams.threads[kPlaceWatcherFirst + i] = WatcherBody(host, watchers[i]);
}

} // namespace zk::app
