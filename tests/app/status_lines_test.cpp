#include "app/status_lines.h"

#include <gtest/gtest.h>

#include "app/log_writer.h"
#include "support/recording_ui.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

TEST(StatusLines, OnlyTheFourKindsAreShownAndLogged) {
    test::CTempFolder dir;
    test::CRecordingUserInterface ui;
    CLogWriter log;
    log.Configure(dir.Path().string() + "/", 3);
    CStatusLines lines(ui, log);
    LocalTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 6;
    t.hour = 9;
    for (int kind : {0, 1, 2, 3, 4, 8, 16}) lines.AddStatusLine("k" + std::to_string(kind), kind, t);

    auto rows = ui.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].time, "2026-12-06 09:00:00");
    EXPECT_EQ(rows[3].kind, 8);
    // The weekday comes from the record (4, Thursday, by default).
    EXPECT_EQ(test::ReadFile(dir / "20261206.txt"),
              "[Thu Dec 06 09:00:00 2026] 운영    k1\n"
              "[Thu Dec 06 09:00:00 2026] 안내    k2\n"
              "[Thu Dec 06 09:00:00 2026] 주의    k4\n"
              "[Thu Dec 06 09:00:00 2026] 결재    k8\n");
}

TEST(StatusLines, WithWriteLogOffNoFileIsTouched) {
    test::CTempFolder dir;
    test::CRecordingUserInterface ui;
    CLogWriter log;
    log.Configure(dir.Path().string() + "/", 3);
    CStatusLines lines(ui, log);
    lines.SetWriteLog(false);
    lines.AddStatusLine("quiet", kStatusInformation);
    EXPECT_EQ(ui.Rows().size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    // An empty text is shown but never logged.
    lines.SetWriteLog(true);
    lines.AddStatusLine("", kStatusInformation);
    EXPECT_EQ(ui.Rows().size(), 2u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

}  // namespace
}  // namespace velorin
