#include "data/share_index.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <tuple>

#include "data/share_database.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using Row = std::tuple<std::string, std::string, std::string, uint64_t, int>;

class ShareIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CShareDatabase::CreateFile(dir / "velorin.dat"));
        ASSERT_TRUE(shares.Open(dir / "velorin.dat"));
        ASSERT_TRUE(index.Open());
    }
    void Publish(const std::string& name, const std::string& local) {
        fs::create_directories(dir / local);
        bool exists = false;
        ASSERT_TRUE(shares.AddShareFolder(exists, name, (dir / local).string(), ""));
    }
    void Write(const std::string& relative, size_t size = 0) {
        fs::create_directories((dir / relative).parent_path());
        test::WriteFile(dir / relative, std::string(size, 'x'));
    }
    void Build() {
        index.BuildIndex(shares, [] { return true; });
    }
    std::set<Row> Found(const std::vector<std::string>& words, const std::string& ext = "") {
        std::set<Row> rows;
        index.Find(words, ext, [&](const ShareIndexRow& r) {
            rows.insert({r.name, r.ext, r.path, r.size, r.type});
        });
        return rows;
    }

    test::CTempFolder dir;
    CShareDatabase shares;
    CShareIndex index;
};

TEST_F(ShareIndexTest, HoldsWhatTheServerWouldListUnderVirtualPaths) {
    Publish("Movies", "m");
    Write("m/SONG.MP3", 3);
    Write("m/song.mp3", 4);
    Write("m/noext");
    Write("m/it's.txt", 1);
    Write("m/노래.Ogg", 2);
    Write("m/sub/inner.tar.gz", 5);
    Write("m/.hidden.txt");
    Write("m/.git/config");
    Write("m/sub/.secret");
    Write("outside/private.txt");
    ASSERT_EQ(::mkfifo((dir / "m/pipe").c_str(), 0600), 0);
    fs::create_symlink(dir / "outside", dir / "m/escape");
    fs::create_symlink(dir / "outside/private.txt", dir / "m/escape.txt");
    fs::create_symlink(dir / "m", dir / "m/sub/loop");
    fs::create_symlink(dir / "m/.git/config", dir / "m/config.lnk");
    Build();

    std::set<Row> expected = {
        {"SONG.MP3", "MP3", "\\Movies", 3, kIndexFile},
        {"song.mp3", "MP3", "\\Movies", 4, kIndexFile},
        {"noext", "", "\\Movies", 0, kIndexFile},
        {"it's.txt", "TXT", "\\Movies", 1, kIndexFile},
        {"노래.Ogg", "OGG", "\\Movies", 2, kIndexFile},
        {"sub", "", "\\Movies", 0, kIndexFolder},
        {"loop", "", "\\Movies\\sub", 0, kIndexFolder},
        {"inner.tar.gz", "GZ", "\\Movies\\sub", 5, kIndexFile},
    };
    // "loop" leads back to the shared folder: listed, not walked again.
    EXPECT_EQ(Found({""}), expected);
    EXPECT_EQ(index.Count(), expected.size());
}

TEST_F(ShareIndexTest, WordsMatchAsSubstringsIgnoringAsciiCase) {
    Publish("M", "m");
    for (const char* name : {"abcX", "xDEF", "Ghi.txt", "other", "it's.txt", "100%.txt", "a_b",
                             "axb", "노래.mp3", "song.MP3", "SONG.mp3", "song.ogg"}) {
        Write(std::string("m/") + name);
    }
    Build();
    struct Case {
        std::vector<std::string> words;
        std::string ext;
        std::set<std::string> names;
    } cases[] = {
        {{"abc", "def", "ghi"}, "", {"abcX", "xDEF", "Ghi.txt"}},
        {{"it's"}, "", {"it's.txt"}},
        {{"%"}, "", {"100%.txt"}},
        {{"_"}, "", {"a_b"}},
        {{"노래"}, "", {"노래.mp3"}},
        {{"song"}, "mp3", {"song.MP3", "SONG.mp3"}},
        {{"song"}, "", {"song.MP3", "SONG.mp3", "song.ogg"}},
        {{"song"}, "Mp3", {"song.MP3", "SONG.mp3"}},
        {{"xyz"}, "", {}},
        {{"song"}, "mp3' OR '1'='1", {}},
    };
    for (const Case& c : cases) {
        std::set<std::string> names;
        for (const Row& row : Found(c.words, c.ext)) names.insert(std::get<0>(row));
        EXPECT_EQ(names, c.names) << c.words[0] << " / " << c.ext;
    }
}

TEST_F(ShareIndexTest, AtMostTwentyRowsPerSearch) {
    Publish("M", "m");
    for (int i = 0; i < 30; ++i) Write("m/track" + std::to_string(i) + ".mp3");
    Build();
    EXPECT_EQ(Found({"track"}).size(), 20u);
    EXPECT_EQ(index.Count(), 30u);
}

TEST_F(ShareIndexTest, RebuildStopsAfterTheFolderThatPassedTenThousandEntries) {
    Publish("Big", "big");
    Publish("Later", "later");
    for (uint32_t i = 0; i < kIndexEntryLimit + 50; ++i) Write("big/f" + std::to_string(i));
    Write("later/late.txt");
    Build();
    EXPECT_EQ(index.Count(), kIndexEntryLimit + 1);
    EXPECT_TRUE(Found({"late"}).empty());
}

TEST_F(ShareIndexTest, SearchesSeeThePreviousRowsWhileARebuildRuns) {
    Publish("M", "m");
    Write("m/old.txt");
    Build();
    fs::remove(dir / "m/old.txt");
    Write("m/new.txt");
    bool sawOld = false;
    index.BuildIndex(shares, [&] {
        if (!sawOld) sawOld = Found({"old"}).size() == 1 && Found({"new"}).empty();
        return true;
    });
    EXPECT_TRUE(sawOld);
    EXPECT_TRUE(Found({"old"}).empty());
    EXPECT_EQ(Found({"new"}).size(), 1u);
}

TEST_F(ShareIndexTest, AnInterruptedRebuildKeepsThePreviousRows) {
    Publish("M", "m");
    Write("m/old.txt");
    Build();
    Write("m/new.txt");
    int calls = 0;
    index.BuildIndex(shares, [&] { return ++calls < 3; });
    EXPECT_EQ(Found({"old"}).size(), 1u);
    EXPECT_TRUE(Found({"new"}).empty());
    index.Clear();
    EXPECT_EQ(index.Count(), 0u);
}

TEST_F(ShareIndexTest, UnreadableSubfolderIsSkipped) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    Publish("M", "m");
    Write("m/locked/inside.txt");
    Write("m/open.txt");
    fs::permissions(dir / "m/locked", fs::perms::none);
    Build();
    fs::permissions(dir / "m/locked", fs::perms::owner_all);
    EXPECT_EQ(Found({"open"}).size(), 1u);
    EXPECT_EQ(Found({"locked"}).size(), 1u);
    EXPECT_TRUE(Found({"inside"}).empty());
}

TEST_F(ShareIndexTest, MissingFolderContributesNothing) {
    bool exists = false;
    ASSERT_TRUE(shares.AddShareFolder(exists, "Gone", (dir / "gone").string(), ""));
    Publish("M", "m");
    Write("m/here.txt");
    Build();
    EXPECT_EQ(index.Count(), 1u);
}

}  // namespace
}  // namespace velorin
