// The emulated devices seen through CHidDevice, as the program sees real ones: bus listing,
// every command of the configuration interface, the test controls, and notifications.
#include "device/HidDevice.h"
#include "emulator/Emulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace zk::emulator;
using zk::device::CHidDevice;
using Clock = std::chrono::steady_clock;

namespace {

long MsSince(Clock::time_point t) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

struct Reply {
    int read = 0; // nonzero when a response arrived
    Frame frame{};
    uint8_t Status() const { return frame[7]; }
    bool Accepted() const { return read != 0 && frame[7] != 0xFF && frame[7] != 0xFE; }
};

// Request frames as the host builds them: report ID 4, checksum of bytes 3..63 in bytes 1-2.
Frame Request(uint8_t command, uint8_t length, uint16_t address,
              const std::vector<uint8_t>& data = {}) {
    Frame f{};
    f[0] = 0x04;
    f[3] = command;
    f[4] = length;
    f[5] = static_cast<uint8_t>(address & 0xFF);
    f[6] = static_cast<uint8_t>(address >> 8);
    for (size_t i = 0; i < data.size() && i < 56; ++i)
        f[8 + i] = data[i];
    unsigned sum = 0;
    for (size_t i = 3; i < 64; ++i)
        sum += f[i];
    f[1] = static_cast<uint8_t>(sum & 0xFF);
    f[2] = static_cast<uint8_t>((sum >> 8) & 0xFF);
    return f;
}

class Link {
public:
    explicit Link(const std::string& path, bool write = true) {
        dev.openForRead = 1;
        dev.openForWrite = write ? 1 : 0;
        dev.openOverlapped = 1;
        dev.devicePath = path;
        opened = dev.Open();
    }
    Reply Send(const Frame& request, uint32_t timeoutMs = 300) {
        Reply r;
        if (!dev.WriteReport(request.data()))
            return r;
        uint32_t got = 0;
        r.read = dev.ReadReport(r.frame.data(), 64, &got, timeoutMs);
        return r;
    }
    Reply Command(uint8_t command, uint8_t length, uint16_t address,
                  const std::vector<uint8_t>& data = {}) {
        return Send(Request(command, length, address, data));
    }
    // Chunked transfer of `total` bytes from base address `base`, 56 bytes per frame.
    bool Chunked(uint8_t command, uint16_t base, std::vector<uint8_t>& bytes, bool write) {
        for (size_t k = 0; k < bytes.size(); k += 56) {
            const size_t n = std::min<size_t>(56, bytes.size() - k);
            std::vector<uint8_t> chunk;
            if (write)
                chunk.assign(bytes.begin() + static_cast<long>(k),
                             bytes.begin() + static_cast<long>(k + n));
            const Reply r =
                Command(command, static_cast<uint8_t>(n), static_cast<uint16_t>(base + k), chunk);
            if (!r.Accepted())
                return false;
            if (!write)
                std::copy_n(r.frame.begin() + 8, n, bytes.begin() + static_cast<long>(k));
        }
        return true;
    }
    CHidDevice dev;
    int opened = 0;
};

// Reads notification reports until one carries a usage; returns it (0 when none came).
uint16_t NextCode(CHidDevice& ntf) {
    uint8_t buf[64];
    for (int i = 0; i < 4; ++i) {
        uint32_t got = 0;
        if (!ntf.ReadReport(buf, ntf.caps.inputReportByteLength, &got, 500))
            return 0;
        ntf.UnpackInputReport(buf, got, ntf.input.items.data(), ntf.input.itemCount);
        if (ntf.input.itemCount > 0 && ntf.input.items[0].button.usages[0] != 0)
            return ntf.input.items[0].button.usages[0];
    }
    return 0;
}

class EmulatorTest : public ::testing::Test {
protected:
    void SetUp() override { install = InstallEmulatedBus(); }
    EmulatedBus& Bus() { return install->Bus(); }
    std::unique_ptr<EmulatorInstallation> install;
};

} // namespace

TEST(EmulatorBus, ListsEveryInterfaceWithItsIdentity) {
    EmulatorOptions options;
    options.mouseProductId = kMouseProductIdAlt;
    options.keyboardProductId = kKeyboardProductIdAlt;
    options.otherInterfaces = 2;
    auto install = InstallEmulatedBus(options);
    CHidDevice dev;
    ASSERT_EQ(dev.EnumeratePaths(), 1);
    ASSERT_EQ(dev.pathCount, 2u + 2u + 2u + 1u);

    struct Want {
        uint16_t vid, pid, page, usage, inLen, outLen;
    };
    const Want want[] = {{0x260D, 0x1099, 0xFF1C, 0x92, 64, 64},
                         {0x260D, 0x1099, 0x0C, 0x01, 3, 0},
                         {0x0C45, 0x0800, 0xFF1C, 0x92, 64, 64},
                         {0x0C45, 0x0800, 0x0C, 0x01, 3, 0},
                         {0x0C45, 0x5004, 0xFF1C, 0x92, 64, 64}};
    for (uint32_t i = 0; i < dev.pathCount; ++i) {
        SCOPED_TRACE(dev.pathList[i]);
        CHidDevice one;
        one.openForRead = 1;
        one.devicePath = dev.pathList[i];
        ASSERT_EQ(one.Open(), 1);
        // What the listing says is what the opened interface's own descriptor says.
        EXPECT_EQ(one.caps.usagePage, dev.pathInfo[i].usagePage);
        EXPECT_EQ(one.caps.usage, dev.pathInfo[i].usage);
        EXPECT_EQ(one.attributes.vendorId, dev.pathInfo[i].vendorId);
        if (i < 2) {
            EXPECT_NE(one.attributes.vendorId, 0x260D); // other devices come first
            continue;
        }
        const Want& w = want[i - 2];
        EXPECT_EQ(one.attributes.vendorId, w.vid);
        EXPECT_EQ(one.attributes.productId, w.pid);
        EXPECT_EQ(one.caps.usagePage, w.page);
        EXPECT_EQ(one.caps.usage, w.usage);
        EXPECT_EQ(one.caps.inputReportByteLength, w.inLen);
        EXPECT_EQ(one.caps.outputReportByteLength, w.outLen);
        EXPECT_TRUE(CHidDevice::IsPresent(dev.pathList[i]));
    }
    install->Bus().SetEnumerationFails(true);
    EXPECT_EQ(dev.EnumeratePaths(), 0);
}

TEST_F(EmulatorTest, FactoryStateAndCapabilities) {
    Link mouse(Bus().Mouse()->ConfigPath());
    ASSERT_EQ(mouse.opened, 1);
    EXPECT_TRUE(mouse.Command(0x01, 0, 0).Accepted());
    const Reply caps = mouse.Command(0x03, 0x21, 0);
    ASSERT_TRUE(caps.Accepted());
    const uint8_t* c = caps.frame.data() + 8;
    const uint8_t capacity = c[6];
    const unsigned base = c[13] | (c[14] << 8);
    EXPECT_GT(capacity, 0);
    EXPECT_GT(c[12], 0);
    EXPECT_EQ(Bus().Mouse()->Memory(MemoryArea::Macros).size(), capacity * 128u);

    // Six stages from 400 DPI up to several thousand, distinct colours, 1000 Hz.
    const Reply rec = mouse.Command(0x05, 56, 0);
    ASSERT_TRUE(rec.Accepted());
    const uint8_t* r = rec.frame.data() + 8;
    auto dpi = [&](uint8_t v) { return v < 49 ? v * 100u + base : (v - 24u) * 200u + base; };
    const uint8_t levels[6] = {r[15], r[16], r[17], r[18], r[20], r[21]};
    EXPECT_EQ(dpi(levels[0]), 400u);
    for (int i = 1; i < 6; ++i)
        EXPECT_GT(dpi(levels[i]), dpi(levels[i - 1]));
    EXPECT_GE(dpi(levels[5]), 3000u);
    for (int i = 0; i < 6; ++i)
        for (int j = i + 1; j < 6; ++j)
            EXPECT_NE(std::vector<uint8_t>(r + 23 + 3 * i, r + 26 + 3 * i),
                      std::vector<uint8_t>(r + 23 + 3 * j, r + 26 + 3 * j));
    EXPECT_EQ(r[14], 3);
    EXPECT_LT(r[19], 6);
    EXPECT_LE(r[1], 6);
    EXPECT_TRUE(mouse.Command(0x02, 0, 0).Accepted());

    Link kbd(Bus().Keyboard()->ConfigPath());
    const Reply kcaps = kbd.Command(0x03, 0x21, 0);
    ASSERT_TRUE(kcaps.Accepted());
    EXPECT_EQ(kcaps.frame[8 + 5], 126);
}

TEST_F(EmulatorTest, DefaultBlockHoldsTheFactoryButtonTable) {
    Link mouse(Bus().Mouse()->ConfigPath());
    std::vector<uint8_t> table(512, 0xEE);
    ASSERT_TRUE(mouse.Chunked(0x07, 0, table, false));
    const std::vector<uint8_t> first = {0x10, 0x01, 0x00, 0x10, 0x04, 0x00, 0x10, 0x02, 0x00,
                                        0x10, 0x10, 0x00, 0x10, 0x08, 0x00, 0x13, 0x03, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(table.begin(), table.begin() + 18), first);
    for (size_t i = 18; i < 510; ++i)
        ASSERT_EQ(table[i], 0x05) << i;
    EXPECT_EQ(table[510], 0);
    EXPECT_EQ(table[511], 0);
    EXPECT_EQ(mouse.dev.ReadReport(table.data(), 64, nullptr, 10), 0) << "one response per frame";
    EXPECT_EQ(Bus().Mouse()->RequestCount(), 10u); // nine of 56 bytes and one of 8
}

TEST_F(EmulatorTest, SettingsAreaReadAndWrite) {
    EmulatedDevice& pad = *Bus().Mousepad();
    Link link(pad.ConfigPath());
    std::vector<uint8_t> rec(56);
    for (size_t i = 0; i < rec.size(); ++i)
        rec[i] = static_cast<uint8_t>(i * 3 + 1);
    ASSERT_TRUE(link.Command(0x06, 56, 3 * 64, rec).Accepted());
    const Reply back = link.Command(0x05, 56, 3 * 64);
    ASSERT_TRUE(back.Accepted());
    EXPECT_EQ(std::vector<uint8_t>(back.frame.begin() + 8, back.frame.end()), rec);
    const auto mem = pad.Memory(MemoryArea::Settings);
    EXPECT_EQ(std::vector<uint8_t>(mem.begin() + 192, mem.begin() + 248), rec);

    // The current profile number is the byte at address 0.
    ASSERT_TRUE(link.Command(0x06, 1, 0, {3}).Accepted());
    EXPECT_EQ(pad.CurrentProfile(), 3);
    EXPECT_EQ(link.Command(0x05, 1, 0).frame[8], 3);

    // A zero-length write changes nothing; reads and writes past the area are refused.
    const auto kept = pad.Memory(MemoryArea::Settings);
    EXPECT_TRUE(link.Command(0x06, 0, 0).Accepted());
    EXPECT_EQ(link.Command(0x05, 56, 300).Status(), 0xFF);
    EXPECT_EQ(link.Command(0x06, 56, 300, rec).Status(), 0xFF);
    EXPECT_EQ(link.Command(0x06, 57, 0, rec).Status(), 0xFF);
    EXPECT_EQ(pad.Memory(MemoryArea::Settings), kept);
}

TEST_F(EmulatorTest, ButtonAreaIsAddressedByProfileTimes126) {
    EmulatedDevice& mouse = *Bus().Mouse();
    Link link(mouse.ConfigPath());
    const auto before = mouse.Memory(MemoryArea::Buttons);
    std::vector<uint8_t> table(512);
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<uint8_t>(0x80 ^ i);
    ASSERT_TRUE(link.Chunked(0x09, 1 * 126, table, true));
    const auto after = mouse.Memory(MemoryArea::Buttons);
    EXPECT_EQ(std::vector<uint8_t>(after.begin(), after.begin() + 126),
              std::vector<uint8_t>(before.begin(), before.begin() + 126));
    EXPECT_EQ(std::vector<uint8_t>(after.begin() + 126, after.begin() + 638), table);
    const auto log = mouse.RequestLog();
    ASSERT_EQ(log.size(), 10u);
    EXPECT_EQ(log.front().frame[5], 0x7E);
    EXPECT_EQ(log.back().frame[5], 0x76);
    EXPECT_EQ(log.back().frame[6], 0x02);
    EXPECT_EQ(log.back().frame[4], 8);

    std::vector<uint8_t> readBack(512);
    ASSERT_TRUE(link.Chunked(0x08, 126, readBack, false));
    EXPECT_EQ(readBack, table);
    // Profile 4 is the last whole block; nothing reaches past the area.
    std::vector<uint8_t> last(512);
    EXPECT_TRUE(link.Chunked(0x08, 4 * 126, last, false));
    EXPECT_EQ(link.Command(0x08, 56, 4 * 126 + 512 - 55).Status(), 0xFF);
}

TEST_F(EmulatorTest, MacroAreaHoldsItsCapacityAndNoMore) {
    EmulatedDevice& mouse = *Bus().Mouse();
    Link link(mouse.ConfigPath());
    const size_t size = mouse.Memory(MemoryArea::Capabilities)[6] * 128u;
    const std::vector<uint8_t> tail(56, 0x5A);
    EXPECT_TRUE(link.Command(0x15, 56, static_cast<uint16_t>(size - 56), tail).Accepted());
    EXPECT_EQ(link.Command(0x15, 56, static_cast<uint16_t>(size - 55), tail).Status(), 0xFF);
    EXPECT_EQ(link.Command(0x15, 1, static_cast<uint16_t>(size), {1}).Status(), 0xFF);
    const auto macros = mouse.Memory(MemoryArea::Macros);
    ASSERT_EQ(macros.size(), size);
    EXPECT_EQ(std::vector<uint8_t>(macros.end() - 56, macros.end()), tail);
    EXPECT_EQ(macros[size - 57], 0);

    // A device with room for two macro units: 256 bytes and not one more.
    mouse.SetMacroCapacity(2);
    EXPECT_EQ(link.Command(0x03, 0x21, 0).frame[8 + 6], 2);
    std::vector<uint8_t> block(256, 0x11);
    EXPECT_TRUE(link.Chunked(0x15, 0, block, true));
    EXPECT_EQ(link.Command(0x15, 1, 256, {1}).Status(), 0xFF);
    EXPECT_EQ(mouse.Memory(MemoryArea::Macros), block);
}

TEST_F(EmulatorTest, RefusesBadChecksumsAndUnknownCommands) {
    EmulatedDevice& mouse = *Bus().Mouse();
    Link link(mouse.ConfigPath());
    const auto before = mouse.Memory(MemoryArea::Settings);
    Frame bad = Request(0x06, 1, 14, {0});
    bad[1] ^= 0x01;
    EXPECT_EQ(link.Send(bad).Status(), 0xFF);
    EXPECT_EQ(mouse.Memory(MemoryArea::Settings), before);
    EXPECT_EQ(link.Command(0x04, 0, 0).Status(), 0xFF);
    const auto log = mouse.RequestLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log[0].checksumOk);
    EXPECT_TRUE(log[1].checksumOk);
    EXPECT_EQ(log[1].frame[3], 0x04);
}

TEST_F(EmulatorTest, InjectedStatusHitsTheChosenChunk) {
    EmulatedDevice& mouse = *Bus().Mouse();
    Link link(mouse.ConfigPath());
    mouse.InjectStatus(0x08, 0xFE, 2, 1);
    std::vector<Reply> replies;
    for (uint16_t k = 0; k < 4; ++k)
        replies.push_back(link.Command(0x08, 56, k * 56));
    EXPECT_TRUE(replies[0].Accepted());
    EXPECT_TRUE(replies[1].Accepted());
    EXPECT_EQ(replies[2].Status(), 0xFE);
    EXPECT_TRUE(replies[3].Accepted());
    // A refused write changes nothing.
    mouse.InjectStatus(0x06, 0xFF);
    EXPECT_EQ(link.Command(0x06, 1, 14, {0}).Status(), 0xFF);
    EXPECT_EQ(mouse.Memory(MemoryArea::Settings)[14], 3);
    EXPECT_TRUE(link.Command(0x06, 1, 14, {0}).Accepted());
    EXPECT_EQ(mouse.Memory(MemoryArea::Settings)[14], 0);
}

TEST_F(EmulatorTest, DroppedAndLateResponses) {
    EmulatedDevice& mouse = *Bus().Mouse();
    Link link(mouse.ConfigPath());
    mouse.DropResponses(1);
    EXPECT_EQ(link.Command(0x01, 0, 0).read, 0);
    EXPECT_TRUE(link.Command(0x01, 0, 0).Accepted());

    // Answered after 400 ms: the 300 ms read gives up, the request is sent again, and the late
    // answer is the one that the next read takes.
    mouse.DelayResponses(1, std::chrono::milliseconds(400));
    const auto t0 = Clock::now();
    EXPECT_EQ(link.Command(0x05, 1, 14).read, 0);
    const Reply second = link.Command(0x05, 1, 14);
    EXPECT_TRUE(second.Accepted());
    EXPECT_GE(MsSince(t0), 390);
    EXPECT_EQ(second.frame[8], 3);
    // The repeated request reaches the log after the late answer went out.
    EXPECT_TRUE(mouse.WaitForRequests(4, std::chrono::milliseconds(1000)));
    EXPECT_EQ(mouse.RequestCount(), 4u);
}

TEST_F(EmulatorTest, DeviceThatStopsReadingTimesWritesOut) {
    EmulatedDevice& mouse = *Bus().Mouse();
    Link link(mouse.ConfigPath());
    mouse.SetStopReading(true);
    const Frame f = Request(0x01, 0, 0);
    const auto t0 = Clock::now();
    EXPECT_EQ(link.dev.WriteReport(f.data()), 0);
    const long waited = MsSince(t0);
    EXPECT_GE(waited, 990);
    EXPECT_LT(waited, 1600);
    mouse.SetStopReading(false);
    EXPECT_TRUE(link.Send(f).Accepted());
}

TEST_F(EmulatorTest, UnplugEndsConnectionsAndReplugBringsTheDeviceBack) {
    EmulatedDevice& mouse = *Bus().Mouse();
    Link link(mouse.ConfigPath());
    Link ntf(mouse.NotifyPath(), false);
    ASSERT_TRUE(link.Command(0x06, 1, 14, {1}).Accepted());

    std::atomic<int> waitingRead{-1};
    std::thread reader([&] {
        uint8_t buf[64];
        uint32_t got = 0;
        waitingRead = ntf.dev.ReadReport(buf, 64, &got, 5000);
    });
    while (ntf.dev.reading == 0)
        std::this_thread::yield();
    const auto t0 = Clock::now();
    mouse.Unplug();
    reader.join();
    EXPECT_EQ(waitingRead, 0);
    EXPECT_LT(MsSince(t0), 1000);
    EXPECT_EQ(link.Command(0x01, 0, 0).read, 0);
    EXPECT_FALSE(CHidDevice::IsPresent(mouse.ConfigPath()));
    EXPECT_FALSE(Link(mouse.ConfigPath()).opened);
    CHidDevice scan;
    ASSERT_EQ(scan.EnumeratePaths(), 1);
    for (const auto& p : scan.pathList)
        EXPECT_NE(p, mouse.ConfigPath());
    EXPECT_FALSE(mouse.SendNotification(kNotifyReactive));

    mouse.Replug();
    EXPECT_TRUE(CHidDevice::IsPresent(mouse.ConfigPath()));
    Link again(mouse.ConfigPath());
    ASSERT_EQ(again.opened, 1);
    const Reply r = again.Command(0x05, 1, 14);
    ASSERT_TRUE(r.Accepted());
    EXPECT_EQ(r.frame[8], 1); // memory survives the unplug
}

TEST_F(EmulatorTest, OnDeviceActionsChangeMemoryAndAnnounceIt) {
    EmulatedDevice& mouse = *Bus().Mouse();
    Link ntf(mouse.NotifyPath(), false);
    ASSERT_EQ(ntf.opened, 1);
    const auto before = mouse.Memory(MemoryArea::Settings);

    mouse.PressDpiButton();
    EXPECT_EQ(NextCode(ntf.dev), kNotifySettingsChanged);
    EXPECT_EQ(mouse.Memory(MemoryArea::Settings)[19], (before[19] + 1) % 6);

    mouse.PressLightKey();
    EXPECT_EQ(NextCode(ntf.dev), kNotifySettingsChanged);
    EXPECT_NE(mouse.Memory(MemoryArea::Settings)[1], before[1]);

    mouse.PressProfileKey();
    EXPECT_EQ(NextCode(ntf.dev), kNotifyProfileChanged);
    EXPECT_EQ(mouse.CurrentProfile(), 1);
    // The DPI button now steps the stage of profile 1.
    const uint8_t stage1 = mouse.Memory(MemoryArea::Settings)[64 + 19];
    mouse.PressDpiButton();
    EXPECT_EQ(NextCode(ntf.dev), kNotifySettingsChanged);
    EXPECT_EQ(mouse.Memory(MemoryArea::Settings)[64 + 19], (stage1 + 1) % 6);

    mouse.ReactiveEvent();
    EXPECT_EQ(NextCode(ntf.dev), kNotifyReactive);

    // The keyboard announces on its own interface; the mousepad has none.
    Link kntf(Bus().Keyboard()->NotifyPath(), false);
    Bus().Keyboard()->PressLightKey();
    EXPECT_EQ(NextCode(kntf.dev), kNotifySettingsChanged);
    EXPECT_TRUE(Bus().Mousepad()->NotifyPath().empty());
    EXPECT_FALSE(Bus().Mousepad()->SendNotification(kNotifyReactive));
}

TEST_F(EmulatorTest, ResponseDelayPacesTheFrames) {
    EmulatedDevice& mouse = *Bus().Mouse();
    Link link(mouse.ConfigPath());
    mouse.SetResponseDelay(std::chrono::milliseconds(8));
    const auto t0 = Clock::now();
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(link.Command(0x01, 0, 0).Accepted());
    EXPECT_GE(MsSince(t0), 80);
    const auto log = mouse.RequestLog();
    ASSERT_EQ(log.size(), 10u);
    EXPECT_GE(log.back().time - log.front().time, std::chrono::milliseconds(72));
    // Each answer leaves its delay after its request arrived, and is logged.
    for (const auto& request : log) {
        EXPECT_GE(request.answered - request.time, std::chrono::milliseconds(8));
        EXPECT_LT(request.answered - request.time, std::chrono::milliseconds(200));
    }
}

TEST_F(EmulatorTest, ControlsAreSafeWhileTrafficRuns) {
    EmulatedDevice& mouse = *Bus().Mouse();
    std::atomic<bool> stop{false};
    std::atomic<int> accepted{0};
    std::thread host([&] {
        Link link(mouse.ConfigPath());
        while (!stop)
            if (link.Command(0x05, 56, 0).Accepted())
                ++accepted;
    });
    std::thread listener([&] {
        Link ntf(mouse.NotifyPath(), false);
        while (!stop)
            NextCode(ntf.dev);
    });
    for (int i = 0; i < 30; ++i) {
        mouse.PressDpiButton();
        mouse.SetResponseDelay(std::chrono::microseconds(200 * (i % 3)));
        mouse.SetMemory(MemoryArea::Settings, 2, {static_cast<uint8_t>(i)});
        (void)mouse.Memory(MemoryArea::Settings);
        (void)mouse.RequestLog();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_TRUE(mouse.WaitForRequests(5, std::chrono::seconds(2)));
    stop = true;
    host.join();
    listener.join();
    EXPECT_GT(accepted.load(), 0);
}
