#include "data/badword_check.h"

#include <gtest/gtest.h>

#include <any>

#include "data/badword_file.h"
#include "platform/sqlite_database.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;

// The dialog's window: what the check posted, in order.
class CCheckWindow final : public CWindowTarget {
public:
    using CWindowTarget::CWindowTarget;
    void OnMessage(const Message& message) override {
        if (message.message == CBadWordCheck::kHitMessage)
            hits.push_back(std::any_cast<BadWordHit>(message.payload));
        if (message.message == CBadWordCheck::kProgressMessage) progress.push_back(message.wParam);
        if (message.message == CBadWordCheck::kDoneMessage) {
            ++done;
            files = message.wParam;
            stopped = message.lParam != 0;
        }
    }
    std::vector<BadWordHit> hits;
    std::vector<uintptr_t> progress;
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
    bool WaitDone(int count = 1) {
        for (int i = 0; i < 1000 && window.done < count; ++i)
            queue.DispatchOne(0, std::chrono::milliseconds(10));
        return window.done == count;
    }

    test::CTempFolder dir;
    CBadWordFilter filter;
    CMessageQueue queue;
    CCheckWindow window{queue};
    CBadWordCheck check{filter, queue, window.Handle()};
};

TEST_F(BadWordCheckTest, EverySharedFileIsScannedDepthFirstDotEntriesSkipped) {
    Write("a/[WAREZ] one.avi");
    Write("a/b/c/sex.mp3");
    Write("a/b/sex-warez.zip");
    Write("a/z warez.txt");
    Write("a/.hidden/warez.avi");
    Write("a/.warez.avi");
    Write("a/plain.txt");
    Write("d/warez");
    fs::create_directory_symlink(dir / "a", dir / "a/b/loop");
    ASSERT_TRUE(check.Start({(dir / "a").string(), (dir / "d").string(), (dir / "gone").string()}));
    ASSERT_TRUE(WaitDone());
    EXPECT_FALSE(check.Running());
    EXPECT_FALSE(window.stopped);
    EXPECT_EQ(window.files, 6u);

    std::vector<std::string> lines;
    for (const BadWordHit& hit : window.hits) {
        lines.push_back(hit.fileName + "|" + fs::relative(hit.folder, dir.Path()).string() + "|" +
                        hit.word + "|" + hit.req);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "[WAREZ] one.avi|a|warez|저작권협회",
                         "z warez.txt|a|warez|저작권협회",
                         "sex-warez.zip|a/b|sex|음란물",
                         "sex-warez.zip|a/b|warez|저작권협회",
                         "sex.mp3|a/b/c|sex|음란물",
                         "warez|d|warez|저작권협회",
                     }));
    EXPECT_EQ(check.Hits().size(), lines.size());

    // A new start empties the list first.
    ASSERT_TRUE(check.Start({(dir / "d").string()}));
    ASSERT_TRUE(WaitDone(2));
    EXPECT_EQ(check.Hits().size(), 1u);
}

TEST_F(BadWordCheckTest, ASecondStartWhileRunningDoesNothingAndStopEndsTheWalk) {
    for (int i = 0; i < 3000; ++i)
        Write("big/" + std::to_string(i / 100) + "/f" + std::to_string(i));
    Write("big/warez.avi");
    ASSERT_TRUE(check.Start({(dir / "big").string()}));
    bool second = check.Start({(dir / "big").string()});
    ASSERT_TRUE(WaitDone(second ? 2 : 1));
    EXPECT_EQ(window.files, 3001u);
    EXPECT_EQ(check.Hits().size(), 1u);
    EXPECT_FALSE(window.progress.empty());
    EXPECT_EQ(window.progress.back(), 3000u);

    ASSERT_TRUE(check.Start({(dir / "big").string()}));
    check.Stop();
    EXPECT_FALSE(check.Running());
    int before = window.done;
    ASSERT_TRUE(WaitDone(before + 1));
    if (window.stopped) {
        EXPECT_LT(window.files, 3001u);
    }
}

}  // namespace
}  // namespace velorin
