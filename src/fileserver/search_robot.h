#pragma once
// The search robot: answers other members' search datagrams on the socket the
// sign-in bound, from the share index it rebuilds at start, every 7201 s and
// on request. Rebuilds run beside the answering, which keeps the previous
// index until the new one is complete.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "data/share_index.h"
#include "net/udp_socket.h"
#include "net/worker_thread.h"
#include "platform/clock.h"
#include "platform/message_queue.h"

namespace velorin {

class CShareDatabase;

inline constexpr const char* kTextRobotStarting = "탐지 로봇 초기화 중...";
inline constexpr std::chrono::seconds kReindexPeriod(7201);
// Datagrams taken in one pass before the rebuild clock is looked at.
inline constexpr int kSearchDrainLimit = 50;
// The current-term text holds this many CP949 bytes.
inline constexpr size_t kCurrentTermBytes = 30;

class CSearchRobot {
public:
    CSearchRobot(CUdpSocket& socket, CShareDatabase& shares, const IClock& clock,
                 CMessageQueue* queue = nullptr, WindowHandle mainWindow = 0);
    ~CSearchRobot();
    CSearchRobot(const CSearchRobot&) = delete;
    CSearchRobot& operator=(const CSearchRobot&) = delete;

    bool OpenIndex();
    // Stops a running robot, then answers on the bound socket as `memberId`.
    bool Start(const std::string& memberId);
    // Ends the thread and closes the socket; harmless when stopped.
    void Stop();
    void StopAndCloseIndex();
    // Taken at the robot's next pass; a request during a rebuild starts another after it.
    void RequestReindex() { reindexRequested_ = true; }

    bool Running() const { return worker_.Running(); }
    // The latest term asked for, or the starting text; any thread.
    std::string CurrentTerm() const;
    bool Rebuilding() const { return rebuilding_; }
    // Rebuilds completed since construction.
    uint32_t Rebuilds() const { return rebuilds_; }
    CShareIndex& Index() { return index_; }

private:
    int Run();
    void StartRebuild();
    void FinishRebuild();
    void Handle(std::string_view datagram);
    void SetCurrentTerm(const std::string& text);

    CUdpSocket& socket_;
    CShareDatabase& shares_;
    const IClock& clock_;
    CMessageQueue* queue_;
    WindowHandle mainWindow_;
    CShareIndex index_;
    CWorkerThread worker_;
    std::thread rebuilder_;
    std::atomic<bool> rebuilding_{false};
    std::atomic<bool> rebuildEnded_{false};
    std::atomic<bool> reindexRequested_{false};
    std::atomic<uint32_t> rebuilds_{0};
    std::chrono::milliseconds lastRebuild_{0};
    std::string memberId_;
    mutable std::mutex termLock_;
    std::string currentTerm_;
};

}  // namespace velorin
