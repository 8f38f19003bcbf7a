#pragma once

namespace zk::app {

// The program: single instance, window library set-up, main window, message
// loop and teardown. Returns the process exit code.
int RunApplication(int argc, char** argv);

} // namespace zk::app
