#pragma once
// Simulated firmware of the ZK412V mouse, its keyboard and its mousepad, behind an emulated HID
// bus that CHidDevice uses like hidraw. Each device exposes its configuration interface (usage
// page 0xFF1C, usage 0x0092, 64-byte reports with report ID 4) and, for the mouse and the
// keyboard, a notification interface (usage page 0x000C, usage 0x0001) on which on-device
// changes are announced with the consumer usages 0x401 to 0x403. Each device runs its firmware
// on its own thread; every public operation is thread-safe.

#include "device/DeviceIdentity.h"
#include "device/HidBackend.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zk::emulator {

// The identities of the emulated devices are the real ones.
using device::DeviceKind;
inline constexpr uint16_t kMouseVendorId = device::kMouseVendorId;
inline constexpr uint16_t kMouseProductId = device::kMouseProductId;
inline constexpr uint16_t kMouseProductIdAlt = device::kMouseProductIdSecond;
inline constexpr uint16_t kKeyboardVendorId = device::kKeyboardVendorId;
inline constexpr uint16_t kKeyboardProductId = device::kKeyboardProductId;
inline constexpr uint16_t kKeyboardProductIdAlt = device::kKeyboardProductIdAlt;
inline constexpr uint16_t kKeyboardProductIdTkl = device::kKeyboardProductIdTkl;
inline constexpr uint16_t kMousepadVendorId = device::kMousepadVendorId;
inline constexpr uint16_t kMousepadProductId = device::kMousepadProductId;

inline constexpr uint16_t kConfigUsagePage = device::kConfigUsagePage;
inline constexpr uint16_t kConfigUsage = device::kConfigUsage;
inline constexpr uint16_t kNotifyUsagePage = device::kNotifyUsagePage;
inline constexpr uint16_t kNotifyUsage = device::kNotifyUsage;
inline constexpr uint8_t kConfigReportId = 0x04;
inline constexpr uint8_t kNotifyReportId = 0x03;

// Notification codes sent on the notification interface.
inline constexpr uint16_t kNotifySettingsChanged = 0x401; // re-read the settings record
inline constexpr uint16_t kNotifyProfileChanged = 0x402;  // read everything again
inline constexpr uint16_t kNotifyReactive = 0x403;        // reactive light event

// Device memory areas.
enum class MemoryArea : uint8_t {
    Settings,     // current profile number at 0; 64-byte record of profile p at p × 64
    Buttons,      // button / key area; profile p starts at p × 126
    Defaults,     // factory button / key table (read with command 0x07)
    Capabilities, // 33-byte capability block
    Macros,       // macro area, macro capacity × 128 bytes
};

inline constexpr size_t kProfileCount = 5;
inline constexpr size_t kSettingsRecordStride = 64;
inline constexpr size_t kSettingsAreaSize = kProfileCount * kSettingsRecordStride;
inline constexpr size_t kButtonProfileStride = 126;
inline constexpr size_t kButtonBlockSize = 512;
inline constexpr size_t kButtonAreaSize =
    (kProfileCount - 1) * kButtonProfileStride + kButtonBlockSize;
inline constexpr size_t kCapabilitySize = 33;
inline constexpr size_t kMacroUnit = 128;

using Frame = std::array<uint8_t, 64>;

// One request frame as the device received it.
struct LoggedRequest {
    Frame frame{};
    bool checksumOk = false;
    std::chrono::steady_clock::time_point time{}; // when the request arrived
    // When the answer was sent; the arrival time when none was (dropped, unplugged).
    std::chrono::steady_clock::time_point answered{};
};

struct DeviceOptions {
    DeviceKind kind = DeviceKind::Mouse;
    uint16_t productId = 0;     // 0: the kind's usual product ID
    uint16_t keyCount = 126;    // keyboard: key count reported in capability byte 5
    uint8_t macroCapacity = 32; // units of 128 bytes
    std::chrono::microseconds responseDelay{1000}; // per frame: a 1000 Hz device
};

class EmulatedBus;

// One emulated device with its test controls.
class EmulatedDevice {
public:
    ~EmulatedDevice();
    EmulatedDevice(const EmulatedDevice&) = delete;
    EmulatedDevice& operator=(const EmulatedDevice&) = delete;

    DeviceKind Kind() const;
    uint16_t VendorId() const;
    uint16_t ProductId() const;
    // Paths of the interfaces on the bus (notification path is empty for the mousepad).
    std::string ConfigPath() const;
    std::string NotifyPath() const;

    // --- timing and faults ---
    void SetResponseDelay(std::chrono::microseconds delay);
    // The next `count` requests get no response at all.
    void DropResponses(int count);
    // The next `count` responses come `extra` later than the usual delay.
    void DelayResponses(int count, std::chrono::milliseconds extra);
    // After `skip` more frames of `command`, the next `count` frames of it are answered with
    // `status` (0xFF refused, 0xFE the second failure) and change nothing.
    void InjectStatus(uint8_t command, uint8_t status, int skip = 0, int count = 1);
    // A device that stops reading: writes to its configuration interface time out.
    void SetStopReading(bool stopped);
    // A device that hangs: it still takes requests (they are logged) but neither carries them
    // out nor answers them until it is resumed with false.
    void SetStopAnswering(bool stopped);
    // Unplugging ends every open connection (reads and writes fail) and removes the interfaces
    // from the bus; replugging brings them back under the same paths, memory kept. Both raise a
    // hot-plug notice, as udev does for a real device.
    void Unplug();
    void Replug();
    bool Plugged() const;

    // --- on-device actions (change memory, then announce on the notification interface) ---
    void PressDpiButton();  // next DPI stage of the current profile; sends 0x401
    void PressLightKey();   // next light mode of the current profile; sends 0x401
    void PressProfileKey(); // next profile (0..4); sends 0x402
    void ReactiveEvent();   // sends 0x403
    // Sends one code (press report, then release report). False without a notification
    // interface or while unplugged.
    bool SendNotification(uint16_t code);

    // --- inspection ---
    std::vector<LoggedRequest> RequestLog() const;
    size_t RequestCount() const;
    void ClearRequestLog();
    // Waits until at least `count` requests were logged; false on time-out.
    bool WaitForRequests(size_t count, std::chrono::milliseconds timeout) const;
    std::vector<uint8_t> Memory(MemoryArea area) const;
    void SetMemory(MemoryArea area, size_t offset, const std::vector<uint8_t>& bytes);
    uint8_t CurrentProfile() const;
    // Restores the factory state of every area.
    void FactoryReset();
    // Sets the macro capacity (capability byte 6, units of 128 bytes); the macro area takes the
    // new size and is cleared.
    void SetMacroCapacity(uint8_t units);

    // Report descriptors of the two interfaces.
    static std::vector<uint8_t> ConfigDescriptor();
    static std::vector<uint8_t> NotifyDescriptor();

    struct Impl;

private:
    friend class EmulatedBus;
    explicit EmulatedDevice(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

struct EmulatorOptions {
    bool mouse = true;
    uint16_t mouseProductId = kMouseProductId;
    bool keyboard = true;
    uint16_t keyboardProductId = kKeyboardProductId; // selects the keyboard model
    bool mousepad = true;
    std::chrono::microseconds responseDelay{1000};
    // Unrelated HID interfaces listed before the devices (other vendors' mice and keyboards).
    int otherInterfaces = 0;
};

// The emulated bus: a HID back end holding emulated devices.
class EmulatedBus : public device::IHidBackend {
public:
    explicit EmulatedBus(const EmulatorOptions& options = {});
    ~EmulatedBus() override;

    EmulatedDevice& AddDevice(const DeviceOptions& options);
    // The first device of a kind, or nullptr.
    EmulatedDevice* Find(DeviceKind kind) const;
    EmulatedDevice* Mouse() const { return Find(DeviceKind::Mouse); }
    EmulatedDevice* Keyboard() const { return Find(DeviceKind::Keyboard); }
    EmulatedDevice* Mousepad() const { return Find(DeviceKind::Mousepad); }
    // Makes enumeration fail (true) or work again.
    void SetEnumerationFails(bool fails);

    bool Enumerate(std::vector<device::HidInterfaceInfo>& interfaces) override;
    std::unique_ptr<device::IHidConnection> Open(const std::string& path,
                                                 const device::HidOpenFlags& flags) override;
    bool IsPresent(const std::string& path) override;
    bool AnnouncesChanges() const override;

    struct State;

private:
    std::shared_ptr<State> state_;
};

// Keeps an emulated bus installed as the process's HID back end; the destructor restores the
// hidraw back end.
class EmulatorInstallation {
public:
    explicit EmulatorInstallation(std::shared_ptr<EmulatedBus> bus);
    ~EmulatorInstallation();
    EmulatorInstallation(const EmulatorInstallation&) = delete;
    EmulatorInstallation& operator=(const EmulatorInstallation&) = delete;
    EmulatedBus& Bus() const { return *bus_; }

private:
    std::shared_ptr<EmulatedBus> bus_;
};

// One call for `zk412v --emulate` and tests: builds a bus with the chosen devices and installs it.
std::unique_ptr<EmulatorInstallation> InstallEmulatedBus(const EmulatorOptions& options = {});

} // namespace zk::emulator
