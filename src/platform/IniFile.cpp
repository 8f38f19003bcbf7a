#include "platform/IniFile.h"

#include "platform/FileIo.h"
#include "platform/IniText.h"
#include "platform/Log.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace zk::platform {

int ToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate as a negative number so that INT_MIN is reachable; out of range
    // values stop at the limits, as the C runtime's conversion reports them.
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 - (text[i] - '0');
        if (value < static_cast<long long>(INT_MIN))
            return negative ? INT_MIN : INT_MAX;
    }
    if (negative)
        return static_cast<int>(value);
    return value < -static_cast<long long>(INT_MAX) ? INT_MAX : static_cast<int>(-value);
}

namespace {

std::optional<IniText> Load(const std::filesystem::path& path) {
    auto bytes = ReadWholeFile(path);
    if (!bytes)
        return std::nullopt;
    return IniText(DecodeIniBytes(*bytes));
}

// Read-modify-write under the lock. `edit` returns whether it changed the
// text. A missing file is created only when `create` is set.
bool Modify(const std::filesystem::path& path, bool create,
            const std::function<bool(IniText&)>& edit) {
    FileWriteLock lock(path);
    if (!lock.Held()) {
        DebugLine("ini: cannot lock " + path.string() + ": " + std::strerror(errno));
        return false;
    }
    auto bytes = ReadWholeFile(path);
    if (!bytes) {
        if (errno != ENOENT)
            return false;
        if (!create)
            return true;
        bytes.emplace();
    }
    bool utf8Bom = false;
    IniText text(DecodeIniBytes(*bytes, &utf8Bom));
    if (!edit(text))
        return true;
    // A file read as UTF-16LE is written back as UTF-8 without a mark; every
    // reader of these files accepts both, and no text is lost on the way.
    std::string content = utf8Bom ? "\xEF\xBB\xBF" : "";
    content += text.Serialize();
    if (!ReplaceFileLocked(path, content)) {
        DebugLine("ini: cannot write " + path.string() + ": " + std::strerror(errno));
        return false;
    }
    return true;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// Names that would not read back as written are refused rather than stored.
bool ValidSection(std::string_view section) {
    return !HasLineBreak(section) && section.find(']') == std::string_view::npos;
}

bool ValidKey(std::string_view key) {
    return !key.empty() && !HasLineBreak(key) && key.find('=') == std::string_view::npos &&
           key.front() != ';' && key.front() != '[';
}

} // namespace

IniFile::IniFile(std::filesystem::path path) : path_(std::move(path)) {}

std::string IniFile::Read(std::string_view section, std::string_view key, std::string_view def,
                          std::size_t bufferChars) const {
    if (bufferChars == 0)
        return {};
    std::optional<std::string> value;
    if (auto text = Load(path_))
        value = text->Find(TrimBlanks(section), TrimBlanks(key));
    return CutToChars(value ? *value : def, bufferChars - 1);
}

int IniFile::ReadInt(std::string_view section, std::string_view key, std::string_view def) const {
    return ToInt(Read(section, key, def));
}

bool IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (!ValidSection(section) || !ValidKey(key) || HasLineBreak(value)) {
        DebugLine("ini: refused to write [" + std::string(section) + "] " + std::string(key));
        return false;
    }
    return Modify(path_, true, [&](IniText& text) {
        text.Set(section, key, value);
        return true;
    });
}

bool IniFile::WriteInt(std::string_view section, std::string_view key, int value) {
    return Write(section, key, std::to_string(value));
}

bool IniFile::CreateSection(std::string_view section) {
    section = TrimBlanks(section);
    if (!ValidSection(section))
        return false;
    return Modify(path_, true, [&](IniText& text) {
        if (text.HasSection(section))
            return false;
        text.AddSection(section);
        return true;
    });
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
    return Modify(path_, false, [&](IniText& text) {
        return text.EraseKey(TrimBlanks(section), TrimBlanks(key));
    });
}

bool IniFile::DeleteSection(std::string_view section) {
    return Modify(path_, false,
                  [&](IniText& text) { return text.EraseSection(TrimBlanks(section)); });
}

bool IniFile::Update(const std::function<bool(IniText&)>& edit) {
    return Modify(path_, true, edit);
}

bool IniFile::Remove() {
    FileWriteLock lock(path_);
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT)
        return false;
    return !Exists();
}

bool IniFile::Exists() const {
    struct stat st {};
    return ::stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IniFile::HasSection(std::string_view section) const {
    auto text = Load(path_);
    return text && text->HasSection(TrimBlanks(section));
}

std::vector<std::string> IniFile::SectionNames() const {
    auto text = Load(path_);
    return text ? text->SectionNames() : std::vector<std::string>{};
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
    auto text = Load(path_);
    return text ? text->Keys(TrimBlanks(section)) : std::vector<std::string>{};
}

} // namespace zk::platform
