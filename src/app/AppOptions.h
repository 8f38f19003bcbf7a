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
    bool help = false;
};

struct ParsedCommandLine {
    AppOptions options;
    // Empty when the command line is valid; otherwise a message for the user.
    std::string error;
};

// Parses the arguments after the program name. Accepts "--emulate",
// "--keyboard-model N" (also "--keyboard-model=N"), "--help" and "-h".
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text that "--help" prints.
std::string UsageText();

// The options of this process, as set by the entry point; the device side
// reads them when it chooses its back end.
const AppOptions& CurrentOptions();
void SetCurrentOptions(const AppOptions& options);

} // namespace zk::app
