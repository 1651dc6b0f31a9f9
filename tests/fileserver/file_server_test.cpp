#include "fileserver/file_server.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <thread>

#include "app/process_options.h"
#include "data/complete_list.h"
#include "fileserver/activity_counters.h"
#include "fileserver/point_balance.h"
#include "fileserver/server_transfer_view.h"
#include "fileserver_fixture.h"
#include "scripted_cache.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Waits (bounded) for state that another thread changes.
template <class Condition>
bool Eventually(Condition condition) {
    for (int i = 0; i < 2000 && !condition(); ++i) std::this_thread::sleep_for(5ms);
    return condition();
}

size_t Entries(const char* folder) {
    size_t n = 0;
    if (DIR* d = ::opendir(folder)) {
        while (::readdir(d) != nullptr) ++n;
        ::closedir(d);
    }
    return n;
}

// A member's client as the server sees it: real packets over loopback.
class CVisitor {
public:
    explicit CVisitor(uint16_t port) {
        socket_.ConnectTcp("127.0.0.1", port, 5);
        socket_.SetNonBlocking(false);
        socket_.SetReceiveTimeout(5);
    }
    bool Send(const Packet& p) {
        return socket_.SendPacket(static_cast<uint16_t>(p.payload.size()), p.type,
                                  p.payload.data()) > 0;
    }
    std::optional<Packet> Receive() {
        if (socket_.ReceivePacket() < 0) return std::nullopt;
        return Packet{socket_.IncomingType(), std::string(socket_.IncomingPayload())};
    }
    // The answer's code, its payload length in `size`; 99 without an answer.
    int8_t SignOn(const std::string& id, int8_t kind, size_t* size = nullptr,
                  SignOnAnswer* out = nullptr) {
        SignOnAnswer answer{99, 0, {}};
        std::optional<Packet> p;
        if (Send(EncodeSignOn({id, kind})) && (p = Receive()) && p->type == PEER_SIGNON_ANS) {
            DecodeSignOnAnswer(p->payload, answer);
            if (size) *size = p->payload.size();
        }
        if (out) *out = answer;
        return answer.code;
    }
    // Raw bytes until `limit` or the end of the connection.
    std::string ReadRaw(size_t limit) {
        std::string out;
        char buffer[16384];
        while (out.size() < limit) {
            long n = socket_.ReceiveSome(buffer, std::min(sizeof buffer, limit - out.size()));
            if (n <= 0) break;
            out.append(buffer, static_cast<size_t>(n));
        }
        return out;
    }
    // True when the server ended the connection without another byte.
    bool Ended() {
        char c = 0;
        long n = socket_.ReceiveSome(&c, 1);
        return n == 0 || (n < 0 && socket_.LastError() != EAGAIN);
    }

private:
    CPacketSocket socket_;
};

class FileServerTest : public test::ShareFixture {
protected:
    void SetUp() override {
        ShareFixture::SetUp();
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
    std::vector<std::string> Lines() {
        std::lock_guard lock(linesLock);
        return lines;
    }
    bool Idle() {
        return server->Pool().InUse() == 0 && counters.browse == 0 && counters.uploads == 0 &&
               counters.downloads == 0 && server->Visitors().Names().empty();
    }
    void MakeSparse(const std::string& relative, uint64_t size) {
        Write(relative, "");
        fs::resize_file(Local(relative), size);
    }
    // Downloads `path` with tickets (11, 22, 33): the answer's code and the bytes.
    int8_t Download(const std::string& path, std::string& bytes, size_t limit = SIZE_MAX) {
        CVisitor v(port);
        if (v.SignOn("visitor", kVisitorDownload) != 0) return 99;
        v.Send(EncodeDownloadRequest({{11, 22, 33}, 0, path}));
        std::optional<Packet> answer = v.Receive();
        int8_t code = 99;
        if (answer) DecodeDownloadAnswer(answer->payload, code);
        bytes = code == 0 ? v.ReadRaw(limit) : std::string();
        return code;
    }

    CProcessOptions options;
    CCompleteList completeList;
    CPointBalance balance;
    ActivityCounters counters;
    std::mutex linesLock;
    std::vector<std::string> lines;
    std::unique_ptr<CFileServer> server;
    uint16_t port = 0;
};

TEST_F(FileServerTest, SignOnRefusalsAre2007BytesAndEachKindHasItsLimit) {
    StartServer({}, 1, 6);
    size_t size = 0;
    // The black list decides before the kind is looked at.
    CVisitor listed(port);
    EXPECT_EQ(listed.SignOn("bad", 9, &size), kSignOnBlacklisted);
    EXPECT_EQ(size, 2007u);
    EXPECT_TRUE(listed.Ended());
    CVisitor odd(port);
    EXPECT_EQ(odd.SignOn("someone", 3, &size), kSignOnBadKind);
    EXPECT_EQ(size, 2007u);

    std::vector<std::unique_ptr<CVisitor>> downloads;
    for (int i = 0; i < 6; ++i) {
        downloads.push_back(std::make_unique<CVisitor>(port));
        EXPECT_EQ(downloads.back()->SignOn("d" + std::to_string(i), kVisitorDownload, &size), 0);
        EXPECT_EQ(size, 7u);
    }
    CVisitor seventh(port);
    EXPECT_EQ(seventh.SignOn("d7", kVisitorDownload, &size), kSignOnServerFull);
    EXPECT_EQ(size, 2007u);
    CVisitor up1(port), up2(port);
    EXPECT_EQ(up1.SignOn("u1", kVisitorUpload), 0);
    EXPECT_EQ(up2.SignOn("u2", kVisitorUpload), kSignOnServerFull);
    // A visitor's download is this member's upload.
    EXPECT_EQ(counters.uploads, 6u);
    EXPECT_EQ(counters.downloads, 1u);
    EXPECT_EQ(server->Pool().ActiveDownloads(), 6);
    // A second sign-on on the same connection ends it instead of counting twice.
    EXPECT_EQ(up1.SignOn("u1", kVisitorUpload), 99);
    EXPECT_TRUE(Eventually([&] { return counters.downloads == 0; }));
}

TEST_F(FileServerTest, BrowseSignOnGetsTheGreetingRuleThenTheStatus) {
    StartServer();
    options.BringMessage = 1;
    options.SetMessage("어서 오세요");
    server->SetMemberValue(77);
    CVisitor browse(port);
    SignOnAnswer answer;
    size_t size = 0;
    ASSERT_EQ(browse.SignOn("guest", kVisitorBrowse, &size, &answer), 0);
    EXPECT_EQ(answer.greeting, "어서 오세요");
    EXPECT_EQ(answer.memberValue, 77u);
    EXPECT_EQ(size, 7u + 11u);
    for (int round = 0; round < 2; ++round) {
        std::optional<Packet> status = browse.Receive();
        ASSERT_TRUE(status && status->type == PEER_STATUS_ANS);
        ServerStatus s;
        ASSERT_TRUE(DecodeServerStatus(status->payload, s));
        EXPECT_EQ(s.activeDownloads, 0u);
        EXPECT_EQ(s.downloadLimit, 6u);
        // A type outside the table is ignored; the status request is answered.
        browse.Send(Packet{4242, "x"});
        browse.Send(EncodeStatusRequest());
    }
    EXPECT_EQ(server->Visitors().Names(), std::vector<std::string>{"guest"});
    EXPECT_EQ(counters.browse, 1u);

    CVisitor download(port);
    EXPECT_EQ(download.SignOn("guest", kVisitorDownload, &size, &answer), 0);
    EXPECT_EQ(size, 7u);
    // 1000 Korean characters are 2000 CP949 bytes: too long to greet with.
    std::string longGreeting;
    for (int i = 0; i < 1000; ++i) longGreeting += "가";
    options.SetMessage(longGreeting);
    CVisitor late(port);
    EXPECT_EQ(late.SignOn("late", kVisitorBrowse, &size), 0);
    EXPECT_EQ(size, 7u);
}

TEST_F(FileServerTest, TheTwoHundredFirstConnectionIsClosedWithoutAWord) {
    StartServer();
    std::vector<std::unique_ptr<CVisitor>> visitors;
    for (int i = 0; i < 200; ++i) visitors.push_back(std::make_unique<CVisitor>(port));
    ASSERT_TRUE(Eventually([&] { return server->Pool().InUse() == 200; }));
    CVisitor extra(port);
    EXPECT_TRUE(extra.Ended());
    // A freed slot serves the next visitor.
    visitors.pop_back();
    ASSERT_TRUE(Eventually([&] { return server->Pool().InUse() == 199; }));
    CVisitor next(port);
    EXPECT_EQ(next.SignOn("next", kVisitorBrowse), 0);
}

TEST_F(FileServerTest, FloodsLeaveNoSlotThreadOrDescriptorBehind) {
    StartServer();
    size_t descriptors = Entries("/proc/self/fd");
    size_t threads = Entries("/proc/self/task");
    for (int i = 0; i < 300; ++i) {
        CVisitor v(port);
        switch (i % 5) {
            case 0: break;
            case 1: v.Send(Packet{PEER_SIGNON, "short"}); break;
            case 2: v.SignOn("v" + std::to_string(i % 7), kVisitorBrowse); break;
            case 3: v.SignOn("v", kVisitorDownload); v.Send(EncodeBye()); break;
            case 4:
                v.SignOn("v", kVisitorUpload);
                v.Send(Packet{PEER_UPLOAD, std::string(9, '\xff')});
                break;
        }
    }
    EXPECT_TRUE(Eventually([&] { return Idle(); }));
    EXPECT_TRUE(Eventually([&] { return Entries("/proc/self/fd") == descriptors; }));
    EXPECT_TRUE(Eventually([&] { return Entries("/proc/self/task") == threads; }));
}

TEST_F(FileServerTest, SilentVisitorsEndAfterTheIdleTimeOutButTransfersWait) {
    FileServerConfig config;
    config.idleTimeout = 300ms;
    StartServer(config);
    CVisitor browse(port), silent(port), download(port);
    ASSERT_EQ(browse.SignOn("quiet", kVisitorBrowse), 0);
    ASSERT_EQ(download.SignOn("patient", kVisitorDownload), 0);
    browse.Receive();
    EXPECT_TRUE(browse.Ended());
    // Even a connection that never signs on gives its slot back.
    EXPECT_TRUE(silent.Ended());
    EXPECT_TRUE(Eventually([&] {
        return counters.browse == 0 && server->Visitors().Names().empty();
    }));
    std::this_thread::sleep_for(400ms);
    ASSERT_TRUE(download.Send(EncodeStatusRequest()));
    std::optional<Packet> status = download.Receive();
    EXPECT_TRUE(status && status->type == PEER_STATUS_ANS);
}

TEST_F(FileServerTest, PricedFilesAreCheckedBeforeAndPaidAfterOverTheCacheLink) {
    test::CScriptedCacheServer cache;
    test::CLoopbackPointsRequester requester(cache.Port());
    cache.credited = 77;
    cache.balance = 1234;
    StartServer();
    server->SetPointsRequester(&requester);
    MakeSparse("share/big.iso", 10485761);
    MakeSparse("share/ten.iso", 10485760);
    std::string bytes;
    ASSERT_EQ(Download("\\S\\big.iso", bytes), 0);
    EXPECT_EQ(bytes.size(), 10485761u);
    ASSERT_EQ(Download("\\S\\ten.iso", bytes), 0);
    EXPECT_EQ(bytes.size(), 10485760u);
    ASSERT_TRUE(Eventually([&] { return cache.Requests().size() == 3; }));
    std::vector<test::CScriptedCacheServer::Request> r = cache.Requests();
    // The check before big.iso, its payment, and only the payment of ten.iso.
    EXPECT_EQ(r[0].type, 2001);
    EXPECT_EQ(r[1].type, 2005);
    EXPECT_EQ(r[2].type, 2005);
    for (const auto& q : r) {
        EXPECT_EQ(q.memberId, "visitor");
        EXPECT_EQ(std::vector<uint32_t>({q.keyLow, q.keyHigh, q.first, q.second}),
                  std::vector<uint32_t>({11, 22, 33, 80}));
    }
    ASSERT_TRUE(Eventually([&] { return Lines().size() == 2; }));
    EXPECT_EQ(Lines()[1], "\"visitor\"(으)로 부터 77포인트를 받았습니다.");
    EXPECT_EQ(balance.Balance(), 1234);
}

TEST_F(FileServerTest, CacheTimeOutsLetTheDownloadGoAndRefusalsStopIt) {
    test::CScriptedCacheServer cache;
    test::CLoopbackPointsRequester requester(cache.Port());
    FileServerConfig config;
    config.pointsTimeout = 200ms;
    StartServer(config);
    MakeSparse("share/big.iso", 10485761);
    std::string bytes;
    // Not signed in at the cache server: nothing to check with.
    EXPECT_EQ(Download("\\S\\big.iso", bytes), kTransferNoPayment);
    server->SetPointsRequester(&requester);
    cache.checkCode = int8_t{-1};
    EXPECT_EQ(Download("\\S\\big.iso", bytes), kTransferNoPayment);
    cache.checkCode = std::nullopt;
    cache.paymentCode = std::nullopt;
    balance.SetBalance(5);
    EXPECT_EQ(Download("\\S\\big.iso", bytes), 0);
    EXPECT_EQ(bytes.size(), 10485761u);
    ASSERT_TRUE(Eventually([&] { return Lines().size() == 4; }));
    EXPECT_EQ(Lines(), (std::vector<std::string>{points_text::kCheckNotSent,
                                                 points_text::kCheckRefused,
                                                 points_text::kCheckNoAnswer,
                                                 points_text::kPaymentNoAnswer}));
    EXPECT_EQ(balance.Balance(), 5);
}

TEST_F(FileServerTest, TheServerViewStopAndKickEndSessions) {
    StartServer();
    MakeSparse("share/slow.bin", 1048576);
    options.LimitSpeed = 20;
    CVisitor browse(port);
    ASSERT_EQ(browse.SignOn("watcher", kVisitorBrowse), 0);
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
    browse.Receive();
    EXPECT_TRUE(browse.Ended());
    ASSERT_TRUE(Eventually([&] { return Idle(); }));
    std::vector<ServerTransfer> records = server->Transfers().Records();
    EXPECT_EQ(records[0].state, kTransferStateFailed);
    EXPECT_EQ(records[0].session, nullptr);
}

TEST_F(FileServerTest, StopEndsSessionsBlockedInReceivesAndCacheWaits) {
    test::CScriptedCacheServer cache;
    test::CLoopbackPointsRequester requester(cache.Port());
    cache.checkCode = std::nullopt;
    StartServer();
    server->SetPointsRequester(&requester);
    MakeSparse("share/big.iso", 10485761);
    CVisitor browse(port), download(port), unsigned_(port), paying(port);
    ASSERT_EQ(browse.SignOn("b", kVisitorBrowse), 0);
    ASSERT_EQ(download.SignOn("d", kVisitorDownload), 0);
    ASSERT_EQ(paying.SignOn("p", kVisitorDownload), 0);
    paying.Send(EncodeDownloadRequest({{1, 2, 3}, 0, "\\S\\big.iso"}));
    ASSERT_TRUE(Eventually([&] { return cache.Requests().size() == 1; }));
    ASSERT_EQ(server->Stop(), 0);
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(server->Running());
    browse.Receive();
    for (CVisitor* v : {&browse, &download, &unsigned_, &paying}) EXPECT_TRUE(v->Ended());
    // The check was cancelled, not timed out.
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(server->Stop(), -1);
}

TEST_F(FileServerTest, TraversalOverTheWireSendsNoByteOfAnOutsideFile) {
    StartServer();
    Write("outside/secret.txt", "TOP-SECRET");
    fs::create_symlink(dir / "outside", Local("share/out"));
    for (const char* path : {"\\S\\..\\outside\\secret.txt", "\\S\\out\\secret.txt",
                             "\\S\\/../outside/secret.txt", "\\S\\..\\..\\..\\etc\\passwd"}) {
        CVisitor v(port);
        ASSERT_EQ(v.SignOn("x", kVisitorDownload), 0);
        v.Send(EncodePathRequest(PEER_FILE_INFO, path));
        v.Send(EncodeDownloadRequest({{}, 0, path}));
        v.Send(EncodeBye());
        std::string all;
        while (std::optional<Packet> p = v.Receive()) all += p->payload;
        all += v.ReadRaw(SIZE_MAX);
        EXPECT_EQ(all.find("TOP-SECRET"), std::string::npos) << path;
    }
}

}  // namespace
}  // namespace velorin
