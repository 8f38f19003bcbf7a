#include "platform/Folders.h"

#include "platform/Log.h"

#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

#ifndef ZK_INSTALL_DATADIR
#define ZK_INSTALL_DATADIR "/usr/local/share/zk412v"
#endif

namespace zk::platform {

namespace {

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

std::string ConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    return HomeFolder() + "/.config";
}

// The value of XDG_DOCUMENTS_DIR in user-dirs.dirs: a shell-quoted path that
// is absolute or starts with "$HOME"; empty when absent or unusable.
std::string DocumentsFromUserDirs() {
    std::ifstream in(ConfigFolder() + "/user-dirs.dirs");
    std::string line;
    const std::string name = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        std::size_t i = line.find_first_not_of(" \t");
        if (i == std::string::npos || line.compare(i, name.size(), name) != 0)
            continue;
        i += name.size();
        if (i >= line.size() || line[i] != '"')
            continue;
        std::string value;
        bool closed = false;
        for (++i; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                value += line[++i];
            } else if (line[i] == '"') {
                closed = true;
                break;
            } else {
                value += line[i];
            }
        }
        if (!closed)
            continue;
        if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/'))
            value = HomeFolder() + value.substr(5);
        if (!value.empty() && value[0] == '/') {
            while (value.size() > 1 && value.back() == '/')
                value.pop_back();
            return value;
        }
    }
    return {};
}

void MakeFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec)
        DebugLine("folders: cannot create " + path + ": " + ec.message());
}

} // namespace

std::string GetConfigFolder() {
    return ConfigFolder() + "/zk412v/";
}

std::string InstalledDataFolder() {
    return WithSlash(ZK_INSTALL_DATADIR);
}

std::string ModuleFolderOf(const std::filesystem::path& executable) {
    const auto folder = executable.parent_path();
    std::error_code ec;
    if (!folder.empty() && std::filesystem::is_directory(folder / "skin", ec))
        return WithSlash(folder.string());
    return InstalledDataFolder();
}

std::string GetModuleFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return InstalledDataFolder();
    return ModuleFolderOf(exe);
}

std::string GetDocumentsFolder() {
    std::string docs = DocumentsFromUserDirs();
    return docs.empty() ? HomeFolder() + "/Documents" : docs;
}

std::string GetDataFolder() {
    const std::string folder = GetDocumentsFolder() + "/ZK412V";
    MakeFolder(folder);
    return folder + "/";
}

std::string GetProfileFolder(std::string_view kind) {
    const std::string folder = GetDataFolder() + std::string(kind);
    MakeFolder(folder);
    return WithSlash(folder);
}

} // namespace zk::platform
