#include "app/Wiring.h"

#include "app/MainWnd.h"
#include "app/Subsystems.h"
#include "app/windows/ColorPalette.h"
#include "controls/Registration.h"

namespace zk::app {

void RegisterControlClasses() {
    // "CCircleProgressUI", "CChartViewUI", "CWndUI", "CDeviceKeyButtonUI" (and
    // the LED picture), then the colour palette of the light pages.
    controls::RegisterControls();
    RegisterColorPalette();
}

void WireSubsystems(CMainWnd& window, const AppOptions& options) {
    // One owner per window, a child of it: it outlives the window's threads.
    if (Subsystems::Of(window))
        return;
    new Subsystems(window, options);
    // Not wired yet: the application watchers (thread places 10 to 14) and
    // the input hooks.
}

} // namespace zk::app
