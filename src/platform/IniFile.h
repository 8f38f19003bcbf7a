#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::platform {

class IniText;

// Size of the text buffers that every INI read uses; a value is cut to one
// character less.
inline constexpr std::size_t kIniBufferChars = 260;

// Decimal text to number as the C runtime does it: leading white space, an
// optional sign, then digits up to the first non-digit; text without digits
// gives 0.
int ToInt(std::string_view text);

// An INI file with the semantics of the Windows private-profile functions:
// section and key names compare without regard to case; on read, white space
// around keys and values is trimmed and one pair of matching surrounding quotes
// is removed; a missing file, section or key gives the caller's default; values
// are cut to the caller's buffer. Files are written as UTF-8; UTF-16LE and UTF-8
// files with a byte-order mark are read too. Every change replaces the file
// atomically under an advisory lock, so concurrent writers of different keys
// (threads or processes) lose nothing. Strings are UTF-8.
class IniFile {
public:
    explicit IniFile(std::filesystem::path path);

    const std::filesystem::path& Path() const { return path_; }

    std::string Read(std::string_view section, std::string_view key, std::string_view def = "0",
                     std::size_t bufferChars = kIniBufferChars) const;
    // ToInt of Read with the same default.
    int ReadInt(std::string_view section, std::string_view key, std::string_view def = "0") const;

    // Creates the file and the section as needed; other entries keep their order.
    bool Write(std::string_view section, std::string_view key, std::string_view value);
    // Write of the decimal text of the number.
    bool WriteInt(std::string_view section, std::string_view key, int value);
    // Adds an empty section unless one of that name exists (creating the file).
    bool CreateSection(std::string_view section);
    bool DeleteKey(std::string_view section, std::string_view key);
    bool DeleteSection(std::string_view section);
    // A change that depends on what the file holds, such as a count and the
    // entry it numbers: `edit` gets the whole text (empty for a missing file)
    // and returns whether it changed it; a changed text replaces the file. The
    // file's write lock is held from the read to the replace, so no other
    // writer of the file comes in between. False when the file could not be
    // locked, read or written.
    bool Update(const std::function<bool(IniText&)>& edit);
    // Deletes the whole file; true when it is gone afterwards.
    bool Remove();

    bool Exists() const;
    bool HasSection(std::string_view section) const;
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> Keys(std::string_view section) const;

private:
    std::filesystem::path path_;
};

} // namespace zk::platform
