#include "ui/NotifyHub.h"

#include "ui/Notify.h"
#include "ui/PaintManager.h"
#include "ui/WindowImplBase.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QButtonGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>

namespace zk::ui {

namespace {

thread_local int tProgramChange = 0;

const char* const kWired = "zkWired";
const char* const kWasChecked = "zkWasChecked";
const char* const kActionPending = "zkActionPending";
const char* const kPrevIndex = "zkPrevIndex";

bool IsNamed(const QWidget* w) {
    const QString name = w->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

// Plain containers raise no hover notifications unless asked to.
bool IsPlainContainer(const QWidget* w) {
    static const QSet<QString> containers = {"QWidget",     "QFrame",         "QGroupBox",
                                             "QScrollArea", "QStackedWidget", "QTabWidget",
                                             "QSplitter",   "QDockWidget",    "QMainWindow"};
    return containers.contains(QString::fromLatin1(w->metaObject()->className()));
}

bool IsExclusive(const QAbstractButton* b) {
    return b->autoExclusive() || (b->group() && b->group()->exclusive());
}

bool IsInputEvent(QEvent::Type t) {
    switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

} // namespace

ProgramChangeGuard::ProgramChangeGuard() {
    ++tProgramChange;
}
ProgramChangeGuard::~ProgramChangeGuard() {
    --tProgramChange;
}
bool ProgramChangeGuard::Active() {
    return tProgramChange > 0;
}

NotifyHub::NotifyHub(WindowImplBase* window) : QObject(window), window_(window) {}

void NotifyHub::Raise(QWidget* sender, const char* type, WPARAM wParam, LPARAM lParam, QPoint pt) {
    TNotifyUI msg;
    msg.sType = QString::fromLatin1(type);
    msg.pSender = sender;
    msg.senderName = sender ? sender->objectName() : QString();
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.ptMouse = pt;
    window_->RaiseNotify(msg);
}

void NotifyHub::Attach(QWidget* root) {
    if (!root || WindowOf(root) != window_)
        return;
    Wire(root);
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* w : children)
        if (WindowOf(w) == window_) // controls of an embedded window are its own
            Wire(w);
}

void NotifyHub::AddProxy(QObject* part, QWidget* control) {
    if (!part)
        return;
    proxies_.insert(part, control);
    part->installEventFilter(this);
    connect(part, &QObject::destroyed, this, [this, part] {
        proxies_.remove(part);
        userActive_.remove(part);
    });
}

void NotifyHub::WatchPopup(QWidget* popup, QWidget* combo) {
    if (popups_.contains(popup))
        return;
    popups_.insert(popup, combo);
    popup->installEventFilter(this);
    connect(popup, &QObject::destroyed, this, [this, popup] { popups_.remove(popup); });
}

void NotifyHub::MarkUser(QWidget* control) {
    userActive_.insert(control);
    if (!clearQueued_) {
        clearQueued_ = true;
        // Everything a user's input event changes happens while it is
        // delivered; the mark ends once control returns to the event loop.
        QTimer::singleShot(0, this, [this] {
            clearQueued_ = false;
            userActive_.clear();
        });
    }
}

bool NotifyHub::IsUser(QWidget* control) const {
    return !ProgramChangeGuard::Active() && userActive_.contains(control);
}

void NotifyHub::Wire(QWidget* w) {
    if (w->property(kWired).toBool())
        return;
    w->setProperty(kWired, true);
    w->installEventFilter(this); // focus, hover, context menu, children added later
    if (!IsNamed(w))
        return;
    if (qobject_cast<QAbstractButton*>(w))
        WireButton(w);
    else if (qobject_cast<QAbstractSlider*>(w))
        WireSlider(w);
    else if (qobject_cast<QComboBox*>(w))
        WireCombo(w);
    else if (qobject_cast<QAbstractItemView*>(w))
        WireItemView(w);
    else if (qobject_cast<QTabWidget*>(w) || qobject_cast<QTabBar*>(w))
        WireTabs(w);
    else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QTextEdit*>(w) ||
             qobject_cast<QPlainTextEdit*>(w))
        WireEdit(w);
}

void NotifyHub::WireButton(QWidget* w) {
    auto* b = static_cast<QAbstractButton*>(w);
    // The state before the click tells whether the click changed it; every
    // user activation (mouse, keyboard, shortcut) presses the button first.
    connect(b, &QAbstractButton::pressed, this,
            [b] { b->setProperty(kWasChecked, b->isChecked()); });
    connect(b, &QAbstractButton::clicked, this, [this, b] {
        QPointer<QAbstractButton> guard(b);
        const QVariant was = b->property(kWasChecked);
        b->setProperty(kWasChecked, QVariant());
        Raise(b, DUI_MSGTYPE_CLICK);
        if (!guard || !b->isCheckable())
            return;
        const bool checked = b->isChecked();
        const bool changed = was.isValid() ? was.toBool() != checked : true;
        if (changed && (checked || !IsExclusive(b)))
            Raise(b, DUI_MSGTYPE_SELECTCHANGED, checked ? 1 : 0);
    });
}

void NotifyHub::WireSlider(QWidget* w) {
    auto* s = static_cast<QAbstractSlider*>(w);
    connect(s, &QAbstractSlider::actionTriggered, this, [s](int action) {
        // Keyboard, wheel and page steps (moves while the handle is not held):
        // the value follows at once.
        const bool drag = action == QAbstractSlider::SliderMove && s->isSliderDown();
        if (action != QAbstractSlider::SliderNoAction && !drag && s->sliderPosition() != s->value())
            s->setProperty(kActionPending, true);
    });
    connect(s, &QAbstractSlider::valueChanged, this, [this, s](int value) {
        if (s->property(kActionPending).toBool()) {
            s->setProperty(kActionPending, false);
            if (!ProgramChangeGuard::Active())
                Raise(s, DUI_MSGTYPE_VALUECHANGED, static_cast<WPARAM>(value));
        } else if (s->isSliderDown() && !ProgramChangeGuard::Active()) {
            Raise(s, DUI_MSGTYPE_MOVEVALUECHANGED, static_cast<WPARAM>(value));
        }
    });
    connect(s, &QAbstractSlider::sliderReleased, this,
            [this, s] { Raise(s, DUI_MSGTYPE_VALUECHANGED, static_cast<WPARAM>(s->value())); });
}

void NotifyHub::WireCombo(QWidget* w) {
    auto* c = static_cast<QComboBox*>(w);
    c->setProperty(kPrevIndex, c->currentIndex());
    // The popup list is made when it first opens (a combo asked for its view
    // makes it at once, with some ten widgets that each page would keep); its
    // parts are connected when it shows.
    for (QObject* child : c->children())
        if (auto* part = qobject_cast<QWidget*>(child); part && part->isWindow())
            WatchPopup(part, c);
    connect(c, &QComboBox::currentIndexChanged, this, [this, c](int index) {
        const int prev = c->property(kPrevIndex).toInt();
        c->setProperty(kPrevIndex, index);
        if (IsUser(c))
            Raise(c, DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(index), prev);
    });
}

void NotifyHub::WireItemView(QWidget* w) {
    auto* v = static_cast<QAbstractItemView*>(w);
    AddProxy(v->viewport(), v);
    auto connectSelection = [this, v] {
        if (QItemSelectionModel* sm = v->selectionModel())
            connect(sm, &QItemSelectionModel::currentChanged, this,
                    [this, v](const QModelIndex& cur, const QModelIndex& prev) {
                        if (IsUser(v))
                            Raise(v, DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(cur.row()),
                                  prev.row());
                    });
    };
    connectSelection();
    // A row shown by a named widget (setItemWidget / setIndexWidget) is the
    // sender of its clicks; otherwise the list is.
    auto rowSender = [v](const QModelIndex& index) -> QWidget* {
        QWidget* row = v->indexWidget(index);
        return row && IsNamed(row) ? row : v;
    };
    connect(v, &QAbstractItemView::clicked, this, [this, rowSender](const QModelIndex& index) {
        Raise(rowSender(index), DUI_MSGTYPE_ITEMCLICK, static_cast<WPARAM>(index.row()),
              index.column());
    });
    connect(v, &QAbstractItemView::activated, this, [this, rowSender](const QModelIndex& index) {
        Raise(rowSender(index), DUI_MSGTYPE_ITEMACTIVATE, static_cast<WPARAM>(index.row()),
              index.column());
    });
}

void NotifyHub::WireTabs(QWidget* w) {
    if (auto* tw = qobject_cast<QTabWidget*>(w)) {
        tw->setProperty(kPrevIndex, tw->currentIndex());
        AddProxy(tw->tabBar(), tw);
        connect(tw, &QTabWidget::currentChanged, this, [this, tw](int index) {
            const int prev = tw->property(kPrevIndex).toInt();
            tw->setProperty(kPrevIndex, index);
            if (IsUser(tw))
                Raise(tw, DUI_MSGTYPE_SELECTCHANGED, static_cast<WPARAM>(index), prev);
        });
    } else if (auto* tb = qobject_cast<QTabBar*>(w)) {
        tb->setProperty(kPrevIndex, tb->currentIndex());
        connect(tb, &QTabBar::currentChanged, this, [this, tb](int index) {
            const int prev = tb->property(kPrevIndex).toInt();
            tb->setProperty(kPrevIndex, index);
            if (IsUser(tb))
                Raise(tb, DUI_MSGTYPE_SELECTCHANGED, static_cast<WPARAM>(index), prev);
        });
    }
}

void NotifyHub::WireEdit(QWidget* w) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        connect(e, &QLineEdit::textEdited, this, [this, e] { Raise(e, DUI_MSGTYPE_TEXTCHANGED); });
    } else if (auto* te = qobject_cast<QTextEdit*>(w)) {
        connect(te, &QTextEdit::textChanged, this, [this, te] {
            if (te->hasFocus() && !ProgramChangeGuard::Active())
                Raise(te, DUI_MSGTYPE_TEXTCHANGED);
        });
    } else if (auto* pe = qobject_cast<QPlainTextEdit*>(w)) {
        connect(pe, &QPlainTextEdit::textChanged, this, [this, pe] {
            if (pe->hasFocus() && !ProgramChangeGuard::Active())
                Raise(pe, DUI_MSGTYPE_TEXTCHANGED);
        });
    }
}

bool NotifyHub::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();

    // A combo's popup connects its list once it shows, before any input reaches it.
    if (auto it = popups_.constFind(watched); it != popups_.cend()) {
        if (type == QEvent::Show) {
            auto* combo = qobject_cast<QComboBox*>(it.value());
            popups_.erase(it);
            watched->removeEventFilter(this);
            if (combo && combo->view()) {
                AddProxy(combo->view(), combo);
                AddProxy(combo->view()->viewport(), combo);
            }
        }
        return false;
    }

    // Inner parts (list viewports, combo popups, tab bars) stand for their control.
    if (auto it = proxies_.constFind(watched); it != proxies_.cend()) {
        QWidget* control = it.value();
        if (!control)
            return false;
        if (IsInputEvent(type))
            MarkUser(control);
        if (type == QEvent::ContextMenu && qobject_cast<QAbstractItemView*>(control)) {
            auto* ce = static_cast<QContextMenuEvent*>(event);
            auto* part = qobject_cast<QWidget*>(watched);
            const QPoint pt = part ? part->mapTo(control, ce->pos()) : ce->pos();
            Raise(control, DUI_MSGTYPE_MENU, 0, 0, pt);
            return true;
        }
        return false;
    }

    auto* w = qobject_cast<QWidget*>(watched);
    if (!w)
        return false;
    if (type == QEvent::ChildAdded) {
        // Controls added after the layout was built are connected once they
        // have their names (on the next pass of the event loop).
        auto* ce = static_cast<QChildEvent*>(event);
        if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->property(kWired).toBool()) {
            // The popup, made while it is added: watched until it shows.
            if (ce->child()->isWidgetType() && static_cast<QWidget*>(ce->child())->isWindow())
                WatchPopup(static_cast<QWidget*>(ce->child()), combo);
        }
        if (auto* child = qobject_cast<QWidget*>(ce->child())) {
            QPointer<QWidget> guard(child);
            QTimer::singleShot(0, this, [this, guard] {
                if (guard && !guard->isWindow())
                    Attach(guard);
            });
        }
        return false;
    }
    if (!IsNamed(w))
        return false;
    if (IsInputEvent(type)) {
        MarkUser(w);
        return false;
    }
    switch (type) {
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        if (w->focusPolicy() == Qt::NoFocus)
            break;
        auto* fe = static_cast<QFocusEvent*>(event);
        if (fe->reason() == Qt::PopupFocusReason)
            break; // a popup of the control itself (menu, combo list) opened or closed
        Raise(w, type == QEvent::FocusIn ? DUI_MSGTYPE_SETFOCUS : DUI_MSGTYPE_KILLFOCUS);
        break;
    }
    case QEvent::Enter:
    case QEvent::Leave: {
        if (IsPlainContainer(w) && !w->property("hoverNotify").toBool())
            break;
        QPoint pt;
        if (type == QEvent::Enter)
            pt = static_cast<QEnterEvent*>(event)->position().toPoint();
        Raise(w, type == QEvent::Enter ? DUI_MSGTYPE_MOUSEENTER : DUI_MSGTYPE_MOUSELEAVE, 0, 0, pt);
        break;
    }
    case QEvent::ContextMenu:
        if (w->property("menu").toBool()) {
            Raise(w, DUI_MSGTYPE_MENU, 0, 0, static_cast<QContextMenuEvent*>(event)->pos());
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace zk::ui
