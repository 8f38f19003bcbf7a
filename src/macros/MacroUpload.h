#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace zk::protocol {
class DeviceChannel;
}

namespace zk::macros {

class MacroLibrary;

// Language-file keys of the upload's messages: the library does not fit the
// macro memory (a format with one integer, the number of actions too many);
// no memory for the block.
inline constexpr std::string_view kMessageLibraryTooLarge = "message_text_16";
inline constexpr std::string_view kMessageOutOfMemory = "message_text_7";

// What the upload needs from the windows and the profile store.
struct MacroUploadSeams {
    // Shows the language text `key`, formatted with `argument` when there is one.
    std::function<void(std::string_view key, std::optional<int> argument)> showMessage;
    // Saves the current mouse profile.
    std::function<void()> saveDeviceProfile;
};

// Writes the whole macro library into the mouse's macro memory and then the
// 512-byte button table of on-device profile `profile`, each bracketed by
// CmdStart and CmdFinish, and saves the profile. Returns 1 when it ran to the
// end (the results of the transfers are not looked at) and 0 when it stopped
// before sending anything: the library does not fit `macroCapacity` × 128
// bytes, or there was no memory for it; the message is shown then.
int WriteButtonTableWithMacros(protocol::DeviceChannel& channel, const MacroLibrary& library,
                               std::uint8_t macroCapacity,
                               std::span<const std::uint8_t> buttonTable, int profile,
                               const MacroUploadSeams& seams);

} // namespace zk::macros
