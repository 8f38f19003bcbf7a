#include "platform/Registry.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace zk::platform;

TEST(Registry, MissingKeysFailToOpenAndCreatedKeysHoldTypedValues) {
    zktest::TempHome home;
    RegistryStore store;
    EXPECT_EQ(store.File(), home.path() / ".config/zk412v/registry.ini");
    const std::string product = "Software\\" + std::string(kRegistryProduct);
    EXPECT_FALSE(store.OpenKey(RegistryRoot::CurrentUser, product));

    auto key = store.CreateKey(RegistryRoot::CurrentUser, product);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->Path(), RegistryStore::ProductKey(RegistryRoot::CurrentUser));
    EXPECT_FALSE(key->QueryDword("LANGUAGE"));
    ASSERT_TRUE(key->SetDword("LANGUAGE", 2052));
    ASSERT_TRUE(key->SetString("Name", "  spaced \"text\"  "));

    // Paths and value names compare without case; the other root stays apart.
    auto again =
        store.OpenKey(RegistryRoot::CurrentUser, "\\SOFTWARE\\" + std::string(kRegistryProduct));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->QueryDword("language"), 2052u);
    EXPECT_EQ(again->QueryString("name"), "  spaced \"text\"  ");
    // A value of the other type does not read.
    EXPECT_FALSE(again->QueryString("LANGUAGE"));
    EXPECT_FALSE(again->QueryDword("Name"));
    EXPECT_FALSE(store.OpenKey(RegistryRoot::LocalMachine, product));

    ASSERT_TRUE(again->SetDword("BIG", 0xFFFFFFFFu));
    EXPECT_EQ(key->QueryDword("BIG"), 0xFFFFFFFFu);
    ASSERT_TRUE(again->DeleteValue("big"));
    EXPECT_FALSE(key->QueryDword("BIG"));

    ASSERT_TRUE(store.DeleteKey(RegistryRoot::CurrentUser, product));
    EXPECT_FALSE(store.OpenKey(RegistryRoot::CurrentUser, product));
}

TEST(Registry, ReadsValuesPresetByOtherTools) {
    zktest::TempDir dir;
    const auto file = dir / "registry.ini";
    std::ofstream(file) << "[hkey_current_user\\software\\ORVANE ZK412V GAMING MOUSE]\n"
                           "LANGUAGE = DWORD:00000804\n"
                           "BAD=dword:12x\n"
                           "PLAIN=\"2020\"\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVANE ZK412V Gaming Mouse]\n";
    RegistryStore store(file);
    auto cu = store.OpenKey(RegistryRoot::CurrentUser, "Software\\ORVANE ZK412V Gaming Mouse");
    ASSERT_TRUE(cu);
    EXPECT_EQ(cu->QueryDword("LANGUAGE"), 2052u);
    EXPECT_FALSE(cu->QueryDword("BAD"));
    EXPECT_EQ(cu->QueryString("PLAIN"), "2020");

    // An empty key opens and takes values.
    auto lm = store.OpenKey(RegistryRoot::LocalMachine, "SOFTWARE\\ORVANE ZK412V Gaming Mouse");
    ASSERT_TRUE(lm);
    EXPECT_FALSE(lm->QueryString("LANGUAGE"));
    ASSERT_TRUE(lm->SetString("LANGUAGE", "1010"));
    EXPECT_EQ(lm->QueryString("LANGUAGE"), "1010");
    EXPECT_EQ(cu->QueryDword("LANGUAGE"), 2052u);
}
