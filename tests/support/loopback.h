#pragma once
// Real sockets on the loopback interface for component tests.
#include <cstdint>

#include "net/tcp_socket.h"

namespace velorin::test {

// Connects `client` to `server` through a listener on a system-chosen port.
bool ConnectPair(CTcpSocket& client, CTcpSocket& server);
// A port that was free for UDP and TCP a moment ago, outside the range the
// system hands out to connections (for a port under test, LISTENPORT).
uint16_t FreeUdpPort();

}  // namespace velorin::test
