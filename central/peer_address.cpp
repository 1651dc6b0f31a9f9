#include "central/peer_address.h"

#include <cstring>

namespace velorin::central {

uint32_t WireIpv4(const asio::ip::address& address) {
    asio::ip::address_v4 v4;
    if (address.is_v4()) {
        v4 = address.to_v4();
    } else if (address.to_v6().is_v4_mapped()) {
        v4 = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    } else {
        return 0;
    }
    // to_bytes() is in network order; keep those bytes as they are.
    auto bytes = v4.to_bytes();
    uint32_t wire = 0;
    std::memcpy(&wire, bytes.data(), sizeof wire);
    return wire;
}

std::string ConnectionLimitKey(const asio::ip::tcp::socket& socket) {
    asio::error_code ec;
    asio::ip::tcp::endpoint local = socket.local_endpoint(ec);
    if (ec) return {};
    asio::ip::tcp::endpoint peer = socket.remote_endpoint(ec);
    if (ec) return {};
    return std::to_string(local.port()) + " " + peer.address().to_string();
}

}  // namespace velorin::central
