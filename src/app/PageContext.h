#pragma once

// What the pages of the main window work on: the settings images, the profile
// stores and the device channels of the three device kinds, the light preview,
// and the refresh hooks that run after a transfer filled an image.
//
// The main window's owner of the subsystems fills one PageContext before the
// window is created and keeps it as long as the window lives. A page reaches
// it from any handler that gets the window:
//
//     void OnDpiSlider(zk::app::CMainWnd& window, zk::ui::TNotifyUI& msg) {
//         zk::app::PageContext* ctx = zk::app::PageContextOf(window);
//         if (!ctx) return;
//         ctx->mouse.image.SetRecordByte(17, level); // timer 2 writes it
//         ctx->mouse.store.SaveDeviceProfile();
//     }
//
// and hooks its refresh into the transfers once, for example at wiring time:
//
//     ctx->refresh.afterMouseRead.push_back([&window] { RefreshDpiPage(window); });
//
// This header needs no library of the app folder: PageContextOf reads a
// property of the window.
//
// Threads: everything here belongs to the main thread, except what the images
// document as shared with the light previews and the detection threads.

#include "lighting/LightPreview.h"
#include "profiles/ProfileStore.h"
#include "protocol/DeviceChannel.h"
#include "settings/LightRecords.h"
#include "settings/MouseSettingsImage.h"

#include <QVariant>
#include <QWidget>

#include <functional>
#include <string_view>
#include <vector>

namespace zk::app {

// Refresh hooks, run on the main thread in the order they were added.
struct RefreshHooks {
    using Hook = std::function<void()>;
    // After the whole mouse read (timer 8, message 0x901) and after the
    // re-read of the settings record (message 0x902): the DPI and lighting
    // controls, the macro choices of the button-assignment combos.
    std::vector<Hook> afterMouseRead;
    // After the keyboard read (timer 11, message 0xB01) and the re-read of its
    // light record (message 0xB02): the keyboard light page.
    std::vector<Hook> afterKeyboardRead;
    // After the mousepad read (timer 12): the mousepad light page.
    std::vector<Hook> afterMousepadRead;

    static void Run(const std::vector<Hook>& hooks) {
        for (const auto& hook : hooks)
            if (hook)
                hook();
    }
};

struct MouseContext {
    settings::MouseSettingsImage& image;
    profiles::MouseProfileStore& store;
    protocol::DeviceChannel& channel;
};

struct KeyboardContext {
    settings::KeyboardImage& image;
    profiles::KeyboardProfileStore& store;
    protocol::DeviceChannel& channel;
};

struct MousepadContext {
    settings::MousepadImage& image;
    profiles::MousepadProfileStore& store;
    protocol::DeviceChannel& channel;
};

struct PageContext {
    MouseContext mouse;
    KeyboardContext keyboard;
    MousepadContext mousepad;
    // The light previews of the three device pictures (mode resets, pauses).
    lighting::LightPreview& preview;
    RefreshHooks& refresh;
    // The main window's message box with a language-file key.
    std::function<void(std::string_view key)> showMessage;
};

// The window property that carries the context.
inline constexpr const char* kPageContextProperty = "zkPageContext";

// The context of the main window `window`, or null when none was wired.
inline PageContext* PageContextOf(const QWidget& window) {
    return static_cast<PageContext*>(window.property(kPageContextProperty).value<void*>());
}

} // namespace zk::app
