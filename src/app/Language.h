#pragma once

#include "app/ThreadPlaces.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"

#include <string>

namespace zk::app {

// "main.ini" in the data folder: [SKINIMAGE] FLAGS, IMAGE, LANGUAGE.
inline constexpr const char* kMainIni = "main.ini";
inline constexpr const char* kSkinSection = "SKINIMAGE";
inline constexpr const char* kLanguageKey = "LANGUAGE";

// The registry's language value for Chinese (a locale id); any other value
// means English.
inline constexpr std::uint32_t kChineseLocale = 2052;

// At start-up the user's registry key, when it exists, decides the language
// stored in "main.ini": LANGUAGE = "1" for Chinese (value 2052), "0" for any
// other or a missing value. When the key cannot be opened "main.ini" keeps
// its language and a diagnostic line is written.
void CopyRegistryLanguage(const platform::RegistryStore& registry, platform::IniFile& mainIni,
                          const LogFn& log);

// The start-up language from "main.ini": Chinese unless LANGUAGE reads as 0
// (a missing value counts as Chinese).
bool StartupLanguageIsChinese(const platform::IniFile& mainIni);

// A language chosen from the menu: "main.ini" LANGUAGE "1"/"0", and the
// machine-wide registry value "2020"/"1010" when that key can be opened.
void StoreLanguageChoice(bool chinese, platform::IniFile& mainIni,
                         platform::RegistryStore& registry, const LogFn& log);

// Text of the tray menu's "exit" item: "Close" for LANGUAGE 0 (also when
// missing), "关闭" for 1, nothing for any other value.
std::string TrayExitText(const platform::IniFile& mainIni);

} // namespace zk::app
