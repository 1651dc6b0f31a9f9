#include "app/status_lines.h"

#include <gtest/gtest.h>

#include "app/log_writer.h"
#include "support/recording_ui.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

TEST(StatusLines, OnlyTheFourKindsAreShownAndLoggedAndOnlyWithWriteLog) {
    test::CTempFolder dir;
    test::CRecordingUserInterface ui;
    CLogWriter log;
    log.Configure(dir.Path().string() + "/", 3);
    CStatusLines lines(ui, log);
    for (int kind : {0, 1, 2, 3, 4, 8, 16}) {
        lines.AddStatusLine("k" + std::to_string(kind), kind, LocalTime{2026, 12, 6, 9});
    }
    auto rows = ui.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].time, "2026-12-06 09:00:00");
    EXPECT_EQ(rows[3].kind, 8);
    // The weekday comes from the record (4, Thursday, by default).
    const std::string logged = "[Thu Dec 06 09:00:00 2026] 운영    k1\n"
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

}  // namespace
}  // namespace velorin
