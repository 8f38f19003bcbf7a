#include "app/windows/MsgWnd.h"

#include "app/windows/Frameless.h"
#include "ui/Controls.h"

#include <QMutex>
#include <QMutexLocker>
#include <QPointer>

namespace zk::app {
namespace {

QMutex& HookMutex() {
    static QMutex m;
    return m;
}
MessageHook& Hook() {
    static MessageHook h;
    return h;
}

MessageHook CurrentHook() {
    QMutexLocker lock(&HookMutex());
    return Hook();
}

constexpr int kCaptionHeight = 40;

int RunMessage(const MessageRequest& request) {
    if (MessageHook hook = CurrentHook())
        return hook(request);
    // The window deletes itself once destroyed; the guard only watches it.
    QPointer<CMsgWnd> box = new CMsgWnd;
    if (!box->Create(request.parent, QStringLiteral("msgwnd"), ui::WindowStyle::Dialog)) {
        delete box;
        return 0;
    }
    box->CenterWindow();
    box->SetMessage(request.text, request.isKey);
    if (request.timed)
        box->StartCloseTimer();
    const int result = box->ShowModal();
    return result == 1 ? 1 : 0;
}

} // namespace

void CMsgWnd::InitWindow() {
    closeButton_ = FindControl(QStringLiteral("closebtn"));
    SetUpFrameless(*this, kCaptionHeight);
    SetSkinPicture(FindControl(QStringLiteral("msg_icon")), QStringLiteral("common/info.png"));
}

void CMsgWnd::resizeEvent(QResizeEvent* e) {
    ui::WindowImplBase::resizeEvent(e);
    ApplyRoundedRegion(*this, LayoutCornerRadius(*this));
}

void CMsgWnd::SetMessage(const QString& text, bool isKey) {
    if (text.isEmpty())
        return;
    if (QWidget* label = FindControl(QStringLiteral("MessageText")))
        ui::SetText(label, text, isKey);
}

void CMsgWnd::StartCloseTimer() {
    SetTimer(kCloseTimerId, kCloseDelayMs);
}

void CMsgWnd::Notify(ui::TNotifyUI& msg) {
    if (msg.sType != QLatin1String(ui::DUI_MSGTYPE_CLICK))
        return;
    const QString& name = msg.senderName;
    if ((closeButton_ && msg.pSender == closeButton_) ||
        name.compare(QLatin1String("closebtn"), Qt::CaseInsensitive) == 0)
        Close(0);
    else if (name.compare(QLatin1String("confirm_btn"), Qt::CaseInsensitive) == 0)
        Close(1);
    else if (name.compare(QLatin1String("cancel_btn"), Qt::CaseInsensitive) == 0)
        Close(0);
}

ui::LRESULT CMsgWnd::HandleCustomMessage(unsigned uMsg, ui::WPARAM wParam, ui::LPARAM,
                                         bool& bHandled) {
    if (uMsg == ui::WM_TIMER && wParam == kCloseTimerId) {
        ++ticks_;
        if (ticks_ >= 1) {
            KillTimer(kCloseTimerId);
            Close(0);
        }
    } else if (uMsg == ui::WM_CLOSE) {
        // The window manager's close button ends the box like the close button does.
        Close(0);
        bHandled = true;
    }
    return 0;
}

bool CMsgWnd::ResponseDefaultKeyEvent(int key) {
    if (key == Qt::Key_Escape) {
        Close(0);
        return true;
    }
    QWidget* ok = FindControl(QStringLiteral("confirm_btn"));
    Close(ok && ok->isVisible() && ok->isEnabled() ? 1 : 0);
    return true;
}

void CMsgWnd::OnFinalMessage() {
    deleteLater();
}

int ShowMessage(QWidget* parent, const QString& text, bool isKey) {
    return RunMessage({parent, text, isKey, false});
}

int ShowTimedMessage(QWidget* parent) {
    return RunMessage({parent, QStringLiteral("message_text_20"), true, true});
}

MessageHook SetMessageHook(MessageHook hook) {
    QMutexLocker lock(&HookMutex());
    MessageHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

} // namespace zk::app
