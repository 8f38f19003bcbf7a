#pragma once

// The owner of what the main window's subsystems share: the device sessions
// of the three kinds (settings image, profile store, channel), the pages, the
// light preview with its picture controls and animation counters, the
// window's side of the detection and notification threads, and (with
// --emulate) the emulated HID bus.
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
//   threads 10-14         profiles that follow the foreground application
//                         (app/Watchers.h)
//   timer 2               pending writes of the three kinds, then the enable
//                         state of the mouse colour layouts; a change a page
//                         made goes out at once when its kind's last write is
//                         100 ms old (pages/PendingWriteFlush.h)
//   device stalls         the three channels fail fast; the user is told
//                         when a device stops answering and when it answers
//                         again
//   timer 3               animation counters
//   timer 10              the preview frame on the visible picture controls
//   timers 8, 11, 12 and  the settings transfers, each followed by the
//   0x901, 0x902, 0xB01,  refresh of the kind's pages
//   0xB02
//   notifications         handed to the page that claims the sender
//                         (pages/PageSet.cpp lists the pages)
//
// The detection threads' control changes are applied here on the GUI thread.

#include "app/AppOptions.h"
#include "connection/Detection.h"
#include "controls/PreviewSet.h"
#include "lighting/AnimationCounters.h"
#include "lighting/LightPreview.h"
#include "pages/PageSet.h"
#include "platform/PointerSettings.h"
#include "settings/SettingsTransfer.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <vector>

namespace zk::emulator {
class EmulatedBus;
class EmulatorInstallation;
} // namespace zk::emulator

namespace zk::pages {
class PendingWriteFlush;
}

namespace zk::app {

class CMainWnd;

class Subsystems : public QObject, public pages::PageServices {
    Q_OBJECT
public:
    Subsystems(CMainWnd& window, const AppOptions& options);
    ~Subsystems() override;

    // The owner wired into `window`, or null.
    static Subsystems* Of(const CMainWnd& window);

    profiles::MouseSession& Mouse() { return mouse_; }
    profiles::KeyboardSession& Keyboard() { return keyboard_; }
    profiles::MousepadSession& Mousepad() { return mousepad_; }
    settings::MouseSettingsImage& MouseImage() { return mouse_.image; }
    settings::KeyboardImage& KeyboardImage() { return keyboard_.image; }
    settings::MousepadImage& MousepadImage() { return mousepad_.image; }
    lighting::LightPreview& Preview() override { return preview_; }
    lighting::AnimationCounters& Counters() { return counters_; }
    controls::PreviewSet& Previews() { return previews_; }
    pages::PageSet& Pages() { return *pages_; }
    // The emulated bus of --emulate, or null on real devices.
    emulator::EmulatedBus* Emulator() const;
    // The mouse device profile loaded without a "config_list" to select it.
    int MouseProfileRow() const { return mouseProfileRow_; }

    // Applies control changes of a worker thread (GUI thread).
    void ApplyControlChanges(const std::vector<connection::ControlChange>& changes);

    // What the pages need of the program (GUI thread).
    bool PickColour(QWidget* parent, std::uint32_t initial, std::uint32_t& chosen) override;
    void ShowMessage(std::string_view key) override;
    void ShowFormattedMessage(std::string_view key, int argument) override;
    void RefreshPages(pages::DeviceKind kind) override;
    platform::PointerSettings& Pointer() override { return *pointer_; }

private:
    class WindowLink;

    // Applies what the worker threads queued so far (GUI thread).
    Q_INVOKABLE void DrainControlChanges();

    void InstallSeams();
    void InitKeyboardProfiles();
    void InitMouseProfiles();
    void InitMousepadProfiles();
    void FlushPendingWrites();
    void WatchDeviceAnswers();
    void UpdateKeyOperationTab();
    // The tickers draw the pictures that are on screen only.
    void UpdatePicturesShown();
    // Devices found together at start put one tab in front whatever order
    // their threads report in: the mouse's, then the keyboard's, then the
    // mousepad's. True when the selection of tab `control` gives way to a
    // tab in front of it.
    bool StartTabGivesWay(const std::string& control);
    profiles::StoreSeams StoreSeams();

    CMainWnd& window_;
    // First member: the emulated bus stays installed until everything else
    // that may hold a device is gone.
    std::unique_ptr<emulator::EmulatorInstallation> emulator_;
    // The desktop's pointer settings: outlives the pages and the stores that
    // read and push them.
    std::unique_ptr<platform::PointerSettings> pointer_ =
        platform::PointerSettings::ForRunningDesktop();
    profiles::MouseSession mouse_;
    profiles::KeyboardSession keyboard_;
    profiles::MousepadSession mousepad_;
    settings::TransferSaves saves_;
    std::atomic<bool> keyOperationTab_{false};
    lighting::LightPreview preview_;
    lighting::AnimationCounters counters_;
    controls::PreviewSet previews_;
    std::unique_ptr<pages::PageSet> pages_;
    connection::DeviceChannels channels_;
    connection::PresentationNames names_;
    std::unique_ptr<WindowLink> link_;
    int mouseProfileRow_ = -1;
    int startScans_ = 0;     // detection threads done with their first step
    int startFrontRank_ = 3; // rank of the tab put in front at start so far
    std::unique_ptr<pages::PendingWriteFlush> flush_;
};

} // namespace zk::app
