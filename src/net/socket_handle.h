#pragma once
// A socket descriptor that one thread may shut down while another is blocked
// in it. Shutdown and Close are ordered by a lock, so a shutdown never reaches
// a descriptor number that close() has already handed back to the system.
#include <atomic>
#include <chrono>
#include <mutex>

namespace velorin {

class CSocketHandle {
public:
    CSocketHandle() = default;
    ~CSocketHandle() { Close(); }
    CSocketHandle(const CSocketHandle&) = delete;
    CSocketHandle& operator=(const CSocketHandle&) = delete;

    // Takes over `descriptor`, closing the previous one.
    void Attach(int descriptor);
    void Close();
    // shutdown(SHUT_RDWR), not close: close() does not wake a call blocked in another thread.
    void Shutdown();
    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }

    int SetNonBlocking(bool on);
    // True when one of `events` (or an error or hang-up, so that the next call
    // reports it) arrives within `timeout`; false at once without a descriptor.
    bool Wait(short events, std::chrono::milliseconds timeout);

private:
    std::atomic<int> fd_{-1};
    std::mutex lock_;
};

}  // namespace velorin
