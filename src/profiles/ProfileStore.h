#pragma once

// Load and save of the profiles of each device kind between the settings
// images and the profile files, and the first-run initialisation that lists
// the profiles for the selectors and creates "profile1" from the factory
// default file beside the program.
//
// Every operation resolves its file through the index file again; a save
// always writes the profile that the index marks as selected. Loads return the
// result of ReadProfileFile (0 read, 1 missing, −1 bad format) and change
// nothing unless it is 0. All operations run on the main thread.

#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "settings/LightRecords.h"
#include "settings/MouseSettingsImage.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::profiles {

// Language keys of the first-run messages: default file missing / malformed.
inline constexpr std::string_view kMessageDefaultMissing = "message_text_8";
inline constexpr std::string_view kMessageDefaultMalformed = "message_text_9";

// Debug lines of the loads.
inline constexpr std::string_view kDebugProfileMissing = "配置文件丢失";
inline constexpr std::string_view kDebugProfileMalformed = "配置文件格式错误";

inline constexpr std::string_view kFirstProfileName = "profile1";

// The most profiles a selector lists; an index that counts more lists these.
inline constexpr int kMaxProfiles = 27;

// Extensions: key profiles are read as ".PRO" and written as ".pro" (names
// match without regard to case).
inline constexpr std::string_view kDeviceExtension = ".config";
inline constexpr std::string_view kLightExtension = ".led";
inline constexpr std::string_view kKeyReadExtension = ".PRO";
inline constexpr std::string_view kKeyWriteExtension = ".pro";

// Body sizes.
inline constexpr std::size_t kMouseDeviceBody = 576;
inline constexpr std::size_t kMouseLightBody = 64;
inline constexpr std::size_t kKeyBody = 512;
inline constexpr std::size_t kKeyboardDeviceBody = 2470;
inline constexpr std::size_t kKeyboardLightBody = 1958;
inline constexpr std::size_t kKeyboardLightDefaultBody = 442;
inline constexpr std::size_t kMousepadLightBody = 64;

// Factory default files beside the program.
inline constexpr std::string_view kMouseDeviceDefault = "msdevicedefault.config";
inline constexpr std::string_view kKeyboardDeviceDefault[2] = {"kbdevicedefault.config",
                                                               "kbdevice15default.config"};
inline constexpr std::string_view kKeyboardLightDefault[2] = {"kbdengdefault.led",
                                                              "kb15dengdefault.led"};
inline constexpr std::string_view kKeyboardKeyDefault[2] = {"kbkeydefault.pro",
                                                            "kbkey15default.pro"};
inline constexpr std::string_view kMousepadLightDefault = "mpdengdefault.Led";

// The system's pointer settings as a device profile load takes them.
struct SystemPointer {
    int pointerSpeed = 10;
    int wheelLines = 3;
};

struct StoreSeams {
    // Shows the message box with a language key.
    std::function<void(std::string_view key)> showMessage;
    // Reads the system's current pointer speed and wheel lines (never writes).
    std::function<SystemPointer()> systemPointer;
    // Folder of the factory default files, with a trailing '/'; empty: the
    // module folder.
    std::string moduleFolder;
};

// What one selector shows after the initialisation: its entries (text and
// user data are the name) and the index that the index file marks selected.
struct SelectorEntries {
    std::vector<std::string> names;
    int select = 0;
    bool created = false; // "profile1" was created from the default file
    bool failed = false;  // the default file was missing or malformed
};

class MouseProfileStore {
public:
    MouseProfileStore(settings::MouseSettingsImage& image, StoreSeams seams);

    int LoadDeviceProfile(int index);
    bool SaveDeviceProfile();
    int LoadLightProfile(int index);
    bool SaveLightProfile();
    int LoadKeyProfile(int index);

    // The rows of "config_list" (20 pixels high). The caller selects the row
    // `select` when `names` is not empty, which applies that profile.
    SelectorEntries InitialiseProfiles();

    // The index file, formed anew (its folder is created again when missing).
    static ProfileIndex Index() { return ProfileIndex(DeviceKind::Mouse); }

private:
    settings::MouseSettingsImage& image_;
    StoreSeams seams_;
};

class KeyboardProfileStore {
public:
    KeyboardProfileStore(settings::KeyboardImage& image, StoreSeams seams);

    int LoadDeviceProfile(int index);
    bool SaveDeviceProfile();
    int LoadLightProfile(int index);
    bool SaveLightProfile();
    int LoadKeyProfile(int index);
    bool SaveKeyProfile();

    // Entries of "kb_device_profile_combo", "kb_deng_profile_combo" and
    // "kb_key_profile_combo" (25 pixels high); nothing is selected here. A
    // missing or malformed default file ends the initialisation there: the
    // later selectors stay empty.
    struct Selectors {
        SelectorEntries device, light, key;
    };
    Selectors InitialiseProfiles();

    // The index file, formed anew (its folder is created again when missing).
    static ProfileIndex Index() { return ProfileIndex(DeviceKind::Keyboard); }

private:
    settings::KeyboardImage& image_;
    StoreSeams seams_;
};

class MousepadProfileStore {
public:
    MousepadProfileStore(settings::MousepadImage& image, StoreSeams seams);

    int LoadLightProfile(int index);
    bool SaveLightProfile();

    // Entries of "mp_deng_profile_combo".
    SelectorEntries InitialiseProfiles();

    // The index file, formed anew (its folder is created again when missing).
    static ProfileIndex Index() { return ProfileIndex(DeviceKind::Mousepad); }

private:
    settings::MousepadImage& image_;
    StoreSeams seams_;
};

} // namespace zk::profiles
