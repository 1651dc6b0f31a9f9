#include "views/server_view.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "data/complete_list.h"
#include "data/process_options.h"
#include "fileserver/activity_counters.h"
#include "fileserver/file_server.h"
#include "fileserver/peer_messages.h"
#include "fileserver/point_balance.h"
#include "fileserver_fixture.h"
#include "support/eventually.h"
#include "support/view_mirror.h"
#include "support/wire_link.h"

namespace velorin {
namespace {

using test::Eventually;

constexpr uint64_t kBlock = 16384;
constexpr uint64_t kSlowSize = 12 * kBlock;

// The member's server on loopback with the view that its lists post to; the
// view's clock is the test's, the server's the system's.
class ServerViewTest : public test::ShareFixture {
protected:
    void SetUp() override {
        ShareFixture::SetUp();
        ASSERT_TRUE(completeList.Open(dir / "completelist.db"));
        Publish("S", "share");
        MakeSparse("share/slow.bin", kSlowSize);
        // One block every 2 s: a download stays in its data phase while the test looks.
        options.LimitSpeed = 1000;
        server = std::make_unique<CFileServer>(
            FileServerParts{db, options, completeList, balance, counters, SystemServerClock(), {}});
        view = std::make_unique<CServerView>(queue, *server, viewClock);
        server->SetWindows(&queue, 0, view->Handle());
        ASSERT_EQ(server->Open(0), 0);
        ASSERT_EQ(server->Start(6, 6), 0);
    }
    void TearDown() override {
        server->Stop();
        view.reset();
    }
    bool SignOn(test::CWireLink& link, const std::string& id, int8_t kind) {
        if (!link.Connect("127.0.0.1", server->GetPort()) ||
            !link.Send(PEER_SIGNON, EncodeSignOn({id, kind}).payload)) {
            return false;
        }
        std::optional<Packet> answer = link.ReceiveType(PEER_SIGNON_ANS);
        SignOnAnswer decoded;
        return answer && DecodeSignOnAnswer(answer->payload, decoded) && decoded.code == 0;
    }
    ServerTransfer Record() {
        std::vector<ServerTransfer> records = server->Transfers().Records();
        return records.empty() ? ServerTransfer{} : records[0];
    }

    CProcessOptions options;
    CCompleteList completeList;
    CPointBalance balance;
    ActivityCounters counters;
    CMessageQueue queue;
    test::CManualServerClock viewClock;
    std::unique_ptr<CFileServer> server;
    std::unique_ptr<CServerView> view;
};

TEST_F(ServerViewTest, VisitorsAndServedTransfersAreToldByRowsWithTheirValues) {
    test::CWireLink kim, lee, downloader;
    struct Step {
        const char* what;
        std::function<void()> act;
        std::function<bool()> shown;
        std::vector<std::string> visitorChanges;
        std::vector<std::string> transferChanges;
        std::function<void(const ServerTransferRow& first)> check = {};
    };
    const Step steps[] = {
        {"a browsing visitor arrives",
         [&] { ASSERT_TRUE(SignOn(kim, "kim", kVisitorBrowse)); },
         [&] { return view->Visitors().size() == 1; },
         {"inserted 0+1"},
         {}},
        {"a second one",
         [&] { ASSERT_TRUE(SignOn(lee, "lee", kVisitorBrowse)); },
         [&] { return view->Visitors().size() == 2; },
         {"inserted 1+1"},
         {}},
        {"a download starts",
         [&] {
             ASSERT_TRUE(SignOn(downloader, "dl", kVisitorDownload));
             Packet request = EncodeDownloadRequest({{11, 22, 33}, 0, "\\S\\slow.bin"});
             ASSERT_TRUE(downloader.Send(request.type, request.payload));
         },
         [&] { return view->Transfers().size() == 1; },
         {},
         {"inserted 0+1"}},
        {"the tick after its first block",
         [&] {
             ASSERT_TRUE(Eventually([&] { return Record().moved == kBlock; }));
             viewClock.seconds = Record().startTime + 8;
             view->Tick();
         },
         [] { return true; },
         {},
         {"changed 0+1"},
         [](const ServerTransferRow& row) {
             EXPECT_EQ(row.transferState, kTransferStateTransferring);
             EXPECT_EQ(row.presentBytes, kBlock);
             EXPECT_EQ(row.present, "16,384");
             EXPECT_EQ(row.progress, "  8 %");
             EXPECT_EQ(row.speed, "2.0k");
             EXPECT_EQ(row.bytesPerSecond, 2048u);
             // 11 blocks left at 2 KiB/s.
             EXPECT_EQ(row.remainingSeconds, 88);
             EXPECT_EQ(row.remaining, "00:01:28");
         }},
        {"a kicked visitor leaves once reaped",
         [&] { view->Kick("KIM"); },
         [&] { return view->Visitors() == std::vector<std::string>{"lee"}; },
         {"removed 0+1"},
         {}},
        {"the stopped download fails",
         [&] { EXPECT_FALSE(view->Command(server_view_text::kStop, 0)); },
         [&] { return view->Transfers()[0].transferState == kTransferStateFailed; },
         {},
         {"changed 0+1"},
         [](const ServerTransferRow& row) { EXPECT_EQ(row.status, "전송실패"); }},
        {"the finished record is removed",
         [&] {
             ASSERT_TRUE(Eventually([&] { return Record().session == nullptr; }));
             EXPECT_FALSE(view->Command(server_view_text::kDelete, 0));
         },
         [&] { return view->Transfers().empty(); },
         {},
         {"removed 0+1"}},
        {"the last visitor hangs up",
         [&] { lee.Close(); },
         [&] { return view->Visitors().empty(); },
         {"removed 0+1"},
         {}},
    };

    test::CViewMirror<std::string> visitors(
        view->VisitorObservers(), [&]() -> const auto& { return view->Visitors(); });
    test::CViewMirror<ServerTransferRow> transfers(
        view->TransferObservers(), [&]() -> const auto& { return view->Transfers(); });
    for (const Step& step : steps) {
        step.act();
        ASSERT_TRUE(Eventually([&] {
            queue.ProcessPending();
            return step.shown();
        })) << step.what;
        queue.ProcessPending();
        EXPECT_EQ(visitors.Take(), step.visitorChanges) << step.what;
        EXPECT_EQ(transfers.Take(), step.transferChanges) << step.what;
        EXPECT_EQ(visitors.drawn, view->Visitors()) << step.what;
        EXPECT_TRUE(transfers.drawn == view->Transfers()) << step.what;

        if (step.check) step.check(view->Transfers().at(0));
    }
    EXPECT_FALSE(visitors.outOfRange);
    EXPECT_FALSE(transfers.outOfRange);
}

TEST_F(ServerViewTest, AFullViewPrunesItsFinishedRowsOnTheTick) {
    CServerTransferList& list = server->Transfers();
    for (size_t i = 0; i + 1 < kServerViewPruneRows; ++i) {
        uint64_t id = list.Track("v", std::to_string(i), kServerKindUpload, 10, 0, nullptr);
        list.Update(id, i % 2 == 0 ? 10 : 3,
                    i % 2 == 0 ? kTransferStateCompleted : kTransferStateFailed);
    }
    list.Track("v", "running", kServerKindDownload, 10, 0, nullptr);
    test::CViewMirror<ServerTransferRow> transfers(
        view->TransferObservers(), [&]() -> const auto& { return view->Transfers(); });
    queue.ProcessPending();
    EXPECT_EQ(transfers.Take(), std::vector<std::string>{"inserted 0+40"});

    view->Tick();
    queue.ProcessPending();
    EXPECT_EQ(transfers.Take(), std::vector<std::string>{"removed 0+39"});
    ASSERT_EQ(view->Transfers().size(), 1u);
    EXPECT_EQ(view->Transfers()[0].fileName, "running");
    EXPECT_TRUE(transfers.drawn == view->Transfers());
}

}  // namespace
}  // namespace velorin
