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

uint16_t FreeUdpPort() {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t size = sizeof address;
    uint16_t port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

}  // namespace velorin::test
