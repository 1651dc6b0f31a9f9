#include "net/udp_socket.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace velorin {

bool CUdpSocket::Open(uint16_t port) {
    Close();
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    int on = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
        bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    fd_.Attach(fd);
    return true;
}

uint16_t CUdpSocket::LocalPort() {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (!fd_.IsOpen() ||
        getsockname(fd_.Get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        Close();
        return 0;
    }
    return address.sin_port;
}

bool CUdpSocket::WaitReadable(std::chrono::milliseconds timeout) {
    return fd_.Wait(POLLIN, timeout);
}

int CUdpSocket::SendTo(const void* data, size_t size) {
    ssize_t n = sendto(fd_.Get(), data, size, MSG_NOSIGNAL,
                       reinterpret_cast<const sockaddr*>(&peer_), sizeof peer_);
    return n < 0 ? -1 : static_cast<int>(n);
}

int CUdpSocket::ReceiveFrom(void* buffer, size_t size) {
    sockaddr_in from{};
    socklen_t fromSize = sizeof from;
    // MSG_TRUNC reports the datagram's real size, so an oversized one is not
    // mistaken for a datagram of exactly `size` bytes.
    ssize_t n =
        recvfrom(fd_.Get(), buffer, size, MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (n < 0) return -1;
    if (fromSize >= sizeof from && from.sin_family == AF_INET) peer_ = from;
    if (static_cast<size_t>(n) > size) {
        errno = EMSGSIZE;
        return -1;
    }
    return static_cast<int>(n);
}

std::vector<uint32_t> LocalAddresses() {
    std::vector<uint32_t> addresses;
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return addresses;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0) return addresses;
    for (addrinfo* a = found; a; a = a->ai_next) {
        addresses.push_back(reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr);
    }
    freeaddrinfo(found);
    return addresses;
}

bool GetLocalAddress(uint32_t& address) {
    std::vector<uint32_t> addresses = LocalAddresses();
    if (addresses.empty()) return false;
    address = addresses.front();
    return true;
}

}  // namespace velorin
