#pragma once

// The delay entry window: one number of milliseconds for a delay of the macro
// manager's action list.
//
//   x_edit       the delay, digits only, 0 to 65535 (a larger number is held
//                to 65535); opens with "10"
//   confirm_btn  takes the number and closes
//   cancel_btn   closes; the opener keeps the delay it had

#include "ui/WindowImplBase.h"

#include <optional>

namespace zk::pages {

class Cdelay : public ui::WindowImplBase {
    Q_OBJECT
public:
    Cdelay() = default;

    QString GetWindowClassName() const override { return QStringLiteral("DelayWnd"); }
    QString GetSkinFile() override { return QStringLiteral("delay.xml"); }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    bool ResponseDefaultKeyEvent(int key) override;

    // Results, read after the window closed.
    bool Confirmed() const { return confirmed_; }
    int Value() const { return value_; }

private:
    void Finish(bool confirmed);

    bool confirmed_ = false;
    int value_ = 0;
};

// Runs the delay window modally, centred on `parent`'s window; the value
// when it was confirmed, nothing when it was cancelled or closed.
std::optional<int> RunDelayWindow(QWidget* parent);

} // namespace zk::pages
