#include "SettingsTestSupport.h"

#include "settings/SettingsTransfer.h"

#include <algorithm>
#include <cstring>
#include <string>

using namespace zk::settings;
using zk::emulator::MemoryArea;
using zk::protocol::Command;

namespace {

class Transfer : public zktest::DevicesOnEmulator {
protected:
    TransferSaves CountingSaves() {
        TransferSaves saves;
        saves.saveMouseDeviceProfile = [this] { log += "msdev "; };
        saves.saveMouseLightProfile = [this] { log += "mslight "; };
        saves.saveKeyboardDeviceProfile = [this] { log += "kbdev "; };
        saves.saveKeyboardKeyProfile = [this] { log += "kbkey "; };
        saves.saveMousepadLightProfile = [this] { log += "mplight "; };
        saves.showMessage = [this](std::string_view key) { log += std::string(key) + " "; };
        return saves;
    }
    template <typename T> static std::vector<uint8_t> Copy(const T& record) {
        const auto b = BytesOf(record);
        return {b.begin(), b.end()};
    }

    std::string log;
    std::unique_ptr<MouseSettingsImage> mouse = std::make_unique<MouseSettingsImage>();
    std::unique_ptr<KeyboardImage> keyboard = std::make_unique<KeyboardImage>();
    std::unique_ptr<MousepadImage> mousepad = std::make_unique<MousepadImage>();
};

TEST_F(Transfer, ReadMouseAllSends63FramesAndFillsTheImage) {
    const auto buttons = Pattern(*mouse_, MemoryArea::Buttons, 3);
    const auto defaults = Pattern(*mouse_, MemoryArea::Defaults, 9);
    const auto caps = mouse_->Memory(MemoryArea::Capabilities);
    // Tables the device does not have keep what they held.
    mouse->buttonTables[7].Bytes()[0] = 0xAB;
    auto profile = mouse->ProfileBytes(0);
    for (size_t i = 0; i < 64; ++i)
        profile[i] = static_cast<uint8_t>(100 + i);

    ReadMouseAll(mouseChannel_, *mouse, CountingSaves());

    const auto frames = mouse_->RequestLog();
    ASSERT_EQ(frames.size(), 63u);
    EXPECT_EQ(frames.front().frame[3], static_cast<uint8_t>(Command::Start));
    EXPECT_EQ(frames[1].frame[3], static_cast<uint8_t>(Command::ReadCapabilities));
    EXPECT_EQ(frames.back().frame[3], static_cast<uint8_t>(Command::Finish));
    EXPECT_EQ(Of(*mouse_, Command::ReadDefaultBlock).size(), 10u);
    EXPECT_EQ(Of(*mouse_, Command::ReadProfileBlock).size(), 50u);

    EXPECT_EQ(Copy(mouse->capabilities), caps);
    EXPECT_TRUE(std::equal(defaults.begin(), defaults.begin() + 512,
                           mouse->defaultButtonTable.Bytes().begin()));
    for (int p = 0; p < 5; ++p) {
        EXPECT_TRUE(std::equal(buttons.begin() + p * 126, buttons.begin() + p * 126 + 512,
                               mouse->buttonTables[p].Bytes().begin()))
            << p;
    }
    EXPECT_EQ(mouse->buttonTables[7].Bytes()[0], 0xAB);
    // The live record comes from profile record 0 with byte 0 cleared.
    EXPECT_EQ(mouse->record.profileNumber, 0);
    for (size_t i = 1; i < 41; ++i)
        EXPECT_EQ(mouse->RecordBytes()[i], 100 + i);
    EXPECT_EQ(log, "msdev ");
}

TEST_F(Transfer, RereadMouseRecordTakesTheDeviceBytesIntoProfileRecordZero) {
    const auto settings = Pattern(*mouse_, MemoryArea::Settings, 1);
    mouse->record.profileNumber = 2; // the live record goes to profile record 2 first
    mouse->record.lightMode = 6;
    mouse->pointerSpeed = 7;
    mouse->wheelLines = 5;

    RereadMouseRecord(mouseChannel_, *mouse, {});
    EXPECT_EQ(mouse->profiles[2].settings.lightMode, 6);
    EXPECT_EQ(Of(*mouse_, Command::Start).size(), 0u);
    EXPECT_EQ(Of(*mouse_, Command::ReadData).size(), 2u);
    const auto profile = mouse->ProfileBytes(0);
    EXPECT_EQ(profile[0], 0);
    for (size_t i = 1; i < 56; ++i)
        EXPECT_EQ(profile[i], settings[i]) << i; // 41 to 55 included
    EXPECT_EQ(profile[56], 0);
    for (size_t i = 1; i < 41; ++i)
        EXPECT_EQ(mouse->RecordBytes()[i], settings[i]);
    EXPECT_EQ(mouse->record.profileNumber, 0);

    // The next save puts the pointer settings back; 43 to 55 stay the device's.
    mouse->StoreRecordIntoProfile();
    EXPECT_EQ(profile[41], 7);
    EXPECT_EQ(profile[42], 5);
    for (size_t i = 43; i < 56; ++i)
        EXPECT_EQ(profile[i], settings[i]) << i;

    RereadMouseRecord(mouseChannel_, *mouse, CountingSaves());
    EXPECT_EQ(log, "mslight msdev ");
}

TEST_F(Transfer, KeyboardWith126KeysReadsBlocksOf378Bytes) {
    const auto table = Pattern(*keyboard_, MemoryArea::Buttons, 4);
    const auto defaults = Pattern(*keyboard_, MemoryArea::Defaults, 8);
    std::fill(keyboard->keyTable.begin(), keyboard->keyTable.end(), 0xCC);
    keyboard->lightRecord.header.live.lightMode = 3;
    keyboard->live.profileNumber = 4;

    ASSERT_TRUE(ReadKeyboardAll(keyboardChannel_, *keyboard, CountingSaves()));
    EXPECT_EQ(keyboard->capabilities.keyCount, 126);
    EXPECT_EQ(keyboardChannel_.blockLength.load(), 378);
    for (Command c : {Command::ReadDefaultBlock, Command::ReadProfileBlock}) {
        const auto frames = Of(*keyboard_, c);
        ASSERT_EQ(frames.size(), 7u);
        for (size_t i = 0; i < 6; ++i)
            EXPECT_EQ(frames[i].frame[4], 56);
        EXPECT_EQ(frames[6].frame[4], 42);
    }
    EXPECT_TRUE(std::equal(table.begin(), table.begin() + 378, keyboard->keyTable.begin()));
    EXPECT_TRUE(
        std::equal(defaults.begin(), defaults.begin() + 378, keyboard->defaultKeyTable.begin()));
    EXPECT_EQ(keyboard->live.lightMode, 3);
    EXPECT_EQ(keyboard->live.profileNumber, 0);
    EXPECT_EQ(log, "kbkey kbdev ");
    EXPECT_EQ(keyboard_->RequestLog().back().frame[3], static_cast<uint8_t>(Command::Finish));
}

TEST_F(Transfer, KeyboardWithMoreThan170KeysStopsWithAMessage) {
    keyboard_->SetMemory(MemoryArea::Capabilities, 5, {171});
    keyboardChannel_.blockLength = 300;
    EXPECT_FALSE(ReadKeyboardAll(keyboardChannel_, *keyboard, CountingSaves()));
    EXPECT_EQ(log, "message_text_11 ");
    EXPECT_EQ(keyboardChannel_.blockLength.load(), 300);
    EXPECT_EQ(keyboard_->RequestCount(), 2u); // start, capabilities; no finish

    // 170 keys fill 510 bytes: accepted.
    log.clear();
    keyboard_->SetMemory(MemoryArea::Capabilities, 5, {170});
    EXPECT_TRUE(ReadKeyboardAll(keyboardChannel_, *keyboard, CountingSaves()));
    EXPECT_EQ(keyboardChannel_.blockLength.load(), 510);
}

TEST_F(Transfer, RereadKeyboardLightKeepsTheLiveStateInItsHeader) {
    const auto settings = Pattern(*keyboard_, MemoryArea::Settings, 2);
    keyboard->live.profileNumber = 2;
    keyboard->live.lightMode = 5;
    RereadKeyboardLight(keyboardChannel_, *keyboard, CountingSaves());
    EXPECT_EQ(keyboard->otherHeaders[2].live.lightMode, 5);
    const auto header = keyboard->HeaderBytes(0);
    EXPECT_EQ(header[0], 0);
    for (size_t i = 1; i < 56; ++i)
        EXPECT_EQ(header[i], settings[i]) << i;
    for (size_t i = 1; i < 21; ++i)
        EXPECT_EQ(keyboard->LiveBytes()[i], settings[i]) << i;
    EXPECT_EQ(keyboard->live.profileNumber, 0);
    EXPECT_EQ(log, "kbdev ");
}

TEST_F(Transfer, MousepadLiveStateComesFromTheCurrentProfile) {
    const auto settings = Pattern(*mousepad_, MemoryArea::Settings, 6);
    mousepad_->SetMemory(MemoryArea::Settings, 0, {3});
    ReadMousepadAll(mousepadChannel_, *mousepad, CountingSaves());

    for (size_t p = 1; p < 5; ++p) {
        for (size_t i = 0; i < 56; ++i)
            ASSERT_EQ(mousepad->RecordBytes(p)[i], settings[p * 64 + i]) << p << ":" << i;
        EXPECT_EQ(mousepad->RecordBytes(p)[56], 0);
    }
    EXPECT_EQ(mousepad->RecordBytes(0)[0], 3);
    EXPECT_EQ(mousepad->live.profileNumber, 3);
    for (size_t i = 1; i < 21; ++i)
        EXPECT_EQ(mousepad->LiveBytes()[i], settings[3 * 64 + i]) << i;
    EXPECT_EQ(log, "mplight ");
    EXPECT_EQ(mousepad_->RequestCount(), 1u + 1u + 5u + 1u + 1u);

    // A profile number the device cannot have leaves the live state alone.
    const auto live = Copy(mousepad->live);
    mousepad_->SetMemory(MemoryArea::Settings, 0, {9});
    ReadMousepadAll(mousepadChannel_, *mousepad, {});
    EXPECT_EQ(Copy(mousepad->live), live);
}

TEST_F(Transfer, DisconnectedChannelsSendNothingAndLeaveTheImages) {
    mouseChannel_.connected = 0;
    keyboardChannel_.connected = 0;
    mousepadChannel_.connected = 0;
    // Consistent images, as a profile load leaves them.
    auto profile = mouse->ProfileBytes(0);
    for (size_t i = 1; i < 64; ++i)
        profile[i] = static_cast<uint8_t>(i * 3);
    mouse->LoadProfileRecord(profile);
    for (auto& table : mouse->buttonTables)
        std::fill(table.Bytes().begin(), table.Bytes().end(), 0x42);
    mouse->capabilities.dpiMaxLevel = 77;
    keyboard->lightRecord.header.live.lightMode = 2;
    keyboard->live.lightMode = 2;
    std::fill(keyboard->keyTable.begin(), keyboard->keyTable.end(), 0x21);
    keyboard->capabilities.keyCount = 100;
    mousepad->lightRecords[2].live.profileNumber = 2;
    mousepad->lightRecords[2].live.lightMode = 4;
    mousepad->live = mousepad->lightRecords[2].live;

    const auto mouseBefore = Copy(mouse->record);
    const auto tablesBefore = Copy(mouse->buttonTables);
    const auto defaultsBefore = Copy(mouse->defaultButtonTable);
    const auto profilesBefore = Copy(mouse->profiles);
    const auto keyboardBefore = Copy(keyboard->lightRecord);
    const auto keyTableBefore = keyboard->keyTable;
    const auto keyboardLive = Copy(keyboard->live);
    const auto padBefore = Copy(mousepad->lightRecords);
    const auto padLive = Copy(mousepad->live);

    ReadMouseAll(mouseChannel_, *mouse, CountingSaves());
    RereadMouseRecord(mouseChannel_, *mouse, CountingSaves());
    ReadKeyboardAll(keyboardChannel_, *keyboard, CountingSaves());
    RereadKeyboardLight(keyboardChannel_, *keyboard, CountingSaves());
    ReadMousepadAll(mousepadChannel_, *mousepad, CountingSaves());

    EXPECT_EQ(mouse_->RequestCount() + keyboard_->RequestCount() + mousepad_->RequestCount(), 0u);
    EXPECT_EQ(Copy(mouse->record), mouseBefore);
    EXPECT_EQ(Copy(mouse->buttonTables), tablesBefore);
    EXPECT_EQ(Copy(mouse->defaultButtonTable), defaultsBefore);
    EXPECT_EQ(Copy(mouse->profiles), profilesBefore);
    EXPECT_EQ(mouse->capabilities.dpiMaxLevel, 77);
    EXPECT_EQ(Copy(keyboard->lightRecord), keyboardBefore);
    EXPECT_EQ(keyboard->keyTable, keyTableBefore);
    EXPECT_EQ(Copy(keyboard->live), keyboardLive);
    EXPECT_EQ(Copy(mousepad->lightRecords), padBefore);
    EXPECT_EQ(Copy(mousepad->live), padLive);
    // The key count held decides the block length even without traffic.
    EXPECT_EQ(keyboardChannel_.blockLength.load(), 300);
    // The saves still run, so the files follow the images.
    EXPECT_EQ(log, "msdev mslight msdev kbkey kbdev kbdev mplight ");
}

} // namespace
