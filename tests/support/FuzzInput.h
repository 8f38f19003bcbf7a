#pragma once

// Helpers of the fuzz targets: a check that stops the run where it fails, the
// input split into the parts that become files, a file written with exactly
// the given bytes, and scratch and home folders of the process's own.

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <fcntl.h>
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

// Writes `file` with exactly `bytes`, through plain system calls: a stream's
// buffer would be one more allocation per input for the sanitizer to fill.
inline void PutFile(const std::filesystem::path& file, std::string_view bytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n <= 0)
            break;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    ::close(fd);
}

// A folder of the process's own, "<name>_<pid>", made at the call and
// removed when the process ends. It lies in memory where the system has that:
// the program syncs what it writes, which on a disk waits for the disk on
// every input.
inline std::filesystem::path MakeScratchFolder(std::string_view name) {
    namespace fs = std::filesystem;
    static std::vector<fs::path>* folders = nullptr;
    if (!folders) {
        folders = new std::vector<fs::path>;
        std::atexit([] {
            std::error_code ec;
            for (const fs::path& folder : *folders)
                fs::remove_all(folder, ec);
        });
    }
    const fs::path base =
        fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    folders->push_back(base / (std::string(name) + "_" + std::to_string(::getpid())));
    fs::create_directories(folders->back());
    return folders->back();
}

// A home of the process's own (a scratch folder) with its .config folder, so
// that the folders the program reads are the input's: HOME and
// XDG_CONFIG_HOME name it. It is made on the first call.
inline const std::filesystem::path& FuzzHome(std::string_view name) {
    static const std::filesystem::path home = [name] {
        std::filesystem::path folder = MakeScratchFolder(name);
        std::filesystem::create_directories(folder / ".config");
        ::setenv("HOME", folder.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (folder / ".config").c_str(), 1);
        return folder;
    }();
    return home;
}

} // namespace zktest
