#pragma once

// The desktop's pointer settings: pointer speed, double-click time and wheel
// scroll lines, in the units the mouse pages and profiles use (speed 1 to 20
// with 10 as the neutral middle, double-click time in milliseconds, wheel lines
// 1 to 100 or 255 for one screen per notch).
//
// One back end per desktop, chosen from XDG_CURRENT_DESKTOP:
//
//   GNOME and other GSettings desktops   org.gnome.desktop.peripherals.mouse
//                                        "speed" and "double-click" through GIO;
//                                        no wheel lines
//   KDE Plasma                           kcminputrc [Mouse]
//                                        XLbInptPointerAcceleration (and every
//                                        libinput device group's
//                                        PointerAcceleration), kdeglobals [KDE]
//                                        DoubleClickInterval and WheelScrollLines,
//                                        then the KGlobalSettings change signal
//   anything else                        none
//
// Every value pushed is also kept in the program's own store
// ("$XDG_CONFIG_HOME/zk412v/pointer.ini"), which answers the reads of what the
// desktop lacks. Whether the desktop applies a value is asked with Applies; a
// value it does not apply is stored only.
//
// Pushes never block the caller: each setting has its own short worker thread
// that runs while pushes of that setting wait and then ends. Pushes of one
// setting are applied in order and a push made while an earlier one is still
// being written replaces any that has not started yet, so the desktop always
// ends on the last value pushed.

#include <array>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace zk::platform {

enum class PointerSetting { Speed = 0, DoubleClick = 1, WheelLines = 2 };
inline constexpr std::size_t kPointerSettingCount = 3;

inline constexpr int kPointerSpeedMin = 1;
inline constexpr int kPointerSpeedMax = 20;
inline constexpr int kPointerSpeedNeutral = 10;
inline constexpr int kWheelLinesMax = 100;
// Wheel lines that stand for "one screen per notch".
inline constexpr int kWheelOneScreen = 255;

// Pointer speed 1..20 onto the libinput acceleration range −1..1 that GNOME
// and Plasma store, and back. Piecewise linear so that the neutral speed 10
// is the desktops' neutral 0:
//   speed s ≤ 10:  a = (s − 10) / 9     1 → −1,  10 → 0
//   speed s ≥ 10:  a = (s − 10) / 10   20 →  1
// The inverse rounds to the nearest speed and clamps to 1..20, so every speed
// survives the round trip.
double DesktopAccelerationOf(int pointerSpeed);
int PointerSpeedOf(double acceleration);

// One desktop's store of the pointer settings.
class PointerBackend {
public:
    virtual ~PointerBackend() = default;
    // "GNOME", "KDE", or "" for no desktop back end.
    virtual std::string_view Name() const = 0;
    // True when this desktop applies `value` of `setting`.
    virtual bool Applies(PointerSetting setting, int value) const = 0;
    // Writes a value the desktop applies; true on success. Called on the
    // setting's worker thread.
    virtual bool Write(PointerSetting setting, int value) = 0;
    // The desktop's current value; nothing when it has none.
    virtual std::optional<int> Read(PointerSetting setting) const = 0;
};

// GSettings through GIO; null when the schema is not installed.
std::unique_ptr<PointerBackend> MakeGnomePointerBackend();
// Plasma's files below `configHome`; `notify` tells the desktop of a change
// (MakeKdePointerBackend with no `notify` sends the D-Bus signal, when a
// session bus is reachable).
std::unique_ptr<PointerBackend> MakeKdePointerBackend(std::filesystem::path configHome,
                                                      std::function<void()> notify = {});
// The back end of a desktop named as XDG_CURRENT_DESKTOP names it
// (colon-separated); null when the desktop has none this program knows.
std::unique_ptr<PointerBackend> PointerBackendFor(std::string_view currentDesktop);
// Sends Plasma's "mouse settings changed" signal on the session bus; false
// (and nothing sent) when no session bus is reachable.
bool NotifyPlasmaMouseChange();

class PointerSettings {
public:
    // `backend` may be null (no desktop back end).
    explicit PointerSettings(std::unique_ptr<PointerBackend> backend,
                             std::filesystem::path storeFile = DefaultStoreFile());
    // Waits for the pushes in flight.
    ~PointerSettings();
    PointerSettings(const PointerSettings&) = delete;
    PointerSettings& operator=(const PointerSettings&) = delete;

    // The back end of the running desktop (XDG_CURRENT_DESKTOP).
    static std::unique_ptr<PointerSettings> ForRunningDesktop();
    static std::filesystem::path DefaultStoreFile();

    std::string_view DesktopName() const;
    bool Applies(PointerSetting setting, int value) const;

    // Stores `value` and hands it to the desktop on the setting's worker
    // thread; returns at once.
    void Push(PointerSetting setting, int value);
    // The current value: the last push while it is still on its way, then the
    // desktop's value where the desktop has the setting, then the stored one.
    std::optional<int> Current(PointerSetting setting) const;
    // Waits until every push made so far has been handed on.
    void WaitIdle();

private:
    struct Lane {
        std::optional<int> waiting; // pushed, not yet taken by the worker
        std::optional<int> writing; // being written
        bool busy = false;
        std::thread worker;
    };
    void Run(PointerSetting setting);
    void Apply(PointerSetting setting, int value);

    std::unique_ptr<PointerBackend> backend_;
    std::filesystem::path storeFile_;
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::array<Lane, kPointerSettingCount> lanes_;
};

} // namespace zk::platform
