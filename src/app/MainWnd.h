#pragma once

#include "app/DeviceNotice.h"
#include "app/MainMessages.h"
#include "app/ThreadPlaces.h"
#include "app/windows/HelpPanel.h"
#include "protocol/DeviceChannel.h"
#include "ui/MenuWnd.h"
#include "ui/TrayIcon.h"
#include "ui/WindowExposure.h"
#include "ui/WindowImplBase.h"

#include <QPointer>
#include <QPushButton>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zk::app {

class CMainWnd;

// The four device channels, in the order the main window owns them.
enum ChannelIndex : int {
    kChannelKeyboard = 0,
    kChannelMouse = 1,
    kChannelMousepad = 2,
    kChannelMouseSecond = 3, // the mouse's second product ID; never opens a device
    kChannelCount = 4,
};

inline constexpr int kMousePreviewCount = 20; // "ms_dkey_0" .. "ms_dkey_19"
inline constexpr int kPadPreviewCount = 15;   // "mp_dkey_0" .. "mp_dkey_14"
inline constexpr int kKeyboardKeyCount = 126; // "kb_key_0" .. "kb_key_125"

// Where the later subsystems plug into the main window. Every member is
// optional: an empty one does nothing, so the window runs with whatever
// subsystems exist. The members are called on the main thread, except the
// thread bodies.
struct MainWndSeams {
    using WindowFn = std::function<void(CMainWnd&)>;
    using NotifyFn = std::function<void(CMainWnd&, ui::TNotifyUI&)>;
    using HookFn = std::function<void(CMainWnd&, ui::WPARAM, ui::LPARAM)>;

    // "windowinit" step 3, in this order: keyboard profiles and pages, mouse
    // profiles, mousepad profiles.
    WindowFn initKeyboardProfiles;
    WindowFn initMouseProfiles;
    WindowFn initMousepadProfiles;
    // After InitWindow found the preview controls and turned on the overlay
    // of the mouse and mousepad ones: bind them to the preview frames.
    WindowFn initPreviewControls;

    // Worker thread bodies by place 1..14 (index 0 and 15 unused): keyboard,
    // mouse and mousepad detection; mouse and keyboard change notifications;
    // keyboard, mouse, mousepad and shared light tickers; five application
    // watchers. A place without a body starts no thread.
    std::array<ThreadPlaces::Body, kStopEventCount + 1> threads;

    // Notifications for the pages: hands one to the page that claims its
    // sender; true when that page acted on it. The type handlers added with
    // AddPageHandler run after it.
    std::function<bool(ui::TNotifyUI&)> routeToPage;
    // Timer 2: the pending writes of the three kinds.
    WindowFn flushPendingWrites;
    // When set: whether a write is pending; timer 2 runs only then.
    std::function<bool()> writesPending;
    // Timer 3: advance the light animation counters.
    std::function<void()> advanceAnimation;
    // Timer 10, when set: shows the light previews' frame instead of redrawing
    // the whole window.
    WindowFn repaintPreviews;
    // The light previews came on screen (true) or left it: the window was
    // shown, hidden, minimised or restored.
    std::function<void(bool shown)> previewsShown;
    // When set: whether the keyboard's picture is on screen; the animation
    // counters advance only then.
    std::function<bool()> keyboardPictureShown;
    // Timer 8 and message 0x901: read all mouse settings, refresh the DPI and
    // lighting controls and the macro choices of the assignment combos.
    WindowFn readAllMouseSettings;
    // Message 0x902: re-read the mouse settings record and refresh.
    WindowFn rereadMouseRecord;
    // Timer 11 and message 0xB01: read the keyboard settings, refresh its light page.
    WindowFn readKeyboardSettings;
    // Message 0xB02: re-read the keyboard light record, refresh its light page.
    WindowFn rereadKeyboardLight;
    // Timer 12: read the mousepad settings, refresh its light page.
    WindowFn readMousepadSettings;

    // Input hook: key capture for the keyboard's key-function page (0x801)
    // and the button-assignment page (0x810); removal of the hooks.
    HookFn keyboardKeyCapture;
    HookFn buttonKeyCapture;
    WindowFn removeInputHooks;
};

// The main window: owner of the device channels, the worker threads and
// their stop events, the timers, the tray icon and menu. It routes
// notifications by type to the page handlers and private messages to their
// handlers.
class CMainWnd : public ui::WindowImplBase {
    Q_OBJECT
public:
    using PageHandler = MainWndSeams::NotifyFn;
    // Message box operations: a modal box with a text (a language key when
    // isKey) returning its result, and the self-closing "message_text_20" box.
    // By default the program's message box.
    using ShowMessageFn = std::function<int(QWidget* parent, const QString& text, bool isKey)>;
    using ShowTimedMessageFn = std::function<int(QWidget* parent)>;

    CMainWnd();
    ~CMainWnd() override;

    // The main window while it exists (set in InitWindow), for worker threads.
    static CMainWnd* Instance();

    QString GetWindowClassName() const override { return QStringLiteral("MainWnd"); }
    QString GetSkinFile() override { return QStringLiteral("XML_MAIN"); }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    ui::LRESULT HandleCustomMessage(unsigned uMsg, ui::WPARAM wParam, ui::LPARAM lParam,
                                    bool& bHandled) override;
    QWidget* CreateControl(const QString& className) override;
    QString QueryControlText(const QString& id, const QString& type) override;
    void OnDestroy() override;

    // --- wiring (before Create) ---------------------------------------------
    MainWndSeams& Seams() { return seams_; }
    // Adds a page handler for a notification type ("click", "selectchanged",
    // ...); the handlers of a type run in the order they were added.
    void AddPageHandler(const QString& type, PageHandler handler);
    void SetMessageBox(ShowMessageFn show, ShowTimedMessageFn showTimed);
    // How long the stop protocol waits for the worker threads (10 s).
    void SetStopWait(std::chrono::milliseconds wait) { stopWait_ = wait; }

    // --- state ----------------------------------------------------------------
    protocol::DeviceChannel& Channel(ChannelIndex index) { return channels_[index]; }
    bool AnyDeviceConnected() const;
    // The window's message box (see SetMessageBox); GUI thread.
    int ShowMessageBox(const QString& text, bool isKey) { return showMessage_(this, text, isKey); }
    ThreadPlaces& Threads() { return threads_; }
    // Preview controls found by InitWindow (null where the layout has none):
    // the mouse's 20, then the mousepad's 15 followed by the keyboard's 126.
    QWidget* MousePreview(int i) const;
    QWidget* PadOrKeyControl(int i) const;
    ui::TrayIcon& Tray() { return tray_; }
    ui::MenuWnd* TrayMenu() const { return trayMenu_.get(); }
    // Main window activation as the activation message does it.
    void BringToFront();
    // Runs the animation and repaint timers only while they have something to
    // show: the window on screen and a device connected (the keyboard for the
    // animation counters), and the pending-write flush only while a device is
    // there to take the writes; call after a device came or went.
    void UpdateLiveWork();
    // Whether "windowinit" has reached its timers (the start-up is done).
    bool TimersStarted() const { return liveTimers_; }
    // Whether the window is on screen (shown, not minimised, exposed).
    bool OnScreen() const;

    // --- desktop ----------------------------------------------------------------
    // Shows or hides the window. Where the desktop has no tray a hidden window
    // could not be brought back, so a request to hide leaves it on screen (the
    // device notice says when nothing is connected; closing minimises it to
    // the task bar). While the start is minimised, a request to show leaves it
    // in the tray (or minimised) until the user asks for it.
    void ShowWindow(bool show = true, bool takeFocus = true);
    // The entry point's show after creation: where a tray holds the program
    // the window waits unmapped until a device is found (detection shows it);
    // without a tray the window is the program's only presence and shows.
    void ShowAtStart();
    // "--minimized": the first device found does not bring the window up.
    void SetStartMinimized(bool minimized) { startMinimized_ = minimized; }
    // The user asked for the window (a second start): ends a minimised start
    // and posts the activation message.
    void RequestActivation();
    // The device at `path` is plugged in but this user may not open it: the
    // window comes up once with the commands that install the device rule.
    void ReportNoAccess(const QString& path);
    // Whether the tray icon is shown (decided at creation).
    bool HasTray() const { return trayAvailable_; }
    DeviceNotice* Notice() const { return notice_.data(); }
    // The caption's menu button (language, about, exit); only without a tray.
    QPushButton* MenuButton() const { return menuBtn_.data(); }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void OnWindowInit();
    void RouteToPages(ui::TNotifyUI& msg);
    void SelectBoundPage(ui::TNotifyUI& msg);
    bool HandleCaptionClick(ui::TNotifyUI& msg);
    void ShowContextPanel(ui::TNotifyUI& msg);
    void OnTimer(unsigned id);
    void UpdateFlushTimer();
    void UpdateAnimationTimer();
    void OnActivation();
    void OnTray(ui::LPARAM mouseMessage);
    void ShowTrayMenu();
    void ShowMenuAt(QPoint pt, unsigned alignment);
    void CreateMenuButton();
    void ApplyCaptionTips();
    // Shows the device notice while no device is connected.
    void UpdateDeviceNotice();
    void OnMenuCommand(const ui::MenuCmd* cmd);
    void SwitchLanguage(bool chinese);
    void LoadStartupLanguage();
    void StopThreads();
    // Hides the window and shows "message_text_1" unless `guard` says that
    // box is already open.
    void ReportNoDevice(bool& guard);
    void Log(const QString& line) const;

    MainWndSeams seams_;
    std::map<QString, std::vector<PageHandler>> pageHandlers_;
    ShowMessageFn showMessage_;
    ShowTimedMessageFn showTimedMessage_;
    std::chrono::milliseconds stopWait_ = kStopWait;

    ThreadPlaces threads_;
    std::array<QPointer<QWidget>, kMousePreviewCount> mousePreview_;
    std::array<QPointer<QWidget>, kPadPreviewCount + kKeyboardKeyCount> padKeyControls_;
    QPointer<QWidget> maxBtn_, restoreBtn_, minBtn_;
    std::unique_ptr<ui::MenuWnd> trayMenu_;
    ui::TrayIcon tray_;
    std::array<protocol::DeviceChannel, kChannelCount> channels_;
    HelpPanel help_;
    bool activationBoxOpen_ = false;
    bool trayBoxOpen_ = false;
    bool trayAvailable_ = true;
    bool startMinimized_ = false;
    bool noAccessReported_ = false;
    QPointer<DeviceNotice> notice_;
    QPointer<QPushButton> menuBtn_;
    QPointer<ui::WindowExposure> exposure_;
    bool liveTimers_ = false; // "windowinit" reached the timers
};

} // namespace zk::app
