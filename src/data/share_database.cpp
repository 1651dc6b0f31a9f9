#include "data/share_database.h"

#include <array>
#include <cstdlib>
#include <system_error>

#include "platform/strings.h"
#include "platform/text_encoding.h"

namespace velorin {
namespace {

// A statement is composed in a buffer of this size; a longer one is refused,
// never cut (a cut statement could mean something else).
constexpr size_t kStatementLimit = 4096;

// Texts are fitted to their column widths before they enter a statement, so a
// value is always stored and looked up in the same form. IDs and descriptions
// count CP949 bytes (they travel on the wire); paths count characters.
std::string Id(const std::string& s) { return SqlQuote(CutToCp949Bytes(s, 20)); }
std::string Desc(const std::string& s) { return SqlQuote(CutToCp949Bytes(s, 50)); }
std::string PathText(const std::string& s) { return SqlQuote(CutToCharacters(s, 255)); }

std::string Text(const std::optional<std::string>& v) { return v ? *v : std::string(); }

uint32_t Number(const std::optional<std::string>& v) {
    if (!v) return 0;
    return static_cast<uint32_t>(std::strtoll(v->c_str(), nullptr, 10));
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

bool CShareDatabase::Execute(const std::string& sql) {
    std::lock_guard lock(mutex_);
    if (sql.size() >= kStatementLimit) return false;
    return db_.Execute(sql);
}

bool CShareDatabase::FetchOne(const std::string& sql, std::string& value) {
    std::lock_guard lock(mutex_);
    if (sql.size() >= kStatementLimit) return false;
    bool fetched = false;
    bool ok = db_.Query(sql, [&](const SqlRow& row) {
        fetched = true;
        value = row.empty() ? std::string() : Text(row[0]);
        return false;
    });
    return ok && fetched;
}

bool CShareDatabase::Count(const std::string& sql, uint32_t& count) {
    std::string value;
    if (!FetchOne(sql, value)) return false;
    count = Number(value);
    return true;
}

bool CShareDatabase::InsertUnlessCounted(bool& exists, const std::string& countSql,
                                         const std::string& insertSql) {
    std::lock_guard lock(mutex_);
    uint32_t count = 0;
    if (!Count(countSql, count)) return false;
    exists = count != 0;
    return exists || Execute(insertSql);
}

bool CShareDatabase::CountShareFolders(uint32_t& count) {
    return Count("SELECT COUNT(*) FROM [ShareFolder]", count);
}

bool CShareDatabase::AddShareFolder(bool& exists, const std::string& name, const std::string& path,
                                    const std::string& desc) {
    std::lock_guard lock(mutex_);
    if (!InsertUnlessCounted(
            exists,
            Format("SELECT COUNT(*) FROM [ShareFolder] WHERE [VirtualFolderName]='%s'",
                   Id(name).c_str()),
            Format("INSERT INTO [ShareFolder] VALUES ('%s', '%s', '%s')", Id(name).c_str(),
                   PathText(path).c_str(), Desc(desc).c_str()))) {
        return false;
    }
    if (exists) return true;
    bool grantExists = false;
    return AddPermission(grantExists, name, "[all]", 3, "공유폴더");
}

bool CShareDatabase::DeleteShareFolder(const std::string& name) {
    std::lock_guard lock(mutex_);
    return Execute(Format("DELETE FROM [ShareFolder] WHERE [VirtualFolderName]='%s'",
                          Id(name).c_str())) &&
           DeleteFolderPermissions(name);
}

bool CShareDatabase::UpdateShareFolder(const std::string& oldName, const std::string& newName,
                                       const std::string& path, const std::string& desc) {
    std::lock_guard lock(mutex_);
    uint32_t count = 0;
    if (!Count(Format("SELECT COUNT(*) FROM [ShareFolder] WHERE [VirtualFolderName]='%s'",
                      Id(newName).c_str()),
               count)) {
        return false;
    }
    if (count != 0) {
        // The same name kept, or the new one taken: only path and description change.
        return Execute(Format(
            "UPDATE [ShareFolder] SET [Path]='%s', [Desc]='%s' WHERE [VirtualFolderName]='%s'",
            PathText(path).c_str(), Desc(desc).c_str(), Id(oldName).c_str()));
    }
    return Execute(Format("UPDATE [ShareFolder] SET [VirtualFolderName]='%s', [Path]='%s', "
                          "[Desc]='%s' WHERE [VirtualFolderName]='%s'",
                          Id(newName).c_str(), PathText(path).c_str(), Desc(desc).c_str(),
                          Id(oldName).c_str())) &&
           RenameFolderPermissions(oldName, newName);
}

bool CShareDatabase::GetSharePath(const std::string& name, std::string& path) {
    return FetchOne(Format("SELECT [Path] FROM [ShareFolder] WHERE [VirtualFolderName]='%s'",
                           Id(name).c_str()),
                    path);
}

bool CShareDatabase::ListSharePaths(std::vector<std::string>& paths) {
    std::lock_guard lock(mutex_);
    paths.clear();
    return db_.Query("SELECT [Path] FROM ShareFolder", [&](const SqlRow& row) {
        paths.push_back(Text(row[0]));
        return true;
    });
}

bool CShareDatabase::ListShareFolders(std::vector<ShareFolderRow>& rows) {
    std::lock_guard lock(mutex_);
    rows.clear();
    return db_.Query("SELECT * FROM ShareFolder", [&](const SqlRow& row) {
        if (row.size() >= 3) rows.push_back({Text(row[0]), Text(row[1]), Text(row[2])});
        return true;
    });
}

bool CShareDatabase::LoadShareFolders(std::vector<ShareFolderRow>& rows) {
    std::lock_guard lock(mutex_);
    rows.clear();
    return db_.Query("SELECT [VirtualFolderName], [Path] FROM [ShareFolder]",
                     [&](const SqlRow& row) {
                         rows.push_back({Text(row[0]), Text(row[1]), {}});
                         return true;
                     });
}

bool CShareDatabase::AddPermission(bool& exists, const std::string& folder,
                                   const std::string& user, uint32_t permission,
                                   const std::string& desc) {
    return InsertUnlessCounted(
        exists,
        Format("SELECT COUNT(*) FROM [FolderPermission] WHERE [VirtualFolderName]='%s' "
               "AND [UserID]='%s'",
               Id(folder).c_str(), Id(user).c_str()),
        Format("INSERT INTO [FolderPermission] VALUES ('%s', '%s', %d, '%s')", Id(folder).c_str(),
               Id(user).c_str(), static_cast<int>(permission), Desc(desc).c_str()));
}

bool CShareDatabase::RemovePermission(uint32_t& count, const std::string& folder,
                                      const std::string& user) {
    std::lock_guard lock(mutex_);
    if (!Count(Format("SELECT COUNT(*) FROM [FolderPermission] WHERE [VirtualFolderName]='%s'",
                      Id(folder).c_str()),
               count)) {
        return false;
    }
    if (count < 2) return true;
    return Execute(Format(
        "DELETE FROM [FolderPermission] WHERE [VirtualFolderName]='%s' and [UserID]='%s'",
        Id(folder).c_str(), Id(user).c_str()));
}

bool CShareDatabase::DeleteFolderPermissions(const std::string& folder) {
    return Execute(Format("DELETE FROM [FolderPermission] WHERE [VirtualFolderName]='%s'",
                          Id(folder).c_str()));
}

bool CShareDatabase::UpdatePermission(const std::string& folder, const std::string& oldUser,
                                      const std::string& newUser, const std::string& desc,
                                      uint32_t permission) {
    std::lock_guard lock(mutex_);
    uint32_t count = 0;
    if (!Count(Format("SELECT COUNT(*) FROM [FolderPermission] WHERE [VirtualFolderName]='%s' "
                      "and [UserID]='%s'",
                      Id(folder).c_str(), Id(oldUser).c_str()),
               count) ||
        count == 0) {
        return false;
    }
    return Execute(Format("UPDATE [FolderPermission] SET [Desc]='%s', [Permission]=%d, "
                          "[UserID]='%s' WHERE [VirtualFolderName]='%s' and [UserID]='%s'",
                          Desc(desc).c_str(), static_cast<int>(permission), Id(newUser).c_str(),
                          Id(folder).c_str(), Id(oldUser).c_str()));
}

bool CShareDatabase::RenameFolderPermissions(const std::string& oldName,
                                             const std::string& newName) {
    return Execute(Format(
        "UPDATE [FolderPermission] SET [VirtualFolderName]='%s' WHERE [VirtualFolderName]='%s'",
        Id(newName).c_str(), Id(oldName).c_str()));
}

bool CShareDatabase::ListPermissions(const std::string& folder, std::vector<PermissionRow>& rows) {
    std::lock_guard lock(mutex_);
    rows.clear();
    std::string sql = Format("SELECT * FROM FolderPermission WHERE VirtualFolderName='%s'",
                             Id(folder).c_str());
    if (sql.size() >= kStatementLimit) return false;
    return db_.Query(sql, [&](const SqlRow& row) {
        if (row.size() >= 4) {
            rows.push_back({Text(row[0]), Text(row[1]), Number(row[2]), Text(row[3])});
        }
        return true;
    });
}

bool CShareDatabase::ListGrantedFolders(const std::string& user,
                                        std::vector<FolderGrantRow>& rows) {
    std::lock_guard lock(mutex_);
    rows.clear();
    std::string sql = Format(
        "SELECT a.`VirtualFolderName`, a.`Desc`, b.`Permission` FROM [ShareFolder] a, "
        "[FolderPermission] b WHERE a.[VirtualFolderName] = b.[VirtualFolderName] AND b.[UserID] "
        "= '%s' ",
        Id(user).c_str());
    if (sql.size() >= kStatementLimit) return false;
    return db_.Query(sql, [&](const SqlRow& row) {
        if (row.size() >= 3) rows.push_back({Text(row[0]), Text(row[1]), Number(row[2])});
        return true;
    });
}

bool CShareDatabase::LookupPermission(const std::string& folder, const std::string& user,
                                      bool& own, bool& found, uint32_t& permission) {
    std::lock_guard lock(mutex_);
    std::string value;
    found = false;
    own = FetchOne(Format("SELECT [Permission] FROM [FolderPermission] WHERE "
                          "[VirtualFolderName]='%s' AND [UserID]='%s' ",
                          Id(folder).c_str(), Id(user).c_str()),
                   value);
    if (!own) {
        found = FetchOne(Format("SELECT [Permission] FROM [FolderPermission] WHERE "
                                "[VirtualFolderName]='%s' AND [UserID]='[all]'",
                                Id(folder).c_str()),
                         value);
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
    "SELECT COUNT(*) FROM [FriendList] WHERE [UserID]='%s'",
    "INSERT INTO [FriendList] VALUES ('%s', '%s')",
    "DELETE FROM [FriendList] WHERE [UserID]='%s'",
    "UPDATE [FriendList] SET [Desc]='%s' WHERE [UserID]='%s'",
    "UPDATE [FriendList] SET [UserID]='%s', [Desc]='%s' WHERE [UserID]='%s'",
    "SELECT * FROM FriendList",
    false,
};

const CShareDatabase::MemberList CShareDatabase::kBlackList = {
    "SELECT COUNT(*) FROM `BlackList` WHERE `UserID` = '%s'",
    "INSERT INTO [BlackList] VALUES ('%s', '%s')",
    "DELETE FROM [BlackList] WHERE [UserID]='%s'",
    "UPDATE [BlackList] SET [Desc]='%s' WHERE [UserID]='%s'",
    "UPDATE [BlackList] SET [UserID]='%s', [Desc]='%s' WHERE [UserID]='%s'",
    "SELECT * FROM BlackList",
    true,
};

bool CShareDatabase::AddMember(const MemberList& list, bool& exists, const std::string& id,
                               const std::string& desc) {
    return InsertUnlessCounted(exists, Format(list.count, Id(id).c_str()),
                               Format(list.insert, Id(id).c_str(), Desc(desc).c_str()));
}

bool CShareDatabase::DeleteMember(const MemberList& list, const std::string& id) {
    return Execute(Format(list.remove, Id(id).c_str()));
}

// `describe` when the new ID is listed already, else `rename`.
bool CShareDatabase::UpdateMember(const MemberList& list, const std::string& oldId,
                                  const std::string& newId, const std::string& desc) {
    std::lock_guard lock(mutex_);
    uint32_t count = 0;
    if (!Count(Format(list.count, Id(newId).c_str()), count)) return false;
    std::string sql =
        count != 0 ? Format(list.describe, Desc(desc).c_str(), Id(oldId).c_str())
                   : Format(list.rename, Id(newId).c_str(), Desc(desc).c_str(), Id(oldId).c_str());
    bool updated = Execute(sql);
    return updated || !list.updateReportsOutcome;
}

bool CShareDatabase::IsListed(const MemberList& list, bool& flag, const std::string& id) {
    uint32_t count = 0;
    if (!Count(Format(list.count, Id(id).c_str()), count)) return false;
    flag = count != 0;
    return true;
}

bool CShareDatabase::ListMembers(const MemberList& list, std::vector<MemberRow>& rows) {
    std::lock_guard lock(mutex_);
    rows.clear();
    return db_.Query(list.list, [&](const SqlRow& row) {
        if (row.size() >= 2) rows.push_back({Text(row[0]), Text(row[1])});
        return true;
    });
}

bool CShareDatabase::AddFriend(bool& exists, const std::string& id, const std::string& desc) {
    return AddMember(kFriendList, exists, id, desc);
}

bool CShareDatabase::DeleteFriend(const std::string& id) { return DeleteMember(kFriendList, id); }

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

bool CShareDatabase::DeleteBlack(const std::string& id) { return DeleteMember(kBlackList, id); }

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
