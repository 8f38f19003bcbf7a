#include "profiles/ProfileLinks.h"

#include "platform/IniText.h"

namespace zk::profiles {

namespace {

constexpr std::string_view kKeyboardDeviceProcess = "DEVICEPROCESS";

bool KeyboardDevice(DeviceKind device, ProfileKind kind) {
    return device == DeviceKind::Keyboard && kind == ProfileKind::Device;
}

} // namespace

std::string_view LinkWriteSection(DeviceKind device, ProfileKind kind) {
    return KeyboardDevice(device, kind) ? kKeyboardDeviceProcess : SectionsOf(device, kind).process;
}

std::string LinkedPath(const ProfileIndex& index, ProfileKind kind, int selected) {
    const std::string key = std::to_string(selected);
    if (KeyboardDevice(index.Kind(), kind)) {
        std::string path = index.File().Read(kKeyboardDeviceProcess, key, "");
        if (!path.empty())
            return path;
    }
    return index.File().Read(SectionsOf(index.Kind(), kind).process, key, "");
}

bool WriteLink(ProfileIndex& index, ProfileKind kind, int selected, std::string_view path) {
    const std::string key = std::to_string(selected);
    const IndexSections& sections = SectionsOf(index.Kind(), kind);
    const std::string_view process = LinkWriteSection(index.Kind(), kind);
    return platform::IniFile(index.File().Path()).Update([&](platform::IniText& text) {
        text.Set(process, key, path);
        text.Set(sections.linked, key, "1");
        return true;
    });
}

bool RemoveLink(ProfileIndex& index, ProfileKind kind, int selected) {
    const std::string key = std::to_string(selected);
    const IndexSections& sections = SectionsOf(index.Kind(), kind);
    const std::string_view process = LinkWriteSection(index.Kind(), kind);
    return platform::IniFile(index.File().Path()).Update([&](platform::IniText& text) {
        text.Set(sections.linked, key, "0");
        text.EraseKey(process, key);
        return true;
    });
}

} // namespace zk::profiles
