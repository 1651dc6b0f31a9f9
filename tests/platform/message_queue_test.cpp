#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <memory>
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

}  // namespace
}  // namespace velorin
