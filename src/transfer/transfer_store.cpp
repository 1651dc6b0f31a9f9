#include "transfer/transfer_store.h"

#include <charconv>

#include "platform/strings.h"

namespace velorin {
namespace {

constexpr const char* kCreateTable =
    "CREATE TABLE RTFL ( UserID varchar(20), FileName varchar(255), VirDirName varchar(255), "
    "FileSize bigint, IP int, Port int, Mode int, State int, ErrorMessage varchar(50) )";

template <typename T>
T Number(const std::optional<std::string>& text) {
    T value{};
    if (text) std::from_chars(text->data(), text->data() + text->size(), value);
    return value;
}

std::string Text(const std::optional<std::string>& text) {
    return text.value_or(std::string());
}

// The row's key as it stands in DELETE and UPDATE.
std::string KeyClause(const std::string& userId, const std::string& fileName,
                      const std::string& virDirName, int mode) {
    return "UserID='" + SqlQuote(userId) + "' and FileName='" + SqlQuote(fileName) +
           "' and VirDirName='" + SqlQuote(virDirName) + "' and Mode=" + std::to_string(mode);
}

}  // namespace

bool CTransferStore::OpenTransferStore(const std::filesystem::path& file) {
    std::lock_guard lock(lock_);
    if (!db_.Open(file, CSqliteDatabase::Mode::kReadWriteCreate)) return false;
    // WAL with full syncs: each statement is a transaction that survives a
    // kill or a power cut.
    db_.Execute("PRAGMA journal_mode=WAL");
    db_.Execute("PRAGMA synchronous=FULL");
    uint32_t count = 0;
    if (!db_.Query("SELECT COUNT(*) FROM RTFL", [&](const SqlRow&) { return ++count, true; })) {
        return db_.Execute(kCreateTable);
    }
    return true;
}

void CTransferStore::Close() {
    std::lock_guard lock(lock_);
    db_.Close();
}

bool CTransferStore::Execute(const std::string& sql) {
    std::lock_guard lock(lock_);
    return db_.Execute(sql);
}

bool CTransferStore::InsertTransferRow(const TransferRow& row) {
    return Execute(Format("INSERT INTO RTFL VALUES ('%s', '%s', '%s', %llu, %u, %d, %d, %d, '%s')",
                          SqlQuote(row.userId).c_str(), SqlQuote(row.fileName).c_str(),
                          SqlQuote(row.virDirName).c_str(),
                          static_cast<unsigned long long>(row.fileSize), row.address,
                          static_cast<int>(row.port), row.mode, row.state,
                          SqlQuote(row.message).c_str()));
}

bool CTransferStore::DeleteTransferRow(const std::string& userId, const std::string& fileName,
                                       const std::string& virDirName, int mode) {
    return Execute("DELETE FROM RTFL WHERE " + KeyClause(userId, fileName, virDirName, mode));
}

bool CTransferStore::UpdateTransferRow(const std::string& userId, const std::string& fileName,
                                       const std::string& virDirName, int mode, int state,
                                       const std::string& message) {
    return Execute("UPDATE RTFL SET State=" + std::to_string(state) + ", ErrorMessage='" +
                   SqlQuote(message) + "' WHERE " + KeyClause(userId, fileName, virDirName, mode));
}

bool CTransferStore::LoadRows(std::vector<TransferRow>& rows) {
    std::lock_guard lock(lock_);
    return db_.Query("SELECT * FROM RTFL", [&](const SqlRow& r) {
        if (r.size() < 9) return true;
        TransferRow row;
        row.userId = Text(r[0]);
        row.fileName = Text(r[1]);
        row.virDirName = Text(r[2]);
        row.fileSize = Number<uint64_t>(r[3]);
        row.address = Number<uint32_t>(r[4]);
        row.port = Number<uint16_t>(r[5]);
        row.mode = Number<int>(r[6]);
        row.state = Number<int>(r[7]);
        row.message = Text(r[8]);
        rows.push_back(std::move(row));
        return true;
    });
}

}  // namespace velorin
