#include "MainWndTestEnv.h"

#include "app/Language.h"
#include "controls/TintedPicture.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "ui/Controls.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QStackedWidget>

#include <atomic>

using namespace std::chrono_literals;
using apptest::MainWndTest;
using apptest::Spin;
using apptest::SpinUntil;
using zk::app::CMainWnd;
namespace ui = zk::ui;

namespace {

QAbstractButton* Button(CMainWnd& w, const char* name) {
    return w.FindControl<QAbstractButton>(QString::fromLatin1(name));
}

zk::platform::IniFile MainIni() {
    return zk::platform::IniFile(zk::platform::GetDataFolder() + "main.ini");
}

} // namespace

TEST_F(MainWndTest, LayoutHasCaptionDeviceTabsAndPagesAtItsOwnSize) {
    Open();
    // Created 800 x 572, then the layout's own size.
    EXPECT_GE(wnd_->width(), 940);
    EXPECT_GE(wnd_->height(), 590);
    for (const char* name : {"closebtn", "minbtn", "maxbtn", "restorebtn", "skinbtn", "quesbtn",
                             "ms_tab", "kb_tab", "mp_tab"})
        EXPECT_NE(Button(*wnd_, name), nullptr) << name;
    // Sub-layouts of the custom tags are built into the page stacks.
    for (const char* title : {"DPI_slider_1", "mouse_key_title", "light_check_1", "USB_rate_btn",
                              "ms_MacroName_list", "keyboard_key_title", "kb_deng_combo_modeSelect",
                              "kb_MacroName_list", "mp_deng_combo_modeSelect"})
        EXPECT_NE(wnd_->FindControl(QString::fromLatin1(title)), nullptr) << title;
    // The mouse preview LEDs start with their overlay on and transparent.
    for (int i = 0; i < zk::app::kMousePreviewCount; ++i) {
        auto* led = dynamic_cast<zk::controls::TintMembers*>(wnd_->MousePreview(i));
        ASSERT_NE(led, nullptr) << i;
        EXPECT_TRUE(led->IsChangerColor());
        EXPECT_EQ(led->GetChangerAlpha(), 0u);
    }
    for (int i = 0; i < zk::app::kPadPreviewCount; ++i) {
        auto* led = dynamic_cast<zk::controls::TintMembers*>(wnd_->PadOrKeyControl(i));
        ASSERT_NE(led, nullptr) << i;
        EXPECT_TRUE(led->IsChangerColor());
        EXPECT_EQ(led->GetChangerAlpha(), 0u);
    }
    // Keyboard keys keep their own tint state (off until a frame turns it on).
    int keys = 0;
    for (int i = 0; i < zk::app::kKeyboardKeyCount; ++i)
        if (auto* key = dynamic_cast<zk::controls::TintMembers*>(
                wnd_->PadOrKeyControl(zk::app::kPadPreviewCount + i))) {
            ++keys;
            EXPECT_FALSE(key->IsChangerColor());
        }
    EXPECT_GT(keys, 100);
    EXPECT_NE(wnd_->CreateControl(QStringLiteral("ms_dpi_ui")), nullptr); // tag without case
    EXPECT_EQ(wnd_->CreateControl(QStringLiteral("NoSuchTag")), nullptr);

    // A device tab selected with its notification shows its panel; page tabs
    // select their pages.
    auto* panels = wnd_->FindControl<QStackedWidget>(QStringLiteral("device_tab_layout"));
    ASSERT_NE(panels, nullptr);
    ui::SetCheck(Button(*wnd_, "kb_tab"), true, true);
    EXPECT_EQ(panels->currentWidget()->objectName(), QStringLiteral("kb_tab_panel"));
    ui::SetCheck(Button(*wnd_, "ms_tab"), true, true);
    EXPECT_EQ(panels->currentWidget()->objectName(), QStringLiteral("ms_tab_panel"));
    ui::SetCheck(Button(*wnd_, "ms_deng_Op_tab"), true, true);
    EXPECT_EQ(ui::GetCurSel(wnd_->FindControl(QStringLiteral("ms_page_layout"))), 2);
}

TEST_F(MainWndTest, CaptionButtonsOnlyMinimiseAndSkinButtonFallsThrough) {
    std::vector<QString> clicks;
    wnd_->AddPageHandler(QStringLiteral("click"),
                         [&](CMainWnd&, ui::TNotifyUI& msg) { clicks.push_back(msg.senderName); });
    Open();
    wnd_->ShowWindow(true);

    Button(*wnd_, "closebtn")->click();
    SpinUntil([this] { return wnd_->isMinimized(); }, 1s);
    EXPECT_TRUE(wnd_->isMinimized());
    EXPECT_TRUE(wnd_->IsWindow()); // still running, in the tray

    wnd_->HandleMessage(ui::WM_SYSCOMMAND, ui::SC_RESTORE, 0);
    Button(*wnd_, "minbtn")->click();
    EXPECT_TRUE(wnd_->isMinimized());
    wnd_->HandleMessage(ui::WM_SYSCOMMAND, ui::SC_RESTORE, 0);
    Button(*wnd_, "maxbtn")->click();
    EXPECT_TRUE(wnd_->isMaximized());
    Button(*wnd_, "restorebtn")->click();
    EXPECT_FALSE(wnd_->isMaximized());

    // The caption cases end in the router, the help button opens its panel,
    // and the skin button goes on to the click handlers.
    EXPECT_TRUE(clicks.empty());
    Button(*wnd_, "skinbtn")->click();
    Button(*wnd_, "quesbtn")->click();
    EXPECT_EQ(clicks, (std::vector<QString>{QStringLiteral("skinbtn")}));
    QWidget* help = wnd_->FindControl(QStringLiteral("ques_click"));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->geometry().left(), 800);
}

TEST_F(MainWndTest, ActivationWithoutDeviceHidesAndShowsOneBoxAtATime) {
    Open();
    wnd_->ShowWindow(true);
    int nestedSeen = 0;
    whileBoxOpen_ = [&] {
        // Further activations while the box is open show no second box.
        wnd_->SendMessage(zk::app::kActivationMessage);
        wnd_->PostMessage(zk::app::kActivationMessage);
        Spin(30ms);
        ++nestedSeen;
    };
    wnd_->PostMessage(zk::app::kActivationMessage);
    ASSERT_TRUE(SpinUntil([this] { return !boxes_.empty(); }));
    Spin(30ms);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(nestedSeen, 1);
    EXPECT_EQ(boxes_[0].text, QStringLiteral("message_text_1"));
    EXPECT_TRUE(boxes_[0].isKey);
    EXPECT_FALSE(wnd_->isVisible());
    EXPECT_EQ(lines_.Count("activation message"), 3);

    // Once it is closed, the next activation asks again.
    whileBoxOpen_ = nullptr;
    wnd_->SendMessage(zk::app::kActivationMessage);
    EXPECT_EQ(boxes_.size(), 2u);
}

TEST_F(MainWndTest, ActivationWithADeviceBringsTheWindowBack) {
    Open();
    EXPECT_FALSE(wnd_->isVisible()); // hidden at start-up until a device is found
    wnd_->Channel(zk::app::kChannelMousepad).connected = 1;
    wnd_->SendMessage(zk::app::kActivationMessage);
    EXPECT_TRUE(wnd_->isVisible());
    EXPECT_FALSE(wnd_->isMinimized());
    // A minimised window comes back too.
    wnd_->HandleMessage(ui::WM_SYSCOMMAND, ui::SC_MINIMIZE, 0);
    wnd_->SendMessage(zk::app::kActivationMessage);
    EXPECT_FALSE(wnd_->isMinimized());
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(MainWndTest, TrayClickTogglesOnlyWhileADeviceIsConnected) {
    Open();
    wnd_->ShowWindow(true);
    wnd_->SendMessage(ui::UIMSG_TRAYICON, 0, ui::WM_LBUTTONUP);
    EXPECT_FALSE(wnd_->isVisible());
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, QStringLiteral("message_text_1"));
    wnd_->SendMessage(ui::UIMSG_TRAYICON, 0, ui::WM_LBUTTONUP);
    EXPECT_FALSE(wnd_->isVisible());

    wnd_->Channel(zk::app::kChannelKeyboard).connected = 1;
    boxes_.clear();
    wnd_->SendMessage(ui::UIMSG_TRAYICON, 0, ui::WM_LBUTTONUP);
    EXPECT_TRUE(wnd_->isVisible());
    EXPECT_TRUE(wnd_->HasTimer(zk::app::kTimerRedraw));
    SpinUntil([this] { return !wnd_->HasTimer(zk::app::kTimerRedraw); }, 1s);
    EXPECT_FALSE(wnd_->HasTimer(zk::app::kTimerRedraw)); // one-shot
    wnd_->SendMessage(ui::UIMSG_TRAYICON, 0, ui::WM_LBUTTONUP);
    EXPECT_FALSE(wnd_->isVisible());
    // Minimised counts as not shown: the click brings it back.
    wnd_->ShowWindow(true);
    wnd_->HandleMessage(ui::WM_SYSCOMMAND, ui::SC_MINIMIZE, 0);
    wnd_->SendMessage(ui::UIMSG_TRAYICON, 0, ui::WM_LBUTTONUP);
    EXPECT_TRUE(wnd_->isVisible());
    EXPECT_FALSE(wnd_->isMinimized());
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(MainWndTest, TimersFireByIdAndOneShotsStop) {
    int keyboardReads = 0, padReads = 0, mouseReads = 0;
    std::atomic<int> animation{0};
    auto& s = wnd_->Seams();
    s.readKeyboardSettings = [&](CMainWnd&) { ++keyboardReads; };
    s.readMousepadSettings = [&](CMainWnd&) { ++padReads; };
    s.readAllMouseSettings = [&](CMainWnd&) { ++mouseReads; };
    s.advanceAnimation = [&] { ++animation; };
    Open();
    for (unsigned id : {11u, 12u})
        EXPECT_TRUE(wnd_->HasTimer(id)) << id;
    // The flush, the animation counters and the repaint wait for a device.
    EXPECT_FALSE(wnd_->HasTimer(zk::app::kTimerLightFlush));
    EXPECT_FALSE(wnd_->HasTimer(zk::app::kTimerAnimation));
    EXPECT_FALSE(wnd_->HasTimer(zk::app::kTimerRepaint));
    wnd_->ShowWindow(true);
    ASSERT_TRUE(SpinUntil([this] { return wnd_->OnScreen(); }));
    EXPECT_FALSE(wnd_->HasTimer(zk::app::kTimerRepaint));
    wnd_->Channel(zk::app::kChannelKeyboard).connected = 1;
    wnd_->UpdateLiveWork();
    for (unsigned id : {2u, 3u, 10u})
        EXPECT_TRUE(wnd_->HasTimer(id)) << id;

    ASSERT_TRUE(SpinUntil([&] { return keyboardReads > 0 && padReads > 0; }, 3s));
    Spin(600ms);
    EXPECT_EQ(keyboardReads, 1);
    EXPECT_EQ(padReads, 1);
    EXPECT_FALSE(wnd_->HasTimer(zk::app::kTimerKeyboardRead));
    EXPECT_FALSE(wnd_->HasTimer(zk::app::kTimerMousepadRead));
    EXPECT_GT(animation.load(), 20);                     // 10 ms, periodic
    EXPECT_TRUE(wnd_->HasTimer(zk::app::kTimerRepaint)); // restarted at 50 ms
    EXPECT_EQ(mouseReads, 0);

    // Timer 8 as the mouse detection starts it.
    wnd_->SetTimer(zk::app::kTimerMouseRead, 20);
    ASSERT_TRUE(SpinUntil([&] { return mouseReads > 0; }, 2s));
    Spin(100ms);
    EXPECT_EQ(mouseReads, 1);
    EXPECT_FALSE(wnd_->HasTimer(zk::app::kTimerMouseRead));
}

TEST_F(MainWndTest, ClosingSetsEveryStopEventAndWaitsForTheThreads) {
    std::atomic<int> running{0};
    for (int p = 1; p <= zk::app::kThreadPlaceCount; ++p)
        wnd_->Seams().threads[p] = [&](const zk::app::ThreadParam& param) {
            ++running;
            zk::app::RunWorkerLoop(param, 2ms, {}, "worker", {});
            --running;
        };
    Open();
    ASSERT_TRUE(SpinUntil([&] { return running.load() == 14; }));
    EXPECT_EQ(wnd_->Threads().StartedCount(), 14);
    std::vector<std::shared_ptr<zk::app::StopEvent>> events;
    for (int p = 1; p <= zk::app::kStopEventCount; ++p)
        events.push_back(wnd_->Threads().Event(p));
    ASSERT_TRUE(events.back()); // place 15 has an event but no thread

    wnd_->ShowWindow(true);
    const auto t0 = std::chrono::steady_clock::now();
    CloseAndWait();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 5s);
    EXPECT_EQ(running.load(), 0);
    for (auto& e : events)
        EXPECT_TRUE(e->IsSet());
    EXPECT_FALSE(wnd_->isVisible());
    EXPECT_EQ(lines_.Count("退出测试"), 1);
    EXPECT_EQ(lines_.Count("所有对象处于激发状态\n"), 1);
}

TEST_F(MainWndTest, ThreadThatDoesNotEndIsReportedAsTimeOutAndTheWindowStillCloses) {
    auto release = std::make_shared<zk::app::StopEvent>();
    auto stuckDone = std::make_shared<std::atomic<bool>>(false);
    wnd_->Seams().threads[zk::app::kPlaceMouseDetection] = [](const zk::app::ThreadParam& param) {
        zk::app::RunWorkerLoop(param, 1ms, {}, "mouse detection", {});
    };
    wnd_->Seams().threads[zk::app::kPlaceSyncTicker] = [release,
                                                        stuckDone](const zk::app::ThreadParam&) {
        release->WaitFor(60s); // never looks at its stop event
        *stuckDone = true;
    };
    wnd_->SetStopWait(200ms);
    Open();

    const auto t0 = std::chrono::steady_clock::now();
    CloseAndWait();
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, 3s);
    EXPECT_EQ(lines_.Count("所有对象处于非激发状态，超时\n"), 1);
    EXPECT_TRUE(wnd_->Threads().LastTimedOut()[zk::app::kPlaceSyncTicker]);
    EXPECT_FALSE(wnd_->Threads().LastTimedOut()[zk::app::kPlaceMouseDetection]);
    wnd_.reset(); // the window object goes away while the thread still runs
    EXPECT_FALSE(stuckDone->load());
    release->Set();
    EXPECT_TRUE(SpinUntil([&] { return stuckDone->load(); }, 2s));
}

TEST_F(MainWndTest, MenuCommandsSwitchLanguageShowKeysAndExit) {
    zk::platform::RegistryStore registry;
    ASSERT_TRUE(registry.CreateKey(zk::platform::RegistryRoot::LocalMachine,
                                   "SOFTWARE\\ORVANE ZK412V Gaming Mouse"));
    Open();
    auto& rm = ui::ResourceManager::GetInstance();
    auto send = [this](const char* name, const char* text = "") {
        ui::MenuCmd cmd;
        cmd.szName = QString::fromLatin1(name);
        cmd.szText = QString::fromUtf8(text);
        wnd_->SendMessage(ui::UIMSG_MENUCLICK, reinterpret_cast<ui::WPARAM>(&cmd));
    };
    auto machineLanguage = [&] {
        return registry
            .OpenKey(zk::platform::RegistryRoot::LocalMachine,
                     "SOFTWARE\\ORVANE ZK412V Gaming Mouse")
            ->QueryString("LANGUAGE")
            .value_or("");
    };

    send("lan_en");
    EXPECT_EQ(rm.GetLanguage(), QStringLiteral("en"));
    EXPECT_EQ(rm.GetLanguageFile(), QStringLiteral("lan_en.xml"));
    EXPECT_EQ(MainIni().Read("SKINIMAGE", "LANGUAGE"), "0");
    EXPECT_EQ(machineLanguage(), "1010");
    EXPECT_EQ(ui::GetText(Button(*wnd_, "ms_tab")), QStringLiteral("Mouse"));
    EXPECT_EQ(zk::app::TrayExitText(MainIni()), "Close");

    send("LAN_CN"); // item names compare without case
    EXPECT_EQ(rm.GetLanguage(), QStringLiteral("cn_zh"));
    EXPECT_EQ(MainIni().Read("SKINIMAGE", "LANGUAGE"), "1");
    EXPECT_EQ(machineLanguage(), "2020");
    EXPECT_EQ(ui::GetText(Button(*wnd_, "ms_tab")), QStringLiteral("鼠标"));

    send("Menu_Export");
    send("Menu_Import");
    EXPECT_TRUE(boxes_.empty());
    send("some_item", "message_text_1");
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, QStringLiteral("message_text_1"));
    EXPECT_TRUE(boxes_[0].isKey);

    send("exit");
    EXPECT_TRUE(SpinUntil([this] { return !wnd_->IsWindow(); }, 15s));
}

TEST_F(MainWndTest, StartupLanguageFollowsTheUserRegistryPreset) {
    auto ini = MainIni();
    ini.Write("SKINIMAGE", "LANGUAGE", "0");
    zk::platform::RegistryStore registry;
    auto key = registry.CreateKey(zk::platform::RegistryRoot::CurrentUser,
                                  "Software\\ORVANE ZK412V Gaming Mouse");
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->SetDword("LANGUAGE", 2052));
    Open();
    auto& rm = ui::ResourceManager::GetInstance();
    EXPECT_EQ(rm.GetLanguage(), QStringLiteral("cn"));
    EXPECT_EQ(rm.GetLanguageFile(), QStringLiteral("lan_cn.xml"));
    EXPECT_EQ(MainIni().Read("SKINIMAGE", "LANGUAGE"), "1");
    EXPECT_EQ(ui::GetText(Button(*wnd_, "kb_tab")), QStringLiteral("键盘"));
}

TEST_F(MainWndTest, StartupLanguageWithoutPresetKeepsMainIni) {
    MainIni().Write("SKINIMAGE", "LANGUAGE", "0");
    Open();
    EXPECT_EQ(ui::ResourceManager::GetInstance().GetLanguage(), QStringLiteral("en"));
    EXPECT_EQ(ui::GetText(Button(*wnd_, "kb_tab")), QStringLiteral("Keyboard"));
    EXPECT_EQ(lines_.Count("读注册表失败了"), 1);
}

TEST_F(MainWndTest, ProfileListContextPanelOpensBesideTheSelectedEntry) {
    Open();
    wnd_->ShowWindow(true);
    // The layout's list and its context panel.
    auto* list = wnd_->FindControl<QListWidget>(QStringLiteral("config_list"));
    QWidget* panel = wnd_->FindControl(QStringLiteral("menu_clicked"));
    ASSERT_NE(list, nullptr);
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isVisible());
    list->clear();
    list->addItems({QStringLiteral("profile1"), QStringLiteral("profile2")});
    list->setCurrentRow(1);
    QWidget* root = panel->parentWidget();
    wnd_->GetPaintManager().SendNotify(list, QStringLiteral("menu"));
    EXPECT_TRUE(panel->isVisible());
    const QRect item = list->visualItemRect(list->item(1));
    const QPoint corner = list->viewport()->mapTo(root, item.bottomRight() + QPoint(1, 1));
    EXPECT_EQ(panel->geometry(), QRect(corner, QSize(75, 64)));
}

TEST_F(MainWndTest, MouseRemovedNoticeHidesTheWindow) {
    Open();
    wnd_->ShowWindow(true);
    wnd_->SendMessage(zk::app::kMsgMouseRemoved);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_TRUE(boxes_[0].timed);
    EXPECT_FALSE(wnd_->isVisible());
}

// A picture of the main window for review: <stage>/screenshots/main_window.png.
TEST_F(MainWndTest, Screenshot) {
    Open();
    wnd_->Channel(zk::app::kChannelMouse).connected = 1;
    wnd_->SendMessage(zk::app::kActivationMessage);
    MainIni().Write("SKINIMAGE", "LANGUAGE", "0");
    ui::MenuCmd english;
    english.szName = QStringLiteral("lan_en");
    wnd_->SendMessage(ui::UIMSG_MENUCLICK, reinterpret_cast<ui::WPARAM>(&english));
    // Light the side strips in the accent colour as a preview frame would
    // (tint colour: green << 16 | blue << 8 | red).
    for (int i = 0; i < 14; ++i) {
        auto* led = dynamic_cast<zk::controls::TintMembers*>(wnd_->MousePreview(i));
        ASSERT_NE(led, nullptr);
        led->SetChangerColor(0x99CB01);
        led->SetChangerAlpha(255);
    }
    const QString dir = apptest::StageDir() + "/screenshots";
    QDir().mkpath(dir);
    for (const char* tab : {"kb_tab", "mp_tab", "ms_tab"}) {
        ui::SetCheck(Button(*wnd_, tab), true, true);
        Spin(100ms);
        const QImage shot = wnd_->grab().toImage();
        ASSERT_FALSE(shot.isNull());
        EXPECT_GE(shot.width(), 940);
        const QString name =
            tab == std::string("ms_tab") ? QStringLiteral("main_window") : QString::fromLatin1(tab);
        EXPECT_TRUE(shot.save(dir + "/" + name + ".png"));
    }
}
