#include "platform/registry.h"

#include <sqlite3.h>

#include "platform/sqlite_database.h"

namespace velorin {
namespace {

// Finalizes a prepared statement when it goes out of scope.
class CStatement {
public:
    CStatement(sqlite3* db, const char* sql) {
        if (db && sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
    }
    ~CStatement() { sqlite3_finalize(stmt_); }
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }
    explicit operator bool() const { return stmt_ != nullptr; }
    void BindText(int index, std::string_view text) {
        sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace

CRegistry::~CRegistry() { Close(); }

bool CRegistry::Open(const std::filesystem::path& file) {
    std::lock_guard lock(mutex_);
    if (db_) return true;
    CSqliteDatabase probe;
    if (!probe.Open(file, CSqliteDatabase::Mode::kReadWriteCreate)) return false;
    if (!probe.HasTable("registry")) {
        // Only an empty database may receive our table; anything else belongs to someone else.
        if (!probe.IsEmpty()) return false;
        if (!probe.Execute("PRAGMA journal_mode=WAL") ||
            !probe.Execute("CREATE TABLE IF NOT EXISTS registry(key TEXT NOT NULL, name TEXT NOT "
                           "NULL, type INTEGER NOT NULL, data, PRIMARY KEY(key, name))")) {
            return false;
        }
    } else {
        probe.Execute("PRAGMA journal_mode=WAL");
    }
    probe.Close();
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return false;
    }
    sqlite3_busy_timeout(db_, 5000);
    return true;
}

void CRegistry::Close() {
    std::lock_guard lock(mutex_);
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

bool CRegistry::IsOpen() const {
    std::lock_guard lock(mutex_);
    return db_ != nullptr;
}

bool CRegistry::Read(std::string_view key, std::string_view name, int type, std::string* blob,
                     int64_t* number) {
    std::lock_guard lock(mutex_);
    CStatement stmt(db_, "SELECT type, data FROM registry WHERE key=?1 AND name=?2");
    if (!stmt) return false;
    stmt.BindText(1, key);
    stmt.BindText(2, name);
    if (sqlite3_step(stmt.get()) != SQLITE_ROW) return false;
    if (sqlite3_column_int(stmt.get(), 0) != type) return false;
    int dataType = sqlite3_column_type(stmt.get(), 1);
    if (number) {
        if (dataType != SQLITE_INTEGER) return false;
        *number = sqlite3_column_int64(stmt.get(), 1);
        return true;
    }
    if (dataType == SQLITE_NULL) {
        blob->clear();
        return true;
    }
    const void* data = sqlite3_column_blob(stmt.get(), 1);
    int size = sqlite3_column_bytes(stmt.get(), 1);
    blob->assign(static_cast<const char*>(data), static_cast<size_t>(size));
    return true;
}

bool CRegistry::Write(std::string_view key, std::string_view name, int type,
                      const std::string* blob, int64_t number) {
    std::lock_guard lock(mutex_);
    // An upsert keeps the row id, so enumeration order stays the order of first writing.
    CStatement stmt(db_,
                    "INSERT INTO registry(key, name, type, data) VALUES(?1, ?2, ?3, ?4) "
                    "ON CONFLICT(key, name) DO UPDATE SET type=excluded.type, data=excluded.data");
    if (!stmt) return false;
    stmt.BindText(1, key);
    stmt.BindText(2, name);
    sqlite3_bind_int(stmt.get(), 3, type);
    if (blob) {
        sqlite3_bind_blob(stmt.get(), 4, blob->data(), static_cast<int>(blob->size()),
                          SQLITE_TRANSIENT);
    } else {
        sqlite3_bind_int64(stmt.get(), 4, number);
    }
    return sqlite3_step(stmt.get()) == SQLITE_DONE;
}

bool CRegistry::ReadDword(std::string_view key, std::string_view name, uint32_t& value) {
    int64_t number = 0;
    if (!Read(key, name, REG_DWORD, nullptr, &number)) return false;
    if (number < 0 || number > 0xFFFFFFFFLL) return false;
    value = static_cast<uint32_t>(number);
    return true;
}

bool CRegistry::WriteDword(std::string_view key, std::string_view name, uint32_t value) {
    return Write(key, name, REG_DWORD, nullptr, value);
}

bool CRegistry::ReadString(std::string_view key, std::string_view name, std::string& text) {
    std::string bytes;
    if (!Read(key, name, REG_SZ, &bytes, nullptr)) return false;
    // A seeded value may carry the terminator of the original format.
    size_t zero = bytes.find('\0');
    if (zero != std::string::npos) bytes.resize(zero);
    text = std::move(bytes);
    return true;
}

bool CRegistry::WriteString(std::string_view key, std::string_view name, std::string_view text) {
    std::string bytes(text.substr(0, text.find('\0')));
    return Write(key, name, REG_SZ, &bytes, 0);
}

bool CRegistry::ReadBinary(std::string_view key, std::string_view name, std::string& bytes) {
    return Read(key, name, REG_BINARY, &bytes, nullptr);
}

bool CRegistry::WriteBinary(std::string_view key, std::string_view name, std::string_view bytes) {
    std::string copy(bytes);
    return Write(key, name, REG_BINARY, &copy, 0);
}

bool CRegistry::DeleteValue(std::string_view key, std::string_view name) {
    std::lock_guard lock(mutex_);
    CStatement stmt(db_, "DELETE FROM registry WHERE key=?1 AND name=?2");
    if (!stmt) return false;
    stmt.BindText(1, key);
    stmt.BindText(2, name);
    return sqlite3_step(stmt.get()) == SQLITE_DONE && sqlite3_changes(db_) > 0;
}

std::vector<std::string> CRegistry::ValueNames(std::string_view key) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    CStatement stmt(db_, "SELECT name FROM registry WHERE key=?1 ORDER BY rowid");
    if (!stmt) return names;
    stmt.BindText(1, key);
    while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(stmt.get(), 0);
        names.emplace_back(reinterpret_cast<const char*>(text),
                           static_cast<size_t>(sqlite3_column_bytes(stmt.get(), 0)));
    }
    return names;
}

}  // namespace velorin
