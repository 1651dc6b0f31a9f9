#pragma once
// Fields that several messages of the central service share.
//
// Member ID (20 bytes) and password (12 bytes): zero-padded CP949, not
// terminated when full. A password is kept as its wire bytes, never as text:
// the server compares bytes, and a round trip through UTF-8 would fold
// different invalid byte sequences into the same "?".
//
// IPv4 addresses and ports in network byte order: held as sin_addr / sin_port
// hold them and copied byte for byte, never swapped.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/payload.h"

namespace velorin {

inline constexpr size_t kMemberIdSize = 20;
inline constexpr size_t kPasswordSize = 12;

using PasswordField = std::array<uint8_t, kPasswordSize>;

// The CP949 form of a typed password, cut to 12 bytes at a character boundary
// and zero-padded: what the client puts on the wire (and enciphers for its copy).
PasswordField MakePasswordField(std::string_view utf8);
// The bytes of a field up to its first zero (all 12 when it is full).
std::string PasswordBytes(const PasswordField& field);

void PutPassword(CPayloadWriter& w, const PasswordField& field);
bool GetPassword(CPayloadReader& r, PasswordField& field);

void PutNetworkOrder(CPayloadWriter& w, uint16_t value);
void PutNetworkOrder(CPayloadWriter& w, uint32_t value);
bool GetNetworkOrder(CPayloadReader& r, uint16_t& value);
bool GetNetworkOrder(CPayloadReader& r, uint32_t& value);

}  // namespace velorin
