#pragma once

#include <string>
#include <vector>

namespace zk::app {

// What the command line asks of the program.
struct AppOptions {
    // Start with the emulated mouse, keyboard and mousepad plugged in.
    bool emulate = false;
    // Keyboard model of the emulated keyboard: 0 (product 0x0800) or 1
    // (product 0x6556).
    int keyboardModel = 0;
    // Start without showing the window (the autostart entry): the program
    // waits in the tray, or minimised in the task bar where the desktop has no
    // tray, until the user asks for it.
    bool minimized = false;
    bool help = false;
    bool version = false;
};

struct ParsedCommandLine {
    AppOptions options;
    // Empty when the command line is valid; otherwise a message for the user.
    std::string error;
};

// Parses the arguments after the program name. Accepts "--emulate",
// "--keyboard-model N" (also "--keyboard-model=N"), "--minimized",
// "--version", "--help" and "-h". Anything else is an error.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text that "--help" prints: every option.
std::string UsageText();
// The line that "--version" prints: "zk412v <version>".
std::string VersionText();

// The options of this process, as set by the entry point; the device side
// reads them when it chooses its back end.
const AppOptions& CurrentOptions();
void SetCurrentOptions(const AppOptions& options);

} // namespace zk::app
