#include "net/udp_socket.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <thread>

namespace velorin {
namespace {

using namespace std::chrono_literals;

sockaddr_in Loopback(uint16_t networkPort) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = networkPort;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

TEST(UdpSocket, AnOversizedDatagramIsRefusedAndAnswersGoToTheLastSender) {
    CUdpSocket a;
    CUdpSocket b;
    ASSERT_TRUE(a.Open(0));
    ASSERT_TRUE(b.Open(0));
    uint16_t aPort = a.LocalPort();
    ASSERT_NE(aPort, 0);
    b.SetPeer(Loopback(aPort));
    ASSERT_EQ(b.SendTo("123456789", 9), 9);
    ASSERT_EQ(b.SendTo("12345678", 8), 8);

    char buffer[8];
    ASSERT_TRUE(a.WaitReadable(5s));
    EXPECT_EQ(a.ReceiveFrom(buffer, sizeof buffer), -1);
    ASSERT_TRUE(a.WaitReadable(5s));
    EXPECT_EQ(a.ReceiveFrom(buffer, sizeof buffer), 8);
    EXPECT_EQ(a.Peer().sin_port, b.LocalPort());

    ASSERT_EQ(a.SendTo("back", 4), 4);
    ASSERT_TRUE(b.WaitReadable(5s));
    EXPECT_EQ(b.ReceiveFrom(buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer, 4), "back");
}

TEST(UdpSocket, APortInUseCannotBeOpenedAndShutdownWakesAReceive) {
    CUdpSocket a;
    ASSERT_TRUE(a.Open(0));
    CUdpSocket b;
    EXPECT_FALSE(b.Open(ntohs(a.LocalPort())));

    std::thread receiver([&] {
        char byte;
        a.ReceiveFrom(&byte, 1);
    });
    std::this_thread::sleep_for(50ms);
    a.Shutdown();
    receiver.join();
}

}  // namespace
}  // namespace velorin
