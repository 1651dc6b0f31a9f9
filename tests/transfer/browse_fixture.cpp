#include "browse_fixture.h"

namespace velorin::test {

void BrowseFixture::SetUp() {
    TransferFixture::SetUp();
    ASSERT_TRUE(registry.Open(dir / "registry.db"));
    StartServer(kHost);
    auto log = [this](const std::string& text, int kind) { AddLine(text, kind); };
    session = std::make_unique<CBrowseSession>(BrowseSessionParts{sessionClock, registry, log});
    explorer = std::make_unique<CServerExplorer>(ServerExplorerParts{
        .queue = queue,
        .session = *session,
        .ui = ui,
        .servers = servers,
        .registry = registry,
        .serverRunning = signedIn,
        .memberAge = age,
        .ownId = [] { return std::string(kMe); },
        .downloadFolder = [this] { return downloads.string(); },
        .statusLine = log,
        .startSignIn = [this] { ui.ShowSignInDialog(); },
        .reserveDownload =
            [this](const std::string& id, const std::string& folder, const std::string& file,
                   uint64_t size, uint32_t address, uint16_t hostPort) {
                return manager->ReserveDownload(id, folder, file, size, address, hostPort);
            },
        .reserveUpload =
            [this](const std::string& id, const std::string& folder, const std::string& file,
                   uint64_t size, uint32_t address, uint16_t hostPort) {
                return manager->ReserveUpload(id, folder, file, size, address, hostPort);
            },
        .restrictedPiece = [this](std::string_view piece) { return restrictedPiece(piece); },
    });
    session->SetWindows(&queue, explorer->Handle(), 0);
}

void BrowseFixture::TearDown() {
    manager->HaltAll();
    session->Stop();
    explorer.reset();
    TransferFixture::TearDown();
}

void BrowseFixture::ListHost(uint16_t hostPort) {
    servers.ClearAll();
    List(kHost, hostPort);
}

void BrowseFixture::Dispatch() {
    queue.DispatchOne(explorer->Handle(), std::chrono::milliseconds(10));
}

bool BrowseFixture::Sync() {
    uint64_t ticket = explorer->RequestSync();
    return ticket > 0 && WaitFor([&] { return explorer->InfoAnswered() >= ticket; });
}

bool BrowseFixture::Browse(const std::string& startPath) {
    uint64_t before = explorer->Sessions();
    if (explorer->Connect(kHost, startPath)) return false;
    return WaitFor([&] {
               return explorer->Sessions() > before &&
                      (explorer->SignedOn() || !explorer->Connected());
           }) &&
           explorer->SignedOn() && Sync();
}

bool BrowseFixture::Ended() {
    return WaitFor([&] { return explorer->Sessions() > 0 && !explorer->Connected(); });
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
    for (const TransferSnapshot& entry : manager->Snapshot(kHost)) {
        out.push_back(entry.fileName + "|" + entry.virDirName + "|" +
                      std::to_string(entry.fileSize));
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace velorin::test
