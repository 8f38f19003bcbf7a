#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zk::platform {

// The folder that holds the program's skin, fonts and factory default files,
// with a trailing '/': the executable's folder when it has a "skin" folder,
// otherwise the installed data folder (<prefix>/share/zk412v/).
std::string GetModuleFolder();

// The module folder rule for a given executable path: its folder when that
// holds a "skin" folder, otherwise the installed data folder.
std::string ModuleFolderOf(const std::filesystem::path& executable);

// The installed data folder ("<prefix>/share/zk412v/"), with a trailing '/'.
std::string InstalledDataFolder();

// The user's Documents folder: XDG_DOCUMENTS_DIR from user-dirs.dirs in the
// XDG config folder, otherwise "$HOME/Documents". No trailing '/'.
std::string GetDocumentsFolder();

// The program's folder below the XDG config folder ("$XDG_CONFIG_HOME/zk412v/",
// or "~/.config/zk412v/"), with a trailing '/'. Not created here.
std::string GetConfigFolder();

// "<Documents>/ZK412V/", created when missing. Built anew on every call, so a
// folder deleted while the program runs comes back on the next request.
std::string GetDataFolder();

// The folder of one device kind ("ms", "kb" or "mp") below the data folder,
// created when missing, with a trailing '/'.
std::string GetProfileFolder(std::string_view kind);

} // namespace zk::platform
