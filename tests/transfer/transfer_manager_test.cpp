#include "transfer/transfer_manager.h"

#include <gtest/gtest.h>

#include <random>

#include "fileserver/peer_messages.h"
#include "net/payload.h"
#include "service/ticket_messages.h"
#include "support/scripted_server.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_texts.h"
#include "transfer_fixture.h"

namespace velorin {
namespace {

using test::ReadFile;
using test::WriteFile;
namespace text = transfer_text;

std::string RandomBytes(size_t size) {
    std::mt19937 random(static_cast<uint32_t>(size));
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

class TransferList : public test::TransferFixture {
protected:
    // Member P's server is a peer the test plays.
    void Script() {
        ASSERT_TRUE(peer.Listen("127.0.0.1", 0));
        List("P", peer.Port());
    }
    TransferRefusal Download(const std::string& id, const std::string& name, uint64_t size,
                             uint16_t port = 0) {
        ServerRecord record;
        servers.FindById(id, record);
        return manager->ReserveDownload(id, "\\S", name, size, Loopback(),
                                        port ? Port(port) : record.tcpPort);
    }
    // Accepts the next connection and its sign-on, answering `code`.
    void SignOn(int8_t code = 0) {
        ASSERT_TRUE(peer.Accept());
        std::optional<Packet> signOn = peer.ReceiveType(PEER_SIGNON);
        ASSERT_TRUE(signOn);
        SignOnRequest request;
        ASSERT_TRUE(DecodeSignOn(signOn->payload, request));
        EXPECT_EQ(request.userId, "me");
        peer.Send(PEER_SIGNON_ANS, EncodeSignOnAnswer({code, 0, {}}).payload);
    }
    // Answers the file information with `payload`, then expects the download request.
    std::optional<DownloadRequest> FileInfo(const std::string& payload) {
        if (!peer.ReceiveType(PEER_FILE_INFO)) return std::nullopt;
        peer.Send(PEER_FILE_INFO_ANS, payload);
        std::optional<Packet> request = peer.ReceiveType(PEER_DOWNLOAD);
        DownloadRequest decoded;
        if (!request || DecodeDownloadRequest(request->payload, decoded) != DecodeStatus::kOk) {
            return std::nullopt;
        }
        return decoded;
    }
    static std::string Info(uint64_t size, std::optional<uint32_t> rights = std::nullopt) {
        CPayloadWriter w;
        w.I8(0).U64(size);
        if (rights) w.U32(*rights);
        return w.Take();
    }
    std::string Message(const std::string& id, const std::string& name) {
        std::optional<TransferSnapshot> entry = Entry(id, name);
        return entry ? entry->message : "(none)";
    }

    test::CScriptedServer peer;
};

TEST_F(TransferList, DownloadAndUploadAgainstTheRealServer) {
    Publish("S", "share");
    StartServer();
    std::string content = RandomBytes(300000);
    Write("share/a.bin", content);
    // Half of it already here from an earlier attempt.
    WriteFile(downloads / "_velorin_a.bin", content.substr(0, 150000));
    options.ContinueRecv = 2;
    ASSERT_FALSE(Download("A", "a.bin", content.size()));
    EXPECT_EQ(Entry("A", "a.bin")->resumeOffset, 150000u);
    ASSERT_TRUE(WaitState("A", "a.bin", kTransferStateCompleted));
    EXPECT_TRUE(Downloaded("a.bin") == content);
    EXPECT_FALSE(std::filesystem::exists(downloads / "_velorin_a.bin"));
    EXPECT_EQ(Message("A", "a.bin"), "완료");
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(counters.downloads, 0u);

    Grant("S", "me", 7);
    std::string upload = RandomBytes(70000);
    WriteFile(dir / "up.bin", upload);
    ServerRecord record;
    servers.FindById("A", record);
    ASSERT_FALSE(manager->ReserveUpload("A", "\\S", (dir / "up.bin").string(), upload.size(),
                                        Loopback(), record.tcpPort));
    ASSERT_TRUE(WaitState("A", (dir / "up.bin").string(), kTransferStateCompleted));
    // The server may still be writing the last block the client sent.
    EXPECT_TRUE(test::Eventually([&] { return ReadFile(dir / "share/up.bin") == upload; }));
    EXPECT_EQ(counters.uploads, 0u);

    // Into a folder the server does not publish: its refusal is the entry's text.
    ASSERT_FALSE(manager->ReserveUpload("A", "\\T", (dir / "up.bin").string(), upload.size(),
                                        Loopback(), record.tcpPort));
    ASSERT_TRUE(WaitState("A", (dir / "up.bin").string(), kTransferStateFailed));
    EXPECT_EQ(Message("A", (dir / "up.bin").string()), CutMessage(text::kInvalidPath));
}

TEST_F(TransferList, RefusalsFailOnlyTheirEntryAndTheAdultCheckNeedsThirteenBytes) {
    Script();
    age = 15;
    for (const char* name : {"one", "two", "three"}) ASSERT_FALSE(Download("P", name, 3));
    SignOn(kSignOnServerFull);
    ASSERT_TRUE(WaitState("P", "one", kTransferStateFailed));
    EXPECT_EQ(Message("P", "one"), CutMessage(text::kServerFull));

    SignOn();
    std::optional<DownloadRequest> request = FileInfo(Info(3));  // 9 bytes: no rights
    ASSERT_TRUE(request);
    EXPECT_EQ(request->path, "\\S\\two");
    EXPECT_EQ(request->offset, 0u);
    EXPECT_EQ(request->tickets.ticket1, 0u);
    peer.Send(PEER_DOWNLOAD_ANS, EncodeDownloadAnswer(0).payload);
    peer.SendRaw("xyz");
    ASSERT_TRUE(WaitState("P", "two", kTransferStateCompleted));
    EXPECT_EQ(Downloaded("two"), "xyz");

    SignOn();
    ASSERT_TRUE(peer.ReceiveType(PEER_FILE_INFO));
    peer.Send(PEER_FILE_INFO_ANS, Info(3, 8));
    ASSERT_TRUE(WaitState("P", "three", kTransferStateFailed));
    EXPECT_EQ(Message("P", "three"), text::kAdultFolder);
    ASSERT_TRUE(test::Eventually([&] { return Lines().size() == 3; }));
    EXPECT_EQ(Lines()[0], text::kServerFull);
    EXPECT_EQ(Lines()[2], text::kAdultFolder);
}

TEST_F(TransferList, OnlyFilesAbove10MiBBuyATicketForTheRemainingMebibytes) {
    Script();
    test::CScriptedServer cache;
    ASSERT_TRUE(cache.Listen("127.0.0.1", 0));
    manager->Context().parts.ticketPort = cache.Port();
    ASSERT_FALSE(Download("P", "ten", 10485760));
    ASSERT_FALSE(Download("P", "more", 10485761));

    SignOn();
    std::optional<DownloadRequest> free = FileInfo(Info(10485760, 0));
    ASSERT_TRUE(free);
    EXPECT_EQ(free->tickets.ticket3, 0u);
    peer.Send(PEER_DOWNLOAD_ANS, EncodeDownloadAnswer(kTransferNoPayment).payload);
    ASSERT_TRUE(WaitState("P", "ten", kTransferStateFailed));
    EXPECT_EQ(Message("P", "ten"), text::kNotPaid);

    SignOn();
    ASSERT_TRUE(peer.ReceiveType(PEER_FILE_INFO));
    peer.Send(PEER_FILE_INFO_ANS, Info(10485761, 0));
    ASSERT_TRUE(cache.Accept());
    std::optional<Packet> ask = cache.ReceiveType(kTicketRequest);
    ASSERT_TRUE(ask);
    TicketRequest ticket;
    ASSERT_TRUE(DecodeTicketRequest(ask->payload, ticket));
    EXPECT_EQ(ticket.buyerId, "me");
    EXPECT_EQ(PasswordBytes(ticket.buyerPassword), "secret");
    EXPECT_EQ(ticket.sellerId, "P");
    EXPECT_EQ(ticket.points, 80u);
    cache.Send(kTicketAnswer, EncodeTicketAnswer({0, 7, 8, 9}));
    std::optional<Packet> paid = peer.ReceiveType(PEER_DOWNLOAD);
    DownloadRequest request;
    ASSERT_TRUE(paid && DecodeDownloadRequest(paid->payload, request) == DecodeStatus::kOk);
    EXPECT_EQ(request.tickets.ticket1, 7u);
    EXPECT_EQ(request.tickets.ticket3, 9u);
    peer.Drop();
    ASSERT_TRUE(WaitState("P", "more", kTransferStateFailed));
    // A refused payment shows no points line; a broken download the rule's.
    EXPECT_EQ(Lines(), std::vector<std::string>{points_text::kPriceRule});
}

TEST_F(TransferList, AServerThatSendsTooMuchTooLittleOrOutOfTurnFailsTheEntry) {
    Script();
    for (const char* name : {"much", "little", "junk"}) ASSERT_FALSE(Download("P", name, 10));
    SignOn();
    ASSERT_TRUE(FileInfo(Info(10)));
    peer.Send(PEER_DOWNLOAD_ANS, EncodeDownloadAnswer(0).payload);
    peer.SendRaw(std::string(20, 'm'));
    ASSERT_TRUE(WaitState("P", "much", kTransferStateFailed));
    EXPECT_EQ(Message("P", "much"), text::kFailed);
    EXPECT_FALSE(std::filesystem::exists(downloads / "much"));
    EXPECT_EQ(ReadFile(downloads / "_velorin_much").size(), 10u);

    SignOn();
    ASSERT_TRUE(FileInfo(Info(10)));
    peer.Send(PEER_DOWNLOAD_ANS, EncodeDownloadAnswer(0).payload);
    peer.SendRaw("12345");
    peer.Drop();
    ASSERT_TRUE(WaitState("P", "little", kTransferStateFailed));
    EXPECT_EQ(Message("P", "little"), text::kDisconnected);
    EXPECT_EQ(Entry("P", "little")->resumeOffset, 5u);

    SignOn();
    peer.Send(PEER_DOWNLOAD_ANS, EncodeDownloadAnswer(0).payload);
    ASSERT_TRUE(WaitState("P", "junk", kTransferStateFailed));
    EXPECT_EQ(Message("P", "junk"), text::kFailed);
}

TEST_F(TransferList, StopCancelsTheEntryAndTheNextOneStartsWithoutWaiting) {
    Script();
    ASSERT_FALSE(Download("P", "s1", 1000000));
    ASSERT_FALSE(Download("P", "s2", 5));
    SignOn();
    ASSERT_TRUE(FileInfo(Info(1000000)));
    peer.Send(PEER_DOWNLOAD_ANS, EncodeDownloadAnswer(0).payload);
    peer.SendRaw(std::string(1000, 's'));
    ASSERT_TRUE(test::Eventually([&] { return Entry("P", "s1")->movedBytes == 1000; }));
    EXPECT_EQ(manager->DeleteEntries("P", {"s1"}, false), 0);
    EXPECT_EQ(Lines(), std::vector<std::string>{text::kCannotDeleteBusy});

    EXPECT_EQ(manager->StopEntries("P", {"S1"}), 1);
    SignOn();  // s2's connection
    ASSERT_TRUE(WaitState("P", "s1", kTransferStateCancelled));
    std::vector<TransferRow> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].state, kTransferStateCancelled);
    EXPECT_EQ(rows[0].message, text::kDisconnected);
    EXPECT_EQ(Entry("P", "s1")->resumeOffset, 1000u);

    // Removing with the received part deletes the temporary file too.
    EXPECT_EQ(manager->DeleteEntries("P", {"s1"}, true), 1);
    EXPECT_FALSE(std::filesystem::exists(downloads / "_velorin_s1"));
}

TEST_F(TransferList, ReservationsRefuseAskAndStoreEveryName) {
    signedIn = false;
    EXPECT_EQ(Download("P", "x", 1, 9), std::string(text::kDownloadNotSignedIn));
    signedIn = true;
    options.ExistFileTransReserve = 0;
    WriteFile(downloads / "here.txt", "");
    EXPECT_EQ(Download("P", "here.txt", 1, 9),
              "'here.txt'는 다운로드 폴더에 동일한 이름이 존재하므로 예약할수 없습니다.");
    EXPECT_EQ(Download("P", "..\\x", 1, 9), std::string(text::kBadPath));

    // Nobody listens on port 9 of this machine's loopback: the entry fails at once.
    ASSERT_FALSE(Download("o'neil", "it's.txt", 1, 9));
    ASSERT_TRUE(WaitState("o'neil", "it's.txt", kTransferStateFailed));
    EXPECT_EQ(Message("o'neil", "it's.txt"), CutMessage(text::kCannotConnect));
    ASSERT_EQ(Rows().size(), 1u);
    EXPECT_EQ(Rows()[0].fileName, "it's.txt");

    ui.answer = false;
    EXPECT_EQ(Download("Q", "IT'S.txt", 1, 9), std::string(text::kDownloadAskReplace));
    ui.answer = true;
    ASSERT_FALSE(Download("Q", "IT'S.txt", 1, 9));
    EXPECT_EQ(manager->Members(), std::vector<std::string>{"Q"});
    ASSERT_TRUE(WaitState("Q", "IT'S.txt", kTransferStateFailed));
    EXPECT_EQ(manager->DeleteEntries("Q", {"it's.txt"}, false), 1);
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(manager->Members().empty());

    // The same upload to two members is two entries, without a question.
    WriteFile(dir / "u", "u");
    size_t questions = ui.Messages().size();
    ASSERT_FALSE(manager->ReserveUpload("Q", "\\S", (dir / "u").string(), 1, Loopback(), Port(9)));
    ASSERT_FALSE(manager->ReserveUpload("R", "\\S", (dir / "u").string(), 1, Loopback(), Port(9)));
    EXPECT_EQ(ui.Messages().size(), questions);
    EXPECT_EQ(manager->Snapshot("").size(), 2u);
}

TEST_F(TransferList, AfterTheQuestionTheListIsLookedAtAgain) {
    ASSERT_FALSE(Download("o'neil", "a.txt", 1, 9));
    ASSERT_TRUE(WaitState("o'neil", "a.txt", kTransferStateFailed));
    // Gone while the question is open: nothing is left to replace, the reservation stands.
    ui.onQuestion = [&] { EXPECT_EQ(manager->DeleteEntries("o'neil", {"a.txt"}, false), 1); };
    ASSERT_FALSE(Download("Q", "A.txt", 1, 9));
    ui.onQuestion = nullptr;
    EXPECT_EQ(manager->Members(), std::vector<std::string>{"Q"});
    EXPECT_EQ(Rows().size(), 1u);
    EXPECT_EQ(ui.Messages(),
              std::vector<std::string>{std::string("? ") + text::kDownloadAskReplace});
}

// The resume question lets the loop run as well: what happened meanwhile counts.
TEST_F(TransferList, AfterTheResumeQuestionTheReservationIsCheckedAgain) {
    WriteFile(downloads / "_velorin_r.bin", "half");
    options.ContinueRecv = 0;
    struct Case {
        std::function<void()> meanwhile;
        const char* refusal;
    };
    for (const Case& c : std::vector<Case>{
             {[&] { signedIn = false; }, text::kDownloadNotSignedIn},
             {[&] {
                  ASSERT_FALSE(
                      manager->ReserveDownload("B", "\\S", "r.bin", 9, Loopback(), Port(9)));
              },
              text::kDownloadBusy},
         }) {
        ui.onQuestion = [&] {
            ui.onQuestion = nullptr;
            c.meanwhile();
        };
        EXPECT_EQ(Download("A", "r.bin", 9, 9), std::string(c.refusal));
        signedIn = true;
        EXPECT_EQ(manager->Snapshot("A").size(), 0u);
    }
    EXPECT_EQ(manager->Snapshot("B").size(), 1u);
}

TEST_F(TransferList, AfterACrashEntriesLoadFailedAndRestartNeedsAListedMember) {
    CTransferStore& store = manager->Context().store;
    store.InsertTransferRow(
        {"Z", "gone.bin", "\\S", 5000, 0, 0, kModeDownload, kTransferStateFailed, ""});
    store.InsertTransferRow(
        {"Y", "GONE.bin", "\\S", 5000, 0, 0, kModeDownload, kTransferStateCancelled, ""});
    store.InsertTransferRow(
        {"Y", "/tmp/u", "\\S", 7, 0, 0, kModeUpload, kTransferStateReserved, ""});
    WriteFile(downloads / "_velorin_gone.bin", std::string(1234, 'g'));
    manager->LoadTransferList();
    EXPECT_EQ(manager->Members(), (std::vector<std::string>{"Z", "Y"}));
    std::optional<TransferSnapshot> gone = Entry("Z", "gone.bin");
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->state, kTransferStateFailed);
    EXPECT_EQ(gone->message, "");
    EXPECT_EQ(gone->resumeOffset, 1234u);
    EXPECT_EQ(Entry("Y", "/tmp/u")->state, kTransferStateReserved);

    EXPECT_EQ(manager->RestartEntries("Z", {"gone.bin"}), 1);
    EXPECT_EQ(Entry("Z", "gone.bin")->state, kTransferStateFailed);
    signedIn = false;
    manager->RestartEntries("Z", {"gone.bin"});
    EXPECT_EQ(Lines(), (std::vector<std::string>{text::kNotListed, text::kNotSignedIn}));
    EXPECT_EQ(manager->DeleteAllCompleted(), 0);
}

}  // namespace
}  // namespace velorin
