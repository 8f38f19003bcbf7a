// CHidDevice over the hidraw connection code, on real descriptor pairs (SEQPACKET sockets keep
// report boundaries as hidraw nodes do): enumeration, open, time-outs, cancel, unpacking.
#include "device/HidDevice.h"
#include "device/HidrawBackend.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace zk::device;
using Clock = std::chrono::steady_clock;

namespace {

long MsSince(Clock::time_point t) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

struct WriteRun {
    int accepted = 0;  // writes taken before the first refused one
    long lastWait = 0; // ms the last write took
};

// Writes `frame` until a write is refused, at most 1000 times.
WriteRun WriteUntilRefused(CHidDevice& dev, const uint8_t* frame) {
    WriteRun run;
    while (run.accepted < 1000) {
        const auto t0 = Clock::now();
        const int r = dev.WriteReport(frame);
        run.lastWait = MsSince(t0);
        if (r == 0)
            break;
        ++run.accepted;
    }
    return run;
}

// Vendor page collection with 64-byte input and output reports of ID 4, and a consumer
// collection with a one-usage array of ID 3.
const std::vector<uint8_t> kTwoCollections = {
    0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04, 0x15, 0x00, 0x26, 0xFF,
    0x00, 0x75, 0x08, 0x95, 0x3F, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02,
    0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x15, 0x00, 0x26, 0xFF,
    0x07, 0x19, 0x00, 0x2A, 0xFF, 0x07, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0};

// A back end whose interfaces are socket pairs; the test holds the device ends.
class PairBackend : public IHidBackend {
public:
    struct Entry {
        HidInterfaceInfo info;
        std::vector<uint8_t> descriptor;
        int collection = 0;
        bool openable = true;
        WriteMode mode = WriteMode::Auto;
    };
    std::vector<Entry> entries;
    std::map<std::string, int> deviceEnds; // last device end per path
    bool failEnumeration = false;

    ~PairBackend() override {
        for (auto& [p, fd] : deviceEnds)
            ::close(fd);
    }
    void Add(const std::string& path, uint16_t vid, uint16_t pid,
             std::vector<uint8_t> descriptor = kTwoCollections, int collection = 0) {
        Entry e;
        e.info.path = path;
        e.info.vendorId = vid;
        e.info.productId = pid;
        e.descriptor = std::move(descriptor);
        e.collection = collection;
        entries.push_back(std::move(e));
    }
    bool Enumerate(std::vector<HidInterfaceInfo>& out) override {
        out.clear();
        if (failEnumeration)
            return false;
        for (const auto& e : entries)
            out.push_back(e.info);
        return true;
    }
    std::unique_ptr<IHidConnection> Open(const std::string& path, const HidOpenFlags&) override {
        for (const auto& e : entries) {
            if (e.info.path != path || !e.openable)
                continue;
            int sv[2];
            if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sv) < 0)
                return nullptr;
            auto it = deviceEnds.find(path);
            if (it != deviceEnds.end())
                ::close(it->second);
            deviceEnds[path] = sv[1];
            return std::make_unique<HidrawConnection>(
                sv[0], e.collection, HiddAttributes{e.info.vendorId, e.info.productId, 1},
                e.descriptor, e.mode);
        }
        return nullptr;
    }
    bool IsPresent(const std::string& path) override {
        for (const auto& e : entries)
            if (e.info.path == path)
                return true;
        return false;
    }
};

class HidDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend = std::make_shared<PairBackend>();
        InstallHidBackend(backend);
    }
    void TearDown() override { InstallHidBackend(nullptr); }

    // Opens `path` read/write, shared.
    int OpenPath(CHidDevice& dev, const std::string& path) {
        dev.openForRead = dev.openForWrite = dev.openOverlapped = 1;
        dev.devicePath = path;
        return dev.Open();
    }
    void DeviceSends(const std::string& path, std::vector<uint8_t> report) {
        ASSERT_EQ(::send(backend->deviceEnds.at(path), report.data(), report.size(), 0),
                  static_cast<ssize_t>(report.size()));
    }

    std::shared_ptr<PairBackend> backend;
};

} // namespace

TEST_F(HidDeviceTest, EnumeratesEveryInterfaceInOrder) {
    for (int i = 0; i < 20; ++i)
        backend->Add("if" + std::to_string(i), static_cast<uint16_t>(0x1000 + i), 1);
    CHidDevice dev;
    ASSERT_EQ(dev.EnumeratePaths(), 1);
    ASSERT_EQ(dev.pathCount, 20u);
    ASSERT_EQ(dev.pathList.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(dev.pathList[i], "if" + std::to_string(i));
        EXPECT_EQ(dev.pathInfo[i].vendorId, 0x1000 + i);
    }
    // A failed listing leaves no stale paths behind.
    backend->failEnumeration = true;
    EXPECT_EQ(dev.EnumeratePaths(), 0);
    EXPECT_EQ(dev.pathCount, 0u);
    EXPECT_TRUE(dev.pathList.empty());
}

TEST_F(HidDeviceTest, OpenLearnsIdentityAndBuildsItems) {
    backend->Add("cfg", 0x260D, 0x1138, kTwoCollections, 0);
    backend->Add("ntf", 0x260D, 0x1138, kTwoCollections, 1);
    CHidDevice cfg, ntf;
    ASSERT_EQ(OpenPath(cfg, "cfg"), 1);
    EXPECT_EQ(cfg.attributes.vendorId, 0x260D);
    EXPECT_EQ(cfg.attributes.productId, 0x1138);
    EXPECT_EQ(cfg.caps.usagePage, 0xFF1C);
    EXPECT_EQ(cfg.caps.usage, 0x0092);
    EXPECT_EQ(cfg.caps.inputReportByteLength, 64);
    EXPECT_EQ(cfg.caps.outputReportByteLength, 64);
    EXPECT_EQ(cfg.input.reportBuffer.size(), 64u);
    // One value capability of 63 fields and one usage: one item.
    ASSERT_EQ(cfg.input.itemCount, 1u);
    EXPECT_FALSE(cfg.input.items[0].isButton);
    EXPECT_EQ(cfg.input.items[0].reportId, 4u);

    ASSERT_EQ(OpenPath(ntf, "ntf"), 1);
    EXPECT_EQ(ntf.caps.usagePage, 0x000C);
    EXPECT_EQ(ntf.caps.usage, 0x0001);
    EXPECT_EQ(ntf.caps.inputReportByteLength, 3);
    ASSERT_EQ(ntf.input.itemCount, 1u);
    const HidItem& item = ntf.input.items[0];
    EXPECT_TRUE(item.isButton);
    EXPECT_EQ(item.button.usageMin, 0u);
    EXPECT_EQ(item.button.usageMax, 0x7FFu);
    EXPECT_EQ(item.button.maxUsages, 1u);
    EXPECT_EQ(item.button.usages.size(), 1u);

    // Opening an open device closes it first; a path that cannot be opened leaves it closed.
    ASSERT_EQ(OpenPath(ntf, "cfg"), 1);
    EXPECT_EQ(ntf.caps.usagePage, 0xFF1C);
    EXPECT_EQ(OpenPath(ntf, "missing"), 0);
    EXPECT_FALSE(ntf.IsOpen());
    EXPECT_EQ(ntf.caps.usagePage, 0);
    EXPECT_EQ(ntf.input.itemCount, 0u);
}

TEST_F(HidDeviceTest, UnusableDescriptorFailsTheOpen) {
    backend->Add("bad", 1, 2, {0x05, 0x01, 0xA1, 0x01}); // collection never ended
    backend->Add("wrongIndex", 1, 2, kTwoCollections, 5);
    CHidDevice dev;
    EXPECT_EQ(OpenPath(dev, "bad"), 0);
    EXPECT_EQ(OpenPath(dev, "wrongIndex"), 0);
    EXPECT_FALSE(dev.IsOpen());
}

TEST_F(HidDeviceTest, ReadTimesOutCleanlyAndTheNextReadTakesTheNextReport) {
    backend->Add("cfg", 0x260D, 0x1138);
    CHidDevice dev;
    ASSERT_EQ(OpenPath(dev, "cfg"), 1);
    uint8_t buf[64] = {};
    uint32_t got = 99;
    auto t0 = Clock::now();
    EXPECT_EQ(dev.ReadReport(buf, 64, &got, 80), 0);
    const long waited = MsSince(t0);
    EXPECT_GE(waited, 75);
    EXPECT_LT(waited, 500);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(dev.reading, 0u);

    std::vector<uint8_t> report(64, 0);
    report[0] = 4;
    report[7] = 0x01;
    report[8] = 0xAB;
    DeviceSends("cfg", report);
    EXPECT_NE(dev.ReadReport(buf, 64, &got, 300), 0);
    EXPECT_EQ(got, 64u);
    EXPECT_EQ(buf[8], 0xAB);
    // Nothing was left over from either read.
    EXPECT_EQ(dev.ReadReport(buf, 64, &got, 20), 0);
    EXPECT_EQ(got, 0u);
}

TEST_F(HidDeviceTest, WriteSendsExactly64BytesAndTimesOutWhenTheDeviceStopsReading) {
    backend->Add("cfg", 0x260D, 0x1138);
    CHidDevice dev;
    ASSERT_EQ(OpenPath(dev, "cfg"), 1);
    uint8_t frame[64] = {4, 0x3F, 0, 0x07, 0x38};
    ASSERT_NE(dev.WriteReport(frame), 0);
    uint8_t seen[128] = {};
    const int end = backend->deviceEnds.at("cfg");
    ASSERT_EQ(::recv(end, seen, sizeof seen, 0), 64);
    EXPECT_EQ(0, std::memcmp(seen, frame, 64));

    // The device end never reads again: the queue fills, then a write waits 1000 ms and fails.
    const auto [accepted, lastWait] = WriteUntilRefused(dev, frame);
    EXPECT_LT(accepted, 1000);
    EXPECT_GE(lastWait, 990);
    EXPECT_LT(lastWait, 1600);
    EXPECT_EQ(dev.writing, 0u);
}

TEST_F(HidDeviceTest, BlockingWritesRunInTheBackgroundAndCanBeGivenUp) {
    backend->Add("cfg", 0x260D, 0x1138);
    backend->entries.back().mode = WriteMode::Background;
    CHidDevice dev;
    ASSERT_EQ(OpenPath(dev, "cfg"), 1);
    uint8_t frame[64] = {4, 1, 0, 1};
    const auto [accepted, lastWait] = WriteUntilRefused(dev, frame);
    ASSERT_GT(accepted, 0);
    ASSERT_LT(accepted, 1000);
    EXPECT_GE(lastWait, 990);
    EXPECT_LT(lastWait, 1600);

    // A write that waits behind the stuck one ends at once when another thread closes.
    int result = -1;
    std::thread writer([&] { result = dev.WriteReport(frame); });
    while (dev.writing == 0)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto t0 = Clock::now();
    dev.Close();
    writer.join();
    EXPECT_EQ(result, 0);
    EXPECT_LT(MsSince(t0), 500);

    // The writer keeps the descriptor until its write returns: once the device reads again the
    // given-up report goes out, and then the descriptor is closed.
    const int end = backend->deviceEnds.at("cfg");
    int received = 0;
    for (;;) {
        pollfd p{end, POLLIN, 0};
        uint8_t seen[64];
        if (::poll(&p, 1, 2000) <= 0 || ::recv(end, seen, sizeof seen, 0) <= 0)
            break;
        ++received;
    }
    EXPECT_EQ(received, accepted + 1);
}

TEST_F(HidDeviceTest, CloseOrOpenFromAnotherThreadEndsAWaitingReadAtOnce) {
    backend->Add("cfg", 0x260D, 0x1138);
    for (int reopen = 0; reopen < 2; ++reopen) {
        CHidDevice dev;
        ASSERT_EQ(OpenPath(dev, "cfg"), 1);
        int result = -1;
        long waited = 0;
        std::thread reader([&] {
            uint8_t buf[64];
            uint32_t got = 0;
            const auto t0 = Clock::now();
            result = dev.ReadReport(buf, 64, &got, 5000);
            waited = MsSince(t0);
        });
        while (dev.reading == 0)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (reopen)
            EXPECT_EQ(dev.Open(), 1);
        else
            dev.Close();
        reader.join();
        EXPECT_EQ(result, 0);
        EXPECT_LT(waited, 1000);
        // After a re-open the device works normally; the cancel did not linger.
        if (reopen) {
            uint8_t buf[64];
            uint32_t got = 0;
            DeviceSends("cfg", std::vector<uint8_t>(64, 4));
            EXPECT_NE(dev.ReadReport(buf, 64, &got, 300), 0);
        }
    }
}

TEST_F(HidDeviceTest, UnpluggedDeviceFailsAtOnce) {
    backend->Add("cfg", 0x260D, 0x1138);
    CHidDevice dev;
    ASSERT_EQ(OpenPath(dev, "cfg"), 1);
    ::close(backend->deviceEnds.at("cfg"));
    backend->deviceEnds.erase("cfg");
    uint8_t buf[64] = {4};
    uint32_t got = 0;
    const auto t0 = Clock::now();
    EXPECT_EQ(dev.ReadReport(buf, 64, &got, 2000), 0);
    EXPECT_EQ(dev.WriteReport(buf), 0);
    EXPECT_LT(MsSince(t0), 500);
}

TEST_F(HidDeviceTest, ReaderOfOneCollectionSkipsReportsOfTheOther) {
    backend->Add("ntf", 0x260D, 0x1138, kTwoCollections, 1);
    CHidDevice dev;
    ASSERT_EQ(OpenPath(dev, "ntf"), 1);
    DeviceSends("ntf", std::vector<uint8_t>(64, 4)); // configuration report: not ours
    DeviceSends("ntf", {3, 0x01, 0x04});
    uint8_t buf[64];
    uint32_t got = 0;
    ASSERT_NE(dev.ReadReport(buf, 64, &got, 300), 0);
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(buf[0], 3);
}

TEST_F(HidDeviceTest, ReportsWithoutIdsGainTheZeroIdByte) {
    // A boot mouse: three buttons and X/Y, no report IDs.
    const std::vector<uint8_t> mouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00,
                                        0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01,
                                        0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05,
                                        0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81,
                                        0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};
    backend->Add("mouse", 0x046D, 0xC077, mouse);
    CHidDevice dev;
    ASSERT_EQ(OpenPath(dev, "mouse"), 1);
    EXPECT_EQ(dev.caps.inputReportByteLength, 4);
    DeviceSends("mouse", {0x02, 0xFB, 0x07}); // right button, X -5, Y 7
    uint8_t buf[8] = {0xEE};
    uint32_t got = 0;
    ASSERT_NE(dev.ReadReport(buf, 8, &got, 300), 0);
    ASSERT_EQ(got, 4u);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[1], 0x02);
    dev.UnpackInputReport(buf, got, dev.input.items.data(), dev.input.itemCount);
    ASSERT_EQ(dev.input.itemCount, 3u); // buttons, then Y and X
    EXPECT_EQ(dev.input.items[0].button.usages[0], 2);
    EXPECT_EQ(dev.input.items[1].value.usage, 0x31);
    EXPECT_EQ(dev.input.items[1].value.scaledValue, 7);
    EXPECT_EQ(dev.input.items[2].value.scaledValue, -5);
}

TEST_F(HidDeviceTest, UnpackFillsMatchingItemsOnly) {
    backend->Add("ntf", 0x260D, 0x1138, kTwoCollections, 1);
    backend->Add("cfg", 0x260D, 0x1138, kTwoCollections, 0);
    CHidDevice ntf, cfg;
    ASSERT_EQ(OpenPath(ntf, "ntf"), 1);
    ASSERT_EQ(OpenPath(cfg, "cfg"), 1);
    HidItem* items = ntf.input.items.data();
    const uint32_t count = ntf.input.itemCount;

    const uint8_t press[3] = {3, 0x02, 0x04};
    EXPECT_EQ(ntf.UnpackInputReport(press, 3, items, count) & 0xFF, 1u);
    EXPECT_TRUE(items[0].isSet);
    EXPECT_EQ(items[0].status, kHidpStatusSuccess);
    EXPECT_EQ(items[0].button.usages[0], 0x402);

    // A report whose first byte matches no item changes nothing.
    items[0].isSet = 0;
    const uint8_t other[3] = {9, 0x03, 0x04};
    ntf.UnpackInputReport(other, 3, items, count);
    EXPECT_FALSE(items[0].isSet);
    EXPECT_EQ(items[0].button.usages[0], 0x402);

    // A release: no usage on, the list ends at once.
    const uint8_t release[3] = {3, 0, 0};
    ntf.UnpackInputReport(release, 3, items, count);
    EXPECT_EQ(items[0].button.usages[0], 0);

    // Value items: raw and scaled values of the first byte of the 63 data bytes.
    std::vector<uint8_t> response(64, 0);
    response[0] = 4;
    response[1] = 0xC8;
    EXPECT_EQ(
        cfg.UnpackInputReport(response.data(), 64, cfg.input.items.data(), cfg.input.itemCount) &
            0xFF,
        1u);
    EXPECT_EQ(cfg.input.items[0].value.value, 0xC8u);
    EXPECT_EQ(cfg.input.items[0].value.scaledValue, 0xC8);
    // A value that cannot be read (the report is too short) stops with the low byte cleared.
    const uint32_t st =
        cfg.UnpackInputReport(response.data(), 1, cfg.input.items.data(), cfg.input.itemCount);
    EXPECT_EQ(st, kHidpStatusInvalidReportLength & ~0xFFu);
}

TEST_F(HidDeviceTest, ClosedDeviceDoesNothing) {
    CHidDevice dev;
    uint8_t buf[64] = {};
    uint32_t got = 7;
    const auto t0 = Clock::now();
    EXPECT_EQ(dev.ReadReport(buf, 64, &got, 1000), 0);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(dev.WriteReport(buf), 0);
    EXPECT_LT(MsSince(t0), 100);
    dev.Close();
    dev.Destroy();
    EXPECT_EQ(dev.pathCount, 0u);
}
