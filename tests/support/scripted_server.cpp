#include "support/scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace velorin::test {

bool CScriptedServer::Listen(const std::string& address, uint16_t port) {
    listener_.Attach(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    int on = 1;
    setsockopt(listener_.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &at.sin_addr);
    socklen_t size = sizeof at;
    if (!listener_.IsOpen() || bind(listener_.Get(), reinterpret_cast<sockaddr*>(&at), size) != 0 ||
        listen(listener_.Get(), 8) != 0 ||
        getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&at), &size) != 0) {
        listener_.Close();
        return false;
    }
    port_ = ntohs(at.sin_port);
    return true;
}

bool CScriptedServer::Accept(std::chrono::milliseconds timeout) {
    Close();
    if (!listener_.Wait(POLLIN, timeout)) return false;
    Attach(accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    return IsOpen();
}

}  // namespace velorin::test
