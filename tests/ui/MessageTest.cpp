// Numbered messages, timers, modal runs and the destroy sequence.

#include "TestWindow.h"

#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>
#include <vector>

using namespace zk::ui;
using zktest::TestWindow;

namespace {

constexpr unsigned kPrivate = 0x901;

class MessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        zktest::UseTestSkin();
        ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("msgtest")));
    }
    TestWindow wnd;
};

TEST_F(MessageTest, PostedMessagesFromManyThreadsAllArriveInEachThreadsOrder) {
    constexpr int kThreads = 8;
    constexpr int kEach = 250;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i)
                ASSERT_TRUE(
                    wnd.PostMessage(kPrivate, static_cast<WPARAM>(t), static_cast<LPARAM>(i)));
        });
    for (auto& th : threads)
        th.join();
    ASSERT_TRUE(zktest::WaitFor(
        [&] { return wnd.MessagesOf(kPrivate).size() == size_t(kThreads * kEach); }));
    std::map<WPARAM, LPARAM> next;
    for (const auto& m : wnd.MessagesOf(kPrivate)) {
        EXPECT_EQ(m.lParam, next[m.wParam]) << "thread " << m.wParam;
        next[m.wParam] = m.lParam + 1;
    }
}

TEST_F(MessageTest, SendFromWorkerBlocksUntilTheGuiThreadHandledIt) {
    std::atomic<bool> handled{false};
    QThread* handlerThread = nullptr;
    wnd.onMessage = [&](unsigned msg, WPARAM w, LPARAM l, LRESULT& r) {
        if (msg != kPrivate)
            return false;
        handlerThread = QThread::currentThread();
        QThread::msleep(50); // the worker must still be waiting
        handled = true;
        r = static_cast<LRESULT>(w) + l;
        return true;
    };
    std::atomic<LRESULT> result{-1};
    std::atomic<bool> handledWhenReturned{false};
    std::thread worker([&] {
        result = wnd.SendMessage(kPrivate, 40, 2);
        handledWhenReturned = handled.load();
    });
    ASSERT_TRUE(zktest::WaitFor([&] { return result.load() != -1; }));
    worker.join();
    EXPECT_EQ(result.load(), 42);
    EXPECT_TRUE(handledWhenReturned.load());
    EXPECT_EQ(handlerThread, QThread::currentThread());

    // On the GUI thread the call is direct.
    EXPECT_EQ(wnd.SendMessage(kPrivate, 1, 1), 2);
}

TEST_F(MessageTest, WorkerWaitingInSendIsReleasedWhenTheWindowCloses) {
    // The window stops and waits for its workers in WM_DESTROY while one of
    // them is blocked sending to it: the worker must be released, not wait
    // for a message that will never be handled.
    std::atomic<LRESULT> result{-1};
    std::atomic<bool> releasedDuringDestroy{false};
    wnd.onMessage = [&](unsigned msg, WPARAM, LPARAM, LRESULT& r) {
        if (msg == kPrivate) {
            r = 5;
            return true;
        }
        if (msg == WM_DESTROY) {
            auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (result.load() == -1 && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            releasedDuringDestroy = result.load() != -1;
        }
        return false;
    };
    wnd.Close(IDOK);
    std::thread worker([&] { result = wnd.SendMessage(kPrivate, 1, 2); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(zktest::WaitFor([&] { return !wnd.IsWindow(); }));
    worker.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_TRUE(releasedDuringDestroy.load());
    // Nothing reaches a destroyed window.
    zktest::Pump(10);
    EXPECT_FALSE(wnd.PostMessage(kPrivate));
    EXPECT_EQ(wnd.SendMessage(kPrivate), 0);
    std::thread([&] { EXPECT_EQ(wnd.SendMessage(kPrivate), 0); }).join();
    EXPECT_TRUE(wnd.MessagesOf(kPrivate).empty());
}

TEST(WindowLifetime, DeletingAWindowReleasesWaitingSenders) {
    zktest::UseTestSkin();
    auto* wnd = new TestWindow;
    ASSERT_TRUE(wnd->Create(nullptr, QStringLiteral("deleted")));
    std::atomic<LRESULT> result{-1};
    std::thread worker([&] { result = wnd->SendMessage(kPrivate, 1, 2); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    delete wnd; // without handling the pending message
    worker.join();
    EXPECT_EQ(result.load(), 0);
    zktest::Pump(10);
}

TEST_F(MessageTest, TimersTickByIdUntilKilled) {
    ASSERT_TRUE(wnd.SetTimer(2, 20));
    ASSERT_TRUE(wnd.SetTimer(11, 30));
    auto ticks = [&](WPARAM id) {
        int n = 0;
        for (const auto& m : wnd.MessagesOf(WM_TIMER))
            n += m.wParam == id;
        return n;
    };
    ASSERT_TRUE(zktest::WaitFor([&] { return ticks(2) >= 3 && ticks(11) >= 2; }));
    EXPECT_TRUE(wnd.KillTimer(2));
    EXPECT_FALSE(wnd.HasTimer(2));
    EXPECT_FALSE(wnd.KillTimer(2));
    const int after = ticks(2);
    const int other = ticks(11);
    zktest::Pump(120);
    EXPECT_EQ(ticks(2), after);
    EXPECT_GT(ticks(11), other);

    // A one-shot timer: the handler kills it on its first tick.
    wnd.onMessage = [&](unsigned msg, WPARAM w, LPARAM, LRESULT&) {
        if (msg == WM_TIMER && w == 8)
            wnd.KillTimer(8);
        return false;
    };
    wnd.SetTimer(8, 10);
    zktest::Pump(120);
    EXPECT_EQ(ticks(8), 1);

    // Timers set and killed from a worker thread run on the GUI thread.
    std::thread([&] { wnd.SetTimer(7, 10); }).join();
    ASSERT_TRUE(zktest::WaitFor([&] { return ticks(7) >= 1; }));
    std::thread([&] { wnd.KillTimer(7); }).join();
    zktest::Pump(30);
    const int seven = ticks(7);
    zktest::Pump(60);
    EXPECT_EQ(ticks(7), seven);
}

TEST_F(MessageTest, ShowModalReturnsTheResultOfClose) {
    wnd.onMessage = [&](unsigned msg, WPARAM w, LPARAM, LRESULT&) {
        if (msg == WM_TIMER && w == 1) {
            wnd.Close(7);
            wnd.Close(9); // the first result stands
        }
        return false;
    };
    wnd.SetTimer(1, 20);
    EXPECT_EQ(wnd.ShowModal(), 7);
    EXPECT_EQ(wnd.GetResult(), 7);
    EXPECT_FALSE(wnd.IsWindow());
    EXPECT_FALSE(wnd.isVisible());
    EXPECT_FALSE(wnd.HasTimer(1));
    // windowinit came inside the modal run; then OnDestroy before WM_DESTROY.
    const QStringList& ev = wnd.events;
    EXPECT_EQ(ev.count("notify:windowinit"), 1);
    const auto onDestroy = ev.indexOf("OnDestroy");
    ASSERT_GE(onDestroy, 0);
    EXPECT_EQ(ev.indexOf("WM_DESTROY"), onDestroy + 1);
    EXPECT_EQ(ev.count("WM_DESTROY"), 1);
    // A second modal run of a closed window returns at once.
    EXPECT_EQ(wnd.ShowModal(), 7);
}

TEST_F(MessageTest, CloseFromAWorkerEndsTheModalRunOnTheGuiThread) {
    QThread* destroyThread = nullptr;
    wnd.onMessage = [&](unsigned msg, WPARAM, LPARAM, LRESULT&) {
        if (msg == WM_DESTROY)
            destroyThread = QThread::currentThread();
        return false;
    };
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        wnd.Close(5);
    });
    EXPECT_EQ(wnd.ShowModal(), 5);
    worker.join();
    EXPECT_EQ(destroyThread, QThread::currentThread());
}

TEST_F(MessageTest, WindowManagerCloseGoesThroughWmClose) {
    wnd.ShowWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
    // A window that handles WM_CLOSE stays.
    wnd.onMessage = [](unsigned msg, WPARAM, LPARAM, LRESULT&) { return msg == WM_CLOSE; };
    wnd.close();
    zktest::Pump(20);
    EXPECT_TRUE(wnd.IsWindow());
    EXPECT_EQ(wnd.MessagesOf(WM_CLOSE).size(), 1u);
    // Unhandled, it closes with IDCANCEL.
    wnd.onMessage = nullptr;
    wnd.close();
    ASSERT_TRUE(zktest::WaitFor([&] { return !wnd.IsWindow(); }));
    EXPECT_EQ(wnd.GetResult(), IDCANCEL);
}

TEST_F(MessageTest, SystemCommandsMinimiseMaximiseAndRestore) {
    wnd.ShowWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
    wnd.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(wnd.isMinimized());
    wnd.SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(wnd.isMinimized());
    EXPECT_TRUE(wnd.isVisible());
    wnd.SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(wnd.isMaximized());
    // A hidden window is shown by SC_RESTORE.
    wnd.ShowWindow(false);
    wnd.SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(wnd.isVisible());
    // A handled command does nothing more.
    wnd.onMessage = [](unsigned msg, WPARAM, LPARAM, LRESULT&) { return msg == WM_SYSCOMMAND; };
    wnd.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(wnd.isMinimized());
    wnd.onMessage = nullptr;
    // The font table reaches the controls that name a font id.
    QWidget* label = wnd.FindControl("plain_label");
    label->setProperty("fontId", 3);
    wnd.GetPaintManager().AddFont(3, "Tahoma", 30);
    EXPECT_EQ(label->font().pixelSize(), 30);
    EXPECT_EQ(wnd.GetPaintManager().GetFont(3).pixelSize(), 30);
    EXPECT_EQ(wnd.GetPaintManager().GetFont(77).pixelSize(),
              wnd.GetPaintManager().GetDefaultFont().pixelSize());
    wnd.SendMessage(WM_DPICHANGED, 144, 0);
    EXPECT_EQ(label->font().pixelSize(), 30); // Qt scales; the table does not
    EXPECT_EQ(wnd.GetPaintManager().GetDPI(), 144);
    EXPECT_EQ(wnd.GetPaintManager().ScaleValue(10), 15);
}

TEST(WindowCreate, ActivationChangesArriveAsWmActivate) {
    zktest::UseTestSkin();
    TestWindow first;
    TestWindow second;
    ASSERT_TRUE(first.Create(nullptr, QStringLiteral("first")));
    ASSERT_TRUE(second.Create(nullptr, QStringLiteral("second")));
    first.ShowWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&first));
    second.ShowWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&second));
    ASSERT_TRUE(zktest::WaitFor([&] { return !first.MessagesOf(WM_ACTIVATE).empty(); }));
    const auto msgs = first.MessagesOf(WM_ACTIVATE);
    EXPECT_EQ(msgs.front().wParam, WA_ACTIVE);
    EXPECT_EQ(msgs.back().wParam, WA_INACTIVE);
}

TEST(WindowCreate, EmbeddedWindowKeepsItsOwnNotifications) {
    zktest::UseTestSkin();
    TestWindow outer;
    ASSERT_TRUE(outer.Create(nullptr, QStringLiteral("outer")));
    auto* inner = new TestWindow;
    ASSERT_TRUE(inner->Create(outer.FindControl("stack_page_0"), QStringLiteral("inner"),
                              WindowStyle::Child, QRect(0, 0, 560, 340)));
    outer.ShowWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&outer));
    zktest::Pump(20);
    outer.ClearNotes();
    QWidget* innerBtn = inner->FindControl("btn_ok");
    ASSERT_NE(innerBtn, nullptr);
    EXPECT_NE(outer.FindControl("btn_ok"), innerBtn);
    QTest::mouseClick(innerBtn, Qt::LeftButton);
    EXPECT_EQ(inner->Count("click", "btn_ok"), 1);
    EXPECT_EQ(outer.Count("click"), 0);
    // Closing the inner window leaves the outer one running.
    inner->Close(3);
    ASSERT_TRUE(zktest::WaitFor([&] { return !inner->IsWindow(); }));
    EXPECT_TRUE(outer.IsWindow());
    EXPECT_EQ(inner->GetResult(), 3);
}

TEST(WindowCreate, ANeverBuiltWindowNeitherRunsNorTearsDown) {
    zktest::UseTestSkin();
    TestWindow wnd(QStringLiteral("XML_NOT_THERE"));
    EXPECT_FALSE(wnd.Create(nullptr, QStringLiteral("never")));
    // A modal run of a window that could not be built returns at once.
    EXPECT_EQ(wnd.ShowModal(), IDCANCEL);
    wnd.Close(4);
    zktest::Pump(10);
    EXPECT_FALSE(wnd.events.contains("OnDestroy"));
}

TEST(WindowCreate, MissingLayoutFailsCleanly) {
    zktest::UseTestSkin();
    TestWindow wnd(QStringLiteral("XML_NOT_THERE"));
    EXPECT_FALSE(wnd.Create(nullptr, QStringLiteral("broken")));
    EXPECT_FALSE(wnd.IsWindow());
    EXPECT_EQ(wnd.FindControl("root"), nullptr);
    zktest::Pump(10);
    EXPECT_TRUE(wnd.notes.empty());
}

} // namespace
