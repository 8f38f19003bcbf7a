#pragma once
// The firmware's memory and command handling of one emulated device, without any I/O: a request
// frame goes in, a response frame (or nothing) comes out. Not thread-safe; EmulatedDevice
// serialises access.

#include "emulator/Emulator.h"

#include <optional>

namespace zk::emulator {

// Sum of bytes 3 to 63, as carried little-endian in bytes 1 and 2 of a frame.
uint16_t FrameSum(const Frame& frame);

struct FirmwareMemory {
    std::vector<uint8_t> settings;
    std::vector<uint8_t> buttons;
    std::vector<uint8_t> defaults;
    std::vector<uint8_t> capabilities;
    std::vector<uint8_t> macros;
    std::vector<uint8_t>& Area(MemoryArea area);
    const std::vector<uint8_t>& Area(MemoryArea area) const;
};

class Firmware {
public:
    explicit Firmware(const DeviceOptions& options);

    DeviceKind Kind() const { return kind_; }
    void FactoryReset();
    void SetMacroCapacity(uint8_t units);
    // Answers one request. `forcedStatus` refuses it with that status byte, changing nothing.
    Frame Handle(const Frame& request, std::optional<uint8_t> forcedStatus);

    // On-device actions; each returns the notification code to announce.
    uint16_t NextDpiStage();
    uint16_t NextLightMode();
    uint16_t NextProfile();

    FirmwareMemory memory;

private:
    size_t RecordBase() const;

    DeviceKind kind_;
    uint16_t keyCount_;
    uint8_t macroCapacity_;
};

inline constexpr uint8_t kStatusOk = 0x01;
inline constexpr uint8_t kStatusRefused = 0xFF;
inline constexpr uint8_t kStatusFailed = 0xFE;

// Factory values of the mouse.
inline constexpr uint16_t kFactoryDpiBase = 100;
inline constexpr uint8_t kFactoryDpiMaxLevel = 103; // (103 - 24) × 200 + 100 = 15900 DPI
inline constexpr uint8_t kMouseLightModes = 7;

} // namespace zk::emulator
