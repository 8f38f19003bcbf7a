#pragma once

// The operations of the mouse's profile list on the profile files and on
// "msProfile.ini": new, copy, rename and delete of device profiles.
//
// Every profile of the list owns its files: its ".config" and its name file
// (name + "name.ini"). Names are compared without regard to case, since files
// are looked up that way. Each operation does its file work first and changes
// the index last, in one atomic replace of the index file; when a step fails,
// what was done is undone, the index and the files stay as they were, and the
// result names the message to show. The operations run on the main thread.

#include "profiles/ProfileIndex.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::profiles {

// Language keys of the messages of the list operations.
inline constexpr std::string_view kMessageProfileFull = "profile_full";
inline constexpr std::string_view kMessageNameTaken = "message_text_15";
inline constexpr std::string_view kMessageNameUnusable = "profile_name_unusable";
inline constexpr std::string_view kMessageFileFailed = "profile_file_failed";

struct ListResult {
    // The files and the index changed.
    bool changed = false;
    // The name of the new, copied or renamed profile; of a delete, the name
    // of the removed one.
    std::string name;
    // Language key of the message box to show; empty when there is none.
    std::string message;
};

// "profile<n>" with the smallest n from 1 that no row has.
std::string FreshProfileName(const std::vector<std::string>& rows);
// "<source>_copy", else "<source>_copy2", "<source>_copy3", ...: the first
// that no row has.
std::string CopyProfileName(const std::vector<std::string>& rows, std::string_view source);

// Why `name` cannot name a listed profile: a name that ProfileNameProblem
// refuses, or one that would not read back from the index as written (line
// breaks, blanks at either end, surrounding quotes). Nothing when usable.
std::optional<std::string> RowNameProblem(std::string_view name);

class MouseProfileList {
public:
    // `defaultFile`: the factory default device profile that new profiles
    // start from.
    explicit MouseProfileList(std::filesystem::path defaultFile);

    // `rows` are the names the list shows, in index order.

    // Adds a profile after the last row, made from the default file and not
    // linked. Refused when the list is full, or the default file is missing
    // ("message_text_8") or malformed ("message_text_9").
    ListResult Create(const std::vector<std::string>& rows);
    // Adds a copy of profile `source` (its ".config" and its name file) after
    // the last row, under a name of its own.
    ListResult Copy(const std::vector<std::string>& rows, int source);
    // Renames profile `row` to `typed` (blanks at either end dropped), moving
    // its files. Refused when another row has the name in any case, or the
    // name is unusable. Renaming to the same name changes nothing.
    ListResult Rename(const std::vector<std::string>& rows, int row, std::string_view typed);
    // Deletes profile `row` and its files; the rows below move up one index,
    // their links with them, and the last row becomes the selected one. The
    // only profile is never deleted (nothing happens).
    ListResult Delete(const std::vector<std::string>& rows, int row);

private:
    std::filesystem::path defaultFile_;
};

} // namespace zk::profiles
