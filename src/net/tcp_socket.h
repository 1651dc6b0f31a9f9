#pragma once
// A TCP socket with time-outs and the bounded retry loops that every framed
// connection builds on. Failures are -1 (or false) and leave the socket open;
// the owner closes it.
//
// Stopping a thread that is blocked in this socket: Shutdown() from the other
// thread, then Close() once that thread has ended.
#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/socket_handle.h"

namespace velorin {

// EAGAIN, EWOULDBLOCK, EINPROGRESS, and EINTR: try again later.
bool IsWouldBlock(int error);

// Resolves a dotted IPv4 text or a host name (first IPv4 address).
bool ResolveIpv4(const std::string& host, uint16_t port, sockaddr_in& address);

class CTcpSocket {
public:
    CTcpSocket() = default;
    ~CTcpSocket();
    CTcpSocket(const CTcpSocket&) = delete;
    CTcpSocket& operator=(const CTcpSocket&) = delete;

    int Create(int family = AF_INET, int type = SOCK_STREAM, int protocol = 0);
    void Close();
    // Makes every blocked and every later call on the socket fail; any thread.
    void Shutdown();
    // Takes over a connected descriptor (closing the previous one).
    void Attach(int descriptor) { fd_.Attach(descriptor); }
    bool IsOpen() const { return fd_.IsOpen(); }
    int Handle() const { return fd_.Get(); }

    int Bind(uint16_t port);
    // 0: the system's maximum.
    int Listen(int backlog);
    int ListenTcp(uint16_t port);
    // The accepted connection goes to `client`.
    int Accept(CTcpSocket& client);
    // The bound port as the socket reports it (network byte order), 0 when there is none.
    uint16_t LocalPort() const;

    // An empty host or a failed resolution is -1; "in progress" counts as success.
    int Connect(const std::string& host, uint16_t port);
    int ConnectAddr(const sockaddr_in& address);
    // Closes any previous socket and connects a new one. A nonzero time-out
    // makes the socket non-blocking (it stays so) and bounds the wait.
    int ConnectTcp(const std::string& host, uint16_t port, int timeoutSeconds);
    int ConnectTcpAddr(const sockaddr_in& address, int timeoutSeconds);

    int SetNonBlocking(bool on);
    int SetSendTimeout(int seconds);
    int SetReceiveTimeout(int seconds);
    bool WaitReadable(std::chrono::milliseconds timeout);
    bool WaitWritable(std::chrono::milliseconds timeout);

    // One system call each; `flags` are added to the receive / send (MSG_NOSIGNAL always).
    long ReceiveSome(void* buffer, size_t size, int flags = 0);
    long SendSome(const void* buffer, size_t size, int flags = 0);
    // At most 10 calls, 1 ms apart: `size` when all went, 0 when the peer closed
    // while receiving, -1 on a hard error or after the tenth call.
    long ReceiveAll(void* buffer, size_t size);
    long SendAll(const void* buffer, size_t size);

    // The error of the last failed call on this socket; a close by the peer
    // counts as ECONNRESET.
    int LastError() const { return lastError_; }

protected:
    void SetLastError(int error) { lastError_ = error; }

private:
    long Fail();

    CSocketHandle fd_;
    std::atomic<int> lastError_{0};
};

}  // namespace velorin
