#include "app/Subsystems.h"

#include "app/MainWnd.h"
#include "device/Notification.h"
#include "emulator/Emulator.h"
#include "macros/MacroLibrary.h"
#include "platform/Log.h"
#include "profiles/ProfileSaves.h"
#include "settings/SettingsFlush.h"
#include "settings/pages/MouseProfileApply.h"
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
static_assert(device::kMsgActivate == kActivationMessage);
static_assert(device::kMsgMouseReadAll == kMsgMouseReadAll);
static_assert(device::kMsgMouseReread == kMsgMouseReread);
static_assert(device::kMsgKeyboardReadAll == kMsgKeyboardReadAll);
static_assert(device::kMsgKeyboardReread == kMsgKeyboardReread);
static_assert(device::kMsgMouseRemoved == kMsgMouseRemoved);
static_assert(device::kTimerRedraw == kTimerRedraw);
static_assert(device::kTimerMouseRead == kTimerMouseRead);

namespace {

const QString kObjectName = QStringLiteral("zkSubsystems");

// Heights of the selector entries: "config_list" rows and the keyboard's combos.
constexpr int kMouseRowHeight = 20;
constexpr int kComboEntryHeight = 25;

// The folder of the program's own files (default profiles, cursor files).
std::string ProgramFolder() {
    return ui::ResourceManager::GetInstance().GetInstancePath().toStdString();
}

device::StopWait StopWaitOf(const ThreadParam& param) {
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

// A page of a stacked widget is shown by making it the current page; showing
// or hiding it directly would lay it over or blank out the current one.
bool IsStackedPage(const QWidget* control) {
    return control && qobject_cast<const QStackedWidget*>(control->parentWidget()) != nullptr;
}

} // namespace

// --- the window's side of the worker threads ------------------------------------

class Subsystems::WindowLink final : public device::MainWindowLink {
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
    void QueueControlChanges(std::vector<device::ControlChange> changes) override {
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

    std::vector<device::ControlChange> Take() {
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
    std::vector<device::ControlChange> queued_;
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
      mouseStore_(mouseImage_,
                  profiles::StoreSeams{[this](std::string_view key) { ShowMessageKey(key); },
                                       {},
                                       ProgramFolder()}),
      keyboardStore_(keyboardImage_,
                     profiles::StoreSeams{[this](std::string_view key) { ShowMessageKey(key); },
                                          {},
                                          ProgramFolder()}),
      mousepadStore_(mousepadImage_,
                     profiles::StoreSeams{[this](std::string_view key) { ShowMessageKey(key); },
                                          {},
                                          ProgramFolder()}),
      saves_(profiles::BindTransferSaves(&mouseStore_, &keyboardStore_, &mousepadStore_,
                                         [this](std::string_view key) { ShowMessageKey(key); })),
      preview_(lighting::LightPreviewBindings{
          .mouseLight = mouseImage_.RecordBytes().data(),
          .mousepadLight = mousepadImage_.LiveBytes().data(),
          .keyboardLight = keyboardImage_.LiveBytes().data(),
          .keyboardRecord = keyboardImage_.RecordBytes().data(),
          .mouseConnected = &window.Channel(kChannelMouse).connected,
          .mousepadConnected = &window.Channel(kChannelMousepad).connected,
          .keyboardConnected = &window.Channel(kChannelKeyboard).connected,
          .mousePaused = &window.Channel(kChannelMouse).effectPause,
          .mousepadPaused = &window.Channel(kChannelMousepad).effectPause,
          .keyboardPaused = &window.Channel(kChannelKeyboard).effectPause,
          .keyboardModel = &keyboardImage_.model,
          .keyOperationTab = &keyOperationTab_,
      }),
      channels_{&window.Channel(kChannelKeyboard), &window.Channel(kChannelMouse),
                &window.Channel(kChannelMousepad)},
      link_(std::make_unique<WindowLink>(window, *this)) {
    setObjectName(kObjectName);
    context_ = std::make_unique<PageContext>(PageContext{
        MouseContext{mouseImage_, mouseStore_, window.Channel(kChannelMouse)},
        KeyboardContext{keyboardImage_, keyboardStore_, window.Channel(kChannelKeyboard)},
        MousepadContext{mousepadImage_, mousepadStore_, window.Channel(kChannelMousepad)},
        preview_,
        refresh_,
        [this](std::string_view key) { ShowMessageKey(key); },
    });
    window.setProperty(kPageContextProperty, QVariant::fromValue<void*>(context_.get()));
    mouseDeps_.image = &mouseImage_;
    mouseDeps_.store = &mouseStore_;
    mouseDeps_.channel = &window.Channel(kChannelMouse);
    dpiPage_ = std::make_unique<settings::pages::DpiPage>(&window, mouseDeps_);
    InstallSeams();
    InstallPages();
}

Subsystems::~Subsystems() {
    window_.setProperty(kPageContextProperty, QVariant());
}

Subsystems* Subsystems::Of(const CMainWnd& window) {
    return window.findChild<Subsystems*>(kObjectName, Qt::FindDirectChildrenOnly);
}

emulator::EmulatedBus* Subsystems::Emulator() const {
    return emulator_ ? &emulator_->Bus() : nullptr;
}

void Subsystems::ShowMessageKey(std::string_view key) {
    window_.ShowMessageBox(QString::fromUtf8(key.data(), static_cast<int>(key.size())), true);
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
    auto detection = [this](device::DeviceKind kind) {
        return [this, kind](const ThreadParam& param) {
            device::RunDetection(kind, channels_, *link_, StopWaitOf(param));
        };
    };
    auto notifications = [this](device::DeviceKind kind) {
        return [this, kind](const ThreadParam& param) {
            device::RunNotifications(kind, *link_, StopWaitOf(param));
        };
    };
    using Ticker = void (lighting::LightPreview::*)(lighting::TickerClock&);
    auto ticker = [this](Ticker run) {
        return [this, run](const ThreadParam& param) {
            lighting::SteadyTickerClock clock(StopWaitOf(param));
            (preview_.*run)(clock);
        };
    };
    seams.threads[kPlaceKeyboardDetection] = detection(device::DeviceKind::Keyboard);
    seams.threads[kPlaceMouseDetection] = detection(device::DeviceKind::Mouse);
    seams.threads[kPlaceMousepadDetection] = detection(device::DeviceKind::Mousepad);
    seams.threads[kPlaceMouseNotifications] = notifications(device::DeviceKind::Mouse);
    seams.threads[kPlaceKeyboardNotifications] = notifications(device::DeviceKind::Keyboard);
    seams.threads[kPlaceKeyboardTicker] = ticker(&lighting::LightPreview::RunKeyboardTicker);
    seams.threads[kPlaceMouseTicker] = ticker(&lighting::LightPreview::RunMouseTicker);
    seams.threads[kPlaceMousepadTicker] = ticker(&lighting::LightPreview::RunMousepadTicker);
    seams.threads[kPlaceSyncTicker] = ticker(&lighting::LightPreview::RunSharedTicker);

    // Timers.
    seams.flushPendingWrites = [this](CMainWnd&) { FlushPendingWrites(); };
    seams.advanceAnimation = [this] { counters_.Tick(); };
    seams.repaintPreviews = [this](CMainWnd& window) {
        previews_.Apply(preview_.Frame(), controls::IsWindowShown(&window));
    };

    // Transfers, each followed by its refresh hooks.
    seams.readAllMouseSettings = [this](CMainWnd& window) {
        settings::ReadMouseAll(window.Channel(kChannelMouse), mouseImage_, saves_);
        RefreshHooks::Run(refresh_.afterMouseRead);
    };
    seams.rereadMouseRecord = [this](CMainWnd& window) {
        settings::RereadMouseRecord(window.Channel(kChannelMouse), mouseImage_, saves_);
        RefreshHooks::Run(refresh_.afterMouseRead);
    };
    seams.readKeyboardSettings = [this](CMainWnd& window) {
        settings::ReadKeyboardAll(window.Channel(kChannelKeyboard), keyboardImage_, saves_);
        RefreshHooks::Run(refresh_.afterKeyboardRead);
    };
    seams.rereadKeyboardLight = [this](CMainWnd& window) {
        settings::RereadKeyboardLight(window.Channel(kChannelKeyboard), keyboardImage_, saves_);
        RefreshHooks::Run(refresh_.afterKeyboardRead);
    };
    seams.readMousepadSettings = [this](CMainWnd& window) {
        settings::ReadMousepadAll(window.Channel(kChannelMousepad), mousepadImage_, saves_);
        RefreshHooks::Run(refresh_.afterMousepadRead);
    };

    // The keyboard picture shows no light while its key-operation tab is selected.
    window_.AddPageHandler(QString::fromLatin1(ui::DUI_MSGTYPE_SELECTCHANGED),
                           [this](CMainWnd&, ui::TNotifyUI&) { UpdateKeyOperationTab(); });
}

void Subsystems::InstallPages() {
    refresh_.afterMouseRead.push_back([this] { dpiPage_->Refresh(); });
    for (const char* type : {ui::DUI_MSGTYPE_VALUECHANGED, ui::DUI_MSGTYPE_MOVEVALUECHANGED,
                             ui::DUI_MSGTYPE_SELECTCHANGED, ui::DUI_MSGTYPE_CLICK})
        window_.AddPageHandler(QString::fromLatin1(type),
                               [this](CMainWnd&, ui::TNotifyUI& msg) { dpiPage_->Notify(msg); });
    window_.AddPageHandler(QString::fromLatin1(ui::DUI_MSGTYPE_ITEMSELECT),
                           [this](CMainWnd& window, ui::TNotifyUI& msg) {
                               settings::pages::HandleMouseDeviceSelect(msg, &window, mouseDeps_,
                                                                        dpiPage_.get());
                           });
}

// --- "windowinit" ---------------------------------------------------------------

void Subsystems::InitKeyboardProfiles() {
    const auto selectors = keyboardStore_.InitialiseProfiles();
    FillSelector(window_.FindControl(QStringLiteral("kb_device_profile_combo")),
                 selectors.device.names, kComboEntryHeight);
    FillSelector(window_.FindControl(QStringLiteral("kb_deng_profile_combo")),
                 selectors.light.names, kComboEntryHeight);
    FillSelector(window_.FindControl(QStringLiteral("kb_key_profile_combo")), selectors.key.names,
                 kComboEntryHeight);
}

void Subsystems::InitMouseProfiles() {
    // The cursor macro files that the cursor tab edits.
    macros::MacroLibrary::Mouse().EnsureCursorFiles(ProgramFolder());

    const auto entries = mouseStore_.InitialiseProfiles();
    if (entries.names.empty())
        return;
    // The stored profile fills the image even where no list shows it; the
    // list's selection then applies it through the profile page.
    mouseStore_.LoadDeviceProfile(entries.select);
    mouseProfileRow_ = entries.select;
    if (QWidget* list = window_.FindControl(QStringLiteral("config_list"))) {
        FillSelector(list, entries.names, kMouseRowHeight);
        ui::SelectItem(list, entries.select, true);
    } else {
        RefreshHooks::Run(refresh_.afterMouseRead);
    }
}

void Subsystems::InitMousepadProfiles() {
    const auto entries = mousepadStore_.InitialiseProfiles();
    FillSelector(window_.FindControl(QStringLiteral("mp_deng_profile_combo")), entries.names,
                 kComboEntryHeight);
}

// --- control changes of the detection threads -------------------------------------

void Subsystems::ApplyControlChanges(const std::vector<device::ControlChange>& changes) {
    if (window_.IsClosing())
        return;
    for (const auto& change : changes) {
        QWidget* control = change.control.empty()
                               ? nullptr
                               : window_.FindControl(QString::fromStdString(change.control));
        switch (change.op) {
        case device::ControlOp::SetVisible:
            if (control && !IsStackedPage(control))
                control->setVisible(change.value != 0);
            break;
        case device::ControlOp::Select:
            if (auto* option = qobject_cast<QAbstractButton*>(control))
                ui::SetCheck(option, true, true);
            else if (control)
                ui::SelectItem(control, change.value, true);
            break;
        case device::ControlOp::SetFocus:
            if (control)
                control->setFocus();
            break;
        case device::ControlOp::SelectItem:
            if (control) {
                ui::SelectItem(control, change.value, true);
            } else if (change.control == "config_list" && change.value != mouseProfileRow_) {
                // No list to apply it: load the stored profile into the image.
                mouseStore_.LoadDeviceProfile(change.value);
                mouseProfileRow_ = change.value;
                RefreshHooks::Run(refresh_.afterMouseRead);
            }
            break;
        case device::ControlOp::Update:
            if (control)
                control->update();
            break;
        case device::ControlOp::ShowWindow:
            window_.ShowWindow(change.value != 0);
            break;
        case device::ControlOp::LoadKeyboardDeviceProfile:
            keyboardImage_.model.store(device::KeyboardModel());
            keyboardStore_.LoadDeviceProfile(change.value);
            break;
        }
    }
}

void Subsystems::DrainControlChanges() {
    ApplyControlChanges(link_->Take());
}

void Subsystems::UpdateKeyOperationTab() {
    auto* tab = window_.FindControl<QAbstractButton>(QStringLiteral("kb_key_Op_tab"));
    keyOperationTab_.store(tab && tab->isChecked());
}

// --- timer 2 ----------------------------------------------------------------------

void Subsystems::FlushPendingWrites() {
    // Flags set through the window count like the images' own.
    if (window_.TakeLightPending(kLightKeyboard))
        keyboardImage_.pending.store(true);
    if (window_.TakeLightPending(kLightMouse))
        mouseImage_.pending.store(true);
    if (window_.TakeLightPending(kLightMousepad))
        mousepadImage_.pending.store(true);

    const auto outcome = settings::FlushPendingWrites(settings::FlushTargets{
        &window_.Channel(kChannelKeyboard), &window_.Channel(kChannelMouse),
        &window_.Channel(kChannelMousepad), &keyboardImage_, &mouseImage_, &mousepadImage_});
    if (!outcome.mouseLayouts)
        return;
    if (QWidget* rgb = window_.FindControl(QStringLiteral("RGB_Color_Edit_Layout")))
        rgb->setEnabled(outcome.mouseLayouts->rgbColourEditEnabled);
    if (QWidget* cycle = window_.FindControl(QStringLiteral("deng_7colorselect_layout"));
        cycle && outcome.mouseLayouts->sevenColourSelectEnabled)
        cycle->setEnabled(*outcome.mouseLayouts->sevenColourSelectEnabled);
}

} // namespace zk::app
