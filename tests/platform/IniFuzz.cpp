// Fuzz target of the INI reader: any bytes must parse, answer lookups, and
// survive an edit and a round trip through their written form.
#include "platform/IniText.h"

#include "support/FuzzInput.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace zk::platform;

namespace {

using zktest::Check;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const IniText text(DecodeIniBytes(bytes));

    for (const auto& section : text.SectionNames()) {
        Check(text.HasSection(section));
        for (const auto& key : text.Keys(section)) {
            const auto value = text.Find(section, key);
            Check(value.has_value());
            const std::string cut = CutToChars(*value, 259);
            Check(cut.size() <= value->size() && value->compare(0, cut.size(), cut) == 0);
        }
    }

    // A section's entries in one pass answer as single look-ups do, and an
    // edit of many keys at once (present ones, new ones and one given twice)
    // leaves the text that a Set of each in turn leaves.
    const auto sections = text.SectionNames();
    for (std::size_t s = 0; s < sections.size() && s < 3; ++s) {
        const auto& section = sections[s];
        const auto entries = text.Entries(section);
        std::vector<std::pair<std::string, std::string>> changes;
        for (const auto& key : text.Keys(section)) {
            if (changes.size() == 64)
                break;
            const auto first = std::find_if(entries.begin(), entries.end(), [&](const auto& e) {
                return EqualsNoCase(e.first, key);
            });
            Check(first != entries.end() && first->second == text.Find(section, key));
            changes.emplace_back(key, "v" + std::to_string(changes.size()));
        }
        changes.emplace_back("new key", "n1");
        changes.emplace_back("NEW KEY", "n2");
        IniText together = text;
        IniText oneByOne = text;
        together.SetAll(section, changes);
        for (const auto& [key, value] : changes)
            oneByOne.Set(section, key, value);
        Check(together.Serialize() == oneByOne.Serialize());
    }

    // The written form reads back the same.
    const IniText again(text.Serialize());
    Check(again.SectionNames() == text.SectionNames());

    // An edit with names taken from the input lands and reads back.
    IniText edited = text;
    const std::string section = "S" + std::string(TrimBlanks(bytes.substr(0, 4)));
    if (section.find_first_of("]\r\n") == std::string::npos) {
        edited.Set(section, "KEY", "value");
        const IniText reread(edited.Serialize());
        const auto v = reread.Find(section, "key");
        Check(v && *v == "value");
        Check(edited.EraseSection(section));
        Check(!IniText(edited.Serialize()).HasSection(section));
    }
    return 0;
}
