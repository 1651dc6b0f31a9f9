#include "net/packet.h"

#include <gtest/gtest.h>

#include "net/payload.h"

namespace velorin {
namespace {

std::string Bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s.push_back(static_cast<char>(b));
    return s;
}

TEST(Packet, WorkedExampleAndTheHighKey) {
    EXPECT_EQ(EncodePacket(1001, "abc"), Bytes({0x03, 0x00, 0xEA, 0x03, 0x9D, 0x9E, 0x9F}));
    // k = 0x80 flips the type's high byte as well: 0x0BB8 travels as 0xF438.
    std::string wire = EncodePacket(3000, std::string(0x80, 'x'));
    EXPECT_EQ(wire.substr(0, 4), Bytes({0x80, 0x00, 0x38, 0xF4}));
    Packet back;
    ASSERT_EQ(DecodePacket(wire, kMaxPacketPayload, back), 0x84);
    EXPECT_EQ(back.type, 3000);
    EXPECT_EQ(back.payload, std::string(0x80, 'x'));
}

TEST(Packet, DecodingWaitsForWholePacketsAndRefusesOversizedLengths) {
    std::string wire = EncodePacket(7, "hello");
    Packet p;
    EXPECT_EQ(DecodePacket(wire.substr(0, 1), kMaxPacketPayload, p), 0);
    EXPECT_EQ(DecodePacket(wire.substr(0, 8), kMaxPacketPayload, p), 0);
    EXPECT_EQ(DecodePacket(wire + "tail", kMaxPacketPayload, p), 9);
    std::string big = EncodePacket(1, std::string(16381, 'a'));
    EXPECT_EQ(DecodePacket(big, kMaxPacketPayload, p), -1);
    EXPECT_EQ(DecodePacket(big, kMaxLinkPayload, p), 16385);
    EXPECT_EQ(DecodePacket(Bytes({0xFF, 0x3F}), kMaxLinkPayload, p), -1);  // 16383
}

TEST(Payload, ReaderFailsOnShortDataAndStaysFailed) {
    CPayloadWriter w;
    w.U8(1).U16(0x0203).I32(-1).Fixed("가나", 5).Text16("abc", 10);
    CPayloadReader r(w.Data());
    uint8_t a = 0;
    uint16_t b = 0;
    int32_t c = 0;
    std::string fixed;
    std::string text;
    ASSERT_TRUE(r.U8(a) && r.U16(b) && r.I32(c) && r.Fixed(5, fixed) && r.Text16(10, text));
    EXPECT_EQ(b, 0x0203);
    EXPECT_EQ(c, -1);
    EXPECT_EQ(fixed, "가나");
    EXPECT_EQ(text, "abc");
    uint32_t more = 0;
    EXPECT_FALSE(r.U32(more));
    EXPECT_FALSE(r.U8(a));

    // The reader keeps a view: the bytes it reads must outlive it.
    std::string tail = w.Data().substr(w.Size() - 5);
    CPayloadReader limited(tail);
    EXPECT_FALSE(limited.Text16(2, text));
    EXPECT_EQ(limited.Remaining(), 0u);
}

}  // namespace
}  // namespace velorin
