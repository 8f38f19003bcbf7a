#pragma once

// The window that links a profile to a program: the user picks the window of
// a running program, or browses for the program file, and confirms.
//
//   message_text_13      what a link does
//   link_window_list     the windows of running programs: title and
//                        executable; a row's user data is the executable
//   link_wayland_note    shown in a Wayland session: native Wayland windows
//                        are not listed and cannot be followed
//   link_path_edit       the chosen executable's full path
//   link_browse_btn      a file dialog for the program file
//   link_confirm_btn     enabled once a program is chosen
//   link_cancel_btn
//
// A browsed file must be a program that can be run; a symbolic link is taken
// as the file it leads to, since that is the path a running program has.

#include "platform/ForegroundApp.h"
#include "ui/WindowImplBase.h"

#include <QString>

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace zk::pages {

class CLinkChooser : public ui::WindowImplBase {
    Q_OBJECT
public:
    using ShowMessageFn = std::function<void(std::string_view key)>;
    // `windows`: the running programs to list; `showMessage`: the message box.
    CLinkChooser(std::vector<platform::AppWindow> windows, ShowMessageFn showMessage)
        : windows_(std::move(windows)), showMessage_(std::move(showMessage)) {}

    QString GetWindowClassName() const override { return QStringLiteral("LinkChooserWnd"); }
    QString GetSkinFile() override { return QStringLiteral("LinkChooser.xml"); }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;

    // Results, read after the window closed.
    bool Confirmed() const { return confirmed_; }
    const QString& Path() const { return path_; }

    // The executable a chosen file stands for: its target when it is a
    // symbolic link; empty when it is not a regular file that can be run.
    static QString ProgramFile(const QString& chosen);

private:
    void Choose(const QString& path);
    void Browse();

    std::vector<platform::AppWindow> windows_;
    ShowMessageFn showMessage_;
    bool confirmed_ = false;
    QString path_;
};

} // namespace zk::pages
