// Fuzz target of the small text files and strings the program reads from the
// system: the registry store, user-dirs.dirs and a hidraw parent's HID_ID. The
// input is split at 0xFF bytes into those three. Every read ends, a value read
// is one the file holds, and the Documents folder stays an absolute path.
#include "device/HidrawBackend.h"
#include "platform/Folders.h"
#include "platform/Registry.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

using namespace zk;
namespace fs = std::filesystem;

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

// A home of the process's own, so that the folders read are the input's.
const fs::path& Home() {
    static const fs::path home = [] {
        fs::path h = fs::temp_directory_path() / ("zk_fuzz_home_" + std::to_string(::getpid()));
        fs::create_directories(h / ".config");
        ::setenv("HOME", h.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (h / ".config").c_str(), 1);
        return h;
    }();
    return home;
}

void Put(const fs::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string_view> Parts(std::string_view bytes) {
    std::vector<std::string_view> parts;
    while (parts.size() < 2) {
        const auto at = bytes.find('\xFF');
        if (at == std::string_view::npos)
            break;
        parts.push_back(bytes.substr(0, at));
        bytes.remove_prefix(at + 1);
    }
    parts.push_back(bytes);
    parts.resize(3);
    return parts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path& home = Home();
    const auto parts = Parts(std::string_view(reinterpret_cast<const char*>(data), size));

    Put(home / "registry.ini", parts[0]);
    const platform::RegistryStore registry(home / "registry.ini");
    for (auto root : {platform::RegistryRoot::CurrentUser, platform::RegistryRoot::LocalMachine})
        if (auto key = registry.OpenKey(root, platform::RegistryStore::ProductKey(root))) {
            key->QueryDword("LANGUAGE");
            if (auto text = key->QueryString("LANGUAGE"))
                Check(text->find('\n') == std::string::npos);
        }

    Put(home / ".config" / "user-dirs.dirs", parts[1]);
    const std::string documents = platform::GetDocumentsFolder();
    Check(!documents.empty() && documents.front() == '/');

    uint32_t bus = 0;
    uint16_t vendor = 0, product = 0;
    if (device::ParseHidId(std::string(parts[2]), bus, vendor, product))
        Check(!parts[2].empty());
    return 0;
}
