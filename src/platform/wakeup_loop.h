#pragma once
// Runs a CMessageQueue the way a foreign event loop does: the queue's wakeup
// writes to an eventfd, and the loop sleeps in poll() on it and on the caller's
// descriptors until one is readable or the next timer is due.
#include <functional>
#include <memory>
#include <vector>

#include "platform/message_queue.h"

namespace velorin {

class CWakeupLoop {
public:
    explicit CWakeupLoop(CMessageQueue& queue);
    ~CWakeupLoop();
    CWakeupLoop(const CWakeupLoop&) = delete;
    CWakeupLoop& operator=(const CWakeupLoop&) = delete;

    // False when no eventfd could be made; Run then returns -1 at once.
    bool Ok() const;
    // Readable after every post, new timer and Quit; a GUI may watch it with its own
    // notifier and call Drain, then ProcessPending, instead of calling Run.
    int WakeupFd() const;
    void Drain();

    // Before Run or on the loop's thread. `onReadable` runs on the loop's thread while `fd` is
    // readable or hung up; it must read the descriptor or remove it. One callback per descriptor.
    bool AddDescriptor(int fd, std::function<void()> onReadable);
    bool RemoveDescriptor(int fd);

    // Runs until Quit and returns the code given to it; -1 when poll fails.
    int Run();

private:
    struct Watch {
        int fd;
        std::function<void()> onReadable;
    };
    class CEventFd;

    int PollTimeout() const;

    CMessageQueue& queue_;
    // Shared with the wakeup: a poster that copied it before the destructor
    // cleared it may still write after this object is gone.
    std::shared_ptr<CEventFd> event_;
    std::vector<Watch> watches_;
};

}  // namespace velorin
