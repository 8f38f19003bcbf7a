#pragma once
// The message box: a small modal window with a text, OK and Cancel, and its self-closing variant.
//
// ShowMessage(parent, text, isKey) centres the box on its parent and runs it modally: 1 when
// "confirm_btn" closed it, 0 for "cancel_btn", the close button or any other end. An empty text
// leaves the layout's own text; with isKey the text is a language key ("message_text_1").
// ShowTimedMessage(parent) shows "message_text_20" and closes itself with 0 after 500 ms.
//
// Tests and callers that must not block can set a process-wide hook: while one is set, every
// message box goes to it instead (no window, no modal loop) and its result is returned.

#include "ui/WindowImplBase.h"

#include <functional>

namespace zk::app {

class CMsgWnd : public ui::WindowImplBase {
    Q_OBJECT
public:
    static constexpr unsigned kCloseTimerId = 1;
    static constexpr unsigned kCloseDelayMs = 500;

    CMsgWnd() = default;

    QString GetWindowClassName() const override { return QStringLiteral("MsgWnd"); }
    QString GetSkinFile() override { return QStringLiteral("XML_MSG"); }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    ui::LRESULT HandleCustomMessage(unsigned uMsg, ui::WPARAM wParam, ui::LPARAM lParam,
                                    bool& bHandled) override;
    void OnFinalMessage() override;
    // Escape ends the box as Cancel does (0); Enter as OK does (1), or with 0
    // when the box has no OK button.
    bool ResponseDefaultKeyEvent(int key) override;

    // Sets the message text (see ShowMessage); an empty text changes nothing.
    void SetMessage(const QString& text, bool isKey);
    // Ends the box with result 0 on the first tick of timer 1 (500 ms).
    void StartCloseTimer();
    int Ticks() const { return ticks_; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    QWidget* closeButton_ = nullptr;
    int ticks_ = 0;
};

struct MessageRequest {
    QWidget* parent = nullptr;
    QString text;
    bool isKey = false;
    bool timed = false; // ShowTimedMessage
};
using MessageHook = std::function<int(const MessageRequest&)>;

int ShowMessage(QWidget* parent, const QString& text, bool isKey);
int ShowTimedMessage(QWidget* parent);

// Sets (or, with an empty function, removes) the process-wide hook; returns the previous one.
MessageHook SetMessageHook(MessageHook hook);

// Sets a hook for its lifetime and restores the previous one afterwards.
class ScopedMessageHook {
public:
    explicit ScopedMessageHook(MessageHook hook) : previous_(SetMessageHook(std::move(hook))) {}
    ~ScopedMessageHook() { SetMessageHook(std::move(previous_)); }
    ScopedMessageHook(const ScopedMessageHook&) = delete;
    ScopedMessageHook& operator=(const ScopedMessageHook&) = delete;

private:
    MessageHook previous_;
};

} // namespace zk::app
