#include "support/loopback.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velorin::test {

bool ConnectPair(CTcpSocket& client, CTcpSocket& server) {
    CTcpSocket listener;
    if (listener.ListenTcp(0) < 0) return false;
    return client.ConnectTcp("127.0.0.1", ntohs(listener.LocalPort()), 5) == 0 &&
           listener.Accept(server) == 0 && client.SetNonBlocking(false) == 0;
}

namespace {
bool CanBind(int type, uint16_t port) {
    int fd = socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    bool free = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) close(fd);
    return free;
}
}  // namespace

uint16_t FreeUdpPort() {
    // Below the system's ephemeral range (32768 and up): a port handed out
    // there to another test's connection would make the port busy for TCP
    // while the test still counts on it.
    constexpr int kFirst = 20000;
    constexpr int kCount = 12000;
    static int next = static_cast<int>(getpid()) * 7;
    for (int i = 0; i < kCount; ++i) {
        auto port = static_cast<uint16_t>(kFirst + (next++ % kCount));
        if (CanBind(SOCK_DGRAM, port) && CanBind(SOCK_STREAM, port)) return port;
    }
    return 0;
}

}  // namespace velorin::test
