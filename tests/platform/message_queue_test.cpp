#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velorin {
namespace {

using namespace std::chrono_literals;

class CRecordingWindow : public CWindowTarget {
public:
    using CWindowTarget::CWindowTarget;
    void OnMessage(const Message& m) override { received.push_back(m.message + m.wParam); }
    std::vector<uintptr_t> received;
};

TEST(MessageQueue, PostsOnlyWhileTheWindowExistsAndFreesPayloadsOfGoneWindows) {
    CMessageQueue queue;
    auto payload = std::make_shared<int>(7);
    WindowHandle handle;
    {
        CRecordingWindow window(queue);
        handle = window.Handle();
        EXPECT_TRUE(queue.PostMessage(handle, WM_USER + 1, 0, 0, payload));
        EXPECT_EQ(payload.use_count(), 2);
    }
    EXPECT_EQ(payload.use_count(), 1);
    EXPECT_FALSE(queue.PostMessage(handle, WM_USER + 1));
    EXPECT_FALSE(queue.DispatchOne(0, 0ms));
}

TEST(MessageQueue, DispatchOneForAWindowLeavesOtherMessagesQueuedInOrder) {
    CMessageQueue queue;
    CRecordingWindow main(queue);
    CRecordingWindow other(queue);
    queue.PostMessage(other.Handle(), WM_USER + 1);
    queue.PostMessage(main.Handle(), WM_USER + 2);
    queue.PostMessage(main.Handle(), WM_USER + 3);
    EXPECT_TRUE(queue.DispatchOne(main.Handle(), 0ms));
    EXPECT_EQ(main.received, (std::vector<uintptr_t>{WM_USER + 2}));
    EXPECT_TRUE(other.received.empty());
    queue.ProcessPending();
    EXPECT_EQ(main.received, (std::vector<uintptr_t>{WM_USER + 2, WM_USER + 3}));
    EXPECT_EQ(other.received, (std::vector<uintptr_t>{WM_USER + 1}));
}

TEST(MessageQueue, TimersFireUntilKilledAndTasksFromOtherThreadsRunOnTheLoop) {
    CMessageQueue queue;
    CRecordingWindow window(queue);
    ASSERT_TRUE(queue.SetTimer(window.Handle(), 7777, 5ms));
    EXPECT_TRUE(queue.DispatchOne(0, 1000ms));
    EXPECT_EQ(window.received, (std::vector<uintptr_t>{WM_TIMER + 7777}));
    EXPECT_TRUE(queue.KillTimer(window.Handle(), 7777));
    EXPECT_FALSE(queue.DispatchOne(0, 20ms));

    std::thread::id ranOn;
    std::thread worker([&] {
        queue.PostTask([&] {
            ranOn = std::this_thread::get_id();
            queue.Quit(3);
        });
    });
    EXPECT_EQ(queue.Run(), 3);
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

// A stream of posts never keeps a foreign loop from its own events: each call
// takes what was there, and each post has woken the loop for the next.
TEST(MessageQueue, ProcessPendingTakesOneBatchAndStopsAtQuit) {
    CMessageQueue queue;
    int runs = 0;
    int wakes = 0;
    queue.SetWakeup([&] { ++wakes; });
    std::function<void()> again = [&] {
        ++runs;
        queue.PostTask(again);
    };
    queue.PostTask(again);
    for (int turn = 1; turn <= 3; ++turn) {
        queue.ProcessPending();
        EXPECT_EQ(runs, turn);
        EXPECT_EQ(wakes, turn + 1);
    }
    queue.Quit(0);
    queue.ProcessPending();
    EXPECT_EQ(runs, 3);
    queue.SetWakeup({});
}

// A foreign event loop, as the desktop client's: it sleeps until the queue wakes
// it or the next timer is due, then dispatches what is pending.
class ForeignLoop : public ::testing::Test {
protected:
    void SetUp() override {
        queue.SetWakeup([this] {
            std::lock_guard lock(mutex);
            woken = true;
            wake.notify_all();
        });
        loop = std::async(std::launch::async, [this] {
            for (;;) {
                {
                    std::unique_lock lock(mutex);
                    auto due = queue.NextTimerDue();
                    auto woke = [this] { return woken; };
                    if (due)
                        wake.wait_until(lock, *due, woke);
                    else
                        wake.wait(lock, woke);
                    woken = false;
                }
                if (queue.QuitRequested()) return;
                queue.ProcessPending();
            }
        });
    }
    void TearDown() override {
        queue.Quit(0);
        loop.wait();
        queue.SetWakeup({});
    }

    CMessageQueue queue;
    std::mutex mutex;
    std::condition_variable wake;
    bool woken = false;
    std::future<void> loop;
};

TEST_F(ForeignLoop, EveryPostFromAnyThreadIsDispatchedOnTheLoopWithoutATimer) {
    auto ran = std::make_shared<std::promise<bool>>();
    std::thread([&] { queue.PostTask([&] { ran->set_value(queue.OnLoopThread()); }); }).join();
    auto done = ran->get_future();
    ASSERT_EQ(done.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(done.get());
    EXPECT_FALSE(queue.OnLoopThread());
}

TEST_F(ForeignLoop, TimersFireNeverBeforeTheyAreDue) {
    struct Window : CWindowTarget {
        using CWindowTarget::CWindowTarget;
        void OnMessage(const Message&) override {
            std::lock_guard lock(mutex);
            fired.push_back(CMessageQueue::Clock::now());
            changed.notify_all();
        }
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<CMessageQueue::Clock::time_point> fired;
    };
    Window window(queue);
    auto set = CMessageQueue::Clock::now();
    ASSERT_TRUE(queue.SetTimer(window.Handle(), 1, 30ms));
    std::unique_lock lock(window.mutex);
    ASSERT_TRUE(window.changed.wait_for(lock, 10s, [&] { return window.fired.size() >= 3; }));
    for (int i = 0; i < 3; ++i) EXPECT_GE(window.fired[i] - set, 30ms * (i + 1)) << i;
    lock.unlock();
    // The window goes on this thread: the loop must have ended first.
    queue.Quit(0);
    loop.wait();
}

TEST_F(ForeignLoop, QuitWakesASleepingLoop) {
    std::thread([&] { queue.Quit(0); }).join();
    EXPECT_EQ(loop.wait_for(10s), std::future_status::ready);
}

}  // namespace
}  // namespace velorin
