#pragma once

// The five application watchers as worker threads 10 to 14 of the main
// window: each asks the X server for the foreground program (a connection of
// its own) and hands its selection to the main thread through the window's
// event queue, waiting until it is made. A selection goes through the
// selector as a user's does ("itemselect"), so the profile is applied the
// same way. Every wait ends at once when the thread's stop event is set.

namespace zk::app {

class CMainWnd;
struct MainWndSeams;

// Fills the thread bodies of places 10 to 14 in `seams`. What the threads
// share with the main thread lives as long as `window`.
void InstallWatchers(CMainWnd& window, MainWndSeams& seams);

} // namespace zk::app
