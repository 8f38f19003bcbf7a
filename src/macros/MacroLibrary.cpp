#include "macros/MacroLibrary.h"

#include <algorithm>
#include <array>
#include <optional>
#include <system_error>

#include "platform/FileIo.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "platform/IniText.h"

namespace zk::macros {

namespace fs = std::filesystem;

namespace {

// Sections and keys of the library files.
constexpr std::string_view kCountSection = "MACROCOUNT";
constexpr std::string_view kNameSection = "MACRONAME";
constexpr std::string_view kCursorCountSection = "CURSORCOUNT";
constexpr std::string_view kCursorNameSection = "CURSORNAME";
constexpr std::string_view kActionCountSection = "MACROACTIONCOUNT";
constexpr std::string_view kActionSection = "MACROACTION";
constexpr std::string_view kSelectNameSection = "MACROSELECTNAME";
constexpr std::string_view kRepeatSection = "CIRCLENUM";
constexpr std::string_view kCountKey = "count";
constexpr std::string_view kNameKey = "name";
constexpr std::string_view kMemoIndexKey = "MACRONAME";
constexpr std::string_view kMemoEndStyleKey = "ENDSTYLE";

// A corrupted count must not make a reader loop for ever; no device or window
// handles more than this many actions.
constexpr int kMaxCount = 0xFFFF;

struct ErrorInfo {
    MacroError error;
    std::string_view key;
    std::string_view text;
};
constexpr std::array<ErrorInfo, 12> kErrors = {{
    {MacroError::None, "", ""},
    {MacroError::NameEmpty, "macro_name_empty", "A macro needs a name."},
    {MacroError::NameDots, "macro_name_dots", "A macro cannot be named \".\" or \"..\"."},
    {MacroError::NameSlash, "macro_name_slash", "A macro name cannot contain \"/\"."},
    {MacroError::NameControl, "macro_name_control",
     "A macro name cannot contain line breaks or other control characters."},
    {MacroError::NameIniSyntax, "macro_name_syntax",
     "A macro name cannot contain \"=\", start with \"[\" or \";\", or start or end with a "
     "blank or a quote."},
    {MacroError::NameTooLong, "macro_name_too_long", "The macro name is too long."},
    {MacroError::NameExists, "macro_name_exists",
     "A macro file of this name already exists in the macro folder."},
    {MacroError::LibraryFull, "message_text_17",
     "The macro list is full (50 macros). Delete a macro before adding a new one."},
    {MacroError::BadActionLine, "macro_action_invalid",
     "The macro holds an action that cannot be stored."},
    {MacroError::IndexOutOfRange, "macro_index_invalid", "There is no macro at this position."},
    {MacroError::FileError, "macro_file_error", "The macro files could not be written."},
}};

const ErrorInfo& InfoOf(MacroError e) {
    for (const auto& info : kErrors)
        if (info.error == e)
            return info;
    return kErrors[0];
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A value of an INI text as a single read of the file gives it: the default
// for a missing key, cut to the read buffer.
std::string ValueIn(const platform::IniText& text, std::string_view section, std::string_view key,
                    std::string_view def = "0") {
    auto value = text.Find(section, key);
    return platform::CutToChars(value ? *value : def, platform::kIniBufferChars - 1);
}

int IntIn(const platform::IniText& text, std::string_view section, std::string_view key) {
    return platform::ToInt(ValueIn(text, section, key));
}

// One read of an INI file for many look-ups.
class IniSnapshot {
public:
    explicit IniSnapshot(const fs::path& path) {
        if (auto bytes = platform::ReadWholeFile(path))
            text_ = platform::IniText(platform::DecodeIniBytes(*bytes));
    }
    std::string Read(std::string_view section, std::string_view key,
                     std::string_view def = "0") const {
        return ValueIn(text_, section, key, def);
    }
    int ReadInt(std::string_view section, std::string_view key) const {
        return IntIn(text_, section, key);
    }
    std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const {
        return text_.Entries(section);
    }

private:
    platform::IniText text_;
};

int ClampCount(int count) {
    return std::clamp(count, 0, kMaxCount);
}

// The number of macros an index lists: its count, at most kMaxMacros.
int ClampMacroCount(int count) {
    return std::clamp(count, 0, kMaxMacros);
}

// A library's files may be the first in their folder.
void MakeFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
}

// Puts `bytes` into `target` unless a file is there already, deciding under
// the target's write lock so that a file written meanwhile is kept.
bool WriteUnlessPresent(const fs::path& target, std::string_view bytes) {
    const platform::FileWriteLock lock(target);
    if (!lock.Held())
        return false;
    std::error_code ec;
    return fs::exists(target, ec) || platform::ReplaceFileLocked(target, bytes);
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Cursor files: a click, a pause and a move of the cursor; the four files
// differ in the directions of the move. The cursor tab edits the pause (action
// 3) and the two moves (actions 4 and 5).
constexpr int kCursorClickDelayMs = 10;
constexpr int kCursorPauseMs = 50;
constexpr std::uint8_t kCursorMoveDistance = 10;
constexpr std::uint8_t kLeftButton = 0x01;
struct CursorDirections {
    bool left;
    bool up;
};
constexpr std::array<CursorDirections, kCursorFileCount> kCursorDirections = {{
    {true, true},
    {false, true},
    {true, false},
    {false, false},
}};

MacroAction Button(bool press, int delay) {
    MacroAction a;
    a.SetDelay(delay);
    a.type = static_cast<std::uint8_t>(action_class::kMouseButton | (press ? kDirectionBit : 0));
    a.code = kLeftButton;
    a.down = press ? 1 : 0;
    a.name = "mouse_key_left";
    return a;
}

MacroAction Move(std::uint8_t actionClass, bool negative, std::string_view name) {
    MacroAction a;
    a.type = static_cast<std::uint8_t>(actionClass | (negative ? kDirectionBit : 0));
    a.code = kCursorMoveDistance;
    a.down = negative ? 1 : 0;
    a.name = std::string(name);
    return a;
}

std::vector<MacroAction> DefaultCursorActions(int n) {
    const auto& d = kCursorDirections[static_cast<std::size_t>(n - 1)];
    return {
        Button(true, kCursorClickDelayMs),
        Button(false, kCursorClickDelayMs),
        Button(true, kCursorClickDelayMs),
        Button(false, kCursorPauseMs),
        Move(action_class::kHorizontalMove, d.left,
             d.left ? "mouse_move_to_left_text" : "mouse_move_to_right_text"),
        Move(action_class::kVerticalMove, d.up,
             d.up ? "mouse_move_to_up_text" : "mouse_move_to_down_text"),
    };
}

} // namespace

std::string_view MacroErrorKey(MacroError error) {
    return InfoOf(error).key;
}

std::string_view MacroErrorText(MacroError error) {
    return InfoOf(error).text;
}

MacroError CheckMacroName(std::string_view name) {
    if (name.empty())
        return MacroError::NameEmpty;
    if (name == "." || name == "..")
        return MacroError::NameDots;
    if (name.find('/') != std::string_view::npos)
        return MacroError::NameSlash;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return MacroError::NameControl;
    // The name is a value of the index and a key of CirNum.ini: it must read
    // back as written.
    const char first = name.front();
    const char last = name.back();
    if (name.find('=') != std::string_view::npos || first == '[' || first == ';' ||
        IsBlank(first) || IsBlank(last) ||
        (name.size() >= 2 && first == last && (first == '"' || first == '\'')))
        return MacroError::NameIniSyntax;
    if (name.size() + kActionFileExtension.size() > platform::kMaxWritableFileNameBytes)
        return MacroError::NameTooLong;
    return MacroError::None;
}

bool SameMacroName(std::string_view a, std::string_view b) {
    return platform::EqualsNoCase(a, b);
}

std::string MakeNewMacroName(const std::vector<std::string>& names) {
    for (std::size_t n = names.size() + 1;; ++n) {
        std::string candidate = "macro" + std::to_string(n);
        if (std::none_of(names.begin(), names.end(),
                         [&](const std::string& s) { return SameMacroName(s, candidate); }))
            return candidate;
    }
}

MacroLibrary::MacroLibrary(fs::path folder, std::string_view indexFileName)
    : folder_(std::move(folder)), indexFile_(indexFileName) {}

MacroLibrary MacroLibrary::Mouse() {
    return MacroLibrary(platform::GetProfileFolder("ms"), kMouseIndexFile);
}

MacroLibrary MacroLibrary::Keyboard() {
    return MacroLibrary(platform::GetProfileFolder("kb"), kKeyboardIndexFile);
}

fs::path MacroLibrary::IndexPath() const {
    return folder_ / indexFile_;
}

int MacroLibrary::ReadCount() const {
    return ClampMacroCount(platform::IniFile(IndexPath()).ReadInt(kCountSection, kCountKey));
}

std::string MacroLibrary::ReadName(int index, std::string_view def) const {
    return platform::IniFile(IndexPath()).Read(kNameSection, std::to_string(index), def);
}

std::vector<std::string> MacroLibrary::ReadNames(std::string_view def) const {
    const IniSnapshot index(IndexPath());
    const int count = ClampMacroCount(index.ReadInt(kCountSection, kCountKey));
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        names.push_back(index.Read(kNameSection, std::to_string(i), def));
    return names;
}

MacroError MacroLibrary::AppendName(std::string_view name) const {
    if (auto e = CheckMacroName(name); e != MacroError::None)
        return e;
    // Count and name change together under the index's lock, so appends and
    // rewrites of other threads or processes are neither lost nor mixed in.
    MacroError refused = MacroError::None;
    const bool ok = platform::IniFile(IndexPath()).Update([&](platform::IniText& text) {
        const int count = ClampMacroCount(IntIn(text, kCountSection, kCountKey));
        if (count >= kMaxMacros) {
            refused = MacroError::LibraryFull;
            return false;
        }
        // Names that differ in case only would share one action file.
        for (int i = 0; i < count; ++i)
            if (SameMacroName(text.Find(kNameSection, std::to_string(i)).value_or(""), name)) {
                refused = MacroError::NameExists;
                return false;
            }
        text.Set(kNameSection, std::to_string(count), name);
        text.Set(kCountSection, kCountKey, std::to_string(count + 1));
        return true;
    });
    if (refused != MacroError::None)
        return refused;
    return ok ? MacroError::None : MacroError::FileError;
}

MacroError MacroLibrary::SetName(int index, std::string_view name) const {
    if (auto e = CheckMacroName(name); e != MacroError::None)
        return e;
    bool inRange = false;
    const bool ok = platform::IniFile(IndexPath()).Update([&](platform::IniText& text) {
        inRange = index >= 0 && index < ClampMacroCount(IntIn(text, kCountSection, kCountKey));
        if (inRange)
            text.Set(kNameSection, std::to_string(index), name);
        return inRange;
    });
    if (!ok)
        return MacroError::FileError;
    return inRange ? MacroError::None : MacroError::IndexOutOfRange;
}

MacroError MacroLibrary::RewriteIndex(const std::vector<std::string>& names) const {
    for (const auto& name : names)
        if (auto e = CheckMacroName(name); e != MacroError::None)
            return e;
    // The new index is built whole and put in place in one step under the
    // index's lock, so a failure on the way leaves the old index rather than a
    // partial one, and no append of another writer is half overwritten.
    platform::IniText text;
    text.Set(kCountSection, kCountKey, std::to_string(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i)
        text.Set(kNameSection, std::to_string(i), names[i]);
    MakeFolder(folder_);
    return platform::WriteFileAtomically(IndexPath(), text.Serialize()) ? MacroError::None
                                                                        : MacroError::FileError;
}

std::string MacroLibrary::MakeNewName() const {
    return MakeNewMacroName(ReadNames());
}

std::optional<fs::path> MacroLibrary::FileIn(std::string_view stem,
                                             std::string_view extension) const {
    if (CheckMacroName(stem) != MacroError::None)
        return std::nullopt;
    const std::string fileName = std::string(stem) + std::string(extension);
    fs::path exact = folder_ / fileName;
    std::error_code ec;
    if (fs::exists(exact, ec))
        return exact;
    // Files written on a system that ignores case may differ in case.
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        const auto entryName = it->path().filename().string();
        if (platform::EqualsNoCase(entryName, fileName) && it->is_regular_file(ec))
            return it->path();
    }
    return exact;
}

std::optional<fs::path> MacroLibrary::ActionFilePath(std::string_view name) const {
    return FileIn(name, kActionFileExtension);
}

int MacroLibrary::ReadActionCount(std::string_view name) const {
    const auto path = ActionFilePath(name);
    if (!path)
        return 0;
    return ClampCount(platform::IniFile(*path).ReadInt(kActionCountSection, kCountKey));
}

std::vector<std::string> MacroLibrary::ReadActionLines(std::string_view name) const {
    const auto path = ActionFilePath(name);
    return path ? ReadActionFileLines(*path) : std::vector<std::string>{};
}

std::vector<MacroAction> MacroLibrary::ReadActions(std::string_view name) const {
    const auto path = ActionFilePath(name);
    return path ? ReadActionFile(*path) : std::vector<MacroAction>{};
}

settings::MacroNameLookup MacroNameLookupOf(MacroLibrary library) {
    return [library = std::move(library)](std::uint8_t index) -> std::optional<std::string> {
        if (index >= library.ReadCount())
            return std::nullopt;
        return library.ReadName(index);
    };
}

std::vector<std::string> ReadActionFileLines(const fs::path& file) {
    const IniSnapshot text(file);
    const auto count =
        static_cast<std::size_t>(ClampCount(text.ReadInt(kActionCountSection, kCountKey)));
    // One pass over the section: key "i" (as written, no sign or leading
    // zero) is action i, its first entry counting; a missing one reads "0".
    std::vector<std::optional<std::string>> found(count);
    for (auto& [key, value] : text.Entries(kActionSection)) {
        if (key.empty() || key.size() > 5 || (key[0] == '0' && key.size() > 1) ||
            !std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const auto i = static_cast<std::size_t>(std::stoi(key));
        if (i < count && !found[i])
            found[i] = std::move(value);
    }
    std::vector<std::string> lines;
    lines.reserve(count);
    for (auto& value : found)
        lines.push_back(platform::CutToChars(value ? *value : "0", platform::kIniBufferChars - 1));
    return lines;
}

std::vector<MacroAction> ReadActionFile(const fs::path& file) {
    std::vector<MacroAction> actions;
    for (const auto& line : ReadActionFileLines(file))
        actions.push_back(ActionFromLine(line));
    return actions;
}

MacroError MacroLibrary::WriteActionLines(std::string_view name,
                                          const std::vector<std::string>& lines) const {
    if (auto e = CheckMacroName(name); e != MacroError::None)
        return e;
    if (lines.size() > static_cast<std::size_t>(kMaxCount))
        return MacroError::BadActionLine;
    for (const auto& line : lines)
        if (HasLineBreakOrNul(line))
            return MacroError::BadActionLine;
    MakeFolder(folder_);
    // Keys at or beyond the new count stay, so this is a change of the file
    // as it stands when the lock is taken.
    const bool ok = platform::IniFile(*ActionFilePath(name)).Update([&](platform::IniText& text) {
        text.Set(kActionCountSection, kCountKey, std::to_string(lines.size()));
        std::vector<std::pair<std::string, std::string>> entries;
        entries.reserve(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i)
            entries.emplace_back(std::to_string(i), lines[i]);
        text.SetAll(kActionSection, entries);
        return true;
    });
    return ok ? MacroError::None : MacroError::FileError;
}

MacroError MacroLibrary::WriteActions(std::string_view name,
                                      const std::vector<MacroAction>& actions) const {
    std::vector<std::string> lines;
    lines.reserve(actions.size());
    for (const auto& a : actions) {
        // The name is the last field of the line; a comma in it would move the
        // fields when the line is read back.
        if (a.name.find(',') != std::string::npos)
            return MacroError::BadActionLine;
        lines.push_back(FormatActionLine(a));
    }
    return WriteActionLines(name, lines);
}

MacroError MacroLibrary::WriteSelectName(std::string_view name) const {
    if (auto e = CheckMacroName(name); e != MacroError::None)
        return e;
    if (!platform::IniFile(*ActionFilePath(name)).Write(kSelectNameSection, kNameKey, name))
        return MacroError::FileError;
    return MacroError::None;
}

MacroError MacroLibrary::DeleteActionFile(std::string_view name) const {
    if (auto e = CheckMacroName(name); e != MacroError::None)
        return e;
    return platform::IniFile(*ActionFilePath(name)).Remove() ? MacroError::None
                                                             : MacroError::FileError;
}

MacroError MacroLibrary::MoveActionFile(std::string_view oldName, std::string_view newName) const {
    if (auto e = CheckMacroName(oldName); e != MacroError::None)
        return e;
    if (auto e = CheckMacroName(newName); e != MacroError::None)
        return e;
    const auto from = *ActionFilePath(oldName);
    const auto existing = *ActionFilePath(newName);
    // Both files are locked, in one order for every caller, so that no writer
    // puts the old file back or makes a new one under the new name meanwhile.
    // A change of case only is the same file and one lock.
    const auto& first = std::min(from, existing);
    const auto& second = std::max(from, existing);
    const platform::FileWriteLock firstLock(first);
    std::optional<platform::FileWriteLock> secondLock;
    if (second != first)
        secondLock.emplace(second);
    if (!firstLock.Held() || (secondLock && !secondLock->Held()))
        return MacroError::FileError;
    std::error_code ec;
    if (!fs::exists(from, ec))
        return MacroError::FileError;
    // The new name may differ from the old one in case only; any other file
    // of that name belongs to someone else and is kept.
    if (fs::exists(existing, ec) && !fs::equivalent(from, existing, ec))
        return MacroError::NameExists;
    const auto to = folder_ / (std::string(newName) + std::string(kActionFileExtension));
    fs::rename(from, to, ec);
    return ec ? MacroError::FileError : MacroError::None;
}

int MacroLibrary::ReadRepeatCount(std::string_view name) const {
    if (CheckMacroName(name) != MacroError::None)
        return 0;
    return platform::IniFile(folder_ / kRepeatCountFile).ReadInt(kRepeatSection, name);
}

MacroError MacroLibrary::WriteRepeatCount(std::string_view name, int count) const {
    if (auto e = CheckMacroName(name); e != MacroError::None)
        return e;
    if (!platform::IniFile(folder_ / kRepeatCountFile)
             .Write(kRepeatSection, name, std::to_string(count)))
        return MacroError::FileError;
    return MacroError::None;
}

void MacroLibrary::EnsureCursorFiles(const fs::path& programFolder) const {
    MakeFolder(folder_);
    bool missing = false;
    platform::IniFile(IndexPath()).Update([&](platform::IniText& text) {
        missing = IntIn(text, kCursorCountSection, kCountKey) == 0;
        if (!missing)
            return false;
        text.Set(kCursorCountSection, kCountKey, std::to_string(kCursorFileCount));
        for (int n = 1; n <= kCursorFileCount; ++n)
            text.Set(kCursorNameSection, std::to_string(n - 1), "name_" + std::to_string(n));
        return true;
    });
    if (!missing)
        return;

    const MacroLibrary program(programFolder, indexFile_);
    for (int n = 1; n <= kCursorFileCount; ++n) {
        const std::string stem = "name_" + std::to_string(n);
        const auto target = *FileIn(stem, kCursorFileExtension);
        std::error_code ec;
        if (fs::exists(target, ec))
            continue;
        const auto source = *program.FileIn(stem, kCursorFileExtension);
        std::optional<std::string> bytes;
        if (fs::is_regular_file(source, ec))
            bytes = platform::ReadWholeFile(source);
        if (bytes)
            WriteUnlessPresent(target, *bytes);
        else
            WriteUnlessPresent(target, DefaultCursorFileText(n));
    }
}

void MacroLibrary::EnsureCursorFiles() const {
    EnsureCursorFiles(platform::GetModuleFolder());
}

std::optional<fs::path> MacroLibrary::CursorFilePath(int index) const {
    const auto name =
        platform::IniFile(IndexPath()).Read(kCursorNameSection, std::to_string(index));
    return FileIn(name, kCursorFileExtension);
}

AssignmentMemo ReadAssignmentMemo(const fs::path& nameFile) {
    const platform::IniFile file(nameFile);
    return AssignmentMemo{file.ReadInt(kMemoSection, kMemoIndexKey, "0"),
                          file.ReadInt(kMemoSection, kMemoEndStyleKey, "100")};
}

bool WriteAssignmentMemo(const fs::path& nameFile, int macroIndex, int endStyle) {
    platform::IniFile file(nameFile);
    const bool a = file.Write(kMemoSection, kMemoIndexKey, std::to_string(macroIndex));
    const bool b = file.Write(kMemoSection, kMemoEndStyleKey, std::to_string(endStyle));
    return a && b;
}

std::string CursorFileName(int n) {
    return "name_" + std::to_string(n) + std::string(kCursorFileExtension);
}

std::string DefaultCursorFileText(int n) {
    if (n < 1 || n > kCursorFileCount)
        return {};
    const auto actions = DefaultCursorActions(n);
    std::string text = "[" + std::string(kActionCountSection) + "]\n" + std::string(kCountKey) +
                       "=" + std::to_string(actions.size()) + "\n[" + std::string(kActionSection) +
                       "]\n";
    for (std::size_t i = 0; i < actions.size(); ++i)
        text += std::to_string(i) + "=" + FormatActionLine(actions[i]) + "\n";
    return text;
}

bool WriteDefaultCursorFiles(const fs::path& folder) {
    MakeFolder(folder);
    bool ok = true;
    for (int n = 1; n <= kCursorFileCount; ++n)
        ok = platform::WriteFileAtomically(folder / CursorFileName(n), DefaultCursorFileText(n)) &&
             ok;
    return ok;
}

} // namespace zk::macros
