#include "SettingsTestSupport.h"

#include "lighting/LightState.h"
#include "settings/SettingsFlush.h"

#include <atomic>
#include <thread>

using namespace zk::settings;
using zk::protocol::Command;

namespace {

TEST(MouseSettingsImage, StartsZeroedWithTheInitialDefaultButtonTable) {
    auto image = std::make_unique<MouseSettingsImage>();
    for (uint8_t b : image->RecordBytes())
        EXPECT_EQ(b, 0);
    const auto defaults = image->defaultButtonTable.Bytes();
    const uint8_t head[18] = {0x10, 0x01, 0, 0x10, 0x04, 0, 0x10, 0x02, 0,
                              0x10, 0x10, 0, 0x10, 0x08, 0, 0x13, 0x03, 0};
    for (size_t i = 0; i < 18; ++i)
        EXPECT_EQ(defaults[i], head[i]) << i;
    for (size_t i = 18; i < 510; ++i)
        ASSERT_EQ(defaults[i], 0x05) << i;
    EXPECT_EQ(defaults[510], 0);
    EXPECT_EQ(defaults[511], 0);
    EXPECT_EQ(image->buttonTables[26].Bytes()[0], 0);
}

TEST(MouseSettingsImage, DpiLevelEncodingAndClamping) {
    // Below index 49 a step is 100 DPI, from 49 on 200 DPI.
    EXPECT_EQ(DpiOfLevel(0, 100), 100);
    EXPECT_EQ(DpiOfLevel(48, 100), 4900);
    EXPECT_EQ(DpiOfLevel(49, 100), 5100);
    EXPECT_EQ(DpiOfLevel(50, 0), 5200);

    auto image = std::make_unique<MouseSettingsImage>();
    image->record.dpiLevel1 = 10;
    image->record.dpiLevel5 = 90;
    image->record.dpiLevel6 = 60;
    // No limit: nothing changes, nothing becomes pending.
    EXPECT_FALSE(ClampDpiStages(*image));
    EXPECT_FALSE(image->pending.load());
    EXPECT_EQ(image->record.dpiLevel5, 90);

    image->capabilities.dpiMaxLevel = 60;
    EXPECT_TRUE(ClampDpiStages(*image));
    EXPECT_TRUE(image->pending.load());
    EXPECT_EQ(image->record.dpiLevel1, 10);
    EXPECT_EQ(image->record.dpiLevel5, 60);
    EXPECT_EQ(image->record.dpiLevel6, 60);
    EXPECT_EQ(image->record.dpiStage, 0); // byte 19 sits between the stages, untouched

    image->capabilities.dpiBase[0] = 0x32;
    image->capabilities.dpiBase[1] = 0x01;
    EXPECT_EQ(image->capabilities.DpiBase(), 0x132);
}

TEST(MouseSettingsImage, ProfileSaveStepCarriesBytesAbove42) {
    auto image = std::make_unique<MouseSettingsImage>();
    auto profile = image->ProfileBytes(0);
    for (size_t i = 0; i < profile.size(); ++i)
        profile[i] = static_cast<uint8_t>(0x80 + i);
    image->record.lightMode = 5;
    image->pointerSpeed = 12;
    image->wheelLines = 255;
    image->StoreRecordIntoProfile();
    EXPECT_EQ(profile[1], 5);
    EXPECT_EQ(profile[41], 12);
    EXPECT_EQ(profile[42], 255);
    for (size_t i = 43; i < 64; ++i)
        EXPECT_EQ(profile[i], 0x80 + i);
}

TEST(LightLayouts, DecidedByTheLightMode) {
    EXPECT_FALSE(LayoutsForLightMode(1).rgbColourEditEnabled);
    EXPECT_FALSE(LayoutsForLightMode(1).sevenColourSelectEnabled.has_value());
    EXPECT_TRUE(LayoutsForLightMode(3).rgbColourEditEnabled);
    EXPECT_EQ(LayoutsForLightMode(3).sevenColourSelectEnabled, false);
    for (uint8_t mode : {0, 2, 4, 5, 6, 200}) {
        EXPECT_TRUE(LayoutsForLightMode(mode).rgbColourEditEnabled);
        EXPECT_EQ(LayoutsForLightMode(mode).sevenColourSelectEnabled, true);
    }
}

class Flush : public zktest::DevicesOnEmulator {
protected:
    FlushTargets Targets() {
        return FlushTargets{&keyboardChannel_, &mouseChannel_, &mousepadChannel_,
                            keyboard.get(),    mouse.get(),    mousepad.get()};
    }
    std::unique_ptr<MouseSettingsImage> mouse = std::make_unique<MouseSettingsImage>();
    std::unique_ptr<KeyboardImage> keyboard = std::make_unique<KeyboardImage>();
    std::unique_ptr<MousepadImage> mousepad = std::make_unique<MousepadImage>();
};

TEST_F(Flush, WritesOnlyWithThePendingFlagAnd56BytesWithZeroTail) {
    auto record = mouse->RecordBytes();
    for (size_t i = 1; i < record.size(); ++i)
        record[i] = static_cast<uint8_t>(i + 1);
    record[1] = 3;
    // A field set without the flag stays on the PC.
    FlushOutcome outcome = FlushPendingWrites(Targets());
    EXPECT_EQ(outcome.writes, 0);
    EXPECT_FALSE(outcome.mouseLayouts);
    EXPECT_EQ(mouse_->RequestCount(), 0u);

    mouse->SetRecordByte(14, 2);
    outcome = FlushPendingWrites(Targets());
    EXPECT_EQ(outcome.writes, 1);
    ASSERT_TRUE(outcome.mouseLayouts);
    EXPECT_EQ(outcome.mouseLayouts->sevenColourSelectEnabled, false);
    EXPECT_FALSE(mouse->pending.load());
    const auto writes = Of(*mouse_, Command::WriteData);
    ASSERT_EQ(writes.size(), 1u);
    const auto& f = writes[0].frame;
    EXPECT_EQ(f[4], 56);
    EXPECT_EQ(f[5], 0);
    EXPECT_EQ(f[6], 0);
    for (size_t i = 0; i < 41; ++i)
        EXPECT_EQ(f[8 + i], record[i]) << i;
    for (size_t i = 41; i < 56; ++i)
        EXPECT_EQ(f[8 + i], 0) << i;
    // The device took the 41 bytes and zeros after them.
    const auto settings = mouse_->Memory(zk::emulator::MemoryArea::Settings);
    EXPECT_EQ(settings[14], 2);

    // Nothing more until the next change.
    EXPECT_EQ(FlushPendingWrites(Targets()).writes, 0);
    EXPECT_EQ(mouse_->RequestCount(), 1u);
}

TEST_F(Flush, OneWritePerKindWithTheLiveStatesAndFlagsClearedOnFailure) {
    keyboard->live.lightMode = 4;
    keyboard->live.byte20 = 0x20;
    keyboard->lightRecord.header.carried21[0] = 0xEE; // beyond the live state: not sent
    mousepad->live.lightMode = 6;
    keyboard->pending = true;
    mousepad->pending = true;
    mouse->pending = true;
    mouseChannel_.connected = 0; // this write fails without traffic

    const FlushOutcome outcome = FlushPendingWrites(Targets());
    EXPECT_EQ(outcome.writes, 3);
    EXPECT_FALSE(keyboard->pending || mouse->pending || mousepad->pending);
    EXPECT_EQ(mouse_->RequestCount(), 0u);
    ASSERT_TRUE(outcome.mouseLayouts); // decided even when the write failed

    const auto kb = Of(*keyboard_, Command::WriteData);
    ASSERT_EQ(kb.size(), 1u);
    EXPECT_EQ(kb[0].frame[8 + 1], 4);
    EXPECT_EQ(kb[0].frame[8 + 20], 0x20);
    for (size_t i = 21; i < 56; ++i)
        EXPECT_EQ(kb[0].frame[8 + i], 0) << i;
    const auto pad = Of(*mousepad_, Command::WriteData);
    ASSERT_EQ(pad.size(), 1u);
    EXPECT_EQ(pad[0].frame[8 + 1], 6);
}

// A write the mouse took no part in is not lost: the flag stays until the
// mouse answers and then the newest record goes; an answer that refuses the
// write is an answer, and the flag clears as before.
TEST_F(Flush, AWriteTheMouseDidNotTakeStaysPendingUntilItAnswers) {
    mouseChannel_.FailFast(std::chrono::milliseconds(30));
    mouse_->SetStopAnswering(true);
    mouse->SetRecordByte(17, 5);
    EXPECT_EQ(FlushPendingWrites(Targets()).writes, 1);
    EXPECT_TRUE(mouse->pending.load());
    mouse->SetRecordByte(17, 6); // a newer change while the mouse is silent
    EXPECT_EQ(FlushPendingWrites(Targets()).writes, 0);
    EXPECT_TRUE(mouse->pending.load());

    mouse_->SetStopAnswering(false);
    for (int i = 0; i < 300 && !mouseChannel_.IsAnswering(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(mouseChannel_.IsAnswering());
    FlushPendingWrites(Targets());
    EXPECT_FALSE(mouse->pending.load());
    const auto writes = Of(*mouse_, Command::WriteData);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.back().frame[8 + 17], 6);
    EXPECT_EQ(mouse_->Memory(zk::emulator::MemoryArea::Settings)[17], 6);

    mouse_->InjectStatus(0x06, 0xFF);
    mouse->SetRecordByte(17, 7);
    FlushPendingWrites(Targets());
    EXPECT_FALSE(mouse->pending.load());
}

// The mouse light preview reads the light bytes and advances the step while
// the main thread copies records and flushes (meaningful under TSan).
TEST(ImageBytes, PreviewReadsWhileTheMainThreadCopies) {
    auto image = std::make_unique<MouseSettingsImage>();
    std::atomic<bool> stop{false};
    std::thread preview([&] {
        zk::lighting::LightBytesView view(image->RecordBytes().data());
        while (!stop.load()) {
            const auto params = view.Read();
            view.Store(zk::lighting::kLightStep, static_cast<uint8_t>((params.step + 1) % 3));
        }
    });
    std::array<uint8_t, 64> source{};
    for (int round = 0; round < 2000; ++round) {
        source[1] = static_cast<uint8_t>(round % 7);
        image->LoadProfileRecord(source);
        image->StoreRecordIntoProfile();
    }
    stop = true;
    preview.join();
    EXPECT_EQ(image->record.lightMode, 1999 % 7);
}

} // namespace
