#include "platform/sqlite_database.h"

#include <sqlite3.h>

namespace velorin {

CSqliteDatabase::~CSqliteDatabase() {
    Close();
}

bool CSqliteDatabase::Open(const std::filesystem::path& file, Mode mode) {
    Close();
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
    if (mode == Mode::kReadWriteCreate) flags |= SQLITE_OPEN_CREATE;
    int rc = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        lastError_ = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        Close();
        return false;
    }
    sqlite3_busy_timeout(db_, 5000);
    // Reading the schema is what tells a database from any other file.
    if (!Query("SELECT count(*) FROM sqlite_master", [](const SqlRow&) { return true; })) {
        std::string error = lastError_;
        Close();
        lastError_ = error;
        return false;
    }
    return true;
}

void CSqliteDatabase::Close() {
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

bool CSqliteDatabase::Execute(std::string_view sql) {
    return Query(sql, [](const SqlRow&) { return true; });
}

bool CSqliteDatabase::Query(std::string_view sql, const std::function<bool(const SqlRow&)>& onRow) {
    if (!db_) {
        lastError_ = "database not open";
        return false;
    }
    const char* tail = sql.data();
    const char* end = sql.data() + sql.size();
    while (tail < end) {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(db_, tail, static_cast<int>(end - tail), &stmt, &tail);
        if (rc != SQLITE_OK) {
            lastError_ = sqlite3_errmsg(db_);
            return false;
        }
        if (!stmt) break;  // only blanks or comments were left
        int columns = sqlite3_column_count(stmt);
        SqlRow row(static_cast<size_t>(columns));
        bool stopped = false;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            for (int i = 0; i < columns; ++i) {
                if (sqlite3_column_type(stmt, i) == SQLITE_NULL) {
                    row[i].reset();
                } else {
                    const unsigned char* text = sqlite3_column_text(stmt, i);
                    row[i].emplace(reinterpret_cast<const char*>(text),
                                   static_cast<size_t>(sqlite3_column_bytes(stmt, i)));
                }
            }
            if (!onRow(row)) {
                stopped = true;
                break;
            }
        }
        if (!stopped && rc != SQLITE_DONE) {
            lastError_ = sqlite3_errmsg(db_);
            sqlite3_finalize(stmt);
            return false;
        }
        sqlite3_finalize(stmt);
        if (stopped) break;
    }
    return true;
}

bool CSqliteDatabase::HasTable(std::string_view name) {
    bool found = false;
    Query("SELECT name FROM sqlite_master WHERE type='table' AND name='" + SqlQuote(name) + "'",
          [&](const SqlRow&) {
              found = true;
              return false;
          });
    return found;
}

bool CSqliteDatabase::IsEmpty() {
    bool empty = true;
    bool ok = Query("SELECT name FROM sqlite_master", [&](const SqlRow&) {
        empty = false;
        return false;
    });
    return ok && empty;
}

std::vector<std::string> CSqliteDatabase::Columns(std::string_view table) {
    std::vector<std::string> names;
    Query("PRAGMA table_info('" + SqlQuote(table) + "')", [&](const SqlRow& row) {
        if (row.size() > 1 && row[1]) names.push_back(*row[1]);
        return true;
    });
    return names;
}

CSqlStatement::CSqlStatement(sqlite3* db, const char* sql) {
    if (db && sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

CSqlStatement::~CSqlStatement() {
    sqlite3_finalize(stmt_);
}

CSqlStatement& CSqlStatement::Bind(std::string_view text) {
    sqlite3_bind_text(stmt_, ++bound_, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

CSqlStatement& CSqlStatement::BindBlob(std::string_view bytes) {
    sqlite3_bind_blob(stmt_, ++bound_, bytes.data(), static_cast<int>(bytes.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

CSqlStatement& CSqlStatement::Bind(int64_t number) {
    sqlite3_bind_int64(stmt_, ++bound_, number);
    return *this;
}

bool CSqlStatement::Row() {
    return Step() == SQLITE_ROW;
}

bool CSqlStatement::Run() {
    return Step() == SQLITE_DONE;
}

int CSqlStatement::Step() {
    static_assert(kDone == SQLITE_DONE);
    last_ = stmt_ ? sqlite3_step(stmt_) : SQLITE_MISUSE;
    return last_;
}

int CSqlStatement::Type(int column) {
    return sqlite3_column_type(stmt_, column);
}

int64_t CSqlStatement::Int(int column) {
    return sqlite3_column_int64(stmt_, column);
}

std::string CSqlStatement::Text(int column) {
    const void* p = sqlite3_column_blob(stmt_, column);
    int n = sqlite3_column_bytes(stmt_, column);
    return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

std::string SqlQuote(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (char c : text) {
        out.push_back(c);
        if (c == '\'') out.push_back('\'');
    }
    return out;
}

}  // namespace velorin
