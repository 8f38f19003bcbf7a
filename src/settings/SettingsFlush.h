#pragma once

// Timer 2's flush of pending light writes: for each device kind whose pending
// flag is set, its live record (the mouse settings record, the keyboard's and
// the mousepad's live light state) goes to the device in one 56-byte write at
// address 0, the rest of the 56 bytes zero. Order: keyboard, mouse, mousepad.
//
// The flag is cleared when the write was answered, refused by the device, or
// went nowhere because the device is not connected. A write that a connected
// device left unanswered (or did not take) keeps the flag: the change goes out
// again once the device answers, instead of being dropped. While a channel
// says its device is not answering, its kind is left alone.
//
// Block writes that a channel kept (see protocol/DeviceChannel.h) go out
// again first, whenever their device answers.
//
// With a pacer, a kind goes out no sooner than 100 ms after its last write;
// until then its flag stays set and the outcome tells when it is due.

#include "settings/LightRecords.h"
#include "settings/MouseSettingsImage.h"

#include <array>
#include <chrono>
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

inline constexpr std::chrono::milliseconds kFlushSpacing{100};

// When each kind's record last went to its device.
class FlushPacer {
public:
    using Clock = std::chrono::steady_clock;
    enum Kind { Keyboard, Mouse, Mousepad };
    // How long `kind` must still wait at `now` (zero when it may go).
    Clock::duration Wait(Kind kind, Clock::time_point now) const;
    void Wrote(Kind kind, Clock::time_point now) { last_[kind] = now; }

private:
    std::array<std::optional<Clock::time_point>, 3> last_;
};

struct FlushOutcome {
    int writes = 0; // device writes sent (attempted) on this tick
    // Set when the mouse record was flushed: the layouts the window applies.
    std::optional<MouseLightLayouts> mouseLayouts;
    // Set when the pacer held a pending kind back: the time until it is due.
    std::optional<FlushPacer::Clock::duration> nextDue;
};

// One tick of timer 2. A kind without a channel or an image is skipped.
FlushOutcome FlushPendingWrites(const FlushTargets& targets, FlushPacer* pacer = nullptr);

} // namespace zk::settings
