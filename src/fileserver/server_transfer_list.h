#pragma once
// The transfers visitors run against the member's server, current and
// finished, in order of arrival. Session threads update their record during a
// data phase, the accept thread detaches reaped sessions, the user-interface
// thread draws and removes. Each operation takes the list's own lock, and
// never holds it during a file or socket call. Lock order: the pool lock
// before this one.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "data/transfer_state.h"
#include "fileserver/fileserver_messages.h"
#include "fileserver/server_clock.h"

namespace velorin {

class IVisitorSession;

// Record kinds, named from the visitor's side.
inline constexpr uint32_t kServerKindDownload = 2;  // shown as "UP"
inline constexpr uint32_t kServerKindUpload = 1;    // shown as "DN"

struct ServerTransfer {
    uint64_t id = 0;  // stays with the record while it lives
    uint32_t kind = 0;
    uint8_t state = 0;  // a kTransferState value
    std::string visitorId;
    std::string fileName;
    uint64_t startOffset = 0;
    uint64_t moved = 0;
    uint64_t fileSize = 0;
    uint32_t startTime = 0;  // seconds since 1970
    uint32_t lastDisplayTime = 0;
    IVisitorSession* session = nullptr;  // none once the session is reaped
};

// Visitors choose their IDs and file names freely: past this many records the
// oldest finished ones make room, so the list cannot grow without bound.
inline constexpr size_t kMaxServerTransfers = 10000;

class CServerTransferList {
public:
    explicit CServerTransferList(IServerClock& clock, size_t limit = kMaxServerTransfers)
        : clock_(clock), limit_(limit) {}

    void SetOwner(ViewOwner owner);

    // Starts a data phase: every finished record of the same visitor, file,
    // size and kind is reset and the last one returned; without one a record is
    // appended, the oldest finished one dropped when the list is full. A
    // record still transferring keeps its own transfer. Notifies.
    uint64_t Track(const std::string& visitorId, const std::string& fileName, uint32_t kind,
                   uint64_t fileSize, uint64_t startOffset, IVisitorSession* session);
    // A data phase's progress; a record removed meanwhile is left alone.
    void Update(uint64_t id, uint64_t moved, uint8_t state);

    std::optional<ServerTransfer> Find(const std::string& visitorId, const std::string& fileName,
                                       uint64_t fileSize, uint32_t kind) const;
    // Only a record without a session goes.
    bool Remove(uint64_t id);
    // Every record without a session whose state has a bit of `mask`; the count removed.
    size_t RemoveByState(uint8_t mask);
    void Detach(const IVisitorSession* session);
    // True while a record still has the session, that is until it is detached.
    bool Carries(const IVisitorSession* session) const;
    // Posts WM_TRANSFER_CHANGED to the server view.
    void Notify() const;

    std::vector<ServerTransfer> Records() const;
    // For the view's timer: the records, after every transferring one got `now`
    // as its last display time.
    std::vector<ServerTransfer> MarkDisplayed(uint32_t now);
    // The outgoing rate of the server status: over downloads in progress that
    // started 2 seconds ago or earlier, bytes moved / 1024 / whole seconds.
    uint32_t OutgoingKiBps(uint32_t now) const;

private:
    void MakeRoom();

    IServerClock& clock_;
    size_t limit_;
    mutable std::mutex mutex_;
    std::vector<ServerTransfer> records_;
    uint64_t nextId_ = 1;
    ViewOwner owner_;
};

}  // namespace velorin
