#include "platform/message_queue.h"

namespace velorin {

CWindowTarget::CWindowTarget(CMessageQueue& queue) : queue_(queue), handle_(queue.Register(this)) {}

CWindowTarget::~CWindowTarget() {
    queue_.Unregister(handle_);
}

WindowHandle CMessageQueue::Register(CWindowTarget* target) {
    std::lock_guard lock(mutex_);
    WindowHandle handle = nextHandle_++;
    targets_[handle] = target;
    return handle;
}

void CMessageQueue::Unregister(WindowHandle handle) {
    std::lock_guard lock(mutex_);
    targets_.erase(handle);
    for (auto it = timers_.begin(); it != timers_.end();) {
        it = it->first.first == handle ? timers_.erase(it) : std::next(it);
    }
    // Pending messages of a gone window are dropped with their payloads.
    for (auto it = items_.begin(); it != items_.end();) {
        it = (!it->task && it->message.target == handle) ? items_.erase(it) : std::next(it);
    }
}

bool CMessageQueue::PostMessage(WindowHandle target, uint32_t message, uintptr_t wParam,
                                intptr_t lParam, std::any payload) {
    std::function<void()> wakeup;
    {
        std::lock_guard lock(mutex_);
        if (targets_.find(target) == targets_.end()) return false;
        items_.push_back(Item{Message{target, message, wParam, lParam, std::move(payload)}, {}});
        wakeup = wakeup_;
    }
    changed_.notify_all();
    if (wakeup) wakeup();
    return true;
}

void CMessageQueue::PostTask(std::function<void()> task) {
    std::function<void()> wakeup;
    {
        std::lock_guard lock(mutex_);
        items_.push_back(Item{Message{}, std::move(task)});
        wakeup = wakeup_;
    }
    changed_.notify_all();
    if (wakeup) wakeup();
}

bool CMessageQueue::SetTimer(WindowHandle target, uint32_t id, std::chrono::milliseconds period) {
    std::function<void()> wakeup;
    {
        std::lock_guard lock(mutex_);
        if (targets_.find(target) == targets_.end() || period.count() <= 0) return false;
        timers_[{target, id}] = Timer{period, Clock::now() + period};
        wakeup = wakeup_;
    }
    changed_.notify_all();
    if (wakeup) wakeup();
    return true;
}

bool CMessageQueue::KillTimer(WindowHandle target, uint32_t id) {
    std::lock_guard lock(mutex_);
    return timers_.erase({target, id}) > 0;
}

bool CMessageQueue::TakeDueTimer(WindowHandle only, Message& out) {
    auto now = Clock::now();
    for (auto& [key, timer] : timers_) {
        if (timer.due <= now && (only == 0 || key.first == only)) {
            // A late timer fires once, not once per missed period.
            timer.due = now + timer.period;
            out = Message{key.first, WM_TIMER, key.second, 0, {}};
            return true;
        }
    }
    return false;
}

bool CMessageQueue::TakeItem(WindowHandle only, Item& out) {
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        if (only == 0 || (!it->task && it->message.target == only)) {
            out = std::move(*it);
            items_.erase(it);
            return true;
        }
    }
    return false;
}

void CMessageQueue::Dispatch(Item& item) {
    if (item.task) {
        item.task();
        return;
    }
    CWindowTarget* target = nullptr;
    {
        std::lock_guard lock(mutex_);
        auto it = targets_.find(item.message.target);
        if (it != targets_.end()) target = it->second;
    }
    if (target) target->OnMessage(item.message);
}

bool CMessageQueue::DispatchOne(WindowHandle only, std::chrono::milliseconds wait) {
    ClaimLoopThread();
    Item item;
    {
        std::unique_lock lock(mutex_);
        auto deadline = Clock::now() + wait;
        for (;;) {
            if (TakeItem(only, item)) break;
            Message timer;
            if (TakeDueTimer(only, timer)) {
                item.message = std::move(timer);
                break;
            }
            if (quit_ && only == 0) return false;
            // Only the timers this call may take bound the wait: another window's due
            // timer would otherwise wake it at once, again and again, until the deadline.
            auto until = deadline;
            for (auto& [key, t] : timers_) {
                if (only == 0 || key.first == only) until = std::min(until, t.due);
            }
            if (Clock::now() >= deadline) return false;
            changed_.wait_until(lock, until);
        }
    }
    Dispatch(item);
    return true;
}

void CMessageQueue::ProcessPending() {
    ClaimLoopThread();
    // What is pending now and no more: a foreign loop gets its turn between
    // batches, and whatever arrives meanwhile has woken it again.
    size_t budget = 0;
    {
        std::lock_guard lock(mutex_);
        budget = items_.size() + timers_.size();
    }
    for (; budget > 0; --budget) {
        Item item;
        {
            std::lock_guard lock(mutex_);
            if (quit_) return;
            if (!TakeItem(0, item)) {
                Message timer;
                if (!TakeDueTimer(0, timer)) return;
                item.message = std::move(timer);
            }
        }
        Dispatch(item);
    }
}

int CMessageQueue::Run() {
    ClaimLoopThread();
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (quit_) return exitCode_;
        }
        DispatchOne(0, std::chrono::milliseconds(1000));
    }
}

void CMessageQueue::Quit(int exitCode) {
    std::function<void()> wakeup;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        exitCode_ = exitCode;
        wakeup = wakeup_;
    }
    changed_.notify_all();
    if (wakeup) wakeup();
}

bool CMessageQueue::QuitRequested() const {
    std::lock_guard lock(mutex_);
    return quit_;
}

void CMessageQueue::SetWakeup(std::function<void()> wakeup) {
    std::lock_guard lock(mutex_);
    wakeup_ = std::move(wakeup);
}

std::optional<CMessageQueue::Clock::time_point> CMessageQueue::NextTimerDue() const {
    std::lock_guard lock(mutex_);
    std::optional<Clock::time_point> next;
    for (auto& [key, t] : timers_) {
        if (!next || t.due < *next) next = t.due;
    }
    return next;
}

std::optional<CMessageQueue::Clock::time_point> CMessageQueue::TimerDue(WindowHandle target,
                                                                        uint32_t id) const {
    std::lock_guard lock(mutex_);
    auto it = timers_.find({target, id});
    if (it == timers_.end()) return std::nullopt;
    return it->second.due;
}

}  // namespace velorin
