#include "control/Functions.h"

#include "control/Texts.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace zk::control {

namespace {

using settings::AssignmentEntry;
using settings::KeyNameTable;
namespace row = settings::key_name_row;
namespace type = settings::action_type;

// Lower case without spaces: "volume up" and "VolumeUp" are the same name.
std::string Folded(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ')
            out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    return out;
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j)
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1,
                                   previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
        std::swap(previous, current);
    }
    return previous[b.size()];
}

} // namespace

std::vector<NamedFunction> FunctionCatalogue(const Texts& texts) {
    std::vector<NamedFunction> out;
    auto add = [&](std::string name, settings::ButtonAction action, const char* group) {
        if (name.empty() || FindFunction(out, name))
            return;
        out.push_back(NamedFunction{std::move(name), action, group});
    };
    for (std::size_t i = 0; i < settings::MouseButtonTable.size(); ++i)
        add(texts.Of(KeyNameTable[row::kMouseButton + i]), settings::MouseButtonTable[i].Action(),
            "mouse");
    // The popup calls it a double click; the button labels show the fire key.
    add(texts.Of("popup_double_click"), settings::ButtonAction{type::kFire, 0x01, 0x02}, "mouse");
    add(texts.Of(KeyNameTable[row::kFire]), settings::ButtonAction{type::kFire, 0x01, 0x02},
        "mouse");
    for (std::size_t i = 0; i < settings::DpiKeyTable.size(); ++i)
        add(texts.Of(KeyNameTable[row::kDpi + i]), settings::DpiKeyTable[i].Action(), "dpi");
    for (std::size_t i = 0; i < row::kOfficeCount; ++i)
        add(texts.Of(KeyNameTable[row::kOffice + i]), settings::OfficeKeyTable[i].Action(),
            "office");
    for (std::size_t i = 0; i < settings::MediaKeyTable.size(); ++i)
        add(texts.Of(KeyNameTable[row::kMedia + i]), settings::MediaKeyTable[i].Action(), "media");
    for (std::size_t i = 0; i < settings::SystemKeyTable.size(); ++i)
        add(texts.Of(KeyNameTable[row::kSystem + i]), settings::SystemKeyTable[i].Action(),
            "system");
    add(texts.Of("popup_disable"), settings::ButtonAction{type::kOff, 0, 0}, "mouse");
    for (std::size_t i = 0; i < settings::KeyboardKeyTable.size(); ++i)
        if (settings::KeyboardKeyTable[i].type == type::kKeyboard)
            add(texts.Of(KeyNameTable[row::kKeyboard + i]), settings::KeyboardKeyTable[i].Action(),
                "keyboard");
    return out;
}

std::optional<NamedFunction> FindFunction(const std::vector<NamedFunction>& catalogue,
                                          std::string_view name) {
    const std::string wanted = Folded(name);
    for (const NamedFunction& f : catalogue)
        if (Folded(f.name) == wanted)
            return f;
    return std::nullopt;
}

std::optional<std::string> ClosestName(const std::vector<std::string>& candidates,
                                       std::string_view name) {
    const std::string wanted = Folded(name);
    std::optional<std::string> best;
    std::size_t bestDistance = 0;
    for (const std::string& c : candidates) {
        const std::size_t d = EditDistance(Folded(c), wanted);
        if (!best || d < bestDistance) {
            best = c;
            bestDistance = d;
        }
    }
    // A suggestion that shares less than half of the name helps nobody.
    if (!best || bestDistance * 2 > std::max<std::size_t>(wanted.size(), 2))
        return std::nullopt;
    return best;
}

std::string FunctionName(const settings::ButtonAction& action, const Texts& texts,
                         const settings::MacroNameLookup& macroName) {
    if (action.type == type::kOff)
        return texts.Of("popup_disable");
    const settings::ActionLabel label = settings::DisplayKeyOf(action, macroName);
    switch (label.kind) {
    case settings::ActionLabel::Kind::ResourceKey:
        return texts.Of(label.text);
    case settings::ActionLabel::Kind::Text:
        return "macro " + label.text;
    case settings::ActionLabel::Kind::Unchanged:
        break;
    }
    char raw[32];
    std::snprintf(raw, sizeof raw, "0x%02X 0x%02X 0x%02X", action.type, action.p1, action.p2);
    return raw;
}

} // namespace zk::control
