#pragma once
// The input hook: while installed, every key event of the keyboard goes to one
// target window as a private message, and to no other application.
//
// Installing grabs the keyboard for the target's window, so keys typed
// anywhere on the desktop arrive here. Each key event becomes the low-level
// record below (Windows virtual-key code from the scan-code table, set-1 scan
// code, flags with the extended and release bits, time, extra information)
// and is sent synchronously to the target with the message of the hook's
// mode; wParam is the keyboard message (key down, key up, system key down or
// up), lParam points to the record, which is valid only during the message.
// Caps Lock, Num Lock and Scroll Lock are passed on after the message, so
// they keep working; every other key is swallowed.
//
// At most one hook is installed in the process: installing one removes any
// other. The hook is removed by Uninstall, by its destructor, when the target
// window is destroyed and when the target window loses activation.

#include "ui/Messages.h"
#include "ui/WindowImplBase.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <optional>

class QKeyEvent;
class QTimer;

namespace zk::ui {

// Keyboard messages (wParam of a hook message).
inline constexpr WPARAM WM_KEYDOWN = 0x0100;
inline constexpr WPARAM WM_KEYUP = 0x0101;
inline constexpr WPARAM WM_SYSKEYDOWN = 0x0104;
inline constexpr WPARAM WM_SYSKEYUP = 0x0105;

// Flags of the record.
inline constexpr std::uint32_t LLKHF_EXTENDED = 0x01;
inline constexpr std::uint32_t LLKHF_ALTDOWN = 0x20;
inline constexpr std::uint32_t LLKHF_UP = 0x80;

// The low-level keyboard event record.
struct KeyboardEventRecord {
    std::uint32_t vkCode = 0;
    std::uint32_t scanCode = 0;
    std::uint32_t flags = 0;
    std::uint32_t time = 0;
    std::uint32_t extraInfo = 0;
};

// Hook modes and the message each sends.
enum HookMode : int {
    kHookKeyboardSingleKey = 1, // 0x801
    kHookKeyboardHitKey = 2,    // 0x802
    kHookKeyboardMacro = 4,     // 0x803
    kHookMouseSingleKey = 16,   // 0x810
    kHookMouseHitKey = 32,      // 0x811
    kHookMouseMacro = 64,       // 0x812
};
inline constexpr unsigned WM_HOOK_KEY_SINGLEKEY = 0x801;
inline constexpr unsigned WM_HOOK_KEY_KBHITKEY = 0x802;
inline constexpr unsigned WM_HOOK_KEY_MACRO = 0x803;
inline constexpr unsigned WM_HOOK_MOU_SINGLEKEY = 0x810;
inline constexpr unsigned WM_HOOK_MOU_HITKEY = 0x811;
inline constexpr unsigned WM_HOOK_MOU_MACRO = 0x812;

// The message of a mode; 0 (nothing is sent) for any other value.
unsigned HookMessageOf(int mode);

// The record and keyboard message of a key event; nothing for an event that
// is not a key press or release. The codes come from the event's native scan
// code (an X11 keycode or a Wayland/evdev keycode, both evdev + 8); a key the
// table does not know has virtual-key code 0.
struct HookedKey {
    WPARAM message = WM_KEYDOWN;
    KeyboardEventRecord record;
};
std::optional<HookedKey> HookedKeyOf(const QKeyEvent& event);

// True for the virtual-key codes of Caps Lock, Num Lock and Scroll Lock,
// which the hook lets through.
bool IsLockKey(std::uint32_t vk);

class CDeviceHook : public QObject {
    Q_OBJECT
public:
    CDeviceHook() = default;
    ~CDeviceHook() override;
    CDeviceHook(const CDeviceHook&) = delete;
    CDeviceHook& operator=(const CDeviceHook&) = delete;

    // Removes an installed hook, then grabs the keyboard for `target`'s
    // window. 1 on success with target and mode stored; 0 (target and mode
    // kept) when there is no target window or the window system refused the
    // keyboard (another program holds it).
    int Install(int mode, WindowImplBase* target);
    void Uninstall();
    bool IsInstalled() const { return installed_; }
    int Mode() const { return mode_; }
    WindowImplBase* Target() const { return target_; }

    // Delivers one key event as the hook does (the message to the target);
    // true when the event is swallowed. The hook's own event filter calls it.
    bool Deliver(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool installed_ = false;
    int mode_ = 0;
    QPointer<WindowImplBase> target_;
    QPointer<QWidget> grabber_;
    // The last key event handled, so that one event passed on through its
    // window and its widget is delivered once.
    bool haveLast_ = false;
    std::uint64_t lastStamp_ = 0;

    // X11 repeats a held key as a release and a press with one time stamp;
    // when the press has not arrived with the release, the release waits
    // here briefly, so that a repeat is not taken for a real release.
    void Send(const HookedKey& key);
    void SendHeldRelease();
    std::optional<HookedKey> heldRelease_;
    std::uint32_t heldScanCode_ = 0;
    QTimer* releaseTimer_ = nullptr;
};

} // namespace zk::ui
