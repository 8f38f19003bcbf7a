#pragma once

// Where the tool's commands find the devices: the window program's own
// sessions when a request comes through its socket, or sessions that the tool
// opens itself (DirectAccess). Commands run on one thread: the window's GUI
// thread or the tool's main thread.

#include "device/DeviceIdentity.h"
#include "profiles/DeviceSession.h"

#include <string>

namespace zk::control {

using device::DeviceKind;

// The same kind as the profile files name it.
constexpr profiles::DeviceKind FilesOf(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::Mouse:
        return profiles::DeviceKind::Mouse;
    case DeviceKind::Keyboard:
        return profiles::DeviceKind::Keyboard;
    case DeviceKind::Mousepad:
        break;
    }
    return profiles::DeviceKind::Mousepad;
}

class DeviceAccess {
public:
    virtual ~DeviceAccess() = default;

    // The kind's session with its device connected and its settings read, or
    // null with `why` set ("no mouse is connected", "... is busy").
    virtual profiles::MouseSession* Mouse(std::string& why) = 0;
    virtual profiles::KeyboardSession* Keyboard(std::string& why) = 0;
    virtual profiles::MousepadSession* Mousepad(std::string& why) = 0;

    // A command changed what the kind's pages show (the window refreshes them).
    virtual void Changed(DeviceKind kind) { (void)kind; }

    // The kind's list of PC profiles grew (the window adds the rows).
    virtual void ProfilesChanged(DeviceKind kind) { (void)kind; }

    // Applies PC profile `index` of the kind the way the window's selector
    // does (the selector's row chosen with its notification). False where no
    // window is: the command then applies it itself.
    virtual bool ApplyThroughWindow(DeviceKind kind, int index) {
        (void)kind;
        (void)index;
        return false;
    }
};

} // namespace zk::control
