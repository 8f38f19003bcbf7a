#include "ui/WindowImplBase.h"

#include <QKeyEvent>

#include "ui/DialogBuilder.h"
#include "ui/EdgeResizer.h"
#include "ui/Log.h"
#include "ui/NotifyHub.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace zk::ui {

// Workers waiting in SendMessage; released when the window goes away.
struct SendQueue {
    std::mutex mutex;
    std::condition_variable cv;
    bool closed = false;
};

namespace {

struct PendingSend {
    bool done = false;
    LRESULT result = 0;
};

const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class MessageEvent : public QEvent {
public:
    MessageEvent(unsigned m, WPARAM w, LPARAM l)
        : QEvent(kMessageEvent), msg(m), wParam(w), lParam(l) {}
    unsigned msg;
    WPARAM wParam;
    LPARAM lParam;
    std::shared_ptr<PendingSend> send;   // set for SendMessage from another thread
    std::shared_ptr<const void> payload; // owned data wParam points to
};

bool OnOwnThread(const QObject* o) {
    return QThread::currentThread() == o->thread();
}

} // namespace

WindowImplBase::WindowImplBase() : m_pm(this), sends_(std::make_shared<SendQueue>()) {}

WindowImplBase::~WindowImplBase() {
    gone_ = true;
    // The controls are destroyed after this object's own part; they must not
    // reach it through the hub any more.
    delete hub_;
    hub_ = nullptr;
    ReleasePendingSends();
    auto& rm = ResourceManager::GetInstance();
    if (rm.GetTextQueryInterface() == this)
        rm.SetTextQueryInterface(nullptr);
    if (modalLoop_)
        modalLoop_->exit(result_);
}

void WindowImplBase::Notify(TNotifyUI&) {}

LRESULT WindowImplBase::HandleCustomMessage(unsigned, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

QWidget* WindowImplBase::CreateControl(const QString&) {
    return nullptr;
}

QString WindowImplBase::QueryControlText(const QString&, const QString&) {
    return {};
}

bool WindowImplBase::Create(QWidget* parent, const QString& name, WindowStyle style,
                            const QRect& rect) {
    if (created_ || destroyed_)
        return false;
    setObjectName(name);
    switch (style) {
    case WindowStyle::Frame:
        setParent(parent, Qt::Window | Qt::FramelessWindowHint);
        break;
    case WindowStyle::Dialog:
        setParent(parent, Qt::Dialog | Qt::FramelessWindowHint);
        break;
    case WindowStyle::Popup:
        setParent(parent, Qt::Tool | Qt::FramelessWindowHint);
        setAttribute(Qt::WA_ShowWithoutActivating);
        break;
    case WindowStyle::Child:
        setParent(parent, Qt::Widget);
        break;
    }
    setWindowTitle(name);
    if (!rect.isEmpty())
        setGeometry(rect);
    // Frameless top-level windows whose size may change get resize grips.
    if (style != WindowStyle::Child)
        EdgeResizer::Of(this);

    if (!hub_)
        hub_ = new NotifyHub(this);
    root_ = DialogBuilder::Create(GetSkinFile(), this, this);
    if (!root_) {
        qCWarning(uiLog) << GetWindowClassName() << "has no layout" << GetSkinFile();
        return false;
    }
    const QSize layoutSize = root_->size();
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    box->addWidget(root_);
    // The window takes its layout's own size.
    if (!layoutSize.isEmpty())
        resize(layoutSize);
    if (const QVariant caption = root_->property("captionHeight"); caption.isValid())
        captionHeight_ = caption.toInt();
    hub_->Attach(root_);
    created_ = true;

    InitWindow();

    QPointer<WindowImplBase> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (!self || self->gone_)
                return;
            TNotifyUI msg;
            msg.sType = QString::fromLatin1(DUI_MSGTYPE_WINDOWINIT);
            msg.pSender = self->root_;
            msg.senderName = self->root_ ? self->root_->objectName() : QString();
            self->RaiseNotify(msg);
        },
        Qt::QueuedConnection);
    return true;
}

void WindowImplBase::CenterWindow() {
    QRect area;
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (isWindow() && owner && owner->isVisible()) {
        area = owner->frameGeometry();
    } else if (QScreen* s = isWindow() ? screen() : nullptr) {
        area = s->availableGeometry();
    } else if (parentWidget()) {
        area = parentWidget()->rect();
    }
    if (area.isEmpty())
        return;
    QRect r = geometry();
    r.moveCenter(area.center());
    move(r.topLeft());
}

void WindowImplBase::ShowWindow(bool show, bool takeFocus) {
    if (!show) {
        hide();
        return;
    }
    if (isMinimized())
        showNormal();
    setAttribute(Qt::WA_ShowWithoutActivating, !takeFocus);
    QWidget::show();
    if (takeFocus && isWindow()) {
        raise();
        activateWindow();
    }
}

int WindowImplBase::ShowModal() {
    if (destroyed_ || !created_)
        return result_;
    if (isWindow())
        setWindowModality(Qt::ApplicationModal);
    ShowWindow(true, true);
    QEventLoop loop;
    modalLoop_ = &loop;
    QPointer<WindowImplBase> self(this);
    const int result = loop.exec(QEventLoop::DialogExec);
    if (self)
        self->modalLoop_ = nullptr;
    return result;
}

void WindowImplBase::Close(int result) {
    if (!OnOwnThread(this)) {
        QPointer<WindowImplBase> self(this);
        QMetaObject::invokeMethod(
            this,
            [self, result] {
                if (self)
                    self->Close(result);
            },
            Qt::QueuedConnection);
        return;
    }
    if (closing_.exchange(true))
        return;
    result_ = result;
    QPointer<WindowImplBase> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (self)
                self->DestroySequence();
        },
        Qt::QueuedConnection);
}

void WindowImplBase::DestroySequence() {
    if (destroyed_)
        return;
    closing_ = true;
    gone_ = true;
    ReleasePendingSends();
    if (!created_) {
        // Never built: nothing to tear down.
        destroyed_ = true;
        if (modalLoop_)
            modalLoop_->exit(result_);
        return;
    }
    const auto ids = timers_.keys();
    for (unsigned id : ids)
        KillTimerNow(id);
    hide();
    OnDestroy();
    HandleMessage(WM_DESTROY, 0, 0);
    destroyed_ = true;
    auto& rm = ResourceManager::GetInstance();
    if (rm.GetTextQueryInterface() == this)
        rm.SetTextQueryInterface(nullptr);
    if (modalLoop_)
        modalLoop_->exit(result_);
    OnFinalMessage();
}

void WindowImplBase::ReleasePendingSends() {
    std::lock_guard lock(sends_->mutex);
    sends_->closed = true;
    sends_->cv.notify_all();
}

bool WindowImplBase::PostMessage(unsigned msg, WPARAM wParam, LPARAM lParam) {
    if (gone_)
        return false;
    QCoreApplication::postEvent(this, new MessageEvent(msg, wParam, lParam));
    return true;
}

bool WindowImplBase::PostMessageOwning(unsigned msg, std::shared_ptr<const void> payload,
                                       LPARAM lParam) {
    if (gone_)
        return false;
    auto* ev = new MessageEvent(msg, reinterpret_cast<WPARAM>(payload.get()), lParam);
    ev->payload = std::move(payload);
    QCoreApplication::postEvent(this, ev);
    return true;
}

LRESULT WindowImplBase::SendMessage(unsigned msg, WPARAM wParam, LPARAM lParam) {
    if (OnOwnThread(this))
        return gone_ && msg != WM_DESTROY ? 0 : HandleMessage(msg, wParam, lParam);
    std::shared_ptr<SendQueue> queue = sends_;
    if (gone_)
        return 0;
    auto pending = std::make_shared<PendingSend>();
    auto* ev = new MessageEvent(msg, wParam, lParam);
    ev->send = pending;
    QCoreApplication::postEvent(this, ev);
    std::unique_lock lock(queue->mutex);
    queue->cv.wait(lock, [&] { return pending->done || queue->closed; });
    return pending->done ? pending->result : 0;
}

LRESULT WindowImplBase::HandleMessage(unsigned msg, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    const LRESULT r = HandleCustomMessage(msg, wParam, lParam, handled);
    if (handled)
        return r;
    return DefaultHandling(msg, wParam, lParam);
}

LRESULT WindowImplBase::DefaultHandling(unsigned msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_CLOSE:
        Close(IDCANCEL);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
            showMinimized();
            break;
        case SC_MAXIMIZE:
            showMaximized();
            break;
        case SC_RESTORE:
            showNormal();
            break;
        case SC_CLOSE:
            return HandleMessage(WM_CLOSE, 0, 0);
        default:
            break;
        }
        return 0;
    case WM_DPICHANGED:
        m_pm.SetDPI(static_cast<int>(wParam & 0xFFFF));
        m_pm.ResetDPIAssets();
        return 0;
    default:
        return 0;
    }
}

bool WindowImplBase::SetTimer(unsigned id, unsigned elapseMs) {
    if (gone_)
        return false;
    if (OnOwnThread(this)) {
        SetTimerNow(id, elapseMs);
    } else {
        QPointer<WindowImplBase> self(this);
        QMetaObject::invokeMethod(
            this,
            [self, id, elapseMs] {
                if (self)
                    self->SetTimerNow(id, elapseMs);
            },
            Qt::QueuedConnection);
    }
    return true;
}

bool WindowImplBase::KillTimer(unsigned id) {
    if (OnOwnThread(this)) {
        const bool had = timers_.contains(id);
        KillTimerNow(id);
        return had;
    }
    QPointer<WindowImplBase> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, id] {
            if (self)
                self->KillTimerNow(id);
        },
        Qt::QueuedConnection);
    return true;
}

bool WindowImplBase::HasTimer(unsigned id) const {
    return timers_.contains(id);
}

void WindowImplBase::SetTimerNow(unsigned id, unsigned elapseMs) {
    if (gone_)
        return;
    KillTimerNow(id);
    // As the system timers: periods below 10 ms are 10 ms.
    const int qtId = startTimer(static_cast<int>(std::clamp(elapseMs, 10u, 0x7FFFFFFFu)));
    if (qtId == 0)
        return;
    timers_.insert(id, qtId);
    timerIds_.insert(qtId, id);
}

void WindowImplBase::KillTimerNow(unsigned id) {
    auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    killTimer(it.value());
    timerIds_.remove(it.value());
    timers_.erase(it);
}

void WindowImplBase::RaiseNotify(TNotifyUI& msg) {
    if (gone_)
        return;
    qCDebug(uiLog) << "notify" << msg.sType << msg.senderName;
    Notify(msg);
}

bool WindowImplBase::event(QEvent* e) {
    if (e->type() == kMessageEvent) {
        auto* me = static_cast<MessageEvent*>(e);
        LRESULT r = 0;
        if (!gone_)
            r = HandleMessage(me->msg, me->wParam, me->lParam);
        if (me->send) {
            std::lock_guard lock(sends_->mutex);
            me->send->done = true;
            me->send->result = r;
            sends_->cv.notify_all();
        }
        return true;
    }
    return QWidget::event(e);
}

void WindowImplBase::closeEvent(QCloseEvent* e) {
    e->ignore();
    if (!created_ || destroyed_ || closing_)
        return;
    HandleMessage(WM_CLOSE, 0, 0);
}

void WindowImplBase::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (created_ && !gone_ && root_) {
        TNotifyUI msg;
        msg.sType = QString::fromLatin1(DUI_MSGTYPE_WINDOWSIZE);
        msg.pSender = root_;
        msg.senderName = root_->objectName();
        msg.wParam = static_cast<WPARAM>(width());
        msg.lParam = height();
        RaiseNotify(msg);
    }
}

void WindowImplBase::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && created_ && !gone_ && isWindow())
        HandleMessage(WM_ACTIVATE, isActiveWindow() ? WA_ACTIVE : WA_INACTIVE, 0);
}

void WindowImplBase::timerEvent(QTimerEvent* e) {
    auto it = timerIds_.constFind(e->timerId());
    if (it == timerIds_.cend()) {
        QWidget::timerEvent(e);
        return;
    }
    HandleMessage(WM_TIMER, it.value(), 0);
}

void WindowImplBase::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const int key = e->key();
    const bool dialogKey = key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter;
    if (dialogKey && mods == Qt::NoModifier && !e->isAutoRepeat() &&
        ResponseDefaultKeyEvent(key == Qt::Key_Enter ? Qt::Key_Return : key)) {
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void WindowImplBase::mousePressEvent(QMouseEvent* e) {
    // Presses that no control took: inside the caption strip they drag the window.
    if (e->button() == Qt::LeftButton && captionHeight_ > 0 && isWindow() &&
        e->position().y() < captionHeight_ && windowHandle()) {
        windowHandle()->startSystemMove();
        e->accept();
        return;
    }
    QWidget::mousePressEvent(e);
}

} // namespace zk::ui
