// Prints the module folder of wherever this program is placed.
#include "platform/Folders.h"

#include <cstdio>

int main() {
    std::printf("%s\n", zk::platform::GetModuleFolder().c_str());
    return 0;
}
