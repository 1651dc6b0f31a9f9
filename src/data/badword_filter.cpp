#include "data/badword_filter.h"

#include <sqlite3.h>

#include "platform/sqlite_database.h"
#include "platform/strings.h"

namespace velorin {

namespace {
// Rows with a NULL column are no listing at all.
constexpr const char* kSearchSql =
    "SELECT oneword,req FROM badword WHERE oneword LIKE ? AND req IS NOT NULL LIMIT 1";
constexpr const char* kNameSql =
    "SELECT oneword,req FROM badword WHERE oneword = ? AND req IS NOT NULL LIMIT 1";
constexpr const char* kTransferNameSql =
    "SELECT oneword,req FROM badword WHERE oneword = ? AND req <> ? LIMIT 1";
constexpr const char* kScanSql =
    "SELECT oneword,req FROM badword WHERE oneword LIKE ? ESCAPE '\\' AND req IS NOT NULL LIMIT 1";

// A file name is no pattern: the piece "%" of "50 %.mp3" must not match every word.
std::string EscapeLike(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '%' || c == '_' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

// immutable=1: no lock, journal or side file is ever made beside the list.
std::string ImmutableUri(const std::filesystem::path& file) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (unsigned char c : std::filesystem::absolute(file).string()) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '/' || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            uri.push_back(static_cast<char>(c));
        } else {
            uri.push_back('%');
            uri.push_back(kHex[c >> 4]);
            uri.push_back(kHex[c & 15]);
        }
    }
    return uri + "?mode=ro&immutable=1";
}
}  // namespace

CBadWordFilter::~CBadWordFilter() {
    Close();
}

bool CBadWordFilter::Open(const std::filesystem::path& file) {
    std::lock_guard lock(lock_);
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    std::error_code ec;
    // An immutable open of a missing file would fail only at the first statement.
    if (!std::filesystem::is_regular_file(file, ec)) {
        lastError_ = file.string() + ": no such file";
        return false;
    }
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(ImmutableUri(file).c_str(), &db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        // Reading the schema tells a database from any other file.
        CSqlStatement schema(db, "SELECT count(*) FROM sqlite_master");
        if (!schema.Row()) rc = SQLITE_NOTADB;
    }
    if (rc != SQLITE_OK) {
        lastError_ =
            db && sqlite3_errcode(db) != SQLITE_OK ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        return false;
    }
    db_ = db;
    lastError_.clear();
    return true;
}

void CBadWordFilter::Close() {
    std::lock_guard lock(lock_);
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool CBadWordFilter::IsOpen() const {
    std::lock_guard lock(lock_);
    return db_ != nullptr;
}

std::string CBadWordFilter::LastError() const {
    std::lock_guard lock(lock_);
    return lastError_;
}

bool CBadWordFilter::Find(const char* sql, const std::vector<std::string_view>& params,
                          Match& match) {
    std::lock_guard lock(lock_);
    if (!db_) return false;
    CSqlStatement statement(db_, sql);
    for (std::string_view param : params) statement.Bind(param);
    if (!statement.Row()) {
        if (!statement.Done()) lastError_ = sqlite3_errmsg(db_);
        return false;
    }
    match.word = statement.Text(0);
    match.req = statement.Text(1);
    return true;
}

bool CBadWordFilter::CheckSearchWord(std::string_view word, std::string* message) {
    Match match;
    if (!Find(kSearchSql, {word}, match)) return false;
    if (message) {
        *message = match.req == badword_text::kAdultCategory
                       ? Format(badword_text::kAdultSearch, match.word.c_str())
                       : Format(badword_text::kListedSearch, match.word.c_str(), match.req.c_str());
    }
    return true;
}

bool CBadWordFilter::IsRestrictedName(std::string_view piece, bool excludeAdult) {
    Match match;
    if (excludeAdult) return Find(kTransferNameSql, {piece, badword_text::kAdultCategory}, match);
    return Find(kNameSql, {piece}, match);
}

bool CBadWordFilter::ScanWord(std::string_view piece, std::string_view fileName,
                              std::string_view folder, std::vector<BadWordHit>& list) {
    Match match;
    if (!Find(kScanSql, {EscapeLike(piece)}, match)) return false;
    list.push_back({std::string(fileName), std::string(folder), match.word, match.req});
    return true;
}

}  // namespace velorin
