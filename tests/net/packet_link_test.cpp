#include "net/packet_link.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "net/packet.h"
#include "net/packet_socket.h"
#include "platform/window_messages.h"
#include "support/eventually.h"
#include "support/loopback.h"
#include "support/message_log.h"

namespace velorin {
namespace {

using namespace std::chrono_literals;

// A link that records what the worker hands it.
class CRecordingLink : public CPacketLink {
public:
    ~CRecordingLink() override { Stop(); }

    int OnPacket() override {
        std::lock_guard lock(mutex);
        packets.push_back(Packet{IncomingType(), std::string(IncomingPayload())});
        return 0;
    }
    void OnConnect(bool ok, const std::string& userId, const std::string& password) override {
        std::lock_guard lock(mutex);
        connects.push_back((ok ? "1 " : "0 ") + userId + " " + password);
    }
    std::vector<Packet> Packets() {
        std::lock_guard lock(mutex);
        return packets;
    }

    std::mutex mutex;
    std::vector<Packet> packets;
    std::vector<std::string> connects;
};

// Steps the receive side until a Packet came in or it failed; bounded.
int StepUntilPacket(CRecordingLink& link, size_t count) {
    for (int i = 0; i < 500; ++i) {
        if (link.ReceiveStep() < 0) return -1;
        if (link.Packets().size() >= count) return 0;
    }
    return 1;
}

std::string ReadStream(CTcpSocket& peer, size_t size) {
    std::string bytes;
    char buffer[4096];
    while (bytes.size() < size && peer.WaitReadable(5s)) {
        long n = peer.ReceiveSome(buffer, sizeof buffer);
        if (n <= 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    return bytes;
}

class PacketLinkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::ConnectPair(link, peer)); }

    CRecordingLink link;
    CTcpSocket peer;
};

TEST_F(PacketLinkTest, AcceptsPayloadsUpTo16382Bytes) {
    std::string wire =
        EncodePacket(1, std::string(16381, 'a')) + EncodePacket(2, std::string(16382, 'b'));
    ASSERT_EQ(peer.SendAll(wire.data(), wire.size()), static_cast<long>(wire.size()));
    ASSERT_EQ(StepUntilPacket(link, 2), 0);
    EXPECT_EQ(link.Packets()[1].type, 2);
    EXPECT_EQ(link.Packets()[1].payload, std::string(16382, 'b'));

    std::string over = EncodePacket(3, std::string(16383, 'c'));
    ASSERT_EQ(peer.SendAll(over.data(), over.size()), static_cast<long>(over.size()));
    EXPECT_EQ(StepUntilPacket(link, 3), -1);
}

TEST_F(PacketLinkTest, APeerClosingInsideTheHeaderEndsTheLink) {
    ASSERT_EQ(peer.SendAll("\x07", 1), 1);
    peer.Close();
    EXPECT_EQ(StepUntilPacket(link, 1), -1);
    EXPECT_TRUE(link.Packets().empty());
}

TEST_F(PacketLinkTest, AFullQueueRefusesThePacketUntilFlushed) {
    ASSERT_EQ(link.PrepareQueue(2048), 0);
    std::string big(2045, 'x');
    EXPECT_EQ(link.QueuePacket(2045, 1, big.data()), -1);
    EXPECT_EQ(link.QueuePacket(2044, 1, big.data()), 0);
    EXPECT_EQ(link.QueuePacket(0, 2, nullptr), -1);
    ASSERT_EQ(link.FlushQueue(), 0);
    EXPECT_EQ(link.QueuePacket(0, 2, nullptr), 0);
    ASSERT_EQ(link.FlushQueue(), 0);
    std::string expected = EncodePacket(1, big.substr(0, 2044)) + EncodePacket(2, "");
    EXPECT_EQ(ReadStream(peer, expected.size()), expected);
}

class PacketLinkWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(listener.ListenTcp(0), 0);
        link.SetWindow(&queue, window.Handle(), kCacheLink);
        link.SetEndpoint("127.0.0.1", ntohs(listener.LocalPort()), 5);
        ASSERT_EQ(link.PrepareQueue(2048), 0);
    }

    CMessageQueue queue;
    test::CMessageLog window{queue};
    CTcpSocket listener;
    CRecordingLink link;
};

TEST_F(PacketLinkWorkerTest, AStopPostsNothingButAPeerDropPostsLinkLost) {
    ASSERT_EQ(link.Start("kim", "secret"), 0);
    CPacketSocket peer;
    ASSERT_EQ(listener.Accept(peer), 0);
    ASSERT_EQ(link.QueuePacket(3, 1001, "abc"), 0);
    ASSERT_EQ(peer.ReceivePacket(), 7);
    EXPECT_EQ(peer.IncomingType(), 1001);
    ASSERT_EQ(peer.SendPacket(2, 2013, "ok"), 6);
    ASSERT_TRUE(test::Eventually([&] { return !link.Packets().empty(); }));
    EXPECT_EQ(link.Packets()[0].payload, "ok");

    link.Stop();
    link.Stop();
    EXPECT_FALSE(link.IsRunning());
    EXPECT_FALSE(link.IsOpen());
    queue.ProcessPending();
    EXPECT_TRUE(window.messages.empty());

    ASSERT_EQ(link.Start("kim", "secret"), 0);
    CTcpSocket second;
    ASSERT_EQ(listener.Accept(second), 0);
    second.Close();
    std::optional<Message> lost = window.WaitFor(WM_LINK_LOST, 10s);
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->wParam, static_cast<uintptr_t>(ECONNRESET));
    EXPECT_EQ(lost->lParam, kCacheLink);
    EXPECT_EQ(window.messages.size(), 1u);
    link.Stop();
    EXPECT_FALSE(link.IsRunning());
    EXPECT_EQ(link.connects, (std::vector<std::string>{"1 kim secret", "1 kim secret"}));
}

TEST_F(PacketLinkWorkerTest, AFailedConnectIsReportedAndPostsNothing) {
    link.SetEndpoint("127.0.0.1", test::FreeUdpPort(), 2);
    listener.Close();
    ASSERT_EQ(link.Start("kim", "pw"), 0);
    EXPECT_TRUE(test::Eventually([&] { return !link.IsRunning(); }));
    link.Stop();
    queue.ProcessPending();
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(link.connects, std::vector<std::string>{"0 kim pw"});
}

// A worker that waits for the user-interface thread to handle its message.
class CWaitingLink : public CRecordingLink {
public:
    ~CWaitingLink() override { Stop(); }
    void OnIdle() override {
        if (asked.exchange(true)) return;
        Post(WM_USER + 1, 0, 0);
        test::Eventually([&] { return handled.load(); });
    }
    std::atomic<bool> asked{false};
    std::atomic<bool> handled{false};
};

TEST(PacketLinkStop, DispatchesTheWindowsMessagesWhileItWaits) {
    CMessageQueue queue;
    struct CWindow : CWindowTarget {
        CWindow(CMessageQueue& q, std::atomic<bool>& flag) : CWindowTarget(q), flag_(flag) {}
        void OnMessage(const Message& m) override {
            if (m.message == WM_USER + 1) flag_ = true;
        }
        std::atomic<bool>& flag_;
    };
    CWaitingLink link;
    CWindow window(queue, link.handled);
    CTcpSocket listener;
    ASSERT_EQ(listener.ListenTcp(0), 0);
    link.SetWindow(&queue, window.Handle(), kSessionLink);
    link.SetEndpoint("127.0.0.1", ntohs(listener.LocalPort()), 5);
    ASSERT_EQ(link.Start("a", "b"), 0);
    CTcpSocket peer;
    ASSERT_EQ(listener.Accept(peer), 0);
    ASSERT_TRUE(test::Eventually([&] { return link.asked.load(); }));
    link.Stop();
    EXPECT_TRUE(link.handled);
}

}  // namespace
}  // namespace velorin
