#include "profiles/NameFile.h"

#include "profiles/ProfileIndex.h"

namespace zk::profiles {

using namespace name_file;

std::optional<MouseNameFile> MouseNameFile::ForProfile(std::string_view profileName) {
    const auto path = NameFilePath(profileName);
    if (!path)
        return std::nullopt;
    return MouseNameFile(platform::IniFile(*path));
}

std::optional<MouseNameFile> MouseNameFile::ForSelectedProfile() {
    return ForProfile(ProfileIndex(DeviceKind::Mouse).SelectedName(ProfileKind::Device));
}

std::string MouseNameFile::UsbRateText() const {
    return ini_.Read(kUsbRate, kSelectKey, kUsbRateDefault);
}

std::optional<int> MouseNameFile::Slider(std::string_view section) const {
    const std::string text = ini_.Read(section, kSelectKey, kSliderAbsent);
    if (text == kSliderAbsent)
        return std::nullopt;
    return platform::ToInt(text);
}

std::optional<int> MouseNameFile::MouseSpeed() const {
    return Slider(kMouseSpeed);
}
std::optional<int> MouseNameFile::DoubleClick() const {
    return Slider(kDoubleClick);
}

std::string MouseNameFile::KeyName(int button) const {
    return ini_.Read(kKeyName, std::to_string(button), "0");
}

bool MouseNameFile::SetUsbRate(int code) {
    return ini_.WriteInt(kUsbRate, kSelectKey, code);
}
bool MouseNameFile::SetMouseSpeed(int position) {
    return ini_.WriteInt(kMouseSpeed, kSelectKey, position);
}
bool MouseNameFile::SetDoubleClick(int position) {
    return ini_.WriteInt(kDoubleClick, kSelectKey, position);
}

bool MouseNameFile::SetKeyName(int button, std::string_view name) {
    if (button < kFirstNamedButton || button > kLastNamedButton)
        return false;
    return ini_.Write(kKeyName, std::to_string(button), name);
}

} // namespace zk::profiles
