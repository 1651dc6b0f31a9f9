#pragma once
// Posted window messages and timers of the user-interface thread. Worker
// threads never touch a window: they post here, and the loop dispatches on
// the thread that runs it.
#include <any>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace velorin {

using WindowHandle = uint32_t;  // 0 names no window

inline constexpr uint32_t WM_TIMER = 0x0113;
inline constexpr uint32_t WM_USER = 0x0400;

struct Message {
    WindowHandle target = 0;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    // Owned data that travels with the message (a heap copy in the original
    // design); freed with the message even when its window is gone.
    std::any payload;
};

class CMessageQueue;

// A window that receives posted messages. Created and destroyed on the loop's thread.
class CWindowTarget {
public:
    explicit CWindowTarget(CMessageQueue& queue);
    virtual ~CWindowTarget();
    CWindowTarget(const CWindowTarget&) = delete;
    CWindowTarget& operator=(const CWindowTarget&) = delete;

    WindowHandle Handle() const { return handle_; }
    CMessageQueue& Queue() const { return queue_; }
    virtual void OnMessage(const Message& message) = 0;

private:
    CMessageQueue& queue_;
    WindowHandle handle_;
};

class CMessageQueue {
public:
    using Clock = std::chrono::steady_clock;

    CMessageQueue() = default;
    CMessageQueue(const CMessageQueue&) = delete;
    CMessageQueue& operator=(const CMessageQueue&) = delete;

    // Any thread. Queues only while the target exists; never blocks.
    bool PostMessage(WindowHandle target, uint32_t message, uintptr_t wParam = 0,
                     intptr_t lParam = 0, std::any payload = {});
    // Any thread. Runs `task` on the loop's thread.
    void PostTask(std::function<void()> task);

    // Timers deliver WM_TIMER with the id in wParam. Setting an existing id restarts it.
    bool SetTimer(WindowHandle target, uint32_t id, std::chrono::milliseconds period);
    bool KillTimer(WindowHandle target, uint32_t id);

    // Dispatches one pending message (of `only` when nonzero, leaving the others
    // queued), waiting at most `wait` for one. True when one was dispatched.
    bool DispatchOne(WindowHandle only, std::chrono::milliseconds wait);
    // Dispatches what was pending and due when called, stopping at Quit; what
    // those messages post waits for the next call (its post has woken the loop).
    void ProcessPending();
    // Runs until Quit; returns the code given to Quit.
    int Run();
    void Quit(int exitCode);
    bool QuitRequested() const;
    // The loop's thread is the one that created the queue until a thread
    // dispatches it (Run, DispatchOne, ProcessPending); the last to do so owns it.
    bool OnLoopThread() const { return loopThread_.load() == std::this_thread::get_id(); }

    // For a foreign event loop (the GUI): called from any thread after a post,
    // a new timer and Quit; the loop then calls ProcessPending (or ends).
    void SetWakeup(std::function<void()> wakeup);
    std::optional<Clock::time_point> NextTimerDue() const;
    // When the timer `id` of `target` fires next; nothing when it is not set.
    std::optional<Clock::time_point> TimerDue(WindowHandle target, uint32_t id) const;

private:
    friend class CWindowTarget;
    struct Timer {
        std::chrono::milliseconds period;
        Clock::time_point due;
    };
    struct Item {
        Message message;
        std::function<void()> task;
    };

    WindowHandle Register(CWindowTarget* target);
    void Unregister(WindowHandle handle);
    void Dispatch(Item& item);
    bool TakeDueTimer(WindowHandle only, Message& out);
    bool TakeItem(WindowHandle only, Item& out);
    void ClaimLoopThread() { loopThread_.store(std::this_thread::get_id()); }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> items_;
    std::map<WindowHandle, CWindowTarget*> targets_;
    std::map<std::pair<WindowHandle, uint32_t>, Timer> timers_;
    std::function<void()> wakeup_;
    WindowHandle nextHandle_ = 1;
    bool quit_ = false;
    int exitCode_ = 0;
    std::atomic<std::thread::id> loopThread_{std::this_thread::get_id()};
};

}  // namespace velorin
