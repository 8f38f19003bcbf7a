#pragma once

#include "app/MainWnd.h"
#include "support/TempDir.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace apptest {

// The folder with the built program and its skin (ZK_STAGE_DIR).
QString StageDir();

// Runs the event loop until `done` holds or the time is up; true when it held.
bool SpinUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(5));
void Spin(std::chrono::milliseconds time);

// The program's diagnostic lines, collected while the object lives.
class DebugLines {
public:
    DebugLines();
    ~DebugLines();
    int Count(const std::string& line) const;
    bool Has(const std::string& line) const { return Count(line) > 0; }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// A main window over the staged skin, with a temporary home and a recording
// message box. Configure seams before Open().
class MainWndTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the window as the entry point does, shows it and waits for its
    // "windowinit" start-up to be done.
    void Open();
    // Closes the window and waits until its destroy sequence has run.
    void CloseAndWait();

    struct ShownBox {
        QString text;
        bool isKey;
        bool timed;
    };

    zktest::TempHome home_;
    DebugLines lines_;
    std::unique_ptr<zk::app::CMainWnd> wnd_;
    std::vector<ShownBox> boxes_;
    // Runs inside the (modal) message box, while it is open.
    std::function<void()> whileBoxOpen_;
};

} // namespace apptest
