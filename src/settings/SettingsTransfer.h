#pragma once

// The command sequences that bring a device's stored settings into the
// PC-side images: all mouse settings on connect or a profile change on the
// mouse, the mouse settings record when the mouse reports a change, and the
// keyboard's and the mousepad's settings. Each ends with the profile saves
// that keep the selected profile in step with the device.
//
// A read that fails leaves its destination as it was; the sequence goes on.
// On a disconnected channel every command returns 0 without traffic, so only
// the copies between images run.

#include "settings/LightRecords.h"
#include "settings/MouseSettingsImage.h"

#include <functional>
#include <string_view>

namespace zk::protocol {
class DeviceChannel;
}

namespace zk::settings {

// Language key of the message for a keyboard whose key table does not fit.
inline constexpr std::string_view kMessageTooManyKeys = "message_text_11";

// The profile saves and the message box that the sequences call; empty
// members do nothing.
struct TransferSaves {
    std::function<void()> saveMouseDeviceProfile;
    std::function<void()> saveMouseLightProfile;
    std::function<void()> saveKeyboardDeviceProfile;
    std::function<void()> saveKeyboardKeyProfile;
    std::function<void()> saveMousepadLightProfile;
    std::function<void(std::string_view key)> showMessage;
};

// CmdStart; capabilities; the default button table; the button tables of
// profiles 0 to 26 (only 0 to 4 exist on the device: the others are refused
// without traffic and keep their content); the settings record from profile
// record 0 with byte 0 cleared; CmdFinish; device profile save.
void ReadMouseAll(protocol::DeviceChannel& channel, MouseSettingsImage& image,
                  const TransferSaves& saves);

// The device reported a settings change: the live record goes into the profile
// record it names, the device's 56 bytes at address 0 (byte 0 cleared) become
// bytes 0 to 55 of profile record 0, and the live record takes bytes 0 to 40
// of it; light and device profile saves. No CmdStart/CmdFinish.
void RereadMouseRecord(protocol::DeviceChannel& channel, MouseSettingsImage& image,
                       const TransferSaves& saves);

// CmdStart; capabilities; the 56-byte light records of profiles 0 to 4; the
// current profile number; the live state from that profile's record with
// byte 0 = the number; CmdFinish; mousepad light profile save.
void ReadMousepadAll(protocol::DeviceChannel& channel, MousepadImage& image,
                     const TransferSaves& saves);

// CmdStart; capabilities; blockLength = key count × 3 (a key count above 170
// shows "message_text_11" and stops, blockLength unchanged); the default key
// table and the key table; the live state from light header 0 with byte 0
// cleared; CmdFinish; key profile and device profile saves. Returns false when
// it stopped for the key count.
bool ReadKeyboardAll(protocol::DeviceChannel& channel, KeyboardImage& image,
                     const TransferSaves& saves);

// The keyboard reported a light change: the live state goes into the light
// header it names, the device's 56 bytes at address 0 (byte 0 cleared) become
// bytes 0 to 55 of light header 0, and the live state takes bytes 0 to 20 of
// it; device profile save.
void RereadKeyboardLight(protocol::DeviceChannel& channel, KeyboardImage& image,
                         const TransferSaves& saves);

} // namespace zk::settings
