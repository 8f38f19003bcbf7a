#include "app/Language.h"

namespace zk::app {

using platform::RegistryRoot;
using platform::RegistryStore;

namespace {

// Key paths below the roots, formed with the product name.
std::string SubKey(RegistryRoot root) {
    return std::string(root == RegistryRoot::CurrentUser ? "Software\\" : "SOFTWARE\\") +
           std::string(platform::kRegistryProduct);
}

} // namespace

void CopyRegistryLanguage(const RegistryStore& registry, platform::IniFile& mainIni,
                          const LogFn& log) {
    const auto key = registry.OpenKey(RegistryRoot::CurrentUser, SubKey(RegistryRoot::CurrentUser));
    if (!key) {
        if (log)
            log("读注册表失败了");
        return;
    }
    const std::uint32_t value = key->QueryDword(kLanguageKey).value_or(520);
    mainIni.Write(kSkinSection, kLanguageKey, value == kChineseLocale ? "1" : "0");
}

bool StartupLanguageIsChinese(const platform::IniFile& mainIni) {
    return mainIni.ReadInt(kSkinSection, kLanguageKey, "-1") != 0;
}

void StoreLanguageChoice(bool chinese, platform::IniFile& mainIni, RegistryStore& registry,
                         const LogFn& log) {
    mainIni.Write(kSkinSection, kLanguageKey, chinese ? "1" : "0");
    auto key = registry.OpenKey(RegistryRoot::LocalMachine, SubKey(RegistryRoot::LocalMachine));
    if (key && key->SetString(kLanguageKey, chinese ? "2020" : "1010") && log)
        log("写成功！");
}

std::string TrayExitText(const platform::IniFile& mainIni) {
    switch (mainIni.ReadInt(kSkinSection, kLanguageKey, "0")) {
    case 0:
        return "Close";
    case 1:
        return "关闭";
    default:
        return {};
    }
}

} // namespace zk::app
