#include "data/share_database.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/temp_folder.h"

namespace velorin {
namespace {

class ShareDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CShareDatabase::CreateFile(dir / "velorin.dat"));
        ASSERT_TRUE(db.Open(dir / "velorin.dat"));
    }
    void AddFolder(const std::string& name, const std::string& path = "/srv/x") {
        bool exists = true;
        ASSERT_TRUE(db.AddShareFolder(exists, name, path, "desc"));
        ASSERT_FALSE(exists);
    }

    test::CTempFolder dir;
    CShareDatabase db;
};

TEST_F(ShareDatabaseTest, NewFolderGetsTheEveryoneGrantAndDuplicatesChangeNothing) {
    AddFolder("movies");
    std::vector<PermissionRow> grants;
    ASSERT_TRUE(db.ListPermissions("movies", grants));
    ASSERT_EQ(grants.size(), 1u);
    EXPECT_EQ(grants[0].user, "[all]");
    EXPECT_EQ(grants[0].permission, 3u);
    EXPECT_EQ(grants[0].desc, "공유폴더");

    bool exists = false;
    ASSERT_TRUE(db.AddShareFolder(exists, "MOVIES", "/elsewhere", "d"));
    EXPECT_TRUE(exists);
    std::vector<ShareFolderRow> folders;
    ASSERT_TRUE(db.ListShareFolders(folders));
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].path, "/srv/x");
}

TEST_F(ShareDatabaseTest, RenamingToATakenNameKeepsTheOldName) {
    AddFolder("a");
    AddFolder("b");
    ASSERT_TRUE(db.UpdateShareFolder("a", "b", "/new", "nd"));
    std::string path;
    ASSERT_TRUE(db.GetSharePath("a", path));
    EXPECT_EQ(path, "/new");
    ASSERT_TRUE(db.GetSharePath("b", path));
    EXPECT_EQ(path, "/srv/x");

    ASSERT_TRUE(db.UpdateShareFolder("a", "c", "/c", "cd"));
    EXPECT_FALSE(db.GetSharePath("a", path));
    std::vector<PermissionRow> grants;
    ASSERT_TRUE(db.ListPermissions("c", grants));
    EXPECT_EQ(grants.size(), 1u);
    ASSERT_TRUE(db.ListPermissions("a", grants));
    EXPECT_TRUE(grants.empty());

    ASSERT_TRUE(db.DeleteShareFolder("c"));
    ASSERT_TRUE(db.ListPermissions("c", grants));
    EXPECT_TRUE(grants.empty());
}

TEST_F(ShareDatabaseTest, AnOwnGrantDecidesEvenWhenEveryoneIsAllowed) {
    AddFolder("f");
    bool exists = false;
    ASSERT_TRUE(db.AddPermission(exists, "f", "kim", 1, ""));
    EXPECT_TRUE(db.HasPermission("f", "kim", 1));
    EXPECT_FALSE(db.HasPermission("f", "kim", 2));  // "[all]" would allow it
    EXPECT_TRUE(db.HasPermission("f", "lee", 2));
    EXPECT_FALSE(db.HasPermission("f", "lee", 4));
    EXPECT_TRUE(db.HasPermission("f", "KIM", 1));  // IDs ignore letter case
    EXPECT_EQ(db.GetPermission("f", "kim"), 1u);
    EXPECT_EQ(db.GetPermission("f", "lee"), 3u);

    ASSERT_TRUE(db.UpdatePermission("f", "[all]", "park", "", 8));
    EXPECT_EQ(db.GetPermission("f", "lee"), 0u);
    EXPECT_FALSE(db.HasPermission("f", "lee", 15));
    EXPECT_FALSE(db.UpdatePermission("f", "nobody", "x", "", 1));
    EXPECT_EQ(db.GetPermission("nofolder", "kim"), 0u);
}

TEST_F(ShareDatabaseTest, TheLastGrantOfAFolderIsNeverRemoved) {
    AddFolder("f");
    uint32_t count = 0;
    ASSERT_TRUE(db.RemovePermission(count, "f", "[all]"));
    EXPECT_EQ(count, 1u);
    std::vector<PermissionRow> grants;
    ASSERT_TRUE(db.ListPermissions("f", grants));
    EXPECT_EQ(grants.size(), 1u);

    bool exists = false;
    ASSERT_TRUE(db.AddPermission(exists, "f", "kim", 7, ""));
    ASSERT_TRUE(db.AddPermission(exists, "f", "kim", 1, ""));
    EXPECT_TRUE(exists);
    ASSERT_TRUE(db.RemovePermission(count, "f", "[all]"));
    EXPECT_EQ(count, 2u);
    ASSERT_TRUE(db.ListPermissions("f", grants));
    ASSERT_EQ(grants.size(), 1u);
    EXPECT_EQ(grants[0].user, "kim");
}

TEST_F(ShareDatabaseTest, ChangingAnIdToOneInTheListChangesOnlyTheDescription) {
    bool exists = false;
    ASSERT_TRUE(db.AddFriend(exists, "a", "first"));
    ASSERT_TRUE(db.AddFriend(exists, "b", "second"));
    ASSERT_TRUE(db.UpdateFriend("a", "b", "changed"));
    std::vector<MemberRow> rows;
    ASSERT_TRUE(db.ListFriends(rows));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].id, "a");
    EXPECT_EQ(rows[0].desc, "changed");

    ASSERT_TRUE(db.AddBlack(exists, "x", ""));
    ASSERT_TRUE(db.AddBlack(exists, "y", ""));
    ASSERT_TRUE(db.UpdateBlack("x", "y", "d"));
    ASSERT_TRUE(db.UpdateBlack("x", "z", "d"));
    bool listed = false;
    ASSERT_TRUE(db.IsBlacklisted(listed, "Z"));
    EXPECT_TRUE(listed);
    ASSERT_TRUE(db.IsBlacklisted(listed, "x"));
    EXPECT_FALSE(listed);
    ASSERT_TRUE(db.DeleteBlack("z"));
    ASSERT_TRUE(db.ListBlack(rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].id, "y");
}

TEST_F(ShareDatabaseTest, TextsAreFittedToTheirColumns) {
    bool exists = false;
    ASSERT_TRUE(db.AddFriend(exists, "가나다라마바사아자차카타", std::string(80, 'd')));
    std::vector<MemberRow> rows;
    ASSERT_TRUE(db.ListFriends(rows));
    EXPECT_EQ(rows[0].id, "가나다라마바사아자차");
    EXPECT_EQ(rows[0].desc, std::string(50, 'd'));
    // The same fitting applies to lookups, so the long form still finds the row.
    ASSERT_TRUE(db.AddFriend(exists, "가나다라마바사아자차카타", ""));
    EXPECT_TRUE(exists);
}

// An injection attempt is just a strange name, in every field.
TEST_F(ShareDatabaseTest, NamesWithQuotesPercentOrNulAreStoredAndFoundAsWritten) {
    const std::string names[] = {"o'neil''", "100%s%n",   std::string("kim\0x", 5),
                                 "\\'--",    "it's 폴더", "'); DROP TABLE a;--"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        AddFolder(name, "/home/o'neil/공유 100%/" + name);
        std::string path;
        ASSERT_TRUE(db.GetSharePath(name, path));
        EXPECT_EQ(path, "/home/o'neil/공유 100%/" + name);
        bool exists = false;
        ASSERT_TRUE(db.AddBlack(exists, name, name));
        EXPECT_FALSE(exists);
        bool listed = false;
        ASSERT_TRUE(db.IsBlacklisted(listed, name));
        EXPECT_TRUE(listed);
    }
    std::vector<MemberRow> rows;
    ASSERT_TRUE(db.ListBlack(rows));
    ASSERT_EQ(rows.size(), std::size(names));
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].id, names[i]);
        EXPECT_EQ(rows[i].desc, names[i]);
    }
    bool listed = true;
    ASSERT_TRUE(db.IsBlacklisted(listed, "kim"));
    EXPECT_FALSE(listed);
    uint32_t count = 0;
    ASSERT_TRUE(db.CountShareFolders(count));
    EXPECT_EQ(count, std::size(names));
}

TEST_F(ShareDatabaseTest, AnIdWithANulDoesNotBorrowTheGrantOfItsPrefix) {
    AddFolder("f");
    ASSERT_TRUE(db.UpdatePermission("f", "[all]", "[all]", "", 0));
    bool exists = false;
    ASSERT_TRUE(db.AddPermission(exists, "f", "kim", 3, ""));
    EXPECT_EQ(db.GetPermission("f", "kim"), 3u);
    EXPECT_EQ(db.GetPermission("f", std::string("kim\0", 4)), 0u);
    EXPECT_EQ(db.GetPermission("f", std::string("kim\0x", 5)), 0u);
}

// A folder never stays behind without its grants, nor grants without their folder.
TEST_F(ShareDatabaseTest, AChangeThatFailsHalfwayLeavesNothingOfItself) {
    AddFolder("kept");
    {
        CSqliteDatabase other;
        ASSERT_TRUE(other.Open(dir / "velorin.dat", CSqliteDatabase::Mode::kReadWriteExisting));
        ASSERT_TRUE(other.Execute(
            "CREATE TRIGGER refuse_insert BEFORE INSERT ON FolderPermission BEGIN SELECT "
            "RAISE(ABORT, 'no'); END; CREATE TRIGGER refuse_delete BEFORE DELETE ON "
            "FolderPermission BEGIN SELECT RAISE(ABORT, 'no'); END; CREATE TRIGGER refuse_rename "
            "BEFORE UPDATE ON FolderPermission BEGIN SELECT RAISE(ABORT, 'no'); END;"));
    }
    bool exists = false;
    EXPECT_FALSE(db.AddShareFolder(exists, "new", "/srv/new", ""));
    EXPECT_FALSE(db.DeleteShareFolder("kept"));
    EXPECT_FALSE(db.UpdateShareFolder("kept", "renamed", "/srv/r", ""));
    std::vector<ShareFolderRow> folders;
    ASSERT_TRUE(db.ListShareFolders(folders));
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].name, "kept");
    EXPECT_EQ(folders[0].path, "/srv/x");
}

// The file server's threads ask while the option page changes the rows.
TEST_F(ShareDatabaseTest, ReadersNeverSeeAChangeHalfDone) {
    AddFolder("music");
    bool exists = false;
    ASSERT_TRUE(db.AddPermission(exists, "music", "kim", 1, ""));
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            std::vector<FolderGrantRow> rows;
            while (!stop) {
                if (!db.HasPermission("music", "kim", 1)) ++torn;
                // A folder that is listed has its grants with it.
                if (!db.ListGrantedFolders("[all]", rows)) ++torn;
                for (const FolderGrantRow& row : rows) torn += row.permission == 3 ? 0 : 1;
            }
        });
    }
    for (int round = 0; round < 200; ++round) {
        ASSERT_TRUE(db.AddShareFolder(exists, "films", "/srv/films", ""));
        ASSERT_TRUE(db.UpdateShareFolder("films", "movies", "/srv/movies", ""));
        ASSERT_TRUE(db.DeleteShareFolder("movies"));
    }
    stop = true;
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(torn, 0);
}

TEST(ShareDatabaseOpen, RefusesMissingGarbageAndForeignFiles) {
    test::CTempFolder dir;
    CShareDatabase db;
    EXPECT_FALSE(db.Open(dir / "missing.dat"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.dat"));
    test::WriteFile(dir / "garbage.dat", std::string(4096, 'x'));
    EXPECT_FALSE(db.Open(dir / "garbage.dat"));
    EXPECT_EQ(test::ReadFile(dir / "garbage.dat"), std::string(4096, 'x'));
    {
        CSqliteDatabase other;
        ASSERT_TRUE(other.Open(dir / "other.dat", CSqliteDatabase::Mode::kReadWriteCreate));
        ASSERT_TRUE(other.Execute("CREATE TABLE ShareFolder(a, b)"));
    }
    EXPECT_FALSE(db.Open(dir / "other.dat"));
    EXPECT_FALSE(CShareDatabase::CreateFile(dir / "other.dat"));
}

}  // namespace
}  // namespace velorin
