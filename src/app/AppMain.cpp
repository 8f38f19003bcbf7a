#include "app/AppMain.h"

#include "app/AppOptions.h"
#include "app/ControlService.h"
#include "app/MainWnd.h"
#include "app/Wiring.h"
#include "device/Hotplug.h"
#include "platform/Folders.h"
#include "platform/Log.h"
#include "platform/PrivateFonts.h"
#include "platform/QtLog.h"
#include "platform/SingleInstance.h"
#include "ui/PaintManager.h"
#include "ui/ResourceManager.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace zk::app {

void ApplySkinStyle(const QString& skinFolder) {
    QDir::setSearchPaths(QStringLiteral("skin"), {skinFolder});
    QFile qss(skinFolder + QStringLiteral("style.qss"));
    if (qss.open(QIODevice::ReadOnly))
        qApp->setStyleSheet(QString::fromUtf8(qss.readAll()));
}

int RunApplication(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParsedCommandLine cmd = ParseCommandLine(args);
    if (!cmd.error.empty()) {
        std::fprintf(stderr, "zk412v: %s\n\n%s", cmd.error.c_str(), UsageText().c_str());
        return 2;
    }
    if (cmd.options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (cmd.options.version) {
        std::fputs(VersionText().c_str(), stdout);
        return 0;
    }
    SetCurrentOptions(cmd.options);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zk412v"));
    // The window hides itself and lives in the tray; only the tray menu ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    platform::InstallQtDebugSink();

    const QString moduleFolder = QString::fromStdString(platform::GetModuleFolder());
    platform::LoadPrivateFont(moduleFolder, QStringLiteral("Font/Simplified_Chinese.ttf"));
    platform::LoadPrivateFont(moduleFolder, QStringLiteral("Font/Talvane-Regular.otf"));
    // Characters that the application font lacks come from the program's own
    // fonts first (the Chinese one holds just the program's texts), so text
    // drawn before the style sheet reaches a widget loads no other font.
    QFont appFont = QApplication::font();
    appFont.setFamilies(QStringList{appFont.family()} + platform::PrivateFontFamilies());
    QApplication::setFont(appFont);

    platform::DebugLine("软件标示：" + std::to_string(kActivationMessage));

    platform::SingleInstance instance;
    if (instance.Start() == platform::SingleInstance::Role::Second) {
        platform::DebugLine("another instance runs: activated it");
        platform::RemovePrivateFonts();
        return 0;
    }
    instance.SetActivationHandler([] {
        if (CMainWnd* wnd = CMainWnd::Instance())
            wnd->RequestActivation();
    });

    auto& rm = ui::ResourceManager::GetInstance();
    rm.SetInstancePath(moduleFolder);
    rm.SetResourcePath(moduleFolder + QStringLiteral("skin/"));
    rm.LoadResource(QStringLiteral("res.xml"));
    ApplySkinStyle(rm.GetResourcePath());
    RegisterControlClasses();

    // Hidraw nodes added, removed or given other rights (the watch of /dev, udev's events) wake
    // the detection and notification threads.
    device::HidrawMonitor hotplug;
    if (!cmd.options.emulate && !hotplug.Start())
        platform::DebugLine("hidraw nodes are not watched: devices are found by the periodic scan");

    auto window = std::make_unique<CMainWnd>();
    window->SetStartMinimized(cmd.options.minimized);
    WireSubsystems(*window, cmd.options);
    if (window->Create(nullptr, QStringLiteral("ORVANE ZK412V"), ui::WindowStyle::Frame,
                       QRect(0, 0, 800, 572))) {
        window->CenterWindow();
        window->ShowAtStart();
        // zk412vctl's requests, served while the window runs.
        ControlService control(*window);
        if (!control.Start())
            platform::DebugLine("zk412vctl requests are not served: the tool works on its own");
        ui::PaintManager::MessageLoop();
    } else {
        std::fprintf(stderr, "zk412v: the main window's layout could not be loaded from %s\n",
                     qPrintable(rm.GetResourcePath()));
        window.reset();
        platform::RemovePrivateFonts();
        return 1;
    }

    window.reset();
    platform::RemovePrivateFonts();
    return 0;
}

} // namespace zk::app
