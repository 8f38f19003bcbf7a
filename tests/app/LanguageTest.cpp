#include "app/Language.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using zk::platform::IniFile;
using zk::platform::RegistryRoot;
using zk::platform::RegistryStore;

namespace {

struct LanguageFiles : ::testing::Test {
    zktest::TempDir dir;
    IniFile ini{dir / "main.ini"};
    RegistryStore registry{dir / "registry.ini"};
    std::vector<std::string> log;
    zk::app::LogFn Sink() {
        return [this](std::string_view l) { log.emplace_back(l); };
    }
    std::string Language() const { return ini.Read("SKINIMAGE", "LANGUAGE", "missing"); }
};

} // namespace

TEST_F(LanguageFiles, UserRegistryKeyDecidesMainIniWhenItExists) {
    // No key: main.ini keeps its value, and the failure is reported.
    ini.Write("SKINIMAGE", "LANGUAGE", "0");
    zk::app::CopyRegistryLanguage(registry, ini, Sink());
    EXPECT_EQ(Language(), "0");
    EXPECT_EQ(log, std::vector<std::string>{"读注册表失败了"});

    // A key without the value counts as English.
    auto key =
        registry.CreateKey(RegistryRoot::CurrentUser, "Software\\ORVANE ZK412V Gaming Mouse");
    ASSERT_TRUE(key);
    ini.Write("SKINIMAGE", "LANGUAGE", "1");
    zk::app::CopyRegistryLanguage(registry, ini, Sink());
    EXPECT_EQ(Language(), "0");

    key->SetDword("LANGUAGE", 2052);
    zk::app::CopyRegistryLanguage(registry, ini, Sink());
    EXPECT_EQ(Language(), "1");
    key->SetDword("LANGUAGE", 1033);
    zk::app::CopyRegistryLanguage(registry, ini, Sink());
    EXPECT_EQ(Language(), "0");
}

TEST_F(LanguageFiles, StartupLanguageAndTrayExitText) {
    // Missing main.ini: Chinese at start-up, "Close" in the tray menu.
    EXPECT_TRUE(zk::app::StartupLanguageIsChinese(ini));
    EXPECT_EQ(zk::app::TrayExitText(ini), "Close");
    ini.Write("SKINIMAGE", "LANGUAGE", "0");
    EXPECT_FALSE(zk::app::StartupLanguageIsChinese(ini));
    EXPECT_EQ(zk::app::TrayExitText(ini), "Close");
    ini.Write("SKINIMAGE", "LANGUAGE", "1");
    EXPECT_TRUE(zk::app::StartupLanguageIsChinese(ini));
    EXPECT_EQ(zk::app::TrayExitText(ini), "关闭");
    // A value of 2 starts in Chinese but leaves the exit item without text.
    ini.Write("SKINIMAGE", "LANGUAGE", "2");
    EXPECT_TRUE(zk::app::StartupLanguageIsChinese(ini));
    EXPECT_EQ(zk::app::TrayExitText(ini), "");
    // Text without digits reads as 0.
    ini.Write("SKINIMAGE", "LANGUAGE", "cn");
    EXPECT_FALSE(zk::app::StartupLanguageIsChinese(ini));
}

TEST_F(LanguageFiles, MenuChoiceWritesMainIniAndTheMachineKeyOnlyWhenItExists) {
    zk::app::StoreLanguageChoice(true, ini, registry, Sink());
    EXPECT_EQ(Language(), "1");
    EXPECT_FALSE(
        registry.OpenKey(RegistryRoot::LocalMachine, "SOFTWARE\\ORVANE ZK412V Gaming Mouse"));
    EXPECT_TRUE(log.empty());

    ASSERT_TRUE(
        registry.CreateKey(RegistryRoot::LocalMachine, "SOFTWARE\\ORVANE ZK412V Gaming Mouse"));
    zk::app::StoreLanguageChoice(false, ini, registry, Sink());
    EXPECT_EQ(Language(), "0");
    auto key = registry.OpenKey(RegistryRoot::LocalMachine, "SOFTWARE\\ORVANE ZK412V Gaming Mouse");
    EXPECT_EQ(key->QueryString("LANGUAGE").value_or(""), "1010");
    EXPECT_EQ(log, std::vector<std::string>{"写成功！"});
}
