#include "app/ControlService.h"

#include "app/MainWnd.h"
#include "app/Subsystems.h"
#include "control/Commands.h"
#include "platform/RequestServer.h"
#include "profiles/ProfileIndex.h"
#include "profiles/ProfileStore.h"
#include "ui/Controls.h"
#include "ui/NotifyHub.h"

#include <QComboBox>
#include <QListWidget>

#include <algorithm>
#include <set>

namespace zk::app {

namespace {

// The rows of the mouse's profile list, as the window fills it.
constexpr int kMouseRowHeight = 20;

// The selector of a kind's PC profiles.
const char* SelectorOf(control::DeviceKind kind) {
    return kind == control::DeviceKind::Mouse      ? "config_list"
           : kind == control::DeviceKind::Keyboard ? "kb_device_profile_combo"
                                                   : "mp_deng_profile_combo";
}

// The window's sessions, reachable while their device is connected.
class WindowAccess final : public control::DeviceAccess {
public:
    WindowAccess(CMainWnd& window, Subsystems& subsystems)
        : window_(window), subsystems_(subsystems) {}
    ~WindowAccess() override {
        for (control::DeviceKind kind : changed_)
            subsystems_.RefreshPages(kind);
    }

    profiles::MouseSession* Mouse(std::string& why) override {
        return Reach(subsystems_.Mouse(), "no mouse is connected", why);
    }
    profiles::KeyboardSession* Keyboard(std::string& why) override {
        return Reach(subsystems_.Keyboard(), "no keyboard is connected", why);
    }
    profiles::MousepadSession* Mousepad(std::string& why) override {
        return Reach(subsystems_.Mousepad(), "no mousepad is connected", why);
    }
    void Changed(control::DeviceKind kind) override { changed_.insert(kind); }

    // New rows at the end of the kind's selector, as its own "new" adds them;
    // nothing is selected or applied.
    void ProfilesChanged(control::DeviceKind kind) override {
        const auto files = control::FilesOf(kind);
        const auto pk = kind == control::DeviceKind::Mousepad ? profiles::ProfileKind::Light
                                                              : profiles::ProfileKind::Device;
        const profiles::ProfileIndex index(files);
        QWidget* selector = window_.FindControl(QString::fromLatin1(SelectorOf(kind)));
        if (!selector)
            return;
        ui::ProgramChangeGuard quiet;
        const int count = std::min(index.Count(pk), profiles::kMaxProfiles);
        for (int row = ui::GetCount(selector); row < count; ++row) {
            const QString text = QString::fromStdString(index.Name(pk, row));
            const int at = ui::AddItem(selector, text);
            if (auto* list = qobject_cast<QListWidget*>(selector)) {
                if (QListWidgetItem* item = list->item(at)) {
                    item->setData(Qt::UserRole, text);
                    item->setSizeHint(QSize(item->sizeHint().width(), kMouseRowHeight));
                }
            } else if (auto* combo = qobject_cast<QComboBox*>(selector)) {
                combo->setItemData(at, text, Qt::UserRole);
            }
        }
    }

    bool ApplyThroughWindow(control::DeviceKind kind, int index) override {
        QWidget* control = window_.FindControl(QString::fromLatin1(SelectorOf(kind)));
        if (!control || index >= ui::GetCount(control))
            return false;
        if (ui::GetCurSel(control) == index)
            ui::SelectItem(control, -1); // choosing the chosen row applies it again
        return ui::SelectItem(control, index, true);
    }

private:
    template <class Session>
    static Session* Reach(Session& session, const char* none, std::string& why) {
        if (session.channel.IsConnected())
            return &session;
        why = none;
        return nullptr;
    }

    CMainWnd& window_;
    Subsystems& subsystems_;
    std::set<control::DeviceKind> changed_;
};

} // namespace

ControlService::ControlService(CMainWnd& window, QString socketPath)
    : window_(window), server_(std::make_unique<platform::RequestServer>(
                           std::move(socketPath), [this](const platform::ControlRequest& request) {
                               return Handle(request);
                           })) {}

ControlService::~ControlService() = default;

bool ControlService::Start() {
    return server_->Start();
}

platform::ControlReply ControlService::Handle(const platform::ControlRequest& request) {
    Subsystems* subsystems = Subsystems::Of(window_);
    if (!subsystems || window_.IsClosing())
        return platform::ControlReply{control::kExitDevice, {}, "zk412vctl: zk412v is closing\n"};
    control::Outcome outcome;
    {
        WindowAccess access(window_, *subsystems);
        outcome = control::RunCommand(request.args, access, request.workingFolder);
    }
    return platform::ControlReply{outcome.exitCode, std::move(outcome.out), std::move(outcome.err)};
}

} // namespace zk::app
