#include "transfer/transfer_store.h"

#include <gtest/gtest.h>

#include "platform/person_lock.h"

#include "platform/sqlite_database.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

TEST(TransferStore, QuotesInEveryTextAreStoredUpdatedAndDeleted) {
    test::CTempFolder dir;
    CPersonRecursiveMutex lock;
    CTransferStore store(lock);
    ASSERT_TRUE(store.OpenTransferStore(dir / "rtfl.db"));
    TransferRow row{"o'neil", "it's\\안녕.txt", "\\S'", 5000000000ull, 0x0100007f, 0x5c1c, 1, 8,
                    ""};
    ASSERT_TRUE(store.InsertTransferRow(row));
    ASSERT_TRUE(store.InsertTransferRow({"b", "x", "\\S", 1, 0, 0, 2, 2, ""}));
    ASSERT_TRUE(store.UpdateTransferRow("o'neil", row.fileName, "\\S'", 1, 4, "can't"));
    std::vector<TransferRow> rows;
    ASSERT_TRUE(store.LoadRows(rows));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].fileName, row.fileName);
    EXPECT_EQ(rows[0].fileSize, 5000000000ull);
    EXPECT_EQ(rows[0].address, 0x0100007fu);
    EXPECT_EQ(rows[0].state, 4);
    EXPECT_EQ(rows[0].message, "can't");
    ASSERT_TRUE(store.DeleteTransferRow("o'neil", row.fileName, "\\S'", 1));
    store.Close();

    // Another connection sees what was committed, in the table's exact shape.
    CSqliteDatabase raw;
    ASSERT_TRUE(raw.Open(dir / "rtfl.db", CSqliteDatabase::Mode::kReadWriteExisting));
    EXPECT_EQ(raw.Columns("RTFL"),
              (std::vector<std::string>{"UserID", "FileName", "VirDirName", "FileSize", "IP",
                                        "Port", "Mode", "State", "ErrorMessage"}));
    int count = 0;
    raw.Query("SELECT UserID FROM RTFL", [&](const SqlRow&) { return ++count, true; });
    EXPECT_EQ(count, 1);
}

TEST(TransferStore, AFileThatIsNoDatabaseIsRefusedUntouched) {
    test::CTempFolder dir;
    test::WriteFile(dir / "rtfl.db", std::string(5000, 'g'));
    CPersonRecursiveMutex lock;
    CTransferStore store(lock);
    EXPECT_FALSE(store.OpenTransferStore(dir / "rtfl.db"));
    EXPECT_EQ(test::ReadFile(dir / "rtfl.db"), std::string(5000, 'g'));
}

}  // namespace
}  // namespace velorin
