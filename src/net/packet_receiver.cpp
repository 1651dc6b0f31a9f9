#include "net/packet_receiver.h"

#include "net/packet.h"

namespace velorin {

CPacketReceiver::CPacketReceiver(uint16_t maxPayload)
    : maxPayload_(maxPayload), buffer_(new uint8_t[kPacketHeaderSize + maxPayload]()) {}

uint16_t CPacketReceiver::Length() const {
    return static_cast<uint16_t>(buffer_[0] | (buffer_[1] << 8));
}

uint16_t CPacketReceiver::Type() const {
    return static_cast<uint16_t>(buffer_[2] | (buffer_[3] << 8));
}

std::string_view CPacketReceiver::Payload() const {
    if (Length() > maxPayload_) return {};
    return std::string_view(reinterpret_cast<const char*>(buffer_.get()) + kPacketHeaderSize,
                            Length());
}

std::span<uint8_t> CPacketReceiver::Missing() {
    if (received_ < 2) return std::span<uint8_t>(buffer_.get() + received_, 2 - received_);
    size_t total = kPacketHeaderSize + Length();
    return std::span<uint8_t>(buffer_.get() + received_, total - received_);
}

int CPacketReceiver::Advance(size_t count) {
    if (count > Missing().size()) return -1;
    received_ += count;
    if (received_ < 2) return 0;
    if (Length() > maxPayload_) {
        received_ = 0;
        return -1;
    }
    size_t total = kPacketHeaderSize + Length();
    if (received_ < total) return 0;
    received_ = 0;
    ScramblePacket(buffer_.get(), total);
    return 1;
}

}  // namespace velorin
