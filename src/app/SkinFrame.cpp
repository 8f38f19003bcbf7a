#include "app/SkinFrame.h"

#include "app/windows/Frameless.h"
#include "ui/Controls.h"
#include "ui/ResourceManager.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include <algorithm>

namespace zk::app {

// --- observer -------------------------------------------------------------------

ObserverImpl& ObserverImpl::Instance() {
    static ObserverImpl observer;
    return observer;
}

void ObserverImpl::AddReceiver(ReceiverImpl* receiver) {
    if (receiver && std::find(receivers_.begin(), receivers_.end(), receiver) == receivers_.end())
        receivers_.push_back(receiver);
}

void ObserverImpl::RemoveReceiver(ReceiverImpl* receiver) {
    receivers_.erase(std::remove(receivers_.begin(), receivers_.end(), receiver), receivers_.end());
}

void ObserverImpl::Broadcast(const SkinChangedParam& param) {
    const std::vector<ReceiverImpl*> snapshot = receivers_;
    for (ReceiverImpl* receiver : snapshot) {
        // Skip receivers that an earlier one removed (or destroyed).
        if (std::find(receivers_.begin(), receivers_.end(), receiver) != receivers_.end())
            receiver->Receive(param);
    }
}

void ApplySkinChange(QWidget* root, const SkinChangedParam& param) {
    if (!root)
        return;
    if (param.bColor) {
        ui::SetBkColor(root, param.bkcolor);
        ui::SetBkImage(root, QString());
    } else {
        ui::SetBkColor(root, 0);
        ui::SetBkImage(root, param.bgimage);
    }
}

namespace {

const QString kReceiverName = QStringLiteral("zkSkinReceiver");

// Lives as a child of its window: signs up when made, leaves when destroyed.
class WindowSkinReceiver : public QObject, public ReceiverImpl {
public:
    explicit WindowSkinReceiver(ui::WindowImplBase& window) : QObject(&window), window_(&window) {
        setObjectName(kReceiverName);
        ObserverImpl::Instance().AddReceiver(this);
    }
    ~WindowSkinReceiver() override { ObserverImpl::Instance().RemoveReceiver(this); }

    void Receive(const SkinChangedParam& param) override {
        if (window_)
            ApplySkinChange(window_->FindControl(QStringLiteral("root")), param);
    }

private:
    QPointer<ui::WindowImplBase> window_;
};

} // namespace

void ReceiveSkinChanges(ui::WindowImplBase& window) {
    if (window.findChild<QObject*>(kReceiverName, Qt::FindDirectChildrenOnly))
        return;
    new WindowSkinReceiver(window);
}

// --- chooser --------------------------------------------------------------------

namespace {
QPointer<CSkinFrame> g_openChooser;
constexpr int kIconResource = 128;
} // namespace

CSkinFrame::~CSkinFrame() {
    if (qApp)
        qApp->removeEventFilter(this);
}

void CSkinFrame::InitWindow() {
    setWindowIcon(ui::ResourceManager::GetInstance().GetIcon(kIconResource));
    SetUpFrameless(*this, 0);
}

void CSkinFrame::Notify(ui::TNotifyUI& /*msg*/) {
    // The chooser only shows the skins; its clicks change nothing.
}

void CSkinFrame::OnFinalMessage() {
    if (qApp)
        qApp->removeEventFilter(this);
    deleteLater();
}

CSkinFrame* CSkinFrame::Current() {
    CSkinFrame* open = g_openChooser.data();
    return open && open->IsWindow() && !open->IsClosing() ? open : nullptr;
}

QRect CSkinFrame::Placement(const QRect& button, QSize size) {
    // The corner just outside the button's rectangle, as a window rectangle's
    // right and bottom edges count.
    const QPoint corner(button.x() + button.width(), button.y() + button.height());
    return QRect(QPoint(corner.x() - size.width(), corner.y()), size);
}

CSkinFrame* CSkinFrame::Open(ui::WindowImplBase* owner, QWidget* skinButton) {
    if (CSkinFrame* open = Current()) {
        open->Dismiss();
        return nullptr;
    }
    auto* chooser = new CSkinFrame;
    if (!chooser->Create(owner, QStringLiteral("skinframe"), ui::WindowStyle::Popup)) {
        delete chooser;
        return nullptr;
    }
    chooser->setWindowFlags(chooser->windowFlags() | Qt::WindowStaysOnTopHint |
                            Qt::WindowDoesNotAcceptFocus);
    // A Wayland client cannot place a top-level window, and the compositor
    // would put the chooser anywhere. As a tooltip-type window of its owner it
    // becomes a popup surface, placed where it is asked relative to the owner.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        chooser->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint |
                                Qt::WindowDoesNotAcceptFocus);
    chooser->owner_ = owner;
    chooser->anchor_ = skinButton;

    QRect button;
    QScreen* screen = nullptr;
    if (skinButton) {
        button = QRect(skinButton->mapToGlobal(QPoint(0, 0)), skinButton->size());
        screen = skinButton->screen();
    } else if (owner) {
        button = QRect(owner->mapToGlobal(QPoint(owner->width(), 0)), QSize(0, 0));
        screen = owner->screen();
    }
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    chooser->move(KeepInside(Placement(button, chooser->size()), area).topLeft());

    g_openChooser = chooser;
    qApp->installEventFilter(chooser);
    chooser->ShowWindow(true, false);
    return chooser;
}

void CSkinFrame::Dismiss() {
    if (IsWindow() && !IsClosing())
        Close(ui::IDCANCEL);
}

bool CSkinFrame::event(QEvent* e) {
    if (e->type() == QEvent::WindowDeactivate || e->type() == QEvent::FocusOut)
        Dismiss();
    return ui::WindowImplBase::event(e);
}

// Watches the whole application while the chooser is open: anything that
// turns the user elsewhere closes it.
bool CSkinFrame::eventFilter(QObject* watched, QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::TabletPress:
    case QEvent::TouchBegin: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() == this)
            break;
        // A press on the skin button itself leaves the closing to its click,
        // which toggles the chooser.
        if (anchor_ && (widget == anchor_ || anchor_->isAncestorOf(widget)))
            break;
        Dismiss();
        break;
    }
    case QEvent::ApplicationStateChange:
        if (QGuiApplication::applicationState() != Qt::ApplicationActive)
            Dismiss();
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape)
            Dismiss();
        break;
    case QEvent::Hide:
    case QEvent::WindowStateChange:
        if (watched == owner_.data() && (!owner_->isVisible() || owner_->isMinimized()))
            Dismiss();
        break;
    default:
        break;
    }
    return ui::WindowImplBase::eventFilter(watched, e);
}

} // namespace zk::app
