#include "net/packet.h"

#include <cstring>

namespace velorin {

void ScramblePacket(uint8_t* wire, size_t size) {
    if (size < 2) return;
    uint8_t k = wire[0];
    // The key is sign-extended for the type: with k >= 0x80 the high byte flips too.
    uint16_t mask = static_cast<uint16_t>(static_cast<int16_t>(static_cast<int8_t>(k)));
    if (size >= 4) {
        wire[2] ^= static_cast<uint8_t>(mask & 0xFF);
        wire[3] ^= static_cast<uint8_t>(mask >> 8);
    }
    for (size_t i = kPacketHeaderSize; i < size; ++i) {
        wire[i] = static_cast<uint8_t>(~(wire[i] ^ k));
    }
}

size_t WritePacket(uint8_t* wire, uint16_t type, const void* payload, uint16_t length) {
    wire[0] = static_cast<uint8_t>(length & 0xFF);
    wire[1] = static_cast<uint8_t>(length >> 8);
    wire[2] = static_cast<uint8_t>(type & 0xFF);
    wire[3] = static_cast<uint8_t>(type >> 8);
    if (length > 0) std::memcpy(wire + kPacketHeaderSize, payload, length);
    ScramblePacket(wire, kPacketHeaderSize + length);
    return kPacketHeaderSize + length;
}

std::string EncodePacket(uint16_t type, std::string_view payload) {
    uint16_t length = static_cast<uint16_t>(payload.size());
    std::string wire(kPacketHeaderSize + length, '\0');
    WritePacket(reinterpret_cast<uint8_t*>(wire.data()), type, payload.data(), length);
    return wire;
}

long DecodePacket(std::string_view wire, uint16_t maxPayload, Packet& packet) {
    if (wire.size() < 2) return 0;
    const auto* p = reinterpret_cast<const uint8_t*>(wire.data());
    uint16_t length = static_cast<uint16_t>(p[0] | (p[1] << 8));
    if (length > maxPayload) return -1;
    size_t total = kPacketHeaderSize + length;
    if (wire.size() < total) return 0;
    std::string copy(wire.substr(0, total));
    ScramblePacket(reinterpret_cast<uint8_t*>(copy.data()), copy.size());
    const auto* c = reinterpret_cast<const uint8_t*>(copy.data());
    packet.type = static_cast<uint16_t>(c[2] | (c[3] << 8));
    packet.payload = copy.substr(kPacketHeaderSize);
    return static_cast<long>(total);
}

}  // namespace velorin
