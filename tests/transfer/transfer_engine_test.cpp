#include "transfer/transfer_engine.h"

#include <gtest/gtest.h>

#include "fileserver/point_balance.h"
#include "transfer/transfer_texts.h"
#include "transfer_fixture.h"

namespace velorin {
namespace {

using test::ReadFile;
using test::WriteFile;

class TransferEngine : public test::TransferFixture {
protected:
    // Opens the temporary file of `name` for a remote file of `remote` bytes
    // with the entry's offset at `resume`; the offset it settled on.
    uint64_t Open(const std::string& name, uint64_t resume, uint64_t remote) {
        TransferEntry entry;
        entry.FileName = name;
        entry.FileSize = remote;
        entry.ResumeOffset = resume;
        CLocalFile file;
        std::string failure;
        EXPECT_TRUE(OpenDownloadTarget(entry, downloads.string(), file, failure)) << failure;
        return entry.ResumeOffset;
    }
};

TEST_F(TransferEngine, ResumeOnlyFromATemporaryFileOfExactlyTheOffset) {
    WriteFile(downloads / "_velorin_a.bin", std::string(1000, 'x'));
    EXPECT_EQ(Open("a.bin", 1000, 5000), 1000u);
    EXPECT_EQ(ReadFile(downloads / "_velorin_a.bin").size(), 1000u);

    // The file changed since: start over with an emptied file.
    WriteFile(downloads / "_velorin_b.bin", std::string(1500, 'x'));
    EXPECT_EQ(Open("b.bin", 1000, 5000), 0u);
    EXPECT_EQ(ReadFile(downloads / "_velorin_b.bin").size(), 0u);

    // Longer than the remote file.
    WriteFile(downloads / "_velorin_c.bin", std::string(1000, 'x'));
    EXPECT_EQ(Open("c.bin", 1000, 800), 0u);
    EXPECT_EQ(ReadFile(downloads / "_velorin_c.bin").size(), 0u);
}

TEST_F(TransferEngine, FolderDownloadsKeepTheirFoldersAndNamesNeverLeaveTheDownloadFolder) {
    EXPECT_EQ(Open("Folder\\Sub\\x.bin", 0, 10), 0u);
    EXPECT_TRUE(std::filesystem::is_regular_file(downloads / "Folder/Sub/_velorin_x.bin"));
    EXPECT_FALSE(DownloadPathsOf("/d", "..\\x"));
    EXPECT_FALSE(DownloadPathsOf("/d", "a\\\\x"));
    EXPECT_FALSE(DownloadPathsOf("/d", "a/../../x"));
    EXPECT_EQ(DownloadPathsOf("/d", "it's.txt")->temporary, "/d/_velorin_it's.txt");
}

TEST_F(TransferEngine, AnUnwritableDownloadFolderFailsWithTheSystemsText) {
    WriteFile(dir / "file", "x");
    TransferEntry entry;
    entry.FileName = "a.bin";
    CLocalFile file;
    std::string failure;
    EXPECT_FALSE(OpenDownloadTarget(entry, (dir / "file").string(), file, failure));
    EXPECT_EQ(failure, CutMessage(std::string(transfer_text::kCannotOpen) + " Not a directory"));
}

TEST_F(TransferEngine, AFinishedFileTakesTheFirstFreeNumberedName) {
    for (const char* name : {"a.txt", "a(1).txt", "_velorin_a.txt"}) {
        WriteFile(downloads / name, name);
    }
    EXPECT_EQ(FinishDownload(downloads.string(), "a.txt"), (downloads / "a(2).txt").string());
    EXPECT_EQ(ReadFile(downloads / "a(2).txt"), "_velorin_a.txt");
    EXPECT_EQ(ReadFile(downloads / "a.txt"), "a.txt");

    // Inside a relative folder a taken name leaves the file temporary.
    std::filesystem::create_directories(downloads / "F");
    WriteFile(downloads / "F/x", "old");
    WriteFile(downloads / "F/_velorin_x", "new");
    EXPECT_EQ(FinishDownload(downloads.string(), "F\\x"), (downloads / "F/_velorin_x").string());
    EXPECT_EQ(ReadFile(downloads / "F/x"), "old");
}

TEST_F(TransferEngine, ResumeDecisionFollowsContinueRecv) {
    std::string temp = (downloads / "_velorin_r").string();
    EXPECT_EQ(DecideResume(temp, 2, {}), 0u);
    WriteFile(temp, std::string(77, 'r'));
    int asked = 0;
    auto ask = [&](bool yes) {
        return [&asked, yes] {
            ++asked;
            return yes;
        };
    };
    EXPECT_EQ(DecideResume(temp, 0, ask(true)), 77u);
    EXPECT_EQ(DecideResume(temp, 0, ask(false)), 0u);
    EXPECT_EQ(DecideResume(temp, 1, ask(true)), 0u);
    EXPECT_EQ(DecideResume(temp, 2, ask(false)), 77u);
    EXPECT_EQ(asked, 2);
}

TEST_F(TransferEngine, PointsFollowTheBytesReceived) {
    balance.SetBalance(100);
    TransferEntry entry;
    entry.FileName = "big.bin";
    entry.FileSize = 20 * kPriceUnit;
    entry.MovedBytes = 5 * kPriceUnit + kPriceUnit / 2;
    SettlePoints(entry, transfer_text::kDisconnected, "A", manager->Context());
    EXPECT_EQ(balance.Balance(), 60);
    EXPECT_EQ(balanceRequests, 1);

    entry.FileSize = 9 * kPriceUnit;
    entry.MovedBytes = 9 * kPriceUnit;
    SettlePoints(entry, transfer_text::kDone, "A", manager->Context());
    SettlePoints(entry, CutMessage(transfer_text::kBlacklisted), "A", manager->Context());
    EXPECT_EQ(balance.Balance(), 60);
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{"\"A\"에게 40포인트를 지불했습니다.(download : big.bin)",
                                        points_text::kPriceRule, transfer_text::kBlacklisted}));
}

}  // namespace
}  // namespace velorin
