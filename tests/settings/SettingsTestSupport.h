#pragma once

#include "emulator/Emulator.h"
#include "protocol/DeviceChannel.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace zktest {

// An emulated bus with the mouse, the keyboard and the mousepad, and one
// channel per device opened on its configuration interface.
class DevicesOnEmulator : public ::testing::Test {
protected:
    void SetUp() override {
        installation_ = zk::emulator::InstallEmulatedBus({});
        mouse_ = Open(*installation_->Bus().Mouse(), mouseChannel_);
        keyboard_ = Open(*installation_->Bus().Keyboard(), keyboardChannel_);
        mousepad_ = Open(*installation_->Bus().Mousepad(), mousepadChannel_);
    }
    void TearDown() override {
        mouseChannel_.hid.Close();
        keyboardChannel_.hid.Close();
        mousepadChannel_.hid.Close();
        installation_.reset();
    }

    static zk::emulator::EmulatedDevice* Open(zk::emulator::EmulatedDevice& device,
                                              zk::protocol::DeviceChannel& channel) {
        channel.SetIdentity(device.VendorId(), device.ProductId(), zk::emulator::kConfigUsage,
                            zk::emulator::kConfigUsagePage);
        channel.hid.openForRead = 1;
        channel.hid.openForWrite = 1;
        channel.hid.openOverlapped = 1;
        channel.hid.devicePath = device.ConfigPath();
        EXPECT_EQ(channel.hid.Open(), 1);
        channel.connected = 1;
        device.ClearRequestLog();
        return &device;
    }

    static std::vector<zk::emulator::LoggedRequest> Of(const zk::emulator::EmulatedDevice& device,
                                                       zk::protocol::Command command) {
        std::vector<zk::emulator::LoggedRequest> out;
        for (const auto& r : device.RequestLog())
            if (r.frame[3] == static_cast<uint8_t>(command))
                out.push_back(r);
        return out;
    }

    // Fills an area with bytes that differ from address to address.
    static std::vector<uint8_t> Pattern(zk::emulator::EmulatedDevice& device,
                                        zk::emulator::MemoryArea area, uint8_t seed) {
        std::vector<uint8_t> bytes = device.Memory(area);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>((i * 11 + seed) & 0xFF);
        device.SetMemory(area, 0, bytes);
        return bytes;
    }

    std::unique_ptr<zk::emulator::EmulatorInstallation> installation_;
    zk::protocol::DeviceChannel mouseChannel_, keyboardChannel_, mousepadChannel_;
    zk::emulator::EmulatedDevice* mouse_ = nullptr;
    zk::emulator::EmulatedDevice* keyboard_ = nullptr;
    zk::emulator::EmulatedDevice* mousepad_ = nullptr;
};

} // namespace zktest
