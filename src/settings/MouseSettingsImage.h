#pragma once

// The in-memory image of the mouse's settings: the live settings record, the
// per-profile records and button tables, the factory button table, the
// capability block and the PC-side pointer settings.
//
// Threads: the main thread owns the image. The mouse light preview reads the
// light bytes of `record` (1 to 9) and advances byte 9; the pointer-settings
// threads read `pointerSpeed`, `wheelLines` and `doubleClickSetting`. So the
// record's bytes are written through PutByte/CopyBytes (ImageBytes.h) and the
// pointer settings are atomics.

#include "settings/ButtonAction.h"
#include "settings/DeviceCapabilities.h"
#include "settings/ImageBytes.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zk::settings {

// Byte n is the byte at address n of the device's settings area.
struct MouseSettingsRecord {
    std::uint8_t profileNumber;
    std::uint8_t lightMode;
    std::uint8_t lightBrightness;
    std::uint8_t lightSpeed;
    std::uint8_t lightOption;
    std::uint8_t colourCycle;
    std::uint8_t lightRed;
    std::uint8_t lightGreen;
    std::uint8_t lightBlue;
    std::uint8_t previewStep;
    std::uint8_t reserved10[4];
    std::uint8_t reportRate;
    std::uint8_t dpiLevel1;
    std::uint8_t dpiLevel2;
    std::uint8_t dpiLevel3;
    std::uint8_t dpiLevel4;
    std::uint8_t dpiStage;
    std::uint8_t dpiLevel5;
    std::uint8_t dpiLevel6;
    std::uint8_t reserved22;
    std::uint8_t stageColour1[3];
    std::uint8_t stageColour2[3];
    std::uint8_t stageColour3[3];
    std::uint8_t stageColour4[3];
    std::uint8_t stageColour5[3];
    std::uint8_t stageColour6[3];
};
inline constexpr std::size_t kMouseSettingsRecordSize = 41;
static_assert(sizeof(MouseSettingsRecord) == kMouseSettingsRecordSize);
static_assert(offsetof(MouseSettingsRecord, lightMode) == 1);
static_assert(offsetof(MouseSettingsRecord, lightBrightness) == 2);
static_assert(offsetof(MouseSettingsRecord, lightSpeed) == 3);
static_assert(offsetof(MouseSettingsRecord, lightOption) == 4);
static_assert(offsetof(MouseSettingsRecord, colourCycle) == 5);
static_assert(offsetof(MouseSettingsRecord, lightRed) == 6);
static_assert(offsetof(MouseSettingsRecord, lightGreen) == 7);
static_assert(offsetof(MouseSettingsRecord, lightBlue) == 8);
static_assert(offsetof(MouseSettingsRecord, previewStep) == 9);
static_assert(offsetof(MouseSettingsRecord, reserved10) == 10);
static_assert(offsetof(MouseSettingsRecord, reportRate) == 14);
static_assert(offsetof(MouseSettingsRecord, dpiLevel1) == 15);
static_assert(offsetof(MouseSettingsRecord, dpiLevel2) == 16);
static_assert(offsetof(MouseSettingsRecord, dpiLevel3) == 17);
static_assert(offsetof(MouseSettingsRecord, dpiLevel4) == 18);
static_assert(offsetof(MouseSettingsRecord, dpiStage) == 19);
static_assert(offsetof(MouseSettingsRecord, dpiLevel5) == 20);
static_assert(offsetof(MouseSettingsRecord, dpiLevel6) == 21);
static_assert(offsetof(MouseSettingsRecord, reserved22) == 22);
static_assert(offsetof(MouseSettingsRecord, stageColour1) == 23);
static_assert(offsetof(MouseSettingsRecord, stageColour2) == 26);
static_assert(offsetof(MouseSettingsRecord, stageColour3) == 29);
static_assert(offsetof(MouseSettingsRecord, stageColour4) == 32);
static_assert(offsetof(MouseSettingsRecord, stageColour5) == 35);
static_assert(offsetof(MouseSettingsRecord, stageColour6) == 38);

inline constexpr std::size_t kDpiStageCount = 6;
// Record offsets of the DPI level of stage 1 to 6 and of the stage colours.
inline constexpr std::array<std::size_t, kDpiStageCount> kDpiLevelOffsets = {15, 16, 17,
                                                                             18, 20, 21};
inline constexpr std::array<std::size_t, kDpiStageCount> kStageColourOffsets = {23, 26, 29,
                                                                                32, 35, 38};

// Report rate codes of byte 14.
namespace report_rate {
inline constexpr std::uint8_t k125Hz = 0;
inline constexpr std::uint8_t k250Hz = 1;
inline constexpr std::uint8_t k500Hz = 2;
inline constexpr std::uint8_t k1000Hz = 3;
} // namespace report_rate

// The settings of one profile as a profile file stores them.
struct MouseProfileRecord {
    MouseSettingsRecord settings;
    std::uint8_t pointerSpeed; // 1 to 20
    std::uint8_t wheelLines;   // 1 to 100, or 255: one screen per notch
    std::uint8_t carried43[21];
};
inline constexpr std::size_t kMouseProfileRecordSize = 64;
static_assert(sizeof(MouseProfileRecord) == kMouseProfileRecordSize);
static_assert(offsetof(MouseProfileRecord, pointerSpeed) == 41);
static_assert(offsetof(MouseProfileRecord, wheelLines) == 42);
static_assert(offsetof(MouseProfileRecord, carried43) == 43);

// 512 bytes of 3-byte button actions; mouse button n uses entry n − 1.
inline constexpr std::size_t kButtonTableSize = 512;
inline constexpr std::size_t kButtonTableEntries = kButtonTableSize / 3;
struct ButtonTable {
    std::array<ButtonAction, kButtonTableEntries> actions;
    std::uint8_t tail[2];

    std::span<std::uint8_t, kButtonTableSize> Bytes() { return BytesOf(*this); }
    std::span<const std::uint8_t, kButtonTableSize> Bytes() const { return BytesOf(*this); }
};
static_assert(sizeof(ButtonTable) == kButtonTableSize);
static_assert(offsetof(ButtonTable, tail) == 510);

// The factory assignment before the device's own table was read: left, middle,
// right, forward, back, DPI loop, then 0x05 up to byte 509 and two zero bytes.
ButtonTable InitialDefaultButtonTable();

// Room for the profile numbers of the image; only profile 0 is used.
inline constexpr std::size_t kMouseProfileSlots = 27;

struct MouseSettingsImage {
    MouseSettingsRecord record{};
    std::array<MouseProfileRecord, kMouseProfileSlots> profiles{};
    std::array<ButtonTable, kMouseProfileSlots> buttonTables{};
    ButtonTable defaultButtonTable = InitialDefaultButtonTable();
    DeviceCapabilities capabilities{};
    std::atomic<std::uint8_t> pointerSpeed{0};
    std::atomic<std::uint8_t> wheelLines{0};
    std::atomic<std::int32_t> doubleClickSetting{0};
    // Set after a change of `record`; timer 2 turns it into one device write.
    std::atomic<bool> pending{false};
    // The button whose assignment popup is open.
    int selectedButton = 0;

    std::span<std::uint8_t, kMouseSettingsRecordSize> RecordBytes() { return BytesOf(record); }
    std::span<const std::uint8_t, kMouseSettingsRecordSize> RecordBytes() const {
        return BytesOf(record);
    }
    std::span<std::uint8_t, kMouseProfileRecordSize> ProfileBytes(std::size_t p) {
        return BytesOf(profiles[p]);
    }
    // Changes one record byte (atomically, previews read it) and marks the
    // image pending.
    void SetRecordByte(std::size_t offset, std::uint8_t value) {
        PutByte(RecordBytes()[offset], value);
        pending.store(true);
    }
    std::uint8_t RecordByte(std::size_t offset) const { return LoadByte(RecordBytes()[offset]); }

    // Profile record 0 takes the live record in bytes 0 to 40 and the pointer
    // settings in bytes 41 and 42; bytes 43 to 63 stay (the step before every
    // profile save).
    void StoreRecordIntoProfile();
    // Profile record 0 takes `bytes` (64); the live record takes its bytes 0 to
    // 40 (a profile load).
    void LoadProfileRecord(std::span<const std::uint8_t, kMouseProfileRecordSize> bytes);
};

// DPI level encoding: index v stands for v × 100 + base below 49 and for
// (v − 24) × 200 + base from 49 on.
constexpr int DpiOfLevel(int level, int dpiBase) {
    return level < 49 ? level * 100 + dpiBase : (level - 24) * 200 + dpiBase;
}
// The highest level index the device takes (`dpiMaxLevel`, 0: no limit) as a
// bound for `level`.
constexpr int ClampDpiLevel(int level, int dpiMaxLevel) {
    return dpiMaxLevel != 0 && level > dpiMaxLevel ? dpiMaxLevel : level;
}
// Corrects every stage above a non-zero dpiMaxLevel and marks the image
// pending when it changed one; true when it did.
bool ClampDpiStages(MouseSettingsImage& image);

} // namespace zk::settings
