#pragma once

#include "emulator/Emulator.h"
#include "protocol/DeviceChannel.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace zktest {

// An emulated bus with one device of the chosen kind, and a channel opened on
// its configuration interface and marked connected.
class ChannelOnEmulator : public ::testing::Test {
protected:
    void OpenOn(zk::emulator::DeviceKind kind) {
        zk::emulator::EmulatorOptions options;
        options.mouse = kind == zk::emulator::DeviceKind::Mouse;
        options.keyboard = kind == zk::emulator::DeviceKind::Keyboard;
        options.mousepad = kind == zk::emulator::DeviceKind::Mousepad;
        installation_ = zk::emulator::InstallEmulatedBus(options);
        device_ = installation_->Bus().Find(kind);
        ASSERT_NE(device_, nullptr);
        channel_ = std::make_unique<zk::protocol::DeviceChannel>();
        channel_->SetIdentity(device_->VendorId(), device_->ProductId(), zk::emulator::kConfigUsage,
                              zk::emulator::kConfigUsagePage);
        channel_->hid.openForRead = 1;
        channel_->hid.openForWrite = 1;
        channel_->hid.openOverlapped = 1;
        channel_->hid.devicePath = device_->ConfigPath();
        ASSERT_EQ(channel_->hid.Open(), 1);
        channel_->connected = 1;
    }

    void SetUp() override { OpenOn(zk::emulator::DeviceKind::Mouse); }
    void TearDown() override {
        channel_.reset();
        installation_.reset();
    }

    // Requests of one command from the device's log, in order.
    std::vector<zk::emulator::LoggedRequest> RequestsOf(zk::protocol::Command command) const {
        std::vector<zk::emulator::LoggedRequest> out;
        for (const auto& r : device_->RequestLog())
            if (r.frame[3] == static_cast<uint8_t>(command))
                out.push_back(r);
        return out;
    }

    // Fills an area with a pattern that differs at every address and from
    // whatever the factory state holds.
    std::vector<uint8_t> Pattern(zk::emulator::MemoryArea area, uint8_t seed) {
        std::vector<uint8_t> bytes = device_->Memory(area);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>((i * 7 + seed + (i >> 8) * 13) & 0xFF);
        device_->SetMemory(area, 0, bytes);
        return bytes;
    }

    std::unique_ptr<zk::emulator::EmulatorInstallation> installation_;
    zk::emulator::EmulatedDevice* device_ = nullptr;
    std::unique_ptr<zk::protocol::DeviceChannel> channel_;
};

inline uint16_t AddressOf(const zk::emulator::Frame& f) {
    return static_cast<uint16_t>(f[5] | (f[6] << 8));
}

} // namespace zktest
