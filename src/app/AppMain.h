#pragma once

#include <QString>

namespace zk::app {

// Makes the skin folder the "skin:" search path of pictures and applies its
// style sheet "style.qss" to the whole program when the file exists.
void ApplySkinStyle(const QString& skinFolder);

// The program: single instance, window library set-up, main window, message
// loop and teardown. Returns the process exit code.
int RunApplication(int argc, char** argv);

} // namespace zk::app
