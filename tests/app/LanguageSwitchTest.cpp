#include "LanguageFilesTestEnv.h"
#include "MainWndTestEnv.h"

#include "app/Language.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "ui/Controls.h"
#include "ui/ResourceManager.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>

using namespace std::chrono_literals;
using apptest::MainWndTest;
using apptest::SpinUntil;
using zk::app::CMainWnd;
namespace ui = zk::ui;

namespace {

zk::platform::IniFile MainIni() {
    return zk::platform::IniFile(zk::platform::GetDataFolder() + "main.ini");
}

int VisibleWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += w->isVisible() ? 1 : 0;
    return n;
}

QString TabText(CMainWnd& w) {
    return ui::GetText(w.FindControl(QStringLiteral("ms_tab")));
}

class LanguageSwitchTest : public MainWndTest {
protected:
    void Menu(const char* name) {
        ui::MenuCmd cmd;
        cmd.szName = QString::fromLatin1(name);
        wnd_->SendMessage(ui::UIMSG_MENUCLICK, reinterpret_cast<ui::WPARAM>(&cmd));
    }
    // Ends the program and starts it again with the same data folder and
    // settings store.
    void Restart() {
        CloseAndWait();
        wnd_ = std::make_unique<CMainWnd>();
        wnd_->SetMessageBox(
            [this](QWidget*, const QString& text, bool isKey) {
                boxes_.push_back({text, isKey, false});
                return 1;
            },
            [this](QWidget*) {
                boxes_.push_back({QStringLiteral("message_text_20"), true, true});
                return 0;
            });
        Open();
    }
    QAction* TrayExitItem() {
        wnd_->SendMessage(ui::UIMSG_TRAYICON, 0, ui::WM_RBUTTONUP);
        ui::MenuWnd* menu = wnd_->TrayMenu();
        if (!menu || !menu->GetMenuUI())
            return nullptr;
        const auto actions = menu->GetMenuUI()->actions();
        return actions.isEmpty() ? nullptr : actions.first();
    }
    void PresetChineseInTheUserKey() {
        zk::platform::RegistryStore registry;
        auto key = registry.CreateKey(zk::platform::RegistryRoot::CurrentUser,
                                      "Software\\ORVANE ZK412V Gaming Mouse");
        ASSERT_TRUE(key);
        ASSERT_TRUE(key->SetDword("LANGUAGE", 2052));
    }
    langtest::LanguageFile en_{langtest::ReadLanguageFile(QStringLiteral("lan_en.xml"))};
    langtest::LanguageFile cn_{langtest::ReadLanguageFile(QStringLiteral("lan_cn.xml"))};
};

} // namespace

TEST_F(LanguageSwitchTest, UserRegistryPresetWinsOverAMenuChoiceAtTheNextStart) {
    PresetChineseInTheUserKey();
    Open();
    EXPECT_EQ(TabText(*wnd_), cn_.texts.value("tab_mouse"));

    Menu("lan_en"); // switches at once ...
    EXPECT_EQ(TabText(*wnd_), en_.texts.value("tab_mouse"));
    EXPECT_EQ(MainIni().Read("SKINIMAGE", "LANGUAGE"), "0");

    Restart(); // ... but the preset decides the next start
    EXPECT_EQ(ui::ResourceManager::GetInstance().GetLanguageFile(), QStringLiteral("lan_cn.xml"));
    EXPECT_EQ(TabText(*wnd_), cn_.texts.value("tab_mouse"));
    EXPECT_EQ(MainIni().Read("SKINIMAGE", "LANGUAGE"), "1");
}

TEST_F(LanguageSwitchTest, WithoutThePresetTheMenuChoiceSurvivesRestarts) {
    Open(); // no main.ini and no key: Chinese
    EXPECT_EQ(TabText(*wnd_), cn_.texts.value("tab_mouse"));
    Menu("lan_en");
    Restart();
    EXPECT_EQ(ui::ResourceManager::GetInstance().GetLanguage(), QStringLiteral("en"));
    EXPECT_EQ(TabText(*wnd_), en_.texts.value("tab_mouse"));
    Restart();
    EXPECT_EQ(TabText(*wnd_), en_.texts.value("tab_mouse"));
    Menu("lan_cn");
    Restart();
    EXPECT_EQ(ui::ResourceManager::GetInstance().GetLanguage(), QStringLiteral("cn"));
    EXPECT_EQ(TabText(*wnd_), cn_.texts.value("tab_mouse"));
}

TEST_F(LanguageSwitchTest, TrayMenuExitItemFollowsTheStoredLanguageNumber) {
    MainIni().Write("SKINIMAGE", "LANGUAGE", "2");
    Open();
    // Any number but 0 starts in Chinese ...
    EXPECT_EQ(TabText(*wnd_), cn_.texts.value("tab_mouse"));
    // ... but only 0 and 1 name the exit item.
    QAction* exit = TrayExitItem();
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->objectName(), QStringLiteral("exit"));
    EXPECT_TRUE(exit->text().isEmpty());

    Menu("lan_cn");
    exit = TrayExitItem();
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), QStringLiteral("关闭"));
    Menu("lan_en");
    exit = TrayExitItem();
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), QStringLiteral("Close"));

    // The menu's other items are those the commands react to, in the language.
    QMenu* menu = wnd_->TrayMenu()->GetMenuUI();
    QStringList names;
    for (QAction* a : menu->findChildren<QAction*>())
        names << a->objectName();
    for (const char* item : {"lan_en", "lan_cn", "About_setting", "exit"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(item))) << item;
    EXPECT_EQ(wnd_->TrayMenu()->FindItem(QStringLiteral("About_setting"))->text(),
              en_.texts.value("menu_about"));

    // Choosing the exit item ends the program.
    wnd_->TrayMenu()->Choose(exit);
    EXPECT_TRUE(SpinUntil([this] { return !wnd_->IsWindow(); }, 15s));
}

TEST_F(LanguageSwitchTest, ImportAndExportItemsDoNothing) {
    MainIni().Write("SKINIMAGE", "LANGUAGE", "0");
    Open();
    const std::string before = MainIni().Read("SKINIMAGE", "LANGUAGE");
    const QString tab = TabText(*wnd_);
    const int windows = VisibleWindows();
    Menu("Menu_Export");
    Menu("menu_import");
    apptest::Spin(50ms);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(wnd_->IsWindow());
    EXPECT_EQ(MainIni().Read("SKINIMAGE", "LANGUAGE"), before);
    EXPECT_EQ(TabText(*wnd_), tab);
    EXPECT_EQ(VisibleWindows(), windows);
}

// After a switch every control, list entry and combo entry whose text is a key
// shows the new language's text at once, without any page being revisited.
TEST_F(LanguageSwitchTest, SwitchReloadsEveryKeyTextAtOnce) {
    MainIni().Write("SKINIMAGE", "LANGUAGE", "0");
    Open();
    // Entries added by the program as keys follow too.
    auto* combo = new QComboBox(wnd_->GetPaintManager().GetRoot());
    ui::AddItem(combo, QStringLiteral("keyboard_key_Space"), true);
    ui::AddItem(combo, QStringLiteral("mouse_key_left"), true);
    auto* list = new QListWidget(wnd_->GetPaintManager().GetRoot());
    ui::AddItem(list, QStringLiteral("media_mute"), true);
    QWidget* label = wnd_->FindControl(QStringLiteral("ms_tab"));
    ASSERT_NE(label, nullptr);

    for (const auto* lang : {&cn_, &en_, &cn_}) {
        Menu(lang == &cn_ ? "lan_cn" : "lan_en");
        int checked = 0;
        for (QWidget* w : wnd_->findChildren<QWidget*>()) {
            const QString key = ui::GetResourceKey(w);
            if (key.isEmpty() || !lang->texts.contains(key))
                continue;
            EXPECT_EQ(ui::GetText(w), lang->texts.value(key)) << key.toStdString();
            ++checked;
        }
        EXPECT_GT(checked, 10);
        EXPECT_EQ(combo->itemText(0), lang->texts.value("keyboard_key_Space"));
        EXPECT_EQ(combo->itemText(1), lang->texts.value("mouse_key_left"));
        EXPECT_EQ(list->item(0)->text(), lang->texts.value("media_mute"));
    }
    EXPECT_NE(en_.texts.value("mouse_key_left"), cn_.texts.value("mouse_key_left"));
}
