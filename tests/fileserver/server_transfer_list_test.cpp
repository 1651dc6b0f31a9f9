#include "fileserver/server_transfer_list.h"

#include <gtest/gtest.h>

#include "fileserver_fixture.h"
#include "support/message_log.h"
#include "views/server_transfer_view.h"

namespace velorin {
namespace {

constexpr uint64_t kMiB = 1048576;

class ServerTransferListTest : public ::testing::Test {
protected:
    void SetUp() override { list.SetOwner({&queue, view.Handle()}); }
    void Finish(uint64_t id, uint64_t moved, uint8_t state, const IVisitorSession* session) {
        list.Update(id, moved, state);
        list.Detach(session);
    }
    ServerTransferRow RowOf(uint64_t id) {
        for (const ServerTransfer& r : list.Records()) {
            if (r.id == id) return MakeServerTransferRow(r);
        }
        return {};
    }

    test::CManualServerClock clock;
    CServerTransferList list{clock};
    CMessageQueue queue;
    test::CMessageLog view{queue};
    test::CRecordingSession s1, s2;
};

TEST_F(ServerTransferListTest, ASecondDownloadOfTheSameFileReusesTheFinishedRecord) {
    uint64_t first = list.Track("kim", "a.mp3", kServerKindDownload, 5000, 0, &s1);
    Finish(first, 5000, kTransferStateCompleted, &s1);
    clock.seconds += 60;
    uint64_t second = list.Track("kim", "a.mp3", kServerKindDownload, 5000, 100, &s2);
    EXPECT_EQ(second, first);
    ASSERT_EQ(list.Records().size(), 1u);
    ServerTransfer r = list.Records()[0];
    EXPECT_EQ(r.state, kTransferStateTransferring);
    EXPECT_EQ(r.moved, 0u);
    EXPECT_EQ(r.startOffset, 100u);
    EXPECT_EQ(r.startTime, clock.seconds);
    EXPECT_EQ(r.session, &s2);
    // Another kind, size, visitor or name is another record; so is a transfer still running.
    list.Track("kim", "a.mp3", kServerKindUpload, 5000, 0, &s1);
    list.Track("KIM", "a.mp3", kServerKindDownload, 5000, 0, &s1);
    list.Track("kim", "a.mp3", kServerKindDownload, 5000, 0, &s1);
    EXPECT_EQ(list.Records().size(), 4u);
    queue.ProcessPending();
    EXPECT_EQ(view.Count(WM_TRANSFER_CHANGED), 5u);
}

TEST_F(ServerTransferListTest, AFullListDropsItsOldestFinishedRecord) {
    CServerTransferList small{clock, 3};
    uint64_t running = small.Track("a", "1", kServerKindDownload, 10, 0, &s1);
    uint64_t done = small.Track("b", "2", kServerKindDownload, 10, 0, &s2);
    small.Update(done, 10, kTransferStateCompleted);
    small.Detach(&s2);
    uint64_t later = small.Track("c", "3", kServerKindUpload, 10, 0, nullptr);
    small.Update(later, 3, kTransferStateFailed);
    // Full: the running record stays, the older finished one goes.
    uint64_t fourth = small.Track("d", "4", kServerKindDownload, 10, 0, &s2);
    std::vector<uint64_t> ids;
    for (const ServerTransfer& r : small.Records()) ids.push_back(r.id);
    EXPECT_EQ(ids, (std::vector<uint64_t>{running, later, fourth}));
}

TEST_F(ServerTransferListTest, OnlyRecordsWithoutASessionAreRemoved) {
    uint64_t running = list.Track("a", "1", kServerKindDownload, 10, 0, &s1);
    uint64_t reaping = list.Track("b", "2", kServerKindDownload, 10, 0, &s2);
    list.Update(reaping, 10, kTransferStateCompleted);
    uint64_t failed = list.Track("c", "3", kServerKindUpload, 10, 0, nullptr);
    list.Update(failed, 3, kTransferStateFailed);
    EXPECT_FALSE(list.Remove(reaping));
    EXPECT_EQ(list.RemoveByState(kTransferStatesFinished), 1u);
    ASSERT_EQ(list.Records().size(), 2u);
    list.Detach(&s2);
    EXPECT_TRUE(list.Remove(reaping));
    EXPECT_EQ(list.Records()[0].id, running);
    // An update of a record that is gone changes nothing.
    list.Update(reaping, 99, kTransferStateFailed);
    EXPECT_EQ(list.Records().size(), 1u);
}

TEST_F(ServerTransferListTest, OutgoingRateLeavesOutFreshTransfersAndUploads) {
    uint64_t old = list.Track("a", "1", kServerKindDownload, 10 * kMiB, 0, &s1);
    list.Update(old, 400 * 1024, kTransferStateTransferring);
    uint64_t upload = list.Track("b", "2", kServerKindUpload, 10 * kMiB, 0, &s2);
    list.Update(upload, 400 * 1024, kTransferStateTransferring);
    clock.seconds += 1;
    uint64_t fresh = list.Track("c", "3", kServerKindDownload, 10 * kMiB, 0, &s2);
    list.Update(fresh, 400 * 1024, kTransferStateTransferring);
    EXPECT_EQ(list.OutgoingKiBps(clock.seconds + 1), 200u);
}

TEST_F(ServerTransferListTest, RowTexts) {
    uint64_t id = list.Track("kim", "노래.mp3", kServerKindDownload, 2 * kMiB, kMiB / 2, &s1);
    list.Update(id, kMiB / 2, kTransferStateTransferring);
    ServerTransferRow row = RowOf(id);
    EXPECT_EQ(row.status, "전송중");
    EXPECT_EQ(row.action, "UP");
    EXPECT_EQ(row.progress, " 50 %");
    EXPECT_EQ(row.speed, "0k");
    EXPECT_EQ(row.size, "2,097,152");
    EXPECT_EQ(row.present, "1,048,576");
    EXPECT_EQ(row.remaining, "00:00:00");
    uint64_t empty = list.Track("lee", "empty", kServerKindUpload, 0, 0, &s1);
    list.Update(empty, 0, kTransferStateFailed);
    EXPECT_EQ(RowOf(empty).progress, "100 %");
    EXPECT_EQ(RowOf(empty).status, "전송실패");
    EXPECT_EQ(RowOf(empty).action, "DN");
}

TEST_F(ServerTransferListTest, TimerUpdatesRunningRowsAndRemainingTime) {
    uint64_t id = list.Track("kim", "big.iso", kServerKindDownload, 1000 * kMiB, 0, &s1);
    std::vector<ServerTransferRow> rows = DrawServerTransferRows(list);
    list.Update(id, 10 * kMiB, kTransferStateTransferring);
    EXPECT_FALSE(RefreshServerTransferRows(list, rows, clock.seconds + 10));
    EXPECT_EQ(rows[0].speed, "1024.0k");
    EXPECT_EQ(rows[0].progress, "  1 %");
    EXPECT_EQ(rows[0].remaining, "00:16:30");
    EXPECT_EQ(list.Records()[0].lastDisplayTime, clock.seconds + 10);
    // More than 99 hours left shows the days.
    list.Update(id, 1024, kTransferStateTransferring);
    EXPECT_FALSE(RefreshServerTransferRows(list, rows, clock.seconds + 1));
    EXPECT_EQ(rows[0].remaining, "11일 20:26:39");
    // An upload's size is the visitor's word: an estimate past any int64_t saturates.
    uint64_t huge = list.Track("lee", "huge", kServerKindUpload, UINT64_MAX, 0, &s2);
    list.Update(huge, 1, kTransferStateTransferring);
    rows = DrawServerTransferRows(list);
    EXPECT_FALSE(RefreshServerTransferRows(list, rows, clock.seconds + 1));
    EXPECT_EQ(rows[1].remaining, "106751991167300일 15:30:07");
    // A row that no longer matches its record asks for a redraw.
    rows[0].fileName = "other";
    EXPECT_TRUE(RefreshServerTransferRows(list, rows, clock.seconds + 2));
}

TEST_F(ServerTransferListTest, FortyRowsPruneFinishedRecordsWithoutSessions) {
    uint64_t running = list.Track("run", "r", kServerKindDownload, 1, 0, &s1);
    for (int i = 0; i < 39; ++i) {
        uint64_t id = list.Track("v", std::to_string(i), kServerKindDownload, 1, 0, nullptr);
        list.Update(id, 1, i % 2 ? kTransferStateCompleted : kTransferStateFailed);
    }
    std::vector<ServerTransferRow> rows = DrawServerTransferRows(list);
    rows.pop_back();
    EXPECT_FALSE(RefreshServerTransferRows(list, rows, clock.seconds));
    EXPECT_EQ(list.Records().size(), 40u);
    rows = DrawServerTransferRows(list);
    EXPECT_TRUE(RefreshServerTransferRows(list, rows, clock.seconds));
    ASSERT_EQ(list.Records().size(), 1u);
    EXPECT_EQ(list.Records()[0].id, running);
}

TEST_F(ServerTransferListTest, CommandsFindTheRecordFromTheRowTexts) {
    std::vector<IVisitorSession*> stopped;
    RequestStopFn stop = [&](IVisitorSession* s) { stopped.push_back(s); };
    uint64_t running = list.Track("kim", "a.bin", kServerKindDownload, kMiB, 0, &s1);
    ServerTransferRow runningRow = RowOf(running);

    EXPECT_EQ(RunServerTransferCommand(list, "TRANS_DEL", runningRow, stop),
              "전송중에는 목록을 삭제할수 없습니다. \r\n전송을 중지하고 삭제하십시오.");
    EXPECT_FALSE(RunServerTransferCommand(list, "TRANS_STOP", runningRow, stop));
    EXPECT_EQ(stopped, std::vector<IVisitorSession*>{&s1});

    Finish(running, 100, kTransferStateFailed, &s1);
    uint64_t upload = list.Track("kim", "sub\\b.bin", kServerKindUpload, 7, 0, &s2);
    RunServerTransferCommand(list, "TRANS_ALLDEL", runningRow, stop);
    ASSERT_EQ(list.Records().size(), 1u);
    EXPECT_EQ(list.Records()[0].id, upload);

    // A record removed meanwhile, and unknown keywords, do nothing.
    EXPECT_FALSE(RunServerTransferCommand(list, "TRANS_STOP", runningRow, stop));
    EXPECT_FALSE(RunServerTransferCommand(list, "TRANS_NONE", RowOf(upload), stop));
    EXPECT_EQ(stopped.size(), 1u);

    Finish(upload, 7, kTransferStateCompleted, &s2);
    ServerTransferRow uploadRow = RowOf(upload);
    EXPECT_FALSE(RunServerTransferCommand(list, "TRANS_DEL", uploadRow, stop));
    EXPECT_TRUE(list.Records().empty());
}

}  // namespace
}  // namespace velorin
