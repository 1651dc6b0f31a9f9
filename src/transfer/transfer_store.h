#pragma once
// The table RTFL of "rtfl.db": one row per entry of the transfer list, kept
// up to date as the entry moves through its states and read back at start-up.
// Every statement runs under the share database's lock (taken inside a queue
// lock, never around one) and is one SQLite transaction, so a kill at any
// moment leaves the file whole. Texts are stored as UTF-8, every quote doubled.
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/person_lock.h"
#include "platform/sqlite_database.h"

namespace velorin {

struct TransferRow {
    std::string userId;
    std::string fileName;
    std::string virDirName;
    uint64_t fileSize = 0;
    uint32_t address = 0;  // network byte order
    uint16_t port = 0;     // network byte order
    int mode = 0;
    int state = 0;
    std::string message;
};

class CTransferStore {
public:
    explicit CTransferStore(CPersonRecursiveMutex& lock) : lock_(lock) {}

    // Opens (creating when missing) the file and its table.
    bool OpenTransferStore(const std::filesystem::path& file);
    void Close();
    bool IsOpen() const { return db_.IsOpen(); }
    const std::string& LastError() const { return db_.LastError(); }

    bool InsertTransferRow(const TransferRow& row);
    bool DeleteTransferRow(const std::string& userId, const std::string& fileName,
                           const std::string& virDirName, int mode);
    bool UpdateTransferRow(const std::string& userId, const std::string& fileName,
                           const std::string& virDirName, int mode, int state,
                           const std::string& message);
    // Every row, in the table's order.
    bool LoadRows(std::vector<TransferRow>& rows);

private:
    bool Execute(const std::string& sql);

    CPersonRecursiveMutex& lock_;
    CSqliteDatabase db_;
};

}  // namespace velorin
