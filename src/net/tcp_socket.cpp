#include "net/tcp_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace velorin {

namespace {
constexpr int kRetryCalls = 10;
constexpr std::chrono::milliseconds kRetryPause(1);
}  // namespace

bool IsWouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS || error == EINTR;
}

bool ResolveIpv4(const std::string& host, uint16_t port, sockaddr_in& address) {
    if (host.empty()) return false;
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) == 1) return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
    address.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

CTcpSocket::~CTcpSocket() {
    Close();
}

long CTcpSocket::Fail() {
    lastError_ = errno;
    return -1;
}

int CTcpSocket::Create(int family, int type, int protocol) {
    int fd = socket(family, type | SOCK_CLOEXEC, protocol);
    if (fd < 0) return static_cast<int>(Fail());
    fd_.Attach(fd);
    return 0;
}

void CTcpSocket::Close() {
    fd_.Close();
}

void CTcpSocket::Shutdown() {
    fd_.Shutdown();
}

int CTcpSocket::Bind(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return static_cast<int>(Fail());
    }
    return 0;
}

int CTcpSocket::Listen(int backlog) {
    if (::listen(fd_.Get(), backlog == 0 ? SOMAXCONN : backlog) != 0)
        return static_cast<int>(Fail());
    return 0;
}

int CTcpSocket::ListenTcp(uint16_t port) {
    if (Create() < 0) return -1;
    // A restarted server must get its port back while old connections linger in TIME_WAIT.
    int on = 1;
    setsockopt(fd_.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (Bind(port) < 0 || Listen(0) < 0) return -1;
    return 0;
}

int CTcpSocket::Accept(CTcpSocket& client) {
    int fd = ::accept4(fd_.Get(), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return static_cast<int>(Fail());
    client.Attach(fd);
    return 0;
}

uint16_t CTcpSocket::LocalPort() const {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (getsockname(fd_.Get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
    return address.sin_port;
}

int CTcpSocket::Connect(const std::string& host, uint16_t port) {
    sockaddr_in address{};
    if (!ResolveIpv4(host, port, address)) return -1;
    return ConnectAddr(address);
}

int CTcpSocket::ConnectAddr(const sockaddr_in& address) {
    if (::connect(fd_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        !IsWouldBlock(errno)) {
        return static_cast<int>(Fail());
    }
    return 0;
}

int CTcpSocket::ConnectTcp(const std::string& host, uint16_t port, int timeoutSeconds) {
    sockaddr_in address{};
    if (!ResolveIpv4(host, port, address)) {
        Close();
        return -1;
    }
    return ConnectTcpAddr(address, timeoutSeconds);
}

int CTcpSocket::ConnectTcpAddr(const sockaddr_in& address, int timeoutSeconds) {
    Close();
    if (Create() < 0) return -1;
    if (timeoutSeconds != 0 && SetNonBlocking(true) < 0) return -1;
    if (ConnectAddr(address) < 0) return -1;
    if (timeoutSeconds == 0) return 0;
    pollfd p{fd_.Get(), POLLOUT, 0};
    int ready = ::poll(&p, 1, timeoutSeconds * 1000);
    if (ready <= 0) {
        lastError_ = ready == 0 ? ETIMEDOUT : errno;
        return -1;
    }
    // Writable alone is not success on Linux: a refused or shut-down attempt is writable too.
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(fd_.Get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        return static_cast<int>(Fail());
    if (error == 0 && (p.revents & (POLLERR | POLLHUP))) error = ECONNABORTED;
    if (error != 0) {
        lastError_ = error;
        return -1;
    }
    return 0;
}

int CTcpSocket::SetNonBlocking(bool on) {
    if (fd_.SetNonBlocking(on) < 0) return static_cast<int>(Fail());
    return 0;
}

namespace {
int SetTimeout(int fd, int option, int seconds) {
    timeval tv{};
    tv.tv_sec = seconds;
    return setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv);
}
}  // namespace

int CTcpSocket::SetSendTimeout(int seconds) {
    if (SetTimeout(fd_.Get(), SO_SNDTIMEO, seconds) != 0) return static_cast<int>(Fail());
    return 0;
}

int CTcpSocket::SetReceiveTimeout(int seconds) {
    if (SetTimeout(fd_.Get(), SO_RCVTIMEO, seconds) != 0) return static_cast<int>(Fail());
    return 0;
}

bool CTcpSocket::WaitReadable(std::chrono::milliseconds timeout) {
    return fd_.Wait(POLLIN, timeout);
}

bool CTcpSocket::WaitWritable(std::chrono::milliseconds timeout) {
    return fd_.Wait(POLLOUT, timeout);
}

long CTcpSocket::ReceiveSome(void* buffer, size_t size, int flags) {
    ssize_t n = ::recv(fd_.Get(), buffer, size, flags | MSG_NOSIGNAL);
    if (n < 0) return Fail();
    return n;
}

long CTcpSocket::SendSome(const void* buffer, size_t size, int flags) {
    ssize_t n = ::send(fd_.Get(), buffer, size, flags | MSG_NOSIGNAL);
    if (n < 0) return Fail();
    return n;
}

long CTcpSocket::ReceiveAll(void* buffer, size_t size) {
    if (size == 0) return 0;
    auto* p = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    for (int call = 0; call < kRetryCalls; ++call) {
        long n = ReceiveSome(p + done, size - done);
        if (n == 0) {
            lastError_ = ECONNRESET;
            return 0;
        }
        if (n > 0) {
            done += static_cast<size_t>(n);
            if (done == size) return static_cast<long>(size);
        } else if (!IsWouldBlock(lastError_)) {
            return -1;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
    return -1;
}

long CTcpSocket::SendAll(const void* buffer, size_t size) {
    if (size == 0) return 0;
    const auto* p = static_cast<const uint8_t*>(buffer);
    size_t done = 0;
    for (int call = 0; call < kRetryCalls; ++call) {
        long n = SendSome(p + done, size - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            if (done == size) return static_cast<long>(size);
        } else if (n < 0 && !IsWouldBlock(lastError_)) {
            return -1;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
    return -1;
}

}  // namespace velorin
