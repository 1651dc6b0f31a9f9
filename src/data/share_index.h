#pragma once
// The share index: every visible file and folder below the shared folders, in
// an in-memory SQLite table, for answering other members' searches. A rebuild
// fills a new database aside and swaps it in, so searches go on meanwhile.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace velorin {

class CShareDatabase;
class CSqliteDatabase;

// A rebuild stops after the folder during which it passed this many entries.
inline constexpr uint32_t kIndexEntryLimit = 10000;
// Answers to one search.
inline constexpr int kIndexAnswerLimit = 20;

inline constexpr int kIndexFile = 0;
inline constexpr int kIndexFolder = 1;

struct ShareIndexRow {
    std::string name;  // as found on disk, UTF-8
    std::string ext;   // files: after the last dot, ASCII upper case; folders: empty
    std::string path;  // "\Virtual\sub\...": the folder that holds the entry
    uint64_t size = 0;
    int type = kIndexFile;
};

class CShareIndex {
public:
    CShareIndex();
    ~CShareIndex();
    CShareIndex(const CShareIndex&) = delete;
    CShareIndex& operator=(const CShareIndex&) = delete;

    bool Open();
    void Close();
    bool IsOpen() const;
    // Replaces the rows with those of the folders `shares` publishes now. A
    // rebuild that `running` ends early leaves the previous rows in place.
    void BuildIndex(CShareDatabase& shares, const std::function<bool()>& running);
    void Clear();

    // At most kIndexAnswerLimit rows whose name holds any of `words` (ASCII case
    // ignored; "%" and "_" match themselves) and, unless `ext` is empty, whose
    // extension equals `ext` upper-cased. `onRow` runs under the index lock.
    bool Find(const std::vector<std::string>& words, const std::string& ext,
              const std::function<void(const ShareIndexRow&)>& onRow);
    size_t Count();

    // Entries the running or last rebuild has passed.
    uint32_t EntriesSeen() const { return entries_; }
    std::string LastError();

private:
    mutable std::mutex mutex_;
    std::unique_ptr<CSqliteDatabase> db_;
    std::string lastError_;
    std::atomic<uint32_t> entries_{0};
};

// The extension a file's name gives the index.
std::string IndexExtension(const std::string& name);

}  // namespace velorin
