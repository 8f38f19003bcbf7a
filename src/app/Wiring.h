#pragma once

#include "app/AppOptions.h"

namespace zk::app {

class CMainWnd;

// The program's own control classes, registered with the control factory
// before any layout is built.
void RegisterControlClasses();

// Connects the subsystems to the main window's seams (thread bodies, timer
// work, page handlers, message boxes) before the window is created.
void WireSubsystems(CMainWnd& window, const AppOptions& options);

} // namespace zk::app
