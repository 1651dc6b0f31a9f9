#pragma once
// A datagram socket that remembers its peer: receiving stores the sender,
// sending goes to the stored peer, so an answer returns to the last sender
// unless the caller names another address.
#include <netinet/in.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/socket_handle.h"

namespace velorin {

class CUdpSocket {
public:
    CUdpSocket() = default;
    CUdpSocket(const CUdpSocket&) = delete;
    CUdpSocket& operator=(const CUdpSocket&) = delete;

    // Closes any previous socket, then a new one with broadcast enabled, bound to
    // any address and `port` (0: the system chooses).
    bool Open(uint16_t port);
    void Close() { fd_.Close(); }
    // Ends a receive blocked in another thread; any thread.
    void Shutdown() { fd_.Shutdown(); }
    bool IsOpen() const { return fd_.IsOpen(); }
    // The bound port in network byte order; on failure the socket is closed and 0 returned.
    uint16_t LocalPort();

    int SetNonBlocking(bool on) { return fd_.SetNonBlocking(on); }
    bool WaitReadable(std::chrono::milliseconds timeout);

    int SendTo(const void* data, size_t size);
    // The datagram's size, or -1. A datagram larger than `size` is discarded
    // and counts as a failure (EMSGSIZE), never as a shorter one.
    int ReceiveFrom(void* buffer, size_t size);

    const sockaddr_in& Peer() const { return peer_; }
    void SetPeer(const sockaddr_in& peer) { peer_ = peer; }

private:
    CSocketHandle fd_;
    sockaddr_in peer_{};
};

// The first IPv4 address of the local host name (network byte order).
bool GetLocalAddress(uint32_t& address);
// Every IPv4 address of the local host name.
std::vector<uint32_t> LocalAddresses();

}  // namespace velorin
