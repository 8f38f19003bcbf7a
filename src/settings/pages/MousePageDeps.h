#pragma once

// What the mouse pages act on: the settings image, the profile store, the
// mouse channel, and the few hooks into the rest of the program. Every hook is
// optional.

#include "profiles/ProfileStore.h"
#include "settings/MouseSettingsImage.h"

#include <cstdint>
#include <functional>

class QWidget;

namespace zk::protocol {
class DeviceChannel;
}

namespace zk::settings::pages {

struct MousePageDeps {
    MouseSettingsImage* image = nullptr;
    profiles::MouseProfileStore* store = nullptr;
    protocol::DeviceChannel* channel = nullptr;

    // Called after a page marked the image pending (image.pending is set
    // already), for a window that keeps a flag of its own.
    std::function<void()> markPending;
    // Runs the colour palette modally over `parent`, starting at `initial`
    // (0xAARRGGBB); returns 1 with `chosen` set when the user confirmed.
    // Empty: the program's palette dialog at the cursor.
    std::function<int(QWidget* parent, std::uint32_t initial, std::uint32_t& chosen)> pickColour;
    // Step 4 of the DPI page refresh: the lighting controls.
    std::function<void()> refreshLighting;
    // Applying a device profile: hand the pointer speed to the system, and
    // show the button names of the profile's name file.
    std::function<void()> startPointerSpeed;
    std::function<void()> refreshButtonNames;
};

// Sets the image's pending flag and calls markPending.
void MarkPending(MousePageDeps& deps);
// Saves the selected device profile; false without a store or on failure.
bool SaveProfile(MousePageDeps& deps);

} // namespace zk::settings::pages
