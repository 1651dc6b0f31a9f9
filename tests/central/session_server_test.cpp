// The session server over real loopback links: verdicts, what follows a
// sign-in, the member's record, list pages, notes, duplicates, keep-alive.
#include <arpa/inet.h>

#include "central/note_rate_limit.h"
#include "central_fixture.h"

namespace velorin::central::test {
namespace {

std::vector<ServerRecord> FetchPage(CWireLink& client, uint32_t cursor, uint32_t& pageCursor) {
    std::vector<ServerRecord> records;
    EXPECT_TRUE(client.Send(kServerListRequest, EncodeServerListRequest(cursor)));
    std::optional<Packet> page = client.Receive();
    EXPECT_TRUE(page && page->type == kServerListPage);
    if (page) {
        EXPECT_TRUE(DecodeServerListPage(page->payload, pageCursor, records));
    }
    return records;
}

std::vector<ServerRecord> FetchAll(CWireLink& client) {
    std::vector<ServerRecord> all;
    uint32_t cursor = 0;
    for (;;) {
        std::vector<ServerRecord> page = FetchPage(client, cursor, cursor);
        all.insert(all.end(), page.begin(), page.end());
        if (page.size() != kServerListPageRecords) return all;
    }
}

// The next packet is a note; its sender and text.
Note ReceiveNote(CWireLink& client) {
    std::optional<Packet> p = client.Receive();
    Note note;
    EXPECT_TRUE(p && p->type == kNoteFromMember && DecodeNote(p->payload, note));
    return note;
}

// The list as `client` gets it holds `id` alone.
void ExpectAlone(CWireLink& client, const std::string& id) {
    uint32_t cursor = 0;
    std::vector<ServerRecord> records = FetchPage(client, 0, cursor);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].userId, id);
}

class SessionServer : public CentralTest {};

TEST_F(SessionServer, EveryVerdictCode) {
    AddMember("kim", "right-pw", 10);
    AddMember("lee", "pw", 10);
    std::string error;
    ASSERT_TRUE(Store().SetDisabled("lee", true, error));
    CentralConfig config;
    config.minVersion = 2;
    StartServer(config);

    struct Case {
        const char* id;
        const char* password;
        uint32_t version;
        int32_t code;
    };
    // A disabled account is only named to someone who knows its password; IDs
    // compare without regard to ASCII letter case.
    for (const Case& c :
         {Case{"kim", "right-pw", 1, kSignInBadVersion},
          Case{"nobody", "right-pw", 2, kSignInBadCredentials},
          Case{"kim", "wrong-pw", 2, kSignInBadCredentials}, Case{"lee", "pw", 2, kSignInDisabled},
          Case{"lee", "not-pw", 2, kSignInBadCredentials},
          Case{"KIM", "right-pw", 2, kSignInAccepted}}) {
        SignInRequest request = Request(c.id, c.password);
        request.version = c.version;
        int32_t code = 0;
        auto link = SignIn(request, code);
        EXPECT_EQ(code, c.code) << c.id << " " << c.password;
        if (c.code != kSignInAccepted) {
            EXPECT_TRUE(link->WaitClosed()) << c.id;
        }
    }
}

TEST_F(SessionServer, AcceptedSignInSendsResultInformationBalanceThenStoredNotes) {
    AddMember("kim", "pw", 1234, 21);
    AddMember("park", "pw");
    ASSERT_TRUE(Store().StoreNote("kim", "park", "안녕하세요", 5));
    StartServer();

    int32_t code = 1;
    auto client = SignIn(Request("kim", "pw"), code);
    ASSERT_EQ(code, 0);
    std::optional<Packet> info = client->Receive();
    ASSERT_TRUE(info && info->type == kMemberInformation);
    MemberInformation member;
    ASSERT_TRUE(DecodeMemberInformation(info->payload, member));
    EXPECT_EQ(member.userId, "kim");
    EXPECT_EQ(member.balance, 1234);
    EXPECT_EQ(member.age, 21u);
    EXPECT_EQ(member.restrictionTime, 0u);
    std::optional<Packet> balance = client->Receive();
    ASSERT_TRUE(balance && balance->type == kPointBalance);
    EXPECT_EQ(balance->payload, EncodePointBalance(1234));
    Note note = ReceiveNote(*client);
    EXPECT_EQ(note.memberId, "park");
    EXPECT_EQ(note.text, "안녕하세요");
    // Delivered once: the next sign-in finds no note.
    client.reset();
    auto again = SignIn("kim", "pw");
    EXPECT_FALSE(again->Receive(300ms));
}

TEST_F(SessionServer, RecordIsBuiltFromTheRequestAndTheLink) {
    AddMember("Kim", "pw");
    AddMember("lee", "pw");
    StartServer();
    SignInRequest request = Request("kim", "pw");
    request.reachable = 0;
    request.roundTrip = 99;  // the probe failed: the ping is unknown whatever was sent
    request.quickSend = 0;
    request.description = "it's 음악";
    int32_t code = 1;
    auto kim = SignIn(request, code);
    ASSERT_EQ(code, 0);
    ASSERT_TRUE(kim->Receive() && kim->Receive());  // information and balance
    auto lee = SignIn("lee", "pw");

    uint32_t cursor = 0;
    std::vector<ServerRecord> records = FetchPage(*lee, 0, cursor);
    ASSERT_EQ(records.size(), 2u);
    const ServerRecord& r = records[0];
    EXPECT_EQ(r.channel, 1);
    EXPECT_EQ(r.category, 3);
    EXPECT_EQ(r.userId, "Kim");  // as the member was added
    EXPECT_EQ(r.description, "it s 음악");
    EXPECT_EQ(r.openTime, static_cast<uint32_t>(clock_.WallSeconds()));
    EXPECT_EQ(r.address, kim->LocalAddress());
    EXPECT_EQ(r.tcpPort, htons(7297));
    EXPECT_EQ(r.udpPort, htons(7298));
    EXPECT_EQ(r.iconFlag, 0u);
    EXPECT_EQ(r.sharingFlag, 0u);
    EXPECT_EQ(r.ping, -1);
    EXPECT_EQ(records[1].channel, 0);
    EXPECT_EQ(records[1].sharingFlag, 1u);
    EXPECT_EQ(records[1].ping, 25);

    // The power mode moves the icon flag; sign-off removes the record.
    ASSERT_TRUE(kim->Send(kPowerModeChanged, EncodePowerModeChanged(1)));
    EXPECT_EQ(FetchPage(*kim, 0, cursor)[0].iconFlag, 1u);
    ASSERT_TRUE(kim->Send(kSessionSignOff, ""));
    EXPECT_TRUE(kim->WaitClosed());
    ExpectAlone(*lee, "lee");
}

TEST_F(SessionServer, PagesHoldAtMostOneHundredFiftyAndEndShort) {
    std::vector<NewMember> members;
    for (int i = 0; i < 151; ++i) members.push_back({"m" + std::to_string(i), "pw", 0, 0});
    std::string error;
    ASSERT_TRUE(Store().AddMembers(members, 0, error)) << error;
    StartServer();
    std::vector<std::unique_ptr<CWireLink>> online;
    for (int i = 0; i < 149; ++i) online.push_back(SignIn(members[i].id, "pw"));

    uint32_t cursor = 0;
    EXPECT_EQ(FetchPage(*online[0], 0, cursor).size(), 149u);  // short: the list is complete

    online.push_back(SignIn(members[149].id, "pw"));
    std::vector<ServerRecord> page = FetchPage(*online[0], 0, cursor);
    ASSERT_EQ(page.size(), 150u);
    EXPECT_NE(cursor, 0u);
    EXPECT_EQ(page.front().userId, "m0");
    EXPECT_EQ(page.back().userId, "m149");
    // A full page makes the client ask again; the empty page ends the list.
    uint32_t next = 0;
    EXPECT_TRUE(FetchPage(*online[0], cursor, next).empty());
    EXPECT_EQ(next, cursor);

    // Between two pages one member leaves and another arrives: the next page
    // holds the newcomer alone, nobody is repeated or skipped.
    online[10].reset();
    online.push_back(SignIn(members[150].id, "pw"));
    page = FetchPage(*online[0], cursor, next);
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(page[0].userId, "m150");
    EXPECT_EQ(FetchAll(*online[1]).size(), 150u);
}

TEST_F(SessionServer, SerialsThatRunOutAreRenumbered) {
    AddMember("a", "pw");
    AddMember("b", "pw");
    AddMember("c", "pw");
    StartServer({},
                [](CCentralServer& server) { server.Sessions().SetNextSerial(UINT32_MAX - 1); });
    auto a = SignIn("a", "pw");
    auto b = SignIn("b", "pw");
    uint32_t cursor = 0;
    std::vector<ServerRecord> page = FetchPage(*a, 0, cursor);
    ASSERT_EQ(page.size(), 2u);
    EXPECT_EQ(cursor, 2u);
    auto c = SignIn("c", "pw");
    page = FetchPage(*a, cursor, cursor);
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(page[0].userId, "c");
}

TEST_F(SessionServer, NotesReachOnlineMembersAtOnceAndOthersAtTheirNextSignIn) {
    AddMember("kim", "pw");
    AddMember("lee", "pw");
    StartServer();
    auto kim = SignIn("kim", "pw");
    auto lee = SignIn("lee", "pw");
    ASSERT_TRUE(kim->Send(kNoteToMember, EncodeNote({"LEE", "점심 먹자"})));
    Note note = ReceiveNote(*lee);
    EXPECT_EQ(note.memberId, "kim");
    EXPECT_EQ(note.text, "점심 먹자");

    lee.reset();
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(kim->Send(kNoteToMember, EncodeNote({"lee", "첫째"})));
    ASSERT_TRUE(kim->Send(kNoteToMember, EncodeNote({"lee", "둘째"})));
    ASSERT_TRUE(kim->Send(kNoteToMember, EncodeNote({"stranger", "lost"})));
    // Round trip on kim's link, so the notes have been handled before lee returns.
    ASSERT_TRUE(kim->Send(kServerListRequest, EncodeServerListRequest(0)));
    ASSERT_TRUE(kim->Receive());
    std::this_thread::sleep_for(100ms);
    lee = SignIn("lee", "pw");
    for (const char* text : {"첫째", "둘째"}) EXPECT_EQ(ReceiveNote(*lee).text, text);
    EXPECT_TRUE(Store().PendingNotes("stranger").empty());
}

// Packets up to the next list page; counts the notes among them.
int NotesBeforeListPage(CWireLink& client) {
    EXPECT_TRUE(client.Send(kServerListRequest, EncodeServerListRequest(0)));
    int notes = 0;
    for (;;) {
        std::optional<Packet> p = client.Receive();
        if (!p) {
            ADD_FAILURE() << "no list page after " << notes << " notes";
            return notes;
        }
        if (p->type == kServerListPage) return notes;
        if (p->type == kNoteFromMember) ++notes;
    }
}

std::string NotePackets(const std::string& recipient, int count) {
    std::string packet =
        EncodePacket(kNoteToMember, EncodeNote({recipient, std::string(200, 'n')}));
    std::string packets;
    for (int i = 0; i < count; ++i) packets += packet;
    return packets;
}

TEST_F(SessionServer, ANoteFloodReachesTheRecipientAsOneBurstAndCutsNoLink) {
    AddMember("kim", "pw");
    AddMember("lee", "pw");
    StartServer();
    auto kim = SignIn("kim", "pw");
    auto lee = SignIn("lee", "pw");
    ASSERT_TRUE(kim->SendRaw(NotePackets("lee", 5000)));
    // The answer follows the flood on kim's link: every note has been handled.
    uint32_t cursor = 0;
    EXPECT_EQ(FetchPage(*kim, 0, cursor).size(), 2u);
    EXPECT_EQ(NotesBeforeListPage(*lee), kNoteBurst);
    EXPECT_TRUE(Store().PendingNotes("lee").empty());

    clock_.Advance(std::chrono::milliseconds(kNoteIntervalMs));
    ASSERT_TRUE(kim->Send(kNoteToMember, EncodeNote({"lee", "one more"})));
    ASSERT_TRUE(kim->Send(kNoteToMember, EncodeNote({"lee", "too soon"})));
    EXPECT_EQ(ReceiveNote(*lee).text, "one more");
    EXPECT_EQ(NotesBeforeListPage(*lee), 0);
}

// A recipient that reads nothing while notes pile up: the rest wait in the store.
TEST_F(SessionServer, NotesForABackloggedRecipientWaitForItsNextSignIn) {
    AddMember("kim", "pw");
    AddMember("lee", "pw");
    StartServer({}, [](CCentralServer& server) { server.NoteLimit().SetBurst(1 << 30); });
    auto kim = SignIn("kim", "pw");
    auto lee = SignIn("lee", "pw");
    auto stored = [this] { return Store().PendingNotes("lee").size(); };
    // Small rounds, each left to the store before the next, so the sender
    // never waits for more store work than a link may.
    std::string round = NotePackets("lee", 100);
    for (int i = 0; i < 1000 && stored() < kStoredNotesPerMember; ++i) {
        ASSERT_TRUE(kim->SendRaw(round)) << "round " << i;
        ASSERT_TRUE(kim->Send(kServerListRequest, EncodeServerListRequest(0))) << "round " << i;
        ASSERT_TRUE(kim->ReceiveType(kServerListPage)) << "round " << i;
        for (size_t last = stored(), tries = 0; last > 0 && tries < 100; ++tries) {
            std::this_thread::sleep_for(50ms);
            size_t now = stored();
            if (now == last) break;
            last = now;
        }
    }
    ASSERT_EQ(stored(), static_cast<size_t>(kStoredNotesPerMember));

    EXPECT_GT(NotesBeforeListPage(*lee), 0);
    auto again = SignIn("lee", "pw");
    for (int i = 0; i < kStoredNotesPerMember; ++i) {
        ASSERT_EQ(ReceiveNote(*again).memberId, "kim") << i;
    }
    EXPECT_TRUE(lee->ReceiveType(kSignedInElsewhere));
}

TEST_F(SessionServer, ASecondSignInReplacesTheFirstSession) {
    AddMember("kim", "pw");
    StartServer();
    auto first = SignIn("kim", "pw");
    auto second = SignIn("kim", "pw");
    std::optional<Packet> leave = first->Receive();
    ASSERT_TRUE(leave && leave->type == kSignedInElsewhere);
    EXPECT_EQ(leave->payload, std::string("\xff\xff\xff\xff"));
    EXPECT_TRUE(first->WaitClosed());
    ExpectAlone(*second, "kim");
}

TEST_F(SessionServer, SilentLinksAreDroppedAfterTheKeepAlivePeriod) {
    AddMember("kim", "pw");
    AddMember("lee", "pw");
    StartServer();
    auto kim = SignIn("kim", "pw");
    auto lee = SignIn("lee", "pw");
    CWireLink mute;
    ASSERT_TRUE(mute.Connect(address_, kSessionServerPort));
    LetSweepRun();  // the loop has taken the link before the clock moves

    clock_.Advance(119s);
    ASSERT_TRUE(lee->Send(kKeepAlive, ""));
    LetSweepRun();
    EXPECT_FALSE(kim->WaitClosed(50ms));
    clock_.Advance(1s);  // kim: 120 s of silence; lee spoke 1 s ago
    LetSweepRun();
    EXPECT_TRUE(kim->WaitClosed());
    EXPECT_TRUE(mute.WaitClosed());
    ExpectAlone(*lee, "lee");
}

TEST_F(SessionServer, OneAddressHoldsAtMostTheLimitOnEachPort) {
    CentralConfig config;
    config.maxPerAddress = 3;
    StartServer(config);
    std::vector<std::unique_ptr<CWireLink>> links;
    for (uint32_t i = 0; i < config.maxPerAddress; ++i) {
        links.push_back(std::make_unique<CWireLink>());
        ASSERT_TRUE(ConnectFrom(*links.back(), "127.5.0.1", address_, kSessionServerPort));
    }
    CWireLink over;
    ASSERT_TRUE(ConnectFrom(over, "127.5.0.1", address_, kSessionServerPort));
    EXPECT_TRUE(over.WaitClosed());
    for (auto& link : links) EXPECT_FALSE(link->WaitClosed(10ms));

    CWireLink otherAddress;
    ASSERT_TRUE(ConnectFrom(otherAddress, "127.5.0.2", address_, kSessionServerPort));
    CWireLink otherPort;
    ASSERT_TRUE(ConnectFrom(otherPort, "127.5.0.1", address_, kCacheServerPort));
    EXPECT_FALSE(otherAddress.WaitClosed(100ms));
    EXPECT_FALSE(otherPort.WaitClosed(10ms));

    // A link that ends makes room.
    links.pop_back();
    bool admitted = false;
    for (int i = 0; i < 100 && !admitted; ++i) {
        std::this_thread::sleep_for(20ms);
        CWireLink next;
        admitted =
            ConnectFrom(next, "127.5.0.1", address_, kSessionServerPort) && !next.WaitClosed(50ms);
    }
    EXPECT_TRUE(admitted);
}

TEST_F(SessionServer, MalformedInputEndsOnlyItsOwnLink) {
    AddMember("kim", "pw");
    AddMember("lee", "pw");
    StartServer();
    auto kim = SignIn("kim", "pw");

    CWireLink tooLong;
    ASSERT_TRUE(tooLong.Connect(address_, kSessionServerPort));
    ASSERT_TRUE(tooLong.SendRaw(std::string("\xfd\x3f\x00\x00", 4)));  // 16381 bytes announced
    EXPECT_TRUE(tooLong.WaitClosed());

    CWireLink shortSignIn;
    ASSERT_TRUE(shortSignIn.Connect(address_, kSessionServerPort));
    ASSERT_TRUE(
        shortSignIn.Send(kSessionSignIn, EncodeSignInRequest(Request("kim", "pw")).substr(1)));
    EXPECT_TRUE(shortSignIn.WaitClosed());

    CWireLink garbage;
    ASSERT_TRUE(garbage.Connect(address_, kSessionServerPort));
    ASSERT_TRUE(garbage.SendRaw(std::string(3000, '\xa7')));
    EXPECT_TRUE(garbage.WaitClosed());

    // Unknown types are ignored, before and after the sign-in; so is a list
    // request before it.
    CWireLink chatter;
    ASSERT_TRUE(chatter.Connect(address_, kSessionServerPort));
    ASSERT_TRUE(chatter.Send(777, "what"));
    ASSERT_TRUE(chatter.Send(kServerListRequest, EncodeServerListRequest(0)));
    EXPECT_FALSE(chatter.Receive(200ms));
    ASSERT_TRUE(kim->Send(9999, std::string(100, 'x')));

    // A member's malformed note ends that member's link only.
    auto lee = SignIn("lee", "pw");
    std::string note = EncodeNote({"kim", "hi"});
    note[20] = 50;  // the length promises more than follows
    ASSERT_TRUE(lee->Send(kNoteToMember, note));
    EXPECT_TRUE(lee->WaitClosed());

    ExpectAlone(*kim, "kim");
    EXPECT_TRUE(chatter.Send(kKeepAlive, ""));
    EXPECT_FALSE(chatter.WaitClosed(100ms));
}

}  // namespace
}  // namespace velorin::central::test
