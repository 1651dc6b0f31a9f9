#include "platform/registry.h"

#include <sqlite3.h>

#include "platform/sqlite_database.h"

namespace velorin {
CRegistry::~CRegistry() {
    Close();
}

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
    CSqlStatement stmt(db_, "SELECT type, data FROM registry WHERE key=?1 AND name=?2");
    if (!stmt.Bind(key).Bind(name).Row() || stmt.Int(0) != type) return false;
    if (number) {
        if (stmt.Type(1) != SQLITE_INTEGER) return false;
        *number = stmt.Int(1);
        return true;
    }
    *blob = stmt.Text(1);
    return true;
}

bool CRegistry::Write(std::string_view key, std::string_view name, int type,
                      const std::string* blob, int64_t number) {
    std::lock_guard lock(mutex_);
    // An upsert keeps the row id, so enumeration order stays the order of first writing.
    CSqlStatement stmt(db_,
                       "INSERT INTO registry(key, name, type, data) VALUES(?1, ?2, ?3, ?4) "
                       "ON CONFLICT(key, name) DO UPDATE SET type=excluded.type, "
                       "data=excluded.data");
    stmt.Bind(key).Bind(name).Bind(int64_t{type});
    if (blob) {
        stmt.BindBlob(*blob);
    } else {
        stmt.Bind(number);
    }
    return stmt.Run();
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
    CSqlStatement stmt(db_, "DELETE FROM registry WHERE key=?1 AND name=?2");
    return stmt.Bind(key).Bind(name).Run() && sqlite3_changes(db_) > 0;
}

std::vector<std::string> CRegistry::ValueNames(std::string_view key) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    CSqlStatement stmt(db_, "SELECT name FROM registry WHERE key=?1 ORDER BY rowid");
    stmt.Bind(key);
    while (stmt.Row()) names.push_back(stmt.Text(0));
    return names;
}

}  // namespace velorin
