// Fuzz target of the macro library's files as whole files: the input is split
// into an index, an action file and a repeat-count file, written into a
// folder of their own; every read must end, stay within the library's limits,
// and an append and a rewrite of the index must read back.
#include "macros/MacroLibrary.h"

#include "support/FuzzInput.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

using namespace zk::macros;
namespace fs = std::filesystem;

namespace {

using zktest::Check;

const fs::path& Folder() {
    static const fs::path folder = zktest::MakeScratchFolder("zk_fuzz_macros");
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts =
        zktest::SplitParts(std::string_view(reinterpret_cast<const char*>(data), size), 3);
    fs::remove_all(Folder());
    fs::create_directories(Folder());
    zktest::PutFile(Folder() / "msMacro.ini", parts[0]);
    zktest::PutFile(Folder() / "CirNum.ini", parts[2]);
    const MacroLibrary library(Folder(), "msMacro.ini");

    const std::vector<std::string> names = library.ReadNames();
    Check(names.size() <= static_cast<std::size_t>(kMaxMacros));
    Check(static_cast<int>(names.size()) == library.ReadCount());
    for (const std::string& name : names) {
        if (CheckMacroName(name) != MacroError::None)
            continue;
        if (const auto path = library.ActionFilePath(name))
            zktest::PutFile(*path, parts[1]);
        const auto actions = library.ReadActions(name);
        Check(actions.size() == library.ReadActionLines(name).size());
        library.ReadRepeatCount(name);
    }

    // An append and a rewrite of the index read back as made.
    const MacroError appended = library.AppendName("fuzz appended");
    if (appended == MacroError::None)
        Check(library.ReadNames().back() == "fuzz appended");
    std::vector<std::string> kept;
    for (const std::string& name : library.ReadNames())
        if (CheckMacroName(name) == MacroError::None)
            kept.push_back(name);
    if (library.RewriteIndex(kept) == MacroError::None)
        Check(library.ReadNames() == kept);
    return 0;
}
