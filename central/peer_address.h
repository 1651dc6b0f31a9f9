#pragma once
#include <asio/ip/address.hpp>
#include <cstdint>

namespace velorin::central {

// An IPv4 address (also one mapped into IPv6 by a dual-stack socket) as the
// wire carries it: network byte order, held as sin_addr holds it. 0 otherwise.
uint32_t WireIpv4(const asio::ip::address& address);

}  // namespace velorin::central
