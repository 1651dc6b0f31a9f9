#pragma once
// One side of a service link played by the test: a listener on a loopback
// address and port, one connection at a time, driven as a CWireLink.
#include <chrono>
#include <cstdint>
#include <string>

#include "net/socket_handle.h"
#include "support/wire_link.h"

namespace velorin::test {

class CScriptedServer : public CWireLink {
public:
    // Port 0: the system chooses.
    bool Listen(const std::string& address, uint16_t port);
    uint16_t Port() const { return port_; }

    // Takes the next connection, dropping the current one.
    bool Accept(std::chrono::milliseconds timeout = 5s);
    void Drop() { Close(); }
    void StopListening() { listener_.Close(); }

private:
    CSocketHandle listener_;
    uint16_t port_ = 0;
};

}  // namespace velorin::test
