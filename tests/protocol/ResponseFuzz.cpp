// Arbitrary device responses through every command of the channel: the first
// input byte picks the command and its arguments, the rest is handed out as
// the device's input reports (any length, any status). A command must return
// one of its result codes and never touch memory outside the caller's buffer.

#include "emulator/Emulator.h"
#include "protocol/DeviceChannel.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace zk;

// A configuration interface whose input reports come from the fuzz input.
class ScriptedConnection : public device::IHidConnection {
public:
    ScriptedConnection(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    device::HidPollTarget ReadTarget() const override { return {}; }
    device::HidPollTarget WriteTarget() const override { return {}; }
    // One report answers each request; nothing is waiting before a write.
    ssize_t TryRead(uint8_t* buffer, size_t length) override {
        if (pos_ >= size_)
            return device::kHidGone;
        if (pending_ == 0)
            return device::kHidWouldBlock;
        --pending_;
        // One length byte, then that many bytes (cut to what is left).
        const size_t lengthByte = data_[pos_++];
        const size_t want = std::min<size_t>(lengthByte % 80 + 1, size_ - pos_);
        const size_t n = std::min(want, length);
        std::copy(data_ + pos_, data_ + pos_ + n, buffer);
        pos_ += want;
        return n == 0 ? device::kHidGone : static_cast<ssize_t>(n);
    }
    ssize_t TryWrite(const uint8_t*, size_t length) override {
        ++pending_;
        return static_cast<ssize_t>(length);
    }
    bool GetAttributes(device::HiddAttributes& attributes) override {
        attributes.vendorId = emulator::kMouseVendorId;
        attributes.productId = emulator::kMouseProductId;
        return true;
    }
    bool GetReportDescriptor(std::vector<uint8_t>& descriptor) override {
        descriptor = emulator::EmulatedDevice::ConfigDescriptor();
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    int pending_ = 0;
};

class ScriptedBackend : public device::IHidBackend {
public:
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool Enumerate(std::vector<device::HidInterfaceInfo>& interfaces) override {
        interfaces.clear();
        return true;
    }
    std::unique_ptr<device::IHidConnection> Open(const std::string&,
                                                 const device::HidOpenFlags&) override {
        return std::make_unique<ScriptedConnection>(data, size);
    }
    bool IsPresent(const std::string&) override { return true; }
};

bool KnownResult(int32_t r) {
    return r == protocol::kResultOk || r == protocol::kResultNone ||
           r == protocol::kResultWriteFailed || r == protocol::kResultRefused ||
           r == protocol::kResultFailed || r == protocol::kResultOutOfRange;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    static const auto backend = [] {
        auto b = std::make_shared<ScriptedBackend>();
        device::InstallHidBackend(b);
        return b;
    }();
    backend->data = data + 2;
    backend->size = size - 2;

    protocol::DeviceChannel channel;
    channel.hid.openForRead = channel.hid.openForWrite = 1;
    channel.hid.devicePath = "scripted";
    if (channel.hid.Open() != 1)
        std::abort();
    channel.connected = 1;
    channel.blockLength = static_cast<uint16_t>((data[1] * 3) % 600);

    // The caller's buffer sits between two guard areas that must stay intact.
    constexpr size_t kGuard = 64;
    const size_t span = data[1] % 2 ? 512 : 600;
    std::vector<uint8_t> memory(kGuard + span + kGuard, 0xA5);
    std::span<uint8_t> buffer(memory.data() + kGuard, span);

    int32_t r = 0;
    switch (data[0] % 9) {
    case 0:
        r = channel.CmdStart();
        break;
    case 1:
        r = channel.CmdReadCapabilities(buffer.first(33 + data[1] % 2));
        break;
    case 2:
        r = channel.CmdReadData(buffer.first(56), static_cast<uint8_t>(data[1] % 70), data[1]);
        break;
    case 3:
        r = channel.CmdWriteData(buffer.first(56), static_cast<uint8_t>(data[1] % 70), 0);
        break;
    case 4:
        r = channel.CmdReadDefaultBlock(buffer);
        break;
    case 5:
        r = channel.CmdReadProfileBlock(buffer, data[1] % 7);
        break;
    case 6:
        r = channel.CmdWriteProfileBlock(buffer, data[1] % 7);
        break;
    case 7:
        r = channel.CmdWriteMacroArea(buffer, data[1] * 3u);
        break;
    default:
        r = channel.CmdFinish();
        break;
    }
    if (!KnownResult(r))
        std::abort();
    for (size_t i = 0; i < kGuard; ++i)
        if (memory[i] != 0xA5 || memory[kGuard + span + i] != 0xA5)
            std::abort();
    return 0;
}
