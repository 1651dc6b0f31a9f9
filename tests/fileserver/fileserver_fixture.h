#pragma once
// Shared parts of the file server tests: a session that records what the
// handlers send, a clock that tests move, and a share database over real
// folders in a temporary folder.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data/share_database.h"
#include "fileserver/server_clock.h"
#include "fileserver/visitor_session.h"
#include "support/temp_folder.h"

namespace velorin::test {

class CManualServerClock : public IServerClock {
public:
    uint32_t UnixSeconds() override { return seconds; }
    TimePoint Monotonic() override { return now; }
    void SleepUntil(TimePoint deadline) override;

    uint32_t seconds = 1700000000;
    TimePoint now{};
    // Every sleep wakes this much after its deadline.
    std::chrono::microseconds lateWakeUp{0};
};

class CRecordingSession : public IVisitorSession {
public:
    std::string VisitorId() const override { return id; }
    bool SignedOn() const override { return signedOn; }
    bool Running() const override { return true; }
    bool Send(const Packet& packet) override;
    bool SendRaw(std::string_view bytes) override;
    long ReceiveRaw(char* buffer, size_t size) override;
    int CheckPoints(uint32_t price, const DownloadTickets& tickets) override;
    int CollectPayment(uint32_t price, const DownloadTickets& tickets,
                       PaymentReceipt& receipt) override;

    // The packets of one type, in order.
    std::vector<Packet> OfType(uint16_t type) const;

    std::string id = "visitor";
    bool signedOn = true;
    std::vector<Packet> sent;
    std::string raw;
    // Raw sends fail once this many bytes went out.
    size_t rawLimit = static_cast<size_t>(-1);
    // The visitor's upload bytes, handed out in receives of at most `chunk`.
    void Feed(std::string bytes);
    size_t chunk = 5000;
    std::function<void()> onReceive;
    int checkResult = 0;
    PaymentReceipt receipt;
    std::vector<uint32_t> checkedPrices;
    std::vector<uint32_t> paidPrices;

private:
    std::string incoming_;
    size_t incomingAt_ = 0;
};

class ShareFixture : public ::testing::Test {
protected:
    void SetUp() override;
    // Publishes `local` (a folder of the temporary folder) as `name`; the new
    // folder carries the "[all]" grant 3 unless `everyone` says otherwise.
    void Publish(const std::string& name, const std::string& local, uint32_t everyone = 3);
    void Grant(const std::string& folder, const std::string& user, uint32_t permission);
    std::filesystem::path Local(const std::string& relative) const { return dir / relative; }
    void Write(const std::string& relative, const std::string& bytes);
    // A file of `size` zero bytes that takes no room on the disk.
    void MakeSparse(const std::string& relative, uint64_t size);

    CTempFolder dir;
    CShareDatabase db;
};

}  // namespace velorin::test
