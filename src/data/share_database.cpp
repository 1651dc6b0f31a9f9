#include "data/share_database.h"

#include <array>
#include <cstdlib>
#include <system_error>

#include "platform/strings.h"
#include "platform/text_encoding.h"

namespace velorin {
namespace {

// Texts are fitted to their column widths before they are bound, so a value is
// always stored and looked up in the same form. IDs and descriptions count
// CP949 bytes (they travel on the wire); paths count characters.
std::string Id(const std::string& s) {
    return CutToCp949Bytes(s, 20);
}
std::string Desc(const std::string& s) {
    return CutToCp949Bytes(s, 50);
}
std::string PathText(const std::string& s) {
    return CutToCharacters(s, 255);
}

uint32_t Number(const std::string& v) {
    return static_cast<uint32_t>(std::strtoll(v.c_str(), nullptr, 10));
}

// The statements below bind their values in order; a statement that fails to
// prepare binds nothing and runs nothing.
template <typename... Values>
bool Run(sqlite3* db, const char* sql, const Values&... values) {
    CSqlStatement statement(db, sql);
    (statement.Bind(values), ...);
    return statement.Run();
}

// The first column of the first row; false when no row came back.
template <typename... Values>
bool FetchOne(sqlite3* db, std::string& value, const char* sql, const Values&... values) {
    CSqlStatement statement(db, sql);
    (statement.Bind(values), ...);
    if (!statement.Row()) return false;
    value = statement.Text(0);
    return true;
}

template <typename... Values>
bool Count(sqlite3* db, uint32_t& count, const char* sql, const Values&... values) {
    std::string value;
    if (!FetchOne(db, value, sql, values...)) return false;
    count = Number(value);
    return true;
}

// Calls `onRow` for every row; false when the walk stopped on an error.
template <typename OnRow, typename... Values>
bool Walk(sqlite3* db, const OnRow& onRow, const char* sql, const Values&... values) {
    CSqlStatement statement(db, sql);
    (statement.Bind(values), ...);
    while (statement.Row()) onRow(statement);
    return statement.Done();
}

// Runs the steps of one change as a whole: a step that fails leaves the
// tables as they were, so no folder is left without its grants.
template <typename Steps>
bool AllOrNothing(sqlite3* db, const Steps& steps) {
    if (!Run(db, "SAVEPOINT share_change")) return false;
    bool done = steps();
    if (!done) Run(db, "ROLLBACK TO share_change");
    return Run(db, "RELEASE share_change") && done;
}

struct TableShape {
    const char* name;
    std::vector<const char*> columns;
};

const std::array<TableShape, 4> kTables = {{
    {"ShareFolder", {"VirtualFolderName", "Path", "Desc"}},
    {"FolderPermission", {"VirtualFolderName", "UserID", "Permission", "Desc"}},
    {"FriendList", {"UserID", "Desc"}},
    {"BlackList", {"UserID", "Desc"}},
}};

}  // namespace

bool CShareDatabase::CreateFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) return false;
    CSqliteDatabase db;
    if (!db.Open(file, CSqliteDatabase::Mode::kReadWriteCreate)) return false;
    // Member IDs and folder names compare without regard to letter case.
    return db.Execute(
        "BEGIN;"
        "CREATE TABLE [ShareFolder] ([VirtualFolderName] VARCHAR(20) COLLATE NOCASE NOT NULL "
        "UNIQUE, [Path] VARCHAR(255), [Desc] VARCHAR(50));"
        "CREATE TABLE [FolderPermission] ([VirtualFolderName] VARCHAR(20) COLLATE NOCASE NOT "
        "NULL, [UserID] VARCHAR(20) COLLATE NOCASE NOT NULL, [Permission] INTEGER NOT NULL, "
        "[Desc] VARCHAR(50));"
        "CREATE TABLE [FriendList] ([UserID] VARCHAR(20) COLLATE NOCASE NOT NULL UNIQUE, [Desc] "
        "VARCHAR(50));"
        "CREATE TABLE [BlackList] ([UserID] VARCHAR(20) COLLATE NOCASE NOT NULL UNIQUE, [Desc] "
        "VARCHAR(50));"
        "COMMIT;");
}

bool CShareDatabase::Open(const std::filesystem::path& file) {
    std::lock_guard lock(mutex_);
    if (!db_.Open(file, CSqliteDatabase::Mode::kReadWriteExisting)) return false;
    for (const TableShape& table : kTables) {
        std::vector<std::string> columns = db_.Columns(table.name);
        bool same = columns.size() == table.columns.size();
        for (size_t i = 0; same && i < columns.size(); ++i) {
            same = EqualsIgnoreCase(columns[i], table.columns[i]);
        }
        if (!same) {
            db_.Close();
            return false;
        }
    }
    return true;
}

void CShareDatabase::Close() {
    std::lock_guard lock(mutex_);
    db_.Close();
}

bool CShareDatabase::CountShareFolders(uint32_t& count) {
    std::lock_guard lock(mutex_);
    return Count(db_.Handle(), count, "SELECT COUNT(*) FROM [ShareFolder]");
}

bool CShareDatabase::AddShareFolder(bool& exists, const std::string& name, const std::string& path,
                                    const std::string& desc) {
    std::lock_guard lock(mutex_);
    uint32_t count = 0;
    if (!Count(db_.Handle(), count,
               "SELECT COUNT(*) FROM [ShareFolder] WHERE [VirtualFolderName]=?", Id(name))) {
        return false;
    }
    exists = count != 0;
    if (exists) return true;
    return AllOrNothing(db_.Handle(), [&] {
        bool grantExists = false;
        return Run(db_.Handle(), "INSERT INTO [ShareFolder] VALUES (?, ?, ?)", Id(name),
                   PathText(path), Desc(desc)) &&
               AddPermission(grantExists, name, "[all]", 3, "공유폴더");
    });
}

bool CShareDatabase::DeleteShareFolder(const std::string& name) {
    std::lock_guard lock(mutex_);
    return AllOrNothing(db_.Handle(), [&] {
        return Run(db_.Handle(), "DELETE FROM [ShareFolder] WHERE [VirtualFolderName]=?",
                   Id(name)) &&
               DeleteFolderPermissions(name);
    });
}

bool CShareDatabase::UpdateShareFolder(const std::string& oldName, const std::string& newName,
                                       const std::string& path, const std::string& desc) {
    std::lock_guard lock(mutex_);
    uint32_t count = 0;
    if (!Count(db_.Handle(), count,
               "SELECT COUNT(*) FROM [ShareFolder] WHERE [VirtualFolderName]=?", Id(newName))) {
        return false;
    }
    if (count != 0) {
        // The same name kept, or the new one taken: only path and description change.
        return Run(db_.Handle(),
                   "UPDATE [ShareFolder] SET [Path]=?, [Desc]=? WHERE [VirtualFolderName]=?",
                   PathText(path), Desc(desc), Id(oldName));
    }
    return AllOrNothing(db_.Handle(), [&] {
        return Run(db_.Handle(),
                   "UPDATE [ShareFolder] SET [VirtualFolderName]=?, [Path]=?, [Desc]=? WHERE "
                   "[VirtualFolderName]=?",
                   Id(newName), PathText(path), Desc(desc), Id(oldName)) &&
               RenameFolderPermissions(oldName, newName);
    });
}

bool CShareDatabase::GetSharePath(const std::string& name, std::string& path) {
    std::lock_guard lock(mutex_);
    return FetchOne(db_.Handle(), path,
                    "SELECT [Path] FROM [ShareFolder] WHERE [VirtualFolderName]=?", Id(name));
}

bool CShareDatabase::ListSharePaths(std::vector<std::string>& paths) {
    std::lock_guard lock(mutex_);
    paths.clear();
    return Walk(
        db_.Handle(), [&](CSqlStatement& row) { paths.push_back(row.Text(0)); },
        "SELECT [Path] FROM ShareFolder");
}

bool CShareDatabase::ListShareFolders(std::vector<ShareFolderRow>& rows) {
    std::lock_guard lock(mutex_);
    rows.clear();
    return Walk(
        db_.Handle(),
        [&](CSqlStatement& row) {
            rows.push_back({row.Text(0), row.Text(1), row.Text(2)});
        },
        "SELECT * FROM ShareFolder");
}

bool CShareDatabase::LoadShareFolders(std::vector<ShareFolderRow>& rows) {
    std::lock_guard lock(mutex_);
    rows.clear();
    return Walk(
        db_.Handle(),
        [&](CSqlStatement& row) {
            rows.push_back({row.Text(0), row.Text(1), {}});
        },
        "SELECT [VirtualFolderName], [Path] FROM [ShareFolder]");
}

bool CShareDatabase::AddPermission(bool& exists, const std::string& folder, const std::string& user,
                                   uint32_t permission, const std::string& desc) {
    std::lock_guard lock(mutex_);
    uint32_t count = 0;
    if (!Count(db_.Handle(), count,
               "SELECT COUNT(*) FROM [FolderPermission] WHERE [VirtualFolderName]=? AND "
               "[UserID]=?",
               Id(folder), Id(user))) {
        return false;
    }
    exists = count != 0;
    // Stored as a signed 32-bit number, as the column has always held it.
    return exists ||
           Run(db_.Handle(), "INSERT INTO [FolderPermission] VALUES (?, ?, ?, ?)", Id(folder),
               Id(user), int64_t{static_cast<int32_t>(permission)}, Desc(desc));
}

bool CShareDatabase::RemovePermission(uint32_t& count, const std::string& folder,
                                      const std::string& user) {
    std::lock_guard lock(mutex_);
    if (!Count(db_.Handle(), count,
               "SELECT COUNT(*) FROM [FolderPermission] WHERE [VirtualFolderName]=?", Id(folder))) {
        return false;
    }
    if (count < 2) return true;
    return Run(db_.Handle(),
               "DELETE FROM [FolderPermission] WHERE [VirtualFolderName]=? and [UserID]=?",
               Id(folder), Id(user));
}

bool CShareDatabase::DeleteFolderPermissions(const std::string& folder) {
    std::lock_guard lock(mutex_);
    return Run(db_.Handle(), "DELETE FROM [FolderPermission] WHERE [VirtualFolderName]=?",
               Id(folder));
}

bool CShareDatabase::UpdatePermission(const std::string& folder, const std::string& oldUser,
                                      const std::string& newUser, const std::string& desc,
                                      uint32_t permission) {
    std::lock_guard lock(mutex_);
    uint32_t count = 0;
    if (!Count(db_.Handle(), count,
               "SELECT COUNT(*) FROM [FolderPermission] WHERE [VirtualFolderName]=? and "
               "[UserID]=?",
               Id(folder), Id(oldUser)) ||
        count == 0) {
        return false;
    }
    return Run(db_.Handle(),
               "UPDATE [FolderPermission] SET [Desc]=?, [Permission]=?, [UserID]=? WHERE "
               "[VirtualFolderName]=? and [UserID]=?",
               Desc(desc), int64_t{static_cast<int32_t>(permission)}, Id(newUser), Id(folder),
               Id(oldUser));
}

bool CShareDatabase::RenameFolderPermissions(const std::string& oldName,
                                             const std::string& newName) {
    std::lock_guard lock(mutex_);
    return Run(db_.Handle(),
               "UPDATE [FolderPermission] SET [VirtualFolderName]=? WHERE [VirtualFolderName]=?",
               Id(newName), Id(oldName));
}

bool CShareDatabase::ListPermissions(const std::string& folder, std::vector<PermissionRow>& rows) {
    std::lock_guard lock(mutex_);
    rows.clear();
    return Walk(
        db_.Handle(),
        [&](CSqlStatement& row) {
            rows.push_back({row.Text(0), row.Text(1), Number(row.Text(2)), row.Text(3)});
        },
        "SELECT * FROM FolderPermission WHERE VirtualFolderName=?", Id(folder));
}

bool CShareDatabase::ListGrantedFolders(const std::string& user,
                                        std::vector<FolderGrantRow>& rows) {
    std::lock_guard lock(mutex_);
    rows.clear();
    return Walk(
        db_.Handle(),
        [&](CSqlStatement& row) {
            rows.push_back({row.Text(0), row.Text(1), Number(row.Text(2))});
        },
        "SELECT a.`VirtualFolderName`, a.`Desc`, b.`Permission` FROM [ShareFolder] a, "
        "[FolderPermission] b WHERE a.[VirtualFolderName] = b.[VirtualFolderName] AND b.[UserID] "
        "= ? ",
        Id(user));
}

bool CShareDatabase::LookupPermission(const std::string& folder, const std::string& user, bool& own,
                                      bool& found, uint32_t& permission) {
    std::lock_guard lock(mutex_);
    std::string value;
    found = false;
    own = FetchOne(db_.Handle(), value,
                   "SELECT [Permission] FROM [FolderPermission] WHERE [VirtualFolderName]=? AND "
                   "[UserID]=? ",
                   Id(folder), Id(user));
    if (!own) {
        found = FetchOne(db_.Handle(), value,
                         "SELECT [Permission] FROM [FolderPermission] WHERE "
                         "[VirtualFolderName]=? AND [UserID]='[all]'",
                         Id(folder));
    }
    permission = (own || found) ? Number(value) : 0;
    found = own || found;
    return true;
}

bool CShareDatabase::HasPermission(const std::string& folder, const std::string& user,
                                   uint32_t mask) {
    bool own = false;
    bool found = false;
    uint32_t permission = 0;
    LookupPermission(folder, user, own, found, permission);
    return found && (permission & mask) != 0;
}

uint32_t CShareDatabase::GetPermission(const std::string& folder, const std::string& user) {
    bool own = false;
    bool found = false;
    uint32_t permission = 0;
    LookupPermission(folder, user, own, found, permission);
    return permission;
}

// The friend list and the black list: the same shape, each with its own statements.
struct CShareDatabase::MemberList {
    const char* count;
    const char* insert;
    const char* remove;
    const char* describe;
    const char* rename;
    const char* list;
    // The black list's update fails when the update itself fails; the friend list's does not.
    bool updateReportsOutcome;
};

const CShareDatabase::MemberList CShareDatabase::kFriendList = {
    "SELECT COUNT(*) FROM [FriendList] WHERE [UserID]=?",
    "INSERT INTO [FriendList] VALUES (?, ?)",
    "DELETE FROM [FriendList] WHERE [UserID]=?",
    "UPDATE [FriendList] SET [Desc]=? WHERE [UserID]=?",
    "UPDATE [FriendList] SET [UserID]=?, [Desc]=? WHERE [UserID]=?",
    "SELECT * FROM FriendList",
    false,
};

const CShareDatabase::MemberList CShareDatabase::kBlackList = {
    "SELECT COUNT(*) FROM `BlackList` WHERE `UserID` = ?",
    "INSERT INTO [BlackList] VALUES (?, ?)",
    "DELETE FROM [BlackList] WHERE [UserID]=?",
    "UPDATE [BlackList] SET [Desc]=? WHERE [UserID]=?",
    "UPDATE [BlackList] SET [UserID]=?, [Desc]=? WHERE [UserID]=?",
    "SELECT * FROM BlackList",
    true,
};

bool CShareDatabase::AddMember(const MemberList& list, bool& exists, const std::string& id,
                               const std::string& desc) {
    std::lock_guard lock(mutex_);
    uint32_t count = 0;
    if (!Count(db_.Handle(), count, list.count, Id(id))) return false;
    exists = count != 0;
    return exists || Run(db_.Handle(), list.insert, Id(id), Desc(desc));
}

bool CShareDatabase::DeleteMember(const MemberList& list, const std::string& id) {
    std::lock_guard lock(mutex_);
    return Run(db_.Handle(), list.remove, Id(id));
}

// `describe` when the new ID is listed already, else `rename`.
bool CShareDatabase::UpdateMember(const MemberList& list, const std::string& oldId,
                                  const std::string& newId, const std::string& desc) {
    std::lock_guard lock(mutex_);
    uint32_t count = 0;
    if (!Count(db_.Handle(), count, list.count, Id(newId))) return false;
    bool updated = count != 0 ? Run(db_.Handle(), list.describe, Desc(desc), Id(oldId))
                              : Run(db_.Handle(), list.rename, Id(newId), Desc(desc), Id(oldId));
    return updated || !list.updateReportsOutcome;
}

bool CShareDatabase::IsListed(const MemberList& list, bool& flag, const std::string& id) {
    std::lock_guard lock(mutex_);
    uint32_t count = 0;
    if (!Count(db_.Handle(), count, list.count, Id(id))) return false;
    flag = count != 0;
    return true;
}

bool CShareDatabase::ListMembers(const MemberList& list, std::vector<MemberRow>& rows) {
    std::lock_guard lock(mutex_);
    rows.clear();
    return Walk(
        db_.Handle(),
        [&](CSqlStatement& row) {
            rows.push_back({row.Text(0), row.Text(1)});
        },
        list.list);
}

bool CShareDatabase::AddFriend(bool& exists, const std::string& id, const std::string& desc) {
    return AddMember(kFriendList, exists, id, desc);
}

bool CShareDatabase::DeleteFriend(const std::string& id) {
    return DeleteMember(kFriendList, id);
}

bool CShareDatabase::UpdateFriend(const std::string& oldId, const std::string& newId,
                                  const std::string& desc) {
    return UpdateMember(kFriendList, oldId, newId, desc);
}

bool CShareDatabase::ListFriends(std::vector<MemberRow>& rows) {
    return ListMembers(kFriendList, rows);
}

bool CShareDatabase::AddBlack(bool& exists, const std::string& id, const std::string& desc) {
    return AddMember(kBlackList, exists, id, desc);
}

bool CShareDatabase::DeleteBlack(const std::string& id) {
    return DeleteMember(kBlackList, id);
}

bool CShareDatabase::UpdateBlack(const std::string& oldId, const std::string& newId,
                                 const std::string& desc) {
    return UpdateMember(kBlackList, oldId, newId, desc);
}

bool CShareDatabase::IsBlacklisted(bool& flag, const std::string& id) {
    return IsListed(kBlackList, flag, id);
}

bool CShareDatabase::ListBlack(std::vector<MemberRow>& rows) {
    return ListMembers(kBlackList, rows);
}

}  // namespace velorin
