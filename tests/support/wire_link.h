#pragma once
// One end of a TCP link that the test drives, connected or accepted: packets
// with the shared framing, raw bytes, and the end of the link. Every wait is
// bounded, so a fault fails the test instead of hanging it.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "net/packet.h"
#include "net/socket_handle.h"

namespace velorin::test {

using namespace std::chrono_literals;

class CWireLink {
public:
    // Connects to `address`:`port`, dropping the current link.
    bool Connect(const std::string& address, uint16_t port);
    // Takes over a connected descriptor, dropping the current link.
    void Attach(int descriptor);
    void Close();
    bool IsOpen() const { return socket_.IsOpen(); }

    bool Send(uint16_t type, const std::string& payload);
    bool SendRaw(const std::string& bytes);
    // The next packet, keep-alives included; nothing after `timeout` or when the link ended.
    std::optional<Packet> Receive(std::chrono::milliseconds timeout = 5s);
    // The next packet of `type`, skipping others.
    std::optional<Packet> ReceiveType(uint16_t type, std::chrono::milliseconds timeout = 5s);
    // True when the other end closed the link within `timeout` (bytes before the end are skipped).
    bool WaitClosed(std::chrono::milliseconds timeout = 5s);
    // Raw bytes until the other end closes the link (or `timeout`); `closed` tells which.
    std::string ReadToEnd(std::chrono::milliseconds timeout = 5s, bool* closed = nullptr);
    // The local IPv4 address in network byte order.
    uint32_t LocalAddress() const;

private:
    CSocketHandle socket_;
    std::string buffer_;
};

}  // namespace velorin::test
