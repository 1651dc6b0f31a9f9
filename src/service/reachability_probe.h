#pragma once
// Whether other members can reach this machine: the probe opens the port
// under test, asks the central service (from a second socket) to send a
// datagram back to it, and measures whether and how fast the answer comes.
#include <chrono>
#include <cstdint>
#include <string>

#include "net/udp_socket.h"
#include "net/worker_thread.h"
#include "platform/clock.h"
#include "platform/local_time.h"
#include "service/probe_datagram.h"

namespace velorin {

class IUserInterface;

// The port under test when the system chooses the server's ports.
inline constexpr uint16_t kAutoPortProbePort = 7296;

inline constexpr const char* kTextNoLocalAddress = "인터넷에 연결되지 않았습니다.";

// Kept by the process after start-up; travels in the sign-in request.
struct ReachabilityVerdict {
    int reachable = 0;
    int roundTrip = -1;  // milliseconds; -1 when not reachable
};

class CReachabilityProbe : public CUdpSocket {
public:
    // `server`: the central service's host; the request goes to its UDP port 7296.
    CReachabilityProbe(IUserInterface& ui, const IClock& clock, std::string server);
    ~CReachabilityProbe();

    // Keeps the port under test; shows a message when the machine has no address.
    void Setup(uint16_t port);
    // -1 when no thread can be made (the verdict is then negative).
    int StartProbe();
    // False while the probe still runs after `timeout`.
    bool WaitDone(std::chrono::milliseconds timeout);
    // After WaitDone: the verdict, whether the address the server saw is one of
    // ours, the round trip and the address the server saw (network byte order).
    void GetResult(int& reachable, int& sameAddress, int& roundTrip, uint32_t& seenAddress);

private:
    int Run();

    IUserInterface& ui_;
    const IClock& clock_;
    std::string server_;
    uint32_t localAddress_ = 0;
    uint16_t port_ = 0;
    uint8_t answer_[kProbeAnswerSize] = {};
    sockaddr_in answerFrom_{};
    SystemTime arrival_{};
    CWorkerThread worker_;
    bool started_ = false;
    int exitCode_ = -1;
};

}  // namespace velorin
