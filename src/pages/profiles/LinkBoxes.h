#pragma once

// The link check boxes of the selectors whose profiles can follow a program:
//
//   ms_device_profile_link_check   mouse device profile ("config_list" row)
//   kb_device_profile_link_check   keyboard device profile
//   kb_key_profile_link_check      keyboard key profile
//   mp_deng_profile_link_check     mousepad light profile
//
// Checking a box opens the link chooser for the selected profile; a confirmed
// program is written to the index file (flag "1" and the executable's full
// path) and the selector's link display shows it. Cancelling leaves the box
// clear. Clearing the box removes the link. In a Wayland session the first
// chooser of a run is preceded by a notice that only programs under Xwayland
// can be followed.

#include "pages/Page.h"
#include "platform/ForegroundApp.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

namespace zk::pages {

class ProfileLinkBoxes final : public Page {
public:
    // The windows the chooser lists (by default those of the X server).
    using WindowSource = std::function<std::vector<platform::AppWindow>()>;

    ProfileLinkBoxes(QWidget* window, PageServices& services, WindowSource windows = {});

    DeviceKind Kind() const override { return DeviceKind::Mouse; }
    bool Claims(const QString& controlName) const override;
    void Refresh() override {}
    bool Notify(ui::TNotifyUI& msg) override;

    // A link check box with its selector and the profiles it links.
    struct Box;

private:
    void Link(const Box& box, int index);
    void Unlink(const Box& box, int index);
    void ShowLink(const Box& box, int index);

    QPointer<QWidget> window_;
    PageServices& services_;
    WindowSource windows_;
    bool waylandTold_ = false;
};

} // namespace zk::pages
