#pragma once
// A window of the layer under test, built from tests/ui/data, that records
// what reaches it.

#include "ui/WindowImplBase.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <vector>

namespace zktest {

// The folder of the test layouts, languages and menus.
QString UiDataDir();
// Points the resource manager at UiDataDir() and reads its resource list.
void UseTestSkin();
// Processes events until `done` holds or `ms` passed; returns `done()`.
bool WaitFor(const std::function<bool()>& done, int ms = 2000);
// Processes events for `ms` milliseconds.
void Pump(int ms);

struct Note {
    QString type;
    QString sender;
    zk::ui::WPARAM wParam;
    zk::ui::LPARAM lParam;
};

struct Msg {
    unsigned msg;
    zk::ui::WPARAM wParam;
    zk::ui::LPARAM lParam;
};

class TestWindow : public zk::ui::WindowImplBase {
public:
    explicit TestWindow(QString skin = QStringLiteral("XML_TEST")) : skin_(std::move(skin)) {}

    QString GetWindowClassName() const override { return QStringLiteral("TestWnd"); }
    QString GetSkinFile() override { return skin_; }
    void InitWindow() override { events.push_back(QStringLiteral("InitWindow")); }
    void Notify(zk::ui::TNotifyUI& msg) override;
    zk::ui::LRESULT HandleCustomMessage(unsigned uMsg, zk::ui::WPARAM wParam, zk::ui::LPARAM lParam,
                                        bool& bHandled) override;
    QWidget* CreateControl(const QString& className) override;
    QString QueryControlText(const QString& id, const QString& type) override;
    void OnDestroy() override { events.push_back(QStringLiteral("OnDestroy")); }

    // Notifications of one type (all when empty), in order.
    std::vector<Note> NotesOf(const QString& type = {}) const;
    int Count(const QString& type, const QString& sender = {}) const;
    void ClearNotes() { notes.clear(); }
    // Messages of one number, in order (thread-safe copy).
    std::vector<Msg> MessagesOf(unsigned msg) const;

    std::vector<Note> notes;
    QStringList events; // InitWindow, notify:<type>, OnDestroy, WM_DESTROY
    // Optional handler; returns true when it handled the message.
    std::function<bool(unsigned, zk::ui::WPARAM, zk::ui::LPARAM, zk::ui::LRESULT&)> onMessage;
    std::function<void(zk::ui::TNotifyUI&)> onNotify;

private:
    QString skin_;
    mutable std::mutex mutex_;
    std::vector<Msg> messages_;
};

} // namespace zktest
