#pragma once

// Button functions by name: the names are the English labels that the
// window's button page shows ("Left Click", "DPI+", "Volume Up", "A", ...).
// Names match without regard to case and to spaces; an unknown name gets the
// closest known one as a suggestion.

#include "settings/ButtonAction.h"
#include "settings/KeyTables.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::control {

class Texts;

struct NamedFunction {
    std::string name;
    settings::ButtonAction action;
    std::string group; // "mouse", "dpi", "office", "media", "system", "keyboard"
};

// Every function a button can be given by name, in the popup's order, then the
// keyboard keys. A name that an earlier entry has is left out.
std::vector<NamedFunction> FunctionCatalogue(const Texts& texts);

// The entry named `name`, or nothing.
std::optional<NamedFunction> FindFunction(const std::vector<NamedFunction>& catalogue,
                                          std::string_view name);

// The candidate closest to `name` (edit distance without regard to case), or
// nothing when none is reasonably close.
std::optional<std::string> ClosestName(const std::vector<std::string>& candidates,
                                       std::string_view name);

// What a button's stored action is called: its label, a macro's name, or the
// raw bytes when no label names it.
std::string FunctionName(const settings::ButtonAction& action, const Texts& texts,
                         const settings::MacroNameLookup& macroName);

} // namespace zk::control
