#include "settings/SettingsTransfer.h"

#include "protocol/DeviceChannel.h"

#include <array>

namespace zk::settings {

namespace {

constexpr std::size_t kRecordReadBytes = 56;

void Call(const std::function<void()>& fn) {
    if (fn)
        fn();
}

bool Ok(std::int32_t result) {
    return result == protocol::kResultOk;
}

// Reads 56 bytes at address 0 with byte 0 cleared; false when the read failed.
bool ReadRecordArea(protocol::DeviceChannel& channel,
                    std::array<std::uint8_t, kRecordReadBytes>& buffer) {
    std::array<std::uint8_t, 1> current{};
    channel.CmdReadData(current, 1, 0); // wakes the settings area; the byte is not used
    if (!Ok(channel.CmdReadData(buffer, kRecordReadBytes, 0)))
        return false;
    buffer[0] = 0;
    return true;
}

} // namespace

void ReadMouseAll(protocol::DeviceChannel& channel, MouseSettingsImage& image,
                  const TransferSaves& saves) {
    channel.CmdStart();
    std::array<std::uint8_t, sizeof(DeviceCapabilities)> caps{};
    if (Ok(channel.CmdReadCapabilities(caps)))
        CopyBytes(BytesOf(image.capabilities), caps);

    std::array<std::uint8_t, kButtonTableSize> buffer{};
    if (Ok(channel.CmdReadDefaultBlock(buffer)))
        CopyBytes(image.defaultButtonTable.Bytes(), buffer);
    for (std::size_t p = 0; p < kMouseProfileSlots; ++p) {
        if (Ok(channel.CmdReadProfileBlock(buffer, static_cast<int>(p))))
            CopyBytes(image.buttonTables[p].Bytes(), buffer);
    }

    CopyBytes(image.RecordBytes().data(), image.ProfileBytes(0).data(), kMouseSettingsRecordSize);
    PutByte(image.record.profileNumber, 0);
    channel.CmdFinish();
    Call(saves.saveMouseDeviceProfile);
}

void RereadMouseRecord(protocol::DeviceChannel& channel, MouseSettingsImage& image,
                       const TransferSaves& saves) {
    const std::uint8_t number = image.RecordByte(0);
    if (number < kMouseProfileSlots)
        CopyBytes(image.ProfileBytes(number).data(), image.RecordBytes().data(),
                  kMouseSettingsRecordSize);
    PutByte(image.record.profileNumber, 0);

    std::array<std::uint8_t, kRecordReadBytes> buffer{};
    if (ReadRecordArea(channel, buffer))
        CopyBytes(image.ProfileBytes(0), buffer);
    CopyBytes(image.RecordBytes().data(), image.ProfileBytes(0).data(), kMouseSettingsRecordSize);

    Call(saves.saveMouseLightProfile);
    Call(saves.saveMouseDeviceProfile);
}

void ReadMousepadAll(protocol::DeviceChannel& channel, MousepadImage& image,
                     const TransferSaves& saves) {
    channel.CmdStart();
    std::array<std::uint8_t, sizeof(DeviceCapabilities)> caps{};
    if (Ok(channel.CmdReadCapabilities(caps)))
        CopyBytes(BytesOf(image.capabilities), caps);

    std::array<std::uint8_t, kRecordReadBytes> buffer{};
    for (std::size_t p = 0; p < kLightProfileSlots; ++p) {
        const auto address = static_cast<std::uint16_t>(p * kMousepadLightRecordSize);
        if (Ok(channel.CmdReadData(buffer, kRecordReadBytes, address)))
            CopyBytes(image.RecordBytes(p), buffer);
    }

    // The current profile: from the device, otherwise the one the live state
    // names. A number the device cannot have leaves the live state alone.
    std::array<std::uint8_t, 1> current{};
    std::size_t profile = LoadByte(image.live.profileNumber);
    if (Ok(channel.CmdReadData(current, 1, 0)))
        profile = current[0];
    if (profile < kLightProfileSlots) {
        CopyBytes(image.LiveBytes().data(), image.RecordBytes(profile).data(), kLiveLightStateSize);
        PutByte(image.live.profileNumber, static_cast<std::uint8_t>(profile));
    }
    channel.CmdFinish();
    Call(saves.saveMousepadLightProfile);
}

bool ReadKeyboardAll(protocol::DeviceChannel& channel, KeyboardImage& image,
                     const TransferSaves& saves) {
    channel.CmdStart();
    std::array<std::uint8_t, sizeof(DeviceCapabilities)> caps{};
    if (Ok(channel.CmdReadCapabilities(caps)))
        CopyBytes(BytesOf(image.capabilities), caps);

    const std::size_t length = std::size_t{image.capabilities.keyCount} * 3;
    if (length > kKeyTableSize) {
        if (saves.showMessage)
            saves.showMessage(kMessageTooManyKeys);
        return false;
    }
    // No key count (nothing was ever read): block transfers keep their length
    // rather than shrinking to nothing.
    if (length > 0)
        channel.blockLength.store(static_cast<std::uint16_t>(length));

    KeyTable buffer{};
    if (Ok(channel.CmdReadDefaultBlock(buffer)))
        image.defaultKeyTable = buffer;
    if (Ok(channel.CmdReadProfileBlock(buffer, 0)))
        image.keyTable = buffer;

    CopyBytes(image.LiveBytes().data(), image.HeaderBytes(0).data(), kLiveLightStateSize);
    PutByte(image.live.profileNumber, 0);
    channel.CmdFinish();
    Call(saves.saveKeyboardKeyProfile);
    Call(saves.saveKeyboardDeviceProfile);
    return true;
}

void RereadKeyboardLight(protocol::DeviceChannel& channel, KeyboardImage& image,
                         const TransferSaves& saves) {
    const std::uint8_t number = LoadByte(image.live.profileNumber);
    if (number < kLightProfileSlots)
        CopyBytes(image.HeaderBytes(number).data(), image.LiveBytes().data(), kLiveLightStateSize);
    PutByte(image.live.profileNumber, 0);

    std::array<std::uint8_t, kRecordReadBytes> buffer{};
    if (ReadRecordArea(channel, buffer))
        CopyBytes(image.HeaderBytes(0), buffer);
    CopyBytes(image.LiveBytes().data(), image.HeaderBytes(0).data(), kLiveLightStateSize);
    Call(saves.saveKeyboardDeviceProfile);
}

} // namespace zk::settings
