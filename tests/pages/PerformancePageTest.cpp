// The performance page over its own layout, clicked through its real widgets
// against the emulated mouse: the rate in "name.ini", the record and the
// device; the values the desktop receives; the wheel rules; restoring the
// factory settings.

#include "DpiPageTestEnv.h"

#include "pages/mouse/PerformancePage.h"
#include "platform/Folders.h"
#include "platform/PointerSettings.h"
#include "profiles/NameFile.h"
#include "profiles/ProfileFile.h"
#include "ui/Controls.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QSlider>
#include <QStyle>
#include <QTest>

#include <fstream>
#include <map>
#include <mutex>

namespace dpitest {
namespace {

using namespace zk;
using platform::PointerSetting;

// A desktop that takes every value but one screen per notch, as Plasma does,
// and records what it was given.
class RecordingDesktop final : public platform::PointerBackend {
public:
    struct Log {
        std::mutex mutex;
        std::map<PointerSetting, std::vector<int>> writes;
    };
    explicit RecordingDesktop(std::shared_ptr<Log> log) : log_(std::move(log)) {}
    std::string_view Name() const override { return "Recording"; }
    bool Applies(PointerSetting s, int value) const override {
        return s != PointerSetting::WheelLines || value != platform::kWheelOneScreen;
    }
    bool Write(PointerSetting s, int value) override {
        std::lock_guard lock(log_->mutex);
        log_->writes[s].push_back(value);
        return true;
    }
    std::optional<int> Read(PointerSetting) const override { return std::nullopt; }

private:
    std::shared_ptr<Log> log_;
};

class CursorWindow : public ui::WindowImplBase {
public:
    explicit CursorWindow(std::function<void(ui::TNotifyUI&)> notify)
        : notify_(std::move(notify)) {}
    QString GetWindowClassName() const override { return QStringLiteral("CursorPageWnd"); }
    QString GetSkinFile() override { return QStringLiteral("Mouse_cursor.ui"); }
    void Notify(ui::TNotifyUI& msg) override { notify_(msg); }

private:
    std::function<void(ui::TNotifyUI&)> notify_;
};

// Centre of the slider's handle: the skin's 16-pixel handle travels over the
// width less its own.
QPoint HandleCentre(QSlider* slider) {
    const int span = slider->width() - 16;
    const int x = 8 + QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(),
                                                      slider->value(), span);
    return {x, slider->height() / 2};
}

class PerformancePage : public DpiPageTest {
protected:
    void SetUp() override {
        DpiPageTest::SetUp();
        if (HasFatalFailure())
            return;
        log_ = std::make_shared<RecordingDesktop::Log>();
        services_.pointer = std::make_unique<platform::PointerSettings>(
            std::make_unique<RecordingDesktop>(log_), home_.path() / "pointer.ini");
        cursor_ = std::make_unique<CursorWindow>([this](ui::TNotifyUI& msg) {
            if (perf_ && perf_->Claims(msg.senderName))
                perf_->Notify(msg);
        });
        ASSERT_TRUE(cursor_->Create(nullptr, QStringLiteral("Performance"), ui::WindowStyle::Frame,
                                    QRect(0, 0, 640, 520)));
        perf_ = std::make_unique<pages::PerformancePage>(cursor_.get(), session_, services_);
        perf_->Refresh();
        cursor_->ShowWindow(true);
        SpinUntil([this] { return cursor_->isVisible(); });
        // Focus moves (the wheel edit's "killfocus") need the active window.
        cursor_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(cursor_.get()));
        mouse_->ClearRequestLog();
    }
    void TearDown() override {
        services_.pointer->WaitIdle();
        perf_.reset();
        cursor_.reset();
        DpiPageTest::TearDown();
    }

    template <class T = QWidget> T* Get(const char* name) const {
        auto* w = qobject_cast<T*>(cursor_->FindControl(QString::fromLatin1(name)));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Click(const char* name) { QTest::mouseClick(Get<QAbstractButton>(name), Qt::LeftButton); }
    // Moves a slider to `position` with the keyboard, as a user steps it.
    void StepTo(const char* name, int position) {
        auto* slider = Get<QSlider>(name);
        slider->setValue(position == slider->minimum() ? position + 1 : position - 1);
        slider->setFocus();
        QTest::keyClick(slider, position == slider->minimum() ? Qt::Key_Left : Qt::Key_Right);
        ASSERT_EQ(slider->value(), position);
    }
    // What the desktop was given last.
    std::optional<int> Desktop(PointerSetting s) {
        services_.pointer->WaitIdle();
        std::lock_guard lock(log_->mutex);
        const auto& w = log_->writes[s];
        return w.empty() ? std::nullopt : std::optional<int>(w.back());
    }
    profiles::MouseNameFile NameFile() const {
        return *profiles::MouseNameFile::ForSelectedProfile();
    }
    // The saved profile record of the selected profile (64 bytes).
    std::array<std::uint8_t, 64> SavedRecord() const {
        const auto name =
            profiles::MouseProfileStore::Index().SelectedName(profiles::ProfileKind::Device);
        const auto path = profiles::ProfileFilePath(profiles::DeviceKind::Mouse, name,
                                                    profiles::kDeviceExtension);
        std::array<std::uint8_t, profiles::kMouseDeviceBody> body{};
        EXPECT_EQ(profiles::ReadProfileFile(*path, body), profiles::kProfileRead);
        std::array<std::uint8_t, 64> record{};
        std::copy_n(body.begin() + 512, 64, record.begin());
        return record;
    }
    // One-byte writes at `address`, in order.
    std::vector<int> ByteWritesAt(int address) const {
        std::vector<int> out;
        for (const auto& r : Writes())
            if (r.frame[4] == 1 && (r.frame[5] | (r.frame[6] << 8)) == address)
                out.push_back(r.frame[8]);
        return out;
    }
    int RateAddress() const { return image_.RecordByte(0) * 64 + 14; }

    std::shared_ptr<RecordingDesktop::Log> log_;
    std::unique_ptr<CursorWindow> cursor_;
    std::unique_ptr<pages::PerformancePage> perf_;
};

TEST_F(PerformancePage, EachRateButtonReachesNameFileRecordAndMouse) {
    const char* pictures[] = {"qelma/125.png", "qelma/250.png", "qelma/500.png", "qelma/1000.png"};
    for (int b : {1, 3, 4, 2}) {
        const int code = b - 1;
        mouse_->ClearRequestLog();
        Click(QStringLiteral("rate_slider%1").arg(b).toLatin1().constData());
        EXPECT_EQ(NameFile().UsbRateText(), std::to_string(code)) << b;
        EXPECT_EQ(image_.RecordByte(14), code) << b;
        EXPECT_EQ(ByteWritesAt(RateAddress()), std::vector<int>{code}) << b;
        EXPECT_EQ(mouse_->Memory(emulator::MemoryArea::Settings)[RateAddress()], code) << b;
        EXPECT_EQ(SavedRecord()[14], code) << b;
        EXPECT_EQ(ui::GetBkImage(Get("USB_rate_slider1")), pictures[code]) << b;
        EXPECT_EQ(Get<QSlider>("USB_rate_slider")->value(), b) << b;
        EXPECT_TRUE(
            Get<QAbstractButton>(QStringLiteral("rate_slider%1").arg(b).toLatin1().constData())
                ->isChecked());
    }
}

TEST_F(PerformancePage, RateSliderAtThreeTwiceGives500Then1000Hz) {
    StepTo("USB_rate_slider", 3);
    EXPECT_EQ(image_.RecordByte(14), 2);
    EXPECT_EQ(ByteWritesAt(RateAddress()), std::vector<int>{2});
    // Taking the handle and letting it go at 3 again.
    auto* slider = Get<QSlider>("USB_rate_slider");
    const QPoint handle = HandleCentre(slider);
    QTest::mousePress(slider, Qt::LeftButton, {}, handle);
    ASSERT_TRUE(slider->isSliderDown());
    QTest::mouseRelease(slider, Qt::LeftButton, {}, handle);
    EXPECT_EQ(image_.RecordByte(14), 3);
    EXPECT_EQ(ByteWritesAt(RateAddress()), (std::vector<int>{2, 3}));
    EXPECT_EQ(NameFile().UsbRateText(), "3");
    EXPECT_EQ(ui::GetBkImage(Get("USB_rate_slider1")), "qelma/1000.png");
    EXPECT_EQ(slider->value(), 4);
}

TEST_F(PerformancePage, SliderPositionsGiveTheDesktopItsValues) {
    struct Case {
        const char* slider;
        int position;
        PointerSetting setting;
        int desktop;
    };
    const Case cases[] = {
        {"mouse_speed_slider1", 0, PointerSetting::Speed, 1},
        {"mouse_speed_slider1", 10, PointerSetting::Speed, 20},
        {"mouse_speed_slider1", 4, PointerSetting::Speed, 8},
        {"DBC_speed_slider2", 5, PointerSetting::DoubleClick, 600},
        {"DBC_speed_slider2", 0, PointerSetting::DoubleClick, 1000},
        {"DBC_speed_slider2", 10, PointerSetting::DoubleClick, 200},
    };
    for (const Case& c : cases) {
        StepTo(c.slider, c.position);
        EXPECT_EQ(Desktop(c.setting), c.desktop) << c.slider << " " << c.position;
        EXPECT_EQ(ui::GetBkImage(Get(c.slider)),
                  QStringLiteral("qelma/%1.png").arg(c.position + 1));
        if (c.setting == PointerSetting::Speed) {
            EXPECT_EQ(NameFile().MouseSpeed(), c.position);
            EXPECT_EQ(image_.pointerSpeed.load(), c.desktop);
            EXPECT_EQ(SavedRecord()[41], c.desktop);
            EXPECT_EQ(Get<QSlider>("ms_point_speed_slider")->value(),
                      std::max(0, c.desktop / 2 - 1));
        } else {
            EXPECT_EQ(NameFile().DoubleClick(), c.position);
            EXPECT_EQ(image_.doubleClickSetting.load(), 1100 - 100 * c.position);
        }
    }
}

TEST_F(PerformancePage, WheelButtonsReadTheEditAndKeepOneToHundred) {
    struct Case {
        const char* text;
        const char* button;
        int lines;
    };
    const Case cases[] = {{"abc", "speed_up_btn", 2},
                          {"0", "speed_down_btn", 1},
                          {"100", "speed_up_btn", 100},
                          {"250", "speed_down_btn", 99},
                          {"7", "speed_down_btn", 6}};
    auto* edit = Get<QLineEdit>("gunlun_speed_edit");
    for (const Case& c : cases) {
        edit->setText(QString::fromLatin1(c.text));
        Click(c.button);
        EXPECT_EQ(edit->text(), QString::number(c.lines)) << c.text << " " << c.button;
        EXPECT_EQ(image_.wheelLines.load(), c.lines) << c.text;
        EXPECT_EQ(Desktop(PointerSetting::WheelLines), c.lines) << c.text;
        EXPECT_EQ(SavedRecord()[42], c.lines) << c.text;
    }
}

TEST_F(PerformancePage, TypedLinesAreKeptInRangeAndSentWhenTheEditLosesFocus) {
    auto* edit = Get<QLineEdit>("gunlun_speed_edit");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("250"));
    EXPECT_EQ(edit->text(), QStringLiteral("100"));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    QTest::keyClicks(edit, QStringLiteral("2"));
    EXPECT_EQ(edit->text(), QStringLiteral("12"));
    EXPECT_FALSE(Desktop(PointerSetting::WheelLines)); // nothing sent while typing
    Get<QSlider>("mouse_speed_slider1")->setFocus();
    ASSERT_TRUE(SpinUntil([&] { return !edit->hasFocus(); }));
    EXPECT_EQ(Desktop(PointerSetting::WheelLines), 12);
    EXPECT_EQ(SavedRecord()[42], 12);
}

TEST_F(PerformancePage, OneScreenPerNotchStores255AndTheNoteSaysTheDesktopLacksIt) {
    auto* screen = Get<QAbstractButton>("gunlun_check_screen");
    auto* row = Get<QAbstractButton>("gunlun_speed_check_row");
    Get<QLineEdit>("gunlun_speed_edit")->setText(QStringLiteral("9"));
    QTest::mouseClick(screen, Qt::LeftButton, {}, QPoint(6, screen->height() / 2));
    EXPECT_TRUE(screen->isChecked());
    EXPECT_FALSE(row->isChecked());
    EXPECT_EQ(image_.wheelLines.load(), 255);
    EXPECT_EQ(SavedRecord()[42], 255);
    EXPECT_FALSE(Get("speed_up_btn")->isEnabled());
    EXPECT_FALSE(Get("speed_down_btn")->isEnabled());
    // This desktop scrolls by lines only: the choice is stored, never applied.
    EXPECT_FALSE(Desktop(PointerSetting::WheelLines));
    EXPECT_EQ(services_.pointer->Current(PointerSetting::WheelLines), 255);
    EXPECT_FALSE(Get("pointer_note")->isHidden());
    EXPECT_EQ(ui::GetResourceKey(Get("pointer_note")), QStringLiteral("pointer_note_screen"));

    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(6, row->height() / 2));
    EXPECT_EQ(image_.wheelLines.load(), 9);
    EXPECT_EQ(Desktop(PointerSetting::WheelLines), 9);
    EXPECT_TRUE(Get("speed_up_btn")->isEnabled());
    EXPECT_TRUE(Get("pointer_note")->isHidden());
}

TEST_F(PerformancePage, PanelButtonsHideAndShowTheirPanels) {
    const std::pair<const char*, const char*> panels[] = {{"USB_rate_btn", "USB_rate"},
                                                          {"mouse_speed_btn", "mouse_speed"},
                                                          {"DBC_speed_btn", "db_click_speed"},
                                                          {"gunlun_speed_btn", "gunlun_speed"},
                                                          {"XY_set_btn", "x_ysetting"}};
    for (const auto& [button, panel] : panels) {
        const bool before = Get(panel)->isVisible();
        Click(button);
        EXPECT_EQ(Get(panel)->isVisible(), !before) << button;
        Click(button);
        EXPECT_EQ(Get(panel)->isVisible(), before) << button;
    }
}

// --- restore defaults ----------------------------------------------------------------------

class RestoreDefaults : public PerformancePage {
protected:
    // Points the program folder at a temporary one holding `body` (with a
    // good or bad header) or nothing.
    void UseDefaultFile(std::optional<std::vector<std::uint8_t>> body, bool goodMagic = true) {
        const auto folder = home_.path() / "program";
        std::filesystem::create_directories(folder);
        const auto file = folder / "msdevicedefault.config";
        std::filesystem::remove(file);
        if (body) {
            ASSERT_TRUE(profiles::WriteProfileFile(file, *body, profiles::DeviceTag::Mouse));
            if (!goodMagic) {
                std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
                f.put('\x12');
            }
        }
        ui::ResourceManager::GetInstance().SetInstancePath(
            QString::fromStdString(folder.string() + "/"));
    }
};

TEST_F(RestoreDefaults, AMissingOrDamagedDefaultFileChangesNothing) {
    Click("rate_slider4");
    StepTo("mouse_speed_slider1", 7);
    services_.pointer->WaitIdle();
    const auto record = SavedRecord();
    const std::string ratePicture = ui::GetBkImage(Get("USB_rate_slider1")).toStdString();
    for (bool present : {false, true}) {
        if (present)
            UseDefaultFile(std::vector<std::uint8_t>(576, 1), false);
        else
            UseDefaultFile(std::nullopt);
        mouse_->ClearRequestLog();
        services_.messages.clear();
        Click("recover_btn");
        EXPECT_EQ(services_.messages,
                  std::vector<std::string>{present ? "message_text_9" : "message_text_8"});
        EXPECT_EQ(SavedRecord(), record);
        EXPECT_EQ(NameFile().MouseSpeed(), 7);
        EXPECT_EQ(NameFile().UsbRateText(), "3");
        EXPECT_EQ(Get<QSlider>("mouse_speed_slider1")->value(), 7);
        EXPECT_EQ(ui::GetBkImage(Get("USB_rate_slider1")).toStdString(), ratePicture);
        EXPECT_TRUE(mouse_->RequestLog().empty());
        EXPECT_EQ(Desktop(PointerSetting::Speed), 14);
    }
}

TEST_F(RestoreDefaults, AShortFileWithRateThreeRestoresAndTheMouseGetsTwoThenThree) {
    // Buttons, then the record's first 20 bytes: profile 1, 1000 Hz.
    std::vector<std::uint8_t> body(532);
    for (std::size_t i = 0; i < 512; ++i)
        body[i] = static_cast<std::uint8_t>(i * 7);
    body[512] = 1;
    body[512 + 14] = 3;
    body[512 + 15] = 9;
    UseDefaultFile(body);
    StepTo("mouse_speed_slider1", 9);
    StepTo("DBC_speed_slider2", 1);
    Click("gunlun_check_screen");
    mouse_->ClearRequestLog();

    Click("recover_btn");
    EXPECT_TRUE(services_.messages.empty());
    // Memory and file: the body, zeros where the file ended.
    EXPECT_TRUE(
        std::equal(body.begin(), body.begin() + 512, image_.buttonTables[0].Bytes().begin()));
    EXPECT_EQ(image_.RecordByte(0), 1);
    EXPECT_EQ(image_.RecordByte(14), 3);
    EXPECT_EQ(image_.RecordByte(15), 9);
    for (std::size_t i = 20; i < settings::kMouseSettingsRecordSize; ++i)
        EXPECT_EQ(image_.RecordByte(i), 0) << i;
    const auto saved = SavedRecord();
    EXPECT_EQ(saved[14], 3);
    EXPECT_EQ(saved[41], 10);
    EXPECT_EQ(saved[42], 3);
    for (std::size_t i = 43; i < 64; ++i)
        EXPECT_EQ(saved[i], 0) << i;

    // The mouse: 2 at once at profile 1's rate byte, then the flush with 3.
    EXPECT_EQ(ByteWritesAt(64 + 14), std::vector<int>{2});
    EXPECT_FALSE(Writes().empty());
    ASSERT_TRUE(SpinUntil([&] {
        const auto w = Writes();
        return w.size() >= 2 && w.back().frame[4] > 1;
    }));
    EXPECT_EQ(Writes().back().frame[8 + 14], 3);
    const auto buttons = mouse_->Memory(emulator::MemoryArea::Buttons);
    EXPECT_TRUE(std::equal(body.begin(), body.begin() + 512, buttons.begin()));

    // Name file, controls and desktop.
    const auto names = NameFile();
    EXPECT_EQ(names.MouseSpeed(), 5);
    EXPECT_EQ(names.DoubleClick(), 5);
    EXPECT_EQ(names.UsbRateText(), "2");
    const char* english[] = {"Middle Click", "Right Click", "Forward",
                             "Backward",     "DPI loop",    "DPI-"};
    for (int b = 2; b <= 7; ++b)
        EXPECT_EQ(names.KeyName(b), english[b - 2]) << b;
    EXPECT_EQ(Get<QSlider>("mouse_speed_slider1")->value(), 5);
    EXPECT_EQ(ui::GetBkImage(Get("mouse_speed_slider1")), QStringLiteral("qelma/6.png"));
    EXPECT_EQ(Get<QSlider>("DBC_speed_slider2")->value(), 5);
    EXPECT_EQ(Get<QLineEdit>("gunlun_speed_edit")->text(), QStringLiteral("3"));
    EXPECT_TRUE(Get<QAbstractButton>("gunlun_speed_check_row")->isChecked());
    EXPECT_EQ(Desktop(PointerSetting::Speed), 10);
    EXPECT_EQ(Desktop(PointerSetting::DoubleClick), 600);
    EXPECT_EQ(Desktop(PointerSetting::WheelLines), 3);
}

} // namespace
} // namespace dpitest
