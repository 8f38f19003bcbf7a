// Profiles that follow the foreground application, on a real X server: a
// real window manager (openbox) and real X programs (xterm, a copy of xterm
// under another path, and xmessage, whose window names no process) brought to
// the front with xdotool. The whole program runs against the emulated
// devices on the offscreen platform, so only those programs take the front.
// Links are made through the real link check boxes and their chooser. Run by
// CTest under xvfb-run; elsewhere the cases are skipped.

#include "app/MainWndTestEnv.h"

#include "emulator/Emulator.h"
#include "pages/profiles/LinkChooser.h"
#include "platform/ForegroundApp.h"
#include "platform/IniFile.h"
#include "profiles/AppWatcher.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "profiles/ProfileStore.h"
#include "support/ComboKeys.h"
#include "support/WidgetTools.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>

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
// A switch shows within one watcher cycle (about 2.1 s) and the apply.
constexpr auto kSwitchTime = 4s;

QString Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The desktop of a test: openbox and the programs started on it.
class Desktop {
public:
    ~Desktop() {
        for (auto& p : programs_) {
            p->kill();
            p->waitForFinished(2000);
        }
        wm_.kill();
        wm_.waitForFinished(2000);
    }

    // Starts openbox and waits until it manages the screen (it names its
    // process on the root window). On a loaded machine an openbox has been
    // seen never to take the screen after the previous test's one was killed:
    // a second one is started then, and the first one's end is reported.
    bool Start() {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (attempt > 0) {
                qWarning() << "openbox did not take the screen; state" << wm_.state() << "exit"
                           << wm_.exitCode() << "- starting another";
                wm_.kill();
                wm_.waitForFinished(2000);
            }
            wm_.setProgram(QStringLiteral("openbox"));
            wm_.setArguments({QStringLiteral("--replace")});
            wm_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            wm_.start();
            if (!wm_.waitForStarted(5000))
                continue;
            const QString pid = QString::number(wm_.processId());
            if (SpinUntil(
                    [&pid] {
                        return Run(QStringLiteral("xprop"),
                                   {QStringLiteral("-root"), QStringLiteral("_OPENBOX_PID")})
                            .endsWith(QStringLiteral("= ") + pid);
                    },
                    10s))
                return true;
        }
        return false;
    }

    // Starts a program and returns its window (empty when it shows none). A
    // window that names no process is found by its class.
    QString Launch(const QString& program, const QStringList& args, const QString& byClass = {}) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(program, args);
        if (!process->waitForStarted(5000))
            return {};
        const QString pid = QString::number(process->processId());
        programs_.push_back(std::move(process));
        const QString windows = Run(
            QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
             byClass.isEmpty() ? QStringLiteral("--pid") : QStringLiteral("--class"),
             byClass.isEmpty() ? pid : byClass});
        return windows.section(QLatin1Char('\n'), 0, 0);
    }

    // Brings a window to the front as the user's click does.
    static void Activate(const QString& window) {
        Run(QStringLiteral("xdotool"),
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
    }

private:
    QProcess wm_;
    std::vector<std::unique_ptr<QProcess>> programs_;
};

using zktest::ShownTopLevel;

// Runs `inside` once a window of type W shows, from whatever loop runs (a
// modal one included).
template <class W> void WhenOpen(QObject* owner, std::function<void(W&)> inside) {
    zktest::WhenFound<W>(owner, ShownTopLevel<W>, std::move(inside), 5s);
}

std::array<std::uint8_t, prof::kMouseDeviceBody> MouseBody(std::uint8_t mark) {
    std::array<std::uint8_t, prof::kMouseDeviceBody> body{};
    EXPECT_EQ(
        prof::ReadProfileFile(apptest::StageDir().toStdString() + "/msdevicedefault.config", body),
        prof::kProfileRead);
    body[zk::settings::kButtonTableSize + 16] = mark; // DPI level byte of the record
    return body;
}

struct MouseProfile {
    std::string name;
    std::string flag; // empty: no link
    std::string path;
};

// Mouse device profiles with files, marked 10 + their index, listed before
// the program starts; profile 0 is the user's choice.
void PrepareMouseProfiles(const std::vector<MouseProfile>& profiles) {
    auto index = prof::MouseProfileStore::Index();
    zk::platform::IniFile file(index.File().Path());
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const int at = static_cast<int>(i);
        ASSERT_TRUE(prof::WriteProfileFile(
            prof::ProfileFolder(DeviceKind::Mouse) / (profiles[i].name + ".config"),
            MouseBody(static_cast<std::uint8_t>(10 + i)), prof::DeviceTag::Mouse));
        index.SetName(ProfileKind::Device, at, profiles[i].name);
        if (!profiles[i].flag.empty()) {
            file.Write("PROFILELIKEDEVICEEXE", std::to_string(at), profiles[i].flag);
            file.Write("DEVICEPROCESS", std::to_string(at), profiles[i].path);
        }
    }
    index.SetSelected(ProfileKind::Device, 0);
    index.SetCount(ProfileKind::Device, static_cast<int>(profiles.size()));
}

class FollowForeground : public apptest::MainWndTest {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY") ||
            QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty())
            GTEST_SKIP() << "needs an X server with openbox (run by CTest under xvfb-run)";
        apptest::MainWndTest::SetUp();
        ASSERT_TRUE(desktop_.Start());
        // A copy of xterm: the same program under a path of its own.
        racer_ = (programs_.path() / "racer").string();
        fs::copy_file("/usr/bin/xterm", racer_);
        fs::create_symlink(racer_, programs_.path() / "racer-link");
        xterm_ = fs::canonical("/usr/bin/xterm").string();
    }

    void OpenEmulated() {
        // The chooser's modal loop must not end at once.
        apptest::LetEarlierQuitPass();
        ASSERT_NO_FATAL_FAILURE(WireEmulated());
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_TRUE(SpinUntil(
            [this] {
                auto* kb = Find<QComboBox>("kb_device_profile_combo");
                return mouse_->RequestCount() > 60 && kb && kb->count() > 0;
            },
            5s));
        Spin(300ms);
        Click("ms_tab");
        list_ = Find<QListWidget>("config_list");
        ASSERT_NE(list_, nullptr);
    }

    void Click(const char* name) {
        auto* button = Find<QAbstractButton>(name);
        ASSERT_TRUE(button && button->isVisible()) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QString Start(const std::string& program, QStringList args = {}) {
        args << QStringLiteral("-e") << QStringLiteral("sleep") << QStringLiteral("300");
        const QString window = desktop_.Launch(QString::fromStdString(program), args);
        EXPECT_FALSE(window.isEmpty()) << program;
        return window;
    }
    // The DPI level byte of the last settings record the mouse received.
    int MouseMark() {
        int mark = -1;
        for (const auto& r : mouse_->RequestLog())
            if (r.frame[3] == kCmdWriteData && r.frame[4] == zk::settings::kMouseSettingsRecordSize)
                mark = r.frame[8 + 16];
        return mark;
    }
    // A click on the box's indicator (a stretched check box takes no click
    // beyond its text).
    static void ClickBox(QAbstractButton* check) {
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
    }
    // Clicks a link check box with the chooser's work done by `inside`.
    void ClickLinkBox(const char* box, std::function<void(zk::pages::CLinkChooser&)> inside) {
        bool ran = false;
        WhenOpen<zk::pages::CLinkChooser>(wnd_.get(), [&](zk::pages::CLinkChooser& chooser) {
            ran = true;
            inside(chooser);
        });
        auto* check = Find<QAbstractButton>(box);
        ASSERT_TRUE(check && check->isVisible() && check->isEnabled()) << box;
        ClickBox(check);
        ASSERT_TRUE(SpinUntil([&] { return ran && !ShownTopLevel<zk::pages::CLinkChooser>(); }));
    }
    static void ChooseRowOf(zk::pages::CLinkChooser& chooser, const std::string& executable) {
        auto* list = chooser.FindControl<QListWidget>(QStringLiteral("link_window_list"));
        ASSERT_NE(list, nullptr);
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->data(Qt::UserRole).toString().toStdString() != executable)
                continue;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(i)).center());
            return;
        }
        ADD_FAILURE() << "no window of " << executable << " listed";
    }
    static void Confirm(zk::pages::CLinkChooser& chooser) {
        auto* ok = chooser.FindControl<QAbstractButton>(QStringLiteral("link_confirm_btn"));
        ASSERT_TRUE(ok && ok->isEnabled());
        QTest::mouseClick(ok, Qt::LeftButton);
    }
    void Language(const char* item) {
        ChooseMenuItem(item);
        Spin(50ms);
    }

    Desktop desktop_;
    zktest::TempDir programs_;
    std::string racer_, xterm_;
    QListWidget* list_ = nullptr;
};

// The mouse device profiles of "config_list" follow the program in front: the
// lowest linked index wins, a flag of "2" is shown but not followed, the path
// is compared in full but without regard to case, a window without a process
// brings the user's choice back, a choice the user makes while a linked
// program is in front is kept, and the selection key never takes the
// watcher's selection.
TEST_F(FollowForeground, MouseProfilesFollowTheProgramInFront) {
    PrepareMouseProfiles({
        {"profile1", "", ""},
        {"alias", "1", (programs_.path() / "racer-link").string()},
        {"racing", "1", racer_},
        {"racing-too", "1", racer_},
        {"shown", "2", xterm_},
        {"terminal", "1", QString::fromStdString(xterm_).toUpper().toStdString()},
    });
    const QString racer = Start(racer_);
    const QString terminal = Start("/usr/bin/xterm");
    const QString noProcess = desktop_.Launch(QStringLiteral("xmessage"), {QStringLiteral("note")},
                                              QStringLiteral("Xmessage"));
    ASSERT_FALSE(noProcess.isEmpty());
    OpenEmulated();
    const auto index = prof::MouseProfileStore::Index();

    struct Step {
        const char* what;
        QString window;
        int row;
    };
    const Step steps[] = {
        {"linked copy in front", racer, 2},
        {"xterm in front (upper-case link)", terminal, 5},
        {"window without a process", noProcess, 0},
        {"copy again", racer, 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        Desktop::Activate(step.window);
        EXPECT_TRUE(SpinUntil([&] { return list_->currentRow() == step.row; }, kSwitchTime))
            << list_->currentRow();
        EXPECT_TRUE(SpinUntil([&] { return MouseMark() == 10 + step.row; }, 1s)) << MouseMark();
        EXPECT_EQ(index.Selected(ProfileKind::Device), 0);
        // The same program in front: nothing is written again.
        mouse_->ClearRequestLog();
        Spin(2500ms);
        EXPECT_EQ(MouseMark(), -1);
        EXPECT_EQ(list_->currentRow(), step.row);
    }
    EXPECT_TRUE(lines_.Has(std::string(prof::kDebugForegroundUnknown)));

    // The user picks "shown" (flag "2") while the copy is in front: its link
    // shows, the choice is kept, and comes back when no linked program is in
    // front.
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {},
                      list_->visualItemRect(list_->item(4)).center());
    EXPECT_EQ(index.Selected(ProfileKind::Device), 4);
    EXPECT_EQ(Find<QLineEdit>("ms_device_profile_link_edit")->text(), QStringLiteral("xterm"));
    EXPECT_TRUE(Find<QAbstractButton>("ms_device_profile_link_check")->isChecked());
    EXPECT_TRUE(SpinUntil([&] { return list_->currentRow() == 2; }, kSwitchTime));
    EXPECT_EQ(index.Selected(ProfileKind::Device), 4);
    Desktop::Activate(noProcess);
    EXPECT_TRUE(SpinUntil([&] { return list_->currentRow() == 4; }, kSwitchTime));
    EXPECT_EQ(index.Selected(ProfileKind::Device), 4);
    Screenshot(QStringLiteral("watcher_mouse_link_cn"));

    // The watchers end at once at exit, each with its line; the mouse key
    // watcher found no selector and ended at start without one.
    const auto start = std::chrono::steady_clock::now();
    CloseAndWait();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    for (const auto& watcher : prof::Watchers())
        EXPECT_EQ(lines_.Count(std::string(watcher.exitText)),
                  watcher.kind == ProfileKind::Key && watcher.device == DeviceKind::Mouse ? 0 : 1)
            << watcher.selector;
}

// Links made with the check boxes: a running program's window or a browsed
// file; the keyboard's device and key links keep paths of their own; clearing
// a box removes its link; the keyboard selectors then follow their programs.
TEST_F(FollowForeground, LinksAreMadeInTheChooserAndFollowed) {
    const QString racer = Start(racer_);
    const QString terminal = Start("/usr/bin/xterm");
    OpenEmulated();
    qputenv("WAYLAND_DISPLAY", "wayland-test");
    Click("kb_tab");
    auto* device = Find<QComboBox>("kb_device_profile_combo");
    auto* key = Find<QComboBox>("kb_key_profile_combo");
    ASSERT_GE(device->count(), 1);
    // A second keyboard device and key profile beside profile1.
    auto kbIndex = prof::KeyboardProfileStore::Index();
    const auto folder = prof::ProfileFolder(DeviceKind::Keyboard);
    fs::copy_file(folder / "profile1.config", folder / "second.config");
    fs::copy_file(folder / "profile1.pro", folder / "second.pro");
    for (ProfileKind kind : {ProfileKind::Device, ProfileKind::Key}) {
        kbIndex.SetName(kind, 1, "second");
        kbIndex.SetCount(kind, 2);
    }
    device->addItem(QStringLiteral("second"), QStringLiteral("second"));
    key->addItem(QStringLiteral("second"), QStringLiteral("second"));
    zktest::PickWithKeys(device, 1);
    zk::platform::IniFile kbFile(kbIndex.File().Path());

    // Device profile 1 to the copy's window; the Wayland notice comes first.
    ClickLinkBox("kb_device_profile_link_check", [&](zk::pages::CLinkChooser& chooser) {
        EXPECT_TRUE(
            chooser.FindControl(QStringLiteral("link_wayland_note"))->isVisibleTo(&chooser));
        ChooseRowOf(chooser, racer_);
        EXPECT_EQ(chooser.Path().toStdString(), racer_);
        zktest::SaveWindowPicture(&chooser, QStringLiteral("link_chooser_cn"));
        Confirm(chooser);
    });
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, QStringLiteral("link_wayland_notice"));
    EXPECT_EQ(kbFile.Read("PROFILELIKEDEVICEEXE", "1"), "1");
    EXPECT_EQ(kbFile.Read("DEVICEPROCESS", "1"), racer_);
    EXPECT_EQ(kbFile.Read("PROCESS", "1", ""), "");
    EXPECT_EQ(Find<QLineEdit>("kb_device_profile_link_edit")->text(), QStringLiteral("racer"));
    EXPECT_TRUE(Find("kb_device_profile_link_name_hor")->isVisible());

    // Key profile 1 to xterm: the device link keeps its path.
    Language("lan_en");
    Click("kb_key_Op_tab");
    zktest::PickWithKeys(key, 1);
    ClickLinkBox("kb_key_profile_link_check", [&](zk::pages::CLinkChooser& chooser) {
        ChooseRowOf(chooser, xterm_);
        zktest::SaveWindowPicture(&chooser, QStringLiteral("link_chooser_en"));
        Confirm(chooser);
    });
    EXPECT_EQ(boxes_.size(), 1u); // the notice comes once
    EXPECT_EQ(kbFile.Read("PROFILELIKEEXE", "1"), "1");
    EXPECT_EQ(kbFile.Read("PROCESS", "1"), xterm_);
    EXPECT_EQ(kbFile.Read("DEVICEPROCESS", "1"), racer_);
    EXPECT_EQ(Find<QLineEdit>("kb_key_profile_link_edit")->text(), QStringLiteral("xterm"));
    Screenshot(QStringLiteral("watcher_keyboard_link_en"));
    qunsetenv("WAYLAND_DISPLAY");

    // The user's choices are entry 0; each program brings its own profile.
    zktest::PickWithKeys(device, 0);
    zktest::PickWithKeys(key, 0);
    const struct {
        const char* what;
        QString window;
        int device, key;
    } steps[] = {{"copy in front", racer, 1, 0}, {"xterm in front", terminal, 0, 1}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        Desktop::Activate(step.window);
        EXPECT_TRUE(SpinUntil(
            [&] {
                return device->currentIndex() == step.device && key->currentIndex() == step.key;
            },
            kSwitchTime));
        EXPECT_EQ(kbIndex.Selected(ProfileKind::Device), 0);
        EXPECT_EQ(kbIndex.Selected(ProfileKind::Key), 0);
    }

    // The mousepad's light profile through a browsed file: a symbolic link
    // is taken as its program; a file that is not a program is refused.
    const fs::path text = programs_.path() / "notes.txt";
    std::ofstream(text) << "not a program";
    Click("mp_tab");
    auto browse = [&](const fs::path& file) {
        ClickLinkBox("mp_deng_profile_link_check", [&](zk::pages::CLinkChooser& chooser) {
            WhenOpen<QFileDialog>(&chooser, [file](QFileDialog& dialog) {
                dialog.selectFile(QString::fromStdString(file.string()));
                QMetaObject::invokeMethod(&dialog, "accept", Qt::QueuedConnection);
            });
            QTest::mouseClick(
                chooser.FindControl<QAbstractButton>(QStringLiteral("link_browse_btn")),
                Qt::LeftButton);
            if (chooser.Path().isEmpty())
                QTest::mouseClick(
                    chooser.FindControl<QAbstractButton>(QStringLiteral("link_cancel_btn")),
                    Qt::LeftButton);
            else
                Confirm(chooser);
        });
    };
    zk::platform::IniFile mpFile(prof::MousepadProfileStore::Index().File().Path());
    boxes_.clear();
    browse(text);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, QStringLiteral("link_not_program"));
    EXPECT_FALSE(Find<QAbstractButton>("mp_deng_profile_link_check")->isChecked());
    EXPECT_EQ(mpFile.Read("PROFILELIKEDENGEXE", "0"), "0");
    browse(programs_.path() / "racer-link");
    EXPECT_EQ(mpFile.Read("PROFILELIKEDENGEXE", "0"), "1");
    EXPECT_EQ(mpFile.Read("DENGPROCESS", "0"), racer_);
    EXPECT_TRUE(Find<QAbstractButton>("mp_deng_profile_link_check")->isChecked());

    // Clearing the box removes the link.
    ClickBox(Find<QAbstractButton>("mp_deng_profile_link_check"));
    EXPECT_EQ(mpFile.Read("PROFILELIKEDENGEXE", "0"), "0");
    EXPECT_EQ(mpFile.Read("DENGPROCESS", "0", "none"), "none");
    EXPECT_FALSE(Find("mp_deng_profile_link_name_hor")->isVisible());
}

// Without a connection to an X server the foreground program is unknown: the
// debug line says so and every selector keeps the user's choice.
TEST_F(FollowForeground, WithoutAnXServerNothingSwitches) {
    const auto unreachable = zk::platform::ForegroundApp::OnX11(":7777");
    EXPECT_EQ(unreachable->ForegroundExecutable(), std::nullopt);
    EXPECT_TRUE(unreachable->Windows().empty());

    PrepareMouseProfiles({{"profile1", "", ""}, {"terminal", "1", xterm_}});
    Desktop::Activate(Start("/usr/bin/xterm"));
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":7777");
    OpenEmulated();
    Spin(3s);
    qputenv("DISPLAY", display);
    EXPECT_EQ(list_->currentRow(), 0);
    EXPECT_EQ(prof::MouseProfileStore::Index().Selected(ProfileKind::Device), 0);
    EXPECT_GE(lines_.Count(std::string(prof::kDebugForegroundUnknown)), 4);
}

} // namespace
