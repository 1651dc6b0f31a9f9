#include "data/share_index.h"

#include <dirent.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "data/share_database.h"
#include "platform/sqlite_database.h"
#include "platform/text_encoding.h"

namespace velorin {
namespace {

constexpr const char* kCreateTable =
    "create table share_file(FileName varchar(255),FileExt  varchar(255),"
    "FileFullPath varchar(255),FileSize bigint,Type     int)";
constexpr const char* kInsert =
    "INSERT INTO share_file (FileName, FileExt, FileFullPath, FileSize, Type) "
    "VALUES (?, ?, ?, ?, ?)";
// Longest virtual path, in CP949 bytes: what a remote path on the wire can hold.
constexpr size_t kVirtualPathLimit = 260;
// Below this depth nothing more is walked, links or not.
constexpr int kDepthLimit = 32;

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

std::optional<std::string> RealPathOf(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (!real) return std::nullopt;
    return std::string(real.get());
}

std::string Join(const std::string& dir, std::string_view name) {
    std::string out = dir;
    if (out.empty() || out.back() != '/') out.push_back('/');
    out.append(name);
    return out;
}

bool IsHidden(std::string_view name) {
    return !name.empty() && name.front() == '.';
}

std::unique_ptr<CSqliteDatabase> OpenMemoryDatabase() {
    auto db = std::make_unique<CSqliteDatabase>();
    if (!db->Open(":memory:", CSqliteDatabase::Mode::kReadWriteCreate)) return nullptr;
    db->Execute(kCreateTable);
    return db;
}

// One rebuild over one new database.
class CIndexWalk {
public:
    CIndexWalk(CSqliteDatabase& db, const std::function<bool()>& running,
               std::atomic<uint32_t>& entries)
        : db_(db), running_(running), entries_(entries) {}

    void Folder(const std::string& name, const std::string& path) {
        std::optional<std::string> real = RealPathOf(path);
        struct stat st {};
        if (!real || ::stat(real->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
        root_ = *real;
        seen_.clear();
        seen_.insert({st.st_dev, st.st_ino});
        Directory("\\" + name, root_, 0);
    }

private:
    // A link is followed only when it leads to a visible place inside the root.
    bool Inside(const std::string& real) const {
        if (real.compare(0, root_.size(), root_) != 0) return false;
        std::string_view below(real);
        below.remove_prefix(root_.size());
        if (!below.empty() && root_ != "/") {
            if (below.front() != '/') return false;
            below.remove_prefix(1);
        }
        while (!below.empty()) {
            size_t slash = below.find('/');
            if (IsHidden(below.substr(0, slash))) return false;
            if (slash == std::string_view::npos) break;
            below.remove_prefix(slash + 1);
        }
        return true;
    }

    // The entry's status and the real path a folder is walked under.
    bool StatEntry(const std::string& path, struct stat& st, std::string& walkPath) const {
        if (::lstat(path.c_str(), &st) != 0) return false;
        walkPath = path;
        if (!S_ISLNK(st.st_mode)) return true;
        std::optional<std::string> real = RealPathOf(path);
        if (!real || !Inside(*real) || ::stat(real->c_str(), &st) != 0) return false;
        walkPath = *real;
        return true;
    }

    void Insert(const std::string& name, const std::string& ext, const std::string& path,
                int64_t size, int type) {
        CSqlStatement(db_.Handle(), kInsert)
            .Bind(name)
            .Bind(ext)
            .Bind(path)
            .Bind(size)
            .Bind(int64_t{type})
            .Run();
    }

    void Directory(const std::string& virtualPath, const std::string& realPath, int depth) {
        DirHandle dir(::opendir(realPath.c_str()));
        if (!dir) return;
        while (const dirent* entry = ::readdir(dir.get())) {
            if (!running_() || entries_ > kIndexEntryLimit) return;
            std::string name = entry->d_name;
            // A backslash would split the virtual path where no folder is.
            if (IsHidden(name) || name.find('\\') != std::string::npos) continue;
            ++entries_;
            struct stat st {};
            std::string walkPath;
            if (!StatEntry(Join(realPath, name), st, walkPath)) continue;
            if (S_ISREG(st.st_mode)) {
                Insert(name, IndexExtension(name), virtualPath, st.st_size, kIndexFile);
            } else if (S_ISDIR(st.st_mode)) {
                Insert(name, "", virtualPath, 0, kIndexFolder);
                std::string below = virtualPath + "\\" + name;
                // Links may lead back up: a folder is walked once.
                if (depth < kDepthLimit && Cp949Length(below) <= kVirtualPathLimit &&
                    seen_.insert({st.st_dev, st.st_ino}).second) {
                    Directory(below, walkPath, depth + 1);
                }
            }
        }
    }

    CSqliteDatabase& db_;
    const std::function<bool()>& running_;
    std::atomic<uint32_t>& entries_;
    std::string root_;
    std::set<std::pair<dev_t, ino_t>> seen_;
};

}  // namespace

std::string IndexExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return "";
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return ext;
}

CShareIndex::CShareIndex() = default;
CShareIndex::~CShareIndex() = default;

bool CShareIndex::Open() {
    std::lock_guard lock(mutex_);
    if (!db_) db_ = OpenMemoryDatabase();
    return db_ != nullptr;
}

void CShareIndex::Close() {
    std::unique_ptr<CSqliteDatabase> old;
    std::lock_guard lock(mutex_);
    old = std::move(db_);
}

bool CShareIndex::IsOpen() const {
    std::lock_guard lock(mutex_);
    return db_ != nullptr;
}

void CShareIndex::BuildIndex(CShareDatabase& shares, const std::function<bool()>& running) {
    entries_ = 0;
    if (!running()) return;
    std::vector<ShareFolderRow> folders;
    shares.LoadShareFolders(folders);
    std::unique_ptr<CSqliteDatabase> fresh = OpenMemoryDatabase();
    if (!fresh) return;
    fresh->Execute("BEGIN");
    CIndexWalk walk(*fresh, running, entries_);
    for (const ShareFolderRow& folder : folders) {
        if (!running() || entries_ > kIndexEntryLimit) break;
        walk.Folder(folder.name, folder.path);
    }
    fresh->Execute("COMMIT");
    if (!running()) return;
    std::lock_guard lock(mutex_);
    // A closed index stays closed.
    if (db_) std::swap(db_, fresh);
}

void CShareIndex::Clear() {
    std::lock_guard lock(mutex_);
    if (db_) db_->Execute("DELETE FROM share_file");
}

bool CShareIndex::Find(const std::vector<std::string>& words, const std::string& ext,
                       const std::function<void(const ShareIndexRow&)>& onRow) {
    if (words.empty()) return false;
    std::string sql = "SELECT FileName,FileFullPath,FileSize,FileExt,Type FROM share_file WHERE (";
    for (size_t i = 0; i < words.size(); ++i) {
        sql += i == 0 ? "FileName LIKE ? ESCAPE '\\'" : " OR FileName LIKE ? ESCAPE '\\'";
    }
    sql += ")";
    if (!ext.empty()) sql += " AND FileExt=?";
    sql += " LIMIT " + std::to_string(kIndexAnswerLimit);

    std::lock_guard lock(mutex_);
    if (!db_) return false;
    CSqlStatement statement(db_->Handle(), sql.c_str());
    for (const std::string& word : words) {
        std::string pattern = "%";
        for (char c : word) {
            if (c == '%' || c == '_' || c == '\\') pattern.push_back('\\');
            pattern.push_back(c);
        }
        pattern.push_back('%');
        statement.Bind(pattern);
    }
    if (!ext.empty()) statement.Bind(IndexExtension("." + ext));
    while (statement.Row()) {
        ShareIndexRow row;
        row.name = statement.Text(0);
        row.path = statement.Text(1);
        row.size = static_cast<uint64_t>(statement.Int(2));
        row.ext = statement.Text(3);
        row.type = static_cast<int>(statement.Int(4));
        onRow(row);
    }
    if (!statement.Done()) lastError_ = sqlite3_errmsg(db_->Handle());
    return statement.Done();
}

size_t CShareIndex::Count() {
    std::lock_guard lock(mutex_);
    size_t count = 0;
    if (db_) {
        db_->Query("SELECT count(*) FROM share_file", [&](const SqlRow& row) {
            if (!row.empty() && row[0]) count = std::stoul(*row[0]);
            return true;
        });
    }
    return count;
}

std::string CShareIndex::LastError() {
    std::lock_guard lock(mutex_);
    return lastError_;
}

}  // namespace velorin
