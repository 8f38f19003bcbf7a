// Fuzz target of the profile index files and the mouse name file, read the way
// the start-up does: the input is split at 0xFF bytes into the mouse index,
// the keyboard index and the name file of the selected mouse profile. The
// selectors then list at most what they can hold, select an entry they list,
// never overwrite a user's "profile1" file, and the name file's values read
// back as single lines.
#include "platform/FileIo.h"
#include "profiles/NameFile.h"
#include "profiles/ProfileStore.h"

#include "support/FuzzInput.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

using namespace zk;
using namespace zk::profiles;
namespace fs = std::filesystem;

namespace {

using zktest::Check;

std::string StageFolder() {
    const char* stage = std::getenv("ZK_STAGE_DIR");
    return std::string(stage ? stage : ZK_TEST_STAGE_DIR) + "/";
}

// A listed name may be one no file can have (it then loads nothing), but a
// name that has a file has it in the kind's own folder.
void CheckSelector(DeviceKind kind, const SelectorEntries& entries) {
    Check(entries.names.size() <= static_cast<std::size_t>(kMaxProfiles));
    Check(entries.names.empty() ||
          (entries.select >= 0 && entries.select < static_cast<int>(entries.names.size())));
    for (const auto& name : entries.names)
        if (const auto path = ProfileFilePath(kind, name, kDeviceExtension))
            Check(path->parent_path() == ProfileFolder(kind).parent_path());
}

bool SingleLine(const std::string& text) {
    return text.find('\n') == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path documents = zktest::FuzzHome("zk_fuzz_index") / "Documents";
    std::error_code ec;
    fs::remove_all(documents, ec);
    const auto parts =
        zktest::SplitParts(std::string_view(reinterpret_cast<const char*>(data), size), 3);

    const fs::path mouseFolder = ProfileFolder(DeviceKind::Mouse);
    const fs::path keyboardFolder = ProfileFolder(DeviceKind::Keyboard);
    zktest::PutFile(mouseFolder / IndexFileName(DeviceKind::Mouse), parts[0]);
    zktest::PutFile(keyboardFolder / IndexFileName(DeviceKind::Keyboard), parts[1]);
    // The user's own first profile, which no index may have the start-up replace.
    const std::string users(600, '\x5A');
    zktest::PutFile(mouseFolder / "profile1.config", users);

    const StoreSeams seams{[](std::string_view) {}, [] { return SystemPointer{}; }, StageFolder()};
    settings::MouseSettingsImage mouse;
    CheckSelector(DeviceKind::Mouse, MouseProfileStore(mouse, seams).InitialiseProfiles());
    const auto kept = platform::ReadWholeFile(mouseFolder / "profile1.config");
    Check(kept && *kept == users);

    settings::KeyboardImage keyboard;
    keyboard.model = 0;
    const auto selectors = KeyboardProfileStore(keyboard, seams).InitialiseProfiles();
    CheckSelector(DeviceKind::Keyboard, selectors.device);
    CheckSelector(DeviceKind::Keyboard, selectors.light);
    CheckSelector(DeviceKind::Keyboard, selectors.key);

    const std::string selected = MouseProfileStore::Index().SelectedName(ProfileKind::Device);
    if (const auto path = NameFilePath(selected)) {
        zktest::PutFile(*path, parts[2]);
        if (auto names = MouseNameFile::ForProfile(selected)) {
            Check(SingleLine(names->UsbRateText()));
            for (int button = name_file::kFirstNamedButton; button <= name_file::kLastNamedButton;
                 ++button)
                Check(SingleLine(names->KeyName(button)));
            names->MouseSpeed();
            names->DoubleClick();
        }
    }
    return 0;
}
