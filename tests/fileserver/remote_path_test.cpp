#include "fileserver/remote_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileserver/local_file.h"
#include "platform/text_encoding.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;

TEST(RemotePath, SplitsRootFolderAndRest) {
    EXPECT_EQ(SplitRemotePath("\\").kind, kRemoteRoot);
    EXPECT_EQ(SplitRemotePath("").kind, kRemoteInvalid);
    EXPECT_EQ(SplitRemotePath("Music").kind, kRemoteInvalid);
    RemotePath folder = SplitRemotePath("\\Music");
    EXPECT_EQ(folder.kind, kRemoteFolder);
    EXPECT_EQ(folder.folder, "Music");
    RemotePath rest = SplitRemotePath("\\Music\\Live\\b.mp3");
    EXPECT_EQ(rest.kind, kRemoteFolderAndRest);
    EXPECT_EQ(rest.rest, "Live\\b.mp3");
    EXPECT_EQ(rest.components, (std::vector<std::string>{"Live", "b.mp3"}));
    // The folder tree's doubled separator, and "/" as a separator too, collapse.
    EXPECT_EQ(SplitRemotePath("\\Music\\\\Live/\\b.mp3").components,
              (std::vector<std::string>{"Live", "b.mp3"}));
    EXPECT_EQ(
        SplitRemotePath("\\" + Utf8ToCp949("음악") + "\\" + Utf8ToCp949("노래.mp3")).components,
        (std::vector<std::string>{"노래.mp3"}));
}

TEST(RemotePath, RefusesEmptyOrSeparatorEndedRestsAndLongPaths) {
    EXPECT_EQ(SplitRemotePath("\\Music\\").kind, kRemoteInvalid);
    EXPECT_EQ(SplitRemotePath("\\Music\\a\\").kind, kRemoteInvalid);
    EXPECT_EQ(SplitRemotePath("\\Music\\a/").kind, kRemoteInvalid);
    std::string exact = "\\M\\" + std::string(257, 'a');
    EXPECT_EQ(SplitRemotePath(exact).kind, kRemoteFolderAndRest);
    EXPECT_EQ(SplitRemotePath(exact + "a").kind, kRemoteInvalid);
}

TEST(RemotePath, RefusesDotComponentsWithEitherSeparator) {
    for (const char* path : {"\\M\\..", "\\M\\..\\x", "\\M\\a\\..\\..\\x", "\\M\\a/../../x",
                             "\\M\\/../x", "\\M\\.", "\\M\\.\\x", "\\M\\x/./y", "\\M\\..\\\\x"}) {
        EXPECT_EQ(SplitRemotePath(path).kind, kRemoteInvalid) << path;
    }
    // Dots inside a name are just a name.
    EXPECT_EQ(SplitRemotePath("\\M\\a..b").kind, kRemoteFolderAndRest);
}

TEST(RemotePath, RefusesControlsAndBytesThatAreNotCleanCp949) {
    EXPECT_EQ(SplitRemotePath(std::string("\\M\\a\0b", 6)).kind, kRemoteInvalid);
    EXPECT_EQ(SplitRemotePath("\\M\\a\nb").kind, kRemoteInvalid);
    // A lead byte without its trail byte, and a trail that CP949 does not define.
    EXPECT_EQ(SplitRemotePath("\\M\\a\xB0").kind, kRemoteInvalid);
    EXPECT_EQ(SplitRemotePath("\\M\\\xC8\x2E\x2E").kind, kRemoteInvalid);
    // The overlong UTF-8 spelling of ".." is two Hangul syllables in CP949: a plain name.
    RemotePath overlong = SplitRemotePath("\\M\\\xC0\xAE\xC0\xAE\\x");
    ASSERT_EQ(overlong.kind, kRemoteFolderAndRest);
    EXPECT_EQ(overlong.components.front(), Cp949ToUtf8("\xC0\xAE\xC0\xAE"));
    EXPECT_NE(overlong.components.front(), "..");
}

class ShareRootTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "share" / "sub");
        fs::create_directories(dir / "outside");
        test::WriteFile(dir / "share" / "sub" / "in.txt", "inside");
        test::WriteFile(dir / "outside" / "secret.txt", "secret");
        test::WriteFile(dir / "share" / ".hidden", "hidden");
        ASSERT_TRUE(root.Open((dir / "share").string()));
    }

    test::CTempFolder dir;
    CShareRoot root;
};

TEST_F(ShareRootTest, ResolvesOnlyVisiblePlacesInside) {
    EXPECT_EQ(root.Resolve({"sub", "in.txt"}), (dir / "share" / "sub" / "in.txt").string());
    EXPECT_FALSE(root.Resolve({"sub", "missing"}));
    EXPECT_FALSE(root.Resolve({".hidden"}));
    EXPECT_FALSE(root.Resolve({"..", "outside", "secret.txt"}));
    // An absolute-looking rest is joined below the folder, never in its place.
    EXPECT_FALSE(root.Resolve(SplitRemotePath("\\M\\/etc/passwd").components));
    EXPECT_EQ(SplitRemotePath("\\M\\/sub//in.txt").components,
              (std::vector<std::string>{"sub", "in.txt"}));
}

TEST_F(ShareRootTest, SymbolicLinksCountOnlyWhenTheyStayInside) {
    fs::create_symlink(dir / "outside", dir / "share" / "out");
    fs::create_symlink(dir / "outside" / "secret.txt", dir / "share" / "secret.txt");
    fs::create_symlink(dir / "share" / "sub", dir / "share" / "alias");
    fs::create_symlink(dir / "share" / ".hidden", dir / "share" / "peek");
    EXPECT_FALSE(root.Resolve({"out", "secret.txt"}));
    EXPECT_FALSE(root.Resolve({"secret.txt"}));
    EXPECT_FALSE(root.Resolve({"peek"}));
    EXPECT_TRUE(root.Resolve({"alias", "in.txt"}));
    struct stat st {};
    EXPECT_FALSE(root.StatEntry(root.RealPath(), "out", st));
    EXPECT_FALSE(root.StatEntry(root.RealPath(), "peek", st));
    EXPECT_TRUE(root.StatEntry(root.RealPath(), "alias", st));
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(ShareRootTest, AnOpenFileCountsWhereItLiesNotWhereItsPathLed) {
    std::optional<std::string> local = root.Resolve({"sub", "in.txt"});
    ASSERT_TRUE(local);
    // The folder is swapped for a link outside between the resolve and the open.
    fs::rename(dir / "share" / "sub", dir / "share" / "moved");
    fs::create_symlink(dir / "outside", dir / "share" / "sub");
    test::WriteFile(dir / "outside" / "in.txt", "secret");
    std::optional<CLocalFile> swapped = CLocalFile::OpenForReading(*local);
    ASSERT_TRUE(swapped);
    EXPECT_FALSE(root.Holds(*swapped));
    std::optional<CLocalFile> moved =
        CLocalFile::OpenForReading(root.Resolve({"moved", "in.txt"}).value());
    ASSERT_TRUE(moved);
    EXPECT_TRUE(root.Holds(*moved));
}

TEST_F(ShareRootTest, WritesGoToNewNamesInsideOrToFilesResolvedInside) {
    EXPECT_EQ(root.ResolveForWrite({"sub", "new.bin"}),
              (dir / "share" / "sub" / "new.bin").string());
    EXPECT_FALSE(root.ResolveForWrite({"nofolder", "new.bin"}));
    EXPECT_FALSE(root.ResolveForWrite({}));
    EXPECT_FALSE(root.ResolveForWrite({".profile"}));
    // A dangling link would create its target outside.
    fs::create_symlink(dir / "outside" / "planted", dir / "share" / "dangling");
    EXPECT_FALSE(root.ResolveForWrite({"dangling"}));
    fs::create_symlink(dir / "outside", dir / "share" / "out");
    EXPECT_FALSE(root.ResolveForWrite({"out", "x"}));
    EXPECT_FALSE(fs::exists(dir / "outside" / "planted"));
}

TEST_F(ShareRootTest, FifosAndFoldersAreNeverOpened) {
    std::string fifo = (dir / "share" / "pipe").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Opening a FIFO for reading would block until a writer came.
    EXPECT_FALSE(CLocalFile::OpenForReading(fifo));
    EXPECT_FALSE(CLocalFile::OpenForWriting(fifo));
    EXPECT_FALSE(RegularFileSize(fifo));
    EXPECT_FALSE(CLocalFile::OpenForReading((dir / "share" / "sub").string()));
    EXPECT_TRUE(CLocalFile::OpenForReading((dir / "share" / "sub" / "in.txt").string()));
}

}  // namespace
}  // namespace velorin
