#include "platform/wakeup_loop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace velorin {
namespace {

using namespace std::chrono_literals;
using Clock = CMessageQueue::Clock;

class WakeupLoop : public ::testing::Test {
protected:
    struct Seen {
        uintptr_t what;
        Clock::time_point at;
        bool onLoop;
    };
    void Start() {
        running = std::async(std::launch::async, [this] { return loop.Run(); });
    }
    // Windows and captured locals outlive the loop only when it stops here.
    int Stop() {
        queue.Quit(0);
        return running.get();
    }
    void TearDown() override {
        if (running.valid()) Stop();
    }
    void Note(uintptr_t what) {
        std::lock_guard lock(mutex);
        seen.push_back({what, Clock::now(), queue.OnLoopThread()});
        changed.notify_all();
    }
    bool WaitForSeen(size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 10s, [&] { return seen.size() >= count; });
    }

    CMessageQueue queue;
    CWakeupLoop loop{queue};
    std::future<int> running;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Seen> seen;
};

TEST_F(WakeupLoop, TheWakeupDescriptorIsReadableAfterAPostUntilDrained) {
    ASSERT_TRUE(loop.Ok());
    auto readable = [&] {
        pollfd p{loop.WakeupFd(), POLLIN, 0};
        return poll(&p, 1, 0) == 1;
    };
    EXPECT_FALSE(readable());
    queue.PostTask([] {});
    EXPECT_TRUE(readable());
    loop.Drain();
    EXPECT_FALSE(readable());
}

// The queue's wakeup contract as a foreign loop uses it. No timer is set, so the loop
// sleeps without a timeout: one lost wakeup hangs a round.
TEST_F(WakeupLoop, EveryPostFromAnotherThreadIsDispatchedOnTheLoopWithoutATimer) {
    constexpr size_t kRounds = 2000, kBurst = 1000;
    Start();
    std::thread([&] {
        // Each post comes while the loop is on its way to poll or asleep in it.
        for (size_t i = 1; i <= kRounds; ++i) {
            queue.PostTask([this, i] { Note(i); });
            if (!WaitForSeen(i)) return;
        }
        for (size_t i = 0; i < kBurst; ++i) queue.PostTask([this, i] { Note(i); });
    }).join();
    EXPECT_TRUE(WaitForSeen(kRounds + kBurst)) << seen.size();
    Stop();
    for (const Seen& s : seen) ASSERT_TRUE(s.onLoop);
}

TEST_F(WakeupLoop, TimersOfSeveralPeriodsFireInOrderAndNeverEarly) {
    struct Window : CWindowTarget {
        using CWindowTarget::CWindowTarget;
        void OnMessage(const Message& m) override { note(m.wParam); }
        std::function<void(uintptr_t)> note;
    };
    // Ids in the order of the periods; 1 ms leaves sub-millisecond waits to round up.
    const std::vector<std::chrono::milliseconds> periods = {1ms, 15ms, 70ms, 160ms};
    Window window(queue);
    window.note = [this](uintptr_t id) { Note(id); };
    Start();
    auto set = Clock::now();
    for (size_t id = 0; id < periods.size(); ++id) {
        ASSERT_TRUE(queue.SetTimer(window.Handle(), id, periods[id]));
    }
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 10s, [&] {
            return std::count_if(seen.begin(), seen.end(), [&](auto& s) { return s.what == 3; }) >=
                   2;
        }));
    }
    Stop();
    std::vector<int> count(periods.size());
    uintptr_t nextFirst = 0;
    for (const Seen& s : seen) {
        int k = ++count[s.what];
        EXPECT_GE(s.at - set, periods[s.what] * k) << s.what << " #" << k;
        if (k == 1) {
            EXPECT_EQ(s.what, nextFirst++);
        }
    }
    EXPECT_EQ(nextFirst, periods.size());
}

TEST_F(WakeupLoop, QuitFromAnotherThreadEndsTheLoopWithItsCode) {
    Start();
    std::thread([&] { queue.Quit(9); }).join();
    EXPECT_EQ(running.get(), 9);
}

TEST_F(WakeupLoop, AReadableDescriptorRunsItsCallbackOnTheLoopThread) {
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
    ASSERT_TRUE(loop.AddDescriptor(fds[0], [&] {
        char c;
        while (read(fds[0], &c, 1) == 1) Note(c);
        queue.Quit(5);
    }));
    EXPECT_FALSE(loop.AddDescriptor(fds[0], [] {}));
    Start();
    ASSERT_EQ(write(fds[1], "ab", 2), 2);
    ASSERT_EQ(running.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(running.get(), 5);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].what, 'b');
    EXPECT_TRUE(seen[0].onLoop && seen[1].onLoop);
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
}  // namespace velorin
