#pragma once

// The per-profile name file of a mouse device profile: profile name +
// "name.ini" in the mouse folder. It remembers the slider positions of the
// pointer page, the report-rate choice, the display names of buttons 2 to 7
// and the macro settings of the assignment page.

#include "platform/IniFile.h"

#include <optional>
#include <string>
#include <string_view>

namespace zk::profiles {

namespace name_file {
inline constexpr std::string_view kUsbRate = "USBRATE";
inline constexpr std::string_view kMouseSpeed = "MOUSESPEED";
inline constexpr std::string_view kDoubleClick = "DBCLICK";
inline constexpr std::string_view kKeyName = "KEYNAME";
inline constexpr std::string_view kMacroSet = "MACROSET";
inline constexpr std::string_view kUsbRateDefault = "2";
// The default of the slider keys, which stands for "nothing stored".
inline constexpr std::string_view kSliderAbsent = "100";
inline constexpr int kFirstNamedButton = 2;
inline constexpr int kLastNamedButton = 7;
} // namespace name_file

class MouseNameFile {
public:
    // The name file of a profile; nothing when the name cannot be a file name.
    static std::optional<MouseNameFile> ForProfile(std::string_view profileName);
    // The name file of the device profile that msProfile.ini marks selected.
    static std::optional<MouseNameFile> ForSelectedProfile();

    platform::IniFile& File() { return ini_; }
    const platform::IniFile& File() const { return ini_; }

    // `USBRATE`/`select` as stored, "2" when absent (the text, since a stored
    // "0" and other text reading as 0 are told apart by the page).
    std::string UsbRateText() const;
    // Slider positions; nothing when absent ("100").
    std::optional<int> MouseSpeed() const;
    std::optional<int> DoubleClick() const;
    // `KEYNAME`/button: "0" (also when absent) the built-in name, "1" the
    // resource key, otherwise the name itself.
    std::string KeyName(int button) const;

    bool SetUsbRate(int code);
    bool SetMouseSpeed(int position);
    bool SetDoubleClick(int position);
    // Buttons other than 2 to 7 are ignored (false).
    bool SetKeyName(int button, std::string_view name);

private:
    explicit MouseNameFile(platform::IniFile ini) : ini_(std::move(ini)) {}
    std::optional<int> Slider(std::string_view section) const;

    platform::IniFile ini_;
};

} // namespace zk::profiles
