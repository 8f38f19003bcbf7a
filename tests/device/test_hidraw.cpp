// The hidraw back end's enumeration, identity and presence test on a prepared sysfs tree.
#include "device/HidDevice.h"
#include "device/HidrawBackend.h"
#include "support/RefusedNode.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zk::device;
namespace fs = std::filesystem;

namespace {

const std::vector<uint8_t> kConfig = {0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04,
                                      0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x3F,
                                      0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};
// A mouse collection and a consumer collection on one interface.
const std::vector<uint8_t> kMouseAndConsumer = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01,
    0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05,
    0x81, 0x01, 0xC0, 0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x19, 0x00, 0x2A, 0xFF,
    0x07, 0x15, 0x00, 0x26, 0xFF, 0x07, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0};

// Builds class/hidraw/<node> -> devices/<hid parent>/hidraw/<node> as the kernel lays it out.
class FakeSysfs {
public:
    void AddNode(const std::string& node, const std::string& parent, const std::string& hidId,
                 const std::vector<uint8_t>& descriptor) {
        zktest::AddSysfsHidrawNode(dir_.path(), node, parent, hidId, descriptor);
    }
    void Remove(const std::string& node) { fs::remove(dir_.path() / "class" / "hidraw" / node); }
    std::string Root() const { return dir_.str(); }

private:
    zktest::TempDir dir_;
};

} // namespace

TEST(HidrawIdentity, HidIdAndPaths) {
    uint32_t bus = 0;
    uint16_t vid = 0, pid = 0;
    ASSERT_TRUE(ParseHidId("0003:0000260D:00001138", bus, vid, pid));
    EXPECT_EQ(bus, 3u);
    EXPECT_EQ(vid, 0x260D);
    EXPECT_EQ(pid, 0x1138);
    EXPECT_FALSE(ParseHidId("", bus, vid, pid));
    EXPECT_FALSE(ParseHidId("0003:260D", bus, vid, pid));
    EXPECT_FALSE(ParseHidId("0003:0000260D:00001138x", bus, vid, pid));

    std::string node;
    int index = -1;
    ASSERT_TRUE(SplitHidrawPath("/dev/hidraw3", node, index));
    EXPECT_EQ(node, "/dev/hidraw3");
    EXPECT_EQ(index, 0);
    ASSERT_TRUE(SplitHidrawPath("/dev/hidraw3#2", node, index));
    EXPECT_EQ(node, "/dev/hidraw3");
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(SplitHidrawPath("/dev/hidraw3#", node, index));
    EXPECT_FALSE(SplitHidrawPath("/dev/hidraw3#x", node, index));
    EXPECT_FALSE(SplitHidrawPath("#1", node, index));
    EXPECT_FALSE(SplitHidrawPath("", node, index));
}

TEST(HidrawEnumeration, OneEntryPerCollectionInNodeOrder) {
    FakeSysfs sys;
    sys.AddNode("hidraw10", "0003:0C45:5004.000C", "0003:00000C45:00005004", kConfig);
    sys.AddNode("hidraw2", "0003:260D:1138.0003", "0003:0000260D:00001138", kMouseAndConsumer);
    sys.AddNode("hidraw1", "0003:260D:1138.0002", "0003:0000260D:00001138", kConfig);
    sys.AddNode("hidraw3", "0005:046D:B010.0004", "0005:0000046D:0000B010", {0xA1}); // broken
    HidrawBackend backend(SysfsHidrawLister(sys.Root(), "/dev"));

    std::vector<HidInterfaceInfo> list;
    ASSERT_TRUE(backend.Enumerate(list));
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].path, "/dev/hidraw1");
    EXPECT_EQ(list[0].usagePage, 0xFF1C);
    EXPECT_EQ(list[0].usage, 0x92);
    EXPECT_EQ(list[1].path, "/dev/hidraw2");
    EXPECT_EQ(list[1].usagePage, 0x01);
    EXPECT_EQ(list[1].usage, 0x02);
    EXPECT_EQ(list[2].path, "/dev/hidraw2#1");
    EXPECT_EQ(list[2].usagePage, 0x0C);
    EXPECT_EQ(list[2].usage, 0x01);
    EXPECT_EQ(list[2].vendorId, 0x260D);
    EXPECT_EQ(list[2].productId, 0x1138);
    EXPECT_EQ(list[2].busType, 3u);
    // A node whose descriptor cannot be read is still listed, with its vendor and product.
    EXPECT_EQ(list[3].path, "/dev/hidraw3");
    EXPECT_EQ(list[3].vendorId, 0x046D);
    EXPECT_EQ(list[3].busType, 5u);
    EXPECT_EQ(list[3].usagePage, 0);
    EXPECT_EQ(list[4].path, "/dev/hidraw10");
    EXPECT_EQ(list[4].productId, 0x5004);
}

TEST(HidrawEnumeration, PresenceFollowsThePluggedInDevice) {
    FakeSysfs sys;
    sys.AddNode("hidraw1", "0003:260D:1138.0002", "0003:0000260D:00001138", kConfig);
    HidrawBackend backend(SysfsHidrawLister(sys.Root(), "/dev"));
    std::vector<HidInterfaceInfo> list;
    ASSERT_TRUE(backend.Enumerate(list));
    EXPECT_TRUE(backend.IsPresent("/dev/hidraw1"));
    EXPECT_FALSE(backend.IsPresent("/dev/hidraw7"));

    // Unplugged and plugged in again: the node number comes back, the HID parent is new.
    sys.Remove("hidraw1");
    EXPECT_FALSE(backend.IsPresent("/dev/hidraw1"));
    sys.AddNode("hidraw1", "0003:260D:1138.0009", "0003:0000260D:00001138", kConfig);
    EXPECT_FALSE(backend.IsPresent("/dev/hidraw1"));
    ASSERT_TRUE(backend.Enumerate(list));
    EXPECT_TRUE(backend.IsPresent("/dev/hidraw1"));
}

// Scans of an unchanged device folder reuse the last listing; a node that comes, goes or gets
// other rights there is seen by the next scan, and by the presence test at once.
TEST(HidrawEnumeration, KeptListingFollowsTheDeviceFolder) {
    zktest::FakeHidrawTree tree;
    int listings = 0;
    HidrawBackend backend(
        [&, lister = SysfsHidrawLister(tree.SysRoot(), tree.DevRoot())](auto& nodes) {
            ++listings;
            return lister(nodes);
        },
        tree.DevRoot());
    std::vector<HidInterfaceInfo> list;
    ASSERT_TRUE(backend.Enumerate(list));
    ASSERT_TRUE(backend.Enumerate(list));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(listings, 1);

    tree.AddNode("hidraw1", "0003:260D:1138.0002", "0003:0000260D:00001138", kConfig, false);
    ASSERT_TRUE(backend.Enumerate(list));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(listings, 2);
    const std::string node = tree.DevNode("hidraw1");
    EXPECT_TRUE(backend.IsPresent(node));
    const int afterPresence = listings;
    EXPECT_TRUE(backend.IsPresent(node));
    ASSERT_TRUE(backend.Enumerate(list));
    EXPECT_EQ(listings, afterPresence);

    fs::permissions(node, fs::perms::owner_read); // udev applying its rule
    ASSERT_TRUE(backend.Enumerate(list));
    EXPECT_EQ(listings, afterPresence + 1);

    // Unplugged: the node goes from the folder and from sysfs.
    fs::remove(node);
    fs::remove(fs::path(tree.SysRoot()) / "class" / "hidraw" / "hidraw1");
    EXPECT_FALSE(backend.IsPresent(node));
    ASSERT_TRUE(backend.Enumerate(list));
    EXPECT_TRUE(list.empty());
}

TEST(HidrawEnumeration, MissingTreeFailsAndUnopenableNodesGiveNothing) {
    zktest::TempDir empty;
    HidrawBackend backend(SysfsHidrawLister((empty.path() / "nothing").string(), "/dev"));
    std::vector<HidInterfaceInfo> list;
    EXPECT_FALSE(backend.Enumerate(list));
    EXPECT_EQ(backend.Open((empty.path() / "hidraw0").string(), HidOpenFlags{}), nullptr);
    EXPECT_EQ(backend.Open("/dev/hidraw0#x", HidOpenFlags{}), nullptr);

    // The libudev lister works on this machine whether or not it has HID devices, and its
    // lookup finds each listed node again with the same parent.
    std::vector<HidrawNode> nodes;
    EXPECT_TRUE(ListHidrawNodesUdev(nodes));
    for (const auto& n : nodes) {
        EXPECT_EQ(n.devnode.rfind("/dev/", 0), 0u);
        HidrawNode again;
        ASSERT_TRUE(FindHidrawNodeUdev(n.devnode, again));
        EXPECT_EQ(again.hidSyspath, n.hidSyspath);
    }
    HidrawNode none;
    EXPECT_FALSE(FindHidrawNodeUdev("/dev/hidraw9999", none));
    EXPECT_FALSE(FindHidrawNodeUdev("/dev/null", none));
}
