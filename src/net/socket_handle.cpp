#include "net/socket_handle.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velorin {

void CSocketHandle::Attach(int descriptor) {
    std::lock_guard lock(lock_);
    int old = fd_.exchange(descriptor);
    if (old >= 0) ::close(old);
}

void CSocketHandle::Close() {
    Attach(-1);
}

void CSocketHandle::Shutdown() {
    std::lock_guard lock(lock_);
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

int CSocketHandle::SetNonBlocking(bool on) {
    int flags = fcntl(fd_, F_GETFL);
    if (flags < 0) return -1;
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return fcntl(fd_, F_SETFL, flags) == 0 ? 0 : -1;
}

bool CSocketHandle::Wait(short events, std::chrono::milliseconds timeout) {
    int fd = fd_;
    if (fd < 0) return false;
    pollfd p{fd, events, 0};
    return ::poll(&p, 1, static_cast<int>(timeout.count())) > 0;
}

}  // namespace velorin
