#include "central/probe_responder.h"

#include "central/peer_address.h"
#include "service/probe_datagram.h"

namespace velorin::central {

bool CProbeResponder::Open(const std::string& address, std::string& error) {
    asio::error_code ec;
    asio::ip::udp::endpoint endpoint(asio::ip::make_address(address, ec), kProbeServerPort);
    if (!ec) socket_.open(endpoint.protocol(), ec);
    if (!ec) socket_.bind(endpoint, ec);
    // Answers go out with a plain send_to; a full send buffer drops one answer
    // instead of stalling the loop.
    if (!ec) socket_.non_blocking(true, ec);
    if (ec) {
        error = address + " UDP " + std::to_string(kProbeServerPort) + ": " + ec.message();
        return false;
    }
    Receive();
    return true;
}

void CProbeResponder::Close() {
    asio::error_code ec;
    socket_.close(ec);
}

void CProbeResponder::Receive() {
    socket_.async_receive_from(
        asio::buffer(buffer_), sender_, [this](const asio::error_code& ec, size_t size) {
            if (ec == asio::error::operation_aborted || !socket_.is_open()) return;
            uint16_t port = 0;
            SystemTime sent;
            uint32_t seen = ec ? 0 : WireIpv4(sender_.address());
            if (seen != 0 &&
                DecodeProbeRequest(std::string_view(buffer_.data(), size), port, sent) &&
                port != 0) {
                std::string answer = EncodeProbeAnswer(sent, seen);
                asio::error_code sendError;
                socket_.send_to(asio::buffer(answer),
                                asio::ip::udp::endpoint(sender_.address(), port), 0, sendError);
            }
            Receive();
        });
}

}  // namespace velorin::central
