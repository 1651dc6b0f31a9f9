#include "fileserver/file_server.h"

#include <gtest/gtest.h>

#include <future>

#include "data/complete_list.h"
#include "data/process_options.h"
#include "fileserver/activity_counters.h"
#include "fileserver/point_balance.h"
#include "fileserver_fixture.h"
#include "platform/clock.h"
#include "platform/log_writer.h"
#include "platform/status_lines.h"
#include "scripted_cache.h"
#include "service/cache_client.h"
#include "support/eventually.h"
#include "support/message_log.h"
#include "support/recording_ui.h"
#include "support/wire_link.h"
#include "views/server_transfer_view.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::CWireLink;
using test::Eventually;

size_t Entries(const char* folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

// A member's client as the server sees it: real packets over loopback.
struct CVisitor : test::CWireLink {
    explicit CVisitor(uint16_t port) { EXPECT_TRUE(Connect("127.0.0.1", port)); }
};

// The sign-on answer's code, its payload length in `size`; 99 without an answer.
int8_t SignOn(CWireLink& v, const std::string& id, int8_t kind, size_t* size = nullptr,
              SignOnAnswer* out = nullptr) {
    SignOnAnswer answer{99, 0, {}};
    std::optional<Packet> p;
    if (v.Send(PEER_SIGNON, EncodeSignOn({id, kind}).payload) && (p = v.Receive()) &&
        p->type == PEER_SIGNON_ANS) {
        DecodeSignOnAnswer(p->payload, answer);
        if (size) *size = p->payload.size();
    }
    if (out) *out = answer;
    return answer.code;
}

// True when the server ended the link without another byte.
bool EndsSilently(CWireLink& v) {
    bool closed = false;
    return v.ReadToEnd(5s, &closed).empty() && closed;
}

class FileServerTest : public test::ShareFixture {
protected:
    void SetUp() override {
        ShareFixture::SetUp();
        statusLines.SetWriteLog(false);
        ASSERT_TRUE(completeList.Open(dir / "completelist.db"));
        Publish("S", "share");
        Write("share/a.txt", "hello");
        bool exists = false;
        ASSERT_TRUE(db.AddBlack(exists, "bad", ""));
    }

    void StartServer(FileServerConfig config = {}, int32_t uploads = 6, int32_t downloads = 6) {
        server = std::make_unique<CFileServer>(
            FileServerParts{db, options, completeList, balance, counters, SystemServerClock(),
                            [this](const std::string& text, int) {
                                std::lock_guard lock(linesLock);
                                lines.push_back(text);
                            }},
            config);
        ASSERT_EQ(server->Open(0), 0);
        ASSERT_EQ(server->Start(uploads, downloads), 0);
        port = server->GetPort();
    }
    // The member's real cache link, signed in at `cache`, settles the points.
    void LinkCache(test::CScriptedCacheServer& cache) {
        ASSERT_EQ(
            cacheLink.Prepare(&queue, window.Handle(), "127.0.0.1", "127.0.0.1", cache.Port()), 0);
        ASSERT_EQ(cacheLink.Start("me", "pw"), 0);
        ASSERT_TRUE(Eventually([&] { return cacheLink.SignedIn(); }));
        server->SetPointsRequester(&cacheLink);
    }
    std::vector<std::string> Lines() {
        std::lock_guard lock(linesLock);
        return lines;
    }
    bool Idle() {
        return server->Pool().InUse() == 0 && counters.browse == 0 && counters.uploads == 0 &&
               counters.downloads == 0 && server->Visitors().Names().empty();
    }
    // Downloads `path` with tickets (11, 22, 33): the answer's code and the bytes.
    int8_t Download(const std::string& path, std::string& bytes) {
        CVisitor v(port);
        if (SignOn(v, "visitor", kVisitorDownload) != 0) return 99;
        Packet request = EncodeDownloadRequest({{11, 22, 33}, 0, path});
        v.Send(request.type, request.payload);
        std::optional<Packet> answer = v.Receive();
        int8_t code = 99;
        if (answer) DecodeDownloadAnswer(answer->payload, code);
        bytes = code == 0 ? v.ReadToEnd(30s) : std::string();
        return code;
    }

    CProcessOptions options;
    CCompleteList completeList;
    CPointBalance balance;
    ActivityCounters counters;
    std::mutex linesLock;
    std::vector<std::string> lines;
    CMessageQueue queue;
    test::CRecordingUserInterface ui;
    CLogWriter log;
    CStatusLines statusLines{ui, log, queue};
    CManualClock clock;
    std::atomic<bool> online{false};
    test::CMessageLog window{queue};
    CCacheClient cacheLink{clock, balance, statusLines, online};
    std::unique_ptr<CFileServer> server;
    uint16_t port = 0;
};

TEST_F(FileServerTest, SignOnRefusalsAre2007BytesAndEachKindHasItsLimit) {
    StartServer({}, 1, 6);
    size_t size = 0;
    // The black list decides before the kind is looked at.
    CVisitor listed(port);
    EXPECT_EQ(SignOn(listed, "bad", 9, &size), kSignOnBlacklisted);
    EXPECT_EQ(size, 2007u);
    EXPECT_TRUE(EndsSilently(listed));
    CVisitor odd(port);
    EXPECT_EQ(SignOn(odd, "someone", 3), kSignOnBadKind);

    std::vector<std::unique_ptr<CVisitor>> downloads;
    for (int i = 0; i < 6; ++i) {
        downloads.push_back(std::make_unique<CVisitor>(port));
        EXPECT_EQ(SignOn(*downloads.back(), "d" + std::to_string(i), kVisitorDownload), 0);
    }
    CVisitor seventh(port);
    EXPECT_EQ(SignOn(seventh, "d7", kVisitorDownload, &size), kSignOnServerFull);
    EXPECT_EQ(size, 2007u);
    CVisitor up1(port), up2(port);
    EXPECT_EQ(SignOn(up1, "u1", kVisitorUpload), 0);
    EXPECT_EQ(SignOn(up2, "u2", kVisitorUpload), kSignOnServerFull);
    // A visitor's download is this member's upload.
    EXPECT_EQ(counters.uploads, 6u);
    EXPECT_EQ(counters.downloads, 1u);
    EXPECT_EQ(server->Pool().ActiveDownloads(), 6);
    // A second sign-on on the same connection ends it instead of counting twice.
    EXPECT_EQ(SignOn(up1, "u1", kVisitorUpload), 99);
    EXPECT_TRUE(Eventually([&] { return counters.downloads == 0; }));
    // Nor does a transfer on a connection of another kind pass that kind's limit.
    CVisitor browse(port);
    ASSERT_EQ(SignOn(browse, "b", kVisitorBrowse), 0);
    ASSERT_TRUE(browse.Receive());
    browse.Send(PEER_DOWNLOAD, EncodeDownloadRequest({{}, 0, "\\S\\a.txt"}).payload);
    EXPECT_TRUE(EndsSilently(browse));
    downloads[0]->Send(PEER_UPLOAD, EncodeUploadRequest({5, "\\S\\b.txt"}).payload);
    EXPECT_TRUE(EndsSilently(*downloads[0]));
}

TEST_F(FileServerTest, BrowseSignOnGetsTheGreetingRuleThenTheStatus) {
    StartServer();
    options.BringMessage = 1;
    options.SetMessage("어서 오세요");
    server->SetMemberValue(77);
    CVisitor browse(port);
    SignOnAnswer answer;
    ASSERT_EQ(SignOn(browse, "guest", kVisitorBrowse, nullptr, &answer), 0);
    EXPECT_EQ(answer.greeting, "어서 오세요");
    EXPECT_EQ(answer.memberValue, 77u);
    for (int round = 0; round < 2; ++round) {
        std::optional<Packet> status = browse.Receive();
        ASSERT_TRUE(status && status->type == PEER_STATUS_ANS);
        ServerStatus s;
        ASSERT_TRUE(DecodeServerStatus(status->payload, s));
        EXPECT_EQ(s.activeDownloads, 0u);
        EXPECT_EQ(s.downloadLimit, 6u);
        // A type outside the table is ignored; the status request is answered.
        browse.Send(4242, "x");
        browse.Send(PEER_STATUS, EncodeStatusRequest().payload);
    }
    EXPECT_EQ(server->Visitors().Names(), std::vector<std::string>{"guest"});
    EXPECT_EQ(counters.browse, 1u);

    CVisitor download(port);
    EXPECT_EQ(SignOn(download, "guest", kVisitorDownload, nullptr, &answer), 0);
    EXPECT_EQ(answer.greeting, "");
    // 1000 Korean characters are 2000 CP949 bytes: too long to greet with.
    std::string longGreeting;
    for (int i = 0; i < 1000; ++i) longGreeting += "가";
    options.SetMessage(longGreeting);
    CVisitor late(port);
    EXPECT_EQ(SignOn(late, "late", kVisitorBrowse, nullptr, &answer), 0);
    EXPECT_EQ(answer.greeting, "");
}

TEST_F(FileServerTest, TheTwoHundredFirstConnectionIsClosedWithoutAWord) {
    StartServer();
    std::vector<std::unique_ptr<CVisitor>> visitors;
    for (int i = 0; i < 200; ++i) visitors.push_back(std::make_unique<CVisitor>(port));
    ASSERT_TRUE(Eventually([&] { return server->Pool().InUse() == 200; }));
    CVisitor extra(port);
    EXPECT_TRUE(EndsSilently(extra));
    // A freed slot serves the next visitor.
    visitors.pop_back();
    ASSERT_TRUE(Eventually([&] { return server->Pool().InUse() == 199; }));
    CVisitor next(port);
    EXPECT_EQ(SignOn(next, "next", kVisitorBrowse), 0);
}

TEST_F(FileServerTest, FloodsLeaveNoSlotThreadOrDescriptorBehind) {
    StartServer();
    size_t descriptors = Entries("/proc/self/fd");
    size_t threads = Entries("/proc/self/task");
    for (int i = 0; i < 300; ++i) {
        CVisitor v(port);
        switch (i % 5) {
            case 0:
                break;
            case 1:
                v.Send(PEER_SIGNON, "short");
                break;
            case 2:
                SignOn(v, "v" + std::to_string(i % 7), kVisitorBrowse);
                break;
            case 3:
                SignOn(v, "v", kVisitorDownload);
                v.Send(PEER_BYE, "");
                break;
            case 4:
                SignOn(v, "v", kVisitorUpload);
                v.Send(PEER_UPLOAD, std::string(9, '\xff'));
                break;
        }
    }
    EXPECT_TRUE(Eventually([&] { return Idle(); }));
    EXPECT_TRUE(Eventually([&] { return Entries("/proc/self/fd") == descriptors; }));
    EXPECT_TRUE(Eventually([&] { return Entries("/proc/self/task") == threads; }));
}

TEST_F(FileServerTest, SilentOrStalledVisitorsGiveTheirSlotsBackButMovingTransfersRun) {
    FileServerConfig config;
    config.idleTimeout = 300ms;
    config.sendStallTimeout = 300ms;
    StartServer(config, 1, 2);
    // Longer on the wire than the idle time-out: 512 blocks paced 1 ms apart.
    MakeSparse("share/long.bin", 8 * 1048576);
    MakeSparse("share/huge.bin", 256 * 1048576);
    CVisitor browse(port), silent(port), download(port), upload(port), stalled(port);
    ASSERT_EQ(SignOn(browse, "quiet", kVisitorBrowse), 0);
    ASSERT_EQ(SignOn(download, "patient", kVisitorDownload), 0);
    ASSERT_EQ(SignOn(upload, "mute", kVisitorUpload), 0);
    ASSERT_EQ(SignOn(stalled, "stalled", kVisitorDownload), 0);
    // Asks for a file and never reads: the send stalls once the buffers are full.
    Packet request = EncodeDownloadRequest({{0, 0, 0}, 0, "\\S\\huge.bin"});
    ASSERT_TRUE(stalled.Send(request.type, request.payload));
    EXPECT_TRUE(browse.WaitClosed());
    EXPECT_TRUE(EndsSilently(silent));
    EXPECT_TRUE(EndsSilently(download));
    EXPECT_TRUE(EndsSilently(upload));
    // Both download slots were held, the stalled one too; all come back.
    EXPECT_TRUE(Eventually([&] { return server->Pool().InUse() == 0; }));
    std::string bytes;
    EXPECT_EQ(Download("\\S\\long.bin", bytes), 0);
    EXPECT_EQ(bytes.size(), 8u * 1048576u);
    EXPECT_TRUE(Eventually([&] { return Idle(); }));
}

TEST_F(FileServerTest, PricedFilesAreCheckedBeforeAndPaidAfterOverTheCacheLink) {
    test::CScriptedCacheServer cache;
    cache.credited = 77;
    cache.balance = 1234;
    StartServer();
    LinkCache(cache);
    MakeSparse("share/big.iso", 10485761);
    std::string bytes;
    ASSERT_EQ(Download("\\S\\big.iso", bytes), 0);
    EXPECT_EQ(bytes.size(), 10485761u);
    ASSERT_TRUE(Eventually([&] { return cache.Requests().size() == 2; }));
    std::vector<test::CScriptedCacheServer::Request> r = cache.Requests();
    EXPECT_EQ(r[0].type, 2001);
    EXPECT_EQ(r[1].type, 2005);
    for (const auto& q : r) {
        EXPECT_EQ(q.memberId, "visitor");
        EXPECT_EQ(std::vector<uint32_t>({q.keyLow, q.keyHigh, q.first, q.second}),
                  std::vector<uint32_t>({11, 22, 33, 80}));
    }
    ASSERT_TRUE(Eventually([&] { return !Lines().empty(); }));
    EXPECT_EQ(Lines(), std::vector<std::string>{CreditLine("visitor", 77)});
    EXPECT_EQ(balance.Balance(), 1234);
}

TEST_F(FileServerTest, CacheTimeOutsLetTheDownloadGoAndRefusalsStopIt) {
    test::CScriptedCacheServer cache;
    FileServerConfig config;
    config.pointsTimeout = 200ms;
    StartServer(config);
    MakeSparse("share/big.iso", 10485761);
    std::string bytes;
    // Not signed in at the cache server: nothing to check with.
    EXPECT_EQ(Download("\\S\\big.iso", bytes), kTransferNoPayment);
    LinkCache(cache);
    cache.checkCode = int8_t{-1};
    EXPECT_EQ(Download("\\S\\big.iso", bytes), kTransferNoPayment);
    cache.checkCode = std::nullopt;
    cache.paymentCode = std::nullopt;
    balance.SetBalance(5);
    EXPECT_EQ(Download("\\S\\big.iso", bytes), 0);
    EXPECT_EQ(bytes.size(), 10485761u);
    ASSERT_TRUE(Eventually([&] { return Lines().size() == 4; }));
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           points_text::kCheckNotSent, points_text::kCheckRefused,
                           points_text::kCheckNoAnswer, points_text::kPaymentNoAnswer}));
    EXPECT_EQ(balance.Balance(), 5);
}

TEST_F(FileServerTest, ASecondSessionOnTicketsAlreadyWaitingIsRefusedAndTheFirstGoesOn) {
    test::CScriptedCacheServer cache;
    // Unanswered, so the first check waits out its time while the second arrives.
    cache.checkCode = std::nullopt;
    FileServerConfig config;
    config.pointsTimeout = 1s;
    StartServer(config);
    LinkCache(cache);
    MakeSparse("share/big.iso", 10485761);
    std::string first, second;
    auto waiting = std::async(std::launch::async, [&] { return Download("\\S\\big.iso", first); });
    ASSERT_TRUE(Eventually([&] { return cache.Requests().size() == 1; }));
    EXPECT_EQ(Download("\\S\\big.iso", second), kTransferNoPayment);
    EXPECT_EQ(waiting.get(), 0);
    EXPECT_EQ(first.size(), 10485761u);
    std::vector<std::string> seen = Lines();
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.begin() + 2),
              (std::vector<std::string>{points_text::kCheckRefused, points_text::kCheckNoAnswer}));
}

TEST_F(FileServerTest, AVisitorClaimingAnotherIdCannotEndThatMembersBrowse) {
    StartServer();
    CVisitor member(port);
    ASSERT_EQ(SignOn(member, "bob", kVisitorBrowse), 0);
    ASSERT_TRUE(member.Receive());
    {
        CVisitor impostor(port);
        ASSERT_EQ(SignOn(impostor, "BOB", kVisitorBrowse), 0);
    }
    ASSERT_TRUE(Eventually([&] { return server->Pool().InUse() == 1; }));
    ASSERT_TRUE(member.Send(PEER_STATUS, EncodeStatusRequest().payload));
    std::optional<Packet> status = member.Receive();
    EXPECT_TRUE(status && status->type == PEER_STATUS_ANS);
    EXPECT_EQ(server->Visitors().Names(), std::vector<std::string>{"bob"});
}

TEST_F(FileServerTest, TheServerViewStopAndKickEndSessions) {
    StartServer();
    MakeSparse("share/slow.bin", 1048576);
    options.LimitSpeed = 20;
    CVisitor browse(port);
    ASSERT_EQ(SignOn(browse, "watcher", kVisitorBrowse), 0);
    std::string bytes;
    std::thread stopper([&] {
        ASSERT_TRUE(Eventually([&] { return !server->Transfers().Records().empty(); }));
        std::vector<ServerTransferRow> rows = DrawServerTransferRows(server->Transfers());
        RunServerTransferCommand(server->Transfers(), server_view_text::kStop, rows[0],
                                 [&](IVisitorSession* s) { server->RequestStop(s); });
        server->Visitors().Kick("WATCHER");
    });
    EXPECT_EQ(Download("\\S\\slow.bin", bytes), 0);
    stopper.join();
    EXPECT_LT(bytes.size(), 1048576u);
    EXPECT_TRUE(browse.WaitClosed());
    ASSERT_TRUE(Eventually([&] { return Idle(); }));
    std::vector<ServerTransfer> records = server->Transfers().Records();
    EXPECT_EQ(records[0].state, kTransferStateFailed);
    EXPECT_EQ(records[0].session, nullptr);
}

TEST_F(FileServerTest, AStopRequestForAReapedSessionSparesTheSlotsNextVisitor) {
    StartServer();
    Packet request = EncodeDownloadRequest({{}, 0, "\\S\\a.txt"});
    CVisitor first(port);
    ASSERT_EQ(SignOn(first, "first", kVisitorDownload), 0);
    IVisitorSession* stale = server->Pool().Active().at(0);
    first.Send(request.type, request.payload);
    EXPECT_TRUE(first.WaitClosed());
    ASSERT_TRUE(Eventually([&] { return Idle(); }));
    CVisitor next(port);
    ASSERT_EQ(SignOn(next, "next", kVisitorDownload), 0);
    ASSERT_EQ(server->Pool().Active().at(0), stale);
    server->RequestStop(stale);
    // Two more accepts: the second comes after a pass that took the request.
    for (int i = 0; i < 2; ++i) {
        CVisitor pass(port);
        ASSERT_EQ(SignOn(pass, "pass", kVisitorDownload), 0);
    }
    next.Send(request.type, request.payload);
    std::optional<Packet> answer = next.Receive();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->payload, EncodeDownloadAnswer(kAnswerOk).payload);
    EXPECT_EQ(next.ReadToEnd(), "hello");
}

TEST_F(FileServerTest, StopEndsSessionsBlockedInReceivesAndCacheWaits) {
    test::CScriptedCacheServer cache;
    cache.checkCode = std::nullopt;
    StartServer();
    LinkCache(cache);
    MakeSparse("share/big.iso", 10485761);
    CVisitor browse(port), download(port), unsigned_(port), paying(port);
    ASSERT_EQ(SignOn(browse, "b", kVisitorBrowse), 0);
    ASSERT_EQ(SignOn(download, "d", kVisitorDownload), 0);
    ASSERT_EQ(SignOn(paying, "p", kVisitorDownload), 0);
    Packet request = EncodeDownloadRequest({{1, 2, 3}, 0, "\\S\\big.iso"});
    paying.Send(request.type, request.payload);
    ASSERT_TRUE(Eventually([&] { return cache.Requests().size() == 1; }));
    ASSERT_EQ(server->Stop(), 0);
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(server->Running());
    for (CVisitor* v : {&browse, &download, &unsigned_, &paying}) EXPECT_TRUE(v->WaitClosed());
    // The check was cancelled, not timed out.
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(server->Stop(), -1);
}

}  // namespace
}  // namespace velorin
