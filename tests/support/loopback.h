#pragma once
// Real sockets on the loopback interface for component tests.
#include <cstdint>

#include "net/tcp_socket.h"

namespace velorin::test {

// Connects `client` to `server` through a listener on a system-chosen port.
bool ConnectPair(CTcpSocket& client, CTcpSocket& server);
// A UDP port that was free a moment ago (for a port under test).
uint16_t FreeUdpPort();

}  // namespace velorin::test
