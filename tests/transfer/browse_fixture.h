#pragma once
// A member's file server on loopback with real shared folders, and this
// member's browse session and server explorer pointed at it. The explorer's
// messages are dispatched by the test's thread; the clock moves when told.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/process_options.h"
#include "data/complete_list.h"
#include "fileserver/activity_counters.h"
#include "fileserver/file_server.h"
#include "fileserver/fileserver_fixture.h"
#include "fileserver/point_balance.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "service/server_list.h"
#include "support/recording_ui.h"
#include "transfer/browse_session.h"
#include "transfer/server_explorer.h"
#include "transfer/transfer_manager.h"

namespace velorin::test {

inline constexpr const char* kHost = "host";
inline constexpr const char* kMe = "me";

class BrowseFixture : public ShareFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Lists the server as `kHost` in the server list at `port`.
    void ListHost(uint16_t port);

    // Dispatches the explorer's messages until `done`; false after 5 s.
    template <typename Done>
    bool WaitFor(Done done) {
        for (int i = 0; i < 500 && !done(); ++i) Dispatch();
        return done();
    }
    void Dispatch();
    // Everything asked so far is answered and in the explorer.
    bool Sync();
    // Browses `kHost` at `startPath` and waits for the walk's listings.
    bool Browse(const std::string& startPath = "\\");
    // Waits for the current session's worker to end.
    bool Ended();
    // Event log lines as "kind text".
    std::vector<std::string> Lines();
    std::vector<std::string> RowNames() const;
    // The index of the row named `name` (past the end when there is none).
    size_t RowOf(const std::string& name) const;
    // `kHost`'s entries in the transfer list as "FileName|VirDirName|FileSize", sorted.
    std::vector<std::string> Reserved();

    CRegistry registry;
    CProcessOptions options;
    CCompleteList completeList;
    CPointBalance balance;
    ActivityCounters counters;
    std::unique_ptr<CFileServer> server;
    uint16_t port = 0;

    CMessageQueue queue;
    CManualClock clock{1700000000};
    CRecordingUserInterface ui;
    CServerList servers;
    std::atomic<bool> serverRunning{true};
    std::atomic<uint32_t> age{30};
    PieceTest restrictedPiece = IsRestrictedTransferPiece;
    std::recursive_mutex storeLock;
    std::unique_ptr<CTransferManager> transfers;
    std::unique_ptr<CBrowseSession> session;
    std::unique_ptr<CServerExplorer> explorer;

private:
    std::mutex linesLock_;
    std::vector<std::string> lines_;
};

}  // namespace velorin::test
