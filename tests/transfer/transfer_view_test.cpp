#include "views/transfer_view.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/text_format.h"
#include "support/view_mirror.h"
#include "transfer_fixture.h"

namespace velorin {
namespace {

TEST(TransferView, ColumnTexts) {
    TransferSnapshot entry;
    entry.mode = kModeUpload;
    entry.state = kTransferStateFailed;
    entry.message = "m";
    TransferViewRow empty = MakeRow(entry);
    EXPECT_EQ(empty.progress, "100 %");
    EXPECT_EQ(empty.speed, "0.0k");
    EXPECT_EQ(empty.action, "UP");
    EXPECT_EQ(empty.state, "전송실패");

    entry.fileSize = 4096;
    entry.resumeOffset = 1024;
    entry.movedBytes = 2048;
    entry.startTime = 100;
    entry.updateTime = 102;
    TransferViewRow row = MakeRow(entry);
    EXPECT_EQ(row.progress, " 75 %");
    EXPECT_EQ(row.speed, "1.0k");
    EXPECT_EQ(row.moved, "3,072");
    EXPECT_EQ(row.remaining, "00:00:00");
    EXPECT_EQ(row.bytesPerSecond, 1024u);
    EXPECT_EQ(row.remainingSeconds, 0);
    // A start after the last update shows no negative speed.
    entry.updateTime = 0;
    EXPECT_EQ(MakeRow(entry).speed, "0.0k");
    EXPECT_EQ(MakeRow(entry).bytesPerSecond, 0u);
}

TEST(TransferView, AnEntrysLinkNamesTheFileAtItsPlaceOnTheMembersServer) {
    constexpr uint64_t kBig = 4294967296ull + 1;
    struct Case {
        uint8_t mode;
        std::string fileName;
        std::string name;
    } cases[] = {
        {kModeDownload, "a b.mkv", "a b.mkv"},
        // A folder download's relative folder is the local one; the server holds the name.
        {kModeDownload, "my dl\\sub\\a b.mkv", "a b.mkv"},
        {kModeUpload, "/home/kim/my music/a b.mkv", "a b.mkv"},
        {kModeUpload, "/home/kim/a\\b.mkv", "a\\b.mkv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileName);
        TransferSnapshot entry;
        entry.userId = "kim";
        entry.virDirName = "\\my docs\\sub";
        entry.fileName = c.fileName;
        entry.mode = c.mode;
        entry.fileSize = kBig;
        LinkTexts texts = EntryLinkTexts(entry);
        EXPECT_EQ(texts, FileLinkTexts("kim", "\\my docs\\sub", c.name, kBig));
    }
}

TEST(TransferView, OnlyACompletedRowHasAFileToRun) {
    struct Case {
        uint8_t mode;
        uint8_t state;
        std::string fileName;
        std::optional<std::string> path;
    } cases[] = {
        {kModeDownload, kTransferStateCompleted, "a b.mkv", "/dl/a b.mkv"},
        {kModeDownload, kTransferStateCompleted, "my dl\\sub\\a.mkv", "/dl/my dl/sub/a.mkv"},
        {kModeDownload, kTransferStateCompleted, "..\\escaped", std::nullopt},
        {kModeUpload, kTransferStateCompleted, "/home/kim/a.mkv", "/home/kim/a.mkv"},
        {kModeDownload, kTransferStateTransferring, "a.mkv", std::nullopt},
        {kModeDownload, kTransferStateFailed, "a.mkv", std::nullopt},
        {kModeUpload, kTransferStateCancelled, "/home/kim/a.mkv", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileName);
        TransferViewRow row;
        row.mode = c.mode;
        row.transferState = c.state;
        row.fileName = c.fileName;
        EXPECT_EQ(FinishedFilePath(row, "/dl"), c.path);
    }
}

// The member's transfer view over the real transfer list, downloading from
// member A's real server at one block every 2 s.
class TransferViewTest : public test::TransferFixture {
protected:
    void SetUp() override {
        TransferFixture::SetUp();
        Publish("S", "share");
        MakeSparse("share/slow.bin", kSlowSize);
        Write("share/small.bin", "small");
        serverOptions.LimitSpeed = 1000;
        StartServer();
        view = std::make_unique<CTransferView>(queue, *manager, clock);
        manager->Context().SetWindows(&queue, view->Handle(), 0);
    }
    void Download(const std::string& name, uint64_t size) {
        ServerRecord record;
        ASSERT_TRUE(servers.FindById("A", record));
        ASSERT_FALSE(manager->ReserveDownload("A", "\\S", name, size, Loopback(), record.tcpPort));
    }
    const TransferViewRow* Row(size_t index) {
        return index < view->Rows().size() ? &view->Rows()[index] : nullptr;
    }

    static constexpr uint64_t kBlock = 16384;
    static constexpr uint64_t kSlowSize = 12 * kBlock;
    CMessageQueue queue;
    std::unique_ptr<CTransferView> view;
};

TEST_F(TransferViewTest, EventsAreToldByRowsAndTheTickedRowCarriesItsValues) {
    struct Step {
        const char* what;
        std::function<void()> act;
        std::function<bool()> shown;
        // Rows whose texts change as the worker goes on are told as changed
        // whenever a message finds them so; only the steps marked compare those.
        std::vector<std::string> told;
        bool changesToo = false;
        std::function<void(const CTransferView&)> check = {};
    };
    const Step steps[] = {
        {"the first reservation lists its member and selects it",
         [&] { Download("slow.bin", kSlowSize); },
         [&] { return Row(0) && Row(0)->transferState == kTransferStateTransferring; },
         {"state", "reset"}},
        {"a second one of the member is inserted",
         [&] { Download("small.bin", 5); },
         [&] { return Row(1) != nullptr; },
         {"inserted 1+1"}},
        {"the tick after the first block changes only its row",
         [&] {
             ASSERT_TRUE(test::Eventually([&] {
                 std::optional<TransferSnapshot> entry = Entry("A", "slow.bin");
                 return entry && entry->movedBytes == kBlock;
             }));
             clock.seconds += 8;
             view->Tick();
         },
         [] { return true; },
         {"changed 0+1"},
         true,
         [](const CTransferView& shown) {
             const TransferViewRow& row = shown.Rows().at(0);
             EXPECT_EQ(row.transferState, kTransferStateTransferring);
             EXPECT_EQ(row.mode, kModeDownload);
             EXPECT_EQ(row.fileSize, kSlowSize);
             EXPECT_EQ(row.movedBytes, kBlock);
             EXPECT_EQ(row.resumeOffset, 0u);
             EXPECT_EQ(row.moved, "16,384");
             EXPECT_EQ(row.progress, "  8 %");
             EXPECT_EQ(row.speed, "2.0k");
             EXPECT_EQ(row.bytesPerSecond, 2048u);
             // 11 blocks left at 2 KiB/s.
             EXPECT_EQ(row.remainingSeconds, 88);
             EXPECT_EQ(row.remaining, "00:01:28");
             EXPECT_EQ(shown.DownloadBytesPerSecond(), 2048u);
             EXPECT_EQ(shown.UploadBytesPerSecond(), 0u);
         }},
        {"a reservation removed",
         [&] { EXPECT_EQ(manager->DeleteEntries("A", {"SMALL.BIN"}, false), 1); },
         [&] { return view->Rows().size() == 1; },
         {"removed 1+1"}},
        {"a stopped transfer changes",
         [&] { EXPECT_EQ(manager->StopEntries("A", {"slow.bin"}), 1); },
         [&] { return Row(0) && Row(0)->transferState == kTransferStateCancelled; },
         {},
         false,
         [](const CTransferView& shown) {
             const TransferViewRow& row = shown.Rows().at(0);
             EXPECT_EQ(row.state, "취소됨");
             // What arrived is kept for a later resume.
             EXPECT_GE(row.resumeOffset + row.movedBytes, kBlock);
             EXPECT_EQ(row.moved, WithThousands(row.resumeOffset + row.movedBytes));
         }},
        {"the member's last entry goes with the member",
         [&] { EXPECT_EQ(manager->DeleteEntries("A", {"slow.bin"}, false), 1); },
         [&] { return view->Members().empty(); },
         {"state", "reset"},
         true},
    };

    test::CViewMirror<TransferViewRow> mirror(
        view->Observers(), [&]() -> const auto& { return view->Rows(); });
    for (const Step& step : steps) {
        step.act();
        ASSERT_TRUE(test::Eventually([&] {
            queue.ProcessPending();
            return step.shown();
        })) << step.what;
        queue.ProcessPending();
        std::vector<std::string> told = mirror.Take();
        if (!step.changesToo) {
            std::erase_if(told, [](const std::string& t) { return t.rfind("changed", 0) == 0; });
        }
        EXPECT_EQ(told, step.told) << step.what;
        EXPECT_TRUE(mirror.drawn == view->Rows()) << step.what;

        if (step.check) step.check(*view);
    }
    EXPECT_FALSE(mirror.outOfRange);
    EXPECT_TRUE(view->Rows().empty());
}

TEST_F(TransferViewTest, ARowsLinksAreThoseOfTheEntryStillBehindIt) {
    EXPECT_EQ(view->LinkTextsOf(0), std::nullopt);
    Download("slow.bin", kSlowSize);
    ASSERT_TRUE(test::Eventually([&] {
        queue.ProcessPending();
        return Row(0) != nullptr;
    }));
    EXPECT_EQ(view->LinkTextsOf(0), FileLinkTexts("A", "\\S", "slow.bin", kSlowSize));
    EXPECT_EQ(view->LinkTextsOf(1), std::nullopt);
    // The row waits for the posted changes; the entry is gone already.
    EXPECT_EQ(manager->StopEntries("A", {"slow.bin"}), 1);
    ASSERT_TRUE(test::Eventually([&] {
        std::optional<TransferSnapshot> entry = Entry("A", "slow.bin");
        return entry && entry->state == kTransferStateCancelled;
    }));
    EXPECT_EQ(manager->DeleteEntries("A", {"slow.bin"}, false), 1);
    EXPECT_EQ(view->LinkTextsOf(0), std::nullopt);
}

}  // namespace
}  // namespace velorin
