// The performance page in the whole program: its two copies (mouse tab and
// keyboard tab) kept in step, against the emulated devices, in both languages.

#include "app/MainWndTestEnv.h"

#include "app/Subsystems.h"
#include "emulator/Emulator.h"
#include "ui/Controls.h"

#include <QAbstractButton>
#include <QSlider>
#include <QTest>

#include <cstdlib>

using namespace std::chrono_literals;
using apptest::Spin;
using apptest::SpinUntil;
namespace emu = zk::emulator;

namespace {

class MainWindowPerformance : public apptest::MainWndTest {
protected:
    void OpenInLanguage(bool chinese) {
        // No desktop: the pointer settings stay in the program's store.
        unsetenv("XDG_CURRENT_DESKTOP");
        apptest::StartInLanguage(chinese);
        ASSERT_NO_FATAL_FAILURE(OpenEmulated());
        ShowPage("ms_tab", "ms_cursor_Op_tab", 100ms);
    }
    // The copy of a control on the mouse tab (0) or the keyboard tab (1).
    template <class T = QWidget> T* Copy(int page, const char* name) {
        QWidget* root = wnd_->FindControl(page == 0 ? QStringLiteral("ms_cursor_page")
                                                    : QStringLiteral("kb_cursor_page"));
        return root ? root->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    }
};

TEST_F(MainWindowPerformance, TheKeyboardTabsCopyActsOnTheMouseAndBothCopiesFollow) {
    OpenInLanguage(false);
    for (int page : {0, 1})
        ASSERT_NE(Copy(page, "rate_slider1"), nullptr) << page;
    // The page shows what the mouse holds.
    const int profile = mouse_->Memory(emu::MemoryArea::Settings)[0];
    const int rate = mouse_->Memory(emu::MemoryArea::Settings)[profile * 64 + 14];
    EXPECT_EQ(Copy<QSlider>(0, "USB_rate_slider")->value(), rate + 1);
    Screenshot(QStringLiteral("performance_en"));

    ShowPage("kb_tab", "kb_cursor_Op_tab", 100ms);
    EXPECT_TRUE(Copy(1, "perf_rate_row")->isEnabled());
    EXPECT_FALSE(Copy(1, "restore_row")->isVisible());
    const int other = rate == 0 ? 3 : 0;
    Copy<QAbstractButton>(1, QStringLiteral("rate_slider%1").arg(other + 1).toLatin1())->click();
    EXPECT_EQ(mouse_->Memory(emu::MemoryArea::Settings)[profile * 64 + 14], other);
    for (int page : {0, 1}) {
        EXPECT_EQ(Copy<QSlider>(page, "USB_rate_slider")->value(), other + 1) << page;
        EXPECT_EQ(zk::ui::GetBkImage(Copy(page, "USB_rate_slider1")),
                  QStringLiteral("qelma/%1.png").arg(std::array{125, 250, 500, 1000}[other]));
    }
    QTest::mouseClick(Copy<QAbstractButton>(1, "speed_up_btn"), Qt::LeftButton);
    EXPECT_EQ(zk::ui::GetText(Copy(0, "gunlun_speed_edit")),
              zk::ui::GetText(Copy(1, "gunlun_speed_edit")));
    EXPECT_EQ(zk::ui::GetText(Copy(0, "gunlun_speed_edit")).toInt(),
              subsystems_->MouseImage().wheelLines.load());
    // No desktop here: the page says the values are kept with the profile.
    EXPECT_FALSE(Copy(1, "pointer_note")->isHidden());

    // Without the mouse the keyboard tab's rate row is disabled.
    mouse_->Unplug();
    EXPECT_TRUE(SpinUntil([this] { return !Copy(1, "perf_rate_row")->isEnabled(); }, 3s));
}

TEST_F(MainWindowPerformance, ThePageInChinese) {
    OpenInLanguage(true);
    ASSERT_NE(Copy(0, "recover_btn"), nullptr);
    EXPECT_TRUE(Copy(0, "recover_btn")->isVisible());
    Screenshot(QStringLiteral("performance_cn"));
}

} // namespace
