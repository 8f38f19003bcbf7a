#include "DpiPageTestEnv.h"

#include "profiles/ApplyProfile.h"
#include "profiles/NameFile.h"
#include "profiles/ProfileIndex.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QAbstractSlider>

#include <filesystem>

namespace dpitest {
namespace {

using namespace zk;
using profiles::ProfileKind;

class ProfileApply : public DpiPageTest {
protected:
    void SetUp() override {
        DpiPageTest::SetUp();
        if (HasFatalFailure())
            return;
        StopFlush();
        // profile2: other DPI levels (one above the mouse's limit), stage,
        // colours and button 2, saved while it is the selected profile.
        auto index = profiles::MouseProfileStore::Index();
        index.SetName(ProfileKind::Device, 1, "profile2");
        index.SetCount(ProfileKind::Device, 2);
        index.SetSelected(ProfileKind::Device, 1);
        SetLevels({2, 45, 9, 12, 20, 25});
        image_.SetRecordByte(19, 3);
        for (std::size_t i = 0; i < 18; ++i)
            image_.SetRecordByte(settings::kStageColourOffsets[0] + i,
                                 static_cast<std::uint8_t>(i * 13));
        image_.buttonTables[0].actions[1] = {0x21, 0x05, 0x00};
        ASSERT_TRUE(store_->SaveDeviceProfile());
        profile2_ = *RecordOfProfileFile("profile2");
        index.SetSelected(ProfileKind::Device, 0);
        ASSERT_EQ(store_->LoadDeviceProfile(0), profiles::kProfileRead);
        profile1_ = *RecordOfProfileFile("profile1");

        list_ = Control(QStringLiteral("config_list"));
        ui::AddItem(list_, QStringLiteral("profile1"));
        ui::AddItem(list_, QStringLiteral("profile2"));
        ui::SelectItem(list_, 0);
        SetLimits(30, 100);
        mouse_->ClearRequestLog();
    }

    std::vector<emulator::LoggedRequest> Of(protocol::Command command) const {
        std::vector<emulator::LoggedRequest> out;
        for (const auto& r : mouse_->RequestLog())
            if (r.frame[3] == static_cast<std::uint8_t>(command))
                out.push_back(r);
        return out;
    }
    int SliderValue(const char* name) const {
        return qobject_cast<QAbstractSlider*>(Control(QString::fromLatin1(name)))->value();
    }

    QWidget* list_ = nullptr;
    std::array<std::uint8_t, settings::kMouseSettingsRecordSize> profile1_{}, profile2_{};
};

TEST_F(ProfileApply, SelectingARowLoadsThePageAndTheMouse) {
    auto index = profiles::MouseProfileStore::Index();
    index.SetLinked(ProfileKind::Device, 1, true);
    index.SetProcess(ProfileKind::Device, 1, "/opt/games/arena");
    auto names = profiles::MouseNameFile::ForProfile("profile2");
    ASSERT_TRUE(names);
    names->SetUsbRate(1);
    names->SetMouseSpeed(10);
    names->SetDoubleClick(11); // no picture for it: stays as it is

    ASSERT_TRUE(ui::SelectItem(list_, 1, true));

    // The selector and the index.
    EXPECT_EQ(profiles::MouseProfileStore::Index().Selected(ProfileKind::Device), 1);
    EXPECT_EQ(ui::GetText(Control(QStringLiteral("ms_device_profile_name_edit"))), "profile2");
    EXPECT_EQ(ui::GetText(Control(QStringLiteral("ms_device_profile_link_edit"))), "arena");
    EXPECT_TRUE(ui::IsSelected(
        qobject_cast<QAbstractButton*>(Control(QStringLiteral("ms_device_profile_link_check")))));
    EXPECT_FALSE(Control(QStringLiteral("ms_device_profile_link_name_hor"))->isHidden());
    // Paths stored by the Windows version name the program after a backslash.
    EXPECT_EQ(profiles::LinkedProgramName("C:\\Games\\arena.exe"), "arena.exe");

    // The image and the DPI page; the level above the limit is corrected.
    EXPECT_EQ(image_.RecordByte(16), 30);
    EXPECT_EQ(image_.RecordByte(15), 2);
    EXPECT_EQ(image_.RecordByte(19), 3);
    EXPECT_EQ(image_.buttonTables[0].actions[1].type, 0x21);
    EXPECT_EQ(ui::GetText(Control(QStringLiteral("DPI_label_2"))), QString::number(30 * 100 + 100));
    EXPECT_TRUE(
        ui::IsSelected(qobject_cast<QAbstractButton*>(Control(QStringLiteral("DPI_check_4")))));
    EXPECT_EQ(ui::GetBkColor(Control(QStringLiteral("DPI_btn_1"))),
              0xFF000000u | (profile2_[23] << 16) | (profile2_[24] << 8) | profile2_[25]);
    EXPECT_TRUE(image_.pending.load());

    // Sliders of the other pages and the pointer-page pictures.
    EXPECT_EQ(SliderValue("ms_point_speed_slider"), image_.pointerSpeed.load() / 2 - 1);
    for (const char* s :
         {"slider_cl", "slider_hx", "slider_RGB", "slider_ls", "slider_cx", "slider_mc"})
        EXPECT_EQ(SliderValue(s), 4) << s;
    EXPECT_EQ(ui::GetBkImage(Control(QStringLiteral("USB_rate_slider1"))), "qelma/250.png");
    EXPECT_EQ(ui::GetBkImage(Control(QStringLiteral("mouse_speed_slider1"))), "qelma/11.png");
    EXPECT_EQ(ui::GetBkImage(Control(QStringLiteral("DBC_speed_slider2"))), "");

    // The mouse got the stored record (41 bytes, as the file holds it) and
    // the button table of the profile.
    const auto records = Of(protocol::Command::WriteData);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].frame[4], 41);
    for (std::size_t i = 0; i < profile2_.size(); ++i)
        EXPECT_EQ(records[0].frame[8 + i], profile2_[i]) << i;
    EXPECT_FALSE(Of(protocol::Command::WriteProfileBlock).empty());
    const auto buttons = mouse_->Memory(emulator::MemoryArea::Buttons);
    EXPECT_EQ(buttons[3], 0x21);
    EXPECT_EQ(buttons[4], 0x05);

    // The next flush carries the corrected level.
    flush_.start(100);
    ASSERT_TRUE(SpinUntil([&] { return Of(protocol::Command::WriteData).size() == 2; }));
    EXPECT_EQ(Of(protocol::Command::WriteData)[1].frame[4], 56);
    EXPECT_EQ(Of(protocol::Command::WriteData)[1].frame[8 + 16], 30);
    EXPECT_EQ(mouse_->Memory(emulator::MemoryArea::Settings)[16], 30);
}

TEST_F(ProfileApply, AMissingFileKeepsTheImageAndStillWritesIt) {
    auto index = profiles::MouseProfileStore::Index();
    // A profile whose stored link has no folder part: the link display stays.
    index.SetLinked(ProfileKind::Device, 1, true);
    index.SetProcess(ProfileKind::Device, 1, "arena");
    auto* check =
        qobject_cast<QAbstractButton*>(Control(QStringLiteral("ms_device_profile_link_check")));
    ui::SetCheck(check, true);
    std::filesystem::remove(*profiles::ProfileFilePath(profiles::DeviceKind::Mouse, "profile2",
                                                       profiles::kDeviceExtension));

    ASSERT_TRUE(ui::SelectItem(list_, 1, true));
    EXPECT_TRUE(ui::IsSelected(check));
    EXPECT_TRUE(Control(QStringLiteral("ms_device_profile_link_name_hor"))->isHidden());
    for (std::size_t i = 0; i < profile1_.size(); ++i)
        EXPECT_EQ(image_.RecordByte(i),
                  i == 15 || i == 16 || i == 17 || i == 18 || i == 20 || i == 21
                      ? std::min<int>(profile1_[i], 30)
                      : profile1_[i])
            << i;
    const auto records = Of(protocol::Command::WriteData);
    ASSERT_EQ(records.size(), 1u);
    for (std::size_t i = 0; i < profile1_.size(); ++i)
        EXPECT_EQ(records[0].frame[8 + i], profile1_[i]) << i;

    // Back to the first profile, which is not linked: the check box clears.
    ASSERT_TRUE(ui::SelectItem(list_, 0, true));
    EXPECT_FALSE(ui::IsSelected(check));
    EXPECT_EQ(profiles::MouseProfileStore::Index().Selected(ProfileKind::Device), 0);
}

} // namespace
} // namespace dpitest
