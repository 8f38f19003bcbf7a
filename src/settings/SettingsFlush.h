#pragma once

// Timer 2's flush of pending light writes: for each device kind whose pending
// flag is set, its live record (the mouse settings record, the keyboard's and
// the mousepad's live light state) goes to the device in one 56-byte write at
// address 0, the rest of the 56 bytes zero, and the flag is cleared whatever
// the write's result. Order: keyboard, mouse, mousepad.

#include "settings/LightRecords.h"
#include "settings/MouseSettingsImage.h"

#include <cstddef>
#include <optional>

namespace zk::protocol {
class DeviceChannel;
}

namespace zk::settings {

inline constexpr std::size_t kFlushWriteBytes = 56;

// Which of the two colour layouts of the mouse lighting page apply to the
// light mode just written: mode 1 disables "RGB_Color_Edit_Layout" and leaves
// "deng_7colorselect_layout" alone; mode 3 enables the first and disables the
// second; every other mode enables both.
struct MouseLightLayouts {
    bool rgbColourEditEnabled = true;
    std::optional<bool> sevenColourSelectEnabled; // nothing: leave as it is
};
MouseLightLayouts LayoutsForLightMode(std::uint8_t lightMode);

struct FlushTargets {
    protocol::DeviceChannel* keyboardChannel = nullptr;
    protocol::DeviceChannel* mouseChannel = nullptr;
    protocol::DeviceChannel* mousepadChannel = nullptr;
    KeyboardImage* keyboard = nullptr;
    MouseSettingsImage* mouse = nullptr;
    MousepadImage* mousepad = nullptr;
};

struct FlushOutcome {
    int writes = 0; // device writes sent (attempted) on this tick
    // Set when the mouse record was flushed: the layouts the window applies.
    std::optional<MouseLightLayouts> mouseLayouts;
};

// One tick of timer 2. A kind without a channel or an image is skipped.
FlushOutcome FlushPendingWrites(const FlushTargets& targets);

} // namespace zk::settings
