#pragma once
// The one way the program runs network work beside the user-interface thread:
// a running flag, a worker thread, and a Stop that never deadlocks with a
// worker that is itself waiting for the user-interface thread.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/message_queue.h"

namespace velorin {

class CWorkerThread {
public:
    CWorkerThread() = default;
    // Waits for a worker that is still there (without dispatching messages).
    ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Sets the running flag and runs `work` on a new thread; a negative result
    // of `work` clears the flag. -1 (flag cleared) when no thread can be made or
    // a worker still runs.
    int Start(std::function<int()> work);
    // Clears the running flag and calls `wake` (which must make any blocked
    // call of the worker fail), then waits for the worker in 5 ms slices,
    // dispatching at most one pending message of `mainWindow` between slices.
    // `wake` is repeated every slice: a worker may open a new socket meanwhile.
    // Harmless without a worker and when called twice.
    void Stop(const std::function<void()>& wake, CMessageQueue* queue, WindowHandle mainWindow);
    // True once the worker has ended within `timeout`; its thread is then released.
    bool WaitEnded(std::chrono::milliseconds timeout);

    bool Running() const { return running_ == 1; }
    void SetRunning(bool on) { running_ = on ? 1 : 0; }
    bool HasWorker() const { return worker_.joinable(); }
    // What `work` returned, once it has ended.
    int ExitCode() const { return exitCode_; }

private:
    void Release();

    std::atomic<uint32_t> running_{0};
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable endedSignal_;
    bool ended_ = true;
    std::atomic<int> exitCode_{0};
};

}  // namespace velorin
