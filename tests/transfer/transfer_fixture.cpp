#include "transfer_fixture.h"

#include <arpa/inet.h>

#include "transfer/transfer_store.h"

namespace velorin::test {

void TransferFixture::SetUp() {
    ShareFixture::SetUp();
    downloads = dir / "dl";
    std::filesystem::create_directories(downloads);
    options.SetDownloadPath(downloads.string());
    TransferListParts parts{options,
                            balance,
                            counters,
                            servers,
                            signedIn,
                            clock,
                            ui,
                            storeLock,
                            [this](const std::string& text, int kind) { AddLine(text, kind); },
                            [this] {
                                return TransferIdentity{"me", "secret", age.load()};
                            },
                            [this] { ++balanceRequests; },
                            "127.0.0.1",
                            ticketPort};
    manager = std::make_unique<CTransferManager>(std::move(parts));
    ASSERT_TRUE(manager->OpenTransferStore(dir / "rtfl.db"));
}

void TransferFixture::TearDown() {
    manager.reset();
    server.reset();
}

void TransferFixture::StartServer(const std::string& id) {
    ASSERT_TRUE(completeList.Open(dir / "completelist.db"));
    server = std::make_unique<CFileServer>(FileServerParts{
        db, serverOptions, completeList, serverBalance, serverCounters, SystemServerClock(), {}});
    ASSERT_EQ(server->Open(0), 0);
    ASSERT_EQ(server->Start(6, 6), 0);
    serverPort = server->GetPort();
    List(id, serverPort);
}

void TransferFixture::List(const std::string& id, uint16_t port) {
    ServerRecord record;
    record.userId = id;
    record.address = Loopback();
    record.tcpPort = Port(port);
    ASSERT_TRUE(servers.AddRecord(record));
}

uint32_t TransferFixture::Loopback() {
    return inet_addr("127.0.0.1");
}
uint16_t TransferFixture::Port(uint16_t hostOrder) {
    return htons(hostOrder);
}

std::optional<TransferSnapshot> TransferFixture::Entry(const std::string& id,
                                                       const std::string& name) {
    for (const TransferSnapshot& entry : manager->Snapshot(id)) {
        if (entry.fileName == name) return entry;
    }
    return std::nullopt;
}

bool TransferFixture::WaitState(const std::string& id, const std::string& name, uint8_t mask) {
    return Eventually([&] {
        std::optional<TransferSnapshot> entry = Entry(id, name);
        return entry && (entry->state & mask) != 0;
    });
}

std::vector<TransferRow> TransferFixture::Rows() {
    std::vector<TransferRow> rows;
    manager->Context().store.LoadRows(rows);
    return rows;
}

void TransferFixture::AddLine(const std::string& text, int kind) {
    std::lock_guard lock(linesLock_);
    lines_.push_back({kind, text});
}

std::vector<std::string> TransferFixture::Lines() {
    std::lock_guard lock(linesLock_);
    std::vector<std::string> texts;
    for (const auto& [kind, text] : lines_) texts.push_back(text);
    return texts;
}

std::vector<std::string> TransferFixture::KindLines() {
    std::lock_guard lock(linesLock_);
    std::vector<std::string> lines;
    for (const auto& [kind, text] : lines_) lines.push_back(std::to_string(kind) + " " + text);
    return lines;
}

}  // namespace velorin::test
