#include "app/Subsystems.h"

#include "app/MainWnd.h"
#include "app/Watchers.h"
#include "app/windows/PalletDialog.h"
#include "connection/Notification.h"
#include "emulator/Emulator.h"
#include "macros/MacroLibrary.h"
#include "pages/PendingWriteFlush.h"
#include "pages/keyboard/KeyPage.h"
#include "pages/mouse/ButtonPage.h"
#include "pages/mouse/LightingPage.h"
#include "platform/Log.h"
#include "profiles/ProfileSaves.h"
#include "settings/SettingsFlush.h"
#include "ui/Controls.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QListWidget>
#include <QStackedWidget>

#include <mutex>
#include <string>
#include <utility>

namespace zk::app {

// The detection threads and the main window agree on the message numbers.
using connection::ControlChange;
using connection::ControlOp;
using device::DeviceKind;

static_assert(connection::kMsgActivate == kActivationMessage);
static_assert(connection::kMsgMouseReadAll == kMsgMouseReadAll);
static_assert(connection::kMsgMouseReread == kMsgMouseReread);
static_assert(connection::kMsgKeyboardReadAll == kMsgKeyboardReadAll);
static_assert(connection::kMsgKeyboardReread == kMsgKeyboardReread);
static_assert(connection::kMsgMouseRemoved == kMsgMouseRemoved);
static_assert(connection::kTimerRedraw == kTimerRedraw);
static_assert(connection::kTimerMouseRead == kTimerMouseRead);

namespace {

const QString kObjectName = QStringLiteral("zkSubsystems");

// The longest the window waits for one answer of a device: three devices
// stalling in one flush still leave it responsive within 100 ms.
constexpr std::chrono::milliseconds kDeviceAnswerBudget{30};

// Heights of the selector entries: "config_list" rows and the keyboard's combos.
constexpr int kMouseRowHeight = 20;
constexpr int kComboEntryHeight = 25;

// The folder of the program's own files (default profiles, cursor files).
std::string ProgramFolder() {
    return ui::ResourceManager::GetInstance().GetInstancePath().toStdString();
}

connection::StopWait StopWaitOf(const ThreadParam& param) {
    return [stop = param.stop](std::chrono::milliseconds wait) { return stop->WaitFor(wait); };
}

// Fills a selector with the profile names: text and user data are the name.
void FillSelector(QWidget* selector, const std::vector<std::string>& names, int rowHeight) {
    if (!selector)
        return;
    ui::RemoveAllItems(selector);
    for (const auto& name : names) {
        const QString text = QString::fromStdString(name);
        const int index = ui::AddItem(selector, text);
        if (auto* list = qobject_cast<QListWidget*>(selector)) {
            if (QListWidgetItem* item = list->item(index)) {
                item->setData(Qt::UserRole, text);
                item->setSizeHint(QSize(item->sizeHint().width(), rowHeight));
            }
        } else if (auto* combo = qobject_cast<QComboBox*>(selector)) {
            combo->setItemData(index, text, Qt::UserRole);
        }
    }
}

// How the main window shows each kind, for the detection threads.
connection::PresentationNames MainWindowNames() {
    using profiles::ProfileKind;
    return {
        {"ms_tab", "ms_tab_panel", "ms_deng_same_mode", "config_list",
         [] { return profiles::MouseProfileStore::Index().Selected(ProfileKind::Device); }},
        {"kb_tab", "kb_tab_panel", "kb_deng_same_mode", "kb_device_profile_combo",
         [] { return profiles::KeyboardProfileStore::Index().Selected(ProfileKind::Device); }},
        {"mp_tab", "", "mp_deng_same_mode", "mp_deng_profile_combo",
         [] { return profiles::MousepadProfileStore::Index().Selected(ProfileKind::Light); }},
    };
}

// A page of a stacked widget is shown by making it the current page; showing
// or hiding it directly would lay it over or blank out the current one.
bool IsStackedPage(const QWidget* control) {
    return control && qobject_cast<const QStackedWidget*>(control->parentWidget()) != nullptr;
}

} // namespace

// --- the window's side of the worker threads ------------------------------------

class Subsystems::WindowLink final : public connection::MainWindowLink {
public:
    WindowLink(CMainWnd& window, Subsystems& owner) : window_(window), owner_(owner) {}

    void PostMessage(unsigned message) override { window_.PostMessage(message); }

    // Blocks until the GUI thread handled it; returns at once (unhandled) once
    // the window is closing, so a waiting thread sees its stop event.
    void SendMessage(unsigned message) override {
        if (!window_.IsClosing())
            window_.SendMessage(message);
    }

    // The changes wait in a queue of the link's own; one queued call to the
    // GUI thread drains it, in order.
    void QueueControlChanges(std::vector<ControlChange> changes) override {
        if (window_.IsClosing() || changes.empty())
            return;
        bool wake = false;
        {
            std::lock_guard lock(mutex_);
            wake = queued_.empty();
            queued_.insert(queued_.end(), std::make_move_iterator(changes.begin()),
                           std::make_move_iterator(changes.end()));
        }
        if (wake)
            QMetaObject::invokeMethod(&owner_, "DrainControlChanges", Qt::QueuedConnection);
    }

    std::vector<ControlChange> Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(queued_, {});
    }

    void StartTimer(unsigned id, std::chrono::milliseconds period) override {
        window_.SetTimer(id, static_cast<unsigned>(period.count()));
    }

    void TriggerReactiveEffects() override { owner_.preview_.TriggerReactive(); }

private:
    CMainWnd& window_;
    Subsystems& owner_;
    std::mutex mutex_;
    std::vector<ControlChange> queued_;
};

// --- construction ---------------------------------------------------------------

Subsystems::Subsystems(CMainWnd& window, const AppOptions& options)
    : QObject(&window), window_(window),
      emulator_(options.emulate ? [&options] {
          emulator::EmulatorOptions emulated;
          emulated.keyboardProductId = options.keyboardModel == 0
                                           ? emulator::kKeyboardProductIdAlt
                                           : emulator::kKeyboardProductId;
          return emulator::InstallEmulatedBus(emulated);
      }()
                                : nullptr),
      mouse_(window.Channel(kChannelMouse), StoreSeams()),
      keyboard_(window.Channel(kChannelKeyboard), StoreSeams()),
      mousepad_(window.Channel(kChannelMousepad), StoreSeams()),
      saves_(profiles::BindTransferSaves(&mouse_.store, &keyboard_.store, &mousepad_.store,
                                         [this](std::string_view key) { ShowMessage(key); })),
      preview_(lighting::LightPreviewBindings{
          .mouseLight = mouse_.image.RecordBytes().data(),
          .mousepadLight = mousepad_.image.LiveBytes().data(),
          .keyboardLight = keyboard_.image.LiveBytes().data(),
          .keyboardRecord = keyboard_.image.RecordBytes().data(),
          .mouseConnected = &window.Channel(kChannelMouse).connected,
          .mousepadConnected = &window.Channel(kChannelMousepad).connected,
          .keyboardConnected = &window.Channel(kChannelKeyboard).connected,
          .mousePaused = &window.Channel(kChannelMouse).effectPause,
          .mousepadPaused = &window.Channel(kChannelMousepad).effectPause,
          .keyboardPaused = &window.Channel(kChannelKeyboard).effectPause,
          .keyboardModel = &keyboard_.image.model,
          .keyOperationTab = &keyOperationTab_,
      }),
      pages_(std::make_unique<pages::PageSet>(&window, pages::Sessions{mouse_, keyboard_, mousepad_},
                                              *this)),
      channels_{&window.Channel(kChannelKeyboard), &window.Channel(kChannelMouse),
                &window.Channel(kChannelMousepad)},
      names_(MainWindowNames()), link_(std::make_unique<WindowLink>(window, *this)) {
    setObjectName(kObjectName);
    InstallSeams();
    WatchDeviceAnswers();
}

Subsystems::~Subsystems() = default;

Subsystems* Subsystems::Of(const CMainWnd& window) {
    return window.findChild<Subsystems*>(kObjectName, Qt::FindDirectChildrenOnly);
}

emulator::EmulatedBus* Subsystems::Emulator() const {
    return emulator_ ? &emulator_->Bus() : nullptr;
}

profiles::StoreSeams Subsystems::StoreSeams() {
    // A device profile load takes the desktop's pointer speed and wheel lines.
    auto systemPointer = [this] {
        profiles::SystemPointer system;
        if (const auto speed = pointer_->Current(platform::PointerSetting::Speed))
            system.pointerSpeed = *speed;
        if (const auto lines = pointer_->Current(platform::PointerSetting::WheelLines))
            system.wheelLines = *lines;
        return system;
    };
    return profiles::StoreSeams{[this](std::string_view key) { ShowMessage(key); }, systemPointer,
                                ProgramFolder()};
}

bool Subsystems::PickColour(QWidget* parent, std::uint32_t initial, std::uint32_t& chosen) {
    return PickColourAtCursor(parent, initial, chosen);
}

void Subsystems::ShowMessage(std::string_view key) {
    window_.ShowMessageBox(QString::fromUtf8(key.data(), static_cast<int>(key.size())), true);
}

void Subsystems::ShowFormattedMessage(std::string_view key, int argument) {
    const QString id = QString::fromUtf8(key.data(), static_cast<int>(key.size()));
    QString text = ui::ResourceManager::GetInstance().GetText(id);
    if (text.isEmpty())
        text = id;
    window_.ShowMessageBox(text.replace(QStringLiteral("%d"), QString::number(argument)), false);
}

void Subsystems::RefreshPages(pages::DeviceKind kind) {
    pages_->Refresh(kind);
}

void Subsystems::InstallSeams() {
    MainWndSeams& seams = window_.Seams();
    seams.initKeyboardProfiles = [this](CMainWnd&) { InitKeyboardProfiles(); };
    seams.initMouseProfiles = [this](CMainWnd&) { InitMouseProfiles(); };
    seams.initMousepadProfiles = [this](CMainWnd&) { InitMousepadProfiles(); };
    seams.initPreviewControls = [this](CMainWnd& window) {
        previews_.Find([&window](const QString& name) { return window.FindControl(name); });
        previews_.PrepareLedPictures();
        UpdateKeyOperationTab();
    };

    // Worker threads by place.
    auto detection = [this](DeviceKind kind) {
        return [this, kind](const ThreadParam& param) {
            const auto wake = WakeOnHotplug(param); // a plugged device is found at once
            connection::RunDetection(kind, channels_, names_, *link_, StopWaitOf(param));
        };
    };
    auto notifications = [this](DeviceKind kind) {
        return [this, kind](const ThreadParam& param) {
            const auto wake = WakeOnHotplug(param); // a plugged device is found at once
            connection::RunNotifications(kind, *link_, StopWaitOf(param));
        };
    };
    using Ticker = void (lighting::LightPreview::*)(lighting::TickerClock&);
    auto ticker = [this](Ticker run) {
        return [this, run](const ThreadParam& param) {
            lighting::SteadyTickerClock clock(StopWaitOf(param),
                                              [stop = param.stop] { stop->Wake(); });
            (preview_.*run)(clock);
        };
    };
    seams.threads[kPlaceKeyboardDetection] = detection(DeviceKind::Keyboard);
    seams.threads[kPlaceMouseDetection] = detection(DeviceKind::Mouse);
    seams.threads[kPlaceMousepadDetection] = detection(DeviceKind::Mousepad);
    seams.threads[kPlaceMouseNotifications] = notifications(DeviceKind::Mouse);
    seams.threads[kPlaceKeyboardNotifications] = notifications(DeviceKind::Keyboard);
    seams.threads[kPlaceKeyboardTicker] = ticker(&lighting::LightPreview::RunKeyboardTicker);
    seams.threads[kPlaceMouseTicker] = ticker(&lighting::LightPreview::RunMouseTicker);
    seams.threads[kPlaceMousepadTicker] = ticker(&lighting::LightPreview::RunMousepadTicker);
    seams.threads[kPlaceSyncTicker] = ticker(&lighting::LightPreview::RunSharedTicker);
    // Threads 10-14: the profiles that follow the foreground application.
    InstallWatchers(window_, seams);

    // Timers.
    seams.flushPendingWrites = [this](CMainWnd&) { FlushPendingWrites(); };
    seams.writesPending = [this] {
        return mouse_.image.pending.load() || keyboard_.image.pending.load() ||
               mousepad_.image.pending.load() || mouse_.channel.HasKeptBlocks() ||
               keyboard_.channel.HasKeptBlocks() || mousepad_.channel.HasKeptBlocks();
    };
    seams.advanceAnimation = [this] { counters_.Tick(); };
    seams.previewsShown = [this](bool) {
        UpdatePicturesShown();
        preview_.WakeTickers(); // a device may have come or gone as well
    };
    seams.repaintPreviews = [this](CMainWnd& window) {
        UpdatePicturesShown();
        previews_.Apply(preview_.Frame(), controls::IsWindowShown(&window));
    };
    seams.keyboardPictureShown = [this] {
        return preview_.PictureShown(lighting::DeviceKind::Keyboard);
    };

    // Transfers, each followed by its refresh hooks.
    seams.readAllMouseSettings = [this](CMainWnd&) {
        settings::ReadMouseAll(mouse_.channel, mouse_.image, saves_);
        RefreshPages(DeviceKind::Mouse);
    };
    seams.rereadMouseRecord = [this](CMainWnd&) {
        settings::RereadMouseRecord(mouse_.channel, mouse_.image, saves_);
        RefreshPages(DeviceKind::Mouse);
    };
    seams.readKeyboardSettings = [this](CMainWnd&) {
        settings::ReadKeyboardAll(keyboard_.channel, keyboard_.image, saves_);
        RefreshPages(DeviceKind::Keyboard);
    };
    seams.rereadKeyboardLight = [this](CMainWnd&) {
        settings::RereadKeyboardLight(keyboard_.channel, keyboard_.image, saves_);
        RefreshPages(DeviceKind::Keyboard);
    };
    seams.readMousepadSettings = [this](CMainWnd&) {
        settings::ReadMousepadAll(mousepad_.channel, mousepad_.image, saves_);
        RefreshPages(DeviceKind::Mousepad);
    };
    seams.routeToPage = [this](ui::TNotifyUI& msg) {
        const bool handled = pages_->Route(msg);
        flush_->ChangedSoon(); // a change made here goes out at once when it may
        return handled;
    };

    // The input hook's keys for the button page's key capture (0x810), and
    // the end of that capture when the window loses activation or goes.
    seams.buttonKeyCapture = [this](CMainWnd&, ui::WPARAM wParam, ui::LPARAM lParam) {
        if (auto* page = pages_->Find<pages::ButtonPage>())
            page->OnHookedKey(wParam, lParam);
    };
    seams.removeInputHooks = [this](CMainWnd&) {
        if (auto* page = pages_->Find<pages::ButtonPage>())
            page->RemoveInputHooks();
        if (auto* page = pages_->Find<pages::KeyPage>())
            page->RemoveInputHooks();
    };
    // The input hook's keys for the keyboard key page's capture (0x801).
    seams.keyboardKeyCapture = [this](CMainWnd&, ui::WPARAM wParam, ui::LPARAM lParam) {
        if (auto* page = pages_->Find<pages::KeyPage>())
            page->OnHookedKey(wParam, lParam);
    };

    // The keyboard picture shows no light while its key-operation tab is selected.
    window_.AddPageHandler(QString::fromLatin1(ui::DUI_MSGTYPE_SELECTCHANGED),
                           [this](CMainWnd&, ui::TNotifyUI&) { UpdateKeyOperationTab(); });
    // Another tab or page may show another picture: its ticker and the
    // animation counters start at once.
    window_.AddPageHandler(QString::fromLatin1(ui::DUI_MSGTYPE_SELECTCHANGED),
                           [](CMainWnd& window, ui::TNotifyUI&) { window.UpdateLiveWork(); });
}

// --- "windowinit" ---------------------------------------------------------------

void Subsystems::InitKeyboardProfiles() {
    const auto selectors = keyboard_.store.InitialiseProfiles();
    FillSelector(window_.FindControl(QStringLiteral("kb_device_profile_combo")),
                 selectors.device.names, kComboEntryHeight);
    FillSelector(window_.FindControl(QStringLiteral("kb_deng_profile_combo")),
                 selectors.light.names, kComboEntryHeight);
    FillSelector(window_.FindControl(QStringLiteral("kb_key_profile_combo")), selectors.key.names,
                 kComboEntryHeight);
    // The combos show the stored choices, applying nothing.
    ui::SelectItem(window_.FindControl(QStringLiteral("kb_device_profile_combo")),
                   selectors.device.select);
    ui::SelectItem(window_.FindControl(QStringLiteral("kb_deng_profile_combo")),
                   selectors.light.select);
    ui::SelectItem(window_.FindControl(QStringLiteral("kb_key_profile_combo")),
                   selectors.key.select);
}

void Subsystems::InitMouseProfiles() {
    // The cursor macro files that the cursor tab edits.
    macros::MacroLibrary::Mouse().EnsureCursorFiles(ProgramFolder());

    const auto entries = mouse_.store.InitialiseProfiles();
    if (entries.names.empty())
        return;
    // The stored profile fills the image even where no list shows it; the
    // list's selection then applies it through the profile page.
    mouse_.store.LoadDeviceProfile(entries.select);
    mouseProfileRow_ = entries.select;
    if (QWidget* list = window_.FindControl(QStringLiteral("config_list"))) {
        FillSelector(list, entries.names, kMouseRowHeight);
        ui::SelectItem(list, entries.select, true);
    } else {
        RefreshPages(DeviceKind::Mouse);
    }
}

void Subsystems::InitMousepadProfiles() {
    const auto entries = mousepad_.store.InitialiseProfiles();
    FillSelector(window_.FindControl(QStringLiteral("mp_deng_profile_combo")), entries.names,
                 kComboEntryHeight);
    ui::SelectItem(window_.FindControl(QStringLiteral("mp_deng_profile_combo")), entries.select);
}

// --- control changes of the detection threads -------------------------------------

void Subsystems::ApplyControlChanges(const std::vector<ControlChange>& changes) {
    if (window_.IsClosing())
        return;
    for (const auto& change : changes) {
        QWidget* control = change.control.empty()
                               ? nullptr
                               : window_.FindControl(QString::fromStdString(change.control));
        switch (change.op) {
        case ControlOp::SetVisible:
            if (control && !IsStackedPage(control))
                control->setVisible(change.value != 0);
            break;
        case ControlOp::Select:
            if (StartTabGivesWay(change.control))
                break;
            if (auto* option = qobject_cast<QAbstractButton*>(control))
                ui::SetCheck(option, true, true);
            else if (control)
                ui::SelectItem(control, change.value, true);
            break;
        case ControlOp::SetFocus:
            if (control)
                control->setFocus();
            break;
        case ControlOp::SelectItem:
            if (control) {
                ui::SelectItem(control, change.value, true);
            } else if (change.control == "config_list" && change.value != mouseProfileRow_) {
                // No list to apply it: load the stored profile into the image.
                mouse_.store.LoadDeviceProfile(change.value);
                mouseProfileRow_ = change.value;
                RefreshPages(DeviceKind::Mouse);
            }
            break;
        case ControlOp::Update:
            if (control)
                control->update();
            break;
        case ControlOp::ShowWindow:
            window_.ShowWindow(change.value != 0);
            break;
        case ControlOp::LoadKeyboardDeviceProfile:
            keyboard_.image.model.store(connection::KeyboardModel());
            keyboard_.store.LoadDeviceProfile(change.value);
            break;
        case ControlOp::ReportNoAccess:
            window_.ReportNoAccess(QString::fromStdString(change.control));
            break;
        case ControlOp::StartScanned:
            ++startScans_;
            break;
        }
    }
}

bool Subsystems::StartTabGivesWay(const std::string& control) {
    constexpr int kDetectionThreads = 3;
    if (startScans_ >= kDetectionThreads)
        return false;
    const std::array<const std::string*, 3> ranked = {&names_.mouse.tab, &names_.keyboard.tab,
                                                      &names_.mousepad.tab};
    for (int rank = 0; rank < static_cast<int>(ranked.size()); ++rank) {
        if (*ranked[static_cast<std::size_t>(rank)] != control)
            continue;
        if (rank > startFrontRank_)
            return true;
        startFrontRank_ = rank;
        return false;
    }
    return false;
}

void Subsystems::DrainControlChanges() {
    ApplyControlChanges(link_->Take());
    // The changes follow a connection or a removal: the timers and tickers
    // that only show a device run while one is there.
    if (!window_.IsClosing())
        window_.UpdateLiveWork();
}

void Subsystems::UpdatePicturesShown() {
    const bool onScreen = window_.OnScreen();
    for (auto kind : {lighting::DeviceKind::Mouse, lighting::DeviceKind::Mousepad,
                      lighting::DeviceKind::Keyboard})
        preview_.SetPictureShown(kind, onScreen && previews_.PictureVisible(kind));
}

void Subsystems::UpdateKeyOperationTab() {
    auto* tab = window_.FindControl<QAbstractButton>(QStringLiteral("kb_key_Op_tab"));
    keyOperationTab_.store(tab && tab->isChecked());
}

// --- timer 2 ----------------------------------------------------------------------

void Subsystems::FlushPendingWrites() {
    flush_->Tick();
}

// --- devices that stop answering ----------------------------------------------------

void Subsystems::WatchDeviceAnswers() {
    flush_ = std::make_unique<pages::PendingWriteFlush>(
        settings::FlushTargets{&keyboard_.channel, &mouse_.channel, &mousepad_.channel,
                               &keyboard_.image, &mouse_.image, &mousepad_.image},
        [this](const settings::FlushOutcome& outcome) {
            if (outcome.mouseLayouts)
                pages::ApplyMouseLightLayouts(&window_, *outcome.mouseLayouts);
        });
    struct Notice {
        protocol::DeviceChannel* channel;
        const char* stopped;
        const char* answers;
    };
    const Notice notices[] = {
        {&mouse_.channel, "message_no_answer_mouse", "message_answers_again_mouse"},
        {&keyboard_.channel, "message_no_answer_keyboard", "message_answers_again_keyboard"},
        {&mousepad_.channel, "message_no_answer_mousepad", "message_answers_again_mousepad"},
    };
    for (const Notice& notice : notices) {
        // The probe thread tells; the window shows it from its own loop.
        notice.channel->FailFast(kDeviceAnswerBudget, [this, notice](bool answering) {
            const char* key = answering ? notice.answers : notice.stopped;
            QMetaObject::invokeMethod(
                this, [this, key] { ShowMessage(key); }, Qt::QueuedConnection);
        });
    }
}

} // namespace zk::app
