#include "app/Wiring.h"

#include "app/MainWnd.h"
#include "app/windows/ColorPalette.h"

namespace zk::app {

void RegisterControlClasses() {
    RegisterColorPalette();
    // The four control classes that layouts may name. Each is registered here
    // as soon as its class exists:
    //   "CCircleProgressUI"   circular progress
    //   "CChartViewUI"        chart view
    //   "CWndUI"              host for a native child window
    //   "CDeviceKeyButtonUI"  key button with a tinted light picture
    // e.g. ui::ControlFactory::RegistControl("CCircleProgressUI",
    //          [](QWidget* parent) -> QWidget* { return new controls::CCircleProgressUI(parent);
    //          });
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
