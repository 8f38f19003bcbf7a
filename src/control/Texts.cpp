#include "control/Texts.h"

#include "platform/Folders.h"

#include <fstream>
#include <sstream>

namespace zk::control {

namespace {

std::string Unescaped(std::string_view s) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        bool replaced = false;
        if (s[i] == '&')
            for (const auto& [entity, c] : kEntities)
                if (s.substr(i, entity.size()) == entity) {
                    out.push_back(c);
                    i += entity.size();
                    replaced = true;
                    break;
                }
        if (!replaced)
            out.push_back(s[i++]);
    }
    return out;
}

} // namespace

Texts Texts::FromXml(std::string_view xml) {
    Texts texts;
    constexpr std::string_view kOpen = "<Text id=\"";
    constexpr std::string_view kClose = "</Text>";
    for (std::size_t at = xml.find(kOpen); at != std::string_view::npos; at = xml.find(kOpen, at)) {
        at += kOpen.size();
        const std::size_t idEnd = xml.find('"', at);
        const std::size_t textStart =
            idEnd == std::string_view::npos ? idEnd : xml.find('>', idEnd);
        const std::size_t textEnd =
            textStart == std::string_view::npos ? textStart : xml.find(kClose, textStart);
        if (textEnd == std::string_view::npos)
            break;
        texts.texts_.emplace(Unescaped(xml.substr(at, idEnd - at)),
                             Unescaped(xml.substr(textStart + 1, textEnd - textStart - 1)));
        at = textEnd;
    }
    return texts;
}

Texts Texts::FromFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return FromXml(text.str());
}

namespace {

Texts& EnglishTexts() {
    static Texts texts =
        Texts::FromFile(std::filesystem::path(platform::GetModuleFolder()) / "skin" / "lan_en.xml");
    return texts;
}

} // namespace

const Texts& Texts::English() {
    return EnglishTexts();
}

void Texts::LoadEnglish(const std::filesystem::path& moduleFolder) {
    EnglishTexts() = FromFile(moduleFolder / "skin" / "lan_en.xml");
}

std::string Texts::Of(std::string_view key) const {
    const auto it = texts_.find(key);
    return it == texts_.end() ? std::string(key) : it->second;
}

} // namespace zk::control
