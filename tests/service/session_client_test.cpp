#include "service/session_client.h"

#include <gtest/gtest.h>

#include <regex>

#include "data/note_store.h"
#include "fileserver/point_balance.h"
#include "net/payload.h"
#include "platform/registry.h"
#include "platform/window_messages.h"
#include "service/server_list.h"
#include "support/eventually.h"
#include "support/message_log.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

using namespace std::chrono_literals;

ServerRecord Record(const std::string& id, uint8_t channel, int8_t category = 0) {
    ServerRecord r;
    r.userId = id;
    r.channel = channel;
    r.category = category;
    return r;
}

std::vector<ServerRecordBytes> Records(const std::vector<ServerRecord>& records) {
    std::vector<ServerRecordBytes> bytes;
    for (const ServerRecord& r : records) bytes.push_back(EncodeServerRecord(r));
    return bytes;
}

class SessionClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Listen("127.0.0.1", 0));
        ASSERT_TRUE(registry.Open(dir / "registry.db"));
        ASSERT_EQ(link.Prepare(&queue, log.Handle(), "127.0.0.1", server.Port()), 0);
        ASSERT_EQ(link.Start("kim", "secret"), 0);
        ASSERT_TRUE(server.Accept());
        auto step = log.WaitFor(WM_SESSION_STEP);
        ASSERT_TRUE(step);
        ASSERT_EQ(step->wParam, 1u);
    }

    // Waits until everything sent before has been handled: a balance goes last.
    void Sync(int64_t marker) {
        ASSERT_TRUE(server.Send(kPointBalance, EncodePointBalance(marker)));
        ASSERT_TRUE(test::Eventually([&] { return balance.Balance() == marker; }));
        queue.ProcessPending();
    }

    test::CTempFolder dir;
    CRegistry registry;
    std::atomic<uint32_t> recvMessage{1};
    CNoteStore notes{registry, recvMessage};
    CManualClock clock{1767225600};
    CServerList list;
    CPointBalance balance;
    MemberStanding member;
    CMessageQueue queue;
    test::CMessageLog log{queue};
    test::CScriptedServer server;
    CSessionClient link{clock, list, balance, member, notes};
};

TEST_F(SessionClientTest, KeepAliveGoesOutAfter31SecondsOfSilenceNot30) {
    clock.Advance(30s);
    EXPECT_FALSE(server.Receive(300ms));
    clock.Advance(1s);
    auto keepAlive = server.Receive();
    ASSERT_TRUE(keepAlive);
    EXPECT_EQ(keepAlive->type, kKeepAlive);
    EXPECT_EQ(keepAlive->payload, "");
}

TEST_F(SessionClientTest, AnUnreadableVerdictEndsTheLinkInsteadOfWaiting) {
    ASSERT_TRUE(server.Send(kSessionSignInResult, "\x01\x02"));
    EXPECT_TRUE(log.WaitFor(WM_LINK_LOST));
    EXPECT_EQ(log.Count(WM_SESSION_STEP), 1u);
}

TEST_F(SessionClientTest, PagesOf150AskForTheNextAndAShorterPageEndsTheDownload) {
    ASSERT_EQ(link.RequestServerList(0), CSessionClient::ListRequest::kStarted);
    auto first = server.Receive();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->type, kServerListRequest);
    EXPECT_EQ(first->payload, EncodeServerListRequest(0));
    // A refresh while the download runs sends nothing.
    EXPECT_EQ(link.RequestServerList(0), CSessionClient::ListRequest::kAlreadyRunning);

    std::vector<ServerRecord> page;
    for (int i = 0; i < 150; ++i) page.push_back(Record("m" + std::to_string(i), i % 2, i % 6));
    ASSERT_TRUE(server.Send(kServerListPage, EncodeServerListPage(77, Records(page))));
    auto next = server.Receive();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->payload, EncodeServerListRequest(77));

    page.clear();
    page.push_back(Record("M1", 0));     // listed in channel 1 already, other case
    page.push_back(Record("stray", 2));  // no such channel
    for (int i = 0; i < 147; ++i) page.push_back(Record("n" + std::to_string(i), 0, 5));
    ASSERT_TRUE(server.Send(kServerListPage, EncodeServerListPage(90, Records(page))));
    ASSERT_TRUE(log.WaitFor(WM_SERVER_LIST_DONE));
    EXPECT_FALSE(link.ListDownloading());
    EXPECT_EQ(list.Count(0), 75u + 147u);
    EXPECT_EQ(list.Count(1), 75u);
    EXPECT_EQ(list.CategoryCount(0, 4), 25u);
    EXPECT_EQ(list.CategoryCount(0, 5), 147u);
    EXPECT_FALSE(server.Receive(200ms));
    ServerRecord found;
    EXPECT_TRUE(list.FindById("m1", found));
    EXPECT_EQ(found.channel, 1);
}

TEST_F(SessionClientTest, APageWhoseCountRunsPastItsPayloadEndsTheDownloadOnly) {
    ASSERT_EQ(link.RequestServerList(0), CSessionClient::ListRequest::kStarted);
    ASSERT_TRUE(server.Receive());
    std::string page = EncodeServerListPage(5, Records({Record("a", 0), Record("b", 0)}));
    page[4] = 3;
    ASSERT_TRUE(server.Send(kServerListPage, page));
    ASSERT_TRUE(log.WaitFor(WM_SERVER_LIST_DONE));
    EXPECT_EQ(list.Count(0), 0u);
    Sync(42);
    EXPECT_TRUE(link.IsRunning());
    EXPECT_EQ(link.RequestServerList(0), CSessionClient::ListRequest::kStarted);
}

TEST_F(SessionClientTest, NotesOf200BytesAreStored201DroppedAndAFullBoxStillAnnounces) {
    ASSERT_TRUE(server.Send(kNoteFromMember, EncodeNote({"lee", std::string(200, 'a')})));
    auto arrived = log.WaitFor(WM_NOTE_ARRIVED);
    ASSERT_TRUE(arrived);
    EXPECT_EQ(std::any_cast<std::string>(arrived->payload), "lee");
    std::string stored;
    ASSERT_TRUE(registry.ReadString(kMsgKey, "0", stored));
    EXPECT_TRUE(std::regex_match(stored, std::regex("lee\\|\\d+\\|0\\|a{200}"))) << stored;

    CPayloadWriter tooLong;
    tooLong.Fixed("park", 20).U32(201).Bytes(std::string(201, 'b'));
    ASSERT_TRUE(server.Send(kNoteFromMember, tooLong.Take()));
    Sync(1);
    EXPECT_EQ(log.Count(WM_NOTE_ARRIVED), 1u);
    EXPECT_EQ(registry.ValueNames(kMsgKey).size(), 1u);

    for (int slot = 1; slot < kNoteSlots; ++slot) {
        registry.WriteString(kMsgKey, std::to_string(slot), "x|0|0|x");
    }
    ASSERT_TRUE(server.Send(kNoteFromMember, EncodeNote({"choi", "hello"})));
    ASSERT_TRUE(log.WaitFor(WM_NOTE_ARRIVED));
    EXPECT_EQ(registry.ValueNames(kMsgKey).size(), 200u);

    recvMessage = 0;
    ASSERT_TRUE(server.Send(kNoteFromMember, EncodeNote({"choi", "again"})));
    Sync(2);
    EXPECT_EQ(log.Count(WM_NOTE_ARRIVED), 2u);
}

TEST_F(SessionClientTest, MemberInformationBalancesAndTheOrderToLeave) {
    ASSERT_TRUE(
        server.Send(kMemberInformation, EncodeMemberInformation({"kim", 1234, 30, 7, 2, 99, 5})));
    ASSERT_TRUE(log.WaitFor(WM_MEMBER_INFO));
    EXPECT_EQ(balance.Balance(), 1234);
    EXPECT_EQ(member.age.load(), 30u);
    EXPECT_EQ(member.visitorValue.load(), 7u);
    EXPECT_EQ(member.warnings.load(), 2u);
    EXPECT_EQ(member.restrictionTime.load(), 99u);

    // Unknown types and payloads of the wrong size change nothing.
    ASSERT_TRUE(server.Send(9999, "junk"));
    ASSERT_TRUE(server.Send(kMemberInformation, std::string(47, '\0')));
    ASSERT_TRUE(server.Send(kSignedInElsewhere, "\xff"));
    Sync(-5);
    EXPECT_EQ(log.Count(WM_MEMBER_INFO), 1u);
    EXPECT_EQ(member.age.load(), 30u);

    ASSERT_TRUE(server.Send(kSignedInElsewhere, EncodeSignedInElsewhere(kElsewhereLeave)));
    auto leave = log.WaitFor(WM_DUPLICATE_LOGIN);
    ASSERT_TRUE(leave);
    EXPECT_EQ(static_cast<int32_t>(leave->wParam), -1);
    EXPECT_TRUE(link.IsRunning());
}

}  // namespace
}  // namespace velorin
