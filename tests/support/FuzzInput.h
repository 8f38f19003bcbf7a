#pragma once

// Helpers of the fuzz targets: a check that stops the run where it fails, the
// input split into the parts that become files, a file written with exactly
// the given bytes, and a home folder of the process's own.

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace zktest {

// Stops the run (the fuzzer reports the input) where `ok` does not hold.
inline void Check(bool ok) {
    if (!ok)
        std::abort();
}

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

// A home of the process's own, "<name>_<pid>" with its .config folder, so
// that the folders the program reads are the input's: HOME and
// XDG_CONFIG_HOME name it. It lies in memory where the system has that (every
// profile write is synced), is made on the first call and is removed when the
// process ends.
inline const std::filesystem::path& FuzzHome(std::string_view name) {
    namespace fs = std::filesystem;
    static const fs::path* home = nullptr;
    if (!home) {
        const fs::path base =
            fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        home = new fs::path(base / (std::string(name) + "_" + std::to_string(::getpid())));
        fs::create_directories(*home / ".config");
        ::setenv("HOME", home->c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (*home / ".config").c_str(), 1);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(*home, ec);
        });
    }
    return *home;
}

} // namespace zktest
