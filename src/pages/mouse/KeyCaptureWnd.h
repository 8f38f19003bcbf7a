#pragma once

// The key-capture window: a small modal window that takes one keyboard key
// for a mouse button. While it is open the input hook holds the keyboard in
// its single-key mode and sends every key here; a key of the keyboard key
// table that a button can play ("keyboard key" rows) is shown in
// "kb_name_edit" and becomes the result, other keys (media, power, keys the
// table lacks) change nothing. "kb_set_confirm" and "kb_set_cancel" remove
// the hook and close the window; the hook also goes when the window is
// destroyed or loses activation.

#include "settings/ButtonAction.h"
#include "ui/DeviceHook.h"
#include "ui/WindowImplBase.h"

#include <QString>

#include <optional>

namespace zk::pages {

class CKbkey : public ui::WindowImplBase {
    Q_OBJECT
public:
    CKbkey() = default;

    QString GetWindowClassName() const override { return QStringLiteral("KbSetWnd"); }
    QString GetSkinFile() override { return QStringLiteral("Kbkeyset.xml"); }
    void Notify(ui::TNotifyUI& msg) override;
    ui::LRESULT HandleCustomMessage(unsigned uMsg, ui::WPARAM wParam, ui::LPARAM lParam,
                                    bool& bHandled) override;
    void OnDestroy() override;

    // Installs the hook now (the window does it itself once it is shown).
    void StartCapture();

    bool Confirmed() const { return confirmed_; }
    // The captured key as a button action {0x20, modifier bits, usage}, and
    // its name as the window showed it; nothing before a key was captured.
    const std::optional<settings::ButtonAction>& Result() const { return result_; }
    const QString& ResultName() const { return resultName_; }
    // The HID usage or modifier bits of the captured key are in Result(); the
    // display key ("keyboard_key_A") of the captured row.
    const QString& ResultKey() const { return resultKey_; }
    const ui::CDeviceHook& Hook() const { return hook_; }

private:
    void OnHookedKey(ui::WPARAM message, const ui::KeyboardEventRecord& record);
    void Finish(bool confirmed);

    ui::CDeviceHook hook_;
    bool confirmed_ = false;
    std::optional<settings::ButtonAction> result_;
    QString resultName_;
    QString resultKey_;
};

// What a confirmed capture returns.
struct KeyCaptureResult {
    settings::ButtonAction action;
    QString name; // the key's name in the current language
    QString key;  // its display key
};

// Runs the key-capture window modally, centred on `parent`'s window. The
// result when the window was confirmed after a key was captured; nothing for
// a cancel, a close, or a confirm before any key.
std::optional<KeyCaptureResult> RunKeyCapture(QWidget* parent);

} // namespace zk::pages
