#pragma once
// Window message numbers and parameter types of the window layer.
//
// Windows of this layer exchange numbered messages with two pointer-sized
// parameters, as the rest of the program expects: private messages that worker
// threads post or send to a window, timer ticks, the tray icon's mouse events
// and chosen menu items. The numbers of the system messages are the classic
// ones, so that every message number used across the program has one meaning.

#include <cstdint>

namespace zk::ui {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// System messages delivered to a window's HandleCustomMessage.
inline constexpr unsigned WM_NULL = 0x0000;
inline constexpr unsigned WM_DESTROY = 0x0002;  // the window is being destroyed (after OnDestroy)
inline constexpr unsigned WM_ACTIVATE = 0x0006; // wParam: WA_INACTIVE (0) or WA_ACTIVE (1)
inline constexpr unsigned WM_CLOSE = 0x0010;    // close request; unhandled it closes the window
inline constexpr unsigned WM_GETMINMAXINFO = 0x0024;
inline constexpr unsigned WM_SYSCOMMAND = 0x0112; // wParam: one of the SC_ values below
inline constexpr unsigned WM_TIMER = 0x0113;      // wParam: the timer id given to SetTimer
inline constexpr unsigned WM_LBUTTONUP = 0x0202;  // as the tray message's lParam
inline constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
inline constexpr unsigned WM_RBUTTONUP = 0x0205; // as the tray message's lParam
inline constexpr unsigned WM_MBUTTONUP = 0x0208;
inline constexpr unsigned WM_DPICHANGED = 0x02E0; // wParam: new DPI in the low word
inline constexpr unsigned WM_USER = 0x0400;

inline constexpr unsigned WA_INACTIVE = 0;
inline constexpr unsigned WA_ACTIVE = 1;

// WM_SYSCOMMAND commands, handled by every window unless HandleCustomMessage
// marks the message handled.
inline constexpr WPARAM SC_MINIMIZE = 0xF020; // minimise the window
inline constexpr WPARAM SC_MAXIMIZE = 0xF030; // maximise the window
inline constexpr WPARAM SC_CLOSE = 0xF060;    // same as WM_CLOSE
inline constexpr WPARAM SC_RESTORE = 0xF120;  // show normally (also shows a hidden window)

// Message of the tray icon: wParam the icon id, lParam WM_LBUTTONUP,
// WM_RBUTTONUP or WM_LBUTTONDBLCLK.
inline constexpr unsigned UIMSG_TRAYICON = WM_USER + 1; // 0x401
// A chosen menu item: wParam points to a MenuCmd (see ui/MenuWnd.h), which the
// message owns and frees after HandleCustomMessage returned.
inline constexpr unsigned UIMSG_MENUCLICK = WM_USER + 121; // 0x479

// Window results (Close, ShowModal).
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

} // namespace zk::ui
