#pragma once
#include <asio/ip/address.hpp>
#include <asio/ip/tcp.hpp>
#include <cstdint>
#include <string>

namespace velorin::central {

// An IPv4 address (also one mapped into IPv6 by a dual-stack socket) as the
// wire carries it: network byte order, held as sin_addr holds it. 0 otherwise.
uint32_t WireIpv4(const asio::ip::address& address);

// An accepted socket's local port and peer address as one text, the key under
// which connections from one address to one port are counted; empty when unknown.
std::string ConnectionLimitKey(const asio::ip::tcp::socket& socket);

}  // namespace velorin::central
