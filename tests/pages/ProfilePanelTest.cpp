// The mouse's profile panel and the keyboard's and mousepad's profile
// selectors in the whole program (`zk412v --emulate`): the real buttons, list
// rows, pop-up and edit clicked and typed into, and what the list, the index
// files, the profile files and the emulated devices show afterwards.

#include "app/MainWndTestEnv.h"

#include "app/Subsystems.h"
#include "emulator/Emulator.h"
#include "lighting/LightTables.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/IniText.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "profiles/ProfileStore.h"
#include "support/ComboKeys.h"
#include "ui/Controls.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTest>

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
namespace emu = zk::emulator;
namespace prof = zk::profiles;
namespace fs = std::filesystem;
using prof::DeviceKind;
using prof::ProfileKind;

namespace {

constexpr std::uint8_t kCmdWriteData = 0x06;
constexpr std::uint8_t kCmdWriteProfileBlock = 0x09;
using apptest::Requests;

fs::path MouseFile(const std::string& name, const char* extension = ".config") {
    return prof::ProfileFolder(DeviceKind::Mouse) / (name + extension);
}

// Every file of the mouse folder with its content (the index included).
std::map<std::string, std::string> MouseFolder() {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(prof::ProfileFolder(DeviceKind::Mouse)))
        files[entry.path().filename().string()] =
            zk::platform::ReadWholeFile(entry.path()).value_or("<dir>");
    return files;
}

std::vector<std::string> IndexNames() {
    const auto index = prof::MouseProfileStore::Index();
    std::vector<std::string> names;
    for (int i = 0; i < index.Count(ProfileKind::Device); ++i)
        names.push_back(index.Name(ProfileKind::Device, i));
    return names;
}

// The factory body of a mouse device profile; with a mark, DPI level byte 16
// of its record holds it, so that profiles can be told apart.
std::array<std::uint8_t, prof::kMouseDeviceBody> MouseBody(std::optional<std::uint8_t> mark = {}) {
    std::array<std::uint8_t, prof::kMouseDeviceBody> body{};
    EXPECT_EQ(
        prof::ReadProfileFile(apptest::StageDir().toStdString() + "/msdevicedefault.config", body),
        prof::kProfileRead);
    if (mark)
        body[zk::settings::kButtonTableSize + 16] = *mark;
    return body;
}

// Lists mouse device profiles (with files) before the program starts; links
// are "<flag>|<path>" or empty.
void PrepareMouseProfiles(const std::vector<std::string>& names,
                          const std::vector<std::string>& links = {}) {
    auto index = prof::MouseProfileStore::Index();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int at = static_cast<int>(i);
        ASSERT_TRUE(prof::WriteProfileFile(MouseFile(names[i]),
                                           MouseBody(static_cast<std::uint8_t>(10 + i)),
                                           prof::DeviceTag::Mouse));
        index.SetName(ProfileKind::Device, at, names[i]);
        const std::string link = i < links.size() ? links[i] : std::string();
        index.SetLinked(ProfileKind::Device, at, !link.empty());
        if (!link.empty())
            index.SetProcess(ProfileKind::Device, at, link);
    }
    index.SetSelected(ProfileKind::Device, 0);
    index.SetCount(ProfileKind::Device, static_cast<int>(names.size()));
}

class ProfilePanel : public apptest::MainWndTest {
protected:
    void OpenEmulated() {
        ASSERT_NO_FATAL_FAILURE(WireEmulated());
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(WaitForMouseRead(0ms, 5s));
        ASSERT_NO_FATAL_FAILURE(WaitForLightPages());
        Spin(300ms);
        Click("ms_tab");
        list_ = Find<QListWidget>("config_list");
        ASSERT_NE(list_, nullptr);
        Spin(50ms);
        boxes_.clear();
    }

    void Click(const char* name) {
        auto* button = Find<QAbstractButton>(name);
        ASSERT_NE(button, nullptr) << name;
        ASSERT_TRUE(button->isVisible()) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QPoint RowCentre(int row) { return list_->visualItemRect(list_->item(row)).center(); }
    void ClickRow(int row) {
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, RowCentre(row));
    }
    // A right click on a row: the press selects it, the context menu follows.
    void RightClickRow(int row) {
        const QPoint at = RowCentre(row);
        QTest::mouseClick(list_->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, list_->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list_->viewport(), &menu);
    }
    // Renames the selected row through the edit; Enter ends the edit.
    void Rename(const QString& name) {
        Click("config_edit_btn");
        auto* edit = Find<QLineEdit>("list_edit");
        ASSERT_TRUE(edit && edit->isVisible());
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, name);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (int i = 0; i < list_->count(); ++i)
            rows.push_back(list_->item(i)->data(Qt::UserRole).toString().toStdString());
        return rows;
    }
    std::vector<QString> Messages() {
        std::vector<QString> keys;
        for (const auto& box : boxes_)
            keys.push_back(box.text);
        boxes_.clear();
        return keys;
    }
    // The 41-byte record write the mouse received last.
    std::optional<emu::LoggedRequest> RecordWrite() {
        for (const auto& r : Requests(*mouse_, kCmdWriteData))
            if (r.frame[4] == zk::settings::kMouseSettingsRecordSize)
                return r;
        return std::nullopt;
    }
    void Language(const char* menuItem) {
        ChooseMenuItem(menuItem);
        Spin(50ms);
    }
    void Pick(const char* combo, int index) {
        auto* c = Find<QComboBox>(combo);
        ASSERT_NE(c, nullptr) << combo;
        zktest::PickWithKeys(c, index);
    }

    QListWidget* list_ = nullptr;
};

// New takes the first name "profile<n>" that no row has in any case, is
// applied at once, and the mouse takes the factory settings.
TEST_F(ProfilePanel, NewTakesTheFirstFreeNameAndTheMouseTheFactorySettings) {
    OpenEmulated();
    const auto factory = MouseBody();
    struct Step {
        const char* action; // "new", "delete <row>", "rename <row> <name>"
        std::vector<std::string> rows;
    };
    const std::vector<Step> steps = {
        {"new", {"profile1", "profile2"}},
        {"new", {"profile1", "profile2", "profile3"}},
        {"delete 1", {"profile1", "profile3"}},
        {"new", {"profile1", "profile3", "profile2"}},
        {"rename 2 Profile2", {"profile1", "profile3", "Profile2"}},
        {"new", {"profile1", "profile3", "Profile2", "profile4"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.action);
        mouse_->ClearRequestLog();
        const QStringList words = QString::fromLatin1(step.action).split(QLatin1Char(' '));
        if (words[0] == QLatin1String("new")) {
            Click("new_config_btn");
        } else {
            ClickRow(words[1].toInt());
            if (words[0] == QLatin1String("delete"))
                Click("config_delete_btn");
            else
                Rename(words[2]);
        }
        EXPECT_TRUE(Messages().empty());
        EXPECT_EQ(Rows(), step.rows);
        EXPECT_EQ(IndexNames(), step.rows);
        if (words[0] != QLatin1String("new"))
            continue;
        // The new row is selected and applied: the index, the name shown, the
        // file made from the factory settings and the mouse's record.
        const int last = static_cast<int>(step.rows.size()) - 1;
        EXPECT_EQ(list_->currentRow(), last);
        EXPECT_EQ(prof::MouseProfileStore::Index().Selected(ProfileKind::Device), last);
        EXPECT_EQ(Find<QLineEdit>("ms_device_profile_name_edit")->text().toStdString(),
                  step.rows.back());
        std::array<std::uint8_t, prof::kMouseDeviceBody> body{};
        ASSERT_EQ(prof::ReadProfileFile(MouseFile(step.rows.back()), body), prof::kProfileRead);
        EXPECT_EQ(body, factory);
        const auto record = RecordWrite();
        ASSERT_TRUE(record);
        for (std::size_t i = 0; i < zk::settings::kMouseSettingsRecordSize; ++i)
            EXPECT_EQ(record->frame[8 + i], factory[zk::settings::kButtonTableSize + i]) << i;
    }
    EXPECT_FALSE(fs::exists(MouseFile("profile2"))) << "the renamed profile's file moved";
}

// Deleting a middle row moves the rows below up one index with their links,
// and the last row is selected and applied; its stored link names no folder,
// so the link display stays as it was.
TEST_F(ProfilePanel, DeletingAMiddleRowMovesTheRowsBelowWithTheirLinks) {
    PrepareMouseProfiles({"alpha", "beta", "gamma", "delta"},
                         {"", "/opt/games/beta", "/opt/games/gamma", "delta"});
    ASSERT_TRUE(
        zk::platform::WriteFileAtomically(MouseFile("beta", "name.ini"), "[USBRATE]\nselect=1\n"));
    OpenEmulated();
    ASSERT_EQ(Rows(), (std::vector<std::string>{"alpha", "beta", "gamma", "delta"}));
    ClickRow(1);
    EXPECT_EQ(Find<QLineEdit>("ms_device_profile_link_edit")->text(), QStringLiteral("beta"));
    mouse_->ClearRequestLog();

    Click("config_delete_btn");
    const std::vector<std::string> rows = {"alpha", "gamma", "delta"};
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(IndexNames(), rows);
    EXPECT_FALSE(fs::exists(MouseFile("beta")));
    EXPECT_FALSE(fs::exists(MouseFile("beta", "name.ini")));
    const auto index = prof::MouseProfileStore::Index();
    const std::array<std::pair<bool, std::string>, 3> links = {
        {{false, ""}, {true, "/opt/games/gamma"}, {true, "delta"}}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(index.Linked(ProfileKind::Device, i), links[i].first) << i;
        EXPECT_EQ(index.File().Read("DEVICEPROCESS", std::to_string(i), ""), links[i].second) << i;
    }
    EXPECT_EQ(index.File().Read("DEVICEPROCESS", "3", "none"), "none");

    // The last row is applied: the mouse has its record; "delta" has no
    // folder in its link, so the display still shows the link seen before.
    EXPECT_EQ(list_->currentRow(), 2);
    EXPECT_EQ(index.Selected(ProfileKind::Device), 2);
    EXPECT_EQ(Find<QLineEdit>("ms_device_profile_name_edit")->text(), QStringLiteral("delta"));
    EXPECT_EQ(Find<QLineEdit>("ms_device_profile_link_edit")->text(), QStringLiteral("beta"));
    const auto record = RecordWrite();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->frame[8 + 16], 13);

    // The only profile left is never deleted.
    ClickRow(0);
    Click("config_delete_btn");
    Click("config_delete_btn");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"gamma"}));
    Click("config_delete_btn");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"gamma"}));
    EXPECT_TRUE(fs::exists(MouseFile("gamma")));
}

// With 27 rows, new and copy show "profile_full" and change nothing.
TEST_F(ProfilePanel, AFullListRefusesNewAndCopy) {
    std::vector<std::string> names;
    for (int i = 1; i <= prof::kMaxProfiles; ++i)
        names.push_back("profile" + std::to_string(i));
    PrepareMouseProfiles(names);
    OpenEmulated();
    ASSERT_EQ(list_->count(), prof::kMaxProfiles);
    const auto before = MouseFolder();
    for (const char* button : {"new_config_btn", "config_copy_btn"}) {
        SCOPED_TRACE(button);
        Click(button);
        EXPECT_EQ(Messages(), std::vector<QString>{QStringLiteral("profile_full")});
        EXPECT_EQ(list_->count(), prof::kMaxProfiles);
        EXPECT_EQ(MouseFolder(), before);
    }
}

// Every copy has files of its own, named uniquely, and takes its source's
// name file: editing one copy leaves the other as it was.
TEST_F(ProfilePanel, CopiesHaveFilesOfTheirOwnWithTheNameFile) {
    PrepareMouseProfiles({"profile1", "other"});
    const std::string names = "[USBRATE]\nselect=3\n[KEYNAME]\n2=Jump\n";
    ASSERT_TRUE(zk::platform::WriteFileAtomically(MouseFile("other", "name.ini"), names));
    OpenEmulated();
    ClickRow(1);
    Click("config_copy_btn");
    RightClickRow(1);
    Click("config_copy_btn1");
    const std::vector<std::string> rows = {"profile1", "other", "other_copy", "other_copy2"};
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(IndexNames(), rows);
    EXPECT_EQ(list_->currentRow(), 1) << "a copy changes the selection not";
    const auto source = zk::platform::ReadWholeFile(MouseFile("other"));
    for (const char* copy : {"other_copy", "other_copy2"}) {
        EXPECT_EQ(zk::platform::ReadWholeFile(MouseFile(copy)), source) << copy;
        EXPECT_EQ(zk::platform::ReadWholeFile(MouseFile(copy, "name.ini")), names) << copy;
    }

    // A change made while the first copy is applied stays in its file.
    ClickRow(2);
    auto* slider = Find<QSlider>("DPI_slider_1");
    ASSERT_NE(slider, nullptr);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    ASSERT_TRUE(
        SpinUntil([&] { return zk::platform::ReadWholeFile(MouseFile("other_copy")) != source; }));
    EXPECT_EQ(zk::platform::ReadWholeFile(MouseFile("other_copy2")), source);
}

// A rename to a name that another row has, in any case, is refused with
// "message_text_15"; a taken rename moves the profile's files.
TEST_F(ProfilePanel, RenameRefusesTakenNamesAndMovesTheFiles) {
    PrepareMouseProfiles({"profile1", "profile2"});
    ASSERT_TRUE(zk::platform::WriteFileAtomically(MouseFile("profile2", "name.ini"),
                                                  "[MOUSESPEED]\nselect=4\n"));
    OpenEmulated();
    ClickRow(1);
    const auto before = MouseFolder();
    auto* edit = Find<QLineEdit>("list_edit");
    for (const char* taken : {"profile1", "PROFILE1", "Profile1"}) {
        SCOPED_TRACE(taken);
        Rename(QString::fromLatin1(taken));
        EXPECT_EQ(Messages(), std::vector<QString>{QStringLiteral("message_text_15")});
        EXPECT_TRUE(edit->isVisible()) << "the edit stays for another name";
        EXPECT_EQ(Rows(), (std::vector<std::string>{"profile1", "profile2"}));
        EXPECT_EQ(MouseFolder(), before);
    }
    // Names that cannot name files are refused as well.
    for (const char* unusable : {"a/b", "", "   "}) {
        SCOPED_TRACE(unusable);
        ASSERT_TRUE(edit->hasFocus()) << "a refused name leaves the edit for another";
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, QString::fromLatin1(unusable));
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(Messages(), std::vector<QString>{QStringLiteral("profile_name_unusable")});
        EXPECT_EQ(MouseFolder(), before);
    }

    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, QStringLiteral("arena"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(edit->isVisible());
    EXPECT_EQ(Rows(), (std::vector<std::string>{"profile1", "arena"}));
    EXPECT_EQ(IndexNames(), (std::vector<std::string>{"profile1", "arena"}));
    EXPECT_EQ(zk::platform::ReadWholeFile(MouseFile("arena")), before.at("profile2.config"));
    EXPECT_EQ(zk::platform::ReadWholeFile(MouseFile("arena", "name.ini")),
              before.at("profile2name.ini"));
    EXPECT_FALSE(fs::exists(MouseFile("profile2")));
    EXPECT_FALSE(fs::exists(MouseFile("profile2", "name.ini")));
    EXPECT_EQ(Find<QLineEdit>("ms_device_profile_name_edit")->text(), QStringLiteral("arena"));
}

// "New" without a usable factory file shows why and adds nothing.
TEST_F(ProfilePanel, NewWithoutAUsableFactoryFileAddsNothing) {
    OpenEmulated();
    struct Case {
        const char* content; // nullptr: no file
        const char* message;
    };
    const Case cases[] = {{nullptr, "message_text_8"}, {"not a profile", "message_text_9"}};
    zktest::TempDir program;
    auto& rm = zk::ui::ResourceManager::GetInstance();
    rm.SetInstancePath(QString::fromStdString(program.str()) + QLatin1Char('/'));
    const auto before = MouseFolder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        if (c.content) {
            ASSERT_TRUE(
                zk::platform::WriteFileAtomically(program / "msdevicedefault.config", c.content));
        }
        Click("new_config_btn");
        EXPECT_EQ(Messages(), std::vector<QString>{QString::fromLatin1(c.message)});
        EXPECT_EQ(Rows(), (std::vector<std::string>{"profile1"}));
        EXPECT_EQ(MouseFolder(), before);
    }
    rm.SetInstancePath(apptest::StageDir() + QLatin1Char('/'));
}

// A file operation that fails is reported; the list, the index and the files
// stay as they were. The index is made unwritable by a folder where its lock
// file goes; a copy's target by a folder of that name.
TEST_F(ProfilePanel, FailedFileWorkIsReportedAndChangesNothing) {
    PrepareMouseProfiles({"profile1", "profile2"});
    ASSERT_TRUE(zk::platform::WriteFileAtomically(MouseFile("profile2", "name.ini"),
                                                  "[USBRATE]\nselect=0\n"));
    OpenEmulated();
    ClickRow(1);
    const fs::path lock = prof::ProfileFolder(DeviceKind::Mouse) / ".msProfile.ini.lock";
    const fs::path target = MouseFile("profile2_copy");
    struct Case {
        const char* name;
        fs::path blocked;
        std::function<void()> act;
    };
    const std::vector<Case> cases = {
        {"copy onto a folder", target, [&] { Click("config_copy_btn"); }},
        {"copy, index", lock, [&] { Click("config_copy_btn"); }},
        {"new, index", lock, [&] { Click("new_config_btn"); }},
        {"rename, index", lock, [&] { Rename(QStringLiteral("arena")); }},
        {"delete, index", lock, [&] { Click("config_delete_btn"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(c.blocked / "held");
        const auto before = MouseFolder();
        c.act();
        EXPECT_EQ(Messages(), std::vector<QString>{QStringLiteral("profile_file_failed")});
        EXPECT_EQ(Rows(), (std::vector<std::string>{"profile1", "profile2"}));
        EXPECT_EQ(MouseFolder(), before);
        // Escape drops a refused name.
        if (auto* edit = Find<QLineEdit>("list_edit"); edit->isVisible())
            QTest::keyClick(edit, Qt::Key_Escape);
        EXPECT_FALSE(Find("list_edit")->isVisible());
        fs::remove_all(c.blocked);
        EXPECT_EQ(IndexNames(), (std::vector<std::string>{"profile1", "profile2"}));
        EXPECT_EQ(Rows(), (std::vector<std::string>{"profile1", "profile2"}));
    }
}

// The pop-up shows beside the selected row, its buttons act like the panel's
// and close it; the panel folds away and comes back.
TEST_F(ProfilePanel, PopUpBesideTheRowAndThePanelFolds) {
    PrepareMouseProfiles({"profile1", "profile2", "profile3"});
    OpenEmulated();
    RightClickRow(1);
    auto* menu = Find("menu_clicked");
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(list_->currentRow(), 1);
    const QRect row = list_->visualItemRect(list_->item(1));
    const QPoint corner = menu->parentWidget()->mapFromGlobal(
        list_->viewport()->mapToGlobal(QPoint(list_->viewport()->width(), row.bottom() + 1)));
    EXPECT_EQ(menu->geometry().topLeft(), corner);
    EXPECT_GE(menu->width(), 75);
    EXPECT_GE(menu->height(), 64);
    Screenshot(QStringLiteral("profile_popup_cn"));
    Language("lan_en");
    RightClickRow(1);
    Screenshot(QStringLiteral("profile_popup_en"));

    Click("config_edit_btn1");
    EXPECT_FALSE(menu->isVisible());
    auto* edit = Find<QLineEdit>("list_edit");
    ASSERT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->text(), QStringLiteral("profile2"));
    QTest::keyClicks(edit, QStringLiteral("renamed"));
    Screenshot(QStringLiteral("profile_rename_en"));
    Language("lan_cn");
    Screenshot(QStringLiteral("profile_rename_cn"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"profile1", "renamed", "profile3"}));

    RightClickRow(2);
    Click("config_delete_btn1");
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(Rows(), (std::vector<std::string>{"profile1", "renamed"}));

    Click("config_close_btn");
    EXPECT_FALSE(Find("config_display")->isVisible());
    Click("config_btn");
    EXPECT_TRUE(Find("config_display")->isVisible());
    EXPECT_FALSE(Find("config_btn")->isVisible());
}

// Profiles of the keyboard and the mousepad, made before the start, applied
// from their selectors: the devices receive their records and the previews
// show them.
TEST_F(ProfilePanel, KeyboardAndMousepadSelectorsApplyTheirProfiles) {
    using namespace zk::settings;
    // Keyboard: device profile 1 with a key table and a light state of mode 2;
    // light profile 1 in custom mode with layer 0 painted (200, 40, 90); key
    // profile 1 with another key table.
    std::vector<std::uint8_t> device(prof::kKeyboardDeviceBody, 0);
    for (std::size_t i = 0; i < 60; ++i)
        device[i] = static_cast<std::uint8_t>(0x20 + i);
    device[kKeyTableSize + kLightMode] = 2;
    device[kKeyTableSize + kLightBrightness] = 4;
    std::vector<std::uint8_t> light(prof::kKeyboardLightBody, 0);
    light[kLightMode] = 8;
    light[kLightBrightness] = 4;
    for (std::size_t k = 0; k < kCustomLayerSize; k += 3) {
        light[kCustomLayersOffset + k] = 200;
        light[kCustomLayersOffset + k + 1] = 40;
        light[kCustomLayersOffset + k + 2] = 90;
    }
    std::vector<std::uint8_t> keys(prof::kKeyBody, 0);
    for (std::size_t i = 0; i < 60; ++i)
        keys[i] = static_cast<std::uint8_t>(0x70 - i);
    std::vector<std::uint8_t> pad(prof::kMousepadLightBody, 0);
    pad[kLightMode] = 3;
    pad[kLightBrightness] = 4;
    pad[kLightRed] = 10;
    pad[kLightGreen] = 220;
    pad[kLightBlue] = 30;
    auto kbIndex = prof::KeyboardProfileStore::Index();
    const auto kbFolder = prof::ProfileFolder(DeviceKind::Keyboard);
    for (const auto& [kind, ext, body] : {std::tuple{ProfileKind::Device, ".config", &device},
                                          std::tuple{ProfileKind::Light, ".led", &light},
                                          std::tuple{ProfileKind::Key, ".pro", &keys}}) {
        std::vector<std::uint8_t> first(body->size(), 0);
        ASSERT_TRUE(prof::WriteProfileFile(kbFolder / (std::string("profile1") + ext), first,
                                           prof::DeviceTag::Keyboard));
        ASSERT_TRUE(prof::WriteProfileFile(kbFolder / (std::string("second") + ext), *body,
                                           prof::DeviceTag::Keyboard));
        kbIndex.SetName(kind, 0, "profile1");
        kbIndex.SetName(kind, 1, "second");
        kbIndex.SetCount(kind, 2);
    }
    // The device links: the own section first, "PROCESS" where it has none.
    kbIndex.SetLinked(ProfileKind::Device, 1, true);
    zk::platform::IniFile(kbIndex.File().Path()).Update([](zk::platform::IniText& text) {
        text.Set("DEVICEPROCESS", "1", "/usr/games/racer");
        text.Set("PROCESS", "1", "/usr/games/shooter");
        return true;
    });
    kbIndex.SetLinked(ProfileKind::Key, 1, true);
    auto mpIndex = prof::MousepadProfileStore::Index();
    const auto mpFolder = prof::ProfileFolder(DeviceKind::Mousepad);
    ASSERT_TRUE(prof::WriteProfileFile(mpFolder / "profile1.led", std::vector<std::uint8_t>(64, 0),
                                       prof::DeviceTag::Mousepad));
    ASSERT_TRUE(prof::WriteProfileFile(mpFolder / "second.led", pad, prof::DeviceTag::Mousepad));
    mpIndex.SetName(ProfileKind::Light, 0, "profile1");
    mpIndex.SetName(ProfileKind::Light, 1, "second");
    mpIndex.SetCount(ProfileKind::Light, 2);
    OpenEmulated();
    Click("kb_tab");
    const auto& frame = subsystems_->Preview().Frame();
    auto keyTableOnDevice = [&] {
        const auto memory = keyboard_->Memory(emu::MemoryArea::Buttons);
        return std::vector<std::uint8_t>(memory.begin(), memory.begin() + 60);
    };

    // Device profile: key table at once, light state with the flush.
    keyboard_->ClearRequestLog();
    Pick("kb_device_profile_combo", 1);
    EXPECT_EQ(kbIndex.Selected(ProfileKind::Device), 1);
    EXPECT_EQ(Find<QLineEdit>("kb_device_profile_link_edit")->text(), QStringLiteral("racer"));
    EXPECT_TRUE(Find("kb_device_profile_link_name_hor")->isVisible());
    EXPECT_FALSE(Requests(*keyboard_, kCmdWriteProfileBlock).empty());
    EXPECT_EQ(keyTableOnDevice(), std::vector<std::uint8_t>(device.begin(), device.begin() + 60));
    ASSERT_TRUE(SpinUntil([&] { return !Requests(*keyboard_, kCmdWriteData).empty(); }, 1s));
    EXPECT_EQ(Requests(*keyboard_, kCmdWriteData).back().frame[8 + kLightMode], 2);
    EXPECT_EQ(Find<QComboBox>("kb_deng_combo_modeSelect")->currentIndex(), 2);

    // Light profile: the custom layer shows in the preview.
    Click("kb_deng_Op_tab");
    keyboard_->ClearRequestLog();
    Pick("kb_deng_profile_combo", 1);
    ASSERT_TRUE(SpinUntil([&] { return !Requests(*keyboard_, kCmdWriteData).empty(); }, 1s));
    EXPECT_EQ(Requests(*keyboard_, kCmdWriteData).back().frame[8 + kLightMode], 8);
    const std::uint32_t tint = (std::uint32_t{zk::lighting::BrightnessValue(4)} << 24) | 0xC8285Au;
    for (int key : {0, 40, 90})
        EXPECT_TRUE(SpinUntil([&] { return frame.Keyboard(key) == tint; }, 3s))
            << key << ": " << std::hex << frame.Keyboard(key);
    EXPECT_FALSE(Find<QAbstractButton>("kb_deng_profile_link_check")->isChecked());

    // Key profile: the key table at once; its link is the one of "PROCESS".
    Click("kb_key_Op_tab");
    keyboard_->ClearRequestLog();
    Pick("kb_key_profile_combo", 1);
    EXPECT_EQ(Find<QLineEdit>("kb_key_profile_link_edit")->text(), QStringLiteral("shooter"));
    EXPECT_EQ(keyTableOnDevice(), std::vector<std::uint8_t>(keys.begin(), keys.begin() + 60));
    EXPECT_EQ(kbIndex.Selected(ProfileKind::Key), 1);
    Screenshot(QStringLiteral("keyboard_key_profile_cn"));
    Language("lan_en");
    Screenshot(QStringLiteral("keyboard_key_profile_en"));

    // Mousepad light profile: steady colour, on the mousepad and in the preview.
    Click("mp_tab");
    mousepad_->ClearRequestLog();
    Pick("mp_deng_profile_combo", 1);
    EXPECT_EQ(mpIndex.Selected(ProfileKind::Light), 1);
    ASSERT_TRUE(SpinUntil([&] { return !Requests(*mousepad_, kCmdWriteData).empty(); }, 1s));
    const auto write = Requests(*mousepad_, kCmdWriteData).back();
    for (std::size_t i : {kLightMode, kLightRed, kLightGreen, kLightBlue})
        EXPECT_EQ(write.frame[8 + i], pad[i]) << i;
    EXPECT_TRUE(SpinUntil([&] { return (frame.Mousepad(0) & 0xFFFFFFu) == 0x0ADC1Eu; }, 3s))
        << std::hex << frame.Mousepad(0);
    EXPECT_EQ(Find<QComboBox>("mp_deng_combo_modeSelect")->currentIndex(), 3);
}

} // namespace
