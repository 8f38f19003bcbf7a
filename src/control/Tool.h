#pragma once

// The tool as a whole: global options, then the command carried out by the
// running window program (through its request socket) or, when none runs, by
// the tool itself on the devices.

#include "control/Commands.h"

#include <string>
#include <vector>

namespace zk::control {

struct ToolPlaces {
    std::string socketPath;   // the window program's request socket
    std::string instanceLock; // the lock the window program holds
    std::string toolLock;     // the lock of a tool that talks to the devices itself
    int timeoutMs = 60000;    // the longest wait for the window program's answer
};

// The places of this user (ControlSocket.h).
ToolPlaces DefaultPlaces();

Outcome RunTool(const std::vector<std::string>& args, const ToolPlaces& places);

} // namespace zk::control
