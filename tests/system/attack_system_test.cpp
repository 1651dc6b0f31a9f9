// A visitor that speaks the wire itself tries to take a priced file for
// free from a real velorind, settled by a real velorin-central.
#include <signal.h>

#include <gtest/gtest.h>

#include "fileserver/peer_messages.h"
#include "platform/sqlite_database.h"
#include "service/ticket_messages.h"
#include "support/eventually.h"
#include "support/loopback.h"
#include "support/wire_link.h"
#include "system_fixture.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr uint64_t kMiB = 1048576;
constexpr uint64_t kFileSize = 12 * kMiB;
constexpr uint32_t kWholePrice = 12 * 8;
constexpr const char* kPath = "\\seller-shared\\big.bin";

class AttackSystem : public test::SystemFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(AddMember("seller", "seller-pw", 10));
        ASSERT_TRUE(AddMember("buyer", "buyer-pw", 1000));
        ASSERT_TRUE(StartCentral(true));
        fs::create_directories(dir / "seller-shared");
        test::WriteFile(dir / "seller-shared/big.bin", std::string(kFileSize, 'x'));
        port = test::FreeUdpPort();
        seller = StartMember("seller", "seller-pw", port);
        ASSERT_TRUE(seller->WaitForOutput(test::kOnline, 20s)) << seller->Output();
    }
    void TearDown() override {
        if (seller) seller->Signal(SIGTERM);
        if (seller) seller->Wait(10s);
    }

    TicketAnswer BuyTicket(uint32_t points) {
        test::CWireLink link;
        TicketAnswer answer{99, 0, 0, 0};
        std::optional<Packet> reply;
        if (link.Connect(address, kTicketPort) &&
            link.Send(kTicketRequest, EncodeTicketRequest({"buyer", MakePasswordField("buyer-pw"),
                                                           "seller", points})) &&
            (reply = link.ReceiveType(kTicketAnswer))) {
            DecodeTicketAnswer(reply->payload, answer);
        }
        return answer;
    }
    // Signs on as the buyer and asks for the file from `offset`: the answer's
    // code, and after 0 the link stays open for the bytes.
    int8_t AskForPiece(test::CWireLink& link, const TicketAnswer& ticket, uint64_t offset) {
        std::optional<Packet> reply;
        int8_t code = 99;
        if (!link.Connect("127.0.0.1", port) ||
            !link.Send(PEER_SIGNON, EncodeSignOn({"buyer", kVisitorDownload}).payload) ||
            !(reply = link.ReceiveType(PEER_SIGNON_ANS))) {
            return code;
        }
        Packet request = EncodeDownloadRequest(
            {{ticket.ticket1, ticket.ticket2, ticket.ticket3}, offset, kPath});
        if (link.Send(request.type, request.payload) &&
            (reply = link.ReceiveType(PEER_DOWNLOAD_ANS, 30s))) {
            DecodeDownloadAnswer(reply->payload, code);
        }
        return code;
    }
    // The buyer's points and what its unsettled tickets hold, from central.db.
    std::pair<int64_t, int64_t> BuyerPoints() {
        CSqliteDatabase db;
        std::pair<int64_t, int64_t> points{-1, -1};
        if (!db.Open(Db(), CSqliteDatabase::Mode::kReadWriteExisting)) return points;
        db.Query(
            "SELECT points, (SELECT coalesce(sum(reserved), 0) FROM ticket "
            "WHERE buyer = 'buyer') FROM member WHERE id = 'buyer'",
            [&](const SqlRow& row) {
                if (row.size() == 2 && row[0] && row[1]) {
                    points = {std::stoll(*row[0]), std::stoll(*row[1])};
                }
                return true;
            });
        return points;
    }

    uint16_t port = 0;
    std::unique_ptr<test::CChildProcess> seller;
};

TEST_F(AttackSystem, AFreePieceCostsATicketWhoseReservationReturnsWhenThePieceEnds) {
    // Slowed, so that the visitor can hang up after a quarter of a mebibyte.
    ASSERT_EQ(Send("seller", {"limit", "10"}).exitCode, 0);
    TicketAnswer ticket = BuyTicket(kWholePrice);
    ASSERT_EQ(ticket.code, kTicketIssued);
    EXPECT_EQ(BuyerPoints(), std::make_pair(int64_t{1000} - kWholePrice, int64_t{kWholePrice}));
    {
        test::CWireLink piece;
        ASSERT_EQ(AskForPiece(piece, ticket, 0), kAnswerOk);
        std::string bytes;
        while (bytes.size() < kMiB / 4) {
            std::string more = piece.ReadToEnd(200ms);
            if (more.empty()) break;
            bytes += more;
        }
        ASSERT_GE(bytes.size(), kMiB / 4);
        // While the piece runs, its ticket opens no second one.
        test::CWireLink beside;
        EXPECT_EQ(AskForPiece(beside, ticket, kMiB / 4), kTransferNoPayment);
        // Then the visitor hangs up: under 1 MiB moved is free.
    }
    // The seller settles the piece with 0 points: the reservation comes back.
    EXPECT_TRUE(test::Eventually(
        [&] { return BuyerPoints() == std::make_pair(int64_t{1000}, int64_t{0}); }, 30s))
        << BuyerPoints().first << " " << BuyerPoints().second;
    test::CWireLink again;
    EXPECT_EQ(AskForPiece(again, ticket, kMiB / 4), kTransferNoPayment);

    // A fresh ticket still buys the rest, and the seller is paid for it.
    ASSERT_EQ(Send("seller", {"limit", "0"}).exitCode, 0);
    TicketAnswer rest = BuyTicket((kFileSize - kMiB / 4) / kMiB * 8);
    ASSERT_EQ(rest.code, kTicketIssued);
    test::CWireLink whole;
    ASSERT_EQ(AskForPiece(whole, rest, kMiB / 4), kAnswerOk);
    EXPECT_EQ(whole.ReadToEnd(60s).size(), kFileSize - kMiB / 4);
    EXPECT_TRUE(seller->WaitForOutput("\"buyer\"(으)로 부터 88포인트를 받았습니다.", 30s))
        << seller->Output();
    EXPECT_TRUE(test::Eventually(
        [&] { return BuyerPoints() == std::make_pair(int64_t{1000 - 88}, int64_t{0}); }, 30s));
}

}  // namespace
}  // namespace velorin
