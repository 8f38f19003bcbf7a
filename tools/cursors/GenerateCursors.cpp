// Writes the default cursor macro files "name_1.cur" to "name_4.cur" into the
// folder given as the only argument (the folder beside the program).

#include "macros/MacroLibrary.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zk_cursorgen <output folder>\n");
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!zk::macros::WriteDefaultCursorFiles(folder)) {
        std::fprintf(stderr, "zk_cursorgen: cannot write the cursor files into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
