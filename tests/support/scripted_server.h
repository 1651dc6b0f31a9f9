#pragma once
// One side of a service link played by the test: a listener on a loopback
// address and port, one connection at a time, packets sent and received with
// the shared framing. Every wait is bounded.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "net/packet.h"
#include "net/socket_handle.h"

namespace velorin::test {

using namespace std::chrono_literals;

class CScriptedServer {
public:
    // Port 0: the system chooses.
    bool Listen(const std::string& address, uint16_t port);
    uint16_t Port() const { return port_; }

    // Takes the next connection, dropping the current one.
    bool Accept(std::chrono::milliseconds timeout = 5s);
    bool Send(uint16_t type, const std::string& payload);
    bool SendRaw(const std::string& bytes);
    // The next packet, keep-alives included; nothing after `timeout` or a close.
    std::optional<Packet> Receive(std::chrono::milliseconds timeout = 5s);
    // The next packet of `type`, skipping others.
    std::optional<Packet> ReceiveType(uint16_t type, std::chrono::milliseconds timeout = 5s);
    // True when the client closed the connection within `timeout`.
    bool WaitClosed(std::chrono::milliseconds timeout = 5s);
    void Drop() { connection_.Close(); }
    void StopListening() { listener_.Close(); }

private:
    CSocketHandle listener_;
    CSocketHandle connection_;
    uint16_t port_ = 0;
    std::string buffer_;
};

}  // namespace velorin::test
