#include "platform/wakeup_loop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace velorin {
namespace {

using namespace std::chrono_literals;
using Clock = CMessageQueue::Clock;

class WakeupLoop : public ::testing::Test {
protected:
    void Start() {
        ASSERT_TRUE(loop.Ok());
        running = std::async(std::launch::async, [this] { return loop.Run(); });
    }
    // Windows and captured locals of a test outlive the loop only when it stops here.
    int Stop() {
        queue.Quit(0);
        return running.get();
    }
    void TearDown() override {
        if (running.valid())
            Stop();
    }

    CMessageQueue queue;
    CWakeupLoop loop{queue};
    std::future<int> running;
};

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
}

TEST_F(WakeupLoop, TheWakeupDescriptorIsReadableAfterAPostUntilDrained) {
    EXPECT_FALSE(Readable(loop.WakeupFd()));
    queue.PostTask([] {});
    EXPECT_TRUE(Readable(loop.WakeupFd()));
    loop.Drain();
    EXPECT_FALSE(Readable(loop.WakeupFd()));
}

// No timer is set, so the loop sleeps without a timeout: one lost wakeup hangs a round.
TEST_F(WakeupLoop, EveryPostFromAnotherThreadIsDispatchedOnTheLoopWithoutATimer) {
    constexpr int kRounds = 2000, kBurst = 1000;
    std::mutex mutex;
    std::condition_variable changed;
    int seen = 0;
    bool allOnLoop = true;
    auto post = [&] {
        queue.PostTask([&] {
            std::lock_guard lock(mutex);
            allOnLoop = allOnLoop && queue.OnLoopThread();
            ++seen;
            changed.notify_all();
        });
    };
    auto waitFor = [&](int count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 10s, [&] { return seen == count; });
    };
    Start();
    std::thread poster([&] {
        // Each post comes while the loop is on its way to poll or asleep in it.
        for (int i = 1; i <= kRounds; ++i) {
            post();
            if (!waitFor(i))
                return;
        }
        for (int i = 0; i < kBurst; ++i) post();
    });
    poster.join();
    EXPECT_TRUE(waitFor(kRounds + kBurst)) << seen;
    Stop();
    EXPECT_TRUE(allOnLoop);
}

TEST_F(WakeupLoop, TimersOfSeveralPeriodsFireInOrderAndNeverEarly) {
    struct Window : CWindowTarget {
        using CWindowTarget::CWindowTarget;
        void OnMessage(const Message& m) override {
            std::lock_guard lock(mutex);
            fired.emplace_back(m.wParam, Clock::now());
            changed.notify_all();
        }
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<std::pair<uintptr_t, Clock::time_point>> fired;
    };
    // Ids in the order of the periods; 1 ms leaves sub-millisecond waits to round up.
    const std::vector<std::pair<uint32_t, std::chrono::milliseconds>> timers = {
        {1, 1ms}, {2, 15ms}, {3, 70ms}, {4, 160ms}};
    Window window(queue);
    Start();
    auto set = Clock::now();
    for (auto [id, period] : timers) ASSERT_TRUE(queue.SetTimer(window.Handle(), id, period));
    auto timesOf = [&](uint32_t id) {
        std::vector<Clock::time_point> times;
        for (auto& [fid, at] : window.fired) {
            if (fid == id)
                times.push_back(at);
        }
        return times;
    };
    {
        std::unique_lock lock(window.mutex);
        ASSERT_TRUE(window.changed.wait_for(lock, 10s, [&] { return timesOf(4).size() >= 2; }));
    }
    Stop();
    std::ptrdiff_t lastFirst = 0;
    for (auto [id, period] : timers) {
        auto times = timesOf(id);
        for (size_t k = 0; k < times.size(); ++k) {
            EXPECT_GE(times[k] - set, period * static_cast<int>(k + 1)) << id << " #" << k;
        }
        auto first = std::find_if(window.fired.begin(), window.fired.end(),
                                  [id](auto& f) { return f.first == id; });
        EXPECT_GE(first - window.fired.begin(), lastFirst) << id;
        lastFirst = first - window.fired.begin();
    }
}

TEST_F(WakeupLoop, QuitFromAnotherThreadEndsTheLoopWithItsCode) {
    Start();
    std::thread([&] { queue.Quit(9); }).join();
    ASSERT_EQ(running.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(running.get(), 9);
}

TEST_F(WakeupLoop, AReadableDescriptorRunsItsCallbackOnTheLoopThread) {
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0);
    std::string got;
    bool onLoop = false;
    ASSERT_TRUE(loop.AddDescriptor(fds[0], [&] {
        char c;
        while (read(fds[0], &c, 1) == 1) got += c;
        onLoop = queue.OnLoopThread();
        queue.Quit(5);
    }));
    EXPECT_FALSE(loop.AddDescriptor(fds[0], [] {}));
    Start();
    ASSERT_EQ(write(fds[1], "ab", 2), 2);
    ASSERT_EQ(running.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(running.get(), 5);
    EXPECT_EQ(got, "ab");
    EXPECT_TRUE(onLoop);
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
}  // namespace velorin
