#pragma once

// The window program's side of zk412vctl: requests that arrive on the
// request socket run the tool's commands on the GUI thread against the
// window's own device sessions, so the window, the profile files and the
// devices stay in step; the pages of every kind a command changed are
// refreshed, and a profile is applied by choosing its row in the window's
// selector, as a click does.

#include "platform/ControlSocket.h"

#include <QString>

#include <memory>

namespace zk::platform {
class RequestServer;
}

namespace zk::app {

class CMainWnd;

class ControlService {
public:
    // Serves requests for `window` (wired with its subsystems) on `socketPath`.
    explicit ControlService(CMainWnd& window, QString socketPath = QString::fromStdString(
                                                  platform::ControlSocketPath()));
    ~ControlService();

    bool Start();
    // One request as the socket hands it over (also for tests).
    platform::ControlReply Handle(const platform::ControlRequest& request);

private:
    CMainWnd& window_;
    std::unique_ptr<platform::RequestServer> server_;
};

} // namespace zk::app
