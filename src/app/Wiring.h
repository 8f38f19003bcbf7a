#pragma once

#include "app/AppOptions.h"

namespace zk::app {

class CMainWnd;

// The program's own control classes, registered with the control factory
// before any layout is built.
void RegisterControlClasses();

// Connects the subsystems to the main window's seams (thread bodies, timer
// work, transfers, profile start-up) before the window is created: creates the
// window's Subsystems owner (app/Subsystems.h), which with options.emulate
// installs the emulated bus with the mouse, keyboard (model
// options.keyboardModel) and mousepad plugged in. The pages it creates
// (pages/PageSet.cpp) receive the device sessions they work on. A second call
// for the same window changes nothing.
void WireSubsystems(CMainWnd& window, const AppOptions& options);

} // namespace zk::app
