// The mouse profile list of the main window against the emulated devices: it
// shows the stored profiles, selects the stored one, and a click on another
// row sends that profile to the mouse and to the DPI page.

#include "MainWndTestEnv.h"

#include "app/Subsystems.h"
#include "emulator/Emulator.h"
#include "profiles/ProfileStore.h"
#include "settings/MouseSettingsImage.h"
#include "ui/Controls.h"

#include <QListWidget>
#include <QTest>

#include <algorithm>
#include <array>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
using zk::app::kChannelMouse;
using zk::profiles::ProfileKind;
using zk::settings::kDpiLevelOffsets;
namespace emu = zk::emulator;

namespace {

constexpr std::uint8_t kCmdFinish = 0x02;
constexpr std::uint8_t kCmdWriteData = 0x06;
using apptest::kReadMouseAllFrames;
constexpr int kRowHeight = 20;

class ProfileListTest : public apptest::MainWndTest {
protected:
    void OpenEmulated() {
        ASSERT_NO_FATAL_FAILURE(WireEmulated());
        ASSERT_NO_FATAL_FAILURE(Open());
        list_ = wnd_->FindControl<QListWidget>(QStringLiteral("config_list"));
        ASSERT_NE(list_, nullptr);
        ASSERT_TRUE(SpinUntil([this] { return wnd_->Channel(kChannelMouse).IsConnected(); }, 3s));
        // The whole read at connection ends with CmdFinish.
        ASSERT_TRUE(SpinUntil(
            [this] {
                const auto log = bus_->Mouse()->RequestLog();
                return log.size() >= kReadMouseAllFrames && log.back().frame[3] == kCmdFinish;
            },
            3s));
        Spin(50ms);
    }

    // Before the start: "profile1" from the factory default and a second
    // profile with the DPI levels `levels`; the index keeps "profile1" selected.
    void StoreSecondProfile(const char* name, const std::array<std::uint8_t, 6>& levels) {
        zk::settings::MouseSettingsImage image;
        zk::profiles::MouseProfileStore store(image, {[](std::string_view) {},
                                                      [] { return zk::profiles::SystemPointer{}; },
                                                      apptest::StageDir().toStdString() + "/"});
        const auto first = store.InitialiseProfiles();
        ASSERT_EQ(first.names.size(), 1u);
        ASSERT_EQ(store.LoadDeviceProfile(0), 0);
        for (std::size_t stage = 0; stage < levels.size(); ++stage)
            image.SetRecordByte(kDpiLevelOffsets[stage], levels[stage]);

        auto index = zk::profiles::MouseProfileStore::Index();
        ASSERT_TRUE(index.SetCount(ProfileKind::Device, 2));
        ASSERT_TRUE(index.SetName(ProfileKind::Device, 1, name));
        ASSERT_TRUE(index.SetSelected(ProfileKind::Device, 1));
        ASSERT_TRUE(store.SaveDeviceProfile());
        ASSERT_TRUE(index.SetSelected(ProfileKind::Device, 0));
    }

    QStringList Rows() const {
        QStringList rows;
        for (int i = 0; i < list_->count(); ++i)
            rows << list_->item(i)->text();
        return rows;
    }

    // Brings the mouse tab forward through its tab button, as the user does.
    void ShowMouseTab() {
        if (list_->isVisible())
            return;
        auto* tab = wnd_->FindControl(QStringLiteral("ms_tab"));
        ASSERT_NE(tab, nullptr);
        QTest::mouseClick(tab, Qt::LeftButton);
        ASSERT_TRUE(SpinUntil([this] { return list_->isVisible(); }, 2s));
    }

    void ClickRow(int row) {
        ShowMouseTab();
        QListWidgetItem* item = list_->item(row);
        ASSERT_NE(item, nullptr);
        const QRect rect = list_->visualItemRect(item);
        ASSERT_TRUE(list_->viewport()->rect().contains(rect.center()));
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, rect.center());
    }

    QListWidget* list_ = nullptr;
};

TEST_F(ProfileListTest, FirstStartListsTheCreatedProfileSelectedAndVisible) {
    OpenEmulated();
    EXPECT_EQ(Rows(), QStringList{QStringLiteral("profile1")});
    EXPECT_EQ(list_->currentRow(), 0);
    EXPECT_EQ(list_->item(0)->data(Qt::UserRole).toString(), QStringLiteral("profile1"));
    EXPECT_EQ(list_->visualItemRect(list_->item(0)).height(), kRowHeight);
    // The list is part of the mouse tab, not covered by its pages.
    QWidget* mouseTab = wnd_->FindControl(QStringLiteral("ms_tab_panel"));
    ASSERT_NE(mouseTab, nullptr);
    EXPECT_TRUE(list_->isVisibleTo(mouseTab));
    EXPECT_GE(list_->width(), 120);
    auto* menu = wnd_->FindControl(QStringLiteral("menu_clicked"));
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(ProfileListTest, ClickingAnotherRowSendsItsRecordToTheMouseAndTheDpiPage) {
    const std::array<std::uint8_t, 6> levels = {4, 9, 13, 21, 33, 52};
    StoreSecondProfile("fps", levels);
    OpenEmulated();
    ASSERT_EQ(Rows(), (QStringList{QStringLiteral("profile1"), QStringLiteral("fps")}));
    EXPECT_EQ(list_->currentRow(), 0);

    emu::EmulatedDevice& mouse = *bus_->Mouse();
    auto& image = subsystems_->MouseImage();
    mouse.ClearRequestLog();
    ClickRow(1);
    EXPECT_EQ(list_->currentRow(), 1);

    // The flush writes the whole record at address 0 with the profile's levels.
    ASSERT_TRUE(SpinUntil(
        [&] {
            const auto log = mouse.RequestLog();
            return std::any_of(log.begin(), log.end(), [](const auto& r) {
                return r.frame[3] == kCmdWriteData && r.frame[5] == 0 && r.frame[6] == 0;
            });
        },
        2s));
    const auto log = mouse.RequestLog();
    const auto write = std::find_if(log.begin(), log.end(), [](const auto& r) {
        return r.frame[3] == kCmdWriteData && r.frame[5] == 0 && r.frame[6] == 0;
    });
    const auto& frame = write->frame;
    EXPECT_TRUE(frame[4] == 41 || frame[4] == 56) << int(frame[4]);
    for (std::size_t stage = 0; stage < levels.size(); ++stage) {
        EXPECT_EQ(frame[8 + kDpiLevelOffsets[stage]], levels[stage]) << stage;
        EXPECT_EQ(mouse.Memory(emu::MemoryArea::Settings)[kDpiLevelOffsets[stage]], levels[stage])
            << stage;
    }

    // The DPI page shows the applied profile's values, and the choice is stored.
    for (int stage = 1; stage <= 6; ++stage) {
        EXPECT_EQ(zk::ui::GetText(wnd_->FindControl(QStringLiteral("DPI_label_%1").arg(stage))),
                  QString::number(
                      zk::settings::DpiOfLevel(levels[stage - 1], image.capabilities.DpiBase())))
            << stage;
    }
    EXPECT_EQ(zk::profiles::MouseProfileStore::Index().Selected(ProfileKind::Device), 1);

    // Clicking the selected row again applies nothing.
    Spin(150ms);
    mouse.ClearRequestLog();
    ClickRow(1);
    Spin(300ms);
    EXPECT_EQ(mouse.RequestCount(), 0u);
}

} // namespace
