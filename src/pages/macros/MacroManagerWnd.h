#pragma once

// The macro manager: creates, renames and deletes the macros of a library,
// records them from the keyboard, inserts mouse clicks and keys, and changes
// delays. Every change is stored at once; the window is opened modally from
// the macro tab ("marco_manager_btn" of the mouse, "kb_marco_manager_btn" of
// the keyboard), which reloads its lists from the index when it closes.
//
// Controls:
//   ms_MacroName_list     one row per macro of the index, in index order; a
//                         double click renames the row in place ("list_edit":
//                         Enter or leaving it takes the name, Escape drops it)
//   new_btn, delete_btn   create ("macro<n>", stored in the index at once; a
//                         51st is refused with "message_text_17") and delete
//   start_btn             "Start" / "Stop" recording (below)
//   marco_delay_checkbox  record the time between key events as delays
//   circle_num_checkbox, circle_num_edit
//                         repeat count of a new macro (mouse library only;
//                         typing is possible between "new" and the next choice
//                         of a macro)
//   ms_Macro_list         the actions of the chosen macro, two rows each: the
//                         action row ("ms_macro_action", direction and name,
//                         user data = action line) at even positions and its
//                         delay row ("ms_macro_delay") after it
//   right_click_list      context menu of the action list: btn_insert_left,
//                         btn_insert_right, btn_insert_mid (a click before the
//                         chosen action), btn_insert_kb (a key, from the
//                         key-capture window), btn_insert_delay (the delay
//                         window, on a delay row), btn_delete (an action with
//                         its delay)
//   confirm_btn           stores the repeat count typed and closes
//   cancel_btn            closes; a repeat count typed since is dropped
//
// Recording: Start installs the input hook in the library's recording mode
// (mouse: mode 64, message 0x812; keyboard: mode 4, message 0x803) for this
// window. Each key of the keyboard key table's macro rows becomes an action
// row and a delay row at the end of the list; a held key is recorded once
// (auto-repeat is filtered), keys outside the table are swallowed but not
// recorded. The delay of an action is the time to the next recorded event,
// held to 65535 ms, or 0 without "marco_delay_checkbox". Stop saves. When the
// keyboard cannot be grabbed, recording does not start and a message says
// why; when the window loses activation a recording stops (and is saved), so
// no key of another program is swallowed.

#include "macros/MacroLibrary.h"
#include "pages/Page.h"
#include "ui/DeviceHook.h"
#include "ui/WindowImplBase.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QListWidget;
class QLineEdit;

namespace zk::pages {

class CmarcoManagerDialog : public ui::WindowImplBase {
    Q_OBJECT
public:
    CmarcoManagerDialog(DeviceKind kind, macros::MacroLibrary library, PageServices& services);

    QString GetWindowClassName() const override { return QStringLiteral("MarcoManagerWnd"); }
    QString GetSkinFile() override { return QStringLiteral("marco.xml"); }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    ui::LRESULT HandleCustomMessage(unsigned uMsg, ui::WPARAM wParam, ui::LPARAM lParam,
                                    bool& bHandled) override;
    void OnDestroy() override;
    bool ResponseDefaultKeyEvent(int key) override;

    bool Recording() const { return recording_; }
    const ui::CDeviceHook& Hook() const { return hook_; }
    // The hook mode of the library's recording.
    int RecordingMode() const;
    // The millisecond tick count that delays are measured with (a monotonic
    // clock unless replaced).
    void SetClock(std::function<std::uint32_t()> clock) { clock_ = std::move(clock); }

protected:
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsMouse() const { return kind_ == DeviceKind::Mouse; }
    // The layout's root, which the menu and the rename edit float over.
    QWidget* Surface();
    QListWidget* MacroList() const;
    QListWidget* ActionList() const;
    std::vector<std::string> RowNames() const;

    // Macros.
    void AddMacroRow(const std::string& name);
    void ShowMacro(int row);
    void OnMacroChosen();
    void OnNew();
    void OnDelete();
    void BeginRename(int row);
    void EndRename(bool take);
    void ShowRepeatCount(bool editable);
    void StoreTypedRepeatCount();

    // Action rows.
    QWidget* MakeActionRow(const macros::MacroAction& action);
    QWidget* MakeDelayRow(int delay);
    void InsertPair(int at, const macros::MacroAction& action);
    void SetActionDelay(int actionRow, int delay);
    std::vector<std::string> ActionLines() const;
    int SelectedRow() const;
    void Save();
    void ShowError(macros::MacroError error);

    // Context menu.
    void ShowMenu(const QPoint& at);
    void HideMenu();
    void InsertClick(std::size_t pressRow);
    void InsertKey();
    void ChangeDelay();
    void DeleteAction();

    // Recording.
    void OnStartStop();
    void StartRecording();
    void StopRecording();
    void RecordKey(ui::WPARAM message, const ui::KeyboardEventRecord& record);
    void SetStartText(bool recording);

    DeviceKind kind_;
    macros::MacroLibrary library_;
    PageServices& services_;
    ui::CDeviceHook hook_;
    bool recording_ = false;
    std::uint32_t lastTick_ = 0;
    std::function<std::uint32_t()> clock_;
    std::optional<std::string> shown_; // the macro whose actions are listed
    bool countTyped_ = false;          // the repeat count edit differs from the file
    int renameRow_ = -1;               // the row being renamed, and its old name
    std::string renameOld_;
    bool renaming_ = false; // a rename is being taken (its message moves the focus)
};

// Runs the manager modally over `parent`'s window on `library`.
void RunMacroManager(QWidget* parent, DeviceKind kind, macros::MacroLibrary library,
                     PageServices& services);

} // namespace zk::pages
