#include "fileserver/browse_requests.h"

#include <dirent.h>
#include <sys/stat.h>

#include <ctime>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "data/share_database.h"
#include "data/share_rules.h"
#include "fileserver/peer_messages.h"
#include "fileserver/remote_path.h"
#include "fileserver/visitor_session.h"
#include "platform/text_encoding.h"

namespace velorin {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

DirHandle OpenDir(const std::string& path) {
    return DirHandle(::opendir(path.c_str()));
}

// The names of a folder's entries without "." and "..".
const char* NextName(DIR* dir) {
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name(entry->d_name);
        if (name != "." && name != "..") return entry->d_name;
    }
    return nullptr;
}

// The file system's stamp is UTC and goes out without any zone conversion.
SystemTime StampOf(const struct stat& st) {
    std::tm tm{};
    time_t seconds = st.st_mtim.tv_sec;
    SystemTime t;
    if (::gmtime_r(&seconds, &tm) == nullptr) return t;
    t.year = static_cast<uint16_t>(tm.tm_year + 1900);
    t.month = static_cast<uint16_t>(tm.tm_mon + 1);
    t.dayOfWeek = static_cast<uint16_t>(tm.tm_wday);
    t.day = static_cast<uint16_t>(tm.tm_mday);
    t.hour = static_cast<uint16_t>(tm.tm_hour);
    t.minute = static_cast<uint16_t>(tm.tm_min);
    t.second = static_cast<uint16_t>(tm.tm_sec);
    t.millisecond = static_cast<uint16_t>(st.st_mtim.tv_nsec / 1000000);
    return t;
}

using FolderKey = std::pair<dev_t, ino_t>;

// One pass over a folder: its visible subfolders, or its visible regular files.
// False when a send failed.
bool SendEntries(IVisitorSession& session, const CShareRoot& root, const std::string& dir,
                 bool folders) {
    DirHandle handle = OpenDir(dir);
    if (!handle) return true;
    while (const char* name = NextName(handle.get())) {
        struct stat st {};
        if (IsHiddenName(name) || !root.StatEntry(dir, name, st)) continue;
        ListEntry entry;
        entry.name = name;
        entry.time = StampOf(st);
        if (folders && S_ISDIR(st.st_mode)) {
            entry.kind = kEntryFolder;
        } else if (!folders && S_ISREG(st.st_mode)) {
            entry.kind = kEntryFile;
            entry.size = static_cast<uint64_t>(st.st_size);
        } else {
            continue;
        }
        if (!session.Send(EncodeListEntry(entry))) return false;
    }
    return true;
}

int SendFolderListing(IVisitorSession& session, const CShareRoot& root, const std::string& dir,
                      const std::string& requested, bool mayBrowse) {
    ListEntry up;
    up.name = "..";
    up.kind = kEntryFolder;
    if (!session.Send(EncodeListHead({false, requested})) || !session.Send(EncodeListEntry(up))) {
        return -1;
    }
    if (!mayBrowse) return 0;
    bool sent = SendEntries(session, root, dir, true) && SendEntries(session, root, dir, false);
    return sent ? 0 : -1;
}

struct Summary {
    uint32_t files = 0;
    uint32_t folders = 0;
    uint64_t total = 0;
};

// Counts below `dir`. Only a failure of the requested folder's own walk is
// reported; a subfolder that fails just stops counting there.
bool CountFolder(const CShareRoot& root, const std::string& dir, int depth, Summary& sum,
                 std::set<FolderKey>& seen) {
    DirHandle handle = OpenDir(dir);
    if (!handle) return false;
    while (const char* name = NextName(handle.get())) {
        struct stat st {};
        if (!root.StatEntry(dir, name, st)) continue;
        if (!S_ISDIR(st.st_mode)) {
            // Hidden and system files count too; nothing of them leaves the server but numbers.
            sum.total += static_cast<uint64_t>(st.st_size);
            if (sum.files >= kSummaryFileLimit) return false;
            ++sum.files;
        } else if (!IsHiddenName(name)) {
            ++sum.folders;
            // Links may lead back up: a folder is walked once.
            if (depth < kWalkDepthLimit && seen.insert({st.st_dev, st.st_ino}).second) {
                CountFolder(root, JoinLocalPath(dir, name), depth + 1, sum, seen);
            }
        }
    }
    return true;
}

struct TreeWalk {
    IVisitorSession& session;
    const CShareRoot& root;
    std::string remote;  // the requested path, CP949
    std::string target;  // the visitor's folder, CP949
    std::set<FolderKey> seen;
    bool failed = false;
};

// `relative` is the CP949 path below the requested folder, each name followed by "\".
void WalkTree(TreeWalk& walk, const std::string& dir, const std::string& relative,
              const std::string& target, int depth) {
    DirHandle handle = OpenDir(dir);
    if (!handle) return;
    while (!walk.failed) {
        const char* name = NextName(handle.get());
        if (name == nullptr) break;
        struct stat st {};
        if (IsHiddenName(name) || !walk.root.StatEntry(dir, name, st)) continue;
        std::string wireName = Utf8ToCp949(name);
        if (S_ISDIR(st.st_mode)) {
            if (depth < kWalkDepthLimit && walk.seen.insert({st.st_dev, st.st_ino}).second) {
                WalkTree(walk, JoinLocalPath(dir, name), relative + wireName + "\\",
                         target + "\\" + wireName, depth + 1);
            }
            continue;
        }
        if (!S_ISREG(st.st_mode)) continue;
        // The doubled separator after the requested path is what visitors expect.
        FolderTreeEntry entry{static_cast<uint64_t>(st.st_size), target,
                              walk.remote + "\\\\" + relative + wireName};
        // A path that no request could carry back is left out.
        if (entry.remotePath.size() > kRemotePathLimit) continue;
        if (!walk.session.Send(EncodeFolderTreeEntry(entry))) walk.failed = true;
    }
}

// Decoding shared by the three requests: a length above 260 is ignored (1),
// a short payload or a session that has not signed on ends the session (-1).
int Admit(IVisitorSession& session, DecodeStatus status) {
    if (!session.SignedOn() || status == DecodeStatus::kMalformed) return -1;
    return status == DecodeStatus::kPathTooLong ? 1 : 0;
}

}  // namespace

int CBrowseRequests::ListRoot(IVisitorSession& session) {
    if (!session.Send(EncodeListHead({true, "\\"}))) return -1;
    std::vector<FolderGrantRow> own;
    std::vector<FolderGrantRow> everyone;
    bool ok = false;
    {
        // Both queries under one hold of the lock, so no change slips between
        // them; the rows are sent after it is released, so a slow visitor never
        // holds up the database.
        std::lock_guard lock(db_.Mutex());
        ok = db_.ListGrantedFolders(session.VisitorId(), own) &&
             db_.ListGrantedFolders(kEveryone, everyone);
    }
    if (!ok) return session.Send(EncodeListError(kListCannotRun)) ? 0 : -1;
    std::set<std::string> listed;
    for (const FolderGrantRow& row : own) {
        listed.insert(row.name);
        if (!session.Send(
                EncodeListShare({row.name, row.desc, static_cast<uint8_t>(row.permission)}))) {
            return -1;
        }
    }
    for (const FolderGrantRow& row : everyone) {
        if (listed.count(row.name) != 0) continue;
        if (!session.Send(
                EncodeListShare({row.name, row.desc, static_cast<uint8_t>(row.permission)}))) {
            return -1;
        }
    }
    return 0;
}

int CBrowseRequests::List(IVisitorSession& session, std::string_view payload) {
    std::string wire;
    int admit = Admit(session, DecodePathRequest(payload, wire));
    if (admit != 0) return admit > 0 ? 0 : -1;
    RemotePath path = SplitRemotePath(wire);
    if (path.kind == kRemoteInvalid) return -1;
    if (path.kind == kRemoteRoot) return ListRoot(session);

    std::string sharePath;
    bool published = LookupSharePath(db_, path.folder, sharePath);
    if (path.kind == kRemoteFolder) {
        if (!published) return session.Send(EncodeListError(kListNotPublished)) ? 0 : -1;
        CShareRoot root;
        if (!root.Open(sharePath) || !OpenDir(root.RealPath())) {
            return session.Send(EncodeListError(kListCannotRun)) ? 0 : -1;
        }
        bool mayBrowse = db_.HasPermission(path.folder, session.VisitorId(), kPermissionBrowse);
        return SendFolderListing(session, root, root.RealPath(), wire, mayBrowse);
    }
    // Below a folder every refusal is silent.
    if (!published || !db_.HasPermission(path.folder, session.VisitorId(), kPermissionBrowse)) {
        return 0;
    }
    CShareRoot root;
    std::optional<std::string> dir;
    if (!root.Open(sharePath) || !(dir = root.Resolve(path.components)) || !OpenDir(*dir)) return 0;
    return SendFolderListing(session, root, *dir, wire, true);
}

int CBrowseRequests::FolderInfo(IVisitorSession& session, std::string_view payload) {
    std::string wire;
    int admit = Admit(session, DecodePathRequest(payload, wire));
    if (admit != 0) return admit > 0 ? 0 : -1;
    RemotePath path = SplitRemotePath(wire);
    if (path.kind == kRemoteInvalid) return -1;

    FolderInfoAnswer answer;
    answer.path = wire;
    answer.files = 0xFFFFFFFF;
    std::string sharePath;
    CShareRoot root;
    std::optional<std::string> dir;
    Summary sum;
    std::set<FolderKey> seen;
    struct stat st {};
    if (path.kind == kRemoteRoot) {
        answer.code = kSummaryOfRoot;
    } else if (!LookupSharePath(db_, path.folder, sharePath)) {
        answer.code = kSummaryNotPublished;
    } else if (!db_.HasPermission(path.folder, session.VisitorId(), kPermissionBrowse)) {
        answer.code = kSummaryNoRight;
    } else if (!root.Open(sharePath) || !(dir = root.Resolve(path.components)) ||
               ::stat(dir->c_str(), &st) != 0 || !seen.insert({st.st_dev, st.st_ino}).second ||
               !CountFolder(root, *dir, 0, sum, seen)) {
        answer.code = kSummaryWalkFailed;
    } else {
        answer = {kAnswerOk, sum.files, sum.folders, sum.total, wire};
    }
    return session.Send(EncodeFolderInfoAnswer(answer)) ? 0 : -1;
}

int CBrowseRequests::FolderTree(IVisitorSession& session, std::string_view payload) {
    FolderTreeRequest request;
    int admit = Admit(session, DecodeFolderTreeRequest(payload, request));
    if (admit != 0) return admit > 0 ? 0 : -1;
    RemotePath path = SplitRemotePath(request.path);
    if (path.kind == kRemoteInvalid) return -1;
    if (path.kind == kRemoteRoot) return 0;

    FolderInfoAnswer refusal;
    refusal.path = request.path;
    refusal.files = 0xFFFFFFFF;
    std::string sharePath;
    if (!LookupSharePath(db_, path.folder, sharePath)) {
        refusal.code = kSummaryNotPublished;
        return session.Send(EncodeFolderInfoAnswer(refusal)) ? 0 : -1;
    }
    if (!db_.HasPermission(path.folder, session.VisitorId(), kPermissionBrowse)) {
        refusal.code = kSummaryNoRight;
        return session.Send(EncodeFolderInfoAnswer(refusal)) ? 0 : -1;
    }
    CShareRoot root;
    std::optional<std::string> dir;
    struct stat st {};
    if (!root.Open(sharePath) || !(dir = root.Resolve(path.components)) ||
        ::stat(dir->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return 0;
    }
    TreeWalk walk{session, root, request.path, request.target, {{st.st_dev, st.st_ino}}};
    WalkTree(walk, *dir, "", request.target, 0);
    // A failed send ends the session at its next receive.
    return 0;
}

}  // namespace velorin
