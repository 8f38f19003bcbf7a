#pragma once

// The application in the foreground: the full path of the executable that owns
// the active window, and the windows of the running applications to choose a
// program from.
//
// The X11 source asks the X server through XCB: the window manager's
// `_NET_ACTIVE_WINDOW` on the root window, that window's `_NET_WM_PID`, then
// `/proc/<pid>/exe`. In a Wayland session it sees the programs that run under
// Xwayland (most games); a native Wayland window in front reads as no
// foreground program. Each object holds its own connection, opened on first
// use and opened again after the server went away; one object is used by one
// thread at a time.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zk::platform {

// A top-level window of a running program.
struct AppWindow {
    std::string title;
    std::string executable; // full path
    std::uint32_t pid = 0;
};

class ForegroundApp {
public:
    virtual ~ForegroundApp() = default;

    // The full path of the executable that owns the foreground window; nothing
    // when it cannot be found (no display, no active window, a window that
    // names no process of this machine, a process that may not be inspected).
    virtual std::optional<std::string> ForegroundExecutable() = 0;
    // The managed windows whose program could be found, in the window
    // manager's order; windows of this process are left out.
    virtual std::vector<AppWindow> Windows() = 0;

    // The X11 source on `display` (an X display name; empty: $DISPLAY).
    static std::unique_ptr<ForegroundApp> OnX11(const std::string& display = {});
};

// The full path of the executable of process `pid` ("/proc/<pid>/exe");
// nothing when the process is gone or may not be inspected.
std::optional<std::string> ExecutableOfProcess(std::uint32_t pid);

// True in a Wayland session ($WAYLAND_DISPLAY or $XDG_SESSION_TYPE), where
// only programs under Xwayland can be seen in the foreground.
bool IsWaylandSession();

} // namespace zk::platform
