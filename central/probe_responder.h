#pragma once
// The reachability responder (UDP 7296): a 22-byte request whose first u32 is
// 7296 is answered with 26 bytes sent to the sender's address at the port
// under test. The answer echoes the request's calendar time, so the client
// measures the round trip with its own clock, and names the sender's address.
// Anything else is ignored. The answer only ever goes to the sender's own
// address, never to a third party named in the request.
#include <array>
#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>
#include <string>

namespace velorin::central {

class CProbeResponder {
public:
    explicit CProbeResponder(asio::io_context& loop) : socket_(loop) {}
    bool Open(const std::string& address, std::string& error);
    void Close();

private:
    void Receive();

    asio::ip::udp::socket socket_;
    asio::ip::udp::endpoint sender_;
    // Larger than a request, so an oversized datagram shows its size and is refused.
    std::array<char, 64> buffer_{};
};

}  // namespace velorin::central
