#pragma once

// The macro assignment window: picks a macro of the mouse's library for a
// button and how it ends, and returns the macro button action.
//
//   macro_combo_select   the macros of the library, in index order
//   end_num_check        repeat the macro "num_edit" times (type 0x71)
//   end_down_check       play until the button is pressed again (0x70, 2)
//   end_up_check         play until the button is released (0x70, 1)
//   macro_select_confirm enabled once a macro is chosen
//   macro_select_cancel
//
// It opens with the choice remembered in the profile's name file (section
// MACROSET). An empty library leaves nothing to choose: confirm stays
// disabled and a note says so.

#include "settings/ButtonAction.h"
#include "ui/WindowImplBase.h"

#include <QString>

#include <string>

namespace zk::pages {

class Cmacro : public ui::WindowImplBase {
    Q_OBJECT
public:
    // `profileName` is the device profile whose name file holds the memo.
    explicit Cmacro(std::string profileName) : profileName_(std::move(profileName)) {}

    QString GetWindowClassName() const override { return QStringLiteral("MarcoSetWnd"); }
    QString GetSkinFile() override { return QStringLiteral("marcoset.xml"); }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;

    // Results, read after the window closed.
    bool Confirmed() const { return confirmed_; }
    // Valid only when confirmed.
    settings::ButtonAction Action() const { return action_; }
    const QString& MacroName() const { return macroName_; }
    int MacroIndex() const { return macroIndex_; }
    int EndStyle() const { return endStyle_; }
    bool HasMacros() const { return hasMacros_; }

private:
    void Choose(int index);
    void ClampRepeatCount();
    void Confirm();

    std::string profileName_;
    bool confirmed_ = false;
    bool hasMacros_ = false;
    int chosen_ = -1;
    settings::ButtonAction action_;
    QString macroName_;
    int macroIndex_ = 0;
    int endStyle_ = 0;
};

} // namespace zk::pages
