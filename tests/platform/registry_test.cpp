#include "platform/registry.h"

#include <gtest/gtest.h>

#include "platform/sqlite_database.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

using test::CTempFolder;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(reg.Open(dir / "registry.db")); }
    CTempFolder dir;
    CRegistry reg;
};

TEST_F(RegistryTest, StoresEachTypeAndRefusesToReadOneTypeAsAnother) {
    EXPECT_TRUE(reg.WriteDword(kAppKey, "MAXUP", 4294967295u));
    EXPECT_TRUE(reg.WriteString(kAppKey, "UserID", "벨로'린"));
    EXPECT_TRUE(reg.WriteBinary(kAppKey, "UserPW", std::string("\0\x01\xFF", 3)));

    uint32_t n = 0;
    std::string s;
    EXPECT_TRUE(reg.ReadDword(kAppKey, "MAXUP", n));
    EXPECT_EQ(n, 4294967295u);
    EXPECT_TRUE(reg.ReadString(kAppKey, "UserID", s));
    EXPECT_EQ(s, "벨로'린");
    EXPECT_TRUE(reg.ReadBinary(kAppKey, "UserPW", s));
    EXPECT_EQ(s, std::string("\0\x01\xFF", 3));

    EXPECT_FALSE(reg.ReadDword(kAppKey, "UserID", n));
    EXPECT_FALSE(reg.ReadString(kAppKey, "MAXUP", s));
    EXPECT_FALSE(reg.ReadDword(kAppKey, "missing", n));
    EXPECT_FALSE(reg.ReadDword(kMsgKey, "MAXUP", n));
}

TEST_F(RegistryTest, EnumeratesInOrderOfFirstWritingEvenAfterUpdates) {
    reg.WriteString(kMsgKey, "0", "a");
    reg.WriteString(kMsgKey, "1", "b");
    reg.WriteString(kMsgKey, "0", "c");
    reg.WriteString(kAppKey, "x", "other key");
    EXPECT_EQ(reg.ValueNames(kMsgKey), (std::vector<std::string>{"0", "1"}));
    EXPECT_TRUE(reg.DeleteValue(kMsgKey, "0"));
    EXPECT_FALSE(reg.DeleteValue(kMsgKey, "0"));
    EXPECT_EQ(reg.ValueNames(kMsgKey), (std::vector<std::string>{"1"}));
}

TEST(Registry, ReadsRowsSeededByAnotherProgram) {
    CTempFolder dir;
    {
        CSqliteDatabase db;
        ASSERT_TRUE(db.Open(dir / "registry.db", CSqliteDatabase::Mode::kReadWriteCreate));
        ASSERT_TRUE(db.Execute(
            "CREATE TABLE registry(key TEXT NOT NULL, name TEXT NOT NULL, type INTEGER NOT NULL, "
            "data, PRIMARY KEY(key, name));"
            "INSERT INTO registry VALUES('Software\\Velorin\\app', 'AutoLogin', 4, 1);"
            "INSERT INTO registry VALUES('Software\\Velorin\\app', 'UserID', 1, CAST('kim' AS "
            "BLOB));"
            "INSERT INTO registry VALUES('Software\\Velorin\\app', 'Bad', 4, 'text');"));
    }
    CRegistry reg;
    ASSERT_TRUE(reg.Open(dir / "registry.db"));
    uint32_t n = 0;
    std::string s;
    EXPECT_TRUE(reg.ReadDword(kAppKey, "AutoLogin", n));
    EXPECT_EQ(n, 1u);
    EXPECT_TRUE(reg.ReadString(kAppKey, "UserID", s));
    EXPECT_EQ(s, "kim");
    EXPECT_FALSE(reg.ReadDword(kAppKey, "Bad", n));
}

TEST(Registry, LeavesGarbageAndForeignFilesUntouched) {
    CTempFolder dir;
    test::WriteFile(dir / "garbage.db", "this is not a database at all, not even close......");
    CRegistry garbage;
    EXPECT_FALSE(garbage.Open(dir / "garbage.db"));
    uint32_t n = 0;
    EXPECT_FALSE(garbage.WriteDword(kAppKey, "x", 1));
    EXPECT_FALSE(garbage.ReadDword(kAppKey, "x", n));
    EXPECT_EQ(test::ReadFile(dir / "garbage.db"),
              "this is not a database at all, not even close......");

    {
        CSqliteDatabase db;
        ASSERT_TRUE(db.Open(dir / "foreign.db", CSqliteDatabase::Mode::kReadWriteCreate));
        ASSERT_TRUE(db.Execute("CREATE TABLE notes(a)"));
    }
    CRegistry foreign;
    EXPECT_FALSE(foreign.Open(dir / "foreign.db"));
    CSqliteDatabase check;
    ASSERT_TRUE(check.Open(dir / "foreign.db", CSqliteDatabase::Mode::kReadWriteExisting));
    EXPECT_FALSE(check.HasTable("registry"));
}

}  // namespace
}  // namespace velorin
