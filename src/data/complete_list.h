#pragma once
// completelist.db: the files other members finished downloading from the
// member's server, while TransCompleteSave is on.
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/local_time.h"
#include "platform/sqlite_database.h"

namespace velorin {

struct CompleteRow {
    std::string completeTime;
    std::string op;
    std::string userId;
    std::string fileName;
    std::string fileSize;
};

class CCompleteList {
public:
    // Opens the file, creating it with its table when missing. A file that is
    // not a usable list fails here; then every call fails silently.
    bool Open(const std::filesystem::path& file);
    void Close();

    void Add(const std::string& op, const std::string& userId, const std::string& fileName,
             int64_t fileSize);
    void Add(const std::string& op, const std::string& userId, const std::string& fileName,
             int64_t fileSize, const LocalTime& now);
    std::vector<CompleteRow> List();
    bool Clear();
    const std::string& LastError() const { return lastError_; }

private:
    std::mutex mutex_;
    CSqliteDatabase db_;
    std::string lastError_;
};

}  // namespace velorin
