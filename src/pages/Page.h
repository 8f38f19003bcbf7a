#pragma once

// The shape every page of the main window follows.
//
// A page claims the controls it handles (by name), refreshes its controls
// from its device session after the transfers that fill the session's image,
// and handles the notifications of its controls: it edits the image, marks it
// pending or writes at once, and saves the profile. It knows nothing of device
// frames (the session's channel and timer 2 send them) nor of the window that
// hosts it, beyond finding its controls below it.
//
// What a page needs beyond its session comes as PageServices: the colour
// palette, the message box, the refresh of the pages of a kind, the light
// preview, and the desktop's pointer settings.
//
// src/pages/README.md walks through the DPI page as the model.

#include "device/DeviceIdentity.h"
#include "profiles/DeviceSession.h"
#include "ui/Notify.h"

#include <QString>

#include <cstdint>
#include <string_view>

class QWidget;

namespace zk::lighting {
class LightPreview;
}
namespace zk::platform {
class PointerSettings;
}

namespace zk::pages {

using device::DeviceKind;

class PageServices {
public:
    virtual ~PageServices() = default;
    // Runs the colour palette modally over `parent`, starting at `initial`
    // (0xAARRGGBB); true with `chosen` set when the user confirmed a colour.
    virtual bool PickColour(QWidget* parent, std::uint32_t initial, std::uint32_t& chosen) = 0;
    // The main window's message box with a language-file key.
    virtual void ShowMessage(std::string_view key) = 0;
    // The message box with a language text that is a format with one integer
    // ("%d"); without an override the text shows unformatted.
    virtual void ShowFormattedMessage(std::string_view key, int argument) {
        (void)argument;
        ShowMessage(key);
    }
    // Refreshes every page of `kind` (after a profile was applied, say).
    virtual void RefreshPages(DeviceKind kind) = 0;
    // The light preview of the device pictures: the resets and set-ups that
    // picking a light mode asks of it, and the pause flags.
    virtual lighting::LightPreview& Preview() = 0;
    // The desktop's pointer speed, double-click time and wheel lines.
    virtual platform::PointerSettings& Pointer() = 0;
};

// The sessions of the three kinds, as the registry hands them to the pages.
struct Sessions {
    profiles::MouseSession& mouse;
    profiles::KeyboardSession& keyboard;
    profiles::MousepadSession& mousepad;
};

class Page {
public:
    virtual ~Page() = default;

    // The kind whose transfers fill what the page shows.
    virtual DeviceKind Kind() const = 0;
    // True for the names of the controls whose notifications the page handles.
    virtual bool Claims(const QString& controlName) const = 0;
    // The page's controls from the session's image.
    virtual void Refresh() = 0;
    // Handles a notification of a claimed control; true when it acted on it.
    virtual bool Notify(ui::TNotifyUI& msg) = 0;
};

// Finds a control by name anywhere below `window`; null when there is none.
QWidget* FindControl(QWidget* window, const QString& name);

} // namespace zk::pages
