#pragma once

// Helpers of the tests that run on a real X server (Xvfb, xcb platform):
// keys typed through XTEST with xdotool, the server's Caps Lock state,
// waiting while the event loop runs, and the staged skin their windows are
// built from.

#include "ui/ResourceManager.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <functional>

namespace zktest {

// Processes events until `done` holds or `limit` passed; true when it held.
inline bool SpinUntilX(const std::function<bool()>& done,
                       std::chrono::milliseconds limit = std::chrono::seconds(3)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

// Runs xdotool with `args` ("key", "keydown", "keyup" and a keysym).
inline bool XdoTool(const QStringList& args) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), args);
    return xdotool.waitForFinished(5000) && xdotool.exitStatus() == QProcess::NormalExit &&
           xdotool.exitCode() == 0;
}

// Types one key (an X keysym name) through XTEST.
inline bool TypeKey(const QString& keysym) {
    return XdoTool({QStringLiteral("key"), keysym});
}

// Whether the X server has Caps Lock locked (the Lock modifier of its state).
inline bool CapsLocked() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return false;
    xcb_connection_t* c = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_query_pointer_reply_t* reply =
        xcb_query_pointer_reply(c, xcb_query_pointer(c, screen->root), nullptr);
    const bool locked = reply && (reply->mask & XCB_MOD_MASK_LOCK);
    std::free(reply);
    return locked;
}

// Loads the skin of the staged program (ZK_STAGE_DIR) with its texts in
// `language` ("en", "cn"); false when its resource list cannot be read.
inline bool LoadStagedSkin(const QString& language) {
    const QString stage = qEnvironmentVariable("ZK_STAGE_DIR");
    auto& rm = zk::ui::ResourceManager::GetInstance();
    rm.SetInstancePath(stage + QStringLiteral("/"));
    rm.SetResourcePath(stage + QStringLiteral("/skin/"));
    if (!rm.LoadResource(QStringLiteral("res.xml")))
        return false;
    rm.SetLanguage(language);
    rm.LoadLanguage(QStringLiteral("lan_%1.xml").arg(language));
    QDir::setSearchPaths(QStringLiteral("skin"), {stage + QStringLiteral("/skin/")});
    return true;
}

// Closes a skin window that is still open, waits until it is gone and deletes it.
template <class W> void CloseAndDelete(QPointer<W>& window) {
    if (window && window->IsWindow()) {
        window->Close();
        SpinUntilX([&window] { return !window || !window->IsWindow(); });
    }
    delete window;
}

} // namespace zktest
