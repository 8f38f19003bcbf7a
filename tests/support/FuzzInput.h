#pragma once

// Helpers of the fuzz targets that read files: the input split into the parts
// that become files, and a file written with exactly the given bytes.

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

namespace zktest {

// `count` parts of `bytes`, split at 0xFF bytes; missing parts are empty and
// the last part keeps any further 0xFF bytes.
inline std::vector<std::string_view> SplitParts(std::string_view bytes, std::size_t count) {
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count) {
        const auto at = bytes.find('\xFF');
        if (at == std::string_view::npos)
            break;
        parts.push_back(bytes.substr(0, at));
        bytes.remove_prefix(at + 1);
    }
    parts.push_back(bytes);
    parts.resize(count);
    return parts;
}

inline void PutFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace zktest
