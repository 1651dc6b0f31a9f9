#include "transfer/transfer_view.h"

#include <gtest/gtest.h>

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
    // A start after the last update shows no negative speed.
    entry.updateTime = 0;
    EXPECT_EQ(MakeRow(entry).speed, "0.0k");
}

}  // namespace
}  // namespace velorin
