#include "transfer/browse_session.h"

#include <gtest/gtest.h>

#include "browse_fixture.h"
#include "data/history.h"
#include "support/scripted_server.h"

namespace velorin {
namespace {

using namespace std::chrono_literals;
using test::kHost;

std::string Line(int kind, const std::string& text) {
    return std::to_string(kind) + " " + text;
}
const std::string kConnecting = Line(2, std::string("\"host\"") + browse_text::kConnecting);

class BrowseSessionTest : public test::BrowseFixture {};

TEST_F(BrowseSessionTest, StartPathIsWalkedAndItsLastLevelListed) {
    Publish("A", "a");
    Write("a/B/x.txt", "12345");
    Write("a/B/C/y", "");
    Write("a/B/noext", std::string(1234, 'z'));
    ASSERT_TRUE(Browse("\\A\\B"));

    EXPECT_EQ(explorer->CurrentPath(), "\\A\\B");
    EXPECT_EQ(explorer->PathText(), "현재 경로 : \\A\\B");
    EXPECT_EQ(explorer->Columns(), (std::vector<std::string>{"이름", "종류", "크기(byte)"}));
    // Folders first; files in the order the directory gives them.
    std::vector<std::string> names = RowNames();
    ASSERT_EQ(names.size(), 4u);
    std::sort(names.begin() + 2, names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"..", "C", "noext", "x.txt"}));
    std::set<std::string> shown;
    for (const ExplorerRow& row : explorer->Rows())
        shown.insert(row.name + "|" + row.second + "|" + row.third);
    EXPECT_EQ(shown, (std::set<std::string>{"..|파일폴더|", "C|파일폴더|", "noext|화일|1,234",
                                            "x.txt|txt|5"}));
    EXPECT_EQ(explorer->Tree(), (std::set<std::string>{"\\", "\\A", "\\A\\B", "\\A\\B\\C"}));
    EXPECT_EQ(KindLines(), std::vector<std::string>{kConnecting});
    EXPECT_EQ(explorer->StatusText(), "업로드(현재/최대) : 0/6  업로드속도 : 0kb/sec");
}

TEST_F(BrowseSessionTest, RootListsSharesWithTheirRightsAndHistoryKeepsOneEntry) {
    Publish("A", "a");
    Publish("X", "x", 15);
    ASSERT_TRUE(Browse());
    EXPECT_EQ(explorer->Columns(), (std::vector<std::string>{"폴더", "설명", "권한"}));
    ASSERT_EQ(RowNames(), (std::vector<std::string>{"A", "X"}));
    EXPECT_EQ(explorer->Rows()[0].second, "A 설명");
    EXPECT_EQ(explorer->Rows()[0].third, "탐색 다운 ---- ---- ");
    EXPECT_EQ(explorer->Rows()[1].third, "탐색 다운 업 성인 ");
    EXPECT_EQ(LoadHistory(registry), std::vector<std::string>{kHost});

    AddToHistory(registry, "other");
    ASSERT_TRUE(Browse());
    EXPECT_EQ(LoadHistory(registry), (std::vector<std::string>{"other", kHost}));
}

TEST_F(BrowseSessionTest, NoticeIsShownAsTextAndEnablesTheButtonWithServerFlags) {
    serverOptions.BringMessage = 1;
    serverOptions.SetMessage("<script>alert(1)</script>공지");
    server->SetMemberValue(7);
    ASSERT_TRUE(Browse());
    EXPECT_EQ(explorer->Notice(), "<script>alert(1)</script>공지");
    EXPECT_TRUE(explorer->NoticeEnabled());
    auto opened = ui.Opened();
    EXPECT_EQ(std::count(opened.begin(), opened.end(), "notice <script>alert(1)</script>공지"), 1);
}

TEST_F(BrowseSessionTest, EachWayOfEndingWritesOneLine) {
    // Refused as a black-listed visitor: the refusal alone, no history.
    bool exists = false;
    ASSERT_TRUE(db.AddBlack(exists, test::kMe, ""));
    EXPECT_FALSE(Browse());
    ASSERT_TRUE(Ended());
    EXPECT_EQ(KindLines(),
              (std::vector<std::string>{kConnecting, Line(2, browse_text::kRefusedBlack)}));
    EXPECT_TRUE(LoadHistory(registry).empty());
    EXPECT_EQ(explorer->PathText(), "탐색중인 서버가 없습니다.");

    // Nobody listening.
    test::CScriptedServer closed;
    ASSERT_TRUE(closed.Listen("127.0.0.1", 0));
    ListHost(closed.Port());
    closed.StopListening();
    EXPECT_FALSE(Browse());
    EXPECT_EQ(KindLines().back(), Line(1, std::string("\"host\"") + browse_text::kConnectFailed));

    // Stopped by the member.
    ListHost(serverPort);
    db.DeleteBlack(test::kMe);
    ASSERT_TRUE(Browse());
    explorer->Disconnect();
    ASSERT_TRUE(Ended());
    EXPECT_EQ(KindLines().back(), Line(1, std::string("\"host\"") + browse_text::kEnded));
}

TEST_F(BrowseSessionTest, FiveMinutesWithoutListingEndTheSessionStatusRequestsDoNotCount) {
    Publish("A", "a");
    ASSERT_TRUE(Browse());
    sessionClock.Advance(250s);
    ASSERT_FALSE(explorer->Refresh());
    ASSERT_TRUE(Sync());
    sessionClock.Advance(250s);
    ASSERT_TRUE(Sync());
    EXPECT_TRUE(explorer->SignedOn());

    ASSERT_EQ(session->RequestStatus(), 0);
    sessionClock.Advance(51s);
    ASSERT_TRUE(Ended());
    EXPECT_EQ(KindLines().back(), Line(1, std::string("\"host\"") + browse_text::kIdle));
}

// A server that does not keep to the protocol.
class MisbehavingServerTest : public test::BrowseFixture {
protected:
    void SetUp() override {
        BrowseFixture::SetUp();
        ASSERT_TRUE(peer.Listen("127.0.0.1", 0));
        ListHost(peer.Port());
    }
    // Connects and reads the sign-on.
    bool Accept(const std::string& startPath) {
        return !explorer->Connect(kHost, startPath) && peer.Accept() &&
               peer.ReceiveType(PEER_SIGNON).has_value();
    }
    std::string NextListRequest() {
        std::optional<Packet> p = peer.ReceiveType(PEER_LIST, 2s);
        std::string path;
        if (p) DecodePathRequest(p->payload, path);
        return path;
    }
    void Answer(const Packet& p) { ASSERT_TRUE(peer.Send(p.type, p.payload)); }

    test::CScriptedServer peer;
};

TEST_F(MisbehavingServerTest, OversizedNoticeIsDroppedAndTheWalkAsksEachLevel) {
    ASSERT_TRUE(Accept("\\A\\B\\"));
    Answer(EncodeSignOnAnswer({0, 0, std::string(2001, 'n')}));
    EXPECT_EQ(NextListRequest(), "\\");
    EXPECT_EQ(NextListRequest(), "\\A");
    EXPECT_EQ(NextListRequest(), "\\A\\B");
    EXPECT_EQ(NextListRequest(), "\\A\\B\\");
    ASSERT_TRUE(WaitFor([&] { return explorer->SignedOn(); }));
    EXPECT_EQ(explorer->Notice(), "");

    // Entries of the other kind of listing are ignored.
    Answer(EncodeListHead({false, "\\A"}));
    Answer(EncodeListShare({"share", "", 3}));
    Answer(EncodeListEntry({"f.txt", 3, {}, kEntryFile}));
    Answer(EncodeListHead({true, "\\"}));
    Answer(EncodeListEntry({"g.txt", 3, {}, kEntryFile}));
    Answer(EncodeListShare({"S", "d", 1}));
    uint64_t ticket = explorer->RequestSync();
    ASSERT_TRUE(peer.ReceiveType(PEER_FOLDER_INFO));
    Answer(EncodeFolderInfoAnswer({kSummaryOfRoot, 0xFFFFFFFF, 0, 0, "\\"}));
    ASSERT_TRUE(WaitFor([&] { return explorer->InfoAnswered() >= ticket; }));
    EXPECT_EQ(RowNames(), std::vector<std::string>{"S"});
}

TEST_F(MisbehavingServerTest, GarbageEndsTheSessionWithTheReleaseLine) {
    ASSERT_TRUE(Accept("\\"));
    Answer(EncodeSignOnAnswer({0, 0, ""}));
    ASSERT_TRUE(WaitFor([&] { return explorer->SignedOn(); }));
    // A length above what a link accepts.
    ASSERT_TRUE(peer.SendRaw(std::string("\xff\xff\x01\x00", 4)));
    ASSERT_TRUE(Ended());
    EXPECT_EQ(KindLines().back(), Line(1, std::string("\"host\"") + browse_text::kEnded));

    // A sign-on answer with nothing in it.
    ASSERT_TRUE(Accept("\\"));
    Answer(Packet{PEER_SIGNON_ANS, ""});
    ASSERT_TRUE(WaitFor([&] { return explorer->Sessions() == 2 && !explorer->Connected(); }));
    EXPECT_FALSE(explorer->SignedOn());
}

}  // namespace
}  // namespace velorin
