#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "emulator/Emulator.h"
#include "macros/MacroBlock.h"
#include "macros/MacroLibrary.h"
#include "macros/MacroUpload.h"
#include "protocol/DeviceChannel.h"
#include "support/TempDir.h"

using namespace zk::macros;
using zk::emulator::MemoryArea;

namespace {

struct Shown {
    std::string key;
    std::optional<int> argument;
};

// A mouse on an emulated bus, a channel opened on it, and a library folder.
class MacroUploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        zk::emulator::EmulatorOptions options;
        options.keyboard = false;
        options.mousepad = false;
        installation = zk::emulator::InstallEmulatedBus(options);
        mouse = installation->Bus().Mouse();
        ASSERT_NE(mouse, nullptr);
        channel = std::make_unique<zk::protocol::DeviceChannel>();
        channel->SetIdentity(mouse->VendorId(), mouse->ProductId(), zk::emulator::kConfigUsage,
                             zk::emulator::kConfigUsagePage);
        channel->hid.openForRead = 1;
        channel->hid.openForWrite = 1;
        channel->hid.openOverlapped = 1;
        channel->hid.devicePath = mouse->ConfigPath();
        ASSERT_EQ(channel->hid.Open(), 1);
        channel->connected = 1;
        mouse->ClearRequestLog();

        for (std::size_t i = 0; i < buttons.size(); ++i)
            buttons[i] = static_cast<std::uint8_t>(i * 3 + 1);
        seams.showMessage = [this](std::string_view key, std::optional<int> argument) {
            shown.push_back({std::string(key), argument});
        };
        seams.saveDeviceProfile = [this] { ++saves; };
    }

    int Upload(std::uint8_t capacity, int profile = 0) {
        return WriteButtonTableWithMacros(*channel, library, capacity, buttons, profile, seams);
    }

    // Command bytes of the logged requests, in order.
    std::vector<int> Commands() const {
        std::vector<int> out;
        for (const auto& r : mouse->RequestLog())
            out.push_back(r.frame[3]);
        return out;
    }

    static MacroAction Step(std::uint8_t delay, std::uint8_t type, std::uint8_t code) {
        MacroAction a;
        a.delayLow = delay;
        a.type = type;
        a.code = code;
        a.down = type >> 7;
        a.name = "keyboard_key_A";
        return a;
    }

    std::unique_ptr<zk::emulator::EmulatorInstallation> installation;
    zk::emulator::EmulatedDevice* mouse = nullptr;
    std::unique_ptr<zk::protocol::DeviceChannel> channel;
    zktest::TempDir dir;
    MacroLibrary library{dir.path(), kMouseIndexFile};
    std::array<std::uint8_t, 512> buttons{};
    MacroUploadSeams seams;
    std::vector<Shown> shown;
    int saves = 0;
};

std::vector<int> ButtonTableFrames() {
    return std::vector<int>(10, 0x09);
}

} // namespace

TEST_F(MacroUploadTest, MacrosThenButtonTableThenSave) {
    ASSERT_EQ(library.AppendName("a"), MacroError::None);
    ASSERT_EQ(library.AppendName("b"), MacroError::None);
    std::vector<MacroAction> steps;
    for (int i = 0; i < 12; ++i)
        steps.push_back(Step(static_cast<std::uint8_t>(i), 0x8A, static_cast<std::uint8_t>(4 + i)));
    ASSERT_EQ(library.WriteActions("a", steps), MacroError::None);
    ASSERT_EQ(library.WriteActions("b", {Step(9, 0x81, 1)}), MacroError::None);

    ASSERT_EQ(Upload(32), 1);
    // 16 + 12 + 4 × 13 = 80 bytes: two macro chunks.
    std::vector<int> expected = {0x01, 0x15, 0x15, 0x02, 0x01};
    for (int c : ButtonTableFrames())
        expected.push_back(c);
    expected.push_back(0x02);
    EXPECT_EQ(Commands(), expected);

    const auto block = BuildLibraryBlock(library, 32).block;
    ASSERT_EQ(block.size(), 80u);
    const auto memory = mouse->Memory(MemoryArea::Macros);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), memory.begin()));
    const auto area = mouse->Memory(MemoryArea::Buttons);
    EXPECT_TRUE(std::equal(buttons.begin(), buttons.end(), area.begin()));
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(shown.empty());
}

TEST_F(MacroUploadTest, EmptyLibraryWritesOnlyTheButtonTable) {
    ASSERT_EQ(Upload(32, 1), 1);
    std::vector<int> expected = {0x01};
    for (int c : ButtonTableFrames())
        expected.push_back(c);
    expected.push_back(0x02);
    EXPECT_EQ(Commands(), expected);
    const auto area = mouse->Memory(MemoryArea::Buttons);
    EXPECT_TRUE(std::equal(buttons.begin(), buttons.end(), area.begin() + 126));
    EXPECT_EQ(saves, 1);
}

TEST_F(MacroUploadTest, LibraryTooLargeSendsNothing) {
    ASSERT_EQ(library.AppendName("long"), MacroError::None);
    ASSERT_EQ(library.AppendName("nofile"), MacroError::None);
    // 16 + 12 + 4 × 59 = 264 bytes against 256: (264 − 256) div 4 + 1 = 3.
    ASSERT_EQ(library.WriteActions("long", std::vector<MacroAction>(59, Step(1, 0x8A, 4))),
              MacroError::None);
    EXPECT_EQ(Upload(2), 0);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(saves, 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].key, "message_text_16");
    EXPECT_EQ(shown[0].argument, 3);

    // 16 + 12 + 4 × 57 = 256 bytes fill the memory exactly.
    ASSERT_EQ(library.WriteActions("long", std::vector<MacroAction>(57, Step(1, 0x8A, 4))),
              MacroError::None);
    EXPECT_EQ(Upload(2), 1);
    EXPECT_EQ(shown.size(), 1u);
    const auto block = BuildLibraryBlock(library, 2).block;
    ASSERT_EQ(block.size(), 256u);
    const auto memory = mouse->Memory(MemoryArea::Macros);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), memory.begin()));
}

TEST_F(MacroUploadTest, DisconnectedChannelStillReportsTheRunAsDone) {
    channel->connected = 0;
    ASSERT_EQ(library.AppendName("a"), MacroError::None);
    EXPECT_EQ(Upload(32), 1);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(saves, 1);
}
