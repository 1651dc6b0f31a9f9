#include "net/worker_thread.h"

#include <gtest/gtest.h>

#include "net/packet_socket.h"
#include "support/loopback.h"

namespace velorin {
namespace {

TEST(WorkerThread, StopEndsAWorkerBlockedInAReceiveFromASilentPeer) {
    CPacketSocket socket;
    CTcpSocket peer;
    ASSERT_TRUE(test::ConnectPair(socket, peer));
    CWorkerThread worker;
    std::atomic<bool> entered{false};
    // No time-out on the socket: the receive blocks until the socket is shut down.
    ASSERT_EQ(worker.Start([&] {
        entered = true;
        return static_cast<int>(socket.ReceivePacket());
    }),
              0);
    while (!entered) std::this_thread::yield();
    EXPECT_TRUE(worker.Running());
    worker.Stop([&] { socket.Shutdown(); }, nullptr, 0);
    EXPECT_FALSE(worker.HasWorker());
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(worker.ExitCode(), -1);
    // The descriptor stays ours until the owner closes it.
    EXPECT_TRUE(socket.IsOpen());
    socket.Close();
    worker.Stop([&] { socket.Shutdown(); }, nullptr, 0);
}

TEST(WorkerThread, ANegativeResultClearsTheFlagAndAStopWithoutWorkerIsHarmless) {
    CWorkerThread worker;
    worker.Stop(nullptr, nullptr, 0);
    ASSERT_EQ(worker.Start([] { return -1; }), 0);
    EXPECT_TRUE(worker.WaitEnded(std::chrono::seconds(10)));
    EXPECT_FALSE(worker.Running());
    ASSERT_EQ(worker.Start([] { return 0; }), 0);
    EXPECT_TRUE(worker.WaitEnded(std::chrono::seconds(10)));
    EXPECT_TRUE(worker.Running());
    EXPECT_EQ(worker.ExitCode(), 0);
}

}  // namespace
}  // namespace velorin
