#pragma once

// The tool's sub-commands on the Qt-free core. The same code serves the tool
// on its own (DirectAccess) and the running window program (its sessions
// through its request socket), so both give the same results and exit codes.
//
//   list [--json]                       connected devices
//   show [DEVICE] [--json]              settings of a device (mouse by default)
//   dpi STAGE VALUE                     DPI of stage 1..6
//   stage STAGE                         the stage the mouse uses now
//   rate HZ                             report rate 125, 250, 500 or 1000
//   light DEVICE [--mode M] [--colour RRGGBB] [--brightness 0-4] [--speed 0-4]
//   button BUTTON FUNCTION              function of button 2..7 by name
//   functions                           the function names
//   profile list [DEVICE] | apply DEVICE NAME | export DEVICE NAME FILE
//           | import DEVICE FILE [NAME]
//   macro list [DEVICE] | export DEVICE NAME FILE | import DEVICE FILE [NAME]
//   help [COMMAND]

#include "control/Access.h"

#include <string>
#include <vector>

namespace zk::control {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitDevice = 1; // no device, busy, no answer, file failure
inline constexpr int kExitUsage = 2;  // bad command line

struct Outcome {
    int exitCode = kExitOk;
    std::string out;
    std::string err;
};

// Runs one command line (the arguments after the program's name and its
// global options). Relative file names are taken from `workingFolder` (the
// caller's), or from this process's when it is empty.
Outcome RunCommand(const std::vector<std::string>& args, DeviceAccess& access,
                   const std::string& workingFolder = {});

// The whole "--help" text, and the help of one sub-command (empty when there
// is no such sub-command).
std::string UsageText();
std::string CommandHelp(const std::string& command);
// The sub-command names, for completion.
std::vector<std::string> CommandNames();
std::string VersionText();

} // namespace zk::control
