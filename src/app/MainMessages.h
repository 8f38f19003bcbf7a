#pragma once

// Private window messages and timer ids of the main window. Worker threads
// reach the main window only through these messages and timers.

#include "ui/DeviceHook.h"

namespace zk::app {

// Asks the main window to show itself (second start of the program, first
// scan of a detection thread); wParam and lParam 0.
inline constexpr unsigned kActivationMessage = 0xC004;

// Input hook (sent): key capture of the keyboard's key-function page and of
// the button-assignment page; wParam the keyboard message, lParam the event
// record. The hook's own table of messages (ui/DeviceHook.h) is the one.
inline constexpr unsigned kMsgKeyboardKeyCapture = ui::WM_HOOK_KEY_SINGLEKEY;
inline constexpr unsigned kMsgKeyboardHookNote = ui::WM_HOOK_KEY_KBHITKEY;
inline constexpr unsigned kMsgButtonKeyCapture = ui::WM_HOOK_MOU_SINGLEKEY;
inline constexpr unsigned kMsgButtonHookNote = ui::WM_HOOK_MOU_HITKEY;
// Mouse change notifications (sent): read all settings / re-read the record.
inline constexpr unsigned kMsgMouseReadAll = 0x901;
inline constexpr unsigned kMsgMouseReread = 0x902;
// Keyboard change notifications (sent): read the settings / the light record.
inline constexpr unsigned kMsgKeyboardReadAll = 0xB01;
inline constexpr unsigned kMsgKeyboardReread = 0xB02;
// Mouse detection: the mouse was removed and nothing else is connected.
inline constexpr unsigned kMsgMouseRemoved = 0xC05;

// Timers.
inline constexpr unsigned kTimerLightFlush = 2;    // 100 ms: pending light writes
inline constexpr unsigned kTimerAnimation = 3;     // 10 ms: light animation counters
inline constexpr unsigned kTimerRedraw = 7;        // one-shot: redraw the window
inline constexpr unsigned kTimerMouseRead = 8;     // one-shot 500 ms: read the mouse
inline constexpr unsigned kTimerRepaint = 10;      // 100 ms first, then 50 ms: redraw
inline constexpr unsigned kTimerKeyboardRead = 11; // one-shot 500 ms: read the keyboard
inline constexpr unsigned kTimerMousepadRead = 12; // one-shot 500 ms: read the mousepad

} // namespace zk::app
