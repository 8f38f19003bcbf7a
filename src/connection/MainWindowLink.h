#pragma once

// What the detection and change-notification threads need of the main window.
// The threads never touch a control or a settings image themselves: they post
// or send private messages, hand control changes to the GUI thread, start
// timers, and set the reactive light triggers. The main window implements this
// interface; every operation except SendMessage returns without waiting for
// the GUI thread (the detection threads call them while holding a channel's
// transaction lock).

#include "device/DeviceIdentity.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace zk::connection {

using device::DeviceKind;

// Private messages of the main window used here (wParam and lParam are 0).
inline constexpr unsigned kMsgActivate = 0xC004;       // show the window if a device is there
inline constexpr unsigned kMsgMouseReadAll = 0x901;    // read all mouse settings
inline constexpr unsigned kMsgMouseReread = 0x902;     // re-read the mouse settings record
inline constexpr unsigned kMsgKeyboardReadAll = 0xB01; // read the keyboard settings
inline constexpr unsigned kMsgKeyboardReread = 0xB02;  // re-read the keyboard light record
inline constexpr unsigned kMsgMouseRemoved = 0xC05;    // mouse gone, nothing else connected
inline constexpr unsigned kTimerRedraw = 7;            // one-shot redraw
inline constexpr unsigned kTimerMouseRead = 8;         // one-shot: read all mouse settings

enum class ControlOp {
    SetVisible,                // `control` shown (value 1) or hidden (value 0)
    Select,                    // option or tab `control` selected, raising its notification
    SetFocus,                  // `control` gets the focus
    SelectItem,                // entry `value` of list/combo `control` selected without focus;
                               // its selection notification runs
    Update,                    // `control` redrawn
    ShowWindow,                // main window shown (value 1) or hidden (value 0)
    LoadKeyboardDeviceProfile, // load keyboard device profile number `value`
    ReportNoAccess,            // the device at path `control` is plugged in but this user may
                               // not open it (no device rule installed)
    StartScanned,              // the thread's first poll step is over: whatever of its kind
                               // was plugged in at start has been reported before this
};

struct ControlChange {
    ControlOp op = ControlOp::Update;
    std::string control;
    int value = 0;

    bool operator==(const ControlChange&) const = default;
};

class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;
    // Queues a message; returns at once.
    virtual void PostMessage(unsigned message) = 0;
    // Delivers a message and waits until the main window has handled it.
    virtual void SendMessage(unsigned message) = 0;
    // Hands control changes to the GUI thread, to be applied there in order;
    // returns at once.
    virtual void QueueControlChanges(std::vector<ControlChange> changes) = 0;
    // Starts (or restarts) timer `id` of the main window; returns at once.
    virtual void StartTimer(unsigned id, std::chrono::milliseconds period) = 0;
    // Sets the reactive triggers of the mouse and mousepad light effects.
    virtual void TriggerReactiveEffects() = 0;
};

// Waits at most `timeout` for the thread's stop event; true when it is set.
using StopWait = std::function<bool(std::chrono::milliseconds)>;
// The look at the stop event before each step: without waiting, since every
// step ends in a wait of its own (the scan's pause, the read's time-out).
inline constexpr std::chrono::milliseconds kStopCheck{0};
// The pause of a scan that found nothing of its kind while every interface that appears raises
// a hot-plug notice, which ends the pause early: a safety look for a notice that went missing.
inline constexpr std::chrono::milliseconds kNoticedScanPause{30000};

} // namespace zk::connection
