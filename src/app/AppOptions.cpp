#include "app/AppOptions.h"

#include <charconv>
#include <string_view>

namespace zk::app {

namespace {

AppOptions g_options;

bool ParseModel(std::string_view text, int& model) {
    int value = -1;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < 0 || value > 1)
        return false;
    model = value;
    return true;
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine result;
    constexpr std::string_view kModel = "--keyboard-model";
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--emulate") {
            result.options.emulate = true;
        } else if (arg == "--minimized") {
            result.options.minimized = true;
        } else if (arg == "--help" || arg == "-h") {
            result.options.help = true;
        } else if (arg == "--version") {
            result.options.version = true;
        } else if (arg == kModel || arg.starts_with(std::string(kModel) + "=")) {
            std::string_view value;
            if (arg == kModel) {
                if (i + 1 >= args.size()) {
                    result.error = "--keyboard-model needs a value (0 or 1)";
                    return result;
                }
                value = args[++i];
            } else {
                value = arg.substr(kModel.size() + 1);
            }
            if (!ParseModel(value, result.options.keyboardModel)) {
                result.error =
                    "--keyboard-model must be 0 or 1, not \"" + std::string(value) + "\"";
                return result;
            }
        } else {
            result.error = "unknown option \"" + std::string(arg) + "\"";
            return result;
        }
    }
    return result;
}

std::string UsageText() {
    return "Usage: zk412v [--minimized] [--emulate [--keyboard-model N]]\n"
           "       zk412v --version | --help\n"
           "\n"
           "Configuration utility of the ORVANE ZK412V gaming mouse, its keyboard and its\n"
           "mousepad. It starts hidden and shows its window when a device is plugged in.\n"
           "\n"
           "  --minimized           do not show the window when a device is found; wait in\n"
           "                        the tray (or minimised in the task bar) until asked\n"
           "  --emulate             start with emulated devices plugged in\n"
           "  --keyboard-model N    model of the emulated keyboard: 0 (default) or 1\n"
           "  --version             print the version and exit\n"
           "  -h, --help            show this text and exit\n"
           "\n"
           "Diagnostics: QT_LOGGING_RULES=\"zk412v.debug=true\" zk412v\n";
}

std::string VersionText() {
    return std::string("zk412v ") + ZK_VERSION + "\n";
}

const AppOptions& CurrentOptions() {
    return g_options;
}

void SetCurrentOptions(const AppOptions& options) {
    g_options = options;
}

} // namespace zk::app
