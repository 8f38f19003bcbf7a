#pragma once

// The owner of what the main window's subsystems share: the settings images
// of the three device kinds, their profile stores, the light preview with its
// picture controls and animation counters, the window's side of the detection
// and notification threads, and (with --emulate) the emulated HID bus.
//
// WireSubsystems creates one for a window before the window is created; it is
// a child of the window, so it lives until the window object is deleted, after
// the window's worker threads have ended. It fills the window's seams:
//
//   "windowinit" step 3   keyboard, mouse and mousepad profiles; the selector
//                         rows that the layout has; the stored mouse profile
//                         loaded and its "config_list" row selected; the
//                         default cursor files in the mouse folder
//   threads 1-3           detection of keyboard, mouse, mousepad
//   threads 4-5           change notifications of mouse and keyboard
//   threads 6-9           light tickers: keyboard, mouse, mousepad, shared
//   timer 2               pending writes of the three kinds, then the enable
//                         state of the mouse colour layouts
//   timer 3               animation counters
//   timer 10              the preview frame on the visible picture controls
//   timers 8, 11, 12 and  the settings transfers, each followed by its
//   0x901, 0x902, 0xB01,  refresh hooks (PageContext.h)
//   0xB02
//   pages                 the DPI page and the apply of the mouse device
//                         profile selected in "config_list"
//
// The detection threads' control changes are applied here on the GUI thread.

#include "app/AppOptions.h"
#include "app/PageContext.h"
#include "controls/PreviewSet.h"
#include "device/Detection.h"
#include "lighting/AnimationCounters.h"
#include "settings/SettingsTransfer.h"
#include "settings/pages/DpiPage.h"
#include "settings/pages/MousePageDeps.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <vector>

namespace zk::emulator {
class EmulatedBus;
class EmulatorInstallation;
} // namespace zk::emulator

namespace zk::app {

class CMainWnd;

class Subsystems : public QObject {
    Q_OBJECT
public:
    Subsystems(CMainWnd& window, const AppOptions& options);
    ~Subsystems() override;

    // The owner wired into `window`, or null.
    static Subsystems* Of(const CMainWnd& window);

    PageContext& Context() { return *context_; }
    RefreshHooks& Refresh() { return refresh_; }
    settings::MouseSettingsImage& MouseImage() { return mouseImage_; }
    settings::KeyboardImage& KeyboardImage() { return keyboardImage_; }
    settings::MousepadImage& MousepadImage() { return mousepadImage_; }
    lighting::LightPreview& Preview() { return preview_; }
    lighting::AnimationCounters& Counters() { return counters_; }
    controls::PreviewSet& Previews() { return previews_; }
    settings::pages::DpiPage& DpiPage() { return *dpiPage_; }
    // The emulated bus of --emulate, or null on real devices.
    emulator::EmulatedBus* Emulator() const;
    // The mouse device profile loaded without a "config_list" to select it.
    int MouseProfileRow() const { return mouseProfileRow_; }

    // Applies control changes of a worker thread (GUI thread).
    void ApplyControlChanges(const std::vector<device::ControlChange>& changes);

private:
    class WindowLink;

    // Applies what the worker threads queued so far (GUI thread).
    Q_INVOKABLE void DrainControlChanges();

    void InstallSeams();
    void InstallPages();
    void InitKeyboardProfiles();
    void InitMouseProfiles();
    void InitMousepadProfiles();
    void FlushPendingWrites();
    void UpdateKeyOperationTab();
    void ShowMessageKey(std::string_view key);

    CMainWnd& window_;
    // First member: the emulated bus stays installed until everything else
    // that may hold a device is gone.
    std::unique_ptr<emulator::EmulatorInstallation> emulator_;
    settings::MouseSettingsImage mouseImage_;
    settings::KeyboardImage keyboardImage_;
    settings::MousepadImage mousepadImage_;
    profiles::MouseProfileStore mouseStore_;
    profiles::KeyboardProfileStore keyboardStore_;
    profiles::MousepadProfileStore mousepadStore_;
    settings::TransferSaves saves_;
    std::atomic<bool> keyOperationTab_{false};
    lighting::LightPreview preview_;
    lighting::AnimationCounters counters_;
    controls::PreviewSet previews_;
    RefreshHooks refresh_;
    std::unique_ptr<PageContext> context_;
    // The mouse pages.
    settings::pages::MousePageDeps mouseDeps_;
    std::unique_ptr<settings::pages::DpiPage> dpiPage_;
    device::DeviceChannels channels_;
    std::unique_ptr<WindowLink> link_;
    int mouseProfileRow_ = -1;
};

} // namespace zk::app
