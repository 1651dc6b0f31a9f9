#include "support/wire_link.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace velorin::test {
namespace {

std::chrono::milliseconds Left(std::chrono::steady_clock::time_point deadline) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                 std::chrono::steady_clock::now());
}

}  // namespace

bool CWireLink::Connect(const std::string& address, uint16_t port) {
    Attach(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &to.sin_addr);
    return socket_.IsOpen() &&
           connect(socket_.Get(), reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
}

void CWireLink::Attach(int descriptor) {
    socket_.Attach(descriptor);
    buffer_.clear();
}

void CWireLink::Close() {
    Attach(-1);
}

bool CWireLink::Send(uint16_t type, const std::string& payload) {
    return SendRaw(EncodePacket(type, payload));
}

bool CWireLink::SendRaw(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(socket_.Get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::optional<Packet> CWireLink::Receive(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        Packet packet;
        long used = DecodePacket(buffer_, kMaxLinkPayload, packet);
        if (used > 0) {
            buffer_.erase(0, static_cast<size_t>(used));
            return packet;
        }
        std::chrono::milliseconds left = Left(deadline);
        if (used < 0 || left.count() <= 0 || !socket_.Wait(POLLIN, left)) return std::nullopt;
        char chunk[16384];
        ssize_t n = recv(socket_.Get(), chunk, sizeof chunk, 0);
        if (n <= 0) return std::nullopt;
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

std::optional<Packet> CWireLink::ReceiveType(uint16_t type, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::chrono::milliseconds left = Left(deadline);
        if (left.count() <= 0) return std::nullopt;
        std::optional<Packet> packet = Receive(left);
        if (!packet || packet->type == type) return packet;
    }
}

bool CWireLink::WaitClosed(std::chrono::milliseconds timeout) {
    bool closed = false;
    ReadToEnd(timeout, &closed);
    return closed;
}

std::string CWireLink::ReadToEnd(std::chrono::milliseconds timeout, bool* closed) {
    // Bytes that came with the last packet belong to the stream.
    std::string bytes = std::move(buffer_);
    buffer_.clear();
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::chrono::milliseconds left = Left(deadline);
        if (left.count() <= 0 || !socket_.Wait(POLLIN, left)) return bytes;
        char chunk[4096];
        ssize_t n = recv(socket_.Get(), chunk, sizeof chunk, 0);
        if (n <= 0) {
            if (closed) *closed = true;
            return bytes;
        }
        bytes.append(chunk, static_cast<size_t>(n));
    }
}

uint32_t CWireLink::LocalAddress() const {
    sockaddr_in local{};
    socklen_t size = sizeof local;
    getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&local), &size);
    return local.sin_addr.s_addr;
}

}  // namespace velorin::test
