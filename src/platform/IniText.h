#pragma once

// The text model behind IniFile: parsing INI text into lines and editing it
// while keeping every untouched line as it was. Separate from the file
// handling so that it can be tested and fuzzed on plain strings.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zk::platform {

// Raw file bytes to UTF-8 text: a UTF-16LE byte-order mark selects UTF-16LE
// (unpaired surrogates become U+FFFD); a UTF-8 mark is dropped; UTF-16LE
// without a mark is recognised by its ASCII characters (a byte, then a zero);
// anything else is taken as it stands.
std::string DecodeIniBytes(std::string_view bytes, bool* hadUtf8Bom = nullptr);

// At most maxChars characters of text, never splitting a UTF-8 sequence; a
// byte that starts no valid sequence counts as one character.
std::string CutToChars(std::string_view text, std::size_t maxChars);

// Comparisons of ASCII letters without regard to case, as names of sections,
// keys and files are compared.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool LessNoCase(std::string_view a, std::string_view b);
std::string_view TrimBlanks(std::string_view text);

class IniText {
public:
    enum class Kind { Other, Section, Entry };
    struct Line {
        Kind kind = Kind::Other;
        std::string name; // section name or key, trimmed
        std::string raw;  // the line as it stands, without its line break
    };

    IniText() = default;
    explicit IniText(std::string_view utf8);

    // The value as stored (trimmed, without surrounding quotes), or nothing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> Keys(std::string_view section) const;

    void Set(std::string_view section, std::string_view key, std::string_view value);

    // Every entry of the section (of each section of that name, in file order)
    // as key and value, the value as Find gives it; for reading many keys of
    // a long section in one pass, where a key listed twice counts once, first.
    std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;
    // Set of each entry in turn, in one pass over the text.
    void SetAll(std::string_view section,
                const std::vector<std::pair<std::string, std::string>>& entries);
    void AddSection(std::string_view section);
    // True when something was removed.
    bool EraseKey(std::string_view section, std::string_view key);
    bool EraseSection(std::string_view section);

    std::string Serialize() const;
    const std::vector<Line>& Lines() const { return lines_; }

private:
    // Drops the lines for which drop(line, inside a section named `section`) holds.
    bool EraseIf(const std::function<bool(const Line&, bool)>& drop, std::string_view section);

    std::vector<Line> lines_;
    std::string newline_ = "\n";
};

} // namespace zk::platform
