#include "platform/wakeup_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>

namespace velorin {

class CWakeupLoop::CEventFd {
public:
    CEventFd() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~CEventFd() {
        if (fd_ >= 0) close(fd_);
    }
    CEventFd(const CEventFd&) = delete;
    CEventFd& operator=(const CEventFd&) = delete;

    int Fd() const { return fd_; }
    void Signal() const {
        uint64_t one = 1;
        // EAGAIN only when the counter is full, and then it is readable already.
        ssize_t ignored = write(fd_, &one, sizeof one);
        (void)ignored;
    }
    void Drain() const {
        uint64_t count = 0;
        // Without EFD_SEMAPHORE one read takes the whole counter back to zero.
        ssize_t ignored = read(fd_, &count, sizeof count);
        (void)ignored;
    }

private:
    int fd_;
};

CWakeupLoop::CWakeupLoop(CMessageQueue& queue)
    : queue_(queue), event_(std::make_shared<CEventFd>()) {
    if (Ok()) queue_.SetWakeup([event = event_] { event->Signal(); });
}

CWakeupLoop::~CWakeupLoop() {
    if (Ok()) queue_.SetWakeup({});
}

bool CWakeupLoop::Ok() const {
    return event_->Fd() >= 0;
}

int CWakeupLoop::WakeupFd() const {
    return event_->Fd();
}

void CWakeupLoop::Drain() {
    event_->Drain();
}

bool CWakeupLoop::AddDescriptor(int fd, std::function<void()> onReadable) {
    auto same = [fd](const Watch& w) { return w.fd == fd; };
    if (fd < 0 || !onReadable || std::any_of(watches_.begin(), watches_.end(), same)) return false;
    watches_.push_back(Watch{fd, std::move(onReadable)});
    return true;
}

bool CWakeupLoop::RemoveDescriptor(int fd) {
    return std::erase_if(watches_, [fd](const Watch& w) { return w.fd == fd; }) > 0;
}

int CWakeupLoop::PollTimeout() const {
    auto due = queue_.NextTimerDue();
    if (!due) return -1;
    auto left = *due - CMessageQueue::Clock::now();
    if (left <= left.zero()) return 0;
    // Rounded up: a timer due in under a millisecond would otherwise give poll a
    // zero timeout again and again until it is due.
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX));
}

int CWakeupLoop::Run() {
    if (!Ok()) return -1;
    std::vector<pollfd> fds;
    for (;;) {
        // Drained before dispatching, never after: a post that comes once
        // ProcessPending has looked leaves the descriptor readable for the poll.
        event_->Drain();
        // Once Quit has come the queue's Run returns its code without dispatching.
        if (queue_.QuitRequested()) return queue_.Run();
        queue_.ProcessPending();

        fds.assign(1, pollfd{event_->Fd(), POLLIN, 0});
        for (const Watch& w : watches_) fds.push_back(pollfd{w.fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), PollTimeout()) < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        for (size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            auto it = std::find_if(watches_.begin(), watches_.end(),
                                   [&](const Watch& w) { return w.fd == fds[i].fd; });
            // Removed by an earlier callback of this round.
            if (it == watches_.end()) continue;
            // Closed without being removed: dropped, or poll would report it forever.
            if (fds[i].revents & POLLNVAL) {
                watches_.erase(it);
                continue;
            }
            // A copy: the callback may remove its own watch.
            std::function<void()> callback = it->onReadable;
            callback();
        }
    }
}

}  // namespace velorin
