#include "LightPageTestEnv.h"

#include "pages/LightPageParts.h"
#include "settings/LightLayout.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>

#include <algorithm>

namespace lighttest {
namespace {

using namespace zk;
using namespace settings;
using dpitest::RecordOfProfileFile;
using dpitest::Spin;
using dpitest::SpinUntil;
using std::chrono::milliseconds;

class LightPage : public LightPageTest {
protected:
    // Breathing: a mode whose colour controls are all usable.
    void SetUp() override {
        LightPageTest::SetUp();
        PutByte(image_.RecordBytes()[kLightMode], 2);
        page_->Refresh();
    }
    QAbstractButton* Option(const char* name) const {
        return Control<QAbstractButton>(QString::fromLatin1(name));
    }
    void Click(const char* name) {
        QAbstractButton* button = Option(name);
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    // Replaces the text of a colour edit by typing `text`.
    void Type(const char* edit, const QString& text) {
        auto* line = Control<QLineEdit>(QString::fromLatin1(edit));
        ASSERT_NE(line, nullptr) << edit;
        line->setFocus();
        line->selectAll();
        QTest::keyClick(line, Qt::Key_Backspace);
        QTest::keyClicks(line, text);
    }
    std::uint32_t Sample() const {
        return ui::GetBkColor(Control(QStringLiteral("ms_Deng_colordp_btn")));
    }
    QString SamplePicture() const {
        return ui::GetBkImage(Control(QStringLiteral("ms_Deng_colordp_btn")));
    }
    std::uint32_t PaletteColour() const {
        return Control(QStringLiteral("ms_deng_Color_Pallet"))->property("selectColor").toUInt();
    }
    // The single colour of the record.
    std::uint32_t OpaqueColourOf() const {
        return pages::OpaqueColour(Byte(kLightRed), Byte(kLightGreen), Byte(kLightBlue));
    }
    bool Cycling() const { return ui::IsSelected(Option("ms_Deng_7color_check")); }
    // The profile file's byte, once the page's save of this pass has run.
    std::uint8_t SavedByte(std::size_t offset) const {
        Spin(milliseconds(5));
        const auto saved = RecordOfProfileFile("profile1");
        return saved ? (*saved)[offset] : 0xEE;
    }
    // Starts `action` right after a flush tick, so that it falls between two.
    void AfterTick(const std::function<void()>& action) {
        bool done = false;
        auto connection = QObject::connect(&flush_, &QTimer::timeout, [&] {
            if (done)
                return;
            done = true;
            mouse_->ClearRequestLog();
            action();
        });
        ASSERT_TRUE(SpinUntil([&] { return done; }));
        QObject::disconnect(connection);
    }
};

TEST_F(LightPage, WaveOptionStoresModeZeroFullBrightnessAndItsSpeedAndTheMouseHasItWithin100Ms) {
    PutByte(image_.RecordBytes()[kLightBrightness], 1);
    Control<QSlider>(QStringLiteral("slider_ls"))->setValue(2);
    std::chrono::steady_clock::time_point clicked;
    AfterTick([&] {
        clicked = std::chrono::steady_clock::now();
        Click("light_check_4");
    });
    EXPECT_EQ(Byte(kLightMode), 0);
    EXPECT_EQ(Byte(kLightBrightness), 4);
    EXPECT_EQ(Byte(kLightSpeed), 2);
    // Only the chosen option is selected, and only its slider can move.
    for (const char* name : {"light_check_1", "light_check_2", "light_check_3", "light_check_5",
                             "light_check_6", "light_check_7", "left_key_check"})
        EXPECT_FALSE(ui::IsSelected(Option(name))) << name;
    EXPECT_TRUE(Control(QStringLiteral("slider_ls"))->isEnabled());
    EXPECT_FALSE(Control(QStringLiteral("slider_hx"))->isEnabled());
    EXPECT_FALSE(Option("left_key_check")->isEnabled());

    ASSERT_TRUE(NextWrite(0));
    const auto write = Writes().front();
    EXPECT_LE(std::chrono::duration_cast<milliseconds>(write.time - clicked).count(), 110);
    EXPECT_EQ(write.frame[4], 56);
    for (std::size_t i = 0; i < kMouseSettingsRecordSize; ++i)
        EXPECT_EQ(write.frame[8 + i], Byte(i)) << "the whole record, byte " << i;
    const auto memory = mouse_->Memory(emulator::MemoryArea::Settings);
    EXPECT_EQ(memory[kLightMode], 0);
    EXPECT_EQ(memory[kLightSpeed], 2);
    EXPECT_EQ(SavedByte(kLightBrightness), 4);

    // The reactive option brings the key options with it, the left one chosen.
    Click("light_check_7");
    EXPECT_EQ(Byte(kLightMode), 6);
    EXPECT_TRUE(ui::IsSelected(Option("left_key_check")));
    EXPECT_TRUE(Option("middle_key_check")->isEnabled());
    Click("middle_key_check");
    EXPECT_TRUE(ui::IsSelected(Option("light_check_7")));
    EXPECT_TRUE(ui::IsSelected(Option("middle_key_check")));
    EXPECT_FALSE(ui::IsSelected(Option("left_key_check")));
}

TEST_F(LightPage, ColourEditsKeepTheirComponentWithinRange) {
    struct Case {
        const char* typed;
        const char* shown;
        std::uint8_t stored;
    };
    const Case cases[] = {{"300", "255", 255}, {"abc", "abc", 0}, {"-7", "0", 0}, {"42", "42", 42}};
    if (!Cycling())
        Click("ms_Deng_7color_check");
    ASSERT_TRUE(Cycling());
    for (const Case& c : cases) {
        Type("ms_Deng_edit_G", QString::fromLatin1(c.typed));
        EXPECT_EQ(Control<QLineEdit>(QStringLiteral("ms_Deng_edit_G"))->text(),
                  QString::fromLatin1(c.shown))
            << c.typed;
        EXPECT_EQ(Byte(kLightGreen), c.stored) << c.typed;
        EXPECT_EQ(SavedByte(kLightGreen), c.stored) << c.typed;
        EXPECT_EQ(Byte(kLightColourCycle), 0) << c.typed;
        EXPECT_FALSE(Cycling()) << c.typed;
        EXPECT_EQ((Sample() >> 8) & 0xFF, c.stored) << c.typed;
        EXPECT_EQ(PaletteColour(), Sample()) << c.typed;
        EXPECT_TRUE(SamplePicture().isEmpty()) << c.typed;
    }
}

TEST_F(LightPage, PickedColoursTurnCyclingOffAndAreStored) {
    if (!Cycling())
        Click("ms_Deng_7color_check");
    ASSERT_EQ(Byte(kLightColourCycle), 1);
    QWidget* palette = Control(QStringLiteral("ms_deng_Color_Pallet"));
    QTest::mouseClick(palette, Qt::LeftButton, {},
                      QPoint(palette->width() * 3 / 4, palette->height() / 4));
    const std::uint32_t picked = PaletteColour();
    EXPECT_EQ(Byte(kLightColourCycle), 0);
    EXPECT_FALSE(Cycling());
    EXPECT_EQ(OpaqueColourOf(), picked);
    EXPECT_EQ(Sample(), picked);
    EXPECT_TRUE(SamplePicture().isEmpty());
    EXPECT_EQ(Control<QLineEdit>(QStringLiteral("ms_Deng_edit_R"))->text(),
              QString::number((picked >> 16) & 0xFF));
    EXPECT_EQ(SavedByte(kLightBlue), picked & 0xFF);

    // A swatch stores its own colour and moves the palette's mark to it.
    Click("ms_Deng_7color_check");
    QWidget* swatch = Control(QStringLiteral("color_option_3"));
    const std::uint32_t colour = ui::GetBkColor(swatch);
    ASSERT_NE(colour, 0u);
    QTest::mouseClick(static_cast<QAbstractButton*>(swatch), Qt::LeftButton);
    EXPECT_EQ(Byte(kLightColourCycle), 0);
    EXPECT_EQ(OpaqueColourOf(), colour);
    EXPECT_EQ(PaletteColour(), colour);
}

TEST_F(LightPage, TheSevenColourOptionClickedTwiceComesBack) {
    const std::uint8_t first = Byte(kLightColourCycle);
    Click("ms_Deng_7color_check");
    EXPECT_EQ(Byte(kLightColourCycle), first ? 0 : 1);
    EXPECT_EQ(SamplePicture().isEmpty(), first != 0);
    Click("ms_Deng_7color_check");
    EXPECT_EQ(Byte(kLightColourCycle), first);
    EXPECT_EQ(SamplePicture().isEmpty(), first == 0);
    EXPECT_EQ(SavedByte(kLightColourCycle), first);
}

TEST_F(LightPage, ARefreshShowsTheColourExceptForTheSpectrumCycle) {
    StopFlush();
    for (std::uint8_t mode : {1, 3}) {
        const std::uint32_t before = 0xFF102030u;
        Control(QStringLiteral("ms_deng_Color_Pallet"))->setProperty("selectColor", before);
        ui::SetBkColor(Control(QStringLiteral("ms_Deng_colordp_btn")), before);
        for (auto [offset, value] : {std::pair{kLightMode, mode},
                                     {kLightRed, 200},
                                     {kLightGreen, 100},
                                     {kLightBlue, 50},
                                     {kLightColourCycle, 0}})
            PutByte(image_.RecordBytes()[offset], value);
        page_->Refresh();
        const std::uint32_t shown = mode == 1 ? before : 0xFFC86432u;
        EXPECT_EQ(PaletteColour(), shown) << int(mode);
        EXPECT_EQ(Sample(), shown) << int(mode);
    }
    // The chosen mode shows in both forms.
    EXPECT_TRUE(ui::IsSelected(Option("light_check_1")));
    auto* combo = Control<QComboBox>(QStringLiteral("ms_deng_combo_modeSelect2"));
    EXPECT_EQ(combo->currentIndex(), 3);
}

TEST_F(LightPage, EachModeComboEnablesThePartsOfItsTable) {
    // Rows: fx, colour, seven-colour select, speed, same mode.
    using Row = std::array<int, 5>;
    const std::vector<Row> tables[3] = {
        {{0, 0, 0, 1, 1},
         {0, 1, 1, 1, 1},
         {0, 1, 1, 1, 1},
         {0, 1, 0, 0, 1},
         {1, 1, 1, 1, 0},
         {1, 1, 1, 1, 0}},
        {{1, 1, 1, 1, 1},
         {0, 0, 0, 1, 1},
         {0, 1, 1, 1, 1},
         {0, 1, 0, 0, 1},
         {1, 1, 1, 1, 0},
         {1, 1, 0, 1, 0},
         {0, 0, 0, 1, 0}},
        {{1, 1, 1, 1, 1},
         {0, 0, 0, 1, 1},
         {0, 1, 1, 1, 1},
         {0, 1, 0, 0, 1},
         {1, 1, 1, 1, 0},
         {1, 1, 1, 1, 0},
         {0, 1, 1, 1, 0}},
    };
    Click("ms_deng_view_list");
    EXPECT_EQ(Control<QStackedWidget>(QStringLiteral("ms_deng_forms"))->currentIndex(), 1);
    for (int c = 0; c < 3; ++c) {
        const QString name = QStringLiteral("ms_deng_combo_modeSelect%1").arg(c);
        auto* combo = Control<QComboBox>(name);
        ASSERT_NE(combo, nullptr) << c;
        ASSERT_EQ(combo->count(), static_cast<int>(tables[c].size())) << c;
        for (int index = static_cast<int>(tables[c].size()) - 1; index >= 0; --index) {
            ui::SelectItem(combo, index, true); // as the user's pick raises it
            EXPECT_EQ(Byte(kLightMode), index) << c << ' ' << index;
            for (std::size_t part = 0; part < pages::kModePartNames.size(); ++part) {
                QWidget* widget = Control(QString::fromLatin1(pages::kModePartNames[part]));
                ASSERT_NE(widget, nullptr) << pages::kModePartNames[part];
                EXPECT_EQ(widget->isEnabled(),
                          tables[c][static_cast<std::size_t>(index)][part] != 0)
                    << name.toStdString() << " index " << index << ' '
                    << pages::kModePartNames[part];
            }
        }
    }
    // Back in the modes form every colour part is usable again.
    Click("ms_deng_view_modes");
    EXPECT_TRUE(Control(QStringLiteral("ms_deng_color_layout"))->isEnabled());
}

TEST_F(LightPage, TheFlushEnablesTheColourLayoutsByTheModeWritten) {
    struct Case {
        const char* option;
        bool rgb;
        bool cycle;
    };
    // Spectrum disables the colour edits; steady disables only the cycle option.
    PutByte(image_.RecordBytes()[kLightMode], 6);
    page_->Refresh();
    for (const Case& c : {Case{"light_check_3", false, true}, Case{"light_check_1", true, false},
                          Case{"light_check_4", true, true}}) {
        const std::size_t before = Writes().size();
        Click(c.option);
        ASSERT_TRUE(NextWrite(before)) << c.option;
        Spin(milliseconds(20));
        EXPECT_EQ(Control(QStringLiteral("RGB_Color_Edit_Layout"))->isEnabled(), c.rgb) << c.option;
        EXPECT_EQ(Control(QStringLiteral("deng_7colorselect_layout"))->isEnabled(), c.cycle)
            << c.option;
    }
}

TEST_F(LightPage, ABurstOfFiftyEditsReachesTheMouseInAtMostTwoFrames) {
    Click("ms_deng_view_list");
    auto* bright = Control<QSlider>(QStringLiteral("ms_deng_light_slider"));
    auto* speed = Control<QSlider>(QStringLiteral("ms_deng_speed_slider"));
    std::chrono::steady_clock::time_point start;
    AfterTick([&] {
        start = std::chrono::steady_clock::now();
        for (int i = 0; i < 25; ++i) {
            QTest::keyClick(bright, i % 2 ? Qt::Key_Right : Qt::Key_Left);
            QTest::keyClick(speed, i % 2 ? Qt::Key_Left : Qt::Key_Right);
        }
    });
    EXPECT_LT(
        std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start).count(),
        100);
    ASSERT_TRUE(NextWrite(0));
    Spin(milliseconds(250));
    const auto writes = Writes();
    ASSERT_GE(writes.size(), 1u);
    EXPECT_LE(writes.size(), 2u);
    const auto& last = writes.back().frame;
    EXPECT_EQ(last[8 + kLightBrightness], bright->value());
    EXPECT_EQ(last[8 + kLightSpeed], 4 - speed->value());
    EXPECT_EQ(SavedByte(kLightBrightness), bright->value());
    EXPECT_EQ(SavedByte(kLightSpeed), 4 - speed->value());
}

TEST_F(LightPage, ThePreviewFollowsModeColourBrightnessAndCycling) {
    StopFlush();
    // Steady red at full brightness on every LED.
    Click("light_check_1");
    QTest::mouseClick(static_cast<QAbstractButton*>(Control(QStringLiteral("color_option_1"))),
                      Qt::LeftButton);
    RunPreviewFrames(1);
    const std::uint32_t red =
        0xFF000000u | (ui::GetBkColor(Control(QStringLiteral("color_option_1"))) & 0x00FFFFFFu);
    for (std::size_t led = 0; led < 20; ++led)
        EXPECT_EQ(services_.bound.Frame().Mouse(led), red) << led;

    // Its slider lowers the brightness: level 2 is opacity 149.
    auto* slider = Control<QSlider>(QStringLiteral("slider_cl"));
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Left);
    QTest::keyClick(slider, Qt::Key_Left);
    EXPECT_EQ(Byte(kLightBrightness), 2);
    RunPreviewFrames(1);
    EXPECT_EQ(services_.bound.Frame().Mouse(0) >> 24, 149u);

    // The ripple option restarts the ring with its marker at cell 7; a frame
    // later (sweep direction 0) it stands at cell 8.
    PutByte(image_.RecordBytes()[kLightDirection], 0);
    Click("light_check_6");
    RunPreviewFrames(1);
    const auto& ring = services_.bound.MouseState().ring;
    EXPECT_EQ(std::count(ring.begin(), ring.end(), 1), 1);
    EXPECT_EQ(ring[8], 1);

    // The spectrum cycle takes its colours from the wheel, not the single colour.
    QTest::mouseClick(static_cast<QAbstractButton*>(Control(QStringLiteral("color_option_6"))),
                      Qt::LeftButton);
    const std::uint32_t single = OpaqueColourOf() & 0x00FFFFFFu;
    Click("light_check_3");
    RunPreviewFrames(1);
    EXPECT_NE(services_.bound.Frame().Mouse(0) & 0x00FFFFFFu, single);
    EXPECT_EQ(services_.bound.Frame().Mouse(0) >> 24, 255u);
}

TEST_F(LightPage, TheColourButtonShowsAndHidesThePanel) {
    QWidget* panel = Control(QStringLiteral("mouse_light"));
    const bool hidden = panel->isHidden();
    QTest::mouseClick(Option("light_btn"), Qt::LeftButton);
    EXPECT_EQ(panel->isHidden(), !hidden);
    QTest::mouseClick(Option("light_btn"), Qt::LeftButton);
    EXPECT_EQ(panel->isHidden(), hidden);
}

} // namespace
} // namespace lighttest
