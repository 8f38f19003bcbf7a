#include "pages/profiles/LinkBoxes.h"

#include "pages/profiles/LinkChooser.h"
#include "pages/profiles/MouseDeviceProfiles.h"
#include "pages/profiles/ProfileSelectors.h"
#include "profiles/ApplyProfile.h"
#include "profiles/ProfileLinks.h"
#include "ui/Controls.h"

#include <QAbstractButton>

#include <array>

namespace zk::pages {

using profiles::ProfileKind;

struct ProfileLinkBoxes::Box {
    const char* prefix; // of the link display's controls
    const char* selector;
    profiles::DeviceKind device;
    ProfileKind kind;
};

namespace {

using Box = ProfileLinkBoxes::Box;

const std::array<ProfileLinkBoxes::Box, 4> kBoxes = {{
    {"ms_device", "config_list", profiles::DeviceKind::Mouse, ProfileKind::Device},
    {"kb_device", "kb_device_profile_combo", profiles::DeviceKind::Keyboard, ProfileKind::Device},
    {"kb_key", "kb_key_profile_combo", profiles::DeviceKind::Keyboard, ProfileKind::Key},
    {"mp_deng", "mp_deng_profile_combo", profiles::DeviceKind::Mousepad, ProfileKind::Light},
}};

QString CheckOf(const Box& box) {
    return QString::fromLatin1(box.prefix) + QStringLiteral("_profile_link_check");
}

const Box* BoxOf(const QString& name) {
    for (const Box& box : kBoxes)
        if (name.compare(CheckOf(box), Qt::CaseInsensitive) == 0)
            return &box;
    return nullptr;
}

} // namespace

ProfileLinkBoxes::ProfileLinkBoxes(QWidget* window, PageServices& services, WindowSource windows)
    : window_(window), services_(services), windows_(std::move(windows)) {
    if (!windows_)
        windows_ = [] { return platform::ForegroundApp::OnX11()->Windows(); };
}

bool ProfileLinkBoxes::Claims(const QString& name) const {
    return BoxOf(name) != nullptr;
}

bool ProfileLinkBoxes::Notify(ui::TNotifyUI& msg) {
    if (!msg.Is(ui::DUI_MSGTYPE_CLICK))
        return false;
    const Box* box = BoxOf(msg.senderName);
    auto* check = qobject_cast<QAbstractButton*>(msg.pSender.data());
    if (!box || !check)
        return false;
    QWidget* selector = FindControl(window_, QString::fromLatin1(box->selector));
    const int index = selector ? ui::GetCurSel(selector) : -1;
    if (index < 0) {
        ui::SetCheck(check, false, false); // no profile to link
        return true;
    }
    if (check->isChecked())
        Link(*box, index);
    else
        Unlink(*box, index);
    return true;
}

void ProfileLinkBoxes::Link(const Box& box, int index) {
    if (platform::IsWaylandSession() && !waylandTold_) {
        waylandTold_ = true;
        services_.ShowMessage("link_wayland_notice");
    }
    QPointer<CLinkChooser> chooser =
        new CLinkChooser(windows_(), [this](std::string_view key) { services_.ShowMessage(key); });
    QWidget* owner = window_ ? window_->window() : nullptr;
    if (!chooser->Create(owner, QStringLiteral("LinkChooserWnd"), ui::WindowStyle::Dialog)) {
        delete chooser;
        ShowLink(box, index);
        return;
    }
    chooser->CenterWindow();
    chooser->ShowModal();
    const bool confirmed = chooser && chooser->Confirmed();
    const std::string path = chooser ? chooser->Path().toStdString() : std::string();
    delete chooser;
    if (confirmed) {
        profiles::ProfileIndex file(box.device);
        if (!profiles::WriteLink(file, box.kind, index, path))
            services_.ShowMessage("link_write_failed");
    }
    ShowLink(box, index);
}

void ProfileLinkBoxes::Unlink(const Box& box, int index) {
    profiles::ProfileIndex file(box.device);
    if (!profiles::RemoveLink(file, box.kind, index))
        services_.ShowMessage("link_write_failed");
    ShowLink(box, index);
}

// The display shows what the index file now holds; a box left checked
// without a link (a cancelled chooser) is cleared.
void ProfileLinkBoxes::ShowLink(const Box& box, int index) {
    QWidget* selector = FindControl(window_, QString::fromLatin1(box.selector));
    const profiles::ProfileIndex file(box.device);
    const profiles::LinkDisplay link = profiles::LinkOf(file, box.kind, index);
    const QString prefix = QString::fromLatin1(box.prefix);
    ShowProfileChoice(window_, prefix, EntryName(selector, index), link);
    if (!link.programName)
        if (auto* check = FindControl(window_, CheckOf(box)))
            if (auto* button = qobject_cast<QAbstractButton*>(check))
                ui::SetCheck(button, link.linked, false);
}

} // namespace zk::pages
