#pragma once
// The central service's reachability responder, in the test process: it
// listens on UDP port 7296 of a loopback address of its own (127.0.0.0/8 all
// reaches this machine), so tests running side by side never meet.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velorin::test {

class CProbeResponder {
public:
    enum class Mode { kAnswer, kSilent };

    explicit CProbeResponder(Mode mode = Mode::kAnswer);
    ~CProbeResponder();
    CProbeResponder(const CProbeResponder&) = delete;
    CProbeResponder& operator=(const CProbeResponder&) = delete;

    bool Ok() const { return fd_ >= 0; }
    // "127.0.0.n": what the client takes as the central address.
    const std::string& Address() const { return address_; }
    // Datagrams sent to the port under test ahead of each proper answer.
    void SendFirst(std::vector<std::string> datagrams) { first_ = std::move(datagrams); }
    // Runs before each answer (a test moves its clock here).
    void BeforeAnswer(std::function<void()> hook) { beforeAnswer_ = std::move(hook); }
    // The valid requests seen so far and the last port under test.
    int Requests() const { return requests_; }
    uint16_t LastPortUnderTest() const { return lastPort_; }

private:
    void Serve();

    Mode mode_;
    int fd_ = -1;
    std::string address_;
    std::vector<std::string> first_;
    std::function<void()> beforeAnswer_;
    std::atomic<int> requests_{0};
    std::atomic<uint16_t> lastPort_{0};
    std::thread thread_;
};

}  // namespace velorin::test
