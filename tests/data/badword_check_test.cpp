#include "data/badword_check.h"

#include <gtest/gtest.h>

#include <any>

#include "data/badword_file.h"
#include "platform/sqlite_database.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;

// The dialog's window: what the check posted.
class CCheckWindow final : public CWindowTarget {
public:
    using CWindowTarget::CWindowTarget;
    void OnMessage(const Message& message) override {
        if (message.message == CBadWordCheck::kHitMessage) {
            const auto& hit = std::any_cast<const BadWordHit&>(message.payload);
            lines.push_back(hit.fileName + "|" + hit.folder + "|" + hit.word + "|" + hit.req);
        }
        if (message.message == CBadWordCheck::kProgressMessage) lastProgress = message.wParam;
        if (message.message == CBadWordCheck::kDoneMessage) {
            ++done;
            files = message.wParam;
            stopped = message.lParam != 0;
        }
    }
    std::vector<std::string> lines;
    uintptr_t lastProgress = 0;
    int done = 0;
    uintptr_t files = 0;
    bool stopped = false;
};

class BadWordCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateBadwordFile(dir / "badword.db"));
        CSqliteDatabase db;
        ASSERT_TRUE(db.Open(dir / "badword.db", CSqliteDatabase::Mode::kReadWriteExisting));
        ASSERT_TRUE(
            db.Execute("INSERT INTO badword VALUES ('warez', '저작권협회'), ('sex', '음란물')"));
        db.Close();
        ASSERT_TRUE(filter.Open(dir / "badword.db"));
    }
    void Write(const std::string& name) {
        fs::create_directories((dir / name).parent_path());
        test::WriteFile(dir / name, "x");
    }
    bool WaitDone(int count) {
        for (int i = 0; i < 1000 && window.done < count; ++i)
            queue.DispatchOne(0, std::chrono::milliseconds(10));
        return window.done == count;
    }
    std::string At(const char* name) { return (dir / name).string(); }

    test::CTempFolder dir;
    CBadWordFilter filter;
    CMessageQueue queue;
    CCheckWindow window{queue};
    CBadWordCheck check{filter, queue, window.Handle()};
};

TEST_F(BadWordCheckTest, EverySharedFileIsScannedDepthFirstDotEntriesSkipped) {
    for (const char* name : {"a/[WAREZ] one.avi", "a/b/c/sex.mp3", "a/b/sex-warez.zip",
                             "a/50 %.mp3", "a/.hidden/warez.avi", "a/.warez.avi", "d/warez"})
        Write(name);
    fs::create_directory_symlink(dir / "a", dir / "a/b/loop");
    ASSERT_TRUE(check.Start({At("a"), At("d"), At("gone")}));
    ASSERT_TRUE(WaitDone(1));
    EXPECT_FALSE(check.Running());
    EXPECT_FALSE(window.stopped);
    EXPECT_EQ(window.files, 5u);
    EXPECT_EQ(window.lines, (std::vector<std::string>{
                                "[WAREZ] one.avi|" + At("a") + "|warez|저작권협회",
                                "sex-warez.zip|" + At("a/b") + "|sex|음란물",
                                "sex-warez.zip|" + At("a/b") + "|warez|저작권협회",
                                "sex.mp3|" + At("a/b/c") + "|sex|음란물",
                                "warez|" + At("d") + "|warez|저작권협회",
                            }));
    // A new start empties the list first.
    ASSERT_TRUE(check.Start({At("d")}));
    ASSERT_TRUE(WaitDone(2));
    EXPECT_EQ(check.Hits().size(), 1u);
}

TEST_F(BadWordCheckTest, ASecondStartWhileRunningDoesNothingAndStopEndsTheWalk) {
    for (int i = 0; i < 3000; ++i)
        Write("big/" + std::to_string(i / 100) + "/f" + std::to_string(i));
    Write("big/warez.avi");
    ASSERT_TRUE(check.Start({At("big")}));
    // Refused unless the first walk already ended; either way one walk's lines remain.
    bool second = check.Start({At("big")});
    ASSERT_TRUE(WaitDone(second ? 2 : 1));
    EXPECT_EQ(window.files, 3001u);
    EXPECT_EQ(window.lastProgress, 3000u);
    EXPECT_EQ(check.Hits().size(), 1u);

    ASSERT_TRUE(check.Start({At("big")}));
    check.Stop();
    EXPECT_FALSE(check.Running());
    ASSERT_TRUE(WaitDone(window.done + 1));
    if (window.stopped) {
        EXPECT_LT(window.files, 3001u);
    }
}

}  // namespace
}  // namespace velorin
