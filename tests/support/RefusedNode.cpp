#include "support/RefusedNode.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace zktest {

void AddSysfsHidrawNode(const fs::path& sys, const std::string& node, const std::string& parent,
                        const std::string& hidId, const std::vector<std::uint8_t>& descriptor) {
    const fs::path parentDir = sys / "devices" / parent;
    const fs::path nodeDir = parentDir / "hidraw" / node;
    fs::create_directories(nodeDir);
    std::ofstream(parentDir / "uevent")
        << "DRIVER=hid-generic\nHID_ID=" << hidId << "\nHID_NAME=test\n";
    std::ofstream(parentDir / "report_descriptor", std::ios::binary)
        .write(reinterpret_cast<const char*>(descriptor.data()),
               static_cast<std::streamsize>(descriptor.size()));
    std::ofstream(nodeDir / "uevent") << "MAJOR=240\nMINOR=0\nDEVNAME=" << node << "\n";
    fs::create_directory_symlink(fs::path("..") / "..", nodeDir / "device");
    fs::create_directories(sys / "class" / "hidraw");
    const fs::path link = sys / "class" / "hidraw" / node;
    fs::remove(link);
    fs::create_directory_symlink(nodeDir, link);
}

FakeHidrawTree::FakeHidrawTree() {
    fs::create_directories(dir_.path() / "sys" / "class" / "hidraw");
    fs::create_directories(dir_.path() / "dev");
}

std::string FakeHidrawTree::SysRoot() const {
    return (dir_.path() / "sys").string();
}

std::string FakeHidrawTree::DevRoot() const {
    return (dir_.path() / "dev").string();
}

void FakeHidrawTree::AddNode(const std::string& node, const std::string& parent,
                             const std::string& hidId, const std::vector<std::uint8_t>& descriptor,
                             bool refusesOpening) {
    AddSysfsHidrawNode(dir_.path() / "sys", node, parent, hidId, descriptor);
    const fs::path devNode = dir_.path() / "dev" / node;
    std::ofstream(devNode).put('\0');
    fs::permissions(devNode, refusesOpening ? fs::perms::none
                                            : fs::perms::owner_read | fs::perms::owner_write);
}

namespace {

bool Caps(bool set, __user_cap_data_struct (&data)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

constexpr std::uint32_t kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

} // namespace

FileModesApply::FileModesApply() {
    __user_cap_data_struct data[2]{};
    if (!Caps(false, data))
        return;
    saved_[0] = data[0].effective;
    if ((data[0].effective & kOverrides) != 0) {
        data[0].effective &= ~kOverrides;
        dropped_ = Caps(true, data);
        applies_ = dropped_;
    } else {
        applies_ = true;
    }
}

FileModesApply::~FileModesApply() {
    if (!dropped_)
        return;
    __user_cap_data_struct data[2]{};
    if (Caps(false, data)) {
        data[0].effective = saved_[0];
        Caps(true, data);
    }
}

} // namespace zktest
