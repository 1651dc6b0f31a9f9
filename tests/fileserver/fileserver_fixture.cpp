#include <gtest/gtest.h>

#include "fileserver_fixture.h"

namespace velorin::test {

void CManualServerClock::SleepUntil(TimePoint deadline) {
    if (deadline > now) now = deadline;
    now += lateWakeUp;
}

bool CRecordingSession::Send(const Packet& packet) {
    sent.push_back(packet);
    return true;
}

bool CRecordingSession::SendRaw(std::string_view bytes) {
    if (raw.size() + bytes.size() > rawLimit) return false;
    raw.append(bytes);
    return true;
}

long CRecordingSession::ReceiveRaw(char* buffer, size_t size) {
    if (onReceive) onReceive();
    size_t n = std::min({size, chunk, incoming_.size() - incomingAt_});
    incoming_.copy(buffer, n, incomingAt_);
    incomingAt_ += n;
    return static_cast<long>(n);
}

void CRecordingSession::Feed(std::string bytes) {
    incoming_ = std::move(bytes);
    incomingAt_ = 0;
}

int CRecordingSession::CheckPoints(uint32_t price, const DownloadTickets&) {
    checkedPrices.push_back(price);
    return checkResult;
}

int CRecordingSession::CollectPayment(uint32_t price, const DownloadTickets&, PaymentReceipt& out) {
    paidPrices.push_back(price);
    out = receipt;
    return 0;
}

std::vector<Packet> CRecordingSession::OfType(uint16_t type) const {
    std::vector<Packet> out;
    for (const Packet& p : sent) {
        if (p.type == type) out.push_back(p);
    }
    return out;
}

void ShareFixture::SetUp() {
    ASSERT_TRUE(CShareDatabase::CreateFile(dir / "velorin.dat"));
    ASSERT_TRUE(db.Open(dir / "velorin.dat"));
}

void ShareFixture::Publish(const std::string& name, const std::string& local, uint32_t everyone) {
    std::filesystem::create_directories(dir / local);
    bool exists = false;
    ASSERT_TRUE(db.AddShareFolder(exists, name, (dir / local).string(), name + " 설명"));
    if (everyone != 3) {
        ASSERT_TRUE(db.UpdatePermission(name, "[all]", "[all]", "", everyone));
    }
}

void ShareFixture::Grant(const std::string& folder, const std::string& user, uint32_t permission) {
    bool exists = false;
    ASSERT_TRUE(db.AddPermission(exists, folder, user, permission, ""));
}

void ShareFixture::Write(const std::string& relative, const std::string& bytes) {
    std::filesystem::create_directories((dir / relative).parent_path());
    WriteFile(dir / relative, bytes);
}

void ShareFixture::MakeSparse(const std::string& relative, uint64_t size) {
    Write(relative, "");
    std::filesystem::resize_file(dir / relative, size);
}

}  // namespace velorin::test
