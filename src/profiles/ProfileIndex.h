#pragma once

// The INI index of the profiles of one device kind ("msProfile.ini",
// "kbProfile.ini", "mpProfile.ini" in the kind's profile folder): for each
// profile kind the count, the names by index, the selected index, the link
// flags and the linked executables. Nothing is cached: every call reads or
// writes the file again, so other threads and processes may change it at any
// time.

#include "platform/IniFile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zk::profiles {

enum class DeviceKind { Keyboard, Mouse, Mousepad };
enum class ProfileKind { Device, Light, Key };

// Folder prefix ("ms", "kb", "mp") and index file name of a device kind.
std::string_view KindPrefix(DeviceKind kind);
std::string_view IndexFileName(DeviceKind kind);

// The sections of one profile kind in the index of one device kind. The
// keyboard's device links and key links share "PROCESS".
struct IndexSections {
    std::string_view count;   // key "count"
    std::string_view name;    // key: index
    std::string_view select;  // key "select"
    std::string_view linked;  // key: index, "1" or "0"
    std::string_view process; // key: index, full path of the executable
};
const IndexSections& SectionsOf(DeviceKind device, ProfileKind kind);

inline constexpr std::string_view kCountKey = "count";
inline constexpr std::string_view kSelectKey = "select";
// The name of a profile that the index does not list.
inline constexpr std::string_view kMissingName = "0";

// The kind's profile folder below the data folder, created when missing.
std::filesystem::path ProfileFolder(DeviceKind kind);

class ProfileIndex {
public:
    explicit ProfileIndex(DeviceKind kind);
    // An index file at a given path (tests).
    ProfileIndex(DeviceKind kind, std::filesystem::path file);

    DeviceKind Kind() const { return kind_; }
    const platform::IniFile& File() const { return ini_; }

    int Count(ProfileKind kind) const;
    std::string Name(ProfileKind kind, int index) const;
    int Selected(ProfileKind kind) const;
    // The name of the selected profile.
    std::string SelectedName(ProfileKind kind) const;
    bool Linked(ProfileKind kind, int index) const;
    std::string Process(ProfileKind kind, int index) const;

    bool SetCount(ProfileKind kind, int count);
    bool SetName(ProfileKind kind, int index, std::string_view name);
    bool SetSelected(ProfileKind kind, int index);
    bool SetLinked(ProfileKind kind, int index, bool linked);
    bool SetProcess(ProfileKind kind, int index, std::string_view path);

private:
    DeviceKind kind_;
    mutable platform::IniFile ini_;
};

// Why a profile name cannot be the stem of its files: a name that is empty,
// is "." or "..", holds '/' or a NUL, or is too long for a file name with
// `suffix` (the longest extension the name gets) would write somewhere else or
// nowhere. Nothing when the name is usable.
std::optional<std::string> ProfileNameProblem(std::string_view name,
                                              std::string_view suffix = "name.ini");

// The file of a profile: folder + name + extension, nothing between them.
// Nothing when the name is refused (the debug line says why).
std::optional<std::filesystem::path> ProfileFilePath(DeviceKind kind, std::string_view name,
                                                     std::string_view extension);

// The mouse's per-profile name file: name + "name.ini" in the mouse folder.
std::optional<std::filesystem::path> NameFilePath(std::string_view profileName);

} // namespace zk::profiles
