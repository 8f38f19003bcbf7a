#include "platform/Registry.h"

#include "platform/Folders.h"
#include "platform/IniText.h"

#include <charconv>
#include <system_error>

namespace zk::platform {

namespace {

// Registry strings are not bound to the INI buffer of the profile functions.
constexpr std::size_t kValueChars = 1 << 16;
constexpr std::string_view kDword = "dword:";
constexpr std::string_view kString = "sz:";
// Marks a missing value; cannot come from a stored value, which never ends
// with a line break.
constexpr std::string_view kMissing = "\n";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string SectionOf(RegistryRoot root, std::string_view subKey) {
    while (!subKey.empty() && subKey.front() == '\\')
        subKey.remove_prefix(1);
    while (!subKey.empty() && subKey.back() == '\\')
        subKey.remove_suffix(1);
    std::string section =
        root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
    if (!subKey.empty()) {
        section += '\\';
        section += subKey;
    }
    return section;
}

} // namespace

RegistryKey::RegistryKey(const std::filesystem::path& file, std::string section)
    : file_(file), section_(std::move(section)) {}

std::optional<std::uint32_t> RegistryKey::QueryDword(std::string_view name) const {
    const std::string raw = file_.Read(section_, name, kMissing, kValueChars);
    if (raw == kMissing || !StartsWithNoCase(raw, kDword))
        return std::nullopt;
    const std::string_view digits = std::string_view(raw).substr(kDword.size());
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty())
        return std::nullopt;
    return value;
}

std::optional<std::string> RegistryKey::QueryString(std::string_view name) const {
    const std::string raw = file_.Read(section_, name, kMissing, kValueChars);
    if (raw == kMissing || StartsWithNoCase(raw, kDword))
        return std::nullopt;
    std::string_view text = raw;
    if (StartsWithNoCase(text, kString)) {
        text.remove_prefix(kString.size());
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
            text = text.substr(1, text.size() - 2);
    }
    return std::string(text);
}

bool RegistryKey::SetDword(std::string_view name, std::uint32_t value) {
    char hex[9];
    static const char digits[] = "0123456789abcdef";
    for (int i = 7; i >= 0; --i) {
        hex[i] = digits[value & 0xF];
        value >>= 4;
    }
    hex[8] = '\0';
    return file_.Write(section_, name, std::string(kDword) + hex);
}

bool RegistryKey::SetString(std::string_view name, std::string_view value) {
    return file_.Write(section_, name, std::string(kString) + "\"" + std::string(value) + "\"");
}

bool RegistryKey::DeleteValue(std::string_view name) {
    return file_.DeleteKey(section_, name);
}

RegistryStore::RegistryStore(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path RegistryStore::DefaultPath() {
    return std::filesystem::path(GetConfigFolder()) / "registry.ini";
}

std::string RegistryStore::ProductKey(RegistryRoot root) {
    return SectionOf(root,
                     std::string(root == RegistryRoot::CurrentUser ? "Software\\" : "SOFTWARE\\") +
                         std::string(kRegistryProduct));
}

std::optional<RegistryKey> RegistryStore::OpenKey(RegistryRoot root,
                                                  std::string_view subKey) const {
    const std::string section = SectionOf(root, subKey);
    if (!IniFile(file_).HasSection(section))
        return std::nullopt;
    return RegistryKey(file_, section);
}

std::optional<RegistryKey> RegistryStore::CreateKey(RegistryRoot root, std::string_view subKey) {
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);
    const std::string section = SectionOf(root, subKey);
    if (!IniFile(file_).CreateSection(section))
        return std::nullopt;
    return RegistryKey(file_, section);
}

bool RegistryStore::DeleteKey(RegistryRoot root, std::string_view subKey) {
    return IniFile(file_).DeleteSection(SectionOf(root, subKey));
}

} // namespace zk::platform
