#include "net/packet_socket.h"

#include "net/packet.h"

namespace velorin {

CPacketSocket::CPacketSocket()
    : outgoing_(new uint8_t[kPacketHeaderSize + kMaxPacketPayload]), incoming_(kMaxPacketPayload) {}

long CPacketSocket::SendPacket(uint16_t length, uint16_t type, const void* payload) {
    if (length > kMaxPacketPayload) return -1;
    size_t size = WritePacket(outgoing_.get(), type, payload, length);
    return SendAll(outgoing_.get(), size) == static_cast<long>(size) ? static_cast<long>(size) : -1;
}

long CPacketSocket::ReceivePacket() {
    incoming_.Reset();
    std::span<uint8_t> header = incoming_.Missing();
    if (ReceiveAll(header.data(), header.size()) != static_cast<long>(header.size())) return -1;
    if (incoming_.Advance(header.size()) < 0) return -1;
    std::span<uint8_t> rest = incoming_.Missing();
    if (ReceiveAll(rest.data(), rest.size()) != static_cast<long>(rest.size())) return -1;
    if (incoming_.Advance(rest.size()) != 1) return -1;
    return static_cast<long>(kPacketHeaderSize + incoming_.Length());
}

long CLockedPacketSocket::SendPacket(uint16_t length, uint16_t type, const void* payload) {
    std::lock_guard lock(lock_);
    return CPacketSocket::SendPacket(length, type, payload);
}

long CLockedPacketSocket::ReceivePacket() {
    std::lock_guard lock(lock_);
    return CPacketSocket::ReceivePacket();
}

}  // namespace velorin
