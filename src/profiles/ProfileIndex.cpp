#include "profiles/ProfileIndex.h"

#include "platform/FileIo.h"
#include "platform/Folders.h"
#include "platform/Log.h"

#include <string>

namespace zk::profiles {

namespace {

// clang-format off
const IndexSections kMouseDevice {"PROFILEDEVICECOUNT", "PROFILEDEVICENAME", "PROFILEDEVICESELECT", "PROFILELIKEDEVICEEXE", "DEVICEPROCESS"};
const IndexSections kKeyboardDevice {"PROFILEDEVICECOUNT", "PROFILEDEVICENAME", "PROFILEDEVICESELECT", "PROFILELIKEDEVICEEXE", "PROCESS"};
const IndexSections kLight {"PROFILEDENGCOUNT", "PROFILEDENGNAME", "PROFILEDENGSELECT", "PROFILELIKEDENGEXE", "DENGPROCESS"};
const IndexSections kKey {"PROFILECOUNT", "PROFILENAME", "PROFILESELECT", "PROFILELIKEEXE", "PROCESS"};
// clang-format on

std::string IndexKey(int index) {
    return std::to_string(index);
}

} // namespace

std::string_view KindPrefix(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::Keyboard:
        return "kb";
    case DeviceKind::Mouse:
        return "ms";
    case DeviceKind::Mousepad:
        return "mp";
    }
    return "ms";
}

std::string_view IndexFileName(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::Keyboard:
        return "kbProfile.ini";
    case DeviceKind::Mouse:
        return "msProfile.ini";
    case DeviceKind::Mousepad:
        return "mpProfile.ini";
    }
    return "msProfile.ini";
}

const IndexSections& SectionsOf(DeviceKind device, ProfileKind kind) {
    switch (kind) {
    case ProfileKind::Device:
        return device == DeviceKind::Mouse ? kMouseDevice : kKeyboardDevice;
    case ProfileKind::Light:
        return kLight;
    case ProfileKind::Key:
        return kKey;
    }
    return kLight;
}

std::filesystem::path ProfileFolder(DeviceKind kind) {
    return std::filesystem::path(platform::GetProfileFolder(KindPrefix(kind)));
}

ProfileIndex::ProfileIndex(DeviceKind kind)
    : ProfileIndex(kind, ProfileFolder(kind) / IndexFileName(kind)) {}

ProfileIndex::ProfileIndex(DeviceKind kind, std::filesystem::path file)
    : kind_(kind), ini_(std::move(file)) {}

int ProfileIndex::Count(ProfileKind kind) const {
    return ini_.ReadInt(SectionsOf(kind_, kind).count, kCountKey);
}

std::string ProfileIndex::Name(ProfileKind kind, int index) const {
    return ini_.Read(SectionsOf(kind_, kind).name, IndexKey(index), kMissingName);
}

int ProfileIndex::Selected(ProfileKind kind) const {
    return ini_.ReadInt(SectionsOf(kind_, kind).select, kSelectKey);
}

std::string ProfileIndex::SelectedName(ProfileKind kind) const {
    return Name(kind, Selected(kind));
}

bool ProfileIndex::Linked(ProfileKind kind, int index) const {
    return ini_.ReadInt(SectionsOf(kind_, kind).linked, IndexKey(index)) == 1;
}

std::string ProfileIndex::Process(ProfileKind kind, int index) const {
    return ini_.Read(SectionsOf(kind_, kind).process, IndexKey(index));
}

bool ProfileIndex::SetCount(ProfileKind kind, int count) {
    return ini_.WriteInt(SectionsOf(kind_, kind).count, kCountKey, count);
}

bool ProfileIndex::SetName(ProfileKind kind, int index, std::string_view name) {
    return ini_.Write(SectionsOf(kind_, kind).name, IndexKey(index), name);
}

bool ProfileIndex::SetSelected(ProfileKind kind, int index) {
    return ini_.WriteInt(SectionsOf(kind_, kind).select, kSelectKey, index);
}

bool ProfileIndex::SetLinked(ProfileKind kind, int index, bool linked) {
    return ini_.Write(SectionsOf(kind_, kind).linked, IndexKey(index), linked ? "1" : "0");
}

bool ProfileIndex::SetProcess(ProfileKind kind, int index, std::string_view path) {
    return ini_.Write(SectionsOf(kind_, kind).process, IndexKey(index), path);
}

std::optional<std::string> ProfileNameProblem(std::string_view name, std::string_view suffix) {
    if (name.empty())
        return "the profile name is empty";
    if (name == "." || name == "..")
        return "the profile name \"" + std::string(name) + "\" names a folder";
    if (name.find('/') != std::string_view::npos)
        return "the profile name \"" + std::string(name) + "\" holds '/'";
    if (name.find('\0') != std::string_view::npos)
        return "the profile name holds a NUL character";
    if (name.size() + suffix.size() > platform::kMaxWritableFileNameBytes)
        return "the profile name is too long for a file name (at most " +
               std::to_string(platform::kMaxWritableFileNameBytes - suffix.size()) + " bytes)";
    return std::nullopt;
}

std::optional<std::filesystem::path> ProfileFilePath(DeviceKind kind, std::string_view name,
                                                     std::string_view extension) {
    if (auto problem = ProfileNameProblem(name)) {
        platform::DebugLine("profile file refused: " + *problem);
        return std::nullopt;
    }
    return ProfileFolder(kind) / (std::string(name) + std::string(extension));
}

std::optional<std::filesystem::path> NameFilePath(std::string_view profileName) {
    return ProfileFilePath(DeviceKind::Mouse, profileName, "name.ini");
}

} // namespace zk::profiles
