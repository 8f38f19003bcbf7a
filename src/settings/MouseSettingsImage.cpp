#include "settings/MouseSettingsImage.h"

namespace zk::settings {

namespace {
// The factory entries of buttons 1 to 6 and the filler of the rest.
constexpr std::array<ButtonAction, 6> kInitialDefaultActions = {{
    {action_type::kMouseButton, 0x01, 0x00}, // left click
    {action_type::kMouseButton, 0x04, 0x00}, // middle click
    {action_type::kMouseButton, 0x02, 0x00}, // right click
    {action_type::kMouseButton, 0x10, 0x00}, // forward
    {action_type::kMouseButton, 0x08, 0x00}, // back
    {action_type::kDpi, 0x03, 0x00},         // DPI loop
}};
constexpr std::uint8_t kInitialDefaultFiller = 0x05;
} // namespace

ButtonTable InitialDefaultButtonTable() {
    ButtonTable table{};
    auto bytes = table.Bytes();
    for (std::size_t i = 0; i < kButtonTableSize - 2; ++i)
        bytes[i] = kInitialDefaultFiller;
    bytes[kButtonTableSize - 2] = 0;
    bytes[kButtonTableSize - 1] = 0;
    for (std::size_t i = 0; i < kInitialDefaultActions.size(); ++i)
        table.actions[i] = kInitialDefaultActions[i];
    return table;
}

void MouseSettingsImage::StoreRecordIntoProfile() {
    auto profile = ProfileBytes(0);
    CopyBytes(profile.data(), RecordBytes().data(), kMouseSettingsRecordSize);
    profiles[0].pointerSpeed = pointerSpeed.load();
    profiles[0].wheelLines = wheelLines.load();
}

void MouseSettingsImage::LoadProfileRecord(
    std::span<const std::uint8_t, kMouseProfileRecordSize> bytes) {
    CopyBytes(ProfileBytes(0).data(), bytes.data(), kMouseProfileRecordSize);
    CopyBytes(RecordBytes().data(), bytes.data(), kMouseSettingsRecordSize);
}

bool ClampDpiStages(MouseSettingsImage& image) {
    const int maxLevel = image.capabilities.dpiMaxLevel;
    bool changed = false;
    for (std::size_t offset : kDpiLevelOffsets) {
        const int level = image.RecordByte(offset);
        const int clamped = ClampDpiLevel(level, maxLevel);
        if (clamped != level) {
            image.SetRecordByte(offset, static_cast<std::uint8_t>(clamped));
            changed = true;
        }
    }
    return changed;
}

} // namespace zk::settings
