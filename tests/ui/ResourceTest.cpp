// Resource list, language texts, menus and the tray icon.

#include "TestWindow.h"

#include "ui/Controls.h"
#include "ui/MenuWnd.h"
#include "ui/ResourceManager.h"
#include "ui/TrayIcon.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include "support/TempDir.h"

using namespace zk::ui;
using zktest::TestWindow;

namespace {

class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        zktest::UseTestSkin();
        ASSERT_TRUE(rm.LoadLanguage(QStringLiteral("lan_cn.xml")));
        ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("restest")));
    }
    void TearDown() override { rm.SetTextQueryInterface(nullptr); }
    ResourceManager& rm = ResourceManager::GetInstance();
    TestWindow wnd;
};

TEST_F(ResourceTest, LayoutNamesResolveThroughTheListOrAsFiles) {
    const QDir data(zktest::UiDataDir());
    EXPECT_EQ(rm.ResolveLayout("XML_TEST"), data.filePath("test_window.ui"));
    EXPECT_EQ(rm.ResolveLayout("xml_test"), data.filePath("test_window.ui"));
    EXPECT_EQ(rm.ResolveLayout("sub_layout.ui"), data.filePath("sub_layout.ui"));
    // A ".xml" layout name that is not present is found as ".ui".
    EXPECT_EQ(rm.ResolveLayout("sub_layout.xml"), data.filePath("sub_layout.ui"));
    EXPECT_EQ(rm.ResolveLayout("Sub_Layout.XML"), data.filePath("sub_layout.ui"));
    EXPECT_TRUE(rm.ResolveLayout("XML_UNKNOWN").isEmpty());
    EXPECT_TRUE(rm.ResolveLayout("").isEmpty());
    EXPECT_FALSE(rm.LoadResource("no_such_res.xml"));
    EXPECT_FALSE(rm.LoadResource("broken.xml")); // unbalanced XML
    EXPECT_EQ(rm.ResolveLayout("XML_TEST"), data.filePath("test_window.ui"));
    // An icon resource whose file is missing yields a null icon.
    EXPECT_TRUE(rm.GetIcon(107).isNull());
    EXPECT_TRUE(rm.GetIcon(9999).isNull());
}

TEST_F(ResourceTest, LanguageSwitchReloadsEveryKeyedText) {
    auto* label = wnd.FindControl<QLabel>("title_label");
    auto* plain = wnd.FindControl<QLabel>("plain_label");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("没有设备"));
    EXPECT_EQ(GetResourceKey(label), "message_text_1");

    // Texts set by the program as keys, and combo and list entries with keys.
    SetText(plain, "item_key", true);
    EXPECT_EQ(plain->text(), QStringLiteral("项目"));
    auto* combo = wnd.FindControl<QComboBox>("fct_combo");
    auto* list = wnd.FindControl<QListWidget>("config_list");
    const int ci = AddItem(combo, "item_key", true);
    const int li = AddItem(list, "item_key", true, 0);
    AddItem(list, "literal");
    EXPECT_EQ(combo->itemText(ci), QStringLiteral("项目"));
    EXPECT_EQ(li, 0);
    EXPECT_TRUE(wnd.notes.empty() || wnd.Count("itemselect") == 0);

    rm.SetLanguage("en");
    ASSERT_TRUE(rm.LoadLanguage("lan_en.xml"));
    rm.ReloadText();
    EXPECT_EQ(rm.GetLanguage(), "en");
    EXPECT_EQ(rm.GetLanguageFile(), "lan_en.xml");
    EXPECT_EQ(label->text(), "No device");
    EXPECT_EQ(plain->text(), "Item");
    EXPECT_EQ(combo->itemText(ci), "Item");
    EXPECT_EQ(list->item(0)->text(), "Item");
    EXPECT_EQ(list->item(list->count() - 1)->text(), "literal");

    // A text set without the flag is literal and no longer follows the language.
    SetResourceText(plain, false);
    SetText(plain, "message_text_1");
    ASSERT_TRUE(rm.LoadLanguage("lan_cn.xml"));
    rm.ReloadText();
    EXPECT_EQ(plain->text(), "message_text_1");
    EXPECT_EQ(label->text(), QStringLiteral("没有设备"));
    // The "value" attribute form is read too.
    EXPECT_EQ(rm.GetText("menu_about"), QStringLiteral("关于"));
}

TEST_F(ResourceTest, MissingTextsAndFilesKeepWhatIsThere) {
    // Unknown keys: the window's QueryControlText, then the key itself.
    EXPECT_EQ(rm.GetText("titletext"), "titletext");
    rm.SetTextQueryInterface(&wnd);
    EXPECT_EQ(rm.GetText("titletext"), "Title from window");
    EXPECT_EQ(rm.GetText("unknown_key"), "unknown_key");
    EXPECT_FALSE(rm.HasText("unknown_key"));
    // A missing or broken language file leaves the loaded texts.
    EXPECT_FALSE(rm.LoadLanguage("lan_xx.xml"));
    EXPECT_FALSE(rm.LoadLanguage("broken.xml"));
    EXPECT_EQ(rm.GetText("message_text_1"), QStringLiteral("没有设备"));
    EXPECT_EQ(rm.GetLanguageFile(), "lan_cn.xml");
    // A destroyed window stops answering.
    wnd.Close();
    ASSERT_TRUE(zktest::WaitFor([&] { return !wnd.IsWindow(); }));
    EXPECT_EQ(rm.GetTextQueryInterface(), nullptr);
    EXPECT_EQ(rm.GetText("titletext"), "titletext");
}

TEST_F(ResourceTest, BackgroundColourImageAndUserData) {
    QWidget* btn = wnd.FindControl("btn_ok");
    SetBkColor(btn, 0xFF7E00FF);
    EXPECT_EQ(GetBkColor(btn), 0xFF7E00FFu);
    EXPECT_TRUE(btn->styleSheet().contains("rgba(126, 0, 255, 255)"));
    SetBkImage(btn, "common/base.png");
    EXPECT_TRUE(btn->styleSheet().contains("common/base.png"));
    SetBkImage(btn, QString());
    SetBkColor(btn, 0);
    EXPECT_FALSE(btn->styleSheet().contains("rgba"));
    EXPECT_FALSE(btn->styleSheet().contains("base.png"));
    SetUserData(btn, "3");
    EXPECT_EQ(GetUserData(btn), "3");
}

class MenuTest : public ResourceTest {};

TEST_F(MenuTest, ChosenItemArrivesOnceWithItsRecord) {
    wnd.ShowWindow();
    std::vector<MenuCmd> received;
    wnd.onMessage = [&](unsigned msg, WPARAM w, LPARAM, LRESULT&) {
        if (msg != UIMSG_MENUCLICK)
            return false;
        received.push_back(*MenuCmdFromWParam(w));
        return true;
    };
    MenuWnd menu;
    ASSERT_TRUE(menu.Init(&wnd, "menu_test.xml", QPoint(200, 200)));
    // The tray menu's "exit" item goes first.
    menu.InsertItem(0, MenuElement{"exit", "Close", {}, false, false, false});
    menu.ResizeMenu();
    EXPECT_EQ(menu.GetCount(), 5); // exit, language, About_setting, separator, opt_check
    QMenu* qmenu = menu.GetMenuUI();
    ASSERT_NE(qmenu, nullptr);
    ASSERT_TRUE(zktest::WaitFor([&] { return qmenu->isVisible(); }));
    EXPECT_EQ(qmenu->actions().first()->objectName(), "exit");
    EXPECT_EQ(menu.FindItem("About_setting")->text(), QStringLiteral("关于"));
    EXPECT_NE(menu.FindItem("language")->menu(), nullptr);

    QAction* about = menu.FindItem("About_setting");
    QTest::mouseClick(qmenu, Qt::LeftButton, {}, qmenu->actionGeometry(about).center());
    ASSERT_TRUE(zktest::WaitFor([&] { return !received.empty(); }));
    zktest::Pump(30);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].szName, "About_setting");
    EXPECT_EQ(received[0].szUserData, "about");
    EXPECT_EQ(received[0].szText, QStringLiteral("关于"));
    EXPECT_FALSE(menu.IsOpen());

    // A sub-menu item, and a checked item.
    received.clear();
    ASSERT_TRUE(menu.Init(&wnd, "menu1_missing.xml", QPoint(0, 0)) == false);
    ASSERT_TRUE(menu.Init(&wnd, "menu_test.xml", QPoint(10, 10)));
    QAction* sub = menu.FindItem("language")->menu()->actions().at(1);
    sub->trigger();
    menu.FindItem("opt_check")->trigger(); // unchecks it
    ASSERT_TRUE(zktest::WaitFor([&] { return received.size() == 2; }));
    zktest::Pump(20);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].szName, "lan_cn");
    EXPECT_EQ(received[0].szUserData, "cn");
    EXPECT_EQ(received[1].szName, "opt_check");
    EXPECT_FALSE(received[1].bChecked);
    // An opener of a sub-menu is no choice.
    menu.Choose(menu.FindItem("language"));
    zktest::Pump(20);
    EXPECT_EQ(received.size(), 2u);
}

TEST_F(MenuTest, UnhandledMenuRecordsAreFreedAndMenuAlignsToThePoint) {
    // Nobody handles the message: the record must still be freed (checked by
    // the sanitizer builds) and nothing else happens.
    MenuWnd menu;
    ASSERT_TRUE(menu.Init(&wnd, "menu_test.xml", QPoint(400, 300),
                          eMenuAlignment_Right | eMenuAlignment_Bottom));
    QMenu* qmenu = menu.GetMenuUI();
    ASSERT_TRUE(zktest::WaitFor([&] { return qmenu->isVisible(); }));
    EXPECT_EQ(qmenu->geometry().right() + 1, 400);
    EXPECT_EQ(qmenu->geometry().bottom() + 1, 300);
    // Keyed item texts follow a language switch while the menu is open.
    ASSERT_TRUE(rm.LoadLanguage("lan_en.xml"));
    rm.ReloadText();
    EXPECT_EQ(menu.FindItem("About_setting")->text(), "About");
    menu.FindItem("About_setting")->trigger();
    ASSERT_TRUE(zktest::WaitFor([&] { return wnd.MessagesOf(UIMSG_MENUCLICK).size() == 1; }));
    menu.DestroyMenu();
    EXPECT_FALSE(menu.IsOpen());
    EXPECT_EQ(menu.GetMenuUI(), nullptr);
}

TEST_F(ResourceTest, TrayIconClicksArriveAsMouseMessages) {
    TrayIcon tray;
    tray.CreateTrayIcon(&wnd, 107, "ORVANE ZK412V");
    ASSERT_TRUE(tray.IsCreated());
    EXPECT_EQ(tray.GetTooltipText(), "ORVANE ZK412V");
    QSystemTrayIcon* icon = tray.GetQtIcon();
    emit icon->activated(QSystemTrayIcon::Trigger);
    emit icon->activated(QSystemTrayIcon::Context);
    ASSERT_TRUE(zktest::WaitFor([&] { return wnd.MessagesOf(UIMSG_TRAYICON).size() == 2; }));
    const auto msgs = wnd.MessagesOf(UIMSG_TRAYICON);
    EXPECT_EQ(msgs[0].lParam, static_cast<LPARAM>(WM_LBUTTONUP));
    EXPECT_EQ(msgs[1].lParam, static_cast<LPARAM>(WM_RBUTTONUP));
    tray.DeleteTrayIcon();
    EXPECT_FALSE(tray.IsCreated());
    EXPECT_FALSE(tray.IsVisible());
}

} // namespace
