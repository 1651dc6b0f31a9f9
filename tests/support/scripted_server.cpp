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
    connection_.Close();
    buffer_.clear();
    if (!listener_.Wait(POLLIN, timeout)) return false;
    connection_.Attach(accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    return connection_.IsOpen();
}

bool CScriptedServer::Send(uint16_t type, const std::string& payload) {
    return SendRaw(EncodePacket(type, payload));
}

bool CScriptedServer::SendRaw(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(connection_.Get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::optional<Packet> CScriptedServer::Receive(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        Packet packet;
        long used = DecodePacket(buffer_, kMaxLinkPayload, packet);
        if (used > 0) {
            buffer_.erase(0, static_cast<size_t>(used));
            return packet;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (used < 0 || left.count() <= 0 || !connection_.Wait(POLLIN, left)) return std::nullopt;
        char chunk[16384];
        ssize_t n = recv(connection_.Get(), chunk, sizeof chunk, 0);
        if (n <= 0) return std::nullopt;
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

std::optional<Packet> CScriptedServer::ReceiveType(uint16_t type, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        std::optional<Packet> packet = Receive(left);
        if (!packet || packet->type == type) return packet;
    }
}

bool CScriptedServer::WaitClosed(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !connection_.Wait(POLLIN, left)) return false;
        char chunk[4096];
        ssize_t n = recv(connection_.Get(), chunk, sizeof chunk, 0);
        if (n <= 0) return true;
    }
}

}  // namespace velorin::test
