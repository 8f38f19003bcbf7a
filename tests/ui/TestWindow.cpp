#include "TestWindow.h"

#include "ui/ControlFactory.h"
#include "ui/DialogBuilder.h"
#include "ui/ResourceManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

namespace zktest {

QString UiDataDir() {
    const QString source = qEnvironmentVariable("ZK_SOURCE_DIR");
    if (!source.isEmpty())
        return QDir(source).filePath(QStringLiteral("tests/ui/data"));
    return QStringLiteral(ZK_UI_TEST_DATA_DIR);
}

void UseTestSkin() {
    auto& rm = zk::ui::ResourceManager::GetInstance();
    rm.SetResourcePath(UiDataDir());
    rm.LoadResource(QStringLiteral("res.xml"));
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

void TestWindow::Notify(zk::ui::TNotifyUI& msg) {
    notes.push_back({msg.sType, msg.senderName, msg.wParam, msg.lParam});
    events.push_back(QStringLiteral("notify:") + msg.sType);
    if (onNotify)
        onNotify(msg);
    WindowImplBase::Notify(msg);
}

zk::ui::LRESULT TestWindow::HandleCustomMessage(unsigned uMsg, zk::ui::WPARAM wParam,
                                                zk::ui::LPARAM lParam, bool& bHandled) {
    {
        std::lock_guard lock(mutex_);
        messages_.push_back({uMsg, wParam, lParam});
    }
    if (uMsg == zk::ui::WM_DESTROY)
        events.push_back(QStringLiteral("WM_DESTROY"));
    zk::ui::LRESULT result = 0;
    if (onMessage && onMessage(uMsg, wParam, lParam, result)) {
        bHandled = true;
        return result;
    }
    return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

QWidget* TestWindow::CreateControl(const QString& className) {
    if (className.compare(QLatin1String("test_sub_ui"), Qt::CaseInsensitive) == 0)
        return zk::ui::DialogBuilder::Create(QStringLiteral("sub_layout.xml"));
    return nullptr;
}

QString TestWindow::QueryControlText(const QString& id, const QString&) {
    if (id == QLatin1String("titletext"))
        return QStringLiteral("Title from window");
    return {};
}

std::vector<Note> TestWindow::NotesOf(const QString& type) const {
    std::vector<Note> out;
    for (const Note& n : notes)
        if (type.isEmpty() || n.type == type)
            out.push_back(n);
    return out;
}

int TestWindow::Count(const QString& type, const QString& sender) const {
    int n = 0;
    for (const Note& note : notes)
        if (note.type == type && (sender.isEmpty() || note.sender == sender))
            ++n;
    return n;
}

std::vector<Msg> TestWindow::MessagesOf(unsigned msg) const {
    std::lock_guard lock(mutex_);
    std::vector<Msg> out;
    for (const Msg& m : messages_)
        if (m.msg == msg)
            out.push_back(m);
    return out;
}

} // namespace zktest
