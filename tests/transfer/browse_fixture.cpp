#include "browse_fixture.h"

#include <arpa/inet.h>

#include "fileserver/server_clock.h"

namespace velorin::test {

void BrowseFixture::SetUp() {
    ShareFixture::SetUp();
    ASSERT_TRUE(registry.Open(dir / "registry.db"));
    ASSERT_TRUE(completeList.Open(dir / "completelist.db"));
    server = std::make_unique<CFileServer>(FileServerParts{
        db, options, completeList, balance, counters, SystemServerClock(), {}});
    ASSERT_EQ(server->Open(0), 0);
    ASSERT_EQ(server->Start(6, 6), 0);
    port = server->GetPort();
    ListHost(port);

    auto log = [this](const std::string& text, int kind) {
        std::lock_guard lock(linesLock_);
        lines_.push_back(std::to_string(kind) + " " + text);
    };
    std::filesystem::create_directories(dir / "downloads");
    options.SetDownloadPath((dir / "downloads").string());
    transfers = std::make_unique<CTransferManager>(TransferListParts{
        options, balance, counters, servers, serverRunning, SystemServerClock(), ui, storeLock, log,
        [] { return TransferIdentity{kMe, "", 30}; }, [] {}, "127.0.0.1"});
    ASSERT_TRUE(transfers->OpenTransferStore(dir / "rtfl.db"));
    session = std::make_unique<CBrowseSession>(BrowseSessionParts{clock, registry, log});
    explorer = std::make_unique<CServerExplorer>(ServerExplorerParts{
        .queue = queue,
        .session = *session,
        .ui = ui,
        .servers = servers,
        .registry = registry,
        .serverRunning = serverRunning,
        .memberAge = age,
        .ownId = [] { return std::string(kMe); },
        .downloadFolder = [this] { return (dir / "downloads").string(); },
        .statusLine = log,
        .startSignIn = [this] { ui.ShowSignInDialog(); },
        .reserveDownload =
            [this](const std::string& id, const std::string& folder, const std::string& file,
                   uint64_t size, uint32_t address, uint16_t hostPort) {
                return !transfers->ReserveDownload(id, folder, file, size, address, hostPort);
            },
        .reserveUpload =
            [this](const std::string& id, const std::string& folder, const std::string& file,
                   uint64_t size, uint32_t address, uint16_t hostPort) {
                return !transfers->ReserveUpload(id, folder, file, size, address, hostPort);
            },
        .restrictedPiece = [this](std::string_view piece) { return restrictedPiece(piece); },
    });
    session->SetWindows(&queue, explorer->Handle(), 0);
}

void BrowseFixture::TearDown() {
    transfers->HaltAll();
    session->Stop();
    explorer.reset();
    server->Stop();
}

void BrowseFixture::ListHost(uint16_t hostPort) {
    servers.ClearAll();
    ServerRecord record;
    record.userId = kHost;
    record.address = htonl(INADDR_LOOPBACK);
    record.tcpPort = htons(hostPort);
    servers.AddRecord(record);
}

void BrowseFixture::Dispatch() { queue.DispatchOne(explorer->Handle(), std::chrono::milliseconds(10)); }

bool BrowseFixture::Sync() {
    uint64_t ticket = explorer->RequestSync();
    return ticket > 0 && WaitFor([&] { return explorer->InfoAnswered() >= ticket; });
}

bool BrowseFixture::Browse(const std::string& startPath) {
    uint64_t before = explorer->Sessions();
    if (explorer->Connect(kHost, startPath)) return false;
    return WaitFor([&] {
               return explorer->Sessions() > before && (explorer->SignedOn() || !explorer->Connected());
           }) &&
           explorer->SignedOn() && Sync();
}

bool BrowseFixture::Ended() {
    return WaitFor([&] { return explorer->Sessions() > 0 && !explorer->Connected(); });
}

std::vector<std::string> BrowseFixture::Lines() {
    std::lock_guard lock(linesLock_);
    return lines_;
}

std::vector<std::string> BrowseFixture::RowNames() const {
    std::vector<std::string> names;
    for (const ExplorerRow& row : explorer->Rows()) names.push_back(row.name);
    return names;
}

size_t BrowseFixture::RowOf(const std::string& name) const {
    const auto& rows = explorer->Rows();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].name == name) return i;
    }
    return rows.size();
}

std::vector<std::string> BrowseFixture::Reserved() {
    std::vector<std::string> out;
    for (const TransferSnapshot& entry : transfers->Snapshot(kHost)) {
        out.push_back(entry.fileName + "|" + entry.virDirName + "|" + std::to_string(entry.fileSize));
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace velorin::test
