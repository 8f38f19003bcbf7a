// The keyboard's and the mousepad's light pages in the whole program: the main
// window with its subsystems as `zk412v --emulate --keyboard-model N` runs it,
// the real widgets clicked and typed into, and what the emulated devices
// received, the live state, the profile files and the preview show.

#include "app/MainWndTestEnv.h"

#include "app/MainMessages.h"
#include "app/Subsystems.h"
#include "emulator/Emulator.h"
#include "lighting/KeyboardTables.h"
#include "lighting/LightTables.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "profiles/ProfileStore.h"
#include "support/ComboKeys.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <array>
#include <vector>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
namespace emu = zk::emulator;
namespace prof = zk::profiles;
using zk::lighting::DeviceKind;

namespace {

using apptest::WritesOf;

// The body of the selected profile file of a kind ("" when unreadable).
template <std::size_t N>
std::array<std::uint8_t, N> SelectedBody(prof::DeviceKind kind, prof::ProfileKind which,
                                         std::string_view extension) {
    const std::string name = kind == prof::DeviceKind::Keyboard
                                 ? prof::KeyboardProfileStore::Index().SelectedName(which)
                                 : prof::MousepadProfileStore::Index().SelectedName(which);
    std::array<std::uint8_t, N> body{};
    const auto path = prof::ProfileFilePath(kind, name, extension);
    EXPECT_TRUE(path && prof::ReadProfileFile(*path, body) == prof::kProfileRead);
    return body;
}
std::array<std::uint8_t, prof::kMousepadLightBody> MousepadLightFile() {
    return SelectedBody<prof::kMousepadLightBody>(prof::DeviceKind::Mousepad,
                                                  prof::ProfileKind::Light, prof::kLightExtension);
}
std::array<std::uint8_t, prof::kKeyboardLightBody> KeyboardLightFile() {
    return SelectedBody<prof::kKeyboardLightBody>(prof::DeviceKind::Keyboard,
                                                  prof::ProfileKind::Light, prof::kLightExtension);
}
std::array<std::uint8_t, prof::kKeyboardDeviceBody> KeyboardDeviceFile() {
    return SelectedBody<prof::kKeyboardDeviceBody>(
        prof::DeviceKind::Keyboard, prof::ProfileKind::Device, prof::kDeviceExtension);
}

class LightPages : public apptest::MainWndTest {
protected:
    void OpenEmulated(int keyboardModel) {
        zk::app::AppOptions options;
        options.keyboardModel = keyboardModel;
        ASSERT_NO_FATAL_FAILURE(WireEmulated(options));
        ASSERT_NO_FATAL_FAILURE(Open());
        // Both pages are refreshed after the transfers of timers 11 and 12.
        ASSERT_NO_FATAL_FAILURE(WaitForLightPages(
            keyboardModel == 0 ? "kb_deng_combo_modeSelect" : "kb_deng_onecolor_combo_modeSelect"));
        Spin(200ms);
    }

    void Click(const char* name) {
        auto* button = Find<QAbstractButton>(name);
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void ShowMousepadPage() { ShowPage("mp_tab", "mp_deng_Op_tab"); }
    void ShowKeyboardLighting() { ShowPage("kb_tab", "kb_deng_Op_tab"); }
    void Pick(const char* combo, int index) {
        auto* c = Find<QComboBox>(combo);
        ASSERT_NE(c, nullptr) << combo;
        zktest::PickWithKeys(c, index);
    }
    void Type(const char* editName, const QString& text) {
        auto* edit = Find<QLineEdit>(editName);
        ASSERT_NE(edit, nullptr) << editName;
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    // The last 56-byte write a device received, once one arrived.
    std::optional<emu::LoggedRequest> LastWrite(const emu::EmulatedDevice& device) {
        if (!SpinUntil([&] { return !WritesOf(device).empty(); }, 1s))
            return std::nullopt;
        Spin(150ms);
        return WritesOf(device).back();
    }
    void Language(const char* menuItem) {
        ChooseMenuItem(menuItem);
        Spin(50ms);
    }
    const zk::settings::LiveLightState& MousepadLive() { return subsystems_->MousepadImage().live; }
    const zk::settings::LiveLightState& KeyboardLive() { return subsystems_->KeyboardImage().live; }
};

// The groups each mousepad mode enables when the user picks it, and after a
// refresh (where the column spectrum comes back without its direction group).
TEST_F(LightPages, EveryMousepadModeSetsItsGroupsByteFileAndPreview) {
    OpenEmulated(0);
    ShowMousepadPage();
    struct Row {
        std::array<bool, 5> picked; // fx, colour, cycle, speed, same mode
        bool fxAfterRefresh;
    };
    const std::array<Row, 9> table = {{{{1, 1, 1, 1, 1}, 1},
                                       {{0, 0, 0, 1, 1}, 0},
                                       {{0, 1, 1, 1, 1}, 0},
                                       {{0, 1, 0, 0, 1}, 0},
                                       {{1, 1, 1, 1, 0}, 1},
                                       {{1, 1, 1, 1, 0}, 1},
                                       {{1, 0, 0, 1, 0}, 0},
                                       {{0, 1, 1, 1, 0}, 0},
                                       {{0, 1, 1, 0, 0}, 0}}};
    const char* groups[5] = {"mp_deng_fx_layout", "mp_deng_color_layout",
                             "mp_deng_7colorselect_layout", "mp_deng_speed_layout",
                             "mp_deng_same_mode"};
    auto& preview = subsystems_->Preview();
    // Start from another mode so that every row is a change.
    Pick("mp_deng_combo_modeSelect", 8);
    for (int mode = 0; mode < 9; ++mode) {
        SCOPED_TRACE(mode);
        preview.SetPaused(DeviceKind::Mousepad, true);
        mousepad_->ClearRequestLog();
        Pick("mp_deng_combo_modeSelect", mode);
        for (int g = 0; g < 5; ++g)
            EXPECT_EQ(Find(groups[g])->isEnabled(), table[mode].picked[g]) << groups[g];
        EXPECT_EQ(MousepadLive().lightMode, mode);
        EXPECT_FALSE(preview.Paused(DeviceKind::Mousepad));
        const auto write = LastWrite(*mousepad_);
        ASSERT_TRUE(write);
        EXPECT_EQ(write->frame[8 + 1], mode);
        EXPECT_EQ(MousepadLightFile()[1], mode);

        subsystems_->RefreshPages(zk::pages::DeviceKind::Mousepad);
        EXPECT_EQ(Find("mp_deng_fx_layout")->isEnabled(), table[mode].fxAfterRefresh);
        for (int g = 1; g < 5; ++g)
            EXPECT_EQ(Find(groups[g])->isEnabled(), table[mode].picked[g]) << groups[g];
        EXPECT_EQ(Find<QComboBox>("mp_deng_combo_modeSelect")->currentIndex(), mode);
    }
    Pick("mp_deng_combo_modeSelect", 0);
    Screenshot(QStringLiteral("mousepad_light_cn"));
    Language("lan_en");
    Screenshot(QStringLiteral("mousepad_light_en"));
}

TEST_F(LightPages, MousepadEditAbove255IsRewrittenAndStored) {
    OpenEmulated(0);
    ShowMousepadPage();
    Pick("mp_deng_combo_modeSelect", 3);
    Type("mp_Deng_edit_G", QStringLiteral("abc"));
    mousepad_->ClearRequestLog();
    Type("mp_Deng_edit_R", QStringLiteral("300"));
    EXPECT_EQ(Find<QLineEdit>("mp_Deng_edit_R")->text(), QStringLiteral("255"));
    EXPECT_EQ(MousepadLive().lightRed, 255);
    EXPECT_EQ(MousepadLive().lightGreen, 0);
    const auto write = LastWrite(*mousepad_);
    ASSERT_TRUE(write);
    EXPECT_EQ(write->frame[8 + 6], 255);
    EXPECT_EQ(write->frame[8 + 7], 0);
    EXPECT_EQ(MousepadLightFile()[6], 255);
    const uint shown = Find("mp_deng_Color_Pallet")->property("selectColor").toUInt();
    EXPECT_EQ((shown >> 16) & 0xFF, 255u);
    EXPECT_EQ((shown >> 8) & 0xFF, 0u);
}

// On both pages: the cycle check writes the cycle byte, and a colour picked
// on the palette always turns cycling off again.
TEST_F(LightPages, ColourChoiceTurnsCyclingOffOnBothPages) {
    OpenEmulated(0);
    struct Case {
        const char* prefix;
        const char* tab;
        emu::EmulatedDevice* device;
        const zk::settings::LiveLightState* live;
        int mode; // a mode with the cycle group
    };
    for (const Case& c : {Case{"mp", "mp", mousepad_, &MousepadLive(), 2},
                          Case{"kb", "kb", keyboard_, &KeyboardLive(), 2}}) {
        SCOPED_TRACE(c.prefix);
        const QByteArray p(c.prefix);
        if (p == "mp")
            ShowMousepadPage();
        else
            ShowKeyboardLighting();
        Pick(p == "mp" ? "mp_deng_combo_modeSelect" : "kb_deng_combo_modeSelect", c.mode);
        auto* check = Find<QAbstractButton>((p + "_Deng_7color_check").constData());
        ASSERT_NE(check, nullptr);
        if (!check->isChecked())
            QTest::mouseClick(check, Qt::LeftButton);
        ASSERT_TRUE(check->isChecked());
        EXPECT_EQ(c.live->colourCycle, 1);
        auto write = LastWrite(*c.device);
        ASSERT_TRUE(write);
        EXPECT_EQ(write->frame[8 + 5], 1);

        c.device->ClearRequestLog();
        QWidget* palette = Find((p + "_deng_Color_Pallet").constData());
        QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(palette->width() / 3, 10));
        const uint chosen = palette->property("selectColor").toUInt();
        EXPECT_FALSE(check->isChecked());
        EXPECT_EQ(c.live->colourCycle, 0);
        write = LastWrite(*c.device);
        ASSERT_TRUE(write);
        EXPECT_EQ(write->frame[8 + 5], 0);
        EXPECT_EQ(write->frame[8 + 6], (chosen >> 16) & 0xFF);
        EXPECT_EQ(write->frame[8 + 7], (chosen >> 8) & 0xFF);
        EXPECT_EQ(write->frame[8 + 8], chosen & 0xFF);
        EXPECT_EQ(Find<QLineEdit>((p + "_Deng_edit_B").constData())->text(),
                  QString::number(chosen & 0xFF));
        const std::uint8_t fileCycle = p == "mp" ? MousepadLightFile()[5] : KeyboardLightFile()[5];
        EXPECT_EQ(fileCycle, 0);
    }
    Screenshot(QStringLiteral("keyboard0_light_cn"));
    Language("lan_en");
    Screenshot(QStringLiteral("keyboard0_light_en"));
}

// Model 1 has one backlight colour: whatever colour the keyboard reports, the
// page shows the fixed one after the refresh of message 0xB02.
TEST_F(LightPages, KeyboardModelOneShowsTheFixedColourAfterARefresh) {
    OpenEmulated(1);
    ShowKeyboardLighting();
    EXPECT_FALSE(Find("kb_deng_combo_modeSelect")->isVisible());
    EXPECT_TRUE(Find("kb_deng_onecolor_combo_modeSelect")->isVisible());
    EXPECT_EQ(Find<QComboBox>("kb_deng_onecolor_combo_modeSelect")->count(), 11);
    keyboard_->SetMemory(emu::MemoryArea::Settings, 0, {0, 2, 3, 1, 0, 1, 10, 20, 30});
    wnd_->PostMessage(zk::app::kMsgKeyboardReread);
    ASSERT_TRUE(SpinUntil([this] { return KeyboardLive().lightBlue == 30; }, 2s));
    Spin(50ms);
    EXPECT_EQ(Find<QComboBox>("kb_deng_onecolor_combo_modeSelect")->currentIndex(), 2);
    const uint fixed = 0xFF000000u | (zk::lighting::kModel1Red << 16) |
                       (zk::lighting::kModel1Green << 8) | zk::lighting::kModel1Blue;
    EXPECT_EQ(Find("kb_deng_Color_Pallet")->property("selectColor").toUInt(), fixed);
    EXPECT_EQ(zk::ui::GetBkColor(Find("kb_Deng_colordp_btn")), fixed);
    EXPECT_EQ(Find<QLineEdit>("kb_Deng_edit_R")->text(), QString::number(zk::lighting::kModel1Red));
    EXPECT_FALSE(Find<QAbstractButton>("kb_Deng_7color_check")->isChecked());
    EXPECT_EQ(Find<QAbstractSlider>("kb_deng_light_slider")->value(), 3);
    EXPECT_EQ(Find<QAbstractSlider>("kb_deng_speed_slider")->value(), 4 - 1);
    Screenshot(QStringLiteral("keyboard1_light_cn"));
    Language("lan_en");
    Screenshot(QStringLiteral("keyboard1_light_en"));
}

// Painting a custom layer on either model: a drag across three keys lands in
// the selected layer of the light and device profile files and shows in the
// preview; a right click clears a key, the clear button the layer; nothing
// is written to the keyboard; on the key-operation tab the keys do not paint.
class LightPagesPaint : public LightPages, public ::testing::WithParamInterface<int> {};

TEST_P(LightPagesPaint, ADragPaintsKeysIntoTheSelectedLayer) {
    const int model = GetParam();
    OpenEmulated(model);
    ShowKeyboardLighting();
    const char* modeCombo =
        model == 0 ? "kb_deng_combo_modeSelect" : "kb_deng_onecolor_combo_modeSelect";
    const int customMode = model == 0 ? 8 : 6;
    Pick(modeCombo, customMode);
    ASSERT_TRUE(Find("kb_deng_custom_tool_layout")->isEnabled());
    ASSERT_TRUE(Find("kb_deng_custom_select_layout")->isEnabled());
    Pick("kb_deng_combo_curtom_count", 2);
    EXPECT_EQ(subsystems_->KeyboardImage().lightRecord.customLayer, 2);
    Type("kb_Deng_edit_R", QStringLiteral("200"));
    Type("kb_Deng_edit_G", QStringLiteral("40"));
    Type("kb_Deng_edit_B", QStringLiteral("90"));
    EXPECT_EQ(zk::ui::GetBkColor(Find("kb_Deng_custom_colordp_btn")), 0xFFC8285Au);
    Spin(200ms);
    keyboard_->ClearRequestLog();

    const auto before = KeyboardLightFile();
    const std::array<int, 3> painted = {22, 23, 24};
    auto* first = Find(("kb_key_" + std::to_string(painted[0])).c_str());
    ASSERT_NE(first, nullptr);
    QTest::mousePress(first, Qt::LeftButton, {}, first->rect().center());
    for (int key : painted) {
        QWidget* k = Find(("kb_key_" + std::to_string(key)).c_str());
        QTest::mouseMove(first, first->mapFromGlobal(k->mapToGlobal(k->rect().center())));
    }
    QWidget* last = Find(("kb_key_" + std::to_string(painted.back())).c_str());
    QTest::mouseRelease(first, Qt::LeftButton, {},
                        first->mapFromGlobal(last->mapToGlobal(last->rect().center())));

    const std::size_t layer =
        zk::settings::kCustomLayersOffset + 2 * zk::settings::kCustomLayerSize;
    auto entryOf = [&](int key) {
        return model == 0 ? layer + 3 * std::size_t{zk::lighting::kColourMap[key]}
                          : layer + zk::lighting::kBrightnessMap[key];
    };
    const std::vector<std::uint8_t> expected =
        model == 0 ? std::vector<std::uint8_t>{200, 40, 90} : std::vector<std::uint8_t>{200};
    const auto lightFile = KeyboardLightFile();
    const auto deviceFile = KeyboardDeviceFile();
    for (int key : painted)
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(lightFile[entryOf(key) + i], expected[i]) << key;
            EXPECT_EQ(deviceFile[zk::settings::kKeyTableSize + entryOf(key) + i], expected[i])
                << key;
        }
    // A key the drag did not cross keeps its entry.
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lightFile[entryOf(25) + i], before[entryOf(25) + i]);
    EXPECT_EQ(lightFile[zk::settings::kCustomLayerSelectOffset], 2);

    // The preview draws the painted keys (model 1 in its fixed colour).
    const auto& frame = subsystems_->Preview().Frame();
    // Opacity: the brightness curve value, scaled by the painted brightness on model 1.
    const unsigned b = zk::lighting::BrightnessValue(KeyboardLive().lightBrightness);
    const std::uint32_t rgb =
        model == 0 ? 0xC8285Au
                   : (std::uint32_t{zk::lighting::kModel1Red} << 16 |
                      std::uint32_t{zk::lighting::kModel1Green} << 8 | zk::lighting::kModel1Blue);
    const std::uint32_t tint = ((model == 0 ? b : (b * 200) >> 8) << 24) | rgb;
    for (int key : painted)
        EXPECT_TRUE(SpinUntil([&] { return frame.Keyboard(key) == tint; }, 3s))
            << key << ": " << std::hex << frame.Keyboard(key) << " instead of " << tint;
    EXPECT_TRUE(frame.KeyboardTintOn());
    Spin(120ms);
    Screenshot(QStringLiteral("keyboard%1_painted_cn").arg(model));
    Language("lan_en");
    Spin(120ms);
    Screenshot(QStringLiteral("keyboard%1_painted_en").arg(model));

    // A right click clears one key; the button clears the whole layer.
    QTest::mouseClick(first, Qt::RightButton, {}, first->rect().center());
    EXPECT_EQ(KeyboardLightFile()[entryOf(painted[0])], 0);
    EXPECT_EQ(KeyboardLightFile()[entryOf(painted[1])], 200);
    Click("kb_deng_custom_clear_btn");
    EXPECT_EQ(KeyboardDeviceFile()[zk::settings::kKeyTableSize + entryOf(painted[1])], 0);
    Spin(250ms);
    EXPECT_TRUE(WritesOf(*keyboard_).empty()) << "custom layers stay on the PC";

    // On the key-operation tab a click is the key's own again and the picture
    // shows no light.
    Click("kb_key_Op_tab");
    QTest::mouseClick(first, Qt::LeftButton, {}, first->rect().center());
    EXPECT_EQ(KeyboardLightFile()[entryOf(painted[0])], 0);
    ASSERT_TRUE(SpinUntil([&] { return !frame.KeyboardTintOn(); }, 2s));
}

INSTANTIATE_TEST_SUITE_P(BothModels, LightPagesPaint, ::testing::Values(0, 1));

} // namespace
