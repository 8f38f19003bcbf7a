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

// The device's answers of one input: the bytes they are cut from, how far
// they were read and the requests not answered yet.
struct Script {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    int pending = 0;
};

// A configuration interface whose input reports come from the fuzz input.
class ScriptedConnection : public device::IHidConnection {
public:
    explicit ScriptedConnection(Script& script) : s_(script) {}
    device::HidPollTarget ReadTarget() const override { return {}; }
    device::HidPollTarget WriteTarget() const override { return {}; }
    // One report answers each request; nothing is waiting before a write.
    ssize_t TryRead(uint8_t* buffer, size_t length) override {
        if (s_.pos >= s_.size)
            return device::kHidGone;
        if (s_.pending == 0)
            return device::kHidWouldBlock;
        --s_.pending;
        // One length byte, then that many bytes (cut to what is left).
        const size_t lengthByte = s_.data[s_.pos++];
        const size_t want = std::min<size_t>(lengthByte % 80 + 1, s_.size - s_.pos);
        const size_t n = std::min(want, length);
        std::copy(s_.data + s_.pos, s_.data + s_.pos + n, buffer);
        s_.pos += want;
        return n == 0 ? device::kHidGone : static_cast<ssize_t>(n);
    }
    ssize_t TryWrite(const uint8_t*, size_t length) override {
        ++s_.pending;
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
    Script& s_;
};

class ScriptedBackend : public device::IHidBackend {
public:
    Script script;
    bool Enumerate(std::vector<device::HidInterfaceInfo>& interfaces) override {
        interfaces.clear();
        return true;
    }
    std::unique_ptr<device::IHidConnection> Open(const std::string&,
                                                 const device::HidOpenFlags&) override {
        return std::make_unique<ScriptedConnection>(script);
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
    // One channel for the process, open on the scripted device; each input
    // starts its script afresh.
    static protocol::DeviceChannel& channel = []() -> protocol::DeviceChannel& {
        auto* c = new protocol::DeviceChannel;
        c->hid.openForRead = c->hid.openForWrite = 1;
        c->hid.devicePath = "scripted";
        if (c->hid.Open() != 1)
            std::abort();
        // The scripted device needs no pause before Finish.
        c->finishPause = std::chrono::milliseconds(0);
        return *c;
    }();
    backend->script = Script{.data = data + 2, .size = size - 2};
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
