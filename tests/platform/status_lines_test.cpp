#include "platform/status_lines.h"

#include <gtest/gtest.h>

#include "platform/log_writer.h"

#include <thread>

#include "platform/message_queue.h"
#include "support/recording_ui.h"
#include "support/temp_folder.h"
#include "support/view_mirror.h"

namespace velorin {
namespace {

TEST(StatusLines, OnlyTheFourKindsAreShownAndLoggedAndOnlyWithWriteLog) {
    test::CTempFolder dir;
    test::CRecordingUserInterface ui;
    CLogWriter log;
    log.Configure(dir.Path().string() + "/", 3);
    CMessageQueue queue;
    CStatusLines lines(ui, log, queue);
    for (int kind : {0, 1, 2, 3, 4, 8, 16}) {
        lines.AddStatusLine("k" + std::to_string(kind), kind, LocalTime{2026, 12, 6, 9});
    }
    auto rows = ui.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].time, "2026-12-06 09:00:00");
    EXPECT_EQ(rows[3].kind, 8);
    // The weekday comes from the record (4, Thursday, by default).
    const std::string logged =
        "[Thu Dec 06 09:00:00 2026] 운영    k1\n"
        "[Thu Dec 06 09:00:00 2026] 안내    k2\n"
        "[Thu Dec 06 09:00:00 2026] 주의    k4\n"
        "[Thu Dec 06 09:00:00 2026] 결재    k8\n";
    EXPECT_EQ(test::ReadFile(dir / "20261206.txt"), logged);

    // Shown but not logged: with WriteLog off, and an empty text.
    lines.SetWriteLog(false);
    lines.AddStatusLine("quiet", kStatusInformation, LocalTime{2026, 12, 6, 9});
    lines.SetWriteLog(true);
    lines.AddStatusLine("", kStatusInformation, LocalTime{2026, 12, 6, 9});
    EXPECT_EQ(ui.Rows().size(), 6u);
    EXPECT_EQ(test::ReadFile(dir / "20261206.txt"), logged);
}

TEST(StatusLines, LinesOfAnotherThreadAreLoggedAtOnceAndShownByTheLoopInOrder) {
    test::CTempFolder dir;
    CMessageQueue queue;
    test::CRecordingUserInterface ui;
    ui.Follow(queue);
    CLogWriter log;
    log.Configure(dir.Path().string() + "/", 3);
    CStatusLines lines(ui, log, queue);
    std::thread worker([&] {
        for (const char* text : {"w1", "w2", "w3"})
            lines.AddStatusLine(text, kStatusPayment, LocalTime{2026, 12, 6, 9});
    });
    worker.join();
    EXPECT_EQ(test::ReadFile(dir / "20261206.txt"),
              "[Thu Dec 06 09:00:00 2026] 결재    w1\n"
              "[Thu Dec 06 09:00:00 2026] 결재    w2\n"
              "[Thu Dec 06 09:00:00 2026] 결재    w3\n");
    EXPECT_TRUE(ui.Rows().empty());
    queue.ProcessPending();
    EXPECT_EQ(ui.RowTexts(), (std::vector<std::string>{"w1", "w2", "w3"}));
    EXPECT_EQ(ui.Rows()[0].time, "2026-12-06 09:00:00");
}

TEST(ActivityLog, KeepsTheNewest101RowsAndSaysWhichRowsChanged) {
    CMessageQueue queue;
    test::CRecordingUserInterface ui;
    CLogWriter log;
    CStatusLines lines(ui, log, queue);
    lines.SetWriteLog(false);
    CActivityLog& activity = lines.Activity();
    std::vector<std::string> changes;
    activity.Observers().Subscribe(
        [&](const ViewChange& change) { changes.push_back(test::Describe(change)); });

    for (int i = 0; i < 101; ++i) lines.AddStatusLine("l" + std::to_string(i), kStatusInformation);
    lines.AddStatusLine("unlabelled", 3);
    ASSERT_EQ(activity.Rows().size(), 101u);
    EXPECT_EQ(changes.back(), "inserted 100+1");
    changes.clear();
    lines.AddStatusLine("newest", kStatusCaution);
    EXPECT_EQ(changes, (std::vector<std::string>{"removed 0+1", "inserted 100+1"}));
    EXPECT_EQ(activity.Rows().front().text, "l1");
    EXPECT_EQ(activity.Rows().back().label, "주의");
    EXPECT_EQ(activity.Rows().back().number, 102u);

    struct Case {
        std::vector<size_t> selection;
        std::vector<std::string> changes;
        size_t left;
    };
    for (const Case& c : std::vector<Case>{
             {{0, 0, 5}, {"removed 5+1", "removed 0+1"}, 99},
             {{500}, {}, 99},
             {{98, 97}, {"removed 98+1", "removed 97+1"}, 97},
         }) {
        changes.clear();
        activity.Remove(c.selection);
        EXPECT_EQ(changes, c.changes);
        EXPECT_EQ(activity.Rows().size(), c.left);
    }
    EXPECT_EQ(activity.Rows()[0].text, "l2");
    EXPECT_EQ(activity.Rows()[4].text, "l7");
    changes.clear();
    activity.Clear();
    EXPECT_EQ(changes, std::vector<std::string>{"reset"});
    EXPECT_TRUE(activity.Rows().empty());
    // The person's view got every row the log did.
    EXPECT_EQ(ui.Rows().size(), 102u);
}

}  // namespace
}  // namespace velorin
