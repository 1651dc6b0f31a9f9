#pragma once
// The fixed pool of 200 visitor sessions: slots, the active list in order of
// acceptance, the per-kind limits and counters. The pool lock guards the slot
// flags and the active list; the limits and counters are atomics, so a
// sign-on counts itself without the lock. Lock order: the pool lock before a
// session's lock, the visitor list lock and the server transfer list lock.
// Session threads never take the pool lock.
#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "fileserver/peer_session.h"

namespace velorin {

class CBrowseRequests;
class CProcessOptions;
class CServerTransferList;
class CShareDatabase;
class CTransferRequests;
class CVisitorList;
class IPointsRequester;
class IServerClock;
struct ActivityCounters;

struct FileServerConfig {
    // Silence that ends a session: no request, and during an upload no byte.
    std::chrono::milliseconds idleTimeout{300000};
    // A download or upload session whose send makes no progress this long ends.
    std::chrono::milliseconds sendStallTimeout{60000};
    // The longest wait for the cache server's answer to a check or a payment.
    std::chrono::milliseconds pointsTimeout{20000};
    // Stack of a session thread: 200 sessions must fit in a few tens of MB.
    size_t sessionStackBytes = 256 * 1024;
};

// What every session of the pool uses; the file server owns it.
struct SessionServices {
    CBrowseRequests& browse;
    CTransferRequests& transfer;
    CShareDatabase& db;
    CProcessOptions& options;
    ActivityCounters& counters;
    CVisitorList& visitors;
    CServerTransferList& transfers;
    IServerClock& clock;
    // The event log (AddStatusLine); may be empty.
    std::function<void(const std::string& text, int kind)> statusLine;
    // Wakes the accept loop when a session's thread has ended; may be empty.
    std::function<void()> sessionEnded;
    FileServerConfig config;
    // Set while the cache link is signed in.
    std::atomic<IPointsRequester*> requester{nullptr};
    // The member value of the account information, sent in every acceptance.
    std::atomic<uint32_t> memberValue{0};
    // Requested when the server stops: cancels the waits for the cache server.
    std::stop_source stop{};
};

class CSessionPool {
public:
    static constexpr size_t kSlotCount = 200;

    explicit CSessionPool(SessionServices& services);
    ~CSessionPool();
    CSessionPool(const CSessionPool&) = delete;
    CSessionPool& operator=(const CSessionPool&) = delete;

    SessionServices& Services() { return services_; }

    // At a start: the limits (negative counts as 0) and every counter 0.
    void Reset(int32_t uploadLimit, int32_t downloadLimit);
    void SetLimits(int32_t uploadLimit, int32_t downloadLimit);

    // A free slot bound to the connected socket and appended to the active list;
    // nothing when all 200 slots are taken (the caller then closes the socket
    // without a word). A signed-on session holds its slot, so 200 signed-on
    // sessions also leave none.
    CPeerSession* Acquire(int descriptor);
    // Gives back a slot whose thread could not be started; closes its socket.
    void Abandon(CPeerSession* session);
    // Every session whose thread has ended: its transfer records lose it, its
    // counters drop, a browse visitor leaves the visitor list, the slot is freed.
    // Returns the sessions reaped.
    std::vector<CPeerSession*> ReapEnded();
    std::vector<CPeerSession*> Active() const;

    // Sign-on: counts a session of the kind; false (nothing counted) when the
    // kind's limit is reached. The test and the increment are one atomic step.
    bool CountDownload();
    bool CountUpload();
    void CountBrowse();

    int32_t ActiveDownloads() const { return activeDownloads_; }
    int32_t ActiveUploads() const { return activeUploads_; }
    int32_t SignedOn() const { return signedOn_; }
    int32_t DownloadLimit() const { return downloadLimit_; }
    int32_t UploadLimit() const { return uploadLimit_; }
    size_t InUse() const;

private:
    void Release(CPeerSession* session);

    SessionServices& services_;
    mutable std::mutex mutex_;
    std::unique_ptr<CPeerSession[]> slots_;
    std::array<bool, kSlotCount> inUse_{};
    std::vector<CPeerSession*> active_;
    std::atomic<int32_t> uploadLimit_{0};
    std::atomic<int32_t> downloadLimit_{0};
    std::atomic<int32_t> activeDownloads_{0};
    std::atomic<int32_t> activeUploads_{0};
    std::atomic<int32_t> signedOn_{0};
};

}  // namespace velorin
