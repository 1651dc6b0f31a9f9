#pragma once
// A small RAII wrapper around one SQLite connection: open, execute with a
// per-row callback, close. Callers lock around it as their own rules say.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace velorin {

using SqlRow = std::vector<std::optional<std::string>>;

class CSqliteDatabase {
public:
    enum class Mode { kReadWriteCreate, kReadWriteExisting };

    CSqliteDatabase() = default;
    ~CSqliteDatabase();
    CSqliteDatabase(const CSqliteDatabase&) = delete;
    CSqliteDatabase& operator=(const CSqliteDatabase&) = delete;

    // Opens and checks that the file really is a database (a garbage file fails
    // here, untouched, instead of at the first statement).
    bool Open(const std::filesystem::path& file, Mode mode);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }

    bool Execute(std::string_view sql);
    // Calls `onRow` once per result row; a false return stops the walk.
    bool Query(std::string_view sql, const std::function<bool(const SqlRow&)>& onRow);
    bool HasTable(std::string_view name);
    // True when the database holds no schema object at all.
    bool IsEmpty();
    // Column names of a table, in order.
    std::vector<std::string> Columns(std::string_view table);

    const std::string& LastError() const { return lastError_; }
    sqlite3* Handle() { return db_; }

private:
    sqlite3* db_ = nullptr;
    std::string lastError_;
};

// One prepared statement, finalized when it goes. Parameters are bound in
// order from 1. A statement that did not prepare (or a closed database) gives
// no row and never runs.
class CSqlStatement {
public:
    CSqlStatement(sqlite3* db, const char* sql);
    ~CSqlStatement();
    CSqlStatement(const CSqlStatement&) = delete;
    CSqlStatement& operator=(const CSqlStatement&) = delete;

    CSqlStatement& Bind(std::string_view text);
    CSqlStatement& BindBlob(std::string_view bytes);
    CSqlStatement& Bind(int64_t number);
    // True while a row is ready.
    bool Row();
    // True when the statement ran to its end.
    bool Run();
    // True once a step reached the end (a walk over the rows ended without an error).
    bool Done() const { return last_ == kDone; }
    // SQLITE_INTEGER, SQLITE_TEXT, SQLITE_BLOB, SQLITE_FLOAT or SQLITE_NULL.
    int Type(int column);
    int64_t Int(int column);
    // The column's bytes; empty for NULL.
    std::string Text(int column);

private:
    int Step();
    static constexpr int kDone = 101;  // SQLITE_DONE, without sqlite3.h in this header
    sqlite3_stmt* stmt_ = nullptr;
    int bound_ = 0;
    int last_ = 0;
};

// Doubles every single quote, so a text can stand between quotes in a statement.
std::string SqlQuote(std::string_view text);

}  // namespace velorin
