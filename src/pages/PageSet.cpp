#include "pages/PageSet.h"

#include "pages/keyboard/KeyPage.h"
#include "pages/keyboard/LightingPage.h"
#include "pages/macros/MacroEditorPage.h"
#include "pages/mouse/ButtonPage.h"
#include "pages/mouse/DpiPage.h"
#include "pages/mouse/LightingPage.h"
#include "pages/mouse/PerformancePage.h"
#include "pages/mousepad/LightingPage.h"
#include "pages/profiles/LinkBoxes.h"
#include "pages/profiles/MouseDeviceProfiles.h"
#include "pages/profiles/ProfileSelectors.h"

namespace zk::pages {

PageSet::PageSet(QWidget* window, const Sessions& sessions, PageServices& services) {
    // One line per page, in routing order.
    pages_.push_back(std::make_unique<DpiPage>(window, sessions.mouse, services));
    pages_.push_back(std::make_unique<MouseDeviceProfiles>(window, sessions.mouse, services));
    pages_.push_back(std::make_unique<MouseLightPage>(window, sessions.mouse, services));
    pages_.push_back(std::make_unique<KeyboardLightPage>(window, sessions.keyboard, services));
    pages_.push_back(std::make_unique<MousepadLightPage>(window, sessions.mousepad, services));
    pages_.push_back(std::make_unique<KeyboardProfiles>(window, sessions.keyboard, services));
    pages_.push_back(std::make_unique<MousepadProfiles>(window, sessions.mousepad, services));
    pages_.push_back(std::make_unique<ProfileLinkBoxes>(window, services));
    pages_.push_back(std::make_unique<PerformancePage>(window, sessions.mouse, services));
    pages_.push_back(std::make_unique<ButtonPage>(window, sessions.mouse, services));
    pages_.push_back(std::make_unique<MacroEditorPage>(window, DeviceKind::Mouse, services));
    pages_.push_back(std::make_unique<MacroEditorPage>(window, DeviceKind::Keyboard, services));
    pages_.push_back(std::make_unique<KeyPage>(window, sessions.keyboard, services));
}

PageSet::~PageSet() = default;

bool PageSet::Route(ui::TNotifyUI& msg) {
    for (const auto& page : pages_)
        if (page->Claims(msg.senderName))
            return page->Notify(msg);
    return false;
}

void PageSet::Refresh(DeviceKind kind) {
    for (const auto& page : pages_)
        if (page->Kind() == kind)
            page->Refresh();
}

} // namespace zk::pages
