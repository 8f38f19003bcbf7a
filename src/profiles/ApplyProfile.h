#pragma once

// The device side of applying a profile from a selector: the steps that the
// selector handlers share (remember the choice, find the linked program) and
// the loads and device writes of applying a mouse device profile. The window
// side (controls) calls these in the order of its apply sequence.

#include "profiles/ProfileIndex.h"
#include "profiles/ProfileStore.h"
#include "settings/MouseSettingsImage.h"

#include <optional>
#include <string>
#include <string_view>

namespace zk::protocol {
class DeviceChannel;
}

namespace zk::profiles {

// What the link display of a selector shows after an apply.
struct LinkDisplay {
    // The index marks the profile as linked to a program. When it does not,
    // the link check box is cleared.
    bool linked = false;
    // The file name of the linked program, shown in the link edit with the
    // check box selected and the link row visible; nothing when the profile
    // is not linked or its stored path has no folder part (the display is
    // then left as it is).
    std::optional<std::string> programName;
};

// The file name after the last folder separator ('/' or, in files written by
// the Windows version, '\\'); nothing when the path holds neither.
std::optional<std::string> LinkedProgramName(std::string_view path);

// The shared first steps of every apply: the index file remembers `index` as
// the selected profile of `kind`, and the link of that profile is looked up.
LinkDisplay ApplySelection(ProfileIndex index, ProfileKind kind, int selected);
// The link display of profile `selected` of `kind`, the index left as it is.
// The keyboard's device links are looked up in "DEVICEPROCESS" first, then in
// "PROCESS".
LinkDisplay LinkOf(const ProfileIndex& index, ProfileKind kind, int selected);

// Loads the device profile `index` and makes the live settings record the
// loaded profile record (also when the load failed: the record then takes
// profile record 0 as it was). Returns the load's result and the button table
// to write.
struct MouseDeviceLoad {
    int result = kProfileMissing;
    settings::ButtonTable buttons{};
};
MouseDeviceLoad LoadMouseDeviceForApply(MouseProfileStore& store,
                                        settings::MouseSettingsImage& image, int index);

// The pointer-speed slider position of a pointer speed (1 to 20).
constexpr int PointerSliderOf(int pointerSpeed) {
    return pointerSpeed / 2 - 1;
}

// Writes bytes 0 to 40 of profile record 0 to the mouse (41 bytes at address
// 0) and marks the image pending so that the next flush writes the live
// record. Returns the write's result (0 without a channel).
int WriteAppliedRecord(settings::MouseSettingsImage& image, protocol::DeviceChannel* channel);

// Writes a button table as profile 0's button block. 0 without a channel.
int WriteAppliedButtons(const settings::ButtonTable& buttons, protocol::DeviceChannel* channel);

// The pictures of the pointer page that a profile's name file asks for
// ("qelma/250.png", "qelma/1.png", ...); nothing where the picture stays.
struct NameFilePictures {
    std::optional<std::string> usbRate;     // "USB_rate_slider1"
    std::optional<std::string> mouseSpeed;  // "mouse_speed_slider1"
    std::optional<std::string> doubleClick; // "DBC_speed_slider2"
};
NameFilePictures PicturesOfNameFile(std::string_view profileName);

} // namespace zk::profiles
