#include "platform/IniText.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <unordered_map>

namespace zk::platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the valid UTF-8 sequence at text[i], or 1 for a stray byte.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t len = 1;
    std::uint32_t min = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        min = 0x10000;
    } else {
        return 1;
    }
    if (i + len > text.size())
        return 1;
    std::uint32_t cp = b & (0x7F >> len);
    for (std::size_t k = 1; k < len; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80)
            return 1;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 1;
    return len;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

IniText::Line ParseLine(std::string_view raw) {
    IniText::Line line;
    line.raw = std::string(raw);
    const std::string_view t = TrimBlanks(raw);
    if (t.empty() || t.front() == ';')
        return line;
    if (t.front() == '[') {
        const auto close = t.find(']');
        if (close != std::string_view::npos) {
            line.kind = IniText::Kind::Section;
            line.name = std::string(TrimBlanks(t.substr(1, close - 1)));
        }
        return line;
    }
    const auto eq = t.find('=');
    if (eq != std::string_view::npos) {
        line.kind = IniText::Kind::Entry;
        line.name = std::string(TrimBlanks(t.substr(0, eq)));
    }
    return line;
}

std::string_view ValueOf(const IniText::Line& line) {
    const std::string_view raw = line.raw;
    return TrimBlanks(raw.substr(raw.find('=') + 1));
}

} // namespace

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

bool LessNoCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Lower(x) < Lower(y); });
}

namespace {

std::string DecodeUtf16Le(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    auto unit = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8);
    };
    std::size_t i = 0;
    while (i + 1 < bytes.size()) {
        std::uint32_t u = unit(i);
        i += 2;
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 < bytes.size()) {
                const std::uint32_t lo = unit(i);
                if (lo >= 0xDC00 && lo <= 0xDFFF) {
                    i += 2;
                    AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                    continue;
                }
            }
            u = 0xFFFD;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            u = 0xFFFD;
        }
        AppendUtf8(out, u);
    }
    return out;
}

// UTF-16LE written without a byte-order mark: an INI file always holds ASCII
// brackets, keys and line breaks, which then show as a byte and a zero. Text
// in UTF-8 never holds a zero byte.
bool LooksLikeUtf16Le(std::string_view bytes) {
    if (bytes.size() < 2 || bytes.size() % 2 != 0)
        return false;
    const std::size_t units = std::min<std::size_t>(bytes.size() / 2, 512);
    std::size_t asciiUnits = 0;
    for (std::size_t u = 0; u < units; ++u) {
        const char lo = bytes[2 * u];
        const char hi = bytes[2 * u + 1];
        if (lo == 0 && hi == 0)
            return false;
        if (lo != 0 && hi == 0)
            ++asciiUnits;
    }
    return asciiUnits * 2 >= units;
}

} // namespace

std::string DecodeIniBytes(std::string_view bytes, bool* hadUtf8Bom) {
    if (hadUtf8Bom)
        *hadUtf8Bom = false;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return DecodeUtf16Le(bytes.substr(2));
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB &&
        static_cast<unsigned char>(bytes[2]) == 0xBF) {
        if (hadUtf8Bom)
            *hadUtf8Bom = true;
        return std::string(bytes.substr(3));
    }
    if (LooksLikeUtf16Le(bytes))
        return DecodeUtf16Le(bytes);
    return std::string(bytes);
}

std::string CutToChars(std::string_view text, std::size_t maxChars) {
    std::size_t i = 0;
    std::size_t chars = 0;
    while (i < text.size() && chars < maxChars) {
        i += SequenceLength(text, i);
        ++chars;
    }
    return std::string(text.substr(0, i));
}

IniText::IniText(std::string_view utf8) {
    if (utf8.find("\r\n") != std::string_view::npos)
        newline_ = "\r\n";
    std::size_t start = 0;
    while (start < utf8.size()) {
        auto end = utf8.find('\n', start);
        if (end == std::string_view::npos)
            end = utf8.size();
        std::string_view raw = utf8.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        lines_.push_back(ParseLine(raw));
        start = end + 1;
    }
}

std::optional<std::string> IniText::Find(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (const auto& line : lines_) {
        if (line.kind == Kind::Section)
            inSection = EqualsNoCase(line.name, section);
        else if (inSection && line.kind == Kind::Entry && EqualsNoCase(line.name, key))
            return std::string(Unquote(ValueOf(line)));
    }
    return std::nullopt;
}

bool IniText::HasSection(std::string_view section) const {
    return std::any_of(lines_.begin(), lines_.end(), [&](const Line& l) {
        return l.kind == Kind::Section && EqualsNoCase(l.name, section);
    });
}

std::vector<std::string> IniText::SectionNames() const {
    std::vector<std::string> names;
    for (const auto& line : lines_) {
        if (line.kind != Kind::Section)
            continue;
        const bool seen = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
            return EqualsNoCase(n, line.name);
        });
        if (!seen)
            names.push_back(line.name);
    }
    return names;
}

std::vector<std::string> IniText::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    bool inSection = false;
    for (const auto& line : lines_) {
        if (line.kind == Kind::Section) {
            inSection = EqualsNoCase(line.name, section);
        } else if (inSection && line.kind == Kind::Entry) {
            const bool seen = std::any_of(keys.begin(), keys.end(), [&](const std::string& k) {
                return EqualsNoCase(k, line.name);
            });
            if (!seen)
                keys.push_back(line.name);
        }
    }
    return keys;
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
    Line entry;
    entry.kind = Kind::Entry;
    entry.name = std::string(key);
    entry.raw = std::string(key) + "=" + std::string(value);

    // Replace the first existing entry; otherwise append after the last entry
    // (or the header) of the first matching section.
    bool inSection = false;
    int sectionsSeen = 0; // matching sections met so far
    std::optional<std::size_t> insertAt;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        Line& line = lines_[i];
        if (line.kind == Kind::Section) {
            inSection = EqualsNoCase(line.name, section);
            if (inSection && ++sectionsSeen == 1)
                insertAt = i + 1;
        } else if (inSection && line.kind == Kind::Entry) {
            if (EqualsNoCase(line.name, key)) {
                entry.name = line.name;
                entry.raw = line.name + "=" + std::string(value);
                line = std::move(entry);
                return;
            }
            if (sectionsSeen == 1)
                insertAt = i + 1;
        }
    }
    if (insertAt) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*insertAt), std::move(entry));
        return;
    }
    AddSection(section);
    lines_.push_back(std::move(entry));
}

std::vector<std::pair<std::string, std::string>> IniText::Entries(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> entries;
    bool inSection = false;
    for (const auto& line : lines_) {
        if (line.kind == Kind::Section)
            inSection = EqualsNoCase(line.name, section);
        else if (inSection && line.kind == Kind::Entry)
            entries.emplace_back(line.name, std::string(Unquote(ValueOf(line))));
    }
    return entries;
}

void IniText::SetAll(std::string_view section,
                     const std::vector<std::pair<std::string, std::string>>& entries) {
    const auto lowered = [](std::string_view s) {
        std::string out(s);
        std::transform(out.begin(), out.end(), out.begin(), Lower);
        return out;
    };
    // The line each key's Set would replace: its first entry in a section of
    // that name; and where new entries go: after the last entry (or the
    // header) of the first such section.
    std::unordered_map<std::string, std::size_t> existing;
    bool inSection = false;
    int sectionsSeen = 0;
    std::optional<std::size_t> insertAt;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Section) {
            inSection = EqualsNoCase(line.name, section);
            if (inSection && ++sectionsSeen == 1)
                insertAt = i + 1;
        } else if (inSection && line.kind == Kind::Entry) {
            existing.try_emplace(lowered(line.name), i);
            if (sectionsSeen == 1)
                insertAt = i + 1;
        }
    }
    // Keys not in the text yet are added together, in order; a key given twice
    // keeps its last value, as a second Set would replace the first.
    std::vector<Line> added;
    std::unordered_map<std::string, std::size_t> addedAt;
    for (const auto& [key, value] : entries) {
        const auto name = lowered(key);
        if (const auto it = existing.find(name); it != existing.end()) {
            Line& line = lines_[it->second];
            line.raw = line.name + "=" + value;
        } else if (const auto at = addedAt.find(name); at != addedAt.end()) {
            Line& line = added[at->second];
            line.raw = line.name + "=" + value;
        } else {
            addedAt.emplace(name, added.size());
            added.push_back(Line{Kind::Entry, key, key + "=" + value});
        }
    }
    if (added.empty())
        return;
    if (!insertAt) {
        AddSection(section);
        insertAt = lines_.size();
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*insertAt),
                  std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
}

void IniText::AddSection(std::string_view section) {
    if (HasSection(section))
        return;
    Line header;
    header.kind = Kind::Section;
    header.name = std::string(section);
    header.raw = "[" + std::string(section) + "]";
    lines_.push_back(std::move(header));
}

bool IniText::EraseKey(std::string_view section, std::string_view key) {
    return EraseIf(
        [&](const Line& line, bool inSection) {
            return inSection && line.kind == Kind::Entry && EqualsNoCase(line.name, key);
        },
        section);
}

bool IniText::EraseSection(std::string_view section) {
    return EraseIf([](const Line&, bool inSection) { return inSection; }, section);
}

bool IniText::EraseIf(const std::function<bool(const Line&, bool)>& drop,
                      std::string_view section) {
    std::vector<Line> kept;
    kept.reserve(lines_.size());
    bool inSection = false;
    for (auto& line : lines_) {
        if (line.kind == Kind::Section)
            inSection = EqualsNoCase(line.name, section);
        if (!drop(line, inSection))
            kept.push_back(std::move(line));
    }
    const bool changed = kept.size() != lines_.size();
    lines_ = std::move(kept);
    return changed;
}

std::string IniText::Serialize() const {
    std::string out;
    for (const auto& line : lines_) {
        out += line.raw;
        out += newline_;
    }
    return out;
}

} // namespace zk::platform
