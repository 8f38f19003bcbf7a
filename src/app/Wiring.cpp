#include "app/Wiring.h"

#include "app/MainWnd.h"
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
    // Seams still to be connected (see MainWndSeams in app/MainWnd.h):
    //   device back end    options.emulate / options.keyboardModel choose the
    //                      emulated HID bus instead of hidraw
    //   threads[1..3]      detection of keyboard, mouse, mousepad
    //   threads[4..5]      mouse and keyboard change notifications
    //   threads[6..9]      light tickers (keyboard, mouse, mousepad, shared)
    //   threads[10..14]    application watchers
    //   init*Profiles      profile start-up per device kind
    //   initPreviewControls, liveRecord, advanceAnimation, read*/reread*
    //   page handlers      window.AddPageHandler("click", ...), ...
    (void)window;
    (void)options;
}

} // namespace zk::app
