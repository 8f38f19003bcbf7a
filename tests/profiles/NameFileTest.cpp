#include "profiles/NameFile.h"
#include "profiles/ProfileSaves.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

using namespace zk::profiles;

namespace {

TEST(NameFile, DefaultsTellAbsentFromStoredValues) {
    zktest::TempHome home;
    auto file = MouseNameFile::ForSelectedProfile(); // no index: the profile "0"
    ASSERT_TRUE(file);
    EXPECT_EQ(file->File().Path(), ProfileFolder(DeviceKind::Mouse) / "0name.ini");
    EXPECT_EQ(file->UsbRateText(), "2");
    EXPECT_FALSE(file->MouseSpeed());
    EXPECT_FALSE(file->DoubleClick());
    EXPECT_EQ(file->KeyName(3), "0");

    ProfileIndex(DeviceKind::Mouse).SetName(ProfileKind::Device, 0, "game");
    file = MouseNameFile::ForSelectedProfile();
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->SetUsbRate(0));
    ASSERT_TRUE(file->SetMouseSpeed(0));
    ASSERT_TRUE(file->SetDoubleClick(10));
    ASSERT_TRUE(file->SetKeyName(7, "Jump"));
    EXPECT_FALSE(file->SetKeyName(1, "Left"));
    EXPECT_FALSE(file->SetKeyName(8, "None"));

    const auto again = MouseNameFile::ForProfile("game");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->UsbRateText(), "0");
    EXPECT_EQ(again->MouseSpeed(), 0);
    EXPECT_EQ(again->DoubleClick(), 10);
    EXPECT_EQ(again->KeyName(7), "Jump");
    EXPECT_EQ(again->KeyName(1), "0");
    EXPECT_TRUE(std::filesystem::exists(ProfileFolder(DeviceKind::Mouse) / "gamename.ini"));
    EXPECT_FALSE(MouseNameFile::ForProfile("../game"));
}

TEST(ProfileSaves, TransferSavesReachTheSelectedProfiles) {
    zktest::TempHome home;
    auto mouse = std::make_unique<zk::settings::MouseSettingsImage>();
    auto pad = std::make_unique<zk::settings::MousepadImage>();
    MouseProfileStore mouseStore(*mouse, {});
    MousepadProfileStore padStore(*pad, {});
    ProfileIndex(DeviceKind::Mouse).SetName(ProfileKind::Device, 0, "dev");
    std::string shown;
    const auto saves = BindTransferSaves(&mouseStore, nullptr, &padStore,
                                         [&](std::string_view key) { shown = key; });
    saves.saveMouseDeviceProfile();
    saves.saveMouseLightProfile();
    saves.saveMousepadLightProfile();
    EXPECT_FALSE(saves.saveKeyboardDeviceProfile);
    saves.showMessage("message_text_11");
    EXPECT_EQ(shown, "message_text_11");
    EXPECT_TRUE(std::filesystem::exists(ProfileFolder(DeviceKind::Mouse) / "dev.config"));
    EXPECT_TRUE(std::filesystem::exists(ProfileFolder(DeviceKind::Mouse) / "0.led"));
    EXPECT_TRUE(std::filesystem::exists(ProfileFolder(DeviceKind::Mousepad) / "0.led"));
}

} // namespace
