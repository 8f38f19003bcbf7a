#pragma once

#include "platform/IniFile.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zk::platform {

// The product name under which the program's registry values live.
inline constexpr std::string_view kRegistryProduct = "ORVANE ZK412V Gaming Mouse";

enum class RegistryRoot { CurrentUser, LocalMachine };

// One open key of the registry store. Value names compare without regard to
// case.
class RegistryKey {
public:
    // Nothing when the value is missing or holds the other type.
    std::optional<std::uint32_t> QueryDword(std::string_view name) const;
    std::optional<std::string> QueryString(std::string_view name) const;
    bool SetDword(std::string_view name, std::uint32_t value);
    bool SetString(std::string_view name, std::string_view value);
    bool DeleteValue(std::string_view name);

    // "HKEY_CURRENT_USER\Software\..." as stored.
    const std::string& Path() const { return section_; }

private:
    friend class RegistryStore;
    RegistryKey(const std::filesystem::path& file, std::string section);

    IniFile file_;
    std::string section_;
};

// Registry values kept in an INI file (by default
// "$XDG_CONFIG_HOME/zk412v/registry.ini"), one section per key path, which
// other tools may preset:
//
//   [HKEY_CURRENT_USER\Software\ORVANE ZK412V Gaming Mouse]
//   LANGUAGE=dword:00000804
//   [HKEY_LOCAL_MACHINE\SOFTWARE\ORVANE ZK412V Gaming Mouse]
//   LANGUAGE=sz:"2020"
//
// A 32-bit number is "dword:" and eight hexadecimal digits; a string is "sz:"
// and the text in double quotes (any other text not starting with "dword:"
// also reads as a string). Key paths compare without regard to case. As in
// the registry, a key exists only once created; opening a missing key fails.
class RegistryStore {
public:
    explicit RegistryStore(std::filesystem::path file = DefaultPath());

    static std::filesystem::path DefaultPath();
    // "HKEY_CURRENT_USER\Software\<product>" or
    // "HKEY_LOCAL_MACHINE\SOFTWARE\<product>".
    static std::string ProductKey(RegistryRoot root);

    const std::filesystem::path& File() const { return file_; }

    // subKey is the path below the root, "Software\..." with backslashes.
    std::optional<RegistryKey> OpenKey(RegistryRoot root, std::string_view subKey) const;
    // Opens the key, creating it (and the store's folder and file) as needed.
    std::optional<RegistryKey> CreateKey(RegistryRoot root, std::string_view subKey);
    // Removes the key with its values; true when it is gone afterwards.
    bool DeleteKey(RegistryRoot root, std::string_view subKey);

private:
    std::filesystem::path file_;
};

} // namespace zk::platform
