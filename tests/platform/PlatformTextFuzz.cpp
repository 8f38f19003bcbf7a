// Fuzz target of the small text files and strings the program reads from the
// system: the registry store, user-dirs.dirs and a hidraw parent's HID_ID. The
// input is split at 0xFF bytes into those three. Every read ends, a value read
// is one the file holds, and the Documents folder stays an absolute path.
#include "device/HidrawBackend.h"
#include "platform/Folders.h"
#include "platform/Registry.h"

#include "support/FuzzInput.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

using namespace zk;
namespace fs = std::filesystem;

namespace {

using zktest::Check;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path& home = zktest::FuzzHome("zk_fuzz_home");
    const auto parts =
        zktest::SplitParts(std::string_view(reinterpret_cast<const char*>(data), size), 3);

    zktest::PutFile(home / "registry.ini", parts[0]);
    const platform::RegistryStore registry(home / "registry.ini");
    for (auto root : {platform::RegistryRoot::CurrentUser, platform::RegistryRoot::LocalMachine})
        if (auto key = registry.OpenKey(root, platform::RegistryStore::ProductKey(root))) {
            key->QueryDword("LANGUAGE");
            if (auto text = key->QueryString("LANGUAGE"))
                Check(text->find('\n') == std::string::npos);
        }

    zktest::PutFile(home / ".config" / "user-dirs.dirs", parts[1]);
    const std::string documents = platform::GetDocumentsFolder();
    Check(!documents.empty() && documents.front() == '/');

    uint32_t bus = 0;
    uint16_t vendor = 0, product = 0;
    if (device::ParseHidId(std::string(parts[2]), bus, vendor, product))
        Check(!parts[2].empty());
    return 0;
}
