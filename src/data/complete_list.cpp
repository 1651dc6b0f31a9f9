#include "data/complete_list.h"

#include <cinttypes>

#include "platform/strings.h"

namespace velorin {

bool CCompleteList::Open(const std::filesystem::path& file) {
    std::lock_guard lock(mutex_);
    if (!db_.Open(file, CSqliteDatabase::Mode::kReadWriteCreate)) {
        lastError_ = db_.LastError();
        return false;
    }
    // Only an empty file receives the table; a database of another kind stays untouched.
    if (!db_.HasTable("completelist") &&
        (!db_.IsEmpty() ||
         !db_.Execute("CREATE TABLE completelist (completetime TEXT, op TEXT, userid TEXT, "
                      "filename TEXT, filesize TEXT)"))) {
        lastError_ = db_.LastError();
        db_.Close();
        return false;
    }
    return true;
}

void CCompleteList::Close() {
    std::lock_guard lock(mutex_);
    db_.Close();
}

void CCompleteList::Add(const std::string& op, const std::string& userId,
                        const std::string& fileName, int64_t fileSize) {
    Add(op, userId, fileName, fileSize, NowLocal());
}

void CCompleteList::Add(const std::string& op, const std::string& userId,
                        const std::string& fileName, int64_t fileSize, const LocalTime& now) {
    std::string size = Format("%" PRId64, fileSize);
    std::string sql = Format(
        "INSERT INTO completelist (completetime, op, userid, filename, filesize) VALUES ('%s', "
        "'%s', '%s', '%s', '%s') ",
        FormatStatusTime(now).c_str(), SqlQuote(op).c_str(), SqlQuote(userId).c_str(),
        SqlQuote(fileName).c_str(), SqlQuote(size).c_str());
    std::lock_guard lock(mutex_);
    if (!db_.Execute(sql)) lastError_ = db_.LastError();
}

std::vector<CompleteRow> CCompleteList::List() {
    std::lock_guard lock(mutex_);
    std::vector<CompleteRow> rows;
    db_.Query("SELECT * FROM completelist", [&](const SqlRow& row) {
        auto text = [&](size_t i) { return i < row.size() && row[i] ? *row[i] : std::string(); };
        rows.push_back({text(0), text(1), text(2), text(3), text(4)});
        return true;
    });
    return rows;
}

bool CCompleteList::Clear() {
    std::lock_guard lock(mutex_);
    return db_.Execute("DELETE FROM completelist");
}

}  // namespace velorin
