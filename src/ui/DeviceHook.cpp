#include "ui/DeviceHook.h"

#include "platform/ScanCodeTable.h"
#include "ui/WindowImplBase.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWindow>

namespace zk::ui {

namespace {

constexpr std::uint32_t kVkCapsLock = 0x14;
constexpr std::uint32_t kVkNumLock = 0x90;
constexpr std::uint32_t kVkScrollLock = 0x91;
constexpr std::uint32_t kVkLeftAlt = 0xA4;
constexpr std::uint32_t kVkRightAlt = 0xA5;

// How long a release waits for the press of an unmarked X11 repeat.
constexpr int kRepeatPressWaitMs = 40;

// The hook that holds the keyboard now, if any.
CDeviceHook* g_installed = nullptr;

bool IsKeypadDigitKey(int key) {
    return (key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Period || key == Qt::Key_Comma;
}

// One value for the identity of a key event, to tell a new event from the
// same one passed on to the next receiver.
std::uint64_t StampOf(const QKeyEvent& event) {
    return (std::uint64_t{event.timestamp()} << 24) ^ (std::uint64_t{event.nativeScanCode()} << 2) ^
           (event.type() == QEvent::KeyRelease ? 1u : 0u) ^
           (std::uint64_t{static_cast<std::uint32_t>(event.key())} << 40);
}

// Asks the window system for the keyboard on behalf of `window`. Under X11 a
// grab is refused while another client holds one (a screen locker, an open
// menu of another program); then keys typed would not come here. Where the
// program cannot grab at all (Wayland, the offscreen platform), keys reach
// only the focused window anyway, which the hook then sees.
bool GrabKeyboardOf(QWidget* window) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return true;
    QWindow* handle = window->windowHandle();
    return !handle || handle->setKeyboardGrabEnabled(true);
}

} // namespace

unsigned HookMessageOf(int mode) {
    switch (mode) {
    case kHookKeyboardSingleKey:
        return WM_HOOK_KEY_SINGLEKEY;
    case kHookKeyboardHitKey:
        return WM_HOOK_KEY_KBHITKEY;
    case kHookKeyboardMacro:
        return WM_HOOK_KEY_MACRO;
    case kHookMouseSingleKey:
        return WM_HOOK_MOU_SINGLEKEY;
    case kHookMouseHitKey:
        return WM_HOOK_MOU_HITKEY;
    case kHookMouseMacro:
        return WM_HOOK_MOU_MACRO;
    default:
        return 0;
    }
}

bool IsLockKey(std::uint32_t vk) {
    return vk == kVkCapsLock || vk == kVkNumLock || vk == kVkScrollLock;
}

std::optional<HookedKey> HookedKeyOf(const QKeyEvent& event) {
    const bool press = event.type() == QEvent::KeyPress;
    if (!press && event.type() != QEvent::KeyRelease)
        return std::nullopt;
    HookedKey out;
    const std::uint32_t native = event.nativeScanCode();
    const std::uint32_t evdev =
        native >= platform::kXKeycodeOffset ? native - platform::kXKeycodeOffset : 0;
    bool extended = false;
    if (const auto codes = platform::KeyCodesOfEvdev(evdev)) {
        out.record.scanCode = codes->scanCode;
        out.record.vkCode = codes->virtualKey;
        extended = codes->extended;
        // With Num Lock off the keypad digits are navigation keys.
        if (codes->keypadNavigation && !IsKeypadDigitKey(event.key()))
            if (const auto navigation = platform::KeypadNavigationKey(evdev))
                out.record.vkCode = *navigation;
    }
    const Qt::KeyboardModifiers mods = event.modifiers();
    const bool altKey = out.record.vkCode == kVkLeftAlt || out.record.vkCode == kVkRightAlt;
    const bool altDown = (mods.testFlag(Qt::AltModifier) || (press && altKey));
    const bool system = altDown && !mods.testFlag(Qt::ControlModifier);
    out.record.flags =
        (extended ? LLKHF_EXTENDED : 0u) | (altDown ? LLKHF_ALTDOWN : 0u) | (press ? 0u : LLKHF_UP);
    out.record.time = static_cast<std::uint32_t>(event.timestamp());
    out.record.extraInfo = 0;
    if (press)
        out.message = system ? WM_SYSKEYDOWN : WM_KEYDOWN;
    else
        out.message = system ? WM_SYSKEYUP : WM_KEYUP;
    return out;
}

CDeviceHook::~CDeviceHook() {
    Uninstall();
}

int CDeviceHook::Install(int mode, WindowImplBase* target) {
    // One hook in the process: a new one replaces whatever held the keyboard.
    if (g_installed)
        g_installed->Uninstall();
    Uninstall();
    if (!target || target->IsClosing())
        return 0;
    QWidget* grabber = target->window();
    if (!GrabKeyboardOf(grabber))
        return 0;
    target_ = target;
    mode_ = mode;
    installed_ = true;
    g_installed = this;
    grabber_ = grabber;
    grabber_->grabKeyboard();
    qApp->installEventFilter(this);
    haveLast_ = false;
    lastStamp_ = 0;
    return 1;
}

void CDeviceHook::Uninstall() {
    if (!installed_)
        return;
    SendHeldRelease(); // a key released just before is not lost
    installed_ = false;
    if (g_installed == this)
        g_installed = nullptr;
    qApp->removeEventFilter(this);
    if (grabber_ && QWidget::keyboardGrabber() == grabber_)
        grabber_->releaseKeyboard();
    grabber_.clear();
}

bool CDeviceHook::Deliver(const QKeyEvent& event) {
    const auto key = HookedKeyOf(event);
    if (!key)
        return false;
    const bool release = event.type() == QEvent::KeyRelease;
    const bool lock = IsLockKey(key->record.vkCode);
    // X11 repeats a held key as release and press pairs; a low-level hook
    // sees only the repeated presses, and the key's one release at the end.
    if (release && event.isAutoRepeat())
        return !lock;
    if (heldRelease_) {
        const bool repeat = !release && event.nativeScanCode() == heldScanCode_ &&
                            key->record.time == heldRelease_->record.time;
        if (repeat) {
            heldRelease_.reset(); // the pair was a repeat the platform did not mark
            releaseTimer_->stop();
        } else {
            SendHeldRelease();
        }
    }
    if (release && !lock && QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (!releaseTimer_) {
            releaseTimer_ = new QTimer(this);
            releaseTimer_->setSingleShot(true);
            connect(releaseTimer_, &QTimer::timeout, this, [this] { SendHeldRelease(); });
        }
        heldRelease_ = *key;
        heldScanCode_ = event.nativeScanCode();
        releaseTimer_->start(kRepeatPressWaitMs);
        return true;
    }
    Send(*key);
    return !lock;
}

void CDeviceHook::Send(const HookedKey& key) {
    const unsigned message = HookMessageOf(mode_);
    // The record lives on this frame for the whole synchronous message.
    KeyboardEventRecord record = key.record;
    QPointer<WindowImplBase> target = target_;
    if (message != 0 && target)
        target->SendMessage(message, key.message, reinterpret_cast<LPARAM>(&record));
}

void CDeviceHook::SendHeldRelease() {
    if (!heldRelease_)
        return;
    const HookedKey key = *heldRelease_;
    heldRelease_.reset();
    if (releaseTimer_)
        releaseTimer_->stop();
    Send(key);
}

bool CDeviceHook::eventFilter(QObject* watched, QEvent* event) {
    if (!installed_)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        const std::uint64_t stamp = StampOf(*key);
        if (haveLast_ && stamp == lastStamp_)
            return false; // passed on once already (a lock key)
        haveLast_ = true;
        lastStamp_ = stamp;
        return Deliver(*key);
    }
    case QEvent::ShortcutOverride: {
        // No shortcut of the program runs on a hooked key.
        auto* key = static_cast<QKeyEvent*>(event);
        const auto hooked = HookedKeyOf(QKeyEvent(QEvent::KeyPress, key->key(), key->modifiers(),
                                                  key->nativeScanCode(), key->nativeVirtualKey(),
                                                  key->nativeModifiers()));
        if (hooked && IsLockKey(hooked->record.vkCode))
            return false;
        event->accept();
        return true;
    }
    case QEvent::WindowDeactivate:
        if (watched == grabber_)
            Uninstall();
        return false;
    default:
        return false;
    }
}

} // namespace zk::ui
