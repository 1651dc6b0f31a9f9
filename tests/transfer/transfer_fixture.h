#pragma once
// A member's transfer list in a temporary profile, the real file server of
// another member on loopback, and peers that a test scripts when a server must
// misbehave on purpose.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "data/complete_list.h"
#include "data/process_options.h"
#include "fileserver/activity_counters.h"
#include "fileserver/file_server.h"
#include "fileserver/fileserver_fixture.h"
#include "fileserver/point_balance.h"
#include "fileserver/server_clock.h"
#include "platform/person_lock.h"
#include "service/server_list.h"
#include "support/eventually.h"
#include "support/recording_ui.h"
#include "transfer/transfer_manager.h"

namespace velorin::test {

// Sleeps return at once; calendar seconds move only when told.
class CInstantClock : public IServerClock {
public:
    uint32_t UnixSeconds() override { return seconds; }
    TimePoint Monotonic() override { return std::chrono::steady_clock::now(); }
    void SleepUntil(TimePoint) override {}
    std::atomic<uint32_t> seconds{1700000000};
};

class TransferFixture : public ShareFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // The real file server of member `id`, listed in the server list.
    void StartServer(const std::string& id = "A");
    // Lists `id` at 127.0.0.1:`port`.
    void List(const std::string& id, uint16_t port);
    static uint32_t Loopback();
    static uint16_t Port(uint16_t hostOrder);

    std::optional<TransferSnapshot> Entry(const std::string& id, const std::string& name);
    // Waits until the entry's state is one of `mask`.
    bool WaitState(const std::string& id, const std::string& name, uint8_t mask);
    std::vector<TransferRow> Rows();
    // Event-log texts; with their kinds as "kind text".
    std::vector<std::string> Lines();
    std::vector<std::string> KindLines();
    void AddLine(const std::string& text, int kind);
    std::string Downloaded(const std::string& relative) { return ReadFile(downloads / relative); }

    // The downloading member's side.
    std::filesystem::path downloads;
    CProcessOptions options;
    CPointBalance balance;
    ActivityCounters counters;
    CServerList servers;
    std::atomic<bool> signedIn{true};
    CInstantClock clock;
    CRecordingUserInterface ui;
    CPersonRecursiveMutex storeLock;
    std::atomic<uint32_t> age{30};
    std::atomic<int> balanceRequests{0};
    uint16_t ticketPort = 1;
    std::unique_ptr<CTransferManager> manager;

    // Member A's file server.
    CProcessOptions serverOptions;
    CCompleteList completeList;
    CPointBalance serverBalance;
    ActivityCounters serverCounters;
    std::unique_ptr<CFileServer> server;
    uint16_t serverPort = 0;

private:
    std::mutex linesLock_;
    std::vector<std::pair<int, std::string>> lines_;
};

}  // namespace velorin::test
