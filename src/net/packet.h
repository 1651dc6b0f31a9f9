#pragma once
// The Packet: the framed unit of every TCP link.
//   offset 0  u16 length   payload bytes, in the clear
//   offset 2  u16 type     scrambled
//   offset 4  payload      scrambled
// The scrambling key is the low byte of the length; one routine scrambles and
// unscrambles.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velorin {

inline constexpr size_t kPacketHeaderSize = 4;
// Senders keep payloads within this; a blocking packet socket accepts no more.
inline constexpr uint16_t kMaxPacketPayload = 16380;
// A threaded link accepts two bytes more.
inline constexpr uint16_t kMaxLinkPayload = 16382;

struct Packet {
    uint16_t type = 0;
    std::string payload;
};

// Scrambles (or unscrambles) a whole Packet in place: `wire` starts with the
// two length bytes, then the type and `length` payload bytes.
void ScramblePacket(uint8_t* wire, size_t size);

// Writes the scrambled Packet to `wire`, which holds at least `length` + 4 bytes;
// returns `length` + 4.
size_t WritePacket(uint8_t* wire, uint16_t type, const void* payload, uint16_t length);

// The bytes of a Packet on the wire, scrambled. The payload must fit in 16 bits.
std::string EncodePacket(uint16_t type, std::string_view payload);

// Reads a Packet from the front of `wire`. Returns the bytes used (length + 4), 0 when
// more bytes are needed, or -1 when the length exceeds `maxPayload`.
long DecodePacket(std::string_view wire, uint16_t maxPayload, Packet& packet);

}  // namespace velorin
