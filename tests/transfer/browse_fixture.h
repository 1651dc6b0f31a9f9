#pragma once
// This member's browse session and server explorer pointed at another
// member's real file server, listed as `kHost`. The explorer's messages are
// dispatched by the test's thread; the session's clock moves when told.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/registry.h"
#include "transfer/browse_session.h"
#include "transfer_fixture.h"
#include "views/server_explorer.h"

namespace velorin::test {

inline constexpr const char* kHost = "host";
inline constexpr const char* kMe = "me";

class BrowseFixture : public TransferFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Lists the server as `kHost` (alone) in the server list at `port`.
    void ListHost(uint16_t hostPort);

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
    std::vector<std::string> RowNames() const;
    // The index of the row named `name` (past the end when there is none).
    size_t RowOf(const std::string& name) const;
    // `kHost`'s entries in the transfer list as "FileName|VirDirName|FileSize", sorted.
    std::vector<std::string> Reserved();

    CRegistry registry;
    CMessageQueue queue;
    CManualClock sessionClock{1700000000};
    PieceTest restrictedPiece = [](std::string_view) { return false; };
    std::unique_ptr<CBrowseSession> session;
    std::unique_ptr<CServerExplorer> explorer;
};

}  // namespace velorin::test
