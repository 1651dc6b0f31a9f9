#include "support/probe_responder.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include "service/probe_datagram.h"

namespace velorin::test {

CProbeResponder::CProbeResponder(Mode mode) : mode_(mode) {
    fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    // The bind is what reserves an address among tests that run at once.
    for (int i = 0; i < 250 && fd_ >= 0; ++i) {
        int host = 2 + (getpid() + i) % 250;
        std::string text = "127.0.0." + std::to_string(host);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(kProbeServerPort);
        inet_pton(AF_INET, text.c_str(), &address.sin_addr);
        if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            address_ = text;
            thread_ = std::thread([this] { Serve(); });
            return;
        }
    }
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

CProbeResponder::~CProbeResponder() {
    if (fd_ < 0) return;
    shutdown(fd_, SHUT_RDWR);
    thread_.join();
    close(fd_);
}

void CProbeResponder::Serve() {
    char buffer[64];
    for (;;) {
        sockaddr_in from{};
        socklen_t size = sizeof from;
        ssize_t n =
            recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
        if (n <= 0) return;  // shut down
        uint16_t port = 0;
        SystemTime sent;
        if (!DecodeProbeRequest(std::string_view(buffer, static_cast<size_t>(n)), port, sent)) {
            continue;
        }
        lastPort_ = port;
        ++requests_;
        if (mode_ == Mode::kSilent) continue;
        sockaddr_in to = from;
        to.sin_port = htons(port);
        auto send = [&](const std::string& d) {
            sendto(fd_, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        };
        for (const std::string& d : first_) send(d);
        if (beforeAnswer_) beforeAnswer_();
        send(EncodeProbeAnswer(sent, from.sin_addr.s_addr));
    }
}

}  // namespace velorin::test
