#pragma once
// The member's own search: one query datagram to the search robot of every
// sharing member in the server list, paced, while the answers are gathered;
// then a second of collecting the late ones. The searcher's thread reports to
// a sink and touches nothing else but its socket and the list's lock.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "fileserver/search_datagram.h"
#include "net/udp_socket.h"
#include "net/worker_thread.h"
#include "platform/local_time.h"
#include "platform/message_queue.h"

namespace velorin {

class CServerList;

// Called on the searcher's thread, in this order: begun, then answers and
// progress, then ended (also after a stop).
class ISearchSink {
public:
    virtual ~ISearchSink() = default;
    virtual void SearchBegun() = 0;
    virtual void SearchProgress(int percent) = 0;
    // An answer whose round trip (ms) is not negative.
    virtual void SearchAnswered(const SearchAnswer& answer, int64_t responseMs) = 0;
    virtual void SearchEnded() = 0;
};

class CFileSearcher {
public:
    static constexpr std::chrono::milliseconds kSendPause{5};
    static constexpr int kCollectPasses = 1000;
    static constexpr std::chrono::milliseconds kCollectPass{1};
    // Sending ends once more answers than this have arrived.
    static constexpr uint32_t kAnswerCutOff = 8000;
    static constexpr size_t kReceiveBuffer = 832;

    using UtcClock = std::function<SystemTime()>;

    CFileSearcher(CServerList& servers, ISearchSink& sink, UtcClock clock = UtcNow);
    ~CFileSearcher();
    CFileSearcher(const CFileSearcher&) = delete;
    CFileSearcher& operator=(const CFileSearcher&) = delete;

    // Stops a running search, then searches for `term` (words separated by
    // blanks) with `ext` (empty: any). False when the term is empty or longer
    // than 260 CP949 bytes, the extension longer than 256, or no socket opens.
    bool Start(const std::string& term, const std::string& ext);
    // Ends the search at once; the thread is waited for while `mainWindow`'s
    // messages are dispatched. Harmless when idle.
    void Stop(CMessageQueue* queue = nullptr, WindowHandle mainWindow = 0);
    bool Running() const { return worker_.Running(); }

    // Tests and benches shorten the collect phase.
    void SetCollectPasses(int passes) { collectPasses_ = passes; }

    // Of the last search: queries sent, answers taken, datagrams dropped as malformed.
    uint32_t Sent() const { return sent_; }
    uint32_t Answers() const { return answers_; }
    uint32_t Dropped() const { return dropped_; }

private:
    int Run();
    // False once every record of both channels has been passed.
    bool SendNext();
    // Takes every answer that arrives until `deadline`.
    void Collect(std::chrono::steady_clock::time_point deadline);
    void Handle(const char* data, size_t size);
    void Report(int percent);

    CServerList& servers_;
    ISearchSink& sink_;
    UtcClock clock_;
    CUdpSocket socket_;
    CWorkerThread worker_;
    SearchQuery query_;
    int channel_ = 0;
    size_t index_ = 0;
    size_t passed_ = 0;
    int progress_ = -1;
    int collectPasses_ = kCollectPasses;
    std::atomic<uint32_t> sent_{0};
    std::atomic<uint32_t> answers_{0};
    std::atomic<uint32_t> dropped_{0};
};

}  // namespace velorin
