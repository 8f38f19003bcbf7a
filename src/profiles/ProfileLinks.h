#pragma once

// The links between profiles and programs in the index files: a profile i is
// linked when its flag section holds "1" under key i, and its path section
// holds the full path of the program's executable under the same key.
//
// The keyboard's device and key profiles would share the path section
// "PROCESS"; its device links are written to "DEVICEPROCESS" (the section of
// the mouse's device links) and read from there first, then from "PROCESS"
// for files written before.

#include "profiles/ProfileIndex.h"

#include <string>
#include <string_view>

namespace zk::profiles {

// The path section that links of `kind` are written to.
std::string_view LinkWriteSection(DeviceKind device, ProfileKind kind);

// The stored path of profile `selected` (empty when none).
std::string LinkedPath(const ProfileIndex& index, ProfileKind kind, int selected);

// Links profile `selected` to the executable `path`: flag "1" and the path,
// in one replacement of the file. False when the file could not be written.
bool WriteLink(ProfileIndex& index, ProfileKind kind, int selected, std::string_view path);

// Removes the link: flag "0" and no path in the section links are written
// to. The keyboard's shared "PROCESS" keeps its key (it may be a key
// profile's link). False when the file could not be written.
bool RemoveLink(ProfileIndex& index, ProfileKind kind, int selected);

} // namespace zk::profiles
