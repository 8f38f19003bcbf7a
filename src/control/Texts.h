#pragma once

// The English texts of the skin's language file, read without the window
// library: the names the tool shows and accepts for functions and light modes
// are the labels the window shows.

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace zk::control {

class Texts {
public:
    // The English texts of the skin in the program's module folder
    // ("<module folder>skin/lan_en.xml"); a missing file leaves them empty.
    static const Texts& English();
    // Reads the English texts from the skin of another module folder instead.
    static void LoadEnglish(const std::filesystem::path& moduleFolder);
    // Reads one language file (tests).
    static Texts FromFile(const std::filesystem::path& file);
    static Texts FromXml(std::string_view xml);

    // The text of `key`; `key` itself when the file has none.
    std::string Of(std::string_view key) const;
    bool Has(std::string_view key) const { return texts_.count(std::string(key)) != 0; }

private:
    std::map<std::string, std::string, std::less<>> texts_;
};

} // namespace zk::control
