#include "net/worker_thread.h"

#include <system_error>

namespace velorin {

namespace {
constexpr std::chrono::milliseconds kStopSlice(5);
}  // namespace

CWorkerThread::~CWorkerThread() {
    running_ = 0;
    Release();
}

void CWorkerThread::Release() {
    if (!worker_.joinable()) return;
    if (worker_.get_id() == std::this_thread::get_id()) {
        worker_.detach();
        return;
    }
    worker_.join();
}

int CWorkerThread::Start(std::function<int()> work) {
    if (worker_.joinable()) {
        if (!WaitEnded(std::chrono::milliseconds(0))) return -1;
    }
    {
        std::lock_guard lock(mutex_);
        ended_ = false;
    }
    running_ = 1;
    try {
        worker_ = std::thread([this, work = std::move(work)] {
            int result = work();
            if (result < 0) running_ = 0;
            exitCode_ = result;
            std::lock_guard lock(mutex_);
            ended_ = true;
            endedSignal_.notify_all();
        });
    } catch (const std::system_error&) {
        running_ = 0;
        std::lock_guard lock(mutex_);
        ended_ = true;
        return -1;
    }
    return 0;
}

bool CWorkerThread::WaitEnded(std::chrono::milliseconds timeout) {
    if (!worker_.joinable()) return true;
    {
        std::unique_lock lock(mutex_);
        if (!endedSignal_.wait_for(lock, timeout, [this] { return ended_; })) return false;
    }
    Release();
    return true;
}

void CWorkerThread::Stop(const std::function<void()>& wake, CMessageQueue* queue,
                         WindowHandle mainWindow) {
    running_ = 0;
    if (wake) wake();
    if (!worker_.joinable()) return;
    // A worker that stops itself must not wait for its own end.
    if (worker_.get_id() == std::this_thread::get_id()) return;
    while (!WaitEnded(kStopSlice)) {
        if (queue && mainWindow != 0) queue->DispatchOne(mainWindow, std::chrono::milliseconds(0));
        if (wake) wake();
    }
}

}  // namespace velorin
