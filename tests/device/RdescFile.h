#pragma once
// Reads the descriptor test files of the shared test data: '#' header lines, then the
// descriptor as hexadecimal bytes.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zktest {

struct RdescFile {
    std::vector<uint8_t> bytes;
    std::vector<std::string> header; // header lines without the leading "# "
    bool ok = false;
};

inline std::filesystem::path SharedHidDir() {
    const char* root = std::getenv("ZK_SHARED_TESTDATA");
#ifdef ZK_SHARED_TESTDATA_DEFAULT
    if (!root || !*root)
        root = ZK_SHARED_TESTDATA_DEFAULT;
#endif
    if (!root || !*root)
        return {};
    std::filesystem::path dir = std::filesystem::path(root) / "hid";
    return std::filesystem::is_directory(dir) ? dir : std::filesystem::path{};
}

inline RdescFile ReadRdesc(const std::filesystem::path& path) {
    RdescFile f;
    std::ifstream in(path);
    if (!in)
        return f;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '#') {
            f.header.push_back(line.size() > 2 ? line.substr(2) : std::string());
            continue;
        }
        std::istringstream words(line);
        std::string w;
        while (words >> w)
            f.bytes.push_back(static_cast<uint8_t>(std::stoul(w, nullptr, 16)));
    }
    f.ok = true;
    return f;
}

} // namespace zktest
