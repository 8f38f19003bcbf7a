#include "profiles/ProfileFile.h"

#include "platform/FileIo.h"
#include "platform/Log.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <string>
#include <system_error>

namespace zk::profiles {

namespace {

bool SameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::optional<std::filesystem::path> FindFileNoCase(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        return path;
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    const std::string name = path.filename().string();
    std::filesystem::directory_iterator it(folder, ec);
    if (ec)
        return std::nullopt;
    for (const auto& entry : it) {
        if (SameNoCase(entry.path().filename().string(), name))
            return entry.path();
    }
    return std::nullopt;
}

int ReadProfileFile(const std::filesystem::path& path, std::span<std::uint8_t> buffer) {
    const auto found = FindFileNoCase(path);
    if (!found)
        return kProfileMissing;
    std::error_code ec;
    if (std::filesystem::is_directory(*found, ec))
        return kProfileMissing;
    std::ifstream in(*found, std::ios::binary);
    if (!in)
        return kProfileMissing;
    std::array<char, kProfileHeaderSize> header{};
    in.read(header.data(), header.size());
    const auto got = in.gcount();
    if (got < 2 || static_cast<std::uint8_t>(header[0]) != (kProfileMagic & 0xFF) ||
        static_cast<std::uint8_t>(header[1]) != (kProfileMagic >> 8))
        return kProfileBadFormat;
    if (got < static_cast<std::streamsize>(kProfileHeaderSize))
        return kProfileRead; // a header cut short: no body
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    return kProfileRead;
}

bool WriteProfileFile(const std::filesystem::path& path, std::span<const std::uint8_t> body,
                      DeviceTag tag) {
    std::string bytes(kProfileHeaderSize + body.size(), '\0');
    const auto tagValue = static_cast<std::uint16_t>(tag);
    bytes[0] = static_cast<char>(kProfileMagic & 0xFF);
    bytes[1] = static_cast<char>(kProfileMagic >> 8);
    bytes[4] = static_cast<char>(tagValue & 0xFF);
    bytes[5] = static_cast<char>(tagValue >> 8);
    std::copy(body.begin(), body.end(), bytes.begin() + kProfileHeaderSize);

    std::error_code ec;
    std::filesystem::path target = path;
    if (!std::filesystem::exists(path, ec)) {
        if (auto other = FindFileNoCase(path))
            target = *other;
    }
    if (std::filesystem::is_directory(target, ec) ||
        !platform::WriteFileAtomically(target, bytes)) {
        platform::DebugLine("文件打开失败");
        return false;
    }
    return true;
}

} // namespace zk::profiles
