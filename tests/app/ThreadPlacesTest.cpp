#include "app/ThreadPlaces.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using zk::app::StopOutcome;
using zk::app::ThreadParam;
using zk::app::ThreadPlaces;

namespace {

struct Lines {
    std::mutex mutex;
    std::vector<std::string> lines;
    zk::app::LogFn Sink() {
        return [this](std::string_view l) {
            std::lock_guard lock(mutex);
            lines.emplace_back(l);
        };
    }
    int Count(std::string_view text) {
        std::lock_guard lock(mutex);
        int n = 0;
        for (auto& l : lines)
            n += l == text ? 1 : 0;
        return n;
    }
};

} // namespace

TEST(StopEvent, IsManualResetAndWakesEveryWaiter) {
    zk::app::StopEvent ev;
    EXPECT_FALSE(ev.WaitFor(5ms));
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (ev.WaitFor(5s))
                ++woken;
        });
    std::this_thread::sleep_for(20ms);
    ev.Set();
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(woken.load(), 3);
    // Stays set until reset.
    EXPECT_TRUE(ev.WaitFor(0ms));
    ev.Reset();
    EXPECT_FALSE(ev.IsSet());
}

TEST(ThreadPlaces, AllFourteenWorkersStopAndEachGetsItsOwnRecord) {
    Lines log;
    ThreadPlaces places(log.Sink());
    places.CreateStopEvents();
    std::array<std::atomic<int>, 16> seenPlace{};
    std::atomic<int> loops{0};
    for (int p = 1; p <= zk::app::kThreadPlaceCount; ++p) {
        ASSERT_TRUE(places.Start(p, [&](const ThreadParam& param) {
            seenPlace[param.place] = param.place;
            zk::app::RunWorkerLoop(
                param, 2ms, [&] { ++loops; }, "worker", log.Sink());
        }));
    }
    EXPECT_EQ(places.StartedCount(), 14);
    // A place is used once, and there is no place 15 for a thread.
    EXPECT_FALSE(places.Start(3, [](const ThreadParam&) {}));
    EXPECT_FALSE(places.Start(15, [](const ThreadParam&) {}));
    EXPECT_FALSE(places.Start(0, [](const ThreadParam&) {}));
    // The fifteenth stop event exists but has no thread.
    ASSERT_TRUE(places.Event(15));
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(places.IsRunning(1));

    auto ev15 = places.Event(15);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(places.StopAll(), StopOutcome::AllEnded);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);
    EXPECT_TRUE(ev15->IsSet());
    EXPECT_EQ(places.StartedCount(), 0);
    for (int p = 1; p <= 14; ++p)
        EXPECT_EQ(seenPlace[p].load(), p);
    EXPECT_GT(loops.load(), 14);
    EXPECT_EQ(log.Count("worker stopped"), 14);
    EXPECT_EQ(log.Count("所有对象处于激发状态\n"), 1);
}

TEST(ThreadPlaces, StopRightAfterStartIsNotLost) {
    // The stop event is reset before the thread exists; a worker that starts
    // after the stop was requested must still see it.
    for (int round = 0; round < 20; ++round) {
        ThreadPlaces places;
        places.CreateStopEvents();
        ASSERT_TRUE(places.Start(1, [](const ThreadParam& param) {
            std::this_thread::sleep_for(1ms);
            zk::app::RunWorkerLoop(param, 1ms, {}, "late", {});
        }));
        EXPECT_EQ(places.StopAll(2s), StopOutcome::AllEnded);
    }
}

TEST(ThreadPlaces, ThreadThatDoesNotEndIsReportedAndLeftBehind) {
    Lines log;
    auto release = std::make_shared<zk::app::StopEvent>();
    auto stuckEnded = std::make_shared<std::atomic<bool>>(false);
    {
        ThreadPlaces places(log.Sink());
        places.CreateStopEvents();
        ASSERT_TRUE(places.Start(2, [](const ThreadParam& param) {
            zk::app::RunWorkerLoop(param, 1ms, {}, "good", {});
        }));
        // Ignores its own stop event: waits for something else.
        ASSERT_TRUE(places.Start(5, [release, stuckEnded](const ThreadParam&) {
            release->WaitFor(30s);
            *stuckEnded = true;
        }));

        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(places.StopAll(150ms), StopOutcome::TimedOut);
        const auto took = std::chrono::steady_clock::now() - t0;
        EXPECT_GE(took, 150ms);
        EXPECT_LT(took, 3s);
        EXPECT_TRUE(places.LastTimedOut()[5]);
        EXPECT_FALSE(places.LastTimedOut()[2]);
        EXPECT_EQ(places.StartedCount(), 0);
        EXPECT_EQ(log.Count("所有对象处于非激发状态，超时\n"), 1);
    } // the owner goes away while the stuck thread still runs
    EXPECT_FALSE(stuckEnded->load());
    release->Set();
    for (int i = 0; i < 500 && !stuckEnded->load(); ++i)
        std::this_thread::sleep_for(2ms);
    EXPECT_TRUE(stuckEnded->load());
}

TEST(ThreadPlaces, StartNeedsEventsAndOwnerStopsLeftoverThreads) {
    Lines log;
    std::atomic<bool> ended{false};
    {
        ThreadPlaces places(log.Sink());
        EXPECT_FALSE(places.Start(1, [](const ThreadParam&) {}));
        places.CreateStopEvents();
        ASSERT_TRUE(places.Start(9, [&](const ThreadParam& param) {
            zk::app::RunWorkerLoop(param, 1ms, {}, "ticker", {});
            ended = true;
        }));
    }
    EXPECT_TRUE(ended.load());
    EXPECT_EQ(log.Count("所有对象处于激发状态\n"), 1);
}

TEST(ThreadPlaces, ThrowingBodyCountsAsEnded) {
    Lines log;
    ThreadPlaces places(log.Sink());
    places.CreateStopEvents();
    ASSERT_TRUE(places.Start(4, [](const ThreadParam&) { throw std::runtime_error("boom"); }));
    EXPECT_EQ(places.StopAll(2s), StopOutcome::AllEnded);
    EXPECT_EQ(log.Count("thread 4 failed: boom"), 1);
}
