#include "net/packet_socket.h"

#include <gtest/gtest.h>

#include "net/packet.h"
#include "support/loopback.h"

namespace velorin {
namespace {

class PacketSocketTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::ConnectPair(socket, peer)); }

    void PeerSends(const std::string& bytes) {
        ASSERT_EQ(peer.SendAll(bytes.data(), bytes.size()), static_cast<long>(bytes.size()));
    }

    CPacketSocket socket;
    CTcpSocket peer;
};

TEST_F(PacketSocketTest, SendsTheScrambledEnvelopeAndReceivesItBack) {
    ASSERT_EQ(socket.SendPacket(3, 1001, "abc"), 7);
    char wire[7] = {};
    ASSERT_EQ(peer.ReceiveAll(wire, sizeof wire), 7);
    EXPECT_EQ(std::string(wire, 7), EncodePacket(1001, "abc"));

    PeerSends(EncodePacket(2013, std::string(8, '\x01')) + EncodePacket(5, ""));
    ASSERT_EQ(socket.ReceivePacket(), 12);
    EXPECT_EQ(socket.IncomingType(), 2013);
    EXPECT_EQ(socket.IncomingPayload(), std::string(8, '\x01'));
    ASSERT_EQ(socket.ReceivePacket(), 4);
    EXPECT_EQ(socket.IncomingType(), 5);
    EXPECT_EQ(socket.IncomingPayload(), "");
}

TEST_F(PacketSocketTest, AcceptsPayloadsUpTo16380Bytes) {
    PeerSends(EncodePacket(7, std::string(16380, 'p')));
    ASSERT_EQ(socket.ReceivePacket(), 16384);
    EXPECT_EQ(socket.IncomingPayload(), std::string(16380, 'p'));
    PeerSends(EncodePacket(7, std::string(16381, 'p')));
    EXPECT_EQ(socket.ReceivePacket(), -1);
    EXPECT_EQ(socket.SendPacket(16381, 7, std::string(16381, 'x').data()), -1);
}

TEST(PacketSocket, APeerClosingInsideTheHeaderOrThePayloadIsAFailure) {
    for (const std::string& part :
         {std::string(1, '\x05'), EncodePacket(9, "twelve bytes").substr(0, 10)}) {
        CPacketSocket socket;
        CTcpSocket peer;
        ASSERT_TRUE(test::ConnectPair(socket, peer));
        ASSERT_EQ(peer.SendAll(part.data(), part.size()), static_cast<long>(part.size()));
        peer.Close();
        EXPECT_EQ(socket.ReceivePacket(), -1);
    }
}

TEST_F(PacketSocketTest, ReceiveAllGivesUpAfterTenCallsOnASilentNonBlockingSocket) {
    ASSERT_EQ(socket.SetNonBlocking(true), 0);
    char byte = 0;
    EXPECT_EQ(socket.ReceiveAll(&byte, 1), -1);
    EXPECT_TRUE(IsWouldBlock(socket.LastError()));
    peer.Close();
    EXPECT_EQ(socket.ReceiveAll(&byte, 1), 0);
    EXPECT_EQ(socket.LastError(), ECONNRESET);
}

}  // namespace
}  // namespace velorin
