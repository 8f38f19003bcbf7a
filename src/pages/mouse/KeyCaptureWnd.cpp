#include "pages/mouse/KeyCaptureWnd.h"

#include "settings/KeyTables.h"
#include "ui/Controls.h"
#include "ui/ResourceManager.h"

#include <QPointer>

namespace zk::pages {

namespace {

const QString kNameLabel = QStringLiteral("kb_name_edit");
const QString kConfirm = QStringLiteral("kb_set_confirm");
const QString kCancel = QStringLiteral("kb_set_cancel");

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

} // namespace

void CKbkey::StartCapture() {
    if (!hook_.IsInstalled())
        hook_.Install(ui::kHookMouseSingleKey, this);
}

void CKbkey::Notify(ui::TNotifyUI& msg) {
    if (msg.Is(ui::DUI_MSGTYPE_WINDOWINIT)) {
        // Shown now: the keyboard can be grabbed for this window.
        StartCapture();
        return;
    }
    if (!msg.Is(ui::DUI_MSGTYPE_CLICK))
        return;
    if (msg.senderName.compare(kConfirm, Qt::CaseInsensitive) == 0)
        Finish(true);
    else if (msg.senderName.compare(kCancel, Qt::CaseInsensitive) == 0)
        Finish(false);
}

ui::LRESULT CKbkey::HandleCustomMessage(unsigned uMsg, ui::WPARAM wParam, ui::LPARAM lParam,
                                        bool& bHandled) {
    if (uMsg == ui::WM_HOOK_MOU_SINGLEKEY && lParam != 0) {
        OnHookedKey(wParam, *reinterpret_cast<const ui::KeyboardEventRecord*>(lParam));
        bHandled = true;
        return 0;
    }
    return 0;
}

void CKbkey::OnHookedKey(ui::WPARAM message, const ui::KeyboardEventRecord& record) {
    // The key pressed counts; releasing it (or a modifier held with it) does not.
    if (message != ui::WM_KEYDOWN && message != ui::WM_SYSKEYDOWN)
        return;
    const auto key = settings::CaptureKey(record.vkCode, record.flags);
    if (!key)
        return; // media keys, system keys and keys outside the table
    result_ = key->action;
    resultKey_ = FromView(key->displayKey);
    // The name as the window shows it: the key's text in the current language.
    resultName_ = ui::ResourceManager::GetInstance().GetText(resultKey_);
    if (resultName_.isEmpty())
        resultName_ = FromView(key->label);
    if (QWidget* label = FindControl(kNameLabel))
        ui::SetText(label, resultKey_, true);
}

void CKbkey::Finish(bool confirmed) {
    hook_.Uninstall();
    confirmed_ = confirmed;
    Close(confirmed ? ui::IDOK : ui::IDCANCEL);
}

void CKbkey::OnDestroy() {
    hook_.Uninstall();
}

std::optional<KeyCaptureResult> RunKeyCapture(QWidget* parent) {
    QPointer<CKbkey> window = new CKbkey;
    if (!window->Create(parent ? parent->window() : nullptr, QStringLiteral("KbSetWnd"),
                        ui::WindowStyle::Dialog)) {
        delete window;
        return std::nullopt;
    }
    window->CenterWindow();
    window->ShowModal();
    std::optional<KeyCaptureResult> out;
    if (window && window->Confirmed() && window->Result())
        out = KeyCaptureResult{*window->Result(), window->ResultName(), window->ResultKey()};
    delete window;
    return out;
}

} // namespace zk::pages
