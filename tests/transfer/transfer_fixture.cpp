#include "transfer_fixture.h"

#include <arpa/inet.h>

#include <thread>

#include "transfer/transfer_store.h"

namespace velorin::test {

bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 2000 && !condition(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

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
                            [this](const std::string& text, int) {
                                std::lock_guard lock(linesLock_);
                                lines_.push_back(text);
                            },
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

void TransferFixture::StartServer() {
    ASSERT_TRUE(completeList.Open(dir / "completelist.db"));
    Publish("S", "share");
    server = std::make_unique<CFileServer>(FileServerParts{
        db, serverOptions, completeList, serverBalance, serverCounters, SystemServerClock(), {}});
    ASSERT_EQ(server->Open(0), 0);
    ASSERT_EQ(server->Start(6, 6), 0);
    List("A", server->GetPort());
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
        if (entry.fileName == name)
            return entry;
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

std::vector<std::string> TransferFixture::Lines() {
    std::lock_guard lock(linesLock_);
    return lines_;
}

}  // namespace velorin::test
