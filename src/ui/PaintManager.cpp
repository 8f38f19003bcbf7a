#include "ui/PaintManager.h"

#include "ui/NotifyHub.h"
#include "ui/WindowImplBase.h"

#include <QApplication>
#include <QMetaObject>

#include <atomic>

namespace zk::ui {

PaintManager::PaintManager(WindowImplBase* window) : window_(window) {}

QWidget* PaintManager::GetRoot() const {
    return window_ ? window_->root_ : nullptr;
}

QWidget* PaintManager::FindControl(const QString& name) const {
    return FindSubControlByName(GetRoot(), name);
}

QWidget* PaintManager::FindSubControlByName(QWidget* parent, const QString& name) {
    if (!parent || name.isEmpty())
        return nullptr;
    if (parent->objectName() == name)
        return parent;
    return parent->findChild<QWidget*>(name);
}

void PaintManager::AttachControl(QWidget* control) {
    if (window_ && window_->hub_)
        window_->hub_->Attach(control);
}

void PaintManager::SendNotify(QWidget* sender, const QString& type, WPARAM wParam, LPARAM lParam) {
    if (!window_)
        return;
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = sender;
    msg.senderName = sender ? sender->objectName() : QString();
    msg.wParam = wParam;
    msg.lParam = lParam;
    window_->RaiseNotify(msg);
}

namespace {

QFont MakeFont(const QString& face, int pixelSize, bool bold, bool underline, bool italic) {
    QFont f(face);
    f.setPixelSize(std::max(1, pixelSize));
    f.setBold(bold);
    f.setUnderline(underline);
    f.setItalic(italic);
    return f;
}

} // namespace

void PaintManager::AddFont(int id, const QString& face, int pixelSize, bool bold, bool underline,
                           bool italic, bool) {
    fonts_.insert(id, MakeFont(face, pixelSize, bold, underline, italic));
    ApplyFonts(id);
}

QFont PaintManager::GetFont(int id) const {
    auto it = fonts_.constFind(id);
    return it != fonts_.cend() ? it.value() : defaultFont_;
}

bool PaintManager::HasFont(int id) const {
    return fonts_.contains(id);
}

void PaintManager::RemoveAllFonts() {
    fonts_.clear();
}

void PaintManager::SetDefaultFont(const QString& face, int pixelSize, bool bold, bool underline,
                                  bool italic, bool) {
    defaultFont_ = MakeFont(face, pixelSize, bold, underline, italic);
}

QFont PaintManager::GetDefaultFont() const {
    return defaultFont_;
}

void PaintManager::SetDPI(int dpi) {
    dpi_ = dpi > 0 ? dpi : 96;
}

void PaintManager::ResetDPIAssets() {
    ApplyFonts();
    if (window_)
        window_->update();
}

void PaintManager::ApplyFonts(int onlyId) {
    QWidget* root = GetRoot();
    if (!root)
        return;
    auto apply = [&](QWidget* w) {
        bool ok = false;
        const int id = w->property("fontId").toInt(&ok);
        if (ok && (onlyId < 0 || id == onlyId) && fonts_.contains(id))
            w->setFont(fonts_.value(id));
    };
    apply(root);
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* w : children)
        apply(w);
}

int PaintManager::MessageLoop() {
    return QApplication::exec();
}

void PaintManager::QuitMessageLoop(int exitCode) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [exitCode] { QCoreApplication::exit(exitCode); },
        Qt::QueuedConnection);
}

WindowImplBase* WindowOf(QWidget* control) {
    for (QWidget* w = control; w; w = w->parentWidget())
        if (auto* window = qobject_cast<WindowImplBase*>(w))
            return window;
    return nullptr;
}

void SendNotify(QWidget* control, const QString& type, WPARAM wParam, LPARAM lParam) {
    if (WindowImplBase* window = WindowOf(control))
        window->GetPaintManager().SendNotify(control, type, wParam, lParam);
}

namespace {
std::atomic<int> gDpiAwareness{0};
}

bool Dpi::SetDPIAwareness(int awareness) {
    gDpiAwareness = awareness;
    return true;
}

int Dpi::GetDPIAwareness() {
    return gDpiAwareness;
}

} // namespace zk::ui
