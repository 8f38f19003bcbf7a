#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "macros/MacroAction.h"
#include "settings/KeyTables.h"

namespace zk::macros {

// File names of the library.
inline constexpr std::string_view kMouseIndexFile = "msMacro.ini";
inline constexpr std::string_view kKeyboardIndexFile = "kbMacro.ini";
inline constexpr std::string_view kRepeatCountFile = "CirNum.ini";
inline constexpr std::string_view kActionFileExtension = ".mac";
inline constexpr std::string_view kCursorFileExtension = ".cur";

// The most macros a library holds.
inline constexpr int kMaxMacros = 50;

// Why an operation on the library refused or failed. Each has a language-file
// key and an English text that a window can show.
enum class MacroError {
    None,
    NameEmpty,       // no name
    NameDots,        // "." or ".."
    NameSlash,       // contains '/'
    NameControl,     // contains NUL, a line break or another control character
    NameIniSyntax,   // '=', a leading '[' or ';', surrounding blanks or quotes
    NameTooLong,     // "<name>.mac" would not fit a file name
    NameExists,      // a file or macro of the name (without regard to case) is already there
    LibraryFull,     // the library holds kMaxMacros macros
    BadActionLine,   // an action line with a line break or NUL
    IndexOutOfRange, // no macro at that index
    FileError,       // the file system refused
};
std::string_view MacroErrorKey(MacroError error);
std::string_view MacroErrorText(MacroError error);

// Whether `name` can be a macro name: it becomes the file name "<name>.mac" in
// the library's folder and a key of CirNum.ini, so it must name a plain file in
// that folder and read back from the INI files exactly as written.
MacroError CheckMacroName(std::string_view name);

// The names compare as the library compares them, without regard to case.
bool SameMacroName(std::string_view a, std::string_view b);

// The first "macro%d", counting from names.size() + 1, that equals none of
// `names` without regard to case.
std::string MakeNewMacroName(const std::vector<std::string>& names);

// The macro library of one device kind: the index file, one action file per
// macro and (mouse) the repeat counts and cursor files, all in one folder.
// Every path into the folder is formed from a checked name, so nothing is
// read or written outside it.
class MacroLibrary {
public:
    MacroLibrary(std::filesystem::path folder, std::string_view indexFileName);
    // The mouse library in the "ms" profile folder and the keyboard's in "kb".
    static MacroLibrary Mouse();
    static MacroLibrary Keyboard();

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path IndexPath() const;

    // Index.
    int ReadCount() const;
    std::string ReadName(int index, std::string_view def = "0") const;
    std::vector<std::string> ReadNames(std::string_view def = "0") const;
    MacroError AppendName(std::string_view name) const;
    MacroError SetName(int index, std::string_view name) const;
    // Replaces the index by `names` in list order (renumbering them); the
    // cursor sections are dropped until the next start-up check.
    MacroError RewriteIndex(const std::vector<std::string>& names) const;
    std::string MakeNewName() const;

    // Action files.
    std::optional<std::filesystem::path> ActionFilePath(std::string_view name) const;
    int ReadActionCount(std::string_view name) const;
    std::vector<std::string> ReadActionLines(std::string_view name) const;
    std::vector<MacroAction> ReadActions(std::string_view name) const;
    // Writes the count and lines 0..M-1; keys at or beyond M stay.
    MacroError WriteActionLines(std::string_view name, const std::vector<std::string>& lines) const;
    MacroError WriteActions(std::string_view name, const std::vector<MacroAction>& actions) const;
    MacroError WriteSelectName(std::string_view name) const;
    MacroError DeleteActionFile(std::string_view name) const;
    // Refused with NameExists when another file already has the new name.
    MacroError MoveActionFile(std::string_view oldName, std::string_view newName) const;

    // Repeat counts (CirNum.ini); a missing entry reads as 0.
    int ReadRepeatCount(std::string_view name) const;
    MacroError WriteRepeatCount(std::string_view name, int count) const;

    // Cursor files (mouse library). At start: when CURSORCOUNT reads 0, writes
    // the cursor sections and puts each name_N.cur into the folder, copied from
    // `programFolder` or, when that has none, written from the defaults; a file
    // already in the folder is kept.
    void EnsureCursorFiles(const std::filesystem::path& programFolder) const;
    // The same with the program's own folder.
    void EnsureCursorFiles() const;
    // The cursor file named by CURSORNAME key `index` ("name_1" for key 0).
    std::optional<std::filesystem::path> CursorFilePath(int index = 0) const;

private:
    // The file "<stem><extension>" in the folder, matched without regard to
    // case when it exists; nothing for a name that is not a plain file name.
    std::optional<std::filesystem::path> FileIn(std::string_view stem,
                                                std::string_view extension) const;

    std::filesystem::path folder_;
    std::string indexFile_;
};

// Macro names for the button labels: reads MACROCOUNT and MACRONAME of the
// library's index at each call; nothing for an index at or beyond the count.
settings::MacroNameLookup MacroNameLookupOf(MacroLibrary library);

// The lines and the actions of any file in the action-file layout (an action
// file or a cursor file); a missing file has none.
std::vector<std::string> ReadActionFileLines(const std::filesystem::path& file);
std::vector<MacroAction> ReadActionFile(const std::filesystem::path& file);

// The assignment memo in section MACROSET of a profile's name file.
inline constexpr std::string_view kMemoSection = "MACROSET";
struct AssignmentMemo {
    int macroIndex = 0; // MACRONAME, default "0"
    int endStyle = 100; // ENDSTYLE, default "100": no end option chosen
};
AssignmentMemo ReadAssignmentMemo(const std::filesystem::path& nameFile);
bool WriteAssignmentMemo(const std::filesystem::path& nameFile, int macroIndex, int endStyle);

// The four default cursor files.
inline constexpr int kCursorFileCount = 4;
std::string CursorFileName(int n); // "name_1.cur" for n = 1
// The exact text of default cursor file n (1 to 4), in the action-file layout.
std::string DefaultCursorFileText(int n);
// Writes name_1.cur to name_4.cur into `folder`; false when one failed.
bool WriteDefaultCursorFiles(const std::filesystem::path& folder);

} // namespace zk::macros
