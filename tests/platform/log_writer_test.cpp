#include "platform/log_writer.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace velorin {
namespace {

TEST(LogWriter, EachModeNamesItsFileFromTheLocalTime) {
    LocalTime t{1980, 1, 2, 3, 4, 5, 3};
    const char* expected[] = {"L/0000.txt",           "L/1980.txt",       "L/198001.txt",
                              "L/19800102.txt",       "L/1980010203.txt", "L/198001020304.txt",
                              "L/19800102030405.txt", "L/1980010203.txt"};
    for (int mode = 1; mode <= 7; ++mode) {
        CLogWriter log;
        log.Configure("L/", mode);
        EXPECT_EQ(log.FileName(t), expected[mode]) << mode;
    }
}

TEST(LogWriter, AppendsEntriesInTheTextualTimeForm) {
    test::CTempFolder dir;
    CLogWriter log;
    log.Configure(dir.Path().string() + "/", 3);
    LocalTime t{1980, 1, 2, 2, 3, 55, 3};
    EXPECT_EQ(log.Write("운영    one\n", t), 0);
    EXPECT_EQ(log.Write("two 100% '\n", t), 0);
    EXPECT_EQ(test::ReadFile(dir / "19800102.txt"),
              "[Wed Jan 02 02:03:55 1980] 운영    one\n[Wed Jan 02 02:03:55 1980] two 100% '\n");
    // After midnight a new file begins.
    log.Write("three\n", LocalTime{1980, 1, 3, 0, 0, 1, 4});
    EXPECT_EQ(test::ReadFile(dir / "19800103.txt"), "[Thu Jan 03 00:00:01 1980] three\n");
}

TEST(LogWriter, YearlyFilesKeepTheFullTimeAndLongMessagesAreCut) {
    test::CTempFolder dir;
    CLogWriter log;
    log.Configure(dir.Path().string() + "/", 1);
    LocalTime t{1980, 1, 2, 2, 3, 55, 3};
    log.Write("x", t);
    EXPECT_EQ(test::ReadFile(dir / "1980.txt"), "[ Wed Jan 02 02:03:55 1980\n ] x ");

    CLogWriter daily;
    daily.Configure(dir.Path().string() + "/", 3);
    daily.Write(std::string(1022, 'a') + "가", t);
    EXPECT_EQ(test::ReadFile(dir / "19800102.txt").size(), 27 + 1022u);
}

TEST(LogWriter, AFolderThatCannotBeWrittenLosesTheEntry) {
    CLogWriter log;
    log.Configure("/nonexistent-folder/velorin/", 3);
    EXPECT_EQ(log.Write("x"), -1);
}

}  // namespace
}  // namespace velorin
