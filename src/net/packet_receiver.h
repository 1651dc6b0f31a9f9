#pragma once
// The incoming buffer of a framed connection: one Packet, received in pieces
// of any size. The length field is checked against the limit before a single
// byte of the rest is asked for, so the buffer is never overrun.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace velorin {

class CPacketReceiver {
public:
    explicit CPacketReceiver(uint16_t maxPayload);

    // Where the next bytes go: the rest of the length field while it is
    // incomplete, then the rest of the Packet. Never empty.
    std::span<uint8_t> Missing();
    // Records `count` bytes stored at Missing(). 1: the Packet is complete and
    // unscrambled (readable until the next receive); 0: more bytes are needed;
    // -1: the length exceeds the limit, or `count` is more than was missing.
    int Advance(size_t count);
    bool HeaderComplete() const { return received_ >= 2; }
    void Reset() { received_ = 0; }

    uint16_t MaxPayload() const { return maxPayload_; }
    uint16_t Length() const;
    uint16_t Type() const;
    std::string_view Payload() const;

private:
    uint16_t maxPayload_;
    std::unique_ptr<uint8_t[]> buffer_;
    size_t received_ = 0;
};

}  // namespace velorin
